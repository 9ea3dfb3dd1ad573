#include "media/panes.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "catalogue/app_paths.h"
#include "text/cp932.h"
#include "text/file_io.h"

namespace {

// Truncation toward zero into the 32-bit range (a NaN gives 0).
int32_t truncToInt(double v)
{
    if (!(v == v))
        return 0;
    if (v >= static_cast<double>(std::numeric_limits<int32_t>::max()))
        return std::numeric_limits<int32_t>::max();
    if (v <= static_cast<double>(std::numeric_limits<int32_t>::min()))
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(v);
}

const GameRecord* gameAt(const Catalogue& cat, int32_t index)
{
    if (index < 0 || static_cast<size_t>(index) >= cat.games.size())
        return nullptr;
    return &cat.games[static_cast<size_t>(index)];
}

const MasterEntry* entryAt(const std::vector<MasterEntry>& table, int32_t index)
{
    if (index < 0 || static_cast<size_t>(index) >= table.size())
        return nullptr;
    return &table[static_cast<size_t>(index)];
}

bool probe(const KlmFileProbe& exists, const std::string& path)
{
    return exists ? exists(path) : klmFileExists(path);
}

KlmEdges edgesOf(const KlmRect& r) { return {r.x, r.y, r.x + r.w, r.y + r.h}; }

void defaultFrameLayout(KlmPaneLayout& out, int kind, const KlmRect& slot, bool keepAspect, KlmSize picture,
                        int32_t fw)
{
    out.pane = keepAspect && !picture.empty()
                   ? klmAspectFit(int64_t{picture.w} + fw, int64_t{picture.h} + fw, slot)
                   : slot;
    if (kind == kKlmPaneMovie)
        out.movie = {fw, fw, std::max(out.pane.w - 2 * fw, 0), std::max(out.pane.h - 2 * fw, 0)};
    else
        out.picture = {fw, fw, std::max(out.pane.w - fw, fw), std::max(out.pane.h - fw, fw)};
}

}  // namespace

std::string klmGameFilePath(const std::string& folder, const GameRecord& game, const char* suffix)
{
    const std::string_view number = klmField(game.imageNumberText);
    if (number.empty())
        return {};
    bool ok = true;
    // Checked after conversion: UTF-8 has no ASCII bytes inside a
    // character, so "/" and "\" here are real separators.
    const std::string native = klmToUtf8(number, &ok);
    if (!ok || native.find('/') != std::string::npos || native.find('\\') != std::string::npos ||
        native.find("..") != std::string::npos)
        return {};
    return folder + "/" + native + suffix;
}

std::string klmSnapshotPath(const AppPaths& paths, const GameRecord& game, bool gameSnapshot)
{
    return klmGameFilePath(paths.imageDir, game, gameSnapshot ? "b.png" : "a.png");
}

std::string klmMovieFilePath(const AppPaths& paths, const GameRecord& game)
{
    return klmGameFilePath(paths.movieDir, game, ".avi");
}

std::string klmSkinFramePath(const AppPaths& paths, std::string_view cp932Path)
{
    const std::string native = klmToUtf8(cp932Path);
    if (native.empty() || native.front() == '/')
        return native;
    return paths.base + "/" + native;
}

KlmRect klmAspectFit(int64_t cw, int64_t ch, const KlmRect& slot)
{
    if (cw <= 0 || ch <= 0 || slot.w <= 0 || slot.h <= 0)
        return slot;
    const double r = static_cast<double>(cw) / static_cast<double>(ch);
    if (static_cast<double>(slot.w) / static_cast<double>(slot.h) <= r) {
        const int32_t h = truncToInt(slot.w / r);
        return {slot.x, slot.y + (slot.h - h) / 2, slot.w, h};
    }
    const int32_t w = truncToInt(slot.h * r);
    return {slot.x + (slot.w - w) / 2, slot.y, w, slot.h};
}

int32_t klmRoundSkinValue(double v, int32_t method)
{
    switch (method) {
    case kKlmRoundUp: return truncToInt(v + 0.99999);
    case kKlmRoundHalf: return truncToInt(v + 0.5);
    default: return truncToInt(v);
    }
}

KlmRect klmScaleSkinRect(const SnapSkin& skin, KlmSize frame, KlmSize pane)
{
    if (frame.empty())
        return {};
    const double sx = static_cast<double>(pane.w) / frame.w;
    const double sy = static_cast<double>(pane.h) / frame.h;
    const double x = skin.x * sx;
    const double y = skin.y * sy;
    const double fx = x - std::trunc(x);
    const double fy = y - std::trunc(y);
    return {klmRoundSkinValue(x, skin.positionMethod), klmRoundSkinValue(y, skin.positionMethod),
            klmRoundSkinValue(skin.width * sx + fx, skin.sizeMethod),
            klmRoundSkinValue(skin.height * sy + fy, skin.sizeMethod)};
}

