// The snap-skin dialogs' rules on a working table: labels, the OK checks,
// the file-name convention and the list operations.
#include "media/skin_edit.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

MasterEntry hw(int32_t skinMode, const char* utf8Name)
{
    MasterEntry e{};
    e.skin = skinMode;
    klmCopyField(e.name, sj(utf8Name));
    return e;
}

SnapSkin named(const std::string& name, const std::string& path)
{
    SnapSkin s = klmNewSnapSkin();
    klmCopyField(s.name, name);
    klmCopyField(s.framePath, path);
    return s;
}

void fill(SkinSlot& slot, int count, const char* prefix = "s")
{
    for (int i = 0; i < count; ++i)
        slot.skins[static_cast<size_t>(i)] = named(prefix + std::to_string(i), "/f/" + std::string(prefix) + std::to_string(i) + ".png");
    slot.count = count;
}

std::vector<std::string> names(const SkinSlot& slot)
{
    std::vector<std::string> out;
    for (int i = 0; i < slot.count; ++i)
        out.emplace_back(klmField(slot.skins[static_cast<size_t>(i)].name));
    return out;
}

// Hardware: テレビ (mode 1, row 0), 携帯 (mode 2, rows 1 and 2), 無し (mode 0).
struct SkinTableFixture : ::testing::Test {
    Catalogue cat;
    SkinTable table;
    void SetUp() override
    {
        cat.hardware = {hw(1, "テレビ"), hw(2, "携帯"), hw(0, "無し")};
        klmBuildSkinTable(table, cat);
    }
    SkinSlot& slot(int i) { return table.slots[static_cast<size_t>(i)]; }
    std::string label(int i) { return klmToUtf8(klmSkinSlotLabel(table, cat, i)); }
};

KlmSkinFields fields(const char* name, const char* path, const char* x = "1", const char* y = "2",
                     const char* w = "3", const char* h = "4")
{
    KlmSkinFields f;
    f.name = sj(name);
    f.framePath = path;
    f.x = x;
    f.y = y;
    f.width = w;
    f.height = h;
    return f;
}

}  // namespace

TEST_F(SkinTableFixture, LabelsOfRowsKindsAndSlots)
{
    ASSERT_EQ(klmSkinRowCount(table), 3);
    EXPECT_EQ(label(0), "テレビ - タイトルスナップ");
    EXPECT_EQ(label(4), "携帯(横) - ゲームスナップ");
    EXPECT_EQ(label(8), "携帯(縦) - ビデオスナップ(動画)");
    EXPECT_EQ(label(9), "");
    EXPECT_EQ(klmSkinDialogSlot(table, 7), 7);
    EXPECT_EQ(klmSkinDialogSlot(table, 9), 0);   // remembered slot no longer in the table
    EXPECT_EQ(klmSkinDialogSlot(table, -3), 0);
    EXPECT_EQ(klmSkinDialogSlot(SkinTable{}, 0), -1);

    EXPECT_EQ(klmToUtf8(klmSkinScopeMenuText(table, cat, 4, KlmSkinScope::Row)), "全ての携帯(横)のスナップスキンに設定");
    EXPECT_EQ(klmToUtf8(klmSkinScopeQuestion(table, cat, 4, KlmSkinScope::Kind)),
              "全てのゲームスナップのスナップスキンに設定しますか");
    EXPECT_EQ(klmToUtf8(klmSkinScopeQuestion(table, cat, 4, KlmSkinScope::All)), "全てのスナップスキンに設定しますか");
    EXPECT_EQ(klmToUtf8(klmSkinScopeMenuText(table, cat, 4, KlmSkinScope::Slot)), "スナップスキンに設定");
    EXPECT_EQ(klmToUtf8(klmSkinDeleteQuestion(table, cat, 4, 3, "\n")),
              "携帯(横) - ゲームスナップの\nスナップスキン3ケをリストから削除しますか");
    EXPECT_EQ(klmToUtf8(klmSkinDeleteAllQuestion(table, cat, 0, "\n")),
              "テレビ - タイトルスナップの\nスナップスキンを全てリストから削除しますか");
}

