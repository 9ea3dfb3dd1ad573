// kolmar-cli: command-line companion of Kolmar. Each command lives in its own
// cmd_*.cpp and is listed in the table below; its arguments are parsed by
// CLI11, the help text is the program's own.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "cli.h"
#include "text/cp932.h"

namespace {

const KlmCliCommand kCommands[] = {
    {"check", "check BASEDIR", "カタログを読み込み、問題と集計を表示する", nullptr, klmCliCheck},
    {"dump", "dump BASEDIR [--tables]", "ゲームレコード（または各テーブル）を JSON Lines で出力する", nullptr,
     klmCliDump},
    {"search", "search BASEDIR [OPTIONS]", "検索条件で絞り込み、並べ替えた一覧を出力する", kKlmCliSearchUsage,
     klmCliSearch},
    {"audit", "audit BASEDIR [--json]", "ROM フォルダを監査し、結果を dat.cache に書き込む", nullptr, klmCliAudit},
    {"rename", "rename BASEDIR [OPTIONS]", "監査済みのロムをリネームし、結果を dat.cache に書き込む",
     "rename BASEDIR [--selected I,J,...] [--dry-run] [--json]", klmCliRename},
    {"saves", "saves BASEDIR", "save フォルダの各ファイルの内容を JSON で出力する", nullptr, klmCliSaves},
    {"launch", "launch BASEDIR GAME [--emulator K] [--dry-run]", "ゲームをエミュレータで起動する（--dry-run: 起動内容を JSON で表示）",
     nullptr, klmCliLaunch},
};

void printHelp(std::FILE* out)
{
    std::fputs("usage: kolmar-cli COMMAND [ARGS]\n\ncommands:\n", out);
    int width = 0;
    for (const KlmCliCommand& c : kCommands) width = std::max(width, static_cast<int>(std::strlen(c.usage)));
    for (const KlmCliCommand& c : kCommands) std::fprintf(out, "  %-*s  %s\n", width, c.usage, c.summary);
}

}  // namespace

CLI::Option* klmCliBaseArgument(CLI::App& app, std::string& base)
{
    // An empty base folder names nothing; a word that starts with "-" is
    // taken as an option, never as the folder.
    return app.add_option("BASEDIR", base)->required()->check(
        [](const std::string& value) { return value.empty() ? std::string("empty base folder") : std::string(); });
}

int klmCliUsage(const char* usage)
{
    std::fprintf(stderr, "usage: kolmar-cli %s\n", usage);
    return kKlmExitCannotLoad;
}

bool klmCliOpenBase(const std::string& baseDir, AppPaths& paths)
{
    std::string message;
    if (!klmOpenPaths(paths, baseDir, &message)) {
        std::fprintf(stderr, "%s: %s\n", kKlmFatalTitle, message.c_str());
        return false;
    }
    return true;
}

bool klmCliLoadCatalogue(const AppPaths& paths, Catalogue& cat, KlmLoadSource* source, KlmProblemList* problems)
{
    // writeFileTimes=false: a check or a dump must leave the folder untouched.
    if (klmLoadCatalogue(paths, cat, problems, source, false) != 0) {
        std::fprintf(stderr, "カタログを読み込めません: %s\n", paths.base.c_str());
        return false;
    }
    return true;
}

bool klmCliOpenSession(KlmAppContext& ctx, const std::string& baseDir, KlmOpenOptions options,
                       KlmOpenReport* report)
{
    options.notify = [](const std::string& title, const std::string& text) {
        std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
    };
    const KlmOpenReport opened = klmOpenSession(ctx, baseDir, options);
    if (!opened.opened()) {
        std::fprintf(stderr, "%s: %s\n", kKlmFatalTitle, opened.message.c_str());
        return false;
    }
    if (report) *report = opened;
    return true;
}

void klmCliNoteUnreadable(const KlmAppContext& ctx, const KlmOpenReport& report)
{
    for (const KlmSaveFileRead& f : report.files)
        if (f.state == KlmSaveFileState::Unreadable)
            std::fprintf(stderr, "%s/save/%s: %s\n", ctx.paths.base.c_str(), f.name, f.error.c_str());
}

bool klmCliSaveCaches(KlmAppContext& ctx)
{
    const KlmSaveReport saved = klmSaveSession(ctx, {KlmSaveFile::DatCache, KlmSaveFile::SortCache});
    for (const KlmSaveFileResult& r : saved.results) {
        if (r.written) continue;
        const std::string& path = r.file == KlmSaveFile::DatCache ? ctx.paths.datCache : ctx.paths.sortCache;
        std::fprintf(stderr, "%s: %s\n", path.c_str(), r.error.c_str());
        return false;
    }
    return true;
}

KlmJson klmCliText(std::string_view cp932) { return klmToUtf8(cp932); }

bool klmCliWrite(const std::string& text)
{
    std::fwrite(text.data(), 1, text.size(), stdout);
    return !std::ferror(stdout);
}

bool klmCliFlush()
{
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "kolmar-cli: 出力を書き込めません\n");
        return false;
    }
    return true;
}

int main(int argc, char** argv)
{
    if (argc < 2) {
        printHelp(stderr);
        return kKlmExitCannotLoad;
    }
    const char* name = argv[1];
    if (std::strcmp(name, "-h") == 0 || std::strcmp(name, "--help") == 0 || std::strcmp(name, "help") == 0) {
        printHelp(stdout);
        return kKlmExitOk;
    }
    for (const KlmCliCommand& c : kCommands) {
        if (std::strcmp(name, c.name) != 0) continue;
        CLI::App app(c.summary, c.name);
        // The help is the usage line; CLI11's own (English) is not offered.
        app.set_help_flag();
        const KlmCliRun run = c.declare(app);
        try {
            // The command name stands where CLI11 expects the program name.
            app.parse(argc - 1, argv + 1);
        } catch (const CLI::ParseError&) {
            return klmCliUsage(c.fullUsage ? c.fullUsage : c.usage);
        }
        const int rc = run();
        std::fflush(stdout);
        return rc;
    }
    std::fprintf(stderr, "kolmar-cli: 不明なコマンドです: %s\n\n", name);
    printHelp(stderr);
    return kKlmExitCannotLoad;
}
