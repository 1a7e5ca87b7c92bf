#include "acquisition/SampleExchange.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <future>
#include <initializer_list>
#include <numbers>
#include <random>
#include <thread>
#include <utility>
#include <vector>

#include "analysis/RunState.h"
#include "analysis/WindowTable.h"

namespace {

using namespace std::chrono_literals;

constexpr std::int32_t kN = 1024;
constexpr double kRate = 44100.0;

struct SFrame {
    std::int16_t left;
    std::int16_t right;
};

// Interleaved stereo samples, left first.
std::vector<std::int16_t> Interleave(const std::vector<SFrame>& frames) {
    std::vector<std::int16_t> out;
    for (const SFrame& f : frames) {
        out.push_back(f.left);
        out.push_back(f.right);
    }
    return out;
}

std::vector<SFrame> Repeat(SFrame frame, std::int32_t count) {
    return std::vector<SFrame>(static_cast<std::size_t>(count), frame);
}

// A sine of the given amplitude exactly on bin `bin`, equal on both channels.
std::vector<SFrame> Tone(std::int32_t count, int bin, double amplitude) {
    std::vector<SFrame> frames;
    for (std::int32_t i = 0; i < count; ++i) {
        const auto v = static_cast<std::int16_t>(
            std::lround(amplitude * std::sin(2.0 * std::numbers::pi * bin * i / kN)));
        frames.push_back({v, v});
    }
    return frames;
}

// The channel function as stated: truncation toward zero for the mean, a
// saturated difference, silence for unknown modes. Computed in double to be
// independent of the integer arithmetic under test.
double ExpectedChannelValue(std::int32_t mode, SFrame f) {
    switch (mode) {
    case CHANNEL_LEFT:
        return f.left;
    case CHANNEL_RIGHT:
        return f.right;
    case CHANNEL_SUM:
        return std::trunc((static_cast<double>(f.left) + f.right) * 0.5);
    case CHANNEL_DIFFERENCE:
        return std::clamp(static_cast<double>(f.left) - f.right, -32768.0, 32767.0);
    default:
        return 0.0;
    }
}

class SampleExchangeTest : public ::testing::Test {
protected:
    SampleExchangeTest() : exchange(kN, kRate, &store) {
        SetFormat(CHANNEL_LEFT, 0);
        store.SetDisplayRange({1.0, kRate / 2, kRate / 2 - 1.0, 0.0, 1.0, false});
    }

    void SetFormat(std::int32_t channelMode, std::int32_t windowType) {
        store.SetCaptureFormat({kRate, 16, 2, 2, channelMode, windowType});
    }

    // Puts the frames, returns the values now in the slot and takes the block.
    std::vector<double> PutAndRead(const std::vector<SFrame>& frames,
                                   std::int32_t* taken = nullptr) {
        const std::vector<std::int16_t> data = Interleave(frames);
        exchange.PutSingle(data.data(), static_cast<std::int32_t>(frames.size()));
        std::vector<double> samples(kN);
        exchange.CopySamples(samples.data());
        const std::int32_t count = exchange.TakeBlock(nullptr, nullptr, nullptr, 0);
        if (taken != nullptr)
            *taken = count;
        return samples;
    }

    // Puts the frames and takes them mapped into a row of `width` doubles.
    std::vector<double> PutAndMap(const std::vector<SFrame>& frames, std::int32_t width) {
        const std::vector<std::int16_t> data = Interleave(frames);
        exchange.PutSingle(data.data(), static_cast<std::int32_t>(frames.size()));
        std::vector<double> row(static_cast<std::size_t>(width), 0.0);
        void* const outputs[] = {row.data()};
        const std::int32_t modes[] = {MAP_UNIT_DOUBLE};
        const std::int32_t widths[] = {width};
        exchange.TakeBlock(outputs, modes, widths, 1);
        return row;
    }

