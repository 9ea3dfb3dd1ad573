// File moves that never replace anything, and the private work folders in
// which archives are rebuilt.
//
// A move onto a name that exists fails, even when the name appeared a moment
// before: renameat2(RENAME_NOREPLACE) where the file system has it, else a
// hard link to the new name (which fails on an existing name) and then the
// removal of the old one. Between those two a crash leaves both names on the
// one file, which the next rename recognises and finishes.
//
// Work folders are named with a prefix of their own, which the audit passes
// over, so that nothing a rebuild leaves behind (after a crash) is ever
// counted as a ROM. Each holds an advisory lock while it is in use; one
// whose lock can be taken belongs to a run that ended without cleaning up.
#pragma once

#include <string>
#include <string_view>

enum class KlmMoveResult {
    Moved,
    TargetExists,  // something (file, folder, link) already has the new name
    Failed,        // anything else; nothing was moved
};

// Moves the file at from to the new name to (same file system).
KlmMoveResult klmMoveNoReplace(const std::string& from, const std::string& to, int* error = nullptr);

// The fallback of klmMoveNoReplace for file systems without RENAME_NOREPLACE:
// link, then unlink. Exposed for the tests.
KlmMoveResult klmMoveNoReplaceByLink(const std::string& from, const std::string& to, int* error = nullptr);

// True when both paths name the same file (device and inode; links are not
// followed).
bool klmIsSameFile(const std::string& a, const std::string& b);

// Flushes the folder holding path, so that a move into it is on disk before
// anything that depends on it happens.
void klmSyncFolderOf(const std::string& path);

// Folder part of a native path, with its final '/' ("" when there is none).
std::string klmFolderOf(const std::string& path);

inline constexpr std::string_view kKlmRenameWorkPrefix = ".kolmar-rename-";

// A file or folder name (no folder part) that belongs to a rebuild.
bool klmIsRenameWorkName(std::string_view name);

// A locked work folder; removed with everything in it when it goes.
struct KlmWorkFolder {
    std::string path;  // native, without a final '/'
    int lockFd = -1;

    KlmWorkFolder() = default;
    KlmWorkFolder(const KlmWorkFolder&) = delete;
    KlmWorkFolder& operator=(const KlmWorkFolder&) = delete;
    ~KlmWorkFolder() { remove(); }

    // Makes and locks a new work folder inside folder.
    bool make(const std::string& folder, std::string& error);
    // Removes the folder and everything in it; false when some of it stayed.
    bool remove();
};

// Removes the work folders inside folder that no running rebuild holds.
// Returns how many were removed.
int klmRemoveStaleWorkFolders(const std::string& folder);
