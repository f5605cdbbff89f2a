#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <string>

#include "engine/TarneloProcess.h"
#include "engine/jobs/JobTables.h"
#include "engine/merge/EffectsFilter.h"
#include "project/TarneloData.h"
#include "support/EngineTestAccess.h"
#include "support/RecordingSink.h"

namespace {

constexpr const char* kDefaultLook =
    "lut=y='pow(clip(((val+0.000-128)*1.000+128)/255\\,0\\,1),1/1.000)*255',hue=s=1.000,";

CTarneloData Project(int width, int height, int sarNum = 1, int sarDen = 1) {
    CTarneloData data;
    data.ResetEffectSettings();
    data.m_currentInfo.width = width;
    data.m_currentInfo.height = height;
    data.m_currentInfo.sar_num = sarNum;
    data.m_currentInfo.sar_den = sarDen;
    data.m_currentInfo.fps = 30;
    data.m_currentInfo.frame_num = 300;
    return data;
}

TEST(EffectsFilterTest, ChainTexts) {
    struct Case {
        const char* name;
        int width, height, sarNum, sarDen;
        bool cinemascope, primaries;
        EffectsOptions options;
        const char* subtitles;
        std::string expected;
    };
    const std::string look = kDefaultLook;
    const std::string topBottom1080 =
        "drawbox=y=0:color=black@1.0:width=iw:height=132:t=fill,drawbox=y=948:color=black@1.0:width=iw:height=132:"
        "t=fill,";
    const std::string sides1080 =
        "drawbox=y=0:color=black@1.0:width=132:height=ih:t=fill,drawbox=x=948:color=black@1.0:width=132:height=ih:"
        "t=fill,";
    const Case cases[] = {
        {"nothing", 1920, 1080, 1, 1, true, true, {false, false, false}, "subtitles='/x'", ""},
        {"default look", 1920, 1080, 1, 1, false, false, {true, false, false}, "", look},
        {"bt709",
         1920,
         1080,
         1,
         1,
         false,
         true,
         {true, false, false},
         "",
         look + "zscale=range=full:primaries=bt709:transfer=bt709:matrix=bt709,"},
        {"bars top and bottom", 1920, 1080, 1, 1, true, false, {true, false, false}, "", look + topBottom1080},
        {"bars of a rotated source", 1920, 1080, 1, 1, true, false, {true, false, true}, "", look + sides1080},
        {"bars of a portrait source", 1080, 1920, 1, 1, true, false, {true, false, false}, "", look + sides1080},
        // The display width sets the bar size: 1440 stored columns at 4:3 show as 1920.
        {"bars of anamorphic 1440x1080", 1440, 1080, 4, 3, true, false, {true, false, false}, "", look + topBottom1080},
        // Stored width 1000 < 1080 puts the bars at the sides although 2000 display columns are wider.
        {"bar orientation from stored width",
         1000,
         1080,
         2,
         1,
         true,
         false,
         {true, false, false},
         "",
         look + "drawbox=y=0:color=black@1.0:width=116:height=ih:t=fill,drawbox=x=964:color=black@1.0:width=116:"
                "height=ih:t=fill,"},
        {"720p bars",
         1280,
         720,
         1,
         1,
         true,
         false,
         {true, false, false},
         "",
         look + "drawbox=y=0:color=black@1.0:width=iw:height=88:t=fill,drawbox=y=632:color=black@1.0:width=iw:"
                "height=88:t=fill,"},
        {"captions",
         1920,
         1080,
         1,
         1,
         false,
         false,
         {true, false, false},
         "subtitles='/o/a_seg.ass'",
         look + "subtitles='/o/a_seg.ass',"},
        {"all elements in order",
         1920,
         1080,
         1,
         1,
         true,
         true,
         {true, true, false},
         "subtitles='/o/a_one.ass'",
         look + "zscale=range=full:primaries=bt709:transfer=bt709:matrix=bt709," + topBottom1080 +
             "subtitles='/o/a_one.ass',scale=iw*1.000000:ih,setsar=1,scale=480:270,pad=480:480:0:105:color=#505050"},
        {"box landscape",
         1920,
         1080,
         1,
         1,
         true,
         true,
         {false, true, false},
         "",
         "scale=iw*1.000000:ih,setsar=1,scale=480:270,pad=480:480:0:105:color=#505050"},
        {"box portrait shifted by 2",
         1080,
         1920,
         1,
         1,
         false,
         false,
         {false, true, false},
         "",
         "scale=iw*1.000000:ih,setsar=1,scale=270:480,pad=480:480:107:0:color=#505050"},
        {"box rotated landscape",
         1920,
         1080,
         1,
         1,
         false,
         false,
         {false, true, true},
         "",
         "scale=iw*1.000000:ih,setsar=1,scale=270:480,pad=480:480:107:0:color=#505050"},
        {"box 720x1280",
         720,
         1280,
         1,
         1,
         false,
         false,
         {false, true, false},
         "",
         "scale=iw*1.000000:ih,setsar=1,scale=270:480,pad=480:480:107:0:color=#505050"},
        // Taller than wide in storage but not 480 high in the box: no shift.
        {"box portrait not full height",
         720,
         1000,
         2,
         1,
         false,
         false,
         {false, true, false},
         "",
         "scale=iw*2.000000:ih,setsar=1,scale=480:333,pad=480:480:0:73:color=#505050"},
        {"box anamorphic",
         1440,
         1080,
         4,
         3,
         false,
         false,
         {false, true, false},
         "",
         "scale=iw*1.333333:ih,setsar=1,scale=480:270,pad=480:480:0:105:color=#505050"},
        {"box with unknown ratio 0:1",
         1920,
         1080,
         0,
         1,
         false,
         false,
         {false, true, false},
         "",
         "scale=iw*1.000000:ih,setsar=1,scale=480:270,pad=480:480:0:105:color=#505050"},
        {"nothing probed",
         0,
         0,
         1,
         1,
         true,
         false,
         {true, true, false},
         "",
         look + "scale=480:480:force_original_aspect_ratio=decrease,setsar=1,pad=480:480:(ow-iw)/2:(oh-ih)/2:"
                "color=#505050"},
    };
    for (const Case& c : cases) {
        CTarneloData data = Project(c.width, c.height, c.sarNum, c.sarDen);
        data.cine_sco = c.cinemascope;
        data.primaries = c.primaries;
        EXPECT_EQ(BuildEffectsChain(data, c.options, c.subtitles), c.expected) << c.name;
    }
}

TEST(EffectsFilterTest, LookValuesInOrder) {
    struct Case {
        double brightness, contrast, gamma, saturation;
        const char* expected;
    };
    const Case cases[] = {
        {0.5, 1.25, 0.8, 2.0, "lut=y='pow(clip(((val+127.500-128)*1.250+128)/255\\,0\\,1),1/0.800)*255',hue=s=2.000,"},
        {-1.0, 0.0, 2.0, 3.0, "lut=y='pow(clip(((val+-255.000-128)*0.000+128)/255\\,0\\,1),1/2.000)*255',hue=s=3.000,"},
        {0.01, 2.0, 0.1, 0.0, "lut=y='pow(clip(((val+2.550-128)*2.000+128)/255\\,0\\,1),1/0.100)*255',hue=s=0.000,"},
    };
    for (const Case& c : cases) {
        CTarneloData data = Project(1920, 1080);
        data.brightness.value = c.brightness;
        data.contrast.value = c.contrast;
        data.gamma.value = c.gamma;
        data.saturation.value = c.saturation;
        EXPECT_EQ(BuildEffectsChain(data, {true, false, false}, ""), c.expected);
    }
}

TEST(EffectsFilterTest, SizesBarsAndJobs) {
    EXPECT_EQ(CinemascopeBar(1920, 1080), 132);
    EXPECT_EQ(CinemascopeBar(1280, 720), 88);
    EXPECT_EQ(CinemascopeBar(0, 0), 0);

    VideoInfo info;
    info.width = 1920;
    info.height = 1080;
    EXPECT_EQ(EffectsPictureSize(info, false).w, 1920);
    EXPECT_EQ(EffectsPictureSize(info, true).w, 1080);
    EXPECT_EQ(EffectsPictureSize(info, true).h, 1920);
    info.sar_num = 0;
    EXPECT_EQ(SampleAspectRatio(info), 1.0);
    info.sar_num = 8;
    info.sar_den = 9;
    EXPECT_DOUBLE_EQ(SampleAspectRatio(info), 8.0 / 9.0);
    info.sar_den = 0;
    EXPECT_EQ(SampleAspectRatio(info), 1.0);

    for (int id : std::initializer_list<int>{kJobMerge, kJobExtractMerge}) {
        EXPECT_TRUE(IsWholeTimelineJob(id)) << id;
    }
    for (int id : std::initializer_list<int>{0, kJobSceneExtract, kJobSegmentOutput, kJobScenePreview, kJobInputPreview,
                                             kJobRecut}) {
        EXPECT_FALSE(IsWholeTimelineJob(id)) << id;
    }
}

// The engine members: the running job picks the caption file, the engine mode the name and the watermark.
class EffectsEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/fxengineXXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_folder = pattern;
        m_data = Project(1920, 1080);
        m_data.ResetCaptionSettings();
        m_data.output_folder = m_folder + "/";
        m_data.input_file = "/videos/holiday.mov";
        m_data.output_name = "joined.mp4";
        SceneEntry scene(0, 89, "holiday_001.mp4");
        scene.capParam.caption = "{\\fad(500,500)}Beach";
        scene.capParam.capTime_second = 2;
        m_data.diff_list.Append(scene);
        m_data.list_idx = 0;
    }
    void TearDown() override { std::filesystem::remove_all(m_folder); }

    std::string m_folder;
    CTarneloData m_data;
    RecordingSink m_sink;
};

