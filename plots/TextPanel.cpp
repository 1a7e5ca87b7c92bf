// SPDX-License-Identifier: GPL-3.0-or-later
#include "plots/TextPanel.h"

#include "plots/Primitives.h"

CSize CTextPanel::LayoutLines(std::int32_t x, std::int32_t y, std::int32_t width,
                              std::int32_t indent) {
    PlaceFrame({x, y, x + width, y - 60});
    const std::int32_t spacing = m_nTitleFont / 84;
    for (int k = 1; k <= 4; ++k)
        m_ptLine[static_cast<std::size_t>(k - 1)] = {x + indent, y - k * spacing};
    return m_size;
}

void CTextPanel::DrawLines(const Lines& lines, std::size_t count) {
    DrawBackground();
    SetColour(m_clrFore);
    for (std::size_t k = 0; k < count; ++k)
        DrawText(m_nTitleFont, m_ptLine[k].x, m_ptLine[k].y, lines[k]);
}
