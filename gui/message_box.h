// Every message box of the program and the warning beep go through a
// messenger, with the exact text, title, icon and buttons, so that a test
// can take them in place of the screen and check them.
//
// A window owns its messenger. A box is routed by its owner: the nearest
// widget above it that is a message sink (the main window, or a test's
// owner widget) takes it; a box without one is shown as it is.
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

// A widget that takes the boxes of the widgets below it.
class KlmMessageSink {
public:
    virtual ~KlmMessageSink() = default;
    virtual KlmMessenger& messages() = 0;
};

// The box through the messenger of owner's nearest sink.
QMessageBox::StandardButton klmMessageBox(QWidget* owner, const QString& text, const QString& title,
                                          QMessageBox::Icon icon,
                                          QMessageBox::StandardButtons buttons = QMessageBox::Ok);
void klmWarningBeep(QWidget* owner);
