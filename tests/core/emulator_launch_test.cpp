// Launch plans: the mode, the argument vector for hostile names, the group
// scan of disc sets, extraction into fresh folders and its removal.
#include "emulator/extraction.h"
#include "emulator/launch.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Args = std::vector<std::string>;

MasterEntry hard(int32_t position, int32_t key, std::string_view utf8Name)
{
    MasterEntry e{};
    e.position = position;
    e.key = key;
    klmCopyField(e.name, sj(utf8Name));
    return e;
}

// Makes a zip of the files (in order, folders dropped) with the zip tool.
void zipFiles(const KlmTempDir& scratch, const std::string& archive, const std::vector<std::string>& files)
{
    std::vector<std::string> args = {"/usr/bin/zip", "-q", "-j", archive};
    args.insert(args.end(), files.begin(), files.end());
    ASSERT_EQ(klmTestRunProgram(args, scratch).exitCode, 0);
}

struct Launch : ::testing::Test {
    KlmTempDir dir, scratch;
    Catalogue cat;
    EmulatorRegistry reg;
    Settings settings;
    std::string emu, extractDir;

    void SetUp() override
    {
        cat.hardware = {hard(0, 5, "ファミコン"), hard(1, 9, "PCエンジン")};
        klmInitEmulatorRegistry(reg, cat);
        emu = dir.file("emulators/my emu/run");
        extractDir = dir.file("extract");
        klmTestWrite(emu, "#!/bin/sh\n");
        fs::create_directories(extractDir);
    }

    // A ROM file with these bytes at dir/roms/<name>.
    std::string rom(const std::string& name, std::string_view bytes = "ROM")
    {
        const std::string path = dir.file("roms/" + name);
        klmTestWrite(path, bytes);
        return path;
    }

    int32_t game(const std::string& found, int32_t group = 0, int32_t disk = 0, int32_t hardware = 0,
                 std::string_view arcade = "")
    {
        GameRecord g{};
        g.hardware = hardware;
        g.group = group;
        g.disk = disk;
        klmCopyField(g.foundPath, sj(found));
        klmCopyField(g.arcadeFile, arcade);
        cat.games.push_back(g);
        return klmGameCount(cat) - 1;
    }

    EmulatorEntry& emulator(std::string_view options, bool extract = false, int32_t hardware = 0)
    {
        EmulatorEntry e = klmNewEmulatorEntry(sj(extractDir));
        klmCopyField(e.name, "emu");
        klmCopyField(e.filePath, sj(emu));
        klmCopyField(e.options, sj(options));
        e.extract = extract ? 1 : 0;
        EmulatorBlock& b = *klmEmulatorBlock(reg, hardware);
        EXPECT_TRUE(klmAppendEmulator(b, e));
        return b.entries[size_t(b.count - 1)];
    }

    KlmLaunchPlan plan(int32_t g, int32_t index = -1)
    {
        return klmPlanLaunch(cat, reg, settings, KlmLaunchRequest{g, index, "t"});
    }

    std::string runFolder(int n) const { return extractDir + "/kolmar-t-" + std::to_string(n); }
};

TEST_F(Launch, HostileFileNamesArriveAsExactlyOneArgument)
{
    const std::string names[] = {
        "a game (v1.1).nes", "it's \"quoted\".nes", "a;b&c|d.nes", "$(rm -rf ~).nes", "`id` $HOME.nes",
        "line\nbreak.nes", "-rf", "--help.nes", "ソフト表示\\.nes", "tab\there *.nes", "$disk2 $image.nes",
    };
    emulator("-force_module nes --loadrom=$image \"$image\" $image");
    for (const std::string& name : names) {
        const std::string path = rom(name);
        const KlmLaunchPlan p = plan(game(path));
        ASSERT_EQ(p.status, KlmLaunchStatus::Ready) << name;
        EXPECT_EQ(p.program, emu);
        EXPECT_EQ(p.workingFolder, dir.file("emulators/my emu"));
        EXPECT_EQ(p.args, (Args{"-force_module", "nes", "--loadrom=" + path, path, path})) << name;
    }
}

TEST_F(Launch, HostileArcadeNamesArePassedUnchanged)
{
    emulator("-a $arcade $disk1");
    const KlmLaunchPlan p = plan(game("", 0, 0, 0, "-x;$(rm -rf ~)"));
    EXPECT_EQ(p.mode, KlmLaunchMode::Arcade);
    EXPECT_EQ(p.args, (Args{"-a", "-x;$(rm -rf ~)", "$disk1"}));
    EXPECT_EQ(p.firstRomText, "-x;$(rm -rf ~)");  // no quotes around an arcade name
}

