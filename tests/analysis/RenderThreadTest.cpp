#include "analysis/RenderThread.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <thread>
#include <vector>

#include "acquisition/SampleExchange.h"
#include "analysis/HistoryBuffers.h"
#include "analysis/RunState.h"
#include "app/DebugLog.h"

namespace {

constexpr std::int32_t kN = 1024;
constexpr double kRate = 44100.0;
constexpr std::int32_t kH = 16;
constexpr std::int32_t kK = 30;
constexpr std::int32_t kR = 80;

struct SBlock {
    std::vector<std::int16_t> data; // interleaved, left first
    std::vector<std::uint8_t> row;  // expected waterfall row
    std::vector<double> surface;    // expected surface row
    double levels[6];               // expected level history values
};

// Block b: a tone whose bin and loudness both depend on b, the right channel
// at a third of the left, so that every block maps to a different row.
std::vector<std::int16_t> MakeBlock(int b) {
    const int bin = 10 + (b * 37) % 480;
    const double amplitude = 1500.0 + 350.0 * b;
    std::vector<std::int16_t> data;
    for (std::int32_t i = 0; i < kN; ++i) {
        const double s = amplitude * std::sin(2.0 * std::numbers::pi * bin * i / kN);
        data.push_back(static_cast<std::int16_t>(std::lround(s)));
        data.push_back(static_cast<std::int16_t>(std::lround(s / 3.0)));
    }
    return data;
}

class RenderThreadTest : public ::testing::Test {
protected:
    RenderThreadTest()
        : buffers(kH, kK, kR), exchange(kN, kRate, &store), reference(kN, kRate, &referenceStore) {
        for (CRunState* s : {&store, &referenceStore}) {
            s->SetCaptureFormat({kRate, 16, 2, 2, CHANNEL_LEFT, 0});
            s->SetDisplayRange({1.0, kRate / 2, kRate / 2 - 1.0, 0.0, 1.0, false});
        }
        buffers.Register(store);
    }

    void SetFrequencyRange(double lo, double hi) {
        for (CRunState* s : {&store, &referenceStore})
            s->SetDisplayRange({lo, hi, hi - lo, 0.0, 1.0, false});
    }

