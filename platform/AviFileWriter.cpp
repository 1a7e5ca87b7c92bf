// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/AviFileWriter.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <cstring>
#include <mutex>

#include "recording/BmpFile.h"

namespace {

struct SCandidate {
    const char* codec;
    const char* description;
    bool lossless;
};

// Offered in this order when the build has them.
constexpr SCandidate kCandidates[] = {
    {"rawvideo", "Full Frames (Uncompressed)", true},
    {"mjpeg", "Motion JPEG", false},
    {"huffyuv", "Huffyuv (lossless)", true},
    {"utvideo", "Ut Video (lossless)", true},
    {"ffv1", "FFV1 (lossless, slow)", true},
    {"mpeg4", "MPEG-4 Part 2", false},
    {"libx264", "H.264 (x264)", false},
};

// Formats an encoder is asked for, best first: RGB ones keep lossless
// codecs exact, full-range YUV suits Motion JPEG.
constexpr AVPixelFormat kPreferredFormats[] = {
    AV_PIX_FMT_BGR24, AV_PIX_FMT_RGB24,    AV_PIX_FMT_BGR0,    AV_PIX_FMT_GBRP,
    AV_PIX_FMT_BGRA,  AV_PIX_FMT_YUVJ420P, AV_PIX_FMT_YUV420P,
};

AVPixelFormat PickFormat(const AVCodec* codec) {
    if (codec->pix_fmts == nullptr)
        return AV_PIX_FMT_YUV420P;
    for (AVPixelFormat wanted : kPreferredFormats)
        for (const AVPixelFormat* f = codec->pix_fmts; *f != AV_PIX_FMT_NONE; ++f)
            if (*f == wanted)
                return wanted;
    return codec->pix_fmts[0];
}

void QuietLibrary() {
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_ERROR); });
}

} // namespace

CAviFileWriter::CAviFileWriter() {
    QuietLibrary();
}

CAviFileWriter::~CAviFileWriter() {
    Release();
}

std::vector<SCodecChoice> CAviFileWriter::AvailableCodecs() {
    std::vector<SCodecChoice> choices;
    for (const SCandidate& c : kCandidates)
        if (avcodec_find_encoder_by_name(c.codec) != nullptr)
            choices.push_back({c.codec, c.description, c.lossless});
    return choices;
}

bool CAviFileWriter::Fail(std::int32_t code) {
    m_nError = code;
    return false;
}

bool CAviFileWriter::SetFormat(const SBitmapInfoHeader& format, std::int32_t frameRate) {
    m_header = format;
    m_nFrameRate = frameRate;
    m_bHasFormat = true;
    m_nError = 0;
    return true;
}

bool CAviFileWriter::Create(const std::string& fileName) {
    m_nError = 0;
    if (!m_bHasFormat)
        return Fail(VIDEO_NO_FORMAT);
    Release();
    m_nError = 0;
    if (avformat_alloc_output_context2(&m_pFile, nullptr, "avi", fileName.c_str()) < 0 ||
        m_pFile == nullptr)
        return Fail(VIDEO_CREATE_FILE);
    if (avio_open(&m_pFile->pb, fileName.c_str(), AVIO_FLAG_WRITE) < 0) {
        avformat_free_context(m_pFile);
        m_pFile = nullptr;
        return Fail(VIDEO_CREATE_FILE);
    }
    m_pStream = avformat_new_stream(m_pFile, nullptr);
    if (m_pStream == nullptr)
        return Fail(VIDEO_CREATE_STREAM);
    m_pStream->time_base = AVRational{1, m_nFrameRate};
    m_pStream->avg_frame_rate = AVRational{m_nFrameRate, 1};
    m_pStream->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
    m_pStream->codecpar->width = m_header.biWidth;
    m_pStream->codecpar->height = m_header.biHeight;
    m_nFrameIndex = 0;
    m_nBytesWritten = 0;
    return true;
}

bool CAviFileWriter::ChooseCompression(SCompressOptions& options) {
    m_nError = 0;
    if (m_pFile == nullptr || m_pStream == nullptr)
        return true;
    if (!RunCompressionChooser(AvailableCodecs(), options))
        return Fail(VIDEO_NOT_CONFIRMED);
    return true;
}

