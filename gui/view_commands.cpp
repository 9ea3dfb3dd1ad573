#include "view_commands.h"

#include "browse/refresh.h"
#include "command_router.h"
#include "dialog_guard.h"
#include "pickers.h"
#include "ui/window_rules.h"
#include "window_services.h"

namespace {

void toggleViewFilter(KlmWindowServices& services, int32_t id)
{
    KlmAppContext& c = services.session();
    KlmMainState& st = c.state;
    KlmViewFilter which;
    if (!klmViewFilterOfCommand(id, which)) return;
    st.browse.selectedGame = st.settings.selectedGame;
    // Hiding later disks keeps the game selected through its first disk.
    services.setCommandChecked(id, klmToggleViewFilter(st.browse, st.settings, c.catalogue, which));
    st.settings.selectedGame = st.browse.selectedGame;
    services.refreshList(false);
}

}  // namespace

void klmChooseStateColour(KlmWindowServices& services, int item)
{
    if (item < 0 || item >= kKlmStateColourCount) return;
    const auto state = static_cast<KlmStateColour>(item);
    int32_t& colour = klmStateColour(services.settings(), state);
    // The picker is a dialog like any other: the movie and auto-selection
    // wait for it.
    KlmDialogGuard guard(services);
    const KlmColourPicker& hook = services.pickers().colour;
    const int32_t picked = klmPickStateColour(services.window(), state, colour, hook ? hook : klmRunColourPicker);
    if (picked == colour) return;
    colour = picked;
    services.repaintList();
    services.repaintStatus();
}

void klmRegisterViewCommands(KlmCommandRouter& router, KlmWindowServices& services)
{
    router.add(kKlmCmdTitleMode, [&services] {
        services.setCommandChecked(kKlmCmdTitleMode, klmToggleTitleMode(services.settings()));
        services.refreshList(false);
    });
    router.add(kKlmCmdWheelSelect, [&services] {
        Settings& s = services.settings();
        s.wheelSelection = s.wheelSelection ? 0 : 1;
        services.setCommandChecked(kKlmCmdWheelSelect, s.wheelSelection);
        services.focusList();
    });
    for (int32_t id : {kKlmCmdShowOwned, kKlmCmdShowNotRenamed, kKlmCmdShowNotOwned, kKlmCmdShowLaterDisks,
                       kKlmCmdFavoritesOnly})
        router.add(id, [&services, id] { toggleViewFilter(services, id); });

    router.add(kKlmCmdOwnedColour, [&services] { klmChooseStateColour(services, 0); });
    router.add(kKlmCmdNotRenamedColour, [&services] { klmChooseStateColour(services, 1); });
    router.add(kKlmCmdNotOwnedColour, [&services] { klmChooseStateColour(services, 2); });
}
