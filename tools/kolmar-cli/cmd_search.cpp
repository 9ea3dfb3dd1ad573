// kolmar-cli search BASEDIR [options]: the game list as the program would
// show it for a search condition, view filters and sort column, one line
// per row ("catalogue index<TAB>title"), then "N rows".
//
// The folder is opened as start-up opens it (favourites, movie marks, the
// caches when valid) and nothing is written. The list starts from the
// built-in settings and no replacement rules, or, with --from-settings,
// from the folder's setting.dat and permute.dat.
//
// With --type WORD the list is not printed: WORD is typed after the search
// text one character at a time and then deleted again, a refresh per key
// as the window runs it, and each key's refresh time (the median over
// --repeat rounds) is printed instead.
#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "browse/favorites.h"
#include "browse/match.h"
#include "browse/permute.h"
#include "browse/refresh.h"
#include "browse/search_bar.h"
#include "browse/sort.h"
#include "browse/typing.h"
#include "cli.h"
#include "settings/setting_file.h"
#include "settings/settings.h"
#include "text/cp932.h"
#include "text/file_io.h"


const char* const kKlmCliSearchUsage =
    "search BASEDIR [--text T] [--kind N] [--hardware NAME] [--software NAME] [--developer NAME] "
    "[--publisher NAME] [--genre NAME] [--screen NAME] [--year N] [--year-qualifier Q] [--price N] "
    "[--price-qualifier Q] [--size N] [--size-qualifier Q] [--show owned,notrenamed,notowned,laterdisks] "
    "[--favorites] [--sort FIELD_ID] [--desc] [--title-mode 0|1] [--replace FILE] [--from-settings] "
    "[--repeat K] [--type WORD]";

namespace {

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
    // The drop-down values by option name; "" when not given.
    std::string text, kind, year, yearQualifier, price, priceQualifier, size, sizeQualifier;
    std::string names[kKlmNameConditionCount];
    std::string show;
    bool hasShow = false;
    bool favorites = false;
    bool desc = false;
    std::string sortField, titleMode, repeat;
    std::string replaceFile;
    std::string typed;
    bool hasTyped = false;
};

// Numbers are read as exact decimals (no base prefixes, nothing after).
bool number(const std::string& text, int32_t lo, int32_t hi, int32_t& out)
{
    return parseInt(text, out) && out >= lo && out <= hi;
}

std::vector<std::string> kindItems()
{
    std::vector<std::string> out;
    for (int32_t k = 0; k < kKlmSearchKindCount; ++k)
        out.emplace_back(klmSearchKindLabel(k));
    return out;
}

// The option names of the six name conditions, in table order.
const char* const kNameOptions[kKlmNameConditionCount] = {"--hardware", "--software", "--developer",
                                                           "--publisher", "--genre", "--screen"};

