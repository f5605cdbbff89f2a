#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/Path.h"
#include "platform/Process.h"

namespace {

using platform::ChildProcess;

// Only guards against a test that would otherwise hang; nothing is asserted about time.
constexpr int kHangGuardMs = 30000;

std::string Helper(const std::string& name) { return std::string(TARNELO_TEST_HELPER_DIR) + "/" + name; }

int CountOpenFds() {
    int count = 0;
    DIR* dir = opendir("/proc/self/fd");
    while (const dirent* entry = readdir(dir)) {
        if (entry->d_name[0] != '.') ++count;
    }
    closedir(dir);
    return count;
}

std::set<int> ChildFds(pid_t pid) {
    std::set<int> fds;
    const std::string path = "/proc/" + std::to_string(pid) + "/fd";
    DIR* dir = opendir(path.c_str());
    if (!dir) return fds;
    while (const dirent* entry = readdir(dir)) {
        if (entry->d_name[0] != '.') fds.insert(std::atoi(entry->d_name));
    }
    closedir(dir);
    return fds;
}

std::string LinkTarget(const std::string& path) {
    char target[512];
    const ssize_t n = readlink(path.c_str(), target, sizeof target);
    return n < 0 ? std::string() : std::string(target, static_cast<size_t>(n));
}

bool NoChildLeft() {
    int status = 0;
    return waitpid(-1, &status, WNOHANG) == -1 && errno == ECHILD;
}

// Reads until end of pipe; fails (instead of hanging) if the pipe never closes.
std::string ReadAll(ChildProcess& child) {
    std::string text;
    char buffer[4096];
    for (;;) {
        pollfd pfd{child.ReadFd(), POLLIN, 0};
        if (poll(&pfd, 1, kHangGuardMs) <= 0) {
            ADD_FAILURE() << "the pipe did not close";
            return text;
        }
        const long n = child.Read(buffer, sizeof buffer);
        if (n <= 0) return text;
        text.append(buffer, static_cast<size_t>(n));
    }
}

// Reads until text holds a full line that starts with prefix; returns that line.
std::string ReadLineStartingWith(ChildProcess& child, const std::string& prefix) {
    std::string text;
    char buffer[4096];
    for (;;) {
        std::istringstream lines(text);
        std::string line;
        while (std::getline(lines, line)) {
            if (line.rfind(prefix, 0) == 0 && !lines.eof()) return line;
        }
        pollfd pfd{child.ReadFd(), POLLIN, 0};
        if (poll(&pfd, 1, kHangGuardMs) <= 0) break;
        const long n = child.Read(buffer, sizeof buffer);
        if (n <= 0) break;
        text.append(buffer, static_cast<size_t>(n));
    }
    ADD_FAILURE() << "no line starting with '" << prefix << "' in: " << text;
    return {};
}

struct Family {
    pid_t child = -1;
    pid_t grandchild = -1;
};

Family ParseFamily(const std::string& line) {
    Family family;
    if (std::sscanf(line.c_str(), "child %d grandchild %d", &family.child, &family.grandchild) != 2) {
        ADD_FAILURE() << "bad line: " << line;
    }
    return family;
}

// Called through syscall: this C library's <sys/pidfd.h> lacks the C linkage wrapper.
int PidfdOpen(pid_t pid) { return static_cast<int>(syscall(SYS_pidfd_open, pid, 0)); }
int PidfdKill(int fd) { return static_cast<int>(syscall(SYS_pidfd_send_signal, fd, SIGKILL, nullptr, 0)); }

// A handle on a process that is not our child: its exit makes the descriptor readable.
class ProcessWatch {
public:
    explicit ProcessWatch(pid_t pid) : m_fd(PidfdOpen(pid)) { EXPECT_GE(m_fd, 0) << "pidfd_open " << pid; }
    ~ProcessWatch() {
        if (m_fd >= 0) close(m_fd);
    }
    ProcessWatch(const ProcessWatch&) = delete;
    ProcessWatch& operator=(const ProcessWatch&) = delete;

    bool HasExited() const {
        pollfd pfd{m_fd, POLLIN, 0};
        return poll(&pfd, 1, 0) == 1;
    }
    bool WaitForExit() const {
        pollfd pfd{m_fd, POLLIN, 0};
        return poll(&pfd, 1, kHangGuardMs) == 1;
    }
    void Kill() const { PidfdKill(m_fd); }

private:
    int m_fd;
};

std::string StatusField(pid_t pid, const std::string& field) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field + ":", 0) == 0) {
            const size_t value = line.find_first_not_of(" \t", field.size() + 1);
            return value == std::string::npos ? std::string() : line.substr(value);
        }
    }
    return {};
}

