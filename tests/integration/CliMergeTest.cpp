// tarnelo-cli's scene-tab commands beyond extraction: extract --merge, merge, autocorrect and play, run as a
// user runs them on clips made at test time.
#include <gtest/gtest.h>
#include <signal.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "integration/ClipFactory.h"
#include "support/CliRun.h"

namespace fs = std::filesystem;

namespace {

using namespace clitest;

// One row of the scene table extract and merge print.
struct SceneRow {
    bool on = false;
    int first = 0;
    int last = 0;
    std::string file;
};

std::vector<SceneRow> SceneRows(const std::string& table) {
    std::vector<SceneRow> rows;
    std::istringstream in(table);
    std::string line;
    std::getline(in, line);  // header
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        int index = 0;
        std::string on, start, end, duration;
        SceneRow row;
        if (fields >> index >> on >> row.first >> row.last >> start >> end >> duration >> row.file) {
            row.on = on == "on";
            rows.push_back(row);
        }
    }
    return rows;
}

int EnabledFrames(const std::vector<SceneRow>& rows) {
    int frames = 0;
    for (const SceneRow& row : rows) frames += row.on ? row.last - row.first + 1 : 0;
    return frames;
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Files of a folder whose names hold text.
std::vector<std::string> NamesWith(const std::string& folder, const std::string& text) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder, ec)) {
        const std::string name = e.path().filename().string();
        if (name.find(text) != std::string::npos) names.push_back(name);
    }
    return names;
}

class CliMergeTest : public CliFixture {
protected:
    void SetUp() override {
        CliFixture::SetUp();
        if (!clips::ToolsAvailable()) GTEST_SKIP() << "ffmpeg or ffprobe is not on PATH";
    }

    // 6 s at 25 fps: the box moves in 1.0-2.4 s and 4.0-5.4 s, two scenes apart by 1.6 s of stillness.
    std::string TwoSceneClip(const std::string& name, bool audio) {
        clips::ClipOptions o;
        o.frames = 150;
        o.motion = {{25, 60}, {100, 135}};
        o.audio = audio;
        std::string error;
        const std::string path = clips::MakeClip(m_dir.string(), name, o, &error);
        EXPECT_FALSE(path.empty()) << error;
        return path;
    }

    // The project of clip with its scenes found but not cut, in folder out/.
    std::string ScannedProject(const std::string& clip) {
        const RunResult r = RunCli({"extract", clip, "--no-cut", "--output-folder", Path("out")});
        EXPECT_EQ(r.status, 0) << r.err;
        return clip + ".kpproj";
    }
};

TEST_F(CliMergeTest, ExtractMergeJoinsTheEnabledScenesWithTheSourcesSound) {
    for (const bool audio : {true, false}) {
        SCOPED_TRACE(audio ? "with audio" : "silent");
        const std::string name = audio ? "voiced" : "silent";
        const std::string clip = TwoSceneClip(name + ".mp4", audio);
        const std::string folder = Path(name + "_out");

        const RunResult r = RunCli({"extract", clip, "--merge", "--output-folder", folder});
        ASSERT_EQ(r.status, 0) << r.err;
        const std::vector<SceneRow> rows = SceneRows(r.out);
        ASSERT_EQ(rows.size(), 2u) << r.out;
        const std::string output = folder + "/" + name + "_trim.mp4";
        EXPECT_NE(r.err.find("Merged file: " + output + "\n"), std::string::npos) << r.err;

        const std::vector<StreamFacts> streams = ProbeStreams(output);
        EXPECT_EQ(StreamOf(streams, "video").packets, EnabledFrames(rows));
        EXPECT_EQ(StreamOf(streams, "video").rate, "25/1");
        EXPECT_EQ(StreamOf(streams, "audio").type.empty(), !audio);
        EXPECT_EQ(NamesWith(folder, "_merged"), std::vector<std::string>{});
        EXPECT_TRUE(fs::exists(folder + "/" + name + "_filelist.txt"));
        // The project names the merged file, so a later merge or play finds it.
        EXPECT_NE(ReadText(clip + ".kpproj").find("\"output_name\": \"" + name + "_trim.mp4\""), std::string::npos);
    }
    EXPECT_EQ(Joined(LeftoverChildren()), "");
}

