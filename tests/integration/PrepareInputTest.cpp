// Input preparation on real clips: working copies, the frame-time file and the cross-fade length.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/TarneloProcess.h"
#include "engine/jobs/JobTables.h"
#include "engine/preparation/InputPreparation.h"
#include "log/AppLog.h"
#include "platform/Path.h"
#include "project/TarneloData.h"
#include "support/EngineTestAccess.h"
#include "support/ProcessWatch.h"
#include "support/RecordingSink.h"

namespace {

// Remembers how the engine asked for the list to be refreshed.
class ListSink : public RecordingSink {
public:
    void RefreshList(bool keepSelection) override { m_refreshes.push_back(keepSelection); }
    std::vector<bool> m_refreshes;
};

// lavfi test pattern, 160x120 at 25 fps for 1 s (25 frames), with the given encoding arguments.
void MakeClip(const std::string& path, const std::string& encoding) {
    const std::string command =
        "ffmpeg -v error -y -f lavfi -i testsrc=size=160x120:rate=25:duration=1 " + encoding + " \"" + path + "\"";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

size_t LineCount(const std::string& path) {
    const std::string text = ReadFile(path);
    size_t lines = 0;
    for (const char c : text) lines += c == '\n';
    return lines;
}

long long ModificationTime(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return -1;
    return static_cast<long long>(info.st_mtim.tv_sec) * 1000000000LL + info.st_mtim.tv_nsec;
}

class PrepareInputTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        char pattern[] = "/tmp/tarnelo-prep-XXXXXX";
        s_folder = std::string(mkdtemp(pattern)) + "/";
        AppLogConfig config;
        config.LOG_FILE_PATH = s_folder + "test.log";
        AppLog().Start(config, "PrepareInputTest");
        // Only some encoders state the field order: ffprobe calls the first and the last progressive,
        // the second top field first.
        MakeClip(s_folder + "prog.MP4", "-c:v libx264 -pix_fmt yuv420p");
        MakeClip(s_folder + "inter.mp4", "-c:v libx264 -flags +ildct+ilme -x264opts tff=1");
        MakeClip(s_folder + "other.mkv", "-c:v mpeg4 -qscale:v 3");
    }
    static void TearDownTestSuite() {
        AppLog().Stop();
        if (!std::getenv("TARNELO_KEEP_TEST_FILES")) DeleteFolder(s_folder);
    }

    void SetUp() override {
        data.ResetAll(false);
        data.output_folder = s_folder + "out/";
        data.quality = 1;
        data.use_cuda = false;
    }
    void TearDown() override {
        if (!std::getenv("TARNELO_KEEP_TEST_FILES")) DeleteFolder(s_folder + "out/");
    }

    std::vector<std::string> JobStarts() const {
        std::vector<std::string> names;
        for (const RecordingSink::Message& m : sink.Messages(WM_APP_JOB_START)) names.push_back(m.text);
        return names;
    }
    int LastState() const {
        const std::vector<RecordingSink::Message> states = sink.Messages(WM_APP_JOB_STATE);
        return states.empty() ? -1 : static_cast<int>(states.back().wParam);
    }
    static bool Has(const std::vector<std::string>& names, const std::string& name) {
        for (const std::string& n : names) {
            if (n == name) return true;
        }
        return false;
    }
    static std::string LogText() {
        AppLog().Flush();
        return ReadFile(s_folder + "test.log");
    }

    static std::string s_folder;
    ListSink sink;
    CTarneloData data;
};

std::string PrepareInputTest::s_folder;

TEST_F(PrepareInputTest, ProgressiveUpperCaseMp4IsUsedAsIt) {
    data.input_file = s_folder + "prog.MP4";
    data.input_mp4_file = "stale";
    CTarneloProcess process(&sink, &data, false);
    ASSERT_EQ(process.PrepareInput(false), 0);
    process.WaitPreviewIdle();

    EXPECT_EQ(data.input_mp4_file, "");
    EXPECT_EQ(process.Status().jobId, 0);  // the id before, restored
    const std::vector<std::string> starts = JobStarts();
    ASSERT_FALSE(starts.empty());
    EXPECT_EQ(starts.front(), "File Analysis");
    EXPECT_EQ(sink.Messages(WM_APP_JOB_START).front().lParam, -1);
    EXPECT_FALSE(Has(starts, "Change MP4"));
    EXPECT_TRUE(Has(starts, "Frame Rate Analysis"));
    EXPECT_EQ(LastState(), kJobStateDone);

    ASSERT_EQ(data.m_sourceInfo.frame_num, 25);
    EXPECT_EQ(data.pts_file, s_folder + "out/prog_pts.csv");
    EXPECT_EQ(LineCount(data.pts_file), 26u);
    ASSERT_EQ(data.pts_list.size(), 26u);
    EXPECT_DOUBLE_EQ(data.pts_list[25], 1.0);
    EXPECT_DOUBLE_EQ(data.TransitionDuration, 0.48);
    EXPECT_EQ(sink.m_refreshes, std::vector<bool>{false});
    EXPECT_EQ(process.CurrentPreviewFile(), data.input_file);
    EXPECT_EQ(sink.Count(WM_APP_PREVIEW_IMAGE), 1u);
}

