// The main window on a desktop of its own (Xvfb with openbox): keys typed
// through the X server as a keyboard types them, and the placement that
// only a framed window has: the outer rectangle window.dat keeps, maximize,
// and the window manager keeping the minimum size.
#include <unistd.h>

#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QtTest>

#include <iterator>
#include <memory>

#include "browse/search_bar.h"
#include "desktop.h"
#include "game_list_view.h"
#include "gui_fixture.h"
#include "key_sender.h"
#include "layout/window_layout.h"
#include "qt_text.h"
#include "search_bar.h"
#include "settings/window_file.h"

namespace {

// Windows virtual-key codes, as the key sender takes them.
constexpr int kVkReturn = 0x0D, kVkControl = 0x11, kVkAlt = 0x12, kVkEscape = 0x1B, kVkLeft = 0x25,
              kVkRight = 0x27;

QRect rectOf(const KlmWindowPlacement& p) { return QRect(p.left, p.top, p.right - p.left, p.bottom - p.top); }

}  // namespace

class DesktopTest : public QObject {
    Q_OBJECT

private:
    KlmGuiFixture f_;

    QString windowFile() const { return f_.base + QStringLiteral("/save/window.dat"); }

    bool writeWindowFile(int32_t showCmd, const QRect& outer) const
    {
        KlmWindowPlacement p;
        p.showCmd = showCmd;
        p.left = outer.left();
        p.top = outer.top();
        p.right = outer.left() + outer.width();
        p.bottom = outer.top() + outer.height();
        return klmWriteWindowFile(windowFile().toStdString(), p);
    }

    static QRect firstRunRect()
    {
        const QRect work = QApplication::primaryScreen()->availableGeometry();
        const KlmRect r = klmFirstRunWindowRect({work.x(), work.y(), work.width(), work.height()});
        return QRect(r.x, r.y, r.w, r.h);
    }

    // The window placed from window.dat (or the first run), shown, framed
    // and holding the keyboard focus.
    std::unique_ptr<MainWindow> openShown()
    {
        auto w = f_.open();
        if (!w) return w;
        w->showPlaced();
        w->activateWindow();
        if (!QTest::qWaitForWindowActive(w.get())) return nullptr;
        // Framed: the frame lies around the inside.
        if (!QTest::qWaitFor([&] { return w->frameGeometry() != w->geometry(); }, 5000)) return nullptr;
        return w;
    }

    // Presses the keys in order and releases them in reverse, through the
    // X server, then lets the window take them.
    static bool type(std::initializer_list<int> keys)
    {
        klm::platform::KeySender sender(static_cast<int>(::getpid()));
        if (!QTest::qWaitFor([&] { return sender.programFocused(); }, 3000)) return false;
        for (int k : keys)
            if (sender.send(k, true) != klm::platform::KeySendResult::Sent) return false;
        for (auto it = std::rbegin(keys); it != std::rend(keys); ++it) sender.send(*it, false);
        QTest::qWait(50);
        return true;
    }

private Q_SLOTS:
    void init() { f_.copySample(); }

    // Every reset key of the search menu resets its condition, from the
    // list and from the search edit alike, although Alt+H, Alt+S and Alt+M
    // are also the mnemonics of ヘルプ, 検索 and 動画. A letter no key of
    // the table takes still opens its menu.
    void resetKeysWinOverMenuMnemonics()
    {
        auto w = openShown();
        QVERIFY(w);
        SearchBar* bar = w->searchBar();
        const SearchCondition& cond = w->context().state.settings.search;
        struct Reset {
            char key;
            int32_t list;  // the list the key resets (0: all of them)
        };
        const Reset resets[] = {{'A', 0}, {'C', kKlmIdKindList}, {'H', kKlmIdHardwareList},
                                {'S', kKlmIdSoftwareList}, {'D', kKlmIdDeveloperList}, {'P', kKlmIdPublisherList},
                                {'G', kKlmIdGenreList}, {'M', kKlmIdScreenList}, {'Y', kKlmIdYearList},
                                {'K', kKlmIdPriceList}, {'B', kKlmIdRomSizeList}};
        for (QWidget* focus : {static_cast<QWidget*>(w->gameList()), static_cast<QWidget*>(bar->edit())}) {
            for (const Reset& r : resets) {
                const QString what = QStringLiteral("Alt+%1 in %2").arg(QChar::fromLatin1(r.key)).arg(focus->objectName());
                const int32_t list = r.list ? r.list : kKlmIdHardwareList;
                QVERIFY2(bar->list(list)->count() > 1, qPrintable(what));
                bar->list(list)->setCurrentIndex(1);
                QCOMPARE(klmSearchBarSelection(cond, list), 1);
                focus->setFocus();
                QTRY_VERIFY(focus->hasFocus());
                QVERIFY(type({kVkAlt, r.key}));
                QTRY_VERIFY2(klmSearchBarSelection(cond, list) == 0, qPrintable(what));
                QCOMPARE(bar->list(list)->currentIndex(), 0);
                QVERIFY2(w->gameList()->hasFocus(), qPrintable(what));
            }
        }
        QVERIFY(!QApplication::activePopupWidget());

        // ファイル(&F): no key of the table, so the menu opens.
        QVERIFY(type({kVkAlt, 'F'}));
        QTRY_VERIFY(qobject_cast<QMenu*>(QApplication::activePopupWidget()));
        QCOMPARE(static_cast<QMenu*>(QApplication::activePopupWidget())->title(), klmU("ファイル(&F)"));
        QVERIFY(type({kVkEscape}));
        QTRY_VERIFY(!QApplication::activePopupWidget());
    }

