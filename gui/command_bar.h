// The menu bar, the accelerators and the toolbar, made from the command
// table: one QAction per command (object name and data: its id), each
// running the router.
#pragma once

#include <QHash>

#include <cstdint>

class KlmCommandRouter;
class QAction;
class QMainWindow;
class QToolBar;

// The menus of window's menu bar with every table command; commands of no
// menu are window actions, so their keys work anywhere in the window.
QHash<int32_t, QAction*> klmCreateCommandActions(QMainWindow& window, const KlmCommandRouter& router);

// The forty buttons of the toolbar strip, in groups, on the same actions.
void klmFillToolbar(QToolBar& toolbar, const QHash<int32_t, QAction*>& actions);
