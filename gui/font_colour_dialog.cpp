#include "font_colour_dialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

#include "dialog_kit.h"
#include "qt_font.h"
#include "qt_text.h"

namespace {

struct FontControls {
    KlmFontSlot slot;
    int button;  // followed by its three lines
    const char* caption;
};
constexpr FontControls kFonts[] = {
    {KlmFontSlot::List, 33500, "リスト"},
    {KlmFontSlot::Info, 33504, "ゲーム情報"},
    {KlmFontSlot::Search, 33508, "検索"},
    {KlmFontSlot::Status, 33512, "ステータスバー"},
};

struct ColourControls {
    KlmStateColour state;
    int label;
    int text;
};
constexpr ColourControls kColours[] = {
    {KlmStateColour::Owned, 33516, 33517},
    {KlmStateColour::NotRenamed, 33520, 33521},
    {KlmStateColour::NotOwned, 33518, 33519},
};

QLabel* namedLabel(int id, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QString::number(id));
    return label;
}

}  // namespace

// ---- Swatch ---------------------------------------------------------------

KlmColourSwatch::KlmColourSwatch(QWidget* parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
}

void KlmColourSwatch::setColour(const QColor& colour)
{
    colour_ = colour;
    update();
}

QSize KlmColourSwatch::sizeHint() const { return {60, fontMetrics().height()}; }

void KlmColourSwatch::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), colour_);
    p.setPen(Qt::black);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void KlmColourSwatch::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) Q_EMIT clicked();
}

// ---- Dialog ---------------------------------------------------------------

KlmFontColourDialog::KlmFontColourDialog(const Settings& settings, QWidget* parent, KlmFontPicker fontPicker,
                                         KlmColourPicker colourPicker)
    : QDialog(parent), settings_(settings), fontPicker_(std::move(fontPicker)),
      colourPicker_(std::move(colourPicker))
{
    setObjectName(QStringLiteral("32832"));
    setWindowTitle(klmU(kKlmFontsColoursTitle));
    auto* grid = new QGridLayout;
    int row = 0;
    for (const FontControls& f : kFonts) {
        auto* button = new QPushButton(klmU(f.caption), this);
        button->setObjectName(QString::number(f.button));
        button->setAutoDefault(false);
        const KlmFontSlot slot = f.slot;
        connect(button, &QPushButton::clicked, this, [this, slot] { pickFont(slot); });
        grid->addWidget(button, row, 0, Qt::AlignTop);
        auto* lines = new QVBoxLayout;
        for (int i = 0; i < 3; ++i) {
            fontLines_[static_cast<int>(slot)][i] = namedLabel(f.button + 1 + i, this);
            lines->addWidget(fontLines_[static_cast<int>(slot)][i]);
        }
        grid->addLayout(lines, row++, 1);
        showFont(slot);
    }
    for (const ColourControls& c : kColours) {
        const int index = static_cast<int>(c.state);
        QLabel* label = namedLabel(c.label, this);
        label->setText(klmU(klmStateColourLabel(c.state)));
        swatches_[index] = new KlmColourSwatch(this);
        swatches_[index]->setObjectName(QStringLiteral("swatch%1").arg(c.label));
        const KlmStateColour state = c.state;
        connect(swatches_[index], &KlmColourSwatch::clicked, this, [this, state] { pickColour(state); });
        // The swatch runs from the label to the font buttons' right edge.
        auto* left = new QHBoxLayout;
        left->addWidget(label);
        left->addWidget(swatches_[index], 1);
        grid->addLayout(left, row, 0);
        colourTexts_[index] = namedLabel(c.text, this);
        grid->addWidget(colourTexts_[index], row++, 1);
        showColour(c.state);
    }

    QHBoxLayout* buttons = klmOkCancelRow(this);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
}

void KlmFontColourDialog::pickFont(KlmFontSlot slot)
{
    KlmFont& font = klmFontSlot(settings_, slot);
    font = klmPickFont(this, slot, font, settings_.defaultFont, fontPicker_);
    showFont(slot);
}

void KlmFontColourDialog::pickColour(KlmStateColour state)
{
    int32_t& colour = klmStateColour(settings_, state);
    colour = klmPickStateColour(this, state, colour, colourPicker_);
    showColour(state);
}

QLabel* KlmFontColourDialog::fontLine(KlmFontSlot slot, int line) const
{
    return fontLines_[static_cast<int>(slot)][line];
}

QLabel* KlmFontColourDialog::colourText(KlmStateColour state) const { return colourTexts_[static_cast<int>(state)]; }

KlmColourSwatch* KlmFontColourDialog::swatch(KlmStateColour state) const { return swatches_[static_cast<int>(state)]; }

void KlmFontColourDialog::showFont(KlmFontSlot slot)
{
    // The size is in points of the screen the dialog is on.
    const KlmFontLines lines = klmFontDescriptionLines(klmFontSlot(settings_, slot), klmScreenDpi(this));
    QLabel* const* labels = fontLines_[static_cast<int>(slot)];
    labels[0]->setText(QString::fromStdString(lines.face));
    labels[1]->setText(QString::fromStdString(lines.style));
    labels[2]->setText(QString::fromStdString(lines.size));
}

void KlmFontColourDialog::showColour(KlmStateColour state)
{
    const int32_t colour = klmStateColour(settings_, state);
    colourTexts_[static_cast<int>(state)]->setText(QString::fromStdString(klmColourRgbText(colour)));
    swatches_[static_cast<int>(state)]->setColour(klmQColor(colour));
}

std::optional<Settings> klmEditFontsColours(QWidget* owner, const Settings& settings,
                                            const std::function<void(QDialog&)>& prepare, KlmFontPicker fontPicker,
                                            KlmColourPicker colourPicker)
{
    KlmFontColourDialog dialog(settings, owner, std::move(fontPicker), std::move(colourPicker));
    if (!klmExecDialog(dialog, prepare)) return std::nullopt;
    return dialog.settings();
}
