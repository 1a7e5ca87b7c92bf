// SPDX-License-Identifier: GPL-3.0-or-later
// A plot's own copy of the newest rows of the waterfall ring (layout and
// access rules in analysis/HistoryBuffers.h). Read takes the published
// geometry and the ring pointer from the store, then copies the rows through
// the HistoryLoad* helpers, so the plot draws from memory no other thread
// touches and the analysis thread never waits for it.
//
// Standard library only. One snapshot belongs to one reader; Read may run on
// any thread while the analysis thread writes the ring.
#pragma once

#include <cstdint>
#include <vector>

#include "base/RunState.h"

class CRingSnapshot {
public:
    CRingSnapshot() = default;
    virtual ~CRingSnapshot() = default;

    // Copies up to rowCount rows, newest first, from ring row r + 1 on (r the
    // published write row; row 0 if r + 1 lies outside 0..H). At most H - 1
    // rows are copied, so the row the writer replaces next (r + H) never is,
    // and no read leaves the ring. Without a registered ring nothing is
    // copied. Returns the number of rows copied. Allocates only when the
    // needed size grows.
    std::int32_t Read(const CRunState& store, std::int32_t rowCount);

    // The geometry the last Read used.
    const SHistoryGeometry& GetGeometry() const { return m_geometry; }
    // The ring index Row(0) was copied from.
    std::int32_t GetFirstRow() const { return m_nFirstRow; }
    std::int32_t GetRows() const { return m_nRows; }
    // Bytes per copied row: the ring's row width, at most H.
    std::int32_t GetRowWidth() const { return m_nRowWidth; }
    // Row i of the last Read, 0 the newest; GetRows() rows back to back.
    const std::uint8_t* Row(std::int32_t i) const {
        return m_bytes.data() + static_cast<std::size_t>(i) * static_cast<std::size_t>(m_nRowWidth);
    }
    const std::uint8_t* Data() const { return m_bytes.data(); }

private:
    std::vector<std::uint8_t> m_bytes;
    SHistoryGeometry m_geometry;
    std::int32_t m_nRows = 0;
    std::int32_t m_nRowWidth = 0;
    std::int32_t m_nFirstRow = 0;
};
