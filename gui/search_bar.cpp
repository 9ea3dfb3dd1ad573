#include "search_bar.h"

#include <QComboBox>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

#include <algorithm>
#include <iterator>

#include "app_state.h"
#include "commands.h"
#include "message_box.h"
#include "qt_text.h"
#include "browse/match.h"
#include "browse/search_bar.h"
#include "layout/window_layout.h"

namespace {

constexpr int kListIds[] = {1017, 1004, 1005, 1006, 1007, 1008, 1009, 1013, 1014, 1015, 1016, 1018, 1019};

// The reset command of a value list's "リセット" pop-up.
int resetCommandOf(int controlId)
{
    switch (controlId) {
    case 1017: return 33011;
    case 1004: return 33012;
    case 1005: return 33013;
    case 1006: return 33014;
    case 1007: return 33015;
    case 1008: return 33016;
    case 1009: return 33017;
    case 1013: return 33018;
    case 1015: return 33019;
    case 1018: return 33020;
    default: return 0;  // the qualifier lists have no pop-up
    }
}

// The reset pop-ups belong to the main window: the command is sent there.
class ResetPopupFilter : public QObject {
public:
    ResetPopupFilter(SearchBar* bar, int command) : QObject(bar), bar_(bar), command_(command) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::ContextMenu) return false;
        auto* e = static_cast<QContextMenuEvent*>(event);
        QMenu menu(static_cast<QWidget*>(watched));
        if (command_ == 33010) {
            for (const KlmCommandDef& def : klmCommandTable())
                if (def.id >= 33010 && def.id <= 33020)
                    menu.addAction(QString::fromUtf8(def.caption))->setData(def.id);
        } else {
            menu.addAction(klmU("リセット"))->setData(command_);
        }
        if (QAction* chosen = menu.exec(e->globalPos())) Q_EMIT bar_->command(chosen->data().toInt());
        return true;
    }

private:
    SearchBar* bar_;
    int command_;
};

}  // namespace

SearchBar::SearchBar(KlmAppContext& ctx, QWidget* parent) : QWidget(parent), ctx_(ctx)
{
    edit_ = new QLineEdit(this);
    edit_->setObjectName(QStringLiteral("1003"));
    edit_->setMaxLength(255);
    for (int id : kListIds) {
        auto* box = new QComboBox(this);
        box->setObjectName(QString::number(id));
        box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        box->setMinimumContentsLength(6);
        lists_[static_cast<size_t>(id - 1004)] = box;
    }
    resetButton_ = new QPushButton(klmU("リセット"), this);
    resetButton_->setObjectName(QStringLiteral("1011"));

    for (int id : kListIds) {
        list(id)->setMaxVisibleItems(300 / std::max(list(id)->fontMetrics().height(), 1));
        list(id)->setMinimumContentsLength(1);
        list(id)->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    }

    // textChanged carries committed text only: an input-method composition
    // still open is preedit and does not refresh the list.
    connect(edit_, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (quiet_) return;
        klmSetSearchText(ctx_.state.settings.search, klmCp(text));
        Q_EMIT changed();
    });
    for (int id : kListIds) {
        connect(list(id), &QComboBox::currentIndexChanged, this, [this, id](int index) { listChanged(id, index); });
    }
    connect(resetButton_, &QPushButton::clicked, this, [this] { Q_EMIT command(klmcmd::ResetAll); });
    setupResetMenus();
}

QComboBox* SearchBar::list(int controlId) const
{
    if (controlId < 1004 || controlId > 1019) return nullptr;
    return lists_[static_cast<size_t>(controlId - 1004)];
}

void SearchBar::setupResetMenus()
{
    resetButton_->installEventFilter(new ResetPopupFilter(this, 33010));
    for (int id : kListIds)
        if (int cmd = resetCommandOf(id)) list(id)->installEventFilter(new ResetPopupFilter(this, cmd));
}

int32_t* SearchBar::field(int controlId) const
{
    SearchCondition& c = ctx_.state.settings.search;
    switch (controlId) {
    case 1017: return &c.searchKind;
    case 1004: return &c.hardware;
    case 1005: return &c.software;
    case 1006: return &c.developer;
    case 1007: return &c.publisher;
    case 1008: return &c.genre;
    case 1009: return &c.screen;
    case 1013: return &c.year;
    case 1014: return &c.yearQualifier;
    case 1015: return &c.price;
    case 1016: return &c.priceQualifier;
    case 1018: return &c.romSize;
    case 1019: return &c.romSizeQualifier;
    default: return nullptr;
    }
}

void SearchBar::fillLists()
{
    quiet_ = true;
    const Catalogue& cat = ctx_.catalogue;
    SearchCondition& cond = ctx_.state.settings.search;
    klmComputeYearPriceRanges(cond, cat);
    auto fill = [](QComboBox* box, const std::vector<std::string>& items) {
        box->clear();
        QStringList texts;
        texts.reserve(static_cast<qsizetype>(items.size()));
        for (const std::string& s : items) texts.push_back(klmQ(s));
        box->addItems(texts);
    };
    std::vector<std::string> kinds;
    for (int32_t k = 0; k < kKlmSearchKindCount; ++k) kinds.emplace_back(klmSearchKindLabel(k));
    fill(list(1017), kinds);
    static constexpr KlmNameCondition kTables[] = {KlmNameCondition::Hardware, KlmNameCondition::Software,
        KlmNameCondition::Developer, KlmNameCondition::Publisher, KlmNameCondition::Genre, KlmNameCondition::Screen};
    for (int i = 0; i < 6; ++i) fill(list(1004 + i), klmNameConditionListTexts(cat, kTables[i]));
    fill(list(1013), klmYearListTexts(cond));
    fill(list(1014), klmYearQualifierTexts());
    fill(list(1015), klmPriceListTexts(cond));
    fill(list(1016), klmPriceQualifierTexts());
    fill(list(1018), klmRomSizeListTexts(cat));
    fill(list(1019), klmRomSizeQualifierTexts());
    quiet_ = false;
}

