// Starting programs: a launch plan's argument vector reaches a real program
// byte for byte, in the program's own folder; failures to start are told.
#include "emulator/launch.h"
#include "process.h"
#include "test_util.h"
#include "x_server.h"

#include <gtest/gtest.h>

#include <signal.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Args = std::vector<std::string>;

// The working folder and argv the recorder wrote.
Args recorded(const std::string& folder)
{
    const std::string bytes = klmTestRead(folder + "/argv.out");
    Args out;
    size_t start = 0;
    for (size_t i = 0; i < bytes.size(); ++i)
        if (bytes[i] == '\0') {
            out.push_back(bytes.substr(start, i - start));
            start = i + 1;
        }
    return out;
}

TEST(StartProgram, PlanArgumentsArriveIntactInTheProgramsFolder)
{
    KlmTempDir dir;
    // The emulator itself lives in a folder with a hostile name.
    const std::string emuDir = dir.file("emu $(touch pwned); 'x' \"y\"");
    fs::create_directories(emuDir);
    const std::string emu = emuDir + "/recorder";
    fs::copy_file(KOLMAR_ARGV_RECORDER, emu);

    Catalogue cat;
    MasterEntry hw{};
    klmCopyField(hw.name, "hw");
    cat.hardware.push_back(hw);
    EmulatorRegistry reg;
    klmInitEmulatorRegistry(reg, cat);
    EmulatorEntry e = klmNewEmulatorEntry("/tmp");
    klmCopyField(e.filePath, emu);
    klmCopyField(e.options, "-loadrom \"$image\" --name=$image");
    klmAppendEmulator(reg.blocks[0], e);

    const std::string names[] = {"a b.nes", "q\"uo'te.nes", ";rm -rf ~;.nes", "$(rm -rf ~)", "new\nline.nes",
                                 "-rf", "ソフト\\表.nes", "*?[a].nes"};
    for (const std::string& name : names) {
        const std::string rom = dir.file("roms/" + name);
        klmTestWrite(rom, "ROM");
        GameRecord g{};
        klmCopyField(g.foundPath, sj(rom));
        cat.games = {g};
        const KlmLaunchPlan plan = klmPlanLaunch(cat, reg, Settings{}, KlmLaunchRequest{0, -1, "t"});
        ASSERT_EQ(plan.status, KlmLaunchStatus::Ready);

        fs::remove(emuDir + "/argv.out");
        const klm::platform::StartResult r = klm::platform::startProgram(plan.program, plan.args, plan.workingFolder);
        ASSERT_TRUE(r.started) << r.reason;
        EXPECT_EQ(klm::platform::waitForProcess(r.pid), 0);
        EXPECT_EQ(recorded(emuDir), (Args{emuDir, emu, "-loadrom", rom, "--name=" + rom})) << name;
    }
    EXPECT_FALSE(fs::exists(emuDir + "/pwned"));
    EXPECT_FALSE(fs::exists("pwned"));
}

TEST(StartProgram, FailuresToStartAreReportedApart)
{
    KlmTempDir dir;
    const std::string plain = dir.file("not-executable");
    klmTestWrite(plain, "#!/bin/sh\necho hi\n");
    // A script without "#!" would only run through a shell: it must not.
    const std::string noShebang = dir.file("no-shebang");
    klmTestWrite(noShebang, "touch ran\n");
    fs::permissions(noShebang, fs::perms::owner_all);

    struct Case {
        std::string program, folder;
        int error;
    } cases[] = {
        {dir.file("missing"), "", ENOENT},
        {plain, "", EACCES},
        {"kolmar-no-such-program-anywhere", "", ENOENT},
        {KOLMAR_ARGV_RECORDER, dir.file("no-such-folder"), ENOENT},
        {noShebang, dir.path.string(), ENOEXEC},
    };
    for (const Case& c : cases) {
        const klm::platform::StartResult r = klm::platform::startProgram(c.program, {"x"}, c.folder);
        EXPECT_FALSE(r.started) << c.program;
        EXPECT_EQ(r.error, c.error) << c.program;
        EXPECT_NE(r.reason.find(c.program), std::string::npos);
    }
    EXPECT_FALSE(fs::exists(dir.file("ran")));
}

TEST(StartProgram, EndIsSeenWithoutBlocking)
{
    KlmTempDir dir;
    const klm::platform::StartResult r = klm::platform::startProgram("sleep", {"0.3"}, dir.path.string());
    ASSERT_TRUE(r.started) << r.reason;
    int code = -1;
    EXPECT_FALSE(klm::platform::processEnded(r.pid, &code));
    EXPECT_EQ(klm::platform::waitForProcess(r.pid), 0);

    const klm::platform::StartResult f = klm::platform::startProgram("false", {}, "");
    ASSERT_TRUE(f.started);
    EXPECT_TRUE(klmTestWaitFor([&] { return klm::platform::processEnded(f.pid, &code); }, 5000));
    EXPECT_EQ(code, 1);

    // Started programs left alone are reaped once they end.
    std::vector<int> pids;
    for (const char* seconds : {"0", "30"}) {
        const klm::platform::StartResult s = klm::platform::startProgram("sleep", {seconds}, "");
        ASSERT_TRUE(s.started);
        pids.push_back(s.pid);
    }
    const int sleeper = pids[1];
    EXPECT_TRUE(klmTestWaitFor([&] { klm::platform::reapEndedPrograms(pids); return pids.size() == 1; }, 5000));
    EXPECT_EQ(pids, std::vector<int>{sleeper});
    ::kill(sleeper, SIGKILL);
    EXPECT_EQ(klm::platform::waitForProcess(sleeper), 128 + SIGKILL);
}

}  // namespace
