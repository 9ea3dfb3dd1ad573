#include "media/skins.h"

#include <algorithm>

#include "text/cp932.h"
#include "text/file_io.h"
#include "text/save_file.h"
#include "text/section_file.h"

namespace {

constexpr int kLinesPerSkin = 8;
constexpr size_t kHeaderNumbers = 5;

bool validMethod(int32_t m) { return m >= kKlmRoundUp && m <= kKlmRoundDown; }

// A settings line of skin.dat: taken when it has digits and lies in range,
// otherwise the current value stays. A header or "[END]" in its place (a
// file cut short) is left for the section loop.
bool readSetting(KlmSectionReader& r, int32_t& value, int32_t lo, int32_t hi)
{
    if (r.next >= r.lines.size() || klmIsSectionHeader(r.lines[r.next]) ||
        klmContainsText(r.lines[r.next], "[END]"))
        return false;
    std::string line;
    klmReadLine(r, line);
    long long v = 0;
    if (!klmDigitLineValue(line, v) || v < lo || v > hi)
        return false;
    value = static_cast<int32_t>(v);
    return true;
}

void addRow(SkinTable& table, int32_t hardware, int32_t orientation)
{
    for (int32_t kind = kKlmSnapTitle; kind <= kKlmSnapMovie; ++kind) {
        SkinSlot slot;
        slot.hardware = hardware;
        slot.kind = kind;
        slot.orientation = orientation;
        table.slots.push_back(slot);
    }
}

}  // namespace

SnapSkin klmNewSnapSkin()
{
    SnapSkin s{};
    s.positionMethod = kKlmRoundDown;
    s.sizeMethod = kKlmRoundUp;
    return s;
}

void klmBuildSkinTable(SkinTable& table, const Catalogue& cat)
{
    table.slots.clear();
    table.frameWidth = 1;
    table.alwaysDefault = 0;
    // Whole rows only: a partial row would break row × 3 + kind.
    const auto fits = [&table] { return table.slots.size() + 3 <= static_cast<size_t>(kKlmMaxSkinSlots); };
    for (size_t p = 0; p < cat.hardware.size(); ++p) {
        const int32_t hw = static_cast<int32_t>(p);
        switch (cat.hardware[p].skin) {
        case 1:
            if (fits())
                addRow(table, hw, kKlmOrientationNone);
            break;
        case 2:
            if (fits())
                addRow(table, hw, kKlmOrientationLandscape);
            if (fits())
                addRow(table, hw, kKlmOrientationPortrait);
            break;
        default:
            break;
        }
    }
}

int32_t klmSkinOrientation(int32_t skinMode, int32_t pictureWidth, int32_t pictureHeight)
{
    if (skinMode == 1)
        return kKlmOrientationNone;
    if (skinMode == 2)
        return pictureWidth < pictureHeight ? kKlmOrientationPortrait : kKlmOrientationLandscape;
    return -1;
}

int32_t klmFindSkinSlot(const SkinTable& table, int32_t hardware, int32_t kind, int32_t orientation)
{
    for (size_t i = 0; i < table.slots.size(); ++i) {
        const SkinSlot& s = table.slots[i];
        if (s.hardware == hardware && s.kind == kind && s.orientation == orientation)
            return static_cast<int32_t>(i);
    }
    return -1;
}

const SnapSkin* klmLookupSnapSkin(const SkinTable& table, const Catalogue& cat, int32_t hardware, int32_t kind,
                                  int32_t pictureWidth, int32_t pictureHeight)
{
    if (hardware < 0 || static_cast<size_t>(hardware) >= cat.hardware.size())
        return nullptr;
    const int32_t orientation =
        klmSkinOrientation(cat.hardware[static_cast<size_t>(hardware)].skin, pictureWidth, pictureHeight);
    if (orientation < 0)
        return nullptr;
    const int32_t i = klmFindSkinSlot(table, hardware, kind, orientation);
    if (i < 0)
        return nullptr;
    const SkinSlot& slot = table.slots[static_cast<size_t>(i)];
    if (slot.selected < 0 || slot.selected >= slot.count || slot.selected >= kKlmMaxSkinsPerSlot)
        return nullptr;
    return &slot.skins[static_cast<size_t>(slot.selected)];
}

