#include "text/file_stamp.h"

#include <sys/stat.h>

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

bool klmFileStillHolds(const std::string& path, const KlmFileStamp& stamp, const KlmDigest& digest)
{
    if (!stamp.known || stamp.digest != digest)
        return false;
    const KlmFileStamp now = klmStampFile(path, digest);
    return now.known && now.device == stamp.device && now.inode == stamp.inode && now.size == stamp.size &&
           now.mtimeNs == stamp.mtimeNs;
}
