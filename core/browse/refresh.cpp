#include "browse/refresh.h"

#include <algorithm>
#include <cstring>
#include <system_error>
#include <type_traits>

#include "text/cp932.h"

KlmSortSource klmInitBrowseState(KlmBrowseState& state, const Catalogue& cat, const AppPaths& paths,
                                 KlmFileStamp* sortStamp)
{
    klmAllocateViewList(state.view, cat);
    return klmBuildSortOrders(state.orders, cat, paths, sortStamp);
}

void klmNoteGamesChanged(KlmBrowseState& state, std::span<const int32_t> games)
{
    klmMarkGamesChanged(state.index, games);
}

void klmNoteAllGamesChanged(KlmBrowseState& state)
{
    std::fill(state.index.stale.begin(), state.index.stale.end(), 1);
}

KlmSortChoice klmCurrentSort(const Settings& settings)
{
    KlmSortChoice choice;
    const KlmColumnList& cols = settings.shownColumns;
    const int32_t c = settings.sortColumn;
    if (c < 0 || c >= cols.count || c >= KlmColumnList::kSlots)
        return choice;
    choice.field = cols.items[c].field;
    choice.descending = cols.items[c].descending != 0;
    const int key = klmSortKeyForField(choice.field);
    choice.key = key < 0 ? 0 : key;
    return choice;
}

namespace {

SearchCondition withoutText(const SearchCondition& cond)
{
    SearchCondition c = cond;
    std::memset(c.searchText, 0, sizeof c.searchText);
    return c;
}

// Whether the games of the last pass can be narrowed instead of filtered
// again: the records are as they were, nothing but the text changed, and
// only so that fewer games can match. Which games match does not depend on
// the order, so a new sort column or direction does not matter.
bool canNarrow(const KlmBrowseState& state, const Catalogue& cat, const SearchCondition& cond,
               const SearchVariants& variants, KlmRefreshScope scope)
{
    static_assert(std::has_unique_object_representations_v<SearchCondition>, "compared byte for byte");
    const KlmPassMemo& memo = state.memo;
    if (scope != KlmRefreshScope::Condition || !memo.valid || memo.passes != state.view.passes ||
        !klmSearchIndexFits(state.index, cat))
        return false;
    const SearchCondition c = withoutText(cond);
    return std::memcmp(&c, &memo.cond, sizeof c) == 0 && klmVariantsNarrow(memo.variants, variants);
}

}  // namespace

void klmStartSearchIndex(KlmBrowseState& state, const Catalogue& cat, std::future<void>& task,
                         std::function<void()> done)
{
    if (state.engine != KlmFilterEngine::Index)
        return;
    try {
        // One core: the caller puts its window together on the other, and a
        // third thread would take its share from that.
        task = std::async(std::launch::async, [&state, &cat, done = std::move(done)] {
            klmBuildSearchIndex(state.index, cat, nullptr);
            if (done)
                done();
        });
        state.indexBuilding = true;
    } catch (const std::system_error&) {
        // The first refresh copies it.
    }
}

void klmFinishSearchIndex(KlmBrowseState& state, std::future<void>& task)
{
    if (task.valid()) {
        task.wait();
        task = {};
    }
    state.indexBuilding = false;
}

