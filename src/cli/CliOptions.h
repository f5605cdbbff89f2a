#pragma once

// Command-line parsing of tarnelo-cli. Everything here is pure (no engine, no files), and inline so
// the unit tests, which link only the core libraries, can use it as it is.

#include <charconv>
#include <cmath>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

enum class Command { None, Help, Version, Extract, Segments, Probe };

// Exit statuses of the program.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;
// A stop by signal exits with 128 + the signal number (130 for SIGINT, 143 for SIGTERM).
inline constexpr int kExitSignalBase = 128;

struct Options {
    Command command = Command::None;
    // extract: the input video; segments: the project file; probe: the probed file.
    std::string target;
    // Settings as typed; the project clamps them to their ranges.
    std::optional<double> threshold;
    std::optional<double> validSec;
    std::optional<double> cutSec;
    std::string outputFolder;  // empty: INPUT + "_out/"
    std::string outputName;    // empty: the input's name with "_trim.mp4"
    std::string projectFile;   // empty: INPUT + ".kpproj"
    std::optional<int> quality;
    bool cuda = false;   // --cuda: use the CUDA encoder when a device exists
    bool noCut = false;  // --no-cut: find scenes without cutting their segment files
    int probeKind = 1;
};

struct ParseResult {
    bool ok = false;
    Options options;
    std::string error;  // why the arguments are wrong (ok false)
};

// A finite decimal number ("." as the point, whatever the locale); the whole text must be used.
inline std::optional<double> ParseNumber(std::string_view text) {
    double value = 0;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (first != last && *first == '+') ++first;  // from_chars takes no leading plus
    const auto [end, error] = std::from_chars(first, last, value);
    if (text.empty() || error != std::errc() || end != last || !std::isfinite(value)) return std::nullopt;
    return value;
}

