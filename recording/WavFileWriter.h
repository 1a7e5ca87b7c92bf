// SPDX-License-Identifier: GPL-3.0-or-later
// Writes one RIFF WAVE file from raw sample bytes handed over in pieces of
// any length, with plain buffered file output.
//
// Layout for the PCM format the program records (little-endian):
//   0 "RIFF", 4 file length - 8, 8 "WAVE",
//   12 "fmt ", 16 16, 20 the 16-byte format record,
//   36 "fact", 40 4, 44 0xFFFFFFFF while writing / 0 once closed,
//   48 "data", 52 data bytes, 56 the samples in call order,
//   then one zero pad byte when the data length is odd (counted by the RIFF
//   size, not by the data size).
// A non-PCM format stores its whole record (18 + extra bytes) in "fmt ", and
// every later offset moves accordingly. An empty closed file is 56 bytes.
//
// Commit brings the two size fields up to date with what has reached the
// file, so that a recording whose program dies stays readable up to its last
// commit. A file whose writes failed is cut back to whole blocks (frames) at
// close: it never ends in half a frame.
//
// Results are the platform's 32-bit codes below; nothing is shown or traced.
// Not thread-safe: the owner (CAudioCaptureFile) serialises every call.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "base/Tunables.h"

inline constexpr std::uint32_t kWavOk = 0;                       // S_OK
inline constexpr std::uint32_t kWavFail = 0x80004005;            // E_FAIL
inline constexpr std::uint32_t kWavNotInitialized = 0x800401F0;  // CO_E_NOTINITIALIZED
inline constexpr std::uint32_t kWavInvalidArgument = 0x80070057; // E_INVALIDARG

// The wave format record. For tag 1 (PCM) the file holds its first 16 bytes;
// otherwise 18 bytes plus the extra bytes (whose count is the record's
// extra-size field).
struct SWaveFormat {
    std::uint16_t wFormatTag = 1;
    std::uint16_t nChannels = 2;
    std::uint32_t nSamplesPerSec = kSampleRate;
    std::uint32_t nAvgBytesPerSec = kSampleRate * 4; // rate x block alignment
    std::uint16_t nBlockAlign = 4;
    std::uint16_t wBitsPerSample = 16;
    std::vector<std::uint8_t> extra;
};

class CWavFileWriter {
public:
    CWavFileWriter() = default;
    ~CWavFileWriter(); // Close(); the file is let go even if that fails
    CWavFileWriter(const CWavFileWriter&) = delete;
    CWavFileWriter& operator=(const CWavFileWriter&) = delete;

    // Creates or truncates fileName and writes the header up to the start of
    // the data. kWavFail when the file cannot be created or written (no file
    // is then held). Opening an open writer closes the old file first.
    std::uint32_t Open(const std::string& fileName, const SWaveFormat& format);
    // Appends byteCount bytes. *bytesWritten gets how many were taken (all,
    // or on kWavFail the count the file layer accepted). Before Open or after
    // Close: kWavNotInitialized; null data or bytesWritten: kWavInvalidArgument.
    // A count of 0 succeeds and changes nothing. No allocation per call.
    std::uint32_t Write(std::uint32_t byteCount, const void* data, std::uint32_t* bytesWritten);
    // Sample bytes taken so far (the data size Close will write).
    std::uint32_t GetSize() const { return m_nDataBytes; }
    // Flushes the written bytes to the file, then sets the RIFF and data
    // sizes to what reached it (never more). The sample count stays
    // 0xFFFFFFFF until Close. kWavFail if the flush or a header write failed.
    std::uint32_t Commit();
    // Completes the sizes (pad byte when odd), writes sample count 0, closes.
    // kWavNotInitialized when no file is open; kWavFail when a step failed
    // (the file is still held and a second Close tries again).
    std::uint32_t Close();
    bool IsOpen() const { return m_pFile != nullptr; }

private:
    bool WriteAt(long offset, std::uint32_t value);
    void Abandon();

    std::FILE* m_pFile = nullptr;
    long m_nRiffSizeAt = 4;
    long m_nFactValueAt = 0;
    long m_nDataSizeAt = 0;
    long m_nDataStart = 0;
    std::uint32_t m_nDataBytes = 0;
    std::uint16_t m_nBlockAlign = 1;
    bool m_bFailed = false; // a write or flush failed: the tail is suspect
    std::vector<char> m_buffer;
};