KlmRefreshResult klmRefreshViewList(KlmBrowseState& state, const Catalogue& cat, const Settings& settings,
                                    const std::vector<ReplacementRule>& rules, bool forceReload,
                                    KlmRefreshScope scope)
{
    ViewList& view = state.view;
    const size_t n = cat.games.size();
    if (!klmViewListFits(view, cat))
        klmAllocateViewList(view, cat);

    // 1. The order of the sort column under the current title mode.
    const KlmSortChoice sort = klmCurrentSort(settings);
    const int32_t* order = nullptr;
    if (state.orders.n == static_cast<int32_t>(n))
        order = klmSortOrder(state.orders, sort.key, settings.titleMode != 0);

    const bool indexed = state.engine == KlmFilterEngine::Index && !state.indexBuilding;
    bool narrow = false;
    if (indexed) {
        if (scope == KlmRefreshScope::Everything) {
            klmBuildSearchIndex(state.index, cat, &state.worker);
            state.memo.valid = false;
        } else if (!klmSearchIndexFits(state.index, cat)) {
            // Some games changed (klmNoteGamesChanged), or another catalogue.
            klmUpdateSearchIndex(state.index, cat, &state.worker);
            state.memo.valid = false;
        }
        SearchVariants next;
        klmBuildSearchVariants(next, klmField(settings.search.searchText), rules);
        narrow = canNarrow(state, cat, settings.search, next, scope);
        if (narrow)
            klmFlagShownRows(view);  // before the rows are filled again
    }
    int32_t* rows = view.rows.data();
    if (!order) {
        // No orders for this catalogue: catalogue order rather than nothing.
        for (size_t i = 0; i < n; ++i)
            rows[i] = static_cast<int32_t>(i);
    } else if (!sort.descending) {
        if (n != 0)
            std::memcpy(rows, order, n * sizeof(int32_t));
    } else {
        for (size_t i = 0; i < n; ++i)
            rows[i] = order[n - 1 - i];
    }

    // 2. The filter pass.
    const int32_t m = indexed ? klmFilterViewListIndexed(view, state.index, cat, settings.search, rules, narrow,
                                                         &state.worker)
                              : klmFilterViewList(view, cat, settings.search, rules);
    state.lastPass = !indexed ? KlmPassKind::Plain : narrow ? KlmPassKind::Narrowed : KlmPassKind::Full;
    KlmPassMemo& memo = state.memo;
    memo.valid = indexed && klmSearchIndexFits(state.index, cat);
    memo.passes = view.passes;
    memo.cond = withoutText(settings.search);
    memo.variants = view.variants;

    KlmRefreshResult r;
    r.rowCount = m;
    if (m == 0) {
        state.selectedGame = kKlmNoSelection;
        state.reload = 1;
        r.selectedRow = -1;
        r.selectedGame = kKlmNoSelection;
        r.reload = true;
        r.empty = true;
        return r;
    }

    // 3. Re-select the game when it is still listed, else the first row.
    int32_t row = -1;
    if (state.selectedGame != kKlmNoSelection) {
        for (int32_t i = 0; i < m; ++i) {
            if (rows[i] == state.selectedGame) {
                row = i;
                break;
            }
        }
    }
    if (row >= 0) {
        state.reload = forceReload ? 1 : 0;
    } else {
        r.clearFirstPaneToggle = state.selectedGame != kKlmNoSelection;
        row = 0;
        state.reload = 1;
    }
    state.selectedGame = rows[row];
    r.selectedRow = row;
    r.selectedGame = state.selectedGame;
    r.reload = state.reload != 0;
    return r;
}

bool klmColumnClick(Settings& settings, int32_t column)
{
    KlmColumnList& cols = settings.shownColumns;
    if (column < 0 || column >= cols.count || column >= KlmColumnList::kSlots)
        return false;
    if (column == settings.sortColumn)
        cols.items[column].descending = cols.items[column].descending ? 0 : 1;
    else
        settings.sortColumn = column;
    return true;
}

KlmHeaderArrow klmHeaderArrow(const Settings& settings, int32_t column)
{
    const KlmColumnList& cols = settings.shownColumns;
    if (column != settings.sortColumn || column < 0 || column >= cols.count || column >= KlmColumnList::kSlots)
        return KlmHeaderArrow::None;
    return cols.items[column].descending ? KlmHeaderArrow::Down : KlmHeaderArrow::Up;
}

bool klmViewFilterOfCommand(int32_t command, KlmViewFilter& which)
{
    switch (command) {
    case kKlmCmdShowOwned: which = KlmViewFilter::Owned; return true;
    case kKlmCmdShowNotRenamed: which = KlmViewFilter::NotRenamed; return true;
    case kKlmCmdShowNotOwned: which = KlmViewFilter::NotOwned; return true;
    case kKlmCmdShowLaterDisks: which = KlmViewFilter::LaterDisks; return true;
    case kKlmCmdFavoritesOnly: which = KlmViewFilter::FavoritesOnly; return true;
    default: return false;
    }
}

int32_t& klmViewFilterFlag(SearchCondition& cond, KlmViewFilter which)
{
    switch (which) {
    case KlmViewFilter::Owned: return cond.showOwned;
    case KlmViewFilter::NotRenamed: return cond.showNotRenamed;
    case KlmViewFilter::NotOwned: return cond.showNotOwned;
    case KlmViewFilter::LaterDisks: return cond.showLaterDisks;
    case KlmViewFilter::FavoritesOnly: break;
    }
    return cond.favoritesOnly;
}

int32_t klmToggleViewFilter(KlmBrowseState& state, Settings& settings, const Catalogue& cat, KlmViewFilter which)
{
    int32_t& flag = klmViewFilterFlag(settings.search, which);
    flag = flag ? 0 : 1;
    if (which == KlmViewFilter::LaterDisks && flag == 0 && state.selectedGame != kKlmNoSelection)
        state.selectedGame = klmSelectFirstDisk(cat, state.selectedGame);
    return flag;
}

int32_t klmToggleTitleMode(Settings& settings)
{
    settings.titleMode = settings.titleMode ? 0 : 1;
    return settings.titleMode;
}
