// kolmar-cli: command-line companion of Kolmar. Each command lives in its own
// cmd_*.cpp and is listed in the table below.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "cli.h"
#include "text/cp932.h"

namespace {

const KlmCliCommand kCommands[] = {
    {"check", "check BASEDIR", "カタログを読み込み、問題と集計を表示する", klmCliCheck},
    {"dump", "dump BASEDIR [--tables]", "ゲームレコード（または各テーブル）を JSON Lines で出力する",
     klmCliDump},
    {"search", "search BASEDIR [OPTIONS]", "検索条件で絞り込み、並べ替えた一覧を出力する", klmCliSearch},
    {"audit", "audit BASEDIR [--json]", "ROM フォルダを監査し、結果を dat.cache に書き込む", klmCliAudit},
    {"saves", "saves BASEDIR", "save フォルダの各ファイルの内容を JSON で出力する", klmCliSaves},
};

void printHelp(std::FILE* out)
{
    std::fputs("usage: kolmar-cli COMMAND [ARGS]\n\ncommands:\n", out);
    for (const KlmCliCommand& c : kCommands) std::fprintf(out, "  %-28s %s\n", c.usage, c.summary);
}

}  // namespace

int klmCliUsage(const char* usage)
{
    std::fprintf(stderr, "usage: kolmar-cli %s\n", usage);
    return kKlmExitCannotLoad;
}

bool klmCliOpenBase(const std::string& baseDir, AppPaths& paths)
{
    std::error_code ec;
    std::filesystem::path base = std::filesystem::absolute(baseDir, ec);
    if (ec) base = baseDir;
    klmBuildAppPaths(paths, base.lexically_normal().string());
    std::string message;
    if (klmCheckRequiredFiles(paths, &message) != 0) {
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
        if (std::strcmp(name, c.name) == 0) {
            KlmCliArgs args(argv + 2, argv + argc);
            int rc = c.run(args);
            std::fflush(stdout);
            return rc;
        }
    }
    std::fprintf(stderr, "kolmar-cli: 不明なコマンドです: %s\n\n", name);
    printHelp(stderr);
    return kKlmExitCannotLoad;
}
