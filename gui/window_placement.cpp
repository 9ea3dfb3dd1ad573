#include "window_placement.h"

#include <QApplication>
#include <QMainWindow>
#include <QScreen>

#include <vector>

#include "layout/window_layout.h"

bool klmShowPlaced(QMainWindow& window, const KlmWindowPlacement& p, bool storedRead)
{
    std::vector<KlmScreenRect> areas;
    for (QScreen* sc : QApplication::screens()) {
        const QRect r = sc->availableGeometry();
        areas.push_back({r.left(), r.top(), r.left() + r.width(), r.top() + r.height()});
    }
    if (storedRead && klmIsSanePlacement(p, areas)) {
        window.setGeometry(p.left, p.top, p.right - p.left, p.bottom - p.top);
        // Closed while maximized, or minimized from maximized: maximized
        // again, restoring to the stored rectangle.
        if (p.showCmd == kKlmShowMaximized) window.showMaximized();
        else window.show();
        return true;
    }
    if (QScreen* sc = QApplication::primaryScreen()) {
        const QRect w = sc->availableGeometry();
        const KlmRect r = klmFirstRunWindowRect({w.left(), w.top(), w.width(), w.height()});
        window.setGeometry(r.x, r.y, r.w, r.h);
    }
    return false;
}

KlmWindowPlacement klmCapturePlacement(const QMainWindow& window)
{
    KlmWindowPlacement p;
    const QRect normal = window.normalGeometry().isValid() ? window.normalGeometry() : window.geometry();
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
