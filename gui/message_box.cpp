#include "message_box.h"

#include <QApplication>

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
