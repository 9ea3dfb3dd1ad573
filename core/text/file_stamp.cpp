#include "text/file_stamp.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <system_error>

#define XXH_STATIC_LINKING_ONLY  // the streaming state's size
#include <xxhash.h>

namespace {

KlmDigest toDigest(XXH128_hash_t h)
{
    return {h.low64, h.high64};
}

KlmFileStamp stampOf(const struct stat& st, const KlmDigest& digest)
{
    KlmFileStamp s;
    s.known = S_ISREG(st.st_mode);
    s.digest = digest;
    s.device = static_cast<uint64_t>(st.st_dev);
    s.inode = static_cast<uint64_t>(st.st_ino);
    s.size = static_cast<uint64_t>(st.st_size);
    s.mtimeNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return s;
}

}  // namespace

KlmDigestBuilder::KlmDigestBuilder() : state_(XXH3_createState())
{
    XXH3_128bits_reset(static_cast<XXH3_state_t*>(state_));
}

KlmDigestBuilder::~KlmDigestBuilder()
{
    XXH3_freeState(static_cast<XXH3_state_t*>(state_));
}

void KlmDigestBuilder::add(const void* bytes, size_t n)
{
    if (n != 0)
        XXH3_128bits_update(static_cast<XXH3_state_t*>(state_), bytes, n);
}

KlmDigest KlmDigestBuilder::digest() const
{
    return toDigest(XXH3_128bits_digest(static_cast<const XXH3_state_t*>(state_)));
}

KlmDigest klmDigestParts(std::span<const std::string_view> parts)
{
    KlmDigestBuilder b;
    for (std::string_view p : parts)
        b.add(p.data(), p.size());
    return b.digest();
}

KlmFileStamp klmStampOpenFile(int fd, const KlmDigest& digest)
{
    struct stat st {};
    return ::fstat(fd, &st) == 0 ? stampOf(st, digest) : KlmFileStamp{};
}

KlmFileStamp klmStampFile(const std::string& path, const KlmDigest& digest)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? stampOf(st, digest) : KlmFileStamp{};
}

void klmSettleStamp(KlmFileStamp& stamp)
{
    if (!stamp.later.valid())
        return;
    const std::optional<KlmDigest> digest = stamp.later.get();
    stamp.later = {};
    if (digest)
        stamp.digest = *digest;
    else
        stamp = KlmFileStamp{};
}

namespace {

bool sameFile(const KlmFileStamp& a, const KlmFileStamp& b)
{
    return a.known && b.known && a.device == b.device && a.inode == b.inode && a.size == b.size &&
           a.mtimeNs == b.mtimeNs;
}

// A descriptor of its own for a digest taken later, closed with the last
// copy of the stamp whether or not the digest was ever wanted.
struct OwnFd {
    explicit OwnFd(int f) : fd(f) {}
    ~OwnFd() { ::close(fd); }
    OwnFd(const OwnFd&) = delete;
    OwnFd& operator=(const OwnFd&) = delete;
    int fd;
};

// The digest of the file as a read-only mapping of its own shows it: the
// pages are the file's, whatever a private mapping of the same file has had
// written to it. None when the file is no longer the one stamped.
std::optional<KlmDigest> digestOpenFile(int fd, const KlmFileStamp& at)
{
    // A file cut short since would fault the mapping: only the file as
    // stamped is read.
    if (!sameFile(klmStampOpenFile(fd, {}), at)) return std::nullopt;
    if (at.size == 0) return klmDigestParts({});
    void* map = mmap(nullptr, at.size, PROT_READ, MAP_SHARED | MAP_POPULATE, fd, 0);
    if (map == MAP_FAILED) return std::nullopt;
    const KlmDigest digest = toDigest(XXH3_128bits(map, at.size));
    munmap(map, at.size);
    if (!sameFile(klmStampOpenFile(fd, digest), at)) return std::nullopt;
    return digest;
}

}  // namespace

KlmFileStamp klmStampOpenFileLater(int fd)
{
    KlmFileStamp stamp = klmStampOpenFile(fd, {});
    const int own = stamp.known ? ::fcntl(fd, F_DUPFD_CLOEXEC, 0) : -1;
    if (own < 0)
        return KlmFileStamp{};
    auto file = std::make_shared<OwnFd>(own);
    stamp.later = std::async(std::launch::deferred, [file, at = stamp] { return digestOpenFile(file->fd, at); }).share();
    return stamp;
}

void klmStartStamp(const KlmFileStamp& stamp, std::future<void>& task)
{
    if (!stamp.later.valid() ||
        stamp.later.wait_for(std::chrono::seconds(0)) != std::future_status::deferred)
        return;
    try {
        task = std::async(std::launch::async, [later = stamp.later] { later.wait(); });
    } catch (const std::system_error&) {
        // The digest is then taken by whoever settles the stamp.
    }
}

bool klmFileStillHolds(const std::string& path, const KlmFileStamp& held, const KlmDigest& digest)
{
    KlmFileStamp stamp = held;
    klmSettleStamp(stamp);
    if (!stamp.known || stamp.digest != digest)
        return false;
    return sameFile(klmStampFile(path, digest), stamp);
}
