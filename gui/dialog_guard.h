// The prologue and epilogue every modal dialog of the main window runs:
// list auto-selection stops while the dialog is open, a playing movie is
// paused (and resumed from the same position) when the settings ask for it,
// and the dialog is centred in the work area when the settings ask for it.
#pragma once

class KlmWindowServices;
class QWidget;

// Which half of the prologue comes first: dialogs stop auto-selection and
// then pause the movie; the audit and rename commands pause the movie first.
enum class KlmGuardOrder { AutoSelectFirst, MovieFirst };

class KlmDialogGuard {
public:
    // Suspends auto-selection and pauses the movie (or clears the pause mark).
    explicit KlmDialogGuard(KlmWindowServices& services, KlmGuardOrder order = KlmGuardOrder::AutoSelectFirst);
    // Resumes the movie, then auto-selection.
    ~KlmDialogGuard();
    KlmDialogGuard(const KlmDialogGuard&) = delete;
    KlmDialogGuard& operator=(const KlmDialogGuard&) = delete;

    // Centres dialog when it is shown (only when the centring setting is
    // on). Call before exec().
    void attach(QWidget* dialog);

private:
    KlmWindowServices& services_;
};

// The placing alone, for a dialog opened from within another one (the
// outer dialog's guard already stopped auto-selection and the movie).
void klmPlaceDialog(KlmWindowServices& services, QWidget* dialog);
