// The main window (KLMFRAMEWNDCLASS): start-up and shutdown orders, the
// menu and key commands dispatched by id, the game list (1001), the
// game-info pane (1002), the search bar and the status bar (1010).
#pragma once

#include <QHash>
#include <QMainWindow>
#include <QStringList>
#include <QTimer>

#include <memory>

#include "app_state.h"
#include "layout/window_layout.h"

class QAction;
class QLabel;
class QPlainTextEdit;
class QTableView;
class QToolBar;
class GameListModel;
class KlmStatusBar;
class SearchBar;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // The creation sequence on the base folder; false when the window
    // cannot be created.
    bool startUp(const QString& baseFolder);
    // Places the window from window.dat (or the first-run geometry) and shows it.
    void showPlaced();

    // Runs a command as the menu, a key or a pop-up would.
    void command(int id);

    QAction* action(int id) const { return actions_.value(id); }
    QTableView* gameList() const { return list_; }
    GameListModel* model() const { return model_; }
    SearchBar* searchBar() const { return search_; }
    QPlainTextEdit* infoPane() const { return info_; }
    KlmStatusBar* statusPane() const { return status_; }
    QToolBar* toolBar() const { return toolbar_; }
    // The client area below the menu bar: every pane is placed in it.
    QWidget* clientArea() const { return area_; }
    QWidget* dragFeedback(int axis) const { return dragLines_[axis]; }
    const KlmSplitDrag& splitDrag() const { return drag_; }
    // What the geometry is computed from, as things are now.
    KlmLayoutInput layoutInput() const;
    // Clamps the splitters and places every pane (skipped while minimized).
    void klmLayoutWindow();
    const KlmAppContext& context() const { return *ctx_; }
    KlmAppContext& context() { return *ctx_; }
    // The files the last shutdown wrote, in order (file names).
    const QStringList& savedFiles() const { return savedFiles_; }
    // The commands that only answer "not available yet".
    static QList<int> unavailableCommands();

    // Full list refresh; keeps the selected game when it is still listed.
    void klmRefreshList(bool forceReload);
    // Shared dialog prologue and epilogue.
    void klmSuspendAutoSelect();
    void klmResumeAutoSelect();
    void klmPauseMovieForDialog();
    void klmResumeMovieAfterDialog();
    void klmCentreDialog(QWidget* dialog);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createChildren();
    void createMenus();
    void applySettings();
    void createToolbar();
    void paintSplitters();
    bool splitterMouse(QEvent* event);
    void showDragLines();
    void moveFocusRing(bool forward);
    void pickColour(int item);
    void chooseVolume(int volume);
    void rebuildColumns();
    void updateHeaderArrow();
    void updateStatusBar();
    void updateInfoPane();
    void selectRow(int row, bool scroll);
    void onCurrentRowChanged(int row);
    void columnClicked(int section);
    void launchGame(int32_t game, int emulatorIndex);
    void showGameMenu(const QPoint& globalPos);
    void autoSelectTick();
    void toggleViewFilter(int id);
    void setFavorites(bool on);
    void saveFavoritesAs();
    void loadFavoritesFrom();
    void movieCommand(int id);
    void notAvailable(int id);
    void setChecked(int id, bool on);
    void shutDown();
    QList<int32_t> selectedGames() const;

    std::unique_ptr<KlmAppContext> ctx_;
    QHash<int, QAction*> actions_;
    QTableView* list_ = nullptr;
    GameListModel* model_ = nullptr;
    QPlainTextEdit* info_ = nullptr;
    SearchBar* search_ = nullptr;
    QWidget* area_ = nullptr;
    QToolBar* toolbar_ = nullptr;
    KlmStatusBar* status_ = nullptr;
    QLabel* snaps_[2] = {};
    QLabel* icon_ = nullptr;
    QWidget* dragLines_[2] = {};
    KlmSplitDrag drag_;
    bool dragPausedMovie_ = false;
    QTimer autoSelectTimer_;
    QStringList savedFiles_;
    bool hasWindowFile_ = false;
    bool hasSettingFile_ = false;
    bool shutDown_ = false;
};
