#include "launch_runner.h"

#include <QClipboard>
#include <QGuiApplication>

#include "key_sender.h"
#include "message_box.h"
#include "process.h"
#include "qt_text.h"
#include "text/file_io.h"
#include "window_watch.h"

namespace {

constexpr int kLookEveryMs = 100;

}  // namespace

KlmLaunchRunner::KlmLaunchRunner(const KlmLaunchContext& context, QObject* parent) : QObject(parent), ctx_(context)
{
    timer_.setSingleShot(true);
}

KlmLaunchRunner::~KlmLaunchRunner() = default;

void KlmLaunchRunner::box(const std::string& text, const char* title, bool warning)
{
    klmMessageBox(ctx_.owner, QString::fromStdString(text), klmU(title),
                  warning ? QMessageBox::Warning : QMessageBox::Information);
}

bool KlmLaunchRunner::start(const KlmLaunchPlan& plan)
{
    if (plan.status != KlmLaunchStatus::Ready) {
        if (!plan.message.empty())
            box(plan.message, plan.title.c_str(), plan.warningIcon);
        finish();
        return false;
    }
    // Written before the start, as the launch promises; a failed write
    // leaves the default in memory for the save at close.
    if (plan.makeDefault && ctx_.registry && ctx_.catalogue)
        klmCommitLaunchDefault(*ctx_.registry, *ctx_.catalogue, plan, ctx_.emulatorDat);

    ExtractedFileList scratch;
    const KlmExtractOutcome extracted = klmExtractForLaunch(plan, ctx_.extracted ? *ctx_.extracted : scratch);
    if (!extracted.ok) {
        box(extracted.message, extracted.title.c_str(), true);
        finish();
        return false;
    }
    const klm::platform::StartResult started =
        klm::platform::startProgram(plan.program, plan.args, plan.workingFolder);
    if (!started.started) {
        box(std::string(kKlmStartFailedText) + "\n" + started.reason, kKlmLaunchErrorTitle, true);
        finish();
        return false;
    }
    pid_ = started.pid;
    if (plan.keyScript.empty()) {
        finish();
        return true;
    }
    keyScript_ = plan.keyScript;
    firstRomText_ = plan.firstRomText;
    watch_ = std::make_unique<klm::platform::WindowWatch>(pid_, ctx_.display);
    sender_ = std::make_unique<klm::platform::KeySender>(pid_, ctx_.display);
    if (!watch_->connected() || !sender_->available()) {
        // The game still runs; only the script cannot.
        box(kKlmNoKeySenderText, kKlmLaunchWarningTitle, false);
        finish();
        return true;
    }
    connect(&timer_, &QTimer::timeout, this, &KlmLaunchRunner::lookForWindow);
    waiting_.start();
    timer_.start(0);
    return true;
}

void KlmLaunchRunner::lookForWindow()
{
    if (klm::platform::processEnded(pid_) || waiting_.elapsed() >= readyTimeoutMs_) {
        box(kKlmReadyTimeoutText, kKlmLaunchErrorTitle, true);
        finish();
        return;
    }
    if (!watch_->findWindow()) {
        timer_.start(kLookEveryMs);
        return;
    }
    std::string image;
    if (!klmReadWholeFile(keyScript_, image)) {
        finish();  // a key file that cannot be read is not run
        return;
    }
    run_ = klmStartKeyScript(klmParseKeyScript(image), firstRomText_);
    disconnect(&timer_, &QTimer::timeout, this, &KlmLaunchRunner::lookForWindow);
    connect(&timer_, &QTimer::timeout, this, &KlmLaunchRunner::step);
    timer_.start(0);
}

void KlmLaunchRunner::step()
{
    for (;;) {
        const KlmKeyAction a = klmNextKeyAction(run_);
        switch (a.kind) {
        case KlmKeyActionKind::Key:
            // Keys meet a window of another program only when the user
            // switched away: those are dropped, the script goes on.
            sender_->send(a.vk, a.down);
            break;
        case KlmKeyActionKind::Copy:
            QGuiApplication::clipboard()->setText(QString::fromStdString(a.text));
            break;
        case KlmKeyActionKind::Wait:
            timer_.start(a.ms);
            return;
        case KlmKeyActionKind::End:
            finish();
            return;
        }
    }
}

void KlmLaunchRunner::finish()
{
    timer_.stop();
    if (sender_)
        sender_->releaseAll();
    Q_EMIT finished();
}
