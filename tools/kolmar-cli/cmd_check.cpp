// kolmar-cli check BASEDIR: loads the catalogue as start-up does, lists every
// problem the readers met with file and line, then the table sizes.
#include <cstdio>
#include <memory>
#include <string>

#include "cli.h"
#include "text/cp932.h"

namespace {

std::string problemMessage(KlmProblemKind kind, const std::string& detail)
{
    switch (kind) {
    case KlmProblemKind::ElementNotClosed:
        return (detail.empty() ? std::string("要素") : detail) + " が閉じられていません";
    case KlmProblemKind::TagNotClosed:
        return detail + " の閉じタグがありません";
    case KlmProblemKind::ValueCut:
        return "値が長すぎるため切り詰めました: " + detail;
    case KlmProblemKind::UnknownMasterKey:
        return "マスターにないキーです: " + detail;
    case KlmProblemKind::DuplicateIndex:
        return "<index> が重複しています: " + detail;
    case KlmProblemKind::InvalidShiftJis:
        return "Shift-JIS として正しくないバイトがあります: " + detail;
    case KlmProblemKind::NoDatEnd:
        return "</dat> がありません（ファイルの終わりまで読みました）";
    case KlmProblemKind::LineTooLong:
        return "行が 259 バイトを超えています（分割して読みました）" +
               (detail.empty() ? std::string() : ": " + detail + " バイト");
    case KlmProblemKind::NulByte:
        return "NUL バイトが含まれています";
    case KlmProblemKind::FileMissing:
        return "ファイルを読み込めません" + (detail.empty() ? std::string() : ": " + detail);
    }
    return detail;
}

}  // namespace

std::string klmCliProblemText(const KlmProblem& problem)
{
    // Details are excerpts of the CP932 files, except the reader's own error
    // text for a missing file, which is already in the terminal's encoding.
    std::string detail = problem.kind == KlmProblemKind::FileMissing ? problem.detail : klmToUtf8(problem.detail);
    std::string text = problem.file;
    if (problem.line > 0) text += ":" + std::to_string(problem.line);
    text += ": ";
    text += problemMessage(problem.kind, detail);
    return text;
}

namespace {

int runCheck(const std::string& base)
{
    AppPaths paths;
    if (!klmCliOpenBase(base, paths)) return kKlmExitCannotLoad;

    Catalogue cat;
    KlmProblemList problems;
    KlmLoadSource source = KlmLoadSource::Parsed;
    if (!klmCliLoadCatalogue(paths, cat, &source, &problems)) return kKlmExitCannotLoad;
    if (source == KlmLoadSource::Cache) {
        // The cache says nothing about the text files: read them again, only
        // to find their problems; the summary stays that of the cache.
        problems.clear();
        Catalogue parsed;
        klmParseCatalogue(paths, parsed, &problems);
    }

    std::vector<std::string> lines;
    for (const KlmProblem& p : problems) lines.push_back(klmCliProblemText(p));
    // The program creates no folders, so a base folder without them is broken
    // even when the catalogue itself reads cleanly.
    std::string missing = klmMissingDataFolders(paths);
    if (!missing.empty()) lines.push_back("フォルダがありません: " + missing);

    for (const std::string& l : lines) std::printf("%s\n", l.c_str());
    if (!lines.empty()) std::printf("\n");

    std::printf("読み込み元: %s\n", source == KlmLoadSource::Cache ? "dat.cache" : "テキストファイル");
    std::printf("ゲーム: %zu\n", cat.games.size());
    std::printf("ハード: %zu\n", cat.hardware.size());
    std::printf("ソフト: %zu\n", cat.software.size());
    std::printf("ジャンル: %zu\n", cat.genre.size());
    std::printf("画面: %zu\n", cat.screen.size());
    std::printf("開発元: %zu\n", cat.developer.size());
    std::printf("発売元: %zu\n", cat.publisher.size());
    std::printf("ROMサイズ: %zu\n", cat.romSize.size());
    std::printf("問題: %zu 件\n", lines.size());
    return lines.empty() ? kKlmExitOk : kKlmExitProblems;
}

}  // namespace

KlmCliRun klmCliCheck(CLI::App& app)
{
    auto base = std::make_shared<std::string>();
    klmCliBaseArgument(app, *base);
    return [base] { return runCheck(*base); };
}
