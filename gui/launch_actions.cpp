#include "launch_actions.h"

#include <QActionGroup>
#include <QMenu>

#include "command_router.h"
#include "ui/command_ids.h"
#include "qt_text.h"
#include "ui/game_text.h"
#include "window_services.h"

void klmLaunchGame(KlmWindowServices& services, int32_t game, int emulatorIndex)
{
    const KlmAppContext& c = services.session();
    if (game < 0 || game >= klmGameCount(c.catalogue)) return;
    const int32_t hardware = c.catalogue.games[static_cast<size_t>(game)].hardware;
    const EmulatorBlock* block = klmEmulatorBlock(c.state.emulators, hardware);
    if (!block || block->count == 0) {
        services.message(services.window(),
                         klmQ(klmMasterName(c.catalogue.hardware, hardware)) + klmU("のエミュレータが登録されていません"),
                         klmU("警告"), QMessageBox::Information);
        return;
    }
    (void)emulatorIndex;
    klmAnswerNotAvailable(services);
}

void klmRegisterLaunchCommands(KlmCommandRouter& router, KlmWindowServices& services)
{
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
