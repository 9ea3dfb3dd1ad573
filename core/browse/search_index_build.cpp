// Building the search index from the records, and keeping it up to date.
#include <algorithm>
#include <mutex>

#include "browse/name_conditions.h"
#include "browse/pass_worker.h"
#include "browse/search_index.h"
#include "browse/search_index_layout.h"
#include "text/cp932.h"

namespace {

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

void appendPart(KlmSearchIndexSegment& seg, std::string_view text)
{
    seg.starts.push_back(static_cast<uint32_t>(seg.text.size()));
    seg.text.insert(seg.text.end(), text.begin(), text.end());
    seg.text.push_back('\0');
}

// Where each copied field lies in a record, taken from the first one, and
// which of them are coded.
struct FieldPlan {
    size_t at[kKlmIndexedCount] = {};
    int coded[kKlmIndexedCount] = {};  // slot in the index's codes, or −1
    std::vector<int> codedOrder;         // the coded slots in field order
};

FieldPlan fieldPlan(const KlmSearchIndex& index, const Catalogue& cat)
{
    FieldPlan o;
    for (int f = 0; f < kKlmIndexedCount; ++f) {
        if (!cat.games.empty())
            o.at[f] = static_cast<size_t>(klmSearchFieldText(cat, cat.games[0], kKlmIndexedFields[f]).data() -
                                          reinterpret_cast<const char*>(&cat.games[0]));
        o.coded[f] = klmIndexStoresText(index, kKlmIndexedFields[f]) ? -1 : klmCodedSlot(kKlmIndexedFields[f]);
        if (o.coded[f] >= 0)
            o.codedOrder.push_back(o.coded[f]);
    }
    return o;
}

// The coded fields' texts of one segment while it is copied: its own
// dictionaries, numbered by it; codes[c] holds those numbers until the
// merge makes them the index's.
struct SegmentCodes {
    KlmSearchDictionary local[KlmSearchIndex::kCodedFields];
    std::vector<char> pending;  // the coded texts as copied, game by game
};

// Numbers the coded texts of games begin … end, in pending as the copy left
// them. Done after the copy rather than during it: the records streaming
// through the cache would push the dictionaries out between two games.
void numberCodes(KlmSearchIndex& index, const FieldPlan& plan, SegmentCodes& own, size_t begin, size_t end)
{
    const char* t = own.pending.data();
    for (size_t i = begin; i < end; ++i) {
        for (int c : plan.codedOrder) {
            const std::string_view text(t);
            // A segment has fewer games than a dictionary may hold.
            index.codes[c][i] = klmDictionaryAdd(own.local[c], text, KlmSearchDictionary::kMaxEntries);
            t += text.size() + 1;
        }
    }
    // The merge reads only the entries: the hash tables and the copied
    // texts go now, so that all segments' scratch is not held at once.
    for (int c : plan.codedOrder)
        klmCloseDictionary(own.local[c], 0);
    own.pending = std::vector<char>{};
}

// Copies segment s from the records. It writes only that segment, its own
// games' entries and its own dictionaries, so segments can be built side
// by side. False when a record does not fit the index.
bool buildSegment(KlmSearchIndex& index, const Catalogue& cat, size_t s, const FieldPlan& plan,
                  SegmentCodes& own)
{
    constexpr size_t kAhead = 6;
    KlmSearchIndexSegment& seg = index.segments[s];
    const size_t begin = s * KlmSearchIndex::kSegmentGames;
    const size_t end = std::min(index.games, begin + KlmSearchIndex::kSegmentGames);
    bool fits = true;
    for (KlmSearchDictionary& d : own.local) {
        klmClearDictionary(d);
        klmReserveDictionary(d, end - begin);
    }
    std::vector<char>& pending = own.pending;
    pending.clear();
    pending.reserve((end - begin) * 8 * plan.codedOrder.size());
    // Written straight into the segment. The reserve covers games of up to
    // 256 bytes without a move; what a segment does not use of it is address
    // space that is never touched, not memory. A rebuild reuses it. A
    // segment holds at most 8192 games of under 1300 bytes: its offsets fit
    // 32 bits.
    std::vector<char>& text = seg.text;
    text.clear();
    text.reserve((end - begin) * 256 + kKlmIndexPadding);
    seg.starts.clear();
    seg.starts.reserve(end - begin + 1);
    for (size_t i = begin; i < end; ++i) {
        // The fields lie some thirty cache lines apart, a pattern the
        // hardware does not guess: fetch a few records ahead.
        if (i + kAhead < end)
            for (size_t off : plan.at)
                __builtin_prefetch(reinterpret_cast<const char*>(&cat.games[i + kAhead]) + off);
        const GameRecord& g = cat.games[i];
        seg.starts.push_back(static_cast<uint32_t>(text.size()));
        for (int f = 0; f < kKlmIndexedCount; ++f) {
            const std::string_view t = klmSearchFieldText(cat, g, kKlmIndexedFields[f]);
            std::vector<char>& to = plan.coded[f] >= 0 ? pending : text;
            to.insert(to.end(), t.begin(), t.end());
            to.push_back('\0');
        }
        for (int t = 0; t < KlmSearchIndex::kNameTables; ++t) {
            const int32_t pos = klmNameConditionPosition(g, kKlmNameConditions[t].which);
            fits = fits && pos >= -1 && pos < KlmSearchIndex::kNoName;
            if (index.smallTable[t])
                index.smallPositions[t][i] = pos < 0 ? KlmSearchIndex::kNoSmallName
                                             : static_cast<size_t>(pos) < KlmSearchIndex::kSmallTable
                                                 ? static_cast<uint8_t>(pos)
                                                 : KlmSearchIndex::kOutsideSmallTable;
            else
                index.positions[t][i] = pos < 0 ? KlmSearchIndex::kNoName : static_cast<uint16_t>(pos);
        }
        index.status[i] = statusCode(g);
    }
    seg.starts.push_back(static_cast<uint32_t>(text.size()));
    text.insert(text.end(), kKlmIndexPadding, '\0');
    numberCodes(index, plan, own, begin, end);
    return fits;
}

// Adds the texts of a segment's own dictionary to the index's, giving what
// each of its numbers becomes there. False when the index's would pass the
// limit.
bool mergeTexts(KlmSearchIndex& index, int c, const KlmSearchDictionary& local, std::vector<uint16_t>& renumber)
{
    renumber.resize(local.count);
    for (size_t e = 0; e < local.count; ++e) {
        renumber[e] = klmDictionaryAdd(index.dictionaries[c], klmDictionaryText(local, e), index.codeLimit);
        if (renumber[e] == KlmSearchDictionary::kFree) {
            renumber.clear();
            return false;
        }
    }
    return true;
}

// Field c is kept as text from now on: its codes and dictionary go, and
// every segment must be copied again to take it.
void stopCoding(KlmSearchIndex& index, int c)
{
    index.coded[c] = false;
    klmClearDictionary(index.dictionaries[c]);
    index.dictionaries[c] = KlmSearchDictionary{};
    index.codes[c] = std::vector<uint16_t>{};
    std::fill(index.stale.begin(), index.stale.end(), 1);
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
    for (const auto& positions : index.smallPositions)
        bytes += positions.capacity();
    for (const auto& codes : index.codes)
        bytes += codes.capacity() * sizeof(uint16_t);
    for (const KlmSearchDictionary& d : index.dictionaries)
        bytes += klmDictionaryBytes(d);
    auto add = [&bytes](const KlmSearchIndexSegment& seg) {
        bytes += seg.text.size() + seg.starts.capacity() * sizeof(uint32_t);
    };
    std::for_each(index.segments.begin(), index.segments.end(), add);
    std::for_each(std::begin(index.tables), std::end(index.tables), add);
    return bytes;
}

bool klmBuildSearchIndex(KlmSearchIndex& index, const Catalogue& cat, KlmPassWorker* worker)
{
    const size_t n = cat.games.size();
    // A field that did not fit its dictionary in the last build from these
    // records is not tried again: that would copy everything twice.
    const bool sameRecords = index.usable && index.builtFrom == cat.games.data() && index.games == n;
    for (int c = 0; c < KlmSearchIndex::kCodedFields; ++c) {
        index.coded[c] = !sameRecords || index.coded[c];
        klmClearDictionary(index.dictionaries[c]);
        klmCloseDictionary(index.dictionaries[c], kKlmIndexPadding);
        if (index.coded[c])
            index.codes[c].resize(n);
    }
    index.builtFrom = cat.games.data();
    index.games = n;
    index.segments.resize((n + KlmSearchIndex::kSegmentGames - 1) / KlmSearchIndex::kSegmentGames);
    index.stale.assign(index.segments.size(), 1);
    index.fits.assign(index.segments.size(), 0);
    index.status.resize(n);
    for (int t = 0; t < KlmSearchIndex::kNameTables; ++t) {
        // A byte a game where the table is small, as most of the six are.
        const std::vector<MasterEntry>& table = klmNameConditionTable(cat, kKlmNameConditions[t].which);
        index.smallTable[t] = table.size() <= KlmSearchIndex::kSmallTable;
        if (index.smallTable[t]) {
            index.smallPositions[t].resize(n);
            index.positions[t] = std::vector<uint16_t>{};
        } else {
            index.positions[t].resize(n);
            index.smallPositions[t] = std::vector<uint8_t>{};
        }
        KlmSearchIndexSegment& names = index.tables[t];
        names.text.clear();
        names.starts.clear();
        for (const MasterEntry& e : table)
            appendPart(names, klmField(e.name));
        names.starts.push_back(static_cast<uint32_t>(names.text.size()));
        names.text.insert(names.text.end(), kKlmIndexPadding, '\0');
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
    std::mutex merging;
    for (bool again = true; again;) {
        const FieldPlan plan = fieldPlan(index, cat);
        bool overflow[KlmSearchIndex::kCodedFields] = {};
        auto build = [&](size_t s) {
            if (!index.stale[s])
                return;
            SegmentCodes own;
            index.fits[s] = buildSegment(index, cat, s, plan, own) ? 1 : 0;
            // Merged as soon as copied, while the other thread copies: the
            // index's dictionaries number texts in the order segments end.
            std::vector<uint16_t> renumber[KlmSearchIndex::kCodedFields];
            {
                const std::lock_guard lock(merging);
                for (int c : plan.codedOrder)
                    overflow[c] = overflow[c] || !mergeTexts(index, c, own.local[c], renumber[c]);
            }
            const size_t begin = s * KlmSearchIndex::kSegmentGames;
            const size_t end = std::min(index.games, begin + KlmSearchIndex::kSegmentGames);
            for (int c : plan.codedOrder) {
                if (renumber[c].empty())
                    continue;  // the field passed its limit: copied again
                uint16_t* codes = index.codes[c].data();
                for (size_t i = begin; i < end; ++i)
                    codes[i] = renumber[c][codes[i]];
            }
        };
        klmRunChunks(worker, index.segments.size(), build);
        again = false;
        for (int c = 0; c < KlmSearchIndex::kCodedFields; ++c) {
            if (overflow[c]) {
                stopCoding(index, c);
                again = true;
            } else if (index.coded[c]) {
                klmCloseDictionary(index.dictionaries[c], kKlmIndexPadding);
            }
        }
    }
    std::fill(index.stale.begin(), index.stale.end(), 0);
    index.usable = std::all_of(index.fits.begin(), index.fits.end(), [](uint8_t f) { return f != 0; });
    return index.usable;
}
