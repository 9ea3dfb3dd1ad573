// Field texts, info layouts, the search-bar lists and values, the movie
// clamps, auto-selection and the plain refresh used by the main window.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include "catalogue/catalogue.h"
#include "settings/settings.h"
#include "test_util.h"
#include "ui/game_text.h"

namespace {

std::string cp(std::string_view utf8) { return klmFromUtf8(utf8); }

MasterEntry entry(const char* utf8Name, int32_t value = 0)
{
    MasterEntry e{};
    klmCopyField(e.name, cp(utf8Name));
    e.value = value;
    return e;
}

GameRecord game(const char* title, const char* kana, int32_t date, int32_t price, int32_t size)
{
    GameRecord g{};
    klmCopyField(g.title, cp(title));
    klmCopyField(g.titleKana, cp(kana));
    g.releaseDate = date;
    g.price = price;
    g.romSize = size;
    g.hardware = 0;
    g.software = 0;
    g.genre = 0;
    g.screen = 0;
    g.ownership = kKlmNotOwned;
    return g;
}

Catalogue sampleCatalogue()
{
    Catalogue c;
    c.hardware = {entry("ルミナス16"), entry("アーケード")};
    c.software = {entry("ROMカートリッジ")};
    c.genre = {entry("パズル")};
    c.screen = {entry("横画面")};
    c.romSize = {entry("128 KB", 131072), entry("1.00 MB", 1048576)};
    c.games = {game("ソウルブレイカー", "そうるぶれいかー", 19870715, 3800, 131072),
               game("ABC", "えーびーしー", 19940000, 500, 1040000),
               game("無名", "むめい", 0, kKlmUnknownPrice, kKlmUnknownRomSize)};
    c.games[1].hardware = 1;
    c.games[1].ownership = kKlmOwned;
    klmCopyField(c.games[0].releaseDateText, cp("1987年7月15日"));
    return c;
}

}  // namespace

TEST(UiGameText, CaptionsAndFieldTexts)
{
    const char* captions[] = {"タイトル", "ハード", "ソフト / 基板", "開発元", "発売元", "ジャンル", "画面",
                              "発売日", "価格", "画像番号", "動画", "アーケードファイル", "備考", "CRC32",
                              "ロムファイル", "タイトル仮名", "ロムサイズ", "型番", "英字タイトル"};
    for (int f = 0; f < kKlmFieldCount; ++f) EXPECT_EQ(klmFieldCaption(f), cp(captions[f])) << f;
    EXPECT_TRUE(klmFieldCaption(19).empty());
    EXPECT_TRUE(klmFieldCaption(-1).empty());

    Catalogue c = sampleCatalogue();
    EXPECT_EQ(klmFieldText(c, 1, 1), cp("アーケード"));
    EXPECT_EQ(klmFieldText(c, 0, 7), cp("1987年7月15日"));
    // A position outside its table and an unknown game give nothing.
    c.games[2].hardware = 57;
    EXPECT_TRUE(klmFieldText(c, 2, 1).empty());
    EXPECT_TRUE(klmFieldText(c, 3, 0).empty());
    EXPECT_TRUE(klmFieldText(c, -1, 0).empty());
}

TEST(UiGameText, InfoLayoutsAndLimits)
{
    Catalogue c = sampleCatalogue();
    Settings s = klmDefaultSettings();
    s.detailedShown = {3, {0, 1, 5}};
    s.simpleShown = {3, {0, 1, 5}};
    s.blankLineUnderTitle = 1;
    EXPECT_EQ(klmBuildInfoText(c, s, 0, KlmInfoLayout::Detailed),
              cp("ソウルブレイカー\r\n\r\nハード : ルミナス16\r\nジャンル : パズル\r\n"));
    EXPECT_EQ(klmBuildInfoText(c, s, 0, KlmInfoLayout::Simple), cp("ソウルブレイカー\r\n\r\nルミナス16  パズル  "));
    s.blankLineUnderTitle = 0;
    EXPECT_EQ(klmBuildInfoText(c, s, 0, KlmInfoLayout::Simple), cp("ソウルブレイカー\r\nルミナス16  パズル  "));
    EXPECT_TRUE(klmBuildInfoText(c, s, -1, KlmInfoLayout::Detailed).empty());

    // The longest text real records give (30 full comment lines) still
    // fits the 9,999-byte buffer whole.
    std::string longText;
    for (int i = 0; i < 127; ++i) longText += cp("あ");
    klmCopyField(c.games[0].comment, longText);
    s.detailedShown.count = 30;
    for (int i = 0; i < 30; ++i) s.detailedShown.items[i] = 12;
    std::string info = klmBuildInfoText(c, s, 0, KlmInfoLayout::Detailed);
    EXPECT_EQ(info.size(), 254u + 2u + 29u * (4u + 3u + 254u + 2u));
    EXPECT_LE(info.size(), kKlmInfoTextMax);
    EXPECT_TRUE(klmIsValidCp932(info));
}
