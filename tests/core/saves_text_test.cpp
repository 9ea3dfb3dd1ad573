// The SectionFile save files: favorite.dat (and the user's favourites
// files), movieinfo.dat, emulator.dat and skin.dat.
#include "browse/favorites.h"
#include "emulator/registry.h"
#include "media/movie_info.h"
#include "media/skins.h"
#include "test_util.h"
#include "text/cp932.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

MasterEntry hard(int32_t position, int32_t key, int32_t skin, std::string_view name)
{
    MasterEntry e{};
    e.position = position;
    e.key = key;
    e.skin = skin;
    klmCopyField(e.name, name);
    return e;
}

// Three hardware entries (keys 13, 3, 7; skin modes 1, 2, 0) and five games.
Catalogue smallCatalogue()
{
    Catalogue cat;
    cat.hardware = {hard(0, 13, 1, "A"), hard(1, 3, 2, "B"), hard(2, 7, 0, "C")};
    cat.games.resize(5);
    for (GameRecord& g : cat.games) {
        g = GameRecord{};
        klmSetMovieFlag(g, false);
    }
    return cat;
}

// Collects the messages a reader shows.
struct Messages {
    std::vector<std::string> texts;
    KlmNotifier notifier()
    {
        return [this](const std::string& title, const std::string& text) {
            EXPECT_EQ(title, "重大なエラー");
            texts.push_back(text);
        };
    }
};

std::string lf(std::string crlf)
{
    std::string out;
    for (char c : crlf)
        if (c != '\r')
            out += c;
    return out;
}

std::vector<int32_t> favourites(const Catalogue& cat)
{
    std::vector<int32_t> out;
    for (size_t i = 0; i < cat.games.size(); ++i)
        if (cat.games[i].favorite)
            out.push_back(static_cast<int32_t>(i));
    return out;
}

TEST(FavoritesFile, RoundTripAndReadingOnlyAdds)
{
    KlmTempDir dir;
    Catalogue cat = smallCatalogue();
    cat.games[1].favorite = 1;
    cat.games[4].favorite = 1;
    const std::string path = dir.file("favorite.dat");
    std::string err;
    ASSERT_TRUE(klmSaveFavoritesFile(path, cat, &err)) << err;
    EXPECT_EQ(klmTestRead(path), "[BEGIN]\r\n1\r\n4\r\n[END]\r\n");

    Catalogue other = smallCatalogue();
    other.games[2].favorite = 1;
    ASSERT_TRUE(klmLoadFavoritesFile(path, other, &err));
    EXPECT_EQ(favourites(other), (std::vector<int32_t>{1, 2, 4}));
    EXPECT_EQ(klmFavoritesImage(other), "[BEGIN]\r\n1\r\n2\r\n4\r\n[END]\r\n");

    EXPECT_FALSE(klmLoadFavoritesFile(dir.file("none.dat"), other, &err));
    EXPECT_TRUE(err.empty());
    EXPECT_EQ(favourites(other), (std::vector<int32_t>{1, 2, 4}));
}

TEST(FavoritesFile, LinesThatNameNoGameAreIgnored)
{
    Catalogue cat = smallCatalogue();
    // LF ends, an index past the catalogue, a negative one, an empty line and
    // a foreign one (none of which may mark game 0), then lines after [END].
    EXPECT_EQ(klmReadFavoritesImage("[BEGIN]\n5\n-1\n\nabc\n3\n[END]\n2\n", cat), 1);
    EXPECT_EQ(favourites(cat), (std::vector<int32_t>{3}));
    EXPECT_EQ(klmReadFavoritesImage("[BEGIN]\r\n[END]\r\n", cat), 0);
    EXPECT_EQ(klmReadFavoritesImage("", cat), 0);
    EXPECT_EQ(klmReadFavoritesImage("[BEGIN]\r\n0", cat), 1);  // cut short
    EXPECT_EQ(favourites(cat), (std::vector<int32_t>{0, 3}));
}

