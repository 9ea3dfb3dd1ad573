// The audit, ROM folder and rename settings dialogs on the real main window
// over a temporary copy of the sample folder. Message boxes are intercepted;
// modal dialogs are driven from a timer once they are open.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>

#include "audit/crc.h"
#include "dialog_driver.h"
#include "main_window.h"
#include "message_box.h"
#include "qt_text.h"
#include "text/cp932.h"
#include "ui/game_text.h"

namespace {

QLineEdit* edit(QWidget* dialog, int id) { return dialog->findChild<QLineEdit*>(QString::number(id)); }

}  // namespace

class AuditDialogsTest : public QObject {
    Q_OBJECT

private:
    QList<KlmMessage> messages_;
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<MainWindow> w_;

    QString romDir() const { return dir_->path() + QStringLiteral("/roms"); }

private Q_SLOTS:
    void init()
    {
        messages_.clear();
        klmSetMessageHook([this](const KlmMessage& m) {
            messages_.push_back(m);
            return QMessageBox::Ok;
        });
        dir_ = std::make_unique<QTemporaryDir>();
        std::filesystem::copy(KOLMAR_SAMPLE_DIR, dir_->path().toStdString(),
                              std::filesystem::copy_options::recursive);
        QVERIFY(QDir().mkpath(romDir()));
        w_ = std::make_unique<MainWindow>();
        QVERIFY(w_->startUp(dir_->path()));
        w_->context().state.settings.centreDialogs = 0;
    }

    void cleanup()
    {
        w_.reset();
        klmSetMessageHook({});
    }

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

        // Reset clears it again, without asking.
        messages_.clear();
        w_->command(32801);
        QVERIFY(messages_.isEmpty());
        QCOMPARE(game.ownership, kKlmNotOwned);
        QVERIFY(klmField(game.foundPath).empty());
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
            // The caret is only remembered while the box has the focus,
            // which an inactive window cannot give it.
            QVERIFY(QTest::qWaitForWindowActive(d));
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
