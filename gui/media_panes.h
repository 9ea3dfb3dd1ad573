// The media beside the game list: the two picture panes, the icon pane and
// the movie in the second pane, driven by the selection and the movie
// commands. It reads the paths, the catalogue, the settings and the skin
// table it is given (never the main window) and decides nothing itself:
// the choices and the geometry come from core/media.
//
// The window calls, in its own words:
//  - setSlots() with the snapshot slots of every window layout, then
//    layoutAll(); setIconSlot() likewise;
//  - selectGame() on every selection change (reload: the refresh asks for
//    the panes again even for the same game), and preloadGames() with the
//    rows around it;
//  - the movie commands after they changed the settings: movieDisplayToggled
//    (32830), loopToggled (32835), volumeChanged (32774, 32775, 33103,
//    32777), speedChanged (33100–33102), play (32772), pause (32773),
//    movieInfoChanged (32849);
//  - pauseForDialog() / resumeAfterDialog() around every modal dialog, the
//    splitter drag and the launch; settingsChanged() after the display
//    settings and the snap-skin dialog.
#pragma once

#include <QObject>
#include <QRect>
#include <QTimer>

#include <cstdint>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "catalogue/app_paths.h"
#include "catalogue/catalogue.h"
#include "media/panes.h"
#include "media/skins.h"
#include "picture_cache.h"
#include "settings/settings.h"

class KlmIconPane;
class KlmMoviePlayer;
class KlmPicturePane;

struct KlmMediaSources {
    const AppPaths* paths = nullptr;
    const Catalogue* catalogue = nullptr;
    const Settings* settings = nullptr;
    const SkinTable* skins = nullptr;  // null: no table (the default frame, width 1)
};

class KlmMediaPanes : public QObject {
    Q_OBJECT
public:
    // The panes become children of area (the window's client area).
    KlmMediaPanes(const KlmMediaSources& sources, QWidget* area);
    ~KlmMediaPanes() override;

    KlmPicturePane* firstPane() const { return panes_[0]; }
    KlmPicturePane* secondPane() const { return panes_[1]; }
    KlmIconPane* iconPane() const { return icon_; }
    KlmMoviePlayer* movie() const { return movie_; }
    KlmPictureCache& cache() { return cache_; }

    // The slots of the window layout, in area coordinates.
    void setSlots(const QRect& first, const QRect& second);
    void setIconSlot(const QRect& icon);

    int32_t selectedGame() const { return selected_; }
    bool firstPaneToggle() const { return toggle_; }
    bool movieShown() const;

    // Lays out and repaints: everything; the first pane; the second pane
    // (and the movie over it while shown); the movie part only.
    void layoutAll();
    void layoutFirst();
    void layoutSecond();
    void layoutMovie();

    void selectGame(int32_t game, bool reload = false);
    // Decodes and scales these games' pictures while the window is idle.
    void preloadGames(const std::vector<int32_t>& games);

    void movieDisplayToggled();
    void loopToggled();
    void volumeChanged();
    void speedChanged();
    void play();
    void pause();
    void movieInfoChanged();

    // Pauses a playing movie (when the movie display is on) and remembers
    // where it stood; resume plays on from there. True when it paused.
    bool pauseForDialog();
    void resumeAfterDialog();
    bool pausedForDialog() const { return pausedForDialog_; }

    void settingsChanged();

Q_SIGNALS:
    // A click on the first pane swapped its picture (toggle: game snapshot shown).
    void firstPaneSwapped(bool toggle);

private:
    KlmPaneState paneState() const;
    KlmPaneLayout layoutPane(int kind, const QRect& slot);
    void applyPicture(KlmPicturePane* pane, const KlmPaneLayout& l);
    void updateIcons();
    bool startMovie();
    void stopMovie();
    void firstPaneClicked();
    void preloadStep();
    const GameRecord* game() const;

    KlmMediaSources src_;
    KlmPictureCache cache_;
    KlmPicturePane* panes_[2] = {};
    KlmIconPane* icon_ = nullptr;
    KlmMoviePlayer* movie_ = nullptr;
    QRect slots_[2];
    int32_t selected_ = kKlmNoSelection;
    bool toggle_ = false;
    bool pausedForDialog_ = false;
    qint64 dialogPosition_ = 0;
    std::deque<std::pair<int32_t, int>> preload_;  // game, pane kind
    QTimer preloadTimer_;
};
