// Commands 42300 and 42301 on the real main window over a copy of the
// sample folder with a ROM folder of real files: a plain ROM, a zip made by
// Info-ZIP and a 7z made by 7-Zip, found by the window's own audit. The
// boxes are taken by the window's messenger; the progress dialog is watched
// (and its キャンセル clicked) from a timer while it runs.
#include <QAction>
#include <QDir>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QtTest>

#include <cstring>
#include <functional>
#include <memory>

#include "audit/crc.h"
#include "audit/ownership.h"
#include "game_list_model.h"
#include "game_list_view.h"
#include "gui_fixture.h"
#include "qt_text.h"
#include "rename/naming.h"
#include "rename_fixture.h"
#include "status_bar.h"
#include "text/cp932.h"

namespace {

// Three sample games on different hardware with different titles: the
// plain ROM, the 7z and the zip, in catalogue order.
constexpr int32_t kPlainGame = 0;
constexpr int32_t kSevenZipGame = 5;
constexpr int32_t kZipGame = 7;
constexpr int32_t kNotOwnedGame = 1;

// What the progress dialog showed while it was open.
struct DialogWatch {
    bool seen = false;
    QString title, firstProgress, firstPath;
    int barMaximum = -1;
};

}  // namespace

class RenameCommandsTest : public QObject {
    Q_OBJECT

private:
    KlmGuiFixture f_;
    std::unique_ptr<MainWindow> w_;
    QString roms_;
    QStringList boxes_;
    QMessageBox::StandardButton startAnswer_ = QMessageBox::Ok;
    QMessageBox::StandardButton cancelAnswer_ = QMessageBox::Ok;
    std::function<void()> insideStartBox_;

    KlmAppContext& c() { return w_->context(); }
    GameRecord& game(int32_t i) { return c().catalogue.games.at(size_t(i)); }
    std::string romsNative() const { return roms_.toStdString(); }
    QString foundPath(int32_t i) { return klmQ(klmField(game(i).foundPath)); }

    // The ROM folder, the window on the folder, the games' CRCs those of
    // the files, and the window's audit run over them with a pattern set.
    void prepare(size_t sevenZipBytes)
    {
        f_.copySample();
        roms_ = f_.base + QStringLiteral("/roms");
        QVERIFY(QDir().mkpath(roms_));
        const std::string r = romsNative();
        klmTestWrite(r + "/plain.bin", klmTestRomBytes(40000, 1));
        QVERIFY(klmTestPack(KlmTestPacker::SevenZip7z, r + "/archived.7z",
                            {{"archived.bin", klmTestRomBytes(sevenZipBytes, 2)}}));
        QVERIFY(klmTestPack(KlmTestPacker::InfoZip, r + "/packed.zip", {{"packed.bin", klmTestRomBytes(30000, 3)}}));

        w_ = f_.open();
        QVERIFY(w_);
        w_->messages().setHook([this](const KlmMessage& m) {
            boxes_ << m.title + QStringLiteral(": ") + m.text;
            if (m.title == klmU("開始確認") && m.text == klmU("リネームを開始しますか")) {
                if (insideStartBox_) insideStartBox_();
                return startAnswer_;
            }
            if (m.title == klmU("キャンセル確認")) return cancelAnswer_;
            return QMessageBox::Ok;
        });
        Settings& s = c().state.settings;
        s.centreDialogs = 0;
        klmCopyField(s.renamePattern, "%n");
        const std::pair<int32_t, const char*> files[] = {
            {kPlainGame, "/plain.bin"}, {kSevenZipGame, "/archived.7z"}, {kZipGame, "/packed.zip"}};
        for (const auto& [index, name] : files) klmCopyField(game(index).crc32, klmRomCrcText(r + name).crc);
        klmUpdateAllTargetNames(c().catalogue, s);
        RomFolder folder;
        std::memset(&folder, 0, sizeof folder);
        klmCopyField(folder.path, klmCp(roms_));
        folder.selected = 1;
        c().state.romFolders = {folder};
        w_->command(32800);
        for (const int32_t i : {kPlainGame, kSevenZipGame, kZipGame}) QCOMPARE(game(i).ownership, kKlmOwnedNotRenamed);
        boxes_.clear();
    }

