// The picture panes' rules: the picture and frame choice, the aspect fit,
// the default-frame and skinned layouts, the icon paths.
#include "catalogue/app_paths.h"
#include "media/movie_info.h"
#include "media/panes.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

namespace {

MasterEntry hardware(int32_t aspect, int32_t skinMode, int32_t imageNumber = 1)
{
    MasterEntry e{};
    e.aspect = aspect;
    e.skin = skinMode;
    e.imageNumber = imageNumber;
    klmCopyField(e.name, "hw");
    return e;
}

SnapSkin skin(const char* frame, int32_t x, int32_t y, int32_t w, int32_t h, int32_t pos, int32_t size)
{
    SnapSkin s = klmNewSnapSkin();
    klmCopyField(s.name, "tv");
    klmCopyField(s.framePath, frame);
    s.x = x;
    s.y = y;
    s.width = w;
    s.height = h;
    s.positionMethod = pos;
    s.sizeMethod = size;
    return s;
}

// A folder layout, one game "0001" of hardware 0, and files that exist only
// in `files` with the sizes in `sizes`.
struct PaneFixture : ::testing::Test {
    AppPaths paths;
    Catalogue cat;
    SkinTable skins;
    std::set<std::string> files;
    std::map<std::string, KlmSize> sizes;
    KlmPaneState state;

    void SetUp() override
    {
        klmBuildAppPaths(paths, "/base");
        cat.hardware = {hardware(1, 1)};
        cat.games.resize(1);
        GameRecord& g = cat.games[0];
        g = GameRecord{};
        klmCopyField(g.imageNumberText, "0001");
        g.imageNumber = 1;
        klmBuildSkinTable(skins, cat);
        state.selected = 0;
    }
    void addFile(const std::string& path, KlmSize size)
    {
        files.insert(path);
        sizes[path] = size;
    }
    KlmPaneLayout layout(int kind, KlmRect slot, const SkinTable* table)
    {
        return klmLayoutPane(paths, cat, table, state, kind, slot,
                             [this](const std::string& p) { return sizes.count(p) ? sizes[p] : KlmSize{}; },
                             [this](const std::string& p) { return files.count(p) > 0; });
    }
    KlmPaneLayout layout(int kind, KlmRect slot) { return layout(kind, slot, &skins); }
    // Selects skin s in the slot of this kind (orientation 0).
    void useSkin(int32_t kind, const SnapSkin& s)
    {
        SkinSlot& slot = skins.slots[static_cast<size_t>(kind)];
        slot.skins[0] = s;
        slot.count = 1;
        slot.selected = 0;
    }
};

}  // namespace

TEST(MediaPanes, AspectFitCentresTheTruncatedSide)
{
    struct Case {
        int64_t cw, ch;
        KlmRect slot, want;
    } cases[] = {
        {323, 243, {0, 0, 400, 400}, {0, 50, 400, 300}},     // wide content: full width
        {224, 288, {0, 0, 400, 400}, {44, 0, 311, 400}},     // tall content: full height
        {400, 300, {0, 0, 250, 250}, {0, 31, 250, 187}},
        {4, 3, {10, 20, 400, 300}, {10, 20, 400, 300}},      // same shape
        {0, 240, {5, 5, 100, 100}, {5, 5, 100, 100}},        // no size: the slot
        {320, 0, {5, 5, 100, 100}, {5, 5, 100, 100}},
        {320, 240, {0, 0, 0, 0}, {0, 0, 0, 0}},              // no slot
        {2147483647, 1, {0, 0, 400, 400}, {0, 200, 400, 0}}, // extreme shapes stay in range
    };
    for (const Case& c : cases)
        EXPECT_EQ(klmAspectFit(c.cw, c.ch, c.slot), c.want) << c.cw << "x" << c.ch;
}

