// A writer of non-solid 7z archives: every file with contents is packed on
// its own (a folder of one LZMA2 coder, or a copy at level 0), so one member
// can later be read without unpacking the others, as 7-Zip's -ms=off does.
// Empty files and folder entries take no stream. The header is written
// plain (not packed) after the streams, and the signature header, which
// points at it, last:
//
//   signature header (32 bytes) | packed streams | header
//
// liblzma does the compression; what is written here is only the container
// of 7zFormat.txt. The reader in sevenzip_header.cpp, libarchive and 7-Zip
// all read it back (the tests check each).
#include "audit/archive_util.h"
#include "audit/archiver.h"
#include "audit/crc.h"
#include "audit/sevenzip_format.h"

#include <lzma.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <thread>
#include <unistd.h>

namespace {

using namespace klm7z;

constexpr size_t kSignatureHeaderSize = 32;
constexpr size_t kBufferSize = 1 << 20;
// Blocks packed side by side: at least this large (smaller ones lose too
// much ratio), at most so large that a disc image takes bounded memory.
constexpr uint64_t kMinBlock = 256 << 10;
constexpr uint64_t kMaxBlock = 16 << 20;
constexpr uint64_t kMaxBlockThreads = 4;
constexpr uint32_t kStandardNiceLength = 16;
// Seconds from 1601-01-01 (FILETIME's epoch) to 1970-01-01.
constexpr int64_t kFileTimeEpochOffset = 11644473600;
// Windows attributes with the Unix mode in the high half, as 7-Zip writes
// them on Unix.
constexpr uint32_t kAttributeDirectory = 0x10;
constexpr uint32_t kAttributeArchive = 0x20;
constexpr uint32_t kAttributeUnixExtension = 0x8000;

// 7z's variable-length number: as many leading one bits in the first byte
// as little-endian bytes follow it.
void putNumber(std::string& out, uint64_t value)
{
    uint8_t first = 0;
    uint8_t mask = 0x80;
    int i = 0;
    for (; i < 8; ++i) {
        if (value < (uint64_t(1) << (7 * (i + 1)))) {
            first |= uint8_t(value >> (8 * i));
            break;
        }
        first |= mask;
        mask >>= 1;
    }
    out += char(first);
    for (; i > 0; --i) {
        out += char(value & 0xFF);
        value >>= 8;
    }
}

void putLe(std::string& out, uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out += char((value >> (8 * i)) & 0xFF);
}

void putBits(std::string& out, const std::vector<bool>& bits)
{
    std::string bytes((bits.size() + 7) / 8, '\0');
    for (size_t i = 0; i < bits.size(); ++i)
        if (bits[i])
            bytes[i / 8] = char(uint8_t(bytes[i / 8]) | (0x80u >> (i % 8)));
    out += bytes;
}

void putProperty(std::string& out, uint8_t id, const std::string& data)
{
    out += char(id);
    putNumber(out, data.size());
    out += data;
}

// UTF-16LE of a valid UTF-8 name, with its terminating zero.
std::string utf16Name(const std::string& utf8)
{
    std::string out;
    for (size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        const int extra = c < 0x80 ? 0 : c < 0xE0 ? 1 : c < 0xF0 ? 2 : 3;
        uint32_t cp = extra == 0 ? c : c & (0x3F >> extra);
        for (int k = 1; k <= extra && i + size_t(k) < utf8.size(); ++k)
            cp = cp << 6 | (static_cast<unsigned char>(utf8[i + size_t(k)]) & 0x3F);
        i += size_t(extra) + 1;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            putLe(out, 0xD800 | (cp >> 10), 2);
            putLe(out, 0xDC00 | (cp & 0x3FF), 2);
        } else {
            putLe(out, cp, 2);
        }
    }
    putLe(out, 0, 2);
    return out;
}

bool writeAll(int fd, const void* data, size_t size, std::string& error)
{
    // A full disk or a file-size limit shows up here.
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error = std::string("cannot write the archive: ") + std::strerror(n < 0 ? errno : EIO);
            return false;
        }
        p += n;
        size -= size_t(n);
    }
    return true;
}

// What the header records of one entry.
struct Written {
    bool hasStream = false;
    uint64_t unpackSize = 0;
    uint64_t packSize = 0;
    uint32_t crc = 0;
    bool copied = false;
    uint8_t dictionaryProperty = 0;  // LZMA2's one property byte
    uint64_t fileTime = 0;
    uint32_t attributes = 0;
};

