#include "cli/CliCommands.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>
#include <thread>

#include "cli/CliProject.h"
#include "cli/CliSignals.h"
#include "engine/JobTables.h"
#include "engine/TarneloProcess.h"
#include "platform/CudaProbe.h"
#include "project/FileHelpers.h"
#include "project/TarneloData.h"

namespace cli {
namespace {

namespace fs = std::filesystem;

// How often the main thread looks at the job when no wake-up arrives (a safety net only: the finish
// message and the signals wake it at once).
constexpr int kWaitSliceMs = 200;

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

std::string Absolute(const std::string& path) {
    std::error_code ec;
    const fs::path absolute = fs::absolute(path, ec);
    return ec ? path : absolute.lexically_normal().string();
}

int Fail(CliSink& sink, const std::string& text) {
    sink.EndBar();
    sink.PrintLine("tarnelo-cli: " + text);
    return kExitFailure;
}

void Warn(CliSink& sink, const std::string& text) { sink.PrintLine("tarnelo-cli: warning: " + text); }

int Stopped(CliSink& sink, const std::string& what) {
    sink.EndBar();
    sink.PrintLine("tarnelo-cli: stopped" + (what.empty() ? std::string() : "; " + what));
    return kExitSignalBase + StopSignal();
}

// Why a path cannot be read as an input file; empty when it can be tried.
std::string FileProblem(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return (errno == ENOENT || errno == ENOTDIR) ? "no such file" : std::strerror(errno);
    }
    if (S_ISDIR(st.st_mode)) return "it is a folder";
    if (!S_ISREG(st.st_mode)) return "not a regular file";
    if (st.st_size == 0) return "the file is empty";
    if (::access(path.c_str(), R_OK) != 0) return std::string("cannot read it (") + std::strerror(errno) + ")";
    return {};
}

// Why a probed file cannot be extracted from; empty when it is a usable video.
std::string ProbeProblem(int probeResult, const VideoInfo& info) {
    if (probeResult == 1) return "ffprobe cannot read it (not a media file?)";
    if (probeResult != 0) return "it has no video stream";
    if (info.frame_num <= 0) return "its video stream holds no frames";
    if (info.fps <= 0) return "its video stream has no usable frame rate";
    return {};
}

// Runs work on a helper thread while the main thread serves the stop signals: a signal becomes the
// engine's stop request, which every reader loop of the runner checks.
template <class Work>
void RunServingStop(CTarneloProcess& engine, Work&& work) {
    std::atomic<bool> done{false};
    std::thread worker([&] {
        work();
        done = true;
        WakeMainThread();
    });
    while (!done.load()) {
        if (StopRequested()) engine.RequestCancel(true);
        WaitForWake(kWaitSliceMs);
    }
    worker.join();
    engine.RequestCancel(false);
}

// PrepareInput waits on the calling thread and pumps through the sink meanwhile; the pump turns a stop
// signal into the stop request.
int PrepareServingStop(CTarneloProcess& engine, CliSink& sink) {
    sink.SetPumpHook([&engine] {
        if (StopRequested()) engine.RequestCancel(true);
    });
    sink.ResetJob();
    const int result = engine.PrepareInput(false);
    sink.SetPumpHook(nullptr);
    engine.RequestCancel(false);
    return result;
}

// Starts a job and waits for it; a stop signal calls CancelProcess as the stop button does.
int RunJob(CTarneloProcess& engine, CliSink& sink, int id) {
    sink.ResetJob();
    sink.SetFinishHook(WakeMainThread);
    if (!engine.StartJob(id)) {
        sink.SetFinishHook(nullptr);
        return -1;
    }
    bool cancelled = false;
    while (!sink.JobFinished()) {
        if (StopRequested() && !cancelled) {
            cancelled = true;
            sink.EndBar();
            sink.PrintLine("tarnelo-cli: stopping...");
            engine.CancelProcess();
            continue;
        }
        WaitForWake(kWaitSliceMs);
    }
    engine.JoinJobThread();
    sink.SetFinishHook(nullptr);
    return sink.JobResult();
}

// What a folder held before preparation, so that a failed preparation can take back what it made.
struct FolderSnapshot {
    fs::path folder;
    fs::path firstCreated;  // the top folder this run will have to create; empty when the folder exists
    std::set<std::string> names;
};

FolderSnapshot TakeSnapshot(const std::string& folderText) {
    FolderSnapshot snapshot;
    snapshot.folder = SetTrailingSeparator(folderText, false);
    std::error_code ec;
    for (fs::path p = snapshot.folder; !p.empty() && !fs::exists(p, ec); p = p.parent_path()) {
        snapshot.firstCreated = p;
        if (p == p.parent_path()) break;
    }
    if (snapshot.firstCreated.empty()) {
        for (auto it = fs::directory_iterator(snapshot.folder, ec); !ec && it != fs::directory_iterator();
             it.increment(ec)) {
            snapshot.names.insert(it->path().filename().string());
        }
    }
    return snapshot;
}

// Removes the files a failed preparation made (new regular files named after the input, e.g. a half
// written working copy that a later run would otherwise reuse) and the folders this run created when
// they are empty afterwards. Nothing that was there before is touched.
void UndoPreparation(const FolderSnapshot& before, const std::string& inputName) {
    const std::string stem = ReplaceExtension(inputName, "");
    std::error_code ec;
    std::vector<fs::path> made;
    for (auto it = fs::directory_iterator(before.folder, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (before.names.count(name) || name.compare(0, stem.size(), stem) != 0) continue;
        if (it->is_regular_file(ec) && !it->is_symlink(ec)) made.push_back(it->path());
    }
    for (const fs::path& file : made) fs::remove(file, ec);
    if (before.firstCreated.empty()) return;
    for (fs::path p = before.folder;; p = p.parent_path()) {
        if (!fs::is_directory(p, ec) || !fs::is_empty(p, ec) || !fs::remove(p, ec)) break;
        if (p == before.firstCreated || p == p.parent_path()) break;
    }
}

// The probe and the input preparation shared by extract and segments. Returns -1 when the input is
// ready, else the exit status.
int PrepareProjectInput(CTarneloProcess& engine, CTarneloData& data, CliSink& sink, const std::string& shown) {
    VideoInfo probed;
    int probe = 0;
    RunServingStop(engine, [&] { probe = engine.GetVideoInfoFfprobe(data.input_file, probed); });
    if (StopRequested()) return Stopped(sink, "");
    if (const std::string why = ProbeProblem(probe, probed); !why.empty()) {
        return Fail(sink, "cannot open " + Quoted(shown) + ": " + why);
    }
    // Preparation probes the input again; the frame count is kept so that a container without one is not
    // decoded twice to count it.
    data.m_sourceInfo = probed;

    std::error_code ec;
    if (fs::exists(SetTrailingSeparator(data.output_folder, false), ec) &&
        !fs::is_directory(SetTrailingSeparator(data.output_folder, false), ec)) {
        return Fail(sink, "the output folder " + Quoted(data.output_folder) + " is a file");
    }

    const FolderSnapshot before = TakeSnapshot(data.output_folder);
    const int prepared = PrepareServingStop(engine, sink);
    if (prepared == 0 && !StopRequested()) return -1;
    if (prepared != 0) UndoPreparation(before, FileNamePart(data.input_file));
    if (StopRequested()) return Stopped(sink, "nothing was extracted");
    const std::string failure = sink.LastFailure();
    return Fail(sink, "preparing " + Quoted(shown) +
                          " failed: " + (failure.empty() ? "result " + std::to_string(prepared) : failure));
}

int CountSegmentFiles(const CTarneloData& data) {
    int count = 0;
    std::error_code ec;
    for (const SceneEntry& scene : data.diff_list) {
        if (!scene.fileName.empty() && fs::is_regular_file(scene.fileName, ec)) ++count;
    }
    return count;
}

void WriteStdout(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

// After a scene job: save the project, print the table, and turn the outcome into the exit status.
int FinishSceneJob(CTarneloData& data, CliSink& sink, int result, const char* what) {
    sink.EndBar();
    const bool saved = data.SaveProject(data.project_file);
    WriteStdout(FormatSceneTable(data));
    if (saved) {
        sink.PrintLine("Project file: " + data.project_file);
        sink.PrintLine(FormatC("Scenes: %zu; segment files: %d in %s", data.diff_list.size(), CountSegmentFiles(data),
                               data.output_folder.c_str()));
    }
    if (StopRequested()) return Stopped(sink, saved ? "the scenes found so far are saved" : "");
    if (!saved) return Fail(sink, "cannot write the project file " + Quoted(data.project_file));
    if (result == -2) {
        return Fail(sink, std::string(what) + " stopped at the limit of 999 scenes; the scenes found are saved");
    }
    if (result != 0) {
        const std::string failure = sink.LastFailure();
        return Fail(sink,
                    std::string(what) + " failed: " + (failure.empty() ? FormatC("ExitCode(%d)", result) : failure));
    }
    return kExitSuccess;
}

}  // namespace

int RunExtract(const Options& o, CliSink& sink, bool japanese) {
    ExtractPaths paths;
    paths.input = Absolute(o.target);
    if (const std::string why = FileProblem(paths.input); !why.empty()) {
        return Fail(sink, "cannot open " + Quoted(o.target) + ": " + why);
    }
    if (!o.outputFolder.empty()) paths.outputFolder = Absolute(o.outputFolder);
    if (!o.projectFile.empty()) paths.projectFile = Absolute(o.projectFile);

    const bool cudaPresent = o.cuda && platform::HasCudaDevice();
    CTarneloData data(cudaPresent);
    for (const std::string& warning : SetUpExtractProject(data, o, paths, cudaPresent)) Warn(sink, warning);

    // A run may take long; find out first that its project can be saved where it is meant to go.
    std::error_code ec;
    const std::string projectFolder = FolderPart(data.project_file);
    if (!fs::is_directory(projectFolder.empty() ? "." : projectFolder, ec)) {
        return Fail(sink, "cannot write the project file " + Quoted(data.project_file) + ": no such folder");
    }
    if (fs::is_directory(data.project_file, ec)) {
        return Fail(sink, "cannot write the project file " + Quoted(data.project_file) + ": it is a folder");
    }

    CTarneloProcess engine(&sink, &data, japanese);
    if (const int status = PrepareProjectInput(engine, data, sink, o.target); status >= 0) return status;

    // As the extract button: the list starts empty and the segment files of an earlier run go.
    data.diff_list.clear();
    data.list_idx = -1;
    DeleteFiles(SegmentFilePattern(data));
    if (o.noCut) engine.m_cutSegments = false;
    engine.m_previewStills = false;  // no preview pane to show a still in

    const int result = RunJob(engine, sink, kJobSceneExtract);
    if (result == -1 && !sink.JobFinished()) return Fail(sink, "the engine is busy");
    return FinishSceneJob(data, sink, result, "extraction");
}

int RunSegments(const Options& o, CliSink& sink, bool japanese) {
    const std::string path = Absolute(o.target);
    if (const std::string why = FileProblem(path); !why.empty()) {
        return Fail(sink, "cannot open " + Quoted(o.target) + ": " + why);
    }
    CTarneloData data(false);
    data.ResetAll(false);
    if (!data.LoadProject(path)) return Fail(sink, "cannot read " + Quoted(o.target) + ": not a project file");
    // The project may come from a machine with a CUDA device.
    if (data.use_cuda && !platform::HasCudaDevice()) {
        Warn(sink, "the project asks for CUDA but no CUDA device was found; encoding without CUDA");
        data.use_cuda = false;
    }
    if (data.input_file.empty()) return Fail(sink, "the project " + Quoted(o.target) + " names no input video");
    if (const std::string why = FileProblem(data.input_file); !why.empty()) {
        return Fail(sink, "cannot open the project's input " + Quoted(data.input_file) + ": " + why);
    }

    CTarneloProcess engine(&sink, &data, japanese);
    if (const int status = PrepareProjectInput(engine, data, sink, data.input_file); status >= 0) return status;

    const int result = RunJob(engine, sink, kJobSegmentOutput);
    if (result == -1 && !sink.JobFinished()) return Fail(sink, "the engine is busy");
    return FinishSceneJob(data, sink, result, "segment output");
}

int RunProbe(const Options& o, CliSink& sink, bool japanese) {
    if (const std::string why = FileProblem(o.target); !why.empty()) {
        return Fail(sink, "cannot open " + Quoted(o.target) + ": " + why);
    }
    CTarneloData data(false);
    data.ResetAll(false);
    CTarneloProcess engine(&sink, &data, japanese);
    std::string text;
    bool failed = false;
    RunServingStop(engine, [&] { failed = engine.GetFfprobeReport(o.target, text, o.probeKind); });
    if (StopRequested()) return Stopped(sink, "");
    if (failed) return Fail(sink, "ffprobe cannot read " + Quoted(o.target));
    if (!text.empty() && text.back() != '\n') text += '\n';
    WriteStdout(text);
    return kExitSuccess;
}

}  // namespace cli