TEST(FavoritesFile, SaveNameGetsDatUnlessItHasIt)
{
    EXPECT_EQ(klmFavoritesSaveName("mine"), "mine.dat");
    EXPECT_EQ(klmFavoritesSaveName("mine.dat"), "mine.dat");
    EXPECT_EQ(klmFavoritesSaveName("a.dat.bak"), "a.dat.bak");
    EXPECT_EQ(klmFavoritesSaveName("MINE.DAT"), "MINE.DAT.dat");
    // Japanese names, as the file system spells them (UTF-8) and as CP932.
    const std::string utf8 = "/home/\xE3\x83\xA6\xE3\x83\xBC\xE3\x82\xB6/\xE3\x81\x8A\xE6\xB0\x97\xE3\x81\xAB"
                             "\xE5\x85\xA5\xE3\x82\x8A";  // /home/ユーザ/お気に入り
    EXPECT_EQ(klmFavoritesSaveName(utf8 + ".dat"), utf8 + ".dat");
    EXPECT_EQ(klmFavoritesSaveName(utf8), utf8 + ".dat");
    const std::string sjis = klmFromUtf8(utf8);
    EXPECT_EQ(klmFavoritesSaveName(sjis + ".dat"), sjis + ".dat");
    EXPECT_EQ(klmFavoritesSaveName(sjis), sjis + ".dat");
    const std::string so = klmFromUtf8("\xE3\x82\xBD");  // ソ: 83 5C
    EXPECT_EQ(klmFavoritesSaveName(so + ".dat"), so + ".dat");
}

TEST(MovieInfoFile, RoundTripAndOutOfRangePositions)
{
    KlmTempDir dir;
    Catalogue cat = smallCatalogue();
    cat.movieCount = 4;
    klmSetMovieFlag(cat.games[0], true);
    klmSetMovieFlag(cat.games[3], true);
    const std::string path = dir.file("movieinfo.dat");
    std::string err;
    ASSERT_TRUE(klmSaveMovieInfoFile(path, cat, &err)) << err;
    const std::string bytes = klmTestRead(path);
    EXPECT_EQ(bytes, "[BEGIN]\r\n4\r\n0\r\n3\r\n[END]\r\n");

    Catalogue back = smallCatalogue();
    ASSERT_TRUE(klmLoadMovieInfoFile(path, back, &err));
    EXPECT_EQ(back.movieCount, 4);
    EXPECT_EQ(back.games[3].hasMovie, 1);
    EXPECT_EQ(klmField(back.games[3].movieMark), sj("○"));
    EXPECT_EQ(klmField(back.games[2].movieMark), sj("×"));
    EXPECT_EQ(klmMovieInfoImage(back), bytes);

    Catalogue damaged = smallCatalogue();
    damaged.movieCount = 9;
    EXPECT_EQ(klmReadMovieInfoImage(lf("[BEGIN]\r\n-2\r\n5\r\n99999999999\r\n-1\r\nx\r\n2\r\n[END]\r\n"), damaged), 1);
    EXPECT_EQ(damaged.movieCount, 9);  // a negative count is no count
    EXPECT_EQ(damaged.games[0].hasMovie, 0);
    EXPECT_EQ(damaged.games[2].hasMovie, 1);
}

EmulatorEntry emulator(std::string_view name, std::string_view path)
{
    EmulatorEntry e = klmNewEmulatorEntry("C:\\kolmar\\temp");
    klmCopyField(e.name, name);
    klmCopyField(e.filePath, path);
    return e;
}

TEST(EmulatorFile, EmptyRegistryWritesEveryHardware)
{
    Catalogue cat = smallCatalogue();
    EmulatorRegistry reg;
    klmInitEmulatorRegistry(reg, cat);
    EXPECT_EQ(klmEmulatorImage(reg, cat), "[BEGIN]\r\n[BEGIN_13_0_-1]\r\n[END]\r\n[BEGIN_3_0_-1]\r\n[END]\r\n"
                                          "[BEGIN_7_0_-1]\r\n[END]\r\n[END]\r\n");
}

