// tarnelo-cli export on a clip extracted at test time: each format beside the project, on stdout and to -o, the
// CSV as report writes it, the refusals that write nothing, and the MLT file rendered by melt against the merge.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "engine/merge/Subtitles.h"
#include "integration/ClipFactory.h"
#include "integration/ExtractedClip.h"
#include "platform/Process.h"
#include "project/ProjectSession.h"
#include "project/TarneloData.h"
#include "support/CliRun.h"

namespace fs = std::filesystem;

namespace {

using namespace clitest;

int FrameCount(const std::string& path) {
    const RunResult r = RunProgram({platform::FindProgram("ffprobe"), "-v", "error", "-count_frames", "-select_streams",
                                    "v:0", "-show_entries", "stream=nb_read_frames", "-of", "csv=p=0", path});
    return r.status == 0 ? std::atoi(r.out.c_str()) : -1;
}

// Frame n of the file as grey bytes.
std::string GreyFrame(const std::string& path, int n) {
    return RunProgram({platform::FindProgram("ffmpeg"), "-v", "error", "-i", path, "-vf",
                       "select=eq(n\\," + std::to_string(n) + ")", "-vsync", "0", "-frames:v", "1", "-f", "rawvideo",
                       "-pix_fmt", "gray", "-"})
        .out;
}

double MeanDifference(const std::string& a, const std::string& b) {
    if (a.empty() || a.size() != b.size()) return 255;
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        sum += std::abs(static_cast<unsigned char>(a[i]) - static_cast<unsigned char>(b[i]));
    }
    return sum / static_cast<double>(a.size());
}

class CliExportTest : public ExtractedClipTest {
protected:
    void SetUp() override {
        ExtractedClipTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        ASSERT_EQ(Edit([](CTarneloData& data) { data.diff_list.Update(1, [](SceneEntry& s) { s.enable = false; }); }),
                  3u);
    }

    // Changes the saved project; the count of its scenes.
    template <class Change>
    size_t Edit(Change change) {
        CTarneloData data(false);
        EXPECT_EQ(ProjectSession(data).Load(m_project, true), ProjectSession::kOpened);
        change(data);
        EXPECT_TRUE(ProjectSession(data).Save());
        return data.diff_list.Snapshot().size();
    }
};

TEST_F(CliExportTest, EachFormatIsWrittenBesideTheProjectOnStdoutAndToAFile) {
    const RunResult report = RunCli({"report", m_project, "--csv"});
    ASSERT_EQ(report.status, 0) << report.err;
    for (const char* format : {"mlt", "fcpxml", "edl", "otio", "csv"}) {
        const std::string beside = Path(std::string("yard.mp4.") + format);
        const RunResult written = RunCli({"export", m_project, "--format", format});
        ASSERT_EQ(written.status, 0) << written.err;
        EXPECT_EQ(written.out, beside + "\n");
        const std::string text = ReadFileText(beside);
        EXPECT_FALSE(text.empty()) << format;

        const RunResult piped = RunCli({"export", m_project, "--format", format, "-o", "-"});
        ASSERT_EQ(piped.status, 0) << piped.err;
        EXPECT_EQ(piped.out, text) << format;
        const RunResult named = RunCli({"export", m_project, "--format", format, "-o", Path("named.txt")});
        ASSERT_EQ(named.status, 0) << named.err;
        EXPECT_EQ(ReadFileText(Path("named.txt")), text) << format;
        if (std::string(format) == "csv") {
            EXPECT_EQ(text, report.out);
        }
    }
}

TEST_F(CliExportTest, RefusalsSayWhyAndWriteNothing) {
    const struct {
        std::vector<std::string> args;
        int status;
        std::string message;
        std::string unwritten;
    } cases[] = {
        {{"export", m_project, "--format", "xml"},
         2,
         "--format must be one of mlt, fcpxml, edl, otio, csv",
         Path("yard.mp4.xml")},
        {{"export", m_project}, 2, "export needs --format mlt, fcpxml, edl, otio, csv", ""},
        {{"export", m_project, "--format", "edl", "-o", Path("gone/x.edl")}, 1, "will not write", Path("gone/x.edl")},
        {{"export", m_project, "--format", "edl", "-o", m_clip}, 1, "it is the project's input video", ""},
    };
    const std::string clipBytes = ReadFileText(m_clip);
    for (const auto& c : cases) {
        const RunResult r = RunCli(c.args);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        if (!c.unwritten.empty()) {
            EXPECT_FALSE(fs::exists(c.unwritten)) << c.unwritten;
        }
    }
    EXPECT_EQ(ReadFileText(m_clip), clipBytes);

    Edit([](CTarneloData& data) {
        for (int k = 0; k < 3; ++k) data.diff_list.Update(k, [](SceneEntry& s) { s.enable = false; });
    });
    const RunResult none = RunCli({"export", m_project, "--format", "mlt"});
    EXPECT_EQ(none.status, 1);
    EXPECT_NE(none.err.find("the project has no enabled scene"), std::string::npos) << none.err;
    EXPECT_FALSE(fs::exists(Path("yard.mp4.mlt")));
}

