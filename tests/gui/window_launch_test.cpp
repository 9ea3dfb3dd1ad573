// Starting games from the real window: Enter, a double click and the row's
// pop-up menu start the emulators of the game's hardware (programs that
// record the arguments and folder they were started with, and mednafen),
// archives are unpacked for them and the unpacked files are gone once the
// window closes; the emulator command registers an emulator through its
// dialogs. Started programs draw on an X server of the test's own.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QMenu>
#include <QTreeWidget>
#include <QtTest>

#include <filesystem>
#include <string>
#include <vector>

#include "emulator/registry.h"
#include "game_list_view.h"
#include "gui_fixture.h"
#include "launch_actions.h"
#include "process.h"
#include "qt_text.h"
#include "ui/command_ids.h"
#include "x_server.h"

namespace fs = std::filesystem;

namespace {

using Args = std::vector<std::string>;

std::string readAll(const std::string& path)
{
    QFile f(QString::fromStdString(path));
    return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string();
}

void writeAll(const std::string& path, const std::string& bytes)
{
    fs::create_directories(fs::path(path).parent_path());
    QFile f(QString::fromStdString(path));
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes.data(), qint64(bytes.size()));
}

// argv.out of the argument recorder: its folder, then argv[0..].
Args recorded(const std::string& path)
{
    Args parts;
    const std::string bytes = readAll(path);
    size_t start = 0;
    for (size_t end; (end = bytes.find('\0', start)) != std::string::npos; start = end + 1)
        parts.push_back(bytes.substr(start, end - start));
    return parts;
}

// Runs an archiver in cwd.
bool run(const std::vector<std::string>& program, const QString& cwd)
{
    QStringList args;
    for (size_t i = 1; i < program.size(); ++i) args << QString::fromStdString(program[i]);
    QProcess p;
    p.setWorkingDirectory(cwd);
    p.start(QString::fromStdString(program[0]), args);
    return p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// Runs work on the pop-up menu once it is open, then closes it.
void whenMenuOpen(std::function<void(QMenu*)> work)
{
    auto* poll = new QTimer;
    auto tries = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, [poll, work, tries] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu && ++*tries < 200) return;
        poll->stop();
        poll->deleteLater();
        if (!menu) return;
        const QPointer<QMenu> open(menu);
        work(menu);
        if (open && open->isVisible()) open->close();
    });
    poll->start(10);
}

}  // namespace

class WindowLaunchTest : public QObject {
    Q_OBJECT

    KlmGuiFixture f_;
    std::unique_ptr<TestXServer> server_;
    std::unique_ptr<QTemporaryDir> work_;
    std::string rom_, emuA_, emuB_, unpack_;
    int32_t game_ = -1, hardware_ = -1;

    std::string file(const std::string& name) const { return work_->path().toStdString() + "/" + name; }

    EmulatorEntry recorder(const std::string& dir, const char* name, const char* options, bool extract)
    {
        fs::create_directories(dir);
        fs::copy_file(KOLMAR_ARGV_RECORDER, dir + "/recorder", fs::copy_options::overwrite_existing);
        EmulatorEntry e = klmNewEmulatorEntry(unpack_);
        klmCopyField(e.name, klmFromUtf8(name));
        klmCopyField(e.filePath, dir + "/recorder");
        klmCopyField(e.options, options);
        e.extract = extract ? 1 : 0;
        return e;
    }

    // The selected game gets a ROM with a hostile name and its hardware two
    // recorders: A (the default) passes the path, B unpacks archives.
    std::unique_ptr<MainWindow> openWithRecorders()
    {
        auto w = f_.open();
        if (!w) return w;
        KlmAppContext& c = w->context();
        game_ = c.state.settings.selectedGame;
        hardware_ = c.catalogue.games[static_cast<size_t>(game_)].hardware;
        writeAll(rom_, "rom");
        klmCopyField(c.catalogue.games[static_cast<size_t>(game_)].foundPath, rom_);
        EmulatorBlock& block = c.state.emulators.blocks[static_cast<size_t>(hardware_)];
        block = EmulatorBlock{};
        klmAppendEmulator(block, recorder(emuA_, "記録A", "--rom \"$image\" -- $image", false));
        klmAppendEmulator(block, recorder(emuB_, "記録B", "\"$image\"", true));
        block.defaultIndex = 0;
        return w;
    }

