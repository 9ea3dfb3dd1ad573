#include "media/skin_edit.h"

#include <algorithm>
#include <climits>

#include "text/cp932.h"
#include "text/section_file.h"

namespace {

// The program's own texts are written here in UTF-8 and handed out as CP932.
std::string cp(const char* utf8) { return klmFromUtf8(utf8); }

bool validSlot(const SkinTable& table, int32_t slot)
{
    return slot >= 0 && static_cast<size_t>(slot) < table.slots.size();
}

int32_t clampedCount(const SkinSlot& slot) { return std::clamp(slot.count, 0, kKlmMaxSkinsPerSlot); }

bool fitsInt32(const std::string& text)
{
    const long long v = klmLeadingInt(text);
    return v >= INT32_MIN && v <= INT32_MAX;
}

// The first skin of slot (other than skip) whose field equals text.
bool slotHas(const SkinSlot& slot, int32_t skip, std::string_view text, bool path)
{
    for (int32_t i = 0; i < clampedCount(slot); ++i) {
        if (i == skip)
            continue;
        const SnapSkin& s = slot.skins[static_cast<size_t>(i)];
        if ((path ? klmField(s.framePath) : klmField(s.name)) == text)
            return true;
    }
    return false;
}

int32_t firstWithPath(const SkinSlot& slot, std::string_view path)
{
    for (int32_t i = 0; i < clampedCount(slot); ++i)
        if (klmField(slot.skins[static_cast<size_t>(i)].framePath) == path)
            return i;
    return -1;
}

bool inScope(const SkinTable& table, int32_t origin, int32_t candidate, KlmSkinScope scope)
{
    switch (scope) {
    case KlmSkinScope::Slot: return candidate == origin;
    case KlmSkinScope::Row: return candidate / 3 == origin / 3;
    case KlmSkinScope::Kind:
        return table.slots[static_cast<size_t>(candidate)].kind == table.slots[static_cast<size_t>(origin)].kind;
    case KlmSkinScope::All: return true;
    }
    return false;
}

// The part of a scope's texts between "全ての" and "のスナップスキンに設定".
std::string scopeName(const SkinTable& table, const Catalogue& cat, int32_t slot, KlmSkinScope scope)
{
    switch (scope) {
    case KlmSkinScope::Row: return klmSkinRowLabel(table, cat, slot / 3);
    case KlmSkinScope::Kind: return klmSnapKindName(table.slots[static_cast<size_t>(slot)].kind);
    default: return {};
    }
}

}  // namespace

int32_t klmSkinRowCount(const SkinTable& table) { return static_cast<int32_t>(table.slots.size() / 3); }

std::string klmSkinRowLabel(const SkinTable& table, const Catalogue& cat, int32_t row)
{
    if (row < 0 || row >= klmSkinRowCount(table))
        return {};
    const SkinSlot& slot = table.slots[static_cast<size_t>(row) * 3];
    std::string label;
    if (slot.hardware >= 0 && static_cast<size_t>(slot.hardware) < cat.hardware.size())
        label = std::string(klmField(cat.hardware[static_cast<size_t>(slot.hardware)].name));
    if (slot.orientation == kKlmOrientationLandscape)
        label += cp("(横)");
    else if (slot.orientation == kKlmOrientationPortrait)
        label += cp("(縦)");
    return label;
}

std::string klmSnapKindName(int32_t kind)
{
    switch (kind) {
    case kKlmSnapTitle: return cp("タイトルスナップ");
    case kKlmSnapGame: return cp("ゲームスナップ");
    case kKlmSnapMovie: return cp("ビデオスナップ(動画)");
    default: return {};
    }
}

std::string klmSkinMethodName(int32_t method)
{
    switch (method) {
    case kKlmRoundUp: return cp("小数点以下を切り上げる");
    case kKlmRoundHalf: return cp("小数第1位を四捨五入する");
    case kKlmRoundDown: return cp("小数点以下を切り捨てる");
    default: return {};
    }
}

