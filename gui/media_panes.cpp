#include "media_panes.h"

#include <QFileInfo>
#include <QWidget>

#include "movie_player.h"
#include "picture_panes.h"

namespace {

QRect toQRect(const KlmRect& r) { return QRect(r.x, r.y, r.w, r.h); }
KlmRect toKlmRect(const QRect& r) { return {r.x(), r.y(), r.width(), r.height()}; }

}  // namespace

KlmMediaPanes::KlmMediaPanes(const KlmMediaSources& sources, QWidget* area) : QObject(area), src_(sources)
{
    panes_[0] = new KlmPicturePane(QStringLiteral("KLMSKIN1WNDCLASS"), cache_, area);
    panes_[1] = new KlmPicturePane(QStringLiteral("KLMSKIN2WNDCLASS"), cache_, area);
    icon_ = new KlmIconPane(area);
    movie_ = new KlmMoviePlayer(panes_[1]);
    connect(panes_[0], &KlmPicturePane::clicked, this, &KlmMediaPanes::firstPaneClicked);
    // Its own size may be what the second pane is shaped by.
    connect(movie_, &KlmMoviePlayer::sourceSizeChanged, this, [this] {
        if (src_.settings->movieAspect == kKlmMovieAspectOwn)
            layoutMovie();
    });
    preloadTimer_.setSingleShot(true);
    preloadTimer_.setInterval(0);
    connect(&preloadTimer_, &QTimer::timeout, this, &KlmMediaPanes::preloadStep);

    const Settings& s = *src_.settings;
    movie_->setLoop(s.loopPlayback != 0);
    movie_->setVolume(s.volume, s.mute != 0);
    movie_->setSpeed(s.speed);
}

KlmMediaPanes::~KlmMediaPanes() = default;

const GameRecord* KlmMediaPanes::game() const
{
    const Catalogue& cat = *src_.catalogue;
    if (selected_ < 0 || static_cast<size_t>(selected_) >= cat.games.size())
        return nullptr;
    return &cat.games[static_cast<size_t>(selected_)];
}

bool KlmMediaPanes::movieShown() const { return !movie_->view()->isHidden(); }

KlmPaneState KlmMediaPanes::paneState() const
{
    KlmPaneState st;
    st.selected = game() ? selected_ : kKlmNoSelection;
    st.firstPaneToggle = toggle_;
    st.movieAspect = src_.settings->movieAspect;
    st.movieSource = {movie_->sourceSize().width(), movie_->sourceSize().height()};
    st.movieVisible = movieShown();
    return st;
}

KlmPaneLayout KlmMediaPanes::layoutPane(int kind, const QRect& slot)
{
    return klmLayoutPane(*src_.paths, *src_.catalogue, src_.skins, paneState(), kind, toKlmRect(slot),
                         cache_.sizer());
}

void KlmMediaPanes::applyPicture(KlmPicturePane* pane, const KlmPaneLayout& l)
{
    pane->setGeometry(toQRect(l.pane));
    pane->setContent(l.framePath, l.picturePath, l.picture);
}

void KlmMediaPanes::setSlots(const QRect& first, const QRect& second)
{
    slots_[0] = first;
    slots_[1] = second;
}

void KlmMediaPanes::setIconSlot(const QRect& icon) { icon_->setGeometry(icon); }

void KlmMediaPanes::layoutAll()
{
    layoutFirst();
    layoutSecond();
    updateIcons();
}

void KlmMediaPanes::layoutFirst() { applyPicture(panes_[0], layoutPane(kKlmPaneFirst, slots_[0])); }

void KlmMediaPanes::layoutSecond()
{
    applyPicture(panes_[1], layoutPane(kKlmPaneSecond, slots_[1]));
    panes_[1]->setPictureShown(klmSecondPaneDrawsPicture(movieShown()));
    layoutMovie();
}

void KlmMediaPanes::layoutMovie()
{
    const KlmPaneLayout l = layoutPane(kKlmPaneMovie, slots_[1]);
    if (l.skipped)
        return;
    // The movie's values replace the second pane's place and frame; its
    // picture rectangle stays that of the game snapshot.
    panes_[1]->setGeometry(toQRect(l.pane));
    panes_[1]->setContent(l.framePath, l.picturePath, panes_[1]->pictureRect());
    movie_->view()->setGeometry(toQRect(l.movie));
}

void KlmMediaPanes::updateIcons()
{
    icon_->setIcons(klmInfoIconPaths(*src_.paths, *src_.catalogue, game() ? selected_ : kKlmNoSelection,
                                     src_.settings->showInfoIcon != 0));
}

