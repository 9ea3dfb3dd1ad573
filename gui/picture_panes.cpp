#include "picture_panes.h"

#include <QIcon>
#include <QMouseEvent>
#include <QPainter>

#include "picture_cache.h"

KlmPicturePane::KlmPicturePane(const QString& objectName, KlmPictureCache& cache, QWidget* parent)
    : QWidget(parent), cache_(cache)
{
    setObjectName(objectName);
    setCursor(Qt::ArrowCursor);
    // Every pixel is painted from the composed pixmap: no background erase.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
}

void KlmPicturePane::setContent(const std::string& framePath, const std::string& picturePath, const KlmEdges& picture)
{
    if (framePath == frame_ && picturePath == picture_ && picture == rect_ && !composed_.isNull())
        return;
    frame_ = framePath;
    picture_ = picturePath;
    rect_ = picture;
    dirty_ = true;
    update();
}

void KlmPicturePane::setPictureShown(bool shown)
{
    if (shown == shown_)
        return;
    shown_ = shown;
    dirty_ = true;
    update();
}

void KlmPicturePane::compose()
{
    const qreal dpr = devicePixelRatioF();
    QPixmap pm(size() * dpr);
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::black);
    QPainter p(&pm);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    // Scaled once by the cache, so a repaint at the same size only copies.
    const QImage frame = cache_.scaled(frame_, size() * dpr);
    if (!frame.isNull())
        p.drawImage(QRect(QPoint(0, 0), size()), frame);
    const QRect target(rect_.left, rect_.top, rect_.right - rect_.left, rect_.bottom - rect_.top);
    if (shown_ && !picture_.empty() && target.width() > 0 && target.height() > 0) {
        const QImage picture = cache_.scaled(picture_, target.size() * dpr);
        if (!picture.isNull())
            p.drawImage(target, picture);
    }
    p.end();
    composed_ = pm;
    dirty_ = false;
}

void KlmPicturePane::paintEvent(QPaintEvent*)
{
    if (dirty_ || composed_.isNull() || composed_.deviceIndependentSize().toSize() != size())
        compose();
    QPainter p(this);
    p.drawPixmap(0, 0, composed_);
}

void KlmPicturePane::resizeEvent(QResizeEvent* event)
{
    dirty_ = true;
    QWidget::resizeEvent(event);
}

void KlmPicturePane::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        Q_EMIT clicked();
    QWidget::mousePressEvent(event);
}

KlmIconPane::KlmIconPane(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("KLMICONWNDCLASS"));
    setCursor(Qt::ArrowCursor);
}

QPixmap KlmIconPane::icon(const std::string& path)
{
    if (path.empty())
        return {};
    // A missing icon file leaves its place blank.
    return QIcon(QString::fromStdString(path)).pixmap(kKlmInfoIconSize, kKlmInfoIconSize);
}

void KlmIconPane::setIcons(const KlmInfoIcons& icons)
{
    if (icons.hardware == icons_.hardware && icons.software == icons_.software && icons.genre == icons_.genre)
        return;
    icons_ = icons;
    shown_[0] = icon(icons.hardware);
    shown_[1] = icon(icons.software);
    shown_[2] = icon(icons.genre);
    update();
}

void KlmIconPane::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    for (int i = 0; i < 3; ++i)
        if (!shown_[i].isNull())
            p.drawPixmap(QRect(i * kKlmInfoIconStep, 0, kKlmInfoIconSize, kKlmInfoIconSize), shown_[i]);
}
