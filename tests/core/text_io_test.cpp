// Line reading the Windows way, the save-file line framing, and file writes
// that never destroy the old file.
#include "text/background_writes.h"
#include "text/file_io.h"
#include "text/file_stamp.h"
#include "text/line_reader.h"
#include "text/section_file.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Piece {
    std::string text;
    int line;
    bool midLine;
    bool operator==(const Piece&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Piece& p)
{
    return os << "{\"" << p.text << "\", " << p.line << ", " << p.midLine << "}";
}

std::vector<Piece> readAll(std::string_view data)
{
    KlmLineReader r = klmMakeLineReader(data);
    std::vector<Piece> out;
    std::string piece;
    while (klmNextLine(r, piece))
        out.push_back({piece, r.lineNumber, r.midLine});
    return out;
}

class TextFiles : public ::testing::Test {
protected:
    KlmTempDir tmp;
    fs::path dir = tmp.path;
    std::vector<std::string> entries() const
    {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST(LineReader, LineEnds)
{
    using V = std::vector<Piece>;
    EXPECT_EQ(readAll("a\r\nb\r\n"), (V{{"a\n", 1, false}, {"b\n", 2, false}}));
    EXPECT_EQ(readAll("a\nb\n"), (V{{"a\n", 1, false}, {"b\n", 2, false}}));
    // Mixed ends, an empty line, a lone CR kept as a byte, no final break.
    EXPECT_EQ(readAll("a\r\n\nb\rc\nd"),
              (V{{"a\n", 1, false}, {"\n", 2, false}, {"b\rc\n", 3, false}, {"d", 4, true}}));
    EXPECT_EQ(readAll("x\r"), (V{{"x\r", 1, true}}));
    EXPECT_TRUE(readAll("").empty());
    EXPECT_EQ(klmChompLine("a\n"), "a");
    EXPECT_EQ(klmChompLine("a\r"), "a\r");
    EXPECT_EQ(klmChompLine("a"), "a");
}

TEST(LineReader, LongLinesArriveInPieces)
{
    std::string line(600, 'x');
    auto pieces = readAll(line + "\r\nnext\r\n");
    ASSERT_EQ(pieces.size(), 4u);
    EXPECT_EQ(pieces[0], (Piece{std::string(259, 'x'), 1, true}));
    EXPECT_EQ(pieces[1], (Piece{std::string(259, 'x'), 1, true}));
    EXPECT_EQ(pieces[2], (Piece{std::string(82, 'x') + "\n", 1, false}));
    EXPECT_EQ(pieces[3], (Piece{"next\n", 2, false}));

    // CRLF counts as one character: 258 bytes and CRLF is still one piece,
    // 259 bytes leave the break for a piece of its own.
    EXPECT_EQ(readAll(std::string(258, 'y') + "\r\n").size(), 1u);
    auto split = readAll(std::string(259, 'y') + "\r\nz\n");
    ASSERT_EQ(split.size(), 3u);
    EXPECT_EQ(split[1], (Piece{"\n", 1, false}));
    EXPECT_EQ(split[2], (Piece{"z\n", 2, false}));
}

TEST(LineReader, EmbeddedNulCutsThePiece)
{
    std::string data("ab\0cd\nef\n", 9);
    auto pieces = readAll(data);
    ASSERT_EQ(pieces.size(), 2u);
    EXPECT_EQ(pieces[0].text, "ab");
    EXPECT_EQ(pieces[0].line, 1);
    EXPECT_EQ(pieces[1], (Piece{"ef\n", 2, false}));
}

TEST(SectionFile, RoundTripAndIntegers)
{
    KlmSectionWriter w;
    klmWriteLine(w, "[BEGIN]");
    klmWriteInt(w, -42);
    klmWriteLine(w, "\x83\x5C\x95\x5C");
    klmWriteLine(w, "");
    klmWriteLine(w, "two\r\nlines");  // must stay one line
    klmWriteLine(w, std::string(300, 'p'));
    klmWriteLine(w, "[END]");
    EXPECT_EQ(w.out.substr(0, 14), "[BEGIN]\r\n-42\r\n");

    KlmSectionReader r = klmMakeSectionReader(w.out);
    std::string line;
    long long v = 0;
    ASSERT_TRUE(klmReadLine(r, line));
    EXPECT_EQ(line, "[BEGIN]");
    ASSERT_TRUE(klmReadInt(r, v));
    EXPECT_EQ(v, -42);
    ASSERT_TRUE(klmReadLine(r, line));
    EXPECT_EQ(line, "\x83\x5C\x95\x5C");
    ASSERT_TRUE(klmReadLine(r, line));
    EXPECT_EQ(line, "");
    ASSERT_TRUE(klmReadLine(r, line));
    EXPECT_EQ(line, "two");
    ASSERT_TRUE(klmReadLine(r, line));
    EXPECT_EQ(line, std::string(kKlmMaxSectionLineLength, 'p'));
    ASSERT_TRUE(klmReadLine(r, line));
    EXPECT_EQ(line, "[END]");
    EXPECT_FALSE(klmReadLine(r, line));
    EXPECT_FALSE(klmReadInt(r, v));

    // LF-only files read the same; a last line without a break keeps its
    // last character.
    r = klmMakeSectionReader("[BEGIN]\n7\n[END]");
    EXPECT_EQ(r.lines, (std::vector<std::string>{"[BEGIN]", "7", "[END]"}));

    EXPECT_EQ(klmLeadingInt("  +12abc"), 12);
    EXPECT_EQ(klmLeadingInt("\t-7"), -7);
    EXPECT_EQ(klmLeadingInt("abc"), 0);
    EXPECT_EQ(klmLeadingInt("- 5"), 0);
    EXPECT_EQ(klmLeadingInt(""), 0);
    EXPECT_EQ(klmLeadingInt("99999999999999999999999"), LLONG_MAX);
    EXPECT_EQ(klmLeadingInt("-99999999999999999999999"), LLONG_MIN);
    EXPECT_EQ(klmLeadingInt("-9223372036854775808"), LLONG_MIN);
    EXPECT_EQ(klmLeadingInt32("3000000000"), INT32_MAX);
    EXPECT_EQ(klmLeadingInt32("-3000000000"), INT32_MIN);
}

TEST(SectionFile, WholeLinesAndIndexLines)
{
    // A long line stays one line; CRLF, LF and a CR left at the end all
    // end a line; a lone CR inside a line is text; a NUL ends the line even
    // past the old buffer's first piece.
    const std::string longLine(300, 'q');
    std::string data = "[BEGIN]\r\n" + longLine + "\r\na\rb\n\n" + std::string(270, 'n') + '\0' + "tail\r\n12\r";
    KlmSectionReader r = klmMakeWholeLineReader(data);
    EXPECT_EQ(r.lines, (std::vector<std::string>{"[BEGIN]", longLine, "a\rb", "", std::string(270, 'n'), "12"}));
    std::string line;
    ASSERT_TRUE(klmReadLine(r, line));
    ASSERT_TRUE(klmReadLine(r, line));
    EXPECT_EQ(r.next, 2u);  // the number of the line just read
    EXPECT_TRUE(klmMakeWholeLineReader("").lines.empty());

    // Only lines with digits name an index, and only below the size; the
    // list stops at "[END]".
    r = klmMakeWholeLineReader("[BEGIN]\n2\n\nx\n-0\n 1\n+3\n9\n2\n[END]\n0\n");
    ASSERT_TRUE(klmReadLine(r, line));
    EXPECT_EQ(klmReadIndexLines(r, 4), (std::vector<size_t>{2, 0, 1, 3, 2}));
    long long v = 5;
    EXPECT_FALSE(klmDigitLineValue("- 1", v));
    EXPECT_FALSE(klmDigitLineValue("", v));
    EXPECT_EQ(v, 5);
}

TEST_F(TextFiles, AtomicWriteReplacesAndReadsBack)
{
    std::string path = (dir / "setting.dat").string();
    EXPECT_FALSE(klmFileExists(path));
    std::string err;
    std::string got;
    EXPECT_FALSE(klmReadWholeFile(path, got, &err));
    EXPECT_NE(err.find("setting.dat"), std::string::npos);

    ASSERT_TRUE(klmWriteFileAtomic(path, "old\r\n", &err)) << err;
    ASSERT_TRUE(klmWriteFileAtomic(path, std::string("new\0\r\n", 6), &err)) << err;
    EXPECT_TRUE(klmFileExists(path));
    ASSERT_TRUE(klmReadWholeFile(path, got, &err));
    EXPECT_EQ(got, std::string("new\0\r\n", 6));
    EXPECT_EQ(entries(), std::vector<std::string>{"setting.dat"});

    EXPECT_FALSE(klmReadWholeFile(dir.string(), got, &err));
    EXPECT_FALSE(klmFileExists(dir.string()));
}

TEST_F(TextFiles, FailedWriteLeavesTheOldFile)
{
    std::string path = (dir / "favorite.dat").string();
    ASSERT_TRUE(klmWriteFileAtomic(path, "old contents\r\n"));

    // Fail half-way through the data: a file-size limit makes write() fail
    // after the temporary file has been created and partly written.
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        signal(SIGXFSZ, SIG_IGN);
        rlimit lim{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &lim);
        std::string err;
        bool ok = klmWriteFileAtomic(path, std::string(1 << 20, 'n'), &err);
        _exit(ok ? 1 : (err.find("cannot write") != std::string::npos ? 0 : 2));
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);

    // Fail at the rename: the target is a directory.
    fs::create_directory(dir / "sub.dat");
    std::string err;
    EXPECT_FALSE(klmWriteFileAtomic((dir / "sub.dat").string(), "x", &err));
    EXPECT_FALSE(err.empty());

    // Fail at the start: the parent is a file.
    EXPECT_FALSE(klmWriteFileAtomic(path + "/inner.dat", "x", &err));

    std::string got;
    ASSERT_TRUE(klmReadWholeFile(path, got));
    EXPECT_EQ(got, "old contents\r\n");
    EXPECT_EQ(entries(), (std::vector<std::string>{"favorite.dat", "sub.dat"}));
}

// The order that makes a replacement survive a crash: the new bytes reach
// the disk before the rename, and the rename before the writer returns.
// Each of the two calls failing leaves the old file and no temporary one.
TEST_F(TextFiles, ReplacementIsSyncedBeforeItsRenameAndTheFolderAfter)
{
    const std::string path = (dir / "romfolder.dat").string();
    ASSERT_TRUE(klmWriteFileAtomic(path, "old"));
    std::vector<std::string> calls;
    int failAt = -1;  // index of the call that fails
    KlmSyncHooks hooks;
    hooks.fsync = [&](int fd) {
        struct stat st {};
        ::fstat(fd, &st);
        calls.push_back(S_ISDIR(st.st_mode) ? "sync folder" : "sync file");
        if (static_cast<int>(calls.size()) - 1 == failAt) {
            errno = EIO;
            return -1;
        }
        return ::fsync(fd);
    };
    hooks.rename = [&](const char* from, const char* to) {
        calls.push_back("rename");
        if (static_cast<int>(calls.size()) - 1 == failAt) {
            errno = EXDEV;
            return -1;
        }
        return ::rename(from, to);
    };
    std::string err;
    ASSERT_TRUE(klmWriteFileAtomic(path, "new", &err, &hooks)) << err;
    EXPECT_EQ(calls, (std::vector<std::string>{"sync file", "rename", "sync folder"}));
    EXPECT_EQ(klmTestRead(path), "new");

    for (failAt = 0; failAt < 2; ++failAt) {
        calls.clear();
        EXPECT_FALSE(klmWriteFileAtomic(path, "lost", &err, &hooks)) << failAt;
        EXPECT_NE(err.find(failAt == 0 ? "cannot flush" : "cannot replace"), std::string::npos) << err;
        EXPECT_EQ(klmTestRead(path), "new");
        EXPECT_EQ(entries(), std::vector<std::string>{"romfolder.dat"});
    }
}

TEST_F(TextFiles, NewFileGetsTheUsualModeAndAReplacedOneKeepsItsOwn)
{
    auto modeOf = [](const fs::path& p) {
        struct stat st {};
        ::stat(p.c_str(), &st);
        return st.st_mode & 07777;
    };
    const mode_t saved = ::umask(022);
    const fs::path path = dir / "custom.dat";
    ASSERT_TRUE(klmWriteFileAtomic(path.string(), "1"));
    EXPECT_EQ(modeOf(path), 0644u);
    for (mode_t own : {0600u, 0640u, 0664u}) {
        ::chmod(path.c_str(), own);
        ASSERT_TRUE(klmWriteFileAtomic(path.string(), "2"));
        EXPECT_EQ(modeOf(path), own);
    }
    ::umask(077);
    ASSERT_TRUE(klmWriteFileAtomic((dir / "new.dat").string(), "3"));
    EXPECT_EQ(modeOf(dir / "new.dat"), 0600u);
    ::umask(saved);
}

// The two halves: nothing changes until the second; a cancelled write
// leaves no trace.
TEST_F(TextFiles, BegunWriteChangesNothingUntilItIsFinished)
{
    const std::string path = (dir / "dat.cache").string();
    ASSERT_TRUE(klmWriteFileAtomic(path, "old"));
    const std::string_view parts[] = {"ne", "", "w"};
    KlmAtomicWrite w;
    ASSERT_TRUE(klmBeginAtomicWrite(w, path, parts));
    EXPECT_EQ(klmTestRead(path), "old");
    EXPECT_EQ(entries().size(), 2u);
    KlmAtomicWrite moved = std::move(w);
    klmCancelAtomicWrite(w);  // the moved-from write holds nothing
    ASSERT_TRUE(klmFinishAtomicWrite(moved));
    EXPECT_EQ(klmTestRead(path), "new");
    EXPECT_FALSE(klmFinishAtomicWrite(moved));  // nothing left to finish

    ASSERT_TRUE(klmBeginAtomicWrite(w, path, parts));
    klmCancelAtomicWrite(w);
    EXPECT_EQ(klmTestRead(path), "new");
    EXPECT_EQ(entries(), std::vector<std::string>{"dat.cache"});
}

}  // namespace