TEST_F(Launch, ModesAndPlaceholders)
{
    const std::string a = rom("a.nes");
    struct Case {
        std::string options;
        KlmLaunchMode mode;
        Args args;
    } cases[] = {
        {"$image $image", KlmLaunchMode::Image, {a, a}},
        {"$image $disk1", KlmLaunchMode::Image, {a, "$disk1"}},  // only the mode's placeholder
        {"$arcade $image", KlmLaunchMode::Image, {"$arcade", a}},
        {"", KlmLaunchMode::Disc, {}},
        {"-fullscreen", KlmLaunchMode::Disc, {"-fullscreen"}},
        {"$disk1", KlmLaunchMode::Disc, {a}},
    };
    const int32_t g = game(a, 3, 0);
    for (const Case& c : cases) {
        reg.blocks[0] = EmulatorBlock{};
        emulator(c.options);
        const KlmLaunchPlan p = plan(g);
        EXPECT_EQ(p.mode, c.mode) << c.options;
        EXPECT_EQ(p.args, c.args) << c.options;
    }
}

TEST_F(Launch, NothingToLaunchAndNoEmulator)
{
    const int32_t g = game(rom("a.nes"));
    EXPECT_EQ(plan(-1).status, KlmLaunchStatus::NoGame);
    KlmLaunchPlan p = plan(g);
    EXPECT_EQ(p.status, KlmLaunchStatus::NoEmulator);
    EXPECT_EQ(p.message, "ファミコンのエミュレータが登録されていません");
    EXPECT_EQ(p.title, "警告");
    EXPECT_FALSE(p.warningIcon);

    emulator("$image");
    EXPECT_EQ(plan(g, 1).status, KlmLaunchStatus::NoGame);  // no such menu entry
    EXPECT_EQ(plan(g, 0).status, KlmLaunchStatus::Ready);
}

TEST_F(Launch, MissingRomStartsTheEmulatorWithoutIt)
{
    emulator("-x $image -y \"$image\"").quote = 1;
    for (const std::string& found : {std::string(), dir.file("roms/gone.nes"), dir.file("roms")}) {
        const KlmLaunchPlan p = plan(game(found));
        EXPECT_EQ(p.status, KlmLaunchStatus::Ready);
        EXPECT_EQ(p.args, (Args{"-x", "-y", ""})) << found;
        EXPECT_EQ(p.firstRomText, "");
    }
}

TEST_F(Launch, QuoteAndShortPathChangeNoArgument)
{
    const std::string a = rom("a b.nes");
    EmulatorEntry& e = emulator("$image");
    e.quote = 1;
    e.shortPath = 1;
    const KlmLaunchPlan p = plan(game(a));
    EXPECT_EQ(p.args, (Args{a}));
    EXPECT_EQ(p.firstRomText, "\"" + a + "\"");  // what COPY $image copies keeps the quotes
    e.quote = 0;
    EXPECT_EQ(plan(0).firstRomText, a);
}

TEST_F(Launch, KeyScriptOnlyWhenTheFileExists)
{
    EmulatorEntry& e = emulator("$image");
    const int32_t g = game(rom("a.nes"));
    klmCopyField(e.keyFile, sj(dir.file("keys.dat")));
    EXPECT_EQ(plan(g).keyScript, "");
    klmTestWrite(dir.file("keys.dat"), "END\r\n");
    EXPECT_EQ(plan(g).keyScript, dir.file("keys.dat"));
}

TEST_F(Launch, TwoDiscSetFromEitherDisc)
{
    emulator("-cd $disk1 $disk2");
    const std::string d0 = rom("disc0.cue"), d1 = rom("disc1.cue");
    game(rom("other.nes"), 11, 0);
    const int32_t second = game(d1, 12, 1);
    const int32_t first = game(d0, 12, 0);
    game("", 12, 0);  // a later first disc without a ROM does not win
    for (int32_t g : {first, second}) {
        const KlmLaunchPlan p = plan(g);
        EXPECT_EQ(p.mode, KlmLaunchMode::Disc);
        EXPECT_EQ(p.args, (Args{"-cd", d0, d1}));
        EXPECT_EQ(p.firstRomText, "\"" + d0 + "\"");
    }
    // With two first discs that exist, the last in catalogue order wins.
    const std::string d0b = rom("disc0b.cue");
    game(d0b, 12, 0);
    EXPECT_EQ(plan(first).args, (Args{"-cd", d0b, d1}));
}

