#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/jobs/JobContext.h"
#include "engine/probe/ProbeParsing.h"
#include "log/AppLog.h"
#include "platform/Process.h"
#include "project/TarneloData.h"

namespace {

constexpr unsigned long kPtsChunkSize = 4095;
// The decoder writes 1 MiB blocks; reading as much at once keeps the count loop cheap.
constexpr unsigned long kFrameReadSize = 1048576;
// The constant-rate check looks at the first frames only; the listing stops once more than these came.
constexpr size_t kFirstFramesLimit = 100;

}  // namespace

std::string JobContext::FfmpegPrefix() const {
    return (m_data && m_data->use_cuda) ? "ffmpeg -y -hwaccel cuda " : "ffmpeg -y ";
}

int JobContext::GetVideoInfoFfprobe(const std::string& path, VideoInfo& info) {
    info = VideoInfo{};
    std::string report;
    const std::optional<ProbeCache::Stamp> stamp = ProbeCache::StampOf(path);
    if (std::optional<std::string> cached = stamp ? m_probeCache.Find(path, *stamp) : std::nullopt) {
        report = std::move(*cached);
    } else {
        const int run = ExecuteCmd(ProbeCommand(kVideoInfoReportKind, path), &report);
        // A probe stopped on request is a stop for every caller, not an unreadable file.
        if (run == -2) return -2;
        if (run != 0) return 1;
        if (stamp) m_probeCache.Store(path, *stamp, report);
    }

    bool frameCountMissing = false;
    if (ParseVideoInfoJson(report, info, frameCountMissing) != 0) return -1;

    const bool isInputFile = path == m_data->input_file;
    if (frameCountMissing) {
        // Counting by decoding takes as long as reading the file; the input's count is known already.
        if (isInputFile && m_data->m_sourceInfo.frame_num > 0) {
            info.frame_num = m_data->m_sourceInfo.frame_num;
        } else {
            info.frame_num = GetNbFrame(path, info);
        }
    }
    SnapFrameRate(info, !isInputFile);

    AppLog().Log(
        "%s(%d) filename:\"%s\", r_frame_rate:\"%s\", width:%d, height:%d, frame_rate:%.6f, nb_frames:%d, "
        "rotation:%d, start_frame:%d, field_order:%s\n",
        "CTarneloProcess::GetVideoInfoFfprobe", __LINE__, path.c_str(), info.r_frame_rate.c_str(), info.width,
        info.height, info.fps, info.frame_num, info.rotation, info.start_frame, info.field_order.c_str());
    return 0;
}

bool JobContext::GetFfprobeReport(const std::string& path, std::string& text, int kind) {
    text.clear();
    return ExecuteCmd(ProbeCommand(kind, path), &text) != 0;
}

int JobContext::GetNbFrame(const std::string& path, const VideoInfo& info) {
    const int width = NbFrameScaledSide(info.width);
    const int height = NbFrameScaledSide(info.height);
    const std::string command = NbFrameCommand(FfmpegPrefix(), path, width, height);

    platform::ChildProcess child;
    if (CreateCmdProcess(command, child) != 0) {
        LogCmdResult("CTarneloProcess::GetNbFrame", __LINE__, command, -1);
        return 0;
    }
    hProcess = child.Pid();

    const long long frameSize = (width > 0 && height > 0) ? static_cast<long long>(width) * height : 0;
    int frames = 0;
    if (frameSize == 0) {
        child.Terminate(-1);
    } else {
        std::vector<char> buffer(kFrameReadSize);
        long long partial = 0;  // bytes of a frame that has not arrived whole yet
        for (;;) {
            const long n = ReadChunk(child, buffer.data(), kFrameReadSize);
            if (n == 0 || n == -1) break;
            if (n < 0) {
                // Nothing arrived for a while: a silent decoder must still be stoppable.
                if (CancelRequested()) child.Terminate(-2);
                continue;
            }
            partial += n;
            while (partial >= frameSize) {
                partial -= frameSize;
                ++frames;
                if (CancelRequested()) child.Terminate(-2);
            }
        }
    }
    const int exitCode = child.Wait();
    child.CloseJob();
    hProcess = 0;
    LogCmdResult("CTarneloProcess::GetNbFrame", __LINE__, command, exitCode);
    return frames;
}

