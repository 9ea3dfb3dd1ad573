#include "json.h"

#include <charconv>

#include "text/cp932.h"

namespace {

// Length of the well-formed UTF-8 sequence at s[i], or 0 when it is not one.
size_t utf8SequenceLength(std::string_view s, size_t i)
{
    const auto c = static_cast<unsigned char>(s[i]);
    size_t len;
    char32_t min;
    if (c < 0x80) return 1;
    if (c >= 0xC2 && c <= 0xDF) { len = 2; min = 0x80; }
    else if (c >= 0xE0 && c <= 0xEF) { len = 3; min = 0x800; }
    else if (c >= 0xF0 && c <= 0xF4) { len = 4; min = 0x10000; }
    else return 0;
    if (i + len > s.size()) return 0;
    char32_t cp = c & (0x7F >> len);
    for (size_t k = 1; k < len; ++k) {
        const auto t = static_cast<unsigned char>(s[i + k]);
        if ((t & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (t & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return len;
}

void appendKey(KlmJsonLine& line, std::string_view key)
{
    if (line.hasField) line.text += ',';
    line.hasField = true;
    klmJsonAppendString(line.text, key);
    line.text += ':';
}

}  // namespace

void klmJsonAppendString(std::string& out, std::string_view utf8)
{
    static const char kHex[] = "0123456789abcdef";
    out += '"';
    size_t i = 0;
    while (i < utf8.size()) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c >= 0x80) {
            size_t len = utf8SequenceLength(utf8, i);
            if (len == 0) {
                out += "\xEF\xBF\xBD";
                ++i;
            } else {
                out.append(utf8.substr(i, len));
                i += len;
            }
            continue;
        }
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20 || c == 0x7F) {
                out += "\\u00";
                out += kHex[c >> 4];
                out += kHex[c & 15];
            } else {
                out += static_cast<char>(c);
            }
        }
        ++i;
    }
    out += '"';
}

void klmJsonBegin(KlmJsonLine& line)
{
    line.text.assign(1, '{');
    line.hasField = false;
}

void klmJsonString(KlmJsonLine& line, std::string_view key, std::string_view utf8)
{
    appendKey(line, key);
    klmJsonAppendString(line.text, utf8);
}

void klmJsonCp932(KlmJsonLine& line, std::string_view key, std::string_view cp932)
{
    klmJsonString(line, key, klmToUtf8(cp932));
}

void klmJsonInt(KlmJsonLine& line, std::string_view key, long long value)
{
    appendKey(line, key);
    char buf[24];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
    (void)ec;
    line.text.append(buf, end);
}

void klmJsonBool(KlmJsonLine& line, std::string_view key, bool value)
{
    appendKey(line, key);
    line.text += value ? "true" : "false";
}

void klmJsonEnd(KlmJsonLine& line)
{
    line.text += "}\n";
}

void klmJsonWrite(const KlmJsonLine& line, std::FILE* out)
{
    std::fwrite(line.text.data(), 1, line.text.size(), out);
}
