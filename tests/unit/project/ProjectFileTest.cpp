#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "project/TarneloData.h"
#include "support/TempFolderTest.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

// Stands in for the window whose title the data reports.
struct RecordingTitleWindow {
    std::function<void(const std::string&)> Hook() {
        return [this](const std::string& title) { titles.push_back(title); };
    }
    std::vector<std::string> titles;
};

std::string ReadBytes(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

CTarneloData Fresh() {
    CTarneloData data;
    data.ResetAll(false);
    return data;
}

// Every stored field away from its default, with Japanese texts wherever a text is stored.
CTarneloData FullProject() {
    CTarneloData data = Fresh();
    data.project_file = "/古い/前回.kpproj";
    data.input_file = "/動画/入力 ファイル.mov";
    data.input_mp4_file = "/出力/入力 ファイル_work.mp4";
    data.output_folder = "/出力/";
    data.output_name = "結果.mp4";
    data.pts_file = "/出力/入力 ファイル_pts.csv";
    data.cine_sco = true;
    data.transition = true;
    data.primaries = true;
    data.play_scene_loop = true;
    data.play_loop = true;
    for (int i = 0; i < 3; ++i) {
        SceneEntry scene(i * 100, i * 100 + 49, "/出力/シーン_" + std::to_string(i) + ".mp4");
        scene.enable = i != 1;
        CaptionParam& cap = scene.capParam;
        cap.capTime_first = 0.25 * i;
        cap.capTime_second = 1.5 + i;
        cap.caption = "{\\fad(500,500)}場面" + std::to_string(i) + "\\N二行目";
        cap.cap_pos_type = 7 + i;
        cap.font_name = "游ゴシック";
        cap.font_size = 30 + i;
        cap.color = 0xFF123456u - static_cast<uint32_t>(i);
        cap.bold = -1;
        cap.italic = -1;
        cap.underline = -1;
        cap.strike_uut = -1;
        cap.encoding = 1;
        cap.outline = 4;
        data.diff_list.Append(scene);
    }
    data.threshold.SetValueClamped(250);
    data.valid_min_unit.SetValueClamped(2.75);
    data.cut_min_unit.SetValueClamped(3.25);
    data.brightness.SetValueClamped(-0.35);
    data.saturation.SetValueClamped(2.2);
    data.contrast.SetValueClamped(0.8);
    data.gamma.SetValueClamped(1.7);
    data.list_idx = 2;
    VideoInfo& source = data.m_sourceInfo;
    source.r_frame_rate = "30000/1001";
    source.fps = 30000.0 / 1001;
    source.frame_num = 1234;
    source.width = 1280;
    source.height = 720;
    source.rotation = 270;
    source.start_frame = 3;
    source.field_order = "プログレッシブ";
    source.sar_num = 4;
    source.sar_den = 3;
    data.play_vol = 8;
    data.capWatermark.caption = "透かし\\N文字";
    data.capWatermark.color = 0x80FFEEDDu;
    data.capTitle.caption = "題名テキスト";
    data.capTitle.font_name = "メイリオ";
    return data;
}

void ExpectSameCaption(const CaptionParam& a, const CaptionParam& b, const std::string& what) {
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

class ProjectFileTest : public testsupport::TempFolderTest {
protected:
    // Loads text from a file onto data; the result of LoadProject.
    bool LoadText(CTarneloData& data, const std::string& text, const std::string& name = "in.kpproj") const {
        WriteBytes(m_dir / name, text);
        return data.LoadProject(PathOf(name));
    }

    // The stored state of data as the bytes a save writes (with project_file fixed, so states compare).
    std::string StoredBytes(const CTarneloData& data) const {
        CTarneloData copy = data;
        copy.m_titleChanged = nullptr;
        copy.project_file = "/fixed.kpproj";
        EXPECT_TRUE(copy.SaveProject(PathOf("state.kpproj")));
        return ReadBytes(m_dir / "state.kpproj");
    }
};

TEST_F(ProjectFileTest, SavedBytesOfAOneSceneProject) {
    CTarneloData data = Fresh();
    data.input_file = "/v/日本語.mp4";
    data.output_folder = "/o/";
    SceneEntry scene(0, 89, "/o/日本語_0_89.mp4");
    data.SetSceneCaption(scene, 0, 3.0, "Scene001");
    data.diff_list.Append(scene);
    data.list_idx = 0;
    ASSERT_TRUE(data.SaveProject(PathOf("p.kpproj")));

    const std::string expected = std::string("\xEF\xBB\xBF") + R"({
    "brightness": 0.0,
    "capTitle": {
        "bold": -1,
        "capTime_first": 0.0,
        "capTime_second": 3.0,
        "cap_pos_type": 5,
        "caption": "",
        "color": 16777215,
        "encoding": 128,
        "font_name": "Yu Gothic UI",
        "font_size": 32,
        "italic": 0,
        "outline": 2,
        "strike_uut": 0,
        "underline": 0
    },
    "capWatermark": {
        "bold": 0,
        "capTime_first": 0.0,
        "capTime_second": 36000.0,
        "cap_pos_type": 5,
        "caption": "Tarnelo\\NHexlow-Works.",
        "color": 3238002687,
        "encoding": 0,
        "font_name": "Impact",
        "font_size": 37,
        "italic": 0,
        "outline": 0,
        "strike_uut": 0,
        "underline": 0
    },
    "cine_sco": false,
    "contrast": 1.0,
    "cut_min_unit": 1.0,
    "diff_list": [
        {
            "capParam": {
                "bold": 0,
                "capTime_first": 0.0,
                "capTime_second": 3.0,
                "cap_pos_type": 2,
                "caption": "Scene001",
                "color": 16777215,
                "encoding": 128,
                "font_name": "Yu Gothic UI",
                "font_size": 24,
                "italic": 0,
                "outline": 2,
                "strike_uut": 0,
                "underline": 0
            },
            "enable": true,
            "fileName": "/o/日本語_0_89.mp4",
            "framNo_first": 0,
            "framNo_second": 89
        }
    ],
    "field_order": "",
    "fps": 0.0,
    "frame_num": 0,
    "gamma": 1.0,
    "height": 0,
    "input_file": "/v/日本語.mp4",
    "input_mp4_file": "",
    "list_idx": 0,
    "output_folder": "/o/",
    "output_name": "",
    "play_loop": false,
    "play_scene_loop": false,
    "play_vol": 5,
    "primaries": false,
    "project_file": "",
    "pts_file": "",
    "r_frame_rate": "",
    "rotation": 0,
    "sar_den": 1,
    "sar_num": 1,
    "saturation": 1.0,
    "start_frame": 0,
    "threshold": 100.0,
    "transition": false,
    "valid_min_unit": 1.0,
    "width": 0
}
)";
    EXPECT_EQ(ReadBytes(m_dir / "p.kpproj"), expected);
    EXPECT_EQ(data.project_file, PathOf("p.kpproj"));
}

