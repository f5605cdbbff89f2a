// Commands on a single file: probe and play.
#include <cstdlib>

#include "cli/CliCommands.h"
#include "cli/CliRunner.h"
#include "engine/TarneloProcess.h"
#include "engine/jobs/JobTables.h"
#include "project/TarneloData.h"

namespace cli {
namespace {

// ffplay needs a window system unless SDL is told to do without one.
bool NoDisplay() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"}) {
        const char* value = std::getenv(name);
        if (value && *value) return false;
    }
    return true;
}

// What play plays: a job id and the file it will play.
struct PlayChoice {
    int job = kJobInputPreview;
    std::string file;
};

// A scene, the merged output or the input of a project. Returns -1 when chosen, else the exit status.
int ChooseProjectPlay(CTarneloProcess& engine, CTarneloData& data, const Options& o, CliSink& sink,
                      PlayChoice& choice) {
    if (o.scene) {
        const int count = data.diff_list.Size();
        if (*o.scene > count) {
            return Fail(sink, FormatC("the project has %d scene%s; there is no scene %d", count, count == 1 ? "" : "s",
                                      *o.scene));
        }
        // The scene preview starts at the selected scene.
        data.list_idx = *o.scene - 1;
        choice = {kJobScenePreview, data.diff_list.At(data.list_idx).value_or(SceneEntry()).fileName};
        if (const std::string why = FileProblem(choice.file); !why.empty()) {
            return Fail(sink,
                        FormatC("scene %d has no segment file to play (%s: %s); 'tarnelo-cli segments %s' cuts it",
                                *o.scene, Quoted(choice.file).c_str(), why.c_str(), o.target.c_str()));
        }
        return -1;
    }
    // A project's result is its merged output; before there is one, its input.
    const std::string output = data.GetOutputPath();
    if (!output.empty() && FileProblem(output).empty()) {
        choice = {kJobOutputPreview, output};
        return -1;
    }
    choice = {kJobInputPreview, engine.WorkingInput()};
    if (const std::string why = FileProblem(choice.file); !why.empty()) {
        return Fail(sink, "the project has no merged output yet, and its input " + Quoted(choice.file) +
                              " cannot be played: " + why);
    }
    return -1;
}

}  // namespace

int RunProbe(const Options& o, CliSink& sink, bool japanese) {
    if (const std::string why = FileProblem(o.target); !why.empty()) {
        return Fail(sink, "cannot open " + Quoted(o.target) + ": " + why);
    }
    CTarneloData data(false);
    data.ResetAll(false);
    CTarneloProcess engine(&sink, &data, japanese);
    engine.SetOptions({.previewStills = false});
    std::string text;
    bool failed = false;
    RunServingStop(engine, [&] { failed = engine.GetFfprobeReport(o.target, text, o.probeKind); });
    if (StopRequested()) return Stopped(sink, "");
    if (failed) return Fail(sink, "ffprobe cannot read " + Quoted(o.target));
    if (!text.empty() && text.back() != '\n') text += '\n';
    WriteStdout(text);
    return kExitSuccess;
}

int RunPlay(const Options& o, CliSink& sink, bool japanese) {
    CTarneloData data(false);
    data.ResetAll(false);
    const bool project = IsProjectPath(o.target);
    if (project) {
        if (const int status = LoadSavedProject(data, o.target, sink, false); status >= 0) return status;
    } else {
        data.input_file = Absolute(o.target);
        if (const std::string why = FileProblem(data.input_file); !why.empty()) {
            return Fail(sink, "cannot open " + Quoted(o.target) + ": " + why);
        }
    }
    // One play: loop play would go on until Ctrl+C, and continuous play would run past the scene asked for.
    data.play_loop = false;
    data.play_scene_loop = false;

    CTarneloProcess engine(&sink, &data, japanese);
    engine.SetOptions({.previewStills = false});
    PlayChoice choice{kJobInputPreview, data.input_file};
    if (project) {
        if (const int status = ChooseProjectPlay(engine, data, o, sink, choice); status >= 0) return status;
    }

    sink.ShowPlayPositions(true);
    const int result = RunJob(engine, sink, choice.job);
    sink.ShowPlayPositions(false);
    if (result == -1 && !sink.JobFinished()) return Fail(sink, "the engine is busy");
    sink.EndBar();
    if (StopRequested()) return Stopped(sink, "");
    if (result != 0) {
        const std::string hint = NoDisplay() ? " (no display found: ffplay needs one, or SDL_VIDEODRIVER=dummy)" : "";
        return Fail(sink, "playing " + Quoted(choice.file) + " failed: " + JobFailure(sink, result) + hint);
    }
    sink.PrintLine("Played " + choice.file);
    return kExitSuccess;
}

}  // namespace cli
