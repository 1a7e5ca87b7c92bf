#include "acquisition/WavFile.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "WavTestFiles.h"

namespace {

using wavtest::CRiffBuilder;
using wavtest::FmtBody;
using wavtest::SampleBytes;
using wavtest::SFormat;

std::vector<std::int16_t> ReadAll(CWavFile& file, std::size_t piece) {
    std::vector<std::int16_t> out;
    std::vector<std::int16_t> buffer(piece * 2);
    while (std::size_t got = file.ReadStereo(buffer.data(), piece)) {
        out.insert(out.end(), buffer.begin(),
                   buffer.begin() + static_cast<std::ptrdiff_t>(got * 2));
    }
    return out;
}

std::vector<std::int16_t> Mono(const std::vector<std::int16_t>& stereo) {
    std::vector<std::int16_t> mono;
    for (std::size_t i = 0; i < stereo.size(); i += 2) {
        mono.push_back(stereo[i]);
    }
    return mono;
}

std::vector<std::int16_t> DuplicateToStereo(const std::vector<std::int16_t>& mono) {
    std::vector<std::int16_t> stereo;
    for (std::int16_t s : mono) {
        stereo.push_back(s);
        stereo.push_back(s);
    }
    return stereo;
}

TEST(WavFile, StereoFileReadsBackItsFramesInAnyPieceSize) {
    wavtest::CTempDir dir;
    const auto frames = wavtest::IndexRamp(0, 1000);
    wavtest::WriteFile(dir / "s.wav", wavtest::SimpleWav(SFormat{}, frames));
    CWavFile file;
    ASSERT_TRUE(file.Open((dir / "s.wav").string())) << file.Error();
    EXPECT_EQ(file.FrameCount(), 1000u);
    EXPECT_FALSE(file.IsTruncated());
    for (std::size_t piece : {1u, 7u, 441u, 1000u, 5000u}) {
        file.Rewind();
        EXPECT_EQ(ReadAll(file, piece), frames) << "piece " << piece;
    }
}

TEST(WavFile, MonoIsCopiedToBothChannels) {
    wavtest::CTempDir dir;
    const auto mono = Mono(wavtest::Tone(440.0, 12000.0, 777));
    SFormat f;
    f.channels = 1;
    wavtest::WriteFile(
        dir / "m.wav",
        CRiffBuilder().Chunk("fmt ", FmtBody(f)).Chunk("data", SampleBytes(mono)).Bytes());
    CWavFile file;
    ASSERT_TRUE(file.Open((dir / "m.wav").string())) << file.Error();
    EXPECT_EQ(file.FrameCount(), mono.size());
    EXPECT_EQ(ReadAll(file, 100), DuplicateToStereo(mono));
}

TEST(WavFile, ChunksAreFoundAnywhereWithOddSizesPadded) {
    wavtest::CTempDir dir;
    const auto frames = wavtest::IndexRamp(5, 300);
    const std::vector<std::uint8_t> odd(5, 0x55); // padded to 6 bytes
    const std::vector<std::uint8_t> fact = {0x2C, 0x01, 0x00, 0x00};
    const struct {
        const char* name;
        std::vector<std::uint8_t> bytes;
    } layouts[] = {
        {"list-first", CRiffBuilder()
                           .Chunk("LIST", odd)
                           .Chunk("fmt ", FmtBody(SFormat{}))
                           .Chunk("data", SampleBytes(frames))
                           .Bytes()},
        {"fact-between", CRiffBuilder()
                             .Chunk("fmt ", FmtBody(SFormat{}))
                             .Chunk("fact", fact)
                             .Chunk("data", SampleBytes(frames))
                             .Bytes()},
        {"data-first", CRiffBuilder()
                           .Chunk("data", SampleBytes(frames))
                           .Chunk("junk", odd)
                           .Chunk("fmt ", FmtBody(SFormat{}))
                           .Bytes()},
        {"extensible", CRiffBuilder()
                           .Chunk("fmt ", FmtBody(SFormat{}, true))
                           .Chunk("data", SampleBytes(frames))
                           .Bytes()},
        {"trailing-chunk", CRiffBuilder()
                               .Chunk("fmt ", FmtBody(SFormat{}))
                               .Chunk("data", SampleBytes(frames))
                               .Chunk("LIST", odd)
                               .Bytes()},
    };
    for (const auto& layout : layouts) {
        const auto path = dir / (std::string(layout.name) + ".wav");
        wavtest::WriteFile(path, layout.bytes);
        CWavFile file;
        ASSERT_TRUE(file.Open(path.string())) << layout.name << ": " << file.Error();
        EXPECT_EQ(ReadAll(file, 64), frames) << layout.name;
    }
}

TEST(WavFile, DataCutShortIsReadUpToTheLastWholeFrame) {
    wavtest::CTempDir dir;
    const auto frames = wavtest::IndexRamp(0, 1000);
    auto bytes = wavtest::SimpleWav(SFormat{}, frames);
    // Keep 600 frames and half a sample of the next one.
    bytes.resize(bytes.size() - 400 * 4 + 1);
    wavtest::WriteFile(dir / "cut.wav", bytes);
    CWavFile file;
    ASSERT_TRUE(file.Open((dir / "cut.wav").string())) << file.Error();
    EXPECT_TRUE(file.IsTruncated());
    EXPECT_EQ(file.FrameCount(), 600u);
    EXPECT_EQ(ReadAll(file, 256), wavtest::IndexRamp(0, 600));
}

TEST(WavFile, BrokenFilesAreRejectedWithTheFileNameAndTheReason) {
    wavtest::CTempDir dir;
    const auto frames = wavtest::IndexRamp(0, 100);
    const auto data = SampleBytes(frames);
    auto withFormat = [&](std::function<void(SFormat&)> change) {
        SFormat f;
        change(f);
        return CRiffBuilder().Chunk("fmt ", FmtBody(f)).Chunk("data", data).Bytes();
    };
    const auto good = wavtest::SimpleWav(SFormat{}, frames);
    auto cut = [&](std::size_t size) {
        return std::vector<std::uint8_t>(good.begin(),
                                         good.begin() + static_cast<std::ptrdiff_t>(size));
    };
    auto fmtBody14 = FmtBody(SFormat{});
    fmtBody14.resize(14);

    const struct {
        const char* name;
        std::vector<std::uint8_t> bytes;
        const char* reason;
    } cases[] = {
        {"empty", {}, "too short for a WAV header"},
        {"riff-only", cut(8), "too short for a WAV header"},
        {"rifx", CRiffBuilder().Chunk("fmt ", FmtBody(SFormat{})).Chunk("data", data).Bytes("RIFX"),
         "not a RIFF/WAVE file"},
        {"avi", CRiffBuilder().Chunk("fmt ", FmtBody(SFormat{})).Bytes("RIFF", "AVI "),
         "not a RIFF/WAVE file"},
        {"48k", withFormat([](SFormat& f) { f.rate = 48000; }), "48000 Hz (need 44100 Hz)"},
        {"24bit", withFormat([](SFormat& f) { f.bits = 24; }), "24-bit samples (need 16-bit)"},
        {"8bit", withFormat([](SFormat& f) { f.bits = 8; }), "8-bit samples (need 16-bit)"},
        {"3ch", withFormat([](SFormat& f) { f.channels = 3; }), "3 channels (need mono or stereo)"},
        {"0ch", withFormat([](SFormat& f) { f.channels = 0; }), "0 channels (need mono or stereo)"},
        {"float", withFormat([](SFormat& f) { f.tag = 3; }), "not PCM sound (format 3)"},
        {"ext-float",
         CRiffBuilder().Chunk("fmt ", FmtBody(SFormat{}, true, 3)).Chunk("data", data).Bytes(),
         "not PCM sound (extensible format)"},
        {"align", withFormat([](SFormat& f) { f.blockAlign = 6; }),
         "block align 6 does not match the format"},
        {"fmt-short", CRiffBuilder().Chunk("fmt ", fmtBody14).Chunk("data", data).Bytes(),
         "\"fmt \" chunk too short"},
        {"cut-in-fmt", cut(12 + 8 + 10), "truncated header"},
        {"cut-in-chunk-head", cut(12 + 5), "truncated header"},
        {"fmt-claims-more",
         CRiffBuilder().Chunk("data", data).Chunk("fmt ", FmtBody(SFormat{}), 400).Bytes(),
         "truncated header"},
        {"no-data", CRiffBuilder().Chunk("fmt ", FmtBody(SFormat{})).Bytes(), "no \"data\" chunk"},
        {"no-fmt", CRiffBuilder().Chunk("data", data).Bytes(), "no \"fmt \" chunk"},
        {"data-empty", CRiffBuilder().Chunk("fmt ", FmtBody(SFormat{})).Chunk("data", {}).Bytes(),
         "no sound data"},
        {"data-half-frame",
         CRiffBuilder().Chunk("fmt ", FmtBody(SFormat{})).Chunk("data", {1, 2, 3}).Bytes(),
         "no sound data"},
    };
    for (const auto& c : cases) {
        const auto path = dir / (std::string(c.name) + ".wav");
        wavtest::WriteFile(path, c.bytes);
        CWavFile file;
        EXPECT_FALSE(file.Open(path.string())) << c.name;
        EXPECT_EQ(file.Error(), "input file \"" + path.string() + "\": " + c.reason) << c.name;
        std::int16_t buffer[8];
        EXPECT_EQ(file.ReadStereo(buffer, 4), 0u) << c.name << ": a rejected file reads nothing";
    }

    CWavFile missing;
    const auto path = (dir / "absent.wav").string();
    EXPECT_FALSE(missing.Open(path));
    EXPECT_EQ(missing.Error(), "input file \"" + path + "\": can't open the file");
}

TEST(WavFile, CorruptedHeadersNeverReadPastTheFile) {
    wavtest::CTempDir dir;
    const auto good = CRiffBuilder()
                          .Chunk("fmt ", FmtBody(SFormat{}))
                          .Chunk("fact", {0x64, 0, 0, 0})
                          .Chunk("data", SampleBytes(wavtest::IndexRamp(0, 100)))
                          .Bytes();
    std::mt19937 random(20240611);
    std::uniform_int_distribution<std::size_t> headerByte(0, 63);
    std::uniform_int_distribution<int> byteValue(0, 255);
    std::uniform_int_distribution<std::size_t> length(0, good.size());
    const auto path = dir / "mutant.wav";
    for (int i = 0; i < 400; ++i) {
        auto bytes = good;
        for (int k = i % 4; k >= 0; --k) {
            bytes[headerByte(random)] = static_cast<std::uint8_t>(byteValue(random));
        }
        if (i % 3 == 0) {
            bytes.resize(length(random));
        }
        wavtest::WriteFile(path, bytes);
        CWavFile file;
        if (!file.Open(path.string())) {
            EXPECT_EQ(file.Error().rfind("input file \"" + path.string() + "\": ", 0), 0u);
            continue;
        }
        // Whatever the header says, the frames read fit in the file.
        EXPECT_LE(file.FrameCount() * file.Format().nBlockAlign, bytes.size()) << i;
        const auto frames = ReadAll(file, 37);
        EXPECT_EQ(frames.size() / 2, file.FrameCount()) << i;
    }
}

TEST(WavFile, ADirectoryIsNotAWavFile) {
    wavtest::CTempDir dir;
    CWavFile file;
    const auto path = (dir / "").string();
    EXPECT_FALSE(file.Open(path));
    EXPECT_NE(file.Error().find(path), std::string::npos);
}

} // namespace
