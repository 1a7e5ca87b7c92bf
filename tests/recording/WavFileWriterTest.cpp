// SPDX-License-Identifier: GPL-3.0-or-later
#include "recording/WavFileWriter.h"

#include "RecordingTestSupport.h"

namespace {

using namespace rectest;

// The file as the layout prescribes it, built by the test's own RIFF writer.
// (What a crash leaves is checked end to end by the killed recording.)
std::string Expected(const Bytes& data) {
    const Bytes file = Riff({{"fmt ", FmtBody({})}, {"fact", Bytes(4, 0)}, {"data", data}});
    return std::string(file.begin(), file.end());
}

TEST(WavFileWriter, ClosedFilesHoldExactlyTheLayoutWithThePadByteForOddData) {
    const CTempDir dir;
    const Bytes odd = {1, 2, 3, 4, 5, 6, 7};
    const struct {
        const char* name;
        std::vector<Bytes> pieces;
        Bytes data;
    } cases[] = {
        {"empty", {}, {}},
        {"odd length in pieces", {{1, 2, 3}, {}, {4, 5, 6, 7}}, odd},
        {"whole frames", {SampleBytes(IndexRamp(0, 300))}, SampleBytes(IndexRamp(0, 300))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.Path() + "/out.wav";
        CWavFileWriter writer;
        ASSERT_EQ(writer.Open(path, SWaveFormat{}), kWavOk);
        for (const Bytes& piece : c.pieces) {
            std::uint32_t written = 99;
            // A count of 0 still comes with a pointer.
            const std::uint8_t* p = piece.empty() ? odd.data() : piece.data();
            EXPECT_EQ(writer.Write(static_cast<std::uint32_t>(piece.size()), p, &written), kWavOk);
            EXPECT_EQ(written, piece.size());
        }
        EXPECT_EQ(writer.GetSize(), c.data.size());
        EXPECT_EQ(writer.Close(), kWavOk);
        EXPECT_EQ(ReadText(path), Expected(c.data));
    }
    EXPECT_EQ(Expected({}).size(), 56u);
}

TEST(WavFileWriter, CallsWithoutAnOpenFileOrOnAFullDiskGiveTheirCodes) {
    const CTempDir dir;
    CWavFileWriter writer;
    const std::uint8_t byte = 0;
    std::uint32_t written = 0;
    EXPECT_EQ(writer.Write(1, &byte, &written), kWavNotInitialized);
    EXPECT_EQ(writer.Close(), kWavNotInitialized);
    EXPECT_EQ(writer.Open(dir.Path() + "/missing/out.wav", SWaveFormat{}), kWavFail);
    EXPECT_EQ(writer.Close(), kWavNotInitialized);

    ASSERT_EQ(writer.Open(dir.Path() + "/out.wav", SWaveFormat{}), kWavOk);
    EXPECT_EQ(writer.Close(), kWavOk);
    EXPECT_EQ(writer.Write(1, &byte, &written), kWavNotInitialized);
    EXPECT_EQ(writer.Close(), kWavNotInitialized);

    // /dev/full takes the buffered header, then refuses the data when it is
    // flushed: the writer reports it instead of claiming success.
    ASSERT_EQ(writer.Open("/dev/full", SWaveFormat{}), kWavOk);
    const Bytes data = SampleBytes(IndexRamp(0, 1000));
    writer.Write(static_cast<std::uint32_t>(data.size()), data.data(), &written);
    EXPECT_EQ(writer.Commit(), kWavFail);
    EXPECT_EQ(writer.Close(), kWavFail);
}

} // namespace
