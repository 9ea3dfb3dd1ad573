// Key-script files: parsing whole lines, and the runner's actions.
#include "emulator/key_script.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Every action of a run as text: "+ALT", "-ALT" (hex for one-byte codes),
// "wait 1500", "copy <text>".
std::vector<std::string> actions(std::string_view file, std::string_view rom = "/r/game.nes")
{
    KlmKeyScriptRun run = klmStartKeyScript(klmParseKeyScript(file), rom);
    std::vector<std::string> out;
    for (int guard = 0; guard < 1000; ++guard) {
        KlmKeyAction a = klmNextKeyAction(run);
        switch (a.kind) {
        case KlmKeyActionKind::End:
            EXPECT_EQ(klmNextKeyAction(run).kind, KlmKeyActionKind::End);  // and ever after
            return out;
        case KlmKeyActionKind::Wait: out.push_back("wait " + std::to_string(a.ms)); break;
        case KlmKeyActionKind::Copy: out.push_back("copy " + a.text); break;
        case KlmKeyActionKind::Key: {
            char code[8];
            std::snprintf(code, sizeof code, "%02X", a.vk);
            out.push_back((a.down ? "+" : "-") + std::string(code));
            break;
        }
        }
    }
    ADD_FAILURE() << "the run never ends";
    return out;
}

using Lines = std::vector<std::string>;

TEST(KeyScript, TheAltEnterExample)
{
    EXPECT_EQ(actions("BEGIN\r\nWAIT 1500\r\nALT DOWN\r\nENTER DOWN\r\nENTER UP\r\nALT UP\r\nEND\r\n"),
              (Lines{"wait 1500", "+12", "+0D", "-0D", "-12"}));
}

TEST(KeyScript, LinesAndArguments)
{
    struct Case {
        std::string file;
        Lines expected;
    } cases[] = {
        {"WAIT\n", {"wait 0"}},
        {"WAIT -200\nWAIT 12abc\nWAIT x\nWAIT  7\n", {"wait 0", "wait 12", "wait 0", "wait 7"}},
        {"//WAIT 5000\n// A DOWN\n\n\r\n", {}},
        {"ALT  UP\n", {"+12", "-12"}},            // the argument " UP" is no "UP": a press
        {"ENTER\n", {"+0D", "-0D"}},              // never released by the script: released at the end
        {"up UP\nUP UP\nDOWN DOWN\nDOWN UP\n", {"-26", "+28", "-28"}},  // "up" is no key
        {"A DOWN\na DOWN\n1 DOWN\n", {"+41", "+61", "+31", "-31", "-61", "-41"}},
        {"LEFT DOWN\nRIGHT DOWN\nCTRL DOWN\nSHIFT DOWN\nLEFT UP\nRIGHT UP\nCTRL UP\nSHIFT UP\n",
         {"+25", "+27", "+11", "+10", "-25", "-27", "-11", "-10"}},
        {"FOO DOWN\nF1 DOWN\n", {}},                // unknown names are skipped
        {"A DOWN\nEND\nB DOWN\n", {"+41", "-41"}},  // nothing after END runs
        {"WAIT 5\nB DOWN", {"wait 5", "+42", "-42"}},  // the end of the file ends it too
        {"COPY $image\nCOPY $IMAGE\nCOPY\ncopy $image\n", {"copy /r/game.nes"}},
        {std::string("A\0 UP\nB DOWN\n", 13), {"+41", "+42", "-42", "-41"}},  // a NUL ends the line
        {"BEGIN\nA DOWN\nBEGIN\nA UP\n", {"+41", "-41"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(actions(c.file), c.expected) << c.file;

    KlmKeyScript s = klmParseKeyScript("A DOWN\nFOO\nWAIT 1\nbar UP\n");
    EXPECT_EQ(s.unknownLines, (std::vector<int>{2, 4}));
    EXPECT_EQ(s.commands[1].line, 3);
}

TEST(KeyScript, LongLinesStayWhole)
{
    // A line past the old 512-byte buffer is one line, not a second command.
    const std::string file = "COPY " + std::string(600, 'x') + " A DOWN\nB DOWN\n";
    EXPECT_EQ(actions(file), (Lines{"+42", "-42"}));
}

TEST(KeyScript, CopiedTextIsCutAtACharacterBoundary)
{
    EXPECT_EQ(klmClipboardText("\"/r/a b.nes\""), "\"/r/a b.nes\"");
    const std::string exact(1024, 'a');
    EXPECT_EQ(klmClipboardText(exact + "b"), exact);
    // 1023 ASCII bytes then a three-byte character: it does not fit whole.
    const std::string text = std::string(1023, 'a') + "表" + "x";
    EXPECT_EQ(klmClipboardText(text), std::string(1023, 'a'));
    EXPECT_EQ(actions("COPY $image\n", text), (Lines{"copy " + std::string(1023, 'a')}));
}

}  // namespace
