// SPDX-License-Identifier: GPL-3.0-or-later
// A value and its own mutex: the value is only ever copied in or out whole,
// or changed in place under the lock, so no reader sees half of it.
//
// Any thread. Every member takes the value's mutex for the copy or the
// change and releases it before returning; nothing else is locked meanwhile,
// so guarded values never nest their locks.
#pragma once

#include "base/Mutex.h"

template <typename T> class CGuarded {
public:
    CGuarded() = default;
    explicit CGuarded(const T& value) : m_value(value) {}
    CGuarded(const CGuarded&) = delete;
    CGuarded& operator=(const CGuarded&) = delete;

    T Get() const VIREON_EXCLUDES(m_mutex) {
        CMutexLock lock(m_mutex);
        return m_value;
    }
    void Set(const T& value) VIREON_EXCLUDES(m_mutex) {
        CMutexLock lock(m_mutex);
        m_value = value;
    }
    // Runs change(T&) under the lock, for a writer that sets only part of the
    // value: the rest, which another thread may write, is not lost. change
    // must take no lock and keep no reference to the value.
    template <typename F> void Update(F&& change) VIREON_EXCLUDES(m_mutex) {
        CMutexLock lock(m_mutex);
        change(m_value);
    }

private:
    mutable CMutex m_mutex;
    T m_value VIREON_GUARDED_BY(m_mutex){};
};
