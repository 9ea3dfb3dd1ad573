// The audit run on real folder trees in temp dirs: depth rules, matching
// rules, archives made by zip and 7zz, bad input, stepping and cancel, the
// ownership rules and the properties text.
#include "audit/audit.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "audit/crc.h"
#include "audit/ownership.h"
#include "catalogue/app_paths.h"
#include "catalogue/cache.h"
#include "settings/setting_file.h"
#include "test_util.h"


namespace fs = std::filesystem;

namespace {

std::string crcOf(std::string_view bytes)
{
    return klmFormatCrcText(klmCrc32(bytes.data(), bytes.size()));
}

GameRecord game(std::string_view crc, int32_t hardware = 0, std::string_view target = "")
{
    GameRecord g{};
    klmCopyField(g.crc32, crc);
    g.hardware = hardware;
    klmCopyField(g.targetName, target);
    return g;
}

RomFolder romFolder(const std::string& native, int32_t depth, int32_t selected = 1)
{
    RomFolder f{};
    klmCopyField(f.path, klmFromUtf8(native));
    f.depth = depth;
    f.selected = selected;
    return f;
}

Settings renameSettings()
{
    Settings s = klmDefaultSettings();
    klmCopyField(s.renamePattern, "%n");
    return s;
}

struct Audit {
    KlmAuditRun run;
    std::vector<KlmAuditFileEvent> events;
    std::string err;

