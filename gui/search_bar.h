// The search bar: text box 1003, kind list 1017, the table lists 1004–1009,
// the year/price/ROM-size lists and qualifiers 1013–1016, 1018, 1019, and
// the reset button 1011. Each control edits the SearchCondition of the
// settings through the search bar's core rules; every change that matters
// ends in changed().
#pragma once

#include <QWidget>

#include <array>
#include <functional>
#include <cstdint>

class QComboBox;
class QLineEdit;
class QPushButton;
class KlmCommandRouter;
class KlmWindowServices;
struct KlmAppContext;
struct KlmLayout;

class SearchBar : public QWidget {
    Q_OBJECT
public:
    SearchBar(KlmAppContext& ctx, QWidget* parent);

    // Fills the lists from the Catalogue (once, after it is loaded).
    void fillLists();
    // Puts the stored condition into the controls without refreshing.
    void showCondition();

    // The eleven reset commands (33010–33020); false when nothing was set.
    bool reset(int32_t command);
    // Commands 33000–33009 for the selected game; the outcome's beep goes
    // to beep.
    void searchBySelected(int32_t command, int32_t game, const std::function<void()>& beep);

    // Places the controls on the rectangles of the window's layout (in the
    // parent's coordinates); the bar itself spans the search rows.
    void placeControls(const KlmLayout& layout);
    int comboHeight() const;
    int resetButtonWidth() const;
    // The edit (1003), the reset button (1011) or a list.
    QWidget* control(int32_t controlId) const;

    QLineEdit* edit() const { return edit_; }
    QComboBox* list(int32_t controlId) const;

Q_SIGNALS:
    void changed();
    // A reset pop-up or the reset button asks for a command.
    void command(int32_t id);

private:
    void listChanged(int32_t controlId, int index);
    void updateQualifiers();
    void setupResetMenus();

    KlmAppContext& ctx_;
    QLineEdit* edit_ = nullptr;
    QPushButton* resetButton_ = nullptr;
    // By control id − 1004 (1004 … 1019; 1010–1012 are no lists).
    std::array<QComboBox*, 16> lists_{};
    bool quiet_ = false;
};

// The search menu's commands 33000–33020 on the bar.
void klmRegisterSearchCommands(KlmCommandRouter& router, KlmWindowServices& services, SearchBar& bar);
