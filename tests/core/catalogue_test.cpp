// The catalogue readers: data.dat, the master tables, the derived tables and
// the display texts, checked against hand-worked expectations.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "catalogue/catalogue.h"
#include "catalogue/format.h"
#include "test_util.h"

namespace {

std::string u8(std::string_view cp932) { return klmToUtf8(cp932); }

// A data.dat image of the given game bodies (each a list of tag lines).
std::string dataImage(std::initializer_list<std::initializer_list<std::string_view>> games)
{
    std::string out = sjLines({"<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>", "<dat>"});
    for (auto& body : games) {
        out += "<game>\r\n";
        for (std::string_view line : body) out += klmFromUtf8(line) + "\r\n";
        out += "</game>\r\n";
    }
    out += "</dat>\r\n";
    return out;
}

Catalogue parse(const std::string& image, KlmProblemList* problems = nullptr)
{
    Catalogue cat;
    EXPECT_EQ(klmParseDataImage(image, cat, problems), 0);
    return cat;
}

bool hasProblem(const KlmProblemList& list, KlmProblemKind kind)
{
    for (const KlmProblem& p : list)
        if (p.kind == kind) return true;
    return false;
}

}  // namespace

TEST(DataFile, ValuesAndUnknownMarkers)
{
    Catalogue cat = parse(dataImage({
        {"<number>0012</number>", "<title>ソウル表示</title>", "<price>3800</price>", "<size>24576</size>",
         "<date>19830715</date>", "<arcade></arcade>", "<hard>3</hard>", "<group>7</group>", "<disk>1</disk>"},
        {"<price>0</price>", "<size>0</size>", "<date>19839999</date>", "<arcade>abc.zip</arcade>"},
        {"<price>abc</price>", "<date>99999999</date>", "<price>12800</price>"},
        {"<price>980</price>", "<date>19830000</date>"},
        {"<title>no price, no size</title>"},
    }));
    ASSERT_EQ(klmGameCount(cat), 5);
    const GameRecord& a = cat.games[0];
    EXPECT_EQ(a.imageNumber, 12);
    EXPECT_EQ(klmField(a.imageNumberText), "0012");
    EXPECT_EQ(u8(klmField(a.title)), "ソウル表示");
    EXPECT_EQ(a.price, 3800);
    EXPECT_EQ(u8(klmField(a.priceText)), "3,800円");
    EXPECT_EQ(a.romSize, 24576);
    EXPECT_EQ(klmField(a.romSizeText), "24.0 KB");
    EXPECT_EQ(a.releaseDate, 19830715);
    EXPECT_EQ(u8(klmField(a.releaseDateText)), "1983年7月15日");
    EXPECT_EQ(u8(klmField(a.arcadeFile)), "無");
    EXPECT_EQ(a.hardware, 3);
    EXPECT_EQ(a.group, 7);
    EXPECT_EQ(a.disk, 1);

    const GameRecord& b = cat.games[1];
    EXPECT_EQ(b.price, kKlmUnknownPrice);
    EXPECT_EQ(u8(klmField(b.priceText)), "--円");
    EXPECT_EQ(b.romSize, kKlmUnknownRomSize);
    EXPECT_EQ(klmField(b.romSizeText), "--");
    EXPECT_EQ(u8(klmField(b.releaseDateText)), "1983年--月--日");
    EXPECT_EQ(klmField(b.arcadeFile), "abc.zip");

    // A later tag overwrites; a non-numeric price is unknown until then.
    EXPECT_EQ(cat.games[2].price, 12800);
    EXPECT_EQ(u8(klmField(cat.games[2].priceText)), "12,800円");
    EXPECT_EQ(u8(klmField(cat.games[2].releaseDateText)), "----年--月--日");
    EXPECT_EQ(u8(klmField(cat.games[3].priceText)), "980円");
    EXPECT_EQ(u8(klmField(cat.games[3].releaseDateText)), "1983年--月--日");

    // Without <price>, <size> or <arcade> the fields stay zero and empty.
    const GameRecord& e = cat.games[4];
    EXPECT_EQ(e.price, 0);
    EXPECT_EQ(klmField(e.priceText), "");
    EXPECT_EQ(e.romSize, 0);
    EXPECT_EQ(klmField(e.arcadeFile), "");
}

