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

// Start and end ("HH:MM:SS.mmm") of the burnt-in captions' ASS lines, in the order they start.
std::vector<std::pair<std::string, std::string>> AssTimes(const CTarneloData& data) {
    static const std::regex kLine(R"(Dialogue: \d,(\d+:\d\d:\d\d\.\d\d),(\d+:\d\d:\d\d\.\d\d),.*\n)");
    AssOptions options;
    options.wholeTimeline = true;
    std::vector<std::pair<std::string, std::string>> times;
    std::smatch m;
    for (const std::string& line : BuildDialogueLines(data, options)) {
        if (std::regex_match(line, m, kLine)) times.emplace_back(m[1].str() + "0", m[2].str() + "0");
    }
    std::stable_sort(times.begin(), times.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    return times;
}

TEST(SubtitleExportTest, SoftSubtitlesHaveTheBurntInTimesAndTexts) {
    // Title, watermark and the enabled scenes' captions (the empty one gives none), as plain lines.
    const char* texts[] = {"Holiday", "Tarnelo\nHexlow-Works.", "Beach\nat 14:25:30", "Fish & <chips>"};
    for (const bool transition : {false, true}) {
        CTarneloData data = Project(transition);
        const auto times = AssTimes(data);
        ASSERT_EQ(times.size(), 4u);
        std::string srt, vtt = "WEBVTT\n";
        for (size_t i = 0; i < times.size(); ++i) {
            const auto comma = [](std::string t) { return t.replace(8, 1, ","); };
            srt += (i > 0 ? "\n" : "") + std::to_string(i + 1) + "\n" + comma(times[i].first) + " --> " +
                   comma(times[i].second) + "\n" + texts[i] + "\n";
            vtt += "\n" + times[i].first + " --> " + times[i].second + "\n" +
                   (i == 3 ? "Fish &amp; &lt;chips&gt;" : texts[i]) + "\n";
        }
        EXPECT_EQ(BuildSrtText(data), srt);
        EXPECT_EQ(BuildVttText(data), vtt);
        // A project just read from its file has probed no current file: the recording's rate times the cues.
        data.m_currentInfo = VideoInfo{};
        EXPECT_EQ(BuildSrtText(data), srt);
    }
}

TEST(SubtitleExportTest, CaptionTextAsPlainLines) {
    const char* cases[][2] = {{"{\\b1}a{\\b0} b\\Nc\\nd", "a b\nc\nd"},
                              {"one\\N\\Ntwo\\N", "one\ntwo"},
                              {"x\\hy { z", "x y { z"},
                              {"日本\r\n字幕", "日本\n字幕"}};
    for (const auto& c : cases) EXPECT_EQ(PlainCaptionText(c[0]), c[1]) << c[0];
}

}  // namespace
