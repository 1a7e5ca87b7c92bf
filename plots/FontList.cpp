#include "plots/FontList.h"

#include <GL/gl.h>

#include <algorithm>
#include <map>

namespace {

std::map<std::int32_t, std::vector<SGlyphBitmap>>& Fonts() {
    static std::map<std::int32_t, std::vector<SGlyphBitmap>> fonts;
    return fonts;
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

void DrawGlyph(const SGlyphBitmap& g) {
    // Mesa does not record a glBitmap with a null pointer in a display list,
    // so an empty glyph (the space) would not advance: point at a dummy byte.
    static const GLubyte kEmpty[4] = {0, 0, 0, 0};
    const std::size_t rowBytes = (static_cast<std::size_t>(std::max(g.width, 0)) + 7) / 8;
    const bool complete = g.width > 0 && g.height > 0 &&
                          g.bits.size() >= rowBytes * static_cast<std::size_t>(g.height);
    if (complete)
        glBitmap(g.width, g.height, g.originX, g.originY, g.advance, 0.0f, g.bits.data());
    else
        glBitmap(0, 0, 0.0f, 0.0f, g.advance, 0.0f, kEmpty);
}

const std::vector<SGlyphBitmap>* FontGlyphs(std::int32_t listBase) {
    const auto it = Fonts().find(listBase);
    return it == Fonts().end() ? nullptr : &it->second;
}

void BuildFontList(std::int32_t listBase, const std::vector<SGlyphBitmap>& glyphs) {
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
    Fonts()[listBase].assign(glyphs.begin(), glyphs.begin() + static_cast<std::ptrdiff_t>(count));
}
