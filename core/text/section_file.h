// SectionFile: the line framing of the text save files. Written with CRLF
// line ends, one value per line, between "[BEGIN]" (or "[BEGIN_n_m]") and
// "[END]". Readers take integers from the leading decimal digits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct KlmSectionWriter {
    std::string out;
};

// Longest value that reads back as one line: with its line break it still
// fits the 259 characters a reader takes at a time.
inline constexpr size_t kKlmMaxSectionLineLength = 258;

// Appends text and CRLF. The value is cut at its first line break (or NUL)
// and to kKlmMaxSectionLineLength bytes at a character boundary, so that one
// odd value can never shift every later line of a positional file.
void klmWriteLine(KlmSectionWriter& w, std::string_view text);
void klmWriteInt(KlmSectionWriter& w, long long value);

// The lines of a save file, each without its line break, in order.
struct KlmSectionReader {
    std::vector<std::string> lines;
    size_t next = 0;
};

KlmSectionReader klmMakeSectionReader(std::string_view fileImage);
// Next line, or false when the file has no more lines.
bool klmReadLine(KlmSectionReader& r, std::string& line);
// Next line as an integer (leading white space, sign and digits, like atoi;
// no digits gives 0). Returns false when the file has no more lines.
bool klmReadInt(KlmSectionReader& r, long long& value);

// atoi-like: leading white space, an optional sign, then decimal digits.
// Saturates instead of overflowing.
long long klmLeadingInt(std::string_view text);
// The same, clamped into the 32-bit range.
int32_t klmLeadingInt32(std::string_view text);
