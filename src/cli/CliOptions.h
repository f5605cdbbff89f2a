#pragma once

// Command-line parsing of tarnelo-cli. Everything here is pure (no engine run, no files), and inline so
// the unit tests, which link only the core libraries, can use it as it is.

#include <charconv>
#include <cmath>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/CliChoices.h"
#include "cli/CliUsage.h"

namespace cli {

enum class Command { None, Help, Version, Extract, Segments, Merge, Probe, Play, Join, Autocorrect };

// Exit statuses of the program.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;
// A stop by signal exits with 128 + the signal number (130 for SIGINT, 143 for SIGTERM).
inline constexpr int kExitSignalBase = 128;

struct Options {
    Command command = Command::None;
    // extract: the input video; segments, merge, autocorrect: the project file; probe: the probed file;
    // play: the video or project played.
    std::string target;
    // join: the videos, in the order given.
    std::vector<std::string> files;
    // Settings as typed; the project clamps them to their ranges.
    std::optional<double> threshold;
    std::optional<double> validSec;
    std::optional<double> cutSec;
    std::string outputFolder;  // empty: INPUT + "_out/"
    std::string outputName;    // empty: the input's name with "_trim.mp4"
    std::string projectFile;   // empty: INPUT + ".kpproj"
    std::optional<int> quality;
    bool cuda = false;               // --cuda: use the CUDA encoder when a device exists
    bool noCut = false;              // --no-cut: find scenes without cutting their segment files
    bool merge = false;              // extract --merge: join the scenes found into the output file
    std::optional<bool> transition;  // unset: the project's own setting (merge), else off
    int probeKind = 1;
    std::optional<int> scene;  // play --scene N, 1-based
    std::string outputFile;    // join -o
    int sizeIndex = kDefaultChoiceIndex;
    int rateIndex = kDefaultChoiceIndex;
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

inline bool EndsWithNoCase(std::string_view text, std::string_view tail) {
    if (text.size() < tail.size()) return false;
    for (size_t i = 0; i < tail.size(); ++i) {
        char c = text[text.size() - tail.size() + i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != tail[i]) return false;
    }
    return true;
}

// A project is told from a video by its extension, as opening a file does.
inline bool IsProjectPath(std::string_view path) { return EndsWithNoCase(path, ".kpproj"); }

namespace detail {

// Which command takes an option; an option unknown to all of them is reported as unknown.
inline bool TakesOption(Command c, std::string_view option) {
    if (option == "--kind") return c == Command::Probe;
    if (option == "--scene") return c == Command::Play;
    if (option == "-o" || option == "--output" || option == "--size" || option == "--rate") {
        return c == Command::Join;
    }
    if (option == "--transition" || option == "--no-transition") {
        return c == Command::Extract || c == Command::Merge || c == Command::Join;
    }
    if (option == "--quality") return c == Command::Extract || c == Command::Join;
    return c == Command::Extract;  // every other known option belongs to extract
}

inline bool IsKnownOption(std::string_view option) {
    for (const char* known : {"--threshold", "--valid-sec", "--cut-sec", "--output-folder", "--output-name",
                              "--project", "--quality", "--cuda", "--no-cuda", "--no-cut", "--merge", "--transition",
                              "--no-transition", "--kind", "--scene", "-o", "--output", "--size", "--rate"}) {
        if (option == known) return true;
    }
    return false;
}

inline const char* TargetWanted(Command c) {
    switch (c) {
        case Command::Extract:
            return "an input video";
        case Command::Segments:
        case Command::Merge:
        case Command::Autocorrect:
            return "a project file";
        case Command::Play:
            return "a video or a project file";
        case Command::Join:
            return "at least one video";
        default:
            return "a file";
    }
}

}  // namespace detail

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
    static const struct {
        const char* name;
        Command command;
    } kCommands[] = {
        {"help", Command::Help},
        {"--help", Command::Help},
        {"-h", Command::Help},
        {"--version", Command::Version},
        {"extract", Command::Extract},
        {"segments", Command::Segments},
        {"merge", Command::Merge},
        {"probe", Command::Probe},
        {"play", Command::Play},
        {"join", Command::Join},
        {"autocorrect", Command::Autocorrect},
    };
    for (const auto& known : kCommands) {
        if (command == known.name) o.command = known.command;
    }
    if (o.command == Command::None) return fail("unknown command '" + command + "'");
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

