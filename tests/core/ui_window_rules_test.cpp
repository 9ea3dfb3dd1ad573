#include <gtest/gtest.h>

#include <set>

#include "ui/command_ids.h"
#include "ui/window_rules.h"

TEST(UiWindowRules, TransportClampsAndAutoSelection)
{
    EXPECT_EQ(klmClampVolume(105), 100);
    EXPECT_EQ(klmClampVolume(-5), 0);
    EXPECT_EQ(klmClampSpeed(2100), 2000);
    EXPECT_EQ(klmClampSpeed(500), 600);
    EXPECT_EQ(klmAutoSelectNext(0, 4, 5, 0), 0);
    EXPECT_EQ(klmAutoSelectNext(1, 0, 5, 0), 4);
    EXPECT_EQ(klmAutoSelectNext(2, 1, 2, 7), 0);  // random hit the current row: the next one
    EXPECT_EQ(klmAutoSelectNext(2, 0, 2, 7), 1);
    EXPECT_EQ(klmAutoSelectNext(9, 1, 3, 0), 2);  // unknown order behaves as 0
    EXPECT_EQ(klmAutoSelectNext(0, 0, 1, 0), -1);
}

// Each transport command from a start, and what it leaves: volume, mute, speed.
TEST(UiWindowRules, MovieTransportCommands)
{
    struct Case {
        int32_t command;
        int32_t volume, mute, speed;        // before
        int32_t volumeAfter, muteAfter, speedAfter;
    };
    const Case cases[] = {
        {kKlmCmdVolumeUp, 100, 1, 1000, 100, 0, 1000},    // stays 100 and unmutes
        {kKlmCmdVolumeDown, 0, 0, 1000, 0, 0, 1000},
        {kKlmCmdVolumeDown, 50, 1, 1000, 45, 0, 1000},
        {kKlmCmdVolumeStandard, 80, 1, 1000, 30, 0, 1000},
        {kKlmCmdMute, 40, 0, 1000, 40, 1, 1000},
        {kKlmCmdMute, 40, 1, 1000, 40, 0, 1000},
        {kKlmCmdFaster, 30, 0, 2000, 30, 0, 2000},
        {kKlmCmdSlower, 30, 0, 650, 30, 0, 600},
        {kKlmCmdSpeedNormal, 30, 1, 600, 30, 1, 1000},  // the speed leaves mute alone
    };
    for (const Case& c : cases) {
        Settings s = klmDefaultSettings();
        s.volume = c.volume;
        s.mute = c.mute;
        s.speed = c.speed;
        EXPECT_TRUE(klmMovieTransportCommand(s, c.command)) << c.command;
        EXPECT_EQ(s.volume, c.volumeAfter) << c.command;
        EXPECT_EQ(s.mute, c.muteAfter) << c.command;
        EXPECT_EQ(s.speed, c.speedAfter) << c.command;
    }
    Settings s = klmDefaultSettings();
    EXPECT_FALSE(klmMovieTransportCommand(s, kKlmCmdPlay));
}

TEST(UiWindowRules, WheelRowsAndStateColours)
{
    EXPECT_EQ(klmWheelSelectRow(5, 1, 10), 4);    // up one notch: the row above
    EXPECT_EQ(klmWheelSelectRow(5, -3, 10), 8);
    EXPECT_EQ(klmWheelSelectRow(0, 2, 10), 0);
    EXPECT_EQ(klmWheelSelectRow(9, -2, 10), 9);
    EXPECT_EQ(klmWheelSelectRow(0, 0, 0), -1);

    Settings s = klmDefaultSettings();
    EXPECT_EQ(klmOwnershipColour(s, kKlmOwned), s.ownedColour);
    EXPECT_EQ(klmOwnershipColour(s, kKlmOwnedNotRenamed), s.notRenamedColour);
    EXPECT_EQ(klmOwnershipColour(s, kKlmNotOwned), s.notOwnedColour);
    EXPECT_EQ(klmOwnershipColour(s, 7), s.notOwnedColour) << "a damaged status reads as not owned";
}

TEST(UiWindowRules, VolumeBarsAreContiguousAndInsideThePart)
{
    for (int h : {16, 20, 24, 40}) {
        const KlmVolumeGeometry g = klmVolumeGeometry(100, h);
        for (int i = 0; i < kKlmVolumeBars; ++i) {
            EXPECT_EQ(klmVolumeBarAt(g, g.bars[i].x, g.bars[i].y), 5 * i);
            EXPECT_EQ(g.bars[i].y, 2);
            EXPECT_EQ(g.bars[i].y + g.bars[i].h, h - 4);
            if (i > 0) {
                EXPECT_EQ(g.barHits[i].x, g.barHits[i - 1].x + g.barHits[i - 1].w);
            }
        }
        // Everything fits in the 170-pixel part, the text after the bars.
        EXPECT_GT(g.bars[0].x, g.speaker.x + g.speaker.w);
        EXPECT_LT(g.bars[20].x + 2, g.textX);
        EXPECT_LT(g.textX, 100 + klmStatusPartWidth(6) - 40);
        EXPECT_EQ(klmVolumeBarAt(g, g.speaker.x, g.speaker.y), -1);
        EXPECT_EQ(klmVolumeBarAt(g, g.bars[20].x + 3, 2), -1);
    }
}

TEST(UiWindowRules, ToolbarAndFocusRing)
{
    std::set<int32_t> commands;
    int groups = 1;
    for (int i = 0; i < kKlmToolbarButtons; ++i) {
        commands.insert(klmToolbarCommand(i));
        groups += klmToolbarGroupStart(i);
    }
    EXPECT_EQ(commands.size(), 40u);
    EXPECT_EQ(groups, 10);
    EXPECT_EQ(klmToolbarCommand(18), 33010);
    EXPECT_TRUE(klmToolbarGroupStart(18));
    EXPECT_EQ(klmToolbarCommand(40), 0);

    // Forward all the way round, then backwards.
    int32_t id = 1001;
    std::set<int32_t> seen;
    for (int i = 0; i < kKlmFocusRingSize; ++i) {
        seen.insert(id);
        id = klmFocusRingNext(id, true);
    }
    EXPECT_EQ(id, 1001);
    EXPECT_EQ(seen.size(), 13u);
    EXPECT_EQ(klmFocusRingNext(1001, false), 1016);
    EXPECT_EQ(klmFocusRingNext(1016, true), 1001);
    EXPECT_EQ(klmFocusRingNext(1002, true), 1003);  // from the info text
    EXPECT_EQ(klmFocusRingNext(0, false), 1003);
}
