// The one list refresh and what changes its order: the sort column with a
// direction per column, the title mode, and the five view filters.
//
// A refresh never sorts: it copies the precomputed order of the sort
// column's field (forwards or backwards) into the ViewList, runs the filter
// pass and re-selects the game. The pass reads the search index, a compact
// copy of the records, and when only a longer text has been typed, tests
// only the rows shown before. A refresh limited to the conditions
// allocates nothing once the ViewList, the orders and the index exist. The
// window does the rest with the answer it gets back.
#pragma once

#include <cstdint>
#include <functional>
#include <future>
#include <span>
#include <vector>

#include "browse/match.h"
#include "browse/pass_worker.h"
#include "browse/permute.h"
#include "browse/search_index.h"
#include "browse/sort.h"
#include "catalogue/catalogue.h"
#include "settings/settings.h"
#include "ui/command_ids.h"

// Which filter pass a refresh runs: over the search index (the default), or
// the plain pass over the records, which the index must always agree with.
enum class KlmFilterEngine { Index, Plain };

// What may have changed since the previous refresh. A refresh trusts what
// it copied from the records (the search index) and the rows it made last
// only as far as this allows.
enum class KlmRefreshScope {
    // Anything, the records included: a new catalogue, an audit, a rename,
    // favourites, movie marks, display formats, the special-CRC rule. The
    // index is copied from the records again.
    Everything,
    // Only what the list is asked to show: the search text and the other
    // conditions, the view filters, the sort column and its direction, the
    // title mode, the replacement rules — and the records of the games
    // named to klmNoteGamesChanged since. Every other record is as the
    // previous refresh saw it.
    Condition,
};

// How the last refresh found its rows.
enum class KlmPassKind { Plain, Full, Narrowed };

// What the last pass over the index was made from: when the next one keeps
// all of it but a text that can only match fewer games, it tests only the
// games the last one showed (in whatever order the list now shows them).
struct KlmPassMemo {
    bool valid = false;
    uint64_t passes = 0;   // view.passes right after it
    SearchCondition cond;  // with an empty search text
    SearchVariants variants;
};

// The list's part of the main state.
struct KlmBrowseState {
    ViewList view;
    SortOrders orders;
    int32_t selectedGame = kKlmNoSelection;
    // When set, the next selection notification reloads the info, snapshot
    // and movie panes even for the same game.
    int32_t reload = 0;

    KlmFilterEngine engine = KlmFilterEngine::Index;
    KlmSearchIndex index;
    KlmPassMemo memo;
    KlmPassWorker worker;  // the second core
    KlmPassKind lastPass = KlmPassKind::Plain;
    // Set while klmStartSearchIndex's thread copies the index: passes then
    // touch neither the index nor the worker, and use the plain pass.
    bool indexBuilding = false;
};

// Allocates the ViewList for cat and builds the orders (sort.cache or
// computed), as start-up does once the catalogue is loaded.
KlmSortSource klmInitBrowseState(KlmBrowseState& state, const Catalogue& cat, const AppPaths& paths,
                                 KlmFileStamp* sortStamp = nullptr);

// Copies the search index from the records on a thread of its own (task),
// so that the window's set-up and first refreshes need not wait for it.
// Until klmFinishSearchIndex, passes use the plain pass (the same rows), and
// nothing may write a record, use state.index or state.worker, or refresh
// with a scope other than Condition. done, if given, runs on that thread
// when the copy is complete. Without a thread (or with the plain engine)
// task stays empty and the next refresh copies the index itself.
void klmStartSearchIndex(KlmBrowseState& state, const Catalogue& cat, std::future<void>& task,
                         std::function<void()> done = {});
// Waits for the copy, if one is under way, and lets passes use the index.
void klmFinishSearchIndex(KlmBrowseState& state, std::future<void>& task);

// What the window has to do after a refresh.
struct KlmRefreshResult {
    int32_t rowCount = 0;      // the list's item count
    int32_t selectedRow = -1;  // row to select, focus and scroll to; −1 when empty
    int32_t selectedGame = kKlmNoSelection;
    bool reload = false;                // reload the panes for the selected row
    bool clearFirstPaneToggle = false;  // the selected game was filtered out
    // No row: empty the info pane, redraw the snapshot panes, stop and hide
    // the movie.
    bool empty = false;
};

// The order and direction the list shows: the sort column's field and its
// descending flag. A sort column outside the shown columns reads as the
// title ascending; a field without an order (comment, CRC32, ROM file,
// title kana, serial, English title) is shown in title order, in that
// column's direction.
struct KlmSortChoice {
    int32_t field = 0;
    int key = 0;
    bool descending = false;
};
KlmSortChoice klmCurrentSort(const Settings& settings);

// Says that these games' records changed (a favourite mark, say), so that
// the next refresh — with scope Condition — copies only the part of the
// index that holds them instead of every record.
void klmNoteGamesChanged(KlmBrowseState& state, std::span<const int32_t> games);
// Says that any record may have changed (a favourites file was read and
// the list not refreshed): the next refresh copies them all again,
// whatever its scope.
void klmNoteAllGamesChanged(KlmBrowseState& state);

// The full refresh: fill, filter, re-select. settings supplies the search
// condition, the sort column and its direction, and the title mode. scope
// says what may have changed since the previous refresh; whatever it says,
// the rows are those the plain pass gives, so Everything is never wrong,
// only slower (it copies the records into the index again).
KlmRefreshResult klmRefreshViewList(KlmBrowseState& state, const Catalogue& cat, const Settings& settings,
                                    const std::vector<ReplacementRule>& rules, bool forceReload,
                                    KlmRefreshScope scope = KlmRefreshScope::Everything);

// A click on a column header: the sort column flips its direction, another
// column becomes the sort column with the direction it kept. False when
// the column is not one of the shown columns (nothing changes).
bool klmColumnClick(Settings& settings, int32_t column);

enum class KlmHeaderArrow { None, Up, Down };
// The header mark of a column: the sort column shows up when ascending,
// down when descending; every other column none.
KlmHeaderArrow klmHeaderArrow(const Settings& settings, int32_t column);

// The view filters and their command ids.
enum class KlmViewFilter { Owned, NotRenamed, NotOwned, LaterDisks, FavoritesOnly };

// The filter a command toggles; false for any other command.
bool klmViewFilterOfCommand(int32_t command, KlmViewFilter& which);
int32_t& klmViewFilterFlag(SearchCondition& cond, KlmViewFilter which);

// Flips the filter and returns its new value. Turning "later disks" off
// first moves the selection to the first disk of the selected game's set,
// so that the set stays selected. The caller then refreshes.
int32_t klmToggleViewFilter(KlmBrowseState& state, Settings& settings, const Catalogue& cat, KlmViewFilter which);

// Flips the title mode and returns its new value; the caller refreshes.
int32_t klmToggleTitleMode(Settings& settings);
