#include "audit_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <chrono>
#include <cstdio>
#include <string>

#include "audit/archiver.h"
#include "audit/ownership.h"
#include "command_router.h"
#include "dialog_guard.h"
#include "qt_text.h"
#include "ui/command_ids.h"
#include "window_services.h"

namespace {

// Work done per timer tick: small enough that the dialog repaints and the
// cancel button answers well within a tenth of a second.
constexpr std::chrono::microseconds kTickBudget{10000};

void runAudit(KlmWindowServices& services)
{
    KlmAppContext& c = services.session();
    KlmDialogGuard guard(services, KlmGuardOrder::MovieFirst);
    if (services.message(services.window(), klmU(kKlmAuditConfirmText), klmU(kKlmAuditConfirmTitle), QMessageBox::NoIcon,
                      QMessageBox::Ok | QMessageBox::Cancel) != QMessageBox::Ok)
        return;
    KlmMainState& st = c.state;
    KlmAuditRun run;
    const KlmAuditStartResult started = klmAuditStart(run, c.catalogue, st.settings, st.romFolders);
    if (started != KlmAuditStartResult::Started) {
        services.message(services.window(), klmU(klmAuditStartMessage(started)), klmU(kKlmAuditWarningTitle),
                      QMessageBox::Information);
        return;
    }
    bool cancelled = false;
    {
        AuditDialog dialog(services, run, services.window());
        guard.attach(&dialog);
        dialog.exec();
        cancelled = dialog.wasCancelled();
    }
    // Finished or cancelled: the matches made so far are shown either way.
    services.ownershipChanged();
    if (!cancelled)
        services.message(services.window(), QString::fromStdString(klmAuditSummaryText(run)), klmU(kKlmAuditFinishedTitle),
                      QMessageBox::Information);
}

void resetAudit(KlmWindowServices& services)
{
    KlmAppContext& c = services.session();
    services.suspendAutoSelect();
    klmResetAudit(c.catalogue, c.state.settings);
    services.ownershipChanged();
    services.resumeAutoSelect();
}

void showProperties(KlmWindowServices& services)
{
    KlmDialogGuard guard(services);
    QDialog dialog(services.window());
    dialog.setObjectName(QStringLiteral("33801"));
    dialog.setWindowTitle(klmU(kKlmPropertiesTitle));
    auto* text = new QPlainTextEdit(&dialog);
    text->setObjectName(QStringLiteral("33802"));
    text->setReadOnly(true);
    text->setLineWrapMode(QPlainTextEdit::NoWrap);
    QString body = klmQ(klmOwnershipStatisticsText(services.session().catalogue));
    body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text->setPlainText(body);
    auto* ok = new QPushButton(QStringLiteral("OK"), &dialog);
    ok->setObjectName(QStringLiteral("1"));
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(text);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(ok);
    layout->addLayout(row);
    dialog.resize(360, 420);
    guard.attach(&dialog);
    text->setFocus();
    dialog.exec();
}

void archiverSelfTest(KlmWindowServices& services)
{
    std::string error;
    if (klmRunArchiverSelfTest(&error))
        services.message(services.window(), QStringLiteral("OK"), QStringLiteral("Finish"), QMessageBox::Information);
    else
        std::fprintf(stderr, "archiver self-test: %s\n", error.c_str());
}

}  // namespace

AuditDialog::AuditDialog(KlmWindowServices& services, KlmAuditRun& run, QWidget* parent)
    : QDialog(parent), services_(services), run_(run)
{
    setObjectName(QStringLiteral("32803"));
    setWindowTitle(klmU(kKlmAuditDialogTitle));
    bar_ = new QProgressBar(this);
    bar_->setObjectName(QStringLiteral("32804"));
    bar_->setRange(0, 100);
    bar_->setValue(0);
    bar_->setTextVisible(false);
    progress_ = new QLabel(this);
    progress_->setObjectName(QStringLiteral("32805"));
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("32806"));
    status_->setTextFormat(Qt::PlainText);
    status_->setMinimumWidth(360);
    cancel_ = new QPushButton(klmU("キャンセル"), this);
    cancel_->setObjectName(QStringLiteral("2"));
    connect(cancel_, &QPushButton::clicked, this, &AuditDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(bar_);
    layout->addWidget(progress_);
    layout->addWidget(status_);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(cancel_);
    layout->addLayout(row);

    timer_.setObjectName(QStringLiteral("32807"));
    timer_.setInterval(1);
    connect(&timer_, &QTimer::timeout, this, &AuditDialog::tick);
    showProgress();
    timer_.start();
}

void AuditDialog::tick()
{
    if (asking_) return;
    const KlmAuditPhase phase = klmAuditStep(run_, kTickBudget);
    showProgress();
    if (phase == KlmAuditPhase::Finished) {
        timer_.stop();
        QDialog::accept();
    }
}

void AuditDialog::showProgress()
{
    const KlmAuditProgress p = klmAuditProgress(run_);
    bar_->setValue(p.percent);
    progress_->setText(QString::fromStdString(p.progressText));
    status_->setText(QString::fromStdString(p.statusText));
}

void AuditDialog::reject()
{
    if (!asking_) askCancel();
}

void AuditDialog::askCancel()
{
    asking_ = true;
    timer_.stop();
    const bool stop = services_.message(this, klmU(kKlmAuditCancelText), klmU(kKlmAuditCancelTitle), QMessageBox::NoIcon,
                                    QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
    asking_ = false;
    if (!stop) {
        timer_.start();
        return;
    }
    klmAuditCancel(run_);
    cancelled_ = true;
    QDialog::reject();
}

void klmRegisterAuditCommands(KlmCommandRouter& router, KlmWindowServices& services)
{
    router.add(kKlmCmdAudit, [&services] { runAudit(services); });
    router.add(kKlmCmdAuditReset, [&services] { resetAudit(services); });
    router.add(kKlmCmdProperties, [&services] { showProperties(services); });
    router.add(kKlmCmdArchiverTest, [&services] { archiverSelfTest(services); });
}
