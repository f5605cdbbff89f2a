#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

// Looks at /proc to prove that tests leave no process, zombie or descriptor behind.
namespace testsupport {

inline int OpenDescriptorCount() {
    int count = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (readdir(dir)) ++count;
        closedir(dir);
    }
    return count;
}

// Whole text of a /proc file, or what could be read of it. A process that exits between the open and
// the read makes read() fail with ESRCH, which a stream iterator turns into an exception.
inline std::string ReadProcText(const std::string& path) {
    std::string text;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return text;
    char buffer[4096];
    ssize_t got = 0;
    while ((got = ::read(fd, buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<size_t>(got));
    ::close(fd);
    return text;
}

// True when pid names a live process (a zombie counts as gone only once reaped by its parent).
inline bool ProcessExists(long pid) {
    if (pid <= 0) return false;
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    if (!stat) return false;
    std::string line;
    std::getline(stat, line);
    const size_t paren = line.rfind(')');
    return paren != std::string::npos && paren + 2 < line.size() && line[paren + 2] != 'Z' && line[paren + 2] != 'X';
}

// Live (or zombie) children of this process.
inline std::vector<long> ChildrenOf(long parent) {
    std::vector<long> children;
    if (DIR* dir = opendir("/proc")) {
        while (dirent* e = readdir(dir)) {
            char* end = nullptr;
            const long pid = std::strtol(e->d_name, &end, 10);
            if (!end || *end || pid <= 0) continue;
            std::ifstream stat(std::string("/proc/") + e->d_name + "/stat");
            std::string line;
            if (!std::getline(stat, line)) continue;
            const size_t paren = line.rfind(')');
            if (paren == std::string::npos) continue;
            std::istringstream rest(line.substr(paren + 2));
            char state = 0;
            long ppid = 0;
            rest >> state >> ppid;
            if (ppid == parent) children.push_back(pid);
        }
        closedir(dir);
    }
    return children;
}

// Processes whose command name is exactly name (e.g. "ffmpeg"), whatever their parent.
inline std::vector<long> ProcessesNamed(const std::string& name) {
    std::vector<long> found;
    if (DIR* dir = opendir("/proc")) {
        while (dirent* e = readdir(dir)) {
            char* end = nullptr;
            const long pid = std::strtol(e->d_name, &end, 10);
            if (!end || *end || pid <= 0) continue;
            std::ifstream comm(std::string("/proc/") + e->d_name + "/comm");
            std::string text;
            if (std::getline(comm, text) && text == name && ProcessExists(pid)) found.push_back(pid);
        }
        closedir(dir);
    }
    return found;
}

// Waits (bounded) until pid is gone; a process killed a moment ago may take a few ms to vanish.
inline bool WaitGone(long pid, int attempts = 500) {
    for (int i = 0; i < attempts; ++i) {
        if (!ProcessExists(pid)) return true;
        usleep(10000);
    }
    return !ProcessExists(pid);
}

// Polls a condition that no message announces (bounded; for state owned by another thread).
template <class Pred>
bool WaitUntil(Pred pred, int attempts = 1000) {
    for (int i = 0; i < attempts; ++i) {
        if (pred()) return true;
        usleep(5000);
    }
    return pred();
}

#ifdef TARNELO_TEST_HELPER_DIR
inline std::string Helper(const char* name) { return std::string(TARNELO_TEST_HELPER_DIR) + "/" + name; }
#endif

}  // namespace testsupport
