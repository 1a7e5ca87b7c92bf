// SPDX-License-Identifier: GPL-3.0-or-later
// The looping capture buffer: 16 x N bytes of 16-bit stereo frames in four
// chunks of N frames. A source (a device callback or the file source's
// thread) writes frames in at the capture rate; the input thread waits for a
// chunk to complete and locks chunks for reading.
//
// Every chunk that completes gets a sequence number (0, 1, 2, ... since the
// ring was made), so that the recording can start at the chunk the reader
// has locked.
//
// Memory safety: a source never writes into a chunk that is locked. It drops
// the incoming frames instead and counts them; the next chunk it starts
// carries that count as "lost before". So a reader never sees a chunk change
// under it, and lost sound is always accounted for.
//
// The sound recording does not depend on the four chunks: while it runs,
// every frame the source writes also goes into a recording queue
// (CRecordingQueue) of kRecordingFrames, so the recording may fall seconds
// behind while the display only ever sees the newest chunks.
//
// Threads: Write from exactly one source thread at a time; everything else
// from the reader (the input thread), except ReadPosition, FramesWritten and
// the statistics, which any thread may call. All members are thread-safe.
#pragma once

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

#include "acquisition/RecordingQueue.h"
#include "base/Tunables.h"

class CCaptureRing {
public:
    static constexpr int kChunkCount = 4;
    // How far the recording may fall behind the source without loss: 4 s.
    static constexpr std::int32_t kRecordingFrames = 4 * kSampleRate;
    static constexpr std::uint32_t kBytesPerFrame = 4; // 16-bit stereo

    // framesPerChunk: N, 1 .. 32768 (the block size).
    explicit CCaptureRing(std::int32_t framesPerChunk);
    CCaptureRing(const CCaptureRing&) = delete;
    CCaptureRing& operator=(const CCaptureRing&) = delete;

    // Geometry. Buffer 16 N bytes; chunk i starts at byte i x 4 N.
    std::uint32_t BufferBytes() const { return m_nChunkBytes * kChunkCount; }
    std::uint32_t ChunkBytes() const { return m_nChunkBytes; }
    std::uint32_t ChunkOffset(int chunk) const {
        return static_cast<std::uint32_t>(chunk) * m_nChunkBytes;
    }
    std::int32_t FramesPerChunk() const { return m_nFramesPerChunk; }

    // The lock rule: with k = the number of chunk offsets <= readPosition,
    // the chunk holding the read position is k - 1 and the chunk to lock is
    // the one before it (k - 2, or k + 2 when that is negative).
    static int ChunkToLock(std::uint32_t readPosition,
                           const std::array<std::uint32_t, kChunkCount>& offsets);

    // Source side. frames: interleaved left/right pairs; count in frames.
    // Never blocks on the reader beyond a short mutex; frames that would
    // overwrite the locked chunk are dropped and counted.
    void Write(const std::int16_t* frames, std::size_t count);

    // Byte offset up to which the buffer holds complete data (0 .. 16N - 1).
    std::uint32_t ReadPosition() const;

    // Waits up to timeout for one of the four chunk events (event i: the
    // writer passed the start of chunk i). Resets the lowest signalled event
    // and returns true; returns false on timeout. Events are auto-reset and
    // not counted: several completions before a wait leave several events
    // set, each consumed by one wait.
    bool WaitForChunk(std::chrono::milliseconds timeout);

    // Locks bytes at offset for reading. The range must lie inside one chunk
    // (the only ranges the lock rule asks for), so the second region is
    // always empty (null, 0). Fails when the range is not inside one chunk,
    // a lock is already held, or the source is writing into that chunk right
    // now. *pSequence (may be null) gets the sequence number of the locked
    // chunk, or -1 if it was never filled (it then holds silence).
    bool Lock(std::uint32_t offset, std::uint32_t bytes, void** ppRegion1, std::uint32_t* pBytes1,
              void** ppRegion2, std::uint32_t* pBytes2, std::int64_t* pSequence = nullptr);
    // Ends the lock taken by Lock (the regions are not checked).
    void Unlock();
    bool IsLocked() const;

    // Recording (reader side). StartRecording: the queue is emptied and gets
    // the chunks from firstSequence on that are still held (the locked one
    // and those after it, with the loss between them), the part of the chunk
    // being written, and then every frame the source writes, until
    // StopRecording. The reader takes them through Recording().Peek/Consume.
    void StartRecording(std::int64_t firstSequence);
    void StopRecording();
    CRecordingQueue& Recording() { return m_recording; }

    // Statistics.
    std::uint64_t FramesDropped() const;
    std::uint64_t FramesDelivered() const; // accepted + dropped, read together
    // Time of the last Write call (accepted or dropped), or of the ring's
    // creation if none.
    std::chrono::steady_clock::time_point LastWriteTime() const;

private:
    const std::int32_t m_nFramesPerChunk;
    const std::uint32_t m_nChunkBytes;
    std::vector<std::int16_t> m_samples; // 8 N samples = 16 N bytes

    mutable std::mutex m_mutex;
    std::condition_variable m_chunkEvent;
    unsigned m_nEvents = 0;            // bit i: event of chunk i
    std::int64_t m_nWriteSequence = 0; // chunk being written
    std::int32_t m_nWriteFrame = 0;    // frames already in it
    std::array<std::int64_t, kChunkCount> m_chunkSequence{-1, -1, -1, -1};
    std::array<std::uint64_t, kChunkCount> m_lostBefore{};
    std::uint64_t m_nPendingLost = 0;
    int m_nLockedChunk = -1;
    std::uint64_t m_nFramesWritten = 0;
    std::uint64_t m_nFramesDropped = 0;
    std::chrono::steady_clock::time_point m_tLastWrite;
    bool m_bRecording = false;
    CRecordingQueue m_recording{kRecordingFrames};
};
