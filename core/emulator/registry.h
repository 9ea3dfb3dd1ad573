// The emulator registry: for every entry of the hardware table, up to 30
// EmulatorEntry slots, their count and the default index; kept in
// save\emulator.dat.
//
// Invariants kept by everything here (the reader included):
//  - registry.blocks has one block per hardware position;
//  - 0 <= count <= kKlmMaxEmulators;
//  - defaultIndex is −1 exactly when count is 0, else 0 <= defaultIndex < count;
//  - texts are terminated inside their fields; the three flags are 0 or 1.
//
// emulator.dat: "[BEGIN]", then per hardware in table order a header
// "[BEGIN_key_count_default]", eight lines per emulator and "[END]", then a
// last "[END]". Written with CRLF line ends.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "catalogue/catalogue.h"

inline constexpr int32_t kKlmMaxEmulators = 30;

struct EmulatorEntry {
    char name[128];
    char filePath[260];       // the emulator's executable
    char extractFolder[260];  // where an archived ROM is unpacked
    char options[260];        // command-line template ("$image" …)
    char keyFile[260];        // virtual key-code script, may be empty
    int32_t extract;          // 1: unpack the ROM and pass the unpacked file
    int32_t quote;            // 1: pass the ROM path in double quotes
    int32_t shortPath;        // 1: pass the ROM path in its short form
};

static_assert(std::is_standard_layout_v<EmulatorEntry> && std::is_trivially_copyable_v<EmulatorEntry>);
static_assert(sizeof(EmulatorEntry) == 1180);

struct EmulatorBlock {
    std::array<EmulatorEntry, kKlmMaxEmulators> entries{};
    int32_t count = 0;
    int32_t defaultIndex = -1;
};

struct EmulatorRegistry {
    std::vector<EmulatorBlock> blocks;  // by hardware position
};

// One empty block (count 0, default −1) per hardware entry.
void klmInitEmulatorRegistry(EmulatorRegistry& reg, const Catalogue& cat);

// The block of a hardware position, or nullptr when there is none.
EmulatorBlock* klmEmulatorBlock(EmulatorRegistry& reg, int32_t hardware);
const EmulatorBlock* klmEmulatorBlock(const EmulatorRegistry& reg, int32_t hardware);
// The hardware's default emulator, or nullptr when it has none.
const EmulatorEntry* klmDefaultEmulator(const EmulatorRegistry& reg, int32_t hardware);
// Makes index the hardware's default; false when there is no such emulator.
bool klmSetDefaultEmulator(EmulatorRegistry& reg, int32_t hardware, int32_t index);
// Appends an emulator; the first one becomes the default. False when the
// block is full.
bool klmAppendEmulator(EmulatorBlock& block, const EmulatorEntry& entry);

// An entry as the add dialog starts it: extraction folder given, options
// "$image", quote on, extract and short path off.
EmulatorEntry klmNewEmulatorEntry(std::string_view extractFolder);

std::string klmEmulatorImage(const EmulatorRegistry& reg, const Catalogue& cat);

// Reads an emulator.dat image into reg (which must have been initialised for
// cat). A section whose hardware key is unknown shows the
// "klmGetNewHardIndex()" message through notify once and is skipped. Counts
// above 30 are clamped (the surplus emulators are skipped), the default is
// brought into range, long lines are cut to their fields at a character
// boundary. Returns false when anything of the sort was met.
bool klmReadEmulatorImage(std::string_view image, EmulatorRegistry& reg, const Catalogue& cat,
                          const KlmNotifier& notify);

// A missing file leaves reg unchanged and returns false with an empty
// *error; an unreadable one returns false with a reason.
bool klmLoadEmulatorFile(const std::string& path, EmulatorRegistry& reg, const Catalogue& cat,
                         const KlmNotifier& notify, std::string* error = nullptr);
bool klmSaveEmulatorFile(const std::string& path, const EmulatorRegistry& reg, const Catalogue& cat,
                         std::string* error = nullptr);
