#include "browse/sort.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cstring>

#include "browse/sort_keys.h"
#include "catalogue/app_paths.h"
#include "catalogue/cache.h"
#include "text/cp932.h"
#include "text/file_io.h"

// The orders are stored as they lie in memory, which is the file's
// little-endian layout only on a little-endian machine.
static_assert(std::endian::native == std::endian::little);

namespace {

constexpr size_t kEntryBytes = 4;

// Compares like the difference left − right would, without its overflow.
inline int compareInt(int32_t a, int32_t b)
{
    return a < b ? -1 : a > b ? 1 : 0;
}

inline int compareText(std::string_view a, std::string_view b)
{
    // string_view compares chars as unsigned bytes, a prefix first.
    const int c = a.compare(b);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

bool isPermutation(const int32_t* order, size_t n, std::vector<uint8_t>& seen)
{
    std::fill(seen.begin(), seen.end(), 0);
    for (size_t i = 0; i < n; ++i) {
        const int32_t v = order[i];
        if (v < 0 || static_cast<size_t>(v) >= n || seen[static_cast<size_t>(v)])
            return false;
        seen[static_cast<size_t>(v)] = 1;
    }
    return true;
}

// A private mapping of the file's first `bytes`, made of separate mappings
// of kPiece bytes side by side. A fault maps the whole page-cache folio it
// falls in, as far as its mapping reaches, and a file just written is held
// in folios of up to 2 MB: one order in use would bring in its neighbours.
// Neighbouring pieces differ in their read-ahead advice, so that the
// kernel does not join them into one mapping again.
void* mapInPieces(int fd, size_t bytes)
{
    constexpr size_t kPiece = 256 * 1024;
    void* base = mmap(nullptr, bytes, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (base == MAP_FAILED)
        return MAP_FAILED;
    for (size_t at = 0; at < bytes; at += kPiece) {
        char* want = static_cast<char*>(base) + at;
        const size_t length = std::min(kPiece, bytes - at);
        void* piece = mmap(want, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_FIXED, fd, static_cast<off_t>(at));
        if (piece == MAP_FAILED) {
            munmap(base, bytes);
            return MAP_FAILED;
        }
        madvise(piece, length, at / kPiece % 2 ? MADV_RANDOM : MADV_NORMAL);
    }
    return base;
}

// Checks sort.cache for a catalogue of n games by reading it through a
// small buffer (its digest and whether each order is a permutation), then
// maps it: the orders' pages come in only as the orders are used, so a
// start holds the one or two the list shows rather than all of them. False
// (orders untouched) when the file is missing, of another length or not
// sound.
bool mapSortCache(const std::string& path, size_t n, SortOrders& orders, KlmFileStamp* stamp)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const size_t count = n * kKlmSortOrderCount;
    struct stat st {};
    bool sound = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && static_cast<uint64_t>(st.st_size) == count * kEntryBytes;
    KlmDigestBuilder digest;
    std::vector<uint64_t> seen((n + 63) / 64);
    std::vector<int32_t> buffer(std::min<size_t>(count, 16384));
    for (size_t done = 0; sound && done < count;) {
        const size_t want = std::min(buffer.size(), count - done);
        const ssize_t got = pread(fd, buffer.data(), want * kEntryBytes, static_cast<off_t>(done * kEntryBytes));
        if (got <= 0 || got % static_cast<ssize_t>(kEntryBytes) != 0) {
            sound = false;
            break;
        }
        const size_t entries = static_cast<size_t>(got) / kEntryBytes;
        digest.add(buffer.data(), static_cast<size_t>(got));
        for (size_t i = 0; i < entries; ++i) {
            if ((done + i) % n == 0)
                std::fill(seen.begin(), seen.end(), 0);  // the next order starts
            const int32_t v = buffer[i];
            const size_t bit = static_cast<size_t>(v);
            if (v < 0 || bit >= n || (seen[bit / 64] >> (bit % 64) & 1)) {
                sound = false;
                break;
            }
            seen[bit / 64] |= uint64_t{1} << (bit % 64);
        }
        done += entries;
    }
    // A file that grew while it was read is another file.
    sound = sound && fstat(fd, &st) == 0 && static_cast<uint64_t>(st.st_size) == count * kEntryBytes;
    void* map = MAP_FAILED;
    if (sound && count > 0)
        map = mapInPieces(fd, count * kEntryBytes);
    if (sound && stamp)
        *stamp = klmStampOpenFile(fd, digest.digest());
    close(fd);
    if (!sound || (count > 0 && map == MAP_FAILED)) {
        if (stamp)
            *stamp = KlmFileStamp{};
        return false;
    }
    orders.n = static_cast<int32_t>(n);
    if (count > 0)
        orders.data.adoptMapping(map, count);
    else
        orders.data.assign(0, 0);
    return true;
}

}  // namespace

int klmSortKeyForField(int32_t field)
{
    if (field >= 0 && field <= 11)
        return field;
    if (field == 16)
        return 12;
    return -1;
}

int32_t klmFieldOfSortKey(int key)
{
    if (key >= 0 && key <= 11)
        return key;
    if (key == 12)
        return 16;
    return -1;
}

const int32_t* klmSortOrder(const SortOrders& orders, int key, bool titleString)
{
    if (key < 0 || key >= kKlmSortKeyCount || orders.n < 0 ||
        orders.data.size() != static_cast<size_t>(orders.n) * kKlmSortOrderCount)
        return nullptr;
    const size_t slot = static_cast<size_t>((titleString ? 0 : kKlmSortKeyCount) + key);
    return orders.data.data() + slot * static_cast<size_t>(orders.n);
}

int klmCompareSortKey(const Catalogue& cat, int key, bool titleString, int32_t a, int32_t b)
{
    const GameRecord& ga = cat.games[static_cast<size_t>(a)];
    const GameRecord& gb = cat.games[static_cast<size_t>(b)];
    const int tie = compareText(klmSortTitleText(ga, titleString), klmSortTitleText(gb, titleString));
    int primary = 0;
    switch (key) {
    case 0: {
        if (tie != 0)
            return tie;
        return compareInt(ga.releaseDate, gb.releaseDate);
    }
    case kKlmMovieSortKey:
        primary = compareInt(gb.hasMovie, ga.hasMovie);  // right minus left
        break;
    case 11:
        primary = compareText(klmField(ga.arcadeFile), klmField(gb.arcadeFile));
        break;
    default:
        primary = compareInt(klmSortNumericKey(ga, key), klmSortNumericKey(gb, key));
        break;
    }
    return primary != 0 ? primary : tie;
}

std::string_view klmSortCacheBytes(const SortOrders& orders)
{
    return std::string_view(reinterpret_cast<const char*>(orders.data.data()), orders.data.size() * kEntryBytes);
}

std::string klmSortCacheImage(const SortOrders& orders)
{
    return std::string(klmSortCacheBytes(orders));
}

bool klmReadSortCacheImage(std::string_view image, int32_t n, SortOrders& orders)
{
    if (n < 0)
        return false;
    const size_t count = static_cast<size_t>(n) * kKlmSortOrderCount;
    if (image.size() != count * kEntryBytes)
        return false;
    std::vector<int32_t> data(count);
    if (count != 0)
        std::memcpy(data.data(), image.data(), image.size());
    std::vector<uint8_t> seen(static_cast<size_t>(n));
    for (int k = 0; k < kKlmSortOrderCount; ++k)
        if (!isPermutation(data.data() + static_cast<size_t>(k) * static_cast<size_t>(n), static_cast<size_t>(n), seen))
            return false;
    orders.n = n;
    orders.data.adopt(std::move(data));
    return true;
}

KlmSortSource klmBuildSortOrders(SortOrders& orders, const Catalogue& cat, const AppPaths& paths, KlmFileStamp* stamp)
{
    if (stamp)
        *stamp = KlmFileStamp{};
    if (!paths.catalogueChanged && mapSortCache(paths.sortCache, cat.games.size(), orders, stamp))
        return KlmSortSource::Cache;
    klmComputeSortOrders(orders, cat);
    return KlmSortSource::Computed;
}

bool klmWriteSortCache(const AppPaths& paths, const SortOrders& orders, std::string* error, KlmFileStamp* stamp,
                       bool* skipped)
{
    const std::string_view bytes = klmSortCacheBytes(orders);
    return klmWriteCacheParts(paths.sortCache, std::span<const std::string_view>(&bytes, 1), error, stamp, skipped);
}

bool klmBeginSortCacheWrite(KlmAtomicWrite& w, const AppPaths& paths, const SortOrders& orders, std::string* error,
                            KlmFileStamp* stamp)
{
    const std::string_view bytes = klmSortCacheBytes(orders);
    return klmBeginCacheWrite(w, paths.sortCache, std::span<const std::string_view>(&bytes, 1), error, stamp);
}
