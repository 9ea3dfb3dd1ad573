#include "message_box.h"

#include <QApplication>

namespace {
KlmMessageHook& hook()
{
    static KlmMessageHook h;
    return h;
}
}  // namespace

void klmSetMessageHook(KlmMessageHook h) { hook() = std::move(h); }

QMessageBox::StandardButton klmMessageBox(QWidget* owner, const QString& text, const QString& title,
                                          QMessageBox::Icon icon, QMessageBox::StandardButtons buttons)
{
    if (hook()) return hook()(KlmMessage{owner, text, title, icon, buttons});
    QMessageBox box(icon, title, text, buttons, owner);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

void klmWarningBeep()
{
    if (hook()) {
        hook()(KlmMessage{nullptr, QString(), QStringLiteral("beep"), QMessageBox::Warning, QMessageBox::NoButton});
        return;
    }
    QApplication::beep();
}
