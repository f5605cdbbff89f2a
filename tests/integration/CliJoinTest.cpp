// tarnelo-cli join: videos of several sizes, rates and sound converted to one and joined, as dropping them on
// the merge tab and pressing its convert-and-join button does.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/merge/ConvertMerge.h"
#include "integration/ClipFactory.h"
#include "support/CliRun.h"

namespace fs = std::filesystem;

namespace {

using namespace clitest;

// The "converted" column of the join table: frames of each joined video after conversion.
std::vector<int> ConvertedFrames(const std::string& table) {
    std::vector<int> frames;
    std::istringstream in(table);
    std::string line;
    std::getline(in, line);  // header
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        int index = 0, sourceFrames = 0, converted = 0;
        std::string used, size, rate, audio;
        if (fields >> index >> used >> size >> rate >> sourceFrames >> audio >> converted && used == "yes") {
            frames.push_back(converted);
        }
    }
    return frames;
}

class CliJoinTest : public CliFixture {
protected:
    void SetUp() override {
        CliFixture::SetUp();
        if (!clips::ToolsAvailable()) GTEST_SKIP() << "ffmpeg or ffprobe is not on PATH";
    }

    std::string Clip(const std::string& name, int width, int height, const std::string& rate, int frames, bool audio,
                     bool interlaced = false) {
        clips::ClipOptions o = clips::SizedClip(width, height, rate, frames, audio, true);
        o.interlaced = interlaced;
        std::string error;
        const std::string path = clips::MakeClip(m_dir.string(), name, o, &error);
        EXPECT_FALSE(path.empty()) << error;
        return path;
    }
};

TEST_F(CliJoinTest, JoinsVideosOfOtherSizesRatesAndSoundIntoOneAndSkipsWhatIsNoVideo) {
    const std::vector<std::string> inputs = {
        Clip("wide.mp4", 320, 180, "25", 40, true),
        clips::WriteFile(m_dir.string(), "notes.mp4", "not a video\n"),
        Clip("small.mp4", 160, 120, "30000/1001", 36, false),
        Clip("fields.ts", 160, 90, "30000/1001", 40, true, true),
    };
    std::vector<std::string> args = {"join", "-o", Path("joined.mp4"), "--size", "352x288", "--rate", "15/1"};
    args.insert(args.end(), inputs.begin(), inputs.end());

    const RunResult r = RunCli(args);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("warning: skipping '" + inputs[1] + "': ffprobe cannot read it"), std::string::npos) << r.err;
    const std::vector<int> converted = ConvertedFrames(r.out);
    ASSERT_EQ(converted.size(), 3u) << r.out;
    int total = 0;
    for (const int frames : converted) total += frames;

    const std::vector<StreamFacts> streams = ProbeStreams(Path("joined.mp4"));
    const StreamFacts video = StreamOf(streams, "video");
    EXPECT_EQ(video.width, 352);
    EXPECT_EQ(video.height, 288);
    EXPECT_EQ(video.rate, "15/1");
    EXPECT_EQ(video.packets, total);
    // One sound track all through, silence where the middle video had none.
    const StreamFacts audio = StreamOf(streams, "audio");
    ASSERT_EQ(audio.type, "audio");
    EXPECT_NEAR(audio.duration, video.duration, 0.15);
    EXPECT_NE(r.err.find("Joined file: " + Path("joined.mp4")), std::string::npos) << r.err;

    // With cross-fades: the last video analysed (29.97 fps) makes the length, 14 frames played at 15 fps.
    args[2] = Path("faded.mp4");
    args.insert(args.begin() + 3, "--transition");
    const RunResult faded = RunCli(args);
    ASSERT_EQ(faded.status, 0) << faded.err;
    const double d = MergeTransitionDuration(30000.0 / 1001, 15);
    EXPECT_DOUBLE_EQ(d, 0.93);
    const int expected = static_cast<int>(std::floor((total / 15.0 - 2 * d) * 15));
    EXPECT_NEAR(StreamOf(ProbeStreams(Path("faded.mp4")), "video").packets, expected, 1);
    EXPECT_EQ(Joined(LeftoverChildren()), "");
}