TEST_F(EffectsEngineTest, CaptionFileFollowsJobAndMode) {
    struct Case {
        int jobId;
        int mode;
        bool singleStill;
        const char* file;
    };
    const Case cases[] = {
        {kJobMerge, 0, false, "holiday_all.ass"},         {kJobExtractMerge, 0, false, "holiday_all.ass"},
        {kJobSegmentOutput, 0, false, "holiday_seg.ass"}, {kJobScenePreview, 0, false, "holiday_seg.ass"},
        {kJobMerge, 0, true, "holiday_one.ass"},          {kJobExtractMerge, 1, false, "joined_all.ass"},
        {kJobSegmentOutput, 1, false, "joined_seg.ass"},
    };
    for (const Case& c : cases) {
        CTarneloProcess engine(&m_sink, &m_data);
        EngineTestAccess::SetJobId(engine, c.jobId);
        engine.SetOptions({.mode = c.mode});
        const std::string chain =
            EngineTestAccess::Jobs(engine).BuildEffectsFilter(true, false, c.singleStill, false, -1);
        const std::string path = m_folder + "/" + c.file;
        EXPECT_EQ(chain, kDefaultLook + ("subtitles='" + path + "',")) << c.file;
        EXPECT_TRUE(LastFilterError().empty());
        EXPECT_TRUE(std::filesystem::exists(path)) << c.file;
        EngineTestAccess::SetJobId(engine, 0);
    }
}

