#pragma once

#include <string>

namespace platform {

// X11 window ids as plain numbers, so that callers need no X headers. Every call opens its own connection
// to $DISPLAY and closes it again; without a display (or in a build without X11) they find nothing.

// The first top-level window whose title (WM_NAME or _NET_WM_NAME) contains titlePart as a byte string;
// with pid > 0 a window that names another process in _NET_WM_PID is passed over. A window not yet shown is
// passed over too: its program may still be waiting for it to appear. 0 when none.
unsigned long FindTopLevelWindow(const std::string& titlePart, long pid = 0);

// The window's parent in the window tree; 0 when the window is gone or there is no display.
unsigned long ParentWindow(unsigned long window);

// True while the window exists.
bool WindowExists(unsigned long window);

// Empties the window's input region, so pointer events reach the window below it; false when the server
// lacks the shape extension or the window is gone.
bool PassPointerThrough(unsigned long window);

}  // namespace platform
