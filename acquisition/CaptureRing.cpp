// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/CaptureRing.h"

#include <algorithm>
#include <cstring>

CCaptureRing::CCaptureRing(std::int32_t framesPerChunk)
    : m_nFramesPerChunk(framesPerChunk),
      m_nChunkBytes(static_cast<std::uint32_t>(framesPerChunk) * kBytesPerFrame),
      m_samples(static_cast<std::size_t>(framesPerChunk) * kChunkCount * 2, 0),
      m_tLastWrite(std::chrono::steady_clock::now()) {}

int CCaptureRing::ChunkToLock(std::uint32_t readPosition,
                              const std::array<std::uint32_t, kChunkCount>& offsets) {
    int k = 0;
    for (std::uint32_t offset : offsets) {
        if (offset <= readPosition) {
            ++k;
        }
    }
    int index = k - 2;
    return index < 0 ? k + 2 : index;
}

void CCaptureRing::Write(const std::int16_t* frames, std::size_t count) {
    bool completed = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_tLastWrite = std::chrono::steady_clock::now();
        if (m_bRecording) {
            m_recording.Push(frames, count);
        }
        const auto n = static_cast<std::size_t>(m_nFramesPerChunk);
        while (count > 0) {
            const int slot = static_cast<int>(m_nWriteSequence % kChunkCount);
            if (m_nWriteFrame == 0) {
                if (m_nLockedChunk == slot) {
                    m_nPendingLost += count;
                    m_nFramesDropped += count;
                    break;
                }
                m_chunkSequence[slot] = m_nWriteSequence;
                m_lostBefore[slot] = m_nPendingLost;
                m_nPendingLost = 0;
            }
            const std::size_t piece = std::min(count, n - static_cast<std::size_t>(m_nWriteFrame));
            std::memcpy(&m_samples[(slot * n + static_cast<std::size_t>(m_nWriteFrame)) * 2],
                        frames, piece * kBytesPerFrame);
            frames += piece * 2;
            count -= piece;
            m_nFramesWritten += piece;
            m_nWriteFrame += static_cast<std::int32_t>(piece);
            if (m_nWriteFrame == m_nFramesPerChunk) {
                m_nWriteFrame = 0;
                ++m_nWriteSequence;
                m_nEvents |= 1u << (m_nWriteSequence % kChunkCount);
                completed = true;
            }
        }
    }
    if (completed) {
        m_chunkEvent.notify_all();
    }
}

void CCaptureRing::StartRecording(std::int64_t firstSequence) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_recording.Clear();
    const auto n = static_cast<std::size_t>(m_nFramesPerChunk);
    for (std::int64_t sequence = std::max<std::int64_t>(firstSequence, 0);
         sequence <= m_nWriteSequence; ++sequence) {
        const auto slot = static_cast<std::size_t>(sequence % kChunkCount);
        if (m_chunkSequence[slot] != sequence) {
            continue; // overwritten, or the chunk being written not begun
        }
        if (sequence > firstSequence) {
            m_recording.Lose(m_lostBefore[slot]);
        }
        const std::size_t frames =
            sequence < m_nWriteSequence ? n : static_cast<std::size_t>(m_nWriteFrame);
        m_recording.Push(&m_samples[slot * n * 2], frames);
    }
    m_recording.Lose(m_nPendingLost);
    m_bRecording = true;
}

void CCaptureRing::StopRecording() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bRecording = false;
}

std::uint32_t CCaptureRing::ReadPosition() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto slot = static_cast<std::uint32_t>(m_nWriteSequence % kChunkCount);
    return slot * m_nChunkBytes + static_cast<std::uint32_t>(m_nWriteFrame) * kBytesPerFrame;
}

bool CCaptureRing::WaitForChunk(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(m_mutex);
    if (!m_chunkEvent.wait_for(lock, timeout, [this] { return m_nEvents != 0; })) {
        return false;
    }
    for (int i = 0; i < kChunkCount; ++i) {
        if (m_nEvents & (1u << i)) {
            m_nEvents &= ~(1u << i);
            break;
        }
    }
    return true;
}

bool CCaptureRing::Lock(std::uint32_t offset, std::uint32_t bytes, void** ppRegion1,
                        std::uint32_t* pBytes1, void** ppRegion2, std::uint32_t* pBytes2,
                        std::int64_t* pSequence) {
    const std::uint32_t total = BufferBytes();
    if (offset >= total || bytes == 0 || bytes > m_nChunkBytes) {
        return false;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_nLockedChunk >= 0) {
        return false;
    }
    // Only whole chunks can be protected from the source, so a lock must
    // cover exactly one chunk.
    const int slot = static_cast<int>(offset / m_nChunkBytes);
    if (offset + bytes > ChunkOffset(slot) + m_nChunkBytes) {
        return false;
    }
    const bool writingHere = m_nWriteSequence % kChunkCount == slot && m_nWriteFrame > 0;
    if (writingHere) {
        return false;
    }
    m_nLockedChunk = slot;
    auto* base = reinterpret_cast<std::uint8_t*>(m_samples.data());
    *ppRegion1 = base + offset;
    *pBytes1 = bytes;
    *ppRegion2 = nullptr;
    *pBytes2 = 0;
    if (pSequence) {
        *pSequence = m_chunkSequence[slot];
    }
    return true;
}

void CCaptureRing::Unlock() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_nLockedChunk = -1;
}

bool CCaptureRing::IsLocked() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_nLockedChunk >= 0;
}

std::uint64_t CCaptureRing::FramesDropped() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_nFramesDropped;
}

std::uint64_t CCaptureRing::FramesDelivered() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_nFramesWritten + m_nFramesDropped;
}

std::chrono::steady_clock::time_point CCaptureRing::LastWriteTime() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_tLastWrite;
}
