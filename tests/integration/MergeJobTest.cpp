// The scene merge job end to end on generated clips: precheck, concat and cross-fade merges, the final
// encode with captions, failures and stops at every stage.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "engine/TarneloProcess.h"
#include "engine/jobs/JobTables.h"
#include "engine/merge/SceneMerge.h"
#include "engine/scenes/SceneRules.h"
#include "integration/ClipFactory.h"
#include "project/ProjectSession.h"
#include "project/TarneloData.h"
#include "support/EngineTestAccess.h"
#include "support/JobRun.h"
#include "support/ProcessWatch.h"
#include "support/RecordingSink.h"

namespace fs = std::filesystem;

namespace {

struct SceneSpec {
    int first;
    int last;
    bool enable = true;
};

std::string ReadFile(const std::string& path) { return clips::detail::ReadAll(path); }

// Command lines of this process's children (NUL separators as spaces).
std::vector<std::string> ChildCommandLines() {
    std::vector<std::string> lines;
    for (const long pid : testsupport::ChildrenOf(getpid())) {
        std::string text = ReadFile("/proc/" + std::to_string(pid) + "/cmdline");
        for (char& c : text) {
            if (c == '\0') c = ' ';
        }
        lines.push_back(text);
    }
    return lines;
}

std::vector<std::string> MergedFilesIn(const std::string& folder) {
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.find("_merged") != std::string::npos) found.push_back(name);
    }
    return found;
}

// "h:mm:ss.cc" of an ASS event as seconds.
double AssSeconds(const std::string& text) {
    int h = 0, m = 0, s = 0, c = 0;
    std::sscanf(text.c_str(), "%d:%d:%d.%d", &h, &m, &s, &c);
    return h * 3600 + m * 60 + s + c / 100.0;
}

struct AssEvent {
    double start = 0;
    double end = 0;
    std::string style;
};

std::vector<AssEvent> ReadAssEvents(const std::string& path) {
    std::vector<AssEvent> events;
    std::istringstream in(ReadFile(path));
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("Dialogue: ", 0) != 0) continue;
        std::vector<std::string> fields;
        std::stringstream parts(line.substr(10));
        std::string field;
        while (fields.size() < 4 && std::getline(parts, field, ',')) fields.push_back(field);
        if (fields.size() == 4) events.push_back({AssSeconds(fields[1]), AssSeconds(fields[2]), fields[3]});
    }
    return events;
}

class MergeJobTest : public clips::ClipTest {
protected:
    MergeJobTest() : engine(&sink, &data) { data.ResetAll(false); }

    ~MergeJobTest() override {
        sink.m_onMessage = nullptr;
        engine.WaitPreviewIdle();
    }

    // What opening a video on the scene tab sets up, then the preparation.
    void Open(const std::string& input, const std::string& outName) {
        data.input_file = input;
        data.output_folder = Folder() + "/" + outName + "/";
        data.output_name = "out.mp4";
        ASSERT_EQ(engine.PrepareInput(false), 0);
        data.capWatermark.caption.clear();
        data.capTitle.caption.clear();
        sink.Clear();
    }

    void SetScenes(const std::vector<SceneSpec>& sceneSpecs) {
        data.diff_list.Clear();
        const std::string base = SegmentFileBase(data.input_file);
        for (const SceneSpec& s : sceneSpecs) {
            SceneEntry entry(s.first, s.last, SegmentFileName(data.output_folder, base, s.first, s.last));
            entry.enable = s.enable;
            entry.capParam.caption.clear();
            data.diff_list.Append(entry);
        }
        data.list_idx = 0;
    }

    int Run(int id) {
        sink.Clear();
        return testsupport::RunJobToEnd(engine, sink, id);
    }

    int LastState() const { return testsupport::LastJobState(sink); }
    std::string LastStateText() const { return testsupport::LastJobStateText(sink); }

    VideoInfo Probe(const std::string& path) {
        VideoInfo info;
        EXPECT_EQ(engine.GetVideoInfoFfprobe(path, info), 0) << path;
        return info;
    }

    int Packets(const std::string& path) {
        std::string text;
        EngineTestAccess::Jobs(engine).ExecuteCmd(PacketCountCommand(path), &text);
        return ParsePacketCount(text);
    }

    std::string Output() const { return data.GetOutputPath(); }

