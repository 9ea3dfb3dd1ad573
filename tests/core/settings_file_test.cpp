// The Settings record and save\setting.dat: defaults, the positional
// layout, name conditions, range checks and byte-exact round trips.
#include "settings/setting_file.h"
#include "settings/settings.h"
#include "text/cp932.h"
#include "text/file_io.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <functional>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string sj(std::string_view utf8) { return klmFromUtf8(utf8); }

MasterEntry entry(std::string_view utf8Name, int32_t key, int32_t position)
{
    MasterEntry e{};
    e.position = position;
    e.key = key;
    klmCopyField(e.name, sj(utf8Name));
    return e;
}

void addEntries(std::vector<MasterEntry>& table, std::initializer_list<std::pair<const char*, int32_t>> names)
{
    for (const auto& [name, key] : names)
        table.push_back(entry(name, key, static_cast<int32_t>(table.size())));
}

GameRecord game(int32_t date, int32_t price)
{
    GameRecord g{};
    g.releaseDate = date;
    g.price = price;
    return g;
}

// Three hardware entries, a few of each other table, games from 1983 to
// 1990 costing up to 5,800 yen, and three ROM sizes.
Catalogue sampleCatalogue()
{
    Catalogue c;
    addEntries(c.hardware, {{"ファミコン", 12}, {"メガドライブ", 13}, {"PCエンジン", 7}});
    addEntries(c.software, {{"カートリッジ", 1}, {"CD-ROM", 2}});
    addEntries(c.developer, {{"開発一", 0}, {"開発二", 0}});
    addEntries(c.publisher, {{"発売一", 0}, {"発売二", 0}, {"発売三", 0}});
    addEntries(c.genre, {{"アクション", 1}, {"RPG", 2}});
    addEntries(c.screen, {{"横", 1}, {"縦", 2}});
    c.romSize.resize(3);
    c.games = {game(19830715, 3800), game(19900101, 5800), game(0, kKlmUnknownPrice),
               game(99999999, 500)};
    return c;
}

std::vector<std::string> splitLines(std::string_view image)
{
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < image.size()) {
        size_t end = image.find("\r\n", pos);
        EXPECT_NE(end, std::string_view::npos) << "line without CRLF at byte " << pos;
        if (end == std::string_view::npos)
            break;
        lines.emplace_back(image.substr(pos, end - pos));
        pos = end + 2;
    }
    return lines;
}

std::string joinLines(const std::vector<std::string>& lines, std::string_view eol = "\r\n")
{
    std::string out;
    for (const std::string& l : lines) {
        out += l;
        out += eol;
    }
    return out;
}

// A record with something other than the default nearly everywhere.
Settings busySettings()
{
    Settings s = klmDefaultSettings();
    s.selectedGame = 3;
    klmCopyField(s.search.searchText, sj("ドラゴン ＦＦ"));
    s.search.searchKind = 7;
    s.search.hardware = 2;
    s.search.software = 1;
    s.search.developer = 2;
    s.search.publisher = 3;
    s.search.genre = 1;
    s.search.screen = 2;
    s.search.year = 8;  // 1990
    s.search.yearQualifier = 2;
    s.search.price = 5;
    s.search.priceQualifier = 1;
    s.search.romSize = 3;
    s.search.romSizeQualifier = 2;
    s.search.showOwned = 0;
    s.search.showNotRenamed = 1;
    s.search.favoritesOnly = 1;
    s.launchedBecomesDefault = 1;
    s.striped = s.gridLines = s.colourByOwnership = s.fitColumnsOnRefresh = 1;
    s.blankLineUnderTitle = s.showStatusBar = s.showToolbar = 0;
    s.listIconSource = 100;
    s.infoVariant = 1;
    s.romSizeFormat = 1;
    s.listFont.height = -16;
    s.listFont.weight = 700;
    s.listFont.italic = 255;
    klmCopyField(s.listFont.faceName, sj("ＭＳ Ｐゴシック"));
    s.statusFont.pitchAndFamily = 49;
    s.statusFont.escapement = -900;
    s.ownedColour = 0xFFFFFF;
    s.notOwnedColour = 0;
    s.mute = 1;
    s.volume = 100;
    s.speed = 600;
    s.showMovie = s.loopPlayback = 0;
    s.shownColumns.count = 3;
    s.shownColumns.items[0] = {200, 0, 1};
    s.shownColumns.items[1] = {0, 18, 0};
    s.shownColumns.items[2] = {64, 13, -1};
    s.hiddenColumns.count = 2;
    s.hiddenColumns.items[0] = {80, 10, 0};
    s.hiddenColumns.items[1] = {81, 16, 1};
    s.sortColumn = 2;
    s.fieldDialogTarget = 3;
    s.detailedShown.count = 2;
    s.detailedShown.items[1] = 17;
    s.detailedHidden.count = 1;
    s.detailedHidden.items[0] = 5;
    s.statusShown.count = 2;
    s.statusShown.items[0] = 7;
    s.statusShown.items[1] = 0;
    s.statusHidden.count = 1;
    s.statusHidden.items[0] = 3;
    s.emulatorDialogHardware = 2;
    s.listScrollRow = 1234;
    s.listScrollX = -5;
    s.splitX = 700;
    s.splitY = 300;
    s.tooltipContent = 2;
    s.dateFormat = 5;
    s.priceFormat = 3;
    s.skinDialogSlot = 17;
    s.crcZerosOwned = 0;
    s.crcOnesOwned = 1;
    s.titleMode = 1;
    s.centreDialogs = 0;
    s.pauseMovieForDialogs = s.wheelSelection = 1;
    s.autoSelectOrder = 2;
    s.autoSelectInterval = 100;
    s.movieAspect = 2;
    s.spare1 = -7;
    s.spare2 = 123456;
    s.spare3 = INT32_MIN;
    s.showInfoIcon = s.showInfoText = 0;
    klmCopyField(s.renamePattern, sj("%h\\%n (%p)"));
    s.renameInsideArchives = 0;
    s.zipLevel = 0;
    s.sevenZipLevel = 5;
    return s;
}

