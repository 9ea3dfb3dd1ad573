// The binary save files: permute.dat, custom.dat and romfolder.dat. Round
// trips byte for byte, and damaged files that must neither crash the reader
// nor leave anything out of range.
#include "audit/romfolder.h"
#include "browse/custom_store.h"
#include "browse/permute.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

std::string le32(int32_t v)
{
    std::string s(4, '\0');
    std::memcpy(s.data(), &v, 4);
    return s;
}

int32_t countOf(const std::string& image)
{
    int32_t v = 0;
    std::memcpy(&v, image.data(), 4);
    return v;
}

template <typename Record>
std::string recordBytes(const Record& r)
{
    return std::string(reinterpret_cast<const char*>(&r), sizeof r);
}

RomFolder folder(std::string_view path, int32_t depth, int32_t selected)
{
    RomFolder f{};
    klmCopyField(f.path, path);
    f.depth = depth;
    f.selected = selected;
    return f;
}

TEST(PermuteFile, RoundTripKeepsOrderTextsAndFlags)
{
    KlmTempDir dir;
    const std::string path = dir.file("permute.dat");
    std::vector<ReplacementRule> rules = {
        klmMakeReplacementRule(sj("ソニック"), sj("ｿﾆｯｸ")),
        klmMakeReplacementRule("II", sj("２"), false),
        klmMakeReplacementRule("II", "2"),
    };
    std::string err;
    ASSERT_TRUE(klmSavePermuteFile(path, rules, &err)) << err;
    const std::string bytes = klmTestRead(path);
    ASSERT_EQ(bytes.size(), 4u + 3 * 524);
    EXPECT_EQ(countOf(bytes), 3);
    EXPECT_EQ(bytes.substr(4 + 524, 3), std::string("II\0", 3));
    EXPECT_EQ(bytes.substr(264 + 524, 3), sj("２") + '\0');
    EXPECT_EQ(bytes.substr(524 + 524, 4), le32(0));
    EXPECT_EQ(bytes.substr(524 + 2 * 524, 4), le32(1));

    std::vector<ReplacementRule> back;
    ASSERT_TRUE(klmLoadPermuteFile(path, back, &err)) << err;
    ASSERT_EQ(back.size(), 3u);
    EXPECT_EQ(klmField(back[0].search), sj("ソニック"));
    EXPECT_EQ(klmField(back[0].replacement), sj("ｿﾆｯｸ"));
    EXPECT_EQ(back[1].enabled, 0);
    EXPECT_EQ(back[2].enabled, 1);
    EXPECT_EQ(klmPermuteImage(back), bytes);

    // An empty list still has its count; a missing file leaves the list.
    ASSERT_TRUE(klmSavePermuteFile(path, {}, &err));
    EXPECT_EQ(klmTestRead(path), le32(0));
    EXPECT_FALSE(klmLoadPermuteFile(dir.file("none.dat"), back, &err));
    EXPECT_TRUE(err.empty());
    EXPECT_EQ(back.size(), 3u);
}

TEST(PermuteFile, CountsAreClampedToTheLimitAndTheRecordsPresent)
{
    ReplacementRule r = klmMakeReplacementRule("a", "b");
    std::string records;
    for (int i = 0; i < 1001; ++i)
        records += recordBytes(r);
    std::vector<ReplacementRule> rules;

    EXPECT_FALSE(klmReadPermuteImage(le32(1500) + records, rules));
    EXPECT_EQ(rules.size(), 1000u);
    EXPECT_FALSE(klmReadPermuteImage(le32(5) + records.substr(0, 2 * 524 + 100), rules));
    EXPECT_EQ(rules.size(), 2u);
    EXPECT_FALSE(klmReadPermuteImage(le32(-3) + records.substr(0, 524), rules));
    EXPECT_TRUE(rules.empty());
    EXPECT_FALSE(klmReadPermuteImage(le32(INT32_MAX) + records.substr(0, 524), rules));
    EXPECT_EQ(rules.size(), 1u);
    EXPECT_FALSE(klmReadPermuteImage("\x01\x00", rules));
    EXPECT_TRUE(rules.empty());
    EXPECT_TRUE(klmReadPermuteImage(le32(1) + records.substr(0, 524), rules));
    EXPECT_EQ(rules.size(), 1u);
}

TEST(PermuteFile, DamagedRecordsAreMadeSafe)
{
    // Garbage after the terminator, a text that fills its whole field with
    // double-byte characters, and a flag that is neither 0 nor 1.
    ReplacementRule r{};
    std::memset(r.search, 'x', sizeof r.search);
    std::memcpy(r.search, "abc\0", 4);
    std::string full;
    for (int i = 0; i < 130; ++i)
        full += sj("ソ");
    std::memcpy(r.replacement, full.data(), 260);
    r.enabled = 7;

    std::vector<ReplacementRule> rules;
    EXPECT_FALSE(klmReadPermuteImage(le32(1) + recordBytes(r), rules));
    ASSERT_EQ(rules.size(), 1u);
    EXPECT_EQ(klmField(rules[0].search), "abc");
    EXPECT_EQ(klmField(rules[0].replacement), full.substr(0, 258));
    EXPECT_EQ(rules[0].enabled, 1);

    // Written back, the padding is zeros.
    const std::string image = klmPermuteImage(rules);
    EXPECT_EQ(image.substr(4 + 3, 257), std::string(257, '\0'));
}

