// The screenshot thread against a store of its own: what a snapshot turns
// into (clipboard, frame, nothing), how often a failing write is reported,
// and its thread protocol.
#include "recording/ScreenShotThread.h"
#include "RecordingTestSupport.h"
#include "base/RunState.h"
#include "recording/ImageClipboard.h"

namespace {

using namespace rectest;

class CCountingClipboard : public IImageClipboard {
public:
    bool PostDib(const std::uint8_t*, std::size_t size) override {
        m_nSize = size;
        ++m_nPosts;
        return true;
    }
    std::atomic<int> m_nPosts{0};
    std::atomic<std::size_t> m_nSize{0};
};

class ScreenShotThreadTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_store.SetScreenDib(m_dib.data(), static_cast<std::uint32_t>(m_dib.size()));
        m_store.SetScreenshotThreadState(kThreadRun);
        m_store.SetCaptureFlags(kCaptureScreen);
        m_store.SetCaptureType(1);
        SScreenShotParams params;
        params.pRunState = &m_store;
        params.isDue = [this] { return m_bDue.load(); };
        params.writeAviFrame = [this](const std::uint8_t*) {
            ++m_nAviWrites;
            return m_bWritesWork.load();
        };
        params.writeBmpFrame = [this](const std::uint8_t*, const SBmpFileHeader& header) {
            m_nFileSize = header.bfSize;
            ++m_nBmpWrites;
            return m_bWritesWork.load();
        };
        params.pClipboard = &m_clipboard;
        params.poll = 1ms;
        m_thread = std::thread([params] { ScreenShotThread(params); });
    }
    void TearDown() override {
        m_store.SetScreenshotThreadState(kThreadStopRequested);
        m_thread.join();
        EXPECT_EQ(m_store.GetScreenshotThreadState(), kThreadNotRunning);
    }

    // Hands one snapshot over and waits until the thread has consumed it.
    void Snapshot() {
        m_store.SetScreenshotReady(true);
        while (m_store.GetScreenshotReady())
            std::this_thread::sleep_for(1ms);
    }

    CRunState m_store;
    std::vector<std::uint8_t> m_dib = std::vector<std::uint8_t>(40 + 48, 0);
    CMessageLog m_messages;
    CCountingClipboard m_clipboard;
    std::atomic<bool> m_bDue{true};
    std::atomic<bool> m_bWritesWork{true};
    std::atomic<int> m_nAviWrites{0};
    std::atomic<int> m_nBmpWrites{0};
    std::atomic<std::uint32_t> m_nFileSize{0};
    std::thread m_thread;
};

} // namespace

TEST_F(ScreenShotThreadTest, CopyGoesToTheClipboardOnlyAndAFrameToItsFileKind) {
    m_store.SetClipboardCopy(true);
    Snapshot();
    EXPECT_EQ(m_clipboard.m_nPosts.load(), 1);
    EXPECT_EQ(m_clipboard.m_nSize.load(), m_dib.size());
    EXPECT_FALSE(m_store.GetClipboardCopy());
    EXPECT_EQ(m_nBmpWrites.load(), 0);

    Snapshot(); // the capture frame follows with the next snapshot
    EXPECT_EQ(m_nBmpWrites.load(), 1);
    EXPECT_EQ(m_nFileSize.load(), m_dib.size() + 14);
    m_store.SetCaptureType(0);
    Snapshot();
    EXPECT_EQ(m_nAviWrites.load(), 1);

    m_bDue = false; // nothing wants it: dropped
    Snapshot();
    EXPECT_EQ(m_nAviWrites.load() + m_nBmpWrites.load(), 2);
    EXPECT_EQ(m_clipboard.m_nPosts.load(), 1);
    EXPECT_TRUE(m_messages.Texts().empty());
}

TEST_F(ScreenShotThreadTest, FailingWritesAreReportedOncePerCapture) {
    m_bWritesWork = false;
    for (int i = 0; i < 5; ++i)
        Snapshot();
    EXPECT_EQ(m_nBmpWrites.load(), 5);
    EXPECT_EQ(m_messages.Texts(), std::vector<std::string>{"Screen Capture Error"});

    // The screen part stopped (the session closed it); the next capture
    // that fails is reported again.
    m_store.SetCaptureFlags(0);
    std::this_thread::sleep_for(20ms);
    m_store.SetCaptureFlags(kCaptureScreen);
    Snapshot();
    Snapshot();
    EXPECT_EQ(m_messages.Texts().size(), 2u);
}
