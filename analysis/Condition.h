// SPDX-License-Identifier: GPL-3.0-or-later
// A condition bound to a monitor, built on a one-slot semaphore.
//
// Wait and Signal are called with the monitor's lock held. Wait gives the
// lock up while it sleeps and holds it again when it returns. Signal wakes
// one waiter; a signal with nobody waiting is not remembered, but a signal
// that falls between a waiter's unlock and its sleep is kept (the semaphore
// holds at most one) and ends that sleep at once. Callers re-check their
// predicate in a loop, as with any condition.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

class CMonitor;

class CCondition {
public:
    explicit CCondition(CMonitor* monitor);
    virtual ~CCondition() = default;
    CCondition(const CCondition&) = delete;
    CCondition& operator=(const CCondition&) = delete;

    void Wait();
    void Signal();

    // Threads inside Wait; read under the monitor's lock.
    std::int32_t GetWaiters() const { return m_nWaiters; }

private:
    // Binary semaphore whose release saturates at one, so a second signal
    // before the first is consumed can never overflow it.
    void Acquire();
    void Release();

    std::mutex m_semMutex;
    std::condition_variable m_semCv;
    bool m_bSemaphore = false;

    std::int32_t m_nWaiters = 0;
    CMonitor* m_pMonitor;
};