TEST(CustomStoreFile, RecordsComeBackByteForByte)
{
    KlmTempDir dir;
    const std::string path = dir.file("custom.dat");
    std::string original = le32(3);
    for (int i = 0; i < 3 * 2108; ++i)
        original += static_cast<char>((i * 131 + 7) & 0xFF);
    klmTestWrite(path, original);

    std::vector<CustomSearchRecord> store;
    std::string err;
    ASSERT_TRUE(klmLoadCustomStoreFile(path, store, &err)) << err;
    EXPECT_EQ(store.size(), 3u);
    ASSERT_TRUE(klmSaveCustomStoreFile(path, store, &err)) << err;
    EXPECT_EQ(klmTestRead(path), original);

    // Without a custom.dat the store stays empty and a 4-byte file holding 0
    // is written.
    store.clear();
    EXPECT_FALSE(klmLoadCustomStoreFile(dir.file("none.dat"), store));
    ASSERT_TRUE(klmSaveCustomStoreFile(dir.file("new.dat"), store, &err));
    EXPECT_EQ(klmTestRead(dir.file("new.dat")), le32(0));
}

TEST(CustomStoreFile, CountTrustsOnlyTheRecordsPresent)
{
    const std::string rec(2108, 'r');
    std::vector<CustomSearchRecord> store;
    EXPECT_FALSE(klmReadCustomStoreImage(le32(9) + rec + rec + "partial", store));
    EXPECT_EQ(store.size(), 2u);
    EXPECT_EQ(klmCustomStoreImage(store), le32(2) + rec + rec);
    EXPECT_FALSE(klmReadCustomStoreImage(le32(-1) + rec, store));
    EXPECT_TRUE(store.empty());
    EXPECT_FALSE(klmReadCustomStoreImage("", store));
    EXPECT_TRUE(klmReadCustomStoreImage(le32(1) + rec, store));
    EXPECT_EQ(store.size(), 1u);
}

TEST(RomFolderFile, RoundTripAndDepthNames)
{
    KlmTempDir dir;
    const std::string path = dir.file("romfolder.dat");
    std::vector<RomFolder> folders = {folder("D:\\Roms", 1, 1), folder(sj("E:\\ソフト"), 11, 0),
                                      folder("d:\\roms", 0, 1)};
    std::string err;
    ASSERT_TRUE(klmSaveRomFolderFile(path, folders, &err)) << err;
    const std::string bytes = klmTestRead(path);
    ASSERT_EQ(bytes.size(), 4u + 3 * 268);
    EXPECT_EQ(bytes.substr(4 + 268 + 260, 8), le32(11) + le32(0));

    std::vector<RomFolder> back;
    ASSERT_TRUE(klmLoadRomFolderFile(path, back, &err)) << err;
    ASSERT_EQ(back.size(), 3u);
    EXPECT_EQ(klmField(back[1].path), sj("E:\\ソフト"));
    EXPECT_EQ(klmRomFolderImage(back), bytes);
    EXPECT_EQ(klmFindRomFolder(back, "d:\\roms"), 2);
    EXPECT_EQ(klmFindRomFolder(back, "D:\\ROMS"), -1);

    EXPECT_EQ(klmRomFolderDepthName(11), sj("第10階層"));
    for (int32_t d = 0; d < kKlmRomFolderDepthCount; ++d)
        EXPECT_EQ(klmRomFolderDepthFromName(klmRomFolderDepthName(d)), d);
    EXPECT_EQ(klmRomFolderMaxLevel(1), 100);
    EXPECT_EQ(klmRomFolderMaxLevel(2), 1);
}

// A folder below base whose path is exactly bytes long (ASCII names).
std::string folderOfLength(const std::string& base, size_t bytes)
{
    std::string path = base;
    while (path.size() < bytes) {
        size_t rest = bytes - path.size();
        size_t name = std::min<size_t>(100, rest - 1);
        if (rest - (name + 1) == 1)  // a lone "/" cannot end the path
            --name;
        path += "/" + std::string(name, 'd');
    }
    std::filesystem::create_directories(path);
    return path;
}