std::string klmSkinSlotLabel(const SkinTable& table, const Catalogue& cat, int32_t slot)
{
    if (!validSlot(table, slot))
        return {};
    return klmSkinRowLabel(table, cat, slot / 3) + " - " + klmSnapKindName(table.slots[static_cast<size_t>(slot)].kind);
}

int32_t klmSkinDialogSlot(const SkinTable& table, int32_t remembered)
{
    if (table.slots.empty())
        return -1;
    return validSlot(table, remembered) ? remembered : 0;
}

std::string klmDefaultFrameItemName() { return cp("デフォルトフレーム"); }

std::string klmSkinCheckMessage(KlmSkinCheck check)
{
    switch (check) {
    case KlmSkinCheck::Ok: return {};
    case KlmSkinCheck::NameEmpty: return cp("スナップスキン名が未入力です");
    case KlmSkinCheck::NameReserved: return "\"" + klmDefaultFrameItemName() + "\"" + cp("はスナップスキン名に使えません");
    case KlmSkinCheck::NameTooLong: return cp("スナップスキン名が長すぎます");
    case KlmSkinCheck::NameDuplicate: return cp("スナップスキン名が重複します");
    case KlmSkinCheck::PathEmpty: return cp("スナップスキンのファイルパスが未入力です");
    case KlmSkinCheck::PathTooLong: return cp("スナップスキンのファイルパスが長すぎます");
    case KlmSkinCheck::FileMissing: return cp("指定されたスナップスキンのファイルが存在しません");
    case KlmSkinCheck::PathDuplicate: return cp("スナップスキンのファイルパスが重複します");
    case KlmSkinCheck::XEmpty: return cp("スナップ表示矩形の左上隅のX座標が未入力です");
    case KlmSkinCheck::XOutOfRange: return cp("スナップ表示矩形の左上隅のX座標が範囲外です");
    case KlmSkinCheck::YEmpty: return cp("スナップ表示矩形の左上隅のY座標が未入力です");
    case KlmSkinCheck::YOutOfRange: return cp("スナップ表示矩形の左上隅のY座標が範囲外です");
    case KlmSkinCheck::WidthEmpty: return cp("スナップ表示矩形の幅が未入力です");
    case KlmSkinCheck::WidthOutOfRange: return cp("スナップ表示矩形の幅が範囲外です");
    case KlmSkinCheck::HeightEmpty: return cp("スナップ表示矩形の高さが未入力です");
    case KlmSkinCheck::HeightOutOfRange: return cp("スナップ表示矩形の高さが範囲外です");
    case KlmSkinCheck::SlotFull: return cp("これ以上スナップスキンを登録できません");
    }
    return {};
}

KlmSkinCheck klmCheckSnapSkin(const SkinSlot& slot, int32_t editedIndex, const KlmSkinFields& f,
                              const KlmSkinFileProbe& exists)
{
    using C = KlmSkinCheck;
    if (f.name.empty()) return C::NameEmpty;
    if (f.name == klmDefaultFrameItemName()) return C::NameReserved;
    if (f.name.size() >= sizeof(SnapSkin::name)) return C::NameTooLong;
    if (slotHas(slot, editedIndex, f.name, false)) return C::NameDuplicate;
    if (f.framePath.empty()) return C::PathEmpty;
    if (f.framePath.size() >= sizeof(SnapSkin::framePath)) return C::PathTooLong;
    if (!exists || !exists(f.framePath)) return C::FileMissing;
    if (slotHas(slot, editedIndex, f.framePath, true)) return C::PathDuplicate;
    if (f.x.empty()) return C::XEmpty;
    if (!fitsInt32(f.x)) return C::XOutOfRange;
    if (f.y.empty()) return C::YEmpty;
    if (!fitsInt32(f.y)) return C::YOutOfRange;
    if (f.width.empty()) return C::WidthEmpty;
    if (!fitsInt32(f.width)) return C::WidthOutOfRange;
    if (f.height.empty()) return C::HeightEmpty;
    if (!fitsInt32(f.height)) return C::HeightOutOfRange;
    return C::Ok;
}