TEST(EmulatorFile, RoundTripFromCrlfAndLf)
{
    KlmTempDir dir;
    Catalogue cat = smallCatalogue();
    EmulatorRegistry reg;
    klmInitEmulatorRegistry(reg, cat);
    ASSERT_TRUE(klmAppendEmulator(reg.blocks[1], emulator(sj("エミュ"), "C:\\emu\\a.exe")));
    EXPECT_EQ(reg.blocks[1].defaultIndex, 0);  // the first emulator becomes the default
    EmulatorEntry b = emulator("Emu", "C:\\emu\\b.exe");
    b.extract = 1;
    b.shortPath = 1;
    klmCopyField(b.keyFile, "C:\\keys.dat");
    klmCopyField(b.options, "-f \"$image\"");
    ASSERT_TRUE(klmAppendEmulator(reg.blocks[1], b));
    ASSERT_TRUE(klmSetDefaultEmulator(reg, 1, 1));
    EXPECT_FALSE(klmSetDefaultEmulator(reg, 1, 2));

    const std::string path = dir.file("emulator.dat");
    std::string err;
    ASSERT_TRUE(klmSaveEmulatorFile(path, reg, cat, &err)) << err;
    const std::string bytes = klmTestRead(path);
    EXPECT_NE(bytes.find("[BEGIN_3_2_1]\r\n" + sj("エミュ") + "\r\nC:\\emu\\a.exe\r\nC:\\kolmar\\temp\r\n$image\r\n"
                         "\r\n0\r\n1\r\n0\r\nEmu\r\n"),
              std::string::npos);

    for (const std::string& image : {bytes, lf(bytes)}) {
        EmulatorRegistry back;
        klmInitEmulatorRegistry(back, cat);
        Messages m;
        EXPECT_TRUE(klmReadEmulatorImage(image, back, cat, m.notifier()));
        EXPECT_TRUE(m.texts.empty());
        EXPECT_EQ(klmEmulatorImage(back, cat), bytes);
        const EmulatorEntry* def = klmDefaultEmulator(back, 1);
        ASSERT_NE(def, nullptr);
        EXPECT_EQ(klmField(def->options), "-f \"$image\"");
        EXPECT_EQ(def->extract, 1);
        EXPECT_EQ(klmDefaultEmulator(back, 0), nullptr);
    }
}

TEST(EmulatorFile, UnknownHardwareIsReportedOnceAndSkipped)
{
    Catalogue cat = smallCatalogue();
    EmulatorRegistry reg;
    klmInitEmulatorRegistry(reg, cat);
    // Key 99 is not in the table; its emulator must not land anywhere, and
    // the section after it must still be read.
    const std::string image = sjLines({"[BEGIN]", "[BEGIN_99_1_0]", "X", "x.exe", "", "$image", "", "0", "1", "0",
                                       "[END]", "[BEGIN_13_1_0]", "Y", "y.exe", "", "$image", "", "0", "1", "0",
                                       "[END]", "[END]"});
    Messages m;
    EXPECT_FALSE(klmReadEmulatorImage(image, reg, cat, m.notifier()));
    EXPECT_EQ(m.texts, std::vector<std::string>{"klmGetNewHardIndex()"});
    EXPECT_EQ(reg.blocks[0].count, 1);
    EXPECT_EQ(klmField(reg.blocks[0].entries[0].name), "Y");
    EXPECT_EQ(reg.blocks[1].count, 0);
    EXPECT_EQ(reg.blocks[2].count, 0);
}

TEST(EmulatorFile, CountsDefaultsFlagsAndLongLinesAreClamped)
{
    Catalogue cat = smallCatalogue();
    std::vector<std::string> lines = {"[BEGIN]", "[BEGIN_3_35_33]"};
    for (int i = 0; i < 35; ++i) {
        const std::string n = std::to_string(i);
        lines.insert(lines.end(), {"E" + n, "e" + n + ".exe", "", "$image", "", "5", "-1", "0"});
    }
    // A name far longer than its field, in double-byte characters.
    std::string longName;
    for (int i = 0; i < 100; ++i)
        longName += sj("ソ");
    lines.insert(lines.end(), {"[END]", "[BEGIN_13_1_4]", longName, "n.exe", "", "", "", "0", "0", "0", "[END]",
                               "[BEGIN_7_0_2]", "[END]", "[END]"});
    std::string image;
    for (const std::string& l : lines)
        image += l + "\r\n";

    EmulatorRegistry reg;
    klmInitEmulatorRegistry(reg, cat);
    Messages m;
    EXPECT_FALSE(klmReadEmulatorImage(image, reg, cat, m.notifier()));
    EXPECT_TRUE(m.texts.empty());
    EXPECT_EQ(reg.blocks[1].count, 30);
    EXPECT_EQ(reg.blocks[1].defaultIndex, 0);
    EXPECT_EQ(klmField(reg.blocks[1].entries[29].name), "E29");
    EXPECT_EQ(reg.blocks[1].entries[0].extract, 1);
    EXPECT_EQ(reg.blocks[1].entries[0].quote, 1);
    EXPECT_EQ(reg.blocks[0].count, 1);
    EXPECT_EQ(reg.blocks[0].defaultIndex, 0);
    EXPECT_EQ(klmField(reg.blocks[0].entries[0].name), longName.substr(0, 126));
    EXPECT_EQ(klmField(reg.blocks[0].entries[0].filePath), "n.exe");
    EXPECT_EQ(reg.blocks[2].count, 0);
    EXPECT_EQ(reg.blocks[2].defaultIndex, -1);

    // The long name is written short enough for a 128-byte line buffer.
    const std::string out = klmEmulatorImage(reg, cat);
    EXPECT_NE(out.find("[BEGIN_13_1_0]\r\n" + longName.substr(0, 126) + "\r\nn.exe\r\n"), std::string::npos);
}

