// The search index: a compact copy of what the filter pass reads from the
// records, so that a keystroke's pass reads some 150 bytes per game instead
// of the thirty-odd cache lines a 1928-byte record spans.
//
// Invariants:
//  - the records are cut into segments of kSegmentGames games; segment s
//    holds, for each of its games in catalogue order, the texts of the
//    thirteen record fields a text test can look at (title, title kana,
//    English title, date, price, image number, movie mark, arcade file,
//    comment, CRC32, found path, ROM size, serial) but the coded ones, each
//    ended by a NUL; starts[k] .. starts[k + 1] is its k-th game's part,
//    and enough zero bytes follow the last part that the scan's loads never
//    leave it;
//  - a coded field (date, price, ROM size: short, and few distinct texts)
//    is held as codes[c][i], game i's entry in dictionaries[c], which holds
//    every text the field had since the last full build. Which fields are
//    coded is decided per build: one whose dictionary would pass codeLimit
//    entries stays in the segments' text;
//  - positions[t][i] is game i's position in name table t (hardware,
//    software, developer, publisher, genre, screen), kNoName for −1, and
//    tables[t] holds that table's names the way a segment holds games;
//  - a table of at most kSmallTable entries (smallTable[t]) has its
//    positions as bytes in smallPositions[t] instead: kNoSmallName for −1,
//    kOutsideSmallTable for a position past the table (the record holds
//    which);
//  - status[i] packs what the view filters test (see klmStatusCode);
//  - it is a copy: a change of any record leaves it stale until it is built
//    again. Answers from it equal the plain pass's exactly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "browse/match.h"
#include "browse/search_dictionary.h"
#include "catalogue/catalogue.h"

struct KlmPassWorker;

struct KlmSearchIndex {
    static constexpr size_t kSegmentGames = 8192;
    static constexpr int kNameTables = 6;
    static constexpr uint16_t kNoName = 0xFFFF;
    static constexpr size_t kSmallTable = 254;
    static constexpr uint8_t kOutsideSmallTable = 0xFE;
    static constexpr uint8_t kNoSmallName = 0xFF;
    static constexpr int kCodedFields = 3;
    static constexpr KlmTextField kCodedField[kCodedFields] = {KlmTextField::Date, KlmTextField::Price,
                                                               KlmTextField::RomSize};

    // The most entries a coded field's dictionary may have (at most
    // KlmSearchDictionary::kMaxEntries); a field that needs more is kept
    // as text.
    size_t codeLimit = KlmSearchDictionary::kMaxEntries;

    const GameRecord* builtFrom = nullptr;  // the records it is a copy of
    size_t games = 0;
    bool usable = false;                    // built, and the catalogue fits it
    std::vector<KlmSearchIndexSegment> segments;
    std::vector<uint8_t> stale;  // per segment: to be copied again
    std::vector<uint8_t> fits;   // per segment: its records fit
    std::vector<uint16_t> positions[kNameTables];
    bool smallTable[kNameTables] = {};
    std::vector<uint8_t> smallPositions[kNameTables];
    KlmSearchIndexSegment tables[kNameTables];
    bool coded[kCodedFields] = {};
    std::vector<uint16_t> codes[kCodedFields];
    KlmSearchDictionary dictionaries[kCodedFields];
    std::vector<uint8_t> status;
};

// Builds the index from every record, reusing the memory it already has.
// False (and the index unusable) when the catalogue does not fit it — a
// table position that is neither −1 nor below kNoName; the plain pass then
// does the work. Every coded field is tried, but one that passed codeLimit
// in the last build from these same records stays text.
bool klmBuildSearchIndex(KlmSearchIndex& index, const Catalogue& cat, KlmPassWorker* worker = nullptr);

// Marks the segments that hold these games (catalogue indices) as stale,
// after their records changed; klmUpdateSearchIndex copies them again.
void klmMarkGamesChanged(KlmSearchIndex& index, std::span<const int32_t> games);
bool klmSearchIndexStale(const KlmSearchIndex& index);
// Copies the stale segments again (everything when the index was built
// from another catalogue); the same answer as klmBuildSearchIndex. New
// texts of a coded field are added to its dictionary; one that would pass
// codeLimit entries makes the field text again, in every segment.
bool klmUpdateSearchIndex(KlmSearchIndex& index, const Catalogue& cat, KlmPassWorker* worker = nullptr);

// Built from this catalogue's records (the same array, the same count),
// usable and not stale.
bool klmSearchIndexFits(const KlmSearchIndex& index, const Catalogue& cat);

// Bytes the index holds, for the memory figures: a segment's text counts
// what it uses, not the untouched tail of its reserve.
size_t klmSearchIndexBytes(const KlmSearchIndex& index);

// Sets view.matchFlags for exactly the games of the shown rows (the first
// view.count entries); see klmFilterViewListIndexed's onlyFlagged.
void klmFlagShownRows(ViewList& view);

// The filter pass over the index, with the contract of klmFilterViewList:
// rows holds every catalogue index once in display order; the matching ones
// end up first in their order, the others after them in reverse order, and
// the count is returned. With onlyFlagged, only games whose matchFlags entry
// is set can match — the caller knows the others fail, as when the rows of a
// pass are narrowed by a longer text — and only their text is tested. The
// index must fit the catalogue.
int32_t klmFilterViewListIndexed(ViewList& view, const KlmSearchIndex& index, const Catalogue& cat,
                                 const SearchCondition& cond, const std::vector<ReplacementRule>& rules,
                                 bool onlyFlagged = false, KlmPassWorker* worker = nullptr);

// Whether a pass looking for the texts of `after` can only match games a
// pass looking for those of `before` matched: every text now looked for
// contains one looked for then, starting on one of its character
// boundaries (as typing a longer word gives, and a replacement rule need
// not). The text test is an "or" over the texts, so a field holding one of
// the new texts holds one of the old ones.
bool klmVariantsNarrow(const SearchVariants& before, const SearchVariants& after);
