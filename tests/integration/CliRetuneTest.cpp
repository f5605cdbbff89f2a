// tarnelo-cli retune: the scenes of other settings from the record an extraction left, checked against fresh
// extractions, a record that must not be trusted, and the segments a saved retune cuts and keeps.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "integration/ClipFactory.h"
#include "support/CliRun.h"

namespace fs = std::filesystem;

namespace {

using namespace clitest;
using Ranges = SceneRanges;

class CliRetuneTest : public CliFixture {
protected:
    void SetUp() override {
        CliFixture::SetUp();
        if (!clips::ToolsAvailable()) GTEST_SKIP() << "ffmpeg or ffprobe is not on PATH";
    }

    std::string MakeClip(const std::string& name, const clips::ClipOptions& o) {
        std::string error;
        const std::string path = clips::MakeClip(m_dir.string(), name, o, &error);
        EXPECT_FALSE(path.empty()) << error;
        return path;
    }

    // One minute at 25 fps: motion of 0.6 s to 4 s with pauses of 0.4 s to 3 s between them.
    std::string MinuteClip() {
        clips::ClipOptions o;
        o.frames = 1500;
        o.motion = {{50, 64},   {75, 150},  {190, 290},  {330, 345},   {420, 520},  {560, 570},
                    {600, 700}, {790, 890}, {900, 1000}, {1100, 1115}, {1200, 1400}};
        return MakeClip("minute.mp4", o);
    }
};

TEST_F(CliRetuneTest, GivesTheScenesOfAFreshExtractionForEverySetting) {
    const std::string clip = MinuteClip();
    RunResult r = RunCli({"extract", clip, "--no-cut", "--output-folder", Path("out")});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string project = clip + ".kpproj";
    ASSERT_TRUE(fs::exists(m_dir / "minute.mp4.kpmotion"));

    const std::vector<std::vector<std::string>> settings = {
        {"--threshold", "100", "--valid-sec", "1.0", "--cut-sec", "1.0"},
        {"--threshold", "100", "--valid-sec", "2.5", "--cut-sec", "1.0"},
        {"--threshold", "100", "--valid-sec", "1.0", "--cut-sec", "2.0"},
        {"--threshold", "0", "--valid-sec", "1.0", "--cut-sec", "1.0"},
        {"--threshold", "1000", "--valid-sec", "1.0", "--cut-sec", "1.0"},
        {"--threshold", "20", "--valid-sec", "4.0", "--cut-sec", "3.5"},
        // Padding that joins neighbours, padding that reaches both ends of the clip, and the longest scene.
        {"--threshold", "100", "--pre-roll", "1.0", "--post-roll", "2.0"},
        {"--threshold", "100", "--post-roll", "3.0"},
        {"--threshold", "100", "--pre-roll", "10", "--post-roll", "10"},
        {"--threshold", "100", "--max-sec", "10"},
        {"--threshold", "100", "--pre-roll", "0.5", "--post-roll", "0.5", "--max-sec", "10"},
        {"--threshold", "20", "--valid-sec", "4.0", "--cut-sec", "3.5", "--pre-roll", "0.3", "--max-sec", "10"},
    };
    for (const std::vector<std::string>& setting : settings) {
        std::vector<std::string> retune = {"retune", project, "--dry-run"};
        retune.insert(retune.end(), setting.begin(), setting.end());
        r = RunCli(retune);
        ASSERT_EQ(r.status, 0) << r.err;
        const Ranges tuned = TableRanges(r.out);

        std::vector<std::string> fresh = {"extract",     clip,        "--no-cut",          "--output-folder",
                                          Path("fresh"), "--project", Path("fresh.kpproj")};
        fresh.insert(fresh.end(), setting.begin(), setting.end());
        r = RunCli(fresh);
        ASSERT_EQ(r.status, 0) << r.err;
        std::string given;
        for (const std::string& word : setting) given += word + " ";
        EXPECT_EQ(tuned, TableRanges(r.out)) << given;
        EXPECT_FALSE(tuned.empty());
    }
}

TEST_F(CliRetuneTest, ARecordThatDoesNotMatchIsRefusedAndTheNextExtractionRebuildsIt) {
    clips::ClipOptions o;
    o.frames = 150;
    o.motion = {{25, 60}, {100, 135}};
    const std::string clip = MakeClip("clip.mp4", o);
    ASSERT_EQ(RunCli({"extract", clip, "--no-cut", "--output-folder", Path("out")}).status, 0);
    const std::string project = clip + ".kpproj";
    const std::string record = Path("clip.mp4.kpmotion");
    const RunResult good = RunCli({"retune", project, "--dry-run"});
    ASSERT_EQ(good.status, 0) << good.err;

    const auto refusedAs = [&](const std::string& why) {
        const RunResult r = RunCli({"retune", project, "--dry-run"});
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find(why), std::string::npos) << r.err;
        EXPECT_TRUE(r.out.empty());
        // The extraction ignores what is there and writes a record of its own, which gives its scenes.
        const RunResult fresh = RunCli({"extract", clip, "--no-cut", "--output-folder", Path("out")});
        ASSERT_EQ(fresh.status, 0) << fresh.err;
        const RunResult again = RunCli({"retune", project, "--dry-run"});
        EXPECT_EQ(again.status, 0) << again.err;
        EXPECT_EQ(TableRanges(again.out), TableRanges(fresh.out));
    };

