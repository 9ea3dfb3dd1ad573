#include "main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QPlainTextEdit>
#include <QRandomGenerator>
#include <QScreen>
#include <QScrollBar>
#include <QToolBar>

#include <algorithm>
#include <vector>

#include "accelerators.h"
#include "client_area.h"
#include "command_bar.h"
#include "command_handlers.h"
#include "fonts.h"
#include "game_list_model.h"
#include "game_list_view.h"
#include "launch_actions.h"
#include "media_panes.h"
#include "movie_player.h"
#include "picture_panes.h"
#include "qt_text.h"
#include "search_bar.h"
#include "session/session.h"
#include "status_bar.h"
#include "ui/game_text.h"
#include "ui/window_rules.h"
#include "view_commands.h"
#include "window_placement.h"

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent), ctx_(std::make_unique<KlmAppContext>()), router_(*this)
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
    delete takeCentralWidget();
    settleIndex();
}

GameListModel* MainWindow::model() const { return list_->gameModel(); }

bool MainWindow::startUp(const QString& baseFolder, KlmCatalogueAhead* ahead)
{
    KlmOpenOptions options;
    options.ahead = ahead;
    options.controlFont = klmDefaultControlFont();
    options.clientWidth = width();
    options.startupWritesLater = true;
    options.notify = [this](const std::string& title, const std::string& text) {
        messenger_.show(this, QString::fromStdString(text), QString::fromStdString(title), QMessageBox::Critical);
    };
    const KlmOpenReport report = klmOpenSession(*ctx_, baseFolder.toStdString(), options);
    if (!report.opened()) {
        messenger_.show(nullptr, QString::fromStdString(report.message), QString::fromUtf8(kKlmFatalTitle),
                        QMessageBox::Critical);
        return false;
    }
    // The program creates no folders; without them nothing could be saved,
    // so say so now rather than failing at the close.
    if (!report.missingFolders.empty())
        messenger_.show(nullptr,
                        QString::fromStdString(report.missingFolders) +
                            klmU(" フォルダが存在しません。\n設定や一覧の状態は保存されません。"),
                        klmU("警告"), QMessageBox::Warning);

    KlmMainState& st = ctx_->state;
    // The search index is copied from the records while the window is put
    // together and shown; until then the list is filtered by the plain
    // pass. Whatever may write a record waits for it (settleIndex).
    klmStartSearchIndex(st.browse, ctx_->catalogue, indexTask_, [this] {
        QMetaObject::invokeMethod(this, [this] { settleIndex(); }, Qt::QueuedConnection);
    });

    createParts();
    registerOwnCommands();
    klmRegisterCommandHandlers(router_, *this, {*search_, *list_, *info_, *status_, *toolbar_, *area_, *media_});

    // Without setting.dat the splitters start where a first run puts them.
    const KlmSaveFileRead* setting = report.file("setting.dat");
    firstRunSplitters_ = setting && setting->state == KlmSaveFileState::Missing;
    list_->gameModel()->loadIcons();
    // The fonts first: a font change lays out again every item of the
    // search bar's lists, which hold thousands of names for a large
    // catalogue. applySettings then finds them in place.
    klmApplyFonts(st.settings, list_, info_, search_, status_);
    search_->fillLists();
    applySettings();
    search_->showCondition();

    refreshList(true, KlmRefreshScope::Condition);
    const int32_t row = list_->currentIndex().row();
    const int32_t scroll = st.settings.listScrollRow;
    const int32_t listed = st.browse.view.count;
    if (scroll > 0 && listed > 0)
        list_->scrollTo(list_->gameModel()->index(std::min(scroll, listed - 1), 0), QAbstractItemView::PositionAtTop);
    else if (row >= 0) list_->scrollTo(list_->gameModel()->index(row, 0));
    list_->setFocus();
    st.startupComplete = true;
    // The digest of a loaded dat.cache is left for the first save; taken
    // once the window has been up a moment, the close need not wait for it.
    QTimer::singleShot(500, this, [this] { klmStartStamp(ctx_->caches.dat, datDigest_); });
    // Caches made at this start are written once the window is up.
    QTimer::singleShot(100, this, [this] {
        if (shutDown_) return;
        settleIndex();
        klmBeginStartupWrites(*ctx_);
    });
    return true;
}

