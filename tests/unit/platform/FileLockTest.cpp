#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/FileLock.h"

namespace {

using platform::FileLock;
using platform::FileLockGuard;

// Each test gets its own temp folder, so no real lock of a running program is touched.
class FileLockTest : public testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/tarnelo-lock-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_folder = pattern;
        const char* old = std::getenv("TMPDIR");
        m_hadTmpDir = old != nullptr;
        if (old) m_oldTmpDir = old;
        setenv("TMPDIR", m_folder.c_str(), 1);
    }
    void TearDown() override {
        if (m_hadTmpDir) {
            setenv("TMPDIR", m_oldTmpDir.c_str(), 1);
        } else {
            unsetenv("TMPDIR");
        }
        const std::string command = "rm -rf '" + m_folder + "'";
        EXPECT_EQ(std::system(command.c_str()), 0);
    }

    // Whether somebody holds the lock, asked without waiting on a descriptor of our own.
    bool IsHeld(const std::string& name) const {
        const int fd = open((m_folder + "/" + name).c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return false;
        const bool held = flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
        close(fd);
        return held;
    }

    std::string m_folder;
    std::string m_oldTmpDir;
    bool m_hadTmpDir = false;
};

TEST_F(FileLockTest, LivesInTheTempFolder) {
    FileLock lock("AppLogFileAccess");
    EXPECT_EQ(lock.FilePath(), m_folder + "/AppLogFileAccess");
    EXPECT_FALSE(IsHeld("AppLogFileAccess"));
    lock.Lock();
    EXPECT_TRUE(IsHeld("AppLogFileAccess"));
    lock.Unlock();
    EXPECT_FALSE(IsHeld("AppLogFileAccess"));
}

// Two processes take the lock in turns; each sees the other's hold while it lasts.
TEST_F(FileLockTest, TwoProcessesAlternate) {
    constexpr int kRounds = 5;
    int toChild[2];
    int toParent[2];
    ASSERT_EQ(pipe2(toChild, O_CLOEXEC), 0);
    ASSERT_EQ(pipe2(toParent, O_CLOEXEC), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        FileLock lock("Alternate");
        char token;
        for (int round = 0; round < kRounds; ++round) {
            if (read(toChild[0], &token, 1) != 1) _exit(2);  // the parent holds the lock now
            if (!IsHeld("Alternate")) _exit(3);
            if (write(toParent[1], "w", 1) != 1) _exit(4);
            lock.Lock();  // waits for the parent's Unlock
            if (write(toParent[1], "l", 1) != 1) _exit(5);
            if (read(toChild[0], &token, 1) != 1) _exit(6);  // the parent has checked our hold
            lock.Unlock();
            if (write(toParent[1], "u", 1) != 1) _exit(7);
        }
        _exit(0);
    }
    FileLock lock("Alternate");
    char token = 0;
    for (int round = 0; round < kRounds; ++round) {
        lock.Lock();
        ASSERT_EQ(write(toChild[1], "h", 1), 1);
        ASSERT_EQ(read(toParent[0], &token, 1), 1);
        EXPECT_EQ(token, 'w');
        lock.Unlock();
        ASSERT_EQ(read(toParent[0], &token, 1), 1);
        EXPECT_EQ(token, 'l');
        EXPECT_TRUE(IsHeld("Alternate")) << "the child's hold is not seen";
        ASSERT_EQ(write(toChild[1], "c", 1), 1);
        ASSERT_EQ(read(toParent[0], &token, 1), 1);
        EXPECT_EQ(token, 'u');
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    for (const int fd : {toChild[0], toChild[1], toParent[0], toParent[1]}) close(fd);
}

// Threads of one process exclude each other, through one shared object or through their own objects.
TEST_F(FileLockTest, ThreadsExcludeEachOther) {
    constexpr int kThreads = 4;
    constexpr int kRounds = 300;
    FileLock shared("Threads");
    for (const bool ownObjects : {false, true}) {
        std::atomic<int> inside{0};
        std::atomic<int> overlaps{0};
        int counter = 0;  // deliberately unguarded apart from the lock
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([&] {
                FileLock own("Threads");
                FileLock& lock = ownObjects ? own : shared;
                for (int round = 0; round < kRounds; ++round) {
                    FileLockGuard guard(lock);
                    if (inside.fetch_add(1) != 0) overlaps.fetch_add(1);
                    const int seen = counter;
                    std::this_thread::yield();
                    counter = seen + 1;
                    inside.fetch_sub(1);
                }
            });
        }
        for (std::thread& thread : threads) thread.join();
        EXPECT_EQ(overlaps.load(), 0) << (ownObjects ? "own objects" : "shared object");
        EXPECT_EQ(counter, kThreads * kRounds) << (ownObjects ? "own objects" : "shared object");
    }
}

