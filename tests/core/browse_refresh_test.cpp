// The list refresh: fill from the sort column's order, filter, re-select;
// column clicks, header arrows, view filters and the title mode.
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <vector>

#include "browse/refresh.h"
#include "browse/search_bar.h"
#include "browse_fixture.h"

namespace {

struct Fixture {
    Catalogue cat;
    KlmBrowseState state;
    Settings settings = klmDefaultSettings();

    Fixture()
    {
        // Titles in reverse of their kana, so the two title modes differ.
        klmTestAddGame(cat, "D", "a").group = 1;  // 0
        klmTestAddGame(cat, "C", "b").group = 2;  // 1
        klmTestAddGame(cat, "B", "c").group = 2;  // 2: second disk of group 2
        klmTestAddGame(cat, "A", "d").group = 3;  // 3
        cat.games[2].disk = 1;
        cat.games[1].price = 2000;
        cat.games[0].price = 1000;
        cat.games[3].price = 3000;
        cat.games[2].price = 4000;
        settings.search = klmTestOpenCondition();
        klmAllocateViewList(state.view, cat);
        klmComputeSortOrders(state.orders, cat);
    }

    std::vector<int32_t> rows() const
    {
        return std::vector<int32_t>(state.view.rows.begin(), state.view.rows.begin() + state.view.count);
    }

