// SPDX-License-Identifier: GPL-3.0-or-later
// BMP files of the screen-capture sequence: the 14-byte file header followed
// by the whole DIB block (40-byte info header, then 24-bit rows bottom-up,
// each padded to a multiple of 4 bytes). Any thread; no shared state.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

inline constexpr std::uint32_t kBmpFileHeaderSize = 14;

struct SBmpFileHeader {
    std::uint16_t bfType = 0x4D42; // "BM"
    std::uint32_t bfSize = 0;      // whole file in bytes
    std::uint16_t bfReserved1 = 0;
    std::uint16_t bfReserved2 = 0;
    std::uint32_t bfOffBits = 0; // file offset of the first pixel row
};

// Bytes of one 24-bit row of width pixels, padded to 4.
constexpr std::uint32_t DibRowBytes(std::int32_t width) {
    return (3u * static_cast<std::uint32_t>(width) + 3u) & ~3u;
}

// The header of a file that holds a DIB block of dibSize bytes whose info
// header (40 bytes, no colour table) precedes the rows.
SBmpFileHeader MakeBmpFileHeader(std::uint32_t dibSize);

// Creates (or overwrites) path with the header and the DIB block. False when
// the file cannot be created, written or closed; a partly written file is
// removed rather than left looking like a frame.
bool WriteBmpFile(const std::string& path, const SBmpFileHeader& header, const std::uint8_t* dib,
                  std::size_t dibSize);
