// SPDX-License-Identifier: GPL-3.0-or-later
// The largest value each column has shown since the hold was last reset:
// the histogram's max-hold trace, in bar heights (pixels above the plot's
// bottom). User-interface thread only; no OpenGL.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

class CMaxHold {
public:
    // Forgets every value: the next Update starts the hold.
    void Reset() { m_held.clear(); }
    // Raises each column to its value; a different column count starts
    // afresh.
    void Update(std::span<const std::int32_t> values);
    // The held values; empty after a reset.
    std::span<const std::int32_t> Held() const { return m_held; }

private:
    std::vector<std::int32_t> m_held;
};
