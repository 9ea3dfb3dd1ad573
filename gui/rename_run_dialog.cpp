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

KlmRenameBoxSeam orDefault(KlmRenameBoxSeam box)
{
    if (box)
        return box;
    return [](QWidget* owner, const QString& text, const QString& title, QMessageBox::Icon icon,
              QMessageBox::StandardButtons buttons) { return klmMessageBox(owner, text, title, icon, buttons); };
}

}  // namespace

RenameRunDialog::RenameRunDialog(QWidget* parent, KlmRenameRun& run, KlmRenameBoxSeam box)
    : QDialog(parent), run_(run), box_(orDefault(std::move(box)))
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
    // A job still out finishes its game; its result is dropped with the
    // dialog (the posted call dies with its receiver).
    if (worker_.joinable())
        worker_.join();
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
    if (worker_.joinable())
        worker_.join();
    worker_ = std::thread([this, job = std::move(*job)] {
        KlmRenameResult result = klmRenameExecute(job);
        QMetaObject::invokeMethod(this, [this, result = std::move(result)] { done(result); }, Qt::QueuedConnection);
    });
}

void RenameRunDialog::done(const KlmRenameResult& result)
{
    worker_.join();
    klmRenameApply(run_, result);
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
    const bool stop = box_(this, klmU(kKlmRenameCancelText), klmU(kKlmRenameCancelTitle), QMessageBox::NoIcon,
                           QMessageBox::Ok | QMessageBox::Cancel)
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

std::optional<KlmRenameFinish> klmRunRenameDialog(QWidget* parent, Catalogue& cat, const Settings& settings,
                                                  const std::vector<int32_t>& candidates, KlmRenameBoxSeam box)
{
    box = orDefault(std::move(box));
    if (box(parent, klmU(kKlmRenameConfirmText), klmU(kKlmRenameConfirmTitle), QMessageBox::NoIcon,
            QMessageBox::Ok | QMessageBox::Cancel)
        != QMessageBox::Ok)
        return std::nullopt;
    KlmRenameRun run;
    const KlmRenameStartMessages messages = klmRenameStart(run, cat, settings, candidates);
    for (const char* text : messages)
        box(parent, klmU(text), klmU(kKlmRenameWarningTitle), QMessageBox::Information, QMessageBox::Ok);
    if (!messages.empty())
        return std::nullopt;
    RenameRunDialog dialog(parent, run, box);
    dialog.exec();
    return klmRenameFinishData(run);
}
