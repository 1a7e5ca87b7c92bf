// SPDX-License-Identifier: GPL-3.0-or-later
// The recording engine behind File > Capture: one audio capture file (WAV)
// and one screen capture file (AVI or BMP sequence), switched together
// between recording and paused, with a time limit, the screen frame pacing,
// the recording clock and the optional capture log.
//
// Capture bits: kCaptureSound (2) the sound part, kCaptureScreen (1) the
// screen part. GetOpenFlags: the parts set up; GetCaptureFlags: the parts
// recording, which a part is only while its file is open.
//
// The time limit: every start restarts it. It is tested after every screen
// frame (ScheduleNext ends the screen part when its next frame would fall
// after the end: the whole capture if the sound is not recording, otherwise
// only the screen, and the sound records on) and on every view tick
// (CheckTimeLimit), which stops the sound at the end itself.
//
// Threads:
//  - user-interface thread: settings, set-up, StartStop, CloseSession, the
//    log, UpdateElapsed/GetElapsed/CheckTimeLimit (every tick);
//  - input thread: GetCaptureFlags, WriteAudio, NoteAudioGap;
//  - screenshot thread: IsDue, WriteAviFrame, WriteBmpFrame (and with them
//    ScheduleNext and a timed StartStop(false)).
// Each capture file has its own mutex, the log another; IsDue and the flags
// read atomics. StartStop and CloseSession are serialised by a further mutex
// that the input thread never takes. No lock is held while a message shows.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "acquisition/AudioRecorder.h"
#include "base/Mutex.h"
#include "recording/AudioCaptureFile.h"
#include "recording/CaptureLog.h"
#include "recording/ScreenCaptureFile.h"

class CCaptureSession : public IAudioRecorder {
public:
    // Type codes of the session's operations.
    static constexpr int kAudio = 0;
    static constexpr int kScreen = 1;

    // Not initialised: interval 1 s, the size limits g_nAviSizeLimit and
    // g_nWavSizeLimit, paused.
    CCaptureSession();
    ~CCaptureSession() override; // closes the log, then both files
    CCaptureSession(const CCaptureSession&) = delete;
    CCaptureSession& operator=(const CCaptureSession&) = delete;

    // Calendar seconds; std::time unless a test injects its own (before use).
    void SetClock(CCaptureLog::Clock clock);

    // Settings; type kAudio or kScreen.
    void SetFileName(int type, const std::string& nameTemplate);
    std::string GetFileName(int type) const; // the template
    void SetFileCounter(int type, std::int32_t counter);
    // Logs "WAV file size limit " / "AVI file size limit " + the number with
    // thousands separators + " bytes".
    void SetSizeLimit(int type, std::int32_t bytes);
    void SetInterval(std::int64_t seconds); // between screen frames
    std::int64_t GetInterval() const;
    // 0: none. Otherwise the end is now + seconds and "Capture Limit: " +
    // "%H:%M:%S" is logged.
    void SetTimeLimit(std::int64_t seconds);
    std::int64_t GetTimeLimit() const;
    std::int32_t GetScreenKind() const; // kCaptureAvi or kCaptureBmp

    // Set-up (user-interface thread); true on success. A failed part is not
    // set up (see the capture files).
    bool OpenAudio();
    bool InitScreen(const SBitmapInfoHeader* header, std::int32_t frameRate, std::int32_t kind);
    bool ChooseCompression();
    bool MakeCompressedStream();

    // IAudioRecorder (input thread).
    std::int32_t GetCaptureFlags() const override;
    // 0 on success, 1 on failure (the failure is reported by the session).
    std::int32_t WriteAudio(std::uint32_t bytes, const void* data,
                            std::uint32_t* pWritten) override;
    void NoteAudioGap(std::uint64_t frames) override;

    // Screenshot thread; true on success, after which the next frame is
    // scheduled. A failure is logged and traced here; the caller shows it.
    bool WriteAviFrame(const std::uint8_t* dib);
    bool WriteBmpFrame(const std::uint8_t* dib, const SBmpFileHeader& header);
    // kAudio: the sound is recording. kScreen: the screen is recording and
    // its next frame is due. Any thread.
    bool IsDue(int type) const;
    void ScheduleNext();

    // start: every open part records (the clock resumes, the time limit
    // restarts, "Capture Start" is logged if a part is open). false: both
    // parts pause, open or not ("Capture Stop" if a part is open).
    void StartStop(bool start);
    // Closes both files, logs "Capture Session Closed", closes the log and
    // resets the clock, the limit, the interval and the recording state.
    void CloseSession();
    void UpdateElapsed();
    std::int64_t GetElapsed(); // updates, then returns the seconds recorded
    // Stops the capture once its time limit has run out; true if it stopped
    // it now. While the screen records, frames up to the end are written
    // first (the stop then comes from ScheduleNext).
    bool CheckTimeLimit();

    std::int32_t GetOpenFlags() const;

    // The capture log (see CaptureLog.h). OpenLog: false if the file cannot
    // be created.
    bool OpenLog(const std::string& fileName);
    bool IsLogOpen() const;
    std::string GetLogName() const;
    void LogLine(const std::string& text);

    // Decimal with "," every three digits from the right; a leading ","
    // becomes a space: 999 -> " 999", 1000 -> "1,000", 123456 -> " 123,456".
    static std::string FormatWithCommas(std::int64_t n);

private:
    void StartStopLocked(bool start) VIREON_REQUIRES(m_controlMutex);

    CCaptureLog m_log; // first: the files log into it until they are gone
    CAudioCaptureFile m_audio{&m_log};
    CScreenCaptureFile m_screen{&m_log};
    CMutex m_controlMutex; // StartStop, CloseSession, the timed stop
    std::atomic<std::int64_t> m_tsLimit{0};
    std::atomic<std::int64_t> m_tEnd{0};
    std::atomic<std::int64_t> m_tNextShot{0};
    std::atomic<std::int64_t> m_tsInterval{0};
};
