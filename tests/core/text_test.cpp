// Code page 932 primitives: byte classes, conversion, bounded copies,
// boundary-aware search and replace, kana and full-width normalisation.
#include "text/cp932.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

// CP932 spellings of the characters the tests lean on.
const std::string kSo = "\x83\x5C";        // ソ: trail byte is a backslash
const std::string kHyo = "\x95\x5C";       // 表
const std::string kNou = "\x94\x5C";       // 能

std::string cp(const char* utf8)
{
    bool ok = false;
    std::string s = klmFromUtf8(utf8, &ok);
    EXPECT_TRUE(ok) << utf8;
    return s;
}

TEST(Cp932ByteClass, WalksFromTheStart)
{
    // "aソ\" : the first backslash is the trail of ソ, the second a character.
    std::string t = "a" + kSo + "\\";
    EXPECT_EQ(klmByteClassAt(t, 0), KlmByteClass::Single);
    EXPECT_EQ(klmByteClassAt(t, 1), KlmByteClass::Lead);
    EXPECT_EQ(klmByteClassAt(t, 2), KlmByteClass::Trail);
    EXPECT_EQ(klmByteClassAt(t, 3), KlmByteClass::Single);
    // A trail-range byte after a full pair starts a new character.
    std::string two = kSo + kSo;
    EXPECT_EQ(klmByteClassAt(two, 2), KlmByteClass::Lead);
    EXPECT_EQ(klmByteClassAt(two, 3), KlmByteClass::Trail);
    // A lead byte at the end, or before a NUL, is not a pair.
    EXPECT_EQ(klmByteClassAt("\x83", 0), KlmByteClass::Lead);
    std::string nul("\x83\0\x5C", 3);
    EXPECT_EQ(klmByteClassAt(nul, 1), KlmByteClass::Single);
    EXPECT_EQ(klmByteClassAt(nul, 2), KlmByteClass::Single);
    // Half-width katakana are single bytes.
    EXPECT_EQ(klmByteClassAt("\xB1\x5C", 1), KlmByteClass::Single);
}

// The first and last byte of each lead-byte range, and the bytes just
// outside them, each followed by an ASCII byte that a trail can take.
TEST(Cp932ByteClass, EdgesOfTheLeadByteRanges)
{
    struct Case {
        const char* text;  // the byte under test, then an ASCII byte
        bool lead;
    } cases[] = {
        {"\x80\x5C", false}, {"\x81\x5C", true},  // ―
        {"\x9F\x5C", true},  {"\xA0\x5C", false},  // 歃
        {"\xDF\x5C", false}, {"\xE0\x5C", true},   // 濬
        {"\xFC\x4B", true},  {"\xFD\x4B", false},  // 黑
    };
    for (const Case& c : cases) {
        const std::string t = c.text;
        const std::string ascii = t.substr(1);
        SCOPED_TRACE(testing::Message() << std::hex << (static_cast<unsigned>(t[0]) & 0xFF));
        EXPECT_EQ(klmIsLeadByte(static_cast<unsigned char>(t[0])), c.lead);
        EXPECT_EQ(klmByteClassAt(t, 1), c.lead ? KlmByteClass::Trail : KlmByteClass::Single);
        EXPECT_EQ(klmFindText(t, ascii), c.lead ? std::string::npos : 1u);
        EXPECT_EQ(klmSafePrefixLength(t, 1), c.lead ? 0u : 1u);
        EXPECT_EQ(klmReplaceText(t, ascii, "!"), c.lead ? t : t.substr(0, 1) + "!");
    }
}

