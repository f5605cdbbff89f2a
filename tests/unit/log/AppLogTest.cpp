#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <map>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "TarneloVersion.h"
#include "log/AppLog.h"
#include "log/AppLogFile.h"
#include "log/AppLogText.h"
#include "unit/log/LogTestSupport.h"

namespace {

using logtest::FileNames;
using logtest::ReadFile;
using logtest::SplitLines;
using logtest::TempFolder;
using logtest::WaitForFileContaining;
using logtest::WriteFile;

const std::regex kLine(R"(^\d\d/\d\d \d\d:\d\d:\d\d\.\d\d\d <(\d+)> Tarnelo (.*)$)");

// Settings that keep the writer thread from writing on its own during a test.
AppLogConfig QuietConfig(const std::string& path) {
    AppLogConfig config;
    config.LOG_FILE_PATH = path;
    config.LOG_FILE_WRITE_INTERVAL = 1000000;
    config.LOG_FILE_WRITE_SIZE = 1LL << 40;
    return config;
}

// The messages of all lines of the log and its rotated files, oldest first; every line must be whole.
struct LoggedLine {
    unsigned pid;
    std::string message;
};
std::vector<LoggedLine> ReadAllLines(const std::string& path) {
    std::vector<std::string> files = ListRotatedLogFiles(path);
    files.push_back(path);
    std::vector<LoggedLine> lines;
    for (const std::string& file : files) {
        const std::string text = ReadFile(file);
        EXPECT_TRUE(text.empty() || text.back() == '\n') << file;
        for (const std::string& line : SplitLines(text)) {
            std::smatch match;
            if (!std::regex_match(line, match, kLine)) {
                ADD_FAILURE() << "broken line in " << file << ": " << line;
                continue;
            }
            lines.push_back({static_cast<unsigned>(std::stoul(match[1])), match[2]});
        }
    }
    return lines;
}

std::string VersionMessage(const std::string& commandLine) {
    return std::string("Version ") + NormalizeProductVersion(TARNELO_PRODUCT_VERSION) + " " + commandLine;
}

TEST(AppLogTest, NeverStartedOrWithoutPathDoesNothing) {
    CAppLog never;
    EXPECT_FALSE(never.Enabled());
    never.Log("%s(%d) ignored\n", "Test", 1);
    never.Flush();
    never.Stop();
    AppLog().Log("%s(%d) the process-wide log before its start\n", "Test", 3);
    EXPECT_FALSE(AppLog().Enabled());

    TempFolder folder;
    WriteFile(folder / "keep.log", "keep");
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(folder.Path());
    AppLogConfig config;
    config.CLEAR_LOG_FILE = 1;  // with no path there is nothing to clear, least of all the current folder
    CAppLog disabled;
    EXPECT_FALSE(disabled.Start(config, "prog"));
    std::filesystem::current_path(before);

    EXPECT_FALSE(disabled.Enabled());
    disabled.Log("%s(%d) ignored\n", "Test", 2);
    disabled.Flush();
    disabled.Stop();
    EXPECT_EQ(FileNames(folder.Path()), std::vector<std::string>{"keep.log"});
}

TEST(AppLogTest, VersionLineIsWrittenAtStartThenLinesInFormat) {
    TempFolder folder;
    const std::string path = folder / "app.log";
    CAppLog log;
    ASSERT_TRUE(log.Start(QuietConfig(path), "/opt/tarnelo/tarnelo --open my.kpproj \t "));
    EXPECT_TRUE(log.Enabled());
    EXPECT_TRUE(log.Start(QuietConfig(folder / "other.log"), "again"));  // already started: unchanged

    // The version line is on disk before any flush.
    const std::vector<std::string> first = SplitLines(ReadFile(path));
    ASSERT_EQ(first.size(), 1u);
    const std::string pid = std::to_string(getpid());
    EXPECT_TRUE(std::regex_match(first[0], std::regex(R"(^\d\d/\d\d \d\d:\d\d:\d\d\.\d\d\d <)" + pid +
                                                      "> Tarnelo Version 1\\.0\\.0\\.0 /opt/tarnelo/tarnelo "
                                                      "--open my\\.kpproj$")))
        << first[0];

    const std::string longText(3000, 'L');
    log.Log("%s(%d) input_file(%s), threshold(%d)\n", "CTarneloProcess::ProcessTrim", 123, "/in/a b.mp4", 40);
    log.Log("%s(%d) %s\n", "CTest::Long", 7, longText.c_str());
    log.Log("no line end, ");
    log.Log("continued\n");
    log.Stop();
    log.Log("%s(%d) after stop\n", "CTest::Late", 1);
    log.Flush();

    const std::vector<LoggedLine> lines = ReadAllLines(path);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].message, VersionMessage("/opt/tarnelo/tarnelo --open my.kpproj"));
    EXPECT_EQ(lines[1].message, "CTarneloProcess::ProcessTrim(123) input_file(/in/a b.mp4), threshold(40)");
    EXPECT_EQ(lines[2].message, "CTest::Long(7) " + longText);
    // The log adds no line end of its own: the next line's stamp follows the text directly.
    EXPECT_TRUE(std::regex_match(
        lines[3].message, std::regex(R"(^no line end, \d\d/\d\d \d\d:\d\d:\d\d\.\d\d\d <\d+> Tarnelo continued$)")))
        << lines[3].message;
    for (const LoggedLine& line : lines) {
        EXPECT_EQ(line.pid, static_cast<unsigned>(getpid()));
    }
    EXPECT_FALSE(std::filesystem::exists(folder / "other.log"));
}

