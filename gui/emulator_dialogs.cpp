#include "emulator_dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "dialog_kit.h"
#include "message_box.h"
#include "qt_text.h"

namespace {

QPushButton* button(const QString& text, int id, QWidget* parent)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::number(id));
    b->setAutoDefault(false);
    return b;
}

QString utf8(const std::string& text)
{
    return QString::fromStdString(text);
}

void warn(QWidget* owner, const char* text)
{
    klmMessageBox(owner, klmU(text), klmU(kKlmEmulatorWarningTitle), QMessageBox::Information);
}

bool confirm(QWidget* owner, const QString& text, const char* title)
{
    return klmMessageBox(owner, text, klmU(title), QMessageBox::NoIcon, QMessageBox::Ok | QMessageBox::Cancel) ==
           QMessageBox::Ok;
}

// The name of a program file without its extension (what fills an empty
// name field).
QString programBaseName(const QString& path)
{
    return QFileInfo(path).completeBaseName();
}

}  // namespace

QString klmDefaultPicker(QWidget* parent, const KlmPickRequest& request)
{
    return klmPlacedPicker(parent, request, {});
}

QString klmPlacedPicker(QWidget* parent, const KlmPickRequest& r, const std::function<void(QWidget*)>& place)
{
    QFileDialog picker(parent, r.title, r.start);
    picker.setOption(QFileDialog::DontUseNativeDialog);
    if (r.kind == KlmPickRequest::Folder) {
        picker.setFileMode(QFileDialog::Directory);
        picker.setOption(QFileDialog::ShowDirsOnly);
        picker.setLabelText(QFileDialog::LookIn, r.prompt);
    } else {
        picker.setFileMode(QFileDialog::ExistingFile);
        picker.setNameFilter(r.filter);
        if (QFileInfo(r.start).isFile())
            picker.selectFile(r.start);
    }
    if (place)
        place(&picker);
    if (picker.exec() != QDialog::Accepted || picker.selectedFiles().isEmpty())
        return {};
    return picker.selectedFiles().constFirst();
}

// ---- Add / edit ---------------------------------------------------------------

EmulatorEditDialog::EmulatorEditDialog(QWidget* parent, const EmulatorBlock& block, int32_t index,
                                       const EmulatorEntry& entry, const QString& hardwareName, KlmPicker picker)
    : QDialog(parent), block_(block), index_(index), entry_(entry), hardwareName_(hardwareName),
      picker_(std::move(picker))
{
    setObjectName(QStringLiteral("32884"));
    setWindowTitle(utf8(klmEmulatorEditTitle(index < 0, klmCp(hardwareName))));
    const KlmEmulatorFields f = klmEmulatorFieldsOf(entry);
    auto line = [this](int id, const std::string& text) {
        auto* e = new QLineEdit(utf8(text), this);
        e->setObjectName(QString::number(id));
        return e;
    };
    auto check = [this](int id, const char* text, bool on) {
        auto* c = new QCheckBox(klmU(text), this);
        c->setObjectName(QString::number(id));
        c->setChecked(on);
        return c;
    };
    name_ = line(32885, f.name);
    path_ = line(32886, f.filePath);
    folder_ = line(32893, f.extractFolder);
    options_ = line(32892, f.options);
    keyFile_ = line(32895, f.keyFile);
    extract_ = check(32889, "ロムファイルを解凍して渡す", f.extract);
    quote_ = check(32888, "ロムファイルをダブルクォートで囲んで渡す", f.quote);
    shortPath_ = check(32890, "ロムファイルをショートパスに変換してして渡す", f.shortPath);
    QPushButton* pathButton = button(klmU("参照..."), 32887, this);
    folderButton_ = button(klmU("参照..."), 32894, this);
    QPushButton* keyButton = button(klmU("参照..."), 32896, this);
    icon_ = new QLabel(this);
    icon_->setObjectName(QStringLiteral("programIcon"));
    icon_->setFixedSize(32, 32);

    auto* grid = new QGridLayout(this);
    int row = 0;
    auto addRow = [&](const char* label, QWidget* field, QWidget* extra) {
        grid->addWidget(new QLabel(klmU(label), this), row, 0);
        grid->addWidget(field, row, 1);
        if (extra)
            grid->addWidget(extra, row, 2);
        ++row;
    };
    addRow("エミュレータ名", name_, icon_);
    addRow("エミュレータパス", path_, pathButton);
    addRow("起動オプション", options_, nullptr);
    addRow("解凍先のフォルダ", folder_, folderButton_);
    addRow("仮想キーコードファイル", keyFile_, keyButton);
    for (QCheckBox* c : {extract_, quote_, shortPath_})
        grid->addWidget(c, row++, 1);
    grid->addLayout(klmOkCancelRow(this), row, 0, 1, 3);
    path_->setMinimumWidth(320);

    auto enableFolder = [this] {
        folder_->setEnabled(extract_->isChecked());
        folderButton_->setEnabled(extract_->isChecked());
    };
    enableFolder();
    showProgramIcon();
    connect(extract_, &QCheckBox::toggled, this, enableFolder);
    connect(path_, &QLineEdit::textChanged, this, &EmulatorEditDialog::showProgramIcon);
    connect(pathButton, &QPushButton::clicked, this, [this] { pick(KlmPickRequest::Program); });
    connect(folderButton_, &QPushButton::clicked, this, [this] { pick(KlmPickRequest::Folder); });
    connect(keyButton, &QPushButton::clicked, this, [this] { pick(KlmPickRequest::KeyFile); });
}

