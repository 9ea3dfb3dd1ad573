#include "line_reader.h"

#include <cstring>

KlmLineReader klmMakeLineReader(std::string_view data)
{
    KlmLineReader reader{data, 0, 0, false, true};
    // One look at the whole image spares every piece its own.
    reader.hasNul = !data.empty() && std::memchr(data.data(), 0, data.size()) != nullptr;
    return reader;
}

bool klmNextLine(KlmLineReader& reader, std::string& piece)
{
    std::string_view text;
    bool withBreak = false;
    if (!klmNextPiece(reader, text, &withBreak)) {
        piece.clear();
        return false;
    }
    piece.assign(text);
    if (withBreak)
        piece.push_back('\n');
    return true;
}

bool klmNextPiece(KlmLineReader& reader, std::string_view& text, bool* withBreak)
{
    const std::string_view data = reader.data;
    const size_t n = data.size();
    if (reader.pos >= n) {
        text = {};
        if (withBreak)
            *withBreak = false;
        return false;
    }
    if (!reader.midLine)
        ++reader.lineNumber;

    // fgets on a text-mode stream: at most 259 characters after CRLF has
    // become LF, and a line break ends the piece.
    constexpr size_t kMax = kKlmLineBufferSize - 1;
    const char* start = data.data() + reader.pos;
    const size_t avail = n - reader.pos;
    // CRLF counts as one character, so a break may sit one byte further on.
    const size_t window = avail < kMax + 1 ? avail : kMax + 1;
    const char* nl = static_cast<const char*>(std::memchr(start, '\n', window));

    size_t textLen;    // bytes of the piece before its line break
    size_t consumed;   // raw bytes used from the file
    bool hasBreak = false;
    if (nl) {
        size_t j = static_cast<size_t>(nl - start);
        bool crlf = j > 0 && start[j - 1] == '\r';
        size_t charsWithBreak = crlf ? j : j + 1;
        if (charsWithBreak <= kMax) {
            textLen = crlf ? j - 1 : j;
            consumed = j + 1;
            hasBreak = true;
        } else {
            textLen = consumed = kMax;
        }
    } else {
        textLen = consumed = avail < kMax ? avail : kMax;
    }

    reader.pos += consumed;
    reader.midLine = !hasBreak;

    // The program saw the buffer as a C string: an embedded NUL ends it.
    if (reader.hasNul) {
        if (const void* nul = std::memchr(start, 0, textLen)) {
            text = std::string_view(start, static_cast<size_t>(static_cast<const char*>(nul) - start));
            if (withBreak)
                *withBreak = false;
            return true;
        }
    }
    text = std::string_view(start, textLen);
    if (withBreak)
        *withBreak = hasBreak;
    return true;
}

std::string_view klmChompLine(std::string_view piece)
{
    if (!piece.empty() && piece.back() == '\n')
        piece.remove_suffix(1);
    return piece;
}
