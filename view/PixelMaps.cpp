// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/PixelMaps.h"

#include <GL/gl.h>

#include <array>

#include "plots/Palette.h"

void LoadPixelMaps() {
    glPixelMapfv(GL_PIXEL_MAP_I_TO_R, 256, g_afPaletteRed.data());
    glPixelMapfv(GL_PIXEL_MAP_I_TO_G, 256, g_afPaletteGreen.data());
    glPixelMapfv(GL_PIXEL_MAP_I_TO_B, 256, g_afPaletteBlue.data());
    glPixelMapfv(GL_PIXEL_MAP_R_TO_R, 256, g_afPaletteRed.data());
    glPixelMapfv(GL_PIXEL_MAP_G_TO_G, 256, g_afPaletteGreen.data());
    glPixelMapfv(GL_PIXEL_MAP_B_TO_B, 256, g_afPaletteBlue.data());
    // The default index-to-alpha map is 0, which makes every mapped pixel
    // transparent in a read-back.
    static const std::array<float, 256> kOpaque = [] {
        std::array<float, 256> a{};
        a.fill(1.0f);
        return a;
    }();
    glPixelMapfv(GL_PIXEL_MAP_I_TO_A, 256, kOpaque.data());
    glPixelTransferi(GL_MAP_COLOR, GL_FALSE);
}

CColourIndexScope::CColourIndexScope() {
    glPixelTransferi(GL_MAP_COLOR, GL_TRUE);
}

CColourIndexScope::~CColourIndexScope() {
    glPixelTransferi(GL_MAP_COLOR, GL_FALSE);
}

void DrawColourIndexPixels(std::int32_t width, std::int32_t height, const std::uint8_t* pixels) {
    if (pixels == nullptr || width <= 0 || height <= 0)
        return;
    GLint alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    {
        CColourIndexScope mapped;
        glDrawPixels(width, height, GL_COLOR_INDEX, GL_UNSIGNED_BYTE, pixels);
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
}
