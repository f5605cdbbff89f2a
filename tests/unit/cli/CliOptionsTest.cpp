#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli/CliOptions.h"
#include "cli/CliProject.h"
#include "engine/merge/ConvertMerge.h"
#include "project/TarneloData.h"

namespace {

using cli::Command;
using cli::Options;
using cli::ParseArguments;

TEST(CliOptionsTest, ParsesEveryCommandAndFlag) {
    {
        const auto r = ParseArguments({"extract", "in.mp4", "--threshold", "250", "--valid-sec", "2.5", "--cut-sec",
                                       "+3", "--output-folder", "out", "--output-name", "x.mp4", "--project",
                                       "p.kpproj", "--quality", "2", "--cuda", "--no-cut"});
        ASSERT_TRUE(r.ok) << r.error;
        const Options& o = r.options;
        EXPECT_EQ(o.command, Command::Extract);
        EXPECT_EQ(o.target, "in.mp4");
        EXPECT_EQ(o.threshold, 250.0);
        EXPECT_EQ(o.validSec, 2.5);
        EXPECT_EQ(o.cutSec, 3.0);
        EXPECT_EQ(o.outputFolder, "out");
        EXPECT_EQ(o.outputName, "x.mp4");
        EXPECT_EQ(o.projectFile, "p.kpproj");
        EXPECT_EQ(o.quality, 2);
        EXPECT_TRUE(o.cuda);
        EXPECT_TRUE(o.noCut);
    }
    {
        // Options may come before the input; unset settings stay unset so the project defaults apply.
        const auto r = ParseArguments({"extract", "--no-cuda", "in.mp4"});
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(r.options.target, "in.mp4");
        EXPECT_FALSE(r.options.cuda);
        EXPECT_FALSE(r.options.noCut);
        EXPECT_FALSE(r.options.threshold.has_value());
        EXPECT_FALSE(r.options.quality.has_value());
    }
    {
        const auto r = ParseArguments({"extract", "--", "-odd name.mp4"});
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(r.options.target, "-odd name.mp4");
    }
    const struct {
        std::vector<std::string> args;
        Command command;
        std::string target;
        int kind;
    } simple[] = {
        {{"segments", "a.kpproj"}, Command::Segments, "a.kpproj", 1},
        {{"probe", "a.mp4"}, Command::Probe, "a.mp4", 1},
        {{"probe", "--kind", "5", "a.mp4"}, Command::Probe, "a.mp4", 5},
        {{"help"}, Command::Help, "", 1},
        {{"--help"}, Command::Help, "", 1},
        {{"-h"}, Command::Help, "", 1},
        {{"extract", "in.mp4", "--help"}, Command::Help, "", 1},
        {{"extract", "--quality", "9", "--help"}, Command::Help, "", 1},  // --help wins over a wrong value
        {{"--version"}, Command::Version, "", 1},
    };
    for (const auto& c : simple) {
        const auto r = ParseArguments(c.args);
        ASSERT_TRUE(r.ok) << c.args[0] << ": " << r.error;
        EXPECT_EQ(r.options.command, c.command) << c.args[0];
        EXPECT_EQ(r.options.target, c.target) << c.args[0];
        EXPECT_EQ(r.options.probeKind, c.kind) << c.args[0];
    }
}

TEST(CliOptionsTest, RejectsWrongUsageWithAReason) {
    const struct {
        std::vector<std::string> args;
        std::string reason;  // part of the error text
    } cases[] = {
        {{}, "no command"},
        {{"frobnicate"}, "unknown command"},
        {{"extract"}, "needs an input video"},
        {{"segments"}, "needs a project file"},
        {{"probe"}, "needs a file"},
        {{"segments", "a.kpproj", "b.kpproj"}, "unexpected argument 'b.kpproj'"},
        {{"extract", "a.mp4", "--threshold"}, "--threshold needs a value"},
        {{"extract", "a.mp4", "--threshold", "lots"}, "needs a number"},
        {{"extract", "a.mp4", "--threshold", "12abc"}, "needs a number"},
        {{"extract", "a.mp4", "--threshold", "nan"}, "needs a number"},
        {{"extract", "a.mp4", "--valid-sec", "inf"}, "needs a number"},
        {{"extract", "a.mp4", "--cut-sec", ""}, "needs a number"},
        {{"extract", "a.mp4", "--threshold", "1", "--threshold", "2"}, "given twice"},
        {{"extract", "a.mp4", "--quality", "3"}, "0, 1 or 2"},
        {{"extract", "a.mp4", "--quality", "-1"}, "0, 1 or 2"},
        {{"extract", "a.mp4", "--quality", "1.5"}, "0, 1 or 2"},
        {{"extract", "a.mp4", "--cuda", "--no-cuda"}, "only one of --cuda and --no-cuda"},
        {{"extract", "a.mp4", "--no-cut", "--no-cut"}, "twice"},
        {{"extract", "a.mp4", "--output-name", "sub/x.mp4"}, "not a path"},
        {{"extract", "a.mp4", "--output-folder", ""}, "non-empty"},
        {{"extract", "a.mp4", "--kind", "2"}, "unknown option '--kind' for extract"},
        {{"extract", "a.mp4", "--bogus"}, "unknown option '--bogus'"},
        {{"extract", "a.mp4", "-x"}, "unknown option '-x'"},
        {{"extract", ""}, "empty file name"},
        {{"segments", "--", "a", "b"}, "exactly one file name"},
        {{"segments", "p.kpproj", "--no-cut"}, "unknown option '--no-cut' for segments"},
        {{"probe", "a.mp4", "--kind", "0"}, "1, 2, 3, 4 or 5"},
        {{"probe", "a.mp4", "--kind", "6"}, "1, 2, 3, 4 or 5"},
        {{"probe", "a.mp4", "--kind", "1", "--kind", "2"}, "twice"},
        {{"probe", "a.mp4", "--threshold", "3"}, "for probe"},
        {{"--version", "extra"}, "no arguments"},
    };
    for (const auto& c : cases) {
        const auto r = ParseArguments(c.args);
        std::string shown;
        for (const auto& a : c.args) shown += "[" + a + "]";
        EXPECT_FALSE(r.ok) << shown;
        EXPECT_NE(r.error.find(c.reason), std::string::npos) << shown << " gave: " << r.error;
    }
}

TEST(CliOptionsTest, ExtractTakesSeveralVideosAndFoldersAsABatch) {
    const std::string folder = std::filesystem::temp_directory_path().string();
    const struct {
        std::vector<std::string> args;
        std::vector<std::string> files;
        bool batch;
    } cases[] = {
        {{"extract", "a.mp4"}, {"a.mp4"}, false},
        {{"extract", "a.mp4", "--jobs", "1"}, {"a.mp4"}, true},
        {{"extract", "a.mp4", "--force"}, {"a.mp4"}, true},
        {{"extract", "a.mp4", "b.mp4"}, {"a.mp4", "b.mp4"}, true},
        {{"extract", "--recursive", "a.mp4", "--", "-b.mp4", "extract"}, {"a.mp4", "-b.mp4", "extract"}, true},
        {{"extract", folder}, {folder}, true},
        // One video may still name its own files.
        {{"extract", "a.mp4", "--jobs", "2", "--project", "p.kpproj", "--output-folder", "o"}, {"a.mp4"}, true},
    };
    for (const auto& c : cases) {
        const auto r = ParseArguments(c.args);
        ASSERT_TRUE(r.ok) << c.args.back() << ": " << r.error;
        EXPECT_EQ(r.options.files, c.files);
        EXPECT_EQ(r.options.batch, c.batch) << c.args.back();
        EXPECT_EQ(r.options.target, c.files.size() == 1 ? c.files.front() : "") << c.args.back();
    }
    const auto jobs = ParseArguments({"extract", "a", "b", "--jobs", "16", "--recursive", "--force"});
    ASSERT_TRUE(jobs.ok) << jobs.error;
    EXPECT_EQ(jobs.options.jobs, 16);
    EXPECT_TRUE(jobs.options.recursive);
    EXPECT_TRUE(jobs.options.force);

    const struct {
        std::vector<std::string> args;
        std::string reason;
    } wrong[] = {
        {{"extract", "a.mp4", "b.mp4", "--project", "p.kpproj"},
         "--project names the project of one video; with several inputs each video's project is INPUT.kpproj"},
        {{"extract", folder, "--project", "p.kpproj"}, "--project names the project of one video; with a folder"},
        {{"extract", "a.mp4", "b.mp4", "--output-name", "x.mp4"}, "--output-name names the merged file of one video"},
        {{"extract", folder, "--output-folder", "out"}, "--output-folder holds the files of one video; with a folder"},
        {{"extract", "a.mp4", "--jobs", "0"}, "--jobs needs a whole number from 1 to 16, not '0'"},
        {{"extract", "a.mp4", "--jobs", "17"}, "from 1 to 16"},
        {{"extract", "a.mp4", "--jobs", "two"}, "from 1 to 16"},
        {{"extract", "a.mp4", "--force", "--force"}, "--force given twice"},
        {{"segments", "a.kpproj", "--jobs", "2"}, "unknown option '--jobs' for segments"},
    };
    for (const auto& c : wrong) {
        const auto r = ParseArguments(c.args);
        EXPECT_FALSE(r.ok) << c.reason;
        EXPECT_NE(r.error.find(c.reason), std::string::npos) << r.error;
    }
}

TEST(CliOptionsTest, UsageTextNamesEveryCommandAndOption) {
    const std::string usage = cli::UsageText();
    for (const char* word : {"extract [OPTIONS] INPUT",
                             "segments [OPTIONS] PROJECT",
                             "probe [OPTIONS] FILE",
                             "--kind",
                             "--help",
                             "--version",
                             "--threshold",
                             "--valid-sec",
                             "--cut-sec",
                             "--output-folder",
                             "--output-name",
                             "--project",
                             "--quality",
                             "--cuda",
                             "--no-cuda",
                             "--no-cut",
                             "--recursive",
                             "--force",
                             "--jobs N",
                             "130",
                             "merge [OPTIONS] PROJECT",
                             "--merge",
                             "--transition",
                             "--no-transition",
                             "join [OPTIONS] FILE...",
                             "-o,--output OUT.mp4",
                             "--size WxH",
                             "--rate N/D",
                             "autocorrect [OPTIONS] PROJECT",
                             "play [OPTIONS] FILE|PROJECT",
                             "--scene N"}) {
        EXPECT_NE(usage.find(word), std::string::npos) << word;
    }
}

TEST(CliOptionsTest, ParsesTheMergeJoinPlayAndCorrectionCommands) {
    {
        const auto r = ParseArguments({"extract", "in.mp4", "--merge", "--transition"});
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_TRUE(r.options.merge);
        EXPECT_EQ(r.options.transition, true);
    }
    {
        const auto r = ParseArguments({"merge", "p.kpproj"});
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(r.options.command, Command::Merge);
        EXPECT_FALSE(r.options.transition.has_value());  // the project's own setting stays
        EXPECT_EQ(ParseArguments({"merge", "--no-transition", "p.kpproj"}).options.transition, false);
    }
    {
        // Files keep their order, "--" lets names start with "-", and the choices are list indexes.
        const auto r = ParseArguments({"join", "b.mp4", "-o", "out.MP4", "--size", "352x288", "--rate", "29.97",
                                       "--quality", "1", "--transition", "a.mov", "--", "-c.avi", "--size"});
        ASSERT_TRUE(r.ok) << r.error;
        const Options& o = r.options;
        EXPECT_EQ(o.command, Command::Join);
        EXPECT_EQ(o.files, (std::vector<std::string>{"b.mp4", "a.mov", "-c.avi", "--size"}));
        EXPECT_EQ(o.outputFile, "out.MP4");
        EXPECT_EQ(o.sizeIndex, 8);
        EXPECT_EQ(o.rateIndex, 5);
        EXPECT_EQ(o.quality, 1);
        EXPECT_EQ(o.transition, true);
    }
    {
        const auto r = ParseArguments({"join", "--output", "o.mp4", "a.mp4"});
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(r.options.sizeIndex, 3);  // 1920x1080
        EXPECT_EQ(r.options.rateIndex, 3);  // 60000/1001
    }
    {
        const auto r = ParseArguments({"play", "p.KPPROJ", "--scene", "4"});
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(r.options.scene, 4);
        EXPECT_EQ(ParseArguments({"autocorrect", "p.kpproj"}).options.command, Command::Autocorrect);
    }

    const struct {
        std::vector<std::string> args;
        std::string reason;
    } wrong[] = {
        {{"merge"}, "needs a project file"},
        {{"merge", "p.kpproj", "--transition", "--transition"}, "only one of --transition and --no-transition"},
        {{"merge", "p.kpproj", "--merge"}, "unknown option '--merge' for merge"},
        {{"extract", "a.mp4", "--no-transition"}, "--no-transition needs --merge"},
        {{"join", "-o", "o.mp4"}, "needs at least one video"},
        {{"join", "a.mp4"}, "join needs -o"},
        {{"join", "-o", "o.mp4", "-o", "p.mp4", "a.mp4"}, "-o given twice"},
        {{"join", "-o", "o.avi", "a.mp4"}, "ending in .mp4"},
        {{"join", "-o", "o.mp4", "--size", "1920x1081", "a.mp4"}, "--size must be one of"},
        {{"join", "-o", "o.mp4", "--rate", "60000/1000", "a.mp4"}, "--rate must be one of"},
        {{"join", "-o", "o.mp4", "--size", "352x288", "--size", "352x288", "a.mp4"}, "given twice"},
        {{"join", "-o", "o.mp4", "--cuda", "a.mp4"}, "unknown option '--cuda' for join"},
        {{"play", "a.mp4", "--scene", "2"}, "--scene needs a project file"},
        {{"play", "p.kpproj", "--scene", "-1"}, "scene number from 1"},
        {{"play", "a.mp4", "b.mp4"}, "unexpected argument"},
        {{"autocorrect", "p.kpproj", "--kind", "2"}, "for autocorrect"},
    };
    for (const auto& c : wrong) {
        const auto r = ParseArguments(c.args);
        std::string shown;
        for (const auto& a : c.args) shown += "[" + a + "]";
        EXPECT_FALSE(r.ok) << shown;
        EXPECT_NE(r.error.find(c.reason), std::string::npos) << shown << " gave: " << r.error;
    }
}

TEST(CliOptionsTest, EachCommandsHelpNamesItsOwnOptions) {
    const struct {
        std::string command;
        std::vector<std::string> own;     // in its help
        std::vector<std::string> others;  // of other commands, not in it
    } cases[] = {
        {"extract",
         {"INPUT", "--threshold N", "--valid-sec S", "--cut-sec S", "--output-folder DIR", "--output-name NAME",
          "--project FILE", "--quality Q", "--cuda", "--no-cuda", "--no-cut", "--merge", "--no-transition"},
         {"--kind", "--scene", "--size", "-o,--output"}},
        {"segments", {"PROJECT"}, {"--threshold", "--transition", "--kind"}},
        {"merge", {"PROJECT", "--transition", "--no-transition"}, {"--merge", "--quality", "--kind"}},
        {"join",
         {"FILE...", "-o,--output OUT.mp4", "--size WxH", "--rate N/D", "--no-transition", "--quality Q"},
         {"--cuda", "--no-cut", "--kind", "--scene"}},
        {"autocorrect", {"PROJECT"}, {"--kind", "--quality"}},
        {"play", {"FILE|PROJECT", "--scene N"}, {"--kind", "--threshold"}},
        {"probe", {"FILE", "--kind N"}, {"--scene", "--threshold"}},
    };
    for (const auto& c : cases) {
        const auto r = ParseArguments({c.command, "--help"});
        ASSERT_TRUE(r.ok) << c.command << ": " << r.error;
        EXPECT_EQ(r.options.command, Command::Help);
        EXPECT_NE(r.usage.find("Usage: tarnelo-cli " + c.command + " [OPTIONS] "), std::string::npos) << r.usage;
        for (const std::string& word : c.own) EXPECT_NE(r.usage.find(word), std::string::npos) << c.command << word;
        for (const std::string& word : c.others) EXPECT_EQ(r.usage.find(word), std::string::npos) << c.command << word;
        EXPECT_EQ(ParseArguments({c.command, "-h"}).usage, r.usage) << c.command;
        EXPECT_EQ(ParseArguments({"help", c.command}).usage, r.usage) << c.command;
        // A wrong line shows the usage of its command with the error.
        const auto wrong = ParseArguments({c.command, "--frobnicate"});
        EXPECT_FALSE(wrong.ok);
        EXPECT_EQ(wrong.error, "unknown option '--frobnicate'");
        EXPECT_EQ(wrong.usage, r.usage) << c.command;
    }

    // Without a command: help shows every command with its options, an error the list of commands.
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"help"}, {"--help"}, {"-h"}, {"help", "frobnicate"}}) {
        const auto r = ParseArguments(args);
        ASSERT_TRUE(r.ok) << args.back();
        EXPECT_EQ(r.options.command, Command::Help);
        EXPECT_EQ(r.usage, cli::UsageText()) << args.back();
    }
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{}, {"frobnicate"}, {"--version", "x"}}) {
        const auto r = ParseArguments(args);
        EXPECT_FALSE(r.ok);
        EXPECT_NE(r.usage.find("Usage: tarnelo-cli [OPTIONS] [COMMAND]"), std::string::npos) << r.usage;
        for (const char* command : {"extract", "segments", "merge", "join", "autocorrect", "play", "probe", "help"}) {
            EXPECT_NE(r.usage.find("\n  " + std::string(command) + " "), std::string::npos) << command;
        }
        EXPECT_EQ(r.usage.find("--threshold"), std::string::npos);
    }
}