    // A take that gives up after `limit`, returning -1, so that a lost block
    // fails the test instead of stalling it.
    std::int32_t TakeWithin(std::chrono::seconds limit) {
        auto take = std::async(std::launch::async,
                               [this] { return exchange.TakeBlock(nullptr, nullptr, nullptr, 0); });
        if (take.wait_for(limit) == std::future_status::ready)
            return take.get();
        exchange.PutSingle(nullptr, 0); // releases the waiting take
        take.get();
        return -1;
    }

    CRunState store;
    CSampleExchange exchange;
};

} // namespace

TEST_F(SampleExchangeTest, EveryChannelFunctionReducesFramesByItsRule) {
    const std::vector<SFrame> frames = {
        {3, 4},           {-3, -4},       {32767, -32768}, {-32768, 32767}, {100, -100},
        {-32768, -32768}, {32767, 32767}, {0, 1},          {1, 0},          {-1, 2},
    };
    for (std::int32_t mode : std::initializer_list<std::int32_t>{
             CHANNEL_LEFT, CHANNEL_RIGHT, CHANNEL_SUM, CHANNEL_DIFFERENCE, -1, 4, 1000}) {
        SCOPED_TRACE(mode);
        SetFormat(mode, 0);
        const std::vector<double> samples = PutAndRead(frames);
        for (std::size_t i = 0; i < frames.size(); ++i)
            EXPECT_DOUBLE_EQ(samples[i], ExpectedChannelValue(mode, frames[i]) / 32767.0) << i;
    }
}

TEST_F(SampleExchangeTest, MeanTruncatesTowardZeroAndDifferenceSaturates) {
    SetFormat(CHANNEL_SUM, 0);
    std::vector<double> s = PutAndRead({{3, 4}, {-3, -4}});
    EXPECT_DOUBLE_EQ(s[0] * 32767.0, 3.0);
    EXPECT_DOUBLE_EQ(s[1] * 32767.0, -3.0);

    SetFormat(CHANNEL_DIFFERENCE, 0);
    s = PutAndRead({{32767, -32768}, {-32768, 32767}, {-5, 7}});
    EXPECT_EQ(s[0], 1.0); // 32767 - (-32768) must not wrap to -1
    EXPECT_DOUBLE_EQ(s[1], -32768.0 / 32767.0);
    EXPECT_DOUBLE_EQ(s[2] * 32767.0, -12.0);
    // The difference feeds the levels saturated as well.
    PutAndRead({{32767, -32768}, {-32768, 32767}});
    EXPECT_EQ(store.GetLevels().nPeakMax, 32767);
    EXPECT_EQ(store.GetLevels().nPeakMin, -32768);
}

TEST_F(SampleExchangeTest, FullScaleBecomesExactlyOneBeforeWindowing) {
    const std::vector<double> s = PutAndRead({{32767, 0}, {-32768, 0}});
    EXPECT_EQ(s[0], 1.0);
    EXPECT_DOUBLE_EQ(s[1], -32768.0 / 32767.0);
    EXPECT_LT(s[1], -1.0);
}

TEST_F(SampleExchangeTest, AllNegativeBlockReportsZeroMaximumAndRms) {
    std::int32_t taken = 0;
    PutAndRead(Repeat({-100, -100}, kN), &taken);
    EXPECT_EQ(taken, kN);
    const SLevels levels = store.GetLevels();
    EXPECT_EQ(levels.nPeakMin, -100);
    EXPECT_EQ(levels.nPeakMax, 0);
    EXPECT_EQ(levels.nPeakRms, 0);
    const SStereoLevels stereo = store.GetStereoLevels();
    EXPECT_EQ(stereo.nLeftMin, -100);
    EXPECT_EQ(stereo.nLeftMax, 0);
    EXPECT_EQ(stereo.nRightMin, -100);
    EXPECT_EQ(stereo.nRightMax, 0);
}

