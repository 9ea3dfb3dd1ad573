// The real main window on a temporary copy of the sample folder, driven by
// command id. Message boxes are intercepted and their texts checked.
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProcess>
#include <QScreen>
#include <QToolBar>
#include <QtTest>

#include <memory>

#include "browse/favorites.h"
#include "browse/refresh.h"
#include "catalogue/cache.h"
#include "settings/setting_file.h"
#include "accelerators.h"
#include "client_area.h"
#include "command_table.h"
#include "game_list_model.h"
#include "game_list_view.h"
#include "gui_fixture.h"
#include "qt_text.h"
#include "search_bar.h"
#include "settings/window_file.h"
#include "single_instance.h"
#include "status_bar.h"
#include "ui/game_text.h"
#include "ui/window_rules.h"

class MainWindowTest : public QObject {
    Q_OBJECT

private:
    KlmGuiFixture f_;
    QList<KlmMessage>& messages_ = f_.messages;

    std::unique_ptr<MainWindow> open() { return f_.open(); }

    int listed(const MainWindow& w) const { return w.context().state.browse.view.count; }

    // Every listed row's game must satisfy pred.
    template <typename Pred>
    bool allRows(const MainWindow& w, Pred pred) const
    {
        for (int r = 0; r < w.context().state.browse.view.count; ++r)
            if (!pred(w.context().catalogue.games[static_cast<size_t>(w.context().state.browse.view.rows[static_cast<size_t>(r)])]))
                return false;
        return true;
    }

private Q_SLOTS:
    void init() { f_.copySample(); }

    void windowIdentity()
    {
        auto w = open();
        QVERIFY(w);
        QCOMPARE(w->objectName(), QStringLiteral("KLMFRAMEWNDCLASS"));
        QCOMPARE(w->windowTitle(), QStringLiteral("Kolmar v0.081"));
        QCOMPARE(w->minimumSize(), QSize(600, 500));
        QCOMPARE(w->gameList()->objectName(), QStringLiteral("1001"));
        QCOMPARE(w->infoPane()->objectName(), QStringLiteral("1002"));
        QVERIFY(messages_.isEmpty());
    }

    void menusCarryCaptionsIdsAndKeys()
    {
        auto w = open();
        QStringList popups;
        for (QAction* a : w->menuBar()->actions()) popups << a->text();
        QCOMPARE(popups, (QStringList{klmU("ファイル(&F)"), klmU("表示(&V)"), klmU("検索(&S)"), klmU("動画(&M)"),
                                      klmU("設定(&O)"), klmU("ヘルプ(&H)")}));
        for (const KlmCommandDef& def : klmCommandTable()) {
            QAction* a = w->action(def.id);
            QVERIFY2(a, qPrintable(QString::number(def.id)));
            QCOMPARE(a->objectName(), QString::number(def.id));
            QCOMPARE(a->data().toInt(), def.id);
            QCOMPARE(a->text(), QString::fromUtf8(def.caption));
        }
        // The hint says Alt + R; the key is Alt+A.
        QCOMPARE(w->action(33010)->text(), klmU("検索をリセット\tAlt + R"));
        QCOMPARE(KlmAccelerators::commandOf(Qt::ALT | Qt::Key_A), 33010);
        QCOMPARE(KlmAccelerators::commandOf(Qt::ALT | Qt::Key_R), 0);
        QCOMPARE(w->action(105)->text(), klmU("終了(&X)\tAlt + F4"));
        QCOMPARE(w->action(32774)->text(), klmU("音量を上げる(&U)\tCtrl + ↑"));
        QCOMPARE(KlmAccelerators::commandOf(Qt::Key_F1), 32808);
        // Stored check marks: the sample has no setting.dat, so the defaults.
        QVERIFY(w->action(32808)->isChecked());
        QVERIFY(!w->action(42299)->isChecked());
        QVERIFY(!w->action(34000)->isChecked());
    }

