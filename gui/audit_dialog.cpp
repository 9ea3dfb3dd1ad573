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
#include "commands.h"
#include "dialog_guard.h"
#include "main_window.h"
#include "message_box.h"
#include "qt_text.h"
#include "rename_dialogs.h"
#include "romfolder_dialog.h"
#include "status_bar.h"

namespace {

// Work done per timer tick: small enough that the dialog repaints and the
// cancel button answers well within a tenth of a second.
constexpr std::chrono::microseconds kTickBudget{10000};

void runAudit(MainWindow& window)
{
    KlmAppContext& c = window.context();
    KlmDialogGuard guard(window);
    if (klmMessageBox(&window, klmU(kKlmAuditConfirmText), klmU(kKlmAuditConfirmTitle), QMessageBox::NoIcon,
                      QMessageBox::Ok | QMessageBox::Cancel) != QMessageBox::Ok)
        return;
    KlmMainState& st = c.state;
    KlmAuditRun run;
    const KlmAuditStartResult started = klmAuditStart(run, c.catalogue, st.settings, st.romFolders);
    if (started != KlmAuditStartResult::Started) {
        klmMessageBox(&window, klmU(klmAuditStartMessage(started)), klmU(kKlmAuditWarningTitle),
                      QMessageBox::Information);
        return;
    }
    bool cancelled = false;
    {
        AuditDialog dialog(window, run, &window);
        guard.attach(&dialog);
        dialog.exec();
        cancelled = dialog.wasCancelled();
    }
    // Finished or cancelled: the matches made so far are shown either way.
    window.statusPane()->update();
    window.klmRefreshList(true);
    if (!cancelled)
        klmMessageBox(&window, QString::fromStdString(klmAuditSummaryText(run)), klmU(kKlmAuditFinishedTitle),
                      QMessageBox::Information);
}

void resetAudit(MainWindow& window)
{
    KlmAppContext& c = window.context();
    window.klmSuspendAutoSelect();
    klmResetAudit(c.catalogue, c.state.settings);
    window.klmRefreshList(true);
    window.klmResumeAutoSelect();
}

void showProperties(MainWindow& window)
{
    KlmDialogGuard guard(window);
    QDialog dialog(&window);
    dialog.setObjectName(QStringLiteral("33801"));
    dialog.setWindowTitle(klmU(kKlmPropertiesTitle));
    auto* text = new QPlainTextEdit(&dialog);
    text->setObjectName(QStringLiteral("33802"));
    text->setReadOnly(true);
    text->setLineWrapMode(QPlainTextEdit::NoWrap);
    QString body = klmQ(klmOwnershipStatisticsText(window.context().catalogue));
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

void archiverSelfTest(MainWindow& window)
{
    std::string error;
    if (klmRunArchiverSelfTest(&error))
        klmMessageBox(&window, QStringLiteral("OK"), QStringLiteral("Finish"), QMessageBox::Information);
    else
        std::fprintf(stderr, "archiver self-test: %s\n", error.c_str());
}

}  // namespace

AuditDialog::AuditDialog(MainWindow& window, KlmAuditRun& run, QWidget* parent)
    : QDialog(parent), window_(window), run_(run)
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
    const bool stop = klmMessageBox(this, klmU(kKlmAuditCancelText), klmU(kKlmAuditCancelTitle), QMessageBox::NoIcon,
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

bool klmRunAuditCommand(MainWindow& window, int id)
{
    switch (id) {
    case klmcmd::Audit: runAudit(window); return true;
    case klmcmd::AuditReset: resetAudit(window); return true;
    case klmcmd::Properties: showProperties(window); return true;
    case klmcmd::RomFolders: klmEditRomFolders(window); return true;
    case klmcmd::RenameSettings: klmEditRenameSettings(window); return true;
    case klmcmd::ArchiverTest: archiverSelfTest(window); return true;
    default: return false;
    }
}
