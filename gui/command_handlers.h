// Which part of the window handles which commands: every part registers
// its handlers on the router here, one line per part. A command that gets
// a handler later is one more line (or one more router.add) here.
#pragma once

class KlmClientArea;
class KlmCommandRouter;
class KlmGameListView;
class KlmMediaPanes;
class KlmStatusBar;
class KlmWindowServices;
class QPlainTextEdit;
class QToolBar;
class SearchBar;

struct KlmWindowParts {
    SearchBar& search;
    KlmGameListView& list;
    // What the display, font and field-item settings change.
    QPlainTextEdit& info;
    KlmStatusBar& status;
    QToolBar& toolbar;
    KlmClientArea& area;
    KlmMediaPanes& media;
};

void klmRegisterCommandHandlers(KlmCommandRouter& router, KlmWindowServices& services, const KlmWindowParts& parts);
