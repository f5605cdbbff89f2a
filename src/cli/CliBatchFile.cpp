// One video of an extract batch: whether its project shows it scanned, whether a file found in a folder is a
// video at all, and its extraction, each told as the video's outcome.
#include <sys/stat.h>

#include <filesystem>
#include <mutex>
#include <optional>

#include "cli/CliBatch.h"
#include "cli/CliProject.h"
#include "cli/CliRegions.h"
#include "cli/CliRunner.h"
#include "engine/TarneloProcess.h"
#include "engine/jobs/JobTables.h"
#include "engine/motion/ProjectMotion.h"
#include "engine/scenes/SceneRules.h"
#include "platform/CudaProbe.h"
#include "project/FileHelpers.h"
#include "project/ProjectSession.h"
#include "project/TarneloData.h"

namespace cli {
namespace {

namespace fs = std::filesystem;

// ffprobe's report of the video streams (the probe command's kind 4).
constexpr int kVideoStreamsReport = 4;
// Enough of a file's start to tell a container by.
constexpr size_t kHeadBytes = 512;

// What the video's sink said: warnings go on to the batch, the last message is the reason of the outcome.
class Said {
public:
    explicit Said(std::function<void(const std::string&)> warn) : m_warn(std::move(warn)) {}

    void Line(const std::string& line) {
        static const std::string kPrefix = "tarnelo-cli: ";
        static const std::string kWarning = kPrefix + "warning: ";
        static const std::string kStopped = kPrefix + "stopped";
        if (line.rfind(kWarning, 0) == 0) {
            if (m_warn) m_warn(line.substr(kWarning.size()));
            return;
        }
        if (line.rfind(kPrefix, 0) != 0 || line == kPrefix + "stopping...") return;
        std::lock_guard<std::mutex> lock(m_mutex);
        if (line.rfind(kStopped, 0) == 0) {
            // "stopped; the scenes found so far are saved": the status says stopped already.
            m_last = line.size() > kStopped.size() + 2 ? line.substr(kStopped.size() + 2) : std::string();
        } else {
            m_last = line.substr(kPrefix.size());
        }
    }
    std::string Last() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_last;
    }

private:
    std::function<void(const std::string&)> m_warn;
    mutable std::mutex m_mutex;
    std::string m_last;
};

FileOutcome Outcome(FileStatus status, std::string reason, const SceneTally& tally = {}) {
    return {status, std::move(reason), tally.scenes, tally.scenes >= 0 ? tally.seconds : 0};
}

// The outcome of the one-video command's exit status.
FileOutcome OutcomeOfStatus(int status, const std::string& said, const SceneTally& tally) {
    if (status == kExitSuccess) return Outcome(FileStatus::kDone, "", tally);
    if (status >= kExitSignalBase) return Outcome(FileStatus::kStopped, said, tally);
    return Outcome(FileStatus::kFailed, said, tally);
}

// A file found in a folder that ffprobe cannot read as a video is skipped, unless it starts like a video: then
// it is a recording that is damaged or cut short, and fails. nullopt for a video.
std::optional<FileOutcome> NotAVideo(const BatchInput& input, CliSink& sink, bool japanese) {
    CTarneloData scratch(false);
    CTarneloProcess engine(&sink, &scratch, japanese);
    engine.SetOptions({.previewStills = false});
    std::string report;
    bool unreadable = false;
    RunServingStop(engine, [&] { unreadable = engine.GetFfprobeReport(input.path, report, kVideoStreamsReport); });
    if (StopRequested()) return Outcome(FileStatus::kStopped, "nothing was done");
    if (unreadable) {
        if (StartsLikeVideo(ReadFileHead(input.path, kHeadBytes))) {
            return Outcome(FileStatus::kFailed,
                           "ffprobe cannot read it, though it starts like a video: damaged or cut short?");
        }
        return Outcome(FileStatus::kSkipped, "not a video (ffprobe cannot read it)");
    }
    if (report.find("\"codec_type\": \"video\"") == std::string::npos) {
        return Outcome(FileStatus::kSkipped, "not a video: it has no video stream");
    }
    return std::nullopt;
}

bool MissesSegmentFiles(const CTarneloData& data) {
    std::error_code ec;
    for (const SceneEntry& scene : data.diff_list.Snapshot()) {
        if (!fs::is_regular_file(scene.fileName, ec)) return true;
    }
    return false;
}

// A video whose project holds a complete scan of it, measured as the settings given ask: skipped, or its list
// re-tuned, its missing segments cut or its merge made from the record. nullopt when it must be scanned.
std::optional<FileOutcome> Resume(const BatchInput& input, const Options& o, CliSink& sink, bool japanese,
                                  const Said& said) {
    const std::string projectPath = o.projectFile.empty() ? DefaultProjectPath(input.path) : Absolute(o.projectFile);
    std::error_code ec;
    if (!fs::is_regular_file(projectPath, ec)) return std::nullopt;
    CTarneloData data(false);
    if (ProjectSession(data).Load(projectPath, true) != ProjectSession::kOpened) return std::nullopt;
    if (data.input_file.empty() || !SameFile(data.input_file, input.path)) return std::nullopt;
    // Only a complete scan names its record in the project; the project of one stopped half-way (whose list is
    // partial) names none, even when the record of an earlier scan is still beside it.
    if (data.motion_file.empty()) return std::nullopt;
    MotionRecord record;
    if (ReadProjectMotionRecord(data, record) != RecordStatus::kOk) return std::nullopt;

    const SceneTuning saved = ProjectTuning(data);
    for (const std::string& warning : ApplySceneSettings(data, o)) Warn(sink, warning);
    if (ApplyRegionOptions(data, o, sink) >= 0) return Outcome(FileStatus::kFailed, said.Last());
    // Counts against another frame or over other areas cannot give the scenes asked for.
    if (RecordScanMismatch(record, data) != ScanMismatch::kNone) return std::nullopt;
    if (o.quality) data.quality = *o.quality;
    if (o.cuda || data.use_cuda) data.use_cuda = platform::HasCudaDevice();
    if (o.merge) data.transition = o.transition.value_or(false);
    if (o.merge) data.chapters = o.chapters.value_or(false);

    ResumeWork work;
    work.retune = !(ProjectTuning(data) == saved);
    // The list an extraction that found nothing puts up is never cut.
    const bool nothingFound = RetunedScenes(data, record).empty();
    work.cutMissing = !work.retune && !o.noCut && !nothingFound && MissesSegmentFiles(data);
    work.merge = o.merge && (work.retune || work.cutMissing || !fs::is_regular_file(data.GetOutputPath(), ec));
    if (!work.retune && !work.cutMissing && !work.merge) {
        return Outcome(FileStatus::kSkipped, "already scanned", TallyScenes(data));
    }
    SceneTally tally;
    const int status = RunResumedExtract(o, sink, japanese, data, record, work, &tally);
    FileOutcome outcome = OutcomeOfStatus(status, said.Last(), tally);
    if (status == kExitSuccess) {
        outcome.reason = work.retune       ? "re-tuned from its motion record, not decoded again"
                         : work.cutMissing ? "already scanned; its missing segment files were cut"
                                           : "already scanned; merged";
    }
    return outcome;
}

}  // namespace

