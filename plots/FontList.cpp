// SPDX-License-Identifier: GPL-3.0-or-later
#include "plots/FontList.h"

#include <GL/gl.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>

namespace {

// All glyphs of a font in one alpha texture, each in its own cell.
struct SAtlas {
    GLuint texture = 0;
    std::int32_t width = 0; // texels, powers of two
    std::int32_t height = 0;
    std::vector<std::array<std::int32_t, 2>> cells; // bottom-left texel of each glyph
};

struct SFont {
    std::vector<SGlyphBitmap> glyphs;
    SAtlas atlas;
};

std::map<std::int32_t, SFont>& Fonts() {
    static std::map<std::int32_t, SFont> fonts;
    return fonts;
}

bool Complete(const SGlyphBitmap& g) {
    const std::size_t rowBytes = (static_cast<std::size_t>(std::max(g.width, 0)) + 7) / 8;
    return g.width > 0 && g.height > 0 &&
           g.bits.size() >= rowBytes * static_cast<std::size_t>(g.height);
}

bool Lit(const SGlyphBitmap& g, std::int32_t x, std::int32_t row) {
    const auto rowBytes = static_cast<std::size_t>((g.width + 7) / 8);
    const std::uint8_t byte =
        g.bits[static_cast<std::size_t>(row) * rowBytes + static_cast<std::size_t>(x / 8)];
    return (byte & (0x80 >> (x % 8))) != 0;
}

// One glyph's glBitmap at the raster position, exactly as its list holds it.
void DrawGlyph(const SGlyphBitmap& g) {
    // Mesa does not record a glBitmap with a null pointer in a display list,
    // so an empty glyph (the space) would not advance: point at a dummy byte.
    static const GLubyte kEmpty[4] = {0, 0, 0, 0};
    if (Complete(g))
        glBitmap(g.width, g.height, g.originX, g.originY, g.advance, 0.0f, g.bits.data());
    else
        glBitmap(0, 0, 0.0f, 0.0f, g.advance, 0.0f, kEmpty);
}

std::int32_t PowerOfTwo(std::int32_t n) {
    std::int32_t p = 1;
    while (p < n)
        p *= 2;
    return p;
}

// Glyphs in rows of cells one texel apart, so that no quad can reach a
// neighbour.
SAtlas MakeAtlas(const std::vector<SGlyphBitmap>& glyphs) {
    SAtlas atlas;
    atlas.width = 256;
    std::int32_t rowHeight = 1;
    for (const SGlyphBitmap& g : glyphs) {
        if (Complete(g)) {
            atlas.width = std::max(atlas.width, PowerOfTwo(g.width + 1));
            rowHeight = std::max(rowHeight, g.height + 1);
        }
    }
    std::int32_t x = 0, y = 0;
    for (const SGlyphBitmap& g : glyphs) {
        const std::int32_t w = Complete(g) ? g.width + 1 : 0;
        if (x + w > atlas.width) {
            x = 0;
            y += rowHeight;
        }
        atlas.cells.push_back({x, y});
        x += w;
    }
    atlas.height = PowerOfTwo(y + rowHeight);

    std::vector<GLubyte> alpha(
        static_cast<std::size_t>(atlas.width) * static_cast<std::size_t>(atlas.height), 0);
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
        const SGlyphBitmap& g = glyphs[i];
        if (!Complete(g))
            continue;
        for (std::int32_t row = 0; row < g.height; ++row)
            for (std::int32_t col = 0; col < g.width; ++col)
                if (Lit(g, col, row))
                    alpha[static_cast<std::size_t>(atlas.cells[i][1] + row) *
                              static_cast<std::size_t>(atlas.width) +
                          static_cast<std::size_t>(atlas.cells[i][0] + col)] = 255;
    }
    glGenTextures(1, &atlas.texture);
    glBindTexture(GL_TEXTURE_2D, atlas.texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    // Uploads pass through the pixel maps too when colour mapping is on.
    glPixelTransferi(GL_MAP_COLOR, GL_FALSE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA8, atlas.width, atlas.height, 0, GL_ALPHA,
                 GL_UNSIGNED_BYTE, alpha.data());
    glPopClientAttrib();
    glBindTexture(GL_TEXTURE_2D, 0);
    return atlas;
}

// The glBitmap of every glyph, as the lists would draw them.
void DrawGlyphs(const std::vector<SGlyphBitmap>& glyphs, std::string_view text) {
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_SWAP_BYTES, GL_FALSE);
    glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (const char c : text) {
        const auto code = static_cast<unsigned char>(c);
        // Like a list never built: nothing drawn, no advance.
        if (code < glyphs.size())
            DrawGlyph(glyphs[code]);
    }
    glPopClientAttrib();
}

