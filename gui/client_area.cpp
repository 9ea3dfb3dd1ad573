#include "client_area.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QToolBar>

#include "search_bar.h"
#include "session/app_context.h"
#include "status_bar.h"

namespace {

QRect qrect(const KlmRect& r) { return QRect(r.x, r.y, r.w, r.h); }

// The drag feedback: a 5-pixel half-tone line over the whole bar, the
// counterpart of an inverted line, shown only while a splitter is dragged.
class DragLine : public QWidget {
public:
    explicit DragLine(QWidget* parent) : QWidget(parent)
    {
        setObjectName(QStringLiteral("dragLine"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        hide();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), QBrush(Qt::black, Qt::Dense4Pattern));
    }
};

QLabel* blackPane(const char* name, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setAlignment(Qt::AlignCenter);
    label->setAutoFillBackground(true);
    QPalette pal = label->palette();
    pal.setColor(QPalette::Window, Qt::black);
    label->setPalette(pal);
    return label;
}

}  // namespace

KlmClientArea::KlmClientArea(KlmAppContext& ctx, QWidget* parent) : QWidget(parent), ctx_(ctx)
{
    setObjectName(QStringLiteral("client"));
    setMouseTracking(true);
    setPane(KlmPane::Snapshot1, blackPane("KLMSKIN1WNDCLASS", this));
    setPane(KlmPane::Snapshot2, blackPane("KLMSKIN2WNDCLASS", this));
    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("KLMICONWNDCLASS"));
    icon->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setPane(KlmPane::InfoIcon, icon);
    for (QWidget*& line : dragLines_) line = new DragLine(this);
}

void KlmClientArea::setBars(QToolBar* toolbar, SearchBar* search, KlmStatusBar* status)
{
    toolbar_ = toolbar;
    search_ = search;
    status_ = status;
}

void KlmClientArea::setPane(KlmPane which, QWidget* widget)
{
    QWidget*& slot = panes_[static_cast<size_t>(which)];
    if (slot == widget) return;
    delete slot;
    slot = widget;
    if (!widget) return;
    widget->setParent(this);
    if (which == KlmPane::Movie) widget->hide();
    else widget->show();
    // The feedback lines stay above every pane.
    for (QWidget* line : dragLines_)
        if (line) line->raise();
    layOut();
}

void KlmClientArea::setPicturePlacer(std::function<void(const KlmLayout&)> placer)
{
    placer_ = std::move(placer);
    layOut();
}

KlmLayoutInput KlmClientArea::layoutInput() const
{
    const Settings& s = ctx_.state.settings;
    KlmLayoutInput in;
    in.clientW = width();
    in.clientH = height();
    in.toolbarShown = s.showToolbar != 0;
    in.toolbarH = toolbar_ ? toolbar_->sizeHint().height() : 0;
    in.statusShown = s.showStatusBar != 0;
    in.statusH = status_ ? status_->sizeHint().height() : 0;
    in.comboH = search_ ? search_->comboHeight() : 0;
    in.resetButtonW = search_ ? search_->resetButtonWidth() : 0;
    in.showInfoIcon = s.showInfoIcon != 0;
    in.showInfoText = s.showInfoText != 0;
    in.splitX = s.splitX;
    in.splitY = s.splitY;
    return in;
}

