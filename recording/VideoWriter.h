// SPDX-License-Identifier: GPL-3.0-or-later
// Writes plot frames into a video file (one video stream, each frame a key
// frame). The recording layer drives it; the implementation lives in
// platform/ and is wired in by the application through SetVideoWriterFactory.
//
// Threads: SetFormat, Create, ChooseCompression and MakeCompressedStream run
// on the user-interface thread at capture set-up (ChooseCompression shows a
// dialog); WriteFrame runs on the screenshot thread, also for rollover files
// that it creates; one object is never used by two threads at once (its
// owner serialises). Each call returns true on success; on failure
// GetError() says why.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/BitmapInfoHeader.h"

// Error codes of the last failure (0 after a successful call).
enum : std::int32_t {
    VIDEO_OK = 0,
    VIDEO_NO_DIB = 1,          // WriteFrame given no frame
    VIDEO_NO_FORMAT = 2,       // no format (Create) or no compressed stream (WriteFrame)
    VIDEO_CREATE_FILE = 3,     // creating the file failed
    VIDEO_CREATE_STREAM = 4,   // creating the stream failed
    VIDEO_NOT_CONFIRMED = 5,   // the compression dialog was not confirmed
    VIDEO_MAKE_COMPRESSED = 6, // making the compressed stream (the encoder) failed
    VIDEO_SET_FORMAT = 7,      // setting the stream format (the file header) failed
    VIDEO_WRITE_FRAME = 8,     // writing a frame failed
    VIDEO_RELEASE = 9,         // releasing (finishing) the file failed
};

// The compression the user chose once per capture set-up; reused for every
// rolled-over file. Empty codec: not chosen.
struct SCompressOptions {
    std::string codec; // encoder name of the video library, e.g. "rawvideo", "mjpeg"
};

// One compression the library offers.
struct SCodecChoice {
    std::string codec;       // encoder name, as in SCompressOptions
    std::string description; // what the user reads in the list
    bool lossless = false;   // frames decode back bit-exact
};

class IVideoWriter {
public:
    virtual ~IVideoWriter() = default;

    // Copies the frame format (a 24-bit bottom-up DIB header) and the frame
    // rate in frames per second. Always true.
    virtual bool SetFormat(const SBitmapInfoHeader& format, std::int32_t frameRate) = 0;
    // Creates the file and its video stream (scale 1, the frame rate).
    virtual bool Create(const std::string& fileName) = 0;
    // Asks the user for a compression (see SetCompressionChooser) and fills
    // options. Without a file or stream: true, nothing asked.
    virtual bool ChooseCompression(SCompressOptions& options) = 0;
    // Opens the encoder for options and writes the file header.
    virtual bool MakeCompressedStream(const SCompressOptions& options) = 0;
    // Appends one frame taken from a DIB block: the 40-byte header (and a
    // colour table for 8 bits or fewer), then biSizeImage bytes of rows.
    virtual bool WriteFrame(const std::uint8_t* dib) = 0;
    // Finishes and closes the file; idempotent.
    virtual bool Release() = 0;

    virtual std::int32_t GetError() const = 0;
    virtual std::int32_t GetFrameIndex() const = 0;   // frames written; 0 after Create
    virtual std::int64_t GetBytesWritten() const = 0; // stream bytes so far
};

using VideoWriterFactory = std::function<std::unique_ptr<IVideoWriter>()>;
// Installed once by the application before any capture is set up.
void SetVideoWriterFactory(VideoWriterFactory factory);
// A new writer, or null when no factory is installed.
std::unique_ptr<IVideoWriter> MakeVideoWriter();

// Lets the user pick one of choices (user-interface thread). Returns false
// when the user cancels; otherwise sets options.codec.
using CompressionChooser =
    std::function<bool(const std::vector<SCodecChoice>& choices, SCompressOptions& options)>;
// Installed by the application (our dialog) or by tests. Without one,
// ChooseCompression fails as if cancelled.
void SetCompressionChooser(CompressionChooser chooser);
bool RunCompressionChooser(const std::vector<SCodecChoice>& choices, SCompressOptions& options);