const std::vector<std::string>& NastyArguments() {
    static const std::vector<std::string> args = {
        "plain",
        "two words",
        "",
        "say \"hi\"",
        "it's",
        "C:\\dir\\file.mp4",
        "trailing\\",
        "trailing two\\\\",
        "\\\"",
        "$HOME $(rm -rf x) `id`",
        "a;b&&c|d>e<f",
        "日本語 ファイル名.mp4",
        " lead and trail ",
        "tab\there",
        "*?[a]",
        "%s %d %n",
    };
    return args;
}

std::string Framed(const std::vector<std::string>& args) {
    std::string text;
    for (const std::string& arg : args) text += "[" + arg + "]\n";
    return text;
}

TEST(ProcessTest, FailedStartLeavesNothingBehind) {
    const std::string notExecutable = std::string(TARNELO_SOURCE_DIR) + "/CMakeLists.txt";
    const struct {
        std::vector<std::string> argv;
        int error;
    } cases[] = {
        {{"tarnelo-no-such-program", "-y"}, ENOENT},               // not found by the search
        {{"/nonexistent-folder/ffmpeg"}, ENOENT},                  // a path: the exec itself fails
        {{notExecutable}, EACCES},                                 // exists but may not be run
        {{"/tmp"}, EACCES},                                        // a folder
        {{}, EINVAL},                                              // nothing to run
        {{Helper("print_args"), std::string("a\0b", 3)}, EINVAL},  // would be cut at the NUL
    };
    for (const auto& c : cases) {
        const std::string what = c.argv.empty() ? std::string("(empty)") : c.argv[0];
        const int fdsBefore = CountOpenFds();
        {
            ChildProcess child;
            EXPECT_EQ(child.Start(c.argv), c.error) << what;
            EXPECT_FALSE(child.Started()) << what;
            EXPECT_EQ(child.ReadFd(), -1) << what;
            EXPECT_EQ(child.Read(nullptr, 0), -1) << what;
            EXPECT_EQ(child.Wait(), -1) << what;
            child.Terminate(-2);
            child.CloseJob();
            EXPECT_EQ(CountOpenFds(), fdsBefore) << what;
        }
        EXPECT_TRUE(NoChildLeft()) << what;
        EXPECT_EQ(CountOpenFds(), fdsBefore) << what;
    }
    ChildProcess fromLine;
    EXPECT_EQ(fromLine.StartCommandLine("tarnelo-no-such-program -i \"x y\""), ENOENT);
    EXPECT_TRUE(NoChildLeft());
}

TEST(ProcessTest, ArgumentsArriveExactly) {
    {
        std::vector<std::string> argv{Helper("print_args")};
        argv.insert(argv.end(), NastyArguments().begin(), NastyArguments().end());
        ChildProcess child;
        ASSERT_EQ(child.Start(argv), 0);
        EXPECT_EQ(ReadAll(child), Framed(NastyArguments()));
        EXPECT_EQ(child.Wait(), 0);
    }
    {
        // The way command texts quote file names: "\"%s\"" around the escaped name.
        std::string commandLine = "\"" + platform::EscapeQuotedArgument(Helper("print_args")) + "\"";
        for (const std::string& arg : NastyArguments()) {
            commandLine += " \"" + platform::EscapeQuotedArgument(arg) + "\"";
        }
        ChildProcess child;
        ASSERT_EQ(child.StartCommandLine(commandLine), 0);
        EXPECT_EQ(ReadAll(child), Framed(NastyArguments()));
        EXPECT_EQ(child.Wait(), 0);
    }
    {
        ChildProcess child;
        ASSERT_EQ(child.StartCommandLine(Helper("print_args") + " -y  -i\tin.mp4 \"out put.mp4\""), 0);
        EXPECT_EQ(ReadAll(child), "[-y]\n[-i]\n[in.mp4]\n[out put.mp4]\n");
        EXPECT_EQ(child.Wait(), 0);
    }
}