struct Notes {
    std::vector<std::pair<std::string, std::string>> seen;
    KlmNotifier notifier()
    {
        return [this](const std::string& title, const std::string& text) { seen.emplace_back(title, text); };
    }
};

Settings parse(std::string_view image, const Catalogue& cat, KlmSettingIssueList* issues = nullptr,
               Notes* notes = nullptr)
{
    Settings s = klmDefaultSettings();
    Notes local;
    klmParseSettingImage(image, s, cat, (notes ? notes : &local)->notifier(), issues);
    return s;
}

bool sameFont(const KlmFont& a, const KlmFont& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Line numbers (1-based) of a default file.
constexpr int kHardwareLine = 4;
constexpr int kShowOwnedLine = 17;
constexpr int kListFontLine = 32;
constexpr int kVolumeLine = 92;
constexpr int kSortColumnLine = 96;
constexpr int kShownCountLine = 97;

class SettingFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string tmpl = (fs::temp_directory_path() / "kolmar-settings-XXXXXX").string();
        ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
        dir = tmpl;
    }
    void TearDown() override
    {
        fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(dir);
    }
    std::string dir;
    Catalogue cat = sampleCatalogue();
};

}  // namespace

// The values themselves are pinned by FreshFileLayout; here, what the GUI
// passes in.
TEST(SettingsDefaults, FontSlotsAndSplitterFollowTheControl)
{
    KlmFont f = klmDefaultControlFont();
    f.height = -19;
    const Settings g = klmDefaultSettings(f, 1000);
    for (const KlmFont* slot : {&g.defaultFont, &g.listFont, &g.infoFont, &g.searchFont, &g.statusFont})
        EXPECT_TRUE(sameFont(*slot, f));
    EXPECT_EQ(g.splitX, 351);
    EXPECT_EQ(g.splitY, 246);
}

TEST(SettingsDefaults, AllItemsTextsAreTheCp932OfTheComboTexts)
{
    EXPECT_EQ(klmAllItemsText(KlmNameCondition::Hardware), sj("全て(ハード)"));
    EXPECT_EQ(klmAllItemsText(KlmNameCondition::Software), sj("全て(ソフト / 基板)"));
    EXPECT_EQ(klmAllItemsText(KlmNameCondition::Developer), sj("全て(開発元)"));
    EXPECT_EQ(klmAllItemsText(KlmNameCondition::Publisher), sj("全て(発売元)"));
    EXPECT_EQ(klmAllItemsText(KlmNameCondition::Genre), sj("全て(ジャンル)"));
    EXPECT_EQ(klmAllItemsText(KlmNameCondition::Screen), sj("全て(画面)"));
}