TEST_F(SampleExchangeTest, LevelsAreTheBlockExtremesWithTruncatedRms) {
    std::mt19937 random(1234);
    std::uniform_int_distribution<int> sample(-30000, 30000);
    for (std::int32_t mode : std::initializer_list<std::int32_t>{CHANNEL_LEFT, CHANNEL_RIGHT,
                                                                 CHANNEL_SUM, CHANNEL_DIFFERENCE}) {
        SCOPED_TRACE(mode);
        SetFormat(mode, 0);
        std::vector<SFrame> frames;
        for (int i = 0; i < kN; ++i)
            frames.push_back({static_cast<std::int16_t>(sample(random)),
                              static_cast<std::int16_t>(sample(random))});
        PutAndRead(frames);

        double lo = 32767, hi = 0, leftLo = 32767, leftHi = 0, rightLo = 32767, rightHi = 0;
        for (const SFrame& f : frames) {
            const double v = ExpectedChannelValue(mode, f);
            lo = std::min(lo, v);
            hi = std::max(hi, v);
            leftLo = std::min<double>(leftLo, f.left);
            leftHi = std::max<double>(leftHi, f.left);
            rightLo = std::min<double>(rightLo, f.right);
            rightHi = std::max<double>(rightHi, f.right);
        }
        const SLevels levels = store.GetLevels();
        EXPECT_EQ(levels.nPeakMin, lo);
        EXPECT_EQ(levels.nPeakMax, hi);
        EXPECT_EQ(levels.nPeakRms, std::trunc(hi * 0.707));
        const SStereoLevels stereo = store.GetStereoLevels();
        EXPECT_EQ(stereo.nLeftMin, leftLo);
        EXPECT_EQ(stereo.nLeftMax, leftHi);
        EXPECT_EQ(stereo.nRightMin, rightLo);
        EXPECT_EQ(stereo.nRightMax, rightHi);
    }
}

TEST_F(SampleExchangeTest, FramesBeyondTheBlockSizeAreNeitherReadNorMeasured) {
    // One region longer than N: its extra frames are loud.
    std::vector<SFrame> frames = Repeat({1000, -1000}, kN);
    for (int i = 0; i < 10; ++i)
        frames.push_back({32000, -32000});
    std::int32_t taken = 0;
    std::vector<double> s = PutAndRead(frames, &taken);
    EXPECT_EQ(taken, kN + 10); // the offered count, even beyond N
    EXPECT_EQ(store.GetLevels().nPeakMax, 1000);
    EXPECT_EQ(store.GetStereoLevels().nRightMin, -1000);
    for (double v : s)
        ASSERT_DOUBLE_EQ(v, 1000.0 / 32767.0);

    // Two regions: the second continues the first and is cut at N too.
    const std::vector<std::int16_t> first = Interleave(Repeat({1, 1}, kN - 5));
    const std::vector<std::int16_t> second = Interleave(Repeat({2, 2}, 5));
    std::vector<std::int16_t> secondLong = second;
    for (int i = 0; i < 15; ++i) {
        secondLong.push_back(30000);
        secondLong.push_back(30000);
    }
    exchange.PutBlock(first.data(), kN - 5, secondLong.data(), 20);
    s.assign(kN, 0.0);
    exchange.CopySamples(s.data());
    EXPECT_EQ(exchange.TakeBlock(nullptr, nullptr, nullptr, 0), kN + 15);
    EXPECT_DOUBLE_EQ(s[kN - 6] * 32767.0, 1.0);
    for (int i = kN - 5; i < kN; ++i)
        EXPECT_DOUBLE_EQ(s[static_cast<std::size_t>(i)] * 32767.0, 2.0) << i;
    EXPECT_EQ(store.GetLevels().nPeakMax, 2);
}

TEST_F(SampleExchangeTest, ShortPutIsPaddedWithSilence) {
    const std::vector<double> full = PutAndRead(Repeat({5000, 5000}, kN));
    ASSERT_NE(full[kN - 1], 0.0);
    std::int32_t taken = 0;
    const std::vector<double> s = PutAndRead(Repeat({-7, -7}, kN / 2), &taken);
    EXPECT_EQ(taken, kN / 2);
    for (int i = 0; i < kN / 2; ++i)
        ASSERT_DOUBLE_EQ(s[static_cast<std::size_t>(i)] * 32767.0, -7.0) << i;
    for (int i = kN / 2; i < kN; ++i)
        ASSERT_EQ(s[static_cast<std::size_t>(i)], 0.0) << i;
}

