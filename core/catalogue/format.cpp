// Display texts of dates, prices and ROM sizes. Numbers are printed with
// std::to_chars so that the text never depends on the process locale (the
// GUI runs with the user's locale, which may use a decimal comma).
#include "catalogue/format.h"

#include <charconv>
#include <cstdlib>
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

int leadingValue(std::string_view digits)
{
    int v = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') break;
        v = v * 10 + (c - '0');
    }
    return v;
}

std::string decimal(long long v)
{
    char buf[24];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

std::string fixed(double v, int precision)
{
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, precision);
    return std::string(buf, r.ptr);
}

// The date text from the characters of the decimal date: 1-4 year, 5-6
// month, 7-8 day. Missing characters make that part unknown.
std::string formatDateChars(std::string_view s, int format)
{
    if (format < 0 || format > 5) format = 0;
    const bool american = format >= 4;
    const bool padded = (format % 2) == 1;

    std::string year;
    std::string_view yc = s.substr(0, std::min<size_t>(4, s.size()));
    int y = leadingValue(yc);
    if (yc.empty() || y == 0 || y == 9999) {
        year = american ? "--" : "----";
    } else if (american) {
        int yy = y % 100;
        year = (yy < 10 ? "0" : "") + decimal(yy);
    } else {
        year = std::string(yc);
    }

    auto part = [&](size_t from) -> std::string {
        if (s.size() < from + 2) return "--";
        std::string_view pc = s.substr(from, 2);
        int v = leadingValue(pc);
        if (v == 0 || v == 99) return "--";
        return padded ? std::string(pc) : decimal(v);
    };
    std::string month = part(4);
    std::string day = part(6);

    std::string out;
    if (format <= 1) {
        out = year;
        out += kYear;
        out += month;
        out += kMonth;
        out += day;
        out += kDay;
    } else if (format <= 3) {
        out = year + "/" + month + "/" + day;
    } else {
        out = month + "/" + day + "/" + year;
    }
    return out;
}

// Writes the field only when its bytes change: records loaded from
// dat.cache are pages of the file, copied only where written.
template <size_t N>
void store(char (&field)[N], const std::string& text)
{
    char image[N];
    klmCopyField(image, text);
    if (std::memcmp(image, field, N) != 0)
        std::memcpy(field, image, N);
}

}  // namespace

std::string klmFormatDate(int32_t date, int format)
{
    return formatDateChars(decimal(date), format);
}

std::string klmFormatDateValue(std::string_view value)
{
    return formatDateChars(value, 0);
}

std::string klmFormatPrice(int32_t price, int format)
{
    if (format < 0 || format > 3) format = 0;
    std::string number;
    if (price == 0 || price == kKlmUnknownPrice) {
        number = "--";
    } else {
        number = decimal(price);
        // Only one comma, before the last three characters, as the catalogue
        // has always shown it.
        if ((format == 0 || format == 2) && number.size() >= 4)
            number = number.substr(0, number.size() - 3) + "," + number.substr(number.size() - 3);
    }
    if (format <= 1) return number + std::string(kYen);
    return "\\" + number;
}

std::string klmFormatSizeShort(int64_t bytes)
{
    if (bytes == 0 || bytes == kKlmUnknownRomSize) return "--";
    double k = static_cast<double>(bytes) / 1024.0;
    if (k < 1000.0) {
        if (k < 10.0) return fixed(k, 2) + " KB";
        if (k < 100.0) return fixed(k, 1) + " KB";
        return fixed(k, 0) + " KB";
    }
    double m = static_cast<double>(bytes) / 1048576.0;
    if (m < 10.0) return fixed(m, 2) + " MB";
    if (m < 100.0) return fixed(m, 1) + " MB";
    return fixed(m, 0) + " MB";
}

std::string klmFormatSizeBytes(int64_t bytes)
{
    if (bytes == 0 || bytes == kKlmUnknownRomSize) return "--";
    bool negative = bytes < 0;
    std::string digits = decimal(negative ? -bytes : bytes);
    std::string out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return (negative ? "-" : "") + out + std::string(kBytes);
}

void klmFormatDates(Catalogue& cat, int dateFormat)
{
    for (GameRecord& g : cat.games) store(g.releaseDateText, klmFormatDate(g.releaseDate, dateFormat));
}

void klmFormatPrices(Catalogue& cat, int priceFormat)
{
    for (GameRecord& g : cat.games) store(g.priceText, klmFormatPrice(g.price, priceFormat));
}

void klmFormatSizes(Catalogue& cat, int sizeFormat)
{
    for (GameRecord& g : cat.games)
        store(g.romSizeText, sizeFormat == 1 ? klmFormatSizeBytes(g.romSize) : klmFormatSizeShort(g.romSize));
}
