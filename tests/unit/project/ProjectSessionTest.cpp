#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "project/ProjectSession.h"
#include "project/TarneloData.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

std::string ReadBytes(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// What the front-end was told, in order.
class RecordingListener : public ProjectSessionListener {
public:
    void LoadStarting() override { events.push_back("starting"); }
    void ProjectOpened(const std::string& path) override { events.push_back("opened " + path); }
    void LoadFinished(bool loaded) override { events.push_back(loaded ? "finished read" : "finished unread"); }
    std::vector<std::string> events;
};

class ProjectSessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "tarnelo-session-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
        m_data.ResetAll(false);
    }

    void TearDown() override {
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }

    std::string PathOf(const std::string& name) const { return (m_dir / name).string(); }

    // A project file on disk whose input is input.
    std::string WriteProject(const std::string& name, const std::string& input) const {
        CTarneloData data;
        data.ResetAll(false);
        data.input_file = input;
        data.output_name = "stored.mp4";
        EXPECT_TRUE(data.SaveProject(PathOf(name)));
        return PathOf(name);
    }

    static std::string StoredInput(const std::string& path) {
        return json::parse(ReadBytes(path))["input_file"].get<std::string>();
    }

    fs::path m_dir;
    CTarneloData m_data;
    RecordingListener m_listener;
    ProjectSession m_session{m_data, &m_listener};
};

TEST(ProjectPathRuleTest, ExtensionInAnyCase) {
    const struct {
        const char* path;
        bool project;
    } cases[] = {
        {"/p/a.kpproj", true},       {"/p/A.KPPROJ", true},
        {"a.KpProj", true},          {"clip.mp4.kpproj", true},
        {".kpproj", true},           {"/p/clip.mp4", false},
        {"kpproj", false},           {"/p/a.kpproj.mp4", false},
        {"/p/a_kpproj", false},      {"/p/a.kpproj ", false},
        {"/p/a.kpprj", false},       {"", false},
        {"/作業/前回.kpproj", true}, {"/作業/前回.KPPROJ.mov", false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsProjectPath(c.path), c.project) << c.path;

    // The input's own extension stays.
    EXPECT_EQ(DefaultProjectPath("/v/clip.mp4"), "/v/clip.mp4.kpproj");
    EXPECT_EQ(DefaultProjectPath("/v/入力"), "/v/入力.kpproj");
    EXPECT_TRUE(IsProjectPath(DefaultProjectPath("/v/clip.mov")));
}

TEST_F(ProjectSessionTest, AutoSaveWritesOnlyWhenAskedAndSomewhere) {
    enum Written { kNone, kProject, kDefault };
    const struct {
        bool autoSave;
        bool force;
        bool project;
        bool input;
        Written written;
    } cases[] = {
        {false, false, true, true, kNone},    {false, false, true, false, kNone},
        {false, false, false, true, kNone},   {false, false, false, false, kNone},
        {false, true, true, true, kProject},  {false, true, true, false, kProject},
        {false, true, false, true, kDefault}, {false, true, false, false, kNone},
        {true, false, true, true, kProject},  {true, false, true, false, kProject},
        {true, false, false, true, kDefault}, {true, false, false, false, kNone},
        {true, true, true, true, kProject},   {true, true, true, false, kProject},
        {true, true, false, true, kDefault},  {true, true, false, false, kNone},
    };
    const std::string project = PathOf("p.kpproj");
    const std::string input = PathOf("clip.mp4");
    for (const auto& c : cases) {
        const std::string what = ::testing::PrintToString(std::vector<bool>{c.autoSave, c.force, c.project, c.input});
        fs::remove(project);
        fs::remove(DefaultProjectPath(input));
        m_data.ResetAll(false);
        m_data.auto_save = c.autoSave;
        m_data.project_file = c.project ? project : "";
        m_data.input_file = c.input ? input : "";

        const ProjectSession::SaveOutcome outcome = m_session.AutoSave(c.force);
        EXPECT_EQ(outcome,
                  c.written == kNone ? ProjectSession::SaveOutcome::kSkipped : ProjectSession::SaveOutcome::kWritten)
            << what;
        EXPECT_EQ(fs::exists(project), c.written == kProject) << what;
        EXPECT_EQ(fs::exists(DefaultProjectPath(input)), c.written == kDefault) << what;
        // A first save makes the default path the project file; no save leaves the field alone.
        EXPECT_EQ(m_data.project_file, c.written == kDefault ? DefaultProjectPath(input)
                                       : c.project           ? project
                                                             : "")
            << what;
    }
    EXPECT_TRUE(m_listener.events.empty());
}

TEST_F(ProjectSessionTest, FailedSaveIsReportedAndChangesNothing) {
    const std::string project = WriteProject("p.kpproj", "/v/old.mp4");
    const std::string before = ReadBytes(project);
    m_data.input_file = "/v/new.mp4";
    m_data.project_file = PathOf("missing/p.kpproj");
    EXPECT_EQ(m_session.AutoSave(true), ProjectSession::SaveOutcome::kFailed);
    EXPECT_FALSE(m_session.Save());
    EXPECT_EQ(m_data.project_file, PathOf("missing/p.kpproj"));

    // Save as: only a write that succeeded moves the project to the new path.
    m_data.project_file = project;
    EXPECT_FALSE(m_session.SaveAs(PathOf("missing/other.kpproj")));
    EXPECT_FALSE(m_session.SaveAs(m_dir.string()));  // a folder is no project file
    EXPECT_EQ(m_data.project_file, project);
    EXPECT_EQ(ReadBytes(project), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()), 1);

    ASSERT_TRUE(m_session.SaveAs(PathOf("other.kpproj")));
    EXPECT_EQ(m_data.project_file, PathOf("other.kpproj"));
    EXPECT_EQ(StoredInput(PathOf("other.kpproj")), "/v/new.mp4");
    EXPECT_EQ(ReadBytes(project), before);
}

