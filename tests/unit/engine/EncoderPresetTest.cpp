#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/tools/EncoderPreset.h"
#include "project/TarneloData.h"

namespace {

CTarneloData Project(std::vector<double> times) {
    CTarneloData data;
    data.quality = 1;
    data.m_sourceInfo.fps = 25;
    data.m_sourceInfo.r_frame_rate = "25/1";
    data.m_currentInfo = data.m_sourceInfo;
    data.SetPtsList(std::move(times));
    return data;
}

}  // namespace

// A constant-rate input keeps the cut it always had; one with irregular frame times (slower after frame 2, or
// starting late) is cut at its frames' own times and keeps each frame once instead of being forced to the rate.
TEST(EncoderPresetTest, SceneCutFollowsTheFrameTimes) {
    const SceneEntry scene(2, 3, "/out/a_seg_2_3.mp4");
    EXPECT_EQ(SceneCutCommand("ffmpeg -y ", Project({0, 0.04, 0.08, 0.12, 0.16, 0.2}), scene, "/v/a.mp4"),
              "ffmpeg -y -ss 0.080000 -i \"/v/a.mp4\" -t 0.080000 -c:v mpeg4 -qscale:v 4 -g 25 -keyint_min 1 -r 25/1 "
              "-c:a aac -b:a 192k -vf \"setpts=PTS-STARTPTS\" -af \"asetpts=PTS-STARTPTS\" -movflags +faststart "
              "\"/out/a_seg_2_3.mp4\"");
    const struct {
        std::vector<double> times;
        const char* timing;
    } cases[] = {
        {{0, 0.04, 0.08, 0.16, 0.24, 0.32}, "-ss 0.080000 -i \"/v/a.mp4\" -t 0.160000 "},
        {{1.075, 1.115, 1.155, 1.195, 1.235, 1.275}, "-ss 1.155000 -i \"/v/a.mp4\" -t 0.080000 "},
    };
    for (const auto& c : cases) {
        const std::string command = SceneCutCommand("ffmpeg -y ", Project(c.times), scene, "/v/a.mp4");
        EXPECT_NE(command.find(c.timing), std::string::npos) << command;
        EXPECT_NE(command.find(" -keyint_min 1 -fps_mode passthrough -enc_time_base 1/10000 -c:a "), std::string::npos)
            << command;
    }
}
