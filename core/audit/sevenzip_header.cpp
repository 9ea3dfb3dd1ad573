// A reader of 7z archive headers: the first member's name and the CRC-32 the
// header records for it, without unpacking any file data.
//
// No packaged library hands out the stored CRCs of a 7z archive (libarchive
// decodes the member to learn it, which takes seconds for a CD image), so
// the header is read here. It follows 7zFormat.txt:
//   signature header (32 bytes, CRC-checked) -> next header (CRC-checked),
//   either a plain Header or an EncodedHeader whose packed stream (LZMA,
//   LZMA2 or stored) is unpacked with liblzma and then read as a Header.
//
// The input is untrusted. Every read is bounds-checked through Cursor,
// every count is checked against the bytes that could hold it before a loop
// runs over it, nothing is allocated per file or per folder, and the two
// buffers that are allocated (raw and unpacked header) are capped.
#include "audit/archiver.h"

#include "audit/crc.h"
#include "audit/sevenzip_format.h"
#include "text/cp932.h"

#include <lzma.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr uint64_t kMaxHeaderBytes = 64u << 20;
constexpr uint64_t kMaxFolderStreams = 64;

using namespace klm7z;

uint32_t loadLe32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint64_t loadLe64(const uint8_t* p)
{
    return uint64_t(loadLe32(p)) | uint64_t(loadLe32(p + 4)) << 32;
}

// Bounds-checked reading of header bytes. The first failed read clears ok
// and every later read returns 0, so a parse can check ok once per loop.
struct Cursor {
    const uint8_t* p = nullptr;
    const uint8_t* end = nullptr;
    bool ok = true;

    Cursor(const uint8_t* begin, size_t size) : p(begin), end(begin + size) {}

    uint64_t left() const { return ok ? uint64_t(end - p) : 0; }

    void fail() { ok = false; p = end; }

    uint8_t byte()
    {
        if (!ok || p >= end) {
            fail();
            return 0;
        }
        return *p++;
    }

    // 7z's variable-length number: the count of leading one bits of the
    // first byte says how many little-endian bytes follow.
    uint64_t number()
    {
        const uint8_t first = byte();
        uint8_t mask = 0x80;
        uint64_t value = 0;
        for (int i = 0; i < 8; ++i) {
            if ((first & mask) == 0) {
                const uint64_t high = first & (mask - 1u);
                return value | (high << (8 * i));
            }
            value |= uint64_t(byte()) << (8 * i);
            mask >>= 1;
        }
        return value;
    }

    const uint8_t* take(uint64_t n)
    {
        if (!ok || n > left()) {
            fail();
            return nullptr;
        }
        const uint8_t* at = p;
        p += n;
        return at;
    }

    uint32_t u32()
    {
        const uint8_t* at = take(4);
        return at ? loadLe32(at) : 0;
    }

    // A property of unknown meaning: its size, then that many bytes.
    void skipData() { take(number()); }
};

bool bitAt(const uint8_t* bits, uint64_t index)
{
    return (bits[index >> 3] & (0x80u >> (index & 7))) != 0;
}

// Number of set bits among the first count bits.
uint64_t countBits(const uint8_t* bits, uint64_t count)
{
    uint64_t n = 0;
    for (uint64_t i = 0; i < count / 8; ++i)
        n += uint64_t(__builtin_popcount(bits[i]));
    for (uint64_t i = count / 8 * 8; i < count; ++i)
        n += bitAt(bits, i) ? 1 : 0;
    return n;
}

// A list of optional CRCs, kept as a view into the header.
struct Digests {
    uint64_t count = 0;
    bool allDefined = true;
    const uint8_t* bits = nullptr;
    const uint8_t* values = nullptr;
    bool present = false;

    bool defined(uint64_t index) const
    {
        return present && index < count && (allDefined || bitAt(bits, index));
    }