    // Starts a merge, stops it with the stop button when trigger first matches a message, and checks
    // that the job ended stopped with no child encoding and nothing half-made left behind.
    void CancelAt(const std::string& label, const std::function<bool(const RecordingSink::Message&)>& trigger) {
        SCOPED_TRACE(label);
        const bool hit = testsupport::StopJobAt(engine, sink, kJobMerge, trigger);
        ASSERT_TRUE(hit) << "the job ended before the stage: " << LastStateText();

        ASSERT_FALSE(sink.Messages(WM_APP_PROCESS_FINISHED).empty());
        EXPECT_EQ(sink.Messages(WM_APP_PROCESS_FINISHED).back().lParam, -2);
        EXPECT_EQ(LastState(), kJobStateStopped);
        for (const std::string& line : ChildCommandLines()) {
            EXPECT_EQ(line.find("-movflags"), std::string::npos) << "still running: " << line;
        }
        engine.WaitPreviewIdle();
        EXPECT_TRUE(testsupport::ChildrenOf(getpid()).empty());
        EXPECT_FALSE(fs::exists(Output()));
        EXPECT_TRUE(MergedFilesIn(data.output_folder).empty());
        for (const SceneEntry& s : data.diff_list.Snapshot()) {
            if (s.enable && fs::exists(s.fileName)) {
                EXPECT_EQ(Packets(s.fileName), s.FrameCount()) << "half-cut segment " << s.fileName;
            }
        }
    }

    RecordingSink sink;
    CTarneloData data;
    CTarneloProcess engine;
};

clips::ClipOptions Options(int width, int height, const std::string& rate, int frames, bool audio) {
    return clips::SizedClip(width, height, rate, frames, audio);
}

TEST_F(MergeJobTest, MergesJoinTheEnabledScenesWithTheSourcesAudio) {
    // A disabled first scene whose file has another size and rate and no sound must not shape the merge.
    const std::string decoy = Clip("decoy.mp4", Options(96, 54, "10", 20, false));
    const auto decoySize = fs::file_size(decoy);
    for (const bool audio : {true, false}) {
        SCOPED_TRACE(audio ? "with audio" : "silent");
        const std::string name = audio ? "voiced" : "silent";
        Open(Clip(name + ".mp4", Options(160, 90, "25", 100, audio)), name);
        SetScenes({{0, 19, false}, {20, 39}, {50, 64, false}, {70, 99}});
        data.diff_list.Update(0, [&](SceneEntry& s) { s.fileName = decoy; });

        // Concatenation: every enabled frame, nothing of the disabled scenes.
        data.transition = false;
        ASSERT_EQ(Run(kJobMerge), 0) << LastStateText();
        EXPECT_EQ(LastState(), kJobStateDone);
        VideoInfo out = Probe(Output());
        EXPECT_EQ(out.frame_num, 50);
        EXPECT_EQ(out.has_audio, audio);
        EXPECT_EQ(out.width, 160);
        EXPECT_FALSE(fs::exists(data.diff_list.Snapshot()[2].fileName));
        EXPECT_EQ(fs::file_size(decoy), decoySize);
        const std::string listFile = data.output_folder + name + "_filelist.txt";
        EXPECT_EQ(ReadFile(listFile), "file '" + data.diff_list.Snapshot()[1].fileName + "'\nfile '" +
                                          data.diff_list.Snapshot()[3].fileName + "'\n");
        EXPECT_TRUE(MergedFilesIn(data.output_folder).empty());

        // The stages as the status bar sees them; N counts the disabled scenes too.
        const auto starts = sink.Messages(WM_APP_JOB_START);
        ASSERT_EQ(starts.size(), 3u);
        EXPECT_EQ(starts[0].text, "結合前検査");
        EXPECT_EQ(starts[0].lParam, 4);
        EXPECT_EQ(starts[1].text, "最終結合");
        EXPECT_EQ(starts[1].lParam, -1);
        EXPECT_EQ(starts[2].text, "最終結合");
        EXPECT_EQ(starts[2].lParam, 50);
        ASSERT_FALSE(sink.Messages(WM_APP_JOB_NAME).empty());
        EXPECT_EQ(sink.Messages(WM_APP_JOB_NAME).front().text, "シーン結合");

        // Cross-fades over the same segments: they are right, so none is cut again.
        const auto cutAt = fs::last_write_time(data.diff_list.Snapshot()[1].fileName);
        data.transition = true;
        const double d = data.TransitionDuration;
        ASSERT_GT(d, 0.0);
        ASSERT_EQ(Run(kJobMerge), 0) << LastStateText();
        EXPECT_EQ(LastState(), kJobStateDone);
        EXPECT_EQ(fs::last_write_time(data.diff_list.Snapshot()[1].fileName), cutAt);
        out = Probe(Output());
        const int expected = static_cast<int>(std::floor((50 / 25.0 - d) * 25));
        EXPECT_NEAR(out.frame_num, expected, 1);
        EXPECT_EQ(out.has_audio, audio);
        EXPECT_EQ(out.r_frame_rate, "25/1");
        EXPECT_EQ(sink.Messages(WM_APP_JOB_START).back().lParam, MergedFrameCount(50, 2, d, 25, true));
        EXPECT_TRUE(MergedFilesIn(data.output_folder).empty());
        EXPECT_TRUE(fs::exists(listFile));
        // The output is what is shown now.
        EXPECT_EQ(data.m_currentInfo.frame_num, out.frame_num);
    }
}

