// tarnelo-cli extract over a folder: every video as extract of it alone, the files that are no videos or are
// damaged, the second run that does not decode again, --force, and Ctrl+C in the middle.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "integration/ClipFactory.h"
#include "support/CliRun.h"

namespace fs = std::filesystem;

namespace {

using namespace clitest;

// One row of the summary a batch prints on stdout.
struct Row {
    std::string scenes;
    std::string status;
    std::string reason;
};

// The rows by file name relative to folder (names without spaces).
std::map<std::string, Row> SummaryRows(const std::string& out, const std::string& folder) {
    std::map<std::string, Row> rows;
    std::istringstream in(out);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string file, seconds;
        Row row;
        if (!(fields >> file >> row.scenes >> seconds >> row.status) || file.rfind(folder + "/", 0) != 0) continue;
        std::getline(fields >> std::ws, row.reason);
        rows[file.substr(folder.size() + 1)] = row;
    }
    return rows;
}

class CliBatchTest : public CliFixture {
protected:
    void SetUp() override {
        CliFixture::SetUp();
        if (!clips::ToolsAvailable()) GTEST_SKIP() << "ffmpeg or ffprobe is not on PATH";
    }

    std::string MakeClip(const std::string& name, clips::ClipOptions o) {
        fs::create_directories(fs::path(Path(name)).parent_path());
        std::string error;
        const std::string path =
            clips::MakeClip(fs::path(Path(name)).parent_path().string(), fs::path(name).filename().string(), o, &error);
        EXPECT_FALSE(path.empty()) << error;
        fs::remove(path + ".log");
        return path;
    }

    static clips::ClipOptions Moving(int frames, std::vector<clips::FrameRange> motion) {
        clips::ClipOptions o;
        o.frames = frames;
        o.motion = std::move(motion);
        return o;
    }
};

