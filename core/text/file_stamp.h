// What a file held when this run last read or wrote it, so that a write of
// the very same bytes to the very same, untouched file can be left out.
//
// A stamp is the file's identity on disk (device, inode, size, modification
// time to the nanosecond) and a 128-bit digest of its bytes. A file is taken
// to be unchanged only when all of them still agree: anything that replaces
// or rewrites it in place changes its identity, and anything that changes
// the bytes to be written changes the digest.
#pragma once

#include <array>
#include <cstdint>
#include <future>
#include <optional>
#include <span>
#include <string>
#include <string_view>

using KlmDigest = std::array<uint64_t, 2>;

struct KlmFileStamp {
    bool known = false;
    KlmDigest digest{};
    uint64_t device = 0;
    uint64_t inode = 0;
    uint64_t size = 0;
    int64_t mtimeNs = 0;
    // The digest of a large file may be left until it is wanted (none when
    // it cannot be taken then); klmSettleStamp takes it.
    std::shared_future<std::optional<KlmDigest>> later;
};

// Takes a digest left until now (or waits for the thread taking it): the
// stamp then holds it, or is unknown when it could not be taken.
void klmSettleStamp(KlmFileStamp& stamp);

// The stamp of the open file fd with its digest left until the stamp is
// settled, from a read-only mapping of its own (on a descriptor of its own,
// so fd may be closed): a start that loads a large cache need not wait for
// a walk over every byte, and a run that never saves never takes it. Should
// the file's identity have changed by then, the stamp becomes unknown.
KlmFileStamp klmStampOpenFileLater(int fd);

// Starts taking a digest left for later on a thread of its own (task), so
// that it runs while the caller does other work before settling the stamp.
void klmStartStamp(const KlmFileStamp& stamp, std::future<void>& task);

// The digest of the parts' bytes, one after another.
KlmDigest klmDigestParts(std::span<const std::string_view> parts);

// A digest built piece by piece, for bytes that arrive in pieces.
struct KlmDigestBuilder {
    KlmDigestBuilder();
    ~KlmDigestBuilder();
    KlmDigestBuilder(const KlmDigestBuilder&) = delete;
    KlmDigestBuilder& operator=(const KlmDigestBuilder&) = delete;
    void add(const void* bytes, size_t n);
    KlmDigest digest() const;

private:
    void* state_;
};

// The stamp of an open file (fd) or of the file at path, holding bytes with
// the given digest. An unknown stamp when the file cannot be examined.
KlmFileStamp klmStampOpenFile(int fd, const KlmDigest& digest);
KlmFileStamp klmStampFile(const std::string& path, const KlmDigest& digest);

// Whether the file at path is still the one stamp describes and its bytes
// have the given digest: then writing them again would change nothing.
bool klmFileStillHolds(const std::string& path, const KlmFileStamp& stamp, const KlmDigest& digest);
