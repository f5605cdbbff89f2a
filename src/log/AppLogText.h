#pragma once

#include <chrono>
#include <ctime>
#include <string>

// The texts the log builds around the callers' messages.

// A moment as the log writes it: local time in fields, and the milliseconds past its second.
struct LogTime {
    std::tm local{};
    int millis = 0;
};
LogTime SplitLogTime(std::chrono::system_clock::time_point when);

// "MM/DD hh:mm:ss.mmm <pid> " followed by the prefix and one space (nothing for an empty prefix), in local
// time. The caller's message follows directly.
std::string FormatLogLinePrefix(std::chrono::system_clock::time_point when, unsigned processId,
                                const std::string& prefix);

// A product version as shown in the first line: spaces removed, ',' turned into '.' ("1, 1, 0, 0" gives
// "1.1.0.0").
std::string NormalizeProductVersion(const std::string& version);

// The contents of /proc/<pid>/cmdline (arguments each ended by NUL) as one line: arguments joined by
// spaces, trailing whitespace removed.
std::string JoinCommandLine(const std::string& procCmdline);

// Text without trailing spaces, tabs and line ends.
std::string RightTrim(const std::string& text);

// This process's command line, read from /proc/self/cmdline.
std::string ProcessCommandLine();

// Folder of the running executable (from /proc/self/exe), without a trailing separator; empty if unknown.
std::string ExecutableFolderForLog();
