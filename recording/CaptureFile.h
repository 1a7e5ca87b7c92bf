// SPDX-License-Identifier: GPL-3.0-or-later
// Base of the two capture files of a session (sound to WAV files, the plot to
// an AVI file or a BMP sequence): the name template, the file counter, the
// size limit and the open/recording state.
//
// A part counts as recording only while its file is open: IsCapturing is
// false once a failure closed the file, whatever SetCapturing said, and
// SetCapturing(false) always clears the state, open or not.
//
// Failures of writes, rollovers and closes are reported by the subclasses:
// the capture log and the trace say so every time (LogFailure),
// and (for the sound; the screenshot thread reports the screen's) one
// warning reaches the user per capture (until the next Open or start).
//
// Threads: each file has one mutex around its check-write-rollover, its
// start/stop and its close, so no writer is closed or deleted while another
// thread writes to it. IsOpen and IsCapturing read atomics without it.
// Messages are shown only after the mutex is released.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "base/Mutex.h"

class CCaptureLog;

// The file name for counter from template: without '#' the template itself;
// otherwise the digit field runs from the first to the last '#' inclusive
// (width w = its length) and is replaced by the counter, zero-filled to at
// least w digits. cap###.bmp, 2 -> cap002.bmp; a#b#z, 7 -> a007z.
std::string MakeFileName(const std::string& nameTemplate, std::int32_t counter);

// The name a rollover moves on to when the template has no '#' (so that the
// finished file is not overwritten): the counter inserted before the
// extension, rec.wav, 1 -> rec1.wav. With a '#' it is MakeFileName.
std::string RolloverFileName(const std::string& nameTemplate, std::int32_t counter);

class CCaptureFile {
public:
    explicit CCaptureFile(CCaptureLog* log);
    virtual ~CCaptureFile() = default;
    CCaptureFile(const CCaptureFile&) = delete;
    CCaptureFile& operator=(const CCaptureFile&) = delete;

    // A file (or, for BMP, the sequence) is set up. Any thread.
    bool IsOpen() const { return m_bOpen.load(); }

    // Recording, not paused, and open. Any thread.
    bool IsCapturing() const { return m_bOpen.load() && m_bCapturing.load(); }
    // start: records while open (returns whether it is open); false: pauses.
    // Takes the file's mutex. A start re-arms the one failure message.
    bool SetCapturing(bool start);

    // Settings (user-interface thread, while not recording). Each takes the
    // file's mutex.
    void SetTemplate(const std::string& nameTemplate);
    std::string GetTemplate() const;
    void SetSizeLimit(std::int32_t bytes); // 0: no limit
    void SetFileCounter(std::int32_t counter);

protected:
    // Logs text in the capture log and the trace; may be called under m_mutex.
    void LogFailure(const std::string& text) const;
    // Shows message (a warning) unless one was shown for this capture
    // already. Call without m_mutex held: a box may run an event loop.
    void ShowFailure(const std::string& message) VIREON_EXCLUDES(m_mutex);
    void Log(const std::string& text) const;

    CCaptureLog* const m_pLog;
    mutable CMutex m_mutex;
    std::atomic<bool> m_bOpen{false};
    std::atomic<bool> m_bCapturing{false};
    // The next good write logs "Start " + name.
    bool m_bStartPending VIREON_GUARDED_BY(m_mutex) = false;
    std::string m_strTemplate VIREON_GUARDED_BY(m_mutex);
    std::string m_strFileName VIREON_GUARDED_BY(m_mutex);
    std::int32_t m_nSizeLimit VIREON_GUARDED_BY(m_mutex) = 0;
    std::int32_t m_nFileCounter VIREON_GUARDED_BY(m_mutex) = 0;
    std::atomic<bool> m_bFailureShown{false};
};