TEST(Cp932Convert, WindowsMappingBothWays)
{
    struct Case {
        const char* utf8;
        const char* cp932;
    } cases[] = {
        {"ソ", "\x83\x5C"}, {"表", "\x95\x5C"}, {"能", "\x94\x5C"}, {"ー", "\x81\x5B"},
        {"～", "\x81\x60"}, {"①", "\x87\x40"}, {"㈱", "\x87\x8A"}, {"纊", "\xFA\x5C"},
        {"\\~", "\\~"},      {"ｱ", "\xB1"},
    };
    for (const Case& c : cases) {
        bool ok = false;
        EXPECT_EQ(klmFromUtf8(c.utf8, &ok), c.cp932) << c.utf8;
        EXPECT_TRUE(ok) << c.utf8;
        EXPECT_EQ(klmToUtf8(c.cp932, &ok), c.utf8) << c.utf8;
        EXPECT_TRUE(ok) << c.utf8;
        EXPECT_TRUE(klmIsValidCp932(c.cp932)) << c.utf8;
    }
    // The NEC-selected IBM row decodes to the same character.
    EXPECT_EQ(klmToUtf8("\xED\x40"), "纊");
}

TEST(Cp932Convert, InvalidInputIsReplacedAndReported)
{
    bool ok = true;
    // Undefined single byte, an undefined pair, a lead byte with a bad trail,
    // and a lead byte cut off at the end.
    EXPECT_EQ(klmToUtf8("a\x80" "b\x85\x40" "c\x81 d\x83", &ok), "a\uFFFDb\uFFFDc\uFFFD d\uFFFD");
    EXPECT_FALSE(ok);
    ok = true;
    EXPECT_EQ(klmFromUtf8("x😀y\xFFz", &ok), "x?y?z");
    EXPECT_FALSE(ok);

    size_t bad = 0;
    const char* invalid[] = {"\x80", "\xA0", "\xFD", "\xFE", "\xFF", "\x81", "\x81\x7F", "\x85\x40", "\x82\xF2"};
    for (const char* s : invalid) {
        EXPECT_FALSE(klmIsValidCp932(s, &bad)) << std::hex << int(static_cast<unsigned char>(s[0]));
        EXPECT_EQ(bad, 0u);
    }
    EXPECT_FALSE(klmIsValidCp932("ab\x83\x5C\x83", &bad));
    EXPECT_EQ(bad, 4u);
    EXPECT_TRUE(klmIsValidCp932(""));
    EXPECT_TRUE(klmIsValidCp932("\xF0\x40"));  // user-defined area is defined
}

TEST(Cp932Field, BoundedCopyNeverSplitsACharacter)
{
    char field[6];
    std::memset(field, 'x', sizeof field);
    // "abcソ" is 5 bytes: fits in 6 with the terminator.
    EXPECT_TRUE(klmCopyField(field, "abc" + kSo));
    EXPECT_EQ(klmField(field), "abc" + kSo);

    // "abcdソ" would need 6: ソ is dropped whole, the rest zero-filled.
    std::memset(field, 'x', sizeof field);
    EXPECT_FALSE(klmCopyField(field, "abcd" + kSo));
    EXPECT_EQ(klmField(field), "abcd");
    EXPECT_EQ(field[4], 0);
    EXPECT_EQ(field[5], 0);

    // A 5-byte limit falling inside the second pair keeps only the first.
    EXPECT_EQ(klmSafePrefixLength(kSo + "a" + kHyo, 4), 3u);
    EXPECT_EQ(klmSafePrefixLength(kSo + "a" + kHyo, 5), 5u);

    char full[4] = {'a', 'b', 'c', 'd'};  // unterminated: the view stops at size
    EXPECT_EQ(klmField(full), "abcd");
}

TEST(Cp932Find, MatchesOnlyOnCharacterBoundaries)
{
    EXPECT_EQ(klmFindText(kSo, "\\"), std::string_view::npos);
    EXPECT_EQ(klmFindText(kSo + "\\", "\\"), 2u);
    EXPECT_EQ(klmFindText("abc", ""), 0u);
    EXPECT_EQ(klmFindText("", "a"), std::string_view::npos);
    // 能 (94 5C) and 表 (95 5C): the lead-byte needle 95 must not match
    // the byte pair starting at the trail of ソ in "ソ\x95...": walk decides.
    std::string t = kNou + kHyo;
    EXPECT_EQ(klmFindText(t, kHyo), 2u);
    // "\x5C\x95" occurs at offset 1 but starts at a trail byte.
    EXPECT_EQ(klmFindText(t, "\x5C\x95"), std::string_view::npos);
    // A later candidate after a rejected one is still found.
    EXPECT_EQ(klmFindText(kSo + "a\\", "\\"), 3u);
    EXPECT_TRUE(klmContainsText(cp("ドラゴンクエスト"), cp("クエスト")));
}

