// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/RenderThread.h"

#include <algorithm>
#include <thread>
#include <vector>

#include "analysis/HistoryBuffers.h"
#include "analysis/LogColumns.h"
#include "analysis/SampleExchange.h"
#include "base/DebugLog.h"
#include "base/RunState.h"
#include "base/Tunables.h"

namespace {

// Writes one level at its two ring positions.
void AppendLevel(double* history, std::int32_t r, std::int32_t half, std::int16_t level) {
    const double value = level * kSampleScale;
    HistoryStoreDouble(history + r, value);
    HistoryStoreDouble(history + half + r, value);
}

} // namespace

int RenderThreadProc(const SRenderParams& params) {
    CRunState& store = *params.pRunState;
    // Parameters filled by hand may lack H; the store has it since start-up.
    const std::int32_t h = params.nHistoryLength > 0 ? params.nHistoryLength
                                                     : store.GetHistoryGeometry().nHistoryLength;
    const std::int32_t k = params.nSurfaceCols;
    std::vector<double> surfaceRow(static_cast<std::size_t>(k), 0.0);
    DebugLog("Render thread spawned\r\n");

    SMapRow rows[2] = {{params.pSpectrumRow, MAP_COLOUR_INDEX, h, nullptr},
                       {surfaceRow.data(), MAP_UNIT_DOUBLE, k, nullptr}};
    // Each row's columns on the log axis, rebuilt only when the range
    // changes (the width and the bins are fixed for the thread's life).
    CLogColumns spectrumColumns;
    CLogColumns surfaceColumns;
    const std::int32_t bins = params.pExchange->GetBlockSize() / 2;
    const double binWidth = params.pExchange->GetBinWidth();

    if (store.GetRenderThreadState() != kThreadStopRequested) {
        for (;;) {
            std::fill_n(params.pSpectrumRow, h, std::uint8_t{0});
            const SSurfaceGeometry surface = store.GetSurfaceGeometry();
            std::fill(surfaceRow.begin(), surfaceRow.end(), 0.0);

            // A range or scale set while the take waits applies from the
            // next block on; rows already in the rings keep theirs.
            const SDisplayRange range = store.GetDisplayRange();
            const SDisplayScale scale = store.GetDisplayScale();
            if (scale.bLogFrequency) {
                rows[0].pLayout = spectrumColumns.Update(range, binWidth, bins, h);
                rows[1].pLayout = surfaceColumns.Update(range, binWidth, bins, k);
            }
            SSpectrumStats stats;
            if (params.pExchange->TakeBlock(range, scale, rows, &stats) == 0)
                break;
            store.SetSpectrumStats(stats);

            const SHistoryGeometry history = store.GetHistoryGeometry();
            const std::int32_t half = history.nRingRows / 2;
            std::int32_t r = history.nHistoryRow;
            const auto rowBytes = static_cast<std::size_t>(history.nRowWidth);
            HistoryStoreBytes(params.pWaterfall + static_cast<std::size_t>(r) * rowBytes,
                              params.pSpectrumRow, static_cast<std::size_t>(h));
            HistoryStoreBytes(params.pWaterfall + static_cast<std::size_t>(r + half) * rowBytes,
                              params.pSpectrumRow, static_cast<std::size_t>(h));
            std::int32_t i = surface.nRow;
            HistoryStoreDoubles(params.pSurface + static_cast<std::size_t>(k) * i,
                                surfaceRow.data(), static_cast<std::size_t>(k));

            // The block's own levels: the store's may already be the next
            // block's, put while this one was being appended.
            const SLevels levels = params.pExchange->GetTakenLevels();
            const SStereoLevels stereo = params.pExchange->GetTakenStereoLevels();
            AppendLevel(params.pMinHistory, r, half, levels.nPeakMin);
            AppendLevel(params.pMaxHistory, r, half, levels.nPeakMax);
            AppendLevel(params.pLeftMinHistory, r, half, stereo.nLeftMin);
            AppendLevel(params.pLeftMaxHistory, r, half, stereo.nLeftMax);
            AppendLevel(params.pRightMinHistory, r, half, stereo.nRightMin);
            AppendLevel(params.pRightMaxHistory, r, half, stereo.nRightMax);

            // Published only now, so readers never start on the row just written.
            if (--r < 0)
                r = half - 1;
            store.SetHistoryGeometry({history.nRingRows, history.nHistoryLength, r, h});
            i = (i + 1) % surface.nRows;
            store.SetSurfaceGeometry({surface.nRows, surface.nCols, i});

            // Paces the analysis to about 100 blocks a second; the producer
            // waits in its put meanwhile.
            std::this_thread::sleep_for(kAnalysisPause);
            if (store.GetRenderThreadState() == kThreadStopRequested)
                break;
        }
    }

    store.SetRenderThreadState(kThreadNotRunning);
    return 0;
}
