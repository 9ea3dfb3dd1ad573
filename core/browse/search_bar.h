// The search bar's rules without its widgets: the texts of its drop-down
// lists (the window only shows them, so a selection index is the value of
// the SearchCondition field), what a selection change stores, the resets,
// and the value the search commands choose for the selected game.
//
// Every function that changes the condition says whether it did; the
// window refreshes the list exactly when it did.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "browse/search_condition.h"
#include "catalogue/catalogue.h"
#include "settings/settings.h"
#include "ui/command_ids.h"

// Control ids of the search bar.
inline constexpr int32_t kKlmIdSearchText = 1003;
inline constexpr int32_t kKlmIdHardwareList = 1004;
inline constexpr int32_t kKlmIdSoftwareList = 1005;
inline constexpr int32_t kKlmIdDeveloperList = 1006;
inline constexpr int32_t kKlmIdPublisherList = 1007;
inline constexpr int32_t kKlmIdGenreList = 1008;
inline constexpr int32_t kKlmIdScreenList = 1009;
inline constexpr int32_t kKlmIdResetButton = 1011;
inline constexpr int32_t kKlmIdYearList = 1013;
inline constexpr int32_t kKlmIdYearQualifierList = 1014;
inline constexpr int32_t kKlmIdPriceList = 1015;
inline constexpr int32_t kKlmIdPriceQualifierList = 1016;
inline constexpr int32_t kKlmIdKindList = 1017;
inline constexpr int32_t kKlmIdRomSizeList = 1018;
inline constexpr int32_t kKlmIdRomSizeQualifierList = 1019;


// --- Drop-down texts (CP932) -------------------------------------------

// Number of entries of the year list: "全て(発売年)" and one per year from
// the first to the last; only the first when no record has a known date.
int32_t klmYearListCount(const SearchCondition& cond);
// "全て(発売年)", then "%d年" for each year.
std::vector<std::string> klmYearListTexts(const SearchCondition& cond);
// price top ÷ 1000 + 1 entries: "全て(価格)", then "%d,000円" for 1, 2, ….
int32_t klmPriceListCount(const SearchCondition& cond);
std::vector<std::string> klmPriceListTexts(const SearchCondition& cond);
// "全て(ロムサイズ)", then the ROM-size table's texts, smallest first.
int32_t klmRomSizeListCount(const Catalogue& cat);
std::vector<std::string> klmRomSizeListTexts(const Catalogue& cat);
// "全て(ハード)" (and so on), then the table's names in table order.
std::vector<std::string> klmNameConditionListTexts(const Catalogue& cat, KlmNameCondition which);
// The same list one entry at a time, for a list that asks for the texts it
// shows: its length, and entry k (empty past the end).
int32_t klmNameConditionListCount(const Catalogue& cat, KlmNameCondition which);
std::string_view klmNameConditionListText(const Catalogue& cat, KlmNameCondition which, int32_t k);
// "----" "以前" "以降"; "台" "以下" "以上"; "----" "以下" "以上".
std::vector<std::string> klmYearQualifierTexts();
std::vector<std::string> klmPriceQualifierTexts();
std::vector<std::string> klmRomSizeQualifierTexts();
// The single item of the lists' reset pop-up.
inline constexpr std::string_view kKlmResetItemText = "\x83\x8a\x83\x5a\x83\x62\x83\x67";  // リセット

// --- Editing the condition ----------------------------------------------

// The search text box's text (cut at 255 bytes on a character boundary).
void klmSetSearchText(SearchCondition& cond, std::string_view text);

// A drop-down list's new selection: stored when it differs. True when the
// condition changed (refresh); false for the same value or another control.
bool klmSetSearchBarSelection(SearchCondition& cond, int32_t controlId, int32_t selection);

// The selection a drop-down list shows for the condition (−1 for a
// control that is no list of the bar).
int32_t klmSearchBarSelection(const SearchCondition& cond, int32_t controlId);

// Whether a qualifier list (1014, 1016, 1019) is enabled: while its
// condition is not 0. A disabled qualifier keeps its value.
bool klmQualifierEnabled(const SearchCondition& cond, int32_t qualifierControlId);

// The reset command a list's "リセット" pop-up carries (kind 33011, the
// nine value lists 33012–33020); 0 for the qualifier lists and others.
int32_t klmResetCommandOfControl(int32_t controlId);

// What a search command did.
enum class KlmSearchOutcome {
    Ignored,      // not a search-bar command
    NoSelection,  // the command needs a selected game: nothing happens
    Beep,         // the game's value is unknown: warning beep, nothing changes
    NoEntry,      // no list entry fits the game's value: nothing changes, no beep
    Unchanged,    // the value is already chosen, or nothing is set to reset
    Changed,      // stored: select it in its list, refresh, focus the list
};

// 33010: when anything but the ROM-size qualifier is set, clears the text,
// the kind and the twelve table, year, price and ROM-size fields.
KlmSearchOutcome klmResetAllSearch(SearchCondition& cond);

// 33010–33020.
KlmSearchOutcome klmResetSearch(SearchCondition& cond, int32_t command);

// 33000–33009 for the selected game: 33000 searches its title (kind 2); the
// tables choose its entry + 1; the year, the price band and the ROM size
// their list entry (unknown value: Beep; ROM size beyond every entry's
// tolerance: NoEntry). The qualifier of the pair is left as it is.
KlmSearchOutcome klmSearchBySelectedGame(SearchCondition& cond, int32_t command, const Catalogue& cat,
                                         int32_t selectedGame);

// Any command of the search menu (33000–33020).
KlmSearchOutcome klmApplySearchCommand(SearchCondition& cond, int32_t command, const Catalogue& cat,
                                       int32_t selectedGame);