    void typingFiltersTheList()
    {
        auto w = open();
        const int all = listed(*w);
        QCOMPARE(all, klmGameCount(w->context().catalogue));
        // The index copied at start-up is taken up once it is complete.
        QTRY_VERIFY(!w->context().state.browse.indexBuilding);
        const QString text = klmU("パズル");
        klmTypeText(w->searchBar()->edit(), text);
        const int some = listed(*w);
        QVERIFY(some > 0 && some < all);
        QCOMPARE(w->model()->rowCount(), some);
        const std::string needle = klmCp(text);
        QVERIFY(allRows(*w, [&](const GameRecord& g) {
            int32_t index = static_cast<int32_t>(&g - w->context().catalogue.games.data());
            for (int f = 0; f < kKlmFieldCount; ++f)
                if (klmContainsText(klmFieldText(w->context().catalogue, index, f), needle)) return true;
            return false;
        }));
        // Alt+A's command empties the text and shows everything again.
        w->command(kKlmCmdResetAll);
        QVERIFY(w->searchBar()->edit()->text().isEmpty());
        QCOMPARE(listed(*w), all);
    }

    void viewFiltersAndConditionResets()
    {
        auto w = open();
        const int all = listed(*w);
        w->command(kKlmCmdShowNotOwned);  // F3 off: only owned games remain
        QVERIFY(!w->action(kKlmCmdShowNotOwned)->isChecked());
        QVERIFY(listed(*w) < all);
        QVERIFY(allRows(*w, [](const GameRecord& g) { return g.ownership != kKlmNotOwned; }));
        w->command(kKlmCmdShowNotOwned);
        QCOMPARE(listed(*w), all);

        // Ctrl+H: the selected game's hardware becomes the condition.
        const int32_t game = w->context().state.settings.selectedGame;
        QVERIFY(game >= 0);
        const int32_t hardware = w->context().catalogue.games[static_cast<size_t>(game)].hardware;
        w->command(kKlmCmdSearchHardware);
        QCOMPARE(w->context().state.settings.search.hardware, hardware + 1);
        QCOMPARE(w->searchBar()->list(1004)->currentIndex(), hardware + 1);
        QVERIFY(allRows(*w, [&](const GameRecord& g) { return g.hardware == hardware; }));
        QCOMPARE(w->context().state.settings.selectedGame, game);  // kept: still listed
        w->command(kKlmCmdResetHardware);
        QCOMPARE(w->searchBar()->list(1004)->currentIndex(), 0);
        QCOMPARE(listed(*w), all);

        // A qualifier list is enabled only while its condition is set.
        QComboBox* year = w->searchBar()->list(1013);
        QVERIFY(!w->searchBar()->list(1014)->isEnabled());
        year->setCurrentIndex(1);
        QVERIFY(w->searchBar()->list(1014)->isEnabled());
        w->command(kKlmCmdResetYear);
        QVERIFY(!w->searchBar()->list(1014)->isEnabled());
    }

    // The date, price and ROM-size formats of setting.dat are applied at
    // start-up: the info pane and the list cells show them.
    void storedDisplayFormatsReachTheWindow()
    {
        AppPaths paths;
        klmBuildAppPaths(paths, f_.base.toStdString());
        Catalogue cat;
        QCOMPARE(klmParseCatalogue(paths, cat), 0);
        Settings stored = klmDefaultSettings();
        stored.dateFormat = 3;
        stored.priceFormat = 1;
        stored.romSizeFormat = 1;
        QVERIFY(klmWriteSettingFile(paths.settingDat, stored, cat));

        auto w = open();
        QVERIFY(w);
        // アイスホッケー魂 comes first: 1989-09-10, 4,800 yen, 1 MB.
        const QString info = w->infoPane()->toPlainText();
        QVERIFY2(info.contains(klmU("発売日 : 1989/09/10\n")), qPrintable(info));
        QVERIFY2(info.contains(klmU("価格 : 4800円\n")), qPrintable(info));
        QVERIFY2(info.contains(klmU("ロムサイズ : 1,048,576 バイト\n")), qPrintable(info));
        const KlmColumnList& columns = w->context().state.settings.shownColumns;
        for (int c = 0; c < columns.count; ++c) {
            const QString cell = w->model()->data(w->model()->index(0, c), Qt::DisplayRole).toString();
            if (columns.items[c].field == 7) QCOMPARE(cell, QStringLiteral("1989/09/10"));
            if (columns.items[c].field == 8) QCOMPARE(cell, klmU("4800円"));
        }
    }

