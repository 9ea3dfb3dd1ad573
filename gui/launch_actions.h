// Starting the selected game: Enter or a double-click on a row, and the
// row's pop-up menu with the emulators of the game's hardware. Until the
// launch itself is built, a game whose hardware has emulators answers that
// the function is not available yet.
#pragma once

#include <cstdint>

class KlmCommandRouter;
class KlmWindowServices;
class QPoint;

// The emulator pop-up's commands (emulator number = id − 33301).
void klmRegisterLaunchCommands(KlmCommandRouter& router, KlmWindowServices& services);

// Launches game with the hardware's emulator emulatorIndex (−1: its default).
void klmLaunchGame(KlmWindowServices& services, int32_t game, int emulatorIndex);

// The row's pop-up menu at globalPos; the chosen item runs its command.
void klmShowGameMenu(KlmWindowServices& services, const KlmCommandRouter& router, const QPoint& globalPos);