    // The file a game's ROM should end up as.
    QString renamedPath(int32_t i, const char* extension)
    {
        return roms_ + QStringLiteral("/") + klmQ(klmField(game(i).targetName)) + QString::fromLatin1(extension);
    }

    int rowOf(int32_t gameIndex)
    {
        const ViewList& view = c().state.browse.view;
        for (int32_t row = 0; row < view.count; ++row)
            if (view.rows[size_t(row)] == gameIndex) return row;
        return -1;
    }

    // Watches the progress dialog from a timer until it closes. The first
    // look comes before its first tick (300 ms after it opens).
    std::shared_ptr<DialogWatch> watchDialog()
    {
        auto watch = std::make_shared<DialogWatch>();
        auto* poll = new QTimer(w_.get());  // goes with the window at the latest
        QObject::connect(poll, &QTimer::timeout, [poll, watch] {
            QWidget* d = QApplication::activeModalWidget();
            if (d && d->objectName() == QStringLiteral("42320") && d->isVisible()) {
                if (!watch->seen) {
                    watch->seen = true;
                    watch->title = d->windowTitle();
                    watch->firstProgress = d->findChild<QLabel*>(QStringLiteral("42322"))->text();
                    watch->firstPath = d->findChild<QLabel*>(QStringLiteral("42323"))->text();
                    watch->barMaximum = d->findChild<QProgressBar*>(QStringLiteral("42321"))->maximum();
                }
            } else if (watch->seen) {
                poll->stop();
                poll->deleteLater();
            }
        });
        poll->start(5);
        return watch;
    }

    // Every byte that was in the ROM folder is still there, no work folder
    // is left, and each game's record describes the files on disk.
    void expectSound(const KlmTestFolderState& before)
    {
        const KlmTestFolderState after = klmTestFolderState(romsNative());
        QVERIFY(klmTestKeepsAll(before.contents, after.contents));
        QVERIFY(after.workFolders.empty());
        QCOMPARE(after.counted.size(), before.counted.size());
        for (const int32_t i : {kPlainGame, kSevenZipGame, kZipGame})
            QCOMPARE(QString::fromStdString(klmTestRecordMismatch(game(i), true)), QString());
    }

    // Only games not renamed yet are listed.
    void listOnlyNotRenamed()
    {
        SearchCondition& cond = c().state.settings.search;
        cond.showOwned = 0;
        cond.showNotOwned = 0;
        cond.showNotRenamed = 1;
        w_->refreshList(true);
    }

private Q_SLOTS:
    void init()
    {
        boxes_.clear();
        startAnswer_ = cancelAnswer_ = QMessageBox::Ok;
        insideStartBox_ = nullptr;
    }
    void cleanup() { w_.reset(); }

    // Rename all from the menu: the dialog's controls, every ROM renamed
    // (the zip and 7z rebuilt with the member renamed), no summary box, and
    // the status bar and the list follow at once.
    void renameAllFromTheMenu()
    {
        prepare(20000);
        if (QTest::currentTestFailed()) return;
        listOnlyNotRenamed();
        const KlmOwnershipCount before = w_->statusPane()->counts();
        const int listedBefore = w_->model()->rowCount();
        QVERIFY(listedBefore >= 3);
        const KlmTestFolderState disk = klmTestFolderState(romsNative());
        const QString firstPath = foundPath(kPlainGame);

        const auto watch = watchDialog();
        w_->action(42300)->trigger();

        QCOMPARE(boxes_, QStringList{klmU("開始確認: リネームを開始しますか")});
        QVERIFY(watch->seen);
        QCOMPARE(watch->title, klmU("リネーム"));
        QCOMPARE(watch->barMaximum, 100);
        QVERIFY2(watch->firstProgress.endsWith(QStringLiteral("( 0%)")), qPrintable(watch->firstProgress));
        QCOMPARE(watch->firstPath, firstPath);

        QCOMPARE(foundPath(kPlainGame), renamedPath(kPlainGame, ".bin"));
        QCOMPARE(foundPath(kSevenZipGame), renamedPath(kSevenZipGame, ".7z"));
        QCOMPARE(foundPath(kZipGame), renamedPath(kZipGame, ".zip"));
        for (const int32_t i : {kPlainGame, kSevenZipGame, kZipGame}) QCOMPARE(game(i).ownership, kKlmOwned);
        for (const int32_t i : {kSevenZipGame, kZipGame})
            QCOMPARE(klmQ(klmField(game(i).memberName)), klmQ(klmField(game(i).targetName)));
        expectSound(disk);

        const KlmOwnershipCount after = w_->statusPane()->counts();
        QCOMPARE(after.owned, before.owned);
        QCOMPARE(after.notRenamed, before.notRenamed - 3);
        QCOMPARE(w_->model()->rowCount(), listedBefore - 3);
        QCOMPARE(after.notRenamed, klmCountOwnership(c().catalogue).notRenamed);
    }