TEST_F(ProjectFileTest, SaveWritesThePreviousProjectPathAndSetsTitle) {
    CTarneloData data = FullProject();
    RecordingTitleWindow window;
    data.m_titleChanged = window.Hook();
    const std::string path = PathOf("新しい.kpproj");
    ASSERT_TRUE(data.SaveProject(path));
    const std::string bytes = ReadBytes(path);
    const json root = json::parse(bytes);
    EXPECT_EQ(root["project_file"], "/古い/前回.kpproj");
    EXPECT_EQ(root.size(), 33u);
    EXPECT_EQ(root["diff_list"][0].size(), 5u);
    EXPECT_EQ(root["capTitle"].size(), 13u);
    EXPECT_EQ(bytes.find("\\u"), std::string::npos);  // non-ASCII as UTF-8, never escaped
    EXPECT_NE(bytes.find("\"題名テキスト\""), std::string::npos);
    EXPECT_EQ(data.project_file, path);
    ASSERT_EQ(window.titles.size(), 1u);
    EXPECT_EQ(window.titles[0].rfind("新しい.kpproj \"", 0), 0u) << window.titles[0];

    // No temporary file stays beside the project.
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()), 1);
}

TEST_F(ProjectFileTest, RoundTripOfEveryStoredField) {
    const CTarneloData original = FullProject();
    CTarneloData saver = original;
    const std::string path = PathOf("往復.kpproj");
    ASSERT_TRUE(saver.SaveProject(path));

    CTarneloData loaded(true);
    loaded.ResetAll(false);
    loaded.list_col = 2;
    loaded.m_currentInfo.fps = 50;
    loaded.chroma_offset_u = 0.5;
    loaded.TransitionDuration = 0.7;
    ASSERT_TRUE(loaded.LoadProject(path));

    EXPECT_EQ(loaded.project_file, path);
    EXPECT_EQ(loaded.input_file, original.input_file);
    EXPECT_EQ(loaded.input_mp4_file, original.input_mp4_file);
    EXPECT_EQ(loaded.output_folder, original.output_folder);
    EXPECT_EQ(loaded.output_name, original.output_name);
    EXPECT_EQ(loaded.pts_file, original.pts_file);
    EXPECT_TRUE(loaded.cine_sco && loaded.transition && loaded.primaries && loaded.play_scene_loop && loaded.play_loop);
    ASSERT_EQ(loaded.diff_list.Snapshot().size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        const SceneEntry a = loaded.diff_list.Snapshot()[i];
        const SceneEntry b = original.diff_list.Snapshot()[i];
        EXPECT_EQ(a.enable, b.enable) << i;
        EXPECT_EQ(a.framNo_first, b.framNo_first) << i;
        EXPECT_EQ(a.framNo_second, b.framNo_second) << i;
        EXPECT_EQ(a.fileName, b.fileName) << i;
        ExpectSameCaption(a.capParam, b.capParam, "scene " + std::to_string(i));
    }
    const std::pair<const NumericSetting*, const NumericSetting*> settings[] = {
        {&loaded.threshold, &original.threshold},
        {&loaded.valid_min_unit, &original.valid_min_unit},
        {&loaded.cut_min_unit, &original.cut_min_unit},
        {&loaded.brightness, &original.brightness},
        {&loaded.saturation, &original.saturation},
        {&loaded.contrast, &original.contrast},
        {&loaded.gamma, &original.gamma},
    };
    for (const auto& [a, b] : settings) {
        EXPECT_EQ(a->value, b->value);
        EXPECT_EQ(a->text, b->text);
    }
    EXPECT_EQ(loaded.threshold.text, "250");
    EXPECT_EQ(loaded.list_idx, 2);
    const VideoInfo& s = loaded.m_sourceInfo;
    const VideoInfo& o = original.m_sourceInfo;
    EXPECT_EQ(s.r_frame_rate, o.r_frame_rate);
    EXPECT_EQ(s.fps, o.fps);
    EXPECT_EQ(s.frame_num, o.frame_num);
    EXPECT_EQ(s.width, o.width);
    EXPECT_EQ(s.height, o.height);
    EXPECT_EQ(s.rotation, o.rotation);
    EXPECT_EQ(s.start_frame, o.start_frame);
    EXPECT_EQ(s.field_order, o.field_order);
    EXPECT_EQ(s.sar_num, o.sar_num);
    EXPECT_EQ(s.sar_den, o.sar_den);
    EXPECT_EQ(loaded.play_vol, 8);
    ExpectSameCaption(loaded.capWatermark, original.capWatermark, "watermark");
    ExpectSameCaption(loaded.capTitle, original.capTitle, "title");

    // Fields outside the file keep the loader's values.
    EXPECT_TRUE(loaded.use_cuda);
    EXPECT_EQ(loaded.list_col, 2);
    EXPECT_EQ(loaded.m_currentInfo.fps, 50);
    EXPECT_EQ(loaded.chroma_offset_u, 0.5);
    EXPECT_DOUBLE_EQ(loaded.TransitionDuration, 0.7);
    // The time list is missing, so it is made from the loaded source record: 1234 frames + 1.
    EXPECT_EQ(loaded.pts_list.size(), 1235u);

    // Saving what was loaded writes the same bytes.
    loaded.project_file = original.project_file;
    ASSERT_TRUE(loaded.SaveProject(PathOf("again.kpproj")));
    EXPECT_EQ(ReadBytes(m_dir / "again.kpproj"), ReadBytes(path));
}

