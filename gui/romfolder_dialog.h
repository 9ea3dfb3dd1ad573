// The ROM folder list (40001) and its add/edit box (40100). The list works
// on its own rows; the registry takes them over only when the list is
// closed with OK.
#pragma once

#include <QDialog>
#include <QString>

#include <functional>
#include <vector>

#include "audit/romfolder.h"

class MainWindow;
class QComboBox;
class QLineEdit;
class QTreeWidget;
class QTreeWidgetItem;

class RomFolderEditDialog : public QDialog {
    Q_OBJECT
public:
    // row < 0: add mode; otherwise the row of list being edited.
    RomFolderEditDialog(MainWindow& window, QTreeWidget* list, int row, QWidget* parent);

    // The folder chosen by "参照..." when the picker is not shown (tests).
    static void setPickerOverride(std::function<QString(const QString& start)> picker);

protected:
    void accept() override;

private:
    void browse();

    MainWindow& window_;
    QTreeWidget* list_;
    int row_;
    QLineEdit* path_ = nullptr;
    QComboBox* depth_ = nullptr;
};

class RomFolderDialog : public QDialog {
    Q_OBJECT
public:
    RomFolderDialog(MainWindow& window, const std::vector<RomFolder>& folders, QWidget* parent);

    // The registry as the rows stand (what OK hands over).
    std::vector<RomFolder> folders() const;
    QTreeWidget* list() const { return list_; }

private:
    void addRow();
    void editRow();
    void moveRow(int delta);
    void deleteSelected();
    void deleteAll();
    void checkRows(bool selectedOnly, bool on);
    QTreeWidgetItem* selectedFocused() const;

    MainWindow& window_;
    QTreeWidget* list_ = nullptr;
};

// Command 40000: the list dialog on a copy of the registry, committed on OK.
void klmEditRomFolders(MainWindow& window);
