// SPDX-License-Identifier: GPL-3.0-or-later
#include "plots/RingSnapshot.h"

#include <atomic>
#include <set>
#include <thread>

#include "tests/analysis/RenderRig.h"

namespace {

using Row = std::vector<std::uint8_t>;

constexpr std::int32_t kH = 21; // rows start at every alignment of the 8-byte copies

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
        for (std::int32_t j = 0; j < rows; ++j)
            EXPECT_EQ(Row(snapshot.Row(j), snapshot.Row(j) + kH), Row(kH, first + j));
    }
    store.SetWaterfall(nullptr);
    EXPECT_EQ(snapshot.Read(store, 3), 0);
}

// The plots' read step against a live analysis thread: no data race (the
// levels and the surface are read beside the rows), and every row the writer
// cannot have reached during the copy is a whole row of one block (or still
// empty).
TEST(RingSnapshot, ReadsWholeRowsWhileTheAnalysisThreadWrites) {
    vtest::CRenderRig rig(kH);
    CRunState& store = rig.store;
    const auto blocks = rig.Blocks(3 * kH);
    std::set<Row> known{Row(kH, 0)};
    for (const auto& block : blocks)
        known.insert(block.row);
    constexpr std::int32_t kR = vtest::CRenderRig::kR;

    std::atomic<bool> done{false};
    std::atomic<int> checked{0};
    std::thread reader([&] {
        CRingSnapshot snapshot;
        std::vector<double> levels(kH), surface(kR * vtest::CRenderRig::kK);
        while (!done) {
            const std::int32_t before = store.GetSurfaceGeometry().nRow;
            const std::int32_t rows = snapshot.Read(store, kH - 2);
            const SHistoryGeometry g = store.GetHistoryGeometry();
            HistoryLoadDoubles(levels.data(), store.GetLevelHistories().pMax + g.nHistoryRow + 1,
                               kH);
            HistoryLoadDoubles(surface.data(), store.GetSurface(), surface.size());
            const std::int32_t advanced = (store.GetSurfaceGeometry().nRow - before + kR) % kR;
            for (std::int32_t j = 0; j < rows - advanced; ++j) {
                EXPECT_TRUE(known.count(Row(snapshot.Row(j), snapshot.Row(j) + kH)))
                    << "row " << j << " is torn";
                ++checked;
            }
            std::this_thread::yield();
        }
    });
    rig.RunThread(blocks);
    done = true;
    reader.join();
    EXPECT_GT(checked.load(), 0);
}

} // namespace
