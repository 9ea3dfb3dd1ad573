// The display settings, fonts and colours, and field items dialogs opened
// through their commands on the real main window: what OK changes shows at
// once, survives a close and a new start on the same folder (setting.dat
// and skin.dat), and Cancel changes nothing.
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QToolBar>
#include <QTreeWidget>
#include <QtTest>

#include <memory>

#include "catalogue/cache.h"
#include "client_area.h"
#include "font_colour_dialog.h"
#include "game_list_model.h"
#include "game_list_view.h"
#include "gui_fixture.h"
#include "media/skins.h"
#include "qt_font.h"
#include "qt_text.h"
#include "search_bar.h"
#include "settings/setting_file.h"
#include "status_bar.h"
#include "ui/game_text.h"

namespace {

// The window with the picture panes' update counted.
class CountingWindow : public MainWindow {
public:
    int picturesChangedCalls = 0;
    void picturesChanged() override
    {
        ++picturesChangedCalls;
        MainWindow::picturesChanged();
    }
};

template <typename W>
W* child(QWidget* dialog, int id)
{
    W* w = dialog->findChild<W*>(QString::number(id));
    if (!w) qWarning("no control %d", id);
    return w;
}

void tick(QWidget* dialog, int id, bool on) { child<QCheckBox>(dialog, id)->setChecked(on); }
void choose(QWidget* dialog, int id, int item) { child<QComboBox>(dialog, id)->setCurrentIndex(item); }

void selectRow(QTreeWidget* list, const QString& caption)
{
    const QList<QTreeWidgetItem*> found = list->findItems(caption, Qt::MatchExactly);
    QVERIFY2(!found.isEmpty(), qPrintable(caption));
    list->setCurrentItem(found.first());
}

// What setting.dat and skin.dat would hold for the window's session now.
struct SavedImages {
    std::string setting;
    std::string skin;
};

SavedImages imagesOf(const MainWindow& w)
{
    const KlmAppContext& c = w.context();
    return {klmSettingFileImage(c.state.settings, c.catalogue), klmSkinImage(c.state.skins, c.catalogue)};
}

int columnOfField(const Settings& s, int32_t field)
{
    for (int c = 0; c < s.shownColumns.count; ++c)
        if (s.shownColumns.items[c].field == field) return c;
    return -1;
}

constexpr int32_t kDateField = 7;
constexpr int32_t kMovieField = 10;

}  // namespace

class PresentationWindowTest : public QObject {
    Q_OBJECT

private:
    KlmGuiFixture f_;

    // The window on the folder, placed as window.dat says and shown (the
    // layout runs only on a visible window).
    std::unique_ptr<CountingWindow> openShown()
    {
        auto w = std::make_unique<CountingWindow>();
        w->messages().setHook([this](const KlmMessage& m) {
            f_.messages.push_back(m);
            return f_.answer;
        });
        if (!w->startUp(f_.base)) return nullptr;
        w->showPlaced();
        if (!QTest::qWaitForWindowExposed(w.get())) return nullptr;
        return w;
    }

    // setting.dat as the defaults with change made, before the first start.
    template <typename Change>
    void storeSettings(Change change)
    {
        AppPaths paths;
        klmBuildAppPaths(paths, f_.base.toStdString());
        Catalogue cat;
        QCOMPARE(klmParseCatalogue(paths, cat), 0);
        Settings s = klmDefaultSettings();
        change(s);
        QVERIFY(klmWriteSettingFile(paths.settingDat, s, cat));
    }

    // Closes the window (the session's save) and starts a new one on the
    // folder; it must come back with exactly what was saved.
    std::unique_ptr<CountingWindow> restart(std::unique_ptr<CountingWindow> w)
    {
        w->close();
        const SavedImages saved = imagesOf(*w);
        w.reset();
        auto again = openShown();
        if (!again) return nullptr;
        const SavedImages read = imagesOf(*again);
        if (read.setting != saved.setting || read.skin != saved.skin) {
            qWarning("the new start does not hold what the close saved");
            return nullptr;
        }
        return again;
    }

    QString cell(const MainWindow& w, int row, int32_t field) const
    {
        const int column = columnOfField(w.context().state.settings, field);
        return w.model()->data(w.model()->index(row, column), Qt::DisplayRole).toString();
    }

