// The message decoders against what the engine sends: the raw parameters as its call sites write them,
// and the messages its own send helpers produce.
#include <gtest/gtest.h>

#include <string>

#include "engine/TarneloProcess.h"
#include "engine/jobs/AppMessages.h"
#include "engine/jobs/JobTables.h"
#include "project/TarneloData.h"
#include "support/EngineTestAccess.h"
#include "support/RecordingSink.h"

namespace {

template <class T>
WParam W(T value) {
    return static_cast<WParam>(value);
}
WParam W(const char* text) { return reinterpret_cast<WParam>(text); }
LParam L(const char* text) { return reinterpret_cast<LParam>(text); }

const char kKind[] = "Scene Extract";
const char kDetail[] = "ExitCode(1)";
const char kStill[] = "/out/clip_preview.png";

// Progress and position of the same moment: frame 17 of a 250-frame file.
TEST(AppMessagesTest, ProgressAndPlayPositionCarryTheirCountsInOppositeOrder) {
    struct Case {
        WParam w;
        LParam l;
        long long total, done;
    };
    // As the runner and the analyses post them: total first, then the 1-based count.
    const Case progress[] = {{W(250), 17, 250, 17}, {W(250), 250, 250, 250}, {W(-1), 0, -1, 0}, {W(0), 0, 0, 0}};
    for (const Case& c : progress) {
        const JobProgressMsg m = JobProgressMsg::Decode(c.w, c.l);
        EXPECT_EQ(m.total, c.total) << c.w;
        EXPECT_EQ(m.done, c.done) << c.w;
    }
    struct Position {
        WParam w;
        LParam l;
        int frame, count;
    };
    // As the runner posts a playback position: the frame reached, then the file's frame count.
    const Position positions[] = {{W(17), 250, 17, 250}, {W(0), 250, 0, 250}, {W(249), 250, 249, 250}};
    for (const Position& c : positions) {
        const PlayPositionMsg m = PlayPositionMsg::Decode(c.w, c.l);
        EXPECT_EQ(m.frame, c.frame) << c.w;
        EXPECT_EQ(m.count, c.count) << c.w;
    }
    // The same pair read as the other message gives the swapped meaning: the receiver must pick by id.
    EXPECT_EQ(PlayPositionMsg::Decode(W(250), 17).frame, 250);
    EXPECT_EQ(JobProgressMsg::Decode(W(17), 250).total, 17);
}

// Job start has its text first and its number second, job state the other way round.
TEST(AppMessagesTest, JobStartAndJobStateCarryTextAndNumberInOppositeOrder) {
    const JobStartMsg start = JobStartMsg::Decode(W(kKind), 1800);
    EXPECT_EQ(start.kind, kKind);
    EXPECT_EQ(start.total, 1800);
    EXPECT_TRUE(start.HasTotal());
    const JobStartMsg noTotal = JobStartMsg::Decode(W(""), -1);
    EXPECT_STREQ(noTotal.kind, "");
    EXPECT_FALSE(noTotal.HasTotal());
    EXPECT_TRUE(JobStartMsg::Decode(W(kKind), 0).HasTotal());

    const JobStateMsg failed = JobStateMsg::Decode(W(kJobStateFailed), L(kDetail));
    EXPECT_EQ(failed.state, kJobStateFailed);
    EXPECT_EQ(failed.text, kDetail);
    const JobStateMsg done = JobStateMsg::Decode(W(kJobStateDone), 0);
    EXPECT_EQ(done.state, kJobStateDone);
    EXPECT_EQ(done.text, nullptr);
}

TEST(AppMessagesTest, TheOtherMessagesDecodeTheirParameters) {
    EXPECT_EQ(JobNameMsg::Decode(W(kKind), 0).name, kKind);
    EXPECT_EQ(PreviewImageMsg::Decode(W(kStill), 0).path, kStill);
    EXPECT_EQ(EditDoneMsg::Decode(0, L(kDetail)).text, kDetail);
    const StatusTextMsg status = StatusTextMsg::Decode(W(2), L(kDetail));
    EXPECT_EQ(status.pane, 2);
    EXPECT_EQ(status.text, kDetail);

    struct Index {
        WParam w;
        int index;
    };
    // An empty list is announced with the current scene -1.
    for (const Index& c : {Index{W(5), 5}, Index{W(0), 0}, Index{W(-1), -1}}) {
        EXPECT_EQ(ListChangedMsg::Decode(c.w, 0).sceneIndex, c.index);
        EXPECT_EQ(SelectSceneMsg::Decode(c.w, 0).sceneIndex, c.index);
    }
    const ProcessFinishedMsg stopped = ProcessFinishedMsg::Decode(W(kJobExtractMerge), -2);
    EXPECT_EQ(stopped.jobId, kJobExtractMerge);
    EXPECT_EQ(stopped.result, -2);
    EXPECT_EQ(MediaOpenedMsg::Decode(0, 250).frameCount, 250);
    EXPECT_EQ(FindPlayerMsg::Decode(W(4242), 0).pid, 4242);
    // 0 when the long work begins, 1 when it ends.
    EXPECT_TRUE(BusyMsg::Decode(0, 0).begins);
    EXPECT_FALSE(BusyMsg::Decode(1, 0).begins);
}

TEST(AppMessagesTest, MessageTextIsTheDecodersText) {
    struct Case {
        unsigned message;
        WParam w;
        LParam l;
        const char* text;
    };
    const Case cases[] = {
        {WM_APP_JOB_START, W(kKind), 100, kKind},
        {WM_APP_JOB_NAME, W(kKind), 0, kKind},
        {WM_APP_PREVIEW_IMAGE, W(kStill), 0, kStill},
        {WM_APP_JOB_STATE, W(kJobStateFailed), L(kDetail), kDetail},
        {WM_APP_JOB_STATE, W(kJobStateDone), 0, nullptr},
        {WM_APP_STATUS_TEXT, W(3), L(kDetail), kDetail},
        {WM_APP_EDIT_DONE, 0, L(kDetail), kDetail},
        // No pointers: a number that happens to be in either parameter is never taken for a text.
        {WM_APP_JOB_PROGRESS, W(250), 17, nullptr},
        {WM_APP_PLAY_POSITION, W(17), 250, nullptr},
        {WM_APP_PROCESS_FINISHED, W(kJobMerge), 0, nullptr},
        {WM_APP_LIST_CHANGED, W(1), 0, nullptr},
        {WM_APP_SELECT_SCENE, W(1), 0, nullptr},
        {WM_APP_MEDIA_OPENED, 0, 250, nullptr},
        {WM_APP_FIND_PLAYER, W(4242), 0, nullptr},
        {WM_APP_BUSY, 0, 0, nullptr},
    };
    for (const Case& c : cases) EXPECT_EQ(MessageText(c.message, c.w, c.l), c.text) << std::hex << c.message;
}

// The engine's own send helpers, recorded and decoded: what a receiver reads is what the step said.
TEST(AppMessagesTest, EngineSendsDecodeToWhatWasSaid) {
    RecordingSink sink;
    CTarneloData data(false);
    CTarneloProcess engine(&sink, &data, false);
    EngineTestAccess::Jobs(engine).SendJobStart(kJobKindSceneMerge, 240);
    EngineTestAccess::Jobs(engine).SendJobStart(kJobKindFileAnalysis, -1);
    EngineTestAccess::Jobs(engine).SendJobName("Segment Output (003)");
    EngineTestAccess::Jobs(engine).SendState(kJobStateWaiting);
    EngineTestAccess::Jobs(engine).SendResultState(7);
    EngineTestAccess::Jobs(engine).SendResultState(-2);

    const auto starts = sink.Messages(WM_APP_JOB_START);
    ASSERT_EQ(starts.size(), 2u);
    EXPECT_STREQ(starts[0].As<JobStartMsg>().kind, "Scene Merge");
    EXPECT_EQ(starts[0].As<JobStartMsg>().total, 240);
    EXPECT_STREQ(starts[1].As<JobStartMsg>().kind, "File Analysis");
    EXPECT_FALSE(starts[1].As<JobStartMsg>().HasTotal());

    const auto names = sink.Messages(WM_APP_JOB_NAME);
    ASSERT_EQ(names.size(), 1u);
    EXPECT_STREQ(names[0].As<JobNameMsg>().name, "Segment Output (003)");

    const auto states = sink.Messages(WM_APP_JOB_STATE);
    ASSERT_EQ(states.size(), 3u);
    EXPECT_EQ(states[0].As<JobStateMsg>().state, kJobStateWaiting);
    EXPECT_EQ(states[0].As<JobStateMsg>().text, nullptr);
    EXPECT_EQ(states[1].As<JobStateMsg>().state, kJobStateFailed);
    EXPECT_STREQ(states[1].As<JobStateMsg>().text, "ExitCode(7)");
    EXPECT_EQ(states[2].As<JobStateMsg>().state, kJobStateStopped);
    EXPECT_EQ(DescribeMessage(states[1]), "JOB_STATE(state 3, \"ExitCode(7)\") sent");
}

}  // namespace