TEST(ProcessTest, ExitCodes) {
    const struct {
        std::vector<std::string> script;
        int code;
    } cases[] = {
        {{}, 0},
        {{"exit", "1"}, 1},
        {{"err", "Error opening input\\n", "exit", "3"}, 3},
        {{"exit", "255"}, 255},
        {{"signal", "15"}, 128 + SIGTERM},  // killed by a signal nobody asked for
        {{"signal", "9"}, 128 + SIGKILL},
        {{"signal", "10"}, 128 + SIGUSR1},
    };
    for (const auto& c : cases) {
        std::vector<std::string> argv{Helper("fake_ffmpeg")};
        argv.insert(argv.end(), c.script.begin(), c.script.end());
        ChildProcess child;
        ASSERT_EQ(child.Start(argv), 0);
        ReadAll(child);
        EXPECT_EQ(child.Wait(), c.code) << testing::PrintToString(c.script);
        EXPECT_EQ(child.Wait(), c.code) << "a second Wait gives the same code";
        child.CloseJob();
        EXPECT_EQ(child.Wait(), c.code) << "and so does one after closing the job";
    }
    EXPECT_TRUE(NoChildLeft());
}

TEST(ProcessTest, StdoutAndStderrShareOnePipeInOrder) {
    ChildProcess child;
    ASSERT_EQ(
        child.Start({Helper("fake_ffmpeg"), "out", "one\\n", "err", "two\\n", "out", "three\\n", "err", "four\\r"}), 0);
    EXPECT_EQ(ReadAll(child), "one\ntwo\nthree\nfour\r");
    EXPECT_EQ(child.Wait(), 0);
}

TEST(ProcessTest, LargeOutputArrivesWhole) {
    const std::string line(99, 'x');
    ChildProcess child;
    ASSERT_EQ(child.Start({Helper("fake_ffmpeg"), "repeat", "100000", line + "\\n"}), 0);

    int maxSize = 0;
    if (FILE* file = std::fopen("/proc/sys/fs/pipe-max-size", "r")) {
        if (std::fscanf(file, "%d", &maxSize) != 1) maxSize = 0;
        std::fclose(file);
    }
    // 4 MiB where this process may have it (CAP_SYS_RESOURCE or a high enough limit), else the limit.
    const int wanted = 4 * 1024 * 1024;
    int probe[2];
    ASSERT_EQ(pipe2(probe, O_CLOEXEC), 0);
    const bool mayHaveWanted = fcntl(probe[0], F_SETPIPE_SZ, wanted) == wanted;
    close(probe[0]);
    close(probe[1]);
    EXPECT_EQ(fcntl(child.ReadFd(), F_GETPIPE_SZ), mayHaveWanted ? wanted : maxSize);

    const std::string text = ReadAll(child);
    EXPECT_EQ(text.size(), 100000u * 100u);
    EXPECT_EQ(text.find_first_not_of(line + "\n"), std::string::npos);
    EXPECT_EQ(child.Wait(), 0);
}

// Unprivileged users may not have a 4 MiB pipe; the start must still work, with the largest size allowed.
TEST(ProcessTest, PipeSizeFallsBackWithoutPrivilege) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to drop to an unprivileged user";
    int maxSize = 0;
    if (FILE* file = std::fopen("/proc/sys/fs/pipe-max-size", "r")) {
        if (std::fscanf(file, "%d", &maxSize) != 1) maxSize = 0;
        std::fclose(file);
    }
    if (maxSize >= 4 * 1024 * 1024) GTEST_SKIP() << "pipe-max-size allows 4 MiB to everybody";

    const pid_t tester = fork();
    ASSERT_GE(tester, 0);
    if (tester == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0) _exit(10);
        ChildProcess child;
        if (child.Start({Helper("print_args"), "ok"}) != 0) _exit(11);
        const int size = fcntl(child.ReadFd(), F_GETPIPE_SZ);
        char buffer[64];
        if (child.Read(buffer, sizeof buffer) != 5) _exit(12);
        if (child.Wait() != 0) _exit(13);
        _exit(size == maxSize ? 0 : 14);
    }
    int status = 0;
    ASSERT_EQ(waitpid(tester, &status, 0), tester);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "10 setuid, 11 start, 12 read, 13 exit code, 14 pipe size";
}