TEST_F(SettingFileTest, FreshFileLayout)
{
    // The whole default file, line by line, in its fixed order.
    std::vector<std::string> want = {"[BEGIN]", "-1", ""};
    for (int i = 0; i < kKlmNameConditionCount; ++i)
        want.emplace_back(klmAllItemsText(static_cast<KlmNameCondition>(i)));
    for (const char* v : {"0", "0", "0", "0", "0", "0",            // value conditions
                          "0",                                     // launched becomes default
                          "1", "0", "1", "1", "0",                 // view filters
                          "0", "0", "0", "0", "1", "1", "1",       // list appearance
                          "101", "0", "0"})
        want.emplace_back(v);
    for (int font = 0; font < 4; ++font)
        for (const char* v : {"-12", "0", "0", "0", "400", "0", "0", "0", "128", "0", "0", "0", "0",
                              "MS UI Gothic"})
            want.emplace_back(v);
    for (const char* v : {"38400", "39144", "200", "0", "30", "1000", "1", "1", "0", "13"})
        want.emplace_back(v);
    for (int field : {0, 10, 1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 16}) {
        want.push_back(field == 0 ? "150" : "80");
        want.push_back(std::to_string(field));
        want.push_back("0");
    }
    want.push_back("0");   // hidden columns
    want.push_back("0");   // dialog target
    want.push_back("19");
    for (int id = 0; id <= 18; ++id)
        want.push_back(std::to_string(id));
    for (const char* v : {"0", "6", "0", "3", "4", "5", "7", "8", "0", "8", "0", "1", "2", "3", "4", "5",
                          "6", "7", "0"})
        want.emplace_back(v);
    for (const char* v : {"12",                              // emulator dialog: key of position 0
                          "0", "0", "551", "246",            // scroll, splitters
                          "0", "0", "0", "0",                // tooltip, date, price, skin slot
                          "1", "0", "0", "1", "0", "0",      // CRC rules … wheel
                          "0", "0", "1000", "0",             // kind, order, interval, aspect
                          "0", "0", "0", "1", "1",           // spares, info icon and text
                          "", "1", "3", "3", "[END]"})
        want.emplace_back(v);

    const std::string image = klmSettingFileImage(klmDefaultSettings(), cat);
    const std::vector<std::string> lines = splitLines(image);
    EXPECT_EQ(lines, want);
    ASSERT_EQ(lines.size(), 206u);
    EXPECT_EQ(lines[kHardwareLine - 1], sj("全て(ハード)"));
    EXPECT_EQ(lines[kShowOwnedLine - 1], "1");
    EXPECT_EQ(image, joinLines(want));  // CRLF after every line, [END] included
}

TEST_F(SettingFileTest, DialogTargetFollowsTheColumnLists)
{
    Settings s = klmDefaultSettings();
    s.shownColumns.count = 2;
    s.shownColumns.items[1] = {90, 3, 1};
    s.hiddenColumns.count = 1;
    s.hiddenColumns.items[0] = {70, 5, 0};
    s.fieldDialogTarget = 2;
    std::vector<std::string> lines = splitLines(klmSettingFileImage(s, cat));
    const size_t target = 97 + 6 + 1 + 3;  // lines before it
    ASSERT_GT(lines.size(), target);
    EXPECT_EQ(lines[target], "2");
    EXPECT_EQ(lines[target - 3], "70");

    // And a file laid out that way reads its target from there.
    lines[target] = "1";
    EXPECT_EQ(parse(joinLines(lines), cat).fieldDialogTarget, 1);
}

