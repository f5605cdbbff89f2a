// The scene merge's chapters on generated clips: asked for, one per enabled scene at its start in the joined
// file, titled by its caption or number; not asked for, the merge is what it always was.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "engine/TarneloProcess.h"
#include "engine/jobs/JobTables.h"
#include "engine/scenes/SceneRules.h"
#include "integration/ClipFactory.h"
#include "project/TarneloData.h"
#include "support/JobRun.h"
#include "support/RecordingSink.h"

namespace fs = std::filesystem;

namespace {

struct ChapterFacts {
    double start = 0;
    std::string title;
};

// What ffprobe -show_chapters lists: start_time and title of each chapter (the default writer, which shows
// texts unescaped).
std::vector<ChapterFacts> ProbeChapters(const std::string& file, const std::string& folder) {
    const std::string log = folder + "/chapters.txt";
    fs::remove(log);
    EXPECT_EQ(clips::RunProgram({"ffprobe", "-v", "error", "-show_chapters", "-of", "default=nw=1", file}, log), 0);
    std::vector<ChapterFacts> chapters;
    std::istringstream in(clips::detail::ReadAll(log));
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("id=", 0) == 0) chapters.emplace_back();
        if (chapters.empty()) continue;
        if (line.rfind("start_time=", 0) == 0) chapters.back().start = std::stod(line.substr(11));
        if (line.rfind("TAG:title=", 0) == 0) chapters.back().title = line.substr(10);
    }
    return chapters;
}

class ChaptersMergeTest : public clips::ClipTest {
protected:
    ChaptersMergeTest() : engine(&sink, &data) { data.ResetAll(false); }
    ~ChaptersMergeTest() override { engine.WaitPreviewIdle(); }

    // 100 frames at 25 fps; scenes of 20, (10 off), 15 and 30 frames, the third without a caption.
    void OpenWithScenes(const std::string& name) {
        data.input_file = Clip("chapters.mp4", clips::SizedClip(160, 90, "25", 100, true));
        data.output_folder = Folder() + "/" + name + "/";
        data.output_name = "out.mp4";
        ASSERT_EQ(engine.PrepareInput(false), 0);
        data.capWatermark.caption.clear();
        data.capTitle.caption.clear();
        const std::string base = SegmentFileBase(data.input_file);
        const struct {
            int first, last;
            bool enable;
            const char* caption;
        } scenes[] = {
            {0, 19, true, "Gate\nopens"}, {20, 29, false, "off"}, {40, 54, true, ""}, {60, 89, true, "Cat; #2 = \\ok"}};
        data.diff_list.Clear();
        for (const auto& s : scenes) {
            SceneEntry entry(s.first, s.last, SegmentFileName(data.output_folder, base, s.first, s.last));
            entry.enable = s.enable;
            entry.capParam.caption = s.caption;
            data.diff_list.Append(entry);
        }
        data.list_idx = 0;
    }

    int Merge() {
        sink.Clear();
        return testsupport::RunJobToEnd(engine, sink, kJobMerge);
    }

    RecordingSink sink;
    CTarneloData data;
    CTarneloProcess engine;
};

TEST_F(ChaptersMergeTest, AChapterPerEnabledSceneAtItsStartInTheJoinedFile) {
    const struct {
        bool transition;
        std::vector<double> starts;  // seconds: the scenes' frames before, less a cross-fade per join
    } cases[] = {{false, {0, 0.8, 1.4}}, {true, {0, 0.32, 0.44}}};  // a cross-fade is 12 frames, 0.48 s
    for (const auto& c : cases) {
        SCOPED_TRACE(c.transition ? "cross-faded" : "joined");
        OpenWithScenes(c.transition ? "faded" : "joined");
        data.transition = c.transition;
        data.chapters = true;
        ASSERT_EQ(Merge(), 0) << testsupport::LastJobStateText(sink);
        const std::vector<ChapterFacts> chapters = ProbeChapters(data.GetOutputPath(), Folder());
        ASSERT_EQ(chapters.size(), 3u);
        const char* titles[] = {"Gate opens", "Scene 003", "Cat; #2 = \\ok"};
        for (size_t i = 0; i < chapters.size(); ++i) {
            EXPECT_EQ(chapters[i].title, titles[i]);
            EXPECT_NEAR(chapters[i].start, c.starts[i], 0.0015) << i;
        }
        EXPECT_FALSE(fs::exists(data.output_folder + "chapters_chapters.txt"));  // a work file of the job only
    }
}

TEST_F(ChaptersMergeTest, WithoutChaptersTheOutputHasNone) {
    OpenWithScenes("plain");
    ASSERT_EQ(Merge(), 0) << testsupport::LastJobStateText(sink);
    EXPECT_TRUE(ProbeChapters(data.GetOutputPath(), Folder()).empty());
    EXPECT_FALSE(fs::exists(data.output_folder + "chapters_chapters.txt"));
}

}  // namespace
