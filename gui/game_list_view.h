// The game list (1001): a table view over the ViewList that reads the
// Catalogue on demand, with its own keys (Enter launches), the wheel
// selection, the column headers (a click sorts) and the list's selection.
#pragma once

#include <QTableView>

#include <cstdint>
#include <vector>

struct KlmAppContext;
class GameListModel;

class KlmGameListView : public QTableView {
    Q_OBJECT
public:
    KlmGameListView(KlmAppContext& ctx, QWidget* parent);

    GameListModel* gameModel() const { return model_; }

    // Makes row the only selected and the current row; scrolls it into
    // view when asked.
    void selectRow(int row, bool scroll);
    // The selected rows, ascending.
    std::vector<int32_t> selectedRowList() const;

    // After the shown columns changed: the model again, the stored widths
    // and the sort mark.
    void rebuildColumns();
    // The widths as the user left them, into the settings.
    void storeColumnWidths();
    void restoreColumnWidths();
    void updateHeaderArrow();

Q_SIGNALS:
    // Enter or a double-click on a row.
    void launchRequested();
    void gameMenuRequested(const QPoint& globalPos);
    void currentRowChanged(int row);
    // A header click changed the sort column or direction: refresh.
    void sortChanged();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void columnClicked(int section);

    KlmAppContext& ctx_;
    GameListModel* model_ = nullptr;
};