TEST(CliOptionsTest, FileNamesAfterTheMarkAndValuesThatLookLikeOptions) {
    {
        // The only file comes after "--", where the parser's own check for a missing file does not look.
        const auto r = ParseArguments({"join", "-o", "o.mp4", "--", "-a.mp4", "--help"});
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(r.options.command, Command::Join);
        EXPECT_EQ(r.options.files, (std::vector<std::string>{"-a.mp4", "--help"}));
    }
    {
        // A value is the next word, whatever it looks like; "=" joins a value to its option.
        const auto r = ParseArguments({"extract", "--output-name", "-x.mp4", "in.mp4", "--threshold=250"});
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(r.options.outputName, "-x.mp4");
        EXPECT_EQ(r.options.target, "in.mp4");
        EXPECT_EQ(r.options.threshold, 250.0);
    }
    {
        // A file may be named like a command.
        const auto r = ParseArguments({"join", "-o", "o.mp4", "a.mp4", "probe", "help"});
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(r.options.files, (std::vector<std::string>{"a.mp4", "probe", "help"}));
    }
    // --help is looked for before anything is missing, and even where it was read as a value.
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"join", "--help"}, {"extract", "--project", "--help", "in.mp4"}}) {
        const auto r = ParseArguments(args);
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(r.options.command, Command::Help);
        EXPECT_NE(r.usage.find("Usage: tarnelo-cli " + args[0]), std::string::npos);
    }

    const struct {
        std::vector<std::string> args;
        std::string error;  // all of it
    } wrong[] = {
        {{"segments", "a.kpproj", "--", "b.kpproj"}, "exactly one file name must follow '--'"},
        {{"segments", "--"}, "exactly one file name must follow '--'"},
        {{"segments", "-1"}, "unknown option '-1'"},  // a negative number is no file name either
        {{"frobnicate", "--help"}, "unknown command 'frobnicate'"},
        {{"--version", "help"}, "--version takes no arguments"},
        {{"join", "-o", "o.mp4", "--", "a.mp4", ""}, "empty file name"},
        {{"join", "a.mp4", "-o"}, "-o needs a value"},
        {{"extract", "a.mp4", "--output-name="}, "--output-name needs a value"},
        {{"extract", "a.mp4", "--cuda=1"}, "--cuda takes no value"},
        {{"segments", "a.kpproj", "segments"}, "unexpected argument 'segments'"},
        {{"extract", "a.mp4", "--version"}, "unknown option '--version'"},
        {{"--cuda", "extract", "a.mp4"}, "unknown command '--cuda'"},
        {{"--"}, "unknown command '--'"},
        {{"--version", "--version"}, "--version takes no arguments"},
    };
    for (const auto& c : wrong) {
        const auto r = ParseArguments(c.args);
        std::string shown;
        for (const auto& a : c.args) shown += "[" + a + "]";
        EXPECT_FALSE(r.ok) << shown;
        EXPECT_EQ(r.error, c.error) << shown;
    }
}

