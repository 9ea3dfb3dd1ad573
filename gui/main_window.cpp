#include "main_window.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QRandomGenerator>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>
#include <cstring>

#include "browse/favorites.h"
#include "catalogue/cache.h"
#include "commands.h"
#include "game_list_model.h"
#include "media/movie_info.h"
#include "message_box.h"
#include "qt_text.h"
#include "search_bar.h"
#include "settings/setting_file.h"
#include "text/file_io.h"
#include "ui/game_text.h"
#include "ui/search_lists.h"

namespace {

QString notAvailableText() { return klmU("この機能はまだ実装されていません。"); }

QString warningTitle() { return klmU("警告"); }

QColor colourRef(int32_t bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }

}  // namespace

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent), ctx_(std::make_unique<KlmAppContext>())
{
    setObjectName(QStringLiteral("KLMFRAMEWNDCLASS"));
    setWindowTitle(QStringLiteral("Kolmar v0.081"));
    setMinimumSize(600, 500);
    setGeometry(30, 30, 1200, 700);
    autoSelectTimer_.setObjectName(QStringLiteral("1000"));
    connect(&autoSelectTimer_, &QTimer::timeout, this, &MainWindow::autoSelectTick);
}

MainWindow::~MainWindow() = default;

QList<int> MainWindow::unavailableCommands()
{
    return {32800, 32801, 42300, 42301, 32849, 33800, 40000, 42302, 32813, 32811,
            32831, 32899, 33600, 40200, 104, 44444, 32844, 22840, 32845};
}

bool MainWindow::startUp(const QString& baseFolder)
{
    KlmAppContext& c = *ctx_;
    KlmMainState& st = c.state;
    const KlmNotifier notify = [this](const std::string& title, const std::string& text) {
        klmMessageBox(this, QString::fromStdString(text), QString::fromStdString(title), QMessageBox::Critical);
    };

    klmBuildAppPaths(c.paths, baseFolder.toStdString());
    klmLoadCatalogue(c.paths, c.catalogue);

    createChildren();
    createMenus();

    // Built-in defaults, then what the save folder says.
    st.settings = klmDefaultSettings(klmDefaultControlFont(), width());
    klmInitEmulatorRegistry(st.emulators, c.catalogue);
    klmLoadEmulatorFile(c.paths.emulatorDat, st.emulators, c.catalogue, notify);
    for (GameRecord& g : c.catalogue.games) {
        std::string_view crc = klmField(g.crc32);
        if (crc == "00000000" && st.settings.crcZerosOwned) g.ownership = kKlmOwned;
        if (crc == "FFFFFFFF" && !st.settings.crcOnesOwned) g.ownership = kKlmNotOwned;
    }
    klmBuildSkinTable(st.skins, c.catalogue);
    klmLoadSkinFile(c.paths.skinDat, st.skins, c.catalogue, notify);
    st.settings.splitX = klmDefaultSplitX(width());
    st.settings.splitY = 246;
    klmReadSettingFile(c.paths.settingDat, st.settings, c.catalogue, notify);
    klmLoadFavoritesFile(c.paths.favoriteDat, c.catalogue);
    klmLoadMovieInfoFile(c.paths.movieinfoDat, c.catalogue);
    klmLoadRomFolderFile(c.paths.romfolderDat, st.romFolders);
    klmLoadPermuteFile(c.paths.permuteDat, st.replacements);
    klmLoadCustomStoreFile(c.paths.customDat, st.customSearches);

    // The orders of an unchanged catalogue come from sort.cache.
    if (!c.paths.catalogueChanged) {
        std::string image;
        if (klmReadWholeFile(c.paths.sortCache, image)) klmReadSortCacheImage(image, c.catalogue, st.orders);
    }

    model_->loadIcons();
    search_->fillLists();
    applySettings();
    search_->showCondition();

    hasWindowFile_ = klmFileExists(c.paths.windowDat);
    klmRefreshList(true);
    int32_t row = list_->currentIndex().row();
    int32_t scroll = st.settings.listScrollRow;
    if (scroll > 0 && st.listed > 0) list_->scrollTo(model_->index(std::min(scroll, st.listed - 1), 0), QAbstractItemView::PositionAtTop);
    else if (row >= 0) list_->scrollTo(model_->index(row, 0));
    list_->setFocus();
    st.startupComplete = true;
    return true;
}

