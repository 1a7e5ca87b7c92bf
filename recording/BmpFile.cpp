// SPDX-License-Identifier: GPL-3.0-or-later
#include "recording/BmpFile.h"

#include <cstdio>

namespace {

// The 14 little-endian bytes of the header, in file order.
void SerializeBmpFileHeader(const SBmpFileHeader& header, std::uint8_t out[kBmpFileHeaderSize]) {
    const auto put16 = [](std::uint8_t* p, std::uint16_t v) {
        p[0] = static_cast<std::uint8_t>(v);
        p[1] = static_cast<std::uint8_t>(v >> 8);
    };
    const auto put32 = [&](std::uint8_t* p, std::uint32_t v) {
        put16(p, static_cast<std::uint16_t>(v));
        put16(p + 2, static_cast<std::uint16_t>(v >> 16));
    };
    put16(out, header.bfType);
    put32(out + 2, header.bfSize);
    put16(out + 6, header.bfReserved1);
    put16(out + 8, header.bfReserved2);
    put32(out + 10, header.bfOffBits);
}

} // namespace

SBmpFileHeader MakeBmpFileHeader(std::uint32_t dibSize) {
    SBmpFileHeader header;
    header.bfSize = dibSize + kBmpFileHeaderSize;
    header.bfOffBits = 40 + kBmpFileHeaderSize;
    return header;
}

bool WriteBmpFile(const std::string& path, const SBmpFileHeader& header, const std::uint8_t* dib,
                  std::size_t dibSize) {
    if (dib == nullptr)
        return false;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return false;
    std::uint8_t bytes[kBmpFileHeaderSize];
    SerializeBmpFileHeader(header, bytes);
    bool ok = std::fwrite(bytes, 1, sizeof bytes, file) == sizeof bytes &&
              std::fwrite(dib, 1, dibSize, file) == dibSize;
    ok = std::fclose(file) == 0 && ok;
    if (!ok)
        std::remove(path.c_str());
    return ok;
}
