#include "support/RecordingSink.h"

#include <algorithm>

namespace {

// Which parameter of a message carries a text pointer: 1 wParam, 2 lParam, 0 none.
int TextParameter(unsigned message) {
    switch (message) {
        case WM_APP_JOB_START:
        case WM_APP_JOB_NAME:
        case WM_APP_PREVIEW_IMAGE:
            return 1;
        case WM_APP_JOB_STATE:
        case WM_APP_STATUS_TEXT:
        case WM_APP_EDIT_DONE:
            return 2;
        default:
            return 0;
    }
}

const char* MessageName(unsigned message) {
    switch (message) {
        case WM_APP_EDIT_DONE: return "EDIT_DONE";
        case WM_APP_STATUS_TEXT: return "STATUS_TEXT";
        case WM_APP_FIND_PLAYER: return "FIND_PLAYER";
        case WM_APP_LIST_CHANGED: return "LIST_CHANGED";
        case WM_APP_PROCESS_FINISHED: return "PROCESS_FINISHED";
        case WM_APP_MEDIA_OPENED: return "MEDIA_OPENED";
        case WM_APP_PLAY_POSITION: return "PLAY_POSITION";
        case WM_APP_PREVIEW_IMAGE: return "PREVIEW_IMAGE";
        case WM_APP_SELECT_SCENE: return "SELECT_SCENE";
        case WM_APP_JOB_START: return "JOB_START";
        case WM_APP_JOB_PROGRESS: return "JOB_PROGRESS";
        case WM_APP_JOB_STATE: return "JOB_STATE";
        case WM_APP_JOB_NAME: return "JOB_NAME";
        case WM_APP_BUSY: return "BUSY";
        default: return "?";
    }
}

}  // namespace

LParam RecordingSink::Send(unsigned message, WParam wParam, LParam lParam) {
    Message m{message, wParam, lParam, true, {}};
    const int which = TextParameter(message);
    const char* text = which == 1 ? reinterpret_cast<const char*>(wParam)
                       : which == 2 ? reinterpret_cast<const char*>(lParam)
                                    : nullptr;
    if (text) m.text = text;
    Record(std::move(m));
    return 0;
}

void RecordingSink::Post(unsigned message, WParam wParam, LParam lParam) {
    Record(Message{message, wParam, lParam, false, {}});
}

void RecordingSink::PumpMessages() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_pumpCount;
    }
    if (m_onPump) m_onPump();
}

void RecordingSink::SetPlaybackEnded(bool ended) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_playbackEnded = ended;
}

void RecordingSink::CaptureFfplayWindow() {
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_captureCount;
}

void RecordingSink::Record(Message m) {
    if (m_onMessage) m_onMessage(m);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_messages.push_back(std::move(m));
    }
    m_changed.notify_all();
}

std::vector<RecordingSink::Message> RecordingSink::Messages() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_messages;
}

std::vector<RecordingSink::Message> RecordingSink::Messages(unsigned message) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<Message> out;
    std::copy_if(m_messages.begin(), m_messages.end(), std::back_inserter(out),
                 [message](const Message& m) { return m.message == message; });
    return out;
}

size_t RecordingSink::Count(unsigned message) const { return Messages(message).size(); }

void RecordingSink::Clear() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_messages.clear();
}

bool RecordingSink::WaitFor(const std::function<bool(const std::vector<Message>&)>& pred,
                            std::chrono::milliseconds timeout) const {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] { return pred(m_messages); });
}

std::string DescribeMessage(const RecordingSink::Message& m) {
    std::string s = std::string(MessageName(m.message)) + "(" + std::to_string(m.wParam) + ", " +
                    std::to_string(m.lParam);
    if (!m.text.empty()) s += ", \"" + m.text + "\"";
    return s + (m.sent ? ") sent" : ") posted");
}
