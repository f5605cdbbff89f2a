#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "engine/jobs/MessageSink.h"

// A UI thread that waits for a worker keeps serving its own messages, because the worker may be blocked
// in a Send to it. This is the longest it goes without.
inline constexpr std::chrono::milliseconds kPumpInterval{10};

// While waiting() holds: serves window's pending messages (when there is a window), then lets wait() wait
// a round of at most kPumpInterval, which ends early when the wait is over.
template <class Waiting, class Wait>
void PumpWhile(MainWindowLink* window, Waiting waiting, Wait wait) {
    while (waiting()) {
        if (window) window->PumpMessages();
        wait();
    }
}

// Waits until done() holds, checked under mutex and woken by changed. Messages are served only once a
// first round has passed (most of these waits are over sooner), and never with the mutex held: their
// handlers may need it.
template <class Done>
void PumpUntil(MainWindowLink* window, std::mutex& mutex, std::condition_variable& changed, Done done) {
    const auto round = [&] {
        std::unique_lock<std::mutex> lock(mutex);
        return changed.wait_for(lock, kPumpInterval, done);
    };
    if (round()) return;
    const auto waiting = [&] {
        std::lock_guard<std::mutex> lock(mutex);
        return !done();
    };
    PumpWhile(window, waiting, round);
}
