// Fuzzes the two first-member readers with arbitrary archive images: the 7z
// header reader (signature header, packed headers, streams and file lists)
// and the zip central-directory reader on libzip. Neither may crash, hang,
// read out of bounds or allocate without bound, whatever the bytes.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "audit/archiver.h"
#include "audit/crc.h"

namespace {

// Mutated 7z images rarely keep their two header CRCs intact, which would
// stop the reader at the door. When the input starts with the 7z signature,
// a second run recomputes both CRCs so the parser behind them is reached.
std::string withFixedCrcs(const uint8_t* data, size_t size)
{
    std::string image(reinterpret_cast<const char*>(data), size);
    if (size < 32 || std::memcmp(data, "7z\xBC\xAF\x27\x1C", 6) != 0)
        return image;
    uint64_t offset = 0;
    uint64_t length = 0;
    std::memcpy(&offset, data + 12, 8);
    std::memcpy(&length, data + 20, 8);
    if (offset <= size - 32 && length <= size - 32 - offset) {
        const uint32_t crc = klmCrc32(data + 32 + offset, size_t(length));
        std::memcpy(image.data() + 28, &crc, 4);
    }
    const uint32_t start = klmCrc32(image.data() + 12, 20);
    std::memcpy(image.data() + 8, &start, 4);
    return image;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    KlmArchiveMember m = klmReadFirstMember7zBuffer(data, size);
    if (m.ok)
        (void)klmMemberBaseName(m.name);

    const std::string fixed = withFixedCrcs(data, size);
    m = klmReadFirstMember7zBuffer(fixed.data(), fixed.size());
    if (m.ok)
        (void)klmMemberBaseName(m.name);

    m = klmReadFirstMemberZipBuffer(data, size);
    if (m.ok)
        (void)klmMemberBaseName(m.name);
    return 0;
}
