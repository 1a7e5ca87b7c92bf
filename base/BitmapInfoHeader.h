// SPDX-License-Identifier: GPL-3.0-or-later
// Header of a device-independent bitmap as stored in BMP/AVI files and on
// the clipboard: 40 bytes, little-endian, no padding.
#pragma once

#include <cstdint>

struct SBitmapInfoHeader {
    std::uint32_t biSize = 40;
    std::int32_t biWidth = 0;
    std::int32_t biHeight = 0; // positive: bottom-up rows
    std::uint16_t biPlanes = 1;
    std::uint16_t biBitCount = 24;
    std::uint32_t biCompression = 0;
    std::uint32_t biSizeImage = 0;
    std::int32_t biXPelsPerMeter = 0;
    std::int32_t biYPelsPerMeter = 0;
    std::uint32_t biClrUsed = 0;
    std::uint32_t biClrImportant = 0;
};
static_assert(sizeof(SBitmapInfoHeader) == 40);
