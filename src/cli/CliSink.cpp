#include "cli/CliSink.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

#include "engine/jobs/AppMessages.h"
#include "engine/jobs/JobTables.h"

namespace cli {

CliSink::CliSink(bool japanese, int fd) : m_japanese(japanese), m_fd(fd), m_inPlace(::isatty(fd) == 1) {}

CliSink::CliSink(bool japanese, Relay relay)
    : m_japanese(japanese), m_fd(-1), m_inPlace(false), m_relay(std::move(relay)) {}

LParam CliSink::Send(unsigned message, WParam wParam, LParam lParam) {
    Handle(message, wParam, lParam);
    return 0;
}

void CliSink::Post(unsigned message, WParam wParam, LParam lParam) { Handle(message, wParam, lParam); }

void CliSink::PumpMessages() {
    std::function<void()> hook;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        hook = m_pumpHook;
    }
    if (hook) hook();
}

void CliSink::SetPumpHook(std::function<void()> hook) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_pumpHook = std::move(hook);
}

void CliSink::SetFinishHook(std::function<void()> hook) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_finishHook = std::move(hook);
}

void CliSink::Handle(unsigned message, WParam wParam, LParam lParam) {
    std::function<void()> finished;
    bool relayProgress = false;
    int kind = 0;
    long long total = 0, done = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        switch (message) {
            case WM_APP_JOB_START: {
                const JobStartMsg start = JobStartMsg::Decode(wParam, lParam);
                const std::string name = TextOrEmpty(start.kind);
                m_meter.Reset();
                if (name.empty()) break;
                m_jobName = name;
                m_jobKind = FindJobKind(name);
                WriteLine("> " + name + (start.HasTotal() ? " (" + std::to_string(start.total) + ")" : std::string()));
                break;
            }
            case WM_APP_JOB_NAME: {
                const std::string name = TextOrEmpty(JobNameMsg::Decode(wParam, lParam).name);
                if (name.empty()) break;
                m_jobName = name;
                WriteLine("> " + name);
                break;
            }
            case WM_APP_JOB_STATE: {
                const JobStateMsg state = JobStateMsg::Decode(wParam, lParam);
                const std::string detail = TextOrEmpty(state.text);
                m_lastState = state.state;
                if (state.state == kJobStateFailed && !detail.empty()) m_lastFailure = detail;
                std::string line = "  ";
                line += JobStateName(state.state, m_japanese);
                if (!detail.empty()) line += (line.size() > 2 ? ": " : "") + detail;
                if (line.size() > 2) WriteLine(line);
                break;
            }
            case WM_APP_JOB_PROGRESS: {
                const JobProgressMsg progress = JobProgressMsg::Decode(wParam, lParam);
                relayProgress = ShowProgress(progress.total, progress.done);
                break;
            }
            case WM_APP_PLAY_POSITION:
                // The frame shown (from 0) of the total: frame n + 1 of them has been reached. Opening the file
                // reports a position before the player's step is named; that one has nothing to show yet.
                if (m_playPositions && !m_jobName.empty()) {
                    const PlayPositionMsg position = PlayPositionMsg::Decode(wParam, lParam);
                    relayProgress = ShowProgress(position.count, static_cast<long long>(position.frame) + 1);
                }
                break;
            case WM_APP_PROCESS_FINISHED:
                m_finished = true;
                m_result = ProcessFinishedMsg::Decode(wParam, lParam).result;
                finished = m_finishHook;
                break;
            default:
                // Previews, list refreshes, positions and busy marks have no meaning without a window.
                break;
        }
        if (relayProgress) {
            kind = m_jobKind;
            total = m_meter.Total();
            done = m_meter.Current();
        }
    }
    if (relayProgress && m_relay.progress) m_relay.progress(kind, total, done);
    if (finished) finished();
}

bool CliSink::ShowProgress(long long total, long long current) {
    if (!m_meter.Update(total, current)) return false;
    if (m_fd < 0) return true;
    if (m_inPlace) {
        WriteRaw("\r  " + FormatProgress(m_jobName, m_meter, true) + "\033[K");
        m_barShown = true;
        m_lastLine.clear();
    } else {
        WriteLine("  " + FormatProgress(m_jobName, m_meter, false));
    }
    return false;
}

void CliSink::ShowPlayPositions(bool on) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_playPositions = on;
}

void CliSink::PrintLine(const std::string& text) {
    if (m_fd < 0) {
        if (m_relay.line) m_relay.line(text);
        return;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    WriteLine(text);
}

void CliSink::EndBar() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_barShown || m_statusShown) WriteRaw("\n");
    m_barShown = false;
    m_statusShown = false;
}

void CliSink::ShowStatus(const std::string& text) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_inPlace) {
        WriteLine(text);
        return;
    }
    WriteRaw((m_barShown ? "\n" : "\r") + text + "\033[K");
    m_barShown = false;
    m_statusShown = true;
    m_lastLine.clear();
}

size_t CliSink::Columns() const {
    constexpr size_t kUsualColumns = 80;
    if (!m_inPlace) return 0;
    winsize size{};
    // A terminal that does not tell its size (a bare pty) is taken for the usual one.
    return ::ioctl(m_fd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 ? size.ws_col : kUsualColumns;
}

void CliSink::ResetJob() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_finished = false;
    m_result = 0;
    m_lastState = 0;
    m_lastFailure.clear();
}

bool CliSink::JobFinished() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_finished;
}

int CliSink::JobResult() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_result;
}

std::string CliSink::LastFailure() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lastFailure;
}

int CliSink::LastState() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lastState;
}

void CliSink::WriteLine(const std::string& text) {
    if (text == m_lastLine && !m_barShown) return;
    m_lastLine = text;
    std::string out;
    if (m_barShown) out = "\n";
    if (m_statusShown && !m_barShown) out = "\r\033[K";
    m_barShown = false;
    m_statusShown = false;
    out += text;
    out += '\n';
    WriteRaw(out);
}

void CliSink::WriteRaw(const std::string& text) {
    if (m_fd < 0) return;
    const char* p = text.data();
    size_t left = text.size();
    while (left > 0) {
        const ssize_t n = ::write(m_fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;  // a closed stderr loses the text, never the job
        p += n;
        left -= static_cast<size_t>(n);
    }
}

}  // namespace cli
