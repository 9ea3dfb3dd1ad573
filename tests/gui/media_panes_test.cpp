// The picture panes, the icon pane and the picture cache on offscreen
// widgets: pixels where the layout put them, the click that swaps the
// first pane, and a cache that stays within its budget and notices a
// replaced file.
#include <QImage>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QWidget>
#include <QtTest>

#include <memory>

#include "catalogue/app_paths.h"
#include "media/movie_info.h"
#include "media_panes.h"
#include "movie_player.h"
#include "picture_cache.h"
#include "picture_panes.h"
#include "settings/settings.h"
#include "text/cp932.h"

namespace {

const QColor kRed(255, 0, 0), kBlue(0, 0, 255), kGreen(0, 255, 0), kYellow(255, 255, 0);

void writePicture(const QString& path, QSize size, const QColor& colour, const char* format = "png")
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    QVERIFY(QImageWriter(path, format).write(image));
}

bool near(QRgb a, const QColor& b, int tolerance = 8)
{
    return std::abs(qRed(a) - b.red()) <= tolerance && std::abs(qGreen(a) - b.green()) <= tolerance &&
           std::abs(qBlue(a) - b.blue()) <= tolerance;
}

}  // namespace

class MediaPanesTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir_;
    AppPaths paths_;
    Catalogue cat_;
    Settings settings_;
    SkinTable skins_;
    std::unique_ptr<QWidget> area_;
    KlmMediaPanes* panes_ = nullptr;

    QString file(const char* name) const { return dir_->filePath(QString::fromLatin1(name)); }

