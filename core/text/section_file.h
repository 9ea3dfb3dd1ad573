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

// The file's lines whole, each without its line break (LF, or CRLF; a CR
// left at the end of the file goes too) and cut at an embedded NUL. Unlike
// klmMakeSectionReader, a line longer than the old 260-byte read buffer
// stays one line, so an over-long value is cut by its own field instead of
// spilling into the positional values after it. After a read, r.next is the
// 1-based number of the line just read.
KlmSectionReader klmMakeWholeLineReader(std::string_view image);

// The line's integer as klmLeadingInt reads it, but only when a digit
// follows the leading blanks and sign: an empty or foreign line must not
// read as 0, which would name the first entry.
bool klmDigitLineValue(std::string_view line, long long& value);

// Index lines up to "[END]" or the end of the file: the value of each line
// that has digits and lies below size, in file order. Other lines name
// nothing and are passed over.
std::vector<size_t> klmReadIndexLines(KlmSectionReader& r, size_t size);

// A name goes back through a 128-byte buffer: with its line break it must
// stay below 128 characters to be read as one line.
inline constexpr size_t kKlmMaxSectionNameLength = 126;

// klmWriteLine with the value cut to kKlmMaxSectionNameLength bytes.
void klmWriteNameLine(KlmSectionWriter& w, std::string_view name);

// "[BEGIN_a_b_…_z]": a section header with numbers after "[BEGIN".
bool klmIsSectionHeader(std::string_view line);
// Reads count numbers of a section header: each stands after a "_" and
// ends at the next "_", the last at "]". False when the line is no header
// or a separator is missing.
bool klmParseSectionHeader(std::string_view line, int32_t* values, size_t count);
// Moves past the "[END]" that closes a section. Stray lines before it are
// passed over (and make the result false); a header met first is left
// unread for the caller, so one damaged section costs no other its data.
bool klmSkipSectionEnd(KlmSectionReader& r);
