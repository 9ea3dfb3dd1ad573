#include "command_router.h"

#include "command_table.h"
#include "dialog_guard.h"
#include "qt_text.h"
#include "window_services.h"

void KlmCommandRouter::add(int32_t id, std::function<void()> handler) { handlers_[id] = std::move(handler); }

void KlmCommandRouter::add(int32_t first, int32_t last, const std::function<void(int32_t id)>& handler)
{
    for (int32_t id = first; id <= last; ++id) handlers_[id] = [handler, id] { handler(id); };
}

void KlmCommandRouter::run(int32_t id) const
{
    const auto it = handlers_.find(id);
    services_.beforeCommand();
    if (it != handlers_.end()) it->second();
    else klmAnswerNotAvailable(services_);
}

QList<int32_t> KlmCommandRouter::unhandledTableCommands() const
{
    QList<int32_t> ids;
    for (const KlmCommandDef& def : klmCommandTable())
        if (!handles(def.id)) ids.push_back(def.id);
    return ids;
}

void klmAnswerNotAvailable(KlmWindowServices& services)
{
    KlmDialogGuard guard(services);
    services.message(services.window(), klmU("この機能はまだ実装されていません。"), QStringLiteral("Kolmar"),
                     QMessageBox::Information);
}
