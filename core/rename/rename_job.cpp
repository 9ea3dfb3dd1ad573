#include "rename/rename_job.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "audit/crc.h"
#include "audit/ownership.h"
#include "rename/file_moves.h"
#include "text/cp932.h"

namespace {

constexpr size_t kPathField = 260;

struct PathParts {
    size_t nameStart = 0;                     // first byte of the file name
    size_t dot = std::string_view::npos;      // the extension's dot, if any
};

// Walked as Shift-JIS: neither '/' nor '.' can be a trail byte, but the
// walk keeps the two bytes of a character together all the same.
PathParts splitPath(std::string_view path)
{
    PathParts p;
    for (size_t i = 0; i < path.size();) {
        const auto c = static_cast<unsigned char>(path[i]);
        if (klmIsLeadByte(c) && i + 1 < path.size()) {
            i += 2;
            continue;
        }
        if (c == '/') {
            p.nameStart = i + 1;
            p.dot = std::string_view::npos;
        } else if (c == '.') {
            p.dot = i;
        }
        ++i;
    }
    return p;
}

KlmRenameResult unchanged(const KlmRenameJob& job, std::string reason)
{
    KlmRenameResult r;
    r.index = job.index;
    r.from = std::string(klmField(job.game.foundPath));
    r.foundPath = r.from;
    r.memberName = std::string(klmField(job.game.memberName));
    r.status = job.game.ownership;
    r.reason = std::move(reason);
    return r;
}

// The game's ROM now lies at newCp932.
KlmRenameResult renamed(const KlmRenameJob& job, const std::string& newCp932, const std::string& member)
{
    KlmRenameResult r = unchanged(job, {});
    GameRecord after = job.game;
    klmCopyField(after.foundPath, newCp932);
    klmCopyField(after.memberName, member);
    r.outcome = KlmRenameOutcome::Renamed;
    r.foundPath = newCp932;
    r.memberName = member;
    r.status = klmOwnedStatusOf(after, job.insideArchives);
    return r;
}

bool exists(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 || errno != ENOENT;
}

// The found file is gone. When the ROM sits at the new name already (an
// earlier run moved it and ended before its results were kept), that file
// is the game's; anything else there is not.
bool adoptMoved(const KlmRenameJob& job, const std::string& newCp932, const std::string& newNative,
                KlmRenameResult& r)
{
    if (newCp932.empty() || !exists(newNative))
        return false;
    const KlmArchiveCrc crc = klmRomCrcText(newNative);
    if (crc.crc.empty() || crc.crc != klmField(job.game.crc32))
        return false;
    r = renamed(job, newCp932, crc.memberBase);
    return true;
}

KlmRenameResult moveFile(const KlmRenameJob& job, const std::string& native, const std::string& newCp932,
                         const std::string& newNative)
{
    const std::string member(klmField(job.game.memberName));
    if (job.dryRun)
        return exists(newNative) ? unchanged(job, "the new name is taken") : renamed(job, newCp932, member);
    if (job.hook)
        job.hook(KlmRenameStage::Checked);
    int error = 0;
    const KlmMoveResult moved = klmMoveNoReplace(native, newNative, &error);
    if (moved == KlmMoveResult::TargetExists && klmIsSameFile(native, newNative)) {
        // Both names on one file: a link move that stopped half-way.
        if (::unlink(native.c_str()) != 0)
            return unchanged(job, native + ": " + std::strerror(errno));
    } else if (moved != KlmMoveResult::Moved) {
        return unchanged(job, newNative + ": " + std::strerror(error));
    }
    // No folder sync here: a move is one journal entry, and nothing of the
    // file is lost whichever name a crash leaves it under.
    if (job.hook)
        job.hook(KlmRenameStage::Moved);
    return renamed(job, newCp932, member);
}

KlmRenameResult rebuild(const KlmRenameJob& job, KlmArchiveKind kind, const std::string& native,
                        const std::string& newCp932, const std::string& newNative)
{
    KlmRebuildRequest req;
    req.archive = native;
    req.newArchive = newNative;
    req.memberBase = klmToUtf8(klmField(job.game.targetName));
    req.crc = std::string(klmField(job.game.crc32));
    req.kind = kind;
    req.mx = kind == KlmArchiveKind::Zip ? job.zipMx : job.sevenZipMx;
    req.dryRun = job.dryRun;
    const KlmRebuildResult built = klmRebuildArchive(req, job.hook);
    if (!built.ok)
        return unchanged(job, built.error);
    KlmRenameResult r = renamed(job, newCp932, built.memberName);
    r.reason = built.error;  // a problem after success: the old archive stayed
    return r;
}

}  // namespace

std::string klmRenameNewPath(std::string_view path, std::string_view name)
{
    const PathParts p = splitPath(path);
    std::string out(path.substr(0, p.nameStart));
    out += name;
    if (p.dot != std::string_view::npos)
        out += path.substr(p.dot);
    if (out.size() >= kPathField)
        return {};
    return out;
}

KlmRenameResult klmRenameExecute(const KlmRenameJob& job)
{
    const std::string_view found = klmField(job.game.foundPath);
    const std::string_view target = klmField(job.game.targetName);
    bool ok = true;
    const std::string native = klmToUtf8(found, &ok);
    if (found.empty() || !ok)
        return unchanged(job, "the found path is empty or not Shift-JIS");
    const std::string newCp932 = target.empty() ? std::string() : klmRenameNewPath(found, target);
    const std::string newNative = klmToUtf8(newCp932, &ok);
    if (!ok)
        return unchanged(job, "the new path is not Shift-JIS");

    if (job.cleanStale && !job.dryRun)
        klmRemoveStaleWorkFolders(klmFolderOf(native));
    const KlmArchiveKind kind = job.insideArchives ? klmArchiveKindOf(native) : KlmArchiveKind::None;
    struct stat st {};
    if (::lstat(native.c_str(), &st) != 0) {
        if (errno != ENOENT && errno != ENOTDIR)
            return unchanged(job, native + ": " + std::strerror(errno));
        KlmRenameResult r;
        if (adoptMoved(job, newCp932, newNative, r))
            return r;
        // Gone, archive or not: the game is no longer owned.
        r = unchanged(job, {});
        r.outcome = KlmRenameOutcome::NoLongerOwned;
        r.status = kKlmNotOwned;
        r.foundPath.clear();
        r.memberName.clear();
        return r;
    }
    if (!S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode))
        return unchanged(job, native + ": not a file");
    if (target.empty())
        return unchanged(job, "the game has no target name");
    if (newCp932.empty())
        return unchanged(job, "the new path would be 260 bytes or longer");
    if (kind != KlmArchiveKind::None)
        return rebuild(job, kind, native, newCp932, newNative);
    if (newCp932 == found)
        return unchanged(job, "the file has its name already");
    return moveFile(job, native, newCp932, newNative);
}
