#include "catalogue/parse_util.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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
    const size_t m = needle.size();
    const size_t n = image.size();
    if (m == 0) return 0;
    const char* d = image.data();
    size_t count = 0;
    size_t pos = 0;
#if defined(__SSE2__)
    // Sixteen places at a time, kept only where the first two bytes and the
    // last one are in place: in markup the first byte alone ('<') is
    // everywhere.
    if (m >= 3) {
        const __m128i first = _mm_set1_epi8(needle[0]);
        const __m128i second = _mm_set1_epi8(needle[1]);
        const __m128i last = _mm_set1_epi8(needle[m - 1]);
        auto load = [d](size_t at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + at)); };
        while (pos + 16 + m - 1 <= n) {
            const __m128i both = _mm_and_si128(_mm_cmpeq_epi8(load(pos), first), _mm_cmpeq_epi8(load(pos + 1), second));
            unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(both, _mm_cmpeq_epi8(load(pos + m - 1), last))));
            size_t next = pos + 16;
            while (mask) {
                const size_t at = pos + static_cast<size_t>(__builtin_ctz(mask));
                mask &= mask - 1;
                if (std::memcmp(d + at, needle.data(), m) != 0) continue;
                ++count;
                // Occurrences do not overlap: go on after this one.
                if (at + m >= pos + 16) {
                    next = at + m;
                    break;
                }
                mask &= ~((1u << (at + m - pos)) - 1);
            }
            pos = next;
        }
    }
#endif
    while (pos < n) {
        const void* hit = memmem(d + pos, n - pos, needle.data(), m);
        if (!hit) break;
        ++count;
        pos = static_cast<size_t>(static_cast<const char*>(hit) - d) + m;
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