TEST_F(Launch, ExtractFlagUnpacksOnlyExactZipAnd7z)
{
    const std::string src = rom("game.nes", "NESDATA");
    const std::string upper = dir.file("roms/GAME.ZIP");
    zipFiles(scratch, upper, {src});
    const std::string lower = dir.file("roms/game.zip");
    zipFiles(scratch, lower, {src});
    emulator("$image", true);

    KlmLaunchPlan p = plan(game(upper));
    EXPECT_EQ(p.args, (Args{upper}));  // ".ZIP" is passed as it is
    EXPECT_TRUE(p.extract.empty());

    p = plan(game(lower));
    ASSERT_EQ(p.status, KlmLaunchStatus::Ready);
    ASSERT_EQ(p.extract.size(), 1u);
    EXPECT_EQ(p.extract[0].archive, lower);
    EXPECT_EQ(p.extract[0].folder, runFolder(1));
    EXPECT_EQ(p.args, (Args{runFolder(1) + "/game.nes"}));
    EXPECT_FALSE(fs::exists(runFolder(1)));  // planning touches nothing
}

TEST_F(Launch, ThreeMemberZipIsUnpackedIntoAFreshFolderAndRemovedWhole)
{
    const std::string a = rom("a.nes", "A"), b = rom("b.txt", "B"), c = rom("c.txt", "C");
    const std::string archive = dir.file("roms/set.zip");
    zipFiles(scratch, archive, {a, b, c});
    // A file of the user's with the member's name stays untouched.
    klmTestWrite(extractDir + "/a.nes", "USER");
    emulator("$image", true);
    const KlmLaunchPlan p = plan(game(archive));
    ASSERT_EQ(p.status, KlmLaunchStatus::Ready);

    ExtractedFileList list;
    KlmExtractOutcome o = klmExtractForLaunch(p, list);
    ASSERT_TRUE(o.ok) << o.message;
    EXPECT_EQ(klmTestRead(p.args[0]), "A");
    EXPECT_EQ(list.files.size(), 3u);
    EXPECT_EQ(list.folders, (Args{runFolder(1)}));

    EXPECT_EQ(klmDeleteExtractedFiles(list), 0u);
    EXPECT_FALSE(fs::exists(runFolder(1)));
    EXPECT_EQ(klmTestRead(extractDir + "/a.nes"), "USER");
    EXPECT_TRUE(list.files.empty());
}

TEST_F(Launch, MembersInFoldersAndFilesTheEmulatorLeftBehind)
{
    fs::create_directories(dir.file("src/sub"));
    klmTestWrite(dir.file("src/sub/game.bin"), "BIN");
    const std::string archive = dir.file("roms/deep.zip");
    ASSERT_EQ(klmTestRunProgram({"/usr/bin/7zz", "a", "-tzip", "-bso0", archive, dir.file("src/sub")}, scratch)
                  .exitCode,
              0);
    emulator("$image", true);
    KlmLaunchPlan p = plan(game(archive));
    ASSERT_EQ(p.args, (Args{runFolder(1) + "/sub/game.bin"}));
    ExtractedFileList list;
    ASSERT_TRUE(klmExtractForLaunch(p, list).ok);
    EXPECT_EQ(klmTestRead(p.args[0]), "BIN");
    // An emulator that saved beside its ROM keeps what it saved.
    klmTestWrite(runFolder(1) + "/sub/game.sav", "SAVE");
    EXPECT_EQ(klmDeleteExtractedFiles(list), 1u);
    EXPECT_FALSE(fs::exists(runFolder(1) + "/sub/game.bin"));
    EXPECT_EQ(klmTestRead(runFolder(1) + "/sub/game.sav"), "SAVE");
}

TEST_F(Launch, ThirdDiscIsUnpackedButNotPassed)
{
    std::vector<std::string> zips;
    for (int d = 0; d < 3; ++d) {
        const std::string member = rom("disc" + std::to_string(d) + ".iso", "D" + std::to_string(d));
        zips.push_back(dir.file("roms/disc" + std::to_string(d) + ".7z"));
        ASSERT_EQ(klmTestRunProgram({"/usr/bin/7zz", "a", "-t7z", "-bso0", zips.back(), member}, scratch).exitCode, 0);
    }
    emulator("$disk1 $disk2", true);
    game(zips[2], 12, 2);
    const int32_t g = game(zips[1], 12, 1);
    game(zips[0], 12, 0);
    const KlmLaunchPlan p = plan(g);
    ASSERT_EQ(p.status, KlmLaunchStatus::Ready) << p.message;
    ASSERT_EQ(p.extract.size(), 3u);
    // Catalogue order numbers the folders: disc 2 first.
    EXPECT_EQ(p.extract[0].archive, zips[2]);
    EXPECT_EQ(p.args, (Args{runFolder(3) + "/disc0.iso", runFolder(2) + "/disc1.iso"}));

    ExtractedFileList list;
    ASSERT_TRUE(klmExtractForLaunch(p, list).ok);
    EXPECT_EQ(klmTestRead(runFolder(1) + "/disc2.iso"), "D2");
    EXPECT_EQ(list.files.size(), 3u);
    EXPECT_EQ(klmDeleteExtractedFiles(list), 0u);
    EXPECT_TRUE(fs::is_empty(extractDir));

    // Empty options: nothing is passed, and the set is still unpacked.
    klmCopyField(reg.blocks[0].entries[0].options, "");
    const KlmLaunchPlan bare = plan(g);
    EXPECT_TRUE(bare.args.empty());
    EXPECT_EQ(bare.extract.size(), 3u);
}

