#include "dialog_guard.h"

#include <QEvent>
#include <QPointer>
#include <QWidget>

#include "main_window.h"

namespace {

// Moves the dialog on its first show: only then is its size known, and a
// moved dialog is not placed again by Qt over its parent.
class CentreOnShow : public QObject {
public:
    CentreOnShow(MainWindow& window, QWidget* dialog) : QObject(dialog), window_(&window), dialog_(dialog) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == dialog_ && event->type() == QEvent::Show && window_) {
            window_->klmCentreDialog(dialog_);
            dialog_->removeEventFilter(this);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QPointer<MainWindow> window_;
    QWidget* dialog_;
};

}  // namespace

KlmDialogGuard::KlmDialogGuard(MainWindow& window) : window_(window)
{
    window_.klmSuspendAutoSelect();
    if (window_.context().state.settings.pauseMovieForDialogs) window_.klmPauseMovieForDialog();
    else window_.context().state.pausedForDialog = false;
}

KlmDialogGuard::~KlmDialogGuard()
{
    window_.klmResumeMovieAfterDialog();
    window_.klmResumeAutoSelect();
}

void KlmDialogGuard::attach(QWidget* dialog)
{
    if (!dialog || !window_.context().state.settings.centreDialogs) return;
    dialog->installEventFilter(new CentreOnShow(window_, dialog));
}
