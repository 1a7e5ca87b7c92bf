// SPDX-License-Identifier: GPL-3.0-or-later
// The one-slot hand-off of one sample block from the input thread (the only
// producer) to the analysis thread (the only consumer). Not a queue: a put
// waits until the previous block has been taken, a take waits until a block
// is there, so each block is analysed exactly once.
//
// The producer side reduces each stereo frame by the channel function,
// publishes the block's levels, scales by 1/32767 and applies the window; the
// consumer side runs the FFT and the spectrum mapping on the slot while it
// still holds the lock.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "analysis/Condition.h"
#include "analysis/FftEngine.h"
#include "analysis/Monitor.h"
#include "analysis/SpectrumMapping.h"
#include "analysis/WindowTable.h"
#include "base/RunState.h"

// One channel value from a stereo frame by the channel function (CHANNEL_*):
// the sum is halved (truncated toward zero), the difference saturates at
// -32768..32767, an unknown function gives 0. Any thread.
std::int32_t ChannelValue(std::int32_t mode, std::int32_t left, std::int32_t right);

class CSampleExchange : public CMonitor {
public:
    // n: block size in frames (power of two, 1024..32768); sampleRate in Hz.
    CSampleExchange(std::int32_t n, double sampleRate, CRunState* runState);
    ~CSampleExchange() override;

    // Producer (input thread). Regions are interleaved signed 16-bit stereo
    // frames, left first; lengths are frame counts. Frames beyond N are not
    // read; a block shorter than N is padded with silence. Blocks until the
    // previous block has been taken. The store's capture format (channel
    // function, window type, frame stride) is read once, before waiting; the
    // block's levels are published to the store (not for an empty block).
    // The difference channel saturates at -32768..32767; an unknown channel
    // function gives silence.
    void PutBlock(const std::int16_t* region1, std::int32_t frames1, const std::int16_t* region2,
                  std::int32_t frames2);
    // The same for one region; 0 frames is the empty block that ends the
    // analysis thread.
    void PutSingle(const std::int16_t* region, std::int32_t frames);

    // Consumer (analysis thread). Blocks until a block is there; transforms
    // it, maps it by `range` into the rows (see MapSpectrum) and returns the
    // frame count offered by the put (frames1 + frames2, which may exceed N;
    // 0 for the empty block, which runs neither). The mapping's statistics go
    // to *stats when it is not null, except for the empty block; the
    // duration of transform and mapping goes to the store in milliseconds.
    std::int32_t TakeBlock(const SDisplayRange& range, std::span<const SMapRow> rows,
                           SSpectrumStats* stats) {
        return TakeBlock(range, SDisplayScale{}, rows, stats);
    }
    // The same mapped with the display's scale options (the rows' layouts
    // made for this exchange's bins: N / 2 of them, GetBinWidth() apart).
    std::int32_t TakeBlock(const SDisplayRange& range, const SDisplayScale& scale,
                           std::span<const SMapRow> rows, SSpectrumStats* stats);
    // The same with nothing to map into (draining the input thread, tests).
    std::int32_t TakeBlock() { return TakeBlock(SDisplayRange{}, {}, nullptr); }

    // Consumer only, after TakeBlock: the levels of the block it took (the
    // store may already hold the next block's, published by a put that ran
    // as soon as the slot was free). Unchanged by the empty block.
    SLevels GetTakenLevels() const { return m_takenLevels; }
    SStereoLevels GetTakenStereoLevels() const { return m_takenStereoLevels; }

    std::int32_t GetBlockSize() const { return m_nBlockSize; }
    // Hz between the transform's bins: the sample rate / N.
    double GetBinWidth() const { return m_dSampleRate / m_nBlockSize; }

    // Copies the N values now in the slot (scaled, reduced and windowed) to
    // out; any thread, waits for the lock. For tests and diagnostics.
    void CopySamples(double* out);

private:
    struct SExtremes;
    // Reduces up to `frames` frames of one region into m_pSamples from
    // *index on, stopping at N; advances *index.
    void ReadRegion(const std::int16_t* region, std::int32_t frames, std::int32_t stride,
                    std::int32_t channelMode, std::int32_t* index, SExtremes* extremes);
    // A put after the format group has been read: waits for the slot, fills
    // it and signals the consumer.
    void Put(const SCaptureFormat& format, const std::int16_t* region1, std::int32_t frames1,
             const std::int16_t* region2, std::int32_t frames2);

    // Guarded by the monitor's lock: m_bEmpty, m_nSampleCount, m_pSamples,
    // and m_fft / m_pWindow, which work on m_pSamples.
    std::unique_ptr<CCondition> m_pFilled;
    std::unique_ptr<CCondition> m_pEmptied;
    bool m_bEmpty = true;
    CFftEngine m_fft;
    CRunState* m_pRunState;
    double m_dSampleRate; // Hz
    std::int32_t m_nBlockSize;
    std::int32_t m_nSampleCount = 0; // frames offered by the last put, may exceed N
    std::vector<double> m_pSamples;  // N values, scaled and windowed
    std::unique_ptr<CWindowTable> m_pWindow;
    SLevels m_levels; // of the block in the slot
    SStereoLevels m_stereoLevels;

    // Consumer's copies, written by TakeBlock.
    SLevels m_takenLevels;
    SStereoLevels m_takenStereoLevels;
};
