// The rename progress dialog (42320): bar 42321, progress text 42322, the
// path being handled 42323 and キャンセル. Timer 1234 hands out one game at
// a time (the first 300 ms after the dialog opens, each next one 1 ms after
// the previous game is done); the game's work runs on a worker thread so the
// dialog keeps painting while an archive is rebuilt, and comes back to this
// thread as a value. Cancel is asked for in a box and takes effect between
// games.
//
// The dialog does not know the main window: its boxes go to the message
// sink above it, and the command that opens it (rename_commands.h) runs the
// prologue and, once it closes, the window's finish.
#pragma once

#include <QDialog>
#include <QTimer>

#include <optional>
#include <thread>

#include "rename/rename_run.h"

class QLabel;
class QProgressBar;
class QPushButton;

class RenameRunDialog : public QDialog {
    Q_OBJECT
public:
    // run must have been started (klmRenameStart) and outlive the dialog.
    RenameRunDialog(QWidget* parent, KlmRenameRun& run);
    ~RenameRunDialog() override;

protected:
    // Esc and the close button ask as the cancel button does.
    void reject() override;

private:
    void tick();
    void done();
    void applyResult();
    void showProgress();
    void askCancel();
    void closeWhenFinished();

    KlmRenameRun& run_;
    QTimer timer_;
    std::thread worker_;
    std::optional<KlmRenameResult> result_;  // the worker's, read after the join
    QProgressBar* bar_ = nullptr;
    QLabel* progress_ = nullptr;
    QLabel* path_ = nullptr;
    QPushButton* cancel_ = nullptr;
    bool asking_ = false;
};
