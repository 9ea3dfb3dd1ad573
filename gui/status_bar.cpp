#include "status_bar.h"

#include <QAction>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

#include "session/app_context.h"
#include "ui/command_ids.h"
#include "qt_font.h"
#include "ui/fonts_colours.h"
#include "qt_text.h"
#include "ui/window_rules.h"

namespace {

QRect box(const KlmBox& b) { return QRect(b.x, b.y, b.w, b.h); }

}  // namespace

KlmStatusBar::KlmStatusBar(const KlmAppContext& ctx, QWidget* parent) : QWidget(parent), ctx_(ctx)
{
    setObjectName(QStringLiteral("1010"));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QSize KlmStatusBar::sizeHint() const { return QSize(600, fontMetrics().height() + 10); }

void KlmStatusBar::recount()
{
    counts_ = klmCountOwnership(ctx_.catalogue);
    update();
}

int KlmStatusBar::partCount() const
{
    return std::clamp(ctx_.state.settings.statusShown.count, 0, KlmItemList::kSlots);
}

QRect KlmStatusBar::partRect(int index) const
{
    const KlmItemList& items = ctx_.state.settings.statusShown;
    int x = 0;
    for (int i = 0; i < index; ++i) x += klmStatusPartWidth(items.items[i]);
    return QRect(x, 0, klmStatusPartWidth(items.items[index]), height());
}

int KlmStatusBar::itemAt(int x) const
{
    for (int i = 0; i < partCount(); ++i)
        if (x >= partRect(i).left() && x <= partRect(i).right()) return ctx_.state.settings.statusShown.items[i];
    return -1;
}

void KlmStatusBar::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    const Settings& s = ctx_.state.settings;
    const int h = height();
    const QFontMetrics fm = fontMetrics();
    const int textY = (h - fm.height()) / 2 + fm.ascent();
    const int32_t filters[3] = {s.search.showOwned, s.search.showNotRenamed, s.search.showNotOwned};
    const int32_t counts[3] = {counts_.renamed(), counts_.notRenamed, counts_.notOwned()};
    for (int i = 0; i < partCount(); ++i) {
        const QRect part = partRect(i);
        // A sunken frame per part.
        p.setPen(QColor(0xA0, 0xA0, 0xA0));
        p.drawLine(part.left(), 1, part.right() - 1, 1);
        p.drawLine(part.left(), 1, part.left(), h - 2);
        p.setPen(Qt::white);
        p.drawLine(part.left(), h - 1, part.right(), h - 1);
        p.drawLine(part.right(), 1, part.right(), h - 1);
        p.setPen(Qt::black);
        const int item = s.statusShown.items[i];
        switch (item) {
        case 0: case 1: case 2: {
            const QRect sw = box(klmSwatchBox(part.left(), h));
            p.fillRect(sw, klmQColor(klmStateColour(s, static_cast<KlmStateColour>(item))));
            p.drawRect(sw.adjusted(0, 0, -1, -1));
            if (!filters[item]) {
                p.drawLine(sw.topLeft(), sw.bottomRight());
                p.drawLine(sw.topRight(), sw.bottomLeft());
            }
            p.drawText(sw.right() + 6, textY, QStringLiteral(" : %1").arg(counts[item]));
            break;
        }
        case 3: p.drawText(part.left() + 5, textY, klmU("総ゲーム数 : %1").arg(klmGameCount(ctx_.catalogue))); break;
        case 4: p.drawText(part.left() + 5, textY, klmU("該当するゲーム数 : %1").arg(ctx_.state.browse.view.count)); break;
        case 5: p.drawText(part.left() + 5, textY, klmU("動画ファイル数 : %1").arg(ctx_.catalogue.movieCount)); break;
        case 6: paintVolume(p, part); break;
        case 7: p.drawText(part.left() + 5, textY, klmU("再生速度 : x%1").arg(s.speed / 1000.0, 0, 'f', 1)); break;
        default: break;
        }
    }
}