TEST(MediaPanes, RoundingRulesTruncateTowardZero)
{
    struct Case {
        double v;
        int32_t up, half, down;
    } cases[] = {
        {18.7, 19, 19, 18}, {150.3, 151, 150, 150}, {2.0, 2, 2, 2}, {0.4, 1, 0, 0},
        {-1.5, 0, -1, -1}, {1e12, INT32_MAX, INT32_MAX, INT32_MAX},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(klmRoundSkinValue(c.v, kKlmRoundUp), c.up) << c.v;
        EXPECT_EQ(klmRoundSkinValue(c.v, kKlmRoundHalf), c.half) << c.v;
        EXPECT_EQ(klmRoundSkinValue(c.v, kKlmRoundDown), c.down) << c.v;
    }
    EXPECT_EQ(klmRoundSkinValue(18.7, 7), 18);  // an unknown method rounds down
}

TEST(MediaPanes, SkinRectCarriesThePositionFractionIntoTheSize)
{
    // Frame 400×300 shown at 250×187: y = 18.7, its 0.7 goes into the height.
    SnapSkin s = skin("f.png", 40, 30, 320, 240, kKlmRoundDown, kKlmRoundUp);
    EXPECT_EQ(klmScaleSkinRect(s, {400, 300}, {250, 187}), (KlmRect{25, 18, 200, 151}));
    s.positionMethod = kKlmRoundUp;
    EXPECT_EQ(klmScaleSkinRect(s, {400, 300}, {250, 187}).y, 19);
    EXPECT_EQ(klmScaleSkinRect(s, {0, 300}, {250, 187}), KlmRect{});
}

TEST_F(PaneFixture, DefaultFrameKeepsTheHardwareAspect)
{
    skins.frameWidth = 3;
    addFile("/base/image/0001a.png", {320, 240});
    KlmPaneLayout l = layout(kKlmPaneFirst, {0, 0, 400, 400});
    EXPECT_EQ(l.picturePath, "/base/image/0001a.png");
    EXPECT_EQ(l.framePath, paths.framePng);
    EXPECT_EQ(l.skin, nullptr);
    EXPECT_EQ(l.pane, (KlmRect{0, 50, 400, 300}));
    EXPECT_EQ(l.picture, (KlmEdges{3, 3, 397, 297}));

    // Without the aspect flag the picture is stretched over the slot.
    cat.hardware[0].aspect = 0;
    l = layout(kKlmPaneFirst, {0, 0, 400, 400});
    EXPECT_EQ(l.pane, (KlmRect{0, 0, 400, 400}));
    EXPECT_EQ(l.picture, (KlmEdges{3, 3, 397, 397}));
}

TEST_F(PaneFixture, UnreadablePictureIsStretchedNotDividedByZero)
{
    skins.frameWidth = 3;
    addFile("/base/image/0001a.png", {0, 0});
    KlmPaneLayout l = layout(kKlmPaneFirst, {10, 10, 300, 200});
    EXPECT_EQ(l.pane, (KlmRect{10, 10, 300, 200}));
    EXPECT_EQ(l.picture, (KlmEdges{3, 3, 297, 197}));
    // A frame wider than the pane never turns the picture rectangle inside out.
    skins.frameWidth = 20;
    l = layout(kKlmPaneFirst, {0, 0, 30, 30});
    EXPECT_LE(l.picture.left, l.picture.right);
    EXPECT_LE(l.picture.top, l.picture.bottom);
}

TEST_F(PaneFixture, NoSelectionShowsNoListInTheDefaultFrame)
{
    state.selected = kKlmNoSelection;
    useSkin(kKlmSnapTitle, skin("/skins/tv.png", 0, 0, 10, 10, 2, 0));
    addFile("/skins/tv.png", {100, 100});
    for (int kind : {kKlmPaneFirst, kKlmPaneSecond}) {
        KlmPaneLayout l = layout(kind, {0, 0, 300, 100});
        EXPECT_EQ(l.picturePath, paths.noListPng);
        EXPECT_EQ(l.framePath, paths.framePng);
        EXPECT_EQ(l.pane, (KlmRect{0, 0, 300, 100}));
    }
    // No skin table at all: the default frame, one pixel wide.
    state.selected = 0;
    KlmPaneLayout l = layout(kKlmPaneSecond, {0, 0, 300, 100}, nullptr);
    EXPECT_EQ(l.picturePath, paths.noPicturePng);
    EXPECT_EQ(l.picture, (KlmEdges{1, 1, 299, 99}));
}

