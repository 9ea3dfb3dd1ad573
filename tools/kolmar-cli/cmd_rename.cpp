// kolmar-cli rename BASEDIR [--selected I,J,...] [--dry-run] [--json]: the
// rename of the window without the window. Opens the folder as the
// program's start-up does (the audit results come from dat.cache, the
// target names from the session), gives every owned ROM that is not renamed
// yet its target name with the same engine, writes the caches as the
// shutdown does and prints one summary line. --selected names catalogue
// indices, handled in the order given. --dry-run decides every game and
// changes nothing, not even the caches. --json prints one object per game
// handled (index, from, to, status, member) and the summary on stderr.
//
// The program's single-instance guard is held for the whole run: a window
// would overwrite dat.cache at its own shutdown, and must not start while
// files are being moved. Ctrl+C ends the run between games; the games
// handled so far are saved.
#include <csignal>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli.h"
#include "rename/rename_run.h"
#include "single_instance.h"
#include "text/cp932.h"

namespace {

volatile std::sig_atomic_t gStopRequested = 0;

void onStopSignal(int) { gStopRequested = 1; }

// The first Ctrl+C (or TERM) stops between games; a second one ends the
// process at once (the next run finds the half-done game again).
void catchStopSignals()
{
    struct sigaction sa {};
    sa.sa_handler = onStopSignal;
    sa.sa_flags = SA_RESETHAND;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
}

void printJson(const KlmRenameResult& r)
{
    KlmJson line;
    line["index"] = r.index;
    line["from"] = klmCliText(r.from);
    line["to"] = r.outcome == KlmRenameOutcome::Renamed ? klmCliText(r.foundPath) : KlmJson(nullptr);
    line["status"] = r.status;
    line["member"] = klmCliText(r.memberName);
    klmCliWrite(line.dump(-1, ' ', false, KlmJson::error_handler_t::replace) + '\n');
}

// What happened (or, in a dry run, would happen) to one game.
void printPlain(const KlmRenameResult& r, bool dryRun)
{
    const std::string from = klmToUtf8(r.from);
    std::string line;
    switch (r.outcome) {
    case KlmRenameOutcome::Renamed: line = from + " -> " + klmToUtf8(r.foundPath); break;
    case KlmRenameOutcome::Unchanged: line = from + ": 変更なし"; break;
    case KlmRenameOutcome::NoLongerOwned: line = from + (dryRun ? ": 所有でなくなる" : ": 所有でなくなった"); break;
    }
    if (!r.reason.empty()) line += " (" + r.reason + ")";
    if (dryRun) klmCliWrite(line + '\n');
    else if (r.outcome != KlmRenameOutcome::Renamed) std::fprintf(stderr, "%s\n", line.c_str());
}

struct Options {
    std::string base;
    std::vector<int32_t> selected;
    bool hasSelected = false;
    bool dryRun = false;
    bool json = false;
};

int runRename(const Options& o)
{
    const klm::platform::SingleInstance guard;
    if (guard.anotherRunning()) {
        std::fprintf(stderr, "Kolmar が起動しているためリネームできません。終了してから実行してください\n");
        return kKlmExitCannotLoad;
    }

    KlmAppContext ctx;
    KlmOpenOptions open;
    open.readOnly = o.dryRun;
    KlmOpenReport report;
    if (!klmCliOpenSession(ctx, o.base, open, &report)) return kKlmExitCannotLoad;
    klmCliNoteUnreadable(ctx, report);

    // A wrong index is a typing mistake: nothing is renamed rather than
    // the rest.
    std::optional<std::vector<int32_t>> selected;
    if (o.hasSelected) {
        for (const int32_t i : o.selected)
            if (i < 0 || i >= klmGameCount(ctx.catalogue)) {
                std::fprintf(stderr, "カタログにない番号です: %d（0〜%d）\n", int(i), int(klmGameCount(ctx.catalogue)) - 1);
                return kKlmExitCannotLoad;
            }
        selected = o.selected;
    }

    catchStopSignals();
    const KlmRenameReport done = klmRenameCatalogue(ctx.catalogue, ctx.state.settings, selected, o.dryRun,
                                                    [] { return gStopRequested != 0; });
    bool noPattern = false;
    for (const char* message : done.messages) {
        std::fprintf(stderr, "%s\n", message);
        noPattern = noPattern || std::string_view(message) == kKlmRenameNoPatternText;
    }
    if (noPattern) return kKlmExitProblems;

    for (const KlmRenameResult& r : done.games) {
        if (o.json) printJson(r);
        else printPlain(r, o.dryRun);
    }
    int rc = kKlmExitOk;
    if (!o.dryRun && !done.games.empty() && !klmCliSaveCaches(ctx)) rc = kKlmExitProblems;
    if (done.summary.cancelled) {
        std::fprintf(stderr, "リネームを中断しました\n");
        rc = kKlmExitProblems;
    }
    const std::string summary = klmRenameSummaryLine(done.summary) + '\n';
    std::fputs(summary.c_str(), o.json ? stderr : stdout);
    if (o.dryRun) std::fputs("（--dry-run のため何も変更していません）\n", stderr);
    return rc;
}

}  // namespace

KlmCliRun klmCliRename(CLI::App& app)
{
    auto o = std::make_shared<Options>();
    klmCliBaseArgument(app, o->base);
    // One comma-separated list per --selected (a second one adds to it).
    app.add_option("--selected", o->selected)
        ->delimiter(',')
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    app.add_flag("--dry-run", o->dryRun);
    app.add_flag("--json", o->json);
    return [o, &app] {
        o->hasSelected = app.count("--selected") > 0;
        return runRename(*o);
    };
}
