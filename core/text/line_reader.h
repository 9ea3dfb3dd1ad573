// Reading the catalogue and save files line by line the way the Windows
// program did: the file is read as text (CRLF becomes LF; a lone LF is
// accepted too) through a 260-byte buffer, so a line longer than 259 bytes
// arrives as several pieces, each handled as a line of its own.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

inline constexpr size_t kKlmLineBufferSize = 260;

struct KlmLineReader {
    std::string_view data;  // whole file image
    size_t pos = 0;         // next byte to read
    int lineNumber = 0;     // physical line of the last piece (1-based)
    bool midLine = false;   // the last piece ended without a line break
                            // (judged before a NUL cut, so numbering stays right)
    bool hasNul = true;     // whether data may hold a NUL to cut pieces at
};

KlmLineReader klmMakeLineReader(std::string_view data);

// Next piece, with its trailing "\n" when it ends a line (CRLF is given as
// "\n"). The piece is cut at an embedded NUL the way a C string would be.
// Returns false at the end of the data.
bool klmNextLine(KlmLineReader& reader, std::string& piece);

// The same pieces without a copy: text is the piece inside the data,
// without its line break; *withBreak says whether klmNextLine would have
// ended it with "\n".
bool klmNextPiece(KlmLineReader& reader, std::string_view& text, bool* withBreak = nullptr);

// The piece without its line break (only a real "\n" is removed).
std::string_view klmChompLine(std::string_view piece);
