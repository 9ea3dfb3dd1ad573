// The two picture panes and the icon pane beside the game list: which
// picture and which frame each pane shows, and where the pane, its picture
// rectangle and the movie go. Pure arithmetic on sizes the caller reads
// (the GUI decodes pictures; this file never opens one).
//
// Pane kinds: 0 the first pane's picture, 1 the second pane's picture, 2 the
// movie inside the second pane.
//
// Invariants:
//  - every picture path is inside the image folder (or one of the default
//    pictures): a number text that could climb out of it counts as "no
//    snapshot";
//  - a size of zero (or a picture that could not be read) never reaches a
//    division: such a pane is laid out as if the hardware kept no aspect,
//    and such a skin frame falls back to the default frame;
//  - floating-point results become pixels by truncation toward zero,
//    clamped into the 32-bit range.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "catalogue/catalogue.h"
#include "layout/window_layout.h"
#include "media/skins.h"

struct AppPaths;

inline constexpr int kKlmPaneFirst = 0;
inline constexpr int kKlmPaneSecond = 1;
inline constexpr int kKlmPaneMovie = 2;

// Movie aspect choices of the display settings.
inline constexpr int32_t kKlmMovieAspectTitle = 0;
inline constexpr int32_t kKlmMovieAspectGame = 1;
inline constexpr int32_t kKlmMovieAspectOwn = 2;

struct KlmSize {
    int32_t w = 0, h = 0;
    bool empty() const { return w <= 0 || h <= 0; }
    bool operator==(const KlmSize&) const = default;
};

// A rectangle by its edges (right and bottom exclusive), as the picture
// rectangle is kept.
struct KlmEdges {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const KlmEdges&) const = default;
};

// Reads a picture's size (native path); an unreadable picture gives {0, 0}.
using KlmPictureSizer = std::function<KlmSize(const std::string& path)>;
// Tells whether a file exists (native path). The default asks the disk.
using KlmFileProbe = std::function<bool(const std::string& path)>;

// Native path of a game's file in folder: folder, "/", the number text
// (CP932, as written in data.dat) and suffix. Empty when the number text is
// empty, cannot be converted, or holds "/", "\" or ".." (it would name a
// file outside folder).
std::string klmGameFilePath(const std::string& folder, const GameRecord& game, const char* suffix);
// image/<number>a.png (title) or image/<number>b.png (game snapshot).
std::string klmSnapshotPath(const AppPaths& paths, const GameRecord& game, bool gameSnapshot);
// movie/<number>.avi.
std::string klmMovieFilePath(const AppPaths& paths, const GameRecord& game);

// A skin's frame path (CP932, as stored) as a native path; a relative one is
// taken from the base folder, so a folder can carry its own skins.
std::string klmSkinFramePath(const AppPaths& paths, std::string_view cp932Path);

// Aspect fit of content (cw × ch) into slot: as wide as the slot with the
// height truncated and centred, or as tall with the width truncated and
// centred. Empty content or an empty slot gives the slot itself.
KlmRect klmAspectFit(int64_t cw, int64_t ch, const KlmRect& slot);

// One of the three rounding rules of a skin's rectangle (0 up, 1 half up,
// 2 down); an unknown method rounds down.
int32_t klmRoundSkinValue(double v, int32_t method);

// Where a skin's snapshot rectangle lands in a pane of paneW × paneH that
// shows its frame of frameW × frameH: position by the position method, size
// by the size method with the position's fractions carried into it. An
// empty frame gives an empty rectangle.
KlmRect klmScaleSkinRect(const SnapSkin& skin, KlmSize frame, KlmSize pane);

// What the pane layout reads besides the catalogue.
struct KlmPaneState {
    int32_t selected = kKlmNoSelection;
    bool firstPaneToggle = false;  // the first pane shows the game snapshot
    int32_t movieAspect = kKlmMovieAspectTitle;
    KlmSize movieSource;           // the open movie's own size
    bool movieVisible = false;     // kind 2 is laid out only while it shows
};

enum class KlmPictureSource { NoList, Snapshot, NoPicture, None };

struct KlmPictureChoice {
    std::string path;  // native; empty for None (nothing inside the frame)
    KlmPictureSource source = KlmPictureSource::None;
    int32_t snapKind = kKlmSnapTitle;  // the skin kind to look up
};

// Step one of a pane's layout: nolist with no game; else the title or game
// snapshot by kind, toggle and movie aspect (nothing for the movie's own
// aspect); a missing snapshot becomes nopicture.
KlmPictureChoice klmChoosePanePicture(const AppPaths& paths, const Catalogue& cat, const KlmPaneState& state,
                                      int kind, const KlmFileProbe& exists = {});

struct KlmPaneLayout {
    bool skipped = false;     // kind 2 while the movie is hidden: nothing changes
    std::string picturePath;  // native; empty draws nothing inside the frame
    std::string framePath;    // native
    const SnapSkin* skin = nullptr;  // null: the default frame
    KlmRect pane;             // the pane in the caller's (main window's) coordinates
    KlmEdges picture;         // kinds 0 and 1: in the pane's coordinates
    KlmRect movie;            // kind 2: the movie inside the pane
};

// The whole layout of one pane in slot. skins null means there is no skin
// table: the default frame with a border of 1.
KlmPaneLayout klmLayoutPane(const AppPaths& paths, const Catalogue& cat, const SkinTable* skins,
                            const KlmPaneState& state, int kind, const KlmRect& slot, const KlmPictureSizer& size,
                            const KlmFileProbe& exists = {});

// A left click on the first pane swaps title and game snapshot only with a
// game selected, the movie display on and a movie for the game.
bool klmFirstPaneClickSwaps(const Catalogue& cat, int32_t selected, bool showMovie);

// The second pane leaves the inside of its frame to the movie while one is
// shown.
inline bool klmSecondPaneDrawsPicture(bool movieVisible) { return !movieVisible; }

// The icon pane's three icons (hardware, software/board, genre) for a game:
// icon/h<n>.ico, icon/s<n>.ico, icon/g<n>.ico by the image numbers of its
// entries. A part is empty when the entry is unknown or has no image
// number; all are empty without a game or with the pane switched off.
struct KlmInfoIcons {
    std::string hardware, software, genre;
};
inline constexpr int kKlmInfoIconSize = 32;
inline constexpr int kKlmInfoIconStep = 35;  // x of icon i is i × 35
KlmInfoIcons klmInfoIconPaths(const AppPaths& paths, const Catalogue& cat, int32_t selected, bool shown);
