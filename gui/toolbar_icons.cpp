#include "toolbar_icons.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <numbers>

#include "ui/window_rules.h"

namespace {

const QColor kInk(40, 40, 40);
const QColor kBlue(30, 90, 200);
const QColor kRed(210, 30, 30);
const QColor kGreen(0, 150, 0);
const QColor kTeal(0, 160, 160);

// A small letter in the lower right, the key of the command.
void letter(QPainter& p, QChar c, const QColor& colour, QRectF where = QRectF(7, 5, 9, 10))
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(9);
    f.setBold(true);
    p.setFont(f);
    p.setPen(colour);
    p.drawText(where, Qt::AlignCenter, QString(c));
}

void magnifier(QPainter& p)
{
    p.setPen(QPen(kInk, 1.4));
    p.setBrush(QColor(220, 235, 255));
    p.drawEllipse(QRectF(1.5, 1.5, 7, 7));
    p.setPen(QPen(kInk, 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(7.5, 7.5), QPointF(9.5, 9.5));
}

void redCross(QPainter& p, QRectF r)
{
    p.setPen(QPen(kRed, 1.8, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(r.topLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomLeft());
}

void speaker(QPainter& p)
{
    p.setPen(QPen(kInk, 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(1.5, 5.5, 3, 4));
    QPolygonF cone;
    cone << QPointF(4.5, 5.5) << QPointF(8.5, 2.5) << QPointF(8.5, 12.5) << QPointF(4.5, 9.5);
    p.drawPolygon(cone);
}

void triangle(QPainter& p, qreal x, qreal w, bool right, const QColor& c)
{
    QPolygonF t;
    if (right) t << QPointF(x, 3) << QPointF(x + w, 7.5) << QPointF(x, 12);
    else t << QPointF(x + w, 3) << QPointF(x, 7.5) << QPointF(x + w, 12);
    p.setPen(QPen(c.darker(140), 1));
    p.setBrush(c);
    p.drawPolygon(t);
}

void swatch(QPainter& p, const QColor& c)
{
    p.setPen(QPen(kInk, 1));
    p.setBrush(c);
    p.drawRect(QRectF(2.5, 2.5, 11, 10));
    p.setPen(QPen(Qt::white, 1.2));
    p.drawLine(QPointF(4.5, 5.5), QPointF(11.5, 5.5));
    p.drawLine(QPointF(4.5, 9.5), QPointF(9.5, 9.5));
}

void star(QPainter& p)
{
    QPolygonF s;
    for (int i = 0; i < 10; ++i) {
        const qreal r = i % 2 ? 3.0 : 7.0;
        const qreal a = -std::numbers::pi / 2 + i * std::numbers::pi / 5;
        s << QPointF(8 + r * std::cos(a), 8 + r * std::sin(a));
    }
    p.setPen(QPen(QColor(170, 120, 0), 1));
    p.setBrush(QColor(255, 200, 0));
    p.drawPolygon(s);
}

void drawImage(QPainter& p, int command)
{
    static const char kSearchKeys[] = "THSDPGMYKB";
    static const char kResetKeys[] = "ACHSDPGMYKB";
    if (command >= 33000 && command <= 33009) {
        magnifier(p);
        letter(p, QLatin1Char(kSearchKeys[command - 33000]), kBlue);
        return;
    }
    if (command >= 33010 && command <= 33020) {
        if (command == 33010) {
            magnifier(p);
            redCross(p, QRectF(8.5, 8.5, 5, 5));
            return;
        }
        letter(p, QLatin1Char(kResetKeys[command - 33010]), kInk, QRectF(0, 1, 10, 11));
        redCross(p, QRectF(9.5, 8.5, 5, 5));
        return;
    }
    switch (command) {
    case 32848:  // title order: a list sorted by its text
        p.setPen(QPen(kInk, 1.2));
        for (int i = 0; i < 4; ++i) p.drawLine(QPointF(1.5, 2.5 + 3 * i), QPointF(4.5 + 2 * i, 2.5 + 3 * i));
        p.setPen(QPen(kBlue, 1.6, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(12, 2), QPointF(12, 12));
        p.drawLine(QPointF(12, 12.5), QPointF(9.5, 9.5));
        p.drawLine(QPointF(12, 12.5), QPointF(14.5, 9.5));
        break;
    case 35002:  // mouse wheel
        p.setPen(QPen(kInk, 1));
        p.setBrush(Qt::white);
        p.drawRoundedRect(QRectF(3.5, 1.5, 9, 12), 4, 4);
        p.drawLine(QPointF(3.5, 6.5), QPointF(12.5, 6.5));
        p.setPen(QPen(kBlue, 2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(8, 3), QPointF(8, 5));
        break;
    case 34000: {  // automatic selection: a list with a moving arrow
        p.setPen(QPen(kInk, 1));
        for (int i = 0; i < 4; ++i) p.drawLine(QPointF(7.5, 2.5 + 3 * i), QPointF(14.5, 2.5 + 3 * i));
        triangle(p, 1, 4.5, true, kGreen);
        break;
    }
    case 32808: swatch(p, QColor(0, 150, 0)); break;
    case 42299: swatch(p, QColor(230, 150, 0)); break;
    case 32809: swatch(p, QColor(200, 40, 40)); break;
    case 32810:  // later disks: two discs
        p.setPen(QPen(kInk, 1));
        for (qreal x : {5.5, 1.5}) {
            p.setBrush(QColor(200, 210, 230));
            p.drawEllipse(QRectF(x, x == 1.5 ? 1.5 : 3.5, 9, 9));
            p.setBrush(Qt::white);
            p.drawEllipse(QRectF(x + 3.5, (x == 1.5 ? 1.5 : 3.5) + 3.5, 2, 2));
        }
        break;
    case 32841: star(p); break;
    case 32772: triangle(p, 4, 8, true, kGreen); break;
    case 32773:
        p.setPen(Qt::NoPen);
        p.setBrush(kBlue);
        p.drawRect(QRectF(4, 3, 3, 9));
        p.drawRect(QRectF(9, 3, 3, 9));
        break;
    case 32777: speaker(p); redCross(p, QRectF(10, 4.5, 5, 6)); break;
    case 32774:
        speaker(p);
        p.setPen(QPen(kTeal, 1.8));
        p.drawLine(QPointF(10, 7.5), QPointF(15, 7.5));
        p.drawLine(QPointF(12.5, 5), QPointF(12.5, 10));
        break;
    case 32775:
        speaker(p);
        p.setPen(QPen(kTeal, 1.8));
        p.drawLine(QPointF(10, 7.5), QPointF(15, 7.5));
        break;
    case 33103: speaker(p); letter(p, QLatin1Char('N'), kTeal, QRectF(8, 2, 8, 11)); break;
    case 33100: triangle(p, 1, 6.5, true, kTeal); triangle(p, 8, 6.5, true, kTeal); break;
    case 33101: triangle(p, 1, 6.5, false, kTeal); triangle(p, 8, 6.5, false, kTeal); break;
    case 33102: triangle(p, 1, 6.5, true, kTeal); letter(p, QLatin1Char('1'), kInk, QRectF(8, 2, 8, 11)); break;
    case 32830:  // film strip
        p.setPen(QPen(kInk, 1));
        p.setBrush(QColor(60, 60, 60));
        p.drawRect(QRectF(1.5, 2.5, 13, 10));
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        for (int i = 0; i < 4; ++i) {
            p.drawRect(QRectF(2.5 + 3 * i, 3.5, 1.5, 1.5));
            p.drawRect(QRectF(2.5 + 3 * i, 10, 1.5, 1.5));
        }
        p.setBrush(QColor(120, 190, 255));
        p.drawRect(QRectF(4, 6, 8, 3));
        break;
    case 32835: {  // loop: a circular arrow
        p.setPen(QPen(kGreen, 1.8));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(2.5, 2.5, 10, 10), 60 * 16, 290 * 16);
        QPolygonF head;
        head << QPointF(10, 1) << QPointF(14, 4.5) << QPointF(9, 6);
        p.setPen(Qt::NoPen);
        p.setBrush(kGreen);
        p.drawPolygon(head);
        break;
    }
    default: break;
    }
}

}  // namespace

QPixmap klmToolbarStrip()
{
    QPixmap strip(kKlmToolImageW * kKlmToolbarButtons, kKlmToolImageH);
    strip.fill(Qt::transparent);
    QPainter p(&strip);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    for (int i = 0; i < kKlmToolbarButtons; ++i) {
        p.save();
        p.translate(i * kKlmToolImageW, 0);
        p.setClipRect(0, 0, kKlmToolImageW, kKlmToolImageH);
        drawImage(p, klmToolbarCommand(i));
        p.restore();
    }
    return strip;
}
