#include "cli/CliSignals.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace cli {
namespace {

std::atomic<int> g_stopSignal{0};
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler needs a lock-free flag");
int g_wakeRead = -1;
int g_wakeWrite = -1;

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

void WakeMainThread() { WriteWakeByte(); }

void WaitForWake(int timeoutMs) {
    if (g_wakeRead < 0) {
        ::poll(nullptr, 0, timeoutMs < 0 ? 100 : timeoutMs);
        return;
    }
    pollfd pfd{g_wakeRead, POLLIN, 0};
    if (::poll(&pfd, 1, timeoutMs) <= 0) return;
    char buffer[64];
    while (::read(g_wakeRead, buffer, sizeof buffer) > 0) {
    }
}

}  // namespace cli
