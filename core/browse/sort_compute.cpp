// Computing the 26 orders. Every order is the records sorted by a 64-bit
// composite (the key's value, then the title's rank) with ties in catalogue
// index. Stable radix sorts give exactly that: the records are first put in
// title order once per title mode, each key then sorts that order stably by
// its own value, and records start in catalogue order, so equal ones stay in
// it. The work is shared by two threads.
#include <algorithm>
#include <array>
#include <atomic>
#include <cstddef>
#include <cstring>
#include <string>

#include "browse/pass_worker.h"
#include "browse/sort.h"
#include "browse/sort_keys.h"

namespace {

// Signed 32-bit values in an order that unsigned comparison keeps.
inline uint32_t biased(int32_t v)
{
    return static_cast<uint32_t>(v) ^ 0x80000000u;
}

// LSD radix sort of n items by an unsigned key, a byte a pass, so it is
// stable; spare holds n items too. A pass whose byte is the same in every
// item is left out: most keys have few distinct values and pay for one or
// two passes, not four or eight.
template <typename Item, typename Key>
void radixSort(Item* items, Item* spare, size_t n, Key key)
{
    using K = decltype(key(items[0]));
    constexpr int kBytes = sizeof(K);
    if (n < 2)
        return;
    std::array<std::array<uint32_t, 256>, kBytes> counts{};
    for (size_t i = 0; i < n; ++i) {
        const K k = key(items[i]);
        for (int b = 0; b < kBytes; ++b)
            ++counts[static_cast<size_t>(b)][(k >> (8 * b)) & 0xFF];
    }
    Item* from = items;
    Item* to = spare;
    for (int b = 0; b < kBytes; ++b) {
        std::array<uint32_t, 256>& c = counts[static_cast<size_t>(b)];
        if (c[(key(from[0]) >> (8 * b)) & 0xFF] == n)
            continue;
        uint32_t sum = 0;
        for (uint32_t& x : c) {
            const uint32_t t = x;
            x = sum;
            sum += t;
        }
        for (size_t i = 0; i < n; ++i)
            to[c[(key(from[i]) >> (8 * b)) & 0xFF]++] = from[i];
        std::swap(from, to);
    }
    if (from != items)
        std::copy(from, from + n, items);
}

// The records in ascending order of a text (unsigned bytes, a prefix first),
// equal texts by catalogue index, and the dense rank of every record's text.
struct TextOrder {
    std::vector<int32_t> order;
    std::vector<uint32_t> ranks;  // by catalogue index
};

// The texts of all records copied together: sorting reads them many times
// in no particular order, which is far cheaper here than in the records.
struct TextPool {
    std::string bytes;
    std::vector<uint32_t> start;  // n + 1 entries once finished