TEST_F(Launch, ExtractionFailuresRefuseTheLaunchAndLeaveNothing)
{
    const std::string good = dir.file("roms/good.zip");
    zipFiles(scratch, good, {rom("good.nes", "G")});
    const std::string broken = rom("broken.zip", "PK\x03\x04 this is no archive");
    emulator("$disk1 $disk2", true);
    game(good, 4, 0);
    const int32_t g = game(broken, 4, 1);

    // An archive whose first member cannot be read is refused at planning.
    KlmLaunchPlan p = plan(g);
    EXPECT_EQ(p.status, KlmLaunchStatus::Refused);
    EXPECT_EQ(p.message, "ロムファイルの解凍に失敗しました\n" + broken);
    EXPECT_EQ(p.title, "エラー");
    EXPECT_TRUE(p.warningIcon);

    // Failures while carrying the plan out, at each step: the run folder is
    // already there; the archive went bad after planning (the first one's
    // files are taken back).
    cat.games[size_t(g)].disk = 2;
    zipFiles(scratch, dir.file("roms/second.zip"), {rom("second.nes", "S")});
    cat.games.push_back(cat.games[0]);
    klmCopyField(cat.games.back().foundPath, sj(dir.file("roms/second.zip")));
    cat.games.back().disk = 1;
    cat.games[size_t(g)].group = 99;
    p = plan(0);
    ASSERT_EQ(p.status, KlmLaunchStatus::Ready) << p.message;
    ASSERT_EQ(p.extract.size(), 2u);

    ExtractedFileList list;
    fs::create_directories(p.extract[0].folder);
    KlmExtractOutcome o = klmExtractForLaunch(p, list);
    EXPECT_FALSE(o.ok);
    EXPECT_EQ(o.title, "エラー");
    EXPECT_TRUE(fs::is_empty(p.extract[0].folder));
    fs::remove(p.extract[0].folder);

    klmTestWrite(p.extract[1].archive, "garbage now");
    o = klmExtractForLaunch(p, list);
    EXPECT_FALSE(o.ok);
    EXPECT_NE(o.message.find(p.extract[1].archive), std::string::npos);
    EXPECT_TRUE(list.files.empty());
    EXPECT_TRUE(fs::is_empty(extractDir)) << "the first archive's files are taken back";

    // Extraction folder gone since registration.
    fs::remove_all(extractDir);
    p = plan(0);
    EXPECT_EQ(p.status, KlmLaunchStatus::Refused);
    EXPECT_EQ(p.message, "解凍先のフォルダが存在しません");
}

TEST_F(Launch, MakeDefaultRewritesTheRegistry)
{
    for (int i = 0; i < 3; ++i)
        emulator("$image");
    const int32_t g = game(rom("a.nes"));
    KlmLaunchPlan p = plan(g, 2);
    EXPECT_FALSE(p.makeDefault);
    settings.launchedBecomesDefault = 1;
    p = plan(g, 2);
    EXPECT_TRUE(p.makeDefault);
    EXPECT_EQ(p.emulatorIndex, 2);
    const std::string dat = dir.file("emulator.dat");
    std::string err;
    ASSERT_TRUE(klmCommitLaunchDefault(reg, cat, p, dat, &err)) << err;
    EXPECT_EQ(reg.blocks[0].defaultIndex, 2);
    EXPECT_NE(klmTestRead(dat).find("[BEGIN_5_3_2]\r\n"), std::string::npos);
    // A default launch names the index it used.
    EXPECT_EQ(plan(g).emulatorIndex, 2);
    // A file that cannot be written is reported.
    EXPECT_FALSE(klmCommitLaunchDefault(reg, cat, p, dir.file("no/such/emulator.dat"), &err));
}

}  // namespace
