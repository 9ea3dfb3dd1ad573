// The "ready" wait and the key sender on an X server of the test's own:
// a real emulator's window is found and closed; key scripts reach a plain X
// client that records what it gets, in order and on time, and only while it
// has the focus.
#include "emulator/key_script.h"
#include "emulator/launch.h"
#include "key_sender.h"
#include "process.h"
#include "test_util.h"
#include "window_watch.h"
#include "x_server.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <time.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using klm::platform::KeySender;
using klm::platform::KeySendResult;
using klm::platform::WindowWatch;

namespace {

long long monotonicMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

struct KeyEvent {
    std::string kind, key;
    long long ms = 0;
};

std::vector<KeyEvent> keyEvents(const std::string& file)
{
    std::vector<KeyEvent> out;
    std::istringstream in(klmTestRead(file));
    KeyEvent e;
    while (in >> e.kind >> e.key >> e.ms)
        out.push_back(e);
    return out;
}

std::vector<std::string> keyNames(const std::vector<KeyEvent>& events)
{
    std::vector<std::string> out;
    for (const KeyEvent& e : events)
        out.push_back(e.kind + " " + e.key);
    return out;
}

// A started program that is killed if the test leaves it running.
struct Started {
    int pid = -1;
    explicit Started(int p) : pid(p) {}
    ~Started()
    {
        if (pid > 0 && !klm::platform::processEnded(pid)) {
            ::kill(pid, SIGKILL);
            klm::platform::waitForProcess(pid);
        }
    }
};

class X11 : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.running()) << "Xvfb could not be started";
        // Programs started by the tests find the server through $DISPLAY.
        ::setenv("DISPLAY", server.name().c_str(), 1);
    }

    // Starts a key recorder writing to file and waits for its window and
    // its focus. Returns its pid.
    int startRecorder(const std::string& file)
    {
        const klm::platform::StartResult r = klm::platform::startProgram(KOLMAR_KEY_RECORDER, {file}, "");
        EXPECT_TRUE(r.started) << r.reason;
        WindowWatch watch(r.pid, server.name());
        EXPECT_TRUE(klmTestWaitFor([&] { return watch.findWindow() != 0; }, 10000));
        KeySender probe(r.pid, server.name());
        EXPECT_TRUE(klmTestWaitFor([&] { return probe.programFocused(); }, 10000));
        return r.pid;
    }

    // Carries a key script out through the sender as a GUI timer would:
    // actions run one after another, a wait only delays the next step.
    static void play(std::string_view script, KeySender& sender, std::string* copied = nullptr)
    {
        KlmKeyScriptRun run = klmStartKeyScript(klmParseKeyScript(script), "/roms/a b.nes");
        for (KlmKeyAction a = klmNextKeyAction(run); a.kind != KlmKeyActionKind::End; a = klmNextKeyAction(run)) {
            if (a.kind == KlmKeyActionKind::Wait)
                ::usleep(static_cast<useconds_t>(a.ms) * 1000);
            else if (a.kind == KlmKeyActionKind::Key)
                EXPECT_EQ(sender.send(a.vk, a.down), KeySendResult::Sent);
            else if (copied)
                *copied = a.text;
        }
    }

    TestXServer server;
    KlmTempDir dir;
};

// Launches mednafen on a tiny ROM image through a plan, finds its window
// the way the window's timer does, and closes it.
void launchEmulatorAndClose(const TestXServer& server, const KlmTempDir& dir)
{
    const char* mednafen = "/usr/games/mednafen";
    if (!fs::exists(mednafen))
        GTEST_SKIP() << "mednafen is not installed (scripts/setup.sh installs it)";
    ::setenv("DISPLAY", server.name().c_str(), 1);
    ::setenv("HOME", dir.path.c_str(), 1);  // its settings go to a folder of ours

    // A 16 KiB program that loops forever, 8 KiB of characters, mapper 0.
    std::string rom = std::string("NES\x1a\x01\x01", 6) + std::string(10, '\0');
    std::string prg(16384, '\xea');
    prg.replace(0, 3, "\x4c\x00\xc0");
    prg.replace(0x3ffa, 6, std::string("\x00\xc0\x00\xc0\x00\xc0", 6));
    rom += prg + std::string(8192, '\0');
    const std::string romPath = dir.file("my roms; $(x)/tiny game.nes");
    klmTestWrite(romPath, rom);

    Catalogue cat;
    MasterEntry hw{};
    klmCopyField(hw.name, sj("ファミコン"));
    cat.hardware.push_back(hw);
    GameRecord g{};
    klmCopyField(g.foundPath, sj(romPath));
    cat.games.push_back(g);
    EmulatorRegistry reg;
    klmInitEmulatorRegistry(reg, cat);
    EmulatorEntry e = klmNewEmulatorEntry(sj(dir.path.string()));
    klmCopyField(e.filePath, mednafen);
    klmCopyField(e.options, "-sound 0 -video.driver softfb \"$image\"");
    klmAppendEmulator(reg.blocks[0], e);

    const KlmLaunchPlan plan = klmPlanLaunch(cat, reg, Settings{}, KlmLaunchRequest{0, -1, "t"});
    ASSERT_EQ(plan.status, KlmLaunchStatus::Ready);
    EXPECT_EQ(plan.args.back(), romPath);
    const klm::platform::StartResult r = klm::platform::startProgram(plan.program, plan.args, plan.workingFolder);
    ASSERT_TRUE(r.started) << r.reason;
    Started emulator(r.pid);

    WindowWatch watch(r.pid, server.name());
    ASSERT_TRUE(watch.connected());
    unsigned long window = 0;
    const long long start = monotonicMs();
    while (!window && monotonicMs() - start < kKlmReadyTimeoutMs && !klm::platform::processEnded(r.pid)) {
        window = watch.findWindow();
        ::usleep(50 * 1000);
    }
    ASSERT_NE(window, 0u) << "no window within 20 s";

    EXPECT_TRUE(watch.requestClose(window));
    int code = -1;
    EXPECT_TRUE(klmTestWaitFor([&] { return klm::platform::processEnded(r.pid, &code); }, 15000));
    EXPECT_EQ(code, 0);
    emulator.pid = -1;
}

