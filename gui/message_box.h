// Every message box of the program goes through here, with the exact text,
// title, icon and buttons, so that tests can intercept and check them.
#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>

class QWidget;

struct KlmMessage {
    QWidget* owner = nullptr;
    QString text;
    QString title;
    QMessageBox::Icon icon = QMessageBox::Information;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
};

// Shows the box modally and returns the button pressed.
QMessageBox::StandardButton klmMessageBox(QWidget* owner, const QString& text, const QString& title,
                                          QMessageBox::Icon icon,
                                          QMessageBox::StandardButtons buttons = QMessageBox::Ok);

// While a hook is set, boxes are not shown: the hook receives each one and
// its result is the answer.
using KlmMessageHook = std::function<QMessageBox::StandardButton(const KlmMessage&)>;
void klmSetMessageHook(KlmMessageHook hook);

// The platform's warning sound (also interceptable: a hook sees an empty
// message with the Warning icon and the title "beep").
void klmWarningBeep();
