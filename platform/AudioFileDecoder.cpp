// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/AudioFileDecoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <filesystem>
#include <mutex>

#include "acquisition/FileSource.h"
#include "base/DebugLog.h"
#include "base/Tunables.h"

namespace {

// soxr's "very high quality": 28 bits, far below the 16-bit output's floor.
constexpr std::int64_t kSoxrPrecision = 28;
// swresample's own filter, when the build has no soxr: four times its default length.
constexpr std::int64_t kSwrFilterSize = 64;

// The first error line FFmpeg logged on this thread since it was cleared:
// often more telling ("invalid residual") than the error code's text.
thread_local std::string t_strLibraryDetail;

void LogToTrace(void* context, int level, const char* format, va_list args) {
    if (level > AV_LOG_ERROR)
        return;
    va_list copy;
    va_copy(copy, args);
    char message[256];
    std::vsnprintf(message, sizeof message, format, copy);
    va_end(copy);
    std::string text = message;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    if (t_strLibraryDetail.empty())
        t_strLibraryDetail = text;
    const AVClass* avClass = context ? *static_cast<AVClass**>(context) : nullptr;
    DebugLog("FFmpeg %s: %s\r\n", avClass ? avClass->item_name(context) : "", text.c_str());
}

void RouteLibraryLog() {
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_callback(LogToTrace); });
}

std::string ErrorText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

bool IsFloat(AVSampleFormat format) {
    const AVSampleFormat packed = av_get_packed_sample_fmt(format);
    return packed == AV_SAMPLE_FMT_FLT || packed == AV_SAMPLE_FMT_DBL;
}

// Converts count input frames (null: the resampler's tail) onto the end of
// pending; the number of frames made, or a negative error.
template <typename T>
int ConvertInto(SwrContext* resampler, std::vector<T>& pending, const std::uint8_t** in,
                int count) {
    const int room = swr_get_out_samples(resampler, count);
    if (room <= 0)
        return room;
    const std::size_t old = pending.size();
    pending.resize(old + 2 * static_cast<std::size_t>(room));
    auto* out = reinterpret_cast<std::uint8_t*>(pending.data() + old);
    const int made = swr_convert(resampler, &out, room, in, count);
    pending.resize(old + 2 * static_cast<std::size_t>(std::max(made, 0)));
    return made;
}

} // namespace

struct CAudioFileDecoder::SState {
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    SwrContext* resampler = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    int stream = -1;
    int sourceBits = 0;
    // The frames the conversion was set up for.
    int convFormat = AV_SAMPLE_FMT_NONE;
    int convRate = 0;
    int convChannels = 0;
    bool passThrough = false;
    int left = 0;
    int right = 1;
    bool draining = false; // the file is read; the decoder gives what it holds
    bool ended = false;    // nothing more will come: the end, or a failure

    ~SState() {
        swr_free(&resampler);
        av_frame_free(&frame);
        av_packet_free(&packet);
        avcodec_free_context(&codec);
        avformat_close_input(&format);
    }
};

CAudioFileDecoder::CAudioFileDecoder(SDecodeOptions options) : m_options(options) {
    if (m_options.nLeft < 0 || m_options.nRight < 0)
        m_options.nLeft = m_options.nRight = -1;
    RouteLibraryLog();
}

CAudioFileDecoder::~CAudioFileDecoder() = default;

std::int32_t CAudioFileDecoder::OutputRate() const {
    return m_options.bNativeRate ? m_nFileRate : kSampleRate;
}

bool CAudioFileDecoder::IsPassThrough() const {
    return m_state && m_state->passThrough;
}

std::size_t CAudioFileDecoder::PendingFrames() const {
    const std::size_t size = m_options.bNativeRate ? m_pendingFloat.size() : m_pending16.size();
    return size / 2 - m_nPendingStart;
}

bool CAudioFileDecoder::Reject(const std::string& reason) {
    m_strError = "input file \"" + m_strPath + "\": " + reason;
    if (m_state)
        m_state->ended = true;
    return false;
}

bool CAudioFileDecoder::Fail(const std::string& what, int code) {
    std::string reason = ErrorText(code);
    if (!t_strLibraryDetail.empty() && t_strLibraryDetail != reason)
        reason += " (" + t_strLibraryDetail + ")";
    return Reject(what + ": " + reason);
}

