// The audit, ROM folder and rename settings dialogs on the real main window
// over a temporary copy of the sample folder. Message boxes are intercepted;
// modal dialogs are driven from a timer once they are open.
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

#include <cstring>
#include <memory>

#include "audit/crc.h"
#include "audit/ownership.h"
#include "gui_fixture.h"
#include "qt_text.h"
#include "rename_dialogs.h"
#include "status_bar.h"
#include "text/cp932.h"
#include "ui/game_text.h"

class AuditDialogsTest : public QObject {
    Q_OBJECT

private:
    KlmGuiFixture f_;
    QList<KlmMessage>& messages_ = f_.messages;
    std::unique_ptr<MainWindow> w_;

    QString romDir() const { return f_.base + QStringLiteral("/roms"); }

private Q_SLOTS:
    void init()
    {
        f_.copySample();
        QVERIFY(QDir().mkpath(romDir()));
        w_ = f_.open();
        QVERIFY(w_);
        w_->context().state.settings.centreDialogs = 0;
    }

    void cleanup() { w_.reset(); }

    // The list works on a copy: Cancel after an add leaves the registry as
    // it was; OK hands the rows over, path without its trailing separator,
    // the new row checked; a duplicate is refused and the box stays open.
    void romFolderRegistryChangesOnlyOnOk()
    {
        auto addThen = [this](int closeWith, bool tryDuplicate) {
            whenOpen(QStringLiteral("40001"), [this, closeWith, tryDuplicate](QWidget* list) {
                whenOpen(QStringLiteral("40100"), [this](QWidget* add) {
                    QCOMPARE(add->windowTitle(), klmU("ロムフォルダ追加"));
                    edit(add, 40101)->setText(romDir() + QStringLiteral("/"));
                    click(add, 1);
                });
                click(list, 40003);
                if (tryDuplicate) {
                    whenOpen(QStringLiteral("40100"), [this](QWidget* add) {
                        edit(add, 40101)->setText(romDir());
                        click(add, 1);
                        QVERIFY(add->isVisible());  // refused, still open
                        click(add, 2);
                    });
                    click(list, 40003);
                    QCOMPARE(list->findChild<QTreeWidget*>(QStringLiteral("40002"))->topLevelItemCount(), 1);
                }
                click(list, closeWith);
            });
            w_->command(40000);
        };

        addThen(2, false);
        QVERIFY(w_->context().state.romFolders.empty());
        QVERIFY(messages_.isEmpty());

        addThen(1, true);
        const auto& folders = w_->context().state.romFolders;
        QCOMPARE(folders.size(), size_t(1));
        QCOMPARE(klmQ(klmField(folders[0].path)), romDir());
        QCOMPARE(folders[0].depth, 0);
        QCOMPARE(folders[0].selected, 1);
        QCOMPARE(messages_.size(), 1);
        QCOMPARE(messages_[0].text, klmU("ロムフォルダが重複します"));
        QCOMPARE(messages_[0].icon, QMessageBox::Warning);
    }