    bool at(uint64_t index, uint32_t& crc) const
    {
        if (!defined(index))
            return false;
        const uint64_t slot = allDefined ? index : countBits(bits, index);
        crc = loadLe32(values + slot * 4);
        return true;
    }
};

bool readBitVector(Cursor& c, uint64_t count, const uint8_t*& bits)
{
    if (count > c.left() * 8) {
        c.fail();
        return false;
    }
    bits = c.take((count + 7) / 8);
    return bits != nullptr;
}

bool readDigests(Cursor& c, uint64_t count, Digests& d)
{
    d = Digests{};
    d.count = count;
    d.allDefined = c.byte() != 0;
    uint64_t defined = count;
    if (!d.allDefined) {
        if (!readBitVector(c, count, d.bits))
            return false;
        defined = countBits(d.bits, count);
    }
    if (defined > c.left() / 4) {
        c.fail();
        return false;
    }
    d.values = c.take(defined * 4);
    d.present = d.values != nullptr || defined == 0;
    return c.ok;
}

struct Coder {
    const uint8_t* id = nullptr;
    size_t idSize = 0;
    const uint8_t* props = nullptr;
    size_t propsSize = 0;
};

// What one StreamsInfo says. Only the first folder is kept in detail (an
// encoded header needs nothing more); the per-folder stream counts of
// SubStreamsInfo are kept as a view and walked again when a CRC is asked.
struct StreamsInfo {
    uint64_t packPos = 0;
    uint64_t numPackStreams = 0;
    uint64_t firstPackSize = 0;

    uint64_t numFolders = 0;
    uint64_t folder0Coders = 0;
    uint64_t folder0InStreams = 0;
    uint64_t folder0OutStreams = 0;
    uint64_t folder0MainOut = 0;
    Coder folder0Coder;
    uint64_t folder0UnpackSize = 0;
    Digests folderCrcs;

    const uint8_t* numUnpackStreams = nullptr;  // numFolders numbers, or null: one each
    const uint8_t* numUnpackStreamsEnd = nullptr;
    Digests streamCrcs;  // for the streams whose CRC the folder does not give
};

bool readPackInfo(Cursor& c, StreamsInfo& si)
{
    si.packPos = c.number();
    si.numPackStreams = c.number();
    if (si.numPackStreams > c.left()) {
        c.fail();
        return false;
    }
    for (;;) {
        const uint64_t id = c.number();
        if (!c.ok)
            return false;
        if (id == kEnd)
            break;
        if (id == kSize) {
            for (uint64_t i = 0; i < si.numPackStreams && c.ok; ++i) {
                const uint64_t size = c.number();
                if (i == 0)
                    si.firstPackSize = size;
            }
        } else if (id == kCRC) {
            Digests ignored;
            readDigests(c, si.numPackStreams, ignored);
        } else {
            c.skipData();
        }
    }
    return c.ok;
}

