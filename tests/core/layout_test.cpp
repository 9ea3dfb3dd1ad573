// Window geometry in numbers: the pane rectangles, the splitter bounds and
// the drag clamps.
#include <gtest/gtest.h>

#include "layout/window_layout.h"

namespace {

KlmLayoutInput window1200x700()
{
    KlmLayoutInput in;
    in.clientW = 1184;
    in.clientH = 640;
    in.toolbarH = 26;
    in.statusH = 22;
    in.comboH = 24;
    in.resetButtonW = 60;
    in.splitX = 1184 - 649;
    in.splitY = 246;
    return in;
}

}  // namespace

TEST(WindowLayout, PanesFollowTheSplitters)
{
    KlmLayoutInput in = window1200x700();
    KlmLayout l = klmComputeLayout(in);
    EXPECT_EQ(l.T, 26);
    EXPECT_EQ(l.S, 22);
    EXPECT_EQ(l.list, (KlmRect{3, 26, 535 - 7, (640 - 22) - 26 - 3}));
    // span = 1184 - 535 - 11 = 638 (even): W = 319.
    EXPECT_EQ(l.W, 319);
    EXPECT_EQ(l.snap2, (KlmRect{1184 - 319 - 3, 26, 319, 246 - 26 - 5}));
    EXPECT_EQ(l.snap1.x, l.snap2.x - 319 - 3);
    // An odd span puts the second pane one pixel further right.
    in.splitX = 534;
    l = klmComputeLayout(in);
    EXPECT_EQ(l.W, 319);
    EXPECT_EQ(l.snap2.x, 1184 - 319 - 3 + 1);

    // Info panes: the icon 10 pixels below the snapshot panes, the text 42
    // pixels lower, or in the icon's place when the icon is hidden.
    in.splitX = 535;
    l = klmComputeLayout(in);
    EXPECT_EQ(l.infoIcon.y, 246 + 5);
    EXPECT_EQ(l.infoIcon.h, 32);
    EXPECT_EQ(l.infoText.y, 246 + 5 + 42);
    in.showInfoIcon = false;
    l = klmComputeLayout(in);
    EXPECT_EQ(l.infoIcon, KlmRect{});
    EXPECT_EQ(l.infoText.y, 246 + 5);
}

TEST(WindowLayout, SearchRowsStackUpFromTheBottom)
{
    KlmLayoutInput in = window1200x700();
    KlmLayout l = klmComputeLayout(in);
    const int bottom = 640 - 22 - 10 - 24;
    EXPECT_EQ(l.romSize.y, bottom);
    EXPECT_EQ(l.genre.y, bottom - 34);
    EXPECT_EQ(l.hardware.y, bottom - 68);
    EXPECT_EQ(l.searchEdit.y, bottom - 102);
    // 2W = 638: slots of (638 - 89) / 4 = 137, 20 apart, centred.
    EXPECT_EQ(l.hardware.w, 137);
    EXPECT_EQ(l.software.x - l.hardware.x, 157);
    EXPECT_EQ(l.year.x, l.developer.x);
    EXPECT_LT(l.year.x + l.year.w, l.yearQualifier.x);
    EXPECT_EQ(l.yearQualifier.x + l.yearQualifier.w, l.developer.x + l.developer.w);
    // 638 - 60 - 514 = 64 leaves room: C = 250.
    EXPECT_EQ(l.kindCombo.w, 235);
    EXPECT_EQ(l.searchEdit.w, 265);
    // A narrower right side: 2W = 588, 588 - 60 - 514 < 40, C = (588 - 60 - 54) / 2.
    in.clientW = 800;
    in.splitX = 200;
    l = klmComputeLayout(in);
    EXPECT_EQ(l.kindCombo.w, 237 - 15);
    // The row (2C + button + two 10-pixel gaps = 554) is centred in 588.
    EXPECT_EQ(l.kindCombo.x - l.snap1.x, 17);
    EXPECT_EQ(l.resetButton.x + l.resetButton.w - l.snap1.x, 571);
    in = window1200x700();

    // A wide window gives 200-pixel slots and C = 250.
    in.clientW = 2400;
    in.splitX = 2400 - 1200;
    l = klmComputeLayout(in);
    EXPECT_EQ(l.hardware.w, 200);
    EXPECT_EQ(l.kindCombo.w, 235);
}