void EmulatorEditDialog::showProgramIcon()
{
    const QFileInfo info(path_->text());
    icon_->setPixmap(info.isFile() ? QFileIconProvider().icon(info).pixmap(32, 32) : QPixmap());
}

void EmulatorEditDialog::pick(KlmPickRequest::Kind kind)
{
    static const char* const kTitles[] = {"エミュレータ選択", "仮想キーコードファイル選択", "解凍先のフォルダ選択"};
    KlmPickRequest r;
    r.kind = kind;
    r.title = utf8(klmEmulatorPickerTitle(kTitles[kind], klmCp(hardwareName_), name_->text().toStdString()));
    QLineEdit* target = kind == KlmPickRequest::Program ? path_ : kind == KlmPickRequest::KeyFile ? keyFile_ : folder_;
    r.start = target->text();
    if (kind == KlmPickRequest::Program)
        // Programs here have no ".exe": every file is offered.
        r.filter = klmU("エミュレータファイル(.exe) (*)");
    else if (kind == KlmPickRequest::KeyFile)
        r.filter = klmU("仮想キーコードファイル(.dat) (*.DAT *.dat)");
    else
        r.prompt = klmU("解凍先のフォルダを選択してください");
    const QString chosen = picker_ ? picker_(this, r) : QString();
    if (chosen.isEmpty())
        return;
    target->setText(chosen);
    if (kind == KlmPickRequest::Program && name_->text().isEmpty())
        name_->setText(programBaseName(chosen));
}

KlmEmulatorFields EmulatorEditDialog::fields() const
{
    KlmEmulatorFields f;
    f.name = name_->text().toStdString();
    f.filePath = path_->text().toStdString();
    f.extractFolder = folder_->text().toStdString();
    f.options = options_->text().toStdString();
    f.keyFile = keyFile_->text().toStdString();
    f.extract = extract_->isChecked();
    f.quote = quote_->isChecked();
    f.shortPath = shortPath_->isChecked();
    return f;
}

void EmulatorEditDialog::accept()
{
    const KlmEmulatorCheck c = klmCheckEmulatorFields(fields(), block_, index_);
    if (!c.ok) {
        klmMessageBox(this, utf8(c.message), utf8(c.title),
                      c.warningIcon ? QMessageBox::Warning : QMessageBox::Information);
        return;
    }
    entry_ = c.entry;
    QDialog::accept();
}

// ---- The list ------------------------------------------------------------------

