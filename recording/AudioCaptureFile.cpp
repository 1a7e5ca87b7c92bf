// SPDX-License-Identifier: GPL-3.0-or-later
#include "recording/AudioCaptureFile.h"

namespace {
constexpr std::uint32_t kFrameBytes = 4;
constexpr std::uint32_t kBytesPerSecond = kSampleRate * kFrameBytes;
} // namespace

const SWaveFormat kCaptureWaveFormat{1, 2, kSampleRate, kBytesPerSecond, kFrameBytes, 16, {}};

CAudioCaptureFile::~CAudioCaptureFile() {
    Close();
}

bool CAudioCaptureFile::Open() {
    std::string message;
    bool ok = false;
    {
        CMutexLock lock(m_mutex);
        CloseLocked(message);
        m_bCapturing = false;
        m_bFailureShown = false;
        m_nFileCounter = 0;
        m_strFileName = MakeFileName(m_strTemplate, 0);
        auto writer = std::make_unique<CWavFileWriter>();
        if (writer->Open(m_strFileName, kCaptureWaveFormat) == kWavOk) {
            m_pWriter = std::move(writer);
            m_nUncommitted = 0;
            m_bOpen = true;
            m_bStartPending = true;
            ok = true;
        }
    }
    ShowFailure(message);
    return ok;
}

void CAudioCaptureFile::Close() {
    std::string message;
    {
        CMutexLock lock(m_mutex);
        CloseLocked(message);
        m_bCapturing = false;
    }
    ShowFailure(message);
}

bool CAudioCaptureFile::CloseLocked(std::string& message) {
    if (!m_pWriter)
        return true;
    m_bOpen = false;
    return CloseWriterLocked(message);
}

bool CAudioCaptureFile::CloseWriterLocked(std::string& message) {
    const bool ok = m_pWriter->Close() == kWavOk;
    m_pWriter.reset();
    Log("Close " + m_strFileName);
    if (!ok) {
        LogFailure("Couldn't complete WAV file " + m_strFileName);
        if (message.empty())
            message = "Couldn't complete WAV file " + m_strFileName;
    }
    return ok;
}

bool CAudioCaptureFile::OpenNextLocked(std::string& message) {
    // The part stays open through the switch: a reader of IsCapturing in
    // between would take it for stopped, and the input thread would skip the
    // sound until it saw the part recording again.
    if (m_pWriter) {
        CloseWriterLocked(message);
        ++m_nFileCounter;
    }
    // Without '#' in the template the next file gets a derived name, so the
    // finished one is not truncated.
    const std::string name = RolloverFileName(m_strTemplate, m_nFileCounter);
    auto writer = std::make_unique<CWavFileWriter>();
    if (writer->Open(name, kCaptureWaveFormat) != kWavOk) {
        m_bOpen = false;
        LogFailure("Couldn't create WAV file " + name);
        if (message.empty())
            message = "Couldn't create WAV file " + name + "\nSound recording stopped.";
        return false;
    }
    m_pWriter = std::move(writer);
    m_strFileName = name;
    m_nUncommitted = 0;
    m_bOpen = true;
    m_bStartPending = true;
    return true;
}

bool CAudioCaptureFile::WriteFailedLocked(std::string& message) {
    LogFailure("WAV file write error " + m_strFileName);
    message = "Couldn't write WAV file " + m_strFileName + "\nSound recording stopped.";
    // Closing keeps what reached the disk, cut to whole frames.
    CloseLocked(message);
    return false;
}

bool CAudioCaptureFile::Write(std::uint32_t byteCount, const void* data,
                              std::uint32_t* bytesWritten) {
    if (bytesWritten != nullptr)
        *bytesWritten = 0;
    std::string message;
    bool ok = true;
    {
        CMutexLock lock(m_mutex);
        if (!m_pWriter)
            return false;
        // Whole frames only: a stray byte would shift every later sample.
        const std::uint32_t whole = byteCount - byteCount % kFrameBytes;
        if (whole == 0)
            return true;
        std::uint32_t written = 0;
        if (m_pWriter->Write(whole, data, &written) != kWavOk) {
            ok = WriteFailedLocked(message);
        } else {
            if (bytesWritten != nullptr)
                *bytesWritten = written;
            if (m_bStartPending) {
                Log("Start " + m_strFileName);
                m_bStartPending = false;
            }
            m_nUncommitted += written;
        }
        // About once a second of sound the header catches up with the data,
        // so a recording cut short by a crash stays readable.
        if (ok && m_nUncommitted >= kCommitBytes) {
            m_nUncommitted = 0;
            if (m_pWriter->Commit() != kWavOk)
                ok = WriteFailedLocked(message);
        }
        if (ok && m_nSizeLimit != 0 &&
            static_cast<std::int64_t>(m_pWriter->GetSize()) >= m_nSizeLimit)
            ok = OpenNextLocked(message);
    }
    ShowFailure(message);
    return ok;
}
