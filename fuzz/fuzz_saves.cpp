// Feeds arbitrary bytes to every save-file reader of the browse, audit,
// emulator and media code: permute.dat, custom.dat, romfolder.dat,
// favourites files, movieinfo.dat, emulator.dat and skin.dat. None may
// crash, and none may leave a value outside its range.
#include "audit/romfolder.h"
#include "browse/custom_store.h"
#include "browse/favorites.h"
#include "browse/permute.h"
#include "emulator/registry.h"
#include "media/movie_info.h"
#include "media/skins.h"
#include "text/cp932.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <unordered_set>
#include <vector>

namespace {

void check(bool ok)
{
    if (!ok)
        __builtin_trap();
}

template <size_t N>
bool terminated(const char (&field)[N])
{
    return std::memchr(field, 0, N) != nullptr;
}

// Hardware keys that the fuzzer meets often (small numbers), with every
// skin mode, and a handful of games.
Catalogue makeCatalogue()
{
    Catalogue cat;
    const int32_t modes[] = {1, 2, 0, 2};
    for (int32_t i = 0; i < 4; ++i) {
        MasterEntry e{};
        e.position = i;
        e.key = i + 1;
        e.skin = modes[i];
        cat.hardware.push_back(e);
    }
    cat.games.resize(8);
    for (GameRecord& g : cat.games)
        g = GameRecord{};
    return cat;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    static const Catalogue base = makeCatalogue();
    const KlmNotifier quiet = [](const std::string&, const std::string&) {};

    std::vector<ReplacementRule> rules;
    klmReadPermuteImage(input, rules);
    check(rules.size() <= static_cast<size_t>(kKlmMaxReplacementRules));
    for (const ReplacementRule& r : rules)
        check(terminated(r.search) && terminated(r.replacement) && (r.enabled == 0 || r.enabled == 1));
    check(klmPermuteImage(rules).size() == 4 + rules.size() * sizeof(ReplacementRule));

    std::vector<CustomSearchRecord> store;
    klmReadCustomStoreImage(input, store);
    check(store.size() * sizeof(CustomSearchRecord) + 4 <= size || store.empty());
    if (size >= 4 && !store.empty())
        check(std::memcmp(klmCustomStoreImage(store).data() + 4, data + 4, store.size() * sizeof(CustomSearchRecord)) == 0);

    std::vector<RomFolder> folders;
    klmReadRomFolderImage(input, folders);
    check(folders.size() <= static_cast<size_t>(kKlmMaxRomFolders));
    std::unordered_set<std::string> paths;
    for (const RomFolder& f : folders) {
        check(terminated(f.path) && f.path[0] != '\0');
        check(f.depth >= 0 && f.depth < kKlmRomFolderDepthCount && (f.selected == 0 || f.selected == 1));
        check(paths.insert(std::string(klmField(f.path))).second);
    }

    Catalogue cat = base;
    klmReadFavoritesImage(input, cat);
    klmReadMovieInfoImage(input, cat);
    check(cat.movieCount >= 0);
    for (const GameRecord& g : cat.games)
        check((g.favorite == 0 || g.favorite == 1) && (g.hasMovie == 0 || g.hasMovie == 1));
    (void)klmFavoritesImage(cat);
    (void)klmMovieInfoImage(cat);

    EmulatorRegistry reg;
    klmInitEmulatorRegistry(reg, cat);
    klmReadEmulatorImage(input, reg, cat, quiet);
    check(reg.blocks.size() == cat.hardware.size());
    for (const EmulatorBlock& b : reg.blocks) {
        check(b.count >= 0 && b.count <= kKlmMaxEmulators);
        check(b.count == 0 ? b.defaultIndex == -1 : (b.defaultIndex >= 0 && b.defaultIndex < b.count));
        for (int32_t i = 0; i < b.count; ++i) {
            const EmulatorEntry& e = b.entries[static_cast<size_t>(i)];
            check(terminated(e.name) && terminated(e.filePath) && terminated(e.extractFolder) &&
                  terminated(e.options) && terminated(e.keyFile));
            check(e.extract >= 0 && e.extract <= 1 && e.quote >= 0 && e.quote <= 1 && e.shortPath >= 0 &&
                  e.shortPath <= 1);
        }
    }
    // What was read writes back and reads the same again.
    const std::string emu = klmEmulatorImage(reg, cat);
    EmulatorRegistry again;
    klmInitEmulatorRegistry(again, cat);
    klmReadEmulatorImage(emu, again, cat, quiet);
    check(klmEmulatorImage(again, cat) == emu);

    SkinTable table;
    klmBuildSkinTable(table, cat);
    const size_t slots = table.slots.size();
    klmReadSkinImage(input, table, cat, quiet);
    check(table.slots.size() == slots);
    check(table.frameWidth >= kKlmMinFrameWidth && table.frameWidth <= kKlmMaxFrameWidth);
    check(table.alwaysDefault == 0 || table.alwaysDefault == 1);
    for (const SkinSlot& s : table.slots) {
        check(s.count >= 0 && s.count <= kKlmMaxSkinsPerSlot && s.selected >= -1 && s.selected < s.count);
        for (int32_t i = 0; i < s.count; ++i) {
            const SnapSkin& k = s.skins[static_cast<size_t>(i)];
            check(terminated(k.name) && terminated(k.framePath));
            check(k.positionMethod >= 0 && k.positionMethod <= 2 && k.sizeMethod >= 0 && k.sizeMethod <= 2);
        }
    }
    const std::string skin = klmSkinImage(table, cat);
    SkinTable skinAgain;
    klmBuildSkinTable(skinAgain, cat);
    klmReadSkinImage(skin, skinAgain, cat, quiet);
    check(klmSkinImage(skinAgain, cat) == skin);
    return 0;
}