TEST_F(SettingFileTest, RoundTripIsByteExactWithCrlfAndLf)
{
    const Settings s = busySettings();
    const std::string image = klmSettingFileImage(s, cat);

    // Distinct values pin the order of the lines after the item lists.
    const std::vector<std::string> lines = splitLines(image);
    const std::vector<std::string> tail = {
        "7", "1234", "-5", "700", "300", "2", "5", "3", "17", "0", "1", "1", "0", "1", "1", "7", "2",
        "100", "2", "-7", "123456", "-2147483648", "0", "0", sj("%h\\%n (%p)"), "0", "0", "5", "[END]"};
    ASSERT_GE(lines.size(), tail.size());
    EXPECT_EQ(std::vector<std::string>(lines.end() - tail.size(), lines.end()), tail);
    EXPECT_EQ(lines[3], sj("メガドライブ"));
    EXPECT_EQ(lines[6], sj("発売三"));

    KlmSettingIssueList issues;
    const Settings r = parse(image, cat, &issues);
    EXPECT_TRUE(issues.empty()) << issues.front().setting << " at line " << issues.front().line;
    EXPECT_EQ(klmSettingFileImage(r, cat), image);

    // The image holds every field, so equal images mean equal records;
    // spot-check the kinds of value that need more than a number.
    EXPECT_STREQ(r.search.searchText, s.search.searchText);
    EXPECT_EQ(r.search.hardware, 2);
    EXPECT_TRUE(sameFont(r.listFont, s.listFont));
    EXPECT_EQ(r.emulatorDialogHardware, 2);
    EXPECT_EQ(r.spare3, INT32_MIN);

    // A file with LF line ends reads the same.
    const std::string lf = joinLines(splitLines(image), "\n");
    EXPECT_EQ(klmSettingFileImage(parse(lf, cat), cat), image);

    // Through the disk as well.
    const std::string path = dir + "/setting.dat";
    std::string error;
    ASSERT_TRUE(klmWriteSettingFile(path, s, cat, &error)) << error;
    std::string onDisk;
    ASSERT_TRUE(klmReadWholeFile(path, onDisk));
    EXPECT_EQ(onDisk, image);
    Settings fromDisk = klmDefaultSettings();
    Notes notes;
    EXPECT_EQ(klmReadSettingFile(path, fromDisk, cat, notes.notifier()), KlmSettingFileStatus::Read);
    EXPECT_EQ(klmSettingFileImage(fromDisk, cat), image);
}

TEST_F(SettingFileTest, NameConditionsResolveByExactName)
{
    std::vector<std::string> lines = splitLines(klmSettingFileImage(klmDefaultSettings(), cat));
    lines[3] = sj("メガドライブ");   // hardware: position 1
    lines[4] = "cd-rom";             // software: names compare case-sensitively
    lines[5] = sj("全て(発売元)");    // developer: another list's all text is no match
    lines[6] = sj("発売三");          // publisher: position 2
    lines[7] = sj("全て(ジャンル)");
    lines[8] = sj("縦 ");             // screen: a trailing space is no match
    KlmSettingIssueList issues;
    Settings s = klmDefaultSettings();
    s.search.genre = 2;
    s.search.software = 1;
    Notes notes;
    klmParseSettingImage(joinLines(lines), s, cat, notes.notifier(), &issues);
    EXPECT_EQ(s.search.hardware, 2);
    EXPECT_EQ(s.search.software, 0);
    EXPECT_EQ(s.search.developer, 0);
    EXPECT_EQ(s.search.publisher, 3);
    EXPECT_EQ(s.search.genre, 0);
    EXPECT_EQ(s.search.screen, 0);
    ASSERT_EQ(issues.size(), 3u);
    EXPECT_EQ(issues[0].setting, "software condition");
    EXPECT_EQ(issues[0].line, 5);

    // Renaming the hardware in hard.dat clears the stored condition.
    Catalogue renamed = cat;
    klmCopyField(renamed.hardware[1].name, sj("メガドライブ2"));
    EXPECT_EQ(parse(joinLines(lines), renamed).search.hardware, 0);

    // Duplicated names resolve to the first entry; written back as names.
    Catalogue dup = cat;
    dup.genre.push_back(entry("RPG", 9, 2));
    lines[7] = "RPG";
    Settings d = parse(joinLines(lines), dup);
    EXPECT_EQ(d.search.genre, 2);
    EXPECT_EQ(splitLines(klmSettingFileImage(d, dup))[7], "RPG");
    EXPECT_EQ(splitLines(klmSettingFileImage(s, cat))[3], sj("メガドライブ"));
}

TEST_F(SettingFileTest, EmulatorDialogHardwareKey)
{
    std::vector<std::string> lines = splitLines(klmSettingFileImage(klmDefaultSettings(), cat));
    const size_t keyLine = 177;
    ASSERT_EQ(lines[keyLine], "12");

    lines[keyLine] = "7";
    Notes quiet;
    EXPECT_EQ(parse(joinLines(lines), cat, nullptr, &quiet).emulatorDialogHardware, 2);
    EXPECT_TRUE(quiet.seen.empty());

    // An unknown key: the lookup's message once, position -1, and the
    // next save names the hardware at position 0.
    lines[keyLine] = "99";
    Notes notes;
    Settings s = parse(joinLines(lines), cat, nullptr, &notes);
    EXPECT_EQ(s.emulatorDialogHardware, -1);
    ASSERT_EQ(notes.seen.size(), 1u);
    EXPECT_EQ(notes.seen[0].first, "重大なエラー");
    EXPECT_EQ(notes.seen[0].second, "klmGetNewHardIndex()");
    EXPECT_EQ(splitLines(klmSettingFileImage(s, cat))[keyLine], "12");

    // No hardware table at all: nothing to name, nothing to complain about.
    Catalogue bare;
    EXPECT_EQ(splitLines(klmSettingFileImage(s, bare))[keyLine], "-1");
    Notes none;
    EXPECT_EQ(parse(joinLines(lines), bare, nullptr, &none).emulatorDialogHardware, 0);
    EXPECT_TRUE(none.seen.empty());
}

