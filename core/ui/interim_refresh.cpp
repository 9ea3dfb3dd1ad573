#include "ui/interim_refresh.h"

#include <algorithm>
#include <cstring>
#include <numeric>

#include "text/cp932.h"
#include "ui/game_text.h"

namespace {

constexpr int32_t kFieldOfKey[13] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 16};

int compareText(std::string_view a, std::string_view b)
{
    // Unsigned bytes: the Shift-JIS order, no locale collation.
    int c = std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
    if (c != 0) return c;
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

std::string_view titleOf(const GameRecord& g, bool titleString)
{
    return titleString ? klmField(g.title) : klmField(g.titleKana);
}

// Negative, zero or positive as a sorts before, with or after b.
int compareKey(const Catalogue& cat, int32_t key, bool titleString, int32_t ia, int32_t ib)
{
    const GameRecord& a = cat.games[static_cast<size_t>(ia)];
    const GameRecord& b = cat.games[static_cast<size_t>(ib)];
    auto diff = [](int64_t x, int64_t y) { return x < y ? -1 : (x > y ? 1 : 0); };
    int c = 0;
    switch (key) {
    case 0:
        c = compareText(titleOf(a, titleString), titleOf(b, titleString));
        return c != 0 ? c : diff(a.releaseDate, b.releaseDate);
    case 1: c = diff(a.hardware, b.hardware); break;
    case 2: c = diff(a.software, b.software); break;
    case 3: c = diff(a.developerNumber, b.developerNumber); break;
    case 4: c = diff(a.publisherNumber, b.publisherNumber); break;
    case 5: c = diff(a.genre, b.genre); break;
    case 6: c = diff(a.screen, b.screen); break;
    case 7: c = diff(a.releaseDate, b.releaseDate); break;
    case 8: c = diff(a.price, b.price); break;
    case 9: c = diff(a.imageNumber, b.imageNumber); break;
    case 10: c = diff(b.hasMovie, a.hasMovie); break;
    case 11: c = compareText(klmField(a.arcadeFile), klmField(b.arcadeFile)); break;
    case 12: c = diff(a.romSize, b.romSize); break;
    default: break;
    }
    return c != 0 ? c : compareText(titleOf(a, titleString), titleOf(b, titleString));
}

int32_t ownershipOf(const GameRecord& g) { return g.ownership; }

// The typed text or its normalised form (when it differs) in a field of the kind.
bool textInKind(const Catalogue& cat, int32_t game, int32_t kind, std::string_view text, std::string_view alt)
{
    auto found = [&](int32_t f) {
        std::string_view field = klmFieldText(cat, game, f);
        if (field.empty()) return false;
        return klmContainsText(field, text) || (!alt.empty() && klmContainsText(field, alt));
    };
    static constexpr int32_t kAll[] = {0, 15, 18, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 16, 17};
    static constexpr int32_t kKindFields[22][3] = {
        {-1, -1, -1}, {0, 15, 18}, {0, -1, -1}, {15, -1, -1}, {18, -1, -1}, {1, -1, -1},
        {2, -1, -1}, {3, 4, -1}, {3, -1, -1}, {4, -1, -1}, {5, -1, -1}, {6, -1, -1},
        {7, -1, -1}, {8, -1, -1}, {9, -1, -1}, {10, -1, -1}, {11, -1, -1}, {12, -1, -1},
        {13, -1, -1}, {14, -1, -1}, {16, -1, -1}, {17, -1, -1}};
    if (kind == 0) {
        for (int32_t f : kAll)
            if (found(f)) return true;
        return false;
    }
    if (kind < 0 || kind >= 22) return false;
    for (int32_t f : kKindFields[kind])
        if (f >= 0 && found(f)) return true;
    return false;
}

void ensureOrder(const Catalogue& cat, int32_t key, bool titleString, std::vector<int32_t>& order)
{
    const size_t n = cat.games.size();
    if (order.size() == n) return;
    order.resize(n);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int32_t a, int32_t b) {
        return compareKey(cat, key, titleString, a, b) < 0;
    });
}

}  // namespace

void klmBuildAllOrders(const Catalogue& cat, KlmInterimOrders& orders)
{
    for (int32_t i = 0; i < 26; ++i) ensureOrder(cat, i % 13, i < 13, orders.orders[static_cast<size_t>(i)]);
}

std::string klmSortCacheImage(const Catalogue& cat, KlmInterimOrders& orders)
{
    klmBuildAllOrders(cat, orders);
    std::string image;
    image.reserve(cat.games.size() * 104);
    for (const auto& order : orders.orders) {
        for (int32_t v : order) {
            uint32_t u = static_cast<uint32_t>(v);
            char b[4] = {static_cast<char>(u), static_cast<char>(u >> 8), static_cast<char>(u >> 16),
                         static_cast<char>(u >> 24)};
            image.append(b, 4);
        }
    }
    return image;
}