std::string klmSkinImage(const SkinTable& table, const Catalogue& cat)
{
    KlmSectionWriter w;
    klmWriteLine(w, "[BEGIN]");
    klmWriteInt(w, table.alwaysDefault);
    klmWriteInt(w, table.frameWidth);
    for (const SkinSlot& slot : table.slots) {
        // A slot always belongs to a hardware of the table it was built from.
        if (slot.hardware < 0 || static_cast<size_t>(slot.hardware) >= cat.hardware.size())
            continue;
        const int32_t count = std::clamp(slot.count, 0, kKlmMaxSkinsPerSlot);
        klmWriteLine(w, "[BEGIN_" + std::to_string(cat.hardware[static_cast<size_t>(slot.hardware)].key) + "_" +
                            std::to_string(slot.kind) + "_" + std::to_string(slot.orientation) + "_" +
                            std::to_string(count) + "_" + std::to_string(slot.selected) + "]");
        for (int32_t i = 0; i < count; ++i) {
            const SnapSkin& s = slot.skins[static_cast<size_t>(i)];
            klmWriteNameLine(w, klmField(s.name));
            klmWriteLine(w, klmField(s.framePath));
            klmWriteInt(w, s.x);
            klmWriteInt(w, s.y);
            klmWriteInt(w, s.width);
            klmWriteInt(w, s.height);
            klmWriteInt(w, s.positionMethod);
            klmWriteInt(w, s.sizeMethod);
        }
        klmWriteLine(w, "[END]");
    }
    klmWriteLine(w, "[END]");
    return std::move(w.out);
}

bool klmReadSkinImage(std::string_view image, SkinTable& table, const Catalogue& cat, const KlmNotifier& notify)
{
    KlmSectionReader r = klmMakeWholeLineReader(image);
    std::string line;
    if (!klmReadLine(r, line))  // "[BEGIN]"
        return false;
    bool sound = readSetting(r, table.alwaysDefault, 0, 1);
    sound &= readSetting(r, table.frameWidth, kKlmMinFrameWidth, kKlmMaxFrameWidth);
    for (;;) {
        if (!klmReadLine(r, line))
            return false;  // no closing "[END]": the file was cut short
        if (klmContainsText(line, "[END]"))
            return sound;
        // "[BEGIN_hardware_kind_orientation_count_selected]"
        int32_t h[kHeaderNumbers];
        if (!klmParseSectionHeader(line, h, kHeaderNumbers)) {
            sound = false;
            continue;
        }
        const int32_t hardware = klmGetNewHardIndex(cat, h[0], notify);
        const int32_t index = hardware < 0 ? -1 : klmFindSkinSlot(table, hardware, h[1], h[2]);
        SkinSlot* slot = index < 0 ? nullptr : &table.slots[static_cast<size_t>(index)];
        if (!slot)
            sound = false;
        const int32_t declared = std::max(h[3], 0);
        if (h[3] < 0 || h[3] > kKlmMaxSkinsPerSlot)
            sound = false;

        // Every announced skin is read so that the next section is found;
        // only the first 20 are kept.
        int32_t complete = 0;
        for (int32_t i = 0; i < declared; ++i) {
            std::string v[kLinesPerSkin];
            int got = 0;
            while (got < kLinesPerSkin && klmReadLine(r, v[got]))
                ++got;
            if (got < kLinesPerSkin) {
                sound = false;
                break;
            }
            if (!slot || i >= kKlmMaxSkinsPerSlot)
                continue;
            SnapSkin s{};
            klmCopyField(s.name, v[0]);
            klmCopyField(s.framePath, v[1]);
            s.x = klmLeadingInt32(v[2]);
            s.y = klmLeadingInt32(v[3]);
            s.width = klmLeadingInt32(v[4]);
            s.height = klmLeadingInt32(v[5]);
            const int32_t pm = klmLeadingInt32(v[6]);
            const int32_t sm = klmLeadingInt32(v[7]);
            s.positionMethod = validMethod(pm) ? pm : kKlmRoundDown;
            s.sizeMethod = validMethod(sm) ? sm : kKlmRoundUp;
            if (s.positionMethod != pm || s.sizeMethod != sm)
                sound = false;
            slot->skins[static_cast<size_t>(i)] = s;
            complete = i + 1;
        }
        if (slot) {
            slot->count = complete;
            for (size_t i = static_cast<size_t>(complete); i < slot->skins.size(); ++i)
                slot->skins[i] = SnapSkin{};
            slot->selected = h[4] >= 0 && h[4] < complete ? h[4] : -1;
            if (slot->selected != h[4])
                sound = false;
        }
        if (!klmSkipSectionEnd(r))
            sound = false;
    }
}

bool klmLoadSkinFile(const std::string& path, SkinTable& table, const Catalogue& cat, const KlmNotifier& notify,
                     std::string* error)
{
    std::string image;
    if (!klmReadSaveFile(path, image, error))
        return false;
    klmReadSkinImage(image, table, cat, notify);
    return true;
}

bool klmSaveSkinFile(const std::string& path, const SkinTable& table, const Catalogue& cat, std::string* error)
{
    return klmWriteFileAtomic(path, klmSkinImage(table, cat), error);
}
