// The one-slot hand-off of one sample block from the input thread (the only
// producer) to the analysis thread (the only consumer). Not a queue: a put
// waits until the previous block has been taken, a take waits until a block
// is there, so each block is analysed exactly once.
//
// The producer side reduces each stereo frame by the channel function,
// publishes the block's levels, scales by 1/32767 and applies the window; the
// consumer side runs the FFT and the spectrum mappings on the slot while it
// still holds the lock.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "acquisition/Condition.h"
#include "acquisition/Monitor.h"
#include "analysis/FftEngine.h"
#include "analysis/WindowTable.h"

class CRunState;

class CSampleExchange : public CMonitor {
public:
    // n: block size in frames (power of two, 1024..32768); sampleRate in Hz.
    CSampleExchange(std::int32_t n, double sampleRate, CRunState* runState);
    ~CSampleExchange() override;

    // Producer (input thread). Regions are interleaved signed 16-bit stereo
    // frames, left first; lengths are frame counts. Frames beyond N are not
    // read; a block shorter than N is padded with silence. Blocks until the
    // previous block has been taken.
    void PutBlock(const std::int16_t* region1, std::int32_t frames1, const std::int16_t* region2,
                  std::int32_t frames2);
    // The same for one region; 0 frames is the empty block that ends the
    // analysis thread.
    void PutSingle(const std::int16_t* region, std::int32_t frames);

    // Consumer (analysis thread). Blocks until a block is there; transforms
    // and maps it into the outputs (see CFftEngine::Transform) and returns
    // its frame count (0 for the empty block, which runs no transform).
    std::int32_t TakeBlock(void* const* outputs, const std::int32_t* modes,
                           const std::int32_t* widths, std::int32_t count);

    std::int32_t GetBlockSize() const { return m_nBlockSize; }