TEST_F(CliBatchTest, EachVideoOfAFolderIsExtractedAsAloneAndASecondRunDoesNotDecodeIt) {
    const std::string cam = Path("cam");
    MakeClip("cam/a.mp4", Moving(100, {{25, 70}}));
    MakeClip("cam/VID_20240131_142530.mp4", Moving(90, {{10, 60}}));
    clips::ClipOptions dated = Moving(100, {{40, 85}});
    dated.extraArgs = {"-metadata", "creation_time=2024-01-31T14:25:30Z"};
    MakeClip("cam/meta.mp4", dated);
    MakeClip("cam/sub/deep.mp4", Moving(75, {{5, 50}}));
    clips::WriteFile(cam, "notes.mp4", "this is not a video\n");
    // A recording cut short, as a camera leaves it at a power loss: its index (at the end) is missing.
    const std::string whole = MakeClip("whole.mp4", Moving(100, {{0, 99}}));
    fs::copy_file(whole, cam + "/cut.mp4");
    fs::resize_file(cam + "/cut.mp4", fs::file_size(whole) / 2);
    const std::vector<std::string> good = {"a.mp4", "VID_20240131_142530.mp4", "meta.mp4"};

    const struct {
        std::string file;
        std::string status;
        std::string reason;  // a part of it
    } firstRun[] = {
        {"a.mp4", "done", ""},
        {"VID_20240131_142530.mp4", "done", ""},
        {"meta.mp4", "done", ""},
        {"notes.mp4", "skipped", "not a video (ffprobe cannot read it)"},
        {"cut.mp4", "failed", "damaged or cut short"},
    };
    RunResult r = RunCli({"extract", cam});
    EXPECT_EQ(r.status, 1) << r.err;
    std::map<std::string, Row> rows = SummaryRows(r.out, cam);
    EXPECT_EQ(rows.size(), 5u) << r.out;  // not the subfolder's
    for (const auto& expected : firstRun) {
        const Row& row = rows[expected.file];
        EXPECT_EQ(row.status, expected.status) << expected.file << "\n" << r.out;
        EXPECT_NE(row.reason.find(expected.reason), std::string::npos) << expected.file << ": " << row.reason;
    }
    EXPECT_NE(r.err.find("tarnelo-cli: 1 of 5 videos failed"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(cam + "/notes.mp4.kpproj"));
    EXPECT_FALSE(fs::exists(cam + "/cut.mp4.kpproj"));
    // The recording's clock: the metadata's time with its zone, or the name's in local time.
    EXPECT_NE(ReadFileText(cam + "/meta.mp4.kpproj").find("\"clock_start\": \"2024-01-31T14:25:30.000+00:00\""),
              std::string::npos);
    EXPECT_NE(ReadFileText(cam + "/VID_20240131_142530.mp4.kpproj").find("\"clock_start\": \"2024-01-31T14:25:30.000"),
              std::string::npos);
    EXPECT_EQ(ReadFileText(cam + "/a.mp4.kpproj").find("clock_start"), std::string::npos);

    // Each project, record and segment is what extract of that video alone makes.
    std::map<std::string, std::string> projects;
    for (const std::string& file : good) {
        const std::string video = cam + "/" + file;
        projects[file] = ReadFileText(video + ".kpproj");
        const std::string record = ReadFileText(video + ".kpmotion");
        const std::set<std::string> tree = Tree(video + "_out");
        const RunResult alone = RunCli({"extract", video});
        ASSERT_EQ(alone.status, 0) << alone.err;
        EXPECT_EQ(ReadFileText(video + ".kpproj"), projects[file]) << file;
        EXPECT_EQ(ReadFileText(video + ".kpmotion"), record) << file;
        EXPECT_EQ(Tree(video + "_out"), tree) << file;
        EXPECT_EQ(rows[file].scenes, std::to_string(TableRanges(alone.out).size())) << file;
    }

    // Scanned videos are not decoded again; the subfolder's is found with --recursive.
    const auto stamp = [&](const std::string& file) { return fs::last_write_time(cam + "/" + file + ".kpproj"); };
    const auto before = stamp("a.mp4");
    r = RunCli({"extract", cam, "--recursive"});
    EXPECT_EQ(r.status, 1) << r.err;
    rows = SummaryRows(r.out, cam);
    for (const std::string& file : good) {
        EXPECT_EQ(rows[file].status, "skipped") << file << "\n" << r.out;
        EXPECT_EQ(rows[file].reason, "already scanned") << file;
        EXPECT_EQ(ReadFileText(cam + "/" + file + ".kpproj"), projects[file]) << file;
    }
    EXPECT_EQ(stamp("a.mp4"), before);
    EXPECT_EQ(rows["sub/deep.mp4"].status, "done") << r.out;
    EXPECT_EQ(rows["cut.mp4"].status, "failed");
    EXPECT_EQ(r.err.find("Scene Extract"), std::string::npos) << r.err;  // the steps are the batch's line

    // Other scene settings re-tune the list from the record; --force decodes again, here two at a time.
    r = RunCli({"extract", cam + "/a.mp4", cam + "/meta.mp4", "--threshold", "400"});
    EXPECT_EQ(r.status, 0) << r.err;
    rows = SummaryRows(r.out, cam);
    EXPECT_EQ(rows["a.mp4"].reason, "re-tuned from its motion record, not decoded again") << r.out;
    EXPECT_EQ(rows["meta.mp4"].status, "done");
    EXPECT_NE(ReadFileText(cam + "/a.mp4.kpproj").find("\"threshold\": 400"), std::string::npos);

    r = RunCli({"extract", cam, "--recursive", "--force", "--jobs", "2"});
    EXPECT_EQ(r.status, 1) << r.err;
    rows = SummaryRows(r.out, cam);
    for (const char* file : {"a.mp4", "meta.mp4", "sub/deep.mp4"}) {
        EXPECT_EQ(rows[file].status, "done") << file << "\n" << r.out;
        EXPECT_EQ(rows[file].reason, "") << file;
    }
    // Scanned anew with the settings of a fresh extraction.
    EXPECT_EQ(ReadFileText(cam + "/a.mp4.kpproj"), projects["a.mp4"]);
    EXPECT_EQ(ReadFileText(cam + "/VID_20240131_142530.mp4.kpproj"), projects["VID_20240131_142530.mp4"]);
    EXPECT_EQ(Joined(LeftoverChildren()), "");
}

TEST_F(CliBatchTest, CtrlCInTheMiddleKeepsWholeProjectsAndLeavesNoChild) {
    const std::string cam = Path("cam");
    for (const char* name : {"cam/1.mp4", "cam/2.mp4", "cam/3.mp4", "cam/4.mp4"}) {
        MakeClip(name, Moving(750, {{50, 200}, {300, 500}, {600, 700}}));
    }
    // The first video is done and the second under way.
    const std::regex secondUnderWay(R"(^  1/4 files +\d+%.*  2\.mp4$)");
    const StopOutcome stop = StopAtLine(
        {"extract", cam}, [&](const std::string& line) { return std::regex_match(line, secondUnderWay); }, SIGINT, cam);
    ExpectStoppedCleanly(stop, SIGINT, cam);
    const std::map<std::string, Row> rows = SummaryRows(stop.result.out, cam);
    ASSERT_EQ(rows.size(), 4u) << stop.result.out;
    EXPECT_EQ(rows.at("1.mp4").status, "done");
    EXPECT_EQ(rows.at("2.mp4").status, "stopped");
    EXPECT_EQ(rows.at("4.mp4").reason, "not started");
    EXPECT_NE(stop.result.err.find("tarnelo-cli: stopped"), std::string::npos) << stop.result.err;

    // Every project there is whole, nothing half-written is left, and the next run goes on where this one
    // stopped.
    for (const auto& entry : fs::recursive_directory_iterator(cam)) {
        const std::string name = entry.path().filename().string();
        EXPECT_FALSE(name.ends_with(".tmp")) << name;
        if (!name.ends_with(".kpproj")) continue;
        const std::string text = ReadFileText(entry.path().string());
        EXPECT_FALSE(nlohmann::json::parse(text.substr(3), nullptr, false).is_discarded()) << name;
    }
    const RunResult next = RunCli({"extract", cam});
    EXPECT_EQ(next.status, 0) << next.err;
    const std::map<std::string, Row> after = SummaryRows(next.out, cam);
    EXPECT_EQ(after.at("1.mp4").reason, "already scanned");
    EXPECT_EQ(after.at("4.mp4").status, "done");
}

}  // namespace
