// The emulator dialog's list operations and the add/edit box's checks.
#include "emulator/registry_edit.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

EmulatorEntry entry(std::string_view name, std::string_view path)
{
    EmulatorEntry e = klmNewEmulatorEntry("/tmp");
    klmCopyField(e.name, name);
    klmCopyField(e.filePath, path);
    return e;
}

// A block holding emulators named by the letters, path "/emu/<letter>".
EmulatorBlock block(std::string_view letters, int32_t defaultIndex)
{
    EmulatorBlock b;
    for (char c : letters)
        klmAppendEmulator(b, entry(std::string(1, c), std::string("/emu/") + c));
    b.defaultIndex = defaultIndex;
    return b;
}

std::string names(const EmulatorBlock& b)
{
    std::string out;
    for (int32_t i = 0; i < b.count; ++i)
        out += klmField(b.entries[size_t(i)].name);
    return out;
}

TEST(EmulatorList, MoveSwapsWithNeighbourAndTheDefaultFollows)
{
    struct Case {
        int32_t index, delta, defaultBefore;
        std::string order;
        int32_t newIndex, defaultAfter;
    } cases[] = {
        {1, +1, 1, "ACBD", 2, 2},   // the default moved down stays the default
        {1, +1, 2, "ACBD", 2, 1},   // the default was the neighbour
        {1, -1, 3, "BACD", 0, 3},   // neither: the default stays put
        {0, -1, 0, "ABCD", -1, 0},  // the first row cannot move up
        {3, +1, 0, "ABCD", -1, 0},  // the last cannot move down
        {4, -1, 0, "ABCD", -1, 0},  // no such row
    };
    for (const Case& c : cases) {
        EmulatorBlock b = block("ABCD", c.defaultBefore);
        EXPECT_EQ(klmMoveEmulator(b, c.index, c.delta), c.newIndex) << c.index << c.delta;
        EXPECT_EQ(names(b), c.order);
        EXPECT_EQ(b.defaultIndex, c.defaultAfter) << c.index << c.delta;
    }
}

TEST(EmulatorList, DeleteKeepsOrderAndMovesTheDefaultSensibly)
{
    struct Case {
        std::vector<int32_t> chosen;
        int32_t defaultBefore;
        std::string left;
        int32_t defaultAfter;
    } cases[] = {
        {{1}, 1, "AC", 0},             // the default deleted among three: the first remaining
        {{0}, 2, "BC", 1},             // the default stays on its emulator
        {{2, 0, 2, 9, -1}, 1, "B", 0}, // order, duplicates and strays do not matter
        {{0, 1, 2}, 1, "", -1},        // none remain
    };
    for (const Case& c : cases) {
        EmulatorBlock b = block("ABC", c.defaultBefore);
        klmDeleteEmulators(b, c.chosen);
        EXPECT_EQ(names(b), c.left);
        EXPECT_EQ(b.count, int32_t(c.left.size()));
        EXPECT_EQ(b.defaultIndex, c.defaultAfter);
        // Slots past the count are blank, as the file reader leaves them.
        EXPECT_EQ(klmField(b.entries[2].name), "");
    }
    EmulatorBlock b = block("ABC", 2);
    klmDeleteAllEmulators(b);
    EXPECT_EQ(b.count, 0);
    EXPECT_EQ(b.defaultIndex, -1);
}

TEST(EmulatorList, PasteReplacesBySamePathAndAppendsTheRest)
{
    EmulatorBlock from = block("ABC", 0);
    klmCopyField(from.entries[1].name, "B2");  // same path as B below, other name
    const std::vector<EmulatorEntry> buffer = klmCopyEmulators(from, {2, 1});
    ASSERT_EQ(buffer.size(), 2u);
    EXPECT_EQ(klmField(buffer[0].name), "B2");  // list order, not selection order

    EmulatorBlock to = block("BD", 1);
    EXPECT_EQ(klmPasteEmulators(to, buffer), 0);
    EXPECT_EQ(names(to), "B2DC");  // B replaced whole, name included; C appended
    EXPECT_EQ(to.defaultIndex, 1);

    EmulatorBlock empty;
    klmPasteEmulators(empty, buffer);
    EXPECT_EQ(empty.defaultIndex, 0);  // the first emulator becomes the default

    // A full list still takes replacements; the rest is counted as left.
    EmulatorBlock full;
    for (int i = 0; i < kKlmMaxEmulators; ++i)
        klmAppendEmulator(full, entry("x" + std::to_string(i), "/emu/" + std::to_string(i)));
    std::vector<EmulatorEntry> more = {entry("new", "/emu/5"), entry("extra", "/emu/extra")};
    EXPECT_EQ(klmPasteEmulators(full, more), 1);
    EXPECT_EQ(klmField(full.entries[5].name), "new");
    EXPECT_EQ(full.count, kKlmMaxEmulators);
}

TEST(EmulatorList, DefaultForAllHardwareTakesTheFirstExactPath)
{
    EmulatorRegistry reg;
    reg.blocks = {block("AB", 0), block("BAB", 0), block("C", 0)};
    klmCopyField(reg.blocks[2].entries[0].filePath, "/EMU/B");  // case differs: no match
    klmSetDefaultForAllHardware(reg, "/emu/B");
    EXPECT_EQ(reg.blocks[0].defaultIndex, 1);
    EXPECT_EQ(reg.blocks[1].defaultIndex, 0);
    EXPECT_EQ(reg.blocks[2].defaultIndex, 0);
}

