// SPDX-License-Identifier: GPL-3.0-or-later
// End to end: sound from a WAV file through the real pipeline into a
// recorded WAV file, checked sample for sample and by sox.
#include <signal.h>

#include <random>

#include "RecordingPipeline.h"
#include "RecordingTestSupport.h"

#ifdef VIREON_HAVE_VIDEO
#include "platform/AviFileWriter.h"
#endif

namespace {

using namespace rectest;

constexpr std::int64_t kInputFrames = 8 * 44100; // the source loops over it

// Checks that each recorded frame follows the one before it in the
// (looping) input. Returns the number of frames.
std::int64_t ExpectContiguousInput(const std::string& wav) {
    const Samples s = ReadWav(wav);
    std::int64_t breaks = 0;
    for (std::size_t i = 2; i < s.size(); i += 2)
        breaks += FrameIndex(&s[i]) != (FrameIndex(&s[i - 2]) + 1) % kInputFrames;
    EXPECT_EQ(breaks, 0) << "frames lost or repeated";
    return std::ssize(s) / 2;
}

// sox decodes the whole file without a warning; its length in seconds.
double SoxLength(const std::string& wav) {
    const SCommand stat = RunCommand("sox '" + wav + "' -n stat 2>&1");
    EXPECT_EQ(stat.status, 0) << stat.output;
    EXPECT_EQ(stat.output.find("WARN"), std::string::npos) << stat.output;
    const std::size_t at = stat.output.find("Length (seconds):");
    return at == std::string::npos ? -1.0 : std::atof(stat.output.c_str() + at + 17);
}

class CapturePipeline : public ::testing::Test {
protected:
    const CTempDir m_dir;
    const std::string m_strInput = m_dir.Write("in.wav", Wav(IndexedFrames(kInputFrames)));
    const std::string m_strOutput = m_dir.Path() + "/out.wav";
};

// At N = 1024, with 960 x 720 frames encoded by the slowest codec offered
// beside it (where FFmpeg is built in): the screenshot thread never holds
// up the input thread, so the sound stays whole.
TEST_F(CapturePipeline, TenSecondsRecordedBesideTheSlowestCodecHoldEveryInputFrameOnceInOrder) {
#ifdef VIREON_HAVE_VIDEO
    SetVideoWriterFactory([] { return std::make_unique<CAviFileWriter>(); });
    SetCompressionChooser([](const std::vector<SCodecChoice>& choices, SCompressOptions& options) {
        options.codec = choices.back().codec;
        for (const SCodecChoice& choice : choices)
            if (choice.codec == "ffv1")
                options.codec = choice.codec;
        return true;
    });
#endif
    const SBitmapInfoHeader header = DibHeader(960, 720);
    Bytes dib = Dib(header);
    std::mt19937 random(11);
    for (std::size_t i = 40; i < dib.size(); ++i)
        dib[i] = static_cast<std::uint8_t>(random() % 64 + (i / 2880) % 128);
    int frames = 0;
    {
        CRecordingPipeline pipeline(1024, m_strInput);
        ASSERT_TRUE(pipeline.Start());
        CCaptureSession& session = pipeline.Session();
#ifdef VIREON_HAVE_VIDEO
        session.SetInterval(0);
        session.SetFileName(CCaptureSession::kScreen, m_dir.Path() + "/out.avi");
        ASSERT_TRUE(session.InitScreen(&header, 30, kCaptureAvi));
        ASSERT_TRUE(session.ChooseCompression());
        ASSERT_TRUE(session.MakeCompressedStream());
#endif
        std::this_thread::sleep_for(500ms);
        ASSERT_TRUE(pipeline.Record(m_strOutput));
        for (const auto end = Clock::now() + 10s; Clock::now() < end;) {
            if (session.IsDue(CCaptureSession::kScreen) && session.WriteAviFrame(dib.data()))
                ++frames;
            std::this_thread::sleep_for(100ms);
        }
        pipeline.EndRecording();
    }
#ifdef VIREON_HAVE_VIDEO
    SetVideoWriterFactory(nullptr);
    SetCompressionChooser(nullptr);
    // How many frames the encoder keeps up with depends on the machine (the
    // capture benchmark measures it); here it only has to have run.
    EXPECT_GT(frames, 0);
#endif
    const double seconds = static_cast<double>(ExpectContiguousInput(m_strOutput)) / 44100.0;
    EXPECT_NEAR(seconds, 10.0, 0.5);
    EXPECT_NEAR(SoxLength(m_strOutput), seconds, 1e-3);
}

TEST_F(CapturePipeline, ARecordingKilledAfterThreeSecondsDecodesFullyAndHoldsTwoSeconds) {
    std::FILE* driver = ::popen(
        ("exec " + std::string(RECORD_DRIVER) + " '" + m_strInput + "' '" + m_strOutput + "' 4096")
            .c_str(),
        "r");
    ASSERT_NE(driver, nullptr);
    int pid = 0;
    ASSERT_EQ(std::fscanf(driver, "recording %d", &pid), 1);
    std::this_thread::sleep_for(3s);
    ::kill(pid, SIGKILL);
    ::pclose(driver);

    const std::int64_t frames = ExpectContiguousInput(m_strOutput);
    EXPECT_GE(frames, 2 * 44100);
    EXPECT_NEAR(SoxLength(m_strOutput), static_cast<double>(frames) / 44100.0, 1e-3);
}

} // namespace
