#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "log/AppLogIni.h"

// The log file on disk: rotation names, clean-up and the locked append. Every operation that touches the
// files holds the cross-process lock "AppLogFileAccess", so running copies of the program share one log.

// The log path split at the extension's '.': "/log/app.log" gives "/log/app" and ".log". Only the file name
// is searched, so a dot in a folder name ("/log.d/app") is no extension, nor is the dot of a hidden file.
struct LogPathParts {
    std::string stem;
    std::string extension;  // with its '.', or empty
};
LogPathParts SplitLogPath(const std::string& path);

// "<stem>_YYYYMMDD_HHMMSSmmm<extension>" in local time.
std::string RotatedLogName(const std::string& path, std::chrono::system_clock::time_point when);

// The rotated name for `when`, moved on by one millisecond while `taken` says the name is in use, so two
// rotations within one millisecond never overwrite each other and the names still sort by time.
std::string FreeRotatedLogName(const std::string& path, std::chrono::system_clock::time_point when,
                               const std::function<bool(const std::string&)>& taken);

// Whether `candidate` (a path in the log's folder) is a rotated file of the log at `path`.
bool IsRotatedLogName(const std::string& path, const std::string& candidate);

// The rotated files of the log, sorted by name ascending (oldest first).
std::vector<std::string> ListRotatedLogFiles(const std::string& path);

// Appends text under the lock: creates the folder, rotates a file of at least LOG_FILE_MAX_SIZE bytes,
// keeps at most LOG_FILE_MAX_NUM rotated files. Failures lose the text and are not reported.
void AppendToLogFile(const AppLogConfig& config, const std::string& text);

// Deletes the log file and all its rotated files, under the lock.
void ClearLogFiles(const std::string& path);

// The lock file every copy of the program agrees on: "AppLogFileAccess" in the temp folder.
std::string LogFileLockPath();
