// SPDX-License-Identifier: GPL-3.0-or-later
// A mutex and a scoped lock that Clang's thread-safety analysis understands,
// and the annotation macros that tie data and functions to them.
//
// libstdc++'s std::mutex carries no capability attributes, so data guarded by
// it cannot be checked. Data guarded by a CMutex and marked
// VIREON_GUARDED_BY is: `clang++ -fsyntax-only -Wthread-safety` refuses any
// read or write of it without the lock (scripts/check-thread-safety runs that
// pass over the program). Under other compilers the macros are empty and the
// classes are plain wrappers.
//
// Any thread. A CMutex is not recursive: taking it twice on one thread
// deadlocks, as std::mutex does.
#pragma once

#include <mutex>

#if defined(__clang__)
#define VIREON_THREAD_ANNOTATION(x) __attribute__((x))
#else
#define VIREON_THREAD_ANNOTATION(x)
#endif

// On a class: objects of it are locks.
#define VIREON_CAPABILITY(name) VIREON_THREAD_ANNOTATION(capability(name))
// On a class: an object holds a lock from its construction to its destruction.
#define VIREON_SCOPED_CAPABILITY VIREON_THREAD_ANNOTATION(scoped_lockable)
// On a data member: read and written only while the lock is held.
#define VIREON_GUARDED_BY(lock) VIREON_THREAD_ANNOTATION(guarded_by(lock))
// On a pointer member: what it points to is guarded by the lock.
#define VIREON_PT_GUARDED_BY(lock) VIREON_THREAD_ANNOTATION(pt_guarded_by(lock))
// On a function: the caller must hold the locks.
#define VIREON_REQUIRES(...) VIREON_THREAD_ANNOTATION(requires_capability(__VA_ARGS__))
// On a function: the caller must not hold the locks (the function takes them).
#define VIREON_EXCLUDES(...) VIREON_THREAD_ANNOTATION(locks_excluded(__VA_ARGS__))
// On a function: it takes the locks (none named: the object itself) and
// returns holding them.
#define VIREON_ACQUIRE(...) VIREON_THREAD_ANNOTATION(acquire_capability(__VA_ARGS__))
// On a function: it releases the locks it was called holding.
#define VIREON_RELEASE(...) VIREON_THREAD_ANNOTATION(release_capability(__VA_ARGS__))

class VIREON_CAPABILITY("mutex") CMutex {
public:
    CMutex() = default;
    CMutex(const CMutex&) = delete;
    CMutex& operator=(const CMutex&) = delete;

    void Lock() VIREON_ACQUIRE() { m_mutex.lock(); }
    void Unlock() VIREON_RELEASE() { m_mutex.unlock(); }

private:
    std::mutex m_mutex;
};

// Holds the mutex for the enclosing scope.
class VIREON_SCOPED_CAPABILITY CMutexLock {
public:
    explicit CMutexLock(CMutex& mutex) VIREON_ACQUIRE(mutex) : m_mutex(mutex) { m_mutex.Lock(); }
    ~CMutexLock() VIREON_RELEASE() { m_mutex.Unlock(); }
    CMutexLock(const CMutexLock&) = delete;
    CMutexLock& operator=(const CMutexLock&) = delete;

private:
    CMutex& m_mutex;
};