TEST_F(SampleExchangeTest, ShortPutDoesNotShowThePreviousBlockInItsSpectrum) {
    constexpr std::int32_t kWidth = 64;
    const std::vector<double> loud = PutAndMap(Tone(kN, 100, 20000.0), kWidth);
    ASSERT_GT(*std::max_element(loud.begin(), loud.end()), 0.5);
    // Half a block of silence: its spectrum is silence, whatever came before.
    const std::vector<double> quiet = PutAndMap(Repeat({0, 0}, kN / 2), kWidth);
    for (int c = 0; c < kWidth; ++c)
        EXPECT_EQ(quiet[static_cast<std::size_t>(c)], 0.0) << c;
}

TEST_F(SampleExchangeTest, WindowChosenInTheStoreAppliesFromTheNextPutOverTheWholeBlock) {
    CWindowTable reference;
    reference.SetSize(kN);
    constexpr std::int32_t kHann = 2;
    SetFormat(CHANNEL_LEFT, kHann);
    const std::vector<double> s = PutAndRead(Repeat({16000, 0}, kN / 2 + 3));
    for (int i = 0; i < kN / 2 + 3; ++i)
        ASSERT_DOUBLE_EQ(s[static_cast<std::size_t>(i)],
                         16000.0 / 32767.0 * reference.Value(kHann, i))
            << i;
    for (int i = kN / 2 + 3; i < kN; ++i)
        ASSERT_EQ(s[static_cast<std::size_t>(i)], 0.0) << i;

    SetFormat(CHANNEL_LEFT, 0);
    const std::vector<double> rect = PutAndRead(Repeat({16000, 0}, kN));
    EXPECT_DOUBLE_EQ(rect[0], 16000.0 / 32767.0);
}

TEST_F(SampleExchangeTest, EmptyBlockIsTakenAsZeroWithoutTransformOrNewLevels) {
    PutAndMap(Tone(kN, 30, 12000.0), 16);
    const SLevels before = store.GetLevels();
    const SStereoLevels stereoBefore = store.GetStereoLevels();
    ASSERT_GT(before.nPeakMax, 0);
    store.SetFftTime(-7); // a transform would overwrite this
    store.SetSpectrumStats({});

    exchange.PutSingle(nullptr, 0);
    std::vector<std::uint8_t> row(16, 0);
    void* const outputs[] = {row.data()};
    const std::int32_t modes[] = {MAP_COLOUR_INDEX};
    const std::int32_t widths[] = {16};
    EXPECT_EQ(exchange.TakeBlock(outputs, modes, widths, 1), 0);

    EXPECT_EQ(store.GetFftTime(), -7);
    EXPECT_EQ(store.GetSpectrumStats().dBinWidth, 0.0);
    EXPECT_EQ(store.GetLevels().nPeakMin, before.nPeakMin);
    EXPECT_EQ(store.GetLevels().nPeakMax, before.nPeakMax);
    EXPECT_EQ(store.GetLevels().nPeakRms, before.nPeakRms);
    EXPECT_EQ(store.GetStereoLevels().nLeftMax, stereoBefore.nLeftMax);
    EXPECT_EQ(store.GetStereoLevels().nRightMin, stereoBefore.nRightMin);
    for (std::uint8_t c : row)
        EXPECT_EQ(c, 0);
}

