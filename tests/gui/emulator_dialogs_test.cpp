// The emulator dialog and its add/edit box on a working copy of a registry:
// the buttons reach the core's list operations with the right boxes, and the
// box checks its fields before it takes them. Boxes are intercepted; the
// modal add/edit box is driven from a timer once it is open.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

#include <functional>
#include <memory>

#include "dialog_driver.h"
#include "emulator_dialogs.h"
#include "message_box.h"
#include "qt_text.h"

namespace {

template <class W>
W* child(QWidget* dialog, int id)
{
    return dialog->findChild<W*>(QString::number(id));
}

MasterEntry hard(std::string_view utf8Name)
{
    MasterEntry e{};
    klmCopyField(e.name, klmFromUtf8(utf8Name));
    return e;
}

EmulatorEntry entry(const char* name, const char* path)
{
    EmulatorEntry e = klmNewEmulatorEntry("/tmp");
    klmCopyField(e.name, name);
    klmCopyField(e.filePath, path);
    return e;
}

}  // namespace

class EmulatorDialogsTest : public QObject {
    Q_OBJECT

    KlmBoxOwner owner_;

private:
    QList<KlmMessage> messages_;
    QMessageBox::StandardButton answer_ = QMessageBox::Ok;
    Catalogue cat_;
    EmulatorRegistry reg_;
    QTemporaryDir dir_;

    QString lastText() const { return messages_.isEmpty() ? QString() : messages_.constLast().text; }

private Q_SLOTS:
    void init()
    {
        messages_.clear();
        answer_ = QMessageBox::Ok;
        owner_.messenger.setHook([this](const KlmMessage& m) {
            messages_.push_back(m);
            return answer_;
        });
        cat_ = Catalogue{};
        cat_.hardware = {hard("ファミコン"), hard("PCエンジン")};
        klmInitEmulatorRegistry(reg_, cat_);
        for (const char* n : {"A", "B", "C"})
            klmAppendEmulator(reg_.blocks[0], entry(n, (std::string("/emu/") + n).c_str()));
        reg_.blocks[0].defaultIndex = 1;
    }

    void cleanup() { owner_.messenger.setHook({}); }

    void listButtonsWorkOnTheCopy()
    {
        EmulatorDialog d(&owner_, reg_, cat_, 0, true, QString(), dir_.path());
        QTreeWidget* list = d.list();
        QCOMPARE(list->topLevelItemCount(), 3);
        QVERIFY(child<QCheckBox>(&d, 36013)->isChecked());

        list->setCurrentItem(list->topLevelItem(1));  // the default
        click(&d, 36006);
        QCOMPARE(d.registry().blocks[0].defaultIndex, 2);
        QCOMPARE(list->currentItem()->text(1), QStringLiteral("B"));
        QVERIFY(list->topLevelItem(2)->data(0, Qt::UserRole).toBool());

        click(&d, 36007);  // the default deleted: the first remaining becomes it
        QCOMPARE(lastText(), klmU("ファミコンのエミュレータ\n1ケをリストから削除しますか"));
        QCOMPARE(messages_.constLast().title, klmU("削除確認"));
        QCOMPARE(d.registry().blocks[0].count, 2);
        QCOMPARE(d.registry().blocks[0].defaultIndex, 0);

        // Copied on one hardware, pasted on another.
        list->setCurrentItem(list->topLevelItem(1));
        click(&d, 36009);
        child<QComboBox>(&d, 36001)->setCurrentIndex(1);
        QCOMPARE(list->topLevelItemCount(), 0);
        click(&d, 36010);
        QCOMPARE(d.registry().blocks[1].count, 1);
        QCOMPARE(klmField(d.registry().blocks[1].entries[0].name), "C");
        QCOMPARE(d.registry().blocks[1].defaultIndex, 0);

        answer_ = QMessageBox::Cancel;
        click(&d, 36008);
        QCOMPARE(lastText(), klmU("PCエンジンのエミュレータを全てリストから削除しますか"));
        QCOMPARE(d.registry().blocks[1].count, 1);
        answer_ = QMessageBox::Ok;
        click(&d, 36008);
        QCOMPARE(d.registry().blocks[1].count, 0);
        QCOMPARE(d.registry().blocks[1].defaultIndex, -1);

        // Double click makes the default; the registry given stays as it was.
        child<QComboBox>(&d, 36001)->setCurrentIndex(0);
        list->setCurrentItem(list->topLevelItem(1));
        Q_EMIT list->itemDoubleClicked(list->topLevelItem(1), 1);
        QCOMPARE(d.registry().blocks[0].defaultIndex, 1);
        QCOMPARE(reg_.blocks[0].count, 3);
        QCOMPARE(d.hardware(), 0);
    }

