// The rename settings box (42303) and the small progress box (42400) that
// recomputes every game's target name.
#pragma once

#include <QDialog>
#include <QTimer>

class MainWindow;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QProgressBar;

class TargetNameUpdateDialog : public QDialog {
    Q_OBJECT
public:
    TargetNameUpdateDialog(MainWindow& window, QWidget* parent);

protected:
    // The box has no buttons; Esc does not end the update half-way.
    void reject() override {}

private:
    void tick();

    MainWindow& window_;
    QTimer timer_;
    QProgressBar* bar_ = nullptr;
    int ticks_ = 0;
};

// Recomputes all target names in the progress box, owned by owner, then
// refreshes the list.
void klmUpdateTargetNames(MainWindow& window, QWidget* owner);

class RenameSettingsDialog : public QDialog {
    Q_OBJECT
public:
    RenameSettingsDialog(MainWindow& window, QWidget* parent);

    QLineEdit* patternEdit() const { return pattern_; }

protected:
    void accept() override;

private:
    void insertToken(const QString& token);

    MainWindow& window_;
    QLineEdit* pattern_ = nullptr;
    QCheckBox* inside_ = nullptr;
    QComboBox* zip_ = nullptr;
    QComboBox* sevenZip_ = nullptr;
};

// Command 42302.
void klmEditRenameSettings(MainWindow& window);