TEST(DataFile, LineGrammar)
{
    // Two tags on a line: only the first of the test order counts, whatever
    // their order on the line. Text outside <dat> or <game> is ignored.
    std::string image = sjLines({"<dat>", "<title>outside</title>", "<game>",
                                 "<title>T</title><number>42</number>", "<comment>x</comment><alias>A</alias>",
                                 "junk line", "</game>", "</dat>", "<game>", "<title>after end</title>", "</game>"});
    Catalogue cat = parse(image);
    ASSERT_EQ(klmGameCount(cat), 1);
    EXPECT_EQ(cat.games[0].imageNumber, 42);
    EXPECT_EQ(klmField(cat.games[0].title), "");
    EXPECT_EQ(klmField(cat.games[0].titleKana), "A");
    EXPECT_EQ(klmField(cat.games[0].comment), "");

    // LF-only files read the same as CRLF ones; values are taken verbatim.
    std::string lf = "<dat>\n<game>\n<title> spaced  </title>\n<price> 1234</price>\n</game>\n</dat>\n";
    Catalogue c2 = parse(lf);
    ASSERT_EQ(klmGameCount(c2), 1);
    EXPECT_EQ(klmField(c2.games[0].title), " spaced  ");
    EXPECT_EQ(c2.games[0].price, 1234);
    EXPECT_EQ(u8(klmField(c2.games[0].priceText)), " 1,234円");
}

TEST(DataFile, DamagedInputIsReadSafely)
{
    KlmProblemList problems;
    // No "</dat>", a record never closed, a tag without its closing tag, an
    // over-long title ending in a double-byte character, a NUL byte and an
    // invalid byte sequence.
    std::string longTitle(126, 'a');
    longTitle += "\x83\x5c";  // ソ straddling the 127-byte limit
    std::string image = "<dat>\r\n<game>\r\n<title>" + longTitle + "</title>\r\n<comment>open ended\r\n<serial>A";
    image += '\0';
    image += "B</serial>\r\n<english>\xff\xfe</english>\r\n<game>\r\n<number>9</number>\r\n";
    Catalogue cat = parse(image, &problems);
    ASSERT_EQ(klmGameCount(cat), 2);
    EXPECT_EQ(klmField(cat.games[0].title), std::string(126, 'a'));
    EXPECT_EQ(klmField(cat.games[0].comment), "open ended");
    EXPECT_EQ(cat.games[1].imageNumber, 9);
    EXPECT_TRUE(hasProblem(problems, KlmProblemKind::ValueCut));
    EXPECT_TRUE(hasProblem(problems, KlmProblemKind::TagNotClosed));
    EXPECT_TRUE(hasProblem(problems, KlmProblemKind::ElementNotClosed));
    EXPECT_TRUE(hasProblem(problems, KlmProblemKind::NoDatEnd));
    EXPECT_TRUE(hasProblem(problems, KlmProblemKind::NulByte));
    EXPECT_TRUE(hasProblem(problems, KlmProblemKind::InvalidShiftJis));

    // Lines longer than the buffer are read in pieces: a tag in the second
    // piece is still found, and the problem is reported with its line.
    problems.clear();
    std::string big = "<dat>\n<game>\n" + std::string(300, 'x') + "<number>77</number>\n</game>\n</dat>\n";
    Catalogue c2 = parse(big, &problems);
    ASSERT_EQ(klmGameCount(c2), 1);
    EXPECT_EQ(c2.games[0].imageNumber, 77);
    ASSERT_TRUE(hasProblem(problems, KlmProblemKind::LineTooLong));

    // Empty and garbage files give an empty catalogue.
    EXPECT_EQ(klmGameCount(parse("")), 0);
    EXPECT_EQ(klmGameCount(parse(std::string(5000, '\0'))), 0);
}

