#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace platform {

// One child process with stdout and stderr on a single pipe and stdin from
// /dev/null. The child leads its own process group and dies with the parent,
// so closing the job (or destroying this object) leaves no grandchild behind.
class ChildProcess {
public:
    ChildProcess() = default;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess();  // CloseJob() and reap

    // Starts argv[0], found by FindProgram. Returns 0, or the errno of the
    // failed start (ENOENT for a program that is not found). On failure
    // nothing is left open and no child or zombie remains.
    int Start(const std::vector<std::string>& argv);
    // Splits the command line with SplitCommandLine, then Start(argv).
    int StartCommandLine(const std::string& commandLine);

    // Reads up to size bytes from the pipe (EINTR retried). Returns the count,
    // 0 at end of pipe, -1 on error.
    long Read(char* buffer, unsigned long size);

    // Kills the whole process group; Wait then reports exitCode.
    void Terminate(int exitCode);
    // Waits without time limit and returns the exit code: the child's own
    // code, the code given to Terminate, or 128 + signal for another signal.
    int Wait();
    // Kills what is left of the process group and closes the pipe.
    void CloseJob();
    // True once the child itself has ended (it is not reaped, so Wait still reports it).
    bool HasExited() const;
    // Kills whatever the ended child left running in its group, so that a
    // grandchild holding the pipe cannot keep the reader waiting.
    void KillLeftovers();

    pid_t Pid() const { return m_pid; }
    int ReadFd() const { return m_readFd; }
    bool Started() const { return m_pid > 0; }

private:
    pid_t m_pid = -1;
    int m_readFd = -1;
    bool m_waited = false;
    bool m_terminated = false;
    int m_terminateCode = 0;
    int m_exitCode = 0;
    // Wait only peeks at the exit status: the unreaped leader keeps its pid,
    // and so the group id, from being reused until CloseJob has killed the group.
    bool m_reaped = false;
    bool m_jobClosed = false;
};

// The executable's own folder first, then PATH. A name that contains a '/'
// is returned as it is. Empty when nothing executable is found.
std::string FindProgram(const std::string& name);

// Folder of the running executable, with a trailing separator.
std::string ExecutableFolder();

// Splits a command line by the rules the command texts are written for:
// whitespace separates, double quotes group, 2n backslashes before a quote
// give n backslashes and a toggling quote, 2n+1 give n and a literal quote,
// "" inside quotes gives a literal quote, other backslashes are literal.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

// Escapes text for use between two double quotes of a command line, so that
// SplitCommandLine gives back exactly that text.
std::string EscapeQuotedArgument(const std::string& text);

}  // namespace platform
