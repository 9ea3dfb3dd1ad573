// Feeds arbitrary bytes to the setting.dat and window.dat readers. None may
// crash or leave a value outside its range, and what the writer makes of
// whatever was read must read back to the very same bytes.
//
// setting.dat is positional and 200 lines long, so the input is also
// spliced into a sound file at a place chosen by its first byte; that way
// the fuzzer reaches the lists and the late values without first having
// to invent a hundred valid lines.
#include "settings/setting_file.h"
#include "settings/settings.h"
#include "settings/window_file.h"
#include "text/cp932.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

void check(bool ok)
{
    if (!ok)
        __builtin_trap();
}

MasterEntry entry(std::string_view name, int32_t key, int32_t position)
{
    MasterEntry e{};
    e.position = position;
    e.key = key;
    klmCopyField(e.name, name);
    return e;
}

Catalogue makeCatalogue()
{
    Catalogue c;
    c.hardware = {entry("\x83\x74\x83\x40\x83\x7e\x83\x52\x83\x93", 12, 0), entry("MD", 13, 1), entry("PCE", 7, 2)};
    c.software = {entry("ROM", 1, 0), entry("CD", 2, 1)};
    c.developer = {entry("dev", 0, 0)};
    c.publisher = {entry("pub1", 0, 0), entry("pub2", 0, 1)};
    c.genre = {entry("ACT", 1, 0)};
    c.screen = {entry("H", 1, 0), entry("V", 2, 1)};
    c.romSize.resize(2);
    for (int32_t date : {19830715, 19870101, 0}) {
        GameRecord g{};
        g.releaseDate = date;
        g.price = date / 4000;
        c.games.push_back(g);
    }
    return c;
}

bool in(int64_t v, int64_t lo, int64_t hi) { return v >= lo && v <= hi; }

template <size_t N>
bool terminated(const char (&field)[N])
{
    return std::string_view(field, N).find('\0') != std::string_view::npos;
}

void checkLists(const KlmItemList& a, const KlmItemList& b, int32_t lastId)
{
    check(in(a.count, 0, 30) && in(b.count, 0, 30));
    for (const KlmItemList* l : {&a, &b})
        for (int32_t i = 0; i < l->count; ++i)
            check(in(l->items[i], 0, lastId));
}

void checkRanges(const Settings& s, const Catalogue& cat)
{
    const SearchCondition& q = s.search;
    check(in(s.selectedGame, -1, klmGameCount(cat) - 1));
    check(terminated(q.searchText) && terminated(s.renamePattern));
    check(in(q.hardware, 0, 3) && in(q.software, 0, 2) && in(q.developer, 0, 1) && in(q.publisher, 0, 2)
          && in(q.genre, 0, 1) && in(q.screen, 0, 2));
    check(in(q.year, 0, 5) && in(q.price, 0, 4) && in(q.romSize, 0, 2));
    check(in(q.yearQualifier, 0, 2) && in(q.priceQualifier, 0, 2) && in(q.romSizeQualifier, 0, 2));
    check(in(q.searchKind, 0, 21));
    for (int32_t flag : {s.launchedBecomesDefault, q.showOwned, q.showNotRenamed, q.showNotOwned,
                         q.showLaterDisks, q.favoritesOnly, s.striped, s.gridLines, s.colourByOwnership,
                         s.fitColumnsOnRefresh, s.blankLineUnderTitle, s.showStatusBar, s.showToolbar,
                         s.infoVariant, s.romSizeFormat, s.mute, s.showMovie, s.loopPlayback,
                         s.crcZerosOwned, s.crcOnesOwned, s.titleMode, s.centreDialogs,
                         s.pauseMovieForDialogs, s.wheelSelection, s.showInfoIcon, s.showInfoText,
                         s.renameInsideArchives})
        check(in(flag, 0, 1));
    check(in(s.listIconSource, 100, 101));
    for (const KlmFont* f : {&s.listFont, &s.infoFont, &s.searchFont, &s.statusFont})
        check(terminated(f->faceName));
    for (int32_t c : {s.ownedColour, s.notRenamedColour, s.notOwnedColour})
        check(in(c, 0, 0xFFFFFF));
    check(in(s.volume, 0, 100) && in(s.speed, 600, 2000));
    check(in(s.shownColumns.count, 1, 30) && in(s.hiddenColumns.count, 0, 30));
    check(s.shownColumns.items[0].field == 0);
    check(in(s.sortColumn, 0, s.shownColumns.count - 1));
    for (const KlmColumnList* l : {&s.shownColumns, &s.hiddenColumns})
        for (int32_t i = 0; i < l->count; ++i)
            check(in(l->items[i].field, 0, 18) && in(l->items[i].width, 0, 32767));
    check(in(s.fieldDialogTarget, 0, 3));
    checkLists(s.detailedShown, s.detailedHidden, 18);
    checkLists(s.simpleShown, s.simpleHidden, 18);
    checkLists(s.statusShown, s.statusHidden, 7);
    check(s.detailedShown.count >= 1 && s.detailedShown.items[0] == 0);
    check(s.simpleShown.count >= 1 && s.simpleShown.items[0] == 0);
    check(in(s.emulatorDialogHardware, -1, 2));
    check(s.listScrollRow >= 0 && in(s.splitX, 0, 32767) && in(s.splitY, 0, 32767));
    check(in(s.tooltipContent, 0, 2) && in(s.dateFormat, 0, 5) && in(s.priceFormat, 0, 3));
    check(in(s.skinDialogSlot, 0, 999));
    check(in(s.autoSelectOrder, 0, 2) && s.autoSelectInterval >= 100 && in(s.movieAspect, 0, 2));
    check(in(s.zipLevel, 0, 5) && in(s.sevenZipLevel, 0, 5));
}