    void infoPaneAndHeaderSort()
    {
        auto w = open();
        const KlmAppContext& c = w->context();
        const int32_t game = c.state.settings.selectedGame;
        const QString info = w->infoPane()->toPlainText();
        const QString title = klmQ(klmField(c.catalogue.games[static_cast<size_t>(game)].title));
        // Title, the blank line, then "label : value" lines.
        QVERIFY(info.startsWith(title + QStringLiteral("\n\n") + klmU("ハード : ")));

        // A second click on the sort column flips its direction.
        QTest::mouseClick(w->gameList()->horizontalHeader()->viewport(), Qt::LeftButton, {},
                          QPoint(w->gameList()->horizontalHeader()->sectionViewportPosition(0) + 5, 5));
        QCOMPARE(c.state.settings.shownColumns.items[0].descending, 1);
        const QByteArray first(c.catalogue.games[static_cast<size_t>(c.state.browse.view.rows[0])].titleKana);
        const QByteArray last(c.catalogue.games[static_cast<size_t>(c.state.browse.view.rows[static_cast<size_t>(c.state.browse.view.count - 1)])].titleKana);
        QVERIFY(first >= last);
    }

    void launchWithoutEmulatorAndEveryCommandHandled()
    {
        auto w = open();
        QTest::keyClick(w->gameList(), Qt::Key_Return);
        QCOMPARE(messages_.size(), 1);
        QVERIFY(messages_[0].text.endsWith(klmU("のエミュレータが登録されていません")));
        QCOMPARE(messages_[0].title, klmU("警告"));
        QCOMPARE(messages_[0].icon, QMessageBox::Information);
        messages_.clear();
        // Every command of the table has its handler now; one that lost it
        // would answer "not built yet" instead of doing its work.
        const QList<int32_t> unbuilt = w->router().unhandledTableCommands();
        QString ids;
        for (int32_t id : unbuilt) ids += QString::number(id) + QLatin1Char(' ');
        QVERIFY2(unbuilt.isEmpty(), qPrintable(ids));
    }

    void movieTransportClamps()
    {
        auto w = open();
        const Settings& s = w->context().state.settings;
        for (int i = 0; i < 30; ++i) w->command(kKlmCmdVolumeUp);
        QCOMPARE(s.volume, 100);
        w->command(kKlmCmdMute);
        QVERIFY(w->action(kKlmCmdMute)->isChecked());
        w->command(kKlmCmdVolumeUp);  // unmutes, stays at 100
        QCOMPARE(s.volume, 100);
        QCOMPARE(s.mute, 0);
        for (int i = 0; i < 30; ++i) w->command(kKlmCmdFaster);
        QCOMPARE(s.speed, 2000);
        w->command(kKlmCmdSpeedNormal);
        QCOMPARE(s.speed, 1000);
    }

    void favouritesFilter()
    {
        auto w = open();
        w->command(kKlmCmdFavoriteAdd);  // the selected game
        // A command that writes records waits for the index being copied.
        QVERIFY(!w->context().state.browse.indexBuilding);
        const int32_t game = w->context().state.settings.selectedGame;
        w->command(kKlmCmdFavoritesOnly);
        QCOMPARE(listed(*w), 1);
        QCOMPARE(w->context().state.browse.view.rows[0], game);
        w->command(kKlmCmdFavoriteRemove);
        QCOMPARE(listed(*w), 0);
        QVERIFY(w->infoPane()->toPlainText().isEmpty());
    }

