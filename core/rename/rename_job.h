// The work of renaming one game's ROM: a pure function of a copy of the
// game's record and the rename settings, returning the record's new audit
// fields. It touches the file system only, never the catalogue, so it may
// run on a worker thread while the window keeps painting.
//
// A plain file (and, with "rename inside archives" off, an archive) is moved
// to the target name in its own folder, keeping its extension, never onto
// an existing name. A file that is gone turns the game to not owned. With
// the setting on, an archive is rebuilt with its first member renamed
// (archive_rebuild.h); a gone archive leaves the game as it was.
//
// Either way, a ROM that already sits at the new name with the game's CRC
// (the move of an earlier run that ended before its results were saved) is
// taken as the game's ROM instead.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "catalogue/records.h"
#include "rename/archive_rebuild.h"

struct KlmRenameJob {
    int32_t index = -1;       // catalogue index
    GameRecord game{};        // the record as it was when the job was made
    bool insideArchives = true;
    int zipMx = 5;            // -mx of the rebuilt zip and 7z archives
    int sevenZipMx = 5;
    bool dryRun = false;      // decide, change nothing
    bool cleanStale = false;  // first remove work folders a crashed run left beside the archive
    KlmRenameStepHook hook;   // called between the steps (tests)
};

enum class KlmRenameOutcome {
    Renamed,        // the ROM has the target name now
    Unchanged,      // the record stays as it was (status 2)
    NoLongerOwned,  // the file is gone: status 0
};

struct KlmRenameResult {
    int32_t index = -1;
    KlmRenameOutcome outcome = KlmRenameOutcome::Unchanged;
    std::string from;        // CP932 found path before
    std::string foundPath;   // CP932 record fields after the step
    std::string memberName;
    int32_t status = kKlmOwnedNotRenamed;
    std::string reason;      // UTF-8, why nothing changed (empty otherwise)
};

// The new path of the rename (CP932): the folder of path, then name, then
// the extension of path's file name with its dot. Empty when the result is
// 260 bytes or longer. path is walked as Shift-JIS.
std::string klmRenameNewPath(std::string_view cp932Path, std::string_view name);

// Renames one game's ROM (or, for a dry run, decides what would happen).
KlmRenameResult klmRenameExecute(const KlmRenameJob& job);
