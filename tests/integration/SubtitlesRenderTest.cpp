// Captions burnt in by real ffmpeg through the chain the engine builds, for file names that need escaping.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/TarneloProcess.h"
#include "engine/merge/EffectsFilter.h"
#include "integration/ClipFactory.h"
#include "platform/Process.h"
#include "project/TarneloData.h"
#include "support/EngineTestAccess.h"
#include "support/RecordingSink.h"

namespace {

constexpr int kWidth = 480;  // 270 lines: caption size unit 1
constexpr int kHeight = 270;
constexpr int kFrames = 10;  // 2 s at 5 fps
constexpr size_t kFrameBytes = static_cast<size_t>(kWidth) * kHeight;

// Runs a command line the way the engine does (split by the runner's rules, no shell); returns the exit code.
int RunCommand(const std::string& commandLine, std::string* output = nullptr) {
    platform::ChildProcess child;
    if (child.StartCommandLine(commandLine) != 0) {
        return -1;
    }
    char buffer[4096];
    long n = 0;
    while ((n = child.Read(buffer, sizeof buffer)) > 0) {
        if (output != nullptr) {
            output->append(buffer, static_cast<size_t>(n));
        }
    }
    return child.Wait();
}

bool SubtitlesFilterAvailable() {
    std::string filters;
    return clips::ToolsAvailable() && RunCommand("ffmpeg -hide_banner -filters", &filters) == 0 &&
           filters.find(" subtitles ") != std::string::npos;
}

// All frames of a black 480x270 clip through chain, as grey bytes.
std::string RenderGrey(const std::string& chain, const std::string& output, std::string* log) {
    const std::string command =
        "ffmpeg -y -hide_banner -loglevel error -f lavfi -i color=c=black:s=480x270:r=5:d=2 "
        "-vf \"" +
        chain + "setpts=PTS-STARTPTS\" -f rawvideo -pix_fmt gray \"" + platform::EscapeQuotedArgument(output) + "\"";
    *log = command + "\n";
    if (RunCommand(command, log) != 0) {
        return {};
    }
    return clips::detail::ReadAll(output);
}

std::string Frame(const std::string& frames, int index) {
    return frames.substr(static_cast<size_t>(index) * kFrameBytes, kFrameBytes);
}

class SubtitlesRenderTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!SubtitlesFilterAvailable()) {
            GTEST_SKIP() << "ffmpeg or its subtitles filter is not available";
        }
        ASSERT_FALSE(m_temp.Path().empty());
    }

    clips::TempFolder m_temp;
    RecordingSink m_sink;
};

TEST_F(SubtitlesRenderTest, CaptionShownOnlyInItsInterval) {
    // The folder and the input name both carry what the filter syntax treats specially.
    struct Case {
        const char* folder;
        const char* input;
    };
    const Case cases[] = {
        {"out 'q' 10:30", "my clip's 12:00 字幕テスト.mp4"},
        {"a,b;[c]=d", "back\\slash %d=1,[x];y.mp4"},
        {"k=v", "plain.mp4"},  // "/tmp/.../k=v/..." would otherwise be read as an option named "/tmp/.../k"
    };
    for (const Case& c : cases) {
        const std::string folder = m_temp.File(c.folder) + "/";
        ASSERT_TRUE(std::filesystem::create_directory(folder)) << folder;

        CTarneloData data;
        data.ResetEffectSettings();
        data.ResetCaptionSettings();
        data.capWatermark.caption.clear();
        data.m_currentInfo.width = kWidth;
        data.m_currentInfo.height = kHeight;
        data.m_currentInfo.fps = 5;
        data.m_currentInfo.frame_num = kFrames;
        data.input_file = "/videos/" + std::string(c.input);
        data.output_folder = folder;
        SceneEntry scene(0, kFrames - 1, "s.mp4");
        scene.capParam.caption = "XXXX";
        scene.capParam.font_name = "DejaVu Sans";
        scene.capParam.font_size = 60;
        scene.capParam.cap_pos_type = 5;
        scene.capParam.capTime_first = 0.8;  // frames 4..7: 0.80 to 1.60 s
        scene.capParam.capTime_second = 0.6;
        data.diff_list.Append(scene);
        data.list_idx = 0;

        CTarneloProcess engine(&m_sink, &data);
        const std::string captioned = EngineTestAccess::Jobs(engine).BuildEffectsFilter(true, false, false, false, 0);
        ASSERT_TRUE(LastFilterError().empty()) << LastFilterError();
        const std::string assFile = folder + std::filesystem::path(c.input).stem().string() + "_seg.ass";
        ASSERT_TRUE(std::filesystem::exists(assFile)) << assFile;
        ASSERT_NE(captioned.find("subtitles="), std::string::npos) << captioned;

        data.diff_list.Update(0, [&](SceneEntry& s) { s.capParam.caption.clear(); });
        const std::string plain = EngineTestAccess::Jobs(engine).BuildEffectsFilter(true, false, false, false, 0);
        ASSERT_EQ(plain.find("subtitles="), std::string::npos) << plain;

        std::string log;
        const std::string withCaptions = RenderGrey(captioned, m_temp.File("with.gray"), &log);
        ASSERT_EQ(withCaptions.size(), kFrameBytes * kFrames) << log;
        const std::string reference = RenderGrey(plain, m_temp.File("plain.gray"), &log);
        ASSERT_EQ(reference.size(), kFrameBytes * kFrames) << log;

        for (int frame : {1, 3, 8, 9}) {
            EXPECT_TRUE(Frame(withCaptions, frame) == Frame(reference, frame)) << c.input << " frame " << frame;
        }
        for (int frame : {4, 5, 7}) {
            EXPECT_FALSE(Frame(withCaptions, frame) == Frame(reference, frame)) << c.input << " frame " << frame;
        }
    }
}

}  // namespace
