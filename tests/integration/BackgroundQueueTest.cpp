#include <dirent.h>
#include <gtest/gtest.h>

#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/TarneloProcess.h"
#include "engine/jobs/JobTables.h"
#include "engine/scenes/SceneRules.h"
#include "integration/ClipFactory.h"
#include "project/TarneloData.h"
#include "support/EngineTestAccess.h"
#include "support/ProcessWatch.h"
#include "support/RecordingSink.h"

namespace fs = std::filesystem;

namespace {

int ThreadCount() {
    int count = 0;
    if (DIR* dir = opendir("/proc/self/task")) {
        while (dirent* e = readdir(dir)) {
            if (e->d_name[0] != '.') ++count;
        }
        closedir(dir);
    }
    return count;
}

// Holds the first message of one kind on the sender's thread until released, so a test can act while
// the worker is busy.
class Gate {
public:
    void Arm(RecordingSink& sink, unsigned message, WParam wParam) {
        sink.m_onMessage = [this, message, wParam](const RecordingSink::Message& m) {
            if (m.message != message || m.wParam != wParam) return;
            std::unique_lock<std::mutex> lock(m_mutex);
            if (m_used) return;
            m_used = m_entered = true;
            m_changed.notify_all();
            m_changed.wait(lock, [this] { return m_open; });
        };
    }
    void WaitEntered() {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return m_entered; });
    }
    void Open() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_open = true;
        m_changed.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_used = false;
    bool m_entered = false;
    bool m_open = false;
};

class BackgroundQueueTest : public clips::ClipTest {
protected:
    BackgroundQueueTest() : engine(&sink, &data) { data.ResetAll(false); }
    ~BackgroundQueueTest() override {
        engine.StopBackgroundQueue();
        engine.WaitPreviewIdle();
    }

    // A prepared input with three scenes of ten frames whose segments are not cut yet.
    void OpenWithScenes(const std::string& outName) {
        clips::ClipOptions o;
        o.frames = 30;
        o.motion = {{0, 29}};
        data.input_file = Clip("queue.mp4", o);
        data.output_folder = Folder() + "/" + outName + "/";
        data.output_name = "_trim.mp4";
        ASSERT_EQ(engine.PrepareInput(false), 0);
        for (int k = 0; k < 3; ++k) {
            const int first = k * 10;
            data.diff_list.Append(
                SceneEntry(first, first + 9,
                           SegmentFileName(data.output_folder, SegmentFileBase(data.input_file), first, first + 9)));
        }
        engine.WaitPreviewIdle();
        sink.Clear();
    }

    size_t CountStarts(const std::string& text) const {
        size_t n = 0;
        for (const auto& m : sink.Messages(WM_APP_JOB_START)) n += m.text == text ? 1 : 0;
        return n;
    }

    std::vector<WParam> Busy() const {
        std::vector<WParam> values;
        for (const auto& m : sink.Messages(WM_APP_BUSY)) values.push_back(m.wParam);
        return values;
    }

    Gate gate;  // outlives the engine, whose worker may still call it on its way out
    RecordingSink sink;
    CTarneloData data;
    CTarneloProcess engine;
};

TEST_F(BackgroundQueueTest, SelectedSceneGetsItsSegmentAndIsShown) {
    OpenWithScenes("cut");
    engine.StartBackgroundQueue(0);
    engine.QueueSegment(0, true);
    engine.WaitBackgroundDrained();

    const std::string segment = data.diff_list.Snapshot()[0].fileName;
    ASSERT_TRUE(fs::exists(segment));
    EXPECT_EQ(EngineTestAccess::Jobs(engine).GetFrameCount(segment), 10);
    EXPECT_EQ(Busy(), (std::vector<WParam>{0, 1}));
    const auto starts = sink.Messages(WM_APP_JOB_START);
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0].text, "セグメント出力 (001)");
    EXPECT_EQ(starts[0].lParam, 10);
    ASSERT_FALSE(sink.Messages(WM_APP_JOB_STATE).empty());
    EXPECT_EQ(sink.Messages(WM_APP_JOB_STATE).back().wParam, static_cast<WParam>(kJobStateDone));
    engine.WaitPreviewIdle();
    EXPECT_EQ(sink.Count(WM_APP_PREVIEW_IMAGE), 1u);
    EXPECT_EQ(engine.Status().jobId, 0);  // the segment-output mark is given back

    // A segment that is right is only shown again.
    sink.Clear();
    engine.QueueSegment(0, true);
    engine.WaitBackgroundDrained();
    engine.WaitPreviewIdle();
    EXPECT_TRUE(Busy().empty());
    EXPECT_EQ(sink.Count(WM_APP_JOB_START), 0u);
    EXPECT_EQ(sink.Count(WM_APP_PREVIEW_IMAGE), 1u);
    EXPECT_TRUE(testsupport::ChildrenOf(getpid()).empty());
}

