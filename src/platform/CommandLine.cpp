#include <string>
#include <vector>

#include "platform/Process.h"

namespace platform {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::vector<std::string> SplitCommandLine(const std::string& commandLine) {
    std::vector<std::string> args;
    const size_t size = commandLine.size();
    size_t i = 0;
    for (;;) {
        while (i < size && IsBlank(commandLine[i])) ++i;
        if (i == size) break;

        std::string arg;
        bool quoted = false;
        for (;;) {
            size_t backslashes = 0;
            while (i < size && commandLine[i] == '\\') {
                ++backslashes;
                ++i;
            }
            if (i < size && commandLine[i] == '"') {
                arg.append(backslashes / 2, '\\');
                if (backslashes % 2 == 1) {
                    arg += '"';
                } else if (quoted && i + 1 < size && commandLine[i + 1] == '"') {
                    arg += '"';  // "" inside quotes is one literal quote, and the quotes go on
                    ++i;
                } else {
                    quoted = !quoted;
                }
                ++i;
                continue;
            }
            arg.append(backslashes, '\\');
            if (i == size || (!quoted && IsBlank(commandLine[i]))) break;
            arg += commandLine[i++];
        }
        args.push_back(std::move(arg));
    }
    return args;
}

std::string EscapeQuotedArgument(const std::string& text) {
    std::string escaped;
    escaped.reserve(text.size() + 8);
    size_t backslashes = 0;
    for (const char c : text) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"') {
            // Backslashes before a quote are doubled, and the quote itself gets one of its own.
            escaped.append(backslashes * 2 + 1, '\\');
        } else {
            escaped.append(backslashes, '\\');
        }
        backslashes = 0;
        escaped += c;
    }
    // The closing quote follows: trailing backslashes must not escape it.
    escaped.append(backslashes * 2, '\\');
    return escaped;
}

}  // namespace platform
