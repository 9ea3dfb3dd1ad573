#include "dialog_guard.h"

#include <QEvent>
#include <QWidget>

#include "window_services.h"

namespace {

// Moves the dialog on its first show: only then is its size known, and a
// moved dialog is not placed again by Qt over its parent.
class CentreOnShow : public QObject {
public:
    CentreOnShow(KlmWindowServices& services, QWidget* dialog) : QObject(dialog), services_(services), dialog_(dialog) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == dialog_ && event->type() == QEvent::Show) {
            services_.centreDialog(dialog_);
            dialog_->removeEventFilter(this);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    KlmWindowServices& services_;
    QWidget* dialog_;
};

}  // namespace

void klmPlaceDialog(KlmWindowServices& services, QWidget* dialog)
{
    if (!dialog || !services.settings().centreDialogs) return;
    dialog->installEventFilter(new CentreOnShow(services, dialog));
}

KlmDialogGuard::KlmDialogGuard(KlmWindowServices& services, KlmGuardOrder order) : services_(services)
{
    if (order == KlmGuardOrder::AutoSelectFirst) services_.suspendAutoSelect();
    if (services_.settings().pauseMovieForDialogs) services_.pauseMovieForDialog();
    else services_.session().state.pausedForDialog = false;
    if (order == KlmGuardOrder::MovieFirst) services_.suspendAutoSelect();
}

KlmDialogGuard::~KlmDialogGuard()
{
    services_.resumeMovieAfterDialog();
    services_.resumeAutoSelect();
}

void KlmDialogGuard::attach(QWidget* dialog) { klmPlaceDialog(services_, dialog); }
