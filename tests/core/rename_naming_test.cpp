// Target names: token replacement, forbidden characters, the 260-byte rule,
// the uniqueness walk per hardware, the update of all games and the checks
// of the rename settings box.
#include "rename/naming.h"

#include <gtest/gtest.h>

#include "audit/ownership.h"
#include "test_util.h"

namespace {

MasterEntry entry(std::string_view cp932Name)
{
    MasterEntry e{};
    klmCopyField(e.name, cp932Name);
    return e;
}

// One hardware "PC" (0) and one "ソルティアＣＤ" (1), and one entry in each
// other table.
Catalogue tables()
{
    Catalogue cat;
    cat.hardware = {entry("PC"), entry(sj("ソルティアＣＤ"))};
    cat.software = {entry("FD")};
    cat.developer = {entry(sj("ルナテック"))};
    cat.publisher = {entry(sj("白鷺"))};
    cat.genre = {entry("RPG")};
    return cat;
}

GameRecord game(std::string_view title, int32_t hardware = 0, std::string_view english = "Title",
                std::string_view crc = "1A2B3C4D")
{
    GameRecord g{};
    klmCopyField(g.title, title);
    klmCopyField(g.englishTitle, english);
    klmCopyField(g.imageNumberText, "0123");
    klmCopyField(g.crc32, crc);
    g.hardware = hardware;
    return g;
}

std::string expand(std::string_view pattern, const GameRecord& g, const Catalogue& cat, bool* tooLong = nullptr)
{
    return klmExpandTargetName(sj(pattern), g, cat, tooLong);
}

Settings withPattern(std::string_view utf8)
{
    Settings s = klmDefaultSettings();
    klmCopyField(s.renamePattern, sj(utf8));
    return s;
}

std::vector<std::string> targets(const Catalogue& cat)
{
    std::vector<std::string> out;
    for (const GameRecord& g : cat.games) out.emplace_back(klmField(g.targetName));
    return out;
}

TEST(RenameNaming, TokensAndForbiddenCharacters)
{
    Catalogue cat = tables();
    EXPECT_EQ(expand("[%h] %n", game("A/B: C?"), cat), sj("[PC] A／B： C？"));
    EXPECT_EQ(expand("%n (%i)", game("X"), cat), "X (0123)");
    GameRecord g = game(sj("表示ソフト"), 1);
    g.developerNumber = 0;
    g.publisherNumber = 0;
    // Every token, in its place; "表" and "ソ" (second byte 0x5C) stay as they are.
    EXPECT_EQ(expand("%n|%e|%h|%s|%d|%p|%g|%i", g, cat),
              sj("表示ソフト｜Title｜ソルティアＣＤ｜FD｜ルナテック｜白鷺｜RPG｜0123"));
    EXPECT_EQ(expand("\\/:*?\"<>|", game("t"), cat), sj("￥／：＊？”＜＞｜"));
    // Tokens are replaced in table order, each on the result of the last: a
    // title holding "%e" gets the English title, one holding "%n" does not
    // loop.
    EXPECT_EQ(expand("%n", game("a%eb%nc", 0, "E%h"), cat), "aEPCb%nc");
    // A maker number outside the table falls back to the record's own text.
    GameRecord maker = game("t");
    maker.developerNumber = 99;
    klmCopyField(maker.developer, "Own");
    EXPECT_EQ(expand("%n %d %s", maker, cat), "t Own FD");
    GameRecord nowhere = game("t", 42);
    nowhere.software = -1;
    EXPECT_EQ(expand("%n[%h%s]", nowhere, cat), "t[]");
}

TEST(RenameNaming, TheTwoHundredSixtyByteRule)
{
    Catalogue cat = tables();
    bool tooLong = true;
    const std::string omote = sj("表");
    // Prefix + "表": the result ends with the double-byte character at bytes
    // 258–259 (fits) or 259–260 (does not).
    GameRecord last = game(omote);
    const std::string at259 = std::string(257, 'p') + "%n";  // 257 + 2 = 259
    const std::string at260 = std::string(258, 'p') + "%n";  // 258 + 2 = 260
    EXPECT_EQ(klmExpandTargetName(at259, last, cat, &tooLong), std::string(257, 'p') + omote);
    EXPECT_FALSE(tooLong);
    EXPECT_EQ(klmExpandTargetName(at260, last, cat, &tooLong), "");
    EXPECT_TRUE(tooLong);
    // A forbidden character that becomes two bytes can push it over.
    EXPECT_EQ(klmExpandTargetName(std::string(258, 'p') + "%n", game("?"), cat, &tooLong), "");
    EXPECT_TRUE(tooLong);
    EXPECT_EQ(klmExpandTargetName(std::string(257, 'p') + "%n", game("?"), cat, &tooLong).size(), 259u);

    // An expansion that would grow without bound is abandoned.
    std::string tokens;
    for (int i = 0; i < 63; ++i) tokens += "%e";
    std::string english;
    for (int i = 0; i < 63; ++i) english += "%h";
    std::string pattern;
    for (int i = 0; i < 129; ++i) pattern += "%n";
    EXPECT_EQ(klmExpandTargetName(pattern, game(tokens, 0, english), cat, &tooLong), "");
    EXPECT_TRUE(tooLong);

    // A too-long name is not given suffixes; a suffix that would not fit
    // gives no name.
    cat.games = {game(std::string(127, 'x')), game(std::string(127, 'x'))};
    const std::string long257 = std::string(130, 'q') + "%n";  // 130 + 127 = 257
    Settings s = withPattern(long257);
    klmUpdateAllTargetNames(cat, s);
    EXPECT_EQ(targets(cat)[0].size(), 257u);
    EXPECT_EQ(targets(cat)[1], "");  // 257 + "(1)" = 260
}

TEST(RenameNaming, UniqueWithinEachHardware)
{
    Catalogue cat = tables();
    for (int i = 0; i < 7; ++i) cat.games.push_back(game("X"));
    cat.games.push_back(game("X", 1));
    cat.games.push_back(game("X(1)"));
    klmUpdateAllTargetNames(cat, withPattern("%n"));
    EXPECT_EQ(targets(cat), (std::vector<std::string>{"X", "X(1)", "X(1)(2)", "X(1)(2)(3)", "X(1)(2)(3)(4)",
                                                      // after four suffixes the name is left as it is
                                                      "X(1)(2)(3)(4)", "X(1)(2)(3)(4)",
                                                      // another hardware starts afresh
                                                      "X",
                                                      // a title that looks like a suffixed name
                                                      "X(1)(1)"}));
    // The one-game form agrees with the update.
    for (int32_t i = 0; i < klmGameCount(cat); ++i)
        EXPECT_EQ(klmTargetName(sj("%n"), cat, i), targets(cat)[size_t(i)]) << i;

    // An empty English title gives an empty candidate, compared like any
    // other: the second such game on the hardware gets "(1)".
    Catalogue english = tables();
    english.games = {game("a", 0, ""), game("b", 1, ""), game("c", 0, "")};
    klmUpdateAllTargetNames(english, withPattern("%e"));
    EXPECT_EQ(targets(english), (std::vector<std::string>{"", "", "(1)"}));
}

TEST(RenameNaming, UpdateSkipsSpecialCrcsAndSetsStatus)
{
    Catalogue cat = tables();
    cat.games = {
        game("Kept", 0, "", "00000000"),      // keeps its old name, which still counts
        game("Kept"),                         // owned, file already carries the name
        game("Other", 0, "", "FFFFFFFF"),
        game("Alpha"),                        // owned, file named otherwise
        game("Beta"),                         // not owned
        game("Gamma"),                        // owned as an archive whose member differs
    };
    klmCopyField(cat.games[0].targetName, "Kept");
    klmCopyField(cat.games[2].targetName, "old");
    cat.games[1].ownership = kKlmOwnedNotRenamed;
    klmCopyField(cat.games[1].foundPath, "/roms/Kept(1).bin");
    cat.games[3].ownership = kKlmOwned;
    klmCopyField(cat.games[3].foundPath, "/roms/alpha.bin");
    cat.games[5].ownership = kKlmOwned;
    klmCopyField(cat.games[5].foundPath, "/roms/Gamma.7z");
    klmCopyField(cat.games[5].memberName, "gamma");

    std::vector<int32_t> percents;
    Settings s = withPattern("%n");
    klmUpdateAllTargetNames(cat, s, [&](int32_t p) { percents.push_back(p); });
    EXPECT_EQ(targets(cat), (std::vector<std::string>{"Kept", "Kept(1)", "old", "Alpha", "Beta", "Gamma"}));
    EXPECT_EQ(percents, std::vector<int32_t>{0});
    EXPECT_EQ(cat.games[1].ownership, kKlmOwned);
    EXPECT_EQ(cat.games[3].ownership, kKlmOwnedNotRenamed);
    EXPECT_EQ(cat.games[4].ownership, kKlmNotOwned);
    EXPECT_EQ(cat.games[5].ownership, kKlmOwnedNotRenamed);
    s.renameInsideArchives = 0;
    klmUpdateAllTargetNames(cat, s);
    EXPECT_EQ(cat.games[5].ownership, kKlmOwned);

    // An owned game whose new name is empty keeps its status.
    s = withPattern("%e");
    cat.games[3].ownership = kKlmOwned;
    klmCopyField(cat.games[3].englishTitle, "");
    klmUpdateAllTargetNames(cat, s);
    EXPECT_EQ(klmField(cat.games[3].targetName), "");
    EXPECT_EQ(cat.games[3].ownership, kKlmOwned);
}

TEST(RenameSettings, PatternChecksAndLevels)
{
    EXPECT_EQ(klmValidateRenamePattern("%n"), KlmPatternCheck::Valid);
    EXPECT_EQ(klmValidateRenamePattern("[%h] %e"), KlmPatternCheck::Valid);
    EXPECT_EQ(klmValidateRenamePattern("%h %i"), KlmPatternCheck::NoTitleToken);
    EXPECT_EQ(klmValidateRenamePattern(""), KlmPatternCheck::NoTitleToken);
    EXPECT_EQ(klmValidateRenamePattern("%n%e"), KlmPatternCheck::BothTitleTokens);
    // "ソ" is 83 5C: a "%" right after it is still a character of its own,
    // but "\x83%" would be one double-byte character.
    EXPECT_EQ(klmValidateRenamePattern(sj("ソ%n")), KlmPatternCheck::Valid);
    EXPECT_EQ(klmValidateRenamePattern("\x83%n"), KlmPatternCheck::NoTitleToken);
    EXPECT_STREQ(klmPatternCheckMessage(KlmPatternCheck::NoTitleToken), "%n 又は %e が含まれないといけません");
    EXPECT_STREQ(klmPatternCheckMessage(KlmPatternCheck::BothTitleTokens), "%n と %e は共存できません");
    EXPECT_STREQ(klmPatternCheckMessage(KlmPatternCheck::Valid), "");

    // As typed in the dialog: the 260-byte field must hold the CP932 text
    // whole, measured in CP932 (あ is 3 bytes typed, 2 stored).
    struct Typed {
        std::string text;
        KlmPatternCheck expected;
    };
    const std::string a = "\xE3\x81\x82";
    std::string a128;
    for (int i = 0; i < 128; ++i) a128 += a;
    const Typed typed[] = {
        {"[%h] %n", KlmPatternCheck::Valid},
        {a128 + "%n", KlmPatternCheck::Valid},          // 258 bytes stored
        {a128 + "%n!", KlmPatternCheck::Valid},         // 259
        {a128 + "%n!!", KlmPatternCheck::TooLong},      // 260
        {"%n\xF0\x9F\x8E\xAE", KlmPatternCheck::NotCp932},  // an emoji
        {"%n\xED\x95\x9C", KlmPatternCheck::NotCp932},      // Hangul
        {"%h", KlmPatternCheck::NoTitleToken},
        {"%e%n", KlmPatternCheck::BothTitleTokens},
    };
    for (const Typed& t : typed) {
        std::string stored;
        EXPECT_EQ(klmCheckRenamePatternText(t.text, &stored), t.expected) << t.text;
        if (t.expected == KlmPatternCheck::Valid) {
            EXPECT_EQ(stored, sj(t.text));
        }
    }
    EXPECT_STRNE(klmPatternCheckMessage(KlmPatternCheck::NotCp932), "");
    EXPECT_STRNE(klmPatternCheckMessage(KlmPatternCheck::TooLong), "");

    EXPECT_STREQ(klmCompressionLevelName(0), "無圧縮");
    EXPECT_STREQ(klmCompressionLevelName(5), "最高圧縮");
    EXPECT_STREQ(klmCompressionLevelName(9), "標準");
    EXPECT_EQ(klmCompressionLevelMx(2), 3);
    EXPECT_EQ(klmCompressionLevelMx(4), 7);
    EXPECT_EQ(klmCompressionLevelMx(-1), 5);
}

}  // namespace
