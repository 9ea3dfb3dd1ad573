// The display settings, fonts and colours, and field items dialogs on their
// own: every control and text, the refusals, the pickers' answers, and the
// edited settings written to setting.dat (and skin.dat) and read back.
// Message boxes are intercepted; modal dialogs are driven once they open.
#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

#include <functional>
#include <memory>

#include "display_dialog.h"
#include "field_items_dialog.h"
#include "font_colour_dialog.h"
#include "media/skins.h"
#include "dialog_driver.h"
#include "message_box.h"
#include "pickers.h"
#include "qt_font.h"
#include "qt_text.h"
#include "settings/setting_file.h"
#include "text/cp932.h"

namespace {

// Runs work on the modal dialog of type T once it is the active one; a
// dialog a failed check left open is closed so the test goes on.
template <typename T>
void whenOpen(std::function<void(T*)> work)
{
    auto* poll = new QTimer;
    auto waited = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, [poll, work, waited] {
        T* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        if (dialog && dialog->isVisible()) {
            poll->stop();
            poll->deleteLater();
            const QPointer<T> open(dialog);
            work(dialog);
            if (open && open->isVisible()) open->reject();
        } else if (++*waited > 300) {
            poll->stop();
            poll->deleteLater();
        }
    });
    poll->start(10);
}

template <typename W>
W* child(QWidget* parent, int id)
{
    W* w = parent->findChild<W*>(QString::number(id));
    if (!w) qWarning("no control %d", id);
    return w;
}

QStringList items(QComboBox* box)
{
    QStringList out;
    for (int i = 0; i < box->count(); ++i) out << box->itemText(i);
    return out;
}

QStringList rows(QTreeWidget* list)
{
    QStringList out;
    for (int i = 0; i < list->topLevelItemCount(); ++i) out << list->topLevelItem(i)->text(0);
    return out;
}

int selectedRow(QTreeWidget* list)
{
    const auto selected = list->selectedItems();
    return selected.isEmpty() ? -1 : list->indexOfTopLevelItem(selected.first());
}

void select(QTreeWidget* list, int row)
{
    list->clearSelection();
    list->topLevelItem(row)->setSelected(true);
}

QStringList u(std::initializer_list<const char*> texts)
{
    QStringList out;
    for (const char* t : texts) out << klmU(t);
    return out;
}

// 15 double-byte characters and one letter: the longest face name the
// 32-byte field holds.
std::string longJapaneseFace()
{
    std::string face = klmFromUtf8("游ゴシック体游ゴシック体游ゴシック");
    face.resize(30);
    return face + "M";
}

}  // namespace

class PresentationDialogsTest : public QObject {
    Q_OBJECT

    KlmBoxOwner owner_;

    QList<KlmMessage> messages_;
    QMessageBox::StandardButton answer_ = QMessageBox::Ok;
    std::unique_ptr<QTemporaryDir> dir_;
    Catalogue cat_;

    // s written to setting.dat and read back over the defaults.
    Settings throughSettingFile(const Settings& s)
    {
        const std::string path = dir_->filePath(QStringLiteral("setting.dat")).toStdString();
        Settings back = klmDefaultSettings();
        std::string error;
        if (!klmWriteSettingFile(path, s, cat_, &error)) qWarning("%s", error.c_str());
        KlmSettingIssueList issues;
        const auto status = klmReadSettingFile(path, back, cat_, {}, &issues);
        if (status != KlmSettingFileStatus::Read || !issues.empty()) qWarning("setting.dat not read back whole");
        return back;
    }

    // The setting.dat image of s: equal images mean equal settings.
    QByteArray image(const Settings& s) { return QByteArray::fromStdString(klmSettingFileImage(s, cat_)); }

private Q_SLOTS:
    void init()
    {
        messages_.clear();
        answer_ = QMessageBox::Ok;
        owner_.messenger.setHook([this](const KlmMessage& m) {
            messages_.push_back(m);
            return answer_;
        });
        dir_ = std::make_unique<QTemporaryDir>();
    }

