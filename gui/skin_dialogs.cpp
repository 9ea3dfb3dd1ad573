#include "skin_dialogs.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>

#include "dialog_buttons.h"
#include "message_box.h"
#include "qt_text.h"

namespace {

void warn(QWidget* owner, const std::string& cp932Text)
{
    klmMessageBox(owner, klmQ(cp932Text), klmU("警告"), QMessageBox::Information);
}

bool confirm(QWidget* owner, const std::string& cp932Text, const char* title)
{
    return klmMessageBox(owner, klmQ(cp932Text), klmU(title), QMessageBox::Question,
                         QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
}

// The list's two marks: icon/check0.ico (not chosen) and icon/check1.ico
// (chosen), drawn here when the folder has none.
QIcon checkIcon(const AppPaths& paths, bool chosen)
{
    const QString file = QString::fromStdString(paths.iconDir) + (chosen ? QStringLiteral("/check1.ico")
                                                                         : QStringLiteral("/check0.ico"));
    if (QFileInfo::exists(file)) {
        QIcon icon(file);
        if (!icon.isNull())
            return icon;
    }
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(2.5, 2.5, 11, 11));
    if (chosen) {
        p.setPen(QPen(QColor(0, 140, 0), 2));
        p.drawPolyline(QPolygonF({QPointF(4.5, 8), QPointF(7, 11), QPointF(12, 4.5)}));
    }
    return QIcon(pm);
}

// The file a stored (CP932) frame path names.
QString framePathFile(const AppPaths& paths, const std::string& cp932Path)
{
    return QString::fromStdString(klmSkinFramePath(paths, cp932Path));
}

}  // namespace

// --- Preview ---------------------------------------------------------------

KlmSkinPreview::KlmSkinPreview(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("KLMSKINAEPREVIEWWNDCLASS"));
    setGeometry(0, 0, kBox, kBox);
}

void KlmSkinPreview::setPreview(const QImage& picture, const KlmRect& rect)
{
    picture_ = picture;
    rect_ = rect;
    update();
}

void KlmSkinPreview::paintEvent(QPaintEvent*)
{
    if (picture_.isNull())
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(rect(), picture_);
    if (rect_.w <= 0 || rect_.h <= 0)
        return;
    // A one-pixel outline on the rectangle's outermost pixels.
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(QColor(255, 255, 0), 0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(rect_.x, rect_.y, rect_.w - 1, rect_.h - 1);
}

// --- Add/edit dialog -------------------------------------------------------

KlmSkinEditDialog::KlmSkinEditDialog(SkinSlot& slot, int32_t editedIndex, const QString& slotLabel,
                                     const AppPaths& paths, QWidget* parent)
    : QDialog(parent), slot_(slot), edited_(editedIndex), label_(slotLabel), paths_(paths)
{
    setObjectName(QStringLiteral("33620"));
    const bool editing = edited_ >= 0 && edited_ < std::clamp(slot_.count, 0, kKlmMaxSkinsPerSlot);
    if (!editing)
        edited_ = -1;
    setWindowTitle((editing ? klmU("スナップスキン編集 - ") : klmU("スナップスキン追加 - ")) + slotLabel);

    const auto edit = [this](int id) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QString::number(id));
        return e;
    };
    name_ = edit(33621);
    path_ = edit(33622);
    for (int i = 0; i < 4; ++i)
        rect_[i] = edit(33624 + i);
    for (int i = 0; i < 2; ++i) {
        methods_[i] = new QComboBox(this);
        methods_[i]->setObjectName(QString::number(33628 + i));
        for (int32_t m = kKlmRoundUp; m <= kKlmRoundDown; ++m)
            methods_[i]->addItem(klmQ(klmSkinMethodName(m)));
    }
    QPushButton* browseButton = klmDialogButton(this, 33623, "参照...");
    QPushButton* refresh = klmDialogButton(this, 33630, "プレビューを更新する");

    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(path_, 1);
    pathRow->addWidget(browseButton);
    auto* form = new QFormLayout;
    form->addRow(klmU("スナップスキン名"), name_);
    form->addRow(klmU("ファイルパス"), pathRow);
    form->addRow(klmU("スナップ表示矩形の左上隅のX座標"), rect_[0]);
    form->addRow(klmU("スナップ表示矩形の左上隅のY座標"), rect_[1]);
    form->addRow(klmU("スナップ表示矩形の幅"), rect_[2]);
    form->addRow(klmU("スナップ表示矩形の高さ"), rect_[3]);
    form->addRow(klmU("位置"), methods_[0]);
    form->addRow(klmU("サイズ"), methods_[1]);
    form->addRow(QString(), refresh);

    box_ = new QWidget(this);
    box_->setFixedSize(KlmSkinPreview::kBox, KlmSkinPreview::kBox);
    preview_ = new KlmSkinPreview(box_);

    auto* top = new QHBoxLayout;
    top->addLayout(form, 1);
    top->addWidget(box_, 0, Qt::AlignTop);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(klmOkCancelButtons(this));

    const SnapSkin initial = editing ? slot_.skins[static_cast<size_t>(edited_)] : klmNewSnapSkin();
    if (editing) {
        const KlmSkinFields f = klmSkinFieldsOf(initial);
        name_->setText(klmQ(f.name));
        path_->setText(klmQ(f.framePath));
        rect_[0]->setText(QString::fromStdString(f.x));
        rect_[1]->setText(QString::fromStdString(f.y));
        rect_[2]->setText(QString::fromStdString(f.width));
        rect_[3]->setText(QString::fromStdString(f.height));
    }
    methods_[0]->setCurrentIndex(initial.positionMethod);
    methods_[1]->setCurrentIndex(initial.sizeMethod);
    if (editing)
        updatePreview();

    connect(browseButton, &QPushButton::clicked, this, &KlmSkinEditDialog::browse);
    connect(refresh, &QPushButton::clicked, this, &KlmSkinEditDialog::updatePreview);
    for (QComboBox* c : methods_)
        connect(c, &QComboBox::currentIndexChanged, this, &KlmSkinEditDialog::updatePreview);
}