// What the child inherits: only stdin (null), stdout and stderr (our pipe), its own group, default
// signal handling and no blocked signals, whatever this process has open, blocked or ignored.
TEST(ProcessTest, ChildStartsClean) {
    const int leakedFd = open("/dev/null", O_RDONLY);  // as a careless library would, without O_CLOEXEC
    ASSERT_GE(leakedFd, 0);
    sigset_t blocked;
    sigset_t previous;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGUSR1);
    ASSERT_EQ(pthread_sigmask(SIG_BLOCK, &blocked, &previous), 0);
    struct sigaction ignore {};
    struct sigaction previousUsr2 {};
    ignore.sa_handler = SIG_IGN;
    ASSERT_EQ(sigaction(SIGUSR2, &ignore, &previousUsr2), 0);

    ChildProcess child;
    const int error = child.Start({Helper("hang")});

    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    sigaction(SIGUSR2, &previousUsr2, nullptr);
    close(leakedFd);
    ASSERT_EQ(error, 0);
    ReadLineStartingWith(child, "hang ");

    const pid_t pid = child.Pid();
    EXPECT_EQ(ChildFds(pid), (std::set<int>{0, 1, 2}));
    const std::string fdFolder = "/proc/" + std::to_string(pid) + "/fd/";
    EXPECT_EQ(LinkTarget(fdFolder + "0"), "/dev/null");
    const std::string pipe = LinkTarget("/proc/self/fd/" + std::to_string(child.ReadFd()));
    EXPECT_EQ(pipe.rfind("pipe:", 0), 0u) << pipe;
    EXPECT_EQ(LinkTarget(fdFolder + "1"), pipe);
    EXPECT_EQ(LinkTarget(fdFolder + "2"), pipe);
    EXPECT_EQ(getpgid(pid), pid);
    EXPECT_EQ(StatusField(pid, "SigBlk"), "0000000000000000");
    // Nothing ignored that the child did not ask for, SIGUSR2 above included; only a file-size limit is
    // turned into a failed write.
    char ignored[17];
    std::snprintf(ignored, sizeof ignored, "%016llx", 1ULL << (SIGXFSZ - 1));
    EXPECT_EQ(StatusField(pid, "SigIgn"), ignored);
    // Our end of the pipe must not reach children started later.
    EXPECT_EQ(fcntl(child.ReadFd(), F_GETFD) & FD_CLOEXEC, FD_CLOEXEC);

    child.Terminate(-2);
    ReadAll(child);
    EXPECT_EQ(child.Wait(), -2);
}

TEST(ProcessTest, TerminateReportsTheGivenCode) {
    for (const int code : {-2, 0, 7}) {
        ChildProcess child;
        ASSERT_EQ(child.Start({Helper("hang")}), 0);
        ReadLineStartingWith(child, "hang ");
        child.Terminate(code);
        child.Terminate(code);  // the reader repeats it on every chunk until the pipe closes
        EXPECT_EQ(ReadAll(child), "");
        EXPECT_EQ(child.Wait(), code);
        child.Terminate(99);  // too late to change anything
        EXPECT_EQ(child.Wait(), code);
    }
    EXPECT_TRUE(NoChildLeft());
}

TEST(ProcessTest, CloseJobKillsGrandchildAfterNormalEnd) {
    const int fdsBefore = CountOpenFds();
    ChildProcess child;
    ASSERT_EQ(child.Start({Helper("spawn_grandchild"), "exit"}), 0);
    const Family family = ParseFamily(ReadLineStartingWith(child, "child "));
    ASSERT_GT(family.grandchild, 0);
    EXPECT_EQ(family.child, child.Pid());
    ProcessWatch grandchild(family.grandchild);

    // The child ends on its own while the grandchild still holds the pipe.
    EXPECT_EQ(child.Wait(), 0);
    EXPECT_FALSE(grandchild.HasExited());
    EXPECT_EQ(getpgid(family.grandchild), child.Pid());

    child.CloseJob();
    EXPECT_TRUE(grandchild.WaitForExit()) << "the grandchild outlived the job";
    EXPECT_EQ(child.ReadFd(), -1);
    EXPECT_EQ(child.Read(nullptr, 0), -1);
    child.CloseJob();
    EXPECT_EQ(child.Wait(), 0);
    EXPECT_TRUE(NoChildLeft());
    EXPECT_EQ(CountOpenFds(), fdsBefore + 1);  // the watch's descriptor
}

