// The four master tables (hard.dat, soft.dat, genre.dat, screen.dat) and
// the tables derived from the records (developers, publishers, ROM sizes).
//
// A master table is sorted by its reading (alias) with a stable sort on
// unsigned bytes, so equal aliases keep their file order; games then refer
// to entries by their place in the sorted table. A key no entry has stays
// in the record as the file's number; every reader of a position checks it
// against the table's size.
#include <xxhash.h>

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstddef>
#include <cstring>
#include <thread>
#include <unordered_map>

#include "catalogue/catalogue.h"
#include "catalogue/parse_util.h"
#include "text/cp932.h"
#include "text/file_io.h"
#include "text/line_reader.h"
#include "text/section_file.h"

namespace {

enum MasterTag { kIndex, kImageNumber, kName, kAlias, kAspect, kSkin, kEndElement, kMasterTagCount };

struct KindInfo {
    const char* open;
    const char* close;
    const char* file;
};

KindInfo kindInfo(KlmTableKind kind)
{
    switch (kind) {
    case KlmTableKind::Hardware: return {"<hard>", "</hard>", "hard.dat"};
    case KlmTableKind::Software: return {"<soft>", "</soft>", "soft.dat"};
    case KlmTableKind::Genre: return {"<genre>", "</genre>", "genre.dat"};
    case KlmTableKind::Screen: return {"<screen>", "</screen>", "screen.dat"};
    }
    return {"<hard>", "</hard>", "hard.dat"};
}

int32_t& gameField(GameRecord& g, KlmTableKind kind)
{
    switch (kind) {
    case KlmTableKind::Hardware: return g.hardware;
    case KlmTableKind::Software: return g.software;
    case KlmTableKind::Genre: return g.genre;
    case KlmTableKind::Screen: return g.screen;
    }
    return g.hardware;
}

bool lessBytes(std::string_view a, std::string_view b)
{
    // string_view compares with char_traits<char>, which compares as
    // unsigned char; a prefix sorts first.
    return a.compare(b) < 0;
}

}  // namespace

std::vector<MasterEntry>& klmTable(Catalogue& cat, KlmTableKind kind)
{
    switch (kind) {
    case KlmTableKind::Hardware: return cat.hardware;
    case KlmTableKind::Software: return cat.software;
    case KlmTableKind::Genre: return cat.genre;
    case KlmTableKind::Screen: return cat.screen;
    }
    return cat.hardware;
}

const char* klmTableFileName(KlmTableKind kind)
{
    return kindInfo(kind).file;
}

