#include "log/AppLog.h"

#include <unistd.h>

#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "TarneloVersion.h"
#include "log/AppLogFile.h"
#include "log/AppLogText.h"

namespace {

constexpr auto kTick = std::chrono::milliseconds(1000);
constexpr const char* kIniName = "AppLog.INI";

std::string MakeAbsolute(const std::string& path) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.string();
}

}  // namespace

CAppLog::CAppLog() = default;

CAppLog::~CAppLog() { Stop(); }

bool CAppLog::Start() {
    const std::string folder = ExecutableFolderForLog();
    const AppLogConfig config = ReadAppLogIni(MakeAbsolute(folder.empty() ? kIniName : folder + "/" + kIniName));
    return Start(config, ProcessCommandLine());
}

bool CAppLog::Start(const AppLogConfig& config, const std::string& commandLine) {
    std::lock_guard<std::mutex> lifecycle(m_lifecycle);
    if (m_started) {
        return true;
    }
    AppLogConfig settings = config;
    if (!settings.LOG_FILE_PATH.empty()) {
        settings.LOG_FILE_PATH = MakeAbsolute(settings.LOG_FILE_PATH);
    }
    // Clearing needs a path: an empty one would widen the pattern to every file of the current folder.
    if (settings.CLEAR_LOG_FILE != 0) {
        ClearLogFiles(settings.LOG_FILE_PATH);
    }
    if (settings.LOG_FILE_PATH.empty()) {
        return false;
    }

    {
        std::lock_guard<std::mutex> append(m_appendLock);
        m_config = settings;
    }
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_processId = static_cast<unsigned>(getpid());
        m_prefix = TARNELO_PRODUCT_NAME;
        m_stopRequested = false;
        m_buffer.clear();
    }
    m_started = true;
    m_enabled.store(true, std::memory_order_release);

    Log("Version %s %s\n", NormalizeProductVersion(TARNELO_PRODUCT_VERSION).c_str(), RightTrim(commandLine).c_str());
    WriteBuffered();

    try {
        m_writer = std::thread(&CAppLog::WriterLoop, this);
    } catch (const std::system_error&) {
        // Without a writer thread the text still reaches the file through Flush() and Stop().
    }
    return true;
}

void CAppLog::Stop() {
    std::lock_guard<std::mutex> lifecycle(m_lifecycle);
    if (!m_started) {
        return;
    }
    if (static_cast<unsigned>(getpid()) != m_processId) {
        // A forked child that exits through exit(): the writer thread and the buffer belong to the parent.
        // Joining would wait for a thread that does not exist here, and writing would repeat the parent's lines.
        m_enabled.store(false, std::memory_order_release);
        if (m_writer.joinable()) {
            m_writer.detach();
        }
        m_started = false;
        return;
    }
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_stopRequested = true;
    }
    m_stopEvent.notify_all();
    if (m_writer.joinable()) {
        m_writer.join();
    }
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_enabled.store(false, std::memory_order_release);
    }
    // Lines logged between the writer's last batch and the switch-off above.
    WriteBuffered();
    m_started = false;
}

bool CAppLog::Enabled() const { return m_enabled.load(std::memory_order_acquire); }

void CAppLog::Log(const char* format, ...) {
    if (format == nullptr || !m_enabled.load(std::memory_order_acquire)) {
        return;
    }
    // Format outside the lock so that threads contend only for the append.
    char small[512];
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(small, sizeof small, format, args);
    va_end(args);
    std::string message;
    if (length > 0 && static_cast<size_t>(length) < sizeof small) {
        message.assign(small, static_cast<size_t>(length));
    } else if (length > 0) {
        message.resize(static_cast<size_t>(length));
        std::vsnprintf(message.data(), message.size() + 1, format, again);
    }
    va_end(again);
    if (length < 0) {
        return;
    }

    std::lock_guard<std::mutex> lock(m_lock);
    if (!m_enabled.load(std::memory_order_relaxed)) {
        return;
    }
    // The time is read under the lock so that the lines in the file are in time order.
    m_buffer += FormatLogLinePrefix(std::chrono::system_clock::now(), m_processId, m_prefix);
    m_buffer += message;
}

void CAppLog::Flush() { WriteBuffered(); }

void CAppLog::WriterLoop() {
    int ticks = 0;
    for (;;) {
        bool stopped = false;
        {
            std::unique_lock<std::mutex> lock(m_lock);
            stopped = m_stopEvent.wait_for(lock, kTick, [this] { return m_stopRequested; });
            ++ticks;
            if (!stopped && ticks < m_config.LOG_FILE_WRITE_INTERVAL &&
                static_cast<long long>(m_buffer.size()) < m_config.LOG_FILE_WRITE_SIZE) {
                continue;
            }
        }
        ticks = 0;
        WriteBuffered();
        if (stopped) {
            return;
        }
    }
}

void CAppLog::WriteBuffered() {
    std::lock_guard<std::mutex> append(m_appendLock);
    std::string text;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        text.swap(m_buffer);
    }
    AppendToLogFile(m_config, text);
}

CAppLog& AppLog() {
    // Never destroyed: a static destructor that logs finds a stopped log, not a destroyed one.
    static CAppLog* const instance = [] {
        auto* log = new CAppLog();
        std::atexit([] { AppLog().Stop(); });
        return log;
    }();
    return *instance;
}
