// SPDX-License-Identifier: GPL-3.0-or-later
// Reads any sound file FFmpeg can decode (WAV of any depth, FLAC, MP3, Ogg
// Vorbis, Opus, the sound of a video, ...) at any sample rate, sample format
// and channel count, as the pipeline carries sound: 16-bit stereo at
// kSampleRate. Or, for measuring at the file's own rate, as 32-bit float
// stereo at that rate, neither resampled nor cut to 16 bits.
//
// Channels: mono goes to both sides; of more than two, the front left and
// right (the first two when the file names none), unless the options pick
// two others by index (from 0, in FFmpeg's order, as ffprobe lists them).
//
// Conversion: a 16-bit file at kSampleRate is copied untouched (no
// resampling, no dither: the pipeline gets exactly the samples the file
// holds). Every other file goes through swresample: soxr at its very high
// quality where the build has it (swresample's own long filter otherwise),
// dithered (flat triangular) only when the file's depth is above 16 bits.
//
// Errors name the file and FFmpeg's reason in one line, starting
// `input file "PATH": `. A file that is missing, a folder, empty, not
// something FFmpeg reads, without an audio stream, or whose first sound
// cannot be decoded fails Open. A decoding failure later on (a file cut
// short, a damaged stream) ends the reads early; Error() then says how far
// the decoding got. FFmpeg's own log lines go to the trace (base/DebugLog.h),
// never to standard error.
//
// Not thread-safe: one thread uses an object at a time. Objects on
// different threads are independent.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "acquisition/CaptureDevice.h"
#include "acquisition/SoundReader.h"

struct SDecodeOptions {
    // Float at the file's own rate (ReadFloat) instead of the pipeline's
    // format (ReadStereo).
    bool bNativeRate = false;
    // Channel indexes for the left and right output; both -1: the default
    // choice above. Either both are set or neither.
    std::int32_t nLeft = -1;
    std::int32_t nRight = -1;
};

class CAudioFileDecoder : public ISoundReader {
public:
    // The lowest and highest file rates taken, in Hz.
    static constexpr std::int32_t kMinRate = 1000;
    static constexpr std::int32_t kMaxRate = 1000000;

    explicit CAudioFileDecoder(SDecodeOptions options = {});
    ~CAudioFileDecoder() override;
    CAudioFileDecoder(const CAudioFileDecoder&) = delete;
    CAudioFileDecoder& operator=(const CAudioFileDecoder&) = delete;

    // ISoundReader. Open also decodes the first sound, so that a file whose
    // sound cannot be decoded at all fails here. ReadStereo reads the
    // pipeline's format; with bNativeRate it reads nothing (use ReadFloat).
    bool Open(const std::string& path) override;
    std::size_t ReadStereo(std::int16_t* out, std::size_t count) override;
    void Rewind() override;
    const std::string& Error() const override { return m_strError; }

    // With bNativeRate: up to count frames of interleaved float stereo,
    // full scale 1.0, at FileRate(); as ReadStereo otherwise.
    std::size_t ReadFloat(float* out, std::size_t count);

    // After a successful Open.
    std::int32_t OutputRate() const; // kSampleRate, or FileRate() with bNativeRate
    std::int32_t FileRate() const { return m_nFileRate; }
    std::int32_t FileChannels() const { return m_nFileChannels; }
    // The codec, rate, channels and depth, e.g. "flac, 48000 Hz, 2 channels, 24-bit".
    const std::string& Description() const { return m_strDescription; }
    // The samples reach the reader exactly as the file holds them.
    bool IsPassThrough() const;
    // Frames handed out by the reads since Open or Rewind.
    std::uint64_t FramesRead() const { return m_nFramesRead; }

private:
    struct SState;
    template <typename T> std::size_t Read(T* out, std::size_t count, std::vector<T>& pending);
    bool OpenFile(const std::string& path);
    bool Reject(const std::string& reason);
    bool Fail(const std::string& what, int code);
    // "can't be decoded" before the first frame, else how far it got.
    std::string DecodingFailure() const;
    bool DecodeMore();
    bool Configure();
    bool Convert();
    bool FlushResampler();
    std::size_t PendingFrames() const;

    SDecodeOptions m_options;
    std::string m_strPath;
    std::string m_strError;
    std::string m_strDescription;
    std::unique_ptr<SState> m_state;
    std::int32_t m_nFileRate = 0;
    std::int32_t m_nFileChannels = 0;
    std::uint64_t m_nFramesRead = 0;
    std::uint64_t m_nFramesMade = 0; // converted so far, read or not
    // Converted frames not yet read, from m_nPendingStart on (interleaved).
    std::vector<std::int16_t> m_pending16;
    std::vector<float> m_pendingFloat;
    std::size_t m_nPendingStart = 0;
};

// The paced file source (acquisition/FileSource.h) over a decoder with these
// options: what `--input FILE` plays.
std::unique_ptr<ICaptureBackend> CreateDecodedFileSource(const std::string& path,
                                                         SDecodeOptions options = {});
