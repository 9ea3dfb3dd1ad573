// The snap-skin dialogs: the list (33601, "スナップスキン") on a working copy
// of the skin table, and the add/edit dialog (33620) for one skin with its
// 320 × 320 preview. The rules are core/media/skin_edit; these only show
// them. OK of the list hands the copy back (table(), currentSlot()); the
// caller stores both, remembers the slot in the settings and lays the
// window out again.
#pragma once

#include <QDialog>
#include <QImage>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "catalogue/app_paths.h"
#include "catalogue/catalogue.h"
#include "media/panes.h"
#include "media/skin_edit.h"
#include "media/skins.h"

class QComboBox;
class QLineEdit;
class QTreeWidget;

// Places a dialog opened from these (centred when the settings ask for it).
using KlmDialogPlacer = std::function<void(QWidget* dialog)>;

// The preview (KLMSKINAEPREVIEWWNDCLASS): the frame picture stretched over
// the whole preview, with the snapshot rectangle outlined in yellow.
class KlmSkinPreview : public QWidget {
    Q_OBJECT
public:
    static constexpr int kBox = 320;

    explicit KlmSkinPreview(QWidget* parent);

    // picture null clears the preview; rect is in preview coordinates.
    void setPreview(const QImage& picture, const KlmRect& rect);
    bool hasPicture() const { return !picture_.isNull(); }
    KlmRect outline() const { return rect_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage picture_;
    KlmRect rect_;
};

class KlmSkinEditDialog : public QDialog {
    Q_OBJECT
public:
    // editedIndex −1 adds a skin to slot; otherwise that skin is edited.
    // slot is changed only when OK passes every check.
    KlmSkinEditDialog(SkinSlot& slot, int32_t editedIndex, const QString& slotLabel, const AppPaths& paths,
                      QWidget* parent);

    QLineEdit* nameEdit() const { return name_; }      // 33621
    QLineEdit* pathEdit() const { return path_; }      // 33622
    QLineEdit* rectEdit(int i) const { return rect_[i]; }  // 33624–33627: X, Y, width, height
    QComboBox* positionCombo() const { return methods_[0]; }  // 33628
    QComboBox* sizeCombo() const { return methods_[1]; }      // 33629
    KlmSkinPreview* preview() const { return preview_; }
    // Where the preview box starts (the preview is fitted into it).
    QWidget* previewBox() const { return box_; }

    void setDialogPlacer(KlmDialogPlacer placer) { placer_ = std::move(placer); }

    // 33623: the file picker; a chosen file goes to choosePath.
    void browse();
    // A frame file was chosen: the path field takes it, the rectangle fields
    // follow its name when it has four "_", and the preview is updated.
    void choosePath(const QString& file);
    // 33630 and every method change.
    void updatePreview();

    void accept() override;

private:
    KlmSkinFields fields() const;

    SkinSlot& slot_;
    int32_t edited_;
    QString label_;
    const AppPaths& paths_;
    QLineEdit* name_ = nullptr;
    QLineEdit* path_ = nullptr;
    QLineEdit* rect_[4] = {};
    QComboBox* methods_[2] = {};
    QWidget* box_ = nullptr;
    KlmSkinPreview* preview_ = nullptr;
    KlmDialogPlacer placer_;
};

class KlmSkinListDialog : public QDialog {
    Q_OBJECT
public:
    KlmSkinListDialog(const SkinTable& table, const Catalogue& cat, const AppPaths& paths, int32_t rememberedSlot,
                      QWidget* parent);

    const SkinTable& table() const { return table_; }
    int32_t currentSlot() const { return slot_; }
    QComboBox* rowCombo() const { return rows_; }    // 33604
    QComboBox* kindCombo() const { return kinds_; }  // 33605
    QTreeWidget* list() const { return list_; }      // 33606
    // The add/edit dialog and its file picker are placed by this.
    void setDialogPlacer(KlmDialogPlacer placer) { placer_ = std::move(placer); }

    // The buttons and menu entries, by what they do.
    void add();                 // 33607
    void edit();                // 33608
    void move(int step);        // 33609 (−1), 33610 (+1)
    void removeSelected();      // 33611
    void removeAll();           // 33612
    void copySelected();        // 33613
    void paste();               // 33614
    // "スナップスキンに設定" and the three "全ての…" entries for the current item.
    void choose(KlmSkinScope scope);
    // The texts of the right-click menu, in order.
    QStringList menuTexts() const;
    int copied() const { return static_cast<int>(buffer_.size()); }

private:
    void showMenu(const QPoint& at);
    void showSlot(int32_t slot);
    void fill(int selectItem = -1);
    int currentItem() const;
    std::vector<int32_t> selectedSkins() const;
    SkinSlot* slot();
    // The add (edited −1) or edit dialog on s; true on OK.
    bool runEditor(SkinSlot& s, int32_t edited);

    SkinTable table_;
    const Catalogue& cat_;
    const AppPaths& paths_;
    int32_t slot_ = -1;
    std::vector<SnapSkin> buffer_;
    KlmDialogPlacer placer_;
    QComboBox* rows_ = nullptr;
    QComboBox* kinds_ = nullptr;
    QTreeWidget* list_ = nullptr;
};