SceneTally TallyScenes(const CTarneloData& data) {
    const std::vector<SceneEntry> scenes = data.diff_list.Snapshot();
    // The list an extraction that found nothing puts up: told by the record of a complete scan, else (a scan
    // stopped before its first scene) by its range.
    if (scenes.size() == 1 && scenes.front().framNo_first == 0) {
        MotionRecord record;
        const bool placeholder = !data.motion_file.empty() &&
                                         ReadProjectMotionRecord(data, record) == RecordStatus::kOk &&
                                         RecordScanMismatch(record, data) == ScanMismatch::kNone
                                     ? RetunedScenes(data, record).empty()
                                     : scenes.front().framNo_second ==
                                           DefaultSceneLastFrame(data.m_sourceInfo.fps, data.m_sourceInfo.frame_num);
        if (placeholder) return {0, 0};
    }
    const FrameClock clock = data.SourceClock(data.m_sourceInfo.fps);
    SceneTally tally{0, 0};
    for (const SceneEntry& scene : scenes) {
        ++tally.scenes;
        tally.seconds += clock.Seconds(scene.framNo_second + 1) - clock.Seconds(scene.framNo_first);
    }
    return tally;
}

FileOutcome ScanBatchVideo(const BatchInput& input, const Options& o, bool japanese, const BatchVideoHooks& hooks) {
    Said said(hooks.warn);
    CliSink::Relay relay;
    relay.line = [&said](const std::string& line) { said.Line(line); };
    relay.progress = [&hooks](int kind, long long total, long long done) {
        if (kind == kJobKindSceneExtract && total > 0 && hooks.decoded) {
            hooks.decoded(static_cast<double>(done) / static_cast<double>(total));
        }
    };
    CliSink sink(japanese, relay);

    struct stat st {};
    if (input.fromFolder && ::stat(input.path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size == 0) {
        return Outcome(FileStatus::kSkipped, "not a video: the file is empty");
    }
    if (const std::string why = FileProblem(input.path); !why.empty()) {
        return Outcome(FileStatus::kFailed, "cannot open it: " + why);
    }
    if (!o.force) {
        if (std::optional<FileOutcome> resumed = Resume(input, o, sink, japanese, said)) return *resumed;
    }
    if (input.fromFolder) {
        if (std::optional<FileOutcome> skipped = NotAVideo(input, sink, japanese)) return *skipped;
    }
    Options one = o;
    one.target = input.path;
    one.files = {input.path};
    one.batch = false;
    SceneTally tally;
    const int status = RunExtractFile(one, sink, japanese, &tally);
    return OutcomeOfStatus(status, said.Last(), tally);
}

}  // namespace cli
