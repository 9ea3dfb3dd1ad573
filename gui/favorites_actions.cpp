#include "favorites_actions.h"

#include "browse/favorites.h"
#include "browse/rules.h"
#include "command_router.h"
#include "game_list_view.h"
#include "file_pickers.h"
#include "qt_text.h"
#include "window_services.h"

namespace {

// The records changed have been named to the list's index already.
void afterChange(KlmWindowServices& services, bool refresh)
{
    if (refresh) services.refreshList(false, KlmRefreshScope::Condition);
    else services.repaintList();
}

void mark(KlmWindowServices& services, const KlmGameListView& list, bool on)
{
    KlmAppContext& c = services.session();
    const std::vector<int32_t> rows = list.selectedRowList();
    if (rows.empty()) return;
    std::vector<int32_t> games;
    const bool refresh = klmMarkFavorites(c.catalogue, c.state.browse.view, rows, on, c.state.settings.search, &games);
    klmNoteGamesChanged(c.state.browse, games);
    afterChange(services, refresh);
}

void saveAs(KlmWindowServices& services)
{
    KlmAppContext& c = services.session();
    const QString name = klmPickSaveFile(services, QString(), QString::fromStdString(c.paths.base),
                                         klmU("お気に入りファイル (*.dat)"));
    if (name.isEmpty()) return;
    const std::string path = klmFavoritesSaveName(name.toStdString());
    std::string error;
    if (!klmSaveFavoritesFile(path, c.catalogue, &error))
        services.message(services.window(),
                         klmU("お気に入りを保存できませんでした。\n") + QString::fromStdString(path) +
                             QStringLiteral("\n") + QString::fromStdString(error),
                         klmU("警告"), QMessageBox::Warning);
}

void load(KlmWindowServices& services)
{
    KlmAppContext& c = services.session();
    const QString name = klmPickOpenFile(services, QString(), QString::fromStdString(c.paths.base),
                                         klmU("お気に入りファイル (*.dat)"));
    if (name.isEmpty()) return;
    std::string error;
    if (!klmLoadFavoritesFile(name.toStdString(), c.catalogue, &error) && !error.empty())
        services.message(services.window(),
                         klmU("お気に入りを読み込めませんでした。\n") + name + QStringLiteral("\n") +
                             QString::fromStdString(error),
                         klmU("警告"), QMessageBox::Warning);
    klmNoteAllGamesChanged(c.state.browse);
    afterChange(services, klmFavoritesChangeNeedsRefresh(c.state.settings.search));
}

}  // namespace

void klmRegisterFavoriteCommands(KlmCommandRouter& router, KlmWindowServices& services, KlmGameListView& list)
{
    router.add(kKlmCmdFavoriteAdd, [&services, &list] { mark(services, list, true); });
    router.add(kKlmCmdFavoriteRemove, [&services, &list] { mark(services, list, false); });
    router.add(kKlmCmdFavoriteSave, [&services] { saveAs(services); });
    router.add(kKlmCmdFavoriteLoad, [&services] { load(services); });
}
