#pragma once

// The parameters of the engine's window messages (engine/MessageSink.h) as typed records, so that no
// receiver has to remember which of wParam and lParam carries what. Texts stay pointers owned by the
// sender: they are valid while a sent message is being handled, and never copied here.

#include "engine/jobs/MessageSink.h"

namespace appmsg {

inline const char* TextAt(std::uintptr_t pointer) { return reinterpret_cast<const char*>(pointer); }
inline const char* TextAt(std::intptr_t pointer) { return reinterpret_cast<const char*>(pointer); }

}  // namespace appmsg

// WM_APP_STATUS_TEXT: one pane of the status bar.
struct StatusTextMsg {
    static constexpr unsigned kMessage = WM_APP_STATUS_TEXT;
    int pane = 0;
    const char* text = nullptr;
    static StatusTextMsg Decode(WParam w, LParam l) { return {static_cast<int>(w), appmsg::TextAt(l)}; }
};

// WM_APP_EDIT_DONE: an in-place edit of the list ended.
struct EditDoneMsg {
    static constexpr unsigned kMessage = WM_APP_EDIT_DONE;
    const char* text = nullptr;
    static EditDoneMsg Decode(WParam, LParam l) { return {appmsg::TextAt(l)}; }
};

// WM_APP_FIND_PLAYER: a playback child started.
struct FindPlayerMsg {
    static constexpr unsigned kMessage = WM_APP_FIND_PLAYER;
    long pid = 0;
    static FindPlayerMsg Decode(WParam w, LParam) { return {static_cast<long>(w)}; }
};

// WM_APP_LIST_CHANGED: a scene was appended or the list replaced; the index is the current scene (-1: none).
struct ListChangedMsg {
    static constexpr unsigned kMessage = WM_APP_LIST_CHANGED;
    int sceneIndex = -1;
    static ListChangedMsg Decode(WParam w, LParam) { return {static_cast<int>(w)}; }
};

// WM_APP_PROCESS_FINISHED: the job thread is about to end.
struct ProcessFinishedMsg {
    static constexpr unsigned kMessage = WM_APP_PROCESS_FINISHED;
    int jobId = 0;
    int result = 0;
    static ProcessFinishedMsg Decode(WParam w, LParam l) { return {static_cast<int>(w), static_cast<int>(l)}; }
};

// WM_APP_MEDIA_OPENED: the current file was opened or probed anew.
struct MediaOpenedMsg {
    static constexpr unsigned kMessage = WM_APP_MEDIA_OPENED;
    int frameCount = 0;
    static MediaOpenedMsg Decode(WParam, LParam l) { return {static_cast<int>(l)}; }
};

// WM_APP_PLAY_POSITION: the frame shown (from 0) of a file of count frames. The opposite order to
// WM_APP_JOB_PROGRESS, whose total comes first.
struct PlayPositionMsg {
    static constexpr unsigned kMessage = WM_APP_PLAY_POSITION;
    int frame = 0;
    int count = 0;
    static PlayPositionMsg Decode(WParam w, LParam l) { return {static_cast<int>(w), static_cast<int>(l)}; }
};

// WM_APP_PREVIEW_IMAGE: the preview still was written to path.
struct PreviewImageMsg {
    static constexpr unsigned kMessage = WM_APP_PREVIEW_IMAGE;
    const char* path = nullptr;
    static PreviewImageMsg Decode(WParam w, LParam) { return {appmsg::TextAt(w)}; }
};

// WM_APP_SELECT_SCENE: a scene is about to be processed or played.
struct SelectSceneMsg {
    static constexpr unsigned kMessage = WM_APP_SELECT_SCENE;
    int sceneIndex = -1;
    static SelectSceneMsg Decode(WParam w, LParam) { return {static_cast<int>(w)}; }
};

// WM_APP_JOB_START: a job step begins. The kind is the step's name (may be empty: the step goes on under
// the name shown); total is the count its progress runs to, negative when it reports none.
struct JobStartMsg {
    static constexpr unsigned kMessage = WM_APP_JOB_START;
    const char* kind = nullptr;
    long long total = -1;
    bool HasTotal() const { return total >= 0; }
    static JobStartMsg Decode(WParam w, LParam l) { return {appmsg::TextAt(w), static_cast<long long>(l)}; }
};

// WM_APP_JOB_PROGRESS: done (1-based) of total.
struct JobProgressMsg {
    static constexpr unsigned kMessage = WM_APP_JOB_PROGRESS;
    long long total = 0;
    long long done = 0;
    static JobProgressMsg Decode(WParam w, LParam l) {
        return {static_cast<long long>(static_cast<LParam>(w)), static_cast<long long>(l)};
    }
};

// WM_APP_JOB_STATE: a JobState index, with a message text or none.
struct JobStateMsg {
    static constexpr unsigned kMessage = WM_APP_JOB_STATE;
    int state = 0;
    const char* text = nullptr;
    static JobStateMsg Decode(WParam w, LParam l) { return {static_cast<int>(w), appmsg::TextAt(l)}; }
};

// WM_APP_JOB_NAME: a sub-step begins under this name.
struct JobNameMsg {
    static constexpr unsigned kMessage = WM_APP_JOB_NAME;
    const char* name = nullptr;
    static JobNameMsg Decode(WParam w, LParam) { return {appmsg::TextAt(w)}; }
};

// WM_APP_BUSY: long work begins (wParam 0) or ends (1).
struct BusyMsg {
    static constexpr unsigned kMessage = WM_APP_BUSY;
    bool begins = false;
    static BusyMsg Decode(WParam w, LParam) { return {w == 0}; }
};

// Which parameter of a message carries a text pointer, if one does.
enum class TextSlot { None, W, L };

constexpr TextSlot TextSlotOf(unsigned message) {
    switch (message) {
        case WM_APP_PREVIEW_IMAGE:
        case WM_APP_JOB_START:
        case WM_APP_JOB_NAME:
            return TextSlot::W;
        case WM_APP_STATUS_TEXT:
        case WM_APP_EDIT_DONE:
        case WM_APP_JOB_STATE:
            return TextSlot::L;
        default:
            return TextSlot::None;
    }
}

// The text a message carries by pointer; nullptr when it carries none.
inline const char* MessageText(unsigned message, WParam w, LParam l) {
    switch (TextSlotOf(message)) {
        case TextSlot::W:
            return appmsg::TextAt(w);
        case TextSlot::L:
            return appmsg::TextAt(l);
        default:
            return nullptr;
    }
}

// A text parameter for printing or copying: empty for a null pointer.
inline const char* TextOrEmpty(const char* text) { return text ? text : ""; }