TEST_F(ProjectFileTest, FailedSaveIntoMissingFolderChangesNothing) {
    CTarneloData data = FullProject();
    RecordingTitleWindow window;
    data.m_titleChanged = window.Hook();
    EXPECT_FALSE(data.SaveProject(PathOf("missing/p.kpproj")));
    EXPECT_FALSE(data.SaveProject(m_dir.string()));  // a folder is no project file
    EXPECT_EQ(data.project_file, "/古い/前回.kpproj");
    EXPECT_TRUE(window.titles.empty());
}

TEST_F(ProjectFileTest, FailedSaveInUnwritableFolderKeepsOldFile) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "permissions do not stop root";
    }
    const fs::path folder = m_dir / "ro";
    fs::create_directory(folder);
    CTarneloData data = FullProject();
    const std::string path = (folder / "p.kpproj").string();
    ASSERT_TRUE(data.SaveProject(path));
    const std::string before = ReadBytes(path);
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    data.input_file = "/changed.mp4";
    data.project_file = "/before.kpproj";
    EXPECT_FALSE(data.SaveProject(path));
    fs::permissions(folder, fs::perms::owner_all);
    EXPECT_EQ(ReadBytes(path), before);
    EXPECT_EQ(data.project_file, "/before.kpproj");
}

// A write that fails midway (a full disk, here a file-size limit) leaves the old file whole.
TEST_F(ProjectFileTest, FailedWriteKeepsOldFileByteIdentical) {
    CTarneloData data = FullProject();
    const std::string path = PathOf("p.kpproj");
    ASSERT_TRUE(data.SaveProject(path));
    const std::string before = ReadBytes(path);
    ASSERT_GT(before.size(), 1024u);

    data.diff_list.Assign(std::vector<SceneEntry>(40, data.diff_list.Snapshot().front()),
                          -1);  // the new file would be larger
    data.project_file = "/before.kpproj";
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit limited = saved;
    limited.rlim_cur = 512;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    const bool saveResult = data.SaveProject(path);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(saveResult);
    EXPECT_EQ(ReadBytes(path), before);
    EXPECT_EQ(data.project_file, "/before.kpproj");
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()), 1);  // no temp left
}

