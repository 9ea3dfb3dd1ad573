// The checks of the replacement-rule dialogs and marking favourites.
//
// The rule dialogs edit a working copy of the list; these functions are
// what their buttons do to it, with the warning each refusal shows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "browse/match.h"
#include "browse/permute.h"
#include "catalogue/catalogue.h"

enum class KlmRuleCheck {
    Ok,
    ListFull,     // "これ以上登録できません"
    EqualStrings, // "検索する文字列と置換後の文字列が一致します"
    Duplicate,    // "検索する文字列と置換後の文字列が重複します"
    EmptySearch,  // "検索する文字列が入力されていません"
    NoRow,        // the edited row is not in the list: nothing to do
};

// CP932 text of the warning for a refusal (empty for Ok and NoRow). All are shown in
// a warning box; the dialog stays open.
std::string_view klmRuleCheckMessage(KlmRuleCheck check);

// "追加" is refused before the add dialog opens when the list is full.
KlmRuleCheck klmCanAddReplacementRule(const std::vector<ReplacementRule>& rules);

// OK in the add/edit dialog, texts as read from the two boxes (each cut at
// 259 bytes on a character boundary, as stored). editedRow is the row
// being edited, or −1 when adding. Checks in order: equal strings (two
// empty strings included), an empty search string (it could never be
// applied), a row other than the edited one with the same pair.
KlmRuleCheck klmCheckReplacementRule(const std::vector<ReplacementRule>& rules, std::string_view search,
                                     std::string_view replacement, int32_t editedRow);

// Appends an enabled rule after the checks (and the 1000-rule limit).
KlmRuleCheck klmAddReplacementRule(std::vector<ReplacementRule>& rules, std::string_view search,
                                   std::string_view replacement);
// Replaces the two texts of row, keeping its enabled mark.
KlmRuleCheck klmEditReplacementRule(std::vector<ReplacementRule>& rules, int32_t row, std::string_view search,
                                    std::string_view replacement);

// Whether a change of favourite flags (marking, unmarking, loading a
// favourites file) changes which rows the list shows: only while the
// favourites-only filter is on. Otherwise the rows and the selection stay
// and the list is only repainted.
bool klmFavoritesChangeNeedsRefresh(const SearchCondition& cond);

// Sets (mark) or clears the favourite flag of the game on each selected
// row (rows outside the list are ignored). Returns
// klmFavoritesChangeNeedsRefresh. changed, when given, receives the games
// whose records were written (for klmNoteGamesChanged).
bool klmMarkFavorites(Catalogue& cat, const ViewList& view, const std::vector<int32_t>& selectedRows, bool mark,
                      const SearchCondition& cond, std::vector<int32_t>* changed = nullptr);
