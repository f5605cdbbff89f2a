#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <string>
#include <vector>

#include "engine/export/Chapters.h"
#include "engine/export/SubtitleExport.h"
#include "engine/merge/Subtitles.h"
#include "project/TarneloData.h"

namespace {

struct Cue {
    std::string start, end, text;  // times as "HH:MM:SS.mmm"
    bool operator==(const Cue& other) const = default;
};

CaptionParam Caption(const std::string& text, double start, double length, int position = 2) {
    CaptionParam caption = DefaultSceneCaption();
    caption.caption = text;
    caption.capTime_first = start;
    caption.capTime_second = length;
    caption.cap_pos_type = position;
    return caption;
}

// Three scenes of 3 s at 30 fps, the middle one disabled, with a title, a watermark and scene captions that
// use a fade tag, a line break, characters WebVTT must escape and a clock placeholder.
CTarneloData Project(bool transition) {
    CTarneloData data;
    data.ResetCaptionSettings();
    data.m_currentInfo.fps = data.m_sourceInfo.fps = 30;
    data.m_currentInfo.frame_num = data.m_sourceInfo.frame_num = 900;
    data.input_file = "/videos/holiday.mov";
    data.transition = transition;
    ParseClockText("2024-01-31T14:25:30.000+09:00", data.clock_start);
    data.capTitle = Caption("{\\fad(500,500)}Holiday", 0, 3, 8);
    data.capWatermark = Caption("Tarnelo\\NHexlow-Works.", 0, 36000, 9);
    std::vector<SceneEntry> scenes;
    const CaptionParam captions[] = {Caption("Beach\nat {time}", 0.5, 2), Caption("unused", 0, 1),
                                     Caption("Fish & <chips>", 1, 1), Caption("", 0, 1)};
    for (int i = 0; i < 4; ++i) {
        SceneEntry scene(i * 300, i * 300 + 89, "s.mp4");
        scene.capParam = captions[i];
        scenes.push_back(scene);
    }
    data.diff_list.Assign(scenes, -1);
    data.diff_list.Update(1, [](SceneEntry& s) { s.enable = false; });
    return data;
}

// The burnt-in captions read back from their ASS lines, in the order they start.
std::vector<Cue> AssCues(const CTarneloData& data) {
    static const std::regex kLine(
        R"(Dialogue: \d,(\d+):(\d\d):(\d\d)\.(\d\d),(\d+):(\d\d):(\d\d)\.(\d\d),[^,]*,,0,0,0,,(.*)\n)");
    AssOptions options;
    options.wholeTimeline = true;
    std::vector<Cue> cues;
    for (const std::string& line : BuildDialogueLines(data, options)) {
        std::smatch m;
        if (!std::regex_match(line, m, kLine)) continue;
        const auto time = [&](int i) {
            return std::string(m[i].str().size() < 2 ? "0" : "") + m[i].str() + ":" + m[i + 1].str() + ":" +
                   m[i + 2].str() + "." + m[i + 3].str() + "0";
        };
        cues.push_back({time(1), time(5), PlainCaptionText(m[9].str())});
    }
    std::stable_sort(cues.begin(), cues.end(), [](const Cue& a, const Cue& b) { return a.start < b.start; });
    return cues;
}

// Cues of an SRT or VTT text: each a time line, then text lines up to a blank line.
std::vector<Cue> ReadCues(const std::string& text, bool vtt) {
    static const std::regex kTimes(R"((\d\d:\d\d:\d\d)[,.](\d\d\d) --> (\d\d:\d\d:\d\d)[,.](\d\d\d))");
    std::vector<Cue> cues;
    size_t at = 0;
    while ((at = text.find(" --> ", at)) != std::string::npos) {
        const size_t begin = text.rfind('\n', at) + 1;
        const size_t lineEnd = text.find('\n', at);
        std::smatch m;
        const std::string line = text.substr(begin, lineEnd - begin);
        EXPECT_TRUE(std::regex_match(line, m, kTimes)) << line;
        size_t blank = text.find("\n\n", lineEnd);
        if (blank == std::string::npos) blank = text.size() - 1;
        std::string body = text.substr(lineEnd + 1, blank - lineEnd - 1);
        if (vtt) {
            for (const auto& [from, to] : {std::pair{"&lt;", "<"}, {"&gt;", ">"}, {"&amp;", "&"}}) {
                body = std::regex_replace(body, std::regex(from), to);
            }
        }
        cues.push_back({m[1].str() + "." + m[2].str(), m[3].str() + "." + m[4].str(), body});
        at = blank;
    }
    return cues;
}

TEST(SubtitleExportTest, SoftSubtitlesHaveTheBurntInTimesAndTexts) {
    for (const bool transition : {false, true}) {
        const CTarneloData data = Project(transition);
        const std::vector<Cue> expected = AssCues(data);
        ASSERT_EQ(expected.size(), 4u);  // title, watermark, two captions; the empty and the disabled give none
        const std::string srt = BuildSrtText(data);
        const std::string vtt = BuildVttText(data);
        EXPECT_EQ(ReadCues(srt, false), expected) << srt;
        EXPECT_EQ(ReadCues(vtt, true), expected) << vtt;

        EXPECT_EQ(srt.substr(0, 2), "1\n");
        EXPECT_NE(srt.find("\n\n4\n"), std::string::npos);
        EXPECT_EQ(vtt.substr(0, 8), "WEBVTT\n\n");
        EXPECT_NE(vtt.find("Fish &amp; &lt;chips&gt;"), std::string::npos);
        EXPECT_NE(srt.find("Beach\nat 14:25:30\n"), std::string::npos);  // the scene's clock, a line break kept
        EXPECT_NE(srt.find("\nHoliday\n"), std::string::npos);           // the fade tag removed
        EXPECT_NE(srt.find("Tarnelo\nHexlow-Works."), std::string::npos);

        // A project just read from its file has probed no current file: the recording's rate times the cues.
        CTarneloData opened = Project(transition);
        opened.m_currentInfo = VideoInfo{};
        EXPECT_EQ(BuildSrtText(opened), srt);
    }
}

TEST(SubtitleExportTest, CaptionTextAsPlainLines) {
    const struct {
        const char* ass;
        const char* plain;
    } cases[] = {
        {"{\\fad(500,500)}Title", "Title"}, {"{\\b1}bold{\\b0} and \\Nnext", "bold and \nnext"},
        {"a\\n b\\hc", "a\n b c"},          {"one\\N\\Ntwo\\N", "one\ntwo"},  // no blank line to end a cue early
        {"open { brace", "open { brace"},   {"{\\an8}", ""},
        {"日本語\r\n字幕", "日本語\n字幕"},
    };
    for (const auto& c : cases) EXPECT_EQ(PlainCaptionText(c.ass), c.plain) << c.ass;
}

TEST(SubtitleExportTest, NothingToShowGivesNoCue) {
    CTarneloData data = Project(false);
    data.capTitle.caption.clear();
    data.capWatermark.caption.clear();
    data.diff_list.UpdateAll([](SceneEntry& s) { s.capParam.caption.clear(); });
    EXPECT_EQ(BuildSrtText(data), "");
    EXPECT_EQ(BuildVttText(data), "WEBVTT\n");
}

TEST(SubtitleExportTest, ChaptersOfTheEnabledScenes) {
    const struct {
        bool transition;
        std::vector<long long> starts;
        long long end;
    } cases[] = {{false, {0, 3000, 6000}, 9000}, {true, {0, 2500, 5000}, 8000}};
    for (const auto& c : cases) {
        const std::vector<Chapter> chapters = BuildChapters(Project(c.transition));
        ASSERT_EQ(chapters.size(), 3u);
        const std::vector<std::string> titles = {"Beach at 14:25:30", "Fish & <chips>", "Scene 004"};
        for (size_t i = 0; i < chapters.size(); ++i) {
            EXPECT_EQ(chapters[i].title, titles[i]);
            EXPECT_EQ(chapters[i].startMs, c.starts[i]) << i;
            EXPECT_EQ(chapters[i].endMs, i + 1 < chapters.size() ? c.starts[i + 1] : c.end) << i;
        }
    }
}

TEST(SubtitleExportTest, ChapterFileEscapesTitles) {
    EXPECT_EQ(FfmetadataText({{0, 1500, "a=b;c#d\\e\nf"}}),
              ";FFMETADATA1\n\n[CHAPTER]\nTIMEBASE=1/1000\nSTART=0\nEND=1500\ntitle=a\\=b\\;c\\#d\\\\e\\\nf\n");
}

}  // namespace
