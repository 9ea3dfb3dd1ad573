// Fault injection for the rename run on archives made by real tools (7-Zip,
// Info-ZIP zip, libarchive), zip and 7z, with one and with several members
// and Japanese names: a damaged member, a full disk, the new name taken by a
// file, a folder or a file that appears mid-run, a ROM that vanished, and
// the process killed between any two steps. After each, every member's
// bytes must still be on disk (at the old or the new path), nothing an
// audit would count may be left over, and the game's record, as dat.cache
// keeps it, must describe the files on disk.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "audit/crc.h"
#include "catalogue/app_paths.h"
#include "catalogue/cache.h"
#include "rename/rename_run.h"
#include "rename_fixture.h"

namespace fs = std::filesystem;

namespace {

constexpr KlmTestPacker kPackers[] = {KlmTestPacker::SevenZipZip, KlmTestPacker::InfoZip, KlmTestPacker::SevenZip7z,
                                      KlmTestPacker::Libarchive7z};

std::vector<KlmTestMember> oneMember()
{
    return {{"game.bin", klmTestRomBytes(60000, 1)}};
}

std::vector<KlmTestMember> severalMembers()
{
    return {{"ゲーム.bin", klmTestRomBytes(50000, 2)},
            {"説明/よんでね.txt", "説明書です。\r\n"},
            {"zz_セーブ.dat", klmTestRomBytes(7000, 3)}};
}

struct Layout {
    const char* name;
    std::vector<KlmTestMember> (*members)();
};
constexpr Layout kLayouts[] = {{"one member", oneMember}, {"several members", severalMembers}};

// One owned archive in a ROM folder with a bystander file, and its game.
struct Scene {
    KlmTempDir dir;
    KlmTempDir base;  // where dat.cache goes
    std::string roms;
    std::string archive;
    std::string renamed;  // where the archive is to go
    Catalogue cat;
    Settings settings = klmTestRenameSettings();
    std::string oldBytes;
    KlmTestFolderState before;

    void pack(KlmTestPacker packer, const std::vector<KlmTestMember>& members)
    {
        roms = dir.file("ロム");
        fs::create_directories(roms);
        const std::string ext = klmTestPackerMakesZip(packer) ? ".zip" : ".7z";
        archive = roms + "/旧い名前" + ext;
        renamed = roms + "/新しい名前" + ext;
        ASSERT_TRUE(klmTestPack(packer, archive, members));
        klmTestWrite(roms + "/bystander.bin", "another game");
        cat.games = {klmTestOwnedGame(archive, "新しい名前")};
        ASSERT_FALSE(klmField(cat.games[0].crc32).empty());
        oldBytes = klmTestRead(archive);
        snapshot();
    }
    // A plain ROM file instead of an archive.
    void plain(const std::string& name, const std::string& bytes)
    {
        roms = dir.file("ロム");
        archive = roms + "/" + name;
        renamed = roms + "/新しい名前.bin";
        klmTestWrite(archive, bytes);
        cat.games = {klmTestOwnedGame(archive, "新しい名前")};
        oldBytes = bytes;
    }
    void snapshot() { before = klmTestFolderState(roms); }

    KlmRenameRun runOn(Catalogue& c, const KlmRenameStepHook& hook = {}) const
    {
        KlmRenameRun run;
        run.stepHook = hook;
        run.keepResults = true;
        EXPECT_TRUE(klmRenameStart(run, c, settings, {0}).empty());
        klmRenameRunToEnd(run);
        return run;
    }

    Catalogue persisted(const Catalogue& c) const { return klmTestPersisted(c, base); }

    // What the next start-up reads from dat.cache (written by another process).
    Catalogue savedCache() const
    {
        AppPaths paths;
        klmBuildAppPaths(paths, base.path.string());
        Catalogue c;
        EXPECT_TRUE(klmReadCatalogueCacheImage(klmTestRead(paths.datCache), c));
        return c;
    }

    std::vector<std::string> countedWith(const std::string& from, const std::string& to) const
    {
        std::vector<std::string> files = before.counted;
        std::replace(files.begin(), files.end(), from, to);
        std::sort(files.begin(), files.end());
        return files;
    }