    // Cancel in the start box: nothing is renamed, and the list's
    // auto-selection, held while the box is up, comes back. (The movie's
    // pause around dialogs is the media tests' business.)
    void startBoxCancelResumes()
    {
        prepare(20000);
        if (QTest::currentTestFailed()) return;
        Settings& s = c().state.settings;
        s.autoSelectInterval = 10;
        w_->command(34000);  // auto-selection on
        QVERIFY(c().state.autoSelectRunning);
        const KlmTestFolderState disk = klmTestFolderState(romsNative());

        bool listHeld = false;
        insideStartBox_ = [&] {
            const int row = w_->gameList()->currentIndex().row();
            QTest::qWait(120);  // a dozen auto-select intervals
            listHeld = w_->gameList()->currentIndex().row() == row;
        };
        startAnswer_ = QMessageBox::Cancel;
        w_->command(42300);

        QCOMPARE(boxes_, QStringList{klmU("開始確認: リネームを開始しますか")});
        QVERIFY(listHeld);
        const int row = w_->gameList()->currentIndex().row();
        QTRY_VERIFY_WITH_TIMEOUT(w_->gameList()->currentIndex().row() != row, 5000);
        QCOMPARE(klmTestFolderState(romsNative()).counted, disk.counted);
        QCOMPARE(game(kPlainGame).ownership, kKlmOwnedNotRenamed);
    }

    // The warnings of a start that does not start, in their order, after
    // the start box; no dialog, nothing renamed.
    void warningsComeInTheirOrder()
    {
        prepare(20000);
        if (QTest::currentTestFailed()) return;
        const KlmTestFolderState disk = klmTestFolderState(romsNative());
        const QString start = klmU("開始確認: リネームを開始しますか");
        const QString nothing = klmU("警告: リネームは不要です");
        const QString noPattern = klmU("警告: リネーム用文字列が設定されていません");
        struct Case {
            int32_t command;
            int32_t selectedGame;  // the one selected row's game
            bool pattern;
            QStringList boxes;
        };
        const Case cases[] = {
            {42301, kNotOwnedGame, true, {start, nothing}},
            {42301, kNotOwnedGame, false, {start, nothing, noPattern}},
            {42300, kNotOwnedGame, false, {start, noPattern}},
        };
        for (const Case& k : cases) {
            klmCopyField(c().state.settings.renamePattern, k.pattern ? "%n" : "");
            w_->gameList()->selectRow(rowOf(k.selectedGame), true);
            boxes_.clear();
            QList<KlmMessage> warnings;
            w_->messages().setHook([this, &warnings](const KlmMessage& m) {
                boxes_ << m.title + QStringLiteral(": ") + m.text;
                if (m.title == klmU("警告")) warnings << m;
                return QMessageBox::Ok;
            });
            const auto watch = watchDialog();
            w_->command(k.command);
            QCOMPARE(boxes_, k.boxes);
            for (const KlmMessage& m : warnings) QCOMPARE(m.icon, QMessageBox::Information);
            QVERIFY(!watch->seen);
        }
        QCOMPARE(klmTestFolderState(romsNative()).counted, disk.counted);
    }

