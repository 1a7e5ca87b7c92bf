// SPDX-License-Identifier: GPL-3.0-or-later
// Reads the sound of a RIFF/WAVE file for the file source: 16-bit PCM, mono
// or stereo, 44100 Hz. The header is walked chunk by chunk with every size
// checked against the file, "fmt " and "data" may come in any order with
// other chunks between them, odd-sized chunks are padded. A data chunk that
// claims more bytes than the file holds is cut to what is there; reading
// never goes past the data.
//
// Not thread-safe: one thread uses an object (the file source's thread).
#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "acquisition/SoundReader.h"

struct SWavFormat {
    std::uint16_t nFormatTag = 0; // 1 PCM, 0xFFFE extensible
    std::uint16_t nChannels = 0;
    std::uint32_t nSampleRate = 0;
    std::uint32_t nByteRate = 0;
    std::uint16_t nBlockAlign = 0;
    std::uint16_t nBitsPerSample = 0;
};

class CWavFile : public ISoundReader {
public:
    // Opens path and checks it. On false, Error() names the file and the
    // reason in one line, e.g. `input file "a.wav": 48000 Hz (need 44100 Hz)`.
    bool Open(const std::string& path) override;
    void Close();

    const SWavFormat& Format() const { return m_format; }
    std::uint64_t FrameCount() const { return m_nFrames; }
    // The header declared a data chunk longer than the file.
    bool IsTruncated() const { return m_bTruncated; }
    const std::string& Error() const override { return m_strError; }

    // Reads up to count frames from the current position as interleaved
    // stereo (mono is copied to both channels) into out (2 x count samples).
    // Returns the frames read; 0 at the end of the data.
    std::size_t ReadStereo(std::int16_t* out, std::size_t count) override;
    // Back to the first frame.
    void Rewind() override;

private:
    bool Reject(const std::string& path, const std::string& reason);

    std::ifstream m_file;
    SWavFormat m_format;
    std::uint64_t m_nDataOffset = 0;
    std::uint64_t m_nFrames = 0;
    std::uint64_t m_nPosition = 0; // frames read since the start of the data
    bool m_bTruncated = false;
    std::string m_strError;
    std::vector<std::uint8_t> m_bytes;
};
