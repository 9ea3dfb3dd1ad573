// The commands of the 表示 menu that change a setting and what shows it:
// the title mode, wheel selection, the five view filters and the three
// state colours. The 動画 menu is media_commands.
#pragma once

class KlmCommandRouter;
class KlmWindowServices;

void klmRegisterViewCommands(KlmCommandRouter& router, KlmWindowServices& services);

// The colour of item 0 (owned), 1 (not renamed) or 2 (not owned), chosen
// in the colour picker.
void klmChooseStateColour(KlmWindowServices& services, int item);