int klmLoadMasterImage(KlmTableKind kind, std::string_view image, Catalogue& cat, KlmProblemList* problems,
                       const std::string& fileNameIn)
{
    const KindInfo info = kindInfo(kind);
    const std::string fileName = fileNameIn.empty() ? info.file : fileNameIn;
    const KlmTagDef tags[kMasterTagCount] = {
        {"<index>", "</index>"}, {"<imageNumber>", "</imageNumber>"}, {"<name>", "</name>"},
        {"<alias>", "</alias>"}, {"<aspect>", "</aspect>"},            {"<skin>", "</skin>"},
        {info.close, nullptr},
    };
    KlmTagMatcher matcher(tags, kMasterTagCount);
    KlmFieldWriter writer{problems, fileName};

    std::vector<MasterEntry>& table = klmTable(cat, kind);
    table.clear();
    std::vector<int> entryLines;
    if (problems) klmNoteRawProblems(image, fileName, *problems);

    KlmLineReader reader = klmMakeLineReader(image);
    std::string piece;
    bool inElement = false;
    bool sawDatEnd = false;
    int elementLine = 0;
    while (klmNextLine(reader, piece)) {
        const int lineNo = reader.lineNumber;
        if (!inElement) {
            if (klmLineHas(piece, "</dat>")) {
                sawDatEnd = true;
                break;
            }
            if (klmLineHas(piece, info.open)) {
                table.emplace_back();
                entryLines.push_back(lineNo);
                inElement = true;
                elementLine = lineNo;
            }
            continue;
        }
        int tag = matcher.firstTag(piece);
        if (tag < 0) {
            if (klmLineHas(piece, info.open)) {
                if (problems) problems->push_back({fileName, elementLine, KlmProblemKind::ElementNotClosed, info.open});
                table.emplace_back();
                entryLines.push_back(lineNo);
                elementLine = lineNo;
            }
            continue;
        }
        if (tag == kEndElement) {
            inElement = false;
            continue;
        }
        writer.line = lineNo;
        std::string_view value = klmTagValue(piece, tags[tag], writer);
        MasterEntry& e = table.back();
        switch (tag) {
        case kIndex: e.key = e.position = klmLeadingInt32(value); break;
        case kImageNumber: e.imageNumber = klmLeadingInt32(value); break;
        case kName: writer.text(e.name, value); break;
        case kAlias: writer.text(e.alias, value); break;
        case kAspect: e.aspect = klmLeadingInt32(value); break;
        case kSkin: e.skin = klmLeadingInt32(value); break;
        default: break;
        }
    }
    if (problems) {
        if (inElement) problems->push_back({fileName, elementLine, KlmProblemKind::ElementNotClosed, info.open});
        if (!sawDatEnd) problems->push_back({fileName, reader.lineNumber, KlmProblemKind::NoDatEnd, "</dat>"});
        std::unordered_map<int32_t, int> firstLine;
        for (size_t i = 0; i < table.size(); ++i) {
            auto [it, fresh] = firstLine.emplace(table[i].key, entryLines[i]);
            if (!fresh)
                problems->push_back({fileName, entryLines[i], KlmProblemKind::DuplicateIndex, std::to_string(table[i].key)});
        }
    }

    // Stable: equal aliases keep their file order.
    std::stable_sort(table.begin(), table.end(), [](const MasterEntry& a, const MasterEntry& b) {
        return lessBytes(klmField(a.alias), klmField(b.alias));
    });

    // The first entry in sorted order with a key wins that key.
    std::unordered_map<int32_t, int32_t> positionOfKey;
    positionOfKey.reserve(table.size() * 2);
    for (size_t i = 0; i < table.size(); ++i) positionOfKey.emplace(table[i].key, static_cast<int32_t>(i));

    const char* gameFile = "data.dat";
    for (size_t gi = 0; gi < cat.games.size(); ++gi) {
        int32_t& field = gameField(cat.games[gi], kind);
        auto it = positionOfKey.find(field);
        if (it != positionOfKey.end()) {
            field = it->second;
        } else if (problems) {
            int line = gi < cat.sourceLines.size() ? cat.sourceLines[gi] : 0;
            problems->push_back({gameFile, line, KlmProblemKind::UnknownMasterKey,
                                 std::string(info.open) + std::to_string(field)});
        }
    }

    for (size_t i = 0; i < table.size(); ++i) table[i].position = static_cast<int32_t>(i);
    return 0;
}

int klmLoadMasterTable(KlmTableKind kind, const std::string& path, Catalogue& cat, KlmProblemList* problems)
{
    std::string image;
    std::string error;
    if (!klmReadWholeFile(path, image, &error)) {
        // A missing table is empty and the games keep their file numbers;
        // the one problem says why, rather than one per game.
        if (problems) problems->push_back({kindInfo(kind).file, 0, KlmProblemKind::FileMissing, error});
        klmTable(cat, kind).clear();
        return 0;
    }
    return klmLoadMasterImage(kind, image, cat, problems);
}

int32_t klmGetNewHardIndex(const Catalogue& cat, int32_t key, const KlmNotifier& notify)
{
    for (const MasterEntry& e : cat.hardware)
        if (e.key == key) return e.position;
    if (notify) notify("重大なエラー", "klmGetNewHardIndex()");
    return -1;
}

namespace {

// Texts numbered in the order they were first seen. Open addressing on the
// text's hash, and the texts copied side by side: a large catalogue asks
// hundreds of thousands of times, and comparing against the record a text
// was first seen in would fetch a cold line of memory each time.
class TextSet {
public:
    TextSet() { rehash(64); }

