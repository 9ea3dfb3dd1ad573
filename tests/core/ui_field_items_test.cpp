// Field items: moves between the shown and hidden lists of the four
// targets, the selections after each move, the title's place, and the sort
// column when the dialog's lists are taken.
#include "settings/settings.h"
#include "ui/field_items.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace {

using T = KlmFieldTarget;
using St = KlmFieldMoveStatus;
using Side = KlmFieldSide;

std::vector<int32_t> ids(const Settings& s, T target, Side side)
{
    std::vector<int32_t> out;
    for (int32_t i = 0; i < klmFieldItemCount(s, target, side); ++i) out.push_back(klmFieldItemId(s, target, side, i));
    return out;
}

KlmColumnList columns(std::initializer_list<KlmColumn> list)
{
    KlmColumnList out;
    for (const KlmColumn& c : list) out.items[out.count++] = c;
    return out;
}

const T kAllTargets[] = {T::Columns, T::Detailed, T::Simple, T::StatusBar};

}  // namespace

TEST(FieldItems, AColumnHiddenAndShownAgainKeepsItsWidthAndDirection)
{
    Settings s = klmDefaultSettings();
    s.shownColumns.items[3] = {123, 2, 1};  // software/board, descending
    const KlmFieldMove hide = klmHideFieldItem(s, T::Columns, 3);
    EXPECT_EQ(hide.status, St::Moved);
    EXPECT_EQ(hide.focus, Side::Hidden);
    EXPECT_EQ(hide.hiddenSelection, 0);
    EXPECT_EQ(hide.shownSelection, 3);  // the item that closed up into its place
    EXPECT_EQ(ids(s, T::Columns, Side::Shown), (std::vector<int32_t>{0, 10, 1, 3, 4, 5, 6, 7, 8, 9, 11, 16}));
    EXPECT_EQ(s.hiddenColumns.count, 1);
    EXPECT_EQ(s.shownColumns.items[12].field, 0);  // the freed slot is cleared

    const KlmFieldMove show = klmShowFieldItem(s, T::Columns, 0);
    EXPECT_EQ(show.status, St::Moved);
    EXPECT_EQ(show.focus, Side::Shown);
    EXPECT_EQ(show.shownSelection, 12);
    EXPECT_EQ(show.hiddenSelection, -1);  // the hidden list is empty again
    const KlmColumn& back = s.shownColumns.items[12];
    EXPECT_EQ(back.field, 2);
    EXPECT_EQ(back.width, 123);
    EXPECT_EQ(back.descending, 1);
}

TEST(FieldItems, RemovingTheLastItemSelectsTheNewLastOne)
{
    Settings s = klmDefaultSettings();
    KlmFieldMove m = klmHideFieldItem(s, T::Simple, 5);  // price, the last of 6
    EXPECT_EQ(m.shownSelection, 4);
    m = klmHideFieldItem(s, T::Simple, 2);
    EXPECT_EQ(m.shownSelection, 2);
    EXPECT_EQ(m.hiddenSelection, 1);
    EXPECT_EQ(ids(s, T::Simple, Side::Hidden), (std::vector<int32_t>{8, 4}));
    // Taking the last hidden item back selects the hidden list's new last.
    m = klmShowFieldItem(s, T::Simple, 1);
    EXPECT_EQ(m.hiddenSelection, 0);
    EXPECT_EQ(m.shownSelection, 4);
    EXPECT_EQ(ids(s, T::Simple, Side::Shown), (std::vector<int32_t>{0, 3, 5, 7, 4}));

    // The status bar may be emptied: nothing is left to select.
    Settings t = klmDefaultSettings();
    for (int i = 0; i < 7; ++i) klmHideFieldItem(t, T::StatusBar, 0);
    m = klmHideFieldItem(t, T::StatusBar, 0);
    EXPECT_EQ(m.status, St::Moved);
    EXPECT_EQ(m.shownSelection, -1);
    EXPECT_EQ(m.hiddenSelection, 7);
    EXPECT_EQ(ids(t, T::StatusBar, Side::Hidden), (std::vector<int32_t>{0, 1, 2, 3, 4, 5, 6, 7}));
}

