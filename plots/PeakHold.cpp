// SPDX-License-Identifier: GPL-3.0-or-later
#include "plots/PeakHold.h"

#include <algorithm>

namespace {

// A step count of 0 would divide by zero; one step lets the marker fall the
// whole range at once.
std::int32_t Decay(std::int32_t min, std::int32_t max, std::int32_t steps) {
    return static_cast<std::int32_t>((static_cast<double>(max) - static_cast<double>(min)) /
                                     static_cast<double>(std::max(steps, 1)));
}

std::int32_t Fall(std::int32_t& held, std::int32_t value, std::int32_t decay, std::int32_t min) {
    held -= decay;
    if (value >= held)
        held = value;
    else if (held < min)
        held = min;
    return held;
}

} // namespace

CPeakHold::CPeakHold(std::int32_t min, std::int32_t max, std::int32_t steps)
    : m_nMin(min), m_nHeld(min), m_nDecay(Decay(min, max, steps)) {}

std::int32_t CPeakHold::Update(std::int32_t value) {
    return Fall(m_nHeld, value, m_nDecay, m_nMin);
}

CPeakHoldArray::CPeakHoldArray(std::int32_t min, std::int32_t max, std::int32_t steps,
                               std::int32_t count)
    : CPeakHold(min, max, steps), m_nCount(std::max(count, 0)) {
    m_pnHeld = std::make_unique<std::int32_t[]>(static_cast<std::size_t>(m_nCount));
    std::fill_n(m_pnHeld.get(), m_nCount, min);
}

std::int32_t CPeakHoldArray::Update(std::int32_t value, std::int32_t index) {
    if (index < 0 || index >= m_nCount)
        return 0;
    return Fall(m_pnHeld[static_cast<std::size_t>(index)], value, m_nDecay, m_nMin);
}
