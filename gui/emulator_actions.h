// The emulator registry in the window: command 32813 opens the registry
// dialog on a copy of the session's registry, and OK hands the copy back
// (emulator.dat is written by the save at close, or by a launch that makes
// its emulator the default).
#pragma once

class KlmCommandRouter;
class KlmWindowServices;

void klmRegisterEmulatorCommands(KlmCommandRouter& router, KlmWindowServices& services);

// The registry dialog with the window's pickers, inside the dialog guard.
void klmOpenEmulatorDialog(KlmWindowServices& services);