// Reference: the character starts found by walking from the first byte.
std::vector<bool> walkBoundaries(std::string_view t)
{
    std::vector<bool> starts(t.size() + 1, false);
    size_t i = 0;
    while (i < t.size()) {
        starts[i] = true;
        bool pair = klmIsLeadByte(static_cast<unsigned char>(t[i])) && i + 1 < t.size() && t[i + 1] != 0;
        i += pair ? 2 : 1;
    }
    starts[t.size()] = true;
    return starts;
}

TEST(Cp932Find, AgreesWithAWalkFromTheStart)
{
    // Random texts over bytes that are lead, trail, both, ASCII and NUL.
    const char alphabet[] = {'\\', 'a', '\x40', '\x5C', '\x81', '\x83', '\x95', '\xE0', '\xB1', '\0'};
    std::mt19937 rng(932);
    auto randomText = [&](size_t maxLen) {
        std::string t(rng() % (maxLen + 1), ' ');
        for (char& c : t)
            c = alphabet[rng() % sizeof alphabet];
        return t;
    };
    for (int round = 0; round < 20000; ++round) {
        std::string hay = randomText(12);
        std::string needle = randomText(3);
        std::vector<bool> starts = walkBoundaries(hay);
        for (size_t p = 0; p < hay.size(); ++p) {
            KlmByteClass expected = !starts[p] ? KlmByteClass::Trail
                                    : klmIsLeadByte(static_cast<unsigned char>(hay[p])) ? KlmByteClass::Lead
                                                                                         : KlmByteClass::Single;
            ASSERT_EQ(klmByteClassAt(hay, p), expected) << testing::PrintToString(hay) << " at " << p;
        }
        size_t expected = std::string_view::npos;
        for (size_t p = 0; p + needle.size() <= hay.size(); ++p) {
            if (starts[p] && hay.compare(p, needle.size(), needle) == 0) {
                expected = p;
                break;
            }
        }
        if (needle.empty())
            expected = 0;
        ASSERT_EQ(klmFindText(hay, needle), expected)
            << testing::PrintToString(hay) << " / " << testing::PrintToString(needle);
        // Replacing changes the text exactly when the search finds something.
        if (!needle.empty()) {
            ASSERT_EQ(klmReplaceText(hay, needle, "#") != hay, expected != std::string_view::npos)
                << testing::PrintToString(hay) << " / " << testing::PrintToString(needle);
        }
    }
}

TEST(Cp932Replace, ClassRuleAndBounds)
{
    // A backslash needle leaves ソ alone and replaces the real backslash.
    EXPECT_EQ(klmReplaceText(kSo + "\\" + kSo, "\\", "/"), kSo + "/" + kSo);
    EXPECT_EQ(klmReplaceText("a-b-c", "-", "--"), "a--b--c");
    EXPECT_EQ(klmReplaceText("aaa", "aa", "b"), "ba");
    EXPECT_EQ(klmReplaceText("abc", "", "x"), "abc");
    EXPECT_EQ(klmReplaceText("abc", "c", ""), "ab");
    // A lone lead-byte search string matches only at lead bytes: 83 occurs
    // as the trail of 82 83 (ｃ) and as the lead of ソ.
    std::string t = "\x82\x83" + kSo;
    EXPECT_EQ(klmReplaceText(t, "\x83", "#"), "\x82\x83#\x5C");

    // Bounded form: the result is cut before a pair that does not fit.
    char small[3];
    EXPECT_FALSE(klmReplaceText(small, sizeof small, "abc", "b", kSo));  // room for 2 bytes
    EXPECT_STREQ(small, "a");
    char out[5];
    EXPECT_TRUE(klmReplaceText(out, sizeof out, "abc", "b", kSo));  // a ソ c = 4 bytes
    EXPECT_STREQ(out, ("a" + kSo + "c").c_str());
    EXPECT_TRUE(klmReplaceText(out, sizeof out, "abcd", "b", "B"));
    EXPECT_STREQ(out, "aBcd");
    char big[256];
    std::string longText(300, 'a');
    EXPECT_FALSE(klmReplaceText(big, sizeof big, longText, "a", kSo));
    EXPECT_EQ(std::strlen(big), 254u);  // 127 pairs, the 128th would need 256
}

