// The media parts in the real main window on a copy of the sample: the
// picture panes follow the selection, the movie of the selected game plays
// in the second pane and follows the movie commands, dialogs pause it and
// resume it where it stood, the movie-info update marks the right games,
// broken movie files never stop the list, and the about box and the
// snap-skin dialog do their work through the window.
#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QMediaPlayer>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include "about_dialog.h"
#include "client_area.h"
#include "game_list_model.h"
#include "game_list_view.h"
#include "gui_fixture.h"
#include "media/movie_info.h"
#include "media_panes.h"
#include "movie_files.h"
#include "movie_player.h"
#include "picture_panes.h"
#include "qt_text.h"
#include "search_bar.h"
#include "skin_dialogs.h"
#include "status_bar.h"
#include "ui/window_rules.h"

namespace {

const QColor kRed(255, 0, 0), kBlue(0, 0, 255);

bool near(QRgb a, const QColor& b, int tolerance = 10)
{
    return std::abs(qRed(a) - b.red()) <= tolerance && std::abs(qGreen(a) - b.green()) <= tolerance &&
           std::abs(qBlue(a) - b.blue()) <= tolerance;
}

bool reddish(QRgb c) { return qRed(c) > 200 && qGreen(c) < 60 && qBlue(c) < 60; }

void writePicture(const QString& path, QSize size, const QColor& colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    QVERIFY(QImageWriter(path, "png").write(image));
}

}  // namespace

class WindowMediaTest : public QObject {
    Q_OBJECT

    KlmGuiFixture f_;
    QList<KlmMessage>& messages_ = f_.messages;
    QTemporaryDir movies_;
    QString red_;  // 2 s of red, 160 × 120 at 30 frames a second

    // The window shown at a size that gives the panes room.
    std::unique_ptr<MainWindow> open()
    {
        auto w = f_.open();
        if (!w) return w;
        w->resize(1200, 760);
        w->show();
        return w;
    }

    QString path(const QString& rel) const { return f_.base + QLatin1Char('/') + rel; }

    static int32_t gameOfNumber(const MainWindow& w, const char* number)
    {
        const Catalogue& cat = w.context().catalogue;
        for (size_t i = 0; i < cat.games.size(); ++i)
            if (klmField(cat.games[i].imageNumberText) == number) return static_cast<int32_t>(i);
        return -1;
    }

    static void select(MainWindow& w, int32_t game)
    {
        const int row = w.model()->rowOf(game);
        QVERIFY2(row >= 0, "the game is listed");
        w.gameList()->selectRow(row, true);
        QCOMPARE(w.context().state.settings.selectedGame, game);
    }

    void putMovie(const char* number) { QVERIFY(QFile::copy(red_, path(QStringLiteral("movie/%1.avi").arg(QLatin1String(number))))); }

    static KlmMoviePlayer* player(const MainWindow& w) { return w.media()->movie(); }

    // The selected game's movie shows frames of its colour.
    static void waitUntilPlaying(const MainWindow& w)
    {
        QVERIFY(w.media()->movieShown());
        QTRY_VERIFY(player(w)->view()->framesShown() > 0);
        QTRY_VERIFY(player(w)->view()->currentImage().size() == QSize(160, 120) &&
                    reddish(player(w)->view()->currentImage().pixel(80, 60)));
        QVERIFY(player(w)->isPlaying());
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (!klmCanMakeMovies()) QSKIP("gst-launch-1.0 is not installed (bash scripts/setup.sh)");
        red_ = movies_.filePath(QStringLiteral("red.avi"));
        QVERIFY(klmMakeAvi(red_, 0xFF0000, 160, 120, 30, 60));
    }

    void init() { f_.copySample(); }

