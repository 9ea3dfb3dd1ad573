#include "romfolder_dialog.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cstring>

#include "dialog_guard.h"
#include "main_window.h"
#include "message_box.h"
#include "qt_text.h"

namespace {

constexpr int kPathRole = Qt::UserRole;  // the path's CP932 bytes, kept exact

std::function<QString(const QString&)>& pickerOverride()
{
    static std::function<QString(const QString&)> picker;
    return picker;
}

// Where the folder picker starts when the edit box holds no folder.
QString& lastBrowsedFolder()
{
    static QString folder;
    return folder;
}

QPushButton* button(const QString& text, int id, QWidget* parent)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::number(id));
    b->setAutoDefault(false);
    return b;
}

// A folder path as the registry keeps it: without one trailing separator.
QString withoutTrailingSeparator(QString path)
{
    if (path.size() > 1 && (path.endsWith(QLatin1Char('/')) || path.endsWith(QLatin1Char('\\')))) path.chop(1);
    return path;
}

QByteArray rowPath(const QTreeWidgetItem* item) { return item->data(1, kPathRole).toByteArray(); }

void setRow(QTreeWidgetItem* item, const std::string& cp932Path, int32_t depth)
{
    const QString path = klmQ(cp932Path);
    item->setText(0, klmQ(klmRomFolderDepthName(depth)));
    item->setText(1, path);
    item->setData(1, kPathRole, QByteArray(cp932Path.data(), static_cast<qsizetype>(cp932Path.size())));
    item->setToolTip(0, path);
    item->setToolTip(1, path);
}

