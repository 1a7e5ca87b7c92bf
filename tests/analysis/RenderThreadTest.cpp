// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/RenderThread.h"

#include <unordered_set>

#include "analysis/HistoryBuffers.h"
#include "analysis/SampleExchange.h"
#include "tests/analysis/AnalysisTestSupport.h"

namespace {

constexpr std::int32_t kN = 1024;
constexpr double kRate = 44100.0;
constexpr std::int32_t kH = 13; // rows start at every alignment of the 8-byte copies
constexpr std::int32_t kK = 30;
constexpr std::int32_t kR = 80;

using Row = std::vector<std::uint8_t>;
using Levels = std::array<double, 6>;

struct SBlock {
    vtest::Samples data;                                        // interleaved, left first
    Row row = Row(kH, 0);                                       // expected waterfall row
    std::vector<double> surface = std::vector<double>(kK, 0.0); // expected surface row
    Levels levels{};                                            // expected level history values
    SSpectrumStats stats;                                       // expected published statistics
};

// Block b: a tone whose bin and loudness both depend on b, the right channel
// at a third of the left, so that every block maps to a different row.
vtest::Samples MakeBlock(int b) {
    return vtest::Tone((10 + (b * 37) % 480) * kRate / kN, 1500.0 + 350.0 * b, kN, 1.0 / 3.0);
}

class RenderThreadTest : public ::testing::Test {
protected:
    RenderThreadTest()
        : buffers(kH, kK, kR), exchange(kN, kRate, &store), reference(kN, kRate, &referenceStore) {
        for (CRunState* s : {&store, &referenceStore}) {
            s->SetDisplayRange({1.0, kRate / 2, kRate / 2 - 1.0, 0.0, 1.0, false});
            s->SetCaptureFormat({kRate, 16, 2, 2, CHANNEL_LEFT, 0});
        }
        buffers.Register(store);
    }

    // The expected rows come from a second exchange mapping the same blocks;
    // the levels from the stated rules (extremes from 32767 / 0, / 32767).
    std::vector<SBlock> Blocks(int count) {
        std::vector<SBlock> blocks(count);
        for (int b = 0; b < count; ++b) {
            SBlock& block = blocks[b];
            block.data = MakeBlock(b);
            reference.PutSingle(block.data.data(), kN);
            const SMapRow rows[] = {{block.row.data(), MAP_COLOUR_INDEX, kH},
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
    void Run(const std::vector<SBlock>& blocks) {
        store.SetRenderThreadState(kThreadRun);
        std::thread thread(RenderThreadProc, buffers.RenderParams(&exchange, &store));
        for (const SBlock& block : blocks)
            exchange.PutSingle(block.data.data(), kN);
        exchange.PutSingle(nullptr, 0);
        thread.join();
        EXPECT_EQ(store.GetRenderThreadState(), kThreadNotRunning);
    }

    Row WaterfallRow(std::int32_t index) {
        const std::uint8_t* p = buffers.Waterfall() + index * kH;
        return Row(p, p + kH);
    }

    CRunState store;
    CRunState referenceStore;
    CHistoryBuffers buffers;
    CSampleExchange exchange;
    CSampleExchange reference;
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
        Run(blocks);
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
        const SSpectrumStats want = all[count - 1].stats;
        const SSpectrumStats got = store.GetSpectrumStats();
        EXPECT_EQ((std::array{got.dMeasuredMagMin, got.dMeasuredMagMax, got.dDcMagnitude,
                              got.dBinWidth, got.dNyquist}),
                  (std::array{want.dMeasuredMagMin, want.dMeasuredMagMax, want.dDcMagnitude,
                              want.dBinWidth, want.dNyquist}));
        for (std::int32_t i = 0; i < kR; ++i)
            EXPECT_EQ(std::vector(buffers.Surface() + i * kK, buffers.Surface() + (i + 1) * kK),
                      surface[i])
                << "surface row " << i;
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

// Plots read while the thread writes: rows are loaded through the helpers,
// and every row of the published window except the ones the writer reached
// during the copy is one of the blocks' rows (or still empty), never a mix.
TEST_F(RenderThreadTest, ConcurrentReaderSeesWholeRowsOutsideTheOneBeingReplaced) {
    const std::vector<SBlock> blocks = Blocks(3 * kH);
    // Rows as byte strings in a hash set: an ordered set of vectors trips
    // GCC 12's -Wstringop-overread false positive at -O3.
    const auto key = [](auto first, auto last) { return std::string(first, last); };
    std::unordered_set<std::string> known{std::string(kH, '\0')};
    for (const SBlock& b : blocks)
        known.insert(key(b.row.begin(), b.row.end()));
    std::atomic<bool> done{false};
    std::atomic<int> checkedRows{0};

    std::thread reader([&] {
        std::vector<std::uint8_t> window(kH * kH);
        std::vector<double> levels(kH);
        std::vector<double> surface(kR * kK);
        while (!done) {
            const SSurfaceGeometry s0 = store.GetSurfaceGeometry();
            const SHistoryGeometry g = store.GetHistoryGeometry();
            HistoryLoadBytes(window.data(),
                             store.GetWaterfall() + (g.nHistoryRow + 1) * g.nRowWidth,
                             window.size());
            HistoryLoadDoubles(levels.data(), store.GetLevelHistories().pMax + g.nHistoryRow + 1,
                               kH);
            HistoryLoadDoubles(surface.data(), store.GetSurface(), surface.size());
            const std::int32_t advanced = (store.GetSurfaceGeometry().nRow - s0.nRow + kR) % kR;
            for (std::int32_t j = 0; j < kH - 2 - advanced; ++j) {
                const std::string row = key(window.begin() + j * kH, window.begin() + (j + 1) * kH);
                EXPECT_TRUE(known.count(row)) << "row " << j << " of the window is torn";
                ++checkedRows;
            }
            std::this_thread::yield();
        }
    });
    Run(blocks);
    done = true;
    reader.join();
    EXPECT_GT(checkedRows.load(), 0);
}
