#include "settings/settings.h"

#include <initializer_list>

#include "text/cp932.h"

KlmFont klmDefaultControlFont()
{
    // The usual GUI font of a Japanese system: 9 points at 96 dpi.
    KlmFont f;
    f.height = -12;
    f.weight = 400;
    f.charSet = 128;  // Shift-JIS character set
    klmCopyField(f.faceName, "MS UI Gothic");
    return f;
}

KlmColumnList klmDefaultShownColumns()
{
    // Title first and wider, then the movie mark, the nine record fields
    // 1–9, the arcade file and the ROM size; all ascending.
    static constexpr int32_t kFields[] = {0, 10, 1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 16};
    KlmColumnList list;
    for (int32_t field : kFields) {
        KlmColumn& c = list.items[list.count++];
        c.width = field == 0 ? 150 : 80;
        c.field = field;
        c.descending = 0;
    }
    return list;
}

namespace {

KlmItemList itemList(std::initializer_list<int32_t> ids)
{
    KlmItemList list;
    for (int32_t id : ids)
        list.items[list.count++] = id;
    return list;
}

}  // namespace

KlmItemList klmDefaultDetailedItems()
{
    KlmItemList list;
    for (int32_t id = 0; id <= 18; ++id)
        list.items[list.count++] = id;
    return list;
}

KlmItemList klmDefaultSimpleItems()
{
    // Title, developer, publisher, genre, release date, price.
    return itemList({0, 3, 4, 5, 7, 8});
}

KlmItemList klmDefaultStatusItems()
{
    return itemList({0, 1, 2, 3, 4, 5, 6, 7});
}

Settings klmDefaultSettings(const KlmFont& controlFont, int32_t clientWidth)
{
    Settings s;
    s.search.showOwned = 1;
    s.search.showNotRenamed = 0;
    s.search.showNotOwned = 1;
    s.search.showLaterDisks = 1;
    s.search.favoritesOnly = 0;

    s.defaultFont = controlFont;
    s.listFont = controlFont;
    s.infoFont = controlFont;
    s.searchFont = controlFont;
    s.statusFont = controlFont;

    s.shownColumns = klmDefaultShownColumns();
    s.detailedShown = klmDefaultDetailedItems();
    s.simpleShown = klmDefaultSimpleItems();
    s.statusShown = klmDefaultStatusItems();

    s.splitX = klmDefaultSplitX(clientWidth);
    return s;
}
