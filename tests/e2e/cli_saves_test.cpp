// End-to-end tests of `kolmar-cli saves`: the real binary on a copy of the
// shipped sample whose save folder is filled by the core writers or by hand.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "audit/romfolder.h"
#include "browse/custom_store.h"
#include "browse/favorites.h"
#include "browse/permute.h"
#include "catalogue/app_paths.h"
#include "catalogue/cache.h"
#include "emulator/registry.h"
#include "media/movie_info.h"
#include "media/skins.h"
#include "settings/setting_file.h"
#include "settings/window_file.h"
#include "e2e_util.h"


namespace fs = std::filesystem;

namespace {

using SavesRun = KlmTestRun;

SavesRun runSaves(const std::vector<std::string>& args, const KlmTempDir& scratch)
{
    std::vector<std::string> all{"saves"};
    all.insert(all.end(), args.begin(), args.end());
    return klmRunCli(all, scratch);
}

// A JSON value as the assertions read it; output that is not JSON fails
// the parse, so broken output is caught as well as wrong values.
struct Json {
    enum Type { Null, Bool, Number, String, Array, Object } type = Null;
    bool boolean = false;
    long long number = 0;
    std::string text;
    std::vector<Json> items;
    std::map<std::string, Json> members;

    const Json& operator[](const std::string& key) const
    {
        static const Json none;
        auto it = members.find(key);
        return it == members.end() ? none : it->second;
    }
    const Json& operator[](size_t i) const
    {
        static const Json none;
        return i < items.size() ? items[i] : none;
    }
    size_t size() const { return type == Array ? items.size() : members.size(); }
};

// The parsed document in the shape the assertions read.
Json fromParsed(const nlohmann::json& j)
{
    Json v;
    if (j.is_boolean()) {
        v.type = Json::Bool;
        v.boolean = j.get<bool>();
    } else if (j.is_number_integer()) {
        v.type = Json::Number;
        v.number = j.get<long long>();
    } else if (j.is_string()) {
        v.type = Json::String;
        v.text = j.get<std::string>();
    } else if (j.is_array()) {
        v.type = Json::Array;
        for (const nlohmann::json& item : j) v.items.push_back(fromParsed(item));
    } else if (j.is_object()) {
        v.type = Json::Object;
        for (const auto& [key, item] : j.items()) v.members.emplace(key, fromParsed(item));
    }
    return v;
}

// The output must be exactly one JSON object.
bool parseDocument(const std::string& text, Json& doc)
{
    const nlohmann::json parsed = nlohmann::json::parse(text, nullptr, false);
    if (parsed.is_discarded() || !parsed.is_object()) return false;
    doc = fromParsed(parsed);
    return true;
}

std::vector<long long> numbers(const Json& array)
{
    std::vector<long long> out;
    for (const Json& v : array.items) out.push_back(v.number);
    return out;
}

// The sample ships its skins and movie list; these tests start from an
// empty save folder.
std::string copySample(const KlmTempDir& dir)
{
    const std::string base = klmCopySample(dir);
    for (const auto& e : fs::directory_iterator(fs::path(base) / "save"))
        if (e.path().extension() == ".dat") fs::remove(e.path());
    return base;
}

// Every entry under base with its bytes and time: proof that nothing was written.
std::map<std::string, std::pair<std::string, fs::file_time_type>> snapshot(const std::string& base)
{
    std::map<std::string, std::pair<std::string, fs::file_time_type>> entries;
    for (const auto& e : fs::recursive_directory_iterator(base))
        entries[e.path().string()] = {e.is_regular_file() ? klmTestRead(e.path().string()) : "<dir>",
                                      e.last_write_time()};
    return entries;
}

struct Base {
    KlmTempDir dir;
    std::string base = copySample(dir);
    AppPaths paths;
    Catalogue cat;
    Base()
    {
        klmBuildAppPaths(paths, base);
        klmParseCatalogue(paths, cat);
    }
};

}  // namespace

