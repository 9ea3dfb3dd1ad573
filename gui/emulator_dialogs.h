// The emulator registry dialog (36000) and its add/edit box (32884). Both
// work on a copy of the registry that the caller takes back on OK; every
// rule (list operations, checks, texts) is the core's. The caller attaches
// the dialog guard (auto-selection, movie pause, centring) before exec().
#pragma once

#include <QDialog>
#include <QString>

#include <functional>
#include <vector>

#include "catalogue/catalogue.h"
#include "emulator/registry.h"
#include "emulator/registry_edit.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// What a "参照..." button asks for.
struct KlmPickRequest {
    enum Kind { Program, KeyFile, Folder } kind = Program;
    QString title;
    QString filter;  // file pickers
    QString prompt;  // the folder picker
    QString start;   // file or folder to start at
};
// Returns the chosen path, or an empty text when nothing was chosen.
using KlmPicker = std::function<QString(QWidget* parent, const KlmPickRequest& request)>;
// The plain Qt file and folder pickers.
QString klmDefaultPicker(QWidget* parent, const KlmPickRequest& request);
// The same, moved by place before it is shown.
QString klmPlacedPicker(QWidget* parent, const KlmPickRequest& request, const std::function<void(QWidget*)>& place);

class EmulatorEditDialog : public QDialog {
    Q_OBJECT
public:
    // index < 0: add mode, starting from entry; otherwise edits entry index
    // of block (which the duplicate checks pass over).
    EmulatorEditDialog(QWidget* parent, const EmulatorBlock& block, int32_t index, const EmulatorEntry& entry,
                       const QString& hardwareName, KlmPicker picker);

    // The accepted entry, as it is stored.
    const EmulatorEntry& entry() const { return entry_; }

protected:
    void accept() override;

private:
    void pick(KlmPickRequest::Kind kind);
    void showProgramIcon();
    KlmEmulatorFields fields() const;

    const EmulatorBlock& block_;
    int32_t index_;
    EmulatorEntry entry_;
    QString hardwareName_;
    KlmPicker picker_;
    QLineEdit *name_, *path_, *folder_, *options_, *keyFile_;
    QCheckBox *extract_, *quote_, *shortPath_;
    QPushButton* folderButton_;
    QLabel* icon_;
};

class EmulatorDialog : public QDialog {
    Q_OBJECT
public:
    // hardware: the table position shown first; iconFolder holds
    // check0.ico and check1.ico; tempFolder starts a new entry's extraction
    // folder (native paths).
    EmulatorDialog(QWidget* parent, const EmulatorRegistry& registry, const Catalogue& catalogue, int32_t hardware,
                   bool launchedBecomesDefault, const QString& iconFolder, const QString& tempFolder,
                   KlmPicker picker = klmDefaultPicker);

    // The working copy and the choices, for the caller to take on OK.
    const EmulatorRegistry& registry() const { return reg_; }
    int32_t hardware() const;
    bool launchedBecomesDefault() const;
    QTreeWidget* list() const { return list_; }

private:
    EmulatorBlock& block();
    QString hardwareName() const;
    void refresh(int32_t select = -1);
    std::vector<int32_t> selectedRows() const;
    int32_t focusedRow() const;
    void addEntry();
    void editEntry();
    void moveEntry(int32_t delta);
    void deleteSelected();
    void deleteAll();
    void paste();
    void makeDefault();
    void makeDefaultEverywhere();

    EmulatorRegistry reg_;
    const Catalogue& cat_;
    QString iconFolder_, tempFolder_;
    KlmPicker picker_;
    std::vector<EmulatorEntry> buffer_;  // "コピー": lives while the dialog is open
    EmulatorBlock noHardware_;
    QComboBox* hardware_;
    QTreeWidget* list_;
    QCheckBox* makeDefault_;
};
