// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/Condition.h"

#include "analysis/Monitor.h"

CCondition::CCondition(CMonitor* monitor) : m_pMonitor(monitor) {}

void CCondition::Wait() {
    ++m_nWaiters;
    m_pMonitor->Unlock();
    Acquire();
    m_pMonitor->Lock();
    --m_nWaiters;
}

void CCondition::Signal() {
    if (m_nWaiters > 0)
        Release();
}

void CCondition::Acquire() {
    std::unique_lock<std::mutex> lock(m_semMutex);
    m_semCv.wait(lock, [this] { return m_bSemaphore; });
    m_bSemaphore = false;
}

void CCondition::Release() {
    {
        std::lock_guard<std::mutex> lock(m_semMutex);
        m_bSemaphore = true;
    }
    m_semCv.notify_one();
}
