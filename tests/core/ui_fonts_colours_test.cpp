// Font slots and state colours: sizes in points, the description lines,
// the stored record as a toolkit description and back, the stand-in face
// for drawing, and the colour texts and picker answers.
#include "settings/settings.h"
#include "text/cp932.h"
#include "ui/fonts_colours.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

KlmFont font(int32_t height, int32_t weight, uint8_t italic, std::string_view cp932Face = "MS UI Gothic")
{
    KlmFont f = klmDefaultControlFont();
    f.height = height;
    f.weight = weight;
    f.italic = italic;
    klmCopyField(f.faceName, cp932Face);
    return f;
}

bool sameRecord(const KlmFont& a, const KlmFont& b)
{
    return a.height == b.height && a.width == b.width && a.escapement == b.escapement &&
           a.orientation == b.orientation && a.weight == b.weight && a.italic == b.italic &&
           a.underline == b.underline && a.strikeOut == b.strikeOut && a.charSet == b.charSet &&
           a.outPrecision == b.outPrecision && a.clipPrecision == b.clipPrecision && a.quality == b.quality &&
           a.pitchAndFamily == b.pitchAndFamily && klmField(a.faceName) == klmField(b.faceName);
}

}  // namespace

TEST(FontsColours, SizesArePositivePointsWhicheverSignTheHeightHas)
{
    struct Case { int32_t height; int dpi; int32_t points; };
    const Case cases[] = {
        {-12, 96, 9}, {12, 96, 9}, {-13, 96, 10},  // 9.75 rounds up
        {-16, 120, 10}, {-12, 0, 9},               // no dpi: 96
        {0, 96, 0}, {-1, 96, 1},
    };
    for (const Case& c : cases) EXPECT_EQ(klmFontPointSize(c.height, c.dpi), c.points) << c.height << "@" << c.dpi;
    EXPECT_EQ(klmFontHeightForPoints(9, 96), -12);
    EXPECT_EQ(klmFontHeightForPoints(10.5, 96), -14);
    EXPECT_EQ(klmFontHeightForPoints(9, 144), -18);
    EXPECT_EQ(klmFontHeightForPoints(0, 96), 0);
    // Points to a height and back are the same points.
    for (int pt = 6; pt <= 72; ++pt) EXPECT_EQ(klmFontPointSize(klmFontHeightForPoints(pt, 96), 96), pt);
}

TEST(FontsColours, DescriptionLines)
{
    struct Case { int32_t weight; uint8_t italic; const char* style; };
    const Case cases[] = {
        {400, 0, "標準"}, {400, 1, "斜体"}, {700, 0, "太字"}, {700, 1, "太字 斜体"},
        {300, 0, "----"}, {300, 1, "----"}, {0, 0, "----"}, {800, 0, "----"},
    };
    for (const Case& c : cases)
        EXPECT_STREQ(klmFontStyleName(font(-12, c.weight, c.italic)), c.style) << c.weight;

    const KlmFontLines lines = klmFontDescriptionLines(font(-16, 700, 1, klmFromUtf8("ＭＳ ゴシック")), 96);
    EXPECT_EQ(lines.face, "フォント名 ： ＭＳ ゴシック");
    EXPECT_EQ(lines.style, "スタイル ： 太字 斜体");
    EXPECT_EQ(lines.size, "サイズ ： 12");
}

