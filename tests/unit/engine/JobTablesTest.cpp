// The job table: the kind and state names in both languages, one row per id and tab, the predicates the tabs
// and the engine derive from it, and what StartJob makes of a row.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "engine/TarneloProcess.h"
#include "engine/jobs/JobTables.h"
#include "project/TarneloData.h"
#include "support/JobRun.h"
#include "support/RecordingSink.h"

namespace {

TEST(JobTablesTest, NamesFollowTheLanguageAndTranslateBothWays) {
    EXPECT_STREQ(JobKindName(kJobKindSceneExtract, true), "シーン抽出");
    EXPECT_STREQ(JobKindName(kJobKindSceneExtract, false), "Scene Extract");
    EXPECT_STREQ(JobKindName(kJobKindVideoAnalysis, false), "Video Analysis");
    EXPECT_STREQ(JobStateName(kJobStateWaiting, true), "完了待ち");
    EXPECT_STREQ(JobStateName(kJobStateStopped, false), "Stopped");
    EXPECT_STREQ(JobKindName(99, true), "");
    EXPECT_STREQ(JobStateName(-1, false), "");
    for (int k = 1; k < kJobKindCount; ++k) {
        EXPECT_EQ(FindJobKind(JobKindName(k, true)), k);
        EXPECT_EQ(FindJobKind(JobKindName(k, false)), k);
    }
    for (int s = 1; s < kJobStateCount; ++s) EXPECT_EQ(FindJobState(JobStateName(s, false)), s);
    EXPECT_EQ(FindJobKind(""), 0);
    EXPECT_EQ(FindJobState("Unknown"), 0);
}

TEST(JobTablesTest, ProgressAndPreviewSets) {
    for (int id : {1053, 1006, 1052, 1057, 1101}) EXPECT_TRUE(IsProgressJobId(id)) << id;
    for (int id : {0, 1027, 1028, 1029, 1056}) EXPECT_FALSE(IsProgressJobId(id)) << id;
    for (int id : {1027, 1028, 1029}) EXPECT_TRUE(IsPreviewJobId(id)) << id;
    EXPECT_FALSE(IsPreviewJobId(1053));
}

const int kKnownIds[] = {kJobMerge,        kJobInputPreview, kJobOutputPreview, kJobScenePreview, kJobSegmentOutput,
                         kJobSceneExtract, kJobRecut,        kJobExtractMerge,  kJobPrepareInput};

int RowsServing(int id, int mode) {
    int count = 0;
    for (const JobRow& row : JobRows()) count += row.id == id && (row.tab == kAnyTab || row.tab == mode) ? 1 : 0;
    return count;
}

TEST(JobTableRowsTest, EveryIdHasOneRowPerTabAndOneKind) {
    for (int id : kKnownIds) {
        for (int mode : {kSceneTab, kMergeTab}) {
            EXPECT_EQ(RowsServing(id, mode), 1) << id << " mode " << mode;
            ASSERT_NE(FindJobRow(id, mode), nullptr) << id;
            EXPECT_EQ(FindJobRow(id, mode)->id, id);
        }
        // What the tabs read of an id must not depend on which tab's row answers.
        const JobRow& scene = *FindJobRow(id, kSceneTab);
        const JobRow& merge = *FindJobRow(id, kMergeTab);
        EXPECT_EQ(scene.kind, merge.kind) << id;
        EXPECT_EQ(scene.showsProgress, merge.showsProgress) << id;
        EXPECT_EQ(scene.takesPreview, merge.takesPreview) << id;
    }
    for (const JobRow& row : JobRows()) {
        EXPECT_TRUE(row.tab == kAnyTab || row.tab == kSceneTab || row.tab == kMergeTab) << row.id;
        EXPECT_NE(std::find(std::begin(kKnownIds), std::end(kKnownIds), row.id), std::end(kKnownIds)) << row.id;
    }
}

TEST(JobTableRowsTest, DerivedSetsAreTheJobSetsOfTheTabsAndTheEngine) {
    struct Case {
        int id;
        bool progress;  // frame progress display
        bool preview;   // a playback job owns the preview
        bool scene;     // the tab locks its controls
        bool restarts;  // the play position starts again
        bool started;   // StartJob has a step for it, on both tabs
    };
    const Case cases[] = {
        {kJobSceneExtract, true, false, true, false, true},
        {kJobSegmentOutput, true, false, true, true, true},
        {kJobMerge, true, false, true, true, true},
        {kJobExtractMerge, true, false, true, true, true},
        {kJobPrepareInput, true, false, true, true, false},
        {kJobInputPreview, false, true, false, false, true},
        {kJobOutputPreview, false, true, false, false, true},
        {kJobScenePreview, false, true, false, false, true},
        {kJobRecut, false, false, false, true, false},
        {0, false, false, false, false, false},
        {1054, false, false, false, false, false},
        {-1, false, false, false, false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsProgressJobId(c.id), c.progress) << c.id;
        EXPECT_EQ(IsPreviewJobId(c.id), c.preview) << c.id;
        EXPECT_EQ(IsSceneJobId(c.id), c.scene) << c.id;
        EXPECT_EQ(TakesPreviewJobId(c.id), c.restarts) << c.id;
        for (int mode : {kSceneTab, kMergeTab}) {
            const JobRow* row = FindJobRow(c.id, mode);
            EXPECT_EQ(row != nullptr && row->step != nullptr, c.started) << c.id << " mode " << mode;
        }
    }
    EXPECT_EQ(JobClassOf(1054), JobClass::Other);
    // Both tabs' extract buttons share an id but not a step.
    EXPECT_NE(FindJobRow(kJobSceneExtract, kSceneTab)->step, FindJobRow(kJobSceneExtract, kMergeTab)->step);
}

class JobStartTest : public ::testing::Test {
protected:
    JobStartTest() : engine(&sink, &data, false) {
        data.ResetAll(false);
        char pattern[] = "/tmp/jobstartXXXXXX";
        if (mkdtemp(pattern) != nullptr) m_folder = pattern;
        // The merge steps clean their intermediates up beside the output: never in the working folder.
        data.output_folder = m_folder + "/";
        data.output_name = "joined.mp4";
    }
    ~JobStartTest() override {
        std::error_code ec;
        if (!m_folder.empty()) std::filesystem::remove_all(m_folder, ec);
    }