bool CAviFileWriter::MakeCompressedStream(const SCompressOptions& options) {
    m_nError = 0;
    if (m_pFile == nullptr || m_pStream == nullptr || m_bCompressed)
        return Fail(VIDEO_MAKE_COMPRESSED);
    const AVCodec* codec = avcodec_find_encoder_by_name(options.codec.c_str());
    if (codec == nullptr || codec->type != AVMEDIA_TYPE_VIDEO)
        return Fail(VIDEO_MAKE_COMPRESSED);
    const int width = m_header.biWidth;
    const int height = m_header.biHeight;
    AVCodecParameters* par = m_pStream->codecpar;
    AVDictionary* muxerOptions = nullptr;

    if (codec->id == AV_CODEC_ID_RAWVIDEO) {
        // The DIB rows go in as they are: bottom-up, padded to 4 bytes.
        par->codec_id = AV_CODEC_ID_RAWVIDEO;
        par->format = AV_PIX_FMT_BGR24;
        par->bits_per_coded_sample = 24;
        par->codec_tag = 0;
        av_dict_set(&muxerOptions, "flipped_raw_rgb", "1", 0);
    } else {
        m_pEncoder = avcodec_alloc_context3(codec);
        if (m_pEncoder == nullptr)
            return Fail(VIDEO_MAKE_COMPRESSED);
        m_pEncoder->width = width;
        m_pEncoder->height = height;
        m_pEncoder->time_base = AVRational{1, m_nFrameRate};
        m_pEncoder->framerate = AVRational{m_nFrameRate, 1};
        m_pEncoder->pix_fmt = PickFormat(codec);
        m_pEncoder->gop_size = 1; // every frame a key frame
        m_pEncoder->max_b_frames = 0;
        if (codec->id == AV_CODEC_ID_MJPEG || codec->id == AV_CODEC_ID_MPEG4) {
            // A fixed, high quality instead of the default bit rate, which
            // smears a detailed plot.
            m_pEncoder->flags |= AV_CODEC_FLAG_QSCALE;
            m_pEncoder->global_quality = FF_QP2LAMBDA * 2;
        }
        if (m_pFile->oformat->flags & AVFMT_GLOBALHEADER)
            m_pEncoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        AVDictionary* codecOptions = nullptr;
        if (codec->id == AV_CODEC_ID_H264) {
            // No look-ahead: each frame reaches the file (and the size
            // count) when it is written, not at the end.
            av_dict_set(&codecOptions, "preset", "veryfast", 0);
            av_dict_set(&codecOptions, "tune", "zerolatency", 0);
        }
        const int opened = avcodec_open2(m_pEncoder, codec, &codecOptions);
        av_dict_free(&codecOptions);
        if (opened < 0 || avcodec_parameters_from_context(par, m_pEncoder) < 0) {
            FreeEncoder();
            return Fail(VIDEO_MAKE_COMPRESSED);
        }
        m_pScaler =
            sws_getContext(width, height, AV_PIX_FMT_BGR24, width, height, m_pEncoder->pix_fmt,
                           SWS_BILINEAR | SWS_ACCURATE_RND, nullptr, nullptr, nullptr);
        m_pFrame = av_frame_alloc();
        if (m_pScaler == nullptr || m_pFrame == nullptr) {
            FreeEncoder();
            return Fail(VIDEO_MAKE_COMPRESSED);
        }
        m_pFrame->format = m_pEncoder->pix_fmt;
        m_pFrame->width = width;
        m_pFrame->height = height;
        if (av_frame_get_buffer(m_pFrame, 0) < 0) {
            FreeEncoder();
            return Fail(VIDEO_MAKE_COMPRESSED);
        }
    }
    m_pPacket = av_packet_alloc();
    m_pStream->time_base = AVRational{1, m_nFrameRate};
    const int written = m_pPacket ? avformat_write_header(m_pFile, &muxerOptions) : -1;
    av_dict_free(&muxerOptions);
    if (written < 0) {
        FreeEncoder();
        return Fail(VIDEO_SET_FORMAT);
    }
    m_bCompressed = true;
    return true;
}