TEST_F(ProjectFileTest, SaveKeepsModeAndWritesThroughLinks) {
    CTarneloData data = FullProject();
    const std::string path = PathOf("p.kpproj");
    ASSERT_TRUE(data.SaveProject(path));
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(data.SaveProject(path));
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

    fs::create_symlink(path, m_dir / "link.kpproj");
    data.output_name = "別名.mp4";
    ASSERT_TRUE(data.SaveProject(PathOf("link.kpproj")));
    EXPECT_TRUE(fs::is_symlink(m_dir / "link.kpproj"));
    EXPECT_EQ(json::parse(ReadBytes(path))["output_name"], "別名.mp4");
}

TEST_F(ProjectFileTest, EmptyObjectKeepsFieldsButReplacesSceneList) {
    CTarneloData data = FullProject();
    data.output_folder.clear();
    data.capTitle.caption.clear();
    data.input_file = "/v/clip.part.mov";
    data.pts_file.clear();
    RecordingTitleWindow window;
    data.m_titleChanged = window.Hook();
    const std::string before = StoredBytes(data);

    for (const std::string text : {"{}", "\xEF\xBB\xBF{}\n", "  { }  "}) {
        CTarneloData loaded = data;
        ASSERT_TRUE(LoadText(loaded, text)) << text;
        EXPECT_TRUE(loaded.diff_list.Empty());
        EXPECT_EQ(loaded.list_idx, -1);  // no longer a row of the list
        EXPECT_EQ(loaded.capTitle.caption, "{\\fad(500,500)}/v/clip.part");
        EXPECT_EQ(loaded.output_folder, "/");
        EXPECT_EQ(loaded.pts_file, "/clip.part_pts.csv");
        EXPECT_EQ(loaded.project_file, PathOf("in.kpproj"));
        EXPECT_EQ(loaded.input_file, data.input_file);
        EXPECT_EQ(loaded.threshold.value, data.threshold.value);
        EXPECT_EQ(loaded.m_sourceInfo.field_order, data.m_sourceInfo.field_order);
        ExpectSameCaption(loaded.capWatermark, data.capWatermark, "watermark");
        EXPECT_EQ(loaded.play_vol, 8);
    }
    EXPECT_EQ(window.titles.size(), 3u);
    EXPECT_EQ(StoredBytes(data), before);
}

TEST_F(ProjectFileTest, NumericSettingsAreClampedToTheirRange) {
    CTarneloData data = Fresh();
    ASSERT_TRUE(LoadText(data, R"({"threshold": 5000, "gamma": 0.0, "brightness": -7, "saturation": 2.505,
                                   "valid_min_unit": 10.5, "cut_min_unit": 0, "contrast": 18446744073709551615})"));
    EXPECT_EQ(data.threshold.value, 1000);
    EXPECT_EQ(data.threshold.text, "1000");
    EXPECT_DOUBLE_EQ(data.gamma.value, 0.1);
    EXPECT_EQ(data.gamma.text, "0.1");
    EXPECT_EQ(data.brightness.text, "-1.0");
    EXPECT_DOUBLE_EQ(data.saturation.value, 2.505);
    EXPECT_EQ(data.saturation.text, "2.5");
    EXPECT_EQ(data.valid_min_unit.text, "10.0");
    EXPECT_EQ(data.cut_min_unit.text, "1.0");
    EXPECT_EQ(data.contrast.text, "2.0");
}

