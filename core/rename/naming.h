// Target names: the file name (without extension) each game's ROM should
// have, built from the rename pattern, plus the rules and data of the
// rename settings box.
//
// A target name is made in four steps:
//  1. the tokens %n %e %h %s %d %p %g %i are replaced, in that order, each
//     step working on the previous result (a title holding "%e" has that
//     part replaced in the next step);
//  2. the characters \ / : * ? " < > | become their full-width forms;
//  3. a result of 260 bytes or more gives no target name (empty);
//  4. it is made unique among the games before it on the same hardware by
//     appending "(1)", "(2)" … (suffixes accumulate: X, X(1), X(1)(2)); after
//     four suffixes the name is left as it is.
// Every replacement walks the text as Shift-JIS, so the trail byte 0x5C of
// "ソ" or "表" is never taken for a backslash, and "%n" only matches where a
// character starts.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "catalogue/catalogue.h"
#include "settings/settings.h"

// ---- Rename settings box (UTF-8 program texts) ----------------------------

inline constexpr const char* kKlmRenameSettingsTitle = "リネーム・圧縮";
inline constexpr const char* kKlmRenameDefaultPattern = "%n";
inline constexpr const char* kKlmRenameInsideArchivesText = "書庫内のファイルもリネームする";
inline constexpr const char* kKlmZipLevelCaption = "ZIP 圧縮方法";
inline constexpr const char* kKlmSevenZipLevelCaption = "7Z 圧縮方法";
inline constexpr const char* kKlmWarningTitle = "警告";

struct KlmRenameToken {
    int32_t buttonId;
    const char* token;
    const char* label;
};

// The token buttons of the settings box, in table (and replacement) order.
inline constexpr KlmRenameToken kKlmRenameTokens[] = {
    {42306, "%n", "タイトル"},
    {42307, "%e", "タイトル英字"},
    {42308, "%h", "ハード"},
    {42309, "%s", "ソフト / 基板"},
    {42310, "%d", "開発元"},
    {42311, "%p", "発売元"},
    {42312, "%g", "ジャンル"},
    {42313, "%i", "画像番号"},
};

// Compression levels of the rebuilt archives: index 0–5 of the settings.
inline constexpr int32_t kKlmCompressionLevelCount = 6;
// "無圧縮", "最速", "速度重視", "標準", "圧縮重視", "最高圧縮"; an index out of
// range gives the default level's name.
const char* klmCompressionLevelName(int32_t index);
// The -mx value: 0, 1, 3, 5, 7, 9 (the default level's for a bad index).
int32_t klmCompressionLevelMx(int32_t index);
inline constexpr int32_t kKlmDefaultCompressionLevel = 3;

enum class KlmPatternCheck {
    Valid,
    NoTitleToken,    // neither %n nor %e
    BothTitleTokens, // %n and %e together
    NotCp932,        // typed with a character CP932 has not
    TooLong,         // 260 bytes or more in CP932
};

// A pattern (CP932) must hold "%n" or "%e" but not both, found where a
// character starts.
KlmPatternCheck klmValidateRenamePattern(std::string_view pattern);
// The settings dialog's OK on the pattern as typed (UTF-8): it must fit the
// 260-byte field whole (a cut or substituted pattern would name every ROM
// wrongly), then pass klmValidateRenamePattern. *cp932 gets the pattern.
KlmPatternCheck klmCheckRenamePatternText(std::string_view typed, std::string* cp932);
// The warning for a failed check (title kKlmWarningTitle, information
// icon): "%n 又は %e が含まれないといけません" / "%n と %e は共存できません",
// or why the pattern cannot be stored. Empty for Valid.
const char* klmPatternCheckMessage(KlmPatternCheck check);

// ---- Target names --------------------------------------------------------

// Steps 1–3 for one game: the candidate before it is made unique. Sets
// *tooLong (and returns empty) when the text reached 260 bytes, or when an
// expansion grew past 1023 bytes on the way.
std::string klmExpandTargetName(std::string_view pattern, const GameRecord& game, const Catalogue& cat,
                                bool* tooLong = nullptr);

// Step 4: candidate made unique against the target names of the games
// before index on the same hardware, as they stand now. A name that is too
// long stays empty and is not given suffixes; a suffix that would make the
// name 260 bytes or longer gives no target name either.
std::string klmUniqueTargetName(std::string candidate, const Catalogue& cat, int32_t index);

// All four steps for the game at index (its predecessors' target names as
// they stand).
std::string klmTargetName(std::string_view pattern, const Catalogue& cat, int32_t index);

// Program texts of the update box.
inline constexpr const char* kKlmTargetUpdateTitle = "リネーム情報更新中";

// Recomputes every game's target name in catalogue order with
// settings.renamePattern. Games whose CRC32 text is "00000000" or
// "FFFFFFFF" keep theirs (and still count for uniqueness). An owned game
// that gets a non-empty name becomes kKlmOwned when its ROM already has
// it, else kKlmOwnedNotRenamed. progress, when given, is called before
// every hundredth game with i × 100 / games (for the update box's bar).
void klmUpdateAllTargetNames(Catalogue& cat, const Settings& settings,
                             const std::function<void(int32_t percent)>& progress = {});
