// Display texts of release dates, prices and ROM sizes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "catalogue/catalogue.h"

// Date formats 0-5, price formats 0-3, size formats 0-1; out-of-range
// formats are treated as 0.
std::string klmFormatDate(int32_t date, int format);
// The date text built from the <date> value's characters while parsing.
std::string klmFormatDateValue(std::string_view value);
std::string klmFormatPrice(int32_t price, int format);
std::string klmFormatSizeShort(int64_t bytes);  // "24.0 KB"
std::string klmFormatSizeBytes(int64_t bytes);  // "24,576 バイト"

// The formats a pass gives the records' texts; a text without one is left
// as it is.
struct KlmRecordFormats {
    std::optional<int> date;
    std::optional<int> price;
    std::optional<int> size;
};

// Sets one record's texts; a text that already reads so is not written.
void klmFormatRecord(GameRecord& g, const KlmRecordFormats& formats);
// Asks the processor early for the fields klmFormatRecord (and the special
// CRC rule) reads.
void klmPrefetchRecordTexts(const GameRecord& g);

// Visits every record in order with the fields of one a few places ahead
// already on their way: at 200,000 records of nearly 2 KB, a pass that
// waits on memory for each record costs tens of milliseconds.
template <class Visit>
void klmForEachRecordAhead(Catalogue& cat, size_t begin, size_t end, Visit visit)
{
    constexpr size_t kAhead = 6;
    for (size_t i = begin; i < end; ++i) {
        if (i + kAhead < end) klmPrefetchRecordTexts(cat.games[i + kAhead]);
        visit(cat.games[i]);
    }
}
template <class Visit>
void klmForEachRecordAhead(Catalogue& cat, Visit visit)
{
    klmForEachRecordAhead(cat, 0, cat.games.size(), visit);
}

void klmFormatRecords(Catalogue& cat, const KlmRecordFormats& formats);
void klmFormatDates(Catalogue& cat, int dateFormat);
void klmFormatPrices(Catalogue& cat, int priceFormat);
void klmFormatSizes(Catalogue& cat, int sizeFormat);
