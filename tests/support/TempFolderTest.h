#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace testsupport {

// A fixture with a fresh folder of its own under the temporary folder, removed with all it holds after each
// test, also when the test took the write permission away.
class TempFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "tarnelo-test-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
    }

    void TearDown() override {
        if (m_dir.empty()) return;
        std::error_code ec;
        std::filesystem::permissions(m_dir, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(m_dir, ec);
    }

    std::string PathOf(const std::string& name) const { return (m_dir / name).string(); }

    std::filesystem::path m_dir;
};

}  // namespace testsupport