TEST_F(ProjectFileTest, PaddingAndLongestSceneKeysOnlyWhenUsed) {
    const char* keys[] = {"pre_roll", "post_roll", "max_len"};
    CTarneloData data = Fresh();
    const std::string path = PathOf("shape.kpproj");
    ASSERT_TRUE(data.SaveProject(path));
    for (const char* key : keys) EXPECT_EQ(ReadBytes(path).find(key), std::string::npos) << key;

    // An older project (no keys) opens with the defaults, whatever the tab held; a limit under 10 s is raised.
    CTarneloData loaded = Fresh();
    loaded.pre_roll.SetValueClamped(2);
    loaded.max_len.SetValueClamped(60);
    ASSERT_TRUE(LoadText(loaded, R"({"threshold": 100})"));
    EXPECT_EQ(loaded.pre_roll.value, 0);
    EXPECT_EQ(loaded.max_len.value, 0);
    ASSERT_TRUE(LoadText(loaded, R"({"pre_roll": 1.5, "post_roll": 12, "max_len": 5})"));
    EXPECT_EQ(loaded.pre_roll.text, "1.5");
    EXPECT_EQ(loaded.post_roll.text, "10.0");
    EXPECT_EQ(loaded.max_len.value, 10);
}

TEST_F(ProjectFileTest, ClockStartKeyOnlyWhenKnown) {
    CTarneloData data = Fresh();
    const std::string path = PathOf("clock.kpproj");
    ASSERT_TRUE(data.SaveProject(path));
    EXPECT_EQ(ReadBytes(path).find("clock_start"), std::string::npos);

    ASSERT_TRUE(ParseClockText("2024-01-31T14:25:30.480+09:00", data.clock_start));
    ASSERT_TRUE(data.SaveProject(path));
    EXPECT_NE(ReadBytes(path).find(R"("clock_start": "2024-01-31T14:25:30.480+09:00")"), std::string::npos);
    CTarneloData loaded = Fresh();
    loaded.m_detectClock = true;
    ASSERT_TRUE(loaded.LoadProject(path));
    EXPECT_EQ(loaded.clock_start, data.clock_start);
    EXPECT_FALSE(loaded.m_detectClock);  // opening the project keeps the stored clock

    // An older project, or a text that is no time, opens without a clock, whatever the tab held.
    for (const char* text : {R"({"threshold": 100})", R"({"clock_start": "soon"})", R"({"clock_start": 5})"}) {
        ASSERT_TRUE(LoadText(loaded, text)) << text;
        EXPECT_FALSE(loaded.clock_start.known) << text;
    }
}

TEST_F(ProjectFileTest, CaptionObjectsStartFromTheSceneCaption) {
    CTarneloData data = Fresh();
    ASSERT_TRUE(LoadText(data, R"({
        "diff_list": [{"enable": false, "framNo_first": 5, "framNo_second": 9, "fileName": "/o/a.mp4",
                       "capParam": {"caption": "字幕", "font_size": 40}}],
        "capWatermark": {"caption": "mark"},
        "capTitle": {"caption": "題", "bold": 0}
    })"));
    ASSERT_EQ(data.diff_list.Snapshot().size(), 1u);
    const SceneEntry scene = data.diff_list.Snapshot()[0];
    EXPECT_FALSE(scene.enable);
    EXPECT_EQ(scene.framNo_first, 5);
    EXPECT_EQ(scene.framNo_second, 9);
    EXPECT_EQ(scene.fileName, "/o/a.mp4");
    CaptionParam expected = DefaultSceneCaption();
    expected.caption = "字幕";
    expected.font_size = 40;
    ExpectSameCaption(scene.capParam, expected, "scene");

    expected = DefaultSceneCaption();  // not the watermark defaults: "Yu Gothic UI", not "Impact"
    expected.caption = "mark";
    ExpectSameCaption(data.capWatermark, expected, "watermark");
    expected.caption = "題";
    ExpectSameCaption(data.capTitle, expected, "title");
}

