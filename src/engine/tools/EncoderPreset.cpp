#include "engine/tools/EncoderPreset.h"

#include "engine/tools/ProgressParser.h"
#include "platform/Process.h"
#include "project/TarneloData.h"
#include "project/TimeText.h"

namespace {

const char* const kEncoders[2][3] = {
    {"mpeg4 -qscale:v 1", "mpeg4 -qscale:v 4", "mpeg4 -qscale:v 7"},
    {"h264_nvenc -preset p1 -qp 18", "h264_nvenc -preset p1 -qp 23", "h264_nvenc -preset p1 -qp 28"},
};

}  // namespace

const char* EncoderPreset(bool cuda, int quality) {
    if (quality < 0 || quality > 2) quality = 0;
    return kEncoders[cuda ? 1 : 0][quality];
}

int GopLength(double fps) { return RoundHalfAway(fps); }

std::string FrameTimingOption(const std::string& rate, bool eachFrameOnce) {
    // The fine time base keeps each frame's own time; the encoder's default would round it to the base rate.
    return eachFrameOnce ? "-fps_mode passthrough -enc_time_base 1/10000" : "-r " + rate;
}

SceneTimeRange ComputeSceneTimeRange(int firstFrame, int lastFrame, double fps, const std::vector<double>& times) {
    double start = fps > 0 ? firstFrame / fps : 0;
    double end = fps > 0 ? (lastFrame + 1) / fps : 0;
    double duration = end - start;
    if (firstFrame >= 0 && lastFrame + 1 >= 0 && times.size() > static_cast<size_t>(lastFrame) + 1) {
        start = times[firstFrame];
        duration = times[lastFrame + 1] - times[firstFrame];
    }
    return {FormatC("%.6f", start), FormatC("%.6f", duration)};
}

std::string SegmentCutCommand(const std::string& prefix, const SceneTimeRange& range, const std::string& input,
                              const std::string& encoder, int gop, const std::string& rate, const std::string& segment,
                              bool eachFrameOnce) {
    const std::string timing = FrameTimingOption(rate, eachFrameOnce);
    return prefix + FormatC(
                        "-ss %s -i \"%s\" -t %s -c:v %s -g %d -keyint_min 1 %s -c:a aac -b:a 192k -vf "
                        "\"setpts=PTS-STARTPTS\" -af \"asetpts=PTS-STARTPTS\" -movflags +faststart \"%s\"",
                        range.start.c_str(), platform::EscapeQuotedArgument(input).c_str(), range.duration.c_str(),
                        encoder.c_str(), gop, timing.c_str(), platform::EscapeQuotedArgument(segment).c_str());
}

std::string SceneCutCommand(const std::string& prefix, const CTarneloData& data, const SceneEntry& scene,
                            const std::string& input) {
    const VideoInfo& current = data.m_currentInfo;
    return SegmentCutCommand(prefix,
                             ComputeSceneTimeRange(scene.framNo_first, scene.framNo_second, current.fps, data.pts_list),
                             input, EncoderPreset(data.use_cuda, data.quality), GopLength(current.fps),
                             data.m_sourceInfo.r_frame_rate, scene.fileName, data.HasTimedFrames());
}