    // Rename selected from the list's pop-up: the games of the selected
    // rows, in row order, and no other.
    void renameSelectedFromThePopUp()
    {
        prepare(20000);
        if (QTest::currentTestFailed()) return;
        listOnlyNotRenamed();
        const int rowA = rowOf(kPlainGame), rowB = rowOf(kZipGame);
        QVERIFY(rowA >= 0 && rowB >= 0);
        w_->gameList()->selectRow(rowB, true);
        QItemSelectionModel* sel = w_->gameList()->selectionModel();
        sel->select(w_->model()->index(rowA, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QCOMPARE(w_->gameList()->selectedRowList().size(), size_t(2));
        const QString firstPath = foundPath(rowA < rowB ? kPlainGame : kZipGame);
        const QString untouched = foundPath(kSevenZipGame);

        bool menuHadEntry = false;
        QTimer::singleShot(0, [&menuHadEntry] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            QVERIFY(menu);
            for (QAction* a : menu->actions())
                if (a->text() == klmU("ロムを個別にリネームする")) {
                    menuHadEntry = true;
                    menu->setActiveAction(a);
                    QTest::keyClick(menu, Qt::Key_Return);
                    return;
                }
            menu->close();
        });
        const auto watch = watchDialog();
        Q_EMIT w_->gameList()->gameMenuRequested(QPoint(10, 10));

        QVERIFY(menuHadEntry);
        QCOMPARE(boxes_, QStringList{klmU("開始確認: リネームを開始しますか")});
        QCOMPARE(watch->firstPath, firstPath);
        QVERIFY2(watch->firstProgress.endsWith(QStringLiteral("2( 0%)")), qPrintable(watch->firstProgress));
        QCOMPARE(c().state.renameCommand, 42301);
        QCOMPARE(game(kPlainGame).ownership, kKlmOwned);
        QCOMPARE(game(kZipGame).ownership, kKlmOwned);
        QCOMPARE(game(kSevenZipGame).ownership, kKlmOwnedNotRenamed);
        QCOMPARE(foundPath(kSevenZipGame), untouched);
        QVERIFY(QFile::exists(untouched));
    }

    // キャンセル while a large 7z is being rebuilt: the window kept running
    // meanwhile (the rebuild is off its thread), the rebuild finishes, the
    // run ends before the next game, and the list and status bar show the
    // games that were done.
    void cancelTakesEffectBetweenGames()
    {
        prepare(8u << 20);
        if (QTest::currentTestFailed()) return;
        const KlmTestFolderState disk = klmTestFolderState(romsNative());
        const KlmOwnershipCount before = w_->statusPane()->counts();

        // The label reads "1/3" from the 7z's tick until its result comes
        // back; timer turns seen meanwhile prove the window is not blocked.
        int turnsDuringRebuild = 0;
        bool clicked = false;
        auto* poll = new QTimer(w_.get());
        QObject::connect(poll, &QTimer::timeout, [&, poll] {
            QWidget* d = QApplication::activeModalWidget();
            if (!d || d->objectName() != QStringLiteral("42320")) return;
            const QString progress = d->findChild<QLabel*>(QStringLiteral("42322"))->text();
            if (!progress.startsWith(QStringLiteral("    1/    3"))) return;
            if (++turnsDuringRebuild < 5) return;
            poll->stop();
            poll->deleteLater();
            clicked = true;
            click(d, 2);
        });
        poll->start(10);
        w_->command(42300);

        QVERIFY2(clicked, "the window did not run while the 7z was rebuilt");
        QCOMPARE(boxes_, (QStringList{klmU("開始確認: リネームを開始しますか"),
                                      klmU("キャンセル確認: リネームをキャンセルしますか")}));
        QCOMPARE(game(kPlainGame).ownership, kKlmOwned);
        QCOMPARE(game(kSevenZipGame).ownership, kKlmOwned);  // was out when cancel came
        QCOMPARE(game(kZipGame).ownership, kKlmOwnedNotRenamed);
        QVERIFY(QFile::exists(roms_ + QStringLiteral("/packed.zip")));
        expectSound(disk);
        QCOMPARE(w_->statusPane()->counts().notRenamed, before.notRenamed - 2);
    }
};

QTEST_MAIN(RenameCommandsTest)
#include "rename_commands_test.moc"