TEST_F(MergeJobTest, PrecheckCutsMissingAndTruncatedSegmentsAgain) {
    Open(Clip("silent.mp4", Options(160, 90, "25", 100, false)), "recut");
    SetScenes({{0, 29}, {40, 69}, {80, 99}});
    ASSERT_EQ(Run(kJobMerge), 0) << LastStateText();

    const std::string missing = data.diff_list.Snapshot()[0].fileName;
    const std::string truncated = data.diff_list.Snapshot()[1].fileName;
    fs::remove(missing);
    // Cut in half: the index in front still claims every frame.
    fs::resize_file(truncated, fs::file_size(truncated) / 2);
    ASSERT_EQ(Probe(truncated).frame_num, 30);
    ASSERT_LT(Packets(truncated), 30);
    const auto untouched = fs::last_write_time(data.diff_list.Snapshot()[2].fileName);

    ASSERT_EQ(Run(kJobMerge), 0) << LastStateText();
    EXPECT_EQ(Packets(missing), 30);
    EXPECT_EQ(Packets(truncated), 30);
    EXPECT_EQ(fs::last_write_time(data.diff_list.Snapshot()[2].fileName), untouched);
    EXPECT_EQ(Probe(Output()).frame_num, 80);
    // Waiting for the re-cuts is announced before the merge.
    const auto states = sink.Messages(WM_APP_JOB_STATE);
    ASSERT_FALSE(states.empty());
    EXPECT_EQ(states.front().wParam, static_cast<WParam>(kJobStateWaiting));
}

TEST_F(MergeJobTest, ListsThatCannotBeJoinedFailBeforeAnyMerge) {
    Open(Clip("silent.mp4", Options(160, 90, "25", 100, false)), "unjoinable");
    // Nothing enabled: no list file, no cut, no ffmpeg on an empty list.
    SetScenes({{0, 29, false}, {40, 69, false}});
    EXPECT_EQ(Run(kJobMerge), -1);
    EXPECT_EQ(LastState(), kJobStateFailed);
    EXPECT_EQ(LastStateText(), "TotalFrame(0)");
    EXPECT_FALSE(fs::exists(data.output_folder + "silent_filelist.txt"));
    EXPECT_FALSE(fs::exists(Output()));
    EXPECT_FALSE(fs::exists(data.diff_list.Snapshot()[0].fileName));

    // A scene shorter than the cross-fade (5 frames against 12) would leave ffmpeg waiting for ever.
    data.transition = true;
    SetScenes({{0, 29}, {35, 39, false}, {40, 44}, {50, 79}});
    EXPECT_EQ(Run(kJobMerge), -1);
    EXPECT_EQ(LastState(), kJobStateFailed);
    EXPECT_EQ(LastStateText(), "SceneTooShort(3)");
    EXPECT_FALSE(fs::exists(Output()));
    EXPECT_TRUE(MergedFilesIn(data.output_folder).empty());
}

TEST_F(MergeJobTest, FailingFinalEncodeLeavesNoOutput) {
    Open(Clip("silent.mp4", Options(160, 90, "25", 100, false)), "fail");
    SetScenes({{0, 29}, {40, 69}});

    // The output path names a folder: ffmpeg cannot write it, and the folder is not ours to delete.
    fs::create_directories(Output());
    EXPECT_NE(Run(kJobMerge), 0);
    EXPECT_EQ(LastState(), kJobStateFailed);
    EXPECT_EQ(LastStateText().rfind("ExitCode(", 0), 0u) << LastStateText();
    EXPECT_TRUE(fs::is_directory(Output()));
    EXPECT_TRUE(MergedFilesIn(data.output_folder).empty());
    fs::remove(Output());

    // The caption file cannot be written (a folder holds its name): ffmpeg has opened the output already
    // when the subtitles filter fails, and the empty file it leaves is removed.
    const std::string ass = data.output_folder + "silent_all.ass";
    fs::create_directories(ass);
    data.capTitle.caption = "TITLE";
    data.capTitle.cap_pos_type = 5;
    data.capTitle.capTime_first = 0;
    data.capTitle.capTime_second = 1;
    EXPECT_NE(Run(kJobMerge), 0);
    EXPECT_EQ(LastState(), kJobStateFailed);
    EXPECT_EQ(LastStateText().rfind("ExitCode(", 0), 0u) << LastStateText();
    EXPECT_FALSE(fs::exists(Output()));
    EXPECT_TRUE(MergedFilesIn(data.output_folder).empty());
    fs::remove(ass);
}

