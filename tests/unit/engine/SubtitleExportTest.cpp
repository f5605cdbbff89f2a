#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <string>
#include <vector>

#include "engine/export/SubtitleExport.h"
#include "engine/merge/Subtitles.h"
#include "project/TarneloData.h"

namespace {

using Cues = std::vector<std::string>;  // "start|end|text", times as "HH:MM:SS.mmm"

// Four scenes of 3 s at 30 fps, the second disabled and the last without a caption, under a title and a watermark.
CTarneloData Project(bool transition) {
    CTarneloData data;
    data.ResetCaptionSettings();
    data.m_currentInfo.fps = data.m_sourceInfo.fps = 30;
    data.transition = transition;
    ParseClockText("2024-01-31T14:25:30.000+09:00", data.clock_start);
    data.capTitle.caption = "{\\fad(500,500)}Holiday";
    const char* captions[] = {"Beach\nat {time}", "off", "Fish & <chips>", ""};
    for (int i = 0; i < 4; ++i) {
        data.diff_list.Append(SceneEntry(i * 300, i * 300 + 89, "s.mp4"));
        data.diff_list.Update(i, [&](SceneEntry& s) {
            s.capParam = {0.5, 2.0, captions[i], 2};
            s.enable = i != 1;
        });
    }
    return data;
}

// The burnt-in captions read back from the ASS lines, in the order they start.
Cues AssCues(const CTarneloData& data) {
    static const std::regex kLine(R"(Dialogue: \d,(\d+:\d\d:\d\d\.\d\d),(\d+:\d\d:\d\d\.\d\d),[^,]*,,0,0,0,,(.*)\n)");
    AssOptions options;
    options.wholeTimeline = true;
    Cues cues;
    std::smatch m;
    for (const std::string& line : BuildDialogueLines(data, options)) {
        if (std::regex_match(line, m, kLine))
            cues.push_back(m[1].str() + "0|" + m[2].str() + "0|" + PlainCaptionText(m[3]));
    }
    std::stable_sort(cues.begin(), cues.end(),
                     [](const std::string& a, const std::string& b) { return a.substr(0, 12) < b.substr(0, 12); });
    return cues;
}

// The cues of an SRT or WebVTT text, each a time line and the text lines up to a blank line.
Cues ReadCues(std::string text) {
    for (const auto& [from, to] : {std::pair{"&lt;", "<"}, {"&gt;", ">"}, {"&amp;", "&"}}) {
        text = std::regex_replace(text, std::regex(from), to);
    }
    static const std::regex kCue(R"((\d\d:\d\d:\d\d)[,.](\d{3}) --> (\d\d:\d\d:\d\d)[,.](\d{3})\n((?:.+\n?)+))");
    Cues cues;
    for (std::sregex_iterator it(text.begin(), text.end(), kCue), end; it != end; ++it) {
        std::string body = (*it)[5].str();
        if (body.back() == '\n') body.pop_back();
        cues.push_back((*it)[1].str() + "." + (*it)[2].str() + "|" + (*it)[3].str() + "." + (*it)[4].str() + "|" +
                       body);
    }
    return cues;
}

TEST(SubtitleExportTest, SoftSubtitlesHaveTheBurntInTimesAndTexts) {
    for (const bool transition : {false, true}) {
        CTarneloData data = Project(transition);
        const Cues expected = AssCues(data);
        ASSERT_EQ(expected.size(), 4u);  // title, watermark and two captions: none of the disabled or empty
        const std::string srt = BuildSrtText(data);
        EXPECT_EQ(ReadCues(srt), expected) << srt;
        EXPECT_EQ(ReadCues(BuildVttText(data)), expected);
        EXPECT_EQ(srt.substr(0, 2), "1\n");
        EXPECT_NE(BuildVttText(data).find("WEBVTT\n\n00:00:00.000 --> "), std::string::npos);
        EXPECT_NE(srt.find("Beach\nat 14:25:30\n"), std::string::npos);
        // A project just read from its file has probed no current file: the recording's rate times the cues.
        data.m_currentInfo = VideoInfo{};
        EXPECT_EQ(BuildSrtText(data), srt);
    }
}

TEST(SubtitleExportTest, CaptionTextAsPlainLines) {
    const char* cases[][2] = {{"{\\fad(500,500)}Title", "Title"},
                              {"{\\b1}a{\\b0} b\\Nc\\nd", "a b\nc\nd"},
                              {"one\\N\\Ntwo\\N", "one\ntwo"},
                              {"x\\hy { z", "x y { z"},
                              {"{\\an8}", ""},
                              {"日本\r\n字幕", "日本\n字幕"}};
    for (const auto& c : cases) EXPECT_EQ(PlainCaptionText(c[0]), c[1]) << c[0];
}

}  // namespace
