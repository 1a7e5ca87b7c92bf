// SPDX-License-Identifier: GPL-3.0-or-later
#include "plots/FontList.h"

#include <array>

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

// Text is drawn as textured quads rather than through the font's lists: for
// every printable character, a code past the font, raster positions on pixel
// corners and centres and a hair short of corners (glBitmap rounds them up), a text running out of
// a small viewport (bitmaps are not clipped by it) and with the depth test on (bitmaps take the
// raster position's depth), it must light what the lists light, in the same colour, and leave the
// raster position where they leave it.
TEST_F(FontList, TextDrawsExactlyWhatTheDisplayListsDraw) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int argc = 1;
    char name[] = "plots_tests";
    char* argv[] = {name, nullptr};
    QGuiApplication app(argc, argv);
    CGlyphRasterizer rasterizer;
    // Bases whose 255 lists meet no other font's, so that code 255 has no
    // list either.
    ASSERT_TRUE(BuildFontList(rasterizer, 1400, 14, "Arial"));
    ASSERT_TRUE(BuildFontList(rasterizer, 2400, 24, "Courier Bold Italic"));
    std::string text;
    for (int code = 32; code < 127; ++code)
        text += static_cast<char>(code);
    text += "\xe9\xff";
    const struct {
        const char* what;
        double shift;
        int viewport, x, y;
        bool depth;
        double nearZ;
    } cases[] = {{"on pixel corners", 0.0, kWidth, 3, 100, false, -1},
                 {"on pixel centres", 0.5, kWidth, 7, 60, false, -1},
                 {"just short of pixel corners", -0.00005, kWidth, 9, 140, false, -1},
                 {"out of a small viewport", 0.0, 96, 40, 70, false, -1},
                 {"with the depth test at depth 0", 0.0, kWidth, 5, 20, true, 0},
                 {"with the depth test at depth 0.5", 0.0, kWidth, 5, 20, true, -1}};
    const auto rasterPosition = [] {
        std::array<GLfloat, 4> pos{};
        glGetFloatv(GL_CURRENT_RASTER_POSITION, pos.data());
        return pos;
    };
    glColor3f(1, 0.5f, 0.25f);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 8);
    glPixelStorei(GL_UNPACK_LSB_FIRST, GL_TRUE);
    for (const auto& c : cases) {
        glViewport(0, 0, c.viewport, c.viewport);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-c.shift, c.viewport - c.shift, -c.shift, c.viewport - c.shift, c.nearZ, 1);
        glMatrixMode(GL_MODELVIEW);
        if (c.depth) {
            glEnable(GL_DEPTH_TEST);
            glDepthFunc(GL_LESS);
        }
        // Half the frame nearer than depth 0.5, so that the depth test
        // hides what a wrong depth would show.
        const auto clear = [&] {
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            if (!c.depth)
                return;
            glDepthFunc(GL_ALWAYS);
            glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
            glBegin(GL_QUADS);
            glVertex3d(0, 0, -0.5);
            glVertex3d(kWidth / 2, 0, -0.5);
            glVertex3d(kWidth / 2, kHeight, -0.5);
            glVertex3d(0, kHeight, -0.5);
            glEnd();
            glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
            glDepthFunc(GL_LESS);
        };
        for (const int base : {1400, 2400})
            for (std::size_t from = 0; from < text.size(); from += 24) {
                SCOPED_TRACE(testing::Message()
                             << c.what << ", font " << base << ", from " << from);
                const std::string part = text.substr(from, 24);
                clear();
                DrawText(base, c.x, c.y, part);
                const auto drawn = Frame();
                const auto drawnEnd = rasterPosition();
                clear();
                glRasterPos2i(c.x, c.y);
                glListBase(static_cast<GLuint>(base));
                glCallLists(static_cast<GLsizei>(part.size()), GL_UNSIGNED_BYTE, part.data());
                EXPECT_TRUE(drawn == Frame());
                EXPECT_EQ(drawnEnd, rasterPosition());
                GLint alignment = 0;
                glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
                EXPECT_EQ(alignment, 8) << "the pixel store is left as it was";
                EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D) || glIsEnabled(GL_ALPHA_TEST));
            }
        glDisable(GL_DEPTH_TEST);
    }
    glViewport(0, 0, kWidth, kHeight);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
}

} // namespace
