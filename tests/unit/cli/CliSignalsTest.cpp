#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "cli/CliRunner.h"
#include "cli/CliSignals.h"
#include "project/ProjectSession.h"
#include "project/TarneloData.h"
#include "support/TempFolderTest.h"

namespace {

std::string ReadBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

class CliSignalsTest : public testsupport::TempFolderTest {};

// Under a file-size limit (ulimit -f) a save that grows past it must fail like one on a full disk, with the
// old project kept, instead of the kernel's SIGXFSZ ending the program without a word. Run in a child,
// which the signal would kill.
TEST_F(CliSignalsTest, SaveBeyondTheFileSizeLimitFailsInsteadOfKillingTheProgram) {
    const std::string path = PathOf("p.kpproj");
    CTarneloData data;
    data.ResetAll(false);
    data.input_file = "/videos/clip.mp4";
    ASSERT_TRUE(ProjectSession(data).SaveAs(path));
    const std::string old = ReadBytes(path);
    for (int i = 0; i < 200; ++i) data.diff_list.Append(SceneEntry(i * 10, i * 10 + 5, "/videos/out/segment.mp4"));

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (!cli::InstallStopSignals()) _exit(3);
        rlimit limit{};
        getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = old.size() + 512;
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(4);
        if (ProjectSession(data).SaveAs(path)) _exit(1);
        // The message says why, in the system's words.
        data.project_file = path;
        const std::string message = cli::SaveProjectFile(data);
        _exit(message.find(std::strerror(EFBIG)) != std::string::npos ? 0 : 5);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_FALSE(WIFSIGNALED(status)) << "killed by signal " << WTERMSIG(status);
    EXPECT_NE(WEXITSTATUS(status), 1) << "the save past the limit did not fail";
    EXPECT_NE(WEXITSTATUS(status), 5) << "the message does not give the reason";
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(ReadBytes(path), old);
}

}  // namespace
