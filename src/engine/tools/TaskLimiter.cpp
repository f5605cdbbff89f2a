#include "engine/tools/TaskLimiter.h"

#include <system_error>

#include "project/FileHelpers.h"

TaskLimiter::TaskLimiter(int maximum) : m_maximum(maximum < 1 ? 1 : maximum) {}

TaskLimiter::~TaskLimiter() { WaitIdle(); }

void TaskLimiter::Submit(std::function<void()> task) {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return m_active < m_maximum; });
    JoinFinished(lock);
    ++m_active;
    m_workers.emplace_back();
    Worker* worker = &m_workers.back();
    auto work = std::make_shared<std::function<void()>>(std::move(task));
    auto body = [this, worker, work] {
        (*work)();
        std::lock_guard<std::mutex> guard(m_mutex);
        worker->done = true;
        --m_active;
        m_changed.notify_all();
    };
    try {
        worker->thread = std::thread(body);
    } catch (const std::system_error&) {
        // No thread to be had: do the work here rather than lose it.
        m_workers.pop_back();
        --m_active;
        lock.unlock();
        (*work)();
    }
}

void TaskLimiter::WaitIdle() {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return m_active == 0; });
    JoinFinished(lock);
}

int TaskLimiter::Active() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_active;
}

void TaskLimiter::JoinFinished(std::unique_lock<std::mutex>& lock) {
    std::list<Worker> finished;
    for (auto it = m_workers.begin(); it != m_workers.end();) {
        auto next = std::next(it);
        if (it->done) finished.splice(finished.end(), m_workers, it);
        it = next;
    }
    lock.unlock();
    for (Worker& w : finished) w.thread.join();
    lock.lock();
}

int TaskLimiterMaximum(bool cuda) { return GetWorkerCount(cuda); }
