#include "media_commands.h"

#include <QGuiApplication>

#include "about_dialog.h"
#include "command_router.h"
#include "dialog_guard.h"
#include "media/movie_scan.h"
#include "media_panes.h"
#include "qt_text.h"
#include "skin_dialogs.h"
#include "ui/command_ids.h"
#include "ui/window_rules.h"
#include "window_services.h"

namespace {

bool isSpeedCommand(int32_t id) { return id == kKlmCmdFaster || id == kKlmCmdSlower || id == kKlmCmdSpeedNormal; }

void transport(KlmWindowServices& services, KlmMediaPanes& media, int32_t id)
{
    Settings& s = services.settings();
    if (!klmMovieTransportCommand(s, id)) return;
    services.setCommandChecked(kKlmCmdMute, s.mute);
    services.repaintStatus();
    if (isSpeedCommand(id)) media.speedChanged();
    else media.volumeChanged();
}

void toggleShowMovie(KlmWindowServices& services, KlmMediaPanes& media)
{
    Settings& s = services.settings();
    s.showMovie = s.showMovie ? 0 : 1;
    services.setCommandChecked(kKlmCmdShowMovie, s.showMovie);
    media.movieDisplayToggled();
}

void toggleLoop(KlmWindowServices& services, KlmMediaPanes& media)
{
    Settings& s = services.settings();
    s.loopPlayback = s.loopPlayback ? 0 : 1;
    services.setCommandChecked(kKlmCmdLoop, s.loopPlayback);
    media.loopToggled();
}

// "動画情報を更新する": the folder decides which games have a movie, the
// movie column is sorted again and the list follows.
void updateMovieInfo(KlmWindowServices& services, KlmMediaPanes& media)
{
    KlmDialogGuard guard(services);
    KlmAppContext& c = services.session();
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    klmUpdateMovieInfo(c.paths, c.catalogue, c.state.browse.orders);
    services.refreshList(false);
    QGuiApplication::restoreOverrideCursor();
    services.message(nullptr, klmU("動画情報を更新しました"), klmU("動画情報更新終了"), QMessageBox::Information);
    // The selected game may have gained or lost its movie.
    media.movieInfoChanged();
}

void showAbout(KlmWindowServices& services)
{
    KlmDialogGuard guard(services);
    KlmAboutDialog about(services.window(), services.pickers().openUrl);
    guard.attach(&about);
    about.exec();
}

// The list dialog works on a copy; OK hands the table back and the panes
// are laid out again with it.
void editSnapSkins(KlmWindowServices& services)
{
    KlmDialogGuard guard(services);
    KlmAppContext& c = services.session();
    KlmSkinListDialog dialog(c.state.skins, c.catalogue, c.paths, c.state.settings.skinDialogSlot, services.window());
    guard.attach(&dialog);
    dialog.setDialogPlacer([&services](QWidget* inner) { klmPlaceDialog(services, inner); });
    if (dialog.exec() != QDialog::Accepted) return;
    c.state.skins = dialog.table();
    c.state.settings.skinDialogSlot = dialog.currentSlot();
    services.picturesChanged();
}

}  // namespace

void klmRegisterMediaCommands(KlmCommandRouter& router, KlmWindowServices& services, KlmMediaPanes& media)
{
    for (int32_t id : {kKlmCmdMute, kKlmCmdVolumeUp, kKlmCmdVolumeDown, kKlmCmdVolumeStandard, kKlmCmdFaster,
                       kKlmCmdSlower, kKlmCmdSpeedNormal})
        router.add(id, [&services, &media, id] { transport(services, media, id); });
    router.add(kKlmCmdPlay, [&media] { media.play(); });
    router.add(kKlmCmdPause, [&media] { media.pause(); });
    router.add(kKlmCmdShowMovie, [&services, &media] { toggleShowMovie(services, media); });
    router.add(kKlmCmdLoop, [&services, &media] { toggleLoop(services, media); });
    router.add(kKlmCmdMovieInfo, [&services, &media] { updateMovieInfo(services, media); });
    router.add(kKlmCmdAbout, [&services] { showAbout(services); });
    router.add(kKlmCmdSnapSkins, [&services] { editSnapSkins(services); });
}
