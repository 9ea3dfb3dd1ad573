#include "game_list_model.h"

#include <QAbstractItemView>
#include <QColor>
#include <QHelpEvent>
#include <QToolTip>
#include <QFile>
#include <QPixmap>

#include "session/app_context.h"
#include "ui/window_rules.h"
#include "qt_font.h"
#include "qt_text.h"
#include "ui/game_text.h"

namespace {

QVector<QIcon> loadIconList(const std::vector<MasterEntry>& table, const std::string& folder, char prefix)
{
    int32_t top = -1;
    for (const MasterEntry& e : table) top = std::max(top, e.imageNumber);
    QVector<QIcon> icons;
    icons.reserve(top + 1);
    for (int32_t k = 0; k <= top; ++k) {
        QString path = QString::fromStdString(folder) + QLatin1Char('/') + QLatin1Char(prefix) +
                       QString::number(k) + QStringLiteral(".ico");
        QIcon icon;
        if (QFile::exists(path)) {
            QPixmap pm(path);
            if (!pm.isNull()) icon = QIcon(pm.scaled(16, 16, Qt::KeepAspectRatio, Qt::SmoothTransformation));
        }
        icons.push_back(icon);  // the position is kept even when blank
    }
    return icons;
}

}  // namespace

GameListModel::GameListModel(KlmAppContext& ctx, QObject* parent) : QAbstractTableModel(parent), ctx_(ctx) {}

void GameListModel::loadIcons()
{
    hardwareIcons_ = loadIconList(ctx_.catalogue.hardware, ctx_.paths.iconDir, 'h');
    softwareIcons_ = loadIconList(ctx_.catalogue.software, ctx_.paths.iconDir, 's');
}

int GameListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() || !listed_ ? 0 : ctx_.state.browse.view.count;
}

int GameListModel::columnCount(const QModelIndex& parent) const
{
    if (parent.isValid()) return 0;
    int32_t n = ctx_.state.settings.shownColumns.count;
    return n < 0 ? 0 : std::min<int32_t>(n, KlmColumnList::kSlots);
}

int32_t GameListModel::gameAt(int row) const
{
    if (row < 0 || row >= rowCount()) return -1;
    return ctx_.state.browse.view.rows[static_cast<size_t>(row)];
}

int GameListModel::rowOf(int32_t game) const
{
    if (game < 0) return -1;
    for (int r = 0, n = rowCount(); r < n; ++r)
        if (ctx_.state.browse.view.rows[static_cast<size_t>(r)] == game) return r;
    return -1;
}

void GameListModel::reset()
{
    beginResetModel();
    listed_ = true;
    endResetModel();
}

QVariant GameListModel::data(const QModelIndex& index, int role) const
{
    int32_t game = gameAt(index.row());
    if (game < 0 || index.column() >= columnCount()) return {};
    const Settings& s = ctx_.state.settings;
    const GameRecord& g = ctx_.catalogue.games[static_cast<size_t>(game)];
    switch (role) {
    case Qt::DisplayRole: {
        ++cellRequests;
        return klmQ(klmFieldText(ctx_.catalogue, game, s.shownColumns.items[index.column()].field));
    }
    case Qt::DecorationRole: {
        if (index.column() != 0) return {};
        bool hardware = s.listIconSource == 100;
        const auto& table = hardware ? ctx_.catalogue.hardware : ctx_.catalogue.software;
        int32_t pos = hardware ? g.hardware : g.software;
        if (pos < 0 || static_cast<size_t>(pos) >= table.size()) return {};
        int32_t image = table[static_cast<size_t>(pos)].imageNumber;
        const QVector<QIcon>& icons = hardware ? hardwareIcons_ : softwareIcons_;
        if (image < 0 || image >= icons.size() || icons[image].isNull()) {
            // A blank of the same size keeps every title aligned.
            static const QIcon blank = [] {
                QPixmap pm(16, 16);
                pm.fill(Qt::transparent);
                return QIcon(pm);
            }();
            return blank;
        }
        return icons[image];
    }
    case Qt::ForegroundRole:
        if (!s.colourByOwnership) return QColor(Qt::black);
        return klmQColor(klmOwnershipColour(s, g.ownership));
    case Qt::BackgroundRole:
        if (!s.striped) return {};
        // The stripe follows the row number, not the game.
        return index.row() % 2 == 0 ? QColor(255, 255, 255) : QColor(230, 230, 230);
    case Qt::ToolTipRole: {
        // "標準" leaves the view's own tip (the cell text when it is cut).
        if (s.tooltipContent != 1 && s.tooltipContent != 2) return {};
        std::string tip = klmBuildInfoText(ctx_.catalogue, s, game,
                                           s.tooltipContent == 1 ? KlmInfoLayout::Detailed : KlmInfoLayout::Simple);
        // The list's tip buffer holds 1024 bytes with the terminator; a
        // longer text leaves the standard tip.
        if (tip.size() + 1 > kKlmInfoTipBufferSize) return {};
        return klmQ(tip).replace(QStringLiteral("\r\n"), QStringLiteral("\n")).trimmed();
    }
    case Qt::UserRole:
        return game;
    default:
        return {};
    }
}

QVariant GameListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    if (section < 0 || section >= columnCount()) return {};
    return klmQ(klmFieldCaption(ctx_.state.settings.shownColumns.items[section].field));
}

bool GameListDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                                 const QModelIndex& index)
{
    if (!event || !view || event->type() != QEvent::ToolTip || !index.isValid() ||
        index.data(Qt::ToolTipRole).isValid())
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    QStyleOptionViewItem opt(option);
    initStyleOption(&opt, index);
    const QRect textRect = view->style()->subElementRect(QStyle::SE_ItemViewItemText, &opt, view);
    if (!opt.text.isEmpty() && opt.fontMetrics.horizontalAdvance(opt.text) > textRect.width()) {
        QToolTip::showText(event->globalPos(), opt.text, view);
        return true;
    }
    QToolTip::hideText();
    event->ignore();
    return false;
}

void GameListDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    const Settings& s = ctx_.state.settings;
    if (!(option->state & QStyle::State_Selected) || !s.colourByOwnership) return;
    int32_t game = index.data(Qt::UserRole).toInt();
    if (game < 0 || game >= klmGameCount(ctx_.catalogue)) return;
    QColor colour = klmQColor(klmOwnershipColour(s, ctx_.catalogue.games[static_cast<size_t>(game)].ownership));
    option->state &= ~QStyle::State_Selected;
    option->backgroundBrush = colour;
    option->palette.setColor(QPalette::Text, Qt::white);
    option->palette.setColor(QPalette::WindowText, Qt::white);
}
