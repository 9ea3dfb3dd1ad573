#include "replace_dialogs.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>

#include "browse/rules.h"
#include "command_router.h"
#include "dialog_guard.h"
#include "dialog_buttons.h"
#include "qt_text.h"
#include "ui/command_ids.h"
#include "window_services.h"

namespace {

void warn(KlmWindowServices& services, QWidget* owner, KlmRuleCheck check, const QString& title)
{
    services.message(owner, klmQ(klmRuleCheckMessage(check)), title, QMessageBox::Warning);
}

}  // namespace

KlmReplaceEditDialog::KlmReplaceEditDialog(KlmWindowServices& services, std::vector<ReplacementRule>& rows,
                                           int32_t editedRow, QWidget* parent)
    : QDialog(parent), services_(services), rows_(rows), editedRow_(editedRow)
{
    setObjectName(QStringLiteral("40300"));
    const bool editing = editedRow_ >= 0 && static_cast<size_t>(editedRow_) < rows_.size();
    setWindowTitle(klmU(editing ? "検索用文字列置換 - 編集" : "検索用文字列置換 - 追加"));
    search_ = new QLineEdit(this);
    search_->setObjectName(QStringLiteral("40301"));
    replacement_ = new QLineEdit(this);
    replacement_->setObjectName(QStringLiteral("40302"));
    if (editing) {
        const ReplacementRule& r = rows_[static_cast<size_t>(editedRow_)];
        search_->setText(klmQ(klmField(r.search)));
        replacement_->setText(klmQ(klmField(r.replacement)));
    }
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(klmU("検索する文字列"), this));
    layout->addWidget(search_);
    layout->addWidget(new QLabel(klmU("置換後の文字列"), this));
    layout->addWidget(replacement_);
    layout->addWidget(klmOkCancelButtons(this));
    setMinimumWidth(360);
}

void KlmReplaceEditDialog::accept()
{
    // The core cuts each text at 259 bytes on a character boundary, as stored.
    const std::string search = klmCp(search_->text());
    const std::string replacement = klmCp(replacement_->text());
    const KlmRuleCheck check = editedRow_ >= 0 ? klmEditReplacementRule(rows_, editedRow_, search, replacement)
                                               : klmAddReplacementRule(rows_, search, replacement);
    if (check == KlmRuleCheck::NoRow) {
        reject();
        return;
    }
    if (check != KlmRuleCheck::Ok) {
        warn(services_, this, check, klmU("警告"));
        return;
    }
    QDialog::accept();
}

KlmReplaceListDialog::KlmReplaceListDialog(KlmWindowServices& services, const std::vector<ReplacementRule>& rules,
                                           QWidget* parent)
    : QDialog(parent), services_(services), rows_(rules)
{
    setObjectName(QStringLiteral("40201"));
    setWindowTitle(klmU("検索用文字列置換"));
    if (rows_.size() > static_cast<size_t>(kKlmMaxReplacementRules)) rows_.resize(kKlmMaxReplacementRules);

    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("40202"));
    list_->setColumnCount(2);
    list_->setHeaderLabels({klmU("検索する文字列"), klmU("置換後の文字列")});
    list_->setRootIsDecorated(false);
    list_->setItemsExpandable(false);
    list_->setUniformRowHeights(true);
    list_->setAllColumnsShowFocus(true);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    // Each column half the list's width.
    list_->header()->setSectionResizeMode(QHeaderView::Stretch);
    list_->header()->setSectionsMovable(false);
    connect(list_, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
        if (column != 0) return;
        const int row = list_->indexOfTopLevelItem(item);
        if (row >= 0 && static_cast<size_t>(row) < rows_.size())
            rows_[static_cast<size_t>(row)].enabled = item->checkState(0) == Qt::Checked ? 1 : 0;
    });
    connect(list_, &QTreeWidget::itemDoubleClicked, this, [this] { edit(); });

    auto* buttons = new QVBoxLayout;
    struct Def {
        int id;
        const char* caption;
        std::function<void()> run;
    };
    const Def defs[] = {
        {40203, "追加", [this] { add(); }},
        {40204, "編集", [this] { edit(); }},
        {40207, "上へ移動", [this] { move(-1); }},
        {40208, "下へ移動", [this] { move(1); }},
        {40205, "削除", [this] { removeSelected(); }},
        {40206, "全て削除", [this] { removeAll(); }},
        {40209, "選択", [this] { checkRows(true, true); }},
        {40210, "全て選択", [this] { checkRows(false, true); }},
        {40211, "解除", [this] { checkRows(true, false); }},
        {40212, "全て解除", [this] { checkRows(false, false); }},
    };
    for (const Def& d : defs) {
        QPushButton* b = klmDialogButton(this, d.id, d.caption);
        connect(b, &QPushButton::clicked, this, d.run);
        buttons->addWidget(b);
        // Groups: add/edit, move, delete, check.
        if (d.id == 40204 || d.id == 40208 || d.id == 40206) buttons->addSpacing(8);
    }
    buttons->addStretch(1);

    auto* top = new QHBoxLayout;
    top->addWidget(list_, 1);
    top->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addWidget(klmOkCancelButtons(this));
    resize(560, 380);
    fill(-1);
}