TEST(CliOptionsTest, SizeAndRateChoicesAreTheMergeTabsLists) {
    // Every entry is found by its own texts, at its own index; nothing else is.
    for (size_t i = 0; i < FrameSizeList().size(); ++i) {
        const FrameSize size = FrameSizeList()[i];
        const std::string text = std::to_string(size.width) + "x" + std::to_string(size.height);
        EXPECT_EQ(cli::FindFrameSizeChoice(text), static_cast<int>(i)) << text;
        EXPECT_NE(cli::AllowedSizesText().find(text), std::string::npos) << text;
        EXPECT_NE(cli::UsageText().find(text), std::string::npos) << text;
    }
    for (size_t i = 0; i < FrameRateList().size(); ++i) {
        const FrameRate rate = FrameRateList()[i];
        EXPECT_EQ(cli::FindFrameRateChoice(FrameRateText(rate)), static_cast<int>(i));
        EXPECT_EQ(cli::FindFrameRateChoice(FrameRateLabel(rate)), static_cast<int>(i));
        EXPECT_NE(cli::AllowedRatesText().find(FrameRateText(rate)), std::string::npos);
        EXPECT_NE(cli::UsageText().find(FrameRateText(rate)), std::string::npos);
    }
    EXPECT_EQ(cli::FindFrameRateChoice("30"), 4);
    for (const char* other : {"", "25", "25/1", "29.97003", "30/1 ", "60000/1000", "1/0", "59.9"}) {
        EXPECT_FALSE(cli::FindFrameRateChoice(other).has_value()) << other;
    }
    for (const char* other : {"", "1920", "1920x", "x1080", "1920x1080x", "1920 x 1080", "640x360"}) {
        EXPECT_FALSE(cli::FindFrameSizeChoice(other).has_value()) << other;
    }
}

