// SPDX-License-Identifier: GPL-3.0-or-later
// The analysis thread (its trace calls it the render thread): takes block
// after block from the sample exchange, mapped by the store's display range
// and display scale as it reads them before each take (the log axis'
// columns it keeps, and rebuilds only when the range changes), and appends the mapped rows and the
// block levels to the history buffers. After each take it publishes the mapping's statistics, and
// the new write positions once the rows are complete. Ends on the empty block.
#pragma once

#include <cstdint>

class CSampleExchange;
class CRunState;

// Start parameters, owned by whoever starts the thread and valid for its
// whole life.
struct SRenderParams {
    CSampleExchange* pExchange = nullptr;
    std::uint8_t* pSpectrumRow = nullptr; // H bytes, scratch
    double* pSurface = nullptr;           // R x K
    std::uint8_t* pWaterfall = nullptr;   // (2H + 1) x H
    double* pMinHistory = nullptr;        // 2H + 1 each
    double* pMaxHistory = nullptr;
    double* pLeftMinHistory = nullptr;
    double* pLeftMaxHistory = nullptr;
    double* pRightMinHistory = nullptr;
    double* pRightMaxHistory = nullptr;
    CRunState* pRunState = nullptr;
    std::int32_t nSurfaceCols = 0;   // K, from the startup settings
    std::int32_t nHistoryLength = 0; // H, the spectrum row's width (0: the store's)
};

// Thread body, run on the analysis thread; returns 0. Runs while the render
// thread word is non-zero (the starter sets it to 1) and sets it to -1 as its
// last act. Writes the history buffers through the helpers of
// analysis/HistoryBuffers.h; allocates only its surface row, once, and the
// log axis' column layouts when they are first built or a row widens.
int RenderThreadProc(const SRenderParams& params);