void MainWindow::createChildren()
{
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    search_ = new SearchBar(*ctx_, central);
    connect(search_, &SearchBar::changed, this, [this] { klmRefreshList(false); });
    connect(search_, &SearchBar::command, this, &MainWindow::command);

    mainSplitter_ = new QSplitter(Qt::Horizontal, central);
    list_ = new QTableView(mainSplitter_);
    list_->setObjectName(QStringLiteral("1001"));
    model_ = new GameListModel(*ctx_, list_);
    list_->setModel(model_);
    list_->setItemDelegate(new GameListDelegate(*ctx_, list_));
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setWordWrap(false);
    list_->setTextElideMode(Qt::ElideRight);
    list_->setIconSize(QSize(16, 16));
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    list_->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    // Fixed row heights: the view never measures rows it does not show.
    list_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    list_->verticalHeader()->setDefaultSectionSize(list_->fontMetrics().height() + 4);
    list_->verticalHeader()->hide();
    list_->horizontalHeader()->setSectionsClickable(true);
    list_->horizontalHeader()->setHighlightSections(false);
    list_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    list_->installEventFilter(this);
    list_->viewport()->installEventFilter(this);
    connect(list_->horizontalHeader(), &QHeaderView::sectionClicked, this, &MainWindow::columnClicked);
    connect(list_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { onCurrentRowChanged(current.row()); });
    connect(list_, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        launchGame(model_->gameAt(index.row()), -1);
    });
    connect(list_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { showGameMenu(list_->viewport()->mapToGlobal(pos)); });

    // Right side: the two snapshot panes above, the icon and the info pane below.
    paneSplitter_ = new QSplitter(Qt::Vertical, mainSplitter_);
    auto* snaps = new QWidget(paneSplitter_);
    auto* snapRow = new QHBoxLayout(snaps);
    snapRow->setContentsMargins(0, 0, 0, 0);
    for (const char* name : {"KLMSKIN1WNDCLASS", "KLMSKIN2WNDCLASS"}) {
        auto* pane = new QLabel(snaps);
        pane->setObjectName(QString::fromLatin1(name));
        pane->setAlignment(Qt::AlignCenter);
        pane->setMinimumSize(160, 120);
        pane->setStyleSheet(QStringLiteral("background: black;"));
        snapRow->addWidget(pane);
    }
    auto* lower = new QWidget(paneSplitter_);
    auto* lowerRow = new QHBoxLayout(lower);
    lowerRow->setContentsMargins(0, 0, 0, 0);
    auto* icon = new QLabel(lower);
    icon->setObjectName(QStringLiteral("KLMICONWNDCLASS"));
    icon->setFixedSize(40, 40);
    icon->setAlignment(Qt::AlignCenter);
    info_ = new QPlainTextEdit(lower);
    info_->setObjectName(QStringLiteral("1002"));
    info_->setReadOnly(true);
    info_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    lowerRow->addWidget(icon, 0, Qt::AlignTop);
    lowerRow->addWidget(info_, 1);
    paneSplitter_->addWidget(snaps);
    paneSplitter_->addWidget(lower);
    mainSplitter_->addWidget(list_);
    mainSplitter_->addWidget(paneSplitter_);
    mainSplitter_->setStretchFactor(0, 1);
    mainSplitter_->setStretchFactor(1, 0);

    layout->addWidget(search_);
    layout->addWidget(mainSplitter_, 1);
    setCentralWidget(central);

    statusBar()->setObjectName(QStringLiteral("1010"));
    statusBar()->setSizeGripEnabled(true);
}