TEST(SkinTable, BuiltFromTheSkinModes)
{
    Catalogue cat = smallCatalogue();
    SkinTable table;
    table.frameWidth = 5;
    klmBuildSkinTable(table, cat);
    EXPECT_EQ(table.frameWidth, 1);
    ASSERT_EQ(table.slots.size(), 9u);
    for (size_t i = 0; i < 9; ++i) {
        EXPECT_EQ(table.slots[i].kind, static_cast<int32_t>(i % 3));
        EXPECT_EQ(table.slots[i].count, 0);
        EXPECT_EQ(table.slots[i].selected, -1);
    }
    EXPECT_EQ(table.slots[0].hardware, 0);
    EXPECT_EQ(table.slots[0].orientation, 0);
    EXPECT_EQ(table.slots[3].hardware, 1);
    EXPECT_EQ(table.slots[3].orientation, 1);
    EXPECT_EQ(table.slots[6].orientation, 2);

    // Many mode-2 hardware: whole rows only, never past 1000 slots.
    Catalogue big;
    for (int32_t i = 0; i < 200; ++i)
        big.hardware.push_back(hard(i, i, 2, "H"));
    klmBuildSkinTable(table, big);
    EXPECT_EQ(table.slots.size(), 999u);
    EXPECT_EQ(table.slots.back().kind, 2);
}

TEST(SkinFile, HeaderExampleRoundTripAndLookup)
{
    KlmTempDir dir;
    Catalogue cat = smallCatalogue();
    SkinTable table;
    klmBuildSkinTable(table, cat);
    // Hardware key 3, title snapshots, landscape, two skins, default frame.
    const std::string image = sjLines({"[BEGIN]", "0", "3", "[BEGIN_13_0_0_0_-1]", "[END]", "[BEGIN_3_0_1_2_-1]",
                                       "テレビ", "C:\\skin\\tv_16_24_288_216.png", "16", "24", "288", "216", "2", "0",
                                       "Arcade", "C:\\skin\\arc.png", "0", "0", "320", "240", "1", "1", "[END]",
                                       "[BEGIN_3_0_2_0_-1]", "[END]", "[END]"});
    Messages m;
    EXPECT_TRUE(klmReadSkinImage(lf(image), table, cat, m.notifier()));
    EXPECT_TRUE(m.texts.empty());
    EXPECT_EQ(table.frameWidth, 3);
    const SkinSlot& slot = table.slots[3];
    EXPECT_EQ(slot.count, 2);
    EXPECT_EQ(slot.selected, -1);
    EXPECT_EQ(klmField(slot.skins[0].name), sj("テレビ"));
    EXPECT_EQ(slot.skins[0].height, 216);
    EXPECT_EQ(slot.skins[1].positionMethod, 1);

    table.slots[3].selected = 1;
    EXPECT_EQ(klmLookupSnapSkin(table, cat, 1, 0, 320, 240), &table.slots[3].skins[1]);
    EXPECT_EQ(klmLookupSnapSkin(table, cat, 1, 0, 224, 288), nullptr);  // portrait slot: default frame
    EXPECT_EQ(klmLookupSnapSkin(table, cat, 2, 0, 320, 240), nullptr);  // skin mode 0
    EXPECT_EQ(klmLookupSnapSkin(table, cat, 7, 0, 320, 240), nullptr);

    const std::string path = dir.file("skin.dat");
    std::string err;
    ASSERT_TRUE(klmSaveSkinFile(path, table, cat, &err)) << err;
    const std::string bytes = klmTestRead(path);
    EXPECT_EQ(bytes.substr(0, 36), "[BEGIN]\r\n0\r\n3\r\n[BEGIN_13_0_0_0_-1]\r\n");
    EXPECT_NE(bytes.find("[BEGIN_3_0_1_2_1]\r\n" + sj("テレビ") + "\r\n"), std::string::npos);

    SkinTable back;
    klmBuildSkinTable(back, cat);
    ASSERT_TRUE(klmLoadSkinFile(path, back, cat, m.notifier(), &err));
    EXPECT_EQ(klmSkinImage(back, cat), bytes);
}

