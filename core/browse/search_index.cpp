#include "browse/search_index.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "browse/name_conditions.h"
#include "browse/pass_worker.h"
#include "browse/search_index_layout.h"
#include "text/cp932.h"

namespace {

constexpr uint32_t fieldBit(KlmTextField f) { return 1u << static_cast<int>(f); }

static_assert(KlmSearchIndex::kNameTables == kKlmNameConditionCount);
static_assert(KlmSearchIndex::kCodedFields == std::extent_v<decltype(ViewList::codeHits)>);
constexpr KlmTextField kNameFields[KlmSearchIndex::kNameTables] = {
    KlmTextField::Hardware, KlmTextField::Software, KlmTextField::Developer,
    KlmTextField::Publisher, KlmTextField::Genre, KlmTextField::Screen,
};

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
// kKlmIndexPadding − 1 bytes past s + left.
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

// A field held as a number per game (a name table's position, a coded
// field's entry), answered per entry: hits[code] for codes below count.
// The numbers are bytes (smallCodes) for a small table.
struct CodeLookup {
    const uint16_t* codes = nullptr;
    const uint8_t* smallCodes = nullptr;
    const uint8_t* hits = nullptr;
    size_t count = 0;
};

// What one pass asks of every game.
struct Pass {
    const KlmSearchIndex* index = nullptr;
    const Catalogue* cat = nullptr;
    const SearchCondition* cond = nullptr;
    Needles needles;
    bool textAlways = false;     // an empty variant: every text matches
    bool textNever = false;      // the kind looks at no field
    uint32_t indexedMask = 0;    // bits of the fields in the text to look at, in their order there
    bool allIndexed = false;     // all those: the game's whole part at once
    // The name tables and coded fields looked at that have an entry that matches.
    CodeLookup lookups[KlmSearchIndex::kNameTables + KlmSearchIndex::kCodedFields];
    int lookupCount = 0;
    bool statusPasses[16] = {};
    int32_t wantedName[KlmSearchIndex::kNameTables] = {};  // 0 = any
    bool nameTests = false;      // a table chosen: wantedName holds it
    bool rangeTests = false;     // year, price or ROM size: asked of the record
    bool onlyFlagged = false;
    uint8_t* flags = nullptr;
};

bool lookupHit(const Pass& p, size_t game)
{
    for (int k = 0; k < p.lookupCount; ++k) {
        const CodeLookup& l = p.lookups[k];
        const size_t code = l.codes ? l.codes[game] : l.smallCodes[game];
        if (code < l.count && l.hits[code])
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
        for (int f = 0; f < kKlmIndexedCount; ++f) {
            const size_t len = std::strlen(reinterpret_cast<const char*>(field));
            if ((p.indexedMask >> f & 1) && hasAny(field, len, p.needles))
                return true;
            field += len + 1;
            if ((p.indexedMask >> (f + 1)) == 0)
                break;
        }
    }
    return lookupHit(p, game);
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

// Game's position in name table t, −1 for none.
int32_t namePosition(const KlmSearchIndex& index, const Catalogue& cat, int t, size_t game)
{
    if (!index.smallTable[t]) {
        const uint16_t pos = index.positions[t][game];
        return pos == KlmSearchIndex::kNoName ? -1 : pos;
    }
    const uint8_t pos = index.smallPositions[t][game];
    if (pos == KlmSearchIndex::kOutsideSmallTable)
        return klmNameConditionPosition(cat.games[game], kKlmNameConditions[t].which);
    return pos == KlmSearchIndex::kNoSmallName ? -1 : pos;
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
        if (int64_t{p.wantedName[t]} - 1 != namePosition(*p.index, *p.cat, t, game))
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
            flags[i] = conditionsPass(p, i) && (flags[i] || lookupHit(p, i)) ? 1 : 0;
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

// Each entry's answer of a name table or dictionary, once per pass as the
// plain pass does, and the lookup by code when one matches: an entry none
// of whose texts matches cannot make a game match.
void planLookup(Pass& p, const KlmSearchIndexSegment& entries, size_t count, std::vector<uint8_t>& scratch,
                CodeLookup lookup)
{
    count = std::min(count, scratch.size());
    uint8_t* hits = scratch.data();
    const unsigned char* text = reinterpret_cast<const unsigned char*>(entries.text.data());
    for (size_t e = 0; e < count; ++e)
        hits[e] = hasAny(text + entries.starts[e], entries.starts[e + 1] - entries.starts[e], p.needles) ? 1 : 0;
    if (std::find(hits, hits + count, 1) == hits + count)
        return;
    lookup.hits = hits;
    lookup.count = count;
    p.lookups[p.lookupCount++] = lookup;
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
    const KlmSearchIndex& index = *p.index;
    int stored = 0;
    uint32_t all = 0;
    for (KlmTextField f : kKlmIndexedFields) {
        if (!klmIndexStoresText(index, f))
            continue;
        all |= 1u << stored;
        if (fields & fieldBit(f))
            p.indexedMask |= 1u << stored;
        ++stored;
    }
    p.allIndexed = p.indexedMask == all;
    for (int t = 0; t < KlmSearchIndex::kNameTables; ++t)
        if (fields & fieldBit(kNameFields[t]))
            planLookup(p, index.tables[t], index.tables[t].starts.size() - 1, view.tableHits[t],
                       CodeLookup{index.smallTable[t] ? nullptr : index.positions[t].data(),
                                  index.smallTable[t] ? index.smallPositions[t].data() : nullptr});
    for (int c = 0; c < KlmSearchIndex::kCodedFields; ++c) {
        if (!index.coded[c] || !(fields & fieldBit(KlmSearchIndex::kCodedField[c])))
            continue;
        const KlmSearchDictionary& dict = index.dictionaries[c];
        // Sized here, not with the list: the dictionary grows with the records.
        if (view.codeHits[c].size() < dict.count)
            view.codeHits[c].resize(dict.count);
        planLookup(p, dict.entries, dict.count, view.codeHits[c], CodeLookup{index.codes[c].data()});
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