    void cleanup() { owner_.messenger.setHook({}); }

    void displayDialogShowsEveryControlWithItsTexts()
    {
        KlmDisplayValues v;
        v.settings = klmDefaultSettings();
        v.settings.listIconSource = 100;
        v.settings.autoSelectInterval = 1500;
        v.frameWidth = 7;
        v.alwaysDefault = 1;
        KlmDisplayDialog d(v, &owner_);
        QCOMPARE(d.objectName(), QStringLiteral("32814"));
        QCOMPARE(d.windowTitle(), klmU("表示設定"));

        const struct { int id; QStringList items; int current; } combos[] = {
            {32838, u({"1983年7月15日", "1983年07月15日", "1983/7/15", "1983/07/15", "7/15/83", "07/15/83"}), 0},
            {32839, u({"3,800円", "3800円", "\\3,800", "\\3800"}), 0},
            {32840, u({"24.0 KB", "24,576 バイト"}), 0},
            {32826, u({"ハード", "ソフト / 基板"}), 0},
            {32829, u({"標準", "ゲーム情報(詳細)と一致", "ゲーム情報(簡易)と一致"}), 0},
            {42001, u({"昇順", "降順", "ランダム"}), 0},
            {32827, u({"詳細", "簡易"}), 0},
            {42002, u({"タイトルスナップに一致", "ゲームスナップに一致", "元のアスペクト比を維持"}), 0},
        };
        for (const auto& c : combos) {
            QComboBox* box = child<QComboBox>(&d, c.id);
            QVERIFY(box);
            QCOMPARE(items(box), c.items);
            QCOMPARE(box->currentIndex(), c.current);
        }
        const struct { int id; const char* text; bool on; } checks[] = {
            {32820, "縞模様にする", false},
            {32821, "グリッドラインを表示する", false},
            {32822, "所有/未リネーム/未所有を色分けして表示する", false},
            {32846, "CRC32が 00000000 のゲームを所有とする", true},
            {32847, "CRC32が FFFFFFFF のゲームを所有とする", false},
            {32823, "更新時にカラムの幅を自動調節する", false},
            {32828, "ゲーム情報のタイトルの下を一行空ける", true},
            {32850, "ダイアログを画面の中央に配置する", true},
            {32851, "ダイアログ表示中は動画を一時停止する", false},
            {42008, "ゲーム情報アイコンを表示する", true},
            {42009, "ゲーム情報文字列を表示する", true},
            {32824, "ステータスバーを表示する", true},
            {32825, "ツールバーを表示する", true},
            {42003, "全てデフォルトフレームで表示する", true},
        };
        for (const auto& c : checks) {
            QCheckBox* box = child<QCheckBox>(&d, c.id);
            QVERIFY(box);
            QCOMPARE(box->text(), klmU(c.text));
            QCOMPARE(box->isChecked(), c.on);
        }
        QCOMPARE(child<QLineEdit>(&d, 42000)->text(), QStringLiteral("1500"));
        QCOMPARE(child<QLineEdit>(&d, 42004)->text(), QStringLiteral("7"));
        QVERIFY(child<QPushButton>(&d, 1) && child<QPushButton>(&d, 2));
    }

    void displayDialogRefusesBadNumbersOneMessageAtATime()
    {
        KlmDisplayValues v;
        v.settings = klmDefaultSettings();
        KlmDisplayDialog d(v, &owner_);
        const QString interval = klmU("リスト自動選択の間隔は100ミリ秒以上を設定して下さい");
        const QString frame = klmU("フレームの幅は1以上20以下の値を設定して下さい");
        const struct { const char* interval; const char* frame; const QString* message; } cases[] = {
            {"99", "1", &interval}, {"abc", "1", &interval}, {"99", "0", &interval},
            {"100", "0", &frame},   {"100", "21", &frame},   {"100", "", &frame},
        };
        for (const auto& c : cases) {
            messages_.clear();
            d.intervalEdit()->setText(QString::fromUtf8(c.interval));
            d.frameWidthEdit()->setText(QString::fromUtf8(c.frame));
            d.accept();
            QCOMPARE(messages_.size(), 1);
            QCOMPARE(messages_[0].text, *c.message);
            QCOMPARE(messages_[0].title, klmU("警告"));
            QCOMPARE(messages_[0].icon, QMessageBox::Information);
            QCOMPARE(d.result(), int(QDialog::Rejected));
            QCOMPARE(d.values().settings.autoSelectInterval, 1000);  // nothing stored
        }
        messages_.clear();
        d.intervalEdit()->setText(QStringLiteral("100"));
        d.frameWidthEdit()->setText(QStringLiteral("20"));
        d.accept();
        QVERIFY(messages_.isEmpty());
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QCOMPARE(d.values().settings.autoSelectInterval, 100);
        QCOMPARE(d.values().frameWidth, 20);
    }

