#include "log/AppLogIni.h"

#include <climits>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string_view>
#include <vector>

namespace {

constexpr std::string_view kFullWidthSpace = "\xE3\x80\x80";

// Length of the trimmable character at the start of text, or 0.
size_t TrimmableAtFront(std::string_view text) {
    if (text.empty()) {
        return 0;
    }
    if (text.front() == ' ' || text.front() == '\t' || text.front() == '"') {
        return 1;
    }
    return text.substr(0, kFullWidthSpace.size()) == kFullWidthSpace ? kFullWidthSpace.size() : 0;
}

size_t TrimmableAtBack(std::string_view text) {
    if (text.empty()) {
        return 0;
    }
    if (text.back() == ' ' || text.back() == '\t' || text.back() == '"') {
        return 1;
    }
    if (text.size() >= kFullWidthSpace.size() && text.substr(text.size() - kFullWidthSpace.size()) == kFullWidthSpace) {
        return kFullWidthSpace.size();
    }
    return 0;
}

std::string_view TrimField(std::string_view field) {
    for (size_t n = TrimmableAtFront(field); n > 0; n = TrimmableAtFront(field)) {
        field.remove_prefix(n);
    }
    for (size_t n = TrimmableAtBack(field); n > 0; n = TrimmableAtBack(field)) {
        field.remove_suffix(n);
    }
    return field;
}

std::vector<std::string_view> SplitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    size_t begin = 0;
    for (;;) {
        const size_t comma = line.find(',', begin);
        if (comma == std::string_view::npos) {
            fields.push_back(line.substr(begin));
            return fields;
        }
        fields.push_back(line.substr(begin, comma - begin));
        begin = comma + 1;
    }
}

// atoi semantics (leading blanks, sign, digits, rest ignored, non-number 0) without its undefined overflow.
long long ToInteger(std::string_view text, long long lowest, long long highest) {
    const std::string copy(text);
    const long long value = std::strtoll(copy.c_str(), nullptr, 10);
    if (value < lowest) {
        return lowest;
    }
    if (value > highest) {
        return highest;
    }
    return value;
}

int ToInt(std::string_view text) { return static_cast<int>(ToInteger(text, INT_MIN, INT_MAX)); }

}  // namespace

AppLogConfig ParseAppLogIni(const std::string& text) {
    AppLogConfig config;
    std::string_view rest(text);
    // A UTF-8 byte-order mark left by an editor would otherwise hide the first key.
    if (rest.substr(0, 3) == "\xEF\xBB\xBF") {
        rest.remove_prefix(3);
    }
    while (!rest.empty()) {
        const size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (line.empty() || line.front() == '#' || line.substr(0, 2) == "//") {
            continue;
        }
        const std::vector<std::string_view> fields = SplitFields(line);
        if (fields.size() < 2) {
            continue;
        }
        const std::string_view key = TrimField(fields[0]);
        const std::string_view value = TrimField(fields[1]);
        if (key == "LOG_FILE_PATH") {
            config.LOG_FILE_PATH = std::string(value);
        } else if (key == "CLEAR_LOG_FILE") {
            config.CLEAR_LOG_FILE = ToInt(value);
        } else if (key == "LOG_FILE_MAX_SIZE") {
            config.LOG_FILE_MAX_SIZE = ToInteger(value, LLONG_MIN, LLONG_MAX);
        } else if (key == "LOG_FILE_MAX_NUM") {
            config.LOG_FILE_MAX_NUM = ToInt(value);
        } else if (key == "LOG_FILE_WRITE_SIZE") {
            config.LOG_FILE_WRITE_SIZE = ToInteger(value, LLONG_MIN, LLONG_MAX);
        } else if (key == "LOG_FILE_WRITE_INTERVAL") {
            config.LOG_FILE_WRITE_INTERVAL = ToInt(value);
        }
    }
    return config;
}

AppLogConfig ReadAppLogIni(const std::string& iniPath) {
    std::ifstream file(iniPath, std::ios::binary);
    if (!file) {
        return AppLogConfig{};
    }
    std::ostringstream text;
    text << file.rdbuf();
    return ParseAppLogIni(text.str());
}
