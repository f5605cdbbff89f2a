// Extraction over areas of the picture: a flickering patch left out, motion outside the areas ignored, and a
// record of one set of areas re-tuned only with the same areas.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "integration/ClipFactory.h"
#include "support/CliRun.h"

namespace {

using namespace clitest;
using Ranges = SceneRanges;

class RegionScanTest : public CliFixture {
protected:
    void SetUp() override {
        CliFixture::SetUp();
        if (!clips::ToolsAvailable()) GTEST_SKIP() << "ffmpeg or ffprobe is not on PATH";
        // 320x180, 200 frames at 25 fps: a patch at 10,10 (40x40) flickers all through; a box crosses the
        // lower half (y 130) during frames 80..136 and stands still before and after.
        m_clip = Path("flicker.mp4");
        const int made =
            clips::RunProgram({"ffmpeg",
                               "-hide_banner",
                               "-y",
                               "-f",
                               "lavfi",
                               "-i",
                               "color=c=gray:s=320x180:r=25:d=8",
                               "-f",
                               "lavfi",
                               "-i",
                               "color=c=white:s=30x30:r=25:d=8",
                               "-filter_complex",
                               "[0]drawbox=x=10:y=10:w=40:h=40:color=white:t=fill:enable='lt(mod(n,10),5)'[b];"
                               "[b][1]overlay=x='clip((n-80)*5,0,280)':y=130",
                               "-frames:v",
                               "200",
                               "-c:v",
                               "libx264",
                               "-preset",
                               "veryfast",
                               "-pix_fmt",
                               "yuv420p",
                               m_clip},
                              Path("ffmpeg.log"));
        ASSERT_EQ(made, 0) << ReadFileText(Path("ffmpeg.log"));
    }

    RunResult Extract(const std::string& project, const std::vector<std::string>& areas) {
        std::vector<std::string> args = {"extract", m_clip, "--no-cut", "--project", Path(project)};
        args.insert(args.end(), areas.begin(), areas.end());
        return RunCli(args);
    }

    std::string m_clip;
};

TEST_F(RegionScanTest, OnlyMotionInTheWatchedPartOfThePictureMakesAScene) {
    const Ranges nothing = {{0, 74}};  // nothing found: the default scene
    const struct {
        const char* what;
        std::vector<std::string> areas;
        Ranges scenes;
    } cases[] = {
        {"no areas: the flicker keeps the whole clip", {}, {{0, 195}}},
        {"the flicker excluded: only the crossing", {"--exclude", "0,0,60,60"}, {{80, 135}}},
        {"the flicker excluded by a polygon", {"--exclude", "0,0,80,0,80,40,40,80,0,80"}, {{80, 135}}},
        {"only the lower half watched: the crossing", {"--region", "0,100,320,80"}, {{80, 135}}},
        {"only a still corner watched: nothing", {"--region", "200,0,120,60"}, nothing},
        {"the whole picture less the flicker", {"--region", "0,0,320,180", "--exclude", "0,0,60,60"}, {{80, 135}}},
    };
    for (const auto& c : cases) {
        const RunResult r = Extract("p.kpproj", c.areas);
        ASSERT_EQ(r.status, 0) << c.what << ": " << r.err;
        EXPECT_EQ(TableRanges(r.out), c.scenes) << c.what << "\n" << r.out;
        const std::string project = ReadFileText(Path("p.kpproj"));
        EXPECT_EQ(project.find("\"regions\"") != std::string::npos, !c.areas.empty()) << c.what;
        EXPECT_EQ(ReadFileText(Path("p.kpmotion"))[8], c.areas.empty() ? 1 : 3) << c.what << ": record version";
    }

    // Areas that watch nothing of the picture are refused before any decoding.
    const RunResult r = Extract("q.kpproj", {"--region", "400,0,10,10"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("reaches beyond the 320x180 picture"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("leave nothing of the 320x180 picture to watch"), std::string::npos) << r.err;
}

TEST_F(RegionScanTest, ARecordIsRetunedOnlyWithTheAreasItWasMeasuredOver) {
    const std::string saved = Path("areas.json");
    RunResult r = Extract("p.kpproj", {"--exclude", "0,0,60,60", "--save-regions", saved});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string project = Path("p.kpproj");
    const struct {
        const char* what;
        std::vector<std::string> areas;
        bool refused;
    } cases[] = {
        {"the project's own areas", {}, false},
        {"the same areas from the saved file", {"--regions-from", saved}, false},
        {"the same areas typed again", {"--exclude", "0,0,60,60"}, false},
        {"another area", {"--exclude", "0,0,61,60"}, true},
        {"an area added", {"--regions-from", saved, "--region", "0,0,320,180"}, true},
    };
    for (const auto& c : cases) {
        const std::string before = ReadFileText(project);
        std::vector<std::string> args = {"retune", project, "--valid-sec", "1.2"};
        args.insert(args.end(), c.areas.begin(), c.areas.end());
        r = RunCli(args);
        EXPECT_EQ(r.status, c.refused ? 1 : 0) << c.what << ": " << r.err;
        EXPECT_EQ(r.err.find("a new scan is needed") != std::string::npos, c.refused) << c.what << ": " << r.err;
        if (c.refused) {
            EXPECT_EQ(ReadFileText(project), before) << c.what;
        } else {
            EXPECT_EQ(TableRanges(r.out), (Ranges{{80, 135}})) << c.what << "\n" << r.out;
        }
    }
}

}  // namespace
