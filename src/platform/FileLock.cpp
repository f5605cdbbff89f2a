#include "platform/FileLock.h"

#include <fcntl.h>
#include <sys/file.h>
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

}  // namespace platform
