// "Ready" for a started program: it has mapped a top-level window. The
// caller looks from a timer (each look is quick and never waits) and gives
// up after its own time limit.
#pragma once

#include <memory>
#include <string>

namespace klm::platform {

class WindowWatch {
public:
    // Watches for windows of process pid (or of a process it started) on
    // the display (empty: $DISPLAY), through a connection of its own.
    explicit WindowWatch(int pid, const std::string& display = {});
    ~WindowWatch();
    WindowWatch(const WindowWatch&) = delete;
    WindowWatch& operator=(const WindowWatch&) = delete;

    // False when the display cannot be opened: no window will ever be seen.
    bool connected() const;
    // One look: the first viewable top-level window of the process, in the
    // display's stacking order (bottom first), or 0 while there is none.
    unsigned long findWindow();
    // Asks the window to close, as a window manager's close button does.
    bool requestClose(unsigned long window);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace klm::platform
