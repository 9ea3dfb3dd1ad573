#include "browse/search_index.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "browse/name_conditions.h"
#include "browse/pass_worker.h"
#include "text/cp932.h"

namespace {

// Zero bytes after every text block: the scan reads a 16-byte block at the
// needle's last byte, and a needle has at most 255 bytes.
constexpr size_t kPadding = 256 + 16;

// The record fields the index copies, in the order it stores them.
constexpr KlmTextField kIndexedFields[] = {
    KlmTextField::Title,   KlmTextField::Kana,      KlmTextField::English, KlmTextField::Date,
    KlmTextField::Price,   KlmTextField::ImageNumber, KlmTextField::Movie, KlmTextField::Arcade,
    KlmTextField::Comment, KlmTextField::Crc,       KlmTextField::FoundPath, KlmTextField::RomSize,
    KlmTextField::Serial,
};
constexpr int kIndexedCount = static_cast<int>(std::size(kIndexedFields));

constexpr uint32_t fieldBit(KlmTextField f) { return 1u << static_cast<int>(f); }

static_assert(KlmSearchIndex::kNameTables == kKlmNameConditionCount);
constexpr KlmTextField kNameFields[KlmSearchIndex::kNameTables] = {
    KlmTextField::Hardware, KlmTextField::Software, KlmTextField::Developer,
    KlmTextField::Publisher, KlmTextField::Genre, KlmTextField::Screen,
};

// What the view filters test, in four bits: the ownership (3 for any value
// but the three known ones), whether the game is a later disk, whether it
// is a favourite. Any two records with the same code answer those tests
// alike.
uint8_t statusCode(const GameRecord& g)
{
    const int32_t o = g.ownership;
    const uint8_t own = (o == kKlmNotOwned || o == kKlmOwned || o == kKlmOwnedNotRenamed) ? static_cast<uint8_t>(o) : 3;
    return static_cast<uint8_t>(own | (g.disk != 0 ? 4 : 0) | (g.favorite != 0 ? 8 : 0));
}

// The texts to look for, with what the block scan compares against.
struct Needles {
    static constexpr int kMax = 3;
    const unsigned char* s[kMax] = {};
    size_t n[kMax] = {};
    int count = 0;
#if defined(__SSE2__)
    __m128i first[kMax];
    __m128i last[kMax];
#endif
};

// The texts a pass looks for: the typed text and the variants that differ.
int variantTexts(const SearchVariants& v, std::string_view (&out)[3])
{
    int count = 0;
    out[count++] = klmField(v.typed);
    if (v.normalisedDiffers)
        out[count++] = klmField(v.normalised);
    if (v.replacedDiffers)
        out[count++] = klmField(v.replaced);
    return count;
}

// The variants the pass looks for, each once; false when one is empty,
// which every text contains.
bool makeNeedles(Needles& nd, const SearchVariants& v)
{
    std::string_view texts[3];
    const int count = variantTexts(v, texts);
    nd.count = 0;
    for (int i = 0; i < count; ++i) {
        if (texts[i].empty())
            return false;
        if (std::find(texts, texts + i, texts[i]) != texts + i)
            continue;
        const int k = nd.count++;
        nd.s[k] = reinterpret_cast<const unsigned char*>(texts[i].data());
        nd.n[k] = texts[i].size();
#if defined(__SSE2__)
        nd.first[k] = _mm_set1_epi8(static_cast<char>(nd.s[k][0]));
        nd.last[k] = _mm_set1_epi8(static_cast<char>(nd.s[k][nd.n[k] - 1]));
#endif
    }
    return true;
}

// Whether a needle matches at pos of s[0, size) on a character boundary.
// The texts in s are ended by NULs (no needle holds one, so no match runs
// across a text's end), and a character starts after the run of
// lead-range bytes before pos when the run has even length: the byte before
// the run always ends a character, a NUL and the start of s included.
inline bool matchesAt(const unsigned char* s, size_t size, size_t pos, const Needles& nd)
{
    bool whole = false;
    for (int k = 0; k < nd.count && !whole; ++k) {
        const size_t n = nd.n[k];
        if (pos + n > size || s[pos] != nd.s[k][0] || s[pos + n - 1] != nd.s[k][n - 1])
            continue;
        size_t i = 1;
        while (i + 1 < n && s[pos + i] == nd.s[k][i])
            ++i;
        whole = i + 1 >= n;
    }
    if (!whole)
        return false;
    size_t run = 0;
    while (run < pos && klmIsLeadByte(s[pos - 1 - run]))
        ++run;
    return run % 2 == 0;
}

// The positions of the 16 from s where a needle's first and last bytes
// are both in place, as a bit mask; none at or past `left`. Reads up to
// kPadding − 1 bytes past s + left.
inline unsigned candidates(const unsigned char* s, size_t left, const Needles& nd)
{
    unsigned cand = 0;
#if defined(__SSE2__)
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
    for (int k = 0; k < nd.count; ++k) {
        // No branch on the first byte: in kana text it is a lead byte that
        // matches at every other position. A one-byte needle compares the
        // same block twice.
        const __m128i w = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + nd.n[k] - 1));
        const __m128i both = _mm_and_si128(_mm_cmpeq_epi8(v, nd.first[k]), _mm_cmpeq_epi8(w, nd.last[k]));
        cand |= static_cast<unsigned>(_mm_movemask_epi8(both));
    }