bool klmReadSortCacheImage(std::string_view image, const Catalogue& cat, KlmInterimOrders& orders)
{
    const size_t n = cat.games.size();
    if (image.size() != n * 104) return false;
    KlmInterimOrders read;
    std::vector<char> seen(n);
    const auto* p = reinterpret_cast<const unsigned char*>(image.data());
    for (auto& order : read.orders) {
        order.resize(n);
        std::fill(seen.begin(), seen.end(), 0);
        for (size_t i = 0; i < n; ++i, p += 4) {
            uint32_t u = p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
            if (u >= n || seen[u]) return false;
            seen[u] = 1;
            order[i] = static_cast<int32_t>(u);
        }
    }
    orders = std::move(read);
    return true;
}

int32_t klmSortKeyOfField(int32_t field)
{
    for (int32_t k = 0; k < 13; ++k)
        if (kFieldOfKey[k] == field) return k;
    return -1;
}

bool klmInterimMatch(const Catalogue& cat, const SearchCondition& cond, int32_t game,
                     std::string_view typed, std::string_view normalised)
{
    const GameRecord& g = cat.games[static_cast<size_t>(game)];
    if (cond.hardware && g.hardware != cond.hardware - 1) return false;
    if (cond.software && g.software != cond.software - 1) return false;
    if (cond.developer && g.developerNumber != cond.developer - 1) return false;
    if (cond.publisher && g.publisherNumber != cond.publisher - 1) return false;
    if (cond.genre && g.genre != cond.genre - 1) return false;
    if (cond.screen && g.screen != cond.screen - 1) return false;
    if (cond.year) {
        if (g.releaseDate == 0 || g.releaseDate == 99999999) return false;
        int32_t year = cond.yearBase / 10000 + cond.year - 1, own = g.releaseDate / 10000;
        if (cond.yearQualifier == 1 ? own > year : cond.yearQualifier == 2 ? own < year : own != year) return false;
    }
    if (cond.price) {
        if (g.price == 0 || g.price == kKlmUnknownPrice) return false;
        int32_t price = cond.price * 1000;
        if (cond.priceQualifier == 1 ? g.price > price
            : cond.priceQualifier == 2 ? g.price < price
                                       : g.price / 1000 != cond.price)
            return false;
    }
    if (cond.romSize && static_cast<size_t>(cond.romSize) <= cat.romSize.size()) {
        if (g.romSize == 0 || g.romSize == kKlmUnknownRomSize) return false;
        int64_t value = cat.romSize[static_cast<size_t>(cond.romSize - 1)].value;
        int64_t tolerance = value < 524288 ? 1024 : 10240;
        if (cond.romSizeQualifier == 1 ? g.romSize > value + tolerance
            : cond.romSizeQualifier == 2 ? g.romSize < value - tolerance
                                         : (g.romSize < value - tolerance || g.romSize > value + tolerance))
            return false;
    }
    int32_t own = ownershipOf(g);
    if (own == kKlmOwned && !cond.showOwned) return false;
    if (own == kKlmOwnedNotRenamed && !cond.showNotRenamed) return false;
    if (own == kKlmNotOwned && !cond.showNotOwned) return false;
    if (g.disk > 0 && !cond.showLaterDisks) return false;
    if (cond.favoritesOnly && !g.favorite) return false;
    // The text test is the costly one: last.
    if (!typed.empty() &&
        !textInKind(cat, game, cond.searchKind, typed, normalised == typed ? std::string_view() : normalised))
        return false;
    return true;
}

int32_t klmInterimRefresh(const Catalogue& cat, const Settings& s, KlmInterimOrders& orders,
                          std::vector<int32_t>& viewList)
{
    const int32_t n = klmGameCount(cat);
    viewList.resize(static_cast<size_t>(n));
    int32_t field = 0, descending = 0;
    if (s.sortColumn >= 0 && s.sortColumn < s.shownColumns.count && s.sortColumn < KlmColumnList::kSlots) {
        field = s.shownColumns.items[s.sortColumn].field;
        descending = s.shownColumns.items[s.sortColumn].descending;
    }
    int32_t key = std::max(klmSortKeyOfField(field), 0);
    bool titleString = s.titleMode != 0;
    std::vector<int32_t>& order = orders.orders[static_cast<size_t>(key + (titleString ? 0 : 13))];
    ensureOrder(cat, key, titleString, order);
    if (descending)
        std::copy(order.rbegin(), order.rend(), viewList.begin());
    else
        std::copy(order.begin(), order.end(), viewList.begin());

    std::string_view typed = klmField(s.search.searchText);
    std::string normalised = klmNormaliseSearchText(typed);
    // Matching entries first in their order; the rest keep theirs after them.
    auto mid = std::stable_partition(viewList.begin(), viewList.end(), [&](int32_t g) {
        return klmInterimMatch(cat, s.search, g, typed, normalised);
    });
    return static_cast<int32_t>(mid - viewList.begin());
}
