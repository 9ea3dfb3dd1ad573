// Display texts of release dates, prices and ROM sizes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct Catalogue;

// Date formats 0-5, price formats 0-3, size formats 0-1; out-of-range
// formats are treated as 0.
std::string klmFormatDate(int32_t date, int format);
// The date text built from the <date> value's characters while parsing.
std::string klmFormatDateValue(std::string_view value);
std::string klmFormatPrice(int32_t price, int format);
std::string klmFormatSizeShort(int64_t bytes);  // "24.0 KB"
std::string klmFormatSizeBytes(int64_t bytes);  // "24,576 バイト"

void klmFormatDates(Catalogue& cat, int dateFormat);
void klmFormatPrices(Catalogue& cat, int priceFormat);
void klmFormatSizes(Catalogue& cat, int sizeFormat);
