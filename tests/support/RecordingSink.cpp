#include "support/RecordingSink.h"

#include <algorithm>

namespace {

const char* MessageName(unsigned message) {
    switch (message) {
        case WM_APP_EDIT_DONE:
            return "EDIT_DONE";
        case WM_APP_STATUS_TEXT:
            return "STATUS_TEXT";
        case WM_APP_FIND_PLAYER:
            return "FIND_PLAYER";
        case WM_APP_LIST_CHANGED:
            return "LIST_CHANGED";
        case WM_APP_PROCESS_FINISHED:
            return "PROCESS_FINISHED";
        case WM_APP_MEDIA_OPENED:
            return "MEDIA_OPENED";
        case WM_APP_PLAY_POSITION:
            return "PLAY_POSITION";
        case WM_APP_PREVIEW_IMAGE:
            return "PREVIEW_IMAGE";
        case WM_APP_SELECT_SCENE:
            return "SELECT_SCENE";
        case WM_APP_JOB_START:
            return "JOB_START";
        case WM_APP_JOB_PROGRESS:
            return "JOB_PROGRESS";
        case WM_APP_JOB_STATE:
            return "JOB_STATE";
        case WM_APP_JOB_NAME:
            return "JOB_NAME";
        case WM_APP_BUSY:
            return "BUSY";
        default:
            return "?";
    }
}

}  // namespace

LParam RecordingSink::Send(unsigned message, WParam wParam, LParam lParam) {
    Message m{message, wParam, lParam, true, {}};
    if (const char* text = MessageText(message, wParam, lParam)) m.text = text;
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

namespace {

std::string Quote(const std::string& text) { return "\"" + text + "\""; }

// The parameters by their meaning, so a failure shows which is which.
std::string DescribeParameters(const RecordingSink::Message& m) {
    using std::to_string;
    switch (m.message) {
        case WM_APP_STATUS_TEXT:
            return "pane " + to_string(m.As<StatusTextMsg>().pane) + ", " + Quote(m.text);
        case WM_APP_EDIT_DONE:
            return Quote(m.text);
        case WM_APP_FIND_PLAYER:
            return "pid " + to_string(m.As<FindPlayerMsg>().pid);
        case WM_APP_LIST_CHANGED:
            return "scene " + to_string(m.As<ListChangedMsg>().sceneIndex);
        case WM_APP_PROCESS_FINISHED: {
            const auto f = m.As<ProcessFinishedMsg>();
            return "job " + to_string(f.jobId) + ", result " + to_string(f.result);
        }
        case WM_APP_MEDIA_OPENED:
            return to_string(m.As<MediaOpenedMsg>().frameCount) + " frames";
        case WM_APP_PLAY_POSITION: {
            const auto p = m.As<PlayPositionMsg>();
            return "frame " + to_string(p.frame) + " of " + to_string(p.count);
        }
        case WM_APP_PREVIEW_IMAGE:
            return Quote(m.text);
        case WM_APP_SELECT_SCENE:
            return "scene " + to_string(m.As<SelectSceneMsg>().sceneIndex);
        case WM_APP_JOB_START:
            return Quote(m.text) + ", total " + to_string(m.As<JobStartMsg>().total);
        case WM_APP_JOB_PROGRESS: {
            const auto p = m.As<JobProgressMsg>();
            return to_string(p.done) + " of " + to_string(p.total);
        }
        case WM_APP_JOB_STATE: {
            const std::string state = "state " + to_string(m.As<JobStateMsg>().state);
            return m.text.empty() ? state : state + ", " + Quote(m.text);
        }
        case WM_APP_JOB_NAME:
            return Quote(m.text);
        case WM_APP_BUSY:
            return m.As<BusyMsg>().begins ? "begins" : "ends";
        default:
            return to_string(m.wParam) + ", " + to_string(m.lParam);
    }
}

}  // namespace

std::string DescribeMessage(const RecordingSink::Message& m) {
    return std::string(MessageName(m.message)) + "(" + DescribeParameters(m) + (m.sent ? ") sent" : ") posted");
}
