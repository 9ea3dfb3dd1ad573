// The about box and the snap-skin dialogs: links that open while the box
// stays open, the add/edit checks in order with their warnings, the
// file-name convention and the preview, the list's buttons and questions
// on a working copy, and skin.dat written from what the dialog made.
#include <QApplication>
#include <QComboBox>
#include <QImageWriter>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

#include <functional>

#include "about_dialog.h"
#include "catalogue/app_paths.h"
#include "dialog_driver.h"
#include "dialog_test_util.h"
#include "media/skins.h"
#include "message_box.h"
#include "qt_text.h"
#include "skin_dialogs.h"
#include "text/cp932.h"

namespace {

void writePicture(const QString& path, QSize size, const QColor& colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    QVERIFY(QImageWriter(path, "png").write(image));
}

MasterEntry hardware(int32_t key, int32_t skinMode, const char* utf8Name)
{
    MasterEntry e{};
    e.key = key;
    e.skin = skinMode;
    klmCopyField(e.name, klmFromUtf8(utf8Name));
    return e;
}

QStringList itemTexts(QTreeWidget* list)
{
    QStringList texts;
    for (int i = 0; i < list->topLevelItemCount(); ++i) texts << list->topLevelItem(i)->text(0);
    return texts;
}

void selectItems(QTreeWidget* list, std::initializer_list<int> items)
{
    list->clearSelection();
    for (int i : items) list->topLevelItem(i)->setSelected(true);
    list->setCurrentItem(list->topLevelItem(*items.begin()), 0, QItemSelectionModel::NoUpdate);
}

}  // namespace

class MediaDialogsTest : public QObject {
    Q_OBJECT

    KlmBoxOwner owner_;

    QTemporaryDir dir_;
    AppPaths paths_;
    Catalogue cat_;
    SkinTable table_;
    QList<KlmMessage> messages_;
    QMessageBox::StandardButton answer_ = QMessageBox::Ok;

    QString file(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }

    // Adds a skin through "追加" with the given texts; true when it was stored.
    bool addSkin(KlmSkinListDialog* list, const QString& name, const QString& path, const QStringList& rect)
    {
        const int before = list->list()->topLevelItemCount();
        whenOpen<KlmSkinEditDialog>([=](KlmSkinEditDialog* edit) {
            edit->nameEdit()->setText(name);
            edit->choosePath(path);
            for (int i = 0; i < rect.size(); ++i) edit->rectEdit(i)->setText(rect[i]);
            edit->findChild<QPushButton*>(QStringLiteral("1"))->click();
        });
        list->findChild<QPushButton*>(QStringLiteral("33607"))->click();
        return list->list()->topLevelItemCount() == before + 1;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QDir(dir_.path()).mkpath(QStringLiteral("skin"));
        QDir(dir_.path()).mkpath(QStringLiteral("save"));
        klmBuildAppPaths(paths_, dir_.path().toStdString());
        writePicture(file("skin/tv_40_30_320_240.png"), {400, 300}, Qt::darkGray);
        writePicture(file("skin/tall.png"), {300, 400}, Qt::darkGray);
        writePicture(file("skin/tv_12_8.png"), {400, 300}, Qt::darkGray);
        cat_.hardware = {hardware(3, 1, "テレビ"), hardware(7, 2, "携帯"), hardware(9, 0, "無し")};
        for (size_t i = 0; i < cat_.hardware.size(); ++i) cat_.hardware[i].position = int32_t(i);
        owner_.messenger.setHook([this](const KlmMessage& m) {
            messages_ << m;
            return m.buttons.testFlag(QMessageBox::Cancel) ? answer_ : QMessageBox::Ok;
        });
    }

    void cleanupTestCase()
    {
        owner_.messenger.setHook({});
    }

    void init()
    {
        messages_.clear();
        answer_ = QMessageBox::Ok;
        klmBuildSkinTable(table_, cat_);
    }

