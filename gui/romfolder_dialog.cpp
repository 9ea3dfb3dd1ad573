#include "romfolder_dialog.h"

#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>

#include "command_router.h"
#include "dialog_buttons.h"
#include "dialog_guard.h"
#include "file_pickers.h"
#include "qt_text.h"
#include "ui/command_ids.h"
#include "window_services.h"

namespace {

// A folder path as the registry keeps it: without one trailing separator.
QString withoutTrailingSeparator(QString path)
{
    if (path.size() > 1 && (path.endsWith(QLatin1Char('/')) || path.endsWith(QLatin1Char('\\')))) path.chop(1);
    return path;
}

void selectAlone(QTreeWidget* list, int row)
{
    list->clearSelection();
    if (QTreeWidgetItem* item = list->topLevelItem(row))
        list->setCurrentItem(item, 0, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

}  // namespace

// ---- Add / edit -------------------------------------------------------------

RomFolderEditDialog::RomFolderEditDialog(KlmWindowServices& services, std::vector<RomFolder>& folders, int row,
                                         QWidget* parent)
    : QDialog(parent), services_(services), folders_(folders), row_(row)
{
    setObjectName(QStringLiteral("40100"));
    setWindowTitle(row < 0 ? klmU("ロムフォルダ追加") : klmU("ロムフォルダ編集"));

    path_ = new QLineEdit(this);
    path_->setObjectName(QStringLiteral("40101"));
    QPushButton* browseButton = klmDialogButton(this, 40102, "参照...");
    depth_ = new QComboBox(this);
    depth_->setObjectName(QStringLiteral("40103"));
    for (int32_t d = 0; d < kKlmRomFolderDepthCount; ++d) depth_->addItem(klmQ(klmRomFolderDepthName(d)));
    depth_->setCurrentIndex(0);
    if (row >= 0) {
        const RomFolder& f = folders_[static_cast<size_t>(row)];
        depth_->setCurrentIndex(std::clamp(f.depth, 0, kKlmRomFolderDepthCount - 1));
        path_->setText(klmQ(klmField(f.path)));
    }

    auto* ok = klmDialogButton(this, 1, "OK");
    ok->setDefault(true);
    auto* cancel = klmDialogButton(this, 2, "キャンセル");

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

void RomFolderEditDialog::browse()
{
    // The box's folder, else where the last choice of this run was.
    const QString current = path_->text();
    QString& last = services_.pickers().lastRomFolder;
    const QString start = QFileInfo(current).isDir() ? current : last;
    QString chosen = klmPickFolder(services_, this, klmU("ロムフォルダ選択"), klmU("ロムフォルダを選択してください"), start);
    if (chosen.isEmpty()) return;
    chosen = withoutTrailingSeparator(chosen);
    last = chosen;
    path_->setText(chosen);
}

void RomFolderEditDialog::accept()
{
    const QString path = withoutTrailingSeparator(path_->text());
    std::string cp932;
    const KlmRomFolderCheck check = klmCheckRomFolderPath(folders_, row_, path.toStdString(), &cp932);
    if (check != KlmRomFolderCheck::Valid) {
        // The two refusals of old come without a title; the path the
        // registry cannot hold is a warning of its own.
        const bool stored = check == KlmRomFolderCheck::NotCp932 || check == KlmRomFolderCheck::TooLong;
        services_.message(this, klmU(klmRomFolderCheckMessage(check)), stored ? klmU("警告") : QString(),
                          QMessageBox::Warning);
        return;
    }
    if (row_ < 0) {
        RomFolder added{};
        added.selected = 1;
        folders_.push_back(added);
        row_ = static_cast<int>(folders_.size()) - 1;
    }
    RomFolder& f = folders_[static_cast<size_t>(row_)];
    klmCopyField(f.path, cp932);
    f.depth = depth_->currentIndex();
    QDialog::accept();
}

// ---- The list ---------------------------------------------------------------

RomFolderDialog::RomFolderDialog(KlmWindowServices& services, const std::vector<RomFolder>& folders, QWidget* parent)
    : QDialog(parent), services_(services), folders_(folders)
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
    fill(-1);
    // A check box clicked in the list is the registry's selection.
    connect(list_, &QTreeWidget::itemChanged, this, [this] { takeChecks(); });

    auto* side = new QVBoxLayout;
    const struct {
        const char* text;
        int id;
        std::function<void()> run;
    } actions[] = {
        {"追加", 40003, [this] { addRow(); }},
        {"編集", 40004, [this] { editRow(); }},
        {"上へ移動", 40007, [this] { moveRow(-1); }},
        {"下へ移動", 40008, [this] { moveRow(1); }},
        {"削除", 40005, [this] { deleteSelected(); }},
        {"全て削除", 40006, [this] { deleteAll(); }},
        {"選択", 40009, [this] { checkRows(true, true); }},
        {"全て選択", 40010, [this] { checkRows(false, true); }},
        {"解除", 40011, [this] { checkRows(true, false); }},
        {"全て解除", 40012, [this] { checkRows(false, false); }},
    };
    for (const auto& a : actions) {
        QPushButton* b = klmDialogButton(this, a.id, a.text);
        side->addWidget(b);
        connect(b, &QPushButton::clicked, this, a.run);
    }
    side->addStretch();
    auto* ok = klmDialogButton(this, 1, "OK");
    ok->setDefault(true);
    auto* cancel = klmDialogButton(this, 2, "キャンセル");
    side->addWidget(ok);
    side->addWidget(cancel);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(list_, 1);
    layout->addLayout(side);
}

void RomFolderDialog::fill(int selectRow)
{
    const QSignalBlocker block(list_);
    list_->clear();
    for (const RomFolder& f : folders_) {
        auto* item = new QTreeWidgetItem(list_);
        const QString path = klmQ(klmField(f.path));
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, f.selected ? Qt::Checked : Qt::Unchecked);
        item->setText(0, klmQ(klmRomFolderDepthName(f.depth)));
        item->setText(1, path);
        item->setToolTip(0, path);
        item->setToolTip(1, path);
    }
    if (selectRow >= 0) selectAlone(list_, selectRow);
}

void RomFolderDialog::takeChecks()
{
    for (int i = 0; i < list_->topLevelItemCount() && i < static_cast<int>(folders_.size()); ++i)
        folders_[static_cast<size_t>(i)].selected = list_->topLevelItem(i)->checkState(0) == Qt::Checked ? 1 : 0;
}

int RomFolderDialog::selectedFocusedRow() const
{
    QTreeWidgetItem* item = list_->currentItem();
    return item && item->isSelected() ? list_->indexOfTopLevelItem(item) : -1;
}

void RomFolderDialog::addRow()
{
    if (static_cast<int32_t>(folders_.size()) >= kKlmMaxRomFolders) {
        services_.message(this, klmU("ロムフォルダをこれ以上登録できません"), QString(), QMessageBox::Warning);
        return;
    }
    RomFolderEditDialog edit(services_, folders_, -1, this);
    klmPlaceDialog(services_, &edit);
    if (edit.exec() == QDialog::Accepted) fill(edit.row());
    list_->setFocus();
}

void RomFolderDialog::editRow()
{
    const int row = selectedFocusedRow();
    if (row < 0) return;
    RomFolderEditDialog edit(services_, folders_, row, this);
    klmPlaceDialog(services_, &edit);
    if (edit.exec() == QDialog::Accepted) fill(row);
    list_->setFocus();
}

void RomFolderDialog::moveRow(int delta)
{
    const int from = selectedFocusedRow();
    if (from < 0) return;
    const int to = std::clamp(from + delta, 0, static_cast<int>(folders_.size()) - 1);
    const RomFolder moved = folders_[static_cast<size_t>(from)];
    folders_.erase(folders_.begin() + from);
    folders_.insert(folders_.begin() + to, moved);
    fill(to);
    list_->setFocus();
}

void RomFolderDialog::deleteSelected()
{
    std::vector<RomFolder> kept;
    int doomed = 0;
    for (int i = 0; i < list_->topLevelItemCount(); ++i) {
        if (list_->topLevelItem(i)->isSelected()) ++doomed;
        else kept.push_back(folders_[static_cast<size_t>(i)]);
    }
    const QString text = klmU("%1ケのロムフォルダをリストから削除しますか").arg(doomed);
    if (services_.message(this, text, klmU("確認"), QMessageBox::NoIcon, QMessageBox::Ok | QMessageBox::Cancel) !=
        QMessageBox::Ok)
        return;
    folders_ = std::move(kept);
    fill(folders_.empty() ? -1 : 0);
    list_->setFocus();
}

void RomFolderDialog::deleteAll()
{
    if (services_.message(this, klmU("ロムフォルダをリストから全て削除しますか"), klmU("確認"), QMessageBox::NoIcon,
                          QMessageBox::Ok | QMessageBox::Cancel) != QMessageBox::Ok)
        return;
    folders_.clear();
    fill(-1);
    // As after every button of the box, the (now empty) list has the focus.
    list_->setFocus();
}

void RomFolderDialog::checkRows(bool selectedOnly, bool on)
{
    for (int i = 0; i < list_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = list_->topLevelItem(i);
        if (!selectedOnly || item->isSelected()) item->setCheckState(0, on ? Qt::Checked : Qt::Unchecked);
    }
    takeChecks();
    list_->setFocus();
}

void klmRegisterRomFolderCommands(KlmCommandRouter& router, KlmWindowServices& services)
{
    router.add(kKlmCmdRomFolders, [&services] {
        KlmMainState& st = services.session().state;
        KlmDialogGuard guard(services);
        RomFolderDialog dialog(services, st.romFolders, services.window());
        guard.attach(&dialog);
        if (dialog.exec() == QDialog::Accepted) st.romFolders = dialog.folders();
    });
}
