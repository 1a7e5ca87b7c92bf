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
// and n the title's length, in integer arithmetic: 100 - (12 * 15) / 4 = 55.
TEST_F(Panel, TitleStartsAQuarterOfHeightTimesLengthLeftOfTheAnchor) {
    struct SCase {
        int listBase;
        const char* title;
        int x, y;
    } const cases[] = {{1200, "Magnitude in dB", 100, 50}, {1000, "abc", 60, 20}};
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.title);
        const int h = c.listBase / 100, n = static_cast<int>(std::strlen(c.title));
        CFakeRasterizer fake;
        fake.block = fake.descender = CFakeRasterizer::Solid(1, h, 0.0f, 0.0f, 6.0f);
        ASSERT_TRUE(BuildFontList(fake, c.listBase, h, "Arial"));
        glClear(GL_COLOR_BUFFER_BIT);
        m_panel.SetFonts(c.listBase, 1000);
        m_panel.SetTitle(c.title);
        m_panel.SetTitleAnchor(c.x, c.y);
        m_panel.DrawTitle();
        const auto f = Frame();
        const SBox box = LitBox(f);
        EXPECT_EQ(box.left, c.x - (h * n) / 4);
        EXPECT_EQ(box.bottom, c.y);
        EXPECT_TRUE(Near(At(f, box.left, box.bottom), 1, 1, 1)) << "in the foreground colour";
    }
}

} // namespace
