// SPDX-License-Identifier: GPL-3.0-or-later
// End to end: sound from a WAV file through the real pipeline into a
// recorded WAV file, checked sample for sample and by sox.
#include <signal.h>

#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <random>
#include <thread>

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

#ifdef VIREON_HAVE_VIDEO
// The real AVI writer, whose WriteFrame can be held on the screenshot
// thread's side for as long as a test likes.
class CHeldVideoWriter : public CAviFileWriter {
public:
    static inline std::mutex s_mutex;
    static inline std::condition_variable s_changed;
    static inline bool s_bHold = false;
    static inline bool s_bHeld = false;

    static void Hold(bool hold) {
        const std::lock_guard lock(s_mutex);
        s_bHold = hold;
        s_changed.notify_all();
    }
    static bool WaitUntilHeld() {
        std::unique_lock lock(s_mutex);
        return s_changed.wait_for(lock, 30s, [] { return s_bHeld; });
    }

    bool WriteFrame(const std::uint8_t* dib) override {
        {
            std::unique_lock lock(s_mutex);
            s_bHeld = s_bHold;
            s_changed.notify_all();
            s_changed.wait(lock, [] { return !s_bHold; });
            s_bHeld = false;
        }
        return CAviFileWriter::WriteFrame(dib);
    }
};
#endif

// With 960 x 720 frames encoded by the slowest codec offered beside it
// (where FFmpeg is built in), and with one frame's write held for as long
// as it takes the sound to grow by two seconds: the screenshot thread never
// holds up the input thread, so the sound keeps flowing and stays whole. At
// N = 32768 the capture buffer spans three seconds, so a loaded machine's
// scheduling delays lose nothing either.
TEST_F(CapturePipeline, SoundRecordedBesideTheSlowestCodecHoldsEveryInputFrameOnceInOrder) {
    constexpr std::int32_t kN = 32768;
#ifdef VIREON_HAVE_VIDEO
    SetVideoWriterFactory([] { return std::make_unique<CHeldVideoWriter>(); });
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
    double wallSeconds = 0.0;
    {
        CRecordingPipeline pipeline(kN, m_strInput);
        ASSERT_TRUE(pipeline.Start());
        CCaptureSession& session = pipeline.Session();
#ifdef VIREON_HAVE_VIDEO
        session.SetInterval(0);
        session.SetFileName(CCaptureSession::kScreen, m_dir.Path() + "/out.avi");
        ASSERT_TRUE(session.InitScreen(&header, 30, kCaptureAvi));
        ASSERT_TRUE(session.ChooseCompression());
        ASSERT_TRUE(session.MakeCompressedStream());
#endif
        ASSERT_TRUE(pipeline.Record(m_strOutput));
        const auto started = Clock::now();
        for (const auto end = started + 5s; Clock::now() < end;) {
            if (session.IsDue(CCaptureSession::kScreen) && session.WriteAviFrame(dib.data()))
                ++frames;
            std::this_thread::sleep_for(100ms);
        }
#ifdef VIREON_HAVE_VIDEO
        CHeldVideoWriter::Hold(true);
        std::thread screenshot([&] { session.WriteAviFrame(dib.data()); });
        EXPECT_TRUE(CHeldVideoWriter::WaitUntilHeld());
        const auto before = std::filesystem::file_size(m_strOutput);
        EXPECT_TRUE(Eventually(
            [&] { return std::filesystem::file_size(m_strOutput) > before + 2 * 4 * 44100; }, 30s))
            << "the sound stopped while a screen frame was held";
        CHeldVideoWriter::Hold(false);
        screenshot.join();
#endif
        pipeline.EndRecording();
        wallSeconds = std::chrono::duration<double>(Clock::now() - started).count();
    }
#ifdef VIREON_HAVE_VIDEO
    SetVideoWriterFactory(nullptr);
    SetCompressionChooser(nullptr);
    // How many frames the encoder keeps up with depends on the machine (the
    // capture benchmark measures it); here it only has to have run.
    EXPECT_GT(frames, 0);
#endif
    // The recording starts with the chunk being captured and ends with the
    // last one completed: within two chunks of the time it was on.
    const double seconds = static_cast<double>(ExpectContiguousInput(m_strOutput)) / 44100.0;
    EXPECT_NEAR(seconds, wallSeconds, 2.0 * kN / 44100.0);
    EXPECT_NEAR(SoxLength(m_strOutput), seconds, 1e-3);
}

// Killed once its header claims two seconds: what the header claims is on
// the disk, in order, and decodes.
TEST_F(CapturePipeline, ARecordingKilledMidWayDecodesFullyAndHoldsWhatItsHeaderClaimed) {
    std::FILE* driver = ::popen(
        ("exec " + std::string(RECORD_DRIVER) + " '" + m_strInput + "' '" + m_strOutput + "' 4096")
            .c_str(),
        "r");
    ASSERT_NE(driver, nullptr);
    int pid = 0;
    ASSERT_EQ(std::fscanf(driver, "recording %d", &pid), 1);
    EXPECT_TRUE(Eventually(
        [&] {
            CWavFile file;
            return file.Open(m_strOutput) && file.FrameCount() >= 2 * 44100;
        },
        30s));
    ::kill(pid, SIGKILL);
    ::pclose(driver);

    const std::int64_t frames = ExpectContiguousInput(m_strOutput);
    EXPECT_GE(frames, 2 * 44100);
    EXPECT_NEAR(SoxLength(m_strOutput), static_cast<double>(frames) / 44100.0, 1e-3);
}

} // namespace
