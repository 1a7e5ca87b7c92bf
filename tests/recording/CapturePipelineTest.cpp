// End to end: sound from a WAV file through the real pipeline into a
// recorded WAV file, checked sample for sample and by sox and ffprobe.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include "../acquisition/AcquisitionTestSupport.h"
#include "RecordingPipeline.h"
#include "acquisition/WavFile.h"

#ifdef VIREON_HAVE_VIDEO
#include <random>

#include "platform/AviFileWriter.h"
#endif

extern char** environ;

namespace {

using namespace acqtest;
using namespace rectest;

constexpr std::int64_t kInputFrames = 8 * 44100; // the source loops over it

struct SCommand {
    int status = -1;
    std::string output; // stdout and stderr
};

SCommand RunCommand(const std::string& command) {
    SCommand result;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr)
        return result;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
        result.output += buffer;
    result.status = pclose(pipe);
    return result;
}

// The recording's frames as input indices; checks that each follows the one
// before it in the (looping) input. Returns the number of frames.
std::int64_t ExpectContiguousInput(const std::string& wav) {
    CWavFile file;
    EXPECT_TRUE(file.Open(wav)) << file.Error();
    Samples s(file.FrameCount() * 2);
    const std::size_t frames = file.ReadStereo(s.data(), file.FrameCount());
    std::int64_t breaks = 0;
    for (std::size_t i = 1; i < frames; ++i)
        if (FrameIndex(&s[2 * i]) != (FrameIndex(&s[2 * i - 2]) + 1) % kInputFrames)
            ++breaks;
    EXPECT_EQ(breaks, 0) << "frames lost or repeated";
    return static_cast<std::int64_t>(frames);
}

double SoxLength(const std::string& wav) {
    const SCommand stat = RunCommand("sox '" + wav + "' -n stat");
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

TEST_F(CapturePipeline, FiveSecondsRecordedHoldEveryInputFrameOnceInOrder) {
    {
        CRecordingPipeline pipeline(4096, m_strInput);
        ASSERT_TRUE(pipeline.Start());
        std::this_thread::sleep_for(500ms);
        ASSERT_TRUE(pipeline.Record(m_strOutput));
        std::this_thread::sleep_for(5s);
        pipeline.EndRecording();
    }
    const std::int64_t frames = ExpectContiguousInput(m_strOutput);
    EXPECT_NEAR(static_cast<double>(frames) / 44100.0, 5.0, 0.5);
    EXPECT_NEAR(SoxLength(m_strOutput), static_cast<double>(frames) / 44100.0, 1e-3);
    const SCommand probe = RunCommand(
        "ffprobe -v error -show_entries format=duration -of csv=p=0 '" + m_strOutput + "'");
    EXPECT_EQ(probe.status, 0) << probe.output;
    EXPECT_NEAR(std::atof(probe.output.c_str()), static_cast<double>(frames) / 44100.0, 1e-3);
}

TEST_F(CapturePipeline, ARecordingKilledAfterThreeSecondsDecodesFullyAndHoldsTwoSeconds) {
    int out[2];
    ASSERT_EQ(pipe(out), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    const std::string n = "4096";
    char* argv[] = {const_cast<char*>(RECORD_DRIVER), const_cast<char*>(m_strInput.c_str()),
                    const_cast<char*>(m_strOutput.c_str()), const_cast<char*>(n.c_str()), nullptr};
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, RECORD_DRIVER, &actions, nullptr, argv, environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    char line[32] = {};
    const ssize_t got = read(out[0], line, sizeof line - 1);
    close(out[0]);
    ASSERT_GT(got, 0);
    ASSERT_EQ(std::string(line), "recording\n");
    std::this_thread::sleep_for(3s);
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);

    const std::int64_t frames = ExpectContiguousInput(m_strOutput);
    EXPECT_GE(frames, 2 * 44100);
    EXPECT_NEAR(SoxLength(m_strOutput), static_cast<double>(frames) / 44100.0, 1e-3);
}

#ifdef VIREON_HAVE_VIDEO
// The screenshot thread encoding 960 x 720 frames with the slowest codec
// offered must never hold up the input thread: the sound stays whole.
TEST_F(CapturePipeline, SoundLosesNothingWhileTheSlowestCodecEncodesLargeFrames) {
    SetVideoWriterFactory([] { return std::make_unique<CAviFileWriter>(); });
    SetCompressionChooser([](const std::vector<SCodecChoice>& choices, SCompressOptions& options) {
        options.codec = choices.back().codec;
        for (const SCodecChoice& choice : choices)
            if (choice.codec == "ffv1")
                options.codec = choice.codec;
        return true;
    });
    SBitmapInfoHeader header;
    header.biWidth = 960;
    header.biHeight = 720;
    header.biSizeImage = 960 * 3 * 720;
    Bytes dib(40 + header.biSizeImage);
    std::memcpy(dib.data(), &header, 40);
    std::mt19937 random(11);
    for (std::size_t i = 40; i < dib.size(); ++i)
        dib[i] = static_cast<std::uint8_t>(random() % 64 + (i / 2880) % 128);

    int frames = 0;
    {
        CRecordingPipeline pipeline(1024, m_strInput);
        ASSERT_TRUE(pipeline.Start());
        CCaptureSession& session = pipeline.Session();
        session.SetInterval(0);
        session.SetFileName(CCaptureSession::kScreen, m_dir.Path() + "/out.avi");
        ASSERT_TRUE(session.InitScreen(&header, 30, kCaptureAvi));
        ASSERT_TRUE(session.ChooseCompression());
        ASSERT_TRUE(session.MakeCompressedStream());
        std::this_thread::sleep_for(500ms);
        ASSERT_TRUE(pipeline.Record(m_strOutput));
        ASSERT_EQ(session.GetCaptureFlags(), kCaptureSound | kCaptureScreen);
        for (const auto end = Clock::now() + 10s; Clock::now() < end;) {
            if (session.IsDue(CCaptureSession::kScreen) && session.WriteAviFrame(dib.data()))
                ++frames;
            std::this_thread::sleep_for(100ms);
        }
        pipeline.EndRecording();
    }
    SetVideoWriterFactory(nullptr);
    SetCompressionChooser(nullptr);

    EXPECT_GE(frames, 50);
    EXPECT_NEAR(static_cast<double>(ExpectContiguousInput(m_strOutput)) / 44100.0, 10.0, 0.5);
}
#endif

} // namespace