inline std::optional<int> ParseInteger(std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

inline std::string UsageText() {
    return "Usage:\n"
           "  tarnelo-cli extract INPUT [options]  find the moving scenes of a video, cut each to its own MP4\n"
           "  tarnelo-cli segments PROJECT         cut the enabled scenes of a saved project again\n"
           "  tarnelo-cli probe FILE [--kind N]    print an ffprobe report of FILE (N 1..5, default 1)\n"
           "  tarnelo-cli help | --help            show this text\n"
           "  tarnelo-cli --version                show the version\n"
           "\n"
           "Options of extract:\n"
           "  --threshold N        previous-frame difference, 0..1000 (default 100)\n"
           "  --valid-sec S        seconds of motion that make a scene, 1.0..10.0 (default 1.0)\n"
           "  --cut-sec S          seconds of stillness that end a scene, 1.0..10.0 (default 1.0)\n"
           "  --output-folder DIR  folder of the segment and work files (default INPUT_out/)\n"
           "  --output-name NAME   file name of the merged output (default: the input's name + _trim.mp4)\n"
           "  --project FILE       project file to write (default INPUT.kpproj)\n"
           "  --quality Q          encoding quality: 0 highest, 1 standard, 2 low (default 0)\n"
           "  --cuda | --no-cuda   use the CUDA encoder when a CUDA device exists (default --no-cuda)\n"
           "  --no-cut             find the scenes without cutting their segment files\n"
           "\n"
           "Values out of range are clamped. Exit status: 0 success, 1 failure, 2 wrong usage,\n"
           "130 stopped by Ctrl+C (143 by SIGTERM).\n";
}

// args: the arguments after the program name.
inline ParseResult ParseArguments(const std::vector<std::string>& args) {
    ParseResult result;
    Options& o = result.options;
    auto fail = [&result](std::string message) {
        result.ok = false;
        result.error = std::move(message);
        return result;
    };
    if (args.empty()) return fail("no command given");

    const std::string& command = args[0];
    if (command == "help" || command == "--help" || command == "-h") {
        o.command = Command::Help;
    } else if (command == "--version") {
        o.command = Command::Version;
    } else if (command == "extract") {
        o.command = Command::Extract;
    } else if (command == "segments") {
        o.command = Command::Segments;
    } else if (command == "probe") {
        o.command = Command::Probe;
    } else {
        return fail("unknown command '" + command + "'");
    }
    // "--help" anywhere (before "--") asks for the usage, whatever else is wrong on the line.
    for (size_t i = 1; i < args.size() && args[i] != "--"; ++i) {
        if (args[i] == "--help" || args[i] == "-h") {
            o = Options{};
            o.command = Command::Help;
            result.ok = true;
            return result;
        }
    }
    if (o.command == Command::Help || o.command == Command::Version) {
        if (args.size() > 1 && o.command == Command::Version) return fail("--version takes no arguments");
        result.ok = true;
        return result;
    }

    bool sawCuda = false;
    bool sawNoCut = false;
    bool sawKind = false;
    bool haveTarget = false;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
            if (arg.size() > 1 && arg[0] == '-') return fail("unknown option '" + arg + "'");
            if (haveTarget) return fail("unexpected argument '" + arg + "'");
            if (arg.empty()) return fail("empty file name");
            o.target = arg;
            haveTarget = true;
            continue;
        }
        if (arg == "--") {
            // Everything after "--" is the file name, so names starting with "-" can be given.
            if (i + 2 != args.size() || haveTarget) return fail("exactly one file name must follow '--'");
            if (args[i + 1].empty()) return fail("empty file name");
            o.target = args[i + 1];
            haveTarget = true;
            break;
        }

        const bool extractOnly = arg != "--kind";
        if (extractOnly && o.command != Command::Extract) return fail("unknown option '" + arg + "' for " + command);
        if (!extractOnly && o.command != Command::Probe) return fail("unknown option '" + arg + "' for " + command);

        // Flags without a value.
        if (arg == "--cuda" || arg == "--no-cuda") {
            if (sawCuda) return fail("give only one of --cuda and --no-cuda");
            sawCuda = true;
            o.cuda = arg == "--cuda";
            continue;
        }
        if (arg == "--no-cut") {
            if (sawNoCut) return fail("--no-cut given twice");
            sawNoCut = true;
            o.noCut = true;
            continue;
        }

        const bool known = arg == "--threshold" || arg == "--valid-sec" || arg == "--cut-sec" ||
                           arg == "--output-folder" || arg == "--output-name" || arg == "--project" ||
                           arg == "--quality" || arg == "--kind";
        if (!known) return fail("unknown option '" + arg + "'");
        if (i + 1 >= args.size()) return fail(arg + " needs a value");
        const std::string& value = args[++i];

        if (arg == "--threshold" || arg == "--valid-sec" || arg == "--cut-sec") {
            std::optional<double>& slot =
                arg == "--threshold" ? o.threshold : (arg == "--valid-sec" ? o.validSec : o.cutSec);
            if (slot) return fail(arg + " given twice");
            slot = ParseNumber(value);
            if (!slot) return fail(arg + " needs a number, not '" + value + "'");
        } else if (arg == "--quality") {
            if (o.quality) return fail("--quality given twice");
            o.quality = ParseInteger(value);
            if (!o.quality || *o.quality < 0 || *o.quality > 2) return fail("--quality must be 0, 1 or 2");
        } else if (arg == "--kind") {
            if (sawKind) return fail("--kind given twice");
            sawKind = true;
            const std::optional<int> kind = ParseInteger(value);
            if (!kind || *kind < 1 || *kind > 5) return fail("--kind must be 1, 2, 3, 4 or 5");
            o.probeKind = *kind;
        } else {
            std::string& slot = arg == "--output-folder" ? o.outputFolder
                                : arg == "--output-name" ? o.outputName
                                                         : o.projectFile;
            if (!slot.empty()) return fail(arg + " given twice");
            if (value.empty()) return fail(arg + " needs a non-empty value");
            if (arg == "--output-name" && value.find('/') != std::string::npos) {
                return fail("--output-name takes a file name, not a path (use --output-folder for the folder)");
            }
            slot = value;
        }
    }
    if (!haveTarget) {
        const char* what = o.command == Command::Extract    ? "an input video"
                           : o.command == Command::Segments ? "a project file"
                                                            : "a file";
        return fail(command + " needs " + what);
    }
    result.ok = true;
    return result;
}

// The UI language: Japanese when the first set of LC_ALL and LANG starts with "ja".
inline bool IsJapaneseLocale(const char* lcAll, const char* lang) {
    const char* chosen = (lcAll && *lcAll) ? lcAll : lang;
    return chosen && chosen[0] == 'j' && chosen[1] == 'a';
}

}  // namespace cli