bool CAviFileWriter::WritePacket(AVPacket* packet) {
    packet->stream_index = m_pStream->index;
    packet->flags |= AV_PKT_FLAG_KEY;
    const int size = packet->size;
    if (av_write_frame(m_pFile, packet) < 0)
        return false;
    m_nBytesWritten += size;
    return true;
}

// Takes every packet the encoder has ready.
bool CAviFileWriter::Drain() {
    for (;;) {
        const int got = avcodec_receive_packet(m_pEncoder, m_pPacket);
        if (got == AVERROR(EAGAIN) || got == AVERROR_EOF)
            return true;
        if (got < 0)
            return false;
        av_packet_rescale_ts(m_pPacket, m_pEncoder->time_base, m_pStream->time_base);
        const bool ok = WritePacket(m_pPacket);
        av_packet_unref(m_pPacket);
        if (!ok)
            return false;
    }
}

bool CAviFileWriter::WriteFrame(const std::uint8_t* dib) {
    m_nError = 0;
    if (!m_bCompressed)
        return Fail(VIDEO_NO_FORMAT);
    if (dib == nullptr)
        return Fail(VIDEO_NO_DIB);
    SBitmapInfoHeader header;
    std::memcpy(&header, dib, sizeof header);
    const std::uint8_t* pixels = dib + header.biSize + 4 * header.biClrUsed;
    const int stride = static_cast<int>(DibRowBytes(m_header.biWidth));
    const int size = stride * m_header.biHeight;

    if (m_pEncoder == nullptr) {
        if (av_new_packet(m_pPacket, size) < 0)
            return Fail(VIDEO_WRITE_FRAME);
        std::memcpy(m_pPacket->data, pixels, static_cast<std::size_t>(size));
        m_pPacket->pts = m_pPacket->dts = m_nFrameIndex;
        m_pPacket->duration = 1;
        const bool ok = WritePacket(m_pPacket);
        av_packet_unref(m_pPacket);
        if (!ok)
            return Fail(VIDEO_WRITE_FRAME);
    } else {
        if (av_frame_make_writable(m_pFrame) < 0)
            return Fail(VIDEO_WRITE_FRAME);
        // Bottom-up rows: start at the last row and step backwards.
        const std::uint8_t* src[1] = {pixels + static_cast<std::ptrdiff_t>(stride) *
                                                   (m_header.biHeight - 1)};
        const int srcStride[1] = {-stride};
        sws_scale(m_pScaler, src, srcStride, 0, m_header.biHeight, m_pFrame->data,
                  m_pFrame->linesize);
        m_pFrame->pts = m_nFrameIndex;
        m_pFrame->pict_type = AV_PICTURE_TYPE_I;
        if (avcodec_send_frame(m_pEncoder, m_pFrame) < 0 || !Drain())
            return Fail(VIDEO_WRITE_FRAME);
    }
    ++m_nFrameIndex;
    return true;
}

void CAviFileWriter::FreeEncoder() {
    avcodec_free_context(&m_pEncoder);
    sws_freeContext(m_pScaler);
    m_pScaler = nullptr;
    av_frame_free(&m_pFrame);
    av_packet_free(&m_pPacket);
}

bool CAviFileWriter::Release() {
    bool ok = true;
    if (m_bCompressed) {
        if (m_pEncoder != nullptr && avcodec_send_frame(m_pEncoder, nullptr) >= 0)
            ok = Drain();
        ok = av_write_trailer(m_pFile) >= 0 && ok;
        m_bCompressed = false;
    }
    FreeEncoder();
    if (m_pFile != nullptr) {
        if (m_pFile->pb != nullptr && avio_closep(&m_pFile->pb) < 0)
            ok = false;
        avformat_free_context(m_pFile);
        m_pFile = nullptr;
        m_pStream = nullptr;
    }
    if (!ok)
        return Fail(VIDEO_RELEASE);
    return true;
}