void MainWindow::createMenus()
{
    QMenu* menus[6] = {};
    for (int m = 0; m < 6; ++m) {
        menus[m] = menuBar()->addMenu(QString::fromUtf8(klmMenuCaption(static_cast<KlmMenu>(m))));
    }
    for (const KlmCommandDef& def : klmCommandTable()) {
        QString caption = QString::fromUtf8(def.caption);
        auto* act = new QAction(caption, this);
        act->setObjectName(QString::number(def.id));
        act->setData(def.id);
        act->setCheckable(def.checkable);
        if (!def.key.isEmpty()) {
            act->setShortcut(def.key);
            act->setShortcutContext(Qt::WindowShortcut);
        }
        connect(act, &QAction::triggered, this, [this, id = def.id] { command(id); });
        if (def.menu == KlmMenu::None) {
            addAction(act);
        } else {
            QMenu* menu = menus[static_cast<int>(def.menu)];
            if (def.separatorBefore) menu->addSeparator();
            menu->addAction(act);
        }
        actions_.insert(def.id, act);
    }
}

void MainWindow::setChecked(int id, bool on)
{
    if (QAction* a = actions_.value(id)) a->setChecked(on);
}

void MainWindow::applySettings()
{
    const Settings& s = ctx_->state.settings;
    setChecked(klmcmd::TitleMode, s.titleMode);
    setChecked(klmcmd::WheelSelect, s.wheelSelection);
    setChecked(klmcmd::AutoSelect, false);
    setChecked(klmcmd::ShowOwned, s.search.showOwned);
    setChecked(klmcmd::ShowNotRenamed, s.search.showNotRenamed);
    setChecked(klmcmd::ShowNotOwned, s.search.showNotOwned);
    setChecked(klmcmd::ShowLaterDisks, s.search.showLaterDisks);
    setChecked(klmcmd::FavoritesOnly, s.search.favoritesOnly);
    setChecked(klmcmd::Mute, s.mute);
    setChecked(klmcmd::ShowMovie, s.showMovie);
    setChecked(klmcmd::Loop, s.loopPlayback);
    list_->setShowGrid(s.gridLines != 0);
    statusBar()->setVisible(s.showStatusBar != 0);
    rebuildColumns();
}

void MainWindow::rebuildColumns()
{
    const Settings& s = ctx_->state.settings;
    model_->reset();
    for (int i = 0; i < model_->columnCount(); ++i) list_->setColumnWidth(i, std::max(s.shownColumns.items[i].width, 0));
    updateHeaderArrow();

    // One status part per shown status item.
    for (QLabel* l : statusParts_) delete l;
    statusParts_.clear();
    static constexpr int kWidths[8] = {80, 80, 80, 130, 165, 155, 170, 130};
    for (int i = 0; i < std::clamp(s.statusShown.count, 0, KlmItemList::kSlots); ++i) {
        int kind = s.statusShown.items[i];
        auto* part = new QLabel(statusBar());
        part->setObjectName(QStringLiteral("status%1").arg(kind));
        part->setFixedWidth(kind >= 0 && kind < 8 ? kWidths[kind] : 80);
        part->setTextFormat(Qt::RichText);
        statusBar()->addWidget(part);
        statusParts_.push_back(part);
    }
}

void MainWindow::updateHeaderArrow()
{
    const Settings& s = ctx_->state.settings;
    QHeaderView* h = list_->horizontalHeader();
    if (s.sortColumn < 0 || s.sortColumn >= model_->columnCount()) {
        h->setSortIndicatorShown(false);
        return;
    }
    h->setSortIndicatorShown(true);
    h->setSortIndicator(s.sortColumn, s.shownColumns.items[s.sortColumn].descending ? Qt::DescendingOrder
                                                                                      : Qt::AscendingOrder);
}

