// The rename run as a step machine, one game per step, like the audit: the
// window (or kolmar-cli) starts it over a list of catalogue indices, steps it
// from a timer, shows the progress between steps and may cancel between
// games. The games handled so far keep their new names.
//
// The work list is the given indices (every game for "rename all", the
// selected rows in row order for "rename selected") whose status is 2, in
// the given order. The work of one game (rename_job.h) can run off the
// window's thread:
//
//   GUI thread                       any thread
//   job = klmRenameNextJob(run)  ->  result = klmRenameExecute(*job)
//   klmRenameApply(run, result)  <-
//
// The run itself is touched only on the thread that started it; the job is
// a copy and the result a value, so nothing is shared while the work runs.
// klmRenameStep does the three in a row.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "browse/match.h"
#include "catalogue/catalogue.h"
#include "rename/rename_job.h"
#include "settings/settings.h"

// Program texts (UTF-8) of the run's boxes and dialog.
inline constexpr const char* kKlmRenameConfirmText = "リネームを開始しますか";
inline constexpr const char* kKlmRenameConfirmTitle = "開始確認";
inline constexpr const char* kKlmRenameDialogTitle = "リネーム";
inline constexpr const char* kKlmRenameNothingText = "リネームは不要です";
inline constexpr const char* kKlmRenameNoPatternText = "リネーム用文字列が設定されていません";
inline constexpr const char* kKlmRenameWarningTitle = "警告";
inline constexpr const char* kKlmRenameCancelText = "リネームをキャンセルしますか";
inline constexpr const char* kKlmRenameCancelTitle = "キャンセル確認";

enum class KlmRenamePhase { Running, Finished };

struct KlmRenameSummary {
    int32_t renamed = 0;
    int32_t unchanged = 0;
    int32_t noLongerOwned = 0;
    bool cancelled = false;
};

struct KlmRenameRun {
    Catalogue* cat = nullptr;
    std::vector<int32_t> work;  // catalogue indices, in order
    size_t position = 0;        // next game to handle
    KlmRenamePhase phase = KlmRenamePhase::Finished;
    bool insideArchives = true;
    int zipMx = 5;
    int sevenZipMx = 5;
    bool dryRun = false;           // decide every game, change no file and no record
    KlmRenameStepHook stepHook;    // copied into every job (tests)
    bool keepResults = false;      // fill results (kolmar-cli)
    std::vector<KlmRenameResult> results;
    std::vector<int32_t> changedGames;
    KlmRenameSummary summary;

    // Bookkeeping of the thread that owns the run.
    bool jobOut = false;           // a job was handed out and not applied yet
    bool cancelPending = false;    // cancel confirmed while a job was out
    std::unordered_set<std::string> cleanedFolders;  // stale work folders looked for
    std::unordered_set<std::string> claimed;         // dry run: new paths given out
};

// The warning boxes (title kKlmRenameWarningTitle, information icon) of a
// start that did not start, in the order they are shown: first
// "リネームは不要です" when no game needs renaming, then
// "リネーム用文字列が設定されていません" when the pattern is empty. Empty
// when the run started.
using KlmRenameStartMessages = std::vector<const char*>;

// The games of candidates (catalogue indices) whose status is 2, in order;
// indices outside the catalogue are passed over, and a game named twice is
// handled once (its second turn would find it renamed already).
std::vector<int32_t> klmRenameWorkList(const Catalogue& cat, const std::vector<int32_t>& candidates);

// Every catalogue index in order: the candidates of "rename all".
std::vector<int32_t> klmRenameAllCandidates(const Catalogue& cat);

// The candidates of the command that started the run: every game for
// rename all (kKlmCmdRename), the games behind the selected rows of the
// list (rows of view), in row order, for rename selected.
std::vector<int32_t> klmRenameCandidates(const Catalogue& cat, const ViewList& view, int32_t command,
                                         const std::vector<int32_t>& selectedRows);

// Checks and prepares a run. cat must stay alive and unresized until the
// run has finished. The run's stepHook and keepResults, set before, stay.
KlmRenameStartMessages klmRenameStart(KlmRenameRun& run, Catalogue& cat, const Settings& settings,
                                      const std::vector<int32_t>& candidates, bool dryRun = false);

// The work of the next game, or nothing when the run is over (it is then
// finished). At most one job is out at a time.
std::optional<KlmRenameJob> klmRenameNextJob(KlmRenameRun& run);

// Writes a job's result to the game's record (not in a dry run) and moves
// on. A cancel confirmed while the job was out takes effect here.
void klmRenameApply(KlmRenameRun& run, const KlmRenameResult& result);

// One game on the calling thread. Returns the phase after it.
KlmRenamePhase klmRenameStep(KlmRenameRun& run);

// Steps until the run has finished.
void klmRenameRunToEnd(KlmRenameRun& run);

// Cancel confirmed: the run ends now, or when the job that is out comes
// back.
void klmRenameCancel(KlmRenameRun& run);

struct KlmRenameProgress {
    int32_t percent = 0;       // bar position: position × 100 / length
    std::string progressText;  // "%5d/%5d(%2d%%)" with the position and the length
    std::string pathText;      // UTF-8: the found path of the game being handled
};

// Progress as the dialog shows it while the game at the position is handled.
KlmRenameProgress klmRenameProgress(const KlmRenameRun& run);

// ---- A whole run without a window (kolmar-cli rename) -------------------

struct KlmRenameReport {
    KlmRenameStartMessages messages;     // why nothing ran (the run did not start)
    std::vector<int32_t> badIndices;     // selected indices outside the catalogue
    std::vector<KlmRenameResult> games;  // one per game handled, in order
    KlmRenameSummary summary;
};

// Runs the rename over the audit results in cat: all games, or the selected
// catalogue indices in their order. A dry run changes no file and leaves
// cat as it was. The caller saves dat.cache afterwards (unless dry).
// stopRequested, asked between games, ends the run early as a confirmed
// cancel does (the summary says cancelled).
KlmRenameReport klmRenameCatalogue(Catalogue& cat, const Settings& settings,
                                   const std::optional<std::vector<int32_t>>& selected, bool dryRun,
                                   const std::function<bool()>& stopRequested = {});

// One line for the summary: "リネーム %d件、変更なし %d件、所有でなくなった %d件" (UTF-8).
std::string klmRenameSummaryLine(const KlmRenameSummary& summary);