std::string CAudioFileDecoder::DecodingFailure() const {
    if (m_nFramesMade == 0)
        return "can't be decoded";
    char where[64];
    std::snprintf(where, sizeof where, "decoding failed after %.3f s",
                  static_cast<double>(m_nFramesMade) / OutputRate());
    return where;
}

bool CAudioFileDecoder::Open(const std::string& path) {
    if (OpenFile(path))
        return true;
    m_state.reset();
    return false;
}

bool CAudioFileDecoder::OpenFile(const std::string& path) {
    m_state.reset();
    m_strPath = path;
    m_strError.clear();
    m_strDescription.clear();
    m_nFileRate = m_nFileChannels = 0;
    m_nFramesRead = m_nFramesMade = 0;
    m_pending16.clear();
    m_pendingFloat.clear();
    m_nPendingStart = 0;

    // FFmpeg says "Invalid data" of a folder and of an empty file alike.
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec))
        return Reject("is a folder, not a file");
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec)
        return Reject("can't open the file");
    if (size == 0)
        return Reject("the file is empty");

    m_state = std::make_unique<SState>();
    SState& s = *m_state;
    t_strLibraryDetail.clear();
    // "file:" so that a name with a colon is no protocol; a file that names
    // others (a playlist) may reach local files only.
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    int r = avformat_open_input(&s.format, ("file:" + path).c_str(), nullptr, &options);
    av_dict_free(&options);
    if (r == AVERROR(ENOENT) || r == AVERROR(EACCES))
        return Fail("can't open the file", r);
    if (r >= 0)
        r = avformat_find_stream_info(s.format, nullptr);
    if (r < 0)
        return Fail("not a sound file FFmpeg can read", r);

    const AVCodec* decoder = nullptr;
    r = av_find_best_stream(s.format, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
    if (r < 0 || decoder == nullptr) {
        for (unsigned i = 0; i < s.format->nb_streams; ++i) {
            const AVCodecParameters* p = s.format->streams[i]->codecpar;
            if (p->codec_type == AVMEDIA_TYPE_AUDIO)
                return Reject(std::string("no decoder for its audio (") +
                              avcodec_get_name(p->codec_id) + ")");
        }
        return Reject("has no audio stream");
    }
    s.stream = r;
    for (unsigned i = 0; i < s.format->nb_streams; ++i)
        if (static_cast<int>(i) != s.stream)
            s.format->streams[i]->discard = AVDISCARD_ALL;
    const AVStream* stream = s.format->streams[s.stream];
    s.codec = avcodec_alloc_context3(decoder);
    s.packet = av_packet_alloc();
    s.frame = av_frame_alloc();
    if (s.codec == nullptr || s.packet == nullptr || s.frame == nullptr)
        return Fail("the audio decoder can't start", AVERROR(ENOMEM));
    r = avcodec_parameters_to_context(s.codec, stream->codecpar);
    s.codec->pkt_timebase = stream->time_base;
    if (r >= 0)
        r = avcodec_open2(s.codec, decoder, nullptr);
    if (r < 0)
        return Fail("the audio decoder can't start", r);

    while (PendingFrames() == 0 && !s.ended)
        DecodeMore();
    if (!m_strError.empty())
        return false;
    if (PendingFrames() == 0)
        return Reject("holds no sound");

    const auto format = static_cast<AVSampleFormat>(s.convFormat);
    m_strDescription = std::string(avcodec_get_name(s.codec->codec_id)) + ", " +
                       std::to_string(m_nFileRate) + " Hz, " + std::to_string(m_nFileChannels) +
                       (m_nFileChannels == 1 ? " channel, " : " channels, ") +
                       (IsFloat(format) ? "float" : std::to_string(s.sourceBits) + "-bit");
    return true;
}

void CAudioFileDecoder::Rewind() {
    // Opened afresh, every pass decodes and resamples exactly alike, also
    // for formats that cannot seek.
    const std::string path = m_strPath;
    Open(path);
}

