#include <gtest/gtest.h>

#include "engine/preparation/InputPreparation.h"
#include "engine/render/PreviewStill.h"
#include "project/TarneloData.h"

TEST(InputPreparationTest, TransitionDurationIsAnEvenFrameCountRoundedToHundredths) {
    const struct {
        double fps;
        double seconds;
    } cases[] = {
        {30, 0.47},     // 15 frames made even: 14 / 30
        {29.97, 0.47},  // 14.985 rounds to 15, then 14
        {25, 0.48},     // 12.5 rounds half away from zero to 13, then 12
        {24, 0.5},     {60, 0.5}, {23.976, 0.5}, {59.94, 0.5}, {50, 0.48}, {15, 0.53}, {0, 0}, {-25, 0},
    };
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(ComputeTransitionDuration(c.fps), c.seconds) << "fps " << c.fps;
    }
    // Half a frame rounds to 1, made even: no cross-fade at all.
    EXPECT_DOUBLE_EQ(ComputeTransitionDuration(1), 0);
}

TEST(InputPreparationTest, WorkingCopySuffixByCudaAndQuality) {
    EXPECT_STREQ(WorkingCopySuffix(false, 0), "_input_ch.mp4");
    EXPECT_STREQ(WorkingCopySuffix(false, 1), "_input_cs.mp4");
    EXPECT_STREQ(WorkingCopySuffix(false, 2), "_input_cl.mp4");
    EXPECT_STREQ(WorkingCopySuffix(true, 0), "_input_gh.mp4");
    EXPECT_STREQ(WorkingCopySuffix(true, 1), "_input_gs.mp4");
    EXPECT_STREQ(WorkingCopySuffix(true, 2), "_input_gl.mp4");
    // A quality outside the table (a hand-edited settings record) must not read past it.
    EXPECT_STREQ(WorkingCopySuffix(false, -1), "_input_ch.mp4");
    EXPECT_STREQ(WorkingCopySuffix(true, 7), "_input_gl.mp4");
}

TEST(InputPreparationTest, DerivedPathsUseTheInputStemInTheOutputFolder) {
    CTarneloData data;
    data.output_folder = "/out/";
    data.input_file = "/videos.v2/clip.MKV";
    data.quality = 1;
    EXPECT_EQ(WorkingCopyPath(data, data.input_file), "/out/clip_input_cs.mp4");
    EXPECT_EQ(DerivedPtsFilePath(data), "/out/clip_pts.csv");
    EXPECT_EQ(PreviewStillPath(data, false), "/out/clip_preview.jpg");
    data.output_name = "joined.final.mp4";
    EXPECT_EQ(PreviewStillPath(data, true), "/out/joined.final_preview.jpg");

    data.use_cuda = true;
    data.quality = 2;
    EXPECT_EQ(WorkingCopyPath(data, "/in/a.b.mov"), "/out/a.b_input_gl.mp4");

    // A name without extension in a folder with a dot keeps its whole name: the copy can never be the
    // input itself, and the time list never lands on the video.
    data.output_folder = "/videos.v2/";
    data.use_cuda = false;
    data.quality = 1;
    data.input_file = "/videos.v2/movie";
    EXPECT_EQ(WorkingCopyPath(data, data.input_file), "/videos.v2/movie_input_cs.mp4");
    EXPECT_EQ(DerivedPtsFilePath(data), "/videos.v2/movie_pts.csv");
    EXPECT_EQ(PreviewStillPath(data, false), "/videos.v2/movie_preview.jpg");
}

TEST(InputPreparationTest, OnlyAProgressiveMp4IsUsedWithoutCopy) {
    const struct {
        const char* fieldOrder;
        const char* input;
        bool copy;
    } cases[] = {
        {"progressive", "/v/a.MP4", false},
        {"progressive", "/v/a.mp4", false},
        {"progressive", "/v/a.Mp4", false},
        {"tt", "/v/a.mp4", true},
        {"", "/v/a.mp4", true},
        {"progressive", "/v/a.mkv", true},
        {"progressive", "/v/a.mp4.mkv", true},
        {"progressive", "/v.mp4/a", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NeedsWorkingCopy(c.fieldOrder, c.input), c.copy) << c.fieldOrder << " " << c.input;
    }
}

