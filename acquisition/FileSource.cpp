// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/FileSource.h"

#include <algorithm>
#include <chrono>
#include <vector>

#include "base/DebugLog.h"
#include "base/Tunables.h"

CFileSource::CFileSource(std::string path, std::unique_ptr<ISoundReader> reader)
    : m_strPath(std::move(path)), m_reader(std::move(reader)) {}

CFileSource::~CFileSource() {
    Stop();
}

bool CFileSource::Create() {
    m_bOpen = m_reader && m_reader->Open(m_strPath);
    if (!m_bOpen)
        m_strError = m_reader ? m_reader->Error() : "input file \"" + m_strPath + "\": no reader";
    return m_bOpen;
}

bool CFileSource::CreateBuffer(std::shared_ptr<CCaptureRing> ring) {
    m_ring = std::move(ring);
    return m_ring != nullptr;
}

bool CFileSource::Start() {
    if (!m_ring || !m_bOpen) {
        return false;
    }
    if (m_thread.joinable()) {
        return true;
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bStop = false;
    }
    m_thread = std::thread(&CFileSource::Run, this);
    return true;
}

void CFileSource::Stop() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bStop = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

std::string CFileSource::Fault() const {
    CMutexLock lock(m_faultMutex);
    return m_strFault;
}

void CFileSource::NoteFault(const std::string& reason) {
    {
        CMutexLock lock(m_faultMutex);
        if (!m_strFault.empty())
            return;
        m_strFault = reason;
    }
    DebugLog("%s\r\n", reason.c_str());
}

void CFileSource::Run() {
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
            const std::size_t got = m_reader->ReadStereo(&piece[filled * 2], want - filled);
            filled += got;
            if (got == 0) {
                if (!m_reader->Error().empty())
                    NoteFault(m_reader->Error());
                if (rewound) {
                    // Nothing left to read even from the start: silence.
                    std::fill(piece.begin() + static_cast<std::ptrdiff_t>(filled * 2),
                              piece.begin() + static_cast<std::ptrdiff_t>(want * 2), 0);
                    filled = want;
                }
                m_reader->Rewind();
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