    // The expected rows come from a second exchange mapping the same block;
    // the levels from the stated rules (extremes from 32767 / 0, / 32767).
    SBlock Expect(int b) {
        SBlock block;
        block.data = MakeBlock(b);
        block.row.assign(kH, 0);
        block.surface.assign(kK, 0.0);
        reference.PutSingle(block.data.data(), kN);
        void* const outputs[] = {block.row.data(), block.surface.data()};
        const std::int32_t modes[] = {MAP_COLOUR_INDEX, MAP_UNIT_DOUBLE};
        const std::int32_t widths[] = {kH, kK};
        reference.TakeBlock(outputs, modes, widths, 2);
        std::int16_t lo = 32767, hi = 0, rightLo = 32767, rightHi = 0;
        for (std::size_t i = 0; i < block.data.size(); i += 2) {
            lo = std::min(lo, block.data[i]);
            hi = std::max(hi, block.data[i]);
            rightLo = std::min(rightLo, block.data[i + 1]);
            rightHi = std::max(rightHi, block.data[i + 1]);
        }
        const std::int16_t values[6] = {lo, hi, lo, hi, rightLo, rightHi};
        for (int j = 0; j < 6; ++j)
            block.levels[j] = values[j] / 32767.0;
        return block;
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

    std::vector<SBlock> Blocks(int count) {
        std::vector<SBlock> blocks;
        for (int b = 0; b < count; ++b)
            blocks.push_back(Expect(b));
        return blocks;
    }

    std::vector<std::uint8_t> WaterfallRow(std::int32_t index) {
        const std::uint8_t* p = buffers.Waterfall() + index * kH;
        return std::vector<std::uint8_t>(p, p + kH);
    }

    std::vector<double> SurfaceRow(std::int32_t index) {
        const double* p = buffers.Surface() + index * kK;
        return std::vector<double>(p, p + kK);
    }

    void ExpectLevelsAt(std::int32_t index, const SBlock& block) {
        for (int j = 0; j < 6; ++j)
            EXPECT_DOUBLE_EQ(buffers.LevelHistory(j)[index], block.levels[j])
                << "history " << j << " index " << index;
    }

    CRunState store;
    CRunState referenceStore;
    CHistoryBuffers buffers;
    CSampleExchange exchange;
    CSampleExchange reference;
};

} // namespace

TEST_F(RenderThreadTest, FirstBlockIsNewestAtRowHAndCopiedToRowZero) {
    const std::vector<SBlock> blocks = Blocks(1);
    ASSERT_NE(*std::max_element(blocks[0].row.begin(), blocks[0].row.end()), 0);
    Run(blocks);

    const SHistoryGeometry g = store.GetHistoryGeometry();
    EXPECT_EQ(g.nRingRows, 2 * kH);
    EXPECT_EQ(g.nHistoryLength, kH);
    EXPECT_EQ(g.nHistoryRow, kH - 1);
    EXPECT_EQ(g.nRowWidth, kH);
    EXPECT_EQ(WaterfallRow(kH), blocks[0].row);
    EXPECT_EQ(WaterfallRow(0), blocks[0].row);
    for (std::int32_t row = 1; row <= 2 * kH; ++row) {
        if (row != kH) {
            EXPECT_EQ(WaterfallRow(row), std::vector<std::uint8_t>(kH, 0)) << row;
        }
    }
    ExpectLevelsAt(kH, blocks[0]);
    ExpectLevelsAt(0, blocks[0]);

    EXPECT_EQ(store.GetSurfaceGeometry().nRow, 1);
    EXPECT_EQ(SurfaceRow(0), blocks[0].surface);
    EXPECT_NE(CTraceLog::Instance().Text().find("Render thread spawned\r\n"), std::string::npos);
}

TEST_F(RenderThreadTest, AfterHPlusOneBlocksTheWindowRunsFromNewestToOldest) {
    const std::vector<SBlock> blocks = Blocks(kH + 1);
    for (std::size_t a = 0; a < blocks.size(); ++a)
        for (std::size_t b = a + 1; b < blocks.size(); ++b)
            ASSERT_NE(blocks[a].row, blocks[b].row) << "blocks " << a << " and " << b;
    Run(blocks);

    const std::int32_t r = store.GetHistoryGeometry().nHistoryRow;
    EXPECT_EQ(r, kH - 1);
    // Row r + 1 + j holds the block appended j blocks before the newest.
    for (std::int32_t j = 0; j < kH; ++j) {
        const SBlock& block = blocks[static_cast<std::size_t>(kH - j)];
        EXPECT_EQ(WaterfallRow(r + 1 + j), block.row) << j;
        ExpectLevelsAt(r + 1 + j, block);
    }
    EXPECT_EQ(WaterfallRow(r + kH), blocks[1].row); // H - 1 blocks before the newest
}

TEST_F(RenderThreadTest, SurfaceRingWrapsAfterRBlocks) {
    const std::vector<SBlock> blocks = Blocks(kR);
    Run(blocks);
    EXPECT_EQ(store.GetSurfaceGeometry().nRow, 0);
    EXPECT_EQ(store.GetSurfaceGeometry().nRows, kR);
    EXPECT_EQ(store.GetSurfaceGeometry().nCols, kK);
    for (std::int32_t i = 0; i < kR; ++i)
        EXPECT_EQ(SurfaceRow(i), blocks[static_cast<std::size_t>(i)].surface) << i;
    EXPECT_EQ(SurfaceRow(kR - 1), blocks.back().surface);
}

TEST_F(RenderThreadTest, BlockAboveNyquistAppendsZeroRows) {
    std::fill_n(buffers.Waterfall(), (2 * kH + 1) * kH, std::uint8_t{0xFF});
    std::fill_n(buffers.Surface(), kR * kK, 1.0);
    SetFrequencyRange(30000.0, 40000.0);
    Run(Blocks(1));
    EXPECT_EQ(WaterfallRow(0), std::vector<std::uint8_t>(kH, 0));
    EXPECT_EQ(WaterfallRow(kH), std::vector<std::uint8_t>(kH, 0));
    EXPECT_EQ(WaterfallRow(1), std::vector<std::uint8_t>(kH, 0xFF));
    EXPECT_EQ(SurfaceRow(0), std::vector<double>(kK, 0.0));
    EXPECT_EQ(SurfaceRow(1), std::vector<double>(kK, 1.0));
}

TEST_F(RenderThreadTest, EmptyBlockEndsTheThreadWithoutAppending) {
    Run({});
    EXPECT_EQ(store.GetHistoryGeometry().nHistoryRow, 0);
    EXPECT_EQ(store.GetSurfaceGeometry().nRow, 0);
    EXPECT_EQ(WaterfallRow(0), std::vector<std::uint8_t>(kH, 0));
}

TEST_F(RenderThreadTest, StopWordSeenAtStartEndsTheThreadWithoutTaking) {
    store.SetRenderThreadState(kThreadStopRequested);
    std::thread thread(RenderThreadProc, buffers.RenderParams(&exchange, &store));
    thread.join();
    EXPECT_EQ(store.GetRenderThreadState(), kThreadNotRunning);
    // The slot is still free: a put goes through and nothing took it.
    const std::vector<std::int16_t> data = MakeBlock(0);
    exchange.PutSingle(data.data(), 5);
    EXPECT_EQ(exchange.TakeBlock(nullptr, nullptr, nullptr, 0), 5);
}

// Plots read while the thread writes: rows are loaded through the helpers,
// and every row of the published window except the ones the writer reached
// during the copy is one of the blocks' rows (or still empty), never a mix.
TEST_F(RenderThreadTest, ConcurrentReaderSeesWholeRowsOutsideTheOneBeingReplaced) {
    constexpr int kBlocks = 3 * kH;
    const std::vector<SBlock> blocks = Blocks(kBlocks);
    std::atomic<bool> done{false};
    std::atomic<int> checkedRows{0};

    std::thread reader([&] {
        std::vector<std::uint8_t> window(static_cast<std::size_t>(kH) * kH);
        std::vector<double> levels(kH);
        std::vector<double> surface(static_cast<std::size_t>(kR) * kK);
        const std::vector<std::uint8_t> zero(kH, 0);
        while (!done) {
            const SSurfaceGeometry s0 = store.GetSurfaceGeometry();
            const SHistoryGeometry g = store.GetHistoryGeometry();
            const std::uint8_t* ring = store.GetWaterfall();
            HistoryLoadBytes(window.data(), ring + (g.nHistoryRow + 1) * g.nRowWidth,
                             window.size());
            HistoryLoadDoubles(levels.data(), store.GetLevelHistories().pMax + g.nHistoryRow + 1,
                               kH);
            HistoryLoadDoubles(surface.data(), store.GetSurface(), surface.size());
            const std::int32_t advanced = (store.GetSurfaceGeometry().nRow - s0.nRow + kR) % kR;
            const std::int32_t stable = kH - 2 - advanced;
            for (std::int32_t j = 0; j < stable; ++j) {
                const std::vector<std::uint8_t> row(window.begin() + j * kH,
                                                    window.begin() + (j + 1) * kH);
                const bool known =
                    row == zero || std::any_of(blocks.begin(), blocks.end(),
                                               [&](const SBlock& b) { return b.row == row; });
                EXPECT_TRUE(known) << "row " << j << " of the window is torn";
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
