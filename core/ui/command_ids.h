// Every command of the main window by id: the menus, accelerators, toolbar
// buttons, pop-up menus and child notifications that the window routes.
// The ids are those the program has always used (the save files and the
// tests name them), so each is spelled out here once and only here.
#pragma once

#include <cstdint>

// ファイル
inline constexpr int32_t kKlmCmdAudit = 32800;
inline constexpr int32_t kKlmCmdAuditReset = 32801;
inline constexpr int32_t kKlmCmdRename = 42300;
inline constexpr int32_t kKlmCmdRenameEach = 42301;
inline constexpr int32_t kKlmCmdMovieInfo = 32849;
inline constexpr int32_t kKlmCmdProperties = 33800;
inline constexpr int32_t kKlmCmdExit = 105;

// 表示
inline constexpr int32_t kKlmCmdTitleMode = 32848;
inline constexpr int32_t kKlmCmdWheelSelect = 35002;
inline constexpr int32_t kKlmCmdAutoSelect = 34000;
inline constexpr int32_t kKlmCmdShowOwned = 32808;       // F1
inline constexpr int32_t kKlmCmdShowNotRenamed = 42299;  // F2
inline constexpr int32_t kKlmCmdShowNotOwned = 32809;    // F3
inline constexpr int32_t kKlmCmdShowLaterDisks = 32810;  // F4
inline constexpr int32_t kKlmCmdFavoritesOnly = 32841;   // F5
inline constexpr int32_t kKlmCmdFavoriteAdd = 32842;
inline constexpr int32_t kKlmCmdFavoriteRemove = 32843;
inline constexpr int32_t kKlmCmdFavoriteSave = 35000;
inline constexpr int32_t kKlmCmdFavoriteLoad = 35001;

// 検索: the search-by-selected commands run 33000–33009 and the resets
// 33010–33020, each block in the order of the search bar's lists.
inline constexpr int32_t kKlmCmdSearchTitle = 33000;  // Ctrl+T
inline constexpr int32_t kKlmCmdSearchHardware = 33001;
inline constexpr int32_t kKlmCmdSearchSoftware = 33002;
inline constexpr int32_t kKlmCmdSearchDeveloper = 33003;
inline constexpr int32_t kKlmCmdSearchPublisher = 33004;
inline constexpr int32_t kKlmCmdSearchGenre = 33005;
inline constexpr int32_t kKlmCmdSearchScreen = 33006;
inline constexpr int32_t kKlmCmdSearchYear = 33007;
inline constexpr int32_t kKlmCmdSearchPrice = 33008;
inline constexpr int32_t kKlmCmdSearchRomSize = 33009;  // Ctrl+B
inline constexpr int32_t kKlmCmdResetAll = 33010;       // Alt+A
inline constexpr int32_t kKlmCmdResetText = 33011;
inline constexpr int32_t kKlmCmdResetHardware = 33012;
inline constexpr int32_t kKlmCmdResetSoftware = 33013;
inline constexpr int32_t kKlmCmdResetDeveloper = 33014;
inline constexpr int32_t kKlmCmdResetPublisher = 33015;
inline constexpr int32_t kKlmCmdResetGenre = 33016;
inline constexpr int32_t kKlmCmdResetScreen = 33017;
inline constexpr int32_t kKlmCmdResetYear = 33018;
inline constexpr int32_t kKlmCmdResetPrice = 33019;
inline constexpr int32_t kKlmCmdResetRomSize = 33020;

// 動画
inline constexpr int32_t kKlmCmdPlay = 32772;
inline constexpr int32_t kKlmCmdPause = 32773;
inline constexpr int32_t kKlmCmdMute = 32777;
inline constexpr int32_t kKlmCmdVolumeUp = 32774;
inline constexpr int32_t kKlmCmdVolumeDown = 32775;
inline constexpr int32_t kKlmCmdVolumeStandard = 33103;
inline constexpr int32_t kKlmCmdFaster = 33100;
inline constexpr int32_t kKlmCmdSlower = 33101;
inline constexpr int32_t kKlmCmdSpeedNormal = 33102;
inline constexpr int32_t kKlmCmdShowMovie = 32830;
inline constexpr int32_t kKlmCmdLoop = 32835;

// 設定
inline constexpr int32_t kKlmCmdRomFolders = 40000;
inline constexpr int32_t kKlmCmdRenameSettings = 42302;
inline constexpr int32_t kKlmCmdEmulators = 32813;
inline constexpr int32_t kKlmCmdDisplay = 32811;
inline constexpr int32_t kKlmCmdFontsColours = 32831;
inline constexpr int32_t kKlmCmdFieldItems = 32899;
inline constexpr int32_t kKlmCmdSnapSkins = 33600;
inline constexpr int32_t kKlmCmdReplacements = 40200;

// ヘルプ
inline constexpr int32_t kKlmCmdAbout = 104;

// Keys that are no menu items.
inline constexpr int32_t kKlmCmdFocusNext = 32778;      // Tab
inline constexpr int32_t kKlmCmdFocusPrevious = 32779;  // Shift+Tab
inline constexpr int32_t kKlmCmdArchiverTest = 44444;   // Alt+Up

// Pop-up menus: the status bar's colour items and the list's emulators
// (emulator number = id − kKlmCmdEmulatorFirst).
inline constexpr int32_t kKlmCmdOwnedColour = 32844;
inline constexpr int32_t kKlmCmdNotRenamedColour = 22840;
inline constexpr int32_t kKlmCmdNotOwnedColour = 32845;
inline constexpr int32_t kKlmCmdEmulatorFirst = 33301;
inline constexpr int32_t kKlmCmdEmulatorLast = 33330;