TEST(FontsColours, TheRecordComesBackFromItsDescription)
{
    // 15 double-byte characters and one ASCII letter: the 31 bytes the
    // 32-byte face field can hold.
    const std::string longFace = klmFromUtf8("メイリオメイリオメイリオメイリオ").substr(0, 30) + "X";
    ASSERT_EQ(longFace.size(), 31u);
    KlmFont fixed = font(-15, 700, 1, "Courier");
    fixed.pitchAndFamily = 0x31;  // fixed pitch, modern family
    fixed.underline = 1;
    KlmFont cell = font(20, 400, 0);
    cell.width = 7;
    cell.charSet = 0;
    cell.quality = 5;
    for (const KlmFont& original : {font(-12, 400, 0), font(-12, 300, 1, longFace), fixed, cell}) {
        KlmFont back = klmDefaultControlFont();
        back.width = original.width;
        back.charSet = original.charSet;
        back.quality = original.quality;
        back.pitchAndFamily = original.pitchAndFamily;
        EXPECT_TRUE(klmStoreFontFace(back, klmFontFaceOf(original)));
        EXPECT_TRUE(sameRecord(back, original)) << klmToUtf8(klmField(original.faceName));
    }
    const KlmFontFace face = klmFontFaceOf(fixed);
    EXPECT_EQ(face.pixelHeight, 15);
    EXPECT_EQ(face.cellHeight, 0);
    EXPECT_TRUE(face.fixedPitch);
    EXPECT_EQ(klmFontFaceOf(cell).cellHeight, 20);
    EXPECT_EQ(klmFontFaceOf(font(-12, 400, 0, longFace)).family, klmToUtf8(longFace));
}

TEST(FontsColours, AFaceTooLongOrNotInCodePage932IsCutAndReported)
{
    KlmFontFace face;
    face.family = "メイリオメイリオメイリオメイリオ";  // 32 bytes in CP932
    face.pixelHeight = 12;
    KlmFont record = klmDefaultControlFont();
    EXPECT_FALSE(klmStoreFontFace(record, face));
    // Cut before the character that would not fit, never through it.
    EXPECT_EQ(klmField(record.faceName).size(), 30u);
    EXPECT_EQ(klmToUtf8(klmField(record.faceName)), "メイリオメイリオメイリオメイリ");

    face.family = "나눔고딕";
    EXPECT_FALSE(klmStoreFontFace(record, face));
    EXPECT_TRUE(klmIsValidCp932(klmField(record.faceName)));

    // The pitch bits change only when the description disagrees with them.
    record.pitchAndFamily = 0x22;  // variable pitch, swiss
    face.family = "Sans";
    face.fixedPitch = false;
    EXPECT_TRUE(klmStoreFontFace(record, face));
    EXPECT_EQ(record.pitchAndFamily, 0x22);
    face.fixedPitch = true;
    klmStoreFontFace(record, face);
    EXPECT_EQ(record.pitchAndFamily, 0x21);
}

TEST(FontsColours, AMissingFaceIsDrawnWithAnInstalledJapaneseFace)
{
    std::set<std::string> fonts = {"IPAGothic", "Noto Serif CJK JP", "Noto Sans Mono CJK JP", "DejaVu Sans"};
    auto installed = [&fonts](const std::string& f) { return fonts.count(f) > 0; };
    KlmFontFace face;
    face.family = " DejaVu Sans ";
    EXPECT_EQ(klmDrawingFamily(face, installed), "DejaVu Sans");
    face.family = "MS UI Gothic";
    EXPECT_EQ(klmDrawingFamily(face, installed), "IPAGothic");
    face.family = "ＭＳ 明朝";
    EXPECT_EQ(klmDrawingFamily(face, installed), "Noto Serif CJK JP");
    face.family = "MS Mincho";
    EXPECT_EQ(klmDrawingFamily(face, installed), "Noto Serif CJK JP");
    face.family = "MS Gothic";
    face.fixedPitch = true;
    EXPECT_EQ(klmDrawingFamily(face, installed), "Noto Sans Mono CJK JP");
    fonts = {"DejaVu Sans"};
    EXPECT_EQ(klmDrawingFamily(face, installed), "");
}

