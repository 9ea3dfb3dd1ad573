// SearchCondition: what the search bar has chosen and what the list shows.
// The search bar edits it, the match engine reads it, the settings store it
// between runs. Plain data only; the rules live with the match engine.
#pragma once

#include <cstddef>
#include <cstdint>

struct SearchCondition {
    static constexpr size_t kTextSize = 256;     // 255 bytes of CP932 and a terminator
    static constexpr int32_t kKindCount = 22;    // string-search kinds 0–21

    char searchText[kTextSize] = {};
    int32_t searchKind = 0;

    // 0 = all; n >= 1 = entry n - 1 of the matching table, in table order
    // (the selection index of the search bar's drop-down list).
    int32_t hardware = 0;
    int32_t software = 0;
    int32_t developer = 0;
    int32_t publisher = 0;
    int32_t genre = 0;
    int32_t screen = 0;

    // 0 = all; n >= 1 = the n-th entry of the year, price or ROM-size list.
    // Qualifiers: year 0 that year / 1 以前 / 2 以降; price 0 台 / 1 以下 /
    // 2 以上; ROM size 0 about / 1 以下 / 2 以上.
    int32_t year = 0;
    int32_t yearQualifier = 0;
    int32_t price = 0;
    int32_t priceQualifier = 0;
    int32_t romSize = 0;
    int32_t romSizeQualifier = 0;

    // Computed once after the catalogue is loaded; never stored.
    int32_t yearBase = 0;    // earliest release year × 10000
    int32_t yearTop = 0;     // latest release year × 10000
    int32_t priceBase = 1000;
    int32_t priceTop = 0;    // highest known price, rounded down to 1000s

    // View filters, 0 or 1.
    int32_t showOwned = 0;        // F1
    int32_t showNotRenamed = 0;   // F2
    int32_t showNotOwned = 0;     // F3
    int32_t showLaterDisks = 0;   // F4
    int32_t favoritesOnly = 0;    // F5
};
