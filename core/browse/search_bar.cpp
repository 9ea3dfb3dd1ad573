#include "browse/search_bar.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "text/cp932.h"

namespace {

constexpr std::string_view kAllYears = "\x91\x53\x82\xc4(\x94\xad\x94\x84\x94\x4e)";             // 全て(発売年)
constexpr std::string_view kAllPrices = "\x91\x53\x82\xc4(\x89\xbf\x8a\x69)";                    // 全て(価格)
constexpr std::string_view kAllSizes = "\x91\x53\x82\xc4(\x83\x8d\x83\x80\x83\x54\x83\x43\x83\x59)";  // 全て(ロムサイズ)
constexpr const char* kYearFormat = "%d\x94\x4e";            // %d年
constexpr const char* kPriceFormat = "%d,000\x89\x7e";       // %d,000円
constexpr std::string_view kAbout = "----";
constexpr std::string_view kBefore = "\x88\xc8\x91\x4f";     // 以前
constexpr std::string_view kAfter = "\x88\xc8\x8d\x7e";      // 以降
constexpr std::string_view kBand = "\x91\xe4";               // 台
constexpr std::string_view kAtMost = "\x88\xc8\x89\xba";     // 以下
constexpr std::string_view kAtLeast = "\x88\xc8\x8f\xe3";    // 以上

// The SearchCondition field a drop-down list edits.
int32_t* fieldOfControl(SearchCondition& cond, int32_t controlId)
{
    for (const KlmNameConditionDef& d : kKlmNameConditions)
        if (d.listControl == controlId)
            return &(cond.*d.condition);
    switch (controlId) {
    case kKlmIdKindList: return &cond.searchKind;
    case kKlmIdYearList: return &cond.year;
    case kKlmIdYearQualifierList: return &cond.yearQualifier;
    case kKlmIdPriceList: return &cond.price;
    case kKlmIdPriceQualifierList: return &cond.priceQualifier;
    case kKlmIdRomSizeList: return &cond.romSize;
    case kKlmIdRomSizeQualifierList: return &cond.romSizeQualifier;
    default: return nullptr;
    }
}

KlmSearchOutcome store(int32_t& field, int32_t value)
{
    if (field == value)
        return KlmSearchOutcome::Unchanged;
    field = value;
    return KlmSearchOutcome::Changed;
}

// A table entry + 1, when the game's index names an entry of the table
// (an unresolved key has no entry in the list to select).
KlmSearchOutcome chooseTableEntry(int32_t& field, int32_t index, const std::vector<MasterEntry>& table)
{
    if (index < 0 || static_cast<size_t>(index) >= table.size())
        return KlmSearchOutcome::NoEntry;
    return store(field, index + 1);
}

}  // namespace

int32_t klmYearListCount(const SearchCondition& cond)
{
    if (cond.yearBase == 0 && cond.yearTop == 0)
        return 1;
    if (cond.yearTop < cond.yearBase)
        return 1;
    return (cond.yearTop - cond.yearBase) / 10000 + 2;
}

std::vector<std::string> klmYearListTexts(const SearchCondition& cond)
{
    const int32_t count = klmYearListCount(cond);
    std::vector<std::string> out;
    out.reserve(static_cast<size_t>(count));
    out.emplace_back(kAllYears);
    char buf[32];
    for (int32_t i = 1; i < count; ++i) {
        std::snprintf(buf, sizeof buf, kYearFormat, cond.yearBase / 10000 + i - 1);
        out.emplace_back(buf);
    }
    return out;
}

int32_t klmPriceListCount(const SearchCondition& cond)
{
    return cond.priceTop > 0 ? cond.priceTop / 1000 + 1 : 1;
}

std::vector<std::string> klmPriceListTexts(const SearchCondition& cond)
{
    const int32_t count = klmPriceListCount(cond);
    std::vector<std::string> out;
    out.reserve(static_cast<size_t>(count));
    out.emplace_back(kAllPrices);
    char buf[32];
    for (int32_t i = 1; i < count; ++i) {
        std::snprintf(buf, sizeof buf, kPriceFormat, i);
        out.emplace_back(buf);
    }
    return out;
}

int32_t klmRomSizeListCount(const Catalogue& cat)
{
    return static_cast<int32_t>(std::min<size_t>(cat.romSize.size() + 1, INT32_MAX));
}

