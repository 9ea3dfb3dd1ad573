// Synthetic key presses for a started program, by Windows virtual-key code
// (the codes key scripts name). Keys go only to the program they are meant
// for: while the focused window belongs to another process nothing is sent.
#pragma once

#include <memory>
#include <string>

namespace klm::platform {

enum class KeySendResult {
    Sent,
    NotFocused,   // the focused window is not the program's: nothing sent
    NoKey,        // the code has no key on this keyboard (or no code at all)
    Unavailable,  // no display, or no XTest extension on it
};

class KeySender {
public:
    // Sends to process pid (or a process it started) on the display (empty:
    // $DISPLAY), through a connection of its own.
    explicit KeySender(int pid, const std::string& display = {});
    // Releases every key it pressed and did not release.
    ~KeySender();
    KeySender(const KeySender&) = delete;
    KeySender& operator=(const KeySender&) = delete;

    // False when keys cannot be sent at all (no display, no XTest).
    bool available() const;
    // True when the window with the keyboard focus (or under the pointer,
    // while the focus follows it) belongs to the program.
    bool programFocused();
    // Presses (down) or releases one key. Only a press needs the focus; a
    // release of a key this sender did not press is not sent.
    KeySendResult send(int virtualKey, bool down);
    // Releases what is still pressed, focused or not (a key left down
    // would stay down for whatever window gets the focus next).
    void releaseAll();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace klm::platform
