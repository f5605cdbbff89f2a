#include <signal.h>
#include <sys/wait.h>

#include "platform/Process.h"

namespace platform {

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
