// Builds WAV files for the tests, chunk by chunk, so that well-formed and
// deliberately broken files come from the same few lines.
#pragma once

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

#include <unistd.h>

namespace wavtest {

inline void Put16(std::vector<std::uint8_t>& b, std::uint32_t v) {
    b.push_back(static_cast<std::uint8_t>(v & 0xFF));
    b.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}

inline void Put32(std::vector<std::uint8_t>& b, std::uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

struct SFormat {
    std::uint16_t tag = 1;
    std::uint16_t channels = 2;
    std::uint32_t rate = 44100;
    std::uint16_t bits = 16;
    std::int32_t blockAlign = -1; // -1: channels x bits / 8
};

// The body of a "fmt " chunk; extensible adds the 24 bytes of the
// WAVE_FORMAT_EXTENSIBLE tail with subTag as the sub-format.
inline std::vector<std::uint8_t> FmtBody(const SFormat& f, bool extensible = false,
                                         std::uint16_t subTag = 1) {
    const std::uint32_t align =
        f.blockAlign >= 0 ? static_cast<std::uint32_t>(f.blockAlign) : f.channels * f.bits / 8u;
    std::vector<std::uint8_t> b;
    Put16(b, extensible ? 0xFFFE : f.tag);
    Put16(b, f.channels);
    Put32(b, f.rate);
    Put32(b, f.rate * align);
    Put16(b, align);
    Put16(b, f.bits);
    if (extensible) {
        Put16(b, 22);
        Put16(b, f.bits);
        Put32(b, 3);
        Put16(b, subTag);
        const std::uint8_t guidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                           0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
        b.insert(b.end(), guidTail, guidTail + 14);
    }
    return b;
}

inline std::vector<std::uint8_t> SampleBytes(const std::vector<std::int16_t>& samples) {
    std::vector<std::uint8_t> b;
    for (std::int16_t s : samples) {
        Put16(b, static_cast<std::uint16_t>(s));
    }
    return b;
}

// A RIFF/WAVE file from chunks. sizeOverride replaces the size field a chunk
// declares (for lying headers); the body is written as given, padded to an
// even length.
class CRiffBuilder {
public:
    CRiffBuilder& Chunk(const std::string& id, const std::vector<std::uint8_t>& body,
                        std::int64_t sizeOverride = -1) {
        m_body.insert(m_body.end(), id.begin(), id.end());
        Put32(m_body, static_cast<std::uint32_t>(sizeOverride >= 0
                                                     ? sizeOverride
                                                     : static_cast<std::int64_t>(body.size())));
        m_body.insert(m_body.end(), body.begin(), body.end());
        if (body.size() % 2 != 0) {
            m_body.push_back(0);
        }
        return *this;
    }
    std::vector<std::uint8_t> Bytes(const char* riff = "RIFF", const char* wave = "WAVE") const {
        std::vector<std::uint8_t> b(riff, riff + 4);
        Put32(b, static_cast<std::uint32_t>(m_body.size() + 4));
        b.insert(b.end(), wave, wave + 4);
        b.insert(b.end(), m_body.begin(), m_body.end());
        return b;
    }

private:
    std::vector<std::uint8_t> m_body;
};

inline std::vector<std::uint8_t> SimpleWav(const SFormat& f,
                                           const std::vector<std::int16_t>& samples) {
    return CRiffBuilder().Chunk("fmt ", FmtBody(f)).Chunk("data", SampleBytes(samples)).Bytes();
}

inline void WriteFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

// Interleaved stereo frames whose left sample is the frame index modulo
// period and whose right sample is its negation, so order, loss and
// repetition show in the data.
inline std::vector<std::int16_t> IndexRamp(std::int64_t first, std::int64_t frames,
                                           std::int64_t period = 30000) {
    std::vector<std::int16_t> s;
    s.reserve(static_cast<std::size_t>(frames) * 2);
    for (std::int64_t i = first; i < first + frames; ++i) {
        const auto v = static_cast<std::int16_t>(i % period);
        s.push_back(v);
        s.push_back(static_cast<std::int16_t>(-v));
    }
    return s;
}

// Interleaved stereo sine of frequency hz and amplitude (16-bit units) on
// both channels.
inline std::vector<std::int16_t> Tone(double hz, double amplitude, std::int64_t frames,
                                      double rate = 44100.0) {
    std::vector<std::int16_t> s;
    s.reserve(static_cast<std::size_t>(frames) * 2);
    for (std::int64_t i = 0; i < frames; ++i) {
        const auto v = static_cast<std::int16_t>(
            std::lround(amplitude * std::sin(2.0 * std::numbers::pi * hz * i / rate)));
        s.push_back(v);
        s.push_back(v);
    }
    return s;
}

// A fresh folder under the system's temporary folder, removed on scope exit.
class CTempDir {
public:
    CTempDir() {
        static int counter = 0;
        m_path = std::filesystem::temp_directory_path() /
                 ("vireon-test-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
        std::filesystem::create_directories(m_path);
    }
    ~CTempDir() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    CTempDir(const CTempDir&) = delete;
    CTempDir& operator=(const CTempDir&) = delete;
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

} // namespace wavtest
