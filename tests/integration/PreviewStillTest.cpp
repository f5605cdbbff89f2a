// Preview stills rendered by real ffmpeg from tiny clips made at test time.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <vector>

#include "engine/TarneloProcess.h"
#include "engine/render/PreviewStill.h"
#include "log/AppLog.h"
#include "platform/Path.h"
#include "platform/Process.h"
#include "project/TarneloData.h"
#include "support/EngineTestAccess.h"
#include "support/RecordingSink.h"

namespace {

struct Rgb {
    int r = -1, g = -1, b = -1;
};

// A clip of one colour: 160x120, 1 s at 25 fps. The folder names we make hold no shell-special characters.
void MakeColourClip(const std::string& path, const char* colour, const std::string& extra = "") {
    const std::string command = "ffmpeg -v error -y -f lavfi -i color=c=" + std::string(colour) +
                                ":size=160x120:rate=25:duration=1 -c:v mpeg4 -qscale:v 2 " + extra + " \"" + path +
                                "\"";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

// Width and height from the frame header of a JPEG file; {0, 0} when there is none.
std::pair<int, int> JpegSize(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    size_t at = 2;
    while (at + 9 < bytes.size()) {
        if (bytes[at] != 0xFF) return {0, 0};
        const unsigned char marker = bytes[at + 1];
        const size_t length = (bytes[at + 2] << 8) | bytes[at + 3];
        if (marker >= 0xC0 && marker <= 0xC3) {
            return {(bytes[at + 7] << 8) | bytes[at + 8], (bytes[at + 5] << 8) | bytes[at + 6]};
        }
        at += 2 + length;
    }
    return {0, 0};
}

// The colour of one pixel of an image, decoded by ffmpeg.
Rgb PixelAt(const std::string& image, int x, int y) {
    platform::ChildProcess child;
    // Two by two: the decoder's 4:2:0 picture cannot be cut to a single pixel.
    const std::string crop = "crop=2:2:" + std::to_string(x) + ":" + std::to_string(y);
    if (child.Start({"ffmpeg", "-v", "quiet", "-i", image, "-vf", crop, "-f", "rawvideo", "-pix_fmt", "rgb24", "-"}) !=
        0) {
        return {};
    }
    std::string out;
    char buffer[64];
    for (long n; (n = child.Read(buffer, sizeof buffer)) > 0;) out.append(buffer, static_cast<size_t>(n));
    if (child.Wait() != 0 || out.size() != 12) return {};
    return {static_cast<unsigned char>(out[0]), static_cast<unsigned char>(out[1]), static_cast<unsigned char>(out[2])};
}

bool Near(const Rgb& c, int r, int g, int b) {
    const int tolerance = 40;  // JPEG and YUV rounding
    return std::abs(c.r - r) < tolerance && std::abs(c.g - g) < tolerance && std::abs(c.b - b) < tolerance;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Holds the first WM_APP_PREVIEW_IMAGE inside its send until released: the render thread is then known to
// be busy, so requests made meanwhile must collapse, with no timing involved.
class Gate {
public:
    void Enter() {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (m_used) return;
        m_used = m_inside = true;
        m_changed.notify_all();
        m_changed.wait(lock, [this] { return m_released; });
    }
    void WaitInside() {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return m_inside; });
    }
    void Release() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_released = true;
        m_changed.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_used = false, m_inside = false, m_released = false;
};

class PreviewStillTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        char pattern[] = "/tmp/tarnelo-still-XXXXXX";
        s_folder = std::string(mkdtemp(pattern)) + "/";
        AppLogConfig config;
        config.LOG_FILE_PATH = s_folder + "test.log";
        AppLog().Start(config, "PreviewStillTest");
    }
    static void TearDownTestSuite() {
        AppLog().Stop();
        DeleteFolder(s_folder);
    }

    void SetUp() override {
        data.ResetAll(false);
        data.output_folder = s_folder + "out/";
        data.input_file = s_folder + "clip.mp4";
    }

    // The log text written since the suite started.
    static std::string LogText() {
        AppLog().Flush();
        return ReadFile(s_folder + "test.log");
    }

    static std::string s_folder;
    RecordingSink sink;
    CTarneloData data;
};

std::string PreviewStillTest::s_folder;

