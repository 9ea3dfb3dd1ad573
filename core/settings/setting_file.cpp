#include "settings/setting_file.h"

#include <algorithm>
#include <climits>
#include <filesystem>
#include <cstdint>
#include <initializer_list>
#include <optional>

#include "browse/match.h"
#include "browse/search_bar.h"
#include "text/cp932.h"
#include "text/file_io.h"
#include "text/section_file.h"

// The order of setting.dat is written down once, in visitSettingLines; the
// reader and the writer are two visitors of that one sequence, so they
// cannot drift apart.

namespace {

constexpr long long kAnyMin = INT32_MIN;
constexpr long long kAnyMax = INT32_MAX;
constexpr int32_t kLastFieldId = 18;
constexpr int32_t kLastStatusKind = 7;
// No screen is this wide; a larger width or splitter position is damage.
constexpr int32_t kMaxPixels = 32767;
constexpr int32_t kMaxSkinSlots = 1000;

// Lists whose length the catalogue decides (the search bar's drop-downs).
enum class CatalogueList { Year, Price, RomSize };

template <class V, class F>
void visitFont(V& v, F& f, const std::string& name)
{
    v.range(f.height, kAnyMin, kAnyMax, name + " height");
    v.range(f.width, kAnyMin, kAnyMax, name + " width");
    v.range(f.escapement, kAnyMin, kAnyMax, name + " escapement");
    v.range(f.orientation, kAnyMin, kAnyMax, name + " orientation");
    v.range(f.weight, kAnyMin, kAnyMax, name + " weight");
    v.range(f.italic, 0, 255, name + " italic");
    v.range(f.underline, 0, 255, name + " underline");
    v.range(f.strikeOut, 0, 255, name + " strike-out");
    v.range(f.charSet, 0, 255, name + " character set");
    v.range(f.outPrecision, 0, 255, name + " output precision");
    v.range(f.clipPrecision, 0, 255, name + " clip precision");
    v.range(f.quality, 0, 255, name + " quality");
    v.range(f.pitchAndFamily, 0, 255, name + " pitch and family");
    v.text(f.faceName, name + " face name");
}

// S is Settings for reading and const Settings for writing.
template <class V, class S>
void visitSettingLines(V& v, S& s)
{
    auto& q = s.search;
    v.selectedGame(s.selectedGame);
    v.text(q.searchText, "search text");
    for (int i = 0; i < kKlmNameConditionCount; ++i) {
        auto which = static_cast<KlmNameCondition>(i);
        v.nameCondition(which, klmNameConditionField(s.search, which));
    }
    v.catalogueItem(q.year, CatalogueList::Year, "release-year condition");
    v.range(q.yearQualifier, 0, 2, "release-year qualifier");
    v.catalogueItem(q.price, CatalogueList::Price, "price condition");
    v.range(q.priceQualifier, 0, 2, "price qualifier");
    v.catalogueItem(q.romSize, CatalogueList::RomSize, "ROM-size condition");
    v.range(q.romSizeQualifier, 0, 2, "ROM-size qualifier");
    v.range(s.launchedBecomesDefault, 0, 1, "launched emulator becomes default");
    v.range(q.showOwned, 0, 1, "show owned");
    v.range(q.showNotRenamed, 0, 1, "show not renamed");
    v.range(q.showNotOwned, 0, 1, "show not owned");
    v.range(q.showLaterDisks, 0, 1, "show later disks");
    v.range(q.favoritesOnly, 0, 1, "favorites only");
    v.range(s.striped, 0, 1, "striped rows");
    v.range(s.gridLines, 0, 1, "grid lines");
    v.range(s.colourByOwnership, 0, 1, "colour by ownership");
    v.range(s.fitColumnsOnRefresh, 0, 1, "fit columns on refresh");
    v.range(s.blankLineUnderTitle, 0, 1, "blank line under title");
    v.range(s.showStatusBar, 0, 1, "show status bar");
    v.range(s.showToolbar, 0, 1, "show toolbar");
    v.range(s.listIconSource, 100, 101, "list icon source");
    v.range(s.infoVariant, 0, 1, "game-info variant");
    v.range(s.romSizeFormat, 0, 1, "ROM size format");
    visitFont(v, s.listFont, "list font");
    visitFont(v, s.infoFont, "game-info font");
    visitFont(v, s.searchFont, "search font");
    visitFont(v, s.statusFont, "status font");
    v.range(s.ownedColour, 0, 0xFFFFFF, "owned colour");
    v.range(s.notRenamedColour, 0, 0xFFFFFF, "not-renamed colour");
    v.range(s.notOwnedColour, 0, 0xFFFFFF, "not-owned colour");
    v.range(s.mute, 0, 1, "mute");
    v.range(s.volume, 0, 100, "volume");
    v.range(s.speed, 600, 2000, "playback speed");
    v.range(s.showMovie, 0, 1, "show movie");
    v.range(s.loopPlayback, 0, 1, "loop playback");
    v.sortColumn(s.sortColumn);
    v.columns(s.shownColumns, s.hiddenColumns);
    v.range(s.fieldDialogTarget, 0, 3, "field-items dialog target");
    v.items(s.detailedShown, s.detailedHidden, kLastFieldId, true, "detailed game-info items");
    v.items(s.simpleShown, s.simpleHidden, kLastFieldId, true, "simple game-info items");
    v.items(s.statusShown, s.statusHidden, kLastStatusKind, false, "status-bar items");
    v.hardwareKey(s.emulatorDialogHardware);
    v.range(s.listScrollRow, 0, kAnyMax, "list vertical scroll position");
    v.range(s.listScrollX, kAnyMin, kAnyMax, "list horizontal scroll position");
    v.range(s.splitX, 0, kMaxPixels, "splitX");
    v.range(s.splitY, 0, kMaxPixels, "splitY");
    v.range(s.tooltipContent, 0, 2, "tooltip content");
    v.range(s.dateFormat, 0, 5, "date format");
    v.range(s.priceFormat, 0, 3, "price format");
    v.range(s.skinDialogSlot, 0, kMaxSkinSlots - 1, "snap-skin dialog selection");
    v.range(s.crcZerosOwned, 0, 1, "CRC32 00000000 counts as owned");
    v.range(s.crcOnesOwned, 0, 1, "CRC32 FFFFFFFF counts as owned");
    v.range(s.titleMode, 0, 1, "title mode");
    v.range(s.centreDialogs, 0, 1, "centre dialogs");
    v.range(s.pauseMovieForDialogs, 0, 1, "pause movie during dialogs");
    v.range(s.wheelSelection, 0, 1, "wheel selection");
    v.range(q.searchKind, 0, SearchCondition::kKindCount - 1, "search kind");
    v.rangeElseZero(s.autoSelectOrder, 0, 2, "auto-select order");
    // The display settings refuse anything below 100 ms.
    v.range(s.autoSelectInterval, 100, kAnyMax, "auto-select interval");
    v.range(s.movieAspect, 0, 2, "movie aspect");
    v.range(s.spare1, kAnyMin, kAnyMax, "spare value 1");
    v.range(s.spare2, kAnyMin, kAnyMax, "spare value 2");
    v.range(s.spare3, kAnyMin, kAnyMax, "spare value 3");
    v.range(s.showInfoIcon, 0, 1, "show game-info icon");
    v.range(s.showInfoText, 0, 1, "show game-info text");
    v.text(s.renamePattern, "rename pattern");
    v.range(s.renameInsideArchives, 0, 1, "rename inside archives");
    v.range(s.zipLevel, 0, 5, "ZIP level");
    v.range(s.sevenZipLevel, 0, 5, "7Z level");
}

// Entries of the search bar's year, price and ROM-size lists, "all"
// included, as the search bar builds them from the catalogue.
// ranges: the year and price ranges, taken from the records (a pass over
// all of them) the first time they are wanted.
int32_t catalogueListSize(const Catalogue& cat, CatalogueList which, std::optional<SearchCondition>& ranges)
{
    if (which == CatalogueList::RomSize)
        return klmRomSizeListCount(cat);
    if (!ranges) klmComputeYearPriceRanges(ranges.emplace(), cat);
    return which == CatalogueList::Year ? klmYearListCount(*ranges) : klmPriceListCount(*ranges);
}

template <class ItemT>
bool noDuplicateIds(const ItemT* a, int32_t na, const ItemT* b, int32_t nb, int32_t lastId,
                    int32_t (*idOf)(const ItemT&))
{
    bool seen[64] = {};
    if (lastId >= 64)
        return false;
    auto take = [&](const ItemT* list, int32_t n) {
        for (int32_t i = 0; i < n; ++i) {
            int32_t id = idOf(list[i]);
            if (id < 0 || id > lastId || seen[id])
                return false;
            seen[id] = true;
        }
        return true;
    };
    return take(a, na) && take(b, nb);
}

int32_t columnId(const KlmColumn& c) { return c.field; }
int32_t plainId(const int32_t& id) { return id; }

class SettingReader {
public:
    SettingReader(std::string_view image, const Catalogue& cat, const KlmNotifier& notify,
                  KlmSettingIssueList* issues)
        : lines_(klmMakeWholeLineReader(image)), cat_(cat), notify_(notify), issues_(issues)
    {
        std::string framing;
        klmReadLine(lines_, framing);  // "[BEGIN]", not tested
    }

