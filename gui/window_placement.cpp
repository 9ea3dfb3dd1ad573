#include "window_placement.h"

#include <QApplication>
#include <QEvent>
#include <QMainWindow>
#include <QMargins>
#include <QScreen>

#include <optional>
#include <vector>

#include "layout/window_layout.h"

namespace {

// window.dat keeps the outer rectangle of the window, its frame included,
// while Qt places and measures the inside. The frame is the window
// manager's and is known only once the window is shown and framed, so
// this keeps the frame last seen on the normal (restored) window and sizes
// the inside to the wanted outer rectangle as soon as the frame is known.
class FrameKeeper : public QObject {
public:
    explicit FrameKeeper(QWidget& window) : QObject(&window), window_(window)
    {
        setObjectName(QStringLiteral("frameKeeper"));
        window.installEventFilter(this);
    }

    static FrameKeeper& of(QWidget& window)
    {
        auto* keeper = window.findChild<FrameKeeper*>(QStringLiteral("frameKeeper"), Qt::FindDirectChildrenOnly);
        return keeper ? *keeper : *new FrameKeeper(window);
    }

    // Moves the frame to outer's corner and gives the inside what is left
    // of outer by the frame known so far; the rest follows once framed.
    void place(const QRect& outer)
    {
        pending_ = outer;
        window_.move(outer.topLeft());
        window_.resize(inside(outer.size()));
    }

    // The outer rectangle of the normal window, whatever its state now.
    QRect normalOuter() const
    {
        // Opened maximized and never restored: the rectangle it restores to.
        if (pending_) return *pending_;
        if (isNormal() && window_.isVisible()) return window_.frameGeometry();
        const QRect normal = window_.normalGeometry().isValid() ? window_.normalGeometry() : window_.geometry();
        return normal.marginsAdded(frame_);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const QEvent::Type type = event->type();
        // Framed at once (or never) where the frame is the platform's; a
        // window manager frames the window later and moves it then.
        if (watched == &window_ && (type == QEvent::Show || type == QEvent::Move || type == QEvent::Resize ||
                                    type == QEvent::WindowStateChange))
            follow();
        return QObject::eventFilter(watched, event);
    }

private:
    bool isNormal() const
    {
        return !(window_.windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
    }

    QSize inside(QSize outer) const
    {
        return outer.shrunkBy(frame_).expandedTo(window_.minimumSize());
    }

    void follow()
    {
        if (!isNormal() || !window_.isVisible()) return;
        const QRect inner = window_.geometry(), outer = window_.frameGeometry();
        const QMargins frame(inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
                             outer.bottom() - inner.bottom());
        // No window manager, or not framed yet.
        if (frame.isNull()) return;
        frame_ = frame;
        if (!pending_) return;
        const QRect wanted = *pending_;
        pending_.reset();
        if (window_.size() != inside(wanted.size())) window_.resize(inside(wanted.size()));
        if (window_.pos() != wanted.topLeft()) window_.move(wanted.topLeft());
    }

    QWidget& window_;
    QMargins frame_;
    std::optional<QRect> pending_;
};

}  // namespace

bool klmShowPlaced(QMainWindow& window, const KlmWindowPlacement& p, bool storedRead)
{
    std::vector<KlmScreenRect> areas;
    for (QScreen* sc : QApplication::screens()) {
        const QRect r = sc->availableGeometry();
        areas.push_back({r.left(), r.top(), r.left() + r.width(), r.top() + r.height()});
    }
    FrameKeeper& keeper = FrameKeeper::of(window);
    if (storedRead && klmIsSanePlacement(p, areas)) {
        keeper.place(QRect(p.left, p.top, p.right - p.left, p.bottom - p.top));
        // Closed while maximized, or minimized from maximized: maximized
        // again, restoring to the stored rectangle.
        if (p.showCmd == kKlmShowMaximized) window.showMaximized();
        else window.show();
        return true;
    }
    if (QScreen* sc = QApplication::primaryScreen()) {
        const QRect w = sc->availableGeometry();
        const KlmRect r = klmFirstRunWindowRect({w.left(), w.top(), w.width(), w.height()});
        keeper.place(QRect(r.x, r.y, r.w, r.h));
    }
    return false;
}

KlmWindowPlacement klmCapturePlacement(QMainWindow& window)
{
    KlmWindowPlacement p;
    const QRect normal = FrameKeeper::of(window).normalOuter();
    p.left = normal.left();
    p.top = normal.top();
    p.right = normal.left() + normal.width();
    p.bottom = normal.top() + normal.height();
    const Qt::WindowStates state = window.windowState();
    if (state & Qt::WindowMinimized) {
        p.flags = (state & Qt::WindowMaximized) ? kKlmPlaceRestoreToMaximized : 0;
        p.showCmd = klmSavedShowState(kKlmShowMinimized, p.flags);
    } else {
        p.showCmd = (state & Qt::WindowMaximized) ? kKlmShowMaximized : kKlmShowNormal;
    }
    return p;
}
