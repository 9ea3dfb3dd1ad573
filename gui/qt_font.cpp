#include "qt_font.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cmath>


namespace {

bool installed(const std::string& family)
{
    static const QStringList families = QFontDatabase::families();
    return families.contains(QString::fromStdString(family), Qt::CaseInsensitive);
}

}  // namespace

int klmScreenDpi(const QWidget* widget)
{
    const QScreen* screen = widget ? widget->screen() : QGuiApplication::primaryScreen();
    const int dpi = screen ? static_cast<int>(std::lround(screen->logicalDotsPerInchY())) : 0;
    return dpi > 0 ? dpi : 96;
}

QFont klmQFontOf(const KlmFontFace& face, const QFont& base)
{
    QFont font(base);
    if (!face.family.empty()) font.setFamily(QString::fromStdString(face.family));
    if (face.pixelHeight > 0) {
        font.setPixelSize(face.pixelHeight);
    } else if (face.cellHeight > 0) {
        // A cell height: take the character height that gives that cell.
        font.setPixelSize(face.cellHeight);
        const int cell = QFontMetrics(font).height();
        if (cell > 0) font.setPixelSize(std::max(1, face.cellHeight * face.cellHeight / cell));
    }
    if (face.weight > 0) font.setWeight(static_cast<QFont::Weight>(std::clamp(face.weight, 1, 1000)));
    font.setItalic(face.italic);
    font.setUnderline(face.underline);
    font.setStrikeOut(face.strikeOut);
    if (face.fixedPitch) font.setFixedPitch(true);
    return font;
}

KlmFontFace klmFontFaceOf(const QFont& font, int dpi)
{
    KlmFontFace face;
    face.family = font.family().toStdString();
    face.pixelHeight = font.pixelSize() > 0 ? font.pixelSize() : -klmFontHeightForPoints(font.pointSizeF(), dpi);
    face.weight = font.weight();
    face.italic = font.italic();
    face.underline = font.underline();
    face.strikeOut = font.strikeOut();
    face.fixedPitch = font.fixedPitch() || QFontDatabase::isFixedPitch(font.family());
    return face;
}

QFont klmDrawingFont(const KlmFont& record, const QFont& fallback)
{
    KlmFontFace face = klmFontFaceOf(record);
    face.family = klmDrawingFamily(face, installed);
    if (face.family.empty()) face.family = fallback.family().toStdString();
    return klmQFontOf(face, fallback);
}

bool klmStoreQFont(KlmFont& record, const QFont& font, int dpi)
{
    return klmStoreFontFace(record, klmFontFaceOf(font, dpi));
}
