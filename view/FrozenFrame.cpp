// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/FrozenFrame.h"

#include <GL/gl.h>

#include "view/ScreenShot.h"

bool CFrozenFrame::Hold(std::int32_t width, std::int32_t height) {
    Release();
    if (width <= 0 || height <= 0)
        return false;
    m_pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4, 0);
    CheckGLError("CFrozenFrame::Hold Entry");
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_PACK_SKIP_ROWS, 0);
    glPushAttrib(GL_PIXEL_MODE_BIT);
    glPixelTransferi(GL_MAP_COLOR, GL_FALSE);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, m_pixels.data());
    glPopAttrib();
    glPopClientAttrib();
    if (CheckGLError("CFrozenFrame::Hold glReadPixels")) {
        Release();
        return false;
    }
    m_nWidth = width;
    m_nHeight = height;
    return true;
}

void CFrozenFrame::Draw(std::int32_t width, std::int32_t height, float red, float green,
                        float blue) const {
    if (!IsHeld() || width <= 0 || height <= 0)
        return;
    glPushAttrib(GL_ENABLE_BIT | GL_PIXEL_MODE_BIT | GL_VIEWPORT_BIT | GL_COLOR_BUFFER_BIT |
                 GL_CURRENT_BIT | GL_TRANSFORM_BIT);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, width, 0, height, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();

    glClearColor(red, green, blue, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    // Every fragment operation off, so the pixels land as they were read.
    for (const GLenum cap : {GL_DEPTH_TEST, GL_BLEND, GL_ALPHA_TEST, GL_TEXTURE_2D, GL_FOG,
                             GL_COLOR_LOGIC_OP, GL_STENCIL_TEST, GL_SCISSOR_TEST, GL_DITHER})
        glDisable(cap);
    glPixelTransferi(GL_MAP_COLOR, GL_FALSE);
    glPixelZoom(1.0f, 1.0f);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SWAP_BYTES, GL_FALSE);
    glRasterPos2i(0, 0);
    glDrawPixels(m_nWidth, m_nHeight, GL_RGBA, GL_UNSIGNED_BYTE, m_pixels.data());

    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glPopClientAttrib();
    glPopAttrib();
    CheckGLError("CFrozenFrame::Draw");
}

void CFrozenFrame::Release() {
    m_pixels.clear();
    m_pixels.shrink_to_fit();
    m_nWidth = m_nHeight = 0;
}
