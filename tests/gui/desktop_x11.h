// Plain X requests for the desktop tests (no Xlib names leak from here).
#pragma once

#include <functional>
#include <string>

// Waits up to ms until a window manager manages the display's first
// screen, while stillRunning() says the manager has not ended.
bool klmTestWindowManagerReady(const std::string& display, const std::function<bool()>& stillRunning, int ms);

// Asks for a new size of a window as another client would: a managed
// window's request goes to its window manager, which may change it.
bool klmTestRequestResize(const std::string& display, unsigned long window, int width, int height);