    template <class T>
    void range(T& field, long long lo, long long hi, std::string_view name)
    {
        long long v;
        if (!nextInt(name, v))
            return;
        if (v < lo || v > hi)
            return reject(name);
        field = static_cast<T>(v);
    }

    // A value outside the range is not kept as the old value but read as 0.
    void rangeElseZero(int32_t& field, long long lo, long long hi, std::string_view name)
    {
        long long v;
        if (!nextInt(name, v))
            return;
        if (v < lo || v > hi) {
            reject(name);
            v = 0;
        }
        field = static_cast<int32_t>(v);
    }

    // Checked against the shown columns once they are read (finish).
    void sortColumn(int32_t& field)
    {
        range(field, 0, KlmColumnList::kSlots - 1, "sort column");
        sortColumnLine_ = lineNumber();
    }

    void selectedGame(int32_t& field)
    {
        long long v;
        if (!nextInt("selected game", v))
            return;
        if (v < -1 || v > kAnyMax)
            return reject("selected game");
        // A game beyond the catalogue (it shrank) becomes the first game;
        // with no games at all there is nothing to select.
        const int32_t count = klmGameCount(cat_);
        if (v >= count)
            v = count > 0 ? 0 : -1;
        field = static_cast<int32_t>(v);
    }

    template <size_t N>
    void text(char (&field)[N], std::string_view name)
    {
        if (!next(name))
            return;
        // Hold no more than the writer can give back on one line.
        const size_t limit = std::min(N - 1, kKlmMaxSectionLineLength);
        if (line_.size() > limit)
            reject(name);
        klmCopyField(field, N, std::string_view(line_).substr(0, klmSafePrefixLength(line_, limit)));
    }

