// The main window (KLMFRAMEWNDCLASS). It composes the parts: the session
// it opens and saves, the client area with its panes, the game list, the
// search bar, the status bar and toolbar, the menus made from the command
// table and the router every command goes through. It is also what the
// parts and the dialogs see of the window (KlmWindowServices), and owns the
// two things that belong to no part: list auto-selection and the focus ring.
#pragma once

#include <QHash>
#include <QMainWindow>
#include <QStringList>
#include <QTimer>

#include <future>
#include <memory>

#include "command_router.h"
#include "window_services.h"

class QAction;
class QPlainTextEdit;
class QToolBar;
class GameListModel;
class KlmClientArea;
class KlmGameListView;
class KlmMediaPanes;
class KlmStatusBar;
class KlmCatalogueAhead;
class SearchBar;

class MainWindow : public QMainWindow, public KlmWindowServices {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // The start-up on the base folder (the session's open, then the panes).
    // False after the "重大なエラー" message when a catalogue file is missing.
    // ahead: the catalogue being read already, if any.
    bool startUp(const QString& baseFolder, KlmCatalogueAhead* ahead = nullptr);
    // Places the window from window.dat (or the first-run geometry) and shows it.
    void showPlaced();

    // Runs a command as the menu, a key or a pop-up would.
    void command(int32_t id) { router_.run(id); }
    const KlmCommandRouter& router() const { return router_; }

    QAction* action(int32_t id) const { return actions_.value(id); }
    KlmGameListView* gameList() const { return list_; }
    GameListModel* model() const;
    SearchBar* searchBar() const { return search_; }
    QPlainTextEdit* infoPane() const { return info_; }
    KlmStatusBar* statusPane() const { return status_; }
    QToolBar* toolBar() const { return toolbar_; }
    KlmClientArea* clientArea() const { return area_; }
    // Timer 1000: list auto-selection.
    const QTimer& autoSelectTimer() const { return autoSelectTimer_; }
    KlmMediaPanes* media() const { return media_; }
    const KlmAppContext& context() const { return *ctx_; }
    KlmAppContext& context() { return *ctx_; }
    // The files the last shutdown wrote, in order (file names).
    const QStringList& savedFiles() const { return savedFiles_; }

    // KlmWindowServices
    KlmAppContext& session() override { return *ctx_; }
    QWidget* window() override { return this; }
    void refreshList(bool forceReload, KlmRefreshScope scope = KlmRefreshScope::Everything) override;
    void ownershipChanged() override;
    void repaintStatus() override;
    void repaintList() override;
    void setCommandChecked(int32_t id, bool on) override;
    void focusList() override;
    void beforeCommand() override;
    void suspendAutoSelect() override;
    void resumeAutoSelect() override;
    void pauseMovieForDialog() override;
    void resumeMovieAfterDialog() override;
    void centreDialog(QWidget* dialog) override;
    void picturesChanged() override;
    KlmMessenger& messages() override { return messenger_; }
    KlmPickers& pickers() override { return pickers_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Waits for the search index copied at start-up, if it is still being
    // copied; then passes use it.
    void settleIndex();
    void createParts();
    void registerOwnCommands();
    void applySettings();
    void showSelectedGame(int row);
    void preloadNeighbours(int row);
    void updateInfoPane();
    void autoSelectTick();
    void startAutoSelectTimer();
    void moveFocusRing(bool forward);
    void shutDown();

    std::unique_ptr<KlmAppContext> ctx_;
    // dat.cache's digest being taken while nobody waits (see startUp).
    std::future<void> datDigest_;
    // The search index being copied at start-up (see settleIndex).
    std::future<void> indexTask_;
    KlmMessenger messenger_;
    KlmPickers pickers_;
    KlmCommandRouter router_;
    QHash<int32_t, QAction*> actions_;
    KlmClientArea* area_ = nullptr;
    KlmGameListView* list_ = nullptr;
    QPlainTextEdit* info_ = nullptr;
    SearchBar* search_ = nullptr;
    QToolBar* toolbar_ = nullptr;
    KlmStatusBar* status_ = nullptr;
    KlmMediaPanes* media_ = nullptr;
    int lastRow_ = 0;  // the row shown before: which way the list is walked
    QTimer autoSelectTimer_;
    bool firstRunSplitters_ = false;
    QStringList savedFiles_;
    bool shutDown_ = false;
};
