#include "cli/CliRunner.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>
#include <vector>

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

}  // namespace

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

void WriteStdout(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

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

std::string ProbeProblem(int probeResult, const VideoInfo& info) {
    if (probeResult == 1) return "ffprobe cannot read it (not a media file?)";
    if (probeResult != 0) return "it has no video stream";
    if (info.frame_num <= 0) return "its video stream holds no frames";
    if (info.fps <= 0) return "its video stream has no usable frame rate";
    return {};
}

std::string WriteProblem(const std::string& path) {
    std::error_code ec;
    const std::string folder = FolderPart(path);
    if (!fs::is_directory(folder.empty() ? "." : folder, ec)) return "no such folder";
    if (fs::is_directory(path, ec)) return "it is a folder";
    if (!NameFits(path)) return "its name is longer than 255 bytes";
    return {};
}

std::string SaveProjectFile(CTarneloData& data) {
    errno = 0;
    if (ProjectSession(data).Save()) return {};
    const int error = errno;
    std::string text = "cannot write the project file " + Quoted(data.project_file);
    if (error != 0) text += std::string(": ") + std::strerror(error);
    return text;
}

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

std::string JobFailure(const CliSink& sink, int result, const char* item) {
    const std::string failure = sink.LastFailure();
    if (failure.empty()) return FormatC("ExitCode(%d)", result);
    int number = 0;
    char end = 0;
    if (std::sscanf(failure.c_str(), "SceneTooShort(%d%c", &number, &end) == 2 && end == ')') {
        return failure +
               FormatC(": %s %d is shorter than a cross-fade; join without --transition or leave it out", item, number);
    }
    return failure;
}

int LoadSavedProject(CTarneloData& data, const std::string& given, CliSink& sink, bool needInput) {
    const std::string path = Absolute(given);
    if (const std::string why = FileProblem(path); !why.empty()) {
        return Fail(sink, "cannot open " + Quoted(given) + ": " + why);
    }
    if (ProjectSession(data).Load(path, true) != ProjectSession::kOpened) {
        return Fail(sink, "cannot read " + Quoted(given) + ": not a project file");
    }
    // The project may come from a machine with a CUDA device.
    if (data.use_cuda && !platform::HasCudaDevice()) {
        Warn(sink, "the project asks for CUDA but no CUDA device was found; encoding without CUDA");
        data.use_cuda = false;
    }
    if (!needInput) return -1;
    if (data.input_file.empty()) return Fail(sink, "the project " + Quoted(given) + " names no input video");
    if (const std::string why = FileProblem(data.input_file); !why.empty()) {
        return Fail(sink, "cannot open the project's input " + Quoted(data.input_file) + ": " + why);
    }
    return -1;
}

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
    if (StopRequested()) return Stopped(sink, "nothing was done");
    return Fail(sink, "preparing " + Quoted(shown) + " failed: " + JobFailure(sink, prepared));
}

FileStamp StampOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return {};
    return {true, static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec,
            static_cast<long long>(st.st_size)};
}

bool SameFile(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) return false;
    std::error_code ec;
    if (fs::equivalent(a, b, ec)) return true;
    const fs::path x = fs::weakly_canonical(fs::absolute(a, ec), ec);
    const fs::path y = fs::weakly_canonical(fs::absolute(b, ec), ec);
    return !ec && x == y;
}

std::string OutputProblem(const CTarneloData& data, const std::string& projectGiven, const std::string& output) {
    const struct {
        std::string path;
        const char* what;
    } kept[] = {{projectGiven, "the project file"},
                {data.project_file, "the project file"},
                {data.input_file, "the project's input video"},
                {data.input_mp4_file, "the project's working copy of its input"},
                {ProjectMotionRecordPath(data), "the motion record"}};
    for (const auto& file : kept) {
        if (SameFile(output, file.path)) return "it is " + std::string(file.what);
    }
    return WriteProblem(output);
}

}  // namespace cli
