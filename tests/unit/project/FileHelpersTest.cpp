#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "project/FileHelpers.h"
#include "support/TempFolderTest.h"

namespace fs = std::filesystem;

namespace {

class FileHelpersTest : public testsupport::TempFolderTest {
protected:
    static void Touch(const fs::path& path, const std::string& content = "x") {
        fs::create_directories(path.parent_path());
        std::ofstream(path) << content;
    }

    std::set<std::string> Names(const fs::path& folder) const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder)) {
            names.insert(entry.path().filename().string());
        }
        return names;
    }
};

TEST(FileHelpersPureTest, ReplaceExtension) {
    struct Case {
        const char* path;
        const char* ending;
        const char* result;
    };
    const Case cases[] = {
        {"/v/movie.mp4", "_pts.csv", "/v/movie_pts.csv"},
        {"/a.b/movie", "_pts.csv", "/a_pts.csv"},  // the last "." anywhere counts, even in a folder name
        {"/v/movie", ".mp4", "/v/movie"},          // no "." at all: unchanged
        {"/v/clip.tar.gz", "", "/v/clip.tar"},
        {"clip.MOV", ".mp4", "clip.mp4"},
        {".hidden", ".x", ".x"},
        {"", ".mp4", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ReplaceExtension(c.path, c.ending), c.result) << c.path;
    }
}

TEST(FileHelpersPureTest, IsMp4File) {
    struct Case {
        const char* path;
        bool mp4;
    };
    const Case cases[] = {
        {"/v/a.mp4", true}, {"/v/a.MP4", true},   {"/v/a.Mp4", true},  {"/v/a.mp4.mov", false},
        {"/v/a.mp", false}, {"/v/amp4", false},   {"/v.mp4/a", false}, {"", false},
        {".mp4", true},     {"/v/a.mp4 ", false}, {"/v/a.m4v", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsMp4File(c.path), c.mp4) << c.path;
    }
}

TEST(FileHelpersPureTest, SeparatorAndPathParts) {
    EXPECT_EQ(kPathSep, '/');
    EXPECT_EQ(SetTrailingSeparator("/out", true), "/out/");
    EXPECT_EQ(SetTrailingSeparator("/out/", true), "/out/");
    EXPECT_EQ(SetTrailingSeparator("", true), "/");
    EXPECT_EQ(SetTrailingSeparator("/out/", false), "/out");
    EXPECT_EQ(SetTrailingSeparator("/out//", false), "/out/");  // one separator only
    EXPECT_EQ(SetTrailingSeparator("/out", false), "/out");
    EXPECT_EQ(SetTrailingSeparator("", false), "");

    EXPECT_EQ(FileNamePart("/a/b/c.kpproj"), "c.kpproj");
    EXPECT_EQ(FileNamePart("c.kpproj"), "c.kpproj");
    EXPECT_EQ(FileNamePart("/a/"), "");
    EXPECT_EQ(FolderPart("/a/b/c.kpproj"), "/a/b/");
    EXPECT_EQ(FolderPart("c.kpproj"), "");
}

TEST(FileHelpersPureTest, WorkerCount) {
    struct Case {
        unsigned threads;
        int workers;
    };
    const Case cases[] = {{0, 2}, {1, 2}, {4, 2}, {5, 4}, {8, 4}, {9, 6}, {12, 6}, {64, 6}};
    for (const Case& c : cases) {
        EXPECT_EQ(WorkerCountFor(c.threads, false), c.workers) << c.threads;
        EXPECT_EQ(WorkerCountFor(c.threads, true), 4) << c.threads;
    }
    EXPECT_EQ(GetWorkerCount(true), 4);
    const int n = GetWorkerCount(false);
    EXPECT_TRUE(n == 2 || n == 4 || n == 6) << n;
}

TEST_F(FileHelpersTest, DeleteFilesMatchesWildcardsOnly) {
    for (const char* name : {"_merged1.mp4", "_merged22.mp4", "_merged.mp4", "keep.mp4", "_merged1.mp4.bak",
                             "_frame_001.jpg", "_frame_01.jpg", "a[1].txt", "ab1.txt"}) {
        Touch(m_dir / name);
    }
    fs::create_directory(m_dir / "_mergedDir.mp4");

    DeleteFiles((m_dir / "_merged*.mp4").string());
    DeleteFiles((m_dir / "_frame_???.jpg").string());
    DeleteFiles((m_dir / "a[1].txt").string());  // brackets are ordinary characters
    EXPECT_EQ(Names(m_dir),
              (std::set<std::string>{"keep.mp4", "_merged1.mp4.bak", "_frame_01.jpg", "ab1.txt", "_mergedDir.mp4"}));

    // A pattern in a missing folder, or one naming nothing, is harmless.
    DeleteFiles((m_dir / "missing" / "*").string());
    DeleteFiles((m_dir / "").string());
    EXPECT_EQ(Names(m_dir).size(), 5u);
}

