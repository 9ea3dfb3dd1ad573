// Where every command of the window goes: menus, accelerators, toolbar
// buttons, pop-up menus and child controls all end in run(id). A part of
// the window registers its handlers by id; a command nobody handles yet
// answers "この機能はまだ実装されていません。" from here and only here.
#pragma once

#include <QList>

#include <cstdint>
#include <functional>
#include <map>

class KlmWindowServices;

class KlmCommandRouter {
public:
    explicit KlmCommandRouter(KlmWindowServices& services) : services_(services) {}

    // One handler per id; a later registration replaces an earlier one.
    void add(int32_t id, std::function<void()> handler);
    // One handler for a block of ids (it gets the id).
    void add(int32_t first, int32_t last, const std::function<void(int32_t id)>& handler);

    bool handles(int32_t id) const { return handlers_.count(id) != 0; }
    // The handler, or the "not yet" answer.
    void run(int32_t id) const;

    // The commands of the menu and key table that nobody handles yet.
    QList<int32_t> unhandledTableCommands() const;

private:
    KlmWindowServices& services_;
    std::map<int32_t, std::function<void()>> handlers_;
};

// The answer of a command that is not built yet, run through the dialog
// guard like every box of the window.
void klmAnswerNotAvailable(KlmWindowServices& services);