void MainWindow::updateStatusBar()
{
    const KlmAppContext& c = *ctx_;
    const Settings& s = c.state.settings;
    int counts[3] = {0, 0, 0};
    for (const GameRecord& g : c.catalogue.games) {
        if (g.ownership == kKlmOwned) ++counts[0];
        else if (g.ownership == kKlmOwnedNotRenamed) ++counts[1];
        else ++counts[2];
    }
    const int32_t colours[3] = {s.ownedColour, s.notRenamedColour, s.notOwnedColour};
    const int32_t filters[3] = {s.search.showOwned, s.search.showNotRenamed, s.search.showNotOwned};
    for (int i = 0; i < statusParts_.size(); ++i) {
        int kind = s.statusShown.items[i];
        QString text;
        switch (kind) {
        case 0: case 1: case 2: {
            // The swatch is struck through while its view filter is off.
            QString swatch = QStringLiteral("<span style=\"color:%1\">%2</span>")
                                 .arg(colourRef(colours[kind]).name(), filters[kind] ? klmU("■") : klmU("☒"));
            text = swatch + QStringLiteral(" : %1").arg(counts[kind]);
            break;
        }
        case 3: text = klmU("総ゲーム数 : %1").arg(klmGameCount(c.catalogue)); break;
        case 4: text = klmU("該当するゲーム数 : %1").arg(c.state.listed); break;
        case 5: text = klmU("動画ファイル数 : %1").arg(c.catalogue.movieCount); break;
        case 6: text = s.mute ? klmU("ミュート中") : klmU("音量 : %1").arg(s.volume); break;
        case 7: text = klmU("再生速度 : x%1").arg(s.speed / 1000.0, 0, 'f', 1); break;
        default: break;
        }
        statusParts_[i]->setText(text);
    }
}

void MainWindow::klmRefreshList(bool forceReload)
{
    KlmAppContext& c = *ctx_;
    KlmMainState& st = c.state;
    int32_t selected = st.settings.selectedGame;
    st.listed = klmInterimRefresh(c.catalogue, st.settings, st.orders, st.viewList);
    model_->reset();
    updateStatusBar();
    if (st.listed == 0) {
        info_->clear();
        st.settings.selectedGame = -1;
        st.reload = true;
        return;
    }
    int row = model_->rowOf(selected);
    if (row >= 0) {
        st.reload = forceReload;
    } else {
        row = 0;
        st.reload = true;
    }
    st.settings.selectedGame = model_->gameAt(row);
    selectRow(row, st.startupComplete);
    updateInfoPane();
    if (st.settings.fitColumnsOnRefresh && st.startupComplete) list_->resizeColumnsToContents();
}

void MainWindow::selectRow(int row, bool scroll)
{
    QModelIndex index = model_->index(row, 0);
    list_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    if (scroll) list_->scrollTo(index);
}

void MainWindow::onCurrentRowChanged(int row)
{
    int32_t game = model_->gameAt(row);
    if (game < 0) return;
    KlmMainState& st = ctx_->state;
    int32_t previous = st.settings.selectedGame;
    st.settings.selectedGame = game;
    updateInfoPane();
    if (!st.reload && game == previous) return;
    st.reload = false;
    // Snapshot and movie panes are filled by the media code.
}

