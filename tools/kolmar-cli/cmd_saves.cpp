// kolmar-cli saves BASEDIR: what start-up takes from the nine files under
// save/, as one JSON object. The folder is opened as the program's start-up
// opens it (several files name hardware by key or games by position), so a
// name or key that no longer resolves shows up here exactly as the window
// would treat it. Texts are converted to UTF-8. Nothing is written.
//
// Favourite and movie flags that a dat.cache carries are cleared before
// their files are read, so those lists show what the files themselves say.
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cli.h"
#include "settings/window_file.h"
#include "text/cp932.h"

namespace {

const char* stateText(KlmSaveFileState s)
{
    switch (s) {
    case KlmSaveFileState::Missing: return "missing";
    case KlmSaveFileState::Read: return "read";
    case KlmSaveFileState::Damaged: return "damaged";
    case KlmSaveFileState::Unreadable: return "unreadable";
    }
    return "unreadable";
}

std::string hardwareName(const Catalogue& cat, int32_t position)
{
    if (position < 0 || static_cast<size_t>(position) >= cat.hardware.size()) return {};
    return klmToUtf8(klmField(cat.hardware[static_cast<size_t>(position)].name));
}

KlmJson hardwareKey(const Catalogue& cat, int32_t position)
{
    if (position < 0 || static_cast<size_t>(position) >= cat.hardware.size()) return nullptr;
    return cat.hardware[static_cast<size_t>(position)].key;
}

KlmJson emulators(const EmulatorRegistry& reg, const Catalogue& cat)
{
    KlmJson out = KlmJson::array();
    for (size_t h = 0; h < reg.blocks.size(); ++h) {
        const EmulatorBlock& b = reg.blocks[h];
        KlmJson block;
        block["hardware_key"] = hardwareKey(cat, static_cast<int32_t>(h));
        block["hardware"] = h;
        block["hardware_name"] = hardwareName(cat, static_cast<int32_t>(h));
        block["count"] = b.count;
        block["default"] = b.defaultIndex;
        KlmJson entries = KlmJson::array();
        for (int32_t i = 0; i < b.count && i < kKlmMaxEmulators; ++i) {
            const EmulatorEntry& e = b.entries[static_cast<size_t>(i)];
            KlmJson entry;
            entry["name"] = klmCliText(klmField(e.name));
            entry["file_path"] = klmCliText(klmField(e.filePath));
            entry["extract_folder"] = klmCliText(klmField(e.extractFolder));
            entry["options"] = klmCliText(klmField(e.options));
            entry["key_file"] = klmCliText(klmField(e.keyFile));
            entry["extract"] = e.extract;
            entry["quote"] = e.quote;
            entry["short_path"] = e.shortPath;
            entries.push_back(std::move(entry));
        }
        block["entries"] = std::move(entries);
        out.push_back(std::move(block));
    }
    return out;
}

KlmJson skins(const SkinTable& table, const Catalogue& cat)
{
    KlmJson out;
    out["always_default"] = table.alwaysDefault;
    out["frame_width"] = table.frameWidth;
    KlmJson slots = KlmJson::array();
    for (size_t i = 0; i < table.slots.size(); ++i) {
        const SkinSlot& s = table.slots[i];
        KlmJson slot;
        slot["slot"] = i;
        slot["hardware_key"] = hardwareKey(cat, s.hardware);
        slot["hardware"] = s.hardware;
        slot["hardware_name"] = hardwareName(cat, s.hardware);
        slot["kind"] = s.kind;
        slot["orientation"] = s.orientation;
        slot["count"] = s.count;
        slot["selected"] = s.selected;
        KlmJson list = KlmJson::array();
        for (int32_t k = 0; k < s.count && k < kKlmMaxSkinsPerSlot; ++k) {
            const SnapSkin& skin = s.skins[static_cast<size_t>(k)];
            KlmJson item;
            item["name"] = klmCliText(klmField(skin.name));
            item["frame_path"] = klmCliText(klmField(skin.framePath));
            item["x"] = skin.x;
            item["y"] = skin.y;
            item["width"] = skin.width;
            item["height"] = skin.height;
            item["position_method"] = skin.positionMethod;
            item["size_method"] = skin.sizeMethod;
            list.push_back(std::move(item));
        }
        slot["skins"] = std::move(list);
        slots.push_back(std::move(slot));
    }
    out["slots"] = std::move(slots);
    return out;
}

KlmJson font(const KlmFont& f)
{
    KlmJson out;
    out["height"] = f.height;
    out["width"] = f.width;
    out["escapement"] = f.escapement;
    out["orientation"] = f.orientation;
    out["weight"] = f.weight;
    out["italic"] = f.italic;
    out["underline"] = f.underline;
    out["strike_out"] = f.strikeOut;
    out["char_set"] = f.charSet;
    out["out_precision"] = f.outPrecision;
    out["clip_precision"] = f.clipPrecision;
    out["quality"] = f.quality;
    out["pitch_and_family"] = f.pitchAndFamily;
    out["face_name"] = klmCliText(klmField(f.faceName));
    return out;
}

KlmJson columns(const KlmColumnList& list)
{
    KlmJson out = KlmJson::array();
    for (int32_t i = 0; i < list.count && i < KlmColumnList::kSlots; ++i)
        out.push_back({{"width", list.items[i].width}, {"field", list.items[i].field},
                       {"descending", list.items[i].descending}});
    return out;
}

KlmJson items(const KlmItemList& list)
{
    KlmJson out = KlmJson::array();
    for (int32_t i = 0; i < list.count && i < KlmItemList::kSlots; ++i) out.push_back(list.items[i]);
    return out;
}

// A name condition as its selection index and the name setting.dat keeps.
void condition(KlmJson& out, const std::string& key, const SearchCondition& q, const Catalogue& cat,
               KlmNameCondition which)
{
    const int32_t value = klmNameConditionField(q, which);
    const std::vector<MasterEntry>& table = klmNameConditionTable(cat, which);
    out[key] = value;
    if (value >= 1 && static_cast<size_t>(value) <= table.size())
        out[key + "_name"] = klmCliText(klmField(table[static_cast<size_t>(value) - 1].name));
    else
        out[key + "_name"] = klmCliText(klmAllItemsText(which));
}

KlmJson search(const SearchCondition& q, const Catalogue& cat)
{
    // The year and price bounds of the search condition are computed from
    // the catalogue, never stored, so they are left out.
    static const char* const kConditionKeys[kKlmNameConditionCount] = {"hardware", "software", "developer",
                                                                        "publisher", "genre", "screen"};
    KlmJson out;
    out["text"] = klmCliText(klmField(q.searchText));
    out["kind"] = q.searchKind;
    for (const KlmNameConditionDef& d : kKlmNameConditions)
        condition(out, kConditionKeys[static_cast<int>(d.which)], q, cat, d.which);
    out["year"] = q.year;
    out["year_qualifier"] = q.yearQualifier;
    out["price"] = q.price;
    out["price_qualifier"] = q.priceQualifier;
    out["rom_size"] = q.romSize;
    out["rom_size_qualifier"] = q.romSizeQualifier;
    out["show_owned"] = q.showOwned;
    out["show_not_renamed"] = q.showNotRenamed;
    out["show_not_owned"] = q.showNotOwned;
    out["show_later_disks"] = q.showLaterDisks;
    out["favorites_only"] = q.favoritesOnly;
    return out;
}

KlmJson settings(const Settings& s, const Catalogue& cat)
{
    KlmJson d;
    d["selected_game"] = s.selectedGame;
    d["search"] = search(s.search, cat);
    d["launched_becomes_default"] = s.launchedBecomesDefault;
    d["striped"] = s.striped;
    d["grid_lines"] = s.gridLines;
    d["colour_by_ownership"] = s.colourByOwnership;
    d["fit_columns_on_refresh"] = s.fitColumnsOnRefresh;
    d["blank_line_under_title"] = s.blankLineUnderTitle;
    d["show_status_bar"] = s.showStatusBar;
    d["show_toolbar"] = s.showToolbar;
    d["list_icon_source"] = s.listIconSource;
    d["info_variant"] = s.infoVariant;
    d["rom_size_format"] = s.romSizeFormat;
    d["default_font"] = font(s.defaultFont);
    d["list_font"] = font(s.listFont);
    d["info_font"] = font(s.infoFont);
    d["search_font"] = font(s.searchFont);
    d["status_font"] = font(s.statusFont);
    d["owned_colour"] = s.ownedColour;
    d["not_renamed_colour"] = s.notRenamedColour;
    d["not_owned_colour"] = s.notOwnedColour;
    d["mute"] = s.mute;
    d["volume"] = s.volume;
    d["speed"] = s.speed;
    d["show_movie"] = s.showMovie;
    d["loop_playback"] = s.loopPlayback;
    d["sort_column"] = s.sortColumn;
    d["shown_columns"] = columns(s.shownColumns);
    d["hidden_columns"] = columns(s.hiddenColumns);
    d["field_dialog_target"] = s.fieldDialogTarget;
    d["detailed_shown"] = items(s.detailedShown);
    d["detailed_hidden"] = items(s.detailedHidden);
    d["simple_shown"] = items(s.simpleShown);
    d["simple_hidden"] = items(s.simpleHidden);
    d["status_shown"] = items(s.statusShown);
    d["status_hidden"] = items(s.statusHidden);
    d["emulator_dialog_hardware"] = s.emulatorDialogHardware;
    d["emulator_dialog_hardware_key"] = hardwareKey(cat, s.emulatorDialogHardware);
    d["list_scroll_row"] = s.listScrollRow;
    d["list_scroll_x"] = s.listScrollX;
    d["split_x"] = s.splitX;
    d["split_y"] = s.splitY;
    d["tooltip_content"] = s.tooltipContent;
    d["date_format"] = s.dateFormat;
    d["price_format"] = s.priceFormat;
    d["skin_dialog_slot"] = s.skinDialogSlot;
    d["crc_zeros_owned"] = s.crcZerosOwned;
    d["crc_ones_owned"] = s.crcOnesOwned;
    d["title_mode"] = s.titleMode;
    d["centre_dialogs"] = s.centreDialogs;
    d["pause_movie_for_dialogs"] = s.pauseMovieForDialogs;
    d["wheel_selection"] = s.wheelSelection;
    d["auto_select_order"] = s.autoSelectOrder;
    d["auto_select_interval"] = s.autoSelectInterval;
    d["movie_aspect"] = s.movieAspect;
    d["spare1"] = s.spare1;
    d["spare2"] = s.spare2;
    d["spare3"] = s.spare3;
    d["show_info_icon"] = s.showInfoIcon;
    d["show_info_text"] = s.showInfoText;
    d["rename_pattern"] = klmCliText(klmField(s.renamePattern));
    d["rename_inside_archives"] = s.renameInsideArchives;
    d["zip_level"] = s.zipLevel;
    d["seven_zip_level"] = s.sevenZipLevel;
    return d;
}

KlmJson settingIssues(const KlmSettingIssueList& issues)
{
    KlmJson out = KlmJson::array();
    for (const KlmSettingIssue& i : issues)
        out.push_back({{"line", i.line}, {"setting", i.setting}, {"text", klmCliText(i.text)},
                       {"end_of_file", i.endOfFile}});
    return out;
}

KlmJson window(const KlmMainState& st)
{
    if (!st.placementRead) return nullptr;
    const KlmWindowPlacement& p = st.placement;
    KlmJson out;
    out["length"] = p.length;
    out["flags"] = p.flags;
    out["show_cmd"] = p.showCmd;
    out["min_x"] = p.minX;
    out["min_y"] = p.minY;
    out["max_x"] = p.maxX;
    out["max_y"] = p.maxY;
    out["left"] = p.left;
    out["top"] = p.top;
    out["right"] = p.right;
    out["bottom"] = p.bottom;
    // No screens are known here: only the values themselves are judged.
    out["sane"] = klmIsSanePlacement(p, {});
    return out;
}

// The files in the order the document lists them.
KlmJson files(const KlmOpenReport& report, bool& problems)
{
    static const char* const kOrder[] = {"emulator.dat", "skin.dat",      "setting.dat", "favorite.dat", "movieinfo.dat",
                                         "romfolder.dat", "permute.dat", "custom.dat",  "window.dat"};
    KlmJson out = KlmJson::object();
    for (const char* name : kOrder) {
        const KlmSaveFileRead* f = report.file(name);
        const KlmSaveFileState state = f ? f->state : KlmSaveFileState::Missing;
        KlmJson entry;
        entry["status"] = stateText(state);
        if (state == KlmSaveFileState::Unreadable) entry["error"] = f->error;
        out[name] = std::move(entry);
        problems = problems || state == KlmSaveFileState::Damaged || state == KlmSaveFileState::Unreadable;
    }
    return out;
}

int runSaves(const std::string& base)
{
    KlmOpenOptions options;
    options.readOnly = true;
    options.flagsFromSaveFiles = true;
    KlmAppContext ctx;
    KlmOpenReport report;
    if (!klmCliOpenSession(ctx, base, options, &report)) return kKlmExitCannotLoad;
    const Catalogue& cat = ctx.catalogue;
    const KlmMainState& st = ctx.state;

    KlmJson d;
    d["base"] = ctx.paths.base;
    d["catalogue_source"] = report.catalogueSource == KlmLoadSource::Cache ? "cache" : "parsed";
    d["games"] = klmGameCount(cat);
    bool problems = false;
    d["files"] = files(report, problems);
    d["emulators"] = emulators(st.emulators, cat);
    d["skins"] = skins(st.skins, cat);
    d["settings"] = settings(st.settings, cat);
    d["setting_issues"] = settingIssues(report.settingIssues);

    KlmJson favorites = KlmJson::array(), movies = KlmJson::array();
    for (size_t i = 0; i < cat.games.size(); ++i) {
        if (cat.games[i].favorite) favorites.push_back(i);
        if (cat.games[i].hasMovie) movies.push_back(i);
    }
    d["favorites"] = std::move(favorites);
    d["movies"] = {{"count", cat.movieCount}, {"positions", std::move(movies)}};

    KlmJson folders = KlmJson::array();
    for (const RomFolder& f : st.romFolders)
        folders.push_back({{"path", klmCliText(klmField(f.path))}, {"depth", f.depth},
                           {"depth_name", klmCliText(klmRomFolderDepthName(f.depth))}, {"selected", f.selected}});
    d["rom_folders"] = std::move(folders);

    KlmJson rules = KlmJson::array();
    for (const ReplacementRule& r : st.replacements)
        rules.push_back({{"search", klmCliText(klmField(r.search))},
                         {"replacement", klmCliText(klmField(r.replacement))}, {"enabled", r.enabled}});
    d["replacements"] = std::move(rules);
    d["custom_count"] = st.customSearches.size();
    d["window"] = window(st);

    klmCliWrite(d.dump(2, ' ', false, KlmJson::error_handler_t::replace) + '\n');
    if (!klmCliFlush()) return kKlmExitCannotLoad;
    return problems ? kKlmExitProblems : kKlmExitOk;
}

}  // namespace

KlmCliRun klmCliSaves(CLI::App& app)
{
    auto base = std::make_shared<std::string>();
    klmCliBaseArgument(app, *base);
    return [base] { return runSaves(*base); };
}
