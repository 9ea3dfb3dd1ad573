#include "browse/rules.h"

#include <algorithm>

#include "text/cp932.h"

namespace {

// What a 260-byte box or field keeps of a text.
std::string_view asStored(std::string_view text)
{
    text = text.substr(0, std::min(text.find('\0'), text.size()));
    return text.substr(0, klmSafePrefixLength(text, 259));
}

}  // namespace

std::string_view klmRuleCheckMessage(KlmRuleCheck check)
{
    switch (check) {
    case KlmRuleCheck::ListFull:
        return "\x82\xb1\x82\xea\x88\xc8\x8f\xe3\x93\x6f\x98\x5e\x82\xc5\x82\xab\x82\xdc\x82\xb9\x82\xf1";  // これ以上登録できません
    case KlmRuleCheck::EqualStrings:
        // 検索する文字列と置換後の文字列が一致します
        return "\x8c\x9f\x8d\xf5\x82\xb7\x82\xe9\x95\xb6\x8e\x9a\x97\xf1\x82\xc6\x92\x75\x8a\xb7\x8c\xe3\x82\xcc"
               "\x95\xb6\x8e\x9a\x97\xf1\x82\xaa\x88\xea\x92\x76\x82\xb5\x82\xdc\x82\xb7";
    case KlmRuleCheck::Duplicate:
        // 検索する文字列と置換後の文字列が重複します
        return "\x8c\x9f\x8d\xf5\x82\xb7\x82\xe9\x95\xb6\x8e\x9a\x97\xf1\x82\xc6\x92\x75\x8a\xb7\x8c\xe3\x82\xcc"
               "\x95\xb6\x8e\x9a\x97\xf1\x82\xaa\x8f\x64\x95\xa1\x82\xb5\x82\xdc\x82\xb7";
    case KlmRuleCheck::EmptySearch:
        // 検索する文字列が入力されていません
        return "\x8c\x9f\x8d\xf5\x82\xb7\x82\xe9\x95\xb6\x8e\x9a\x97\xf1\x82\xaa\x93\xfc\x97\xcd\x82\xb3\x82\xea"
               "\x82\xc4\x82\xa2\x82\xdc\x82\xb9\x82\xf1";
    case KlmRuleCheck::Ok:
    case KlmRuleCheck::NoRow:
        break;
    }
    return {};
}

KlmRuleCheck klmCanAddReplacementRule(const std::vector<ReplacementRule>& rules)
{
    return rules.size() >= static_cast<size_t>(kKlmMaxReplacementRules) ? KlmRuleCheck::ListFull : KlmRuleCheck::Ok;
}

KlmRuleCheck klmCheckReplacementRule(const std::vector<ReplacementRule>& rules, std::string_view search,
                                     std::string_view replacement, int32_t editedRow)
{
    search = asStored(search);
    replacement = asStored(replacement);
    if (search == replacement)
        return KlmRuleCheck::EqualStrings;
    // Replacing an empty string has no meaning; such a rule would never be
    // applied, so it is refused here rather than kept silently.
    if (search.empty())
        return KlmRuleCheck::EmptySearch;
    for (size_t i = 0; i < rules.size(); ++i) {
        if (static_cast<int64_t>(i) == editedRow)
            continue;
        if (klmField(rules[i].search) == search && klmField(rules[i].replacement) == replacement)
            return KlmRuleCheck::Duplicate;
    }
    return KlmRuleCheck::Ok;
}

KlmRuleCheck klmAddReplacementRule(std::vector<ReplacementRule>& rules, std::string_view search,
                                   std::string_view replacement)
{
    KlmRuleCheck check = klmCheckReplacementRule(rules, search, replacement, -1);
    if (check != KlmRuleCheck::Ok)
        return check;
    check = klmCanAddReplacementRule(rules);
    if (check != KlmRuleCheck::Ok)
        return check;
    rules.push_back(klmMakeReplacementRule(asStored(search), asStored(replacement), true));
    return KlmRuleCheck::Ok;
}

KlmRuleCheck klmEditReplacementRule(std::vector<ReplacementRule>& rules, int32_t row, std::string_view search,
                                    std::string_view replacement)
{
    if (row < 0 || static_cast<size_t>(row) >= rules.size())
        return KlmRuleCheck::NoRow;
    const KlmRuleCheck check = klmCheckReplacementRule(rules, search, replacement, row);
    if (check != KlmRuleCheck::Ok)
        return check;
    ReplacementRule& rule = rules[static_cast<size_t>(row)];
    const int32_t enabled = rule.enabled;
    rule = klmMakeReplacementRule(asStored(search), asStored(replacement), enabled != 0);
    rule.enabled = enabled;
    return KlmRuleCheck::Ok;
}

bool klmMarkFavorites(Catalogue& cat, const ViewList& view, const std::vector<int32_t>& selectedRows, bool mark,
                      const SearchCondition& cond, std::vector<int32_t>* changed)
{
    for (int32_t row : selectedRows) {
        if (row < 0 || row >= view.count || static_cast<size_t>(row) >= view.rows.size())
            continue;
        const int32_t index = view.rows[static_cast<size_t>(row)];
        if (index < 0 || index >= klmGameCount(cat))
            continue;
        cat.games[static_cast<size_t>(index)].favorite = mark ? 1 : 0;
        if (changed) changed->push_back(index);
    }
    return klmFavoritesChangeNeedsRefresh(cond);
}

bool klmFavoritesChangeNeedsRefresh(const SearchCondition& cond)
{
    return cond.favoritesOnly != 0;
}
