// The archiver against archives made by real tools (7-Zip, Info-ZIP zip,
// libzip, libarchive) at test time, with 7-Zip's own listing as the oracle
// for the first member and its CRC; hostile, corrupt and hand-made archives.
#include "audit/archiver.h"
#include "audit/crc.h"

#include "test_util.h"

#include <gtest/gtest.h>

#include <archive.h>
#include <archive_entry.h>
#include <zip.h>

#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Contents that compress somewhat but are not trivial.
std::string romBytes(size_t size, uint32_t seed)
{
    std::string out(size, '\0');
    uint32_t x = seed * 2654435761u + 1;
    for (size_t i = 0; i < size; ++i) {
        if (i % 512 < 256) {
            x = x * 1664525u + 1013904223u;
            out[i] = char(x >> 24);
        } else {
            out[i] = char(i & 0x3F);
        }
    }
    return out;
}

std::string crcText(const std::string& bytes)
{
    return klmFormatCrcText(klmCrc32(bytes.data(), bytes.size()));
}

int run(const std::string& command)
{
    return std::system(("LC_ALL=C.UTF-8 " + command + " >/dev/null 2>&1").c_str());
}

std::string capture(const std::string& command)
{
    std::string out;
    if (FILE* p = popen(("LC_ALL=C.UTF-8 " + command + " 2>/dev/null").c_str(), "r")) {
        char buf[4096];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, p)) > 0)
            out.append(buf, n);
        pclose(p);
    }
    return out;
}

struct Listed {
    std::string path;
    bool folder = false;
    uint64_t size = 0;
    std::string crc;
};

// 7-Zip's technical listing, in archive order.
std::vector<Listed> list7zz(const std::string& archive)
{
    const std::string text = capture("7zz l -slt -sccUTF-8 '" + archive + "'");
    std::vector<Listed> entries;
    const size_t start = text.find("\n----------\n");
    if (start == std::string::npos)
        return entries;
    size_t pos = start + 12;
    while (pos < text.size()) {
        size_t eol = text.find('\n', pos);
        if (eol == std::string::npos)
            eol = text.size();
        const std::string line = text.substr(pos, eol - pos);
        pos = eol + 1;
        if (line.rfind("Path = ", 0) == 0) {
            entries.emplace_back();
            entries.back().path = line.substr(7);
        } else if (entries.empty()) {
            continue;
        } else if (line.rfind("Folder = ", 0) == 0) {
            entries.back().folder = line.substr(9) == "+";
        } else if (line.rfind("Size = ", 0) == 0) {
            entries.back().size = std::stoull("0" + line.substr(7));
        } else if (line.rfind("CRC = ", 0) == 0) {
            entries.back().crc = line.substr(6);
        }
    }
    return entries;
}

// First entry 7-Zip lists that is a file with contents.
Listed firstListedFile(const std::string& archive)
{
    for (const Listed& e : list7zz(archive))
        if (!e.folder && e.size > 0)
            return e;
    return {};
}

struct ZipMember {
    std::string name;
    std::string data;
    zip_flags_t nameFlags = ZIP_FL_ENC_CP437;  // raw bytes, no UTF-8 flag
    bool symlink = false;
};

// A zip written with libzip, which stores any name it is given.
void makeZip(const std::string& path, const std::vector<ZipMember>& members)
{
    int error = 0;
    zip_t* za = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(za, nullptr);
    for (const ZipMember& m : members) {
        zip_source_t* src = zip_source_buffer(za, m.data.data(), m.data.size(), 0);
        ASSERT_NE(src, nullptr);
        const zip_int64_t index = zip_file_add(za, m.name.c_str(), src, m.nameFlags | ZIP_FL_OVERWRITE);
        ASSERT_GE(index, 0) << zip_strerror(za);
        if (m.symlink)
            zip_file_set_external_attributes(za, zip_uint64_t(index), 0, ZIP_OPSYS_UNIX,
                                             zip_uint32_t(S_IFLNK | 0777) << 16);
    }
    ASSERT_EQ(zip_close(za), 0);
}

// A 7z written with libarchive, which also stores any name it is given.
void make7zWithLibarchive(const std::string& path, const std::vector<std::pair<std::string, std::string>>& members)
{
    struct archive* a = archive_write_new();
    archive_write_set_format_7zip(a);
    ASSERT_EQ(archive_write_open_filename(a, path.c_str()), ARCHIVE_OK);
    for (const auto& [name, data] : members) {
        struct archive_entry* e = archive_entry_new();
        archive_entry_copy_pathname(e, name.c_str());
        archive_entry_set_filetype(e, AE_IFREG);
        archive_entry_set_perm(e, 0644);
        archive_entry_set_size(e, la_int64_t(data.size()));
        ASSERT_EQ(archive_write_header(a, e), ARCHIVE_OK);
        ASSERT_EQ(archive_write_data(a, data.data(), data.size()), la_ssize_t(data.size()));
        archive_entry_free(e);
    }
    ASSERT_EQ(archive_write_close(a), ARCHIVE_OK);
    archive_write_free(a);
}

std::vector<std::string> filesUnder(const fs::path& root)
{
    std::vector<std::string> out;
    std::error_code ec;
    if (!fs::exists(root, ec))
        return out;
    for (auto it = fs::recursive_directory_iterator(root, ec); it != fs::recursive_directory_iterator(); ++it)
        if (!it->is_directory())
            out.push_back(it->path().string());
    std::sort(out.begin(), out.end());
    return out;
}