void fuzzSettings(std::string_view image, const Catalogue& cat)
{
    const KlmNotifier quiet = [](const std::string&, const std::string&) {};
    Settings s = klmDefaultSettings();
    klmParseSettingImage(image, s, cat, quiet);
    checkRanges(s, cat);

    const std::string once = klmSettingFileImage(s, cat);
    Settings again = klmDefaultSettings();
    KlmSettingIssueList issues;
    klmParseSettingImage(once, again, cat, quiet, &issues);
    check(issues.empty());
    check(klmSettingFileImage(again, cat) == once);
}

void fuzzWindow(std::string_view image)
{
    KlmWindowPlacement p;
    if (klmParseWindowImage(image, p) != KlmWindowFileStatus::Read)
        return;
    const std::string once = klmWindowFileImage(p);
    KlmWindowPlacement again;
    check(klmParseWindowImage(once, again) == KlmWindowFileStatus::Read);
    check(again.showCmd != kKlmShowMinimized && again.showCmd != kKlmShowMinimizedNoActive);
    check(klmWindowFileImage(again) == once);
    (void)klmIsSanePlacement(p, {{0, 0, 1920, 1040}, {-1280, -200, 0, 824}});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const Catalogue cat = makeCatalogue();
    static const std::string sound = klmSettingFileImage(klmDefaultSettings(), cat);
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    fuzzSettings(input, cat);
    fuzzWindow(input);

    if (size > 0) {
        // Replace a run of lines of a sound file with the input's lines.
        std::vector<std::string_view> lines;
        for (size_t pos = 0; pos < sound.size();) {
            size_t end = sound.find('\n', pos);
            lines.push_back(std::string_view(sound).substr(pos, end + 1 - pos));
            pos = end + 1;
        }
        const size_t at = (data[0] * lines.size()) / 256;
        const std::string_view rest = input.substr(1);
        const size_t replaced = 1 + static_cast<size_t>(std::count(rest.begin(), rest.end(), '\n'));
        std::string spliced;
        for (size_t i = 0; i < at; ++i)
            spliced += lines[i];
        spliced += rest;
        spliced += "\r\n";
        for (size_t i = at + replaced; i < lines.size(); ++i)
            spliced += lines[i];
        fuzzSettings(spliced, cat);
    }
    return 0;
}
