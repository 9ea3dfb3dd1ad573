// GameRecord and MasterEntry are the images dat.cache stores: standard-layout
// structs of fixed char arrays and little-endian 32-bit integers, so the
// cache is read and written one array at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

inline constexpr int32_t kKlmUnknownPrice = 999999;
inline constexpr int32_t kKlmUnknownRomSize = 999999999;
inline constexpr int32_t kKlmNoSelection = -1;

// Ownership states kept by the audit.
inline constexpr int32_t kKlmNotOwned = 0;
inline constexpr int32_t kKlmOwned = 1;
inline constexpr int32_t kKlmOwnedNotRenamed = 2;

struct GameRecord {
    int32_t imageNumber;
    char imageNumberText[16];
    char title[128];
    char englishTitle[128];
    char titleKana[128];
    int32_t hardware;          // position in the hardware table (raw key when unresolved)
    int32_t software;          // position in the software table
    int32_t publisherNumber;   // position in the publisher table
    char publisher[128];
    int32_t developerNumber;   // position in the developer table
    char developer[128];
    int32_t genre;             // position in the genre table
    int32_t releaseDate;       // YYYYMMDD
    char releaseDateText[32];
    int32_t price;             // yen; kKlmUnknownPrice when unknown
    char priceText[32];
    char comment[256];
    char crc32[16];
    char extension[8];
    int32_t romSize;           // bytes; kKlmUnknownRomSize when unknown
    char romSizeText[32];
    char foundPath[260];       // audit: the matched ROM file or archive
    char memberName[260];      // audit: base name of the matched member
    char targetName[260];      // the file name the ROM should have
    int32_t ownership;         // kKlmNotOwned / kKlmOwned / kKlmOwnedNotRenamed
    int32_t hasMovie;
    int32_t favorite;
    char movieMark[8];         // "○" or "×"
    int32_t group;
    int32_t disk;              // 0 for a title's first (or only) disk
    char arcadeFile[16];
    int32_t screen;            // position in the screen table
    char serial[32];
};

struct MasterEntry {
    int32_t position;   // place in its table after sorting
    int32_t key;        // <index>
    int32_t imageNumber;
    char name[128];
    char alias[128];    // reading of the name; the sort key
    int32_t aspect;
    int32_t skin;
    int32_t value;      // ROM-size table only: the size in bytes
};

static_assert(std::is_standard_layout_v<GameRecord> && std::is_trivially_copyable_v<GameRecord>);
static_assert(std::is_standard_layout_v<MasterEntry> && std::is_trivially_copyable_v<MasterEntry>);
static_assert(sizeof(GameRecord) == 1928);
static_assert(offsetof(GameRecord, imageNumber) == 0);
static_assert(offsetof(GameRecord, imageNumberText) == 4);
static_assert(offsetof(GameRecord, title) == 20);
static_assert(offsetof(GameRecord, englishTitle) == 148);
static_assert(offsetof(GameRecord, titleKana) == 276);
static_assert(offsetof(GameRecord, hardware) == 404);
static_assert(offsetof(GameRecord, software) == 408);
static_assert(offsetof(GameRecord, publisherNumber) == 412);
static_assert(offsetof(GameRecord, publisher) == 416);
static_assert(offsetof(GameRecord, developerNumber) == 544);
static_assert(offsetof(GameRecord, developer) == 548);
static_assert(offsetof(GameRecord, genre) == 676);
static_assert(offsetof(GameRecord, releaseDate) == 680);
static_assert(offsetof(GameRecord, releaseDateText) == 684);
static_assert(offsetof(GameRecord, price) == 716);
static_assert(offsetof(GameRecord, priceText) == 720);
static_assert(offsetof(GameRecord, comment) == 752);
static_assert(offsetof(GameRecord, crc32) == 1008);
static_assert(offsetof(GameRecord, extension) == 1024);
static_assert(offsetof(GameRecord, romSize) == 1032);
static_assert(offsetof(GameRecord, romSizeText) == 1036);
static_assert(offsetof(GameRecord, foundPath) == 1068);
static_assert(offsetof(GameRecord, memberName) == 1328);
static_assert(offsetof(GameRecord, targetName) == 1588);
static_assert(offsetof(GameRecord, ownership) == 1848);
static_assert(offsetof(GameRecord, hasMovie) == 1852);
static_assert(offsetof(GameRecord, favorite) == 1856);
static_assert(offsetof(GameRecord, movieMark) == 1860);
static_assert(offsetof(GameRecord, group) == 1868);
static_assert(offsetof(GameRecord, disk) == 1872);
static_assert(offsetof(GameRecord, arcadeFile) == 1876);
static_assert(offsetof(GameRecord, screen) == 1892);
static_assert(offsetof(GameRecord, serial) == 1896);

static_assert(sizeof(MasterEntry) == 280);
static_assert(offsetof(MasterEntry, position) == 0);
static_assert(offsetof(MasterEntry, key) == 4);
static_assert(offsetof(MasterEntry, imageNumber) == 8);
static_assert(offsetof(MasterEntry, name) == 12);
static_assert(offsetof(MasterEntry, alias) == 140);
static_assert(offsetof(MasterEntry, aspect) == 268);
static_assert(offsetof(MasterEntry, skin) == 272);
static_assert(offsetof(MasterEntry, value) == 276);