// The ROM set most tests pack: an empty file and a folder come first in
// name order, so the first member with contents is not the first entry.
struct RomSet {
    std::string game = romBytes(70000, 1);
    std::string second = romBytes(5000, 2);
    std::string japanese = romBytes(3000, 3);
    std::string japaneseName = "日本語ロム.bin";

    void writeTo(const KlmTempDir& dir) const
    {
        klmTestWrite(dir.file("src/aaa_empty.txt"), "");
        klmTestWrite(dir.file("src/dir1/game.bin"), game);
        klmTestWrite(dir.file("src/zz_second.bin"), second);
        klmTestWrite(dir.file("src/" + japaneseName), japanese);
    }
    std::string args() const { return "aaa_empty.txt dir1 zz_second.bin '" + japaneseName + "'"; }
};

void expectFirstMemberAsListed(const std::string& archive)
{
    const Listed expected = firstListedFile(archive);
    ASSERT_FALSE(expected.path.empty()) << "7-Zip cannot list " << archive;
    const KlmArchiveMember m = klmReadFirstMember(archive);
    ASSERT_TRUE(m.ok) << m.error;
    EXPECT_EQ(m.nativeName, expected.path);
    EXPECT_EQ(m.name, klmFromUtf8(expected.path));
    EXPECT_TRUE(m.nameExact);
    EXPECT_EQ(klmFormatCrcText(m.crc), expected.crc);
    const KlmArchiveCrc text = klmArchiveCrcText(archive);
    EXPECT_EQ(text.crc, expected.crc);
    EXPECT_EQ(text.memberBase, klmMemberBaseName(klmFromUtf8(expected.path)));
}

TEST(AuditArchiver, SevenZipFromEveryMethodAndLayout)
{
    KlmTempDir dir;
    RomSet set;
    set.writeTo(dir);
    int made = 0;
    for (const char* method : {"LZMA", "LZMA2", "PPMd", "BZip2", "Deflate", "Copy"}) {
        for (const char* solid : {"on", "off"}) {
            for (const char* headerCompression : {"on", "off"}) {
                const std::string name = std::string(method) + "-s" + solid + "-h" + headerCompression + ".7z";
                SCOPED_TRACE(name);
                const std::string archive = dir.file(name);
                ASSERT_EQ(run("cd '" + dir.file("src") + "' && 7zz a -t7z -m0=" + method + " -ms=" + solid + " -mhc="
                              + headerCompression + " '" + archive + "' " + set.args()),
                          0);
                expectFirstMemberAsListed(archive);
                ++made;
            }
        }
    }
    EXPECT_EQ(made, 24);

    // One member, the common case, and the upper-case extension.
    const std::string single = dir.file("single.7Z");
    ASSERT_EQ(run("cd '" + dir.file("src") + "/dir1' && 7zz a -t7z -mx=9 '" + single + "' game.bin"), 0);
    const KlmArchiveCrc text = klmRomCrcText(single);
    EXPECT_EQ(text.crc, crcText(set.game));
    EXPECT_EQ(text.memberBase, "game");

    // A Japanese first member: UTF-16 in the header, CP932 for the catalogue.
    const std::string japanese = dir.file("japanese.7z");
    ASSERT_EQ(run("cd '" + dir.file("src") + "' && 7zz a -t7z '" + japanese + "' '" + set.japaneseName + "'"), 0);
    EXPECT_EQ(klmArchiveCrcText(japanese).memberBase, sj("日本語ロム"));
    expectFirstMemberAsListed(japanese);
}

TEST(AuditArchiver, ZipFromInfoZipAnd7Zip)
{
    KlmTempDir dir;
    RomSet set;
    set.writeTo(dir);
    const std::string src = "cd '" + dir.file("src") + "' && ";
    ASSERT_EQ(run(src + "zip -q -r -0 '" + dir.file("stored.zip") + "' " + set.args()), 0);
    ASSERT_EQ(run(src + "zip -q -r -9 '" + dir.file("deflate.ZIP") + "' " + set.args()), 0);
    ASSERT_EQ(run(src + "7zz a -tzip '" + dir.file("by7zip.zip") + "' " + set.args()), 0);
    for (const char* name : {"stored.zip", "deflate.ZIP", "by7zip.zip"}) {
        SCOPED_TRACE(name);
        expectFirstMemberAsListed(dir.file(name));
    }
    // Info-ZIP keeps the order it was given: the folder entry and the empty
    // file are passed over.
    const KlmArchiveMember m = klmReadFirstMember(dir.file("stored.zip"));
    EXPECT_EQ(m.nativeName, "dir1/game.bin");
    EXPECT_EQ(klmArchiveCrcText(dir.file("stored.zip")).memberBase, "game");

    // Info-ZIP on Linux stores UTF-8 names without the UTF-8 flag.
    ASSERT_EQ(run(src + "zip -q '" + dir.file("linux.zip") + "' '" + set.japaneseName + "'"), 0);
    expectFirstMemberAsListed(dir.file("linux.zip"));
    const KlmExtractResult x = klmExtractArchive(dir.file("linux.zip"), dir.file("out-linux"));
    ASSERT_TRUE(x.ok) << x.error;
    EXPECT_EQ(klmTestRead(dir.file("out-linux/" + set.japaneseName)), set.japanese);

    // A FIFO named like an archive is refused without waiting for a writer.
    ASSERT_EQ(mkfifo(dir.file("fifo.zip").c_str(), 0600), 0);
    ASSERT_EQ(mkfifo(dir.file("fifo.7z").c_str(), 0600), 0);
    EXPECT_FALSE(klmReadFirstMember(dir.file("fifo.zip")).ok);
    EXPECT_FALSE(klmReadFirstMember(dir.file("fifo.7z")).ok);
    EXPECT_FALSE(klmExtractArchive(dir.file("fifo.zip"), dir.file("out-fifo")).ok);

    // Only the exact extensions are archives: a.Zip is CRC'd as a file.
    fs::copy_file(dir.file("stored.zip"), dir.file("a.Zip"));
    const KlmArchiveCrc plain = klmRomCrcText(dir.file("a.Zip"));
    EXPECT_EQ(plain.crc, crcText(klmTestRead(dir.file("a.Zip"))));
    EXPECT_EQ(plain.memberBase, "");
}