    void aboutBoxOpensItsLinksAndStaysOpen()
    {
        QList<QUrl> opened;
        KlmAboutDialog about(&owner_, [&opened](const QUrl& url) { opened << url; });
        about.show();
        QCOMPARE(about.objectName(), QStringLiteral("103"));
        QCOMPARE(about.windowTitle(), klmU("バージョン情報 Kolmar"));
        QStringList texts;
        for (QLabel* l : about.findChildren<QLabel*>()) texts << l->text();
        QVERIFY(texts.contains(QStringLiteral("Kolmar v0.081")));
        QVERIFY(texts.contains(QStringLiteral("WebSite")) && texts.contains(QStringLiteral("BBS")));
        QVERIFY(!about.findChild<QLabel*>(QStringLiteral("107"))->pixmap().isNull());

        KlmLinkLabel* web = about.webLink();
        QCOMPARE(web->objectName(), QStringLiteral("42200"));
        QCOMPARE(about.bbsLink()->objectName(), QStringLiteral("42201"));
        QCOMPARE(web->cursor().shape(), Qt::PointingHandCursor);
        QVERIFY(web->font().underline());
        // Drawn in blue: some pixels of the text are pure blue.
        const QImage shot = web->grab().toImage();
        int blue = 0;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x)
                if (shot.pixelColor(x, y) == QColor(0, 0, 255)) ++blue;
        QVERIFY(blue > 20);

