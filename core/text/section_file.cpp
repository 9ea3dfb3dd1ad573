#include "section_file.h"

#include "cp932.h"
#include "line_reader.h"

#include <climits>

void klmWriteLine(KlmSectionWriter& w, std::string_view text)
{
    // A value must come back as exactly one line: stop at a line break or
    // terminator, and keep it short enough that the 260-byte line buffer
    // holds it together with its break.
    size_t stop = text.find_first_of(std::string_view("\r\n\0", 3));
    if (stop != std::string_view::npos)
        text = text.substr(0, stop);
    text = text.substr(0, klmSafePrefixLength(text, kKlmMaxSectionLineLength));
    w.out.append(text);
    w.out.append("\r\n");
}

void klmWriteInt(KlmSectionWriter& w, long long value)
{
    w.out.append(std::to_string(value));
    w.out.append("\r\n");
}

KlmSectionReader klmMakeSectionReader(std::string_view fileImage)
{
    KlmSectionReader r;
    KlmLineReader lr = klmMakeLineReader(fileImage);
    std::string piece;
    while (klmNextLine(lr, piece))
        r.lines.emplace_back(klmChompLine(piece));
    return r;
}

bool klmReadLine(KlmSectionReader& r, std::string& line)
{
    if (r.next >= r.lines.size()) {
        line.clear();
        return false;
    }
    line = r.lines[r.next++];
    return true;
}

bool klmReadInt(KlmSectionReader& r, long long& value)
{
    if (r.next >= r.lines.size()) {
        value = 0;
        return false;
    }
    value = klmLeadingInt(r.lines[r.next++]);
    return true;
}

long long klmLeadingInt(std::string_view text)
{
    size_t i = 0;
    const size_t n = text.size();
    while (i < n && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Accumulate towards the negative side, which has the larger range.
    long long value = 0;
    for (; i < n && text[i] >= '0' && text[i] <= '9'; ++i) {
        int d = text[i] - '0';
        if (value < (LLONG_MIN + d) / 10) {
            value = LLONG_MIN;
            for (++i; i < n && text[i] >= '0' && text[i] <= '9'; ++i) {
            }
            break;
        }
        value = value * 10 - d;
    }
    if (negative)
        return value;
    return value == LLONG_MIN ? LLONG_MAX : -value;
}

int32_t klmLeadingInt32(std::string_view text)
{
    long long v = klmLeadingInt(text);
    if (v > INT32_MAX)
        return INT32_MAX;
    if (v < INT32_MIN)
        return INT32_MIN;
    return static_cast<int32_t>(v);
}
