// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/ScreenShot.h"

#include <GL/gl.h>

#include <cstring>

#include "base/DebugLog.h"

#ifndef GL_BGR_EXT
#define GL_BGR_EXT 0x80E0
#endif

namespace {

const char* GLErrorName(GLenum code) {
    switch (code) {
    case GL_INVALID_ENUM:
        return "GL_INVALID_ENUM";
    case GL_INVALID_VALUE:
        return "GL_INVALID_VALUE";
    case GL_INVALID_OPERATION:
        return "GL_INVALID_OPERATION";
    case GL_STACK_OVERFLOW:
        return "GL_STACK_OVERFLOW";
    case GL_STACK_UNDERFLOW:
        return "GL_STACK_UNDERFLOW";
    case GL_OUT_OF_MEMORY:
        return "GL_OUT_OF_MEMORY";
    default:
        return "";
    }
}

} // namespace

bool CheckGLError(const char* where) {
    const GLenum error = glGetError();
    if (error == GL_NO_ERROR)
        return false;
    DebugLog("%s in %s\r\n", GLErrorName(error), where);
    return true;
}

bool ReadFrameIntoDib(const SBitmapInfoHeader& header, std::uint8_t* dib) {
    CheckGLError("takeScreenShot Entry");
    glPixelTransferi(GL_MAP_COLOR, GL_FALSE);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    // The DIB's rows are padded to 4 bytes, as reading packs them.
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_PACK_SKIP_ROWS, 0);
    std::memcpy(dib, &header, sizeof header);
    glReadPixels(0, 0, header.biWidth, header.biHeight, GL_BGR_EXT, GL_UNSIGNED_BYTE,
                 dib + sizeof header);
    return !CheckGLError("takeScreenShot glReadPixels");
}
