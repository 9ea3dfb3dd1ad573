// The four master tables (hard.dat, soft.dat, genre.dat, screen.dat) and
// the tables derived from the records (developers, publishers, ROM sizes).
//
// A master table is sorted by its reading (alias) with a stable sort on
// unsigned bytes, so equal aliases keep their file order; games then refer
// to entries by their place in the sorted table. A key no entry has stays
// in the record as the file's number; every reader of a position checks it
// against the table's size.
#include <algorithm>
#include <charconv>
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

// Distinct texts in first-seen order, sorted by unsigned bytes; each
// record's number becomes the place of its text.
template <typename TextOf>
void buildNameTable(Catalogue& cat, std::vector<MasterEntry>& table, TextOf textOf, int32_t GameRecord::*number)
{
    table.clear();
    std::unordered_map<std::string_view, int32_t> slotOfName;
    slotOfName.reserve(cat.games.size() / 4 + 16);
    std::vector<int32_t> slotOfGame(cat.games.size());
    for (size_t i = 0; i < cat.games.size(); ++i) {
        std::string_view name = textOf(cat.games[i]);
        auto [it, fresh] = slotOfName.emplace(name, static_cast<int32_t>(table.size()));
        if (fresh) {
            MasterEntry e{};
            klmCopyField(e.name, name);
            table.push_back(e);
        }
        slotOfGame[i] = it->second;
    }
    std::vector<int32_t> order(table.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int32_t>(i);
    std::stable_sort(order.begin(), order.end(), [&](int32_t a, int32_t b) {
        return lessBytes(klmField(table[a].name), klmField(table[b].name));
    });
    std::vector<int32_t> placeOfSlot(table.size());
    std::vector<MasterEntry> sorted(table.size());
    for (size_t place = 0; place < order.size(); ++place) {
        placeOfSlot[order[place]] = static_cast<int32_t>(place);
        sorted[place] = table[order[place]];
        sorted[place].position = static_cast<int32_t>(place);
    }
    table.swap(sorted);
    for (size_t i = 0; i < cat.games.size(); ++i) cat.games[i].*number = placeOfSlot[slotOfGame[i]];
}

}  // namespace

void klmBuildNameTables(Catalogue& cat)
{
    // The two tables read and write different fields of the records, so a
    // large catalogue builds them side by side.
    auto developers = [&cat] {
        buildNameTable(
            cat, cat.developer, [](const GameRecord& g) { return klmField(g.developer); }, &GameRecord::developerNumber);
    };
    std::thread other;
    if (cat.games.size() >= 16384) other = std::thread(developers);
    else developers();
    buildNameTable(
        cat, cat.publisher, [](const GameRecord& g) { return klmField(g.publisher); }, &GameRecord::publisherNumber);
    if (other.joinable()) other.join();
}

void klmBuildSizeTable(Catalogue& cat)
{
    cat.romSize.clear();
    std::unordered_map<std::string_view, bool> seen;
    for (const GameRecord& g : cat.games) {
        if (g.romSize == 0 || g.romSize == kKlmUnknownRomSize) continue;
        std::string_view text = klmField(g.romSizeText);
        if (!seen.emplace(text, true).second) continue;
        MasterEntry e{};
        klmCopyField(e.name, text);
        // "24.0 KB" -> 24.0 x 1024; "1.50 MB" -> 1.5 x 1048576.
        double number = 0;
        if (text.size() > 3) {
            std::string_view digits = text.substr(0, text.size() - 3);
            while (!digits.empty() && digits.front() == ' ') digits.remove_prefix(1);
            std::from_chars(digits.data(), digits.data() + digits.size(), number);
        }
        double scale = klmLineHas(text, "KB") ? 1024.0 : 1048576.0;
        double bytes = number * scale;
        e.value = bytes >= 2147483647.0 ? 2147483647 : static_cast<int32_t>(bytes);
        cat.romSize.push_back(e);
    }
    std::stable_sort(cat.romSize.begin(), cat.romSize.end(),
                     [](const MasterEntry& a, const MasterEntry& b) { return a.value < b.value; });
    for (size_t i = 0; i < cat.romSize.size(); ++i) cat.romSize[i].position = static_cast<int32_t>(i);
}

void klmResetMovieMarks(Catalogue& cat)
{
    decltype(GameRecord::movieMark) none;
    klmCopyField(none, "\x81\x7e");  // "×"
    // Only records that differ are written: one left alone stays the
    // cache file's page, shared and unread.
    for (GameRecord& g : cat.games) {
        if (g.hasMovie != 0) g.hasMovie = 0;
        if (std::memcmp(g.movieMark, none, sizeof none) != 0) std::memcpy(g.movieMark, none, sizeof none);
    }
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
