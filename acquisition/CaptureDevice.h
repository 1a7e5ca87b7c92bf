// SPDX-License-Identifier: GPL-3.0-or-later
// The sound-capture device: one process-wide device that captures 44100 Hz,
// 16-bit stereo into a looping buffer of four chunks of N frames (see
// CCaptureRing), signals each completed chunk, and lets the input thread lock
// the most recently completed chunk.
//
// Where the sound comes from is a backend (ICaptureBackend): the PortAudio
// device of platform/PortAudioCapture.h or the file source of
// acquisition/FileSource.h. The backend writes frames into the ring; the
// logic here (start-up order and its trace messages, lock rule, chunk
// events, sequence numbers) is the same for every backend.
//
// Threads: InitCapture, StartCapture, StopCapture and IsCapturing on the
// user-interface thread; WaitForChunk, LockChunk, UnlockChunk,
// ReleaseCapture and the chunk-sequence functions on the input thread, which
// also calls StopCapture as it ends. Every function is safe to call in any
// state: after a failed InitCapture or after ReleaseCapture they do nothing
// and report failure (WaitForChunk then just waits out its timeout).
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "acquisition/CaptureRing.h"
#include "base/Tunables.h"

// The capture format every backend delivers, at kSampleRate (base/Tunables.h).
inline constexpr std::int32_t kCaptureChannels = 2;
inline constexpr std::int32_t kCaptureBitsPerSample = 16;

// A source of captured sound. Each step returns false on failure; Error()
// then says why in words a user understands (may be empty).
class ICaptureBackend {
public:
    virtual ~ICaptureBackend() = default; // releases everything

    // Open the device or file.
    virtual bool Create() = 0;
    // Look at the available devices (used only to detect a broken service).
    virtual bool Enumerate() { return true; }
    // Read the device's capabilities.
    virtual bool QueryCaps() { return true; }
    // Can it deliver 44100 Hz, 16-bit stereo?
    virtual bool SupportsFormat() = 0;
    // Prepare to write into ring once started. The ring outlives every use
    // the backend makes of it (the backend may keep the shared pointer).
    virtual bool CreateBuffer(std::shared_ptr<CCaptureRing> ring) = 0;
    // Start or resume delivering frames.
    virtual bool Start() = 0;
    // Stop delivering frames. Must return within about a second even when
    // the source has stalled; Start may follow.
    virtual void Stop() = 0;

    virtual std::string Name() const = 0;
    virtual std::string Error() const = 0;
    // Why delivery failed after a good start (a file that cannot be read to
    // its end); empty while all is well. Any thread.
    virtual std::string Fault() const { return {}; }
};

// The start-up sequence over backend (which the device then owns), for block
// size n frames (1..32768). Traces each step and each failure. Returns false
// on failure; the device is then absent and every other function a no-op.
bool InitCapture(std::int32_t n, std::unique_ptr<ICaptureBackend> backend);
// Why the last InitCapture or StartCapture failed, for the user's message
// ("" if unknown).
std::string GetCaptureError();
// Whether InitCapture succeeded (and ReleaseCapture has not run since).
bool HasCaptureDevice();
// The device's (or file's) name as the backend gives it; "" without one.
std::string GetCaptureDeviceName();

// The backend's Fault(): "" while delivery is fine and without a device.
std::string GetCaptureFault();

// Start or resume capture; false (and a trace) on failure or without device.
bool StartCapture();
// Stop capture (bounded time, see ICaptureBackend::Stop). Returns true.
bool StopCapture();
bool IsCapturing();

// Waits for one of the four chunk events and resets it: true. Returns false
// when timeout passed without one (always, without a device). While
// capturing, a source that delivered nothing for kStallTime is traced once
// per stall.
// kChunkWaitSlice and kStallTime are in base/Tunables.h.
bool WaitForChunk(std::chrono::milliseconds timeout = kChunkWaitSlice);

// Locks the most recently completed chunk (the lock rule of CCaptureRing).
// Out: two regions (the second always empty). Returns false and traces
// "Failed to lock sound buffer: 1" on failure.
bool LockChunk(void** ppRegion1, std::uint32_t* pBytes1, void** ppRegion2, std::uint32_t* pBytes2);
// Unlocks the regions of the last LockChunk. Returns true.
bool UnlockChunk(void* pRegion1, std::uint32_t bytes1, void* pRegion2, std::uint32_t bytes2);
// Stops the backend if needed and releases it and the buffer. Capture cannot
// be restarted until the next InitCapture.
void ReleaseCapture();

// Every captured frame in order, for the sound recording, through the
// ring's recording queue (CCaptureRing::StartRecording). Without a device:
// -1, nothing happens, an empty piece.
std::int64_t LockedChunkSequence(); // of the chunk now locked; -1 if none
void StartRecordingFrom(std::int64_t firstSequence);
void StopRecording();
// The oldest recorded frames not yet taken, at most one chunk (N frames)
// of them, so that a WAV file passes its size limit by less than a chunk;
// valid until ConsumeRecorded.
CRecordingQueue::SPiece PeekRecorded();
void ConsumeRecorded(const CRecordingQueue::SPiece& piece);

// Frames the source has delivered to the buffer since InitCapture, the
// ones it dropped included (0 without a device): a position in the source's
// own stream, so that a frame's place there does not shift with the drops
// before it. Any thread.
std::uint64_t GetCapturedFrames();
