#include "browse/refresh.h"

#include <cstring>

KlmSortSource klmInitBrowseState(KlmBrowseState& state, const Catalogue& cat, const AppPaths& paths)
{
    klmAllocateViewList(state.view, cat);
    return klmBuildSortOrders(state.orders, cat, paths);
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

KlmRefreshResult klmRefreshViewList(KlmBrowseState& state, const Catalogue& cat, const Settings& settings,
                                    const std::vector<ReplacementRule>& rules, bool forceReload)
{
    ViewList& view = state.view;
    const size_t n = cat.games.size();
    if (view.rows.size() != n)
        klmAllocateViewList(view, cat);

    // 1. The order of the sort column under the current title mode.
    const KlmSortChoice sort = klmCurrentSort(settings);
    const int32_t* order = nullptr;
    if (state.orders.n == static_cast<int32_t>(n))
        order = klmSortOrder(state.orders, sort.key, settings.titleMode != 0);
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
    const int32_t m = klmFilterViewList(view, cat, settings.search, rules);

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