    // One ROM whose CRC is the first game's: after the audit that game is
    // owned, its found path is the file, and the summary counts one file
    // and one match. Without a selected folder the start check answers.
    void auditMarksTheMatchingGame()
    {
        KlmAppContext& c = w_->context();
        const QString rom = romDir() + QStringLiteral("/a.bin");
        QFile f(rom);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("Kolmar audit test ROM image");
        f.close();
        const std::string crc = klmFileCrcText(rom.toStdString());
        QCOMPARE(crc.size(), size_t(8));

        // The status bar counts what the core counts, before and after.
        const KlmOwnershipCount before = klmCountOwnership(c.catalogue);
        QCOMPARE(w_->statusPane()->counts().owned, before.owned);

        // No folder selected yet.
        w_->command(32800);
        QCOMPARE(messages_.size(), 2);
        QCOMPARE(messages_[0].text, klmU("ロムの監査を開始しますか"));
        QCOMPARE(messages_[0].title, klmU("開始確認"));
        QCOMPARE(messages_[1].text, klmU("ロムフォルダが指定されていません"));
        QCOMPARE(messages_[1].title, klmU("警告"));
        messages_.clear();

        // The second game, so that the match must not simply take the first.
        GameRecord& game = c.catalogue.games.at(1);
        klmCopyField(game.crc32, crc);
        game.ownership = 0;
        RomFolder folder;
        std::memset(&folder, 0, sizeof folder);
        klmCopyField(folder.path, klmCp(romDir()));
        folder.selected = 1;
        c.state.romFolders = {folder};
        klmCopyField(c.state.settings.renamePattern, "%n");

        w_->command(32800);
        QCOMPARE(messages_.size(), 2);
        QCOMPARE(messages_[1].text, klmU("ロムの監査が終了しました。\n監査ロム数 : 1\n該当ロム数 : 1\n"));
        QCOMPARE(messages_[1].title, klmU("ロムの監査終了"));
        QCOMPARE(messages_[1].icon, QMessageBox::Information);
        QVERIFY(game.ownership == kKlmOwned || game.ownership == kKlmOwnedNotRenamed);
        QCOMPARE(klmQ(klmField(game.foundPath)), rom);
        const KlmOwnershipCount audited = w_->statusPane()->counts();
        QCOMPARE(audited.owned, before.owned + 1);
        QCOMPARE(audited.notRenamed, klmCountOwnership(c.catalogue).notRenamed);
        QCOMPARE(audited.notOwned(), before.notOwned() - 1);

        // Reset clears it again, without asking.
        messages_.clear();
        w_->command(32801);
        QVERIFY(messages_.isEmpty());
        QCOMPARE(game.ownership, kKlmNotOwned);
        QVERIFY(klmField(game.foundPath).empty());
        QCOMPARE(w_->statusPane()->counts().owned, before.owned);
    }

    // "参照..." asks the folder picker, which starts from the last folder
    // chosen in this run when the box names none. 全て削除 empties the
    // list and leaves the keyboard focus in it, as every button does.
    void romFolderPickerAndDeleteAll()
    {
        QStringList starts;
        w_->pickers().folder = [&](const QString& start) {
            starts << start;
            return romDir() + QStringLiteral("/");
        };
        bool emptied = false, focusInList = false;
        whenOpen(QStringLiteral("40001"), [&](QWidget* list) {
            for (int round = 0; round < 2; ++round) {
                whenOpen(QStringLiteral("40100"), [&](QWidget* add) {
                    click(add, 40102);
                    QCOMPARE(edit(add, 40101)->text(), romDir());
                    click(add, 2);
                });
                click(list, 40003);
            }
            // Something to delete, added through OK this time.
            whenOpen(QStringLiteral("40100"), [&](QWidget* add) {
                edit(add, 40101)->setText(romDir());
                click(add, 1);
            });
            click(list, 40003);
            auto* rows = list->findChild<QTreeWidget*>(QStringLiteral("40002"));
            auto* deleteAll = list->findChild<QPushButton*>(QStringLiteral("40006"));
            deleteAll->setFocus();
            deleteAll->click();
            emptied = rows->topLevelItemCount() == 0;
            focusInList = list->focusWidget() == rows;
            click(list, 2);
        });
        w_->command(40000);
        QCOMPARE(starts, (QStringList{QString(), romDir()}));
        QVERIFY(emptied);
        QVERIFY(focusInList);
    }

    // The target-name update runs in one go: while its bar moves, the event
    // loop must still get turns (on X11 that is what brings a paint to the
    // screen), or the box shows 0 % until it closes.
    void targetNameProgressReachesTheScreen()
    {
        w_.reset();
        QVERIFY(f_.generate(1500));
        w_ = f_.open();
        QVERIFY(w_);
        klmCopyField(w_->context().state.settings.renamePattern, "%n");
        int turns = 0;
        QTimer loop;
        QObject::connect(&loop, &QTimer::timeout, [&turns] { ++turns; });
        loop.start(0);
        // The loop's turns counted at each paint of the moving bar.
        QList<int> turnsAtPaint;
        TargetNameUpdateDialog dialog(*w_, w_.get());
        struct PaintWatch : QObject {
            std::function<void(int)> seen;
            bool eventFilter(QObject* o, QEvent* e) override
            {
                if (e->type() == QEvent::Paint) seen(static_cast<QProgressBar*>(o)->value());
                return false;
            }
        } watch;
        watch.seen = [&](int value) {
            if (value > 0 && value < 100) turnsAtPaint.push_back(turns);
        };
        dialog.progressBar()->installEventFilter(&watch);
        dialog.exec();
        QVERIFY2(turnsAtPaint.size() >= 3, qPrintable(QString::number(turnsAtPaint.size())));
        QVERIFY(turnsAtPaint.last() > turnsAtPaint.first());
        QVERIFY(!klmField(w_->context().catalogue.games[0].targetName).empty());
    }

