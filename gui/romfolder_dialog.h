// The ROM folder list (40001) and its add/edit box (40100). The list works
// on its own copy of the registry; the registry takes it over only when the
// list is closed with OK.
#pragma once

#include <QDialog>

#include <vector>

#include "audit/romfolder.h"

class KlmCommandRouter;
class KlmWindowServices;
class QComboBox;
class QLineEdit;
class QTreeWidget;

class RomFolderEditDialog : public QDialog {
    Q_OBJECT
public:
    // row < 0: add mode; otherwise the row of folders being edited.
    RomFolderEditDialog(KlmWindowServices& services, std::vector<RomFolder>& folders, int row, QWidget* parent);

    // The row added or edited after OK.
    int row() const { return row_; }

protected:
    void accept() override;

private:
    void browse();

    KlmWindowServices& services_;
    std::vector<RomFolder>& folders_;
    int row_;
    QLineEdit* path_ = nullptr;
    QComboBox* depth_ = nullptr;
};

class RomFolderDialog : public QDialog {
    Q_OBJECT
public:
    RomFolderDialog(KlmWindowServices& services, const std::vector<RomFolder>& folders, QWidget* parent);

    // The registry as the rows stand (what OK hands over).
    const std::vector<RomFolder>& folders() const { return folders_; }
    QTreeWidget* list() const { return list_; }

private:
    void fill(int selectRow);
    void takeChecks();
    void addRow();
    void editRow();
    void moveRow(int delta);
    void deleteSelected();
    void deleteAll();
    void checkRows(bool selectedOnly, bool on);
    int selectedFocusedRow() const;

    KlmWindowServices& services_;
    std::vector<RomFolder> folders_;
    QTreeWidget* list_ = nullptr;
};

// Command 40000.
void klmRegisterRomFolderCommands(KlmCommandRouter& router, KlmWindowServices& services);
