// Driving modal dialogs from a test: work runs once the dialog is open, and
// buttons are found by their id.
#pragma once

#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

// Runs work once the modal dialog with this object name is the active one
// (gives up after two seconds, which fails the check in the test body).
inline void whenOpen(const QString& name, std::function<void(QWidget*)> work)
{
    auto* poll = new QTimer;
    auto waited = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, [poll, name, work, waited] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (dialog && dialog->objectName() == name && dialog->isVisible()) {
            poll->stop();
            poll->deleteLater();
            work(dialog);
        } else if (++*waited > 200) {
            poll->stop();
            poll->deleteLater();
        }
    });
    poll->start(10);
}

inline void click(QWidget* dialog, int id)
{
    auto* b = dialog->findChild<QPushButton*>(QString::number(id));
    QVERIFY2(b, qPrintable(QString::number(id)));
    b->click();
}
