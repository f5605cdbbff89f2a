#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "engine/tools/PumpWait.h"

namespace {

class PumpingWindow : public MainWindowLink {
public:
    TabWindow* ActiveTab() override { return nullptr; }
    void PumpMessages() override {
        ++pumps;
        if (onPump) onPump();
    }
    int pumps = 0;
    std::function<void()> onPump;
};

TEST(PumpWaitTest, NoPumpWhenAlreadyDone) {
    PumpingWindow window;
    std::mutex mutex;
    std::condition_variable changed;
    PumpUntil(&window, mutex, changed, [] { return true; });
    EXPECT_EQ(window.pumps, 0);
}

// A message handler that needs the waiter's mutex (as a worker's Send does) must get it while the
// messages are served, or the wait never ends.
TEST(PumpWaitTest, MutexIsFreeWhileMessagesAreServed) {
    PumpingWindow window;
    std::mutex mutex;
    std::condition_variable changed;
    bool done = false;
    window.onPump = [&] {
        bool free = false;
        std::thread other([&] {
            std::unique_lock<std::mutex> lock(mutex, std::try_to_lock);
            free = lock.owns_lock();
        });
        other.join();
        EXPECT_TRUE(free);
        if (window.pumps == 3) done = true;
    };
    PumpUntil(&window, mutex, changed, [&] { return done; });
    EXPECT_EQ(window.pumps, 3);
}

TEST(PumpWaitTest, WakesOnTheConditionWithoutAWindow) {
    std::mutex mutex;
    std::condition_variable changed;
    bool done = false;
    std::thread worker([&] {
        std::lock_guard<std::mutex> lock(mutex);
        done = true;
        changed.notify_all();
    });
    PumpUntil(nullptr, mutex, changed, [&] { return done; });
    worker.join();
    EXPECT_TRUE(done);
}

}  // namespace