TEST_F(SkinTableFixture, OkChecksRunInOrderAndStopAtTheFirst)
{
    fill(slot(0), 2);  // s0 /f/s0.png, s1 /f/s1.png
    const std::set<std::string> present = {"/f/s0.png", "/f/s1.png", "/f/new.png"};
    const KlmSkinFileProbe exists = [&](const std::string& p) { return present.count(p) > 0; };
    const std::string big = "99999999999";
    using C = KlmSkinCheck;
    struct Case {
        KlmSkinFields f;
        int32_t edited;
        C want;
    } cases[] = {
        {fields("", ""), -1, C::NameEmpty},
        {fields("デフォルトフレーム", ""), -1, C::NameReserved},
        {fields("ﾃﾞﾌｫﾙﾄﾌﾚｰﾑ", "/f/new.png"), -1, C::Ok},  // other width: accepted
        {fields(std::string(128, 'n').c_str(), ""), -1, C::NameTooLong},
        {fields("s1", "/f/new.png"), -1, C::NameDuplicate},
        {fields("s1", "/f/s1.png"), 1, C::Ok},             // editing itself
        {fields("S1", "/f/new.png"), -1, C::Ok},           // byte for byte
        {fields("n", ""), -1, C::PathEmpty},
        {fields("n", ("/" + std::string(259, 'p')).c_str()), -1, C::PathTooLong},
        {fields("n", "/f/gone.png"), -1, C::FileMissing},
        {fields("n", "/f/s0.png"), -1, C::PathDuplicate},
        {fields("n", "/f/s0.png"), 0, C::Ok},
        {fields("n", "/f/new.png", ""), -1, C::XEmpty},
        {fields("n", "/f/new.png", big.c_str()), -1, C::XOutOfRange},
        {fields("n", "/f/new.png", "1", ""), -1, C::YEmpty},
        {fields("n", "/f/new.png", "1", "-99999999999"), -1, C::YOutOfRange},
        {fields("n", "/f/new.png", "1", "2", ""), -1, C::WidthEmpty},
        {fields("n", "/f/new.png", "1", "2", big.c_str()), -1, C::WidthOutOfRange},
        {fields("n", "/f/new.png", "1", "2", "3", ""), -1, C::HeightEmpty},
        {fields("n", "/f/new.png", "1", "2", "3", big.c_str()), -1, C::HeightOutOfRange},
        {fields("n", "/f/new.png", "abc", "2", "3", "4"), -1, C::Ok},  // atoi: 0, as typed values were
    };
    for (const Case& c : cases)
        EXPECT_EQ(klmCheckSnapSkin(slot(0), c.edited, c.f, exists), c.want) << klmToUtf8(c.f.name) << " " << c.f.framePath;

    EXPECT_EQ(klmToUtf8(klmSkinCheckMessage(C::NameReserved)), "\"デフォルトフレーム\"はスナップスキン名に使えません");
    EXPECT_EQ(klmToUtf8(klmSkinCheckMessage(C::XEmpty)), "スナップ表示矩形の左上隅のX座標が未入力です");
    EXPECT_EQ(klmToUtf8(klmSkinCheckMessage(C::PathDuplicate)), "スナップスキンのファイルパスが重複します");
    EXPECT_EQ(klmSkinCheckMessage(C::Ok), "");
}

TEST_F(SkinTableFixture, StoreAppendsOrEditsInPlace)
{
    const KlmSkinFileProbe exists = [](const std::string&) { return true; };
    KlmSkinFields f = fields("tv", "/f/tv.png", "12", "8", "296", "216");
    f.positionMethod = kKlmRoundHalf;
    ASSERT_EQ(klmStoreSnapSkin(slot(0), -1, f, exists), KlmSkinCheck::Ok);
    ASSERT_EQ(slot(0).count, 1);
    const SnapSkin& s = slot(0).skins[0];
    EXPECT_EQ(klmField(s.name), "tv");
    EXPECT_EQ((std::vector<int32_t>{s.x, s.y, s.width, s.height, s.positionMethod, s.sizeMethod}),
              (std::vector<int32_t>{12, 8, 296, 216, kKlmRoundHalf, kKlmRoundUp}));

    KlmSkinFields edited = klmSkinFieldsOf(s);
    EXPECT_EQ(edited.width, "296");
    edited.x = "20";
    ASSERT_EQ(klmStoreSnapSkin(slot(0), 0, edited, exists), KlmSkinCheck::Ok);
    EXPECT_EQ(slot(0).count, 1);
    EXPECT_EQ(slot(0).skins[0].x, 20);

    fill(slot(1), kKlmMaxSkinsPerSlot);
    EXPECT_FALSE(klmCanAddSnapSkin(slot(1)));
    EXPECT_EQ(klmStoreSnapSkin(slot(1), -1, fields("x", "/f/x.png"), exists), KlmSkinCheck::SlotFull);
    EXPECT_EQ(slot(1).count, kKlmMaxSkinsPerSlot);
    EXPECT_EQ(klmToUtf8(klmSkinCheckMessage(KlmSkinCheck::SlotFull)), "これ以上スナップスキンを登録できません");
}

TEST(SkinFileName, FourUnderscoresFillTheRectangle)
{
    using P = std::array<std::string, 4>;
    EXPECT_EQ(klmSkinRectFromFileName("/skins/tv_12_8_296_216.png"), (P{"12", "8", "296", "216"}));
    EXPECT_EQ(klmSkinRectFromFileName("name_16_24_288_216.PNG"), (P{"16", "24", "288", "216"}));
    EXPECT_EQ(klmSkinRectFromFileName("C:\\skins\\a_b_c_d_e.png"), (P{"b", "c", "d", "e"}));  // as they stand
    EXPECT_EQ(klmSkinRectFromFileName("/x_1/tv__8__.png"), (P{"", "8", "", ""}));
    EXPECT_EQ(klmSkinRectFromFileName("/skins/tv_12_8.png"), std::nullopt);
    EXPECT_EQ(klmSkinRectFromFileName("/skins/tv_1_2_3_4_5.png"), std::nullopt);
    EXPECT_EQ(klmSkinRectFromFileName("/sk_i_n_s_/tv.png"), std::nullopt);  // the folder does not count
}

