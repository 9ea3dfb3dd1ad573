// The rename progress dialog on its own, over real files: its boxes go to
// the owner's messenger, its controls are found by id, cancel is answered
// both ways, and a game that is out when the dialog goes still lands in
// its record.
#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <memory>

#include "audit/crc.h"
#include "dialog_driver.h"
#include "rename_run_dialog.h"
#include "text/cp932.h"

namespace fs = std::filesystem;

namespace {

struct Folder {
    fs::path root;
    Catalogue cat;
    Settings settings = klmDefaultSettings();

    explicit Folder(int games)
    {
        std::string pattern = (fs::temp_directory_path() / "kolmar-gui-rename-XXXXXX").string();
        root = ::mkdtemp(pattern.data());
        klmCopyField(settings.renamePattern, "%n");
        for (int i = 0; i < games; ++i) {
            const std::string path = (root / ("game" + std::to_string(i) + ".bin")).string();
            const std::string bytes = "rom " + std::to_string(i);
            std::ofstream(path, std::ios::binary) << bytes;
            GameRecord g{};
            klmCopyField(g.crc32, klmFormatCrcText(klmCrc32(bytes.data(), bytes.size())));
            klmCopyField(g.foundPath, klmFromUtf8(path));
            klmCopyField(g.targetName, klmFromUtf8("名前" + std::to_string(i)));
            g.ownership = kKlmOwnedNotRenamed;
            cat.games.push_back(g);
        }
    }
    ~Folder() { fs::remove_all(root); }
    bool renamed(int i) const { return fs::exists(root / ("名前" + std::to_string(i) + ".bin")); }
};

// The owner of the dialog: takes its boxes, answers the cancel box as told.
struct Owner {
    KlmBoxOwner widget;
    QStringList seen;
    QMessageBox::StandardButton cancelAnswer = QMessageBox::Ok;

    Owner()
    {
        widget.messenger.setHook([this](const KlmMessage& m) {
            seen << m.title + QStringLiteral(": ") + m.text;
            return m.title == QStringLiteral("キャンセル確認") ? cancelAnswer : QMessageBox::Ok;
        });
    }
};

// Clicks キャンセル once the dialog is open (and leaves it open: the answer
// decides whether it closes).
void cancelWhenOpen()
{
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (dialog && dialog->objectName() == QStringLiteral("42320") && dialog->isVisible()) {
            poll->stop();
            poll->deleteLater();
            click(dialog, 2);
        }
    });
    poll->start(5);
}

// Runs the dialog over every game of f; optionally clicks キャンセル as soon
// as it is open.
KlmRenameSummary runDialog(Folder& f, Owner& owner, bool clickCancel)
{
    KlmRenameRun run;
    if (!klmRenameStart(run, f.cat, f.settings, klmRenameAllCandidates(f.cat)).empty()) return {};
    if (clickCancel) cancelWhenOpen();
    RenameRunDialog dialog(&owner.widget, run);
    dialog.exec();
    return run.summary;
}

}  // namespace

class RenameRunDialogTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Every game renamed, no box at all (the window shows no summary).
    void renamesEveryGameWithoutABox()
    {
        Folder f(3);
        Owner owner;
        const KlmRenameSummary s = runDialog(f, owner, false);
        QCOMPARE(s.renamed, 3);
        for (int i = 0; i < 3; ++i) QVERIFY(f.renamed(i));
        QVERIFY(owner.seen.isEmpty());
    }

    // Confirmed, the run ends before the next game; declined, it goes on.
    void cancelIsAskedAndAnsweredBothWays()
    {
        {
            Folder f(3);
            Owner owner;
            const KlmRenameSummary s = runDialog(f, owner, true);
            QVERIFY(s.cancelled);
            QCOMPARE(owner.seen, QStringList{QStringLiteral("キャンセル確認: リネームをキャンセルしますか")});
            QVERIFY(s.renamed < 3);
            QVERIFY(fs::exists(f.root / "game2.bin"));
        }
        {
            Folder f(3);
            Owner owner;
            owner.cancelAnswer = QMessageBox::Cancel;
            const KlmRenameSummary s = runDialog(f, owner, true);
            QVERIFY(!s.cancelled);
            QCOMPARE(s.renamed, 3);
            QCOMPARE(owner.seen.size(), 1);
        }
    }

    void showsTheGameBeingHandled()
    {
        Folder f(2);
        KlmRenameRun run;
        QVERIFY(klmRenameStart(run, f.cat, f.settings, {1, 0}).empty());
        Owner owner;
        RenameRunDialog dialog(&owner.widget, run);
        QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("42322"))->text(), QStringLiteral("    0/    2( 0%)"));
        QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("42323"))->text(),
                 QString::fromStdString((f.root / "game1.bin").string()));
        QCOMPARE(dialog.findChild<QProgressBar*>(QStringLiteral("42321"))->maximum(), 100);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("リネーム"));
        QCOMPARE(dialog.findChild<QPushButton*>(QStringLiteral("2"))->text(), QStringLiteral("キャンセル"));
    }

    // The dialog goes (every event loop left at once) while a game's work
    // is out: the file is moved all the same, so its record must say so.
    void aGameOutWhenTheDialogGoesStillLands()
    {
        Folder f(1);
        std::promise<void> entered, release;
        std::shared_future<void> released = release.get_future().share();
        KlmRenameRun run;
        run.stepHook = [&entered, released](KlmRenameStage stage) {
            if (stage != KlmRenameStage::Checked) return;
            entered.set_value();
            released.wait();
        };
        QVERIFY(klmRenameStart(run, f.cat, f.settings, {0}).empty());
        std::future<void> inside = entered.get_future();
        {
            Owner owner;
            RenameRunDialog dialog(&owner.widget, run);
            dialog.show();
            QTRY_VERIFY_WITH_TIMEOUT(inside.wait_for(std::chrono::seconds(0)) == std::future_status::ready, 5000);
            QVERIFY(run.jobOut);
            release.set_value();
        }  // gone before its queued "done" could run
        QVERIFY(f.renamed(0));
        QCOMPARE(klmToUtf8(klmField(f.cat.games[0].foundPath)), (f.root / "名前0.bin").string());
        QCOMPARE(f.cat.games[0].ownership, kKlmOwned);
        QVERIFY(!run.jobOut);
    }
};

QTEST_MAIN(RenameRunDialogTest)
#include "rename_run_dialog_test.moc"