bool CAudioFileDecoder::DecodeMore() {
    SState& s = *m_state;
    t_strLibraryDetail.clear();
    for (;;) {
        int r = avcodec_receive_frame(s.codec, s.frame);
        if (r == 0) {
            const bool converted = Convert();
            av_frame_unref(s.frame);
            return converted;
        }
        if (r == AVERROR_EOF || (r == AVERROR(EAGAIN) && s.draining)) {
            s.ended = true;
            return FlushResampler();
        }
        if (r != AVERROR(EAGAIN))
            return Fail(DecodingFailure(), r);
        r = av_read_frame(s.format, s.packet);
        if (r == AVERROR_EOF || (r < 0 && s.format->pb && avio_feof(s.format->pb))) {
            // A file cut short in a packet simply ends here; a decoder that
            // needed the rest says so on the packets it got.
            s.draining = true;
            r = avcodec_send_packet(s.codec, nullptr);
            if (r < 0 && r != AVERROR_EOF)
                return Fail(DecodingFailure(), r);
            continue;
        }
        if (r < 0)
            return Fail(DecodingFailure(), r);
        r = s.packet->stream_index == s.stream ? avcodec_send_packet(s.codec, s.packet) : 0;
        av_packet_unref(s.packet);
        if (r < 0)
            return Fail(DecodingFailure(), r);
    }
}

bool CAudioFileDecoder::Configure() {
    SState& s = *m_state;
    const AVFrame& f = *s.frame;
    const int channels = f.ch_layout.nb_channels;
    // A stream that changes its format part-way: the old conversion's tail first.
    if (!FlushResampler())
        return false;
    swr_free(&s.resampler);
    s.convFormat = f.format;
    s.convRate = f.sample_rate;
    s.convChannels = channels;
    if (channels < 1)
        return Reject("the sound has no channels");
    if (f.sample_rate < kMinRate || f.sample_rate > kMaxRate)
        return Reject(std::to_string(f.sample_rate) + " Hz (need " + std::to_string(kMinRate) +
                      " to " + std::to_string(kMaxRate) + " Hz)");
    if (m_options.nLeft >= 0) {
        const int highest = std::max(m_options.nLeft, m_options.nRight);
        if (highest >= channels)
            return Reject(std::to_string(channels) + (channels == 1 ? " channel" : " channels") +
                          ", no channel " + std::to_string(highest) + " (counted from 0)");
        s.left = m_options.nLeft;
        s.right = m_options.nRight;
    } else if (channels == 1) {
        s.left = s.right = 0;
    } else {
        s.left = av_channel_layout_index_from_channel(&f.ch_layout, AV_CHAN_FRONT_LEFT);
        s.right = av_channel_layout_index_from_channel(&f.ch_layout, AV_CHAN_FRONT_RIGHT);
        if (s.left < 0 || s.right < 0) {
            s.left = 0;
            s.right = 1;
        }
    }
    m_nFileRate = f.sample_rate;
    m_nFileChannels = channels;

    const auto format = static_cast<AVSampleFormat>(f.format);
    s.sourceBits = s.codec->bits_per_raw_sample > 0 ? s.codec->bits_per_raw_sample
                                                    : av_get_bytes_per_sample(format) * 8;
    s.passThrough = !m_options.bNativeRate && f.sample_rate == kSampleRate &&
                    (format == AV_SAMPLE_FMT_S16 || format == AV_SAMPLE_FMT_S16P);
    if (s.passThrough)
        return true;

    AVChannelLayout in{};
    AVChannelLayout out{};
    if (f.ch_layout.order == AV_CHANNEL_ORDER_NATIVE)
        av_channel_layout_copy(&in, &f.ch_layout);
    else
        av_channel_layout_default(&in, channels);
    av_channel_layout_default(&out, 2);
    int r = swr_alloc_set_opts2(&s.resampler, &out,
                                m_options.bNativeRate ? AV_SAMPLE_FMT_FLT : AV_SAMPLE_FMT_S16,
                                OutputRate(), &in, format, f.sample_rate, 0, nullptr);
    av_channel_layout_uninit(&in);
    av_channel_layout_uninit(&out);
    if (r < 0)
        return Fail("the resampler can't start", r);
    // Each side is one channel at unit gain: swresample's own mix would take
    // mono down by 3 dB and fold the other channels in.
    if (channels != 2 || s.left != 0 || s.right != 1) {
        std::vector<double> matrix(2 * static_cast<std::size_t>(channels), 0.0);
        matrix[static_cast<std::size_t>(s.left)] = 1.0;
        matrix[static_cast<std::size_t>(channels + s.right)] = 1.0;
        r = swr_set_matrix(s.resampler, matrix.data(), channels);
        if (r < 0)
            return Fail("the channels can't be picked", r);
    }
    if (!m_options.bNativeRate && s.sourceBits > 16)
        av_opt_set_int(s.resampler, "dither_method", SWR_DITHER_TRIANGULAR, 0);
    const bool resampling = f.sample_rate != OutputRate();
    if (resampling) {
        av_opt_set(s.resampler, "resampler", "soxr", 0);
        av_opt_set_int(s.resampler, "precision", kSoxrPrecision, 0);
        // In floating point: soxr would dither 16-bit sound of its own accord.
        av_opt_set_sample_fmt(s.resampler, "internal_sample_fmt", AV_SAMPLE_FMT_FLTP, 0);
    }
    r = swr_init(s.resampler);
    if (r < 0 && resampling) {
        av_opt_set(s.resampler, "resampler", "swr", 0);
        av_opt_set_int(s.resampler, "filter_size", kSwrFilterSize, 0);
        r = swr_init(s.resampler);
    }
    if (r < 0)
        return Fail("the resampler can't start", r);
    return true;
}

