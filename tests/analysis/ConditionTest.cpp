// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/Condition.h"
#include "analysis/Monitor.h"

#include <future>

#include "tests/analysis/AnalysisTestSupport.h"

namespace {

using namespace std::chrono_literals;

// Runs a hook right after each unlock: inside Wait, that is between giving
// the lock up and going to sleep.
class CHookedMonitor : public CMonitor {
public:
    void Unlock() override {
        CMonitor::Unlock();
        if (afterUnlock)
            afterUnlock();
    }
    std::function<void()> afterUnlock;
};

void SignalUnderLock(CMonitor& monitor, CCondition& condition) {
    monitor.CMonitor::Lock();
    condition.Signal();
    monitor.CMonitor::Unlock();
}

// Callers loop on their predicate, so a signal with nobody waiting may go
// either way; a lost one would leave a waiter asleep for good.
TEST(Condition, SignalBetweenUnlockAndSleepIsNotLost) {
    CHookedMonitor monitor;
    CCondition condition(&monitor);
    bool signalled = false; // the waiting thread's own
    monitor.afterUnlock = [&] {
        if (!std::exchange(signalled, true))
            std::thread([&] { SignalUnderLock(monitor, condition); }).join();
    };
    std::future<void> waited = std::async(std::launch::async, [&] {
        monitor.Lock();
        condition.Wait();
        monitor.CMonitor::Unlock();
    });
    const bool woke = waited.wait_for(5s) == std::future_status::ready;
    EXPECT_TRUE(woke) << "the signal given before the sleep was lost";
    if (!woke)
        SignalUnderLock(monitor, condition); // lets the test end
}

} // namespace
