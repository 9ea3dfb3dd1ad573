#include "movie_player.h"

#include <QAudioOutput>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMediaMetaData>
#include <QMediaPlayer>
#include <QPainter>
#include <QTimer>
#include <QUrl>
#include <QVideoSink>

#include <algorithm>
#include <cmath>

#include "message_box.h"
#include "qt_text.h"

KlmMovieView::KlmMovieView(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
}

void KlmMovieView::showFrame(const QVideoFrame& frame)
{
    frame_ = frame;
    converted_ = false;
    time_ = frame.startTime();
    ++frames_;
    update();
}

void KlmMovieView::clear()
{
    frame_ = QVideoFrame();
    image_ = QImage();
    converted_ = true;
    time_ = -1;
    update();
}

QImage KlmMovieView::currentImage()
{
    // Converted only when looked at: frames that are never painted cost nothing.
    if (!converted_) {
        image_ = frame_.isValid() ? frame_.toImage() : QImage();
        converted_ = true;
    }
    return image_;
}

void KlmMovieView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QImage image = currentImage();
    if (image.isNull()) {
        p.fillRect(rect(), Qt::black);
        return;
    }
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(rect(), image);
}

KlmMoviePlayer::KlmMoviePlayer(QWidget* viewParent) : QObject(viewParent)
{
    view_ = new KlmMovieView(viewParent);
    view_->hide();
    switch_.setSingleShot(true);
    switch_.setInterval(kSwitchDelayMs);
    connect(&switch_, &QTimer::timeout, this, &KlmMoviePlayer::applySource);
}

KlmMoviePlayer::~KlmMoviePlayer()
{
    ++generation_;
    if (player_)
        player_->stop();
}

QMediaPlayer* KlmMoviePlayer::mediaPlayer()
{
    if (player_)
        return player_;
    // Made when a movie is first opened: the media framework's start-up
    // (its backend, the audio device) would otherwise delay every window.
    player_ = new QMediaPlayer(this);
    audio_ = new QAudioOutput(this);
    sink_ = new QVideoSink(this);
    player_->setAudioOutput(audio_);
    player_->setVideoSink(sink_);
    audio_->setVolume(outputVolume());

    connect(sink_, &QVideoSink::videoFrameChanged, this, &KlmMoviePlayer::onFrame);
    connect(player_, &QMediaPlayer::mediaStatusChanged, this,
            [this](QMediaPlayer::MediaStatus s) { onStatus(static_cast<int>(s)); });
    connect(player_, &QMediaPlayer::errorOccurred, this, [this](QMediaPlayer::Error e, const QString&) {
        if (e != QMediaPlayer::NoError && !hasPending_)
            fail();
    });
    connect(player_, &QMediaPlayer::durationChanged, this, [this] { updateStopPosition(); });
    connect(player_, &QMediaPlayer::positionChanged, this, &KlmMoviePlayer::onPosition);
    return player_;
}

bool KlmMoviePlayer::start(const QString& path)
{
    ++generation_;
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile())
        return false;
    path_ = path;
    open_ = true;
    failed_ = false;
    playing_ = true;
    held_ = false;
    atEnd_ = false;
    armed_ = false;
    restartAtEnd_ = false;
    shownSinceStart_ = false;
    passFrames_ = 0;
    frameUs_ = 0;
    stopMs_ = -1;
    if (view_)
        view_->clear();
    mediaPlayer();
    audio_->setVolume(outputVolume());
    switchSource(QUrl::fromLocalFile(info.absoluteFilePath()));
    return true;
}

void KlmMoviePlayer::stop()
{
    ++generation_;
    open_ = false;
    playing_ = false;
    held_ = false;
    if (view_) {
        view_->hide();
        view_->clear();
    }
    switchSource(QUrl());
}

void KlmMoviePlayer::close()
{
    ++generation_;
    open_ = false;
    playing_ = false;
    held_ = false;
    switch_.stop();
    hasPending_ = false;
    if (view_)
        view_->hide();
    if (!player_)
        return;
    if (player_->playbackState() == QMediaPlayer::PlayingState) {
        // As for a switch: the video sink may be waiting for this thread.
        player_->pause();
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < kSwitchDelayMs)
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, kSwitchDelayMs);
    }
    player_->stop();
    player_->setSource(QUrl());
}

void KlmMoviePlayer::switchSource(const QUrl& url)
{
    if (!player_ && url.isEmpty())
        return;  // nothing was ever opened
    pending_ = url;
    hasPending_ = true;
    if (mediaPlayer()->playbackState() == QMediaPlayer::StoppedState) {
        applySource();
        return;
    }
    // Closing a running stream waits for its video sink, which waits for
    // this thread to take its frame: pause first and let the event loop
    // turn, so that the switch never stalls the window. Quick successive
    // switches (a key held down) open only the last movie.
    player_->pause();
    switch_.start();
}

void KlmMoviePlayer::applySource()
{
    switch_.stop();
    if (!hasPending_)
        return;
    hasPending_ = false;
    player_->setSource(pending_);
    if (pending_.isEmpty())
        return;
    player_->setPlaybackRate(rate_);
    if (playing_)
        player_->play();
}

bool KlmMoviePlayer::canPlay() const { return open_ && !failed_; }

void KlmMoviePlayer::play()
{
    if (!canPlay())
        return;
    playing_ = true;
    if (hasPending_)
        return;  // the movie being opened starts playing
    if (held_) {
        // From the held frame: again from the start, once the stream is at
        // its end (a seek while its last frames are in flight can break it).
        if (atEnd_)
            restart();
        else
            restartAtEnd_ = true;
        return;
    }
    player_->play();
}

