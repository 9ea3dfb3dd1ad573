#include "fonts.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QTableView>

#include <algorithm>

#include "qt_text.h"
#include "search_bar.h"
#include "status_bar.h"

namespace {

bool installed(const QString& family)
{
    static const QStringList families = QFontDatabase::families();
    return families.contains(family, Qt::CaseInsensitive);
}

// The stored faces are those of a Japanese Windows system; the nearest
// installed Japanese face stands in for a missing one.
QString availableFamily(const KlmFont& f, const QFont& fallback)
{
    const QString face = klmQ(klmField(f.faceName)).trimmed();
    if (!face.isEmpty() && installed(face)) return face;
    const bool fixedPitch = (f.pitchAndFamily & 0x03) == 1;
    const bool serif = face.contains(QStringLiteral("Mincho"), Qt::CaseInsensitive) ||
                       face.contains(klmU("明朝"));
    QStringList candidates;
    if (fixedPitch) candidates << QStringLiteral("Noto Sans Mono CJK JP");
    if (serif) candidates << QStringLiteral("Noto Serif CJK JP");
    candidates << QStringLiteral("Noto Sans CJK JP") << QStringLiteral("Noto Sans JP")
               << QStringLiteral("IPAexGothic") << QStringLiteral("IPAGothic") << QStringLiteral("VL Gothic");
    for (const QString& c : candidates)
        if (installed(c)) return c;
    return fallback.family();
}

}  // namespace

QFont klmQFont(const KlmFont& f, const QFont& fallback)
{
    QFont font(fallback);
    font.setFamily(availableFamily(f, fallback));
    if (f.height < 0) {
        font.setPixelSize(-f.height);
    } else if (f.height > 0) {
        // A cell height: take the character height that gives that cell.
        font.setPixelSize(f.height);
        const int cell = QFontMetrics(font).height();
        if (cell > 0) font.setPixelSize(std::max(1, f.height * f.height / cell));
    }
    if (f.weight > 0) font.setWeight(static_cast<QFont::Weight>(std::clamp(f.weight, 100, 900)));
    font.setItalic(f.italic != 0);
    font.setUnderline(f.underline != 0);
    font.setStrikeOut(f.strikeOut != 0);
    return font;
}

void klmApplyFonts(const Settings& s, QTableView* list, QWidget* info, SearchBar* search, KlmStatusBar* status)
{
    const QFont system = QApplication::font();

    list->setFont(klmQFont(s.listFont, system));
    // Fixed row heights follow the font, so the view still measures no rows.
    list->verticalHeader()->setDefaultSectionSize(list->fontMetrics().height() + 4);

    info->setFont(klmQFont(s.infoFont, system));

    const QFont searchFont = klmQFont(s.searchFont, system);
    for (int id = 1003; id <= 1019; ++id)
        if (QWidget* control = search->control(id)) control->setFont(searchFont);

    status->setFont(klmQFont(s.statusFont, system));
    status->updateGeometry();
}
