// Display texts of dates, prices and ROM sizes. Numbers are printed with
// std::to_chars so that the text never depends on the process locale (the
// GUI runs with the user's locale, which may use a decimal comma).
//
// The texts are built in a small buffer on the stack: the passes over the
// whole catalogue format every record at each start, and a record whose
// text already matches is left untouched.
#include "catalogue/format.h"

#include <charconv>
#include <cstdlib>
#include <cstddef>
#include <cstring>

#include "catalogue/catalogue.h"
#include "text/cp932.h"

namespace {

// "年" "月" "日" "円" "バイト" in code page 932.
constexpr std::string_view kYear = "\x94\x4e";
constexpr std::string_view kMonth = "\x8c\x8e";
constexpr std::string_view kDay = "\x93\xfa";
constexpr std::string_view kYen = "\x89\x7e";
constexpr std::string_view kBytes = " \x83\x6f\x83\x43\x83\x67";

// A display text under construction; every text made here is far shorter.
class ShortText {
public:
    void add(std::string_view s)
    {
        std::memcpy(bytes_ + size_, s.data(), s.size());
        size_ += s.size();
    }
    void add(char c) { bytes_[size_++] = c; }
    void addDecimal(long long v)
    {
        size_ = static_cast<size_t>(std::to_chars(bytes_ + size_, bytes_ + sizeof bytes_, v).ptr - bytes_);
    }
    void addFixed(double v, int precision)
    {
        const auto r = std::to_chars(bytes_ + size_, bytes_ + sizeof bytes_, v, std::chars_format::fixed, precision);
        size_ = static_cast<size_t>(r.ptr - bytes_);
    }
    std::string_view view() const { return {bytes_, size_}; }

private:
    char bytes_[96];
    size_t size_ = 0;
};

int leadingValue(std::string_view digits)
{
    int v = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') break;
        v = v * 10 + (c - '0');
    }
    return v;
}

// The date text from the characters of the decimal date: 1-4 year, 5-6
// month, 7-8 day. Missing characters make that part unknown.
void formatDateChars(std::string_view s, int format, ShortText& out)
{
    if (format < 0 || format > 5) format = 0;
    const bool american = format >= 4;
    const bool padded = (format % 2) == 1;

    auto year = [&] {
        std::string_view yc = s.substr(0, std::min<size_t>(4, s.size()));
        int y = leadingValue(yc);
        if (yc.empty() || y == 0 || y == 9999) {
            out.add(american ? "--" : "----");
        } else if (american) {
            int yy = y % 100;
            if (yy < 10) out.add('0');
            out.addDecimal(yy);
        } else {
            out.add(yc);
        }
    };
    auto part = [&](size_t from) {
        if (s.size() < from + 2) return out.add("--");
        std::string_view pc = s.substr(from, 2);
        int v = leadingValue(pc);
        if (v == 0 || v == 99) return out.add("--");
        if (padded) return out.add(pc);
        out.addDecimal(v);
    };

    if (format <= 1) {
        year();
        out.add(kYear);
        part(4);
        out.add(kMonth);
        part(6);
        out.add(kDay);
    } else if (format <= 3) {
        year();
        out.add('/');
        part(4);
        out.add('/');
        part(6);
    } else {
        part(4);
        out.add('/');
        part(6);
        out.add('/');
        year();
    }
}

void formatDate(int32_t date, int format, ShortText& out)
{
    ShortText digits;
    digits.addDecimal(date);
    formatDateChars(digits.view(), format, out);
}

void formatPrice(int32_t price, int format, ShortText& out)
{
    if (format < 0 || format > 3) format = 0;
    if (format >= 2) out.add('\\');
    if (price == 0 || price == kKlmUnknownPrice) {
        out.add("--");
    } else {
        ShortText number;
        number.addDecimal(price);
        const std::string_view n = number.view();
        // Only one comma, before the last three characters, as the catalogue
        // has always shown it.
        if ((format == 0 || format == 2) && n.size() >= 4) {
            out.add(n.substr(0, n.size() - 3));
            out.add(',');
            out.add(n.substr(n.size() - 3));
        } else {
            out.add(n);
        }
    }
    if (format <= 1) out.add(kYen);
}