TEST_F(X11, RealEmulatorWindowIsFoundAndClosed)
{
    launchEmulatorAndClose(server, dir);
}

// Without the X Resource extension the owner is read from _NET_WM_PID.
TEST(X11WithoutXRes, RealEmulatorWindowIsFoundByItsPidProperty)
{
    TestXServer server({"-extension", "X-Resource"});
    ASSERT_TRUE(server.running());
    KlmTempDir dir;
    launchEmulatorAndClose(server, dir);
}

TEST_F(X11, AWindowOfAnotherProcessIsNotReady)
{
    const std::string file = dir.file("keys.txt");
    Started recorder(startRecorder(file));
    const klm::platform::StartResult other = klm::platform::startProgram("sleep", {"5"}, "");
    ASSERT_TRUE(other.started);
    Started sleeper(other.pid);
    WindowWatch watch(other.pid, server.name());
    EXPECT_EQ(watch.findWindow(), 0u);
    WindowWatch nowhere(other.pid, ":9999");
    EXPECT_FALSE(nowhere.connected());
    EXPECT_EQ(nowhere.findWindow(), 0u);
}

TEST_F(X11, TheAltEnterScriptArrivesInOrderAfterItsWait)
{
    const std::string file = dir.file("keys.txt");
    Started recorder(startRecorder(file));
    KeySender sender(recorder.pid, server.name());
    ASSERT_TRUE(sender.available());

    const long long start = monotonicMs();
    play("BEGIN\r\nWAIT 1500\r\nALT DOWN\r\nENTER DOWN\r\nENTER UP\r\nALT UP\r\nEND\r\n", sender);
    ASSERT_TRUE(klmTestWaitFor([&] { return keyEvents(file).size() >= 4; }, 5000));
    const std::vector<KeyEvent> events = keyEvents(file);
    EXPECT_EQ(keyNames(events),
              (std::vector<std::string>{"press Alt_L", "press Return", "release Return", "release Alt_L"}));
    EXPECT_GE(events.front().ms - start, 1500);
    // The four events follow each other without a pause of their own.
    EXPECT_LT(events.back().ms - events.front().ms, 1000);
}

TEST_F(X11, KeysLeftPressedAreReleasedAndNamesMapToKeys)
{
    const std::string file = dir.file("keys.txt");
    Started recorder(startRecorder(file));
    {
        KeySender sender(recorder.pid, server.name());
        play("ENTER\nA DOWN\nA UP\n1 DOWN\n1 UP\nSHIFT\nLEFT DOWN\nLEFT UP\n", sender);
        EXPECT_EQ(sender.send(0x28, true), KeySendResult::Sent);  // held when the sender goes
        EXPECT_EQ(sender.send(0x07, true), KeySendResult::NoKey);  // no key has that code
    }
    ASSERT_TRUE(klmTestWaitFor([&] { return keyEvents(file).size() >= 12; }, 5000));
    EXPECT_EQ(keyNames(keyEvents(file)),
              (std::vector<std::string>{"press Return", "press a", "release a", "press 1", "release 1", "press Shift_L",
                                        "press Left", "release Left", "release Shift_L", "release Return",
                                        "press Down", "release Down"}));
}

TEST_F(X11, KeysGoOnlyToTheFocusedProgram)
{
    const std::string fileA = dir.file("a.txt"), fileB = dir.file("b.txt");
    Started a(startRecorder(fileA));
    Started b(startRecorder(fileB));  // takes the focus from a
    KeySender toA(a.pid, server.name());
    EXPECT_FALSE(toA.programFocused());
    EXPECT_EQ(toA.send(kKlmVkReturn, true), KeySendResult::NotFocused);
    EXPECT_EQ(toA.send(kKlmVkReturn, false), KeySendResult::Sent);  // nothing of its own to release

    KeySender toB(b.pid, server.name());
    EXPECT_EQ(toB.send('B', true), KeySendResult::Sent);
    EXPECT_EQ(toB.send('B', false), KeySendResult::Sent);
    ASSERT_TRUE(klmTestWaitFor([&] { return keyEvents(fileB).size() >= 2; }, 5000));
    ::usleep(200 * 1000);
    EXPECT_TRUE(keyEvents(fileA).empty());
    EXPECT_EQ(keyNames(keyEvents(fileB)), (std::vector<std::string>{"press b", "release b"}));
}

TEST(X11WithoutXTest, TheSenderSaysSoAndWindowsAreStillFound)
{
    TestXServer server({"-extension", "XTEST"});
    ASSERT_TRUE(server.running());
    ::setenv("DISPLAY", server.name().c_str(), 1);
    KlmTempDir dir;
    const klm::platform::StartResult r =
        klm::platform::startProgram(KOLMAR_KEY_RECORDER, {dir.file("keys.txt")}, "");
    ASSERT_TRUE(r.started);
    Started recorder(r.pid);
    WindowWatch watch(r.pid, server.name());
    EXPECT_TRUE(klmTestWaitFor([&] { return watch.findWindow() != 0; }, 10000));
    KeySender sender(r.pid, server.name());
    EXPECT_FALSE(sender.available());
    EXPECT_EQ(sender.send(kKlmVkReturn, true), KeySendResult::Unavailable);
}

}  // namespace