TEST_F(MergeJobTest, CaptionsAreBurntInWhereTheirTimingSays) {
    // 270 lines give the caption size unit 1 (below that the unit, and so every font, is 0).
    Open(Clip("dark.mp4",
              [] {
                  clips::ClipOptions o = Options(480, 270, "10", 40, false);
                  o.background = "black";
                  return o;
              }()),
         "captions");
    SetScenes({{0, 19}, {20, 39}});
    data.transition = false;
    const auto caption = [](const char* text, double start, double length) {
        CaptionParam c;
        c.caption = text;
        c.capTime_first = start;
        c.capTime_second = length;
        c.cap_pos_type = 5;
        c.font_name = "DejaVu Sans";
        c.font_size = 40;
        c.color = 0x00FFFFFF;
        return c;
    };
    data.capTitle = caption("TITLE", 0.0, 0.6);
    data.capWatermark = caption("MARK", 3.4, 0.4);
    data.diff_list.Update(0,
                          [&](SceneEntry& s) { s.capParam = caption("ONE", 1.0, 0.6); });  // 1.0 .. 1.7 on the output
    data.diff_list.Update(1, [&](SceneEntry& s) { s.capParam = caption("TWO", 0.4, 0.6); });  // 2.4 .. 3.1
    data.output_name = "captioned.mp4";
    ASSERT_EQ(Run(kJobMerge), 0) << LastStateText();
    const std::string captioned = Output();

    const std::vector<AssEvent> events = ReadAssEvents(data.output_folder + "dark_all.ass");
    ASSERT_EQ(events.size(), 4u);
    std::vector<std::string> styles;
    for (const AssEvent& e : events) styles.push_back(e.style);
    EXPECT_EQ(styles, (std::vector<std::string>{"Title", "Watermark", "Scene001", "Scene002"}));

    data.capTitle.caption.clear();
    data.capWatermark.caption.clear();
    data.diff_list.UpdateAll([](SceneEntry& s) { s.capParam.caption.clear(); });
    data.output_name = "plain.mp4";
    ASSERT_EQ(Run(kJobMerge), 0) << LastStateText();
    const std::string plain = Output();

    const auto grey = [&](const std::string& file) {
        const std::string raw = file + ".gray";
        EXPECT_EQ(
            clips::RunProgram({"ffmpeg", "-v", "error", "-y", "-i", file, "-f", "rawvideo", "-pix_fmt", "gray", raw},
                              raw + ".log"),
            0);
        return ReadFile(raw);
    };
    constexpr size_t kFrameBytes = 480 * 270;
    const std::string a = grey(captioned);
    const std::string b = grey(plain);
    ASSERT_EQ(a.size(), 40 * kFrameBytes);
    ASSERT_EQ(b.size(), 40 * kFrameBytes);
    // Pixels that differ clearly between the two renders of a frame.
    const auto changed = [&](int frame) {
        int count = 0;
        for (size_t i = frame * kFrameBytes; i < (frame + 1) * kFrameBytes; ++i) {
            if (std::abs(static_cast<int>(static_cast<unsigned char>(a[i])) - static_cast<unsigned char>(b[i])) > 48) {
                ++count;
            }
        }
        return count;
    };
    for (const AssEvent& e : events) {
        const int inside = static_cast<int>((e.start + e.end) / 2 * 10);
        EXPECT_GT(changed(inside), 200) << e.style << " frame " << inside;
    }
    int outsideChecked = 0;
    for (int frame = 0; frame < 40; ++frame) {
        const double t = frame / 10.0;
        bool clear = true;
        for (const AssEvent& e : events) clear = clear && (t < e.start - 0.05 || t >= e.end + 0.05);
        if (!clear) continue;
        ++outsideChecked;
        EXPECT_LT(changed(frame), 20) << "frame " << frame;
    }
    EXPECT_GE(outsideChecked, 5);
}

// "Style: text" of every dialogue line of an ASS file.
std::vector<std::string> AssDialogueTexts(const std::string& path) {
    static const std::regex kLine(R"(Dialogue: \d,[^,]*,[^,]*,([^,]*),,0,0,0,,(.*)\r)");
    std::vector<std::string> texts;
    std::istringstream in(ReadFile(path));
    std::smatch m;
    for (std::string line; std::getline(in, line);) {
        if (std::regex_match(line, m, kLine)) texts.push_back(m[1].str() + ": " + m[2].str());
    }
    return texts;
}