    int32_t add(std::string_view text) { return add(text, XXH3_64bits(text.data(), text.size())); }
    int32_t add(std::string_view text, uint64_t hash)
    {
        if ((count() + 1) * 2 > slots_.size())
            rehash(slots_.size() * 2);
        for (size_t i = hash & mask_;; i = (i + 1) & mask_) {
            Slot& s = slots_[i];
            if (s.id < 0) {
                s = {hash, static_cast<int32_t>(count())};
                starts_.push_back(chars_.size());
                chars_.append(text);
                hashes_.push_back(hash);
                return s.id;
            }
            if (s.hash == hash && this->text(static_cast<size_t>(s.id)) == text)
                return s.id;
        }
    }
    // Adds other's texts in their order; what each of other's numbers became.
    std::vector<int32_t> merge(const TextSet& other)
    {
        std::vector<int32_t> numbers(other.count());
        for (size_t i = 0; i < numbers.size(); ++i)
            numbers[i] = add(other.text(i), other.hashes_[i]);
        return numbers;
    }
    size_t count() const { return starts_.size(); }
    std::string_view text(size_t i) const
    {
        const size_t end = i + 1 < starts_.size() ? starts_[i + 1] : chars_.size();
        return std::string_view(chars_).substr(starts_[i], end - starts_[i]);
    }

private:
    struct Slot {
        uint64_t hash = 0;
        int32_t id = -1;
    };
    void rehash(size_t size)
    {
        std::vector<Slot> old = std::move(slots_);
        slots_.assign(size, Slot{});
        mask_ = size - 1;
        for (const Slot& s : old) {
            if (s.id < 0)
                continue;
            size_t i = s.hash & mask_;
            while (slots_[i].id >= 0)
                i = (i + 1) & mask_;
            slots_[i] = s;
        }
    }

