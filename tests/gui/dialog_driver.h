// Driving modal dialogs from a test: work runs once the dialog is open and
// active, and buttons are found by their id.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

#include "message_box.h"

// The owner of dialogs tested on their own: it takes their message boxes,
// as the main window does for its dialogs.
class KlmBoxOwner : public QWidget, public KlmMessageSink {
public:
    KlmMessenger messenger;
    KlmMessenger& messages() override { return messenger; }
};

// Runs work once the modal dialog with this object name is the active one
// (gives up after two seconds, which fails the check in the test body).
// The dialog must have been activated too: until then a widget in it cannot
// take the keyboard focus. A check that fails in work closes the dialog, so
// the test goes on.
inline void whenOpen(const QString& name, std::function<void(QWidget*)> work)
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

inline void click(QWidget* dialog, int id)
{
    auto* b = dialog->findChild<QPushButton*>(QString::number(id));
    QVERIFY2(b, qPrintable(QString::number(id)));
    b->click();
}

inline QLineEdit* edit(QWidget* dialog, int id) { return dialog->findChild<QLineEdit*>(QString::number(id)); }
