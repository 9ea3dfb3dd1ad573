#include "emulator/registry_edit.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "text/cp932.h"
#include "text/section_file.h"

namespace fs = std::filesystem;

namespace {

bool validIndex(const EmulatorBlock& block, int32_t index)
{
    return index >= 0 && index < block.count && index < kKlmMaxEmulators;
}

EmulatorEntry& at(EmulatorBlock& block, int32_t index)
{
    return block.entries[static_cast<size_t>(index)];
}

const EmulatorEntry& at(const EmulatorBlock& block, int32_t index)
{
    return block.entries[static_cast<size_t>(index)];
}

// Marks the valid indices, so order and duplicates do not matter.
std::vector<bool> selection(const EmulatorBlock& block, const std::vector<int32_t>& indices)
{
    std::vector<bool> chosen(static_cast<size_t>(std::max(block.count, 0)), false);
    for (int32_t i : indices)
        if (validIndex(block, i))
            chosen[static_cast<size_t>(i)] = true;
    return chosen;
}

std::string utf8(std::string_view cp932)
{
    return klmToUtf8(cp932);
}

bool isFile(const std::string& path)
{
    std::error_code ec;
    return !path.empty() && fs::exists(path, ec) && !fs::is_directory(path, ec);
}

bool isFolder(const std::string& path)
{
    std::error_code ec;
    return !path.empty() && fs::is_directory(path, ec);
}

KlmEmulatorCheck refuse(std::string message, const char* title = kKlmEmulatorWarningTitle, bool warning = false)
{
    KlmEmulatorCheck c;
    c.message = std::move(message);
    c.title = title;
    c.warningIcon = warning;
    return c;
}

// The CP932 form of a typed text, when it has one that emulator.dat keeps
// whole: representable, on one line, and short enough to read back.
bool storedForm(const std::string& typed, size_t limit, std::string& out)
{
    bool ok = true;
    out = klmFromUtf8(typed, &ok);
    return ok && out.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos && out.size() <= limit;
}

std::string fitMessage(const std::string& typed, size_t limit, const char* label)
{
    bool ok = true;
    const std::string cp = klmFromUtf8(typed, &ok);
    if (ok && cp.size() > limit && cp.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos)
        return std::string(label) + "が長すぎます";
    return std::string(label) + "に使えない文字が含まれています";
}

bool usedByOther(const EmulatorBlock& block, int32_t editIndex, std::string_view value,
                 std::string_view (*field)(const EmulatorEntry&))
{
    for (int32_t i = 0; i < block.count && i < kKlmMaxEmulators; ++i)
        if (i != editIndex && field(at(block, i)) == value)
            return true;
    return false;
}

std::string_view nameOf(const EmulatorEntry& e) { return klmField(e.name); }
std::string_view pathOf(const EmulatorEntry& e) { return klmField(e.filePath); }

}  // namespace

int32_t klmMoveEmulator(EmulatorBlock& block, int32_t index, int32_t delta)
{
    const int32_t other = index + delta;
    if ((delta != -1 && delta != 1) || !validIndex(block, index) || !validIndex(block, other))
        return -1;
    std::swap(at(block, index), at(block, other));
    if (block.defaultIndex == index)
        block.defaultIndex = other;
    else if (block.defaultIndex == other)
        block.defaultIndex = index;
    return other;
}

int32_t klmDeleteEmulators(EmulatorBlock& block, const std::vector<int32_t>& indices)
{
    const std::vector<bool> chosen = selection(block, indices);
    int32_t kept = 0;
    int32_t newDefault = -1;
    for (int32_t i = 0; i < block.count && i < kKlmMaxEmulators; ++i) {
        if (chosen[static_cast<size_t>(i)])
            continue;
        if (i == block.defaultIndex)
            newDefault = kept;
        at(block, kept++) = at(block, i);
    }
    const int32_t removed = block.count - kept;
    for (int32_t i = kept; i < kKlmMaxEmulators; ++i)
        at(block, i) = EmulatorEntry{};
    block.count = kept;
    block.defaultIndex = kept == 0 ? -1 : (newDefault >= 0 ? newDefault : 0);
    return removed;
}

void klmDeleteAllEmulators(EmulatorBlock& block)
{
    block = EmulatorBlock{};
}

std::vector<EmulatorEntry> klmCopyEmulators(const EmulatorBlock& block, const std::vector<int32_t>& indices)
{
    const std::vector<bool> chosen = selection(block, indices);
    std::vector<EmulatorEntry> out;
    for (size_t i = 0; i < chosen.size(); ++i)
        if (chosen[i])
            out.push_back(at(block, static_cast<int32_t>(i)));
    return out;
}

