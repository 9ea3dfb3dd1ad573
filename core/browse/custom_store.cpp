#include "browse/custom_store.h"

#include <climits>
#include <cstring>

#include "text/file_io.h"
#include "text/save_file.h"

std::string klmCustomStoreImage(const std::vector<CustomSearchRecord>& records)
{
    // The count is 32-bit; a store can only have come from such a file.
    return klmRecordImage(records, INT32_MAX / sizeof(CustomSearchRecord),
                          [](const CustomSearchRecord& record) { return record; });
}

bool klmReadCustomStoreImage(std::string_view image, std::vector<CustomSearchRecord>& records)
{
    // Carried unread, so there is no limit but the file itself.
    const KlmRecordCount count = klmRecordCount(image, sizeof(CustomSearchRecord), SIZE_MAX);
    records.resize(count.take);
    if (count.take > 0)
        std::memcpy(records.data(), image.data() + kKlmRecordCountSize, count.take * sizeof(CustomSearchRecord));
    return count.sound;
}

bool klmLoadCustomStoreFile(const std::string& path, std::vector<CustomSearchRecord>& records, std::string* error)
{
    std::string image;
    if (!klmReadSaveFile(path, image, error))
        return false;
    klmReadCustomStoreImage(image, records);
    return true;
}

bool klmSaveCustomStoreFile(const std::string& path, const std::vector<CustomSearchRecord>& records,
                            std::string* error)
{
    return klmWriteFileAtomic(path, klmCustomStoreImage(records), error);
}
