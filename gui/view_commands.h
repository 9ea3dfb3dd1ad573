// The commands of the 表示 and 動画 menus that change a setting and what
// shows it: the title mode, wheel selection, the five view filters, the
// three state colours and the movie transport (volume, speed, show, loop).
// Play and pause belong to the movie window; until it exists they do
// nothing, as they do while no movie can play.
#pragma once

class KlmCommandRouter;
class KlmWindowServices;

void klmRegisterViewCommands(KlmCommandRouter& router, KlmWindowServices& services);

// The colour of item 0 (owned), 1 (not renamed) or 2 (not owned), chosen
// in the colour picker.
void klmChooseStateColour(KlmWindowServices& services, int item);
