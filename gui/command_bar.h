// The menu bar and the toolbar, made from the command table: one QAction
// per command (object name and data: its id), each running the router. The
// actions carry no shortcuts: the keys are the accelerators' (accelerators.h),
// and a menu shows the key hint its caption holds after the tab.
#pragma once

#include <QHash>

#include <cstdint>

class KlmCommandRouter;
class QAction;
class QMainWindow;
class QToolBar;

// The menus of window's menu bar with every table command (the keys of no
// menu get an action too, so every command has one).
QHash<int32_t, QAction*> klmCreateCommandActions(QMainWindow& window, const KlmCommandRouter& router);

// The forty buttons of the toolbar strip, in groups, on the same actions.
void klmFillToolbar(QToolBar& toolbar, const QHash<int32_t, QAction*>& actions);
