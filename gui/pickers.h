// The font and colour pickers with their extra "デフォルト" button. Dialogs
// take a picker as a function, so tests can answer in its place; the real
// ones are klmRunFontPicker and klmRunColourPicker.
#pragma once

#include <QColor>
#include <QFont>

#include <functional>

#include "settings/settings.h"
#include "ui/fonts_colours.h"

class QWidget;

struct KlmFontPick {
    KlmPickAnswer answer = KlmPickAnswer::Cancelled;
    QFont font;  // the chosen font when answer is Chosen
};
// Opens a picker for slot, starting from start, owned by owner.
using KlmFontPicker = std::function<KlmFontPick(QWidget* owner, const QFont& start, KlmFontSlot slot)>;

struct KlmColourPick {
    KlmPickAnswer answer = KlmPickAnswer::Cancelled;
    QColor colour;  // the chosen colour when answer is Chosen
};
using KlmColourPicker = std::function<KlmColourPick(QWidget* owner, const QColor& start, KlmStateColour state)>;

// QFontDialog titled "<name>設定"; its "デフォルト" (1505) asks
// "<name>をデフォルト値に戻しますか" ("初期化確認", OK/Cancel) and on OK
// closes the picker as Reset.
KlmFontPick klmRunFontPicker(QWidget* owner, const QFont& start, KlmFontSlot slot);

// QColorDialog titled "<label> 色設定", with the same "デフォルト" asking
// "<label>の色をデフォルト値に戻しますか". Qt keeps its 16 custom colours for
// the whole run, shared by every colour picker.
KlmColourPick klmRunColourPicker(QWidget* owner, const QColor& start, KlmStateColour state);

// A font slot after its picker: the chosen font (a face that was not
// installed and was not changed keeps its stored name), reset on Reset,
// current unchanged on Cancel.
KlmFont klmPickFont(QWidget* owner, KlmFontSlot slot, const KlmFont& current, const KlmFont& reset,
                    const KlmFontPicker& picker = klmRunFontPicker);

// A state colour after its picker: the chosen colour, the state's reset
// value, or current. Also what a click on a status-bar swatch runs; the
// caller stores the result and repaints.
int32_t klmPickStateColour(QWidget* owner, KlmStateColour state, int32_t current,
                           const KlmColourPicker& picker = klmRunColourPicker);
