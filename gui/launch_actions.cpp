#include "launch_actions.h"

#include <QActionGroup>
#include <QMenu>

#include "command_router.h"
#include "emulator/launch.h"
#include "launch_runner.h"
#include "process.h"
#include "qt_text.h"
#include "ui/command_ids.h"
#include "ui/game_text.h"
#include "window_services.h"

namespace {

// Ended programs are looked for this often while any are running.
constexpr int kReapEveryMs = 1000;

}  // namespace

KlmLauncher::KlmLauncher(KlmWindowServices& services, QObject* parent) : QObject(parent), services_(services)
{
    setObjectName(QStringLiteral("launcher"));
    reapTimer_.setInterval(kReapEveryMs);
    connect(&reapTimer_, &QTimer::timeout, this, &KlmLauncher::reap);
}

KlmLauncher& KlmLauncher::of(KlmWindowServices& services)
{
    QWidget* window = services.window();
    if (auto* launcher = window->findChild<KlmLauncher*>(QString(), Qt::FindDirectChildrenOnly)) return *launcher;
    return *new KlmLauncher(services, window);
}

void KlmLauncher::reap()
{
    klm::platform::reapEndedPrograms(running_);
    if (running_.empty()) reapTimer_.stop();
}

void KlmLauncher::launch(int32_t game, int emulatorIndex)
{
    KlmAppContext& c = services_.session();
    if (game < 0 || game >= klmGameCount(c.catalogue)) return;
    if (busy()) {
        klmWarningBeep(services_.window());
        return;
    }
    const KlmLaunchPlan plan =
        klmPlanLaunch(c.catalogue, c.state.emulators, c.state.settings, {game, emulatorIndex, klmNewLaunchTag()});
    if (plan.status != KlmLaunchStatus::Ready) {
        // No emulator, or a ROM that cannot be unpacked: the movie plays on.
        if (!plan.message.empty())
            services_.message(services_.window(), QString::fromStdString(plan.message),
                              QString::fromStdString(plan.title),
                              plan.warningIcon ? QMessageBox::Warning : QMessageBox::Information);
        return;
    }

    services_.pauseMovieForDialog();
    // The launch's boxes come later, from timers; auto-selection waits for
    // them as it waits for every dialog.
    services_.suspendAutoSelect();
    KlmLaunchContext context;
    context.owner = services_.window();
    context.registry = &c.state.emulators;
    context.catalogue = &c.catalogue;
    context.emulatorDat = c.paths.emulatorDat;
    context.extracted = &c.state.extracted;
    auto* run = new KlmLaunchRunner(context, this);
    runner_ = run;
    connect(run, &KlmLaunchRunner::finished, this, [this, run] {
        runner_.clear();
        run->deleteLater();
        services_.resumeAutoSelect();
        Q_EMIT launchEnded(run->pid());
    });
    if (run->start(plan)) {
        running_.push_back(run->pid());
        if (!reapTimer_.isActive()) reapTimer_.start();
        // The game is being played: the movie stays paused, as after every
        // launch, and no dialog's end may resume it.
        c.state.pausedForDialog = false;
    } else {
        // Nothing started: the movie goes on where it was.
        services_.resumeMovieAfterDialog();
    }
}

void klmLaunchGame(KlmWindowServices& services, int32_t game, int emulatorIndex)
{
    KlmLauncher::of(services).launch(game, emulatorIndex);
}

void klmRegisterLaunchCommands(KlmCommandRouter& router, KlmWindowServices& services)
{
    KlmLauncher::of(services);
    router.add(kKlmCmdEmulatorFirst, kKlmCmdEmulatorLast, [&services](int32_t id) {
        klmLaunchGame(services, services.settings().selectedGame, id - kKlmCmdEmulatorFirst);
    });
}

void klmShowGameMenu(KlmWindowServices& services, const KlmCommandRouter& router, const QPoint& globalPos)
{
    const KlmAppContext& c = services.session();
    const int32_t game = c.state.settings.selectedGame;
    if (game < 0 || game >= klmGameCount(c.catalogue)) return;
    QMenu menu(services.window());
    const int32_t hardware = c.catalogue.games[static_cast<size_t>(game)].hardware;
    if (const EmulatorBlock* block = klmEmulatorBlock(c.state.emulators, hardware); block && block->count > 0) {
        auto* group = new QActionGroup(&menu);
        for (int32_t i = 0; i < block->count; ++i) {
            QAction* a = menu.addAction(klmQ(klmField(block->entries[static_cast<size_t>(i)].name)));
            a->setData(kKlmCmdEmulatorFirst + i);
            if (i == block->defaultIndex) {
                a->setCheckable(true);
                a->setChecked(true);
                group->addAction(a);
            }
        }
        menu.addSeparator();
    }
    menu.addAction(klmU("ロムを個別にリネームする"))->setData(kKlmCmdRenameEach);
    menu.addSeparator();
    menu.addAction(klmU("お気に入りに追加"))->setData(kKlmCmdFavoriteAdd);
    menu.addAction(klmU("お気に入りから削除"))->setData(kKlmCmdFavoriteRemove);
    if (QAction* chosen = menu.exec(globalPos)) router.run(chosen->data().toInt());
}
