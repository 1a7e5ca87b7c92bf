// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/SampleExchange.h"

#include "tests/analysis/AnalysisTestSupport.h"

namespace {

using namespace vtest;

constexpr std::int32_t kN = 1024;
constexpr double kRate = 44100.0;

// The channel functions as stated, in double so as not to share the integer
// arithmetic under test.
double Reduce(std::int32_t mode, double left, double right) {
    switch (mode) {
    case CHANNEL_LEFT:
        return left;
    case CHANNEL_RIGHT:
        return right;
    case CHANNEL_SUM:
        return std::trunc((left + right) / 2);
    case CHANNEL_DIFFERENCE:
        return std::clamp(left - right, -32768.0, 32767.0);
    default:
        return 0.0;
    }
}

class SampleExchange : public ::testing::Test {
protected:
    SampleExchange() {
        SetFormat(CHANNEL_LEFT);
        store.SetDisplayRange({1.0, kRate / 2, kRate / 2 - 1.0, 0.0, 1.0, false});
    }
    void SetFormat(std::int32_t channel) { store.SetCaptureFormat({kRate, 16, 2, 2, channel, 0}); }
    void Put(const Samples& s) { exchange.PutSingle(s.data(), std::ssize(s) / 2); }
    std::int32_t Take() { return exchange.TakeBlock(); }
    std::vector<double> Slot() {
        std::vector<double> slot(kN);
        exchange.CopySamples(slot.data());
        return slot;
    }

    CRunState store;
    CSampleExchange exchange{kN, kRate, &store};
};

// Every extreme starts from the block itself: a block of positive samples
// only has a positive minimum, one of negative samples only a zero maximum.
TEST_F(SampleExchange, EveryChannelFunctionReducesScalesAndMeasuresByItsRule) {
    // Negative means, saturation both ways and full scale, then seeded noise;
    // then seeded noise above zero only, and below zero only.
    std::mt19937 random(1234);
    const auto noise = [&random](Samples block, int lo, int hi) {
        std::uniform_int_distribution<int> value(lo, hi);
        while (block.size() < 2 * kN)
            block.push_back(static_cast<std::int16_t>(value(random)));
        return block;
    };
    const Samples blocks[] = {
        noise({3, 4, -3, -4, 32767, -32768, -32768, 32767, 32767, 32767, -1, 2}, -30000, 30000),
        noise({}, 100, 30000),
        noise({}, -30000, -100),
    };
    for (const Samples& block : blocks)
        for (std::int32_t mode : std::initializer_list<std::int32_t>{
                 CHANNEL_LEFT, CHANNEL_RIGHT, CHANNEL_SUM, CHANNEL_DIFFERENCE, -1, 4}) {
            SCOPED_TRACE("mode " + std::to_string(mode) + ", first sample " +
                         std::to_string(block[0]));
            SetFormat(mode);
            Put(block);
            const std::vector<double> slot = Slot();
            Take();
            double lo = 32767.0, hi = 0.0; // the maximum is never below zero
            double side[2][2] = {{32767.0, 0.0}, {32767.0, 0.0}};
            for (std::size_t i = 0; i < kN; ++i) {
                const double v = Reduce(mode, block[2 * i], block[2 * i + 1]);
                ASSERT_DOUBLE_EQ(slot[i], v / 32767.0) << i;
                lo = std::min(lo, v);
                hi = std::max(hi, v);
                for (std::size_t c = 0; c < 2; ++c) {
                    side[c][0] = std::min<double>(side[c][0], block[2 * i + c]);
                    side[c][1] = std::max<double>(side[c][1], block[2 * i + c]);
                }
            }
            EXPECT_EQ(store.GetLevels().nPeakMin, lo);
            EXPECT_EQ(store.GetLevels().nPeakMax, hi);
            EXPECT_EQ(store.GetLevels().nPeakRms, std::trunc(hi * 0.707));
            const SStereoLevels stereo = store.GetStereoLevels();
            EXPECT_EQ(stereo.nLeftMin, side[0][0]);
            EXPECT_EQ(stereo.nLeftMax, side[0][1]);
            EXPECT_EQ(stereo.nRightMin, side[1][0]);
            EXPECT_EQ(stereo.nRightMax, side[1][1]);
        }
}

TEST_F(SampleExchange, EachTakeKeepsItsBlocksLevelsAndTheEmptyBlockChangesNone) {
    Put(Constant(kN, -100, -100));
    EXPECT_EQ(Take(), kN);
    // The producer may put the next block before the consumer reads the
    // levels of the one it took.
    Put(Constant(kN, 900, -800));
    EXPECT_EQ(store.GetLevels().nPeakMax, 900);
    EXPECT_EQ(exchange.GetTakenLevels().nPeakMin, -100);
    EXPECT_EQ(exchange.GetTakenStereoLevels().nLeftMax, 0);
    EXPECT_EQ(Take(), kN);
    EXPECT_EQ(exchange.GetTakenStereoLevels().nLeftMax, 900);
    EXPECT_EQ(exchange.GetTakenStereoLevels().nRightMin, -800);

    store.SetFftTime(-7); // a transform would overwrite it
    exchange.PutSingle(nullptr, 0);
    EXPECT_EQ(Take(), 0);
    EXPECT_EQ(store.GetFftTime(), -7);
    EXPECT_EQ(store.GetLevels().nPeakMax, 900);
    EXPECT_EQ(store.GetStereoLevels().nRightMin, -800);
    EXPECT_EQ(exchange.GetTakenLevels().nPeakMax, 900);
}

TEST_F(SampleExchange, FramesBeyondTheBlockSizeAreNeitherReadNorMeasured) {
    // N - 5 frames of 1, 5 of 2, then loud ones: in one region, then with
    // the 2s and the loud frames in a second region.
    Samples block = Constant(kN - 5, 1, 1);
    for (const Samples& more : {Constant(5, 2, 2), Constant(15, 30000, 30000)})
        block.insert(block.end(), more.begin(), more.end());
    for (bool split : {false, true}) {
        SCOPED_TRACE(split);
        if (split)
            exchange.PutBlock(block.data(), kN - 5, block.data() + 2 * (kN - 5), 20);
        else
            Put(block);
        const std::vector<double> slot = Slot();
        EXPECT_EQ(Take(), kN + 15) << "the offered count";
        EXPECT_EQ(store.GetLevels().nPeakMax, 2);
        EXPECT_DOUBLE_EQ(slot[kN - 6], 1.0 / 32767.0);
        EXPECT_DOUBLE_EQ(slot[kN - 1], 2.0 / 32767.0);
    }
}

// The transform reads the slot: a short block must not show the previous one.
TEST_F(SampleExchange, ShortPutLeavesNothingOfThePreviousBlockInTheSlot) {
    Put(Tone(100 * kRate / kN, 20000.0, kN));
    Take();
    Put(Constant(kN / 2, 0, 0));
    EXPECT_EQ(Slot(), std::vector<double>(kN, 0.0));
}

} // namespace