std::vector<std::string> klmRomSizeListTexts(const Catalogue& cat)
{
    std::vector<std::string> out;
    out.reserve(cat.romSize.size() + 1);
    out.emplace_back(kAllSizes);
    for (const MasterEntry& e : cat.romSize)
        out.emplace_back(klmField(e.name));
    return out;
}

int32_t klmNameConditionListCount(const Catalogue& cat, KlmNameCondition which)
{
    return static_cast<int32_t>(std::min<size_t>(klmNameConditionTable(cat, which).size() + 1, INT32_MAX));
}

std::string_view klmNameConditionListText(const Catalogue& cat, KlmNameCondition which, int32_t k)
{
    const std::vector<MasterEntry>& table = klmNameConditionTable(cat, which);
    if (k == 0)
        return klmAllItemsText(which);
    if (k < 0 || static_cast<size_t>(k) > table.size())
        return {};
    return klmField(table[static_cast<size_t>(k) - 1].name);
}

std::vector<std::string> klmNameConditionListTexts(const Catalogue& cat, KlmNameCondition which)
{
    const int32_t count = klmNameConditionListCount(cat, which);
    std::vector<std::string> out;
    out.reserve(static_cast<size_t>(count));
    for (int32_t k = 0; k < count; ++k)
        out.emplace_back(klmNameConditionListText(cat, which, k));
    return out;
}

std::vector<std::string> klmYearQualifierTexts()
{
    return {std::string(kAbout), std::string(kBefore), std::string(kAfter)};
}

std::vector<std::string> klmPriceQualifierTexts()
{
    return {std::string(kBand), std::string(kAtMost), std::string(kAtLeast)};
}

std::vector<std::string> klmRomSizeQualifierTexts()
{
    return {std::string(kAbout), std::string(kAtMost), std::string(kAtLeast)};
}

void klmSetSearchText(SearchCondition& cond, std::string_view text)
{
    text = text.substr(0, std::min(text.find('\0'), text.size()));
    if (text.empty()) {
        std::memset(cond.searchText, 0, sizeof cond.searchText);
        return;
    }
    klmCopyField(cond.searchText, text);
}

bool klmSetSearchBarSelection(SearchCondition& cond, int32_t controlId, int32_t selection)
{
    int32_t* field = fieldOfControl(cond, controlId);
    if (!field || *field == selection)
        return false;
    *field = selection;
    return true;
}

int32_t klmSearchBarSelection(const SearchCondition& cond, int32_t controlId)
{
    const int32_t* field = fieldOfControl(const_cast<SearchCondition&>(cond), controlId);
    return field ? *field : -1;
}

bool klmQualifierEnabled(const SearchCondition& cond, int32_t qualifierControlId)
{
    switch (qualifierControlId) {
    case kKlmIdYearQualifierList: return cond.year != 0;
    case kKlmIdPriceQualifierList: return cond.price != 0;
    case kKlmIdRomSizeQualifierList: return cond.romSize != 0;
    default: return true;
    }
}

int32_t klmResetCommandOfControl(int32_t controlId)
{
    for (const KlmNameConditionDef& d : kKlmNameConditions)
        if (d.listControl == controlId)
            return d.resetCommand;
    switch (controlId) {
    case kKlmIdKindList: return kKlmCmdResetText;
    case kKlmIdYearList: return kKlmCmdResetYear;
    case kKlmIdPriceList: return kKlmCmdResetPrice;
    case kKlmIdRomSizeList: return kKlmCmdResetRomSize;
    default: return 0;
    }
}

KlmSearchOutcome klmResetAllSearch(SearchCondition& cond)
{
    // The ROM-size qualifier alone does not count as something set.
    if (cond.searchText[0] == 0 && cond.searchKind == 0 && cond.hardware == 0 && cond.software == 0 &&
        cond.developer == 0 && cond.publisher == 0 && cond.genre == 0 && cond.screen == 0 && cond.year == 0 &&
        cond.yearQualifier == 0 && cond.price == 0 && cond.priceQualifier == 0 && cond.romSize == 0)
        return KlmSearchOutcome::Unchanged;
    cond.searchKind = 0;
    cond.hardware = cond.software = cond.developer = cond.publisher = cond.genre = cond.screen = 0;
    cond.year = cond.yearQualifier = 0;
    cond.price = cond.priceQualifier = 0;
    cond.romSize = cond.romSizeQualifier = 0;
    klmSetSearchText(cond, {});
    return KlmSearchOutcome::Changed;
}