TEST(FieldItems, TheTitleStaysFirstExceptOnTheStatusBar)
{
    for (T target : kAllTargets) {
        SCOPED_TRACE(static_cast<int>(target));
        const bool free = target == T::StatusBar;
        Settings s = klmDefaultSettings();
        const std::vector<int32_t> before = ids(s, target, Side::Shown);

        EXPECT_EQ(klmHideFieldItem(s, target, 0).status, free ? St::Moved : St::TitleCannotHide);
        if (free) klmShowFieldItem(s, target, 0);  // back, now last
        s = klmDefaultSettings();
        EXPECT_EQ(klmMoveFieldItemDown(s, target, 0).status, free ? St::Moved : St::TitleCannotMove);
        s = klmDefaultSettings();
        EXPECT_EQ(klmMoveFieldItemUp(s, target, 1).status, free ? St::Moved : St::TitleCannotMove);
        if (!free) {
            EXPECT_EQ(ids(s, target, Side::Shown), before);  // refused: nothing moved
        }
    }
    EXPECT_STREQ(klmFieldMoveMessage(St::TitleCannotHide), "タイトルは非表示にできません。");
    EXPECT_STREQ(klmFieldMoveMessage(St::TitleCannotMove), "タイトルは移動できません。");
    EXPECT_EQ(klmFieldMoveMessage(St::Ignored), nullptr);
    EXPECT_EQ(klmFieldMoveMessage(St::ListFull), nullptr);
}

TEST(FieldItems, UpAndDownSwapWithTheNeighbourAndKeepTheSelection)
{
    Settings s = klmDefaultSettings();
    KlmFieldMove m = klmMoveFieldItemDown(s, T::Detailed, 3);
    EXPECT_EQ(m.status, St::Moved);
    EXPECT_EQ(m.shownSelection, 4);
    m = klmMoveFieldItemUp(s, T::Detailed, 2);
    EXPECT_EQ(m.shownSelection, 1);
    EXPECT_EQ(ids(s, T::Detailed, Side::Shown),
              (std::vector<int32_t>{0, 2, 1, 4, 3, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18}));

    // A column swaps as a whole entry.
    s.shownColumns = columns({{150, 0, 0}, {60, 7, 1}, {90, 8, 0}});
    klmMoveFieldItemDown(s, T::Columns, 1);
    EXPECT_EQ(s.shownColumns.items[2].width, 60);
    EXPECT_EQ(s.shownColumns.items[2].descending, 1);
    EXPECT_EQ(s.shownColumns.items[1].field, 8);
}