    int countCrc(const MainWindow& w, const char* crc, bool owned) const
    {
        int n = 0;
        for (const GameRecord& g : w.context().catalogue.games)
            if (QByteArray(g.crc32) == crc && (g.ownership != kKlmNotOwned) == owned) ++n;
        return n;
    }

    // What a user sees of the display settings after the change below.
    void checkChangedDisplay(CountingWindow& w)
    {
        const Settings& s = w.context().state.settings;
        // アイスホッケー魂 comes first: released 1989-09-10.
        QVERIFY2(w.infoPane()->toPlainText().contains(klmU("発売日 : 1989/09/10\n")),
                 qPrintable(w.infoPane()->toPlainText()));
        QCOMPARE(cell(w, 0, kDateField), QStringLiteral("1989/09/10"));
        QCOMPARE(countCrc(w, "00000000", false), 0);
        QVERIFY(w.gameList()->showGrid());
        QVERIFY(!w.toolBar()->isVisible());
        QVERIFY(!w.statusPane()->isVisible());
        // Without the bars the list runs from 3 pixels below the top to 3
        // above the bottom.
        const QSize client = w.clientArea()->size();
        QCOMPARE(w.gameList()->geometry(), QRect(3, 3, s.splitX - 7, client.height() - 6));
        QCOMPARE(s.listIconSource, 100);
        QCOMPARE(w.context().state.skins.frameWidth, 7);
        QCOMPARE(w.context().state.skins.alwaysDefault, 1);
        QCOMPARE(s.autoSelectInterval, 250);
    }

private Q_SLOTS:
    void init() { f_.copySample(); }

    void displaySettingsShowAtOnceAndSurviveARestart()
    {
        // Games whose CRC32 is 00000000 start as not owned.
        storeSettings([](Settings& s) { s.crcZerosOwned = 0; });
        auto w = openShown();
        QVERIFY(w);
        QVERIFY(w->infoPane()->toPlainText().contains(klmU("発売日 : 1989年9月10日\n")));
        QCOMPARE(countCrc(*w, "00000000", true), 0);
        const int ownedBefore = w->statusPane()->counts().owned;
        QVERIFY(w->toolBar()->isVisible());
        // Auto-selection runs, so OK restarts it with the new interval.
        w->command(kKlmCmdAutoSelect);
        QCOMPARE(w->autoSelectTimer().interval(), 1000);

        whenOpen(QStringLiteral("32814"), [](QWidget* d) {
            choose(d, 32838, 3);  // 1983/07/15
            tick(d, 32846, true);
            tick(d, 32821, true);
            tick(d, 32824, false);
            tick(d, 32825, false);
            choose(d, 32826, 0);  // hardware icons
            edit(d, 42000)->setText(QStringLiteral("250"));
            edit(d, 42004)->setText(QStringLiteral("7"));
            tick(d, 42003, true);
            click(d, 1);
        });
        w->command(kKlmCmdDisplay);
        QVERIFY(f_.messages.isEmpty());
        QVERIFY(!QApplication::activeModalWidget());

        checkChangedDisplay(*w);
        // Ticking the box owned those games at once, and the counts followed.
        QCOMPARE(countCrc(*w, "00000000", true), 2);
        QCOMPARE(w->statusPane()->counts().owned, ownedBefore + 2);
        QVERIFY(w->autoSelectTimer().isActive());
        QCOMPARE(w->autoSelectTimer().interval(), 250);
        // The default frame changed: the snapshot panes were redrawn once.
        QCOMPARE(w->picturesChangedCalls, 1);

        w = restart(std::move(w));
        QVERIFY(w);
        checkChangedDisplay(*w);
        QCOMPARE(countCrc(*w, "00000000", true), 2);
        QCOMPARE(w->statusPane()->counts().owned, ownedBefore + 2);
    }

