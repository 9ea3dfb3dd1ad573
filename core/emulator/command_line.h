// The emulator's option template turned into an argument list, without a
// shell and without re-reading anything that came from a file name.
//
// The template (CP932, as emulator.dat keeps it) is split first, by the
// rules a Windows program applies to its command line (CommandLineToArgvW):
// blanks separate arguments outside quotes; a quote opens or closes a quoted
// part and is dropped; 2n backslashes before a quote give n backslashes,
// 2n+1 give n backslashes and a literal quote; other backslashes are kept;
// inside quotes, a doubled quote gives a literal quote and ends the quoted
// part; three quotes in a row give a literal quote. A double-byte character
// is one character, so its trail byte is never taken for a backslash.
//
// Placeholders are found in the template itself, where a character starts,
// before the split, and each stands in its argument as an opaque piece. The
// values put in later (paths, arcade names) are never split, unquoted or
// searched for placeholders: a value is always exactly one argument's part.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// One piece of an argument: literal template text (CP932) or a placeholder.
struct KlmArgPiece {
    std::string text;       // literal bytes; empty for a placeholder
    int placeholder = -1;   // index into the names given to the split, or −1
};

struct KlmArgTemplate {
    std::vector<KlmArgPiece> pieces;
    bool quoted = false;    // a quote character took part in the argument
};

// Splits options into argument templates, recognising the given
// placeholder names (CP932/ASCII, e.g. "$image").
std::vector<KlmArgTemplate> klmSplitOptions(std::string_view options, const std::vector<std::string_view>& names);

// The arguments as UTF-8 strings: literal pieces converted from CP932,
// placeholders replaced by values[index] (UTF-8, taken as they are). An
// argument without quotes that comes out empty (its placeholders were empty)
// is left out, as it would vanish from a Windows command line.
std::vector<std::string> klmBuildArguments(const std::vector<KlmArgTemplate>& templates,
                                           const std::vector<std::string>& values);