    void displayDialogOkStoresEveryChoiceAndCancelNothing()
    {
        KlmDisplayValues v;
        v.settings = klmDefaultSettings();
        v.settings.spare1 = 9;
        v.frameWidth = 2;

        // Changes, then キャンセル: nothing comes back.
        whenOpen<KlmDisplayDialog>([](KlmDisplayDialog* d) {
            child<QComboBox>(d, 32838)->setCurrentIndex(5);
            child<QCheckBox>(d, 32820)->setChecked(true);
            child<QPushButton>(d, 2)->click();
        });
        QVERIFY(!klmEditDisplaySettings(&owner_, v));

        bool prepared = false;
        whenOpen<KlmDisplayDialog>([](KlmDisplayDialog* d) {
            child<QComboBox>(d, 32838)->setCurrentIndex(3);
            child<QComboBox>(d, 32839)->setCurrentIndex(2);
            child<QComboBox>(d, 32840)->setCurrentIndex(1);
            child<QComboBox>(d, 32826)->setCurrentIndex(0);
            child<QComboBox>(d, 32829)->setCurrentIndex(2);
            child<QComboBox>(d, 42001)->setCurrentIndex(2);
            child<QComboBox>(d, 32827)->setCurrentIndex(1);
            child<QComboBox>(d, 42002)->setCurrentIndex(2);
            for (int id : {32820, 32821, 32822, 32846, 32847, 32823, 32828, 32850, 32851, 42008, 42009, 32824,
                           32825, 42003})
                child<QCheckBox>(d, id)->toggle();
            child<QLineEdit>(d, 42000)->setText(QStringLiteral("250"));
            child<QLineEdit>(d, 42004)->setText(QStringLiteral("20"));
            child<QPushButton>(d, 1)->click();
        });
        const auto edited = klmEditDisplaySettings(&owner_, v, [&prepared](QDialog&) { prepared = true; });
        QVERIFY(prepared);
        QVERIFY(edited);
        Settings expected = v.settings;
        expected.dateFormat = 3;
        expected.priceFormat = 2;
        expected.romSizeFormat = 1;
        expected.listIconSource = 100;
        expected.tooltipContent = 2;
        expected.autoSelectOrder = 2;
        expected.infoVariant = 1;
        expected.movieAspect = 2;
        expected.striped = expected.gridLines = expected.colourByOwnership = 1;
        expected.crcZerosOwned = 0;
        expected.crcOnesOwned = 1;
        expected.fitColumnsOnRefresh = 1;
        expected.blankLineUnderTitle = 0;
        expected.centreDialogs = 0;
        expected.pauseMovieForDialogs = 1;
        expected.showInfoIcon = expected.showInfoText = 0;
        expected.showStatusBar = expected.showToolbar = 0;
        expected.autoSelectInterval = 250;
        expected.spare1 = 0;
        QCOMPARE(image(edited->settings), image(expected));
        QCOMPARE(image(throughSettingFile(edited->settings)), image(expected));
        QCOMPARE(edited->frameWidth, 20);
        QCOMPARE(edited->alwaysDefault, 1);

        // The frame values survive skin.dat.
        SkinTable skins;
        klmBuildSkinTable(skins, cat_);
        skins.frameWidth = edited->frameWidth;
        skins.alwaysDefault = edited->alwaysDefault;
        const std::string skinPath = dir_->filePath(QStringLiteral("skin.dat")).toStdString();
        QVERIFY(klmSaveSkinFile(skinPath, skins, cat_));
        SkinTable back;
        klmBuildSkinTable(back, cat_);
        QVERIFY(klmLoadSkinFile(skinPath, back, cat_, {}));
        QCOMPARE(back.frameWidth, 20);
        QCOMPARE(back.alwaysDefault, 1);
    }