TEST(DerivedTables, NamesSortedByBytesAndNumbered)
{
    Catalogue cat = parse(dataImage({
        {"<publisher>B</publisher>", "<developer>ナムコ</developer>"},
        {"<publisher>A</publisher>"},
        {"<publisher>B</publisher>", "<developer>AB</developer>"},
        {"<publisher>Ab</publisher>", "<developer>A</developer>"},
    }));
    klmBuildNameTables(cat);
    ASSERT_EQ(cat.publisher.size(), 3u);
    EXPECT_EQ(klmField(cat.publisher[0].name), "A");
    EXPECT_EQ(klmField(cat.publisher[1].name), "Ab");
    EXPECT_EQ(klmField(cat.publisher[2].name), "B");
    EXPECT_EQ(cat.games[0].publisherNumber, 2);
    EXPECT_EQ(cat.games[1].publisherNumber, 0);
    EXPECT_EQ(cat.games[3].publisherNumber, 1);
    // The empty developer sorts first; a prefix before its extension; a
    // double-byte name after ASCII (unsigned bytes).
    ASSERT_EQ(cat.developer.size(), 4u);
    EXPECT_EQ(klmField(cat.developer[0].name), "");
    EXPECT_EQ(klmField(cat.developer[1].name), "A");
    EXPECT_EQ(klmField(cat.developer[2].name), "AB");
    EXPECT_EQ(u8(klmField(cat.developer[3].name)), "ナムコ");
    EXPECT_EQ(cat.games[1].developerNumber, 0);
    EXPECT_EQ(cat.games[0].developerNumber, 3);
    for (size_t i = 0; i < cat.developer.size(); ++i) EXPECT_EQ(cat.developer[i].position, int(i));
}

TEST(DerivedTables, ManyDistinctNamesAreAllKept)
{
    std::string image = "<dat>\n";
    for (int i = 0; i < 2600; ++i)
        image += "<game>\n<developer>dev" + std::to_string(i) + "</developer>\n<size>" + std::to_string(1024 * (i + 1)) +
                 "</size>\n</game>\n";
    image += "</dat>\n";
    Catalogue cat = parse(image);
    klmBuildNameTables(cat);
    klmBuildSizeTable(cat);
    EXPECT_EQ(cat.developer.size(), 2600u);
    EXPECT_GT(cat.romSize.size(), 1000u);
    for (const GameRecord& g : cat.games)
        EXPECT_EQ(klmField(cat.developer[g.developerNumber].name), klmField(g.developer));
}

TEST(DerivedTables, RomSizesByValueFirstSeenOnTies)
{
    Catalogue cat = parse(dataImage({
        {"<size>1048576</size>"},  // 1.00 MB
        {"<size>24576</size>"},    // 24.0 KB
        {"<size>0</size>"},        // unknown: not listed
        {"<size>24600</size>"},    // 24.0 KB again: same text
        {"<size>10240</size>"},    // 10.0 KB
    }));
    klmBuildSizeTable(cat);
    ASSERT_EQ(cat.romSize.size(), 3u);
    EXPECT_EQ(klmField(cat.romSize[0].name), "10.0 KB");
    EXPECT_EQ(cat.romSize[0].value, 10240);
    EXPECT_EQ(klmField(cat.romSize[1].name), "24.0 KB");
    EXPECT_EQ(cat.romSize[1].value, 24576);
    EXPECT_EQ(klmField(cat.romSize[2].name), "1.00 MB");
    EXPECT_EQ(cat.romSize[2].value, 1048576);
}

