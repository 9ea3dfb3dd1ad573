// Small rules of the main window that need no widgets: the movie transport
// clamps, the auto-selection step, the volume part of the status bar, the
// toolbar's command strip and the keyboard focus ring.
#pragma once

#include <cstdint>

#include "settings/settings.h"

// Movie transport: volume 0–100 in steps of 5 (standard 30), speed
// 600–2000 in steps of 100 (normal 1000).
int32_t klmClampVolume(int32_t volume);
int32_t klmClampSpeed(int32_t speed);

// The volume and speed commands on the settings: volume up, down and
// standard also unmute, mute toggles; the results are clamped. False for
// any other command (nothing changes).
bool klmMovieTransportCommand(Settings& s, int32_t command);

// Row the wheel selection moves to from row for a turn of notches (one row
// per notch, up is positive), kept within the count rows.
int32_t klmWheelSelectRow(int32_t row, int32_t notches, int32_t count);

// The colour (0x00BBGGRR) of an ownership status: owned, not renamed, and
// anything else as not owned. Rows and the status bar's swatches use it.
int32_t klmOwnershipColour(const Settings& s, int32_t status);

// Row the auto-selection moves to from current (−1 for none) among count
// rows: order 0 next, 1 previous, 2 random (random is the caller's draw);
// −1 when fewer than two rows. An unknown order behaves as 0.
int32_t klmAutoSelectNext(int32_t order, int32_t current, int32_t count, uint32_t random);

// --- Status bar -------------------------------------------------------

// Width of the status part of an item id (0–7); 80 for an unknown id.
int klmStatusPartWidth(int32_t item);

struct KlmBox {
    int x = 0, y = 0, w = 0, h = 0;
    bool contains(int px, int py) const { return px >= x && px < x + w && py >= y && py < y + h; }
};

inline constexpr int kKlmVolumeBars = 21;

// Where the volume part (item 6) draws, for a part starting at left with
// height h: the speaker's body and cone, the 21 bars (volume 0, 5, … 100)
// and the text.
struct KlmVolumeGeometry {
    KlmBox body;          // the speaker's box
    KlmBox cone;          // the flared part, right of the body
    int arcX = 0, arcY = 0;  // centre of the sound arcs
    KlmBox speaker;       // body and cone together: the mute click area
    KlmBox bars[kKlmVolumeBars];  // 2 pixels wide, drawn
    KlmBox barHits[kKlmVolumeBars];  // 3 pixels wide, so there is no gap between clicks
    int textX = 0;
};
KlmVolumeGeometry klmVolumeGeometry(int left, int h);
// Volume level of the bar at (x, y), −1 when none is hit.
int32_t klmVolumeBarAt(const KlmVolumeGeometry& g, int x, int y);

// The swatch of items 0–2: inset 4 from the part's top-left, square, the
// part's height less 8.
KlmBox klmSwatchBox(int left, int h);

// --- Toolbar ----------------------------------------------------------

inline constexpr int kKlmToolbarButtons = 40;
// The command of button i (0–39), in strip-image order.
int32_t klmToolbarCommand(int i);
// True when a separator goes in front of button i.
bool klmToolbarGroupStart(int i);

// --- Focus ring -------------------------------------------------------

// The ring's members, by control id: the game list (1001), the search edit
// (1003), the reset button (1011), then the lists 1004–1009, 1013–1016.
inline constexpr int kKlmFocusRingSize = 13;
int32_t klmFocusRingMember(int i);
// The control that Tab (forward) or Shift+Tab takes the focus to from
// current; a control outside the ring (the game-info text, the window
// itself) goes to the search edit.
int32_t klmFocusRingNext(int32_t current, bool forward);
