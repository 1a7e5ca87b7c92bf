// SPDX-License-Identifier: GPL-3.0-or-later
// The plot images of a capture: one AVI video (rolled over to the next
// numbered file at the size limit) or a numbered sequence of BMP files, one
// per frame. This class names, counts, opens, rolls over and closes; the
// bytes are written by the video writer the program wires in
// (recording/VideoWriter.h) and by WriteBmpFile (recording/BmpFile.h).
//
// Set-up (user-interface thread): Open(header, rate, kind), then for AVI
// ChooseCompression and MakeCompressedStream. The video is written under a
// name of its own beside the target and renamed over the target only once
// its stream exists, so a file already there stays byte for byte after any
// failed or cancelled set-up (or rollover). Any failure in that chain leaves
// the part not set up: the writer is released and its file removed. The
// compression options chosen once are reused by every rollover.
//
// Recording (screenshot thread): WriteAviFrame / WriteBmpFrame. A failed
// write or rollover closes the part (the AVI written so far is completed)
// and logs and traces it; the screenshot thread shows the one message.
// The encoding and the BMP writing run under this file's mutex only, which
// the input thread never takes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "base/BitmapInfoHeader.h"
#include "recording/BmpFile.h"
#include "recording/CaptureFile.h"
#include "recording/VideoWriter.h"

// Bytes per AVI file: 2^31 - 4 200 000.
inline constexpr std::int32_t g_nAviSizeLimit = 2143283648;

// Kinds of screen capture (also the store's capture type).
inline constexpr std::int32_t kCaptureAvi = 0;
inline constexpr std::int32_t kCaptureBmp = 1;

class CScreenCaptureFile : public CCaptureFile {
public:
    explicit CScreenCaptureFile(CCaptureLog* log) : CCaptureFile(log) {}
    ~CScreenCaptureFile() override; // Close()

    // Set-up, user-interface thread. Open closes any previous file, resets
    // the counter to 0 and keeps the header pointer (it must outlive the
    // capture). kind kCaptureAvi: creates the writer (MakeVideoWriter) and
    // the first file, under its temporary name (false: no writer factory, or
    // Create failed; the part is then not set up and its file removed). kind
    // kCaptureBmp: no file yet. Other kinds: false.
    bool Open(const SBitmapInfoHeader* header, std::int32_t frameRate, std::int32_t kind);
    // Asks the user for the encoder (AVI). False (cancelled or failed):
    // the part is abandoned as above.
    bool ChooseCompression();
    // Makes the compressed stream from the chosen options (AVI), then gives
    // the file its name. False: the part is abandoned as above.
    bool MakeCompressedStream();
    // Completes and releases the AVI file ("Close " + name is logged; a
    // set-up not finished is abandoned instead); ends a BMP sequence. Pauses
    // the part.
    void Close();

    // Screenshot thread. dib: the screen DIB block (header then rows).
    // Skipped: the part stopped recording (or was closed) meanwhile, nothing
    // to write. Failed: logged and traced, the part closed.
    enum class EFrame { Written, Skipped, Failed };
    // AVI: appends the frame; the first good write after an open logs
    // "Start " + name; at the size limit rolls over to the next file.
    EFrame WriteAviFrame(const std::uint8_t* dib);
    // BMP: writes MakeFileName(template, counter) (header, then the
    // header.bfSize - 14 bytes of the DIB block) and advances the counter.
    EFrame WriteBmpFrame(const std::uint8_t* dib, const SBmpFileHeader& header);

    std::int32_t GetCaptureKind() const;

private:
    bool OpenNextLocked() VIREON_REQUIRES(m_mutex);
    // False: the writer failed to complete the file.
    bool CloseLocked() VIREON_REQUIRES(m_mutex);
    // Completes and drops the writer there is, logging "Close" and any
    // failure; false if it failed to complete the file. The open state is
    // left to the caller.
    bool ReleaseWriterLocked() VIREON_REQUIRES(m_mutex);
    void AbandonLocked() VIREON_REQUIRES(m_mutex);

    std::unique_ptr<IVideoWriter> m_pWriter VIREON_GUARDED_BY(m_mutex);
    // Where the writer's file lives until its stream exists; empty once it
    // has been renamed to m_strFileName (or when there is none).
    std::string m_strPartName VIREON_GUARDED_BY(m_mutex);
    SCompressOptions m_compressOptions VIREON_GUARDED_BY(m_mutex);
    bool m_bOptionsChosen VIREON_GUARDED_BY(m_mutex) = false;
    const SBitmapInfoHeader* m_pBitmapHeader VIREON_GUARDED_BY(m_mutex) = nullptr;
    std::int32_t m_nFrameRate VIREON_GUARDED_BY(m_mutex) = 0;
    // AVI: the stream is made; BMP: set up.
    bool m_bReady VIREON_GUARDED_BY(m_mutex) = false;
    std::int32_t m_nCaptureKind VIREON_GUARDED_BY(m_mutex) = kCaptureAvi;
};
