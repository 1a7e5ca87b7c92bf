#include "plots/FontList.h"

#include <QtGui/QGuiApplication>

#include <memory>

#include "FakeRasterizer.h"
#include "GlFixture.h"
#include "platform/GlyphRasterizer.h"
#include "plots/Primitives.h"

namespace {

struct SBox {
    int left = 1 << 30, bottom = 1 << 30, right = -1, top = -1;
    bool Empty() const { return right < 0; }
};

SBox LitBox(const std::vector<std::uint8_t>& f, int x0 = 0, int x1 = GlTest::kWidth) {
    SBox box;
    for (int y = 0; y < GlTest::kHeight; ++y)
        for (int x = x0; x < x1; ++x) {
            const std::size_t i =
                (static_cast<std::size_t>(y) * GlTest::kWidth + static_cast<std::size_t>(x)) * 4;
            if (f[i] + f[i + 1] + f[i + 2] == 0)
                continue;
            box.left = std::min(box.left, x);
            box.right = std::max(box.right, x);
            box.bottom = std::min(box.bottom, y);
            box.top = std::max(box.top, y);
        }
    return box;
}

class FontList : public GlTest {
protected:
    static constexpr int kBase = 1200;
    void SetUp() override {
        GlTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        ASSERT_TRUE(BuildFontList(m_fake, kBase, kBase / 100, "Arial"));
        glColor3f(1, 1, 1);
    }
    CFakeRasterizer m_fake;
};

TEST_F(FontList, BuildAsksTheRasteriserForTheFaceAtTheFontHeight) {
    EXPECT_EQ(m_fake.calls, 1);
    EXPECT_EQ(m_fake.lastFace, "Arial");
    EXPECT_EQ(m_fake.lastHeight, 12);
    for (int code = 0; code < 255; ++code)
        EXPECT_TRUE(glIsList(static_cast<GLuint>(kBase + code))) << code;
    EXPECT_FALSE(glIsList(kBase + 255));
}

TEST_F(FontList, GlyphSitsOnTheBaselineAfterItsLeftBearing) {
    DrawText(kBase, 20, 30, "H");
    const SBox box = LitBox(Frame());
    EXPECT_EQ(box.left, 21);
    EXPECT_EQ(box.right, 25);
    EXPECT_EQ(box.bottom, 30);
    EXPECT_EQ(box.top, 37);
}

TEST_F(FontList, DescenderReachesBelowTheBaseline) {
    DrawText(kBase, 20, 30, "g");
    const SBox box = LitBox(Frame());
    EXPECT_EQ(box.bottom, 27);
    EXPECT_EQ(box.top, 36);
}

TEST_F(FontList, EmptySpaceGlyphStillAdvancesThePen) {
    DrawText(kBase, 20, 30, "H H");
    // Second H after one advance of 7 and the space's 4.
    const SBox second = LitBox(Frame(), 27, kWidth);
    EXPECT_EQ(second.left, 20 + 7 + 4 + 1);
    EXPECT_EQ(second.right, 20 + 7 + 4 + 5);

    glClear(GL_COLOR_BUFFER_BIT);
    DrawText(kBase, 20, 30, "   H");
    EXPECT_EQ(LitBox(Frame()).left, 20 + 3 * 4 + 1);
}

TEST_F(FontList, TextUsesTheCurrentColourAndTheRequestedListBase) {
    CFakeRasterizer other;
    other.block = {3, 3, 0.0f, 0.0f, 4.0f};
    ASSERT_TRUE(BuildFontList(other, 2400, 24, "Courier Bold Italic"));
    glColor3f(1, 0, 0);
    DrawText(2400, 50, 50, "A");
    const auto f = Frame();
    const SBox box = LitBox(f);
    EXPECT_EQ(box.right - box.left + 1, 3);
    EXPECT_TRUE(Near(At(f, box.left, box.bottom), 1, 0, 0));
}

// The real glyphs from Qt, rasterised without a display server.
class QtFontList : public GlTest {
protected:
    static void SetUpTestSuite() {
        GlTest::SetUpTestSuite();
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "plots_tests";
        static char* argv[] = {name, nullptr};
        s_app = std::make_unique<QGuiApplication>(argc, argv);
    }
    static void TearDownTestSuite() {
        s_app.reset();
        GlTest::TearDownTestSuite();
    }
    static inline std::unique_ptr<QGuiApplication> s_app;
};

TEST_F(QtFontList, TwelvePixelFontStandsOnTheBaselineWithinItsHeight) {
    CGlyphRasterizer rasterizer;
    ASSERT_TRUE(BuildFontList(rasterizer, 1200, 12, "Arial"));
    glColor3f(1, 1, 1);
    const int x = 20, y = 40;
    DrawText(1200, x, y, "H");
    const SBox h = LitBox(Frame());
    ASSERT_FALSE(h.Empty());
    EXPECT_EQ(h.bottom, y) << "H has no descender";
    EXPECT_GE(h.top - h.bottom + 1, 7) << "cap height of a 12-pixel font";
    EXPECT_LT(h.top, y + 12);
    EXPECT_GE(h.left, x);

    glClear(GL_COLOR_BUFFER_BIT);
    DrawText(1200, x, y, "g");
    const SBox g = LitBox(Frame());
    EXPECT_LT(g.bottom, y);

    // "H H" is wider than "HH" by the space's advance.
    glClear(GL_COLOR_BUFFER_BIT);
    DrawText(1200, x, y, "HH");
    const SBox tight = LitBox(Frame());
    glClear(GL_COLOR_BUFFER_BIT);
    DrawText(1200, x, y, "H H");
    const SBox spaced = LitBox(Frame());
    EXPECT_GE(spaced.right - tight.right, 2);
}

// Needs no OpenGL: only Qt's offscreen platform.
TEST(GlyphRasterizer, GivesPrintableGlyphsAndEmptyControlCodes) {
    std::unique_ptr<QGuiApplication> app;
    if (QGuiApplication::instance() == nullptr) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "plots_tests";
        static char* argv[] = {name, nullptr};
        app = std::make_unique<QGuiApplication>(argc, argv);
    }
    CGlyphRasterizer rasterizer;
    std::vector<SGlyphBitmap> glyphs;
    ASSERT_TRUE(rasterizer.Rasterize("Arial", 14, glyphs));
    ASSERT_EQ(glyphs.size(), 255u);
    EXPECT_EQ(glyphs[0].width, 0);
    EXPECT_EQ(glyphs['\n'].advance, 0.0f);
    EXPECT_EQ(glyphs[' '].width, 0);
    EXPECT_GT(glyphs[' '].advance, 0.0f);
    for (int code : {int{'A'}, int{'W'}, int{'0'}, 0xE9}) {
        const SGlyphBitmap& g = glyphs[static_cast<std::size_t>(code)];
        EXPECT_GT(g.width, 0) << code;
        EXPECT_GT(g.advance, 0.0f) << code;
        EXPECT_EQ(g.bits.size(), static_cast<std::size_t>((g.width + 7) / 8 * g.height)) << code;
    }
    // 'W' is wider than 'i'; the height limits the glyphs.
    EXPECT_GT(glyphs['W'].width, glyphs['i'].width);
    EXPECT_LE(glyphs['A'].height, 14);
}

} // namespace