    explicit TextPool(size_t n)
    {
        bytes.reserve(n * 24);
        start.reserve(n + 1);
    }
    void add(std::string_view t)
    {
        start.push_back(static_cast<uint32_t>(bytes.size()));
        bytes += t;
    }
    // The pool ends in 8 spare bytes so that chunk() never reads past it.
    void finish()
    {
        start.push_back(static_cast<uint32_t>(bytes.size()));
        bytes.append(8, '\0');
    }
    size_t size() const { return start.size() - 1; }
    // Bytes 8 × depth … 8 × depth + 7 of text i, big-endian, zero padded;
    // the text is at least 8 × depth bytes long.
    uint64_t chunk(uint32_t i, size_t depth) const
    {
        const size_t from = start[i] + depth * 8;
        const size_t left = start[i + 1] - from;
        if (left == 0)
            return 0;
        uint64_t v = 0;
        std::memcpy(&v, bytes.data() + from, 8);
        v = __builtin_bswap64(v);
        return left >= 8 ? v : v & ~(~uint64_t{0} >> (8 * left));
    }
};

struct TextItem {
    uint64_t chunk;  // 8 bytes of the text from the current depth
    uint32_t index;
};

struct TextSort {
    const TextPool& pool;
    std::vector<TextItem> items;
    std::vector<TextItem> spare;
    std::vector<uint8_t> groupStart;  // 1 at the first of each run of equal texts
};

// Texts hold no NUL, so a chunk whose last byte is zero ends its text.
inline bool textGoesOn(const TextItem& t)
{
    return (t.chunk & 0xFF) != 0;
}

// Sorts items[lo, hi), which agree in their first 8 × depth bytes and are
// in ascending index, by the rest of their texts and then index: by the
// next 8 bytes, then each run that still agrees and goes on, one level
// down. A run that ends its texts holds equal ones.
void sortTexts(TextSort& t, size_t lo, size_t hi, size_t depth)
{
    TextItem* range = t.items.data() + lo;
    const size_t n = hi - lo;
    if (depth > 0)
        for (size_t i = 0; i < n; ++i)
            range[i].chunk = t.pool.chunk(range[i].index, depth);
    if (n > 256)
        radixSort(range, t.spare.data(), n, [](const TextItem& it) { return it.chunk; });
    else
        std::sort(range, range + n, [](const TextItem& a, const TextItem& b) {
            return a.chunk != b.chunk ? a.chunk < b.chunk : a.index < b.index;
        });
    for (size_t i = 0; i < n;) {
        size_t j = i + 1;
        while (j < n && range[j].chunk == range[i].chunk)
            ++j;
        if (j - i > 1 && textGoesOn(range[i]))
            sortTexts(t, lo + i, lo + j, depth + 1);
        else
            t.groupStart[lo + i] = 1;
        i = j;
    }
}

void orderPool(const TextPool& pool, TextOrder& out)
{
    const size_t n = pool.size();
    TextSort t{pool, std::vector<TextItem>(n), std::vector<TextItem>(n), std::vector<uint8_t>(n)};
    for (size_t i = 0; i < n; ++i)
        t.items[i] = {pool.chunk(static_cast<uint32_t>(i), 0), static_cast<uint32_t>(i)};
    sortTexts(t, 0, n, 0);
    out.order.resize(n);
    out.ranks.resize(n);
    uint32_t rank = 0;
    for (size_t i = 0; i < n; ++i) {
        rank += i > 0 ? t.groupStart[i] : 0;
        out.order[i] = static_cast<int32_t>(t.items[i].index);
        out.ranks[t.items[i].index] = rank;
    }
}

// Asks for the cache lines at the given offsets of a record some way ahead
// of the one being read: the records are far apart and each pass reads only
// a few of their bytes, so they would otherwise be waited for one by one.
template <size_t N>
inline void prefetchAhead(const Catalogue& cat, size_t i, const std::array<size_t, N>& offsets)
{
    constexpr size_t kAhead = 8;
    if (i + kAhead < cat.games.size()) {
        const char* g = reinterpret_cast<const char*>(&cat.games[i + kAhead]);
        for (size_t o : offsets)
            __builtin_prefetch(g + o);
    }
}

void orderTitles(const Catalogue& cat, bool titleString, TextOrder& out)
{
    const size_t n = cat.games.size();
    const size_t at = titleString ? offsetof(GameRecord, title) : offsetof(GameRecord, titleKana);
    TextPool pool(n);
    for (size_t i = 0; i < n; ++i) {
        prefetchAhead(cat, i, std::array<size_t, 2>{at, at + 64});
        pool.add(klmSortTitleText(cat.games[i], titleString));
    }
    pool.finish();
    orderPool(pool, out);
}

// The value a key sorts by before the title, as an unsigned number.
uint32_t primaryValue(const GameRecord& g, int key)
{
    switch (key) {
    case 0: return biased(g.releaseDate);  // after the title, for key 0
    case kKlmMovieSortKey: return 0xFFFFFFFFu - biased(g.hasMovie);  // records with a movie first
    default: return biased(klmSortNumericKey(g, key));
    }
}

struct KeyItem {
    uint32_t value;
    int32_t index;
};

struct Scratch {
    std::vector<KeyItem> items;
    std::vector<KeyItem> spare;
};

struct Computation {
    const Catalogue& cat;
    SortOrders& orders;
    std::vector<int> keys;            // the keys to compute
    std::array<TextOrder, 2> titles;  // by the title string, by the kana
    // Per key, the value of every record in catalogue order: read once in
    // a sequential pass rather than once per record in title order.
    std::array<std::vector<uint32_t>, kKlmSortKeyCount> values;
};

// The keys' values in one pass over the records; the arcade key's are the
// ranks of the arcade file names, which lie next to the movie mark.
void fillValues(Computation& c)
{
    const size_t n = c.cat.games.size();
    bool arcade = false;
    for (int key : c.keys) {
        c.values[static_cast<size_t>(key)].resize(n);
        arcade = arcade || key == 11;
    }
    constexpr std::array<size_t, 8> kLines{0, 404, 544, 676, 716, 1032, 1852, 1892};
    TextPool pool(arcade ? n : 0);
    for (size_t i = 0; i < n; ++i) {
        prefetchAhead(c.cat, i, kLines);
        const GameRecord& g = c.cat.games[i];
        for (int key : c.keys)
            if (key != 11)
                c.values[static_cast<size_t>(key)][i] = primaryValue(g, key);
        if (arcade)
            pool.add(klmField(g.arcadeFile));
    }
    if (arcade) {
        pool.finish();
        TextOrder a;
        orderPool(pool, a);
        c.values[11] = std::move(a.ranks);
    }
}

// Key 0 sorts by the title and then the date: within each run of equal
// titles of the title order, by date and index.
void titleDateOrder(const Computation& c, const TextOrder& t, int32_t* out)
{
    const std::vector<uint32_t>& date = c.values[0];
    const size_t n = t.order.size();
    std::copy(t.order.begin(), t.order.end(), out);
    for (size_t i = 0; i < n;) {
        size_t j = i + 1;
        const uint32_t rank = t.ranks[static_cast<size_t>(out[i])];
        while (j < n && t.ranks[static_cast<size_t>(out[j])] == rank)
            ++j;
        if (j - i > 1)
            std::sort(out + i, out + j, [&](int32_t a, int32_t b) {
                const uint32_t da = date[static_cast<size_t>(a)], db = date[static_cast<size_t>(b)];
                return da != db ? da < db : a < b;
            });
        i = j;
    }
}

// The distinct values of a key in ascending order, as each record's dense
// rank and the number of records before each rank.
void valueGroups(const std::vector<uint32_t>& value, Scratch& s, std::vector<uint32_t>& rankOf,
                 std::vector<uint32_t>& before)
{
    const size_t n = value.size();
    s.items.resize(n);
    s.spare.resize(n);
    for (size_t i = 0; i < n; ++i)
        s.items[i] = {value[i], static_cast<int32_t>(i)};
    radixSort(s.items.data(), s.spare.data(), n, [](const KeyItem& k) { return k.value; });
    rankOf.resize(n);
    before.clear();
    for (size_t i = 0; i < n; ++i) {
        if (i == 0 || s.items[i].value != s.items[i - 1].value)
            before.push_back(static_cast<uint32_t>(i));
        rankOf[static_cast<size_t>(s.items[i].index)] = static_cast<uint32_t>(before.size() - 1);
    }
}

// A key's two orders: each title order distributed stably by the key's
// value, so equal values keep the title order and, within it, the index.
void computeKey(const Computation& c, int key, Scratch& s)
{
    const size_t n = c.cat.games.size();
    for (int mode = 0; mode < 2; ++mode) {
        const size_t slot = static_cast<size_t>(mode * kKlmSortKeyCount + key);
        int32_t* out = c.orders.data.data() + slot * n;
        if (key == 0)
            titleDateOrder(c, c.titles[static_cast<size_t>(mode)], out);
    }
    if (key == 0)
        return;
    std::vector<uint32_t> rankOf;
    std::vector<uint32_t> before;
    valueGroups(c.values[static_cast<size_t>(key)], s, rankOf, before);
    std::vector<uint32_t> next;
    for (int mode = 0; mode < 2; ++mode) {
        const size_t slot = static_cast<size_t>(mode * kKlmSortKeyCount + key);
        int32_t* out = c.orders.data.data() + slot * n;
        next = before;
        for (int32_t t : c.titles[static_cast<size_t>(mode)].order)
            out[next[rankOf[static_cast<size_t>(t)]]++] = t;
    }
}

// Runs jobs 0 … count − 1 on this thread and the worker: each of the two
// chunks takes jobs from one counter and keeps its scratch between them.
template <typename F>
void runJobs(KlmPassWorker& worker, int count, F job)
{
    std::atomic<int> next{0};
    auto chunk = [&](size_t) {
        Scratch s;
        for (int j = next.fetch_add(1); j < count; j = next.fetch_add(1))
            job(j, s);
    };
    klmRunChunks(&worker, 2, chunk);
}

void compute(Computation& c)
{
    KlmPassWorker worker;
    // The two title orders and the keys' values first, then every order.
    runJobs(worker, 3, [&](int job, Scratch&) {
        if (job < 2)
            orderTitles(c.cat, job == 0, c.titles[static_cast<size_t>(job)]);
        else
            fillValues(c);
    });
    runJobs(worker, static_cast<int>(c.keys.size()),
            [&](int job, Scratch& s) { computeKey(c, c.keys[static_cast<size_t>(job)], s); });
}

}  // namespace

void klmComputeSortOrders(SortOrders& orders, const Catalogue& cat)
{
    const size_t n = cat.games.size();
    orders.n = static_cast<int32_t>(n);
    orders.data.assign(n * kKlmSortOrderCount, 0);
    Computation c{cat, orders, {}, {}, {}};
    for (int key = 0; key < kKlmSortKeyCount; ++key)
        c.keys.push_back(key);
    compute(c);
}

void klmResortMovieOrders(SortOrders& orders, const Catalogue& cat)
{
    if (orders.data.size() != cat.games.size() * kKlmSortOrderCount) {
        klmComputeSortOrders(orders, cat);
        return;
    }
    Computation c{cat, orders, {kKlmMovieSortKey}, {}, {}};
    compute(c);
}
