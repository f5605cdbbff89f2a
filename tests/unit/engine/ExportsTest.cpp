#include <gtest/gtest.h>

#include <cstdio>
#include <nlohmann/json.hpp>
#include <regex>
#include <string>
#include <vector>

#include "engine/export/ExportTimeline.h"
#include "engine/export/ExportWriters.h"
#include "engine/export/Exports.h"
#include "project/TarneloData.h"
#include "support/XmlCheck.h"

namespace {

constexpr const char* kOddName = "/videos/\"庭\" & <裏口>/cam 1.mp4";
constexpr const char* kOddCaption = "Fish & <chips> \"朝\"\nline two";

// Three scenes of 90 frames from frames 0, 300 and 600, the middle one disabled.
CTarneloData Project(const std::string& rateText, bool transition, const std::string& input = "/v/a.mp4") {
    CTarneloData data;
    double num = 0, den = 1;
    std::sscanf(rateText.c_str(), "%lf/%lf", &num, &den);
    data.m_currentInfo.fps = data.m_sourceInfo.fps = num / den;
    data.m_sourceInfo.r_frame_rate = rateText;
    data.m_sourceInfo.frame_num = 900;
    data.m_sourceInfo.width = 640;
    data.m_sourceInfo.height = 360;
    data.input_file = input;
    data.project_file = "/v/a.kpproj";
    data.transition = transition;
    data.TransitionDuration = 0.5;
    std::vector<SceneEntry> scenes;
    for (int i = 0; i < 3; ++i) {
        SceneEntry scene(i * 300, i * 300 + 89, "s.mp4");
        scene.capParam.caption = "Scene" + std::to_string(i + 1);
        scenes.push_back(scene);
    }
    data.diff_list.Assign(scenes, -1);
    data.diff_list.Update(1, [](SceneEntry& s) { s.enable = false; });
    return data;
}

// Event lines of an EDL: number, kind and the four timecodes.
std::vector<std::string> EdlEvents(const std::string& text) {
    static const std::regex kEvent(R"((\d{3})  AX +V +(C|D +\d{3}) +(\S+) (\S+) (\S+) (\S+)\n)");
    std::vector<std::string> events;
    for (std::sregex_iterator it(text.begin(), text.end(), kEvent), end; it != end; ++it) {
        std::string kind = (*it)[2];
        kind = std::regex_replace(kind, std::regex(" +"), " ");
        events.push_back((*it)[1].str() + " " + kind + " " + (*it)[3].str() + " " + (*it)[4].str() + " " +
                         (*it)[5].str() + " " + (*it)[6].str());
    }
    return events;
}

TEST(ExportTimelineTest, ScenesLieOnTheJoinedOutputAsTheMergeJoinsThem) {
    const struct {
        bool transition;
        std::vector<int> starts;
        int outputFrames;
        int fadeFrames;
    } cases[] = {{false, {0, 90}, 180, 0}, {true, {0, 75}, 165, 15}};
    for (const auto& c : cases) {
        const ExportTimeline timeline = BuildExportTimeline(Project("30/1", c.transition));
        ASSERT_EQ(timeline.scenes.size(), 2u);
        EXPECT_EQ(timeline.scenes[1].number, 3);
        EXPECT_DOUBLE_EQ(timeline.scenes[1].sourceOut, 23.0);
        EXPECT_EQ(timeline.scenes[0].outputStart, c.starts[0]);
        EXPECT_EQ(timeline.scenes[1].outputStart, c.starts[1]) << c.transition;
        EXPECT_EQ(timeline.outputFrames, c.outputFrames);
        EXPECT_EQ(timeline.fadeFrames, c.fadeFrames);
    }
}

TEST(ExportEdlTest, TimecodesDropFrameNumbersOnlyAtNtscRates) {
    const struct {
        FrameRate rate;
        long long frame;
        const char* text;
    } cases[] = {
        {{25, 1}, 1500, "00:01:00:00"},        {{25, 1}, 90000, "01:00:00:00"},
        {{30, 1}, 1799, "00:00:59:29"},        {{30, 1}, 1800, "00:01:00:00"},
        {{30000, 1001}, 1799, "00:00:59;29"},  {{30000, 1001}, 1800, "00:01:00;02"},
        {{30000, 1001}, 17982, "00:10:00;00"}, {{30000, 1001}, 107892, "01:00:00;00"},
        {{60000, 1001}, 3600, "00:01:00;04"},  {{24000, 1001}, 1440, "00:01:00:00"},
    };
    for (const auto& c : cases) EXPECT_EQ(Timecode(c.frame, c.rate), c.text) << c.frame << " at " << c.rate.num;
}

TEST(ExportEdlTest, EventsCutTheRecordingAtEachRate) {
    const struct {
        const char* rate;
        bool transition;
        std::vector<std::string> lines;  // the FCM line, then the events
    } cases[] = {
        {"25/1",
         false,
         {"FCM: NON-DROP FRAME", "001 C 00:00:00:00 00:00:03:15 00:00:00:00 00:00:03:15",
          "002 C 00:00:24:00 00:00:27:15 00:00:03:15 00:00:07:05"}},
        {"30000/1001",
         false,
         {"FCM: DROP FRAME", "001 C 00:00:00;00 00:00:03;00 00:00:00;00 00:00:03;00",
          "002 C 00:00:20;00 00:00:23;00 00:00:03;00 00:00:06;00"}},
        // The outgoing scene is held where the dissolve of 15 frames starts.
        {"30/1",
         true,
         {"FCM: NON-DROP FRAME", "001 C 00:00:00:00 00:00:02:15 00:00:00:00 00:00:02:15",
          "002 C 00:00:02:15 00:00:02:15 00:00:02:15 00:00:02:15",
          "002 D 015 00:00:20:00 00:00:23:00 00:00:02:15 00:00:05:15"}},
    };
    for (const auto& c : cases) {
        const std::string text = ExportText(ExportFormat::kEdl, Project(c.rate, c.transition));
        std::vector<std::string> lines = EdlEvents(text);
        const size_t fcm = text.find("FCM: ");
        lines.insert(lines.begin(), text.substr(fcm, text.find('\n', fcm) - fcm));
        EXPECT_EQ(text.substr(0, 9), "TITLE: a\n");
        EXPECT_EQ(lines, c.lines) << text;
    }
}

TEST(ExportOtioTest, ClipsCarryTheScenesWithDissolvesOnTheCuts) {
    for (const bool transition : {false, true}) {
        const nlohmann::json root = nlohmann::json::parse(ExportText(ExportFormat::kOtio, Project("30/1", transition)));
        EXPECT_EQ(root["OTIO_SCHEMA"], "Timeline.1");
        EXPECT_EQ(root["tracks"]["OTIO_SCHEMA"], "Stack.1");
        const nlohmann::json& track = root["tracks"]["children"][0];
        EXPECT_EQ(track["OTIO_SCHEMA"], "Track.1");
        EXPECT_EQ(track["kind"], "Video");
        std::vector<std::string> items;
        for (const nlohmann::json& child : track["children"]) {
            std::string item = child["OTIO_SCHEMA"];
            if (item == "Clip.2") {
                const nlohmann::json& range = child["source_range"];
                EXPECT_EQ(range["OTIO_SCHEMA"], "TimeRange.1");
                EXPECT_EQ(range["start_time"]["OTIO_SCHEMA"], "RationalTime.1");
                item += FormatC(" %g+%g", range["start_time"]["value"].get<double>(),
                                range["duration"]["value"].get<double>());
                const nlohmann::json& media = child["media_references"]["DEFAULT_MEDIA"];
                EXPECT_EQ(media["OTIO_SCHEMA"], "ExternalReference.1");
                EXPECT_EQ(media["target_url"], "file:///v/a.mp4");
            } else {
                item += FormatC(" %g/%g", child["in_offset"]["value"].get<double>(),
                                child["out_offset"]["value"].get<double>());
            }
            items.push_back(item);
        }
        // A fade of 15 frames centred on its cut: 7 frames before it, 8 after.
        const std::vector<std::string> expected =
            transition ? std::vector<std::string>{"Clip.2 0+82", "Transition.1 7/8", "Clip.2 607+83"}
                       : std::vector<std::string>{"Clip.2 0+90", "Clip.2 600+90"};
        EXPECT_EQ(items, expected);
    }
}

TEST(ExportMltTest, EntriesAndCaptionsCountTheSourceFrames) {
    CTarneloData data = Project("30/1", true);
    data.diff_list.Update(2, [](SceneEntry& s) {
        s.capParam.capTime_first = 1;
        s.capParam.capTime_second = 1;
    });
    const std::string text = ExportText(ExportFormat::kMlt, data);
    static const std::regex kTag(
        R"re(<(entry|filter|blank|transition) (?:producer="source" |id="[a-z]+\d" )?(?:in="(\d+)" out="(\d+)"|length="(\d+)"))re");
    std::vector<std::string> tags;
    for (std::sregex_iterator it(text.begin(), text.end(), kTag), end; it != end; ++it) {
        tags.push_back((*it)[1].str() + " " +
                       ((*it)[4].matched ? (*it)[4].str() : (*it)[2].str() + "-" + (*it)[3].str()));
    }
    // Scene 3 goes on the second track, 75 frames in, its caption from its second 1 to 2.
    const std::vector<std::string> expected = {"entry 0-89",     "filter 0-0",       "blank 75",        "entry 600-689",
                                               "filter 630-659", "transition 75-89", "transition 75-89"};
    EXPECT_EQ(tags, expected) << text;
    EXPECT_NE(text.find("frame_rate_num=\"30\" frame_rate_den=\"1\""), std::string::npos);
}

std::string WithoutDoctype(std::string text) {
    const size_t doctype = text.find("<!DOCTYPE");
    if (doctype != std::string::npos) text.erase(doctype, text.find('>', doctype) + 1 - doctype);
    return text;
}

TEST(ExportFcpxmlTest, AssetClipsSitOnTheFrameGrid) {
    const struct {
        const char* rate;
        bool transition;
        const char* frameDuration;
        std::vector<std::string> clips;  // offset start duration
    } cases[] = {
        {"25/1", false, "1/25s", {"0s 0s 18/5s", "18/5s 24s 18/5s"}},
        {"30000/1001", false, "1001/30000s", {"0s 0s 3003/1000s", "3003/1000s 1001/50s 3003/1000s"}},
        {"30/1", true, "1/30s", {"0s 0s 41/15s", "41/15s 607/30s 83/30s"}},
    };
    static const std::regex kClip(
        R"re(<asset-clip ref="r2" name="Scene \d" offset="(\S+)" start="(\S+)" duration="(\S+)")re");
    for (const auto& c : cases) {
        const std::string text = ExportText(ExportFormat::kFcpxml, Project(c.rate, c.transition));
        const xmltest::XmlShape shape = xmltest::CheckXml(WithoutDoctype(text));
        EXPECT_TRUE(shape.wellFormed) << shape.error;
        EXPECT_NE(text.find(std::string("frameDuration=\"") + c.frameDuration + "\""), std::string::npos);
        std::vector<std::string> clips;
        for (std::sregex_iterator it(text.begin(), text.end(), kClip), end; it != end; ++it) {
            clips.push_back((*it)[1].str() + " " + (*it)[2].str() + " " + (*it)[3].str());
        }
        EXPECT_EQ(clips, c.clips) << text;
        EXPECT_EQ(shape.elements.count("transition") ? shape.elements.at("transition") : 0, c.transition ? 1 : 0);
    }
}

TEST(ExportsTest, NamesAndCaptionsAreEscapedForEachFormat) {
    CTarneloData data = Project("30/1", true, kOddName);
    data.diff_list.Update(0, [](SceneEntry& s) { s.capParam.caption = kOddCaption; });
    for (const ExportFormat format : {ExportFormat::kMlt, ExportFormat::kFcpxml}) {
        const std::string text = ExportText(format, data);
        const xmltest::XmlShape shape = xmltest::CheckXml(WithoutDoctype(text));
        EXPECT_TRUE(shape.wellFormed) << shape.error << "\n" << text;
        EXPECT_NE(text.find("Fish &amp; &lt;chips&gt; &quot;朝&quot;"), std::string::npos) << text;
    }
    EXPECT_NE(ExportText(ExportFormat::kMlt, data).find("/videos/&quot;庭&quot; &amp; &lt;裏口&gt;/cam 1.mp4"),
              std::string::npos);
    EXPECT_NE(ExportText(ExportFormat::kFcpxml, data)
                  .find("src=\"file:///videos/%22%E5%BA%AD%22%20%26%20%3C%E8%A3%8F%E5%8F%A3%3E/cam%201.mp4\""),
              std::string::npos);

    const nlohmann::json otio = nlohmann::json::parse(ExportText(ExportFormat::kOtio, data));
    const nlohmann::json& clip = otio["tracks"]["children"][0]["children"][0];
    EXPECT_EQ(clip["metadata"]["tarnelo"]["caption"], kOddCaption);

    const std::string edl = ExportText(ExportFormat::kEdl, data);
    EXPECT_NE(edl.find("\n* COMMENT: Fish & <chips> \"朝\" line two\n"), std::string::npos) << edl;
}

TEST(ExportsTest, RegistryNamesEveryFormatOnce) {
    EXPECT_EQ(ExportFormatNames().rfind("mlt, fcpxml, edl, otio, csv", 0), 0u);
    EXPECT_FALSE(ExportFormatByName("MLT"));

    CTarneloData none = Project("30/1", false);
    none.diff_list.Update(0, [](SceneEntry& s) { s.enable = false; });
    none.diff_list.Update(2, [](SceneEntry& s) { s.enable = false; });
    EXPECT_EQ(ExportProblem(none), "the project has no enabled scene");
    EXPECT_EQ(ExportProblem(Project("0/1", false)), "the project does not know its video's frame rate");
    EXPECT_EQ(ExportProblem(Project("30/1", false)), "");
}

}  // namespace