SnapSkin klmSkinFromFields(const KlmSkinFields& f)
{
    SnapSkin s = klmNewSnapSkin();
    klmCopyField(s.name, f.name);
    klmCopyField(s.framePath, f.framePath);
    s.x = klmLeadingInt32(f.x);
    s.y = klmLeadingInt32(f.y);
    s.width = klmLeadingInt32(f.width);
    s.height = klmLeadingInt32(f.height);
    const auto method = [](int32_t m, int32_t fallback) { return m >= kKlmRoundUp && m <= kKlmRoundDown ? m : fallback; };
    s.positionMethod = method(f.positionMethod, kKlmRoundDown);
    s.sizeMethod = method(f.sizeMethod, kKlmRoundUp);
    return s;
}

KlmSkinCheck klmStoreSnapSkin(SkinSlot& slot, int32_t editedIndex, const KlmSkinFields& fields,
                              const KlmSkinFileProbe& exists)
{
    const bool editing = editedIndex >= 0 && editedIndex < clampedCount(slot);
    const KlmSkinCheck check = klmCheckSnapSkin(slot, editing ? editedIndex : -1, fields, exists);
    if (check != KlmSkinCheck::Ok)
        return check;
    if (!editing && !klmCanAddSnapSkin(slot))
        return KlmSkinCheck::SlotFull;
    const int32_t at = editing ? editedIndex : clampedCount(slot);
    slot.skins[static_cast<size_t>(at)] = klmSkinFromFields(fields);
    if (!editing)
        slot.count = at + 1;
    return KlmSkinCheck::Ok;
}

KlmSkinFields klmSkinFieldsOf(const SnapSkin& s)
{
    KlmSkinFields f;
    f.name = std::string(klmField(s.name));
    f.framePath = std::string(klmField(s.framePath));
    f.x = std::to_string(s.x);
    f.y = std::to_string(s.y);
    f.width = std::to_string(s.width);
    f.height = std::to_string(s.height);
    f.positionMethod = s.positionMethod;
    f.sizeMethod = s.sizeMethod;
    return f;
}

std::optional<std::array<std::string, 4>> klmSkinRectFromFileName(std::string_view path)
{
    const size_t slash = path.find_last_of("/\\");
    std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const size_t dot = name.rfind('.');
    if (dot != std::string_view::npos)
        name = name.substr(0, dot);
    if (std::count(name.begin(), name.end(), '_') != 4)
        return std::nullopt;
    std::array<std::string, 4> parts;
    size_t pos = name.find('_') + 1;
    for (size_t k = 0; k < parts.size(); ++k) {
        const size_t end = std::min(name.find('_', pos), name.size());
        parts[k] = std::string(name.substr(pos, end - pos));
        pos = end + 1;
    }
    return parts;
}

bool klmCanAddSnapSkin(const SkinSlot& slot) { return clampedCount(slot) < kKlmMaxSkinsPerSlot; }

int32_t klmMoveSnapSkin(SkinSlot& slot, int32_t index, int step)
{
    const int32_t count = clampedCount(slot);
    const int32_t other = index + (step < 0 ? -1 : 1);
    if (index < 0 || index >= count || other < 0 || other >= count)
        return index;
    std::swap(slot.skins[static_cast<size_t>(index)], slot.skins[static_cast<size_t>(other)]);
    if (slot.selected == index)
        slot.selected = other;
    else if (slot.selected == other)
        slot.selected = index;
    return other;
}

int32_t klmDeleteSnapSkins(SkinSlot& slot, const std::vector<int32_t>& indexes)
{
    const int32_t count = clampedCount(slot);
    std::array<bool, kKlmMaxSkinsPerSlot> gone{};
    for (int32_t i : indexes)
        if (i >= 0 && i < count)
            gone[static_cast<size_t>(i)] = true;
    int32_t kept = 0;
    int32_t selected = -1;
    for (int32_t i = 0; i < count; ++i) {
        if (gone[static_cast<size_t>(i)])
            continue;
        if (i == slot.selected)
            selected = kept;
        slot.skins[static_cast<size_t>(kept++)] = slot.skins[static_cast<size_t>(i)];
    }
    for (int32_t i = kept; i < kKlmMaxSkinsPerSlot; ++i)
        slot.skins[static_cast<size_t>(i)] = SnapSkin{};
    slot.count = kept;
    slot.selected = selected;
    return count - kept;
}

