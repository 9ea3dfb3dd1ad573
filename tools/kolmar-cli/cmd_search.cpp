// kolmar-cli search BASEDIR [options]: the game list as the program would
// show it for a search condition, view filters and sort column, one line
// per row ("catalogue index<TAB>title"), then "N rows".
//
// It starts from the built-in settings (or, with --from-settings, from the
// folder's setting.dat and permute.dat), reads favorite.dat as start-up
// does, takes sort.cache when it is valid and writes nothing.
#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "browse/favorites.h"
#include "browse/match.h"
#include "browse/permute.h"
#include "browse/refresh.h"
#include "browse/search_bar.h"
#include "browse/sort.h"
#include "cli.h"
#include "settings/setting_file.h"
#include "settings/settings.h"
#include "text/cp932.h"
#include "text/file_io.h"


namespace {

const char* const kUsage =
    "search BASEDIR [--text T] [--kind N] [--hardware NAME] [--software NAME] [--developer NAME] "
    "[--publisher NAME] [--genre NAME] [--screen NAME] [--year N] [--year-qualifier Q] [--price N] "
    "[--price-qualifier Q] [--size N] [--size-qualifier Q] [--show owned,notrenamed,notowned,laterdisks] "
    "[--favorites] [--sort FIELD_ID] [--desc] [--title-mode 0|1] [--replace FILE] [--from-settings] "
    "[--repeat K]";

bool parseInt(std::string_view text, int32_t& out)
{
    if (text.empty())
        return false;
    const char* end = text.data() + text.size();
    auto [p, ec] = std::from_chars(text.data(), end, out);
    return ec == std::errc() && p == end;
}

// A drop-down value given by its text (UTF-8) or by its selection index.
// suffix: a CP932 ending the text may be given without, "1994" for
// "1994年"; such a text wins over the same number read as an index.
bool chooseItem(const std::string& option, const std::string& value, const std::vector<std::string>& items,
                int32_t& out, std::string_view suffix = {})
{
    const std::string cp = klmFromUtf8(value);
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i] == cp || (!suffix.empty() && items[i] == cp + std::string(suffix))) {
            out = static_cast<int32_t>(i);
            return true;
        }
    }
    int32_t n = 0;
    if (parseInt(value, n) && n >= 0 && static_cast<size_t>(n) < items.size()) {
        out = n;
        return true;
    }
    std::fprintf(stderr, "kolmar-cli search: %s: 一覧にない値です: %s\n", option.c_str(), value.c_str());
    return false;
}

// Rules from permute.dat itself, or a UTF-8 text file with one rule a line:
// search string, a tab, the replacement, and optionally a tab and 0 to
// leave the rule disabled.
bool readRules(const std::string& path, std::vector<ReplacementRule>& rules)
{
    std::string bytes;
    std::string error;
    if (!klmReadWholeFile(path, bytes, &error)) {
        std::fprintf(stderr, "kolmar-cli search: %s: %s\n", path.c_str(), error.c_str());
        return false;
    }
    int32_t count = -1;
    if (bytes.size() >= 4)
        std::memcpy(&count, bytes.data(), 4);
    if (count >= 0 && bytes.size() == 4 + static_cast<size_t>(count) * sizeof(ReplacementRule) &&
        klmReadPermuteImage(bytes, rules))
        return true;
    rules.clear();
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos)
            end = bytes.size();
        std::string_view line(bytes.data() + start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty())
            continue;
        const size_t tab = line.find('\t');
        if (tab == std::string_view::npos) {
            std::fprintf(stderr, "kolmar-cli search: %s: タブのない行です: %.*s\n", path.c_str(),
                         static_cast<int>(line.size()), line.data());
            return false;
        }
        std::string_view repl = line.substr(tab + 1);
        bool enabled = true;
        const size_t tab2 = repl.find('\t');
        if (tab2 != std::string_view::npos) {
            enabled = repl.substr(tab2 + 1) != "0";
            repl = repl.substr(0, tab2);
        }
        rules.push_back(klmMakeReplacementRule(klmFromUtf8(line.substr(0, tab)), klmFromUtf8(repl), enabled));
    }
    return true;
}

struct Options {
    std::string base;
    bool fromSettings = false;
    std::vector<std::pair<std::string, std::string>> values;  // in command-line order
    std::string show;
    bool hasShow = false;
    bool favorites = false;
    bool desc = false;
    int32_t sortField = -1;
    int32_t titleMode = -1;
    std::string replaceFile;
    int32_t repeat = 0;
};

bool takesValue(const std::string& a)
{
    static const char* const kValued[] = {"--text", "--kind", "--hardware", "--software", "--developer",
                                          "--publisher", "--genre", "--screen", "--year", "--year-qualifier",
                                          "--price", "--price-qualifier", "--size", "--size-qualifier"};
    for (const char* v : kValued)
        if (a == v)
            return true;
    return false;
}

