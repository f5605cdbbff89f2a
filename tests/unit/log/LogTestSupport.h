#pragma once

#include <poll.h>
#include <stdlib.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace logtest {

// A fresh folder under the temp folder, removed with everything in it.
class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "AppLogTest_XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) {
            m_path = pattern;
        }
    }
    ~TempFolder() {
        std::error_code error;
        std::filesystem::remove_all(m_path, error);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    std::string operator/(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

inline std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

inline void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

inline std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        lines.push_back(line);
    }
    return lines;
}

// Names of the regular files in a folder, sorted.
inline std::vector<std::string> FileNames(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.is_regular_file()) {
            names.push_back(entry.path().filename().string());
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Waits on inotify events of the file's folder until the file contains `text`. The limit only keeps a broken
// writer from hanging the suite; it is not a speed requirement.
inline bool WaitForFileContaining(const std::string& path, const std::string& text,
                                  std::chrono::seconds limit = std::chrono::seconds(60)) {
    const int fd = inotify_init1(IN_CLOEXEC);
    const std::string folder = std::filesystem::path(path).parent_path().string();
    inotify_add_watch(fd, folder.c_str(), IN_CLOSE_WRITE | IN_MODIFY | IN_MOVED_TO | IN_CREATE);
    const auto deadline = std::chrono::steady_clock::now() + limit;
    bool found = false;
    while (!(found = ReadFile(path).find(text) != std::string::npos)) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            break;
        }
        pollfd waiter{fd, POLLIN, 0};
        if (poll(&waiter, 1, static_cast<int>(left.count())) > 0) {
            char events[4096];
            [[maybe_unused]] const ssize_t n = read(fd, events, sizeof events);
        }
    }
    close(fd);
    return found;
}

}  // namespace logtest
