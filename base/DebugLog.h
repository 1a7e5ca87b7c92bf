// SPDX-License-Identifier: GPL-3.0-or-later
// The diagnostic trace: time-stamped lines of free text kept in memory for the
// whole run and shown by the hidden "Debug" window.
//
// DebugLog may be called from any thread. Callers end their messages with
// "\r\n". A formatted message is truncated at 255 characters.
#pragma once

#include <functional>
#include <string>

#include "base/Mutex.h"

void DebugLog(const char* format, ...) __attribute__((format(printf, 1, 2)));

class CTraceLog {
public:
    // Called after every append, on the appending thread, without the trace's
    // lock held; the debug window marshals it to the user-interface thread.
    // Once SetListener returns, the previous listener is no longer running
    // and will not be called again, so it must not wait for the thread that
    // replaces it (a queued, non-blocking hand-over is fine), and it must not log.
    using Listener = std::function<void()>;

    static CTraceLog& Instance();

    // Appends "%H:%M:%S" local time followed by text (no separator). The
    // trace grows for the whole run. With VIREON_TRACE set in the
    // environment each line is also written to standard error.
    void AppendLine(const std::string& text);
    std::string Text() const;
    void SetListener(Listener listener);

private:
    mutable CMutex m_mutex;
    std::string m_strLog VIREON_GUARDED_BY(m_mutex);
    // Separate from m_mutex so the listener runs without the trace's lock.
    CMutex m_listenerMutex;
    Listener m_listener VIREON_GUARDED_BY(m_listenerMutex);
};
