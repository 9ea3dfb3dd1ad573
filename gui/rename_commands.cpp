#include "rename_commands.h"

#include "command_router.h"
#include "dialog_guard.h"
#include "game_list_view.h"
#include "qt_text.h"
#include "rename/rename_run.h"
#include "rename_run_dialog.h"
#include "ui/command_ids.h"
#include "window_services.h"

namespace {

void runRename(KlmWindowServices& services, const KlmGameListView& list, int32_t command)
{
    KlmAppContext& c = services.session();
    c.state.renameCommand = command;
    KlmDialogGuard guard(services, KlmGuardOrder::MovieFirst);
    if (services.message(services.window(), klmU(kKlmRenameConfirmText), klmU(kKlmRenameConfirmTitle),
                         QMessageBox::NoIcon, QMessageBox::Ok | QMessageBox::Cancel)
        != QMessageBox::Ok)
        return;

    KlmRenameRun run;
    const std::vector<int32_t> candidates =
        klmRenameCandidates(c.catalogue, c.state.browse.view, c.state.renameCommand, list.selectedRowList());
    const KlmRenameStartMessages warnings = klmRenameStart(run, c.catalogue, c.state.settings, candidates);
    for (const char* text : warnings)
        services.message(services.window(), klmU(text), klmU(kKlmRenameWarningTitle), QMessageBox::Information);
    if (!warnings.empty())
        return;
    {
        RenameRunDialog dialog(services.window(), run);
        guard.attach(&dialog);
        dialog.exec();
    }
    // Finished or cancelled, the games handled so far keep their new names:
    // the status bar counts them and the list shows them (no summary). The
    // guard then resumes the movie and auto-selection.
    services.ownershipChanged();
}

}  // namespace

void klmRegisterRenameRunCommands(KlmCommandRouter& router, KlmWindowServices& services, KlmGameListView& list)
{
    router.add(kKlmCmdRename, [&services, &list] { runRename(services, list, kKlmCmdRename); });
    router.add(kKlmCmdRenameEach, [&services, &list] { runRename(services, list, kKlmCmdRenameEach); });
}