TEST_F(SettingFileTest, OutOfRangeValuesKeepTheirDefaultsAndReadingGoesOn)
{
    const Settings busy = busySettings();
    std::vector<std::string> lines = splitLines(klmSettingFileImage(busy, cat));
    const Settings def = klmDefaultSettings();
    struct Bad {
        const char* text;
        const char* setting;
        std::function<void(Settings&)> mark;  // changes only that setting
    };
    const Bad bad[] = {
        {"-2", "selected game", [](Settings& s) { s.selectedGame = 2; }},
        {"9", "release-year condition", [](Settings& s) { s.search.year = 1; }},  // 1983–1990: 9 entries
        {"3", "release-year qualifier", [](Settings& s) { s.search.yearQualifier = 0; }},
        {"6", "price condition", [](Settings& s) { s.search.price = 1; }},        // up to 5,000円
        {"-1", "price qualifier", [](Settings& s) { s.search.priceQualifier = 0; }},
        {"4", "ROM-size condition", [](Settings& s) { s.search.romSize = 1; }},   // three sizes
        {"3", "ROM-size qualifier", [](Settings& s) { s.search.romSizeQualifier = 0; }},
        {"2", "show owned", [](Settings& s) { s.search.showOwned = 1; }},
        {"102", "list icon source", [](Settings& s) { s.listIconSource = 101; }},
        {"4294967284", "list font height", [](Settings& s) { s.listFont.height = 1; }},
        {"256", "list font italic", [](Settings& s) { s.listFont.italic = 0; }},
        {"16777216", "owned colour", [](Settings& s) { s.ownedColour = 1; }},
        {"101", "volume", [](Settings& s) { s.volume = 1; }},
        {"599", "playback speed", [](Settings& s) { s.speed = 700; }},
        {"-1", "list vertical scroll position", [](Settings& s) { s.listScrollRow = 1; }},
        {"32768", "splitY", [](Settings& s) { s.splitY = 1; }},
        {"6", "date format", [](Settings& s) { s.dateFormat = 1; }},
        {"-1", "price format", [](Settings& s) { s.priceFormat = 1; }},
        {"1000", "snap-skin dialog selection", [](Settings& s) { s.skinDialogSlot = 1; }},
        {"2", "title mode", [](Settings& s) { s.titleMode = 0; }},
        {"22", "search kind", [](Settings& s) { s.search.searchKind = 1; }},
        {"99", "auto-select interval", [](Settings& s) { s.autoSelectInterval = 200; }},
        {"3", "movie aspect", [](Settings& s) { s.movieAspect = 1; }},
        {"2147483648", "spare value 1", [](Settings& s) { s.spare1 = 1; }},
        {"6", "7Z level", [](Settings& s) { s.sevenZipLevel = 1; }},
    };
    std::vector<int> badLines;
    for (const Bad& b : bad) {
        Settings marked = busy;
        b.mark(marked);
        const std::vector<std::string> other = splitLines(klmSettingFileImage(marked, cat));
        ASSERT_EQ(other.size(), lines.size());
        int found = -1;
        for (size_t i = 0; i < lines.size(); ++i)
            if (other[i] != lines[i])
                found = static_cast<int>(i);
        ASSERT_GE(found, 0) << b.setting;
        lines[found] = b.text;
        badLines.push_back(found + 1);
    }

    KlmSettingIssueList issues;
    const Settings s = parse(joinLines(lines), cat, &issues);
    ASSERT_EQ(issues.size(), std::size(bad));
    for (size_t i = 0; i < std::size(bad); ++i) {
        EXPECT_EQ(issues[i].setting, bad[i].setting);
        EXPECT_EQ(issues[i].line, badLines[i]);
        EXPECT_EQ(issues[i].text, bad[i].text);
        EXPECT_FALSE(issues[i].endOfFile);
    }
    EXPECT_EQ(s.selectedGame, def.selectedGame);
    EXPECT_EQ(s.search.year, 0);
    EXPECT_EQ(s.search.price, 0);
    EXPECT_EQ(s.search.romSize, 0);
    EXPECT_EQ(s.search.yearQualifier, 0);
    EXPECT_EQ(s.search.priceQualifier, 0);
    EXPECT_EQ(s.search.romSizeQualifier, 0);
    EXPECT_EQ(s.search.showOwned, 1);
    EXPECT_EQ(s.listIconSource, 101);
    EXPECT_EQ(s.listFont.height, def.listFont.height);
    EXPECT_EQ(s.listFont.italic, 0);
    EXPECT_EQ(s.listFont.weight, 700);  // its neighbours are read
    EXPECT_EQ(s.ownedColour, def.ownedColour);
    EXPECT_EQ(s.volume, 30);
    EXPECT_EQ(s.speed, 1000);
    EXPECT_EQ(s.listScrollRow, 0);
    EXPECT_EQ(s.splitY, 246);
    EXPECT_EQ(s.dateFormat, 0);
    EXPECT_EQ(s.priceFormat, 0);
    EXPECT_EQ(s.skinDialogSlot, 0);
    EXPECT_EQ(s.titleMode, 0);
    EXPECT_EQ(s.search.searchKind, 0);
    EXPECT_EQ(s.autoSelectInterval, 1000);
    EXPECT_EQ(s.movieAspect, 0);
    EXPECT_EQ(s.spare1, 0);
    EXPECT_EQ(s.sevenZipLevel, 3);
    // Everything else came through.
    EXPECT_EQ(s.mute, 1);
    EXPECT_EQ(s.listScrollX, -5);
    EXPECT_EQ(s.splitX, 700);
    EXPECT_EQ(s.tooltipContent, 2);
    EXPECT_EQ(s.autoSelectOrder, 2);
    EXPECT_EQ(s.spare2, 123456);
    EXPECT_EQ(s.zipLevel, 0);
}