TEST_F(BackgroundQueueTest, SameSceneRequestedTwiceWhileBusyRunsOnce) {
    OpenWithScenes("twice");
    // Every attempt at this scene fails, so each run of it would announce itself anew.
    data.diff_list.Update(1, [&](SceneEntry& s) { s.fileName = Folder() + "/no-such-folder/twice_seg_10_19.mp4"; });
    gate.Arm(sink, WM_APP_BUSY, 0);
    engine.StartBackgroundQueue(0);
    engine.QueueSegment(0, false);
    gate.WaitEntered();  // the worker serves the first scene and waits in its first message
    engine.QueueSegment(1, false);
    engine.QueueSegment(1, false);
    engine.QueueSegment(2, false);
    engine.QueueSegment(1, false);
    gate.Open();
    engine.WaitBackgroundDrained();

    EXPECT_EQ(CountStarts("セグメント出力 (001)"), 1u);
    EXPECT_EQ(CountStarts("セグメント出力 (002)"), 1u);
    EXPECT_EQ(CountStarts("セグメント出力 (003)"), 1u);
    EXPECT_TRUE(fs::exists(data.diff_list.Snapshot()[2].fileName));
}

TEST_F(BackgroundQueueTest, RequestWhileForegroundSegmentWorkRunsIsDropped) {
    OpenWithScenes("held");
    engine.StartBackgroundQueue(0);
    {
        std::lock_guard<std::mutex> busy(EngineTestAccess::BusyMutex(engine));  // as a merge job holds it
        engine.QueueSegment(0, true);
        engine.WaitBackgroundDrained();
    }
    // The foreground segment output's own id keeps the worker away as well.
    EngineTestAccess::SetJobId(engine, kJobSegmentOutput);
    engine.QueueSegment(1, true);
    engine.WaitBackgroundDrained();
    EngineTestAccess::SetJobId(engine, 0);
    engine.WaitPreviewIdle();
    EXPECT_TRUE(sink.Messages().empty()) << DescribeMessage(sink.Messages().front());
    EXPECT_FALSE(fs::exists(data.diff_list.Snapshot()[0].fileName));
    EXPECT_FALSE(fs::exists(data.diff_list.Snapshot()[1].fileName));

    // Dropped, not kept: the worker serves the next request once the work is over.
    engine.QueueSegment(1, false);
    engine.WaitBackgroundDrained();
    EXPECT_FALSE(fs::exists(data.diff_list.Snapshot()[0].fileName));
    EXPECT_TRUE(fs::exists(data.diff_list.Snapshot()[1].fileName));
}

TEST_F(BackgroundQueueTest, RequestsDuringACancelOrWithoutASceneAreIgnored) {
    OpenWithScenes("cancel");
    engine.StartBackgroundQueue(0);
    engine.RequestCancel(true);
    engine.QueueSegment(0, true);
    engine.RequestCancel(false);
    engine.QueueSegment(-1, true);
    engine.QueueSegment(7, true);  // beyond the list: served, nothing to do
    engine.WaitBackgroundDrained();
    engine.WaitPreviewIdle();
    EXPECT_TRUE(sink.Messages().empty()) << DescribeMessage(sink.Messages().front());
    EXPECT_FALSE(fs::exists(data.diff_list.Snapshot()[0].fileName));
}

