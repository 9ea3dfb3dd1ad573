// kolmar-cli launch end to end, on a folder whose ROMs the real audit found:
// the dry run's plan for hostile names and archives (and that it writes
// nothing), real runs of programs that record what they were given, the
// unpacked files gone afterwards, the make-default write and the guard, and
// key scripts on an X server of the test's own, with and without XTest.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "audit/crc.h"
#include "audit/romfolder.h"
#include "catalogue/app_paths.h"
#include "catalogue/cache.h"
#include "e2e_util.h"
#include "emulator/launch.h"
#include "emulator/registry.h"
#include "settings/setting_file.h"
#include "single_instance.h"
#include "window_watch.h"
#include "x_server.h"

namespace fs = std::filesystem;

namespace {

using Args = std::vector<std::string>;

std::string crcOf(std::string_view bytes) { return klmFormatCrcText(klmCrc32(bytes.data(), bytes.size())); }

std::string gameElement(int number, std::string_view crc)
{
    const std::string n = std::to_string(number);
    return "<game>\r\n<number>" + n + "</number>\r\n<title>Game" + n +
           "</title>\r\n<hard>1</hard>\r\n<soft>1</soft>\r\n<genre>1</genre>\r\n<crc32>" + std::string(crc) +
           "</crc32>\r\n</game>\r\n";
}

// Every file under root with its bytes (folders as empty entries).
std::map<std::string, std::string> tree(const fs::path& root)
{
    std::map<std::string, std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(root))
        out[e.path().string()] = e.is_regular_file() ? klmTestRead(e.path().string()) : std::string();
    return out;
}

// argv.out of the argument recorder: its folder, then argv[0..].
Args recorded(const std::string& path)
{
    Args parts;
    const std::string bytes = klmTestRead(path);
    size_t start = 0;
    for (size_t end; (end = bytes.find('\0', start)) != std::string::npos; start = end + 1)
        parts.push_back(bytes.substr(start, end - start));
    return parts;
}

// A folder with four games on one hardware: 0 a ROM with a hostile name,
// 1 a three-member zip, 2 no ROM, 3 the key recorder's output file, their
// ROMs found by kolmar-cli audit; and five emulators: 0 the argument
// recorder (unpacking), 1 cp of the ROM (unpacking), 2 cp of emulator.dat,
// 3 the key recorder and 4 the argument recorder, both with a key script.
struct CliLaunch : ::testing::Test {
    KlmTempDir dir;
    KlmTempDir scratch;  // the runs' output files, outside the folder compared
    KlmScopedEnv runtime{"XDG_RUNTIME_DIR", dir.path.string()};
    std::string base = dir.file("base");
    std::string hostileRom = dir.file("roms/my roms; $(rm -rf ~)/-x \"q\" 'a'\nb.bin");
    std::string zipRom = dir.file("roms/set.zip");
    std::string keysFile = dir.file("roms/keys.txt");
    std::string recorderDir = dir.file("emu dir");
    std::string unpackDir = dir.file("unpack here");
    std::string script = dir.file("script.dat");
    Catalogue cat;
    EmulatorRegistry reg;
    Settings settings = klmDefaultSettings();

