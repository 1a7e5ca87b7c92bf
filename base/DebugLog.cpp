// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/DebugLog.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <ctime>

void DebugLog(const char* format, ...) {
    char buffer[256];
    va_list args;
    va_start(args, format);
    // vsnprintf truncates at 255 characters and always terminates.
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    CTraceLog::Instance().AppendLine(buffer);
}

CTraceLog& CTraceLog::Instance() {
    static CTraceLog log;
    return log;
}

void CTraceLog::AppendLine(const std::string& text) {
    // Read once: the environment does not change under a running program.
    static const bool echo = std::getenv("VIREON_TRACE") != nullptr;

    char prefix[16];
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::strftime(prefix, sizeof prefix, "%H:%M:%S", &local);

    {
        CMutexLock lock(m_mutex);
        m_strLog += prefix;
        m_strLog += text;
        // Under the lock so that echoed lines keep the trace's order.
        if (echo)
            std::fprintf(stderr, "%s%s", prefix, text.c_str());
    }
    CMutexLock lock(m_listenerMutex);
    if (m_listener)
        m_listener();
}

std::string CTraceLog::Text() const {
    CMutexLock lock(m_mutex);
    return m_strLog;
}

void CTraceLog::SetListener(Listener listener) {
    CMutexLock lock(m_listenerMutex);
    m_listener = std::move(listener);
}