void formatSizeShort(int64_t bytes, ShortText& out)
{
    if (bytes == 0 || bytes == kKlmUnknownRomSize) return out.add("--");
    const double k = static_cast<double>(bytes) / 1024.0;
    if (k < 1000.0) {
        out.addFixed(k, k < 10.0 ? 2 : k < 100.0 ? 1 : 0);
        return out.add(" KB");
    }
    const double m = static_cast<double>(bytes) / 1048576.0;
    out.addFixed(m, m < 10.0 ? 2 : m < 100.0 ? 1 : 0);
    out.add(" MB");
}

void formatSizeBytes(int64_t bytes, ShortText& out)
{
    if (bytes == 0 || bytes == kKlmUnknownRomSize) return out.add("--");
    const bool negative = bytes < 0;
    ShortText number;
    number.addDecimal(negative ? -bytes : bytes);
    const std::string_view digits = number.view();
    if (negative) out.add('-');
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out.add(',');
        out.add(digits[i]);
    }
    out.add(kBytes);
}

void formatSize(int64_t bytes, int sizeFormat, ShortText& out)
{
    if (sizeFormat == 1) formatSizeBytes(bytes, out);
    else formatSizeShort(bytes, out);
}

// Writes the field only when its bytes change: records loaded from
// dat.cache are pages of the file, copied only where written.
template <size_t N>
void store(char (&field)[N], const ShortText& text)
{
    char image[N];
    klmCopyField(image, text.view());
    if (std::memcmp(image, field, N) != 0)
        std::memcpy(field, image, N);
}

template <class Format>
std::string formatted(Format format)
{
    ShortText text;
    format(text);
    return std::string(text.view());
}

}  // namespace

std::string klmFormatDate(int32_t date, int format)
{
    return formatted([&](ShortText& t) { formatDate(date, format, t); });
}

std::string klmFormatDateValue(std::string_view value)
{
    return formatted([&](ShortText& t) { formatDateChars(value, 0, t); });
}

std::string klmFormatPrice(int32_t price, int format)
{
    return formatted([&](ShortText& t) { formatPrice(price, format, t); });
}

std::string klmFormatSizeShort(int64_t bytes)
{
    return formatted([&](ShortText& t) { formatSizeShort(bytes, t); });
}

std::string klmFormatSizeBytes(int64_t bytes)
{
    return formatted([&](ShortText& t) { formatSizeBytes(bytes, t); });
}

void klmFormatRecord(GameRecord& g, const KlmRecordFormats& formats)
{
    if (formats.date) {
        ShortText t;
        formatDate(g.releaseDate, *formats.date, t);
        store(g.releaseDateText, t);
    }
    if (formats.price) {
        ShortText t;
        formatPrice(g.price, *formats.price, t);
        store(g.priceText, t);
    }
    if (formats.size) {
        ShortText t;
        formatSize(g.romSize, *formats.size, t);
        store(g.romSizeText, t);
    }
}

void klmPrefetchRecordTexts(const GameRecord& g)
{
    // The two runs of fields the formats read and compare: date to price
    // text, and CRC to ROM size text (a record spans pages and lines, so
    // the processor does not guess them from the stride).
    const char* base = reinterpret_cast<const char*>(&g);
    __builtin_prefetch(base + offsetof(GameRecord, releaseDate));
    __builtin_prefetch(base + offsetof(GameRecord, priceText) + sizeof g.priceText - 1);
    __builtin_prefetch(base + offsetof(GameRecord, crc32));
    __builtin_prefetch(base + offsetof(GameRecord, romSizeText) + sizeof g.romSizeText - 1);
}

void klmFormatRecords(Catalogue& cat, const KlmRecordFormats& formats)
{
    klmForEachRecordAhead(cat, [&formats](GameRecord& g) { klmFormatRecord(g, formats); });
}

void klmFormatDates(Catalogue& cat, int dateFormat)
{
    KlmRecordFormats formats;
    formats.date = dateFormat;
    klmFormatRecords(cat, formats);
}

void klmFormatPrices(Catalogue& cat, int priceFormat)
{
    KlmRecordFormats formats;
    formats.price = priceFormat;
    klmFormatRecords(cat, formats);
}

void klmFormatSizes(Catalogue& cat, int sizeFormat)
{
    KlmRecordFormats formats;
    formats.size = sizeFormat;
    klmFormatRecords(cat, formats);
}