    void fontRecordsSurviveQFontBothWays()
    {
        const QFont base = QApplication::font();
        KlmFont japanese = klmDefaultControlFont();
        klmCopyField(japanese.faceName, longJapaneseFace());
        QCOMPARE(klmField(japanese.faceName).size(), size_t(31));
        japanese.height = -16;
        japanese.weight = 700;
        japanese.italic = 1;
        KlmFont light = klmDefaultControlFont();
        light.weight = 300;
        light.strikeOut = 1;
        light.pitchAndFamily = 0x31;
        for (const KlmFont& original : {klmDefaultControlFont(), japanese, light}) {
            const QFont font = klmQFontOf(klmFontFaceOf(original), base);
            KlmFont back = original;
            klmCopyField(back.faceName, "");
            back.height = back.weight = 0;
            back.italic = back.strikeOut = 0;
            QVERIFY(klmStoreQFont(back, font, 96));
            QCOMPARE(klmQ(klmField(back.faceName)), klmQ(klmField(original.faceName)));
            QCOMPARE(back.height, original.height);
            QCOMPARE(back.weight, original.weight);
            QCOMPARE(back.italic, original.italic);
            QCOMPARE(back.strikeOut, original.strikeOut);
            QCOMPARE(back.pitchAndFamily, original.pitchAndFamily);
        }
        // A picker's font carries points: 9 points at 96 dpi are 12 pixels.
        QFont points(QStringLiteral("DejaVu Sans"));
        points.setPointSize(9);
        KlmFont record = klmDefaultControlFont();
        klmStoreQFont(record, points, 96);
        QCOMPARE(record.height, -12);
        QCOMPARE(klmFontPointSize(record.height, 96), 9);

        // Drawing: a face this system lacks is drawn with an installed one,
        // at the stored size.
        const QFont drawn = klmDrawingFont(japanese, base);
        QVERIFY(QFontDatabase::families().contains(drawn.family(), Qt::CaseInsensitive));
        QCOMPARE(drawn.pixelSize(), 16);
        QVERIFY(drawn.bold() && drawn.italic());
    }

