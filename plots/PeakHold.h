// SPDX-License-Identifier: GPL-3.0-or-later
// Falling peak markers: the held value jumps up to any new value at or above
// it and otherwise sinks by a fixed decay per update, (max - min) / steps, so
// that it crosses the whole range in `steps` updates. It never sinks below
// min; it may exceed max (max only sets the rate). Values are pixels.
//
// Plain arithmetic, no OpenGL; owned and fed by one plot on the
// user-interface thread, once per draw.
#pragma once

#include <cstdint>
#include <memory>

class CPeakHold {
public:
    // Held value starts at min. steps below 1 count as 1.
    CPeakHold(std::int32_t min, std::int32_t max, std::int32_t steps);
    virtual ~CPeakHold() = default;

    // Sinks by one decay, then takes value if it reaches the held one; returns
    // the held value.
    std::int32_t Update(std::int32_t value);

protected:
    std::int32_t m_nMin;
    std::int32_t m_nHeld;
    std::int32_t m_nDecay;
};

// One independent held value per index (one per histogram bar), all with the
// same range and decay.
class CPeakHoldArray : public CPeakHold {
public:
    CPeakHoldArray(std::int32_t min, std::int32_t max, std::int32_t steps, std::int32_t count);

    // As CPeakHold::Update for the held value of index; an index outside
    // 0..count-1 changes nothing and returns 0.
    std::int32_t Update(std::int32_t value, std::int32_t index);

private:
    std::unique_ptr<std::int32_t[]> m_pnHeld;
    std::int32_t m_nCount;
};