TEST(AuditArchiver, ZipMemberNamesInCp932AndUtf8)
{
    KlmTempDir dir;
    const std::string rom = romBytes(1000, 7);
    const std::string cp932Name = sj("ソフト\\表示.bin");  // both 5C bytes: one separator, one not
    makeZip(dir.file("cp932.zip"), {{cp932Name, rom}});
    KlmArchiveMember m = klmReadFirstMember(dir.file("cp932.zip"));
    ASSERT_TRUE(m.ok) << m.error;
    EXPECT_EQ(m.name, cp932Name);
    EXPECT_EQ(m.nativeName, "ソフト/表示.bin");
    EXPECT_EQ(klmArchiveCrcText(dir.file("cp932.zip")).memberBase, sj("表示"));
    EXPECT_EQ(klmFormatCrcText(m.crc), crcText(rom));

    makeZip(dir.file("utf8.zip"), {{"ゲーム/ロム.bin", rom, ZIP_FL_ENC_UTF_8}});
    m = klmReadFirstMember(dir.file("utf8.zip"));
    ASSERT_TRUE(m.ok) << m.error;
    EXPECT_EQ(m.name, sj("ゲーム/ロム.bin"));
    EXPECT_EQ(m.nativeName, "ゲーム/ロム.bin");

    // A name CP932 cannot hold still gives the CRC, and says so.
    makeZip(dir.file("hangul.zip"), {{"한국.bin", rom, ZIP_FL_ENC_UTF_8}});
    m = klmReadFirstMember(dir.file("hangul.zip"));
    ASSERT_TRUE(m.ok) << m.error;
    EXPECT_FALSE(m.nameExact);
    EXPECT_EQ(klmFormatCrcText(m.crc), crcText(rom));

    // Extraction writes each member where the reader said it would be.
    for (const char* name : {"cp932.zip", "utf8.zip"}) {
        SCOPED_TRACE(name);
        const KlmArchiveMember first = klmReadFirstMember(dir.file(name));
        const KlmExtractResult x = klmExtractArchive(dir.file(name), dir.file(std::string("out-") + name));
        ASSERT_TRUE(x.ok) << x.error;
        ASSERT_EQ(x.files.size(), 1u);
        EXPECT_EQ(x.files[0], fs::canonical(dir.file(std::string("out-") + name)).string() + "/" + first.nativeName);
        EXPECT_EQ(klmTestRead(x.files[0]), rom);
    }
}

TEST(AuditArchiver, ExtractsEveryFileOverwriting)
{
    KlmTempDir dir;
    RomSet set;
    set.writeTo(dir);
    const std::string src = "cd '" + dir.file("src") + "' && ";
    ASSERT_EQ(run(src + "7zz a -t7z -ms=on '" + dir.file("set.7z") + "' " + set.args()), 0);
    ASSERT_EQ(run(src + "zip -q -r -9 '" + dir.file("set.zip") + "' " + set.args()), 0);
    for (const char* name : {"set.7z", "set.zip"}) {
        SCOPED_TRACE(name);
        const std::string out = dir.file(std::string("out/") + name);
        klmTestWrite(out + "/zz_second.bin", "older contents");
        const KlmExtractResult x = klmExtractArchive(dir.file(name), out);
        ASSERT_TRUE(x.ok) << x.error;
        std::vector<std::string> listed = x.files;
        std::sort(listed.begin(), listed.end());
        const std::string base = fs::canonical(out).string();
        const std::vector<std::string> expected = {base + "/aaa_empty.txt", base + "/dir1/game.bin",
                                                   base + "/zz_second.bin", base + "/" + set.japaneseName};
        std::vector<std::string> sortedExpected = expected;
        std::sort(sortedExpected.begin(), sortedExpected.end());
        EXPECT_EQ(listed, sortedExpected);
        EXPECT_EQ(filesUnder(out), sortedExpected);
        EXPECT_EQ(klmTestRead(base + "/dir1/game.bin"), set.game);
        EXPECT_EQ(klmTestRead(base + "/zz_second.bin"), set.second);
        EXPECT_EQ(klmTestRead(base + "/" + set.japaneseName), set.japanese);
        EXPECT_EQ(klmTestRead(base + "/aaa_empty.txt"), "");
    }
    const KlmExtractResult notArchive = klmExtractArchive(dir.file("set.Zip"), dir.file("out3"));
    EXPECT_FALSE(notArchive.ok);
}

