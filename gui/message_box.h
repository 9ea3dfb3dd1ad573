// Every message box of the window and the warning beep go through its one
// messenger, with the exact text, title, icon and buttons, so that a test
// can take them in place of the screen and check them.
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

// Receives each box instead of the screen; its result is the answer. The
// beep arrives as an empty message with the Warning icon and title "beep".
using KlmMessageHook = std::function<QMessageBox::StandardButton(const KlmMessage&)>;

class KlmMessenger {
public:
    // Shows the box modally and returns the button pressed.
    QMessageBox::StandardButton show(QWidget* owner, const QString& text, const QString& title,
                                     QMessageBox::Icon icon,
                                     QMessageBox::StandardButtons buttons = QMessageBox::Ok) const;
    // The platform's warning sound.
    void beep() const;

    void setHook(KlmMessageHook hook) { hook_ = std::move(hook); }

private:
    KlmMessageHook hook_;
};
