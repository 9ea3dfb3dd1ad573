#include "catalogue/parse_util.h"

#include <cstring>

#include "text/cp932.h"
#include "text/line_reader.h"

KlmTagMatcher::KlmTagMatcher(const KlmTagDef* tags, int count)
{
    for (int i = 0; i < count; ++i) {
        std::string_view open(tags[i].open);
        if (open.size() < 2) continue;
        bySecond_[static_cast<unsigned char>(open[1])].push_back({open, i});
    }
}

int KlmTagMatcher::firstTag(std::string_view line, size_t* bestAt) const
{
    int best = -1;
    const char* data = line.data();
    size_t n = line.size();
    size_t pos = 0;
    while (pos + 1 < n) {
        const void* hit = std::memchr(data + pos, '<', n - pos - 1);
        if (!hit) break;
        size_t at = static_cast<const char*>(hit) - data;
        for (const Candidate& c : bySecond_[static_cast<unsigned char>(data[at + 1])]) {
            if (best >= 0 && c.index >= best) continue;
            if (n - at >= c.open.size() && std::memcmp(data + at, c.open.data(), c.open.size()) == 0) {
                // Positions are visited in order and best only falls, so
                // this is where the winning tag first occurs.
                best = c.index;
                if (bestAt) *bestAt = at;
            }
        }
        if (best == 0) break;
        pos = at + 1;
    }
    return best;
}

size_t klmCountOccurrences(std::string_view image, std::string_view needle)
{
    size_t count = 0;
    size_t pos = 0;
    while (true) {
        const void* hit = memmem(image.data() + pos, image.size() - pos, needle.data(), needle.size());
        if (!hit) break;
        ++count;
        pos = static_cast<const char*>(hit) - image.data() + needle.size();
    }
    return count;
}

void KlmFieldWriter::text(char* field, size_t size, std::string_view value)
{
    bool whole = klmCopyField(field, size, value);
    if (!problems) return;
    if (!whole) problems->push_back({file, line, KlmProblemKind::ValueCut, std::string(value)});
    if (!klmIsValidCp932(value)) problems->push_back({file, line, KlmProblemKind::InvalidShiftJis, std::string(value)});
}

std::string_view klmTagValue(std::string_view line, const KlmTagDef& tag, KlmFieldWriter& writer)
{
    const size_t at = line.find(tag.open);
    if (at == std::string_view::npos) return {};
    return klmTagValueAt(line, at, tag, writer);
}

std::string_view klmTagValueAt(std::string_view line, size_t at, const KlmTagDef& tag, KlmFieldWriter& writer)
{
    const size_t start = at + std::strlen(tag.open);
    std::string_view rest = line.substr(start);
    if (!tag.close) return {};
    size_t end = rest.find(tag.close);
    if (end != std::string_view::npos) return rest.substr(0, end);
    if (writer.problems) writer.problems->push_back({writer.file, writer.line, KlmProblemKind::TagNotClosed, tag.open});
    rest = klmChompLine(rest);
    if (!rest.empty() && rest.back() == '\r') rest.remove_suffix(1);
    return rest;
}

void klmNoteRawProblems(std::string_view image, const std::string& file, KlmProblemList& problems)
{
    size_t pos = 0;
    int line = 0;
    while (pos < image.size()) {
        ++line;
        size_t end = image.find('\n', pos);
        if (end == std::string_view::npos) end = image.size();
        std::string_view text = image.substr(pos, end - pos);
        if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
        if (text.size() + 1 > kKlmLineBufferSize)
            problems.push_back({file, line, KlmProblemKind::LineTooLong, std::to_string(text.size())});
        if (text.find('\0') != std::string_view::npos)
            problems.push_back({file, line, KlmProblemKind::NulByte, {}});
        pos = end + 1;
    }
}