    // Ctrl+← and Ctrl+→ set the playback speed wherever the focus is; the
    // search edit does not move its caret by a word with them.
    void speedKeysReachTheWindowFromTheSearchEdit()
    {
        auto w = openShown();
        QVERIFY(w);
        const Settings& s = w->context().state.settings;
        QLineEdit* edit = w->searchBar()->edit();
        edit->setText(QStringLiteral("abc def"));
        edit->setFocus();
        edit->setCursorPosition(7);
        QTRY_VERIFY(edit->hasFocus());
        QVERIFY(type({kVkControl, kVkLeft}));
        QTRY_COMPARE(s.speed, 900);
        QCOMPARE(edit->cursorPosition(), 7);
        QVERIFY(type({kVkControl, kVkRight}));
        QVERIFY(type({kVkControl, kVkRight}));
        QTRY_COMPARE(s.speed, 1100);
        QCOMPARE(edit->cursorPosition(), 7);
        w->gameList()->setFocus();
        QVERIFY(type({kVkControl, kVkLeft}));
        QTRY_COMPARE(s.speed, 1000);
    }

    // Enter on the focused "リセット" button is its click: the full reset,
    // and the focus stays on the button.
    void enterOnTheResetButtonResets()
    {
        auto w = openShown();
        QVERIFY(w);
        const int all = w->context().state.browse.view.count;
        SearchBar* bar = w->searchBar();
        bar->edit()->setText(klmU("パズル"));
        bar->list(kKlmIdGenreList)->setCurrentIndex(1);
        QVERIFY(w->context().state.browse.view.count < all);
        QWidget* button = bar->control(kKlmIdResetButton);
        button->setFocus();
        QTRY_VERIFY(button->hasFocus());
        QVERIFY(type({kVkReturn}));
        QTRY_VERIFY(bar->edit()->text().isEmpty());
        QCOMPARE(klmSearchBarSelection(w->context().state.settings.search, kKlmIdGenreList), 0);
        QCOMPARE(w->context().state.browse.view.count, all);
        QVERIFY(button->hasFocus());
    }

    // Without window.dat the window's outer rectangle is 90 % of the work
    // area, centred; window.dat then keeps the outer rectangle, and the
    // next start puts the frame exactly there.
    void windowFileKeepsTheOuterRectangle()
    {
        QFile::remove(windowFile());
        {
            auto w = openShown();
            QVERIFY(w);
            QTRY_COMPARE(w->frameGeometry(), firstRunRect());
            w->close();
        }
        KlmWindowPlacement p;
        QCOMPARE(klmReadWindowFile(windowFile().toStdString(), p), KlmWindowFileStatus::Read);
        QCOMPARE(p.showCmd, kKlmShowNormal);
        QCOMPARE(rectOf(p), firstRunRect());

        // As a window.dat from Windows has it.
        QVERIFY(writeWindowFile(kKlmShowNormal, QRect(100, 120, 900, 650)));
        {
            auto w = openShown();
            QVERIFY(w);
            QTRY_COMPARE(w->frameGeometry(), QRect(100, 120, 900, 650));
            QVERIFY(w->geometry().width() < 900 && w->geometry().height() < 650);
            w->move(200, 150);  // the frame's corner
            QTRY_COMPARE(w->frameGeometry().topLeft(), QPoint(200, 150));
            w->close();
        }
        QCOMPARE(klmReadWindowFile(windowFile().toStdString(), p), KlmWindowFileStatus::Read);
        QCOMPARE(rectOf(p), QRect(200, 150, 900, 650));
    }

    // Maximized at the close: maximized at the next start over the whole
    // work area, restoring to the stored outer rectangle.
    void maximizedWindowRestoresToItsOuterRectangle()
    {
        QVERIFY(writeWindowFile(kKlmShowMaximized, QRect(150, 100, 900, 700)));
        {
            auto w = openShown();
            QVERIFY(w);
            QTRY_VERIFY(w->isMaximized());
            QTRY_COMPARE(w->frameGeometry(), QApplication::primaryScreen()->availableGeometry());
            w->close();
        }
        KlmWindowPlacement p;
        QCOMPARE(klmReadWindowFile(windowFile().toStdString(), p), KlmWindowFileStatus::Read);
        QCOMPARE(p.showCmd, kKlmShowMaximized);
        QCOMPARE(rectOf(p), QRect(150, 100, 900, 700));

        auto w = openShown();
        QVERIFY(w);
        QTRY_VERIFY(w->isMaximized());
        w->showNormal();
        QTRY_COMPARE(w->frameGeometry(), QRect(150, 100, 900, 700));
    }

    // The window manager keeps the window at its minimum size when asked
    // for less, as a drag on the frame would.
    void windowManagerKeepsTheMinimumSize()
    {
        auto w = openShown();
        QVERIFY(w);
        w->resize(700, 560);
        QTRY_COMPARE(w->size(), QSize(700, 560));
        QVERIFY(klmTestRequestResize(qEnvironmentVariable("DISPLAY").toStdString(), w->winId(), 300, 200));
        QTRY_COMPARE(w->size(), QSize(600, 500));
    }
};

KLM_DESKTOP_TEST_MAIN(DesktopTest)
#include "desktop_test.moc"
