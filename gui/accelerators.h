// The window's accelerator table at work. A key of the command table runs
// its command from whichever control of the window has the focus, before
// the control or a menu-bar mnemonic can take it: Alt+H resets the hardware
// condition although "ヘルプ(&H)" shares the letter, and Ctrl+← slows the
// movie although the search edit would move its caret by a word.
#pragma once

#include <QKeyCombination>
#include <QObject>

#include <cstdint>

class KlmCommandRouter;
class QKeyEvent;
class QWidget;

class KlmAccelerators : public QObject {
public:
    // Watches every key that reaches a widget of window (an application
    // event filter); it goes with window.
    KlmAccelerators(QWidget& window, const KlmCommandRouter& router);

    // The command of a key, 0 when the table has none.
    static int32_t commandOf(QKeyCombination key);
    static int32_t commandOf(const QKeyEvent& event);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget& window_;
    const KlmCommandRouter& router_;
};
