// SPDX-License-Identifier: GPL-3.0-or-later
// The analysis thread over history rings of H rows, fed blocks of tones
// whose rows all differ; a second exchange maps the same blocks into the
// rows, surface rows and levels the rings must end up holding.
#pragma once

#include "analysis/HistoryBuffers.h"
#include "analysis/RenderThread.h"
#include "analysis/SampleExchange.h"
#include "tests/analysis/AnalysisTestSupport.h"

namespace vtest {

class CRenderRig {
public:
    static constexpr std::int32_t kN = 1024;
    static constexpr double kRate = 44100.0;
    static constexpr std::int32_t kK = 30; // surface columns
    static constexpr std::int32_t kR = 80; // surface rows
    using Row = std::vector<std::uint8_t>;
    using Levels = std::array<double, 6>;

    struct SBlock {
        Samples data;                // interleaved, left first
        Row row;                     // expected waterfall row
        std::vector<double> surface; // expected surface row
        Levels levels{};             // expected level history values
        SSpectrumStats stats;        // expected published statistics
    };

    explicit CRenderRig(std::int32_t h)
        : h(h), buffers(h, kK, kR), exchange(kN, kRate, &store),
          reference(kN, kRate, &referenceStore) {
        for (CRunState* s : {&store, &referenceStore}) {
            s->SetDisplayRange({1.0, kRate / 2, kRate / 2 - 1.0, 0.0, 1.0, false});
            s->SetCaptureFormat({kRate, 16, 2, 2, CHANNEL_LEFT, 0});
        }
        buffers.Register(store);
    }

    // Block b: a tone whose bin and loudness both depend on b, the right
    // channel at a third of the left, so that every block maps to a
    // different row.
    static Samples MakeBlock(int b) {
        return Tone((10 + (b * 37) % 480) * kRate / kN, 1500.0 + 350.0 * b, kN, 1.0 / 3.0);
    }

    // The expected rows come from the second exchange mapping the same
    // blocks; the levels from the stated rules (extremes from 32767 / 0, /
    // 32767).
    std::vector<SBlock> Blocks(int count) {
        std::vector<SBlock> blocks(count);
        for (int b = 0; b < count; ++b) {
            SBlock& block = blocks[b];
            block.data = MakeBlock(b);
            block.row.assign(h, 0);
            block.surface.assign(kK, 0.0);
            reference.PutSingle(block.data.data(), kN);
            const SMapRow rows[] = {{block.row.data(), MAP_COLOUR_INDEX, h},
                                    {block.surface.data(), MAP_UNIT_DOUBLE, kK}};
            reference.TakeBlock(referenceStore.GetDisplayRange(), rows, &block.stats);
            double x[4] = {1.0, 0.0, 1.0, 0.0}; // left min, max, right min, max
            for (std::size_t i = 0; i < block.data.size(); ++i) {
                double* c = x + 2 * (i % 2);
                c[0] = std::min(c[0], block.data[i] / 32767.0);
                c[1] = std::max(c[1], block.data[i] / 32767.0);
            }
            block.levels = {x[0], x[1], x[0], x[1], x[2], x[3]};
        }
        return blocks;
    }

    // Runs the analysis thread over the blocks and ends it with the empty block.
    void RunThread(const std::vector<SBlock>& blocks) {
        store.SetRenderThreadState(kThreadRun);
        std::thread thread(RenderThreadProc, buffers.RenderParams(&exchange, &store));
        for (const SBlock& block : blocks)
            exchange.PutSingle(block.data.data(), kN);
        exchange.PutSingle(nullptr, 0);
        thread.join();
        EXPECT_EQ(store.GetRenderThreadState(), kThreadNotRunning);
    }

    Row WaterfallRow(std::int32_t index) {
        const std::uint8_t* p = buffers.Waterfall() + index * h;
        return Row(p, p + h);
    }
    std::vector<double> SurfaceRow(std::int32_t index) {
        return std::vector(buffers.Surface() + index * kK, buffers.Surface() + (index + 1) * kK);
    }

    const std::int32_t h;
    CRunState store, referenceStore;
    CHistoryBuffers buffers;
    CSampleExchange exchange, reference;
};

} // namespace vtest
