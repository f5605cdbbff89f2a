#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
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

TEST_F(AtomicFileTest, ANameOfTheLongestLengthIsWrittenThroughAShorterTemporary) {
    // 255 bytes with a character of three bytes across the place where the temporary's name is cut.
    std::string name = std::string(226, 'n') + "\xE5\xA0\xB4";
    name += std::string(255 - name.size(), 'z');
    ASSERT_EQ(name.size(), 255u);
    const std::string path = PathOf(name);
    for (const char* text : {"one", "two"}) {
        ASSERT_TRUE(platform::WriteFileAtomically(path, text));
        EXPECT_EQ(ReadBytes(path), text);
        EXPECT_EQ(EntryCount(), 1);
    }
}

TEST_F(AtomicFileTest, FailureKeepsTheOldFileAndLeavesNoTemporary) {
    const std::string path = PathOf("p.kpproj");
    const std::string old(2048, 'o');
    ASSERT_TRUE(platform::WriteFileAtomically(path, old));
    fs::create_directory(m_dir / "folder");

    // errno tells why, for the message that reports it.
    errno = 0;
    EXPECT_FALSE(platform::WriteFileAtomically(PathOf("missing/p.kpproj"), "new"));
    EXPECT_EQ(errno, ENOENT);
    EXPECT_FALSE(platform::WriteFileAtomically(PathOf("folder"), "new"));  // a folder is not replaced
    EXPECT_EQ(errno, EISDIR);
    errno = 0;
    EXPECT_FALSE(platform::WriteFileAtomically("", "new"));
    EXPECT_EQ(errno, ENOENT);
    EXPECT_TRUE(fs::is_directory(m_dir / "folder"));

    // A write that fails midway (a full disk; here a file-size limit) after the temporary file exists.
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit limited = saved;
    limited.rlim_cur = 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    errno = 0;
    const bool written = platform::WriteFileAtomically(path, std::string(4096, 'n'));
    const int error = errno;
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(written);
    EXPECT_EQ(error, EFBIG);  // kept past the removal of the temporary
    EXPECT_EQ(ReadBytes(path), old);
    EXPECT_EQ(EntryCount(), 2);  // the file and the folder, nothing else
}

// A writer killed inside its write leaves its temporary file (".NAME.PID.N.tmp"); the next write clears the
// ones of processes that are gone and nothing else.
TEST_F(AtomicFileTest, NextWriteRemovesTheTemporariesOfKilledWriters) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) _exit(0);
    ASSERT_EQ(waitpid(child, nullptr, 0), child);
    const std::string dead = std::to_string(child);
    const std::string living = std::to_string(getppid());
    const std::string kept[] = {".p.kpproj." + living + ".0.tmp", ".q.kpproj." + dead + ".0.tmp", ".p.kpproj.notes.tmp",
                                ".p.kpproj." + dead + ".x.tmp", "p.kpproj." + dead + ".0.tmp"};
    for (const std::string& name : kept) std::ofstream(m_dir / name) << "keep";
    std::ofstream(m_dir / (".p.kpproj." + dead + ".3.tmp")) << "half written";
    std::ofstream(m_dir / (".p.kpproj." + dead + ".12.tmp")) << "half written";

    ASSERT_TRUE(platform::WriteFileAtomically(PathOf("p.kpproj"), "new"));
    EXPECT_EQ(ReadBytes(m_dir / "p.kpproj"), "new");
    EXPECT_FALSE(fs::exists(m_dir / (".p.kpproj." + dead + ".3.tmp")));
    EXPECT_FALSE(fs::exists(m_dir / (".p.kpproj." + dead + ".12.tmp")));
    for (const std::string& name : kept) EXPECT_TRUE(fs::exists(m_dir / name)) << name;
    EXPECT_EQ(EntryCount(), 6);
}

}  // namespace
