#pragma once

// The GoogleTest side of the test clips (support/ClipMaker.h): a fixture that skips without ffmpeg and makes
// each named clip once per test suite.

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <utility>

#include "support/ClipMaker.h"

namespace clips {

// Base fixture: skips when ffmpeg or ffprobe is missing, and makes each named clip once per test suite in
// a folder shared by the suite's tests. Asking for a name again with other options fails the test.
class ClipTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!ToolsAvailable()) GTEST_SKIP() << "ffmpeg or ffprobe is not on PATH";
    }

    static void TearDownTestSuite() {
        s_made.clear();
        s_folder.reset();
    }

    // The suite's folder, made on first use.
    static const std::string& Folder() {
        if (!s_folder) s_folder = std::make_unique<TempFolder>();
        return s_folder->Path();
    }

    // Path of the clip, made on first request; adds a test failure (and returns "") when ffmpeg fails.
    static std::string Clip(const std::string& name, const ClipOptions& options = {}) {
        const std::string key =
            detail::Quote(ClipArguments(name, options)) + " rotation=" + std::to_string(options.rotation);
        const auto it = s_made.find(name);
        if (it != s_made.end()) {
            EXPECT_EQ(it->second.first, key) << "clip " << name << " asked for with other options";
            return it->second.second;
        }
        if (Folder().empty()) {
            ADD_FAILURE() << "no temporary folder for clips";
            return {};
        }
        std::string error;
        const std::string path = MakeClip(Folder(), name, options, &error);
        if (path.empty()) {
            ADD_FAILURE() << "could not make " << name << ":\n" << error;
            return {};
        }
        s_made[name] = {key, path};
        return path;
    }

private:
    static inline std::unique_ptr<TempFolder> s_folder;
    static inline std::map<std::string, std::pair<std::string, std::string>> s_made;  // name -> (key, path)
};

}  // namespace clips
