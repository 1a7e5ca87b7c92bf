#include <cstdlib>
#include <ctime>

#include "GlFixture.h"
#include "plots/InfoPanel.h"
#include "plots/RunStatusPanel.h"

namespace {

template <class TLines> std::string Joined(const TLines& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line + "|";
    return text;
}

TEST(InfoPanel, LinesNameTheBufferTheChannelFunctionAndTheWindow) {
    const struct {
        std::int32_t block, channel, window;
        const char* text;
    } cases[] = {
        {2048, CHANNEL_SUM, 2, "Buffer: 2048 Samples|Channels: Left + Right|Input Fn:Hann|"},
        {1024, CHANNEL_LEFT, 0, "Buffer: 1024 Samples|Channel: Left|Input Fn:Rectangular|"},
        {32768, CHANNEL_RIGHT, 9, "Buffer: 32768 Samples|Channel: Right|Input Fn:Blackman-Harris|"},
        {4096, CHANNEL_DIFFERENCE, 6,
         "Buffer: 4096 Samples|Channels: Left - Right|Input Fn:Bartlett-Hann|"},
        {4096, 7, 10, "Buffer: 4096 Samples|Channel|Input Fn:|"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Joined(CInfoPanel::Text("Vireon", "V1.0", c.block, c.channel, c.window)),
                  std::string("Vireon V1.0|") + c.text);
}

TEST(RunStatusPanel, LinesShowTheStateDateRunTimeAndRecording) {
    setenv("TZ", "UTC", 1);
    tzset();
    const std::time_t now = 1700000000; // 11/14/2023 22:13:20 UTC
    const struct {
        bool acquiring;
        std::time_t start;
        std::int32_t flags;
        std::int64_t recorded;
        const char *status, *rest;
    } cases[] = {
        {false, now - 50, 0, 0, "Stopped", "00:00:00|"},
        {true, now - 25 * 3600 - 3723, 0, 0, "Running", "02:02:03|"}, // days wrap
        {true, now, kCaptureSound, 75, "Running", "00:00:00|Capture (A):00:01:15"},
        {true, now, kCaptureScreen, 3600, "Running", "00:00:00|Capture (S):01:00:00"},
        {false, now, kCaptureScreen | kCaptureSound, 59, "Stopped",
         "00:00:00|Capture (S+A):00:00:59"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Joined(CRunStatusPanel::Text(c.acquiring, now, c.start, c.flags, c.recorded)),
                  std::string(c.status) + "|11/14/2023: 22:13:20|Run  Time  : " + c.rest + "|");
    unsetenv("TZ");
    tzset();
}

// Some pixel of the glyph band (8 rows from the baseline) right of the line's
// start has the colour.
class TextPanels : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        CFakeRasterizer fake;
        ASSERT_TRUE(BuildFontList(fake, 1200, 12, "Arial"));
        ASSERT_TRUE(BuildFontList(fake, 1000, 10, "Arial"));
    }
    static bool TextOnLine(const std::vector<std::uint8_t>& f, CPoint line, float r, float g,
                           float b) {
        for (int y = line.y; y < line.y + 8; ++y)
            for (int x = line.x; x < line.x + 60; ++x)
                if (Near(At(f, x, y), r, g, b, 1))
                    return true;
        return false;
    }
};

// The run-status background follows the acquiring state; its line 4 shows
// only while recording, in yellow.
TEST_F(TextPanels, PutTextOnEachLineOnABackgroundThatFollowsTheRun) {
    CRunState store;
    store.SetCaptureFormat(kDefaultCaptureFormat);
    store.SetRunStart(static_cast<std::int64_t>(std::time(nullptr)));
    CInfoPanel info;
    Attach(info, store, 1000, {0.3f, 0, 0.5f}, {});
    EXPECT_EQ(info.Layout(30, 150), (CSize{153, 60}));
    info.Draw();
    auto f = Frame();
    for (int k = 1; k <= 4; ++k) {
        EXPECT_EQ(info.GetLinePosition(k), (CPoint{34, 150 - 14 * k}));
        EXPECT_TRUE(TextOnLine(f, info.GetLinePosition(k), 1, 1, 1)) << "info line " << k;
    }
    EXPECT_TRUE(Near(At(f, 30 + 150, 100), 0.3f, 0, 0.5f)) << "background";

    CRunStatusPanel status;
    status.SetRunState(&store);
    status.SetFonts(1200, 1000);
    const SColour stopped{0.6f, 0, 0}, running{0.1f, 0.5f, 0};
    status.SetColours(stopped, running, {1, 1, 1}, {0, 0, 0});
    EXPECT_EQ(status.Layout(30, 150), (CSize{148, 60}));
    store.SetCaptureElapsed(75);
    for (const bool acquiring : {false, true})
        for (const std::int32_t flags : {0, kCaptureSound}) {
            SCOPED_TRACE(std::to_string(acquiring) + " flags " + std::to_string(flags));
            store.SetAcquiring(acquiring);
            store.SetCaptureFlags(flags);
            glClear(GL_COLOR_BUFFER_BIT);
            status.Draw();
            f = Frame();
            EXPECT_TRUE(Near(At(f, 30 + 145, 100), acquiring ? running : stopped));
            for (int k = 1; k <= 4; ++k)
                EXPECT_EQ(TextOnLine(f, status.GetLinePosition(k), 1, 1, k < 4 ? 1 : 0),
                          k < 4 || flags != 0)
                    << "status line " << k;
        }
}

} // namespace