TEST_F(BackgroundQueueTest, StoppingEndsTheWorkerAndARestartServesAgain) {
    // A fresh engine: no still renderer of an earlier preparation can blur the thread count.
    RecordingSink quiet;
    CTarneloData project;
    project.ResetAll(false);
    CTarneloProcess other(&quiet, &project);
    const int before = ThreadCount();
    other.StartBackgroundQueue(0);
    other.StartBackgroundQueue(0);  // already running: no second worker
    EXPECT_TRUE(testsupport::WaitUntil([&] { return ThreadCount() == before + 1; }));
    other.StopBackgroundQueue();
    EXPECT_TRUE(testsupport::WaitUntil([&] { return ThreadCount() == before; }));
    other.StopBackgroundQueue();  // a second stop is harmless

    // After a stop requests go nowhere; a restart serves them again.
    OpenWithScenes("restart");
    engine.StartBackgroundQueue(0);
    engine.StopBackgroundQueue();
    engine.QueueSegment(0, false);
    engine.WaitBackgroundDrained();
    EXPECT_FALSE(fs::exists(data.diff_list.Snapshot()[0].fileName));
    engine.StartBackgroundQueue(0);
    engine.QueueSegment(0, false);
    engine.WaitBackgroundDrained();
    EXPECT_TRUE(fs::exists(data.diff_list.Snapshot()[0].fileName));
}

TEST_F(BackgroundQueueTest, StopInterruptsACutUnderWay) {
    OpenWithScenes("interrupt");
    bool started = false;
    std::mutex mutex;
    std::condition_variable changed;
    sink.m_onMessage = [&](const RecordingSink::Message& m) {
        if (m.message != WM_APP_JOB_START) return;
        std::lock_guard<std::mutex> lock(mutex);
        started = true;
        changed.notify_all();
    };
    engine.StartBackgroundQueue(0);
    engine.QueueSegment(0, false);
    {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [&] { return started; });
    }
    engine.StopBackgroundQueue();
    sink.m_onMessage = nullptr;
    EXPECT_FALSE(engine.CancelRequested());  // the stop request is taken back
    EXPECT_TRUE(testsupport::ChildrenOf(getpid()).empty());
    // Interrupted or finished, a segment is never left half-written under its name.
    if (fs::exists(data.diff_list.Snapshot()[0].fileName)) {
        EXPECT_EQ(EngineTestAccess::Jobs(engine).GetFrameCount(data.diff_list.Snapshot()[0].fileName), 10);
    }
}

TEST_F(BackgroundQueueTest, MergeTabEntryIsPreparedUnlessForegroundWorkHoldsTheLock) {
    clips::ClipOptions o;
    o.frames = 20;
    const std::string video = Clip("entry.mp4", o);
    data.output_folder = Folder() + "/merge/";
    data.output_name = "joined.mp4";
    SceneEntry entry;
    entry.m_sourcePath = video;
    entry.m_fileToUse = Folder() + "/merge/entry_input_ch.mp4";
    data.diff_list.Append(entry);
    engine.StartBackgroundQueue(1);
    {
        std::lock_guard<std::mutex> busy(EngineTestAccess::BusyMutex(engine));
        engine.QueueSegment(0, false);
        engine.WaitBackgroundDrained();
    }
    EXPECT_TRUE(data.input_file.empty());
    EXPECT_EQ(sink.Count(WM_APP_JOB_START), 0u);
    for (WParam b : Busy()) EXPECT_EQ(b, 1u);  // only the end of the drained queue is told

    sink.Clear();
    engine.QueueSegment(0, false);
    engine.WaitBackgroundDrained();
    engine.WaitPreviewIdle();
    EXPECT_EQ(data.input_file, video);  // the source path wins over the file to use
    ASSERT_FALSE(sink.Messages(WM_APP_JOB_START).empty());
    EXPECT_EQ(sink.Messages(WM_APP_JOB_START).front().text, "ファイル解析");
    const std::vector<WParam> busy = Busy();
    ASSERT_GE(busy.size(), 2u);
    EXPECT_EQ(busy.front(), 0u);
    EXPECT_EQ(busy.back(), 1u);
    ASSERT_FALSE(sink.Messages(WM_APP_JOB_STATE).empty());
    EXPECT_EQ(sink.Messages(WM_APP_JOB_STATE).back().wParam, static_cast<WParam>(kJobStateDone));
    EXPECT_EQ(engine.Status().jobId, 0);
}

}  // namespace
