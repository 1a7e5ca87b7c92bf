// SPDX-License-Identifier: GPL-3.0-or-later
// The sound on its way to the recording: a bounded first-in, first-out store
// of 16-bit stereo frames between the capture source, which pushes every
// frame it delivers, and the input thread, which writes them to the WAV file
// in order. It lets the recording fall behind by up to Capacity() frames
// (CCaptureRing::kRecordingFrames) without losing a frame, however
// far the display's four-chunk buffer has moved on.
//
// Frames that do not fit are dropped and never overwrite queued ones; the
// loss is kept with its exact length and its place, and the reader meets it
// as "lost before" the frames that follow it (or alone, at the end). Up to
// kMaxGaps separate losses are kept; past that the source drops everything
// until the reader has taken the oldest, so a loss is only ever lengthened,
// never misplaced.
//
// Threads: Push and Lose from one thread at a time (the capture ring calls
// them under its own lock, from the source and from the reader's start);
// Peek, Consume and Clear from one reader. Peek's frames stay valid and unchanged until
// the reader's Consume or Clear. Every member is thread-safe; no call
// allocates after construction.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

class CRecordingQueue {
public:
    static constexpr int kMaxGaps = 16;

    // capacityFrames >= 1.
    explicit CRecordingQueue(std::int32_t capacityFrames);
    CRecordingQueue(const CRecordingQueue&) = delete;
    CRecordingQueue& operator=(const CRecordingQueue&) = delete;

    std::int32_t Capacity() const { return m_nCapacity; }

    // Source side. frames: interleaved left/right; count in frames. What
    // does not fit is dropped and counted as a loss at the end.
    void Push(const std::int16_t* frames, std::size_t count);
    // frames were lost at the end of what is queued (before the next Push).
    void Lose(std::uint64_t frames);

    struct SPiece {
        const std::int16_t* pFrames = nullptr; // interleaved, nFrames x 2 values
        std::size_t nFrames = 0;
        std::uint64_t nLostBefore = 0; // frames lost just before pFrames
    };
    // The oldest queued frames, as one contiguous piece that stops at the
    // next loss; empty (0 frames, 0 lost) when nothing is queued.
    SPiece Peek() const;
    // Removes the piece the last Peek returned (its loss with it).
    void Consume(const SPiece& piece);
    // Empties the queue and forgets every loss (a new recording).
    void Clear();

    std::uint64_t FramesLost() const; // since construction

private:
    struct SGap {
        std::uint64_t nAt = 0; // position in the pushed stream
        std::uint64_t nFrames = 0;
    };
    void LoseLocked(std::uint64_t frames);

    const std::int32_t m_nCapacity;
    std::vector<std::int16_t> m_samples; // 2 x capacity

    mutable std::mutex m_mutex;
    std::uint64_t m_nPushed = 0; // frames ever queued (positions)
    std::uint64_t m_nTaken = 0;  // frames ever consumed
    std::array<SGap, kMaxGaps> m_gaps{};
    int m_nFirstGap = 0;
    int m_nGapCount = 0;
    std::uint64_t m_nUnplacedLoss = 0; // waits for a free gap slot
    std::uint64_t m_nFramesLost = 0;
};
