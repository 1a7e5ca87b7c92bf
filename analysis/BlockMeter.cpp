// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/BlockMeter.h"

#include <algorithm>
#include <cmath>

#include "analysis/SampleExchange.h"
#include "base/RunState.h"

CBlockMeter::CBlockMeter(std::int32_t n, double sampleRate)
    : m_nSize(n), m_nChannelMode(CHANNEL_SUM), m_fft(n), m_finder(sampleRate / n, 1.0),
      m_pSamples(static_cast<std::size_t>(n), 0.0) {
    m_window.SetSize(n);
    SetWindowType(kDefaultMeterWindow);
}

void CBlockMeter::SetWindowType(std::int32_t type) {
    m_window.SetType(type);
    // The coherent gain: what the window leaves of a sine's amplitude.
    double gain = 1.0;
    if (type >= 1 && type < kWindowCount) {
        double sum = 0.0;
        for (std::int32_t i = 0; i < m_nSize; ++i)
            sum += m_window.Value(type, i);
        gain = sum / m_nSize;
    }
    m_finder.SetWindowGain(gain);
}

template <typename Value>
SBlockMeasurement CBlockMeter::MeasureValues(std::int32_t used, Value value) {
    SBlockMeasurement result;
    double sumSquares = 0.0;
    double lo = 0.0;
    double hi = 0.0;
    for (std::int32_t i = 0; i < used; ++i) {
        const double v = value(i);
        lo = i == 0 ? v : std::min(lo, v);
        hi = i == 0 ? v : std::max(hi, v);
        sumSquares += v * v;
        m_pSamples[static_cast<std::size_t>(i)] = v;
    }
    std::fill(m_pSamples.begin() + used, m_pSamples.end(), 0.0);
    result.dMin = lo;
    result.dMax = hi;
    result.dRms = used > 0 ? std::sqrt(sumSquares / used) : 0.0;

    m_window.Apply(m_pSamples.data(), m_nSize);
    m_fft.Transform(m_pSamples.data());
    result.peak = m_finder.Find(m_fft.GetMagnitudes(), m_nSize / 2 + 1);
    return result;
}

SBlockMeasurement CBlockMeter::Measure(const std::int16_t* frames, std::int32_t count) {
    const std::int32_t used = frames == nullptr ? 0 : std::clamp(count, 0, m_nSize);
    return MeasureValues(used, [&](std::int32_t i) {
        return ChannelValue(m_nChannelMode, frames[2 * i], frames[2 * i + 1]) * kSampleScale;
    });
}

SBlockMeasurement CBlockMeter::Measure(const float* frames, std::int32_t count) {
    const std::int32_t used = frames == nullptr ? 0 : std::clamp(count, 0, m_nSize);
    return MeasureValues(used, [&](std::int32_t i) {
        const double left = frames[2 * i];
        const double right = frames[2 * i + 1];
        switch (m_nChannelMode) {
        case CHANNEL_LEFT:
            return left;
        case CHANNEL_RIGHT:
            return right;
        case CHANNEL_SUM:
            return (left + right) / 2.0;
        case CHANNEL_DIFFERENCE:
            return std::clamp(left - right, -1.0, 1.0);
        default:
            return 0.0;
        }
    });
}
