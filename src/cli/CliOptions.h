#pragma once

// Command-line parsing of tarnelo-cli. The commands see only these plain structs; the grammar and the help
// (CLI11) are in CliOptions.cpp.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/CliChoices.h"
#include "cli/CliUsage.h"
#include "engine/export/Exports.h"
#include "project/MotionRegions.h"
#include "project/ProjectSession.h"

namespace cli {

enum class Command {
    None,
    Help,
    Version,
    Extract,
    Segments,
    Merge,
    Probe,
    Play,
    Join,
    Autocorrect,
    Retune,
    Report,
    Motion,
    Export
};

// report: how the scenes are written.
enum class ReportFormat { None, Json, Csv };

// Exit statuses of the program.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;
// A stop by signal exits with 128 + the signal number (130 for SIGINT, 143 for SIGTERM).
inline constexpr int kExitSignalBase = 128;

struct Options {
    Command command = Command::None;
    // extract: the input video (when one file is given); segments, merge, autocorrect: the project file;
    // probe: the probed file; play: the video or project played.
    std::string target;
    // join: the videos, in the order given; extract: the videos and folders given; report: the projects and
    // folders of projects.
    std::vector<std::string> files;
    // extract over several inputs, a folder or with one of the options below is a batch (a summary of every
    // video, resume); one video without them is the plain extraction. --recursive also looks in subfolders (as
    // report's does), --force scans videos that are scanned already, --jobs scans that many at once (default 1).
    bool batch = false;
    bool recursive = false;
    bool force = false;
    std::optional<int> jobs;
    // Settings as typed; the project clamps them to their ranges.
    std::optional<double> threshold;
    std::optional<double> validSec;
    std::optional<double> cutSec;
    // extract, retune --compare-sec: seconds back of the frame each frame is compared with
    std::optional<double> compareSec;
    // extract, retune --region / --exclude (in that order), --regions-from, --save-regions
    MotionRegions regions;
    std::string regionsFrom;
    std::string saveRegions;
    std::string outputFolder;  // empty: INPUT + "_out/"
    std::string outputName;    // empty: the input's name with "_trim.mp4"
    std::string projectFile;   // empty: INPUT + ".kpproj"
    std::optional<int> quality;
    bool cuda = false;               // --cuda: use the CUDA encoder when a device exists
    bool noCut = false;              // --no-cut: find scenes without cutting their segment files
    std::optional<double> preRoll;   // extract, retune --pre-roll: seconds added before each scene
    std::optional<double> postRoll;  // --post-roll: seconds added after each scene
    std::optional<double> maxSec;    // --max-sec: the longest scene, 0 for none
    bool fastScan = false;           // extract --fast-scan: the cheaper analysis decode
    bool merge = false;              // extract --merge: join the scenes found into the output file
    bool dryRun = false;             // retune --dry-run: print the scenes, save and cut nothing
    std::optional<bool> transition;  // unset: the project's own setting (merge), else off
    std::optional<bool> chapters;    // --chapters: a chapter per scene in the merged file; unset as transition
    int probeKind = 1;
    std::optional<int> scene;  // play --scene N, 1-based
    std::string outputFile;    // join -o
    int sizeIndex = kDefaultChoiceIndex;
    int rateIndex = kDefaultChoiceIndex;
    ReportFormat reportFormat = ReportFormat::None;  // report --json | --csv
    std::string motionCsv;                           // motion --csv FILE
    std::string motionSvg;                           // motion --svg FILE
    std::optional<ExportFormat> exportFormat;        // export --format
    std::string exportOutput;                        // export -o FILE ("-": stdout); empty: beside the project
};

struct ParseResult {
    bool ok = false;
    Options options;
    std::string error;  // why the arguments are wrong (ok false)
    // The help to print: what --help asked for, or, with an error, the usage of the command given wrongly.
    std::string usage;
};

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
using ::IsProjectPath;

// The most videos extract --jobs scans at once.
inline constexpr int kMostJobs = 16;

// args: the arguments after the program name.
ParseResult ParseArguments(const std::vector<std::string>& args);

// The UI language: Japanese when the first set of LC_ALL and LANG starts with "ja".
inline bool IsJapaneseLocale(const char* lcAll, const char* lang) {
    const char* chosen = (lcAll && *lcAll) ? lcAll : lang;
    return chosen && chosen[0] == 'j' && chosen[1] == 'a';
}

}  // namespace cli
