// Code page 932 (Shift-JIS as Windows writes it): byte classes, conversion to
// and from UTF-8, bounded copies into fixed fields, boundary-aware search and
// the replace-all that every search-text rule goes through.
//
// Invariants kept by everything here:
//  - a double-byte character is never split: copies and truncations stop
//    before a lead byte whose trail byte would not fit;
//  - a match starts only on a character boundary, judged from the start of
//    the text, so an ASCII needle never matches the trail byte of ソ (83 5C);
//  - comparisons are byte-exact, and ordering compares unsigned bytes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

inline bool klmIsLeadByte(unsigned char c)
{
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

inline bool klmIsTrailByte(unsigned char c)
{
    return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC);
}

enum class KlmByteClass { Single, Lead, Trail };

// Class of the byte at pos, judged by walking the text from its start
// (a lead byte followed by anything but NUL makes a pair).
KlmByteClass klmByteClassAt(std::string_view text, size_t pos);

// Length of the longest prefix of text that fits in limit bytes without
// splitting a double-byte character.
size_t klmSafePrefixLength(std::string_view text, size_t limit);

// True when text is well-formed CP932 (every lead byte has a valid trail
// byte, no undefined single bytes). On failure *badOffset is set.
bool klmIsValidCp932(std::string_view text, size_t* badOffset = nullptr);

// Conversion through iconv "CP932". Unconvertible input is replaced
// ("?" in CP932, U+FFFD in UTF-8) and *ok is set to false.
std::string klmToUtf8(std::string_view cp932, bool* ok = nullptr);
std::string klmFromUtf8(std::string_view utf8, bool* ok = nullptr);

// Text of a fixed zero-terminated field: up to the first NUL, never past size.
std::string_view klmFieldView(const char* field, size_t size);
template <size_t N>
std::string_view klmField(const char (&field)[N])
{
    return klmFieldView(field, N);
}

// Bounded copy into a fixed zero-terminated field of size bytes. Copies at
// most size - 1 bytes, cut at a character boundary, and zero-fills the rest.
// Returns false when the text had to be cut.
bool klmCopyField(char* field, size_t size, std::string_view src);
template <size_t N>
bool klmCopyField(char (&field)[N], std::string_view src)
{
    return klmCopyField(field, N, src);
}

// Boundary-aware substring search. Returns the byte offset of the first
// match that starts on a character boundary, or npos. An empty needle
// matches at 0.
size_t klmFindText(std::string_view haystack, std::string_view needle);
inline bool klmContainsText(std::string_view haystack, std::string_view needle)
{
    return klmFindText(haystack, needle) != std::string_view::npos;
}

// Replace-all: every occurrence of search in src whose first byte has the
// same byte class as search's first byte is replaced by repl. The result is
// written to out (outSize bytes, always terminated, cut at a character
// boundary at outSize - 1). Returns false when the result was cut.
// An empty search string leaves the text unchanged.
bool klmReplaceText(char* out, size_t outSize, std::string_view src,
                    std::string_view search, std::string_view repl);
// Unbounded form of the same walk.
std::string klmReplaceText(std::string_view src, std::string_view search, std::string_view repl);

// Hiragana (82 9F .. 82 F1) and the iteration marks ゝ ゞ to the matching
// full-width katakana; every other character is left as it is.
std::string klmHiraganaToKatakana(std::string_view text);

// The normalised search text: hiragana to katakana as above, then the
// full-width digits, capitals and small letters to ASCII. The Into form is
// the one the filter pass uses: it writes into out (outSize bytes, cut at a
// character boundary, always terminated) without touching the heap and
// returns the length.
size_t klmNormaliseSearchInto(char* out, size_t outSize, std::string_view typed);
std::string klmNormaliseSearchText(std::string_view typed);
