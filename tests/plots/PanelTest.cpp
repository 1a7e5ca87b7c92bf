#include "plots/Panel.h"

#include "FakeRasterizer.h"
#include "GlFixture.h"
#include "plots/FontList.h"

namespace {

// A panel whose Layout sets a fixed frame below (x, y).
class CBoxPanel : public CPanel {
public:
    CSize Layout(std::int32_t x, std::int32_t y) override {
        m_ptOrigin = {x, y};
        m_rcFrame = {x, y, x + 100, y - 60};
        m_size = {m_rcFrame.right - m_rcFrame.left, m_rcFrame.top - m_rcFrame.bottom};
        return m_size;
    }
};

class Panel : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        // back dark blue, fore white, border red
        m_panel.SetColours(0, 0, 0.5f, 1, 1, 1, 1, 0, 0);
    }
    CBoxPanel m_panel;
};

TEST(PanelBase, StartsEmptyAndKeepsWhatTheSettersGive) {
    CPanel panel;
    EXPECT_EQ(panel.Layout(5, 6), (CSize{0, 0}));
    EXPECT_EQ(panel.GetOrigin(), (CPoint{0, 0}));
    EXPECT_EQ(panel.GetFrame(), (CRect{0, 0, 0, 0}));
    EXPECT_EQ(panel.GetRunState(), nullptr);
    EXPECT_EQ(panel.GetTitleFont(), 0);
    EXPECT_TRUE(panel.GetTitle().empty());

    CRunState store;
    panel.SetRunState(&store);
    panel.SetFonts(1200, 1000);
    panel.SetColours(0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.8f, 0.9f);
    EXPECT_EQ(panel.GetRunState(), &store);
    EXPECT_EQ(panel.GetTitleFont(), 1200);
    EXPECT_EQ(panel.GetLabelFont(), 1000);
    EXPECT_EQ(panel.GetBackColour().b, 0.3f);
    EXPECT_EQ(panel.GetForeColour().r, 0.4f);
    EXPECT_EQ(panel.GetBorderColour().g, 0.8f);
}

TEST_F(Panel, FrameIsForegroundOnTheRectangleWithTheBorderJustOutside) {
    UsePixelCentres();
    m_panel.DrawFrame(40, 120, 140, 60);
    const auto f = Frame();
    // Left and right sides at mid height, top and bottom at mid width.
    EXPECT_TRUE(Near(At(f, 40, 90), 1, 1, 1));
    EXPECT_TRUE(Near(At(f, 39, 90), 1, 0, 0));
    EXPECT_FALSE(Lit(f, 41, 90));
    EXPECT_FALSE(Lit(f, 38, 90));
    EXPECT_TRUE(Near(At(f, 140, 90), 1, 1, 1));
    EXPECT_TRUE(Near(At(f, 141, 90), 1, 0, 0));
    EXPECT_TRUE(Near(At(f, 90, 120), 1, 1, 1));
    EXPECT_TRUE(Near(At(f, 90, 121), 1, 0, 0));
    EXPECT_TRUE(Near(At(f, 90, 60), 1, 1, 1));
    EXPECT_TRUE(Near(At(f, 90, 59), 1, 0, 0));
}

TEST_F(Panel, BackgroundFillsTheFrameThenOutlinesIt) {
    m_panel.Layout(30, 150);
    m_panel.DrawBackground();
    const auto f = Frame();
    EXPECT_TRUE(Near(At(f, 80, 120), 0, 0, 0.5f));
    EXPECT_FALSE(Lit(f, 80, 160));
    EXPECT_FALSE(Lit(f, 80, 80));
    // The outline is on the frame's edge rows and columns (within a pixel of
    // the corner-aligned coordinates), in front of the fill.
    bool foreOnLeftEdge = false;
    for (int x = 29; x <= 31; ++x)
        foreOnLeftEdge |= static_cast<bool>(Near(At(f, x, 120), 1, 1, 1));
    EXPECT_TRUE(foreOnLeftEdge);
}

TEST_F(Panel, TitleStartsAQuarterOfHeightTimesLengthLeftOfTheAnchor) {
    CFakeRasterizer fake;
    fake.block = {1, 12, 0.0f, 0.0f, 6.0f};
    fake.descender = fake.block;
    ASSERT_TRUE(BuildFontList(fake, 1200, 12, "Arial"));
    m_panel.SetFonts(1200, 1000);
    m_panel.SetTitle("Magnitude in dB");
    m_panel.SetTitleAnchor(100, 50);
    m_panel.DrawTitle();
    const auto f = Frame();
    int left = kWidth, bottom = kHeight;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            if (Lit(f, x, y)) {
                left = std::min(left, x);
                bottom = std::min(bottom, y);
            }
    const int h = 1200 / 100, n = 15;
    EXPECT_EQ(left, 100 - (h * n) / 4);
    EXPECT_EQ(left, 55);
    EXPECT_EQ(bottom, 50);
    EXPECT_TRUE(Near(At(f, left, bottom), 1, 1, 1)) << "in the foreground colour";
}

TEST_F(Panel, TitleOffsetRoundsTowardZero) {
    CFakeRasterizer fake;
    fake.block = {1, 10, 0.0f, 0.0f, 5.0f};
    ASSERT_TRUE(BuildFontList(fake, 1000, 10, "Arial"));
    m_panel.SetFonts(1000, 1000);
    m_panel.SetTitle("abc"); // (10 * 3) / 4 = 7
    m_panel.SetTitleAnchor(60, 20);
    m_panel.DrawTitle();
    const auto f = Frame();
    EXPECT_TRUE(Lit(f, 53, 20));
    EXPECT_FALSE(Lit(f, 52, 20));
}

} // namespace
