#include "ui/window_rules.h"

#include <algorithm>

#include "ui/command_ids.h"
#include "ui/fonts_colours.h"

int32_t klmClampVolume(int32_t volume) { return std::clamp(volume, 0, 100); }
int32_t klmClampSpeed(int32_t speed) { return std::clamp(speed, 600, 2000); }

bool klmMovieTransportCommand(Settings& s, int32_t command)
{
    switch (command) {
    case kKlmCmdVolumeUp: s.volume += 5; s.mute = 0; break;
    case kKlmCmdVolumeDown: s.volume -= 5; s.mute = 0; break;
    case kKlmCmdVolumeStandard: s.volume = 30; s.mute = 0; break;
    case kKlmCmdMute: s.mute = s.mute ? 0 : 1; break;
    case kKlmCmdFaster: s.speed += 100; break;
    case kKlmCmdSlower: s.speed -= 100; break;
    case kKlmCmdSpeedNormal: s.speed = 1000; break;
    default: return false;
    }
    s.volume = klmClampVolume(s.volume);
    s.speed = klmClampSpeed(s.speed);
    return true;
}

int32_t klmWheelSelectRow(int32_t row, int32_t notches, int32_t count)
{
    if (count <= 0) return -1;
    return std::clamp<int64_t>(int64_t{row} - notches, 0, count - 1);
}

int32_t klmOwnershipColour(const Settings& s, int32_t status)
{
    const KlmStateColour state = status == kKlmOwned             ? KlmStateColour::Owned
                                 : status == kKlmOwnedNotRenamed ? KlmStateColour::NotRenamed
                                                                 : KlmStateColour::NotOwned;
    return klmStateColour(s, state);
}

int32_t klmAutoSelectNext(int32_t order, int32_t current, int32_t count, uint32_t random)
{
    if (count < 2) return -1;
    switch (order) {
    case 1: return (current + count - 1) % count;
    case 2: {
        int32_t r = static_cast<int32_t>(random % static_cast<uint32_t>(count));
        return r == current ? (current + 1) % count : r;
    }
    default: return (current + 1) % count;
    }
}

int klmStatusPartWidth(int32_t item)
{
    static constexpr int kWidths[8] = {80, 80, 80, 130, 165, 155, 170, 130};
    return item >= 0 && item < 8 ? kWidths[item] : 80;
}

KlmVolumeGeometry klmVolumeGeometry(int left, int h)
{
    KlmVolumeGeometry g;
    const int bodyH = std::max(h / 3, 3);
    const int coneW = std::max(h / 6, 2);
    const int mid = h / 2;
    g.body = {left + 5, mid - bodyH / 2, coneW, bodyH};
    // The cone opens to two thirds of the part's height.
    const int coneH = std::max(h * 2 / 3, bodyH + 2);
    g.cone = {g.body.x + g.body.w, mid - coneH / 2, coneW, coneH};
    g.arcX = g.cone.x + g.cone.w;
    g.arcY = mid;
    g.speaker = {g.body.x, g.cone.y, g.body.w + g.cone.w, g.cone.h};
    // Bars after the widest arc (radius 12); 3-pixel pitch.
    const int firstBar = g.arcX + 14;
    const int top = 2, bottom = h - 4;
    for (int i = 0; i < kKlmVolumeBars; ++i) {
        g.bars[i] = {firstBar + 3 * i, top, 2, std::max(bottom - top, 1)};
        g.barHits[i] = {firstBar + 3 * i, 0, 3, h};
    }
    g.textX = g.body.x + g.body.w + 84;
    return g;
}

int32_t klmVolumeBarAt(const KlmVolumeGeometry& g, int x, int y)
{
    for (int i = 0; i < kKlmVolumeBars; ++i)
        if (g.barHits[i].contains(x, y)) return 5 * i;
    return -1;
}

KlmBox klmSwatchBox(int left, int h)
{
    const int side = std::max(h - 8, 1);
    return {left + 4, 4, side, side};
}

int32_t klmToolbarCommand(int i)
{
    static constexpr int32_t kCommands[kKlmToolbarButtons] = {
        kKlmCmdTitleMode, kKlmCmdWheelSelect, kKlmCmdAutoSelect, kKlmCmdShowOwned, kKlmCmdShowNotRenamed,
        kKlmCmdShowNotOwned, kKlmCmdShowLaterDisks, kKlmCmdFavoritesOnly,
        kKlmCmdSearchTitle, kKlmCmdSearchHardware, kKlmCmdSearchSoftware, kKlmCmdSearchDeveloper,
        kKlmCmdSearchPublisher, kKlmCmdSearchGenre, kKlmCmdSearchScreen, kKlmCmdSearchYear, kKlmCmdSearchPrice,
        kKlmCmdSearchRomSize,
        kKlmCmdResetAll, kKlmCmdResetText, kKlmCmdResetHardware, kKlmCmdResetSoftware, kKlmCmdResetDeveloper,
        kKlmCmdResetPublisher, kKlmCmdResetGenre, kKlmCmdResetScreen, kKlmCmdResetYear, kKlmCmdResetPrice,
        kKlmCmdResetRomSize,
        kKlmCmdPlay, kKlmCmdPause, kKlmCmdMute, kKlmCmdVolumeUp, kKlmCmdVolumeDown, kKlmCmdVolumeStandard,
        kKlmCmdFaster, kKlmCmdSlower, kKlmCmdSpeedNormal, kKlmCmdShowMovie, kKlmCmdLoop};
    return i >= 0 && i < kKlmToolbarButtons ? kCommands[i] : 0;
}

bool klmToolbarGroupStart(int i)
{
    // Title order | wheel | auto-selection | filters | search | resets |
    // play, pause | volume | speed | movie, loop.
    switch (i) {
    case 1: case 2: case 3: case 8: case 18: case 29: case 31: case 35: case 38: return true;
    default: return false;
    }
}

int32_t klmFocusRingMember(int i)
{
    static constexpr int32_t kRing[kKlmFocusRingSize] = {1001, 1003, 1011, 1004, 1005, 1006, 1007,
                                                        1008, 1009, 1013, 1014, 1015, 1016};
    return i >= 0 && i < kKlmFocusRingSize ? kRing[i] : 0;
}

int32_t klmFocusRingNext(int32_t current, bool forward)
{
    for (int i = 0; i < kKlmFocusRingSize; ++i) {
        if (klmFocusRingMember(i) != current) continue;
        const int next = forward ? (i + 1) % kKlmFocusRingSize : (i + kKlmFocusRingSize - 1) % kKlmFocusRingSize;
        return klmFocusRingMember(next);
    }
    return 1003;
}