TEST(AuditArchiver, HostileNamesAreRefusedWhole)
{
    KlmTempDir dir;
    const std::string outside = dir.file("outside");
    fs::create_directories(outside);
    const std::string good = romBytes(100, 4);
    const std::vector<std::string> hostile = {
        "../evil.bin",     "ok/../../evil.bin", outside + "/abs.bin", "..\\evil.bin",
        "C:\\evil.bin",    "\\evil.bin",        "dir/..",
    };
    int n = 0;
    for (const std::string& name : hostile) {
        SCOPED_TRACE(name);
        const std::string zipPath = dir.file("h" + std::to_string(n) + ".zip");
        const std::string szPath = dir.file("h" + std::to_string(n) + ".7z");
        const std::string out = dir.file("work/out" + std::to_string(n++));
        makeZip(zipPath, {{"good.bin", good}, {name, "pwned"}});
        make7zWithLibarchive(szPath, {{"good.bin", good}, {name, "pwned"}});
        for (const std::string& archive : {zipPath, szPath}) {
            EXPECT_FALSE(klmReadFirstMember(archive).ok);
            testing::internal::CaptureStderr();
            EXPECT_EQ(klmArchiveCrcText(archive).crc, "");
            EXPECT_NE(testing::internal::GetCapturedStderr().find("unsafe member name"), std::string::npos);
            const KlmExtractResult x = klmExtractArchive(archive, out);
            EXPECT_FALSE(x.ok);
            EXPECT_TRUE(x.files.empty());
            EXPECT_TRUE(filesUnder(out).empty());
        }
    }
    EXPECT_TRUE(filesUnder(outside).empty());
    EXPECT_TRUE(filesUnder(dir.file("work")).empty());
    EXPECT_FALSE(fs::exists(dir.file("evil.bin")));
    // Names that only look odd are fine.
    EXPECT_FALSE(klmIsUnsafeMemberName("a..b/..c/d..", false));
    EXPECT_FALSE(klmIsUnsafeMemberName(sj("ソ.."), true));  // 5C of ソ is no separator
    EXPECT_TRUE(klmIsUnsafeMemberName(sj("ソ.."), false));
    EXPECT_TRUE(klmIsUnsafeMemberName(sj("ソ\\.."), true));
}

TEST(AuditArchiver, LinksNeverLeadOut)
{
    KlmTempDir dir;
    const std::string outside = dir.file("outside");
    fs::create_directories(outside);
    const std::string rom = romBytes(2000, 5);

    // A link member is neither the first member nor extracted; a file
    // "through" it lands in a real folder inside the target.
    makeZip(dir.file("link.zip"), {{"link", outside, ZIP_FL_ENC_CP437, true}, {"link/pwned.bin", rom}});
    const KlmArchiveMember m = klmReadFirstMember(dir.file("link.zip"));
    ASSERT_TRUE(m.ok) << m.error;
    EXPECT_EQ(m.nativeName, "link/pwned.bin");
    const std::string out = dir.file("out");
    KlmExtractResult x = klmExtractArchive(dir.file("link.zip"), out);
    ASSERT_TRUE(x.ok) << x.error;
    EXPECT_FALSE(fs::is_symlink(out + "/link"));
    EXPECT_EQ(klmTestRead(out + "/link/pwned.bin"), rom);
    EXPECT_TRUE(filesUnder(outside).empty());

    // Info-ZIP's -y stores a real link entry.
    fs::create_directories(dir.file("y"));
    fs::create_symlink(outside, dir.file("y/a_link"));
    klmTestWrite(dir.file("y/b.bin"), rom);
    ASSERT_EQ(run("cd '" + dir.file("y") + "' && zip -q -y '" + dir.file("y.zip") + "' a_link b.bin"), 0);
    EXPECT_EQ(klmReadFirstMember(dir.file("y.zip")).nativeName, "b.bin");
    x = klmExtractArchive(dir.file("y.zip"), dir.file("out-y"));
    ASSERT_TRUE(x.ok) << x.error;
    EXPECT_FALSE(fs::exists(fs::symlink_status(dir.file("out-y/a_link"))));

    // Links already in the target folder are not followed.
    const std::string out2 = dir.file("out2");
    fs::create_directories(out2);
    fs::create_symlink(outside, out2 + "/pre");
    klmTestWrite(outside + "/victim.bin", "victim");
    fs::create_symlink(outside + "/victim.bin", out2 + "/f.bin");
    makeZip(dir.file("through.zip"), {{"pre/x.bin", rom}});
    x = klmExtractArchive(dir.file("through.zip"), out2);
    EXPECT_FALSE(x.ok);
    EXPECT_FALSE(fs::exists(outside + "/x.bin"));
    makeZip(dir.file("over.zip"), {{"f.bin", rom}});
    x = klmExtractArchive(dir.file("over.zip"), out2);
    EXPECT_EQ(klmTestRead(outside + "/victim.bin"), "victim");
    if (x.ok) {  // replacing the link itself is fine, following it is not
        EXPECT_EQ(klmTestRead(out2 + "/f.bin"), rom);
    }
}

