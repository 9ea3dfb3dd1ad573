// CRC texts of plain files, the archive test by extension and member base
// names. Archive CRCs are covered with real archives in audit_archiver_test.
#include "audit/crc.h"

#include "test_util.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

TEST(AuditCrc, CheckValuesAndChaining)
{
    EXPECT_EQ(klmCrc32("123456789", 9), 0xCBF43926u);
    const char zero = 0;
    EXPECT_EQ(klmCrc32(&zero, 1), 0xD202EF8Du);
    // An empty block continues the CRC unchanged (zlib would answer 0).
    EXPECT_EQ(klmCrc32(nullptr, 0, 0x12345678u), 0x12345678u);
    EXPECT_EQ(klmCrc32("", 0, 0xCBF43926u), 0xCBF43926u);
    EXPECT_EQ(klmCrc32("6789", 4, klmCrc32("12345", 5)), 0xCBF43926u);

    // Every length, alignment and starting value agrees with zlib's
    // byte-table CRC (the fast path folds 64-byte blocks).
    std::string noise(70000, '\0');
    uint32_t x = 1;
    for (char& c : noise) {
        x = x * 1664525u + 1013904223u;
        c = char(x >> 24);
    }
    const auto* bytes = reinterpret_cast<const unsigned char*>(noise.data());
    for (size_t len = 0; len < 600; ++len) {
        for (size_t offset : {size_t(0), size_t(1), size_t(7), size_t(15)}) {
            const uint32_t seed = uint32_t(len * 0x9E3779B9u);
            ASSERT_EQ(klmCrc32(bytes + offset, len, seed), uint32_t(crc32_z(seed, bytes + offset, len)))
                << "length " << len << " offset " << offset;
        }
    }
    for (size_t len : {size_t(4096), size_t(65535), size_t(65536 + 17), size_t(69999)})
        EXPECT_EQ(klmCrc32(bytes + 1, len), uint32_t(crc32_z(0, bytes + 1, len))) << len;

    EXPECT_EQ(klmFormatCrcText(0xABCD), "0000ABCD");
    EXPECT_EQ(klmFormatCrcText(0), "00000000");
    EXPECT_EQ(klmFormatCrcText(0xFFFFFFFFu), "FFFFFFFF");
}

TEST(AuditCrc, FileCrcText)
{
    KlmTempDir dir;
    klmTestWrite(dir.file("check.bin"), "123456789");
    klmTestWrite(dir.file("zero.bin"), std::string(1, '\0'));
    klmTestWrite(dir.file("empty.bin"), "");
    std::string big(3 << 20, '\0');
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = char(i * 2654435761u >> 13);
    klmTestWrite(dir.file("big.bin"), big);

    EXPECT_EQ(klmFileCrcText(dir.file("check.bin")), "CBF43926");
    EXPECT_EQ(klmFileCrcText(dir.file("zero.bin")), "D202EF8D");
    EXPECT_EQ(klmFileCrcText(dir.file("empty.bin")), "");
    EXPECT_EQ(klmFileCrcText(dir.file("big.bin")), klmFormatCrcText(klmCrc32(big.data(), big.size())));
    // Only the exact archive extensions change the way a file is read.
    klmTestWrite(dir.file("rom.Zip"), "123456789");
    EXPECT_EQ(klmRomCrcText(dir.file("rom.Zip")).crc, "CBF43926");
    EXPECT_EQ(klmRomCrcText(dir.file("rom.Zip")).memberBase, "");
}

TEST(AuditCrc, UnreadableFilesGiveEmptyTextAndAMessage)
{
    KlmTempDir dir;

    testing::internal::CaptureStderr();
    EXPECT_EQ(klmFileCrcText(dir.file("missing.bin")), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "No such file or directory\n");

    testing::internal::CaptureStderr();
    EXPECT_EQ(klmFileCrcText(dir.path.string()), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Is a directory\n");

    // A FIFO must neither block the audit nor be read.
    ASSERT_EQ(mkfifo(dir.file("fifo.bin").c_str(), 0600), 0);
    testing::internal::CaptureStderr();
    EXPECT_EQ(klmFileCrcText(dir.file("fifo.bin")), "");
    EXPECT_FALSE(testing::internal::GetCapturedStderr().empty());

    // 4 GiB and more is refused with the exact message (a sparse file).
    const std::string huge = dir.file("huge.iso");
    const int fd = open(huge.c_str(), O_CREAT | O_WRONLY, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, off_t(4) << 30), 0);
    close(fd);
    testing::internal::CaptureStderr();
    EXPECT_EQ(klmFileCrcText(huge), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), huge + " is too large\n");
}

TEST(AuditCrc, ShrunkMappingFailsInsteadOfCrashing)
{
    KlmTempDir dir;
    const std::string path = dir.file("shrinking.bin");
    klmTestWrite(path, std::string(1 << 20, 'x'));
    const int fd = open(path.c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    void* map = mmap(nullptr, 1 << 20, PROT_READ, MAP_SHARED, fd, 0);
    ASSERT_NE(map, MAP_FAILED);
    ASSERT_EQ(ftruncate(fd, 4096), 0);  // the pages after the first are gone
    uint32_t crc = 0;
    EXPECT_FALSE(klmCrc32Guarded(map, 1 << 20, crc));
    EXPECT_TRUE(klmCrc32Guarded(map, 4096, crc));
    EXPECT_EQ(crc, klmCrc32(std::string(4096, 'x').data(), 4096));
    munmap(map, 1 << 20);
    close(fd);
}

TEST(AuditCrc, ArchiveTestIsByExactExtension)
{
    for (const char* yes : {"a.zip", "a.ZIP", "a.7z", "a.7Z", "/r/dir.x/game.zip", ".zip", "a.b.7z"})
        EXPECT_TRUE(klmIsArchive(yes)) << yes;
    for (const char* no : {"a.Zip", "a.zIP", "a.7z.bak", "a.zipx", "a", "/r/dir.zip/game", "zip", "a.z ip", "a.7zz"})
        EXPECT_FALSE(klmIsArchive(no)) << no;
}

TEST(AuditCrc, MemberBaseName)
{
    EXPECT_EQ(klmMemberBaseName("dir\\game.bin"), "game");
    EXPECT_EQ(klmMemberBaseName("a/b\\c.d.e"), "c.d");
    EXPECT_EQ(klmMemberBaseName("noext"), "noext");
    EXPECT_EQ(klmMemberBaseName("dir.v2/noext"), "noext");
    EXPECT_EQ(klmMemberBaseName(".hidden"), "");
    // 0x5C as the second byte of ソ is part of the name, not a separator.
    const std::string so = sj("ソフト");
    EXPECT_EQ(klmMemberBaseName(so + ".bin"), so);
    EXPECT_EQ(klmMemberBaseName(sj("表\\ソ.rom")), sj("ソ"));
    // Cut to 259 bytes, never inside a double-byte character.
    std::string kana;
    while (kana.size() < 300)
        kana += sj("ア");
    const std::string cut = klmMemberBaseName("x" + kana + ".bin");
    EXPECT_EQ(cut.size(), 259u);
    EXPECT_EQ(cut, "x" + kana.substr(0, 258));
    EXPECT_EQ(klmMemberBaseName(std::string(300, 'z')).size(), 259u);
}

}  // namespace
