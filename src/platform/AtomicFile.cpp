#include "platform/AtomicFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <vector>

#include "platform/Path.h"

namespace platform {

namespace {

bool WriteAll(int fd, std::string_view bytes) {
    size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        written += static_cast<size_t>(n);
    }
    return true;
}

// Renaming over a link would replace the link itself, so the write goes to the file it names.
std::string ResolvedTarget(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char resolved[PATH_MAX];
        if (::realpath(path.c_str(), resolved) != nullptr) return resolved;
    }
    return path;
}

// ".NAME." that begins the names of target's temporary files. A long name is cut (at a character) so that
// the temporary's name, with its ".PID.N.tmp", stays within the 255 bytes a file name may have.
std::string TemporaryHead(const std::string& target) {
    constexpr size_t kMostNameBytes = 255 - 1 - 1 - 10 - 1 - 10 - 4;
    std::string name = PathFileName(target);
    if (name.size() > kMostNameBytes) {
        size_t cut = kMostNameBytes;
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
        name.resize(cut);
    }
    return "." + name + ".";
}

// A new, exclusively created file beside target; -1 when none can be made.
int CreateTemporary(const std::string& target, std::string& temp) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = PathFolder(target) + TemporaryHead(target) + std::to_string(::getpid()) + "." +
               std::to_string(counter.fetch_add(1)) + ".tmp";
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

bool AllDigits(std::string_view text) {
    return !text.empty() && text.size() < 19 && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// A writer killed between creating its temporary file and the rename leaves that file behind, and nothing
// ever reads it: the next write of the same file removes those of processes that no longer run.
void RemoveStaleTemporaries(const std::string& target) {
    const std::string folder = PathFolder(target);
    const std::string head = TemporaryHead(target);
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (dir == nullptr) return;
    std::vector<std::string> stale;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (!name.starts_with(head) || !name.ends_with(".tmp")) continue;
        const std::string_view rest = name.substr(head.size(), name.size() - head.size() - 4);  // PID.N
        const size_t dot = rest.find('.');
        if (dot == std::string_view::npos || !AllDigits(rest.substr(0, dot)) || !AllDigits(rest.substr(dot + 1))) {
            continue;
        }
        const long long pid = std::atoll(std::string(rest.substr(0, dot)).c_str());
        if (pid <= 0 || pid > INT_MAX || pid == ::getpid()) continue;
        if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;  // still running, or not ours
        stale.push_back(folder + std::string(name));
    }
    ::closedir(dir);
    for (const std::string& path : stale) ::unlink(path.c_str());
}

}  // namespace

bool WriteFileAtomically(const std::string& path, std::string_view bytes) {
    if (path.empty()) {
        errno = ENOENT;
        return false;
    }
    const std::string target = ResolvedTarget(path);
    struct stat st {};
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode)) {
        errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        return false;
    }

    std::string temp;
    const int fd = CreateTemporary(target, temp);
    if (fd < 0) return false;
    bool ok = WriteAll(fd, bytes);
    if (ok && exists) ok = ::fchmod(fd, st.st_mode & 07777) == 0;
    ok = ok && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        const int error = errno;
        ::unlink(temp.c_str());
        errno = error;
        return false;
    }
    // Makes the rename itself durable; a failure here no longer endangers either file.
    const std::string folder = PathFolder(target).empty() ? std::string(".") : PathFolder(target);
    if (const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    RemoveStaleTemporaries(target);
    return true;
}

}  // namespace platform