void MainWindow::createParts()
{
    KlmAppContext& c = *ctx_;
    area_ = new KlmClientArea(c, this);
    setCentralWidget(area_);

    list_ = new KlmGameListView(c, area_);
    area_->setPane(KlmPane::List, list_);
    connect(list_, &KlmGameListView::currentRowChanged, this, &MainWindow::showSelectedGame);
    connect(list_, &KlmGameListView::launchRequested, this, [this] {
        beforeCommand();
        klmLaunchGame(*this, ctx_->state.settings.selectedGame, -1);
    });
    connect(list_, &KlmGameListView::gameMenuRequested, this,
            [this](const QPoint& pos) { klmShowGameMenu(*this, router_, pos); });
    connect(list_, &KlmGameListView::sortChanged, this, [this] { refreshList(false, KlmRefreshScope::Condition); });

    info_ = new QPlainTextEdit(area_);
    info_->setObjectName(QStringLiteral("1002"));
    info_->setReadOnly(true);
    info_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    info_->setTabChangesFocus(true);
    area_->setPane(KlmPane::InfoText, info_);

    search_ = new SearchBar(c, area_);
    connect(search_, &SearchBar::changed, this, [this] { refreshList(false, KlmRefreshScope::Condition); });
    connect(search_, &SearchBar::command, this, [this](int32_t id) { router_.run(id); });

    status_ = new KlmStatusBar(c, area_);
    connect(status_, &KlmStatusBar::command, this, [this](int32_t id) { router_.run(id); });
    connect(status_, &KlmStatusBar::volumeChosen, this, [this](int volume) {
        ctx_->state.settings.volume = klmClampVolume(volume);
        status_->update();
        media_->volumeChanged();
    });
    connect(status_, &KlmStatusBar::colourRequested, this, [this](int item) { klmChooseStateColour(*this, item); });

    actions_ = klmCreateCommandActions(*this, router_);
    new KlmAccelerators(*this, router_);
    toolbar_ = new QToolBar(area_);
    toolbar_->setObjectName(QStringLiteral("toolbar"));
    klmFillToolbar(*toolbar_, actions_);
    area_->setBars(toolbar_, search_, status_);

    // The snapshot panes, the icon pane and the movie in the second pane;
    // the panes shape themselves inside the slots of every layout.
    media_ = new KlmMediaPanes({&c.paths, &c.catalogue, &c.state.settings, &c.state.skins}, area_);
    area_->setPane(KlmPane::Snapshot1, media_->firstPane());
    area_->setPane(KlmPane::Snapshot2, media_->secondPane());
    area_->setPane(KlmPane::InfoIcon, media_->iconPane());
    area_->setPicturePlacer([this](const KlmLayout& l) {
        media_->setSlots(QRect(l.snap1.x, l.snap1.y, l.snap1.w, l.snap1.h),
                         QRect(l.snap2.x, l.snap2.y, l.snap2.w, l.snap2.h));
        media_->layoutAll();
    });

    // A splitter drag holds the movie and auto-selection until it ends.
    connect(area_, &KlmClientArea::dragStarted, this, [this] {
        media_->pauseForDialog();
        if (ctx_->state.autoSelectRunning) autoSelectTimer_.stop();
    });
    connect(area_, &KlmClientArea::dragFinished, this, [this] {
        media_->resumeAfterDialog();
        if (ctx_->state.autoSelectRunning) startAutoSelectTimer();
    });
}

void MainWindow::registerOwnCommands()
{
    router_.add(kKlmCmdExit, [this] { close(); });
    router_.add(kKlmCmdFocusNext, [this] { moveFocusRing(true); });
    router_.add(kKlmCmdFocusPrevious, [this] { moveFocusRing(false); });
    router_.add(kKlmCmdAutoSelect, [this] {
        KlmMainState& st = ctx_->state;
        st.autoSelectRunning = !st.autoSelectRunning;
        setCommandChecked(kKlmCmdAutoSelect, st.autoSelectRunning);
        if (st.autoSelectRunning) startAutoSelectTimer();
        else autoSelectTimer_.stop();
    });
}