TEST(FontsColours, APickKeepsAStoredFaceThePickerOnlyShowedThroughAStandIn)
{
    const KlmFont stored = font(-12, 400, 0, klmFromUtf8("ＭＳ Ｐゴシック"));
    KlmFontFace picked;
    picked.family = "Noto Sans CJK JP";
    picked.pixelHeight = 16;
    picked.weight = 700;
    // Left on the stand-in it started from: only the size and weight change.
    KlmFont out = klmPickedFont(stored, picked, "Noto Sans CJK JP");
    EXPECT_EQ(klmField(out.faceName), klmFromUtf8("ＭＳ Ｐゴシック"));
    EXPECT_EQ(out.height, -16);
    EXPECT_EQ(out.weight, 700);
    // Another face chosen: it is stored.
    picked.family = "IPAGothic";
    EXPECT_EQ(klmField(klmPickedFont(stored, picked, "Noto Sans CJK JP").faceName), "IPAGothic");
    // An installed stored face started the picker itself: the pick is stored.
    const KlmFont installed = font(-12, 400, 0, "DejaVu Sans");
    picked.family = "dejavu sans";
    EXPECT_EQ(klmField(klmPickedFont(installed, picked, "DejaVu Sans").faceName), "dejavu sans");
}

TEST(FontsColours, SlotNamesTitlesAndQuestions)
{
    const struct { KlmFontSlot slot; const char* title; const char* question; } fonts[] = {
        {KlmFontSlot::List, "リストフォント設定", "リストフォントをデフォルト値に戻しますか"},
        {KlmFontSlot::Info, "ゲーム情報フォント設定", "ゲーム情報フォントをデフォルト値に戻しますか"},
        {KlmFontSlot::Search, "検索フォント設定", "検索フォントをデフォルト値に戻しますか"},
        {KlmFontSlot::Status, "ステータスフォント設定", "ステータスフォントをデフォルト値に戻しますか"},
    };
    Settings s;
    for (const auto& f : fonts) {
        EXPECT_EQ(klmFontPickerTitle(f.slot), f.title);
        EXPECT_EQ(klmFontResetQuestion(f.slot), f.question);
        klmFontSlot(s, f.slot).height = -100 - static_cast<int>(f.slot);
    }
    EXPECT_EQ(s.listFont.height, -100);
    EXPECT_EQ(s.statusFont.height, -103);

    const struct { KlmStateColour state; const char* title; const char* question; int32_t reset; } colours[] = {
        {KlmStateColour::Owned, "所有 色設定", "所有の色をデフォルト値に戻しますか", 0x009600},
        {KlmStateColour::NotRenamed, "未リネーム 色設定", "未リネームの色をデフォルト値に戻しますか", 0x0098E8},
        {KlmStateColour::NotOwned, "未所有 色設定", "未所有の色をデフォルト値に戻しますか", 0x0000C8},
    };
    for (const auto& c : colours) {
        EXPECT_EQ(klmColourPickerTitle(c.state), c.title);
        EXPECT_EQ(klmColourResetQuestion(c.state), c.question);
        EXPECT_EQ(klmStateColourDefault(c.state), c.reset);
        klmStateColour(s, c.state) = 1;
    }
    EXPECT_EQ(s.ownedColour + s.notRenamedColour + s.notOwnedColour, 3);
}

TEST(FontsColours, ColourTextsAndPickerAnswers)
{
    EXPECT_EQ(klmColourRgbText(0x0098E8), "( R, G, B ) = ( 232, 152,   0)");
    EXPECT_EQ(klmColourRgbText(0x00FFFFFF), "( R, G, B ) = ( 255, 255, 255)");
    EXPECT_EQ(klmColourRgbText(0), "( R, G, B ) = (   0,   0,   0)");
    EXPECT_EQ(klmBgr(232, 152, 0), 0x0098E8);
    EXPECT_EQ(klmRedOf(0x0000C8), 200);

    EXPECT_EQ(klmPickedValue(KlmPickAnswer::Chosen, 1, 2, 3), 1);
    EXPECT_EQ(klmPickedValue(KlmPickAnswer::Cancelled, 1, 2, 3), 2);
    EXPECT_EQ(klmPickedValue(KlmPickAnswer::Reset, 1, 2, 3), 3);
}