TEST(AppLogTest, LinesLoggedJustBeforeStopAreWritten) {
    TempFolder folder;
    const std::string path = folder / "app.log";
    {
        CAppLog log;
        ASSERT_TRUE(log.Start(QuietConfig(path), "prog"));
        log.Log("%s(%d) ExitCode(0x%08x)\n", "CTarnelo::ExitInstance", 99, 0u);
        EXPECT_EQ(SplitLines(ReadFile(path)).size(), 1u);  // still buffered
    }                                                      // the destructor stops the log
    const std::vector<LoggedLine> lines = ReadAllLines(path);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1].message, "CTarnelo::ExitInstance(99) ExitCode(0x00000000)");

    // A second run appends after the first, starting with its own version line; Stop is idempotent.
    CAppLog again;
    ASSERT_TRUE(again.Start(QuietConfig(path), "prog 2"));
    again.Log("second run\n");
    again.Stop();
    again.Stop();
    const std::vector<LoggedLine> all = ReadAllLines(path);
    ASSERT_EQ(all.size(), 4u);
    EXPECT_EQ(all[2].message, VersionMessage("prog 2"));
    EXPECT_EQ(all[3].message, "second run");
}

TEST(AppLogTest, WriterThreadWritesOnItsOwn) {
    struct Case {
        const char* name;
        int interval;
        long long writeSize;
    };
    // Once a second by the interval, and at the first tick once enough text has gathered.
    for (const Case c : {Case{"interval", 1, 1LL << 40}, Case{"size", 1000000, 1}}) {
        TempFolder folder;
        const std::string path = folder / "app.log";
        AppLogConfig config = QuietConfig(path);
        config.LOG_FILE_WRITE_INTERVAL = c.interval;
        config.LOG_FILE_WRITE_SIZE = c.writeSize;
        CAppLog log;
        ASSERT_TRUE(log.Start(config, "prog"));
        log.Log("%s written by the writer\n", c.name);
        EXPECT_TRUE(WaitForFileContaining(path, "written by the writer")) << c.name;
        log.Stop();
        EXPECT_EQ(ReadAllLines(path).size(), 2u) << c.name;
    }
}

TEST(AppLogTest, RelativePathIsMadeAbsoluteAtStartAndFoldersAreCreated) {
    TempFolder folder;
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(folder.Path());
    CAppLog log;
    const bool started = log.Start(QuietConfig("sub/dir/app.log"), "prog");
    std::filesystem::current_path(before);
    ASSERT_TRUE(started);
    log.Log("line\n");
    log.Stop();
    EXPECT_EQ(ReadAllLines(folder / "sub/dir/app.log").size(), 2u);
}