TEST(SkinFile, DamagedSectionsAreClampedOrSkipped)
{
    Catalogue cat = smallCatalogue();
    SkinTable table;
    klmBuildSkinTable(table, cat);
    std::vector<std::string> lines = {"[BEGIN]", "4", "25", "[BEGIN_99_0_0_1_0]", "Lost", "lost.png", "0", "0", "1",
                                      "1", "0", "0", "[END]", "[BEGIN_99_1_0_0_-1]", "[END]", "[BEGIN_13_1_0_25_22]"};
    for (int i = 0; i < 25; ++i) {
        const std::string n = std::to_string(i);
        lines.insert(lines.end(), {"S" + n, "s" + n + ".png", "1", "2", "3", "4", "9", "-4"});
    }
    // A slot the table does not have (hardware 13 has no portrait slots).
    lines.insert(lines.end(), {"[END]", "[BEGIN_13_2_2_1_0]", "P", "p.png", "0", "0", "1", "1", "0", "0", "[END]",
                               "[BEGIN_13_2_0_1_5]", "M", "m.png", "0", "0", "1", "1", "0", "0", "[END]", "[END]"});
    std::string image;
    for (const std::string& l : lines)
        image += l + "\n";

    Messages m;
    EXPECT_FALSE(klmReadSkinImage(image, table, cat, m.notifier()));
    // One message for each header with an unknown hardware number.
    EXPECT_EQ(m.texts, (std::vector<std::string>{"klmGetNewHardIndex()", "klmGetNewHardIndex()"}));
    EXPECT_EQ(table.alwaysDefault, 0);  // 4 and 25 are out of range: defaults kept
    EXPECT_EQ(table.frameWidth, 1);
    const SkinSlot& game = table.slots[1];
    EXPECT_EQ(game.count, 20);
    EXPECT_EQ(game.selected, -1);
    EXPECT_EQ(klmField(game.skins[19].name), "S19");
    EXPECT_EQ(game.skins[0].positionMethod, 2);
    EXPECT_EQ(game.skins[0].sizeMethod, 0);
    const SkinSlot& movie = table.slots[2];
    EXPECT_EQ(movie.count, 1);
    EXPECT_EQ(movie.selected, -1);  // 5 is not one of its skins
    EXPECT_EQ(klmField(movie.skins[0].name), "M");
}

TEST(TextSaves, NoPrefixOfAFileBreaksAnInvariant)
{
    Catalogue cat = smallCatalogue();
    EmulatorRegistry reg;
    klmInitEmulatorRegistry(reg, cat);
    for (int i = 0; i < 3; ++i)
        klmAppendEmulator(reg.blocks[0], emulator("E" + std::to_string(i), "e.exe"));
    klmSetDefaultEmulator(reg, 0, 2);
    const std::string emu = klmEmulatorImage(reg, cat);
    SkinTable table;
    klmBuildSkinTable(table, cat);
    table.slots[4].skins[0] = klmNewSnapSkin();
    table.slots[4].skins[1] = klmNewSnapSkin();
    table.slots[4].count = 2;
    table.slots[4].selected = 1;
    const std::string skin = klmSkinImage(table, cat);

    for (size_t n = 0; n <= emu.size(); ++n) {
        EmulatorRegistry r;
        klmInitEmulatorRegistry(r, cat);
        klmReadEmulatorImage(emu.substr(0, n), r, cat, {});
        for (const EmulatorBlock& b : r.blocks) {
            ASSERT_GE(b.count, 0);
            ASSERT_LE(b.count, 3);
            ASSERT_EQ(b.defaultIndex == -1, b.count == 0);
            ASSERT_LT(b.defaultIndex, b.count);
        }
    }
    for (size_t n = 0; n <= skin.size(); ++n) {
        SkinTable t;
        klmBuildSkinTable(t, cat);
        klmReadSkinImage(skin.substr(0, n), t, cat, {});
        ASSERT_EQ(t.slots.size(), 9u);
        for (const SkinSlot& s : t.slots) {
            ASSERT_GE(s.count, 0);
            ASSERT_LE(s.count, 2);
            ASSERT_GE(s.selected, -1);
            ASSERT_LT(s.selected, s.count);
        }
    }
}

}  // namespace