struct Packer {
    Packer(int outFd, int mx) : out(outFd), level(mx) {}

    int out;
    int level;
    bool writeFailed = false;
    std::vector<uint8_t> inBuffer = std::vector<uint8_t>(kBufferSize);
    std::vector<uint8_t> outBuffer = std::vector<uint8_t>(kBufferSize);
    std::string error;

    // Reads the whole of fd (size bytes), packing it to out.
    bool pack(int fd, uint64_t size, Written& w)
    {
        w.unpackSize = size;
        w.hasStream = true;
        if (level == 0)
            return copy(fd, size, w);
        lzma_options_lzma options;
        lzma_filter filters[2] = {{LZMA_FILTER_LZMA2, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
        if (lzma_lzma_preset(&options, uint32_t(level))) {
            error = "unsupported compression level";
            return false;
        }
        // 7-Zip's encoder does its normal level (-mx=5) faster than liblzma
        // does the same settings; a shorter match length keeps the standard
        // level as quick as 7-Zip's for under 2 % more size.
        if (level == 5)
            options.nice_len = kStandardNiceLength;
        const uint64_t block = blockSize(size);
        // No window larger than the data it can look back on: the same
        // output, less memory for whoever unpacks it.
        options.dict_size = uint32_t(std::clamp<uint64_t>(block ? block : size, LZMA_DICT_SIZE_MIN, options.dict_size));
        if (lzma_properties_encode(filters, &w.dictionaryProperty) != LZMA_OK) {
            error = "cannot start the LZMA2 encoder";
            return false;
        }
        if (block)
            return encodeBlocks(fd, size, block, filters, w);
        lzma_stream strm = LZMA_STREAM_INIT;
        if (lzma_raw_encoder(&strm, filters) != LZMA_OK) {
            error = "cannot start the LZMA2 encoder";
            return false;
        }
        const bool ok = encode(fd, size, strm, w);
        lzma_end(&strm);
        return ok;
    }

    // Size of the blocks a file is packed in side by side, one per core, or
    // 0 to pack it as one stream. Each block starts with a fresh dictionary
    // (LZMA2 allows that mid-stream, as 7-Zip's own multi-threaded packing
    // does), which costs a little ratio and buys the cores' time.
    static uint64_t blockSize(uint64_t size)
    {
        const uint64_t threads = std::clamp<uint64_t>(std::thread::hardware_concurrency(), 1, kMaxBlockThreads);
        if (threads < 2 || size < 2 * kMinBlock)
            return 0;
        return std::clamp<uint64_t>((size + threads - 1) / threads, kMinBlock, kMaxBlock);
    }

    bool encodeBlocks(int fd, uint64_t size, uint64_t block, const lzma_filter* filters, Written& w)
    {
        const uint64_t threads = std::clamp<uint64_t>(std::thread::hardware_concurrency(), 1, kMaxBlockThreads);
        std::vector<uint8_t> input(size_t(std::min(size, block * threads)));
        std::vector<std::vector<uint8_t>> packed{size_t(threads)};
        uint64_t left = size;
        while (left > 0) {
            const size_t got = size_t(std::min<uint64_t>(left, input.size()));
            if (!readFull(fd, input.data(), got))
                return false;
            left -= got;
            w.crc = klmCrc32(input.data(), got, w.crc);
            const size_t count = size_t((got + block - 1) / block);
            std::vector<char> ok(count, 0);
            auto packBlock = [&](size_t i) {
                const size_t start = size_t(i * block);
                ok[i] = encodeBlock(filters, input.data() + start, std::min<size_t>(size_t(block), got - start),
                                    packed[i]);
            };
            std::vector<std::thread> helpers;
            for (size_t i = 1; i < count; ++i)
                helpers.emplace_back(packBlock, i);
            packBlock(0);
            for (std::thread& t : helpers)
                t.join();
            for (size_t i = 0; i < count; ++i) {
                // Each block is a whole stream; all but its end marker goes.
                if (!ok[i]) {
                    error = "LZMA2 encoder failed";
                    return false;
                }
                if (!emit(packed[i].data(), packed[i].size() - 1))
                    return false;
                w.packSize += packed[i].size() - 1;
            }
        }
        const uint8_t end = 0x00;
        if (!emit(&end, 1))
            return false;
        w.packSize += 1;
        return true;
    }

    static bool encodeBlock(const lzma_filter* filters, const uint8_t* in, size_t size, std::vector<uint8_t>& out)
    {
        // LZMA2 stores what does not compress in chunks of 64 KiB with a
        // 3-byte header, so this always fits.
        out.resize(size + size / 4096 + 4096);
        size_t written = 0;
        if (lzma_raw_buffer_encode(filters, nullptr, in, size, out.data(), &written, out.size()) != LZMA_OK)
            return false;
        out.resize(written);
        return written > 0 && out.back() == 0x00;
    }

    bool readFull(int fd, uint8_t* to, size_t size)
    {
        while (size > 0) {
            const ssize_t n = ::read(fd, to, size);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                error = n < 0 ? std::strerror(errno) : "the file changed while it was read";
                return false;
            }
            to += n;
            size -= size_t(n);
        }
        return true;
    }

    bool emit(const void* data, size_t size)
    {
        writeFailed = !writeAll(out, data, size, error);
        return !writeFailed;
    }

    bool readSome(int fd, uint64_t& left, size_t& got)
    {
        for (;;) {
            const ssize_t n = ::read(fd, inBuffer.data(), size_t(std::min<uint64_t>(left, inBuffer.size())));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                error = n < 0 ? std::strerror(errno) : "the file changed while it was read";
                return false;
            }
            got = size_t(n);
            left -= got;
            return true;
        }
    }

