// The ROM audit as a step machine: the window (or kolmar-cli) starts a run,
// calls klmAuditStep from a timer with a time budget, shows the progress
// between calls and may cancel at any point. Nothing here blocks for long:
// a folder listing, one file, or 8 MiB of a large file is the largest unit.
//
// Collect: the selected ROM folders in registry order, each walked
// depth-first to its depth (a folder is listed before its subfolders, each
// folder's entries in the order the system lists them). A folder reached
// twice, by the same path or another (a link), is scanned once; a link that
// leads back up the tree is not followed again, so a loop ends.
// Scan: every file of every scan folder, in that order; its CRC text (the
// first member's for a zip or 7z archive) is looked up among the games'
// CRC32 texts and the first game in catalogue order with it becomes owned:
// found path, member base name, status 1 or 2 by its target name. Further
// games with the same CRC are left alone; a later file with the CRC takes
// the game over. Earlier results are never cleared by a run.
//
// Work folders of an archive rebuild (rename/file_moves.h) are passed over.
// The user's files are only ever opened for reading. Problems with one file
// or folder go to stderr and the run goes on. Paths are native (UTF-8 on
// Linux); the catalogue keeps them as CP932, so a file whose full path has
// no CP932 form, or whose CP932 form does not fit the 260-byte field, is
// reported and matches nothing.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "audit/romfolder.h"
#include "catalogue/catalogue.h"
#include "settings/settings.h"

// Program texts (UTF-8) of the audit's boxes and progress dialog.
inline constexpr const char* kKlmAuditConfirmText = "ロムの監査を開始しますか";
inline constexpr const char* kKlmAuditConfirmTitle = "開始確認";
inline constexpr const char* kKlmAuditDialogTitle = "監査";
inline constexpr const char* kKlmAuditCollectingText = "ロムファイル検索中";
inline constexpr const char* kKlmAuditCancelText = "ロムの監査をキャンセルしますか";
inline constexpr const char* kKlmAuditCancelTitle = "キャンセル確認";
inline constexpr const char* kKlmAuditFinishedTitle = "ロムの監査終了";
inline constexpr const char* kKlmAuditWarningTitle = "警告";

enum class KlmAuditPhase {
    Collect = 1,  // walking the folders and counting the files
    Scan = 2,     // one file after another
    Finished = 3, // done or cancelled; the run holds only its counters
};

enum class KlmAuditStartResult {
    Started,
    NoFolderSelected,  // "ロムフォルダが指定されていません"
    NoRenamePattern,   // "リネーム用文字列が設定されていません"
};

// The warning box text (title kKlmAuditWarningTitle, information icon) of
// a start that did not start; empty for Started.
const char* klmAuditStartMessage(KlmAuditStartResult result);

// What happened to one file (for kolmar-cli --json and for tests).
struct KlmAuditFileEvent {
    std::string path;    // native full path
    std::string crc;     // CRC text; empty when none was computed
    std::string member;  // CP932 base name of an archive's first member
    int32_t matched = -1;  // catalogue index of the game it marked, or −1
};
using KlmAuditFileHook = std::function<void(const KlmAuditFileEvent&)>;

struct KlmAuditWork;  // the walk, the scan list and the file being read

struct KlmAuditRun {
    KlmAuditRun();
    ~KlmAuditRun();
    KlmAuditRun(KlmAuditRun&&) noexcept;
    KlmAuditRun& operator=(KlmAuditRun&&) noexcept;

    Catalogue* cat = nullptr;
    bool renameInsideArchives = true;
    KlmAuditPhase phase = KlmAuditPhase::Finished;
    bool cancelled = false;
    int32_t totalFiles = 0;      // the files counted while collecting (監査ロム数)
    int32_t processedFiles = 0;
    int32_t matchedFiles = 0;    // files that marked a game (該当ロム数)
    int32_t folderIndex = 0;     // scan folder being read
    int32_t folderCount = 0;     // scan folders collected so far
    KlmAuditFileHook onFile;     // optional, called after each file
    std::unique_ptr<KlmAuditWork> work;
};

// Checks and prepares a run over the selected folders of the registry (in
// registry order) against cat, which must stay alive and unresized until
// the run has finished. On anything but Started the run is left finished
// and nothing was touched.
KlmAuditStartResult klmAuditStart(KlmAuditRun& run, Catalogue& cat, const Settings& settings,
                                  const std::vector<RomFolder>& folders);

// Does units of work until budget has passed (at least one unit; a zero
// budget does exactly one). Returns the phase after the call.
KlmAuditPhase klmAuditStep(KlmAuditRun& run, std::chrono::microseconds budget);

// Steps until the run has finished (kolmar-cli, benchmarks, tests).
void klmAuditRunToEnd(KlmAuditRun& run);

// Cancel confirmed: ends the run at once; the matches made so far stay.
void klmAuditCancel(KlmAuditRun& run);

struct KlmAuditProgress {
    KlmAuditPhase phase = KlmAuditPhase::Finished;
    int32_t percent = 0;       // bar position 0–100: processed × 100 / total
    std::string progressText;  // "%5d/%5d(%2d%%)"
    std::string statusText;    // UTF-8: "ロムファイル検索中" or the scan folder's path
};

// Progress as the dialog shows it. Before any file was counted the
// percentage is 0.
KlmAuditProgress klmAuditProgress(const KlmAuditRun& run);

// "ロムの監査が終了しました。\n監査ロム数 : %d\n該当ロム数 : %d\n" (UTF-8) with
// the files counted and the files matched; title kKlmAuditFinishedTitle.
std::string klmAuditSummaryText(const KlmAuditRun& run);