private Q_SLOTS:
    void init()
    {
        dir_ = std::make_unique<QTemporaryDir>();
        for (const char* sub : {"image", "default", "icon", "skin", "movie"})
            QDir(dir_->path()).mkpath(QString::fromLatin1(sub));
        klmBuildAppPaths(paths_, dir_->path().toStdString());
        writePicture(file("default/frame.png"), {100, 100}, kBlue);
        writePicture(file("default/nolist.png"), {160, 120}, kGreen);
        writePicture(file("default/nopicture.png"), {160, 120}, kYellow);
        writePicture(file("image/0001a.png"), {320, 240}, kRed);
        writePicture(file("image/0001b.png"), {320, 240}, kGreen);

        cat_ = Catalogue();
        MasterEntry hw{};
        hw.aspect = 1;
        hw.skin = 1;
        hw.imageNumber = 1;
        cat_.hardware = {hw};
        MasterEntry soft{};
        soft.imageNumber = 2;
        cat_.software = {soft};
        MasterEntry genre{};
        genre.imageNumber = 3;
        cat_.genre = {genre};
        cat_.games.resize(2);
        for (int i = 0; i < 2; ++i) {
            GameRecord& g = cat_.games[static_cast<size_t>(i)];
            g = GameRecord{};
            klmCopyField(g.imageNumberText, i == 0 ? "0001" : "0002");
            g.imageNumber = i + 1;
            klmSetMovieFlag(g, false);
        }
        settings_ = Settings();
        settings_.showMovie = 0;
        klmBuildSkinTable(skins_, cat_);
        skins_.frameWidth = 3;

        area_ = std::make_unique<QWidget>();
        area_->resize(900, 600);
        panes_ = new KlmMediaPanes({&paths_, &cat_, &settings_, &skins_}, area_.get());
        panes_->setSlots(QRect(0, 0, 400, 400), QRect(420, 0, 400, 400));
        panes_->setIconSlot(QRect(0, 420, 120, 32));
    }

    void cleanup()
    {
        area_.reset();
        dir_.reset();
    }

    // The snapshot inside the frame, the frame around it.
    void defaultFrameAroundTheSnapshot()
    {
        panes_->selectGame(0);
        KlmPicturePane* first = panes_->firstPane();
        QCOMPARE(first->objectName(), QStringLiteral("KLMSKIN1WNDCLASS"));
        QCOMPARE(panes_->secondPane()->objectName(), QStringLiteral("KLMSKIN2WNDCLASS"));
        QCOMPARE(first->geometry(), QRect(0, 50, 400, 300));
        const QImage shot = first->grab().toImage();
        QCOMPARE(shot.size(), QSize(400, 300));
        // Picture rectangle 3,3 – 397,297: red inside, the blue frame outside.
        for (QPoint p : {QPoint(3, 3), QPoint(396, 296), QPoint(200, 150), QPoint(3, 296)})
            QVERIFY2(near(shot.pixel(p), kRed), qPrintable(QStringLiteral("inside at %1,%2").arg(p.x()).arg(p.y())));
        for (QPoint p : {QPoint(1, 1), QPoint(398, 150), QPoint(200, 298), QPoint(2, 150)})
            QVERIFY2(near(shot.pixel(p), kBlue), qPrintable(QStringLiteral("frame at %1,%2").arg(p.x()).arg(p.y())));
        // The second pane shows the game snapshot.
        QVERIFY(near(panes_->secondPane()->grab().toImage().pixel(200, 150), kGreen));
    }

    void noSelectionShowsNoListOverTheWholeSlot()
    {
        panes_->selectGame(0);
        panes_->selectGame(-1);
        QCOMPARE(panes_->firstPane()->geometry(), QRect(0, 0, 400, 400));
        QCOMPARE(panes_->secondPane()->geometry(), QRect(420, 0, 400, 400));
        QVERIFY(near(panes_->firstPane()->grab().toImage().pixel(200, 200), kGreen));
    }

    void missingSnapshotShowsNoPicture()
    {
        panes_->selectGame(1);  // 0002 has no snapshots
        QVERIFY(near(panes_->firstPane()->grab().toImage().pixel(100, 100), kYellow));
    }

    void skinFrameAndItsRectangle()
    {
        writePicture(file("skin/tv.png"), {400, 300}, kGreen);
        SkinSlot& title = skins_.slots[0];
        title.skins[0] = klmNewSnapSkin();
        klmCopyField(title.skins[0].framePath, "skin/tv.png");
        title.skins[0].x = 40;
        title.skins[0].y = 30;
        title.skins[0].width = 320;
        title.skins[0].height = 240;
        title.count = 1;
        title.selected = 0;
        panes_->setSlots(QRect(0, 0, 250, 250), QRect(420, 0, 400, 400));
        panes_->selectGame(0);
        QCOMPARE(panes_->firstPane()->geometry(), QRect(0, 31, 250, 187));
        const QImage shot = panes_->firstPane()->grab().toImage();
        QVERIFY(near(shot.pixel(25, 18), kRed));
        QVERIFY(near(shot.pixel(224, 168), kRed));
        QVERIFY(near(shot.pixel(24, 100), kGreen));
        QVERIFY(near(shot.pixel(226, 100), kGreen));
        QVERIFY(near(shot.pixel(100, 17), kGreen));
        QVERIFY(near(shot.pixel(100, 170), kGreen));
    }

    void clickSwapsTheFirstPaneOnlyWithAMovie()
    {
        panes_->selectGame(0);
        QSignalSpy swapped(panes_, &KlmMediaPanes::firstPaneSwapped);
        QTest::mouseClick(panes_->firstPane(), Qt::LeftButton);
        QCOMPARE(swapped.count(), 0);  // no movie for the game
        QVERIFY(panes_->firstPane()->picturePath().ends_with("0001a.png"));

        klmSetMovieFlag(cat_.games[0], true);
        settings_.showMovie = 1;
        QTest::mouseClick(panes_->firstPane(), Qt::LeftButton);
        QCOMPARE(swapped.count(), 1);
        QVERIFY(panes_->firstPaneToggle());
        QVERIFY(panes_->firstPane()->picturePath().ends_with("0001b.png"));
        QTest::mouseClick(panes_->firstPane(), Qt::RightButton);
        QCOMPARE(swapped.count(), 1);

        // Another game resets the toggle; so does switching the movie display off.
        panes_->selectGame(1);
        QVERIFY(!panes_->firstPaneToggle());
        panes_->selectGame(0);
        QTest::mouseClick(panes_->firstPane(), Qt::LeftButton);
        QVERIFY(panes_->firstPaneToggle());
        settings_.showMovie = 0;
        panes_->movieDisplayToggled();
        QVERIFY(!panes_->firstPaneToggle());
        QVERIFY(panes_->firstPane()->picturePath().ends_with("0001a.png"));
    }

    void iconsAtTheirPlacesOnlyWhenShown()
    {
        writePicture(file("icon/h1.ico"), {32, 32}, kRed, "ico");
        writePicture(file("icon/s2.ico"), {32, 32}, kGreen, "ico");
        writePicture(file("icon/g3.ico"), {32, 32}, kBlue, "ico");
        settings_.showInfoIcon = 1;
        panes_->selectGame(0);
        KlmIconPane* icons = panes_->iconPane();
        QCOMPARE(icons->objectName(), QStringLiteral("KLMICONWNDCLASS"));
        QImage shot = icons->grab().toImage();
        QVERIFY(near(shot.pixel(16, 16), kRed));
        QVERIFY(near(shot.pixel(35 + 16, 16), kGreen));
        QVERIFY(near(shot.pixel(70 + 16, 16), kBlue));
        QVERIFY(!near(shot.pixel(33, 16), kRed) && !near(shot.pixel(33, 16), kGreen));  // the gap

        settings_.showInfoIcon = 0;
        panes_->settingsChanged();
        QVERIFY(icons->icons().hardware.empty());
        shot = icons->grab().toImage();
        QVERIFY(!near(shot.pixel(16, 16), kRed));
    }

    void paintsFromTheCacheAfterPreloading()
    {
        panes_->preloadGames({0, 1});
        QTRY_VERIFY(panes_->cache().contains(paths_.imageDir + "/0001b.png"));
        QTest::qWait(50);
        const int decodes = panes_->cache().decodes();
        panes_->selectGame(0);
        const QImage first = panes_->firstPane()->grab().toImage();
        panes_->secondPane()->grab();
        // Pictures and frame were decoded (and scaled) ahead.
        QCOMPARE(panes_->cache().decodes(), decodes);
        QVERIFY(near(first.pixel(200, 150), kRed));
    }

    void cacheKeepsItsBudgetAndNoticesReplacedFiles()
    {
        KlmPictureCache cache(qint64{3} << 20);  // room for two 640×480 pictures
        for (int i = 0; i < 5; ++i) {
            const QString path = file("image/big%1.png").arg(i);
            writePicture(path, {640, 480}, kRed);
            QVERIFY(!cache.image(path.toStdString()).isNull());
            QVERIFY(cache.bytes() <= cache.budget());
        }
        QCOMPARE(cache.count(), 2);

        const std::string path = file("image/0001a.png").toStdString();
        QCOMPARE(cache.size(path), (KlmSize{320, 240}));
        QTest::qWait(20);  // a different modification time
        writePicture(QString::fromStdString(path), {200, 100}, kRed);
        QCOMPARE(cache.size(path), (KlmSize{200, 100}));

        // Unreadable and missing pictures have no size.
        QFile bad(file("image/bad.png"));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("not a picture");
        bad.close();
        QCOMPARE(cache.size(bad.fileName().toStdString()), KlmSize{});
        QCOMPARE(cache.size(file("image/none.png").toStdString()), KlmSize{});

        // A huge picture is decoded smaller but keeps its own size.
        const QString huge = file("image/huge.png");
        writePicture(huge, {4000, 3000}, kGreen);
        KlmPictureCache roomy;
        QCOMPARE(roomy.size(huge.toStdString()), (KlmSize{4000, 3000}));
        const QImage decoded = roomy.image(huge.toStdString());
        QVERIFY(qint64{decoded.width()} * decoded.height() <= KlmPictureCache::kMaxDecodedPixels);
    }
};

QTEST_MAIN(MediaPanesTest)
#include "media_panes_test.moc"
