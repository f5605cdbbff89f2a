#pragma once

// Runs tarnelo-cli as a user does: a child process with its own stdout and stderr, its exit status, the
// processes it leaves behind, and a signal sent at a chosen line of its progress.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/Process.h"
#include "support/ProcessWatch.h"

extern char** environ;

namespace clitest {

namespace fs = std::filesystem;

// Where CMake puts the program, beside the test helpers' folder.
inline const std::string kCliPath = TARNELO_TEST_HELPER_DIR "/../src/tarnelo-cli";
// Only a guard against a hung child; no test expects to come near it.
inline constexpr auto kHangGuard = std::chrono::seconds(300);

struct RunResult {
    int status = -1;  // exit status, or 128 + signal
    std::string out;
    std::string err;
};

inline std::vector<std::string> EnvironmentWith(const std::vector<std::string>& overrides) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        const std::string key = entry.substr(0, entry.find('='));
        bool replaced = false;
        for (const std::string& o : overrides) replaced = replaced || o.substr(0, o.find('=')) == key;
        if (!replaced) env.push_back(entry);
    }
    env.insert(env.end(), overrides.begin(), overrides.end());
    return env;
}

// A child with stdout and stderr on pipes of their own.
class Child {
public:
    Child(const std::vector<std::string>& argv, const std::vector<std::string>& envOverrides = {}) {
        std::vector<std::string> env = EnvironmentWith(envOverrides);
        std::vector<char*> args;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        std::vector<char*> envp;
        for (std::string& e : env) envp.push_back(e.data());
        envp.push_back(nullptr);

        int out[2], err[2];
        if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(out[1], 1);
            ::dup2(err[1], 2);
            const int devNull = ::open("/dev/null", O_RDONLY);
            ::dup2(devNull, 0);
            ::execve(args[0], args.data(), envp.data());
            ::_exit(127);
        }
        ::close(out[1]);
        ::close(err[1]);
        m_outFd = out[0];
        m_errFd = err[0];
    }
    ~Child() {
        if (m_pid > 0 && !m_waited) {
            ::kill(m_pid, SIGKILL);
            Wait();
        }
        if (m_outFd >= 0) ::close(m_outFd);
        if (m_errFd >= 0) ::close(m_errFd);
    }

    pid_t Pid() const { return m_pid; }

    // Reads both pipes to their end; onErrLine sees every complete stderr line as it arrives.
    void Drain(const std::function<void(const std::string&)>& onErrLine = nullptr) {
        const auto deadline = std::chrono::steady_clock::now() + kHangGuard;
        std::string pendingErr;
        while (m_outFd >= 0 || m_errFd >= 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                ADD_FAILURE() << "child " << m_pid << " hangs; killed";
                ::kill(m_pid, SIGKILL);
                break;
            }
            pollfd fds[2] = {{m_outFd, POLLIN, 0}, {m_errFd, POLLIN, 0}};
            if (::poll(fds, 2, 1000) <= 0) continue;
            for (int i = 0; i < 2; ++i) {
                if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
                char buffer[4096];
                const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
                int& fd = i == 0 ? m_outFd : m_errFd;
                if (n <= 0) {
                    ::close(fd);
                    fd = -1;
                    continue;
                }
                if (i == 0) {
                    m_result.out.append(buffer, static_cast<size_t>(n));
                    continue;
                }
                m_result.err.append(buffer, static_cast<size_t>(n));
                pendingErr.append(buffer, static_cast<size_t>(n));
                for (size_t end; (end = pendingErr.find('\n')) != std::string::npos;) {
                    const std::string line = pendingErr.substr(0, end);
                    pendingErr.erase(0, end + 1);
                    if (onErrLine) onErrLine(line);
                }
            }
        }
    }

    RunResult Wait() {
        int status = 0;
        while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
        }
        m_waited = true;
        m_result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return m_result;
    }