    void nameCondition(KlmNameCondition which, int32_t& field)
    {
        if (!next(conditionName(which)))
            return;
        if (line_ == klmAllItemsText(which)) {
            field = 0;
            return;
        }
        const std::vector<MasterEntry>& table = klmNameConditionTable(cat_, which);
        for (size_t i = 0; i < table.size(); ++i) {
            if (klmField(table[i].name) == line_) {
                field = static_cast<int32_t>(i + 1);
                return;
            }
        }
        // The name left its table (hard.dat was edited): no condition.
        field = 0;
        reject(conditionName(which));
    }

    void catalogueItem(int32_t& field, CatalogueList which, std::string_view name)
    {
        long long v;
        if (!nextInt(name, v))
            return;
        // Every list has its first item: only a later one needs the list's
        // length, which for years and prices takes a pass over the records.
        if (v < 0 || (v > 0 && v >= catalogueListSize(cat_, which, ranges_)))
            return reject(name);
        field = static_cast<int32_t>(v);
    }

    void columns(KlmColumnList& shown, KlmColumnList& hidden)
    {
        const int firstLine = lineNumber() + 1;
        KlmColumnList a, b;
        bool ok = true;
        if (!readColumns(a, "shown columns", ok) || !readColumns(b, "hidden columns", ok))
            return;
        ok = ok && a.count >= 1 && a.items[0].field == 0
             && noDuplicateIds(a.items, a.count, b.items, b.count, kLastFieldId, columnId);
        if (!ok)
            return rejectAt(firstLine, "columns");
        shown = a;
        hidden = b;
    }

    void items(KlmItemList& shown, KlmItemList& hidden, int32_t lastId, bool titleFirst,
               std::string_view name)
    {
        const int firstLine = lineNumber() + 1;
        KlmItemList a, b;
        bool ok = true;
        if (!readItems(a, name, ok) || !readItems(b, name, ok))
            return;
        ok = ok && (!titleFirst || (a.count >= 1 && a.items[0] == 0))
             && noDuplicateIds(a.items, a.count, b.items, b.count, lastId, plainId);
        if (!ok)
            return rejectAt(firstLine, name);
        shown = a;
        hidden = b;
    }