TEST_F(ProjectSessionTest, LoadOfMissingUnreadableAndGoodFiles) {
    const std::string good = WriteProject("good.kpproj", "/v/clip.mp4");
    std::ofstream(PathOf("broken.kpproj")) << "{ broken";
    std::ofstream(PathOf("empty.kpproj"));
    fs::create_directory(PathOf("folder.kpproj"));

    // A missing file (or a folder) leaves everything as it was and tells the front-end nothing.
    for (const std::string name : {"missing.kpproj", "folder.kpproj"}) {
        m_data.input_file = "/v/kept.mp4";
        EXPECT_EQ(m_session.Load(PathOf(name), false), ProjectSession::kMissing) << name;
        EXPECT_EQ(m_data.input_file, "/v/kept.mp4") << name;
        EXPECT_TRUE(m_listener.events.empty()) << name;
    }

    // A file that cannot be read leaves a new, empty project.
    for (const std::string name : {"broken.kpproj", "empty.kpproj"}) {
        m_listener.events.clear();
        m_data.input_file = "/v/dropped.mp4";
        m_data.diff_list.Assign(std::vector<SceneEntry>(2), -1);
        EXPECT_EQ(m_session.Load(PathOf(name), false), ProjectSession::kUnreadable) << name;
        EXPECT_TRUE(m_data.project_file.empty() && m_data.input_file.empty() && m_data.diff_list.Empty()) << name;
        EXPECT_EQ(m_listener.events, (std::vector<std::string>{"starting", "finished unread"})) << name;
    }

    m_listener.events.clear();
    EXPECT_EQ(m_session.Load(good, false), ProjectSession::kOpened);
    EXPECT_EQ(m_data.project_file, good);
    EXPECT_EQ(m_data.input_file, "/v/clip.mp4");
    EXPECT_EQ(m_listener.events, (std::vector<std::string>{"starting", "opened " + good, "finished read"}));
}

TEST_F(ProjectSessionTest, AskingForTheOpenProjectAgain) {
    const std::string project = WriteProject("p.kpproj", "/v/clip.mp4");
    const struct {
        bool autoSave;
        bool force;
        bool reads;
    } cases[] = {
        {true, false, false},  // nothing: the open project is the file, saved as it changes
        {true, true, true},
        {false, false, true},
        {false, true, true},
    };
    for (const auto& c : cases) {
        m_data.auto_save = false;
        ASSERT_EQ(m_session.Load(project, true), ProjectSession::kOpened);
        m_data.auto_save = c.autoSave;
        m_data.output_name = "edited.mp4";  // an edit not (yet) in the file
        m_listener.events.clear();

        EXPECT_EQ(m_session.Load(project, c.force), ProjectSession::kOpened);
        EXPECT_EQ(m_data.output_name, c.reads ? "stored.mp4" : "edited.mp4") << c.autoSave << c.force;
        EXPECT_EQ(m_listener.events.size(), c.reads ? 3u : 0u) << c.autoSave << c.force;
    }
}

TEST_F(ProjectSessionTest, OpeningAnotherProjectAutoSavesTheOldOneFirst) {
    for (const bool autoSave : {true, false}) {
        const std::string first = WriteProject("first.kpproj", "/v/first.mp4");
        const std::string second = WriteProject("second.kpproj", "/v/second.mp4");
        const std::string secondBefore = ReadBytes(second);
        m_data.auto_save = false;
        ASSERT_EQ(m_session.Load(first, false), ProjectSession::kOpened);
        m_data.auto_save = autoSave;
        m_data.input_file = "/v/edited.mp4";

        ASSERT_EQ(m_session.Load(second, false), ProjectSession::kOpened);
        EXPECT_EQ(m_data.input_file, "/v/second.mp4");
        EXPECT_EQ(StoredInput(first), autoSave ? "/v/edited.mp4" : "/v/first.mp4") << autoSave;
        // The project just opened is saved at once as well: it now records its own path.
        EXPECT_EQ(json::parse(ReadBytes(second))["project_file"], autoSave ? second : "") << autoSave;
        if (!autoSave) {
            EXPECT_EQ(ReadBytes(second), secondBefore);
        }
    }
}

// A project whose file went missing is not written back when an unreadable one is asked for.
TEST_F(ProjectSessionTest, NoOldProjectSaveWhenTheNewFileIsMissing) {
    m_data.auto_save = true;
    m_data.project_file = PathOf("old.kpproj");
    m_data.input_file = "/v/clip.mp4";
    EXPECT_EQ(m_session.Load(PathOf("missing.kpproj"), false), ProjectSession::kMissing);
    EXPECT_FALSE(fs::exists(PathOf("old.kpproj")));
}

}  // namespace
