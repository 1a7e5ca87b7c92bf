// SPDX-License-Identifier: GPL-3.0-or-later
// Five-sample moving average of millisecond durations. Empty slots count as
// zero until five samples have been added. Not thread-safe: one owner.
#pragma once

#include <array>
#include <cstdint>

class CTimeAverage {
public:
    void Reset() {
        m_samples.fill(0);
        m_nIndex = 0;
    }
    void Add(std::int32_t ms) {
        m_samples[m_nIndex] = ms;
        m_nIndex = (m_nIndex + 1) % kSlots;
    }
    std::int32_t Average() const {
        std::int64_t sum = 0;
        for (std::int32_t s : m_samples)
            sum += s;
        return static_cast<std::int32_t>(static_cast<double>(sum) * 0.2);
    }

private:
    static constexpr int kSlots = 5;
    std::array<std::int32_t, kSlots> m_samples{};
    int m_nIndex = 0;
};
