// A launch carried out as the window does it, on an X server of the test's
// own: the program starts, its window is waited for from a timer, and the
// key script reaches it (keys recorded by a plain X client, the copied text
// on the clipboard); the boxes of the failures on the way.
#include <QClipboard>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QtTest>

#include <sstream>
#include <string>

#include "launch_runner.h"
#include "process.h"
#include "dialog_driver.h"
#include "message_box.h"
#include "qt_text.h"
#include "text/cp932.h"
#include "x_server.h"

namespace {

std::string readFile(const std::string& path)
{
    QFile f(QString::fromStdString(path));
    return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string();
}

void writeFile(const std::string& path, const std::string& bytes)
{
    QFile f(QString::fromStdString(path));
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes.data(), qint64(bytes.size()));
}

// "press a", "release a", … as the recorder wrote them.
QStringList recordedKeys(const std::string& path)
{
    QStringList out;
    std::istringstream in(readFile(path));
    std::string kind, key;
    long long ms;
    while (in >> kind >> key >> ms)
        out << QString::fromStdString(kind + " " + key);
    return out;
}

}  // namespace

class LaunchRunnerTest : public QObject {
    Q_OBJECT

    KlmBoxOwner owner_;

private:
    std::unique_ptr<TestXServer> server_;
    QTemporaryDir dir_;
    QList<KlmMessage> messages_;
    Catalogue cat_;
    EmulatorRegistry reg_;
    ExtractedFileList extracted_;

    std::string path(const char* name) const { return (dir_.path() + QLatin1Char('/') + QLatin1String(name)).toStdString(); }

    // One game whose "ROM" is the file the recorder writes its keys to, one
    // emulator entry with the given program and key script.
    KlmLaunchPlan plan(const std::string& program, const std::string& options, const std::string& script)
    {
        cat_ = Catalogue{};
        MasterEntry hw{};
        klmCopyField(hw.name, "hw");
        cat_.hardware.push_back(hw);
        GameRecord g{};
        writeFile(path("keys.txt"), "");
        klmCopyField(g.foundPath, path("keys.txt"));
        cat_.games.push_back(g);
        klmInitEmulatorRegistry(reg_, cat_);
        EmulatorEntry e = klmNewEmulatorEntry(dir_.path().toStdString());
        klmCopyField(e.filePath, program);
        klmCopyField(e.options, options);
        if (!script.empty()) {
            writeFile(path("script.dat"), script);
            klmCopyField(e.keyFile, path("script.dat"));
        }
        klmAppendEmulator(reg_.blocks[0], e);
        return klmPlanLaunch(cat_, reg_, Settings{}, KlmLaunchRequest{0, -1, "t"});
    }

    KlmLaunchContext context(const std::string& display)
    {
        KlmLaunchContext c;
        c.owner = &owner_;
        c.registry = &reg_;
        c.catalogue = &cat_;
        c.emulatorDat = path("emulator.dat");
        c.extracted = &extracted_;
        c.display = display;
        return c;
    }

    // Runs the plan and waits for the runner to finish.
    bool run(KlmLaunchRunner& runner, const KlmLaunchPlan& p)
    {
        QSignalSpy done(&runner, &KlmLaunchRunner::finished);
        const bool started = runner.start(p);
        if (done.isEmpty())
            done.wait(15000);
        return started;
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
        messages_.clear();
        owner_.messenger.setHook([this](const KlmMessage& m) {
            messages_.push_back(m);
            return QMessageBox::Ok;
        });
    }

    void cleanup() { owner_.messenger.setHook({}); }

    void scriptReachesTheStartedProgram()
    {
        const KlmLaunchPlan p = plan(KOLMAR_KEY_RECORDER, "$image",
                                     "BEGIN\r\nWAIT 100\r\nCOPY $image\r\nA DOWN\r\nA UP\r\nENTER\r\nEND\r\n");
        KlmLaunchRunner runner(context(server_->name()));
        QVERIFY(run(runner, p));
        QVERIFY(messages_.isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(recordedKeys(path("keys.txt")).size(), 4, 5000);
        QCOMPARE(recordedKeys(path("keys.txt")),
                 (QStringList{QStringLiteral("press a"), QStringLiteral("release a"), QStringLiteral("press Return"),
                              QStringLiteral("release Return")}));
        QCOMPARE(QGuiApplication::clipboard()->text(), QString::fromStdString("\"" + path("keys.txt") + "\""));
        ::kill(runner.pid(), SIGKILL);
        klm::platform::waitForProcess(runner.pid());
    }

    void failuresShowTheirBoxes()
    {
        // A program that cannot be started.
        {
            KlmLaunchRunner runner(context(server_->name()));
            QVERIFY(!run(runner, plan(path("no-such-emulator"), "$image", "")));
            QCOMPARE(messages_.size(), 1);
            QVERIFY(messages_[0].text.startsWith(klmU("エミュレータを起動できませんでした\n")));
            QCOMPARE(messages_[0].title, klmU("エラー"));
        }
        // A program that never shows a window: the ready wait gives up.
        messages_.clear();
        {
            KlmLaunchRunner runner(context(server_->name()));
            runner.setReadyTimeout(300);
            QVERIFY(run(runner, plan("/bin/sleep", "3", "A DOWN\n")));
            QCOMPARE(messages_.size(), 1);
            QCOMPARE(messages_[0].text, klmU("20秒待ちましたが、エミュレータが起動しませんでした"));
            QCOMPARE(messages_[0].icon, QMessageBox::Warning);
            ::kill(runner.pid(), SIGKILL);
            klm::platform::waitForProcess(runner.pid());
        }
        // No emulator for the hardware: the plan's own box.
        messages_.clear();
        {
            KlmLaunchPlan none = plan("/bin/true", "", "");
            reg_.blocks[0] = EmulatorBlock{};
            none = klmPlanLaunch(cat_, reg_, Settings{}, KlmLaunchRequest{0, -1, "t"});
            KlmLaunchRunner runner(context(server_->name()));
            QVERIFY(!run(runner, none));
            QCOMPARE(messages_.size(), 1);
            QCOMPARE(messages_[0].text, klmU("hwのエミュレータが登録されていません"));
            QCOMPARE(messages_[0].title, klmU("警告"));
        }
    }

    void withoutXTestTheGameStillStarts()
    {
        TestXServer bare({"-extension", "XTEST"});
        QVERIFY(bare.running());
        const KlmLaunchPlan p = plan("/bin/sleep", "3", "A DOWN\n");
        KlmLaunchRunner runner(context(bare.name()));
        QVERIFY(run(runner, p));
        QCOMPARE(messages_.size(), 1);
        QCOMPARE(messages_[0].text, klmU(kKlmNoKeySenderText));
        QVERIFY(!klm::platform::processEnded(runner.pid()));
        ::kill(runner.pid(), SIGKILL);
        klm::platform::waitForProcess(runner.pid());
    }
};

QTEST_MAIN(LaunchRunnerTest)
#include "launch_runner_test.moc"
