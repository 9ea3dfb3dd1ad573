// The display settings: what the dialog edits (Settings and the two
// default-frame values kept in skin.dat), the checks its OK runs, and what
// has to be redone once it is confirmed, decided from the values before
// and after.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "catalogue/catalogue.h"
#include "settings/settings.h"

inline constexpr const char* kKlmDisplaySettingsTitle = "表示設定";
inline constexpr const char* kKlmIntervalTooShortText = "リスト自動選択の間隔は100ミリ秒以上を設定して下さい";
inline constexpr const char* kKlmFrameWidthRangeText = "フレームの幅は1以上20以下の値を設定して下さい";

inline constexpr int32_t kKlmMinAutoSelectInterval = 100;

// Everything the dialog edits.
struct KlmDisplayValues {
    Settings settings;
    int32_t frameWidth = 1;     // default frame width, 1–20 (skin.dat)
    int32_t alwaysDefault = 0;  // "全てデフォルトフレームで表示する" (skin.dat)
};

// The number an edit box holds: decimal digits, with spaces around them
// allowed. Anything else, an empty box, or a number too large for 32 bits
// reads as 0, so a check that wants more refuses it.
int32_t klmEditNumber(std::string_view text);

enum class KlmDisplayCheck { Valid, IntervalTooShort, FrameWidthOutOfRange };

struct KlmDisplayNumbers {
    KlmDisplayCheck check = KlmDisplayCheck::Valid;
    int32_t interval = 0;
    int32_t frameWidth = 0;
};

// OK's checks, in order: the interval must be 100 or more, then the frame
// width 1 to 20. Only the first failure is reported.
KlmDisplayNumbers klmCheckDisplayNumbers(std::string_view intervalText, std::string_view frameWidthText);

// The warning of a failed check (title "警告", information icon), UTF-8;
// nullptr for Valid.
const char* klmDisplayCheckMessage(KlmDisplayCheck check);

// Stores checked numbers; confirming the dialog also clears the first
// spare value of the Settings.
void klmStoreDisplayNumbers(KlmDisplayValues& values, const KlmDisplayNumbers& numbers);

// What applying confirmed display settings does, in this order.
enum class KlmDisplayStep {
    ShowInfoPanes,     // show or hide the game-info icon and text panes
    ZerosCrcRule,      // reclassify the games whose CRC32 text is 00000000
    OnesCrcRule,       // the same for FFFFFFFF
    FormatDates,       // rebuild every release date text
    FormatPrices,      // every price text
    FormatSizes,       // every ROM size text
    GridLines,         // the list's grid lines on or off
    StatusBar,         // show or hide the status bar
    Toolbar,           // show or hide the toolbar
    ListIcons,         // hardware or software/board icons in the list
    SplitterBounds,    // clamp the splitters (toolbar, status bar and panes change them)
    RefreshList,       // the one list refresh
    Layout,            // place every pane again
    InfoText,          // rebuild the game-info text
    RedrawSnapshots,   // redraw the snapshot panes (frame or movie aspect changed)
    Repaint,           // repaint the main window
    RestartAutoSelect, // restart list auto-selection, when it is on, with the new interval
};

// The steps to run after OK took before to after. A step whose setting did
// not change is left out; the splitter bounds, the refresh, the layout,
// the info text, the repaint and the restart of auto-selection always run.
std::vector<KlmDisplayStep> klmDisplayApplySteps(const KlmDisplayValues& before, const KlmDisplayValues& after);

// Runs the steps that need only the Catalogue: the special-CRC rule when
// either choice changed, and the texts whose format changed. The caller
// refreshes the list afterwards (RefreshList).
void klmApplyDisplayToCatalogue(Catalogue& cat, const Settings& after, const std::vector<KlmDisplayStep>& steps);
