// kolmar-cli saves BASEDIR: what start-up takes from the nine files under
// save/, as one JSON object. The catalogue is loaded first (several files
// name hardware by key or games by position) and the files are read in
// start-up order with the same readers, so a name or key that no longer
// resolves shows up here exactly as the window would treat it. Texts are
// converted to UTF-8. Nothing is written.
//
// Favourite and movie flags that a dat.cache carries are cleared before
// their files are read, so those lists show what the files themselves say.
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "audit/romfolder.h"
#include "browse/custom_store.h"
#include "browse/favorites.h"
#include "browse/permute.h"
#include "cli.h"
#include "emulator/registry.h"
#include "json.h"
#include "media/movie_info.h"
#include "media/skins.h"
#include "settings/setting_file.h"
#include "settings/settings.h"
#include "settings/window_file.h"
#include "text/cp932.h"
#include "text/file_io.h"

namespace {

// An indented JSON document built member by member; json.h only knows flat
// one-line objects.
struct JsonDoc {
    std::string text;
    std::vector<bool> hasItem;  // one per open object or array
};

// Starts a member (key non-empty, inside an object) or an element (key
// empty, inside an array or at the top).
void item(JsonDoc& d, std::string_view key)
{
    if (!d.hasItem.empty()) {
        if (d.hasItem.back()) d.text += ',';
        d.hasItem.back() = true;
        d.text += '\n';
        d.text.append(2 * d.hasItem.size(), ' ');
    }
    if (!key.empty()) {
        klmJsonAppendString(d.text, key);
        d.text += ": ";
    }
}

void openContainer(JsonDoc& d, std::string_view key, char bracket)
{
    item(d, key);
    d.text += bracket;
    d.hasItem.push_back(false);
}

void closeContainer(JsonDoc& d, char bracket)
{
    const bool hadItems = d.hasItem.back();
    d.hasItem.pop_back();
    if (hadItems) {
        d.text += '\n';
        d.text.append(2 * d.hasItem.size(), ' ');
    }
    d.text += bracket;
}

void beginObject(JsonDoc& d, std::string_view key = {}) { openContainer(d, key, '{'); }
void endObject(JsonDoc& d) { closeContainer(d, '}'); }
void beginArray(JsonDoc& d, std::string_view key) { openContainer(d, key, '['); }
void endArray(JsonDoc& d) { closeContainer(d, ']'); }

void putInt(JsonDoc& d, std::string_view key, long long value)
{
    item(d, key);
    d.text += std::to_string(value);
}

void putBool(JsonDoc& d, std::string_view key, bool value)
{
    item(d, key);
    d.text += value ? "true" : "false";
}

void putNull(JsonDoc& d, std::string_view key)
{
    item(d, key);
    d.text += "null";
}

void putString(JsonDoc& d, std::string_view key, std::string_view utf8)
{
    item(d, key);
    klmJsonAppendString(d.text, utf8);
}

void putCp932(JsonDoc& d, std::string_view key, std::string_view cp932) { putString(d, key, klmToUtf8(cp932)); }

// Index lists can run to thousands of entries: kept on one line.
void putIntList(JsonDoc& d, std::string_view key, const std::vector<int32_t>& values)
{
    item(d, key);
    d.text += '[';
    for (size_t i = 0; i < values.size(); ++i) {
        if (i) d.text += ", ";
        d.text += std::to_string(values[i]);
    }
    d.text += ']';
}

// How a save file fared. "damaged" means the reader had to clamp, cut or
// skip something; what it kept is still shown.
enum class FileState { Missing, Read, Damaged, Unreadable };

struct FileReport {
    explicit FileReport(const char* fileName) : name(fileName) {}
    const char* name;
    FileState state = FileState::Missing;
    std::string error;  // UTF-8 reason when unreadable
};

const char* stateText(FileState s)
{
    switch (s) {
    case FileState::Missing: return "missing";
    case FileState::Read: return "read";
    case FileState::Damaged: return "damaged";
    case FileState::Unreadable: return "unreadable";
    }
    return "unreadable";
}

// Reads a save file the way the start-up loaders do (a missing file is no
// failure, a folder in its place cannot be read) but hands over the image,
// so the caller learns whether its reader had to repair anything.
bool readSave(const std::string& path, FileReport& report, std::string& image)
{
    std::error_code ec;
    if (!klmFileExists(path) && !std::filesystem::exists(path, ec) && !ec) {
        report.state = FileState::Missing;
        return false;
    }
    if (!klmReadWholeFile(path, image, &report.error)) {
        report.state = FileState::Unreadable;
        if (report.error.empty()) report.error = "cannot be read";
        return false;
    }
    report.state = FileState::Read;
    return true;
}

std::string hardwareName(const Catalogue& cat, int32_t position)
{
    if (position < 0 || static_cast<size_t>(position) >= cat.hardware.size()) return {};
    return klmToUtf8(klmField(cat.hardware[static_cast<size_t>(position)].name));
}

void putHardwareKey(JsonDoc& d, std::string_view key, const Catalogue& cat, int32_t position)
{
    if (position < 0 || static_cast<size_t>(position) >= cat.hardware.size())
        putNull(d, key);
    else
        putInt(d, key, cat.hardware[static_cast<size_t>(position)].key);
}

void putEmulators(JsonDoc& d, const EmulatorRegistry& reg, const Catalogue& cat)
{
    beginArray(d, "emulators");
    for (size_t h = 0; h < reg.blocks.size(); ++h) {
        const EmulatorBlock& b = reg.blocks[h];
        beginObject(d);
        putHardwareKey(d, "hardware_key", cat, static_cast<int32_t>(h));
        putInt(d, "hardware", static_cast<long long>(h));
        putString(d, "hardware_name", hardwareName(cat, static_cast<int32_t>(h)));
        putInt(d, "count", b.count);
        putInt(d, "default", b.defaultIndex);
        beginArray(d, "entries");
        for (int32_t i = 0; i < b.count && i < kKlmMaxEmulators; ++i) {
            const EmulatorEntry& e = b.entries[static_cast<size_t>(i)];
            beginObject(d);
            putCp932(d, "name", klmField(e.name));
            putCp932(d, "file_path", klmField(e.filePath));
            putCp932(d, "extract_folder", klmField(e.extractFolder));
            putCp932(d, "options", klmField(e.options));
            putCp932(d, "key_file", klmField(e.keyFile));
            putInt(d, "extract", e.extract);
            putInt(d, "quote", e.quote);
            putInt(d, "short_path", e.shortPath);
            endObject(d);
        }
        endArray(d);
        endObject(d);
    }
    endArray(d);
}

void putSkins(JsonDoc& d, const SkinTable& table, const Catalogue& cat)
{
    beginObject(d, "skins");
    putInt(d, "always_default", table.alwaysDefault);
    putInt(d, "frame_width", table.frameWidth);
    beginArray(d, "slots");
    for (size_t i = 0; i < table.slots.size(); ++i) {
        const SkinSlot& s = table.slots[i];
        beginObject(d);
        putInt(d, "slot", static_cast<long long>(i));
        putHardwareKey(d, "hardware_key", cat, s.hardware);
        putInt(d, "hardware", s.hardware);
        putString(d, "hardware_name", hardwareName(cat, s.hardware));
        putInt(d, "kind", s.kind);
        putInt(d, "orientation", s.orientation);
        putInt(d, "count", s.count);
        putInt(d, "selected", s.selected);
        beginArray(d, "skins");
        for (int32_t k = 0; k < s.count && k < kKlmMaxSkinsPerSlot; ++k) {
            const SnapSkin& skin = s.skins[static_cast<size_t>(k)];
            beginObject(d);
            putCp932(d, "name", klmField(skin.name));
            putCp932(d, "frame_path", klmField(skin.framePath));
            putInt(d, "x", skin.x);
            putInt(d, "y", skin.y);
            putInt(d, "width", skin.width);
            putInt(d, "height", skin.height);
            putInt(d, "position_method", skin.positionMethod);
            putInt(d, "size_method", skin.sizeMethod);
            endObject(d);
        }
        endArray(d);
        endObject(d);
    }
    endArray(d);
    endObject(d);
}

void putFont(JsonDoc& d, std::string_view key, const KlmFont& f)
{
    beginObject(d, key);
    putInt(d, "height", f.height);
    putInt(d, "width", f.width);
    putInt(d, "escapement", f.escapement);
    putInt(d, "orientation", f.orientation);
    putInt(d, "weight", f.weight);
    putInt(d, "italic", f.italic);
    putInt(d, "underline", f.underline);
    putInt(d, "strike_out", f.strikeOut);
    putInt(d, "char_set", f.charSet);
    putInt(d, "out_precision", f.outPrecision);
    putInt(d, "clip_precision", f.clipPrecision);
    putInt(d, "quality", f.quality);
    putInt(d, "pitch_and_family", f.pitchAndFamily);
    putCp932(d, "face_name", klmField(f.faceName));
    endObject(d);
}

void putColumns(JsonDoc& d, std::string_view key, const KlmColumnList& list)
{
    beginArray(d, key);
    for (int32_t i = 0; i < list.count && i < KlmColumnList::kSlots; ++i) {
        beginObject(d);
        putInt(d, "width", list.items[i].width);
        putInt(d, "field", list.items[i].field);
        putInt(d, "descending", list.items[i].descending);
        endObject(d);
    }
    endArray(d);
}

void putItems(JsonDoc& d, std::string_view key, const KlmItemList& list)
{
    std::vector<int32_t> items;
    for (int32_t i = 0; i < list.count && i < KlmItemList::kSlots; ++i) items.push_back(list.items[i]);
    putIntList(d, key, items);
}

// A name condition as its selection index and the name setting.dat keeps.
void putCondition(JsonDoc& d, std::string_view key, const Settings& s, const Catalogue& cat,
                  KlmNameCondition which)
{
    const int32_t value = klmNameConditionField(s, which);
    const std::vector<MasterEntry>& table = klmNameConditionTable(cat, which);
    putInt(d, key, value);
    const std::string nameKey = std::string(key) + "_name";
    if (value >= 1 && static_cast<size_t>(value) <= table.size())
        putCp932(d, nameKey, klmField(table[static_cast<size_t>(value) - 1].name));
    else
        putCp932(d, nameKey, klmAllItemsText(which));
}

void putSettings(JsonDoc& d, const Settings& s, const Catalogue& cat)
{
    beginObject(d, "settings");
    putInt(d, "selected_game", s.selectedGame);

    // The year and price bounds of the search condition are computed from
    // the catalogue, never stored, so they are left out.
    const SearchCondition& q = s.search;
    beginObject(d, "search");
    putCp932(d, "text", klmField(q.searchText));
    putInt(d, "kind", q.searchKind);
    putCondition(d, "hardware", s, cat, KlmNameCondition::Hardware);
    putCondition(d, "software", s, cat, KlmNameCondition::Software);
    putCondition(d, "developer", s, cat, KlmNameCondition::Developer);
    putCondition(d, "publisher", s, cat, KlmNameCondition::Publisher);
    putCondition(d, "genre", s, cat, KlmNameCondition::Genre);
    putCondition(d, "screen", s, cat, KlmNameCondition::Screen);
    putInt(d, "year", q.year);
    putInt(d, "year_qualifier", q.yearQualifier);
    putInt(d, "price", q.price);
    putInt(d, "price_qualifier", q.priceQualifier);
    putInt(d, "rom_size", q.romSize);
    putInt(d, "rom_size_qualifier", q.romSizeQualifier);
    putInt(d, "show_owned", q.showOwned);
    putInt(d, "show_not_renamed", q.showNotRenamed);
    putInt(d, "show_not_owned", q.showNotOwned);
    putInt(d, "show_later_disks", q.showLaterDisks);
    putInt(d, "favorites_only", q.favoritesOnly);
    endObject(d);

    putInt(d, "launched_becomes_default", s.launchedBecomesDefault);
    putInt(d, "striped", s.striped);
    putInt(d, "grid_lines", s.gridLines);
    putInt(d, "colour_by_ownership", s.colourByOwnership);
    putInt(d, "fit_columns_on_refresh", s.fitColumnsOnRefresh);
    putInt(d, "blank_line_under_title", s.blankLineUnderTitle);
    putInt(d, "show_status_bar", s.showStatusBar);
    putInt(d, "show_toolbar", s.showToolbar);
    putInt(d, "list_icon_source", s.listIconSource);
    putInt(d, "info_variant", s.infoVariant);
    putInt(d, "rom_size_format", s.romSizeFormat);
    putFont(d, "default_font", s.defaultFont);
    putFont(d, "list_font", s.listFont);
    putFont(d, "info_font", s.infoFont);
    putFont(d, "search_font", s.searchFont);
    putFont(d, "status_font", s.statusFont);
    putInt(d, "owned_colour", s.ownedColour);
    putInt(d, "not_renamed_colour", s.notRenamedColour);
    putInt(d, "not_owned_colour", s.notOwnedColour);
    putInt(d, "mute", s.mute);
    putInt(d, "volume", s.volume);
    putInt(d, "speed", s.speed);
    putInt(d, "show_movie", s.showMovie);
    putInt(d, "loop_playback", s.loopPlayback);
    putInt(d, "sort_column", s.sortColumn);
    putColumns(d, "shown_columns", s.shownColumns);
    putColumns(d, "hidden_columns", s.hiddenColumns);
    putInt(d, "field_dialog_target", s.fieldDialogTarget);
    putItems(d, "detailed_shown", s.detailedShown);
    putItems(d, "detailed_hidden", s.detailedHidden);
    putItems(d, "simple_shown", s.simpleShown);
    putItems(d, "simple_hidden", s.simpleHidden);
    putItems(d, "status_shown", s.statusShown);
    putItems(d, "status_hidden", s.statusHidden);
    putInt(d, "emulator_dialog_hardware", s.emulatorDialogHardware);
    putHardwareKey(d, "emulator_dialog_hardware_key", cat, s.emulatorDialogHardware);
    putInt(d, "list_scroll_row", s.listScrollRow);
    putInt(d, "list_scroll_x", s.listScrollX);
    putInt(d, "split_x", s.splitX);
    putInt(d, "split_y", s.splitY);
    putInt(d, "tooltip_content", s.tooltipContent);
    putInt(d, "date_format", s.dateFormat);
    putInt(d, "price_format", s.priceFormat);
    putInt(d, "skin_dialog_slot", s.skinDialogSlot);
    putInt(d, "crc_zeros_owned", s.crcZerosOwned);
    putInt(d, "crc_ones_owned", s.crcOnesOwned);
    putInt(d, "title_mode", s.titleMode);
    putInt(d, "centre_dialogs", s.centreDialogs);
    putInt(d, "pause_movie_for_dialogs", s.pauseMovieForDialogs);
    putInt(d, "wheel_selection", s.wheelSelection);
    putInt(d, "auto_select_order", s.autoSelectOrder);
    putInt(d, "auto_select_interval", s.autoSelectInterval);
    putInt(d, "movie_aspect", s.movieAspect);
    putInt(d, "spare1", s.spare1);
    putInt(d, "spare2", s.spare2);
    putInt(d, "spare3", s.spare3);
    putInt(d, "show_info_icon", s.showInfoIcon);
    putInt(d, "show_info_text", s.showInfoText);
    putCp932(d, "rename_pattern", klmField(s.renamePattern));
    putInt(d, "rename_inside_archives", s.renameInsideArchives);
    putInt(d, "zip_level", s.zipLevel);
    putInt(d, "seven_zip_level", s.sevenZipLevel);
    endObject(d);
}

void putSettingIssues(JsonDoc& d, const KlmSettingIssueList& issues)
{
    beginArray(d, "setting_issues");
    for (const KlmSettingIssue& i : issues) {
        beginObject(d);
        putInt(d, "line", i.line);
        putString(d, "setting", i.setting);
        putCp932(d, "text", i.text);
        putBool(d, "end_of_file", i.endOfFile);
        endObject(d);
    }
    endArray(d);
}

void putWindow(JsonDoc& d, const KlmWindowPlacement& p, bool read)
{
    if (!read) {
        putNull(d, "window");
        return;
    }
    beginObject(d, "window");
    putInt(d, "length", p.length);
    putInt(d, "flags", p.flags);
    putInt(d, "show_cmd", p.showCmd);
    putInt(d, "min_x", p.minX);
    putInt(d, "min_y", p.minY);
    putInt(d, "max_x", p.maxX);
    putInt(d, "max_y", p.maxY);
    putInt(d, "left", p.left);
    putInt(d, "top", p.top);
    putInt(d, "right", p.right);
    putInt(d, "bottom", p.bottom);
    // No screens are known here: only the values themselves are judged.
    putBool(d, "sane", klmIsSanePlacement(p, {}));
    endObject(d);
}

}  // namespace

