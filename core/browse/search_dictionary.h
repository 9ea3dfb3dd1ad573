// A dictionary of short texts for the search index: each distinct text
// stored once, numbered in the order it was first added, found again
// through a hash table.
//
// Invariants:
//  - entries holds the texts the way an index segment holds games: each
//    ended by a NUL, entry e at entries.starts[e]; while open, starts has
//    one element per entry and nothing follows the last text; once closed
//    (klmCloseDictionary), starts has the end too and the scan's zero
//    padding follows;
//  - while open, slots is a power-of-two open-addressing table, at most
//    half full, of entry numbers; a closed dictionary has none;
//  - entry numbers stay below kFree, so at most kMaxEntries entries.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

// Texts back to back, each part ended by NULs, and where each part starts.
struct KlmSearchIndexSegment {
    std::vector<char> text;
    std::vector<uint32_t> starts;  // parts + 1
};

struct KlmSearchDictionary {
    static constexpr uint16_t kFree = 0xFFFF;
    static constexpr size_t kMaxEntries = kFree;

    KlmSearchIndexSegment entries;
    std::vector<uint32_t> slots;
    size_t count = 0;
    bool closed = false;
};

// Empties it, keeping its memory; it is left open.
void klmClearDictionary(KlmSearchDictionary& d);

// The number of the entry holding text (which holds no NUL), added at the
// end when new. kFree, and nothing added, when a new entry would make more
// than limit entries. Opens a closed dictionary.
uint16_t klmDictionaryAdd(KlmSearchDictionary& d, std::string_view text, size_t limit);

// Makes room for that many entries in all, so that adding them does not
// grow the hash table step by step.
void klmReserveDictionary(KlmSearchDictionary& d, size_t entries);

// Ends the starts and adds padding zero bytes after the last text, for
// the scan; klmDictionaryAdd takes them off again.
void klmCloseDictionary(KlmSearchDictionary& d, size_t padding);

// Entry e's text (e below count).
std::string_view klmDictionaryText(const KlmSearchDictionary& d, size_t e);

// Bytes it holds, for the memory figures.
size_t klmDictionaryBytes(const KlmSearchDictionary& d);