void KlmClientArea::layOut()
{
    if (!toolbar_ || !search_ || !status_ || !window()->isVisible() || window()->isMinimized()) return;
    KlmLayoutInput in = layoutInput();
    if (in.clientW <= 0 || in.clientH <= 0) return;
    klmClampSplitters(in);
    Settings& s = ctx_.state.settings;
    s.splitX = in.splitX;
    s.splitY = in.splitY;
    const KlmLayout l = klmComputeLayout(in);
    toolbar_->setGeometry(0, 0, in.clientW, in.toolbarH);
    status_->setGeometry(0, in.clientH - l.S, in.clientW, in.statusH);
    const std::array<const KlmRect*, kKlmPaneCount> rects = {&l.list, &l.infoIcon, &l.infoText,
                                                             &l.snap1, &l.snap2, &l.snap2};
    for (int i = 0; i < kKlmPaneCount; ++i) {
        const auto which = static_cast<KlmPane>(i);
        if (placer_ && (which == KlmPane::Snapshot1 || which == KlmPane::Snapshot2 || which == KlmPane::Movie))
            continue;
        if (panes_[static_cast<size_t>(i)]) panes_[static_cast<size_t>(i)]->setGeometry(qrect(*rects[static_cast<size_t>(i)]));
    }
    if (placer_) placer_(l);
    search_->placeControls(l);
    update();
}

void KlmClientArea::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const KlmLayout l = klmComputeLayout(layoutInput());
    // Five 1-pixel lines per bar: grey edges, lighter, a near-white centre.
    static const QColor kLines[5] = {QColor(0x78, 0x78, 0x78), QColor(0xBE, 0xBE, 0xBE), QColor(0xFA, 0xFA, 0xFA),
                                     QColor(0xBE, 0xBE, 0xBE), QColor(0x78, 0x78, 0x78)};
    const KlmRect& v = l.verticalBar;
    const KlmRect& h = l.horizontalBar;
    for (int i = 0; i < 5; ++i) {
        p.fillRect(v.x + i, v.y, 1, v.h, kLines[i]);
        p.fillRect(h.x, h.y + i, h.w, 1, kLines[i]);
    }
}

void KlmClientArea::resizeEvent(QResizeEvent*) { layOut(); }

void KlmClientArea::showDragLines()
{
    const KlmLayoutInput in = layoutInput();
    const int T = klmLayoutT(in), S = klmLayoutS(in);
    if (drag_.mode & kKlmHitVertical) {
        dragLines_[0]->setGeometry(drag_.posX - 2, T, 5, in.clientH - S - T);
        dragLines_[0]->show();
        dragLines_[0]->raise();
    }
    if (drag_.mode & kKlmHitHorizontal) {
        const int left = ((drag_.mode & kKlmHitVertical) ? drag_.posX : in.splitX) + 2;
        dragLines_[1]->setGeometry(left, drag_.posY - 2, in.clientW - left, 5);
        dragLines_[1]->show();
        dragLines_[1]->raise();
    }
}

void KlmClientArea::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    const KlmLayoutInput in = layoutInput();
    if (drag_.mode == kKlmHitNone) {
        const int hit = klmSplitterHitTest(in, pos.x(), pos.y());
        if (hit == kKlmHitBoth) setCursor(Qt::SizeAllCursor);
        else if (hit == kKlmHitVertical) setCursor(Qt::SizeHorCursor);
        else if (hit == kKlmHitHorizontal) setCursor(Qt::SizeVerCursor);
        else unsetCursor();
        return;
    }
    klmMoveSplitDrag(drag_, in, pos.x(), pos.y());
    showDragLines();
}

void KlmClientArea::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) return;
    const QPoint pos = event->position().toPoint();
    const KlmLayoutInput in = layoutInput();
    const int hit = klmSplitterHitTest(in, pos.x(), pos.y());
    if (hit == kKlmHitNone) return;
    // The area has the mouse until the button is released.
    drag_ = klmBeginSplitDrag(in, hit, pos.x(), pos.y());
    showDragLines();
    Q_EMIT dragStarted();
}

void KlmClientArea::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || drag_.mode == kKlmHitNone) return;
    KlmLayoutInput in = layoutInput();
    klmEndSplitDrag(drag_, in);
    drag_ = KlmSplitDrag{};
    for (QWidget* line : dragLines_) line->hide();
    ctx_.state.settings.splitX = in.splitX;
    ctx_.state.settings.splitY = in.splitY;
    layOut();
    Q_EMIT dragFinished();
}
