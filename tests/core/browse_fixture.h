// Small in-memory catalogues for the browse tests: games and table entries
// built field by field from UTF-8 literals.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "browse/search_condition.h"
#include "catalogue/catalogue.h"
#include "test_util.h"

// A game with a title and kana reading; everything else neutral: no date,
// no price, no size, not owned, first disk, no movie.
inline GameRecord& klmTestAddGame(Catalogue& cat, std::string_view title, std::string_view kana = {})
{
    GameRecord g{};
    klmCopyField(g.title, sj(title));
    klmCopyField(g.titleKana, sj(kana));
    klmCopyField(g.movieMark, sj("×"));
    cat.games.push_back(g);
    return cat.games.back();
}

inline MasterEntry& klmTestAddEntry(std::vector<MasterEntry>& table, std::string_view name, int32_t value = 0)
{
    MasterEntry e{};
    e.position = static_cast<int32_t>(table.size());
    e.key = e.position;
    klmCopyField(e.name, sj(name));
    klmCopyField(e.alias, sj(name));
    e.value = value;
    table.push_back(e);
    return table.back();
}

// Every view filter open, so that only the condition under test decides.
inline SearchCondition klmTestOpenCondition()
{
    SearchCondition c;
    c.showOwned = c.showNotRenamed = c.showNotOwned = c.showLaterDisks = 1;
    c.favoritesOnly = 0;
    return c;
}

inline void klmTestSetText(SearchCondition& c, std::string_view utf8)
{
    klmCopyField(c.searchText, sj(utf8));
}