    void addStopsAtThirty()
    {
        for (int i = 3; i < kKlmMaxEmulators; ++i)
            klmAppendEmulator(reg_.blocks[0], entry("x", ("/emu/x" + std::to_string(i)).c_str()));
        EmulatorDialog d(&owner_, reg_, cat_, 0, false, QString(), dir_.path());
        click(&d, 36003);
        QCOMPARE(lastText(), klmU("エミュレータは最大30ケまで登録できます"));
        QCOMPARE(messages_.constLast().title, klmU("警告"));
        QCOMPARE(d.registry().blocks[0].count, kKlmMaxEmulators);
    }

    void addBoxChecksItsFieldsAndPickers()
    {
        const QString program = dir_.path() + QStringLiteral("/bin/my-emu.sh");
        QVERIFY(QDir().mkpath(dir_.path() + QStringLiteral("/bin")));
        QFile f(program);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        QList<KlmPickRequest> asked;
        auto picker = [&](QWidget*, const KlmPickRequest& r) {
            asked.push_back(r);
            return r.kind == KlmPickRequest::Program ? program : QString();
        };
        EmulatorDialog d(&owner_, reg_, cat_, 0, false, QString(), dir_.path(), picker);
        bool seen = false;
        whenOpen(QStringLiteral("32884"), [&](QWidget* box) {
            seen = true;
            QCOMPARE(box->windowTitle(), klmU("エミュレータ追加 - ファミコン"));
            QCOMPARE(child<QLineEdit>(box, 32892)->text(), QStringLiteral("$image"));
            QCOMPARE(child<QLineEdit>(box, 32893)->text(), dir_.path());
            QVERIFY(child<QCheckBox>(box, 32888)->isChecked());
            QVERIFY(!child<QLineEdit>(box, 32893)->isEnabled());
            child<QCheckBox>(box, 32889)->setChecked(true);
            QVERIFY(child<QLineEdit>(box, 32893)->isEnabled());

            click(box, 1);
            QCOMPARE(lastText(), klmU("エミュレータ名が未指定です"));
            child<QLineEdit>(box, 32885)->setText(QStringLiteral("A"));
            click(box, 1);
            QCOMPARE(lastText(), klmU("エミュレータ名が重複しています"));
            child<QLineEdit>(box, 32885)->clear();

            click(box, 32887);  // the picker fills the path and the empty name
            QCOMPARE(asked.constLast().title, klmU("エミュレータ選択 - ファミコン"));
            QCOMPARE(child<QLineEdit>(box, 32886)->text(), program);
            QCOMPARE(child<QLineEdit>(box, 32885)->text(), QStringLiteral("my-emu"));
            click(box, 32896);
            QCOMPARE(asked.constLast().title, klmU("仮想キーコードファイル選択 - ファミコン - my-emu"));
            QCOMPARE(child<QLineEdit>(box, 32895)->text(), QString());  // nothing chosen, nothing changed

            child<QLineEdit>(box, 32895)->setText(QStringLiteral("/no/keys.dat"));
            click(box, 1);
            QCOMPARE(lastText(), klmU("仮想キーコードファイルが存在しません"));
            child<QLineEdit>(box, 32895)->clear();
            click(box, 1);
            QVERIFY(!box->isVisible());
        });
        click(&d, 36003);
        QVERIFY(seen);
        QCOMPARE(d.registry().blocks[0].count, 4);
        const EmulatorEntry& added = d.registry().blocks[0].entries[3];
        QCOMPARE(klmField(added.name), "my-emu");
        QCOMPARE(added.extract, 1);
        QCOMPARE(d.list()->currentItem()->text(1), QStringLiteral("my-emu"));
    }
};

QTEST_MAIN(EmulatorDialogsTest)
#include "emulator_dialogs_test.moc"
