#include "engine/merge/MergeRun.h"

#include <unistd.h>

#include <cstdio>
#include <mutex>

#include "engine/jobs/JobContext.h"
#include "engine/jobs/JobTables.h"
#include "engine/merge/EffectsFilter.h"
#include "engine/tools/EncoderPreset.h"
#include "engine/tools/TaskLimiter.h"
#include "log/AppLog.h"
#include "platform/Path.h"
#include "platform/Process.h"
#include "project/TarneloData.h"

bool MuxerStoresPcmInMp4() {
    static std::once_flag once;
    static bool supported = true;
    std::call_once(once, [] {
        const std::string probe =
            platform::TempFolder() + FormatC("tarnelo_pcm_probe_%ld.mp4", static_cast<long>(::getpid()));
        platform::ChildProcess child;
        const std::string command =
            FormatC("ffmpeg -y -v error -f lavfi -i anullsrc=r=48000:cl=mono -t 0.05 -c:a pcm_s16le -f mp4 \"%s\"",
                    platform::EscapeQuotedArgument(probe).c_str());
        if (child.StartCommandLine(command) == 0) {
            char buffer[512];
            while (child.Read(buffer, sizeof buffer) > 0) {
            }
            supported = child.Wait() == 0;
            child.CloseJob();
        }
        std::remove(probe.c_str());
        AppLog().Log("%s(%d) pcm_s16le in mp4: %d\n", "MuxerStoresPcmInMp4", __LINE__, supported ? 1 : 0);
    });
    return supported;
}

int EndJobStopped(JobContext& engine) {
    engine.SendState(kJobStateStopped);
    return -2;
}

int StartFinalStage(JobContext& engine, const std::vector<double>& durations, const std::vector<int>& positions,
                    double transition, const std::string& firstFile) {
    const int shortEntry = FirstEntryShorterThanTransition(durations, transition);
    if (shortEntry >= 0) {
        engine.SendState(kJobStateFailed, FormatC("SceneTooShort(%d)", positions[static_cast<size_t>(shortEntry)] + 1));
        return -1;
    }
    engine.SendJobStart(kJobKindFinalMerge, -1);
    const int result = engine.ProbeCurrentFile(firstFile);
    return result != 0 ? EndJobFailed(engine, result, false) : 0;
}

MergeEncodeArgs CurrentEncodeArgs(JobContext& engine, const std::string& rate) {
    const CTarneloData& data = *engine.Data();
    MergeEncodeArgs args;
    args.prefix = engine.FfmpegPrefix();
    args.encoder = EncoderPreset(data.use_cuda, data.quality);
    args.gop = GopLength(data.m_currentInfo.fps);
    args.rate = rate;
    return args;
}

int EndJobFailed(JobContext& engine, int result, bool shown) {
    if (result == -2 || engine.CancelRequested()) return EndJobStopped(engine);
    if (!shown) engine.SendResultState(result);
    return result;
}

FixOutcome RunMergePrecheck(JobContext& engine, int count, const std::function<FixCheck(int)>& check,
                            const std::function<int(int)>& fix, const char* function, const char* fixName) {
    ParallelFixSteps steps;
    steps.check = check;
    steps.fix = fix;
    steps.progress = [&engine, count](int shown) {
        engine.Post(WM_APP_JOB_PROGRESS, static_cast<WParam>(count), shown);
    };
    steps.waiting = [&engine] { engine.SendState(kJobStateWaiting); };
    steps.stopRequested = [&engine] { return engine.CancelRequested(); };
    const FixOutcome outcome = FixInParallel(count, TaskLimiterMaximum(engine.Data()->use_cuda), steps);
    if (outcome.failed >= 0) {
        engine.LogCmdResult(function, __LINE__, FormatC("%s(%d)", fixName, outcome.failed), outcome.result);
        engine.SendResultState(outcome.result);
    }
    return outcome;
}

int RunBatchMergeCommands(JobContext& engine, const std::vector<BatchCommand>& commands, int progressTotal,
                          const MergeFiles& files) {
    for (const BatchCommand& command : commands) {
        if (engine.CancelRequested()) {
            DeleteMergeIntermediates(files);
            return EndJobStopped(engine);
        }
        const int result = engine.ExecuteCmdWithProgress(false, command.command, progressTotal, command.offset);
        if (result != 0) {
            DeleteMergeIntermediates(files);
            return EndJobFailed(engine, result, true);
        }
    }
    return 0;
}

int FinishMergedOutput(JobContext& engine, const MergeFiles& files, const MergeEncodeArgs& args,
                       const std::string& output, int finalFrames, const char* function, bool withChapters) {
    const auto cleanUp = [&] {
        DeleteMergeIntermediates(files);
        if (withChapters) std::remove(files.chapters.c_str());
    };
    if (engine.CancelRequested()) {
        cleanUp();
        return EndJobStopped(engine);
    }
    const std::string chain = engine.BuildEffectsFilter(true, false, false, false, -1);
    if (!LastFilterError().empty()) {
        const std::string reason = LastFilterError();
        cleanUp();
        engine.SendState(kJobStateFailed, reason);
        return -1;
    }
    engine.SendJobStart(kJobKindFinalMerge, finalFrames);
    const std::string command =
        FinalEncodeCommand(args, files.merged, chain, output, withChapters ? files.chapters : std::string());
    const int result = engine.ExecuteCmdWithProgress(false, command, finalFrames, 0);
    cleanUp();
    if (result != 0) {
        // Only a file is removed: an output path that names a folder is the user's.
        if (platform::FileExists(output)) std::remove(output.c_str());
        return EndJobFailed(engine, result, true);
    }

    engine.SendState(kJobStateDone);
    engine.SetLastPreviewKind(kJobOutputPreview);
    if (!IsPreviewJobId(engine.Status().jobId)) {
        int shown = 0;
        if (output != engine.CurrentPreviewFile()) {
            engine.SetCurrentPlay(0, "0");
            shown = engine.OpenMediaFile(output, false);
        }
        if (shown == 0) {
            engine.SetPreviewImage(output, engine.CurrentPlayTime(), false, -1);
        } else {
            AppLog().Log("%s(%d) OpenMediaFile(%d) %s\n", function, __LINE__, shown, output.c_str());
        }
    }
    return 0;
}
