#include "emulator_actions.h"

#include "command_router.h"
#include "dialog_guard.h"
#include "emulator_dialogs.h"
#include "file_pickers.h"
#include "ui/command_ids.h"
#include "window_services.h"

namespace {

// The pickers of the add/edit box as the window runs them: a test's hook
// answers in place of the user; the real picker is placed as every dialog
// of the window is. The program and folder pickers start where the last
// choice of this run was.
KlmPicker windowPicker(KlmWindowServices& services)
{
    return [&services](QWidget* parent, const KlmPickRequest& request) {
        KlmPickers& pickers = services.pickers();
        KlmPickRequest r = request;
        QString* last = r.kind == KlmPickRequest::Program  ? &pickers.lastEmulatorFile
                        : r.kind == KlmPickRequest::Folder ? &pickers.lastExtractFolder
                                                           : nullptr;
        if (last && !last->isEmpty()) r.start = *last;
        QString chosen;
        if (r.kind == KlmPickRequest::Folder)
            chosen = klmPickFolder(services, parent, r.title, r.prompt, r.start);
        else if (pickers.openFile)
            chosen = pickers.openFile(r.start);
        else
            chosen = klmPlacedPicker(parent, r, [&services](QWidget* picker) { klmPlaceDialog(services, picker); });
        if (last && !chosen.isEmpty()) *last = chosen;
        return chosen;
    };
}

}  // namespace

void klmOpenEmulatorDialog(KlmWindowServices& services)
{
    KlmAppContext& c = services.session();
    Settings& s = c.state.settings;
    KlmDialogGuard guard(services);
    EmulatorDialog dialog(services.window(), c.state.emulators, c.catalogue, s.emulatorDialogHardware,
                          s.launchedBecomesDefault != 0, QString::fromStdString(c.paths.iconDir),
                          QString::fromStdString(c.paths.tempDir), windowPicker(services));
    guard.attach(&dialog);
    if (dialog.exec() != QDialog::Accepted) return;
    c.state.emulators = dialog.registry();
    s.emulatorDialogHardware = dialog.hardware();
    s.launchedBecomesDefault = dialog.launchedBecomesDefault() ? 1 : 0;
}

void klmRegisterEmulatorCommands(KlmCommandRouter& router, KlmWindowServices& services)
{
    router.add(kKlmCmdEmulators, [&services] { klmOpenEmulatorDialog(services); });
}
