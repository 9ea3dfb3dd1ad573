// kolmar-cli audit BASEDIR [--json]: the audit of the window without the
// window. Loads the catalogue and the settings as start-up does, walks the
// ROM folders selected in save/romfolder.dat, writes the results to
// cache/dat.cache as the shutdown does and prints the summary. With --json
// every file handled is printed as one object (path, crc, member, matched)
// and the summary goes to stderr, so stdout stays JSON Lines.
//
// The ROM files are only read. The program's single-instance guard is held
// for the whole run: a window working on the catalogue would overwrite
// dat.cache at its own shutdown.
#include <cstdio>
#include <string>
#include <vector>

#include "audit/audit.h"
#include "audit/instance_guard.h"
#include "audit/ownership.h"
#include "audit/romfolder.h"
#include "cli.h"
#include "json.h"
#include "settings/setting_file.h"
#include "settings/settings.h"

namespace {

void printFileEvent(const KlmAuditFileEvent& e)
{
    KlmJsonLine line;
    klmJsonBegin(line);
    klmJsonString(line, "path", e.path);
    klmJsonString(line, "crc", e.crc);
    klmJsonCp932(line, "member", e.member);
    if (e.matched >= 0) {
        klmJsonInt(line, "matched", e.matched);
    } else {
        if (line.hasField) line.text += ',';
        line.hasField = true;
        klmJsonAppendString(line.text, "matched");
        line.text += ":null";
    }
    klmJsonEnd(line);
    klmJsonWrite(line, stdout);
}

}  // namespace

int klmCliAudit(const KlmCliArgs& args)
{
    static const char* const kUsage = "audit BASEDIR [--json]";
    std::string base;
    bool json = false;
    for (const std::string& a : args) {
        if (a == "--json") {
            json = true;
        } else if (a.empty() || a[0] == '-' || !base.empty()) {
            return klmCliUsage(kUsage);
        } else {
            base = a;
        }
    }
    if (base.empty()) return klmCliUsage(kUsage);

    KlmInstanceGuard guard;
    if (!klmTakeInstanceGuard(guard) && guard.anotherRunning) {
        std::fprintf(stderr, "Kolmar が起動しているため監査できません。終了してから実行してください\n");
        return kKlmExitCannotLoad;
    }

    AppPaths paths;
    if (!klmCliOpenBase(base, paths)) return kKlmExitCannotLoad;

    // As start-up: the file times are recorded when the catalogue is parsed,
    // so the dat.cache written below is the one the next start-up loads.
    Catalogue cat;
    if (klmLoadCatalogue(paths, cat, nullptr, nullptr, true) != 0) {
        std::fprintf(stderr, "カタログを読み込めません: %s\n", paths.base.c_str());
        return kKlmExitCannotLoad;
    }

    Settings settings = klmDefaultSettings();
    klmApplySpecialCrcRule(cat, settings);
    std::string error;
    const KlmNotifier notify = [](const std::string& title, const std::string& text) {
        std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
    };
    if (klmReadSettingFile(paths.settingDat, settings, cat, notify, nullptr, &error) ==
        KlmSettingFileStatus::Unreadable)
        std::fprintf(stderr, "%s: %s\n", paths.settingDat.c_str(), error.c_str());
    klmApplySpecialCrcRule(cat, settings);

    std::vector<RomFolder> folders;
    error.clear();
    if (!klmLoadRomFolderFile(paths.romfolderDat, folders, &error) && !error.empty())
        std::fprintf(stderr, "%s: %s\n", paths.romfolderDat.c_str(), error.c_str());

    KlmAuditRun run;
    const KlmAuditStartResult started = klmAuditStart(run, cat, settings, folders);
    if (started != KlmAuditStartResult::Started) {
        std::fprintf(stderr, "%s\n", klmAuditStartMessage(started));
        return kKlmExitProblems;
    }
    if (json) run.onFile = printFileEvent;
    klmAuditRunToEnd(run);

    error.clear();
    if (!klmSaveCatalogueCache(paths, cat, &error)) {
        std::fprintf(stderr, "%s: %s\n", paths.datCache.c_str(), error.c_str());
        return kKlmExitProblems;
    }
    const std::string summary = klmAuditSummaryText(run);
    std::fputs(summary.c_str(), json ? stderr : stdout);
    return kKlmExitOk;
}
