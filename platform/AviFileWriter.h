// SPDX-License-Identifier: GPL-3.0-or-later
// The video writer over FFmpeg: one AVI file with one video stream of the
// plot's size, scale 1, the given rate, every frame a key frame.
//
// The compressions offered are the encoders this FFmpeg build has from a
// fixed list: full frames (uncompressed DIB rows, stored bottom-up as
// written), Motion JPEG, lossless codecs (Huffyuv, UtVideo, FFV1) and
// MPEG-4/H.264. Create opens the file and its stream; the encoder and the
// file header follow in MakeCompressedStream, because the library needs the
// codec before it can write the header. The file is complete only after
// Release.
//
// Thread use as in IVideoWriter: one thread at a time.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "recording/VideoWriter.h"

struct AVFormatContext;
struct AVStream;
struct AVCodecContext;
struct AVFrame;
struct AVPacket;
struct SwsContext;

class CAviFileWriter : public IVideoWriter {
public:
    CAviFileWriter();
    ~CAviFileWriter() override; // Release()
    CAviFileWriter(const CAviFileWriter&) = delete;
    CAviFileWriter& operator=(const CAviFileWriter&) = delete;

    // The compressions this build can write, in the order they are offered.
    static std::vector<SCodecChoice> AvailableCodecs();

    bool SetFormat(const SBitmapInfoHeader& format, std::int32_t frameRate) override;
    bool Create(const std::string& fileName) override;
    bool ChooseCompression(SCompressOptions& options) override;
    bool MakeCompressedStream(const SCompressOptions& options) override;
    bool WriteFrame(const std::uint8_t* dib) override;
    bool Release() override;

    std::int32_t GetError() const override { return m_nError; }
    std::int32_t GetFrameIndex() const override { return m_nFrameIndex; }
    std::int64_t GetBytesWritten() const override { return m_nBytesWritten; }

private:
    bool Fail(std::int32_t code);
    bool WritePacket(AVPacket* packet);
    bool Drain();
    void FreeEncoder();

    SBitmapInfoHeader m_header;
    bool m_bHasFormat = false;
    AVFormatContext* m_pFile = nullptr;
    AVStream* m_pStream = nullptr;
    AVCodecContext* m_pEncoder = nullptr; // null for full frames
    SwsContext* m_pScaler = nullptr;
    AVFrame* m_pFrame = nullptr;
    AVPacket* m_pPacket = nullptr;
    bool m_bCompressed = false; // the header is written; frames may follow
    std::int32_t m_nFrameIndex = 0;
    std::int64_t m_nBytesWritten = 0;
    std::int32_t m_nError = 0;
    std::int32_t m_nFrameRate = 30;
};