// The readout's peak is looked for over the displayed range only: a louder
// tone beyond its top does not win, and a range holding no tone reports
// none. With Hann a 1234.5 Hz tone at N = 4096 reads its frequency within
// 0.2 Hz and its level (a sine's amplitude in dBFS) within 0.2 dB; with
// every other window within a tenth of a bin, and the window used is
// reported.
TEST(SampleExchangePeak, TheDisplayedRangeIsSearchedWithEveryWindow) {
    constexpr std::int32_t n = 4096;
    const Samples tone = Tone(1234.5, 0.5 * 32767.0, n);
    const Samples quiet = Tone(440.0, 3000.0, n), loud = Tone(5000.0, 20000.0, n);
    Samples both(quiet.size());
    for (std::size_t i = 0; i < both.size(); ++i)
        both[i] = static_cast<std::int16_t>(quiet[i] + loud[i]);
    struct SCase {
        const Samples* block;
        std::int32_t window;
        double low, high, hz; // hz 0: no peak
    };
    std::vector<SCase> cases = {{&both, 2, 1.0, 10000.0, 5000.0},
                                {&both, 2, 1.0, 2000.0, 440.0},
                                {&both, 2, 1000.0, 3000.0, 0.0}};
    for (std::int32_t window = 0; window < kWindowCount; ++window)
        cases.push_back({&tone, window, 1.0, 10000.0, 1234.5});
    for (const SCase& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << g_apszWindowNames[c.window] << ", " << c.low << ".." << c.high << " Hz");
        CRunState store;
        store.SetCaptureFormat({kRate, 16, 2, 2, CHANNEL_LEFT, c.window});
        CSampleExchange exchange(n, kRate, &store);
        exchange.PutSingle(c.block->data(), n);
        STakeExtras extras;
        extras.bFindPeak = true;
        exchange.TakeBlock({c.low, c.high, c.high - c.low, 0.0, 1.0, false}, {}, {}, nullptr,
                           &extras);
        EXPECT_EQ(extras.nWindowType, c.window);
        ASSERT_EQ(extras.peak.bFound, c.hz > 0.0);
        if (c.hz > 0.0) {
            EXPECT_NEAR(extras.peak.dFrequency, c.hz, 0.1 * kRate / n);
        }
        if (c.block == &tone && c.window == 2) {
            EXPECT_NEAR(extras.peak.dFrequency, c.hz, 0.2);
            EXPECT_NEAR(extras.peak.dLevelDb, 20.0 * std::log10(0.5), 0.2);
        }
    }
}