TEST(AuditArchiver, MemberNamedLikeItsArchiveDoesNotReplaceIt)
{
    KlmTempDir dir;
    makeZip(dir.file("self.zip"), {{"self.zip", "not an archive"}});
    const std::string before = klmTestRead(dir.file("self.zip"));
    const KlmExtractResult x = klmExtractArchive(dir.file("self.zip"), dir.path.string());
    EXPECT_FALSE(x.ok);
    EXPECT_EQ(klmTestRead(dir.file("self.zip")), before);
}

TEST(AuditArchiver, TruncatedAndDamagedArchives)
{
    KlmTempDir dir;
    RomSet set;
    set.writeTo(dir);
    const std::string src = "cd '" + dir.file("src") + "' && ";
    ASSERT_EQ(run(src + "7zz a -t7z -m0=LZMA2 '" + dir.file("a.7z") + "' " + set.args()), 0);
    ASSERT_EQ(run(src + "7zz a -t7z -mhc=off '" + dir.file("plain.7z") + "' " + set.args()), 0);
    ASSERT_EQ(run(src + "zip -q -r '" + dir.file("a.zip") + "' " + set.args()), 0);

    for (const char* name : {"a.7z", "plain.7z", "a.zip"}) {
        SCOPED_TRACE(name);
        const std::string bytes = klmTestRead(dir.file(name));
        const bool sevenZip = klmArchiveKindOf(name) == KlmArchiveKind::SevenZip;
        auto read = [&](const std::string& image) {
            return sevenZip ? klmReadFirstMember7zBuffer(image.data(), image.size())
                            : klmReadFirstMemberZipBuffer(image.data(), image.size());
        };
        ASSERT_TRUE(read(bytes).ok);
        // The directory sits at the end of both formats: every cut loses it.
        for (size_t len = 0; len < bytes.size(); len += (len < 64 || bytes.size() - len < 600) ? 1 : 97)
            EXPECT_FALSE(read(bytes.substr(0, len)).ok) << "length " << len;
        // Any damaged byte of a 7z start or end header is caught by its CRC;
        // elsewhere the reader must merely survive.
        size_t headerStart = bytes.size();
        if (sevenZip) {
            uint64_t nextSize = 0;
            std::memcpy(&nextSize, bytes.data() + 20, 8);
            headerStart = bytes.size() - size_t(nextSize);
        }
        for (size_t i = 0; i < bytes.size(); ++i) {
            std::string damaged = bytes;
            damaged[i] = char(damaged[i] ^ 0x5A);
            const KlmArchiveMember m = read(damaged);
            if (sevenZip && i != 7 && (i < 32 || i >= headerStart)) {  // byte 7: minor version
                EXPECT_FALSE(m.ok) << "byte " << i;
            }
        }
    }

    // Truncated files on disk: empty CRC text, nothing extracted.
    const std::string bytes = klmTestRead(dir.file("a.7z"));
    klmTestWrite(dir.file("cut.7z"), bytes.substr(0, bytes.size() / 2));
    testing::internal::CaptureStderr();
    EXPECT_EQ(klmArchiveCrcText(dir.file("cut.7z")).crc, "");
    EXPECT_FALSE(testing::internal::GetCapturedStderr().empty());
    KlmExtractResult x = klmExtractArchive(dir.file("cut.7z"), dir.file("out-cut"));
    EXPECT_FALSE(x.ok);
    EXPECT_TRUE(filesUnder(dir.file("out-cut")).empty());

    // Damaged member data with an intact directory: the stored CRC is still
    // read, but extraction fails and leaves nothing behind.
    std::string zip = klmTestRead(dir.file("a.zip"));
    const size_t at = zip.find("dir1/game.bin") + 13 + 40000 / 4;
    zip[at] = char(zip[at] ^ 0xFF);
    klmTestWrite(dir.file("bad.zip"), zip);
    EXPECT_EQ(klmArchiveCrcText(dir.file("bad.zip")).crc, crcText(set.game));
    x = klmExtractArchive(dir.file("bad.zip"), dir.file("out-bad"));
    EXPECT_FALSE(x.ok);
    EXPECT_TRUE(x.files.empty());
    EXPECT_TRUE(filesUnder(dir.file("out-bad")).empty());

    testing::internal::CaptureStderr();
    EXPECT_EQ(klmArchiveCrcText(dir.file("missing.zip")).crc, "");
    EXPECT_EQ(klmArchiveCrcText(dir.file("src/dir1/game.bin") + ".7z").crc, "");
    testing::internal::GetCapturedStderr();
}

// Hand-built 7z images for what no tool writes.
std::string le(uint64_t v, int n)
{
    std::string out;
    for (int i = 0; i < n; ++i)
        out += char(v >> (8 * i));
    return out;
}

std::string wrap7z(const std::string& body, const std::string& header)
{
    std::string start = "7z\xBC\xAF\x27\x1C";
    start += std::string("\x00\x04", 2);
    std::string tail = le(body.size(), 8) + le(header.size(), 8) + le(klmCrc32(header.data(), header.size()), 4);
    start += le(klmCrc32(tail.data(), tail.size()), 4) + tail;
    return start + body + header;
}

std::string utf16Name(const std::string& ascii)
{
    std::string out;
    for (char c : ascii)
        out += std::string(1, c) + std::string(1, '\0');
    return out + std::string(2, '\0');
}