    // A red 320 × 240 title snapshot in the default frame (blue, 3 pixels)
    // of a hardware that keeps proportions: the pane takes the picture's
    // shape inside its slot, the picture fills it but for the frame.
    void snapshotInsideItsFrame()
    {
        writePicture(path(QStringLiteral("default/frame.png")), {100, 100}, kBlue);
        auto w = open();
        QVERIFY(w);
        KlmAppContext& c = w->context();
        int32_t game = -1;
        for (size_t i = 0; i < c.catalogue.games.size() && game < 0; ++i)
            if (c.catalogue.hardware[static_cast<size_t>(c.catalogue.games[i].hardware)].aspect != 0)
                game = static_cast<int32_t>(i);
        QVERIFY(game >= 0);
        const QString number = klmQ(klmField(c.catalogue.games[static_cast<size_t>(game)].imageNumberText));
        writePicture(path(QStringLiteral("image/%1a.png").arg(number)), {320, 240}, kRed);
        c.state.skins.alwaysDefault = 1;
        c.state.skins.frameWidth = 3;
        w->picturesChanged();
        select(*w, game);

        KlmPicturePane* first = w->media()->firstPane();
        QCOMPARE(w->clientArea()->pane(KlmPane::Snapshot1), first);
        const KlmLayout l = klmComputeLayout(w->clientArea()->layoutInput());
        const QRect slot(l.snap1.x, l.snap1.y, l.snap1.w, l.snap1.h);
        const QRect pane = first->geometry();
        // Inside the slot, centred, filling it one way, in the framed picture's shape.
        QVERIFY(slot.contains(pane));
        QVERIFY(pane.width() == slot.width() || pane.height() == slot.height());
        QVERIFY(std::abs((pane.center() - slot.center()).manhattanLength()) <= 2);
        QVERIFY(std::abs(double(pane.width()) / pane.height() - 323.0 / 243.0) < 0.02);

        const QImage shot = first->grab().toImage();
        const int wdt = shot.width(), hgt = shot.height();
        for (QPoint p : {QPoint(3, 3), QPoint(wdt - 4, hgt - 4), QPoint(wdt / 2, hgt / 2), QPoint(3, hgt - 4)})
            QVERIFY2(near(shot.pixel(p), kRed), qPrintable(QStringLiteral("picture at %1,%2").arg(p.x()).arg(p.y())));
        for (QPoint p : {QPoint(1, 1), QPoint(wdt - 2, hgt / 2), QPoint(wdt / 2, hgt - 2), QPoint(1, hgt / 2)})
            QVERIFY2(near(shot.pixel(p), kBlue), qPrintable(QStringLiteral("frame at %1,%2").arg(p.x()).arg(p.y())));

        // The icons show only while "ゲーム情報アイコンを表示する" is on.
        QWidget* icons = w->clientArea()->pane(KlmPane::InfoIcon);
        QCOMPARE(icons->objectName(), QStringLiteral("KLMICONWNDCLASS"));
        QVERIFY(icons->isVisible());
        QVERIFY(!w->media()->iconPane()->icons().hardware.empty());
        c.state.settings.showInfoIcon = 0;
        w->picturesChanged();
        QVERIFY(!icons->isVisible());

        // Nothing listed: both panes show nolist.png over their whole slots.
        klmTypeText(w->searchBar()->edit(), QStringLiteral("zzqqxxnothing"));
        QCOMPARE(c.state.browse.view.count, 0);
        QVERIFY(first->picturePath().ends_with("nolist.png"));
        QCOMPARE(first->geometry(), slot);
    }