    void SetUp() override
    {
        for (const char* sub : {"save", "cache"}) fs::create_directories(base + "/" + sub);
        klmTestWrite(hostileRom, "plain rom");
        klmTestWrite(keysFile, "keys:\n");
        for (const char* m : {"first.nes", "second.txt", "third.txt"}) klmTestWrite(dir.file(m), m);
        ASSERT_EQ(klmTestRunProgram({"/usr/bin/zip", "-q", "-j", zipRom, dir.file("first.nes"), dir.file("second.txt"),
                                     dir.file("third.txt")},
                                    scratch)
                      .exitCode,
                  0);
        klmTestWrite(base + "/data.dat", "<dat>\r\n" + gameElement(1, crcOf("plain rom")) +
                                             gameElement(2, crcOf("first.nes")) + gameElement(3, "12345678") +
                                             gameElement(4, crcOf("keys:\n")) + "</dat>\r\n");
        klmTestWrite(base + "/hard.dat", "<dat>\r\n<hard>\r\n<index>1</index>\r\n<name>PC</name>\r\n</hard>\r\n</dat>\r\n");
        klmTestWrite(base + "/soft.dat", "<dat>\r\n<soft>\r\n<index>1</index>\r\n<name>FD</name>\r\n</soft>\r\n</dat>\r\n");
        klmTestWrite(base + "/genre.dat", "<dat>\r\n<genre>\r\n<index>1</index>\r\n<name>RPG</name>\r\n</genre>\r\n</dat>\r\n");
        klmTestWrite(base + "/screen.dat", "<dat>\r\n</dat>\r\n");
        fs::create_directories(unpackDir);
        fs::create_directories(recorderDir);
        fs::copy_file(KOLMAR_ARGV_RECORDER, recorderDir + "/recorder");

        AppPaths paths;
        klmBuildAppPaths(paths, base);
        ASSERT_EQ(klmParseCatalogue(paths, cat), 0);
        klmCopyField(settings.renamePattern, "%n");
        writeSettings();
        RomFolder roms{};
        klmCopyField(roms.path, klmFromUtf8(dir.file("roms")));
        roms.depth = 1;
        roms.selected = 1;
        ASSERT_TRUE(klmSaveRomFolderFile(base + "/save/romfolder.dat", {roms}));
        const KlmTestRun audit = klmRunCli({"audit", base}, scratch);
        ASSERT_EQ(audit.out, "ロムの監査が終了しました。\n監査ロム数 : 3\n該当ロム数 : 3\n") << audit.err;

        klmInitEmulatorRegistry(reg, cat);
        addEmulator(recorderDir + "/recorder", "--rom \"$image\" -- $image 'single' \"a b\"", true);
        addEmulator("/bin/cp", "\"$image\" \"" + dir.file("copied rom") + "\"", true);
        addEmulator("/bin/cp", base + "/save/emulator.dat " + dir.file("seen.dat"), false);
        addEmulator(KOLMAR_KEY_RECORDER, "$image", false, script);
        addEmulator(recorderDir + "/recorder", "$image", false, script);
        ASSERT_TRUE(klmSaveEmulatorFile(base + "/save/emulator.dat", reg, cat));
        klmTestWrite(script, "BEGIN\r\nWAIT 300\r\nALT DOWN\r\nENTER DOWN\r\nENTER UP\r\nALT UP\r\nCOPY $image\r\nEND\r\n");
    }

    void writeSettings() { ASSERT_TRUE(klmWriteSettingFile(base + "/save/setting.dat", settings, cat)); }

    void addEmulator(const std::string& program, const std::string& options, bool extract,
                     const std::string& keyFile = {})
    {
        EmulatorEntry e = klmNewEmulatorEntry(klmFromUtf8(unpackDir));
        klmCopyField(e.name, "emu" + std::to_string(reg.blocks[0].count));
        klmCopyField(e.filePath, klmFromUtf8(program));
        klmCopyField(e.options, klmFromUtf8(options));
        klmCopyField(e.keyFile, klmFromUtf8(keyFile));
        e.extract = extract ? 1 : 0;
        klmAppendEmulator(reg.blocks[0], e);
    }

    KlmTestRun launch(Args args)
    {
        args.insert(args.begin(), {"launch", base});
        return klmRunCli(args, scratch);
    }

    nlohmann::json dryRun(const std::string& game, const std::string& emulator)
    {
        const KlmTestRun r = launch({game, "--emulator", emulator, "--dry-run"});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out.back(), '\n');
        EXPECT_EQ(r.out.find('\n'), r.out.size() - 1) << "one JSON object on one line";
        return nlohmann::json::parse(r.out, nullptr, false);
    }
};

