// The movie of the second pane: one media player for the whole run (opened
// anew for each game, never one per selection), a borderless view that
// paints the frames its video sink receives, and the transport the movie
// commands drive.
//
// Playback runs from 0 to six frames before the end and holds that frame;
// with loop on it starts again from 0. The stream itself runs on, unseen,
// to its real end before it is sought back: pausing or seeking a GStreamer
// stream while its last frames are in flight can break it. Loading and
// decoding happen on the media framework's own threads and nothing here
// waits for them. A file that cannot be played shows "再生できません" once
// and leaves the view black; one that breaks off after playing ends there.
#pragma once

#include <QImage>
#include <QPointer>
#include <QSize>
#include <QTimer>
#include <QUrl>
#include <QVideoFrame>
#include <QWidget>

class QAudioOutput;
class QMediaPlayer;
class QVideoSink;

// Paints the last frame it was given, stretched over the whole view; black
// before the first frame and after clear().
class KlmMovieView : public QWidget {
    Q_OBJECT
public:
    explicit KlmMovieView(QWidget* parent);

    void showFrame(const QVideoFrame& frame);
    void clear();

    // The frame on screen as an image (null when there is none).
    QImage currentImage();
    // Start time (µs) of the frame on screen; −1 when unknown or none.
    qint64 currentTime() const { return time_; }
    int framesShown() const { return frames_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QVideoFrame frame_;
    QImage image_;
    bool converted_ = false;
    qint64 time_ = -1;
    int frames_ = 0;
};

class KlmMoviePlayer : public QObject {
    Q_OBJECT
public:
    // Frames larger than this (4K UHD) are refused as unplayable: no pane
    // needs them and converting them would stall the window.
    static constexpr qint64 kMaxFramePixels = qint64{3840} * 2160;
    // Playback stops this many frames before the end.
    static constexpr int kFramesBeforeEnd = 6;
    // How long a running stream is paused before another is opened.
    static constexpr int kSwitchDelayMs = 15;

    // The view becomes a (hidden) child of viewParent.
    explicit KlmMoviePlayer(QWidget* viewParent);
    ~KlmMoviePlayer() override;

    KlmMovieView* view() const { return view_; }
    // The media player, made on first use.
    QMediaPlayer* mediaPlayer();

    // Opens path and plays it from 0. False, with nothing opened, when no
    // such file exists; a file that then cannot be played is reported
    // through the message box (owned by the view's window).
    bool start(const QString& path);
    // Closes the movie and hides the view.
    void stop();
    // The close at shutdown: pauses, lets the frame in flight arrive, then
    // stops and closes the media at once (no later switch is waited for).
    void close();

    // A movie is open and has not failed.
    bool canPlay() const;
    // The movie playing flag: set by start and play, cleared by pause and
    // stop (holding at the end keeps it).
    bool isPlaying() const { return playing_; }
    // The view stays on the frame six before the end (or the last one).
    bool heldAtEnd() const { return held_; }
    QString source() const { return path_; }

    void play();
    void pause();
    // Milliseconds from the start.
    qint64 position() const;
    void playFrom(qint64 positionMs);
    // Where playback stops (ms), −1 until the length and frame rate are known.
    qint64 stopPosition() const { return stopMs_; }

    // Loop playback; switching it on while held at the end plays again.
    void setLoop(bool on);
    bool loop() const { return loop_; }
    // Volume 0–100; the device level is volume × 10, 0 while muted.
    void setVolume(int volume, bool mute);
    int deviceVolume() const { return deviceVolume_; }
    float outputVolume() const;
    // Speed 600–2000, 1000 normal: the playback rate is speed ÷ 1000.
    void setSpeed(int speed);
    qreal playbackRate() const;

    // The open movie's own frame size (0 × 0 until known).
    QSize sourceSize() const { return sourceSize_; }

Q_SIGNALS:
    void sourceSizeChanged(const QSize& size);
    // The open movie cannot be played (after the message).
    void failed(const QString& path);
    // Looping began again at 0.
    void restarted();
    // Playback reached the stop point and holds there.
    void reachedEnd();

private:
    void switchSource(const QUrl& url);
    void applySource();
    void onStatus(int status);
    void onFrame(const QVideoFrame& frame);
    void onPosition(qint64 positionMs);
    void updateStopPosition();
    void reachStop();
    void restart();
    void fail();

    QPointer<KlmMovieView> view_;
    QMediaPlayer* player_ = nullptr;
    QAudioOutput* audio_ = nullptr;
    QVideoSink* sink_ = nullptr;
    QString path_;
    QTimer switch_;
    QUrl pending_;          // the source to open once the running one has paused
    bool hasPending_ = false;
    bool open_ = false;
    bool failed_ = false;
    bool playing_ = false;
    bool held_ = false;     // the view stays on the stop frame
    bool atEnd_ = false;    // the stream itself has ended: a seek is safe
    bool restartAtEnd_ = false;
    bool shownSinceStart_ = false;
    bool loop_ = true;
    // Set once the current pass has shown a frame or position before the
    // stop point, so that frames still in flight from before a seek do not
    // end it at once.
    bool armed_ = false;
    int passFrames_ = 0;  // frames shown since the last start from 0
    int deviceVolume_ = 300;
    qreal rate_ = 1.0;
    double frameUs_ = 0;  // one frame's duration once known
    qint64 stopMs_ = -1;
    QSize sourceSize_;
    quint64 generation_ = 0;  // bumped by every start and stop
};
