// data.dat: one tag per line in an XML-like notation, read line by line.
// A tag is found by a plain substring test anywhere in the line; when a line
// holds several known tags, the first in the fixed test order wins. The
// value runs from the first opening tag to the first closing tag after it
// and is taken verbatim.
//
// Damaged files are read as far as they make sense: a missing "</dat>" reads
// to the end, a <game> left open at the end is kept, a "<game>" inside an
// open record starts the next record, a tag without its closing tag takes
// the rest of its line, and an over-long value is cut at a character
// boundary. Each such case is noted in the problem list.
#include <algorithm>
#include <cstring>

#include "catalogue/catalogue.h"
#include "catalogue/format.h"
#include "catalogue/parse_util.h"
#include "text/cp932.h"
#include "text/file_io.h"
#include "text/line_reader.h"
#include "text/section_file.h"

namespace {

enum GameTag {
    kNumber, kTitle, kAlias, kEnglish, kHard, kSoft, kDeveloper, kPublisher, kGenre, kDate,
    kPrice, kComment, kCrc32, kExtension, kSize, kGroup, kDisk, kArcade, kScreen, kSerial,
    kEndGame, kGameTagCount
};

const KlmTagDef kGameTags[kGameTagCount] = {
    {"<number>", "</number>"},   {"<title>", "</title>"},         {"<alias>", "</alias>"},
    {"<english>", "</english>"}, {"<hard>", "</hard>"},           {"<soft>", "</soft>"},
    {"<developer>", "</developer>"}, {"<publisher>", "</publisher>"}, {"<genre>", "</genre>"},
    {"<date>", "</date>"},       {"<price>", "</price>"},         {"<comment>", "</comment>"},
    {"<crc32>", "</crc32>"},     {"<extension>", "</extension>"}, {"<size>", "</size>"},
    {"<group>", "</group>"},     {"<disk>", "</disk>"},           {"<arcade>", "</arcade>"},
    {"<screen>", "</screen>"},   {"<serial>", "</serial>"},       {"</game>", nullptr},
};

// "無" in code page 932.
constexpr std::string_view kNone = "\x96\xb3";

}  // namespace

int klmParseDataImage(std::string_view image, Catalogue& cat, KlmProblemList* problems,
                      const std::string& fileName)
{
    cat.games.clear();
    cat.sourceLines.clear();
    // Every record starts on a "<game>" line, so this bounds the count and
    // the array is allocated once, at its final size.
    cat.games.reserve(klmCountOccurrences(image, "<game>"));

    KlmTagMatcher matcher(kGameTags, kGameTagCount);
    KlmFieldWriter writer{problems, fileName};
    KlmLineReader reader = klmMakeLineReader(image);
    std::string piece;
    bool inRecord = false;
    int recordLine = 0;
    bool sawDatEnd = false;

    if (problems) klmNoteRawProblems(image, fileName, *problems);

    while (klmNextLine(reader, piece)) {
        const int lineNo = reader.lineNumber;
        if (!inRecord) {
            if (klmLineHas(piece, "</dat>")) {
                sawDatEnd = true;
                break;
            }
            if (klmLineHas(piece, "<game>")) {
                cat.games.emplace_back();
                cat.sourceLines.push_back(lineNo);
                inRecord = true;
                recordLine = lineNo;
            }
            continue;
        }

        int tag = matcher.firstTag(piece);
        if (tag < 0) {
            if (klmLineHas(piece, "<game>")) {
                // The previous record was never closed: start the next one.
                if (problems)
                    problems->push_back({fileName, recordLine, KlmProblemKind::ElementNotClosed, "<game>"});
                cat.games.emplace_back();
                cat.sourceLines.push_back(lineNo);
                inRecord = true;
                recordLine = lineNo;
            }
            continue;
        }
        if (tag == kEndGame) {
            inRecord = false;
            continue;
        }

        writer.line = lineNo;
        std::string_view value = klmTagValue(piece, kGameTags[tag], writer);
        GameRecord& g = cat.games.back();
        switch (tag) {
        case kNumber:
            writer.text(g.imageNumberText, value);
            g.imageNumber = klmLeadingInt32(value);
            break;
        case kTitle: writer.text(g.title, value); break;
        case kAlias: writer.text(g.titleKana, value); break;
        case kEnglish: writer.text(g.englishTitle, value); break;
        case kDeveloper: writer.text(g.developer, value); break;
        case kPublisher: writer.text(g.publisher, value); break;
        case kComment: writer.text(g.comment, value); break;
        case kCrc32: writer.text(g.crc32, value); break;
        case kExtension: writer.text(g.extension, value); break;
        case kSerial: writer.text(g.serial, value); break;
        case kHard: g.hardware = klmLeadingInt32(value); break;
        case kSoft: g.software = klmLeadingInt32(value); break;
        case kGenre: g.genre = klmLeadingInt32(value); break;
        case kScreen: g.screen = klmLeadingInt32(value); break;
        case kGroup: g.group = klmLeadingInt32(value); break;
        case kDisk: g.disk = klmLeadingInt32(value); break;
        case kDate:
            g.releaseDate = klmLeadingInt32(value);
            klmCopyField(g.releaseDateText, klmFormatDateValue(value));
            break;
        case kPrice: {
            g.price = klmLeadingInt32(value);
            if (g.price == 0) {
                g.price = kKlmUnknownPrice;
                klmCopyField(g.priceText, klmFormatPrice(kKlmUnknownPrice, 0));
            } else {
                // The text keeps the value's own characters, with one comma.
                std::string text;
                const size_t head = value.size() >= 4 ? value.size() - 3 : value.size();
                text.append(value.substr(0, head));
                if (head < value.size()) text.append(",").append(value.substr(head));
                text += "\x89\x7e";
                writer.text(g.priceText, text);
            }
            break;
        }
        case kSize:
            g.romSize = klmLeadingInt32(value);
            if (g.romSize == 0) g.romSize = kKlmUnknownRomSize;
            klmCopyField(g.romSizeText, klmFormatSizeShort(g.romSize));
            break;
        case kArcade:
            if (value.empty())
                klmCopyField(g.arcadeFile, kNone);
            else
                writer.text(g.arcadeFile, value);
            break;
        default: break;
        }
    }

    if (problems) {
        if (inRecord) problems->push_back({fileName, recordLine, KlmProblemKind::ElementNotClosed, "<game>"});
        if (!sawDatEnd) problems->push_back({fileName, reader.lineNumber, KlmProblemKind::NoDatEnd, "</dat>"});
    }
    return 0;
}

int klmParseDataFile(const std::string& dataPath, Catalogue& cat, KlmProblemList* problems)
{
    std::string image;
    std::string error;
    if (!klmReadWholeFile(dataPath, image, &error)) {
        cat.games.clear();
        cat.sourceLines.clear();
        if (problems) problems->push_back({"data.dat", 0, KlmProblemKind::FileMissing, error});
        return 0;
    }
    return klmParseDataImage(image, cat, problems, "data.dat");
}
