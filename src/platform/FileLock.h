#pragma once

#include <mutex>
#include <string>

namespace platform {

// A lock shared by every process and thread that uses the same name: flock on
// a file of that name in the temp folder. Each Lock opens its own descriptor,
// because flock belongs to the open file, so two threads of one process
// exclude each other as two processes do. Lock may be taken again by the
// thread that holds it; it is released by the matching number of Unlocks.
// If the lock file cannot be opened, only the threads of this object are kept
// apart; logging and the like must go on rather than stop.
class FileLock {
public:
    explicit FileLock(std::string name);
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    ~FileLock();

    void Lock();
    void Unlock();

    const std::string& FilePath() const { return m_path; }

private:
    std::string m_path;
    std::recursive_mutex m_threads;
    int m_depth = 0;  // guarded by m_threads
    int m_fd = -1;    // guarded by m_threads
};

class FileLockGuard {
public:
    explicit FileLockGuard(FileLock& lock) : m_lock(lock) { m_lock.Lock(); }
    ~FileLockGuard() { m_lock.Unlock(); }
    FileLockGuard(const FileLockGuard&) = delete;
    FileLockGuard& operator=(const FileLockGuard&) = delete;

private:
    FileLock& m_lock;
};

// Removes a lock file that its maker left empty: a program killed after creating it and before writing its
// id into it (as QSettings' lock is made: create, flock, write). Such a file keeps the next writer waiting
// until it has aged. Only an empty file that no one holds with flock is removed, and only once it has stayed
// empty for a moment, as a live maker fills it at once. True when it was removed.
bool RemoveDeadLockFile(const std::string& path);

}  // namespace platform
