// tarnelo-cli's command line, read by CLI11. One definition serves the parser and the help: each option's
// callback checks what was typed and keeps it in Options, and a wrong value is told in words that name the
// option and, for a choice, the values it takes.

#include "cli/CliOptions.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <sstream>

#include "engine/merge/ConvertMerge.h"

namespace cli {
namespace {

const std::string kProgram = "tarnelo-cli";

// Names take this many columns of the help; the descriptions beside them are wrapped so that the full help,
// which indents each command's options by two more, stays within 80 columns.
constexpr size_t kNameColumns = 32;
constexpr size_t kDescriptionWidth = 46;
constexpr size_t kTextWidth = 76;

constexpr const char* kStatusFooter =
    "Exit status: 0 success, 1 failure, 2 wrong usage, 130 stopped by Ctrl+C (143 by SIGTERM).";

// When --jobs pays, as bench/batch_jobs.sh measured it.
constexpr const char* kJobsAdvice =
    "2 pays with many small or short videos, whose probing, preparing and waits leave cores idle (on 2 cores about "
    "0.75 of the time for 480p clips, 0.8 for 1080p ones, whose decoding leaves less idle)";

constexpr const char* kBatchFooter =
    "Several INPUTs, a folder, --recursive, --force or --jobs make a batch. Each video gets the project, motion "
    "record and segments that extract of it alone gives; at the end a table of every file (scenes, seconds of "
    "motion, status done/skipped/failed/stopped, reason) goes to stdout. A file named is always taken; from a "
    "folder only files with a video extension, hidden ones not, and those ffprobe cannot read are skipped as no "
    "video (failed when they start like one: damaged or cut short). A video whose project (INPUT.kpproj) holds a "
    "complete scan of it, measured with the --compare-sec and areas given, is not decoded again: it is skipped, "
    "or re-tuned from its motion record when other scene settings are given; --force scans it anyway. --project, "
    "--output-name and --output-folder name the files of one video and are refused with several inputs or a "
    "folder. A batch goes on past a file that fails: exit status 0 when every file worked, 1 when some failed.";

// A wrong command line, in the words the user reads. The option callbacks throw it; CLI11 runs them once it
// has read the whole line, so by the time one is caught a --help anywhere on it is known.
class WrongUsage : public CLI::ParseError {
public:
    explicit WrongUsage(const std::string& message)
        : CLI::ParseError("WrongUsage", message, CLI::ExitCodes::ValidationError) {}
};

// A finite decimal number ("." as the point, whatever the locale); the whole text must be used.
std::optional<double> ParseNumber(std::string_view text) {
    double value = 0;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (first != last && *first == '+') ++first;  // from_chars takes no leading plus
    const auto [end, error] = std::from_chars(first, last, value);
    if (text.empty() || error != std::errc() || end != last || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::optional<int> ParseInteger(std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

// "0, 1 or 2"
std::string WholeNumbers(int low, int high) {
    std::string text;
    for (int n = low; n <= high; ++n) text += (n == low ? "" : n == high ? " or " : ", ") + std::to_string(n);
    return text;
}

// Breaks text at spaces into lines of at most `width` characters; the line breaks already in it stay.
std::string Wrapped(const std::string& text, size_t width) {
    std::string out;
    std::istringstream lines(text);
    std::string line;
    for (bool first = true; std::getline(lines, line); first = false) {
        if (!first) out += '\n';
        size_t length = 0;
        std::istringstream words(line);
        for (std::string word; words >> word;) {
            if (length > 0) {
                const bool fits = length + 1 + word.size() <= width;
                out += fits ? ' ' : '\n';
                length = fits ? length + 1 : 0;
            }
            out += word;
            length += word.size();
        }
    }
    return out;
}

// CLI11's help with the long texts wrapped, and in the full help each command headed by its usage line.
class HelpFormatter : public CLI::Formatter {
public:
    HelpFormatter() {
        column_width(kNameColumns);
        label("SUBCOMMAND", "COMMAND");
    }
    std::string make_option_desc(const CLI::Option* option) const override {
        return Wrapped(option->get_description(), kDescriptionWidth);
    }
    std::string make_description(const CLI::App* app) const override {
        const std::string& text = app->get_description();
        return text.empty() ? std::string() : Wrapped(text, kTextWidth) + "\n";
    }
    std::string make_footer(const CLI::App* app) const override {
        const std::string& text = app->get_footer();
        return text.empty() ? std::string() : Wrapped(text, kTextWidth) + "\n";
    }
    std::string make_subcommand(const CLI::App* command) const override {
        std::ostringstream out;
        CLI::detail::format_help(out, command->get_name(), Wrapped(command->get_description(), kDescriptionWidth),
                                 get_column_width());
        return out.str();
    }
    std::string make_expanded(const CLI::App* command) const override {
        const std::string block = CLI::Formatter::make_expanded(command);
        const std::string usage = make_usage(command, kProgram + " " + command->get_name());
        // "Usage: tarnelo-cli extract [OPTIONS] INPUT" in place of the bare name "extract"
        return usage.substr(usage.find(": ") + 2) + block.substr(block.find('\n') + 1);
    }
};

// What an option does with its one value: checks it, throwing WrongUsage that names the option as `name`,
// and keeps it.
using Keep = std::function<void(const std::string& name, const std::string& value)>;

// An option taking one value, given at most once.
CLI::Option* AddValue(CLI::App& app, const std::string& names, const std::string& valueName,
                      const std::string& description, const Keep& keep) {
    const std::string name = names.substr(0, names.find(','));  // "-o" of "-o,--output"
    CLI::Option* option = app.add_option(
        names,
        [name, keep](const CLI::results_t& values) {
            if (values.size() > 1) throw WrongUsage(name + " given twice");
            keep(name, values.front());
            return true;
        },
        description);
    // Every value given reaches the callback, which so tells a repeated option from a single one.
    return option->type_name(valueName)->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
}

Keep Number(std::optional<double>& slot) {
    return [&slot](const std::string& name, const std::string& value) {
        slot = ParseNumber(value);
        if (!slot) throw WrongUsage(name + " needs a number, not '" + value + "'");
    };
}

// A whole number from low to high, each of them a choice the message lists.
Keep WholeNumberIn(int low, int high, std::function<void(int)> keep) {
    return [low, high, keep](const std::string& name, const std::string& value) {
        const std::optional<int> number = ParseInteger(value);
        if (!number || *number < low || *number > high) {
            throw WrongUsage(name + " must be " + WholeNumbers(low, high));
        }
        keep(*number);
    };
}

// An entry of one of the merge tab's lists, kept as its index.
Keep ListEntry(std::optional<int> (*find)(std::string_view), const std::string& allowed, int& slot) {
    return [find, allowed, &slot](const std::string& name, const std::string& value) {
        const std::optional<int> index = find(value);
        if (!index) throw WrongUsage(name + " must be one of " + allowed + " (not '" + value + "')");
        slot = *index;
    };
}

Keep Text(std::string& slot) {
    return [&slot](const std::string& name, const std::string& value) {
        if (value.empty()) throw WrongUsage(name + " needs a non-empty value");
        slot = value;
    };
}

// A flag given at most once.
void AddFlag(CLI::App& app, const std::string& name, const std::string& description, bool& slot) {
    const auto keep = [name, &slot](std::int64_t count) {
        if (count > 1) throw WrongUsage(name + " given twice");
        slot = true;
    };
    app.add_flag(name, std::function<void(std::int64_t)>(keep), description)->disable_flag_override();
}

// Two flags that set one thing either way: one of them, once.
void AddSwitch(CLI::App& app, const std::string& on, const std::string& onDescription, const std::string& off,
               const std::string& offDescription, const std::function<void(bool)>& keep) {
    const auto given = std::make_shared<bool>(false);
    for (const bool value : {true, false}) {
        const auto keepValue = [=](std::int64_t count) {
            if (*given || count > 1) throw WrongUsage("give only one of " + on + " and " + off);
            *given = true;
            keep(value);
        };
        app.add_flag(value ? on : off, std::function<void(std::int64_t)>(keepValue),
                     value ? onDescription : offDescription)
            ->disable_flag_override();
    }
}

void AddQuality(CLI::App& app, Options& o) {
    AddValue(app, "--quality", "Q", "encoding quality: 0 highest, 1 standard, 2 low (default 0)",
             WholeNumberIn(0, 2, [&o](int quality) { o.quality = quality; }));
}

// Padding and the longest scene, applied to the scenes the three settings find.
void AddSceneShapeOptions(CLI::App& app, Options& o, const std::string& initial) {
    AddValue(app, "--pre-roll", "S",
             "seconds added before each scene, for events cut too tight, 0..10.0 (" + initial + ")", Number(o.preRoll));
    AddValue(app, "--post-roll", "S",
             "seconds added after each scene, 0..10.0 (" + initial + "); padded scenes that touch become one",
             Number(o.postRoll));
    AddValue(app, "--max-sec", "S",
             "longest scene: a longer one is split into equal parts, 0 (no limit) or 10..3600 (" + initial + ")",
             Number(o.maxSec));
}

// The areas of the picture to watch; --region and --exclude may be given many times.
void AddRegionOptions(CLI::App& app, Options& o) {
    for (const bool exclude : {false, true}) {
        const std::string name = exclude ? "--exclude" : "--region";
        app.add_option(
               name,
               [&o, name, exclude](const CLI::results_t& values) {
                   for (const std::string& value : values) {
                       MotionRegion region;
                       std::string error;
                       if (!ParseRegionText(value, exclude, region, error)) {
                           throw WrongUsage(name + " " + value + ": " + error);
                       }
                       o.regions.push_back(std::move(region));
                   }
                   // Include areas first whatever the order typed, so the same areas give the same record.
                   std::stable_partition(o.regions.begin(), o.regions.end(), [](const auto& r) { return !r.exclude; });
                   return true;
               },
               exclude ? "leave out an area of the picture (trees, water, a road, a clock): X,Y,W,H or "
                         "X1,Y1,X2,Y2,X3,Y3[,...] in the video's pixels; repeatable"
                       : "watch only this area of the picture, X,Y,W,H (a rectangle) or X1,Y1,X2,Y2,X3,Y3[,...] (a "
                         "polygon) in the video's pixels; repeatable")
            ->type_name("AREA")
            ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    }
    AddValue(app, "--regions-from", "FILE", "read the areas from a regions file (JSON) before any --region",
             Text(o.regionsFrom));
    AddValue(app, "--save-regions", "FILE", "write the areas used to a regions file (JSON), for --regions-from",
             Text(o.saveRegions));
}

void AddExtractOptions(CLI::App& app, Options& o) {
    AddValue(app, "--threshold", "N", "previous-frame difference, 0..1000 (default 100)", Number(o.threshold));
    AddValue(app, "--valid-sec", "S", "seconds of motion that make a scene, 1.0..10.0 (default 1.0)",
             Number(o.validSec));
    AddValue(app, "--cut-sec", "S", "seconds of stillness that end a scene, 1.0..10.0 (default 1.0)", Number(o.cutSec));
    AddValue(app, "--compare-sec", "S",
             "compare each frame with the one S seconds back instead of the previous one, for slow movers and "
             "phone videos (try 0.5), 0..5.0 (default 0: the previous frame)",
             Number(o.compareSec));
    AddRegionOptions(app, o);
    AddValue(app, "--output-folder", "DIR", "folder of the segment and work files (default INPUT_out/; one input only)",
             Text(o.outputFolder));
    AddValue(app, "--output-name", "NAME",
             "file name of the merged output (default: the input's name + _trim.mp4; one input only)",
             [&o](const std::string& name, const std::string& value) {
                 Text(o.outputName)(name, value);
                 if (value.find('/') != std::string::npos) {
                     throw WrongUsage(name + " takes a file name, not a path (use --output-folder for the folder)");
                 }
             });
    AddValue(app, "--project", "FILE", "project file to write (default INPUT.kpproj; one input only)",
             Text(o.projectFile));
    AddQuality(app, o);
    AddSwitch(app, "--cuda", "use the CUDA encoder when a CUDA device exists", "--no-cuda",
              "encode without CUDA (default)", [&o](bool cuda) { o.cuda = cuda; });
    AddFlag(app, "--no-cut", "find the scenes without cutting their segment files", o.noCut);
    AddSceneShapeOptions(app, o, "default 0");
    AddFlag(app, "--fast-scan",
            "decode faster for the analysis (cheaper scaling, no loop filter); a scene may move by a frame",
            o.fastScan);
    AddFlag(app, "--merge", "then join the scenes into OUTPUT-FOLDER/OUTPUT-NAME", o.merge);
    AddSwitch(app, "--transition", "with --merge: half-second cross-fades between the scenes", "--no-transition",
              "with --merge: no cross-fades (default)", [&o](bool transition) { o.transition = transition; });
    AddSwitch(app, "--chapters", "with --merge: a chapter per scene in the merged file, titled by its caption",
              "--no-chapters", "with --merge: no chapters (default)", [&o](bool chapters) { o.chapters = chapters; });
    AddFlag(app, "--recursive", "with folders: take the videos of their subfolders too", o.recursive);
    AddFlag(app, "--force", "scan again the videos whose project and motion record say they are scanned", o.force);
    AddValue(app, "--jobs", "N",
             "videos scanned at once, 1.." + std::to_string(kMostJobs) + " (default 1); " + kJobsAdvice,
             [&o](const std::string& name, const std::string& value) {
                 o.jobs = ParseInteger(value);
                 if (!o.jobs || *o.jobs < 1 || *o.jobs > kMostJobs) {
                     throw WrongUsage(name + " needs a whole number from 1 to " + std::to_string(kMostJobs) +
                                      ", not '" + value + "'");
                 }
             });
    app.footer(std::string("Values out of range are clamped.\n") + kBatchFooter + "\n" + kStatusFooter);
}

void AddRetuneOptions(CLI::App& app, Options& o) {
    AddValue(app, "--threshold", "N", "previous-frame difference, 0..1000 (default: the project's)",
             Number(o.threshold));
    AddValue(app, "--valid-sec", "S", "seconds of motion that make a scene, 1.0..10.0 (default: the project's)",
             Number(o.validSec));
    AddValue(app, "--cut-sec", "S", "seconds of stillness that end a scene, 1.0..10.0 (default: the project's)",
             Number(o.cutSec));
    AddValue(app, "--compare-sec", "S",
             "the compare setting, 0..5.0 (default: the project's); it must be the one the record was measured "
             "with, another needs a new extract",
             Number(o.compareSec));
    AddRegionOptions(app, o);
    AddFlag(app, "--dry-run", "print the scenes the settings give; save and cut nothing", o.dryRun);
    AddFlag(app, "--no-cut", "save the new scenes without cutting their segment files", o.noCut);
    AddSceneShapeOptions(app, o, "default: the project's");
    app.footer(
        std::string(
            "Uses the per-frame record of the project's last complete extraction; the video is "
            "not decoded again. Areas given replace the project's; the record must have been measured over the same "
            "areas. Values out of range are clamped.\n") +
        kStatusFooter);
}

void AddReportOptions(CLI::App& app, Options& o) {
    AddSwitch(app, "--json", "write the report as one JSON object with a \"scenes\" array", "--csv",
              "write the report as CSV, a header line and one line per scene",
              [&o](bool json) { o.reportFormat = json ? ReportFormat::Json : ReportFormat::Csv; });
    AddFlag(app, "--recursive", "also take the projects in the folders below a folder given", o.recursive);
    app.footer(std::string("Goes to stdout: per scene its index, on/off, first and last frame, start and end time "
                           "(seconds and hh:mm:ss.cc; a scene ends where its last frame ends), length, the frame "
                           "of most motion with its time and count, caption and segment file; for a recording "
                           "whose clock is known (project key clock_start) also start_clock and end_clock, the "
                           "scene's start and end by the clock (ISO 8601). Without a usable motion record the peak "
                           "fields are null (JSON) or empty (CSV) and a warning says why. Several projects, or a "
                           "folder (its .kpproj files), make one report: CSV with a first column \"file\", JSON "
                           "as {\"projects\": [...]} with a \"file\" member in each; a project that cannot be "
                           "read is named on stderr and makes the exit status 1.\n") +
               kStatusFooter);
}

void AddMotionOptions(CLI::App& app, Options& o) {
    AddValue(app, "--csv", "FILE", "write frame,time,count,motion for every frame", Text(o.motionCsv));
    AddValue(app, "--svg", "FILE", "draw the counts, the threshold and the scenes as an SVG image", Text(o.motionSvg));
    app.footer(std::string("Give one or both. A frame is motion when its count of changed pixels reaches the "
                           "project's threshold; the first frame of a run is motion whatever the threshold (empty "
                           "count). Neither file may be the project, its input or the record.\n") +
               kStatusFooter);
}

void AddExportOptions(CLI::App& app, Options& o) {
    std::string formats;
    for (const ExportFormatInfo& info : ExportFormats()) {
        formats += std::string(formats.empty() ? "" : "; ") + info.name + ": " + info.what;
    }
    AddValue(app, "--format", "FORMAT", "what to write: " + formats,
             [&o](const std::string& name, const std::string& value) {
                 o.exportFormat = ExportFormatByName(value);
                 if (!o.exportFormat) {
                     throw WrongUsage(name + " must be one of " + ExportFormatNames() + " (not '" + value + "')");
                 }
             })
        ->required();
    AddValue(app, "-o,--output", "FILE",
             "the file to write, '-' for stdout (default: PROJECT with the format's extension)", Text(o.exportOutput));
    app.footer(std::string("The enabled scenes in list order, each cut from the project's input video by its frames "
                           "(its first and last frame, by the recording's frame times), with its caption; with the "
                           "project's transition on, the cross-fades as the merge makes them. The file is replaced "
                           "whole or not at all; a project without an enabled scene writes nothing. csv is report "
                           "--csv's table.\n") +
               kStatusFooter);
}

void AddMergeOptions(CLI::App& app, Options& o) {
    AddSwitch(app, "--transition", "cross-fade the scenes (default: the project's setting)", "--no-transition",
              "join the scenes without cross-fades", [&o](bool transition) { o.transition = transition; });
    AddSwitch(app, "--chapters",
              "give the merged file a chapter per scene, titled by its caption (default: the project's setting)",
              "--no-chapters", "no chapters", [&o](bool chapters) { o.chapters = chapters; });
}

void AddJoinOptions(CLI::App& app, Options& o) {
    AddValue(app, "-o,--output", "OUT.mp4", "the joined file; its folder must exist",
             [&o](const std::string& name, const std::string& value) {
                 if (value.empty()) throw WrongUsage(name + " needs a non-empty file name");
                 if (!EndsWithNoCase(value, ".mp4")) {
                     throw WrongUsage(name + " needs an MP4 file name ending in .mp4, not '" + value + "'");
                 }
                 o.outputFile = value;
             })
        ->required();
    const FrameSize& size = FrameSizeList()[kDefaultChoiceIndex];
    AddValue(app, "--size", "WxH",
             "frame size: " + AllowedSizesText() + " (default " + std::to_string(size.width) + "x" +
                 std::to_string(size.height) + ")",
             ListEntry(FindFrameSizeChoice, AllowedSizesText(), o.sizeIndex));
    AddValue(app, "--rate", "N/D",
             "frame rate: " + AllowedRatesText() + " (default " + FrameRateText(FrameRateList()[kDefaultChoiceIndex]) +
                 "); the rounded rate alone (59.94) and a whole rate alone (30) also do",
             ListEntry(FindFrameRateChoice, AllowedRatesText(), o.rateIndex));
    AddSwitch(app, "--transition", "half-second cross-fades between the videos", "--no-transition",
              "no cross-fades (default)", [&o](bool transition) { o.transition = transition; });
    AddQuality(app, o);
    app.footer(std::string("The converted files are kept beside OUT.mp4 for the next run. Files ffprobe cannot ") +
               "read are skipped with a warning.\n" + kStatusFooter);
}

void AddPlayOptions(CLI::App& app, Options& o) {
    AddValue(app, "--scene", "N", "play scene N (from 1) of the project with its effects and captions",
             [&o](const std::string& name, const std::string& value) {
                 o.scene = ParseInteger(value);
                 if (!o.scene || *o.scene < 1) {
                     throw WrongUsage(name + " needs a scene number from 1, not '" + value + "'");
                 }
             });
}

void AddProbeOptions(CLI::App& app, Options& o) {
    AddValue(app, "--kind", "N",
             "the report: 1 and 2 format and streams, 3 format, 4 video streams, 5 audio streams (default 1)",
             WholeNumberIn(1, 5, [&o](int kind) { o.probeKind = kind; }));
}

// Commands whose operand is a list of files (Options::files) rather than one (Options::target): join's videos,
// extract's videos and folders, report's projects and folders, in the order given.
bool TakesManyFiles(Command command) {
    return command == Command::Join || command == Command::Extract || command == Command::Report;
}

// Why an option that names a file of one video cannot serve a batch; empty when none is given.
std::string OneVideoOptionProblem(const Options& o, const std::string& batch) {
    if (!o.projectFile.empty()) {
        return "--project names the project of one video; with " + batch +
               " each video's project is INPUT.kpproj beside it";
    }
    if (!o.outputName.empty()) {
        return "--output-name names the merged file of one video; with " + batch +
               " each video's is its name + _trim.mp4 in its own output folder";
    }
    if (!o.outputFolder.empty()) {
        return "--output-folder holds the files of one video; with " + batch +
               " each video's go to INPUT_out/ beside it, so that same-named videos of different folders do not "
               "share one";
    }
    return {};
}

struct CommandSpec {
    const char* name;
    Command command;
    const char* description;
    const char* operand;  // the file it works on, as the usage names it
    const char* operandDescription;
    const char* wanted;  // a missing operand, as the error names it: "extract needs an input video"
    void (*addOptions)(CLI::App&, Options&);
};

// In the order the help lists them.
const CommandSpec kCommands[] = {
    {"extract", Command::Extract,
     "find the moving scenes of a video, or of every video of folders, cut each to its own MP4", "INPUT",
     "the video; or several videos and folders of videos (a batch)", "an input video", AddExtractOptions},
    {"segments", Command::Segments, "cut the enabled scenes of a saved project again", "PROJECT",
     "the project file (.kpproj)", "a project file", nullptr},
    {"merge", Command::Merge,
     "join the enabled scenes of a saved project into its output file, cutting again any segment that is missing "
     "or wrong",
     "PROJECT", "the project file (.kpproj)", "a project file", AddMergeOptions},
    {"retune", Command::Retune,
     "find the scenes again with other settings from the project's motion record, without decoding; cut only the "
     "segments that changed",
     "PROJECT", "the project file (.kpproj)", "a project file", AddRetuneOptions},
    {"report", Command::Report,
     "print the scenes of saved projects with their times, captions and peak of motion, as JSON or CSV",
     "PROJECT|FOLDER", "project files (.kpproj), or folders holding them", "a project file or folder",
     AddReportOptions},
    {"motion", Command::Motion,
     "write the per-frame motion of the project's last extraction as a CSV table or an SVG chart", "PROJECT",
     "the project file (.kpproj)", "a project file", AddMotionOptions},
    {"export", Command::Export,
     "write the enabled scenes of a saved project as a timeline for a video editor (MLT, FCPXML, EDL, OTIO), a "
     "CSV table, or the merged file's captions as subtitles (SRT, WebVTT)",
     "PROJECT", "the project file (.kpproj)", "a project file", AddExportOptions},
    {"join", Command::Join, "convert videos to one size and rate and join them in order", "FILE",
     "the videos, in the order they are joined", "at least one video", AddJoinOptions},
    {"autocorrect", Command::Autocorrect,
     "compute brightness, contrast, saturation and gamma for the project's input, print them and save them in "
     "the project",
     "PROJECT", "the project file (.kpproj)", "a project file", nullptr},
    {"play", Command::Play,
     "play a video, a project's output (its input while there is none), or scene N of a project, with ffplay",
     "FILE|PROJECT", "a video, or a project file (.kpproj)", "a video or a project file", AddPlayOptions},
    {"probe", Command::Probe, "print an ffprobe report of a file", "FILE", "the file", "a file", AddProbeOptions},
};

// The whole command line as CLI11 reads it, writing what it reads into the Options given.
class CommandLine {
public:
    struct Entry {
        const CommandSpec* def;
        CLI::App* app;
        CLI::Option* operand;
    };

    explicit CommandLine(Options& o) : m_app("Finds the moving scenes of videos, cuts and joins them.", kProgram) {
        // Everything below inherits these from the program level.
        m_app.formatter(std::make_shared<HelpFormatter>());
        m_app.set_help_flag("-h,--help", "show this help");
        // What CLI11 cannot place is kept for the messages below rather than reported in its words.
        m_app.allow_extras();
        m_app.require_subcommand(0, 1);
        m_version = m_app.add_flag("--version")->description("show the version");
        for (const CommandSpec& def : kCommands) {
            CLI::App* command = m_app.add_subcommand(def.name, def.description)->group("Commands");
            command->footer(kStatusFooter);
            CLI::Option* operand = TakesManyFiles(def.command)
                                       ? command->add_option(def.operand, o.files, def.operandDescription)
                                       : command->add_option(def.operand, o.target, def.operandDescription);
            operand->type_name("")->required();
            if (def.addOptions) def.addOptions(*command, o);
            m_commands.push_back({&def, command, operand});
        }
        m_help =
            m_app.add_subcommand("help", "show every command with its options, or those of COMMAND")->group("Commands");
        m_help->set_help_flag();
        m_help->add_option("COMMAND", m_helpTopic, "a command")->type_name("");
        m_app.footer(std::string("Values out of range are clamped. ") + kStatusFooter +
                     "\n'tarnelo-cli COMMAND --help' shows one command.");
    }

    CLI::App& App() { return m_app; }

    // The command CLI11 read, if it read one (help aside).
    const Entry* Chosen() const {
        for (const Entry& entry : m_commands) {
            if (entry.app->parsed()) return &entry;
        }
        return nullptr;
    }

    bool VersionAsked() const { return m_version->count() > 0; }

    // The help asked for by "help [COMMAND]" or by a --help or -h anywhere, even one CLI11 took as an option's
    // value; empty when none is.
    std::string HelpAsked(bool helpOnLine) const {
        if (m_help->parsed() && !VersionAsked()) {
            for (const Entry& entry : m_commands) {
                if (m_helpTopic == entry.def->name) return CommandHelp(entry);
            }
            return FullHelp();
        }
        if (!helpOnLine) return std::string();
        const Entry* chosen = Chosen();
        return chosen ? CommandHelp(*chosen) : FullHelp();
    }

    // The program's own help: its options and the list of commands.
    std::string Overview() const {
        return m_app.get_formatter()->make_help(&m_app, kProgram, CLI::AppFormatMode::Normal);
    }

    // Every command with its options.
    std::string FullHelp() const {
        // Straight from the formatter: App::help would give the help of the command read, if any.
        return m_app.get_formatter()->make_help(&m_app, kProgram, CLI::AppFormatMode::All);
    }

    static std::string CommandHelp(const Entry& entry) {
        return entry.app->get_formatter()->make_help(entry.app, kProgram + " " + entry.def->name,
                                                     CLI::AppFormatMode::Normal);
    }

    // Why a word the command could not place is wrong.
    std::string Unplaced(const std::string& word, const Entry& chosen) const {
        if (word.size() < 2 || word[0] != '-') return "unexpected argument '" + word + "'";
        const std::string name = word.substr(0, word.find('='));
        for (const Entry& other : m_commands) {
            if (other.app->get_option_no_throw(name)) return "unknown option '" + word + "' for " + chosen.def->name;
        }
        return "unknown option '" + word + "'";
    }

    // CLI11's own message, in our words where they differ.
    static std::string Reworded(const CLI::ParseError& error, const Entry* chosen) {
        const std::string what = error.what();
        // "cuda was given a disallowed flag override": "--cuda=1"
        if (const size_t end = what.find(" was given a disallowed flag override"); end != std::string::npos) {
            return "--" + what.substr(0, end) + " takes no value";
        }
        // "--threshold: 1 required N missing": the line ended where the value should be.
        if (chosen && dynamic_cast<const CLI::ArgumentMismatch*>(&error) && what.ends_with(" missing")) {
            if (const CLI::Option* option = chosen->app->get_option_no_throw(what.substr(0, what.find(':')))) {
                const auto& shortNames = option->get_snames();
                return (shortNames.empty() ? option->get_name() : "-" + shortNames.front()) + " needs a value";
            }
        }
        return what;
    }

private:
    CLI::App m_app;
    CLI::Option* m_version = nullptr;
    CLI::App* m_help = nullptr;
    std::string m_helpTopic;
    std::vector<Entry> m_commands;
};

}  // namespace

std::string UsageText() {
    Options unused;
    return CommandLine(unused).FullHelp();
}

ParseResult ParseArguments(const std::vector<std::string>& args) {
    // Everything after "--" is a file name, so names starting with "-" can be given. CLI11 would end the
    // command there once it has a file and read the rest as the program's own, so it never sees that part.
    const auto mark = args.empty() ? args.end() : std::find(args.begin() + 1, args.end(), "--");
    const bool hasMark = mark != args.end();
    std::vector<std::string> line(args.begin(), mark);
    const std::vector<std::string> afterMark(hasMark ? mark + 1 : mark, args.end());
    const bool helpOnLine = std::find_if(line.begin(), line.end(), [](const std::string& word) {
                                return word == "--help" || word == "-h";
                            }) != line.end();

    ParseResult result;
    Options& o = result.options;
    CommandLine commandLine(o);
    std::string failure;  // the first thing CLI11 or an option's check found wrong
    try {
        std::reverse(line.begin(), line.end());  // CLI11 takes the arguments last first
        commandLine.App().parse(line);
    } catch (const CLI::CallForHelp&) {
        // told below, with the command it is for
    } catch (const CLI::RequiredError&) {
        // CLI11 does not see the names after "--"; whether a file or -o is missing is decided below
    } catch (const WrongUsage& e) {
        failure = e.what();
    } catch (const CLI::ParseError& e) {
        failure = CommandLine::Reworded(e, commandLine.Chosen());
    }

    auto fail = [&result](std::string message) {
        result.error = std::move(message);
        return result;
    };
    result.usage = commandLine.Overview();  // until the command is known
    // The first word names the command; anything else there is wrong before all else.
    const std::vector<std::string> unknown = commandLine.App().remaining();
    if (!unknown.empty() && unknown.front() == args.front()) return fail("unknown command '" + args.front() + "'");
    // --help anywhere asks for the help, whatever else is wrong on the line.
    if (std::string help = commandLine.HelpAsked(helpOnLine); !help.empty()) {
        result.options = Options{};
        result.options.command = Command::Help;
        result.usage = std::move(help);
        result.ok = true;
        return result;
    }
    if (commandLine.VersionAsked()) {
        if (args.size() > 1) return fail("--version takes no arguments");
        o.command = Command::Version;
        result.ok = true;
        return result;
    }
    if (!unknown.empty()) return fail("unknown command '" + unknown.front() + "'");
    const CommandLine::Entry* chosen = commandLine.Chosen();
    if (!chosen) return fail("no command given");

    const CommandSpec& def = *chosen->def;
    o.command = def.command;
    result.usage = CommandLine::CommandHelp(*chosen);
    // CLI11 reads a negative number as a file name; before "--", a word starting with "-" is an option.
    for (const std::string& word : chosen->operand->results()) {
        if (word.empty()) return fail("empty file name");
        if (word.size() > 1 && word[0] == '-') return fail(commandLine.Unplaced(word, *chosen));
    }
    if (const auto extras = chosen->app->remaining(); !extras.empty()) {
        return fail(commandLine.Unplaced(extras.front(), *chosen));
    }
    if (!failure.empty()) return fail(failure);

    const bool manyFiles = TakesManyFiles(def.command);
    if (hasMark) {
        if (!manyFiles && (chosen->operand->count() > 0 || afterMark.size() != 1)) {
            return fail("exactly one file name must follow '--'");
        }
        if (manyFiles) {
            o.files.insert(o.files.end(), afterMark.begin(), afterMark.end());
        } else {
            o.target = afterMark.front();
        }
    }
    if (std::find(afterMark.begin(), afterMark.end(), "") != afterMark.end()) return fail("empty file name");
    const bool haveTarget = manyFiles ? !o.files.empty() : chosen->operand->count() > 0 || hasMark;
    if (!haveTarget) return fail(std::string(def.name) + " needs " + def.wanted);
    if (def.command == Command::Extract) {
        if (o.files.size() == 1) o.target = o.files.front();
        std::error_code ec;
        const bool folderGiven = std::any_of(o.files.begin(), o.files.end(), [&ec](const std::string& file) {
            return std::filesystem::is_directory(file, ec);
        });
        o.batch = o.files.size() > 1 || folderGiven || o.recursive || o.force || o.jobs.has_value();
        const std::string batch = o.files.size() > 1 ? "several inputs" : folderGiven ? "a folder" : "";
        if (!batch.empty()) {
            if (std::string problem = OneVideoOptionProblem(o, batch); !problem.empty()) return fail(problem);
        }
    }
    if (def.command == Command::Extract && o.transition && !o.merge) {
        return fail(std::string(*o.transition ? "--transition" : "--no-transition") + " needs --merge");
    }
    if (def.command == Command::Extract && o.chapters && !o.merge) {
        return fail(std::string(*o.chapters ? "--chapters" : "--no-chapters") + " needs --merge");
    }
    if (def.command == Command::Play && o.scene && !IsProjectPath(o.target)) {
        return fail("--scene needs a project file (.kpproj), not '" + o.target + "'");
    }
    if (def.command == Command::Join && o.outputFile.empty()) return fail("join needs -o OUT.mp4");
    if (def.command == Command::Report && o.reportFormat == ReportFormat::None) {
        return fail("report needs --json or --csv");
    }
    if (def.command == Command::Export && !o.exportFormat) {
        return fail("export needs --format " + ExportFormatNames());
    }
    if (def.command == Command::Motion && o.motionCsv.empty() && o.motionSvg.empty()) {
        return fail("motion needs --csv FILE or --svg FILE");
    }
    if (def.command == Command::Motion && o.motionCsv == o.motionSvg) {
        return fail("--csv and --svg name the same file");
    }
    result.ok = true;
    return result;
}

}  // namespace cli
