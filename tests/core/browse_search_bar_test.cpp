// The search bar without widgets: list texts, selection changes, resets,
// and the values the search commands choose for the selected game.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "browse/match.h"
#include "browse/search_bar.h"
#include "browse_fixture.h"

namespace {

TEST(BrowseSearchBar, DropDownTexts)
{
    SearchCondition c;
    c.yearBase = 19830000;
    c.yearTop = 19850000;
    c.priceTop = 3000;
    EXPECT_EQ(klmYearListCount(c), 4);
    EXPECT_EQ(klmYearListTexts(c), (std::vector<std::string>{sj("全て(発売年)"), sj("1983年"), sj("1984年"), sj("1985年")}));
    EXPECT_EQ(klmPriceListCount(c), 4);
    EXPECT_EQ(klmPriceListTexts(c), (std::vector<std::string>{sj("全て(価格)"), sj("1,000円"), sj("2,000円"), sj("3,000円")}));
    EXPECT_EQ(klmYearQualifierTexts(), (std::vector<std::string>{"----", sj("以前"), sj("以降")}));
    EXPECT_EQ(klmPriceQualifierTexts(), (std::vector<std::string>{sj("台"), sj("以下"), sj("以上")}));
    EXPECT_EQ(klmRomSizeQualifierTexts(), (std::vector<std::string>{"----", sj("以下"), sj("以上")}));
    EXPECT_EQ(std::string(kKlmResetItemText), sj("リセット"));

    Catalogue cat;
    klmTestAddEntry(cat.romSize, "24.0 KB", 24576);
    klmTestAddEntry(cat.romSize, "1.00 MB", 1048576);
    klmTestAddEntry(cat.genre, "シューティング");
    EXPECT_EQ(klmRomSizeListTexts(cat), (std::vector<std::string>{sj("全て(ロムサイズ)"), "24.0 KB", "1.00 MB"}));
    EXPECT_EQ(klmNameConditionListTexts(cat, KlmNameCondition::Genre),
              (std::vector<std::string>{sj("全て(ジャンル)"), sj("シューティング")}));
    EXPECT_EQ(klmNameConditionListTexts(cat, KlmNameCondition::Hardware), (std::vector<std::string>{sj("全て(ハード)")}));
    // Asked one entry at a time, as the window's lists are: nothing past
    // either end.
    EXPECT_EQ(klmNameConditionListCount(cat, KlmNameCondition::Genre), 2);
    EXPECT_EQ(klmNameConditionListText(cat, KlmNameCondition::Genre, 1), sj("シューティング"));
    EXPECT_EQ(klmNameConditionListText(cat, KlmNameCondition::Genre, 2), "");
    EXPECT_EQ(klmNameConditionListText(cat, KlmNameCondition::Genre, -1), "");

    // A catalogue without any known date or price lists only "all".
    SearchCondition none;
    klmComputeYearPriceRanges(none, Catalogue{});
    EXPECT_EQ(klmYearListTexts(none).size(), 1u);
    EXPECT_EQ(klmPriceListTexts(none).size(), 1u);
}

TEST(BrowseSearchBar, SelectionChangesAndQualifierLists)
{
    SearchCondition c;
    EXPECT_FALSE(klmQualifierEnabled(c, kKlmIdYearQualifierList));
    EXPECT_TRUE(klmSetSearchBarSelection(c, kKlmIdYearQualifierList, 1));  // chosen earlier, kept
    EXPECT_TRUE(klmSetSearchBarSelection(c, kKlmIdYearList, 3));
    EXPECT_TRUE(klmQualifierEnabled(c, kKlmIdYearQualifierList));
    EXPECT_EQ(c.yearQualifier, 1);
    EXPECT_FALSE(klmSetSearchBarSelection(c, kKlmIdYearList, 3)) << "same value: no refresh";
    EXPECT_TRUE(klmSetSearchBarSelection(c, kKlmIdKindList, 5));
    EXPECT_EQ(c.searchKind, 5);
    EXPECT_TRUE(klmSetSearchBarSelection(c, kKlmIdRomSizeQualifierList, 2));
    EXPECT_FALSE(klmQualifierEnabled(c, kKlmIdRomSizeQualifierList));
    EXPECT_FALSE(klmSetSearchBarSelection(c, kKlmIdResetButton, 1));
    // What each list shows is read from the field it edits.
    EXPECT_TRUE(klmSetSearchBarSelection(c, kKlmIdScreenList, 4));
    EXPECT_EQ(c.screen, 4);
    EXPECT_EQ(klmSearchBarSelection(c, kKlmIdScreenList), 4);
    EXPECT_EQ(klmSearchBarSelection(c, kKlmIdYearQualifierList), 1);
    EXPECT_EQ(klmSearchBarSelection(c, kKlmIdResetButton), -1);
    EXPECT_EQ(klmResetCommandOfControl(kKlmIdGenreList), kKlmCmdResetGenre);
    EXPECT_EQ(klmResetCommandOfControl(kKlmIdKindList), kKlmCmdResetText);
    EXPECT_EQ(klmResetCommandOfControl(kKlmIdPriceQualifierList), 0);
}

TEST(BrowseSearchBar, FullResetIsANoOpWhenNothingIsSet)
{
    SearchCondition c;
    EXPECT_EQ(klmResetAllSearch(c), KlmSearchOutcome::Unchanged);
    // The ROM-size qualifier alone does not count.
    c.romSizeQualifier = 2;
    EXPECT_EQ(klmResetAllSearch(c), KlmSearchOutcome::Unchanged);
    EXPECT_EQ(c.romSizeQualifier, 2);
    // Anything else resets all twelve fields, the kind and the text.
    c.priceQualifier = 1;
    c.genre = 4;
    c.searchKind = 3;
    klmSetSearchText(c, "abc");
    c.showOwned = 0;
    EXPECT_EQ(klmApplySearchCommand(c, kKlmCmdResetAll, Catalogue{}, -1), KlmSearchOutcome::Changed);
    EXPECT_EQ(c.romSizeQualifier, 0);
    EXPECT_EQ(c.priceQualifier, 0);
    EXPECT_EQ(c.genre, 0);
    EXPECT_EQ(c.searchKind, 0);
    EXPECT_EQ(klmField(c.searchText), "");
    EXPECT_EQ(c.showOwned, 0) << "the view filters are not part of the search bar";
}

TEST(BrowseSearchBar, SingleResets)
{
    SearchCondition c;
    EXPECT_EQ(klmResetSearch(c, kKlmCmdResetText), KlmSearchOutcome::Unchanged);
    c.searchKind = 4;
    EXPECT_EQ(klmResetSearch(c, kKlmCmdResetText), KlmSearchOutcome::Changed);
    EXPECT_EQ(c.searchKind, 0);
    klmSetSearchText(c, "x");
    EXPECT_EQ(klmResetSearch(c, kKlmCmdResetText), KlmSearchOutcome::Changed);
    EXPECT_EQ(klmField(c.searchText), "");

    c.genre = 2;
    c.screen = 1;
    EXPECT_EQ(klmResetSearch(c, kKlmCmdResetGenre), KlmSearchOutcome::Changed);
    EXPECT_EQ(c.genre, 0);
    EXPECT_EQ(c.screen, 1) << "only the genre";
    EXPECT_EQ(klmResetSearch(c, kKlmCmdResetGenre), KlmSearchOutcome::Unchanged);

    // A pair resets when either half is set.
    c.priceQualifier = 2;
    EXPECT_EQ(klmResetSearch(c, kKlmCmdResetPrice), KlmSearchOutcome::Changed);
    EXPECT_EQ(c.priceQualifier, 0);
    EXPECT_EQ(klmResetSearch(c, kKlmCmdResetPrice), KlmSearchOutcome::Unchanged);
    c.year = 3;
    EXPECT_EQ(klmResetSearch(c, kKlmCmdResetYear), KlmSearchOutcome::Changed);
    EXPECT_EQ(c.year, 0);
    EXPECT_EQ(klmResetSearch(c, 40000), KlmSearchOutcome::Ignored);
}

struct GameFixture {
    Catalogue cat;
    SearchCondition c;
    GameFixture()
    {
        klmTestAddEntry(cat.hardware, "A");
        klmTestAddEntry(cat.hardware, "B");
        klmTestAddEntry(cat.developer, "dev");
        klmTestAddEntry(cat.romSize, "128.0 KB", 131072);
        klmTestAddEntry(cat.romSize, "1.00 MB", 1048576);
        GameRecord& g = klmTestAddGame(cat, "ソード伝説");  // 0
        g.hardware = 1;
        g.releaseDate = 19910425;
        g.price = 3800;
        g.romSize = 1050000;
        GameRecord& h = klmTestAddGame(cat, "unknowns");  // 1
        h.hardware = 9;  // unresolved
        h.releaseDate = 99999999;
        h.price = kKlmUnknownPrice;
        h.romSize = kKlmUnknownRomSize;
        GameRecord& k = klmTestAddGame(cat, "cheap");  // 2
        k.releaseDate = 0;
        k.price = 500;
        k.romSize = 140000;  // between the entries, beyond the tolerance
        klmTestAddGame(cat, "zero").romSize = 0;  // 3
        cat.games[3].releaseDate = 19830101;
        cat.games[3].price = 0;
        klmComputeYearPriceRanges(c, cat);
    }
};

TEST(BrowseSearchBar, SearchByTheSelectedGamesValues)
{
    GameFixture f;
    SearchCondition& c = f.c;
    EXPECT_EQ(klmApplySearchCommand(c, kKlmCmdSearchHardware, f.cat, -1), KlmSearchOutcome::NoSelection);
    EXPECT_EQ(klmApplySearchCommand(c, kKlmCmdSearchHardware, f.cat, 99), KlmSearchOutcome::NoSelection);

    c.yearQualifier = 2;
    EXPECT_EQ(klmApplySearchCommand(c, kKlmCmdSearchHardware, f.cat, 0), KlmSearchOutcome::Changed);
    EXPECT_EQ(c.hardware, 2);
    EXPECT_EQ(klmApplySearchCommand(c, kKlmCmdSearchHardware, f.cat, 0), KlmSearchOutcome::Unchanged);
    EXPECT_EQ(klmApplySearchCommand(c, kKlmCmdSearchDeveloper, f.cat, 0), KlmSearchOutcome::Changed);
    EXPECT_EQ(c.developer, 1);
    EXPECT_EQ(klmApplySearchCommand(c, kKlmCmdSearchYear, f.cat, 0), KlmSearchOutcome::Changed);
    EXPECT_EQ(c.year, 1991 - 1983 + 1);
    EXPECT_EQ(c.yearQualifier, 2) << "the qualifier is left as it is";
    EXPECT_EQ(klmApplySearchCommand(c, kKlmCmdSearchPrice, f.cat, 0), KlmSearchOutcome::Changed);
    EXPECT_EQ(c.price, 3);  // 3,800 yen: the 3,000 yen entry
    EXPECT_EQ(klmApplySearchCommand(c, kKlmCmdSearchPrice, f.cat, 2), KlmSearchOutcome::Changed);
    EXPECT_EQ(c.price, 1);  // 500 yen: the first entry
    EXPECT_EQ(klmApplySearchCommand(c, kKlmCmdSearchRomSize, f.cat, 0), KlmSearchOutcome::Changed);
    EXPECT_EQ(c.romSize, 2);

    // Unknown values beep and change nothing.
    const SearchCondition before = c;
    for (int32_t cmd : {kKlmCmdSearchYear, kKlmCmdSearchPrice, kKlmCmdSearchRomSize})
        EXPECT_EQ(klmApplySearchCommand(c, cmd, f.cat, 1), KlmSearchOutcome::Beep) << cmd;
    EXPECT_EQ(klmApplySearchCommand(c, kKlmCmdSearchYear, f.cat, 2), KlmSearchOutcome::Beep);  // date 0
    EXPECT_EQ(klmApplySearchCommand(c, kKlmCmdSearchPrice, f.cat, 3), KlmSearchOutcome::Beep);  // price 0
    EXPECT_EQ(klmApplySearchCommand(c, kKlmCmdSearchRomSize, f.cat, 3), KlmSearchOutcome::Beep);  // size 0
    // Between two ROM sizes beyond the tolerance: nothing, and no beep.
    EXPECT_EQ(klmApplySearchCommand(c, kKlmCmdSearchRomSize, f.cat, 2), KlmSearchOutcome::NoEntry);
    // An unresolved hardware key has no entry to choose.
    EXPECT_EQ(klmApplySearchCommand(c, kKlmCmdSearchHardware, f.cat, 1), KlmSearchOutcome::NoEntry);
    EXPECT_EQ(std::memcmp(&before, &c, sizeof c), 0);

    // The title: kind 2 and the title as the text, every time.
    EXPECT_EQ(klmApplySearchCommand(c, kKlmCmdSearchTitle, f.cat, 0), KlmSearchOutcome::Changed);
    EXPECT_EQ(c.searchKind, 2);
    EXPECT_EQ(klmField(c.searchText), sj("ソード伝説"));
    EXPECT_EQ(klmApplySearchCommand(c, kKlmCmdSearchTitle, f.cat, 0), KlmSearchOutcome::Changed);
}

// Choosing a game's value and filtering by it finds that game.
TEST(BrowseSearchBar, ChosenValuesFindTheGame)
{
    GameFixture f;
    for (int32_t cmd = kKlmCmdSearchTitle; cmd <= kKlmCmdSearchRomSize; ++cmd) {
        SearchCondition c = f.c;
        c.showOwned = c.showNotOwned = c.showNotRenamed = c.showLaterDisks = 1;
        if (klmApplySearchCommand(c, cmd, f.cat, 0) != KlmSearchOutcome::Changed) continue;
        ViewList view;
        klmAllocateViewList(view, f.cat);
        const int32_t m = klmFilterViewList(view, f.cat, c, {});
        EXPECT_NE(std::find(view.rows.begin(), view.rows.begin() + m, 0), view.rows.begin() + m) << cmd;
    }
}

}  // namespace