void KlmReplaceListDialog::fill(int selectRow)
{
    const QSignalBlocker block(list_);
    list_->clear();
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<int>(rows_.size()));
    for (const ReplacementRule& r : rows_) {
        auto* item = new QTreeWidgetItem;
        const QString search = klmQ(klmField(r.search));
        const QString replacement = klmQ(klmField(r.replacement));
        item->setText(0, search);
        item->setText(1, replacement);
        item->setToolTip(0, search);
        item->setToolTip(1, replacement);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemNeverHasChildren);
        item->setCheckState(0, r.enabled ? Qt::Checked : Qt::Unchecked);
        items.push_back(item);
    }
    list_->addTopLevelItems(items);
    if (selectRow >= 0 && selectRow < list_->topLevelItemCount()) {
        QTreeWidgetItem* item = list_->topLevelItem(selectRow);
        list_->setCurrentItem(item, 0, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        list_->scrollToItem(item);
    }
}

int KlmReplaceListDialog::focusedSelectedRow() const
{
    QTreeWidgetItem* item = list_->currentItem();
    if (!item || !item->isSelected()) return -1;
    return list_->indexOfTopLevelItem(item);
}

QList<int> KlmReplaceListDialog::selectedRows() const
{
    QList<int> rows;
    for (QTreeWidgetItem* item : list_->selectedItems()) rows.push_back(list_->indexOfTopLevelItem(item));
    std::sort(rows.begin(), rows.end());
    return rows;
}

void KlmReplaceListDialog::add()
{
    if (klmCanAddReplacementRule(rows_) == KlmRuleCheck::ListFull) {
        warn(services_, this, KlmRuleCheck::ListFull, QString());
        return;
    }
    KlmReplaceEditDialog dialog(services_, rows_, -1, this);
    klmPlaceDialog(services_, &dialog);
    if (dialog.exec() == QDialog::Accepted) fill(static_cast<int>(rows_.size()) - 1);
    list_->setFocus();
}

void KlmReplaceListDialog::edit()
{
    const int row = focusedSelectedRow();
    if (row < 0) return;
    KlmReplaceEditDialog dialog(services_, rows_, row, this);
    klmPlaceDialog(services_, &dialog);
    if (dialog.exec() == QDialog::Accepted) fill(row);
    list_->setFocus();
}

void KlmReplaceListDialog::move(int step)
{
    const int row = focusedSelectedRow();
    if (row < 0) return;
    const int target = std::clamp(row + step, 0, static_cast<int>(rows_.size()) - 1);
    const ReplacementRule rule = rows_[static_cast<size_t>(row)];
    rows_.erase(rows_.begin() + row);
    rows_.insert(rows_.begin() + target, rule);
    fill(target);
    list_->setFocus();
}

void KlmReplaceListDialog::removeSelected()
{
    const QList<int> rows = selectedRows();
    if (rows.isEmpty()) {
        list_->setFocus();
        return;
    }
    const QString text = klmU("%1ケのアイテムをリストから削除しますか").arg(rows.size());
    if (services_.message(this, text, klmU("確認"), QMessageBox::Question, QMessageBox::Ok | QMessageBox::Cancel) !=
        QMessageBox::Ok)
        return;
    std::vector<ReplacementRule> kept;
    kept.reserve(rows_.size());
    for (size_t i = 0; i < rows_.size(); ++i)
        if (!rows.contains(static_cast<int>(i))) kept.push_back(rows_[i]);
    rows_ = std::move(kept);
    fill(0);
    list_->setFocus();
}

void KlmReplaceListDialog::removeAll()
{
    if (services_.message(this, klmU("リストからアイテムを全て削除しますか"), klmU("確認"), QMessageBox::Question,
                      QMessageBox::Ok | QMessageBox::Cancel) != QMessageBox::Ok)
        return;
    rows_.clear();
    fill(-1);
}

void KlmReplaceListDialog::checkRows(bool selectedOnly, bool on)
{
    const QList<int> chosen = selectedOnly ? selectedRows() : QList<int>();
    const QSignalBlocker block(list_);
    for (int row = 0; row < static_cast<int>(rows_.size()); ++row) {
        if (selectedOnly && !chosen.contains(row)) continue;
        rows_[static_cast<size_t>(row)].enabled = on ? 1 : 0;
        list_->topLevelItem(row)->setCheckState(0, on ? Qt::Checked : Qt::Unchecked);
    }
    list_->setFocus();
}

void klmRegisterReplaceCommands(KlmCommandRouter& router, KlmWindowServices& services)
{
    router.add(kKlmCmdReplacements, [&services] {
        KlmDialogGuard guard(services);
        KlmReplaceListDialog dialog(services, services.session().state.replacements, services.window());
        guard.attach(&dialog);
        if (dialog.exec() != QDialog::Accepted) return;
        services.session().state.replacements = dialog.rules();
        services.refreshList(false, KlmRefreshScope::Condition);
    });
}