TEST(WindowLayout, SplitterBounds)
{
    KlmLayoutInput in = window1200x700();
    in.splitX = 1000;  // client width - splitX = 184 < 280
    klmClampSplitters(in);
    EXPECT_EQ(in.splitX, 1184 - 280);
    in.clientW = 300;
    klmClampSplitters(in);
    EXPECT_EQ(in.splitX, 50);

    // Below splitY: S + 4H + 142 = 22 + 96 + 142 = 260.
    in = window1200x700();
    EXPECT_EQ(klmMinBelowSplitY(in), 260);
    in.showInfoIcon = false;
    in.showInfoText = false;
    EXPECT_EQ(klmMinBelowSplitY(in), 260 - 92);
    in = window1200x700();
    in.splitY = 600;
    klmClampSplitters(in);
    EXPECT_EQ(in.splitY, 640 - 260);
    in.splitY = 10;
    klmClampSplitters(in);
    EXPECT_EQ(in.splitY, 26 + 120);
    in.toolbarShown = false;
    in.splitY = 10;
    klmClampSplitters(in);
    EXPECT_EQ(in.splitY, 123);

    // A minimized window (0 x 0 client) keeps its splitters.
    in = window1200x700();
    in.clientW = in.clientH = 0;
    klmClampSplitters(in);
    EXPECT_EQ(in.splitX, 535);
    EXPECT_EQ(in.splitY, 246);
}

TEST(WindowLayout, HitTest)
{
    KlmLayoutInput in = window1200x700();
    EXPECT_EQ(klmSplitterHitTest(in, 535, 100), kKlmHitVertical);
    EXPECT_EQ(klmSplitterHitTest(in, 537, 100), kKlmHitVertical);
    EXPECT_EQ(klmSplitterHitTest(in, 538, 100), kKlmHitNone);  // strictly within 3 pixels
    EXPECT_EQ(klmSplitterHitTest(in, 535, 10), kKlmHitNone);   // on the toolbar
    EXPECT_EQ(klmSplitterHitTest(in, 800, 246), kKlmHitHorizontal);
    EXPECT_EQ(klmSplitterHitTest(in, 538, 246), kKlmHitNone);
}

TEST(WindowLayout, DragStopsAtTheBoundAndDoesNotJump)
{
    KlmLayoutInput in = window1200x700();
    // Grab the vertical bar 2 pixels left of its centre.
    KlmSplitDrag d = klmBeginSplitDrag(in, kKlmHitVertical, 533, 300);
    EXPECT_EQ(d.grabX, 2);
    klmMoveSplitDrag(d, in, 600, 300);
    EXPECT_EQ(d.posX, 602);
    // Past the right bound: stops exactly there.
    klmMoveSplitDrag(d, in, 1100, 300);
    EXPECT_EQ(d.posX, 1184 - 280);
    EXPECT_EQ(d.grabX, 0);
    // Coming back, the bar follows the cursor itself, with no jump.
    klmMoveSplitDrag(d, in, 700, 300);
    EXPECT_EQ(d.posX, 700);
    klmMoveSplitDrag(d, in, 5, 300);
    EXPECT_EQ(d.posX, 50);
    klmEndSplitDrag(d, in);
    EXPECT_EQ(in.splitX, 50);

    // The crossing moves both bars at once.
    in = window1200x700();
    d = klmBeginSplitDrag(in, kKlmHitBoth, 535, 246);
    klmMoveSplitDrag(d, in, 500, 1000);
    EXPECT_EQ(d.posX, 500);
    EXPECT_EQ(d.posY, 640 - 260);
    klmEndSplitDrag(d, in);
    EXPECT_EQ(in.splitY, 380);
}

TEST(WindowLayout, FirstRunGeometry)
{
    KlmRect r = klmFirstRunWindowRect({0, 0, 1920, 1040});
    EXPECT_EQ(r, (KlmRect{96, 52, 1728, 936}));
    EXPECT_EQ(klmFirstRunSplitX(1712), 1063);
}