void KlmStatusBar::paintVolume(QPainter& p, const QRect& part) const
{
    const Settings& s = ctx_.state.settings;
    const int h = height();
    const KlmVolumeGeometry g = klmVolumeGeometry(part.left(), h);
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    const QRectF body(g.body.x + 0.5, g.body.y + 0.5, g.body.w, g.body.h);
    p.drawRect(body);
    QPolygonF cone;
    cone << QPointF(g.cone.x + 0.5, g.body.y + 0.5) << QPointF(g.cone.x + g.cone.w + 0.5, g.cone.y + 0.5)
         << QPointF(g.cone.x + g.cone.w + 0.5, g.cone.y + g.cone.h + 0.5)
         << QPointF(g.cone.x + 0.5, g.body.y + g.body.h + 0.5);
    p.drawPolygon(cone);
    p.setBrush(Qt::NoBrush);
    const int radii[3] = {5, 8, 12};
    const int above[3] = {0, 33, 66};
    for (int i = 0; i < 3; ++i) {
        if (s.volume <= above[i]) continue;
        const int r = std::min(radii[i], h / 2 - 1);
        p.drawArc(QRectF(g.arcX - r, g.arcY - r, 2 * r, 2 * r), -45 * 16, 90 * 16);
    }
    if (s.mute) {
        p.setPen(QPen(Qt::red, 2));
        const QRect sp = box(g.speaker);
        p.drawLine(sp.topLeft(), sp.bottomRight() + QPoint(1, 1));
        p.drawLine(sp.topRight() + QPoint(1, 0), sp.bottomLeft() + QPoint(0, 1));
    }
    p.restore();
    for (int i = 0; i < kKlmVolumeBars; ++i)
        p.fillRect(box(g.bars[i]), s.volume < 5 * i ? QColor(0xC8, 0xC8, 0xC8) : QColor(0, 200, 200));
    const QFontMetrics fm = fontMetrics();
    p.setPen(Qt::black);
    p.drawText(g.textX, (h - fm.height()) / 2 + fm.ascent(), s.mute ? klmU("ミュート中") : klmU("音量 : %1").arg(s.volume));
}

void KlmStatusBar::fillMenu(QMenu& menu, int item) const
{
    const Settings& s = ctx_.state.settings;
    auto add = [&](const char* text, int id, bool checkable = false, bool checked = false) {
        QAction* a = menu.addAction(klmU(text));
        a->setData(id);
        if (checkable) {
            a->setCheckable(true);
            a->setChecked(checked);
        }
    };
    switch (item) {
    case 0:
        add("所有を表示\tF1", kKlmCmdShowOwned, true, s.search.showOwned);
        menu.addSeparator();
        add("所有の色設定", kKlmCmdOwnedColour);
        break;
    case 1:
        add("未リネームを表示\tF2", kKlmCmdShowNotRenamed, true, s.search.showNotRenamed);
        menu.addSeparator();
        add("未リネームの色設定", kKlmCmdNotRenamedColour);
        break;
    case 2:
        add("未所有を表示\tF3", kKlmCmdShowNotOwned, true, s.search.showNotOwned);
        menu.addSeparator();
        add("未所有の色設定", kKlmCmdNotOwnedColour);
        break;
    case 6:
        add("ミュート\tF8", kKlmCmdMute, true, s.mute);
        add("音量を上げる\tCtrl + ↑", kKlmCmdVolumeUp);
        add("音量を下げる\tCtrl + ↓", kKlmCmdVolumeDown);
        // The key of this command is Ctrl+Q (Ctrl+N is the normal speed).
        add("音量を標準にする\tCtrl + Q", kKlmCmdVolumeStandard);
        break;
    case 7:
        add("再生\tF6", kKlmCmdPlay);
        add("一時停止\tF7", kKlmCmdPause);
        menu.addSeparator();
        add("再生速度を速くする\tCtrl + →", kKlmCmdFaster);
        add("再生速度を遅くする\tCtrl + ←", kKlmCmdSlower);
        add("再生速度を標準にする\tCtrl + N", kKlmCmdSpeedNormal);
        menu.addSeparator();
        add("動画を表示する\tF9", kKlmCmdShowMovie, true, s.showMovie);
        add("ループ再生する\tF10", kKlmCmdLoop, true, s.loopPlayback);
        break;
    default: break;
    }
}

void KlmStatusBar::mousePressEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    int index = -1;
    for (int i = 0; i < partCount(); ++i)
        if (partRect(i).contains(pos)) index = i;
    if (index < 0) return;
    const int item = ctx_.state.settings.statusShown.items[index];
    const QRect part = partRect(index);
    if (event->button() == Qt::RightButton) {
        QMenu menu(this);
        fillMenu(menu, item);
        if (menu.isEmpty()) return;
        if (QAction* chosen = menu.exec(event->globalPosition().toPoint())) Q_EMIT command(chosen->data().toInt());
        return;
    }
    if (event->button() != Qt::LeftButton) return;
    if (item >= 0 && item <= 2) {
        if (box(klmSwatchBox(part.left(), height())).contains(pos)) Q_EMIT colourRequested(item);
    } else if (item == 6) {
        const KlmVolumeGeometry g = klmVolumeGeometry(part.left(), height());
        if (g.speaker.contains(pos.x(), pos.y())) {
            Q_EMIT command(kKlmCmdMute);
        } else if (int32_t level = klmVolumeBarAt(g, pos.x(), pos.y()); level >= 0) {
            Q_EMIT volumeChosen(level);
        }
    }
}
