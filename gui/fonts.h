// The four stored font descriptions on the main window's panes: the list
// font on the game list, the game-info font on the info text, the search
// font on every search control and the status font on the status bar.
#pragma once

#include "settings/settings.h"

class KlmStatusBar;
class QTableView;
class QWidget;
class SearchBar;

// Applies the four fonts of the window's settings (each drawn as
// klmDrawingFont draws a stored record) and keeps the list's row height in
// step with its font. The caller lays the window out again.
void klmApplyFonts(const Settings& s, QTableView* list, QWidget* info, SearchBar* search, KlmStatusBar* status);
