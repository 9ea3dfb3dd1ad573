#include "presentation_commands.h"

#include <QDialog>
#include <QPlainTextEdit>
#include <QToolBar>

#include <optional>

#include "client_area.h"
#include "command_handlers.h"
#include "command_router.h"
#include "dialog_guard.h"
#include "display_dialog.h"
#include "field_items_dialog.h"
#include "font_colour_dialog.h"
#include "fonts.h"
#include "game_list_view.h"
#include "status_bar.h"
#include "ui/command_ids.h"
#include "ui/field_items.h"
#include "window_services.h"

namespace {

// The dialog is placed by the prologue once it is shown.
std::function<void(QDialog&)> placedBy(KlmDialogGuard& guard)
{
    return [&guard](QDialog& dialog) { guard.attach(&dialog); };
}

void repaintWindow(KlmWindowServices& services, const KlmWindowParts& parts)
{
    parts.area.update();
    services.repaintList();
    services.repaintStatus();
}

// One step of applying confirmed display settings; the Settings and the
// Catalogue already hold the new values.
void runDisplayStep(KlmDisplayStep step, KlmWindowServices& services, const KlmWindowParts& parts)
{
    const Settings& s = services.settings();
    using S = KlmDisplayStep;
    switch (step) {
    case S::ShowInfoPanes:
        if (QWidget* icon = parts.area.pane(KlmPane::InfoIcon)) icon->setVisible(s.showInfoIcon != 0);
        parts.info.setVisible(s.showInfoText != 0);
        break;
    case S::ZerosCrcRule:
    case S::OnesCrcRule:
        // The games were reclassified with the texts; the counts follow
        // now, the rows at the refresh.
        parts.status.recount();
        break;
    case S::FormatDates:
    case S::FormatPrices:
    case S::FormatSizes:
        // The catalogue's texts are rebuilt; the refresh shows them.
        break;
    case S::GridLines: parts.list.setShowGrid(s.gridLines != 0); break;
    case S::StatusBar: parts.status.setVisible(s.showStatusBar != 0); break;
    case S::Toolbar: parts.toolbar.setVisible(s.showToolbar != 0); break;
    case S::ListIcons: services.repaintList(); break;  // the list reads the source as it paints
    case S::SplitterBounds: break;                     // the layout clamps them before it places the panes
    case S::RefreshList: services.refreshList(false); break;
    case S::Layout: parts.area.layOut(); break;
    case S::InfoText: break;  // the refresh rebuilt it for the selected game
    case S::RedrawSnapshots: services.picturesChanged(); break;
    case S::Repaint: repaintWindow(services, parts); break;
    case S::RestartAutoSelect: break;  // the guard's epilogue restarts it with the new interval
    }
}

void editDisplaySettings(KlmWindowServices& services, const KlmWindowParts& parts)
{
    KlmAppContext& c = services.session();
    SkinTable& skins = c.state.skins;
    const KlmDisplayValues before{c.state.settings, skins.frameWidth, skins.alwaysDefault};
    KlmDialogGuard guard(services);
    const std::optional<KlmDisplayValues> after = klmEditDisplaySettings(services.window(), before, placedBy(guard));
    if (!after) return;
    c.state.settings = after->settings;
    // The default frame belongs to the snap skins (skin.dat).
    skins.frameWidth = after->frameWidth;
    skins.alwaysDefault = after->alwaysDefault;
    const std::vector<KlmDisplayStep> steps = klmDisplayApplySteps(before, *after);
    klmApplyDisplayToCatalogue(c.catalogue, c.state.settings, steps);
    for (KlmDisplayStep step : steps) runDisplayStep(step, services, parts);
}

void editFontsColours(KlmWindowServices& services, const KlmWindowParts& parts)
{
    KlmDialogGuard guard(services);
    const KlmPickers& pickers = services.pickers();
    const std::optional<Settings> edited =
        klmEditFontsColours(services.window(), services.settings(), placedBy(guard),
                            pickers.font ? pickers.font : KlmFontPicker(klmRunFontPicker),
                            pickers.colour ? pickers.colour : KlmColourPicker(klmRunColourPicker));
    if (!edited) return;
    Settings& s = services.settings();
    for (int slot = 0; slot < kKlmFontSlotCount; ++slot)
        klmFontSlot(s, static_cast<KlmFontSlot>(slot)) = klmFontSlot(*edited, static_cast<KlmFontSlot>(slot));
    for (int state = 0; state < kKlmStateColourCount; ++state)
        klmStateColour(s, static_cast<KlmStateColour>(state)) = klmStateColour(*edited, static_cast<KlmStateColour>(state));
    klmApplyFonts(s, &parts.list, &parts.info, &parts.search, &parts.status);
    // The heights of the search rows and the status bar follow their fonts.
    parts.area.layOut();
    repaintWindow(services, parts);
}

void editFieldItems(KlmWindowServices& services, const KlmWindowParts& parts)
{
    KlmDialogGuard guard(services);
    // A column carries the width the user left it at.
    parts.list.storeColumnWidths();
    const std::optional<Settings> edited = klmEditFieldItems(services.window(), services.settings(), placedBy(guard));
    if (!edited) return;
    klmTakeFieldItems(services.settings(), *edited);
    parts.list.rebuildColumns();
    parts.status.update();
    services.refreshList(false);
    repaintWindow(services, parts);
}

}  // namespace

void klmRegisterPresentationCommands(KlmCommandRouter& router, KlmWindowServices& services,
                                     const KlmWindowParts& parts)
{
    // The parts outlive the router; the struct of references is copied.
    router.add(kKlmCmdDisplay, [&services, parts] { editDisplaySettings(services, parts); });
    router.add(kKlmCmdFontsColours, [&services, parts] { editFontsColours(services, parts); });
    router.add(kKlmCmdFieldItems, [&services, parts] { editFieldItems(services, parts); });
}