bool parseOptions(const KlmCliArgs& args, Options& o)
{
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto next = [&](std::string& out) {
            if (i + 1 >= args.size())
                return false;
            out = args[++i];
            return true;
        };
        std::string v;
        if (takesValue(a)) {
            if (!next(v))
                return false;
            o.values.emplace_back(a, v);
        } else if (a == "--show") {
            if (!next(o.show))
                return false;
            o.hasShow = true;
        } else if (a == "--favorites") {
            o.favorites = true;
        } else if (a == "--desc") {
            o.desc = true;
        } else if (a == "--from-settings") {
            o.fromSettings = true;
        } else if (a == "--sort") {
            if (!next(v) || !parseInt(v, o.sortField) || o.sortField < 0 || o.sortField > 18)
                return false;
        } else if (a == "--title-mode") {
            if (!next(v) || !parseInt(v, o.titleMode) || o.titleMode < 0 || o.titleMode > 1)
                return false;
        } else if (a == "--replace") {
            if (!next(o.replaceFile))
                return false;
        } else if (a == "--repeat") {
            if (!next(v) || !parseInt(v, o.repeat) || o.repeat < 1)
                return false;
        } else if (!a.empty() && a[0] != '-' && o.base.empty()) {
            o.base = a;
        } else {
            return false;
        }
    }
    return !o.base.empty();
}

std::vector<std::string> kindItems()
{
    std::vector<std::string> out;
    for (int32_t k = 0; k < kKlmSearchKindCount; ++k)
        out.emplace_back(klmSearchKindLabel(k));
    return out;
}

bool applyValue(const std::string& option, const std::string& value, SearchCondition& c, const Catalogue& cat)
{
    struct Named {
        const char* option;
        KlmNameCondition which;
        int32_t SearchCondition::*field;
    };
    static const Named kNamed[] = {
        {"--hardware", KlmNameCondition::Hardware, &SearchCondition::hardware},
        {"--software", KlmNameCondition::Software, &SearchCondition::software},
        {"--developer", KlmNameCondition::Developer, &SearchCondition::developer},
        {"--publisher", KlmNameCondition::Publisher, &SearchCondition::publisher},
        {"--genre", KlmNameCondition::Genre, &SearchCondition::genre},
        {"--screen", KlmNameCondition::Screen, &SearchCondition::screen},
    };
    if (option == "--text") {
        bool ok = true;
        const std::string cp = klmFromUtf8(value, &ok);
        if (!ok)
            std::fprintf(stderr, "kolmar-cli search: --text: Shift-JIS にできない文字は ? になります\n");
        klmSetSearchText(c, cp);
        return true;
    }
    if (option == "--kind")
        return chooseItem(option, value, kindItems(), c.searchKind);
    for (const Named& n : kNamed)
        if (option == n.option)
            return chooseItem(option, value, klmNameConditionListTexts(cat, n.which), c.*n.field);
    if (option == "--year")
        return chooseItem(option, value, klmYearListTexts(c), c.year, "\x94\x4e");  // 年
    if (option == "--year-qualifier")
        return chooseItem(option, value, klmYearQualifierTexts(), c.yearQualifier);
    if (option == "--price")
        return chooseItem(option, value, klmPriceListTexts(c), c.price);
    if (option == "--price-qualifier")
        return chooseItem(option, value, klmPriceQualifierTexts(), c.priceQualifier);
    if (option == "--size")
        return chooseItem(option, value, klmRomSizeListTexts(cat), c.romSize);
    if (option == "--size-qualifier")
        return chooseItem(option, value, klmRomSizeQualifierTexts(), c.romSizeQualifier);
    return false;
}

bool applyShow(const std::string& list, SearchCondition& c)
{
    c.showOwned = c.showNotRenamed = c.showNotOwned = c.showLaterDisks = 0;
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(',', start);
        if (end == std::string::npos)
            end = list.size();
        const std::string word = list.substr(start, end - start);
        start = end + 1;
        if (word.empty())
            continue;
        if (word == "owned")
            c.showOwned = 1;
        else if (word == "notrenamed")
            c.showNotRenamed = 1;
        else if (word == "notowned")
            c.showNotOwned = 1;
        else if (word == "laterdisks")
            c.showLaterDisks = 1;
        else {
            std::fprintf(stderr, "kolmar-cli search: --show: 不明な項目です: %s\n", word.c_str());
            return false;
        }
    }
    return true;
}

