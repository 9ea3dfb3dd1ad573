// The audit progress dialog (32803), the properties box (33801) and the
// commands of the File menu that lead to them: the audit, its reset, the
// properties and the archiver self-test.
#pragma once

#include <QDialog>
#include <QTimer>

#include "audit/audit.h"

class KlmCommandRouter;
class KlmWindowServices;
class QLabel;
class QProgressBar;
class QPushButton;

class AuditDialog : public QDialog {
    Q_OBJECT
public:
    // run must have been started (klmAuditStart) and outlive the dialog.
    AuditDialog(KlmWindowServices& services, KlmAuditRun& run, QWidget* parent);

    bool wasCancelled() const { return cancelled_; }

protected:
    // Esc and the close button ask as the cancel button does.
    void reject() override;

private:
    void tick();
    void showProgress();
    void askCancel();

    KlmWindowServices& services_;
    KlmAuditRun& run_;
    QTimer timer_;
    QProgressBar* bar_ = nullptr;
    QLabel* progress_ = nullptr;
    QLabel* status_ = nullptr;
    QPushButton* cancel_ = nullptr;
    bool asking_ = false;
    bool cancelled_ = false;
};

// Commands 32800, 32801, 33800 and 44444.
void klmRegisterAuditCommands(KlmCommandRouter& router, KlmWindowServices& services);