TEST_F(CliLaunch, DryRunPrintsThePlanAndWritesNothing)
{
    const auto before = tree(dir.path);

    // A hostile ROM name reaches the emulator whole, in every argument that names it.
    const nlohmann::json plain = dryRun("0", "0");
    ASSERT_TRUE(plain.is_object());
    std::vector<std::string> keys;
    const auto ordered = nlohmann::ordered_json::parse(launch({"0", "--dry-run"}).out);
    for (auto it = ordered.begin(); it != ordered.end(); ++it) keys.push_back(it.key());
    EXPECT_EQ(keys, (Args{"program", "args", "cwd", "extract", "record", "script"}));
    EXPECT_EQ(plain["program"], recorderDir + "/recorder");
    EXPECT_EQ(plain["args"].get<Args>(), (Args{"--rom", hostileRom, "--", hostileRom, "'single'", "a b"}));
    EXPECT_EQ(plain["cwd"], recorderDir);
    EXPECT_EQ(plain["extract"], nlohmann::json::array());
    EXPECT_EQ(plain["record"], nlohmann::json::array());
    EXPECT_TRUE(plain["script"].is_null());

    // The zip: a fresh folder of the run inside the extraction folder.
    const nlohmann::json zipped = dryRun("1", "0");
    ASSERT_EQ(zipped["extract"].size(), 1u);
    const std::string folder = zipped["extract"][0]["folder"];
    EXPECT_EQ(zipped["extract"][0]["archive"], zipRom);
    EXPECT_EQ(fs::path(folder).parent_path(), unpackDir);
    EXPECT_EQ(fs::path(folder).filename().string().rfind("kolmar-", 0), 0u);
    EXPECT_EQ(zipped["extract"][0]["passed"], folder + "/first.nes");
    EXPECT_EQ(zipped["record"], nlohmann::json::array({folder}));
    EXPECT_EQ(zipped["args"][1], folder + "/first.nes");

    // No ROM: the quoted argument stays, empty; the bare one goes.
    EXPECT_EQ(dryRun("2", "0")["args"].get<Args>(), (Args{"--rom", "", "--", "'single'", "a b"}));
    // Another emulator, its script; a program on no path keeps its folder.
    const nlohmann::json keys3 = dryRun("3", "3");
    EXPECT_EQ(keys3["script"], script);
    EXPECT_EQ(keys3["args"].get<Args>(), (Args{keysFile}));

    EXPECT_EQ(tree(dir.path), before) << "a dry run touched the folder";

    // Refusals: no such game, no such emulator, a bad number.
    const KlmTestRun noGame = launch({"4", "--dry-run"});
    EXPECT_EQ(noGame.exitCode, 2);
    EXPECT_EQ(noGame.err, "ゲーム 4 はカタログにありません (0〜3)\n");
    const KlmTestRun noEmulator = launch({"0", "--emulator", "7", "--dry-run"});
    EXPECT_EQ(noEmulator.exitCode, 1);
    EXPECT_EQ(noEmulator.err, "エミュレータ 7 は登録されていません\n");
    EXPECT_EQ(launch({"0", "--emulator", "30"}).exitCode, 2);
    EXPECT_EQ(launch({"-1"}).exitCode, 2);
    EXPECT_EQ(launch({"zero"}).exitCode, 2);
    EXPECT_EQ(tree(dir.path), before);
}

