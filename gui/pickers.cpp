#include "pickers.h"

#include <QApplication>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QPushButton>

#include "message_box.h"
#include "qt_font.h"
#include "qt_text.h"

namespace {

// Gives a Qt picker the "デフォルト" button: after question is answered OK
// the picker closes as cancelled and *reset is set.
void addDefaultButton(QDialog& dialog, const QString& question, bool* reset)
{
    auto* box = dialog.findChild<QDialogButtonBox*>();
    if (!box) return;
    QPushButton* button = box->addButton(klmU(kKlmDefaultButtonText), QDialogButtonBox::ResetRole);
    button->setObjectName(QStringLiteral("1505"));
    button->setAutoDefault(false);
    if (QPushButton* ok = box->button(QDialogButtonBox::Ok)) {
        button->setFont(ok->font());
        button->setMinimumSize(ok->sizeHint());
    }
    QObject::connect(button, &QPushButton::clicked, &dialog, [&dialog, question, reset] {
        if (klmMessageBox(&dialog, question, klmU(kKlmResetConfirmTitle), QMessageBox::Question,
                          QMessageBox::Ok | QMessageBox::Cancel) != QMessageBox::Ok)
            return;
        *reset = true;
        dialog.reject();
    });
}

KlmPickAnswer answerOf(int result, bool reset)
{
    if (result == QDialog::Accepted) return KlmPickAnswer::Chosen;
    return reset ? KlmPickAnswer::Reset : KlmPickAnswer::Cancelled;
}

}  // namespace

KlmFontPick klmRunFontPicker(QWidget* owner, const QFont& start, KlmFontSlot slot)
{
    QFontDialog dialog(start, owner);
    // The Qt picker, not the desktop's: only it can carry the extra button.
    dialog.setOption(QFontDialog::DontUseNativeDialog);
    dialog.setWindowTitle(QString::fromUtf8(klmFontPickerTitle(slot)));
    bool reset = false;
    addDefaultButton(dialog, QString::fromUtf8(klmFontResetQuestion(slot)), &reset);
    const int result = dialog.exec();
    return {answerOf(result, reset), dialog.selectedFont()};
}

KlmColourPick klmRunColourPicker(QWidget* owner, const QColor& start, KlmStateColour state)
{
    QColorDialog dialog(start, owner);
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    dialog.setWindowTitle(QString::fromUtf8(klmColourPickerTitle(state)));
    bool reset = false;
    addDefaultButton(dialog, QString::fromUtf8(klmColourResetQuestion(state)), &reset);
    const int result = dialog.exec();
    return {answerOf(result, reset), dialog.selectedColor()};
}

KlmFont klmPickFont(QWidget* owner, KlmFontSlot slot, const KlmFont& current, const KlmFont& reset,
                    const KlmFontPicker& picker)
{
    const QFont start = klmDrawingFont(current, owner ? owner->font() : QApplication::font());
    const KlmFontPick pick = picker(owner, start, slot);
    const KlmFont chosen = pick.answer == KlmPickAnswer::Chosen
                               ? klmPickedFont(current, klmFontFaceOf(pick.font, klmScreenDpi(owner)),
                                               start.family().toStdString())
                               : current;
    return klmPickedValue(pick.answer, chosen, current, reset);
}

int32_t klmPickStateColour(QWidget* owner, KlmStateColour state, int32_t current, const KlmColourPicker& picker)
{
    const KlmColourPick pick = picker(owner, klmQColor(current), state);
    const int32_t chosen = pick.colour.isValid() ? klmBgrOf(pick.colour) : current;
    return klmPickedValue(pick.answer, chosen, current, klmStateColourDefault(state));
}
