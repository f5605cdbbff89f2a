#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>

#include "platform/Path.h"

namespace {

using namespace platform;

TEST(PathTest, NameParts) {
    const struct {
        const char* path;
        const char* fileName;
        const char* folder;
        const char* extension;
    } cases[] = {
        {"", "", "", ""},
        {"clip.mp4", "clip.mp4", "", ".mp4"},
        {"/home/me/clip.mp4", "clip.mp4", "/home/me/", ".mp4"},
        {"/home/me/", "", "/home/me/", ""},
        {"/", "", "/", ""},
        {"relative/dir/out", "out", "relative/dir/", ""},
        {"a.b/name", "name", "a.b/", ""},  // a dot in the folder is no extension
        {"a.b/name.tar.gz", "name.tar.gz", "a.b/", ".gz"},
        {"/x/.hidden", ".hidden", "/x/", ".hidden"},
        {"/x/trailing.", "trailing.", "/x/", "."},
        {"/動画/シーン 1.mkv", "シーン 1.mkv", "/動画/", ".mkv"},
        {"C:\\dir\\file.mp4", "C:\\dir\\file.mp4", "", ".mp4"},  // a backslash is an ordinary character here
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PathFileName(c.path), c.fileName) << c.path;
        EXPECT_EQ(PathFolder(c.path), c.folder) << c.path;
        EXPECT_EQ(PathExtension(c.path), c.extension) << c.path;
        EXPECT_EQ(PathFolder(c.path) + PathFileName(c.path), c.path) << c.path;
    }
    EXPECT_TRUE(HasTrailingSeparator("/a/"));
    EXPECT_FALSE(HasTrailingSeparator("/a"));
    EXPECT_FALSE(HasTrailingSeparator(""));
}

class PathFilesTest : public testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/tarnelo-path-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_root = std::string(pattern) + "/";
    }
    void TearDown() override {
        const std::string command = "rm -rf '" + m_root + "'";
        EXPECT_EQ(std::system(command.c_str()), 0);
    }
    std::string m_root;
};

TEST_F(PathFilesTest, ExistenceAndSize) {
    const std::string file = m_root + "file.bin";
    std::ofstream(file) << "12345";
    const std::string empty = m_root + "empty";
    std::ofstream{empty};
    const std::string link = m_root + "link";
    ASSERT_EQ(symlink(file.c_str(), link.c_str()), 0);
    const std::string dangling = m_root + "dangling";
    ASSERT_EQ(symlink((m_root + "missing").c_str(), dangling.c_str()), 0);

    const struct {
        std::string path;
        bool file;
        bool folder;
        std::int64_t size;
    } cases[] = {
        {file, true, false, 5},
        {empty, true, false, 0},
        {link, true, false, 5},
        {dangling, false, false, -1},
        {m_root + "missing", false, false, -1},
        {m_root, false, true, -1},
        {m_root.substr(0, m_root.size() - 1), false, true, -1},
        {"", false, false, -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FileExists(c.path), c.file) << c.path;
        EXPECT_EQ(FolderExists(c.path), c.folder) << c.path;
        EXPECT_EQ(FileSize(c.path), c.size) << c.path;
    }
}

TEST_F(PathFilesTest, MakeFolders) {
    EXPECT_TRUE(MakeFolders(m_root + "a/b/c"));
    EXPECT_TRUE(FolderExists(m_root + "a/b/c"));
    EXPECT_TRUE(MakeFolders(m_root + "a/b/c"));  // already there
    EXPECT_TRUE(MakeFolders(m_root + "a/x//y/"));
    EXPECT_TRUE(FolderExists(m_root + "a/x/y"));
    EXPECT_TRUE(MakeFolders(m_root + "出力/シーン"));

    std::ofstream(m_root + "plain") << "x";
    EXPECT_FALSE(MakeFolders(m_root + "plain"));  // a file is in the way
    EXPECT_FALSE(MakeFolders(m_root + "plain/below"));
    EXPECT_FALSE(MakeFolders(""));
}

// Sets or clears an environment variable for one scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : m_name(name) {
        if (const char* old = std::getenv(name)) m_old = old;
        if (value) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    }
    ~ScopedEnv() {
        if (m_old) {
            setenv(m_name, m_old->c_str(), 1);
        } else {
            unsetenv(m_name);
        }
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

TEST_F(PathFilesTest, WellKnownFolders) {
    {
        ScopedEnv tmp("TMPDIR", m_root.substr(0, m_root.size() - 1).c_str());
        EXPECT_EQ(TempFolder(), m_root);
    }
    {
        ScopedEnv tmp("TMPDIR", (m_root + "missing").c_str());
        EXPECT_EQ(TempFolder(), "/tmp/");
    }
    {
        ScopedEnv tmp("TMPDIR", nullptr);
        EXPECT_EQ(TempFolder(), "/tmp/");
    }
    {
        ScopedEnv home("HOME", "/home/someone");
        EXPECT_EQ(HomeFolder(), "/home/someone/");
    }
    {
        ScopedEnv home("HOME", nullptr);
        EXPECT_EQ(HomeFolder().front(), '/');
        EXPECT_TRUE(HasTrailingSeparator(HomeFolder()));
    }

    char saved[4096];
    ASSERT_NE(getcwd(saved, sizeof saved), nullptr);
    ASSERT_EQ(chdir(m_root.c_str()), 0);
    char real[4096];
    ASSERT_NE(getcwd(real, sizeof real), nullptr);
    EXPECT_EQ(CurrentFolder(), std::string(real) + "/");
    EXPECT_EQ(MakeAbsolute("clip.mp4"), std::string(real) + "/clip.mp4");
    EXPECT_EQ(MakeAbsolute("/abs/clip.mp4"), "/abs/clip.mp4");
    EXPECT_EQ(MakeAbsolute(""), std::string(real) + "/");
    ASSERT_EQ(chdir(saved), 0);
}
}  // namespace