bool readFolder(Cursor& c, bool first, StreamsInfo& si, uint64_t& outStreams)
{
    const uint64_t numCoders = c.number();
    if (!c.ok || numCoders == 0 || numCoders > kMaxFolderStreams) {
        c.fail();
        return false;
    }
    uint64_t totalIn = 0;
    uint64_t totalOut = 0;
    for (uint64_t i = 0; i < numCoders; ++i) {
        const uint8_t flags = c.byte();
        if ((flags & 0xC0) != 0) {  // alternative methods: never written, not readable
            c.fail();
            return false;
        }
        Coder coder;
        coder.idSize = flags & 0x0F;
        coder.id = c.take(coder.idSize);
        uint64_t in = 1;
        uint64_t out = 1;
        if (flags & 0x10) {
            in = c.number();
            out = c.number();
        }
        if (flags & 0x20) {
            const uint64_t size = c.number();
            coder.propsSize = size_t(size);
            coder.props = c.take(size);
        }
        if (!c.ok || in > kMaxFolderStreams || out > kMaxFolderStreams) {
            c.fail();
            return false;
        }
        totalIn += in;
        totalOut += out;
        if (first && i == 0)
            si.folder0Coder = coder;
    }
    if (totalOut == 0 || totalIn > kMaxFolderStreams || totalOut > kMaxFolderStreams) {
        c.fail();
        return false;
    }
    const uint64_t numBindPairs = totalOut - 1;
    uint64_t boundOut = 0;  // bit set of out streams fed into another coder
    for (uint64_t i = 0; i < numBindPairs; ++i) {
        const uint64_t inIndex = c.number();
        const uint64_t outIndex = c.number();
        if (!c.ok || inIndex >= totalIn || outIndex >= totalOut) {
            c.fail();
            return false;
        }
        boundOut |= uint64_t(1) << outIndex;
    }
    if (totalIn < numBindPairs) {
        c.fail();
        return false;
    }
    const uint64_t numPacked = totalIn - numBindPairs;
    if (numPacked > 1) {
        for (uint64_t i = 0; i < numPacked && c.ok; ++i)
            c.number();
    }
    if (first) {
        si.folder0Coders = numCoders;
        si.folder0InStreams = totalIn;
        si.folder0OutStreams = totalOut;
        si.folder0MainOut = 0;
        while (si.folder0MainOut < totalOut && (boundOut >> si.folder0MainOut & 1))
            ++si.folder0MainOut;
        if (si.folder0MainOut == totalOut) {
            c.fail();
            return false;
        }
    }
    outStreams = totalOut;
    return c.ok;
}

bool readUnpackInfo(Cursor& c, StreamsInfo& si)
{
    if (c.number() != kFolder) {
        c.fail();
        return false;
    }
    si.numFolders = c.number();
    // Each folder takes at least two bytes, which bounds the loop below.
    if (si.numFolders > c.left() / 2) {
        c.fail();
        return false;
    }
    if (c.byte() != 0) {  // folders kept in another stream: never written by 7-Zip
        c.fail();
        return false;
    }
    uint64_t totalOut = 0;
    for (uint64_t f = 0; f < si.numFolders; ++f) {
        uint64_t out = 0;
        if (!readFolder(c, f == 0, si, out))
            return false;
        totalOut += out;
    }
    if (c.number() != kCodersUnPackSize) {
        c.fail();
        return false;
    }
    if (totalOut > c.left()) {
        c.fail();
        return false;
    }
    for (uint64_t i = 0; i < totalOut && c.ok; ++i) {
        const uint64_t size = c.number();
        if (si.numFolders > 0 && i == si.folder0MainOut)
            si.folder0UnpackSize = size;
    }
    for (;;) {
        const uint64_t id = c.number();
        if (!c.ok)
            return false;
        if (id == kEnd)
            break;
        if (id == kCRC)
            readDigests(c, si.numFolders, si.folderCrcs);
        else
            c.skipData();
    }
    return c.ok;
}

bool addChecked(uint64_t& sum, uint64_t value)
{
    if (sum + value < sum)
        return false;
    sum += value;
    return true;
}

