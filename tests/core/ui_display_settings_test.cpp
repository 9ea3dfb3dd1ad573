// Display settings: the OK checks and their order, the numbers of the edit
// boxes, what applying changed settings redoes, and the catalogue steps.
#include "catalogue/catalogue.h"
#include "text/cp932.h"
#include "ui/display_settings.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace {

using S = KlmDisplayStep;

GameRecord game(const char* crc, int32_t date, int32_t price, int32_t ownership)
{
    GameRecord g{};
    klmCopyField(g.crc32, crc);
    g.releaseDate = date;
    klmCopyField(g.releaseDateText, "old date");
    g.price = price;
    klmCopyField(g.priceText, "old price");
    g.romSize = 24576;
    klmCopyField(g.romSizeText, "old size");
    g.ownership = ownership;
    klmCopyField(g.foundPath, "/roms/x.zip");
    return g;
}

KlmDisplayValues values()
{
    KlmDisplayValues v;
    v.settings = klmDefaultSettings();
    v.frameWidth = 3;
    return v;
}

}  // namespace

TEST(DisplaySettings, EditBoxNumbers)
{
    struct Case { const char* text; int32_t value; };
    const Case cases[] = {
        {"100", 100}, {" 42 ", 42}, {"0020", 20}, {"2147483647", INT32_MAX},
        {"abc", 0}, {"", 0}, {"   ", 0}, {"1e3", 0}, {"-5", 0}, {"+5", 0}, {"12 3", 0},
        {"2147483648", 0}, {"99999999999999999999", 0}, {"１００", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(klmEditNumber(c.text), c.value) << '"' << c.text << '"';
}

TEST(DisplaySettings, TheIntervalIsCheckedBeforeTheFrameWidth)
{
    using C = KlmDisplayCheck;
    struct Case { const char* interval; const char* frame; C check; };
    const Case cases[] = {
        {"100", "1", C::Valid},           {"100", "20", C::Valid},
        {"99", "1", C::IntervalTooShort}, {"abc", "1", C::IntervalTooShort},
        {"", "5", C::IntervalTooShort},   {"100", "0", C::FrameWidthOutOfRange},
        {"100", "21", C::FrameWidthOutOfRange}, {"100", "x", C::FrameWidthOutOfRange},
        {"99", "0", C::IntervalTooShort},  // one press, one message
    };
    for (const Case& c : cases) {
        const KlmDisplayNumbers n = klmCheckDisplayNumbers(c.interval, c.frame);
        EXPECT_EQ(n.check, c.check) << c.interval << " / " << c.frame;
    }
    const KlmDisplayNumbers ok = klmCheckDisplayNumbers("250", "20");
    EXPECT_EQ(ok.interval, 250);
    EXPECT_EQ(ok.frameWidth, 20);
    EXPECT_STREQ(klmDisplayCheckMessage(C::IntervalTooShort), "リスト自動選択の間隔は100ミリ秒以上を設定して下さい");
    EXPECT_STREQ(klmDisplayCheckMessage(C::FrameWidthOutOfRange), "フレームの幅は1以上20以下の値を設定して下さい");
    EXPECT_EQ(klmDisplayCheckMessage(C::Valid), nullptr);

    KlmDisplayValues v = values();
    v.settings.spare1 = 77;
    klmStoreDisplayNumbers(v, ok);
    EXPECT_EQ(v.settings.autoSelectInterval, 250);
    EXPECT_EQ(v.frameWidth, 20);
    EXPECT_EQ(v.settings.spare1, 0);
}

TEST(DisplaySettings, OnlyWhatChangedIsRedoneInItsOrder)
{
    const KlmDisplayValues before = values();
    const std::vector<S> always = {S::SplitterBounds, S::RefreshList, S::Layout, S::InfoText, S::Repaint,
                                   S::RestartAutoSelect};
    EXPECT_EQ(klmDisplayApplySteps(before, before), always);

    KlmDisplayValues after = before;
    after.settings.dateFormat = 3;
    EXPECT_EQ(klmDisplayApplySteps(before, after),
              (std::vector<S>{S::FormatDates, S::SplitterBounds, S::RefreshList, S::Layout, S::InfoText, S::Repaint,
                              S::RestartAutoSelect}));

    // Everything changed: every step, in the order of the enumeration.
    Settings& s = after.settings;
    s.showInfoText = 0;
    s.crcZerosOwned = 0;
    s.crcOnesOwned = 1;
    s.priceFormat = 2;
    s.romSizeFormat = 1;
    s.gridLines = 1;
    s.showStatusBar = 0;
    s.showToolbar = 0;
    s.listIconSource = 100;
    after.frameWidth = 20;
    const std::vector<S> steps = klmDisplayApplySteps(before, after);
    ASSERT_EQ(steps.size(), static_cast<size_t>(S::RestartAutoSelect) + 1);
    for (size_t i = 0; i < steps.size(); ++i) EXPECT_EQ(steps[i], static_cast<S>(i));

    // Settings that need no step of their own still get the ones that always run.
    KlmDisplayValues quiet = before;
    quiet.settings.striped = 1;
    quiet.settings.autoSelectInterval = 5000;
    EXPECT_EQ(klmDisplayApplySteps(before, quiet), always);
    quiet.alwaysDefault = 1;
    EXPECT_EQ(klmDisplayApplySteps(before, quiet).at(4), S::RedrawSnapshots);
}

TEST(DisplaySettings, ChangingTheDateFormatRerendersEveryDateAndNothingElse)
{
    Catalogue cat;
    cat.games = {game("12345678", 19830715, 3800, kKlmOwned), game("00000000", 20050704, 980, kKlmNotOwned)};
    KlmDisplayValues before = values();
    KlmDisplayValues after = before;
    after.settings.dateFormat = 4;
    klmApplyDisplayToCatalogue(cat, after.settings, klmDisplayApplySteps(before, after));
    EXPECT_EQ(klmField(cat.games[0].releaseDateText), "7/15/83");
    EXPECT_EQ(klmField(cat.games[1].releaseDateText), "7/4/05");
    EXPECT_EQ(klmField(cat.games[0].priceText), "old price");
    EXPECT_EQ(klmField(cat.games[1].romSizeText), "old size");
    EXPECT_EQ(cat.games[1].ownership, kKlmNotOwned);  // the CRC rule did not run
    EXPECT_EQ(klmField(cat.games[1].foundPath), "/roms/x.zip");

    before = after;
    after.settings.priceFormat = 2;
    after.settings.romSizeFormat = 1;
    klmApplyDisplayToCatalogue(cat, after.settings, klmDisplayApplySteps(before, after));
    EXPECT_EQ(klmField(cat.games[0].priceText), "\\3,800");
    EXPECT_EQ(klmToUtf8(klmField(cat.games[0].romSizeText)), "24,576 バイト");
}

TEST(DisplaySettings, TickingTheZerosBoxOwnsThoseGamesAtOnce)
{
    Catalogue cat;
    cat.games = {game("00000000", 0, 0, kKlmNotOwned), game("FFFFFFFF", 0, 0, kKlmNotOwned),
                 game("ABCDEF01", 0, 0, kKlmOwnedNotRenamed), game("00000000", 0, 0, kKlmNotOwned)};
    KlmDisplayValues before = values();
    before.settings.crcZerosOwned = 0;
    KlmDisplayValues after = before;
    after.settings.crcZerosOwned = 1;
    klmApplyDisplayToCatalogue(cat, after.settings, klmDisplayApplySteps(before, after));
    EXPECT_EQ(cat.games[0].ownership, kKlmOwned);
    EXPECT_EQ(cat.games[3].ownership, kKlmOwned);
    EXPECT_EQ(klmField(cat.games[0].foundPath), "");  // owned by setting, not by a file
    EXPECT_EQ(cat.games[1].ownership, kKlmNotOwned);
    EXPECT_EQ(cat.games[2].ownership, kKlmOwnedNotRenamed);
    EXPECT_EQ(klmField(cat.games[2].foundPath), "/roms/x.zip");
    EXPECT_EQ(klmField(cat.games[0].releaseDateText), "old date");

    // Unticking gives them back.
    klmApplyDisplayToCatalogue(cat, before.settings, klmDisplayApplySteps(after, before));
    EXPECT_EQ(cat.games[0].ownership, kKlmNotOwned);
}