KlmPictureChoice klmChoosePanePicture(const AppPaths& paths, const Catalogue& cat, const KlmPaneState& state,
                                      int kind, const KlmFileProbe& exists)
{
    KlmPictureChoice c;
    const GameRecord* game = gameAt(cat, state.selected);
    if (!game) {
        c.path = paths.noListPng;
        c.source = KlmPictureSource::NoList;
        return c;
    }
    bool gameSnapshot = false;
    switch (kind) {
    case kKlmPaneFirst:
        gameSnapshot = state.firstPaneToggle;
        c.snapKind = gameSnapshot ? kKlmSnapGame : kKlmSnapTitle;
        break;
    case kKlmPaneSecond:
        gameSnapshot = true;
        c.snapKind = kKlmSnapGame;
        break;
    default:
        c.snapKind = kKlmSnapMovie;
        if (state.movieAspect == kKlmMovieAspectOwn) {
            c.source = KlmPictureSource::None;
            return c;
        }
        gameSnapshot = state.movieAspect == kKlmMovieAspectGame;
        break;
    }
    const std::string snapshot = klmSnapshotPath(paths, *game, gameSnapshot);
    if (!snapshot.empty() && probe(exists, snapshot)) {
        c.path = snapshot;
        c.source = KlmPictureSource::Snapshot;
    } else {
        c.path = paths.noPicturePng;
        c.source = KlmPictureSource::NoPicture;
    }
    return c;
}

KlmPaneLayout klmLayoutPane(const AppPaths& paths, const Catalogue& cat, const SkinTable* skins,
                            const KlmPaneState& state, int kind, const KlmRect& slot, const KlmPictureSizer& size,
                            const KlmFileProbe& exists)
{
    KlmPaneLayout out;
    if (kind == kKlmPaneMovie && !state.movieVisible) {
        out.skipped = true;
        return out;
    }
    const KlmPictureChoice choice = klmChoosePanePicture(paths, cat, state, kind, exists);
    out.picturePath = choice.path;
    KlmSize picture;
    if (choice.source == KlmPictureSource::None)
        picture = state.movieSource;
    else if (choice.source != KlmPictureSource::NoList && size)
        picture = size(choice.path);

    const GameRecord* game = gameAt(cat, state.selected);
    out.framePath = paths.framePng;
    if (skins && !skins->alwaysDefault && game && choice.source != KlmPictureSource::NoList) {
        const SnapSkin* skin =
            klmLookupSnapSkin(*skins, cat, game->hardware, choice.snapKind, picture.w, picture.h);
        const std::string framePath = skin ? klmSkinFramePath(paths, klmField(skin->framePath)) : std::string();
        // A frame that is gone, or that cannot be read, shows as the default one.
        const KlmSize frame = skin && probe(exists, framePath) && size ? size(framePath) : KlmSize{};
        if (!frame.empty()) {
            out.skin = skin;
            out.framePath = framePath;
            out.pane = klmAspectFit(frame.w, frame.h, slot);
            const KlmRect r = klmScaleSkinRect(*skin, frame, {out.pane.w, out.pane.h});
            if (kind == kKlmPaneMovie)
                out.movie = r;
            else
                out.picture = edgesOf(r);
            return out;
        }
    }
    const MasterEntry* hw = game ? entryAt(cat.hardware, game->hardware) : nullptr;
    const int32_t fw = skins ? std::clamp(skins->frameWidth, kKlmMinFrameWidth, kKlmMaxFrameWidth) : 1;
    defaultFrameLayout(out, kind, slot, hw && hw->aspect != 0, picture, fw);
    return out;
}

bool klmFirstPaneClickSwaps(const Catalogue& cat, int32_t selected, bool showMovie)
{
    const GameRecord* game = gameAt(cat, selected);
    return game && showMovie && game->hasMovie == 1;
}

KlmInfoIcons klmInfoIconPaths(const AppPaths& paths, const Catalogue& cat, int32_t selected, bool shown)
{
    KlmInfoIcons icons;
    const GameRecord* game = gameAt(cat, selected);
    if (!game || !shown)
        return icons;
    const auto path = [&paths](const MasterEntry* e, char prefix) {
        if (!e || e->imageNumber < 0)
            return std::string();
        return paths.iconDir + "/" + prefix + std::to_string(e->imageNumber) + ".ico";
    };
    icons.hardware = path(entryAt(cat.hardware, game->hardware), 'h');
    icons.software = path(entryAt(cat.software, game->software), 's');
    icons.genre = path(entryAt(cat.genre, game->genre), 'g');
    return icons;
}