// Header of one stored file "a.bin" holding "abc", the CRC given by its folder.
std::string plainHeader(const std::string& numFiles = "\x01")
{
    const std::string names = std::string(1, '\0') + utf16Name("a.bin");
    return std::string("\x01\x04", 2)                                                // header, main streams
        + std::string("\x06\x00\x01\x09\x03\x00", 6)                                 // pack info
        + std::string("\x07\x0B\x01\x00\x01\x01\x00\x0C\x03\x0A\x01", 11)           // one stored folder
        + le(klmCrc32("abc", 3), 4) + std::string("\x00\x00", 2)                     // its CRC; ends
        + "\x05" + numFiles + "\x11" + char(names.size()) + names + std::string("\x00\x00", 2);
}

TEST(AuditArchiver, HandMadeSevenZipHeaders)
{
    auto read = [](const std::string& image) { return klmReadFirstMember7zBuffer(image.data(), image.size()); };

    KlmArchiveMember m = read(wrap7z("abc", plainHeader()));
    ASSERT_TRUE(m.ok) << m.error;
    EXPECT_EQ(m.crc, klmCrc32("abc", 3));
    EXPECT_EQ(m.name, "a.bin");

    // The same header stored in an encoded-header stream.
    const std::string header = plainHeader();
    const std::string encoded = std::string("\x17\x06", 2) + le(3, 1) + "\x01\x09" + char(header.size())
        + std::string("\x00\x07\x0B\x01\x00\x01\x01\x00\x0C", 9) + char(header.size()) + "\x0A\x01"
        + le(klmCrc32(header.data(), header.size()), 4) + std::string("\x00\x00", 2);
    m = read(wrap7z("abc" + header, encoded));
    ASSERT_TRUE(m.ok) << m.error;
    EXPECT_EQ(m.name, "a.bin");

    // An encoded header whose unpacked bytes do not match their CRC.
    std::string badHeader = header;
    badHeader[badHeader.size() - 5] = 'X';
    EXPECT_FALSE(read(wrap7z("abc" + badHeader, encoded)).ok);

    // No file at all.
    EXPECT_FALSE(read(wrap7z("", "")).ok);

    // Counts far beyond the bytes that could hold them end at once.
    const std::string huge = std::string("\xFF", 1) + le(uint64_t(1) << 62, 8);
    EXPECT_FALSE(read(wrap7z("abc", std::string("\x01\x04\x07\x0B", 4) + huge + std::string(8, '\0'))).ok);
    EXPECT_FALSE(read(wrap7z("abc", plainHeader(huge))).ok);  // one name for 2^62 files
    EXPECT_FALSE(read(wrap7z("abc", std::string("\x01\x05", 2) + huge + "\x0E\x01\xFF" + std::string(2, '\0'))).ok);

    // LZMA properties asking for a 4 GiB dictionary over garbage.
    const std::string lzma = std::string("\x17\x06\x00\x01\x09\x10\x00\x07\x0B\x01\x00\x01\x23\x03\x01\x01\x05", 17)
        + std::string("\x5D\xFF\xFF\xFF\xFF", 5) + std::string("\x0C\x7F\x00\x00", 4);
    EXPECT_FALSE(read(wrap7z(std::string(16, '\x42'), lzma)).ok);
}

TEST(AuditArchiver, CreatesZipAnd7zAtEveryLevel)
{
    KlmTempDir dir;
    const std::string rom = romBytes(200000, 9);
    klmTestWrite(dir.file("game.bin"), rom);
    std::string error;
    uintmax_t storedZip = 0;
    uintmax_t bestZip = 0;
    for (int level = 0; level <= 9; ++level) {
        SCOPED_TRACE(level);
        const std::string zipPath = dir.file("l" + std::to_string(level) + ".zip");
        const std::string szPath = dir.file("l" + std::to_string(level) + ".7z");
        ASSERT_TRUE(klmCreateZip(zipPath, dir.file("game.bin"), "ゲーム.bin", level, &error)) << error;
        ASSERT_TRUE(klmCreate7z(szPath, dir.file("game.bin"), "ゲーム.bin", level, &error)) << error;
        for (const std::string& archive : {zipPath, szPath}) {
            EXPECT_EQ(run("7zz t '" + archive + "'"), 0);
            const KlmArchiveMember m = klmReadFirstMember(archive);
            ASSERT_TRUE(m.ok) << m.error;
            EXPECT_EQ(m.nativeName, "ゲーム.bin");
            EXPECT_EQ(m.name, sj("ゲーム.bin"));
            EXPECT_EQ(m.crc, klmCrc32(rom.data(), rom.size()));
            EXPECT_EQ(firstListedFile(archive).path, "ゲーム.bin");
        }
        EXPECT_EQ(capture("7zz l -slt '" + szPath + "'").find("Solid = +"), std::string::npos);
        if (level == 0)
            storedZip = fs::file_size(zipPath);
        if (level == 9)
            bestZip = fs::file_size(zipPath);
    }
    EXPECT_GE(storedZip, rom.size());
    EXPECT_LT(bestZip, storedZip);
    EXPECT_EQ(run("unzip -tq '" + dir.file("l5.zip") + "'"), 0);

    // The new archive replaces an old one; failures leave nothing behind.
    klmTestWrite(dir.file("other.bin"), "other");
    ASSERT_TRUE(klmCreateZip(dir.file("l5.zip"), dir.file("other.bin"), "other.bin", 5, &error)) << error;
    EXPECT_EQ(klmReadFirstMember(dir.file("l5.zip")).nativeName, "other.bin");
    EXPECT_FALSE(klmCreateZip(dir.file("bad.zip"), dir.file("missing.bin"), "x.bin", 5, &error));
    EXPECT_FALSE(klmCreate7z(dir.file("bad.7z"), dir.file("game.bin"), "x.bin", 10, &error));
    EXPECT_FALSE(klmCreateZip(dir.file("bad.zip"), dir.file("game.bin"), "../x.bin", 5, &error));
    EXPECT_FALSE(klmCreateZip(dir.file("no/such/dir/a.zip"), dir.file("game.bin"), "x.bin", 5, &error));
    for (const auto& e : fs::directory_iterator(dir.path)) {
        const std::string name = e.path().filename().string();
        EXPECT_TRUE(name.rfind("bad.", 0) != 0 && name.find(".tmp") == std::string::npos) << name;
    }

    // Extraction gives back the very bytes.
    const KlmExtractResult x = klmExtractArchive(dir.file("l9.7z"), dir.file("back"));
    ASSERT_TRUE(x.ok) << x.error;
    ASSERT_EQ(x.files.size(), 1u);
    EXPECT_EQ(klmTestRead(x.files[0]), rom);
}