TEST(KolmarCliSaves, EmptySaveFolderShowsTheDefaults)
{
    Base b;
    const auto before = snapshot(b.base);
    const SavesRun r = runSaves({b.base}, b.dir);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    Json doc;
    ASSERT_TRUE(parseDocument(r.out, doc)) << r.out;
    EXPECT_EQ(snapshot(b.base), before);

    const Json& files = doc["files"];
    ASSERT_EQ(files.size(), 9u);
    for (const auto& [name, f] : files.members) EXPECT_EQ(f["status"].text, "missing") << name;

    const Json& s = doc["settings"];
    EXPECT_EQ(s["selected_game"].number, -1);
    EXPECT_EQ(s["search"]["hardware"].number, 0);
    EXPECT_EQ(s["search"]["hardware_name"].text, "全て(ハード)");
    EXPECT_EQ(s["search"]["software_name"].text, "全て(ソフト / 基板)");
    EXPECT_EQ(s["search"]["show_owned"].number, 1);
    EXPECT_EQ(s["volume"].number, 30);
    EXPECT_EQ(s["shown_columns"].size(), 13u);
    EXPECT_EQ(s["detailed_shown"].size(), 19u);
    EXPECT_EQ(s["emulator_dialog_hardware_key"].number, b.cat.hardware[0].key);

    // One emulator block per hardware, the skin slots of the hardware table.
    EXPECT_EQ(doc["emulators"].size(), b.cat.hardware.size());
    SkinTable skins;
    klmBuildSkinTable(skins, b.cat);
    EXPECT_EQ(doc["skins"]["slots"].size(), skins.slots.size());
    EXPECT_EQ(doc["skins"]["frame_width"].number, 1);
    EXPECT_EQ(doc["favorites"].size(), 0u);
    EXPECT_EQ(doc["movies"]["count"].number, 0);
    EXPECT_EQ(doc["custom_count"].number, 0);
    EXPECT_EQ(doc["window"].type, Json::Null);
}