TEST_F(ProjectFileTest, OlderSceneLayoutAndMissingMembers) {
    CTarneloData data = Fresh();
    ASSERT_TRUE(LoadText(data, R"({"diff_list": [
        {"framNo_first": 1, "framNo_second": 2, "capTime_first": 0.5, "capTime_second": 2.25, "caption": "旧式"},
        {"caption": "only text"},
        {}
    ]})"));
    ASSERT_EQ(data.diff_list.Snapshot().size(), 3u);
    CaptionParam expected = DefaultSceneCaption();
    expected.capTime_first = 0.5;
    expected.capTime_second = 2.25;
    expected.caption = "旧式";
    ExpectSameCaption(data.diff_list.Snapshot()[0].capParam, expected, "old layout");
    expected = DefaultSceneCaption();
    expected.caption = "only text";
    ExpectSameCaption(data.diff_list.Snapshot()[1].capParam, expected, "old layout, text only");
    const SceneEntry bare = data.diff_list.Snapshot()[2];
    EXPECT_TRUE(bare.enable);  // a scene without the flag is used, like a new one
    EXPECT_TRUE(bare.m_created);
    EXPECT_EQ(bare.framNo_first, 0);
    EXPECT_EQ(bare.framNo_second, 0);
    EXPECT_EQ(bare.fileName, "");
    ExpectSameCaption(bare.capParam, DefaultSceneCaption(), "bare");
}

TEST_F(ProjectFileTest, OlderRootCaptionStyleAppliesToEveryScene) {
    CTarneloData data = Fresh();
    ASSERT_TRUE(LoadText(data, R"({
        "diff_list": [{"capParam": {"outline": 5, "font_size": 11}}, {"caption": "b"}],
        "font_name": "ＭＳ ゴシック", "font_size": 30, "color": 255, "bold": -1, "italic": -1,
        "underline": -1, "strike_uut": -1, "encoding": 0, "cap_pos_type": 8
    })"));
    for (const SceneEntry& scene : data.diff_list.Snapshot()) {
        EXPECT_EQ(scene.capParam.font_name, "ＭＳ ゴシック");
        EXPECT_EQ(scene.capParam.font_size, 30);
        EXPECT_EQ(scene.capParam.color, 255u);
        EXPECT_EQ(scene.capParam.bold & scene.capParam.italic & scene.capParam.underline & scene.capParam.strike_uut,
                  -1);
        EXPECT_EQ(scene.capParam.encoding, 0);
        EXPECT_EQ(scene.capParam.cap_pos_type, 8);
    }
    EXPECT_EQ(data.diff_list.Snapshot()[0].capParam.outline, 5);  // outline is not part of the old style
    EXPECT_EQ(data.diff_list.Snapshot()[1].capParam.caption, "b");

    // Style members that are absent or of another type leave the scene's own value.
    ASSERT_TRUE(LoadText(data, R"({"diff_list": [{"capParam": {"font_size": 11, "color": 7}}],
                                   "font_name": "A", "font_size": "big"})"));
    EXPECT_EQ(data.diff_list.Snapshot()[0].capParam.font_name, "A");
    EXPECT_EQ(data.diff_list.Snapshot()[0].capParam.font_size, 11);
    EXPECT_EQ(data.diff_list.Snapshot()[0].capParam.color, 7u);

    // Without font_name as a string nothing of the style applies.
    ASSERT_TRUE(LoadText(data, R"({"diff_list": [{}], "font_name": 3, "font_size": 99})"));
    EXPECT_EQ(data.diff_list.Snapshot()[0].capParam.font_size, 24);
}

TEST_F(ProjectFileTest, DerivedTimeListPath) {
    struct Case {
        const char* stored;
        const char* result;
    };
    const Case cases[] = {
        {"/o/x_PTS.CSV", "/o/x_PTS.CSV"},  // the ending compares ignoring case
        {"/o/x_pts.csv", "/o/x_pts.csv"},
        {"/o/x.csv", "/out/clip_pts.csv"},  // a .csv without "_pts" is replaced
        {"", "/out/clip_pts.csv"},
    };
    for (const Case& c : cases) {
        CTarneloData data = Fresh();
        json root = {{"input_file", "/v/clip.mov"}, {"output_folder", "/out"}, {"pts_file", c.stored}};
        ASSERT_TRUE(LoadText(data, root.dump()));
        EXPECT_EQ(data.pts_file, c.result) << c.stored;
        EXPECT_EQ(data.output_folder, "/out/");
    }
}

