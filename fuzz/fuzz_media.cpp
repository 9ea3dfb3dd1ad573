// Feeds arbitrary numbers and names to the pane geometry and the media
// name rules: the aspect fit, a skin's scaled rectangle, the whole pane
// layout (with sizes and skin rectangles from the input), the frame
// file-name convention and the movie file numbers. None may crash or
// overflow, a fitted pane never leaves its slot, and a game's file never
// lies outside its folder.
#include "catalogue/app_paths.h"
#include "media/movie_scan.h"
#include "media/panes.h"
#include "media/skin_edit.h"
#include "text/cp932.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace {

void check(bool ok)
{
    if (!ok)
        __builtin_trap();
}

struct Input {
    const uint8_t* data;
    size_t size;
    int32_t i32()
    {
        int32_t v = 0;
        const size_t n = size < 4 ? size : 4;
        std::memcpy(&v, data, n);
        data += n;
        size -= n;
        return v;
    }
    std::string text(size_t most)
    {
        const size_t n = size < most ? size : most;
        std::string s(reinterpret_cast<const char*>(data), n);
        data += n;
        size -= n;
        return s;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Input in{data, size};
    const int32_t cw = in.i32(), ch = in.i32();
    const KlmRect slot{in.i32() % 100000, in.i32() % 100000, in.i32() % 20000, in.i32() % 20000};
    const KlmRect fit = klmAspectFit(cw, ch, slot);
    if (cw > 0 && ch > 0 && slot.w > 0 && slot.h > 0) {
        check(fit.w >= 0 && fit.h >= 0 && fit.w <= slot.w && fit.h <= slot.h);
        check(fit.x >= slot.x && fit.y >= slot.y);
    } else {
        check(fit == slot);
    }

    SnapSkin skin = klmNewSnapSkin();
    klmCopyField(skin.framePath, "/f.png");
    skin.x = in.i32();
    skin.y = in.i32();
    skin.width = in.i32();
    skin.height = in.i32();
    skin.positionMethod = in.i32();
    skin.sizeMethod = in.i32();
    const KlmSize frame{in.i32(), in.i32()};
    klmScaleSkinRect(skin, frame, {fit.w, fit.h});

    // One game, one hardware of either skin mode, the skin selected in
    // every slot; sizes for every file from the input.
    AppPaths paths;
    klmBuildAppPaths(paths, "/base");
    Catalogue cat;
    MasterEntry hw{};
    hw.aspect = in.i32() & 1;
    hw.skin = 1 + (in.i32() & 1);
    cat.hardware = {hw};
    cat.games.resize(1);
    GameRecord& g = cat.games[0];
    g = GameRecord{};
    klmCopyField(g.imageNumberText, in.text(15));
    SkinTable table;
    klmBuildSkinTable(table, cat);
    table.frameWidth = 1 + (in.i32() & 15);
    for (SkinSlot& s : table.slots) {
        s.skins[0] = skin;
        s.count = 1;
        s.selected = 0;
    }
    const KlmSize picture{in.i32(), in.i32()};
    KlmPaneState st;
    st.selected = 0;
    st.movieVisible = true;
    st.movieAspect = in.i32() & 3;
    st.movieSource = picture;
    const auto sizer = [&](const std::string& p) { return p == "/f.png" ? frame : picture; };
    const auto exists = [](const std::string&) { return true; };
    for (int kind = 0; kind < 3; ++kind) {
        const KlmPaneLayout l = klmLayoutPane(paths, cat, &table, st, kind, slot, sizer, exists);
        check(l.picturePath.empty() || l.picturePath.rfind("/base/", 0) == 0);
        check(l.picturePath.find("..") == std::string::npos);
    }

    const std::string name = in.text(64);
    klmSkinRectFromFileName(name);
    int32_t number = 0;
    klmMovieFileNumber(name, number);
    return 0;
}
