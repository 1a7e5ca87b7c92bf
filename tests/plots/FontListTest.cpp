// SPDX-License-Identifier: GPL-3.0-or-later
#include "plots/FontList.h"

#include <QtGui/QGuiApplication>

#include "GlFixture.h"
#include "platform/GlyphRasterizer.h"
#include "plots/Primitives.h"

namespace {

class FontList : public GlTest {};

// Mesa records no glBitmap with a null pointer, so an empty space glyph
// once stopped advancing the pen.
TEST_F(FontList, GlyphsSitOnTheBaselineAfterTheirBearingAndSpacesAdvance) {
    CFakeRasterizer fake;
    ASSERT_TRUE(BuildFontList(fake, 1200, 12, "Arial"));
    glColor3f(1, 1, 1);
    const int x = 20, y = 30;
    const int advance = static_cast<int>(fake.block.advance);
    const int space = static_cast<int>(fake.spaceAdvance);
    struct SCase {
        const char* text;
        int pen; // where the last glyph starts
        const SGlyphBitmap& glyph;
    } const cases[] = {{"H", x, fake.block},
                       {"g", x, fake.descender},
                       {"H H", x + advance + space, fake.block},
                       {"   H", x + 3 * space, fake.block}};
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.text);
        glClear(GL_COLOR_BUFFER_BIT);
        DrawText(1200, x, y, c.text);
        const SBox box = LitBox(Frame(), c.pen);
        EXPECT_EQ(box.left, c.pen - static_cast<int>(c.glyph.originX));
        EXPECT_EQ(box.right, box.left + c.glyph.width - 1);
        EXPECT_EQ(box.bottom, y - static_cast<int>(c.glyph.originY));
        EXPECT_EQ(box.top, box.bottom + c.glyph.height - 1);
    }
}

// The real glyphs, rasterised by Qt without a display server.
TEST_F(FontList, TwelvePixelQtFontStandsOnTheBaselineWithinItsHeight) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int argc = 1;
    char name[] = "plots_tests";
    char* argv[] = {name, nullptr};
    QGuiApplication app(argc, argv);
    CGlyphRasterizer rasterizer;
    ASSERT_TRUE(BuildFontList(rasterizer, 1200, 12, "Arial"));
    glColor3f(1, 1, 1);
    const int x = 20, y = 40;
    const auto draw = [&](const char* text) {
        glClear(GL_COLOR_BUFFER_BIT);
        DrawText(1200, x, y, text);
        return LitBox(Frame());
    };
    const SBox h = draw("H");
    EXPECT_EQ(h.bottom, y) << "H has no descender";
    EXPECT_GE(h.top - h.bottom + 1, 7) << "cap height of a 12-pixel font";
    EXPECT_LT(h.top, y + 12);
    EXPECT_GE(h.left, x);
    EXPECT_LT(draw("g").bottom, y);
    EXPECT_GE(draw("H H").right - draw("HH").right, 2) << "the space advances";
}

} // namespace
