// Geometry of the main window: where the game list, the snapshot panes, the
// game-info panes and the four search rows go for a client size and two
// splitter positions; the splitter bounds, hit test and drag clamps. Pure
// arithmetic in client pixels, so the window only applies the rectangles.
#pragma once

struct KlmRect {
    int x = 0, y = 0, w = 0, h = 0;
    bool operator==(const KlmRect&) const = default;
};

struct KlmLayoutInput {
    int clientW = 0, clientH = 0;
    bool toolbarShown = true;
    int toolbarH = 0;      // height of the toolbar when shown
    bool statusShown = true;
    int statusH = 0;       // height of the status bar when shown
    int comboH = 0;        // height of one search combo box
    int resetButtonW = 0;  // width of the "リセット" button
    bool showInfoIcon = true;
    bool showInfoText = true;
    int splitX = 0, splitY = 0;
};

struct KlmLayout {
    int T = 0, S = 0, H = 0, W = 0;
    KlmRect list;
    KlmRect snap1, snap2;
    KlmRect infoIcon, infoText;  // zero-sized when hidden
    // Top row.
    KlmRect kindCombo, searchEdit, resetButton;
    // Third row.
    KlmRect hardware, software, developer, publisher;
    // Second row.
    KlmRect genre, screen, year, yearQualifier, price, priceQualifier;
    // Bottom row.
    KlmRect romSize, romSizeQualifier;
    // The splitter bars (5 pixels, centred on the positions).
    KlmRect verticalBar, horizontalBar;
};

inline constexpr int kKlmComboDropHeight = 300;
inline constexpr int kKlmMinWindowW = 600;
inline constexpr int kKlmMinWindowH = 500;

int klmLayoutT(const KlmLayoutInput& in);
int klmLayoutS(const KlmLayoutInput& in);
// The minimum room below the horizontal splitter.
int klmMinBelowSplitY(const KlmLayoutInput& in);

KlmLayout klmComputeLayout(const KlmLayoutInput& in);

// Keeps the splitters inside the client area; does nothing for a 0 x 0
// client (a minimized window).
void klmClampSplitters(KlmLayoutInput& in);

enum KlmSplitHit { kKlmHitNone = 0, kKlmHitVertical = 1, kKlmHitHorizontal = 2, kKlmHitBoth = 3 };
int klmSplitterHitTest(const KlmLayoutInput& in, int x, int y);

// A splitter drag: the grab offsets keep the bar where it was grabbed
// relative to the cursor; a clamp at a bound zeroes the offset, so the bar
// follows the cursor without jumping once the cursor comes back.
struct KlmSplitDrag {
    int mode = kKlmHitNone;
    int grabX = 0, grabY = 0;
    int posX = 0, posY = 0;  // where the feedback lines are
};

KlmSplitDrag klmBeginSplitDrag(const KlmLayoutInput& in, int mode, int x, int y);
void klmMoveSplitDrag(KlmSplitDrag& drag, const KlmLayoutInput& in, int x, int y);
// The positions at button up: written into in.splitX / in.splitY.
void klmEndSplitDrag(const KlmSplitDrag& drag, KlmLayoutInput& in);

// First run: 90 % of the maximized size, centred in the work area.
KlmRect klmFirstRunWindowRect(const KlmRect& workArea);
inline int klmFirstRunSplitX(int clientW) { return clientW - 649; }
inline constexpr int kKlmFirstRunSplitY = 246;