TEST(CliOptionsTest, ChoosesJapaneseFromTheLocale) {
    const struct {
        const char* lcAll;
        const char* lang;
        bool japanese;
    } cases[] = {
        {nullptr, nullptr, false},   {nullptr, "ja_JP.UTF-8", true}, {"", "ja_JP.UTF-8", true},
        {"C", "ja_JP.UTF-8", false}, {"ja_JP.eucJP", "C", true},     {nullptr, "en_US.UTF-8", false},
        {nullptr, "j", false},       {nullptr, "", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(cli::IsJapaneseLocale(c.lcAll, c.lang), c.japanese)
            << (c.lcAll ? c.lcAll : "(unset)") << " / " << (c.lang ? c.lang : "(unset)");
    }
}

class CliProjectTest : public ::testing::Test {
protected:
    Options Parse(std::vector<std::string> args) {
        args.insert(args.begin(), {"extract", "/v/clip.mov"});
        const auto r = ParseArguments(args);
        EXPECT_TRUE(r.ok) << r.error;
        return r.options;
    }
    CTarneloData m_data;
};

TEST_F(CliProjectTest, TakesTheDefaultsOfOpeningAVideo) {
    m_data.diff_list.Append(SceneEntry(1, 2, "old.mp4"));
    m_data.quality = 1;  // an application setting: kept unless given
    const auto warnings = cli::SetUpExtractProject(m_data, Parse({}), {"/v/clip.mov", "", ""}, false);
    EXPECT_TRUE(warnings.empty());
    EXPECT_EQ(m_data.input_file, "/v/clip.mov");
    EXPECT_EQ(m_data.output_folder, "/v/clip.mov_out/");
    EXPECT_EQ(m_data.output_name, "clip_trim.mp4");
    EXPECT_EQ(m_data.project_file, "/v/clip.mov.kpproj");
    EXPECT_EQ(m_data.capTitle.caption, "{\\fad(500,500)}clip.mov");
    EXPECT_EQ(m_data.pts_file, "/v/clip.mov_out/clip_pts.csv");
    EXPECT_TRUE(m_data.diff_list.Empty());
    EXPECT_EQ(m_data.list_idx, -1);
    EXPECT_EQ(m_data.threshold.value, 100);
    EXPECT_EQ(m_data.valid_min_unit.value, 1.0);
    EXPECT_EQ(m_data.cut_min_unit.value, 1.0);
    EXPECT_EQ(m_data.quality, 1);
    EXPECT_FALSE(m_data.use_cuda);
    EXPECT_EQ(cli::SegmentFilePattern(m_data), "/v/clip.mov_out/clip_seg_*.mp4");
}

TEST_F(CliProjectTest, GivenPathsAndNamesReplaceTheDefaults) {
    const Options o = Parse({"--output-name", "best.mp4", "--quality", "2"});
    cli::SetUpExtractProject(m_data, o, {"/v/clip.mov", "/w/out", "/w/p.kpproj"}, false);
    EXPECT_EQ(m_data.output_folder, "/w/out/");
    EXPECT_EQ(m_data.output_name, "best.mp4");
    EXPECT_EQ(m_data.project_file, "/w/p.kpproj");
    EXPECT_EQ(m_data.pts_file, "/w/out/clip_pts.csv");
    EXPECT_EQ(m_data.quality, 2);

    cli::SetUpExtractProject(m_data, o, {"/v/clip.mov", "/w/out/", ""}, false);
    EXPECT_EQ(m_data.output_folder, "/w/out/");  // one separator, not two
}

TEST_F(CliProjectTest, ClampsSettingsAsTheEditsDoAndSaysSo) {
    const struct {
        std::vector<std::string> args;
        double threshold, valid, cut;
        size_t warnings;
    } cases[] = {
        {{"--threshold", "250", "--valid-sec", "2.5", "--cut-sec", "10"}, 250, 2.5, 10, 0},
        {{"--threshold", "0", "--valid-sec", "1", "--cut-sec", "1.0"}, 0, 1, 1, 0},
        {{"--threshold", "1000"}, 1000, 1, 1, 0},
        {{"--threshold", "5000"}, 1000, 1, 1, 1},
        {{"--threshold", "-3"}, 0, 1, 1, 1},
        {{"--threshold", "12.7"}, 12, 1, 1, 1},  // a whole-number setting
        {{"--valid-sec", "0.2", "--cut-sec", "11"}, 100, 1, 10, 2},
        {{"--valid-sec", "-1e9", "--cut-sec", "1e300"}, 100, 1, 10, 2},
    };
    for (const auto& c : cases) {
        const auto warnings = cli::SetUpExtractProject(m_data, Parse(c.args), {"/v/clip.mov", "", ""}, false);
        EXPECT_EQ(m_data.threshold.value, c.threshold) << c.args[1];
        EXPECT_EQ(m_data.valid_min_unit.value, c.valid) << c.args[1];
        EXPECT_EQ(m_data.cut_min_unit.value, c.cut) << c.args[1];
        EXPECT_EQ(warnings.size(), c.warnings) << c.args[1];
    }
    const auto warnings = cli::SetUpExtractProject(m_data, Parse({"--threshold", "5000"}), {"/v/c.mov", "", ""}, false);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0], "--threshold 5000 is outside 0..1000; using 1000");
}

