#include "engine/preparation/InputPreparation.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>

#include "engine/jobs/JobContext.h"
#include "engine/jobs/JobTables.h"
#include "engine/probe/ProbeParsing.h"
#include "engine/tools/EncoderPreset.h"
#include "engine/tools/PumpWait.h"
#include "log/AppLog.h"
#include "platform/AtomicFile.h"
#include "platform/Path.h"
#include "platform/Process.h"
#include "project/TarneloData.h"

namespace {

// Every this many generated frame times one progress message goes out.
constexpr int kPtsProgressStep = 100;

constexpr const char* kWorkingCopySuffixes[2][3] = {
    {"_input_ch.mp4", "_input_cs.mp4", "_input_cl.mp4"},
    {"_input_gh.mp4", "_input_gs.mp4", "_input_gl.mp4"},
};

std::string OutputFolderPath(const CTarneloData& data) { return SetTrailingSeparator(data.output_folder, false); }

}  // namespace

double ComputeTransitionDuration(double fps) {
    if (!(fps > 0)) return 0;
    long frames = std::lround(fps * 0.5);
    frames -= frames % 2;
    const double seconds = static_cast<double>(frames) / fps;
    return static_cast<int>(100 * seconds + 0.5) / 100.0;
}

const char* WorkingCopySuffix(bool cuda, int quality) {
    return kWorkingCopySuffixes[cuda ? 1 : 0][std::clamp(quality, 0, 2)];
}