void klmDeleteAllSnapSkins(SkinSlot& slot)
{
    slot.skins.fill(SnapSkin{});
    slot.count = 0;
    slot.selected = -1;
}

std::vector<SnapSkin> klmCopySnapSkins(const SkinSlot& slot, const std::vector<int32_t>& indexes)
{
    std::vector<int32_t> sorted;
    for (int32_t i : indexes)
        if (i >= 0 && i < clampedCount(slot))
            sorted.push_back(i);
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    std::vector<SnapSkin> buffer;
    for (int32_t i : sorted)
        buffer.push_back(slot.skins[static_cast<size_t>(i)]);
    return buffer;
}

int32_t klmPasteSnapSkins(SkinSlot& slot, const std::vector<SnapSkin>& buffer)
{
    int32_t pasted = 0;
    for (const SnapSkin& s : buffer) {
        if (!klmCanAddSnapSkin(slot))
            break;
        int32_t at = firstWithPath(slot, klmField(s.framePath));
        if (at < 0) {
            at = clampedCount(slot);
            slot.count = at + 1;
        }
        slot.skins[static_cast<size_t>(at)] = s;
        ++pasted;
    }
    return pasted;
}

void klmChooseSnapSkin(SkinTable& table, int32_t slotIndex, int32_t item, KlmSkinScope scope)
{
    if (!validSlot(table, slotIndex))
        return;
    const SkinSlot& origin = table.slots[static_cast<size_t>(slotIndex)];
    if (item < 0 || item > clampedCount(origin))
        return;
    // Copied: the origin slot is one of those written below.
    const std::string path = item > 0 ? std::string(klmField(origin.skins[static_cast<size_t>(item - 1)].framePath)) : "";
    if (scope == KlmSkinScope::Slot) {
        table.slots[static_cast<size_t>(slotIndex)].selected = item - 1;
        return;
    }
    for (size_t i = 0; i < table.slots.size(); ++i) {
        if (!inScope(table, slotIndex, static_cast<int32_t>(i), scope))
            continue;
        SkinSlot& slot = table.slots[i];
        if (item == 0) {
            slot.selected = -1;
        } else if (const int32_t at = firstWithPath(slot, path); at >= 0) {
            slot.selected = at;
        }
    }
}

std::string klmSkinScopeMenuText(const SkinTable& table, const Catalogue& cat, int32_t slot, KlmSkinScope scope)
{
    if (scope == KlmSkinScope::Slot || !validSlot(table, slot))
        return cp("スナップスキンに設定");
    if (scope == KlmSkinScope::All)
        return cp("全てのスナップスキンに設定");
    return cp("全ての") + scopeName(table, cat, slot, scope) + cp("のスナップスキンに設定");
}

std::string klmSkinScopeQuestion(const SkinTable& table, const Catalogue& cat, int32_t slot, KlmSkinScope scope)
{
    if (scope == KlmSkinScope::Slot)
        return {};
    return klmSkinScopeMenuText(table, cat, slot, scope) + cp("しますか");
}

std::string klmSkinDeleteQuestion(const SkinTable& table, const Catalogue& cat, int32_t slot, int32_t items,
                                  std::string_view lineBreak)
{
    return klmSkinSlotLabel(table, cat, slot) + cp("の") + std::string(lineBreak) + cp("スナップスキン") +
           std::to_string(items) + cp("ケをリストから削除しますか");
}

std::string klmSkinDeleteAllQuestion(const SkinTable& table, const Catalogue& cat, int32_t slot,
                                     std::string_view lineBreak)
{
    return klmSkinSlotLabel(table, cat, slot) + cp("の") + std::string(lineBreak) +
           cp("スナップスキンを全てリストから削除しますか");
}
