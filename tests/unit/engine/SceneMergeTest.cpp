#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/TarneloProcess.h"
#include "engine/merge/SceneMerge.h"
#include "project/TarneloData.h"
#include "project/TimeText.h"
#include "support/EngineTestAccess.h"

namespace fs = std::filesystem;

namespace {

// The per-input element of the graph for input i of d seconds at 25 fps.
std::string InputPart(int i, const char* seconds, bool audio) {
    std::string part = FormatC("[%d:v]fps=25,trim=duration=%s,setpts=PTS-STARTPTS[v%d_pre];[v%d_pre]fps=25[v%d];", i,
                               seconds, i, i, i);
    if (audio) part += FormatC("[%d:a]atrim=duration=%s,asetpts=PTS-STARTPTS[a%d];", i, seconds, i);
    return part;
}

const MergeList kThreeFiveSecondInputs = {{"a.mp4", 5.0}, {"b.mp4", 5.0}, {"c.mp4", 5.0}};

TEST(SceneMergeTest, CrossFadeGraphChainsTheJoinsWithRunningOffsets) {
    const std::string inputs =
        InputPart(0, "5.000000", true) + InputPart(1, "5.000000", true) + InputPart(2, "5.000000", true);
    EXPECT_EQ(BuildMergeGraph(kThreeFiveSecondInputs, 0.5, "25", true),
              inputs +
                  "[v0][v1]xfade=transition=fade:duration=0.500000:offset=4.500000[vf1];"
                  "[a0][a1]acrossfade=d=0.500,aresample=async=1[af1];"
                  "[vf1][v2]xfade=transition=fade:duration=0.500000:offset=9.000000[vid];"
                  "[af1][a2]acrossfade=d=0.500,aresample=async=1[aud];"
                  "[vid]format=yuv420p[vid];[aud]aresample=async=1[aud];");

    // A silent source: no audio input, no audio join, no resampling.
    const std::string silent =
        InputPart(0, "5.000000", false) + InputPart(1, "5.000000", false) + InputPart(2, "5.000000", false);
    EXPECT_EQ(BuildMergeGraph(kThreeFiveSecondInputs, 0.5, "25", false),
              silent +
                  "[v0][v1]xfade=transition=fade:duration=0.500000:offset=4.500000[vf1];"
                  "[vf1][v2]xfade=transition=fade:duration=0.500000:offset=9.000000[vid];"
                  "[vid]format=yuv420p[vid];");

    // Unequal lengths: the k-th offset is d(0) + ... + d(k-1) - k x D, and the rate text is used as given.
    const std::string graph =
        BuildMergeGraph({{"a", 2.0}, {"b", 3.0}, {"c", 1.5}, {"d", 4.0}}, 0.48, "30000/1001", false);
    EXPECT_NE(graph.find("[0:v]fps=30000/1001,trim=duration=2.000000,"), std::string::npos) << graph;
    EXPECT_NE(graph.find("[v0][v1]xfade=transition=fade:duration=0.480000:offset=1.520000[vf1];"), std::string::npos);
    EXPECT_NE(graph.find("[vf1][v2]xfade=transition=fade:duration=0.480000:offset=4.040000[vf2];"), std::string::npos);
    EXPECT_NE(graph.find("[vf2][v3]xfade=transition=fade:duration=0.480000:offset=5.060000[vid];"), std::string::npos);
}

TEST(SceneMergeTest, TinyTransitionsConcatenateAndShortListsNeedNoJoin) {
    const std::string inputs =
        InputPart(0, "5.000000", true) + InputPart(1, "5.000000", true) + InputPart(2, "5.000000", true);
    const std::string concat = inputs +
                               "[v0][v1][v2]concat=n=3:v=1:a=0[vid];[a0][a1][a2]concat=n=3:v=0:a=1[aud];"
                               "[vid]format=yuv420p[vid];[aud]aresample=async=1[aud];";
    for (const double d : {0.0, 0.000001, 0.0000005, -0.5}) {
        EXPECT_EQ(BuildMergeGraph(kThreeFiveSecondInputs, d, "25", true), concat) << d;
    }
    EXPECT_NE(BuildMergeGraph(kThreeFiveSecondInputs, 0.0000011, "25", true), concat);

    // One input: only the format element after its own part, whatever the transition.
    EXPECT_EQ(BuildMergeGraph({{"a.mp4", 2.0}}, 0.5, "25", false),
              InputPart(0, "2.000000", false) + "[v0]format=yuv420p[vid];");
    EXPECT_EQ(BuildMergeGraph({{"a.mp4", 2.0}}, 0.5, "25", true),
              InputPart(0, "2.000000", true) + "[v0]format=yuv420p[vid];[a0]aresample=async=1[aud];");
    EXPECT_EQ(BuildMergeGraph({}, 0.5, "25", true), "");
}

TEST(SceneMergeTest, EngineGraphUsesTheTabsRateAndTheCurrentAudio) {
    CTarneloData data;
    data.m_sourceInfo.r_frame_rate = "30000/1001";
    data.m_currentInfo.r_frame_rate = "25";
    data.m_currentInfo.has_audio = false;
    CTarneloProcess engine(nullptr, &data);
    const MergeList list = {{"a.mp4", 1.0}, {"b.mp4", 1.0}};
    EXPECT_EQ(EngineTestAccess::Jobs(engine).BuildMergeFilterGraph(list, 0.5),
              BuildMergeGraph(list, 0.5, "30000/1001", false));
    data.m_currentInfo.has_audio = true;
    EXPECT_EQ(EngineTestAccess::Jobs(engine).BuildMergeFilterGraph(list, 0.5),
              BuildMergeGraph(list, 0.5, "30000/1001", true));
    // The merge tab's engine joins at the rate chosen on that tab.
    engine.SetOptions({.mode = 1, .mergeRateText = "24000/1001"});
    EXPECT_EQ(EngineTestAccess::Jobs(engine).BuildMergeFilterGraph(list, 0.5),
              BuildMergeGraph(list, 0.5, "24000/1001", true));
}

TEST(SceneMergeTest, BatchSizeShrinksWithTheFrameSize) {
    struct Case {
        int w, h, expected;
    };
    const Case cases[] = {
        {1920, 1080, 25}, {3840, 2160, 10},  {4096, 2160, 9},   {1280, 720, 25},
        {7680, 4320, 3},  {16384, 16384, 2},  // would round to 0: a round of one-input commands would never end
        {0, 0, 25},       {0, 1080, 25},     {-1920, 1080, 25},
    };
    for (const Case& c : cases) EXPECT_EQ(MergeBatchSize(c.w, c.h), c.expected) << c.w << "x" << c.h;
}

TEST(SceneMergeTest, TwentySixScenesAt1080pMergeInTwoRounds) {
    MergeList list;
    std::vector<double> durations;
    for (int i = 0; i < 26; ++i) {
        list.emplace_back(FormatC("/o/clip_seg_%d.mp4", i), 2.0);
        durations.push_back(2.0);
    }
    const MergePlan plan = PlanBatchMerge(durations, MergeBatchSize(1920, 1080), 0.5, 25);
    ASSERT_EQ(plan.rounds.size(), 2u);
    ASSERT_EQ(plan.rounds[0].size(), 2u);
    ASSERT_EQ(plan.rounds[1].size(), 1u);
    // 25 x 2 s - 24 x 0.5 s = 38 s (950 frames), then 2 s (50), then 38 + 2 - 0.5 = 39.5 s (988 after rounding).
    const MergeGroup& big = plan.rounds[0][0];
    const MergeGroup& single = plan.rounds[0][1];
    const MergeGroup& last = plan.rounds[1][0];
    EXPECT_EQ((std::vector<int>{big.first, big.count, big.offset, big.outputNumber}), (std::vector<int>{0, 25, 0, 1}));
    EXPECT_EQ((std::vector<int>{single.first, single.count, single.offset, single.outputNumber}),
              (std::vector<int>{25, 1, 950, 2}));
    EXPECT_EQ((std::vector<int>{last.first, last.count, last.offset, last.outputNumber}),
              (std::vector<int>{0, 2, 1000, 0}));
    EXPECT_EQ(plan.progressTotal, 1988);

    const MergeFiles files = MergeFileNames("/o/", "/in/clip.mov");
    MergeEncodeArgs args{"ffmpeg -y ", "mpeg4 -qscale:v 1", 25, "25"};
    const std::vector<BatchCommand> commands = BuildBatchMergeCommands(list, plan, 0.5, files, args, "25", true, true);
    ASSERT_EQ(commands.size(), 3u);

    EXPECT_EQ(commands[0].output, "/o/clip_merged_1.mp4");
    EXPECT_EQ(commands[0].offset, 0);
    size_t inputs = 0;
    for (size_t at = commands[0].command.find("-i \""); at != std::string::npos;
         at = commands[0].command.find("-i \"", at + 1)) {
        ++inputs;
    }
    EXPECT_EQ(inputs, 25u);
    EXPECT_NE(commands[0].command.find("[vf23][v24]xfade=transition=fade:duration=0.500000:offset=36.000000[vid];"),
              std::string::npos);

    EXPECT_EQ(commands[1].command,
              "ffmpeg -y -i \"/o/clip_seg_25.mp4\" -filter_complex \"" + InputPart(0, "2.000000", true) +
                  "[v0]format=yuv420p[vid];[a0]aresample=async=1[aud]\" -map \"[vid]\" -map \"[aud]\" -c:v mpeg4 "
                  "-qscale:v 1 -g 25 -keyint_min 1 -r 25 -c:a pcm_s16le -movflags +faststart "
                  "\"/o/clip_merged_2.mp4\"");
    EXPECT_EQ(commands[1].offset, 950);

    EXPECT_EQ(commands[2].command,
              "ffmpeg -y -i \"/o/clip_merged_1.mp4\" -i \"/o/clip_merged_2.mp4\" -filter_complex \"" +
                  InputPart(0, "38.000000", true) + InputPart(1, "2.000000", true) +
                  "[v0][v1]xfade=transition=fade:duration=0.500000:offset=37.500000[vid];"
                  "[a0][a1]acrossfade=d=0.500,aresample=async=1[aud];"
                  "[vid]format=yuv420p[vid];[aud]aresample=async=1[aud]\" -map \"[vid]\" -map \"[aud]\" -c:v mpeg4 "
                  "-qscale:v 1 -g 25 -keyint_min 1 -r 25 -c:a pcm_s16le -movflags +faststart "
                  "\"/o/clip_merged.mp4\"");
    EXPECT_EQ(commands[2].output, "/o/clip_merged.mp4");
    EXPECT_EQ(commands[2].offset, 1000);
}

TEST(SceneMergeTest, PlanEdges) {
    // Nothing to join below two entries.
    EXPECT_TRUE(PlanBatchMerge({}, 25, 0.5, 25).rounds.empty());
    EXPECT_TRUE(PlanBatchMerge({3.0}, 25, 0.5, 25).rounds.empty());
    EXPECT_EQ(PlanBatchMerge({3.0}, 25, 0.5, 25).progressTotal, 0);

    // A list that fits one batch is one command writing the merged file directly.
    const MergePlan one = PlanBatchMerge({2.0, 2.0, 2.0}, 25, 0.5, 25);
    ASSERT_EQ(one.rounds.size(), 1u);
    ASSERT_EQ(one.rounds[0].size(), 1u);
    EXPECT_EQ(one.rounds[0][0].outputNumber, 0);
    EXPECT_EQ(one.progressTotal, 125);  // 5 s

    // 4K frames: batches of 10; 21 entries give 10, 10, 1 and then one join of three; numbers keep counting.
    const MergePlan big = PlanBatchMerge(std::vector<double>(21, 1.0), MergeBatchSize(3840, 2160), 0.5, 25);
    ASSERT_EQ(big.rounds.size(), 2u);
    ASSERT_EQ(big.rounds[0].size(), 3u);
    EXPECT_EQ(big.rounds[0][2].count, 1);
    EXPECT_EQ(big.rounds[0][2].outputNumber, 3);
    EXPECT_EQ(big.rounds[1][0].count, 3);
    EXPECT_EQ(big.rounds[1][0].outputNumber, 0);

    // A batch size below 2 is taken as 2, so planning always ends.
    const MergePlan pairs = PlanBatchMerge(std::vector<double>(5, 1.0), 1, 0.0, 25);
    EXPECT_EQ(pairs.rounds.size(), 3u);
}

TEST(SceneMergeTest, ScenesShorterThanATransitionAreFound) {
    EXPECT_EQ(FirstEntryShorterThanTransition({2.0, 0.48, 2.0}, 0.48), -1);  // exactly one transition is enough
    EXPECT_EQ(FirstEntryShorterThanTransition({2.0, 2.0, 0.4}, 0.48), 2);
    EXPECT_EQ(FirstEntryShorterThanTransition({0.3, 0.2}, 0.48), 0);
    EXPECT_EQ(FirstEntryShorterThanTransition({0.3, 0.2}, 0.0), -1);  // concatenation takes any length
    EXPECT_EQ(FirstEntryShorterThanTransition({}, 0.5), -1);
    // 29.97 fps: the transition is 14 frames (0.467 s) shown as 0.47; a 14-frame scene is long enough.
    EXPECT_EQ(FirstEntryShorterThanTransition({2.0, 14 * 1001 / 30000.0}, 0.47), -1);
    EXPECT_EQ(FirstEntryShorterThanTransition({2.0, 13 * 1001 / 30000.0}, 0.47), 1);
}

TEST(SceneMergeTest, MergedFrameCount) {
    struct Case {
        int total, scenes;
        double d, fps;
        bool cross;
        int expected;
    };
    const Case cases[] = {
        {250, 2, 0.5, 25, false, 250},  // concatenation keeps every frame
        {250, 2, 0.5, 25, true, 237},   // (10 - 0.5) x 25 = 237.5
        {150, 3, 0.5, 30, true, 120},   // (5 - 1) x 30
        {100, 1, 0.5, 25, true, 100},   // one scene loses nothing
        {100, 3, 0.5, 0, true, 0},      // no rate: the seconds count as 0
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MergedFrameCount(c.total, c.scenes, c.d, c.fps, c.cross), c.expected) << c.total << " " << c.scenes;
    }
    EXPECT_DOUBLE_EQ(SceneDurationSeconds(50, 25), 2.0);
    EXPECT_DOUBLE_EQ(SceneDurationSeconds(50, 0), 0.0);
}

