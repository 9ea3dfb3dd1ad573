// The replacement-rule dialogs: the list (40201), which edits a working
// copy of the rules and hands it back on OK, and the add/edit dialog
// (40300) for one rule.
#pragma once

#include <QDialog>

#include <cstdint>
#include <vector>

#include "browse/permute.h"

class KlmCommandRouter;
class KlmWindowServices;
class QLineEdit;
class QTreeWidget;
class QTreeWidgetItem;

class KlmReplaceEditDialog : public QDialog {
    Q_OBJECT
public:
    // editedRow −1 adds a rule to rows; otherwise that row's texts are
    // edited. rows is changed only when OK passes the checks.
    KlmReplaceEditDialog(KlmWindowServices& services, std::vector<ReplacementRule>& rows, int32_t editedRow,
                         QWidget* parent);

    QLineEdit* searchEdit() const { return search_; }
    QLineEdit* replacementEdit() const { return replacement_; }

    void accept() override;

private:
    KlmWindowServices& services_;
    std::vector<ReplacementRule>& rows_;
    int32_t editedRow_;
    QLineEdit* search_ = nullptr;
    QLineEdit* replacement_ = nullptr;
};

class KlmReplaceListDialog : public QDialog {
    Q_OBJECT
public:
    KlmReplaceListDialog(KlmWindowServices& services, const std::vector<ReplacementRule>& rules, QWidget* parent);

    // The rows as they stand, in row order, with their check marks.
    const std::vector<ReplacementRule>& rules() const { return rows_; }
    QTreeWidget* list() const { return list_; }

    // The buttons, by control id.
    void add();
    void edit();
    void move(int step);
    void removeSelected();
    void removeAll();
    void checkRows(bool selectedOnly, bool on);

private:
    void fill(int selectRow);
    int focusedSelectedRow() const;
    QList<int> selectedRows() const;

    KlmWindowServices& services_;
    std::vector<ReplacementRule> rows_;
    QTreeWidget* list_ = nullptr;
};

// Command 40200: the list dialog over a copy of the window's rules; OK
// stores the rows as the rules and refreshes the list so they apply at once.
void klmRegisterReplaceCommands(KlmCommandRouter& router, KlmWindowServices& services);
