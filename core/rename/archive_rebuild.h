// Rebuilding an archive so that its first member gets the target name.
//
// The old archive is never written to, and removed only once a verified
// copy holds the new name:
//   1. the first member (as the audit sees it) must still have the game's
//      CRC, the new archive name must be free, and every entry must be one
//      a rebuild can give back (files and folders; no links, no name twice);
//   2. a private work folder is made beside the archive (same file system,
//      a name the audit passes over) and every member extracted into it;
//   3. a new archive of the same kind is built there from all entries in
//      their order, the first member under its new name;
//   4. it is read back in full: the same entries in the same order with the
//      same CRCs, and a first member with the game's CRC and the new name;
//   5. it is moved to the new archive name without replacing anything (or,
//      when the archive already had that name, over the old archive, which
//      must still be the file read in 1), and the folder synced;
//   6. the old archive is removed, then the work folder.
// A failure anywhere before 5 removes the work folder and leaves the old
// archive exactly as it was.
//
// When the new name is taken by exactly the archive this rebuild would make
// (a run that stopped between 5 and 6), the old archive is removed and the
// rebuild counts as done.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "audit/archiver.h"

// The points between two steps of a game's rename, where a test may stop or
// disturb the run. Called on the thread that does the work.
enum class KlmRenameStage {
    Checked,            // everything looked at; nothing changed yet
    Moved,              // a plain file (or an archive left whole) has its new name
    WorkFolderMade,
    Extracted,
    ArchiveBuilt,
    ArchiveVerified,
    ArchiveInPlace,     // the new archive has its name; the old one still exists
    OldArchiveRemoved,
    WorkFolderRemoved,
};
using KlmRenameStepHook = std::function<void(KlmRenameStage)>;

struct KlmRebuildRequest {
    std::string archive;     // native path of the archive
    std::string newArchive;  // native path it is to have; may equal archive
    std::string memberBase;  // native base name the first member is to have
    std::string crc;         // CRC text the first member must have
    KlmArchiveKind kind = KlmArchiveKind::None;
    int mx = 5;              // compression level, as 7-Zip's -mx
    bool dryRun = false;     // only the checks of step 1 (without reading every entry)
};

struct KlmRebuildResult {
    bool ok = false;
    std::string memberName;  // CP932 base name of the new first member
    std::string error;       // why not, or a problem after success (old archive not removable)
};

KlmRebuildResult klmRebuildArchive(const KlmRebuildRequest& request, const KlmRenameStepHook& hook = {});