EmulatorDialog::EmulatorDialog(QWidget* parent, const EmulatorRegistry& registry, const Catalogue& catalogue,
                               int32_t hardware, bool launchedBecomesDefault, const QString& iconFolder,
                               const QString& tempFolder, KlmPicker picker)
    : QDialog(parent), reg_(registry), cat_(catalogue), iconFolder_(iconFolder), tempFolder_(tempFolder),
      picker_(std::move(picker))
{
    setObjectName(QStringLiteral("36000"));
    setWindowTitle(klmU("エミュレータ"));
    reg_.blocks.resize(cat_.hardware.size());
    hardware_ = new QComboBox(this);
    hardware_->setObjectName(QStringLiteral("36001"));
    for (const MasterEntry& h : cat_.hardware)
        hardware_->addItem(klmQ(klmField(h.name)));
    hardware_->setCurrentIndex(std::clamp<int>(hardware, 0, std::max<int>(0, hardware_->count() - 1)));

    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("36002"));
    list_->setColumnCount(2);
    list_->setHeaderHidden(true);
    list_->setRootIsDecorated(false);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setColumnWidth(0, 20);
    list_->setColumnWidth(1, 150);
    list_->setContextMenuPolicy(Qt::CustomContextMenu);

    makeDefault_ = new QCheckBox(klmU("起動したエミュレータをデフォルトにする"), this);
    makeDefault_->setObjectName(QStringLiteral("36013"));
    makeDefault_->setChecked(launchedBecomesDefault);

    auto* side = new QVBoxLayout;
    const std::pair<int, const char*> kButtons[] = {
        {36003, "追加"}, {36004, "編集"}, {36005, "上へ移動"}, {36006, "下へ移動"},
        {36007, "削除"}, {36008, "全て削除"}, {36009, "コピー"}, {36010, "貼り付け"},
    };
    for (const auto& [id, text] : kButtons) {
        QPushButton* b = button(klmU(text), id, this);
        side->addWidget(b);
        connect(b, &QPushButton::clicked, this, [this, id = id] {
            switch (id) {
            case 36003: addEntry(); break;
            case 36004: editEntry(); break;
            case 36005: moveEntry(-1); break;
            case 36006: moveEntry(+1); break;
            case 36007: deleteSelected(); break;
            case 36008: deleteAll(); break;
            case 36009: buffer_ = klmCopyEmulators(block(), selectedRows()); break;
            case 36010: paste(); break;
            }
        });
    }
    side->addStretch();

    auto* grid = new QGridLayout(this);
    grid->addWidget(hardware_, 0, 0);
    grid->addWidget(list_, 1, 0);
    grid->addLayout(side, 1, 1);
    grid->addWidget(makeDefault_, 2, 0);
    grid->addLayout(klmOkCancelRow(this), 3, 0, 1, 2);

    connect(hardware_, &QComboBox::currentIndexChanged, this, [this] { refresh(0); });
    connect(list_, &QTreeWidget::itemDoubleClicked, this, [this] { makeDefault(); });
    connect(list_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu menu(this);
        QAction* one = menu.addAction(klmU("デフォルトエミュレータに設定"));
        one->setObjectName(QStringLiteral("36011"));
        QAction* all = menu.addAction(klmU("全ハードのデフォルトエミュレータに設定"));
        all->setObjectName(QStringLiteral("36012"));
        QAction* chosen = menu.exec(list_->viewport()->mapToGlobal(at));
        if (chosen == one)
            makeDefault();
        else if (chosen == all)
            makeDefaultEverywhere();
    });
    refresh(0);
}

int32_t EmulatorDialog::hardware() const
{
    return hardware_->currentIndex();
}

bool EmulatorDialog::launchedBecomesDefault() const
{
    return makeDefault_->isChecked();
}

EmulatorBlock& EmulatorDialog::block()
{
    EmulatorBlock* b = klmEmulatorBlock(reg_, hardware());
    if (!b) {
        noHardware_ = EmulatorBlock{};  // no hardware table: an empty list
        return noHardware_;
    }
    return *b;
}

QString EmulatorDialog::hardwareName() const
{
    return hardware_->currentText();
}

