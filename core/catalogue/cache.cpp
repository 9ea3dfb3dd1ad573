// dat.cache is the loaded Catalogue as it lies in memory: nine counts, then
// each array as its used entries. fdate.cache holds the local modification
// times of the five catalogue files; when they all still match, the cache
// is used instead of parsing.
//
// A cache is trusted only when its counts are sane and add up to its exact
// length; anything else is parsed again from the text files.
#include "catalogue/cache.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <optional>
#include <thread>

#include "catalogue/app_paths.h"
#include "catalogue/format.h"
#include "text/file_io.h"

namespace {

constexpr size_t kCountBytes = 9 * 4;

void putU16(std::string& out, uint16_t v)
{
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>(v >> 8));
}

int32_t getI32(const unsigned char* p)
{
    return static_cast<int32_t>(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
}

// An array's bytes as they lie in memory, which is the file's layout.
template <typename Array>
std::string_view bytesOf(const Array& v)
{
    return std::string_view(reinterpret_cast<const char*>(v.data()), v.size() * sizeof(v[0]));
}

const std::string* catalogueFiles(const AppPaths& p, int i)
{
    switch (i) {
    case 0: return &p.dataDat;
    case 1: return &p.hardDat;
    case 2: return &p.softDat;
    case 3: return &p.genreDat;
    default: return &p.screenDat;
    }
}

// The counts of an image, in file order: games, hardware, software,
// developer, publisher, genre, screen, ROM size, movie.
struct Counts {
    int64_t n[9];
};

// Reads the nine counts and checks that they are sane and add up to the
// file's exact length.
bool parseCounts(const unsigned char* head, uint64_t fileSize, Counts& c)
{
    uint64_t total = kCountBytes;
    for (int i = 0; i < 9; ++i) {
        c.n[i] = getI32(head + 4 * i);
        if (c.n[i] < 0) return false;
        if (i == 0) total += uint64_t(c.n[i]) * sizeof(GameRecord);
        else if (i < 8) total += uint64_t(c.n[i]) * sizeof(MasterEntry);
    }
    return c.n[8] <= c.n[0] && total == fileSize;
}

// fdate.cache: the five files' times; one that cannot be read as zeros.
std::string fileTimesImage(const AppPaths& paths)
{
    std::string out;
    out.reserve(80);
    for (int i = 0; i < 5; ++i) {
        KlmFileTime t{};
        if (!klmGetFileTime(*catalogueFiles(paths, i), t)) t = {};
        for (uint16_t v : t) putU16(out, v);
    }
    return out;
}

}  // namespace

bool klmGetFileTime(const std::string& path, KlmFileTime& out)
{
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return false;
    // Local time with today's offset from UTC, as the catalogue's first home
    // converted file times: a change of time zone or of daylight saving time
    // therefore makes the caches stale, which only costs a parse.
    time_t now = time(nullptr);
    struct tm nowLocal {};
    localtime_r(&now, &nowLocal);
    time_t shifted = st.st_mtim.tv_sec + nowLocal.tm_gmtoff;
    struct tm t {};
    if (!gmtime_r(&shifted, &t)) return false;
    out = {static_cast<uint16_t>(t.tm_year + 1900), static_cast<uint16_t>(t.tm_mon + 1),
           static_cast<uint16_t>(t.tm_wday),        static_cast<uint16_t>(t.tm_mday),
           static_cast<uint16_t>(t.tm_hour),        static_cast<uint16_t>(t.tm_min),
           static_cast<uint16_t>(t.tm_sec),         static_cast<uint16_t>(st.st_mtim.tv_nsec / 1000000)};
    return true;
}

void klmCheckCacheValidity(AppPaths& paths)
{
    paths.catalogueChanged = true;
    std::string image;
    if (!klmReadWholeFile(paths.fdateCache, image)) return;
    if (image.size() < 5 * 16) return;
    const auto* p = reinterpret_cast<const unsigned char*>(image.data());
    for (int i = 0; i < 5; ++i) {
        // A file whose time cannot be read (screen.dat is optional) was
        // written as 16 zero bytes: it matches only while it stays missing,
        // so an absent screen.dat does not throw away the audit results
        // that live in dat.cache at every start.
        KlmFileTime t{};
        if (!klmGetFileTime(*catalogueFiles(paths, i), t)) t = {};
        for (int k = 0; k < 8; ++k) {
            uint16_t stored = static_cast<uint16_t>(p[16 * i + 2 * k] | p[16 * i + 2 * k + 1] << 8);
            if (stored != t[k]) return;
        }
    }
    paths.catalogueChanged = false;
}