    // The start-up selection plays its movie (the catalogue was parsed
    // anew, so the movie folder was scanned); another game plays its own,
    // the first pane swaps on a click, and 32830 stops and starts it.
    void movieFollowsSelectionAndTheDisplaySwitch()
    {
        putMovie("0070");  // the game a first start selects
        putMovie("0003");
        auto w = open();
        QVERIFY(w);
        const int32_t first = gameOfNumber(*w, "0070"), other = gameOfNumber(*w, "0003");
        QCOMPARE(w->context().state.settings.selectedGame, first);
        QCOMPARE(w->context().catalogue.games[size_t(other)].hasMovie, 1);
        waitUntilPlaying(*w);
        KlmPicturePane* second = w->media()->secondPane();
        QVERIFY(!second->pictureShown());
        QVERIFY(QRect(QPoint(0, 0), second->size()).contains(player(*w)->view()->geometry()));

        select(*w, other);
        QVERIFY(player(*w)->source().endsWith(QStringLiteral("0003.avi")));
        waitUntilPlaying(*w);
        QTest::mouseClick(w->media()->firstPane(), Qt::LeftButton);
        QVERIFY(w->media()->firstPane()->picturePath().ends_with("0003b.png"));

        w->command(kKlmCmdShowMovie);
        QCOMPARE(w->context().state.settings.showMovie, 0);
        QVERIFY(!w->action(kKlmCmdShowMovie)->isChecked());
        QVERIFY(!w->media()->movieShown());
        QVERIFY(!player(*w)->canPlay());
        QVERIFY(second->pictureShown());
        QVERIFY(w->media()->firstPane()->picturePath().ends_with("0003a.png"));  // the swap is undone

        w->command(kKlmCmdShowMovie);
        QVERIFY(w->action(kKlmCmdShowMovie)->isChecked());
        waitUntilPlaying(*w);

        // A game without a movie: the view goes, the snapshot comes back.
        select(*w, gameOfNumber(*w, "0002"));
        QVERIFY(!w->media()->movieShown());
        QVERIFY(second->pictureShown());

        // The close writes the files, then closes the movie.
        select(*w, other);
        w->close();
        QCOMPARE(w->savedFiles().size(), 11);
        QVERIFY(!player(*w)->canPlay());
        QVERIFY(player(*w)->mediaPlayer()->source().isEmpty());
    }

    void transportReachesThePlayer()
    {
        putMovie("0070");
        auto w = open();
        QVERIFY(w);
        waitUntilPlaying(*w);
        KlmMoviePlayer* p = player(*w);
        w->command(kKlmCmdVolumeUp);
        QCOMPARE(p->deviceVolume(), 350);
        w->command(kKlmCmdMute);
        QCOMPARE(p->deviceVolume(), 0);
        QCOMPARE(p->outputVolume(), 0.0f);
        w->command(kKlmCmdVolumeStandard);  // unmutes
        QCOMPARE(p->deviceVolume(), 300);
        w->command(kKlmCmdFaster);
        QCOMPARE(p->mediaPlayer()->playbackRate(), 1.1);
        w->command(kKlmCmdSlower);
        w->command(kKlmCmdSlower);
        QCOMPARE(p->mediaPlayer()->playbackRate(), 0.9);
        w->command(kKlmCmdSpeedNormal);
        QCOMPARE(p->mediaPlayer()->playbackRate(), 1.0);

        // A click on the status bar's last volume bar.
        KlmStatusBar* bar = w->statusPane();
        const Settings& s = w->context().state.settings;
        for (int i = 0; i < bar->partCount(); ++i)
            if (s.statusShown.items[i] == 6) {
                const KlmVolumeGeometry g = klmVolumeGeometry(bar->partRect(i).left(), bar->height());
                QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(g.bars[20].x + 1, g.bars[20].y + 1));
            }
        QCOMPARE(s.volume, 100);
        QCOMPARE(p->deviceVolume(), 1000);

        w->command(kKlmCmdPause);
        QVERIFY(!p->isPlaying());
        QTRY_COMPARE(p->mediaPlayer()->playbackState(), QMediaPlayer::PausedState);
        w->command(kKlmCmdPlay);
        QVERIFY(p->isPlaying());
        QTRY_COMPARE(p->mediaPlayer()->playbackState(), QMediaPlayer::PlayingState);

