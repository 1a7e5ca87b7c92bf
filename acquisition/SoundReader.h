// SPDX-License-Identifier: GPL-3.0-or-later
// A sound file read as the pipeline carries sound: interleaved 16-bit stereo
// frames at kSampleRate (base/Tunables.h), from the first frame to the last.
// The paced file source (acquisition/FileSource.h) plays any reader; the WAV
// reader (acquisition/WavFile.h) and the decoder of every format FFmpeg
// reads (platform/AudioFileDecoder.h) are the two there are.
//
// Not thread-safe: one thread uses an object at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class ISoundReader {
public:
    virtual ~ISoundReader() = default;

    // Opens path, closing whatever was open, and checks that it holds sound.
    // On false, Error() names the file and the reason in one line, starting
    // `input file "PATH": `.
    virtual bool Open(const std::string& path) = 0;
    // Reads up to count frames from the current position into out (2 x count
    // samples, left first). Returns the frames read: fewer than count only at
    // the end of the sound or when reading failed part-way, which Error()
    // then says; at a clean end Error() stays empty.
    virtual std::size_t ReadStereo(std::int16_t* out, std::size_t count) = 0;
    // Back to the first frame. A failure shows in Error(); reads then return 0.
    virtual void Rewind() = 0;
    virtual const std::string& Error() const = 0;
};
