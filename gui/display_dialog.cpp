#include "display_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>


#include "catalogue/format.h"
#include "dialog_kit.h"
#include "message_box.h"
#include "qt_text.h"

namespace {

struct CheckControl {
    int id;
    const char* text;
    int32_t Settings::*field;
};

// The check boxes of the Settings, by control id.
constexpr CheckControl kChecks[] = {
    {32820, "縞模様にする", &Settings::striped},
    {32821, "グリッドラインを表示する", &Settings::gridLines},
    {32822, "所有/未リネーム/未所有を色分けして表示する", &Settings::colourByOwnership},
    {32846, "CRC32が 00000000 のゲームを所有とする", &Settings::crcZerosOwned},
    {32847, "CRC32が FFFFFFFF のゲームを所有とする", &Settings::crcOnesOwned},
    {32823, "更新時にカラムの幅を自動調節する", &Settings::fitColumnsOnRefresh},
    {32828, "ゲーム情報のタイトルの下を一行空ける", &Settings::blankLineUnderTitle},
    {42008, "ゲーム情報アイコンを表示する", &Settings::showInfoIcon},
    {42009, "ゲーム情報文字列を表示する", &Settings::showInfoText},
    {32850, "ダイアログを画面の中央に配置する", &Settings::centreDialogs},
    {32851, "ダイアログ表示中は動画を一時停止する", &Settings::pauseMovieForDialogs},
    {32824, "ステータスバーを表示する", &Settings::showStatusBar},
    {32825, "ツールバーを表示する", &Settings::showToolbar},
};
constexpr int kAlwaysDefaultId = 42003;
constexpr const char* kAlwaysDefaultText = "全てデフォルトフレームで表示する";
constexpr int kIntervalId = 42000;
constexpr int kFrameWidthId = 42004;

struct ComboControl {
    int id;
    int32_t Settings::*field;
    int32_t first;  // the stored value of item 0
};

// The combo boxes, by control id; the icon source is stored as 100 + item.
constexpr ComboControl kCombos[] = {
    {32838, &Settings::dateFormat, 0},     {32839, &Settings::priceFormat, 0},
    {32840, &Settings::romSizeFormat, 0},  {32826, &Settings::listIconSource, 100},
    {32829, &Settings::tooltipContent, 0}, {42001, &Settings::autoSelectOrder, 0},
    {32827, &Settings::infoVariant, 0},    {42002, &Settings::movieAspect, 0},
};

QStringList utf8List(std::initializer_list<const char*> texts)
{
    QStringList out;
    for (const char* t : texts) out << klmU(t);
    return out;
}

// Each format's item is its own sample (15 July 1983, 3,800 yen,
// 24,576 bytes), so the list shows exactly what the texts will look like.
QStringList comboItems(int id)
{
    QStringList items;
    switch (id) {
    case 32838:
        for (int f = 0; f <= 5; ++f) items << klmQ(klmFormatDate(19830715, f));
        return items;
    case 32839:
        for (int f = 0; f <= 3; ++f) items << klmQ(klmFormatPrice(3800, f));
        return items;
    case 32840: return {klmQ(klmFormatSizeShort(24576)), klmQ(klmFormatSizeBytes(24576))};
    case 32826: return utf8List({"ハード", "ソフト / 基板"});
    case 32829: return utf8List({"標準", "ゲーム情報(詳細)と一致", "ゲーム情報(簡易)と一致"});
    case 42001: return utf8List({"昇順", "降順", "ランダム"});
    case 32827: return utf8List({"詳細", "簡易"});
    case 42002: return utf8List({"タイトルスナップに一致", "ゲームスナップに一致", "元のアスペクト比を維持"});
    default: return items;
    }
}

const ComboControl& combo(int id)
{
    for (const ComboControl& c : kCombos)
        if (c.id == id) return c;
    return kCombos[0];
}

const CheckControl& check(int id)
{
    for (const CheckControl& c : kChecks)
        if (c.id == id) return c;
    return kChecks[0];
}

}  // namespace