TEST_F(SettingFileTest, UnknownAutoSelectOrderReadsAsNext)
{
    std::vector<std::string> lines = splitLines(klmSettingFileImage(busySettings(), cat));
    const size_t orderLine = lines.size() - 13;
    ASSERT_EQ(lines[orderLine], "2");
    ASSERT_EQ(lines[orderLine + 1], "100");  // the interval follows it
    lines[orderLine] = "3";
    Settings s = klmDefaultSettings();
    s.autoSelectOrder = 1;  // not kept: an unknown order is order 0
    Notes notes;
    klmParseSettingImage(joinLines(lines), s, cat, notes.notifier());
    EXPECT_EQ(s.autoSelectOrder, 0);
    EXPECT_EQ(s.movieAspect, 2);
}

TEST_F(SettingFileTest, SelectedGameFollowsTheCatalogue)
{
    std::vector<std::string> lines = splitLines(klmSettingFileImage(klmDefaultSettings(), cat));
    lines[1] = "4";  // one past the four games
    EXPECT_EQ(parse(joinLines(lines), cat).selectedGame, 0);
    lines[1] = "3";
    EXPECT_EQ(parse(joinLines(lines), cat).selectedGame, 3);
    Catalogue empty;
    empty.hardware = cat.hardware;
    EXPECT_EQ(parse(joinLines(lines), empty).selectedGame, -1);
}

TEST_F(SettingFileTest, ShortFileLeavesTheRestAsItWas)
{
    const std::vector<std::string> all = splitLines(klmSettingFileImage(busySettings(), cat));
    const std::vector<std::string> head(all.begin(), all.begin() + kVolumeLine);  // up to the volume
    KlmSettingIssueList issues;
    const Settings s = parse(joinLines(head), cat, &issues);
    EXPECT_EQ(s.volume, 100);
    EXPECT_EQ(s.speed, 1000);
    EXPECT_EQ(s.shownColumns.count, 13);
    EXPECT_EQ(s.sevenZipLevel, 3);
    EXPECT_EQ(s.sortColumn, 0);
    ASSERT_EQ(issues.size(), 1u);
    EXPECT_TRUE(issues[0].endOfFile);
    EXPECT_EQ(issues[0].line, kVolumeLine + 1);
    EXPECT_EQ(issues[0].setting, "playback speed");

    // The last value may lack its line break.
    std::string noBreak = joinLines(head);
    noBreak.resize(noBreak.size() - 2);
    EXPECT_EQ(parse(noBreak, cat).volume, 100);

    // Ending in the middle of a list keeps that list whole.
    const std::vector<std::string> midList(all.begin(), all.begin() + kShownCountLine + 4);
    const Settings m = parse(joinLines(midList), cat);
    EXPECT_EQ(m.shownColumns.count, 13);
    EXPECT_EQ(m.hiddenColumns.count, 0);

    // Empty and one-line files change nothing.
    const std::string fresh = klmSettingFileImage(klmDefaultSettings(), cat);
    EXPECT_EQ(klmSettingFileImage(parse("", cat), cat), fresh);
    EXPECT_EQ(klmSettingFileImage(parse("[BEGIN]\r\n", cat), cat), fresh);
}

