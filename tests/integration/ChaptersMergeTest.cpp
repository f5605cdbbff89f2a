// The scene merge's chapters on a generated clip: asked for, one per enabled scene at its start in the joined
// file, titled by its caption or number; not asked for, none.
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

namespace {

// "start_time title" of each chapter ffprobe lists (its default writer shows texts unescaped).
std::vector<std::string> ProbeChapters(const std::string& file, const std::string& log) {
    std::filesystem::remove(log);
    EXPECT_EQ(clips::RunProgram({"ffprobe", "-v", "error", "-show_chapters", "-of", "default=nw=1", file}, log), 0);
    std::vector<std::string> chapters;
    std::istringstream in(clips::detail::ReadAll(log));
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("start_time=", 0) == 0) chapters.push_back(line.substr(11, 5));
        if (line.rfind("TAG:title=", 0) == 0) chapters.back() += " " + line.substr(10);
    }
    return chapters;
}

class ChaptersMergeTest : public clips::ClipTest {};

TEST_F(ChaptersMergeTest, AChapterPerEnabledSceneAtItsStartInTheJoinedFile) {
    // Scenes of 20, (10, off), 15 and 30 frames at 25 fps; a cross-fade is 12 frames (0.48 s) per join.
    const struct {
        bool transition, chapters;
        std::vector<std::string> expected;
    } cases[] = {
        {false, true, {"0.000 Gate opens", "0.800 Scene 003", "1.400 Cat; #2 = \\ok"}},
        {true, true, {"0.000 Gate opens", "0.320 Scene 003", "0.440 Cat; #2 = \\ok"}},
        {true, false, {}},
    };
    for (const auto& c : cases) {
        RecordingSink sink;
        CTarneloData data;
        CTarneloProcess engine(&sink, &data);
        data.ResetAll(false);
        data.input_file = Clip("chapters.mp4", clips::SizedClip(160, 90, "25", 100, true));
        data.output_folder = Folder() + "/" + (c.transition ? "faded" : "joined") + (c.chapters ? "" : "-none") + "/";
        data.output_name = "out.mp4";
        ASSERT_EQ(engine.PrepareInput(false), 0);
        data.capWatermark.caption.clear();
        data.capTitle.caption.clear();
        const char* captions[] = {"Gate\nopens", "off", "", "Cat; #2 = \\ok"};
        const int firsts[] = {0, 20, 40, 60}, lasts[] = {19, 29, 54, 89};
        for (int i = 0; i < 4; ++i) {
            const std::string file = SegmentFileName(data.output_folder, "chapters", firsts[i], lasts[i]);
            data.diff_list.Append(SceneEntry(firsts[i], lasts[i], file));
            data.diff_list.Update(i, [&](SceneEntry& e) { e.capParam.caption = captions[i], e.enable = i != 1; });
        }
        data.transition = c.transition;
        data.chapters = c.chapters;
        ASSERT_EQ(testsupport::RunJobToEnd(engine, sink, kJobMerge), 0) << testsupport::LastJobStateText(sink);
        EXPECT_EQ(ProbeChapters(data.GetOutputPath(), Folder() + "/probe.txt"), c.expected);
        EXPECT_FALSE(std::filesystem::exists(data.output_folder + "chapters_chapters.txt"));  // the job's alone
        engine.WaitPreviewIdle();
    }
}

}  // namespace
