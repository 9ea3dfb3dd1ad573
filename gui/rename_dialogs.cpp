#include "rename_dialogs.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <string>

#include "command_router.h"
#include "dialog_guard.h"
#include "dialog_kit.h"
#include "qt_text.h"
#include "rename/naming.h"
#include "ui/command_ids.h"
#include "window_services.h"

// ---- Target-name update -----------------------------------------------------

TargetNameUpdateDialog::TargetNameUpdateDialog(KlmWindowServices& services, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), services_(services)
{
    setObjectName(QStringLiteral("42400"));
    setWindowTitle(klmU(kKlmTargetUpdateTitle));
    bar_ = new QProgressBar(this);
    bar_->setObjectName(QStringLiteral("42401"));
    bar_->setRange(0, 100);
    bar_->setValue(0);
    bar_->setTextVisible(false);
    bar_->setMinimumWidth(300);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(bar_);
    timer_.setObjectName(QStringLiteral("1122"));
    timer_.setInterval(10);
    connect(&timer_, &QTimer::timeout, this, &TargetNameUpdateDialog::tick);
    timer_.start();
}

void TargetNameUpdateDialog::tick()
{
    // Ten ticks go by first so that the box is on the screen before the
    // window is busy.
    if (++ticks_ <= 10) return;
    timer_.stop();
    KlmAppContext& c = services_.session();
    // The work runs in one go. The bar paints itself as it moves, but on X11
    // a paint reaches the screen only when the event loop gets a turn, so
    // it gets one at each step (input stays queued until the end).
    klmUpdateAllTargetNames(c.catalogue, c.state.settings, [this](int32_t percent) {
        bar_->setValue(percent);
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    });
    services_.ownershipChanged();
    QDialog::accept();
}

void klmUpdateTargetNames(KlmWindowServices& services, QWidget* owner)
{
    TargetNameUpdateDialog dialog(services, owner);
    klmPlaceDialog(services, &dialog);
    dialog.exec();
}

// ---- Rename settings ----------------------------------------------------------

RenameSettingsDialog::RenameSettingsDialog(KlmWindowServices& services, QWidget* parent)
    : QDialog(parent), services_(services)
{
    const Settings& s = services.settings();
    setObjectName(QStringLiteral("42303"));
    setWindowTitle(klmU(kKlmRenameSettingsTitle));

    pattern_ = new QLineEdit(this);
    pattern_->setObjectName(QStringLiteral("42304"));
    pattern_->setText(klmQ(klmField(s.renamePattern)));
    pattern_->setMinimumWidth(320);
    auto* defaultButton = new QPushButton(klmU("デフォルト"), this);
    defaultButton->setObjectName(QStringLiteral("42305"));
    defaultButton->setAutoDefault(false);
    connect(defaultButton, &QPushButton::clicked, this, [this] {
        pattern_->setText(klmU(kKlmRenameDefaultPattern));
        pattern_->setCursorPosition(static_cast<int>(pattern_->text().size()));
        pattern_->setFocus();
    });

    auto* grid = new QGridLayout(this);
    grid->addWidget(pattern_, 0, 0, 1, 3);
    grid->addWidget(defaultButton, 0, 3);
    int row = 1;
    int column = 0;
    for (const KlmRenameToken& t : kKlmRenameTokens) {
        auto* b = new QPushButton(QString::fromUtf8(t.token), this);
        b->setObjectName(QString::number(t.buttonId));
        b->setAutoDefault(false);
        const QString token = QString::fromUtf8(t.token);
        connect(b, &QPushButton::clicked, this, [this, token] { insertToken(token); });
        grid->addWidget(b, row, column);
        grid->addWidget(new QLabel(klmU(t.label), this), row, column + 1);
        column += 2;
        if (column == 4) {
            column = 0;
            ++row;
        }
    }
    inside_ = new QCheckBox(klmU(kKlmRenameInsideArchivesText), this);
    inside_->setObjectName(QStringLiteral("42314"));
    inside_->setChecked(s.renameInsideArchives != 0);
    grid->addWidget(inside_, row++, 0, 1, 4);

    zip_ = new QComboBox(this);
    zip_->setObjectName(QStringLiteral("42315"));
    sevenZip_ = new QComboBox(this);
    sevenZip_->setObjectName(QStringLiteral("42316"));
    for (int32_t i = 0; i < kKlmCompressionLevelCount; ++i) {
        zip_->addItem(klmU(klmCompressionLevelName(i)));
        sevenZip_->addItem(klmU(klmCompressionLevelName(i)));
    }
    auto levelIndex = [](int32_t v) { return v >= 0 && v < kKlmCompressionLevelCount ? v : kKlmDefaultCompressionLevel; };
    zip_->setCurrentIndex(levelIndex(s.zipLevel));
    sevenZip_->setCurrentIndex(levelIndex(s.sevenZipLevel));
    grid->addWidget(new QLabel(klmU(kKlmZipLevelCaption), this), row, 0);
    grid->addWidget(zip_, row++, 1);
    grid->addWidget(new QLabel(klmU(kKlmSevenZipLevelCaption), this), row, 0);
    grid->addWidget(sevenZip_, row++, 1);

    grid->addLayout(klmOkCancelRow(this), row, 0, 1, 4);

    // A click on a token button takes the focus, and the edit box drops
    // its selection when it loses the focus: remember the selection (or the
    // caret) as it stood while the edit box had the focus.
    auto remember = [this] {
        if (!pattern_->hasFocus()) return;
        const int start = pattern_->hasSelectedText() ? pattern_->selectionStart() : pattern_->cursorPosition();
        const int length = pattern_->hasSelectedText() ? static_cast<int>(pattern_->selectedText().size()) : 0;
        pattern_->setProperty("tokenStart", start);
        pattern_->setProperty("tokenLength", length);
    };
    pattern_->setProperty("tokenStart", static_cast<int>(pattern_->text().size()));
    pattern_->setProperty("tokenLength", 0);
    connect(pattern_, &QLineEdit::selectionChanged, this, remember);
    connect(pattern_, &QLineEdit::cursorPositionChanged, this, remember);
    connect(pattern_, &QLineEdit::textChanged, this, remember);
}

