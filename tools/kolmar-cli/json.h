// JSON output for kolmar-cli: one flat object per line (JSON Lines), built
// field by field. Catalogue texts are CP932 and are converted on the way out;
// everything written is valid UTF-8 with the JSON escapes applied.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

struct KlmJsonLine {
    std::string text;
    bool hasField = false;
};

// Appends utf8 as a quoted JSON string. Control characters are escaped;
// invalid UTF-8 sequences become U+FFFD so the output always parses.
void klmJsonAppendString(std::string& out, std::string_view utf8);

void klmJsonBegin(KlmJsonLine& line);
void klmJsonString(KlmJsonLine& line, std::string_view key, std::string_view utf8);
// A CP932 text (a catalogue field), converted to UTF-8.
void klmJsonCp932(KlmJsonLine& line, std::string_view key, std::string_view cp932);
void klmJsonInt(KlmJsonLine& line, std::string_view key, long long value);
void klmJsonBool(KlmJsonLine& line, std::string_view key, bool value);
// Closes the object and adds the line break.
void klmJsonEnd(KlmJsonLine& line);

// Writes the finished line to out.
void klmJsonWrite(const KlmJsonLine& line, std::FILE* out);