// Every file written by the core writers, read back through a valid
// dat.cache whose own favourite and movie flags must not leak into the output.
TEST(KolmarCliSaves, WhatTheWritersStoreIsShown)
{
    Base b;
    const Catalogue& cat = b.cat;
    ASSERT_GE(cat.hardware.size(), 5u);
    ASSERT_GE(cat.games.size(), 41u);
    ASSERT_GE(cat.software.size(), 2u);

    Catalogue cached = cat;
    cached.games[2].favorite = 1;
    klmSetMovieFlag(cached.games[9], true);
    ASSERT_TRUE(klmSaveCatalogueCache(b.paths, cached));
    ASSERT_TRUE(klmWriteFileTimes(b.paths));

    EmulatorRegistry reg;
    klmInitEmulatorRegistry(reg, cat);
    for (const char* name : {"エミュA", "エミュB"}) {
        EmulatorEntry e = klmNewEmulatorEntry(sj("/tmp/展開"));
        klmCopyField(e.name, sj(name));
        klmCopyField(e.filePath, "/opt/emu");
        klmAppendEmulator(*klmEmulatorBlock(reg, 4), e);
    }
    ASSERT_TRUE(klmSetDefaultEmulator(reg, 4, 1));
    ASSERT_TRUE(klmSaveEmulatorFile(b.paths.emulatorDat, reg, cat));

    SkinTable skins;
    klmBuildSkinTable(skins, cat);
    ASSERT_FALSE(skins.slots.empty());
    skins.frameWidth = 5;
    skins.alwaysDefault = 1;
    SnapSkin skin = klmNewSnapSkin();
    klmCopyField(skin.name, sj("木目"));
    klmCopyField(skin.framePath, "/f/wood.png");
    skin.x = 10, skin.y = 20, skin.width = 300, skin.height = 200;
    skins.slots[1].skins[0] = skin;
    skins.slots[1].count = 1;
    skins.slots[1].selected = 0;
    ASSERT_TRUE(klmSaveSkinFile(b.paths.skinDat, skins, cat));

    Settings s = klmDefaultSettings();
    s.selectedGame = 5;
    klmCopyField(s.search.searchText, sj("ソルティア"));
    s.search.software = 2;
    s.volume = 55;
    s.spare2 = 7;
    s.emulatorDialogHardware = 3;
    klmCopyField(s.listFont.faceName, sj("ＭＳ ゴシック"));
    klmCopyField(s.renamePattern, sj("[タイトル]"));
    ASSERT_TRUE(klmWriteSettingFile(b.paths.settingDat, s, cat));

    KlmWindowPlacement p;
    p.flags = kKlmPlaceRestoreToMaximized;
    p.showCmd = kKlmShowMinimized;
    p.left = 100, p.top = 80, p.right = 1300, p.bottom = 880;
    ASSERT_TRUE(klmWriteWindowFile(b.paths.windowDat, p));

    Catalogue marked = cat;
    marked.games[1].favorite = 1;
    marked.games[40].favorite = 1;
    klmSetMovieFlag(marked.games[3], true);
    klmSetMovieFlag(marked.games[7], true);
    marked.movieCount = 2;
    ASSERT_TRUE(klmSaveFavoritesFile(b.paths.favoriteDat, marked));
    ASSERT_TRUE(klmSaveMovieInfoFile(b.paths.movieinfoDat, marked));

    RomFolder f1{}, f2{};
    klmCopyField(f1.path, sj("/roms/ゲーム"));
    f1.depth = 1, f1.selected = 1;
    klmCopyField(f2.path, "/roms/b");
    f2.depth = 3;
    ASSERT_TRUE(klmSaveRomFolderFile(b.paths.romfolderDat, {f1, f2}));
    ASSERT_TRUE(klmSavePermuteFile(b.paths.permuteDat, {klmMakeReplacementRule(sj("ｿﾙﾃｨｱ"), sj("ソルティア")),
                                                        klmMakeReplacementRule("a", "b", false)}));
    ASSERT_TRUE(klmSaveCustomStoreFile(b.paths.customDat, std::vector<CustomSearchRecord>(3)));

    const auto before = snapshot(b.base);
    const SavesRun r = runSaves({b.base}, b.dir);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    Json doc;
    ASSERT_TRUE(parseDocument(r.out, doc)) << r.out;
    EXPECT_EQ(snapshot(b.base), before);
    EXPECT_EQ(doc["catalogue_source"].text, "cache");
    for (const auto& [name, f] : doc["files"].members) EXPECT_EQ(f["status"].text, "read") << name;

    const Json& block = doc["emulators"][4];
    EXPECT_EQ(block["hardware_key"].number, cat.hardware[4].key);
    EXPECT_EQ(block["count"].number, 2);
    EXPECT_EQ(block["default"].number, 1);
    EXPECT_EQ(block["entries"][1]["name"].text, "エミュB");
    EXPECT_EQ(block["entries"][1]["extract_folder"].text, "/tmp/展開");
    EXPECT_EQ(block["entries"][1]["options"].text, "$image");
    EXPECT_EQ(doc["emulators"][0]["count"].number, 0);

    const Json& sk = doc["skins"];
    EXPECT_EQ(sk["frame_width"].number, 5);
    EXPECT_EQ(sk["always_default"].number, 1);
    EXPECT_EQ(sk["slots"][1]["selected"].number, 0);
    EXPECT_EQ(sk["slots"][1]["hardware_key"].number, cat.hardware[static_cast<size_t>(skins.slots[1].hardware)].key);
    EXPECT_EQ(sk["slots"][1]["skins"][0]["name"].text, "木目");
    EXPECT_EQ(sk["slots"][1]["skins"][0]["height"].number, 200);

    const Json& st = doc["settings"];
    EXPECT_EQ(st["selected_game"].number, 5);
    EXPECT_EQ(st["search"]["text"].text, "ソルティア");
    EXPECT_EQ(st["search"]["software"].number, 2);
    EXPECT_EQ(st["search"]["software_name"].text, klmToUtf8(klmField(cat.software[1].name)));
    EXPECT_EQ(st["volume"].number, 55);
    EXPECT_EQ(st["spare2"].number, 7);
    EXPECT_EQ(st["emulator_dialog_hardware"].number, 3);
    EXPECT_EQ(st["emulator_dialog_hardware_key"].number, cat.hardware[3].key);
    EXPECT_EQ(st["list_font"]["face_name"].text, "ＭＳ ゴシック");
    EXPECT_EQ(st["rename_pattern"].text, "[タイトル]");
    EXPECT_EQ(doc["setting_issues"].size(), 0u);

    EXPECT_EQ(numbers(doc["favorites"]), (std::vector<long long>{1, 40}));
    EXPECT_EQ(doc["movies"]["count"].number, 2);
    EXPECT_EQ(numbers(doc["movies"]["positions"]), (std::vector<long long>{3, 7}));

    ASSERT_EQ(doc["rom_folders"].size(), 2u);
    EXPECT_EQ(doc["rom_folders"][0]["path"].text, "/roms/ゲーム");
    EXPECT_EQ(doc["rom_folders"][0]["depth_name"].text, "全て");
    EXPECT_EQ(doc["rom_folders"][1]["selected"].number, 0);
    ASSERT_EQ(doc["replacements"].size(), 2u);
    EXPECT_EQ(doc["replacements"][0]["search"].text, "ｿﾙﾃｨｱ");
    EXPECT_EQ(doc["replacements"][1]["enabled"].number, 0);
    EXPECT_EQ(doc["custom_count"].number, 3);

    // Closed while minimized from maximized: stored as maximized.
    EXPECT_EQ(doc["window"]["show_cmd"].number, kKlmShowMaximized);
    EXPECT_EQ(doc["window"]["right"].number, 1300);
    EXPECT_TRUE(doc["window"]["sane"].boolean);
}

