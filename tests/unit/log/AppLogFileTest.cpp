#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <ctime>
#include <set>
#include <string>
#include <thread>

#include "log/AppLogFile.h"
#include "platform/Path.h"
#include "unit/log/LogTestSupport.h"

namespace {

using logtest::ReadFile;
using logtest::TempFolder;
using logtest::WriteFile;

std::chrono::system_clock::time_point LocalTime(int year, int month, int day, int hour, int minute, int second,
                                                int millisecond) {
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    local.tm_isdst = -1;
    return std::chrono::system_clock::from_time_t(std::mktime(&local)) + std::chrono::milliseconds(millisecond);
}

AppLogConfig ConfigFor(const std::string& path, long long maxSize, int maxNum) {
    AppLogConfig config;
    config.LOG_FILE_PATH = path;
    config.LOG_FILE_MAX_SIZE = maxSize;
    config.LOG_FILE_MAX_NUM = maxNum;
    return config;
}

TEST(AppLogFileTest, SplitsAtTheExtensionOfTheFileName) {
    struct Case {
        const char* path;
        const char* stem;
        const char* extension;
    };
    const Case cases[] = {
        {"/log/app.log", "/log/app", ".log"}, {"/log/app.old.txt", "/log/app.old", ".txt"},
        {"/log/app", "/log/app", ""},         {"/log.d/app", "/log.d/app", ""},  // the folder's dot is no extension
        {"/log/.hidden", "/log/.hidden", ""}, {"app.log", "app", ".log"},
        {"/log/app.", "/log/app", "."},
    };
    for (const Case& c : cases) {
        const LogPathParts parts = SplitLogPath(c.path);
        EXPECT_EQ(parts.stem, c.stem) << c.path;
        EXPECT_EQ(parts.extension, c.extension) << c.path;
    }
}

TEST(AppLogFileTest, RotatedNameCarriesLocalTimeWithMilliseconds) {
    const auto when = LocalTime(2025, 1, 31, 23, 59, 59, 123);
    EXPECT_EQ(RotatedLogName("/log/app.log", when), "/log/app_20250131_235959123.log");
    EXPECT_EQ(RotatedLogName("/log.d/app", when), "/log.d/app_20250131_235959123");
    EXPECT_EQ(RotatedLogName("/log/app.log", LocalTime(2025, 3, 4, 5, 6, 7, 8)), "/log/app_20250304_050607008.log");
}

TEST(AppLogFileTest, TakenRotatedNameMovesOnByOneMillisecond) {
    std::set<std::string> taken = {"/log/app_20250131_235959123.log", "/log/app_20250131_235959124.log"};
    const auto isTaken = [&taken](const std::string& name) { return taken.count(name) > 0; };
    EXPECT_EQ(FreeRotatedLogName("/log/app.log", LocalTime(2025, 1, 31, 23, 59, 59, 123), isTaken),
              "/log/app_20250131_235959125.log");
    EXPECT_EQ(FreeRotatedLogName("/log/app.log", LocalTime(2025, 1, 31, 23, 59, 59, 122), isTaken),
              "/log/app_20250131_235959122.log");

    // The bump carries into seconds, days and months like the clock would.
    taken = {"/log/app_20250131_235959999.log"};
    EXPECT_EQ(FreeRotatedLogName("/log/app.log", LocalTime(2025, 1, 31, 23, 59, 59, 999), isTaken),
              "/log/app_20250201_000000000.log");
}

TEST(AppLogFileTest, RecognisesOnlyItsOwnRotatedNames) {
    struct Case {
        const char* candidate;
        bool rotated;
    };
    const Case cases[] = {
        {"app_20250131_235959123.log", true},
        {"/log/app_20250131_235959123.log", true},
        {"app.log", false},
        {"app_notes.log", false},
        {"app_20250131_23595912.log", false},
        {"app_20250131_2359591234.log", false},
        {"app_20250131-235959123.log", false},
        {"app_2025013x_235959123.log", false},
        {"app_20250131_235959123.txt", false},
        {"application_20250131_235959123.log", false},
        {"xapp_20250131_235959123.log", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsRotatedLogName("/log/app.log", c.candidate), c.rotated) << c.candidate;
    }
    EXPECT_TRUE(IsRotatedLogName("/log/app", "app_20250131_235959123"));
    EXPECT_FALSE(IsRotatedLogName("/log/app", "app_20250131_235959123.log"));
}

// Every append after the first rotates, many within one millisecond: no rotated file may replace another.
TEST(AppLogFileTest, RotationsWithinOneMillisecondLoseNoFile) {
    TempFolder folder;
    const std::string path = folder / "app.log";
    const int appends = 300;
    for (int i = 0; i < appends; ++i) {
        AppendToLogFile(ConfigFor(path, 1, 100000), "text " + std::to_string(i) + "\n");
    }
    const std::vector<std::string> rotated = ListRotatedLogFiles(path);
    ASSERT_EQ(rotated.size(), static_cast<size_t>(appends - 1));
    for (int i = 0; i + 1 < appends; ++i) {
        EXPECT_EQ(ReadFile(rotated[static_cast<size_t>(i)]), "text " + std::to_string(i) + "\n");
    }
    EXPECT_EQ(ReadFile(path), "text " + std::to_string(appends - 1) + "\n");
}

TEST(AppLogFileTest, CreatesMissingFoldersAndIgnoresEmptyText) {
    TempFolder folder;
    const std::string path = folder / "a/b/c/app.log";
    AppendToLogFile(ConfigFor(path, 1000, 10), "");
    EXPECT_FALSE(std::filesystem::exists(folder / "a"));
    AppendToLogFile(ConfigFor(path, 1000, 10), "line\n");
    EXPECT_EQ(ReadFile(path), "line\n");
}

// Whether /proc/locks lists a process waiting for a flock on the given file.
bool SomeoneWaitsForLock(const struct stat& lockFile) {
    char id[64];
    std::snprintf(id, sizeof id, " %02x:%02x:%llu ", major(lockFile.st_dev), minor(lockFile.st_dev),
                  static_cast<unsigned long long>(lockFile.st_ino));
    for (const std::string& line : logtest::SplitLines(ReadFile("/proc/locks"))) {
        if (line.find("->") != std::string::npos && line.find("FLOCK") != std::string::npos &&
            line.find(id) != std::string::npos) {
            return true;
        }
    }
    return false;
}

// Another program holding "AppLogFileAccess" keeps the append away from the file until it lets go.
TEST(AppLogFileTest, AppendWaitsForTheSharedLock) {
    EXPECT_EQ(LogFileLockPath(), platform::TempFolder() + "AppLogFileAccess");
    TempFolder folder;
    const std::string path = folder / "app.log";
    const int held = open(LogFileLockPath().c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0666);
    ASSERT_GE(held, 0);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    struct stat lockFile {};
    ASSERT_EQ(fstat(held, &lockFile), 0);

    std::atomic<bool> done{false};
    std::thread appender([&] {
        AppendToLogFile(ConfigFor(path, 1000, 10), "line\n");
        done = true;
    });
    // The kernel shows the appender queued behind our lock; there is no event to wait on instead.
    while (!SomeoneWaitsForLock(lockFile) && !done) {
        std::this_thread::yield();
    }
    EXPECT_FALSE(done);
    EXPECT_FALSE(std::filesystem::exists(path));
    close(held);
    appender.join();
    EXPECT_EQ(ReadFile(path), "line\n");
}

}  // namespace