    // Marking or unmarking a multi-row selection, or loading a favourites
    // file, changes which rows are listed only while "favourites only" is
    // on: otherwise the rows and the whole selection stay.
    void favouritesKeepTheRowsUnlessTheyFilter()
    {
        auto w = open();
        KlmGameListView* list = w->gameList();
        const QModelIndex from = w->model()->index(1, 0), to = w->model()->index(3, 0);
        list->selectionModel()->select(QItemSelection(from, to), QItemSelectionModel::ClearAndSelect |
                                                                      QItemSelectionModel::Rows);
        const int all = listed(*w);
        const std::vector<int32_t> rows{1, 2, 3};
        w->command(kKlmCmdFavoriteAdd);
        QCOMPARE(list->selectedRowList(), rows);
        QCOMPARE(listed(*w), all);
        auto gameOfRow = [&](int row) { return w->context().catalogue.games[static_cast<size_t>(w->model()->gameAt(row))]; };
        for (int row : rows) QCOMPARE(gameOfRow(row).favorite, 1);

        // A file naming one more game, through the open-file picker.
        Catalogue other = w->context().catalogue;
        for (GameRecord& g : other.games) g.favorite = 0;
        const int32_t extra = w->model()->gameAt(10);
        other.games[static_cast<size_t>(extra)].favorite = 1;
        const QString file = f_.base + QStringLiteral("/mine.dat");
        QVERIFY(klmSaveFavoritesFile(file.toStdString(), other));
        w->pickers().openFile = [file](const QString&) { return file; };
        w->command(kKlmCmdFavoriteLoad);
        QCOMPARE(list->selectedRowList(), rows);
        QCOMPARE(w->context().catalogue.games[static_cast<size_t>(extra)].favorite, 1);

        // Favourites only: now each change refreshes.
        w->command(kKlmCmdFavoritesOnly);
        QCOMPARE(listed(*w), 4);
        list->selectRow(0, false);
        w->command(kKlmCmdFavoriteRemove);
        QCOMPARE(listed(*w), 3);
    }

    // The favourites file dialogs: their titles and filter, a Japanese name
    // saved as typed, and each dialog opening at the last name chosen in it.
    void favouriteFileDialogsKeepTheirNames()
    {
        auto w = open();
        w->context().state.settings.centreDialogs = 0;
        w->command(kKlmCmdFavoriteAdd);
        const int32_t game = w->context().state.settings.selectedGame;
        const QString japanese = f_.base + klmU("/お気に入り.dat");
        auto pick = [](const QString& name, const QString& title, const QString& choose, QStringList* offered) {
            whenOpen(name, [=](QWidget* d) {
                auto* dialog = static_cast<QFileDialog*>(d);
                QCOMPARE(dialog->windowTitle(), title);
                auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
                QVERIFY(types);
                QCOMPARE(types->currentText(), klmU("お気に入りファイル(.dat)"));
                *offered << dialog->selectedFiles().value(0);
                if (choose.isEmpty()) return;
                // Typed into the name box, as the user would.
                auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                QVERIFY(name);
                name->setText(choose);
                static_cast<QDialog*>(dialog)->accept();  // the file dialog's own OK
            });
        };
        QStringList offered;
        pick(QStringLiteral("saveFilePicker"), klmU("お気に入りを保存"), japanese, &offered);
        w->command(kKlmCmdFavoriteSave);
        QVERIFY2(QFile::exists(japanese), qPrintable(QDir(f_.base).entryList().join(QLatin1Char(' '))));
        QVERIFY(!QFile::exists(japanese + QStringLiteral(".dat")));
        pick(QStringLiteral("saveFilePicker"), klmU("お気に入りを保存"), QString(), &offered);
        w->command(kKlmCmdFavoriteSave);
        QCOMPARE(offered.value(1), japanese);

        w->command(kKlmCmdFavoriteRemove);
        QCOMPARE(w->context().catalogue.games[static_cast<size_t>(game)].favorite, 0);
        pick(QStringLiteral("openFilePicker"), klmU("お気に入りを読み込む"), japanese, &offered);
        w->command(kKlmCmdFavoriteLoad);
        QCOMPARE(w->context().catalogue.games[static_cast<size_t>(game)].favorite, 1);
        pick(QStringLiteral("openFilePicker"), klmU("お気に入りを読み込む"), QString(), &offered);
        w->command(kKlmCmdFavoriteLoad);
        QCOMPARE(offered.size(), 4);
        QVERIFY(!offered[2].endsWith(klmU("お気に入り.dat")));  // nothing loaded yet in this run
        QCOMPARE(offered[3], japanese);
        QVERIFY(messages_.isEmpty());
    }