TEST_F(PrepareInputTest, InterlacedMp4GetsADeinterlacedCopyThatIsReused) {
    data.input_file = s_folder + "inter.mp4";
    CTarneloProcess process(&sink, &data, false);
    ASSERT_EQ(process.PrepareInput(false), 0);
    process.WaitPreviewIdle();
    ASSERT_NE(data.m_inputFileInfo.field_order, "progressive");

    const std::string copy = s_folder + "out/inter_input_cs.mp4";
    EXPECT_EQ(data.input_mp4_file, copy);
    ASSERT_TRUE(platform::FileExists(copy));
    EXPECT_FALSE(platform::FileExists(PartialFilePath(copy)));
    EXPECT_TRUE(Has(JobStarts(), "Change MP4"));
    EXPECT_EQ(LastState(), kJobStateDone);
    const std::string log = LogText();
    const size_t convert = log.find(" -i \"" + data.input_file + "\" -c:v mpeg4 -qscale:v 4 -g 25 -keyint_min 1");
    ASSERT_NE(convert, std::string::npos);
    EXPECT_NE(log.find("-vf \"yadif=1,setpts=PTS-STARTPTS\"", convert), std::string::npos);
    // The copy is what the project works on from now on.
    EXPECT_EQ(process.CurrentPreviewFile(), copy);
    EXPECT_EQ(data.m_sourceInfo.frame_num, data.m_currentInfo.frame_num);
    EXPECT_EQ(LineCount(data.pts_file), static_cast<size_t>(data.m_sourceInfo.frame_num) + 1);

    // Reopening finds both the copy and the time list in place.
    const long long copyTime = ModificationTime(copy);
    const long long ptsTime = ModificationTime(data.pts_file);
    sink.Clear();
    data.input_mp4_file.clear();
    ASSERT_EQ(process.PrepareInput(false), 0);
    process.WaitPreviewIdle();
    EXPECT_EQ(data.input_mp4_file, copy);
    EXPECT_EQ(ModificationTime(copy), copyTime);
    EXPECT_EQ(ModificationTime(data.pts_file), ptsTime);
    EXPECT_FALSE(Has(JobStarts(), "Change MP4"));
    EXPECT_FALSE(Has(JobStarts(), "Frame Rate Analysis"));
    EXPECT_EQ(LastState(), kJobStateDone);
}

TEST_F(PrepareInputTest, OtherContainerGetsACopyOfTheChosenQuality) {
    data.input_file = s_folder + "other.mkv";
    data.quality = 0;
    CTarneloProcess process(&sink, &data, false);
    ASSERT_EQ(process.PrepareInput(false), 0);
    process.WaitPreviewIdle();
    EXPECT_EQ(data.input_mp4_file, s_folder + "out/other_input_ch.mp4");
    EXPECT_TRUE(platform::FileExists(data.input_mp4_file));
    EXPECT_TRUE(Has(JobStarts(), "Change MP4"));
    const std::string log = LogText();
    const size_t convert = log.find(" -i \"" + data.input_file + "\" -c:v mpeg4 -qscale:v 1 -g 25");
    ASSERT_NE(convert, std::string::npos);
    EXPECT_NE(log.find("-vf \"setpts=PTS-STARTPTS\"", convert), std::string::npos);
}

TEST_F(PrepareInputTest, ExistingTimeListIsNotRebuilt) {
    data.input_file = s_folder + "prog.MP4";
    platform::MakeFolders(s_folder + "out");
    data.pts_file = s_folder + "out/prog_pts.csv";
    // Times a rebuild would never write, so a rewrite would show.
    std::string times;
    for (int i = 0; i <= 25; ++i) times += std::to_string(i) + ".500000\n";
    { std::ofstream(data.pts_file, std::ios::binary) << times; }
    ASSERT_TRUE(data.LoadPtsList(data.pts_file));
    ASSERT_EQ(data.pts_list.size(), 26u);
    data.m_sourceInfo.frame_num = 25;

    CTarneloProcess process(&sink, &data, false);
    ASSERT_EQ(process.PrepareInput(false), 0);
    process.WaitPreviewIdle();
    EXPECT_FALSE(Has(JobStarts(), "Frame Rate Analysis"));
    EXPECT_EQ(ReadFile(data.pts_file), times);
    EXPECT_DOUBLE_EQ(data.pts_list[3], 3.5);

    // A list of the wrong length is rebuilt from the file itself.
    data.pts_list.pop_back();
    sink.Clear();
    ASSERT_EQ(process.PrepareInput(false), 0);
    process.WaitPreviewIdle();
    EXPECT_TRUE(Has(JobStarts(), "Frame Rate Analysis"));
    EXPECT_EQ(LineCount(data.pts_file), 26u);
    EXPECT_DOUBLE_EQ(data.pts_list[3], 0.12);
}

