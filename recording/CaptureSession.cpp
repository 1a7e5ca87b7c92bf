// SPDX-License-Identifier: GPL-3.0-or-later
#include "recording/CaptureSession.h"

#include "base/RunState.h"

CCaptureSession::CCaptureSession() {
    m_tNextShot = m_log.Now();
    SetInterval(1);
    SetSizeLimit(kScreen, g_nAviSizeLimit);
    SetSizeLimit(kAudio, g_nWavSizeLimit);
    StartStop(false);
}

CCaptureSession::~CCaptureSession() {
    // The files first, so that their "Close" lines still reach the log.
    m_audio.Close();
    m_screen.Close();
    m_log.Close();
}

void CCaptureSession::SetClock(CCaptureLog::Clock clock) {
    m_log.SetClock(std::move(clock));
    m_tNextShot = m_log.Now();
}

namespace {
CCaptureFile& FileOf(int type, CAudioCaptureFile& audio, CScreenCaptureFile& screen) {
    if (type == CCaptureSession::kAudio)
        return audio;
    return screen;
}
} // namespace

void CCaptureSession::SetFileName(int type, const std::string& nameTemplate) {
    FileOf(type, m_audio, m_screen).SetTemplate(nameTemplate);
}

std::string CCaptureSession::GetFileName(int type) const {
    return type == kAudio ? m_audio.GetTemplate() : m_screen.GetTemplate();
}

void CCaptureSession::SetFileCounter(int type, std::int32_t counter) {
    FileOf(type, m_audio, m_screen).SetFileCounter(counter);
}

void CCaptureSession::SetSizeLimit(int type, std::int32_t bytes) {
    FileOf(type, m_audio, m_screen).SetSizeLimit(bytes);
    LogLine(std::string(type == kAudio ? "WAV" : "AVI") + " file size limit " +
            FormatWithCommas(bytes) + " bytes");
}

void CCaptureSession::SetInterval(std::int64_t seconds) {
    m_tsInterval = seconds;
}

std::int64_t CCaptureSession::GetInterval() const {
    return m_tsInterval;
}

void CCaptureSession::SetTimeLimit(std::int64_t seconds) {
    m_tsLimit = seconds;
    if (seconds > 0) {
        m_tEnd = m_log.Now() + seconds;
        LogLine("Capture Limit: " + CCaptureLog::FormatSpan(seconds));
    }
}

std::int64_t CCaptureSession::GetTimeLimit() const {
    return m_tsLimit;
}

std::int32_t CCaptureSession::GetScreenKind() const {
    return m_screen.GetCaptureKind();
}

bool CCaptureSession::OpenAudio() {
    return m_audio.Open();
}

bool CCaptureSession::InitScreen(const SBitmapInfoHeader* header, std::int32_t frameRate,
                                 std::int32_t kind) {
    return m_screen.Open(header, frameRate, kind);
}

bool CCaptureSession::ChooseCompression() {
    return m_screen.ChooseCompression();
}

bool CCaptureSession::MakeCompressedStream() {
    return m_screen.MakeCompressedStream();
}

std::int32_t CCaptureSession::GetCaptureFlags() const {
    return (m_audio.IsCapturing() ? kCaptureSound : 0) |
           (m_screen.IsCapturing() ? kCaptureScreen : 0);
}

std::int32_t CCaptureSession::GetOpenFlags() const {
    return (m_audio.IsOpen() ? kCaptureSound : 0) | (m_screen.IsOpen() ? kCaptureScreen : 0);
}

std::int32_t CCaptureSession::WriteAudio(std::uint32_t bytes, const void* data,
                                         std::uint32_t* pWritten) {
    return m_audio.Write(bytes, data, pWritten) ? 0 : 1;
}

void CCaptureSession::NoteAudioGap(std::uint64_t frames) {
    LogLine("Sound lost: " + std::to_string(frames) + " frames not recorded");
}

bool CCaptureSession::WriteAviFrame(const std::uint8_t* dib) {
    const auto result = m_screen.WriteAviFrame(dib);
    if (result == CScreenCaptureFile::EFrame::Written)
        ScheduleNext();
    return result != CScreenCaptureFile::EFrame::Failed;
}

