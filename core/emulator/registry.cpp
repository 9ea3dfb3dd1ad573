#include "emulator/registry.h"

#include <algorithm>

#include "text/cp932.h"
#include "text/file_io.h"
#include "text/save_file.h"
#include "text/section_file.h"

namespace {

constexpr int kLinesPerEntry = 8;

void writeField(KlmSectionWriter& w, const char* field, size_t size)
{
    klmWriteLine(w, klmFieldView(field, size));
}

}  // namespace

void klmInitEmulatorRegistry(EmulatorRegistry& reg, const Catalogue& cat)
{
    reg.blocks.assign(cat.hardware.size(), EmulatorBlock{});
}

EmulatorBlock* klmEmulatorBlock(EmulatorRegistry& reg, int32_t hardware)
{
    if (hardware < 0 || static_cast<size_t>(hardware) >= reg.blocks.size())
        return nullptr;
    return &reg.blocks[static_cast<size_t>(hardware)];
}

const EmulatorBlock* klmEmulatorBlock(const EmulatorRegistry& reg, int32_t hardware)
{
    return klmEmulatorBlock(const_cast<EmulatorRegistry&>(reg), hardware);
}

const EmulatorEntry* klmDefaultEmulator(const EmulatorRegistry& reg, int32_t hardware)
{
    const EmulatorBlock* block = klmEmulatorBlock(reg, hardware);
    if (!block || block->defaultIndex < 0 || block->defaultIndex >= block->count ||
        block->defaultIndex >= kKlmMaxEmulators)
        return nullptr;
    return &block->entries[static_cast<size_t>(block->defaultIndex)];
}

bool klmSetDefaultEmulator(EmulatorRegistry& reg, int32_t hardware, int32_t index)
{
    EmulatorBlock* block = klmEmulatorBlock(reg, hardware);
    if (!block || index < 0 || index >= block->count || index >= kKlmMaxEmulators)
        return false;
    block->defaultIndex = index;
    return true;
}

bool klmAppendEmulator(EmulatorBlock& block, const EmulatorEntry& entry)
{
    if (block.count < 0 || block.count >= kKlmMaxEmulators)
        return false;
    block.entries[static_cast<size_t>(block.count)] = entry;
    if (++block.count == 1)
        block.defaultIndex = 0;
    return true;
}

EmulatorEntry klmNewEmulatorEntry(std::string_view extractFolder)
{
    EmulatorEntry e{};
    klmCopyField(e.extractFolder, extractFolder);
    klmCopyField(e.options, "$image");
    e.quote = 1;
    return e;
}

std::string klmEmulatorImage(const EmulatorRegistry& reg, const Catalogue& cat)
{
    KlmSectionWriter w;
    klmWriteLine(w, "[BEGIN]");
    const EmulatorBlock empty{};
    for (size_t p = 0; p < cat.hardware.size(); ++p) {
        const EmulatorBlock& block = p < reg.blocks.size() ? reg.blocks[p] : empty;
        const int32_t count = std::clamp(block.count, 0, kKlmMaxEmulators);
        klmWriteLine(w, "[BEGIN_" + std::to_string(cat.hardware[p].key) + "_" + std::to_string(count) + "_" +
                            std::to_string(block.defaultIndex) + "]");
        for (int32_t i = 0; i < count; ++i) {
            const EmulatorEntry& e = block.entries[static_cast<size_t>(i)];
            klmWriteNameLine(w, klmField(e.name));
            writeField(w, e.filePath, sizeof e.filePath);
            writeField(w, e.extractFolder, sizeof e.extractFolder);
            writeField(w, e.options, sizeof e.options);
            writeField(w, e.keyFile, sizeof e.keyFile);
            klmWriteInt(w, e.extract);
            klmWriteInt(w, e.quote);
            klmWriteInt(w, e.shortPath);
        }
        klmWriteLine(w, "[END]");
    }
    klmWriteLine(w, "[END]");
    return std::move(w.out);
}

bool klmReadEmulatorImage(std::string_view image, EmulatorRegistry& reg, const Catalogue& cat,
                          const KlmNotifier& notify)
{
    KlmSectionReader r = klmMakeWholeLineReader(image);
    std::string line;
    if (!klmReadLine(r, line))  // "[BEGIN]"
        return false;
    bool sound = true;
    for (;;) {
        if (!klmReadLine(r, line))
            return false;  // no closing "[END]": the file was cut short
        if (klmContainsText(line, "[END]"))
            return sound;
        // "[BEGIN_key_count_default]"
        int32_t header[3];
        if (!klmParseSectionHeader(line, header, 3)) {
            sound = false;
            continue;
        }
        const int32_t hardware = klmGetNewHardIndex(cat, header[0], notify);
        EmulatorBlock* block = klmEmulatorBlock(reg, hardware);
        if (!block)
            sound = false;
        const int32_t declared = std::max(header[1], 0);
        if (declared > kKlmMaxEmulators || header[1] < 0)
            sound = false;

        // Every announced emulator is read so that the next section is
        // found; only the first 30 are kept.
        int32_t complete = 0;
        for (int32_t i = 0; i < declared; ++i) {
            EmulatorEntry e{};
            std::string v[kLinesPerEntry];
            int got = 0;
            while (got < kLinesPerEntry && klmReadLine(r, v[got]))
                ++got;
            if (got < kLinesPerEntry) {
                sound = false;
                break;
            }
            klmCopyField(e.name, v[0]);
            klmCopyField(e.filePath, v[1]);
            klmCopyField(e.extractFolder, v[2]);
            klmCopyField(e.options, v[3]);
            klmCopyField(e.keyFile, v[4]);
            e.extract = klmLeadingInt(v[5]) != 0 ? 1 : 0;
            e.quote = klmLeadingInt(v[6]) != 0 ? 1 : 0;
            e.shortPath = klmLeadingInt(v[7]) != 0 ? 1 : 0;
            if (block && i < kKlmMaxEmulators) {
                block->entries[static_cast<size_t>(i)] = e;
                complete = i + 1;
            }
        }
        if (block) {
            block->count = complete;
            int32_t def = header[2];
            if (complete == 0) {
                def = -1;
            } else if (def < 0 || def >= complete) {
                def = 0;
            }
            if (def != header[2])
                sound = false;
            block->defaultIndex = def;
            // Slots past the count hold nothing.
            for (size_t i = static_cast<size_t>(complete); i < block->entries.size(); ++i)
                block->entries[i] = EmulatorEntry{};
        }
        // Lines before the "[END]" belong to no emulator the header
        // announced; a header met first is left for the loop, so a missing
        // "[END]" costs no other hardware its emulators.
        if (!klmSkipSectionEnd(r))
            sound = false;
    }
}

bool klmLoadEmulatorFile(const std::string& path, EmulatorRegistry& reg, const Catalogue& cat,
                         const KlmNotifier& notify, std::string* error)
{
    std::string image;
    if (!klmReadSaveFile(path, image, error))
        return false;
    klmReadEmulatorImage(image, reg, cat, notify);
    return true;
}

bool klmSaveEmulatorFile(const std::string& path, const EmulatorRegistry& reg, const Catalogue& cat,
                         std::string* error)
{
    return klmWriteFileAtomic(path, klmEmulatorImage(reg, cat), error);
}
