// The fonts and colours dialog (32832, "フォント・色"): the list, game-info,
// search and status fonts, each with its face, style and size lines, and
// the owned, not-renamed and not-owned colours with their framed swatches.
// It edits a copy of the Settings; only OK gives the copy back.
#pragma once

#include <QDialog>

#include <functional>
#include <optional>

#include "pickers.h"
#include "settings/settings.h"

class QLabel;

// A framed colour swatch; a left click asks for its colour.
class KlmColourSwatch : public QWidget {
    Q_OBJECT
public:
    explicit KlmColourSwatch(QWidget* parent);
    void setColour(const QColor& colour);
    QColor colour() const { return colour_; }
    QSize sizeHint() const override;

Q_SIGNALS:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QColor colour_;
};

class KlmFontColourDialog : public QDialog {
    Q_OBJECT
public:
    KlmFontColourDialog(const Settings& settings, QWidget* parent, KlmFontPicker fontPicker = klmRunFontPicker,
                        KlmColourPicker colourPicker = klmRunColourPicker);

    // The edited copy.
    const Settings& settings() const { return settings_; }

    // What the font buttons and the swatches run.
    void pickFont(KlmFontSlot slot);
    void pickColour(KlmStateColour state);

    // Line 0–2 (face, style, size) of a font; the RGB text and swatch of a state.
    QLabel* fontLine(KlmFontSlot slot, int line) const;
    QLabel* colourText(KlmStateColour state) const;
    KlmColourSwatch* swatch(KlmStateColour state) const;

private:
    void showFont(KlmFontSlot slot);
    void showColour(KlmStateColour state);

    Settings settings_;
    KlmFontPicker fontPicker_;
    KlmColourPicker colourPicker_;
    QLabel* fontLines_[kKlmFontSlotCount][3] = {};
    QLabel* colourTexts_[kKlmStateColourCount] = {};
    KlmColourSwatch* swatches_[kKlmStateColourCount] = {};
};

// Opens the dialog over owner on a copy of settings: the edited copy after
// OK (only the four fonts and the three colours differ), nothing after
// Cancel. prepare runs on the dialog just before it opens.
std::optional<Settings> klmEditFontsColours(QWidget* owner, const Settings& settings,
                                            const std::function<void(QDialog&)>& prepare = {},
                                            KlmFontPicker fontPicker = klmRunFontPicker,
                                            KlmColourPicker colourPicker = klmRunColourPicker);
