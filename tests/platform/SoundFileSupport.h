// SPDX-License-Identifier: GPL-3.0-or-later
// Sound files for the decoder, program and window tests: made by sox and
// ffmpeg (Debian's, installed by scripts/install-deps) or written byte for
// byte here in any depth and channel count, and measured block by block as
// the headless tool measures them.
#pragma once

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "analysis/BlockMeter.h"
#include "tests/acquisition/AcquisitionTestSupport.h"

namespace sndtest {

using namespace acqtest;

// Runs a shell command in dir with its output discarded; true on status 0.
inline bool Shell(const CTempDir& dir, const std::string& command) {
    const std::string line = "cd '" + dir.Path() + "' && (" + command + ") >/dev/null 2>&1";
    return std::system(line.c_str()) == 0;
}

// A 4-second sox tone: sox's arguments before and after the output's name.
// Left 1000 Hz and right 1500 Hz at half scale unless the effect says else.
inline std::string SoxTone(const CTempDir& dir, const std::string& name, const std::string& format,
                           const std::string& synth = "synth 4 sine 1000 sine 1500 vol 0.5") {
    const std::string command = "sox -n " + format + " " + name + " " + synth;
    EXPECT_TRUE(Shell(dir, command)) << command;
    return dir.Path() + "/" + name;
}

// The same through an ffmpeg encoder, from a 48 kHz 24-bit stereo source.
inline std::string Encoded(const CTempDir& dir, const std::string& name, const std::string& codec) {
    SoxTone(dir, name + ".src.wav", "-r 48000 -b 24 -c 2");
    const std::string command = "ffmpeg -v error -y -i " + name + ".src.wav " + codec + " " + name;
    EXPECT_TRUE(Shell(dir, command)) << command;
    return dir.Path() + "/" + name;
}

// RIFF/WAVE of any layout. bits 8 are unsigned, float is 32-bit IEEE; a
// non-zero mask makes it WAVE_FORMAT_EXTENSIBLE with that channel mask.
struct SWavFormat {
    std::uint16_t channels = 2;
    std::uint32_t rate = 44100;
    std::uint16_t bits = 16;
    bool isFloat = false;
    std::uint32_t mask = 0;
};

inline Bytes WavFile(const SWavFormat& format, const Bytes& data) {
    const std::uint16_t tag = format.isFloat ? 3 : 1;
    Bytes fmt = FmtBody({.tag = tag,
                         .channels = format.channels,
                         .rate = format.rate,
                         .bits = format.bits,
                         .extensibleTag = format.mask != 0 ? tag : -1});
    if (format.mask != 0)
        std::memcpy(fmt.data() + 20, &format.mask, 4); // little-endian host
    return Riff({{"fmt ", fmt}, {"data", data}});
}

// Little-endian samples of the given byte width (3 for 24-bit).
inline Bytes PackInts(const std::vector<std::int32_t>& values, int width) {
    Bytes b;
    for (const std::int32_t v : values)
        for (int i = 0; i < width; ++i)
            b.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) >> (8 * i)));
    return b;
}

inline Bytes PackFloats(const std::vector<float>& values) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(values.data()); // little-endian host
    return Bytes(p, p + 4 * values.size());
}

// Seeded uniform integers in [lo, hi].
inline std::vector<std::int32_t> RandomInts(std::size_t count, std::int32_t lo, std::int32_t hi,
                                            std::uint32_t seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<std::int32_t> value(lo, hi);
    std::vector<std::int32_t> out(count);
    for (std::int32_t& v : out)
        v = value(random);
    return out;
}

// Every whole block of n frames but the first and the last, measured on one
// channel (CHANNEL_*) as the headless tool measures it at rate.
inline std::vector<SBlockMeasurement> InnerBlocks(const Samples& stereo, std::int32_t n,
                                                  std::int32_t channel, double rate = kSampleRate) {
    CBlockMeter meter(n, rate);
    meter.SetChannelMode(channel);
    std::vector<SBlockMeasurement> out;
    const std::size_t blocks = stereo.size() / 2 / static_cast<std::size_t>(n);
    for (std::size_t b = 1; b + 1 < blocks; ++b)
        out.push_back(meter.Measure(stereo.data() + 2 * b * static_cast<std::size_t>(n), n));
    return out;
}

} // namespace sndtest