    std::string m_folder;
    RecordingSink sink;
    CTarneloData data;
    CTarneloProcess engine;
};

TEST_F(JobStartTest, AnIdWithoutAStepStartsNothing) {
    for (int mode : {kSceneTab, kMergeTab}) {
        engine.SetOptions({.mode = mode, .previewStills = false});
        for (int id : {0, -1, 1054, 99999, static_cast<int>(kJobPrepareInput), static_cast<int>(kJobRecut)}) {
            engine.SetCurrentPlay(40, "1.6");
            EXPECT_FALSE(engine.StartJob(id)) << id;
            const JobStatus status = engine.Status();
            EXPECT_FALSE(status.running) << id;
            EXPECT_EQ(status.jobId, 0) << id;
            EXPECT_EQ(engine.CurrentPlayFrame(), 40) << id;  // not even the position is touched
        }
    }
    engine.JoinJobThread();
    EXPECT_TRUE(sink.Messages().empty()) << DescribeMessage(sink.Messages().front());
}

// On an empty project every step ends at once, each in its own way: the first name a step announces tells
// which step the engine's mode picked.
TEST_F(JobStartTest, TheModePicksTheStep) {
    struct Case {
        int mode;
        int id;
        const char* firstStart;  // nullptr: the step announces nothing
    };
    const Case cases[] = {
        {kSceneTab, kJobSceneExtract, "Scene Extract"},   {kMergeTab, kJobSceneExtract, nullptr},
        {kMergeTab, kJobSegmentOutput, "Segment Output"}, {kMergeTab, kJobMerge, "Precheck"},
        {kSceneTab, kJobExtractMerge, "Scene Extract"},   {kMergeTab, kJobExtractMerge, "Segment Output"},
    };
    for (const Case& c : cases) {
        engine.SetOptions({.mode = c.mode, .previewStills = false});
        sink.Clear();
        testsupport::RunJobToEnd(engine, sink, c.id);
        const auto finished = sink.Messages(WM_APP_PROCESS_FINISHED);
        ASSERT_EQ(finished.size(), 1u) << c.id;
        EXPECT_EQ(finished[0].As<ProcessFinishedMsg>().jobId, c.id);
        const auto starts = sink.Messages(WM_APP_JOB_START);
        if (c.firstStart == nullptr) {
            EXPECT_TRUE(starts.empty()) << c.id << ": " << DescribeMessage(starts.front());
        } else {
            ASSERT_FALSE(starts.empty()) << c.id << " mode " << c.mode;
            EXPECT_EQ(starts[0].text, c.firstStart) << c.id << " mode " << c.mode;
        }
        EXPECT_EQ(engine.Status().jobId, 0);
    }
}

TEST_F(JobStartTest, JobsThatTakeThePreviewStartThePositionAgain) {
    engine.SetOptions({.mode = kMergeTab, .previewStills = false});
    struct Case {
        int lastPreview;  // the preview job whose file the preview shows
        int id;
        int frameAfter;
    };
    // The merge tab's analysis on an empty list ends at once; its merge fails at once.
    const Case cases[] = {
        {0, kJobSceneExtract, 40},
        {0, kJobMerge, 0},
        {kJobInputPreview, kJobSceneExtract, 0},
    };
    for (const Case& c : cases) {
        engine.SetLastPreviewKind(c.lastPreview);
        engine.SetCurrentPlay(40, "1.6");
        sink.Clear();
        testsupport::RunJobToEnd(engine, sink, c.id);
        EXPECT_EQ(engine.CurrentPlayFrame(), c.frameAfter) << c.id << " after " << c.lastPreview;
    }
}

}  // namespace