TEST_F(ProjectFileTest, LoadReadsTheTimeList) {
    WriteBytes(m_dir / "clip_pts.csv", "0.0\n0.04\n\n0.08\n");
    CTarneloData data = Fresh();
    json root = {{"input_file", "/v/clip.mov"}, {"output_folder", m_dir.string()}, {"frame_num", 99}, {"fps", 25}};
    ASSERT_TRUE(LoadText(data, root.dump()));
    EXPECT_EQ(data.pts_file, PathOf("clip_pts.csv"));
    EXPECT_EQ(data.pts_list, (std::vector<double>{0.0, 0.04, 0.08}));

    fs::remove(m_dir / "clip_pts.csv");
    ASSERT_TRUE(LoadText(data, root.dump()));
    EXPECT_EQ(data.pts_list.size(), 100u);  // made from the loaded source record
    EXPECT_DOUBLE_EQ(data.pts_list.back(), 3.96);
}

TEST_F(ProjectFileTest, NumbersOfEveryJsonKind) {
    CTarneloData data = Fresh();
    ASSERT_TRUE(LoadText(data, R"({
        "diff_list": [{"framNo_first": 12.9, "framNo_second": -3.7, "capParam": {"color": 4294967295,
                       "font_size": 1e30, "outline": -5000000000, "capTime_first": 3}},
                      {}, {}],
        "list_idx": 1.9, "frame_num": 3000000000, "width": 1920.0, "fps": 25, "rotation": -90.5, "play_vol": 2
    })"));
    const SceneEntry scene = data.diff_list.Snapshot()[0];
    EXPECT_EQ(scene.framNo_first, 12);  // floats truncate toward zero
    EXPECT_EQ(scene.framNo_second, -3);
    EXPECT_EQ(scene.capParam.color, 0xFFFFFFFFu);
    EXPECT_EQ(scene.capParam.font_size, 2147483647);  // beyond int: limited, never undefined
    EXPECT_EQ(scene.capParam.outline, -2147483647 - 1);
    EXPECT_DOUBLE_EQ(scene.capParam.capTime_first, 3.0);
    EXPECT_EQ(data.list_idx, 1);
    EXPECT_EQ(data.m_sourceInfo.frame_num, 2147483647);
    EXPECT_EQ(data.m_sourceInfo.width, 1920);
    EXPECT_DOUBLE_EQ(data.m_sourceInfo.fps, 25.0);
    EXPECT_EQ(data.m_sourceInfo.rotation, -90);
    EXPECT_EQ(data.play_vol, 2);

    // A selection that is not a row of the list read is dropped.
    for (const char* text : {R"({"list_idx": 3, "diff_list": [{}, {}]})", R"({"list_idx": -4})"}) {
        ASSERT_TRUE(LoadText(data, text));
        EXPECT_EQ(data.list_idx, -1) << text;
    }
}

TEST_F(ProjectFileTest, WrongTypedRootMembersAreIgnored) {
    const CTarneloData base = FullProject();
    struct Case {
        const char* member;
        const char* value;
    };
    const Case cases[] = {
        {"input_file", "5"},      {"output_name", "null"},  {"cine_sco", "1"},     {"transition", "\"yes\""},
        {"threshold", "\"300\""}, {"gamma", "[1.0]"},       {"list_idx", "true"},  {"r_frame_rate", "25"},
        {"fps", "\"25\""},        {"frame_num", "{}"},      {"play_vol", "\"9\""}, {"capWatermark", "\"w\""},
        {"capTitle", "[]"},       {"field_order", "false"}, {"sar_num", "\"1\""},  {"project_file", "7"},
    };
    for (const Case& c : cases) {
        CTarneloData data = base;
        const std::string text = std::string(R"({"diff_list": [{}, {}, {}], ")") + c.member + "\": " + c.value + "}";
        ASSERT_TRUE(LoadText(data, text)) << text;
        CTarneloData expected = base;
        expected.diff_list.Assign(std::vector<SceneEntry>(3, SceneEntry(0, 0, "")), -1);
        expected.project_file = PathOf("in.kpproj");
        EXPECT_EQ(StoredBytes(data), StoredBytes(expected)) << text;
    }

    CTarneloData data = base;  // a diff_list that is not an array still empties the list
    ASSERT_TRUE(LoadText(data, R"({"diff_list": {"enable": true}})"));
    EXPECT_TRUE(data.diff_list.Empty());
}

