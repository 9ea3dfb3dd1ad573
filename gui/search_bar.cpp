#include "search_bar.h"

#include <QAbstractListModel>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

#include <algorithm>
#include <iterator>

#include "browse/match.h"
#include "browse/search_bar.h"
#include "command_router.h"
#include "command_table.h"
#include "layout/window_layout.h"
#include "qt_text.h"
#include "session/app_context.h"
#include "window_services.h"

namespace {

constexpr int32_t kListIds[] = {kKlmIdKindList, kKlmIdHardwareList, kKlmIdSoftwareList, kKlmIdDeveloperList,
                                kKlmIdPublisherList, kKlmIdGenreList, kKlmIdScreenList, kKlmIdYearList,
                                kKlmIdYearQualifierList, kKlmIdPriceList, kKlmIdPriceQualifierList,
                                kKlmIdRomSizeList, kKlmIdRomSizeQualifierList};
constexpr int32_t kQualifierIds[] = {kKlmIdYearQualifierList, kKlmIdPriceQualifierList, kKlmIdRomSizeQualifierList};

// The reset pop-ups belong to the main window: the command is sent there.
class ResetPopupFilter : public QObject {
public:
    ResetPopupFilter(SearchBar* bar, int32_t command) : QObject(bar), bar_(bar), command_(command) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::ContextMenu) return false;
        auto* e = static_cast<QContextMenuEvent*>(event);
        QMenu menu(static_cast<QWidget*>(watched));
        if (command_ == kKlmCmdResetAll) {
            for (int32_t id = kKlmCmdResetAll; id <= kKlmCmdResetRomSize; ++id)
                if (const KlmCommandDef* def = klmCommandDef(id))
                    menu.addAction(QString::fromUtf8(def->caption))->setData(id);
        } else {
            menu.addAction(klmQ(kKlmResetItemText))->setData(command_);
        }
        if (QAction* chosen = menu.exec(e->globalPos())) Q_EMIT bar_->command(chosen->data().toInt());
        return true;
    }

private:
    SearchBar* bar_;
    int32_t command_;
};

// A table's list asks the catalogue for each text it shows rather than
// holding a copy of every name: with ten thousand makers, items and strings
// would cost megabytes and the window's start tens of milliseconds.
class NameListModel : public QAbstractListModel {
public:
    NameListModel(const Catalogue& cat, KlmNameCondition which, QObject* parent)
        : QAbstractListModel(parent), cat_(cat), which_(which)
    {
    }

    void reload()
    {
        beginResetModel();
        count_ = klmNameConditionListCount(cat_, which_);
        endResetModel();
    }

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : count_; }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid() || index.row() >= count_ || (role != Qt::DisplayRole && role != Qt::EditRole))
            return {};
        return klmQ(klmNameConditionListText(cat_, which_, index.row()));
    }

private:
    const Catalogue& cat_;
    KlmNameCondition which_;
    int count_ = 0;
};

}  // namespace

SearchBar::SearchBar(KlmAppContext& ctx, QWidget* parent) : QWidget(parent), ctx_(ctx)
{
    edit_ = new QLineEdit(this);
    edit_->setObjectName(QString::number(kKlmIdSearchText));
    edit_->setMaxLength(255);
    for (int32_t id : kListIds) {
        auto* box = new QComboBox(this);
        box->setObjectName(QString::number(id));
        box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        box->setMinimumContentsLength(1);
        box->setMaxVisibleItems(300 / std::max(box->fontMetrics().height(), 1));
        lists_[static_cast<size_t>(id - kKlmIdHardwareList)] = box;
    }
    for (const KlmNameConditionDef& d : kKlmNameConditions)
        list(d.listControl)->setModel(new NameListModel(ctx_.catalogue, d.which, list(d.listControl)));
    resetButton_ = new QPushButton(klmU("リセット"), this);
    resetButton_->setObjectName(QString::number(kKlmIdResetButton));
    // Enter on the focused button resets as a click does (a button outside
    // a dialog answers only the space bar otherwise).
    resetButton_->setAutoDefault(true);

    // textChanged carries committed text only: an input-method composition
    // still open is preedit and does not refresh the list.
    connect(edit_, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (quiet_) return;
        klmSetSearchText(ctx_.state.settings.search, klmCp(text));
        Q_EMIT changed();
    });
    for (int32_t id : kListIds)
        connect(list(id), &QComboBox::currentIndexChanged, this, [this, id](int index) { listChanged(id, index); });
    // The button's full reset leaves the focus where it is; only the menu
    // command moves it to the list.
    connect(resetButton_, &QPushButton::clicked, this, [this] { reset(kKlmCmdResetAll); });
    setupResetMenus();
}

QComboBox* SearchBar::list(int32_t controlId) const
{
    if (controlId < kKlmIdHardwareList || controlId > kKlmIdRomSizeQualifierList) return nullptr;
    return lists_[static_cast<size_t>(controlId - kKlmIdHardwareList)];
}

void SearchBar::setupResetMenus()
{
    resetButton_->installEventFilter(new ResetPopupFilter(this, kKlmCmdResetAll));
    for (int32_t id : kListIds)
        if (const int32_t cmd = klmResetCommandOfControl(id)) list(id)->installEventFilter(new ResetPopupFilter(this, cmd));
}

