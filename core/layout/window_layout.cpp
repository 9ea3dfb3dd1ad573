#include "layout/window_layout.h"

#include <algorithm>

int klmLayoutT(const KlmLayoutInput& in) { return in.toolbarShown ? in.toolbarH : 3; }
int klmLayoutS(const KlmLayoutInput& in) { return in.statusShown ? in.statusH : 0; }

int klmMinBelowSplitY(const KlmLayoutInput& in)
{
    int m = klmLayoutS(in) + 4 * in.comboH + 142;
    if (!in.showInfoIcon) m -= 42;
    if (!in.showInfoText) m -= 50;
    return m;
}

namespace {

// Value and qualifier share one slot: two thirds and one third.
void splitPair(const KlmRect& slot, KlmRect& value, KlmRect& qualifier)
{
    int valueW = slot.w * 2 / 3;
    value = {slot.x, slot.y, valueW - 2, slot.h};
    qualifier = {slot.x + valueW, slot.y, slot.w - valueW, slot.h};
}

}  // namespace

KlmLayout klmComputeLayout(const KlmLayoutInput& in)
{
    KlmLayout out;
    const int T = out.T = klmLayoutT(in);
    const int S = out.S = klmLayoutS(in);
    const int H = out.H = in.comboH;
    const int span = in.clientW - in.splitX - 11;
    const int W = out.W = span / 2;

    out.list = {3, T, in.splitX - 7, (in.clientH - S) - T - 3};

    // The second pane hugs the right edge; with an odd span it sits one
    // pixel further right so both panes keep the same width.
    int snap2X = in.clientW - W - 3 + (span % 2 != 0 ? 1 : 0);
    int snapH = in.splitY - T - 5;
    out.snap2 = {snap2X, T, W, snapH};
    out.snap1 = {snap2X - W - 3, T, W, snapH};

    // Below the horizontal splitter the panes span both snapshot panes.
    const int areaX = out.snap1.x;
    const int areaW = 2 * W;
    const int rowStep = H + 10;
    const int bottomRowY = in.clientH - S - 10 - H;
    const int topRowY = bottomRowY - 3 * rowStep;

    int infoY = snapH + T + 10;
    if (in.showInfoIcon) {
        out.infoIcon = {areaX, infoY, 2 * W + 3, 32};
        infoY += 42;
    }
    if (in.showInfoText) out.infoText = {areaX, infoY, 2 * W + 3, std::max(0, topRowY - 10 - infoY)};

    // Four slots 20 pixels apart, centred.
    const int slotW = (areaW - 849 >= 40) ? 200 : (areaW - 89) / 4;
    const int blockX = areaX + (areaW - (4 * slotW + 60)) / 2;
    auto slot = [&](int row, int col) {
        return KlmRect{blockX + col * (slotW + 20), bottomRowY - row * rowStep, slotW, H};
    };
    splitPair(slot(0, 0), out.romSize, out.romSizeQualifier);
    out.genre = slot(1, 0);
    out.screen = slot(1, 1);
    splitPair(slot(1, 2), out.year, out.yearQualifier);
    splitPair(slot(1, 3), out.price, out.priceQualifier);
    out.hardware = slot(2, 0);
    out.software = slot(2, 1);
    out.developer = slot(2, 2);
    out.publisher = slot(2, 3);

    const int bw = in.resetButtonW;
    const int c = (areaW - bw - 514 >= 40) ? 250 : (areaW - bw - 54) / 2;
    const int rowW = (c - 15) + (c + 15) + bw + 20;
    const int rowX = areaX + (areaW - rowW) / 2;
    out.kindCombo = {rowX, topRowY, c - 15, H};
    out.searchEdit = {rowX + c - 15 + 10, topRowY, c + 15, H};
    out.resetButton = {out.searchEdit.x + c + 15 + 10, topRowY, bw, H};

    out.verticalBar = {in.splitX - 2, T, 5, (in.clientH - S) - T};
    out.horizontalBar = {in.splitX + 2, in.splitY - 2, in.clientW - in.splitX - 2, 5};
    return out;
}

void klmClampSplitters(KlmLayoutInput& in)
{
    if (in.clientW == 0 && in.clientH == 0) return;
    if (in.clientW - in.splitX < 280) in.splitX = in.clientW - 280;
    if (in.splitX < 50) in.splitX = 50;
    const int m = klmMinBelowSplitY(in);
    if (in.clientH - in.splitY < m) in.splitY = in.clientH - m;
    if (in.splitY < klmLayoutT(in) + 120) in.splitY = klmLayoutT(in) + 120;
}

int klmSplitterHitTest(const KlmLayoutInput& in, int x, int y)
{
    const int T = klmLayoutT(in);
    const int S = klmLayoutS(in);
    int hit = kKlmHitNone;
    if (x > in.splitX - 3 && x < in.splitX + 3 && y >= T && y < in.clientH - S) hit |= kKlmHitVertical;
    if (y > in.splitY - 3 && y < in.splitY + 3 && x > in.splitX + 3 && x <= in.clientW) hit |= kKlmHitHorizontal;
    return hit;
}

KlmSplitDrag klmBeginSplitDrag(const KlmLayoutInput& in, int mode, int x, int y)
{
    KlmSplitDrag d;
    d.mode = mode;
    d.posX = in.splitX;
    d.posY = in.splitY;
    if (mode & kKlmHitVertical) d.grabX = in.splitX - x;
    if (mode & kKlmHitHorizontal) d.grabY = in.splitY - y;
    return d;
}

void klmMoveSplitDrag(KlmSplitDrag& d, const KlmLayoutInput& in, int x, int y)
{
    if (d.mode & kKlmHitVertical) {
        int pos = x + d.grabX;
        if (pos > in.clientW - 280) {
            pos = in.clientW - 280;
            d.grabX = 0;
        }
        if (pos < 50) {
            pos = 50;
            d.grabX = 0;
        }
        d.posX = pos;
    }
    if (d.mode & kKlmHitHorizontal) {
        int pos = y + d.grabY;
        const int lowest = in.clientH - klmMinBelowSplitY(in);
        if (pos > lowest) {
            pos = lowest;
            d.grabY = 0;
        }
        if (pos < klmLayoutT(in) + 120) {
            pos = klmLayoutT(in) + 120;
            d.grabY = 0;
        }
        d.posY = pos;
    }
}

void klmEndSplitDrag(const KlmSplitDrag& d, KlmLayoutInput& in)
{
    if (d.mode & kKlmHitVertical) in.splitX = d.posX;
    if (d.mode & kKlmHitHorizontal) in.splitY = d.posY;
}

KlmRect klmFirstRunWindowRect(const KlmRect& work)
{
    int w = work.w * 9 / 10;
    int h = work.h * 9 / 10;
    return {work.x + (work.w - w) / 2, work.y + (work.h - h) / 2, w, h};
}