TEST(EmulatorList, Texts)
{
    EXPECT_EQ(klmDeleteEmulatorsText(sj("ファミコン"), 2), "ファミコンのエミュレータ\n2ケをリストから削除しますか");
    EXPECT_EQ(klmDeleteAllEmulatorsText(sj("ファミコン")), "ファミコンのエミュレータを全てリストから削除しますか");
    EXPECT_EQ(klmEmulatorEditTitle(true, sj("PCエンジン")), "エミュレータ追加 - PCエンジン");
    EXPECT_EQ(klmEmulatorEditTitle(false, "X"), "エミュレータ編集 - X");
    EXPECT_EQ(klmEmulatorPickerTitle("エミュレータ選択", "X", ""), "エミュレータ選択 - X");
    EXPECT_EQ(klmEmulatorPickerTitle("エミュレータ選択", "X", "mednafen"), "エミュレータ選択 - X - mednafen");
}

struct CheckFixture : ::testing::Test {
    KlmTempDir dir;
    std::string program, other, keys;
    EmulatorBlock existing;

    void SetUp() override
    {
        program = dir.file("emu/run");
        other = dir.file("emu/other");
        keys = dir.file("keys.dat");
        klmTestWrite(program, "x");
        klmTestWrite(other, "x");
        klmTestWrite(keys, "BEGIN\r\n");
        klmAppendEmulator(existing, entry("Emu", other));
    }

    KlmEmulatorFields valid() const
    {
        KlmEmulatorFields f;
        f.name = "mednafen";
        f.filePath = program;
        f.extractFolder = dir.path.string();
        f.options = "-force_module nes \"$image\"";
        f.keyFile = keys;
        f.extract = true;
        return f;
    }
};

TEST_F(CheckFixture, OkChecksStopAtTheFirstFailureInOrder)
{
    struct Case {
        const char* what;
        void (*change)(KlmEmulatorFields&, const CheckFixture&);
        std::string message;
    } cases[] = {
        {"empty name (and every later field wrong too)",
         [](KlmEmulatorFields& f, const CheckFixture&) {
             f = KlmEmulatorFields{};
             f.filePath = "/nowhere";
             f.extract = true;
         },
         "エミュレータ名が未指定です"},
        {"same name", [](KlmEmulatorFields& f, const CheckFixture&) { f.name = "Emu"; }, "エミュレータ名が重複しています"},
        {"missing program",
         [](KlmEmulatorFields& f, const CheckFixture&) { f.filePath += ".missing"; },
         "指定のフォルダが存在しません"},
        {"a folder is no program",
         [](KlmEmulatorFields& f, const CheckFixture& t) { f.filePath = t.dir.file("emu"); },
         "指定のフォルダが存在しません"},
        {"same path", [](KlmEmulatorFields& f, const CheckFixture& t) { f.filePath = t.other; },
         "エミュレータパスが重複しています"},
        {"no extraction folder", [](KlmEmulatorFields& f, const CheckFixture&) { f.extractFolder = "/nowhere"; },
         "解凍先のフォルダが存在しません"},
        {"missing key file", [](KlmEmulatorFields& f, const CheckFixture&) { f.keyFile = "/nowhere.dat"; },
         "仮想キーコードファイルが存在しません"},
        {"name past its field", [](KlmEmulatorFields& f, const CheckFixture&) { f.name = std::string(127, 'n'); },
         "エミュレータ名が長すぎます"},
        {"name without a CP932 form", [](KlmEmulatorFields& f, const CheckFixture&) { f.name = "emu \U0001F3AE"; },
         "エミュレータ名に使えない文字が含まれています"},
        {"options past their field",
         [](KlmEmulatorFields& f, const CheckFixture&) { f.options = std::string(253, 'o') + "ソフト$image"; },
         "起動オプションが長すぎます"},
        {"options with a line break", [](KlmEmulatorFields& f, const CheckFixture&) { f.options = "a\nb"; },
         "起動オプションに使えない文字が含まれています"},
    };
    for (const Case& c : cases) {
        KlmEmulatorFields f = valid();
        c.change(f, *this);
        const KlmEmulatorCheck r = klmCheckEmulatorFields(f, existing, -1);
        EXPECT_FALSE(r.ok) << c.what;
        EXPECT_EQ(r.message, c.message) << c.what;
        const bool third = c.message == "指定のフォルダが存在しません";
        EXPECT_EQ(r.title, third ? "エラー" : "警告") << c.what;
        EXPECT_EQ(r.warningIcon, third) << c.what;
    }
}

TEST_F(CheckFixture, AcceptedFieldsAreStoredWhole)
{
    KlmEmulatorFields f = valid();
    f.name = "emu";  // differs from "Emu" only by case: a different name
    f.name += "　ファミコン";
    f.extract = false;
    f.extractFolder = "/not/checked/when/off";
    f.keyFile.clear();
    KlmEmulatorCheck r = klmCheckEmulatorFields(f, existing, -1);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(klmField(r.entry.name), sj("emu　ファミコン"));
    EXPECT_EQ(klmField(r.entry.extractFolder), "/not/checked/when/off");
    EXPECT_EQ(r.entry.quote, 1);
    EXPECT_EQ(r.entry.extract, 0);
    EXPECT_EQ(klmEmulatorFieldsOf(r.entry).name, f.name);

    // Editing an entry may keep its own name and path.
    f = klmEmulatorFieldsOf(existing.entries[0]);
    f.options = "$arcade";
    EXPECT_TRUE(klmCheckEmulatorFields(f, existing, 0).ok);
    EXPECT_FALSE(klmCheckEmulatorFields(f, existing, -1).ok);

    // The longest name that reads back whole is accepted.
    f = valid();
    f.name = std::string(124, 'n') + "あ";  // 126 bytes in CP932
    EXPECT_TRUE(klmCheckEmulatorFields(f, existing, -1).ok);
}

}  // namespace