#else
    for (unsigned i = 0; i < 16; ++i)
        for (int k = 0; k < nd.count; ++k)
            if (s[i] == nd.s[k][0] && s[i + nd.n[k] - 1] == nd.s[k][nd.n[k] - 1])
                cand |= 1u << i;
#endif
    return left < 16 ? cand & ((1u << left) - 1) : cand;
}

// Whether a needle occurs in s[0, size) on a character boundary of the
// text it falls in.
bool hasAny(const unsigned char* s, size_t size, const Needles& nd)
{
    for (size_t off = 0; off < size; off += 16)
        for (unsigned cand = candidates(s + off, size - off, nd); cand; cand &= cand - 1)
            if (matchesAt(s, size, off + static_cast<size_t>(__builtin_ctz(cand)), nd))
                return true;
    return false;
}

// What one pass asks of every game.
struct Pass {
    const KlmSearchIndex* index = nullptr;
    const Catalogue* cat = nullptr;
    const SearchCondition* cond = nullptr;
    Needles needles;
    bool textAlways = false;     // an empty variant: every text matches
    bool textNever = false;      // the kind looks at no field
    uint32_t indexedMask = 0;    // bits of kIndexedFields to look at
    bool allIndexed = false;     // all thirteen: the game's whole part at once
    uint32_t nameMask = 0;       // bits of the name tables to look at
    const uint8_t* nameHits[KlmSearchIndex::kNameTables] = {};
    size_t nameHitCount[KlmSearchIndex::kNameTables] = {};
    bool statusPasses[16] = {};
    int32_t wantedName[KlmSearchIndex::kNameTables] = {};  // 0 = any
    bool nameTests = false;      // a table chosen: wantedName holds it
    bool rangeTests = false;     // year, price or ROM size: asked of the record
    bool onlyFlagged = false;
    uint8_t* flags = nullptr;
};

bool nameHit(const Pass& p, size_t game)
{
    for (uint32_t m = p.nameMask; m != 0; m &= m - 1) {
        const int t = __builtin_ctz(m);
        const uint16_t pos = p.index->positions[t][game];
        if (pos < p.nameHitCount[t] && p.nameHits[t][pos])
            return true;
    }
    return false;
}

// One game's text test, its part of a segment read field by field.
bool textPasses(const Pass& p, size_t game)
{
    if (p.textAlways)
        return true;
    if (p.textNever)
        return false;
    const KlmSearchIndexSegment& seg = p.index->segments[game / KlmSearchIndex::kSegmentGames];
    const size_t k = game % KlmSearchIndex::kSegmentGames;
    const unsigned char* part = reinterpret_cast<const unsigned char*>(seg.text.data()) + seg.starts[k];
    const size_t size = seg.starts[k + 1] - seg.starts[k];
    if (p.allIndexed) {
        if (hasAny(part, size, p.needles))
            return true;
    } else if (p.indexedMask) {
        const unsigned char* field = part;
        for (int f = 0; f < kIndexedCount; ++f) {
            const size_t len = std::strlen(reinterpret_cast<const char*>(field));
            if ((p.indexedMask >> f & 1) && hasAny(field, len, p.needles))
                return true;
            field += len + 1;
            if ((p.indexedMask >> (f + 1)) == 0)
                break;
        }
    }
    return nameHit(p, game);
}