bool KlmMediaPanes::startMovie()
{
    const GameRecord* g = game();
    if (!g || !src_.settings->showMovie || g->hasMovie != 1)
        return false;
    const std::string path = klmMovieFilePath(*src_.paths, *g);
    if (path.empty() || !QFileInfo(QString::fromStdString(path)).isFile())
        return false;
    movie_->view()->show();
    layoutSecond();
    return movie_->start(QString::fromStdString(path));
}

void KlmMediaPanes::stopMovie()
{
    movie_->stop();
    layoutSecond();
}

void KlmMediaPanes::selectGame(int32_t game, bool reload)
{
    if (game == selected_ && !reload)
        return;
    selected_ = game;
    toggle_ = false;
    layoutFirst();
    updateIcons();
    if (!startMovie())
        stopMovie();
}

void KlmMediaPanes::preloadGames(const std::vector<int32_t>& games)
{
    preload_.clear();
    const Catalogue& cat = *src_.catalogue;
    for (int32_t i : games)
        if (i >= 0 && static_cast<size_t>(i) < cat.games.size())
            for (int kind : {kKlmPaneFirst, kKlmPaneSecond})
                preload_.emplace_back(i, kind);
    if (!preload_.empty())
        preloadTimer_.start();
}

void KlmMediaPanes::preloadStep()
{
    // One pane of one game per turn of the event loop, so keys are never
    // kept waiting: its pictures decoded and scaled as that pane will show
    // them, the same way the pane itself asks for them.
    if (preload_.empty())
        return;
    const auto [game, kind] = preload_.front();
    preload_.pop_front();
    KlmPaneState st = paneState();
    st.selected = game;
    st.firstPaneToggle = false;
    st.movieVisible = false;
    const KlmPaneLayout l = klmLayoutPane(*src_.paths, *src_.catalogue, src_.skins, st, kind,
                                          toKlmRect(slots_[kind == kKlmPaneFirst ? 0 : 1]), cache_.sizer());
    const qreal dpr = panes_[0]->devicePixelRatioF();
    cache_.scaled(l.framePath, QSize(l.pane.w, l.pane.h) * dpr);
    cache_.scaled(l.picturePath, QSize(l.picture.right - l.picture.left, l.picture.bottom - l.picture.top) * dpr);
    if (!preload_.empty())
        preloadTimer_.start();
}

void KlmMediaPanes::firstPaneClicked()
{
    if (!klmFirstPaneClickSwaps(*src_.catalogue, game() ? selected_ : kKlmNoSelection, src_.settings->showMovie != 0))
        return;
    toggle_ = !toggle_;
    layoutFirst();
    Q_EMIT firstPaneSwapped(toggle_);
}

void KlmMediaPanes::movieDisplayToggled()
{
    if (!game())
        return;
    if (src_.settings->showMovie && startMovie())
        return;
    if (toggle_) {
        toggle_ = false;
        layoutFirst();
    }
    stopMovie();
}

void KlmMediaPanes::loopToggled() { movie_->setLoop(src_.settings->loopPlayback != 0); }

void KlmMediaPanes::volumeChanged() { movie_->setVolume(src_.settings->volume, src_.settings->mute != 0); }

void KlmMediaPanes::speedChanged() { movie_->setSpeed(src_.settings->speed); }

void KlmMediaPanes::play() { movie_->play(); }

void KlmMediaPanes::pause() { movie_->pause(); }

void KlmMediaPanes::movieInfoChanged()
{
    // The selected game may have gained or lost its movie; one that still
    // has it plays on where it stands.
    const GameRecord* g = game();
    const bool wanted = g && src_.settings->showMovie && g->hasMovie == 1;
    if (wanted && movieShown())
        return;
    if (!wanted && toggle_) {
        toggle_ = false;
        layoutFirst();
    }
    if (!startMovie())
        stopMovie();
}

bool KlmMediaPanes::pauseForDialog()
{
    pausedForDialog_ = src_.settings->showMovie && movie_->isPlaying();
    if (pausedForDialog_) {
        dialogPosition_ = movie_->position();
        movie_->pause();
    }
    return pausedForDialog_;
}

void KlmMediaPanes::resumeAfterDialog()
{
    if (pausedForDialog_)
        movie_->playFrom(dialogPosition_);
    pausedForDialog_ = false;
}

void KlmMediaPanes::settingsChanged()
{
    volumeChanged();
    speedChanged();
    loopToggled();
    layoutAll();
}
