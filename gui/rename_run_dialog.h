// The rename progress dialog (42320): bar 42321, progress text 42322, the
// path being handled 42323 and キャンセル. Timer 1234 hands out one game at
// a time (the first 300 ms after the dialog opens, each next one 1 ms after
// the previous game is done); the game's work runs on a worker thread so the
// dialog keeps painting while an archive is rebuilt, and comes back to this
// thread as a value. Cancel is asked for in a box and takes effect between
// games.
//
// The dialog does not know the main window: the caller wraps it in its
// dialog guard and, once it closes, repaints the status bar and refreshes
// the list (see klmRenameFinishData).
#pragma once

#include <QDialog>
#include <QMessageBox>
#include <QTimer>

#include <functional>
#include <thread>

#include "rename/rename_run.h"

class QLabel;
class QProgressBar;
class QPushButton;

// How the dialog shows a box: text, title, icon, buttons → the button
// pressed. klmMessageBox by default; tests pass their own.
using KlmRenameBoxSeam = std::function<QMessageBox::StandardButton(
    QWidget* owner, const QString& text, const QString& title, QMessageBox::Icon icon,
    QMessageBox::StandardButtons buttons)>;

class RenameRunDialog : public QDialog {
    Q_OBJECT
public:
    // run must have been started (klmRenameStart) and outlive the dialog.
    RenameRunDialog(QWidget* parent, KlmRenameRun& run, KlmRenameBoxSeam box = {});
    ~RenameRunDialog() override;

protected:
    // Esc and the close button ask as the cancel button does.
    void reject() override;

private:
    void tick();
    void done(const KlmRenameResult& result);
    void showProgress();
    void askCancel();
    void closeWhenFinished();

    KlmRenameRun& run_;
    KlmRenameBoxSeam box_;
    QTimer timer_;
    std::thread worker_;
    QProgressBar* bar_ = nullptr;
    QLabel* progress_ = nullptr;
    QLabel* path_ = nullptr;
    QPushButton* cancel_ = nullptr;
    bool asking_ = false;
};

// The whole of commands 42300 and 42301 after the window's prologue: the
// start box "リネームを開始しますか", the warning boxes of a start that does
// not start, then the dialog. candidates are every catalogue index (rename
// all) or the selected rows' games in row order (rename selected). Returns
// what the window refreshes; nothing when the run did not start.
std::optional<KlmRenameFinish> klmRunRenameDialog(QWidget* parent, Catalogue& cat, const Settings& settings,
                                                  const std::vector<int32_t>& candidates, KlmRenameBoxSeam box = {});