KlmSkinFields KlmSkinEditDialog::fields() const
{
    KlmSkinFields f;
    f.name = klmCp(name_->text());
    f.framePath = klmCp(path_->text());
    f.x = rect_[0]->text().toStdString();
    f.y = rect_[1]->text().toStdString();
    f.width = rect_[2]->text().toStdString();
    f.height = rect_[3]->text().toStdString();
    f.positionMethod = methods_[0]->currentIndex();
    f.sizeMethod = methods_[1]->currentIndex();
    return f;
}

void KlmSkinEditDialog::browse()
{
    // The last choice is kept from one opening to the next.
    static QString last;
    QFileDialog dialog(this, klmU("スナップスキン選択 - ") + label_, QFileInfo(last).absolutePath(),
                       klmU("スナップスキンファイル(.png) (*.PNG *.png)"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (!last.isEmpty())
        dialog.selectFile(last);
    if (placer_)
        placer_(&dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    last = dialog.selectedFiles().constFirst();
    choosePath(last);
}

void KlmSkinEditDialog::choosePath(const QString& file)
{
    path_->setText(file);
    if (const auto parts = klmSkinRectFromFileName(file.toStdString())) {
        for (int i = 0; i < 4; ++i)
            rect_[i]->setText(QString::fromStdString((*parts)[static_cast<size_t>(i)]));
    }
    updatePreview();
}

void KlmSkinEditDialog::updatePreview()
{
    const QString file = framePathFile(paths_, klmCp(path_->text()));
    if (!QFileInfo(file).isFile()) {
        preview_->setPreview(QImage(), {});
        return;
    }
    QImageReader reader(file);
    const QSize own = reader.size();
    const QImage picture = reader.read();
    const KlmSize frame = own.isValid() ? KlmSize{own.width(), own.height()} : KlmSize{picture.width(), picture.height()};
    if (picture.isNull() || frame.empty()) {
        preview_->setPreview(QImage(), {});
        return;
    }
    const KlmRect fit = klmAspectFit(frame.w, frame.h, {0, 0, KlmSkinPreview::kBox, KlmSkinPreview::kBox});
    preview_->setGeometry(fit.x, fit.y, fit.w, fit.h);
    preview_->setPreview(picture, klmScaleSkinRect(klmSkinFromFields(fields()), frame, {fit.w, fit.h}));
}

void KlmSkinEditDialog::accept()
{
    const AppPaths& paths = paths_;
    const KlmSkinFileProbe exists = [&paths](const std::string& cp932Path) {
        return QFileInfo(framePathFile(paths, cp932Path)).isFile();
    };
    const KlmSkinCheck check = klmStoreSnapSkin(slot_, edited_, fields(), exists);
    if (check != KlmSkinCheck::Ok) {
        warn(this, klmSkinCheckMessage(check));
        return;
    }
    QDialog::accept();
}

// --- List dialog -----------------------------------------------------------

KlmSkinListDialog::KlmSkinListDialog(const SkinTable& table, const Catalogue& cat, const AppPaths& paths,
                                     int32_t rememberedSlot, QWidget* parent)
    : QDialog(parent), table_(table), cat_(cat), paths_(paths)
{
    setObjectName(QStringLiteral("33601"));
    setWindowTitle(klmU("スナップスキン"));

    rows_ = new QComboBox(this);
    rows_->setObjectName(QStringLiteral("33604"));
    for (int32_t r = 0; r < klmSkinRowCount(table_); ++r)
        rows_->addItem(klmQ(klmSkinRowLabel(table_, cat_, r)));
    kinds_ = new QComboBox(this);
    kinds_->setObjectName(QStringLiteral("33605"));
    for (int32_t k = kKlmSnapTitle; k <= kKlmSnapMovie; ++k)
        kinds_->addItem(klmQ(klmSnapKindName(k)));

    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("33606"));
    list_->setColumnCount(1);
    list_->setHeaderHidden(true);
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setIconSize(QSize(16, 16));
    list_->setColumnWidth(0, 170);
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list_, &QTreeWidget::customContextMenuRequested, this, &KlmSkinListDialog::showMenu);
    connect(list_, &QTreeWidget::itemDoubleClicked, this, [this] { choose(KlmSkinScope::Slot); });

    auto* side = new QVBoxLayout;
    const struct {
        int id;
        const char* caption;
        std::function<void()> run;
    } buttons[] = {
        {33607, "追加", [this] { add(); }},
        {33608, "編集", [this] { edit(); }},
        {33609, "上へ移動", [this] { move(-1); }},
        {33610, "下へ移動", [this] { move(+1); }},
        {33611, "削除", [this] { removeSelected(); }},
        {33612, "全て削除", [this] { removeAll(); }},
        {33613, "コピー", [this] { copySelected(); }},
        {33614, "貼り付け", [this] { paste(); }},
    };
    for (const auto& b : buttons) {
        QPushButton* pb = klmDialogButton(this, b.id, b.caption);
        connect(pb, &QPushButton::clicked, this, b.run);
        side->addWidget(pb);
    }
    side->addStretch(1);

    auto* combos = new QHBoxLayout;
    combos->addWidget(rows_, 1);
    combos->addWidget(kinds_, 1);
    auto* middle = new QHBoxLayout;
    middle->addWidget(list_, 1);
    middle->addLayout(side);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(combos);
    layout->addLayout(middle);
    layout->addWidget(klmOkCancelButtons(this));
    for (QPushButton* b : findChildren<QPushButton*>())
        b->setEnabled(!table_.slots.empty() || b->objectName() == QLatin1String("1") ||
                      b->objectName() == QLatin1String("2"));

    showSlot(klmSkinDialogSlot(table_, rememberedSlot));
    connect(rows_, &QComboBox::currentIndexChanged, this, [this](int row) { showSlot(row * 3 + kinds_->currentIndex()); });
    connect(kinds_, &QComboBox::currentIndexChanged, this, [this](int kind) { showSlot(rows_->currentIndex() * 3 + kind); });
}

SkinSlot* KlmSkinListDialog::slot()
{
    if (slot_ < 0 || static_cast<size_t>(slot_) >= table_.slots.size())
        return nullptr;
    return &table_.slots[static_cast<size_t>(slot_)];
}

void KlmSkinListDialog::showSlot(int32_t slot)
{
    if (slot < 0 || static_cast<size_t>(slot) >= table_.slots.size())
        return;
    slot_ = slot;
    const QSignalBlocker a(rows_), b(kinds_);
    rows_->setCurrentIndex(slot / 3);
    kinds_->setCurrentIndex(slot % 3);
    fill();
}

void KlmSkinListDialog::fill(int selectItem)
{
    list_->clear();
    const SkinSlot* s = slot();
    if (!s)
        return;
    const int chosen = s->selected + 1;  // item 0: the default frame
    const QIcon marks[2] = {checkIcon(paths_, false), checkIcon(paths_, true)};
    const int count = std::clamp(s->count, 0, kKlmMaxSkinsPerSlot);
    for (int i = 0; i <= count; ++i) {
        auto* item = new QTreeWidgetItem(list_);
        item->setText(0, klmQ(i == 0 ? klmDefaultFrameItemName()
                                     : std::string(klmField(s->skins[static_cast<size_t>(i - 1)].name))));
        item->setIcon(0, marks[i == chosen ? 1 : 0]);
    }
    const int select = selectItem >= 0 && selectItem <= count ? selectItem : chosen;
    if (QTreeWidgetItem* item = list_->topLevelItem(select)) {
        list_->setCurrentItem(item);
        list_->scrollToItem(item);
    }
}

int KlmSkinListDialog::currentItem() const
{
    QTreeWidgetItem* item = list_->currentItem();
    return item && item->isSelected() ? list_->indexOfTopLevelItem(item) : -1;
}

std::vector<int32_t> KlmSkinListDialog::selectedSkins() const
{
    std::vector<int32_t> skins;
    for (int i = 1; i < list_->topLevelItemCount(); ++i)
        if (list_->topLevelItem(i)->isSelected())
            skins.push_back(i - 1);
    return skins;
}

bool KlmSkinListDialog::runEditor(SkinSlot& s, int32_t edited)
{
    KlmSkinEditDialog dialog(s, edited, klmQ(klmSkinSlotLabel(table_, cat_, slot_)), paths_, this);
    if (placer_) {
        placer_(&dialog);
        dialog.setDialogPlacer(placer_);
    }
    return dialog.exec() == QDialog::Accepted;
}

void KlmSkinListDialog::add()
{
    SkinSlot* s = slot();
    if (!s)
        return;
    if (!klmCanAddSnapSkin(*s)) {
        warn(this, klmSkinCheckMessage(KlmSkinCheck::SlotFull));
        return;
    }
    if (runEditor(*s, -1))
        fill(s->count);
}

void KlmSkinListDialog::edit()
{
    SkinSlot* s = slot();
    const int item = currentItem();
    if (!s || item < 1)
        return;
    if (runEditor(*s, item - 1))
        fill(item);
}

void KlmSkinListDialog::move(int step)
{
    SkinSlot* s = slot();
    const int item = currentItem();
    if (!s || item < 1)
        return;
    fill(klmMoveSnapSkin(*s, item - 1, step) + 1);
}

void KlmSkinListDialog::removeSelected()
{
    SkinSlot* s = slot();
    const std::vector<int32_t> skins = selectedSkins();
    if (!s || skins.empty())
        return;
    if (!confirm(this, klmSkinDeleteQuestion(table_, cat_, slot_, static_cast<int32_t>(skins.size()), "\n"),
                 "削除確認"))
        return;
    klmDeleteSnapSkins(*s, skins);
    fill();
}

void KlmSkinListDialog::removeAll()
{
    SkinSlot* s = slot();
    if (!s || !confirm(this, klmSkinDeleteAllQuestion(table_, cat_, slot_, "\n"), "削除確認"))
        return;
    klmDeleteAllSnapSkins(*s);
    fill();
}

void KlmSkinListDialog::copySelected()
{
    if (const SkinSlot* s = slot())
        buffer_ = klmCopySnapSkins(*s, selectedSkins());
}

void KlmSkinListDialog::paste()
{
    if (SkinSlot* s = slot()) {
        klmPasteSnapSkins(*s, buffer_);
        fill();
    }
}

void KlmSkinListDialog::choose(KlmSkinScope scope)
{
    const int item = currentItem();
    if (!slot() || item < 0)
        return;
    const std::string question = klmSkinScopeQuestion(table_, cat_, slot_, scope);
    if (!question.empty() && !confirm(this, question, "確認"))
        return;
    klmChooseSnapSkin(table_, slot_, item, scope);
    fill();
}

QStringList KlmSkinListDialog::menuTexts() const
{
    QStringList texts;
    for (KlmSkinScope scope : {KlmSkinScope::Slot, KlmSkinScope::Row, KlmSkinScope::Kind, KlmSkinScope::All})
        texts << klmQ(klmSkinScopeMenuText(table_, cat_, slot_, scope));
    return texts;
}

void KlmSkinListDialog::showMenu(const QPoint& at)
{
    if (!slot() || !list_->itemAt(at))
        return;
    QMenu menu(this);
    const QStringList texts = menuTexts();
    const std::pair<int, KlmSkinScope> entries[] = {
        {33615, KlmSkinScope::Slot}, {33617, KlmSkinScope::Row}, {33616, KlmSkinScope::Kind}, {33618, KlmSkinScope::All}};
    for (int i = 0; i < 4; ++i) {
        QAction* a = menu.addAction(texts[i]);
        a->setData(entries[i].first);
        const KlmSkinScope scope = entries[i].second;
        connect(a, &QAction::triggered, this, [this, scope] { choose(scope); });
    }
    menu.exec(list_->viewport()->mapToGlobal(at));
}
