// The Catalogue: every game in data.dat order (a game's catalogue index is
// its position) and the tables the games refer to by position.
//
// Tables hold their used entries only; a derived table grows past its
// nominal 2000 (developers, publishers) or 1000 (ROM sizes) slots rather
// than dropping a value.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/game_array.h"
#include "catalogue/records.h"

enum class KlmTableKind { Hardware, Software, Genre, Screen };

struct Catalogue {
    KlmGameArray games;  // own memory, or dat.cache mapped (see game_array.h)
    std::vector<MasterEntry> hardware;
    std::vector<MasterEntry> software;
    std::vector<MasterEntry> genre;
    std::vector<MasterEntry> publisher;
    std::vector<MasterEntry> developer;
    std::vector<MasterEntry> screen;
    std::vector<MasterEntry> romSize;
    int32_t movieCount = 0;
    // data.dat line of each record's "<game>", kept after a parse for the
    // problem report; empty after a load from dat.cache.
    std::vector<int32_t> sourceLines;
};

inline int32_t klmGameCount(const Catalogue& c) { return static_cast<int32_t>(c.games.size()); }

// Nominal sizes of the derived tables.
inline constexpr size_t kKlmNameTableSlots = 2000;
inline constexpr size_t kKlmSizeTableSlots = 1000;

// What the readers met in a file, for `kolmar-cli check`. The readers never
// stop on a problem: they note it and go on with a safe value.
enum class KlmProblemKind {
    ElementNotClosed,     // <game> (or a master element) not closed before the end
    TagNotClosed,         // a tag line without its closing tag
    ValueCut,             // a value longer than its field, cut at a character boundary
    UnknownMasterKey,     // a game names a key its master table does not have
    DuplicateIndex,       // two master entries with the same <index>
    InvalidShiftJis,      // bytes that are not code page 932
    NoDatEnd,             // the file has no "</dat>"; read to the end
    LineTooLong,          // a line longer than 259 bytes, read as pieces
    NulByte,              // a NUL byte inside a line
    FileMissing,          // the file could not be read
};

struct KlmProblem {
    std::string file;     // file name, e.g. "data.dat"
    int line = 0;         // 1-based physical line; 0 when not tied to a line
    KlmProblemKind kind = KlmProblemKind::FileMissing;
    std::string detail;   // CP932 excerpt (tag, key, value) for the report
};

using KlmProblemList = std::vector<KlmProblem>;

// The GUI shows the lookup error of klmGetNewHardIndex through this; texts
// are UTF-8. Tests and the CLI pass their own.
using KlmNotifier = std::function<void(const std::string& title, const std::string& text)>;

// data.dat: fills games in file order. Returns 0 (−3 is kept for an
// allocation failure). Texts are first built in display format 0.
int klmParseDataFile(const std::string& dataPath, Catalogue& cat, KlmProblemList* problems = nullptr);
// Parses a data.dat image already in memory (the fuzz target's entry).
int klmParseDataImage(std::string_view image, Catalogue& cat, KlmProblemList* problems = nullptr,
                      const std::string& fileName = "data.dat");
// The same, read by two readers at once when the image has at least
// minSplitBytes (klmParseDataImage uses a megabyte); the result does not
// depend on it.
int klmParseDataImageSplit(std::string_view image, Catalogue& cat, KlmProblemList* problems,
                           const std::string& fileName, size_t minSplitBytes);

// hard.dat, soft.dat, genre.dat, screen.dat: fills the table, sorts it by
// alias and turns the games' keys into positions.
int klmLoadMasterTable(KlmTableKind kind, const std::string& path, Catalogue& cat,
                       KlmProblemList* problems = nullptr);
int klmLoadMasterImage(KlmTableKind kind, std::string_view image, Catalogue& cat,
                       KlmProblemList* problems = nullptr, const std::string& fileName = {});

// Position of the hardware entry with this key, or −1 after the
// "klmGetNewHardIndex()" message through notify.
int32_t klmGetNewHardIndex(const Catalogue& cat, int32_t key, const KlmNotifier& notify);

void klmBuildNameTables(Catalogue& cat);
void klmBuildSizeTable(Catalogue& cat);
// Both, from one pass over the records.
void klmBuildDerivedTables(Catalogue& cat);
void klmResetMovieMarks(Catalogue& cat);
// Moves the selection to the first disk of the selected game's group.
int32_t klmSelectFirstDisk(const Catalogue& cat, int32_t selected);

std::vector<MasterEntry>& klmTable(Catalogue& cat, KlmTableKind kind);
const char* klmTableFileName(KlmTableKind kind);
