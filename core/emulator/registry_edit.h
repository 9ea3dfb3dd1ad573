// What the emulator dialog does to one hardware's list, as pure functions on
// an EmulatorBlock (or the whole registry), and the checks of the add/edit
// box. The dialog works on a copy of the registry and only shows what these
// decide.
//
// Every function keeps the block invariants of registry.h: the default is
// −1 exactly when the list is empty, and otherwise names an entry.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "emulator/registry.h"

// Program texts (UTF-8) of the emulator dialogs.
inline constexpr const char* kKlmEmulatorWarningTitle = "警告";
inline constexpr const char* kKlmEmulatorErrorTitle = "エラー";
inline constexpr const char* kKlmEmulatorConfirmTitle = "確認";
inline constexpr const char* kKlmEmulatorDeleteTitle = "削除確認";
inline constexpr const char* kKlmEmulatorLimitText = "エミュレータは最大30ケまで登録できます";
inline constexpr const char* kKlmEmulatorAllHardwareText = "全ハードのデフォルトエミュレータに設定しますか";

// Swaps the entry at index with its neighbour (delta −1 up, +1 down). The
// default follows the entry it named. Returns the entry's new index, or −1
// when it cannot move (first row up, last row down, no such row).
int32_t klmMoveEmulator(EmulatorBlock& block, int32_t index, int32_t delta);

// Removes the entries at the given indices (any order, duplicates and
// indices out of range ignored); the others keep their order. The default
// stays on its entry, becomes 0 when it was deleted, −1 when none remain.
// Returns how many were removed.
int32_t klmDeleteEmulators(EmulatorBlock& block, const std::vector<int32_t>& indices);
void klmDeleteAllEmulators(EmulatorBlock& block);

// The entries at the given indices, in list order (what "コピー" buffers).
std::vector<EmulatorEntry> klmCopyEmulators(const EmulatorBlock& block, const std::vector<int32_t>& indices);

// Pastes the buffer in order: an entry whose file path equals that of an
// entry of the block replaces that entry whole; any other is appended while
// the block has room. Returns how many could not be pasted for want of room.
int32_t klmPasteEmulators(EmulatorBlock& block, const std::vector<EmulatorEntry>& buffer);

// In every block, the first entry whose file path equals filePath exactly
// becomes the default; blocks without one keep theirs.
void klmSetDefaultForAllHardware(EmulatorRegistry& reg, std::string_view filePath);

// "<hardware>のエミュレータ\n<n>ケをリストから削除しますか" and
// "<hardware>のエミュレータを全てリストから削除しますか" (UTF-8; the
// hardware name is the table's CP932 name).
std::string klmDeleteEmulatorsText(std::string_view hardwareName, int32_t count);
std::string klmDeleteAllEmulatorsText(std::string_view hardwareName);

// Titles of the add/edit box and its pickers (UTF-8): the base, " - " and the
// hardware name, then " - " and the emulator name when that is not empty.
std::string klmEmulatorEditTitle(bool addMode, std::string_view hardwareName);
std::string klmEmulatorPickerTitle(std::string_view base, std::string_view hardwareName, std::string_view name);

// The fields of the add/edit box as typed (UTF-8; paths are native).
struct KlmEmulatorFields {
    std::string name;
    std::string filePath;
    std::string extractFolder;
    std::string options;
    std::string keyFile;
    bool extract = false;
    bool quote = true;
    bool shortPath = false;
};

KlmEmulatorFields klmEmulatorFieldsOf(const EmulatorEntry& entry);

struct KlmEmulatorCheck {
    bool ok = false;
    std::string message;  // UTF-8 box text when !ok
    std::string title;    // "警告", or "エラー" for a missing program
    bool warningIcon = false;
    EmulatorEntry entry{};  // the stored form when ok
};

// The OK checks of the add/edit box, stopping at the first failure:
// an empty name, a name already used by another entry, a program path that
// names no file, a path already used by another entry, "extract" with an
// extraction folder that is no folder, a key-code file that does not exist.
// A text that has no CP932 form, or does not fit its field as emulator.dat
// keeps it, is refused with its own message right after its field's other
// checks, instead of being cut. editIndex is the entry being edited (−1 in
// add mode), which the duplicate checks pass over.
KlmEmulatorCheck klmCheckEmulatorFields(const KlmEmulatorFields& fields, const EmulatorBlock& block,
                                        int32_t editIndex);