TEST_F(FileLockTest, NestedLockAndGuard) {
    FileLock lock("Nested");
    lock.Lock();
    lock.Lock();
    lock.Unlock();
    EXPECT_TRUE(IsHeld("Nested")) << "released by the inner Unlock";
    lock.Unlock();
    EXPECT_FALSE(IsHeld("Nested"));
    {
        FileLockGuard guard(lock);
        EXPECT_TRUE(IsHeld("Nested"));
    }
    EXPECT_FALSE(IsHeld("Nested"));
}

// Without a usable lock file the threads of the object are still kept apart, and nothing blocks forever.
TEST_F(FileLockTest, UnusableFolderStillSerialisesThreads) {
    setenv("TMPDIR", (m_folder + "/missing").c_str(), 1);  // not a folder: TempFolder falls back to /tmp
    FileLock fallback("x");
    EXPECT_EQ(fallback.FilePath(), "/tmp/x");

    setenv("TMPDIR", m_folder.c_str(), 1);
    FileLock lock("missing/lock");  // its folder does not exist, so no lock file can be made
    std::atomic<int> inside{0};
    std::atomic<int> overlaps{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 3; ++t) {
        threads.emplace_back([&] {
            for (int round = 0; round < 200; ++round) {
                FileLockGuard guard(lock);
                if (inside.fetch_add(1) != 0) overlaps.fetch_add(1);
                std::this_thread::yield();
                inside.fetch_sub(1);
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(overlaps.load(), 0);
}

// The settings lock a killed program left empty goes; one with an owner's id in it, one held, or one that is
// not a plain file stays.
TEST_F(FileLockTest, RemovesOnlyAnEmptyLockFileNobodyHolds) {
    const auto make = [this](const std::string& name, const std::string& text) {
        const std::string path = m_folder + "/" + name;
        const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        EXPECT_GE(fd, 0);
        EXPECT_EQ(write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
        close(fd);
        return path;
    };
    const std::string dead = make("dead.lock", "");
    const std::string named = make("named.lock", "4242\nprogram\nhost\n");
    const std::string held = make("held.lock", "");
    const int holder = open(held.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(flock(holder, LOCK_EX | LOCK_NB), 0);
    const std::string folder = m_folder + "/folder.lock";
    ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);

    EXPECT_TRUE(platform::RemoveDeadLockFile(dead));
    EXPECT_NE(access(dead.c_str(), F_OK), 0);
    EXPECT_FALSE(platform::RemoveDeadLockFile(named));
    EXPECT_FALSE(platform::RemoveDeadLockFile(held));
    EXPECT_FALSE(platform::RemoveDeadLockFile(folder));
    EXPECT_FALSE(platform::RemoveDeadLockFile(m_folder + "/missing.lock"));
    EXPECT_EQ(access(named.c_str(), F_OK), 0);
    EXPECT_EQ(access(held.c_str(), F_OK), 0);
    EXPECT_EQ(access(folder.c_str(), F_OK), 0);
    close(holder);
}

}  // namespace
