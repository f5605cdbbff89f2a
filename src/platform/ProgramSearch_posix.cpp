#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/Path.h"
#include "platform/Process.h"

namespace platform {

namespace {

bool IsExecutableFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

std::string ReadExecutablePath() {
    std::string buffer(4096, '\0');
    for (;;) {
        const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0) return {};
        if (static_cast<size_t>(n) < buffer.size()) {
            buffer.resize(static_cast<size_t>(n));
            return buffer;
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::string SearchPath() {
    if (const char* path = std::getenv("PATH")) return path;
    const size_t size = ::confstr(_CS_PATH, nullptr, 0);
    if (size == 0) return "/bin:/usr/bin";
    std::string fallback(size, '\0');
    ::confstr(_CS_PATH, fallback.data(), size);
    fallback.resize(size - 1);
    return fallback;
}

}  // namespace

std::string ExecutableFolder() {
    // The link cannot change while we run; reading it once also keeps the answer stable if the file is
    // replaced on disk.
    static const std::string folder = PathFolder(ReadExecutablePath());
    return folder;
}

std::string FindProgram(const std::string& name) {
    if (name.empty()) return {};
    if (name.find(kPathSeparator) != std::string::npos) return name;

    const std::string own = ExecutableFolder();
    if (!own.empty() && IsExecutableFile(own + name)) return own + name;

    const std::string path = SearchPath();
    size_t begin = 0;
    for (;;) {
        const size_t end = path.find(':', begin);
        const std::string entry = path.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
        // An empty entry means the current folder, as for every other program that reads PATH.
        std::string folder = entry.empty() ? std::string("./") : entry;
        if (!HasTrailingSeparator(folder)) folder += kPathSeparator;
        if (IsExecutableFile(folder + name)) return folder + name;
        if (end == std::string::npos) break;
        begin = end + 1;
    }
    return {};
}

}  // namespace platform