TEST_F(SettingFileTest, DamagedListsKeepTheirDefaults)
{
    const std::string fresh = klmSettingFileImage(klmDefaultSettings(), cat);
    auto withColumns = [&](std::vector<std::string> columnLines) {
        std::vector<std::string> lines = splitLines(fresh);
        // Replace the 13 shown columns and the hidden count.
        lines.erase(lines.begin() + (kShownCountLine - 1), lines.begin() + (kShownCountLine - 1) + 41);
        lines.insert(lines.begin() + (kShownCountLine - 1), columnLines.begin(), columnLines.end());
        return joinLines(lines);
    };
    const std::vector<std::vector<std::string>> damaged = {
        {"2", "90", "3", "0", "150", "0", "0", "0"},                 // title not first
        {"1", "150", "0", "0", "1", "80", "0", "0"},                 // title twice
        {"2", "150", "0", "0", "80", "19", "0", "0"},                // no field 19
        {"2", "150", "0", "0", "-80", "3", "0", "0"},                // negative width
        {"0", "0"},                                                  // no title shown
    };
    for (const auto& cols : damaged) {
        KlmSettingIssueList issues;
        Settings s = parse(withColumns(cols), cat, &issues);
        EXPECT_EQ(s.shownColumns.count, 13) << cols[0] << cols[1];
        EXPECT_EQ(s.hiddenColumns.count, 0);
        ASSERT_EQ(issues.size(), 1u);
        EXPECT_EQ(issues[0].setting, "columns");
        EXPECT_EQ(issues[0].line, kShownCountLine);
        // Everything after the lists is still read in its place.
        EXPECT_EQ(s.detailedShown.count, 19);
        EXPECT_EQ(s.emulatorDialogHardware, 0);
        EXPECT_EQ(s.zipLevel, 3);
    }

    // A sound pair is taken, and the sort column checked against it.
    std::vector<std::string> lines = splitLines(
        withColumns({"2", "150", "0", "0", "60", "7", "1", "1", "55", "9", "0"}));
    lines[kSortColumnLine - 1] = "2";
    KlmSettingIssueList issues;
    Settings s = parse(joinLines(lines), cat, &issues);
    EXPECT_EQ(s.shownColumns.count, 2);
    EXPECT_EQ(s.shownColumns.items[1].field, 7);
    EXPECT_EQ(s.hiddenColumns.items[0].width, 55);
    EXPECT_EQ(s.sortColumn, 0);
    ASSERT_EQ(issues.size(), 1u);
    EXPECT_EQ(issues[0].setting, "sort column");
    EXPECT_EQ(issues[0].line, kSortColumnLine);
    lines[kSortColumnLine - 1] = "1";
    EXPECT_EQ(parse(joinLines(lines), cat).sortColumn, 1);

    // Status items may start anywhere, but not repeat or leave 0–7.
    std::vector<std::string> st = splitLines(fresh);
    const size_t statusCount = 167;  // 0-based line of the status-bar count
    ASSERT_EQ(st[statusCount], "8");
    st.erase(st.begin() + statusCount, st.begin() + statusCount + 10);
    st.insert(st.begin() + statusCount, {"2", "6", "1", "1", "0"});
    Settings ok = parse(joinLines(st), cat);
    EXPECT_EQ(ok.statusShown.count, 2);
    EXPECT_EQ(ok.statusShown.items[0], 6);
    EXPECT_EQ(ok.statusHidden.items[0], 0);
    st[statusCount + 4] = "8";
    EXPECT_EQ(parse(joinLines(st), cat).statusShown.count, 8);
    st[statusCount + 4] = "6";
    EXPECT_EQ(parse(joinLines(st), cat).statusShown.count, 8);
}

