// Where the main window opens and what window.dat keeps of it: the stored
// placement when it suits the screens there are, else the first-run
// geometry (90 % of the work area, centred). Both are outer rectangles, the
// window manager's frame included, as window.dat has always kept them.
#pragma once

#include "settings/window_file.h"

class QMainWindow;

// Places and shows window; false when the first-run geometry was used.
bool klmShowPlaced(QMainWindow& window, const KlmWindowPlacement& stored, bool storedRead);

// The window's placement as window.dat keeps it: the normal rectangle,
// maximized or not, and a minimized window as the state it returns to.
KlmWindowPlacement klmCapturePlacement(QMainWindow& window);