void MainWindow::applySettings()
{
    const Settings& s = ctx_->state.settings;
    setCommandChecked(kKlmCmdTitleMode, s.titleMode);
    setCommandChecked(kKlmCmdWheelSelect, s.wheelSelection);
    setCommandChecked(kKlmCmdAutoSelect, false);
    setCommandChecked(kKlmCmdShowOwned, s.search.showOwned);
    setCommandChecked(kKlmCmdShowNotRenamed, s.search.showNotRenamed);
    setCommandChecked(kKlmCmdShowNotOwned, s.search.showNotOwned);
    setCommandChecked(kKlmCmdShowLaterDisks, s.search.showLaterDisks);
    setCommandChecked(kKlmCmdFavoritesOnly, s.search.favoritesOnly);
    setCommandChecked(kKlmCmdMute, s.mute);
    setCommandChecked(kKlmCmdShowMovie, s.showMovie);
    setCommandChecked(kKlmCmdLoop, s.loopPlayback);
    list_->setShowGrid(s.gridLines != 0);
    toolbar_->setVisible(s.showToolbar != 0);
    status_->setVisible(s.showStatusBar != 0);
    area_->pane(KlmPane::InfoIcon)->setVisible(s.showInfoIcon != 0);
    info_->setVisible(s.showInfoText != 0);
    klmApplyFonts(s, list_, info_, search_, status_);
    // Fixed row heights follow the font, so the view still measures no rows.
    list_->rebuildColumns();
    status_->recount();
    area_->layOut();
}

void MainWindow::settleIndex()
{
    klmFinishSearchIndex(ctx_->state.browse, indexTask_);
}

void MainWindow::beforeCommand() { settleIndex(); }

void MainWindow::refreshList(bool forceReload, KlmRefreshScope scope)
{
    // Records changed: the index being copied would not see them.
    if (scope != KlmRefreshScope::Condition) settleIndex();
    KlmAppContext& c = *ctx_;
    KlmMainState& st = c.state;
    st.browse.selectedGame = st.settings.selectedGame;
    const KlmRefreshResult r =
        klmRefreshViewList(st.browse, c.catalogue, st.settings, st.replacements, forceReload, scope);
    list_->gameModel()->reset();
    status_->update();
    if (r.empty) {
        info_->clear();
        st.settings.selectedGame = kKlmNoSelection;
        st.reload = true;
        media_->selectGame(kKlmNoSelection, true);
        return;
    }
    st.settings.selectedGame = r.selectedGame;
    st.reload = r.reload;
    list_->selectRow(r.selectedRow, st.startupComplete);
    updateInfoPane();
    if (st.settings.fitColumnsOnRefresh && st.startupComplete) list_->resizeColumnsToContents();
}

void MainWindow::ownershipChanged()
{
    status_->recount();
    refreshList(true);
}

void MainWindow::repaintStatus() { status_->update(); }
void MainWindow::repaintList() { list_->viewport()->update(); }
void MainWindow::focusList() { list_->setFocus(); }

void MainWindow::setCommandChecked(int32_t id, bool on)
{
    if (QAction* a = actions_.value(id)) a->setChecked(on);
}

void MainWindow::showSelectedGame(int row)
{
    const int32_t game = list_->gameModel()->gameAt(row);
    if (game < 0) return;
    KlmMainState& st = ctx_->state;
    const int32_t previous = st.settings.selectedGame;
    st.settings.selectedGame = game;
    updateInfoPane();
    if (!st.reload && game == previous) return;
    st.reload = false;
    media_->selectGame(game, true);
    preloadNeighbours(row);
}

void MainWindow::preloadNeighbours(int row)
{
    // Decoded while the window is idle, so that a held arrow key repaints
    // from memory: first the rows the walk is heading for.
    const int step = row >= lastRow_ ? 1 : -1;
    lastRow_ = row;
    std::vector<int32_t> games;
    for (int r : {row + step, row + 2 * step, row - step})
        if (const int32_t g = list_->gameModel()->gameAt(r); g >= 0) games.push_back(g);
    media_->preloadGames(games);
}