TEST_F(MergeJobTest, CaptionsShowTheClockTimeOfTheirScene) {
    clips::ClipOptions o = Options(160, 90, "25", 100, false);
    o.extraArgs = {"-metadata", "creation_time=2024-01-31T14:25:30Z"};
    // Opened as the scene tab opens a new video: the preparation reads the clock of the file as chosen.
    data.output_folder = Folder() + "/clock/";
    ApplyVideoDefaults(data, Clip("clock.mp4", o));
    data.output_name = "out.mp4";
    ASSERT_EQ(engine.PrepareInput(false), 0);
    EXPECT_EQ(ClockText(data.clock_start, 0), "2024-01-31T14:25:30.000+00:00");

    SetScenes({{0, 19, false}, {50, 69}, {80, 99}});
    data.transition = false;
    data.capTitle.caption = "{\\fad(500,500)}{time}";
    data.capWatermark.caption = "{date}";
    data.diff_list.Update(1, [](SceneEntry& s) { s.capParam.caption = "Gate {datetime}"; });
    data.diff_list.Update(2, [](SceneEntry& s) { s.capParam.caption = "{time}\\N{date}"; });
    for (int k = 1; k <= 2; ++k) data.diff_list.Update(k, [](SceneEntry& s) { s.capParam.capTime_second = 0.5; });
    ASSERT_EQ(Run(kJobMerge), 0) << LastStateText();
    ASSERT_TRUE(fs::exists(Output()));

    // Frame 50 is 2 s into the recording, frame 80 3.2 s; the title opens the output with the first enabled scene.
    EXPECT_EQ(AssDialogueTexts(data.output_folder + "clock_all.ass"),
              (std::vector<std::string>{"Title: {\\fad(500,500)}14:25:32", "Watermark: 2024-01-31",
                                        "Scene002: Gate 2024-01-31 14:25:32", "Scene003: 14:25:33\\N2024-01-31"}));
}

TEST_F(MergeJobTest, StopAtEveryStageLeavesNothingRunningOrHalfMade) {
    Open(Clip("silent.mp4", Options(160, 90, "25", 100, false)), "stop-precheck");
    SetScenes({{0, 29}, {40, 69}, {80, 99}});
    // The first progress of the precheck comes from a re-cut about to start.
    CancelAt("precheck", [](const RecordingSink::Message& m) { return m.message == WM_APP_JOB_PROGRESS; });

    Open(Clip("silent.mp4", Options(160, 90, "25", 100, false)), "stop");
    SetScenes({{0, 29}, {40, 69}, {80, 99}});
    ASSERT_EQ(Run(kJobMerge), 0) << LastStateText();
    // A stopped merge leaves an earlier output alone; only a stopped final encode has one to remove.
    ASSERT_TRUE(fs::remove(Output()));
    for (const bool transition : {false, true}) {
        data.transition = transition;
        CancelAt(transition ? "cross-fade merge" : "concat merge", [](const RecordingSink::Message& m) {
            return m.message == WM_APP_JOB_NAME && m.text == "シーン結合";
        });
    }
    CancelAt("final encode", [](const RecordingSink::Message& m) {
        return m.message == WM_APP_JOB_START && m.text == "最終結合" && m.lParam > 0;
    });
}

TEST_F(MergeJobTest, ExtractAndMergeRunsTheMergeOnTheScenesFound) {
    clips::ClipOptions o = Options(320, 180, "25", 200, true);
    o.motion = {{40, 89}, {150, 199}};
    Open(Clip("moving.mp4", o), "extract");
    data.transition = false;
    ASSERT_EQ(Run(kJobExtractMerge), 0) << LastStateText();
    ASSERT_EQ(data.diff_list.Snapshot().size(), 2u);
    int frames = 0;
    for (const SceneEntry& s : data.diff_list.Snapshot()) frames += s.FrameCount();
    const VideoInfo out = Probe(Output());
    EXPECT_EQ(out.frame_num, frames);
    EXPECT_TRUE(out.has_audio);
    EXPECT_EQ(LastState(), kJobStateDone);
    // Extraction first, then the merge's stages.
    const auto starts = sink.Messages(WM_APP_JOB_START);
    ASSERT_FALSE(starts.empty());
    EXPECT_EQ(starts.front().text, "シーン抽出");
    EXPECT_EQ(starts.back().text, "最終結合");
}

}  // namespace