// melt plays the MLT file as the merge joins the scenes: as many frames (within one per cross-fade), opening on
// the first scene's first frame.
TEST_F(CliExportTest, MeltRendersTheScenesAsTheMergeJoinsThem) {
    if (platform::FindProgram("melt").empty()) GTEST_SKIP() << "melt is not on PATH";
    int firstFrame = 0;
    Edit([&firstFrame](CTarneloData& data) {
        // Captions are drawn by each renderer its own way; the picture is compared without them.
        for (int k = 0; k < 3; ++k) data.diff_list.Update(k, [](SceneEntry& s) { s.capParam.caption.clear(); });
        data.capWatermark.caption.clear();
        firstFrame = data.diff_list.Snapshot().front().framNo_first;
    });
    for (const bool transition : {false, true}) {
        Edit([transition](CTarneloData& data) { data.transition = transition; });
        const RunResult merged = RunCli({"merge", m_project});
        ASSERT_EQ(merged.status, 0) << merged.err;
        CTarneloData data(false);
        ASSERT_EQ(ProjectSession(data).Load(m_project, true), ProjectSession::kOpened);
        const int mergedFrames = FrameCount(data.GetOutputPath());
        ASSERT_GT(mergedFrames, 0);

        const std::string mlt = Path("cut.mlt");
        const std::string rendered = Path(transition ? "melt_fade.mp4" : "melt_cut.mp4");
        ASSERT_EQ(RunCli({"export", m_project, "--format", "mlt", "-o", mlt}).status, 0);
        const RunResult melt = RunProgram({platform::FindProgram("melt"), mlt, "-consumer", "avformat:" + rendered,
                                           "vcodec=libx264", "preset=ultrafast", "real_time=0", "-silent"},
                                          {"QT_QPA_PLATFORM=offscreen"});
        ASSERT_EQ(melt.status, 0) << melt.err;
        const int meltFrames = FrameCount(rendered);
        if (transition) {
            EXPECT_LE(std::abs(meltFrames - mergedFrames), 1) << meltFrames << " against " << mergedFrames;
        } else {
            EXPECT_EQ(meltFrames, mergedFrames);
        }
        EXPECT_LT(MeanDifference(GreyFrame(rendered, 0), GreyFrame(m_clip, firstFrame)), 3.0);
    }
}

// The soft subtitles of a project read from its file start where the merge burns the captions in, cross-fades
// included: the fade's length is the one opening the video gives, not a default.
TEST_F(CliExportTest, SubtitlesOfACrossFadedProjectKeepTheMergesTimes) {
    Edit([](CTarneloData& data) {
        data.transition = true;
        for (int k : {0, 2}) {
            data.diff_list.Update(k, [k](SceneEntry& s) {
                s.capParam.caption = k == 0 ? "first" : "third";
                s.capParam.cap_pos_type = 2;
                s.capParam.capTime_first = 0.2;
                s.capParam.capTime_second = 0.6;
            });
        }
    });
    ASSERT_EQ(RunCli({"merge", m_project}).status, 0);
    CTarneloData data(false);
    ASSERT_EQ(ProjectSession(data).Load(m_project, true), ProjectSession::kOpened);
    AssOptions whole;
    whole.wholeTimeline = true;
    // Each caption's start and end as "hh:mm:ss.cc-hh:mm:ss.cc", sorted.
    const auto times = [](const std::string& text, const std::regex& pattern) {
        std::vector<std::string> found;
        for (std::sregex_iterator it(text.begin(), text.end(), pattern), end; it != end; ++it) {
            found.push_back((*it)[1].str() + "." + (*it)[2].str() + "-" + (*it)[3].str() + "." + (*it)[4].str());
        }
        std::sort(found.begin(), found.end());
        return found;
    };
    // "00:00:02.88,00:00:03.48" in the burnt-in file; "00:00:02,880 --> 00:00:03,480" in the SRT.
    const std::vector<std::string> burnt =
        times(ReadFileText(AssFilePath(data, whole)),
              std::regex(R"(Dialogue: \d,(\d\d:\d\d:\d\d)\.(\d\d),(\d\d:\d\d:\d\d)\.(\d\d))"));
    const RunResult srt = RunCli({"export", m_project, "--format", "srt", "-o", "-"});
    ASSERT_EQ(srt.status, 0) << srt.err;
    const std::vector<std::string> soft =
        times(srt.out, std::regex(R"((\d\d:\d\d:\d\d),(\d\d)0 --> (\d\d:\d\d:\d\d),(\d\d)0)"));
    EXPECT_EQ(soft, burnt) << srt.out;
    EXPECT_EQ(burnt.size(), 4u);  // the title, the watermark and two scenes
}

}  // namespace
