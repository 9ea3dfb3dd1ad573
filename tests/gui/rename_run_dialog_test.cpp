// The rename progress dialog on its own, over real files: boxes through the
// seam, the dialog's controls by id, cancel answered both ways.
#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

#include "audit/crc.h"
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

struct Boxes {
    QStringList seen;
    QMessageBox::StandardButton cancelAnswer = QMessageBox::Ok;

    KlmRenameBoxSeam seam()
    {
        return [this](QWidget*, const QString& text, const QString& title, QMessageBox::Icon,
                      QMessageBox::StandardButtons) {
            seen << title + QStringLiteral(": ") + text;
            return title == QStringLiteral("キャンセル確認") ? cancelAnswer : QMessageBox::Ok;
        };
    }
};

// Clicks キャンセル once the dialog is open and shows its first progress.
void cancelWhenOpen()
{
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (dialog && dialog->objectName() == QStringLiteral("42320") && dialog->isVisible()) {
            poll->stop();
            poll->deleteLater();
            dialog->findChild<QPushButton*>(QStringLiteral("2"))->click();
        }
    });
    poll->start(5);
}

}  // namespace

class RenameRunDialogTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void renamesEveryGameAndReportsTheFinish()
    {
        Folder f(3);
        Boxes boxes;
        const std::optional<KlmRenameFinish> finish =
            klmRunRenameDialog(nullptr, f.cat, f.settings, klmRenameAllCandidates(f.cat), boxes.seam());
        QVERIFY(finish);
        QCOMPARE(finish->summary.renamed, 3);
        QCOMPARE(finish->changedGames.size(), size_t(3));
        QVERIFY(finish->refreshList && !finish->showSummary);
        for (int i = 0; i < 3; ++i)
            QVERIFY(f.renamed(i));
        QCOMPARE(boxes.seen, QStringList{QStringLiteral("開始確認: リネームを開始しますか")});
    }

    void nothingToDoShowsTheWarnings()
    {
        Folder f(1);
        f.cat.games[0].ownership = kKlmOwned;
        klmCopyField(f.settings.renamePattern, "");
        Boxes boxes;
        QVERIFY(!klmRunRenameDialog(nullptr, f.cat, f.settings, {0}, boxes.seam()));
        QCOMPARE(boxes.seen, (QStringList{QStringLiteral("開始確認: リネームを開始しますか"),
                                          QStringLiteral("警告: リネームは不要です"),
                                          QStringLiteral("警告: リネーム用文字列が設定されていません")}));
    }

    void cancelConfirmedStopsBeforeTheNextGame()
    {
        Folder f(3);
        Boxes boxes;
        cancelWhenOpen();
        const std::optional<KlmRenameFinish> finish =
            klmRunRenameDialog(nullptr, f.cat, f.settings, klmRenameAllCandidates(f.cat), boxes.seam());
        QVERIFY(finish);
        QVERIFY(finish->summary.cancelled);
        QVERIFY(boxes.seen.contains(QStringLiteral("キャンセル確認: リネームをキャンセルしますか")));
        QVERIFY(finish->summary.renamed < 3);
        QCOMPARE(int(fs::exists(f.root / "game2.bin")), 1);
    }

    void cancelDeclinedGoesOn()
    {
        Folder f(3);
        Boxes boxes;
        boxes.cancelAnswer = QMessageBox::Cancel;
        cancelWhenOpen();
        const std::optional<KlmRenameFinish> finish =
            klmRunRenameDialog(nullptr, f.cat, f.settings, klmRenameAllCandidates(f.cat), boxes.seam());
        QVERIFY(finish);
        QVERIFY(!finish->summary.cancelled);
        QCOMPARE(finish->summary.renamed, 3);
    }

    void showsTheGameBeingHandled()
    {
        Folder f(2);
        KlmRenameRun run;
        QVERIFY(klmRenameStart(run, f.cat, f.settings, {1, 0}).empty());
        RenameRunDialog dialog(nullptr, run, Boxes().seam());
        QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("42322"))->text(), QStringLiteral("    0/    2( 0%)"));
        QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("42323"))->text(),
                 QString::fromStdString((f.root / "game1.bin").string()));
        QCOMPARE(dialog.findChild<QProgressBar*>(QStringLiteral("42321"))->maximum(), 100);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("リネーム"));
    }
};

QTEST_MAIN(RenameRunDialogTest)
#include "rename_run_dialog_test.moc"
