// tarnelo-cli as a user runs it: a child process on clips made with ffmpeg at test time.
#include <gtest/gtest.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/Process.h"
#include "support/CliRun.h"

namespace fs = std::filesystem;

namespace {

using namespace clitest;

class CliTest : public CliFixture {};

bool HaveMediaTools() { return !platform::FindProgram("ffmpeg").empty() && !platform::FindProgram("ffprobe").empty(); }

// A still background with a box that is drawn, and moves, only while `enable` holds.
void MakeClip(const std::string& path, int seconds, const std::string& enable, bool audio,
              const std::vector<std::string>& codec = {"-c:v", "libx264", "-pix_fmt", "yuv420p"}) {
    const std::string d = std::to_string(seconds);
    std::vector<std::string> argv = {platform::FindProgram("ffmpeg"),
                                     "-v",
                                     "error",
                                     "-y",
                                     "-f",
                                     "lavfi",
                                     "-i",
                                     "color=c=0x304050:s=160x90:r=30:d=" + d,
                                     "-f",
                                     "lavfi",
                                     "-i",
                                     "color=c=0xE0C020:s=20x20:r=30:d=" + d};
    if (audio) argv.insert(argv.end(), {"-f", "lavfi", "-i", "sine=f=440:r=48000:d=" + d});
    argv.insert(argv.end(), {"-filter_complex", "[0][1]overlay=x='10+mod(t*40,120)':y=30:enable='" + enable + "'[v]",
                             "-map", "[v]"});
    if (audio) argv.insert(argv.end(), {"-map", "2", "-c:a", "aac"});
    argv.insert(argv.end(), codec.begin(), codec.end());
    argv.push_back(path);
    const RunResult r = RunProgram(argv);
    ASSERT_EQ(r.status, 0) << r.err;
}

TEST_F(CliTest, WrongUsageExitsWithTwoAndTheUsage) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"bogus"},
        {"extract"},
        {"extract", "a.mp4", "b.mp4", "--project", "p.kpproj"},
        {"extract", "a.mp4", "--threshold"},
        {"extract", "a.mp4", "--threshold", "many"},
        {"extract", "a.mp4", "--quality", "3"},
        {"extract", "a.mp4", "--cuda", "--no-cuda"},
        {"segments"},
        {"probe", "a.mp4", "--kind", "9"},
    };
    for (const auto& args : cases) {
        const RunResult r = RunCli(args);
        const std::string shown = args.empty() ? "(none)" : args[0] + (args.size() > 1 ? " " + args[1] : "");
        EXPECT_EQ(r.status, 2) << shown;
        EXPECT_NE(r.err.find("Usage:"), std::string::npos) << shown;
        EXPECT_TRUE(r.out.empty()) << shown;
    }
    EXPECT_TRUE(fs::is_empty(m_dir));

    for (const char* help : {"help", "--help"}) {
        const RunResult r = RunCli({help});
        EXPECT_EQ(r.status, 0);
        EXPECT_NE(r.out.find("Usage:"), std::string::npos);
    }
    const RunResult version = RunCli({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("tarnelo-cli ", 0), 0u) << version.out;
}