void MainWindow::updateInfoPane()
{
    const KlmAppContext& c = *ctx_;
    const Settings& s = c.state.settings;
    const KlmInfoLayout layout = s.infoVariant == 1 ? KlmInfoLayout::Simple : KlmInfoLayout::Detailed;
    info_->setPlainText(klmQ(klmBuildInfoText(c.catalogue, s, s.selectedGame, layout))
                            .replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

void MainWindow::startAutoSelectTimer()
{
    autoSelectTimer_.start(std::max(ctx_->state.settings.autoSelectInterval, 1));
}

void MainWindow::autoSelectTick()
{
    const int n = ctx_->state.browse.view.count;
    const int current = list_->currentIndex().row();
    const int next =
        klmAutoSelectNext(ctx_->state.settings.autoSelectOrder, current, n, QRandomGenerator::global()->generate());
    if (next < 0) return;
    ctx_->state.programSelection = true;
    list_->selectRow(next, true);
}

void MainWindow::suspendAutoSelect()
{
    KlmMainState& st = ctx_->state;
    st.autoSelectSuspended = st.autoSelectRunning;
    if (st.autoSelectRunning) autoSelectTimer_.stop();
}

void MainWindow::resumeAutoSelect()
{
    const KlmMainState& st = ctx_->state;
    if (st.autoSelectSuspended && st.autoSelectRunning) startAutoSelectTimer();
}

void MainWindow::pauseMovieForDialog() { ctx_->state.pausedForDialog = media_->pauseForDialog(); }

void MainWindow::resumeMovieAfterDialog()
{
    KlmMainState& st = ctx_->state;
    if (st.pausedForDialog) media_->resumeAfterDialog();
    st.pausedForDialog = false;
}

void MainWindow::picturesChanged()
{
    area_->pane(KlmPane::InfoIcon)->setVisible(ctx_->state.settings.showInfoIcon != 0);
    media_->settingsChanged();
    area_->layOut();
}

void MainWindow::centreDialog(QWidget* dialog)
{
    QScreen* screen = this->screen() ? this->screen() : QApplication::primaryScreen();
    if (!screen || !dialog) return;
    const QRect work = screen->availableGeometry();
    dialog->move(work.left() + (work.width() - dialog->width()) / 2, work.top() + (work.height() - dialog->height()) / 2);
}

void MainWindow::moveFocusRing(bool forward)
{
    QWidget* focus = focusWidget();
    auto widgetOf = [this](int32_t id) { return id == 1001 ? static_cast<QWidget*>(list_) : search_->control(id); };
    int32_t current = 0;
    for (int i = 0; i < kKlmFocusRingSize && focus; ++i) {
        const int32_t id = klmFocusRingMember(i);
        QWidget* w = widgetOf(id);
        if (w && (w == focus || w->isAncestorOf(focus))) current = id;
    }
    // Disabled qualifier lists are passed over.
    int32_t next = klmFocusRingNext(current, forward);
    for (int i = 0; i < kKlmFocusRingSize; ++i) {
        QWidget* w = widgetOf(next);
        if (w && w->isEnabled() && w->isVisible()) {
            w->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return;
        }
        next = klmFocusRingNext(next, forward);
    }
}

void MainWindow::showPlaced()
{
    const KlmMainState& st = ctx_->state;
    if (klmShowPlaced(*this, st.placement, st.placementRead)) return;
    if (firstRunSplitters_) {
        ctx_->state.settings.splitX = klmFirstRunSplitX(width());
        ctx_->state.settings.splitY = kKlmFirstRunSplitY;
    }
    show();
    area_->layOut();
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
    settleIndex();
    KlmMainState& st = ctx_->state;
    if (st.autoSelectRunning) autoSelectTimer_.stop();

    // What the window holds goes back into the session first.
    list_->storeColumnWidths();
    st.settings.listScrollRow = std::max(list_->rowAt(0), 0);
    st.settings.listScrollX = list_->horizontalScrollBar()->value();
    st.placement = klmCapturePlacement(*this);

    const KlmSaveReport report = klmSaveSession(*ctx_);
    // The movie closes once everything is written.
    media_->movie()->close();
    QStringList failed;
    savedFiles_.clear();
    for (const KlmSaveFileResult& r : report.results) {
        const QString name = QString::fromLatin1(klmSaveFileName(r.file));
        if (r.written) savedFiles_.push_back(name);
        else failed.push_back(name + QStringLiteral(" : ") + QString::fromStdString(r.error));
    }
    if (!failed.isEmpty()) {
        // The old files are left as they were; say which ones did not change.
        messenger_.show(this, klmU("次のファイルを保存できませんでした。\n") + failed.join(QStringLiteral("\n")),
                        klmU("警告"), QMessageBox::Warning);
    }
}
