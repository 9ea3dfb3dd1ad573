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
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <algorithm>
#include <cstring>
#include <thread>
#include <vector>

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

namespace {

// One stretch of the image, read on its own: its records go to `out`, which
// has room for every "<game>" of the stretch and is zero, and its line
// numbers count from the stretch's first line.
struct Stretch {
    std::string_view text;
    GameRecord* out = nullptr;
    size_t count = 0;
    std::vector<int> sourceLines;
    KlmProblemList problems;
    bool wantProblems = false;
    bool inRecord = false;
    int recordLine = 0;
    bool sawDatEnd = false;
    int lines = 0;  // the reader's line number at the stretch's end
};

void applyTag(int tag, std::string_view value, GameRecord& g, KlmFieldWriter& writer)
{
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

// Brings in a stretch's part of fresh memory in one call rather than a
// fault per page, which is most of what a first touch costs.
void populate(GameRecord* out, size_t records)
{
#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23  // Linux 5.14
#endif
    const uintptr_t page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    const uintptr_t from = reinterpret_cast<uintptr_t>(out) / page * page;
    const uintptr_t to = reinterpret_cast<uintptr_t>(out + records);
    if (records > 0) madvise(reinterpret_cast<void*>(from), to - from, MADV_POPULATE_WRITE);
}

void parseStretch(Stretch& s, const KlmTagMatcher& matcher, const std::string& fileName, size_t bound,
                  bool fresh)
{
    if (fresh) populate(s.out, bound);
    KlmFieldWriter writer{s.wantProblems ? &s.problems : nullptr, fileName};
    KlmLineReader reader = klmMakeLineReader(s.text);
    std::string_view piece;  // without its line break, which no tag holds
    GameRecord* g = nullptr;
    auto startRecord = [&](int lineNo) {
        g = s.out + s.count++;
        s.sourceLines.push_back(lineNo);
        s.inRecord = true;
        s.recordLine = lineNo;
    };
    while (klmNextPiece(reader, piece)) {
        const int lineNo = reader.lineNumber;
        if (!s.inRecord) {
            if (klmLineHas(piece, "</dat>")) {
                s.sawDatEnd = true;
                break;
            }
            if (klmLineHas(piece, "<game>")) startRecord(lineNo);
            continue;
        }

        size_t at = 0;
        const int tag = matcher.firstTag(piece, &at);
        if (tag < 0) {
            if (klmLineHas(piece, "<game>")) {
                // The previous record was never closed: start the next one.
                if (writer.problems)
                    s.problems.push_back({fileName, s.recordLine, KlmProblemKind::ElementNotClosed, "<game>"});
                startRecord(lineNo);
            }
            continue;
        }
        if (tag == kEndGame) {
            s.inRecord = false;
            continue;
        }
        writer.line = lineNo;
        applyTag(tag, klmTagValueAt(piece, at, kGameTags[tag], writer), *g, writer);
    }
    s.lines = reader.lineNumber;
}

// Where a second reader can take over: the start of a line that is exactly
// "<game>" in the image's second half. Such a line starts a record whatever
// came before it (only the note about an unclosed record before it
// depends on that), and a line break always ends a piece, so both halves
// read the very pieces a single reader would. 0 when there is none.
size_t splitPoint(std::string_view image, size_t minBytes)
{
    if (image.size() < minBytes) return 0;
    constexpr std::string_view kLine = "\n<game>";
    for (size_t at = image.find(kLine, image.size() / 2); at != std::string_view::npos;
         at = image.find(kLine, at + 1)) {
        const std::string_view rest = image.substr(at + kLine.size());
        if (rest.starts_with("\n") || rest.starts_with("\r\n")) return at + 1;
    }
    return 0;
}

// Zeroed memory for the records, straight from the kernel, so that each
// reader brings in its own part. Null when it cannot be had.
void* mapZeroed(size_t bytes)
{
    if (bytes == 0) return nullptr;
    void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return p == MAP_FAILED ? nullptr : p;
}

// Appends a later stretch's results to the first one's, as one reader
// going on past the split would have produced them.
void joinStretches(Stretch& a, Stretch& b, const std::string& fileName)
{
    const int offset = a.lines;
    if (a.wantProblems && a.inRecord)
        a.problems.push_back({fileName, a.recordLine, KlmProblemKind::ElementNotClosed, "<game>"});
    for (KlmProblem& p : b.problems) {
        p.line += offset;
        a.problems.push_back(std::move(p));
    }
    for (int line : b.sourceLines) a.sourceLines.push_back(line + offset);
    if (b.count > 0 && a.out + a.count != b.out)
        std::memmove(a.out + a.count, b.out, b.count * sizeof(GameRecord));
    a.count += b.count;
    a.inRecord = b.inRecord;
    a.recordLine = b.recordLine + offset;
    a.sawDatEnd = b.sawDatEnd;
    a.lines = b.lines + offset;
}

}  // namespace

int klmParseDataImageSplit(std::string_view image, Catalogue& cat, KlmProblemList* problems,
                           const std::string& fileName, size_t minSplitBytes)
{
    cat.games.clear();
    cat.sourceLines.clear();
    if (problems) klmNoteRawProblems(image, fileName, *problems);

    const size_t split = splitPoint(image, minSplitBytes);
    Stretch parts[2];
    parts[0].text = image.substr(0, split ? split : image.size());
    if (split) parts[1].text = image.substr(split);
    const int used = split ? 2 : 1;

    // Every record starts on a line holding "<game>", so counting them
    // bounds each stretch's records and the array is allocated once.
    size_t bound[2] = {0, 0};
    {
        std::thread counter;
        if (used == 2) counter = std::thread([&] { bound[1] = klmCountOccurrences(parts[1].text, "<game>"); });
        bound[0] = klmCountOccurrences(parts[0].text, "<game>");
        if (counter.joinable()) counter.join();
    }
    const size_t total = bound[0] + bound[1];
    const size_t bytes = total * sizeof(GameRecord);
    void* const mapped = mapZeroed(bytes);
    if (total > 0 && !mapped) cat.games.resize(total);  // the program's own memory, zeroed
    GameRecord* base = mapped ? static_cast<GameRecord*>(mapped) : cat.games.data();

    KlmTagMatcher matcher(kGameTags, kGameTagCount);
    for (int i = 0; i < used; ++i) {
        parts[i].out = base + (i == 0 ? 0 : bound[0]);
        parts[i].wantProblems = problems != nullptr;
    }
    {
        std::thread second;
        if (used == 2) second = std::thread([&] { parseStretch(parts[1], matcher, fileName, bound[1], mapped); });
        parseStretch(parts[0], matcher, fileName, bound[0], mapped);
        if (second.joinable()) second.join();
    }
    Stretch& whole = parts[0];
    if (used == 2 && !whole.sawDatEnd) joinStretches(whole, parts[1], fileName);

    if (mapped) {
        // Whole pages past the last record go back at once.
        const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
        const size_t keep = std::max(page, (whole.count * sizeof(GameRecord) + page - 1) / page * page);
        const size_t length = (bytes + page - 1) / page * page;
        if (keep < length) munmap(static_cast<char*>(mapped) + keep, length - keep);
        cat.games.adoptMapping(mapped, std::min(keep, length), 0, whole.count);
    } else {
        cat.games.resize(whole.count);
    }
    cat.sourceLines = std::move(whole.sourceLines);

    if (problems) {
        problems->insert(problems->end(), std::make_move_iterator(whole.problems.begin()),
                         std::make_move_iterator(whole.problems.end()));
        if (whole.inRecord)
            problems->push_back({fileName, whole.recordLine, KlmProblemKind::ElementNotClosed, "<game>"});
        if (!whole.sawDatEnd) problems->push_back({fileName, whole.lines, KlmProblemKind::NoDatEnd, "</dat>"});
    }
    return 0;
}

int klmParseDataImage(std::string_view image, Catalogue& cat, KlmProblemList* problems,
                      const std::string& fileName)
{
    // Below a megabyte a second reader costs more than it saves.
    return klmParseDataImageSplit(image, cat, problems, fileName, size_t{1} << 20);
}

namespace {

// A large data.dat read straight into fresh memory by two threads, each
// bringing in its half of the buffer and reading its half of the file:
// one copy instead of two, and the first touch of the pages shared out.
class BigImage {
public:
    ~BigImage()
    {
        if (data_) munmap(data_, length_);
    }
    // False when the file is small, changes size while read, or cannot be
    // read this way: the caller reads it the plain way.
    bool read(const std::string& path)
    {
        const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return false;
        struct stat st {};
        bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size >= (8 << 20);
        if (ok) {
            size_ = static_cast<size_t>(st.st_size);
            length_ = size_ + 1;
            void* p = mmap(nullptr, length_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
            data_ = p == MAP_FAILED ? nullptr : static_cast<char*>(p);
            ok = data_ != nullptr;
        }
        if (ok) {
            const size_t half = size_ / 2;
            bool second = false;
            std::thread other([&] { second = readRange(fd, half, size_); });
            const bool first = readRange(fd, 0, half);
            other.join();
            char extra = 0;
            ok = first && second && pread(fd, &extra, 1, static_cast<off_t>(size_)) == 0;
        }
        close(fd);
        return ok;
    }
    std::string_view image() const { return {data_, size_}; }

private:
    bool readRange(int fd, size_t from, size_t to)
    {
#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23  // Linux 5.14
#endif
        const uintptr_t page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
        const uintptr_t start = reinterpret_cast<uintptr_t>(data_ + from) / page * page;
        madvise(reinterpret_cast<void*>(start), reinterpret_cast<uintptr_t>(data_ + to) - start, MADV_POPULATE_WRITE);
        while (from < to) {
            const ssize_t r = pread(fd, data_ + from, std::min<size_t>(to - from, 16u << 20), static_cast<off_t>(from));
            if (r < 0 && errno == EINTR) continue;
            if (r <= 0) return false;
            from += static_cast<size_t>(r);
        }
        return true;
    }
    char* data_ = nullptr;
    size_t size_ = 0;
    size_t length_ = 0;
};

}  // namespace

int klmParseDataFile(const std::string& dataPath, Catalogue& cat, KlmProblemList* problems)
{
    BigImage big;
    if (big.read(dataPath)) return klmParseDataImage(big.image(), cat, problems, "data.dat");
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