TEST_F(PaneFixture, PictureChoiceFollowsKindToggleAndMovieAspect)
{
    addFile("/base/image/0001a.png", {320, 240});
    addFile("/base/image/0001b.png", {320, 240});
    const auto exists = [this](const std::string& p) { return files.count(p) > 0; };
    struct Case {
        int kind;
        bool toggle;
        int32_t aspect;
        const char* path;
        KlmPictureSource source;
        int32_t snapKind;
    } cases[] = {
        {kKlmPaneFirst, false, 0, "/base/image/0001a.png", KlmPictureSource::Snapshot, kKlmSnapTitle},
        {kKlmPaneFirst, true, 0, "/base/image/0001b.png", KlmPictureSource::Snapshot, kKlmSnapGame},
        {kKlmPaneSecond, true, 0, "/base/image/0001b.png", KlmPictureSource::Snapshot, kKlmSnapGame},
        {kKlmPaneMovie, false, kKlmMovieAspectTitle, "/base/image/0001a.png", KlmPictureSource::Snapshot, kKlmSnapMovie},
        {kKlmPaneMovie, true, kKlmMovieAspectGame, "/base/image/0001b.png", KlmPictureSource::Snapshot, kKlmSnapMovie},
        {kKlmPaneMovie, false, kKlmMovieAspectOwn, "", KlmPictureSource::None, kKlmSnapMovie},
    };
    for (const Case& c : cases) {
        state.firstPaneToggle = c.toggle;
        state.movieAspect = c.aspect;
        KlmPictureChoice p = klmChoosePanePicture(paths, cat, state, c.kind, exists);
        EXPECT_EQ(p.path, c.path) << c.kind << c.toggle << c.aspect;
        EXPECT_EQ(p.source, c.source);
        EXPECT_EQ(p.snapKind, c.snapKind);
    }
    files.clear();
    state.firstPaneToggle = false;
    EXPECT_EQ(klmChoosePanePicture(paths, cat, state, kKlmPaneFirst, exists).path, paths.noPicturePng);
}

TEST_F(PaneFixture, NumberTextNeverLeavesTheImageFolder)
{
    const auto exists = [](const std::string&) { return true; };
    for (const char* hostile : {"../0001", "..", "a/b", "12\\3", "", "0001/../../etc/passwd"}) {
        klmCopyField(cat.games[0].imageNumberText, hostile);
        EXPECT_EQ(klmSnapshotPath(paths, cat.games[0], false), "") << hostile;
        EXPECT_EQ(klmMovieFilePath(paths, cat.games[0]), "") << hostile;
        EXPECT_EQ(klmChoosePanePicture(paths, cat, state, kKlmPaneFirst, exists).source, KlmPictureSource::NoPicture);
    }
    // The trail byte of ソ is 0x5C but no separator: the name stays whole.
    klmCopyField(cat.games[0].imageNumberText, sj("ソ1"));
    EXPECT_EQ(klmSnapshotPath(paths, cat.games[0], true), "/base/image/ソ1b.png");
    klmCopyField(cat.games[0].imageNumberText, "00123");
    EXPECT_EQ(klmMovieFilePath(paths, cat.games[0]), "/base/movie/00123.avi");
}

