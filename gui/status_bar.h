// The status bar (1010): one owner-drawn part per shown status item —
// state swatches with their counts, the game counts, the movie count, the
// speaker with its 21 volume bars, and the playback speed. Clicks and the
// right-click pop-ups send main-window commands.
#pragma once

#include <QWidget>

#include "audit/ownership.h"

struct KlmAppContext;
class QMenu;

class KlmStatusBar : public QWidget {
    Q_OBJECT
public:
    KlmStatusBar(const KlmAppContext& ctx, QWidget* parent);

    // Counts the games of each ownership state again (the core counting
    // rule), after anything that changes ownership; then repaints.
    void recount();
    const KlmOwnershipCount& counts() const { return counts_; }

    // Left edge and width of the part at index, in the bar's coordinates.
    QRect partRect(int index) const;
    int partCount() const;
    // The item (0–7) of the part under x, −1 outside every part.
    int itemAt(int x) const;
    // The pop-up of a part's item (empty for items without one).
    void fillMenu(QMenu& menu, int item) const;

    QSize sizeHint() const override;

Q_SIGNALS:
    void command(int id);
    void volumeChosen(int volume);
    void colourRequested(int item);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void paintVolume(QPainter& p, const QRect& part) const;

    const KlmAppContext& ctx_;
    KlmOwnershipCount counts_;
};