private:
    pid_t m_pid = -1;
    int m_outFd = -1;
    int m_errFd = -1;
    bool m_waited = false;
    RunResult m_result;
};

inline RunResult RunProgram(const std::vector<std::string>& argv, const std::vector<std::string>& env = {}) {
    Child child(argv, env);
    child.Drain();
    return child.Wait();
}

inline RunResult RunCli(std::vector<std::string> args,
                        const std::vector<std::string>& env = {"LANG=C.UTF-8", "LC_ALL="}) {
    args.insert(args.begin(), kCliPath);
    return RunProgram(args, env);
}

inline std::set<std::string> Tree(const fs::path& root) {
    std::set<std::string> names;
    for (const auto& e : fs::recursive_directory_iterator(root)) names.insert(e.path().string());
    return names;
}

// Command lines of the live processes that mention text (zombies have none).
inline std::vector<std::string> ProcessesMentioning(const std::string& text) {
    std::vector<std::string> found;
    for (const auto& e : fs::directory_iterator("/proc")) {
        const std::string pid = e.path().filename().string();
        if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
        std::string cmdline = testsupport::ReadProcText(e.path() / "cmdline");
        for (char& c : cmdline) c = c == '\0' ? ' ' : c;
        if (cmdline.find(text) != std::string::npos) found.push_back(pid + ": " + cmdline);
    }
    return found;
}

// Children of this test process. The test is a subreaper, so anything the CLI left running when it
// ended (killed by its death signal or not) is ours now, zombie or alive.
inline std::vector<std::string> LeftoverChildren(std::vector<pid_t>* pids = nullptr) {
    std::vector<std::string> found;
    const std::string self = std::to_string(::getpid());
    for (const auto& e : fs::directory_iterator("/proc")) {
        const std::string pid = e.path().filename().string();
        if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
        const std::string stat = testsupport::ReadProcText(e.path() / "stat");
        const size_t close = stat.rfind(')');
        if (close == std::string::npos) continue;
        std::istringstream fields(stat.substr(close + 2));
        std::string state, ppid;
        fields >> state >> ppid;
        if (ppid != self) continue;
        found.push_back(stat.substr(0, close + 1) + " " + state);
        if (pids) pids->push_back(static_cast<pid_t>(std::stoi(pid)));
    }
    return found;
}

inline std::string ReadFileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// First and last frame of each row of the scene table extract and retune print.
using SceneRanges = std::vector<std::pair<int, int>>;
inline SceneRanges TableRanges(const std::string& table) {
    SceneRanges ranges;
    std::istringstream in(table);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        int index = 0, first = 0, last = 0;
        std::string on;
        if (fields >> index >> on >> first >> last && (on == "on" || on == "off")) ranges.emplace_back(first, last);
    }
    return ranges;
}

inline std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& l : lines) text += l + "\n";
    return text;
}

// "  Scene Extract  42% (756/1800)": name, percent.
inline const std::regex kProgressLine(R"(^  (.+?) +(\d+)% \((\d+)/(\d+)\)$)");

// Base of the CLI test suites: each test gets a fresh folder; the suite adopts what the CLI leaves running.
class CliFixture : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ::prctl(PR_SET_CHILD_SUBREAPER, 1); }

    void SetUp() override {
        ASSERT_EQ(::access(kCliPath.c_str(), X_OK), 0) << "tarnelo-cli is not built at " << kCliPath;
        std::string pattern = (fs::temp_directory_path() / "tarnelo-cli-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
    }
    void TearDown() override {
        // A failed test must not leave its strays to the next one.
        std::vector<pid_t> strays;
        LeftoverChildren(&strays);
        for (const pid_t pid : strays) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }

    std::string Path(const std::string& name) const { return (m_dir / name).string(); }

    fs::path m_dir;
};

