// SPDX-License-Identifier: GPL-3.0-or-later
// Base of the information and run status panels: four lines of text in the
// title font on the panel's background, in a frame 60 pixels high.
//
// User-interface thread only, context current for DrawLines.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "plots/Panel.h"

class CTextPanel : public CPanel {
public:
    using Lines = std::array<std::string, 4>;

    // Baseline start of line k, 1..4, after the last Layout.
    CPoint GetLinePosition(int k) const { return m_ptLine[static_cast<std::size_t>(k - 1)]; }

protected:
    // Frames width x 60 pixels from (x, y); line k starts indent pixels in and
    // k line spacings (title font / 84) down.
    CSize LayoutLines(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t indent);
    // The background, then the first count lines in the foreground colour.
    void DrawLines(const Lines& lines, std::size_t count);

    std::array<CPoint, 4> m_ptLine{};
};
