// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/RecordingQueue.h"

#include <algorithm>
#include <cstring>

CRecordingQueue::CRecordingQueue(std::int32_t capacityFrames)
    : m_nCapacity(capacityFrames), m_samples(static_cast<std::size_t>(capacityFrames) * 2, 0) {}

void CRecordingQueue::Push(const std::int16_t* frames, std::size_t count) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_nUnplacedLoss > 0) {
        // Nothing was queued since that loss, so it still belongs at the end.
        const std::uint64_t loss = m_nUnplacedLoss;
        m_nUnplacedLoss = 0;
        m_nFramesLost -= loss;
        LoseLocked(loss);
        if (m_nUnplacedLoss > 0) {
            LoseLocked(count);
            return;
        }
    }
    const auto capacity = static_cast<std::uint64_t>(m_nCapacity);
    const std::uint64_t room = capacity - (m_nPushed - m_nTaken);
    const auto fits = static_cast<std::size_t>(std::min<std::uint64_t>(count, room));
    std::size_t done = 0;
    while (done < fits) {
        const auto at = static_cast<std::size_t>(m_nPushed % capacity);
        const std::size_t piece = std::min(fits - done, static_cast<std::size_t>(capacity) - at);
        std::memcpy(&m_samples[at * 2], frames + done * 2, piece * 2 * sizeof(std::int16_t));
        done += piece;
        m_nPushed += piece;
    }
    if (count > fits) {
        LoseLocked(count - fits);
    }
}

void CRecordingQueue::Lose(std::uint64_t frames) {
    if (frames == 0) {
        return;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    LoseLocked(frames);
}

void CRecordingQueue::LoseLocked(std::uint64_t frames) {
    m_nFramesLost += frames;
    if (m_nUnplacedLoss > 0) {
        m_nUnplacedLoss += frames;
        return;
    }
    if (m_nGapCount > 0) {
        SGap& last = m_gaps[static_cast<std::size_t>((m_nFirstGap + m_nGapCount - 1) % kMaxGaps)];
        if (last.nAt == m_nPushed) {
            last.nFrames += frames;
            return;
        }
    }
    if (m_nGapCount == kMaxGaps) {
        m_nUnplacedLoss = frames;
        return;
    }
    m_gaps[static_cast<std::size_t>((m_nFirstGap + m_nGapCount) % kMaxGaps)] = {m_nPushed, frames};
    ++m_nGapCount;
}

CRecordingQueue::SPiece CRecordingQueue::Peek() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    SPiece piece;
    std::uint64_t end = m_nPushed;
    for (int i = 0; i < m_nGapCount; ++i) {
        const SGap& gap = m_gaps[static_cast<std::size_t>((m_nFirstGap + i) % kMaxGaps)];
        if (gap.nAt == m_nTaken && i == 0) {
            piece.nLostBefore = gap.nFrames;
        } else {
            end = gap.nAt;
            break;
        }
    }
    const auto capacity = static_cast<std::uint64_t>(m_nCapacity);
    const auto at = static_cast<std::size_t>(m_nTaken % capacity);
    piece.nFrames = static_cast<std::size_t>(std::min(end - m_nTaken, capacity - at));
    piece.pFrames = m_samples.data() + at * 2;
    return piece;
}

void CRecordingQueue::Consume(const SPiece& piece) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (piece.nLostBefore > 0 && m_nGapCount > 0) {
        m_nFirstGap = (m_nFirstGap + 1) % kMaxGaps;
        --m_nGapCount;
    }
    m_nTaken += piece.nFrames;
}

void CRecordingQueue::Clear() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_nTaken = m_nPushed;
    m_nFirstGap = 0;
    m_nGapCount = 0;
    m_nUnplacedLoss = 0;
}

std::uint64_t CRecordingQueue::FramesLost() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_nFramesLost;
}
