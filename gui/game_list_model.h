// The game list's model: rows are the ViewList's first `listed` entries,
// cells are read from the Catalogue when the view asks for them. Nothing
// is copied per row, so 200,000 games cost no more than 20.
#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <QStyledItemDelegate>
#include <QVector>

#include <cstddef>

// Bytes an info tip may take, terminator included.
inline constexpr size_t kKlmInfoTipBufferSize = 1024;

struct KlmAppContext;

class GameListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit GameListModel(KlmAppContext& ctx, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Catalogue index of a row, −1 outside the list.
    int32_t gameAt(int row) const;
    // Row of a catalogue index among the listed rows, −1 when not listed.
    int rowOf(int32_t game) const;

    // After the ViewList or the shown columns changed. The list has no rows
    // before the first reset: the window sets up its fonts and columns
    // before the first refresh, and the view would otherwise resize a
    // header section per game at every step.
    void reset();
    // Loads the 16 × 16 icons of the hardware (h*.ico) and software (s*.ico)
    // tables, one per image number; a missing file leaves a blank.
    void loadIcons();

    // How many cells data() has answered (bench_window reads this).
    mutable qint64 cellRequests = 0;

private:
    KlmAppContext& ctx_;
    bool listed_ = false;
    QVector<QIcon> hardwareIcons_;
    QVector<QIcon> softwareIcons_;
};

// Paints a selected row white on its ownership colour when row colouring
// is on; otherwise the style's own highlight.
class GameListDelegate : public QStyledItemDelegate {
public:
    GameListDelegate(KlmAppContext& ctx, QObject* parent) : QStyledItemDelegate(parent), ctx_(ctx) {}

    // The standard tip: the whole cell text when the cell cuts it.
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    KlmAppContext& ctx_;
};