// The add/edit box's checks, in their order: a missing folder first, then
// what the registry's field cannot hold, then a duplicate of another row.
TEST(RomFolderFile, AddEditChecksSayWhyAPathIsRefused)
{
    KlmTempDir dir;
    const std::string base = dir.path.string();
    const std::string japanese = base + "/\xE3\x82\xBD\xE3\x83\x95\xE3\x83\x88";  // ソフト
    const std::string hangul = base + "/\xED\x95\x9C";                           // 한
    std::filesystem::create_directories(japanese);
    std::filesystem::create_directories(hangul);
    ASSERT_LT(base.size(), 200u);
    const std::string longest = folderOfLength(base, 259);
    const std::string tooLong = folderOfLength(base, 260);
    const std::vector<RomFolder> rows = {folder(sj(base), 0, 1), folder(klmFromUtf8(japanese), 0, 1)};

    struct Case {
        std::string path;
        int32_t editedRow;
        KlmRomFolderCheck expected;
    };
    const Case cases[] = {
        {base + "/missing", -1, KlmRomFolderCheck::Missing},
        {"", -1, KlmRomFolderCheck::Missing},
        {hangul, -1, KlmRomFolderCheck::NotCp932},
        {hangul + "/gone", -1, KlmRomFolderCheck::Missing},
        {tooLong, -1, KlmRomFolderCheck::TooLong},
        {longest, -1, KlmRomFolderCheck::Valid},
        {japanese, -1, KlmRomFolderCheck::Duplicate},
        {japanese, 0, KlmRomFolderCheck::Duplicate},
        {japanese, 1, KlmRomFolderCheck::Valid},  // its own row, edited
    };
    for (const Case& c : cases) {
        std::string stored;
        EXPECT_EQ(klmCheckRomFolderPath(rows, c.editedRow, c.path, &stored), c.expected) << c.path;
        if (c.expected == KlmRomFolderCheck::Valid) {
            EXPECT_EQ(stored, klmFromUtf8(c.path));
        }
    }
    EXPECT_STREQ(klmRomFolderCheckMessage(KlmRomFolderCheck::Missing), "ロムフォルダが存在しません");
    EXPECT_STREQ(klmRomFolderCheckMessage(KlmRomFolderCheck::Duplicate), "ロムフォルダが重複します");
    EXPECT_STRNE(klmRomFolderCheckMessage(KlmRomFolderCheck::NotCp932),
                 klmRomFolderCheckMessage(KlmRomFolderCheck::TooLong));
    EXPECT_STREQ(klmRomFolderCheckMessage(KlmRomFolderCheck::Valid), "");
}

TEST(RomFolderFile, DamagedRegistryIsRepaired)
{
    std::string records = recordBytes(folder("C:\\a", 3, 1)) + recordBytes(folder("C:\\a", 2, 0)) +
                          recordBytes(folder("", 0, 1)) + recordBytes(folder("C:\\b", 40, 9)) +
                          recordBytes(folder("C:\\c", -1, 0));
    std::vector<RomFolder> folders;
    EXPECT_FALSE(klmReadRomFolderImage(le32(5) + records, folders));
    ASSERT_EQ(folders.size(), 3u);
    EXPECT_EQ(klmField(folders[0].path), "C:\\a");
    EXPECT_EQ(folders[0].depth, 3);  // the first of two equal paths is kept
    EXPECT_EQ(klmField(folders[1].path), "C:\\b");
    EXPECT_EQ(folders[1].depth, 0);
    EXPECT_EQ(folders[1].selected, 1);
    EXPECT_EQ(folders[2].depth, 0);

    std::string many;
    for (int i = 0; i < 1005; ++i)
        many += recordBytes(folder("C:\\r" + std::to_string(i), 0, 1));
    EXPECT_FALSE(klmReadRomFolderImage(le32(1005) + many, folders));
    EXPECT_EQ(folders.size(), 1000u);
    EXPECT_FALSE(klmReadRomFolderImage(le32(-8) + many, folders));
    EXPECT_TRUE(folders.empty());
    EXPECT_FALSE(klmReadRomFolderImage(le32(3) + many.substr(0, 268 + 12), folders));
    EXPECT_EQ(folders.size(), 1u);
}

TEST(BinarySaves, NoPrefixOfAFileCrashesTheReaders)
{
    std::vector<ReplacementRule> rules = {klmMakeReplacementRule("a", "b"), klmMakeReplacementRule("c", "d")};
    const std::string permute = klmPermuteImage(rules);
    const std::string romfolder = klmRomFolderImage({folder("C:\\x", 1, 1), folder("C:\\y", 2, 0)});
    for (size_t n = 0; n <= permute.size(); ++n) {
        klmReadPermuteImage(permute.substr(0, n), rules);
        EXPECT_EQ(rules.size(), n < 4 ? 0 : (n - 4) / 524);
    }
    std::vector<RomFolder> folders;
    for (size_t n = 0; n <= romfolder.size(); ++n) {
        klmReadRomFolderImage(romfolder.substr(0, n), folders);
        EXPECT_EQ(folders.size(), n < 4 ? 0 : (n - 4) / 268);
    }
}

TEST(BinarySaves, FailedSaveIsReportedAndKeepsTheOldFile)
{
    KlmTempDir dir;
    std::string err;
    EXPECT_FALSE(klmSaveRomFolderFile(dir.file("missing/romfolder.dat"), {}, &err));
    EXPECT_FALSE(err.empty());

    // The rename over the target fails: the old contents stay.
    std::filesystem::create_directories(dir.file("custom.dat") + "/keep");
    err.clear();
    EXPECT_FALSE(klmSaveCustomStoreFile(dir.file("custom.dat"), {}, &err));
    EXPECT_FALSE(err.empty());
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("custom.dat") + "/keep"));
}

}  // namespace
