// SPDX-License-Identifier: GPL-3.0-or-later
// What the input thread needs of the sound recording (the capture session):
// its own recording bits and a sink for raw captured bytes.
//
// Called on the input thread only.
#pragma once

#include <cstdint>

class IAudioRecorder {
public:
    virtual ~IAudioRecorder() = default;

    // The session's recording bits: kCaptureSound (2) while a WAV file is
    // being written, kCaptureScreen (1) for the screen file.
    virtual std::int32_t GetCaptureFlags() const = 0;
    // Appends bytes of 16-bit stereo PCM (left first) to the WAV file.
    // *pWritten gets the count actually written. The input thread looks at
    // neither the result nor *pWritten.
    virtual std::int32_t WriteAudio(std::uint32_t bytes, const void* data,
                                    std::uint32_t* pWritten) = 0;
    // Sound was lost before the bytes of the next WriteAudio (the capture
    // buffer overran): frames is how many stereo frames are missing.
    virtual void NoteAudioGap(std::uint64_t frames) { (void)frames; }
};
