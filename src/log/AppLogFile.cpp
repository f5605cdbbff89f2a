#include "log/AppLogFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "log/AppLogText.h"
#include "platform/FileLock.h"
#include "platform/Path.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kLockName = "AppLogFileAccess";
// Rotated names carry "YYYYMMDD_HHMMSSmmm" between "<stem>_" and the extension.
constexpr size_t kStampLength = 18;
// Guards the bump-and-retry loop of a rotation against a folder full of names; never reached in practice.
constexpr int kMaxRenameTries = 10000;

// The cross-process lock around every file access, one per append so that threads and processes
// are kept apart alike.
class LogFileLock {
public:
    LogFileLock() : m_lock(kLockName) { m_lock.Lock(); }
    ~LogFileLock() { m_lock.Unlock(); }
    LogFileLock(const LogFileLock&) = delete;
    LogFileLock& operator=(const LogFileLock&) = delete;

private:
    platform::FileLock m_lock;
};

std::string FileNameOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool IsDigits(const std::string& text, size_t begin, size_t count) {
    return std::all_of(text.begin() + static_cast<long>(begin), text.begin() + static_cast<long>(begin + count),
                       [](char c) { return c >= '0' && c <= '9'; });
}

bool PathTaken(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0;
}

// Renames the full log to a rotated name that is not in use. renameat2 refuses to replace an existing
// file, which covers a name made between the check and the rename; file systems without it fall back to
// the checked rename, still under the lock.
void RotateLogFile(const std::string& path) {
    auto when = std::chrono::system_clock::now();
    for (int attempt = 0; attempt < kMaxRenameTries; ++attempt) {
        const std::string target = FreeRotatedLogName(path, when, PathTaken);
        if (renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
            return;
        }
        if (errno == EEXIST) {
            when += std::chrono::milliseconds(1);
            continue;
        }
        if (errno == EINVAL || errno == ENOSYS) {
            std::rename(path.c_str(), target.c_str());
        }
        return;  // a failed rename leaves the file growing
    }
}

void RemoveOldRotatedFiles(const std::string& path, int maxNum) {
    const std::vector<std::string> rotated = ListRotatedLogFiles(path);
    const size_t keep = maxNum > 0 ? static_cast<size_t>(maxNum) : 0;
    for (size_t i = 0; i + keep < rotated.size(); ++i) {
        unlink(rotated[i].c_str());
    }
}

void WriteAll(int fd, const std::string& text) {
    const char* data = text.data();
    size_t left = text.size();
    while (left > 0) {
        const ssize_t written = write(fd, data, left);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        data += written;
        left -= static_cast<size_t>(written);
    }
}

}  // namespace

LogPathParts SplitLogPath(const std::string& path) {
    const size_t slash = path.rfind('/');
    const size_t nameBegin = slash == std::string::npos ? 0 : slash + 1;
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot <= nameBegin) {
        return {path, ""};
    }
    return {path.substr(0, dot), path.substr(dot)};
}

std::string RotatedLogName(const std::string& path, std::chrono::system_clock::time_point when) {
    const LogTime t = SplitLogTime(when);
    char stamp[40];
    std::snprintf(stamp, sizeof stamp, "_%04d%02d%02d_%02d%02d%02d%03d", t.local.tm_year + 1900, t.local.tm_mon + 1,
                  t.local.tm_mday, t.local.tm_hour, t.local.tm_min, t.local.tm_sec, t.millis);
    const LogPathParts parts = SplitLogPath(path);
    return parts.stem + stamp + parts.extension;
}

std::string FreeRotatedLogName(const std::string& path, std::chrono::system_clock::time_point when,
                               const std::function<bool(const std::string&)>& taken) {
    std::string name = RotatedLogName(path, when);
    for (int attempt = 0; attempt < kMaxRenameTries && taken(name); ++attempt) {
        when += std::chrono::milliseconds(1);
        name = RotatedLogName(path, when);
    }
    return name;
}

bool IsRotatedLogName(const std::string& path, const std::string& candidate) {
    const LogPathParts parts = SplitLogPath(path);
    const std::string stemName = FileNameOf(parts.stem) + "_";
    const std::string name = FileNameOf(candidate);
    if (name.size() != stemName.size() + kStampLength + parts.extension.size() ||
        name.compare(0, stemName.size(), stemName) != 0 ||
        name.compare(name.size() - parts.extension.size(), parts.extension.size(), parts.extension) != 0) {
        return false;
    }
    const size_t stamp = stemName.size();
    return IsDigits(name, stamp, 8) && name[stamp + 8] == '_' && IsDigits(name, stamp + 9, 9);
}

std::vector<std::string> ListRotatedLogFiles(const std::string& path) {
    std::vector<std::string> rotated;
    const std::string folder = FolderOf(path);
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::error_code typeError;
        if (!it->is_regular_file(typeError)) {
            continue;
        }
        const std::string name = it->path().filename().string();
        if (IsRotatedLogName(path, name)) {
            rotated.push_back(folder == "/" ? "/" + name : folder + "/" + name);
        }
    }
    std::sort(rotated.begin(), rotated.end());
    return rotated;
}

void AppendToLogFile(const AppLogConfig& config, const std::string& text) {
    const std::string& path = config.LOG_FILE_PATH;
    if (text.empty() || path.empty()) {
        return;
    }
    LogFileLock lock;
    std::error_code error;
    fs::create_directories(FolderOf(path), error);

    struct stat info {};
    if (stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
        static_cast<long long>(info.st_size) >= config.LOG_FILE_MAX_SIZE) {
        RotateLogFile(path);
    }
    RemoveOldRotatedFiles(path, config.LOG_FILE_MAX_NUM);

    const int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        return;
    }
    WriteAll(fd, text);
    close(fd);
}

void ClearLogFiles(const std::string& path) {
    if (path.empty()) {
        return;
    }
    LogFileLock lock;
    for (const std::string& rotated : ListRotatedLogFiles(path)) {
        unlink(rotated.c_str());
    }
    struct stat info {};
    if (stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
        unlink(path.c_str());
    }
}

std::string LogFileLockPath() { return platform::TempFolder() + kLockName; }
