// The rename run as the window and kolmar-cli drive it: the start boxes and
// their order, the work list, progress, cancel, a job done on another
// thread, dry runs and the command-line report; the new-path rule, moves
// that never replace, work folders; the documented cases on real files.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <future>

#include "audit/archiver.h"
#include "audit/crc.h"
#include "rename/file_moves.h"
#include "rename/rename_run.h"
#include "rename_fixture.h"

namespace fs = std::filesystem;

namespace {

// A ROM folder with plain games game0.bin … and their owned records.
struct PlainGames {
    KlmTempDir dir;
    std::string roms = dir.file("roms");
    Catalogue cat;
    Settings settings = klmTestRenameSettings();

    explicit PlainGames(int count)
    {
        for (int i = 0; i < count; ++i) {
            const std::string path = roms + "/game" + std::to_string(i) + ".bin";
            klmTestWrite(path, klmTestRomBytes(1000, uint32_t(i + 100)));
            cat.games.push_back(klmTestOwnedGame(path, "名前" + std::to_string(i)));
        }
    }
    std::string renamed(int i) const { return roms + "/名前" + std::to_string(i) + ".bin"; }
    std::string found(int i) const { return klmToUtf8(klmField(cat.games[size_t(i)].foundPath)); }
};

std::string listing7zz(const std::string& archive)
{
    KlmTempDir scratch;
    const KlmTestRun r = klmTestRunProgram({"/usr/bin/7zz", "l", "-slt", "-sccUTF-8", archive}, scratch);
    return r.out;
}

TEST(RenameRun, StartBoxesComeInTheirOrder)
{
    PlainGames g(2);
    g.cat.games[1].ownership = kKlmOwned;
    Settings noPattern = g.settings;
    klmCopyField(noPattern.renamePattern, "");
    struct Case {
        std::vector<int32_t> rows;
        const Settings* settings;
        std::vector<std::string> boxes;
    };
    const std::vector<Case> cases = {
        {{0, 1}, &g.settings, {}},
        {{1}, &g.settings, {"リネームは不要です"}},
        {{}, &g.settings, {"リネームは不要です"}},
        {{0}, &noPattern, {"リネーム用文字列が設定されていません"}},
        {{1}, &noPattern, {"リネームは不要です", "リネーム用文字列が設定されていません"}},
    };
    for (const Case& c : cases) {
        KlmRenameRun run;
        const KlmRenameStartMessages got = klmRenameStart(run, g.cat, *c.settings, c.rows);
        EXPECT_EQ(std::vector<std::string>(got.begin(), got.end()), c.boxes);
        EXPECT_EQ(run.phase, c.boxes.empty() ? KlmRenamePhase::Running : KlmRenamePhase::Finished);
    }
    EXPECT_FALSE(fs::exists(g.renamed(0)));  // starting renames nothing
}

TEST(RenameRun, WorkListKeepsRowOrderAndOnlyGamesNotRenamed)
{
    PlainGames g(4);
    g.cat.games[1].ownership = kKlmOwned;
    g.cat.games[2].ownership = kKlmNotOwned;
    EXPECT_EQ(klmRenameWorkList(g.cat, {3, 1, 0, 99, -1, 2}), (std::vector<int32_t>{3, 0}));
    EXPECT_EQ(klmRenameWorkList(g.cat, klmRenameAllCandidates(g.cat)), (std::vector<int32_t>{0, 3}));
    // A game named twice is renamed once: its second turn would find its
    // new name taken by itself.
    EXPECT_EQ(klmRenameWorkList(g.cat, {3, 0, 3, 0}), (std::vector<int32_t>{3, 0}));
}

TEST(RenameRun, CandidatesOfEachCommand)
{
    PlainGames g(4);
    ViewList view;
    klmAllocateViewList(view, g.cat);
    view.rows = {2, 0, 3, 1};
    view.count = 3;  // game 1 is not listed
    struct Case {
        int32_t command;
        std::vector<int32_t> rows;
        std::vector<int32_t> games;
    };
    const Case cases[] = {
        {42300, {}, {0, 1, 2, 3}},
        {42300, {1}, {0, 1, 2, 3}},
        {42301, {0, 2}, {2, 3}},
        {42301, {1, 3, -1, 7}, {0}},  // rows past the listed ones name nothing
        {42301, {}, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(klmRenameCandidates(g.cat, view, c.command, c.rows), c.games) << c.command;
}

TEST(RenameRun, OneGamePerStepWithProgress)
{
    PlainGames g(3);
    KlmRenameRun run;
    ASSERT_TRUE(klmRenameStart(run, g.cat, g.settings, {2, 0, 1}).empty());
    const std::vector<std::string> texts = {"    0/    3( 0%)", "    1/    3(33%)", "    2/    3(66%)"};
    const std::vector<int> shown = {2, 0, 1};
    for (size_t i = 0; i < 3; ++i) {
        const KlmRenameProgress p = klmRenameProgress(run);
        EXPECT_EQ(p.progressText, texts[i]);
        EXPECT_EQ(p.percent, int32_t(i * 100 / 3));
        EXPECT_EQ(p.pathText, g.roms + "/game" + std::to_string(shown[i]) + ".bin");
        EXPECT_EQ(klmRenameStep(run), KlmRenamePhase::Running);
        EXPECT_EQ(g.found(shown[i]), g.renamed(shown[i]));
    }
    // The tick after the last game finishes the run.
    EXPECT_EQ(klmRenameStep(run), KlmRenamePhase::Finished);
    EXPECT_EQ(run.changedGames, (std::vector<int32_t>{2, 0, 1}));
    EXPECT_EQ(run.summary.renamed, 3);
}

TEST(RenameRun, CancelTakesEffectBetweenGames)
{
    PlainGames g(3);
    KlmRenameRun run;
    ASSERT_TRUE(klmRenameStart(run, g.cat, g.settings, klmRenameAllCandidates(g.cat)).empty());
    klmRenameStep(run);
    // Confirmed while the second game's work is out: it still lands, then
    // the run ends.
    std::optional<KlmRenameJob> job = klmRenameNextJob(run);
    ASSERT_TRUE(job);
    klmRenameCancel(run);
    EXPECT_EQ(run.phase, KlmRenamePhase::Running);
    EXPECT_FALSE(klmRenameNextJob(run));  // one job at a time
    klmRenameApply(run, klmRenameExecute(*job));
    EXPECT_EQ(run.phase, KlmRenamePhase::Finished);
    EXPECT_TRUE(run.summary.cancelled);
    EXPECT_EQ(g.found(1), g.renamed(1));
    EXPECT_EQ(g.cat.games[2].ownership, kKlmOwnedNotRenamed);
    EXPECT_TRUE(fs::exists(g.roms + "/game2.bin"));
    EXPECT_FALSE(klmRenameNextJob(run));
}

TEST(RenameRun, AGameIsRenamedOnAWorkerThreadFromACopy)
{
    KlmTempDir dir;
    const std::string archive = dir.file("roms/game.7z");
    ASSERT_TRUE(klmTestPack(KlmTestPacker::SevenZip7z, archive, {{"game.bin", klmTestRomBytes(300000, 7)}}));
    Catalogue cat;
    cat.games = {klmTestOwnedGame(archive, "ゲーム")};
    KlmRenameRun run;
    ASSERT_TRUE(klmRenameStart(run, cat, klmTestRenameSettings(), {0}).empty());
    std::optional<KlmRenameJob> job = klmRenameNextJob(run);
    ASSERT_TRUE(job);
    std::future<KlmRenameResult> work = std::async(std::launch::async, klmRenameExecute, *job);
    // Meanwhile the window repaints from the run, which stays as it was.
    EXPECT_EQ(klmRenameProgress(run).progressText, "    0/    1( 0%)");
    EXPECT_EQ(klmToUtf8(klmField(cat.games[0].foundPath)), archive);
    klmRenameApply(run, work.get());
    EXPECT_EQ(klmToUtf8(klmField(cat.games[0].foundPath)), dir.file("roms/ゲーム.7z"));
    EXPECT_EQ(klmField(cat.games[0].memberName), sj("ゲーム"));
    EXPECT_EQ(cat.games[0].ownership, kKlmOwned);
}

TEST(RenameRun, TheDocumentedCasesOnRealFiles)
{
    KlmTempDir dir;
    const std::string r = dir.file("roms");
    const std::string rom = klmTestRomBytes(80000, 8);
    klmTestWrite(r + "/game.bin", rom);
    klmTestWrite(r + "/whole.zip", "not even a zip: with the setting off it is never opened");
    ASSERT_TRUE(klmTestPack(KlmTestPacker::InfoZip, r + "/inside.zip", {{"game.bin", rom + "1"}}));
    ASSERT_TRUE(klmTestPack(KlmTestPacker::SevenZip7z, r + "/inside.7z", {{"game.bin", rom + "2"}}));
    // Stored, and already holding the target: recompressed all the same.
    klmTestWrite(dir.file("src/Z.bin"), rom + "3");
    ASSERT_EQ(klmTestRunIn(dir.file("src"), {"zip", "-q", "-0", r + "/same.zip", "Z.bin"}), 0);
    // Named as the target already, its member not.
    ASSERT_TRUE(klmTestPack(KlmTestPacker::SevenZipZip, r + "/W.zip", {{"game.bin", rom + "4"}}));
    chmod((r + "/W.zip").c_str(), 0640);

    Catalogue cat;
    cat.games = {klmTestOwnedGame(r + "/game.bin", "X"), klmTestOwnedGame(r + "/whole.zip", "Y"),
                 klmTestOwnedGame(r + "/inside.zip", "ジップ"), klmTestOwnedGame(r + "/inside.7z", "セブン"),
                 klmTestOwnedGame(r + "/same.zip", "Z"),        klmTestOwnedGame(r + "/W.zip", "W")};
    klmCopyField(cat.games[1].crc32, "0BADF00D");  // never looked at
    Settings whole = klmTestRenameSettings(false);
    KlmRenameRun run;
    ASSERT_TRUE(klmRenameStart(run, cat, whole, {0, 1}).empty());
    klmRenameRunToEnd(run);
    EXPECT_EQ(klmTestRead(r + "/X.bin"), rom);
    EXPECT_EQ(cat.games[0].ownership, kKlmOwned);
    EXPECT_EQ(klmTestRead(r + "/Y.zip"), "not even a zip: with the setting off it is never opened");
    EXPECT_EQ(cat.games[1].ownership, kKlmOwned);

    // Inside archives, at 無圧縮 for zip and 標準 for 7z.
    ASSERT_TRUE(klmRenameStart(run, cat, klmTestRenameSettings(true, 0, 3), {2, 3, 4, 5}).empty());
    klmRenameRunToEnd(run);
    EXPECT_EQ(run.summary.renamed, 4);
    const std::string zip = listing7zz(r + "/ジップ.zip");
    EXPECT_NE(zip.find("Path = ジップ.bin"), std::string::npos);
    EXPECT_NE(zip.find("Method = Store"), std::string::npos);
    const std::string sz = listing7zz(r + "/セブン.7z");
    EXPECT_NE(sz.find("Path = セブン.bin"), std::string::npos);
    EXPECT_NE(sz.find("Method = LZMA2"), std::string::npos);
    EXPECT_NE(listing7zz(r + "/Z.zip").find("Method = Store"), std::string::npos);  // level 0 asked
    EXPECT_NE(listing7zz(r + "/W.zip").find("Path = W.bin"), std::string::npos);
    struct stat st {};
    ASSERT_EQ(stat((r + "/W.zip").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    for (size_t i = 2; i < 6; ++i)
        EXPECT_EQ(klmTestRecordMismatch(cat.games[i], true), "") << i;
    EXPECT_EQ(klmTestFolderState(r).counted,
              (std::vector<std::string>{r + "/W.zip", r + "/X.bin", r + "/Y.zip", r + "/Z.zip", r + "/ジップ.zip",
                                        r + "/セブン.7z"}));
}

TEST(RenameRun, MemberAlreadyNamedAsTheTargetIsRecompressed)
{
    KlmTempDir dir;
    klmTestWrite(dir.file("src/Z.bin"), klmTestRomBytes(50000, 9));
    fs::create_directories(dir.file("roms"));
    ASSERT_EQ(klmTestRunIn(dir.file("src"), {"zip", "-q", "-0", dir.file("roms/same.zip"), "Z.bin"}), 0);
    Catalogue cat;
    cat.games = {klmTestOwnedGame(dir.file("roms/same.zip"), "Z")};
    KlmRenameRun run;
    ASSERT_TRUE(klmRenameStart(run, cat, klmTestRenameSettings(true, 3), {0}).empty());
    klmRenameRunToEnd(run);
    const std::string listed = listing7zz(dir.file("roms/Z.zip"));
    EXPECT_NE(listed.find("Path = Z.bin"), std::string::npos);
    EXPECT_NE(listed.find("Method = Deflate"), std::string::npos);
    EXPECT_EQ(cat.games[0].ownership, kKlmOwned);
}

TEST(RenameRun, ArchivesARebuildCannotKeepWholeStayAsTheyAre)
{
    KlmTempDir dir;
    const std::string src = dir.file("src");
    klmTestWrite(src + "/game.bin", klmTestRomBytes(20000, 10));
    klmTestWrite(src + "/X.bin", "already named like the new first member");
    fs::create_symlink("game.bin", src + "/link");
    fs::create_directories(dir.file("roms"));
    ASSERT_EQ(klmTestRunIn(src, {"zip", "-q", "-y", dir.file("roms/link.zip"), "game.bin", "link"}), 0);
    ASSERT_EQ(klmTestRunIn(src, {"zip", "-q", dir.file("roms/clash.zip"), "game.bin", "X.bin"}), 0);
    Catalogue cat;
    cat.games = {klmTestOwnedGame(dir.file("roms/link.zip"), "A"), klmTestOwnedGame(dir.file("roms/clash.zip"), "X")};
    const std::string link = klmTestRead(dir.file("roms/link.zip"));
    const std::string clash = klmTestRead(dir.file("roms/clash.zip"));
    KlmRenameRun run;
    run.keepResults = true;
    ASSERT_TRUE(klmRenameStart(run, cat, klmTestRenameSettings(), {0, 1}).empty());
    klmRenameRunToEnd(run);
    EXPECT_EQ(run.summary.unchanged, 2);
    EXPECT_NE(run.results[0].reason.find("links"), std::string::npos);
    EXPECT_NE(run.results[1].reason.find("another member"), std::string::npos);
    EXPECT_TRUE(klmTestRead(dir.file("roms/link.zip")) == link);
    EXPECT_TRUE(klmTestRead(dir.file("roms/clash.zip")) == clash);
    EXPECT_TRUE(klmTestFolderState(dir.file("roms")).workFolders.empty());
}

TEST(RenameRun, DryRunDecidesWithoutChangingAnything)
{
    PlainGames g(4);
    klmTestWrite(g.renamed(1), "taken");
    fs::remove(g.roms + "/game2.bin");
    // Game 3 aims at game 0's new path (another hardware, same pattern text).
    klmCopyField(g.cat.games[3].targetName, klmFromUtf8("名前0"));
    g.cat.games[3].hardware = 1;
    const Catalogue before = g.cat;
    const KlmTestFolderState disk = klmTestFolderState(g.roms);
    const KlmRenameReport report = klmRenameCatalogue(g.cat, g.settings, std::nullopt, true);
    ASSERT_EQ(report.games.size(), 4u);
    EXPECT_EQ(report.games[0].outcome, KlmRenameOutcome::Renamed);
    EXPECT_EQ(klmToUtf8(report.games[0].foundPath), g.renamed(0));
    EXPECT_EQ(report.games[1].outcome, KlmRenameOutcome::Unchanged);
    EXPECT_EQ(report.games[2].outcome, KlmRenameOutcome::NoLongerOwned);
    EXPECT_EQ(report.games[3].outcome, KlmRenameOutcome::Unchanged);
    EXPECT_EQ(std::memcmp(before.games.data(), g.cat.games.data(), before.games.size() * sizeof(GameRecord)), 0);
    const KlmTestFolderState after = klmTestFolderState(g.roms);
    EXPECT_EQ(after.counted, disk.counted);
    EXPECT_EQ(after.contents, disk.contents);
}

TEST(RenameRun, ReportForTheCommandLine)
{
    PlainGames g(3);
    KlmTempDir base;
    const KlmRenameReport report =
        klmRenameCatalogue(g.cat, g.settings, std::vector<int32_t>{2, 7, 0, -1}, false);
    EXPECT_TRUE(report.messages.empty());
    EXPECT_EQ(report.badIndices, (std::vector<int32_t>{7, -1}));
    ASSERT_EQ(report.games.size(), 2u);
    EXPECT_EQ(report.games[0].index, 2);
    EXPECT_EQ(klmToUtf8(report.games[0].from), g.roms + "/game2.bin");
    EXPECT_EQ(klmToUtf8(report.games[0].foundPath), g.renamed(2));
    EXPECT_EQ(report.games[0].status, kKlmOwned);
    EXPECT_EQ(report.games[1].index, 0);
    EXPECT_EQ(klmRenameSummaryLine(report.summary), "リネーム 2件、変更なし 0件、所有でなくなった 0件");
    // What the shutdown saves is what the files say.
    const Catalogue saved = klmTestPersisted(g.cat, base);
    for (const GameRecord& game : saved.games)
        EXPECT_EQ(klmTestRecordMismatch(game, true), "");
    EXPECT_EQ(saved.games[1].ownership, kKlmOwnedNotRenamed);

    PlainGames none(1);
    none.cat.games[0].ownership = kKlmOwned;
    EXPECT_EQ(klmRenameCatalogue(none.cat, none.settings, std::nullopt, false).messages.size(), 1u);
}

TEST(RenameRun, AStopAskedForEndsTheCommandLineRunBetweenGames)
{
    PlainGames g(3);
    int asked = 0;
    const KlmRenameReport stopped =
        klmRenameCatalogue(g.cat, g.settings, std::nullopt, false, [&asked] { return ++asked >= 1; });
    EXPECT_TRUE(stopped.summary.cancelled);
    EXPECT_EQ(stopped.summary.renamed, 1);
    EXPECT_EQ(g.found(0), g.renamed(0));
    EXPECT_EQ(g.cat.games[1].ownership, kKlmOwnedNotRenamed);
    EXPECT_TRUE(fs::exists(g.roms + "/game1.bin"));

    // Asked only after the last game: the run was complete, not stopped.
    PlainGames h(2);
    const KlmRenameReport whole = klmRenameCatalogue(h.cat, h.settings, std::nullopt, false, [&h] {
        return h.cat.games[1].ownership == kKlmOwned;
    });
    EXPECT_FALSE(whole.summary.cancelled);
    EXPECT_EQ(whole.summary.renamed, 2);
}

TEST(RenameRun, NewPathKeepsFolderAndExtension)
{
    const std::string x = sj("表");  // its second byte is 0x5C
    struct Case {
        std::string path, name, expected;
    } cases[] = {
        {"/r/game.bin", "X", "/r/X.bin"},
        {"/r/a.b.zip", "X", "/r/X.zip"},
        {"/r.d/game", "X", "/r.d/X"},
        {"/r/.hidden", "X", "/r/X.hidden"},
        {"game.7z", "X", "X.7z"},
        {"/" + x + "/" + x + ".bin", x, "/" + x + "/" + x + ".bin"},
        {"/r/g.bin", std::string(252, 'n'), "/r/" + std::string(252, 'n') + ".bin"},  // 259 bytes
        {"/r/g.bin", std::string(253, 'n'), ""},                                       // 260 bytes
    };
    for (const Case& c : cases)
        EXPECT_EQ(klmRenameNewPath(c.path, c.name), c.expected) << c.path;
}

TEST(RenameMoves, NeverReplaceAndTheLinkFallbackToo)
{
    KlmTempDir dir;
    for (auto move : {klmMoveNoReplace, klmMoveNoReplaceByLink}) {
        fs::remove_all(dir.path / "m");
        klmTestWrite(dir.file("m/a"), "a");
        klmTestWrite(dir.file("m/taken"), "taken");
        fs::create_directories(dir.file("m/folder"));
        EXPECT_EQ(move(dir.file("m/a"), dir.file("m/taken"), nullptr), KlmMoveResult::TargetExists);
        EXPECT_EQ(move(dir.file("m/a"), dir.file("m/folder"), nullptr), KlmMoveResult::TargetExists);
        EXPECT_EQ(move(dir.file("m/none"), dir.file("m/b"), nullptr), KlmMoveResult::Failed);
        EXPECT_EQ(move(dir.file("m/a"), dir.file("m/b"), nullptr), KlmMoveResult::Moved);
        EXPECT_EQ(klmTestRead(dir.file("m/taken")), "taken");
        EXPECT_EQ(klmTestRead(dir.file("m/b")), "a");
        EXPECT_FALSE(fs::exists(dir.file("m/a")));
    }
}

TEST(RenameMoves, WorkFoldersAreInvisibleToTheAuditAndStaleOnesGo)
{
    KlmTempDir dir;
    const std::string roms = dir.file("roms");
    klmTestWrite(roms + "/game.bin", "rom");
    KlmWorkFolder held;
    std::string error;
    ASSERT_TRUE(held.make(roms, error)) << error;
    klmTestWrite(held.path + "/copy.bin", "rom");
    klmTestWrite(roms + "/.kolmar-rename-stale/m/copy.bin", "rom");
    klmTestWrite(roms + "/sub/.kolmar-rename-file", "x");
    EXPECT_EQ(klmTestFolderState(roms).counted, std::vector<std::string>{roms + "/game.bin"});

    EXPECT_EQ(klmRemoveStaleWorkFolders(roms), 1);  // the held one stays
    EXPECT_TRUE(fs::exists(held.path + "/copy.bin"));
    EXPECT_FALSE(fs::exists(roms + "/.kolmar-rename-stale"));
    const std::string path = held.path;
    EXPECT_TRUE(held.remove());
    EXPECT_FALSE(fs::exists(path));
}

}  // namespace