// A tool that ended but left a grandchild on the pipe: the reader asks whether the tool itself is done and
// then clears the leftovers, so the pipe ends without waiting for the grandchild.
TEST(ProcessTest, LeftoversOfAnEndedChild) {
    ChildProcess running;
    ASSERT_EQ(running.Start({Helper("hang")}), 0);
    ReadLineStartingWith(running, "hang ");
    EXPECT_FALSE(running.HasExited());
    running.KillLeftovers();  // does nothing while the child itself runs
    EXPECT_FALSE(running.HasExited());
    running.Terminate(-2);
    ReadAll(running);
    EXPECT_EQ(running.Wait(), -2);
    running.CloseJob();  // reaps the leader that Wait left for the group kill

    ChildProcess child;
    ASSERT_EQ(child.Start({Helper("spawn_grandchild"), "exit"}), 0);
    const Family family = ParseFamily(ReadLineStartingWith(child, "child "));
    ASSERT_GT(family.grandchild, 0);
    ProcessWatch grandchild(family.grandchild);
    ProcessWatch leader(child.Pid());
    ASSERT_TRUE(leader.WaitForExit());
    EXPECT_TRUE(child.HasExited());
    EXPECT_FALSE(grandchild.HasExited());

    child.KillLeftovers();
    ReadAll(child);  // ends now, with or without the grandchild's line still in it
    EXPECT_TRUE(grandchild.WaitForExit());
    EXPECT_EQ(child.Wait(), 0) << "the child's own code survives the cleanup";
    child.CloseJob();
    EXPECT_TRUE(NoChildLeft());
}

TEST(ProcessTest, CancelKillsChildAndGrandchild) {
    ChildProcess child;
    ASSERT_EQ(child.Start({Helper("spawn_grandchild"), "hang"}), 0);
    const Family family = ParseFamily(ReadLineStartingWith(child, "child "));
    ASSERT_GT(family.grandchild, 0);
    ProcessWatch grandchild(family.grandchild);

    child.Terminate(-2);
    // The grandchild holds the pipe too, so its end shows that both are gone.
    ReadAll(child);
    EXPECT_TRUE(grandchild.WaitForExit());
    EXPECT_EQ(child.Wait(), -2);
    child.CloseJob();
    EXPECT_TRUE(NoChildLeft());
}

