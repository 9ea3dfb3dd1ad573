// The display settings dialog (32814, "表示設定"): list appearance, the
// date, price and size formats, ownership by CRC32, tooltips, list
// auto-selection, the game-info panes, dialogs, bars, the default frame and
// the movie aspect. It edits a copy; only OK gives the copy back.
#pragma once

#include <QDialog>

#include <functional>
#include <optional>

#include "ui/display_settings.h"

class QCheckBox;
class QComboBox;
class QLineEdit;

class KlmDisplayDialog : public QDialog {
    Q_OBJECT
public:
    KlmDisplayDialog(const KlmDisplayValues& values, QWidget* parent);

    // The edited values; final once the dialog was accepted.
    const KlmDisplayValues& values() const { return values_; }
    QLineEdit* intervalEdit() const { return interval_; }
    QLineEdit* frameWidthEdit() const { return frameWidth_; }

    // Checks the interval, then the frame width; a refused value shows its
    // warning and the dialog stays open.
    void accept() override;

private:
    QComboBox* addCombo(int id, const QStringList& items, int32_t index);
    QCheckBox* addCheck(int id, const char* text, int32_t on);
    QLineEdit* addNumber(int id, int32_t value);
    void store();

    KlmDisplayValues values_;
    QLineEdit* interval_ = nullptr;
    QLineEdit* frameWidth_ = nullptr;
};

// Opens the dialog over owner on a copy of values: the edited copy after
// OK, nothing after Cancel. prepare runs on the dialog just before it opens
// (the caller's prologue, e.g. centring).
std::optional<KlmDisplayValues> klmEditDisplaySettings(QWidget* owner, const KlmDisplayValues& values,
                                                       const std::function<void(QDialog&)>& prepare = {});