    bool copy(int fd, uint64_t size, Written& w)
    {
        uint64_t left = size;
        while (left > 0) {
            size_t got = 0;
            if (!readSome(fd, left, got))
                return false;
            w.crc = klmCrc32(inBuffer.data(), got, w.crc);
            if (!emit(inBuffer.data(), got))
                return false;
            w.packSize += got;
        }
        return true;
    }

    bool encode(int fd, uint64_t size, lzma_stream& strm, Written& w)
    {
        uint64_t left = size;
        lzma_action action = LZMA_RUN;
        strm.next_out = outBuffer.data();
        strm.avail_out = outBuffer.size();
        for (;;) {
            if (strm.avail_in == 0 && action == LZMA_RUN) {
                if (left == 0) {
                    action = LZMA_FINISH;
                } else {
                    size_t got = 0;
                    if (!readSome(fd, left, got))
                        return false;
                    w.crc = klmCrc32(inBuffer.data(), got, w.crc);
                    strm.next_in = inBuffer.data();
                    strm.avail_in = got;
                }
            }
            const lzma_ret r = lzma_code(&strm, action);
            if (strm.avail_out == 0 || r == LZMA_STREAM_END) {
                const size_t n = outBuffer.size() - strm.avail_out;
                if (!emit(outBuffer.data(), n))
                    return false;
                w.packSize += n;
                strm.next_out = outBuffer.data();
                strm.avail_out = outBuffer.size();
            }
            if (r == LZMA_STREAM_END)
                return true;
            if (r != LZMA_OK) {
                error = r == LZMA_MEM_ERROR ? "out of memory" : "LZMA2 encoder failed";
                return false;
            }
        }
    }
};

uint64_t fileTime(int64_t seconds, long nanoseconds)
{
    const int64_t t = (seconds + kFileTimeEpochOffset) * 10000000 + nanoseconds / 100;
    return t < 0 ? 0 : uint64_t(t);
}

void putStreamsInfo(std::string& h, const std::vector<Written>& entries)
{
    std::vector<const Written*> streams;
    for (const Written& w : entries)
        if (w.hasStream)
            streams.push_back(&w);
    if (streams.empty())
        return;
    h += char(kMainStreamsInfo);
    h += char(kPackInfo);
    putNumber(h, 0);  // the first stream starts right after the signature header
    putNumber(h, streams.size());
    h += char(kSize);
    for (const Written* w : streams)
        putNumber(h, w->packSize);
    h += char(kEnd);

    h += char(kUnPackInfo);
    h += char(kFolder);
    putNumber(h, streams.size());
    h += char(0);  // the folders follow inline
    for (const Written* w : streams) {
        putNumber(h, 1);  // one simple coder: one stream in, one out
        if (w->copied) {
            h += char(0x01);  // id of one byte, no properties
            h += char(0x00);  // Copy
        } else {
            h += char(0x21);  // id of one byte, with properties
            h += char(0x21);  // LZMA2
            putNumber(h, 1);
            h += char(w->dictionaryProperty);
        }
    }
    h += char(kCodersUnPackSize);
    for (const Written* w : streams)
        putNumber(h, w->unpackSize);
    h += char(kEnd);

    // One file per folder: only the CRCs need saying.
    h += char(kSubStreamsInfo);
    h += char(kCRC);
    h += char(1);  // all defined
    for (const Written* w : streams)
        putLe(h, w->crc, 4);
    h += char(kEnd);
    h += char(kEnd);
}

