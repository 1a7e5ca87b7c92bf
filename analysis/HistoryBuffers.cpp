// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/HistoryBuffers.h"

#include "base/RunState.h"

CHistoryBuffers::CHistoryBuffers(std::int32_t h, std::int32_t k, std::int32_t r)
    : m_nHistoryLength(h), m_nSurfaceCols(k), m_nSurfaceRows(r) {
    const std::size_t rows = 2 * static_cast<std::size_t>(h) + 1;
    const std::size_t bytes = rows * static_cast<std::size_t>(h);
    m_waterfall = std::make_unique<std::uint64_t[]>((bytes + 7) / 8); // value-initialised: zero
    m_surface.assign(static_cast<std::size_t>(k) * static_cast<std::size_t>(r), 0.0);
    for (auto& level : m_levels)
        level.assign(rows, 0.0);
    m_spectrumRow.assign(static_cast<std::size_t>(h), 0);
}

void CHistoryBuffers::Register(CRunState& runState) {
    runState.SetHistoryGeometry({2 * m_nHistoryLength, m_nHistoryLength, 0, m_nHistoryLength});
    runState.SetSurfaceGeometry({m_nSurfaceRows, m_nSurfaceCols, 0});
    runState.SetWaterfall(Waterfall());
    runState.SetSurface(Surface());
    runState.SetLevelHistories({LevelHistory(0), LevelHistory(1), LevelHistory(2), LevelHistory(3),
                                LevelHistory(4), LevelHistory(5)});
}

SRenderParams CHistoryBuffers::RenderParams(CSampleExchange* exchange, CRunState* runState) {
    SRenderParams p;
    p.pExchange = exchange;
    p.pSpectrumRow = SpectrumRow();
    p.pSurface = Surface();
    p.pWaterfall = Waterfall();
    p.pMinHistory = LevelHistory(0);
    p.pMaxHistory = LevelHistory(1);
    p.pLeftMinHistory = LevelHistory(2);
    p.pLeftMaxHistory = LevelHistory(3);
    p.pRightMinHistory = LevelHistory(4);
    p.pRightMaxHistory = LevelHistory(5);
    p.pRunState = runState;
    p.nSurfaceCols = m_nSurfaceCols;
    p.nHistoryLength = m_nHistoryLength;
    return p;
}