void SearchBar::fillLists()
{
    quiet_ = true;
    const Catalogue& cat = ctx_.catalogue;
    const SearchCondition& cond = ctx_.state.settings.search;
    auto fill = [](QComboBox* box, const std::vector<std::string>& items) {
        box->clear();
        QStringList texts;
        texts.reserve(static_cast<qsizetype>(items.size()));
        for (const std::string& s : items) texts.push_back(klmQ(s));
        box->addItems(texts);
    };
    std::vector<std::string> kinds;
    for (int32_t k = 0; k < kKlmSearchKindCount; ++k) kinds.emplace_back(klmSearchKindLabel(k));
    fill(list(kKlmIdKindList), kinds);
    for (const KlmNameConditionDef& d : kKlmNameConditions)
        static_cast<NameListModel*>(list(d.listControl)->model())->reload();
    fill(list(kKlmIdYearList), klmYearListTexts(cond));
    fill(list(kKlmIdYearQualifierList), klmYearQualifierTexts());
    fill(list(kKlmIdPriceList), klmPriceListTexts(cond));
    fill(list(kKlmIdPriceQualifierList), klmPriceQualifierTexts());
    fill(list(kKlmIdRomSizeList), klmRomSizeListTexts(cat));
    fill(list(kKlmIdRomSizeQualifierList), klmRomSizeQualifierTexts());
    quiet_ = false;
}

void SearchBar::showCondition()
{
    quiet_ = true;
    const SearchCondition& cond = ctx_.state.settings.search;
    edit_->setText(klmQ(klmField(cond.searchText)));
    for (int32_t id : kListIds) list(id)->setCurrentIndex(klmSearchBarSelection(cond, id));
    updateQualifiers();
    quiet_ = false;
}

void SearchBar::updateQualifiers()
{
    for (int32_t id : kQualifierIds) list(id)->setEnabled(klmQualifierEnabled(ctx_.state.settings.search, id));
}

void SearchBar::listChanged(int32_t controlId, int index)
{
    if (quiet_) return;
    if (index >= 0 && klmSetSearchBarSelection(ctx_.state.settings.search, controlId, index)) Q_EMIT changed();
    updateQualifiers();
}

bool SearchBar::reset(int32_t command)
{
    if (klmResetSearch(ctx_.state.settings.search, command) != KlmSearchOutcome::Changed) return false;
    // Show what was stored without a refresh per control, then refresh once.
    showCondition();
    Q_EMIT changed();
    return true;
}

void SearchBar::searchBySelected(int32_t command, int32_t game, const std::function<void()>& beep)
{
    SearchCondition& c = ctx_.state.settings.search;
    const KlmSearchOutcome outcome = klmSearchBySelectedGame(c, command, ctx_.catalogue, game);
    if (outcome == KlmSearchOutcome::Beep) beep();
    if (outcome != KlmSearchOutcome::Changed) return;
    showCondition();
    Q_EMIT changed();
    if (command == kKlmCmdSearchTitle) {
        edit_->selectAll();
        edit_->setFocus();
    }
}

void SearchBar::placeControls(const KlmLayout& l)
{
    const KlmRect* rects[] = {&l.kindCombo, &l.searchEdit, &l.resetButton, &l.hardware, &l.software,
                              &l.developer, &l.publisher, &l.genre, &l.screen, &l.year, &l.yearQualifier,
                              &l.price, &l.priceQualifier, &l.romSize, &l.romSizeQualifier};
    QWidget* widgets[] = {list(kKlmIdKindList), edit_, resetButton_, list(kKlmIdHardwareList),
                          list(kKlmIdSoftwareList), list(kKlmIdDeveloperList), list(kKlmIdPublisherList),
                          list(kKlmIdGenreList), list(kKlmIdScreenList), list(kKlmIdYearList),
                          list(kKlmIdYearQualifierList), list(kKlmIdPriceList), list(kKlmIdPriceQualifierList),
                          list(kKlmIdRomSizeList), list(kKlmIdRomSizeQualifierList)};
    // The bar covers just the search rows, so it never lies over the panes.
    QRect area;
    for (const KlmRect* r : rects) area = area.united(QRect(r->x, r->y, r->w, r->h));
    setGeometry(area);
    for (size_t i = 0; i < std::size(rects); ++i)
        widgets[i]->setGeometry(rects[i]->x - area.x(), rects[i]->y - area.y(), rects[i]->w, rects[i]->h);
}

int SearchBar::comboHeight() const { return list(kKlmIdHardwareList)->sizeHint().height(); }
int SearchBar::resetButtonWidth() const { return resetButton_->sizeHint().width(); }

QWidget* SearchBar::control(int32_t controlId) const
{
    if (controlId == kKlmIdSearchText) return edit_;
    if (controlId == kKlmIdResetButton) return resetButton_;
    return list(controlId);
}

void klmRegisterSearchCommands(KlmCommandRouter& router, KlmWindowServices& services, SearchBar& bar)
{
    router.add(kKlmCmdSearchTitle, kKlmCmdSearchRomSize, [&services, &bar](int32_t id) {
        bar.searchBySelected(id, services.settings().selectedGame, [&services] { services.messages().beep(); });
        if (id != kKlmCmdSearchTitle) services.focusList();
    });
    router.add(kKlmCmdResetAll, kKlmCmdResetRomSize, [&services, &bar](int32_t id) {
        bar.reset(id);
        services.focusList();
    });
}