bool readSubStreamsInfo(Cursor& c, StreamsInfo& si)
{
    uint64_t id = c.number();
    for (;;) {
        if (!c.ok)
            return false;
        if (id == kNumUnPackStream) {
            if (si.numFolders > c.left()) {
                c.fail();
                return false;
            }
            si.numUnpackStreams = c.p;
            for (uint64_t f = 0; f < si.numFolders && c.ok; ++f)
                c.number();
            si.numUnpackStreamsEnd = c.p;
            id = c.number();
            continue;
        }
        if (id == kCRC || id == kSize || id == kEnd)
            break;
        c.skipData();
        id = c.number();
    }
    if (!c.ok)
        return false;

    // Sizes listed (all but the last stream of each folder) and CRCs listed
    // (every stream except the single stream of a folder with its own CRC).
    uint64_t sizesListed = 0;
    uint64_t crcsListed = 0;
    Cursor counts(si.numUnpackStreams ? si.numUnpackStreams : c.p,
                  si.numUnpackStreams ? size_t(si.numUnpackStreamsEnd - si.numUnpackStreams) : 0);
    for (uint64_t f = 0; f < si.numFolders; ++f) {
        const uint64_t n = si.numUnpackStreams ? counts.number() : 1;
        if (!counts.ok)
            return false;
        if (n > 0 && !addChecked(sizesListed, n - 1))
            return false;
        if (!(n == 1 && si.folderCrcs.defined(f)) && !addChecked(crcsListed, n))
            return false;
    }
    if (id == kSize) {
        if (sizesListed > c.left()) {
            c.fail();
            return false;
        }
        for (uint64_t i = 0; i < sizesListed && c.ok; ++i)
            c.number();
        id = c.number();
    }
    for (;;) {
        if (!c.ok)
            return false;
        if (id == kEnd)
            break;
        if (id == kCRC)
            readDigests(c, crcsListed, si.streamCrcs);
        else
            c.skipData();
        id = c.number();
    }
    return c.ok;
}

bool readStreamsInfo(Cursor& c, StreamsInfo& si)
{
    uint64_t id = c.number();
    if (id == kPackInfo) {
        if (!readPackInfo(c, si))
            return false;
        id = c.number();
    }
    if (id == kUnPackInfo) {
        if (!readUnpackInfo(c, si))
            return false;
        id = c.number();
    }
    if (id == kSubStreamsInfo) {
        if (!readSubStreamsInfo(c, si))
            return false;
        id = c.number();
    }
    if (!c.ok || id != kEnd) {
        c.fail();
        return false;
    }
    return true;
}

// CRC of unpacked stream k, counting streams across folders in order.
bool streamCrc(const StreamsInfo& si, uint64_t k, uint32_t& crc)
{
    Cursor counts(si.numUnpackStreams ? si.numUnpackStreams : nullptr,
                  si.numUnpackStreams ? size_t(si.numUnpackStreamsEnd - si.numUnpackStreams) : 0);
    uint64_t base = 0;
    uint64_t listed = 0;
    for (uint64_t f = 0; f < si.numFolders; ++f) {
        const uint64_t n = si.numUnpackStreams ? counts.number() : 1;
        if (!counts.ok)
            return false;
        const bool folderGivesCrc = n == 1 && si.folderCrcs.defined(f);
        if (k - base < n) {
            if (folderGivesCrc)
                return si.folderCrcs.at(f, crc);
            return si.streamCrcs.at(listed + (k - base), crc);
        }
        base += n;
        if (!folderGivesCrc)
            listed += n;
    }
    return false;
}

