#include "rename_run_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "message_box.h"
#include "qt_text.h"

namespace {

constexpr int kFirstTickMs = 300;
constexpr int kNextTickMs = 1;

}  // namespace

RenameRunDialog::RenameRunDialog(QWidget* parent, KlmRenameRun& run) : QDialog(parent), run_(run)
{
    setObjectName(QStringLiteral("42320"));
    setWindowTitle(klmU(kKlmRenameDialogTitle));
    bar_ = new QProgressBar(this);
    bar_->setObjectName(QStringLiteral("42321"));
    bar_->setRange(0, 100);
    bar_->setTextVisible(false);
    progress_ = new QLabel(this);
    progress_->setObjectName(QStringLiteral("42322"));
    path_ = new QLabel(this);
    path_->setObjectName(QStringLiteral("42323"));
    path_->setTextFormat(Qt::PlainText);
    path_->setMinimumWidth(360);
    cancel_ = new QPushButton(klmU("キャンセル"), this);
    cancel_->setObjectName(QStringLiteral("2"));
    connect(cancel_, &QPushButton::clicked, this, &RenameRunDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(bar_);
    layout->addWidget(progress_);
    layout->addWidget(path_);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(cancel_);
    layout->addLayout(row);

    timer_.setObjectName(QStringLiteral("1234"));
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &RenameRunDialog::tick);
    showProgress();
    timer_.start(kFirstTickMs);
}

RenameRunDialog::~RenameRunDialog()
{
    // The dialog can go while a game is out only when every event loop is
    // left at once (the application quits): the game is finished and its
    // record still written, so the record keeps describing the disk.
    if (worker_.joinable()) {
        worker_.join();
        applyResult();
    }
}

void RenameRunDialog::tick()
{
    if (asking_ || run_.jobOut)
        return;
    std::optional<KlmRenameJob> job = klmRenameNextJob(run_);
    if (!job) {
        closeWhenFinished();
        return;
    }
    showProgress();
    // The worker writes result_ and nothing else; this thread reads it only
    // after the join.
    worker_ = std::thread([this, job = std::move(*job)] {
        result_ = klmRenameExecute(job);
        QMetaObject::invokeMethod(this, [this] { done(); }, Qt::QueuedConnection);
    });
}

void RenameRunDialog::applyResult()
{
    if (result_)
        klmRenameApply(run_, *result_);
    result_.reset();
}

void RenameRunDialog::done()
{
    if (!worker_.joinable())
        return;
    worker_.join();
    applyResult();
    showProgress();
    if (run_.phase == KlmRenamePhase::Finished)
        closeWhenFinished();
    else if (!asking_)
        timer_.start(kNextTickMs);
}

void RenameRunDialog::showProgress()
{
    const KlmRenameProgress p = klmRenameProgress(run_);
    bar_->setValue(p.percent);
    progress_->setText(QString::fromStdString(p.progressText));
    path_->setText(QString::fromStdString(p.pathText));
}

void RenameRunDialog::reject()
{
    if (!asking_)
        askCancel();
}

void RenameRunDialog::askCancel()
{
    asking_ = true;
    timer_.stop();
    const bool stop = klmMessageBox(this, klmU(kKlmRenameCancelText), klmU(kKlmRenameCancelTitle),
                                    QMessageBox::NoIcon, QMessageBox::Ok | QMessageBox::Cancel)
        == QMessageBox::Ok;
    asking_ = false;
    if (stop)
        klmRenameCancel(run_);  // with a job out: when it comes back
    if (run_.phase == KlmRenamePhase::Finished)
        closeWhenFinished();
    else if (!run_.jobOut)
        timer_.start(kNextTickMs);
}

void RenameRunDialog::closeWhenFinished()
{
    timer_.stop();
    if (!asking_ && isVisible())
        QDialog::accept();
}
