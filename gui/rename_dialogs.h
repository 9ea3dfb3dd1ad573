// The rename settings box (42303) and the small progress box (42400) that
// recomputes every game's target name.
#pragma once

#include <QDialog>
#include <QTimer>

class KlmCommandRouter;
class KlmWindowServices;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QProgressBar;

class TargetNameUpdateDialog : public QDialog {
    Q_OBJECT
public:
    TargetNameUpdateDialog(KlmWindowServices& services, QWidget* parent);

    QProgressBar* progressBar() const { return bar_; }

protected:
    // The box has no buttons; Esc does not end the update half-way.
    void reject() override {}

private:
    void tick();

    KlmWindowServices& services_;
    QTimer timer_;
    QProgressBar* bar_ = nullptr;
    int ticks_ = 0;
};

// Recomputes all target names in the progress box, owned by owner; the
// ownership they decide shows in the status bar and the list.
void klmUpdateTargetNames(KlmWindowServices& services, QWidget* owner);

class RenameSettingsDialog : public QDialog {
    Q_OBJECT
public:
    RenameSettingsDialog(KlmWindowServices& services, QWidget* parent);

    QLineEdit* patternEdit() const { return pattern_; }

protected:
    void accept() override;

private:
    void insertToken(const QString& token);

    KlmWindowServices& services_;
    QLineEdit* pattern_ = nullptr;
    QCheckBox* inside_ = nullptr;
    QComboBox* zip_ = nullptr;
    QComboBox* sevenZip_ = nullptr;
};

// Command 42302.
void klmRegisterRenameCommands(KlmCommandRouter& router, KlmWindowServices& services);
