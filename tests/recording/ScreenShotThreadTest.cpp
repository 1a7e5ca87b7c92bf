// SPDX-License-Identifier: GPL-3.0-or-later
// The screenshot thread against a store of its own: what a snapshot turns
// into (clipboard, frame, nothing), how often a failing write is reported,
// and its thread protocol.
#include "recording/ScreenShotThread.h"

#include "RecordingTestSupport.h"
#include "base/RunState.h"
#include "recording/ImageClipboard.h"

namespace {

using namespace rectest;

// The fixture is also the clipboard, counting what is posted to it.
class ScreenShotThreadTest : public ::testing::Test, IImageClipboard {
protected:
    void SetUp() override {
        m_store.SetScreenDib(m_dib.data(), static_cast<std::uint32_t>(m_dib.size()));
        m_store.SetScreenshotThreadState(kThreadRun);
        m_store.SetCaptureFlags(kCaptureScreen);
        m_store.SetCaptureType(1);
        const SScreenShotParams params{
            &m_store,
            [this] { return m_bDue.load(); },
            [this](const std::uint8_t*) { return ++m_nAviWrites, m_bWritesWork.load(); },
            [this](const std::uint8_t*, const SBmpFileHeader&) {
                return ++m_nBmpWrites, m_bWritesWork.load();
            },
            this,
            1ms};
        m_thread = std::thread([params] { ScreenShotThread(params); });
    }
    void TearDown() override {
        m_store.SetScreenshotThreadState(kThreadStopRequested);
        m_thread.join();
        EXPECT_EQ(m_store.GetScreenshotThreadState(), kThreadNotRunning);
    }
    bool PostDib(const std::uint8_t*, std::size_t) override { return ++m_nPosts, true; }

    // Hands one snapshot over and waits until the thread has consumed it.
    void Snapshot() {
        m_store.SetScreenshotReady(true);
        EXPECT_TRUE(Eventually([&] { return !m_store.GetScreenshotReady(); }));
    }

    CRunState m_store;
    std::vector<std::uint8_t> m_dib = std::vector<std::uint8_t>(40 + 48, 0);
    CMessageLog m_messages;
    std::atomic<bool> m_bDue{true}, m_bWritesWork{true};
    std::atomic<int> m_nAviWrites{0}, m_nBmpWrites{0}, m_nPosts{0};
    std::thread m_thread;
};

} // namespace

TEST_F(ScreenShotThreadTest, CopyGoesToTheClipboardOnlyAndAFrameToItsFileKind) {
    m_store.SetClipboardCopy(true);
    Snapshot();
    EXPECT_EQ(m_nPosts.load(), 1);
    EXPECT_FALSE(m_store.GetClipboardCopy());
    EXPECT_EQ(m_nBmpWrites.load(), 0);

    Snapshot(); // the capture frame follows with the next snapshot
    EXPECT_EQ(m_nBmpWrites.load(), 1);
    m_store.SetCaptureType(0);
    Snapshot();
    EXPECT_EQ(m_nAviWrites.load(), 1);

    m_bDue = false; // nothing wants it: dropped
    Snapshot();
    EXPECT_EQ(m_nAviWrites.load() + m_nBmpWrites.load() + m_nPosts.load(), 3);
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
    // A snapshot nothing wants, handed over while it is stopped, proves the
    // thread has seen the stop (a fixed sleep would not on a busy machine).
    m_store.SetCaptureFlags(0);
    m_bDue = false;
    Snapshot();
    m_bDue = true;
    m_store.SetCaptureFlags(kCaptureScreen);
    Snapshot();
    Snapshot();
    EXPECT_EQ(m_messages.Texts().size(), 2u);
}
