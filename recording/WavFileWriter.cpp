// SPDX-License-Identifier: GPL-3.0-or-later
#include "recording/WavFileWriter.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

namespace {

constexpr std::size_t kBufferBytes = 1 << 16;
constexpr std::uint32_t kSampleCountWriting = 0xFFFFFFFF;

void Put16(std::vector<std::uint8_t>& b, std::uint32_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(std::vector<std::uint8_t>& b, std::uint32_t v) {
    Put16(b, v);
    Put16(b, v >> 16);
}
void PutId(std::vector<std::uint8_t>& b, const char* id) {
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<std::uint8_t>(id[i]));
}

} // namespace

CWavFileWriter::~CWavFileWriter() {
    if (m_pFile != nullptr && Close() != kWavOk)
        Abandon();
}

void CWavFileWriter::Abandon() {
    if (m_pFile != nullptr)
        std::fclose(m_pFile);
    m_pFile = nullptr;
}

std::uint32_t CWavFileWriter::Open(const std::string& fileName, const SWaveFormat& format) {
    if (m_pFile != nullptr && Close() != kWavOk)
        Abandon();
    m_pFile = std::fopen(fileName.c_str(), "w+b");
    if (m_pFile == nullptr)
        return kWavFail;
    m_buffer.resize(kBufferBytes);
    std::setvbuf(m_pFile, m_buffer.data(), _IOFBF, m_buffer.size());

    // The header as the RIFF layer would leave it after creating "RIFF",
    // "fmt " (size corrected to what was written), "fact" and "data".
    std::vector<std::uint8_t> h;
    PutId(h, "RIFF");
    Put32(h, 0);
    PutId(h, "WAVE");
    PutId(h, "fmt ");
    const bool pcm = format.wFormatTag == 1;
    const auto fmtBytes = static_cast<std::uint32_t>(pcm ? 16 : 18 + format.extra.size());
    Put32(h, fmtBytes);
    Put16(h, format.wFormatTag);
    Put16(h, format.nChannels);
    Put32(h, format.nSamplesPerSec);
    Put32(h, format.nAvgBytesPerSec);
    Put16(h, format.nBlockAlign);
    Put16(h, format.wBitsPerSample);
    if (!pcm) {
        Put16(h, static_cast<std::uint32_t>(format.extra.size()));
        h.insert(h.end(), format.extra.begin(), format.extra.end());
        if (fmtBytes % 2 != 0)
            h.push_back(0);
    }
    PutId(h, "fact");
    Put32(h, 4);
    m_nFactValueAt = static_cast<long>(h.size());
    Put32(h, kSampleCountWriting);
    PutId(h, "data");
    m_nDataSizeAt = static_cast<long>(h.size());
    Put32(h, 0);
    m_nDataStart = static_cast<long>(h.size());

    if (std::fwrite(h.data(), 1, h.size(), m_pFile) != h.size()) {
        Abandon();
        return kWavFail;
    }
    m_nDataBytes = 0;
    m_nBlockAlign = format.nBlockAlign == 0 ? 1 : format.nBlockAlign;
    m_bFailed = false;
    return kWavOk;
}

std::uint32_t CWavFileWriter::Write(std::uint32_t byteCount, const void* data,
                                    std::uint32_t* bytesWritten) {
    if (m_pFile == nullptr)
        return kWavNotInitialized;
    if (data == nullptr || bytesWritten == nullptr)
        return kWavInvalidArgument;
    const std::size_t taken = std::fwrite(data, 1, byteCount, m_pFile);
    *bytesWritten = static_cast<std::uint32_t>(taken);
    // Counted as taken, so that the sizes never claim less than the file
    // holds; Close cuts a failed file back to what really reached it.
    m_nDataBytes += static_cast<std::uint32_t>(taken);
    if (taken != byteCount) {
        m_bFailed = true;
        return kWavFail;
    }
    return kWavOk;
}

bool CWavFileWriter::WriteAt(long offset, std::uint32_t value) {
    std::uint8_t b[4] = {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                         static_cast<std::uint8_t>(value >> 16),
                         static_cast<std::uint8_t>(value >> 24)};
    return std::fseek(m_pFile, offset, SEEK_SET) == 0 && std::fwrite(b, 1, 4, m_pFile) == 4;
}

std::uint32_t CWavFileWriter::Commit() {
    if (m_pFile == nullptr)
        return kWavNotInitialized;
    if (m_bFailed || std::fflush(m_pFile) != 0) {
        m_bFailed = true;
        return kWavFail;
    }
    const std::uint32_t reached = m_nDataBytes;
    const bool ok =
        WriteAt(m_nDataSizeAt, reached) &&
        WriteAt(m_nRiffSizeAt, static_cast<std::uint32_t>(m_nDataStart - 8) + reached) &&
        std::fseek(m_pFile, 0, SEEK_END) == 0 && std::fflush(m_pFile) == 0;
    if (!ok)
        m_bFailed = true;
    return ok ? kWavOk : kWavFail;
}

std::uint32_t CWavFileWriter::Close() {
    if (m_pFile == nullptr)
        return kWavNotInitialized;
    std::uint32_t data = m_nDataBytes;
    if (m_bFailed || std::fflush(m_pFile) != 0) {
        // Keep only what is in the file, in whole blocks: a partial frame
        // would shift every later sample of a player that appends files.
        std::fflush(m_pFile);
        struct stat st {};
        if (::fstat(::fileno(m_pFile), &st) != 0)
            return kWavFail;
        const auto inFile =
            static_cast<std::uint32_t>(st.st_size > m_nDataStart ? st.st_size - m_nDataStart : 0);
        data = std::min(data, inFile);
        data -= data % m_nBlockAlign;
        if (::ftruncate(::fileno(m_pFile), m_nDataStart + static_cast<off_t>(data)) != 0)
            return kWavFail;
        m_nDataBytes = data;
        m_bFailed = false;
    }
    std::uint32_t padded = data;
    if (data % 2 != 0) {
        // At its place rather than appended, so a Close that is tried again
        // writes it once.
        if (std::fseek(m_pFile, m_nDataStart + static_cast<long>(data), SEEK_SET) != 0 ||
            std::fputc(0, m_pFile) == EOF)
            return kWavFail;
        ++padded;
    }
    if (!WriteAt(m_nDataSizeAt, data) ||
        !WriteAt(m_nRiffSizeAt, static_cast<std::uint32_t>(m_nDataStart - 8) + padded) ||
        !WriteAt(m_nFactValueAt, 0))
        return kWavFail;
    const int closed = std::fclose(m_pFile);
    m_pFile = nullptr;
    return closed == 0 ? kWavOk : kWavFail;
}
