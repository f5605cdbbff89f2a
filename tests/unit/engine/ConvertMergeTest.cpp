// The merge tab's pure parts: choice lists, names, the conversion command and the numbers of the result.
#include <gtest/gtest.h>

#include <string>

#include "engine/merge/ConvertMerge.h"
#include "project/TarneloData.h"

namespace {

TEST(ConvertMergeTest, ChoiceListsMatchTheTabAndGuardTheirIndexes) {
    const auto& rates = FrameRateList();
    const char* texts[] = {"120/1",      "120000/1001", "60/1",       "60000/1001", "30/1",
                           "30000/1001", "24/1",        "24000/1001", "15/1",       "10/1"};
    const char* labels[] = {"120.00", "119.88", "60.00", "59.94", "30.00", "29.97", "24.00", "23.98", "15.00", "10.00"};
    ASSERT_EQ(rates.size(), 10u);
    for (size_t i = 0; i < rates.size(); ++i) {
        EXPECT_EQ(FrameRateText(rates[i]), texts[i]) << i;
        EXPECT_EQ(FrameRateLabel(rates[i]), labels[i]) << i;
    }
    const auto& sizes = FrameSizeList();
    ASSERT_EQ(sizes.size(), 9u);
    EXPECT_EQ(sizes[0].width, 4096);
    EXPECT_EQ(sizes[3].width, 1920);
    EXPECT_EQ(sizes[4].height, 720);
    EXPECT_EQ(sizes[5].width, 854);
    EXPECT_EQ(sizes[8].width, 352);
    EXPECT_EQ(sizes[8].height, 288);

    // A stale or corrupt choice falls back to the defaults, never outside the tables.
    for (const int bad : {-1, 10, 1000}) {
        EXPECT_EQ(FrameRateText(MergeFrameRate(bad)), "60000/1001") << bad;
        EXPECT_EQ(MergeFrameSize(bad).width, 1920) << bad;
    }
    EXPECT_EQ(MergeFrameSize(9).height, 1080);
    EXPECT_EQ(FrameRateText(MergeFrameRate(9)), "10/1");
    EXPECT_DOUBLE_EQ(FrameRateValue({0, 0}), 0);
}

TEST(ConvertMergeTest, ADropNamesTheOutputsAfterTheFirstVideo) {
    CTarneloData data;
    data.ResetAll(false);
    data.output_folder.clear();
    data.output_name.clear();
    data.diff_list.Clear();

    EXPECT_EQ(AddMergeEntry(data, "/v/a.mp4", kDefaultMergeChoice, kDefaultMergeChoice), 0);
    EXPECT_EQ(data.input_file, "/v/a.mp4");
    EXPECT_EQ(data.output_folder, "/v/conv_out/");
    EXPECT_EQ(data.output_name, "a_conv_1920x1080_59.94.mp4");
    ASSERT_EQ(data.diff_list.Snapshot().size(), 1u);
    const SceneEntry first = data.diff_list.Snapshot()[0];
    EXPECT_FALSE(first.m_created);
    EXPECT_TRUE(first.enable);
    EXPECT_TRUE(first.m_sourcePath.empty());
    EXPECT_EQ(first.m_fileToUse, "/v/a.mp4");
    EXPECT_EQ(first.fileName, "/v/conv_out/a_seg_1920x1080_59.94.mp4");
    EXPECT_TRUE(first.capParam.caption.empty());
    EXPECT_EQ(first.m_convertedInfo.frame_num, 0);

    // Later videos keep the folder and name; their converted files follow the choices of the moment.
    EXPECT_EQ(AddMergeEntry(data, "/w/clip two.MOV", 4, 5), 1);
    EXPECT_EQ(data.input_file, "/w/clip two.MOV");
    EXPECT_EQ(data.output_folder, "/v/conv_out/");
    EXPECT_EQ(data.output_name, "a_conv_1920x1080_59.94.mp4");
    EXPECT_EQ(data.diff_list.Snapshot()[1].fileName, "/v/conv_out/clip two_seg_1280x720_29.97.mp4");

    // A folder and name the user chose stay.
    CTarneloData chosen;
    chosen.output_folder = "/out/";
    chosen.output_name = "joined.mp4";
    AddMergeEntry(chosen, "/v/b.avi", 8, 9);
    EXPECT_EQ(chosen.output_folder, "/out/");
    EXPECT_EQ(chosen.output_name, "joined.mp4");
    EXPECT_EQ(chosen.diff_list.Snapshot()[0].fileName, "/out/b_seg_352x288_10.00.mp4");

    EXPECT_EQ(ConvertedFileName("/o/", "noext", {352, 288}, {25, 1}), "/o/noext_seg_352x288_25.00.mp4");
    EXPECT_EQ(MergeOutputFolder("rel.mp4"), "conv_out/");
}

// The names a drop derives from a path: only the last dot of the file name ends its stem, and the folder
// always ends in one separator.
TEST(ConvertMergeTest, DropNamesFromPathsOfEveryShape) {
    struct Case {
        const char* input;
        const char* folder;
        const char* name;
        const char* converted;  // in folder, at 1920x1080 and 59.94
    };
    const Case cases[] = {
        {"/v/a.mp4", "/v/conv_out/", "a_conv_1920x1080_59.94.mp4", "a_seg_1920x1080_59.94.mp4"},
        {"/a.mp4", "/conv_out/", "a_conv_1920x1080_59.94.mp4", "a_seg_1920x1080_59.94.mp4"},
        {"/v/my.clip.mov", "/v/conv_out/", "my.clip_conv_1920x1080_59.94.mp4", "my.clip_seg_1920x1080_59.94.mp4"},
        {"/v.d/clip", "/v.d/conv_out/", "clip_conv_1920x1080_59.94.mp4", "clip_seg_1920x1080_59.94.mp4"},
        {"/v/.hidden", "/v/conv_out/", "_conv_1920x1080_59.94.mp4", "_seg_1920x1080_59.94.mp4"},
    };
    const FrameSize size = MergeFrameSize(kDefaultMergeChoice);
    const FrameRate rate = MergeFrameRate(kDefaultMergeChoice);
    for (const Case& c : cases) {
        const std::string folder = MergeOutputFolder(c.input);
        EXPECT_EQ(folder, c.folder) << c.input;
        EXPECT_EQ(MergeOutputName(c.input, size, rate), c.name) << c.input;
        EXPECT_EQ(ConvertedFileName(folder, c.input, size, rate), folder + c.converted) << c.input;
    }
}

TEST(ConvertMergeTest, ConversionCommandAddsSilenceOnlyWhereSoundIsMissing) {
    EXPECT_DOUBLE_EQ(SilentTrackSeconds(), 36000.0);
    EXPECT_EQ(SilentAudioText(true), "");
    EXPECT_EQ(SilentAudioText(false),
              "-f lavfi -t 36000.000000 -i anullsrc=channel_layout=stereo:sample_rate=44100 -shortest ");
    EXPECT_EQ(ConvertScalingText({1280, 720}),
              "scale=iw*sar:ih,setsar=1,scale=1280:720:force_original_aspect_ratio=decrease,"
              "pad=1280:720:(ow-iw)/2:(oh-ih)/2");

    ConvertCommandArgs args;
    args.prefix = "ffmpeg -y ";
    args.input = "/in/a \"b\".mp4";
    args.inputHasAudio = false;
    args.encoder = "mpeg4 -qscale:v 1";
    args.gop = 30;
    args.rate = "30000/1001";
    args.size = {1280, 720};
    args.output = "/out/a_seg_1280x720_29.97.mp4";
    EXPECT_EQ(ConvertEntryCommand(args),
              "ffmpeg -y -i \"/in/a \\\"b\\\".mp4\" -f lavfi -t 36000.000000 -i "
              "anullsrc=channel_layout=stereo:sample_rate=44100 -shortest -c:v mpeg4 -qscale:v 1 -pix_fmt yuv420p "
              "-g 30 -keyint_min 1 -r 30000/1001 -c:a aac -b:a 192k -vf \"scale=iw*sar:ih,setsar=1,scale=1280:720:"
              "force_original_aspect_ratio=decrease,pad=1280:720:(ow-iw)/2:(oh-ih)/2,setpts=PTS-STARTPTS,setsar=1\" "
              "-af \"asetpts=PTS-STARTPTS\" -movflags +faststart \"/out/a_seg_1280x720_29.97.mp4\"");

    args.inputHasAudio = true;
    args.prefix = "ffmpeg -y -hwaccel cuda ";
    args.input = "/in/a.mp4";
    EXPECT_EQ(ConvertEntryCommand(args),
              "ffmpeg -y -hwaccel cuda -i \"/in/a.mp4\" -shortest -c:v mpeg4 -qscale:v 1 -pix_fmt yuv420p "
              "-g 30 -keyint_min 1 -r 30000/1001 -c:a aac -b:a 192k -vf \"scale=iw*sar:ih,setsar=1,scale=1280:720:"
              "force_original_aspect_ratio=decrease,pad=1280:720:(ow-iw)/2:(oh-ih)/2,setpts=PTS-STARTPTS,setsar=1\" "
              "-af \"apad,asetpts=PTS-STARTPTS\" -movflags +faststart \"/out/a_seg_1280x720_29.97.mp4\"");
}

TEST(ConvertMergeTest, FrameCountsFollowTheRates) {
    struct Case {
        int frames;
        double from;
        double to;
        int expected;
    };
    const double ntsc = 30000.0 / 1001;
    const Case cases[] = {
        {300, ntsc, 25, 250},             // 250.25
        {300, ntsc, ntsc, 300},           // same rate: every frame, none lost to rounding
        {25, 25, 30000.0 / 1001, 29},     // 29.97
        {30, 29.97, 60000.0 / 1001, 60},  // near-double rate
        {500, 25, 50, 1000},
        {100, 0, 25, 0},  // unknown source rate
        {100, 25, 0, 0},
        {0, 25, 25, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ConvertedFrameCount(c.frames, c.from, c.to), c.expected)
            << c.frames << " @" << c.from << " ->" << c.to;
    }

    // Joined result: every frame when concatenated; one transition less per join when cross-fading.
    EXPECT_EQ(ConvertedMergeFrameCount(75, 3, 0, 25), 75);
    EXPECT_EQ(ConvertedMergeFrameCount(75, 3, 0.48, 25), 51);
    EXPECT_EQ(ConvertedMergeFrameCount(90, 3, 0, ntsc), 90);
    EXPECT_EQ(ConvertedMergeFrameCount(90, 3, 0.47, ntsc), 61);  // (3.003 - 0.94) x 29.97 = 61.8
    EXPECT_EQ(ConvertedMergeFrameCount(40, 1, 0.5, 25), 40);
    EXPECT_EQ(ConvertedMergeFrameCount(10, 3, 0.5, 25), 0);  // fades longer than the files
    EXPECT_EQ(ConvertedMergeFrameCount(10, 2, 0.5, 0), 0);
}

TEST(ConvertMergeTest, TransitionLengthIsEvenFramesOfTheSourceAtTheOutputRate) {
    struct Case {
        double current;
        double output;
        double expected;
    };
    const Case cases[] = {
        {29.97002997, 25, 0.56},  // 14.985 -> 15 -> 14 frames
        {30, 30, 0.47},
        {25, 25, 0.48},
        {24, 24, 0.5},
        {60, 60000.0 / 1001, 0.5},
        {25, 10, 1.2},
        {29.97002997, 0, 0.47},  // no output rate: the current one
        {0, 25, 0},
        {0, 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(MergeTransitionDuration(c.current, c.output), c.expected) << c.current << " -> " << c.output;
    }
}

}  // namespace