int32_t klmPasteEmulators(EmulatorBlock& block, const std::vector<EmulatorEntry>& buffer)
{
    int32_t left = 0;
    for (const EmulatorEntry& e : buffer) {
        bool replaced = false;
        for (int32_t i = 0; i < block.count && i < kKlmMaxEmulators; ++i) {
            if (pathOf(at(block, i)) == pathOf(e)) {
                at(block, i) = e;
                replaced = true;
                break;
            }
        }
        // A replacement needs no room, so it is made in a full list too.
        if (!replaced && !klmAppendEmulator(block, e))
            ++left;
    }
    return left;
}

void klmSetDefaultForAllHardware(EmulatorRegistry& reg, std::string_view filePath)
{
    for (EmulatorBlock& block : reg.blocks) {
        for (int32_t i = 0; i < block.count && i < kKlmMaxEmulators; ++i) {
            if (pathOf(at(block, i)) == filePath) {
                block.defaultIndex = i;
                break;
            }
        }
    }
}

std::string klmDeleteEmulatorsText(std::string_view hardwareName, int32_t count)
{
    return utf8(hardwareName) + "のエミュレータ\n" + std::to_string(count) + "ケをリストから削除しますか";
}

std::string klmDeleteAllEmulatorsText(std::string_view hardwareName)
{
    return utf8(hardwareName) + "のエミュレータを全てリストから削除しますか";
}

std::string klmEmulatorEditTitle(bool addMode, std::string_view hardwareName)
{
    return std::string(addMode ? "エミュレータ追加 - " : "エミュレータ編集 - ") + utf8(hardwareName);
}

std::string klmEmulatorPickerTitle(std::string_view base, std::string_view hardwareName, std::string_view name)
{
    std::string title = std::string(base) + " - " + utf8(hardwareName);
    if (!name.empty())
        title += " - " + std::string(name);
    return title;
}

KlmEmulatorFields klmEmulatorFieldsOf(const EmulatorEntry& e)
{
    KlmEmulatorFields f;
    f.name = utf8(klmField(e.name));
    f.filePath = utf8(klmField(e.filePath));
    f.extractFolder = utf8(klmField(e.extractFolder));
    f.options = utf8(klmField(e.options));
    f.keyFile = utf8(klmField(e.keyFile));
    f.extract = e.extract != 0;
    f.quote = e.quote != 0;
    f.shortPath = e.shortPath != 0;
    return f;
}

KlmEmulatorCheck klmCheckEmulatorFields(const KlmEmulatorFields& f, const EmulatorBlock& block, int32_t editIndex)
{
    constexpr size_t kName = kKlmMaxSectionNameLength;
    constexpr size_t kPath = kKlmMaxSectionLineLength;
    std::string name, path, folder, options, keyFile;

    if (f.name.empty())
        return refuse("エミュレータ名が未指定です");
    if (!storedForm(f.name, kName, name))
        return refuse(fitMessage(f.name, kName, "エミュレータ名"));
    if (usedByOther(block, editIndex, name, nameOf))
        return refuse("エミュレータ名が重複しています");

    if (!isFile(f.filePath))
        return refuse("指定のフォルダが存在しません", kKlmEmulatorErrorTitle, true);
    if (!storedForm(f.filePath, kPath, path))
        return refuse(fitMessage(f.filePath, kPath, "エミュレータパス"));
    if (usedByOther(block, editIndex, path, pathOf))
        return refuse("エミュレータパスが重複しています");

    if (f.extract && !isFolder(f.extractFolder))
        return refuse("解凍先のフォルダが存在しません");
    // Kept even with "extract" off, so it must fit then too.
    if (!storedForm(f.extractFolder, kPath, folder))
        return refuse(fitMessage(f.extractFolder, kPath, "解凍先のフォルダ"));

    if (!f.keyFile.empty() && !isFile(f.keyFile))
        return refuse("仮想キーコードファイルが存在しません");
    if (!storedForm(f.keyFile, kPath, keyFile))
        return refuse(fitMessage(f.keyFile, kPath, "仮想キーコードファイル"));

    if (!storedForm(f.options, kPath, options))
        return refuse(fitMessage(f.options, kPath, "起動オプション"));

    KlmEmulatorCheck c;
    c.ok = true;
    klmCopyField(c.entry.name, name);
    klmCopyField(c.entry.filePath, path);
    klmCopyField(c.entry.extractFolder, folder);
    klmCopyField(c.entry.options, options);
    klmCopyField(c.entry.keyFile, keyFile);
    c.entry.extract = f.extract ? 1 : 0;
    c.entry.quote = f.quote ? 1 : 0;
    c.entry.shortPath = f.shortPath ? 1 : 0;
    return c;
}