TEST_F(EffectsEngineTest, NoCaptionsNoFileAndEffectsOffWritesNothing) {
    CTarneloProcess engine(&m_sink, &m_data);
    EXPECT_EQ(EngineTestAccess::Jobs(engine).BuildEffectsFilter(false, true, false, false, -1),
              "scale=iw*1.000000:ih,setsar=1,scale=480:270,pad=480:480:0:105:color=#505050");
    EXPECT_TRUE(std::filesystem::is_empty(m_folder));

    m_data.diff_list.Update(0, [&](SceneEntry& s) { s.capParam.cap_pos_type = 0; });
    m_data.capWatermark.caption.clear();
    EXPECT_EQ(EngineTestAccess::Jobs(engine).BuildEffectsFilter(true, false, false, false, -1), kDefaultLook);
    EXPECT_EQ(EngineTestAccess::Jobs(engine).BuildSubtitleFilter(false, 1920, 1080, false, -1), "");
    EXPECT_TRUE(std::filesystem::is_empty(m_folder));
}

TEST_F(EffectsEngineTest, UnrepresentableCaptionFileFails) {
    CTarneloProcess engine(&m_sink, &m_data);
    m_data.input_file = "/videos/two\nlines.mov";
    EXPECT_EQ(EngineTestAccess::Jobs(engine).BuildEffectsFilter(true, true, false, false, -1), "");
    EXPECT_NE(LastFilterError().find("line break"), std::string::npos) << LastFilterError();
    EXPECT_TRUE(std::filesystem::is_empty(m_folder));

    // The next good build clears the reason.
    m_data.input_file = "/videos/ok.mov";
    EXPECT_NE(EngineTestAccess::Jobs(engine).BuildEffectsFilter(true, false, false, false, -1), "");
    EXPECT_TRUE(LastFilterError().empty());
}

}  // namespace
