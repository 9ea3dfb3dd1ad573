// Which part of the window handles which commands: every part registers
// its handlers on the router here, one line per part. A command that gets
// a handler later is one more line (or one more router.add) here.
#pragma once

class KlmCommandRouter;
class KlmGameListView;
class KlmMediaPanes;
class KlmWindowServices;
class SearchBar;

struct KlmWindowParts {
    SearchBar& search;
    KlmGameListView& list;
    KlmMediaPanes& media;
};

void klmRegisterCommandHandlers(KlmCommandRouter& router, KlmWindowServices& services, const KlmWindowParts& parts);
