#include "acquisition/Condition.h"
#include "acquisition/Monitor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <thread>

namespace {

using namespace std::chrono_literals;

// Runs a hook right after each unlock, i.e. inside Wait between giving the
// lock up and going to sleep.
class CHookedMonitor : public CMonitor {
public:
    void Unlock() override {
        CMonitor::Unlock();
        if (afterUnlock)
            afterUnlock();
    }
    std::function<void()> afterUnlock;
};

void WaitForWaiters(CMonitor& monitor, CCondition& condition, int count) {
    for (;;) {
        monitor.Lock();
        const int waiters = condition.GetWaiters();
        monitor.Unlock();
        if (waiters == count)
            return;
        std::this_thread::yield();
    }
}

} // namespace

TEST(Condition, SignalWakesTheWaiterWhichHoldsTheLockAgain) {
    CMonitor monitor;
    CCondition condition(&monitor);
    bool ready = false; // guarded by monitor
    std::atomic<int> wakeups{0};
    std::thread waiter([&] {
        monitor.Lock();
        while (!ready) {
            condition.Wait();
            ++wakeups;
        }
        ready = false; // written under the lock Wait gave back
        monitor.Unlock();
    });
    WaitForWaiters(monitor, condition, 1);
    monitor.Lock();
    ready = true;
    condition.Signal();
    monitor.Unlock();
    waiter.join();
    EXPECT_EQ(wakeups.load(), 1);
    EXPECT_FALSE(ready);
    EXPECT_EQ(condition.GetWaiters(), 0);
}

TEST(Condition, SignalWithNobodyWaitingIsNotRemembered) {
    CMonitor monitor;
    CCondition condition(&monitor);
    monitor.Lock();
    condition.Signal();
    monitor.Unlock();

    std::atomic<bool> returned{false};
    std::thread waiter([&] {
        monitor.Lock();
        condition.Wait();
        returned = true;
        monitor.Unlock();
    });
    for (;;) {
        monitor.Lock();
        const bool inside = condition.GetWaiters() == 1;
        monitor.Unlock();
        if (inside || returned)
            break;
        std::this_thread::yield();
    }
    // A remembered signal would end the wait without any further signal.
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(returned.load());

    monitor.Lock();
    condition.Signal();
    monitor.Unlock();
    waiter.join();
    EXPECT_TRUE(returned.load());
}

TEST(Condition, SignalBetweenUnlockAndSleepIsNotLost) {
    CHookedMonitor monitor;
    CCondition condition(&monitor);
    bool signalled = false;
    monitor.afterUnlock = [&] {
        if (signalled)
            return;
        signalled = true;
        // Another thread signals while the waiter is between its unlock and
        // its sleep.
        std::thread signaller([&] {
            monitor.CMonitor::Lock();
            condition.Signal();
            monitor.CMonitor::Unlock();
        });
        signaller.join();
    };

    auto waited = std::async(std::launch::async, [&] {
        monitor.Lock();
        condition.Wait();
        monitor.CMonitor::Unlock();
    });
    const bool woke = waited.wait_for(5s) == std::future_status::ready;
    EXPECT_TRUE(woke) << "the signal given before the sleep was lost";
    if (!woke) {
        // Release the stuck waiter so the test can end.
        monitor.CMonitor::Lock();
        condition.Signal();
        monitor.CMonitor::Unlock();
    }
    waited.get();
    EXPECT_TRUE(signalled);
}
