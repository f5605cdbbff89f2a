#pragma once

#include <condition_variable>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <thread>

// Bounds the short ffmpeg tasks (cuts, re-cuts, conversions) that run beside a job.
// Submit waits while the maximum is active; WaitIdle waits until none is.
class TaskLimiter {
public:
    explicit TaskLimiter(int maximum);
    ~TaskLimiter();  // WaitIdle
    TaskLimiter(const TaskLimiter&) = delete;
    TaskLimiter& operator=(const TaskLimiter&) = delete;

    void Submit(std::function<void()> task);
    void WaitIdle();
    int Maximum() const { return m_maximum; }
    int Active() const;

private:
    struct Worker {
        std::thread thread;
        bool done = false;
    };
    void JoinFinished(std::unique_lock<std::mutex>& lock);

    const int m_maximum;
    int m_active = 0;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    // Threads are kept joinable (not detached) so no task can outlive its job.
    std::list<Worker> m_workers;
};

// 4 with CUDA; otherwise 2, 4 or min(6, 0.75 x n) for n hardware threads up to 4, 5 to 8, or more.
int TaskLimiterMaximum(bool cuda);
