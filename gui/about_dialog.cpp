#include "about_dialog.h"

#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

#include "qt_text.h"

void klmOpenUrl(const QUrl& url, const KlmUrlOpener& opener)
{
    if (opener) {
        opener(url);
        return;
    }
    QDesktopServices::openUrl(url);
}

QPixmap klmProgramIcon(int size)
{
    // A catalogue card with a film strip: the program's mark.
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    p.setPen(QPen(QColor(20, 40, 90), 1.5));
    p.setBrush(QColor(40, 90, 180));
    p.drawRoundedRect(QRectF(2, 4, 28, 24), 4, 4);
    p.setBrush(QColor(250, 250, 250));
    p.setPen(Qt::NoPen);
    p.drawRect(QRectF(7, 9, 18, 14));
    p.setBrush(QColor(230, 60, 60));
    QPainterPath play;
    play.moveTo(13, 12);
    play.lineTo(20, 16);
    play.lineTo(13, 20);
    play.closeSubpath();
    p.drawPath(play);
    p.setBrush(QColor(20, 40, 90));
    for (int i = 0; i < 4; ++i) {
        p.drawRect(QRectF(4, 7 + i * 5, 2, 3));
        p.drawRect(QRectF(26, 7 + i * 5, 2, 3));
    }
    return pm;
}

KlmLinkLabel::KlmLinkLabel(const QString& address, KlmUrlOpener opener, QWidget* parent)
    : QLabel(address, parent), opener_(std::move(opener))
{
    setCursor(Qt::PointingHandCursor);
    QFont f = font();
    f.setUnderline(true);
    setFont(f);  // the size hint then matches what is drawn
}

void KlmLinkLabel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setFont(font());
    p.setPen(QColor(0, 0, 255));
    p.drawText(rect(), Qt::AlignLeft | Qt::AlignTop, text());
}

void KlmLinkLabel::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        klmOpenUrl(QUrl(text()), opener_);
    QLabel::mousePressEvent(event);
}

KlmAboutDialog::KlmAboutDialog(QWidget* parent, const KlmUrlOpener& opener) : QDialog(parent)
{
    setObjectName(QStringLiteral("103"));
    setWindowTitle(klmU("バージョン情報 Kolmar"));

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("107"));
    icon->setPixmap(klmProgramIcon(32));
    auto* name = new QLabel(QString::fromLatin1(kKlmVersionText), this);
    auto* line = new QLabel(klmU("ゲームのカタログとロムの管理ツール"), this);
    web_ = new KlmLinkLabel(QString::fromLatin1(kKlmHomeUrl), opener, this);
    web_->setObjectName(QStringLiteral("42200"));
    bbs_ = new KlmLinkLabel(QString::fromLatin1(kKlmIssuesUrl), opener, this);
    bbs_->setObjectName(QStringLiteral("42201"));

    auto* text = new QVBoxLayout;
    text->addWidget(name);
    text->addWidget(line);
    auto* links = new QGridLayout;
    links->addWidget(new QLabel(QStringLiteral("WebSite"), this), 0, 0);
    links->addWidget(web_, 0, 1);
    links->addWidget(new QLabel(QStringLiteral("BBS"), this), 1, 0);
    links->addWidget(bbs_, 1, 1);
    text->addLayout(links);

    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addLayout(text, 1);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("1"));
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}
