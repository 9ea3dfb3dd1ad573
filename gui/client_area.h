// The main window's client area: the toolbar, the search bar, the status
// bar and the panes (game list, game-info icon and text, two snapshot
// panes, the movie) placed by the window's layout rules, the two splitter
// bars painted between them, and the splitter drag with its feedback lines.
//
// Panes are slots: a part of the window may put its own widget in a slot
// (a picture pane, a movie widget) and the layout places it from then on.
#pragma once

#include <QWidget>

#include <array>
#include <functional>

#include "layout/window_layout.h"

struct KlmAppContext;
class QToolBar;
class KlmStatusBar;
class SearchBar;

enum class KlmPane { List, InfoIcon, InfoText, Snapshot1, Snapshot2, Movie };
inline constexpr int kKlmPaneCount = 6;

class KlmClientArea : public QWidget {
    Q_OBJECT
public:
    // Makes the snapshot and icon panes (plain placeholders until a
    // picture pane takes their slots).
    KlmClientArea(KlmAppContext& ctx, QWidget* parent);

    void setBars(QToolBar* toolbar, SearchBar* search, KlmStatusBar* status);

    QWidget* pane(KlmPane which) const { return panes_[static_cast<size_t>(which)]; }
    // Puts widget in the slot (this area becomes its parent); the widget
    // that was there is deleted. The movie slot lies over the second
    // snapshot pane and is hidden until its owner shows it.
    void setPane(KlmPane which, QWidget* widget);
    // Picture panes take their own shape inside their slots: with a placer
    // the area leaves the snapshot and movie panes where it put them and
    // hands it every layout instead.
    void setPicturePlacer(std::function<void(const KlmLayout&)> placer);

    // What the geometry is computed from, as things are now.
    KlmLayoutInput layoutInput() const;
    // Clamps the splitters and places every pane (skipped while the window
    // is hidden or minimized: its client size is no real one then).
    void layOut();

    QWidget* dragFeedback(int axis) const { return dragLines_[axis]; }
    const KlmSplitDrag& splitDrag() const { return drag_; }

Q_SIGNALS:
    // A splitter drag holds the movie and auto-selection until it ends.
    void dragStarted();
    void dragFinished();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void showDragLines();

    KlmAppContext& ctx_;
    QToolBar* toolbar_ = nullptr;
    SearchBar* search_ = nullptr;
    KlmStatusBar* status_ = nullptr;
    std::array<QWidget*, kKlmPaneCount> panes_{};
    std::function<void(const KlmLayout&)> placer_;
    QWidget* dragLines_[2] = {};
    KlmSplitDrag drag_;
};
