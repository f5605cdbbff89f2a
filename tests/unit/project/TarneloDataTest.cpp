#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "project/TarneloData.h"
#include "support/TempFolderTest.h"

namespace fs = std::filesystem;

namespace {

// Stands in for the window whose title the data reports.
struct RecordingTitleWindow {
    std::function<void(const std::string&)> Hook() {
        return [this](const std::string& title) { titles.push_back(title); };
    }
    std::vector<std::string> titles;
};

class MapStringTable : public StringTable {
public:
    std::string Load(int id) const override {
        auto it = texts.find(id);
        return it != texts.end() ? it->second : std::string();
    }
    std::map<int, std::string> texts;
};

void ExpectSetting(const NumericSetting& s, double value, double min, double max, double step, int kind,
                   const char* text, const char* name) {
    EXPECT_DOUBLE_EQ(s.value, value) << name;
    EXPECT_DOUBLE_EQ(s.minimum, min) << name;
    EXPECT_DOUBLE_EQ(s.maximum, max) << name;
    EXPECT_DOUBLE_EQ(s.step, step) << name;
    EXPECT_EQ(s.kind, kind) << name;
    EXPECT_EQ(s.text, text) << name;
}

void ExpectCaption(const CaptionParam& a, const CaptionParam& b, const char* what) {
    EXPECT_DOUBLE_EQ(a.capTime_first, b.capTime_first) << what;
    EXPECT_DOUBLE_EQ(a.capTime_second, b.capTime_second) << what;
    EXPECT_EQ(a.caption, b.caption) << what;
    EXPECT_EQ(a.cap_pos_type, b.cap_pos_type) << what;
    EXPECT_EQ(a.font_name, b.font_name) << what;
    EXPECT_EQ(a.font_size, b.font_size) << what;
    EXPECT_EQ(a.color, b.color) << what;
    EXPECT_EQ(a.bold, b.bold) << what;
    EXPECT_EQ(a.italic, b.italic) << what;
    EXPECT_EQ(a.underline, b.underline) << what;
    EXPECT_EQ(a.strike_uut, b.strike_uut) << what;
    EXPECT_EQ(a.encoding, b.encoding) << what;
    EXPECT_EQ(a.outline, b.outline) << what;
}

TEST(NumericSettingTest, UpdateTextForms) {
    struct Case {
        double value;
        int kind;
        const char* text;
    };
    const Case cases[] = {
        {-0.004, 0, "0.0"},  // no minus zero
        {-0.0, 0, "0.0"},   {2.999, 0, "3.0"}, {0.5, 0, "0.5"},   {1.0, 0, "1.0"},   {0.25, 0, "0.25"},
        {-1.0, 0, "-1.0"},  {10.0, 0, "10.0"}, {1.005, 0, "1.0"}, {-0.5, 0, "-0.5"}, {123.456, 0, "123.46"},
        {100, 1, "100"},    {99.9, 1, "99"},   {-2.7, 1, "-2"},   {0, 1, "0"},
    };
    for (const Case& c : cases) {
        NumericSetting s;
        s.value = c.value;
        s.kind = c.kind;
        s.UpdateText();
        EXPECT_EQ(s.text, c.text) << c.value << " kind " << c.kind;
    }
}

TEST(NumericSettingTest, ConstructionSetAndClamp) {
    NumericSetting s;
    ExpectSetting(s, 0, 0, 0, 0.001, 0, "0.0", "fresh");

    s.Set(0.5, 0.1, 2.0, 0.01, 0);
    ExpectSetting(s, 0.5, 0.1, 2.0, 0.01, 0, "0.5", "set");
    s.SetValueClamped(0.0);
    EXPECT_DOUBLE_EQ(s.value, 0.1);
    EXPECT_EQ(s.text, "0.1");
    s.SetValueClamped(7);
    EXPECT_DOUBLE_EQ(s.value, 2.0);
    EXPECT_EQ(s.text, "2.0");
    s.SetValueClamped(1.25);
    EXPECT_EQ(s.text, "1.25");
}

TEST(VideoInfoTest, SnapFrameRate) {
    struct Case {
        double fps;
        const char* text;  // nullptr: unchanged
        double snapped;
    };
    const Case cases[] = {
        {29.9701, "30000/1001", 30000.0 / 1001},
        {29.97, "30000/1001", 30000.0 / 1001},
        {29.96, nullptr, 29.96},
        {25.0, "25/1", 25.0},
        {59.94, "60000/1001", 60000.0 / 1001},
        {23.976, "24000/1001", 24000.0 / 1001},
        {119.88, "120000/1001", 120000.0 / 1001},
        {47.952, "48000/1001", 48000.0 / 1001},
        {120.001, "120/1", 120.0},
        {1.004, "1/1", 1.0},
        {0.0, nullptr, 0.0},
        {7.0, nullptr, 7.0},
        {30.0049, "30/1", 30.0},
        {30.0051, nullptr, 30.0051},
    };
    for (const Case& c : cases) {
        for (const bool adjust : {false, true}) {
            VideoInfo info;
            info.fps = c.fps;
            info.r_frame_rate = "orig";
            info.frame_num = 301;
            SnapFrameRate(info, adjust);
            EXPECT_EQ(info.r_frame_rate, c.text != nullptr ? c.text : "orig") << c.fps;
            EXPECT_DOUBLE_EQ(info.fps, c.snapped) << c.fps;
            EXPECT_EQ(info.frame_num, 301) << c.fps << " adjust " << adjust;  // the count is kept
        }
    }
}

TEST(RecordsTest, DefaultsOfRecords) {
    const VideoInfo info;
    EXPECT_EQ(info.r_frame_rate, "");
    EXPECT_EQ(info.fps, 0);
    EXPECT_EQ(info.frame_num, 0);
    EXPECT_EQ(info.sar_num, 1);
    EXPECT_EQ(info.sar_den, 1);
    EXPECT_FALSE(info.has_audio);

    const CaptionParam scene = DefaultSceneCaption();
    EXPECT_EQ(scene.capTime_first, 0);
    EXPECT_EQ(scene.capTime_second, 0);
    EXPECT_EQ(scene.caption, "");
    EXPECT_EQ(scene.cap_pos_type, 2);
    EXPECT_EQ(scene.font_name, "Yu Gothic UI");
    EXPECT_EQ(scene.font_size, 24);
    EXPECT_EQ(scene.color, 0x00FFFFFFu);
    EXPECT_EQ(scene.bold | scene.italic | scene.underline | scene.strike_uut, 0);
    EXPECT_EQ(scene.encoding, 128);
    EXPECT_EQ(scene.outline, 2);
    ExpectCaption(CaptionParam{}, scene, "default-constructed");

    const CaptionParam mark = DefaultWatermarkCaption();
    EXPECT_DOUBLE_EQ(mark.capTime_second, 36000.0);
    EXPECT_EQ(mark.caption, "Tarnelo\\NHexlow-Works.");
    EXPECT_EQ(mark.cap_pos_type, 5);
    EXPECT_EQ(mark.font_name, "Impact");
    EXPECT_EQ(mark.font_size, 37);
    EXPECT_EQ(mark.color, 0xC0FFFFFFu);
    EXPECT_EQ(mark.bold | mark.italic | mark.underline | mark.strike_uut | mark.encoding | mark.outline, 0);

    const CaptionParam title = DefaultTitleCaption();
    EXPECT_DOUBLE_EQ(title.capTime_second, 3.0);
    EXPECT_EQ(title.caption, "");
    EXPECT_EQ(title.cap_pos_type, 5);
    EXPECT_EQ(title.font_name, "Yu Gothic UI");
    EXPECT_EQ(title.font_size, 32);
    EXPECT_EQ(title.color, 0x00FFFFFFu);
    EXPECT_EQ(title.bold, -1);
    EXPECT_EQ(title.italic | title.underline | title.strike_uut, 0);
    EXPECT_EQ(title.encoding, 128);
    EXPECT_EQ(title.outline, 2);

    const SceneEntry entry(10, 39, "/out/s_10_39.mp4");
    EXPECT_TRUE(entry.m_created);
    EXPECT_TRUE(entry.enable);
    EXPECT_EQ(entry.framNo_first, 10);
    EXPECT_EQ(entry.framNo_second, 39);
    EXPECT_EQ(entry.fileName, "/out/s_10_39.mp4");
    EXPECT_EQ(entry.m_sourcePath, "");
    EXPECT_EQ(entry.m_fileToUse, "");
    EXPECT_EQ(entry.FrameCount(), 30);
    ExpectCaption(entry.capParam, scene, "scene entry");
    EXPECT_EQ(SceneEntry().FrameCount(), 1);
}

TEST(TarneloDataTest, ConstructionState) {
    for (const bool cuda : {false, true}) {
        const CTarneloData data(cuda);
        EXPECT_EQ(data.use_cuda, cuda);
        EXPECT_FALSE(data.auto_save);
        EXPECT_FALSE(data.auto_load);
        EXPECT_EQ(data.window_rect.left | data.window_rect.top | data.window_rect.right | data.window_rect.bottom, 0);
        EXPECT_EQ(data.quality, 0);
        EXPECT_TRUE(data.project_file.empty() && data.input_file.empty() && data.output_folder.empty());
        EXPECT_TRUE(data.diff_list.Empty() && data.pts_list.empty());
        // The settings have no range until the owning tab resets them.
        ExpectSetting(data.threshold, 0, 0, 0, 0.001, 0, "0.0", "threshold");
        ExpectSetting(data.gamma, 0, 0, 0, 0.001, 0, "0.0", "gamma");
        ExpectCaption(data.capTitle, DefaultSceneCaption(), "title at construction");
        ExpectCaption(data.capWatermark, DefaultSceneCaption(), "watermark at construction");
        EXPECT_EQ(data.list_idx, -1);
        EXPECT_EQ(data.play_vol, 5);
        EXPECT_DOUBLE_EQ(data.TransitionDuration, 0.5);
        EXPECT_FALSE(data.m_titleChanged);
    }
}

// Every field set away from its reset value, so each reset shows exactly what it restores.
CTarneloData ChangedData() {
    CTarneloData data(true);
    data.ResetAll(false);
    data.project_file = "/p/a.kpproj";
    data.input_file = "/v/in.mov";
    data.input_mp4_file = "/v/in.mp4";
    data.output_folder = "/out/";
    data.output_name = "result.mp4";
    data.pts_file = "/out/in_pts.csv";
    SceneEntry scene(0, 9, "/out/s.mp4");
    scene.capParam.caption = "シーン";
    scene.capParam.font_size = 50;
    data.diff_list.Assign({scene, scene}, -1);
    data.cine_sco = data.transition = data.primaries = true;
    data.threshold.Set(300, 0, 1000, 1, 1);
    data.valid_min_unit.Set(2.5, 1, 10, 0.01, 0);
    data.cut_min_unit.Set(3.5, 1, 10, 0.01, 0);
    data.brightness.Set(0.2, -1, 1, 0.01, 0);
    data.saturation.Set(2.0, 0, 3, 0.01, 0);
    data.contrast.Set(1.5, 0, 2, 0.01, 0);
    data.gamma.Set(0.5, 0.1, 2, 0.01, 0);
    data.auto_save = data.auto_load = true;
    data.window_rect = {1, 2, 3, 4};
    data.quality = 2;
    data.play_scene_loop = data.play_loop = true;
    data.list_idx = 1;
    data.list_col = 3;
    data.chroma_offset_u = 1.5;
    data.chroma_offset_v = -2.5;
    data.m_currentInfo.fps = 25;
    data.m_sourceInfo.frame_num = 100;
    data.m_inputFileInfo.width = 640;
    data.play_vol = 9;
    data.capWatermark.caption = "透かし";
    data.capTitle.caption = "題名";
    data.pts_list = {0.0, 0.04};
    data.TransitionDuration = 0.3;
    return data;
}

TEST(TarneloDataTest, ExtractionResetTouchesGroupEOnly) {
    CTarneloData data = ChangedData();
    data.ResetExtractionSettings();
    ExpectSetting(data.threshold, 100, 0, 1000, 1, 1, "100", "threshold");
    ExpectSetting(data.valid_min_unit, 1.0, 1.0, 10.0, 0.01, 0, "1.0", "valid_min_unit");
    ExpectSetting(data.cut_min_unit, 1.0, 1.0, 10.0, 0.01, 0, "1.0", "cut_min_unit");
    EXPECT_DOUBLE_EQ(data.gamma.value, 0.5);
    EXPECT_TRUE(data.cine_sco);
    EXPECT_EQ(data.capTitle.caption, "題名");
    EXPECT_EQ(data.diff_list.Snapshot().size(), 2u);
}

TEST(TarneloDataTest, EffectResetTouchesGroupFOnly) {
    CTarneloData data = ChangedData();
    data.ResetEffectSettings();
    EXPECT_FALSE(data.cine_sco);
    EXPECT_FALSE(data.primaries);
    EXPECT_TRUE(data.transition);  // not part of the effects
    ExpectSetting(data.brightness, 0.0, -1.0, 1.0, 0.01, 0, "0.0", "brightness");
    ExpectSetting(data.saturation, 1.0, 0.0, 3.0, 0.01, 0, "1.0", "saturation");
    ExpectSetting(data.contrast, 1.0, 0.0, 2.0, 0.01, 0, "1.0", "contrast");
    ExpectSetting(data.gamma, 1.0, 0.1, 2.0, 0.01, 0, "1.0", "gamma");
    EXPECT_EQ(data.chroma_offset_u, 0);
    EXPECT_EQ(data.chroma_offset_v, 0);
    EXPECT_DOUBLE_EQ(data.threshold.value, 300);
    EXPECT_EQ(data.capWatermark.caption, "透かし");
}

TEST(TarneloDataTest, CaptionResetTouchesGroupCOnly) {
    CTarneloData data = ChangedData();
    data.ResetCaptionSettings();
    for (const SceneEntry& scene : data.diff_list.Snapshot()) {
        ExpectCaption(scene.capParam, DefaultSceneCaption(), "scene");
    }
    ExpectCaption(data.capWatermark, DefaultWatermarkCaption(), "watermark");
    ExpectCaption(data.capTitle, DefaultTitleCaption(), "title");
    EXPECT_EQ(data.diff_list.Snapshot().size(), 2u);
    EXPECT_DOUBLE_EQ(data.gamma.value, 0.5);
    EXPECT_DOUBLE_EQ(data.threshold.value, 300);
}

TEST(TarneloDataTest, ResetAllKeepsApplicationSettings) {
    for (const bool keepProject : {false, true}) {
        CTarneloData data = ChangedData();
        RecordingTitleWindow window;
        data.m_titleChanged = window.Hook();
        data.ResetAll(keepProject);

        ExpectSetting(data.threshold, 100, 0, 1000, 1, 1, "100", "threshold");
        ExpectSetting(data.gamma, 1.0, 0.1, 2.0, 0.01, 0, "1.0", "gamma");
        EXPECT_FALSE(data.cine_sco);
        ExpectCaption(data.capTitle, DefaultTitleCaption(), "title");
        ExpectCaption(data.capWatermark, DefaultWatermarkCaption(), "watermark");
        // Never reset.
        EXPECT_TRUE(data.use_cuda);
        EXPECT_TRUE(data.auto_save);
        EXPECT_TRUE(data.auto_load);
        EXPECT_EQ(data.window_rect.left, 1);
        EXPECT_EQ(data.window_rect.bottom, 4);
        EXPECT_EQ(data.quality, 2);
        EXPECT_TRUE(static_cast<bool>(data.m_titleChanged));

        if (keepProject) {
            EXPECT_EQ(data.project_file, "/p/a.kpproj");
            EXPECT_EQ(data.input_file, "/v/in.mov");
            ASSERT_EQ(data.diff_list.Snapshot().size(), 2u);
            ExpectCaption(data.diff_list.Snapshot()[0].capParam, DefaultSceneCaption(), "kept scene");
            EXPECT_TRUE(data.transition);
            EXPECT_EQ(data.play_vol, 9);
            EXPECT_TRUE(window.titles.empty());
            continue;
        }
        EXPECT_EQ(window.titles, std::vector<std::string>{"新規プロジェクト"});
        for (const std::string* text : {&data.project_file, &data.input_file, &data.input_mp4_file, &data.output_folder,
                                        &data.output_name, &data.pts_file}) {
            EXPECT_TRUE(text->empty()) << *text;
        }
        EXPECT_TRUE(data.diff_list.Empty());
        EXPECT_TRUE(data.pts_list.empty());
        EXPECT_EQ(data.list_idx, -1);
        EXPECT_EQ(data.list_col, -1);
        EXPECT_FALSE(data.play_scene_loop || data.play_loop || data.transition);
        EXPECT_EQ(data.m_currentInfo.fps, 0);
        EXPECT_EQ(data.m_sourceInfo.frame_num, 0);
        EXPECT_EQ(data.m_inputFileInfo.width, 0);
        EXPECT_DOUBLE_EQ(data.TransitionDuration, 0.5);
        EXPECT_EQ(data.play_vol, 5);
    }
}

TEST(TarneloDataTest, TitleTexts) {
    CTarneloData data;
    data.ResetAll(false);
    EXPECT_EQ(data.BuildTitle(), "新規プロジェクト");
    data.UpdateTitle();  // no window: nothing happens

    MapStringTable table;
    table.texts[1094] = "New project";
    SetStringTable(&table);
    EXPECT_EQ(data.BuildTitle(), "New project");
    SetStringTable(nullptr);

    data.project_file = "/p/作業.kpproj";
    data.input_file = "/v/入力.mp4";
    data.m_currentInfo.fps = 30;
    data.m_inputFileInfo.frame_num = 900;
    data.m_inputFileInfo.fps = 29.97;
    data.m_inputFileInfo.width = 1920;
    data.m_inputFileInfo.height = 1080;
    EXPECT_EQ(data.BuildTitle(), "作業.kpproj \"入力.mp4 0:00:30.00 Frm:900 FPS:29.97 W1920xH1080\"");

    data.m_inputFileInfo.field_order = "progressive";
    data.m_inputFileInfo.rotation = 90;
    EXPECT_EQ(data.BuildTitle(),
              "作業.kpproj \"入力.mp4 0:00:30.00 Frm:900 FPS:29.97 W1920xH1080 Rot:90 field_order:progressive\"");

    data.m_inputFileInfo.field_order = "tt";  // interlaced: the frame count is doubled for the duration
    data.m_inputFileInfo.rotation = 0;
    EXPECT_EQ(data.BuildTitle(), "作業.kpproj \"入力.mp4 0:01:00.00 Frm:900 FPS:29.97 W1920xH1080 field_order:tt\"");

    data.m_currentInfo.fps = 0;
    EXPECT_EQ(data.BuildTitle(), "作業.kpproj \"入力.mp4 0:00:00.00 Frm:900 FPS:29.97 W1920xH1080 field_order:tt\"");

    RecordingTitleWindow window;
    data.m_titleChanged = window.Hook();
    data.UpdateTitle();
    EXPECT_EQ(window.titles, std::vector<std::string>{data.BuildTitle()});
}

TEST(TarneloDataTest, StringTableTexts) {
    EXPECT_EQ(LoadText(3053), "");
    EXPECT_EQ(LoadPositionNames(), std::vector<std::string>(10));
    MapStringTable table;
    const std::vector<std::string> names{"なし", "左下",   "中央下", "右下",   "左中央",
                                         "中央", "右中央", "左上",   "中央上", "右上"};
    for (int i = 0; i < 10; ++i) {
        table.texts[3053 + i] = names[static_cast<size_t>(i)];
    }
    table.texts[3063] = "not a position";
    SetStringTable(&table);
    EXPECT_EQ(LoadText(3054), "左下");
    EXPECT_EQ(LoadPositionNames(), names);
    SetStringTable(nullptr);
    EXPECT_EQ(LoadText(3054), "");
}

TEST(TarneloDataTest, FrameAndTimeTexts) {
    CTarneloData data;
    EXPECT_EQ(data.FrameToTimeText(100), "00:00:00.00");  // fps 0
    EXPECT_EQ(data.FrameToTimeText(100, 0), "00:00:00.00");
    EXPECT_DOUBLE_EQ(data.FrameToSeconds(100), 0);

    data.m_currentInfo.fps = 30000.0 / 1001;
    EXPECT_EQ(data.FrameToTimeText(0), "00:00:00.00");
    EXPECT_EQ(data.FrameToTimeText(30), "00:00:01.00");      // 1.001 s truncated
    EXPECT_EQ(data.FrameToTimeText(29), "00:00:00.96");      // 0.9676 s truncated to hundredths
    EXPECT_EQ(data.FrameToTimeText(29, -1), "00:00:00.97");  // not truncated: the hundredths round
    EXPECT_EQ(data.FrameToTimeText(107892), "00:59:59.99");  // 3599.9964 s
    EXPECT_EQ(data.FrameToTimeText(1, 2.0), "00:00:00.50");  // explicit rate wins when positive
    EXPECT_EQ(data.FrameToTimeText(7201, 2.0), "01:00:00.50");

    EXPECT_DOUBLE_EQ(data.FrameToSeconds(50, 25.0), 2.0);
    EXPECT_EQ(data.FrameToSecondsText(50, 25.0, "%.3f"), "2.000");
    EXPECT_EQ(data.FrameToSecondsText(30, 0, "%.4f"), "1.0010");  // current rate
    EXPECT_EQ(CTarneloData::FormatNumberText(2.5, "%.02f s"), "2.50 s");
}

TEST(TarneloDataTest, OutputPathAndSceneCaption) {
    CTarneloData data;
    EXPECT_EQ(data.GetOutputPath(), "");
    data.output_folder = "/out/";
    EXPECT_EQ(data.GetOutputPath(), "");
    data.output_name = "結果.mp4";
    EXPECT_EQ(data.GetOutputPath(), "/out/結果.mp4");
    data.output_folder.clear();
    EXPECT_EQ(data.GetOutputPath(), "");

    SceneEntry scene(0, 100, "/out/s.mp4");
    scene.capParam.font_size = 40;
    data.SetSceneCaption(scene, 0.004, 101.0 / (30000.0 / 1001), "Scene001");
    EXPECT_DOUBLE_EQ(scene.capParam.capTime_first, 0.0);
    EXPECT_DOUBLE_EQ(scene.capParam.capTime_second, 3.37);  // 3.36997 rounded to hundredths
    EXPECT_EQ(scene.capParam.caption, "Scene001");
    EXPECT_EQ(scene.capParam.font_size, 40);  // the style stays
}

class PtsListTest : public testsupport::TempFolderTest {
protected:
};

TEST_F(PtsListTest, ReadsFileSkippingEmptyLines) {
    const fs::path file = m_dir / "in_pts.csv";
    std::ofstream(file) << "0.000000\n  0.033367 \r\n\n\t\nabc\n0.066733\n1e-1";
    CTarneloData data;
    data.pts_list = {9, 9, 9};
    EXPECT_TRUE(data.LoadPtsList(file.string()));
    EXPECT_EQ(data.pts_list, (std::vector<double>{0.0, 0.033367, 0.0, 0.066733, 0.1}));

    std::ofstream(file, std::ios::trunc) << "";
    EXPECT_TRUE(data.LoadPtsList(file.string()));  // an empty file opens: an empty list
    EXPECT_TRUE(data.pts_list.empty());
}

// A list read back decides as a list built does whether the frames need their own times.
TEST_F(PtsListTest, ReadListTimesTheFramesOnlyWhenIrregular) {
    const fs::path file = m_dir / "late_pts.csv";
    CTarneloData data;
    data.m_sourceInfo.fps = 25;
    for (const auto& [text, timed] : {std::pair{"0.000000\n0.040000\n", false}, {"1.075000\n1.115000\n", true}}) {
        std::ofstream(file, std::ios::trunc) << text;
        ASSERT_TRUE(data.LoadPtsList(file.string()));
        EXPECT_EQ(data.HasTimedFrames(), timed) << text;
    }
}

TEST_F(PtsListTest, SynthesisesFromSourceInfoWhenMissing) {
    struct Case {
        int frames;
        double fps;
        std::vector<double> expected;
        bool result;
    };
    const Case cases[] = {
        {0, 30, {0.0}, true},
        {2, 2, {0.0, 0.5, 1.0}, true},
        {3, 30000.0 / 1001, {0.0, 0.033367, 0.066733, 0.1001}, true},
        {5, 0, {}, false},  // no rate: nothing to make
        {-1, 30, {}, false},
        {2147483647, 30, {}, false},  // an absurd count from a broken file is refused, not allocated
    };
    for (const Case& c : cases) {
        CTarneloData data;
        data.m_sourceInfo.frame_num = c.frames;
        data.m_sourceInfo.fps = c.fps;
        data.m_currentInfo.fps = 99;  // the current file plays no part
        data.pts_list = {7};
        EXPECT_EQ(data.LoadPtsList((m_dir / "missing_pts.csv").string()), c.result) << c.frames;
        EXPECT_EQ(data.pts_list, c.expected) << c.frames << " @ " << c.fps;
    }
}

}  // namespace