void appendUtf8(std::string& out, uint32_t cp)
{
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | cp >> 6);
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | cp >> 12);
        out += char(0x80 | (cp >> 6 & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | cp >> 18);
        out += char(0x80 | (cp >> 12 & 0x3F));
        out += char(0x80 | (cp >> 6 & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

// Reads one zero-terminated UTF-16LE name and returns it as UTF-8 (a lone
// surrogate becomes U+FFFD). False when the terminator is missing.
bool readName(Cursor& c, std::string& out)
{
    out.clear();
    for (;;) {
        const uint8_t* unit = c.take(2);
        if (!unit)
            return false;
        uint32_t cp = uint32_t(unit[0]) | uint32_t(unit[1]) << 8;
        if (cp == 0)
            return true;
        if (cp >= 0xD800 && cp <= 0xDBFF && c.left() >= 2) {
            const uint32_t low = uint32_t(c.p[0]) | uint32_t(c.p[1]) << 8;
            if (low >= 0xDC00 && low <= 0xDFFF) {
                c.take(2);
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
            } else {
                cp = 0xFFFD;
            }
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        appendUtf8(out, cp);
    }
}

// FILE_ATTRIBUTE_DIRECTORY, and the Unix mode that p7zip/7-Zip keep in the
// high half when bit 15 is set.
bool attributesSayNotAFile(uint32_t attrib)
{
    if (attrib & 0x10)
        return true;
    if (attrib & 0x8000) {
        const uint32_t type = (attrib >> 16) & 0xF000;
        return type != 0 && type != 0x8000;
    }
    return false;
}

bool readFilesInfo(Cursor& c, const StreamsInfo& si, KlmArchiveMember& m)
{
    const uint64_t numFiles = c.number();
    const uint8_t* emptyStream = nullptr;
    const uint8_t* names = nullptr;
    size_t namesSize = 0;
    bool attrAll = true;
    const uint8_t* attrBits = nullptr;
    const uint8_t* attrValues = nullptr;
    uint64_t attrCount = 0;
    for (;;) {
        const uint64_t type = c.number();
        if (!c.ok)
            return false;
        if (type == kEnd)
            break;
        const uint64_t size = c.number();
        const uint8_t* data = c.take(size);
        if (!data)
            return false;
        Cursor prop(data, size_t(size));
        if (type == kEmptyStream) {
            if (!readBitVector(prop, numFiles, emptyStream))
                return false;
        } else if (type == kName) {
            if (prop.byte() != 0) {  // names kept in another stream: not supported
                m.error = "unsupported 7z name list";
                return false;
            }
            names = prop.p;
            namesSize = size_t(prop.left());
        } else if (type == kWinAttributes) {
            attrAll = prop.byte() != 0;
            if (!attrAll && !readBitVector(prop, numFiles, attrBits))
                return false;
            if (prop.byte() == 0 && prop.ok) {
                attrValues = prop.p;
                attrCount = prop.left() / 4;
            }
        }
    }

    // Every name is checked; the walk is bounded by the bytes of the name
    // list, or ends at the first file when there is no name list.
    Cursor nameCursor(names, namesSize);
    uint64_t streamIndex = 0;
    uint64_t attrSlot = 0;
    bool found = false;
    uint64_t foundStream = 0;
    std::string name;
    for (uint64_t i = 0; i < numFiles; ++i) {
        if (found && !names)
            break;
        if (names) {
            if (!readName(nameCursor, name)) {
                m.error = "7z name list is too short";
                return false;
            }
            if (klmIsUnsafeMemberName(name, false)) {
                m.error = "unsafe member name";
                return false;
            }
        }
        const bool hasStream = !emptyStream || !bitAt(emptyStream, i);
        uint32_t attrib = 0;
        if (attrValues && (attrAll || bitAt(attrBits, i))) {
            if (attrSlot < attrCount)
                attrib = loadLe32(attrValues + attrSlot * 4);
            ++attrSlot;
        }
        if (!found && hasStream && !attributesSayNotAFile(attrib)) {
            found = true;
            foundStream = streamIndex;
            m.nativeName = name;
            for (char& ch : m.nativeName)
                if (ch == '\\')
                    ch = '/';
        }
        if (hasStream)
            ++streamIndex;
    }
    if (!found) {
        m.error = "archive has no file";
        return false;
    }
    if (!streamCrc(si, foundStream, m.crc)) {
        m.error = "archive records no CRC for the first file";
        return false;
    }
    return true;
}

bool readHeader(Cursor& c, KlmArchiveMember& m)
{
    uint64_t id = c.number();
    if (id == kArchiveProperties) {
        for (;;) {
            const uint64_t type = c.number();
            if (!c.ok || type == kEnd)
                break;
            c.skipData();
        }
        id = c.number();
    }
    if (id == kAdditionalStreamsInfo) {
        StreamsInfo ignored;
        if (!readStreamsInfo(c, ignored))
            return false;
        id = c.number();
    }
    StreamsInfo main;
    if (id == kMainStreamsInfo) {
        if (!readStreamsInfo(c, main))
            return false;
        id = c.number();
    }
    if (!c.ok || id != kFilesInfo) {
        if (m.error.empty())
            m.error = "archive has no file";
        return false;
    }
    return readFilesInfo(c, main, m);
}

// Where the archive bytes come from: a buffer or a file descriptor.
struct Source {
    const uint8_t* data = nullptr;
    int fd = -1;
    uint64_t size = 0;

    bool read(uint64_t offset, uint64_t n, std::vector<uint8_t>& out, std::string& error) const
    {
        if (offset > size || n > size - offset) {
            error = "archive is truncated";
            return false;
        }
        out.resize(size_t(n));
        if (data) {
            if (n > 0)
                std::memcpy(out.data(), data + offset, size_t(n));
            return true;
        }
        size_t done = 0;
        while (done < n) {
            const ssize_t got = ::pread(fd, out.data() + done, size_t(n) - done, off_t(offset + done));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0) {
                error = got < 0 ? std::strerror(errno) : "archive is truncated";
                return false;
            }
            done += size_t(got);
        }
        return true;
    }
};

bool decodeLzma(lzma_vli filterId, const Coder& coder, const std::vector<uint8_t>& packed,
                std::vector<uint8_t>& out, std::string& error)
{
    lzma_filter filters[2] = {{filterId, nullptr}, {LZMA_VLI_UNKNOWN, nullptr}};
    if (lzma_properties_decode(&filters[0], nullptr, coder.props, coder.propsSize) != LZMA_OK) {
        error = "bad header compression properties";
        return false;
    }
    // The output is the whole header, so no dictionary larger than it is
    // needed; capping it keeps a hostile property from asking for 4 GiB.
    auto* options = static_cast<lzma_options_lzma*>(filters[0].options);
    const uint64_t wanted = std::max<uint64_t>(out.size(), LZMA_DICT_SIZE_MIN);
    if (options->dict_size > wanted)
        options->dict_size = uint32_t(wanted);

    lzma_stream stream = LZMA_STREAM_INIT;
    lzma_ret ret = lzma_raw_decoder(&stream, filters);
    std::free(filters[0].options);
    if (ret != LZMA_OK) {
        error = "cannot unpack the archive header";
        return false;
    }
    stream.next_in = packed.data();
    stream.avail_in = packed.size();
    stream.next_out = out.data();
    stream.avail_out = out.size();
    // LZMA in 7z has no end marker: decoding stops when the known unpacked
    // size is reached. A call that makes no progress ends the loop.
    while (stream.avail_out > 0) {
        const size_t inBefore = stream.avail_in;
        const size_t outBefore = stream.avail_out;
        ret = lzma_code(&stream, LZMA_FINISH);
        if (ret != LZMA_OK && ret != LZMA_STREAM_END)
            break;
        if (ret == LZMA_STREAM_END)
            break;
        if (stream.avail_in == inBefore && stream.avail_out == outBefore)
            break;
    }
    const bool complete = stream.avail_out == 0;
    lzma_end(&stream);
    if (!complete) {
        error = "archive header is corrupt";
        return false;
    }
    return true;
}

bool unpackEncodedHeader(const Source& src, Cursor& c, std::vector<uint8_t>& out, std::string& error)
{
    StreamsInfo si;
    if (!readStreamsInfo(c, si) || si.numFolders == 0 || si.numPackStreams == 0) {
        error = "archive header is corrupt";
        return false;
    }
    if (si.folder0Coders != 1 || si.folder0InStreams != 1 || si.folder0OutStreams != 1) {
        error = "unsupported archive header compression";
        return false;
    }
    if (si.folder0UnpackSize == 0 || si.folder0UnpackSize > kMaxHeaderBytes
        || si.firstPackSize > kMaxHeaderBytes) {
        error = "archive header is corrupt";
        return false;
    }
    if (si.packPos > UINT64_MAX - 32) {
        error = "archive is truncated";
        return false;
    }
    std::vector<uint8_t> packed;
    if (!src.read(32 + si.packPos, si.firstPackSize, packed, error))
        return false;

    const Coder& coder = si.folder0Coder;
    const std::string_view method(reinterpret_cast<const char*>(coder.id), coder.idSize);
    out.assign(size_t(si.folder0UnpackSize), 0);
    if (method == std::string_view("\x03\x01\x01", 3)) {
        if (!decodeLzma(LZMA_FILTER_LZMA1, coder, packed, out, error))
            return false;
    } else if (method == std::string_view("\x21", 1)) {
        if (!decodeLzma(LZMA_FILTER_LZMA2, coder, packed, out, error))
            return false;
    } else if (method == std::string_view("\x00", 1)) {
        if (packed.size() != out.size()) {
            error = "archive header is corrupt";
            return false;
        }
        out = std::move(packed);
    } else {
        error = "unsupported archive header compression";
        return false;
    }
    uint32_t expected = 0;
    if (si.folderCrcs.at(0, expected) && klmCrc32(out.data(), out.size()) != expected) {
        error = "archive header CRC mismatch";
        return false;
    }
    return true;
}

KlmArchiveMember readFirstMember(const Source& src)
{
    KlmArchiveMember m;
    static const uint8_t signature[6] = {'7', 'z', 0xBC, 0xAF, 0x27, 0x1C};
    std::vector<uint8_t> start;
    if (!src.read(0, 32, start, m.error))
        return m;
    if (std::memcmp(start.data(), signature, 6) != 0 || start[6] != 0) {
        m.error = "not a 7z archive";
        return m;
    }
    if (klmCrc32(start.data() + 12, 20) != loadLe32(start.data() + 8)) {
        m.error = "7z start header CRC mismatch";
        return m;
    }
    const uint64_t nextOffset = loadLe64(start.data() + 12);
    const uint64_t nextSize = loadLe64(start.data() + 20);
    const uint32_t nextCrc = loadLe32(start.data() + 28);
    if (nextSize == 0) {
        m.error = "archive has no file";
        return m;
    }
    if (nextSize > kMaxHeaderBytes) {
        m.error = "archive header is too large";
        return m;
    }
    if (nextOffset > UINT64_MAX - 32) {
        m.error = "archive is truncated";
        return m;
    }
    std::vector<uint8_t> header;
    if (!src.read(32 + nextOffset, nextSize, header, m.error))
        return m;
    if (klmCrc32(header.data(), header.size()) != nextCrc) {
        m.error = "7z header CRC mismatch";
        return m;
    }

    Cursor c(header.data(), header.size());
    uint64_t id = c.number();
    std::vector<uint8_t> unpacked;
    if (id == kEncodedHeader) {
        if (!unpackEncodedHeader(src, c, unpacked, m.error))
            return m;
        c = Cursor(unpacked.data(), unpacked.size());
        id = c.number();
    }
    if (id != kHeader) {
        m.error = "archive header is corrupt";
        return m;
    }
    if (!readHeader(c, m)) {
        if (m.error.empty())
            m.error = "archive header is corrupt";
        m.nativeName.clear();
        return m;
    }

    bool exact = true;
    m.name = klmFromUtf8(m.nativeName, &exact);
    m.nameExact = exact;
    m.ok = true;
    return m;
}

}  // namespace

KlmArchiveMember klmReadFirstMember7zBuffer(const void* data, size_t size)
{
    Source src;
    src.data = static_cast<const uint8_t*>(data);
    src.size = size;
    if (!src.data)
        src.size = 0;
    return readFirstMember(src);
}

KlmArchiveMember klmReadFirstMember7z(const std::string& archivePath)
{
    KlmArchiveMember m;
    const int fd = ::open(archivePath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);  // no wait on a FIFO
    if (fd < 0) {
        m.error = std::strerror(errno);
        return m;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        m.error = S_ISDIR(st.st_mode) ? std::strerror(EISDIR) : "not a regular file";
        ::close(fd);
        return m;
    }
    Source src;
    src.fd = fd;
    src.size = uint64_t(st.st_size);
    m = readFirstMember(src);
    ::close(fd);
    return m;
}
