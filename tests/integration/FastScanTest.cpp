#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "engine/TarneloProcess.h"
#include "engine/jobs/JobTables.h"
#include "integration/ClipFactory.h"
#include "project/TarneloData.h"
#include "support/JobRun.h"
#include "support/RecordingSink.h"

namespace {

using Range = std::pair<int, int>;

class FastScanTest : public clips::ClipTest {
protected:
    FastScanTest() : engine(&sink, &data) { data.ResetAll(false); }

    // The scenes one extraction finds in input, without cutting.
    std::vector<Range> Extract(const std::string& input, bool fastScan) {
        data.ResetAll(false);
        data.input_file = input;
        data.output_folder = Folder() + "/" + (fastScan ? "fast" : "exact") + "/";
        data.output_name = "_trim.mp4";
        data.fast_scan = fastScan;
        EXPECT_EQ(engine.PrepareInput(false), 0);
        engine.SetOptions({.cutSegments = false});
        EXPECT_EQ(testsupport::RunJobToEnd(engine, sink, kJobSceneExtract), 0);
        EXPECT_EQ(testsupport::LastJobState(sink), kJobStateDone);
        sink.Clear();
        std::vector<Range> ranges;
        for (const SceneEntry& s : data.diff_list.Snapshot()) ranges.emplace_back(s.framNo_first, s.framNo_second);
        return ranges;
    }

    // Same number of scenes, each edge within a frame of the exact scan's.
    void ExpectSameScenes(const std::string& input, const std::vector<Range>& expected) {
        const std::vector<Range> exact = Extract(input, false);
        EXPECT_EQ(exact, expected) << input;
        const std::vector<Range> fast = Extract(input, true);
        ASSERT_EQ(fast.size(), exact.size()) << input;
        for (size_t i = 0; i < exact.size(); ++i) {
            EXPECT_LE(std::abs(fast[i].first - exact[i].first), 1) << input << " scene " << i;
            EXPECT_LE(std::abs(fast[i].second - exact[i].second), 1) << input << " scene " << i;
        }
    }

    RecordingSink sink;
    CTarneloData data;
    CTarneloProcess engine;
};

// At 25 fps with both settings at 1 s, V = C = 25 frames: a pause of 10 frames is absorbed, a twitch of 5 is
// dropped, and motion up to the end is flushed. Sizes that an eighth divides and one it does not (854 / 8 is
// 106.75, so the analysis frame is not a whole fraction of the video).
TEST_F(FastScanTest, BoxClipsGiveTheScenesOfTheExactScan) {
    const struct { int width, height; } sizes[] = {{640, 360}, {854, 480}, {1280, 720}};
    for (const auto& s : sizes) {
        clips::ClipOptions o;
        o.width = s.width;
        o.height = s.height;
        o.frames = 300;
        o.motion = {{30, 79}, {90, 129}, {180, 184}, {230, 299}};
        const std::string name = "box_" + std::to_string(s.width) + ".mp4";
        ExpectSameScenes(Clip(name, o), {{30, 130}, {230, 299}});
    }
}

// A busy picture in full motion, frozen twice for longer than a cut: every block changes while it moves, so
// the loop filter's work shows in each frame, and the frozen stretches must still count as still.
TEST_F(FastScanTest, FrozenStretchesOfAFullMotionPictureEndScenesWhereTheExactScanEndsThem) {
    const std::string path = Folder() + "/frozen.mp4";
    // The picture of frame 49 is held up to frame 108, that of frame 159 up to frame 218.
    const int status = clips::RunProgram(
        {"ffmpeg", "-y", "-hide_banner", "-loglevel", "error", "-f", "lavfi", "-i",
         "testsrc2=s=960x540:r=25:d=7,loop=loop=59:size=1:start=50,loop=loop=59:size=1:start=160,setpts=N/25/TB",
         "-frames:v", "270", "-c:v", "libx264", "-preset", "veryfast", "-pix_fmt", "yuv420p", path},
        Folder() + "/frozen.log");
    ASSERT_EQ(status, 0) << clips::detail::ReadAll(Folder() + "/frozen.log");
    // A held picture is still from its first repeat on; the frame after the hold moves again.
    ExpectSameScenes(path, {{0, 49}, {109, 159}, {219, 269}});
}

}  // namespace