// rasterDepth: the raster position's window depth.
bool QuadsDrawLikeBitmaps(GLfloat rasterDepth) {
    for (const GLenum capability : {GL_TEXTURE_2D, GL_ALPHA_TEST, GL_LIGHTING, GL_CULL_FACE,
                                    GL_POLYGON_OFFSET_FILL, GL_POLYGON_STIPPLE})
        if (glIsEnabled(capability))
            return false;
    // The quads are drawn at window depth 0 exactly (the 2D projection's
    // plane): bitmaps at another depth keep the depth test to themselves.
    if (glIsEnabled(GL_DEPTH_TEST) && rasterDepth != 0.0f)
        return false;
    GLint modes[2] = {};
    glGetIntegerv(GL_POLYGON_MODE, modes);
    GLfloat colour[4] = {};
    glGetFloatv(GL_CURRENT_COLOR, colour);
    return modes[0] == GL_FILL && modes[1] == GL_FILL && colour[3] > 0.0f;
}

// The glyphs as textured quads in window coordinates, with the alpha test
// keeping the lit texels only: glBitmap puts bitmap pixel (i, j) at window
// pixel (floor(x + 0.0001 - xorig) + i, floor(y + 0.0001 - yorig) + j), x and
// y the raster position (floats, advanced by each glyph), in the raster
// colour, which glRasterPos has just latched from the current colour.
void DrawQuads(const SFont& font, std::string_view text, const GLfloat* rasterPos) {
    const SAtlas& atlas = font.atlas;
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    // Bitmaps are clipped by the framebuffer only, not by the viewport.
    GLint limits[2] = {};
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, limits);
    glViewport(0, 0, limits[0], limits[1]);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    // Depth 0 at the quads' z of 0.
    glOrtho(0.0, limits[0], 0.0, limits[1], 0.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    GLint binding = 0, envMode = GL_MODULATE, alphaFunc = GL_ALWAYS;
    GLfloat alphaRef = 0.0f;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &binding);
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &envMode);
    glGetIntegerv(GL_ALPHA_TEST_FUNC, &alphaFunc);
    glGetFloatv(GL_ALPHA_TEST_REF, &alphaRef);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, atlas.texture);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.0f);

    const float sx = 1.0f / static_cast<float>(atlas.width);
    const float sy = 1.0f / static_cast<float>(atlas.height);
    float x = rasterPos[0];
    const float y = rasterPos[1];
    glBegin(GL_QUADS);
    for (const char c : text) {
        const auto code = static_cast<unsigned char>(c);
        if (code >= font.glyphs.size())
            continue;
        const SGlyphBitmap& g = font.glyphs[code];
        if (Complete(g)) {
            const float epsilon = 0.0001f;
            const auto left = static_cast<std::int32_t>(std::floor(x + epsilon - g.originX));
            const auto bottom = static_cast<std::int32_t>(std::floor(y + epsilon - g.originY));
            const auto& cell = atlas.cells[code];
            const float s0 = static_cast<float>(cell[0]) * sx;
            const float s1 = static_cast<float>(cell[0] + g.width) * sx;
            const float t0 = static_cast<float>(cell[1]) * sy;
            const float t1 = static_cast<float>(cell[1] + g.height) * sy;
            glTexCoord2f(s0, t0);
            glVertex2i(left, bottom);
            glTexCoord2f(s1, t0);
            glVertex2i(left + g.width, bottom);
            glTexCoord2f(s1, t1);
            glVertex2i(left + g.width, bottom + g.height);
            glTexCoord2f(s0, t1);
            glVertex2i(left, bottom + g.height);
        }
        x += g.advance;
    }
    glEnd();

    glAlphaFunc(static_cast<GLenum>(alphaFunc), alphaRef);
    glDisable(GL_ALPHA_TEST);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, envMode);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(binding));
    glDisable(GL_TEXTURE_2D);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);

    // The raster position moves as the lists would move it, one glyph at a
    // time: empty bitmaps draw nothing.
    static const GLubyte kEmpty[4] = {0, 0, 0, 0};
    for (const char c : text) {
        const auto code = static_cast<unsigned char>(c);
        if (code < font.glyphs.size())
            glBitmap(0, 0, 0.0f, 0.0f, font.glyphs[code].advance, 0.0f, kEmpty);
    }
}

} // namespace

