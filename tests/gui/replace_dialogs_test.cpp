// The replacement-rule dialogs on the real main window: the list edits a
// working copy that only OK stores, the add/edit checks warn and keep the
// dialog open, and stored rules widen what typing finds.
#include <QApplication>
#include <QFontDatabase>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableView>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

#include <filesystem>
#include <functional>
#include <memory>

#include "browse/permute.h"
#include "gui_fixture.h"
#include "ui/command_ids.h"
#include "fonts.h"
#include "game_list_view.h"
#include "main_window.h"
#include "status_bar.h"
#include "qt_text.h"
#include "replace_dialogs.h"
#include "search_bar.h"
#include "text/cp932.h"

namespace {

// Adds a rule through "追加" and the add dialog's OK.
void addThroughDialog(KlmReplaceListDialog* list, const QString& search, const QString& replacement)
{
    whenOpen<KlmReplaceEditDialog>([=](KlmReplaceEditDialog* edit) {
        QCOMPARE(edit->windowTitle(), klmU("検索用文字列置換 - 追加"));
        // Placed like every dialog: centred in the work area (the default).
        const QRect work = edit->screen()->availableGeometry();
        QCOMPARE(edit->pos(), QPoint(work.left() + (work.width() - edit->width()) / 2,
                                     work.top() + (work.height() - edit->height()) / 2));
        edit->searchEdit()->setText(search);
        edit->replacementEdit()->setText(replacement);
        edit->findChild<QPushButton*>(QStringLiteral("1"))->click();
    });
    // Off the centre first, so that a box merely centred on its owner is
    // not taken for one centred in the work area.
    list->QWidget::move(list->pos() - QPoint(40, 30));
    list->findChild<QPushButton*>(QStringLiteral("40203"))->click();
}

}  // namespace

class ReplaceDialogsTest : public QObject {
    Q_OBJECT

    KlmGuiFixture f_;
    QList<KlmMessage>& messages_ = f_.messages;

    std::unique_ptr<MainWindow> open() { return f_.open(); }

private Q_SLOTS:
    void init() { f_.copySample(); }

    void cancelKeepsTheRulesAndOkCommits()
    {
        auto w = open();
        QVERIFY(w);
        auto& rules = w->context().state.replacements;
        rules = {klmMakeReplacementRule("a", "b"), klmMakeReplacementRule("c", "d", false)};
        w->context().state.settings.centreDialogs = 1;

        // Several edits, then キャンセル: nothing stored.
        whenOpen<KlmReplaceListDialog>([](KlmReplaceListDialog* d) {
            QCOMPARE(d->windowTitle(), klmU("検索用文字列置換"));
            QCOMPARE(d->list()->headerItem()->text(0), klmU("検索する文字列"));
            QCOMPARE(d->list()->headerItem()->text(1), klmU("置換後の文字列"));
            QCOMPARE(d->list()->topLevelItem(1)->checkState(0), Qt::Unchecked);
            // Centred in the work area.
            const QRect work = d->screen()->availableGeometry();
            QCOMPARE(d->pos(), QPoint(work.left() + (work.width() - d->width()) / 2,
                                      work.top() + (work.height() - d->height()) / 2));
            addThroughDialog(d, QStringLiteral("x"), QStringLiteral("y"));
            QCOMPARE(d->rules().size(), size_t(3));
            d->findChild<QPushButton*>(QStringLiteral("40206"))->click();
            QVERIFY(d->rules().empty());
            d->findChild<QPushButton*>(QStringLiteral("2"))->click();
        });
        w->command(kKlmCmdReplacements);
        QCOMPARE(messages_.size(), 1);
        QCOMPARE(messages_[0].text, klmU("リストからアイテムを全て削除しますか"));
        QCOMPARE(messages_[0].title, klmU("確認"));
        QCOMPARE(rules.size(), size_t(2));
        QCOMPARE(klmField(rules[0].search), std::string_view("a"));

        // Add, move the new last row down (it stays), move it up, uncheck
        // everything, check the selected row, OK: stored in row order.
        whenOpen<KlmReplaceListDialog>([](KlmReplaceListDialog* d) {
            addThroughDialog(d, klmU("ソ"), QStringLiteral("z"));
            QCOMPARE(d->list()->currentItem()->text(0), klmU("ソ"));
            d->findChild<QPushButton*>(QStringLiteral("40208"))->click();
            QCOMPARE(d->list()->indexOfTopLevelItem(d->list()->currentItem()), 2);
            d->findChild<QPushButton*>(QStringLiteral("40207"))->click();
            d->findChild<QPushButton*>(QStringLiteral("40212"))->click();
            d->findChild<QPushButton*>(QStringLiteral("40209"))->click();
            d->findChild<QPushButton*>(QStringLiteral("1"))->click();
        });
        w->command(kKlmCmdReplacements);
        QCOMPARE(rules.size(), size_t(3));
        QCOMPARE(klmField(rules[1].search), std::string_view("\x83\x5C"));
        QCOMPARE(klmField(rules[2].search), std::string_view("c"));
        QCOMPARE(rules[0].enabled, 0);
        QCOMPARE(rules[1].enabled, 1);
        QCOMPARE(rules[2].enabled, 0);
    }