TEST(AppLogTest, StartRotatesAFullFileAndKeepsRotatedFilesByCount) {
    struct Case {
        long long existingSize;
        int maxNum;
        std::vector<std::string> remaining;  // rotated files that were there before and survive
        size_t rotatedCount;
    };
    const long long maxSize = 64;
    const std::vector<std::string> older = {"app_20000101_000000000.log", "app_20000101_000000001.log",
                                            "app_20000101_000000002.log"};
    const Case cases[] = {
        {maxSize, 2, {"app_20000101_000000002.log"}, 2},  // rotated now + the newest older one
        {maxSize - 1, 2, {"app_20000101_000000001.log", "app_20000101_000000002.log"}, 2},
        {maxSize, 0, {}, 0},
        {maxSize, 100, older, 4},
    };
    for (const Case& c : cases) {
        TempFolder folder;
        const std::string path = folder / "app.log";
        for (const std::string& name : older) {
            WriteFile(folder / name, name);
        }
        WriteFile(folder / "app_notes.log", "not rotated");  // never counted or deleted
        const std::string old(static_cast<size_t>(c.existingSize), 'o');
        WriteFile(path, old + "\n");
        AppLogConfig config = QuietConfig(path);
        config.LOG_FILE_MAX_SIZE = maxSize + 1;  // the old text plus its line end
        config.LOG_FILE_MAX_NUM = c.maxNum;

        CAppLog log;
        ASSERT_TRUE(log.Start(config, "prog"));
        const std::vector<std::string> rotated = ListRotatedLogFiles(path);
        EXPECT_EQ(rotated.size(), c.rotatedCount) << c.existingSize << " " << c.maxNum;
        for (const std::string& name : c.remaining) {
            EXPECT_TRUE(std::filesystem::exists(folder / name)) << name;
        }
        const std::string current = ReadFile(path);
        if (c.existingSize == maxSize) {
            EXPECT_EQ(current.find(old), std::string::npos);
            if (c.rotatedCount > 0) {
                EXPECT_EQ(ReadFile(rotated.back()), old + "\n");
            }
        } else {
            EXPECT_EQ(current.rfind(old + "\n", 0), 0u);
        }
        EXPECT_NE(current.find(VersionMessage("prog")), std::string::npos);
        EXPECT_EQ(ReadFile(folder / "app_notes.log"), "not rotated");
        log.Stop();
    }
}

TEST(AppLogTest, ClearAtStartDeletesTheLogAndItsRotatedFiles) {
    TempFolder folder;
    const std::string path = folder / "app.log";
    for (const char* name : {"app.log", "app_20250131_235959123.log", "app_20250201_000000000.log", "app_notes.log",
                             "application.log", "app.txt"}) {
        WriteFile(folder / name, std::string(name) + "\n");
    }
    std::filesystem::create_directory(folder / "app_20250131_235959999.log");  // a folder is never deleted
    AppLogConfig config = QuietConfig(path);
    config.CLEAR_LOG_FILE = 1;
    CAppLog log;
    ASSERT_TRUE(log.Start(config, "prog"));
    log.Stop();
    EXPECT_EQ(FileNames(folder.Path()),
              (std::vector<std::string>{"app.log", "app.txt", "app_notes.log", "application.log"}));
    EXPECT_TRUE(std::filesystem::is_directory(folder / "app_20250131_235959999.log"));
    const std::vector<LoggedLine> lines = ReadAllLines(path);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].message, VersionMessage("prog"));
}

// A child forked by a logging program (to run a tool) that leaves through exit() stops its copy of the log:
// that must neither wait for the parent's writer thread nor write the parent's buffered lines again.
TEST(AppLogTest, ForkedChildStoppingItsCopyLeavesTheParentsLinesAlone) {
    TempFolder folder;
    const std::string path = folder / "app.log";
    CAppLog log;
    ASSERT_TRUE(log.Start(QuietConfig(path), "prog"));
    log.Log("parent line\n");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        alarm(30);  // a hang ends the child by a signal, which the parent reports
        log.Stop();
        log.Log("child line\n");
        _exit(log.Enabled() ? 3 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    log.Stop();
    const std::vector<LoggedLine> lines = ReadAllLines(path);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1].message, "parent line");
}

// Checks that every worker's lines arrived once each, in order, and whole.
void ExpectEveryLineOnce(const std::vector<LoggedLine>& lines, int workers, int perWorker,
                         std::map<std::string, unsigned>* workerPids = nullptr) {
    const std::regex worker(R"(^worker (\d+) line (\d+) [a-z]+$)");
    std::map<int, int> next;
    for (const LoggedLine& line : lines) {
        std::smatch match;
        if (line.message.rfind("Version ", 0) == 0) {
            continue;
        }
        ASSERT_TRUE(std::regex_match(line.message, match, worker)) << line.message;
        const int id = std::stoi(match[1]);
        EXPECT_EQ(std::stoi(match[2]), next[id]) << "worker " << id;
        next[id] = std::stoi(match[2]) + 1;
        if (workerPids != nullptr) {
            (*workerPids)[match[1]] = line.pid;
        }
    }
    ASSERT_EQ(next.size(), static_cast<size_t>(workers));
    for (const auto& [id, count] : next) {
        EXPECT_EQ(count, perWorker) << "worker " << id;
    }
}

