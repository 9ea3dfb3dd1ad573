// The field items dialog (32852, "フィールド項目"): for the list columns,
// the detailed and simple game-info lines or the status bar, moves items
// between "表示項目" and "非表示項目" and orders the shown ones. It edits a
// copy of the Settings; only OK gives it back, with the sort column found
// again among the edited columns.
#pragma once

#include <QDialog>

#include <functional>
#include <optional>

#include "settings/settings.h"
#include "ui/field_items.h"

class QComboBox;
class QTreeWidget;

class KlmFieldItemsDialog : public QDialog {
    Q_OBJECT
public:
    // settings must hold the list's current column widths.
    KlmFieldItemsDialog(const Settings& settings, QWidget* parent);

    // settings as given with the edited lists and target taken
    // (klmTakeFieldItems).
    Settings result() const;
    // The working copy.
    const Settings& working() const { return working_; }

    QComboBox* targetCombo() const { return target_; }
    QTreeWidget* shownList() const { return shown_; }
    QTreeWidget* hiddenList() const { return hidden_; }

    // "追加 →", "削除 ←", "上に移動", "下に移動" on the current selection.
    void showSelected();
    void hideSelected();
    void moveUp();
    void moveDown();

private:
    KlmFieldTarget target() const;
    void fill();
    void apply(const KlmFieldMove& move);
    static int selectedRow(const QTreeWidget* list);
    static void selectRow(QTreeWidget* list, int row);

    Settings original_;
    Settings working_;
    QComboBox* target_ = nullptr;
    QTreeWidget* shown_ = nullptr;
    QTreeWidget* hidden_ = nullptr;
};

// Opens the dialog over owner on a copy of settings (whose column widths
// the caller has taken from the list): the result after OK, nothing after
// Cancel. prepare runs on the dialog just before it opens.
std::optional<Settings> klmEditFieldItems(QWidget* owner, const Settings& settings,
                                          const std::function<void(QDialog&)>& prepare = {});