// Snapshot writes put the bytes of the moment they start, whatever the
// caller changes right after; a file whose write fails keeps its old
// bytes, the writes after it are dropped, and no temporary file stays.
TEST(SnapshotWrites, BytesOfTheStartLandInOrderAndAFailureKeepsTheOldFiles)
{
    KlmTempDir dir;
    const std::string a = (dir.path / "a.cache").string();
    const std::string b = (dir.path / "b.cache").string();
    std::string first(3u << 20, 'x');  // more than a pipe holds, so the writer is still busy
    std::string second = "second";
    std::vector<KlmSnapshotWrite> writes(2);
    ASSERT_TRUE(klmBeginAtomicWrite(writes[0].file, a, {}));
    ASSERT_TRUE(klmBeginAtomicWrite(writes[1].file, b, {}));
    writes[0].parts = {std::string_view(first).substr(0, 1u << 20), std::string_view(first).substr(1u << 20)};
    writes[1].parts = {second};
    KlmBackgroundWrites bw;
    klmStartSnapshotWrites(bw, std::move(writes));
    const std::string expected = first;
    std::fill(first.begin(), first.end(), 'y');
    second = "changed";
    std::string error;
    ASSERT_TRUE(klmJoinBackgroundWrites(bw, &error)) << error;
    EXPECT_EQ(klmTestRead(a), expected);
    EXPECT_EQ(klmTestRead(b), "second");
    ASSERT_EQ(bw.stamps.size(), 2u);
    const std::string_view whole = expected;
    EXPECT_TRUE(klmFileStillHolds(a, bw.stamps[0], klmDigestParts(std::span<const std::string_view>(&whole, 1))));
    EXPECT_TRUE(bw.stamps[1].known);

    // The first file's write fails (its descriptor cannot be written).
    writes.resize(2);
    ASSERT_TRUE(klmBeginAtomicWrite(writes[0].file, a, {}));
    ASSERT_TRUE(klmBeginAtomicWrite(writes[1].file, b, {}));
    const std::string tmp = writes[0].file.tmp;
    ::close(writes[0].file.fd);
    writes[0].file.fd = ::open(tmp.c_str(), O_RDONLY | O_CLOEXEC);
    writes[0].parts = {std::string_view("new")};
    writes[1].parts = {std::string_view("new")};
    klmStartSnapshotWrites(bw, std::move(writes));
    EXPECT_FALSE(klmJoinBackgroundWrites(bw, &error));
    EXPECT_NE(error.find("a.cache"), std::string::npos) << error;
    EXPECT_EQ(klmTestRead(a), expected);
    EXPECT_EQ(klmTestRead(b), "second");
    EXPECT_FALSE(bw.stamps[0].known || bw.stamps[1].known);

    // The bytes are in, but the second file cannot be synced: the first
    // lands, the second keeps its old bytes.
    static const KlmSyncHooks failingSync{[](int) {
        errno = EIO;
        return -1;
    }, nullptr};
    writes.resize(2);
    ASSERT_TRUE(klmBeginAtomicWrite(writes[0].file, a, {}));
    ASSERT_TRUE(klmBeginAtomicWrite(writes[1].file, b, {}, nullptr, &failingSync));
    writes[0].parts = {std::string_view("landed")};
    writes[1].parts = {std::string_view("lost")};
    klmStartSnapshotWrites(bw, std::move(writes));
    EXPECT_FALSE(klmJoinBackgroundWrites(bw, &error));
    EXPECT_EQ(klmTestRead(a), "landed");
    EXPECT_EQ(klmTestRead(b), "second");
    EXPECT_TRUE(bw.stamps[0].known);
    EXPECT_FALSE(bw.stamps[1].known);
    size_t files = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.path)) files += e.is_regular_file();
    EXPECT_EQ(files, 2u);
}
