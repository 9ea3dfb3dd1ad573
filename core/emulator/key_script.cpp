#include "emulator/key_script.h"

#include <algorithm>

#include "text/section_file.h"

int klmKeyCodeOf(std::string_view name)
{
    struct Named {
        std::string_view name;
        int vk;
    };
    static constexpr Named kNamed[] = {
        {"UP", kKlmVkUp},       {"DOWN", kKlmVkDown},       {"LEFT", kKlmVkLeft},   {"RIGHT", kKlmVkRight},
        {"ALT", kKlmVkMenu},    {"CTRL", kKlmVkControl},    {"SHIFT", kKlmVkShift}, {"ENTER", kKlmVkReturn},
    };
    for (const Named& n : kNamed)
        if (n.name == name)
            return n.vk;
    if (name.size() == 1)
        return static_cast<unsigned char>(name[0]);
    return -1;
}

KlmKeyScript klmParseKeyScript(std::string_view image)
{
    KlmKeyScript script;
    int lineNo = 0;
    size_t pos = 0;
    while (pos < image.size()) {
        size_t end = image.find('\n', pos);
        if (end == std::string_view::npos)
            end = image.size();
        std::string_view line = image.substr(pos, end - pos);
        pos = end + 1;
        ++lineNo;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        line = line.substr(0, line.find('\0'));
        if (line.empty() || line.starts_with("//"))
            continue;

        const size_t space = line.find(' ');
        const std::string_view name = line.substr(0, space);
        const std::string_view arg = space == std::string_view::npos ? std::string_view() : line.substr(space + 1);
        KlmKeyCommand cmd;
        cmd.line = lineNo;
        if (name == "BEGIN")
            continue;
        if (name == "END")
            break;
        if (name == "WAIT") {
            cmd.kind = KlmKeyCommandKind::Wait;
            cmd.ms = std::max<int32_t>(klmLeadingInt32(arg), 0);
        } else if (name == "COPY") {
            if (arg != "$image")
                continue;
            cmd.kind = KlmKeyCommandKind::Copy;
        } else {
            cmd.vk = klmKeyCodeOf(name);
            if (cmd.vk < 0) {
                script.unknownLines.push_back(lineNo);
                continue;
            }
            cmd.down = arg != "UP";
        }
        script.commands.push_back(cmd);
    }
    return script;
}

KlmKeyScriptRun klmStartKeyScript(KlmKeyScript script, std::string_view firstRomText)
{
    KlmKeyScriptRun run;
    run.script = std::move(script);
    run.copyText = klmClipboardText(firstRomText);
    return run;
}

KlmKeyAction klmNextKeyAction(KlmKeyScriptRun& run)
{
    KlmKeyAction a;
    if (run.next < run.script.commands.size()) {
        const KlmKeyCommand& c = run.script.commands[run.next++];
        switch (c.kind) {
        case KlmKeyCommandKind::Wait:
            a.kind = KlmKeyActionKind::Wait;
            a.ms = c.ms;
            return a;
        case KlmKeyCommandKind::Copy:
            a.kind = KlmKeyActionKind::Copy;
            a.text = run.copyText;
            return a;
        case KlmKeyCommandKind::Key: {
            a.kind = KlmKeyActionKind::Key;
            a.vk = c.vk;
            a.down = c.down;
            auto held = std::find(run.pressed.begin(), run.pressed.end(), c.vk);
            if (c.down && held == run.pressed.end())
                run.pressed.push_back(c.vk);
            else if (!c.down && held != run.pressed.end())
                run.pressed.erase(held);
            return a;
        }
        }
    }
    // A key the script left down would stay down in the emulator (and in
    // every program focused after it).
    if (!run.pressed.empty()) {
        a.kind = KlmKeyActionKind::Key;
        a.vk = run.pressed.back();
        a.down = false;
        run.pressed.pop_back();
        return a;
    }
    run.ended = true;
    return a;
}

std::string klmClipboardText(std::string_view utf8)
{
    if (utf8.size() <= kKlmClipboardLimit)
        return std::string(utf8);
    size_t cut = kKlmClipboardLimit;
    // Back off over continuation bytes to the start of the cut character.
    while (cut > 0 && (static_cast<unsigned char>(utf8[cut]) & 0xC0) == 0x80)
        --cut;
    return std::string(utf8.substr(0, cut));
}
