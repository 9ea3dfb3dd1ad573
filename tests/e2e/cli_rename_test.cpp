// kolmar-cli rename end to end, after kolmar-cli audit, on a ROM folder of
// real files: plain ROMs, a zip made by Info-ZIP and a 7z made by 7-Zip
// with Japanese names, a target name taken by another file and a ROM
// deleted after the audit. Checked: what a dry run says and that it changes
// nothing, the --json objects, --selected in its order, the refusal beside
// a window, and that the saved dat.cache describes the files on disk.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "audit/crc.h"
#include "audit/ownership.h"
#include "audit/romfolder.h"
#include "browse/sort.h"
#include "catalogue/app_paths.h"
#include "catalogue/cache.h"
#include "e2e_util.h"
#include "rename_fixture.h"
#include "settings/setting_file.h"
#include "single_instance.h"

namespace fs = std::filesystem;

namespace {

std::string gameElement(std::string_view number, std::string_view title, std::string_view crc)
{
    return "<game>\r\n<number>" + std::string(number) + "</number>\r\n<title>" + std::string(title) +
           "</title>\r\n<hard>1</hard>\r\n<soft>1</soft>\r\n<genre>1</genre>\r\n<crc32>" + std::string(crc) +
           "</crc32>\r\n</game>\r\n";
}

// Game indices of the folder below.
enum : int { kAlpha, kBeta, kGamma, kDelta, kEpsilon, kGames };

// A base folder with five games and their ROMs in roms/, audited by the
// real kolmar-cli; Epsilon's ROM is deleted after the audit.
struct AuditedFolder {
    KlmTempDir dir;
    KlmScopedEnv runtime{"XDG_RUNTIME_DIR", dir.path.string()};  // a private single-instance guard
    std::string base = dir.file("base");
    std::string roms = dir.file("roms");
    AppPaths paths;

    void make(const std::string& pattern = "%n")
    {
        for (const char* sub : {"save", "cache"}) fs::create_directories(base + "/" + sub);
        klmTestWrite(roms + "/alpha-old.bin", klmTestRomBytes(20000, 1));
        ASSERT_TRUE(klmTestPack(KlmTestPacker::InfoZip, roms + "/beta.zip", {{"beta.bin", klmTestRomBytes(30000, 2)}}));
        ASSERT_TRUE(klmTestPack(KlmTestPacker::SevenZip7z, roms + "/gamma.7z",
                                {{"gamma.bin", klmTestRomBytes(40000, 3)}}));
        klmTestWrite(roms + "/delta.bin", klmTestRomBytes(5000, 4));
        klmTestWrite(roms + "/Delta.bin", "another file holds Delta's name");
        klmTestWrite(roms + "/eps.bin", klmTestRomBytes(6000, 5));
        const char* files[kGames] = {"/alpha-old.bin", "/beta.zip", "/gamma.7z", "/delta.bin", "/eps.bin"};
        const char* titles[kGames] = {"Alpha", "ベータ", "ガンマ", "Delta", "Epsilon"};
        std::string data = "<dat>\r\n";
        for (int i = 0; i < kGames; ++i)
            data += gameElement("000" + std::to_string(i + 1), titles[i], klmRomCrcText(roms + files[i]).crc);
        klmTestWrite(base + "/data.dat", klmFromUtf8(data + "</dat>\r\n"));
        klmTestWrite(base + "/hard.dat", "<dat>\r\n<hard>\r\n<index>1</index>\r\n<name>PC</name>\r\n</hard>\r\n</dat>\r\n");
        klmTestWrite(base + "/soft.dat", "<dat>\r\n<soft>\r\n<index>1</index>\r\n<name>FD</name>\r\n</soft>\r\n</dat>\r\n");
        klmTestWrite(base + "/genre.dat", "<dat>\r\n<genre>\r\n<index>1</index>\r\n<name>RPG</name>\r\n</genre>\r\n</dat>\r\n");
        klmTestWrite(base + "/screen.dat", "<dat>\r\n</dat>\r\n");
        RomFolder folder{};
        klmCopyField(folder.path, klmFromUtf8(roms));
        folder.selected = 1;
        ASSERT_TRUE(klmSaveRomFolderFile(base + "/save/romfolder.dat", {folder}));
        writePattern(pattern);

        const KlmTestRun audit = klmRunCli({"audit", base}, dir);
        ASSERT_EQ(audit.exitCode, 0) << audit.err;
        fs::remove(roms + "/eps.bin");
    }

    void writePattern(const std::string& pattern)
    {
        klmBuildAppPaths(paths, base);
        Catalogue cat;
        ASSERT_EQ(klmParseCatalogue(paths, cat), 0);
        Settings s = klmDefaultSettings();
        klmCopyField(s.renamePattern, pattern);
        ASSERT_TRUE(klmWriteSettingFile(base + "/save/setting.dat", s, cat));
    }

