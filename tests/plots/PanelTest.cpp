#include "plots/Panel.h"

#include "GlFixture.h"
#include "plots/FontList.h"

namespace {

class Panel : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        m_panel.SetColours(0, 0, 0.5f, 1, 1, 1, 1, 0, 0); // back, fore white, border red
    }
    CPanel m_panel;
};

TEST_F(Panel, FrameIsForegroundOnTheRectangleWithTheBorderOnePixelOutside) {
    UseOrtho(0.5);
    m_panel.DrawFrame(40, 120, 140, 60);
    const auto f = Frame();
    struct SProbe {
        int x, y;
        float r, g, b;
    } const probes[] = {
        {40, 90, 1, 1, 1},  {39, 90, 1, 0, 0},  {41, 90, 0, 0, 0},  {38, 90, 0, 0, 0},
        {140, 90, 1, 1, 1}, {141, 90, 1, 0, 0}, {90, 120, 1, 1, 1}, {90, 121, 1, 0, 0},
        {90, 60, 1, 1, 1},  {90, 59, 1, 0, 0},  {90, 61, 0, 0, 0},
    };
    for (const SProbe& p : probes)
        EXPECT_TRUE(Near(At(f, p.x, p.y), p.r, p.g, p.b)) << "at " << p.x << ", " << p.y;
}

// The title starts (h * n) / 4 left of its anchor, h the font's list base / 100
// and n the title's length, in integer arithmetic: 60 - (10 * 3) / 4 = 53.
TEST_F(Panel, TitleStartsAQuarterOfHeightTimesLengthLeftOfTheAnchor) {
    CFakeRasterizer fake;
    fake.block = CFakeRasterizer::Solid(1, 10, 0.0f, 0.0f, 6.0f);
    ASSERT_TRUE(BuildFontList(fake, 1000, 10, "Arial"));
    m_panel.SetFonts(1000, 1000);
    m_panel.SetTitle("abc");
    m_panel.SetTitleAnchor(60, 20);
    m_panel.DrawTitle();
    const auto f = Frame();
    const SBox box = LitBox(f);
    EXPECT_EQ((std::pair{box.left, box.bottom}), (std::pair{60 - 30 / 4, 20}));
    EXPECT_TRUE(Near(At(f, box.left, box.bottom), 1, 1, 1)) << "in the foreground colour";
}

} // namespace