void RenameSettingsDialog::insertToken(const QString& token)
{
    QString text = pattern_->text();
    int start = pattern_->property("tokenStart").toInt();
    int length = pattern_->property("tokenLength").toInt();
    if (pattern_->hasFocus() && pattern_->hasSelectedText()) {
        start = pattern_->selectionStart();
        length = static_cast<int>(pattern_->selectedText().size());
    } else if (pattern_->hasFocus()) {
        start = pattern_->cursorPosition();
        length = 0;
    }
    start = std::clamp(start, 0, static_cast<int>(text.size()));
    length = std::clamp(length, 0, static_cast<int>(text.size()) - start);
    text = text.left(start) + token + text.mid(start + length);
    pattern_->setFocus();
    pattern_->setText(text);
    pattern_->setCursorPosition(start + static_cast<int>(token.size()));
}

void RenameSettingsDialog::accept()
{
    Settings& s = services_.settings();
    std::string pattern;
    const KlmPatternCheck check = klmCheckRenamePatternText(pattern_->text().toStdString(), &pattern);
    if (check != KlmPatternCheck::Valid) {
        services_.message(this, klmU(klmPatternCheckMessage(check)), klmU(kKlmWarningTitle), QMessageBox::Information);
        pattern_->setFocus();
        return;
    }
    const bool changed = pattern != klmField(s.renamePattern) ||
                         (inside_->isChecked() ? 1 : 0) != (s.renameInsideArchives ? 1 : 0);
    klmCopyField(s.renamePattern, pattern);
    s.renameInsideArchives = inside_->isChecked() ? 1 : 0;
    s.zipLevel = zip_->currentIndex();
    s.sevenZipLevel = sevenZip_->currentIndex();
    if (changed) klmUpdateTargetNames(services_, this);
    QDialog::accept();
}

void klmRegisterRenameCommands(KlmCommandRouter& router, KlmWindowServices& services)
{
    router.add(kKlmCmdRenameSettings, [&services] {
        KlmDialogGuard guard(services);
        RenameSettingsDialog dialog(services, services.window());
        guard.attach(&dialog);
        dialog.exec();
    });
}