TEST_F(CliProjectTest, PaddingAndTheLongestSceneAreClampedAndSaySo) {
    const struct {
        std::vector<std::string> args;
        double pre, post, longest;
        std::string warning;  // empty: none
    } cases[] = {
        {{"--pre-roll", "1.5", "--post-roll", "0.5", "--max-sec", "60"}, 1.5, 0.5, 60, ""},
        {{"--max-sec", "0"}, 0, 0, 0, ""},
        {{"--max-sec", "3600"}, 0, 0, 3600, ""},
        {{"--pre-roll", "12"}, 10, 0, 0, "--pre-roll 12 is outside 0.0..10.0; using 10.0"},
        {{"--post-roll", "-1"}, 0, 0, 0, "--post-roll -1 is outside 0.0..10.0; using 0.0"},
        {{"--max-sec", "5"}, 0, 0, 10, "--max-sec 5 is shorter than the shortest limit (0 is no limit); using 10.0"},
        {{"--max-sec", "4000"}, 0, 0, 3600, "--max-sec 4000 is outside 0.0..3600.0; using 3600.0"},
    };
    for (const auto& c : cases) {
        const auto warnings = cli::SetUpExtractProject(m_data, Parse(c.args), {"/v/clip.mov", "", ""}, false);
        EXPECT_EQ(m_data.pre_roll.value, c.pre) << c.args[1];
        EXPECT_EQ(m_data.post_roll.value, c.post) << c.args[1];
        EXPECT_EQ(m_data.max_len.value, c.longest) << c.args[1];
        EXPECT_EQ(warnings, c.warning.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.warning})
            << c.args[1];
    }
    // retune takes the same options and, as extract, --no-cut; a value that is no number is refused.
    const auto r = ParseArguments({"retune", "p.kpproj", "--no-cut", "--pre-roll", "2", "--max-sec", "30"});
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_TRUE(r.options.noCut);
    EXPECT_EQ(r.options.preRoll, 2.0);
    EXPECT_EQ(r.options.maxSec, 30.0);
    const auto bad = ParseArguments({"retune", "p.kpproj", "--post-roll", "1s"});
    EXPECT_FALSE(bad.ok);
    EXPECT_NE(bad.error.find("--post-roll needs a number, not '1s'"), std::string::npos) << bad.error;
}