TEST_F(PrepareInputTest, ExistingOutputIsOpenedWhenAsked) {
    data.input_file = s_folder + "prog.MP4";
    data.output_name = "result.mp4";
    platform::MakeFolders(s_folder + "out");
    MakeClip(data.GetOutputPath(), "-c:v mpeg4 -t 0.4");
    CTarneloProcess process(&sink, &data, false);
    ASSERT_EQ(process.PrepareInput(true), 0);
    process.WaitPreviewIdle();
    EXPECT_EQ(sink.m_refreshes, std::vector<bool>{true});
    EXPECT_EQ(process.CurrentPreviewFile(), data.GetOutputPath());
    EXPECT_EQ(data.m_currentInfo.frame_num, 10);
    EXPECT_EQ(data.m_sourceInfo.frame_num, 25);  // the input stays the source
    EXPECT_EQ(process.CurrentPlayTime(), "0");
}

TEST_F(PrepareInputTest, FailuresEndTheJobAndLeaveNoPartialCopy) {
    data.input_file = s_folder + "missing.mkv";
    CTarneloProcess process(&sink, &data, false);
    EXPECT_NE(process.PrepareInput(false), 0);
    EXPECT_EQ(LastState(), kJobStateFailed);
    EXPECT_EQ(process.Status().jobId, 0);
    EXPECT_FALSE(Has(JobStarts(), "Frame Rate Analysis"));

    // A conversion that fails leaves neither the copy nor its partial file behind.
    platform::MakeFolders(s_folder + "out");
    const std::string bogus = s_folder + "out/bogus.avi";
    { std::ofstream(bogus) << "not a video"; }
    const std::string copy = s_folder + "out/bogus_input_cs.mp4";
    data.m_currentInfo.frame_num = 25;
    data.m_currentInfo.fps = 25;
    data.m_currentInfo.r_frame_rate = "25/1";
    sink.Clear();
    EXPECT_NE(EngineTestAccess::Jobs(process).ConvertInputToMp4(bogus, copy, false), 0);
    EXPECT_FALSE(platform::FileExists(copy));
    EXPECT_FALSE(platform::FileExists(PartialFilePath(copy)));
    EXPECT_EQ(LastState(), kJobStateFailed);

    // A movie time scale of 2^31-1 (flipped bits in a header) converts to a copy without readable video: the
    // failure says so instead of leaving only a code.
    const std::string damaged = s_folder + "out/scale.mov";
    MakeClip(damaged, "-c:v libx264 -movflags +faststart");
    std::string bytes = ReadFile(damaged);
    const size_t mvhd = bytes.find("mvhd");
    ASSERT_NE(mvhd, std::string::npos);
    bytes.replace(mvhd + 4 + 12, 4, "\x7f\xff\xff\xff", 4);
    { std::ofstream(damaged, std::ios::binary) << bytes; }
    data.input_file = damaged;
    sink.Clear();
    EXPECT_NE(process.PrepareInput(false), 0);
    const std::vector<RecordingSink::Message> states = sink.Messages(WM_APP_JOB_STATE);
    ASSERT_GE(states.size(), 2u);
    EXPECT_EQ(states[states.size() - 2].text, "its converted copy holds no readable video (the file is damaged)");
}

// The stop request reaches preparation through the window's pump; a probe killed by it is a stop, not
// a failure (ffprobe killed mid-way reports a failure code of its own).
TEST_F(PrepareInputTest, StopDuringTheFirstProbeEndsStopped) {
    const std::string tools = s_folder + "slow-tools/";
    platform::MakeFolders(s_folder + "slow-tools");
    {
        std::ofstream script(tools + "ffprobe");
        script << "#!/bin/sh\nexec sleep 30\n";
    }
    ASSERT_EQ(::chmod((tools + "ffprobe").c_str(), 0755), 0);
    const char* oldPath = std::getenv("PATH");
    const std::string savedPath = oldPath ? oldPath : "";
    ::setenv("PATH", (tools.substr(0, tools.size() - 1) + ":" + savedPath).c_str(), 1);

    data.input_file = s_folder + "prog.MP4";
    CTarneloProcess process(&sink, &data, false);
    // Stop once the (never ending) probe runs.
    sink.m_onPump = [&process] {
        if (!testsupport::ChildrenOf(::getpid()).empty()) process.RequestCancel(true);
    };
    const int result = process.PrepareInput(false);
    sink.m_onPump = nullptr;
    process.RequestCancel(false);
    ::setenv("PATH", savedPath.c_str(), 1);

    EXPECT_EQ(result, -2);
    EXPECT_EQ(LastState(), kJobStateStopped);
    EXPECT_EQ(process.Status().jobId, 0);
    EXPECT_FALSE(Has(JobStarts(), "Frame Rate Analysis"));
}

}  // namespace