KlmDisplayDialog::KlmDisplayDialog(const KlmDisplayValues& values, QWidget* parent) : QDialog(parent), values_(values)
{
    setObjectName(QStringLiteral("32814"));
    setWindowTitle(klmU(kKlmDisplaySettingsTitle));
    const Settings& s = values_.settings;
    auto comboFor = [this, &s](int id) {
        const ComboControl& c = combo(id);
        return addCombo(id, comboItems(id), s.*c.field - c.first);
    };
    auto checkFor = [this, &s](int id) { return addCheck(id, check(id).text, s.*check(id).field); };

    auto* formats = new QGroupBox(klmU("表示形式"), this);
    auto* formatForm = new QFormLayout(formats);
    formatForm->addRow(klmU("発売日表示"), comboFor(32838));
    formatForm->addRow(klmU("価格表示"), comboFor(32839));
    formatForm->addRow(klmU("ロムサイズ表示"), comboFor(32840));

    auto* list = new QGroupBox(klmU("リスト"), this);
    auto* listForm = new QFormLayout(list);
    for (int id : {32820, 32821, 32822, 32846, 32847, 32823}) listForm->addRow(checkFor(id));
    listForm->addRow(klmU("アイコン"), comboFor(32826));
    listForm->addRow(klmU("ツールチップ"), comboFor(32829));

    auto* autoSelect = new QGroupBox(klmU("リスト自動選択"), this);
    auto* autoForm = new QFormLayout(autoSelect);
    autoForm->addRow(klmU("順番"), comboFor(42001));
    interval_ = addNumber(kIntervalId, s.autoSelectInterval);
    autoForm->addRow(klmU("間隔(ミリ秒)"), interval_);

    auto* info = new QGroupBox(klmU("ゲーム情報"), this);
    auto* infoForm = new QFormLayout(info);
    infoForm->addRow(checkFor(32828));
    infoForm->addRow(klmU("表示"), comboFor(32827));
    infoForm->addRow(checkFor(42008));
    infoForm->addRow(checkFor(42009));

    auto* window = new QGroupBox(klmU("ウィンドウ"), this);
    auto* windowForm = new QFormLayout(window);
    for (int id : {32850, 32851, 32824, 32825}) windowForm->addRow(checkFor(id));

    auto* snaps = new QGroupBox(klmU("スナップ・動画"), this);
    auto* snapForm = new QFormLayout(snaps);
    snapForm->addRow(addCheck(kAlwaysDefaultId, kAlwaysDefaultText, values_.alwaysDefault));
    frameWidth_ = addNumber(kFrameWidthId, values_.frameWidth);
    snapForm->addRow(klmU("フレーム幅"), frameWidth_);
    snapForm->addRow(klmU("動画"), comboFor(42002));

    QHBoxLayout* buttons = klmOkCancelRow(this);

    auto* grid = new QGridLayout(this);
    grid->addWidget(formats, 0, 0);
    grid->addWidget(list, 1, 0, 2, 1);
    grid->addWidget(autoSelect, 0, 1);
    grid->addWidget(info, 1, 1);
    grid->addWidget(window, 2, 1);
    grid->addWidget(snaps, 3, 0, 1, 2);
    grid->addLayout(buttons, 4, 0, 1, 2);
}

QComboBox* KlmDisplayDialog::addCombo(int id, const QStringList& items, int32_t index)
{
    auto* box = new QComboBox(this);
    box->setObjectName(QString::number(id));
    box->addItems(items);
    // A value no item stands for shows (and keeps, on OK) the first item.
    box->setCurrentIndex(index >= 0 && index < items.size() ? index : 0);
    return box;
}

QCheckBox* KlmDisplayDialog::addCheck(int id, const char* text, int32_t on)
{
    auto* box = new QCheckBox(klmU(text), this);
    box->setObjectName(QString::number(id));
    box->setChecked(on != 0);
    return box;
}

QLineEdit* KlmDisplayDialog::addNumber(int id, int32_t value)
{
    auto* edit = new QLineEdit(QString::number(value), this);
    edit->setObjectName(QString::number(id));
    return edit;
}

void KlmDisplayDialog::accept()
{
    const KlmDisplayNumbers numbers =
        klmCheckDisplayNumbers(interval_->text().toStdString(), frameWidth_->text().toStdString());
    if (const char* message = klmDisplayCheckMessage(numbers.check)) {
        klmMessageBox(this, klmU(message), klmU("警告"), QMessageBox::Information);
        QLineEdit* refused = numbers.check == KlmDisplayCheck::IntervalTooShort ? interval_ : frameWidth_;
        refused->setFocus();
        refused->selectAll();
        return;
    }
    klmStoreDisplayNumbers(values_, numbers);
    store();
    QDialog::accept();
}

void KlmDisplayDialog::store()
{
    Settings& s = values_.settings;
    for (const CheckControl& c : kChecks)
        s.*c.field = findChild<QCheckBox*>(QString::number(c.id))->isChecked() ? 1 : 0;
    for (const ComboControl& c : kCombos)
        s.*c.field = c.first + findChild<QComboBox*>(QString::number(c.id))->currentIndex();
    values_.alwaysDefault = findChild<QCheckBox*>(QString::number(kAlwaysDefaultId))->isChecked() ? 1 : 0;
}

std::optional<KlmDisplayValues> klmEditDisplaySettings(QWidget* owner, const KlmDisplayValues& values,
                                                       const std::function<void(QDialog&)>& prepare)
{
    KlmDisplayDialog dialog(values, owner);
    if (!klmExecDialog(dialog, prepare)) return std::nullopt;
    return dialog.values();
}