    KlmRefreshResult refresh(bool force = false) { return klmRefreshViewList(state, cat, settings, {}, force); }
};

TEST(BrowseRefresh, FillsFromTheSortColumnInItsDirectionAndTitleMode)
{
    Fixture f;
    // Default: column 0 (title) ascending, title mode clear (kana).
    f.refresh();
    EXPECT_EQ(f.rows(), (std::vector<int32_t>{0, 1, 2, 3}));
    f.settings.titleMode = 1;
    f.refresh();
    EXPECT_EQ(f.rows(), (std::vector<int32_t>{3, 2, 1, 0}));
    f.settings.shownColumns.items[0].descending = 1;
    f.refresh();
    EXPECT_EQ(f.rows(), (std::vector<int32_t>{0, 1, 2, 3}));
    // Column 9 of the default columns is the price (field 8).
    ASSERT_EQ(f.settings.shownColumns.items[9].field, 8);
    f.settings.sortColumn = 9;
    f.refresh();
    EXPECT_EQ(f.rows(), (std::vector<int32_t>{0, 1, 3, 2}));
    // A column without an order shows the title order in its direction.
    f.settings.shownColumns.items[9].field = 12;
    f.settings.shownColumns.items[9].descending = 1;
    f.refresh();
    EXPECT_EQ(f.rows(), (std::vector<int32_t>{0, 1, 2, 3}));
    // A sort column outside the shown columns reads as the title, ascending.
    f.settings.sortColumn = 40;
    f.refresh();
    EXPECT_EQ(f.rows(), (std::vector<int32_t>{3, 2, 1, 0}));
}

TEST(BrowseRefresh, ReselectsKeptGameFirstRowOrNothing)
{
    Fixture f;
    // Start-up: nothing selected yet, reload forced.
    KlmRefreshResult r = f.refresh(true);
    EXPECT_EQ(r.rowCount, 4);
    EXPECT_EQ(r.selectedRow, 0);
    EXPECT_EQ(r.selectedGame, 0);
    EXPECT_TRUE(r.reload);
    EXPECT_FALSE(r.clearFirstPaneToggle);

    // The game stays listed: same game, new row, no reload.
    f.state.selectedGame = 2;
    f.settings.titleMode = 1;
    r = f.refresh();
    EXPECT_EQ(r.selectedRow, 1);
    EXPECT_EQ(r.selectedGame, 2);
    EXPECT_FALSE(r.reload);
    EXPECT_EQ(f.state.reload, 0);
    EXPECT_FALSE(r.clearFirstPaneToggle);
    r = f.refresh(true);
    EXPECT_TRUE(r.reload);

    // Filtered out: the first row, reloaded, first-pane toggle cleared.
    klmTestSetText(f.settings.search, "D");
    f.settings.search.searchKind = 2;
    r = f.refresh();
    EXPECT_EQ(r.rowCount, 1);
    EXPECT_EQ(r.selectedRow, 0);
    EXPECT_EQ(r.selectedGame, 0);
    EXPECT_EQ(f.state.selectedGame, 0);
    EXPECT_TRUE(r.reload);
    EXPECT_TRUE(r.clearFirstPaneToggle);

    // Nothing matches: no selection, reload set for the next one.
    klmTestSetText(f.settings.search, "nothing");
    r = f.refresh();
    EXPECT_TRUE(r.empty);
    EXPECT_EQ(r.rowCount, 0);
    EXPECT_EQ(r.selectedRow, -1);
    EXPECT_EQ(f.state.selectedGame, kKlmNoSelection);
    EXPECT_EQ(f.state.reload, 1);

    // From no selection to rows again: row 0, nothing to clear.
    klmTestSetText(f.settings.search, "");
    r = f.refresh();
    EXPECT_EQ(r.selectedRow, 0);
    EXPECT_FALSE(r.clearFirstPaneToggle);
}

TEST(BrowseRefresh, ColumnClickFlipsOrSwitchesKeepingEachDirection)
{
    Settings s = klmDefaultSettings();
    EXPECT_EQ(klmHeaderArrow(s, 0), KlmHeaderArrow::Up);
    EXPECT_EQ(klmHeaderArrow(s, 1), KlmHeaderArrow::None);

    EXPECT_TRUE(klmColumnClick(s, 0));  // the sort column: flip
    EXPECT_EQ(s.shownColumns.items[0].descending, 1);
    EXPECT_EQ(klmHeaderArrow(s, 0), KlmHeaderArrow::Down);

    EXPECT_TRUE(klmColumnClick(s, 3));  // another column: its own direction
    EXPECT_EQ(s.sortColumn, 3);
    EXPECT_EQ(s.shownColumns.items[3].descending, 0);
    EXPECT_EQ(klmHeaderArrow(s, 3), KlmHeaderArrow::Up);
    EXPECT_EQ(klmHeaderArrow(s, 0), KlmHeaderArrow::None);
    EXPECT_TRUE(klmColumnClick(s, 3));
    EXPECT_EQ(s.shownColumns.items[3].descending, 1);

    EXPECT_TRUE(klmColumnClick(s, 0));  // back: still descending
    EXPECT_EQ(s.sortColumn, 0);
    EXPECT_EQ(s.shownColumns.items[0].descending, 1);
    EXPECT_EQ(s.shownColumns.items[3].descending, 1);

    EXPECT_FALSE(klmColumnClick(s, s.shownColumns.count));
    EXPECT_FALSE(klmColumnClick(s, -1));
    EXPECT_EQ(s.sortColumn, 0);
}

TEST(BrowseRefresh, ClickingTheSortColumnReversesTheList)
{
    Fixture f;
    f.refresh();
    const std::vector<int32_t> before = f.rows();
    klmColumnClick(f.settings, 0);
    f.refresh();
    EXPECT_EQ(f.rows(), std::vector<int32_t>(before.rbegin(), before.rend()));
}

TEST(BrowseRefresh, LaterDisksOffMovesTheSelectionToTheFirstDisk)
{
    Fixture f;
    f.refresh();
    f.state.selectedGame = 2;  // second disk of group 2
    ASSERT_EQ(f.settings.search.showLaterDisks, 1);
    EXPECT_EQ(klmToggleViewFilter(f.state, f.settings, f.cat, KlmViewFilter::LaterDisks), 0);
    EXPECT_EQ(f.state.selectedGame, 1);
    const KlmRefreshResult r = f.refresh();
    EXPECT_EQ(r.selectedGame, 1);
    EXPECT_FALSE(r.clearFirstPaneToggle);
    EXPECT_EQ(f.rows(), (std::vector<int32_t>{0, 1, 3}));
    // Turning it on leaves the selection alone.
    EXPECT_EQ(klmToggleViewFilter(f.state, f.settings, f.cat, KlmViewFilter::LaterDisks), 1);
    EXPECT_EQ(f.state.selectedGame, 1);
}

TEST(BrowseRefresh, ViewFilterCommandsAndTitleMode)
{
    Fixture f;
    const std::pair<int32_t, int32_t SearchCondition::*> commands[] = {
        {32808, &SearchCondition::showOwned},      {42299, &SearchCondition::showNotRenamed},
        {32809, &SearchCondition::showNotOwned},   {32810, &SearchCondition::showLaterDisks},
        {32841, &SearchCondition::favoritesOnly},
    };
    for (const auto& [command, member] : commands) {
        KlmViewFilter which{};
        ASSERT_TRUE(klmViewFilterOfCommand(command, which));
        const int32_t before = f.settings.search.*member;
        EXPECT_EQ(klmToggleViewFilter(f.state, f.settings, f.cat, which), before ? 0 : 1);
        EXPECT_EQ(f.settings.search.*member, before ? 0 : 1) << command;
    }
    KlmViewFilter which{};
    EXPECT_FALSE(klmViewFilterOfCommand(32848, which));
    EXPECT_EQ(klmToggleTitleMode(f.settings), 1);
    EXPECT_EQ(klmToggleTitleMode(f.settings), 0);
}

TEST(BrowseRefresh, EmptyCatalogueAndMissingOrders)
{
    Catalogue cat;
    KlmBrowseState state;
    Settings s = klmDefaultSettings();
    KlmRefreshResult r = klmRefreshViewList(state, cat, s, {}, true);
    EXPECT_TRUE(r.empty);
    // Orders not built for this catalogue: catalogue order, not a crash.
    klmTestAddGame(cat, "b");
    klmTestAddGame(cat, "a");
    s.search = klmTestOpenCondition();
    r = klmRefreshViewList(state, cat, s, {}, true);
    EXPECT_EQ(r.rowCount, 2);
    EXPECT_EQ(state.view.rows[0], 0);
}

// While the index is copied on its own thread the list is filtered by the
// plain pass; once the copy is finished, by the index: the same rows.
TEST(BrowseRefresh, IndexCopiedMeanwhileLeavesThePlainPassUntilFinished)
{
    Fixture f;
    klmSetSearchText(f.settings.search, "B");
    std::atomic<bool> done{false};
    std::future<void> task;
    klmStartSearchIndex(f.state, f.cat, task, [&done] { done = true; });
    ASSERT_TRUE(task.valid());
    EXPECT_TRUE(f.state.indexBuilding);
    klmRefreshViewList(f.state, f.cat, f.settings, {}, false, KlmRefreshScope::Condition);
    EXPECT_EQ(f.state.lastPass, KlmPassKind::Plain);
    const std::vector<int32_t> plain = f.rows();
    EXPECT_EQ(plain, (std::vector<int32_t>{2}));

    klmFinishSearchIndex(f.state, task);
    EXPECT_TRUE(done);
    EXPECT_FALSE(f.state.indexBuilding);
    EXPECT_FALSE(task.valid());
    EXPECT_TRUE(klmSearchIndexFits(f.state.index, f.cat));
    klmRefreshViewList(f.state, f.cat, f.settings, {}, false, KlmRefreshScope::Condition);
    EXPECT_EQ(f.state.lastPass, KlmPassKind::Full);
    EXPECT_EQ(f.rows(), plain);
    klmFinishSearchIndex(f.state, task);  // nothing under way: nothing to wait for
    EXPECT_FALSE(f.state.indexBuilding);
}

}  // namespace