TEST_F(CliProjectTest, UsesCudaOnlyWhenAskedAndPresent) {
    const struct {
        std::vector<std::string> args;
        bool present, useCuda;
        size_t warnings;
    } cases[] = {
        {{}, true, false, 0},
        {{"--no-cuda"}, true, false, 0},
        {{"--cuda"}, true, true, 0},
        {{"--cuda"}, false, false, 1},
    };
    for (const auto& c : cases) {
        const auto warnings = cli::SetUpExtractProject(m_data, Parse(c.args), {"/v/clip.mov", "", ""}, c.present);
        EXPECT_EQ(m_data.use_cuda, c.useCuda);
        EXPECT_EQ(warnings.size(), c.warnings);
    }
}

TEST_F(CliProjectTest, FastScanIsAnExtractFlagThatTheProjectDataTakes) {
    EXPECT_FALSE(Parse({}).fastScan);
    EXPECT_TRUE(Parse({"--fast-scan"}).fastScan);
    EXPECT_TRUE(Parse({"--no-cut", "--fast-scan", "--merge"}).fastScan);

    const struct {
        std::vector<std::string> args;
        std::string error;
    } wrong[] = {
        {{"extract", "a.mp4", "--fast-scan", "--fast-scan"}, "--fast-scan given twice"},
        {{"extract", "a.mp4", "--fast-scan=false"}, "--fast-scan"},
        {{"segments", "p.kpproj", "--fast-scan"}, "unknown option '--fast-scan' for segments"},
        {{"retune", "p.kpproj", "--fast-scan"}, "--fast-scan"},
    };
    for (const auto& c : wrong) {
        const auto r = ParseArguments(c.args);
        EXPECT_FALSE(r.ok) << c.args[0];
        EXPECT_NE(r.error.find(c.error), std::string::npos) << r.error;
    }
    const auto help = ParseArguments({"extract", "--help"});
    EXPECT_NE(help.usage.find("--fast-scan"), std::string::npos) << help.usage;
    EXPECT_NE(cli::UsageText().find("--fast-scan"), std::string::npos);

    // The CLI keeps no program settings: a run without the flag scans exactly, whatever the data held.
    m_data.fast_scan = true;
    cli::SetUpExtractProject(m_data, Parse({}), {"/v/clip.mov", "", ""}, false);
    EXPECT_FALSE(m_data.fast_scan);
    cli::SetUpExtractProject(m_data, Parse({"--fast-scan"}), {"/v/clip.mov", "", ""}, false);
    EXPECT_TRUE(m_data.fast_scan);
}

