#include <algorithm>
#include <system_error>

#include "engine/jobs/JobContext.h"
#include "engine/jobs/JobTables.h"
#include "engine/tools/PumpWait.h"
#include "log/AppLog.h"
#include "project/TarneloData.h"

// Marks the engine as writing a segment while background work runs, and gives the id back afterwards.
// A foreground job keeps its own id: its finish message, the stop button and the progress display
// all read it. The id is given back only when nobody replaced it meanwhile.
class JobContext::SegmentOutputMark {
public:
    explicit SegmentOutputMark(JobContext& engine) : m_engine(engine) {
        if (engine.bThreadRunning.load()) return;
        m_previous = engine.nProcessID.exchange(kJobSegmentOutput);
        m_marked = true;
    }
    ~SegmentOutputMark() {
        if (!m_marked) return;
        int expected = kJobSegmentOutput;
        m_engine.nProcessID.compare_exchange_strong(expected, m_previous);
    }
    SegmentOutputMark(const SegmentOutputMark&) = delete;
    SegmentOutputMark& operator=(const SegmentOutputMark&) = delete;

private:
    JobContext& m_engine;
    int m_previous = 0;
    bool m_marked = false;
};

void JobContext::StartBackgroundQueue(int mode) {
    std::lock_guard<std::mutex> lock(m_queueMutex);
    if (m_queueRunning.load()) return;
    // A worker that was stopped cleared its running flag under this mutex and touches nothing of ours
    // afterwards, so joining it here cannot wait on the lock we hold.
    if (m_queueThread.joinable()) m_queueThread.join();
    m_queueStop = false;
    m_queueRunning = true;
    m_options.mode = mode;
    try {
        m_queueThread = std::thread(&JobContext::BackgroundWorkerProc, this);
    } catch (const std::system_error& e) {
        AppLog().Log("%s(%d) thread start failed (%s)\n", "CTarneloProcess::StartBackgroundQueue", __LINE__, e.what());
        m_queueRunning = false;
    }
}

void JobContext::QueueSegment(int sceneIndex, bool show) {
    if (sceneIndex < 0 || CancelRequested()) return;
    {
        std::lock_guard<std::mutex> lock(m_queueMutex);
        if (!m_queueRunning.load() || m_queueStop.load()) return;
        const bool pending = std::any_of(m_queue.begin(), m_queue.end(), [&](const BackgroundRequest& r) {
            return r.sceneIndex == sceneIndex && r.show == show;
        });
        if (pending) return;
        m_queue.push_back(BackgroundRequest{sceneIndex, show});
    }
    m_queueWork.notify_one();
}

void JobContext::StopBackgroundQueue() {
    {
        std::lock_guard<std::mutex> lock(m_queueMutex);
        m_queueStop = true;
        m_queue.clear();
    }
    m_queueWork.notify_all();
    if (!m_queueRunning.load()) {
        if (m_queueThread.joinable()) m_queueThread.join();
        return;
    }
    // A cut under way is stopped like a job's, unless a job of the user's runs and owns the request.
    const bool stopCut = !bThreadRunning.load() && !CancelRequested();
    if (stopCut) RequestCancel(true);
    PumpUntil(m_mainWindow, m_queueMutex, m_queueDrained, [this] { return !m_queueRunning.load(); });
    if (m_queueThread.joinable()) m_queueThread.join();
    if (stopCut) RequestCancel(false);
}

void JobContext::WaitBackgroundDrained() {
    PumpUntil(m_mainWindow, m_queueMutex, m_queueDrained,
              [this] { return !m_queueRunning.load() || (m_queue.empty() && !m_queueBusy); });
}

void JobContext::BackgroundWorkerProc() {
    for (;;) {
        BackgroundRequest request;
        {
            std::unique_lock<std::mutex> lock(m_queueMutex);
            m_queueWork.wait(lock, [this] { return m_queueStop.load() || !m_queue.empty(); });
            if (m_queueStop.load()) {
                m_queue.clear();
                m_queueRunning = false;
                m_queueDrained.notify_all();
                return;
            }
            request = m_queue.front();
            m_queue.pop_front();
            m_queueBusy = true;
        }

        if (m_options.mode == 0) {
            BackgroundSegmentOutput(request.sceneIndex, request.show);
        } else {
            std::unique_lock<std::mutex> busy(m_busyMutex, std::try_to_lock);
            if (busy.owns_lock()) {
                std::string input;
                if (auto entry = m_data->diff_list.At(request.sceneIndex)) {
                    input = entry->m_sourcePath.empty() ? entry->m_fileToUse : entry->m_sourcePath;
                }
                if (!input.empty()) {
                    int result = 0;
                    {
                        SegmentOutputMark mark(*this);
                        SendBusy(true);
                        m_data->input_file = input;
                        m_data->m_sourceInfo = VideoInfo{};
                        result = PrepareInput(true);
                    }
                    if (result != 0) {
                        AppLog().Log("%s(%d) PrepareInput(%d) input_file(%s)\n",
                                     "CTarneloProcess::BackgroundWorkerProc", __LINE__, result, input.c_str());
                    }
                    SendBusy(false);
                }
            }
        }

        bool drained = false;
        {
            std::lock_guard<std::mutex> lock(m_queueMutex);
            drained = m_queue.empty();
        }
        // Sent outside the queue lock: the receiving UI thread may itself be waiting for that lock in
        // QueueSegment while it handles nothing else. The worker counts as busy until they are through,
        // so a waiter for the drained queue sees them all.
        if (drained && m_options.mode == 1) {
            SendBusy(false);
            SendState(kJobStateDone);
        }
        {
            std::lock_guard<std::mutex> lock(m_queueMutex);
            m_queueBusy = false;
            if (m_queue.empty()) m_queueDrained.notify_all();
        }
    }
}

int JobContext::BackgroundSegmentOutput(int sceneIndex, bool show) {
    std::unique_lock<std::mutex> busy(m_busyMutex, std::try_to_lock);
    if (!busy.owns_lock() || nProcessID.load() == kJobSegmentOutput) return -1;

    const std::optional<SceneEntry> listed = m_data->diff_list.At(sceneIndex);
    if (!listed) return -1;
    const SceneEntry& scene = *listed;
    const std::string input = WorkingInput();
    const int expected = scene.FrameCount();
    const int frames = GetFrameCount(scene.fileName);
    int result = 0;
    if (frames < 1 || frames != expected) {
        // One message serves both: the tab shows the wait cursor and locks its controls meanwhile.
        SendBusy(true);
        {
            SegmentOutputMark mark(*this);
            const std::string name = FormatC("%s (%03d)", KindName(kJobKindSegmentOutput), sceneIndex + 1);
            Send(WM_APP_JOB_START, reinterpret_cast<WParam>(name.c_str()), expected);
            result = OutputSceneSegment(input, sceneIndex, expected, 0, false);
            if (result == 0) SendState(kJobStateDone);
        }
        SendBusy(false);
    }
    if (show) {
        // The cut may have renamed the segment to its real range.
        if (auto current = m_data->diff_list.At(sceneIndex); current && !current->fileName.empty()) {
            ShowSceneFile(current->fileName);
        }
    }
    return result;
}
