// SPDX-License-Identifier: GPL-3.0-or-later
// The capture log and the recording clock of a capture session.
//
// The log is an optional text file. It starts with
//   "Capture Log: <name>\r\n"
//   "Date       Time     Capture\r\n"
//   "---------- -------- --------\r\n"
// and every Line appends "%m/%d/%Y %H:%M:%S" (local time), a space, the
// recording time so far as "%H:%M:%S" (hours within the day, so the column
// restarts after 24 hours), a space, the text and "\r\n". Without a log file
// Line does nothing.
//
// The clock counts whole seconds spent recording: StartClock/SetCapturing
// mark the starts and pauses, UpdateElapsed adds the time since the last
// update while capturing, so paused time is left out.
//
// Times are calendar seconds from the clock function (std::time by default;
// tests inject their own, set before any other call).
//
// Threads: every member may be called from any thread (the user-interface,
// input and screenshot threads all log). One mutex guards the file and the
// clock; it is held only for the copy and the one line's write, and no other
// lock is taken under it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

#include "base/Mutex.h"

class CCaptureLog {
public:
    using Clock = std::function<std::int64_t()>;

    CCaptureLog();
    ~CCaptureLog(); // closes the file (it stays on disk)
    CCaptureLog(const CCaptureLog&) = delete;
    CCaptureLog& operator=(const CCaptureLog&) = delete;

    // Not while other threads use the log.
    void SetClock(Clock clock);
    std::int64_t Now() const;

    // Closes any log, then creates (or truncates) fileName and writes the
    // header. False when the file cannot be created; no log is open then.
    bool Open(const std::string& fileName);
    // Closes the log file (it stays on disk) and resets the clock: the next
    // start counts from 0.
    void Close();
    bool IsOpen() const;
    std::string GetName() const;
    void Line(const std::string& text);

    // Recording clock. StartClock: the first start of a capture (or the
    // first since Close) sets the total to 0; a start while paused resumes
    // the clock from now.
    void StartClock();
    void SetCapturing(bool capturing);
    bool IsCapturing() const;
    void UpdateElapsed();
    std::int64_t GetElapsed() const; // seconds; without an update
    // Forgets the clock: total 0, not capturing, no start yet.
    void ResetClock();

    // "%H:%M:%S" of a span of seconds, hours within the day.
    static std::string FormatSpan(std::int64_t seconds);

private:
    void UpdateLocked(std::int64_t now) VIREON_REQUIRES(m_mutex);

    Clock m_clock;
    mutable CMutex m_mutex;
    std::FILE* m_pFile VIREON_GUARDED_BY(m_mutex) = nullptr;
    std::string m_strName VIREON_GUARDED_BY(m_mutex);
    bool m_bCapturing VIREON_GUARDED_BY(m_mutex) = false;
    bool m_bClockStarted VIREON_GUARDED_BY(m_mutex) = false; // a resume time exists
    std::int64_t m_tResume VIREON_GUARDED_BY(m_mutex) = 0;
    std::int64_t m_tsTotal VIREON_GUARDED_BY(m_mutex) = 0;
};
