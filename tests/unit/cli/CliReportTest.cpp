// report and motion: their command lines, and the JSON, CSV and SVG texts they write from a project and its
// motion record.
#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli/CliOptions.h"
#include "cli/CliReport.h"
#include "engine/motion/ProjectMotion.h"
#include "project/TarneloData.h"
#include "support/CsvRead.h"
#include "support/XmlCheck.h"

namespace {

using cli::Command;
using cli::ParseArguments;
using cli::ReportFormat;
using nlohmann::json;

TEST(CliReportOptionsTest, ParsesReportAndMotion) {
    {
        const auto r = ParseArguments({"report", "p.kpproj", "--json"});
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(r.options.command, Command::Report);
        EXPECT_EQ(r.options.files, std::vector<std::string>{"p.kpproj"});
        EXPECT_EQ(r.options.reportFormat, ReportFormat::Json);
        EXPECT_FALSE(r.options.recursive);
    }
    {
        const auto r = ParseArguments({"report", "--csv", "a.kpproj", "--", "-p.kpproj"});
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(r.options.reportFormat, ReportFormat::Csv);
        EXPECT_EQ(r.options.files, (std::vector<std::string>{"a.kpproj", "-p.kpproj"}));
    }
    {
        const auto r = ParseArguments({"report", "projects/", "b.kpproj", "--recursive", "--json"});
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(r.options.files, (std::vector<std::string>{"projects/", "b.kpproj"}));
        EXPECT_TRUE(r.options.recursive);
    }
    {
        const auto r = ParseArguments({"motion", "--svg", "m.svg", "p.kpproj"});
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(r.options.command, Command::Motion);
        EXPECT_EQ(r.options.target, "p.kpproj");
        EXPECT_EQ(r.options.motionSvg, "m.svg");
        EXPECT_TRUE(r.options.motionCsv.empty());
    }
    {
        const auto r = ParseArguments({"motion", "p.kpproj", "--csv", "m.csv", "--svg", "m.svg"});
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(r.options.motionCsv, "m.csv");
        EXPECT_EQ(r.options.motionSvg, "m.svg");
    }
}

TEST(CliReportOptionsTest, RejectsWrongUsageWithAReason) {
    const struct {
        std::vector<std::string> args;
        std::string reason;
    } cases[] = {
        {{"report"}, "report needs a project file"},
        {{"report", "p.kpproj"}, "report needs --json or --csv"},
        {{"report", "p.kpproj", "--json", "--csv"}, "give only one of --json and --csv"},
        {{"report", "p.kpproj", "--csv", "--csv"}, "only one of --json and --csv"},
        {{"report", "p.kpproj", "--json=1"}, "--json takes no value"},
        {{"report", "p.kpproj", "--svg", "a.svg"}, "unknown option '--svg' for report"},
        {{"report", "p.kpproj", "--json", "--threshold", "3"}, "unknown option '--threshold' for report"},
        {{"report", "a.kpproj", "", "--json"}, "empty file name"},
        {{"motion", "p.kpproj"}, "motion needs --csv FILE or --svg FILE"},
        {{"motion", "p.kpproj", "--csv"}, "--csv needs a value"},
        {{"motion", "p.kpproj", "--csv", ""}, "--csv needs a non-empty value"},
        {{"motion", "p.kpproj", "--svg", "a", "--svg", "b"}, "--svg given twice"},
        {{"motion", "p.kpproj", "--csv", "same", "--svg", "same"}, "--csv and --svg name the same file"},
        {{"motion", "p.kpproj", "--json"}, "unknown option '--json' for motion"},
        {{"motion", "--csv", "a.csv"}, "motion needs a project file"},
    };
    for (const auto& c : cases) {
        const auto r = ParseArguments(c.args);
        std::string shown;
        for (const auto& a : c.args) shown += "[" + a + "]";
        EXPECT_FALSE(r.ok) << shown;
        EXPECT_NE(r.error.find(c.reason), std::string::npos) << shown << " gave: " << r.error;
        EXPECT_NE(r.usage.find("Usage: tarnelo-cli " + c.args.front()), std::string::npos) << shown;
    }
}

TEST(CliReportTextTest, CsvFieldsAndXmlTextSurviveAnyCaption) {
    const struct {
        std::string text;
        std::string csv;
    } fields[] = {
        {"plain", "plain"},
        {"", ""},
        {"a,b", "\"a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"two\nlines", "\"two\nlines\""},
        {"cr\rhere", "\"cr\rhere\""},
        {"{\\fad(500,500)}場面", "\"{\\fad(500,500)}場面\""},
        {"{\\an8}見出し", "{\\an8}見出し"},
    };
    for (const auto& f : fields) {
        EXPECT_EQ(cli::CsvField(f.text), f.csv) << f.text;
        const auto rows = csvtest::ReadCsv(cli::CsvField(f.text) + ",x\n");
        ASSERT_TRUE(rows.has_value()) << f.text;
        EXPECT_EQ(*rows, (std::vector<csvtest::Row>{{f.text, "x"}})) << f.text;
    }

    EXPECT_EQ(cli::XmlText("a<b>&\"c\"'"), "a&lt;b&gt;&amp;&quot;c&quot;&apos;");
    EXPECT_EQ(cli::XmlText("場面 {\\fad(500,500)}"), "場面 {\\fad(500,500)}");
    EXPECT_EQ(cli::XmlText("tab\tline\n"), "tab\tline\n");
    // What XML cannot hold becomes U+FFFD: controls, stray and overlong bytes, surrogates, cut sequences.
    const std::string bad = "\xEF\xBF\xBD";
    EXPECT_EQ(cli::XmlText(std::string("a\x01"
                                       "b\x1b",
                                       4)),
              "a" + bad + "b" + bad);
    EXPECT_EQ(cli::XmlText("\xff\xc0\xaf"), bad + bad + bad);
    EXPECT_EQ(cli::XmlText("\xed\xa0\x80"), bad + bad + bad);
    EXPECT_EQ(cli::XmlText("\xe5\xa0"), bad + bad);
    EXPECT_EQ(cli::XmlText("\xef\xbf\xbe"), bad + bad + bad);
    EXPECT_EQ(cli::XmlText("\xf0\x9f\x8e\xac"), "\xf0\x9f\x8e\xac");
}

class CliReportTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_data.ResetAll(false);
        m_data.project_file = "/p/clip.kpproj";
        m_data.input_file = "/p/clip & <co>.mp4";
        m_data.m_sourceInfo.fps = 25;
        m_data.diff_list.Assign({SceneEntry(2, 5, "/p/out/seg_001.mp4"), SceneEntry(7, 8, "/p/out/seg_002.mp4"),
                                 SceneEntry(20, 30, "/p/out/seg_003.mp4")},
                                -1);
        m_data.diff_list.Update(0,
                                [&](SceneEntry& s) { s.capParam.caption = "{\\fad(500,500)}朝, \"first\"\nline two"; });
        m_data.diff_list.Update(1, [&](SceneEntry& s) { s.enable = false; });
        m_data.diff_list.Update(1, [&](SceneEntry& s) { s.capParam.caption = "</title><b>"; });
        // A full HD analysis frame keeps the threshold as set: 100 -> 10,000 changed pixels.
        m_record.width = 1920;
        m_record.height = 1080;
        m_record.fps = 25;
        m_record.counts = {MotionRecord::kAlwaysMotion, 0, 10000, 12000, 9999, 12000, 0,
                           MotionRecord::kAlwaysMotion, 3, 0,     0,     0};
        m_record.frameCount = static_cast<int>(m_record.counts.size());
    }

    CTarneloData m_data{false};
    MotionRecord m_record;
};

