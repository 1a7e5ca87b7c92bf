// SPDX-License-Identifier: GPL-3.0-or-later
#include "recording/CaptureSession.h"

#include <cstdlib>
#include <ctime>
#include <functional>
#include <map>

#include "RecordingTestSupport.h"

namespace {

using namespace rectest;

// A session on a clock the test sets, its files in a fresh folder, its
// messages collected, the log's local times in UTC.
class CaptureSession : public ::testing::Test {
protected:
    CaptureSession() {
        setenv("TZ", "UTC", 1);
        tzset();
        m_session.SetClock([this] { return m_now.load(); });
    }

    std::string Path(const std::string& name) const { return m_dir.Path() + "/" + name; }
    // Sets up the sound part (with a size limit unless 0) and starts it.
    void RecordSound(const std::string& fileName, std::int32_t sizeLimit = 0) {
        m_session.SetFileName(CCaptureSession::kAudio, fileName);
        m_session.SetSizeLimit(CCaptureSession::kAudio, sizeLimit);
        ASSERT_TRUE(m_session.OpenAudio());
        m_session.StartStop(true);
    }
    // Sets up an AVI capture (the video writer factory set) with a size
    // limit and a frame whenever asked, and starts it.
    void RecordVideo(const std::string& fileName, std::int32_t sizeLimit) {
        m_session.SetFileName(CCaptureSession::kScreen, fileName);
        m_session.SetInterval(0);
        ASSERT_TRUE(m_session.InitScreen(&m_dibHeader, 30, kCaptureAvi));
        ASSERT_TRUE(m_session.ChooseCompression());
        ASSERT_TRUE(m_session.MakeCompressedStream());
        m_session.SetSizeLimit(CCaptureSession::kScreen, sizeLimit);
        m_session.StartStop(true);
    }
    // Sets up a BMP capture of a small frame every `interval` seconds.
    void SetUpBmpCapture(std::int32_t interval) {
        m_session.SetInterval(interval);
        m_session.SetFileName(CCaptureSession::kScreen, Path("f###.bmp"));
        ASSERT_TRUE(m_session.InitScreen(&m_dibHeader, 1, kCaptureBmp));
    }
    // Hands the session frames of the index ramp, as the input thread does.
    void WriteFrames(std::int64_t frames) {
        const Samples s = IndexRamp(m_nWritten, frames);
        m_nWritten += frames;
        std::uint32_t written = 0;
        m_session.WriteAudio(static_cast<std::uint32_t>(s.size() * 2), s.data(), &written);
    }

