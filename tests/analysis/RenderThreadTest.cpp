// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/RenderThread.h"

#include "analysis/SpectrumAverage.h"
#include "tests/analysis/RenderRig.h"

namespace {

constexpr std::int32_t kH = 13; // rows start at every alignment of the 8-byte copies

class RenderThreadTest : public ::testing::Test, protected vtest::CRenderRig {
protected:
    RenderThreadTest() : CRenderRig(kH) {}
};

} // namespace

// Expected rings from the stated layout: each waterfall row and level goes to
// index r and r + H, then r moves down (0 wraps to H - 1); each surface row
// goes to index i, then i moves up modulo R. The store shows the statistics
// of the last block mapped.
TEST_F(RenderThreadTest, RingsHoldTheBlocksNewestFirstAfter1HPlus1AndRBlocks) {
    const std::vector<SBlock> all = Blocks(kR);
    for (std::size_t a = 0; a <= kH; ++a)
        for (std::size_t b = a + 1; b <= kH; ++b)
            ASSERT_NE(all[a].row, all[b].row) << "blocks " << a << " and " << b;

    std::int32_t done = 0;
    std::vector<Row> ring(2 * kH + 1, Row(kH, 0));
    std::vector<Levels> levels(2 * kH + 1, Levels{});
    std::vector<std::vector<double>> surface(kR, std::vector<double>(kK, 0.0));
    std::int32_t r = 0;
    for (std::int32_t count : {1, kH + 1, kR}) {
        SCOPED_TRACE(testing::Message() << count << " blocks");
        const std::vector<SBlock> blocks(all.begin() + done, all.begin() + count);
        RunThread(blocks);
        for (std::int32_t b = done; b < count; ++b) {
            const SBlock& block = all[b];
            ring[r] = ring[r + kH] = block.row;
            levels[r] = levels[r + kH] = block.levels;
            surface[b % kR] = block.surface;
            r = r == 0 ? kH - 1 : r - 1;
        }
        done = count;

        ASSERT_EQ(store.GetHistoryGeometry().nHistoryRow, r);
        for (std::int32_t i = 0; i <= 2 * kH; ++i) {
            EXPECT_EQ(WaterfallRow(i), ring[i]) << "ring row " << i;
            for (int j = 0; j < 6; ++j)
                EXPECT_DOUBLE_EQ(buffers.LevelHistory(j)[i], levels[i][j])
                    << "ring row " << i << " level " << j;
        }
        EXPECT_EQ(store.GetSurfaceGeometry().nRow, count % kR);
        // The statistics of the last block's mapping.
        EXPECT_EQ(vtest::StatsFields(store.GetSpectrumStats()),
                  vtest::StatsFields(all[count - 1].stats));
        for (std::int32_t i = 0; i < kR; ++i)
            EXPECT_EQ(SurfaceRow(i), surface[i]) << "surface row " << i;
    }
}

TEST_F(RenderThreadTest, StopWordSeenAtStartEndsTheThreadWithoutTaking) {
    store.SetRenderThreadState(kThreadStopRequested);
    std::thread thread(RenderThreadProc, buffers.RenderParams(&exchange, &store));
    thread.join();
    EXPECT_EQ(store.GetRenderThreadState(), kThreadNotRunning);
    // The slot is still free: a put goes through and nothing took it.
    const std::vector<std::int16_t> data = MakeBlock(0);
    exchange.PutSingle(data.data(), 5);
    EXPECT_EQ(exchange.TakeBlock(), 5);
}

// With averaging and the peak readout on, the waterfall keeps each block's
// own row while the averaged row (in the slot the readout names) and the
// surface row follow the power average, and the readout carries the peak of
// what the histogram shows; averaging off, the surface row is the block's
// own again and the readout names no averaged row.
TEST_F(RenderThreadTest, AveragingFeedsTheHistogramAndSurfaceWhileTheWaterfallKeepsEachBlock) {
    constexpr int kBlocks = 6;
    store.SetMeasureOptions({true, 4, false});
    CSpectrumAverage average;
    Row plain(kH), averaged(kH);
    std::vector<double> surface(kK);
    STakeExtras want;
    std::vector<SBlock> blocks(kBlocks + 1);
    for (int b = 0; b <= kBlocks; ++b) {
        blocks[b].data = MakeBlock(b);
        if (b == kBlocks)
            break; // the block after averaging is switched off
        std::fill(plain.begin(), plain.end(), 0);
        std::fill(averaged.begin(), averaged.end(), 0);
        std::fill(surface.begin(), surface.end(), 0.0);
        reference.PutSingle(blocks[b].data.data(), kN);
        const SMapRow plainRow{plain.data(), MAP_COLOUR_INDEX, kH};
        const SMapRow averagedRows[] = {{averaged.data(), MAP_COLOUR_INDEX, kH},
                                        {surface.data(), MAP_UNIT_DOUBLE, kK}};
        want = {};
        want.pAverage = &average;
        want.nAverageBlocks = 4;
        want.averagedRows = averagedRows;
        want.bFindPeak = true;
        reference.TakeBlock(referenceStore.GetDisplayRange(), {}, {&plainRow, 1}, nullptr, &want);
    }
    ASSERT_NE(plain, averaged) << "the blocks differ too little to tell the rows apart";

    RunThread({blocks.begin(), blocks.begin() + kBlocks});
    const SBlockReadout readout = store.GetBlockReadout();
    EXPECT_EQ(readout.nBlock, kBlocks);
    EXPECT_EQ(readout.nWindowType, 0);
    EXPECT_EQ(readout.bPeakFound, want.peak.bFound);
    EXPECT_DOUBLE_EQ(readout.dPeakFrequency, want.peak.dFrequency);
    EXPECT_DOUBLE_EQ(readout.dPeakLevelDb, want.peak.dLevelDb);
    const SAverageRows rows = store.GetAverageRows();
    ASSERT_GE(readout.nAverageSlot, 0);
    ASSERT_LT(readout.nAverageSlot, rows.nSlots);
    const std::uint8_t* slot = rows.pRows + readout.nAverageSlot * rows.nWidth;
    EXPECT_EQ(Row(slot, slot + kH), averaged);
    EXPECT_EQ(WaterfallRow(store.GetHistoryGeometry().nHistoryRow + 1), plain);
    const std::int32_t newest = (store.GetSurfaceGeometry().nRow + kR - 1) % kR;
    EXPECT_EQ(SurfaceRow(newest), surface);

    store.SetMeasureOptions({});
    const std::vector<SBlock> last = Blocks(kBlocks + 1);
    RunThread({last.back()});
    EXPECT_EQ(store.GetBlockReadout().nAverageSlot, -1);
    EXPECT_FALSE(store.GetBlockReadout().bPeakFound) << "the readout was switched off";
    EXPECT_EQ(SurfaceRow((store.GetSurfaceGeometry().nRow + kR - 1) % kR), last.back().surface);
}