    void closeWritesElevenFilesAndRestoresChoices()
    {
        {
            auto w = open();
            w->command(kKlmCmdTitleMode);
            w->command(kKlmCmdShowNotRenamed);
            w->command(kKlmCmdFavoriteAdd);
            w->searchBar()->edit()->setText(klmU("ソウル"));
            w->close();
            QCOMPARE(w->savedFiles(),
                     (QStringList{QStringLiteral("dat.cache"), QStringLiteral("sort.cache"),
                                  QStringLiteral("movieinfo.dat"), QStringLiteral("skin.dat"),
                                  QStringLiteral("emulator.dat"), QStringLiteral("favorite.dat"),
                                  QStringLiteral("romfolder.dat"), QStringLiteral("permute.dat"),
                                  QStringLiteral("custom.dat"), QStringLiteral("window.dat"),
                                  QStringLiteral("setting.dat")}));
            QVERIFY(messages_.isEmpty());
        }
        QVERIFY(QFile::exists(f_.base + QStringLiteral("/save/setting.dat")));
        QVERIFY(QFile::exists(f_.base + QStringLiteral("/cache/sort.cache")));
        auto w = open();  // the caches are valid now
        const Settings& s = w->context().state.settings;
        QCOMPARE(s.titleMode, 1);
        QVERIFY(w->action(kKlmCmdTitleMode)->isChecked());
        QCOMPARE(s.search.showNotRenamed, 1);
        QVERIFY(w->action(kKlmCmdShowNotRenamed)->isChecked());
        QCOMPARE(w->searchBar()->edit()->text(), klmU("ソウル"));
        QVERIFY(listed(*w) > 0 && listed(*w) < klmGameCount(w->context().catalogue));
        int favourites = 0;
        for (const GameRecord& g : w->context().catalogue.games) favourites += g.favorite;
        QCOMPARE(favourites, 1);
    }

    void failedSaveIsReported()
    {
        auto w = open();
        // A directory where setting.dat should be: the write cannot succeed.
        QDir(f_.base).mkpath(QStringLiteral("save/setting.dat"));
        w->close();
        QCOMPARE(messages_.size(), 1);
        QVERIFY(messages_[0].text.startsWith(klmU("次のファイルを保存できませんでした。")));
        QVERIFY(messages_[0].text.contains(QStringLiteral("setting.dat")));
        QVERIFY(!w->savedFiles().contains(QStringLiteral("setting.dat")));
    }

    void missingRequiredFileMessage()
    {
        QFile::remove(f_.base + QStringLiteral("/hard.dat"));
        QFile::remove(f_.base + QStringLiteral("/soft.dat"));
        QVERIFY(!open());
        QCOMPARE(messages_.size(), 1);
        QCOMPARE(messages_[0].text, klmU("hard.dat が存在しません。\nアプリケーションを終了します。"));
        QCOMPARE(messages_[0].title, klmU("重大なエラー"));
        QCOMPARE(messages_[0].icon, QMessageBox::Critical);
    }

    void missingSaveFolderIsReported()
    {
        QDir(f_.base + QStringLiteral("/save")).removeRecursively();
        QVERIFY(open());
        QCOMPARE(messages_.size(), 1);
        QVERIFY(messages_[0].text.startsWith(QStringLiteral("save")));
    }

    void secondInstanceExitsSilently()
    {
        klm::platform::SingleInstance first;
        if (!first.acquired()) QSKIP("another Kolmar holds the guard on this machine");
        klm::platform::SingleInstance second;
        QVERIFY(second.anotherRunning());
        // The real program, started while the guard is held, ends at once with 0.
        QProcess p;
        p.start(QStringLiteral(KOLMAR_APP_PATH), {});
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
    }