TEST(AppLogTest, ManyThreadsLoggingAtOnceLoseNothing) {
    TempFolder folder;
    const std::string path = folder / "app.log";
    AppLogConfig config = QuietConfig(path);
    config.LOG_FILE_MAX_SIZE = 64 * 1024;
    config.LOG_FILE_MAX_NUM = 100000;
    config.LOG_FILE_WRITE_SIZE = 4096;
    config.LOG_FILE_WRITE_INTERVAL = 1;
    CAppLog log;
    ASSERT_TRUE(log.Start(config, "prog"));

    const int workers = 8;
    const int perWorker = 3000;
    std::atomic<int> running{workers};
    std::vector<std::thread> threads;
    for (int id = 0; id < workers; ++id) {
        threads.emplace_back([&log, &running, id] {
            for (int i = 0; i < perWorker; ++i) {
                log.Log("worker %d line %d %s\n", id, i, "abcdefghijklmnopqrstuvwxyz");
            }
            --running;
        });
    }
    // Flushes race the writer thread and the loggers.
    std::thread flusher([&log, &running] {
        while (running > 0) {
            log.Flush();
            std::this_thread::yield();
        }
    });
    for (std::thread& thread : threads) {
        thread.join();
    }
    flusher.join();
    log.Stop();

    const std::vector<LoggedLine> lines = ReadAllLines(path);
    EXPECT_EQ(lines.size(), static_cast<size_t>(workers * perWorker + 1));
    EXPECT_EQ(lines.front().message, VersionMessage("prog"));
    ExpectEveryLineOnce(lines, workers, perWorker);
}

// Two programs share one log file and its rotation; the file lock keeps their batches apart.
TEST(AppLogTest, TwoProcessesSharingOneFileLoseNoLine) {
    TempFolder folder;
    const std::string path = folder / "shared.log";
    const int perProcess = 4000;
    int go[2];
    ASSERT_EQ(pipe(go), 0);

    std::vector<pid_t> children;
    for (int id = 0; id < 2; ++id) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(go[1]);
            char byte;
            [[maybe_unused]] const ssize_t n = read(go[0], &byte, 1);  // both start when the pipe closes
            AppLogConfig config;
            config.LOG_FILE_PATH = path;
            config.LOG_FILE_MAX_SIZE = 16 * 1024;
            config.LOG_FILE_MAX_NUM = 100000;
            config.LOG_FILE_WRITE_SIZE = 2048;
            config.LOG_FILE_WRITE_INTERVAL = 1;
            CAppLog log;
            if (!log.Start(config, "child " + std::to_string(id))) {
                _exit(2);
            }
            for (int i = 0; i < perProcess; ++i) {
                log.Log("worker %d line %d %s\n", id, i, "sharedfile");
                if (i % 20 == 19) {
                    log.Flush();
                }
            }
            log.Stop();
            _exit(0);
        }
        children.push_back(child);
    }
    close(go[0]);
    close(go[1]);
    for (const pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }

    const std::vector<LoggedLine> lines = ReadAllLines(path);
    EXPECT_EQ(lines.size(), static_cast<size_t>(2 * perProcess + 2));
    std::map<std::string, unsigned> workerPids;
    ExpectEveryLineOnce(lines, 2, perProcess, &workerPids);
    ASSERT_EQ(workerPids.size(), 2u);
    EXPECT_EQ(workerPids["0"], static_cast<unsigned>(children[0]));
    EXPECT_EQ(workerPids["1"], static_cast<unsigned>(children[1]));
    EXPECT_GT(ListRotatedLogFiles(path).size(), 1u);  // the rotation was shared as well
}

TEST(AppLogTest, TextHelpers) {
    struct VersionCase {
        const char* raw;
        const char* shown;
    };
    for (const VersionCase c :
         {VersionCase{"1, 1, 0, 0", "1.1.0.0"}, VersionCase{"1.0.0.0", "1.0.0.0"}, VersionCase{" 2,0 ", "2.0"}}) {
        EXPECT_EQ(NormalizeProductVersion(c.raw), c.shown) << c.raw;
    }
    using namespace std::string_literals;
    EXPECT_EQ(JoinCommandLine("/usr/bin/tarnelo\0--open\0a b.kpproj\0"s), "/usr/bin/tarnelo --open a b.kpproj");
    EXPECT_EQ(JoinCommandLine("prog\0\0"s), "prog");
    EXPECT_EQ(RightTrim("text \t\r\n"), "text");
    EXPECT_EQ(RightTrim(" \n"), "");
    const std::string ownLine = ProcessCommandLine();
    EXPECT_NE(ownLine.find(std::filesystem::read_symlink("/proc/self/exe").filename().string()), std::string::npos)
        << ownLine;
    EXPECT_EQ(ownLine, RightTrim(ownLine));
    EXPECT_EQ(ExecutableFolderForLog(), std::filesystem::read_symlink("/proc/self/exe").parent_path().string());
}

}  // namespace
