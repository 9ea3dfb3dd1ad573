#include "game_list_view.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QWheelEvent>

#include <algorithm>

#include "browse/refresh.h"
#include "game_list_model.h"
#include "session/app_context.h"
#include "ui/window_rules.h"

KlmGameListView::KlmGameListView(KlmAppContext& ctx, QWidget* parent) : QTableView(parent), ctx_(ctx)
{
    setObjectName(QStringLiteral("1001"));
    model_ = new GameListModel(ctx_, this);
    setModel(model_);
    setItemDelegate(new GameListDelegate(ctx_, this));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setTextElideMode(Qt::ElideRight);
    setIconSize(QSize(16, 16));
    setContextMenuPolicy(Qt::CustomContextMenu);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setTabKeyNavigation(false);
    // Fixed row heights: the view never measures rows it does not show.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    verticalHeader()->hide();
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &KlmGameListView::columnClicked);
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { Q_EMIT currentRowChanged(current.row()); });
    connect(this, &QTableView::doubleClicked, this, [this] { Q_EMIT launchRequested(); });
    connect(this, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { Q_EMIT gameMenuRequested(viewport()->mapToGlobal(pos)); });
}

void KlmGameListView::selectRow(int row, bool scroll)
{
    const QModelIndex index = model_->index(row, 0);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    if (scroll) scrollTo(index);
}

std::vector<int32_t> KlmGameListView::selectedRowList() const
{
    std::vector<int32_t> rows;
    for (const QModelIndex& index : selectionModel()->selectedRows()) rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void KlmGameListView::rebuildColumns()
{
    model_->reset();
    restoreColumnWidths();
    updateHeaderArrow();
}

void KlmGameListView::storeColumnWidths()
{
    Settings& s = ctx_.state.settings;
    for (int i = 0; i < model_->columnCount(); ++i) s.shownColumns.items[i].width = columnWidth(i);
}

void KlmGameListView::restoreColumnWidths()
{
    const Settings& s = ctx_.state.settings;
    for (int i = 0; i < model_->columnCount(); ++i) setColumnWidth(i, std::max(s.shownColumns.items[i].width, 0));
}

void KlmGameListView::updateHeaderArrow()
{
    const Settings& s = ctx_.state.settings;
    QHeaderView* h = horizontalHeader();
    for (int c = 0; c < model_->columnCount(); ++c) {
        const KlmHeaderArrow arrow = klmHeaderArrow(s, c);
        if (arrow == KlmHeaderArrow::None) continue;
        h->setSortIndicatorShown(true);
        // QHeaderView draws a downward arrow for AscendingOrder; the list
        // shows an upward arrow for ascending, so the order is swapped here.
        h->setSortIndicator(c, arrow == KlmHeaderArrow::Up ? Qt::DescendingOrder : Qt::AscendingOrder);
        return;
    }
    h->setSortIndicatorShown(false);
}

void KlmGameListView::columnClicked(int section)
{
    // Capture widths first: the reset of the model must not lose them.
    storeColumnWidths();
    if (!klmColumnClick(ctx_.state.settings, section)) return;
    Q_EMIT sortChanged();
    restoreColumnWidths();
    updateHeaderArrow();
}

void KlmGameListView::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        Q_EMIT launchRequested();
        return;
    }
    QTableView::keyPressEvent(event);
}

void KlmGameListView::wheelEvent(QWheelEvent* event)
{
    const KlmMainState& st = ctx_.state;
    if (!st.settings.wheelSelection) {
        QTableView::wheelEvent(event);
        return;
    }
    event->accept();
    const int row = currentIndex().row();
    if (st.settings.selectedGame < 0 || row < 0) return;
    const int target = klmWheelSelectRow(row, event->angleDelta().y() / 120, st.browse.view.count);
    if (target >= 0) selectRow(target, st.startupComplete);
}
