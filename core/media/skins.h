// Snap skins: frame pictures registered per hardware, orientation and snap
// kind (a SkinSlot each), the slot table built from the hardware table's
// skin modes, and save\skin.dat.
//
// Invariants kept by everything here (the reader included):
//  - slots come in rows of three (kinds 0, 1, 2) of one hardware and
//    orientation, so a slot's index is row × 3 + kind; at most
//    kKlmMaxSkinSlots slots, whole rows only;
//  - 0 <= count <= kKlmMaxSkinsPerSlot; selected is −1 (the default frame)
//    or an index below count;
//  - frame width 1–20, always-default 0 or 1, methods 0–2.
//
// skin.dat: "[BEGIN]", the always-default flag, the frame width, then per
// slot a header "[BEGIN_hardwareKey_kind_orientation_count_selected]",
// eight lines per skin and "[END]", then a last "[END]". Written with CRLF.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "catalogue/catalogue.h"

inline constexpr int32_t kKlmMaxSkinsPerSlot = 20;
inline constexpr int32_t kKlmMaxSkinSlots = 1000;
inline constexpr int32_t kKlmMinFrameWidth = 1;
inline constexpr int32_t kKlmMaxFrameWidth = 20;

// Snap kinds and orientations of a slot.
inline constexpr int32_t kKlmSnapTitle = 0;
inline constexpr int32_t kKlmSnapGame = 1;
inline constexpr int32_t kKlmSnapMovie = 2;
inline constexpr int32_t kKlmOrientationNone = 0;
inline constexpr int32_t kKlmOrientationLandscape = 1;
inline constexpr int32_t kKlmOrientationPortrait = 2;

// Rounding methods for the scaled snapshot rectangle.
inline constexpr int32_t kKlmRoundUp = 0;
inline constexpr int32_t kKlmRoundHalf = 1;
inline constexpr int32_t kKlmRoundDown = 2;

struct SnapSkin {
    char name[128];
    char framePath[260];  // PNG frame picture
    int32_t x, y, width, height;  // snapshot rectangle in frame pixels
    int32_t positionMethod;
    int32_t sizeMethod;
};

static_assert(std::is_standard_layout_v<SnapSkin> && std::is_trivially_copyable_v<SnapSkin>);
static_assert(sizeof(SnapSkin) == 412);

struct SkinSlot {
    int32_t hardware = 0;     // position in the hardware table
    int32_t kind = 0;         // kKlmSnapTitle / Game / Movie
    int32_t orientation = 0;  // kKlmOrientationNone / Landscape / Portrait
    std::array<SnapSkin, kKlmMaxSkinsPerSlot> skins{};
    int32_t count = 0;
    int32_t selected = -1;    // −1: the default frame
};

struct SkinTable {
    std::vector<SkinSlot> slots;
    int32_t frameWidth = 1;
    int32_t alwaysDefault = 0;  // "全てデフォルトフレームで表示する"
};

// A skin as the add dialog starts it: empty, position method 2, size method 0.
SnapSkin klmNewSnapSkin();

// The table before skin.dat is read: frame width 1, always-default off, and
// for each hardware in table order three slots (skin mode 1, orientation 0)
// or six (skin mode 2: landscape, then portrait); other modes get none.
// Rows that would pass kKlmMaxSkinSlots are left out.
void klmBuildSkinTable(SkinTable& table, const Catalogue& cat);

// Orientation of a picture for a hardware's skin mode: 0 for mode 1, 2 (a
// picture narrower than tall) or 1 for mode 2, −1 when the mode has no skins.
int32_t klmSkinOrientation(int32_t skinMode, int32_t pictureWidth, int32_t pictureHeight);

// Index of the first slot with this hardware, kind and orientation, or −1.
int32_t klmFindSkinSlot(const SkinTable& table, int32_t hardware, int32_t kind, int32_t orientation);

// The selected skin for a pane, or nullptr for the default frame.
const SnapSkin* klmLookupSnapSkin(const SkinTable& table, const Catalogue& cat, int32_t hardware,
                                  int32_t kind, int32_t pictureWidth, int32_t pictureHeight);

std::string klmSkinImage(const SkinTable& table, const Catalogue& cat);

// Reads a skin.dat image into a table built for cat. A header whose
// hardware number is not in the hardware table shows the
// "klmGetNewHardIndex()" message through notify once and its section is
// skipped, as is one that matches no slot. Counts above 20 are clamped (the
// surplus skins skipped), selections outside the slot's skins become −1,
// long lines are cut to their fields at a character boundary. Returns false
// when anything of the sort was met.
bool klmReadSkinImage(std::string_view image, SkinTable& table, const Catalogue& cat,
                      const KlmNotifier& notify);

// A missing file leaves the table unchanged and returns false with an empty
// *error; an unreadable one returns false with a reason.
bool klmLoadSkinFile(const std::string& path, SkinTable& table, const Catalogue& cat,
                     const KlmNotifier& notify, std::string* error = nullptr);
bool klmSaveSkinFile(const std::string& path, const SkinTable& table, const Catalogue& cat,
                     std::string* error = nullptr);
