// The Settings record: every choice the user makes that outlives the run.
// It starts with the built-in defaults below, is replaced by setting.dat
// when that exists (setting_file.h) and is written back at shutdown.
//
// Fields are 32-bit integers even where only 0/1 is meaningful: setting.dat
// stores them in decimal and a value is written back exactly as it is held.
#pragma once

#include "layout/window_layout.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "browse/name_conditions.h"
#include "browse/search_condition.h"

// A logical-font description, laid out like the platform's LOGFONT so that
// the values pass through unchanged.
struct KlmFont {
    static constexpr size_t kFaceNameSize = 32;

    int32_t height = 0;
    int32_t width = 0;
    int32_t escapement = 0;
    int32_t orientation = 0;
    int32_t weight = 0;
    uint8_t italic = 0;
    uint8_t underline = 0;
    uint8_t strikeOut = 0;
    uint8_t charSet = 0;
    uint8_t outPrecision = 0;
    uint8_t clipPrecision = 0;
    uint8_t quality = 0;
    uint8_t pitchAndFamily = 0;
    char faceName[kFaceNameSize] = {};  // CP932, zero-terminated
};
static_assert(sizeof(KlmFont) == 60);

// One game-list column; hidden columns keep theirs too.
struct KlmColumn {
    int32_t width = 0;       // pixels
    int32_t field = 0;       // field identifier 0–18
    int32_t descending = 0;  // 0 ascending, non-zero descending
};

struct KlmColumnList {
    static constexpr int32_t kSlots = 30;
    int32_t count = 0;
    KlmColumn items[kSlots] = {};
};

// Field identifiers (game-info lists) or status kinds (status bar).
struct KlmItemList {
    static constexpr int32_t kSlots = 30;
    int32_t count = 0;
    int32_t items[kSlots] = {};
};

struct Settings {
    static constexpr size_t kRenamePatternSize = 260;

    int32_t selectedGame = -1;  // catalogue index, -1 for none

    // Search text, search kind, the six table conditions (stored in
    // setting.dat by name), the value conditions and the view filters.
    SearchCondition search;

    int32_t launchedBecomesDefault = 0;  // 起動したエミュレータをデフォルトにする

    // List appearance.
    int32_t striped = 0;
    int32_t gridLines = 0;
    int32_t colourByOwnership = 0;
    int32_t fitColumnsOnRefresh = 0;
    int32_t blankLineUnderTitle = 1;
    int32_t showStatusBar = 1;
    int32_t showToolbar = 1;
    int32_t listIconSource = 101;  // 100 hardware icons, 101 software/board icons
    int32_t infoVariant = 0;       // 0 detailed, 1 simple
    int32_t romSizeFormat = 0;     // 0 KB/MB, 1 bytes

    // "デフォルト" in the font picker returns a slot to defaultFont; it is
    // the list control's own font and is not saved.
    KlmFont defaultFont;
    KlmFont listFont;
    KlmFont infoFont;
    KlmFont searchFont;
    KlmFont statusFont;

    // 0x00BBGGRR.
    int32_t ownedColour = 0x009600;
    int32_t notRenamedColour = 0x0098E8;
    int32_t notOwnedColour = 0x0000C8;

    // Movie.
    int32_t mute = 0;
    int32_t volume = 30;    // 0–100
    int32_t speed = 1000;   // 600–2000, 1000 normal
    int32_t showMovie = 1;
    int32_t loopPlayback = 1;

    // Field items.
    int32_t sortColumn = 0;  // index into shownColumns
    KlmColumnList shownColumns;
    KlmColumnList hiddenColumns;
    int32_t fieldDialogTarget = 0;  // 0 list, 1 detailed, 2 simple, 3 status bar
    KlmItemList detailedShown;
    KlmItemList detailedHidden;
    KlmItemList simpleShown;
    KlmItemList simpleHidden;
    KlmItemList statusShown;
    KlmItemList statusHidden;

    // Hardware table position shown when the emulator dialog opens; -1
    // after setting.dat named a hardware that is no longer in the table.
    int32_t emulatorDialogHardware = 0;

    int32_t listScrollRow = 0;     // vertical scroll position, in rows
    int32_t listScrollX = 0;       // horizontal position: kept, not used
    int32_t splitX = 0;            // client width - 649 until changed
    int32_t splitY = 246;
    int32_t tooltipContent = 0;    // 0 standard, 1 detailed info, 2 simple info
    int32_t dateFormat = 0;        // 0–5
    int32_t priceFormat = 0;       // 0–3
    int32_t skinDialogSlot = 0;    // slot last shown in the snap-skin dialog
    int32_t crcZerosOwned = 1;     // CRC32が 00000000 のゲームを所有とする
    int32_t crcOnesOwned = 0;      // CRC32が FFFFFFFF のゲームを所有とする
    int32_t titleMode = 0;
    int32_t centreDialogs = 1;
    int32_t pauseMovieForDialogs = 0;
    int32_t wheelSelection = 0;
    int32_t autoSelectOrder = 0;       // 0 next, 1 previous, 2 random
    int32_t autoSelectInterval = 1000; // milliseconds
    int32_t movieAspect = 0;           // 0 title snapshot, 1 game snapshot, 2 own

    // Unused values carried through setting.dat unchanged (the first is
    // cleared when the display settings are confirmed).
    int32_t spare1 = 0;
    int32_t spare2 = 0;
    int32_t spare3 = 0;

    int32_t showInfoIcon = 1;
    int32_t showInfoText = 1;

    // Rename and compression.
    char renamePattern[kRenamePatternSize] = {};
    int32_t renameInsideArchives = 1;
    int32_t zipLevel = 3;       // 0–5: 無圧縮 … 最高圧縮
    int32_t sevenZipLevel = 3;
};

// The font a list control has when nobody chose one; the GUI passes the
// real one of its platform to klmDefaultSettings.
KlmFont klmDefaultControlFont();

// Width of the main window's client area when it is first created.
inline constexpr int32_t kKlmCreationClientWidth = 1200;

inline int32_t klmDefaultSplitX(int32_t clientWidth) { return klmFirstRunSplitX(clientWidth); }

// The built-in defaults: every font slot is controlFont, splitX follows
// the client width.
Settings klmDefaultSettings(const KlmFont& controlFont = klmDefaultControlFont(),
                            int32_t clientWidth = kKlmCreationClientWidth);

// Built-in item lists, also used to put a damaged list back.
KlmColumnList klmDefaultShownColumns();
KlmItemList klmDefaultDetailedItems();
KlmItemList klmDefaultSimpleItems();
KlmItemList klmDefaultStatusItems();
