// What the save-file readers share: reading a save file whole, telling a
// file that is not there from one that cannot be read, and the binary files
// made of a 32-bit count followed by fixed-size records.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

// Records are copied as they lie in memory, which is the files'
// little-endian layout only on a little-endian machine.
static_assert(std::endian::native == std::endian::little);

// Reads a save file whole. A missing file returns false with an empty
// *error (nothing was saved yet); one that exists but cannot be read returns
// false with a reason.
bool klmReadSaveFile(const std::string& path, std::string& image, std::string* error);

inline constexpr size_t kKlmRecordCountSize = 4;

// What the leading count of a record file lets a reader take.
struct KlmRecordCount {
    // The stored count, clamped to the whole records that follow it and to
    // the limit: a damaged count never reads past the file.
    size_t take = 0;
    // A count was there, and it was neither negative, above the limit, nor
    // above the records that follow.
    bool sound = false;
};

KlmRecordCount klmRecordCount(std::string_view image, size_t recordSize, size_t limit);

// Record i of a record file image, copied out (the image need not be
// aligned for T). i must be below the count klmRecordCount allows.
template <class T>
T klmStoredRecord(std::string_view image, size_t i)
{
    T record;
    std::memcpy(&record, image.data() + kKlmRecordCountSize + i * sizeof(T), sizeof(T));
    return record;
}

// The image of the first `limit` records (all when there are fewer), each
// written as clean(record) gives it. limit must keep the count in 32 bits.
template <class T, class Clean>
std::string klmRecordImage(const std::vector<T>& records, size_t limit, Clean clean)
{
    const size_t n = std::min(records.size(), limit);
    const int32_t count = static_cast<int32_t>(n);
    std::string out(kKlmRecordCountSize + n * sizeof(T), '\0');
    std::memcpy(out.data(), &count, kKlmRecordCountSize);
    for (size_t i = 0; i < n; ++i) {
        const T record = clean(records[i]);
        std::memcpy(out.data() + kKlmRecordCountSize + i * sizeof(T), &record, sizeof(T));
    }
    return out;
}