TEST(ProcessTest, DestructorKillsAndReaps) {
    auto child = std::make_unique<ChildProcess>();
    ASSERT_EQ(child->Start({Helper("spawn_grandchild"), "hang"}), 0);
    const Family family = ParseFamily(ReadLineStartingWith(*child, "child "));
    ASSERT_GT(family.grandchild, 0);
    const pid_t pid = child->Pid();
    ProcessWatch grandchild(family.grandchild);

    child.reset();
    int status = 0;
    EXPECT_EQ(waitpid(pid, &status, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD) << "the child was not reaped";
    EXPECT_TRUE(NoChildLeft());
    EXPECT_TRUE(grandchild.WaitForExit()) << "the grandchild outlived the job";
}

// A process that runs a child and is then killed outright (no destructor runs): the child must die with
// it. Its grandchild is left for the report; only the closing of the job kills grandchildren.
TEST(ProcessTest, KilledParentTakesTheChildAlong) {
    int report[2];
    ASSERT_EQ(pipe2(report, O_CLOEXEC), 0);
    const pid_t parent = fork();
    ASSERT_GE(parent, 0);
    if (parent == 0) {
        close(report[0]);
        ChildProcess child;
        if (child.Start({Helper("spawn_grandchild"), "hang"}) != 0) _exit(1);
        // The grandchild writes to the same pipe; skip its line.
        std::string line;
        std::string current;
        char c;
        while (line.empty() && child.Read(&c, 1) == 1) {
            if (c != '\n') {
                current += c;
            } else if (current.rfind("child ", 0) == 0) {
                line = current;
            } else {
                current.clear();
            }
        }
        line += '\n';
        if (write(report[1], line.data(), line.size()) != static_cast<ssize_t>(line.size())) _exit(2);
        for (;;) pause();
    }
    close(report[1]);
    std::string line;
    char c;
    while (read(report[0], &c, 1) == 1 && c != '\n') line += c;
    close(report[0]);
    const Family family = ParseFamily(line);
    ASSERT_GT(family.grandchild, 0);
    ProcessWatch child(family.child);
    ProcessWatch grandchild(family.grandchild);
    EXPECT_FALSE(child.HasExited());

    ASSERT_EQ(kill(parent, SIGKILL), 0);
    int status = 0;
    ASSERT_EQ(waitpid(parent, &status, 0), parent);
    EXPECT_TRUE(child.WaitForExit()) << "the child outlived its killed parent";

    RecordProperty("grandchild_after_parent_killed", grandchild.HasExited() ? "gone" : "alive");
    grandchild.Kill();
    EXPECT_TRUE(grandchild.WaitForExit());
}

// Children started at the same time from several threads: a pipe end leaking into another thread's
// long-running child would keep a reader from ever seeing the end of its pipe.
TEST(ProcessTest, ConcurrentStartsFromThreads) {
    constexpr int kThreads = 6;
    constexpr int kRounds = 15;
    std::vector<std::thread> threads;
    std::vector<int> failures(kThreads, 0);
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &failures] {
            for (int round = 0; round < kRounds; ++round) {
                ChildProcess hang;
                ChildProcess print;
                const std::string arg = "thread " + std::to_string(t) + " round " + std::to_string(round);
                if (hang.Start({Helper("hang")}) != 0 || print.Start({Helper("print_args"), arg}) != 0) {
                    ++failures[t];
                    continue;
                }
                if (ReadAll(print) != "[" + arg + "]\n" || print.Wait() != 0) ++failures[t];
                hang.Terminate(-2);
                ReadAll(hang);
                if (hang.Wait() != -2) ++failures[t];
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(failures[t], 0) << "thread " << t;
    EXPECT_TRUE(NoChildLeft());
}

// The name this test program runs under, read the way the search cannot: from the link itself.
std::string OwnName() { return platform::PathFileName(LinkTarget("/proc/self/exe")); }

class ProgramSearchTest : public testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/tarnelo-search-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_root = std::string(pattern) + "/";
        const char* path = std::getenv("PATH");
        m_savedPath = path ? path : "";
        char cwd[4096];
        ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
        m_savedCwd = cwd;
    }
    void TearDown() override {
        setenv("PATH", m_savedPath.c_str(), 1);
        EXPECT_EQ(chdir(m_savedCwd.c_str()), 0);
        const std::string command = "rm -rf '" + m_root + "'";
        EXPECT_EQ(std::system(command.c_str()), 0);
    }
    std::string MakeFile(const std::string& relative, mode_t mode) {
        const std::string path = m_root + relative;
        platform::MakeFolders(platform::PathFolder(path));
        std::ofstream(path) << "#!/bin/sh\n";
        chmod(path.c_str(), mode);
        return path;
    }

    std::string m_root;
    std::string m_savedPath;
    std::string m_savedCwd;
};

TEST_F(ProgramSearchTest, OwnFolderThenPathExecutableFilesOnly) {
    MakeFile("a/tool", 0644);                   // not executable
    platform::MakeFolders(m_root + "b/tool/");  // a folder
    const std::string wanted = MakeFile("c/tool", 0755);
    MakeFile("d/tool", 0755);          // later on PATH
    MakeFile("c/" + OwnName(), 0755);  // loses to our own folder
    setenv("PATH", (m_root + "a:" + m_root + "b/:" + m_root + "c:" + m_root + "d").c_str(), 1);

    EXPECT_EQ(platform::FindProgram("tool"), wanted);
    EXPECT_EQ(platform::FindProgram(OwnName()), platform::ExecutableFolder() + OwnName());
    EXPECT_EQ(platform::FindProgram("tarnelo-no-such-program"), "");
    EXPECT_EQ(platform::FindProgram(""), "");
    EXPECT_EQ(platform::FindProgram("./not/checked"), "./not/checked");

    // An empty entry is the current folder.
    ASSERT_EQ(chdir((m_root + "c").c_str()), 0);
    setenv("PATH", ("/nonexistent::" + m_root + "d").c_str(), 1);
    EXPECT_EQ(platform::FindProgram("tool"), "./tool");
}

TEST_F(ProgramSearchTest, ExecutableFolderIsOurs) {
    const std::string folder = platform::ExecutableFolder();
    ASSERT_TRUE(platform::HasTrailingSeparator(folder));
    EXPECT_EQ(folder.front(), '/');
    struct stat own {};
    struct stat found {};
    ASSERT_EQ(stat("/proc/self/exe", &own), 0);
    ASSERT_EQ(stat((folder + OwnName()).c_str(), &found), 0);
    EXPECT_EQ(own.st_ino, found.st_ino);
}

}  // namespace
