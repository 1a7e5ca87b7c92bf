// SPDX-License-Identifier: GPL-3.0-or-later
// Reading the frame just drawn into the screen DIB, and the OpenGL error
// trace. The calling thread must have the drawing context current (the
// user-interface thread inside the view's drawing, or a test's context).
#pragma once

#include <cstdint>

#include "base/BitmapInfoHeader.h"

// Traces "<name> in <where>\r\n" when OpenGL has an error and returns true;
// false when there is none. Unknown codes give an empty name.
bool CheckGLError(const char* where);

// Copies header to the start of dib, then reads header.biWidth x
// header.biHeight pixels from the lower left corner of the current read
// framebuffer as blue-green-red rows, bottom-up, each padded to 4 bytes
// (the pack alignment of 4). Colour mapping is switched off first. dib
// holds 40 + biSizeImage bytes. True when OpenGL reports no error.
bool ReadFrameIntoDib(const SBitmapInfoHeader& header, std::uint8_t* dib);
