// What the GUI tests share: a temporary copy of the sample folder (or a
// generated one), the real main window opened on it with its message
// boxes taken by the test, and the helpers that drive modal dialogs and
// type text as a keyboard would.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <filesystem>
#include <functional>
#include <memory>

#include "main_window.h"
#include "message_box.h"

struct KlmGuiFixture {
    QList<KlmMessage> messages;
    // The answer every box gets.
    QMessageBox::StandardButton answer = QMessageBox::Ok;
    std::unique_ptr<QTemporaryDir> dir;
    QString base;

    // A fresh copy of the shipped sample (call from init()).
    void copySample()
    {
        messages.clear();
        answer = QMessageBox::Ok;
        dir = std::make_unique<QTemporaryDir>();
        base = dir->path();
        std::filesystem::copy(KOLMAR_SAMPLE_DIR, base.toStdString(),
                              std::filesystem::copy_options::recursive |
                                  std::filesystem::copy_options::overwrite_existing);
    }

    // Replaces the catalogue with a generated one of games games.
    bool generate(int games)
    {
        QProcess gen;
        gen.start(QStringLiteral(KOLMAR_GEN_PATH), {base, QString::number(games)});
        return gen.waitForFinished(120000) && gen.exitCode() == 0;
    }

    // A window whose boxes come here, started on the folder; null when the
    // start-up refused (its message is in messages).
    std::unique_ptr<MainWindow> open()
    {
        auto w = std::make_unique<MainWindow>();
        w->messages().setHook([this](const KlmMessage& m) {
            messages.push_back(m);
            return answer;
        });
        if (!w->startUp(base)) return nullptr;
        return w;
    }
};

// Runs work once the modal dialog with this object name is the active one
// (gives up after two seconds, which fails the check in the test body).
// The dialog must have been activated too: until then a widget in it cannot
// take the keyboard focus. A check that fails in work closes the dialog, so
// the test goes on.
inline void klmWhenOpen(const QString& name, std::function<void(QWidget*)> work)
{
    auto* poll = new QTimer;
    auto waited = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, [poll, name, work, waited] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (dialog && dialog->objectName() == name && dialog->isVisible() && dialog->isActiveWindow()) {
            poll->stop();
            poll->deleteLater();
            const QPointer<QWidget> open(dialog);
            work(dialog);
            if (open && open->isVisible())
                if (auto* d = qobject_cast<QDialog*>(open.data())) d->reject();
        } else if (++*waited > 200) {
            poll->stop();
            poll->deleteLater();
        }
    });
    poll->start(10);
}

// Runs work on the modal dialog of type T once it is open (the caller then
// opens it and blocks in its loop); a check that fails closes the dialog.
template <typename T>
void klmWhenOpenOf(std::function<void(T*)> work)
{
    QTimer::singleShot(0, [work] {
        T* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        QVERIFY2(dialog, "no dialog opened");
        const QPointer<T> open(dialog);
        work(dialog);
        if (open && open->isVisible()) open->reject();
    });
}

inline void klmClick(QWidget* dialog, int id)
{
    auto* b = dialog->findChild<QPushButton*>(QString::number(id));
    QVERIFY2(b, qPrintable(QString::number(id)));
    b->click();
}

inline QLineEdit* klmEdit(QWidget* dialog, int id) { return dialog->findChild<QLineEdit*>(QString::number(id)); }

// Types text one character at a time, as a keyboard without an input
// method would (QTest::keyClicks takes Latin-1 only).
inline void klmTypeText(QWidget* widget, const QString& text)
{
    for (QChar ch : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(widget, &release);
    }
}
