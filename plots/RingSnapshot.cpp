// SPDX-License-Identifier: GPL-3.0-or-later
#include "plots/RingSnapshot.h"

#include <algorithm>

#include "analysis/HistoryBuffers.h"

std::int32_t CRingSnapshot::Read(const CRunState& store, std::int32_t rowCount) {
    m_geometry = store.GetHistoryGeometry();
    const std::uint8_t* ring = store.GetWaterfall();
    const std::int32_t h = m_geometry.nHistoryLength;
    m_nRows = 0;
    m_nFirstRow = 0;
    m_nRowWidth = std::clamp(m_geometry.nRowWidth, 0, std::max(h, 0));
    if (ring == nullptr || h <= 0)
        return 0;

    std::int32_t newest = m_geometry.nHistoryRow + 1;
    if (newest < 0 || newest > h)
        newest = 0;
    m_nFirstRow = newest;
    // From newest <= H, H - 1 rows end before row 2H: inside the ring and
    // short of the row being replaced.
    m_nRows = std::clamp(rowCount, 0, h - 1);
    const std::size_t width = static_cast<std::size_t>(m_nRowWidth);
    const std::size_t bytes = static_cast<std::size_t>(m_nRows) * width;
    if (m_bytes.size() < bytes)
        m_bytes.resize(bytes);
    HistoryLoadBytes(m_bytes.data(), ring + static_cast<std::size_t>(newest) * width, bytes);
    return m_nRows;
}