TEST_F(CliReportTest, ReportHoldsEachScenesTimesAndPeakAndNullsWhatIsUnknown) {
    ASSERT_EQ(RecordThresholdCount(m_record, m_data.threshold.value), 10000);
    const json report =
        json::parse(cli::FormatReportJson(cli::BuildSceneReport(m_data, &m_record, "/p/clip.kpmotion", "ok")));
    EXPECT_EQ(report["threshold_count"], 10000);
    EXPECT_EQ(report["fps"], 25.0);
    EXPECT_EQ(report["input"], "/p/clip & <co>.mp4");
    const json& scenes = report["scenes"];
    ASSERT_EQ(scenes.size(), 3u);

    const json& first = scenes[0];
    EXPECT_EQ(first["index"], 1);
    EXPECT_EQ(first["enabled"], true);
    EXPECT_EQ(first["start_frame"], 2);
    EXPECT_EQ(first["end_frame"], 5);
    EXPECT_DOUBLE_EQ(first["start_seconds"].get<double>(), 0.08);
    EXPECT_DOUBLE_EQ(first["end_seconds"].get<double>(), 0.24);  // where frame 5 ends
    EXPECT_EQ(first["start_time"], "00:00:00.08");
    EXPECT_EQ(first["end_time"], "00:00:00.24");
    EXPECT_EQ(first["length_frames"], 4);
    EXPECT_DOUBLE_EQ(first["length_seconds"].get<double>(), 0.16);
    EXPECT_EQ(first["peak_frame"], 3);  // 12,000 twice: the earlier
    EXPECT_EQ(first["peak_count"], 12000);
    EXPECT_DOUBLE_EQ(first["peak_seconds"].get<double>(), 0.12);
    EXPECT_EQ(first["peak_time"], "00:00:00.12");
    EXPECT_EQ(first["caption"], m_data.diff_list.Snapshot()[0].capParam.caption);
    EXPECT_EQ(first["segment_file"], "/p/out/seg_001.mp4");

    // Frame 7 is unmeasured, so frame 8 is the peak; the third scene lies past the record.
    EXPECT_EQ(scenes[1]["enabled"], false);
    EXPECT_EQ(scenes[1]["peak_frame"], 8);
    EXPECT_EQ(scenes[1]["peak_count"], 3);
    for (const char* key : {"peak_frame", "peak_seconds", "peak_time", "peak_count"}) {
        EXPECT_TRUE(scenes[2][key].is_null()) << key;
    }

    // Without a record (and without a rate) the report is still whole.
    m_data.m_sourceInfo.fps = 0;
    const json bare = json::parse(cli::FormatReportJson(cli::BuildSceneReport(m_data, nullptr, "/p/x", "missing")));
    EXPECT_TRUE(bare["threshold_count"].is_null());
    EXPECT_EQ(bare["motion_record_status"], "missing");
    ASSERT_EQ(bare["scenes"].size(), 3u);
    for (const char* key : {"peak_frame", "peak_count", "start_seconds", "end_time", "length_seconds"}) {
        EXPECT_TRUE(bare["scenes"][0][key].is_null()) << key;
    }
    EXPECT_EQ(bare["scenes"][0]["length_frames"], 4);
}