// A catalogue large enough to be read by halves: names and sizes shared by
// both halves, some first seen in the second, some only there. The tables
// and numbers are those of a plain reading in record order.
TEST(DerivedTables, HalvesJoinAsOneReaderWould)
{
    Catalogue cat;
    cat.games.resize(20000);
    for (size_t i = 0; i < cat.games.size(); ++i) {
        GameRecord& g = cat.games[i];
        const bool second = i >= cat.games.size() / 2;
        const size_t k = i * 7919 % 3001;
        klmCopyField(g.developer, second && k % 5 == 0 ? "late" + std::to_string(k) : "dev" + std::to_string(k % 700));
        klmCopyField(g.publisher, k % 11 == 0 ? std::string() : "pub" + std::to_string(k % 97));
        g.romSize = k % 13 == 0 ? 0 : k % 17 == 0 ? kKlmUnknownRomSize : static_cast<int32_t>(1024 * (k % 300 + 1));
        klmCopyField(g.romSizeText, std::to_string(k % 300 + 1) + ".0 KB");
    }
    Catalogue apart = cat;
    klmBuildDerivedTables(cat);
    klmBuildNameTables(apart);
    klmBuildSizeTable(apart);

    auto expectTable = [&](const std::vector<MasterEntry>& table, auto textOf, int32_t GameRecord::*number) {
        std::vector<std::string> names;
        for (const GameRecord& g : cat.games)
            if (std::find(names.begin(), names.end(), textOf(g)) == names.end()) names.emplace_back(textOf(g));
        std::sort(names.begin(), names.end());
        ASSERT_EQ(table.size(), names.size());
        for (size_t i = 0; i < names.size(); ++i) {
            EXPECT_EQ(klmField(table[i].name), names[i]);
            EXPECT_EQ(table[i].position, static_cast<int32_t>(i));
        }
        for (const GameRecord& g : cat.games)
            ASSERT_EQ(klmField(table[static_cast<size_t>(g.*number)].name), textOf(g));
    };
    expectTable(cat.developer, [](const GameRecord& g) { return std::string(klmField(g.developer)); },
                &GameRecord::developerNumber);
    expectTable(cat.publisher, [](const GameRecord& g) { return std::string(klmField(g.publisher)); },
                &GameRecord::publisherNumber);

    // Sizes: the known ones, each once, by value.
    std::vector<std::string> sizes;
    for (const GameRecord& g : cat.games)
        if (g.romSize != 0 && g.romSize != kKlmUnknownRomSize &&
            std::find(sizes.begin(), sizes.end(), std::string(klmField(g.romSizeText))) == sizes.end())
            sizes.emplace_back(klmField(g.romSizeText));
    ASSERT_EQ(cat.romSize.size(), sizes.size());
    for (size_t i = 1; i < cat.romSize.size(); ++i) EXPECT_LT(cat.romSize[i - 1].value, cat.romSize[i].value);

    // One pass or two, the same tables and numbers.
    ASSERT_EQ(apart.romSize.size(), cat.romSize.size());
    EXPECT_EQ(std::memcmp(apart.romSize.data(), cat.romSize.data(), cat.romSize.size() * sizeof(MasterEntry)), 0);
    ASSERT_EQ(apart.developer.size(), cat.developer.size());
    EXPECT_EQ(std::memcmp(apart.developer.data(), cat.developer.data(), cat.developer.size() * sizeof(MasterEntry)), 0);
    EXPECT_EQ(std::memcmp(apart.games.data(), cat.games.data(), cat.games.size() * sizeof(GameRecord)), 0);

    // The movie marks are cleared by halves too, to the last record.
    for (size_t i = 0; i < cat.games.size(); i += 997) {
        cat.games[i].hasMovie = 1;
        klmCopyField(cat.games[i].movieMark, "o");
    }
    cat.games.back().hasMovie = 1;
    klmResetMovieMarks(cat);
    for (const GameRecord& g : cat.games) {
        ASSERT_EQ(g.hasMovie, 0);
        ASSERT_EQ(klmField(g.movieMark), "\x81\x7e");
    }
}

