// End-to-end tests of kolmar-cli and gen-catalogue: the real binaries run on
// copies of the shipped sample and on generated folders in temp dirs.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "catalogue/app_paths.h"
#include "catalogue/cache.h"
#include "catalogue/catalogue.h"
#include "e2e_util.h"
#include "text/cp932.h"


namespace fs = std::filesystem;

namespace {

using RunResult = KlmTestRun;
using JsonObject = nlohmann::json;

RunResult cli(const std::vector<std::string>& args, const KlmTempDir& scratch) { return klmRunCli(args, scratch); }
RunResult gen(const std::vector<std::string>& args, const KlmTempDir& scratch) { return klmRunGen(args, scratch); }

// Every line must be one flat JSON object.
std::vector<JsonObject> parseJsonLines(const std::string& text)
{
    std::vector<JsonObject> rows = klmJsonLines(text);
    for (const JsonObject& row : rows) EXPECT_TRUE(row.is_object()) << row.dump();
    return rows;
}

std::string str(const JsonObject& o, const std::string& key)
{
    const bool ok = o.contains(key) && o[key].is_string();
    EXPECT_TRUE(ok) << key;
    return ok ? o[key].get<std::string>() : std::string();
}

long long num(const JsonObject& o, const std::string& key)
{
    const bool ok = o.contains(key) && o[key].is_number_integer();
    EXPECT_TRUE(ok) << key;
    return ok ? o[key].get<long long>() : 0;
}

const JsonObject* findByTitle(const std::vector<JsonObject>& rows, const std::string& title)
{
    for (const JsonObject& r : rows)
        if (str(r, "title") == title) return &r;
    return nullptr;
}

fs::path sampleDir() { return klmSampleDir(); }
std::string copySample(const KlmTempDir& dir) { return klmCopySample(dir); }

// Every file under base with its size and time: proof that nothing was written.
std::map<std::string, std::pair<uintmax_t, fs::file_time_type>> snapshot(const std::string& base)
{
    std::map<std::string, std::pair<uintmax_t, fs::file_time_type>> files;
    for (const auto& e : fs::recursive_directory_iterator(base))
        if (e.is_regular_file()) files[e.path().string()] = {e.file_size(), e.last_write_time()};
    return files;
}

std::vector<std::string> fileLines(const std::string& bytes)
{
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < bytes.size()) {
        size_t end = bytes.find("\r\n", pos);
        if (end == std::string::npos) end = bytes.size();
        lines.push_back(bytes.substr(pos, end - pos));
        pos = end + 2;
    }
    return lines;
}

std::string joinCrlf(const std::vector<std::string>& lines)
{
    std::string out;
    for (const std::string& l : lines) out += l + "\r\n";
    return out;
}

// 1-based number of the first line at or after from that equals text.
int lineOf(const std::vector<std::string>& lines, const std::string& text, int from = 1)
{
    for (size_t i = static_cast<size_t>(from - 1); i < lines.size(); ++i)
        if (lines[i] == text) return static_cast<int>(i) + 1;
    return 0;
}

}  // namespace

TEST(SampleCatalogue, FilesAreCp932WithCrlfLineEnds)
{
    for (const char* name : {"data.dat", "hard.dat", "soft.dat", "genre.dat", "screen.dat"}) {
        const std::string bytes = klmTestRead((sampleDir() / name).string());
        ASSERT_FALSE(bytes.empty()) << name;
        EXPECT_TRUE(klmIsValidCp932(bytes)) << name;
        for (size_t i = 0; i < bytes.size(); ++i) {
            if (bytes[i] == '\n') {
                ASSERT_TRUE(i > 0 && bytes[i - 1] == '\r') << name << " byte " << i;
            }
        }
    }
    for (const char* dir : {"save", "cache", "image", "movie", "icon", "temp", "default"})
        EXPECT_TRUE(fs::is_directory(sampleDir() / dir)) << dir;
    for (const char* png : {"nolist.png", "nopicture.png", "frame.png"})
        EXPECT_EQ(klmTestRead((sampleDir() / "default" / png).string()).substr(1, 3), "PNG") << png;
}