    void hardwareKey(int32_t& field)
    {
        long long key;
        if (!nextInt("emulator dialog hardware", key))
            return;
        if (key < kAnyMin || key > kAnyMax)
            return reject("emulator dialog hardware");
        // Without a hardware table there is nothing to look up, and no
        // point in an error at every start.
        if (cat_.hardware.empty())
            return;
        int32_t position = klmGetNewHardIndex(cat_, static_cast<int32_t>(key), notify_);
        if (position < 0 || static_cast<size_t>(position) >= cat_.hardware.size()) {
            position = -1;
            reject("emulator dialog hardware");
        }
        field = position;
    }

    void finish(Settings& s)
    {
        // Read before its columns: now it can be checked.
        const int32_t shown = s.shownColumns.count;
        if (s.sortColumn < 0 || (shown > 0 && s.sortColumn >= shown) || (shown <= 0 && s.sortColumn != 0)) {
            note(sortColumnLine_, "sort column", std::to_string(s.sortColumn), false);
            s.sortColumn = 0;
        }
    }

private:
    bool next(std::string_view name)
    {
        if (ended_)
            return false;
        if (!klmReadLine(lines_, line_)) {
            ended_ = true;
            note(lineNumber() + 1, name, {}, true);
            return false;
        }
        return true;
    }

    bool nextInt(std::string_view name, long long& v)
    {
        if (!next(name))
            return false;
        v = klmLeadingInt(line_);
        return true;
    }

    // A count outside 0–30 leaves no way to know where the next value
    // starts, so nothing after it is read.
    bool readCount(int32_t& count, std::string_view name)
    {
        long long v;
        if (!nextInt(name, v))
            return false;
        if (v < 0 || v > KlmColumnList::kSlots) {
            reject(name);
            ended_ = true;
            return false;
        }
        count = static_cast<int32_t>(v);
        return true;
    }

    bool readColumns(KlmColumnList& list, std::string_view name, bool& ok)
    {
        if (!readCount(list.count, name))
            return false;
        for (int32_t i = 0; i < list.count; ++i) {
            KlmColumn& c = list.items[i];
            long long width, field, descending;
            if (!nextInt(name, width) || !nextInt(name, field) || !nextInt(name, descending))
                return false;
            ok = ok && width >= 0 && width <= kMaxPixels && field >= 0 && field <= kLastFieldId
                 && descending >= kAnyMin && descending <= kAnyMax;
            c.width = static_cast<int32_t>(std::clamp(width, 0LL, (long long)kMaxPixels));
            c.field = static_cast<int32_t>(std::clamp(field, 0LL, (long long)kLastFieldId));
            c.descending = static_cast<int32_t>(std::clamp(descending, kAnyMin, kAnyMax));
        }
        return true;
    }

    bool readItems(KlmItemList& list, std::string_view name, bool& ok)
    {
        if (!readCount(list.count, name))
            return false;
        for (int32_t i = 0; i < list.count; ++i) {
            long long id;
            if (!nextInt(name, id))
                return false;
            ok = ok && id >= 0 && id <= kAnyMax;
            list.items[i] = static_cast<int32_t>(std::clamp(id, 0LL, kAnyMax));
        }
        return true;
    }

    static const char* conditionName(KlmNameCondition which)
    {
        switch (which) {
        case KlmNameCondition::Hardware: return "hardware condition";
        case KlmNameCondition::Software: return "software condition";
        case KlmNameCondition::Developer: return "developer condition";
        case KlmNameCondition::Publisher: return "publisher condition";
        case KlmNameCondition::Genre: return "genre condition";
        case KlmNameCondition::Screen: return "screen condition";
        }
        return "name condition";
    }

    // 1-based number of the line read last.
    int lineNumber() const { return static_cast<int>(lines_.next); }

    void reject(std::string_view name) { note(lineNumber(), name, line_, false); }
    void rejectAt(int line, std::string_view name) { note(line, name, {}, false); }

    void note(int line, std::string_view name, std::string_view text, bool endOfFile)
    {
        if (issues_)
            issues_->push_back(KlmSettingIssue{line, std::string(name), std::string(text), endOfFile});
    }

