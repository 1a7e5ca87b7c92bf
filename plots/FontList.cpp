// SPDX-License-Identifier: GPL-3.0-or-later
#include "plots/FontList.h"

#include <GL/gl.h>

#include <algorithm>

bool BuildFontList(IGlyphRasterizer& rasterizer, std::int32_t listBase, int pixelHeight,
                   const std::string& face) {
    std::vector<SGlyphBitmap> glyphs;
    if (!rasterizer.Rasterize(face, pixelHeight, glyphs))
        return false;
    BuildFontList(listBase, glyphs);
    return true;
}

void BuildFontList(std::int32_t listBase, const std::vector<SGlyphBitmap>& glyphs) {
    // Mesa does not record a glBitmap with a null pointer in a display list,
    // so an empty glyph (the space) would not advance: point at a dummy byte.
    static const GLubyte kEmpty[4] = {0, 0, 0, 0};

    GLint alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    const std::size_t count = std::min<std::size_t>(glyphs.size(), IGlyphRasterizer::kGlyphCount);
    for (std::size_t code = 0; code < count; ++code) {
        const SGlyphBitmap& g = glyphs[code];
        const std::size_t rowBytes = (static_cast<std::size_t>(std::max(g.width, 0)) + 7) / 8;
        const bool complete = g.width > 0 && g.height > 0 &&
                              g.bits.size() >= rowBytes * static_cast<std::size_t>(g.height);
        glNewList(static_cast<GLuint>(listBase) + static_cast<GLuint>(code), GL_COMPILE);
        if (complete)
            glBitmap(g.width, g.height, g.originX, g.originY, g.advance, 0.0f, g.bits.data());
        else
            glBitmap(0, 0, 0.0f, 0.0f, g.advance, 0.0f, kEmpty);
        glEndList();
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
}
