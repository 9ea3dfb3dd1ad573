// The four font slots and the three state colours of the Settings, as the
// fonts-and-colours dialog and the status bar show and change them: the
// texts that describe a font or a colour, the picker titles and questions,
// the rule for a picker's answer, and the stored font record as a
// toolkit-neutral description (both ways).
//
// Texts returned here are UTF-8 (the program's own); face names are CP932
// in the record and UTF-8 in a KlmFontFace.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "settings/settings.h"

inline constexpr const char* kKlmFontsColoursTitle = "フォント・色";
inline constexpr const char* kKlmDefaultButtonText = "デフォルト";
inline constexpr const char* kKlmResetConfirmTitle = "初期化確認";

// --- Fonts ------------------------------------------------------------

enum class KlmFontSlot { List = 0, Info = 1, Search = 2, Status = 3 };
inline constexpr int kKlmFontSlotCount = 4;

KlmFont& klmFontSlot(Settings& s, KlmFontSlot slot);
const KlmFont& klmFontSlot(const Settings& s, KlmFontSlot slot);

// "リストフォント", "ゲーム情報フォント", "検索フォント", "ステータスフォント".
const char* klmFontSlotName(KlmFontSlot slot);
// The picker's title: the name followed by "設定".
std::string klmFontPickerTitle(KlmFontSlot slot);
// What "デフォルト" asks: the name followed by "をデフォルト値に戻しますか".
std::string klmFontResetQuestion(KlmFontSlot slot);

// The size of a stored height in points at dpi pixels per inch, always
// positive: a character height (negative) and a cell height (positive)
// both give their magnitude. 0 stays 0; a dpi of 0 or less counts as 96.
int32_t klmFontPointSize(int32_t height, int dpi);
// The stored height of a size in points: the negative character height in
// pixels, as the platform's font picker gives it (9 points at 96 dpi: −12).
int32_t klmFontHeightForPoints(double points, int dpi);

// "標準", "斜体", "太字", "太字 斜体" for weights 400 and 700, "----" for any other.
const char* klmFontStyleName(const KlmFont& font);

// The three description lines of a font in the dialog.
struct KlmFontLines {
    std::string face;   // "フォント名 ： " and the face name
    std::string style;  // "スタイル ： " and klmFontStyleName
    std::string size;   // "サイズ ： " and the point size
};
KlmFontLines klmFontDescriptionLines(const KlmFont& font, int dpi);

// A font as a toolkit takes it.
struct KlmFontFace {
    std::string family;       // UTF-8
    int32_t pixelHeight = 0;  // character height in pixels; 0 when none is given
    int32_t cellHeight = 0;   // a record's positive (cell) height, else 0
    int32_t weight = 0;       // 1–1000 (400 normal, 700 bold); 0 the toolkit's normal
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    bool fixedPitch = false;
};

KlmFontFace klmFontFaceOf(const KlmFont& record);

// Puts face into record. The family becomes CP932, cut at a character
// boundary to fit the 32-byte face field; a pixel height is stored as the
// negative character height, else a cell height as it is. The record's
// width, escapement, character set, precisions, quality and family bits
// stay; the pitch bits change only when fixedPitch disagrees with them.
// False when the family was cut or held characters CP932 lacks.
bool klmStoreFontFace(KlmFont& record, const KlmFontFace& face);

// The record a confirmed font picker gives: current with picked put in.
// A picker shows a face that is not installed through a stand-in
// (startFamily); when the pick kept that stand-in, the stored face name
// stays, so the choice still names the original face where it exists.
KlmFont klmPickedFont(const KlmFont& current, const KlmFontFace& picked, std::string_view startFamily);

// The family to draw face with: its own when installed, else the first
// installed Japanese face of the stand-ins (a monospaced one first for a
// fixed-pitch font, a serif one first for a Mincho face), else empty (the
// toolkit's own). The stored record keeps its face either way.
std::string klmDrawingFamily(const KlmFontFace& face, const std::function<bool(const std::string&)>& installed);

// --- State colours ----------------------------------------------------

// The state colours in status-kind order: owned, not renamed, not owned.
enum class KlmStateColour { Owned = 0, NotRenamed = 1, NotOwned = 2 };
inline constexpr int kKlmStateColourCount = 3;

// 0x00BBGGRR.
int32_t& klmStateColour(Settings& s, KlmStateColour state);
int32_t klmStateColour(const Settings& s, KlmStateColour state);
// The value "デフォルト" resets a state colour to.
int32_t klmStateColourDefault(KlmStateColour state);

// "所有", "未リネーム", "未所有".
const char* klmStateColourLabel(KlmStateColour state);
// The picker's title: the label followed by " 色設定".
std::string klmColourPickerTitle(KlmStateColour state);
// The label followed by "の色をデフォルト値に戻しますか".
std::string klmColourResetQuestion(KlmStateColour state);
// "( R, G, B ) = (%4d,%4d,%4d)" with the colour's red, green and blue.
std::string klmColourRgbText(int32_t bgr);

inline int klmRedOf(int32_t bgr) { return bgr & 0xFF; }
inline int klmGreenOf(int32_t bgr) { return (bgr >> 8) & 0xFF; }
inline int klmBlueOf(int32_t bgr) { return (bgr >> 16) & 0xFF; }
inline int32_t klmBgr(int red, int green, int blue)
{
    return (red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16);
}

// --- Pickers ----------------------------------------------------------

// How a font or colour picker closed: confirmed, cancelled, or cancelled
// through "デフォルト" after its question was answered OK.
enum class KlmPickAnswer { Chosen, Cancelled, Reset };

// The value after a picker: the chosen one, the reset value, or the
// current one unchanged.
template <class T>
T klmPickedValue(KlmPickAnswer answer, const T& chosen, const T& current, const T& reset)
{
    switch (answer) {
    case KlmPickAnswer::Chosen: return chosen;
    case KlmPickAnswer::Reset: return reset;
    case KlmPickAnswer::Cancelled: break;
    }
    return current;
}
