#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "engine/TarneloProcess.h"
#include "support/ProcessWatch.h"
#include "support/RecordingSink.h"

// Running engine jobs from tests: to their end, or stopped at a chosen message.
namespace testsupport {

inline bool HasFinished(const std::vector<RecordingSink::Message>& messages) {
    for (const auto& m : messages) {
        if (m.message == WM_APP_PROCESS_FINISHED) return true;
    }
    return false;
}

// The last job state the sink saw (0 when none), and the text that came with it.
inline int LastJobState(const RecordingSink& sink) {
    const auto states = sink.Messages(WM_APP_JOB_STATE);
    return states.empty() ? 0 : states.back().As<JobStateMsg>().state;
}
inline std::string LastJobStateText(const RecordingSink& sink) {
    const auto states = sink.Messages(WM_APP_JOB_STATE);
    return states.empty() ? std::string() : states.back().text;
}

// Starts job id and waits for its finish message; the job's result, or -999 when none came in time.
inline int RunJobToEnd(CTarneloProcess& engine, RecordingSink& sink, int id,
                       std::chrono::seconds limit = std::chrono::seconds(180)) {
    if (!engine.StartJob(id)) return -999;
    const bool finished = sink.WaitFor(HasFinished, limit);
    engine.JoinJobThread();
    const auto messages = sink.Messages(WM_APP_PROCESS_FINISHED);
    return finished && !messages.empty() ? messages.back().As<ProcessFinishedMsg>().result : -999;
}

// Starts job id (with the sink cleared) and presses the stop button the first time trigger matches a
// message, holding the engine's thread at that message until the stop request is in. True when the
// trigger matched before the job ended; the job has ended either way.
inline bool StopJobAt(CTarneloProcess& engine, RecordingSink& sink, int id,
                      const std::function<bool(const RecordingSink::Message&)>& trigger) {
    std::mutex mutex;
    std::condition_variable changed;
    bool reached = false;
    bool finished = false;
    sink.m_onMessage = [&](const RecordingSink::Message& m) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (m.message == WM_APP_PROCESS_FINISHED) {
                finished = true;
                changed.notify_all();
            }
            if (reached || !trigger(m)) return;
            reached = true;
        }
        changed.notify_all();
        WaitUntil([&] { return engine.CancelRequested(); });
    };
    sink.Clear();
    if (!engine.StartJob(id)) {
        sink.m_onMessage = nullptr;
        return false;
    }
    bool hit = false;
    {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait_for(lock, std::chrono::seconds(120), [&] { return reached || finished; });
        hit = reached;
    }
    if (hit) engine.CancelProcess();
    engine.JoinJobThread();
    sink.m_onMessage = nullptr;
    return hit;
}

}  // namespace testsupport