    // Nothing happened: the old archive byte for byte, nothing new on disk,
    // the game still owned under its old name.
    void expectUntouched(const Catalogue& saved) const
    {
        EXPECT_TRUE(klmTestRead(archive) == oldBytes) << "the old archive changed";
        const KlmTestFolderState after = klmTestFolderState(roms);
        EXPECT_EQ(after.contents, before.contents);
        EXPECT_EQ(after.counted, before.counted);
        EXPECT_TRUE(after.workFolders.empty());
        ASSERT_EQ(saved.games.size(), 1u);
        EXPECT_EQ(saved.games[0].ownership, kKlmOwnedNotRenamed);
        EXPECT_EQ(klmToUtf8(klmField(saved.games[0].foundPath)), archive);
        EXPECT_EQ(klmTestRecordMismatch(saved.games[0], true), "");
    }

    // The rename happened: every member at the new path, the old one gone.
    void expectRenamed(const Catalogue& saved) const
    {
        const KlmTestFolderState after = klmTestFolderState(roms);
        EXPECT_TRUE(klmTestKeepsAll(before.contents, after.contents));
        EXPECT_EQ(after.counted, countedWith(archive, renamed));
        EXPECT_TRUE(after.workFolders.empty());
        ASSERT_EQ(saved.games.size(), 1u);
        EXPECT_EQ(saved.games[0].ownership, kKlmOwned);
        EXPECT_EQ(klmToUtf8(klmField(saved.games[0].foundPath)), renamed);
        EXPECT_EQ(klmToUtf8(klmField(saved.games[0].memberName)), "新しい名前");
        EXPECT_EQ(klmTestRecordMismatch(saved.games[0], true), "");
    }
};

// Runs body in a child process; its wait status.
template <typename Body>
int inChild(Body body)
{
    const pid_t pid = fork();
    if (pid == 0) {
        body();
        _exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
}

TEST(RenameFaults, KilledBetweenAnyTwoStepsLosesNothingAndTheNextRunFinishes)
{
    constexpr KlmRenameStage kStages[] = {
        KlmRenameStage::Checked,         KlmRenameStage::WorkFolderMade,  KlmRenameStage::Extracted,
        KlmRenameStage::ArchiveBuilt,    KlmRenameStage::ArchiveVerified, KlmRenameStage::ArchiveInPlace,
        KlmRenameStage::OldArchiveRemoved, KlmRenameStage::WorkFolderRemoved,
    };
    for (const KlmTestPacker packer : kPackers) {
        for (const Layout& layout : kLayouts) {
            for (const KlmRenameStage stage : kStages) {
                SCOPED_TRACE(std::string(klmTestPackerName(packer)) + ", " + layout.name + ", stage "
                             + std::to_string(int(stage)));
                Scene s;
                s.pack(packer, layout.members());
                // The dat.cache of the last shutdown; the killed run saves none.
                s.persisted(s.cat);
                const int status = inChild([&] {
                    s.runOn(s.cat, [stage](KlmRenameStage at) {
                        if (at == stage)
                            raise(SIGKILL);
                    });
                });
                ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

                const KlmTestFolderState mid = klmTestFolderState(s.roms);
                EXPECT_TRUE(klmTestKeepsAll(s.before.contents, mid.contents));
                // An audit now sees the old archive, the new one or both:
                // never the work folder.
                for (const std::string& f : mid.counted)
                    EXPECT_TRUE(f == s.renamed || std::count(s.before.counted.begin(), s.before.counted.end(), f))
                        << f;
                EXPECT_TRUE(fs::exists(s.archive) || fs::exists(s.renamed));

                Catalogue next = s.savedCache();
                s.runOn(next);
                s.expectRenamed(s.persisted(next));
            }
        }
    }
}

TEST(RenameFaults, KilledWhileMovingAPlainFile)
{
    for (const KlmRenameStage stage : {KlmRenameStage::Checked, KlmRenameStage::Moved}) {
        Scene s;
        s.plain("旧い名前.bin", klmTestRomBytes(30000, 4));
        s.snapshot();
        s.persisted(s.cat);
        const int status = inChild([&] {
            s.runOn(s.cat, [stage](KlmRenameStage at) {
                if (at == stage)
                    raise(SIGKILL);
            });
        });
        ASSERT_TRUE(WIFSIGNALED(status));
        Catalogue next = s.savedCache();
        s.runOn(next);
        const Catalogue saved = s.persisted(next);
        EXPECT_EQ(saved.games[0].ownership, kKlmOwned);
        EXPECT_EQ(klmToUtf8(klmField(saved.games[0].foundPath)), s.renamed);
        EXPECT_EQ(klmTestRecordMismatch(saved.games[0], true), "");
        EXPECT_EQ(klmTestFolderState(s.roms).counted, std::vector<std::string>{s.renamed});
    }
}

TEST(RenameFaults, FullDiskWhileWritingTheNewArchive)
{
    for (const KlmTestPacker packer : kPackers) {
        for (const Layout& layout : kLayouts) {
            SCOPED_TRACE(std::string(klmTestPackerName(packer)) + ", " + layout.name);
            Scene s;
            const std::vector<KlmTestMember> members = layout.members();
            s.pack(packer, members);
            // Stored without compression, the new archive outgrows its
            // largest member, which extraction can still write.
            s.settings = klmTestRenameSettings(true, 0, 0);
            size_t largest = 0;
            for (const KlmTestMember& m : members)
                largest = std::max(largest, m.data.size());
            const int status = inChild([&] {
                const rlimit limit{largest, largest};
                setrlimit(RLIMIT_FSIZE, &limit);
                signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails with EFBIG instead
                const KlmRenameRun run = s.runOn(s.cat);
                s.persisted(s.cat);
                const std::string& why = run.results[0].reason;
                const bool diskFull = why.find("too large") != std::string::npos || why.find("Write error") != std::string::npos;
                _exit(run.summary.unchanged == 1 && diskFull ? 0 : 1);
            });
            ASSERT_TRUE(WIFEXITED(status));
            EXPECT_EQ(WEXITSTATUS(status), 0);
            s.expectUntouched(s.savedCache());
        }
    }
}

// Flips a byte inside the first member's packed data; the CRC the archive
// records (and the audit matched) stays as it was.
void damageFirstMember(const std::string& archive, bool zip)
{
    std::string bytes = klmTestRead(archive);
    size_t at = 32 + 200;  // 7z: the packed streams follow the 32-byte signature header
    if (zip) {
        const size_t nameLength = uint8_t(bytes[26]) | uint8_t(bytes[27]) << 8;
        const size_t extraLength = uint8_t(bytes[28]) | uint8_t(bytes[29]) << 8;
        at = 30 + nameLength + extraLength + 200;
    }
    bytes[at] = char(bytes[at] ^ 0x5A);
    klmTestWrite(archive, bytes);
}

TEST(RenameFaults, DamagedMemberStopsTheRebuild)
{
    for (const KlmTestPacker packer : kPackers) {
        for (const Layout& layout : kLayouts) {
            SCOPED_TRACE(std::string(klmTestPackerName(packer)) + ", " + layout.name);
            Scene s;
            s.pack(packer, layout.members());
            damageFirstMember(s.archive, klmTestPackerMakesZip(packer));
            s.oldBytes = klmTestRead(s.archive);
            s.snapshot();
            const KlmRenameRun run = s.runOn(s.cat);
            EXPECT_EQ(run.summary.unchanged, 1);
            s.expectUntouched(s.persisted(s.cat));
        }
    }
}

TEST(RenameFaults, NewNameTakenByAFileAFolderOrARaceWinner)
{
    enum class Taken { File, Folder, AppearsBeforeTheMove };
    for (const KlmTestPacker packer : {KlmTestPacker::InfoZip, KlmTestPacker::SevenZip7z}) {
        for (const Taken taken : {Taken::File, Taken::Folder, Taken::AppearsBeforeTheMove}) {
            SCOPED_TRACE(std::string(klmTestPackerName(packer)) + ", case " + std::to_string(int(taken)));
            Scene s;
            s.pack(packer, severalMembers());
            KlmRenameStepHook hook;
            if (taken == Taken::File)
                klmTestWrite(s.renamed, "someone else's file");
            else if (taken == Taken::Folder)
                fs::create_directories(s.renamed + "/inside");
            else
                hook = [&s](KlmRenameStage at) {
                    if (at == KlmRenameStage::ArchiveVerified)
                        klmTestWrite(s.renamed, "someone else's file");
                };
            if (taken != Taken::AppearsBeforeTheMove)
                s.snapshot();
            const KlmRenameRun run = s.runOn(s.cat, hook);
            EXPECT_EQ(run.summary.unchanged, 1);
            if (taken == Taken::AppearsBeforeTheMove) {
                EXPECT_EQ(klmTestRead(s.renamed), "someone else's file");
                fs::remove(s.renamed);
            }
            if (taken == Taken::Folder) {
                EXPECT_TRUE(fs::is_directory(s.renamed + "/inside"));
            }
            s.expectUntouched(s.persisted(s.cat));
        }
    }
}

TEST(RenameFaults, PlainFileNeverReplacesAnother)
{
    for (const bool appears : {false, true}) {
        Scene s;
        s.plain("game.bin", klmTestRomBytes(20000, 5));
        KlmRenameStepHook hook;
        if (appears) {
            hook = [&s](KlmRenameStage at) {
                if (at == KlmRenameStage::Checked)
                    klmTestWrite(s.renamed, "mine");
            };
        } else {
            klmTestWrite(s.renamed, "mine");
        }
        s.runOn(s.cat, hook);
        EXPECT_EQ(klmTestRead(s.renamed), "mine");
        EXPECT_TRUE(klmTestRead(s.archive) == s.oldBytes);
        const Catalogue saved = s.persisted(s.cat);
        EXPECT_EQ(saved.games[0].ownership, kKlmOwnedNotRenamed);
        EXPECT_EQ(klmTestRecordMismatch(saved.games[0], true), "");
    }
}

TEST(RenameFaults, VanishedOrReplacedRoms)
{
    for (const bool inside : {true, false}) {
        for (const KlmTestPacker packer : {KlmTestPacker::SevenZipZip, KlmTestPacker::Libarchive7z}) {
            SCOPED_TRACE(std::string(klmTestPackerName(packer)) + (inside ? ", inside" : ", whole"));
            // Gone since the audit: the game is no longer owned.
            Scene gone;
            gone.pack(packer, oneMember());
            gone.settings = klmTestRenameSettings(inside);
            fs::remove(gone.archive);
            const KlmRenameRun run = gone.runOn(gone.cat);
            EXPECT_EQ(run.summary.noLongerOwned, 1);
            const Catalogue saved = gone.persisted(gone.cat);
            EXPECT_EQ(saved.games[0].ownership, kKlmNotOwned);
            EXPECT_EQ(klmTestRecordMismatch(saved.games[0], inside), "");
        }
    }
    // Replaced by another archive since the audit: left alone.
    Scene replaced;
    replaced.pack(KlmTestPacker::InfoZip, oneMember());
    ASSERT_TRUE(klmTestPack(KlmTestPacker::InfoZip, replaced.archive + ".new.zip", {{"other.bin", "other"}}));
    fs::rename(replaced.archive + ".new.zip", replaced.archive);
    const std::string bytes = klmTestRead(replaced.archive);
    EXPECT_EQ(replaced.runOn(replaced.cat).summary.unchanged, 1);
    EXPECT_TRUE(klmTestRead(replaced.archive) == bytes);
    EXPECT_FALSE(fs::exists(replaced.renamed));
}

TEST(RenameFaults, HalfDoneMovesAreFinished)
{
    // A link move that stopped between link and unlink: both names on one file.
    Scene s;
    const std::string rom = klmTestRomBytes(20000, 6);
    s.plain("game.bin", rom);
    fs::create_hard_link(s.archive, s.renamed);
    EXPECT_EQ(s.runOn(s.cat).summary.renamed, 1);
    EXPECT_FALSE(fs::exists(s.archive));
    EXPECT_TRUE(klmTestRead(s.renamed) == rom);
    EXPECT_EQ(klmTestRecordMismatch(s.persisted(s.cat).games[0], true), "");

    // The same new name held by a different archive is not "finished".
    Scene other;
    other.pack(KlmTestPacker::SevenZip7z, severalMembers());
    std::vector<KlmTestMember> almost = severalMembers();
    almost[0].name = "新しい名前.bin";
    almost[1].data = "changed";
    ASSERT_TRUE(klmTestPack(KlmTestPacker::SevenZip7z, other.renamed, almost));
    other.snapshot();
    EXPECT_EQ(other.runOn(other.cat).summary.unchanged, 1);
    other.expectUntouched(other.persisted(other.cat));
}

}  // namespace
