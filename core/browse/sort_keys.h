// The values the sort keys compare, shared by the comparison and by the
// computation of the orders so that the two cannot drift apart.
#pragma once

#include <cstdint>
#include <string_view>

#include "browse/name_conditions.h"
#include "catalogue/records.h"
#include "text/cp932.h"

// The numeric value of keys 1–9 and 12 (0 for the others).
inline int32_t klmSortNumericKey(const GameRecord& g, int key)
{
    // Keys 1–6 are the name conditions' table positions, in table order.
    if (key >= 1 && key <= kKlmNameConditionCount)
        return g.*kKlmNameConditions[key - 1].gameIndex;
    switch (key) {
    case 7: return g.releaseDate;
    case 8: return g.price;
    case 9: return g.imageNumber;
    case 12: return g.romSize;
    default: return 0;
    }
}

// The text titles sort by in one title mode.
inline std::string_view klmSortTitleText(const GameRecord& g, bool titleString)
{
    return titleString ? klmField(g.title) : klmField(g.titleKana);
}
