// What the GUI tests of the main window share: a temporary copy of the
// sample folder (or a generated one), the real main window opened on it
// with its message boxes taken by the test, typing as a keyboard would,
// and the dialog drivers of dialog_driver.h and dialog_test_util.h.
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

#include "dialog_driver.h"
#include "dialog_test_util.h"
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
