#include "recording/ScreenCaptureFile.h"

#include <filesystem>

CScreenCaptureFile::~CScreenCaptureFile() {
    Close();
}

bool CScreenCaptureFile::Open(const SBitmapInfoHeader* header, std::int32_t frameRate,
                              std::int32_t kind) {
    bool closed = true;
    std::string name;
    bool ok = false;
    {
        CMutexLock lock(m_mutex);
        name = m_strFileName;
        closed = CloseLocked();
        m_bCapturing = false;
        m_bFailureShown = false;
        m_bOptionsChosen = false;
        m_bReady = false;
        m_nFileCounter = 0;
        m_nCaptureKind = kind;
        m_pBitmapHeader = header;
        m_nFrameRate = frameRate;
        if (header == nullptr) {
            ok = false;
        } else if (kind == kCaptureAvi) {
            m_strFileName = MakeFileName(m_strTemplate, 0);
            m_pWriter = MakeVideoWriter();
            if (m_pWriter && m_pWriter->SetFormat(*header, frameRate) &&
                m_pWriter->Create(m_strFileName)) {
                m_bOpen = true;
                m_bStartPending = true;
                ok = true;
            } else {
                AbandonLocked();
            }
        } else if (kind == kCaptureBmp) {
            m_bOpen = true;
            m_bReady = true;
            ok = true;
        }
    }
    if (!closed)
        ShowFailure("Couldn't complete AVI file " + name);
    return ok;
}

std::int32_t CScreenCaptureFile::GetCaptureKind() const {
    CMutexLock lock(m_mutex);
    return m_nCaptureKind;
}

bool CScreenCaptureFile::ChooseCompression() {
    IVideoWriter* writer = nullptr;
    {
        CMutexLock lock(m_mutex);
        if (m_nCaptureKind != kCaptureAvi)
            return false;
        writer = m_pWriter.get();
        if (writer == nullptr)
            return false;
    }
    // No lock while the dialog runs its event loop. The writer cannot go
    // meanwhile: only this thread sets up or closes a part that is not
    // recording yet.
    SCompressOptions options;
    const bool chosen = writer->ChooseCompression(options);
    CMutexLock lock(m_mutex);
    if (!chosen) {
        AbandonLocked();
        return false;
    }
    m_compressOptions = options;
    m_bOptionsChosen = true;
    return true;
}

bool CScreenCaptureFile::MakeCompressedStream() {
    CMutexLock lock(m_mutex);
    if (m_nCaptureKind != kCaptureAvi)
        return false;
    if (!m_bOptionsChosen || !m_pWriter || !m_pWriter->MakeCompressedStream(m_compressOptions)) {
        AbandonLocked();
        return false;
    }
    m_bReady = true;
    return true;
}

void CScreenCaptureFile::AbandonLocked() {
    if (m_pWriter) {
        m_pWriter->Release();
        m_pWriter.reset();
        // The set-up never got to a frame: the file holds nothing worth keeping.
        std::error_code ignored;
        std::filesystem::remove(m_strFileName, ignored);
    }
    m_bOpen = false;
    m_bReady = false;
    m_bOptionsChosen = false;
    m_bCapturing = false;
}

void CScreenCaptureFile::Close() {
    std::string name;
    bool ok = true;
    {
        CMutexLock lock(m_mutex);
        name = m_strFileName;
        ok = CloseLocked();
        m_bCapturing = false;
    }
    if (!ok)
        ShowFailure("Couldn't complete AVI file " + name);
}

bool CScreenCaptureFile::CloseLocked() {
    const bool ok = !m_pWriter || ReleaseWriterLocked();
    m_bOpen = false;
    m_bReady = false;
    return ok;
}

bool CScreenCaptureFile::ReleaseWriterLocked() {
    const bool ok = m_pWriter->Release();
    if (!ok)
        LogFailure("Couldn't complete AVI file " + m_strFileName + " (error " +
                   std::to_string(m_pWriter->GetError()) + ")");
    m_pWriter.reset();
    m_bOpen = false;
    Log("Close " + m_strFileName);
    return ok;
}

bool CScreenCaptureFile::OpenNextLocked() {
    if (!m_bReady)
        return false;
    if (m_pWriter) {
        ReleaseWriterLocked();
        ++m_nFileCounter;
    }
    // Without '#' in the template the next file gets a derived name, so the
    // finished one is not overwritten.
    const std::string name = RolloverFileName(m_strTemplate, m_nFileCounter);
    auto writer = MakeVideoWriter();
    bool ok = writer && writer->SetFormat(*m_pBitmapHeader, m_nFrameRate) && writer->Create(name);
    if (ok && !writer->MakeCompressedStream(m_compressOptions)) {
        writer->Release();
        std::error_code ignored;
        std::filesystem::remove(name, ignored);
        ok = false;
    }
    if (!ok) {
        LogFailure("Couldn't create AVI file " + name +
                   (writer ? " (error " + std::to_string(writer->GetError()) + ")" : ""));
        m_bReady = false;
        return false;
    }
    m_pWriter = std::move(writer);
    m_strFileName = name;
    m_bOpen = true;
    m_bStartPending = true;
    return true;
}

CScreenCaptureFile::EFrame CScreenCaptureFile::WriteAviFrame(const std::uint8_t* dib) {
    CMutexLock lock(m_mutex);
    if (!IsCapturing() || m_nCaptureKind != kCaptureAvi)
        return EFrame::Skipped;
    if (!m_pWriter || !m_pWriter->WriteFrame(dib)) {
        LogFailure("AVI file write error " + m_strFileName +
                   (m_pWriter ? " (error " + std::to_string(m_pWriter->GetError()) + ")" : ""));
        // What was written so far stays a complete, playable file.
        CloseLocked();
        return EFrame::Failed;
    }
    if (m_bStartPending) {
        Log("Start " + m_strFileName);
        m_bStartPending = false;
    }
    if (m_nSizeLimit != 0 && m_pWriter->GetBytesWritten() >= m_nSizeLimit && !OpenNextLocked())
        return EFrame::Failed;
    return EFrame::Written;
}

CScreenCaptureFile::EFrame CScreenCaptureFile::WriteBmpFrame(const std::uint8_t* dib,
                                                             const SBmpFileHeader& header) {
    CMutexLock lock(m_mutex);
    if (!IsCapturing() || m_nCaptureKind != kCaptureBmp || !m_bReady)
        return EFrame::Skipped;
    const std::string name = MakeFileName(m_strTemplate, m_nFileCounter);
    const std::size_t dibBytes =
        header.bfSize > kBmpFileHeaderSize ? header.bfSize - kBmpFileHeaderSize : 0;
    if (dib == nullptr || dibBytes == 0 || !WriteBmpFile(name, header, dib, dibBytes)) {
        LogFailure("BMP file write error " + name);
        CloseLocked();
        return EFrame::Failed;
    }
    m_strFileName = name;
    ++m_nFileCounter;
    return EFrame::Written;
}