TEST_F(ProjectFileTest, FailedLoadsChangeNothing) {
    struct Case {
        const char* what;
        const char* text;
    };
    const Case cases[] = {
        {"empty file", ""},
        {"byte-order mark only", "\xEF\xBB\xBF"},
        {"malformed", "{\"input_file\": \"a\","},
        {"not an object", "[1, 2]"},
        {"a number", "5"},
        {"scene not an object", R"({"input_file": "/x.mp4", "diff_list": [{}, 3]})"},
        {"enable as number", R"({"diff_list": [{"enable": 1}]})"},
        {"frame as text", R"({"diff_list": [{"framNo_first": "1"}]})"},
        {"fileName as number", R"({"diff_list": [{"fileName": 5}]})"},
        {"capParam not an object", R"({"diff_list": [{"capParam": []}]})"},
        {"caption member wrong", R"({"diff_list": [{"capParam": {"font_size": "24"}}]})"},
        {"old layout caption wrong", R"({"diff_list": [{"caption": 5}]})"},
        {"old layout time wrong", R"({"diff_list": [{"capTime_first": "0:00"}]})"},
        {"watermark member wrong", R"({"input_file": "/x.mp4", "capWatermark": {"caption": 5}})"},
        {"title member wrong", R"({"capTitle": {"color": "white"}})"},
        {"title font null", R"({"capTitle": {"font_name": null}})"},
        {"invalid UTF-8", "{\"input_file\": \"\xFF\xFE\"}"},
    };
    const CTarneloData base = FullProject();
    const std::string before = StoredBytes(base);
    for (const Case& c : cases) {
        CTarneloData data = base;
        RecordingTitleWindow window;
        data.m_titleChanged = window.Hook();
        EXPECT_FALSE(LoadText(data, c.text)) << c.what;
        EXPECT_EQ(StoredBytes(data), before) << c.what;
        EXPECT_EQ(data.project_file, base.project_file) << c.what;
        EXPECT_TRUE(window.titles.empty()) << c.what;
    }

    CTarneloData data = base;
    EXPECT_FALSE(data.LoadProject(PathOf("missing.kpproj")));
    EXPECT_FALSE(data.LoadProject(m_dir.string()));  // a folder
    EXPECT_EQ(StoredBytes(data), before);
}

}  // namespace

TEST_F(ProjectFileTest, EverySettingOfTheTablesIsStoredUnderItsKeyAndResetByItsGroup) {
    CTarneloData data;
    data.ResetAll(false);
    for (const FlagSetting& flag : FlagSettings()) data.*flag.field = !flag.initial;
    for (const NumberSetting& number : NumberSettings()) (data.*number.field).SetValueClamped(number.maximum);
    const std::string path = PathOf("settings.kpproj");
    ASSERT_TRUE(data.SaveProject(path));
    const std::string text = ReadBytes(path);

    CTarneloData loaded;
    loaded.ResetAll(false);
    ASSERT_TRUE(loaded.LoadProject(path));
    for (const FlagSetting& flag : FlagSettings()) {
        EXPECT_NE(text.find('"' + std::string(flag.key) + "\": " + (flag.initial ? "false" : "true")),
                  std::string::npos)
            << flag.key;
        EXPECT_EQ(loaded.*flag.field, !flag.initial) << flag.key;
    }
    for (const NumberSetting& number : NumberSettings()) {
        EXPECT_NE(text.find('"' + std::string(number.key) + "\": "), std::string::npos) << number.key;
        EXPECT_EQ((loaded.*number.field).value, number.maximum) << number.key;
    }

    // Each reset gives its own group back, and the whole-project reset all of them.
    for (const SettingGroup group : {SettingGroup::kExtraction, SettingGroup::kEffects, SettingGroup::kProject}) {
        CTarneloData reset = loaded;
        ResetSettingGroup(reset, group);
        for (const FlagSetting& flag : FlagSettings()) {
            EXPECT_EQ(reset.*flag.field, flag.group == group ? flag.initial : !flag.initial) << flag.key;
        }
        for (const NumberSetting& number : NumberSettings()) {
            EXPECT_EQ((reset.*number.field).value, number.group == group ? number.initial : number.maximum)
                << number.key;
        }
    }
    loaded.ResetAll(false);
    for (const FlagSetting& flag : FlagSettings()) EXPECT_EQ(loaded.*flag.field, flag.initial) << flag.key;
    for (const NumberSetting& number : NumberSettings()) {
        EXPECT_EQ((loaded.*number.field).value, number.initial) << number.key;
    }
}
