#include "project/FileHelpers.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <vector>

namespace {

// Wildcards as file dialogs know them: "*" any run of characters, "?" exactly one; nothing else is special.
bool MatchWildcard(const char* pattern, const char* name) {
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*name != '\0') {
        if (*pattern == '?' || (*pattern != '*' && *pattern == *name)) {
            ++pattern;
            ++name;
        } else if (*pattern == '*') {
            star = pattern++;
            resume = name;
        } else if (star != nullptr) {
            pattern = star + 1;
            name = ++resume;
        } else {
            return false;
        }
    }
    while (*pattern == '*') {
        ++pattern;
    }
    return *pattern == '\0';
}

bool IsDotEntry(const char* name) { return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')); }

// Names of a directory's entries read from a duplicate of dirFd, so the caller keeps its descriptor.
std::vector<std::string> ListEntries(int dirFd) {
    std::vector<std::string> names;
    const int copy = dup(dirFd);
    if (copy < 0) {
        return names;
    }
    DIR* dir = fdopendir(copy);
    if (dir == nullptr) {
        close(copy);
        return names;
    }
    while (const dirent* entry = readdir(dir)) {
        if (!IsDotEntry(entry->d_name)) {
            names.emplace_back(entry->d_name);
        }
    }
    closedir(dir);
    return names;
}

// Removes everything below dirFd. Subfolders are opened relative to their parent with O_NOFOLLOW, so a
// link swapped in for a folder is never entered; links are unlinked themselves.
bool RemoveContents(int dirFd) {
    bool ok = true;
    for (const std::string& name : ListEntries(dirFd)) {
        struct stat st {};
        if (fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            ok = false;
            continue;
        }
        if (S_ISDIR(st.st_mode)) {
            const int childFd = openat(dirFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (childFd < 0) {
                ok = false;
                continue;
            }
            ok = RemoveContents(childFd) && ok;
            close(childFd);
            if (unlinkat(dirFd, name.c_str(), AT_REMOVEDIR) != 0) {
                ok = false;
            }
        } else if (unlinkat(dirFd, name.c_str(), 0) != 0) {
            ok = false;
        }
    }
    return ok;
}

std::string ResolvedPath(const std::string& path) {
    char buffer[PATH_MAX];
    if (realpath(path.c_str(), buffer) == nullptr) {
        return {};
    }
    return buffer;
}

// The root, the home folder (the environment's and the account's) and every folder above it must never be
// emptied: removing any of them takes the user's files along.
bool IsProtectedFolder(const std::string& resolved) {
    if (resolved == "/") {
        return true;
    }
    std::vector<std::string> homes;
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        homes.emplace_back(home);
    }
    if (const passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_dir != nullptr) {
        homes.emplace_back(entry->pw_dir);
    }
    return std::any_of(homes.begin(), homes.end(), [&resolved](const std::string& home) {
        const std::string resolvedHome = ResolvedPath(home);
        return !resolvedHome.empty() && (resolvedHome == resolved || resolvedHome.rfind(resolved + "/", 0) == 0);
    });
}

}  // namespace

std::string ReplaceExtension(const std::string& path, const std::string& ending) {
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos) {
        return path;
    }
    return path.substr(0, dot) + ending;
}

bool IsMp4File(const std::string& path) {
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos) {
        return false;
    }
    std::string ext = path.substr(dot);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext == ".mp4";
}

std::string SetTrailingSeparator(const std::string& path, bool add) {
    const bool hasSeparator = !path.empty() && path.back() == kPathSep;
    if (add) {
        return hasSeparator ? path : path + kPathSep;
    }
    return hasSeparator ? path.substr(0, path.size() - 1) : path;
}

std::string FileNamePart(const std::string& path) {
    const size_t sep = path.rfind(kPathSep);
    return sep == std::string::npos ? path : path.substr(sep + 1);
}

std::string FolderPart(const std::string& path) {
    const size_t sep = path.rfind(kPathSep);
    return sep == std::string::npos ? std::string() : path.substr(0, sep + 1);
}

void DeleteFiles(const std::string& pattern) {
    const size_t sep = pattern.rfind(kPathSep);
    const std::string folder = sep == std::string::npos ? "." : (sep == 0 ? "/" : pattern.substr(0, sep));
    const std::string namePattern = sep == std::string::npos ? pattern : pattern.substr(sep + 1);
    if (namePattern.empty()) {
        return;
    }
    const int dirFd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0) {
        return;
    }
    for (const std::string& name : ListEntries(dirFd)) {
        if (!MatchWildcard(namePattern.c_str(), name.c_str())) {
            continue;
        }
        struct stat st {};
        if (fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISDIR(st.st_mode)) {
            unlinkat(dirFd, name.c_str(), 0);
        }
    }
    close(dirFd);
}

bool SameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    return a == b || std::filesystem::equivalent(a, b, ec);
}

bool IsDeletionRefused(const std::string& folder) {
    if (folder.empty()) {
        return true;
    }
    const std::string resolved = ResolvedPath(folder);
    if (resolved.empty()) {
        // Unresolvable: harmless when nothing is there or only a dangling link, refused for a real folder.
        struct stat st {};
        return stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    }
    return IsProtectedFolder(resolved);
}

bool DeleteFolder(const std::string& folder) {
    if (IsDeletionRefused(folder)) {
        return false;
    }
    // Without trailing separators, so that lstat sees a link given as the folder instead of its target.
    std::string path = folder;
    while (path.size() > 1 && path.back() == kPathSep) {
        path.pop_back();
    }
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0) {
        return errno == ENOENT || errno == ENOTDIR;
    }
    if (!S_ISDIR(st.st_mode)) {
        // A link given as the folder goes itself; what it points to stays.
        return S_ISLNK(st.st_mode) && unlink(path.c_str()) == 0;
    }
    const int dirFd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (dirFd < 0) {
        return false;
    }
    RemoveContents(dirFd);
    close(dirFd);
    return rmdir(path.c_str()) == 0;
}

int WorkerCountFor(unsigned hardwareThreads, bool fixed) {
    if (fixed) {
        return 4;
    }
    if (hardwareThreads < 5) {
        return 2;
    }
    if (hardwareThreads <= 8) {
        return 4;
    }
    return std::min(6, static_cast<int>(hardwareThreads * 0.75));
}

int GetWorkerCount(bool fixed) { return WorkerCountFor(std::thread::hardware_concurrency(), fixed); }
