// SPDX-License-Identifier: GPL-3.0-or-later
// The decoder of every sound file FFmpeg reads: a tone in each format, rate,
// depth and channel count reads as the lossless file does; a 16-bit file at
// the pipeline's rate arrives untouched, through the paced source too; the
// file's own rate gives its own samples; broken files say what is wrong.
#include "platform/AudioFileDecoder.h"

#include <map>

#include "SoundFileSupport.h"

namespace {

using namespace sndtest;

constexpr std::int32_t kN = 32768;

template <typename T> std::vector<T> ReadAll(CAudioFileDecoder& decoder, std::size_t piece = 1000) {
    std::vector<T> out;
    std::vector<T> buffer(2 * piece);
    for (;;) {
        std::size_t got = 0;
        if constexpr (std::is_same_v<T, float>)
            got = decoder.ReadFloat(buffer.data(), piece);
        else
            got = decoder.ReadStereo(buffer.data(), piece);
        out.insert(out.end(), buffer.begin(),
                   buffer.begin() + static_cast<std::ptrdiff_t>(2 * got));
        if (got < piece)
            return out;
    }
}

// Left 1000 Hz, right 1500 Hz (other channels other tones) in every file.
// The level of each is taken against the lossless 48 kHz 24-bit WAV's.
TEST(AudioFileDecoder, AToneInEveryFormatReadsItsFrequencyAndTheLosslessLevel) {
    const CTempDir dir;
    const std::string sixChannels = "synth 4 sine 1000 sine 1500 sine 300 sine 60 sine 2500 "
                                    "sine 3500 vol 0.5";
    const struct {
        const char* name;
        std::string path;
        bool lossy, mono;
    } files[] = {
        {"48 kHz 24-bit WAV", SoxTone(dir, "w24.wav", "-r 48000 -b 24 -c 2"), false, false},
        {"32-bit float WAV", SoxTone(dir, "f32.wav", "-r 44100 -e floating-point -b 32 -c 2"),
         false, false},
        {"96 kHz FLAC", SoxTone(dir, "t.flac", "-r 96000 -b 24 -c 2"), false, false},
        {"MP3", Encoded(dir, "t.mp3", "-c:a libmp3lame -b:a 320k -ar 44100"), true, false},
        {"Ogg Vorbis", Encoded(dir, "t.ogg", "-c:a libvorbis -q:a 6"), true, false},
        {"Opus", Encoded(dir, "t.opus", "-c:a libopus -b:a 160k"), true, false},
        {"8-bit 22050 Hz", SoxTone(dir, "u8.wav", "-r 22050 -b 8 -e unsigned -c 2"), false, false},
        // Two bytes a frame, as one 16-bit mono frame would be.
        {"8-bit stereo 44.1 kHz", SoxTone(dir, "u8s.wav", "-r 44100 -b 8 -e unsigned -c 2"), false,
         false},
        {"mono", SoxTone(dir, "mono.wav", "-r 44100 -b 16 -c 1", "synth 4 sine 1000 vol 0.5"),
         false, true},
        {"6 channels", SoxTone(dir, "six.wav", "-r 48000 -b 24 -c 6", sixChannels), false, false},
    };
    std::map<double, double> reference; // dBFS by tone
    for (const auto& file : files) {
        SCOPED_TRACE(file.name);
        CAudioFileDecoder decoder;
        ASSERT_TRUE(decoder.Open(file.path)) << decoder.Error();
        EXPECT_EQ(decoder.OutputRate(), kSampleRate);
        const Samples sound = ReadAll<std::int16_t>(decoder);
        EXPECT_EQ(decoder.Error(), "");
        EXPECT_NEAR(static_cast<double>(sound.size() / 2), 4.0 * kSampleRate, 0.02 * kSampleRate);
        const double tones[2] = {1000.0, file.mono ? 1000.0 : 1500.0};
        for (const std::int32_t side : {CHANNEL_LEFT, CHANNEL_RIGHT}) {
            const auto blocks = InnerBlocks(sound, kN, side);
            ASSERT_EQ(blocks.size(), 3u);
            for (const SBlockMeasurement& m : blocks) {
                EXPECT_NEAR(m.peak.dFrequency, tones[side], file.lossy ? 0.1 : 0.05);
                reference.try_emplace(tones[side], m.peak.dLevelDb);
                EXPECT_NEAR(m.peak.dLevelDb, reference[tones[side]], 0.1);
            }
        }
        if (file.lossy) { // every pass of a looping file alike
            decoder.Rewind();
            const Samples again = ReadAll<std::int16_t>(decoder);
            EXPECT_TRUE(again == sound);
        }
    }
    EXPECT_NEAR(reference[1000.0], -6.02, 0.3) << "half scale";
}

// Seeded noise over the whole 16-bit range: copied, never resampled or
// dithered, and a mono file lands on both sides. The paced source writes
// the same frames into the capture ring, from the start again at the end.
TEST(AudioFileDecoder, SixteenBitSoundAtThePipelineRateArrivesExactlyAsWritten) {
    const CTempDir dir;
    constexpr std::size_t kFrames = 1500; // not a whole number of chunks
    const std::vector<std::int32_t> noise = RandomInts(3 * kFrames, -32768, 32767, 20240611);
    auto pair = [&](std::size_t channels, std::size_t l, std::size_t r) {
        Samples out;
        for (std::size_t i = 0; i < kFrames; ++i)
            out.insert(out.end(), {static_cast<std::int16_t>(noise[i * channels + l]),
                                   static_cast<std::int16_t>(noise[i * channels + r])});
        return out;
    };
    auto ints = [&](std::size_t channels) {
        return PackInts(
            {noise.begin(), noise.begin() + static_cast<std::ptrdiff_t>(kFrames * channels)}, 2);
    };
    const struct {
        const char* name;
        Bytes file;
        SDecodeOptions options;
        Samples expected;
    } cases[] = {
        {"stereo", WavFile({}, ints(2)), {}, pair(2, 0, 1)},
        {"mono", WavFile({.channels = 1}, ints(1)), {}, pair(1, 0, 0)},
        {"3 channels, 2 and 0",
         WavFile({.channels = 3, .mask = 7}, ints(3)),
         {.nLeft = 2, .nRight = 0},
         pair(3, 2, 0)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CAudioFileDecoder decoder(c.options);
        ASSERT_TRUE(decoder.Open(dir.Write("exact.wav", c.file))) << decoder.Error();
        EXPECT_TRUE(decoder.IsPassThrough());
        EXPECT_TRUE(ReadAll<std::int16_t>(decoder, 7) == c.expected);
    }

    const auto source = CreateDecodedFileSource(dir.Write("played.wav", WavFile({}, ints(2))));
    ExpectPlaysInALoop(*source, 1024, pair(2, 0, 1));
    EXPECT_EQ(source->Fault(), "");
}

// At the file's own rate the samples come as floating point, whatever their
// depth, from the channels picked.
TEST(AudioFileDecoder, TheFilesOwnRateGivesItsOwnSamplesAsFloatingPoint) {
    const CTempDir dir;
    constexpr std::size_t kFrames = 4800;
    const std::vector<std::int32_t> ints = RandomInts(6 * kFrames, -(1 << 23), (1 << 23) - 1, 7);
    std::vector<float> floats(ints.size());
    for (std::size_t i = 0; i < ints.size(); ++i)
        floats[i] = static_cast<float>(ints[i]) / (1 << 23);
    const struct {
        const char* name;
        Bytes file;
        SDecodeOptions options;
        int left, right;
    } cases[] = {
        {"24-bit 5.1, 4 and 1",
         WavFile({.channels = 6, .rate = 48000, .bits = 24, .mask = 0x3F}, PackInts(ints, 3)),
         {.bNativeRate = true, .nLeft = 4, .nRight = 1},
         4,
         1},
        {"float 5.1, front",
         WavFile({.channels = 6, .rate = 48000, .bits = 32, .isFloat = true, .mask = 0x3F},
                 PackFloats(floats)),
         {.bNativeRate = true},
         0,
         1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CAudioFileDecoder decoder(c.options);
        ASSERT_TRUE(decoder.Open(dir.Write("native.wav", c.file))) << decoder.Error();
        EXPECT_EQ(decoder.OutputRate(), 48000);
        EXPECT_EQ(decoder.FileChannels(), 6);
        EXPECT_EQ(decoder.ReadStereo(nullptr, 0), 0u);
        const std::vector<float> got = ReadAll<float>(decoder, 333);
        ASSERT_EQ(got.size(), 2 * kFrames);
        std::size_t wrong = 0;
        for (std::size_t i = 0; i < kFrames; ++i)
            wrong +=
                got[2 * i] != floats[6 * i + c.left] || got[2 * i + 1] != floats[6 * i + c.right];
        EXPECT_EQ(wrong, 0u);
    }
}

// Dither is for a reduced depth only: resampled 16-bit silence stays
// silent, 24-bit silence becomes the faint noise of the dither, at the
// pipeline's own rate too. Neither is passed through, and a resampled file
// keeps its length in time.
TEST(AudioFileDecoder, OnlyAReducedDepthIsDithered) {
    const CTempDir dir;
    const struct {
        const char* name;
        SWavFormat format;
        bool dithered;
    } cases[] = {
        {"16-bit 48 kHz", {.rate = 48000}, false},
        {"8-bit 44.1 kHz", {.bits = 8}, false},
        {"24-bit 44.1 kHz", {.bits = 24}, true},
        {"24-bit 48 kHz", {.rate = 48000, .bits = 24}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::int32_t zero = c.format.bits == 8 ? 128 : 0;
        const Bytes data = PackInts(std::vector<std::int32_t>(2 * 20000, zero), c.format.bits / 8);
        CAudioFileDecoder decoder;
        ASSERT_TRUE(decoder.Open(dir.Write("quiet.wav", WavFile(c.format, data))))
            << decoder.Error();
        EXPECT_FALSE(decoder.IsPassThrough());
        const Samples got = ReadAll<std::int16_t>(decoder);
        EXPECT_NEAR(static_cast<double>(got.size() / 2), 20000.0 * 44100 / c.format.rate, 2.0);
        const auto [lo, hi] = std::minmax_element(got.begin(), got.end());
        EXPECT_EQ(*lo != 0 || *hi != 0, c.dithered);
        EXPECT_GE(*lo, -2);
        EXPECT_LE(*hi, 2);
    }
}

// Each failure names the file and the reason; one found part-way ends the
// reads where the sound stops and says how far the decoding got.
TEST(AudioFileDecoder, BrokenFilesSayWhatIsWrongWithThem) {
    const CTempDir dir;
    const std::string flac = SoxTone(dir, "whole.flac", "-r 48000 -b 24 -c 2");
    ASSERT_TRUE(Shell(dir, "head -c 150000 whole.flac > cut.flac"));
    ASSERT_TRUE(Shell(dir, "ffmpeg -v error -f lavfi -i testsrc=size=64x48:rate=5 -t 1 "
                           "-c:v mpeg4 silent.avi"));
    dir.Write("text.wav", Bytes(400, 'x'));
    dir.Write("empty.wav", {});
    dir.Write("no-frames.wav", WavFile({}, {}));
    const std::string stereo = dir.Write("stereo.wav", WavFile({}, PackInts({1, 2, 3, 4}, 2)));

    const struct {
        std::string file;
        SDecodeOptions options;
        std::string reason;
    } cases[] = {
        {"absent.wav", {}, "can't open the file"},
        {".", {}, "is a folder, not a file"},
        {"empty.wav", {}, "the file is empty"},
        {"text.wav", {}, "not a sound file FFmpeg can read: Invalid data found"},
        {"silent.avi", {}, "has no audio stream"},
        {"no-frames.wav", {}, "holds no sound"},
        {"stereo.wav", {.nLeft = 0, .nRight = 2}, "2 channels, no channel 2 (counted from 0)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string path = c.file == "." ? dir.Path() : dir.Path() + "/" + c.file;
        CAudioFileDecoder decoder(c.options);
        EXPECT_FALSE(decoder.Open(path));
        EXPECT_EQ(decoder.Error().rfind("input file \"" + path + "\": " + c.reason, 0), 0u)
            << decoder.Error();
        std::int16_t frame[2];
        EXPECT_EQ(decoder.ReadStereo(frame, 1), 0u);
    }

    CAudioFileDecoder decoder;
    ASSERT_TRUE(decoder.Open(dir.Path() + "/cut.flac")) << "the start decodes";
    const Samples sound = ReadAll<std::int16_t>(decoder);
    const std::string error = decoder.Error();
    EXPECT_NE(error.find("cut.flac\": decoding failed after "), std::string::npos) << error;
    EXPECT_NE(error.find("Invalid data found when processing input"), std::string::npos) << error;
    const double failedAt = std::stod(error.substr(error.find("after ") + 6));
    const double seconds = static_cast<double>(sound.size() / 2) / kSampleRate;
    EXPECT_GT(seconds, 0.5);
    EXPECT_LT(seconds, 3.0);
    EXPECT_NEAR(failedAt, seconds, 0.1);
}

} // namespace
