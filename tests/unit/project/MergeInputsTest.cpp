// The names that the videos of a join must not share: what the merge tab and tarnelo-cli join both refuse.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "project/MergeInputs.h"

namespace {

namespace fs = std::filesystem;

struct Video {
    std::string input;
    std::string converted;
};

std::vector<SceneEntry> List(const std::vector<Video>& videos) {
    std::vector<SceneEntry> list;
    for (const Video& v : videos) {
        SceneEntry entry;
        entry.m_fileToUse = v.input;
        entry.fileName = v.converted;
        list.push_back(entry);
    }
    return list;
}

TEST(MergeInputsTest, FindsTheFirstClashOfAList) {
    const std::string conv = "/o/conv_out/";
    const Video a{"/v/a.mp4", conv + "a_seg_1920x1080_59.94.mp4"};
    const Video aAvi{"/v/a.avi", conv + "a_seg_1920x1080_59.94.mp4"};
    const Video aOther{"/w/a.mp4", conv + "a_seg_1920x1080_59.94.mp4"};
    const Video b{"/v/b.mp4", conv + "b_seg_1920x1080_59.94.mp4"};
    // A video that is itself the converted file of a.
    const Video seg{conv + "a_seg_1920x1080_59.94.mp4", conv + "a_seg_1920x1080_59.94_seg_1920x1080_59.94.mp4"};
    struct Case {
        const char* name;
        std::vector<Video> videos;
        std::string output;
        MergeClash::Kind kind;
        std::string input, other, file;
    };
    const Case cases[] = {
        {"distinct videos", {a, b}, "/o/j.mp4", MergeClash::kNone, "", "", ""},
        {"the same video twice is one conversion", {a, b, a}, "/o/j.mp4", MergeClash::kNone, "", "", ""},
        {"empty list", {}, "/o/j.mp4", MergeClash::kNone, "", "", ""},
        {"an input is the output", {a, b}, "/v/b.mp4", MergeClash::kInputIsOutput, b.input, "", "/v/b.mp4"},
        {"the output is a converted file",
         {a, b},
         b.converted,
         MergeClash::kOutputIsConverted,
         b.input,
         "",
         b.converted},
        {"two extensions of one name",
         {a, b, aAvi},
         "/o/j.mp4",
         MergeClash::kSameConverted,
         a.input,
         aAvi.input,
         a.converted},
        {"one name in two folders",
         {aOther, a},
         "/o/j.mp4",
         MergeClash::kSameConverted,
         aOther.input,
         a.input,
         a.converted},
        {"an input is a converted file",
         {seg, a},
         "/o/j.mp4",
         MergeClash::kInputIsConverted,
         seg.input,
         a.input,
         a.converted},
        // Without an output only the videos are compared with one another.
        {"no output: the input named like it is fine", {a, b}, "", MergeClash::kNone, "", "", ""},
        {"no output: a clash of names still counts",
         {a, aAvi},
         "",
         MergeClash::kSameConverted,
         a.input,
         aAvi.input,
         a.converted},
    };
    for (const Case& c : cases) {
        const MergeClash clash = FindMergeClash(List(c.videos), c.output);
        EXPECT_EQ(clash.kind, c.kind) << c.name;
        EXPECT_EQ(static_cast<bool>(clash), c.kind != MergeClash::kNone) << c.name;
        EXPECT_EQ(clash.input, c.input) << c.name;
        EXPECT_EQ(clash.other, c.other) << c.name;
        EXPECT_EQ(clash.file, c.file) << c.name;
    }
}

TEST(MergeInputsTest, AddingAVideoIsCheckedAgainstTheListAndTheOutput) {
    const std::vector<SceneEntry> list = List({{"/v/a.mp4", "/c/a_seg_x.mp4"}, {"/v/b.mp4", "/c/b_seg_x.mp4"}});
    EXPECT_FALSE(FindAddClash(list, "/v/c.mp4", "/c/c_seg_x.mp4", "/c/j.mp4"));
    EXPECT_FALSE(FindAddClash(list, "/v/a.mp4", "/c/a_seg_x.mp4", "/c/j.mp4"));
    EXPECT_FALSE(FindAddClash({}, "/v/a.mp4", "/c/a_seg_x.mp4", "/c/j.mp4"));

    const MergeClash twin = FindAddClash(list, "/v/a.mov", "/c/a_seg_x.mp4", "/c/j.mp4");
    EXPECT_EQ(twin.kind, MergeClash::kSameConverted);
    EXPECT_EQ(twin.input, "/v/a.mp4");
    EXPECT_EQ(twin.other, "/v/a.mov");
    EXPECT_EQ(FindAddClash(list, "/c/b_seg_x.mp4", "/c/b_seg_x_seg_x.mp4", "").kind, MergeClash::kInputIsConverted);
    EXPECT_EQ(FindAddClash(list, "/c/j.mp4", "/c/j_seg_x.mp4", "/c/j.mp4").kind, MergeClash::kInputIsOutput);
}

// One folder reached through a link: the two names are one video, converted once; a link named like a
// converted file is still that file.
TEST(MergeInputsTest, NamesOfOneFileThroughALinkAreOneVideo) {
    const fs::path root = fs::temp_directory_path() / ("merge-inputs-" + std::to_string(::getpid()));
    fs::remove_all(root);
    fs::create_directories(root / "real");
    fs::create_directory_symlink(root / "real", root / "link");
    std::ofstream(root / "real" / "a.mp4") << "x";
    const std::string real = (root / "real" / "a.mp4").string();
    const std::string viaLink = (root / "link" / "a.mp4").string();
    const std::string converted = (root / "conv_out" / "a_seg_x.mp4").string();

    EXPECT_FALSE(FindMergeClash(List({{real, converted}, {viaLink, converted}}), ""));
    EXPECT_EQ(FindMergeClash(List({{real, converted}}), viaLink).kind, MergeClash::kInputIsOutput);
    fs::remove_all(root);
}

}  // namespace