TEST(MasterTables, SortedByAliasAndResolved)
{
    Catalogue cat = parse(dataImage({{"<hard>20</hard>"}, {"<hard>10</hard>"}, {"<hard>99</hard>"}, {"<hard>0</hard>"}}));
    std::string hard = sjLines({
        "<dat>",
        "<hard>", "<index>10</index>", "<imageNumber>5</imageNumber>", "<name>カセット</name>", "<alias>カ</alias>",
        "<aspect>1</aspect>", "<skin>2</skin>", "</hard>",
        "<hard>", "<index>20</index>", "<name>アーケード</name>", "<alias>ア</alias>", "</hard>",
        "<hard>", "<index>30</index>", "<name>second カ</name>", "<alias>カ</alias>", "</hard>",
        "<hard>", "<name>no index</name>", "<alias>ン</alias>", "</hard>",
        "</dat>",
    });
    KlmProblemList problems;
    ASSERT_EQ(klmLoadMasterImage(KlmTableKind::Hardware, hard, cat, &problems), 0);
    ASSERT_EQ(cat.hardware.size(), 4u);
    EXPECT_EQ(u8(klmField(cat.hardware[0].name)), "アーケード");
    EXPECT_EQ(u8(klmField(cat.hardware[1].name)), "カセット");
    EXPECT_EQ(u8(klmField(cat.hardware[2].name)), "second カ");  // equal alias keeps file order
    EXPECT_EQ(cat.hardware[1].imageNumber, 5);
    EXPECT_EQ(cat.hardware[1].aspect, 1);
    EXPECT_EQ(cat.hardware[1].skin, 2);
    EXPECT_EQ(cat.hardware[3].key, 0);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(cat.hardware[i].position, i);
    // The game naming the second key of the file gets position 0.
    EXPECT_EQ(cat.games[0].hardware, 0);
    EXPECT_EQ(cat.games[1].hardware, 1);
    EXPECT_EQ(cat.games[2].hardware, 99);  // unknown key: the file's number stays
    EXPECT_EQ(cat.games[3].hardware, 3);   // key 0 of the entry without <index>
    EXPECT_TRUE(hasProblem(problems, KlmProblemKind::UnknownMasterKey));

    int calls = 0;
    std::string title, text;
    KlmNotifier notify = [&](const std::string& t, const std::string& m) {
        ++calls;
        title = t;
        text = m;
    };
    EXPECT_EQ(klmGetNewHardIndex(cat, 30, notify), 2);
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(klmGetNewHardIndex(cat, 31, notify), -1);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(title, "重大なエラー");
    EXPECT_EQ(text, "klmGetNewHardIndex()");

    // A table without elements: every lookup reports.
    Catalogue empty;
    ASSERT_EQ(klmLoadMasterImage(KlmTableKind::Hardware, "<dat>\r\n</dat>\r\n", empty), 0);
    EXPECT_TRUE(empty.hardware.empty());
    EXPECT_EQ(klmGetNewHardIndex(empty, 0, notify), -1);
    EXPECT_EQ(calls, 2);
}

TEST(MasterTables, DuplicateIndexFirstInSortedOrderWins)
{
    Catalogue cat = parse(dataImage({{"<genre>1</genre>"}}));
    std::string genre = sjLines({"<dat>", "<genre>", "<index>1</index>", "<alias>b</alias>", "</genre>", "<genre>",
                                 "<index>1</index>", "<alias>a</alias>", "</genre>", "</dat>"});
    KlmProblemList problems;
    klmLoadMasterImage(KlmTableKind::Genre, genre, cat, &problems);
    EXPECT_EQ(cat.games[0].genre, 0);
    EXPECT_TRUE(hasProblem(problems, KlmProblemKind::DuplicateIndex));
}

TEST(Format, Dates)
{
    struct Case {
        int32_t date;
        int format;
        const char* text;
    } cases[] = {
        {19830715, 0, "1983年7月15日"}, {19830715, 1, "1983年07月15日"}, {19830715, 2, "1983/7/15"},
        {19830715, 3, "1983/07/15"},    {19830715, 4, "7/15/83"},         {19830715, 5, "07/15/83"},
        {19830000, 1, "1983年--月--日"}, {99990715, 5, "07/15/--"},        {20050704, 4, "7/4/05"},
        {20050704, 5, "07/04/05"},      {0, 0, "----年--月--日"},         {0, 4, "--/--/--"},
        {19839999, 2, "1983/--/--"},    {20011231, 3, "2001/12/31"},
    };
    for (const Case& c : cases) EXPECT_EQ(u8(klmFormatDate(c.date, c.format)), c.text) << c.date << " " << c.format;
}

