#include "browse/permute.h"

#include <cstring>

#include "text/cp932.h"
#include "text/file_io.h"
#include "text/save_file.h"

namespace {

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
    return klmRecordImage(rules, kKlmMaxReplacementRules, [](const ReplacementRule& rule) {
        ReplacementRule clean{};
        copyStoredText(clean.search, rule.search);
        copyStoredText(clean.replacement, rule.replacement);
        clean.enabled = rule.enabled != 0 ? 1 : 0;
        return clean;
    });
}

bool klmReadPermuteImage(std::string_view image, std::vector<ReplacementRule>& rules)
{
    rules.clear();
    const KlmRecordCount count = klmRecordCount(image, sizeof(ReplacementRule), kKlmMaxReplacementRules);
    bool sound = count.sound;
    rules.reserve(count.take);
    for (size_t i = 0; i < count.take; ++i) {
        const auto stored = klmStoredRecord<ReplacementRule>(image, i);
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
    std::string image;
    if (!klmReadSaveFile(path, image, error))
        return false;
    klmReadPermuteImage(image, rules);
    return true;
}

bool klmSavePermuteFile(const std::string& path, const std::vector<ReplacementRule>& rules, std::string* error)
{
    return klmWriteFileAtomic(path, klmPermuteImage(rules), error);
}