// The text test of every game of a segment whose every field is looked at,
// in one scan of the segment: on a match the scan jumps to the next game.
// Sets hits[k] for the segment's k-th game and clears the others.
void scanSegment(const Pass& p, const KlmSearchIndexSegment& seg, uint8_t* hits)
{
    const unsigned char* t = reinterpret_cast<const unsigned char*>(seg.text.data());
    const uint32_t* starts = seg.starts.data();
    const size_t games = seg.starts.size() - 1;
    const size_t size = starts[games];
    std::fill(hits, hits + games, 0);
    size_t game = 0;
    size_t off = 0;
    while (off < size) {
        // A part ends with a NUL, so a match never runs into the next one
        // and the segment's start and end bound every match.
        const size_t pos = off;
        off += 16;
        for (unsigned cand = candidates(t + pos, size - pos, p.needles); cand; cand &= cand - 1) {
            const size_t at = pos + static_cast<size_t>(__builtin_ctz(cand));
            if (!matchesAt(t, size, at, p.needles))
                continue;
            while (starts[game + 1] <= at)
                ++game;
            hits[game] = 1;
            off = starts[game + 1];
            break;
        }
    }
}

bool conditionsPass(const Pass& p, size_t game)
{
    if (!p.statusPasses[p.index->status[game]])
        return false;
    if (!p.nameTests && !p.rangeTests)
        return true;
    for (int t = 0; t < KlmSearchIndex::kNameTables; ++t) {
        if (p.wantedName[t] == 0)
            continue;
        const uint16_t pos = p.index->positions[t][game];
        const int32_t position = pos == KlmSearchIndex::kNoName ? -1 : pos;
        if (int64_t{p.wantedName[t]} - 1 != position)
            return false;
    }
    return !p.rangeTests || klmPassesConditions(*p.cond, p.cat->games[game], *p.cat);
}

void runChunk(const Pass& p, size_t chunk)
{
    const size_t begin = chunk * KlmSearchIndex::kSegmentGames;
    const size_t end = std::min(p.index->games, begin + KlmSearchIndex::kSegmentGames);
    uint8_t* flags = p.flags;
    if (p.onlyFlagged) {
        for (size_t i = begin; i < end; ++i)
            if (flags[i])
                flags[i] = textPasses(p, i) ? 1 : 0;
        return;
    }
    if (p.allIndexed && !p.textAlways) {
        scanSegment(p, p.index->segments[chunk], flags + begin);
        for (size_t i = begin; i < end; ++i)
            flags[i] = conditionsPass(p, i) && (flags[i] || nameHit(p, i)) ? 1 : 0;
        return;
    }
    for (size_t i = begin; i < end; ++i)
        flags[i] = conditionsPass(p, i) && textPasses(p, i) ? 1 : 0;
}

// The tests beyond the text that depend only on the status code, answered
// once per code by the plain pass's own test on a stand-in record.
void planStatus(Pass& p, const SearchCondition& cond, const Catalogue& cat)
{
    SearchCondition statusOnly = cond;
    statusOnly.hardware = statusOnly.software = statusOnly.developer = 0;
    statusOnly.publisher = statusOnly.genre = statusOnly.screen = 0;
    statusOnly.year = statusOnly.price = statusOnly.romSize = 0;
    for (uint8_t code = 0; code < 16; ++code) {
        GameRecord stand{};
        stand.ownership = code & 3;
        stand.disk = code >> 2 & 1;
        stand.favorite = code >> 3 & 1;
        p.statusPasses[code] = klmPassesConditions(statusOnly, stand, cat);
    }
    const int32_t wanted[KlmSearchIndex::kNameTables] = {cond.hardware, cond.software, cond.developer,
                                                         cond.publisher, cond.genre, cond.screen};
    std::copy(std::begin(wanted), std::end(wanted), p.wantedName);
    p.nameTests = std::any_of(std::begin(wanted), std::end(wanted), [](int32_t w) { return w != 0; });
    p.rangeTests = cond.year != 0 || cond.price != 0 || cond.romSize != 0;
}

void planText(Pass& p, ViewList& view, int32_t kind)
{
    const uint32_t fields = klmSearchKindFields(kind);
    if (fields == 0) {
        p.textNever = true;
        return;
    }
    if (!makeNeedles(p.needles, view.variants)) {
        p.textAlways = true;
        return;
    }
    for (int f = 0; f < kIndexedCount; ++f)
        if (fields & fieldBit(kIndexedFields[f]))
            p.indexedMask |= 1u << f;
    p.allIndexed = p.indexedMask == (1u << kIndexedCount) - 1;
    for (int t = 0; t < KlmSearchIndex::kNameTables; ++t) {
        if (!(fields & fieldBit(kNameFields[t])))
            continue;
        // Each table entry's answer once, as the plain pass does.
        const KlmSearchIndexSegment& names = p.index->tables[t];
        const size_t entries = std::min(view.tableHits[t].size(), names.starts.size() - 1);
        uint8_t* hits = view.tableHits[t].data();
        const unsigned char* text = reinterpret_cast<const unsigned char*>(names.text.data());
        for (size_t e = 0; e < entries; ++e)
            hits[e] = hasAny(text + names.starts[e], names.starts[e + 1] - names.starts[e], p.needles) ? 1 : 0;
        // A table none of whose names matches cannot make a game match.
        if (std::find(hits, hits + entries, 1) == hits + entries)
            continue;
        p.nameMask |= 1u << t;
        p.nameHits[t] = hits;
        p.nameHitCount[t] = entries;
    }
}

}  // namespace