    // Sends a mouse event with the left button held, as a drag does.
    static void mouse(QWidget* w, QEvent::Type type, QPoint pos)
    {
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent e(type, QPointF(pos), w->mapToGlobal(QPointF(pos)), button, held, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }

    void splitterDragStopsAtTheBound()
    {
        auto w = open();
        w->resize(1100, 700);
        w->show();
        KlmClientArea* area = w->clientArea();
        const KlmLayoutInput in = area->layoutInput();
        const int T = klmLayoutT(in);
        const int y = T + 60;
        // Grabbed one pixel right of the bar's centre.
        mouse(area, QEvent::MouseButtonPress, QPoint(in.splitX + 1, y));
        QCOMPARE(area->splitDrag().mode, int(kKlmHitVertical));
        QVERIFY(area->dragFeedback(0)->isVisible());
        QCOMPARE(area->dragFeedback(0)->geometry(), QRect(in.splitX - 2, T, 5, in.clientH - klmLayoutS(in) - T));
        mouse(area, QEvent::MouseMove, QPoint(10, y));
        QCOMPARE(area->splitDrag().posX, 50);  // stopped exactly at the bound
        QCOMPARE(area->dragFeedback(0)->x(), 48);
        mouse(area, QEvent::MouseMove, QPoint(40, y));
        QCOMPARE(area->splitDrag().posX, 50);
        mouse(area, QEvent::MouseMove, QPoint(60, y));  // follows the cursor, no jump
        QCOMPARE(area->splitDrag().posX, 60);
        mouse(area, QEvent::MouseButtonRelease, QPoint(60, y));
        QCOMPARE(area->splitDrag().mode, int(kKlmHitNone));
        QVERIFY(!area->dragFeedback(0)->isVisible());
        QCOMPARE(w->context().state.settings.splitX, 60);
        QCOMPARE(w->gameList()->geometry().width(), 60 - 7);

        // The horizontal bar, dragged above its upper bound and back.
        const KlmLayoutInput in2 = area->layoutInput();
        const int x = in2.clientW - 50;
        mouse(area, QEvent::MouseButtonPress, QPoint(x, in2.splitY - 1));
        QCOMPARE(area->splitDrag().mode, int(kKlmHitHorizontal));
        mouse(area, QEvent::MouseMove, QPoint(x, 5));
        QCOMPARE(area->splitDrag().posY, T + 120);
        mouse(area, QEvent::MouseMove, QPoint(x, T + 130));
        QCOMPARE(area->splitDrag().posY, T + 130);
        mouse(area, QEvent::MouseButtonRelease, QPoint(x, T + 130));
        QCOMPARE(w->context().state.settings.splitY, T + 130);
    }

    void statusBarClicksAndMenus()
    {
        auto w = open();
        w->resize(1200, 700);
        w->show();
        KlmStatusBar* bar = w->statusPane();
        const Settings& s = w->context().state.settings;
        int volumePart = -1;
        for (int i = 0; i < bar->partCount(); ++i)
            if (s.statusShown.items[i] == 6) volumePart = i;
        QVERIFY(volumePart >= 0);
        const KlmVolumeGeometry g = klmVolumeGeometry(bar->partRect(volumePart).left(), bar->height());
        QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(g.bars[0].x, g.bars[0].y + 1));
        QCOMPARE(s.volume, 0);
        QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(g.bars[20].x + 1, g.bars[20].y + g.bars[20].h - 1));
        QCOMPARE(s.volume, 100);
        QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(g.bars[6].x, 3));
        QCOMPARE(s.volume, 30);
        QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(g.speaker.x + 1, g.speaker.y + 2));
        QCOMPARE(s.mute, 1);
        QVERIFY(w->action(kKlmCmdMute)->isChecked());

        auto items = [&](int item) {
            QMenu menu;
            bar->fillMenu(menu, item);
            QStringList out;
            for (QAction* a : menu.actions())
                out << (a->isSeparator() ? QStringLiteral("-")
                                         : a->text() + (a->isChecked() ? QStringLiteral(" [x]") : QString()) +
                                               QStringLiteral(" #") + QString::number(a->data().toInt()));
            return out;
        };
        QCOMPARE(items(0), (QStringList{klmU("所有を表示\tF1 [x] #32808"), QStringLiteral("-"), klmU("所有の色設定 #32844")}));
        w->command(kKlmCmdShowNotRenamed);
        QCOMPARE(items(1), (QStringList{klmU("未リネームを表示\tF2 [x] #42299"), QStringLiteral("-"), klmU("未リネームの色設定 #22840")}));
        QCOMPARE(items(2), (QStringList{klmU("未所有を表示\tF3 [x] #32809"), QStringLiteral("-"), klmU("未所有の色設定 #32845")}));
        QCOMPARE(items(6), (QStringList{klmU("ミュート\tF8 [x] #32777"), klmU("音量を上げる\tCtrl + ↑ #32774"),
                                        klmU("音量を下げる\tCtrl + ↓ #32775"), klmU("音量を標準にする\tCtrl + Q #33103")}));
        w->command(kKlmCmdLoop);
        QCOMPARE(items(7), (QStringList{klmU("再生\tF6 #32772"), klmU("一時停止\tF7 #32773"), QStringLiteral("-"),
                                        klmU("再生速度を速くする\tCtrl + → #33100"), klmU("再生速度を遅くする\tCtrl + ← #33101"),
                                        klmU("再生速度を標準にする\tCtrl + N #33102"), QStringLiteral("-"),
                                        klmU("動画を表示する\tF9 [x] #32830"), klmU("ループ再生する\tF10 #32835")}));
        QVERIFY(items(3).isEmpty());

        // The colour items ask the picker for their state, starting from the
        // stored colour; a cancelled picker changes nothing, "デフォルト"
        // puts the state's default back.
        QColor offered;
        KlmStateColour asked = KlmStateColour::Owned;
        KlmColourPick answer{KlmPickAnswer::Chosen, QColor(0x12, 0x34, 0x56)};
        w->pickers().colour = [&](QWidget*, const QColor& start, KlmStateColour state) {
            offered = start;
            asked = state;
            return answer;
        };
        const int32_t before = s.notRenamedColour;
        w->command(kKlmCmdNotRenamedColour);
        QCOMPARE(asked, KlmStateColour::NotRenamed);
        QCOMPARE(offered, QColor(before & 0xFF, (before >> 8) & 0xFF, (before >> 16) & 0xFF));
        QCOMPARE(s.notRenamedColour, 0x563412);
        answer = {KlmPickAnswer::Cancelled, QColor()};
        w->command(kKlmCmdOwnedColour);
        QCOMPARE(s.ownedColour, klmDefaultSettings().ownedColour);
        answer = {KlmPickAnswer::Reset, QColor()};
        w->command(kKlmCmdNotRenamedColour);
        QCOMPARE(s.notRenamedColour, klmDefaultSettings().notRenamedColour);
    }

    void toolbarButtons()
    {
        auto w = open();
        QToolBar* tb = w->toolBar();
        int buttons = 0, separators = 0;
        for (QAction* a : tb->actions()) {
            if (a->isSeparator()) {
                ++separators;
                continue;
            }
            QCOMPARE(a->data().toInt(), klmToolbarCommand(buttons));
            QVERIFY(!a->icon().isNull());
            ++buttons;
        }
        QCOMPARE(buttons, 40);
        QCOMPARE(separators, 9);
        QCOMPARE(w->action(32848)->toolTip(), klmU("タイトルの文字列順でソートする"));
        QCOMPARE(w->action(32808)->toolTip(), klmU("所有を表示   F1"));
        QCOMPARE(w->action(33010)->toolTip(), klmU("検索をリセット   Alt + A"));
        QCOMPARE(w->action(33103)->toolTip(), klmU("音量を標準にする   Ctrl + Q"));
        QVERIFY(w->action(32808)->isCheckable() && !w->action(33000)->isCheckable());
    }

    void focusRingOrder()
    {
        auto w = open();
        w->show();
        // The qualifiers join the ring once their conditions are set.
        w->searchBar()->list(1013)->setCurrentIndex(1);
        w->searchBar()->list(1015)->setCurrentIndex(1);
        const QList<QWidget*> ring = {w->searchBar()->edit(), w->searchBar()->control(1011),
            w->searchBar()->list(1004), w->searchBar()->list(1005), w->searchBar()->list(1006),
            w->searchBar()->list(1007), w->searchBar()->list(1008), w->searchBar()->list(1009),
            w->searchBar()->list(1013), w->searchBar()->list(1014), w->searchBar()->list(1015),
            w->searchBar()->list(1016), w->gameList()};
        w->gameList()->setFocus();
        for (QWidget* expected : ring) {
            w->command(kKlmCmdFocusNext);
            QCOMPARE(w->focusWidget(), expected);
        }
        for (int i = ring.size() - 2; i >= 0; --i) {
            w->command(kKlmCmdFocusPrevious);
            QCOMPARE(w->focusWidget(), ring[i]);
        }
        w->infoPane()->setFocus();
        w->command(kKlmCmdFocusNext);
        QCOMPARE(w->focusWidget(), w->searchBar()->edit());
        // A disabled qualifier is passed over.
        w->searchBar()->list(1015)->setCurrentIndex(0);
        w->searchBar()->list(1015)->setFocus();
        w->command(kKlmCmdFocusNext);
        QCOMPARE(w->focusWidget(), w->gameList());
        QCOMPARE(KlmAccelerators::commandOf(Qt::Key_Tab), kKlmCmdFocusNext);
        // The keys themselves, once the window is active.
        w->activateWindow();
        if (QTest::qWaitForWindowActive(w.get())) {
            w->gameList()->setFocus();
            QTest::keyClick(w->gameList(), Qt::Key_Tab);
            QCOMPARE(w->focusWidget(), w->searchBar()->edit());
            QTest::keyClick(w->searchBar()->edit(), Qt::Key_Backtab, Qt::ShiftModifier);
            QCOMPARE(w->focusWidget(), w->gameList());
        }
    }

    // window.dat keeps the outer rectangle, frame included (the offscreen
    // platform draws a thin one; the desktop tests have a real one).
    void windowFileRoundTrip()
    {
        const QString file = f_.base + QStringLiteral("/save/window.dat");
        QFile::remove(file);
        const QRect inner(100, 120, 900, 650);
        QRect outer;
        {
            auto w = open();
            w->showPlaced();  // first run
            QScreen* sc = QApplication::primaryScreen();
            const QRect work = sc->availableGeometry();
            const KlmRect first = klmFirstRunWindowRect({work.x(), work.y(), work.width(), work.height()});
            QCOMPARE(w->frameGeometry(), QRect(first.x, first.y, first.w, first.h));
            w->setGeometry(inner);
            outer = w->frameGeometry();
            w->close();
        }
        KlmWindowPlacement p;
        QCOMPARE(klmReadWindowFile(file.toStdString(), p), KlmWindowFileStatus::Read);
        QCOMPARE(p.showCmd, kKlmShowNormal);
        QCOMPARE(QRect(p.left, p.top, p.right - p.left, p.bottom - p.top), outer);
        {
            auto w = open();
            w->showPlaced();
            QCOMPARE(w->frameGeometry(), outer);
            QCOMPARE(w->geometry(), inner);
            w->showMaximized();
            w->showMinimized();  // minimized from maximized: reopens maximized
            w->close();
        }
        QCOMPARE(klmReadWindowFile(file.toStdString(), p), KlmWindowFileStatus::Read);
        QCOMPARE(p.showCmd, kKlmShowMaximized);
        QCOMPARE(QRect(p.left, p.top, p.right - p.left, p.bottom - p.top), outer);
        {
            auto w = open();
            w->showPlaced();
            QVERIFY(w->windowState() & Qt::WindowMaximized);
            w->close();
        }
        QCOMPARE(klmReadWindowFile(file.toStdString(), p), KlmWindowFileStatus::Read);
        QCOMPARE(QRect(p.left, p.top, p.right - p.left, p.bottom - p.top), outer);
        {
            auto w = open();
            w->showPlaced();
            w->showNormal();
            QTRY_COMPARE(w->frameGeometry(), outer);
            w->close();
        }
        // A rectangle off every screen: the first-run geometry instead.
        p.showCmd = kKlmShowNormal;
        p.left = 40000;
        p.right = 40900;
        QVERIFY(klmWriteWindowFile(file.toStdString(), p));
        auto w = open();
        w->showPlaced();
        QVERIFY(w->geometry().left() < 10000);
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