    const bool manyFiles = o.command == Command::Join;
    bool sawCuda = false;
    bool sawNoCut = false;
    bool sawMerge = false;
    bool sawKind = false;
    bool sawSize = false;
    bool sawRate = false;
    bool haveTarget = false;
    auto addTarget = [&](const std::string& file) -> bool {
        if (manyFiles) {
            o.files.push_back(file);
            return true;
        }
        if (haveTarget) return false;
        o.target = file;
        haveTarget = true;
        return true;
    };
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--") {
            // Everything after "--" is a file name, so names starting with "-" can be given.
            if (!manyFiles && (i + 2 != args.size() || haveTarget)) {
                return fail("exactly one file name must follow '--'");
            }
            for (size_t k = i + 1; k < args.size(); ++k) {
                if (args[k].empty()) return fail("empty file name");
                addTarget(args[k]);
            }
            break;
        }
        const bool option = arg.size() > 1 && arg[0] == '-';
        if (!option) {
            if (arg.empty()) return fail("empty file name");
            if (!addTarget(arg)) return fail("unexpected argument '" + arg + "'");
            continue;
        }
        if (!detail::IsKnownOption(arg)) return fail("unknown option '" + arg + "'");
        if (!detail::TakesOption(o.command, arg)) return fail("unknown option '" + arg + "' for " + command);

        // Flags without a value.
        if (arg == "--cuda" || arg == "--no-cuda") {
            if (sawCuda) return fail("give only one of --cuda and --no-cuda");
            sawCuda = true;
            o.cuda = arg == "--cuda";
            continue;
        }
        if (arg == "--transition" || arg == "--no-transition") {
            if (o.transition) return fail("give only one of --transition and --no-transition");
            o.transition = arg == "--transition";
            continue;
        }
        if (arg == "--no-cut" || arg == "--merge") {
            bool& seen = arg == "--no-cut" ? sawNoCut : sawMerge;
            if (seen) return fail(arg + " given twice");
            seen = true;
            (arg == "--no-cut" ? o.noCut : o.merge) = true;
            continue;
        }

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
        } else if (arg == "--scene") {
            if (o.scene) return fail("--scene given twice");
            o.scene = ParseInteger(value);
            if (!o.scene || *o.scene < 1) return fail("--scene needs a scene number from 1, not '" + value + "'");
        } else if (arg == "--size" || arg == "--rate") {
            bool& seen = arg == "--size" ? sawSize : sawRate;
            if (seen) return fail(arg + " given twice");
            seen = true;
            const std::optional<int> index = arg == "--size" ? FindFrameSizeChoice(value) : FindFrameRateChoice(value);
            if (!index) {
                return fail(arg + " must be one of " + (arg == "--size" ? AllowedSizesText() : AllowedRatesText()) +
                            " (not '" + value + "')");
            }
            (arg == "--size" ? o.sizeIndex : o.rateIndex) = *index;
        } else if (arg == "-o" || arg == "--output") {
            if (!o.outputFile.empty()) return fail("-o given twice");
            if (value.empty()) return fail("-o needs a non-empty file name");
            if (!EndsWithNoCase(value, ".mp4") || value.back() == '/') {
                return fail("-o needs an MP4 file name ending in .mp4, not '" + value + "'");
            }
            o.outputFile = value;
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
    if (manyFiles ? o.files.empty() : !haveTarget) {
        return fail(command + " needs " + detail::TargetWanted(o.command));
    }
    if (o.command == Command::Extract && o.transition && !o.merge) {
        return fail(std::string(*o.transition ? "--transition" : "--no-transition") + " needs --merge");
    }
    if (o.command == Command::Play && o.scene && !IsProjectPath(o.target)) {
        return fail("--scene needs a project file (.kpproj), not '" + o.target + "'");
    }
    if (o.command == Command::Join && o.outputFile.empty()) return fail("join needs -o OUT.mp4");
    result.ok = true;
    return result;
}

// The UI language: Japanese when the first set of LC_ALL and LANG starts with "ja".
inline bool IsJapaneseLocale(const char* lcAll, const char* lang) {
    const char* chosen = (lcAll && *lcAll) ? lcAll : lang;
    return chosen && chosen[0] == 'j' && chosen[1] == 'a';
}

}  // namespace cli
