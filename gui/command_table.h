// The main window's menu and key table: every command of the menus and
// accelerators with its caption (UTF-8, the tab and key hint included), its
// menu and its key. The menus, the toolbar, the accelerators and the
// command router all read this one table; the ids are those of
// ui/command_ids.h.
#pragma once

#include <QKeySequence>
#include <QString>

#include <cstdint>
#include <vector>

#include "ui/command_ids.h"

enum class KlmMenu { File, View, Search, Movie, Settings, Help, None };

struct KlmCommandDef {
    int32_t id;
    KlmMenu menu;
    const char* caption;  // UTF-8; for keys that are not menu items, a name
    QKeySequence key;
    bool checkable = false;
    bool separatorBefore = false;
    const char* tip = nullptr;  // the toolbar tip when it is not the caption's
};

// In menu order; the keys that are no menu items come last (menu None).
const std::vector<KlmCommandDef>& klmCommandTable();
// The entry of an id, null for an id that is no menu item or key.
const KlmCommandDef* klmCommandDef(int32_t id);

// Captions of the six pop-ups, in menu-bar order.
const char* klmMenuCaption(KlmMenu menu);

// A toolbar button's tip: the menu text without its mnemonic, the key
// three spaces after it.
QString klmCommandTip(const KlmCommandDef& def);