    void fontDialogShowsPicksAndResetsOnItsCopy()
    {
        Settings s = klmDefaultSettings();
        s.infoFont.height = -20;
        s.searchFont.weight = 300;
        s.notRenamedColour = 0x123456;
        const Settings original = s;

        QList<KlmFontSlot> asked;
        QFont startOfList;
        KlmFontPicker fonts = [&](QWidget*, const QFont& start, KlmFontSlot slot) -> KlmFontPick {
            asked << slot;
            if (slot == KlmFontSlot::List) {
                startOfList = start;
                QFont f(QStringLiteral("DejaVu Serif"));
                f.setPixelSize(20);
                f.setBold(true);
                return {KlmPickAnswer::Chosen, f};
            }
            if (slot == KlmFontSlot::Info) return {KlmPickAnswer::Reset, QFont()};
            return {KlmPickAnswer::Cancelled, QFont()};
        };
        KlmColourPicker colours = [&](QWidget*, const QColor& start, KlmStateColour state) -> KlmColourPick {
            if (state == KlmStateColour::Owned) {
                if (start != QColor(0, 150, 0)) qWarning("the picker did not start from the colour");
                return {KlmPickAnswer::Chosen, QColor(10, 20, 30)};
            }
            if (state == KlmStateColour::NotRenamed) return {KlmPickAnswer::Reset, QColor()};
            return {KlmPickAnswer::Cancelled, QColor(1, 2, 3)};
        };

        KlmFontColourDialog d(s, &owner_, fonts, colours);
        QCOMPARE(d.objectName(), QStringLiteral("32832"));
        QCOMPARE(d.windowTitle(), klmU("フォント・色"));
        const struct { int id; const char* text; } captions[] = {
            {33500, "リスト"}, {33504, "ゲーム情報"}, {33508, "検索"}, {33512, "ステータスバー"},
        };
        for (const auto& c : captions) QCOMPARE(child<QPushButton>(&d, c.id)->text(), klmU(c.text));
        QCOMPARE(child<QLabel>(&d, 33516)->text(), klmU("所有"));
        QCOMPARE(child<QLabel>(&d, 33520)->text(), klmU("未リネーム"));
        QCOMPARE(child<QLabel>(&d, 33518)->text(), klmU("未所有"));
        QCOMPARE(child<QLabel>(&d, 33501)->text(), klmU("フォント名 ： MS UI Gothic"));
        QCOMPARE(child<QLabel>(&d, 33502)->text(), klmU("スタイル ： 標準"));
        QCOMPARE(child<QLabel>(&d, 33503)->text(), klmU("サイズ ： 9"));
        QCOMPARE(child<QLabel>(&d, 33507)->text(), klmU("サイズ ： 15"));
        QCOMPARE(child<QLabel>(&d, 33510)->text(), klmU("スタイル ： ----"));
        QCOMPARE(child<QLabel>(&d, 33517)->text(), QStringLiteral("( R, G, B ) = (   0, 150,   0)"));
        QCOMPARE(child<QLabel>(&d, 33521)->text(), QStringLiteral("( R, G, B ) = (  86,  52,  18)"));
        QCOMPARE(d.swatch(KlmStateColour::NotOwned)->colour(), QColor(200, 0, 0));

        for (int id : {33500, 33504, 33508}) child<QPushButton>(&d, id)->click();
        QCOMPARE(asked, (QList<KlmFontSlot>{KlmFontSlot::List, KlmFontSlot::Info, KlmFontSlot::Search}));
        // The picker starts from what the slot draws with: an installed face.
        QVERIFY(QFontDatabase::families().contains(startOfList.family(), Qt::CaseInsensitive));
        QCOMPARE(startOfList.pixelSize(), 12);
        QCOMPARE(child<QLabel>(&d, 33501)->text(), klmU("フォント名 ： DejaVu Serif"));
        QCOMPARE(child<QLabel>(&d, 33502)->text(), klmU("スタイル ： 太字"));
        QCOMPARE(child<QLabel>(&d, 33503)->text(), klmU("サイズ ： 15"));
        // "デフォルト" gives the list control's own font, not the last saved one.
        QCOMPARE(child<QLabel>(&d, 33507)->text(), klmU("サイズ ： 9"));
        QCOMPARE(child<QLabel>(&d, 33510)->text(), klmU("スタイル ： ----"));

        // Clicks on the swatches.
        for (KlmStateColour state : {KlmStateColour::Owned, KlmStateColour::NotRenamed, KlmStateColour::NotOwned}) {
            KlmColourSwatch* swatch = d.swatch(state);
            QTest::mouseClick(swatch, Qt::LeftButton, {}, swatch->rect().center());
        }
        QCOMPARE(d.colourText(KlmStateColour::Owned)->text(), QStringLiteral("( R, G, B ) = (  10,  20,  30)"));
        QCOMPARE(d.colourText(KlmStateColour::NotRenamed)->text(), QStringLiteral("( R, G, B ) = ( 232, 152,   0)"));
        QCOMPARE(d.colourText(KlmStateColour::NotOwned)->text(), QStringLiteral("( R, G, B ) = ( 200,   0,   0)"));
        QCOMPARE(d.swatch(KlmStateColour::Owned)->colour(), QColor(10, 20, 30));

        // Only OK gives the copy back; the setting.dat image shows exactly
        // the fonts and colours changed.
        whenOpen<KlmFontColourDialog>([](KlmFontColourDialog* open) {
            child<QPushButton>(open, 33500)->click();
            child<QPushButton>(open, 2)->click();
        });
        QVERIFY(!klmEditFontsColours(&owner_, s, {}, fonts, colours));
        whenOpen<KlmFontColourDialog>([](KlmFontColourDialog* open) {
            child<QPushButton>(open, 33500)->click();
            child<QPushButton>(open, 33504)->click();
            open->pickColour(KlmStateColour::Owned);
            open->pickColour(KlmStateColour::NotRenamed);
            child<QPushButton>(open, 1)->click();
        });
        const auto edited = klmEditFontsColours(&owner_, s, {}, fonts, colours);
        QVERIFY(edited);
        Settings expected = original;
        klmCopyField(expected.listFont.faceName, "DejaVu Serif");
        expected.listFont.height = -20;
        expected.listFont.weight = 700;
        expected.infoFont = expected.defaultFont;
        expected.ownedColour = klmBgr(10, 20, 30);
        expected.notRenamedColour = 0x0098E8;
        QCOMPARE(image(*edited), image(expected));
        QCOMPARE(image(throughSettingFile(*edited)), image(expected));
    }

