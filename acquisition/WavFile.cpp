// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/WavFile.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "base/Tunables.h"

namespace {

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;

std::uint16_t Le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t Le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

bool ReadAt(std::ifstream& file, std::uint64_t offset, std::uint8_t* out, std::size_t bytes) {
    file.clear();
    file.seekg(static_cast<std::streamoff>(offset));
    file.read(reinterpret_cast<char*>(out), static_cast<std::streamsize>(bytes));
    return static_cast<std::size_t>(file.gcount()) == bytes;
}

} // namespace

bool CWavFile::Reject(const std::string& path, const std::string& reason) {
    m_strError = "input file \"" + path + "\": " + reason;
    Close();
    return false;
}

bool CWavFile::Open(const std::string& path) {
    Close();
    m_strError.clear();
    // A folder opens as a stream on this platform; say what it really is.
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec))
        return Reject(path, "is a folder, not a file");
    m_file.open(path, std::ios::binary);
    if (!m_file) {
        return Reject(path, "can't open the file");
    }
    m_file.seekg(0, std::ios::end);
    const auto end = m_file.tellg();
    if (end < 0) {
        return Reject(path, "can't read the file");
    }
    const auto fileSize = static_cast<std::uint64_t>(end);

    std::uint8_t riff[12];
    if (fileSize < sizeof riff || !ReadAt(m_file, 0, riff, sizeof riff)) {
        return Reject(path, "too short for a WAV header");
    }
    if (std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "WAVE", 4) != 0) {
        return Reject(path, "not a RIFF/WAVE file");
    }

    // The RIFF size is not trusted: a recording that was never finished
    // still says 0 there. The file's own end bounds the walk.
    bool haveFormat = false;
    bool haveData = false;
    std::uint64_t dataBytes = 0;
    std::uint64_t pos = sizeof riff;
    while (pos + 8 <= fileSize && !(haveFormat && haveData)) {
        std::uint8_t head[8];
        if (!ReadAt(m_file, pos, head, sizeof head)) {
            break;
        }
        const std::uint64_t size = Le32(head + 4);
        const std::uint64_t body = pos + 8;
        if (std::memcmp(head, "fmt ", 4) == 0) {
            if (size < 16) {
                return Reject(path, "\"fmt \" chunk too short");
            }
            if (body + size > fileSize) {
                return Reject(path, "truncated header");
            }
            std::uint8_t fmt[40] = {};
            const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(size, 40));
            if (!ReadAt(m_file, body, fmt, want)) {
                return Reject(path, "truncated header");
            }
            m_format.nFormatTag = Le16(fmt);
            m_format.nChannels = Le16(fmt + 2);
            m_format.nSampleRate = Le32(fmt + 4);
            m_format.nByteRate = Le32(fmt + 8);
            m_format.nBlockAlign = Le16(fmt + 12);
            m_format.nBitsPerSample = Le16(fmt + 14);
            if (m_format.nFormatTag == kFormatExtensible) {
                // The sub-format GUID starts with the plain format tag.
                if (want < 40 || Le16(fmt + 24) != kFormatPcm) {
                    return Reject(path, "not PCM sound (extensible format)");
                }
                m_format.nFormatTag = kFormatPcm;
            }
            haveFormat = true;
        } else if (std::memcmp(head, "data", 4) == 0) {
            m_nDataOffset = body;
            const std::uint64_t present = fileSize - body;
            dataBytes = std::min(size, present);
            m_bTruncated = size > present;
            haveData = true;
        }
        pos = body + size + (size & 1);
    }
    const bool cutShort = pos > fileSize || (pos < fileSize && pos + 8 > fileSize);
    if (!haveFormat) {
        return Reject(path, cutShort && !haveData ? "truncated header" : "no \"fmt \" chunk");
    }
    if (!haveData) {
        return Reject(path, "no \"data\" chunk");
    }
    if (m_format.nFormatTag != kFormatPcm) {
        return Reject(path, "not PCM sound (format " + std::to_string(m_format.nFormatTag) + ")");
    }
    if (m_format.nChannels != 1 && m_format.nChannels != 2) {
        return Reject(path, std::to_string(m_format.nChannels) + " channels (need mono or stereo)");
    }
    if (m_format.nBitsPerSample != 16) {
        return Reject(path, std::to_string(m_format.nBitsPerSample) + "-bit samples (need 16-bit)");
    }
    if (m_format.nSampleRate != static_cast<std::uint32_t>(kSampleRate)) {
        return Reject(path, std::to_string(m_format.nSampleRate) + " Hz (need " +
                                std::to_string(kSampleRate) + " Hz)");
    }
    if (m_format.nBlockAlign != m_format.nChannels * 2) {
        return Reject(path, "block align " + std::to_string(m_format.nBlockAlign) +
                                " does not match the format");
    }
    m_nFrames = dataBytes / m_format.nBlockAlign;
    if (m_nFrames == 0) {
        return Reject(path, "no sound data");
    }
    Rewind();
    return true;
}

void CWavFile::Close() {
    if (m_file.is_open()) {
        m_file.close();
    }
    m_file.clear();
    m_format = SWavFormat{};
    m_nDataOffset = 0;
    m_nFrames = 0;
    m_nPosition = 0;
    m_bTruncated = false;
}

std::size_t CWavFile::ReadStereo(std::int16_t* out, std::size_t count) {
    if (!m_file.is_open() || m_nPosition >= m_nFrames) {
        return 0;
    }
    const auto frames =
        static_cast<std::size_t>(std::min<std::uint64_t>(count, m_nFrames - m_nPosition));
    const std::size_t bytes = frames * m_format.nBlockAlign;
    if (m_bytes.size() < bytes) {
        m_bytes.resize(bytes);
    }
    m_file.read(reinterpret_cast<char*>(m_bytes.data()), static_cast<std::streamsize>(bytes));
    const auto got = static_cast<std::size_t>(m_file.gcount()) / m_format.nBlockAlign;
    const std::uint8_t* p = m_bytes.data();
    for (std::size_t i = 0; i < got; ++i) {
        const auto left = static_cast<std::int16_t>(Le16(p));
        const auto right = m_format.nChannels == 2 ? static_cast<std::int16_t>(Le16(p + 2)) : left;
        out[2 * i] = left;
        out[2 * i + 1] = right;
        p += m_format.nBlockAlign;
    }
    m_nPosition += got;
    if (got < frames) {
        // The file shrank under us: treat what is left as the end.
        m_nFrames = m_nPosition;
    }
    return got;
}

void CWavFile::Rewind() {
    m_nPosition = 0;
    m_file.clear();
    m_file.seekg(static_cast<std::streamoff>(m_nDataOffset));
}