TEST(AuditArchiver, SelfTest)
{
    std::string error;
    EXPECT_TRUE(klmRunArchiverSelfTest(&error)) << error;
}

TEST(AuditArchiver, Deflate64IsReadButNotExtracted)
{
    // libarchive has no Deflate64 decoder; the stored CRC is still known.
    KlmTempDir dir;
    const std::string rom = romBytes(50000, 11);
    klmTestWrite(dir.file("game.bin"), rom);
    ASSERT_EQ(run("cd '" + dir.path.string() + "' && 7zz a -tzip -mm=Deflate64 d64.zip game.bin"), 0);
    EXPECT_EQ(klmArchiveCrcText(dir.file("d64.zip")).crc, crcText(rom));
    const KlmExtractResult x = klmExtractArchive(dir.file("d64.zip"), dir.file("out"));
    if (!x.ok) {
        EXPECT_TRUE(filesUnder(dir.file("out")).empty());
    } else {
        EXPECT_EQ(klmTestRead(dir.file("out/game.bin")), rom);
    }
}

TEST(AuditArchiver, SeveralMembersKeepTheirOrderAndStayNonSolid)
{
    // Creation from files, an empty file and a folder entry, in an order
    // that is not the name order, Japanese names in a subfolder; 7-Zip,
    // libarchive and our own readers must all see the same archive.
    KlmTempDir dir;
    const std::string rom = romBytes(150000, 21);
    const std::string small = romBytes(3000, 22);
    klmTestWrite(dir.file("in/rom.bin"), rom);
    klmTestWrite(dir.file("in/small.bin"), small);
    klmTestWrite(dir.file("in/empty.bin"), "");
    const std::vector<KlmArchiveInput> inputs = {
        {dir.file("in/rom.bin"), "ゲーム/ロム.bin"},
        {"", "空フォルダ", true, 1700000000, 0},
        {dir.file("in/empty.bin"), "empty.bin"},
        {dir.file("in/small.bin"), "a.bin"},
    };
    for (const KlmArchiveKind kind : {KlmArchiveKind::Zip, KlmArchiveKind::SevenZip}) {
        for (const int level : {0, 5}) {
            const std::string archive =
                dir.file("out" + std::to_string(level) + (kind == KlmArchiveKind::Zip ? ".zip" : ".7z"));
            SCOPED_TRACE(archive);
            std::string error;
            ASSERT_TRUE(klmCreateArchive(kind, archive, inputs, level, &error)) << error;
            EXPECT_EQ(run("7zz t '" + archive + "'"), 0);
            const std::vector<Listed> listed = list7zz(archive);
            ASSERT_EQ(listed.size(), 4u);
            EXPECT_EQ(listed[0].path, "ゲーム/ロム.bin");
            EXPECT_EQ(listed[0].crc, crcText(rom));
            EXPECT_EQ(listed[1].path, "空フォルダ");  // 7-Zip marks a 7z folder by its attributes only
            EXPECT_EQ(listed[2].size, 0u);
            EXPECT_EQ(listed[3].crc, crcText(small));
            if (kind == KlmArchiveKind::SevenZip) {
                EXPECT_EQ(capture("7zz l -slt '" + archive + "'").find("Solid = +"), std::string::npos);
            }

            const KlmArchiveListing l = klmListArchive(archive);
            ASSERT_TRUE(l.ok) << l.error;
            ASSERT_EQ(l.entries.size(), 4u);
            EXPECT_EQ(l.entries[0].name, "ゲーム/ロム.bin");
            EXPECT_EQ(l.entries[0].crc, klmCrc32(rom.data(), rom.size()));
            EXPECT_EQ(l.entries[0].size, rom.size());
            EXPECT_TRUE(l.entries[1].folder);
            EXPECT_EQ(l.entries[1].name, "空フォルダ");
            EXPECT_EQ(l.entries[1].mtime, 1700000000);
            EXPECT_EQ(l.entries[3].crc, klmCrc32(small.data(), small.size()));
            const KlmArchiveMember first = klmReadFirstMember(archive);
            ASSERT_TRUE(first.ok) << first.error;
            EXPECT_EQ(first.nativeName, "ゲーム/ロム.bin");

            const KlmExtractResult x = klmExtractArchive(archive, dir.file("x-" + fs::path(archive).filename().string()));
            ASSERT_TRUE(x.ok) << x.error;
            EXPECT_EQ(x.skipped, 0);
            ASSERT_EQ(x.entries.size(), 4u);
            EXPECT_EQ(klmTestRead(x.entries[0].path), rom);
            EXPECT_EQ(x.entries[0].crc, klmCrc32(rom.data(), rom.size()));
            EXPECT_TRUE(x.entries[1].folder);
            EXPECT_TRUE(x.entries[1].path.empty());
            EXPECT_EQ(x.files.size(), 3u);
        }
    }
    // Bad names and unreadable inputs make no archive at all.
    std::string error;
    EXPECT_FALSE(klmCreateArchive(KlmArchiveKind::SevenZip, dir.file("bad.7z"), {{dir.file("in/rom.bin"), "a/"}}, 5));
    EXPECT_FALSE(klmCreateArchive(KlmArchiveKind::SevenZip, dir.file("bad.7z"),
                                  {{dir.file("in/rom.bin"), "a.bin"}, {dir.file("in/none.bin"), "b.bin"}}, 5, &error));
    EXPECT_NE(error.find("none.bin"), std::string::npos);
    EXPECT_FALSE(klmCreateArchive(KlmArchiveKind::Zip, dir.file("bad.zip"), {{dir.file("in"), "dir.bin"}}, 5));
    EXPECT_FALSE(fs::exists(dir.file("bad.7z")));
    EXPECT_FALSE(fs::exists(dir.file("bad.zip")));
}

