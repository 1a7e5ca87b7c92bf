// SPDX-License-Identifier: GPL-3.0-or-later
// The program information panel: name and version, the block size, the
// channel function and the window function, one per line, in the title font
// on the panel's background.
//
// User-interface thread only, context current for Draw.
#pragma once

#include <cstdint>
#include <string>

#include "plots/TextPanel.h"

class CInfoPanel : public CTextPanel {
public:
    // Returns (153, 60).
    CSize Layout(std::int32_t x, std::int32_t y) override;
    void Draw() override;

    // The four lines: "NAME VERSION", "Buffer: N Samples", "Channel..." by
    // channel function (nothing after "Channel" for an unknown one) and
    // "Input Fn:" with the window's name (nothing for an unknown one).
    static Lines Text(const std::string& name, const std::string& version, std::int32_t blockSize,
                      std::int32_t channelMode, std::int32_t windowType);
};
