// The match engine: whether a GameRecord satisfies the SearchCondition, and
// the filter pass that splits the ViewList into matching rows (first, in
// their order) and the rest.
//
// Invariants:
//  - the three search variants (typed, normalised, replaced) are built once
//    per pass into fixed 256-byte buffers; the records are never normalised;
//  - every text test is byte-exact and starts a match only on a character
//    boundary of the field (an ASCII needle never matches the trail byte of
//    a double-byte character);
//  - a record index that names no table entry (an unresolved key) reads as
//    an empty name; nothing here ever indexes past a table;
//  - the filter pass allocates nothing once the ViewList has been allocated.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "browse/permute.h"
#include "browse/search_condition.h"
#include "catalogue/catalogue.h"
#include "settings/settings.h"

// One row of the search-kind drop-down list; label is CP932.
struct SearchKind {
    int32_t id;
    const char* label;
};

inline constexpr int32_t kKlmSearchKindCount = SearchCondition::kKindCount;

// The 22 rows, id equal to the row's position.
const SearchKind* klmSearchKindTable();
// CP932 label of a kind, empty for a kind outside 0–21.
std::string_view klmSearchKindLabel(int32_t kind);
// Puts the kind back to 0, as creating the search bar does.
void klmInitSearchKinds(SearchCondition& cond);

// Year base/top (year × 10000) from the records whose date is neither 0 nor
// 99999999, both 0 when there is none; price base 1000 and price top (the
// highest price of at least 1000 that is not unknown, rounded down to
// 1000s, 0 when there is none).
void klmComputeYearPriceRanges(SearchCondition& cond, const Catalogue& cat);

// The same taken one record at a time, for a pass that visits the records
// for other work anyway.
struct KlmYearPriceRanges {
    bool anyDate = false;
    int32_t first = 0;
    int32_t last = 0;
    int32_t top = 0;
    void add(const GameRecord& g);
    void add(const KlmYearPriceRanges& other);  // as if other's records were added
    void applyTo(SearchCondition& cond) const;
};

// The three texts one pass looks for.
struct SearchVariants {
    static constexpr size_t kSize = 256;
    char typed[kSize] = {};
    char normalised[kSize] = {};
    char replaced[kSize] = {};
    int32_t normalisedDiffers = 0;
    int32_t replacedDiffers = 0;
};

// Builds the variants of a typed text (cut at 255 bytes on a character
// boundary). normalised: hiragana to katakana, then full-width digits and
// letters to ASCII. replaced: the typed text after the first enabled rule
// (in list order) that changes it; a rule whose search string is empty is
// skipped, since replacing an empty string has no meaning.
void klmBuildSearchVariants(SearchVariants& v, std::string_view typed,
                            const std::vector<ReplacementRule>& rules);

// 1 when variant occurs in one of the fields the condition's search kind
// names, else 0. An empty variant occurs in every field; a kind outside
// 0–21 never matches.
int klmMatchText(int32_t record, std::string_view variant, const Catalogue& cat,
                 const SearchCondition& cond);

// 1 when the record passes all thirteen tests (text, six tables, year,
// price, ROM size, ownership, disks, favourites), else 0.
int klmMatchRecord(const SearchCondition& cond, const SearchVariants& v, int32_t record,
                   const Catalogue& cat);

// The list's order of catalogue indices and the scratch the filter pass
// works in, all allocated once for the loaded catalogue.
struct ViewList {
    std::vector<int32_t> rows;     // n slots: the first `count` are the list's rows
    std::vector<int32_t> scratch;  // n slots, used by the filter pass only
    std::vector<uint8_t> matchFlags;  // per catalogue index, the pass's answer
    int32_t count = 0;             // rows shown after the last pass
    // Per-pass answers of the text test for each entry of the hardware,
    // software, developer, publisher, genre and screen tables.
    std::vector<uint8_t> tableHits[6];
    // The same for the entries of the search index's date, price and ROM-size
    // dictionaries, sized by the pass that uses them.
    std::vector<uint8_t> codeHits[3];
    SearchVariants variants;       // of the last pass
    uint64_t passes = 0;           // filter passes so far: a change means new rows
};

// Sizes everything for cat and fills rows with 0 … n−1.
void klmAllocateViewList(ViewList& view, const Catalogue& cat);
// Whether view is sized for cat.
bool klmViewListFits(const ViewList& view, const Catalogue& cat);
// The last step of a filter pass: moves the rows whose matchFlags entry is
// set to the front in their order (the others after them, in reverse
// order) and returns their count, also stored in view.count.
int32_t klmCompactViewList(ViewList& view);

// Expects rows to hold every catalogue index once, in display order. Moves
// the matching indices to the front in their order (the others after them)
// and returns their count, also stored in view.count.
int32_t klmFilterViewList(ViewList& view, const Catalogue& cat, const SearchCondition& cond,
                          const std::vector<ReplacementRule>& rules);

// What the faster passes (the search index) share with the plain pass, so
// that they answer exactly as it does.

// The fields a text test can look at, in the order kind 0 visits them.
enum class KlmTextField : int {
    Title, Kana, English,
    Hardware, Software, Developer, Publisher, Genre, Screen,
    Date, Price, ImageNumber, Movie, Arcade, Comment, Crc, FoundPath, RomSize, Serial,
    Count
};
// Bit 1 << field for every field the kind's text test looks at; 0 for a
// kind outside 0–21.
uint32_t klmSearchKindFields(int32_t kind);
// The text a text test sees in a field: the record's own, or the name of
// the table entry it points to (empty for a position outside the table).
std::string_view klmSearchFieldText(const Catalogue& cat, const GameRecord& g, KlmTextField field);
// The twelve tests beyond the text (ownership, disks, favourites, the six
// tables, year, price, ROM size).
bool klmPassesConditions(const SearchCondition& cond, const GameRecord& g, const Catalogue& cat);
