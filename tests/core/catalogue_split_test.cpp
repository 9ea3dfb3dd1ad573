// data.dat read by two readers at once must give what one reader gives:
// the same records byte for byte, the same source lines and the same
// problems at the same lines, whatever the damage around the split.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>

#include "catalogue/catalogue.h"
#include "catalogue/parse_util.h"
#include "test_util.h"

namespace {

struct Read {
    Catalogue cat;
    KlmProblemList problems;
};

Read readWith(const std::string& image, size_t minSplitBytes)
{
    Read r;
    EXPECT_EQ(klmParseDataImageSplit(image, r.cat, &r.problems, "data.dat", minSplitBytes), 0);
    return r;
}

std::string describe(const KlmProblem& p)
{
    return p.file + ":" + std::to_string(p.line) + ":" + std::to_string(static_cast<int>(p.kind)) + ":" + p.detail;
}

// Splits wherever it can (any image of a byte or more) and compares with
// a single reader.
void expectSameAsOneReader(const std::string& image)
{
    const Read one = readWith(image, SIZE_MAX);
    const Read two = readWith(image, 1);
    ASSERT_EQ(one.cat.games.size(), two.cat.games.size());
    EXPECT_EQ(0, one.cat.games.empty() ? 0
                                       : std::memcmp(one.cat.games.data(), two.cat.games.data(),
                                                     one.cat.games.size() * sizeof(GameRecord)));
    EXPECT_EQ(one.cat.sourceLines, two.cat.sourceLines);
    ASSERT_EQ(one.problems.size(), two.problems.size());
    for (size_t i = 0; i < one.problems.size(); ++i)
        EXPECT_EQ(describe(one.problems[i]), describe(two.problems[i])) << "problem " << i;
}

std::string record(int n, const char* eol)
{
    std::string s = std::string("<game>") + eol;
    s += "<number>" + std::to_string(n) + "</number>" + eol;
    s += "<title>\x8c\x95\x8e\x6d" + std::to_string(n) + "</title>" + eol;
    s += "<price>" + std::to_string(n * 100) + "</price>" + eol;
    s += "<size>" + std::to_string(n * 1024) + "</size>" + eol;
    s += std::string("<date>19910713</date>") + eol;
    s += std::string("</game>") + eol;
    return s;
}

}  // namespace

// Hand-made damage where the second reader takes over (the first "<game>"
// line of the second half).
TEST(ParseSplit, DamageAroundTheSplitReadsAsOneReaderReadsIt)
{
    struct Case {
        const char* name;
        std::string image;
    };
    std::string plain = "<dat>\r\n";
    for (int i = 1; i <= 20; ++i) plain += record(i, "\r\n");
    std::string unclosedBeforeSplit = "<dat>\n";
    for (int i = 1; i <= 20; ++i) {
        std::string r = record(i, "\n");
        if (i >= 8 && i <= 12) r.erase(r.find("</game>"));  // records left open near the middle
        unclosedBeforeSplit += r;
    }
    std::string datEndFirst = "<dat>\r\n" + record(1, "\r\n") + "</dat>\r\n";
    for (int i = 2; i <= 20; ++i) datEndFirst += record(i, "\r\n");
    std::string longLines = "<dat>\r\n";
    for (int i = 1; i <= 20; ++i)
        longLines += record(i, "\r\n") + "<comment>" + std::string(600, 'x') + "</comment>\r\n";
    std::string nulsAndCuts = "<dat>\n";
    for (int i = 1; i <= 20; ++i) {
        nulsAndCuts += record(i, "\n");
        nulsAndCuts += std::string("<game><title>a\0b</title>\n", 25) + "<title>open\n</game>\n";
    }
    std::string gameInsideValue = "<dat>\n";
    for (int i = 1; i <= 20; ++i) gameInsideValue += "<title><game></title>\n" + record(i, "\n");
    std::string onlyGameLines;
    for (int i = 0; i < 300; ++i) onlyGameLines += "<game>\n";
    const Case cases[] = {
        {"plain", plain + "</dat>\r\n"},
        {"no </dat>", plain},
        {"records left open before the split", unclosedBeforeSplit + "</dat>\n"},
        {"</dat> in the first half", datEndFirst},
        {"lines longer than a piece", longLines + "</dat>\r\n"},
        {"NULs, unclosed tags, a second <game> on a line", nulsAndCuts},
        {"<game> inside a value", gameInsideValue},
        {"mixed line ends", plain + unclosedBeforeSplit},
        {"only <game> lines", onlyGameLines},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        expectSameAsOneReader(c.image);
    }
}