// Damaged, foreign (LF) and unreadable files: shown as repaired, the
// hardware lookup message on stderr once, exit 1, still nothing written.
TEST(KolmarCliSaves, DamagedFilesAreRepairedAndReported)
{
    Base b;
    const Catalogue& cat = b.cat;

    EmulatorRegistry reg;
    klmInitEmulatorRegistry(reg, cat);
    EmulatorEntry e = klmNewEmulatorEntry("/x");
    klmCopyField(e.name, "emu");
    klmAppendEmulator(*klmEmulatorBlock(reg, 0), e);
    std::string emu = klmEmulatorImage(reg, cat);
    emu.insert(emu.find('\n') + 1, "[BEGIN_99999_0_-1]\r\n[END]\r\n");
    klmTestWrite(b.paths.emulatorDat, emu);

    klmTestWrite(b.paths.favoriteDat, "[BEGIN]\n7\n99999\n-3\nabc\n[END]\n");
    klmTestWrite(b.paths.settingDat, "[BEGIN]\n4\n");
    std::string permute = klmPermuteImage({klmMakeReplacementRule("x", "y")});
    permute[0] = 5;  // claims five rules, holds one
    klmTestWrite(b.paths.permuteDat, permute);
    klmTestWrite(b.paths.windowDat, "[BEGIN]\r\n44\r\n0\r\n");
    fs::create_directory(b.paths.customDat);

    const auto before = snapshot(b.base);
    const SavesRun r = runSaves({b.base}, b.dir);
    EXPECT_EQ(r.exitCode, 1) << r.err;
    Json doc;
    ASSERT_TRUE(parseDocument(r.out, doc)) << r.out;
    EXPECT_EQ(snapshot(b.base), before);

    const std::string lookup = "klmGetNewHardIndex()";
    const size_t first = r.err.find(lookup);
    ASSERT_NE(first, std::string::npos) << r.err;
    EXPECT_EQ(r.err.find(lookup, first + 1), std::string::npos) << r.err;

    const Json& files = doc["files"];
    EXPECT_EQ(files["emulator.dat"]["status"].text, "damaged");
    EXPECT_EQ(files["setting.dat"]["status"].text, "damaged");
    EXPECT_EQ(files["permute.dat"]["status"].text, "damaged");
    EXPECT_EQ(files["window.dat"]["status"].text, "damaged");
    EXPECT_EQ(files["favorite.dat"]["status"].text, "read");
    EXPECT_EQ(files["custom.dat"]["status"].text, "unreadable");
    EXPECT_FALSE(files["custom.dat"]["error"].text.empty());
    EXPECT_EQ(files["skin.dat"]["status"].text, "missing");

    EXPECT_EQ(doc["emulators"][0]["count"].number, 1);
    EXPECT_EQ(doc["emulators"][0]["entries"][0]["name"].text, "emu");
    EXPECT_EQ(numbers(doc["favorites"]), (std::vector<long long>{7}));
    EXPECT_EQ(doc["replacements"].size(), 1u);
    EXPECT_EQ(doc["custom_count"].number, 0);
    EXPECT_EQ(doc["window"].type, Json::Null);

    // The short setting.dat gave the selected game and left the rest.
    EXPECT_EQ(doc["settings"]["selected_game"].number, 4);
    EXPECT_EQ(doc["settings"]["volume"].number, 30);
    ASSERT_GE(doc["setting_issues"].size(), 1u);
    EXPECT_TRUE(doc["setting_issues"][doc["setting_issues"].size() - 1]["end_of_file"].boolean);
}

TEST(KolmarCliSaves, BadArgumentsAndMissingCatalogue)
{
    KlmTempDir dir;
    EXPECT_EQ(runSaves({}, dir).exitCode, 2);
    EXPECT_EQ(runSaves({"a", "b"}, dir).exitCode, 2);
    const SavesRun r = runSaves({dir.file("nowhere")}, dir);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("data.dat"), std::string::npos) << r.err;
}
