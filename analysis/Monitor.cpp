// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/Monitor.h"

void CMonitor::Lock() {
    m_hMutex.lock();
}

void CMonitor::Unlock() {
    m_hMutex.unlock();
}
