#include "platform/FileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/Path.h"

namespace platform {

namespace {

int OpenLockFile(const std::string& path) {
    for (;;) {
        // Without O_CREAT first: a lock file another user made in a sticky /tmp cannot be opened with O_CREAT
        // when protected_regular is on, and a read-only descriptor is all flock needs.
        int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd >= 0 || errno != ENOENT) return fd;
        fd = ::open(path.c_str(), O_RDONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
        // Made by someone else between the two opens: open theirs.
    }
}

}  // namespace

FileLock::FileLock(std::string name) : m_path(TempFolder() + name) {}

FileLock::~FileLock() {
    if (m_fd >= 0) ::close(m_fd);
}

void FileLock::Lock() {
    m_threads.lock();
    if (m_depth++ > 0) return;
    const int fd = OpenLockFile(m_path);
    if (fd < 0) return;
    while (::flock(fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            ::close(fd);
            return;
        }
    }
    m_fd = fd;
}

void FileLock::Unlock() {
    if (--m_depth == 0 && m_fd >= 0) {
        ::close(m_fd);  // releases the flock
        m_fd = -1;
    }
    m_threads.unlock();
}

bool RemoveDeadLockFile(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size != 0) return false;
    ::usleep(20000);
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return false;
    bool removed = false;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        struct stat now {};
        struct stat named {};
        // Still the same, still empty file: a writer that made a new one meanwhile keeps it.
        removed = ::fstat(fd, &now) == 0 && now.st_size == 0 && ::stat(path.c_str(), &named) == 0 &&
                  named.st_ino == now.st_ino && named.st_dev == now.st_dev && ::unlink(path.c_str()) == 0;
    }
    ::close(fd);
    return removed;
}

}  // namespace platform
