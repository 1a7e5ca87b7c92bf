// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/WavFile.h"

#include <random>

#include "AcquisitionTestSupport.h"
#include "acquisition/FileSource.h"

namespace {

using namespace acqtest;

Samples ReadAll(CWavFile& file, std::size_t piece) {
    Samples out;
    Samples buffer(piece * 2);
    while (std::size_t got = file.ReadStereo(buffer.data(), piece))
        out.insert(out.end(), buffer.begin(),
                   buffer.begin() + static_cast<std::ptrdiff_t>(got * 2));
    return out;
}

TEST(WavFile, WellFormedFilesReadBackTheirFramesInAnyPieceSize) {
    const CTempDir dir;
    const Samples ramp = IndexRamp(5, 300);
    const Bytes data = SampleBytes(ramp);
    const Bytes odd(5, 0x55);                               // padded to 6 bytes
    const Samples monoAsStereo = Tone(441.0, 20000.0, 777); // both channels alike
    Samples mono;
    for (std::size_t i = 0; i < monoAsStereo.size(); i += 2)
        mono.push_back(monoAsStereo[i]);
    Bytes cut = Wav(IndexRamp(0, 1000));
    cut.resize(cut.size() - 400 * 4 + 1); // 600 frames and half a sample

    const struct {
        const char* name;
        Bytes bytes;
        Samples expected;
    } cases[] = {
        {"mono", Riff({{"fmt ", FmtBody({.channels = 1})}, {"data", SampleBytes(mono)}}),
         monoAsStereo},
        {"list-first", Riff({{"LIST", odd}, {"fmt ", FmtBody({})}, {"data", data}}), ramp},
        {"data-first", Riff({{"data", data}, {"junk", odd}, {"fmt ", FmtBody({})}}), ramp},
        {"extensible", Riff({{"fmt ", FmtBody({.extensibleTag = 1})}, {"data", data}}), ramp},
        {"cut-short", cut, IndexRamp(0, 600)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CWavFile file;
        ASSERT_TRUE(file.Open(dir.Write(c.name, c.bytes))) << file.Error();
        EXPECT_EQ(file.FrameCount(), c.expected.size() / 2);
        EXPECT_EQ(file.IsTruncated(), c.bytes == cut);
        for (std::size_t piece : {1u, 7u, 441u, 5000u}) {
            file.Rewind();
            EXPECT_EQ(ReadAll(file, piece), c.expected) << "piece " << piece;
        }
    }
}

TEST(WavFile, BrokenFilesAreRejectedWithTheFileNameAndTheReason) {
    const CTempDir dir;
    const Bytes data = SampleBytes(IndexRamp(0, 100));
    auto wav = [&](const SFormat& f) { return Riff({{"fmt ", FmtBody(f)}, {"data", data}}); };
    const Bytes good = wav({});
    auto cut = [&](std::size_t size) { return Bytes(good.begin(), good.begin() + size); };
    Bytes fmt14 = FmtBody({});
    fmt14.resize(14);

    const struct {
        const char* name;
        Bytes bytes;
        const char* reason;
    } cases[] = {
        {"empty", {}, "too short for a WAV header"},
        {"riff-only", cut(8), "too short for a WAV header"},
        {"rifx", Riff({{"fmt ", FmtBody({})}, {"data", data}}, "RIFXWAVE"), "not a RIFF/WAVE file"},
        {"avi", Riff({{"fmt ", FmtBody({})}}, "RIFFAVI "), "not a RIFF/WAVE file"},
        {"48k", wav({.rate = 48000}), "48000 Hz (need 44100 Hz)"},
        {"24bit", wav({.bits = 24}), "24-bit samples (need 16-bit)"},
        {"3ch", wav({.channels = 3}), "3 channels (need mono or stereo)"},
        {"0ch", wav({.channels = 0}), "0 channels (need mono or stereo)"},
        {"float", wav({.tag = 3}), "not PCM sound (format 3)"},
        {"ext-float", wav({.extensibleTag = 3}), "not PCM sound (extensible format)"},
        {"align", wav({.blockAlign = 6}), "block align 6 does not match the format"},
        {"fmt-short", Riff({{"fmt ", fmt14}, {"data", data}}), "\"fmt \" chunk too short"},
        {"cut-in-fmt", cut(12 + 8 + 10), "truncated header"},
        {"cut-in-chunk-head", cut(12 + 5), "truncated header"},
        {"fmt-claims-more", Riff({{"data", data}, {"fmt ", FmtBody({}), 400}}), "truncated header"},
        {"no-data", Riff({{"fmt ", FmtBody({})}}), "no \"data\" chunk"},
        {"no-fmt", Riff({{"data", data}}), "no \"fmt \" chunk"},
        {"data-empty", Riff({{"fmt ", FmtBody({})}, {"data", {}}}), "no sound data"},
        {"data-half-frame", Riff({{"fmt ", FmtBody({})}, {"data", {1, 2, 3}}}), "no sound data"},
    };
    std::vector<std::pair<std::string, std::string>> paths = {
        {dir.Path() + "/absent.wav", "can't open the file"},
        {dir.Path(), "is a folder, not a file"}};
    for (const auto& c : cases)
        paths.emplace_back(dir.Write(c.name, c.bytes), c.reason);
    for (const auto& [path, reason] : paths) {
        SCOPED_TRACE(path);
        CWavFile file;
        EXPECT_FALSE(file.Open(path));
        EXPECT_EQ(file.Error(), "input file \"" + path + "\": " + reason);
        std::int16_t buffer[8];
        EXPECT_EQ(file.ReadStereo(buffer, 4), 0u);
    }
}

TEST(WavFile, CorruptedHeadersNeverReadPastTheFile) {
    const CTempDir dir;
    const Bytes good = Riff({{"fmt ", FmtBody({})},
                             {"fact", {0x64, 0, 0, 0}},
                             {"data", SampleBytes(IndexRamp(0, 100))}});
    std::mt19937 random(20240611);
    std::uniform_int_distribution<std::size_t> headerByte(0, 63);
    std::uniform_int_distribution<int> byteValue(0, 255);
    std::uniform_int_distribution<std::size_t> length(0, good.size());
    for (int i = 0; i < 400; ++i) {
        Bytes bytes = good;
        for (int k = i % 4; k >= 0; --k)
            bytes[headerByte(random)] = static_cast<std::uint8_t>(byteValue(random));
        if (i % 3 == 0)
            bytes.resize(length(random));
        CWavFile file;
        if (file.Open(dir.Write("mutant.wav", bytes))) {
            EXPECT_LE(file.FrameCount() * file.Format().nBlockAlign, bytes.size()) << i;
            EXPECT_EQ(ReadAll(file, 37).size() / 2, file.FrameCount()) << i;
        }
    }
}

// A reader that breaks after `good` frames of a ramp, until rewound.
struct CBreakingReader : ISoundReader {
    explicit CBreakingReader(std::int64_t good) : m_nGood(good) {}
    bool Open(const std::string&) override { return true; }
    std::size_t ReadStereo(std::int16_t* out, std::size_t count) override {
        const auto n = static_cast<std::size_t>(
            std::min<std::int64_t>(static_cast<std::int64_t>(count), m_nGood - m_nPosition));
        const Samples ramp = IndexRamp(m_nPosition, static_cast<std::int64_t>(n));
        std::copy(ramp.begin(), ramp.end(), out);
        m_nPosition += static_cast<std::int64_t>(n);
        if (n < count)
            m_strError = "input file \"x\": broken at " + std::to_string(m_nPosition);
        return n;
    }
    void Rewind() override {
        m_nPosition = 0;
        m_strError.clear();
    }
    const std::string& Error() const override { return m_strError; }
    std::int64_t m_nGood;
    std::int64_t m_nPosition = 0;
    std::string m_strError;
};

// The failure is a fault from then on, read while the source runs; the part
// that reads plays on from the start, with no gap and no silence.
TEST(FileSource, AReadThatFailsPartWayIsAFaultAndTheReadablePartLoops) {
    constexpr std::int32_t kN = 1024;
    constexpr std::int64_t kGood = 700;
    CFileSource source("x", std::make_unique<CBreakingReader>(kGood));
    EXPECT_EQ(source.Fault(), "");
    ExpectPlaysInALoop(source, kN, IndexRamp(0, kGood), [&] {
        EXPECT_TRUE(Eventually([&] { return !source.Fault().empty(); }, 10s));
    });
    EXPECT_EQ(source.Fault(), "input file \"x\": broken at 700");
}

} // namespace