TEST(SceneMergeTest, FileNamesAndCommandTexts) {
    const MergeFiles files = MergeFileNames("/out/", "/in/my.clip.mkv");
    EXPECT_EQ(files.base, "my.clip");
    EXPECT_EQ(files.listFile, "/out/my.clip_filelist.txt");
    EXPECT_EQ(files.merged, "/out/my.clip_merged.mp4");
    EXPECT_EQ(files.Intermediate(12), "/out/my.clip_merged_12.mp4");

    const MergeEncodeArgs args{"ffmpeg -y ", "mpeg4 -qscale:v 4", 30, "30000/1001"};
    EXPECT_EQ(ConcatMergeCommand(args, "/out/a_filelist.txt", "/out/a_merged.mp4", true),
              "ffmpeg -y -f concat -safe 0 -i \"/out/a_filelist.txt\" -c:v mpeg4 -qscale:v 4 -g 30 -keyint_min 1 -r "
              "30000/1001 -c:a pcm_s16le -vf \"setpts=PTS-STARTPTS\" -af \"asetpts=PTS-STARTPTS\" -movflags "
              "+faststart \"/out/a_merged.mp4\"");
    EXPECT_EQ(ConcatMergeCommand(args, "/out/a_filelist.txt", "/out/a_merged.mp4", false),
              "ffmpeg -y -f concat -safe 0 -i \"/out/a_filelist.txt\" -c:v mpeg4 -qscale:v 4 -g 30 -keyint_min 1 -r "
              "30000/1001 -c:a pcm_s16le -vf \"setpts=PTS-STARTPTS\" -af \"asetpts=PTS-STARTPTS\" -movflags "
              "+faststart -f mov \"/out/a_merged.mp4\"");
    EXPECT_EQ(BatchMergeCommand(args, {"/s/1.mp4", "/s/say \"hi\".mp4"}, "G;", false, "/o/m.mp4", true),
              "ffmpeg -y -i \"/s/1.mp4\" -i \"/s/say \\\"hi\\\".mp4\" -filter_complex \"G\" -map \"[vid]\" -c:v "
              "mpeg4 -qscale:v 4 -g 30 -keyint_min 1 -r 30000/1001 -c:a pcm_s16le -movflags +faststart "
              "\"/o/m.mp4\"");
    EXPECT_EQ(BatchMergeCommand(args, {"/s/1.mp4"}, "G;", true, "/o/m.mp4", false),
              "ffmpeg -y -i \"/s/1.mp4\" -filter_complex \"G\" -map \"[vid]\" -map \"[aud]\" -c:v mpeg4 -qscale:v 4 "
              "-g 30 -keyint_min 1 -r 30000/1001 -c:a pcm_s16le -movflags +faststart -f mov \"/o/m.mp4\"");
    EXPECT_EQ(FinalEncodeCommand({"ffmpeg -y -hwaccel cuda ", "h264_nvenc -preset p1 -qp 18", 25, "25"}, "/o/m.mp4",
                                 "lut=y='x',hue=s=1.000,", "/o/out.mp4"),
              "ffmpeg -y -hwaccel cuda -i \"/o/m.mp4\" -c:v h264_nvenc -preset p1 -qp 18 -g 25 -keyint_min 1 -r 25 "
              "-c:a aac -b:a 192k -vf \"lut=y='x',hue=s=1.000,setpts=PTS-STARTPTS\" -af \"asetpts=PTS-STARTPTS\" "
              "-movflags +faststart \"/o/out.mp4\"");
    // Chapters come in as a second input; the rest of the command stays as it is without them.
    EXPECT_EQ(
        FinalEncodeCommand({"ffmpeg -y ", "libx264", 25, "25"}, "/o/m.mp4", "", "/o/out.mp4", "/o/a_chapters.txt"),
        "ffmpeg -y -i \"/o/m.mp4\" -f ffmetadata -i \"/o/a_chapters.txt\" -map_chapters 1 -c:v libx264 -g 25 "
        "-keyint_min 1 -r 25 -c:a aac -b:a 192k -vf \"setpts=PTS-STARTPTS\" -af \"asetpts=PTS-STARTPTS\" "
        "-movflags +faststart \"/o/out.mp4\"");
    EXPECT_EQ(PacketCountCommand("/o/a b.mp4"),
              "ffprobe -v quiet -count_packets -select_streams v:0 -show_entries stream=nb_read_packets -of csv=p=0 "
              "\"/o/a b.mp4\"");
}

