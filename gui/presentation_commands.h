// The 設定 menu's display settings (32811), fonts and colours (32831) and
// field items (32899). Each dialog edits copies between the dialog
// prologue and epilogue; OK stores them and puts the window in step with
// what changed, Cancel stores nothing.
#pragma once

class KlmCommandRouter;
class KlmWindowServices;
struct KlmWindowParts;

void klmRegisterPresentationCommands(KlmCommandRouter& router, KlmWindowServices& services,
                                     const KlmWindowParts& parts);
