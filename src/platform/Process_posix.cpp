#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/Process.h"

extern char** environ;

namespace platform {

namespace {

constexpr int kWantedPipeSize = 4 * 1024 * 1024;
constexpr int kSmallestPipeSize = 64 * 1024;
// What a child reports when it could not become the program; never seen by callers.
constexpr int kChildSetupFailed = 127;

void CloseFd(int& fd) {
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

// Keeps both ends of a pipe above the standard descriptors, so the child's
// dup2 onto 0, 1 and 2 never overwrites a pipe end it still needs.
bool MoveAboveStandardFds(int& fd) {
    if (fd > 2) return true;
    const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
    ::close(fd);
    fd = moved;
    return moved >= 0;
}

int OpenPipe(int ends[2]) {
    if (::pipe2(ends, O_CLOEXEC) != 0) return errno;
    if (!MoveAboveStandardFds(ends[0]) || !MoveAboveStandardFds(ends[1])) {
        const int error = errno;
        CloseFd(ends[0]);
        CloseFd(ends[1]);
        return error;
    }
    return 0;
}

int ReadPipeMaxSize() {
    int value = 0;
    if (FILE* file = std::fopen("/proc/sys/fs/pipe-max-size", "re")) {
        if (std::fscanf(file, "%d", &value) != 1) value = 0;
        std::fclose(file);
    }
    return value;
}

// A large pipe lets a fast child run ahead of the reader. Unprivileged users
// may not go beyond /proc/sys/fs/pipe-max-size, so try that next, then halve.
void EnlargePipe(int fd) {
    if (::fcntl(fd, F_SETPIPE_SZ, kWantedPipeSize) >= 0) return;
    const int maxSize = ReadPipeMaxSize();
    if (maxSize > 0 && maxSize < kWantedPipeSize && ::fcntl(fd, F_SETPIPE_SZ, maxSize) >= 0) return;
    for (int size = kWantedPipeSize / 2; size >= kSmallestPipeSize; size /= 2) {
        if (::fcntl(fd, F_SETPIPE_SZ, size) >= 0) return;
    }
}

// Puts source on target without close-on-exec. dup2 onto itself would keep
// the flag, so that case clears it instead.
bool PlaceFd(int source, int target) {
    if (source == target) return ::fcntl(target, F_SETFD, 0) == 0;
    return ::dup2(source, target) == target;
}

struct ChildSetup {
    const char* path;
    char* const* argv;
    int outputFd;   // write end of the output pipe
    int statusFd;   // write end of the status pipe
    pid_t parent;   // for the parent-death race check
    int highestFd;  // fallback bound when close_range is missing
    sigset_t emptyMask;
};

[[noreturn]] void ReportAndExit(int statusFd, int error) {
    while (::write(statusFd, &error, sizeof error) < 0 && errno == EINTR) {
    }
    ::_exit(kChildSetupFailed);
}

// Runs in the child between fork and exec: async-signal-safe calls only.
[[noreturn]] void RunChild(const ChildSetup& setup) {
    for (int sig = 1; sig < NSIG; ++sig) {
        if (sig == SIGKILL || sig == SIGSTOP) continue;
        struct sigaction action {};
        // Past a file-size limit a tool's write fails and the tool says so, where the signal would end it
        // without a word and with its output cut short.
        action.sa_handler = sig == SIGXFSZ ? SIG_IGN : SIG_DFL;
        ::sigaction(sig, &action, nullptr);  // fails harmlessly for the C library's reserved signals
    }
    ::sigprocmask(SIG_SETMASK, &setup.emptyMask, nullptr);

    if (::setpgid(0, 0) != 0) ReportAndExit(setup.statusFd, errno);
    // The death signal follows the thread that forked, not the whole process: callers start children
    // from threads that wait for them, so the child never outlives its reason to run.
    if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0) ReportAndExit(setup.statusFd, errno);
    if (::getppid() != setup.parent) ::_exit(kChildSetupFailed);  // the parent died before the prctl

    const int nullFd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (nullFd < 0) ReportAndExit(setup.statusFd, errno);
    if (!PlaceFd(nullFd, 0) || !PlaceFd(setup.outputFd, 1) || !PlaceFd(setup.outputFd, 2)) {
        ReportAndExit(setup.statusFd, errno);
    }
    // Descriptors other code of this process opened without O_CLOEXEC must not reach the tool: an inherited
    // pipe end would keep another child's reader from ever seeing the end of its pipe.
    if (::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC) != 0) {
        for (int fd = 3; fd <= setup.highestFd; ++fd) ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    }

    ::execve(setup.path, setup.argv, environ);
    ReportAndExit(setup.statusFd, errno);
}

int HighestFd() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur > 65536) {
        return 65535;
    }
    return static_cast<int>(limit.rlim_cur) - 1;
}

int ExitCodeOf(const siginfo_t& info) {
    if (info.si_code == CLD_EXITED) return info.si_status;
    return 128 + info.si_status;  // CLD_KILLED or CLD_DUMPED
}