    const CTempDir m_dir;
    std::atomic<std::int64_t> m_now{1700000000}; // 11/14/2023 22:13:20 UTC
    CCaptureSession m_session;
    std::int64_t m_nWritten = 0;
    CMessageLog m_messages;
    const SBitmapInfoHeader m_dibHeader = DibHeader(5, 2);
    const Bytes m_dib = Dib(m_dibHeader);
    const SBmpFileHeader m_bmpHeader = MakeBmpFileHeader(static_cast<std::uint32_t>(m_dib.size()));
};

// The rollover (not MakeFileName) moves a template without '#' on to a
// derived name, so that the finished file is not overwritten.
TEST(CaptureSessionNames, FileNamesFillTheHashFieldAndRolloverDerivesNamesWithoutOne) {
    const struct {
        const char* nameTemplate;
        std::int32_t counter;
        const char *name, *rollover;
    } cases[] = {
        {"cap###.bmp", 0, "cap000.bmp", "cap000.bmp"},
        {"cap#.wav", 12, "cap12.wav", "cap12.wav"},
        {"a#b#z", 7, "a007z", "a007z"},
        {"rec.wav", 0, "rec.wav", "rec.wav"},
        {"rec.wav", 5, "rec.wav", "rec5.wav"},
        {"/a.b/rec", 2, "/a.b/rec", "/a.b/rec2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.nameTemplate) + " " + std::to_string(c.counter));
        EXPECT_EQ(MakeFileName(c.nameTemplate, c.counter), c.name);
        EXPECT_EQ(RolloverFileName(c.nameTemplate, c.counter), c.rollover);
    }
}

TEST(CaptureSessionNames, FormatWithCommasGroupsThreeDigitsFromTheRight) {
    const struct {
        std::int64_t n;
        const char* text;
    } cases[] = {
        {999, " 999"}, {1000, "1,000"}, {123456, " 123,456"}, {2143283648, "2,143,283,648"},
        {7, "7"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CCaptureSession::FormatWithCommas(c.n), c.text);
}

// Frames 4096 bytes each against a limit of 10,000 bytes: three frames per
// file, then the next file; every frame lands once, in order. The log has
// its header and stamps each line with date, time and recorded time.
TEST_F(CaptureSession, SoundRollsOverAtTheSizeLimitLosingNothingAndLogsEachStep) {
    for (const char* nameTemplate : {"r#.wav", "r.wav"}) {
        SCOPED_TRACE(nameTemplate);
        m_nWritten = 0;
        m_now = 1700000000;
        const std::string log = Path("log.txt");
        ASSERT_TRUE(m_session.OpenLog(log));
        m_session.SetTimeLimit(3723);
        RecordSound(Path(nameTemplate), 10000);
        for (int i = 0; i < 7; ++i)
            WriteFrames(1024);
        m_now += 90061; // a day, an hour, a minute and a second later
        m_session.UpdateElapsed();
        m_session.StartStop(false);
        m_session.CloseSession();
        EXPECT_FALSE(m_session.IsLogOpen());

        const std::vector<std::string> files = {Path(nameTemplate[1] == '#' ? "r0.wav" : "r.wav"),
                                                Path("r1.wav"), Path("r2.wav")};
        Samples joined;
        std::string stamp = "11/14/2023 22:13:20 00:00:00 ";
        std::string expected =
            "Capture Log: " + log +
            "\r\nDate       Time     Capture\r\n---------- -------- --------\r\n";
        for (const char* text :
             {"Capture Limit: 01:02:03", "WAV file size limit 10,000 bytes", "Capture Start"})
            expected += stamp + text + "\r\n";
        for (const std::string& f : files) {
            const Samples s = ReadWav(f);
            joined.insert(joined.end(), s.begin(), s.end());
            expected += stamp + "Start " + f + "\r\n";
            if (f == files.back()) {
                stamp = "11/15/2023 23:14:21 01:01:01 ";
                expected += stamp + "Capture Stop\r\n";
            }
            expected += stamp + "Close " + f + "\r\n";
        }
        expected += stamp + "Capture Session Closed\r\n";
        EXPECT_EQ(joined, IndexRamp(0, 7 * 1024));
        EXPECT_EQ(ReadText(log), expected);
        std::filesystem::remove(files[0]);
    }
}

// A 10 s limit, polled once a second the way the screenshot thread and the
// view's tick poll it. A BMP capture every 3 s ends after the last frame
// that fits, before the limit does; a frame a minute beside sound must not
// end the sound, which records up to the limit, as does sound alone. The
// limit counts from each start; the recorded time leaves pauses out.
TEST_F(CaptureSession, TheTimeLimitEndsACaptureAfterWhatFitsAndPausesDoNotCount) {
    const struct {
        std::int32_t interval; // of BMP frames, s; 0: no screen part
        bool sound;
        std::vector<std::int64_t> frames;
        std::int64_t stoppedAt; // -1: the frames stop it first
    } cases[] = {{3, false, {0, 3, 6, 9}, -1}, {60, true, {0}, 10}, {0, true, {}, 10}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "interval " << c.interval << (c.sound ? ", sound" : ""));
        m_session.CloseSession();
        m_nWritten = 0;
        if (c.interval > 0)
            SetUpBmpCapture(c.interval);
        m_session.SetTimeLimit(10);
        const std::int64_t start = m_now;
        const std::string wav = Path("a" + std::to_string(c.interval) + ".wav");
        if (c.sound)
            RecordSound(wav);
        else
            m_session.StartStop(true);
        std::vector<std::int64_t> frames;
        std::int64_t stoppedAt = -1;
        for (int t = 0; t <= 15; ++t) {
            m_now = start + t;
            m_session.UpdateElapsed();
            if (m_session.CheckTimeLimit())
                stoppedAt = t;
            if (c.interval > 0 && m_session.IsDue(CCaptureSession::kScreen) &&
                m_session.WriteBmpFrame(m_dib.data(), m_bmpHeader))
                frames.push_back(t);
            if (m_session.GetCaptureFlags() & kCaptureSound)
                WriteFrames(kSampleRate); // a second of sound
        }
        EXPECT_EQ(frames, c.frames);
        EXPECT_EQ(stoppedAt, c.stoppedAt);
        EXPECT_EQ(m_session.GetCaptureFlags(), 0);
        if (!c.sound)
            continue;
        EXPECT_EQ(ReadWav(wav), IndexRamp(0, 10 * kSampleRate));
        if (c.interval > 0)
            continue;
        m_now += 60;
        EXPECT_EQ(m_session.GetElapsed(), 10);
        m_session.StartStop(true); // Enable again
        m_now += 9;
        EXPECT_FALSE(m_session.CheckTimeLimit());
        EXPECT_EQ(m_session.GetElapsed(), 19);
        m_session.StartStop(false);
        m_now += 5;
        m_session.StartStop(true);
        m_now += 1;
        EXPECT_EQ(m_session.GetElapsed(), 20);
        EXPECT_FALSE(m_session.CheckTimeLimit());
    }
}

// The folder of the capture disappears: the rollover fails. The part stops
// counting as recording, the user hears of it once, Enable does not revive
// it and the next capture does not start by itself. A disk that refuses
// the data ends the part the same way.
TEST_F(CaptureSession, AFailedRolloverOrWriteStopsTheSoundPartAndIsReportedOnce) {
    const std::string folder = Path("gone");
    std::filesystem::create_directory(folder);
    const std::string log = Path("log.txt");
    ASSERT_TRUE(m_session.OpenLog(log));
    RecordSound(folder + "/r#.wav", 4096);
    WriteFrames(512);
    std::filesystem::remove_all(folder);
    const STraceMark trace;
    for (int i = 0; i < 5; ++i)
        WriteFrames(1024);

    EXPECT_EQ(m_session.GetCaptureFlags(), 0);
    EXPECT_EQ(m_session.GetOpenFlags(), 0);
    EXPECT_EQ(m_messages.Texts().size(), 1u);
    const std::string failure = "Couldn't create WAV file " + folder + "/r1.wav";
    EXPECT_EQ(trace.Count(failure), 1);
    const std::string text = ReadText(log);
    EXPECT_NE(text.find(failure), std::string::npos);
    EXPECT_EQ(text.find(failure), text.rfind(failure));

    m_session.StartStop(m_session.GetCaptureFlags() == 0); // Enable
    EXPECT_EQ(m_session.GetCaptureFlags(), 0);
    m_session.CloseSession();
    m_session.SetFileName(CCaptureSession::kAudio, Path("next.wav"));
    ASSERT_TRUE(m_session.OpenAudio());
    EXPECT_EQ(m_session.GetCaptureFlags(), 0); // paused until Enable

    RecordSound("/dev/full");
    for (int i = 0; i < 100; ++i) // past the first commit, where the disk refuses
        WriteFrames(1024);
    EXPECT_EQ(m_session.GetCaptureFlags(), 0);
    EXPECT_EQ(m_messages.Texts().size(), 2u);
}

// The video writer as the session sees it: 1000 bytes a frame. Like the
// real one, Create empties the file it is given; it can fail at a step.
struct CFakeVideoWriter : IVideoWriter {
    enum EStep { kNone, kCreate, kChoose, kStream };
    explicit CFakeVideoWriter(EStep failAt = kNone) : m_failAt(failAt) {}
    bool SetFormat(const SBitmapInfoHeader&, std::int32_t) override { return true; }
    bool Create(const std::string& name) override {
        return (std::ofstream(name) << "new video").good() && m_failAt != kCreate;
    }
    bool ChooseCompression(SCompressOptions& options) override {
        options.codec = "mjpeg";
        return m_failAt != kChoose; // the dialog cancelled
    }
    bool MakeCompressedStream(const SCompressOptions& options) override {
        return options.codec == "mjpeg" && m_failAt != kStream;
    }
    bool WriteFrame(const std::uint8_t*) override { return ++m_nFrames, true; }
    bool Release() override { return true; }
    std::int32_t GetError() const override { return 0; }
    std::int32_t GetFrameIndex() const override { return m_nFrames; }
    std::int64_t GetBytesWritten() const override { return 1000 * m_nFrames; }
    EStep m_failAt;
    std::int32_t m_nFrames = 0;
};

// The folder's files by name, each with its bytes.
std::map<std::string, std::string> Files(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        files[entry.path().filename().string()] = ReadText(entry.path().string());
    return files;
}

// A file already at the target survives, byte for byte, every set-up that
// fails or is cancelled; only a set-up that made its stream replaces it.
// Nothing else is left in the folder.
TEST_F(CaptureSession, AFailedOrCancelledVideoSetUpLeavesAnExistingFileAsItWas) {
    using enum CFakeVideoWriter::EStep;
    SBitmapInfoHeader header;
    const struct {
        const char* what;
        bool factory;
        CFakeVideoWriter::EStep failAt;
        int stepsPassed; // of Open, ChooseCompression, MakeCompressedStream
    } cases[] = {
        {"no writer", false, kNone, 0},
        {"Create fails", true, kCreate, 0},
        {"compression dialog cancelled", true, kChoose, 1},
        {"stream fails", true, kStream, 2},
        {"set up", true, kNone, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const CTempDir dir;
        const std::string target = dir.Path() + "/v.avi";
        const std::map<std::string, std::string> before = {{"v.avi", "an earlier take"},
                                                           {"v1.avi", "the take after it"}};
        for (const auto& [name, bytes] : before)
            std::ofstream(dir.Path() + "/" + name) << bytes;
        SetVideoWriterFactory([&c]() -> std::unique_ptr<IVideoWriter> {
            return c.factory ? std::make_unique<CFakeVideoWriter>(c.failAt) : nullptr;
        });
        m_session.SetFileName(CCaptureSession::kScreen, target);
        const int steps = !m_session.InitScreen(&header, 30, kCaptureAvi) ? 0
                          : !m_session.ChooseCompression()                ? 1
                          : !m_session.MakeCompressedStream()             ? 2
                                                                          : 3;
        EXPECT_EQ(steps, c.stepsPassed);
        std::map<std::string, std::string> after = before;
        if (steps == 3)
            after["v.avi"] = "new video";
        m_session.CloseSession();
        EXPECT_EQ(Files(dir.Path()), after);
    }
    SetVideoWriterFactory(nullptr);
}

// Against a limit of 2500: a new file every three frames, under a derived
// name, with the compression chosen at set-up. When no new file can be
// made, the screen part stops and a file already under that name survives.
TEST_F(CaptureSession, VideoRollsOverWithTheChosenCompressionAndStopsWhenItCannot) {
    SetVideoWriterFactory([] { return std::make_unique<CFakeVideoWriter>(); });
    const std::uint8_t dib[40] = {};
    const std::string log = Path("log.txt");
    ASSERT_TRUE(m_session.OpenLog(log));
    RecordVideo(Path("v.avi"), 2500);
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(m_session.WriteAviFrame(dib)) << i;
    // The next file's stream fails; a take already under its name stays.
    std::ofstream(Path("v2.avi")) << "the take after it";
    SetVideoWriterFactory(
        [] { return std::make_unique<CFakeVideoWriter>(CFakeVideoWriter::kStream); });
    EXPECT_FALSE(m_session.WriteAviFrame(dib)); // the sixth frame fills v1.avi
    SetVideoWriterFactory(nullptr);
    EXPECT_EQ(m_session.GetCaptureFlags(), 0);
    EXPECT_TRUE(m_session.WriteAviFrame(dib)); // stopped: nothing more to write
    EXPECT_TRUE(m_messages.Texts().empty());   // the screenshot thread shows it

    EXPECT_TRUE(std::filesystem::exists(Path("v1.avi"))); // not v.avi again
    EXPECT_EQ(ReadText(Path("v2.avi")), "the take after it");
    EXPECT_NE(ReadText(log).find("Couldn't create AVI file " + Path("v2.avi")), std::string::npos);
}

// The view publishes the recording bits on every tick: a switch to the next
// file that looked like a stop would make the input thread skip the sound,
// or the screenshot thread the frames, until the next tick, without a
// trace. The log reads the clock for each line, in the middle of each
// switch: what the clock sees there is what a tick would publish.
TEST_F(CaptureSession, EachPartCountsAsRecordingThroughoutEachRollover) {
    SetVideoWriterFactory([] { return std::make_unique<CFakeVideoWriter>(); });
    const std::uint8_t dib[40] = {};
    const struct {
        const char* what;
        std::int32_t flag;
        std::function<void()> record, write;
        const char* lastFile;
    } cases[] = {
        {"sound", kCaptureSound, [&] { RecordSound(Path("r#.wav"), 10000); },
         [&] { WriteFrames(1024); }, "r2.wav"},
        {"screen", kCaptureScreen, [&] { RecordVideo(Path("v#.avi"), 2500); },
         [&] { m_session.WriteAviFrame(dib); }, "v2.avi"},
    };
    std::vector<std::int32_t> seen;
    std::atomic<bool> watching{false};
    m_session.SetClock([&] {
        if (watching)
            seen.push_back(m_session.GetCaptureFlags());
        return m_now.load();
    });
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        seen.clear();
        ASSERT_TRUE(m_session.OpenLog(Path("log.txt")));
        c.record();
        watching = true;
        for (int i = 0; i < 7; ++i)
            c.write();
        watching = false;
        m_session.CloseSession();

        EXPECT_TRUE(std::filesystem::exists(Path(c.lastFile)));
        EXPECT_GE(seen.size(), 4u); // two closes and the starts beside them
        EXPECT_EQ(seen, std::vector<std::int32_t>(seen.size(), c.flag));
    }
    m_session.SetClock([this] { return m_now.load(); }); // seen dies first
    SetVideoWriterFactory(nullptr);
}

// The three threads at once, as they meet in the program: the input thread
// writing sound, the screenshot thread writing frames, the user-interface
// thread pausing, resuming, closing and setting up again.
TEST_F(CaptureSession, CloseAndEnableWhileBothPartsWriteAreSafe) {
    const auto setUp = [&] {
        ASSERT_TRUE(m_session.OpenLog(Path("log.txt")));
        m_session.SetFileName(CCaptureSession::kAudio, Path("s#.wav"));
        m_session.SetFileName(CCaptureSession::kScreen, Path("p#.bmp"));
        m_session.SetSizeLimit(CCaptureSession::kAudio, 20000);
        m_session.SetInterval(0);
        ASSERT_TRUE(m_session.OpenAudio());
        ASSERT_TRUE(m_session.InitScreen(&m_dibHeader, 1, kCaptureBmp));
    };
    setUp();
    std::atomic<bool> stop{false};
    std::thread input([&] {
        const Samples s = IndexRamp(0, 1024);
        for (std::uint32_t written = 0; !stop; std::this_thread::sleep_for(100us))
            if (m_session.GetCaptureFlags() & kCaptureSound)
                m_session.WriteAudio(4096, s.data(), &written);
    });
    std::thread screenshot([&] {
        for (; !stop; std::this_thread::sleep_for(1ms))
            if (m_session.IsDue(CCaptureSession::kScreen))
                m_session.WriteBmpFrame(m_dib.data(), m_bmpHeader);
    });
    for (int i = 0; i < 200; ++i) {
        m_session.StartStop(true);
        m_session.UpdateElapsed();
        std::this_thread::yield();
        m_session.StartStop(false);
        if (i % 20 == 19) {
            m_session.CloseSession();
            setUp();
        }
    }
    stop = true;
    input.join();
    screenshot.join();
    m_session.CloseSession();
    EXPECT_TRUE(m_messages.Texts().empty());
}

} // namespace
