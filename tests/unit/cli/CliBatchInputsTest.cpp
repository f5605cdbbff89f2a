// The videos an extract batch takes from the files and folders given, and how a file is told for a video.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "cli/CliBatchInputs.h"
#include "support/TempFolderTest.h"

namespace {

namespace fs = std::filesystem;
using cli::BatchInputs;
using cli::CollectBatchInputs;

class CliBatchInputsTest : public testsupport::TempFolderTest {
protected:
    void Write(const std::string& name, const std::string& text = "data") {
        fs::create_directories(fs::path(PathOf(name)).parent_path());
        std::ofstream(PathOf(name), std::ios::binary) << text;
    }

    static std::vector<std::string> Shown(const BatchInputs& inputs) {
        std::vector<std::string> shown;
        for (const cli::BatchInput& input : inputs.videos) shown.push_back(input.shown);
        return shown;
    }
};

TEST_F(CliBatchInputsTest, AFolderGivesItsVideosInNameOrderAndCountsTheRest) {
    for (const char* name :
         {"cam/b.MP4", "cam/a.mts", "cam/c.mov", "cam/notes.txt", "cam/still.JPG", "cam/x.jpg", "cam/README",
          "cam/a.mts.kpproj", "cam/a.mts.kpmotion", "cam/.hidden.mp4", "cam/._b.MP4", "cam/sub/d.mp4", "cam/sub/e.txt",
          "cam/a.mts_out/a_seg_0_9.mp4", "cam/.Trash/f.mp4", "cam/lone_out/g.mp4",
          "cam/gone.mp4_out/gone_seg_10_99.mp4", "cam/gone.mp4_out/gone_trim.mp4"}) {
        Write(name);
    }
    const std::string cam = PathOf("cam");

    const BatchInputs flat = CollectBatchInputs({cam}, false);
    EXPECT_EQ(Shown(flat), (std::vector<std::string>{cam + "/a.mts", cam + "/b.MP4", cam + "/c.mov"}));
    EXPECT_EQ(flat.leftOut, (std::map<std::string, int>{{"", 1}, {".jpg", 2}, {".txt", 1}}));
    EXPECT_EQ(cli::LeftOutText(flat.leftOut), "1 without extension, 2 .jpg, 1 .txt");
    for (const cli::BatchInput& input : flat.videos) {
        EXPECT_TRUE(input.fromFolder);
        EXPECT_EQ(input.bytes, 4);
        EXPECT_TRUE(fs::path(input.path).is_absolute());
    }

    // Subfolders too, but not hidden ones nor the output folders of extractions (also one whose video is gone);
    // a folder named like one, without its video and the files an extraction makes, is an ordinary folder.
    const BatchInputs deep = CollectBatchInputs({cam + "/"}, true);
    EXPECT_EQ(Shown(deep), (std::vector<std::string>{cam + "/a.mts", cam + "/b.MP4", cam + "/c.mov",
                                                     cam + "/lone_out/g.mp4", cam + "/sub/d.mp4"}));
    EXPECT_EQ(deep.leftOut.at(".txt"), 2);
}

TEST_F(CliBatchInputsTest, FilesGivenAreTakenAsTheyAreAndOnce) {
    Write("cam/a.mp4");
    Write("cam/b.mp4");
    Write("notes.txt");
    const std::string cam = PathOf("cam");
    const BatchInputs inputs =
        CollectBatchInputs({PathOf("notes.txt"), cam + "/b.mp4", cam, PathOf("missing.mp4"), cam + "/./a.mp4"}, false);
    EXPECT_EQ(Shown(inputs),
              (std::vector<std::string>{PathOf("notes.txt"), cam + "/b.mp4", cam + "/a.mp4", PathOf("missing.mp4")}));
    EXPECT_FALSE(inputs.videos[0].fromFolder);
    EXPECT_FALSE(inputs.videos[1].fromFolder);
    EXPECT_TRUE(inputs.videos[2].fromFolder);
    EXPECT_FALSE(inputs.videos[3].fromFolder);
    EXPECT_TRUE(inputs.leftOut.empty());
}

TEST(CliBatchInputs, VideoExtensionsAnyCase) {
    for (const char* name : {"a.mp4", "B.MP4", "c.Mts", "d.m2ts", "e.webm", "f.3gp", "g.mkv", "h.avi", "i.wmv"}) {
        EXPECT_TRUE(cli::HasVideoExtension(name)) << name;
    }
    for (const char* name : {"a.jpg", "b.thm", "c.mp4.kpproj", "mp4", "d.", "e.mp3", "f.m4a"}) {
        EXPECT_FALSE(cli::HasVideoExtension(name)) << name;
    }
}

TEST(CliBatchInputs, AFileStartsLikeAVideoByItsContainersMark) {
    using namespace std::string_literals;
    const std::string ts = "\x47"s + std::string(187, '\xff') + "\x47"s + std::string(20, '\0');
    const std::string m2ts = "\0\0\0\0\x47"s + std::string(191, '\xff') + "\x47"s;
    const struct {
        std::string head;
        bool video;
    } cases[] = {
        {"\0\0\0 ftypisom"s, true},
        {"\0\0\0\x08wide\0\0\0\0mdat"s, true},
        {"\0\0\0\x10moov"s, true},
        {"\x1A\x45\xDF\xA3\x01"s, true},
        {"RIFF\0\0\0\0AVI LIST"s, true},
        {"RIFF\0\0\0\0CDXAfmt "s, true},
        {"RIFF\0\0\0\0WAVEfmt "s, false},
        {"\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9"s, true},
        {"FLV\x01\x05"s, true},
        {"OggS\0\x02"s, true},
        {"\0\0\x01\xBA\x44"s, true},
        {"\0\0\x01\xB3\x14"s, true},
        {ts, true},
        {m2ts, true},
        {"\x47 is only one sync byte"s, false},
        {"this is not a video\n"s, false},
        {"\xFF\xD8\xFF\xE0\0\x10JFIF"s, false},
        {"ID3\x03"s, false},
        {""s, false},
        {"\0\0\0"s, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(cli::StartsLikeVideo(c.head), c.video) << testing::PrintToString(c.head.substr(0, 16));
    }
}

TEST_F(CliBatchInputsTest, ReadsTheHeadOfAFile) {
    Write("short", "abc");
    EXPECT_EQ(cli::ReadFileHead(PathOf("short"), 512), "abc");
    EXPECT_EQ(cli::ReadFileHead(PathOf("short"), 2), "ab");
    EXPECT_EQ(cli::ReadFileHead(PathOf("missing"), 8), "");
}

}  // namespace