TEST_F(CliReportTest, CsvReportReadsBackWithTheCaptionsAsTheyAre) {
    m_data.diff_list.Update(2, [&](SceneEntry& s) { s.capParam.caption = std::string("not UTF-8 \xff"); });
    const std::string csv = cli::FormatReportCsv(cli::BuildSceneReport(m_data, &m_record, "", "ok"));
    const auto rows = csvtest::ReadCsv(csv);
    ASSERT_TRUE(rows.has_value()) << csv;
    ASSERT_EQ(rows->size(), 4u);
    const csvtest::Row header = rows->front();
    ASSERT_EQ(header.size(), 16u);
    const auto field = [&](size_t row, const std::string& name) {
        const size_t column = static_cast<size_t>(std::find(header.begin(), header.end(), name) - header.begin());
        EXPECT_LT(column, header.size()) << name;
        EXPECT_EQ((*rows)[row].size(), header.size()) << row;
        return column < (*rows)[row].size() ? (*rows)[row][column] : std::string("?");
    };
    EXPECT_EQ(field(1, "caption"), m_data.diff_list.Snapshot()[0].capParam.caption);
    EXPECT_EQ(field(2, "caption"), "</title><b>");
    EXPECT_EQ(field(3, "caption"), m_data.diff_list.Snapshot()[2].capParam.caption);
    EXPECT_EQ(field(1, "enabled"), "1");
    EXPECT_EQ(field(2, "enabled"), "0");
    EXPECT_EQ(field(1, "start_seconds"), "0.08");
    EXPECT_EQ(field(1, "peak_count"), "12000");
    EXPECT_EQ(field(3, "peak_count"), "");
    EXPECT_EQ(field(3, "peak_time"), "");
    // The JSON has the same fields in the same order, and replaces what is not UTF-8 rather than failing.
    const nlohmann::ordered_json report =
        nlohmann::ordered_json::parse(cli::FormatReportJson(cli::BuildSceneReport(m_data, &m_record, "", "ok")));
    csvtest::Row keys;
    for (const auto& item : report["scenes"][0].items()) keys.push_back(item.key());
    EXPECT_EQ(keys, header);
    EXPECT_EQ(report["scenes"][2]["caption"], "not UTF-8 \xEF\xBF\xBD");
}

