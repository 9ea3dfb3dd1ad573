// Line-grammar helpers shared by the data.dat and master-table readers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/catalogue.h"

// One tag of the catalogue grammar: its opening and closing texts.
struct KlmTagDef {
    const char* open;
    const char* close;  // nullptr for a tag that closes an element
};

// Finds which of a fixed list of tags a line holds, and takes the first in
// list order. Only positions of '<' are examined, so the cost is a couple
// of comparisons per line rather than a search per tag.
class KlmTagMatcher {
public:
    KlmTagMatcher(const KlmTagDef* tags, int count);
    // Index of the first tag (in list order) that occurs in line, or -1;
    // *at gets where that tag first occurs.
    int firstTag(std::string_view line, size_t* at = nullptr) const;

private:
    struct Candidate {
        std::string_view open;
        int index;
    };
    std::vector<Candidate> bySecond_[256];
};

inline bool klmLineHas(std::string_view line, std::string_view text)
{
    return line.find(text) != std::string_view::npos;
}

// Occurrences of needle in image, each after the one before (none of an
// empty needle).
size_t klmCountOccurrences(std::string_view image, std::string_view needle);

// Copies values into fixed fields, noting cut and invalid values.
struct KlmFieldWriter {
    KlmProblemList* problems = nullptr;
    std::string file;
    int line = 0;

    void text(char* field, size_t size, std::string_view value);
    template <size_t N>
    void text(char (&field)[N], std::string_view value)
    {
        text(field, N, value);
    }
};

// The value between the first opening tag and the first closing tag after
// it; without a closing tag, the rest of the line (noted as a problem).
std::string_view klmTagValue(std::string_view line, const KlmTagDef& tag, KlmFieldWriter& writer);
// The same, with the opening tag already found at `at`.
std::string_view klmTagValueAt(std::string_view line, size_t at, const KlmTagDef& tag, KlmFieldWriter& writer);

// Notes lines longer than the 259-byte buffer and lines holding NUL bytes.
void klmNoteRawProblems(std::string_view image, const std::string& file, KlmProblemList& problems);
