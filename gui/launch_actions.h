// Starting the selected game: Enter or a double-click on a row, and the
// row's pop-up menu with the emulators of the game's hardware.
//
// The window has one launcher. It plans the launch in core, pauses the
// movie, and hands the plan to a KlmLaunchRunner, which waits for the
// emulator's window and plays its key script from timers. While a launch is
// being started (up to the end of its key script) a second request only
// beeps: a box would take the keyboard focus the script's keys need, and two
// scripts would type into each other's emulators. The programs started are
// reaped once they end, so none stays behind as a zombie.
#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <cstdint>
#include <vector>

#include "launch_runner.h"

class KlmCommandRouter;
class KlmWindowServices;
class QPoint;

class KlmLauncher : public QObject {
    Q_OBJECT
public:
    // The window's launcher, made on first use and owned by the window.
    static KlmLauncher& of(KlmWindowServices& services);

    // Launches game with the hardware's emulator emulatorIndex (−1: its
    // default).
    void launch(int32_t game, int emulatorIndex);

    // Between the start of a launch and the end of its key script.
    bool busy() const { return !runner_.isNull(); }
    // The runner of the launch in progress (null when there is none).
    KlmLaunchRunner* runner() const { return runner_.data(); }
    // The programs started and not yet seen to end.
    const std::vector<int>& running() const { return running_; }

Q_SIGNALS:
    // A launch ended: pid is the program started, or −1 when none was.
    void launchEnded(int pid);

private:
    KlmLauncher(KlmWindowServices& services, QObject* parent);
    void reap();

    KlmWindowServices& services_;
    QPointer<KlmLaunchRunner> runner_;
    std::vector<int> running_;
    QTimer reapTimer_;
};

// The emulator pop-up's commands (emulator number = id − 33301).
void klmRegisterLaunchCommands(KlmCommandRouter& router, KlmWindowServices& services);

// Launches game with the hardware's emulator emulatorIndex (−1: its default).
void klmLaunchGame(KlmWindowServices& services, int32_t game, int emulatorIndex);

// The row's pop-up menu at globalPos; the chosen item runs its command.
void klmShowGameMenu(KlmWindowServices& services, const KlmCommandRouter& router, const QPoint& globalPos);
