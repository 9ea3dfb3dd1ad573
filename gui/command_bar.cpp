#include "command_bar.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>

#include "command_router.h"
#include "command_table.h"
#include "toolbar_icons.h"
#include "ui/window_rules.h"

QHash<int32_t, QAction*> klmCreateCommandActions(QMainWindow& window, const KlmCommandRouter& router)
{
    QHash<int32_t, QAction*> actions;
    QMenu* menus[6] = {};
    for (int m = 0; m < 6; ++m)
        menus[m] = window.menuBar()->addMenu(QString::fromUtf8(klmMenuCaption(static_cast<KlmMenu>(m))));
    for (const KlmCommandDef& def : klmCommandTable()) {
        auto* act = new QAction(QString::fromUtf8(def.caption), &window);
        act->setObjectName(QString::number(def.id));
        act->setData(def.id);
        act->setCheckable(def.checkable);
        QObject::connect(act, &QAction::triggered, &window, [&router, id = def.id] { router.run(id); });
        if (def.menu != KlmMenu::None) {
            QMenu* menu = menus[static_cast<int>(def.menu)];
            if (def.separatorBefore) menu->addSeparator();
            menu->addAction(act);
        }
        actions.insert(def.id, act);
    }
    return actions;
}

void klmFillToolbar(QToolBar& toolbar, const QHash<int32_t, QAction*>& actions)
{
    toolbar.setIconSize(QSize(kKlmToolImageW, kKlmToolImageH));
    toolbar.setMovable(false);
    toolbar.setFloatable(false);
    toolbar.setToolButtonStyle(Qt::ToolButtonIconOnly);
    const QPixmap strip = klmToolbarStrip();
    for (int i = 0; i < kKlmToolbarButtons; ++i) {
        const int32_t id = klmToolbarCommand(i);
        QAction* a = actions.value(id);
        const KlmCommandDef* def = klmCommandDef(id);
        if (!a || !def) continue;
        if (klmToolbarGroupStart(i)) toolbar.addSeparator();
        a->setIcon(QIcon(strip.copy(i * kKlmToolImageW, 0, kKlmToolImageW, kKlmToolImageH)));
        a->setToolTip(klmCommandTip(*def));
        toolbar.addAction(a);
    }
    for (QAction* a : toolbar.actions())
        if (auto* b = qobject_cast<QToolButton*>(toolbar.widgetForAction(a))) b->setAutoRaise(true);
}
