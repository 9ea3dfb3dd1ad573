// Typing a word into the search text, key by key, as a user at the window
// does: what each keystroke's refresh costs. Used by the benchmarks and the
// command-line tool; the refresh is the one the window runs for an edit of
// the search text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "browse/refresh.h"

// One keystroke: the search text after it, the rows the refresh left, how
// the refresh found them and how long it took (the median over the
// repeats, in milliseconds).
struct KlmKeystroke {
    std::string text;  // CP932
    bool deletion = false;
    int32_t rows = 0;
    KlmPassKind pass = KlmPassKind::Full;
    double ms = 0;
};

// Types word (CP932) after the current search text one character at a
// time, then deletes it again one character at a time, refreshing after
// every key with the scope of a search-text edit; nothing is skipped, even
// a key that leaves the text as it was (a character that no longer fits the
// 255 bytes). Repeats the whole sequence `repeat` times (at least once).
// The search text is left as it was found; so are the rows, after one last
// refresh.
std::vector<KlmKeystroke> klmTypeWord(KlmBrowseState& state, const Catalogue& cat, Settings& settings,
                                      const std::vector<ReplacementRule>& rules, std::string_view word,
                                      int repeat = 1);

// The characters of a CP932 text, each one or two bytes.
std::vector<std::string_view> klmSplitCharacters(std::string_view text);
