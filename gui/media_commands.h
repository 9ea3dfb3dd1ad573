// The window's media commands: the movie transport (play, pause, volume,
// speed, show movie, loop), the movie-info update, the about box and the
// snap-skin dialog. Settings change by the window's rules and the media
// panes follow at once.
#pragma once

class KlmCommandRouter;
class KlmMediaPanes;
class KlmWindowServices;

void klmRegisterMediaCommands(KlmCommandRouter& router, KlmWindowServices& services, KlmMediaPanes& media);
