// SPDX-License-Identifier: GPL-3.0-or-later
#include "recording/ScreenCaptureFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <random>

namespace {

// An empty file of our own beside target (same folder, so that a rename
// replaces target at once), under which a video is written until its stream
// exists; "" if none could be made.
std::string ReserveBeside(const std::string& target) {
    const std::filesystem::path path(target);
    std::random_device random;
    for (int attempt = 0; attempt < 16; ++attempt) {
        // Appended piece by piece: a chain of additions trips GCC 12's
        // -Wrestrict false positive at -O3.
        std::string name(1, '.');
        name.append(path.filename().string()).append(1, '.');
        name.append(std::to_string(random() % 1000000)).append(".part");
        const std::filesystem::path candidate = path.parent_path() / name;
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            return candidate.string();
        }
        if (errno != EEXIST)
            return {};
    }
    return {};
}

void RemoveQuietly(const std::string& name) {
    std::error_code ignored;
    if (!name.empty())
        std::filesystem::remove(name, ignored);
}

bool RenameOver(const std::string& from, const std::string& to) {
    std::error_code error;
    std::filesystem::rename(from, to, error);
    return !error;
}

} // namespace

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
            m_strPartName = ReserveBeside(m_strFileName);
            m_pWriter = MakeVideoWriter();
            if (!m_strPartName.empty() && m_pWriter && m_pWriter->SetFormat(*header, frameRate) &&
                m_pWriter->Create(m_strPartName)) {
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
    // Only now does the new file take the name: until here the user's file
    // of that name is untouched.
    if (!RenameOver(m_strPartName, m_strFileName)) {
        LogFailure("Couldn't create AVI file " + m_strFileName);
        AbandonLocked();
        return false;
    }
    m_strPartName.clear();
    m_bReady = true;
    return true;
}

void CScreenCaptureFile::AbandonLocked() {
    if (m_pWriter) {
        m_pWriter->Release();
        m_pWriter.reset();
    }
    // The set-up never got to a frame: its file holds nothing worth keeping.
    RemoveQuietly(m_strPartName);
    m_strPartName.clear();
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
    if (!m_strPartName.empty()) { // a set-up left unfinished: no file came of it
        AbandonLocked();
        return true;
    }
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
    Log("Close " + m_strFileName);
    return ok;
}

bool CScreenCaptureFile::OpenNextLocked() {
    if (!m_bReady)
        return false;
    // The part stays open through the switch: a reader of IsCapturing in
    // between would take it for stopped, and the screenshot thread would skip
    // frames (a screen-only capture's clock would stop) until it was
    // recording again.
    if (m_pWriter) {
        ReleaseWriterLocked();
        ++m_nFileCounter;
    }
    // Without '#' in the template the next file gets a derived name, so the
    // finished one is not overwritten.
    const std::string name = RolloverFileName(m_strTemplate, m_nFileCounter);
    const std::string part = ReserveBeside(name);
    auto writer = MakeVideoWriter();
    const bool ok = !part.empty() && writer && writer->SetFormat(*m_pBitmapHeader, m_nFrameRate) &&
                    writer->Create(part) && writer->MakeCompressedStream(m_compressOptions) &&
                    RenameOver(part, name);
    if (!ok) {
        if (writer)
            writer->Release();
        RemoveQuietly(part);
        LogFailure("Couldn't create AVI file " + name +
                   (writer ? " (error " + std::to_string(writer->GetError()) + ")" : ""));
        m_bOpen = false;
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