TEST_F(CliTest, EachCommandHasItsHelpAndNamesAnOptionItDoesNotTake) {
    for (const char* command : {"extract", "segments", "merge", "join", "autocorrect", "play", "probe"}) {
        const RunResult r = RunCli({command, "--help"});
        EXPECT_EQ(r.status, 0) << command;
        EXPECT_NE(r.out.find(std::string("Usage: tarnelo-cli ") + command + " [OPTIONS] "), std::string::npos) << r.out;
        EXPECT_EQ(r.err, "") << command;
    }
    const RunResult join = RunCli({"join", "--help"});
    for (const char* option : {"-o,--output OUT.mp4", "--size WxH", "--rate N/D", "--transition", "--quality Q"}) {
        EXPECT_NE(join.out.find(option), std::string::npos) << option;
    }

    const RunResult r = RunCli({"probe", "a.mp4", "--threshold", "3"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err.rfind("tarnelo-cli: unknown option '--threshold' for probe\n\n", 0), 0u) << r.err;
    EXPECT_NE(r.err.find("Usage: tarnelo-cli probe [OPTIONS] FILE"), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty());
    EXPECT_TRUE(fs::is_empty(m_dir));
}

TEST_F(CliTest, BadInputsFailWithAClearMessageAndCreateNothing) {
    std::ofstream(Path("text.mp4")) << "this is not a video\n";
    std::ofstream(Path("empty.mp4"));
    fs::create_directory(Path("folder.mp4"));
    std::ofstream(Path("notaproject.kpproj")) << "{ broken";
    const bool media = HaveMediaTools();
    if (media) {
        const RunResult r = RunProgram({platform::FindProgram("ffmpeg"), "-v", "error", "-f", "lavfi", "-i", "sine=d=1",
                                        "-c:a", "aac", Path("audio.m4a")});
        ASSERT_EQ(r.status, 0) << r.err;
        MakeClip(Path("good.mp4"), 2, "1", false);
    }

    const struct {
        std::vector<std::string> args;
        std::string message;
        bool needsMedia;
    } cases[] = {
        {{"extract", Path("missing.mp4")}, "cannot open '" + Path("missing.mp4") + "': no such file", false},
        {{"extract", Path("empty.mp4")}, "': the file is empty", false},
        {{"extract", Path("folder.mp4")}, "no video found in '" + Path("folder.mp4") + "'", false},
        {{"extract", Path("text.mp4")}, "cannot open '" + Path("text.mp4") + "': ffprobe cannot read it", true},
        {{"extract", Path("audio.m4a")}, "': it has no video stream", true},
        {{"extract", Path("good.mp4"), "--project", Path("no/such/p.kpproj")}, "no such folder", true},
        {{"segments", Path("missing.kpproj")}, "no such file", false},
        {{"segments", Path("notaproject.kpproj")}, "not a project file", false},
        {{"probe", Path("missing.mp4")}, "no such file", false},
        {{"probe", Path("text.mp4")}, "ffprobe cannot read", true},
    };
    for (const auto& c : cases) {
        if (c.needsMedia && !media) continue;
        const std::set<std::string> before = Tree(m_dir);
        const RunResult r = RunCli(c.args);
        EXPECT_EQ(r.status, 1) << c.args[1] << "\n" << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(Tree(m_dir), before) << c.args[1];
        EXPECT_EQ(LeftoverChildren(), std::vector<std::string>{}) << c.args[1];
    }
    if (!media) GTEST_SKIP() << "ffmpeg/ffprobe not found: the probe cases were not run";
}

TEST_F(CliTest, ExtractPrintsTheScenesAndSavesTheProject) {
    if (!HaveMediaTools()) GTEST_SKIP() << "ffmpeg/ffprobe not found";
    const std::string clip = Path("clip.mp4");
    MakeClip(clip, 8, "between(t,2,5)", true);

    const RunResult r = RunCli({"extract", clip});
    ASSERT_EQ(r.status, 0) << r.err;

    // The project file is UTF-8 with a byte-order mark.
    std::ifstream project(clip + ".kpproj", std::ios::binary);
    ASSERT_TRUE(project.good());
    char bom[3] = {};
    project.read(bom, 3);
    EXPECT_EQ(std::string(bom, 3), "\xEF\xBB\xBF");

    // One scene around 2..5 s, with its segment file written.
    std::istringstream table(r.out);
    std::string header, row, rest;
    std::getline(table, header);
    EXPECT_NE(header.find("first"), std::string::npos) << r.out;
    EXPECT_NE(header.find("duration"), std::string::npos) << r.out;
    std::vector<std::string> rows;
    while (std::getline(table, row)) rows.push_back(row);
    ASSERT_EQ(rows.size(), 1u) << r.out;
    std::istringstream fields(rows[0]);
    int index = 0, first = 0, last = 0;
    std::string on, start, end, duration, file;
    fields >> index >> on >> first >> last >> start >> end >> duration >> file;
    EXPECT_EQ(index, 1);
    EXPECT_EQ(on, "on");
    EXPECT_GE(first, 45);
    EXPECT_LE(first, 75);
    EXPECT_GT(last, first);
    EXPECT_TRUE(fs::is_regular_file(clip + "_out/" + file)) << file;

    // Progress on a pipe: plain lines, never two for the same whole percent of a run.
    std::istringstream err(r.err);
    std::string line, lastName;
    int lastPercent = -1;
    int progressLines = 0;
    while (std::getline(err, line)) {
        std::smatch m;
        EXPECT_EQ(line.find('\r'), std::string::npos);
        if (!std::regex_match(line, m, kProgressLine)) {
            lastPercent = -1;
            continue;
        }
        ++progressLines;
        const int percent = std::stoi(m[2]);
        if (m[1] == lastName) {
            EXPECT_GT(percent, lastPercent) << line;
        }
        lastName = m[1];
        lastPercent = percent;
    }
    EXPECT_GT(progressLines, 0) << r.err;

    // segments cuts the scenes of the saved project again.
    fs::remove(clip + "_out/" + file);
    const RunResult again = RunCli({"segments", clip + ".kpproj"});
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_TRUE(fs::is_regular_file(clip + "_out/" + file));
    EXPECT_NE(again.out.find(file), std::string::npos) << again.out;
    EXPECT_EQ(LeftoverChildren(), std::vector<std::string>{});
}

TEST_F(CliTest, NoCutWithGivenPathsInJapanese) {
    if (!HaveMediaTools()) GTEST_SKIP() << "ffmpeg/ffprobe not found";
    const std::string clip = Path("clip.mp4");
    MakeClip(clip, 6, "between(t,1,4)", false);
    const std::string folder = Path("work/out");
    const std::string projectFile = Path("p.kpproj");
    fs::create_directory(Path("work"));

    const RunResult r = RunCli({"extract", clip, "--no-cut", "--output-folder", folder, "--output-name", "best.mp4",
                                "--project", projectFile, "--valid-sec", "0.5"},
                               {"LANG=ja_JP.UTF-8", "LC_ALL="});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("シーン抽出"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("完了"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("--valid-sec 0.5 is outside 1.0..10.0; using 1.0"), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("clip_seg_"), std::string::npos) << r.out;  // scenes found, only not cut

    std::ifstream in(projectFile, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("\"output_name\": \"best.mp4\""), std::string::npos);
    EXPECT_NE(text.find("\"output_folder\": \"" + folder + "/\""), std::string::npos);
    EXPECT_NE(text.find("\"pts_file\": \"" + folder + "/clip_pts.csv\""), std::string::npos);
    EXPECT_FALSE(fs::exists(clip + ".kpproj"));
    EXPECT_FALSE(fs::exists(clip + "_out"));
    // A scan that cuts nothing writes nothing there, not even the time list: the run that cuts builds it.
    EXPECT_FALSE(fs::exists(folder));

    const RunResult cut = RunCli({"segments", projectFile});
    ASSERT_EQ(cut.status, 0) << cut.err;
    EXPECT_TRUE(fs::exists(folder + "/clip_pts.csv"));
    int segments = 0;
    for (const auto& e : fs::directory_iterator(folder)) {
        if (e.path().filename().string().find("clip_seg_") == 0) ++segments;
    }
    EXPECT_GE(segments, 1);
}

TEST_F(CliTest, ATerminalGetsTheBarRedrawnInPlace) {
    if (!HaveMediaTools()) GTEST_SKIP() << "ffmpeg/ffprobe not found";
    const std::string clip = Path("clip.mp4");
    MakeClip(clip, 4, "between(t,1,3)", false);

    int master = -1;
    const pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::setenv("LANG", "C.UTF-8", 1);
        ::unsetenv("LC_ALL");
        ::execl(kCliPath.c_str(), kCliPath.c_str(), "extract", clip.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    std::string text;
    char buffer[4096];
    for (ssize_t n; (n = ::read(master, buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR);) {
        if (n > 0) text.append(buffer, static_cast<size_t>(n));
    }
    ::close(master);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << text;
    EXPECT_NE(text.find("\r  Scene Extract ["), std::string::npos) << text;
    EXPECT_NE(text.find("100% (120/120)\033[K"), std::string::npos) << text;
    // Lines after a bar start on a line of their own.
    EXPECT_EQ(text.find("\033[K  "), std::string::npos) << text;
}

TEST_F(CliTest, CtrlCDuringExtractionStopsKeepsTheScenesAndLeavesNoFfmpeg) {
    if (!HaveMediaTools()) GTEST_SKIP() << "ffmpeg/ffprobe not found";
    const std::string clip = Path("long.mp4");
    MakeClip(clip, 60, "lt(mod(t,10),5)", true);

    const StopOutcome stop = StopAtFirstProgress({"extract", clip}, "Scene Extract", SIGINT, clip);
    ExpectStoppedCleanly(stop, SIGINT, m_dir.string());
    EXPECT_NE(stop.result.err.find("Stopped"), std::string::npos) << stop.result.err;
    // What the job found before the stop is saved.
    EXPECT_TRUE(fs::is_regular_file(clip + ".kpproj"));
    EXPECT_NE(stop.result.out.find("first"), std::string::npos);
}

TEST_F(CliTest, SigtermDuringConversionStopsAndTakesBackWhatItMade) {
    if (!HaveMediaTools()) GTEST_SKIP() << "ffmpeg/ffprobe not found";
    // Not an MP4, so preparation first converts it to a working copy.
    const std::string clip = Path("long.avi");
    MakeClip(clip, 60, "lt(mod(t,10),5)", true, {"-c:v", "mpeg4", "-q:v", "5"});

    const StopOutcome stop = StopAtFirstProgress({"extract", clip}, "Change MP4", SIGTERM, clip);
    ExpectStoppedCleanly(stop, SIGTERM, m_dir.string());
    // The output folder was made by this run and holds nothing usable: it is gone again.
    const std::set<std::string> left = Tree(m_dir);
    EXPECT_FALSE(fs::exists(clip + "_out")) << Joined(std::vector<std::string>(left.begin(), left.end()));
}

}  // namespace
