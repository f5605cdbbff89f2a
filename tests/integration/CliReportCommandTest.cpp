// tarnelo-cli report and motion on a clip extracted at test time: the report against the project's scenes
// and the record's counts, the CSV read back, the motion table and chart, and a project without a record.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "engine/motion/MotionRecord.h"
#include "integration/ClipFactory.h"
#include "integration/ExtractedClip.h"
#include "project/ClockTime.h"
#include "project/ProjectSession.h"
#include "project/TarneloData.h"
#include "support/CliRun.h"
#include "support/CsvRead.h"
#include "support/XmlCheck.h"

namespace fs = std::filesystem;

namespace {

using namespace clitest;
using nlohmann::json;

constexpr const char* kCaption = "{\\fad(500,500)}朝の庭, \"裏口\"\nline two";

std::string Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

int Lines(const std::string& text) { return static_cast<int>(std::count(text.begin(), text.end(), '\n')); }

class CliReportCommandTest : public ExtractedClipTest {
protected:
    void SetUp() override {
        ExtractedClipTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        m_record = Path("yard.mp4.kpmotion");
        ASSERT_TRUE(fs::exists(m_record));

        // The second scene off and a caption that CSV must quote.
        ASSERT_EQ(ProjectSession(m_data).Load(m_project, true), ProjectSession::kOpened);
        ASSERT_EQ(m_data.diff_list.Snapshot().size(), 3u);
        m_data.diff_list.Update(1, [&](SceneEntry& s) { s.enable = false; });
        m_data.diff_list.Update(0, [&](SceneEntry& s) { s.capParam.caption = kCaption; });
        ASSERT_TRUE(ProjectSession(m_data).Save());
    }

    MotionRecord ReadRecord() const {
        InputIdentity identity;
        EXPECT_TRUE(ReadInputIdentity(m_clip, identity));
        MotionRecord record;
        EXPECT_EQ(ReadMotionRecord(m_record, identity, record), RecordStatus::kOk);
        return record;
    }