void SearchBar::showCondition()
{
    quiet_ = true;
    edit_->setText(klmQ(klmField(ctx_.state.settings.search.searchText)));
    for (int id : kListIds) {
        QComboBox* box = list(id);
        int32_t value = *field(id);
        // A stored value the list cannot show falls back to "all".
        if (value < 0 || value >= box->count()) value = *field(id) = 0;
        box->setCurrentIndex(value);
    }
    updateQualifiers();
    quiet_ = false;
}

void SearchBar::updateQualifiers()
{
    const SearchCondition& c = ctx_.state.settings.search;
    list(1014)->setEnabled(c.year != 0);
    list(1016)->setEnabled(c.price != 0);
    list(1019)->setEnabled(c.romSize != 0);
}

void SearchBar::listChanged(int controlId, int index)
{
    if (quiet_) return;
    int32_t* f = field(controlId);
    if (f && index >= 0 && *f != index) {
        *f = index;
        Q_EMIT changed();
    }
    updateQualifiers();
}

bool SearchBar::reset(int command)
{
    SearchCondition& c = ctx_.state.settings.search;
    bool any = false;
    auto clear = [&](int controlId) {
        int32_t* f = field(controlId);
        if (*f != 0) any = true;
        *f = 0;
        quiet_ = true;
        list(controlId)->setCurrentIndex(0);
        quiet_ = false;
    };
    if (command == klmcmd::ResetAll) {
        bool set = c.searchText[0] != 0;
        for (int id : kListIds)
            if (id != 1019 && *field(id) != 0) set = true;
        // The ROM-size qualifier alone does not count as a condition.
        if (!set) return false;
        for (int id : kListIds) clear(id);
        updateQualifiers();
        // Emptying the box stores the empty text and refreshes; when it
        // was empty already, refresh for the lists.
        bool hadText = !edit_->text().isEmpty();
        edit_->clear();
        if (!hadText) Q_EMIT changed();
        return true;
    }
    if (command == klmcmd::ResetText) {
        if (c.searchText[0] == 0 && c.searchKind == 0) return false;
        clear(1017);
        if (edit_->text().isEmpty()) Q_EMIT changed();
        edit_->clear();
        return true;
    }
    if (command >= klmcmd::ResetHardware && command <= klmcmd::ResetScreen) {
        int id = 1004 + (command - klmcmd::ResetHardware);
        if (*field(id) == 0) return false;
        clear(id);
        Q_EMIT changed();
        return true;
    }
    if (command >= klmcmd::ResetYear && command <= klmcmd::ResetSize) {
        static constexpr int kPairs[3][2] = {{1013, 1014}, {1015, 1016}, {1018, 1019}};
        const int* pair = kPairs[command - klmcmd::ResetYear];
        if (*field(pair[0]) == 0 && *field(pair[1]) == 0) return false;
        clear(pair[0]);
        clear(pair[1]);
        updateQualifiers();
        Q_EMIT changed();
        return true;
    }
    return false;
}

void SearchBar::searchBySelected(int command, int32_t game)
{
    SearchCondition& c = ctx_.state.settings.search;
    const KlmSearchOutcome outcome = klmSearchBySelectedGame(c, command, ctx_.catalogue, game);
    if (outcome == KlmSearchOutcome::Beep) klmWarningBeep();
    if (outcome != KlmSearchOutcome::Changed) return;
    // Show what was stored without a second refresh, then refresh once.
    showCondition();
    Q_EMIT changed();
    if (command == klmcmd::SearchTitle) {
        edit_->selectAll();
        edit_->setFocus();
    }
}

void SearchBar::placeControls(const KlmLayout& l)
{
    const KlmRect* rects[] = {&l.kindCombo, &l.searchEdit, &l.resetButton, &l.hardware, &l.software,
                              &l.developer, &l.publisher, &l.genre, &l.screen, &l.year, &l.yearQualifier,
                              &l.price, &l.priceQualifier, &l.romSize, &l.romSizeQualifier};
    QWidget* widgets[] = {list(1017), edit_, resetButton_, list(1004), list(1005), list(1006), list(1007),
                          list(1008), list(1009), list(1013), list(1014), list(1015), list(1016), list(1018),
                          list(1019)};
    // The bar covers just the search rows, so it never lies over the panes.
    QRect area;
    for (const KlmRect* r : rects) area = area.united(QRect(r->x, r->y, r->w, r->h));
    setGeometry(area);
    for (size_t i = 0; i < std::size(rects); ++i)
        widgets[i]->setGeometry(rects[i]->x - area.x(), rects[i]->y - area.y(), rects[i]->w, rects[i]->h);
}

int SearchBar::comboHeight() const { return list(1004)->sizeHint().height(); }
int SearchBar::resetButtonWidth() const { return resetButton_->sizeHint().width(); }
QWidget* SearchBar::control(int controlId) const
{
    if (controlId == 1003) return edit_;
    if (controlId == 1011) return resetButton_;
    return list(controlId);
}
