// The merge tab's jobs end to end on generated clips: analysis, conversion to one size and rate, the join
// with and without cross-fades, files that cannot be read, failed conversions and stops.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "engine/TarneloProcess.h"
#include "engine/jobs/JobTables.h"
#include "engine/merge/ConvertMerge.h"
#include "integration/ClipFactory.h"
#include "project/TarneloData.h"
#include "support/EngineTestAccess.h"
#include "support/JobRun.h"
#include "support/ProcessWatch.h"
#include "support/RecordingSink.h"

namespace fs = std::filesystem;

namespace {

constexpr int kSize352x288 = 8;
constexpr int kRate15 = 8;

std::string FindOnPath(const std::string& program) {
    std::stringstream folders(std::getenv("PATH") ? std::getenv("PATH") : "");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        const std::string candidate = (folder.empty() ? "." : folder) + "/" + program;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return {};
}

std::vector<std::string> ReadLines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

// Modification time in nanoseconds: a file written again gets a new one.
long long Stamp(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return -1;
    return static_cast<long long>(info.st_mtim.tv_sec) * 1000000000LL + info.st_mtim.tv_nsec;
}

clips::ClipOptions Options(int width, int height, const std::string& rate, int frames, bool audio) {
    return clips::SizedClip(width, height, rate, frames, audio, true);
}

class ConvertMergeJobTest : public clips::ClipTest {
protected:
    // ffmpeg is found through a script that notes every command line before it runs the real program, so
    // the tests can tell which conversions ran.
    static void SetUpTestSuite() {
        const std::string real = FindOnPath("ffmpeg");
        if (real.empty() || Folder().empty()) return;
        const std::string bin = Folder() + "/bin";
        fs::create_directories(bin);
        s_log = Folder() + "/ffmpeg-commands.log";
        const std::string script = bin + "/ffmpeg";
        std::ofstream(script) << "#!/bin/sh\nprintf '%s\\n' \"$*\" >> '" << s_log << "'\nexec '" << real
                              << "' \"$@\"\n";
        fs::permissions(script, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
        s_oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
        ::setenv("PATH", (bin + ":" + s_oldPath).c_str(), 1);
    }
    static void TearDownTestSuite() {
        if (!s_oldPath.empty()) ::setenv("PATH", s_oldPath.c_str(), 1);
        clips::ClipTest::TearDownTestSuite();
    }

    ConvertMergeJobTest() : engine(&sink, &data) {
        data.ResetAll(false);
        engine.SetOptions(
            {.mode = 1, .mergeSizeIndex = kSize352x288, .mergeRateIndex = kRate15, .mergeRateText = "15/1"});
    }

    ~ConvertMergeJobTest() override {
        sink.m_onMessage = nullptr;
        engine.WaitPreviewIdle();
    }

    // What dropping the videos on an empty merge list does (after ffprobe accepted each).
    void NewList(const std::string& outName, const std::vector<std::string>& inputs) {
        data.diff_list.Clear();
        data.output_folder = Folder() + "/" + outName + "/";
        data.output_name.clear();
        for (const std::string& input : inputs) AddMergeEntry(data, input, kSize352x288, kRate15);
        data.capWatermark.caption.clear();
        data.capTitle.caption.clear();
    }

    int Run(int id) {
        sink.Clear();
        const int result = testsupport::RunJobToEnd(engine, sink, id);
        engine.WaitPreviewIdle();
        return result;
    }

    int LastState() const { return testsupport::LastJobState(sink); }
    std::string LastStateText() const { return testsupport::LastJobStateText(sink); }

    VideoInfo Probe(const std::string& path) {
        VideoInfo info;
        EXPECT_EQ(engine.GetVideoInfoFfprobe(path, info), 0) << path;
        return info;
    }

    // codec type -> durations of the file's streams.
    std::multimap<std::string, double> Streams(const std::string& path) {
        std::string text;
        EngineTestAccess::Jobs(engine).ExecuteCmd(
            "ffprobe -v error -show_entries stream=codec_type,duration -of csv=p=0 \"" + path + "\"", &text);
        std::multimap<std::string, double> streams;
        std::istringstream in(text);
        std::string line;
        while (std::getline(in, line)) {
            const size_t comma = line.find(',');
            if (comma == std::string::npos) continue;
            streams.emplace(line.substr(0, comma), std::atof(line.c_str() + comma + 1));
        }
        return streams;
    }

    static void ClearCommands() { std::ofstream(s_log, std::ios::trunc); }
    // The entry conversions run since the last clear, by the file each wrote.
    static std::vector<std::string> Conversions() {
        std::vector<std::string> outputs;
        for (const std::string& line : ReadLines(s_log)) {
            if (line.find("-pix_fmt yuv420p -g") == std::string::npos) continue;
            outputs.push_back(line.substr(line.rfind(' ') + 1));
        }
        return outputs;
    }

    std::string Output() const { return data.GetOutputPath(); }

    int SumConverted() const {
        int sum = 0;
        for (const SceneEntry& e : data.diff_list.Snapshot()) {
            if (e.enable && e.m_created) sum += e.m_convertedInfo.frame_num;
        }
        return sum;
    }

    // Starts job id, presses stop when trigger first matches a message and checks that the job ended
    // stopped with no child left and no half-written converted file.
    void CancelAt(int id, const std::function<bool(const RecordingSink::Message&)>& trigger) {
        const bool hit = testsupport::StopJobAt(engine, sink, id, trigger);
        ASSERT_TRUE(hit) << "the job ended before the stage: " << LastStateText();
        ASSERT_FALSE(sink.Messages(WM_APP_PROCESS_FINISHED).empty());
        EXPECT_EQ(sink.Messages(WM_APP_PROCESS_FINISHED).back().lParam, -2);
        EXPECT_EQ(LastState(), kJobStateStopped);
        engine.WaitPreviewIdle();
        EXPECT_TRUE(testsupport::ChildrenOf(getpid()).empty());
        EXPECT_FALSE(fs::exists(Output()));
        for (const SceneEntry& e : data.diff_list.Snapshot()) {
            if (!fs::exists(e.fileName)) continue;
            VideoInfo info;
            EXPECT_EQ(engine.GetVideoInfoFfprobe(e.fileName, info), 0) << "half-written " << e.fileName;
        }
    }

    static inline std::string s_log;
    static inline std::string s_oldPath;

    RecordingSink sink;
    CTarneloData data;
    CTarneloProcess engine;
};

TEST_F(ConvertMergeJobTest, JoinsUnlikeVideosAtOneSizeAndRateWithSoundThroughout) {
    const std::string a = Clip("a.mp4", Options(640, 360, "25", 30, true));
    const std::string b = Clip("b.mp4", Options(320, 240, "30000/1001", 36, false));
    clips::ClipOptions io = Options(320, 240, "30000/1001", 33, false);
    io.interlaced = true;
    const std::string c = Clip("c.mpg", io);
    // The 25 fps video is analysed last, so the cross-fade (12 frames of it) lasts whole frames at 15/1.
    NewList("join", {b, c, a});
    EXPECT_EQ(data.output_name, "b_conv_352x288_15.00.mp4");

    // Conversion and merge, concatenated.
    data.transition = false;
    ClearCommands();
    ASSERT_EQ(Run(kJobExtractMerge), 0) << LastStateText();
    EXPECT_EQ(LastState(), kJobStateDone);
    EXPECT_EQ(Conversions().size(), 3u);

    // Every entry analysed; the interlaced one works on a deinterlaced copy and remembers its source.
    for (const SceneEntry& e : data.diff_list.Snapshot()) {
        EXPECT_TRUE(e.m_created);
        const VideoInfo converted = Probe(e.fileName);
        EXPECT_EQ(converted.width, 352);
        EXPECT_EQ(converted.height, 288);
        EXPECT_EQ(converted.r_frame_rate, "15/1");
        EXPECT_TRUE(converted.has_audio) << e.fileName;
        EXPECT_EQ(converted.frame_num, e.m_convertedInfo.frame_num);
        EXPECT_EQ(e.framNo_second, e.m_convertedInfo.frame_num - 1);
    }
    EXPECT_TRUE(data.diff_list.Snapshot()[2].m_sourcePath.empty());
    EXPECT_EQ(data.diff_list.Snapshot()[2].m_fileToUse, a);
    EXPECT_EQ(data.diff_list.Snapshot()[1].m_sourcePath, c);
    EXPECT_EQ(data.diff_list.Snapshot()[1].m_fileToUse, data.output_folder + "c_input_ch.mp4");
    EXPECT_EQ(data.diff_list.Snapshot()[0].m_segmentInfo.has_audio, false);
    EXPECT_EQ(data.diff_list.Snapshot()[2].m_segmentInfo.has_audio, true);

    const int total = SumConverted();
    VideoInfo out = Probe(Output());
    EXPECT_EQ(out.width, 352);
    EXPECT_EQ(out.height, 288);
    EXPECT_EQ(out.r_frame_rate, "15/1");
    EXPECT_EQ(out.frame_num, ConvertedMergeFrameCount(total, 3, 0, 15));
    auto streams = Streams(Output());
    ASSERT_EQ(streams.count("audio"), 1u);
    ASSERT_EQ(streams.count("video"), 1u);
    EXPECT_NEAR(streams.find("audio")->second, streams.find("video")->second, 0.15);
    for (const auto& entry : fs::directory_iterator(data.output_folder)) {
        EXPECT_EQ(entry.path().filename().string().find("_merged"), std::string::npos) << entry.path();
    }

    // The same list with cross-fades: files that already match are not converted again.
    std::vector<long long> stamps;
    for (const SceneEntry& e : data.diff_list.Snapshot()) stamps.push_back(Stamp(e.fileName));
    data.transition = true;
    ClearCommands();
    ASSERT_EQ(Run(kJobMerge), 0) << LastStateText();
    EXPECT_TRUE(Conversions().empty());
    for (size_t i = 0; i < stamps.size(); ++i) EXPECT_EQ(Stamp(data.diff_list.Snapshot()[i].fileName), stamps[i]) << i;
    const double d = data.TransitionDuration;
    EXPECT_DOUBLE_EQ(d, 0.8);
    out = Probe(Output());
    // The final encode is announced with the cross-fade count; ffmpeg's xfade may keep one frame more.
    const int crossFaded = ConvertedMergeFrameCount(total, 3, d, 15);
    EXPECT_EQ(crossFaded, total - 24);
    EXPECT_NEAR(out.frame_num, crossFaded, 1);
    EXPECT_EQ(out.width, 352);
    streams = Streams(Output());
    ASSERT_EQ(streams.count("audio"), 1u);
    EXPECT_NEAR(streams.find("audio")->second, streams.find("video")->second, 0.15);
    const auto starts = sink.Messages(WM_APP_JOB_START);
    ASSERT_FALSE(starts.empty());
    EXPECT_EQ(starts.back().text, "最終結合");
    EXPECT_EQ(starts.back().lParam, crossFaded);
}

TEST_F(ConvertMergeJobTest, UnreadableVideoIsLeftOutAndSharedFilesAreExaminedOnce) {
    const std::string a = Clip("small-a.mp4", Options(160, 90, "25", 20, true));
    const std::string b = Clip("small-b.mp4", Options(160, 90, "30000/1001", 24, false));
    const std::string junk = clips::WriteFile(Folder(), "broken.mp4", "not a video");
    NewList("skip", {a, junk, a, b});
    ASSERT_EQ(data.diff_list.Snapshot()[0].fileName, data.diff_list.Snapshot()[2].fileName);
    data.transition = false;

    ClearCommands();
    ASSERT_EQ(Run(kJobMerge), 0) << LastStateText();
    EXPECT_FALSE(data.diff_list.Snapshot()[1].m_created);
    EXPECT_TRUE(data.diff_list.Snapshot()[0].m_created);
    EXPECT_TRUE(data.diff_list.Snapshot()[3].m_created);
    // The precheck converts the shared file once, not twice at the same time.
    const std::vector<std::string> converted = Conversions();
    EXPECT_EQ(converted.size(), 2u);
    const VideoInfo out = Probe(Output());
    EXPECT_EQ(out.frame_num, ConvertedMergeFrameCount(SumConverted(), 3, 0, 15));
    EXPECT_EQ(out.width, 352);
    EXPECT_TRUE(out.has_audio);
}

TEST_F(ConvertMergeJobTest, FailedConversionStopsAndARepeatConvertsOnlyWhatIsMissing) {
    const std::string a = Clip("fail-a.mp4", Options(160, 90, "25", 20, true));
    const std::string b = Clip("fail-b.mp4", Options(160, 90, "25", 20, false));
    const std::string c = Clip("fail-c.mp4", Options(320, 240, "30000/1001", 24, true));
    NewList("fail", {a, b, c});
    const std::string goodName = data.diff_list.Snapshot()[1].fileName;
    data.diff_list.Update(1, [&](SceneEntry& s) { s.fileName = "/dev/null/cannot_be_written.mp4"; });

    ClearCommands();
    const int result = Run(kJobSegmentOutput);
    EXPECT_NE(result, 0);
    EXPECT_NE(result, -2);
    EXPECT_EQ(LastState(), kJobStateFailed);
    // The tool's own words name the output it could not open.
    EXPECT_EQ(LastStateText(),
              "ExitCode(" + std::to_string(result) + "): /dev/null/cannot_be_written.mp4: " + std::strerror(ENOTDIR));
    EXPECT_EQ(Conversions().size(), 2u);  // the first, then the one that failed; the third never started
    EXPECT_TRUE(fs::exists(data.diff_list.Snapshot()[0].fileName));
    EXPECT_FALSE(fs::exists(data.diff_list.Snapshot()[2].fileName));
    const long long first = Stamp(data.diff_list.Snapshot()[0].fileName);

    data.diff_list.Update(1, [&](SceneEntry& s) { s.fileName = goodName; });
    ClearCommands();
    ASSERT_EQ(Run(kJobSegmentOutput), 0) << LastStateText();
    EXPECT_EQ(LastState(), kJobStateDone);
    const std::vector<std::string> again = Conversions();
    ASSERT_EQ(again.size(), 2u);
    EXPECT_NE(again[0].find("fail-b_seg_"), std::string::npos) << again[0];
    EXPECT_NE(again[1].find("fail-c_seg_"), std::string::npos) << again[1];
    EXPECT_EQ(Stamp(data.diff_list.Snapshot()[0].fileName), first);
    for (const SceneEntry& e : data.diff_list.Snapshot())
        EXPECT_EQ(Probe(e.fileName).frame_num, e.m_convertedInfo.frame_num);
}

TEST_F(ConvertMergeJobTest, StopEndsEveryStageWithNothingRunning) {
    const std::string a = Clip("stop-a.mp4", Options(160, 90, "25", 30, true));
    const std::string b = Clip("stop-b.mp4", Options(160, 90, "25", 30, false));
    {
        SCOPED_TRACE("conversion stage");
        NewList("stop", {a, b});
        CancelAt(kJobExtractMerge,
                 [](const RecordingSink::Message& m) { return m.message == WM_APP_JOB_PROGRESS && !m.sent; });
    }
    {
        SCOPED_TRACE("precheck conversions");
        for (const SceneEntry& e : data.diff_list.Snapshot()) fs::remove(e.fileName);
        CancelAt(kJobMerge, [](const RecordingSink::Message& m) {
            return m.message == WM_APP_JOB_STATE && m.wParam == kJobStateWaiting;
        });
    }
}

TEST_F(ConvertMergeJobTest, OneVideoIsConvertedAndEncodedAlone) {
    // A single input makes no cross-fade round, yet must still reach the final encode.
    NewList("single", {Clip("single.mp4", Options(160, 90, "25", 20, false))});
    data.transition = true;
    ASSERT_EQ(Run(kJobExtractMerge), 0) << LastStateText();
    const VideoInfo out = Probe(Output());
    EXPECT_EQ(out.frame_num, data.diff_list.Snapshot()[0].m_convertedInfo.frame_num);
    EXPECT_EQ(out.height, 288);
    EXPECT_TRUE(out.has_audio);
}

TEST_F(ConvertMergeJobTest, AnalysedListNeedsNoMessages) {
    NewList("idle", {});
    data.diff_list.Append(MakeMergeEntry("/nowhere/x.mp4", "/nowhere/x_seg.mp4"));
    data.diff_list.Update(data.diff_list.Size() - 1, [&](SceneEntry& s) { s.m_created = true; });
    sink.Clear();
    EXPECT_EQ(EngineTestAccess::Jobs(engine).ProcessAnalysis(), 0);
    EXPECT_TRUE(sink.Messages().empty());
}

}  // namespace
