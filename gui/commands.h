// The main window's menu and key table: every command with its id, menu,
// caption (UTF-8, the tab and key hint included) and key.
#pragma once

#include <QKeySequence>

#include <vector>

enum class KlmMenu { File, View, Search, Movie, Settings, Help, None };

struct KlmCommandDef {
    int id;
    KlmMenu menu;
    const char* caption;     // UTF-8; for keys that are not menu items, a name
    QKeySequence key;
    bool checkable = false;
    bool separatorBefore = false;
};

// In menu order; the keys that are no menu items come last (menu None).
const std::vector<KlmCommandDef>& klmCommandTable();

// Captions of the six pop-ups, in menu-bar order.
const char* klmMenuCaption(KlmMenu menu);

// Named command ids used by the window code.
namespace klmcmd {
enum : int {
    Audit = 32800, AuditReset = 32801, Rename = 42300, RenameEach = 42301, MovieInfo = 32849,
    Properties = 33800, Exit = 105,
    TitleMode = 32848, WheelSelect = 35002, AutoSelect = 34000,
    ShowOwned = 32808, ShowNotRenamed = 42299, ShowNotOwned = 32809, ShowLaterDisks = 32810,
    FavoritesOnly = 32841, FavoriteAdd = 32842, FavoriteRemove = 32843, FavoriteSave = 35000,
    FavoriteLoad = 35001,
    SearchTitle = 33000, SearchHardware = 33001, SearchSize = 33009, ResetAll = 33010,
    ResetText = 33011, ResetHardware = 33012, ResetScreen = 33017, ResetYear = 33018,
    ResetPrice = 33019, ResetSize = 33020,
    Play = 32772, Pause = 32773, Mute = 32777, VolumeUp = 32774, VolumeDown = 32775,
    VolumeStandard = 33103, Faster = 33100, Slower = 33101, SpeedNormal = 33102,
    ShowMovie = 32830, Loop = 32835,
    RomFolders = 40000, RenameSettings = 42302, Emulators = 32813, Display = 32811,
    FontsColours = 32831, FieldItems = 32899, SnapSkins = 33600, Replacements = 40200, About = 104,
    FocusNext = 32778, FocusPrevious = 32779, ArchiverTest = 44444,
    EmulatorFirst = 33301, EmulatorLast = 33330,
    OwnedColour = 32844, NotRenamedColour = 22840, NotOwnedColour = 32845,
};
}