bool klmVariantsNarrow(const SearchVariants& before, const SearchVariants& after)
{
    std::string_view old[3];
    std::string_view now[3];
    const int oldCount = variantTexts(before, old);
    const int nowCount = variantTexts(after, now);
    for (int i = 0; i < nowCount; ++i) {
        bool contained = false;
        for (int k = 0; k < oldCount && !contained; ++k)
            contained = klmFindText(now[i], old[k]) != std::string_view::npos;
        if (!contained)
            return false;
    }
    return true;
}

namespace {

void appendPart(KlmSearchIndexSegment& seg, std::string_view text)
{
    seg.starts.push_back(static_cast<uint32_t>(seg.text.size()));
    seg.text.insert(seg.text.end(), text.begin(), text.end());
    seg.text.push_back('\0');
}

}  // namespace

bool klmSearchIndexFits(const KlmSearchIndex& index, const Catalogue& cat)
{
    return index.usable && index.builtFrom == cat.games.data() && index.games == cat.games.size() &&
           !klmSearchIndexStale(index);
}

size_t klmSearchIndexBytes(const KlmSearchIndex& index)
{
    size_t bytes = index.status.capacity();
    for (const auto& positions : index.positions)
        bytes += positions.capacity() * sizeof(uint16_t);
    auto add = [&bytes](const KlmSearchIndexSegment& seg) {
        bytes += seg.text.size() + seg.starts.capacity() * sizeof(uint32_t);
    };
    std::for_each(index.segments.begin(), index.segments.end(), add);
    std::for_each(std::begin(index.tables), std::end(index.tables), add);
    return bytes;
}

namespace {

// Where each copied field lies in a record, taken from the first one.
struct FieldOffsets {
    size_t at[kIndexedCount] = {};
};

FieldOffsets fieldOffsets(const Catalogue& cat)
{
    FieldOffsets o;
    for (int f = 0; f < kIndexedCount && !cat.games.empty(); ++f)
        o.at[f] = static_cast<size_t>(klmSearchFieldText(cat, cat.games[0], kIndexedFields[f]).data() -
                                      reinterpret_cast<const char*>(&cat.games[0]));
    return o;
}

// Copies segment s from the records. It writes only that segment and its
// own games' entries, so segments can be built side by side. False when a
// record does not fit the index.
bool buildSegment(KlmSearchIndex& index, const Catalogue& cat, size_t s, const FieldOffsets& offsets)
{
    constexpr size_t kAhead = 6;
    KlmSearchIndexSegment& seg = index.segments[s];
    const size_t begin = s * KlmSearchIndex::kSegmentGames;
    const size_t end = std::min(index.games, begin + KlmSearchIndex::kSegmentGames);
    bool fits = true;
    // Written straight into the segment. The reserve covers games of up to
    // 256 bytes without a move; what a segment does not use of it is address
    // space that is never touched, not memory. A rebuild reuses it. A
    // segment holds at most 8192 games of under 1300 bytes: its offsets fit
    // 32 bits.
    std::vector<char>& text = seg.text;
    text.clear();
    text.reserve((end - begin) * 256 + kPadding);
    seg.starts.clear();
    seg.starts.reserve(end - begin + 1);
    for (size_t i = begin; i < end; ++i) {
        // The fields lie some thirty cache lines apart, a pattern the
        // hardware does not guess: fetch a few records ahead.
        if (i + kAhead < end)
            for (size_t off : offsets.at)
                __builtin_prefetch(reinterpret_cast<const char*>(&cat.games[i + kAhead]) + off);
        const GameRecord& g = cat.games[i];
        seg.starts.push_back(static_cast<uint32_t>(text.size()));
        for (KlmTextField f : kIndexedFields) {
            const std::string_view t = klmSearchFieldText(cat, g, f);
            text.insert(text.end(), t.begin(), t.end());
            text.push_back('\0');
        }
        for (int t = 0; t < KlmSearchIndex::kNameTables; ++t) {
            const int32_t pos = klmNameConditionPosition(g, kKlmNameConditions[t].which);
            fits = fits && pos >= -1 && pos < KlmSearchIndex::kNoName;
            index.positions[t][i] = pos < 0 ? KlmSearchIndex::kNoName : static_cast<uint16_t>(pos);
        }
        index.status[i] = statusCode(g);
    }
    seg.starts.push_back(static_cast<uint32_t>(text.size()));
    text.insert(text.end(), kPadding, '\0');
    return fits;
}

}  // namespace

