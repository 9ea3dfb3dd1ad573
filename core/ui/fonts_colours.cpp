#include "ui/fonts_colours.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <climits>
#include <initializer_list>
#include <iterator>
#include <vector>

#include "text/cp932.h"

namespace {

constexpr int kDefaultDpi = 96;
// LOGFONT's pitch bits.
constexpr uint8_t kPitchMask = 0x03;
constexpr uint8_t kFixedPitch = 0x01;

// a × b ÷ c rounded half away from zero, as the platform's MulDiv does.
int32_t mulDiv(int64_t a, int64_t b, int64_t c)
{
    const int64_t product = a * b;
    const int64_t half = c / 2;
    const int64_t q = product >= 0 ? (product + half) / c : (product - half) / c;
    return static_cast<int32_t>(std::clamp<int64_t>(q, INT32_MIN, INT32_MAX));
}

std::string asciiLower(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

bool isMincho(std::string_view family)
{
    return asciiLower(family).find("mincho") != std::string::npos ||
           family.find("明朝") != std::string_view::npos;
}

}  // namespace

// --- Fonts ------------------------------------------------------------

KlmFont& klmFontSlot(Settings& s, KlmFontSlot slot)
{
    switch (slot) {
    case KlmFontSlot::Info: return s.infoFont;
    case KlmFontSlot::Search: return s.searchFont;
    case KlmFontSlot::Status: return s.statusFont;
    case KlmFontSlot::List: break;
    }
    return s.listFont;
}

const KlmFont& klmFontSlot(const Settings& s, KlmFontSlot slot)
{
    return klmFontSlot(const_cast<Settings&>(s), slot);
}

const char* klmFontSlotName(KlmFontSlot slot)
{
    switch (slot) {
    case KlmFontSlot::Info: return "ゲーム情報フォント";
    case KlmFontSlot::Search: return "検索フォント";
    case KlmFontSlot::Status: return "ステータスフォント";
    case KlmFontSlot::List: break;
    }
    return "リストフォント";
}

std::string klmFontPickerTitle(KlmFontSlot slot) { return std::string(klmFontSlotName(slot)) + "設定"; }

std::string klmFontResetQuestion(KlmFontSlot slot)
{
    return std::string(klmFontSlotName(slot)) + "をデフォルト値に戻しますか";
}

int32_t klmFontPointSize(int32_t height, int dpi)
{
    // The points of a character height are its pixels × 72 ÷ dpi; shown as
    // a size, so never negative whichever sign the height has.
    return mulDiv(std::llabs(static_cast<int64_t>(height)), 72, dpi > 0 ? dpi : kDefaultDpi);
}

int32_t klmFontHeightForPoints(double points, int dpi)
{
    if (!(points > 0.0)) return 0;
    const double pixels = std::round(points * (dpi > 0 ? dpi : kDefaultDpi) / 72.0);
    return -static_cast<int32_t>(std::clamp(pixels, 1.0, 32767.0));
}

const char* klmFontStyleName(const KlmFont& font)
{
    const bool italic = font.italic != 0;
    if (font.weight == 400) return italic ? "斜体" : "標準";
    if (font.weight == 700) return italic ? "太字 斜体" : "太字";
    return "----";
}

KlmFontLines klmFontDescriptionLines(const KlmFont& font, int dpi)
{
    KlmFontLines lines;
    lines.face = "フォント名 ： " + klmToUtf8(klmField(font.faceName));
    lines.style = std::string("スタイル ： ") + klmFontStyleName(font);
    lines.size = "サイズ ： " + std::to_string(klmFontPointSize(font.height, dpi));
    return lines;
}

KlmFontFace klmFontFaceOf(const KlmFont& record)
{
    KlmFontFace face;
    face.family = klmToUtf8(klmField(record.faceName));
    if (record.height < 0)
        face.pixelHeight = record.height == INT32_MIN ? INT32_MAX : -record.height;
    else
        face.cellHeight = record.height;
    face.weight = record.weight > 0 ? std::min(record.weight, 1000) : 0;
    face.italic = record.italic != 0;
    face.underline = record.underline != 0;
    face.strikeOut = record.strikeOut != 0;
    face.fixedPitch = (record.pitchAndFamily & kPitchMask) == kFixedPitch;
    return face;
}

bool klmStoreFontFace(KlmFont& record, const KlmFontFace& face)
{
    bool convertible = true;
    const std::string cp932 = klmFromUtf8(face.family, &convertible);
    const bool whole = klmCopyField(record.faceName, cp932);
    if (face.pixelHeight > 0)
        record.height = -face.pixelHeight;
    else
        record.height = face.cellHeight > 0 ? face.cellHeight : 0;
    record.weight = face.weight > 0 ? std::min(face.weight, 1000) : 0;
    record.italic = face.italic ? 1 : 0;
    record.underline = face.underline ? 1 : 0;
    record.strikeOut = face.strikeOut ? 1 : 0;
    const bool fixed = (record.pitchAndFamily & kPitchMask) == kFixedPitch;
    if (fixed != face.fixedPitch)
        record.pitchAndFamily = static_cast<uint8_t>((record.pitchAndFamily & ~kPitchMask) |
                                                     (face.fixedPitch ? kFixedPitch : 0));
    return convertible && whole;
}

KlmFont klmPickedFont(const KlmFont& current, const KlmFontFace& picked, std::string_view startFamily)
{
    KlmFont out = current;
    klmStoreFontFace(out, picked);
    const std::string stored = klmToUtf8(klmField(current.faceName));
    const bool standIn = asciiLower(trimmed(stored)) != asciiLower(trimmed(startFamily));
    if (standIn && asciiLower(picked.family) == asciiLower(trimmed(startFamily)))
        std::copy(std::begin(current.faceName), std::end(current.faceName), std::begin(out.faceName));
    return out;
}

std::string klmDrawingFamily(const KlmFontFace& face, const std::function<bool(const std::string&)>& installed)
{
    const std::string own(trimmed(face.family));
    if (!own.empty() && installed(own)) return own;
    // The stored faces are those of a Japanese Windows system; the nearest
    // installed Japanese face stands in for a missing one.
    std::vector<std::string> candidates;
    if (face.fixedPitch) candidates.emplace_back("Noto Sans Mono CJK JP");
    if (isMincho(own)) candidates.emplace_back("Noto Serif CJK JP");
    for (const char* name : {"Noto Sans CJK JP", "Noto Sans JP", "IPAexGothic", "IPAGothic", "VL Gothic"})
        candidates.emplace_back(name);
    for (const std::string& c : candidates)
        if (installed(c)) return c;
    return {};
}

// --- State colours ----------------------------------------------------

int32_t& klmStateColour(Settings& s, KlmStateColour state)
{
    switch (state) {
    case KlmStateColour::NotRenamed: return s.notRenamedColour;
    case KlmStateColour::NotOwned: return s.notOwnedColour;
    case KlmStateColour::Owned: break;
    }
    return s.ownedColour;
}

int32_t klmStateColour(const Settings& s, KlmStateColour state)
{
    return klmStateColour(const_cast<Settings&>(s), state);
}

int32_t klmStateColourDefault(KlmStateColour state)
{
    static const Settings defaults;
    return klmStateColour(defaults, state);
}

const char* klmStateColourLabel(KlmStateColour state)
{
    switch (state) {
    case KlmStateColour::NotRenamed: return "未リネーム";
    case KlmStateColour::NotOwned: return "未所有";
    case KlmStateColour::Owned: break;
    }
    return "所有";
}

std::string klmColourPickerTitle(KlmStateColour state)
{
    return std::string(klmStateColourLabel(state)) + " 色設定";
}

std::string klmColourResetQuestion(KlmStateColour state)
{
    return std::string(klmStateColourLabel(state)) + "の色をデフォルト値に戻しますか";
}

std::string klmColourRgbText(int32_t bgr)
{
    char text[64];
    std::snprintf(text, sizeof text, "( R, G, B ) = (%4d,%4d,%4d)", klmRedOf(bgr), klmGreenOf(bgr), klmBlueOf(bgr));
    return text;
}