TEST_F(SkinTableFixture, MoveKeepsTheSelectionOnItsSkin)
{
    SkinSlot& s = slot(0);
    fill(s, 3);
    s.selected = 1;
    EXPECT_EQ(klmMoveSnapSkin(s, 1, -1), 0);
    EXPECT_EQ(names(s), (std::vector<std::string>{"s1", "s0", "s2"}));
    EXPECT_EQ(s.selected, 0);
    EXPECT_EQ(klmMoveSnapSkin(s, 1, +1), 2);  // s0 down past s2; the selection stays on s1
    EXPECT_EQ(s.selected, 0);
    EXPECT_EQ(klmMoveSnapSkin(s, 0, -1), 0);  // at the top: nothing
    EXPECT_EQ(klmMoveSnapSkin(s, 2, +1), 2);
    EXPECT_EQ(klmMoveSnapSkin(s, 7, -1), 7);
    EXPECT_EQ(names(s), (std::vector<std::string>{"s1", "s2", "s0"}));
}

TEST_F(SkinTableFixture, DeleteKeepsOrderAndFollowsTheSelection)
{
    SkinSlot& s = slot(0);
    fill(s, 5);
    s.selected = 3;
    EXPECT_EQ(klmDeleteSnapSkins(s, {4, 0, 0, 1, 99, -1}), 3);
    EXPECT_EQ(names(s), (std::vector<std::string>{"s2", "s3"}));
    EXPECT_EQ(s.selected, 1);
    EXPECT_EQ(klmDeleteSnapSkins(s, {1}), 1);  // the selected skin goes: the default frame
    EXPECT_EQ(s.selected, -1);
    EXPECT_EQ(klmField(s.skins[1].name), "");  // no stale skin past the count

    fill(s, 4);
    s.selected = 2;
    klmDeleteAllSnapSkins(s);
    EXPECT_EQ(s.count, 0);
    EXPECT_EQ(s.selected, -1);
}

TEST_F(SkinTableFixture, PasteOverwritesEqualPathsAndStopsAtTwenty)
{
    fill(slot(0), 5, "c");
    const std::vector<SnapSkin> buffer = klmCopySnapSkins(slot(0), {4, 1, 2, 3, 0, 1});
    ASSERT_EQ(buffer.size(), 5u);
    EXPECT_EQ(klmField(buffer[0].name), "c0");  // in list order

    SkinSlot& target = slot(1);
    fill(target, 18);
    EXPECT_EQ(klmPasteSnapSkins(target, buffer), 2);  // only two fit
    EXPECT_EQ(target.count, 20);
    EXPECT_EQ(klmField(target.skins[19].name), "c1");

    // A skin with the same path is overwritten, not added, while there is room.
    SkinSlot& other = slot(2);
    fill(other, 19, "c");
    other.skins[3] = named("renamed", "/f/c3.png");
    EXPECT_EQ(klmPasteSnapSkins(other, {named("fresh", "/f/c3.png")}), 1);
    EXPECT_EQ(other.count, 19);
    EXPECT_EQ(klmField(other.skins[3].name), "fresh");
    fill(other, 20, "c");
    EXPECT_EQ(klmPasteSnapSkins(other, {named("fresh", "/f/c3.png")}), 0);  // a full slot takes nothing
}

TEST_F(SkinTableFixture, ChoosingWithAScopeFollowsTheFramePath)
{
    // The same frame pasted into slots 0 (as skin 1) and 4 (as skin 0);
    // slot 7 holds another frame.
    fill(slot(0), 2);
    slot(4).skins[0] = slot(0).skins[1];
    slot(4).count = 1;
    fill(slot(7), 1, "z");
    slot(7).selected = 0;

    klmChooseSnapSkin(table, 0, 2, KlmSkinScope::All);
    EXPECT_EQ(slot(0).selected, 1);
    EXPECT_EQ(slot(4).selected, 0);
    EXPECT_EQ(slot(7).selected, 0);  // no such frame: unchanged
    EXPECT_EQ(slot(1).selected, -1);

    klmChooseSnapSkin(table, 4, 0, KlmSkinScope::Row);  // the default frame for row 1 (slots 3-5)
    EXPECT_EQ(slot(4).selected, -1);
    EXPECT_EQ(slot(0).selected, 1);

    klmChooseSnapSkin(table, 6, 0, KlmSkinScope::Kind);  // every title slot: 0, 3, 6
    EXPECT_EQ(slot(0).selected, -1);
    EXPECT_EQ(slot(7).selected, 0);

    klmChooseSnapSkin(table, 0, 1, KlmSkinScope::Slot);
    EXPECT_EQ(slot(0).selected, 0);
    klmChooseSnapSkin(table, 0, 3, KlmSkinScope::Slot);  // no item 3: nothing
    EXPECT_EQ(slot(0).selected, 0);
}
