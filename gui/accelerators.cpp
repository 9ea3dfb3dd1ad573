#include "accelerators.h"

#include <QApplication>
#include <QHash>
#include <QKeyEvent>
#include <QWidget>

#include "command_router.h"
#include "command_table.h"

namespace {

const QHash<QKeyCombination, int32_t>& table()
{
    static const QHash<QKeyCombination, int32_t> keys = [] {
        QHash<QKeyCombination, int32_t> map;
        for (const KlmCommandDef& def : klmCommandTable())
            if (!def.key.isEmpty()) map.insert(def.key[0], def.id);
        return map;
    }();
    return keys;
}

}  // namespace

KlmAccelerators::KlmAccelerators(QWidget& window, const KlmCommandRouter& router)
    : QObject(&window), window_(window), router_(router)
{
    qApp->installEventFilter(this);
}

int32_t KlmAccelerators::commandOf(QKeyCombination key) { return table().value(key, 0); }

int32_t KlmAccelerators::commandOf(const QKeyEvent& event)
{
    // The arrows of the number pad are the same keys to the table.
    const Qt::KeyboardModifiers mods =
        event.modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    return commandOf(QKeyCombination(mods, static_cast<Qt::Key>(event.key())));
}

bool KlmAccelerators::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::ShortcutOverride && type != QEvent::KeyPress) return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != &window_) return false;
    const int32_t id = commandOf(*static_cast<QKeyEvent*>(event));
    if (id == 0) return false;
    if (type == QEvent::ShortcutOverride) {
        // Claimed for the focused control, as an edit claims its own keys:
        // no shortcut or mnemonic sees the key, and its press comes here.
        event->accept();
        return true;
    }
    router_.run(id);
    return true;
}
