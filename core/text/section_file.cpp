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

KlmSectionReader klmMakeWholeLineReader(std::string_view image)
{
    KlmSectionReader r;
    size_t pos = 0;
    while (pos < image.size()) {
        const size_t nl = image.find('\n', pos);
        const size_t end = nl == std::string_view::npos ? image.size() : nl;
        std::string_view line = image.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        line = line.substr(0, line.find('\0'));
        r.lines.emplace_back(line);
        pos = end + 1;
    }
    return r;
}

bool klmDigitLineValue(std::string_view line, long long& value)
{
    size_t i = 0;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
        ++i;
    if (i < line.size() && (line[i] == '+' || line[i] == '-'))
        ++i;
    if (i >= line.size() || line[i] < '0' || line[i] > '9')
        return false;
    value = klmLeadingInt(line);
    return true;
}

std::vector<size_t> klmReadIndexLines(KlmSectionReader& r, size_t size)
{
    std::vector<size_t> indices;
    std::string line;
    while (klmReadLine(r, line)) {
        if (klmContainsText(line, "[END]"))
            break;
        long long value = 0;
        if (klmDigitLineValue(line, value) && value >= 0 && static_cast<unsigned long long>(value) < size)
            indices.push_back(static_cast<size_t>(value));
    }
    return indices;
}

void klmWriteNameLine(KlmSectionWriter& w, std::string_view name)
{
    klmWriteLine(w, name.substr(0, klmSafePrefixLength(name, kKlmMaxSectionNameLength)));
}

bool klmIsSectionHeader(std::string_view line)
{
    return line.substr(0, 7) == "[BEGIN_";
}

bool klmParseSectionHeader(std::string_view line, int32_t* values, size_t count)
{
    if (!klmIsSectionHeader(line))
        return false;
    size_t pos = line.find('_') + 1;
    for (size_t k = 0; k < count; ++k) {
        const size_t end = line.find(k + 1 < count ? '_' : ']', pos);
        if (end == std::string_view::npos)
            return false;
        values[k] = klmLeadingInt32(line.substr(pos, end - pos));
        pos = end + 1;
    }
    return true;
}

bool klmSkipSectionEnd(KlmSectionReader& r)
{
    bool clean = true;
    while (r.next < r.lines.size()) {
        const std::string& line = r.lines[r.next];
        if (klmIsSectionHeader(line))
            return false;
        ++r.next;
        if (klmContainsText(line, "[END]"))
            return clean;
        clean = false;
    }
    return false;
}
