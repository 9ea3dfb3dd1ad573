#include "fonts.h"

#include <QApplication>
#include <QHeaderView>
#include <QTableView>

#include "qt_font.h"
#include "search_bar.h"
#include "status_bar.h"

void klmApplyFonts(const Settings& s, QTableView* list, QWidget* info, SearchBar* search, KlmStatusBar* status)
{
    const QFont system = QApplication::font();

    list->setFont(klmDrawingFont(s.listFont, system));
    // Fixed row heights follow the font, so the view still measures no rows.
    list->verticalHeader()->setDefaultSectionSize(list->fontMetrics().height() + 4);

    info->setFont(klmDrawingFont(s.infoFont, system));

    const QFont searchFont = klmDrawingFont(s.searchFont, system);
    for (int id = 1003; id <= 1019; ++id)
        if (QWidget* control = search->control(id)) control->setFont(searchFont);

    status->setFont(klmDrawingFont(s.statusFont, system));
    status->updateGeometry();
}