void putFilesInfo(std::string& h, const std::vector<KlmArchiveInput>& inputs, const std::vector<Written>& entries)
{
    h += char(kFilesInfo);
    putNumber(h, entries.size());
    std::vector<bool> emptyStream;
    std::vector<bool> emptyFile;
    for (size_t i = 0; i < entries.size(); ++i) {
        emptyStream.push_back(!entries[i].hasStream);
        if (!entries[i].hasStream)
            emptyFile.push_back(!inputs[i].folder);
    }
    if (!emptyFile.empty()) {
        std::string bits;
        putBits(bits, emptyStream);
        putProperty(h, kEmptyStream, bits);
        if (std::find(emptyFile.begin(), emptyFile.end(), true) != emptyFile.end()) {
            bits.clear();
            putBits(bits, emptyFile);
            putProperty(h, kEmptyFile, bits);
        }
    }
    std::string names(1, '\0');  // not external
    for (const KlmArchiveInput& in : inputs)
        names += utf16Name(in.memberName);
    putProperty(h, kName, names);
    std::string times("\1\0", 2);  // all defined, not external
    for (const Written& w : entries)
        putLe(times, w.fileTime, 8);
    putProperty(h, kMTime, times);
    std::string attributes("\1\0", 2);
    for (const Written& w : entries)
        putLe(attributes, w.attributes, 4);
    putProperty(h, kWinAttributes, attributes);
    h += char(kEnd);
}

bool packEntry(Packer& packer, const KlmArchiveInput& in, Written& w)
{
    if (in.folder) {
        w.fileTime = fileTime(in.mtime, in.mtimeNsec);
        w.attributes = kAttributeDirectory | kAttributeUnixExtension | uint32_t(S_IFDIR | 0755) << 16;
        return true;
    }
    struct stat st {};
    const int fd = klmOpenRegularFile(in.filePath, st, packer.error);
    if (fd < 0)
        return false;
    w.fileTime = fileTime(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
    w.attributes = kAttributeArchive | kAttributeUnixExtension | uint32_t(S_IFREG | 0644) << 16;
    w.copied = packer.level == 0;
    const bool ok = st.st_size == 0 || packer.pack(fd, uint64_t(st.st_size), w);
    ::close(fd);
    if (!ok && !packer.writeFailed)
        packer.error = in.filePath + ": " + packer.error;
    return ok;
}

}  // namespace

bool klmWrite7zArchive(int fd, const std::vector<KlmArchiveInput>& inputs, int level, std::string& error)
{
    const std::string placeholder(kSignatureHeaderSize, '\0');
    if (!writeAll(fd, placeholder.data(), placeholder.size(), error))
        return false;
    Packer packer(fd, level);
    std::vector<Written> entries(inputs.size());
    uint64_t packed = 0;
    for (size_t i = 0; i < inputs.size(); ++i) {
        if (!packEntry(packer, inputs[i], entries[i])) {
            error = packer.error;
            return false;
        }
        packed += entries[i].packSize;
    }

    std::string header(1, char(kHeader));
    putStreamsInfo(header, entries);
    putFilesInfo(header, inputs, entries);
    header += char(kEnd);
    if (!writeAll(fd, header.data(), header.size(), error))
        return false;

    std::string start("7z\xBC\xAF\x27\x1C\x00\x04", 8);
    std::string tail;
    putLe(tail, packed, 8);  // the header's offset from the end of the signature header
    putLe(tail, header.size(), 8);
    putLe(tail, klmCrc32(header.data(), header.size()), 4);
    putLe(start, klmCrc32(tail.data(), tail.size()), 4);
    start += tail;
    if (::pwrite(fd, start.data(), start.size(), 0) != ssize_t(start.size())) {
        error = std::strerror(errno);
        return false;
    }
    return true;
}