TEST(CliTextTest, ProgressMovesForwardInWholePercents) {
    cli::ProgressMeter meter;
    const struct {
        long long total, current;
        bool due;
        int percent;
    } steps[] = {
        {0, 0, false, -1},                         // no total: nothing to show
        {-1, 5, false, -1},                        //
        {300, 1, true, 0},                         // the first report always shows
        {300, 2, false, 0},                        // same whole percent
        {300, 3, true, 1},                         //
        {300, 2, false, 1},                        // never backwards
        {300, 150, true, 50},                      //
        {300, 900, true, 100},                     // capped at the total
        {300, 300, false, 100}, {50, 1, true, 2},  // a new total is a new run
    };
    for (const auto& s : steps) {
        EXPECT_EQ(meter.Update(s.total, s.current), s.due) << s.total << "/" << s.current;
        EXPECT_EQ(meter.Percent(), s.percent) << s.total << "/" << s.current;
    }
    EXPECT_EQ(cli::FormatProgress("Scene Extract", meter, false), "Scene Extract   2% (1/50)");

    meter.Reset();
    meter.Update(200, 100);
    EXPECT_EQ(cli::FormatProgress("X", meter, true), "X [###############---------------]  50% (100/200)");
    meter.Update(200, 200);
    EXPECT_EQ(cli::FormatProgress("X", meter, true), "X [##############################] 100% (200/200)");
}