// Starts the CLI, sends a signal at the first line of its stderr that `at` accepts (StopAtFirstProgress: the
// first progress line of the named step), and returns the outcome with whether a process mentioning `watched`
// (the clip, or the test's folder) ran at that moment.
struct StopOutcome {
    RunResult result;
    bool signalled = false;
    bool toolSeen = false;  // an ffmpeg on the clip was running when the signal went out
};

inline StopOutcome StopAtLine(const std::vector<std::string>& args, const std::function<bool(const std::string&)>& at,
                              int signalNumber, const std::string& watched,
                              const std::vector<std::string>& env = {"LANG=C.UTF-8", "LC_ALL="}) {
    StopOutcome outcome;
    std::vector<std::string> argv = args;
    argv.insert(argv.begin(), kCliPath);
    Child child(argv, env);
    child.Drain([&](const std::string& line) {
        if (outcome.signalled || !at(line)) return;
        outcome.toolSeen = !ProcessesMentioning(watched).empty();
        ::kill(child.Pid(), signalNumber);
        outcome.signalled = true;
    });
    outcome.result = child.Wait();
    return outcome;
}

inline StopOutcome StopAtFirstProgress(const std::vector<std::string>& args, const std::string& step, int signalNumber,
                                       const std::string& watched,
                                       const std::vector<std::string>& env = {"LANG=C.UTF-8", "LC_ALL="}) {
    bool inStep = false;
    const auto at = [&](const std::string& line) {
        if (line.rfind("> ", 0) == 0) inStep = line.rfind("> " + step, 0) == 0;
        return inStep && std::regex_match(line, kProgressLine);
    };
    return StopAtLine(args, at, signalNumber, watched, env);
}

// The signal went out while a tool of the run was working, and the CLI ended with 128 + the signal, leaving
// nothing running that mentions folder.
inline void ExpectStoppedCleanly(const StopOutcome& stop, int signalNumber, const std::string& folder) {
    ASSERT_TRUE(stop.signalled) << stop.result.err;
    EXPECT_TRUE(stop.toolSeen);
    EXPECT_EQ(stop.result.status, 128 + signalNumber) << stop.result.err;
    EXPECT_EQ(Joined(ProcessesMentioning(folder)), "");
    EXPECT_EQ(Joined(LeftoverChildren()), "");
}

// What ffprobe says of one stream of a file; packets are counted, which for video is one per frame.
struct StreamFacts {
    std::string type;  // "video", "audio"
    int width = 0;
    int height = 0;
    std::string rate;  // r_frame_rate
    double duration = 0;
    int packets = 0;
};

inline std::vector<StreamFacts> ProbeStreams(const std::string& path) {
    const RunResult r =
        RunProgram({platform::FindProgram("ffprobe"), "-v", "error", "-count_packets", "-show_entries",
                    "stream=codec_type,width,height,r_frame_rate,duration,nb_read_packets", "-of", "default", path});
    std::vector<StreamFacts> streams;
    std::istringstream in(r.out);
    std::string line;
    while (std::getline(in, line)) {
        if (line == "[STREAM]") streams.emplace_back();
        const size_t equals = line.find('=');
        if (streams.empty() || equals == std::string::npos) continue;
        const std::string key = line.substr(0, equals);
        const std::string value = line.substr(equals + 1);
        StreamFacts& s = streams.back();
        if (key == "codec_type") s.type = value;
        if (key == "width") s.width = std::atoi(value.c_str());
        if (key == "height") s.height = std::atoi(value.c_str());
        if (key == "r_frame_rate") s.rate = value;
        if (key == "duration") s.duration = std::atof(value.c_str());
        if (key == "nb_read_packets") s.packets = std::atoi(value.c_str());
    }
    return streams;
}

// The first stream of a type; an empty record (type "") when there is none.
inline StreamFacts StreamOf(const std::vector<StreamFacts>& streams, const std::string& type) {
    for (const StreamFacts& s : streams) {
        if (s.type == type) return s;
    }
    return {};
}

}  // namespace clitest
