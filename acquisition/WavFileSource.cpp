#include "acquisition/WavFileSource.h"

#include <algorithm>
#include <chrono>
#include <vector>

#include "base/Tunables.h"

CWavFileSource::CWavFileSource(std::string path) : m_strPath(std::move(path)) {}

CWavFileSource::~CWavFileSource() {
    Stop();
}

bool CWavFileSource::Create() {
    if (!m_file.Open(m_strPath)) {
        m_strError = m_file.Error();
        return false;
    }
    return true;
}

bool CWavFileSource::CreateBuffer(std::shared_ptr<CCaptureRing> ring) {
    m_ring = std::move(ring);
    return m_ring != nullptr;
}

bool CWavFileSource::Start() {
    if (!m_ring || m_file.FrameCount() == 0) {
        return false;
    }
    if (m_thread.joinable()) {
        return true;
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bStop = false;
    }
    m_thread = std::thread(&CWavFileSource::Run, this);
    return true;
}

void CWavFileSource::Stop() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bStop = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

void CWavFileSource::Run() {
    using Clock = std::chrono::steady_clock;
    // After a long hold-up (a suspended machine) catch up by at most this
    // much and restart the schedule, instead of flooding the ring.
    constexpr std::int64_t kMaxCatchUp = kSampleRate / 4;
    std::vector<std::int16_t> piece(static_cast<std::size_t>(kMaxCatchUp) * 2);

    Clock::time_point start = Clock::now();
    std::int64_t delivered = 0;
    std::unique_lock<std::mutex> lock(m_mutex);
    for (std::int64_t tick = 1; !m_bStop; ++tick) {
        const auto deadline = start + std::chrono::microseconds(tick * 10000);
        if (m_wake.wait_until(lock, deadline, [this] { return m_bStop; })) {
            break;
        }
        lock.unlock();
        const auto elapsed =
            std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count();
        std::int64_t due = elapsed * kSampleRate / 1000000 - delivered;
        if (due > kMaxCatchUp) {
            due = kMaxCatchUp;
            start = Clock::now();
            delivered = 0;
            tick = 0;
        } else {
            delivered += due;
        }
        auto want = static_cast<std::size_t>(due);
        std::size_t filled = 0;
        bool rewound = false;
        while (filled < want) {
            const std::size_t got = m_file.ReadStereo(&piece[filled * 2], want - filled);
            filled += got;
            if (got == 0) {
                if (rewound) {
                    // Nothing left to read even from the start: silence.
                    std::fill(piece.begin() + static_cast<std::ptrdiff_t>(filled * 2),
                              piece.begin() + static_cast<std::ptrdiff_t>(want * 2), 0);
                    filled = want;
                }
                m_file.Rewind();
                rewound = true;
            } else {
                rewound = false;
            }
        }
        if (want > 0) {
            m_ring->Write(piece.data(), want);
        }
        lock.lock();
    }
}