std::string MediaFileStem(const std::string& path) {
    const std::string name = FileNamePart(path);
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string WorkingCopyPath(const CTarneloData& data, const std::string& input) {
    return data.output_folder + MediaFileStem(input) + WorkingCopySuffix(data.use_cuda, data.quality);
}

std::string DerivedPtsFilePath(const CTarneloData& data) {
    return data.output_folder + MediaFileStem(data.input_file) + kPtsFileSuffix;
}

bool NeedsWorkingCopy(const std::string& fieldOrder, const std::string& input) {
    return !(fieldOrder == "progressive" && IsMp4File(input));
}

std::string ConvertToMp4Command(const std::string& prefix, const std::string& input, const std::string& encoder,
                                int gop, const std::string& rate, bool deinterlace, const std::string& output,
                                bool eachFrameOnce) {
    return prefix + FormatC(
                        "-i \"%s\" -c:v %s -g %d -keyint_min 1 %s -c:a aac -b:a 192k "
                        "-vf \"%ssetpts=PTS-STARTPTS\" -af \"asetpts=PTS-STARTPTS\" -movflags +faststart \"%s\"",
                        platform::EscapeQuotedArgument(input).c_str(), encoder.c_str(), gop,
                        FrameTimingOption(rate, eachFrameOnce).c_str(), deinterlace ? "yadif=1," : "",
                        platform::EscapeQuotedArgument(output).c_str());
}

std::vector<std::string> GeneratePtsTexts(int frameCount, double fps, double origin) {
    std::vector<std::string> texts;
    if (!(fps > 0) || frameCount < 0) return texts;
    const double interval = 1 / fps;
    texts.reserve(static_cast<size_t>(frameCount) + 1);
    for (int i = 0; i <= frameCount; ++i) texts.push_back(FormatC("%.6f", origin + i * interval));
    return texts;
}

std::string PartialFilePath(const std::string& path) {
    const size_t slash = path.rfind(kPathSep);
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path + ".part";
    return path.substr(0, dot) + ".part" + path.substr(dot);
}

bool NeedsFrameTimeList(const VideoInfo& source) { return !IsWholeFileConstantRate(source) || source.start_offset > 0; }

int OpenedPlayPosition(int position, int frameCount) { return position < 1 ? 0 : std::min(position + 1, frameCount); }

int JobContext::PrepareInput(bool openOutput) {
    const int previousId = nProcessID.exchange(kJobPrepareInput);
    SendJobStart(kJobKindFileAnalysis, -1);

    std::atomic<bool> busy{true};
    // The pump sleeps between rounds, but wakes as soon as the preparation is over.
    std::mutex doneMutex;
    std::condition_variable done;
    int result = -1;
    auto body = [this, openOutput, previousId, &busy, &result, &doneMutex, &done] {
        CTarneloData& data = *m_data;
        int r = OpenMediaFile(data.input_file, false);
        if (r == 0 && data.m_detectClock) {
            // The input as chosen: a working copy has another name and a creation time of its own.
            data.clock_start = DetectRecordingClock(data.m_inputFileInfo.creation_time, data.input_file);
            data.m_detectClock = false;
            AppLog().Log("%s(%d) clock_start(%s)\n", "CTarneloProcess::PrepareInput", __LINE__,
                         ClockText(data.clock_start, 0).c_str());
        }
        if (r == 0) {
            SnapFrameRate(data.m_currentInfo, true);
            r = UseWorkingCopy();
        }
        if (r == 0 && !data.input_mp4_file.empty()) {
            r = ProbeCurrentFile(data.input_mp4_file);
            // A damaged header (a time scale of 2^31, say) can give a copy without frames.
            if (r != 0) SendState(kJobStateFailed, "its converted copy holds no readable video (the file is damaged)");
            if (r == 0) {
                const int frames = data.m_currentInfo.frame_num;
                Send(WM_APP_MEDIA_OPENED, 0, frames);
                Send(WM_APP_PLAY_POSITION, static_cast<WParam>(OpenedPlayPosition(CurrentPlayFrame(), frames)), frames);
            }
        }
        if (r == 0 && (m_options.buildTimeList || NeedsFrameTimeList(data.m_sourceInfo))) {
            r = BuildPtsList(WorkingInput());
        }
        if (r == 0) {
            data.TransitionDuration = ComputeTransitionDuration(data.m_currentInfo.fps);
            if (TabWindow* tab = m_mainWindow ? m_mainWindow->ActiveTab() : nullptr) tab->RefreshList(openOutput);
            // A missing selection or a failed cut was already reported; the input itself is ready.
            const int segment = OutputSelectedSegment();
            if (segment != 0) {
                AppLog().Log("%s(%d) OutputSelectedSegment(%d)\n", "CTarneloProcess::PrepareInput", __LINE__, segment);
            }
            const std::string output = data.GetOutputPath();
            const std::string target =
                openOutput && !output.empty() && platform::FileExists(output) ? output : WorkingInput();
            // nProcessID holds our own id now; the command that was running before decides.
            if (!IsPreviewJobId(previousId)) {
                if (target != m_currentPreviewFile) {
                    SetCurrentPlay(0, "0");
                    r = OpenMediaFile(target, false);
                }
                if (r == 0) SetPreviewImage(target, CurrentPlayTime(), false, -1);
            }
        }
        SendState(r == 0 ? kJobStateDone : r == -2 ? kJobStateStopped : kJobStateFailed);
        result = r;
        {
            std::lock_guard<std::mutex> lock(doneMutex);
            busy = false;
        }
        done.notify_all();
    };

    std::thread worker;
    try {
        worker = std::thread(body);
    } catch (const std::system_error& e) {
        AppLog().Log("%s(%d) thread start failed (%s)\n", "CTarneloProcess::PrepareInput", __LINE__, e.what());
        SendState(kJobStateFailed);
        nProcessID = previousId;
        return -1;
    }
    const auto working = [&busy] { return busy.load(); };
    const auto waitRound = [&] {
        std::unique_lock<std::mutex> lock(doneMutex);
        done.wait_for(lock, kPumpInterval, [&busy] { return !busy.load(); });
    };
    PumpWhile(m_mainWindow, working, waitRound);
    worker.join();
    nProcessID = previousId;
    return result;
}

int JobContext::UseWorkingCopy() {
    CTarneloData& data = *m_data;
    if (!NeedsWorkingCopy(data.m_sourceInfo.field_order, data.input_file)) {
        data.input_mp4_file.clear();
        return 0;
    }
    const std::string copy = WorkingCopyPath(data, data.input_file);
    if (!platform::FileExists(copy)) {
        // A copy at the input's rate would repeat and drop frames of a recording whose rate changes; fields
        // made into frames do come at a rate.
        const bool deinterlace = data.m_sourceInfo.field_order != "progressive";
        const bool eachFrameOnce =
            !deinterlace && !HasSteadyFrameRate(data.input_file, data.m_currentInfo.fps) && !CancelRequested();
        const int result = ConvertInputToMp4(data.input_file, copy, deinterlace, eachFrameOnce);
        if (result != 0) return result;
    }
    data.input_mp4_file = copy;
    return 0;
}

int JobContext::ConvertInputToMp4(const std::string& input, const std::string& output, bool deinterlace,
                                  bool eachFrameOnce) {
    const VideoInfo& current = m_data->m_currentInfo;
    SendJobStart(kJobKindChangeMp4, current.frame_num);
    platform::MakeFolders(SetTrailingSeparator(FolderPart(output), false));

    // ffmpeg writes beside the copy and the copy appears only when complete: an existing copy is reused
    // without a look inside, so a half-written one must never carry its name.
    const std::string partial = PartialFilePath(output);
    const std::string command =
        ConvertToMp4Command(FfmpegPrefix(), input, EncoderPreset(m_data->use_cuda, m_data->quality),
                            GopLength(current.fps), current.r_frame_rate, deinterlace, partial, eachFrameOnce);
    int result = ExecuteCmdWithProgress(false, command, current.frame_num, 0);
    if (result == 0 && std::rename(partial.c_str(), output.c_str()) != 0) {
        AppLog().Log("%s(%d) rename failed %s -> %s\n", "CTarneloProcess::ConvertInputToMp4", __LINE__, partial.c_str(),
                     output.c_str());
        SendState(kJobStateFailed, "rename failed");
        result = -1;
    }
    if (result != 0) {
        std::remove(partial.c_str());
        return result;
    }
    SendState(kJobStateDone);
    return 0;
}

int JobContext::BuildPtsList(const std::string& input) {
    CTarneloData& data = *m_data;
    const int frames = data.m_sourceInfo.frame_num;
    if (data.pts_file.empty()) data.pts_file = DerivedPtsFilePath(data);
    if (platform::FileExists(data.pts_file) && data.pts_list.size() == static_cast<size_t>(frames) + 1) return 0;

    SendJobStart(kJobKindFrameRateAnalysis, frames);
    data.SetPtsList({});

    std::vector<std::string> texts;
    std::vector<double> times;
    int result = 0;
    // The first frames alone do not prove a rate: a recording may change it later, which the stream's length
    // then shows. Only a proven rate spares the listing of every frame.
    bool generate = IsWholeFileConstantRate(data.m_sourceInfo) && CheckPtsDeltaFromFirstFrames(input);
    if (!generate) {
        result = GetPtsListFromFfprobe(input, texts, times, true);
        generate = result == -1;
    }
    if (generate) {
        texts = GeneratePtsTexts(frames, data.m_sourceInfo.fps, data.m_sourceInfo.start_offset);
        times.clear();
        times.reserve(texts.size());
        for (size_t i = 0; i < texts.size(); ++i) {
            times.push_back(ParseDouble(texts[i]));
            if (i % kPtsProgressStep == 0) {
                Post(WM_APP_JOB_PROGRESS, static_cast<WParam>(frames), static_cast<LParam>(i));
            }
        }
        result = texts.empty() ? -1 : 0;
    }
    if (result == 0) {
        data.SetPtsList(std::move(times));
        platform::MakeFolders(OutputFolderPath(data));
        std::string csv;
        for (const std::string& text : texts) csv.append(text).push_back('\n');
        if (!platform::WriteFileAtomically(data.pts_file, csv)) {
            AppLog().Log("%s(%d) cannot write %s\n", "CTarneloProcess::BuildPtsList", __LINE__, data.pts_file.c_str());
        }
    }
    SendResultState(result);
    return result;
}
