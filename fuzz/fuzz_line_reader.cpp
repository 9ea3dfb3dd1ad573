// Feeds arbitrary bytes to the line reader, the save-file reader and the
// CP932 text functions; none of them may crash or read out of bounds.
#include "text/cp932.h"
#include "text/line_reader.h"
#include "text/section_file.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string_view input(reinterpret_cast<const char*>(data), size);

    KlmLineReader reader = klmMakeLineReader(input);
    std::string piece;
    size_t total = 0;
    while (klmNextLine(reader, piece)) {
        if (piece.size() > kKlmLineBufferSize - 1)
            __builtin_trap();
        total += piece.size();
        (void)klmChompLine(piece);
    }
    if (reader.pos != size || total > size)
        __builtin_trap();

    KlmSectionReader section = klmMakeSectionReader(input);
    std::string line;
    long long value = 0;
    while (klmReadLine(section, line))
        value += klmLeadingInt32(line);
    (void)value;

    size_t bad = 0;
    bool valid = klmIsValidCp932(input, &bad);
    bool ok = false;
    (void)klmToUtf8(input, &ok);
    if (valid && !ok)
        __builtin_trap();

    // Split the input into source / search / replacement at the first two NULs.
    size_t a = input.find('\0');
    size_t b = a == std::string_view::npos ? a : input.find('\0', a + 1);
    std::string_view src = input.substr(0, a);
    std::string_view search = a == std::string_view::npos ? std::string_view() : input.substr(a + 1, b - a - 1);
    std::string_view repl = b == std::string_view::npos ? std::string_view("x") : input.substr(b + 1);
    char out[256];
    klmReplaceText(out, sizeof out, src, search, repl);
    if (std::strlen(out) > 255)
        __builtin_trap();
    std::string replaced = klmReplaceText(src, search, repl);
    if (!search.empty() && klmFindText(src, search) == std::string_view::npos && replaced != src)
        __builtin_trap();

    std::string normalised = klmNormaliseSearchText(src);
    if (normalised.size() > 255)
        __builtin_trap();
    (void)klmHiraganaToKatakana(input);
    return 0;
}