void selectAlone(QTreeWidget* list, QTreeWidgetItem* item)
{
    list->clearSelection();
    list->setCurrentItem(item, 0, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

}  // namespace

// ---- Add / edit -------------------------------------------------------------

RomFolderEditDialog::RomFolderEditDialog(MainWindow& window, QTreeWidget* list, int row, QWidget* parent)
    : QDialog(parent), window_(window), list_(list), row_(row)
{
    setObjectName(QStringLiteral("40100"));
    setWindowTitle(row < 0 ? klmU("ロムフォルダ追加") : klmU("ロムフォルダ編集"));

    path_ = new QLineEdit(this);
    path_->setObjectName(QStringLiteral("40101"));
    QPushButton* browseButton = button(klmU("参照..."), 40102, this);
    depth_ = new QComboBox(this);
    depth_->setObjectName(QStringLiteral("40103"));
    for (int32_t d = 0; d < kKlmRomFolderDepthCount; ++d) depth_->addItem(klmQ(klmRomFolderDepthName(d)));
    depth_->setCurrentIndex(0);
    if (row >= 0) {
        const QTreeWidgetItem* item = list->topLevelItem(row);
        depth_->setCurrentIndex(std::max(0, depth_->findText(item->text(0))));
        path_->setText(klmQ(std::string(rowPath(item).constData(), static_cast<size_t>(rowPath(item).size()))));
    }

    auto* ok = button(QStringLiteral("OK"), 1, this);
    ok->setDefault(true);
    auto* cancel = button(klmU("キャンセル"), 2, this);

    auto* grid = new QGridLayout(this);
    grid->addWidget(path_, 0, 0);
    grid->addWidget(browseButton, 0, 1);
    grid->addWidget(depth_, 1, 0);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    grid->addLayout(buttons, 2, 0, 1, 2);
    path_->setMinimumWidth(360);

    connect(browseButton, &QPushButton::clicked, this, &RomFolderEditDialog::browse);
    connect(ok, &QPushButton::clicked, this, &RomFolderEditDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &RomFolderEditDialog::reject);
}

void RomFolderEditDialog::setPickerOverride(std::function<QString(const QString& start)> picker)
{
    pickerOverride() = std::move(picker);
}

void RomFolderEditDialog::browse()
{
    const QString current = path_->text();
    const QString start = QFileInfo(current).isDir() ? current : lastBrowsedFolder();
    QString chosen;
    if (pickerOverride()) {
        chosen = pickerOverride()(start);
    } else {
        QFileDialog picker(this, klmU("ロムフォルダ選択"), start);
        picker.setObjectName(QStringLiteral("folderPicker"));
        picker.setFileMode(QFileDialog::Directory);
        picker.setOptions(QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
        picker.setLabelText(QFileDialog::LookIn, klmU("ロムフォルダを選択してください"));
        picker.resize(picker.sizeHint());
        window_.klmCentreDialog(&picker);
        if (picker.exec() == QDialog::Accepted && !picker.selectedFiles().isEmpty())
            chosen = picker.selectedFiles().constFirst();
    }
    if (chosen.isEmpty()) return;
    chosen = withoutTrailingSeparator(chosen);
    lastBrowsedFolder() = chosen;
    path_->setText(chosen);
}

void RomFolderEditDialog::accept()
{
    const QString path = withoutTrailingSeparator(path_->text());
    bool convertible = false;
    const std::string cp932 = klmFromUtf8(path.toStdString(), &convertible);
    // A folder whose path cannot be written in the registry's 260-byte CP932
    // field could never be found again by the audit: refused like a missing one.
    if (path.isEmpty() || !QFileInfo(path).isDir() || !convertible || cp932.size() >= sizeof(RomFolder::path)) {
        klmMessageBox(this, klmU("ロムフォルダが存在しません"), QString(), QMessageBox::Warning);
        return;
    }
    const QByteArray bytes(cp932.data(), static_cast<qsizetype>(cp932.size()));
    for (int i = 0; i < list_->topLevelItemCount(); ++i) {
        if (i != row_ && rowPath(list_->topLevelItem(i)) == bytes) {
            klmMessageBox(this, klmU("ロムフォルダが重複します"), QString(), QMessageBox::Warning);
            return;
        }
    }
    QTreeWidgetItem* item = nullptr;
    if (row_ < 0) {
        item = new QTreeWidgetItem(list_);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, Qt::Checked);
    } else {
        item = list_->topLevelItem(row_);
    }
    setRow(item, cp932, depth_->currentIndex());
    selectAlone(list_, item);
    QDialog::accept();
}

// ---- The list ---------------------------------------------------------------

RomFolderDialog::RomFolderDialog(MainWindow& window, const std::vector<RomFolder>& folders, QWidget* parent)
    : QDialog(parent), window_(window)
{
    setObjectName(QStringLiteral("40001"));
    setWindowTitle(klmU("ロムフォルダ"));

    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("40002"));
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setHeaderLabels({klmU("サブフォルダ"), klmU("フォルダパス")});
    list_->header()->setStretchLastSection(false);
    list_->setColumnWidth(0, 80);
    list_->setColumnWidth(1, 400);
    list_->setMinimumWidth(500);
    for (const RomFolder& f : folders) {
        auto* item = new QTreeWidgetItem(list_);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, f.selected ? Qt::Checked : Qt::Unchecked);
        setRow(item, std::string(klmField(f.path)), f.depth);
    }

    auto* side = new QVBoxLayout;
    const struct {
        const char* text;
        int id;
        void (RomFolderDialog::*slot)();
    } actions[] = {
        {"追加", 40003, &RomFolderDialog::addRow},
        {"編集", 40004, &RomFolderDialog::editRow},
        {"上へ移動", 40007, nullptr},
        {"下へ移動", 40008, nullptr},
        {"削除", 40005, &RomFolderDialog::deleteSelected},
        {"全て削除", 40006, &RomFolderDialog::deleteAll},
        {"選択", 40009, nullptr},
        {"全て選択", 40010, nullptr},
        {"解除", 40011, nullptr},
        {"全て解除", 40012, nullptr},
    };
    for (const auto& a : actions) {
        QPushButton* b = button(klmU(a.text), a.id, this);
        side->addWidget(b);
        switch (a.id) {
        case 40007: connect(b, &QPushButton::clicked, this, [this] { moveRow(-1); }); break;
        case 40008: connect(b, &QPushButton::clicked, this, [this] { moveRow(1); }); break;
        case 40009: connect(b, &QPushButton::clicked, this, [this] { checkRows(true, true); }); break;
        case 40010: connect(b, &QPushButton::clicked, this, [this] { checkRows(false, true); }); break;
        case 40011: connect(b, &QPushButton::clicked, this, [this] { checkRows(true, false); }); break;
        case 40012: connect(b, &QPushButton::clicked, this, [this] { checkRows(false, false); }); break;
        default: connect(b, &QPushButton::clicked, this, a.slot); break;
        }
    }
    side->addStretch();
    auto* ok = button(QStringLiteral("OK"), 1, this);
    ok->setDefault(true);
    auto* cancel = button(klmU("キャンセル"), 2, this);
    side->addWidget(ok);
    side->addWidget(cancel);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(list_, 1);
    layout->addLayout(side);
}

