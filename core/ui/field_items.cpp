#include "ui/field_items.h"

#include <iterator>
#include <type_traits>
#include <utility>

#include "ui/game_text.h"

namespace {

constexpr std::string_view kStatusKindNames[] = {
    "\x8f\x8a\x97\x4c",                                                  // 所有
    "\x96\xa2\x83\x8a\x83\x6c\x81\x5b\x83\x80",                          // 未リネーム
    "\x96\xa2\x8f\x8a\x97\x4c",                                          // 未所有
    "\x91\x8d\x83\x51\x81\x5b\x83\x80\x90\x94",                          // 総ゲーム数
    "\x8a\x59\x93\x96\x82\xb7\x82\xe9\x83\x51\x81\x5b\x83\x80\x90\x94",  // 該当するゲーム数
    "\x93\xae\x89\xe6\x83\x74\x83\x40\x83\x43\x83\x8b\x90\x94",          // 動画ファイル数
    "\x89\xb9\x97\xca",                                                  // 音量
    "\x8d\xc4\x90\xb6\x91\xac\x93\x78",                                  // 再生速度
};

int32_t idOf(const KlmColumn& c) { return c.field; }
int32_t idOf(int32_t id) { return id; }

// A shown list and its hidden list, whichever entry type they hold.
template <class List>
struct Pair {
    List& shown;
    List& hidden;
};

template <class List>
List& sideOf(Pair<List> p, KlmFieldSide side)
{
    return side == KlmFieldSide::Shown ? p.shown : p.hidden;
}

// Runs f on the target's two lists (const when s is).
template <class S, class F>
auto withLists(S& s, KlmFieldTarget target, F&& f)
{
    using Items = std::conditional_t<std::is_const_v<S>, const KlmItemList, KlmItemList>;
    using Columns = std::conditional_t<std::is_const_v<S>, const KlmColumnList, KlmColumnList>;
    switch (target) {
    case KlmFieldTarget::Detailed: return f(Pair<Items>{s.detailedShown, s.detailedHidden});
    case KlmFieldTarget::Simple: return f(Pair<Items>{s.simpleShown, s.simpleHidden});
    case KlmFieldTarget::StatusBar: return f(Pair<Items>{s.statusShown, s.statusHidden});
    case KlmFieldTarget::Columns: break;
    }
    return f(Pair<Columns>{s.shownColumns, s.hiddenColumns});
}

// The count as a list may hold it; a damaged count never indexes past the slots.
template <class List>
int32_t countOf(const List& list)
{
    return list.count < 0 ? 0 : (list.count > List::kSlots ? List::kSlots : list.count);
}

bool keepsTitle(KlmFieldTarget target) { return target != KlmFieldTarget::StatusBar; }

// Takes the entry at index out of from (the rest close up) and appends it to to.
template <class List>
void transfer(List& from, int32_t index, List& to)
{
    const auto entry = from.items[index];
    const int32_t n = countOf(from);
    for (int32_t i = index; i + 1 < n; ++i)
        from.items[i] = from.items[i + 1];
    from.items[n - 1] = {};
    from.count = n - 1;
    to.items[countOf(to)] = entry;
    to.count = countOf(to) + 1;
}

// The row selected in a list after the item at index left it: the one that
// took its place, or the new last one, or none.
int32_t afterRemoval(int32_t index, int32_t remaining)
{
    if (remaining <= 0) return -1;
    return index < remaining ? index : remaining - 1;
}

template <class List>
KlmFieldMove moveAcross(List& from, int32_t index, List& to, KlmFieldSide toSide)
{
    KlmFieldMove m;
    if (index < 0 || index >= countOf(from)) return m;
    if (countOf(to) >= List::kSlots) {
        m.status = KlmFieldMoveStatus::ListFull;
        return m;
    }
    transfer(from, index, to);
    m.status = KlmFieldMoveStatus::Moved;
    m.focus = toSide;
    const int32_t moved = countOf(to) - 1;
    const int32_t left = afterRemoval(index, countOf(from));
    m.shownSelection = toSide == KlmFieldSide::Shown ? moved : left;
    m.hiddenSelection = toSide == KlmFieldSide::Shown ? left : moved;
    return m;
}

KlmFieldMove swapShown(Settings& s, KlmFieldTarget target, int32_t index, int32_t step)
{
    return withLists(s, target, [&](auto lists) {
        KlmFieldMove m;
        auto& shown = lists.shown;
        const int32_t n = countOf(shown);
        const int32_t other = index + step;
        if (n < 2 || index < 0 || index >= n || other < 0 || other >= n) return m;
        if (keepsTitle(target) && (index == 0 || other == 0)) {
            m.status = KlmFieldMoveStatus::TitleCannotMove;
            return m;
        }
        std::swap(shown.items[index], shown.items[other]);
        m.status = KlmFieldMoveStatus::Moved;
        m.shownSelection = other;
        m.hiddenSelection = -1;
        m.focus = KlmFieldSide::Shown;
        return m;
    });
}

}  // namespace