    // A double click on the selected row, as a mouse makes it: the first
    // click, then the second.
    static void doubleClickSelectedRow(MainWindow& w)
    {
        QWidget* rows = w.gameList()->viewport();
        const QPoint at = w.gameList()->visualRect(w.gameList()->currentIndex()).center();
        QTest::mouseClick(rows, Qt::LeftButton, {}, at);
        QTest::mouseDClick(rows, Qt::LeftButton, {}, at);
    }

private Q_SLOTS:
    void initTestCase()
    {
        server_ = std::make_unique<TestXServer>();
        QVERIFY(server_->running());
        qputenv("DISPLAY", server_->name().c_str());  // where started programs draw
    }

    void init()
    {
        f_.copySample();
        work_ = std::make_unique<QTemporaryDir>();
        qputenv("HOME", work_->path().toUtf8());  // mednafen's settings go here
        rom_ = file("my roms; $(rm -rf ~)/-x \"q\" 'a'.bin");
        emuA_ = file("emu a");
        emuB_ = file("emu b");
        unpack_ = file("unpack here");
        fs::create_directories(unpack_);
    }

    void enterAndDoubleClickStartTheDefaultEmulator()
    {
        auto w = openWithRecorders();
        QVERIFY(w);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        const Args expected{emuA_, emuA_ + "/recorder", "--rom", rom_, "--", rom_};

        QTest::keyClick(w->gameList(), Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(recorded(emuA_ + "/argv.out") == expected, 5000);
        QVERIFY(f_.messages.isEmpty());
        QVERIFY(!KlmLauncher::of(*w).busy());  // no key script: done once started

        fs::remove(emuA_ + "/argv.out");
        doubleClickSelectedRow(*w);
        QTRY_VERIFY_WITH_TIMEOUT(recorded(emuA_ + "/argv.out") == expected, 5000);
        QVERIFY(!fs::exists(emuB_ + "/argv.out"));
        QVERIFY(f_.messages.isEmpty());
        // Both programs are reaped once they ended.
        QTRY_VERIFY_WITH_TIMEOUT(KlmLauncher::of(*w).running().empty(), 5000);
    }

    // The pop-up lists the hardware's emulators with the default checked;
    // the one chosen becomes the default (written before the start) when
    // the setting says so. Archives, zip and 7z, are unpacked into a folder
    // of the launch, deleted when the window closes.
    void popupStartsTheChosenEmulatorAndUnpacksArchives()
    {
        for (const char* m : {"first.nes", "second.txt", "third.txt"}) writeAll(file(m), m);
        const QString dir = work_->path();
        const std::string zip = file("roms/set.zip"), sevenZip = file("roms/set.7z");
        fs::create_directories(file("roms"));
        QVERIFY(run({"/usr/bin/zip", "-q", zip, "first.nes", "second.txt", "third.txt"}, dir));
        QVERIFY(run({"7zz", "a", "-bd", "-bso0", sevenZip, "first.nes", "second.txt"}, dir));

        std::vector<std::string> passed;
        {
            auto w = openWithRecorders();
            QVERIFY(w);
            KlmAppContext& c = w->context();
            c.state.settings.launchedBecomesDefault = 1;
            klmCopyField(c.catalogue.games[static_cast<size_t>(game_)].foundPath, zip);

            QStringList captions;
            whenMenuOpen([&](QMenu* menu) {
                for (QAction* a : menu->actions())
                    if (!a->isSeparator()) captions << a->text() + (a->isChecked() ? QStringLiteral("*") : QString());
                for (QAction* a : menu->actions())
                    if (a->data().toInt() == kKlmCmdEmulatorFirst + 1) menu->setActiveAction(a);
                QTest::keyClick(menu, Qt::Key_Return);
            });
            Q_EMIT w->gameList()->customContextMenuRequested(QPoint(5, 5));
            QCOMPARE(captions, (QStringList{klmU("記録A*"), klmU("記録B"), klmU("ロムを個別にリネームする"),
                                            klmU("お気に入りに追加"), klmU("お気に入りから削除")}));
            QTRY_COMPARE_WITH_TIMEOUT(recorded(emuB_ + "/argv.out").size(), size_t(3), 5000);
            passed.push_back(recorded(emuB_ + "/argv.out")[2]);

            // The new default is in the registry and already on disk.
            QCOMPARE(c.state.emulators.blocks[static_cast<size_t>(hardware_)].defaultIndex, 1);
            EmulatorRegistry onDisk;
            klmInitEmulatorRegistry(onDisk, c.catalogue);
            QVERIFY(klmLoadEmulatorFile(c.paths.emulatorDat, onDisk, c.catalogue, {}));
            QCOMPARE(onDisk.blocks[static_cast<size_t>(hardware_)].defaultIndex, 1);

            // Enter now starts B, on the 7z.
            fs::remove(emuB_ + "/argv.out");
            klmCopyField(c.catalogue.games[static_cast<size_t>(game_)].foundPath, sevenZip);
            QTest::keyClick(w->gameList(), Qt::Key_Return);
            QTRY_COMPARE_WITH_TIMEOUT(recorded(emuB_ + "/argv.out").size(), size_t(3), 5000);
            passed.push_back(recorded(emuB_ + "/argv.out")[2]);
            QVERIFY(f_.messages.isEmpty());

            for (const std::string& p : passed) {
                QCOMPARE(fs::path(p).filename().string(), std::string("first.nes"));
                QCOMPARE(fs::path(p).parent_path().parent_path().string(), unpack_);
                QCOMPARE(readAll(p), std::string("first.nes"));
            }
            QVERIFY(passed[0] != passed[1]);  // each launch its own folder
            w->close();
        }
        for (const std::string& p : passed) QVERIFY(!fs::exists(fs::path(p).parent_path()));
        QVERIFY(fs::is_empty(unpack_));
        QVERIFY(fs::exists(zip) && fs::exists(sevenZip));
    }

    // A missing extraction folder refuses the launch: nothing starts.
    void failedUnpackStartsNothing()
    {
        auto w = openWithRecorders();
        QVERIFY(w);
        const std::string zip = file("set.zip");
        writeAll(file("first.nes"), "x");
        QVERIFY(run({"/usr/bin/zip", "-q", zip, "first.nes"}, work_->path()));
        klmCopyField(w->context().catalogue.games[static_cast<size_t>(game_)].foundPath, zip);
        fs::remove(unpack_);
        w->router().run(kKlmCmdEmulatorFirst + 1);
        QCOMPARE(f_.messages.size(), 1);
        QCOMPARE(f_.messages[0].text, klmU("解凍先のフォルダが存在しません"));
        QVERIFY(!fs::exists(emuB_ + "/argv.out"));
        QVERIFY(!KlmLauncher::of(*w).busy());
        // A number past the hardware's emulators does nothing.
        f_.messages.clear();
        w->router().run(kKlmCmdEmulatorFirst + 5);
        QVERIFY(f_.messages.isEmpty());
    }

    // The emulator command: cancel keeps the registry, OK takes the copy
    // (an emulator added with its program from the picker), and Enter then
    // starts what was registered.
    void emulatorCommandRegistersThroughTheDialogs()
    {
        auto w = f_.open();
        QVERIFY(w);
        KlmAppContext& c = w->context();
        const int32_t game = c.state.settings.selectedGame;
        const int32_t hardware = c.catalogue.games[static_cast<size_t>(game)].hardware;
        const EmulatorEntry model = recorder(emuA_, "unused", "", false);
        QString pickerStart = QStringLiteral("-");
        w->pickers().openFile = [&](const QString& start) {
            pickerStart = start;
            return QString::fromStdString(emuA_ + "/recorder");
        };

        // Added, then cancelled: nothing kept.
        bool seen = false;
        whenOpen(QStringLiteral("36000"), [&](QWidget* dialog) {
            seen = true;
            QCOMPARE(dialog->windowTitle(), klmU("エミュレータ"));
            dialog->findChild<QComboBox*>(QStringLiteral("36001"))->setCurrentIndex(hardware);
            whenOpen(QStringLiteral("32884"), [&](QWidget* box) {
                click(box, 32887);
                click(box, 1);
            });
            click(dialog, 36003);
            QCOMPARE(dialog->findChild<QTreeWidget*>(QStringLiteral("36002"))->topLevelItemCount(), 1);
            click(dialog, 2);
        });
        w->command(kKlmCmdEmulators);
        QVERIFY(seen);
        QCOMPARE(c.state.emulators.blocks[static_cast<size_t>(hardware)].count, 0);

        seen = false;
        whenOpen(QStringLiteral("36000"), [&](QWidget* dialog) {
            seen = true;
            dialog->findChild<QComboBox*>(QStringLiteral("36001"))->setCurrentIndex(hardware);
            whenOpen(QStringLiteral("32884"), [&](QWidget* box) {
                click(box, 32887);
                QCOMPARE(edit(box, 32885)->text(), QStringLiteral("recorder"));
                edit(box, 32892)->setText(QStringLiteral("-f \"$image\""));
                click(box, 1);
            });
            click(dialog, 36003);
            dialog->findChild<QCheckBox*>(QStringLiteral("36013"))->setChecked(true);
            click(dialog, 1);
        });
        w->command(kKlmCmdEmulators);
        QVERIFY(seen);
        const EmulatorBlock& block = c.state.emulators.blocks[static_cast<size_t>(hardware)];
        QCOMPARE(block.count, 1);
        QCOMPARE(block.defaultIndex, 0);
        QCOMPARE(klmField(block.entries[0].filePath), klmField(model.filePath));
        QCOMPARE(c.state.settings.launchedBecomesDefault, 1);
        QCOMPARE(c.state.settings.emulatorDialogHardware, hardware);
        // The second picker started where the first choice was.
        QCOMPARE(pickerStart, QString::fromStdString(emuA_ + "/recorder"));

        writeAll(rom_, "rom");
        klmCopyField(c.catalogue.games[static_cast<size_t>(game)].foundPath, rom_);
        QTest::keyClick(w->gameList(), Qt::Key_Return);
        const Args expected{emuA_, emuA_ + "/recorder", "-f", rom_};
        QTRY_VERIFY_WITH_TIMEOUT(recorded(emuA_ + "/argv.out") == expected, 5000);
        QVERIFY(f_.messages.isEmpty());
    }

    // A double click starts a real emulator on the game's ROM; its key
    // script waits for the emulator's window, and Escape quits it.
    void doubleClickStartsARealEmulatorDrivenByItsScript()
    {
        const char* mednafen = "/usr/games/mednafen";
        if (!fs::exists(mednafen)) QSKIP("mednafen is not installed (scripts/setup.sh installs it)");
        auto w = f_.open();
        QVERIFY(w);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        KlmAppContext& c = w->context();
        const int32_t game = c.state.settings.selectedGame;
        const int32_t hardware = c.catalogue.games[static_cast<size_t>(game)].hardware;

        // A 16 KiB program that loops forever, 8 KiB of characters, mapper 0.
        std::string image = std::string("NES\x1a\x01\x01", 6) + std::string(10, '\0');
        std::string prg(16384, '\xea');
        prg.replace(0, 3, "\x4c\x00\xc0");
        prg.replace(0x3ffa, 6, std::string("\x00\xc0\x00\xc0\x00\xc0", 6));
        image += prg + std::string(8192, '\0');
        const std::string rom = file("my roms; $(x)/tiny game.nes");
        writeAll(rom, image);
        // The one-byte name 0x1B is the Escape key.
        writeAll(file("quit.dat"), "BEGIN\r\nWAIT 500\r\n\x1b\r\nEND\r\n");
        klmCopyField(c.catalogue.games[static_cast<size_t>(game)].foundPath, rom);

        EmulatorBlock& block = c.state.emulators.blocks[static_cast<size_t>(hardware)];
        EmulatorEntry e = klmNewEmulatorEntry(unpack_);
        klmCopyField(e.name, "mednafen");
        klmCopyField(e.filePath, mednafen);
        klmCopyField(e.options, "-sound 0 -video.driver softfb \"$image\"");
        klmCopyField(e.keyFile, file("quit.dat"));
        klmAppendEmulator(block, e);

        KlmLauncher& launcher = KlmLauncher::of(*w);
        QSignalSpy ended(&launcher, &KlmLauncher::launchEnded);
        doubleClickSelectedRow(*w);
        QVERIFY2(launcher.busy(), f_.messages.isEmpty() ? "no box" : qPrintable(f_.messages[0].text));
        QCOMPARE(launcher.running().size(), size_t(1));
        const int pid = launcher.running()[0];
        struct Stop {
            int pid;
            ~Stop()
            {
                if (!klm::platform::processEnded(pid)) {
                    ::kill(pid, SIGKILL);
                    klm::platform::waitForProcess(pid);
                }
            }
        } stop{pid};
        // One launch at a time: a second request while the script runs
        // starts nothing, and beeps.
        QTest::keyClick(w->gameList(), Qt::Key_Return);
        QCOMPARE(launcher.running().size(), size_t(1));
        QCOMPARE(f_.messages.size(), 1);
        QCOMPARE(f_.messages[0].title, QStringLiteral("beep"));
        f_.messages.clear();

        QVERIFY(ended.wait(25000));
        QVERIFY2(f_.messages.isEmpty(), f_.messages.isEmpty() ? "" : qPrintable(f_.messages[0].text));
        // The emulator quits by itself, and the launcher reaps it.
        QTRY_VERIFY_WITH_TIMEOUT(launcher.running().empty(), 10000);
    }
};

QTEST_MAIN(WindowLaunchTest)
#include "window_launch_test.moc"