int JobContext::RunListing(const std::string& command, const std::function<bool(std::string_view)>& feed) {
    platform::ChildProcess child;
    if (CreateCmdProcess(command, child) != 0) {
        LogCmdResult("CTarneloProcess::RunListing", __LINE__, command, -1);
        return -1;
    }
    hProcess = child.Pid();
    char buffer[kPtsChunkSize + 1];
    for (;;) {
        const long n = ReadChunk(child, buffer, kPtsChunkSize);
        if (n == 0 || n == -1) break;
        // Enough read: the rest of the file is not needed, and stopping it is a success.
        if (n > 0 && feed(std::string_view(buffer, static_cast<size_t>(n)))) child.Terminate(0);
        if (CancelRequested()) child.Terminate(-2);
    }
    const int exitCode = child.Wait();
    child.CloseJob();
    hProcess = 0;
    LogCmdResult("CTarneloProcess::RunListing", __LINE__, command, exitCode);
    return exitCode;
}

int JobContext::ListShownFrameTimes(const std::string& path, std::vector<std::string>& texts,
                                    std::vector<double>& times, double origin, bool progress) {
    const WParam progressTotal = static_cast<WParam>(m_data->m_currentInfo.frame_num);
    PacketTimeCollector packets;
    const int exitCode = RunListing(PacketTimesCommand(path), [&](std::string_view chunk) {
        const size_t before = packets.Count();
        packets.Feed(chunk);
        for (size_t count = before + 1; progress && count <= packets.Count(); ++count) {
            Post(WM_APP_JOB_PROGRESS, progressTotal, static_cast<LParam>(count));
        }
        return false;
    });
    if (exitCode != 0) return exitCode;
    const size_t fed = packets.Count();
    packets.Finish(texts, times, origin);
    // A last line without its line feed is one more frame.
    if (progress && times.size() > fed) Post(WM_APP_JOB_PROGRESS, progressTotal, static_cast<LParam>(times.size()));
    return 0;
}

int JobContext::GetPtsListFromFfprobe(const std::string& path, std::vector<std::string>& texts,
                                      std::vector<double>& times, bool wholeFile) {
    texts.clear();
    times.clear();
    const double origin = m_data->m_sourceInfo.start_offset;
    if (!wholeFile) {
        PtsLineSplitter splitter(texts, times, kFirstFramesLimit, origin);
        return RunListing(PtsListCommand(path), [&splitter](std::string_view chunk) { return splitter.Feed(chunk); });
    }
    // The whole file's times come from its packets: listing decoded frames would cost a second full decode
    // beside the analysis. The first frames are few, and decoded as they always were.
    const int exitCode = ListShownFrameTimes(path, texts, times, origin, true);
    if (exitCode != 0) return exitCode;
    const VideoInfo& source = m_data->m_sourceInfo;
    ExtendPtsList(texts, times, source.frame_num, source.fps > 0 ? 1.0 / source.fps : 0);
    // A stream without packet times has no list to give: the caller makes one from the rate.
    return times.empty() ? -1 : 0;
}

bool JobContext::HasSteadyFrameRate(const std::string& path, double fps) {
    std::vector<std::string> texts;
    std::vector<double> times;
    return ListShownFrameTimes(path, texts, times, 0, false) == 0 && IsSteadyFrameRate(times, fps);
}

bool JobContext::CheckPtsDeltaFromFirstFrames(const std::string& path) {
    std::vector<std::string> texts;
    std::vector<double> times;
    if (GetPtsListFromFfprobe(path, texts, times, false) != 0 || times.size() <= 2) return false;

    const PtsIntervalStats stats = ComputePtsIntervalStats(times);
    AppLog().Log("%s(%d) mean=%.6f stddev=%.6f range=%.6f\n", "CTarneloProcess::CheckPtsDeltaFromFirstFrames", __LINE__,
                 stats.mean, stats.stddev, stats.range);
    return IsConstantFrameRate(stats, m_data->m_sourceInfo.fps);
}
