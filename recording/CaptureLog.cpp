// SPDX-License-Identifier: GPL-3.0-or-later
#include "recording/CaptureLog.h"

#include <ctime>

namespace {
std::int64_t SystemNow() {
    return static_cast<std::int64_t>(std::time(nullptr));
}
} // namespace

CCaptureLog::CCaptureLog() : m_clock(SystemNow) {}

CCaptureLog::~CCaptureLog() {
    if (m_pFile != nullptr)
        std::fclose(m_pFile);
}

void CCaptureLog::SetClock(Clock clock) {
    m_clock = clock ? std::move(clock) : Clock(SystemNow);
}

std::int64_t CCaptureLog::Now() const {
    return m_clock();
}

bool CCaptureLog::Open(const std::string& fileName) {
    Close();
    std::FILE* file = std::fopen(fileName.c_str(), "wb");
    if (file == nullptr)
        return false;
    const std::string header = "Capture Log: " + fileName +
                               "\r\nDate       Time     Capture\r\n"
                               "---------- -------- --------\r\n";
    std::fwrite(header.data(), 1, header.size(), file);
    // Each line reaches the file at once: the log is read after a crash too.
    std::fflush(file);
    CMutexLock lock(m_mutex);
    m_pFile = file;
    m_strName = fileName;
    return true;
}

void CCaptureLog::Close() {
    CMutexLock lock(m_mutex);
    if (m_pFile != nullptr)
        std::fclose(m_pFile);
    m_pFile = nullptr;
    m_strName.clear();
    m_bClockStarted = false;
    m_tsTotal = 0;
}

bool CCaptureLog::IsOpen() const {
    CMutexLock lock(m_mutex);
    return m_pFile != nullptr;
}

std::string CCaptureLog::GetName() const {
    CMutexLock lock(m_mutex);
    return m_strName;
}

std::string CCaptureLog::FormatSpan(std::int64_t seconds) {
    const std::int64_t s = seconds < 0 ? 0 : seconds;
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", static_cast<int>(s / 3600 % 24),
                  static_cast<int>(s / 60 % 60), static_cast<int>(s % 60));
    return text;
}

void CCaptureLog::Line(const std::string& text) {
    const std::time_t now = static_cast<std::time_t>(Now());
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%m/%d/%Y %H:%M:%S", &local);

    CMutexLock lock(m_mutex);
    if (m_pFile == nullptr)
        return;
    const std::string line = std::string(stamp) + " " + FormatSpan(m_tsTotal) + " " + text + "\r\n";
    // Results of log writes are not looked at: the log must never stop a
    // recording.
    std::fwrite(line.data(), 1, line.size(), m_pFile);
    std::fflush(m_pFile);
}

void CCaptureLog::StartClock() {
    const std::int64_t now = Now();
    CMutexLock lock(m_mutex);
    if (!m_bClockStarted) {
        m_bClockStarted = true;
        m_tResume = now;
        m_tsTotal = 0;
    }
    // A pause does not count: the clock runs on from now.
    if (!m_bCapturing)
        m_tResume = now;
}

void CCaptureLog::SetCapturing(bool capturing) {
    const std::int64_t now = Now();
    CMutexLock lock(m_mutex);
    // The time up to a pause counts.
    if (!capturing)
        UpdateLocked(now);
    m_bCapturing = capturing;
}

bool CCaptureLog::IsCapturing() const {
    CMutexLock lock(m_mutex);
    return m_bCapturing;
}

void CCaptureLog::UpdateLocked(std::int64_t now) {
    if (m_bClockStarted && m_bCapturing) {
        m_tsTotal += now - m_tResume;
        m_tResume = now;
    }
}

void CCaptureLog::UpdateElapsed() {
    const std::int64_t now = Now();
    CMutexLock lock(m_mutex);
    UpdateLocked(now);
}

std::int64_t CCaptureLog::GetElapsed() const {
    CMutexLock lock(m_mutex);
    return m_tsTotal;
}

void CCaptureLog::ResetClock() {
    CMutexLock lock(m_mutex);
    m_bClockStarted = false;
    m_bCapturing = false;
    m_tsTotal = 0;
    m_tResume = 0;
}
