#pragma once
// A clip with three stretches of motion and enough stillness between them to make three scenes, extracted by
// tarnelo-cli without cutting, for the tests of the commands that read a saved project.

#include <gtest/gtest.h>

#include <string>

#include "integration/ClipFactory.h"
#include "support/CliRun.h"

namespace clitest {

// folder/yard.mp4, extracted with its project beside it and its files in folder/out; the clip's path, or empty with
// *error saying why.
inline std::string ExtractedThreeScenes(const std::string& folder, std::string* error) {
    clips::ClipOptions o;
    o.frames = 200;
    o.motion = {{20, 50}, {90, 120}, {160, 190}};
    const std::string clip = clips::MakeClip(folder, "yard.mp4", o, error);
    if (clip.empty()) return clip;
    const RunResult r = RunCli({"extract", clip, "--no-cut", "--output-folder", folder + "/out"});
    if (r.status != 0) {
        *error = r.err;
        return {};
    }
    return clip;
}

// A test of a command that reads a saved project: the clip above in the test's folder, with its project.
class ExtractedClipTest : public CliFixture {
protected:
    void SetUp() override {
        CliFixture::SetUp();
        if (!clips::ToolsAvailable()) GTEST_SKIP() << "ffmpeg or ffprobe is not on PATH";
        std::string error;
        m_clip = ExtractedThreeScenes(m_dir.string(), &error);
        ASSERT_FALSE(m_clip.empty()) << error;
        m_project = m_clip + ".kpproj";
    }

    std::string m_clip;
    std::string m_project;
};

}  // namespace clitest
