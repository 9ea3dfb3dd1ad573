// What the snap-skin dialogs do to their working copy of the skin table:
// the labels of rows, kinds and slots, the OK checks of the add/edit dialog,
// the frame file-name convention, and the list operations (move, delete,
// copy, paste, choose with a scope).
//
// Texts in and out are CP932 (names and paths as stored), except file names
// handed to klmSkinRectFromFileName, which are native.
//
// Every operation keeps the table's invariants: 0 <= count <= 20 and a
// selection of −1 or an index below count that follows the skin it named.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/catalogue.h"
#include "media/skins.h"

// --- Labels ------------------------------------------------------------

// Rows of the table (three slots each); 0 for an empty table.
int32_t klmSkinRowCount(const SkinTable& table);
// The hardware's name, followed by "(横)" or "(縦)" for orientation 1 or 2.
std::string klmSkinRowLabel(const SkinTable& table, const Catalogue& cat, int32_t row);
// "タイトルスナップ", "ゲームスナップ", "ビデオスナップ(動画)".
std::string klmSnapKindName(int32_t kind);
// The combo text of a rounding method: "小数点以下を切り上げる",
// "小数第1位を四捨五入する", "小数点以下を切り捨てる".
std::string klmSkinMethodName(int32_t method);
// Row label, " - ", kind name.
std::string klmSkinSlotLabel(const SkinTable& table, const Catalogue& cat, int32_t slot);
// The slot the dialog opens on: the remembered one while it is in the table,
// else 0 (−1 for an empty table).
int32_t klmSkinDialogSlot(const SkinTable& table, int32_t remembered);

// The item 0 of the list, never a skin's name: "デフォルトフレーム".
std::string klmDefaultFrameItemName();

// --- The add/edit dialog -----------------------------------------------

// What the add/edit dialog's fields hold (name and path CP932, numbers as typed).
struct KlmSkinFields {
    std::string name;
    std::string framePath;
    std::string x, y, width, height;
    int32_t positionMethod = kKlmRoundDown;
    int32_t sizeMethod = kKlmRoundUp;
};

// The OK checks in the order they are made; the first failure is shown.
enum class KlmSkinCheck {
    Ok,
    NameEmpty,
    NameReserved,    // the name is "デフォルトフレーム"
    NameTooLong,     // more than 127 bytes
    NameDuplicate,   // another skin of the slot has it
    PathEmpty,
    PathTooLong,     // more than 259 bytes
    FileMissing,
    PathDuplicate,
    XEmpty,
    XOutOfRange,     // a value beyond the 32-bit range
    YEmpty,
    YOutOfRange,
    WidthEmpty,
    WidthOutOfRange,
    HeightEmpty,
    HeightOutOfRange,
    SlotFull,        // adding to a slot of 20 skins
};

// The warning shown for a refusal (CP932, title "警告"); empty for Ok.
std::string klmSkinCheckMessage(KlmSkinCheck check);

// Tells whether a skin's frame file (CP932 path as stored) exists.
using KlmSkinFileProbe = std::function<bool(const std::string& cp932Path)>;

// The checks of OK. editedIndex is the skin being edited, −1 when adding.
// Comparisons are byte for byte.
KlmSkinCheck klmCheckSnapSkin(const SkinSlot& slot, int32_t editedIndex, const KlmSkinFields& fields,
                              const KlmSkinFileProbe& exists);

// The checks, then the skin stored: appended when adding, in place when
// editing (numbers as atoi reads them).
KlmSkinCheck klmStoreSnapSkin(SkinSlot& slot, int32_t editedIndex, const KlmSkinFields& fields,
                              const KlmSkinFileProbe& exists);

// The fields of a stored skin, numbers in decimal.
KlmSkinFields klmSkinFieldsOf(const SnapSkin& skin);
// A skin made from the fields as OK would store it (unchecked): the preview.
SnapSkin klmSkinFromFields(const KlmSkinFields& fields);

// File-name convention of frame pictures: a name (without folder and
// extension) with exactly four "_" gives the four texts after the first
// "_" as X, Y, width and height, as they stand ("tv_12_8_296_216.png").
std::optional<std::array<std::string, 4>> klmSkinRectFromFileName(std::string_view path);

// --- List operations ---------------------------------------------------

bool klmCanAddSnapSkin(const SkinSlot& slot);

// Swaps skin index with its neighbour (step −1 up, +1 down); the selection
// follows the skin it pointed at. Returns the skin's new index (unchanged
// at the ends or for an index outside the skins).
int32_t klmMoveSnapSkin(SkinSlot& slot, int32_t index, int step);

// Removes the skins at indexes (any order, duplicates and strays ignored),
// keeping the order of the rest. Returns how many were removed.
int32_t klmDeleteSnapSkins(SkinSlot& slot, const std::vector<int32_t>& indexes);
void klmDeleteAllSnapSkins(SkinSlot& slot);

// The skins at indexes in list order, at most 20: the copy buffer.
std::vector<SnapSkin> klmCopySnapSkins(const SkinSlot& slot, const std::vector<int32_t>& indexes);
// Each buffered skin in turn, while the slot holds fewer than 20: one with
// the same frame path is overwritten, else it is appended; the rest are
// dropped. Returns how many were pasted.
int32_t klmPasteSnapSkins(SkinSlot& slot, const std::vector<SnapSkin>& buffer);

// Scopes of "スナップスキンに設定" and its three "全ての…" forms.
enum class KlmSkinScope { Slot, Row, Kind, All };

// Makes list item (0 the default frame, i skin i − 1 of slotIndex) the
// selection of slotIndex, or of every slot in the wider scope: item 0 sets
// −1 everywhere; a skin is chosen in each slot that holds one with the same
// frame path (its first), and the other slots stay as they are.
void klmChooseSnapSkin(SkinTable& table, int32_t slotIndex, int32_t item, KlmSkinScope scope);

// The menu text of a scope ("スナップスキンに設定", "全ての<row>のスナップスキンに設定", …)
// and the question asked before a wider scope ("…に設定しますか"; empty for Slot).
std::string klmSkinScopeMenuText(const SkinTable& table, const Catalogue& cat, int32_t slot, KlmSkinScope scope);
std::string klmSkinScopeQuestion(const SkinTable& table, const Catalogue& cat, int32_t slot, KlmSkinScope scope);

// The questions of "削除" and "全て削除" (title "削除確認"); lineBreak as the
// platform writes one.
std::string klmSkinDeleteQuestion(const SkinTable& table, const Catalogue& cat, int32_t slot, int32_t items,
                                  std::string_view lineBreak);
std::string klmSkinDeleteAllQuestion(const SkinTable& table, const Catalogue& cat, int32_t slot,
                                     std::string_view lineBreak);