    std::vector<Slot> slots_;
    std::string chars_;
    std::vector<size_t> starts_;
    std::vector<uint64_t> hashes_;
    size_t mask_ = 0;
};

bool knownRomSize(const GameRecord& g)
{
    return g.romSize != 0 && g.romSize != kKlmUnknownRomSize;
}

// What one stretch of the records holds: its distinct developer, publisher
// and ROM-size texts, and each game's developer and publisher number in
// the stretch's own numbering.
struct Stretch {
    size_t begin = 0;
    size_t end = 0;
    TextSet developers;
    TextSet publishers;
    TextSet sizes;
    std::vector<int32_t> developerOf;
    std::vector<int32_t> publisherOf;
};

void collect(const Catalogue& cat, Stretch& st, bool names, bool sizes)
{
    if (names) {
        st.developerOf.resize(st.end - st.begin);
        st.publisherOf.resize(st.end - st.begin);
    }
    constexpr size_t kAhead = 6;
    const size_t offsets[] = {offsetof(GameRecord, developer), offsetof(GameRecord, publisher),
                              offsetof(GameRecord, romSizeText), offsetof(GameRecord, romSize)};
    for (size_t i = st.begin; i < st.end; ++i) {
        // The fields lie far apart in records far apart: fetch ahead.
        if (i + kAhead < st.end)
            for (size_t off : offsets)
                __builtin_prefetch(reinterpret_cast<const char*>(&cat.games[i + kAhead]) + off);
        const GameRecord& g = cat.games[i];
        if (names) {
            st.developerOf[i - st.begin] = st.developers.add(klmField(g.developer));
            st.publisherOf[i - st.begin] = st.publishers.add(klmField(g.publisher));
        }
        if (sizes && knownRomSize(g))
            st.sizes.add(klmField(g.romSizeText));
    }
}

// A table of the texts in first-seen order, sorted by unsigned bytes
// (stable); the place each text's number ended at.
std::vector<int32_t> makeNameTable(const TextSet& texts, std::vector<MasterEntry>& table)
{
    std::vector<MasterEntry> seen(texts.count());
    for (size_t i = 0; i < seen.size(); ++i)
        klmCopyField(seen[i].name, texts.text(i));
    std::vector<int32_t> order(seen.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = static_cast<int32_t>(i);
    std::stable_sort(order.begin(), order.end(), [&](int32_t a, int32_t b) {
        return lessBytes(klmField(seen[static_cast<size_t>(a)].name), klmField(seen[static_cast<size_t>(b)].name));
    });
    std::vector<int32_t> placeOf(seen.size());
    table.assign(seen.size(), MasterEntry{});
    for (size_t place = 0; place < order.size(); ++place) {
        placeOf[static_cast<size_t>(order[place])] = static_cast<int32_t>(place);
        table[place] = seen[static_cast<size_t>(order[place])];
        table[place].position = static_cast<int32_t>(place);
    }
    return placeOf;
}

// "24.0 KB" -> 24.0 x 1024; "1.50 MB" -> 1.5 x 1048576; sorted by that
// value (stable).
void makeSizeTable(const TextSet& texts, std::vector<MasterEntry>& table)
{
    table.clear();
    table.reserve(texts.count());
    for (size_t i = 0; i < texts.count(); ++i) {
        const std::string_view text = texts.text(i);
        MasterEntry e{};
        klmCopyField(e.name, text);
        double number = 0;
        if (text.size() > 3) {
            std::string_view digits = text.substr(0, text.size() - 3);
            while (!digits.empty() && digits.front() == ' ') digits.remove_prefix(1);
            std::from_chars(digits.data(), digits.data() + digits.size(), number);
        }
        double scale = klmLineHas(text, "KB") ? 1024.0 : 1048576.0;
        double bytes = number * scale;
        e.value = bytes >= 2147483647.0 ? 2147483647 : static_cast<int32_t>(bytes);
        table.push_back(e);
    }
    std::stable_sort(table.begin(), table.end(), [](const MasterEntry& a, const MasterEntry& b) { return a.value < b.value; });
    for (size_t i = 0; i < table.size(); ++i) table[i].position = static_cast<int32_t>(i);
}

// Runs job(0) here and job(1) beside it when there are two stretches.
template <typename Job>
void bothStretches(size_t stretches, Job job)
{
    std::thread other;
    if (stretches == 2) other = std::thread(job, 1);
    job(0);
    if (other.joinable()) other.join();
}

// The developer and publisher tables (names) and the ROM-size table
// (sizes), from one pass over the records; a large catalogue is read by
// halves side by side and the halves' texts joined in record order, so the
// tables are those a single reader makes.
void buildDerivedTables(Catalogue& cat, bool names, bool sizes)
{
    const size_t n = cat.games.size();
    const size_t stretches = n >= 16384 ? 2 : 1;
    Stretch st[2];
    st[0].end = stretches == 2 ? n / 2 : n;
    st[1].begin = st[0].end;
    st[1].end = n;
    bothStretches(stretches, [&](int h) { collect(cat, st[h], names, sizes); });

    std::vector<int32_t> developerOfSecond, publisherOfSecond;
    if (stretches == 2) {
        developerOfSecond = st[0].developers.merge(st[1].developers);
        publisherOfSecond = st[0].publishers.merge(st[1].publishers);
        st[0].sizes.merge(st[1].sizes);
    }
    if (sizes)
        makeSizeTable(st[0].sizes, cat.romSize);
    if (!names)
        return;
    const std::vector<int32_t> developerPlace = makeNameTable(st[0].developers, cat.developer);
    const std::vector<int32_t> publisherPlace = makeNameTable(st[0].publishers, cat.publisher);
    bothStretches(stretches, [&](int h) {
        const Stretch& s = st[h];
        for (size_t i = s.begin; i < s.end; ++i) {
            int32_t developer = s.developerOf[i - s.begin];
            int32_t publisher = s.publisherOf[i - s.begin];
            if (h == 1) {
                developer = developerOfSecond[static_cast<size_t>(developer)];
                publisher = publisherOfSecond[static_cast<size_t>(publisher)];
            }
            cat.games[i].developerNumber = developerPlace[static_cast<size_t>(developer)];
            cat.games[i].publisherNumber = publisherPlace[static_cast<size_t>(publisher)];
        }
    });
}

}  // namespace

void klmBuildNameTables(Catalogue& cat)
{
    buildDerivedTables(cat, true, false);
}

void klmBuildSizeTable(Catalogue& cat)
{
    buildDerivedTables(cat, false, true);
}

void klmBuildDerivedTables(Catalogue& cat)
{
    buildDerivedTables(cat, true, true);
}

void klmResetMovieMarks(Catalogue& cat)
{
    decltype(GameRecord::movieMark) none;
    klmCopyField(none, "\x81\x7e");  // "×"
    // Only records that differ are written: one left alone stays the
    // cache file's page, shared and unread. A large catalogue by halves.
    auto reset = [&](size_t begin, size_t end) {
        for (size_t i = begin; i < end; ++i) {
            GameRecord& g = cat.games[i];
            if (g.hasMovie != 0) g.hasMovie = 0;
            if (std::memcmp(g.movieMark, none, sizeof none) != 0) std::memcpy(g.movieMark, none, sizeof none);
        }
    };
    const size_t n = cat.games.size();
    const size_t stretches = n >= 16384 ? 2 : 1;
    bothStretches(stretches, [&](int h) { reset(h == 0 ? 0 : n / 2, h == 0 && stretches == 2 ? n / 2 : n); });
    cat.movieCount = 0;
}

int32_t klmSelectFirstDisk(const Catalogue& cat, int32_t selected)
{
    if (selected < 0 || selected >= klmGameCount(cat)) return selected;
    const int32_t group = cat.games[selected].group;
    for (size_t i = 0; i < cat.games.size(); ++i)
        if (cat.games[i].group == group && cat.games[i].disk == 0) return static_cast<int32_t>(i);
    return selected;
}
