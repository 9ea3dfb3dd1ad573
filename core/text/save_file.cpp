#include "save_file.h"

#include "file_io.h"

bool klmReadSaveFile(const std::string& path, std::string& image, std::string* error)
{
    if (error)
        error->clear();
    if (!klmFileExists(path))
        return false;
    return klmReadWholeFile(path, image, error);
}

KlmRecordCount klmRecordCount(std::string_view image, size_t recordSize, size_t limit)
{
    if (image.size() < kKlmRecordCountSize)
        return {};
    int32_t count = 0;
    std::memcpy(&count, image.data(), kKlmRecordCountSize);
    const size_t held = (image.size() - kKlmRecordCountSize) / recordSize;
    const size_t asked = count < 0 ? 0 : static_cast<size_t>(count);
    return {std::min({asked, held, limit}), count >= 0 && asked <= held && asked <= limit};
}
