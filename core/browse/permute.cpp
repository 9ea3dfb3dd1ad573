#include "browse/permute.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "text/cp932.h"
#include "text/file_io.h"

// The records are written as they lie in memory, which is the file's
// little-endian layout only on a little-endian machine.
static_assert(std::endian::native == std::endian::little);

namespace {

constexpr size_t kCountSize = 4;

// Copies a stored text into a fresh field: the file's padding is not kept,
// and a text without terminator is cut at a character boundary.
bool copyStoredText(char (&field)[260], const char (&stored)[260])
{
    const bool terminated = std::memchr(stored, 0, sizeof stored) != nullptr;
    klmCopyField(field, klmField(stored));
    return terminated;
}

}  // namespace

ReplacementRule klmMakeReplacementRule(std::string_view search, std::string_view replacement, bool enabled)
{
    ReplacementRule rule{};
    klmCopyField(rule.search, search);
    klmCopyField(rule.replacement, replacement);
    rule.enabled = enabled ? 1 : 0;
    return rule;
}

std::string klmPermuteImage(const std::vector<ReplacementRule>& rules)
{
    const size_t n = std::min(rules.size(), static_cast<size_t>(kKlmMaxReplacementRules));
    const int32_t count = static_cast<int32_t>(n);
    std::string out(kCountSize + n * sizeof(ReplacementRule), '\0');
    std::memcpy(out.data(), &count, kCountSize);
    for (size_t i = 0; i < n; ++i) {
        ReplacementRule clean{};
        copyStoredText(clean.search, rules[i].search);
        copyStoredText(clean.replacement, rules[i].replacement);
        clean.enabled = rules[i].enabled != 0 ? 1 : 0;
        std::memcpy(out.data() + kCountSize + i * sizeof(ReplacementRule), &clean, sizeof clean);
    }
    return out;
}

bool klmReadPermuteImage(std::string_view image, std::vector<ReplacementRule>& rules)
{
    rules.clear();
    if (image.size() < kCountSize)
        return false;
    int32_t count = 0;
    std::memcpy(&count, image.data(), kCountSize);
    const size_t held = (image.size() - kCountSize) / sizeof(ReplacementRule);
    bool sound = count >= 0 && count <= kKlmMaxReplacementRules && static_cast<size_t>(count) <= held;
    // Take what the count promises, but never more than the limit or than
    // the file really holds.
    size_t n = count < 0 ? 0 : static_cast<size_t>(count);
    n = std::min({n, held, static_cast<size_t>(kKlmMaxReplacementRules)});
    rules.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        ReplacementRule stored;
        std::memcpy(&stored, image.data() + kCountSize + i * sizeof stored, sizeof stored);
        ReplacementRule rule{};
        sound &= copyStoredText(rule.search, stored.search);
        sound &= copyStoredText(rule.replacement, stored.replacement);
        rule.enabled = stored.enabled != 0 ? 1 : 0;
        rules.push_back(rule);
    }
    return sound;
}

bool klmLoadPermuteFile(const std::string& path, std::vector<ReplacementRule>& rules, std::string* error)
{
    if (error)
        error->clear();
    if (!klmFileExists(path))
        return false;
    std::string image;
    if (!klmReadWholeFile(path, image, error))
        return false;
    klmReadPermuteImage(image, rules);
    return true;
}

bool klmSavePermuteFile(const std::string& path, const std::vector<ReplacementRule>& rules, std::string* error)
{
    return klmWriteFileAtomic(path, klmPermuteImage(rules), error);
}
