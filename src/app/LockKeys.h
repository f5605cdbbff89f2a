#pragma once

#include <optional>

// The state of the three lock keys as the keyboard LEDs show it.
struct LockKeyState {
    bool caps = false;
    bool num = false;
    bool scroll = false;
};

// Empty when the display reports no lock state (any platform but X11, or no X library at run time).
std::optional<LockKeyState> QueryLockKeys();
