// The six name conditions of the search bar (hardware, software/board,
// developer, publisher, genre, screen) in one table: the master table each
// names an entry of, the GameRecord field that holds a game's position in
// that table, the SearchCondition field that holds the choice, the search
// bar's list and commands, and the "all" text that heads the list.
//
// The table's order is the order everywhere: setting.dat, the search bar's
// lists 1004–1009, the commands 33001–33006 and 33012–33017, the sort keys
// 1–6 and the match engine's table slots.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "browse/search_condition.h"
#include "catalogue/catalogue.h"
#include "ui/command_ids.h"

enum class KlmNameCondition { Hardware, Software, Developer, Publisher, Genre, Screen };
inline constexpr int kKlmNameConditionCount = 6;

struct KlmNameConditionDef {
    KlmNameCondition which;
    std::vector<MasterEntry> Catalogue::*table;
    int32_t GameRecord::*gameIndex;       // the game's position in table
    int32_t SearchCondition::*condition;  // 0 all, n entry n − 1
    int32_t listControl;                  // the search bar's drop-down list
    int32_t searchCommand;                // "…で検索" for the selected game
    int32_t resetCommand;                 // "…検索をリセット"
    std::string_view allText;             // CP932, e.g. 全て(ハード)
};

inline constexpr KlmNameConditionDef kKlmNameConditions[kKlmNameConditionCount] = {
    {KlmNameCondition::Hardware, &Catalogue::hardware, &GameRecord::hardware, &SearchCondition::hardware, 1004,
     kKlmCmdSearchHardware, kKlmCmdResetHardware, "\x91\x53\x82\xc4(\x83\x6e\x81\x5b\x83\x68)"},
    {KlmNameCondition::Software, &Catalogue::software, &GameRecord::software, &SearchCondition::software, 1005,
     kKlmCmdSearchSoftware, kKlmCmdResetSoftware, "\x91\x53\x82\xc4(\x83\x5c\x83\x74\x83\x67 / \x8a\xee\x94\xc2)"},
    {KlmNameCondition::Developer, &Catalogue::developer, &GameRecord::developerNumber, &SearchCondition::developer,
     1006, kKlmCmdSearchDeveloper, kKlmCmdResetDeveloper, "\x91\x53\x82\xc4(\x8a\x4a\x94\xad\x8c\xb3)"},
    {KlmNameCondition::Publisher, &Catalogue::publisher, &GameRecord::publisherNumber, &SearchCondition::publisher,
     1007, kKlmCmdSearchPublisher, kKlmCmdResetPublisher, "\x91\x53\x82\xc4(\x94\xad\x94\x84\x8c\xb3)"},
    {KlmNameCondition::Genre, &Catalogue::genre, &GameRecord::genre, &SearchCondition::genre, 1008,
     kKlmCmdSearchGenre, kKlmCmdResetGenre, "\x91\x53\x82\xc4(\x83\x57\x83\x83\x83\x93\x83\x8b)"},
    {KlmNameCondition::Screen, &Catalogue::screen, &GameRecord::screen, &SearchCondition::screen, 1009,
     kKlmCmdSearchScreen, kKlmCmdResetScreen, "\x91\x53\x82\xc4(\x89\xe6\x96\xca)"},
};

inline const KlmNameConditionDef& klmNameConditionDef(KlmNameCondition which)
{
    return kKlmNameConditions[static_cast<int>(which)];
}

// The "all" entry that heads the condition's list; setting.dat stores it
// for "no condition".
inline std::string_view klmAllItemsText(KlmNameCondition which) { return klmNameConditionDef(which).allText; }

// The table a condition names an entry of.
inline const std::vector<MasterEntry>& klmNameConditionTable(const Catalogue& cat, KlmNameCondition which)
{
    return cat.*klmNameConditionDef(which).table;
}

// The game's position in the condition's table.
inline int32_t klmNameConditionPosition(const GameRecord& g, KlmNameCondition which)
{
    return g.*klmNameConditionDef(which).gameIndex;
}

// The condition's field of a search condition.
inline int32_t& klmNameConditionField(SearchCondition& cond, KlmNameCondition which)
{
    return cond.*klmNameConditionDef(which).condition;
}
inline int32_t klmNameConditionField(const SearchCondition& cond, KlmNameCondition which)
{
    return cond.*klmNameConditionDef(which).condition;
}
