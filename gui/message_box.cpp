#include "message_box.h"

#include <QApplication>
#include <QWidget>

namespace {

// The messenger of owner's nearest sink; null when there is none (the box
// then goes to the screen).
const KlmMessenger* messengerOf(QWidget* owner)
{
    for (QWidget* w = owner; w; w = w->parentWidget())
        if (auto* sink = dynamic_cast<KlmMessageSink*>(w)) return &sink->messages();
    return nullptr;
}

}  // namespace

QMessageBox::StandardButton KlmMessenger::show(QWidget* owner, const QString& text, const QString& title,
                                               QMessageBox::Icon icon, QMessageBox::StandardButtons buttons) const
{
    if (hook_) return hook_(KlmMessage{owner, text, title, icon, buttons});
    QMessageBox box(icon, title, text, buttons, owner);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

void KlmMessenger::beep() const
{
    if (hook_) {
        hook_(KlmMessage{nullptr, QString(), QStringLiteral("beep"), QMessageBox::Warning, QMessageBox::NoButton});
        return;
    }
    QApplication::beep();
}

QMessageBox::StandardButton klmMessageBox(QWidget* owner, const QString& text, const QString& title,
                                          QMessageBox::Icon icon, QMessageBox::StandardButtons buttons)
{
    if (const KlmMessenger* m = messengerOf(owner)) return m->show(owner, text, title, icon, buttons);
    return KlmMessenger().show(owner, text, title, icon, buttons);
}

void klmWarningBeep(QWidget* owner)
{
    if (const KlmMessenger* m = messengerOf(owner)) m->beep();
    else KlmMessenger().beep();
}