void MainWindow::updateInfoPane()
{
    const KlmAppContext& c = *ctx_;
    const Settings& s = c.state.settings;
    KlmInfoLayout layout = s.infoVariant == 1 ? KlmInfoLayout::Simple : KlmInfoLayout::Detailed;
    info_->setPlainText(klmQ(klmBuildInfoText(c.catalogue, s, s.selectedGame, layout)).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

void MainWindow::columnClicked(int section)
{
    Settings& s = ctx_->state.settings;
    if (section < 0 || section >= model_->columnCount()) return;
    // Capture widths first: the reset of the model must not lose them.
    for (int i = 0; i < model_->columnCount(); ++i) s.shownColumns.items[i].width = list_->columnWidth(i);
    if (section == s.sortColumn) {
        s.shownColumns.items[section].descending = s.shownColumns.items[section].descending ? 0 : 1;
    } else {
        s.sortColumn = section;
    }
    klmRefreshList(false);
    for (int i = 0; i < model_->columnCount(); ++i) list_->setColumnWidth(i, s.shownColumns.items[i].width);
    updateHeaderArrow();
}

QList<int32_t> MainWindow::selectedGames() const
{
    QList<int32_t> games;
    for (const QModelIndex& index : list_->selectionModel()->selectedRows()) games.push_back(model_->gameAt(index.row()));
    std::sort(games.begin(), games.end());
    return games;
}

void MainWindow::launchGame(int32_t game, int emulatorIndex)
{
    const KlmAppContext& c = *ctx_;
    if (game < 0 || game >= klmGameCount(c.catalogue)) return;
    int32_t hardware = c.catalogue.games[static_cast<size_t>(game)].hardware;
    const EmulatorBlock* block = klmEmulatorBlock(c.state.emulators, hardware);
    if (!block || block->count == 0) {
        klmMessageBox(this, klmQ(klmMasterName(c.catalogue.hardware, hardware)) + klmU("のエミュレータが登録されていません"),
                      warningTitle(), QMessageBox::Information);
        return;
    }
    (void)emulatorIndex;
    notAvailable(0);
}

void MainWindow::showGameMenu(const QPoint& globalPos)
{
    const KlmAppContext& c = *ctx_;
    int32_t game = c.state.settings.selectedGame;
    if (game < 0 || game >= klmGameCount(c.catalogue)) return;
    QMenu menu(this);
    int32_t hardware = c.catalogue.games[static_cast<size_t>(game)].hardware;
    if (const EmulatorBlock* block = klmEmulatorBlock(c.state.emulators, hardware); block && block->count > 0) {
        auto* group = new QActionGroup(&menu);
        for (int32_t i = 0; i < block->count; ++i) {
            QAction* a = menu.addAction(klmQ(klmField(block->entries[static_cast<size_t>(i)].name)));
            a->setData(klmcmd::EmulatorFirst + i);
            if (i == block->defaultIndex) {
                a->setCheckable(true);
                a->setChecked(true);
                group->addAction(a);
            }
        }
        menu.addSeparator();
    }
    menu.addAction(klmU("ロムを個別にリネームする"))->setData(klmcmd::RenameEach);
    menu.addSeparator();
    menu.addAction(klmU("お気に入りに追加"))->setData(klmcmd::FavoriteAdd);
    menu.addAction(klmU("お気に入りから削除"))->setData(klmcmd::FavoriteRemove);
    if (QAction* chosen = menu.exec(globalPos)) command(chosen->data().toInt());
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == list_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            launchGame(ctx_->state.settings.selectedGame, -1);
            return true;
        }
    }
    if (watched == list_->viewport() && event->type() == QEvent::Wheel && ctx_->state.settings.wheelSelection) {
        auto* wheel = static_cast<QWheelEvent*>(event);
        int row = list_->currentIndex().row();
        if (ctx_->state.settings.selectedGame < 0 || row < 0) return true;
        int steps = wheel->angleDelta().y() / 120;
        int target = std::clamp(row - steps, 0, ctx_->state.listed - 1);
        selectRow(target, ctx_->state.startupComplete);
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::autoSelectTick()
{
    const int n = ctx_->state.listed;
    int current = list_->currentIndex().row();
    int next = klmAutoSelectNext(ctx_->state.settings.autoSelectOrder, current, n, QRandomGenerator::global()->generate());
    if (next < 0) return;
    ctx_->state.programSelection = true;
    selectRow(next, true);
}

void MainWindow::toggleViewFilter(int id)
{
    SearchCondition& c = ctx_->state.settings.search;
    int32_t* flag = id == klmcmd::ShowOwned        ? &c.showOwned
                    : id == klmcmd::ShowNotRenamed ? &c.showNotRenamed
                    : id == klmcmd::ShowNotOwned   ? &c.showNotOwned
                    : id == klmcmd::ShowLaterDisks ? &c.showLaterDisks
                                                   : &c.favoritesOnly;
    *flag = *flag ? 0 : 1;
    setChecked(id, *flag);
    // Hiding later disks keeps the game selected through its first disk.
    if (id == klmcmd::ShowLaterDisks && !*flag && ctx_->state.settings.selectedGame >= 0)
        ctx_->state.settings.selectedGame = klmSelectFirstDisk(ctx_->catalogue, ctx_->state.settings.selectedGame);
    klmRefreshList(false);
}

void MainWindow::setFavorites(bool on)
{
    const QList<int32_t> games = selectedGames();
    if (games.isEmpty()) return;
    for (int32_t g : games) ctx_->catalogue.games[static_cast<size_t>(g)].favorite = on ? 1 : 0;
    klmRefreshList(false);
}

void MainWindow::saveFavoritesAs()
{
    klmSuspendAutoSelect();
    QString name = QFileDialog::getSaveFileName(this, QString(), QString::fromStdString(ctx_->paths.base),
                                                klmU("お気に入りファイル (*.dat)"));
    if (!name.isEmpty()) {
        std::string path = klmFavoritesSaveName(name.toStdString());
        std::string error;
        if (!klmSaveFavoritesFile(path, ctx_->catalogue, &error))
            klmMessageBox(this, klmU("お気に入りを保存できませんでした。\n") + QString::fromStdString(path) +
                                    QStringLiteral("\n") + QString::fromStdString(error),
                          warningTitle(), QMessageBox::Warning);
    }
    klmResumeAutoSelect();
}

void MainWindow::loadFavoritesFrom()
{
    klmSuspendAutoSelect();
    QString name = QFileDialog::getOpenFileName(this, QString(), QString::fromStdString(ctx_->paths.base),
                                                klmU("お気に入りファイル (*.dat)"));
    if (!name.isEmpty()) {
        std::string error;
        if (!klmLoadFavoritesFile(name.toStdString(), ctx_->catalogue, &error) && !error.empty())
            klmMessageBox(this, klmU("お気に入りを読み込めませんでした。\n") + name + QStringLiteral("\n") +
                                    QString::fromStdString(error),
                          warningTitle(), QMessageBox::Warning);
        klmRefreshList(false);
    }
    klmResumeAutoSelect();
}

void MainWindow::movieCommand(int id)
{
    Settings& s = ctx_->state.settings;
    switch (id) {
    case klmcmd::VolumeUp: s.volume += 5; s.mute = 0; break;
    case klmcmd::VolumeDown: s.volume -= 5; s.mute = 0; break;
    case klmcmd::VolumeStandard: s.volume = 30; s.mute = 0; break;
    case klmcmd::Mute: s.mute = s.mute ? 0 : 1; break;
    case klmcmd::Faster: s.speed = klmClampSpeed(s.speed + 100); break;
    case klmcmd::Slower: s.speed = klmClampSpeed(s.speed - 100); break;
    case klmcmd::SpeedNormal: s.speed = 1000; break;
    default: break;
    }
    s.volume = klmClampVolume(s.volume);
    setChecked(klmcmd::Mute, s.mute);
    updateStatusBar();
}

void MainWindow::notAvailable(int id)
{
    (void)id;
    klmSuspendAutoSelect();
    klmMessageBox(this, notAvailableText(), QStringLiteral("Kolmar"), QMessageBox::Information);
    klmResumeAutoSelect();
}

void MainWindow::command(int id)
{
    KlmMainState& st = ctx_->state;
    Settings& s = st.settings;
    if (unavailableCommands().contains(id)) {
        notAvailable(id);
        return;
    }
    if (id >= klmcmd::EmulatorFirst && id <= klmcmd::EmulatorLast) {
        launchGame(s.selectedGame, id - klmcmd::EmulatorFirst);
        return;
    }
    if (id >= klmcmd::SearchTitle && id <= klmcmd::SearchSize) {
        search_->searchBySelected(id, s.selectedGame);
        if (id != klmcmd::SearchTitle) list_->setFocus();
        return;
    }
    if (id >= klmcmd::ResetAll && id <= klmcmd::ResetSize) {
        search_->reset(id);
        list_->setFocus();
        return;
    }
    switch (id) {
    case klmcmd::Exit: close(); return;
    case klmcmd::TitleMode:
        s.titleMode = s.titleMode ? 0 : 1;
        setChecked(id, s.titleMode);
        klmRefreshList(false);
        return;
    case klmcmd::WheelSelect:
        s.wheelSelection = s.wheelSelection ? 0 : 1;
        setChecked(id, s.wheelSelection);
        list_->setFocus();
        return;
    case klmcmd::AutoSelect:
        st.autoSelectRunning = !st.autoSelectRunning;
        setChecked(id, st.autoSelectRunning);
        if (st.autoSelectRunning) autoSelectTimer_.start(std::max(s.autoSelectInterval, 1));
        else autoSelectTimer_.stop();
        return;
    case klmcmd::ShowOwned: case klmcmd::ShowNotRenamed: case klmcmd::ShowNotOwned:
    case klmcmd::ShowLaterDisks: case klmcmd::FavoritesOnly:
        toggleViewFilter(id);
        return;
    case klmcmd::FavoriteAdd: setFavorites(true); return;
    case klmcmd::FavoriteRemove: setFavorites(false); return;
    case klmcmd::FavoriteSave: saveFavoritesAs(); return;
    case klmcmd::FavoriteLoad: loadFavoritesFrom(); return;
    case klmcmd::Play: case klmcmd::Pause:
        // Only a movie window that can play takes these; none exists yet.
        return;
    case klmcmd::Mute: case klmcmd::VolumeUp: case klmcmd::VolumeDown: case klmcmd::VolumeStandard:
    case klmcmd::Faster: case klmcmd::Slower: case klmcmd::SpeedNormal:
        movieCommand(id);
        return;
    case klmcmd::ShowMovie:
        s.showMovie = s.showMovie ? 0 : 1;
        setChecked(id, s.showMovie);
        return;
    case klmcmd::Loop:
        s.loopPlayback = s.loopPlayback ? 0 : 1;
        setChecked(id, s.loopPlayback);
        return;
    default:
        return;
    }
}

void MainWindow::klmSuspendAutoSelect()
{
    KlmMainState& st = ctx_->state;
    st.autoSelectSuspended = st.autoSelectRunning;
    if (st.autoSelectRunning) autoSelectTimer_.stop();
}

void MainWindow::klmResumeAutoSelect()
{
    KlmMainState& st = ctx_->state;
    if (st.autoSelectSuspended && st.autoSelectRunning) autoSelectTimer_.start(std::max(st.settings.autoSelectInterval, 1));
}

void MainWindow::klmPauseMovieForDialog()
{
    KlmMainState& st = ctx_->state;
    st.pausedForDialog = st.settings.showMovie && st.moviePlaying;
    if (st.pausedForDialog) st.moviePlaying = false;
}

void MainWindow::klmResumeMovieAfterDialog()
{
    KlmMainState& st = ctx_->state;
    if (st.pausedForDialog) st.moviePlaying = true;
    st.pausedForDialog = false;
}

void MainWindow::klmCentreDialog(QWidget* dialog)
{
    QScreen* screen = this->screen() ? this->screen() : QApplication::primaryScreen();
    if (!screen || !dialog) return;
    QRect work = screen->availableGeometry();
    dialog->move(work.left() + (work.width() - dialog->width()) / 2, work.top() + (work.height() - dialog->height()) / 2);
}

void MainWindow::showPlaced()
{
    KlmWindowPlacement p;
    std::vector<KlmScreenRect> areas;
    for (QScreen* sc : QApplication::screens()) {
        QRect r = sc->availableGeometry();
        areas.push_back({r.left(), r.top(), r.left() + r.width(), r.top() + r.height()});
    }
    if (hasWindowFile_ && klmReadWindowFile(ctx_->paths.windowDat, p) == KlmWindowFileStatus::Read &&
        klmIsSanePlacement(p, areas)) {
        setGeometry(p.left, p.top, p.right - p.left, p.bottom - p.top);
        if (p.showCmd == kKlmShowMaximized) showMaximized();
        else show();
        return;
    }
    // First run (or a placement that cannot be used): 90 % of the work area, centred.
    QScreen* sc = QApplication::primaryScreen();
    if (sc) {
        QRect w = sc->availableGeometry();
        int cw = w.width() * 9 / 10, ch = w.height() * 9 / 10;
        setGeometry(w.left() + (w.width() - cw) / 2, w.top() + (w.height() - ch) / 2, cw, ch);
    }
    show();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    shutDown();
    event->accept();
}

void MainWindow::shutDown()
{
    if (shutDown_) return;
    shutDown_ = true;
    KlmAppContext& c = *ctx_;
    KlmMainState& st = c.state;
    if (st.autoSelectRunning) autoSelectTimer_.stop();

    // What the window holds goes back into the settings first.
    Settings& s = st.settings;
    for (int i = 0; i < model_->columnCount(); ++i) s.shownColumns.items[i].width = list_->columnWidth(i);
    s.listScrollRow = list_->rowAt(0) < 0 ? 0 : list_->rowAt(0);
    s.listScrollX = list_->horizontalScrollBar()->value();

    KlmWindowPlacement p;
    QRect normal = normalGeometry().isValid() ? normalGeometry() : geometry();
    p.left = normal.left();
    p.top = normal.top();
    p.right = normal.left() + normal.width();
    p.bottom = normal.top() + normal.height();
    p.showCmd = isMaximized() ? kKlmShowMaximized : kKlmShowNormal;

    struct Write {
        const char* name;
        std::function<bool(std::string*)> run;
    };
    const std::vector<Write> writes = {
        {"dat.cache", [&](std::string* e) { return klmSaveCatalogueCache(c.paths, c.catalogue, e); }},
        {"sort.cache", [&](std::string* e) { return klmWriteFileAtomic(c.paths.sortCache, klmSortCacheImage(c.catalogue, st.orders), e); }},
        {"movieinfo.dat", [&](std::string* e) { return klmSaveMovieInfoFile(c.paths.movieinfoDat, c.catalogue, e); }},
        {"skin.dat", [&](std::string* e) { return klmSaveSkinFile(c.paths.skinDat, st.skins, c.catalogue, e); }},
        {"emulator.dat", [&](std::string* e) { return klmSaveEmulatorFile(c.paths.emulatorDat, st.emulators, c.catalogue, e); }},
        {"favorite.dat", [&](std::string* e) { return klmSaveFavoritesFile(c.paths.favoriteDat, c.catalogue, e); }},
        {"romfolder.dat", [&](std::string* e) { return klmSaveRomFolderFile(c.paths.romfolderDat, st.romFolders, e); }},
        {"permute.dat", [&](std::string* e) { return klmSavePermuteFile(c.paths.permuteDat, st.replacements, e); }},
        {"custom.dat", [&](std::string* e) { return klmSaveCustomStoreFile(c.paths.customDat, st.customSearches, e); }},
        {"window.dat", [&](std::string* e) { return klmWriteWindowFile(c.paths.windowDat, p, e); }},
        {"setting.dat", [&](std::string* e) { return klmWriteSettingFile(c.paths.settingDat, s, c.catalogue, e); }},
    };
    QStringList failed;
    savedFiles_.clear();
    for (const Write& w : writes) {
        std::string error;
        if (w.run(&error)) {
            savedFiles_.push_back(QString::fromLatin1(w.name));
        } else {
            failed.push_back(QString::fromLatin1(w.name) + QStringLiteral(" : ") + QString::fromStdString(error));
        }
    }
    if (!failed.isEmpty()) {
        // The old files are left as they were; say which ones did not change.
        klmMessageBox(this, klmU("次のファイルを保存できませんでした。\n") + failed.join(QStringLiteral("\n")),
                      warningTitle(), QMessageBox::Warning);
    }
}