int ExitCodeOf(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

}  // namespace

ChildProcess::~ChildProcess() {
    CloseJob();
    if (Started() && !m_reaped) {
        int status = 0;
        while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
        }
        m_reaped = true;
    }
}

int ChildProcess::Start(const std::vector<std::string>& argv) {
    if (Started()) return EBUSY;
    if (argv.empty()) return EINVAL;
    for (const std::string& arg : argv) {
        if (arg.find('\0') != std::string::npos) return EINVAL;  // would be cut short silently
    }
    const std::string path = FindProgram(argv[0]);
    if (path.empty()) return ENOENT;

    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);

    int output[2] = {-1, -1};
    int status[2] = {-1, -1};
    if (const int error = OpenPipe(output)) return error;
    if (const int error = OpenPipe(status)) {
        CloseFd(output[0]);
        CloseFd(output[1]);
        return error;
    }
    EnlargePipe(output[0]);

    ChildSetup setup{path.c_str(), args.data(), output[1], status[1], ::getpid(), HighestFd(), {}};
    sigemptyset(&setup.emptyMask);

    // Signals stay blocked across fork so that no handler of this process runs in the child before the
    // child has put every disposition back to the default.
    sigset_t all;
    sigset_t previous;
    sigfillset(&all);
    ::pthread_sigmask(SIG_SETMASK, &all, &previous);
    const pid_t pid = ::fork();
    if (pid == 0) RunChild(setup);
    const int forkError = errno;
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);

    CloseFd(output[1]);
    CloseFd(status[1]);
    if (pid < 0) {
        CloseFd(output[0]);
        CloseFd(status[0]);
        return forkError;
    }

    // End of the status pipe without data means the exec succeeded.
    int childError = 0;
    ssize_t got;
    while ((got = ::read(status[0], &childError, sizeof childError)) < 0 && errno == EINTR) {
    }
    CloseFd(status[0]);
    if (got != 0) {
        int ignored = 0;
        while (::waitpid(pid, &ignored, 0) < 0 && errno == EINTR) {
        }
        CloseFd(output[0]);
        if (got != static_cast<ssize_t>(sizeof childError) || childError == 0) childError = ECHILD;
        return childError;
    }

    m_pid = pid;
    m_readFd = output[0];
    return 0;
}

int ChildProcess::StartCommandLine(const std::string& commandLine) { return Start(SplitCommandLine(commandLine)); }

long ChildProcess::Read(char* buffer, unsigned long size) {
    if (m_readFd < 0) return -1;
    ssize_t n;
    while ((n = ::read(m_readFd, buffer, size)) < 0 && errno == EINTR) {
    }
    return static_cast<long>(n);
}

void ChildProcess::Terminate(int exitCode) {
    if (!Started() || m_waited || m_reaped) return;
    // The leader is not reaped yet, so the group id still names our group.
    if (::kill(-m_pid, SIGKILL) != 0) ::kill(m_pid, SIGKILL);
    m_terminated = true;
    m_terminateCode = exitCode;
}

int ChildProcess::Wait() {
    if (!Started()) return -1;
    if (m_waited) return m_exitCode;
    int code = -1;
    if (m_jobClosed) {
        // The group is already killed; nothing is left to protect by keeping the leader.
        int status = 0;
        int result;
        while ((result = ::waitpid(m_pid, &status, 0)) < 0 && errno == EINTR) {
        }
        if (result == m_pid) code = ExitCodeOf(status);
        m_reaped = true;
    } else {
        siginfo_t info{};
        int result;
        while ((result = ::waitid(P_PID, static_cast<id_t>(m_pid), &info, WEXITED | WNOWAIT)) < 0 && errno == EINTR) {
        }
        if (result == 0) {
            code = ExitCodeOf(info);
        } else {
            m_reaped = true;  // someone else collected it; never signal that id again
        }
    }
    m_exitCode = m_terminated ? m_terminateCode : code;
    m_waited = true;
    return m_exitCode;
}

void ChildProcess::CloseJob() {
    if (Started() && !m_reaped && !m_jobClosed) ::kill(-m_pid, SIGKILL);
    CloseFd(m_readFd);
    if (!Started()) return;
    m_jobClosed = true;
    if (m_waited && !m_reaped) {
        int status = 0;
        while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
        }
        m_reaped = true;
    }
}

bool ChildProcess::HasExited() const {
    if (!Started() || m_reaped || m_waited) return true;
    siginfo_t info{};
    if (::waitid(P_PID, static_cast<id_t>(m_pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0) return false;
    return info.si_pid == m_pid;
}

void ChildProcess::KillLeftovers() {
    // The leader is an unreaped zombie here, so its group id cannot have been reused.
    if (Started() && !m_reaped && HasExited()) ::kill(-m_pid, SIGKILL);
}

}  // namespace platform
