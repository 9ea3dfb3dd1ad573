// save\window.dat: the eleven placement values, the minimized rule, and
// the check that decides whether a stored placement can be applied.
#include "settings/window_file.h"
#include "text/file_io.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

KlmWindowPlacement placement(int32_t showCmd, int32_t flags, int32_t left, int32_t top, int32_t right,
                             int32_t bottom)
{
    KlmWindowPlacement p;
    p.showCmd = showCmd;
    p.flags = flags;
    p.left = left;
    p.top = top;
    p.right = right;
    p.bottom = bottom;
    return p;
}

bool samePlacement(const KlmWindowPlacement& a, const KlmWindowPlacement& b)
{
    return a.length == b.length && a.flags == b.flags && a.showCmd == b.showCmd && a.minX == b.minX
           && a.minY == b.minY && a.maxX == b.maxX && a.maxY == b.maxY && a.left == b.left
           && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

}  // namespace

TEST(WindowFile, MinimizedIsStoredAsMaximizedOrRestore)
{
    // Minimized from maximized (flags exactly 2) reopens maximized.
    EXPECT_EQ(klmSavedShowState(2, 2), 3);
    EXPECT_EQ(klmSavedShowState(6, 2), 3);
    // Minimized from normal, or with other flag bits, reopens restored.
    EXPECT_EQ(klmSavedShowState(2, 0), 9);
    EXPECT_EQ(klmSavedShowState(6, 0), 9);
    EXPECT_EQ(klmSavedShowState(2, 3), 9);
    // Anything else is stored as it is.
    EXPECT_EQ(klmSavedShowState(1, 2), 1);
    EXPECT_EQ(klmSavedShowState(3, 0), 3);
    EXPECT_EQ(klmSavedShowState(9, 0), 9);
}

TEST(WindowFile, ImageLayoutAndRoundTrip)
{
    KlmWindowPlacement p = placement(2, 2, 30, 40, 1230, 740);
    p.minX = -32000;
    p.minY = -32000;
    const std::string image = klmWindowFileImage(p);
    EXPECT_EQ(image,
              "[BEGIN]\r\n44\r\n2\r\n3\r\n-32000\r\n-32000\r\n-1\r\n-1\r\n30\r\n40\r\n1230\r\n740\r\n[END]\r\n");

    KlmWindowPlacement r;
    ASSERT_EQ(klmParseWindowImage(image, r), KlmWindowFileStatus::Read);
    EXPECT_EQ(r.showCmd, 3);
    EXPECT_EQ(r.minX, -32000);
    EXPECT_EQ(r.bottom, 740);
    EXPECT_EQ(klmWindowFileImage(r), image);

    // LF line ends, and a file without its "[END]", read the same.
    KlmWindowPlacement lf;
    ASSERT_EQ(klmParseWindowImage("[BEGIN]\n44\n2\n3\n-32000\n-32000\n-1\n-1\n30\n40\n1230\n740", lf),
              KlmWindowFileStatus::Read);
    EXPECT_TRUE(samePlacement(lf, r));
}

TEST(WindowFile, ShortOrOverflowingFilesAreIncomplete)
{
    const KlmWindowPlacement before = placement(1, 0, 1, 2, 3, 4);
    KlmWindowPlacement p = before;
    EXPECT_EQ(klmParseWindowImage("", p), KlmWindowFileStatus::Incomplete);
    EXPECT_EQ(klmParseWindowImage("[BEGIN]\r\n44\r\n0\r\n1\r\n-1\r\n-1\r\n-1\r\n-1\r\n10\r\n10\r\n500\r\n",
                                  p),
              KlmWindowFileStatus::Incomplete);
    EXPECT_EQ(klmParseWindowImage(
                  "[BEGIN]\r\n44\r\n0\r\n1\r\n-1\r\n-1\r\n-1\r\n-1\r\n10\r\n10\r\n4294967296\r\n500\r\n", p),
              KlmWindowFileStatus::Incomplete);
    EXPECT_TRUE(samePlacement(p, before));  // nothing taken from a damaged file
}