TEST(KolmarCliCheck, SampleIsCleanAndNothingIsWritten)
{
    KlmTempDir dir;
    const std::string base = copySample(dir);
    const auto before = snapshot(base);

    RunResult r = cli({"check", base}, dir);
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("ゲーム: 84\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("ハード: 8\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("ジャンル: 10\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("開発元: 12\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("発売元: 10\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("問題: 0 件"), std::string::npos) << r.out;

    RunResult d = cli({"dump", base}, dir);
    EXPECT_EQ(d.exitCode, 0) << d.err;
    RunResult t = cli({"dump", base, "--tables"}, dir);
    EXPECT_EQ(t.exitCode, 0) << t.err;
    // No fdate.cache, no dat.cache: the folder is as it was.
    EXPECT_EQ(snapshot(base), before);
}

TEST(KolmarCliDump, SampleRecordsMatchTheirDisplayRules)
{
    KlmTempDir dir;
    const std::string base = copySample(dir);
    RunResult r = cli({"dump", base}, dir);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::vector<JsonObject> games = parseJsonLines(r.out);
    ASSERT_EQ(games.size(), 84u);
    for (size_t i = 0; i < games.size(); ++i) {
        EXPECT_EQ(num(games[i], "index"), static_cast<long long>(i));
        EXPECT_EQ(games[i].size(), 34u) << "every GameRecord field, once";
    }

    // First record: ルミナス16 is hard.dat's first entry (key 1), but its
    // reading sorts last of eight.
    const JsonObject& soul = games[0];
    EXPECT_EQ(str(soul, "title"), "ソウルブレイカー");
    EXPECT_EQ(str(soul, "title_kana"), "そうるぶれいかー");
    EXPECT_EQ(str(soul, "english_title"), "Soul Breaker");
    EXPECT_EQ(num(soul, "image_number"), 1);
    EXPECT_EQ(str(soul, "image_number_text"), "0001");
    EXPECT_EQ(num(soul, "hardware"), 7);
    EXPECT_EQ(num(soul, "screen"), 2);  // key 0 横画面 sorts after たてがめん and ふめい
    EXPECT_EQ(num(soul, "release_date"), 19870715);
    EXPECT_EQ(str(soul, "release_date_text"), "1987年7月15日");
    EXPECT_EQ(num(soul, "price"), 3800);
    EXPECT_EQ(str(soul, "price_text"), "3,800円");
    EXPECT_EQ(num(soul, "rom_size"), 262144);
    EXPECT_EQ(str(soul, "rom_size_text"), "256 KB");
    EXPECT_EQ(str(soul, "crc32"), "1A2B3C4D");
    EXPECT_EQ(str(soul, "serial"), "LMS-0001");
    EXPECT_EQ(str(soul, "comment"), "シリーズ第１作。");
    EXPECT_EQ(str(soul, "movie_mark"), "×");
    EXPECT_EQ(str(soul, "arcade_file"), "") << "no <arcade> line";
    EXPECT_EQ(num(soul, "ownership"), 0);
    EXPECT_EQ(str(soul, "found_path"), "");

    // Everything unknown; the title's 表 has 0x5C as its second byte.
    const JsonObject* hyouri = findByTitle(games, "表裏のラビリンス");
    ASSERT_NE(hyouri, nullptr);
    EXPECT_EQ(str(*hyouri, "release_date_text"), "1983年--月--日");
    EXPECT_EQ(num(*hyouri, "price"), 999999);
    EXPECT_EQ(str(*hyouri, "price_text"), "--円");
    EXPECT_EQ(num(*hyouri, "rom_size"), 999999999);
    EXPECT_EQ(str(*hyouri, "rom_size_text"), "--");
    EXPECT_EQ(str(*hyouri, "crc32"), "00000000");
    EXPECT_EQ(str(*hyouri, "developer"), "ソフトハウス表町");

    const JsonObject* miko = findByTitle(games, "超能力少女ミコ");
    ASSERT_NE(miko, nullptr);
    EXPECT_EQ(str(*miko, "release_date_text"), "----年--月--日");
    EXPECT_EQ(str(*miko, "price_text"), "980円");
    EXPECT_EQ(str(*miko, "crc32"), "FFFFFFFF");

    const JsonObject* galaxy = findByTitle(games, "ギャラクシーレイド～星の海へ～");
    ASSERT_NE(galaxy, nullptr);
    EXPECT_EQ(str(*galaxy, "arcade_file"), "無");
    EXPECT_EQ(num(*galaxy, "hardware"), 0);  // アーケード: あーけーど sorts first
    EXPECT_EQ(str(*galaxy, "release_date_text"), "1983年--月--日");
    EXPECT_EQ(str(*galaxy, "rom_size_text"), "1.50 MB");

    const JsonObject* abc = findByTitle(games, "ＡＢＣ大作戦");
    ASSERT_NE(abc, nullptr);
    EXPECT_EQ(str(*abc, "release_date_text"), "2005年7月4日");
    EXPECT_EQ(str(*abc, "price_text"), "12,800円");
    EXPECT_EQ(str(*abc, "rom_size_text"), "1.00 MB");

    // A named arcade file is kept as written.
    const JsonObject* fang = findByTitle(games, "スカイファング");
    ASSERT_NE(fang, nullptr);
    EXPECT_EQ(str(*fang, "arcade_file"), "skyfang");

    // A three-disc set: one group, disks 0, 1, 2 in file order.
    const JsonObject* d1 = findByTitle(games, "星降る村の物語　ディスク１");
    const JsonObject* d3 = findByTitle(games, "星降る村の物語　ディスク３");
    ASSERT_TRUE(d1 && d3);
    EXPECT_EQ(num(*d1, "disk"), 0);
    EXPECT_EQ(num(*d3, "disk"), 2);
    EXPECT_EQ(num(*d1, "group"), num(*d3, "group"));
    EXPECT_EQ(num(*d3, "index"), num(*d1, "index") + 2);
}

TEST(KolmarCliDump, TablesAreSortedAndNumbersPointIntoThem)
{
    KlmTempDir dir;
    const std::string base = copySample(dir);
    RunResult g = cli({"dump", base}, dir);
    ASSERT_EQ(g.exitCode, 0) << g.err;
    const std::vector<JsonObject> games = parseJsonLines(g.out);
    RunResult r = cli({"dump", base, "--tables"}, dir);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::vector<JsonObject> rows = parseJsonLines(r.out);

    std::map<std::string, std::vector<JsonObject>> tables;
    for (const JsonObject& row : rows) {
        EXPECT_EQ(row.size(), 9u);
        tables[str(row, "table")].push_back(row);
    }
    ASSERT_EQ(tables.size(), 7u);
    EXPECT_EQ(tables["hard"].size(), 8u);
    EXPECT_EQ(tables["soft"].size(), 7u);
    EXPECT_EQ(tables["genre"].size(), 10u);
    EXPECT_EQ(tables["screen"].size(), 4u);
    EXPECT_EQ(tables["developer"].size(), 12u);
    EXPECT_EQ(tables["publisher"].size(), 10u);

    const auto& hard = tables["hard"];
    EXPECT_EQ(str(hard.front(), "name"), "アーケード");
    EXPECT_EQ(num(hard.front(), "key"), 3);
    EXPECT_EQ(num(hard.front(), "image_number"), 30);
    EXPECT_EQ(num(hard.front(), "aspect"), 1);
    EXPECT_EQ(num(hard.front(), "skin"), 2);
    EXPECT_EQ(str(hard.back(), "name"), "ルミナス16");
    EXPECT_EQ(num(hard.back(), "key"), 1);

    for (auto& [name, entries] : tables) {
        for (size_t i = 0; i < entries.size(); ++i) {
            EXPECT_EQ(num(entries[i], "position"), static_cast<long long>(i)) << name;
            if (i == 0) continue;
            // Master tables sort by reading, names by their CP932 bytes, sizes by value.
            if (name == "romsize") {
                EXPECT_LE(num(entries[i - 1], "value"), num(entries[i], "value"));
            } else {
                const char* key = (name == "developer" || name == "publisher") ? "name" : "alias";
                EXPECT_LE(sj(str(entries[i - 1], key)), sj(str(entries[i], key))) << name << " " << i;
            }
        }
    }
    std::map<std::string, long long> sizeValue;
    for (const JsonObject& row : tables["romsize"]) sizeValue[str(row, "name")] = num(row, "value");
    EXPECT_EQ(sizeValue["256 KB"], 262144);
    EXPECT_EQ(sizeValue["1.50 MB"], 1572864);
    EXPECT_EQ(sizeValue.count("--"), 0u) << "unknown sizes add nothing";

    // Each game's number names the row holding its own text.
    for (const JsonObject& game : games) {
        const long long dev = num(game, "developer_number");
        const long long pub = num(game, "publisher_number");
        ASSERT_LT(static_cast<size_t>(dev), tables["developer"].size());
        ASSERT_LT(static_cast<size_t>(pub), tables["publisher"].size());
        EXPECT_EQ(str(tables["developer"][dev], "name"), str(game, "developer"));
        EXPECT_EQ(str(tables["publisher"][pub], "name"), str(game, "publisher"));
        EXPECT_LT(num(game, "hardware"), 8);
        EXPECT_LT(num(game, "genre"), 10);
    }
}

TEST(KolmarCliDump, ReadsTheCacheWhileTheFilesAreUnchanged)
{
    KlmTempDir dir;
    const std::string base = copySample(dir);

    // Start-up and shutdown of the program: parse, record an audit result,
    // leave dat.cache and fdate.cache behind.
    AppPaths paths;
    klmBuildAppPaths(paths, base);
    Catalogue cat;
    ASSERT_EQ(klmParseCatalogue(paths, cat), 0);
    klmCopyField(cat.games[0].foundPath, "/roms/soul.zip");
    cat.games[0].ownership = kKlmOwned;
    ASSERT_TRUE(klmWriteFileTimes(paths));
    ASSERT_TRUE(klmSaveCatalogueCache(paths, cat));
    const auto before = snapshot(base);

    RunResult r = cli({"dump", base}, dir);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::vector<JsonObject> games = parseJsonLines(r.out);
    ASSERT_EQ(games.size(), 84u);
    EXPECT_EQ(num(games[0], "ownership"), 1);
    EXPECT_EQ(str(games[0], "found_path"), "/roms/soul.zip");

    RunResult c = cli({"check", base}, dir);
    EXPECT_EQ(c.exitCode, 0) << c.out;
    EXPECT_NE(c.out.find("読み込み元: dat.cache"), std::string::npos) << c.out;
    EXPECT_EQ(snapshot(base), before);

    // A newer data.dat makes the cache stale: the text files are read again
    // and the audit result is gone, as after any parse.
    const fs::path data = fs::path(base) / "data.dat";
    fs::last_write_time(data, fs::last_write_time(data) + std::chrono::hours(1));
    r = cli({"dump", base}, dir);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    games = parseJsonLines(r.out);
    ASSERT_EQ(games.size(), 84u);
    EXPECT_EQ(num(games[0], "ownership"), 0);
    EXPECT_EQ(str(games[0], "found_path"), "");
}

TEST(KolmarCliCheck, BrokenCatalogueListsEachProblemWithItsLine)
{
    KlmTempDir dir;
    const std::string base = copySample(dir);
    const std::string dataPath = base + "/data.dat";
    std::vector<std::string> lines = fileLines(klmTestRead(dataPath));

    // Game 10 loses its "</game>", game 20's title its closing tag, and game
    // 30 names a hardware hard.dat does not have.
    int game10 = 0, game20 = 0, game30 = 0;
    for (int n = 0, i = 1; i <= static_cast<int>(lines.size()); ++i) {
        if (lines[i - 1] != "<game>") continue;
        ++n;
        if (n == 10) game10 = i;
        if (n == 20) game20 = i;
        if (n == 30) game30 = i;
    }
    ASSERT_TRUE(game10 && game20 && game30);
    const int end10 = lineOf(lines, "</game>", game10);
    const int title20 = game20 + 2;
    ASSERT_EQ(lines[title20 - 1].rfind("<title>", 0), 0u);
    const int hard30 = game30 + 5;
    ASSERT_EQ(lines[hard30 - 1].rfind("<hard>", 0), 0u);
    lines[title20 - 1] = lines[title20 - 1].substr(0, lines[title20 - 1].find("</title>"));
    lines[hard30 - 1] = "<hard>99</hard>";
    lines[end10 - 1] = "";  // keeps the line numbers as they were
    klmTestWrite(dataPath, joinCrlf(lines));

    RunResult r = cli({"check", base}, dir);
    EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
    EXPECT_NE(r.out.find("data.dat:" + std::to_string(game10) + ": <game> が閉じられていません\n"),
              std::string::npos) << r.out;
    EXPECT_NE(r.out.find("data.dat:" + std::to_string(title20) + ": <title> の閉じタグがありません\n"),
              std::string::npos) << r.out;
    EXPECT_NE(r.out.find("data.dat:" + std::to_string(game30) + ": マスターにないキーです: <hard>99\n"),
              std::string::npos) << r.out;
    // Nothing is lost: the unclosed record ends where the next one begins.
    EXPECT_NE(r.out.find("ゲーム: 84\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("問題: 3 件"), std::string::npos) << r.out;
}

TEST(KolmarCliCheck, MissingRequiredFileCannotBeLoaded)
{
    KlmTempDir dir;
    const std::string base = copySample(dir);
    fs::remove(fs::path(base) / "hard.dat");
    fs::remove(fs::path(base) / "soft.dat");

    for (const char* command : {"check", "dump"}) {
        RunResult r = cli({command, base}, dir);
        EXPECT_EQ(r.exitCode, 2) << command;
        EXPECT_EQ(r.out, "") << command;
        // Only the first missing file of the test order is named.
        EXPECT_NE(r.err.find("hard.dat が存在しません。"), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("soft.dat"), std::string::npos) << r.err;
    }
}

TEST(KolmarCliDump, TextsAreEscapedForJson)
{
    KlmTempDir dir;
    const std::string base = copySample(dir);
    const std::string dataPath = base + "/data.dat";
    std::vector<std::string> lines = fileLines(klmTestRead(dataPath));
    const int comment = lineOf(lines, sj("<comment>シリーズ第１作。</comment>"));
    ASSERT_GT(comment, 0);
    lines[comment - 1] = sj("<comment>\"引用\" \\ 表\ttab\x01</comment>");
    klmTestWrite(dataPath, joinCrlf(lines));

    RunResult r = cli({"dump", base}, dir);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find(R"("comment":"\"引用\" \\ 表\ttab\u0001")"), std::string::npos);
    const std::vector<JsonObject> games = parseJsonLines(r.out);
    ASSERT_FALSE(games.empty());
    EXPECT_EQ(str(games[0], "comment"), "\"引用\" \\ 表\ttab\x01");
}

TEST(GenCatalogue, GeneratedFolderPassesCheck)
{
    KlmTempDir dir;
    const std::string base = (dir.path / "gen").string();
    RunResult g = gen({base, "1000", "--seed", "42"}, dir);
    ASSERT_EQ(g.exitCode, 0) << g.err;
    for (const char* sub : {"save", "cache", "image", "movie", "icon", "temp", "default"})
        EXPECT_TRUE(fs::is_directory(fs::path(base) / sub)) << sub;

    RunResult c = cli({"check", base}, dir);
    EXPECT_EQ(c.exitCode, 0) << c.out;
    EXPECT_NE(c.out.find("ゲーム: 1000\n"), std::string::npos) << c.out;
    EXPECT_NE(c.out.find("ハード: 37\n"), std::string::npos) << c.out;

    RunResult d = cli({"dump", base}, dir);
    ASSERT_EQ(d.exitCode, 0);
    const std::vector<JsonObject> games = parseJsonLines(d.out);
    ASSERT_EQ(games.size(), 1000u);
    int laterDisks = 0, noArcade = 0, unknownPrice = 0, unknownSize = 0, unknownDate = 0, fiveC = 0;
    for (const JsonObject& game : games) {
        laterDisks += num(game, "disk") > 0;
        noArcade += str(game, "arcade_file") == "無";
        unknownPrice += str(game, "price_text") == "--円";
        unknownSize += num(game, "rom_size") == 999999999;
        unknownDate += str(game, "release_date_text").find("--") != std::string::npos;
        const std::string title = sj(str(game, "title"));
        for (size_t i = 0; i + 1 < title.size(); ++i) {
            if (klmIsLeadByte(static_cast<unsigned char>(title[i]))) {
                if (title[i + 1] == '\\') {
                    ++fiveC;
                    break;
                }
                ++i;
            }
        }
        EXPECT_FALSE(str(game, "title_kana").empty());
        EXPECT_FALSE(str(game, "english_title").empty());
    }
    EXPECT_GT(laterDisks, 0);
    EXPECT_GT(noArcade, 0);
    EXPECT_GT(unknownPrice, 0);
    EXPECT_GT(unknownSize, 0);
    EXPECT_GT(unknownDate, 0);
    EXPECT_GT(fiveC, 50);
}

TEST(GenCatalogue, SameSeedGivesTheSameBytes)
{
    KlmTempDir dir;
    const std::string a = (dir.path / "a").string(), b = (dir.path / "b").string(), c = (dir.path / "c").string();
    ASSERT_EQ(gen({a, "3000", "--seed", "7"}, dir).exitCode, 0);
    ASSERT_EQ(gen({b, "3000", "--seed", "7"}, dir).exitCode, 0);
    ASSERT_EQ(gen({c, "3000", "--seed", "8"}, dir).exitCode, 0);
    for (const char* name : {"data.dat", "hard.dat", "soft.dat", "genre.dat", "screen.dat"})
        EXPECT_EQ(klmTestRead(a + "/" + name), klmTestRead(b + "/" + name)) << name;
    EXPECT_NE(klmTestRead(a + "/data.dat"), klmTestRead(c + "/data.dat"));
}

TEST(GenCatalogue, LargeFolderHasThousandsOfMakers)
{
    KlmTempDir dir;
    const std::string base = (dir.path / "big").string();
    ASSERT_EQ(gen({base, "45000"}, dir).exitCode, 0);
    // Counted straight from the file: past the 2000 nominal table slots.
    std::set<std::string> developers, publishers;
    long long games = 0;
    for (const std::string& line : fileLines(klmTestRead(base + "/data.dat"))) {
        if (line == "<game>") ++games;
        if (line.rfind("<developer>", 0) == 0) developers.insert(line);
        if (line.rfind("<publisher>", 0) == 0) publishers.insert(line);
    }
    EXPECT_EQ(games, 45000);
    EXPECT_GT(developers.size(), 2000u);
    EXPECT_GT(publishers.size(), 2000u);
}