void KlmMoviePlayer::pause()
{
    if (!canPlay())
        return;
    playing_ = false;
    restartAtEnd_ = false;
    player_->pause();
}

qint64 KlmMoviePlayer::position() const { return player_ ? player_->position() : 0; }

void KlmMoviePlayer::playFrom(qint64 positionMs)
{
    if (!canPlay())
        return;
    playing_ = true;
    if (held_ || hasPending_) {
        play();
        return;
    }
    armed_ = false;
    player_->setPosition(positionMs);
    player_->play();
}

void KlmMoviePlayer::setLoop(bool on)
{
    loop_ = on;
    if (on && held_ && canPlay()) {
        playing_ = true;
        play();
    }
}

void KlmMoviePlayer::setVolume(int volume, bool mute)
{
    deviceVolume_ = mute ? 0 : std::clamp(volume, 0, 100) * 10;
    if (audio_)
        audio_->setVolume(outputVolume());
}

float KlmMoviePlayer::outputVolume() const { return static_cast<float>(deviceVolume_) / 1000.0f; }

void KlmMoviePlayer::setSpeed(int speed)
{
    rate_ = std::clamp(speed, 1, 100000) / 1000.0;
    if (canPlay())
        player_->setPlaybackRate(rate_);
}

qreal KlmMoviePlayer::playbackRate() const { return rate_; }

void KlmMoviePlayer::onStatus(int status)
{
    if (!open_ || failed_ || hasPending_)
        return;
    switch (static_cast<QMediaPlayer::MediaStatus>(status)) {
    case QMediaPlayer::LoadedMedia: {
        const QMediaMetaData meta = player_->metaData();
        const double fps = meta.value(QMediaMetaData::VideoFrameRate).toDouble();
        if (fps > 0 && frameUs_ <= 0)
            frameUs_ = 1000000.0 / fps;
        player_->setPlaybackRate(rate_);
        updateStopPosition();
        break;
    }
    case QMediaPlayer::EndOfMedia:
        atEnd_ = true;
        reachStop();  // a stop point never met (too short, or of unknown length)
        // A pass that showed nothing does not loop, or a broken file would spin.
        if (playing_ && (loop_ || restartAtEnd_) && passFrames_ > 0)
            restart();
        break;
    case QMediaPlayer::InvalidMedia:
        fail();
        break;
    default:
        break;
    }
}

void KlmMoviePlayer::onFrame(const QVideoFrame& frame)
{
    if (!open_ || failed_ || hasPending_ || !frame.isValid())
        return;
    const QSize size = frame.size();
    if (qint64{size.width()} * size.height() > kMaxFramePixels) {
        fail();
        return;
    }
    if (size != sourceSize_ && !size.isEmpty()) {
        sourceSize_ = size;
        Q_EMIT sourceSizeChanged(size);
    }
    const qint64 t = frame.startTime();
    if (frameUs_ <= 0 && t >= 0 && frame.endTime() > t) {
        frameUs_ = static_cast<double>(frame.endTime() - t);
        updateStopPosition();
    }
    const qint64 stopUs = stopMs_ >= 0 ? stopMs_ * 1000 : -1;
    const bool known = stopUs >= 0 && t >= 0;
    // The stream runs on to its end; the view stays on the stop frame.
    if (!held_ && (!known || t <= stopUs)) {
        if (view_)
            view_->showFrame(frame);
        ++passFrames_;
        shownSinceStart_ = true;
    }
    if (!known || t < stopUs)
        armed_ = true;
    else if (armed_)
        reachStop();
}

void KlmMoviePlayer::onPosition(qint64 positionMs)
{
    if (!open_ || failed_ || hasPending_ || stopMs_ < 0)
        return;
    if (positionMs < stopMs_)
        armed_ = true;
    else if (armed_)
        reachStop();
}

void KlmMoviePlayer::updateStopPosition()
{
    const qint64 duration = player_->duration();
    if (duration <= 0 || frameUs_ <= 0)
        return;
    const qint64 stop = duration - std::llround(kFramesBeforeEnd * frameUs_ / 1000.0);
    stopMs_ = stop > 0 ? stop : -1;
}

void KlmMoviePlayer::reachStop()
{
    if (held_)
        return;
    held_ = true;
    if (!loop_)
        Q_EMIT reachedEnd();
}

void KlmMoviePlayer::restart()
{
    held_ = false;
    atEnd_ = false;
    armed_ = false;
    restartAtEnd_ = false;
    passFrames_ = 0;
    player_->setPosition(0);
    player_->play();
    Q_EMIT restarted();
}

void KlmMoviePlayer::fail()
{
    if (failed_ || !open_)
        return;
    if (shownSinceStart_) {
        // A movie that has played breaks off (a file cut short, or the
        // stream stopped under it near its end): it ends there, on its last
        // frame, as a movie does.
        atEnd_ = true;
        reachStop();
        return;
    }
    failed_ = true;
    playing_ = false;
    if (view_)
        view_->clear();  // the view stays, black, until the next selection
    // After the framework's own signal has returned: the player is closed
    // and the message shown unless another movie was opened meanwhile.
    const quint64 generation = generation_;
    const QString path = path_;
    QTimer::singleShot(0, this, [this, generation, path] {
        if (generation != generation_)
            return;
        switchSource(QUrl());
        klmMessageBox(view_ ? view_->window() : nullptr, klmU("再生できません"), QStringLiteral("Error"),
                      QMessageBox::NoIcon, QMessageBox::Ok);
        Q_EMIT failed(path);
    });
}