bool BuildFontList(IGlyphRasterizer& rasterizer, std::int32_t listBase, int pixelHeight,
                   const std::string& face) {
    std::vector<SGlyphBitmap> glyphs;
    if (!rasterizer.Rasterize(face, pixelHeight, glyphs))
        return false;
    BuildFontList(listBase, glyphs);
    return true;
}

void BuildFontList(std::int32_t listBase, const std::vector<SGlyphBitmap>& glyphs) {
    // Lists already here: the font was built in this context before, and its
    // atlas is one of this context's textures.
    const bool rebuilt = glIsList(static_cast<GLuint>(listBase)) == GL_TRUE;
    GLint alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    const std::size_t count = std::min<std::size_t>(glyphs.size(), IGlyphRasterizer::kGlyphCount);
    for (std::size_t code = 0; code < count; ++code) {
        glNewList(static_cast<GLuint>(listBase) + static_cast<GLuint>(code), GL_COMPILE);
        DrawGlyph(glyphs[code]);
        glEndList();
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);

    SFont& font = Fonts()[listBase];
    if (rebuilt && font.atlas.texture != 0)
        glDeleteTextures(1, &font.atlas.texture);
    font.glyphs.assign(glyphs.begin(), glyphs.begin() + static_cast<std::ptrdiff_t>(count));
    font.atlas = MakeAtlas(font.glyphs);
}

void DeleteFontList(std::int32_t listBase) {
    glDeleteLists(static_cast<GLuint>(listBase), IGlyphRasterizer::kGlyphCount);
    const auto it = Fonts().find(listBase);
    if (it == Fonts().end())
        return;
    if (it->second.atlas.texture != 0)
        glDeleteTextures(1, &it->second.atlas.texture);
    Fonts().erase(it);
}

void DrawFontText(std::int32_t listBase, std::string_view text) {
    const auto it = Fonts().find(listBase);
    // Without its lists here, the font was built in another context.
    if (it == Fonts().end() || !glIsList(static_cast<GLuint>(listBase))) {
        glListBase(static_cast<GLuint>(listBase));
        glCallLists(static_cast<GLsizei>(text.size()), GL_UNSIGNED_BYTE, text.data());
        return;
    }
    const SFont& font = it->second;
    GLboolean valid = GL_FALSE;
    glGetBooleanv(GL_CURRENT_RASTER_POSITION_VALID, &valid);
    if (!valid)
        return; // glBitmap neither draws nor moves then
    GLfloat rasterPos[4] = {};
    glGetFloatv(GL_CURRENT_RASTER_POSITION, rasterPos);
    if (QuadsDrawLikeBitmaps(rasterPos[2]))
        DrawQuads(font, text, rasterPos);
    else
        DrawGlyphs(font.glyphs, text);
}