        w->command(kKlmCmdLoop);
        QVERIFY(!p->loop());
        QVERIFY(!w->action(kKlmCmdLoop)->isChecked());
    }

    // With "ダイアログ表示中は動画を一時停止する" the movie holds still while
    // the about box is open and plays on from there after it; the links
    // open through the window's seam and the box stays open. A splitter
    // drag holds the movie too.
    void dialogsPauseTheMovieAndTheAboutBoxOpensItsLinks()
    {
        putMovie("0070");
        auto w = open();
        QVERIFY(w);
        waitUntilPlaying(*w);
        KlmMoviePlayer* p = player(*w);
        w->context().state.settings.pauseMovieForDialogs = 1;
        QList<QUrl> opened;
        w->pickers().openUrl = [&opened](const QUrl& url) { opened << url; };
        QTRY_VERIFY(p->position() > 300);

        qint64 at = -1;
        bool stayedOpen = false, pausedInside = false;
        whenOpen(QStringLiteral("103"), [&](QWidget* d) {
            auto* about = static_cast<KlmAboutDialog*>(d);
            pausedInside = !p->isPlaying();
            at = p->position();
            QTest::qWait(300);
            pausedInside = pausedInside && std::abs(p->position() - at) < 60;
            QTest::mouseClick(about->webLink(), Qt::LeftButton);
            QTest::mouseClick(about->bbsLink(), Qt::LeftButton);
            stayedOpen = about->isVisible();
            click(d, 1);
        });
        w->command(kKlmCmdAbout);
        QVERIFY(pausedInside);
        QVERIFY(stayedOpen);
        QCOMPARE(opened, (QList<QUrl>{QUrl(QString::fromLatin1(kKlmHomeUrl)), QUrl(QString::fromLatin1(kKlmIssuesUrl))}));
        QVERIFY(p->isPlaying());
        QVERIFY(p->position() >= at - 60);  // from where it stood, not from the start
        QTRY_VERIFY(p->position() > at + 100 || p->heldAtEnd());

        // Without the setting the movie plays on behind the box.
        w->context().state.settings.pauseMovieForDialogs = 0;
        bool playingInside = false;
        whenOpen(QStringLiteral("103"), [&](QWidget*) { playingInside = p->isPlaying(); });
        w->command(kKlmCmdAbout);
        QVERIFY(playingInside);

        // The splitter drag.
        KlmClientArea* area = w->clientArea();
        const KlmLayoutInput in = area->layoutInput();
        const QPoint bar(in.splitX, klmLayoutT(in) + 60);
        QTest::mousePress(area, Qt::LeftButton, {}, bar);
        QVERIFY(!p->isPlaying());
        QTest::mouseRelease(area, Qt::LeftButton, {}, bar);
        QVERIFY(p->isPlaying());
    }

    // The addresses of the about box are the project's own, as its README gives them.
    void aboutAddressesAreTheReadmes()
    {
        QFile readme(QStringLiteral(KOLMAR_SAMPLE_DIR "/../README.md"));
        QVERIFY(readme.open(QIODevice::ReadOnly));
        const QByteArray text = readme.readAll();
        QVERIFY(text.contains(kKlmHomeUrl));
        QVERIFY(text.contains(kKlmIssuesUrl));
    }

    void movieInfoUpdateMarksTheRightGames()
    {
        auto w = open();
        QVERIFY(w);
        Catalogue& cat = w->context().catalogue;
        QCOMPARE(cat.movieCount, 0);  // the sample ships no movie files
        const int32_t stale = gameOfNumber(*w, "0050");
        klmSetMovieFlag(cat.games[size_t(stale)], true);
        const int32_t selected = gameOfNumber(*w, "0003");
        select(*w, selected);

        putMovie("0003");
        for (const char* name : {"00005.avi",    // number 5
                                 "0009.AVI",     // any case
                                 "readme.avi",   // number 0: no such game
                                 "0012.txt"}) {
            QFile empty(path(QStringLiteral("movie/") + QLatin1String(name)));
            QVERIFY(empty.open(QIODevice::WriteOnly));
        }
        QVERIFY(QDir().mkpath(path(QStringLiteral("movie/0011.avi"))));  // a folder is no movie
        messages_.clear();
        w->command(kKlmCmdMovieInfo);

        QCOMPARE(messages_.size(), 1);
        QCOMPARE(messages_[0].text, klmU("動画情報を更新しました"));
        QCOMPARE(messages_[0].title, klmU("動画情報更新終了"));
        QCOMPARE(messages_[0].icon, QMessageBox::Information);
        QCOMPARE(cat.movieCount, 3);
        for (size_t i = 0; i < cat.games.size(); ++i) {
            const std::string_view number = klmField(cat.games[i].imageNumberText);
            const bool marked = number == "0003" || number == "0005" || number == "0009";
            QCOMPARE(cat.games[i].hasMovie, marked ? 1 : 0);
            QVERIFY(klmField(cat.games[i].movieMark) == std::string_view(marked ? kKlmMovieMarkYes : kKlmMovieMarkNo));
        }
        // The selected game gained its movie: it plays at once.
        QCOMPARE(w->context().state.settings.selectedGame, selected);
        waitUntilPlaying(*w);
    }

    // Movie files that cannot be played end in the message (or a black
    // pane); moving on through them never waits for them.
    void brokenMoviesLeaveTheListAnswering()
    {
        auto w = open();
        QVERIFY(w);
        KlmGameListView* list = w->gameList();
        QByteArray red;
        {
            QFile f(red_);
            QVERIFY(f.open(QIODevice::ReadOnly));
            red = f.readAll();
        }
        const QList<QByteArray> bodies = {QByteArray(), QByteArray("this is not a movie\n"), red.left(3000)};
        for (int i = 0; i < bodies.size(); ++i) {
            const QString number = klmQ(klmField(w->context().catalogue.games[size_t(w->model()->gameAt(i + 1))].imageNumberText));
            QFile f(path(QStringLiteral("movie/%1.avi").arg(number)));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(bodies[i]);
        }
        w->command(kKlmCmdMovieInfo);
        QCOMPARE(w->context().catalogue.movieCount, 3);
        messages_.clear();
        list->setFocus();
        for (int i = 1; i <= bodies.size(); ++i) {
            const int framesBefore = player(*w)->view()->framesShown();
            QTest::keyClick(list, Qt::Key_Down);
            QCOMPARE(list->currentIndex().row(), i);
            // The message, or what could be played of it (a truncated
            // file shows its first frames, looped).
            QTRY_VERIFY_WITH_TIMEOUT(messages_.size() == i || player(*w)->view()->framesShown() > framesBefore ||
                                         player(*w)->heldAtEnd(),
                                     15000);
        }
        for (const KlmMessage& m : messages_) {
            QCOMPARE(m.text, klmU("再生できません"));
            QCOMPARE(m.title, QStringLiteral("Error"));
            QCOMPARE(m.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        }
        QVERIFY(messages_.size() <= bodies.size());
        // Quickly back and forth over them: the keys move at once.
        for (int i = 0; i < 6; ++i) QTest::keyClick(list, i % 2 ? Qt::Key_Down : Qt::Key_Up);
        QCOMPARE(list->currentIndex().row(), bodies.size());
        QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(list->currentIndex().row(), bodies.size() + 1);
        QCOMPARE(w->findChildren<QMediaPlayer*>().size(), 1);
    }

    // The snap-skin dialog works on a copy: Cancel keeps the table, OK
    // hands it back and the panes are laid out with it at once.
    void skinDialogOkLaysTheWindowOut()
    {
        auto w = open();
        QVERIFY(w);
        KlmAppContext& c = w->context();
        QVERIFY(w->media()->firstPane()->framePath().ends_with("tv_30_30_320_240.png"));  // ルミナス16's television
        const SkinTable before = c.state.skins;
        auto emptyTelevision = [](QWidget* d) {
            auto* dialog = static_cast<KlmSkinListDialog*>(d);
            dialog->rowCombo()->setCurrentIndex(dialog->rowCombo()->findText(klmU("ルミナス16")));
            dialog->kindCombo()->setCurrentIndex(0);
            dialog->removeAll();
        };
        whenOpen(QStringLiteral("33601"), [&](QWidget* d) {
            emptyTelevision(d);
            static_cast<QDialog*>(d)->reject();
        });
        w->command(kKlmCmdSnapSkins);
        QCOMPARE(c.state.skins.slots.size(), before.slots.size());
        for (size_t i = 0; i < before.slots.size(); ++i) QCOMPARE(c.state.skins.slots[i].count, before.slots[i].count);

        int32_t slot = -1;
        whenOpen(QStringLiteral("33601"), [&](QWidget* d) {
            emptyTelevision(d);
            slot = static_cast<KlmSkinListDialog*>(d)->currentSlot();
            static_cast<QDialog*>(d)->accept();
        });
        w->command(kKlmCmdSnapSkins);
        QVERIFY(slot >= 0);
        QCOMPARE(c.state.settings.skinDialogSlot, slot);
        QCOMPARE(c.state.skins.slots[size_t(slot)].count, 0);
        QVERIFY(w->media()->firstPane()->framePath().ends_with("default/frame.png"));
    }
};

QTEST_MAIN(WindowMediaTest)
#include "window_media_test.moc"
