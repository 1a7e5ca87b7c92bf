// SPDX-License-Identifier: GPL-3.0-or-later
#include "plots/RingSnapshot.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <set>
#include <thread>
#include <vector>

#include "analysis/FftEngine.h"
#include "analysis/HistoryBuffers.h"
#include "analysis/RenderThread.h"
#include "analysis/SampleExchange.h"
#include "base/RunState.h"

namespace {

using Row = std::vector<std::uint8_t>;

constexpr std::int32_t kN = 1024;
constexpr double kRate = 44100.0;
constexpr std::int32_t kH = 21; // rows start at every alignment of the 8-byte copies

// Block b: a tone whose bin and loudness depend on b.
std::vector<std::int16_t> Block(int b) {
    const int bin = 10 + (b * 37) % 480;
    const double amplitude = 1500.0 + 350.0 * b;
    std::vector<std::int16_t> data;
    for (std::int32_t i = 0; i < kN; ++i) {
        const auto s = static_cast<std::int16_t>(
            std::lround(amplitude * std::sin(2.0 * std::numbers::pi * bin * i / kN)));
        data.insert(data.end(), {s, s});
    }
    return data;
}

void Configure(CRunState& store) {
    store.SetDisplayRange({1.0, kRate / 2, kRate / 2 - 1.0, 0.0, 1.0, false});
    store.SetCaptureFormat({kRate, 16, 2, 2, CHANNEL_LEFT, 0});
}

// Rows come newest first from r + 1, and never from past the window.
TEST(RingSnapshot, CopiesTheNewestRowsFromThePublishedPositionWithinTheRing) {
    CRunState store;
    CHistoryBuffers buffers(kH, 30, 80);
    buffers.Register(store);
    std::uint8_t* ring = buffers.Waterfall();
    for (std::int32_t i = 0; i <= 2 * kH; ++i)
        for (std::int32_t c = 0; c < kH; ++c)
            ring[i * kH + c] = static_cast<std::uint8_t>(i);

    // r, rows asked, rows read, the first row's value.
    const std::array<std::int32_t, 4> cases[] = {
        {0, 3, 3, 1},                 // just after start
        {kH - 1, kH - 2, kH - 2, kH}, // the doubled copy of row 0
        {5, 1000, kH - 1, 6},         // never the row written next (r + H)
    };
    CRingSnapshot snapshot;
    for (const auto& [r, asked, rows, first] : cases) {
        SCOPED_TRACE(testing::Message() << "r " << r << ", asked " << asked);
        store.SetHistoryGeometry({2 * kH, kH, r, kH});
        ASSERT_EQ(snapshot.Read(store, asked), rows);
        EXPECT_EQ(snapshot.GetRowWidth(), kH);
        for (std::int32_t j = 0; j < rows; ++j)
            EXPECT_EQ(Row(snapshot.Row(j), snapshot.Row(j) + kH), Row(kH, first + j));
    }
    store.SetWaterfall(nullptr);
    EXPECT_EQ(snapshot.Read(store, 3), 0);
}

// The plots' read step against a live analysis thread: no data race, and
// every row the writer cannot have reached during the copy is a whole row of
// one block (or still empty).
TEST(RingSnapshot, ReadsWholeRowsWhileTheAnalysisThreadWrites) {
    CRunState store, referenceStore;
    Configure(store);
    Configure(referenceStore);
    CHistoryBuffers buffers(kH, 30, 80);
    buffers.Register(store);
    CSampleExchange exchange(kN, kRate, &store);
    CSampleExchange reference(kN, kRate, &referenceStore);

    constexpr int kBlocks = 3 * kH;
    std::vector<std::vector<std::int16_t>> blocks;
    std::set<Row> known{Row(kH, 0)};
    for (int b = 0; b < kBlocks; ++b) {
        blocks.push_back(Block(b));
        Row row(kH, 0);
        std::vector<double> surface(30);
        reference.PutSingle(blocks.back().data(), kN);
        const SMapRow rows[] = {{row.data(), MAP_COLOUR_INDEX, kH},
                                {surface.data(), MAP_UNIT_DOUBLE, 30}};
        reference.TakeBlock(referenceStore.GetDisplayRange(), rows, nullptr);
        known.insert(row);
    }

    std::atomic<bool> done{false};
    std::atomic<int> checked{0};
    std::thread reader([&] {
        CRingSnapshot snapshot;
        while (!done) {
            const std::int32_t before = store.GetSurfaceGeometry().nRow;
            const std::int32_t rows = snapshot.Read(store, kH - 2);
            const std::int32_t advanced = (store.GetSurfaceGeometry().nRow - before + 80) % 80;
            for (std::int32_t j = 0; j < rows - advanced; ++j) {
                EXPECT_TRUE(known.count(Row(snapshot.Row(j), snapshot.Row(j) + kH)))
                    << "row " << j << " is torn";
                ++checked;
            }
            std::this_thread::yield();
        }
    });

    store.SetRenderThreadState(kThreadRun);
    std::thread writer(RenderThreadProc, buffers.RenderParams(&exchange, &store));
    for (const auto& block : blocks)
        exchange.PutSingle(block.data(), kN);
    exchange.PutSingle(nullptr, 0);
    writer.join();
    done = true;
    reader.join();
    EXPECT_GT(checked.load(), 0);
}

} // namespace