    void refusalsWarnAndKeepTheDialogOpen()
    {
        auto w = open();
        QVERIFY(w);
        QWidget& owner = *w;
        std::vector<ReplacementRule> rows = {klmMakeReplacementRule("A", "B")};
        KlmReplaceEditDialog add(*w, rows, -1, &owner);
        add.searchEdit()->setText(QStringLiteral("A"));
        add.replacementEdit()->setText(QStringLiteral("B"));
        add.accept();
        QCOMPARE(messages_.size(), 1);
        QCOMPARE(messages_[0].text, klmU("検索する文字列と置換後の文字列が重複します"));
        QCOMPARE(messages_[0].icon, QMessageBox::Warning);
        QCOMPARE(messages_[0].owner, static_cast<QWidget*>(&add));
        QCOMPARE(add.result(), int(QDialog::Rejected));
        QCOMPARE(rows.size(), size_t(1));

        add.replacementEdit()->setText(QStringLiteral("A"));
        add.accept();
        QCOMPARE(messages_.last().text, klmU("検索する文字列と置換後の文字列が一致します"));
        QCOMPARE(rows.size(), size_t(1));

        // The same search string with another replacement is a new rule.
        add.replacementEdit()->setText(QStringLiteral("C"));
        add.accept();
        QCOMPARE(messages_.size(), 2);
        QCOMPARE(add.result(), int(QDialog::Accepted));
        QCOMPARE(rows.size(), size_t(2));
        QCOMPARE(rows[1].enabled, 1);

        // Editing a row may keep its own pair.
        KlmReplaceEditDialog edit(*w, rows, 0, &owner);
        QCOMPARE(edit.windowTitle(), klmU("検索用文字列置換 - 編集"));
        QCOMPARE(edit.searchEdit()->text(), QStringLiteral("A"));
        edit.accept();
        QCOMPARE(messages_.size(), 2);
        QCOMPARE(edit.result(), int(QDialog::Accepted));

        // A full list refuses "追加" before the add dialog opens.
        std::vector<ReplacementRule> full(kKlmMaxReplacementRules, klmMakeReplacementRule("p", "q"));
        KlmReplaceListDialog list(*w, full, &owner);
        bool opened = false;
        QTimer::singleShot(0, [&] {
            if (auto* d = qobject_cast<KlmReplaceEditDialog*>(QApplication::activeModalWidget())) {
                opened = true;
                d->reject();
            }
        });
        list.add();
        QVERIFY(!opened);
        QCOMPARE(messages_.last().text, klmU("これ以上登録できません"));
        QCOMPARE(list.rules().size(), size_t(kKlmMaxReplacementRules));
    }

    void anEnabledRuleWidensWhatTypingFinds()
    {
        auto w = open();
        QVERIFY(w);
        klmTypeText(w->searchBar()->edit(), QStringLiteral("QQZX"));
        QCOMPARE(w->context().state.browse.view.count, 0);

        whenOpen<KlmReplaceListDialog>([](KlmReplaceListDialog* d) {
            addThroughDialog(d, QStringLiteral("QQZX"), klmU("パズル"));
            d->accept();
        });
        w->command(kKlmCmdReplacements);
        const int widened = w->context().state.browse.view.count;
        QVERIFY(widened > 0);

        // Unchecked, the rule no longer applies.
        whenOpen<KlmReplaceListDialog>([](KlmReplaceListDialog* d) {
            d->findChild<QPushButton*>(QStringLiteral("40212"))->click();
            d->accept();
        });
        w->command(kKlmCmdReplacements);
        QCOMPARE(w->context().state.browse.view.count, 0);

        // Checked again and typed once more: found again.
        w->context().state.replacements[0].enabled = 1;
        w->searchBar()->edit()->clear();
        klmTypeText(w->searchBar()->edit(), QStringLiteral("QQZX"));
        QCOMPARE(w->context().state.browse.view.count, widened);
    }

    // Not a replacement matter, but the same window: the stored fonts reach
    // their panes, a missing Windows face falls back to an installed one.
    void storedFontsReachThePanes()
    {
        auto w = open();
        QVERIFY(w);
        const QFont list = w->gameList()->font();
        QCOMPARE(list.pixelSize(), 12);
        QVERIFY(QFontDatabase::families().contains(list.family(), Qt::CaseInsensitive));
        Settings& s = w->context().state.settings;
        s.listFont.height = -20;
        s.listFont.weight = 700;
        s.infoFont.italic = 1;
        const int rowHeight = w->gameList()->verticalHeader()->defaultSectionSize();
        klmApplyFonts(s, w->gameList(), w->infoPane(), w->searchBar(), w->statusPane());
        QCOMPARE(w->gameList()->font().pixelSize(), 20);
        QCOMPARE(w->gameList()->font().weight(), QFont::Bold);
        QVERIFY(w->gameList()->verticalHeader()->defaultSectionSize() > rowHeight);
        QVERIFY(w->infoPane()->font().italic());
        QCOMPARE(w->searchBar()->edit()->font().pixelSize(), 12);
    }
};

QTEST_MAIN(ReplaceDialogsTest)
#include "replace_dialogs_test.moc"
