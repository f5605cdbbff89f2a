#pragma once

#include <cstdint>

// The window messages the engine sends and posts to the tabs. Values and
// parameters are fixed: the windows and the command-line front-end decode them.
enum AppMessage : unsigned {
    WM_APP_EDIT_DONE = 0x8001,
    WM_APP_STATUS_TEXT = 0x8002,
    WM_APP_FIND_PLAYER = 0x8003,
    WM_APP_LIST_CHANGED = 0x8004,
    WM_APP_PROCESS_FINISHED = 0x8005,
    WM_APP_MEDIA_OPENED = 0x8006,
    WM_APP_PLAY_POSITION = 0x8007,
    WM_APP_PREVIEW_IMAGE = 0x8008,
    WM_APP_SELECT_SCENE = 0x8009,
    WM_APP_JOB_START = 0x800A,
    WM_APP_JOB_PROGRESS = 0x800B,
    WM_APP_JOB_STATE = 0x800C,
    WM_APP_JOB_NAME = 0x800D,
    WM_APP_BUSY = 0x800E,
};

using WParam = std::uintptr_t;
using LParam = std::intptr_t;

// Receiver of engine notifications. Send returns once the receiver has
// handled the message, so a text pointer in it stays valid for the call;
// Post may be handled later and never carries a pointer.
class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual LParam Send(unsigned message, WParam wParam, LParam lParam) = 0;
    virtual void Post(unsigned message, WParam wParam, LParam lParam) = 0;
};

// A tab window as the engine sees it: a sink plus the few pieces of player
// state the runner consults while a playback child runs.
class TabWindow : public MessageSink {
public:
    // True while the user drags the position slider; positions are not posted then.
    virtual bool IsPositionSliderHeld() const { return false; }
    virtual void SetPlaybackEnded(bool ended) { (void)ended; }
    // Grabs the player window into the preview still before a preview is stopped.
    virtual void CaptureFfplayWindow() {}
    // Screen position where the player window should open (the preview pane).
    virtual void GetPlayerPosition(int& x, int& y) const { x = y = 0; }
    // Redraws the list after the input was prepared: keeping the selected row, or clearing it.
    virtual void RefreshList(bool keepSelection) { (void)keepSelection; }
};

// The main window as the engine sees it: every notification goes to the tab
// that is active at the moment of sending, but the busy messages of the
// engine's background work, which go to the tab the engine works for.
class MainWindowLink {
public:
    virtual ~MainWindowLink() = default;
    virtual TabWindow* ActiveTab() = 0;
    // Serves the UI thread's pending messages once, so that a worker blocked in
    // Send can finish while the UI thread waits for it. Nothing to do without a UI loop.
    virtual void PumpMessages() {}
};

// Helpers that tolerate a missing window (an engine without a UI).
inline LParam SendToActiveTab(MainWindowLink* link, unsigned message, WParam wParam, LParam lParam) {
    TabWindow* tab = link ? link->ActiveTab() : nullptr;
    return tab ? tab->Send(message, wParam, lParam) : 0;
}

inline void PostToActiveTab(MainWindowLink* link, unsigned message, WParam wParam, LParam lParam) {
    if (TabWindow* tab = link ? link->ActiveTab() : nullptr) tab->Post(message, wParam, lParam);
}