TEST(AuditArchiver, LargeMembersPackedInBlocksReadBackEverywhere)
{
    // Large enough to be packed as several LZMA2 blocks side by side.
    KlmTempDir dir;
    std::string rom = romBytes(1500000, 24);
    klmTestWrite(dir.file("big.bin"), rom);
    std::string error;
    ASSERT_TRUE(klmCreate7z(dir.file("big.7z"), dir.file("big.bin"), "big.bin", 5, &error)) << error;
    EXPECT_EQ(run("7zz t '" + dir.file("big.7z") + "'"), 0);
    const KlmArchiveListing l = klmListArchive(dir.file("big.7z"));
    ASSERT_TRUE(l.ok) << l.error;
    EXPECT_EQ(l.entries.at(0).crc, klmCrc32(rom.data(), rom.size()));
    const KlmExtractResult x = klmExtractArchive(dir.file("big.7z"), dir.file("out"));
    ASSERT_TRUE(x.ok) << x.error;
    EXPECT_TRUE(klmTestRead(x.files.at(0)) == rom);
    EXPECT_LT(fs::file_size(dir.file("big.7z")), rom.size());
}

TEST(AuditArchiver, ExtractionCountsWhatItCannotGiveBackAndListingSeesDamage)
{
    KlmTempDir dir;
    const std::string rom = romBytes(40000, 23);
    makeZip(dir.file("link.zip"), {{"game.bin", rom}, {"a_link", "elsewhere", ZIP_FL_ENC_CP437, true}});
    KlmExtractResult x = klmExtractArchive(dir.file("link.zip"), dir.file("out1"));
    ASSERT_TRUE(x.ok) << x.error;
    EXPECT_EQ(x.skipped, 1);
    EXPECT_EQ(klmListArchive(dir.file("link.zip")).skipped, 1);

    makeZip(dir.file("twice.zip"), {{"game.bin", rom}, {"GAME.bin", "x"}});
    // libzip refuses the same name twice; patch the second name in place.
    std::string bytes = klmTestRead(dir.file("twice.zip"));
    for (size_t at = bytes.find("GAME.bin"); at != std::string::npos; at = bytes.find("GAME.bin", at))
        bytes.replace(at, 4, "game");
    klmTestWrite(dir.file("twice.zip"), bytes);
    x = klmExtractArchive(dir.file("twice.zip"), dir.file("out2"));
    ASSERT_TRUE(x.ok) << x.error;
    EXPECT_EQ(x.skipped, 1);

    // A member whose data no longer matches its CRC: listing and extraction
    // both fail, and extraction leaves nothing.
    klmTestWrite(dir.file("src/game.bin"), rom);
    ASSERT_EQ(run("cd '" + dir.file("src") + "' && zip -q -0 '" + dir.file("bad.zip") + "' game.bin"), 0);
    bytes = klmTestRead(dir.file("bad.zip"));
    bytes[bytes.find("game.bin") + 8 + 1000] ^= 0x55;
    klmTestWrite(dir.file("bad.zip"), bytes);
    EXPECT_TRUE(klmReadFirstMember(dir.file("bad.zip")).ok);  // the stored CRC is still readable
    EXPECT_FALSE(klmListArchive(dir.file("bad.zip")).ok);
    x = klmExtractArchive(dir.file("bad.zip"), dir.file("out3"));
    EXPECT_FALSE(x.ok);
    EXPECT_TRUE(filesUnder(dir.file("out3")).empty());
}

}  // namespace