TEST_F(SettingFileTest, CountBeyondThirtyStopsReading)
{
    std::vector<std::string> lines = splitLines(klmSettingFileImage(busySettings(), cat));
    lines[kShownCountLine - 1] = "31";
    KlmSettingIssueList issues;
    const Settings s = parse(joinLines(lines), cat, &issues);
    EXPECT_EQ(s.loopPlayback, 0);         // before the list: read
    EXPECT_EQ(s.shownColumns.count, 13);  // the list and all after it: defaults
    EXPECT_EQ(s.fieldDialogTarget, 0);
    EXPECT_EQ(s.spare2, 0);
    EXPECT_EQ(s.sevenZipLevel, 3);
    ASSERT_EQ(issues.size(), 1u);
    EXPECT_EQ(issues[0].line, kShownCountLine);
}

TEST_F(SettingFileTest, LongTextsAreCutAtACharacterBoundary)
{
    std::vector<std::string> lines = splitLines(klmSettingFileImage(klmDefaultSettings(), cat));
    // "a" then 150 katakana: 301 bytes, and byte 255 is a lead byte.
    std::string longText = "a";
    for (int i = 0; i < 150; ++i)
        longText += sj("ア");
    lines[2] = longText;
    lines[3] = sj("PCエンジン");
    std::string longFace(40, 'F');
    lines[kListFontLine + 12] = longFace;
    lines[kListFontLine + 13] = "-20";  // the next font's height
    std::string longPattern = "%n";
    for (int i = 0; i < 200; ++i)
        longPattern += sj("ン");
    lines[lines.size() - 5] = longPattern;

    KlmSettingIssueList issues;
    const Settings s = parse(joinLines(lines), cat, &issues);
    const std::string_view text = klmField(s.search.searchText);
    EXPECT_EQ(text.size(), 255u);
    EXPECT_EQ(text, std::string_view(longText).substr(0, 255));
    EXPECT_TRUE(klmIsValidCp932(text));
    EXPECT_EQ(s.search.hardware, 3);  // the line after it is still the hardware
    EXPECT_EQ(klmField(s.listFont.faceName), std::string(31, 'F'));
    EXPECT_EQ(s.infoFont.height, -20);
    const std::string_view pattern = klmField(s.renamePattern);
    EXPECT_LE(pattern.size(), 258u);
    EXPECT_GE(pattern.size(), 257u);
    EXPECT_TRUE(klmIsValidCp932(pattern));
    EXPECT_EQ(s.renameInsideArchives, 1);
    EXPECT_EQ(s.zipLevel, 3);
    EXPECT_EQ(issues.size(), 3u);

    // What was kept is what the writer gives back, and that reads the same.
    const std::string once = klmSettingFileImage(s, cat);
    EXPECT_EQ(klmSettingFileImage(parse(once, cat), cat), once);
}

TEST_F(SettingFileTest, MissingAndFailedFiles)
{
    Settings s = busySettings();
    Notes notes;
    EXPECT_EQ(klmReadSettingFile(dir + "/none.dat", s, cat, notes.notifier()), KlmSettingFileStatus::Missing);
    EXPECT_EQ(klmSettingFileImage(s, cat), klmSettingFileImage(busySettings(), cat));

    std::string error;
    EXPECT_EQ(klmReadSettingFile(dir, s, cat, notes.notifier(), nullptr, &error),
              KlmSettingFileStatus::Unreadable);

    // A save that cannot be made is reported and leaves the old file.
    const std::string path = dir + "/setting.dat";
    ASSERT_TRUE(klmWriteSettingFile(path, klmDefaultSettings(), cat));
    std::string before;
    ASSERT_TRUE(klmReadWholeFile(path, before));
    EXPECT_FALSE(klmWriteSettingFile(dir + "/no-such-dir/setting.dat", s, cat, &error));
    EXPECT_FALSE(error.empty());
    if (geteuid() != 0) {
        fs::permissions(dir, fs::perms::owner_write, fs::perm_options::remove);
        error.clear();
        EXPECT_FALSE(klmWriteSettingFile(path, s, cat, &error));
        EXPECT_FALSE(error.empty());
        fs::permissions(dir, fs::perms::owner_write, fs::perm_options::add);
    }
    std::string after;
    ASSERT_TRUE(klmReadWholeFile(path, after));
    EXPECT_EQ(after, before);
}