    void fontsAndColoursShowAtOnceAndSurviveARestart()
    {
        auto w = openShown();
        QVERIFY(w);
        KlmClientArea* area = w->clientArea();
        // The horizontal splitter as low as it may go: the bigger search
        // rows below must push it up.
        w->context().state.settings.splitY = 5000;
        area->layOut();
        const int smallRow = w->searchBar()->comboHeight();

        w->pickers().font = [](QWidget*, const QFont& start, KlmFontSlot slot) {
            QFont f(start);
            f.setPixelSize(slot == KlmFontSlot::Search ? 30 : 21);
            if (slot == KlmFontSlot::Status) f.setBold(true);
            return KlmFontPick{KlmPickAnswer::Chosen, f};
        };
        w->pickers().colour = [](QWidget*, const QColor&, KlmStateColour) {
            return KlmColourPick{KlmPickAnswer::Chosen, QColor(10, 20, 30)};
        };
        whenOpen(QStringLiteral("32832"), [](QWidget* d) {
            for (int button : {33500, 33508, 33512}) click(d, button);
            auto* dialog = qobject_cast<KlmFontColourDialog*>(d);
            QVERIFY(dialog);
            QCOMPARE(dialog->fontLine(KlmFontSlot::Search, 2)->text().startsWith(klmU("サイズ ： ")), true);
            QTest::mouseClick(dialog->swatch(KlmStateColour::NotOwned), Qt::LeftButton);
            click(d, 1);
        });
        w->command(kKlmCmdFontsColours);
        QVERIFY(f_.messages.isEmpty());

        auto check = [&](CountingWindow& win) {
            const Settings& s = win.context().state.settings;
            QCOMPARE(s.searchFont.height, -30);
            QCOMPARE(s.listFont.height, -21);
            QCOMPARE(s.statusFont.weight, 700);
            QCOMPARE(s.infoFont.height, klmDefaultSettings().infoFont.height);
            QCOMPARE(s.notOwnedColour, klmBgr(10, 20, 30));
            QCOMPARE(win.searchBar()->edit()->font().pixelSize(), 30);
            QCOMPARE(win.gameList()->font().pixelSize(), 21);
            QVERIFY(win.statusPane()->font().bold());
            // Rows and the status bar take the heights of their fonts.
            QCOMPARE(win.gameList()->rowHeight(0), win.gameList()->fontMetrics().height() + 4);
            QCOMPARE(win.statusPane()->height(), win.statusPane()->fontMetrics().height() + 10);
            // The bottom area still holds the four search rows under the info text.
            const KlmLayoutInput in = win.clientArea()->layoutInput();
            QVERIFY(in.comboH > smallRow);
            QVERIFY(in.clientH - in.splitY >= klmMinBelowSplitY(in));
            const QRect edit(win.searchBar()->edit()->mapTo(win.clientArea(), QPoint(0, 0)),
                             win.searchBar()->edit()->size());
            QVERIFY(edit.top() > win.infoPane()->geometry().bottom());
            QVERIFY(edit.top() > in.splitY);
            const QWidget* bottom = win.searchBar()->list(1015);
            const QRect last(bottom->mapTo(win.clientArea(), QPoint(0, 0)), bottom->size());
            QVERIFY(last.bottom() < win.statusPane()->geometry().top());
        };
        check(*w);

        w = restart(std::move(w));
        QVERIFY(w);
        check(*w);
    }

    void statusBarSwatchUsesTheStatePicker()
    {
        auto w = openShown();
        QVERIFY(w);
        KlmStateColour asked = KlmStateColour::NotOwned;
        w->pickers().colour = [&asked](QWidget*, const QColor&, KlmStateColour state) {
            asked = state;
            return KlmColourPick{KlmPickAnswer::Reset, QColor()};
        };
        KlmStatusBar* bar = w->statusPane();
        Settings& s = w->context().state.settings;
        s.ownedColour = klmBgr(1, 2, 3);
        QCOMPARE(s.statusShown.items[0], 0);
        const QRect part = bar->partRect(0);
        QTest::mouseClick(bar, Qt::LeftButton, {}, part.topLeft() + QPoint(6, 6));
        QCOMPARE(asked, KlmStateColour::Owned);
        // "デフォルト" puts the state's own colour back.
        QCOMPARE(s.ownedColour, klmDefaultSettings().ownedColour);
    }