    void aFaceShownThroughAStandInKeepsItsStoredName()
    {
        Settings s = klmDefaultSettings();
        klmCopyField(s.statusFont.faceName, longJapaneseFace());
        // Only the size changes in the picker.
        KlmFontPicker resize = [](QWidget*, const QFont& start, KlmFontSlot) -> KlmFontPick {
            QFont f = start;
            f.setPixelSize(18);
            return {KlmPickAnswer::Chosen, f};
        };
        KlmFontColourDialog d(s, &owner_, resize, {});
        d.pickFont(KlmFontSlot::Status);
        QCOMPARE(klmField(d.settings().statusFont.faceName), std::string_view(longJapaneseFace()));
        QCOMPARE(d.settings().statusFont.height, -18);
        QCOMPARE(throughSettingFile(d.settings()).statusFont.height, -18);
        QCOMPARE(klmField(throughSettingFile(d.settings()).statusFont.faceName), std::string_view(longJapaneseFace()));
    }

    void realPickersCarryTheDefaultButton()
    {
        // Font: "デフォルト" asks; Cancel keeps the picker open, OK resets.
        whenOpen<QFontDialog>([this](QFontDialog* d) {
            QCOMPARE(d->windowTitle(), klmU("検索フォント設定"));
            QPushButton* reset = d->findChild<QPushButton*>(QStringLiteral("1505"));
            QVERIFY(reset);
            QCOMPARE(reset->text(), klmU("デフォルト"));
            answer_ = QMessageBox::Cancel;
            reset->click();
            QVERIFY(d->isVisible());
            answer_ = QMessageBox::Ok;
            reset->click();
        });
        QCOMPARE(klmRunFontPicker(&owner_, QApplication::font(), KlmFontSlot::Search).answer, KlmPickAnswer::Reset);
        QCOMPARE(messages_.size(), 2);
        QCOMPARE(messages_[1].text, klmU("検索フォントをデフォルト値に戻しますか"));
        QCOMPARE(messages_[1].title, klmU("初期化確認"));
        QCOMPARE(messages_[1].buttons, QMessageBox::Ok | QMessageBox::Cancel);

        whenOpen<QFontDialog>([](QFontDialog* d) { d->accept(); });
        QCOMPARE(klmRunFontPicker(&owner_, QApplication::font(), KlmFontSlot::List).answer, KlmPickAnswer::Chosen);

        // Colour, as the status bar opens it: reset gives the reset value,
        // a plain cancel the current colour.
        messages_.clear();
        whenOpen<QColorDialog>([](QColorDialog* d) {
            QCOMPARE(d->windowTitle(), klmU("未所有 色設定"));
            QCOMPARE(d->currentColor(), QColor(1, 2, 3));
            d->findChild<QPushButton*>(QStringLiteral("1505"))->click();
        });
        QCOMPARE(klmPickStateColour(&owner_, KlmStateColour::NotOwned, klmBgr(1, 2, 3)), 0x0000C8);
        QCOMPARE(messages_.size(), 1);
        QCOMPARE(messages_[0].text, klmU("未所有の色をデフォルト値に戻しますか"));
        QCOMPARE(messages_[0].title, klmU("初期化確認"));

        whenOpen<QColorDialog>([](QColorDialog* d) { d->reject(); });
        QCOMPARE(klmPickStateColour(&owner_, KlmStateColour::Owned, klmBgr(1, 2, 3)), klmBgr(1, 2, 3));
        whenOpen<QColorDialog>([](QColorDialog* d) {
            d->setCurrentColor(QColor(4, 5, 6));
            d->accept();
        });
        QCOMPARE(klmPickStateColour(&owner_, KlmStateColour::Owned, klmBgr(1, 2, 3)), klmBgr(4, 5, 6));
    }

