#include "command_handlers.h"

#include "audit_dialog.h"
#include "favorites_actions.h"
#include "launch_actions.h"
#include "media_commands.h"
#include "presentation_commands.h"
#include "rename_dialogs.h"
#include "replace_dialogs.h"
#include "romfolder_dialog.h"
#include "search_bar.h"
#include "view_commands.h"

void klmRegisterCommandHandlers(KlmCommandRouter& router, KlmWindowServices& services, const KlmWindowParts& parts)
{
    klmRegisterAuditCommands(router, services);
    klmRegisterRomFolderCommands(router, services);
    klmRegisterRenameCommands(router, services);
    klmRegisterReplaceCommands(router, services);
    klmRegisterViewCommands(router, services);
    klmRegisterSearchCommands(router, services, parts.search);
    klmRegisterFavoriteCommands(router, services, parts.list);
    klmRegisterLaunchCommands(router, services);
    klmRegisterPresentationCommands(router, services, parts);
    klmRegisterMediaCommands(router, services, parts.media);
}