TEST_F(PaneFixture, SkinnedLayoutFitsTheFrameAndScalesItsRectangle)
{
    addFile("/base/image/0001a.png", {320, 240});
    addFile("/skins/tv.png", {400, 300});
    useSkin(kKlmSnapTitle, skin("/skins/tv.png", 40, 30, 320, 240, kKlmRoundDown, kKlmRoundUp));
    KlmPaneLayout l = layout(kKlmPaneFirst, {0, 0, 250, 250});
    ASSERT_NE(l.skin, nullptr);
    EXPECT_EQ(l.framePath, "/skins/tv.png");
    EXPECT_EQ(l.pane, (KlmRect{0, 31, 250, 187}));
    EXPECT_EQ(l.picture, (KlmEdges{25, 18, 225, 169}));

    skins.slots[0].skins[0].positionMethod = kKlmRoundUp;
    EXPECT_EQ(layout(kKlmPaneFirst, {0, 0, 250, 250}).picture.top, 19);

    // The hardware's aspect flag plays no part in a skinned pane.
    cat.hardware[0].aspect = 0;
    EXPECT_EQ(layout(kKlmPaneFirst, {0, 0, 250, 250}).pane, (KlmRect{0, 31, 250, 187}));

    // The toggle switches the first pane to the game-snapshot slot, which has no skin.
    state.firstPaneToggle = true;
    EXPECT_EQ(layout(kKlmPaneFirst, {0, 0, 250, 250}).skin, nullptr);
}

TEST_F(PaneFixture, UnusableSkinFramesFallBackToTheDefaultFrame)
{
    addFile("/base/image/0001a.png", {320, 240});
    useSkin(kKlmSnapTitle, skin("/skins/gone.png", 40, 30, 320, 240, 2, 0));
    EXPECT_EQ(layout(kKlmPaneFirst, {0, 0, 250, 250}).framePath, paths.framePng);  // missing file

    addFile("/skins/empty.png", {0, 0});
    useSkin(kKlmSnapTitle, skin("/skins/empty.png", 40, 30, 320, 240, 2, 0));
    KlmPaneLayout l = layout(kKlmPaneFirst, {0, 0, 250, 250});
    EXPECT_EQ(l.framePath, paths.framePng);  // unreadable: no division by its size
    EXPECT_EQ(l.skin, nullptr);
    EXPECT_EQ(l.pane, (KlmRect{0, 31, 250, 187}));  // the default frame keeps the aspect

    addFile("/skins/tv.png", {400, 300});
    useSkin(kKlmSnapTitle, skin("/skins/tv.png", 40, 30, 320, 240, 2, 0));
    skins.alwaysDefault = 1;
    EXPECT_EQ(layout(kKlmPaneFirst, {0, 0, 250, 250}).framePath, paths.framePng);
}

TEST_F(PaneFixture, RelativeSkinFramesComeFromTheBaseFolder)
{
    addFile("/base/image/0001a.png", {320, 240});
    addFile("/base/skin/tv.png", {400, 300});
    useSkin(kKlmSnapTitle, skin("skin/tv.png", 40, 30, 320, 240, 2, 0));
    EXPECT_EQ(layout(kKlmPaneFirst, {0, 0, 250, 250}).framePath, "/base/skin/tv.png");
}

TEST_F(PaneFixture, PortraitPicturesUseThePortraitSlots)
{
    cat.hardware[0].skin = 2;
    klmBuildSkinTable(skins, cat);  // rows: landscape (slots 0-2), portrait (3-5)
    addFile("/skins/wide.png", {400, 300});
    addFile("/skins/tall.png", {300, 400});
    skins.slots[1].skins[0] = skin("/skins/wide.png", 0, 0, 400, 300, 2, 0);
    skins.slots[1].count = 1;
    skins.slots[1].selected = 0;
    skins.slots[4].skins[0] = skin("/skins/tall.png", 0, 0, 300, 400, 2, 0);
    skins.slots[4].count = 1;
    skins.slots[4].selected = 0;
    addFile("/base/image/0001b.png", {224, 288});
    EXPECT_EQ(layout(kKlmPaneSecond, {0, 0, 400, 400}).framePath, "/skins/tall.png");
    sizes["/base/image/0001b.png"] = {320, 240};
    EXPECT_EQ(layout(kKlmPaneSecond, {0, 0, 400, 400}).framePath, "/skins/wide.png");
    cat.hardware[0].skin = 0;  // skin mode 0 never shows a skin
    EXPECT_EQ(layout(kKlmPaneSecond, {0, 0, 400, 400}).framePath, paths.framePng);
}

