// SPDX-License-Identifier: GPL-3.0-or-later
// The sound of a capture: WAV files of 16-bit stereo PCM at kSampleRate, named
// from the template, rolled over to the next number when the size limit is
// reached, and kept readable while recording (committed about once a second
// of sound).
//
// Failures: a failed write closes the file (what was written stays, cut to
// whole frames) and the part stops recording; a failed rollover leaves it
// closed too. Each is logged and traced and reported once (CCaptureFile).
//
// Threads: Open and Close on the user-interface thread; Write (with its
// rollover and commits) on the input thread. The file's mutex serialises
// them; the input thread never waits for anything but this mutex and the
// log's.
#pragma once

#include <cstdint>
#include <memory>

#include "base/Tunables.h"
#include "recording/CaptureFile.h"
#include "recording/WavFileWriter.h"

// PCM, 2 channels, kSampleRate Hz, block alignment 4, 16 bits.
extern const SWaveFormat kCaptureWaveFormat;
// Bytes per WAV file: 2^31 - 200 000.
inline constexpr std::int32_t g_nWavSizeLimit = 2147283648;

class CAudioCaptureFile : public CCaptureFile {
public:
    explicit CAudioCaptureFile(CCaptureLog* log) : CCaptureFile(log) {}
    ~CAudioCaptureFile() override; // Close()

    // Closes any file, resets the counter to 0 and creates the first file
    // (MakeFileName(template, 0)), paused. False when it cannot be created.
    bool Open();
    // Completes and closes the file; logs "Close " + name. Pauses the part.
    void Close();

    // Appends the whole 4-byte frames of byteCount bytes (the input always
    // hands whole frames); *bytesWritten gets the bytes written. The first
    // good write after an open logs "Start " + name. Reaching the size limit
    // rolls over to the next file. False when nothing is open or the write
    // or rollover failed. bytesWritten may be null.
    bool Write(std::uint32_t byteCount, const void* data, std::uint32_t* bytesWritten);

    // Bytes of sound between commits: one second.
    static constexpr std::uint32_t kCommitBytes = kSampleRate * 4;

private:
    bool OpenNextLocked(std::string& message) VIREON_REQUIRES(m_mutex);
    bool CloseLocked(std::string& message) VIREON_REQUIRES(m_mutex);
    // Completes and drops the writer, leaving the open state to the caller.
    bool CloseWriterLocked(std::string& message) VIREON_REQUIRES(m_mutex);
    // A failed write or commit: closes the file (what reached the disk
    // stays, cut to whole frames) and sets the message. Returns false.
    bool WriteFailedLocked(std::string& message) VIREON_REQUIRES(m_mutex);

    std::unique_ptr<CWavFileWriter> m_pWriter VIREON_GUARDED_BY(m_mutex);
    std::uint32_t m_nUncommitted VIREON_GUARDED_BY(m_mutex) = 0;
};
