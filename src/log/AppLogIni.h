#pragma once

#include <string>

// Settings of the log, as read from "AppLog.INI" beside the executable.
// The field names are the file's keys.
struct AppLogConfig {
    std::string LOG_FILE_PATH;                // empty: nothing is logged
    int CLEAR_LOG_FILE = 0;                   // non-zero: delete the log and its rotated files at start
    long long LOG_FILE_MAX_SIZE = 1048576;    // a file of at least this size is rotated before the next append
    int LOG_FILE_MAX_NUM = 100;               // rotated files kept
    long long LOG_FILE_WRITE_SIZE = 1048576;  // buffered text of at least this length is written at the next tick
    int LOG_FILE_WRITE_INTERVAL = 60;         // seconds between writes at most
};

// Parses the text of an "AppLog.INI": lines "KEY,value", fields trimmed of tab, space, U+3000 and '"',
// comments "#" and "//", unknown keys and short lines ignored, integers read like atoi (clamped).
AppLogConfig ParseAppLogIni(const std::string& text);

// Reads and parses the file; a missing or unreadable file gives the defaults.
AppLogConfig ReadAppLogIni(const std::string& iniPath);
