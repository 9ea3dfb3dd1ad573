// The custom-search store: records the program carries in save\custom.dat
// from one run to the next without looking inside them. They are kept as
// opaque 2108-byte images and written back exactly as read.
//
// custom.dat is binary, little-endian: a signed 32-bit count, then count
// records. The reader never takes more records than the file holds; the
// writer always writes the count, so an empty store gives a 4-byte file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

struct CustomSearchRecord {
    unsigned char bytes[2108];
};

static_assert(std::is_standard_layout_v<CustomSearchRecord> && std::is_trivially_copyable_v<CustomSearchRecord>);
static_assert(sizeof(CustomSearchRecord) == 2108);

std::string klmCustomStoreImage(const std::vector<CustomSearchRecord>& records);

// Replaces records with those of a custom.dat image. A negative count, or a
// count larger than the records that follow, is clamped to the whole
// records present; returns false for such a damaged image.
bool klmReadCustomStoreImage(std::string_view image, std::vector<CustomSearchRecord>& records);

// A missing file leaves records unchanged and returns false with an empty
// *error; an unreadable one returns false with a reason.
bool klmLoadCustomStoreFile(const std::string& path, std::vector<CustomSearchRecord>& records,
                            std::string* error = nullptr);
bool klmSaveCustomStoreFile(const std::string& path, const std::vector<CustomSearchRecord>& records,
                            std::string* error = nullptr);