TEST(SceneMergeTest, ConcatListCarriesEveryNameOrRefuses) {
    EXPECT_EQ(ConcatListText({"/o/a_seg_0_9.mp4", "/o/b c.mp4"}), "file '/o/a_seg_0_9.mp4'\nfile '/o/b c.mp4'\n");
    EXPECT_EQ(ConcatListText({"/o/it's.mp4"}), "file '/o/it'\\''s.mp4'\n");
    EXPECT_EQ(ConcatListText({}), "");
    EXPECT_FALSE(ConcatListText({"/o/a.mp4", "/o/two\nlines.mp4"}).has_value());
    EXPECT_FALSE(ConcatListText({"/o/cr\r.mp4"}).has_value());
    EXPECT_FALSE(ConcatListText({std::string("/o/nul\0.mp4", 11)}).has_value());
}

TEST(SceneMergeTest, AMergeThatCannotNameItsFilesIsToldBeforeItRuns) {
    struct Case {
        const char* folder;
        const char* input;
        const char* problem;  // part of the reason; nullptr: the merge can go ahead
    };
    const Case cases[] = {
        {"/o/", "/i/clip.mp4", nullptr},
        {"/o/it's 100% [a];b=c,d/", "/i/-dash $x\\.mp4", nullptr},
        {"/o/two\nlines/", "/i/clip.mp4", "line break"},
        {"/o/", "/i/two\nlines.mp4", "line break"},
        {"/o/say \"hi\"/", "/i/clip.mp4", "double quote"},
        {"/o/", "/i/say \"hi\".mp4", "double quote"},
        {"/o/tab\there/", "/i/clip.mp4", "control character"},
    };
    for (const Case& c : cases) {
        CTarneloData data;
        data.output_folder = c.folder;
        data.input_file = c.input;
        const std::optional<std::string> problem = MergePathProblem(data);
        if (c.problem == nullptr) {
            EXPECT_FALSE(problem.has_value()) << c.folder << " " << c.input << ": " << problem.value_or("");
        } else {
            ASSERT_TRUE(problem.has_value()) << c.folder << " " << c.input;
            EXPECT_NE(problem->find(c.problem), std::string::npos) << *problem;
        }
    }
}