        QTest::mouseClick(web, Qt::LeftButton);
        QTest::mouseClick(about.bbsLink(), Qt::LeftButton);
        QCOMPARE(opened, (QList<QUrl>{QUrl(QString::fromLatin1(kKlmHomeUrl)), QUrl(QString::fromLatin1(kKlmIssuesUrl))}));
        QVERIFY(about.isVisible());
        about.findChild<QPushButton*>(QStringLiteral("1"))->click();
        QVERIFY(!about.isVisible());
    }

    void listShowsRowsKindsAndTheRememberedSlot()
    {
        KlmSkinListDialog dialog(table_, cat_, paths_, 4, &owner_);
        QCOMPARE(dialog.windowTitle(), klmU("スナップスキン"));
        QCOMPARE(dialog.rowCombo()->count(), 3);  // テレビ, 携帯(横), 携帯(縦); 無し has no row
        QCOMPARE(dialog.rowCombo()->itemText(2), klmU("携帯(縦)"));
        QCOMPARE(dialog.kindCombo()->itemText(2), klmU("ビデオスナップ(動画)"));
        QCOMPARE(dialog.rowCombo()->currentIndex(), 1);
        QCOMPARE(dialog.kindCombo()->currentIndex(), 1);
        QCOMPARE(itemTexts(dialog.list()), QStringList{klmU("デフォルトフレーム")});
        dialog.kindCombo()->setCurrentIndex(2);
        QCOMPARE(dialog.currentSlot(), 5);
        dialog.rowCombo()->setCurrentIndex(0);
        QCOMPARE(dialog.currentSlot(), 2);
        QCOMPARE(dialog.menuTexts(),
                 (QStringList{klmU("スナップスキンに設定"), klmU("全てのテレビのスナップスキンに設定"),
                              klmU("全てのビデオスナップ(動画)のスナップスキンに設定"), klmU("全てのスナップスキンに設定")}));

        KlmSkinListDialog fresh(table_, cat_, paths_, 99, &owner_);  // a slot no longer there
        QCOMPARE(fresh.currentSlot(), 0);
    }

    void addCheckWarnsInOrderAndKeepsTheDialogOpen()
    {
        SkinSlot slot;
        slot.skins[0] = klmNewSnapSkin();
        klmCopyField(slot.skins[0].name, "tv");
        klmCopyField(slot.skins[0].framePath, file("skin/tall.png").toStdString());
        slot.count = 1;
        KlmSkinEditDialog edit(slot, -1, klmU("テレビ - タイトルスナップ"), paths_, &owner_);
        QCOMPARE(edit.windowTitle(), klmU("スナップスキン追加 - テレビ - タイトルスナップ"));
        QCOMPARE(edit.positionCombo()->currentIndex(), 2);
        QCOMPARE(edit.sizeCombo()->currentIndex(), 0);
        QCOMPARE(edit.positionCombo()->itemText(1), klmU("小数第1位を四捨五入する"));
        QVERIFY(!edit.preview()->hasPicture());
        edit.show();

        const struct {
            const char* name;
            QString path;
            const char* message;
        } steps[] = {
            {"", QString(), "スナップスキン名が未入力です"},
            {"デフォルトフレーム", QString(), "\"デフォルトフレーム\"はスナップスキン名に使えません"},
            {"tv", QString(), "スナップスキン名が重複します"},
            {"new", QString(), "スナップスキンのファイルパスが未入力です"},
            {"new", file("skin/gone.png"), "指定されたスナップスキンのファイルが存在しません"},
            {"new", file("skin/tall.png"), "スナップスキンのファイルパスが重複します"},
            {"new", file("skin/tv_12_8.png"), "スナップ表示矩形の左上隅のX座標が未入力です"},
        };
        for (const auto& step : steps) {
            messages_.clear();
            edit.nameEdit()->setText(klmU(step.name));
            edit.pathEdit()->setText(step.path);
            edit.findChild<QPushButton*>(QStringLiteral("1"))->click();
            QCOMPARE(messages_.size(), 1);
            QCOMPARE(messages_[0].text, klmU(step.message));
            QCOMPARE(messages_[0].title, klmU("警告"));
            QCOMPARE(messages_[0].icon, QMessageBox::Information);
            QVERIFY(edit.isVisible());
        }
        QCOMPARE(slot.count, 1);

        // A name that does not fit is refused with its own warning.
        messages_.clear();
        edit.nameEdit()->setText(QString(128, QLatin1Char('n')));
        edit.findChild<QPushButton*>(QStringLiteral("1"))->click();
        QCOMPARE(messages_.value(0).text, klmU("スナップスキン名が長すぎます"));

        // Four "_" fill the rectangle; two fill nothing; the name stays.
        edit.nameEdit()->setText(QStringLiteral("new"));
        edit.choosePath(file("skin/tv_40_30_320_240.png"));
        QCOMPARE(edit.rectEdit(0)->text(), QStringLiteral("40"));
        QCOMPARE(edit.rectEdit(3)->text(), QStringLiteral("240"));
        QCOMPARE(edit.nameEdit()->text(), QStringLiteral("new"));
        edit.choosePath(file("skin/tv_12_8.png"));
        QCOMPARE(edit.rectEdit(0)->text(), QStringLiteral("40"));
        edit.choosePath(file("skin/tv_40_30_320_240.png"));

        messages_.clear();
        edit.findChild<QPushButton*>(QStringLiteral("1"))->click();
        QVERIFY(messages_.isEmpty());
        QCOMPARE(slot.count, 2);
        QCOMPARE(klmField(slot.skins[1].name), "new");
        QCOMPARE(slot.skins[1].width, 320);
    }

    void previewFitsTheFrameAndOutlinesTheRectangle()
    {
        SkinSlot slot;
        KlmSkinEditDialog edit(slot, -1, QStringLiteral("x"), paths_, &owner_);
        edit.choosePath(file("skin/tv_40_30_320_240.png"));
        KlmSkinPreview* preview = edit.preview();
        QCOMPARE(preview->objectName(), QStringLiteral("KLMSKINAEPREVIEWWNDCLASS"));
        QVERIFY(preview->hasPicture());
        // 400 × 300 in the 320 box: 320 × 240, 40 from the top.
        QCOMPARE(preview->geometry(), QRect(0, 40, 320, 240));
        QCOMPARE(preview->outline(), (KlmRect{32, 24, 256, 192}));
        const QImage shot = preview->grab().toImage();
        QCOMPARE(shot.pixelColor(32, 100), QColor(255, 255, 0));
        QCOMPARE(shot.pixelColor(32 + 255, 100), QColor(255, 255, 0));
        QCOMPARE(shot.pixelColor(100, 24 + 191), QColor(255, 255, 0));
        QVERIFY(shot.pixelColor(100, 100) != QColor(255, 255, 0));
        QVERIFY(shot.pixelColor(32 + 256, 100) != QColor(255, 255, 0));

        // A method change updates it at once; a missing file clears it.
        edit.rectEdit(1)->setText(QStringLiteral("31"));
        edit.positionCombo()->setCurrentIndex(0);
        QCOMPARE(preview->outline().y, 25);  // 24.8 rounded up
        edit.choosePath(file("skin/tall.png"));
        QCOMPARE(preview->geometry(), QRect(40, 0, 240, 320));
        edit.pathEdit()->setText(file("skin/gone.png"));
        edit.updatePreview();
        QVERIFY(!preview->hasPicture());
    }

    void listButtonsWorkOnTheCopyAndAsk()
    {
        table_.slots[0].selected = -1;
        KlmSkinListDialog dialog(table_, cat_, paths_, 0, &owner_);
        dialog.show();
        const QString tv = file("skin/tv_40_30_320_240.png");
        QVERIFY(addSkin(&dialog, QStringLiteral("a"), tv, {}));
        QVERIFY(addSkin(&dialog, QStringLiteral("b"), file("skin/tall.png"), {QStringLiteral("1"), QStringLiteral("2"),
                                                                             QStringLiteral("3"), QStringLiteral("4")}));
        QCOMPARE(itemTexts(dialog.list()), (QStringList{klmU("デフォルトフレーム"), QStringLiteral("a"), QStringLiteral("b")}));
        QCOMPARE(table_.slots[0].count, 0);  // only the copy changed

        // Double click chooses; the check mark and the selection follow it.
        selectItems(dialog.list(), {2});
        dialog.choose(KlmSkinScope::Slot);
        QCOMPARE(dialog.table().slots[0].selected, 1);
        QCOMPARE(dialog.list()->currentItem()->text(0), QStringLiteral("b"));

        // Up: b and its choice move together, and b stays selected.
        dialog.move(-1);
        QCOMPARE(itemTexts(dialog.list()).mid(1), (QStringList{QStringLiteral("b"), QStringLiteral("a")}));
        QCOMPARE(dialog.table().slots[0].selected, 0);
        QCOMPARE(dialog.list()->currentItem()->text(0), QStringLiteral("b"));

        // Copy both, paste into the game-snapshot slot and the portrait row.
        selectItems(dialog.list(), {1, 2});
        dialog.copySelected();
        QCOMPARE(dialog.copied(), 2);
        dialog.kindCombo()->setCurrentIndex(1);
        dialog.paste();
        QCOMPARE(dialog.table().slots[1].count, 2);
        dialog.rowCombo()->setCurrentIndex(2);
        dialog.kindCombo()->setCurrentIndex(0);
        dialog.paste();
        QCOMPARE(dialog.currentSlot(), 6);

        // "全てのスナップスキンに設定" with a: every slot holding that frame chooses it.
        selectItems(dialog.list(), {2});
        answer_ = QMessageBox::Cancel;
        messages_.clear();
        dialog.choose(KlmSkinScope::All);
        QCOMPARE(messages_.value(0).text, klmU("全てのスナップスキンに設定しますか"));
        QCOMPARE(messages_.value(0).title, klmU("確認"));
        QCOMPARE(dialog.table().slots[6].selected, -1);  // cancelled
        answer_ = QMessageBox::Ok;
        dialog.choose(KlmSkinScope::All);
        QCOMPARE(dialog.table().slots[6].selected, 1);
        QCOMPARE(dialog.table().slots[1].selected, 1);
        QCOMPARE(dialog.table().slots[0].selected, 1);
        QCOMPARE(dialog.table().slots[3].selected, -1);  // no such frame there

        // Delete asks with the slot label and the count; the chosen skin goes.
        selectItems(dialog.list(), {0, 2});  // item 0 never counts
        messages_.clear();
        answer_ = QMessageBox::Cancel;
        dialog.removeSelected();
        QCOMPARE(messages_.value(0).text, klmU("携帯(縦) - タイトルスナップの\nスナップスキン1ケをリストから削除しますか"));
        QCOMPARE(messages_.value(0).title, klmU("削除確認"));
        QCOMPARE(dialog.table().slots[6].count, 2);
        answer_ = QMessageBox::Ok;
        selectItems(dialog.list(), {0, 2});
        dialog.removeSelected();
        QCOMPARE(dialog.table().slots[6].count, 1);
        QCOMPARE(dialog.table().slots[6].selected, -1);
        QCOMPARE(dialog.list()->topLevelItem(0)->isSelected(), true);  // back on the default frame

        messages_.clear();
        dialog.removeAll();
        QCOMPARE(messages_.value(0).text, klmU("携帯(縦) - タイトルスナップの\nスナップスキンを全てリストから削除しますか"));
        QCOMPARE(dialog.table().slots[6].count, 0);
    }

    void fullSlotRefusesAdding()
    {
        for (int i = 0; i < kKlmMaxSkinsPerSlot; ++i) {
            table_.slots[0].skins[size_t(i)] = klmNewSnapSkin();
            klmCopyField(table_.slots[0].skins[size_t(i)].name, "s" + std::to_string(i));
        }
        table_.slots[0].count = kKlmMaxSkinsPerSlot;
        KlmSkinListDialog dialog(table_, cat_, paths_, 0, &owner_);
        dialog.add();  // no add dialog opens: the warning only
        QCOMPARE(messages_.size(), 1);
        QCOMPARE(messages_[0].text, klmU("これ以上スナップスキンを登録できません"));
        QCOMPARE(messages_[0].title, klmU("警告"));
        QCOMPARE(itemTexts(dialog.list()).size(), kKlmMaxSkinsPerSlot + 1);
    }

    // The add and edit dialogs opened from the list are placed as the
    // window places its own (centred when the settings ask for it).
    void innerDialogsGoThroughThePlacer()
    {
        KlmSkinListDialog dialog(table_, cat_, paths_, 3, &owner_);
        QStringList placed;
        dialog.setDialogPlacer([&placed](QWidget* d) { placed << d->objectName(); });
        QVERIFY(addSkin(&dialog, klmU("携帯"), file("skin/tv_40_30_320_240.png"), {}));
        selectItems(dialog.list(), {1});
        whenOpen<KlmSkinEditDialog>([](KlmSkinEditDialog* edit) { edit->reject(); });
        dialog.edit();
        QCOMPARE(placed, (QStringList{QStringLiteral("33620"), QStringLiteral("33620")}));
    }

    // What the dialog made survives skin.dat: written, read into a fresh
    // table, and shown again by a new dialog.
    void skinDatRoundTripThroughTheDialog()
    {
        KlmSkinListDialog dialog(table_, cat_, paths_, 3, &owner_);
        dialog.show();
        QVERIFY(addSkin(&dialog, klmU("横の携帯"), file("skin/tv_40_30_320_240.png"), {}));
        selectItems(dialog.list(), {1});
        dialog.choose(KlmSkinScope::Slot);
        // Edit opens filled in; the size method changes there.
        whenOpen<KlmSkinEditDialog>([](KlmSkinEditDialog* edit) {
            QCOMPARE(edit->windowTitle(), klmU("スナップスキン編集 - 携帯(横) - タイトルスナップ"));
            QCOMPARE(edit->rectEdit(2)->text(), QStringLiteral("320"));
            QVERIFY(edit->preview()->hasPicture());
            edit->sizeCombo()->setCurrentIndex(1);
            edit->findChild<QPushButton*>(QStringLiteral("1"))->click();
        });
        dialog.edit();
        dialog.findChild<QPushButton*>(QStringLiteral("1"))->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));

        const std::string path = paths_.skinDat;
        std::string error;
        QVERIFY(klmSaveSkinFile(path, dialog.table(), cat_, &error));
        SkinTable reread;
        klmBuildSkinTable(reread, cat_);
        QVERIFY(klmLoadSkinFile(path, reread, cat_, {}));
        QCOMPARE(klmSkinImage(reread, cat_), klmSkinImage(dialog.table(), cat_));
        const SkinSlot& slot = reread.slots[3];
        QCOMPARE(slot.count, 1);
        QCOMPARE(slot.selected, 0);
        QCOMPARE(klmToUtf8(klmField(slot.skins[0].name)), std::string("横の携帯"));
        QCOMPARE(slot.skins[0].sizeMethod, kKlmRoundHalf);

        KlmSkinListDialog again(reread, cat_, paths_, 3, &owner_);
        QCOMPARE(itemTexts(again.list()), (QStringList{klmU("デフォルトフレーム"), klmU("横の携帯")}));
        QCOMPARE(again.list()->currentItem()->text(0), klmU("横の携帯"));
    }
};

QTEST_MAIN(MediaDialogsTest)
#include "media_dialogs_test.moc"