TEST(WindowFile, FilesOnDisk)
{
    std::string tmpl = (fs::temp_directory_path() / "kolmar-window-XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    const std::string dir = tmpl;
    const std::string path = dir + "/window.dat";

    KlmWindowPlacement p;
    EXPECT_EQ(klmReadWindowFile(path, p), KlmWindowFileStatus::Missing);
    EXPECT_EQ(klmReadWindowFile(dir, p), KlmWindowFileStatus::Unreadable);

    const KlmWindowPlacement maximized = placement(3, 0, 100, 80, 900, 680);
    std::string error;
    ASSERT_TRUE(klmWriteWindowFile(path, maximized, &error)) << error;
    ASSERT_EQ(klmReadWindowFile(path, p), KlmWindowFileStatus::Read);
    EXPECT_TRUE(samePlacement(p, maximized));

    EXPECT_FALSE(klmWriteWindowFile(dir + "/missing/window.dat", maximized, &error));
    fs::remove_all(dir);
}

TEST(WindowFile, SanePlacement)
{
    const std::vector<KlmScreenRect> one = {{0, 0, 1920, 1040}};
    EXPECT_TRUE(klmIsSanePlacement(placement(1, 0, 30, 30, 1230, 730), one));
    EXPECT_TRUE(klmIsSanePlacement(placement(3, 2, 30, 30, 1230, 730), one));
    EXPECT_TRUE(klmIsSanePlacement(placement(9, 0, 30, 30, 1230, 730), one));
    EXPECT_TRUE(klmIsSanePlacement(placement(1, 0, 30, 30, 1230, 730), {}));

    // What the platform would refuse or what hides the window.
    KlmWindowPlacement shortRecord = placement(1, 0, 30, 30, 1230, 730);
    shortRecord.length = 40;
    EXPECT_FALSE(klmIsSanePlacement(shortRecord, one));
    EXPECT_FALSE(klmIsSanePlacement(placement(0, 0, 30, 30, 1230, 730), one));   // hidden
    EXPECT_FALSE(klmIsSanePlacement(placement(2, 0, 30, 30, 1230, 730), one));   // minimized
    EXPECT_FALSE(klmIsSanePlacement(placement(1, 8, 30, 30, 1230, 730), one));   // unknown flag
    EXPECT_FALSE(klmIsSanePlacement(placement(1, 0, 30, 30, 30, 730), one));     // no width
    EXPECT_FALSE(klmIsSanePlacement(placement(1, 0, 30, 730, 1230, 30), one));   // upside down
    EXPECT_FALSE(klmIsSanePlacement(placement(1, 0, INT32_MIN, 0, INT32_MAX, 700), one));

    // Off every screen: a monitor that has gone, or a title bar out of reach.
    EXPECT_FALSE(klmIsSanePlacement(placement(1, 0, 2000, 30, 3200, 730), one));
    EXPECT_FALSE(klmIsSanePlacement(placement(1, 0, -1200, 30, -10, 730), one));
    EXPECT_FALSE(klmIsSanePlacement(placement(1, 0, 1880, 30, 3080, 730), one));  // 40 px left
    EXPECT_FALSE(klmIsSanePlacement(placement(1, 0, 30, 1030, 1230, 1730), one));
    EXPECT_FALSE(klmIsSanePlacement(placement(1, 0, 30, -300, 1230, 400), one));
    EXPECT_TRUE(klmIsSanePlacement(placement(1, 0, -8, -8, 1928, 1048), one));

    // A second monitor to the left, at negative coordinates.
    const std::vector<KlmScreenRect> two = {{0, 0, 1920, 1040}, {-1280, 200, 0, 1224}};
    EXPECT_TRUE(klmIsSanePlacement(placement(1, 0, -1200, 230, -10, 930), two));
    EXPECT_FALSE(klmIsSanePlacement(placement(1, 0, -1200, 100, -10, 930), two));  // above it
}
