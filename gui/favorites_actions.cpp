#include "favorites_actions.h"

#include <memory>

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

// The two dialogs keep the last name chosen in each for the rest of the run.
struct FavoriteFileNames {
    QString saved;
    QString loaded;
};

// Shown as "お気に入りファイル(.dat)"; the dialog matches "*.DAT" without
// regard to case, so it lists favorite.dat too.
const QString& favoritesFilter()
{
    static const QString filter = klmU("お気に入りファイル(.dat) (*.DAT)");
    return filter;
}

QString startOf(const KlmAppContext& c, const QString& last)
{
    return last.isEmpty() ? QString::fromStdString(c.paths.base) : last;
}

void saveAs(KlmWindowServices& services, FavoriteFileNames& names)
{
    KlmAppContext& c = services.session();
    const QString name = klmPickSaveFile(services, klmU("お気に入りを保存"), startOf(c, names.saved),
                                         favoritesFilter(), KlmFilterText::NameOnly);
    if (name.isEmpty()) return;
    const std::string path = klmFavoritesSaveName(name.toStdString());
    names.saved = QString::fromStdString(path);
    std::string error;
    if (!klmSaveFavoritesFile(path, c.catalogue, &error))
        services.message(services.window(),
                         klmU("お気に入りを保存できませんでした。\n") + QString::fromStdString(path) +
                             QStringLiteral("\n") + QString::fromStdString(error),
                         klmU("警告"), QMessageBox::Warning);
}

void load(KlmWindowServices& services, FavoriteFileNames& names)
{
    KlmAppContext& c = services.session();
    const QString name = klmPickOpenFile(services, klmU("お気に入りを読み込む"), startOf(c, names.loaded),
                                         favoritesFilter(), KlmFilterText::NameOnly);
    if (name.isEmpty()) return;
    names.loaded = name;
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
    auto names = std::make_shared<FavoriteFileNames>();
    router.add(kKlmCmdFavoriteSave, [&services, names] { saveAs(services, *names); });
    router.add(kKlmCmdFavoriteLoad, [&services, names] { load(services, *names); });
}