TEST(InputPreparationTest, ConvertCommandTexts) {
    EXPECT_EQ(ConvertToMp4Command("ffmpeg -y ", "/in/clip.mp4", "mpeg4 -qscale:v 4", 30, "30000/1001", true,
                                  "/out/clip_input_cs.mp4"),
              "ffmpeg -y -i \"/in/clip.mp4\" -c:v mpeg4 -qscale:v 4 -g 30 -keyint_min 1 -r 30000/1001 -c:a aac "
              "-b:a 192k -vf \"yadif=1,setpts=PTS-STARTPTS\" -af \"asetpts=PTS-STARTPTS\" -movflags +faststart "
              "\"/out/clip_input_cs.mp4\"");
    EXPECT_EQ(ConvertToMp4Command("ffmpeg -y -hwaccel cuda ", "/in/clip.mkv", "h264_nvenc -preset p1 -qp 18", 25,
                                  "25/1", false, "/out/clip_input_gh.mp4"),
              "ffmpeg -y -hwaccel cuda -i \"/in/clip.mkv\" -c:v h264_nvenc -preset p1 -qp 18 -g 25 -keyint_min 1 "
              "-r 25/1 -c:a aac -b:a 192k -vf \"setpts=PTS-STARTPTS\" -af \"asetpts=PTS-STARTPTS\" "
              "-movflags +faststart \"/out/clip_input_gh.mp4\"");
    // A recording whose rate changes keeps each frame once with its own time in its copy.
    EXPECT_EQ(
        ConvertToMp4Command("ffmpeg -y ", "/in/phone.mkv", "mpeg4 -qscale:v 1", 30, "25/1", false, "/o/p.mp4", true),
        "ffmpeg -y -i \"/in/phone.mkv\" -c:v mpeg4 -qscale:v 1 -g 30 -keyint_min 1 -fps_mode passthrough "
        "-enc_time_base 1/10000 -c:a aac -b:a 192k -vf \"setpts=PTS-STARTPTS\" -af \"asetpts=PTS-STARTPTS\" "
        "-movflags +faststart \"/o/p.mp4\"");
    // A quote in a name must not end the argument early.
    EXPECT_EQ(ConvertToMp4Command("ffmpeg -y ", "/in/a\"b.avi", "mpeg4 -qscale:v 1", 24, "24/1", false, "/o/x.mp4"),
              "ffmpeg -y -i \"/in/a\\\"b.avi\" -c:v mpeg4 -qscale:v 1 -g 24 -keyint_min 1 -r 24/1 -c:a aac -b:a 192k "
              "-vf \"setpts=PTS-STARTPTS\" -af \"asetpts=PTS-STARTPTS\" -movflags +faststart \"/o/x.mp4\"");
}

TEST(InputPreparationTest, StillCommandText) {
    EXPECT_EQ(PreviewStillTime(""), "0.000000");
    EXPECT_EQ(PreviewStillTime("12.345678"), "12.345678");
    EXPECT_EQ(PreviewStillCommand("ffmpeg -y ", "1.500000", "/out/clip_seg_0_74.mp4",
                                  "scale=iw*1.000000:ih,setsar=1,scale=480:270,pad=480:480:0:105:color=#505050",
                                  "/out/clip_preview.jpg"),
              "ffmpeg -y -ss 1.500000 -i \"/out/clip_seg_0_74.mp4\" -frames:v 1 -vf "
              "\"scale=iw*1.000000:ih,setsar=1,scale=480:270,pad=480:480:0:105:color=#505050\" "
              "\"/out/clip_preview.jpg\"");
    EXPECT_TRUE(IsQuarterTurn(90));
    EXPECT_TRUE(IsQuarterTurn(-90));
    EXPECT_FALSE(IsQuarterTurn(0));
    EXPECT_FALSE(IsQuarterTurn(180));
}

TEST(InputPreparationTest, GeneratedFrameTimes) {
    EXPECT_EQ(GeneratePtsTexts(3, 25), (std::vector<std::string>{"0.000000", "0.040000", "0.080000", "0.120000"}));
    EXPECT_EQ(GeneratePtsTexts(0, 25), (std::vector<std::string>{"0.000000"}));
    const std::vector<std::string> ntsc = GeneratePtsTexts(1000, 30000.0 / 1001);
    ASSERT_EQ(ntsc.size(), 1001u);
    EXPECT_EQ(ntsc[1], "0.033367");
    EXPECT_EQ(ntsc[1000], "33.366667");
    EXPECT_TRUE(GeneratePtsTexts(10, 0).empty());
    EXPECT_TRUE(GeneratePtsTexts(-1, 25).empty());
    // Even a scan that skips the list needs it unless the rate is proven and the video starts with the file.
    VideoInfo source;
    source.frame_num = 50;
    source.fps = source.nominal_fps = 25;
    source.duration = 2;
    EXPECT_FALSE(NeedsFrameTimeList(source));
    source.start_offset = 1.075;
    EXPECT_TRUE(NeedsFrameTimeList(source));
    source.start_offset = 0;
    source.duration = 3;
    EXPECT_TRUE(NeedsFrameTimeList(source));
    // A video stream that starts after the container's start keeps its offset.
    EXPECT_EQ(GeneratePtsTexts(2, 25, 1.075), (std::vector<std::string>{"1.075000", "1.115000", "1.155000"}));
}

TEST(InputPreparationTest, PartialFileAndOpenedPosition) {
    EXPECT_EQ(PartialFilePath("/out/clip_input_cs.mp4"), "/out/clip_input_cs.part.mp4");
    EXPECT_EQ(PartialFilePath("/out.d/clip"), "/out.d/clip.part");

    const struct {
        int position, frames, shown;
    } cases[] = {{0, 25, 0}, {-3, 25, 0}, {1, 25, 2}, {24, 25, 25}, {40, 25, 25}};
    for (const auto& c : cases) {
        EXPECT_EQ(OpenedPlayPosition(c.position, c.frames), c.shown) << c.position << "/" << c.frames;
    }
}