std::string klmFileTimesImage(const AppPaths& paths)
{
    return fileTimesImage(paths);
}

bool klmWriteFileTimes(const AppPaths& paths, std::string* error)
{
    return klmWriteFileAtomic(paths.fdateCache, fileTimesImage(paths), error);
}

KlmCacheParts klmCatalogueCacheParts(const Catalogue& cat, KlmCacheHeader& header)
{
    const int32_t counts[9] = {
        static_cast<int32_t>(cat.games.size()),     static_cast<int32_t>(cat.hardware.size()),
        static_cast<int32_t>(cat.software.size()),  static_cast<int32_t>(cat.developer.size()),
        static_cast<int32_t>(cat.publisher.size()), static_cast<int32_t>(cat.genre.size()),
        static_cast<int32_t>(cat.screen.size()),    static_cast<int32_t>(cat.romSize.size()),
        cat.movieCount,
    };
    for (int i = 0; i < 9; ++i) {
        const uint32_t u = static_cast<uint32_t>(counts[i]);
        for (int b = 0; b < 4; ++b)
            header[4 * i + b] = static_cast<char>((u >> (8 * b)) & 0xFF);
    }
    return {std::string_view(header, sizeof header), bytesOf(cat.games),     bytesOf(cat.hardware),
            bytesOf(cat.software),                   bytesOf(cat.developer), bytesOf(cat.publisher),
            bytesOf(cat.genre),                      bytesOf(cat.screen),    bytesOf(cat.romSize)};
}

std::string klmCatalogueCacheImage(const Catalogue& cat)
{
    KlmCacheHeader header;
    std::string out;
    for (std::string_view part : klmCatalogueCacheParts(cat, header))
        out.append(part);
    return out;
}

namespace {

// Fills the arrays in the file's order from a source of bytes; read(dst, n)
// copies the next n bytes and answers false when it cannot.
// games clear: the games are already in place and the source starts at
// the tables.
template <typename Read>
bool readArrays(const Counts& c, Catalogue& cat, Read read, bool games = true)
{
    auto take = [&](auto& vec, int64_t n) {
        using T = typename std::decay_t<decltype(vec)>::value_type;
        vec.resize(static_cast<size_t>(n));
        return read(vec.data(), static_cast<size_t>(n) * sizeof(T));
    };
    if (!((!games || take(cat.games, c.n[0])) && take(cat.hardware, c.n[1]) && take(cat.software, c.n[2]) &&
          take(cat.developer, c.n[3]) && take(cat.publisher, c.n[4]) && take(cat.genre, c.n[5]) &&
          take(cat.screen, c.n[6]) && take(cat.romSize, c.n[7])))
        return false;
    cat.movieCount = static_cast<int32_t>(c.n[8]);
    return true;
}

// Reads dat.cache straight into the arrays: no intermediate copy of a file
// that holds ~400 MB for 200,000 games. The digest of the bytes is taken
// piece by piece right after each piece is read, while it is still in the
// processor's cache.
bool readCacheFile(const std::string& path, Catalogue& cat, KlmFileStamp* stamp)
{
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    std::optional<KlmDigestBuilder> digest;
    if (stamp) digest.emplace();
    auto readAll = [fd, &digest](void* dst, size_t n) {
        char* d = static_cast<char*>(dst);
        while (n > 0) {
            ssize_t r = read(fd, d, std::min<size_t>(n, 8u << 20));
            if (r < 0 && errno == EINTR) continue;
            if (r <= 0) return false;
            if (digest) digest->add(d, static_cast<size_t>(r));
            d += r;
            n -= static_cast<size_t>(r);
        }
        return true;
    };
    struct stat st {};
    unsigned char head[kCountBytes];
    Counts c{};
    Catalogue loaded;
    const bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && readAll(head, kCountBytes) &&
                    parseCounts(head, static_cast<uint64_t>(st.st_size), c) && readArrays(c, loaded, readAll);
    if (ok && stamp) *stamp = klmStampOpenFile(fd, digest->digest());
    close(fd);
    if (ok) cat = std::move(loaded);
    return ok;
}

// Maps dat.cache privately instead of reading it: the records are the
// file's pages, read when first touched and copied only where written, and
// the tables (a few hundred kilobytes) are copied out. False when the file
// cannot be mapped (or is not sound).
bool mapCacheFile(const std::string& path, Catalogue& cat, KlmFileStamp* stamp)
{
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    unsigned char head[kCountBytes];
    Counts c{};
    void* map = MAP_FAILED;
    const size_t size = fstat(fd, &st) == 0 ? static_cast<size_t>(st.st_size) : 0;
    if (S_ISREG(st.st_mode) && pread(fd, head, kCountBytes, 0) == static_cast<ssize_t>(kCountBytes) &&
        parseCounts(head, size, c))
        map = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE, fd, 0);
    if (map == MAP_FAILED) {
        close(fd);
        return false;
    }
    madvise(map, size, MADV_WILLNEED);
    // The digest of the whole file is only wanted when the caches are
    // saved: the start does not wait for a walk over every byte.
    if (stamp) *stamp = klmStampOpenFileLater(fd);
    close(fd);