TEST_F(CliReportTest, ClockTimesOnlyForARecordingWithAClock) {
    const cli::SceneReport plain = cli::BuildSceneReport(m_data, &m_record, "", "ok");
    ASSERT_TRUE(ParseClockText("2024-01-31T14:25:30.000+09:00", m_data.clock_start));
    const cli::SceneReport timed = cli::BuildSceneReport(m_data, &m_record, "", "ok");
    // Frame 2 at 25 fps, and where frame 5 ends.
    const csvtest::Row clocks = {"2024-01-31T14:25:30.080+09:00", "2024-01-31T14:25:30.240+09:00"};

    const auto one = csvtest::ReadCsv(cli::FormatReportCsv(timed));
    ASSERT_TRUE(one.has_value());
    EXPECT_EQ(csvtest::Row(one->front().begin() + 16, one->front().end()), (csvtest::Row{"start_clock", "end_clock"}));
    EXPECT_EQ(csvtest::Row((*one)[1].begin() + 16, (*one)[1].end()), clocks);
    const json report = json::parse(cli::FormatReportJson(timed));
    EXPECT_EQ(report["clock_start"], "2024-01-31T14:25:30.000+09:00");
    EXPECT_EQ((csvtest::Row{report["scenes"][0]["start_clock"], report["scenes"][0]["end_clock"]}), clocks);
    EXPECT_FALSE(json::parse(cli::FormatReportJson(plain)).contains("clock_start"));

    // Several projects without a clock have no clock columns; in JSON each project is its report, the file first.
    EXPECT_EQ(csvtest::ReadCsv(cli::FormatReportsCsv({{"b", plain}}))->front().size(), 17u);
    json first = json::parse(cli::FormatReportsJson({{"a/one.kpproj", timed}}))["projects"][0];
    EXPECT_EQ(first["file"], "a/one.kpproj");
    first.erase("file");
    EXPECT_EQ(first, report);
}

TEST_F(CliReportTest, MotionTableMarksEachFrameAgainstTheThreshold) {
    const auto rows = csvtest::ReadCsv(cli::FormatMotionCsv(m_record, 10000));
    ASSERT_TRUE(rows.has_value());
    ASSERT_EQ(rows->size(), m_record.counts.size() + 1);
    EXPECT_EQ(rows->front(), (csvtest::Row{"frame", "time", "count", "motion"}));
    EXPECT_EQ((*rows)[1], (csvtest::Row{"0", "0", "", "1"}));
    EXPECT_EQ((*rows)[3], (csvtest::Row{"2", "0.08", "10000", "1"}));  // at the threshold
    EXPECT_EQ((*rows)[5], (csvtest::Row{"4", "0.16", "9999", "0"}));   // just under it
    EXPECT_EQ((*rows)[8], (csvtest::Row{"7", "0.28", "", "1"}));
    // Threshold 0: every frame is motion.
    const auto all = csvtest::ReadCsv(cli::FormatMotionCsv(m_record, 0));
    for (size_t k = 1; k < all->size(); ++k) EXPECT_EQ((*all)[k][3], "1") << k;
}

TEST_F(CliReportTest, ChartHasOneBandPerSceneAndStaysWellFormed) {
    const std::string svg = cli::FormatMotionSvg(m_data, m_record, 10000);
    const xmltest::XmlShape shape = xmltest::CheckXml(svg);
    ASSERT_TRUE(shape.wellFormed) << shape.error << "\n" << svg;
    EXPECT_EQ(shape.classes.at("scene enabled"), 2);
    EXPECT_EQ(shape.classes.at("scene disabled"), 1);
    EXPECT_EQ(shape.classes.at("threshold"), 1);
    EXPECT_EQ(shape.classes.at("motion"), 1);
    EXPECT_EQ(shape.firstTitle, "Motion of clip &amp; &lt;co&gt;.mp4");
    EXPECT_NE(svg.find("width=\"1200\" height=\"240\""), std::string::npos);

    // Three hours at 10 fps with one frame of motion: the spike still sets the scale, and the axis counts hours.
    m_record.fps = 10;
    m_record.counts.assign(108000, 0);
    m_record.counts[54321] = 777;
    const std::string threeHours = cli::FormatMotionSvg(m_data, m_record, 100);
    EXPECT_TRUE(xmltest::CheckXml(threeHours).wellFormed);
    EXPECT_NE(threeHours.find(">777</text>"), std::string::npos);
    EXPECT_NE(threeHours.find(">1:00:00</text>"), std::string::npos);
    EXPECT_NE(threeHours.find(">3:00:00</text>"), std::string::npos);
    EXPECT_LT(threeHours.size(), 100000u);  // one step per column, not per frame

    // No scenes, no counts: still an image.
    m_data.diff_list.Clear();
    m_record.counts.clear();
    const xmltest::XmlShape empty = xmltest::CheckXml(cli::FormatMotionSvg(m_data, m_record, 10000));
    EXPECT_TRUE(empty.wellFormed) << empty.error;
    EXPECT_EQ(empty.classes.count("scene enabled"), 0u);
}

}  // namespace