bool CAudioFileDecoder::Convert() {
    SState& s = *m_state;
    const AVFrame& f = *s.frame;
    if (f.format != s.convFormat || f.sample_rate != s.convRate ||
        f.ch_layout.nb_channels != s.convChannels) {
        if (!Configure())
            return false;
    }
    if (f.nb_samples <= 0)
        return true;
    const auto frames = static_cast<std::size_t>(f.nb_samples);
    if (s.passThrough) {
        const std::size_t old = m_pending16.size();
        m_pending16.resize(old + 2 * frames);
        std::int16_t* out = m_pending16.data() + old;
        if (f.format == AV_SAMPLE_FMT_S16) {
            const auto* in = reinterpret_cast<const std::int16_t*>(f.data[0]);
            const auto stride = static_cast<std::size_t>(s.convChannels);
            for (std::size_t i = 0; i < frames; ++i) {
                out[2 * i] = in[i * stride + static_cast<std::size_t>(s.left)];
                out[2 * i + 1] = in[i * stride + static_cast<std::size_t>(s.right)];
            }
        } else {
            const auto* left = reinterpret_cast<const std::int16_t*>(f.extended_data[s.left]);
            const auto* right = reinterpret_cast<const std::int16_t*>(f.extended_data[s.right]);
            for (std::size_t i = 0; i < frames; ++i) {
                out[2 * i] = left[i];
                out[2 * i + 1] = right[i];
            }
        }
        m_nFramesMade += frames;
        return true;
    }
    const auto** in = const_cast<const std::uint8_t**>(f.extended_data);
    const int made = m_options.bNativeRate
                         ? ConvertInto(s.resampler, m_pendingFloat, in, f.nb_samples)
                         : ConvertInto(s.resampler, m_pending16, in, f.nb_samples);
    if (made < 0)
        return Fail("the resampler failed", made);
    m_nFramesMade += static_cast<std::uint64_t>(made);
    return true;
}

bool CAudioFileDecoder::FlushResampler() {
    SState& s = *m_state;
    while (s.resampler != nullptr) {
        const int made = m_options.bNativeRate
                             ? ConvertInto(s.resampler, m_pendingFloat, nullptr, 0)
                             : ConvertInto(s.resampler, m_pending16, nullptr, 0);
        if (made < 0)
            return Fail("the resampler failed", made);
        if (made == 0)
            break;
        m_nFramesMade += static_cast<std::uint64_t>(made);
    }
    return true;
}

template <typename T>
std::size_t CAudioFileDecoder::Read(T* out, std::size_t count, std::vector<T>& pending) {
    std::size_t done = 0;
    while (done < count && m_state) {
        const std::size_t available = pending.size() / 2 - m_nPendingStart;
        if (available == 0) {
            pending.clear();
            m_nPendingStart = 0;
            if (m_state->ended)
                break;
            DecodeMore();
            continue;
        }
        const std::size_t take = std::min(available, count - done);
        std::copy_n(pending.data() + 2 * m_nPendingStart, 2 * take, out + 2 * done);
        m_nPendingStart += take;
        done += take;
    }
    m_nFramesRead += done;
    return done;
}

std::size_t CAudioFileDecoder::ReadStereo(std::int16_t* out, std::size_t count) {
    return m_options.bNativeRate ? 0 : Read(out, count, m_pending16);
}

std::size_t CAudioFileDecoder::ReadFloat(float* out, std::size_t count) {
    return m_options.bNativeRate ? Read(out, count, m_pendingFloat) : 0;
}

std::unique_ptr<ICaptureBackend> CreateDecodedFileSource(const std::string& path,
                                                         SDecodeOptions options) {
    return std::make_unique<CFileSource>(path, std::make_unique<CAudioFileDecoder>(options));
}