bool CCaptureSession::WriteBmpFrame(const std::uint8_t* dib, const SBmpFileHeader& header) {
    const auto result = m_screen.WriteBmpFrame(dib, header);
    if (result == CScreenCaptureFile::EFrame::Written)
        ScheduleNext();
    return result != CScreenCaptureFile::EFrame::Failed;
}

bool CCaptureSession::IsDue(int type) const {
    if (type == kAudio)
        return m_audio.IsCapturing();
    if (type == kScreen)
        return m_screen.IsCapturing() && m_log.Now() >= m_tNextShot;
    return false;
}

void CCaptureSession::ScheduleNext() {
    const std::int64_t next = m_log.Now() + m_tsInterval;
    m_tNextShot = next;
    if (m_tsLimit <= 0 || next <= m_tEnd)
        return;
    // The screen is done when its next frame would fall after the limit. The
    // sound records on to the limit itself, where CheckTimeLimit stops it.
    CMutexLock lock(m_controlMutex);
    if (m_audio.IsCapturing())
        m_screen.SetCapturing(false);
    else
        StartStopLocked(false);
}

void CCaptureSession::StartStop(bool start) {
    CMutexLock lock(m_controlMutex);
    StartStopLocked(start);
}

void CCaptureSession::StartStopLocked(bool start) {
    if (start) {
        m_log.StartClock();
        if (m_tsLimit > 0)
            m_tEnd = m_log.Now() + m_tsLimit;
    }
    // Both parts, open or not: a stale recording bit must not survive a stop.
    const bool audioOpen = m_audio.SetCapturing(start);
    const bool screenOpen = m_screen.SetCapturing(start);
    if (!start)
        m_log.SetCapturing(false);
    if (audioOpen || screenOpen) {
        if (start)
            m_log.SetCapturing(true);
        LogLine(start ? "Capture Start" : "Capture Stop");
    }
}

void CCaptureSession::CloseSession() {
    // The files close outside the control lock: a failure's message box runs
    // an event loop whose timer ticks take that lock.
    m_audio.Close();
    m_screen.Close();
    CMutexLock lock(m_controlMutex);
    LogLine("Capture Session Closed");
    m_log.Close();
    m_log.ResetClock();
    m_tsLimit = 0;
    m_tNextShot = m_log.Now();
    m_tsInterval = 0;
    m_audio.SetCapturing(false);
    m_screen.SetCapturing(false);
}

void CCaptureSession::UpdateElapsed() {
    // A part whose file failed no longer records: neither does the clock.
    if (GetCaptureFlags() == 0 && m_log.IsCapturing())
        m_log.SetCapturing(false);
    m_log.UpdateElapsed();
}

std::int64_t CCaptureSession::GetElapsed() {
    UpdateElapsed();
    return m_log.GetElapsed();
}

bool CCaptureSession::CheckTimeLimit() {
    CMutexLock lock(m_controlMutex);
    const std::int32_t flags = GetCaptureFlags();
    if (m_tsLimit <= 0 || flags == 0)
        return false;
    // While the screen records, its frames up to the end come first and
    // ScheduleNext stops it; this only catches a capture left running.
    const std::int64_t now = m_log.Now();
    const bool over = (flags & kCaptureScreen) != 0 ? now > m_tEnd : now >= m_tEnd;
    if (!over)
        return false;
    StartStopLocked(false);
    return true;
}

bool CCaptureSession::OpenLog(const std::string& fileName) {
    return m_log.Open(fileName);
}

bool CCaptureSession::IsLogOpen() const {
    return m_log.IsOpen();
}

std::string CCaptureSession::GetLogName() const {
    return m_log.GetName();
}

void CCaptureSession::LogLine(const std::string& text) {
    m_log.Line(text);
}

std::string CCaptureSession::FormatWithCommas(std::int64_t n) {
    const std::string digits = std::to_string(n);
    std::string reversed;
    int count = 0;
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        reversed += *it;
        if (++count % 3 == 0)
            reversed += ',';
    }
    std::string text(reversed.rbegin(), reversed.rend());
    if (!text.empty() && text.front() == ',')
        text.front() = ' ';
    return text;
}
