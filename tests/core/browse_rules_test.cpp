// The replacement-rule dialog checks and marking favourites.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "browse/refresh.h"
#include "browse/rules.h"
#include "browse_fixture.h"

namespace {

TEST(BrowseRules, AddChecks)
{
    std::vector<ReplacementRule> rules;
    EXPECT_EQ(klmAddReplacementRule(rules, "", ""), KlmRuleCheck::EqualStrings);
    EXPECT_EQ(klmAddReplacementRule(rules, sj("竜"), sj("竜")), KlmRuleCheck::EqualStrings);
    EXPECT_EQ(klmAddReplacementRule(rules, "", sj("竜")), KlmRuleCheck::EmptySearch);
    EXPECT_EQ(klmAddReplacementRule(rules, sj("竜"), sj("龍")), KlmRuleCheck::Ok);
    EXPECT_EQ(klmAddReplacementRule(rules, sj("竜"), sj("龍")), KlmRuleCheck::Duplicate);
    EXPECT_EQ(klmAddReplacementRule(rules, sj("竜"), sj("ドラゴン")), KlmRuleCheck::Ok);
    EXPECT_EQ(klmAddReplacementRule(rules, sj("龍"), ""), KlmRuleCheck::Ok);  // an empty replacement is fine
    ASSERT_EQ(rules.size(), 3u);
    EXPECT_EQ(rules[0].enabled, 1) << "a new rule is enabled";
    EXPECT_EQ(klmField(rules[1].replacement), sj("ドラゴン"));

    // The same search string twice: only the first is ever applied.
    SearchVariants v;
    klmBuildSearchVariants(v, sj("竜王"), rules);
    EXPECT_EQ(klmField(v.replaced), sj("龍王"));

    EXPECT_EQ(klmRuleCheckMessage(KlmRuleCheck::EqualStrings), sj("検索する文字列と置換後の文字列が一致します"));
    EXPECT_EQ(klmRuleCheckMessage(KlmRuleCheck::Duplicate), sj("検索する文字列と置換後の文字列が重複します"));
    EXPECT_EQ(klmRuleCheckMessage(KlmRuleCheck::ListFull), sj("これ以上登録できません"));
    EXPECT_FALSE(klmRuleCheckMessage(KlmRuleCheck::EmptySearch).empty());
    EXPECT_TRUE(klmRuleCheckMessage(KlmRuleCheck::Ok).empty());
}

TEST(BrowseRules, TextsAreComparedAsStored)
{
    // Texts longer than a field are compared as the field would keep them.
    std::vector<ReplacementRule> rules;
    const std::string longA = std::string(259, 'x') + "A";
    const std::string longB = std::string(259, 'x') + "B";
    EXPECT_EQ(klmAddReplacementRule(rules, longA, longB), KlmRuleCheck::EqualStrings);
}

TEST(BrowseRules, EditKeepsTheMarkAndMayKeepItsOwnPair)
{
    std::vector<ReplacementRule> rules = {klmMakeReplacementRule("a", "b", false),
                                          klmMakeReplacementRule("c", "d", true)};
    EXPECT_EQ(klmEditReplacementRule(rules, 0, "a", "b"), KlmRuleCheck::Ok) << "its own pair is no duplicate";
    EXPECT_EQ(klmEditReplacementRule(rules, 0, "c", "d"), KlmRuleCheck::Duplicate);
    EXPECT_EQ(klmEditReplacementRule(rules, 0, "e", "e"), KlmRuleCheck::EqualStrings);
    EXPECT_EQ(klmEditReplacementRule(rules, 0, "e", "f"), KlmRuleCheck::Ok);
    EXPECT_EQ(klmField(rules[0].search), "e");
    EXPECT_EQ(rules[0].enabled, 0);
    EXPECT_EQ(klmEditReplacementRule(rules, 2, "g", "h"), KlmRuleCheck::NoRow);
}

TEST(BrowseRules, AThousandRulesAreTheLimit)
{
    std::vector<ReplacementRule> rules;
    for (int i = 0; i < 1000; ++i) rules.push_back(klmMakeReplacementRule(std::to_string(i), "x"));
    EXPECT_EQ(klmCanAddReplacementRule(rules), KlmRuleCheck::ListFull);
    EXPECT_EQ(klmAddReplacementRule(rules, "new", "x"), KlmRuleCheck::ListFull);
    EXPECT_EQ(rules.size(), 1000u);
    rules.pop_back();
    EXPECT_EQ(klmCanAddReplacementRule(rules), KlmRuleCheck::Ok);
}

TEST(BrowseRules, MarkAndUnmarkSelectedRows)
{
    Catalogue cat;
    klmTestAddGame(cat, "b", "b");
    klmTestAddGame(cat, "a", "a");
    klmTestAddGame(cat, "c", "c");
    KlmBrowseState state;
    klmAllocateViewList(state.view, cat);
    klmComputeSortOrders(state.orders, cat);
    Settings s = klmDefaultSettings();
    s.search = klmTestOpenCondition();
    klmRefreshViewList(state, cat, s, {}, true);  // rows: 1 0 2

    // Without the favourites filter nothing needs a refresh.
    EXPECT_FALSE(klmMarkFavorites(cat, state.view, {0, 2, 7, -1}, true, s.search));
    EXPECT_EQ(cat.games[1].favorite, 1);
    EXPECT_EQ(cat.games[2].favorite, 1);
    EXPECT_EQ(cat.games[0].favorite, 0);

    // With it, an unmarked game disappears at the refresh.
    s.search.favoritesOnly = 1;
    klmRefreshViewList(state, cat, s, {}, false);
    ASSERT_EQ(state.view.count, 2);
    EXPECT_TRUE(klmMarkFavorites(cat, state.view, {0}, false, s.search));
    EXPECT_EQ(cat.games[1].favorite, 0);
    klmRefreshViewList(state, cat, s, {}, false);
    EXPECT_EQ(state.view.count, 1);
    EXPECT_EQ(state.view.rows[0], 2);
}

}  // namespace
