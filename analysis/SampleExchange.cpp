// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/SampleExchange.h"

#include <algorithm>
#include <chrono>
#include <limits>

#include "base/RunState.h"

namespace {

constexpr std::int32_t kShortMax = std::numeric_limits<std::int16_t>::max();
constexpr std::int32_t kShortMin = std::numeric_limits<std::int16_t>::min();

} // namespace

std::int32_t ChannelValue(std::int32_t mode, std::int32_t left, std::int32_t right) {
    switch (mode) {
    case CHANNEL_LEFT:
        return left;
    case CHANNEL_RIGHT:
        return right;
    case CHANNEL_SUM:
        // Integer division truncates toward zero, as (L + R) * 0.5 cast would.
        return (left + right) / 2;
    case CHANNEL_DIFFERENCE:
        // Full scale of opposite signs would wrap in 16 bits; saturate instead.
        return std::clamp(left - right, kShortMin, kShortMax);
    default:
        return 0;
    }
}

struct CSampleExchange::SExtremes {
    std::int16_t nMin = kShortMax;
    std::int16_t nMax = 0;
    std::int16_t nLeftMin = kShortMax;
    std::int16_t nLeftMax = 0;
    std::int16_t nRightMin = kShortMax;
    std::int16_t nRightMax = 0;
};

CSampleExchange::CSampleExchange(std::int32_t n, double sampleRate, CRunState* runState)
    : m_pFilled(std::make_unique<CCondition>(this)), m_pEmptied(std::make_unique<CCondition>(this)),
      m_fft(n), m_pRunState(runState), m_dSampleRate(sampleRate), m_nBlockSize(n),
      m_pSamples(static_cast<std::size_t>(n), 0.0), m_pWindow(std::make_unique<CWindowTable>()) {
    m_pWindow->SetSize(n);
    m_pWindow->SetType(1);
}

CSampleExchange::~CSampleExchange() = default;

void CSampleExchange::PutBlock(const std::int16_t* region1, std::int32_t frames1,
                               const std::int16_t* region2, std::int32_t frames2) {
    // Read before the lock: a new channel function or window applies from the
    // next block on.
    const SCaptureFormat format = m_pRunState->GetCaptureFormat();
    Put(format, region1, frames1, region2, frames2);
}

void CSampleExchange::PutSingle(const std::int16_t* region, std::int32_t frames) {
    const SCaptureFormat format = m_pRunState->GetCaptureFormat();
    Put(format, region, frames, nullptr, 0);
}

void CSampleExchange::ReadRegion(const std::int16_t* region, std::int32_t frames,
                                 std::int32_t stride, std::int32_t channelMode, std::int32_t* index,
                                 SExtremes* extremes) {
    if (region == nullptr || frames <= 0)
        return;
    std::int32_t i = *index;
    const std::int32_t end = i + std::min(frames, m_nBlockSize - i);
    for (; i < end; ++i) {
        const std::int16_t left = region[0];
        const std::int16_t right = region[1];
        const auto v = static_cast<std::int16_t>(ChannelValue(channelMode, left, right));
        region += stride;
        extremes->nMin = std::min(extremes->nMin, v);
        extremes->nMax = std::max(extremes->nMax, v);
        extremes->nLeftMin = std::min(extremes->nLeftMin, left);
        extremes->nLeftMax = std::max(extremes->nLeftMax, left);
        extremes->nRightMin = std::min(extremes->nRightMin, right);
        extremes->nRightMax = std::max(extremes->nRightMax, right);
        m_pSamples[static_cast<std::size_t>(i)] = v * kSampleScale;
    }
    *index = i;
}

void CSampleExchange::Put(const SCaptureFormat& format, const std::int16_t* region1,
                          std::int32_t frames1, const std::int16_t* region2, std::int32_t frames2) {
    // Each frame holds a left and a right sample; a narrower stride would
    // read one sample past the region's end.
    const std::int32_t stride = std::max(format.nFrameStride, 2);

    Lock();
    while (!m_bEmpty)
        m_pEmptied->Wait();

    m_nSampleCount = static_cast<std::int32_t>(std::clamp<std::int64_t>(
        std::int64_t{frames1} + frames2, std::numeric_limits<std::int32_t>::min(),
        std::numeric_limits<std::int32_t>::max()));
    std::int32_t filled = 0;
    SExtremes extremes;
    if (m_nSampleCount > 0) {
        ReadRegion(region1, frames1, stride, format.nChannelMode, &filled, &extremes);
        ReadRegion(region2, frames2, stride, format.nChannelMode, &filled, &extremes);
    }
    if (filled > 0) {
        m_levels.nPeakMin = extremes.nMin;
        m_levels.nPeakMax = extremes.nMax;
        m_levels.nPeakRms = static_cast<std::int16_t>(extremes.nMax * 0.707);
        m_stereoLevels = {extremes.nLeftMin, extremes.nLeftMax, extremes.nRightMin,
                          extremes.nRightMax};
        m_pRunState->SetLevels(m_levels);
        m_pRunState->SetStereoLevels(m_stereoLevels);
    }
    // A short block is padded with silence; without this the previous block's
    // tail would reach the spectrum of this one.
    std::fill(m_pSamples.begin() + filled, m_pSamples.end(), 0.0);

    // The window is built for N; over a zero tail, windowing all N values and
    // windowing only the filled ones give the same block.
    m_pWindow->SetType(format.nWindowType);
    m_pWindow->Apply(m_pSamples.data(), m_nBlockSize);

    m_bEmpty = false;
    m_pFilled->Signal();
    Unlock();
}

std::int32_t CSampleExchange::TakeBlock(const SDisplayRange& range, const SDisplayScale& scale,
                                        std::span<const SMapRow> rows, SSpectrumStats* stats) {
    Lock();
    while (m_bEmpty)
        m_pFilled->Wait();

    if (m_nSampleCount > 0) {
        const auto start = std::chrono::steady_clock::now();
        m_fft.Transform(m_pSamples.data());
        const SSpectrum spectrum{m_fft.GetMagnitudes(), m_fft.GetMaxMagnitude(), m_dSampleRate,
                                 m_fft.GetSize()};
        const SMapResult mapped = MapSpectrum(range, scale, spectrum, rows);
        if (stats != nullptr)
            *stats = mapped.stats;
        const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - start);
        m_pRunState->SetFftTime(static_cast<std::int32_t>(elapsed.count()));
    }
    const std::int32_t frames = m_nSampleCount;
    m_takenLevels = m_levels;
    m_takenStereoLevels = m_stereoLevels;

    m_bEmpty = true;
    m_pEmptied->Signal();
    Unlock();
    return frames;
}

void CSampleExchange::CopySamples(double* out) {
    Lock();
    std::copy(m_pSamples.begin(), m_pSamples.end(), out);
    Unlock();
}