    KlmSectionReader lines_;
    std::string line_;
    bool ended_ = false;
    int sortColumnLine_ = 0;
    const Catalogue& cat_;
    std::optional<SearchCondition> ranges_;
    const KlmNotifier& notify_;
    KlmSettingIssueList* issues_;
};

class SettingWriter {
public:
    explicit SettingWriter(const Catalogue& cat) : cat_(cat) { klmWriteLine(w_, "[BEGIN]"); }

    template <class T>
    void range(const T& field, long long, long long, std::string_view) { klmWriteInt(w_, field); }
    void rangeElseZero(const int32_t& field, long long, long long, std::string_view) { klmWriteInt(w_, field); }
    void selectedGame(const int32_t& field) { klmWriteInt(w_, field); }
    void sortColumn(const int32_t& field) { klmWriteInt(w_, field); }
    void catalogueItem(const int32_t& field, CatalogueList, std::string_view) { klmWriteInt(w_, field); }

    template <size_t N>
    void text(const char (&field)[N], std::string_view) { klmWriteLine(w_, klmField(field)); }

    void nameCondition(KlmNameCondition which, const int32_t& field)
    {
        const std::vector<MasterEntry>& table = klmNameConditionTable(cat_, which);
        if (field >= 1 && static_cast<size_t>(field) <= table.size())
            klmWriteLine(w_, klmField(table[field - 1].name));
        else
            klmWriteLine(w_, klmAllItemsText(which));
    }

    void columns(const KlmColumnList& shown, const KlmColumnList& hidden)
    {
        for (const KlmColumnList* list : {&shown, &hidden}) {
            const int32_t n = std::clamp(list->count, 0, KlmColumnList::kSlots);
            klmWriteInt(w_, n);
            for (int32_t i = 0; i < n; ++i) {
                klmWriteInt(w_, list->items[i].width);
                klmWriteInt(w_, list->items[i].field);
                klmWriteInt(w_, list->items[i].descending);
            }
        }
    }

    void items(const KlmItemList& shown, const KlmItemList& hidden, int32_t, bool, std::string_view)
    {
        for (const KlmItemList* list : {&shown, &hidden}) {
            const int32_t n = std::clamp(list->count, 0, KlmItemList::kSlots);
            klmWriteInt(w_, n);
            for (int32_t i = 0; i < n; ++i)
                klmWriteInt(w_, list->items[i]);
        }
    }

    void hardwareKey(const int32_t& position)
    {
        // After an unknown key the position is -1: name the first hardware
        // instead, which is what the dialog shows then.
        const std::vector<MasterEntry>& hw = cat_.hardware;
        if (position >= 0 && static_cast<size_t>(position) < hw.size())
            klmWriteInt(w_, hw[position].key);
        else if (!hw.empty())
            klmWriteInt(w_, hw[0].key);
        else
            klmWriteInt(w_, -1);
    }

    std::string finish()
    {
        klmWriteLine(w_, "[END]");
        return std::move(w_.out);
    }

private:
    KlmSectionWriter w_;
    const Catalogue& cat_;
};

}  // namespace


void klmParseSettingImage(std::string_view image, Settings& s, const Catalogue& cat,
                          const KlmNotifier& notify, KlmSettingIssueList* issues)
{
    SettingReader reader(image, cat, notify, issues);
    visitSettingLines(reader, s);
    reader.finish(s);
}

KlmSettingFileStatus klmReadSettingFile(const std::string& path, Settings& s, const Catalogue& cat,
                                        const KlmNotifier& notify, KlmSettingIssueList* issues,
                                        std::string* error)
{
    // Only a path with nothing at it is "missing"; a folder or a file
    // without read permission there is a failure the caller reports.
    std::error_code ec;
    if (!std::filesystem::exists(path, ec) && !ec)
        return KlmSettingFileStatus::Missing;
    std::string image;
    if (!klmReadWholeFile(path, image, error))
        return KlmSettingFileStatus::Unreadable;
    klmParseSettingImage(image, s, cat, notify, issues);
    return KlmSettingFileStatus::Read;
}

std::string klmSettingFileImage(const Settings& s, const Catalogue& cat)
{
    SettingWriter writer(cat);
    visitSettingLines(writer, s);
    return writer.finish();
}

bool klmWriteSettingFile(const std::string& path, const Settings& s, const Catalogue& cat,
                         std::string* error)
{
    return klmWriteFileAtomic(path, klmSettingFileImage(s, cat), error);
}