TEST(Format, PricesAndSizes)
{
    EXPECT_EQ(u8(klmFormatPrice(3800, 0)), "3,800円");
    EXPECT_EQ(u8(klmFormatPrice(3800, 1)), "3800円");
    EXPECT_EQ(klmFormatPrice(3800, 2), "\\3,800");
    EXPECT_EQ(klmFormatPrice(3800, 3), "\\3800");
    EXPECT_EQ(u8(klmFormatPrice(980, 0)), "980円");
    EXPECT_EQ(u8(klmFormatPrice(999999, 0)), "--円");
    EXPECT_EQ(klmFormatPrice(999999, 2), "\\--");
    EXPECT_EQ(u8(klmFormatPrice(1234567, 0)), "1234,567円");

    EXPECT_EQ(klmFormatSizeShort(1024000), "0.98 MB");
    EXPECT_EQ(klmFormatSizeShort(1048576), "1.00 MB");
    EXPECT_EQ(klmFormatSizeShort(10240), "10.0 KB");
    EXPECT_EQ(klmFormatSizeShort(999), "0.98 KB");
    EXPECT_EQ(klmFormatSizeShort(10239), "10.00 KB");
    EXPECT_EQ(klmFormatSizeShort(1023999), "1000 KB");
    EXPECT_EQ(klmFormatSizeShort(24576), "24.0 KB");
    EXPECT_EQ(klmFormatSizeShort(700 * 1048576LL), "700 MB");
    EXPECT_EQ(klmFormatSizeShort(0), "--");
    EXPECT_EQ(klmFormatSizeShort(kKlmUnknownRomSize), "--");
    EXPECT_EQ(u8(klmFormatSizeBytes(1234567)), "1,234,567 バイト");
    EXPECT_EQ(u8(klmFormatSizeBytes(576)), "576 バイト");
    EXPECT_EQ(u8(klmFormatSizeBytes(24576)), "24,576 バイト");
    EXPECT_EQ(klmFormatSizeBytes(kKlmUnknownRomSize), "--");
}

TEST(Format, WholeCatalogueFollowsTheFormat)
{
    Catalogue cat = parse(dataImage({{"<date>19830715</date>", "<price>3800</price>", "<size>24576</size>"},
                                     {"<date>20050704</date>", "<price>0</price>", "<size>0</size>"}}));
    klmFormatDates(cat, 3);
    klmFormatPrices(cat, 2);
    klmFormatSizes(cat, 1);
    EXPECT_EQ(klmField(cat.games[0].releaseDateText), "1983/07/15");
    EXPECT_EQ(klmField(cat.games[1].releaseDateText), "2005/07/04");
    EXPECT_EQ(klmField(cat.games[0].priceText), "\\3,800");
    EXPECT_EQ(klmField(cat.games[1].priceText), "\\--");
    EXPECT_EQ(u8(klmField(cat.games[0].romSizeText)), "24,576 バイト");
    EXPECT_EQ(klmField(cat.games[1].romSizeText), "--");
}

TEST(Disks, SelectFirstDisk)
{
    Catalogue cat = parse(dataImage({{"<group>1</group>", "<disk>0</disk>"},
                                     {"<group>2</group>", "<disk>1</disk>"},
                                     {"<group>2</group>", "<disk>0</disk>"},
                                     {"<group>3</group>", "<disk>1</disk>"}}));
    EXPECT_EQ(klmSelectFirstDisk(cat, 1), 2);
    EXPECT_EQ(klmSelectFirstDisk(cat, 2), 2);
    EXPECT_EQ(klmSelectFirstDisk(cat, 3), 3);  // no first disk: the selection stays
    EXPECT_EQ(klmSelectFirstDisk(cat, -1), -1);
    EXPECT_EQ(klmSelectFirstDisk(cat, 99), 99);
}
