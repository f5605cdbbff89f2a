#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "engine/merge/Subtitles.h"
#include "project/TarneloData.h"

namespace {

using Lines = std::vector<std::string>;

CaptionParam Caption(const std::string& text, double start, double length, int position = 2) {
    CaptionParam caption = DefaultSceneCaption();
    caption.caption = text;
    caption.capTime_first = start;
    caption.capTime_second = length;
    caption.cap_pos_type = position;
    return caption;
}

// 1080p at 30 fps with the default captions, the watermark emptied so each case adds only what it checks.
CTarneloData Project(int width = 1920, int height = 1080, int frames = 90) {
    CTarneloData data;
    data.ResetCaptionSettings();
    data.capWatermark.caption.clear();
    data.m_currentInfo.width = width;
    data.m_currentInfo.height = height;
    data.m_currentInfo.fps = 30;
    data.m_currentInfo.frame_num = frames;
    data.input_file = "/videos/holiday.mov";
    data.output_folder = "/out/";
    data.output_name = "joined.mp4";
    return data;
}

SceneEntry Scene(int first, int last, const CaptionParam& caption = CaptionParam{}) {
    SceneEntry scene(first, last, "scene.mp4");
    scene.capParam = caption;
    return scene;
}

AssOptions Options(bool wholeTimeline, bool singleStill, int sceneIndex, int playFrame = 0) {
    AssOptions options;
    options.wholeTimeline = wholeTimeline;
    options.singleStill = singleStill;
    options.sceneIndex = sceneIndex;
    options.width = 1920;
    options.height = 1080;
    options.playFrame = playFrame;
    return options;
}

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

TEST(SubtitlesTest, TimeTexts) {
    struct Case {
        std::string actual;
        const char* expected;
    };
    const Case cases[] = {
        {SecondsTimeText(0), "00:00:00.00"},
        {SecondsTimeText(1.0), "00:00:01.00"},
        {SecondsTimeText(3661.5), "01:01:01.50"},
        {SecondsTimeText(2.999), "00:00:03.00"},
        {SecondsTimeText(7.97), "00:00:07.97"},
        {FrameTimeText(89, 30), "00:00:02.96"},  // truncated
        {ExactFrameTimeText(89, 30), "00:00:02.97"},
        {FrameTimeText(108000, 30), "01:00:00.00"},
        {ExactFrameTimeText(2999, 1000), "00:00:03.00"},  // 2.999 carries instead of printing ".100"
        {FrameTimeText(50, 0), "00:00:00.00"},
        {ExactFrameTimeText(50, -1), "00:00:00.00"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.actual, c.expected);
    }
}

TEST(SubtitlesTest, FadeTagsRemoved) {
    EXPECT_EQ(RemoveFadeTags("{\\fad(500,500)}Hello"), "Hello");
    EXPECT_EQ(RemoveFadeTags("a{\\fad(1,22)}b{\\fad(333,4)}c"), "abc");
    EXPECT_EQ(RemoveFadeTags("{\\fad(a,b)}x{\\fade(1,2)}{\\b1}"), "{\\fad(a,b)}x{\\fade(1,2)}{\\b1}");
    EXPECT_EQ(RemoveFadeTags(""), "");
}

TEST(SubtitlesTest, MetricsAndStyleLines) {
    struct Case {
        int width, height, sarNum, sarDen;
        int playResX, playResY, unit, bar;
    };
    const Case cases[] = {
        {1920, 1080, 1, 1, 1920, 1080, 4, 132}, {1280, 720, 1, 1, 1280, 720, 2, 88},
        {1080, 1920, 1, 1, 1080, 1920, 4, 132}, {1440, 1080, 4, 3, 1920, 1080, 4, 132},
        {160, 90, 1, 1, 160, 90, 0, 9},
    };
    for (const Case& c : cases) {
        CTarneloData data = Project(c.width, c.height);
        data.m_currentInfo.sar_num = c.sarNum;
        data.m_currentInfo.sar_den = c.sarDen;
        const AssMetrics m = ComputeAssMetrics(data, c.width, c.height);
        EXPECT_EQ(m.playResX, c.playResX) << c.width << "x" << c.height;
        EXPECT_EQ(m.playResY, c.playResY);
        EXPECT_EQ(m.unit, c.unit);
        EXPECT_EQ(m.bar, c.bar);
    }

    const AssMetrics hd{1920, 1080, 4, 132};
    CaptionParam caption = Caption("x", 0, 1);
    caption.font_name = "Arial";
    caption.font_size = 10;
    EXPECT_EQ(BuildStyleLine("Scene001", caption, hd),
              "Style: Scene001,Arial,40,&H00FFFFFF,&H000000FF,&H00000000,&H64000000,0,0,0,0,100,100,0,0,1,2,0,2,20,"
              "20,46,128\n");
    // A caption taller than the bar sits at margin 0; flags are written as stored (-1 on).
    caption.font_size = 40;
    caption.color = 0x80123ABC;
    caption.bold = -1;
    caption.strike_uut = -1;
    caption.cap_pos_type = 9;
    caption.outline = 0;
    caption.encoding = 0;
    EXPECT_EQ(BuildStyleLine("Title", caption, hd),
              "Style: Title,Arial,160,&H80123ABC,&H000000FF,&H00000000,&H64000000,-1,0,0,-1,100,100,0,0,1,0,0,9,80,"
              "80,0,0\n");
}

TEST(SubtitlesTest, SegmentFileText) {
    CTarneloData data = Project();
    data.capWatermark = DefaultWatermarkCaption();
    CaptionParam caption = Caption("Hello", 1, 2);
    caption.font_name = "Arial";
    caption.font_size = 10;
    data.diff_list.Append(Scene(0, 89, caption));
    data.list_idx = 0;

    const AssBuild build = BuildAssText(data, Options(false, false, -1));
    const std::string expected =
        "[Script Info]\r\nTitle: Sample Subtitle\r\nScriptType: v4.00+\r\nCollisions: Normal\r\nPlayResX: 1920\r\n"
        "PlayResY: 1080\r\nTimer: 100.0000\r\n\r\n[V4+ Styles]\r\n"
        "Format: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, BackColour, Bold, Italic, "
        "Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, BorderStyle, Outline, Shadow, Alignment, MarginL, "
        "MarginR, MarginV, Encoding\r\n"
        "Style: Watermark,Impact,148,&HC0FFFFFF,&H000000FF,&H00000000,&H64000000,0,0,0,0,100,100,0,0,1,0,0,5,74,74,"
        "0,0\r\n"
        "Style: Title,Yu Gothic UI,128,&H00FFFFFF,&H000000FF,&H00000000,&H64000000,-1,0,0,0,100,100,0,0,1,2,0,5,64,"
        "64,2,128\r\n"
        "Style: Scene001,Arial,40,&H00FFFFFF,&H000000FF,&H00000000,&H64000000,0,0,0,0,100,100,0,0,1,2,0,2,20,20,46,"
        "128\r\n"
        "\r\n[Events]\r\nFormat: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\r\n"
        "Dialogue: 0,00:00:01.00,00:00:03.03,Scene001,,0,0,0,,Hello\r\n"
        "Dialogue: 2,00:00:00.00,00:00:03.03,Watermark,,0,0,0,,Tarnelo\\NHexlow-Works.\r\n";
    EXPECT_EQ(build.text, expected);
    EXPECT_EQ(build.dialogues,
              (Lines{"Dialogue: 0,00:00:01.00,00:00:03.03,Scene001,,0,0,0,,Hello\n",
                     "Dialogue: 2,00:00:00.00,00:00:03.03,Watermark,,0,0,0,,Tarnelo\\NHexlow-Works.\n"}));
}

TEST(SubtitlesTest, NothingApplies) {
    CTarneloData data = Project();
    data.capTitle = Caption("Title", 0, 3, 0);
    data.capWatermark = Caption("", 0, 3, 5);
    data.diff_list.Append(Scene(0, 89, Caption("Hidden", 0, 1, 0)));
    data.diff_list.Append(Scene(90, 179, Caption("", 0, 1, 2)));
    for (const AssOptions& options :
         {Options(false, false, 0), Options(false, false, 1), Options(true, false, -1), Options(false, true, 0)}) {
        const AssBuild build = BuildAssText(data, options);
        EXPECT_TRUE(build.dialogues.empty());
        EXPECT_EQ(build.text, "");
    }
}

TEST(SubtitlesTest, FadeTagKeptInFilesRemovedInStill) {
    CTarneloData data = Project();
    data.diff_list.Append(Scene(0, 89, Caption("{\\fad(500,500)}Sea", 0, 2)));
    data.list_idx = 0;
    EXPECT_EQ(BuildDialogueLines(data, Options(false, false, 0)),
              Lines{"Dialogue: 0,00:00:00.00,00:00:02.03,Scene001,,0,0,0,,{\\fad(500,500)}Sea\n"});
    EXPECT_EQ(BuildDialogueLines(data, Options(true, false, -1)),
              Lines{"Dialogue: 0,00:00:00.00,00:00:02.03,Scene001,,0,0,0,,{\\fad(500,500)}Sea\n"});
    EXPECT_EQ(BuildDialogueLines(data, Options(false, true, 0, 10)),
              Lines{"Dialogue: 0,00:00:00.00,00:00:01.00,Scene001,,0,0,0,,Sea\n"});
    // A preview still during a merge job uses the still rules too.
    EXPECT_EQ(BuildDialogueLines(data, Options(true, true, 0, 10)),
              Lines{"Dialogue: 0,00:00:00.00,00:00:01.00,Scene001,,0,0,0,,Sea\n"});
}

TEST(SubtitlesTest, StillShowsCaptionOnlyAtItsFrames) {
    CTarneloData data = Project();
    data.diff_list.Append(Scene(0, 89));
    data.diff_list.Append(Scene(90, 179, Caption("Hi", 1, 2)));  // frames 30..90 of the segment
    data.list_idx = 0;
    struct Case {
        int playFrame;
        bool shown;
    };
    for (const Case& c : {Case{29, false}, Case{30, true}, Case{89, true}, Case{500, true}}) {
        const Lines lines = BuildDialogueLines(data, Options(false, true, 1, c.playFrame));
        EXPECT_EQ(lines.size(), c.shown ? 1u : 0u) << c.playFrame;
    }
    // Scene index -1 follows the selection.
    data.list_idx = 1;
    EXPECT_EQ(BuildDialogueLines(data, Options(false, true, -1, 40)),
              Lines{"Dialogue: 0,00:00:00.00,00:00:01.00,Scene002,,0,0,0,,Hi\n"});
    data.diff_list.Update(1, [&](SceneEntry& s) { s.capParam = Caption("Hi", 0, 1); });  // frames 0..30
    EXPECT_TRUE(BuildDialogueLines(data, Options(false, true, 1, 31)).empty());
}

TEST(SubtitlesTest, TitleAndWatermarkOnOneSegment) {
    struct Case {
        const char* name;
        bool transition;
        double titleStart, titleLength;
        int playFrame;
        bool singleStill;
        Lines expected;
    };
    const Case cases[] = {
        {"before the title ends",
         false,
         0,
         3,
         10,
         false,
         {"Dialogue: 1,00:00:00.00,00:00:01.03,Title,,0,0,0,,{\\fad(500,500)}T\n",
          "Dialogue: 2,00:00:00.00,00:00:03.03,Watermark,,0,0,0,,W\n"}},
        // The previous scene is shortened by half a fade, so more of the title reaches this segment.
        {"with transitions",
         true,
         0,
         3,
         10,
         false,
         {"Dialogue: 1,00:00:00.00,00:00:01.30,Title,,0,0,0,,{\\fad(500,500)}T\n",
          "Dialogue: 2,00:00:00.00,00:00:03.03,Watermark,,0,0,0,,W\n"}},
        {"title over", false, 0, 3, 100, false, {"Dialogue: 2,00:00:00.00,00:00:03.03,Watermark,,0,0,0,,W\n"}},
        {"title not yet", false, 2.5, 10, 10, false, {"Dialogue: 2,00:00:00.00,00:00:03.03,Watermark,,0,0,0,,W\n"}},
        {"title started inside",
         false,
         2.5,
         10,
         20,
         false,
         {"Dialogue: 1,00:00:00.50,00:00:03.03,Title,,0,0,0,,{\\fad(500,500)}T\n",
          "Dialogue: 2,00:00:00.00,00:00:03.03,Watermark,,0,0,0,,W\n"}},
        {"still",
         false,
         0,
         3,
         10,
         true,
         {"Dialogue: 1,00:00:00.00,00:00:01.00,Title,,0,0,0,,T\n",
          "Dialogue: 2,00:00:00.00,00:00:01.00,Watermark,,0,0,0,,W\n"}},
    };
    for (const Case& c : cases) {
        CTarneloData data = Project();
        data.transition = c.transition;
        data.capTitle = Caption("{\\fad(500,500)}T", c.titleStart, c.titleLength, 8);
        data.capWatermark = Caption("W", 0, 36000, 9);
        data.diff_list.Assign({Scene(0, 59), Scene(60, 149), Scene(150, 209)}, -1);
        EXPECT_EQ(BuildDialogueLines(data, Options(false, c.singleStill, 1, c.playFrame)), c.expected) << c.name;

        // The merge tab's output carries no watermark.
        AssOptions merge = Options(false, c.singleStill, 1, c.playFrame);
        merge.mergeTab = true;
        Lines withoutWatermark = c.expected;
        withoutWatermark.pop_back();
        EXPECT_EQ(BuildDialogueLines(data, merge), withoutWatermark) << c.name;
    }
}

TEST(SubtitlesTest, WholeTimeline) {
    struct Case {
        const char* name;
        bool transition;
        bool firstEnabled;
        Lines expected;
    };
    const Case cases[] = {
        {"joined",
         false,
         true,
         {"Dialogue: 1,00:00:00.00,00:00:08.97,Title,,0,0,0,,T\n",
          "Dialogue: 2,00:00:00.00,00:00:09.03,Watermark,,0,0,0,,W\n",
          "Dialogue: 0,00:00:03.00,00:00:04.03,Scene002,,0,0,0,,B\n",
          "Dialogue: 0,00:00:07.00,00:00:09.03,Scene003,,0,0,0,,C\n"}},
        {"cross-faded",
         true,
         true,
         {"Dialogue: 1,00:00:00.00,00:00:07.97,Title,,0,0,0,,T\n",
          "Dialogue: 2,00:00:00.00,00:00:08.03,Watermark,,0,0,0,,W\n",
          "Dialogue: 0,00:00:02.73,00:00:03.50,Scene002,,0,0,0,,B\n",
          "Dialogue: 0,00:00:05.96,00:00:08.03,Scene003,,0,0,0,,C\n"}},
        // Fades are counted by list position: the second row is a middle one even when the first is off.
        {"cross-faded, first row disabled",
         true,
         false,
         {"Dialogue: 1,00:00:00.00,00:00:05.47,Title,,0,0,0,,T\n",
          "Dialogue: 2,00:00:00.00,00:00:05.53,Watermark,,0,0,0,,W\n",
          "Dialogue: 0,00:00:00.00,00:00:00.76,Scene002,,0,0,0,,B\n",
          "Dialogue: 0,00:00:03.23,00:00:05.53,Scene003,,0,0,0,,C\n"}},
    };
    for (const Case& c : cases) {
        CTarneloData data = Project();
        data.transition = c.transition;
        data.capTitle = Caption("T", 0, 20, 8);
        data.capWatermark = Caption("W", 0, 36000, 9);
        data.diff_list.Assign({Scene(0, 89, Caption("A", 0, 1, 0)), Scene(100, 189, Caption("B", 0, 1)),
                               Scene(200, 289, Caption("C", 1, 10))},
                              -1);
        data.diff_list.Update(0, [&](SceneEntry& s) { s.enable = c.firstEnabled; });
        const AssOptions options = Options(true, false, -1);
        EXPECT_EQ(BuildDialogueLines(data, options), c.expected) << c.name;

        const std::string text = BuildAssText(data, options).text;
        EXPECT_EQ(text.find("Style: Scene001"), std::string::npos) << c.name;
        EXPECT_NE(text.find("Style: Scene002,"), std::string::npos) << c.name;
        EXPECT_NE(text.find("Style: Scene003,"), std::string::npos) << c.name;
        // The clamped end is not written back into the title.
        EXPECT_EQ(data.capTitle.capTime_second, 20);
    }
}

// "Style: text" of each dialogue line.
Lines DialogueTexts(const Lines& lines) {
    static const std::regex kLine(R"(Dialogue: \d,[^,]*,[^,]*,([^,]*),,0,0,0,,(.*)\n)");
    Lines texts;
    std::smatch m;
    for (const std::string& line : lines) {
        if (std::regex_match(line, m, kLine)) texts.push_back(m[1].str() + ": " + m[2].str());
    }
    return texts;
}

TEST(SubtitlesTest, ClockPlaceholdersShowEachCaptionsOwnMoment) {
    const std::string mark = "Watermark: 2024-01-31 14:25:30";
    const struct {
        bool clockKnown;
        AssOptions options;
        Lines expected;
    } cases[] = {
        {true,
         Options(true, false, -1),
         {"Title: 14:25:40", mark, "Scene002: 14:25:40", "Scene003: 2024-01-31 14:25:50"}},
        {true, Options(false, false, 2), {"Scene003: 2024-01-31 14:25:50", mark}},         // the third scene's segment
        {true, Options(false, true, 1), {"Scene002: 14:25:40", "Title: 14:25:40", mark}},  // the second's still
        {false,
         Options(true, false, -1),
         {"Title: 00:00:10.00", "Watermark: 00:00:00.00 00:00:00.00", "Scene002: 00:00:10.00",
          "Scene003: 00:00:20.00"}},
    };
    for (const auto& c : cases) {
        CTarneloData data = Project();
        data.m_sourceInfo.fps = 30;  // scenes' frames are counted in the recording
        if (c.clockKnown) {
            ASSERT_TRUE(ParseClockText("2024-01-31T14:25:30.000+09:00", data.clock_start));
        }
        data.capTitle = Caption("{time}", 0, 1, 8);
        data.capWatermark = Caption("{date} {time}", 0, 36000, 9);
        data.diff_list.Assign({Scene(0, 89, Caption("{date}", 0, 1)), Scene(300, 389, Caption("{time}", 0, 1)),
                               Scene(600, 689, Caption("{datetime}", 0, 1))},
                              -1);
        data.diff_list.Update(0, [](SceneEntry& s) { s.enable = false; });  // the title shows the first enabled
        EXPECT_EQ(DialogueTexts(BuildDialogueLines(data, c.options)), c.expected) << c.expected.front();
    }
}

TEST(SubtitlesTest, CaptionLineBreaksStayInOneEvent) {
    CTarneloData data = Project();
    data.diff_list.Append(Scene(0, 89, Caption("one\r\ntwo\nthree", 0, 1)));
    const AssBuild build = BuildAssText(data, Options(false, false, 0));
    EXPECT_EQ(build.dialogues, Lines{"Dialogue: 0,00:00:00.00,00:00:01.03,Scene001,,0,0,0,,one\\Ntwo\\Nthree\n"});
    EXPECT_NE(build.text.find(",,one\\Ntwo\\Nthree\r\n"), std::string::npos);
}

TEST(SubtitlesTest, FilePaths) {
    CTarneloData data = Project();
    data.input_file = "/media/v1.0/clip.final.mov";
    struct Case {
        bool wholeTimeline, singleStill, mergeTab;
        const char* expected;
    };
    const Case cases[] = {
        {false, false, false, "/out/clip.final_seg.ass"}, {true, false, false, "/out/clip.final_all.ass"},
        {false, true, false, "/out/clip.final_one.ass"},  {true, true, false, "/out/clip.final_one.ass"},
        {true, false, true, "/out/joined_all.ass"},       {false, false, true, "/out/joined_seg.ass"},
    };
    for (const Case& c : cases) {
        AssOptions options = Options(c.wholeTimeline, c.singleStill, -1);
        options.mergeTab = c.mergeTab;
        EXPECT_EQ(AssFilePath(data, options), c.expected);
    }
}

TEST(SubtitlesTest, FilterTextEscaping) {
    struct Case {
        std::string path;
        const char* expected;
    };
    const Case cases[] = {
        {"/out/clip_seg.ass", "subtitles='/out/clip_seg.ass'"},
        {"/media/C:/x_seg.ass", "subtitles='/media/C\\:/x_seg.ass'"},
        {"/o/it's_seg.ass", "subtitles='/o/it\\'\\''s_seg.ass'"},
        {"/o/a\\b.ass", "subtitles='/o/a\\\\b.ass'"},
        {"/o/k=v.ass", "subtitles='/o/k\\=v.ass'"},
        {"/o/a,b;[c] d%.ass", "subtitles='/o/a,b;[c] d%.ass'"},
        {"/o/字幕 テスト.ass", "subtitles='/o/字幕 テスト.ass'"},
        {"rel:x.ass", "subtitles='./rel\\:x.ass'"},
        {" lead.ass", "subtitles='./ lead.ass'"},
        {"/o/trail ", "subtitles='/o/trail\\ '"},
    };
    for (const Case& c : cases) {
        std::string error;
        const std::optional<std::string> text = SubtitleFilterText(c.path, &error);
        ASSERT_TRUE(text.has_value()) << c.path << ": " << error;
        EXPECT_EQ(*text, c.expected);
        EXPECT_EQ(error, "");
    }

    const std::string bad[] = {"/o/two\nlines.ass",
                               "/o/cr\r.ass",
                               std::string("/o/nul\0x.ass", 12),
                               "/o/tab\t.ass",
                               "/o/say \"hi\".ass",
                               "/o/\x7f.ass",
                               ""};
    for (const std::string& path : bad) {
        std::string error;
        EXPECT_FALSE(SubtitleFilterText(path, &error).has_value()) << path;
        EXPECT_NE(error, "") << path;
        EXPECT_EQ(error.find('\n'), std::string::npos);
    }
}

class SubtitleFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/fxassXXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_folder = std::string(pattern) + "/";
    }
    void TearDown() override { std::filesystem::remove_all(m_folder); }
    std::string m_folder;
};

