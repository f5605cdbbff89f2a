#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "log/AppLogIni.h"

// The program's diagnostic log. Log() only formats into memory; a writer thread appends the text to the
// file once per LOG_FILE_WRITE_INTERVAL seconds, when LOG_FILE_WRITE_SIZE bytes have gathered, and at
// Stop(). Several processes may share one file: every file access holds the lock "AppLogFileAccess".
class CAppLog {
public:
    CAppLog();
    ~CAppLog();  // Stop()
    CAppLog(const CAppLog&) = delete;
    CAppLog& operator=(const CAppLog&) = delete;

    // Reads "AppLog.INI" beside the executable and starts with it and this process's command line.
    bool Start();
    // Starts with the given settings; true when logging is enabled (a non-empty path). The first line
    // written is "Version <product version> <command line>". A started log stays as it is.
    bool Start(const AppLogConfig& config, const std::string& commandLine);
    // Ends the writer thread and appends what is still buffered. Idempotent; Log() is a no-op afterwards.
    void Stop();
    bool Enabled() const;

    // printf-style; the format supplies the line end. Callable from any thread; returns at once when
    // logging is disabled, stopped or never started.
    void Log(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // Appends what is buffered now, without waiting for the writer thread.
    void Flush();

private:
    void WriterLoop();
    void WriteBuffered();

    std::mutex m_lifecycle;   // serialises Start and Stop
    std::mutex m_appendLock;  // keeps batches in buffer order when Flush races the writer thread
    AppLogConfig m_config;    // the path made absolute; fixed while started

    std::mutex m_lock;  // guards everything below
    std::condition_variable m_stopEvent;
    bool m_stopRequested = false;
    std::string m_buffer;
    unsigned m_processId = 0;
    std::string m_prefix;

    std::atomic<bool> m_enabled{false};
    bool m_started = false;  // under m_lifecycle
    std::thread m_writer;
};

// The process-wide log. The program's main starts it and stops it before returning; it is stopped again at
// exit for other ways out. The instance is never destroyed, so logging from static destructors is safe.
CAppLog& AppLog();