TEST(CliTextTest, CorrectionAndJoinTablesShowWhatWasMeasuredAndJoined) {
    CTarneloData data;
    data.ResetAll(false);
    data.brightness.SetValueClamped(0.46);
    data.gamma.SetValueClamped(2.0);
    data.chroma_offset_u = -0.001;  // no "-0.00"
    data.chroma_offset_v = 12.345;
    EXPECT_EQ(cli::FormatCorrection(data),
              "brightness       0.46\n"
              "contrast         1.00\n"
              "saturation       1.00\n"
              "gamma            2.00\n"
              "chroma_offset_u  0.00\n"
              "chroma_offset_v  12.35\n");

    SceneEntry analysed;
    analysed.m_created = true;
    analysed.m_sourcePath = "/v/a.avi";  // the video as given, not its working copy
    analysed.m_fileToUse = "/o/a_input_ch.mp4";
    analysed.m_segmentInfo.width = 640;
    analysed.m_segmentInfo.height = 360;
    analysed.m_segmentInfo.r_frame_rate = "25/1";
    analysed.m_segmentInfo.frame_num = 50;
    analysed.m_segmentInfo.has_audio = true;
    analysed.m_convertedInfo.frame_num = 30;
    SceneEntry unread;
    unread.m_created = false;
    unread.m_fileToUse = "/v/sound.m4a";
    data.diff_list.Assign({analysed, unread}, -1);
    EXPECT_EQ(cli::FormatJoinTable(data),
              "   #  used  size       rate          frames  audio  converted  file\n"
              "   1  yes   640x360    25/1              50  yes           30  /v/a.avi\n"
              "   2  no    -          -                  -  -              -  /v/sound.m4a\n");
}

TEST(CliTextTest, SceneTableShowsFramesTimesAndFiles) {
    CTarneloData data;
    data.ResetAll(false);
    data.m_sourceInfo.fps = 30;
    data.m_currentInfo.fps = 25;  // the table follows the source, whatever was probed last
    data.diff_list.Append(SceneEntry(60, 151, "/o/clip_seg_60_151.mp4"));
    data.diff_list.Append(SceneEntry(1800, 2099, "/o/clip_seg_1800_2099.mp4"));
    data.diff_list.Update(data.diff_list.Size() - 1, [&](SceneEntry& s) { s.enable = false; });
    const std::string table = cli::FormatSceneTable(data);
    EXPECT_EQ(table,
              "   #  on      first      last  start        end          duration     file\n"
              "   1  on         60       151  00:00:02.00  00:00:05.06  00:00:03.06  clip_seg_60_151.mp4\n"
              "   2  off      1800      2099  00:01:00.00  00:01:10.00  00:00:10.00  clip_seg_1800_2099.mp4\n");

    data.diff_list.Clear();
    EXPECT_NE(cli::FormatSceneTable(data).find("(no scenes)"), std::string::npos);
}

}  // namespace