// The usual mix a user joins: a 25 fps clip with sound, a silent NTSC-rate clip and an interlaced HD one,
// brought to 1280x720 at 30000/1001. Each converted length follows the rate change, and the join holds
// exactly their sum (the final count of floor((T / f - (n - 1) x D) x f) with D = 0).
TEST_F(CliJoinTest, MixedClipsBecomeOneHdVideoAtTheChosenRate) {
    struct Input {
        std::string path;
        double fps;
        int frames;
    };
    const std::vector<Input> inputs = {
        {Clip("camera.mp4", 640, 360, "25", 25, true), 25.0, 25},
        {Clip("phone.mp4", 320, 240, "30000/1001", 30, false), 30000.0 / 1001, 30},
        {Clip("broadcast.ts", 1280, 720, "30000/1001", 24, true, true), 30000.0 / 1001, 24},
    };
    std::vector<std::string> args = {"join", "-o", Path("hd.mp4"), "--size", "1280x720", "--rate", "30000/1001"};
    for (const Input& input : inputs) args.push_back(input.path);

    const RunResult r = RunCli(args);
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<int> converted = ConvertedFrames(r.out);
    ASSERT_EQ(converted.size(), inputs.size()) << r.out;
    int total = 0;
    for (size_t i = 0; i < inputs.size(); ++i) {
        total += converted[i];
        // The analysis's estimate holds for the progressive clips (the converted file may round the other
        // way); the deinterlaced copy takes its length from ffmpeg's field timing.
        if (i < 2) {
            EXPECT_NEAR(converted[i], ConvertedFrameCount(inputs[i].frames, inputs[i].fps, 30000.0 / 1001), 1) << i;
        }
    }

    const std::vector<StreamFacts> streams = ProbeStreams(Path("hd.mp4"));
    const StreamFacts video = StreamOf(streams, "video");
    EXPECT_EQ(video.width, 1280);
    EXPECT_EQ(video.height, 720);
    EXPECT_EQ(video.rate, "30000/1001");
    EXPECT_EQ(video.packets, ConvertedMergeFrameCount(total, 3, 0, 30000.0 / 1001));
    int audioTracks = 0;
    for (const StreamFacts& stream : streams) audioTracks += stream.type == "audio" ? 1 : 0;
    EXPECT_EQ(audioTracks, 1);
    EXPECT_NEAR(StreamOf(streams, "audio").duration, video.duration, 0.15);
    EXPECT_EQ(Joined(LeftoverChildren()), "");
}

TEST_F(CliJoinTest, RefusesJoinsThatWouldLoseOrMixUpFiles) {
    const std::string a = Clip("a.mp4", 160, 90, "25", 10, false);
    fs::create_directory(Path("other"));
    const std::string twin = Clip("other/a.mp4", 160, 90, "25", 12, false);
    const std::string avi = Clip("a.avi", 160, 90, "25", 10, false);
    const std::string b = Clip("b.mp4", 160, 90, "25", 10, false);
    clips::WriteFile(m_dir.string(), "notes.txt", "text\n");
    const auto size = fs::file_size(a);
    fs::copy_file(a, Path("b_seg_352x288_15.00.mp4"));

    const struct {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{"join", "-o", a, a, twin}, "is both an input and the output"},
        {{"join", "-o", Path("j.mp4"), a, twin}, "would both be converted to"},
        {{"join", "-o", Path("j.mp4"), a, avi}, "would both be converted to"},
        {{"join", "-o", Path("j.mp4"), Path("notes.txt"), Path("missing.mp4")}, "nothing was joined"},
        {{"join", "-o", Path("no/such/j.mp4"), a}, "no such folder"},
        // b's converted file would replace the video given as well.
        {{"join", "-o", Path("j.mp4"), "--size", "352x288", "--rate", "15", b, Path("b_seg_352x288_15.00.mp4")},
         "is the name of the converted file of '" + b + "'"},
        // 0.4 s each, and a cross-fade of 12 frames of 25 fps played at 15 fps lasts 0.8 s.
        {{"join", "-o", Path("other/j.mp4"), "--size", "352x288", "--rate", "15", "--transition", a, b},
         "SceneTooShort(1): video 1 is shorter than a cross-fade"},
    };
    for (const auto& c : cases) {
        const RunResult r = RunCli(c.args);
        EXPECT_EQ(r.status, 1) << c.args[2];
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
    EXPECT_EQ(fs::file_size(a), size);
    EXPECT_EQ(fs::file_size(Path("b_seg_352x288_15.00.mp4")), size);
    EXPECT_FALSE(fs::exists(Path("j.mp4")));
    EXPECT_EQ(Joined(LeftoverChildren()), "");
}

TEST_F(CliJoinTest, SizesAndRatesOutsideTheListsAreUsageErrorsThatListTheChoices) {
    const struct {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{"join", "-o", "j.mp4", "--size", "1000x1000", "a.mp4"},
         "--size must be one of 4096x2160, 3840x2160, 2560x1440, 1920x1080, 1280x720, 854x480, 720x576, "
         "720x480, 352x288 (not '1000x1000')"},
        {{"join", "-o", "j.mp4", "--rate", "25/1", "a.mp4"},
         "--rate must be one of 120/1, 120000/1001 (119.88), 60/1, 60000/1001 (59.94), 30/1, 30000/1001 (29.97), "
         "24/1, 24000/1001 (23.98), 15/1, 10/1 (not '25/1')"},
        {{"join", "-o", "j.mp4", "--size", "1920", "a.mp4"}, "--size must be one of"},
        {{"join", "-o", "j.mp4", "--rate", "", "a.mp4"}, "--rate must be one of"},
        {{"join", "a.mp4"}, "join needs -o OUT.mp4"},
        {{"join", "-o", "j.mp4"}, "join needs at least one video"},
        {{"join", "-o", "j.mkv", "a.mp4"}, "ending in .mp4"},
        {{"join", "-o", "j.mp4", "--quality", "5", "a.mp4"}, "0, 1 or 2"},
        {{"join", "-o", "j.mp4", "--no-cut", "a.mp4"}, "unknown option '--no-cut' for join"},
    };
    for (const auto& c : cases) {
        const RunResult r = RunCli(c.args);
        EXPECT_EQ(r.status, 2) << c.message;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("Usage:"), std::string::npos);
    }
    EXPECT_TRUE(fs::is_empty(m_dir));
}

}  // namespace