TEST_F(SampleExchangeTest, TakenLevelsStayWithTheTakenBlockWhenTheNextIsPut) {
    const std::vector<std::int16_t> first = Interleave(Repeat({-300, 200}, kN));
    const std::vector<std::int16_t> second = Interleave(Repeat({900, -800}, kN));
    exchange.PutSingle(first.data(), kN);
    exchange.TakeBlock(nullptr, nullptr, nullptr, 0);
    // The producer may put again before the consumer has read the levels.
    exchange.PutSingle(second.data(), kN);
    EXPECT_EQ(store.GetLevels().nPeakMax, 900);
    EXPECT_EQ(exchange.GetTakenLevels().nPeakMin, -300);
    EXPECT_EQ(exchange.GetTakenLevels().nPeakMax, 0);
    EXPECT_EQ(exchange.GetTakenStereoLevels().nRightMax, 200);
    EXPECT_EQ(exchange.GetTakenStereoLevels().nLeftMin, -300);

    exchange.TakeBlock(nullptr, nullptr, nullptr, 0);
    EXPECT_EQ(exchange.GetTakenLevels().nPeakMax, 900);
    EXPECT_EQ(exchange.GetTakenLevels().nPeakRms,
              static_cast<std::int16_t>(std::trunc(900 * 0.707)));
    exchange.PutSingle(nullptr, 0);
    exchange.TakeBlock(nullptr, nullptr, nullptr, 0);
    EXPECT_EQ(exchange.GetTakenLevels().nPeakMax, 900); // the empty block has none
}

TEST_F(SampleExchangeTest, NonEmptyTakePublishesTheTransformTime) {
    store.SetFftTime(-7);
    PutAndMap(Tone(kN, 30, 12000.0), 16);
    EXPECT_GE(store.GetFftTime(), 0);
    EXPECT_GT(store.GetSpectrumStats().dBinWidth, 0.0);
}

TEST_F(SampleExchangeTest, SecondPutWaitsUntilTheFirstBlockIsTaken) {
    const std::vector<std::int16_t> first = Interleave(Repeat({1, 1}, kN));
    const std::vector<std::int16_t> second = Interleave(Repeat({2, 2}, kN / 2));
    std::atomic<bool> firstPut{false};
    std::atomic<bool> secondPut{false};
    std::thread producer([&] {
        exchange.PutSingle(first.data(), kN);
        firstPut = true;
        exchange.PutSingle(second.data(), kN / 2);
        secondPut = true;
    });
    while (!firstPut)
        std::this_thread::yield();
    // Time for a second put that does not wait to overwrite the slot.
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(secondPut.load());
    std::vector<double> s(kN);
    exchange.CopySamples(s.data());
    EXPECT_DOUBLE_EQ(s[kN - 1] * 32767.0, 1.0);

    // Each block is taken exactly once, in order.
    EXPECT_EQ(TakeWithin(5s), kN);
    EXPECT_EQ(TakeWithin(5s), kN / 2);
    producer.join();
    EXPECT_TRUE(secondPut.load());
}

TEST_F(SampleExchangeTest, TakeWaitsUntilABlockIsPut) {
    std::atomic<bool> taken{false};
    std::atomic<std::int32_t> count{-1};
    std::thread consumer([&] {
        count = exchange.TakeBlock(nullptr, nullptr, nullptr, 0);
        taken = true;
    });
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(taken.load());
    const std::vector<std::int16_t> data = Interleave(Repeat({3, 3}, 77));
    exchange.PutSingle(data.data(), 77);
    consumer.join();
    EXPECT_EQ(count.load(), 77);
}

TEST_F(SampleExchangeTest, ProducerAndConsumerHandOverEveryBlockOnce) {
    constexpr int kBlocks = 200;
    std::vector<std::int32_t> counts;
    std::thread consumer([&] {
        for (;;) {
            const std::int32_t n = exchange.TakeBlock(nullptr, nullptr, nullptr, 0);
            if (n == 0)
                break;
            counts.push_back(n);
        }
    });
    const std::vector<std::int16_t> data = Interleave(Repeat({9, 9}, kN));
    for (int b = 1; b <= kBlocks; ++b)
        exchange.PutSingle(data.data(), b);
    exchange.PutSingle(nullptr, 0);
    consumer.join();
    ASSERT_EQ(counts.size(), static_cast<std::size_t>(kBlocks));
    for (int b = 1; b <= kBlocks; ++b)
        EXPECT_EQ(counts[static_cast<std::size_t>(b - 1)], b);
}