std::vector<RomFolder> RomFolderDialog::folders() const
{
    std::vector<RomFolder> out;
    out.reserve(static_cast<size_t>(list_->topLevelItemCount()));
    for (int i = 0; i < list_->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = list_->topLevelItem(i);
        RomFolder f;
        std::memset(&f, 0, sizeof f);
        const QByteArray path = rowPath(item);
        klmCopyField(f.path, std::string_view(path.constData(), static_cast<size_t>(path.size())));
        f.depth = klmRomFolderDepthFromName(klmCp(item->text(0)));
        f.selected = item->checkState(0) == Qt::Checked ? 1 : 0;
        out.push_back(f);
    }
    return out;
}

QTreeWidgetItem* RomFolderDialog::selectedFocused() const
{
    QTreeWidgetItem* item = list_->currentItem();
    return item && item->isSelected() ? item : nullptr;
}

void RomFolderDialog::addRow()
{
    if (list_->topLevelItemCount() >= kKlmMaxRomFolders) {
        klmMessageBox(this, klmU("ロムフォルダをこれ以上登録できません"), QString(), QMessageBox::Warning);
        return;
    }
    RomFolderEditDialog edit(window_, list_, -1, this);
    if (window_.context().state.settings.centreDialogs) {
        edit.adjustSize();
        window_.klmCentreDialog(&edit);
    }
    edit.exec();
    list_->setFocus();
}

void RomFolderDialog::editRow()
{
    QTreeWidgetItem* item = selectedFocused();
    if (!item) return;
    RomFolderEditDialog edit(window_, list_, list_->indexOfTopLevelItem(item), this);
    if (window_.context().state.settings.centreDialogs) {
        edit.adjustSize();
        window_.klmCentreDialog(&edit);
    }
    edit.exec();
    list_->setFocus();
}

void RomFolderDialog::moveRow(int delta)
{
    QTreeWidgetItem* item = selectedFocused();
    if (!item) return;
    const int from = list_->indexOfTopLevelItem(item);
    list_->takeTopLevelItem(from);
    const int to = std::clamp(from + delta, 0, list_->topLevelItemCount());
    list_->insertTopLevelItem(to, item);
    selectAlone(list_, item);
    list_->setFocus();
}

void RomFolderDialog::deleteSelected()
{
    QList<QTreeWidgetItem*> doomed;
    for (int i = 0; i < list_->topLevelItemCount(); ++i)
        if (list_->topLevelItem(i)->isSelected()) doomed << list_->topLevelItem(i);
    const QString text = klmU("%1ケのロムフォルダをリストから削除しますか").arg(doomed.size());
    if (klmMessageBox(this, text, klmU("確認"), QMessageBox::NoIcon, QMessageBox::Ok | QMessageBox::Cancel) !=
        QMessageBox::Ok)
        return;
    qDeleteAll(doomed);
    if (QTreeWidgetItem* first = list_->topLevelItem(0)) selectAlone(list_, first);
    list_->setFocus();
}

void RomFolderDialog::deleteAll()
{
    if (klmMessageBox(this, klmU("ロムフォルダをリストから全て削除しますか"), klmU("確認"), QMessageBox::NoIcon,
                      QMessageBox::Ok | QMessageBox::Cancel) != QMessageBox::Ok)
        return;
    list_->clear();
}

void RomFolderDialog::checkRows(bool selectedOnly, bool on)
{
    for (int i = 0; i < list_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = list_->topLevelItem(i);
        if (!selectedOnly || item->isSelected()) item->setCheckState(0, on ? Qt::Checked : Qt::Unchecked);
    }
    list_->setFocus();
}

void klmEditRomFolders(MainWindow& window)
{
    KlmMainState& st = window.context().state;
    KlmDialogGuard guard(window);
    RomFolderDialog dialog(window, st.romFolders, &window);
    guard.attach(&dialog);
    if (dialog.exec() == QDialog::Accepted) st.romFolders = dialog.folders();
}
