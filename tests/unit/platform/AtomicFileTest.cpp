#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/AtomicFile.h"
#include "support/TempFolderTest.h"

namespace fs = std::filesystem;

namespace {

std::string ReadBytes(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

class AtomicFileTest : public testsupport::TempFolderTest {
protected:
    // Names in the folder, so a test sees any temporary file left behind.
    long EntryCount() const { return std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()); }
};

TEST_F(AtomicFileTest, WritesNewAndReplacesOldContent) {
    const std::string path = PathOf("p.kpproj");
    const std::string texts[] = {"first\n", std::string(100000, 'x'), "short", "", std::string("a\0b", 3)};
    for (const std::string& text : texts) {
        ASSERT_TRUE(platform::WriteFileAtomically(path, text)) << text.size();
        EXPECT_EQ(ReadBytes(path), text) << text.size();
        EXPECT_EQ(EntryCount(), 1) << text.size();
    }
}

TEST_F(AtomicFileTest, FailureKeepsTheOldFileAndLeavesNoTemporary) {
    const std::string path = PathOf("p.kpproj");
    const std::string old(2048, 'o');
    ASSERT_TRUE(platform::WriteFileAtomically(path, old));
    fs::create_directory(m_dir / "folder");

    EXPECT_FALSE(platform::WriteFileAtomically(PathOf("missing/p.kpproj"), "new"));
    EXPECT_FALSE(platform::WriteFileAtomically(PathOf("folder"), "new"));  // a folder is not replaced
    EXPECT_FALSE(platform::WriteFileAtomically("", "new"));
    EXPECT_TRUE(fs::is_directory(m_dir / "folder"));

    // A write that fails midway (a full disk; here a file-size limit) after the temporary file exists.
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit limited = saved;
    limited.rlim_cur = 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    const bool written = platform::WriteFileAtomically(path, std::string(4096, 'n'));
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(written);
    EXPECT_EQ(ReadBytes(path), old);
    EXPECT_EQ(EntryCount(), 2);  // the file and the folder, nothing else
}

}  // namespace
