// Field items: which fields the game list shows as columns, which lines the
// two game-info layouts hold and which parts the status bar has, each as a
// shown and a hidden list of the Settings. The moves of the field-items
// dialog and the sort-column bookkeeping when the dialog's lists are taken.
//
// Invariants kept by every move:
//  - an item is in exactly one of its target's two lists; a column carries
//    its width and sort direction wherever it goes;
//  - for every target but the status bar, shown position 0 is the title and
//    stays there (it can be neither hidden nor moved);
//  - no list grows past its 30 slots.
#pragma once

#include <cstdint>
#include <string_view>

#include "settings/settings.h"

// Targets in the order of the dialog's combo box (and of Settings::fieldDialogTarget).
enum class KlmFieldTarget : int32_t { Columns = 0, Detailed = 1, Simple = 2, StatusBar = 3 };
inline constexpr int32_t kKlmFieldTargetCount = 4;

// Program texts (UTF-8).
inline constexpr const char* kKlmFieldItemsTitle = "フィールド項目";
inline constexpr const char* kKlmTitleCannotHideText = "タイトルは非表示にできません。";
inline constexpr const char* kKlmTitleCannotMoveText = "タイトルは移動できません。";

// The combo box text of a target ("リスト(カラム)" …), UTF-8.
const char* klmFieldTargetName(KlmFieldTarget target);

// Target of a stored choice; anything outside 0–3 is the list columns.
KlmFieldTarget klmFieldTargetOf(int32_t stored);

// Status kinds 0–7 as the dialog names them ("所有" … "再生速度"), CP932;
// empty for any other kind.
std::string_view klmStatusKindName(int32_t kind);

enum class KlmFieldSide { Shown, Hidden };

int32_t klmFieldItemCount(const Settings& s, KlmFieldTarget target, KlmFieldSide side);
// Field identifier (status kind for the status bar) at index, −1 outside the list.
int32_t klmFieldItemId(const Settings& s, KlmFieldTarget target, KlmFieldSide side, int32_t index);
// What the dialog shows for an item: the field caption, or the status
// kind's name for the status bar (CP932).
std::string_view klmFieldItemCaption(KlmFieldTarget target, int32_t id);

enum class KlmFieldMoveStatus {
    Moved,
    Ignored,          // no selection, or nowhere to go: nothing happens
    TitleCannotHide,  // kKlmTitleCannotHideText
    TitleCannotMove,  // kKlmTitleCannotMoveText
    ListFull,         // the list it would go to has all 30 slots taken
};

// The outcome of a move and the rows the dialog selects afterwards (−1 for
// none). The selections are meaningful only when the item moved.
struct KlmFieldMove {
    KlmFieldMoveStatus status = KlmFieldMoveStatus::Ignored;
    int32_t shownSelection = -1;
    int32_t hiddenSelection = -1;
    KlmFieldSide focus = KlmFieldSide::Shown;  // the list that holds the moved item
};

// UTF-8 warning text of a refusal (title "警告"), nullptr for the others.
const char* klmFieldMoveMessage(KlmFieldMoveStatus status);

// "追加 →": the hidden item at index goes to the end of the shown list. It
// is selected there; in the hidden list the item that took its place is
// selected (the new last one when it was the last).
KlmFieldMove klmShowFieldItem(Settings& s, KlmFieldTarget target, int32_t hiddenIndex);
// "削除 ←": the shown item at index goes to the end of the hidden list,
// with the selections as above, mirrored.
KlmFieldMove klmHideFieldItem(Settings& s, KlmFieldTarget target, int32_t shownIndex);
// "上に移動" / "下に移動": swaps the shown item at index with its neighbour;
// it stays selected.
KlmFieldMove klmMoveFieldItemUp(Settings& s, KlmFieldTarget target, int32_t shownIndex);
KlmFieldMove klmMoveFieldItemDown(Settings& s, KlmFieldTarget target, int32_t shownIndex);

// The sort column after the shown columns changed from before to after:
// the position in after of the field that was sorted on, or 0 when that
// field is no longer shown (or sortColumn was not a column of before).
int32_t klmRemapSortColumn(const KlmColumnList& before, int32_t sortColumn, const KlmColumnList& after);

// OK of the dialog: the sort column is re-found in edited's columns, then
// the eight lists and the dialog target of edited replace those of s.
// Nothing else of s changes.
void klmTakeFieldItems(Settings& s, const Settings& edited);