TEST_F(SubtitleFileTest, SaveCreatesOrReplacesExactBytes) {
    const std::string path = m_folder + "a.ass";
    ASSERT_TRUE(SaveAssFile(path, std::string(100, 'x')));
    ASSERT_TRUE(SaveAssFile(path, "[Script Info]\r\n字幕\r\n"));
    EXPECT_EQ(ReadFile(path), "[Script Info]\r\n字幕\r\n");  // no byte-order mark, old tail gone
    EXPECT_FALSE(SaveAssFile(m_folder + "missing/a.ass", "x"));
    EXPECT_FALSE(std::filesystem::exists(m_folder + "missing"));
}

TEST_F(SubtitleFileTest, MakeFilterWritesFileAndReportsProblems) {
    CTarneloData data = Project();
    data.output_folder = m_folder;
    data.input_file = "/videos/it's 10:30 休日.mov";
    data.diff_list.Append(Scene(0, 89, Caption("Hello", 0, 1)));

    const SubtitleFilterResult made = MakeSubtitleFilter(data, Options(false, false, 0));
    const std::string path = m_folder + "it's 10:30 休日_seg.ass";
    EXPECT_EQ(made.path, path);
    EXPECT_TRUE(made.written);
    EXPECT_EQ(made.error, "");
    EXPECT_EQ(made.filter, "subtitles='" + m_folder + "it\\'\\''s 10\\:30 休日_seg.ass'");
    EXPECT_EQ(ReadFile(path), BuildAssText(data, Options(false, false, 0)).text);

    // Unwritable: the filter is still returned, ffmpeg will report the missing file.
    data.output_folder = m_folder + "missing/";
    const SubtitleFilterResult unwritable = MakeSubtitleFilter(data, Options(false, false, 0));
    EXPECT_FALSE(unwritable.written);
    EXPECT_EQ(unwritable.error, "");
    EXPECT_EQ(unwritable.filter, "subtitles='" + m_folder + "missing/it\\'\\''s 10\\:30 休日_seg.ass'");

    // A name the filter cannot carry: an error and no file at all.
    data.output_folder = m_folder;
    data.input_file = "/videos/bad\nname.mov";
    const SubtitleFilterResult bad = MakeSubtitleFilter(data, Options(false, false, 0));
    EXPECT_EQ(bad.filter, "");
    EXPECT_NE(bad.error, "");
    EXPECT_FALSE(bad.written);
    EXPECT_FALSE(std::filesystem::exists(m_folder + "bad\nname_seg.ass"));

    // No caption: nothing at all.
    data.input_file = "/videos/none.mov";
    data.diff_list.Update(0, [&](SceneEntry& s) { s.capParam.caption.clear(); });
    const SubtitleFilterResult none = MakeSubtitleFilter(data, Options(false, false, 0));
    EXPECT_EQ(none.filter, "");
    EXPECT_EQ(none.path, "");
    EXPECT_FALSE(std::filesystem::exists(m_folder + "none_seg.ass"));
}

}  // namespace