TEST_F(PaneFixture, MoviePaneTakesTheMoviesOwnShape)
{
    state.movieAspect = kKlmMovieAspectOwn;
    state.movieSource = {160, 120};
    EXPECT_TRUE(layout(kKlmPaneMovie, {0, 0, 400, 400}).skipped);  // hidden movie: nothing happens

    state.movieVisible = true;
    KlmPaneLayout l = layout(kKlmPaneMovie, {0, 0, 400, 400});
    EXPECT_FALSE(l.skipped);
    EXPECT_EQ(l.picturePath, "");
    EXPECT_EQ(l.pane, (KlmRect{0, 50, 400, 300}));  // 161×121 fitted
    EXPECT_EQ(l.movie, (KlmRect{1, 1, 398, 298}));

    // With a movie skin the movie goes into the skin's rectangle.
    addFile("/skins/tv.png", {400, 300});
    useSkin(kKlmSnapMovie, skin("/skins/tv.png", 40, 30, 320, 240, 2, 0));
    l = layout(kKlmPaneMovie, {0, 0, 250, 250});
    EXPECT_EQ(l.pane, (KlmRect{0, 31, 250, 187}));
    EXPECT_EQ(l.movie, (KlmRect{25, 18, 200, 151}));

    // Its size not known yet: the slot, no division.
    state.movieSource = {};
    skins.slots[2].selected = -1;
    EXPECT_EQ(layout(kKlmPaneMovie, {0, 0, 400, 400}).pane, (KlmRect{0, 0, 400, 400}));
}

TEST_F(PaneFixture, RealFilesAreProbedOnDisk)
{
    KlmTempDir dir;
    klmBuildAppPaths(paths, dir.path.string());
    klmTestWrite(dir.file("image/0001b.png"), "x");
    KlmPictureChoice c = klmChoosePanePicture(paths, cat, state, kKlmPaneSecond);
    EXPECT_EQ(c.path, dir.file("image/0001b.png"));
    EXPECT_EQ(klmChoosePanePicture(paths, cat, state, kKlmPaneFirst).source, KlmPictureSource::NoPicture);
}

TEST_F(PaneFixture, FirstPaneClickAndIcons)
{
    EXPECT_FALSE(klmFirstPaneClickSwaps(cat, 0, true));  // no movie
    klmSetMovieFlag(cat.games[0], true);
    EXPECT_TRUE(klmFirstPaneClickSwaps(cat, 0, true));
    EXPECT_FALSE(klmFirstPaneClickSwaps(cat, 0, false));
    EXPECT_FALSE(klmFirstPaneClickSwaps(cat, kKlmNoSelection, true));
    EXPECT_FALSE(klmFirstPaneClickSwaps(cat, 5, true));

    cat.hardware[0].imageNumber = 12;
    cat.software = {hardware(0, 0, 3)};
    cat.genre = {hardware(0, 0, -1)};  // no image number: no icon
    KlmInfoIcons icons = klmInfoIconPaths(paths, cat, 0, true);
    EXPECT_EQ(icons.hardware, "/base/icon/h12.ico");
    EXPECT_EQ(icons.software, "/base/icon/s3.ico");
    EXPECT_EQ(icons.genre, "");
    EXPECT_EQ(klmInfoIconPaths(paths, cat, 0, false).hardware, "");
    EXPECT_EQ(klmInfoIconPaths(paths, cat, kKlmNoSelection, true).hardware, "");
    cat.games[0].software = 9;  // unknown entry
    EXPECT_EQ(klmInfoIconPaths(paths, cat, 0, true).software, "");
}