TEST(Cp932Kana, HiraganaRowMapsToKatakanaRow)
{
    // Every hiragana from ぁ to ん against iconv's katakana U+30A1..U+30F3.
    for (char32_t cpnt = 0x3041; cpnt <= 0x3093; ++cpnt) {
        auto utf8 = [](char32_t c) {
            std::string s;
            s += static_cast<char>(0xE0 | (c >> 12));
            s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            s += static_cast<char>(0x80 | (c & 0x3F));
            return s;
        };
        std::string hira = klmFromUtf8(utf8(cpnt));
        ASSERT_EQ(hira.size(), 2u);
        EXPECT_EQ(klmToUtf8(klmHiraganaToKatakana(hira)), utf8(cpnt + 0x60)) << std::hex << static_cast<unsigned>(cpnt);
    }
    // Everything else is untouched, including a hiragana-looking trail pair.
    std::string other = cp("ドラゴンＡa表ｱ") + "\x81\x82\x9F";
    EXPECT_EQ(klmHiraganaToKatakana(other), other);
    EXPECT_EQ(klmHiraganaToKatakana("\x82"), "\x82");
    // The hiragana iteration marks follow the letters.
    EXPECT_EQ(klmHiraganaToKatakana(cp("ゝゞ")), cp("ヽヾ"));
}

TEST(Cp932Normalise, SearchTextVariants)
{
    EXPECT_EQ(klmNormaliseSearchText(cp("どらごん")), cp("ドラゴン"));
    EXPECT_EQ(klmNormaliseSearchText(cp("ＦＦ")), "FF");
    EXPECT_EQ(klmNormaliseSearchText("ff"), "ff");
    EXPECT_EQ(klmNormaliseSearchText(cp("ｆｆ１２ぱＺ表")), "ff12" + cp("パ") + "Z" + kHyo);
    EXPECT_EQ(klmNormaliseSearchText(cp("０１２３４５６７８９ＡＢＣＸＹＺａｂｃｘｙｚ")),
              "0123456789ABCXYZabcxyz");
    // Katakana is never turned back into hiragana; the iteration marks follow.
    EXPECT_EQ(klmNormaliseSearchText(cp("ドラゴン")), cp("ドラゴン"));
    EXPECT_EQ(klmNormaliseSearchText(cp("いすゞ")), cp("イスヾ"));
    // The buffer form takes the typed text as the buffer would hold it (cut
    // at a character boundary) and always terminates.
    char small[4];
    EXPECT_EQ(klmNormaliseSearchInto(small, sizeof small, cp("ＡあＢ")), 1u);
    EXPECT_STREQ(small, "A");
    EXPECT_EQ(klmNormaliseSearchInto(small, sizeof small, cp("あ") + "b"), 3u);
    EXPECT_STREQ(small, (cp("ア") + "b").c_str());
    // The result fits a 256-byte buffer and is cut at a character boundary.
    std::string many;
    for (int i = 0; i < 130; ++i)
        many += cp("あ");
    std::string n = klmNormaliseSearchText(many);
    EXPECT_EQ(n.size(), 254u);
    EXPECT_TRUE(klmIsValidCp932(n));
}

}  // namespace
