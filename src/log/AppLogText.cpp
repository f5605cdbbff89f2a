#include "log/AppLogText.h"

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

LogTime SplitLogTime(std::chrono::system_clock::time_point when) {
    using namespace std::chrono;
    const auto seconds = floor<std::chrono::seconds>(when);
    LogTime split;
    split.millis = static_cast<int>(duration_cast<milliseconds>(when - seconds).count());
    const std::time_t time = system_clock::to_time_t(seconds);
    localtime_r(&time, &split.local);
    return split;
}

std::string FormatLogLinePrefix(std::chrono::system_clock::time_point when, unsigned processId,
                                const std::string& prefix) {
    const LogTime t = SplitLogTime(when);
    char head[64];
    const int length =
        std::snprintf(head, sizeof head, "%02d/%02d %02d:%02d:%02d.%03d <%u> ", t.local.tm_mon + 1, t.local.tm_mday,
                      t.local.tm_hour, t.local.tm_min, t.local.tm_sec, t.millis, processId);
    std::string line(head, length > 0 ? static_cast<size_t>(length) : 0);
    if (!prefix.empty()) {
        line += prefix;
        line += ' ';
    }
    return line;
}

std::string NormalizeProductVersion(const std::string& version) {
    std::string normalized;
    for (const char c : version) {
        if (c == ' ') {
            continue;
        }
        normalized += c == ',' ? '.' : c;
    }
    return normalized;
}

std::string JoinCommandLine(const std::string& procCmdline) {
    std::string line = procCmdline;
    for (char& c : line) {
        if (c == '\0') {
            c = ' ';
        }
    }
    return RightTrim(line);
}

std::string RightTrim(const std::string& text) {
    const size_t end = text.find_last_not_of(" \t\r\n");
    return end == std::string::npos ? std::string() : text.substr(0, end + 1);
}

std::string ProcessCommandLine() {
    std::ifstream file("/proc/self/cmdline", std::ios::binary);
    std::ostringstream raw;
    raw << file.rdbuf();
    return JoinCommandLine(raw.str());
}

std::string ExecutableFolderForLog() {
    std::error_code error;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : exe.parent_path().string();
}
