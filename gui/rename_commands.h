// Commands 42300 (rename every owned ROM that is not renamed yet) and 42301
// (the same for the selected rows, also the list's pop-up entry): the
// window's prologue, the start box, the warnings of a start that does not
// start, the progress dialog and the window's finish.
#pragma once

class KlmCommandRouter;
class KlmGameListView;
class KlmWindowServices;

void klmRegisterRenameRunCommands(KlmCommandRouter& router, KlmWindowServices& services, KlmGameListView& list);
