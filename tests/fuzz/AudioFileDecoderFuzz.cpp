// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target: any bytes as a sound file, through our code around
// FFmpeg (the decoder is not instrumented itself). Nothing may crash or
// leak; a refused file names itself; the reads hand out what they count; a
// second pass from the start gives the same sound (a looping source must).
#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/AudioFileDecoder.h"

namespace {

// At most this much sound per input and pass: ten seconds at the pipeline's rate.
constexpr std::size_t kMaxFrames = 441000;
constexpr std::size_t kPiece = 4096;

const std::string& InputPath() {
    // The decoder opens paths; a memory file spares the disk.
    static const std::string path =
        "/proc/self/fd/" + std::to_string(memfd_create("decoder-fuzz", 0));
    return path;
}

template <typename T> std::vector<T> ReadPass(CAudioFileDecoder& decoder) {
    std::vector<T> sound;
    std::vector<T> piece(2 * kPiece);
    while (sound.size() / 2 < kMaxFrames) {
        std::size_t got = 0;
        if constexpr (std::is_same_v<T, float>)
            got = decoder.ReadFloat(piece.data(), kPiece);
        else
            got = decoder.ReadStereo(piece.data(), kPiece);
        if (got > kPiece)
            std::abort();
        sound.insert(sound.end(), piece.begin(),
                     piece.begin() + static_cast<std::ptrdiff_t>(2 * got));
        if (got < kPiece)
            break;
    }
    if (decoder.FramesRead() != sound.size() / 2)
        std::abort();
    return sound;
}

template <typename T> void TwoPasses(CAudioFileDecoder& decoder) {
    const std::vector<T> first = ReadPass<T>(decoder);
    const bool failed = !decoder.Error().empty();
    decoder.Rewind();
    if (!decoder.Error().empty())
        std::abort(); // it opened once
    const std::vector<T> second = ReadPass<T>(decoder);
    // Bit for bit, also NaN in float files.
    if (failed != !decoder.Error().empty() || first.size() != second.size() ||
        std::memcmp(first.data(), second.data(), first.size() * sizeof(T)) != 0)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = InputPath();
    const int fd = std::stoi(path.substr(path.rfind('/') + 1));
    if (ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != static_cast<ssize_t>(size))
        std::abort();
    // The options follow from the length, so the seeds stay whole files.
    const SDecodeOptions choices[] = {{},
                                      {.bNativeRate = true},
                                      {.nLeft = 1, .nRight = 0},
                                      {.bNativeRate = true, .nLeft = 0, .nRight = 3}};
    const SDecodeOptions& options = choices[size % 4];

    CAudioFileDecoder decoder(options);
    if (!decoder.Open(path)) {
        if (decoder.Error().rfind("input file \"" + path + "\": ", 0) != 0)
            std::abort();
        return 0;
    }
    if (decoder.OutputRate() < CAudioFileDecoder::kMinRate ||
        decoder.OutputRate() > CAudioFileDecoder::kMaxRate || decoder.Description().empty())
        std::abort();
    if (options.bNativeRate)
        TwoPasses<float>(decoder);
    else
        TwoPasses<std::int16_t>(decoder);
    return 0;
}