TEST_F(PreviewStillTest, RequestsDuringARenderingCollapseIntoTheNewest) {
    const std::string red = s_folder + "red.mp4", green = s_folder + "green.mp4", white = s_folder + "white.mp4",
                      blue = s_folder + "blue.mp4";
    MakeColourClip(red, "red");
    MakeColourClip(green, "green");
    MakeColourClip(white, "white");
    MakeColourClip(blue, "blue");
    CTarneloProcess process(&sink, &data, false);
    ASSERT_EQ(EngineTestAccess::Jobs(process).OpenMediaFile(red, true), 0);
    const std::string still = PreviewStillPath(data, false);

    Gate gate;
    Rgb firstColour;
    sink.m_onMessage = [&](const RecordingSink::Message& m) {
        if (m.message != WM_APP_PREVIEW_IMAGE) return;
        gate.Enter();
    };
    process.SetPreviewImage(red, "", false, -1);
    gate.WaitInside();
    firstColour = PixelAt(still, 240, 240);
    process.SetPreviewImage(green, "0.200000", false, -1);
    process.SetPreviewImage(white, "0.400000", false, -1);
    process.SetPreviewImage(blue, "0.600000", false, -1);
    gate.Release();
    process.WaitPreviewIdle();

    const std::vector<RecordingSink::Message> images = sink.Messages(WM_APP_PREVIEW_IMAGE);
    ASSERT_EQ(images.size(), 2u);
    EXPECT_EQ(images[0].text, still);
    EXPECT_EQ(images[1].text, still);
    EXPECT_TRUE(Near(firstColour, 255, 0, 0)) << firstColour.r << "," << firstColour.g << "," << firstColour.b;
    const Rgb last = PixelAt(still, 240, 240);
    EXPECT_TRUE(Near(last, 0, 0, 255)) << last.r << "," << last.g << "," << last.b;
    const std::string log = LogText();
    EXPECT_EQ(log.find("green.mp4"), std::string::npos);
    EXPECT_EQ(log.find("white.mp4"), std::string::npos);

    // The render thread has ended; the next request starts a new one.
    process.SetPreviewImage(green, "", false, -1);
    process.WaitPreviewIdle();
    EXPECT_EQ(sink.Count(WM_APP_PREVIEW_IMAGE), 3u);
    const Rgb again = PixelAt(still, 240, 240);
    EXPECT_TRUE(Near(again, 0, 128, 0)) << again.r << "," << again.g << "," << again.b;
}

TEST_F(PreviewStillTest, QuarterTurnSourceIsFittedUpright) {
    const std::string plain = s_folder + "plain.mp4", rotated = s_folder + "rotated.mp4";
    MakeColourClip(plain, "red");
    ASSERT_EQ(
        std::system(
            ("ffmpeg -v error -y -i \"" + plain + "\" -c copy -metadata:s:v:0 rotate=90 \"" + rotated + "\"").c_str()),
        0);
    CTarneloProcess process(&sink, &data, false);
    ASSERT_EQ(EngineTestAccess::Jobs(process).OpenMediaFile(rotated, true), 0);
    ASSERT_TRUE(IsQuarterTurn(data.m_currentInfo.rotation)) << data.m_currentInfo.rotation;

    process.SetPreviewImage(rotated, "", false, -1);
    process.WaitPreviewIdle();
    ASSERT_EQ(sink.Count(WM_APP_PREVIEW_IMAGE), 1u);
    const std::string still = PreviewStillPath(data, false);
    EXPECT_EQ(JpegSize(still), std::make_pair(480, 480));

    // ffmpeg shows the 160x120 picture upright as 120x160: with the sides exchanged it fills the height,
    // 360 wide, shifted right by 2 beside the centring; grey bars left and right.
    const std::string chain = "scale=iw*1.000000:ih,setsar=1,scale=360:480,pad=480:480:62:0:color=#505050";
    EXPECT_EQ(EngineTestAccess::Jobs(process).BuildEffectsFilter(false, true, true, true, -1), chain);
    const std::string expected = PreviewStillCommand("ffmpeg -y ", "0.000000", rotated, chain, still);
    EXPECT_NE(LogText().find(expected), std::string::npos) << expected;
    EXPECT_TRUE(Near(PixelAt(still, 20, 240), 0x50, 0x50, 0x50));
    EXPECT_TRUE(Near(PixelAt(still, 240, 20), 255, 0, 0));
    EXPECT_TRUE(Near(PixelAt(still, 460, 240), 0x50, 0x50, 0x50));
}

TEST_F(PreviewStillTest, FailedRenderingIsStillAnnouncedAndWithoutWindowNothingIsSent) {
    CTarneloProcess process(&sink, &data, false);
    const std::string still = PreviewStillPath(data, false);
    process.SetPreviewImage(s_folder + "missing.mp4", "", false, -1);
    process.WaitPreviewIdle();
    ASSERT_EQ(sink.Count(WM_APP_PREVIEW_IMAGE), 1u);
    EXPECT_EQ(sink.Messages(WM_APP_PREVIEW_IMAGE)[0].text, still);
    EXPECT_FALSE(platform::FileExists(still));

    // An engine without a window renders all the same and tells no one.
    const std::string clip = s_folder + "nowindow.mp4";
    MakeColourClip(clip, "blue");
    CTarneloProcess headless(nullptr, &data, false);
    ASSERT_EQ(EngineTestAccess::Jobs(headless).OpenMediaFile(clip, true), 0);
    headless.SetPreviewImage(clip, "0.500000", false, -1);
    headless.WaitPreviewIdle();
    EXPECT_EQ(JpegSize(still), std::make_pair(480, 480));
    EXPECT_EQ(sink.Count(WM_APP_PREVIEW_IMAGE), 1u);
}

TEST_F(PreviewStillTest, DestroyingTheEngineWaitsForAPendingRendering) {
    const std::string clip = s_folder + "late.mp4";
    MakeColourClip(clip, "green");
    {
        CTarneloProcess process(&sink, &data, false);
        ASSERT_EQ(EngineTestAccess::Jobs(process).OpenMediaFile(clip, true), 0);
        process.SetPreviewImage(clip, "", false, -1);
    }
    EXPECT_EQ(sink.Count(WM_APP_PREVIEW_IMAGE), 1u);
    EXPECT_EQ(JpegSize(PreviewStillPath(data, false)), std::make_pair(480, 480));
}

}  // namespace