bool klmBuildSearchIndex(KlmSearchIndex& index, const Catalogue& cat, KlmPassWorker* worker)
{
    const size_t n = cat.games.size();
    index.builtFrom = cat.games.data();
    index.games = n;
    index.segments.resize((n + KlmSearchIndex::kSegmentGames - 1) / KlmSearchIndex::kSegmentGames);
    index.stale.assign(index.segments.size(), 1);
    index.fits.assign(index.segments.size(), 0);
    index.status.resize(n);
    for (auto& positions : index.positions)
        positions.resize(n);
    for (int t = 0; t < KlmSearchIndex::kNameTables; ++t) {
        KlmSearchIndexSegment& names = index.tables[t];
        names.text.clear();
        names.starts.clear();
        for (const MasterEntry& e : klmNameConditionTable(cat, kKlmNameConditions[t].which))
            appendPart(names, klmField(e.name));
        names.starts.push_back(static_cast<uint32_t>(names.text.size()));
        names.text.insert(names.text.end(), kPadding, '\0');
    }
    index.usable = true;
    return klmUpdateSearchIndex(index, cat, worker);
}

void klmMarkGamesChanged(KlmSearchIndex& index, std::span<const int32_t> games)
{
    for (int32_t g : games)
        if (g >= 0 && static_cast<size_t>(g) < index.games)
            index.stale[static_cast<size_t>(g) / KlmSearchIndex::kSegmentGames] = 1;
}

bool klmSearchIndexStale(const KlmSearchIndex& index)
{
    return std::find(index.stale.begin(), index.stale.end(), 1) != index.stale.end();
}

bool klmUpdateSearchIndex(KlmSearchIndex& index, const Catalogue& cat, KlmPassWorker* worker)
{
    if (index.builtFrom != cat.games.data() || index.games != cat.games.size() ||
        index.stale.size() != index.segments.size())
        return klmBuildSearchIndex(index, cat, worker);
    if (!klmSearchIndexStale(index))
        return index.usable;
    const FieldOffsets offsets = fieldOffsets(cat);
    auto build = [&](size_t s) {
        if (index.stale[s])
            index.fits[s] = buildSegment(index, cat, s, offsets) ? 1 : 0;
    };
    klmRunChunks(worker, index.segments.size(), build);
    std::fill(index.stale.begin(), index.stale.end(), 0);
    index.usable = std::all_of(index.fits.begin(), index.fits.end(), [](uint8_t f) { return f != 0; });
    return index.usable;
}

void klmFlagShownRows(ViewList& view)
{
    std::fill(view.matchFlags.begin(), view.matchFlags.end(), 0);
    const size_t n = view.matchFlags.size();
    for (int32_t r = 0; r < view.count && static_cast<size_t>(r) < view.rows.size(); ++r) {
        const int32_t game = view.rows[static_cast<size_t>(r)];
        if (game >= 0 && static_cast<size_t>(game) < n)
            view.matchFlags[static_cast<size_t>(game)] = 1;
    }
}

int32_t klmFilterViewListIndexed(ViewList& view, const KlmSearchIndex& index, const Catalogue& cat,
                                 const SearchCondition& cond, const std::vector<ReplacementRule>& rules,
                                 bool onlyFlagged, KlmPassWorker* worker)
{
    if (!klmSearchIndexFits(index, cat))
        return klmFilterViewList(view, cat, cond, rules);
    if (!klmViewListFits(view, cat)) {
        klmAllocateViewList(view, cat);
        onlyFlagged = false;
    }
    klmBuildSearchVariants(view.variants, klmField(cond.searchText), rules);

    Pass p;
    p.index = &index;
    p.cat = &cat;
    p.cond = &cond;
    p.onlyFlagged = onlyFlagged;
    p.flags = view.matchFlags.data();
    planStatus(p, cond, cat);
    planText(p, view, cond.searchKind);
    auto chunk = [&p](size_t c) { runChunk(p, c); };
    klmRunChunks(worker, index.segments.size(), chunk);
    return klmCompactViewList(view);
}
