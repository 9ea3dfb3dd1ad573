// kolmar-cli audit end to end: the registered folders are walked, the
// results land in the caches the next start-up loads, and the program's
// single-instance guard keeps the audit from running beside a window.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "audit/crc.h"
#include "audit/romfolder.h"
#include "browse/sort.h"
#include "catalogue/app_paths.h"
#include "catalogue/cache.h"
#include "e2e_util.h"
#include "settings/setting_file.h"
#include "single_instance.h"

namespace fs = std::filesystem;

namespace {

using CliRun = KlmTestRun;

CliRun runCli(const std::vector<std::string>& args, const KlmTempDir& scratch) { return klmRunCli(args, scratch); }

std::string crcOf(std::string_view bytes)
{
    return klmFormatCrcText(klmCrc32(bytes.data(), bytes.size()));
}

RomFolder romFolder(const std::string& native, int32_t depth)
{
    RomFolder f{};
    klmCopyField(f.path, klmFromUtf8(native));
    f.depth = depth;
    f.selected = 1;
    return f;
}

std::string gameElement(std::string_view number, std::string_view title, std::string_view crc)
{
    return "<game>\r\n<number>" + std::string(number) + "</number>\r\n<title>" + std::string(title) +
           "</title>\r\n<hard>1</hard>\r\n<soft>1</soft>\r\n<genre>1</genre>\r\n<crc32>" + std::string(crc) +
           "</crc32>\r\n</game>\r\n";
}

TEST(KolmarCliAudit, AuditsTheRegisteredFoldersIntoDatCache)
{
    KlmTempDir dir;
    // A private guard folder, so a Kolmar window of the developer does not
    // stop the test and the test's own guard can be held.
    const KlmScopedEnv runtime("XDG_RUNTIME_DIR", dir.path.string());
    const std::string base = dir.file("base");
    for (const char* sub : {"save", "cache"}) fs::create_directories(base + "/" + sub);
    klmTestWrite(base + "/data.dat", "<dat>\r\n" + gameElement("0001", "Alpha", crcOf("alpha")) +
                                         gameElement("0002", "Beta", crcOf("beta")) +
                                         gameElement("0003", "Zero", "00000000") + "</dat>\r\n");
    klmTestWrite(base + "/hard.dat", "<dat>\r\n<hard>\r\n<index>1</index>\r\n<name>PC</name>\r\n</hard>\r\n</dat>\r\n");
    klmTestWrite(base + "/soft.dat", "<dat>\r\n<soft>\r\n<index>1</index>\r\n<name>FD</name>\r\n</soft>\r\n</dat>\r\n");
    klmTestWrite(base + "/genre.dat", "<dat>\r\n<genre>\r\n<index>1</index>\r\n<name>RPG</name>\r\n</genre>\r\n</dat>\r\n");
    klmTestWrite(base + "/screen.dat", "<dat>\r\n</dat>\r\n");
    klmTestWrite(dir.file("roms/Alpha.bin"), "alpha");
    klmTestWrite(dir.file("roms/other.bin"), "other");
    klmTestWrite(dir.file("roms/sub/beta.bin"), "beta");
    ASSERT_TRUE(klmSaveRomFolderFile(base + "/save/romfolder.dat", {romFolder(dir.file("roms"), 0)}));

    // No rename pattern yet: refused, nothing written.
    CliRun refused = runCli({"audit", base}, dir);
    if (refused.err.find("不明なコマンド") != std::string::npos)
        FAIL() << "kolmar-cli has no audit command: its dispatcher table must list klmCliAudit";
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.err, "リネーム用文字列が設定されていません\n");
    EXPECT_FALSE(fs::exists(base + "/cache/dat.cache"));

    Catalogue loaded;
    AppPaths paths;
    klmBuildAppPaths(paths, base);
    ASSERT_EQ(klmParseCatalogue(paths, loaded), 0);
    Settings s = klmDefaultSettings();
    klmCopyField(s.renamePattern, "%n");
    ASSERT_TRUE(klmWriteSettingFile(base + "/save/setting.dat", s, loaded));

    // --json: one object per file, the summary on stderr.
    CliRun json = runCli({"audit", base, "--json"}, dir);
    ASSERT_EQ(json.exitCode, 0) << json.err;
    const std::string roms = dir.file("roms");
    EXPECT_NE(json.out.find("{\"path\":\"" + roms + "/Alpha.bin\",\"crc\":\"" + crcOf("alpha") +
                            "\",\"member\":\"\",\"matched\":0}\n"),
              std::string::npos)
        << json.out;
    EXPECT_NE(json.out.find("{\"path\":\"" + roms + "/other.bin\",\"crc\":\"" + crcOf("other") +
                            "\",\"member\":\"\",\"matched\":null}\n"),
              std::string::npos)
        << json.out;
    EXPECT_EQ(std::count(json.out.begin(), json.out.end(), '\n'), 2);
    EXPECT_EQ(json.err, "ロムの監査が終了しました。\n監査ロム数 : 2\n該当ロム数 : 1\n");

    // The start-up after it loads the results from dat.cache.
    klmBuildAppPaths(paths, base);
    EXPECT_FALSE(paths.catalogueChanged);
    Catalogue cat;
    KlmLoadSource source = KlmLoadSource::Parsed;
    ASSERT_EQ(klmLoadCatalogue(paths, cat, nullptr, &source, false), 0);
    EXPECT_EQ(source, KlmLoadSource::Cache);
    ASSERT_EQ(cat.games.size(), 3u);
    EXPECT_EQ(klmToUtf8(klmField(cat.games[0].foundPath)), roms + "/Alpha.bin");
    // The folder was never opened in the window, yet the audit's open gave
    // every game its target name from the pattern: Alpha.bin has its own.
    EXPECT_EQ(klmField(cat.games[0].targetName), "Alpha");
    EXPECT_EQ(klmField(cat.games[1].targetName), "Beta");
    EXPECT_EQ(cat.games[0].ownership, kKlmOwned);
    EXPECT_EQ(cat.games[1].ownership, kKlmNotOwned);
    EXPECT_EQ(cat.games[2].ownership, kKlmOwned);  // 00000000 is owned by default
    // sort.cache was written with it, for the catalogue it belongs to.
    SortOrders orders;
    EXPECT_EQ(klmBuildSortOrders(orders, cat, paths), KlmSortSource::Cache);

    // Plain output, deeper registry.
    ASSERT_TRUE(klmSaveRomFolderFile(base + "/save/romfolder.dat", {romFolder(roms, 1)}));
    CliRun plain = runCli({"audit", base}, dir);
    EXPECT_EQ(plain.exitCode, 0) << plain.err;
    EXPECT_EQ(plain.out, "ロムの監査が終了しました。\n監査ロム数 : 3\n該当ロム数 : 2\n");

    // A running window holds the guard: the audit refuses to run.
    {
        const klm::platform::SingleInstance window;
        ASSERT_TRUE(window.acquired());
        const std::string cacheBefore = klmTestRead(base + "/cache/dat.cache");
        CliRun busy = runCli({"audit", base}, dir);
        EXPECT_EQ(busy.exitCode, 2);
        EXPECT_NE(busy.err.find("Kolmar が起動しているため"), std::string::npos) << busy.err;
        EXPECT_EQ(klmTestRead(base + "/cache/dat.cache"), cacheBefore);
    }

    EXPECT_EQ(runCli({"audit"}, dir).exitCode, 2);
    EXPECT_EQ(runCli({"audit", base, "extra"}, dir).exitCode, 2);
}

}  // namespace
