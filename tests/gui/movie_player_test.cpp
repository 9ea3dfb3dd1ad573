// The movie player on real MJPEG AVI files made by GStreamer's own tools:
// it plays, holds six frames before the end, loops, follows volume and
// speed, pauses and resumes, stays one player however fast the files
// change, and answers every hostile file with the message or a black
// view while the event loop keeps running.
#include <QApplication>
#include <QFile>
#include <QMediaPlayer>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

#include "catalogue/app_paths.h"
#include "media/movie_info.h"
#include "media_panes.h"
#include "dialog_driver.h"
#include "message_box.h"
#include "movie_files.h"
#include "movie_player.h"
#include "picture_panes.h"
#include "qt_text.h"

namespace {

bool reddish(QRgb c) { return qRed(c) > 200 && qGreen(c) < 60 && qBlue(c) < 60; }

}  // namespace

class MoviePlayerTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString red_, blue_, withAudio_;
    QList<KlmMessage> messages_;
    std::unique_ptr<KlmBoxOwner> host_;
    KlmMoviePlayer* player_ = nullptr;

    QString file(const QString& name) const { return dir_.filePath(name); }

private Q_SLOTS:
    void initTestCase()
    {
        if (!klmCanMakeMovies())
            QSKIP("gst-launch-1.0 is not installed (bash scripts/setup.sh)");
        red_ = file(QStringLiteral("red.avi"));
        blue_ = file(QStringLiteral("blue.avi"));
        withAudio_ = file(QStringLiteral("audio.avi"));
        // 60 frames at 30 per second: 2 s, the stop point 200 ms before the end.
        QVERIFY(klmMakeAvi(red_, 0xFF0000, 160, 120, 30, 60));
        QVERIFY(klmMakeAvi(blue_, 0x0000FF, 160, 120, 30, 30));
        QVERIFY(klmMakeAvi(withAudio_, 0x00FF00, 160, 120, 15, 15, true));
    }

    void init()
    {
        messages_.clear();
        host_ = std::make_unique<KlmBoxOwner>();
        host_->messenger.setHook([this](const KlmMessage& m) {
            messages_ << m;
            return QMessageBox::Ok;
        });
        host_->resize(320, 240);
        player_ = new KlmMoviePlayer(host_.get());
        player_->view()->setGeometry(0, 0, 160, 120);
        player_->view()->show();
        host_->show();
    }

    void cleanup() { host_.reset(); }

    void playsAndTheFrameHasTheMoviesColour()
    {
        QVERIFY(player_->start(red_));
        QVERIFY(player_->isPlaying());
        QTRY_COMPARE(player_->mediaPlayer()->playbackState(), QMediaPlayer::PlayingState);
        QTRY_VERIFY(player_->view()->framesShown() > 0);
        const QImage frame = player_->view()->currentImage();
        QVERIFY(!frame.isNull());
        QVERIFY(reddish(frame.pixel(frame.width() / 2, frame.height() / 2)));
        QCOMPARE(player_->sourceSize(), QSize(160, 120));
        const qint64 early = player_->position();
        QTRY_VERIFY(player_->position() > early + 100);
        QVERIFY(messages_.isEmpty());
        // The view paints what it shows.
        QVERIFY(reddish(player_->view()->grab().toImage().pixel(80, 60)));
    }

    void holdsSixFramesBeforeTheEnd()
    {
        player_->setLoop(false);
        QSignalSpy ended(player_, &KlmMoviePlayer::reachedEnd);
        QVERIFY(player_->start(red_));
        QTRY_VERIFY_WITH_TIMEOUT(ended.count() == 1, 10000);
        QCOMPARE(player_->stopPosition(), qint64{2000 - 6 * 1000 / 30});
        QVERIFY(player_->heldAtEnd());
        const qint64 shown = player_->view()->currentTime();
        QVERIFY(shown >= 0 && shown <= player_->stopPosition() * 1000);
        const int frames = player_->view()->framesShown();
        QTest::qWait(400);
        QCOMPARE(player_->view()->framesShown(), frames);  // it stays on that frame
        QCOMPARE(player_->view()->currentTime(), shown);
        QCOMPARE(ended.count(), 1);

        // Loop switched on while held: it plays again from the start.
        QSignalSpy restarted(player_, &KlmMoviePlayer::restarted);
        player_->setLoop(true);
        QTRY_COMPARE(restarted.count(), 1);
        QTRY_VERIFY(player_->view()->currentTime() >= 0 && player_->view()->currentTime() < shown);
    }

    void loopsFromTheStart()
    {
        player_->setLoop(true);
        QSignalSpy restarted(player_, &KlmMoviePlayer::restarted);
        QVERIFY(player_->start(blue_));
        QTRY_VERIFY_WITH_TIMEOUT(restarted.count() >= 2, 10000);
        QVERIFY(!player_->heldAtEnd());
        QTRY_VERIFY(player_->view()->currentTime() >= 0 && player_->view()->currentTime() < 500000);
    }

    void volumeAndSpeedFollowTheSettings()
    {
        player_->setVolume(30, false);
        QCOMPARE(player_->deviceVolume(), 300);
        QCOMPARE(player_->outputVolume(), 0.3f);
        player_->setVolume(100, true);
        QCOMPARE(player_->deviceVolume(), 0);
        QCOMPARE(player_->outputVolume(), 0.0f);
        player_->setVolume(100, false);
        QCOMPARE(player_->deviceVolume(), 1000);

        player_->setSpeed(1500);
        QVERIFY(player_->start(withAudio_));
        QTRY_VERIFY(player_->view()->framesShown() > 0);
        QCOMPARE(player_->mediaPlayer()->playbackRate(), 1.5);
        player_->setSpeed(600);
        QCOMPARE(player_->mediaPlayer()->playbackRate(), 0.6);
        QVERIFY(messages_.isEmpty());  // a sound track plays (or is dropped) without a complaint
    }

    void pauseAndResumeFromThePosition()
    {
        QVERIFY(player_->start(red_));
        QTRY_VERIFY(player_->position() > 300);
        player_->pause();
        QVERIFY(!player_->isPlaying());
        QTRY_COMPARE(player_->mediaPlayer()->playbackState(), QMediaPlayer::PausedState);
        const qint64 at = player_->position();
        QTest::qWait(300);
        QVERIFY(std::abs(player_->position() - at) < 100);
        player_->playFrom(at);
        QVERIFY(player_->isPlaying());
        QTRY_VERIFY(player_->position() > at + 100);
        // Play and pause do nothing without a playable movie.
        player_->stop();
        QVERIFY(!player_->canPlay());
        player_->play();
        QVERIFY(!player_->isPlaying());
        QVERIFY(player_->view()->isHidden());
    }

    void oneReusedPlayerWhateverTheSwitching()
    {
        for (int i = 0; i < 40; ++i) {
            QVERIFY(player_->start(i % 2 ? blue_ : red_));
            QCoreApplication::processEvents();
        }
        QCOMPARE(host_->findChildren<QMediaPlayer*>().size(), 1);
        QVERIFY(player_->start(red_));
        QTRY_VERIFY(player_->view()->framesShown() > 0);
        QTRY_VERIFY(reddish(player_->view()->currentImage().pixel(80, 60)));
        QVERIFY(messages_.isEmpty());
        QVERIFY(!player_->start(file(QStringLiteral("none.avi"))));  // no file: nothing opened
    }

    void hostileFilesEndInTheMessageOrBlack_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("zero bytes") << QStringLiteral("zero.avi");
        QTest::newRow("text") << QStringLiteral("text.avi");
        QTest::newRow("truncated") << QStringLiteral("truncated.avi");
        QTest::newRow("unknown codec") << QStringLiteral("codec.avi");
        QTest::newRow("huge frames") << QStringLiteral("huge.avi");
        QTest::newRow("huge header") << QStringLiteral("header.avi");
    }

    void hostileFilesEndInTheMessageOrBlack()
    {
        QFETCH(QString, name);
        const QString path = file(name);
        QByteArray red;
        {
            QFile f(red_);
            QVERIFY(f.open(QIODevice::ReadOnly));
            red = f.readAll();
        }
        QByteArray bytes;
        if (name == QLatin1String("text.avi")) bytes = "this is not a movie\n";
        if (name == QLatin1String("truncated.avi")) bytes = red.left(3000);
        if (name == QLatin1String("codec.avi")) bytes = QByteArray(red).replace("MJPG", "QQQQ");
        if (name == QLatin1String("header.avi")) {
            // A frame size of 30000 × 30000 in both headers, over 160 × 120 frames.
            bytes = red;
            const auto put = [&bytes](qsizetype at, qint32 v) { memcpy(bytes.data() + at, &v, 4); };
            const qsizetype avih = bytes.indexOf("avih") + 8;
            put(avih + 32, 30000);
            put(avih + 36, 30000);
            const qsizetype strf = bytes.indexOf("strf") + 8;
            put(strf + 4, 30000);
            put(strf + 8, 30000);
        }
        if (name == QLatin1String("huge.avi")) {
            QVERIFY(klmMakeAvi(path, 0x00FF00, 4000, 4000, 10, 2));
        } else {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(bytes);
        }

        player_->setLoop(false);
        // The event loop keeps turning while the file is tried.
        int ticks = 0;
        QTimer tick;
        connect(&tick, &QTimer::timeout, [&ticks] { ++ticks; });
        tick.start(10);
        QVERIFY(player_->start(path));
        QTRY_VERIFY_WITH_TIMEOUT(!messages_.isEmpty() || player_->heldAtEnd() ||
                                     player_->mediaPlayer()->mediaStatus() == QMediaPlayer::EndOfMedia,
                                 15000);
        QTest::qWait(200);
        QVERIFY(ticks > 0);
        if (!messages_.isEmpty()) {
            QCOMPARE(messages_.size(), 1);  // once, however many errors the framework sends
            QCOMPARE(messages_[0].text, klmU("再生できません"));
            QCOMPARE(messages_[0].title, QStringLiteral("Error"));
            QCOMPARE(messages_[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
            QVERIFY(!player_->canPlay());
            QVERIFY(player_->view()->currentImage().isNull());  // black
            QVERIFY(!player_->view()->isHidden());              // until the next selection
        } else {
            // Played what it could: nothing larger than a pane allows was shown.
            QVERIFY(qint64{player_->sourceSize().width()} * player_->sourceSize().height() <=
                    KlmMoviePlayer::kMaxFramePixels);
        }
        // The player is as good as new afterwards.
        messages_.clear();
        QVERIFY(player_->start(red_));
        QTRY_VERIFY(player_->view()->framesShown() > 0);
        QVERIFY(player_->canPlay());
    }

    // The second pane hosts the movie of a game that has one, in the
    // movie's own shape when the aspect choice asks for it.
    void secondPaneHostsTheMovie()
    {
        QTemporaryDir base;
        QDir(base.path()).mkpath(QStringLiteral("movie"));
        QVERIFY(QFile::copy(red_, base.filePath(QStringLiteral("movie/0001.avi"))));
        AppPaths paths;
        klmBuildAppPaths(paths, base.path().toStdString());
        Catalogue cat;
        MasterEntry hw{};
        hw.skin = 1;
        hw.aspect = 1;
        cat.hardware = {hw};
        cat.games.resize(2);
        for (int i = 0; i < 2; ++i) {
            cat.games[size_t(i)] = GameRecord{};
            klmCopyField(cat.games[size_t(i)].imageNumberText, i ? "0002" : "0001");
            klmSetMovieFlag(cat.games[size_t(i)], i == 0);
        }
        Settings settings;
        settings.showMovie = 1;
        settings.movieAspect = 2;
        SkinTable skins;
        klmBuildSkinTable(skins, cat);
        QWidget area;
        area.resize(900, 500);
        KlmMediaPanes panes({&paths, &cat, &settings, &skins}, &area);
        panes.setSlots(QRect(0, 0, 400, 400), QRect(420, 0, 400, 400));
        area.show();

        panes.selectGame(0);
        QVERIFY(panes.movieShown());
        QVERIFY(!panes.secondPane()->pictureShown());
        QTRY_VERIFY(panes.movie()->view()->framesShown() > 0);
        // 160 × 120 (plus the one-pixel frame) fitted into the slot.
        QTRY_COMPARE(panes.secondPane()->geometry(), QRect(420, 50, 400, 300));
        QCOMPARE(panes.movie()->view()->geometry(), QRect(1, 1, 398, 298));

        // Paused around a dialog and resumed from where it stood.
        QTRY_VERIFY(panes.movie()->position() > 200);
        QVERIFY(panes.pauseForDialog());
        QVERIFY(!panes.movie()->isPlaying());
        panes.resumeAfterDialog();
        QVERIFY(panes.movie()->isPlaying());

        panes.selectGame(1);  // no movie: the view goes, the snapshot comes back
        QVERIFY(!panes.movieShown());
        QVERIFY(panes.secondPane()->pictureShown());
        QCOMPARE(panes.secondPane()->geometry(), QRect(420, 0, 400, 400));
        QVERIFY(!panes.pauseForDialog());  // nothing playing: nothing to resume
    }
};

QTEST_MAIN(MoviePlayerTest)
#include "movie_player_test.moc"