const char* klmFieldTargetName(KlmFieldTarget target)
{
    switch (target) {
    case KlmFieldTarget::Columns: return "リスト(カラム)";
    case KlmFieldTarget::Detailed: return "ゲーム情報(詳細)";
    case KlmFieldTarget::Simple: return "ゲーム情報(簡易)";
    case KlmFieldTarget::StatusBar: return "ステータスバー";
    }
    return "";
}

KlmFieldTarget klmFieldTargetOf(int32_t stored)
{
    return stored >= 0 && stored < kKlmFieldTargetCount ? static_cast<KlmFieldTarget>(stored)
                                                        : KlmFieldTarget::Columns;
}

std::string_view klmStatusKindName(int32_t kind)
{
    if (kind < 0 || kind >= static_cast<int32_t>(std::size(kStatusKindNames))) return {};
    return kStatusKindNames[kind];
}

int32_t klmFieldItemCount(const Settings& s, KlmFieldTarget target, KlmFieldSide side)
{
    return withLists(s, target, [&](auto lists) { return countOf(sideOf(lists, side)); });
}

int32_t klmFieldItemId(const Settings& s, KlmFieldTarget target, KlmFieldSide side, int32_t index)
{
    return withLists(s, target, [&](auto lists) {
        const auto& list = sideOf(lists, side);
        return index >= 0 && index < countOf(list) ? idOf(list.items[index]) : -1;
    });
}

std::string_view klmFieldItemCaption(KlmFieldTarget target, int32_t id)
{
    return target == KlmFieldTarget::StatusBar ? klmStatusKindName(id) : klmFieldCaption(id);
}

const char* klmFieldMoveMessage(KlmFieldMoveStatus status)
{
    switch (status) {
    case KlmFieldMoveStatus::TitleCannotHide: return kKlmTitleCannotHideText;
    case KlmFieldMoveStatus::TitleCannotMove: return kKlmTitleCannotMoveText;
    default: return nullptr;
    }
}

KlmFieldMove klmShowFieldItem(Settings& s, KlmFieldTarget target, int32_t hiddenIndex)
{
    return withLists(s, target, [&](auto lists) {
        return moveAcross(lists.hidden, hiddenIndex, lists.shown, KlmFieldSide::Shown);
    });
}

KlmFieldMove klmHideFieldItem(Settings& s, KlmFieldTarget target, int32_t shownIndex)
{
    return withLists(s, target, [&](auto lists) {
        if (keepsTitle(target) && shownIndex == 0 && countOf(lists.shown) > 0) {
            KlmFieldMove m;
            m.status = KlmFieldMoveStatus::TitleCannotHide;
            return m;
        }
        return moveAcross(lists.shown, shownIndex, lists.hidden, KlmFieldSide::Hidden);
    });
}

KlmFieldMove klmMoveFieldItemUp(Settings& s, KlmFieldTarget target, int32_t shownIndex)
{
    return swapShown(s, target, shownIndex, -1);
}

KlmFieldMove klmMoveFieldItemDown(Settings& s, KlmFieldTarget target, int32_t shownIndex)
{
    return swapShown(s, target, shownIndex, +1);
}

int32_t klmRemapSortColumn(const KlmColumnList& before, int32_t sortColumn, const KlmColumnList& after)
{
    if (sortColumn < 0 || sortColumn >= countOf(before)) return 0;
    const int32_t field = before.items[sortColumn].field;
    for (int32_t i = 0; i < countOf(after); ++i)
        if (after.items[i].field == field) return i;
    return 0;
}

void klmTakeFieldItems(Settings& s, const Settings& edited)
{
    s.sortColumn = klmRemapSortColumn(s.shownColumns, s.sortColumn, edited.shownColumns);
    s.shownColumns = edited.shownColumns;
    s.hiddenColumns = edited.hiddenColumns;
    s.detailedShown = edited.detailedShown;
    s.detailedHidden = edited.detailedHidden;
    s.simpleShown = edited.simpleShown;
    s.simpleHidden = edited.simpleHidden;
    s.statusShown = edited.statusShown;
    s.statusHidden = edited.statusHidden;
    s.fieldDialogTarget = edited.fieldDialogTarget;
}
