// SPDX-License-Identifier: GPL-3.0-or-later
// A plain mutual-exclusion lock with overridable operations; the base of the
// sample exchange. Lock and Unlock may be called from any thread; Unlock only
// by the thread that holds the lock.
#pragma once

#include <mutex>

class CMonitor {
public:
    CMonitor() = default;
    virtual ~CMonitor() = default;
    CMonitor(const CMonitor&) = delete;
    CMonitor& operator=(const CMonitor&) = delete;

    // Waits without time limit.
    virtual void Lock();
    virtual void Unlock();

private:
    std::mutex m_hMutex;
};