    std::vector<std::string> paths() const
    {
        std::vector<std::string> out;
        for (const KlmAuditFileEvent& e : events) out.push_back(e.path);
        std::sort(out.begin(), out.end());
        return out;
    }
};

Audit audit(Catalogue& cat, const std::vector<RomFolder>& folders, const Settings& s = renameSettings())
{
    Audit a;
    testing::internal::CaptureStderr();
    EXPECT_EQ(klmAuditStart(a.run, cat, s, folders), KlmAuditStartResult::Started);
    a.run.onFile = [&a](const KlmAuditFileEvent& e) { a.events.push_back(e); };
    klmAuditRunToEnd(a.run);
    a.err = testing::internal::GetCapturedStderr();
    return a;
}

std::string found(const GameRecord& g) { return klmToUtf8(klmField(g.foundPath)); }

int shell(const std::string& command) { return std::system(command.c_str()); }

TEST(AuditRun, DepthRulesAndEachFolderOnce)
{
    KlmTempDir dir;
    const std::string r = dir.file("R");
    klmTestWrite(r + "/a.bin", "a");
    klmTestWrite(r + "/A/b.bin", "b");
    klmTestWrite(r + "/A/B/c.bin", "c");
    klmTestWrite(r + "/表/d.bin", "d");  // second byte 0x5C in the CP932 path
    Catalogue cat;
    for (const char* content : {"a", "b", "c", "d"}) cat.games.push_back(game(crcOf(content)));

    // 第1階層: the folder and its direct subfolders only.
    Audit first = audit(cat, {romFolder(r, 2)});
    EXPECT_EQ(first.paths(), (std::vector<std::string>{r + "/A/b.bin", r + "/a.bin", r + "/表/d.bin"}));
    EXPECT_EQ(first.run.totalFiles, 3);
    EXPECT_EQ(first.run.matchedFiles, 3);
    EXPECT_EQ(cat.games[2].ownership, kKlmNotOwned);
    EXPECT_EQ(found(cat.games[3]), r + "/表/d.bin");

    // 指定無し: the folder alone. 全て: everything.
    Catalogue cat0 = cat;
    klmResetAudit(cat0, renameSettings());
    EXPECT_EQ(audit(cat0, {romFolder(r, 0)}).paths(), std::vector<std::string>{r + "/a.bin"});
    EXPECT_EQ(audit(cat0, {romFolder(r, 1)}).run.totalFiles, 4);
    EXPECT_EQ(found(cat0.games[2]), r + "/A/B/c.bin");

    // The same folders reached from two registered folders, by path and
    // through a link, are scanned once; a link back up ends the walk.
    fs::create_directory_symlink(r, r + "/A/B/up");
    fs::create_directory_symlink(r + "/A", dir.file("alias"));
    Audit twice = audit(cat0, {romFolder(r, 1), romFolder(r + "/A", 1), romFolder(dir.file("alias"), 3)});
    EXPECT_EQ(twice.run.totalFiles, 4);
    EXPECT_EQ(twice.events.size(), 4u);

    // A deeper walk from a second registered folder still reaches what a
    // shallower first one left out.
    Audit deeper = audit(cat0, {romFolder(r, 2), romFolder(r + "/A", 1)});
    EXPECT_EQ(deeper.run.totalFiles, 4);
}

TEST(AuditRun, FirstGameInCatalogueOrderAndLastFileWins)
{
    KlmTempDir dir;
    klmTestWrite(dir.file("R/x.bin"), "same");
    klmTestWrite(dir.file("R/y.bin"), "same");
    klmTestWrite(dir.file("R/other.bin"), "unknown");
    Catalogue cat;
    cat.games = {game("12345678"), game(crcOf("same")), game(crcOf("same"))};

    Audit a = audit(cat, {romFolder(dir.file("R"), 0)});
    EXPECT_EQ(a.run.totalFiles, 3);
    EXPECT_EQ(a.run.matchedFiles, 2);  // both files count
    EXPECT_EQ(cat.games[1].ownership, kKlmOwnedNotRenamed);
    EXPECT_EQ(cat.games[2].ownership, kKlmNotOwned);
    // The game's found path is the file handled last.
    std::string last;
    for (const KlmAuditFileEvent& e : a.events) {
        EXPECT_EQ(e.matched, e.crc == crcOf("same") ? 1 : -1);
        if (e.matched == 1) last = e.path;
    }
    EXPECT_EQ(found(cat.games[1]), last);
}

TEST(AuditRun, EarlierResultsStayWhenNothingIsFound)
{
    KlmTempDir dir;
    klmTestWrite(dir.file("R/game.bin"), "rom");
    klmTestWrite(dir.file("S/junk.bin"), "junk");
    fs::create_directory(dir.file("Empty"));
    Catalogue cat;
    cat.games = {game(crcOf("rom"), 0, "game")};
    audit(cat, {romFolder(dir.file("R"), 0)});
    ASSERT_EQ(cat.games[0].ownership, kKlmOwned);

    Audit again = audit(cat, {romFolder(dir.file("S"), 0), romFolder(dir.file("Empty"), 1),
                              romFolder(dir.file("R"), 0, 0)});
    EXPECT_EQ(again.run.totalFiles, 1);
    EXPECT_EQ(again.run.matchedFiles, 0);
    EXPECT_EQ(cat.games[0].ownership, kKlmOwned);
    EXPECT_EQ(found(cat.games[0]), dir.file("R/game.bin"));
}

TEST(AuditRun, ArchivesMatchByTheirFirstMember)
{
    KlmTempDir dir;
    const std::string r = dir.file("R");
    klmTestWrite(dir.file("src/sub/game.bin"), "game contents");
    klmTestWrite(dir.file("src/extra.bin"), "second member");
    klmTestWrite(dir.file("src/sub/zz.bin"), "second member");
    klmTestWrite(dir.file("src/plain.bin"), "plain");
    fs::create_directories(r);
    // zip keeps the folder part of the member name; the base name drops it.
    ASSERT_EQ(shell("cd '" + dir.file("src") + "' && zip -q '" + r + "/game.zip' sub/game.bin extra.bin"), 0);
    ASSERT_EQ(shell("cd '" + dir.file("src") + "' && 7zz a -bso0 -bsp0 -ms=on '" + r +
                    "/renamed.7z' sub/game.bin sub/zz.bin >/dev/null"),
              0);
    ASSERT_EQ(shell("cd '" + dir.file("src") + "' && zip -q '" + r + "/odd.Zip' plain.bin"), 0);
    klmTestWrite(r + "/broken.zip", "PK\x03\x04 not really an archive");
    const std::string oddZip = klmTestRead(r + "/odd.Zip");

    Catalogue cat;
    cat.games = {game(crcOf("game contents"), 0, "game"), game(crcOf("plain")), game(crcOf(oddZip)),
                 game("")};
    Audit a = audit(cat, {romFolder(r, 0)});
    EXPECT_EQ(a.run.totalFiles, 4);
    EXPECT_EQ(a.run.matchedFiles, 3);  // game.zip, renamed.7z, odd.Zip as a plain file
    std::map<std::string, KlmAuditFileEvent> byName;
    for (const KlmAuditFileEvent& e : a.events) byName[fs::path(e.path).filename().string()] = e;
    EXPECT_EQ(byName["game.zip"].crc, crcOf("game contents"));
    EXPECT_EQ(byName["game.zip"].member, "game");
    EXPECT_EQ(byName["renamed.7z"].member, "game");
    EXPECT_EQ(byName["odd.Zip"].matched, 2);
    EXPECT_EQ(byName["odd.Zip"].member, "");
    // A broken archive has no CRC and never matches a game without one.
    EXPECT_EQ(byName["broken.zip"].crc, "");
    EXPECT_EQ(byName["broken.zip"].matched, -1);
    EXPECT_EQ(cat.games[3].ownership, kKlmNotOwned);
    EXPECT_NE(a.err.find("broken.zip"), std::string::npos);

    // Status by target name: the archive's name and, with the archive
    // setting on, its member's name must both be the target.
    const std::string last = found(cat.games[0]);
    const bool lastIsZip = last == r + "/game.zip";
    EXPECT_EQ(cat.games[0].ownership, lastIsZip ? kKlmOwned : kKlmOwnedNotRenamed);
    klmCopyField(cat.games[0].foundPath, klmFromUtf8(r + "/game.zip"));
    EXPECT_TRUE(klmHasTargetName(cat.games[0], true));
    klmCopyField(cat.games[0].memberName, "other");
    EXPECT_FALSE(klmHasTargetName(cat.games[0], true));
    EXPECT_TRUE(klmHasTargetName(cat.games[0], false));
    klmCopyField(cat.games[0].foundPath, klmFromUtf8(r + "/game.Zip"));  // not an archive
    EXPECT_TRUE(klmHasTargetName(cat.games[0], true));
}

TEST(AuditRun, BadInputIsReportedAndTheRunGoesOn)
{
    KlmTempDir dir;
    const std::string r = dir.file("R");
    klmTestWrite(r + "/good.bin", "good");
    ASSERT_EQ(mkfifo((r + "/fifo.bin").c_str(), 0600), 0);
    fs::create_symlink(r + "/nowhere.bin", r + "/dangling.bin");
    // A name CP932 cannot write: found and counted, never matched.
    klmTestWrite(r + "/\xED\x95\x9C.bin", "good");
    // An empty file has no CRC.
    klmTestWrite(r + "/empty.bin", "");
    Catalogue cat;
    cat.games = {game(crcOf("good")), game("")};

    Audit a = audit(cat, {romFolder(r, 1), romFolder(dir.file("missing"), 1)});
    EXPECT_EQ(a.run.totalFiles, 5);
    EXPECT_EQ(a.run.processedFiles, 5);
    EXPECT_EQ(a.run.matchedFiles, 1);
    EXPECT_EQ(found(cat.games[0]), r + "/good.bin");
    EXPECT_EQ(cat.games[1].ownership, kKlmNotOwned);
    EXPECT_NE(a.err.find("\xED\x95\x9C.bin: the path cannot be kept in CP932"), std::string::npos) << a.err;
    EXPECT_NE(a.err.find(dir.file("missing") + ": No such file or directory"), std::string::npos) << a.err;
    EXPECT_NE(a.err.find("No such file or directory\n"), std::string::npos);  // the dangling link

    if (geteuid() != 0) {  // root reads everything
        fs::create_directories(r + "/locked/inner");
        chmod((r + "/locked").c_str(), 0);
        Audit locked = audit(cat, {romFolder(r, 1)});
        chmod((r + "/locked").c_str(), 0700);
        EXPECT_NE(locked.err.find(r + "/locked: Permission denied"), std::string::npos) << locked.err;
        EXPECT_EQ(locked.run.totalFiles, 5);
    }
}

TEST(AuditRun, FoundPathsMustFitTheField)
{
    KlmTempDir dir;
    // Paths of exactly 259 and 260 bytes in CP932, ending in "表" (2 bytes).
    const std::string base = dir.file("R");
    const size_t fixed = klmFromUtf8(base + "/").size() + std::string_view(".bin表").size() - 1;
    const std::string fits = base + "/" + std::string(259 - fixed - 1, 'a') + "x.bin表";
    const std::string over = base + "/" + std::string(260 - fixed - 1, 'b') + "x.bin表";
    ASSERT_EQ(klmFromUtf8(fits).size(), 259u);
    ASSERT_EQ(klmFromUtf8(over).size(), 260u);
    klmTestWrite(fits, "fits");
    klmTestWrite(over, "over");
    Catalogue cat;
    cat.games = {game(crcOf("fits")), game(crcOf("over"))};
    Audit a = audit(cat, {romFolder(base, 0)});
    EXPECT_EQ(a.run.matchedFiles, 1);
    EXPECT_EQ(found(cat.games[0]), fits);
    EXPECT_EQ(cat.games[1].ownership, kKlmNotOwned);
}

TEST(AuditRun, StepsProgressCancelAndVanishedFiles)
{
    KlmTempDir dir;
    const std::string r = dir.file("R");
    for (int i = 0; i < 6; ++i) klmTestWrite(r + "/f" + std::to_string(i) + ".bin", std::to_string(i));
    std::string big(20u << 20, '\0');
    for (size_t i = 0; i < big.size(); ++i) big[i] = char(i * 2654435761u >> 11);
    klmTestWrite(dir.file("Big/disc.iso"), big);
    Catalogue cat;
    for (int i = 0; i < 6; ++i) cat.games.push_back(game(crcOf(std::to_string(i))));
    cat.games.push_back(game(crcOf(big)));
    const Settings s = renameSettings();

    // The start checks and their messages.
    KlmAuditRun run;
    EXPECT_EQ(klmAuditStart(run, cat, s, {romFolder(r, 0, 0)}), KlmAuditStartResult::NoFolderSelected);
    EXPECT_STREQ(klmAuditStartMessage(KlmAuditStartResult::NoFolderSelected), "ロムフォルダが指定されていません");
    Settings noPattern = klmDefaultSettings();
    EXPECT_EQ(klmAuditStart(run, cat, noPattern, {romFolder(r, 0)}), KlmAuditStartResult::NoRenamePattern);
    EXPECT_STREQ(klmAuditStartMessage(KlmAuditStartResult::NoRenamePattern), "リネーム用文字列が設定されていません");
    EXPECT_EQ(run.phase, KlmAuditPhase::Finished);

    // One unit per zero-budget step: collection, then a file per step.
    ASSERT_EQ(klmAuditStart(run, cat, s, {romFolder(r, 0)}), KlmAuditStartResult::Started);
    EXPECT_EQ(klmAuditProgress(run).statusText, "ロムファイル検索中");
    EXPECT_EQ(klmAuditProgress(run).progressText, "    0/    0( 0%)");
    while (run.phase == KlmAuditPhase::Collect) klmAuditStep(run, std::chrono::microseconds(0));
    EXPECT_EQ(run.totalFiles, 6);
    EXPECT_EQ(klmAuditProgress(run).statusText, r);
    fs::remove(r + "/f5.bin");  // gone after it was counted
    klmAuditStep(run, std::chrono::microseconds(0));
    klmAuditStep(run, std::chrono::microseconds(0));
    const KlmAuditProgress p = klmAuditProgress(run);
    EXPECT_EQ(p.progressText, "    2/    6(33%)");
    EXPECT_EQ(p.percent, 33);
    testing::internal::CaptureStderr();
    klmAuditRunToEnd(run);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");  // a vanished file is silent
    EXPECT_EQ(run.processedFiles, 6);
    EXPECT_EQ(run.matchedFiles, 5);
    EXPECT_EQ(klmAuditSummaryText(run), "ロムの監査が終了しました。\n監査ロム数 : 6\n該当ロム数 : 5\n");

    // A large file is read a piece per step and gives the same CRC text.
    klmResetAudit(cat, s);
    ASSERT_EQ(klmAuditStart(run, cat, s, {romFolder(dir.file("Big"), 0)}), KlmAuditStartResult::Started);
    int steps = 0;
    while (klmAuditStep(run, std::chrono::microseconds(0)) != KlmAuditPhase::Finished) ++steps;
    EXPECT_GE(steps, 4);
    EXPECT_EQ(cat.games[6].ownership, kKlmOwnedNotRenamed);
    EXPECT_EQ(klmFileCrcText(dir.file("Big/disc.iso")), crcOf(big));

    // Cancel: the matches so far stay, nothing more is done.
    klmResetAudit(cat, s);
    klmTestWrite(r + "/f5.bin", "5");
    ASSERT_EQ(klmAuditStart(run, cat, s, {romFolder(r, 0)}), KlmAuditStartResult::Started);
    while (run.processedFiles < 2) klmAuditStep(run, std::chrono::microseconds(0));
    klmAuditCancel(run);
    EXPECT_TRUE(run.cancelled);
    EXPECT_EQ(run.phase, KlmAuditPhase::Finished);
    EXPECT_EQ(klmAuditStep(run, std::chrono::microseconds(1000)), KlmAuditPhase::Finished);
    int owned = 0;
    for (const GameRecord& g : cat.games) owned += klmIsOwnedStatus(g.ownership);
    EXPECT_EQ(owned, 2);
}

TEST(AuditRun, LeavesTheUsersFilesAlone)
{
    KlmTempDir dir;
    const std::string r = dir.file("R");
    klmTestWrite(r + "/a.bin", "a");
    klmTestWrite(dir.file("src/m.bin"), "m");
    ASSERT_EQ(shell("cd '" + dir.file("src") + "' && zip -q '" + r + "/m.zip' m.bin"), 0);
    ASSERT_EQ(shell("cd '" + dir.file("src") + "' && 7zz a -bso0 -bsp0 '" + r + "/m.7z' m.bin >/dev/null"), 0);
    auto snapshot = [&] {
        std::map<std::string, std::pair<std::string, fs::file_time_type>> files;
        for (const auto& e : fs::recursive_directory_iterator(r))
            files[e.path().string()] = {klmTestRead(e.path().string()), fs::last_write_time(e.path())};
        return files;
    };
    const auto before = snapshot();
    Catalogue cat;
    cat.games = {game(crcOf("a")), game(crcOf("m"))};
    audit(cat, {romFolder(r, 1)});
    EXPECT_EQ(snapshot(), before);
}

TEST(Ownership, SpecialCrcRuleAndReset)
{
    Catalogue cat;
    cat.games = {game("00000000"), game("FFFFFFFF"), game("12345678")};
    for (GameRecord& g : cat.games) {
        g.ownership = kKlmOwnedNotRenamed;
        klmCopyField(g.foundPath, "/roms/x.zip");
        klmCopyField(g.memberName, "x");
    }
    Settings s = klmDefaultSettings();  // 00000000 owned, FFFFFFFF not
    klmApplySpecialCrcRule(cat, s);
    EXPECT_EQ(cat.games[0].ownership, kKlmOwned);
    EXPECT_EQ(cat.games[1].ownership, kKlmNotOwned);
    EXPECT_EQ(cat.games[2].ownership, kKlmOwnedNotRenamed);
    EXPECT_EQ(klmField(cat.games[0].foundPath), "");
    EXPECT_EQ(klmField(cat.games[1].memberName), "");
    EXPECT_EQ(klmField(cat.games[2].foundPath), "/roms/x.zip");

    s.crcZerosOwned = 0;
    s.crcOnesOwned = 1;
    klmCopyField(cat.games[2].targetName, "keep");
    klmResetAudit(cat, s);
    EXPECT_EQ(cat.games[0].ownership, kKlmNotOwned);
    EXPECT_EQ(cat.games[1].ownership, kKlmOwned);
    EXPECT_EQ(cat.games[2].ownership, kKlmNotOwned);
    EXPECT_EQ(klmField(cat.games[2].foundPath), "");
    EXPECT_EQ(klmField(cat.games[2].targetName), "keep");
}

TEST(Ownership, TargetNameComparison)
{
    GameRecord g = game("12345678", 0, sj("表示"));
    klmCopyField(g.foundPath, sj("/ロム/表示.bin"));
    EXPECT_TRUE(klmHasTargetName(g, true));
    EXPECT_EQ(klmPathBaseName(sj("/a.b/表示")), sj("表示"));
    EXPECT_EQ(klmPathBaseName("/x/name.tar.gz"), "name.tar");
    klmCopyField(g.foundPath, sj("/ロム/表示.BIN/"));
    EXPECT_FALSE(klmHasTargetName(g, true));
    // No target name: never "named as the target", even for a file ".bin".
    GameRecord none = game("12345678");
    klmCopyField(none.foundPath, "/roms/.bin");
    EXPECT_FALSE(klmHasTargetName(none, false));
    EXPECT_EQ(klmOwnedStatusOf(none, false), kKlmOwnedNotRenamed);
}

TEST(Ownership, StatisticsText)
{
    Catalogue cat;
    MasterEntry pc{}, empty{};
    klmCopyField(pc.name, "PC");
    klmCopyField(empty.name, sj("ソルティアＣＤ"));
    cat.hardware = {pc, empty};
    cat.games = {game("1", 0), game("2", 0), game("3", 0), game("4", 7)};
    cat.games[0].ownership = kKlmOwned;
    cat.games[1].ownership = kKlmOwnedNotRenamed;
    cat.games[3].ownership = kKlmOwned;

    const std::string rule(45, '-');
    const std::string expected = sj(rule + "\r\n総合\r\nゲーム数：4\r\n所有：3\r\n未所有：1\r\n所有率：75.00％\r\n" +
                                    rule + "\r\nPC\r\nゲーム数：3\r\n所有：2\r\n未所有：1\r\n所有率：66.67％\r\n" +
                                    rule + "\r\nソルティアＣＤ\r\nゲーム数：0\r\n所有：0\r\n未所有：0\r\n所有率：0.00％");
    EXPECT_EQ(klmOwnershipStatisticsText(cat), expected);
    EXPECT_EQ(klmCountOwnership(cat, 0).owned, 2);
    // The status bar's three counts: status 1, status 2, and the rest.
    const KlmOwnershipCount all = klmCountOwnership(cat);
    EXPECT_EQ(all.renamed(), 2);
    EXPECT_EQ(all.notRenamed, 1);
    EXPECT_EQ(all.notOwned(), 1);
    EXPECT_EQ(klmCountOwnership(cat, 0).notRenamed, 1);

    Catalogue none;
    EXPECT_EQ(klmOwnershipStatisticsText(none),
              sj(rule + "\r\n総合\r\nゲーム数：0\r\n所有：0\r\n未所有：0\r\n所有率：0.00％"));
}

}  // namespace