    std::string m_record;
    CTarneloData m_data{false};
};

TEST_F(CliReportCommandTest, ReportGivesEachSceneWithThePeakOfTheRecord) {
    const RunResult r = RunCli({"report", m_project, "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const json report = json::parse(r.out);
    const MotionRecord record = ReadRecord();
    const json& scenes = report.at("scenes");
    ASSERT_EQ(scenes.size(), m_data.diff_list.Snapshot().size());
    EXPECT_EQ(report.at("motion_record_status"), "ok");
    for (size_t k = 0; k < scenes.size(); ++k) {
        const json& s = scenes[k];
        const SceneEntry scene = m_data.diff_list.Snapshot()[k];
        EXPECT_EQ(s.at("index"), k + 1);
        EXPECT_EQ(s.at("enabled"), scene.enable);
        EXPECT_EQ(s.at("start_frame"), scene.framNo_first);
        EXPECT_EQ(s.at("end_frame"), scene.framNo_second);
        EXPECT_EQ(s.at("length_frames"), scene.framNo_second - scene.framNo_first + 1);
        EXPECT_NEAR(s.at("start_seconds").get<double>(), scene.framNo_first / 25.0, 1e-9);
        EXPECT_NEAR(s.at("end_seconds").get<double>(), (scene.framNo_second + 1) / 25.0, 1e-9);
        EXPECT_EQ(s.at("caption"), scene.capParam.caption);
        EXPECT_EQ(s.at("segment_file"), scene.fileName);

        // The peak is the earliest frame of the highest measured count in the scene's frames.
        uint32_t highest = 0;
        int at = -1;
        for (int f = scene.framNo_first; f <= scene.framNo_second && f < static_cast<int>(record.counts.size()); ++f) {
            const uint32_t count = record.counts[static_cast<size_t>(f)];
            if (count != MotionRecord::kAlwaysMotion && (at < 0 || count > highest)) {
                highest = count;
                at = f;
            }
        }
        ASSERT_GE(at, 0);
        EXPECT_GT(highest, 0u);
        EXPECT_EQ(s.at("peak_count"), highest) << k;
        EXPECT_EQ(s.at("peak_frame"), at) << k;
        EXPECT_NEAR(s.at("peak_seconds").get<double>(), at / 25.0, 1e-9);
    }
    EXPECT_EQ(scenes[1].at("enabled"), false);

    // The CSV says the same, the caption read back whole.
    const RunResult csv = RunCli({"report", m_project, "--csv"});
    ASSERT_EQ(csv.status, 0) << csv.err;
    const auto rows = csvtest::ReadCsv(csv.out);
    ASSERT_TRUE(rows.has_value()) << csv.out;
    ASSERT_EQ(rows->size(), scenes.size() + 1);
    const csvtest::Row& header = rows->front();
    const auto column = [&](const std::string& name) {
        return static_cast<size_t>(std::find(header.begin(), header.end(), name) - header.begin());
    };
    for (size_t k = 0; k < scenes.size(); ++k) {
        const csvtest::Row& row = (*rows)[k + 1];
        ASSERT_EQ(row.size(), header.size());
        EXPECT_EQ(row[column("caption")], scenes[k].at("caption").get<std::string>());
        EXPECT_EQ(row[column("peak_count")], std::to_string(scenes[k].at("peak_count").get<uint32_t>()));
        EXPECT_EQ(row[column("enabled")], k == 1 ? "0" : "1");
        EXPECT_EQ(row[column("start_time")], scenes[k].at("start_time").get<std::string>());
    }
    EXPECT_EQ((*rows)[1][column("caption")], kCaption);
}

TEST_F(CliReportCommandTest, SeveralProjectsMakeOneReportWithTheirFilesAndClockTimes) {
    // A second recording whose file says when it was made, in a folder of its own.
    clips::ClipOptions o;
    o.frames = 100;
    o.motion = {{20, 60}};
    o.extraArgs = {"-metadata", "creation_time=2024-01-31T14:25:30Z"};
    ASSERT_TRUE(fs::create_directory(m_dir / "gate"));
    std::string error;
    const std::string gate = clips::MakeClip(Path("gate"), "gate.mp4", o, &error);
    ASSERT_FALSE(gate.empty()) << error;
    ASSERT_EQ(RunCli({"extract", gate, "--no-cut", "--output-folder", Path("gate/out")}).status, 0);
    const std::string gateProject = gate + ".kpproj";
    RecordingClock clock;
    ASSERT_TRUE(ParseClockText("2024-01-31T14:25:30.000+00:00", clock));

    // Two projects: one CSV, the file first, clock times for the recording that has a clock.
    const RunResult csv = RunCli({"report", m_project, gateProject, "--csv"});
    ASSERT_EQ(csv.status, 0) << csv.err;
    const auto rows = csvtest::ReadCsv(csv.out);
    ASSERT_TRUE(rows.has_value()) << csv.out;
    EXPECT_EQ(rows->front()[0] + " " + rows->front()[17] + " " + rows->front()[18], "file start_clock end_clock");
    int gateRows = 0;
    for (size_t k = 1; k < rows->size(); ++k) {
        const csvtest::Row& row = (*rows)[k];
        ASSERT_EQ(row.size(), 19u);
        const bool timed = row[0] == gateProject;
        gateRows += timed;
        EXPECT_EQ(row[0], timed ? gateProject : m_project);
        EXPECT_EQ(row[17], timed ? ClockText(clock, std::stod(row[5])) : "") << k;
        EXPECT_EQ(row[18], timed ? ClockText(clock, std::stod(row[6])) : "") << k;
    }
    EXPECT_GE(gateRows, 1);
    EXPECT_EQ(rows->size(), m_data.diff_list.Snapshot().size() + gateRows + 1);

    // A folder: its projects, those below it with --recursive; the JSON has one object per project.
    const struct {
        std::vector<std::string> args;
        std::vector<std::string> files;
    } folders[] = {
        {{"report", m_dir.string(), "--json"}, {Path("yard.mp4.kpproj")}},
        {{"report", m_dir.string(), "--json", "--recursive"}, {Path("gate/gate.mp4.kpproj"), Path("yard.mp4.kpproj")}},
    };
    for (const auto& f : folders) {
        const RunResult r = RunCli(f.args);
        ASSERT_EQ(r.status, 0) << r.err;
        const json report = json::parse(r.out);
        std::vector<std::string> files;
        for (const json& project : report.at("projects")) files.push_back(project.at("file"));
        EXPECT_EQ(files, f.files);
    }

    // A project that cannot be read is named and fails the command; the others are still reported.
    std::ofstream(Path("broken.kpproj")) << "not a project";
    const RunResult partial = RunCli({"report", Path("broken.kpproj"), gateProject, "--csv"});
    EXPECT_EQ(partial.status, 1);
    EXPECT_NE(partial.err.find("broken.kpproj"), std::string::npos) << partial.err;
    EXPECT_EQ(Lines(partial.out), gateRows + 1);
}

TEST_F(CliReportCommandTest, MotionWritesATableOfEveryFrameAndAChartOfTheScenes) {
    const RunResult r = RunCli({"motion", m_project, "--csv", Path("m.csv"), "--svg", Path("m.svg")});
    ASSERT_EQ(r.status, 0) << r.err;
    const MotionRecord record = ReadRecord();
    const int threshold = json::parse(RunCli({"report", m_project, "--json"}).out).at("threshold_count");

    const std::string table = Contents(Path("m.csv"));
    EXPECT_EQ(Lines(table), static_cast<int>(record.counts.size()) + 1);
    const auto rows = csvtest::ReadCsv(table);
    ASSERT_TRUE(rows.has_value());
    ASSERT_EQ(rows->size(), record.counts.size() + 1);
    EXPECT_EQ(rows->front(), (csvtest::Row{"frame", "time", "count", "motion"}));
    int motion = 0;
    for (size_t f = 0; f < record.counts.size(); ++f) {
        const csvtest::Row& row = (*rows)[f + 1];
        ASSERT_EQ(row.size(), 4u);
        EXPECT_EQ(row[0], std::to_string(f));
        const uint32_t count = record.counts[f];
        if (count == MotionRecord::kAlwaysMotion) {
            EXPECT_EQ(row[2], "") << f;
            EXPECT_EQ(row[3], "1") << f;
            continue;
        }
        EXPECT_EQ(row[2], std::to_string(count)) << f;
        EXPECT_EQ(row[3], static_cast<int64_t>(count) >= threshold ? "1" : "0") << f;
        motion += row[3] == "1";
    }
    EXPECT_GT(motion, 60);  // the box moves on 93 frames

    xmltest::XmlShape chart = xmltest::CheckXml(Contents(Path("m.svg")));
    ASSERT_TRUE(chart.wellFormed) << chart.error;
    EXPECT_EQ(chart.classes["scene enabled"], 2);
    EXPECT_EQ(chart.classes["scene disabled"], 1);
    EXPECT_EQ(chart.classes["threshold"], 1);
    EXPECT_NE(chart.firstTitle.find("yard.mp4"), std::string::npos) << chart.firstTitle;
}

TEST_F(CliReportCommandTest, MotionRefusesToWriteOverTheProjectItsInputOrTheRecord) {
    fs::create_directory(m_dir / "sub");
    const std::string projectBefore = Contents(m_project);
    const std::string recordBefore = Contents(m_record);
    const struct {
        std::vector<std::string> args;
        std::string reason;
    } cases[] = {
        {{"--csv", m_project}, "it is the project file"},
        {{"--svg", Path("sub/../yard.mp4.kpproj")}, "it is the project file"},
        {{"--csv", m_clip}, "it is the project's input video"},
        {{"--svg", m_record}, "it is the motion record"},
        {{"--csv", Path("m.csv"), "--svg", Path("sub/../m.csv")}, "name the same file"},
        {{"--csv", Path("nowhere/m.csv")}, "no such folder"},
        {{"--svg", Path("sub")}, "it is a folder"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"motion", m_project};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const RunResult r = RunCli(args);
        EXPECT_EQ(r.status, 1) << c.reason;
        EXPECT_NE(r.err.find(c.reason), std::string::npos) << r.err;
    }
    // A link to the project is the project.
    fs::create_symlink(m_project, m_dir / "link.csv");
    const RunResult linked = RunCli({"motion", m_project, "--csv", Path("link.csv")});
    EXPECT_EQ(linked.status, 1);
    EXPECT_NE(linked.err.find("it is the project file"), std::string::npos) << linked.err;

    EXPECT_EQ(Contents(m_project), projectBefore);
    EXPECT_EQ(Contents(m_record), recordBefore);
    EXPECT_FALSE(fs::exists(Path("m.csv")));
}

TEST_F(CliReportCommandTest, WithoutARecordTheReportHasNoPeaksAndMotionFails) {
    fs::remove(m_record);
    RunResult r = RunCli({"report", m_project, "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Lines(r.err), 1) << r.err;
    EXPECT_NE(r.err.find("warning: the motion record '" + m_record + "' cannot be used (missing)"), std::string::npos)
        << r.err;
    const json report = json::parse(r.out);
    ASSERT_EQ(report.at("scenes").size(), 3u);
    for (const json& scene : report.at("scenes")) {
        for (const char* key : {"peak_frame", "peak_seconds", "peak_time", "peak_count"}) {
            EXPECT_TRUE(scene.at(key).is_null()) << key;
        }
        EXPECT_FALSE(scene.at("start_seconds").is_null());
    }

    r = RunCli({"report", m_project, "--csv"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto rows = csvtest::ReadCsv(r.out);
    ASSERT_TRUE(rows.has_value());
    ASSERT_EQ(rows->size(), 4u);
    const size_t peak = static_cast<size_t>(std::find(rows->front().begin(), rows->front().end(), "peak_count") -
                                            rows->front().begin());
    for (size_t k = 1; k < rows->size(); ++k) EXPECT_EQ((*rows)[k].at(peak), "");

    r = RunCli({"motion", m_project, "--csv", Path("m.csv")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot be used (missing); run extract"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(Path("m.csv")));

    // A video that is gone is named as the reason.
    fs::rename(m_clip, Path("moved.mp4"));
    r = RunCli({"report", m_project, "--json"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.err.find("cannot open the input '" + m_clip + "': no such file"), std::string::npos) << r.err;
}

}  // namespace
