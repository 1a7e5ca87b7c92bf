// The plot images of a capture: one AVI video (rolled over to the next
// numbered file at the size limit) or a numbered sequence of BMP files, one
// per frame. This class names, counts, opens, rolls over and closes; the
// bytes are written by an AVI writer and a BMP writer that the program wires
// in (IAviFileWriter, IBmpFileWriter below).
//
// Set-up (user-interface thread): Open(header, rate, kind), then for AVI
// ChooseCompression and MakeCompressedStream. Any failure in that chain
// leaves the part not set up: the writer is released and its empty file
// removed. The compression options chosen once are reused by every rollover.
//
// Recording (screenshot thread): WriteAviFrame / WriteBmpFrame. A failed
// write or rollover closes the part (the AVI written so far is completed)
// and reports it once (CCaptureFile::ReportFailure); callers show nothing.
// The encoding and the BMP writing run under this file's mutex only, which
// the input thread never takes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "base/BitmapInfoHeader.h"
#include "recording/CaptureFile.h"

// Bytes per AVI file: 2^31 - 4 200 000.
inline constexpr std::int32_t g_nAviSizeLimit = 2143283648;

// Kinds of screen capture (also the store's capture type).
inline constexpr std::int32_t kCaptureAvi = 0;
inline constexpr std::int32_t kCaptureBmp = 1;

// What the user chose in the compression dialog, kept for rollovers.
struct SCompressOptions {
    std::string strEncoder;     // FFmpeg encoder name, e.g. "rawvideo", "mjpeg", "ffv1"
    std::int32_t nQuality = -1; // encoder-specific; -1: the encoder's default
    std::string strParams;      // further encoder options, "key=value:key=value"
};

// Writes one AVI file of one video stream ("vids", scale 1, rate = the frame
// rate), every frame a key frame. Each call returns true on success; on
// failure GetError gives the code: 1 WriteFrame without a DIB, 2 no format
// (Create) or no compressed stream (WriteFrame), 3 creating the file, 4
// creating the stream, 5 the compression dialog not confirmed, 6 making the
// compressed stream, 7 setting its format, 8 writing a frame, 9 releasing the
// file. 0 after a successful call.
// Threads: ChooseCompression on the user-interface thread (it shows a
// dialog); the rest on whichever thread the capture file calls from, one
// call at a time.
class IAviFileWriter {
public:
    virtual ~IAviFileWriter() = default; // releases what is still held

    // Copies the frame format (40-byte header, 24-bit rows bottom-up padded
    // to 4 bytes) and the rate. Always true.
    virtual bool SetFormat(const SBitmapInfoHeader& format, std::int32_t frameRate) = 0;
    // Creates the file and its uncompressed stream; frame index and byte
    // count start at 0.
    virtual bool Create(const std::string& fileName) = 0;
    // Lets the user choose the encoder; fills options. Cancel: error 5.
    virtual bool ChooseCompression(SCompressOptions& options) = 0;
    virtual bool MakeCompressedStream(const SCompressOptions& options) = 0;
    // Appends one frame from a DIB block: the 40-byte header (then a colour
    // table of biClrUsed entries), then biSizeImage bytes of pixel rows.
    virtual bool WriteFrame(const std::uint8_t* dib) = 0;
    // Completes the file (index, trailer) and releases the streams and file.
    virtual bool Release() = 0;
    virtual std::int32_t GetError() const = 0;
    // Bytes in the file so far (compared with the size limit).
    virtual std::int64_t GetBytesWritten() const = 0;
};
using AviWriterFactory = std::function<std::unique_ptr<IAviFileWriter>()>;

// Writes one BMP file: the 14-byte file header ("BM", file size = dibBytes
// + 14, offset 14 + 40 + colour table), then the dibBytes of the DIB block
// as they are. Creates or overwrites path. Called on the screenshot thread.
class IBmpFileWriter {
public:
    virtual ~IBmpFileWriter() = default;
    virtual bool WriteFile(const std::string& path, const std::uint8_t* dib,
                           std::size_t dibBytes) = 0;
};

class CScreenCaptureFile : public CCaptureFile {
public:
    explicit CScreenCaptureFile(CCaptureLog* log) : CCaptureFile(log) {}
    ~CScreenCaptureFile() override; // Close()

    // Wiring (user-interface thread, before any set-up).
    void SetAviWriterFactory(AviWriterFactory factory);
    void SetBmpWriter(std::unique_ptr<IBmpFileWriter> writer);

    // Set-up, user-interface thread. Open closes any previous file, resets
    // the counter to 0 and keeps the header pointer (it must outlive the
    // capture). kind kCaptureAvi: creates the writer and the first file
    // (false: no writer factory, or Create failed; the part is then not set
    // up and the file removed). kind kCaptureBmp: no file yet. Other kinds:
    // false.
    bool Open(const SBitmapInfoHeader* header, std::int32_t frameRate, std::int32_t kind);
    using CCaptureFile::Open;
    // Asks the user for the encoder (AVI). False (cancelled or failed):
    // the part is abandoned as above.
    bool ChooseCompression();
    // Makes the compressed stream from the chosen options (AVI). False: the
    // part is abandoned as above.
    bool MakeCompressedStream();
    // Completes and releases the AVI file ("Close " + name is logged); ends
    // a BMP sequence. Pauses the part.
    void Close() override;

    // Screenshot thread. dib: the screen DIB block (header then rows).
    // AVI: appends the frame; the first good write after an open logs
    // "Start " + name; at the size limit rolls over to the next file.
    bool WriteAviFrame(const std::uint8_t* dib);
    // BMP: writes MakeFileName(template, counter) and advances the counter.
    bool WriteBmpFrame(const std::uint8_t* dib, std::size_t dibBytes);

    std::int32_t GetCaptureKind() const;
    std::int32_t GetFrameRate() const;

private:
    bool OpenNextLocked(std::string& failure);
    void CloseLocked();
    void AbandonLocked();

    AviWriterFactory m_makeAviWriter;
    std::unique_ptr<IBmpFileWriter> m_pBmpWriter;
    std::unique_ptr<IAviFileWriter> m_pWriter;
    SCompressOptions m_compressOptions;
    bool m_bOptionsChosen = false;
    const SBitmapInfoHeader* m_pBitmapHeader = nullptr;
    std::int32_t m_nFrameRate = 0;
    bool m_bReady = false; // AVI: the stream is made; BMP: set up
    std::int32_t m_nCaptureKind = kCaptureAvi;
};