// Random images from a vocabulary of good and broken lines.
TEST(ParseSplit, RandomImagesReadAsOneReaderReadsThem)
{
    const std::string vocabulary[] = {
        "<game>",         "</game>",          "<dat>",   "</dat>",  "<title>x</title>", "<title>open",
        "<price>0</price>", "<price>12800</price>", "<size>0</size>", "<arcade></arcade>",
        "<game><number>1</number>", std::string(300, 'y'), std::string("<serial>\0z</serial>", 18),
        "<date>19830000</date>", "garbage", "",
    };
    std::mt19937 rng(20261208);
    for (int round = 0; round < 300; ++round) {
        std::string image;
        const int lines = 1 + static_cast<int>(rng() % 200);
        for (int i = 0; i < lines; ++i) {
            image += vocabulary[rng() % std::size(vocabulary)];
            image += (rng() % 3 == 0) ? "\r\n" : "\n";
        }
        SCOPED_TRACE(round);
        expectSameAsOneReader(image);
        if (HasFailure()) return;
    }
}

// A data.dat large enough to be read by halves gives what the image does.
TEST(ParseSplit, LargeFileReadsAsItsImage)
{
    KlmTempDir dir;
    std::string image = "<dat>\r\n";
    const std::string comment = "<comment>" + std::string(240, 'c') + "</comment>\r\n";
    for (int i = 1; image.size() < (9u << 20); ++i) image += record(i, "\r\n") + comment;
    image += "</dat>\r\n";
    const std::string path = (dir.path / "data.dat").string();
    klmTestWrite(path, image);
    Catalogue fromFile;
    Catalogue fromImage;
    KlmProblemList fileProblems;
    KlmProblemList imageProblems;
    klmParseDataFile(path, fromFile, &fileProblems);
    klmParseDataImage(image, fromImage, &imageProblems);
    ASSERT_EQ(fromFile.games.size(), fromImage.games.size());
    ASSERT_GT(fromFile.games.size(), 20000u);
    EXPECT_EQ(0, std::memcmp(fromFile.games.data(), fromImage.games.data(),
                             fromFile.games.size() * sizeof(GameRecord)));
    EXPECT_EQ(fromFile.sourceLines, fromImage.sourceLines);
    EXPECT_EQ(fileProblems.size(), imageProblems.size());
}

// The count that sizes the records: every "<game>" once, in blocks of any
// alignment, next to each other, cut short at the end, and never one
// counted twice. Compared with a plain search on random markup.
TEST(CatalogueSplit, CountOfRecordsMatchesAPlainSearch)
{
    auto plain = [](std::string_view image, std::string_view needle) {
        size_t count = 0;
        for (size_t at = image.find(needle); at != std::string_view::npos; at = image.find(needle, at + needle.size()))
            ++count;
        return count;
    };
    std::mt19937 rng(7);
    const std::string pieces[] = {"<game>", "<gam", "<g", "e>", "<genre>", "x", "\n", "<game>\n<title>", "<<game>>"};
    for (int round = 0; round < 2000; ++round) {
        std::string image;
        const int parts = static_cast<int>(rng() % 40);
        for (int i = 0; i < parts; ++i) image += pieces[rng() % std::size(pieces)];
        for (std::string_view needle : {"<game>", "ab", "<"})
            ASSERT_EQ(klmCountOccurrences(image, needle), plain(image, needle)) << image << " / " << needle;
    }
    EXPECT_EQ(klmCountOccurrences("aaaaaaaaaaaaaaaaaaaaaaaa", "aaa"), 8u);
    EXPECT_EQ(klmCountOccurrences("<game>", ""), 0u);
}