    void fieldItemsShowAtOnceAndSurviveARestart()
    {
        auto w = openShown();
        QVERIFY(w);
        KlmGameListView* list = w->gameList();
        const Settings& s = w->context().state.settings;
        // Sorted by release date, whose column the user widened.
        const int dateColumn = columnOfField(s, kDateField);
        QCOMPARE(dateColumn, 8);
        QTest::mouseClick(list->horizontalHeader()->viewport(), Qt::LeftButton, {},
                          QPoint(list->horizontalHeader()->sectionViewportPosition(dateColumn) + 5, 5));
        QCOMPARE(s.sortColumn, dateColumn);
        list->setColumnWidth(dateColumn, 123);
        const QString sortedFirst = cell(*w, 0, 0);

        whenOpen(QStringLiteral("32852"), [](QWidget* d) {
            auto* shown = child<QTreeWidget>(d, 32853);
            choose(d, 32859, 0);
            selectRow(shown, klmU("動画"));
            click(d, 32856);
            selectRow(shown, klmU("発売日"));
            click(d, 32857);
            choose(d, 32859, 3);
            selectRow(shown, klmU("所有"));
            click(d, 32856);
            choose(d, 32859, 1);
            selectRow(shown, klmU("発売日"));
            click(d, 32856);
            click(d, 1);
        });
        w->command(kKlmCmdFieldItems);
        QVERIFY(f_.messages.isEmpty());

        auto check = [&](CountingWindow& win) {
            const Settings& st = win.context().state.settings;
            KlmGameListView* view = win.gameList();
            QCOMPARE(win.model()->columnCount(), 12);
            QCOMPARE(columnOfField(st, kMovieField), -1);
            // The date column moved up one place with its width, and is
            // still the sort column; the rows keep their order.
            QCOMPARE(st.sortColumn, 6);
            QCOMPARE(columnOfField(st, kDateField), 6);
            QCOMPARE(win.model()->headerData(6, Qt::Horizontal, Qt::DisplayRole).toString(), klmU("発売日"));
            QCOMPARE(view->columnWidth(6), 123);
            QVERIFY(view->horizontalHeader()->isSortIndicatorShown());
            QCOMPARE(view->horizontalHeader()->sortIndicatorSection(), 6);
            QCOMPARE(cell(win, 0, 0), sortedFirst);
            // The status bar lost its first part, the info text its date line.
            QCOMPARE(win.statusPane()->partCount(), 7);
            QCOMPARE(st.statusShown.items[0], 1);
            QVERIFY(!win.infoPane()->toPlainText().contains(klmU("発売日 : ")));
            QVERIFY(win.infoPane()->toPlainText().contains(klmU("価格 : ")));
        };
        check(*w);

        w = restart(std::move(w));
        QVERIFY(w);
        check(*w);
    }

    // Each dialog changed and cancelled, and the display settings refusing
    // a short interval first: the session and the window stay as they were.
    void cancelChangesNothing()
    {
        auto w = openShown();
        QVERIFY(w);
        w->pickers().font = [](QWidget*, const QFont& start, KlmFontSlot) {
            QFont f(start);
            f.setPixelSize(40);
            return KlmFontPick{KlmPickAnswer::Chosen, f};
        };
        const SavedImages before = imagesOf(*w);
        const QFont listFont = w->gameList()->font();
        const QString info = w->infoPane()->toPlainText();

        whenOpen(QStringLiteral("32814"), [this](QWidget* d) {
            choose(d, 32838, 5);
            tick(d, 32825, false);
            edit(d, 42004)->setText(QStringLiteral("3"));
            edit(d, 42000)->setText(QStringLiteral("99"));
            click(d, 1);
            QCOMPARE(f_.messages.size(), 1);
            QCOMPARE(f_.messages[0].text, klmU("リスト自動選択の間隔は100ミリ秒以上を設定して下さい"));
            QVERIFY(d->isVisible());
            click(d, 2);
        });
        w->command(kKlmCmdDisplay);
        QCOMPARE(f_.messages.size(), 1);

        whenOpen(QStringLiteral("32832"), [](QWidget* d) {
            click(d, 33500);
            click(d, 2);
        });
        w->command(kKlmCmdFontsColours);

        whenOpen(QStringLiteral("32852"), [](QWidget* d) {
            selectRow(child<QTreeWidget>(d, 32853), klmU("動画"));
            click(d, 32856);
            click(d, 2);
        });
        w->command(kKlmCmdFieldItems);

        const SavedImages after = imagesOf(*w);
        QCOMPARE(after.setting, before.setting);
        QCOMPARE(after.skin, before.skin);
        QVERIFY(w->toolBar()->isVisible());
        QCOMPARE(w->gameList()->font(), listFont);
        QCOMPARE(w->model()->columnCount(), 13);
        QCOMPARE(w->infoPane()->toPlainText(), info);
        QCOMPARE(w->picturesChangedCalls, 0);
    }
};

QTEST_MAIN(PresentationWindowTest)
#include "presentation_window_test.moc"