TEST_F(CliMergeTest, MergeCutsMissingAndTruncatedSegmentsAndCrossFades) {
    const std::string clip = TwoSceneClip("clip.mp4", true);
    const std::string project = ScannedProject(clip);
    const std::string output = Path("out/clip_trim.mp4");

    // No segment was cut by the scan: the merge's precheck cuts them all.
    RunResult r = RunCli({"merge", project});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<SceneRow> rows = SceneRows(r.out);
    ASSERT_EQ(rows.size(), 2u) << r.out;
    for (const SceneRow& row : rows) {
        EXPECT_EQ(StreamOf(ProbeStreams(Path("out/" + row.file)), "video").packets, row.last - row.first + 1)
            << row.file;
    }
    const int total = EnabledFrames(rows);
    EXPECT_EQ(StreamOf(ProbeStreams(output), "video").packets, total);

    // One segment gone, the other cut in half (its index still claims every frame): both are cut again.
    const std::string missing = Path("out/" + rows[0].file);
    const std::string truncated = Path("out/" + rows[1].file);
    fs::remove(missing);
    fs::resize_file(truncated, fs::file_size(truncated) / 2);
    r = RunCli({"merge", project, "--transition"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(StreamOf(ProbeStreams(missing), "video").packets, rows[0].last - rows[0].first + 1);
    EXPECT_EQ(StreamOf(ProbeStreams(truncated), "video").packets, rows[1].last - rows[1].first + 1);
    // Half a second at 25 fps is 12.5 frames, made an even 12: 0.48 s of cross-fade.
    const int crossFaded = static_cast<int>(std::floor((total / 25.0 - 0.48) * 25));
    const std::vector<StreamFacts> streams = ProbeStreams(output);
    EXPECT_NEAR(StreamOf(streams, "video").packets, crossFaded, 1);
    EXPECT_EQ(StreamOf(streams, "audio").type, "audio");
    EXPECT_NE(ReadText(project).find("\"transition\": true"), std::string::npos);
    EXPECT_EQ(NamesWith(Path("out"), "_merged"), std::vector<std::string>{});
    EXPECT_EQ(Joined(LeftoverChildren()), "");
}

TEST_F(CliMergeTest, AMergedFileNamedAsTheInputIsRefusedBeforeAnythingRuns) {
    const std::string clip = TwoSceneClip("clip.mp4", false);
    const auto size = fs::file_size(clip);
    RunResult r = RunCli({"extract", clip, "--merge", "--output-folder", m_dir.string(), "--output-name", "clip.mp4"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("would overwrite the input video"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(clip + ".kpproj"));

    // A project can name such an output (only extraction ran); its merge is refused.
    r = RunCli({"extract", clip, "--no-cut", "--output-folder", m_dir.string(), "--output-name", "clip.mp4"});
    ASSERT_EQ(r.status, 0) << r.err;
    r = RunCli({"merge", clip + ".kpproj"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("would overwrite the input video"), std::string::npos) << r.err;
    EXPECT_EQ(fs::file_size(clip), size);
}

TEST_F(CliMergeTest, AnOutputFolderTheMergeCannotNameIsRefusedBeforeTheExtraction) {
    const std::string clip = TwoSceneClip("clip.mp4", false);
    for (const std::string name : {"two\nlines", "say \"hi\""}) {
        SCOPED_TRACE(name);
        const std::string folder = Path(name);
        const RunResult r = RunCli({"extract", clip, "--merge", "--output-folder", folder});
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find("cannot merge"), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(folder));
        EXPECT_FALSE(fs::exists(clip + ".kpproj"));
        EXPECT_FALSE(fs::exists(clip + ".kpmotion"));
    }
    // Without the merge the same folder takes the extraction.
    const RunResult r = RunCli({"extract", clip, "--output-folder", Path("say \"hi\"")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(NamesWith(Path("say \"hi\""), "_seg_").size(), 2u);
}

// A file-size limit stands in for a full disk: each job fails with status 1 and the system's reason, no
// segment is counted as cut, and the same commands with room finish the work.
TEST_F(CliMergeTest, AFullDiskFailsEachJobWithTheSystemsReasonAndARerunCompletes) {
    const std::string clip = TwoSceneClip("clip.mp4", true);
    const std::string folder = Path("out");
    const auto limited = [](const std::vector<std::string>& args) {
        std::vector<std::string> argv = {"/bin/bash", "-c", "ulimit -f 8 && exec \"$0\" \"$@\"", kCliPath};
        argv.insert(argv.end(), args.begin(), args.end());
        return RunProgram(argv, {"LANG=C.UTF-8", "LC_ALL="});
    };
    const std::string tooLarge = std::strerror(EFBIG);

    RunResult r = limited({"extract", clip, "--output-folder", folder});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("2 of 2 segment files could not be written: " + tooLarge), std::string::npos) << r.err;
    EXPECT_EQ(NamesWith(folder, "_seg_"), std::vector<std::string>{});
    EXPECT_EQ(SceneRows(r.out).size(), 2u) << r.out;
    const std::string project = clip + ".kpproj";
    const std::string saved = ReadText(project);

    r = limited({"merge", project});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("merge failed: "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(tooLarge), std::string::npos) << r.err;
    EXPECT_EQ(ReadText(project), saved);
    EXPECT_EQ(NamesWith(folder, "_trim"), std::vector<std::string>{});

    r = RunCli({"merge", project});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(NamesWith(folder, "_seg_").size(), 2u);
    EXPECT_EQ(StreamOf(ProbeStreams(folder + "/clip_trim.mp4"), "video").packets, EnabledFrames(SceneRows(r.out)));
    EXPECT_EQ(Joined(LeftoverChildren()), "");
}

TEST_F(CliMergeTest, CtrlCDuringTheMergeLeavesNoFfmpegAndNoPartialOutput) {
    const std::string clip = TwoSceneClip("clip.mp4", true);
    const std::string project = ScannedProject(clip);
    ASSERT_EQ(RunCli({"segments", project}).status, 0);
    // The merge commands read their input at its own pace, so the stop surely finds one running.
    const std::string bin = Path("bin");
    fs::create_directory(bin);
    std::ofstream(bin + "/ffmpeg") << "#!/bin/sh\ncase \"$*\" in *_merged*) exec '" << platform::FindProgram("ffmpeg")
                                   << "' -readrate 1 \"$@\" ;; esac\nexec '" << platform::FindProgram("ffmpeg")
                                   << "' \"$@\"\n";
    fs::permissions(bin + "/ffmpeg", fs::perms::owner_all);
    const char* path = std::getenv("PATH");
    const std::vector<std::string> env = {"LANG=C.UTF-8", "LC_ALL=", "PATH=" + bin + ":" + (path ? path : "")};

    const StopOutcome stop = StopAtFirstProgress({"merge", project}, "Scene Merge", SIGINT, m_dir.string(), env);
    ExpectStoppedCleanly(stop, SIGINT, m_dir.string());
    EXPECT_EQ(stop.result.status, 130);
    EXPECT_NE(stop.result.err.find("Stopped"), std::string::npos) << stop.result.err;
    EXPECT_FALSE(fs::exists(Path("out/clip_trim.mp4")));
    EXPECT_EQ(NamesWith(Path("out"), "_merged"), std::vector<std::string>{});
    // The project is still whole: a merge afterwards goes through.
    const RunResult again = RunCli({"merge", project});
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_TRUE(fs::exists(Path("out/clip_trim.mp4")));
}

TEST_F(CliMergeTest, AutocorrectPrintsTheValuesAndSavesThem) {
    // A very dark clip: Y about 10 gives brightness (128 - 10) / 255 = 0.46 and gamma 2.00 (clamped).
    clips::ClipOptions o;
    o.frames = 30;
    o.background = "0x0a0a0a";
    std::string error;
    const std::string clip = clips::MakeClip(m_dir.string(), "dark.mp4", o, &error);
    ASSERT_FALSE(clip.empty()) << error;
    const std::string project = ScannedProject(clip);

    const RunResult r = RunCli({"autocorrect", project});
    ASSERT_EQ(r.status, 0) << r.err;
    std::istringstream lines(r.out);
    std::map<std::string, double> values;
    std::string name;
    double value = 0;
    while (lines >> name >> value) values[name] = value;
    ASSERT_EQ(values.size(), 6u) << r.out;
    EXPECT_NEAR(values["brightness"], 0.46, 0.011) << r.out;
    EXPECT_EQ(values["gamma"], 2.0) << r.out;
    EXPECT_EQ(values["contrast"], 2.0) << r.out;  // a flat picture
    EXPECT_TRUE(values.count("saturation") && values.count("chroma_offset_u") && values.count("chroma_offset_v"));
    const std::string saved = ReadText(project);
    std::ostringstream brightness;
    brightness << "\"brightness\": " << values["brightness"];
    EXPECT_NE(saved.find(brightness.str()), std::string::npos) << saved;
    EXPECT_NE(saved.find("\"gamma\": 2.0"), std::string::npos) << saved;
    EXPECT_EQ(NamesWith(Path("out"), "_frame_"), std::vector<std::string>{});
    EXPECT_EQ(Joined(LeftoverChildren()), "");
}

TEST_F(CliMergeTest, PlayPlaysAFileAProjectsOutputAndOneScene) {
    if (!clips::OnPath("ffplay")) GTEST_SKIP() << "ffplay is not on PATH";
    const std::vector<std::string> env = {"LANG=C.UTF-8", "LC_ALL=", "SDL_VIDEODRIVER=dummy", "SDL_AUDIODRIVER=dummy"};
    clips::ClipOptions o;
    o.frames = 12;
    o.audio = true;
    std::string error;
    const std::string clip = clips::MakeClip(m_dir.string(), "short.mp4", o, &error);
    ASSERT_FALSE(clip.empty()) << error;

    RunResult r = RunCli({"play", clip}, env);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("> Input Preview"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Played " + clip), std::string::npos) << r.err;

    // A project plays its merged output, or one scene's segment with --scene.
    const std::string scenes = TwoSceneClip("scenes.mp4", false);
    r = RunCli({"extract", scenes, "--merge", "--output-folder", Path("out")});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<SceneRow> rows = SceneRows(r.out);
    ASSERT_EQ(rows.size(), 2u) << r.out;
    r = RunCli({"play", scenes + ".kpproj"}, env);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("Played " + Path("out/scenes_trim.mp4")), std::string::npos) << r.err;
    r = RunCli({"play", scenes + ".kpproj", "--scene", "2"}, env);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("> Scene Preview"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Played " + Path("out/" + rows[1].file)), std::string::npos) << r.err;

    r = RunCli({"play", scenes + ".kpproj", "--scene", "3"}, env);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("there is no scene 3"), std::string::npos) << r.err;
    fs::remove(Path("out/" + rows[0].file));
    r = RunCli({"play", scenes + ".kpproj", "--scene", "1"}, env);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("scene 1 has no segment file"), std::string::npos) << r.err;
    EXPECT_EQ(Joined(LeftoverChildren()), "");
}

TEST_F(CliMergeTest, WrongUsageOfTheNewCommandsExitsWithTwo) {
    const std::vector<std::vector<std::string>> cases = {
        {"merge"},
        {"merge", "a.kpproj", "b.kpproj"},
        {"merge", "a.kpproj", "--transition", "--no-transition"},
        {"merge", "a.kpproj", "--threshold", "5"},
        {"extract", "a.mp4", "--transition"},
        {"extract", "a.mp4", "--merge", "--merge"},
        {"autocorrect"},
        {"autocorrect", "a.kpproj", "--quality", "1"},
        {"play"},
        {"play", "a.mp4", "--scene", "1"},
        {"play", "a.kpproj", "--scene", "0"},
        {"play", "a.kpproj", "--scene", "one"},
    };
    for (const auto& args : cases) {
        const RunResult r = RunCli(args);
        std::string shown;
        for (const std::string& a : args) shown += a + " ";
        EXPECT_EQ(r.status, 2) << shown;
        EXPECT_NE(r.err.find("Usage:"), std::string::npos) << shown;
        EXPECT_TRUE(r.out.empty()) << shown;
    }
    EXPECT_TRUE(fs::is_empty(m_dir));
}

}  // namespace