void EmulatorDialog::refresh(int32_t select)
{
    const EmulatorBlock& b = block();
    const QIcon on(iconFolder_ + QStringLiteral("/check1.ico"));
    const QIcon off(iconFolder_ + QStringLiteral("/check0.ico"));
    QFileIconProvider icons;
    list_->clear();
    for (int32_t i = 0; i < b.count; ++i) {
        const EmulatorEntry& e = b.entries[size_t(i)];
        auto* item = new QTreeWidgetItem(list_);
        item->setIcon(0, i == b.defaultIndex ? on : off);
        item->setData(0, Qt::UserRole, i == b.defaultIndex);
        item->setText(1, klmQ(klmField(e.name)));
        const QFileInfo program(klmQ(klmField(e.filePath)));
        if (program.isFile())
            item->setIcon(1, icons.icon(program));
    }
    if (QTreeWidgetItem* item = list_->topLevelItem(select)) {
        list_->clearSelection();
        list_->setCurrentItem(item, 1, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
}

std::vector<int32_t> EmulatorDialog::selectedRows() const
{
    std::vector<int32_t> rows;
    for (QTreeWidgetItem* item : list_->selectedItems())
        rows.push_back(list_->indexOfTopLevelItem(item));
    std::sort(rows.begin(), rows.end());
    return rows;
}

int32_t EmulatorDialog::focusedRow() const
{
    QTreeWidgetItem* item = list_->currentItem();
    return item && item->isSelected() ? list_->indexOfTopLevelItem(item) : -1;
}

void EmulatorDialog::addEntry()
{
    if (block().count >= kKlmMaxEmulators) {
        warn(this, kKlmEmulatorLimitText);
        return;
    }
    const EmulatorEntry fresh = klmNewEmulatorEntry(klmCp(tempFolder_));
    EmulatorEditDialog edit(this, block(), -1, fresh, hardwareName(), picker_);
    if (edit.exec() != QDialog::Accepted)
        return;
    klmAppendEmulator(block(), edit.entry());
    refresh(block().count - 1);
}

void EmulatorDialog::editEntry()
{
    const int32_t row = focusedRow();
    if (row < 0)
        return;
    EmulatorEditDialog edit(this, block(), row, block().entries[size_t(row)], hardwareName(), picker_);
    if (edit.exec() != QDialog::Accepted)
        return;
    block().entries[size_t(row)] = edit.entry();
    refresh(row);
}

void EmulatorDialog::moveEntry(int32_t delta)
{
    const int32_t moved = klmMoveEmulator(block(), focusedRow(), delta);
    if (moved >= 0)
        refresh(moved);
}

void EmulatorDialog::deleteSelected()
{
    const std::vector<int32_t> rows = selectedRows();
    if (rows.empty())
        return;
    const std::string text = klmDeleteEmulatorsText(klmCp(hardwareName()), int32_t(rows.size()));
    if (!confirm(this, utf8(text), kKlmEmulatorDeleteTitle))
        return;
    klmDeleteEmulators(block(), rows);
    refresh(0);
}

void EmulatorDialog::deleteAll()
{
    if (!confirm(this, utf8(klmDeleteAllEmulatorsText(klmCp(hardwareName()))), kKlmEmulatorDeleteTitle))
        return;
    klmDeleteAllEmulators(block());
    refresh();
}

void EmulatorDialog::paste()
{
    if (buffer_.empty())
        return;
    const int32_t left = klmPasteEmulators(block(), buffer_);
    refresh(block().count - 1);
    if (left > 0)
        warn(this, kKlmEmulatorLimitText);
}

void EmulatorDialog::makeDefault()
{
    const int32_t row = focusedRow();
    if (row >= 0 && klmSetDefaultEmulator(reg_, hardware(), row))
        refresh(row);
}

void EmulatorDialog::makeDefaultEverywhere()
{
    const int32_t row = focusedRow();
    if (row < 0 || !confirm(this, klmU(kKlmEmulatorAllHardwareText), kKlmEmulatorConfirmTitle))
        return;
    klmSetDefaultForAllHardware(reg_, klmField(block().entries[size_t(row)].filePath));
    refresh(row);
}