    // A pattern without %n/%e or with both is refused with its box and the
    // dialog stays open; the token buttons insert at the caret; a valid
    // pattern is stored and the target names are computed.
    void renameSettingsValidateAndUpdate()
    {
        KlmAppContext& c = w_->context();
        whenOpen(QStringLiteral("42303"), [this](QWidget* d) {
            QLineEdit* pattern = edit(d, 42304);
            pattern->setText(QStringLiteral("[%h]"));
            click(d, 1);
            QVERIFY(d->isVisible());
            pattern->setText(QStringLiteral("%n %e"));
            click(d, 1);
            QVERIFY(d->isVisible());
            pattern->setText(QStringLiteral("%n"));
            pattern->setFocus();
            pattern->setCursorPosition(2);
            click(d, 42308);
            QCOMPARE(pattern->text(), QStringLiteral("%n%h"));
            QCOMPARE(pattern->cursorPosition(), 4);
            click(d, 1);
        });
        w_->command(42302);
        QCOMPARE(messages_.size(), 2);
        QCOMPARE(messages_[0].text, klmU("%n 又は %e が含まれないといけません"));
        QCOMPARE(messages_[0].title, klmU("警告"));
        QCOMPARE(messages_[1].text, klmU("%n と %e は共存できません"));
        QCOMPARE(klmField(c.state.settings.renamePattern), std::string_view("%n%h"));
        const GameRecord& first = c.catalogue.games.at(0);
        QCOMPARE(klmQ(klmField(first.targetName)),
                 klmQ(klmField(first.title)) + klmQ(klmMasterName(c.catalogue.hardware, first.hardware)));
    }

    // What romfolder.dat or setting.dat cannot hold whole is refused with a
    // box that says so, and the dialog stays open: a folder whose name has
    // no Shift-JIS form, a path of 260 bytes, a pattern with such a
    // character or of such a length.
    void unstorableTextIsRefusedWithItsReason()
    {
        const QString hangul = f_.base + QStringLiteral("/\uD55C");  // 한
        QString deep = f_.base;
        while (deep.toUtf8().size() < 270) deep += QStringLiteral("/") + QString(40, QLatin1Char('d'));
        QVERIFY(QDir().mkpath(hangul) && QDir().mkpath(deep));
        whenOpen(QStringLiteral("40001"), [&](QWidget* list) {
            whenOpen(QStringLiteral("40100"), [&](QWidget* add) {
                for (const QString& path : {hangul, deep}) {
                    edit(add, 40101)->setText(path);
                    click(add, 1);
                    QVERIFY(add->isVisible());
                }
                click(add, 2);
            });
            click(list, 40003);
            click(list, 2);
        });
        w_->command(40000);
        whenOpen(QStringLiteral("42303"), [&](QWidget* d) {
            for (const QString& pattern : {QStringLiteral("%n \uD55C"), QStringLiteral("%n") + QString(258, QLatin1Char('x'))}) {
                edit(d, 42304)->setText(pattern);
                click(d, 1);
                QVERIFY(d->isVisible());
            }
            click(d, 2);
        });
        w_->command(42302);
        QCOMPARE(messages_.size(), 4);
        const QString expected[] = {klmU("ロムフォルダのパスに Shift-JIS で表せない文字が含まれています"),
                                    klmU("ロムフォルダのパスが長すぎます (半角259文字まで)"),
                                    klmU("リネーム用文字列に Shift-JIS で表せない文字が含まれています"),
                                    klmU("リネーム用文字列が長すぎます (半角259文字まで)")};
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(messages_[i].text, expected[i]);
            QCOMPARE(messages_[i].title, klmU("警告"));
        }
        QVERIFY(w_->context().state.romFolders.empty());
        QVERIFY(klmField(w_->context().state.settings.renamePattern).empty());
    }

    void archiverSelfTestSaysOk()
    {
        w_->command(44444);
        QCOMPARE(messages_.size(), 1);
        QCOMPARE(messages_[0].text, QStringLiteral("OK"));
        QCOMPARE(messages_[0].title, QStringLiteral("Finish"));
    }
};

QTEST_MAIN(AuditDialogsTest)
#include "audit_dialogs_test.moc"
