// The picture panes (KLMSKIN1WNDCLASS, KLMSKIN2WNDCLASS) and the icon pane
// (KLMICONWNDCLASS) as plain widgets: each shows what the core layout
// decided and nothing else.
//
// A picture pane paints its frame stretched over the whole pane and the
// picture into the picture rectangle. Both are composed once into a pixmap
// whenever the content or the size changes, so a paint is one copy and the
// pane never flickers.
#pragma once

#include <QPixmap>
#include <QRect>
#include <QString>
#include <QWidget>

#include <string>

#include "media/panes.h"

class KlmPictureCache;

class KlmPicturePane : public QWidget {
    Q_OBJECT
public:
    // objectName: "KLMSKIN1WNDCLASS" or "KLMSKIN2WNDCLASS".
    KlmPicturePane(const QString& objectName, KlmPictureCache& cache, QWidget* parent);

    // Frame and picture (native paths; an empty picture path draws nothing
    // inside the frame) and the picture rectangle in pane coordinates.
    void setContent(const std::string& framePath, const std::string& picturePath, const KlmEdges& picture);
    // The second pane leaves the inside of its frame to the movie.
    void setPictureShown(bool shown);

    const std::string& framePath() const { return frame_; }
    const std::string& picturePath() const { return picture_; }
    KlmEdges pictureRect() const { return rect_; }
    bool pictureShown() const { return shown_; }

Q_SIGNALS:
    // A left button press.
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void compose();

    KlmPictureCache& cache_;
    std::string frame_;
    std::string picture_;
    KlmEdges rect_;
    bool shown_ = true;
    QPixmap composed_;
    bool dirty_ = true;
};

// The 32×32 hardware, software/board and genre icons of the selected game
// at x 0, 35 and 70; blank without a game or with the icons switched off.
class KlmIconPane : public QWidget {
    Q_OBJECT
public:
    explicit KlmIconPane(QWidget* parent);

    void setIcons(const KlmInfoIcons& icons);
    const KlmInfoIcons& icons() const { return icons_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap icon(const std::string& path);

    KlmInfoIcons icons_;
    QPixmap shown_[3];
};