    Catalogue loaded;
    const size_t gamesBytes = static_cast<size_t>(c.n[0]) * sizeof(GameRecord);
    loaded.games.adoptMapping(map, size, kCountBytes, static_cast<size_t>(c.n[0]));
    const char* p = static_cast<const char*>(map) + kCountBytes + gamesBytes;
    readArrays(c, loaded, [&p](void* dst, size_t n) {
        if (n > 0) std::memcpy(dst, p, n);
        p += n;
        return true;
    }, /*games=*/false);
    // The tables now live in their own arrays: their pages of the mapping,
    // never written, go back to the file rather than stay resident.
    const uintptr_t page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    const uintptr_t tablesFrom = reinterpret_cast<uintptr_t>(map) + kCountBytes + gamesBytes;
    const uintptr_t firstFree = (tablesFrom + page - 1) / page * page;
    const uintptr_t end = reinterpret_cast<uintptr_t>(map) + size;
    if (firstFree < end) madvise(reinterpret_cast<void*>(firstFree), end - firstFree, MADV_DONTNEED);
    cat = std::move(loaded);
    return true;
}

}  // namespace

bool klmCopyMappedGames(Catalogue& cat)
{
#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23  // Linux 5.14
#endif
    if (!cat.games.mapped()) return true;
    // Breaking the copy-on-write of every page by the kernel changes no
    // byte, so the records may be read and written meanwhile.
    return madvise(cat.games.mappingBase(), cat.games.mappingLength(), MADV_POPULATE_WRITE) == 0;
}

bool klmReadCatalogueCacheImage(std::string_view image, Catalogue& cat)
{
    Counts c{};
    if (image.size() < kCountBytes ||
        !parseCounts(reinterpret_cast<const unsigned char*>(image.data()), image.size(), c))
        return false;
    const char* p = image.data() + kCountBytes;
    Catalogue loaded;
    readArrays(c, loaded, [&p](void* dst, size_t n) {
        if (n > 0) std::memcpy(dst, p, n);
        p += n;
        return true;
    });
    cat = std::move(loaded);
    return true;
}

