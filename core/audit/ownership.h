// Ownership of games: whether an owned ROM already carries its target name,
// the games that count as owned by their CRC alone (00000000, FFFFFFFF),
// the reset of the audit state and the statistics of the properties box.
//
// Owned means status kKlmOwned or kKlmOwnedNotRenamed. A game's found path
// and member name are CP932 texts of native paths (see audit.h).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "catalogue/catalogue.h"
#include "settings/settings.h"

// Program texts (UTF-8) of the properties box.
inline constexpr const char* kKlmPropertiesTitle = "プロパティ";

inline constexpr std::string_view kKlmCrcAllZeros = "00000000";
inline constexpr std::string_view kKlmCrcAllOnes = "FFFFFFFF";

inline bool klmIsOwnedStatus(int32_t status) { return status == kKlmOwned || status == kKlmOwnedNotRenamed; }

// True when the game's CRC32 text is exactly "00000000" or "FFFFFFFF": the
// special-CRC rule sets such games owned or not by setting (clearing any
// found file) at start-up and after a reset. An audit still matches files
// against them like any other game, and the target-name update leaves
// their names alone.
bool klmHasSpecialCrc(const GameRecord& game);

// File name of a CP932 path without its folder and its extension (from the
// last dot of the name). Walks the text as Shift-JIS, so the trail byte of
// a character such as "表" is never taken for a separator.
std::string klmPathBaseName(std::string_view cp932Path);

// The found file's base name equals the target name; for an archive, with
// "rename inside archives" on, the member name must equal it too. A game
// without a target name (empty) never has it.
bool klmHasTargetName(const GameRecord& game, bool renameInsideArchives);

// kKlmOwned when the game has its target name, else kKlmOwnedNotRenamed.
int32_t klmOwnedStatusOf(const GameRecord& game, bool renameInsideArchives);

// Games with CRC32 text "00000000" are owned when settings.crcZerosOwned is
// on, those with "FFFFFFFF" when settings.crcOnesOwned is on, and not owned
// otherwise; their found path and member name are cleared either way. Runs
// at start-up (defaults, then again after setting.dat), after a reset and
// when the display settings change either choice. The caller refreshes.
void klmApplySpecialCrcRule(Catalogue& cat, const Settings& settings);
// The same for one record; a record the rule leaves as it is is not written.
void klmApplySpecialCrcRule(GameRecord& g, const Settings& settings);

// Command 32801: every game not owned, found path and member name cleared
// (target names stay), then the special-CRC rule. No confirmation.
void klmResetAudit(Catalogue& cat, const Settings& settings);

struct KlmOwnershipCount {
    int32_t games = 0;
    int32_t owned = 0;       // status 1 or 2
    int32_t notRenamed = 0;  // status 2 (also counted in owned)

    int32_t renamed() const { return owned - notRenamed; }
    int32_t notOwned() const { return games - owned; }
};

// All games (hardware < 0) or those of one hardware table position. The
// status bar's three counts come from here too.
KlmOwnershipCount klmCountOwnership(const Catalogue& cat, int32_t hardware = -1);

// Text of the properties box (CP932, CR LF line ends, no line end after the
// last line): a section for all games ("総合"), then one per hardware entry
// in table order, each
//   45 hyphens / name / ゲーム数：n / 所有：n / 未所有：n / 所有率：x.xx％
// A hardware without games shows "0.00％". The text has no size limit.
std::string klmOwnershipStatisticsText(const Catalogue& cat);
