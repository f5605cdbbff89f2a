#include "cli/CliSignals.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace cli {
namespace {

std::atomic<int> g_stopSignal{0};
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler needs a lock-free flag");
int g_wakeRead = -1;
int g_wakeWrite = -1;

// One waiter at a time polls the pipe (the signal handler can only write there) and passes what it reads on
// to the others, which wait on the condition.
std::mutex g_waitMutex;
std::condition_variable g_waitCondition;
unsigned long long g_wakeCount = 0;  // wake-ups so far
bool g_pipeWatched = false;          // a waiter polls the pipe
thread_local unsigned long long t_wakeSeen = 0;

void CountWake() {
    {
        std::lock_guard<std::mutex> lock(g_waitMutex);
        ++g_wakeCount;
    }
    g_waitCondition.notify_all();
}

void WriteWakeByte() {
    if (g_wakeWrite < 0) return;
    const char byte = 1;
    // A full pipe already holds a wake-up; nothing is lost by dropping this one.
    while (::write(g_wakeWrite, &byte, 1) < 0 && errno == EINTR) {
    }
}

void OnStopSignal(int signalNumber) {
    const int savedErrno = errno;
    int expected = 0;
    g_stopSignal.compare_exchange_strong(expected, signalNumber);
    WriteWakeByte();
    errno = savedErrno;
}

}  // namespace

bool InstallStopSignals() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return false;
    g_wakeRead = fds[0];
    g_wakeWrite = fds[1];

    struct sigaction action = {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);

    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    ::sigaction(SIGPIPE, &ignore, nullptr);
    // Past a file-size limit a write then fails with EFBIG and is reported like a full disk.
    ::sigaction(SIGXFSZ, &ignore, nullptr);
    return true;
}

int StopSignal() { return g_stopSignal.load(); }

void WakeMainThread() {
    WriteWakeByte();
    CountWake();
}

void WaitForWake(int timeoutMs) {
    std::unique_lock<std::mutex> lock(g_waitMutex);
    if (g_wakeCount != t_wakeSeen) {
        t_wakeSeen = g_wakeCount;
        return;
    }
    if (g_wakeRead >= 0 && !g_pipeWatched) {
        g_pipeWatched = true;
        lock.unlock();
        pollfd pfd{g_wakeRead, POLLIN, 0};
        const bool woken = ::poll(&pfd, 1, timeoutMs) > 0;
        char buffer[64];
        while (woken && ::read(g_wakeRead, buffer, sizeof buffer) > 0) {
        }
        lock.lock();
        g_pipeWatched = false;
        if (woken) ++g_wakeCount;
        t_wakeSeen = g_wakeCount;
        lock.unlock();
        // Also when nothing came: another waiter takes the pipe over.
        g_waitCondition.notify_all();
        return;
    }
    // The pipe's watcher wakes this thread; so does its leaving, after which this one may watch the pipe.
    const auto woken = [] { return g_wakeCount != t_wakeSeen || !g_pipeWatched; };
    if (g_wakeRead < 0 && timeoutMs < 0) timeoutMs = 100;
    if (timeoutMs < 0) {
        g_waitCondition.wait(lock, woken);
    } else {
        g_waitCondition.wait_for(lock, std::chrono::milliseconds(timeoutMs), woken);
    }
    t_wakeSeen = g_wakeCount;
}

}  // namespace cli
