#include "browse/custom_store.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstring>

#include "text/file_io.h"

static_assert(std::endian::native == std::endian::little);

namespace {
constexpr size_t kCountSize = 4;
}

std::string klmCustomStoreImage(const std::vector<CustomSearchRecord>& records)
{
    // The count is 32-bit; a store can only have come from such a file.
    const size_t n = std::min(records.size(), static_cast<size_t>(INT32_MAX / sizeof(CustomSearchRecord)));
    const int32_t count = static_cast<int32_t>(n);
    std::string out(kCountSize + n * sizeof(CustomSearchRecord), '\0');
    std::memcpy(out.data(), &count, kCountSize);
    if (n > 0)
        std::memcpy(out.data() + kCountSize, records.data(), n * sizeof(CustomSearchRecord));
    return out;
}

bool klmReadCustomStoreImage(std::string_view image, std::vector<CustomSearchRecord>& records)
{
    records.clear();
    if (image.size() < kCountSize)
        return false;
    int32_t count = 0;
    std::memcpy(&count, image.data(), kCountSize);
    const size_t held = (image.size() - kCountSize) / sizeof(CustomSearchRecord);
    const size_t n = count < 0 ? 0 : std::min(static_cast<size_t>(count), held);
    records.resize(n);
    if (n > 0)
        std::memcpy(records.data(), image.data() + kCountSize, n * sizeof(CustomSearchRecord));
    return count >= 0 && static_cast<size_t>(count) <= held;
}

bool klmLoadCustomStoreFile(const std::string& path, std::vector<CustomSearchRecord>& records, std::string* error)
{
    if (error)
        error->clear();
    if (!klmFileExists(path))
        return false;
    std::string image;
    if (!klmReadWholeFile(path, image, error))
        return false;
    klmReadCustomStoreImage(image, records);
    return true;
}

bool klmSaveCustomStoreFile(const std::string& path, const std::vector<CustomSearchRecord>& records,
                            std::string* error)
{
    return klmWriteFileAtomic(path, klmCustomStoreImage(records), error);
}
