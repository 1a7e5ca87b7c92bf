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

// Text is drawn with the glBitmap calls of the font's display lists rather
// than through them: every printable character, a code past the font and a
// pixel store that is not the default must give what the lists give.
TEST_F(FontList, TextDrawsExactlyWhatTheDisplayListsDraw) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int argc = 1;
    char name[] = "plots_tests";
    char* argv[] = {name, nullptr};
    QGuiApplication app(argc, argv);
    CGlyphRasterizer rasterizer;
    ASSERT_TRUE(BuildFontList(rasterizer, 1000, 10, "Arial"));
    ASSERT_TRUE(BuildFontList(rasterizer, 2400, 24, "Courier Bold Italic"));
    std::string text;
    for (int code = 32; code < 127; ++code)
        text += static_cast<char>(code);
    text += "\xe9\xff";
    glColor3f(1, 0.5f, 0.25f);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 8);
    glPixelStorei(GL_UNPACK_LSB_FIRST, GL_TRUE);
    for (const int base : {1000, 2400}) {
        for (std::size_t from = 0; from < text.size(); from += 24) {
            SCOPED_TRACE(testing::Message() << "font " << base << ", from " << from);
            const std::string part = text.substr(from, 24);
            glClear(GL_COLOR_BUFFER_BIT);
            DrawText(base, 3, 100, part);
            const auto drawn = Frame();
            glClear(GL_COLOR_BUFFER_BIT);
            glRasterPos2i(3, 100);
            glListBase(static_cast<GLuint>(base));
            glCallLists(static_cast<GLsizei>(part.size()), GL_UNSIGNED_BYTE, part.data());
            EXPECT_TRUE(drawn == Frame());
            GLint alignment = 0;
            glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
            EXPECT_EQ(alignment, 8) << "the pixel store is left as it was";
        }
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
}

} // namespace