TEST(FieldItems, NothingHappensWithoutASelectionOrSomewhereToGo)
{
    struct Case {
        const char* what;
        T target;
        KlmFieldMove (*move)(Settings&, T, int32_t);
        int32_t index;
    };
    const Case cases[] = {
        {"hide without a selection", T::Detailed, klmHideFieldItem, -1},
        {"hide past the end", T::Detailed, klmHideFieldItem, 19},
        {"show from an empty hidden list", T::Detailed, klmShowFieldItem, 0},
        {"first item up", T::StatusBar, klmMoveFieldItemUp, 0},
        {"last item down", T::StatusBar, klmMoveFieldItemDown, 7},
        {"last item down (title list)", T::Simple, klmMoveFieldItemDown, 5},
        {"up without a selection", T::Columns, klmMoveFieldItemUp, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Settings s = klmDefaultSettings();
        const Settings before = s;
        EXPECT_EQ(c.move(s, c.target, c.index).status, St::Ignored);
        EXPECT_EQ(ids(s, c.target, Side::Shown), ids(before, c.target, Side::Shown));
        EXPECT_EQ(ids(s, c.target, Side::Hidden), ids(before, c.target, Side::Hidden));
    }
    // Fewer than two shown items: not even the status bar's free moves.
    Settings s = klmDefaultSettings();
    s.statusShown.count = 1;
    EXPECT_EQ(klmMoveFieldItemDown(s, T::StatusBar, 0).status, St::Ignored);
}

TEST(FieldItems, AFullListTakesNoMore)
{
    Settings s = klmDefaultSettings();
    s.detailedShown.count = KlmItemList::kSlots;
    s.detailedHidden.count = 1;
    s.detailedHidden.items[0] = 5;
    EXPECT_EQ(klmShowFieldItem(s, T::Detailed, 0).status, St::ListFull);
    EXPECT_EQ(s.detailedHidden.count, 1);

    s.statusHidden.count = KlmItemList::kSlots;
    EXPECT_EQ(klmHideFieldItem(s, T::StatusBar, 0).status, St::ListFull);
    EXPECT_EQ(s.statusShown.count, 8);

    // A damaged count is never taken past the slots.
    s.simpleShown.count = 99;
    EXPECT_EQ(klmFieldItemCount(s, T::Simple, Side::Shown), KlmItemList::kSlots);
    EXPECT_EQ(klmFieldItemId(s, T::Simple, Side::Shown, 30), -1);
}

// Any sequence of moves keeps every item in exactly one list and, except on
// the status bar, the title first.
TEST(FieldItems, EveryMoveSequenceKeepsTheItemsAndTheTitle)
{
    uint32_t seed = 12345;
    auto next = [&seed](uint32_t n) {
        seed = seed * 1103515245u + 12345u;
        return static_cast<int32_t>((seed >> 16) % n);
    };
    for (T target : kAllTargets) {
        Settings s = klmDefaultSettings();
        const int32_t total = klmFieldItemCount(s, target, Side::Shown);
        for (int step = 0; step < 2000; ++step) {
            const int32_t index = next(22) - 1;
            switch (next(4)) {
            case 0: klmShowFieldItem(s, target, index); break;
            case 1: klmHideFieldItem(s, target, index); break;
            case 2: klmMoveFieldItemUp(s, target, index); break;
            default: klmMoveFieldItemDown(s, target, index); break;
            }
            std::vector<int32_t> all = ids(s, target, Side::Shown);
            const std::vector<int32_t> hidden = ids(s, target, Side::Hidden);
            all.insert(all.end(), hidden.begin(), hidden.end());
            ASSERT_EQ(static_cast<int32_t>(all.size()), total);
            ASSERT_EQ(std::set<int32_t>(all.begin(), all.end()).size(), all.size());
            if (target != T::StatusBar) {
                ASSERT_EQ(klmFieldItemId(s, target, Side::Shown, 0), 0);
            }
        }
    }
}

TEST(FieldItems, TheSortColumnIsFoundAgainByItsField)
{
    const KlmColumnList before = columns({{150, 0, 0}, {80, 10, 0}, {80, 1, 0}, {80, 2, 1}, {80, 7, 0}});
    // Field 2 (sorted on, position 3) moved up and field 10 hidden.
    const KlmColumnList after = columns({{150, 0, 0}, {80, 2, 1}, {80, 1, 0}, {80, 7, 0}});
    EXPECT_EQ(klmRemapSortColumn(before, 3, after), 1);
    EXPECT_EQ(klmRemapSortColumn(before, 4, after), 3);
    // The sorted column was hidden: the title sorts.
    EXPECT_EQ(klmRemapSortColumn(before, 1, after), 0);
    // A sort column outside the old columns.
    EXPECT_EQ(klmRemapSortColumn(before, 5, after), 0);
    EXPECT_EQ(klmRemapSortColumn(before, -1, after), 0);
}

TEST(FieldItems, TakingTheDialogsListsChangesNothingElse)
{
    Settings s = klmDefaultSettings();
    s.sortColumn = 8;  // release date (field 7)
    s.volume = 55;
    Settings edited = s;
    klmHideFieldItem(edited, T::Columns, 1);  // movie mark
    klmHideFieldItem(edited, T::StatusBar, 0);
    edited.fieldDialogTarget = 3;
    edited.volume = 0;  // not the dialog's to change

    klmTakeFieldItems(s, edited);
    EXPECT_EQ(s.sortColumn, 7);
    EXPECT_EQ(s.shownColumns.items[7].field, 7);
    EXPECT_EQ(ids(s, T::Columns, Side::Hidden), std::vector<int32_t>{10});
    EXPECT_EQ(ids(s, T::StatusBar, Side::Hidden), std::vector<int32_t>{0});
    EXPECT_EQ(s.fieldDialogTarget, 3);
    EXPECT_EQ(s.volume, 55);

    // Hiding the sort column makes the title the sort column.
    Settings hidden = s;
    klmHideFieldItem(hidden, T::Columns, 7);
    klmTakeFieldItems(s, hidden);
    EXPECT_EQ(s.sortColumn, 0);
}

TEST(FieldItems, CaptionsAndTargetNames)
{
    EXPECT_EQ(klmFieldItemCaption(T::Columns, 0), "\x83\x5e\x83\x43\x83\x67\x83\x8b");  // タイトル
    EXPECT_EQ(klmFieldItemCaption(T::StatusBar, 0), "\x8f\x8a\x97\x4c");                 // 所有
    EXPECT_EQ(klmFieldItemCaption(T::StatusBar, 7), "\x8d\xc4\x90\xb6\x91\xac\x93\x78");  // 再生速度
    EXPECT_EQ(klmFieldItemCaption(T::StatusBar, 8), "");
    EXPECT_STREQ(klmFieldTargetName(T::Columns), "リスト(カラム)");
    EXPECT_STREQ(klmFieldTargetName(T::StatusBar), "ステータスバー");
    EXPECT_EQ(klmFieldTargetOf(2), T::Simple);
    EXPECT_EQ(klmFieldTargetOf(4), T::Columns);
    EXPECT_EQ(klmFieldTargetOf(-1), T::Columns);
}