TEST_F(CliLaunch, RealRunsPassTheArgvAndRemoveWhatWasUnpacked)
{
    const KlmScopedEnv noDisplay("DISPLAY", "");
    // The hostile name, byte for byte, in the emulator's own folder.
    KlmTestRun r = launch({"0"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(recorded(recorderDir + "/argv.out"),
              (Args{recorderDir, recorderDir + "/recorder", "--rom", hostileRom, "--", hostileRom, "'single'", "a b"}));

    // The zip: unpacked before the start (cp copied the member), all three
    // members and the run's folder gone once the emulator ended.
    r = launch({"1", "--emulator", "1"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(klmTestRead(dir.file("copied rom")), "first.nes");
    r = launch({"1"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const Args args = recorded(recorderDir + "/argv.out");
    ASSERT_EQ(args.size(), 8u);
    EXPECT_EQ(fs::path(args[3]).parent_path().parent_path(), unpackDir);
    EXPECT_EQ(fs::path(args[3]).filename(), "first.nes");
    EXPECT_FALSE(fs::exists(args[3]));
    EXPECT_TRUE(fs::is_empty(unpackDir));
    EXPECT_TRUE(fs::exists(zipRom));

    // A program that cannot be started: a message, nothing left behind.
    klmCopyField(reg.blocks[0].entries[0].filePath, klmFromUtf8(dir.file("missing/emu")));
    ASSERT_TRUE(klmSaveEmulatorFile(base + "/save/emulator.dat", reg, cat));
    r = launch({"1"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err.rfind("エラー: エミュレータを起動できませんでした\n", 0), 0u) << r.err;
    EXPECT_TRUE(fs::is_empty(unpackDir));

    // An extraction folder that is gone refuses the launch.
    fs::remove(unpackDir);
    r = launch({"1"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "エラー: 解凍先のフォルダが存在しません\n");
}

TEST_F(CliLaunch, MakeDefaultWritesTheRegistryBeforeTheStartUnlessAWindowRuns)
{
    const KlmScopedEnv noDisplay("DISPLAY", "");
    settings.launchedBecomesDefault = 1;
    writeSettings();
    const std::string datBefore = klmTestRead(base + "/save/emulator.dat");
    ASSERT_NE(datBefore.find("[BEGIN_1_5_0]"), std::string::npos);

    // A window holds the guard: the launch goes on, the file stays.
    {
        const klm::platform::SingleInstance window;
        ASSERT_TRUE(window.acquired());
        const KlmTestRun r = launch({"0", "--emulator", "2"});
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.err, "Kolmar が起動しているため、デフォルトエミュレータの変更は保存しませんでした\n");
        EXPECT_EQ(klmTestRead(dir.file("seen.dat")), datBefore);
    }
    // The emulator (cp) saw the new default already in the file.
    const KlmTestRun r = launch({"0", "--emulator", "2"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(klmTestRead(dir.file("seen.dat")).find("[BEGIN_1_5_2]"), std::string::npos);
    EXPECT_EQ(klmTestRead(dir.file("seen.dat")), klmTestRead(base + "/save/emulator.dat"));
}

TEST_F(CliLaunch, KeyScriptsReachTheEmulatorWhenTheDisplayHasXTest)
{
    // Without XTest the game still runs; the script is skipped, once said.
    {
        TestXServer bare({"-extension", "XTEST"});
        ASSERT_TRUE(bare.running());
        const KlmScopedEnv display("DISPLAY", bare.name());
        const KlmTestRun r = launch({"0", "--emulator", "4"});
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.err, std::string(kKlmNoKeySenderText) + "\n");
        EXPECT_EQ(recorded(recorderDir + "/argv.out").back(), hostileRom);
    }

    TestXServer server;
    ASSERT_TRUE(server.running());
    const KlmScopedEnv display("DISPLAY", server.name());
    // The recorder never ends by itself: it is closed once the keys arrived.
    KlmTestRun r;
    std::thread cli([&] { r = launch({"3", "--emulator", "3"}); });
    const bool typed = klmTestWaitFor([&] { return klmTestRead(keysFile).find("release Alt_L") != std::string::npos; },
                                      20000);
    klm::platform::WindowWatch watch(::getpid(), server.name());
    unsigned long window = 0;
    klmTestWaitFor([&] { return (window = watch.findWindow()) != 0; }, 5000);
    EXPECT_TRUE(watch.requestClose(window));
    cli.join();
    ASSERT_TRUE(typed) << klmTestRead(keysFile);
    EXPECT_EQ(r.exitCode, 0);
    // No clipboard on the command line: COPY is skipped with a note.
    EXPECT_EQ(r.err, "COPY $image: kolmar-cli はクリップボードを使わないため、コピーしませんでした\n");

    std::vector<std::string> events;
    std::istringstream lines(klmTestRead(keysFile).substr(6));
    std::string kind, key;
    long long ms;
    while (lines >> kind >> key >> ms) events.push_back(kind + " " + key);
    EXPECT_EQ(events, (std::vector<std::string>{"press Alt_L", "press Return", "release Return", "release Alt_L"}));
}

}  // namespace