    KlmTestRun cli(std::vector<std::string> args)
    {
        args.insert(args.begin(), {"rename", base});
        return klmRunCli(args, dir);
    }

    // The catalogue as the next start-up loads it: from dat.cache.
    Catalogue startUp()
    {
        klmBuildAppPaths(paths, base);
        Catalogue cat;
        KlmLoadSource source = KlmLoadSource::Parsed;
        EXPECT_EQ(klmLoadCatalogue(paths, cat, nullptr, &source, false), 0);
        EXPECT_EQ(source, KlmLoadSource::Cache);
        return cat;
    }

    std::string caches() const
    {
        return klmTestRead(base + "/cache/dat.cache") + klmTestRead(base + "/cache/sort.cache") +
               klmTestRead(base + "/cache/fdate.cache");
    }
};

std::string game(const Catalogue& cat, int i, bool found = true)
{
    const GameRecord& g = cat.games.at(size_t(i));
    return klmToUtf8(found ? klmField(g.foundPath) : klmField(g.memberName));
}

TEST(KolmarCliRename, DryRunSaysWhatWouldHappenAndChangesNothing)
{
    AuditedFolder f;
    f.make();
    if (HasFatalFailure()) return;
    const KlmTestFolderState disk = klmTestFolderState(f.roms);
    const std::string caches = f.caches();

    const KlmTestRun dry = f.cli({"--dry-run"});
    if (dry.err.find("不明なコマンド") != std::string::npos)
        FAIL() << "kolmar-cli has no rename command: its dispatcher table must list klmCliRename";
    ASSERT_EQ(dry.exitCode, 0) << dry.err;
    const std::string& r = f.roms;
    EXPECT_EQ(dry.out, r + "/alpha-old.bin -> " + r + "/Alpha.bin\n" +     //
                           r + "/beta.zip -> " + r + "/ベータ.zip\n" +       //
                           r + "/gamma.7z -> " + r + "/ガンマ.7z\n" +        //
                           r + "/delta.bin: 変更なし (the new name is taken)\n" + //
                           r + "/eps.bin: 所有でなくなる\n" +               //
                           "リネーム 3件、変更なし 1件、所有でなくなった 1件\n");
    EXPECT_NE(dry.err.find("--dry-run"), std::string::npos) << dry.err;

    // --json: one object per game, the keys in their order.
    const KlmTestRun json = f.cli({"--dry-run", "--json"});
    ASSERT_EQ(json.exitCode, 0) << json.err;
    const std::vector<nlohmann::json> rows = klmJsonLines(json.out);
    ASSERT_EQ(rows.size(), size_t(kGames)) << json.out;
    EXPECT_NE(json.out.find("{\"index\":2,\"from\":\"" + r + "/gamma.7z\",\"to\":\"" + r +
                            "/ガンマ.7z\",\"status\":1,\"member\":\"ガンマ\"}\n"),
              std::string::npos)
        << json.out;
    EXPECT_EQ(rows[kDelta]["to"], nullptr);
    EXPECT_EQ(rows[kDelta]["status"], 2);
    EXPECT_EQ(rows[kDelta]["member"], "");
    EXPECT_EQ(rows[kEpsilon]["to"], nullptr);
    EXPECT_EQ(rows[kEpsilon]["status"], 0);
    EXPECT_EQ(rows[kEpsilon]["member"], "");
    EXPECT_EQ(json.err.substr(0, json.err.find('\n')), "リネーム 3件、変更なし 1件、所有でなくなった 1件");

    // Nothing on disk and no cache was touched.
    const KlmTestFolderState after = klmTestFolderState(f.roms);
    EXPECT_EQ(after.counted, disk.counted);
    EXPECT_EQ(after.contents, disk.contents);
    EXPECT_TRUE(after.workFolders.empty());
    EXPECT_EQ(f.caches(), caches);
}

TEST(KolmarCliRename, RenamesSelectedThenAllAndSavesWhatIsOnDisk)
{
    AuditedFolder f;
    f.make();
    if (HasFatalFailure()) return;
    const KlmTestFolderState disk = klmTestFolderState(f.roms);
    const std::string& r = f.roms;

    // A window holds the guard: refused, nothing changed.
    {
        const std::string caches = f.caches();
        const klm::platform::SingleInstance window;
        ASSERT_TRUE(window.acquired());
        const KlmTestRun busy = f.cli({});
        EXPECT_EQ(busy.exitCode, 2);
        EXPECT_NE(busy.err.find("Kolmar が起動しているため"), std::string::npos) << busy.err;
        EXPECT_EQ(f.caches(), caches);
        EXPECT_EQ(klmTestFolderState(r).counted, disk.counted);
    }

    // Wrong indices are refused before anything is renamed.
    for (const std::vector<std::string>& bad : {std::vector<std::string>{"--selected", "9"},
                                                {"--selected", "-1"},
                                                {"--selected", "x"},
                                                {"--selected"},
                                                {"--frobnicate"}}) {
        const KlmTestRun refused = f.cli(bad);
        EXPECT_EQ(refused.exitCode, 2) << bad[0];
        EXPECT_EQ(refused.out, "");
    }
    EXPECT_EQ(klmTestFolderState(r).counted, disk.counted);

    // --selected: those games in the order given, and no other.
    const KlmTestRun some = f.cli({"--selected", "2,0", "--json"});
    ASSERT_EQ(some.exitCode, 0) << some.err;
    const std::vector<nlohmann::json> rows = klmJsonLines(some.out);
    ASSERT_EQ(rows.size(), 2u) << some.out;
    EXPECT_EQ(rows[0]["index"], kGamma);
    EXPECT_EQ(rows[0]["to"], r + "/ガンマ.7z");
    EXPECT_EQ(rows[1]["index"], kAlpha);
    EXPECT_EQ(rows[1]["from"], r + "/alpha-old.bin");
    EXPECT_EQ(rows[1]["status"], 1);
    EXPECT_EQ(some.err, "リネーム 2件、変更なし 0件、所有でなくなった 0件\n");
    Catalogue cat = f.startUp();
    EXPECT_EQ(game(cat, kGamma), r + "/ガンマ.7z");
    EXPECT_EQ(game(cat, kGamma, false), "ガンマ");
    EXPECT_EQ(cat.games[kBeta].ownership, kKlmOwnedNotRenamed);
    EXPECT_EQ(game(cat, kBeta), r + "/beta.zip");

    // The rest: Beta rebuilt, Delta's name taken, Epsilon gone.
    const KlmTestRun all = f.cli({});
    ASSERT_EQ(all.exitCode, 0) << all.err;
    EXPECT_EQ(all.out, "リネーム 1件、変更なし 1件、所有でなくなった 1件\n");
    EXPECT_NE(all.err.find(r + "/delta.bin: 変更なし"), std::string::npos) << all.err;
    EXPECT_NE(all.err.find(r + "/eps.bin: 所有でなくなった"), std::string::npos) << all.err;

    cat = f.startUp();
    for (const GameRecord& g : cat.games) EXPECT_EQ(klmTestRecordMismatch(g, true), "") << klmToUtf8(klmField(g.title));
    EXPECT_EQ(game(cat, kBeta), r + "/ベータ.zip");
    EXPECT_EQ(game(cat, kBeta, false), "ベータ");
    EXPECT_EQ(cat.games[kAlpha].ownership, kKlmOwned);
    EXPECT_EQ(cat.games[kDelta].ownership, kKlmOwnedNotRenamed);
    EXPECT_EQ(cat.games[kEpsilon].ownership, kKlmNotOwned);
    SortOrders orders;
    EXPECT_EQ(klmBuildSortOrders(orders, cat, f.paths), KlmSortSource::Cache);
    const KlmTestFolderState after = klmTestFolderState(r);
    EXPECT_TRUE(klmTestKeepsAll(disk.contents, after.contents));
    EXPECT_TRUE(after.workFolders.empty());
    EXPECT_EQ(after.counted.size(), disk.counted.size());

    // Delta is tried again while its name is taken, and renamed once it is
    // free; then nothing is left to do, which is said but is no error.
    const KlmTestRun taken = f.cli({});
    EXPECT_EQ(taken.out, "リネーム 0件、変更なし 1件、所有でなくなった 0件\n");
    fs::rename(r + "/Delta.bin", r + "/other.bin");
    const KlmTestRun freed = f.cli({});
    EXPECT_EQ(freed.out, "リネーム 1件、変更なし 0件、所有でなくなった 0件\n");
    EXPECT_EQ(f.startUp().games[kDelta].ownership, kKlmOwned);
    const KlmTestRun again = f.cli({});
    EXPECT_EQ(again.exitCode, 0);
    EXPECT_EQ(again.err, "リネームは不要です\n");
    EXPECT_EQ(again.out, "リネーム 0件、変更なし 0件、所有でなくなった 0件\n");
}

TEST(KolmarCliRename, WithoutAPatternNothingRuns)
{
    AuditedFolder f;
    f.make();
    if (HasFatalFailure()) return;
    f.writePattern("");
    const std::string caches = f.caches();
    const KlmTestRun run = f.cli({});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "リネーム用文字列が設定されていません\n");
    EXPECT_EQ(run.out, "");
    EXPECT_TRUE(fs::exists(f.roms + "/alpha-old.bin"));
    EXPECT_EQ(f.caches(), caches);
}

}  // namespace
