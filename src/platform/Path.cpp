#include "platform/Path.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace platform {

namespace {

std::string WithTrailingSeparator(std::string folder) {
    if (!HasTrailingSeparator(folder)) folder += kPathSeparator;
    return folder;
}

bool StatPath(const std::string& path, struct stat& info) { return !path.empty() && ::stat(path.c_str(), &info) == 0; }

}  // namespace

std::string PathFileName(const std::string& path) {
    const size_t slash = path.rfind(kPathSeparator);
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string PathFolder(const std::string& path) {
    const size_t slash = path.rfind(kPathSeparator);
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string PathExtension(const std::string& path) {
    const size_t slash = path.rfind(kPathSeparator);
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot < nameStart) return {};
    return path.substr(dot);
}

bool HasTrailingSeparator(const std::string& path) { return !path.empty() && path.back() == kPathSeparator; }

bool FileExists(const std::string& path) {
    struct stat info {};
    return StatPath(path, info) && !S_ISDIR(info.st_mode);
}

bool FolderExists(const std::string& path) {
    struct stat info {};
    return StatPath(path, info) && S_ISDIR(info.st_mode);
}

std::int64_t FileSize(const std::string& path) {
    struct stat info {};
    if (!StatPath(path, info) || S_ISDIR(info.st_mode)) return -1;
    return static_cast<std::int64_t>(info.st_size);
}

bool MakeFolders(const std::string& path) {
    if (path.empty()) return false;
    if (FolderExists(path)) return true;
    // Each prefix ending before a separator, then the whole path.
    for (size_t at = path.find(kPathSeparator, 1); at != std::string::npos; at = path.find(kPathSeparator, at + 1)) {
        const std::string prefix = path.substr(0, at);
        if (::mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST) return false;
    }
    if (::mkdir(path.c_str(), 0777) != 0 && errno != EEXIST) return false;
    return FolderExists(path);
}

std::string TempFolder() {
    const char* tmp = std::getenv("TMPDIR");
    if (tmp && *tmp && FolderExists(tmp)) return WithTrailingSeparator(tmp);
    return "/tmp/";
}

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home && *home) return WithTrailingSeparator(home);
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir &&
        *found->pw_dir) {
        return WithTrailingSeparator(found->pw_dir);
    }
    return "/";
}

std::string CurrentFolder() {
    std::vector<char> buffer(4096);
    for (;;) {
        if (::getcwd(buffer.data(), buffer.size())) return WithTrailingSeparator(buffer.data());
        if (errno != ERANGE) return {};
        buffer.resize(buffer.size() * 2);
    }
}

std::string MakeAbsolute(const std::string& path) {
    if (!path.empty() && path.front() == kPathSeparator) return path;
    return CurrentFolder() + path;
}

}  // namespace platform