    void fieldItemsDialogMovesAndRefusesAsTheListsSay()
    {
        Settings s = klmDefaultSettings();
        s.sortColumn = 3;  // software/board
        s.shownColumns.items[3].width = 111;
        s.shownColumns.items[3].descending = 1;
        KlmFieldItemsDialog d(s, &owner_);
        QCOMPARE(d.objectName(), QStringLiteral("32852"));
        QCOMPARE(d.windowTitle(), klmU("フィールド項目"));
        QCOMPARE(items(d.targetCombo()), u({"リスト(カラム)", "ゲーム情報(詳細)", "ゲーム情報(簡易)", "ステータスバー"}));
        QCOMPARE(d.shownList()->objectName(), QStringLiteral("32853"));
        QCOMPARE(d.shownList()->headerItem()->text(0), klmU("表示項目"));
        QCOMPARE(d.hiddenList()->headerItem()->text(0), klmU("非表示項目"));
        QCOMPARE(d.shownList()->columnWidth(0), 100);
        const struct { int id; const char* text; } buttons[] = {
            {32855, "追加 →"}, {32856, "削除 ←"}, {32857, "上に移動"}, {32858, "下に移動"},
        };
        for (const auto& b : buttons) QCOMPARE(child<QPushButton>(&d, b.id)->text(), klmU(b.text));
        QCOMPARE(d.shownList()->topLevelItemCount(), 13);
        QCOMPARE(d.shownList()->topLevelItem(0)->text(0), klmU("タイトル"));

        // The title stays: both refusals, nothing moved.
        select(d.shownList(), 0);
        child<QPushButton>(&d, 32856)->click();
        select(d.shownList(), 1);
        child<QPushButton>(&d, 32857)->click();
        QCOMPARE(messages_.size(), 2);
        QCOMPARE(messages_[0].text, klmU("タイトルは非表示にできません。"));
        QCOMPARE(messages_[1].text, klmU("タイトルは移動できません。"));
        QCOMPARE(messages_[1].title, klmU("警告"));
        QCOMPARE(d.shownList()->topLevelItemCount(), 13);

        // Hide the sort column and the last column; the selections follow.
        select(d.shownList(), 3);
        child<QPushButton>(&d, 32856)->click();
        QCOMPARE(rows(d.hiddenList()), u({"ソフト / 基板"}));
        QCOMPARE(selectedRow(d.hiddenList()), 0);
        QCOMPARE(selectedRow(d.shownList()), 3);
        select(d.shownList(), 11);
        child<QPushButton>(&d, 32856)->click();
        QCOMPARE(selectedRow(d.shownList()), 10);
        QCOMPARE(selectedRow(d.hiddenList()), 1);
        // …and bring the sort column back: last, width and direction kept.
        select(d.hiddenList(), 0);
        child<QPushButton>(&d, 32855)->click();
        QCOMPARE(selectedRow(d.shownList()), 11);
        QCOMPARE(d.shownList()->topLevelItem(11)->text(0), klmU("ソフト / 基板"));
        QCOMPARE(selectedRow(d.hiddenList()), 0);
        // Down at the last row does nothing; up moves it.
        child<QPushButton>(&d, 32858)->click();
        QCOMPARE(selectedRow(d.shownList()), 11);
        child<QPushButton>(&d, 32857)->click();
        QCOMPARE(selectedRow(d.shownList()), 10);

        // The status bar: the first item hides and moves freely.
        d.targetCombo()->setCurrentIndex(3);
        QCOMPARE(rows(d.shownList()),
                 u({"所有", "未リネーム", "未所有", "総ゲーム数", "該当するゲーム数", "動画ファイル数", "音量", "再生速度"}));
        select(d.shownList(), 0);
        child<QPushButton>(&d, 32858)->click();
        QCOMPARE(d.shownList()->topLevelItem(1)->text(0), klmU("所有"));
        child<QPushButton>(&d, 32856)->click();
        QCOMPARE(rows(d.hiddenList()), u({"所有"}));
        QCOMPARE(messages_.size(), 2);

        // The simple info: hide developer.
        d.targetCombo()->setCurrentIndex(2);
        select(d.shownList(), 1);
        child<QPushButton>(&d, 32856)->click();

        const Settings r = d.result();
        Settings expected = s;
        expected.shownColumns = klmDefaultShownColumns();
        // 0 10 1 3 4 5 6 7 8 9 2 11 (16 hidden after 2)
        const int32_t fields[] = {0, 10, 1, 3, 4, 5, 6, 7, 8, 9, 2, 11};
        expected.shownColumns.count = 12;
        for (int i = 0; i < 12; ++i) {
            expected.shownColumns.items[i] = {fields[i] == 0 ? 150 : 80, fields[i], 0};
        }
        expected.shownColumns.items[10] = {111, 2, 1};
        expected.hiddenColumns.count = 1;
        expected.hiddenColumns.items[0] = {80, 16, 0};
        expected.sortColumn = 10;  // software/board, found again
        expected.fieldDialogTarget = 2;
        expected.statusShown.count = 7;
        const int32_t status[] = {1, 2, 3, 4, 5, 6, 7};
        for (int i = 0; i < 7; ++i) expected.statusShown.items[i] = status[i];
        expected.statusHidden.count = 1;
        expected.statusHidden.items[0] = 0;
        expected.simpleShown.count = 5;
        const int32_t simple[] = {0, 4, 5, 7, 8};
        for (int i = 0; i < 5; ++i) expected.simpleShown.items[i] = simple[i];
        expected.simpleHidden.count = 1;
        expected.simpleHidden.items[0] = 3;
        QCOMPARE(image(r), image(expected));
        QCOMPARE(image(throughSettingFile(r)), image(expected));
    }