int klmParseCatalogue(const AppPaths& paths, Catalogue& cat, KlmProblemList* problems)
{
    cat = Catalogue{};
    klmParseDataFile(paths.dataDat, cat, problems);
    // The derived tables read and write other fields of the records than
    // the master tables do: a large catalogue builds them meanwhile.
    std::thread derived;
    if (cat.games.size() >= 16384) derived = std::thread([&cat] { klmBuildDerivedTables(cat); });
    klmLoadMasterTable(KlmTableKind::Hardware, paths.hardDat, cat, problems);
    klmLoadMasterTable(KlmTableKind::Software, paths.softDat, cat, problems);
    klmLoadMasterTable(KlmTableKind::Genre, paths.genreDat, cat, problems);
    klmLoadMasterTable(KlmTableKind::Screen, paths.screenDat, cat, problems);
    if (derived.joinable()) derived.join();
    else klmBuildDerivedTables(cat);
    klmResetMovieMarks(cat);
    return 0;
}

int klmLoadCatalogue(const AppPaths& paths, Catalogue& cat, KlmProblemList* problems, KlmLoadSource* source,
                     bool writeFileTimes, KlmFileStamp* stamp)
{
    if (stamp) *stamp = KlmFileStamp{};
    if (!paths.catalogueChanged && klmFileExists(paths.datCache) &&
        (mapCacheFile(paths.datCache, cat, stamp) || readCacheFile(paths.datCache, cat, stamp))) {
        if (source) *source = KlmLoadSource::Cache;
        return 0;
    }
    klmParseCatalogue(paths, cat, problems);
    if (writeFileTimes) {
        // fdate.cache is about to vouch for the caches: the ones on disk
        // were made from other files (or could not be read), and a run that
        // ends before it writes new ones must not leave them trusted.
        unlink(paths.datCache.c_str());
        unlink(paths.sortCache.c_str());
        klmWriteFileTimes(paths);
    }
    if (source) *source = KlmLoadSource::Parsed;
    return 0;
}

bool klmSaveCatalogueCache(const AppPaths& paths, const Catalogue& cat, std::string* error, KlmFileStamp* stamp,
                           bool* skipped)
{
    KlmCacheHeader header;
    const KlmCacheParts parts = klmCatalogueCacheParts(cat, header);
    return klmWriteCacheParts(paths.datCache, parts, error, stamp, skipped);
}

bool klmBeginCatalogueCacheWrite(KlmAtomicWrite& w, const AppPaths& paths, const Catalogue& cat,
                                 std::string* error, KlmFileStamp* stamp)
{
    KlmCacheHeader header;
    const KlmCacheParts parts = klmCatalogueCacheParts(cat, header);
    return klmBeginCacheWrite(w, paths.datCache, parts, error, stamp);
}

bool klmBeginFileTimesWrite(KlmAtomicWrite& w, const AppPaths& paths, std::string* error)
{
    const std::string image = fileTimesImage(paths);
    const std::string_view part = image;
    return klmBeginAtomicWrite(w, paths.fdateCache, std::span<const std::string_view>(&part, 1), error);
}

bool klmWriteCacheParts(const std::string& path, std::span<const std::string_view> parts, std::string* error,
                        KlmFileStamp* stamp, bool* skipped)
{
    if (skipped) *skipped = false;
    if (!stamp) return klmWriteFileAtomic(path, parts, error);
    // Both digests walk hundreds of megabytes for a large catalogue: the
    // file's, when it was left for later, runs beside the new bytes'.
    std::future<void> fileDigest;
    klmStartStamp(*stamp, fileDigest);
    const KlmDigest digest = klmDigestParts(parts);
    klmSettleStamp(*stamp);
    if (klmFileStillHolds(path, *stamp, digest)) {
        if (skipped) *skipped = true;
        return true;
    }
    *stamp = KlmFileStamp{};
    if (!klmWriteFileAtomic(path, parts, error)) return false;
    *stamp = klmStampFile(path, digest);
    return true;
}

bool klmBeginCacheWrite(KlmAtomicWrite& w, const std::string& path, std::span<const std::string_view> parts,
                        std::string* error, KlmFileStamp* stamp)
{
    if (stamp) *stamp = KlmFileStamp{};
    if (!klmBeginAtomicWrite(w, path, parts, error)) return false;
    // The temporary file keeps its inode, size and time through the rename,
    // so its stamp is the stamp of the file it becomes; should the rename
    // never happen, the stamp matches nothing and the next save writes.
    if (stamp) *stamp = klmStampOpenFile(w.fd, klmDigestParts(parts));
    return true;
}
