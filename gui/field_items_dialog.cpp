#include "field_items_dialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "dialog_kit.h"
#include "message_box.h"
#include "qt_text.h"

namespace {

QTreeWidget* itemList(int id, const char* caption, QWidget* parent)
{
    auto* list = new QTreeWidget(parent);
    list->setObjectName(QString::number(id));
    list->setColumnCount(1);
    list->setHeaderLabels({klmU(caption)});
    list->header()->setStretchLastSection(false);
    list->setColumnWidth(0, 100);
    list->setRootIsDecorated(false);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    return list;
}

QPushButton* button(int id, const char* text, QWidget* parent)
{
    auto* b = new QPushButton(klmU(text), parent);
    b->setObjectName(QString::number(id));
    b->setAutoDefault(false);
    return b;
}

}  // namespace

KlmFieldItemsDialog::KlmFieldItemsDialog(const Settings& settings, QWidget* parent)
    : QDialog(parent), original_(settings), working_(settings)
{
    setObjectName(QStringLiteral("32852"));
    setWindowTitle(klmU(kKlmFieldItemsTitle));

    target_ = new QComboBox(this);
    target_->setObjectName(QStringLiteral("32859"));
    for (int32_t t = 0; t < kKlmFieldTargetCount; ++t)
        target_->addItem(klmU(klmFieldTargetName(static_cast<KlmFieldTarget>(t))));
    target_->setCurrentIndex(static_cast<int>(klmFieldTargetOf(working_.fieldDialogTarget)));
    working_.fieldDialogTarget = target_->currentIndex();
    connect(target_, &QComboBox::currentIndexChanged, this, [this](int index) {
        working_.fieldDialogTarget = index;
        fill();
    });

    shown_ = itemList(32853, "表示項目", this);
    hidden_ = itemList(32854, "非表示項目", this);
    QPushButton* add = button(32855, "追加 →", this);
    QPushButton* remove = button(32856, "削除 ←", this);
    QPushButton* up = button(32857, "上に移動", this);
    QPushButton* down = button(32858, "下に移動", this);
    connect(add, &QPushButton::clicked, this, &KlmFieldItemsDialog::showSelected);
    connect(remove, &QPushButton::clicked, this, &KlmFieldItemsDialog::hideSelected);
    connect(up, &QPushButton::clicked, this, &KlmFieldItemsDialog::moveUp);
    connect(down, &QPushButton::clicked, this, &KlmFieldItemsDialog::moveDown);

    auto* middle = new QVBoxLayout;
    middle->addStretch();
    middle->addWidget(add);
    middle->addWidget(remove);
    middle->addSpacing(16);
    middle->addWidget(up);
    middle->addWidget(down);
    middle->addStretch();

    QHBoxLayout* buttons = klmOkCancelRow(this);

    auto* grid = new QGridLayout(this);
    grid->addWidget(target_, 0, 0, 1, 3);
    grid->addWidget(shown_, 1, 0);
    grid->addLayout(middle, 1, 1);
    grid->addWidget(hidden_, 1, 2);
    grid->addLayout(buttons, 2, 0, 1, 3);
    fill();
}

Settings KlmFieldItemsDialog::result() const
{
    Settings out = original_;
    klmTakeFieldItems(out, working_);
    return out;
}

KlmFieldTarget KlmFieldItemsDialog::target() const { return klmFieldTargetOf(working_.fieldDialogTarget); }

void KlmFieldItemsDialog::fill()
{
    const KlmFieldTarget t = target();
    for (KlmFieldSide side : {KlmFieldSide::Shown, KlmFieldSide::Hidden}) {
        QTreeWidget* list = side == KlmFieldSide::Shown ? shown_ : hidden_;
        list->clear();
        for (int32_t i = 0; i < klmFieldItemCount(working_, t, side); ++i) {
            const int32_t id = klmFieldItemId(working_, t, side, i);
            list->addTopLevelItem(new QTreeWidgetItem(QStringList{klmQ(klmFieldItemCaption(t, id))}));
        }
    }
}

int KlmFieldItemsDialog::selectedRow(const QTreeWidget* list)
{
    const QList<QTreeWidgetItem*> selected = list->selectedItems();
    return selected.isEmpty() ? -1 : list->indexOfTopLevelItem(selected.first());
}

void KlmFieldItemsDialog::selectRow(QTreeWidget* list, int row)
{
    list->clearSelection();
    if (QTreeWidgetItem* item = list->topLevelItem(row)) {
        list->setCurrentItem(item);
        item->setSelected(true);
        list->scrollToItem(item);
    }
}

void KlmFieldItemsDialog::apply(const KlmFieldMove& move)
{
    if (const char* message = klmFieldMoveMessage(move.status)) {
        klmMessageBox(this, klmU(message), klmU("警告"), QMessageBox::Information);
        return;
    }
    if (move.status == KlmFieldMoveStatus::ListFull) klmWarningBeep(this);
    if (move.status != KlmFieldMoveStatus::Moved) return;
    fill();
    selectRow(shown_, move.shownSelection);
    selectRow(hidden_, move.hiddenSelection);
    (move.focus == KlmFieldSide::Shown ? shown_ : hidden_)->setFocus();
}

void KlmFieldItemsDialog::showSelected() { apply(klmShowFieldItem(working_, target(), selectedRow(hidden_))); }
void KlmFieldItemsDialog::hideSelected() { apply(klmHideFieldItem(working_, target(), selectedRow(shown_))); }
void KlmFieldItemsDialog::moveUp() { apply(klmMoveFieldItemUp(working_, target(), selectedRow(shown_))); }
void KlmFieldItemsDialog::moveDown() { apply(klmMoveFieldItemDown(working_, target(), selectedRow(shown_))); }

std::optional<Settings> klmEditFieldItems(QWidget* owner, const Settings& settings,
                                          const std::function<void(QDialog&)>& prepare)
{
    KlmFieldItemsDialog dialog(settings, owner);
    if (!klmExecDialog(dialog, prepare)) return std::nullopt;
    return dialog.result();
}