KlmSearchOutcome klmResetSearch(SearchCondition& cond, int32_t command)
{
    auto pair = [](int32_t& condition, int32_t& qualifier) {
        if (condition == 0 && qualifier == 0)
            return KlmSearchOutcome::Unchanged;
        condition = qualifier = 0;
        return KlmSearchOutcome::Changed;
    };
    for (const KlmNameConditionDef& d : kKlmNameConditions)
        if (d.resetCommand == command)
            return store(cond.*d.condition, 0);
    switch (command) {
    case kKlmCmdResetAll:
        return klmResetAllSearch(cond);
    case kKlmCmdResetText:
        if (cond.searchText[0] == 0 && cond.searchKind == 0)
            return KlmSearchOutcome::Unchanged;
        cond.searchKind = 0;
        klmSetSearchText(cond, {});
        return KlmSearchOutcome::Changed;
    case kKlmCmdResetYear: return pair(cond.year, cond.yearQualifier);
    case kKlmCmdResetPrice: return pair(cond.price, cond.priceQualifier);
    case kKlmCmdResetRomSize: return pair(cond.romSize, cond.romSizeQualifier);
    default: return KlmSearchOutcome::Ignored;
    }
}

KlmSearchOutcome klmSearchBySelectedGame(SearchCondition& cond, int32_t command, const Catalogue& cat,
                                         int32_t selectedGame)
{
    if (command < kKlmCmdSearchTitle || command > kKlmCmdSearchRomSize)
        return KlmSearchOutcome::Ignored;
    if (selectedGame < 0 || selectedGame >= klmGameCount(cat))
        return KlmSearchOutcome::NoSelection;
    const GameRecord& g = cat.games[static_cast<size_t>(selectedGame)];
    for (const KlmNameConditionDef& d : kKlmNameConditions)
        if (d.searchCommand == command)
            return chooseTableEntry(cond.*d.condition, g.*d.gameIndex, cat.*d.table);

    switch (command) {
    case kKlmCmdSearchTitle:
        // Always a refresh: the box gets the title and is selected whole.
        cond.searchKind = 2;
        klmSetSearchText(cond, klmField(g.title));
        return KlmSearchOutcome::Changed;
    case kKlmCmdSearchYear: {
        if (g.releaseDate == 0 || g.releaseDate == 99999999)
            return KlmSearchOutcome::Beep;
        const int64_t value = int64_t{g.releaseDate / 10000} - cond.yearBase / 10000 + 1;
        if (value < 1 || value >= klmYearListCount(cond))
            return KlmSearchOutcome::NoEntry;
        return store(cond.year, static_cast<int32_t>(value));
    }
    case kKlmCmdSearchPrice: {
        if (g.price == 0 || g.price == kKlmUnknownPrice)
            return KlmSearchOutcome::Beep;
        // 3,800 yen is the 3,000 yen band; below 1,000 yen the first band.
        const int64_t value = int64_t{g.price / 1000} + (g.price < 1000 ? 1 : 0) - cond.priceBase / 1000 + 1;
        if (value < 1 || value >= klmPriceListCount(cond))
            return KlmSearchOutcome::NoEntry;
        return store(cond.price, static_cast<int32_t>(value));
    }
    case kKlmCmdSearchRomSize: {
        if (g.romSize == 0 || g.romSize == kKlmUnknownRomSize)
            return KlmSearchOutcome::Beep;
        const int64_t s = g.romSize;
        const int64_t t = s < 524288 ? 1024 : 10240;
        for (size_t i = 0; i < cat.romSize.size(); ++i) {
            const int64_t h = cat.romSize[i].value;
            if (h - t <= s && s <= h + t)
                return store(cond.romSize, static_cast<int32_t>(i) + 1);
        }
        return KlmSearchOutcome::NoEntry;
    }
    }
    return KlmSearchOutcome::Ignored;
}

KlmSearchOutcome klmApplySearchCommand(SearchCondition& cond, int32_t command, const Catalogue& cat,
                                       int32_t selectedGame)
{
    if (command >= kKlmCmdSearchTitle && command <= kKlmCmdSearchRomSize)
        return klmSearchBySelectedGame(cond, command, cat, selectedGame);
    return klmResetSearch(cond, command);
}
