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

std::string_view klmAllItemsText(KlmNameCondition which)
{
    switch (which) {
    case KlmNameCondition::Hardware:
        return "\x91\x53\x82\xc4(\x83\x6e\x81\x5b\x83\x68)";  // 全て(ハード)
    case KlmNameCondition::Software:
        return "\x91\x53\x82\xc4(\x83\x5c\x83\x74\x83\x67 / \x8a\xee\x94\xc2)";  // 全て(ソフト / 基板)
    case KlmNameCondition::Developer:
        return "\x91\x53\x82\xc4(\x8a\x4a\x94\xad\x8c\xb3)";  // 全て(開発元)
    case KlmNameCondition::Publisher:
        return "\x91\x53\x82\xc4(\x94\xad\x94\x84\x8c\xb3)";  // 全て(発売元)
    case KlmNameCondition::Genre:
        return "\x91\x53\x82\xc4(\x83\x57\x83\x83\x83\x93\x83\x8b)";  // 全て(ジャンル)
    case KlmNameCondition::Screen:
        return "\x91\x53\x82\xc4(\x89\xe6\x96\xca)";  // 全て(画面)
    }
    return {};
}

int32_t& klmNameConditionField(Settings& s, KlmNameCondition which)
{
    switch (which) {
    case KlmNameCondition::Hardware: return s.search.hardware;
    case KlmNameCondition::Software: return s.search.software;
    case KlmNameCondition::Developer: return s.search.developer;
    case KlmNameCondition::Publisher: return s.search.publisher;
    case KlmNameCondition::Genre: return s.search.genre;
    case KlmNameCondition::Screen: return s.search.screen;
    }
    return s.search.hardware;
}

const int32_t& klmNameConditionField(const Settings& s, KlmNameCondition which)
{
    return klmNameConditionField(const_cast<Settings&>(s), which);
}