    void fieldItemsDialogOkAndCancel()
    {
        Settings s = klmDefaultSettings();
        s.sortColumn = 1;
        s.fieldDialogTarget = 1;
        whenOpen<KlmFieldItemsDialog>([](KlmFieldItemsDialog* d) {
            QCOMPARE(d->targetCombo()->currentIndex(), 1);
            d->targetCombo()->setCurrentIndex(0);
            select(d->shownList(), 1);
            d->hideSelected();
            child<QPushButton>(d, 2)->click();
        });
        QVERIFY(!klmEditFieldItems(&owner_, s));

        // Hiding the sort column makes the title the sort column.
        whenOpen<KlmFieldItemsDialog>([](KlmFieldItemsDialog* d) {
            d->targetCombo()->setCurrentIndex(0);
            select(d->shownList(), 1);
            d->hideSelected();
            child<QPushButton>(d, 1)->click();
        });
        const auto r = klmEditFieldItems(&owner_, s);
        QVERIFY(r);
        QCOMPARE(r->sortColumn, 0);
        QCOMPARE(r->fieldDialogTarget, 0);
        QCOMPARE(r->hiddenColumns.count, 1);
        QCOMPARE(r->hiddenColumns.items[0].field, 10);
        QCOMPARE(throughSettingFile(*r).sortColumn, 0);
    }
};

QTEST_MAIN(PresentationDialogsTest)
#include "presentation_dialogs_test.moc"
