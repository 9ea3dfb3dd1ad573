// Carries a launch plan out for the window: the make-default write, the
// extraction, the start of the emulator, then (with a key script) the wait
// for its first window and the script, both from timers so the window
// never freezes. Every box goes through klmMessageBox.
//
// Use: plan with klmPlanLaunch (after pausing the movie), then
//   auto* run = new KlmLaunchRunner(context, window);
//   connect(run, &KlmLaunchRunner::finished, run, &QObject::deleteLater);
//   run->start(plan);
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <memory>
#include <string>

#include "catalogue/catalogue.h"
#include "emulator/extraction.h"
#include "emulator/key_script.h"
#include "emulator/launch.h"
#include "emulator/registry.h"

namespace klm::platform {
class KeySender;
class WindowWatch;
}  // namespace klm::platform

class QWidget;

struct KlmLaunchContext {
    QWidget* owner = nullptr;               // owns the boxes
    EmulatorRegistry* registry = nullptr;   // gets the new default
    const Catalogue* catalogue = nullptr;
    std::string emulatorDat;                // rewritten by a make-default launch
    ExtractedFileList* extracted = nullptr; // what the close deletes
    std::string display;                    // X display; empty: $DISPLAY
};

class KlmLaunchRunner : public QObject {
    Q_OBJECT
public:
    KlmLaunchRunner(const KlmLaunchContext& context, QObject* parent = nullptr);
    ~KlmLaunchRunner() override;

    // Runs the plan up to the start of the emulator. False when it stopped
    // before (a box said why, or there was nothing to do). finished() comes
    // once nothing more will happen: at once without a key script.
    bool start(const KlmLaunchPlan& plan);
    int pid() const { return pid_; }
    // The ready wait's limit (tests shorten it).
    void setReadyTimeout(int ms) { readyTimeoutMs_ = ms; }

Q_SIGNALS:
    void finished();

private:
    void lookForWindow();
    void step();
    void finish();
    void box(const std::string& text, const char* title, bool warning);

    KlmLaunchContext ctx_;
    int pid_ = -1;
    int readyTimeoutMs_ = kKlmReadyTimeoutMs;
    QElapsedTimer waiting_;
    std::string keyScript_, firstRomText_;
    QTimer timer_;
    std::unique_ptr<klm::platform::WindowWatch> watch_;
    std::unique_ptr<klm::platform::KeySender> sender_;
    KlmKeyScriptRun run_;
};