    fs::resize_file(record, fs::file_size(record) - 3);
    refusedAs("damaged");

    {
        std::fstream file(record, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(8);
        const char version[4] = {4, 0, 0, 0};  // 2 and 3 are records of other compare settings or areas
        file.write(version, 4);
    }
    refusedAs("other version");

    // Another video under the same name.
    o.motion = {{10, 140}};
    const std::string other = MakeClip("other.mp4", o);
    fs::rename(other, clip);
    refusedAs("other input");

    fs::remove(record);
    refusedAs("missing");
}

// A box creeping 0.4 px a frame over a still background: a move of an eighth of an analysis pixel a frame.
TEST_F(CliRetuneTest, ASlowMoverIsFoundHalfASecondBackAndARecordIsRetunedOnlyInItsOwnMode) {
    clips::ClipOptions o;
    o.width = 320;
    o.height = 180;
    o.frames = 200;
    o.motion = {{50, 149}};
    o.boxStep = 0.4;
    const std::string clip = MakeClip("slow.mp4", o);
    const std::string previous = clip + ".kpproj";
    const std::string back = Path("back.kpproj");
    RunResult r = RunCli({"extract", clip, "--no-cut", "--output-folder", Path("out")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(TableRanges(r.out), (Ranges{{0, 74}})) << "nothing found: the default scene";
    // Today's rule writes today's files: no key in the project, a version 1 record, both as with 0 given.
    const std::string record = Path("slow.mp4.kpmotion");
    const std::string recordBytes = ReadFileText(record);
    ASSERT_GE(recordBytes.size(), 12u);
    EXPECT_EQ(recordBytes[8], 1);
    EXPECT_EQ(ReadFileText(previous).find("compare_sec"), std::string::npos);
    r = RunCli({"extract", clip, "--no-cut", "--output-folder", Path("out"), "--compare-sec", "0"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFileText(record), recordBytes);

    r = RunCli(
        {"extract", clip, "--no-cut", "--output-folder", Path("back"), "--project", back, "--compare-sec", "0.5"});
    ASSERT_EQ(r.status, 0) << r.err;
    const Ranges found = TableRanges(r.out);
    ASSERT_EQ(found.size(), 1u) << r.out;
    const int covered = std::min(found[0].second, 149) - std::max(found[0].first, 50) + 1;
    EXPECT_GE(covered, 90) << found[0].first << ".." << found[0].second;

    // Each record re-tunes in its own mode only; another asks for a new scan and changes nothing.
    const struct {
        std::string project;
        std::vector<std::string> compare;
        bool refused;
    } cases[] = {
        {previous, {"--compare-sec", "0.5"}, true},
        {back, {"--compare-sec", "0"}, true},
        {back, {}, false},
        {previous, {}, false},
    };
    for (const auto& c : cases) {
        const std::string before = ReadFileText(c.project);
        std::vector<std::string> retune = {"retune", c.project};
        retune.insert(retune.end(), c.compare.begin(), c.compare.end());
        r = RunCli(retune);
        EXPECT_EQ(r.status, c.refused ? 1 : 0) << c.project << " " << r.err;
        EXPECT_EQ(r.err.find("a new scan is needed") != std::string::npos, c.refused) << r.err;
        if (c.refused) {
            EXPECT_EQ(ReadFileText(c.project), before);
        }
    }
}

TEST_F(CliRetuneTest, ASavedRetuneCutsOnlyTheSegmentsThatChanged) {
    clips::ClipOptions o;
    o.frames = 150;
    o.motion = {{25, 60}, {100, 135}};  // 1.6 s of stillness between the two
    const std::string clip = MakeClip("two.mp4", o);
    RunResult r = RunCli({"extract", clip, "--output-folder", Path("out")});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string project = clip + ".kpproj";
    const Ranges two = TableRanges(r.out);
    ASSERT_EQ(two.size(), 2u);

    // Two seconds of stillness end a scene: the two become one.
    r = RunCli({"retune", project, "--cut-sec", "2.0"});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(TableRanges(r.out).size(), 1u);
    EXPECT_NE(r.err.find("1 cut, 0 kept"), std::string::npos) << r.err;
    size_t segments = 0;
    for (const auto& e : fs::directory_iterator(m_dir / "out"))
        segments += e.path().string().find("_seg_") != std::string::npos;
    EXPECT_EQ(segments, 1u);

    r = RunCli({"retune", project, "--cut-sec", "1.0"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(TableRanges(r.out), two);
    EXPECT_NE(r.err.find("2 cut, 0 kept"), std::string::npos) << r.err;
    // The same settings again change nothing and cut nothing.
    r = RunCli({"retune", project});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("0 cut, 2 kept"), std::string::npos) << r.err;
}

TEST_F(CliRetuneTest, ASceneThatKeepsItsRangeKeepsWhatTheUserGaveIt) {
    clips::ClipOptions o;
    o.frames = 300;
    // Pauses of 1.56 s and 2.56 s: two seconds of stillness join the first two scenes only.
    o.motion = {{25, 60}, {100, 135}, {200, 240}};
    const std::string clip = MakeClip("three.mp4", o);
    RunResult r = RunCli({"extract", clip, "--no-cut", "--output-folder", Path("out")});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string project = clip + ".kpproj";
    ASSERT_EQ(TableRanges(r.out).size(), 3u);

    // The user switches the third scene off and captions it; the second keeps its numbered caption.
    nlohmann::json root;
    std::ifstream(project) >> root;
    root["diff_list"][2]["enable"] = false;
    root["diff_list"][2]["capParam"]["caption"] = "fox, \"at the gate\"";
    std::ofstream(project) << root.dump(2);

    r = RunCli({"retune", project, "--cut-sec", "2.0"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::ifstream(project) >> root;
    const nlohmann::json& scenes = root["diff_list"];
    ASSERT_EQ(scenes.size(), 2u);
    EXPECT_EQ(scenes[0]["capParam"]["caption"], "Scene001");
    EXPECT_EQ(scenes[0]["enable"], true);
    EXPECT_EQ(scenes[1]["framNo_first"], 200);
    EXPECT_EQ(scenes[1]["enable"], false);
    EXPECT_EQ(scenes[1]["capParam"]["caption"], "fox, \"at the gate\"");

    // Back to the extraction's settings: the joined scene splits again, numbered as an extraction numbers.
    r = RunCli({"retune", project, "--cut-sec", "1.0"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::ifstream(project) >> root;
    ASSERT_EQ(root["diff_list"].size(), 3u);
    EXPECT_EQ(root["diff_list"][1]["capParam"]["caption"], "Scene002");
    EXPECT_EQ(root["diff_list"][2]["enable"], false);
}

TEST_F(CliRetuneTest, ARetuneWithoutCutsSavesThePaddedScenesAndCutsNothing) {
    clips::ClipOptions o;
    o.frames = 150;
    o.motion = {{25, 60}, {100, 135}};
    const std::string clip = MakeClip("pad.mp4", o);
    RunResult r = RunCli({"extract", clip, "--no-cut", "--output-folder", Path("out")});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string project = clip + ".kpproj";
    const Ranges two = TableRanges(r.out);
    ASSERT_EQ(two.size(), 2u);

    r = RunCli({"retune", project, "--no-cut", "--pre-roll", "0.4", "--post-roll", "0.8"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(TableRanges(r.out),
              (Ranges{{std::max(two[0].first - 10, 0), two[0].second + 20}, {two[1].first - 10, 149}}));
    EXPECT_NE(r.err.find("0 cut, 0 kept"), std::string::npos) << r.err;
    for (const auto& e : fs::directory_iterator(m_dir / "out")) {
        EXPECT_EQ(e.path().string().find("_seg_"), std::string::npos) << e.path();
    }
    nlohmann::json root;
    std::ifstream(project) >> root;
    EXPECT_EQ(root["pre_roll"], 0.4);
    EXPECT_FALSE(root.contains("max_len"));
    // The saved padding is the project's own: a plain retune keeps it and now cuts.
    const Ranges padded = TableRanges(r.out);
    r = RunCli({"retune", project});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(TableRanges(r.out), padded);
    EXPECT_NE(r.err.find("2 cut, 0 kept"), std::string::npos) << "no file was there to keep: " << r.err;

    // A cut that fails is told by the tool's own words, and the scenes stay saved.
    std::ifstream(project) >> root;
    const std::string second = root["diff_list"][1]["fileName"];
    fs::remove(second);
    fs::create_directories(fs::path(second) / "taken");
    r = RunCli({"retune", project});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("1 segment files could not be cut: "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(std::strerror(EISDIR)), std::string::npos) << r.err;
    EXPECT_EQ(TableRanges(r.out), padded);
}

}  // namespace