TEST(SceneMergeTest, CleanUpTakesOnlyThisInputsIntermediates) {
    struct Case {
        const char* name;
        bool matches;
    };
    const Case cases[] = {
        {"a*b_merged.mp4", true},  {"a*b_merged_3.mp4", true},    {"a*b_merged-old.mp4", true},
        {"axb_merged.mp4", false}, {"a*b_merged.mp4.bak", false}, {"a*b_filelist.txt", false},
        {"a*b_merged.MP4", false}, {"xa*b_merged.mp4", false},    {"a*b_merge.mp4", false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsMergeIntermediateName(c.name, "a*b"), c.matches) << c.name;

    const fs::path folder = fs::temp_directory_path() / FormatC("tarnelo-merge-clean-%d", ::getpid());
    fs::remove_all(folder);
    fs::create_directories(folder / "in_merged_9.mp4");  // a folder is never deleted
    for (const char* name : {"in_merged.mp4", "in_merged_1.mp4", "in_merged_2.mp4", "in_filelist.txt",
                             "other_merged.mp4", "in_seg_0_9.mp4"}) {
        std::ofstream(folder / name) << "x";
    }
    const MergeFiles files = MergeFileNames(folder.string() + "/", "/in/in.mp4");
    DeleteMergeIntermediates(files);
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(folder)) left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left,
              (std::vector<std::string>{"in_filelist.txt", "in_merged_9.mp4", "in_seg_0_9.mp4", "other_merged.mp4"}));
    fs::remove_all(folder);
}

TEST(SceneMergeTest, PacketCountIsReadFromTheReport) {
    EXPECT_EQ(ParsePacketCount("25\n"), 25);
    EXPECT_EQ(ParsePacketCount("1234"), 1234);
    EXPECT_EQ(ParsePacketCount("25,\r\n"), 25);
    EXPECT_EQ(ParsePacketCount(""), -1);
    EXPECT_EQ(ParsePacketCount("N/A\n"), -1);
    EXPECT_EQ(ParsePacketCount("99999999999999\n"), -1);
}

}  // namespace
