// Whole lines of a positional save file. The line reader hands a line
// longer than its buffer over in pieces; here the pieces are joined again,
// so an over-long value is cut by its own field instead of spilling into
// the values that follow it.
#pragma once

#include <string>
#include <string_view>

#include "text/line_reader.h"

struct KlmWholeLineReader {
    KlmLineReader pieces;
    int line = 0;  // 1-based number of the last line read
};

inline KlmWholeLineReader klmMakeWholeLineReader(std::string_view image)
{
    return KlmWholeLineReader{klmMakeLineReader(image), 0};
}

// Next line without its line break; false at the end of the data.
inline bool klmNextWholeLine(KlmWholeLineReader& r, std::string& line)
{
    std::string piece;
    if (!klmNextLine(r.pieces, piece)) {
        line.clear();
        return false;
    }
    line.assign(klmChompLine(piece));
    while (r.pieces.midLine && klmNextLine(r.pieces, piece))
        line.append(klmChompLine(piece));
    ++r.line;
    return true;
}
