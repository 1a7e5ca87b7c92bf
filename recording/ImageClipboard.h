// SPDX-License-Identifier: GPL-3.0-or-later
// Puts a plot image on the system clipboard. Declared here for the
// screenshot thread; implemented in platform/ and wired in by the
// application.
#pragma once

#include <cstddef>
#include <cstdint>

class IImageClipboard {
public:
    virtual ~IImageClipboard() = default;
    // Any thread. Copies the DIB block (40-byte header, then 24-bit rows
    // bottom-up, padded to 4 bytes) and hands the image to the
    // user-interface thread, which sets the clipboard; returns at once and
    // never waits for that thread. A failure to prepare the image gives
    // false; a failure on the user-interface thread is reported there.
    virtual bool PostDib(const std::uint8_t* dib, std::size_t size) = 0;
};
