#include "main_window.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QColorDialog>
#include <QMouseEvent>
#include <QPainter>
#include <QToolBar>
#include <QToolButton>
#include <QFileDialog>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>
#include <cstring>

#include "audit_dialog.h"
#include "audit/ownership.h"
#include "browse/favorites.h"
#include "catalogue/cache.h"
#include "commands.h"
#include "dialog_guard.h"
#include "fonts.h"
#include "game_list_model.h"
#include "media/movie_info.h"
#include "message_box.h"
#include "qt_text.h"
#include "replace_dialogs.h"
#include "search_bar.h"
#include "settings/setting_file.h"
#include "text/file_io.h"
#include "ui/game_text.h"
#include "browse/refresh.h"
#include "browse/sort.h"
#include "status_bar.h"
#include "toolbar_icons.h"
#include "ui/window_rules.h"

namespace {

QString notAvailableText() { return klmU("この機能はまだ実装されていません。"); }

QString warningTitle() { return klmU("警告"); }


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

MainWindow::~MainWindow()
{
    // The panes read the application context while they close (a hiding
    // list view asks its model for header sizes), so they go first, while
    // the context still exists.
    hide();
    // The filters would otherwise see events of half-destroyed panes.
    for (QObject* watched : {static_cast<QObject*>(list_), static_cast<QObject*>(list_ ? list_->viewport() : nullptr),
                             static_cast<QObject*>(area_), static_cast<QObject*>(dragLines_[0]),
                             static_cast<QObject*>(dragLines_[1])})
        if (watched) watched->removeEventFilter(this);
    delete takeCentralWidget();
}

QList<int> MainWindow::unavailableCommands()
{
    return {42300, 42301, 32849, 32813, 32811,
            32831, 32899, 33600, 104};
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
    createToolbar();

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
    // The stored choices for the games owned by their CRC alone.
    klmApplySpecialCrcRule(c.catalogue, st.settings);
    klmLoadFavoritesFile(c.paths.favoriteDat, c.catalogue);
    klmLoadMovieInfoFile(c.paths.movieinfoDat, c.catalogue);
    klmLoadRomFolderFile(c.paths.romfolderDat, st.romFolders);
    klmLoadPermuteFile(c.paths.permuteDat, st.replacements);
    klmLoadCustomStoreFile(c.paths.customDat, st.customSearches);

    // The ViewList once; the orders from sort.cache while the catalogue
    // has not changed, else computed.
    klmInitBrowseState(st.browse, c.catalogue, c.paths);

    model_->loadIcons();
    search_->fillLists();
    applySettings();
    search_->showCondition();

    hasWindowFile_ = klmFileExists(c.paths.windowDat);
    hasSettingFile_ = klmFileExists(c.paths.settingDat);
    klmRefreshList(true);
    int32_t row = list_->currentIndex().row();
    int32_t scroll = st.settings.listScrollRow;
    const int32_t listed = st.browse.view.count;
    if (scroll > 0 && listed > 0) list_->scrollTo(model_->index(std::min(scroll, listed - 1), 0), QAbstractItemView::PositionAtTop);
    else if (row >= 0) list_->scrollTo(model_->index(row, 0));
    list_->setFocus();
    st.startupComplete = true;
    return true;
}

void MainWindow::createChildren()
{
    // One client area; the panes are placed in it by the window's layout
    // rules, not by Qt layouts, and the two splitters are painted on it.
    area_ = new QWidget(this);
    area_->setObjectName(QStringLiteral("client"));
    area_->setMouseTracking(true);
    setCentralWidget(area_);

    list_ = new QTableView(area_);
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
    list_->setTabKeyNavigation(false);
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

    const char* snapNames[2] = {"KLMSKIN1WNDCLASS", "KLMSKIN2WNDCLASS"};
    for (int i = 0; i < 2; ++i) {
        snaps_[i] = new QLabel(area_);
        snaps_[i]->setObjectName(QString::fromLatin1(snapNames[i]));
        snaps_[i]->setAlignment(Qt::AlignCenter);
        snaps_[i]->setAutoFillBackground(true);
        QPalette pal = snaps_[i]->palette();
        pal.setColor(QPalette::Window, Qt::black);
        snaps_[i]->setPalette(pal);
    }
    icon_ = new QLabel(area_);
    icon_->setObjectName(QStringLiteral("KLMICONWNDCLASS"));
    icon_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    info_ = new QPlainTextEdit(area_);
    info_->setObjectName(QStringLiteral("1002"));
    info_->setReadOnly(true);
    info_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    info_->setTabChangesFocus(true);

    search_ = new SearchBar(*ctx_, area_);
    connect(search_, &SearchBar::changed, this, [this] { klmRefreshList(false); });
    connect(search_, &SearchBar::command, this, &MainWindow::command);

    status_ = new KlmStatusBar(*ctx_, area_);
    connect(status_, &KlmStatusBar::command, this, &MainWindow::command);
    connect(status_, &KlmStatusBar::volumeChosen, this, &MainWindow::chooseVolume);
    connect(status_, &KlmStatusBar::colourRequested, this, &MainWindow::pickColour);

    // The drag feedback: a 5-pixel half-tone line over the whole bar,
    // shown only while a splitter is dragged.
    for (QWidget*& line : dragLines_) {
        line = new QWidget(area_);
        line->setObjectName(QStringLiteral("dragLine"));
        line->setAttribute(Qt::WA_TransparentForMouseEvents);
        line->installEventFilter(this);
        line->hide();
    }
    area_->installEventFilter(this);
}

void MainWindow::createToolbar()
{
    toolbar_ = new QToolBar(area_);
    toolbar_->setObjectName(QStringLiteral("toolbar"));
    toolbar_->setIconSize(QSize(kKlmToolImageW, kKlmToolImageH));
    toolbar_->setMovable(false);
    toolbar_->setFloatable(false);
    toolbar_->setToolButtonStyle(Qt::ToolButtonIconOnly);
    const QPixmap strip = klmToolbarStrip();
    for (int i = 0; i < kKlmToolbarButtons; ++i) {
        const int id = klmToolbarCommand(i);
        QAction* a = actions_.value(id);
        if (!a) continue;
        if (klmToolbarGroupStart(i)) toolbar_->addSeparator();
        a->setIcon(QIcon(strip.copy(i * kKlmToolImageW, 0, kKlmToolImageW, kKlmToolImageH)));
        // The menu text without its mnemonic, the key three spaces after.
        QString tip = a->text();
        tip.remove(QRegularExpression(QStringLiteral("\\(&.\\)")));
        tip.replace(QLatin1Char('\t'), QStringLiteral("   "));
        // The text of the full reset names Alt + R; its key is Alt + A.
        if (id == klmcmd::ResetAll) tip = klmU("検索をリセット   Alt + A");
        a->setToolTip(tip);
        toolbar_->addAction(a);
    }
    for (QAction* a : toolbar_->actions())
        if (auto* b = qobject_cast<QToolButton*>(toolbar_->widgetForAction(a))) b->setAutoRaise(true);
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
    toolbar_->setVisible(s.showToolbar != 0);
    status_->setVisible(s.showStatusBar != 0);
    icon_->setVisible(s.showInfoIcon != 0);
    info_->setVisible(s.showInfoText != 0);
    klmApplyFonts(*this);
    rebuildColumns();
    klmLayoutWindow();
}

void MainWindow::rebuildColumns()
{
    const Settings& s = ctx_->state.settings;
    model_->reset();
    for (int i = 0; i < model_->columnCount(); ++i) list_->setColumnWidth(i, std::max(s.shownColumns.items[i].width, 0));
    updateHeaderArrow();

    status_->refresh();
}

void MainWindow::updateHeaderArrow()
{
    const Settings& s = ctx_->state.settings;
    QHeaderView* h = list_->horizontalHeader();
    for (int c = 0; c < model_->columnCount(); ++c) {
        const KlmHeaderArrow arrow = klmHeaderArrow(s, c);
        if (arrow == KlmHeaderArrow::None) continue;
        h->setSortIndicatorShown(true);
        // QHeaderView draws a downward arrow for AscendingOrder; the list
        // shows an upward arrow for ascending, so the order is swapped here.
        h->setSortIndicator(c, arrow == KlmHeaderArrow::Up ? Qt::DescendingOrder : Qt::AscendingOrder);
        return;
    }
    h->setSortIndicatorShown(false);
}

void MainWindow::updateStatusBar() { status_->refresh(); }

void MainWindow::klmRefreshList(bool forceReload)
{
    KlmAppContext& c = *ctx_;
    KlmMainState& st = c.state;
    st.browse.selectedGame = st.settings.selectedGame;
    const KlmRefreshResult r = klmRefreshViewList(st.browse, c.catalogue, st.settings, st.replacements, forceReload);
    model_->reset();
    status_->update();
    if (r.empty) {
        info_->clear();
        st.settings.selectedGame = kKlmNoSelection;
        st.reload = true;
        return;
    }
    st.settings.selectedGame = r.selectedGame;
    st.reload = r.reload;
    selectRow(r.selectedRow, st.startupComplete);
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
    // Capture widths first: the reset of the model must not lose them.
    for (int i = 0; i < model_->columnCount(); ++i) s.shownColumns.items[i].width = list_->columnWidth(i);
    if (!klmColumnClick(s, section)) return;
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
    if (watched == area_) {
        switch (event->type()) {
        case QEvent::Resize: klmLayoutWindow(); break;
        case QEvent::Paint: paintSplitters(); return true;
        case QEvent::MouseButtonPress: case QEvent::MouseMove: case QEvent::MouseButtonRelease:
            if (splitterMouse(event)) return true;
            break;
        default: break;
        }
    }
    if ((watched == dragLines_[0] || watched == dragLines_[1]) && event->type() == QEvent::Paint) {
        // A half-tone over what lies below, the counterpart of an inverted line.
        QPainter p(static_cast<QWidget*>(watched));
        p.fillRect(static_cast<QWidget*>(watched)->rect(), QBrush(Qt::black, Qt::Dense4Pattern));
        return true;
    }
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
        int target = std::clamp(row - steps, 0, ctx_->state.browse.view.count - 1);
        selectRow(target, ctx_->state.startupComplete);
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::autoSelectTick()
{
    const int n = ctx_->state.browse.view.count;
    int current = list_->currentIndex().row();
    int next = klmAutoSelectNext(ctx_->state.settings.autoSelectOrder, current, n, QRandomGenerator::global()->generate());
    if (next < 0) return;
    ctx_->state.programSelection = true;
    selectRow(next, true);
}

void MainWindow::toggleViewFilter(int id)
{
    KlmMainState& st = ctx_->state;
    KlmViewFilter which;
    if (!klmViewFilterOfCommand(id, which)) return;
    st.browse.selectedGame = st.settings.selectedGame;
    // Hiding later disks keeps the game selected through its first disk.
    setChecked(id, klmToggleViewFilter(st.browse, st.settings, ctx_->catalogue, which));
    st.settings.selectedGame = st.browse.selectedGame;
    klmRefreshList(false);
    status_->update();
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
    KlmDialogGuard guard(*this);
    QFileDialog dialog(this, QString(), QString::fromStdString(ctx_->paths.base), klmU("お気に入りファイル (*.dat)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    guard.attach(&dialog);
    const QString name = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()
                             ? dialog.selectedFiles().constFirst() : QString();
    if (!name.isEmpty()) {
        std::string path = klmFavoritesSaveName(name.toStdString());
        std::string error;
        if (!klmSaveFavoritesFile(path, ctx_->catalogue, &error))
            klmMessageBox(this, klmU("お気に入りを保存できませんでした。\n") + QString::fromStdString(path) +
                                    QStringLiteral("\n") + QString::fromStdString(error),
                          warningTitle(), QMessageBox::Warning);
    }
}

void MainWindow::loadFavoritesFrom()
{
    KlmDialogGuard guard(*this);
    QFileDialog dialog(this, QString(), QString::fromStdString(ctx_->paths.base), klmU("お気に入りファイル (*.dat)"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    guard.attach(&dialog);
    const QString name = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()
                             ? dialog.selectedFiles().constFirst() : QString();
    if (!name.isEmpty()) {
        std::string error;
        if (!klmLoadFavoritesFile(name.toStdString(), ctx_->catalogue, &error) && !error.empty())
            klmMessageBox(this, klmU("お気に入りを読み込めませんでした。\n") + name + QStringLiteral("\n") +
                                    QString::fromStdString(error),
                          warningTitle(), QMessageBox::Warning);
        klmRefreshList(false);
    }
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
    status_->update();
}

void MainWindow::notAvailable(int id)
{
    (void)id;
    KlmDialogGuard guard(*this);
    klmMessageBox(this, notAvailableText(), QStringLiteral("Kolmar"), QMessageBox::Information);
}

void MainWindow::command(int id)
{
    KlmMainState& st = ctx_->state;
    Settings& s = st.settings;
    if (klmRunAuditCommand(*this, id)) return;
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
    case klmcmd::FocusNext: moveFocusRing(true); return;
    case klmcmd::FocusPrevious: moveFocusRing(false); return;
    case klmcmd::OwnedColour: pickColour(0); return;
    case klmcmd::NotRenamedColour: pickColour(1); return;
    case klmcmd::NotOwnedColour: pickColour(2); return;
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
    case klmcmd::Replacements: klmOpenReplaceDialog(*this); return;
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
    if (!st.pausedForDialog) return;
    // The movie window reports its position here once it exists.
    st.dialogMoviePosition = st.moviePosition;
    st.moviePlaying = false;
}

void MainWindow::klmResumeMovieAfterDialog()
{
    KlmMainState& st = ctx_->state;
    if (st.pausedForDialog) {
        st.moviePosition = st.dialogMoviePosition;
        st.moviePlaying = true;
    }
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
        // Closed while maximized, or minimized from maximized: maximized
        // again, restoring to the stored rectangle.
        if (p.showCmd == kKlmShowMaximized) showMaximized();
        else show();
        return;
    }
    // First run, or a placement that cannot be used: 90 % of the work area, centred.
    if (QScreen* sc = QApplication::primaryScreen()) {
        const QRect w = sc->availableGeometry();
        const KlmRect r = klmFirstRunWindowRect({w.left(), w.top(), w.width(), w.height()});
        setGeometry(r.x, r.y, r.w, r.h);
    }
    if (!hasSettingFile_) {
        ctx_->state.settings.splitX = klmFirstRunSplitX(width());
        ctx_->state.settings.splitY = kKlmFirstRunSplitY;
    }
    show();
    klmLayoutWindow();
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
    const Qt::WindowStates state = windowState();
    if (state & Qt::WindowMinimized) {
        p.flags = (state & Qt::WindowMaximized) ? kKlmPlaceRestoreToMaximized : 0;
        p.showCmd = klmSavedShowState(kKlmShowMinimized, p.flags);
    } else {
        p.showCmd = (state & Qt::WindowMaximized) ? kKlmShowMaximized : kKlmShowNormal;
    }

    struct Write {
        const char* name;
        std::function<bool(std::string*)> run;
    };
    const std::vector<Write> writes = {
        {"dat.cache", [&](std::string* e) { return klmSaveCatalogueCache(c.paths, c.catalogue, e); }},
        {"sort.cache", [&](std::string* e) { return klmWriteSortCache(c.paths, st.browse.orders, e); }},
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

KlmLayoutInput MainWindow::layoutInput() const
{
    const Settings& s = ctx_->state.settings;
    KlmLayoutInput in;
    in.clientW = area_->width();
    in.clientH = area_->height();
    in.toolbarShown = s.showToolbar != 0;
    in.toolbarH = toolbar_ ? toolbar_->sizeHint().height() : 0;
    in.statusShown = s.showStatusBar != 0;
    in.statusH = status_->sizeHint().height();
    in.comboH = search_->comboHeight();
    in.resetButtonW = search_->resetButtonWidth();
    in.showInfoIcon = s.showInfoIcon != 0;
    in.showInfoText = s.showInfoText != 0;
    in.splitX = s.splitX;
    in.splitY = s.splitY;
    return in;
}

void MainWindow::klmLayoutWindow()
{
    // Before the window is shown its client size is a placeholder: the
    // bounds would pull the stored splitters in for nothing.
    if (!area_ || !toolbar_ || !isVisible() || isMinimized()) return;
    KlmLayoutInput in = layoutInput();
    if (in.clientW <= 0 || in.clientH <= 0) return;
    klmClampSplitters(in);
    Settings& s = ctx_->state.settings;
    s.splitX = in.splitX;
    s.splitY = in.splitY;
    const KlmLayout l = klmComputeLayout(in);
    auto rect = [](const KlmRect& r) { return QRect(r.x, r.y, r.w, r.h); };
    toolbar_->setGeometry(0, 0, in.clientW, in.toolbarH);
    status_->setGeometry(0, in.clientH - l.S, in.clientW, in.statusH);
    list_->setGeometry(rect(l.list));
    snaps_[0]->setGeometry(rect(l.snap1));
    snaps_[1]->setGeometry(rect(l.snap2));
    icon_->setGeometry(rect(l.infoIcon));
    info_->setGeometry(rect(l.infoText));
    search_->placeControls(l);
    area_->update();
}

void MainWindow::paintSplitters()
{
    QPainter p(area_);
    const KlmLayoutInput in = layoutInput();
    const KlmLayout l = klmComputeLayout(in);
    // Five 1-pixel lines per bar: grey edges, lighter, a near-white centre.
    static const QColor kLines[5] = {QColor(0x78, 0x78, 0x78), QColor(0xBE, 0xBE, 0xBE), QColor(0xFA, 0xFA, 0xFA),
                                     QColor(0xBE, 0xBE, 0xBE), QColor(0x78, 0x78, 0x78)};
    const KlmRect& v = l.verticalBar;
    const KlmRect& h = l.horizontalBar;
    for (int i = 0; i < 5; ++i) {
        p.fillRect(v.x + i, v.y, 1, v.h, kLines[i]);
        p.fillRect(h.x, h.y + i, h.w, 1, kLines[i]);
    }
}

void MainWindow::showDragLines()
{
    const KlmLayoutInput in = layoutInput();
    const int T = klmLayoutT(in), S = klmLayoutS(in);
    if (drag_.mode & kKlmHitVertical) {
        dragLines_[0]->setGeometry(drag_.posX - 2, T, 5, in.clientH - S - T);
        dragLines_[0]->show();
        dragLines_[0]->raise();
    }
    if (drag_.mode & kKlmHitHorizontal) {
        const int left = ((drag_.mode & kKlmHitVertical) ? drag_.posX : in.splitX) + 2;
        dragLines_[1]->setGeometry(left, drag_.posY - 2, in.clientW - left, 5);
        dragLines_[1]->show();
        dragLines_[1]->raise();
    }
}

bool MainWindow::splitterMouse(QEvent* event)
{
    auto* m = static_cast<QMouseEvent*>(event);
    const QPoint pos = m->position().toPoint();
    KlmLayoutInput in = layoutInput();
    KlmMainState& st = ctx_->state;
    if (event->type() == QEvent::MouseMove) {
        if (drag_.mode == kKlmHitNone) {
            const int hit = klmSplitterHitTest(in, pos.x(), pos.y());
            if (hit == kKlmHitBoth) area_->setCursor(Qt::SizeAllCursor);
            else if (hit == kKlmHitVertical) area_->setCursor(Qt::SizeHorCursor);
            else if (hit == kKlmHitHorizontal) area_->setCursor(Qt::SizeVerCursor);
            else area_->unsetCursor();
            return false;
        }
        klmMoveSplitDrag(drag_, in, pos.x(), pos.y());
        showDragLines();
        return true;
    }
    if (m->button() != Qt::LeftButton) return false;
    if (event->type() == QEvent::MouseButtonPress) {
        const int hit = klmSplitterHitTest(in, pos.x(), pos.y());
        if (hit == kKlmHitNone) return false;
        // The area has the mouse until the button is released.
        drag_ = klmBeginSplitDrag(in, hit, pos.x(), pos.y());
        showDragLines();
        dragPausedMovie_ = st.moviePlaying;
        st.moviePlaying = false;
        if (st.autoSelectRunning) autoSelectTimer_.stop();
        return true;
    }
    if (drag_.mode == kKlmHitNone) return false;
    klmEndSplitDrag(drag_, in);
    drag_ = KlmSplitDrag{};
    for (QWidget* line : dragLines_) line->hide();
    st.settings.splitX = in.splitX;
    st.settings.splitY = in.splitY;
    klmLayoutWindow();
    update();
    if (dragPausedMovie_) st.moviePlaying = true;
    dragPausedMovie_ = false;
    if (st.autoSelectRunning) autoSelectTimer_.start(std::max(st.settings.autoSelectInterval, 1));
    return true;
}

void MainWindow::moveFocusRing(bool forward)
{
    QWidget* focus = focusWidget();
    int32_t current = 0;
    if (focus == list_ || (focus && list_->isAncestorOf(focus))) current = 1001;
    else if (focus) {
        for (int i = 0; i < kKlmFocusRingSize; ++i) {
            const int32_t id = klmFocusRingMember(i);
            if (id != 1001 && search_->control(id) == focus) current = id;
        }
    }
    // Disabled qualifier lists are passed over.
    int32_t next = klmFocusRingNext(current, forward);
    for (int i = 0; i < kKlmFocusRingSize; ++i) {
        QWidget* w = next == 1001 ? static_cast<QWidget*>(list_) : search_->control(next);
        if (w && w->isEnabled() && w->isVisible()) {
            w->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return;
        }
        next = klmFocusRingNext(next, forward);
    }
}

void MainWindow::pickColour(int item)
{
    Settings& s = ctx_->state.settings;
    int32_t* colours[3] = {&s.ownedColour, &s.notRenamedColour, &s.notOwnedColour};
    if (item < 0 || item > 2) return;
    KlmDialogGuard guard(*this);
    const int32_t bgr = *colours[item];
    QColorDialog dialog(QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF), this);
    guard.attach(&dialog);
    const QColor chosen = dialog.exec() == QDialog::Accepted ? dialog.selectedColor() : QColor();
    if (chosen.isValid()) {
        *colours[item] = chosen.red() | (chosen.green() << 8) | (chosen.blue() << 16);
        list_->viewport()->update();
        status_->update();
    }
}

void MainWindow::chooseVolume(int volume)
{
    ctx_->state.settings.volume = klmClampVolume(volume);
    status_->update();
}
