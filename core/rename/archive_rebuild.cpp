#include "rename/archive_rebuild.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "audit/crc.h"
#include "rename/file_moves.h"
#include "text/cp932.h"

namespace {

void at(const KlmRenameStepHook& hook, KlmRenameStage stage)
{
    if (hook)
        hook(stage);
}

// The member name with its base name replaced; its folder part and its
// extension stay.
std::string renamedMember(const std::string& native, const std::string& base)
{
    const size_t slash = native.rfind('/');
    const size_t start = slash == std::string::npos ? 0 : slash + 1;
    size_t dot = native.rfind('.');
    if (dot == std::string::npos || dot < start)
        dot = native.size();
    return native.substr(0, start) + base + native.substr(dot);
}

// The same file, unchanged: what must hold for the archive read at the
// start before it is replaced or removed.
bool unchangedSince(const std::string& path, const struct stat& before)
{
    struct stat now {};
    return ::lstat(path.c_str(), &now) == 0 && now.st_dev == before.st_dev && now.st_ino == before.st_ino
        && now.st_size == before.st_size && now.st_mtim.tv_sec == before.st_mtim.tv_sec
        && now.st_mtim.tv_nsec == before.st_mtim.tv_nsec;
}

bool sameEntries(const std::vector<KlmArchiveEntry>& expected, const std::vector<KlmArchiveEntry>& got)
{
    if (expected.size() != got.size())
        return false;
    for (size_t i = 0; i < expected.size(); ++i) {
        const KlmArchiveEntry& a = expected[i];
        const KlmArchiveEntry& b = got[i];
        if (a.name != b.name || a.folder != b.folder || a.crc != b.crc || a.size != b.size)
            return false;
    }
    return true;
}

// The extracted entries as the new archive must hold them, or an error
// when the archive cannot be rebuilt whole.
bool planEntries(KlmExtractResult& x, const std::string& firstName, const std::string& newName, std::string& error)
{
    if (x.skipped > 0) {
        error = "the archive has entries a rebuild cannot keep (links, a name given twice)";
        return false;
    }
    size_t first = x.entries.size();
    for (size_t i = 0; i < x.entries.size(); ++i) {
        const KlmArchiveEntry& e = x.entries[i];
        if (!e.nameExact) {
            error = "a member name cannot be written back exactly: " + e.name;
            return false;
        }
        if (first == x.entries.size() && !e.folder && e.name == firstName)
            first = i;
        else if (e.name == newName)
            error = "another member already has the new name: " + newName;
    }
    if (!error.empty())
        return false;
    if (first == x.entries.size()) {
        error = "the first member was not extracted";
        return false;
    }
    x.entries[first].name = newName;
    return true;
}

// Step 5 when the archive keeps its name: the new one swaps places with the
// old one, which must still be the file that was read (else they swap back).
// *stranded is set when the old archive could not be swapped back and sits
// at the built path: the work folder must then be kept.
bool replaceInPlace(const std::string& built, const std::string& archive, const struct stat& before,
                    std::string& error, bool* stranded)
{
    if (!unchangedSince(archive, before)) {
        error = "the archive changed while it was rebuilt";
        return false;
    }
    if (::renameat2(AT_FDCWD, built.c_str(), AT_FDCWD, archive.c_str(), RENAME_EXCHANGE) == 0) {
        if (unchangedSince(built, before))
            return true;
        error = "the archive changed while it was rebuilt";
        if (::renameat2(AT_FDCWD, built.c_str(), AT_FDCWD, archive.c_str(), RENAME_EXCHANGE) != 0) {
            *stranded = true;
            error += "; the changed archive is kept at " + built;
        }
        return false;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        error = archive + ": " + std::strerror(errno);
        return false;
    }
    // No exchange on this file system: the old archive was checked just now.
    if (::rename(built.c_str(), archive.c_str()) != 0) {
        error = archive + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

// True when the archive at the new name holds exactly what rebuilding the
// old one gives: the same entries in order with the same data, the first
// member renamed.
bool isFinishedRebuild(const KlmRebuildRequest& req, const std::string& firstName, const std::string& newMember)
{
    if (klmArchiveKindOf(req.newArchive) != req.kind)
        return false;
    KlmArchiveListing old = klmListArchive(req.archive);
    if (!old.ok || old.skipped != 0)
        return false;
    for (KlmArchiveEntry& e : old.entries) {
        if (!e.folder && e.name == firstName) {
            e.name = newMember;
            break;
        }
    }
    const KlmArchiveListing done = klmListArchive(req.newArchive);
    const KlmArchiveMember first = klmReadFirstMember(req.newArchive);
    return done.ok && done.skipped == 0 && sameEntries(old.entries, done.entries) && first.ok
        && first.nativeName == newMember && klmFormatCrcText(first.crc) == req.crc;
}

// Removes the old archive when it is still the file that was read.
bool removeOld(const std::string& archive, const struct stat& before, std::string& error)
{
    if (!unchangedSince(archive, before)) {
        error = archive + ": changed while it was rebuilt; left as it is";
        return false;
    }
    if (::unlink(archive.c_str()) != 0) {
        error = archive + ": " + std::strerror(errno);
        return false;
    }
    klmSyncFolderOf(archive);
    return true;
}

KlmRebuildResult failed(KlmRebuildResult r, std::string why)
{
    r.ok = false;
    r.error = std::move(why);
    return r;
}

}  // namespace

KlmRebuildResult klmRebuildArchive(const KlmRebuildRequest& req, const KlmRenameStepHook& hook)
{
    KlmRebuildResult r;
    struct stat before {};
    if (::lstat(req.archive.c_str(), &before) != 0)
        return failed(r, req.archive + ": " + std::strerror(errno));
    if (!S_ISREG(before.st_mode))
        return failed(r, req.archive + ": not a regular file (a link or a folder is left as it is)");
    const KlmArchiveMember first = klmReadFirstMember(req.archive);
    if (!first.ok)
        return failed(r, req.archive + ": " + first.error);
    if (klmFormatCrcText(first.crc) != req.crc)
        return failed(r, "the archive's first member is no longer the game's ROM");
    const std::string newMember = renamedMember(first.nativeName, req.memberBase);
    bool exact = first.nameExact;
    const std::string newMemberCp932 = klmFromUtf8(newMember, &exact);
    if (!exact || req.memberBase.empty() || klmIsUnsafeMemberName(newMember, false))
        return failed(r, "the new member name cannot be used: " + newMember);
    r.memberName = klmMemberBaseName(newMemberCp932);
    const bool inPlace = req.newArchive == req.archive;
    struct stat taken {};
    if (!inPlace && ::lstat(req.newArchive.c_str(), &taken) == 0) {
        if (S_ISREG(taken.st_mode) && isFinishedRebuild(req, first.nativeName, newMember)) {
            if (!req.dryRun && !removeOld(req.archive, before, r.error))
                return failed(r, r.error);
            r.ok = true;
            return r;
        }
        return failed(r, req.newArchive + ": the name is taken");
    }
    if (req.dryRun) {
        r.ok = true;
        return r;
    }
    at(hook, KlmRenameStage::Checked);

    const std::string folder = klmFolderOf(req.archive);
    KlmWorkFolder work;
    std::string error;
    if (!work.make(folder, error))
        return failed(r, error);
    at(hook, KlmRenameStage::WorkFolderMade);

    KlmExtractResult x = klmExtractArchive(req.archive, work.path + "/m");
    if (!x.ok)
        return failed(r, req.archive + ": " + x.error);
    if (!planEntries(x, first.nativeName, newMember, error))
        return failed(r, req.archive + ": " + error);
    at(hook, KlmRenameStage::Extracted);

    std::vector<KlmArchiveInput> inputs;
    inputs.reserve(x.entries.size());
    for (const KlmArchiveEntry& e : x.entries)
        inputs.push_back({e.path, e.name, e.folder, e.mtime, e.mtimeNsec});
    const size_t dot = req.archive.rfind('.');
    const std::string built = work.path + "/new" + req.archive.substr(dot);
    if (!klmCreateArchive(req.kind, built, inputs, req.mx, &error))
        return failed(r, error);
    ::chmod(built.c_str(), before.st_mode & 07777);  // the user's permissions stay
    at(hook, KlmRenameStage::ArchiveBuilt);

    const KlmArchiveMember check = klmReadFirstMember(built);
    const KlmArchiveListing listing = klmListArchive(built);
    if (!check.ok || check.nativeName != newMember || klmFormatCrcText(check.crc) != req.crc || !listing.ok
        || listing.skipped != 0 || !sameEntries(x.entries, listing.entries))
        return failed(r, "the rebuilt archive does not read back as built");
    at(hook, KlmRenameStage::ArchiveVerified);

    if (inPlace) {
        bool stranded = false;
        if (!replaceInPlace(built, req.archive, before, error, &stranded)) {
            if (stranded)
                work.path.clear();  // holds the user's file now: never removed
            return failed(r, error);
        }
    } else {
        int code = 0;
        const KlmMoveResult moved = klmMoveNoReplace(built, req.newArchive, &code);
        if (moved != KlmMoveResult::Moved)
            return failed(r, req.newArchive + ": " + std::strerror(code));
    }
    klmSyncFolderOf(req.newArchive);
    r.ok = true;
    at(hook, KlmRenameStage::ArchiveInPlace);

    // The old archive goes last (in place it now sits at the built name),
    // and only when it is still the file that was read.
    if (inPlace)
        ::unlink(built.c_str());
    else
        removeOld(req.archive, before, r.error);
    at(hook, KlmRenameStage::OldArchiveRemoved);

    if (!work.remove() && r.error.empty())
        r.error = "the work folder could not be removed";
    at(hook, KlmRenameStage::WorkFolderRemoved);
    return r;
}
