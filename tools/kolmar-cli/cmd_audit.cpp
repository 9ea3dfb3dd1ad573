// kolmar-cli audit BASEDIR [--json]: the audit of the window without the
// window. Opens the folder as the program's start-up does, walks the ROM
// folders selected in save/romfolder.dat, writes the results to the caches
// as the shutdown does and prints the summary. With --json every file
// handled is printed as one object (path, crc, member, matched) and the
// summary goes to stderr, so stdout stays JSON Lines.
//
// The ROM files are only read. The program's single-instance guard is held
// for the whole run: a window working on the catalogue would overwrite
// dat.cache at its own shutdown.
#include <cstdio>
#include <memory>
#include <string>

#include "audit/audit.h"
#include "cli.h"
#include "single_instance.h"

namespace {

void printFileEvent(const KlmAuditFileEvent& e)
{
    KlmJson line;
    line["path"] = e.path;
    line["crc"] = e.crc;
    line["member"] = klmCliText(e.member);
    line["matched"] = e.matched >= 0 ? KlmJson(e.matched) : KlmJson(nullptr);
    klmCliWrite(line.dump(-1, ' ', false, KlmJson::error_handler_t::replace) + '\n');
}

int runAudit(const std::string& base, bool json)
{
    const klm::platform::SingleInstance guard;
    if (guard.anotherRunning()) {
        std::fprintf(stderr, "Kolmar が起動しているため監査できません。終了してから実行してください\n");
        return kKlmExitCannotLoad;
    }

    // As start-up: the file times are recorded when the catalogue is parsed,
    // so the caches written below are the ones the next start-up loads. The
    // caches themselves are written once, after the audit.
    KlmAppContext ctx;
    KlmOpenReport report;
    KlmOpenOptions options;
    options.cachesAtOpen = false;
    if (!klmCliOpenSession(ctx, base, options, &report)) return kKlmExitCannotLoad;
    klmCliNoteUnreadable(ctx, report);

    KlmMainState& st = ctx.state;
    KlmAuditRun run;
    const KlmAuditStartResult started = klmAuditStart(run, ctx.catalogue, st.settings, st.romFolders);
    if (started != KlmAuditStartResult::Started) {
        std::fprintf(stderr, "%s\n", klmAuditStartMessage(started));
        return kKlmExitProblems;
    }
    if (json) run.onFile = printFileEvent;
    klmAuditRunToEnd(run);

    // The caches only: the save files hold nothing the audit changed.
    if (!klmCliSaveCaches(ctx)) return kKlmExitProblems;
    const std::string summary = klmAuditSummaryText(run);
    std::fputs(summary.c_str(), json ? stderr : stdout);
    return kKlmExitOk;
}

}  // namespace

KlmCliRun klmCliAudit(CLI::App& app)
{
    struct Options {
        std::string base;
        bool json = false;
    };
    auto o = std::make_shared<Options>();
    klmCliBaseArgument(app, o->base);
    app.add_flag("--json", o->json);
    return [o] { return runAudit(o->base, o->json); };
}
