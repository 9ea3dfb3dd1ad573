// Replacement rules: the user's list of search-string replacements, applied
// by the match engine in list order (the first enabled rule that occurs in
// the typed text wins), and their file save\permute.dat.
//
// permute.dat is binary, little-endian: a signed 32-bit count, then count
// ReplacementRule images of 524 bytes. Invariants kept by the reader:
//  - at most kKlmMaxReplacementRules rules, never more than the file holds;
//  - both texts are terminated inside their fields;
//  - enabled is 0 or 1.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

inline constexpr int32_t kKlmMaxReplacementRules = 1000;

struct ReplacementRule {
    char search[260];       // text looked for in the typed search text
    char replacement[260];  // text looked for in its place
    int32_t enabled;        // 1 when checked in the list
};

static_assert(std::is_standard_layout_v<ReplacementRule> && std::is_trivially_copyable_v<ReplacementRule>);
static_assert(sizeof(ReplacementRule) == 524);
static_assert(offsetof(ReplacementRule, search) == 0);
static_assert(offsetof(ReplacementRule, replacement) == 260);
static_assert(offsetof(ReplacementRule, enabled) == 520);

// A zero-filled rule with both texts copied in (cut at a character boundary
// when too long).
ReplacementRule klmMakeReplacementRule(std::string_view search, std::string_view replacement,
                                       bool enabled = true);

// The permute.dat image of the list (at most kKlmMaxReplacementRules rules);
// the bytes after each terminator are zeros.
std::string klmPermuteImage(const std::vector<ReplacementRule>& rules);

// Replaces rules with the rules of a permute.dat image. Returns false when
// the image is damaged (shorter than its count, a negative or too large
// count, an unterminated text); what could be read is kept all the same.
bool klmReadPermuteImage(std::string_view image, std::vector<ReplacementRule>& rules);

// Reads save\permute.dat. A missing file leaves rules unchanged and returns
// false with an empty *error; a file that exists but cannot be read returns
// false with a reason.
bool klmLoadPermuteFile(const std::string& path, std::vector<ReplacementRule>& rules,
                        std::string* error = nullptr);

// Writes the whole list, count first, atomically.
bool klmSavePermuteFile(const std::string& path, const std::vector<ReplacementRule>& rules,
                        std::string* error = nullptr);