// The sort column becomes the shown column of the field (one is added
// when the field is not shown).
bool applySort(Settings& s, int32_t field, bool desc, bool setField)
{
    KlmColumnList& cols = s.shownColumns;
    if (setField) {
        int32_t at = -1;
        for (int32_t i = 0; i < cols.count && i < KlmColumnList::kSlots; ++i)
            if (cols.items[i].field == field) {
                at = i;
                break;
            }
        if (at < 0) {
            if (cols.count >= KlmColumnList::kSlots) {
                std::fprintf(stderr, "kolmar-cli search: --sort: 列をこれ以上追加できません\n");
                return false;
            }
            at = cols.count++;
            cols.items[at] = KlmColumn{80, field, 0};
        }
        s.sortColumn = at;
    }
    if ((setField || desc) && s.sortColumn >= 0 && s.sortColumn < cols.count && s.sortColumn < KlmColumnList::kSlots)
        cols.items[s.sortColumn].descending = desc ? 1 : 0;
    return true;
}

}  // namespace

int klmCliSearch(const KlmCliArgs& args)
{
    Options o;
    if (!parseOptions(args, o))
        return klmCliUsage(kUsage);

    AppPaths paths;
    if (!klmCliOpenBase(o.base, paths))
        return kKlmExitCannotLoad;
    Catalogue cat;
    if (!klmCliLoadCatalogue(paths, cat))
        return kKlmExitCannotLoad;

    Settings settings = klmDefaultSettings();
    std::vector<ReplacementRule> rules;
    if (o.fromSettings) {
        std::string error;
        const KlmNotifier notify = [](const std::string& title, const std::string& text) {
            std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
        };
        if (klmReadSettingFile(paths.settingDat, settings, cat, notify, nullptr, &error) ==
            KlmSettingFileStatus::Unreadable)
            std::fprintf(stderr, "kolmar-cli search: setting.dat: %s\n", error.c_str());
        if (!klmLoadPermuteFile(paths.permuteDat, rules, &error) && !error.empty())
            std::fprintf(stderr, "kolmar-cli search: permute.dat: %s\n", error.c_str());
    }
    {
        std::string error;
        if (!klmLoadFavoritesFile(paths.favoriteDat, cat, &error) && !error.empty())
            std::fprintf(stderr, "kolmar-cli search: favorite.dat: %s\n", error.c_str());
    }
    SearchCondition& c = settings.search;
    klmComputeYearPriceRanges(c, cat);

    for (const auto& [option, value] : o.values)
        if (!applyValue(option, value, c, cat))
            return kKlmExitCannotLoad;
    if (o.hasShow && !applyShow(o.show, c))
        return kKlmExitCannotLoad;
    if (o.favorites)
        c.favoritesOnly = 1;
    if (o.titleMode >= 0)
        settings.titleMode = o.titleMode;
    if (!applySort(settings, o.sortField, o.desc, o.sortField >= 0))
        return kKlmExitCannotLoad;
    if (!o.replaceFile.empty() && !readRules(o.replaceFile, rules))
        return kKlmExitCannotLoad;

    KlmBrowseState state;
    klmInitBrowseState(state, cat, paths);
    state.selectedGame = settings.selectedGame;

    KlmRefreshResult result = klmRefreshViewList(state, cat, settings, rules, true);
    if (o.repeat > 0) {
        std::vector<double> ms;
        ms.reserve(static_cast<size_t>(o.repeat));
        for (int32_t i = 0; i < o.repeat; ++i) {
            const auto t0 = std::chrono::steady_clock::now();
            result = klmRefreshViewList(state, cat, settings, rules, false);
            const auto t1 = std::chrono::steady_clock::now();
            ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
        }
        std::sort(ms.begin(), ms.end());
        const double median = ms.size() % 2 ? ms[ms.size() / 2] : (ms[ms.size() / 2 - 1] + ms[ms.size() / 2]) / 2;
        std::fprintf(stderr, "refresh: median %.3f ms, fastest %.3f ms (%d runs, %zu games)\n", median, ms.front(),
                     o.repeat, cat.games.size());
    }

    std::string out;
    for (int32_t r = 0; r < result.rowCount; ++r) {
        const int32_t index = state.view.rows[static_cast<size_t>(r)];
        out += std::to_string(index);
        out += '\t';
        out += klmToUtf8(klmField(cat.games[static_cast<size_t>(index)].title));
        out += '\n';
        if (out.size() > 1 << 16) {
            std::fwrite(out.data(), 1, out.size(), stdout);
            out.clear();
        }
    }
    out += std::to_string(result.rowCount) + " rows\n";
    std::fwrite(out.data(), 1, out.size(), stdout);
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "kolmar-cli: 出力を書き込めません\n");
        return kKlmExitCannotLoad;
    }
    return kKlmExitOk;
}