bool applyValues(const Options& o, const CLI::App& app, SearchCondition& c, const Catalogue& cat)
{
    auto given = [&](const char* option) { return app.count(option) > 0; };
    if (given("--text")) {
        bool ok = true;
        const std::string cp = klmFromUtf8(o.text, &ok);
        if (!ok)
            std::fprintf(stderr, "kolmar-cli search: --text: Shift-JIS にできない文字は ? になります\n");
        klmSetSearchText(c, cp);
    }
    if (given("--kind") && !chooseItem("--kind", o.kind, kindItems(), c.searchKind))
        return false;
    for (const KlmNameConditionDef& d : kKlmNameConditions) {
        const int i = static_cast<int>(d.which);
        if (given(kNameOptions[i]) &&
            !chooseItem(kNameOptions[i], o.names[i], klmNameConditionListTexts(cat, d.which), c.*d.condition))
            return false;
    }
    if (given("--year") && !chooseItem("--year", o.year, klmYearListTexts(c), c.year, "\x94\x4e"))  // 年
        return false;
    if (given("--year-qualifier") &&
        !chooseItem("--year-qualifier", o.yearQualifier, klmYearQualifierTexts(), c.yearQualifier))
        return false;
    if (given("--price") && !chooseItem("--price", o.price, klmPriceListTexts(c), c.price))
        return false;
    if (given("--price-qualifier") &&
        !chooseItem("--price-qualifier", o.priceQualifier, klmPriceQualifierTexts(), c.priceQualifier))
        return false;
    if (given("--size") && !chooseItem("--size", o.size, klmRomSizeListTexts(cat), c.romSize))
        return false;
    if (given("--size-qualifier") &&
        !chooseItem("--size-qualifier", o.sizeQualifier, klmRomSizeQualifierTexts(), c.romSizeQualifier))
        return false;
    return true;
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

const char* passName(KlmPassKind pass)
{
    switch (pass) {
    case KlmPassKind::Plain: return "plain";
    case KlmPassKind::Full: return "full";
    case KlmPassKind::Narrowed: return "narrowed";
    }
    return "";
}

// One line per key: what it did, the search text after it, the rows, how
// they were found and the time; then the slowest key.
int printTyping(KlmBrowseState& state, const Catalogue& cat, Settings& settings,
                const std::vector<ReplacementRule>& rules, const std::string& word, int32_t repeat)
{
    const int rounds = repeat > 0 ? repeat : 1;
    const std::vector<KlmKeystroke> keys = klmTypeWord(state, cat, settings, rules, klmFromUtf8(word), rounds);
    std::string out = "key\ttext\trows\tpass\tms\n";
    double worst = 0;
    char ms[32];
    for (const KlmKeystroke& k : keys) {
        std::snprintf(ms, sizeof ms, "%.3f", k.ms);
        out += k.deletion ? "-\t" : "+\t";
        out += klmToUtf8(k.text) + '\t' + std::to_string(k.rows) + '\t' + passName(k.pass) + '\t' + ms + '\n';
        worst = std::max(worst, k.ms);
    }
    std::snprintf(ms, sizeof ms, "%.3f", worst);
    out += std::string("slowest ") + ms + " ms (" + std::to_string(keys.size()) + " keys, " +
           std::to_string(cat.games.size()) + " games, median of " + std::to_string(rounds) + ")\n";
    klmCliWrite(out);
    return klmCliFlush() ? kKlmExitOk : kKlmExitCannotLoad;
}

int runSearch(const Options& o, const CLI::App& app)
{
    int32_t sortField = -1, titleMode = -1, repeat = 0;
    if ((app.count("--sort") && !number(o.sortField, 0, 18, sortField)) ||
        (app.count("--title-mode") && !number(o.titleMode, 0, 1, titleMode)) ||
        (app.count("--repeat") && !number(o.repeat, 1, INT32_MAX, repeat)))
        return klmCliUsage(kKlmCliSearchUsage);

    KlmOpenOptions options;
    options.readOnly = true;
    KlmAppContext ctx;
    if (!klmCliOpenSession(ctx, o.base, options))
        return kKlmExitCannotLoad;
    const Catalogue& cat = ctx.catalogue;
    Settings& settings = ctx.state.settings;
    std::vector<ReplacementRule>& rules = ctx.state.replacements;
    if (!o.fromSettings) {
        // As a start-up without setting.dat and permute.dat.
        settings = klmDefaultSettings();
        rules.clear();
        klmApplyCatalogueChoices(ctx.catalogue, settings);
        klmComputeYearPriceRanges(settings.search, cat);
    }
    SearchCondition& c = settings.search;

    if (!applyValues(o, app, c, cat))
        return kKlmExitCannotLoad;
    if (o.hasShow && !applyShow(o.show, c))
        return kKlmExitCannotLoad;
    if (o.favorites)
        c.favoritesOnly = 1;
    if (titleMode >= 0)
        settings.titleMode = titleMode;
    if (!applySort(settings, sortField, o.desc, sortField >= 0))
        return kKlmExitCannotLoad;
    if (!o.replaceFile.empty() && !readRules(o.replaceFile, rules))
        return kKlmExitCannotLoad;

    KlmBrowseState& state = ctx.state.browse;
    state.selectedGame = settings.selectedGame;

    KlmRefreshResult result = klmRefreshViewList(state, cat, settings, rules, true);
    if (o.hasTyped) {
        if (o.typed.empty())
            return klmCliUsage(kKlmCliSearchUsage);
        return printTyping(state, cat, settings, rules, o.typed, repeat);
    }
    if (repeat > 0) {
        std::vector<double> ms;
        ms.reserve(static_cast<size_t>(repeat));
        for (int32_t i = 0; i < repeat; ++i) {
            const auto t0 = std::chrono::steady_clock::now();
            result = klmRefreshViewList(state, cat, settings, rules, false);
            const auto t1 = std::chrono::steady_clock::now();
            ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
        }
        std::sort(ms.begin(), ms.end());
        const double median = ms.size() % 2 ? ms[ms.size() / 2] : (ms[ms.size() / 2 - 1] + ms[ms.size() / 2]) / 2;
        std::fprintf(stderr, "refresh: median %.3f ms, fastest %.3f ms (%d runs, %zu games)\n", median, ms.front(),
                     repeat, cat.games.size());
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
    klmCliWrite(out);
    return klmCliFlush() ? kKlmExitOk : kKlmExitCannotLoad;
}

}  // namespace

KlmCliRun klmCliSearch(CLI::App& app)
{
    auto o = std::make_shared<Options>();
    klmCliBaseArgument(app, o->base);
    auto value = [&app](const char* name, std::string& into) {
        // A repeated option counts as given once more: the last one wins.
        app.add_option(name, into)->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    };
    value("--text", o->text);
    value("--kind", o->kind);
    for (int i = 0; i < kKlmNameConditionCount; ++i) value(kNameOptions[i], o->names[i]);
    value("--year", o->year);
    value("--year-qualifier", o->yearQualifier);
    value("--price", o->price);
    value("--price-qualifier", o->priceQualifier);
    value("--size", o->size);
    value("--size-qualifier", o->sizeQualifier);
    value("--show", o->show);
    value("--sort", o->sortField);
    value("--title-mode", o->titleMode);
    value("--replace", o->replaceFile);
    value("--repeat", o->repeat);
    value("--type", o->typed);
    app.add_flag("--favorites", o->favorites);
    app.add_flag("--desc", o->desc);
    app.add_flag("--from-settings", o->fromSettings);
    return [o, &app] {
        o->hasShow = app.count("--show") > 0;
        o->hasTyped = app.count("--type") > 0;
        return runSearch(*o, app);
    };
}