TEST_F(FileHelpersTest, DeleteFilesRemovesLinksNotTargets) {
    const fs::path outside = m_dir / "outside";
    Touch(outside / "precious.mp4", "keep me");
    fs::create_directory(m_dir / "work");
    fs::create_symlink(outside / "precious.mp4", m_dir / "work" / "link.mp4");
    fs::create_directory_symlink(outside, m_dir / "work" / "dirlink.mp4");

    DeleteFiles((m_dir / "work" / "*.mp4").string());

    EXPECT_TRUE(Names(m_dir / "work").empty());
    EXPECT_TRUE(fs::exists(outside / "precious.mp4"));
    EXPECT_EQ(Names(outside), std::set<std::string>{"precious.mp4"});
}

TEST_F(FileHelpersTest, DeleteFolderRemovesTree) {
    const fs::path folder = m_dir / "tree";
    Touch(folder / "a.mp4");
    Touch(folder / ".hidden");
    Touch(folder / "sub" / "b.mp4");
    Touch(folder / "sub" / "deeper" / "c.txt");
    fs::create_directory(folder / "empty");

    EXPECT_TRUE(DeleteFolder(folder.string()));
    EXPECT_FALSE(fs::exists(folder));
    EXPECT_TRUE(fs::exists(m_dir));
}

TEST_F(FileHelpersTest, DeleteFolderOfMissingFolderIsTrue) {
    EXPECT_TRUE(DeleteFolder((m_dir / "never-made").string()));
    EXPECT_TRUE(DeleteFolder((m_dir / "never-made" / "below").string()));
}

TEST_F(FileHelpersTest, DeleteFolderNeverFollowsLinks) {
    const fs::path outside = m_dir / "outside";
    Touch(outside / "precious.mp4", "keep me");
    Touch(outside / "sub" / "precious2.mp4");
    const fs::path folder = m_dir / "tree";
    Touch(folder / "own.mp4");
    fs::create_directory_symlink(outside, folder / "dirlink");
    fs::create_symlink(outside / "precious.mp4", folder / "filelink.mp4");
    fs::create_directory(folder / "sub");
    fs::create_directory_symlink(outside / "sub", folder / "sub" / "nested");
    fs::create_symlink(m_dir / "dangling-target", folder / "dangling");

    EXPECT_TRUE(DeleteFolder(folder.string()));
    EXPECT_FALSE(fs::exists(fs::symlink_status(folder)));
    EXPECT_TRUE(fs::exists(outside / "precious.mp4"));
    EXPECT_TRUE(fs::exists(outside / "sub" / "precious2.mp4"));

    // A link given as the folder itself goes; its target stays, with or without a trailing separator.
    for (const std::string suffix : {"", "/"}) {
        const fs::path link = m_dir / "link-to-outside";
        fs::create_directory_symlink(outside, link);
        EXPECT_TRUE(DeleteFolder(link.string() + suffix)) << suffix;
        EXPECT_FALSE(fs::exists(fs::symlink_status(link))) << suffix;
        EXPECT_EQ(Names(outside), (std::set<std::string>{"precious.mp4", "sub"})) << suffix;
    }
}

TEST_F(FileHelpersTest, DeleteFolderRefusesRootHomeAndEmpty) {
    // The root is only asked about, never handed to DeleteFolder: a fault there must not cost the machine.
    for (const std::string path : {"/", "//", "/.", "/tmp/..", "", "/usr/.."}) {
        EXPECT_TRUE(IsDeletionRefused(path)) << path;
    }
    EXPECT_FALSE(DeleteFolder(""));
    EXPECT_FALSE(IsDeletionRefused((m_dir / "missing").string()));
    EXPECT_FALSE(IsDeletionRefused(m_dir.string()));

    // A stand-in home folder: refused directly, with a trailing separator, through "..", through a link,
    // and its ancestors too; nothing inside is touched.
    const char* previous = std::getenv("HOME");
    const std::string savedHome = previous != nullptr ? previous : "";
    const fs::path home = m_dir / "parent" / "home";
    Touch(home / "notes.txt");
    fs::create_directory(home / "sub");
    fs::create_directory_symlink(home, m_dir / "homelink");
    setenv("HOME", home.c_str(), 1);
    for (const fs::path& path :
         {home, fs::path(home.string() + "/"), home / "sub" / "..", m_dir / "homelink", m_dir / "parent", m_dir}) {
        EXPECT_TRUE(IsDeletionRefused(path.string())) << path;
        EXPECT_FALSE(DeleteFolder(path.string())) << path;
    }
    EXPECT_TRUE(fs::exists(home / "notes.txt"));
    EXPECT_TRUE(fs::exists(fs::symlink_status(m_dir / "homelink")));

    Touch(home / "cache" / "x.tmp");
    EXPECT_TRUE(DeleteFolder((home / "cache").string()));  // below the home folder is fine
    EXPECT_FALSE(fs::exists(home / "cache"));
    if (previous != nullptr) {
        setenv("HOME", savedHome.c_str(), 1);
    } else {
        unsetenv("HOME");
    }
}

TEST_F(FileHelpersTest, DeleteFolderOfPlainFileFails) {
    Touch(m_dir / "file.txt");
    EXPECT_FALSE(DeleteFolder((m_dir / "file.txt").string()));
    EXPECT_TRUE(fs::exists(m_dir / "file.txt"));
}

}  // namespace