int klmCliSaves(const KlmCliArgs& args)
{
    static const char* const kUsage = "saves BASEDIR";
    if (args.size() != 1 || args[0].empty() || args[0][0] == '-') return klmCliUsage(kUsage);

    AppPaths paths;
    if (!klmCliOpenBase(args[0], paths)) return kKlmExitCannotLoad;
    Catalogue cat;
    KlmLoadSource source = KlmLoadSource::Parsed;
    if (!klmCliLoadCatalogue(paths, cat, &source)) return kKlmExitCannotLoad;

    const KlmNotifier notify = [](const std::string& title, const std::string& text) {
        std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
    };

    FileReport emulatorFile{"emulator.dat"}, skinFile{"skin.dat"}, settingFile{"setting.dat"},
        favoriteFile{"favorite.dat"}, movieFile{"movieinfo.dat"}, romFolderFile{"romfolder.dat"},
        permuteFile{"permute.dat"}, customFile{"custom.dat"}, windowFile{"window.dat"};
    std::string image;

    // Start-up order: emulator.dat, skin.dat, setting.dat, favorite.dat,
    // movieinfo.dat, romfolder.dat, permute.dat, custom.dat; window.dat is
    // applied when the window is shown.
    EmulatorRegistry registry;
    klmInitEmulatorRegistry(registry, cat);
    if (readSave(paths.emulatorDat, emulatorFile, image) && !klmReadEmulatorImage(image, registry, cat, notify))
        emulatorFile.state = FileState::Damaged;

    SkinTable skins;
    klmBuildSkinTable(skins, cat);
    if (readSave(paths.skinDat, skinFile, image) && !klmReadSkinImage(image, skins, cat, notify))
        skinFile.state = FileState::Damaged;

    Settings settings = klmDefaultSettings();
    KlmSettingIssueList issues;
    switch (klmReadSettingFile(paths.settingDat, settings, cat, notify, &issues, &settingFile.error)) {
    case KlmSettingFileStatus::Read:
        settingFile.state = issues.empty() ? FileState::Read : FileState::Damaged;
        break;
    case KlmSettingFileStatus::Missing: settingFile.state = FileState::Missing; break;
    case KlmSettingFileStatus::Unreadable: settingFile.state = FileState::Unreadable; break;
    }

    for (GameRecord& g : cat.games) g.favorite = 0;
    if (readSave(paths.favoriteDat, favoriteFile, image)) klmReadFavoritesImage(image, cat);

    klmResetMovieMarks(cat);
    if (readSave(paths.movieinfoDat, movieFile, image)) klmReadMovieInfoImage(image, cat);

    std::vector<RomFolder> romFolders;
    if (readSave(paths.romfolderDat, romFolderFile, image) && !klmReadRomFolderImage(image, romFolders))
        romFolderFile.state = FileState::Damaged;

    std::vector<ReplacementRule> rules;
    if (readSave(paths.permuteDat, permuteFile, image) && !klmReadPermuteImage(image, rules))
        permuteFile.state = FileState::Damaged;

    std::vector<CustomSearchRecord> custom;
    if (readSave(paths.customDat, customFile, image) && !klmReadCustomStoreImage(image, custom))
        customFile.state = FileState::Damaged;

    KlmWindowPlacement placement;
    bool placementRead = false;
    switch (klmReadWindowFile(paths.windowDat, placement, &windowFile.error)) {
    case KlmWindowFileStatus::Read:
        windowFile.state = FileState::Read;
        placementRead = true;
        break;
    case KlmWindowFileStatus::Missing: windowFile.state = FileState::Missing; break;
    case KlmWindowFileStatus::Unreadable: windowFile.state = FileState::Unreadable; break;
    case KlmWindowFileStatus::Incomplete: windowFile.state = FileState::Damaged; break;
    }

    JsonDoc d;
    beginObject(d);
    putString(d, "base", paths.base);
    putString(d, "catalogue_source", source == KlmLoadSource::Cache ? "cache" : "parsed");
    putInt(d, "games", klmGameCount(cat));

    const FileReport* reports[] = {&emulatorFile, &skinFile, &settingFile, &favoriteFile, &movieFile,
                                   &romFolderFile, &permuteFile, &customFile, &windowFile};
    bool problems = false;
    beginObject(d, "files");
    for (const FileReport* r : reports) {
        beginObject(d, r->name);
        putString(d, "status", stateText(r->state));
        if (r->state == FileState::Unreadable) putString(d, "error", r->error);
        endObject(d);
        problems = problems || r->state == FileState::Damaged || r->state == FileState::Unreadable;
    }
    endObject(d);

    putEmulators(d, registry, cat);
    putSkins(d, skins, cat);
    putSettings(d, settings, cat);
    putSettingIssues(d, issues);

    std::vector<int32_t> favorites, movies;
    for (size_t i = 0; i < cat.games.size(); ++i) {
        if (cat.games[i].favorite) favorites.push_back(static_cast<int32_t>(i));
        if (cat.games[i].hasMovie) movies.push_back(static_cast<int32_t>(i));
    }
    putIntList(d, "favorites", favorites);
    beginObject(d, "movies");
    putInt(d, "count", cat.movieCount);
    putIntList(d, "positions", movies);
    endObject(d);

    beginArray(d, "rom_folders");
    for (const RomFolder& f : romFolders) {
        beginObject(d);
        putCp932(d, "path", klmField(f.path));
        putInt(d, "depth", f.depth);
        putCp932(d, "depth_name", klmRomFolderDepthName(f.depth));
        putInt(d, "selected", f.selected);
        endObject(d);
    }
    endArray(d);

    beginArray(d, "replacements");
    for (const ReplacementRule& r : rules) {
        beginObject(d);
        putCp932(d, "search", klmField(r.search));
        putCp932(d, "replacement", klmField(r.replacement));
        putInt(d, "enabled", r.enabled);
        endObject(d);
    }
    endArray(d);

    putInt(d, "custom_count", static_cast<long long>(custom.size()));
    putWindow(d, placement, placementRead);
    endObject(d);
    d.text += '\n';

    std::fwrite(d.text.data(), 1, d.text.size(), stdout);
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "kolmar-cli: 出力を書き込めません\n");
        return kKlmExitCannotLoad;
    }
    return problems ? kKlmExitProblems : kKlmExitOk;
}
