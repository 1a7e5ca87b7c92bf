// The program information panel: name and version, the block size, the
// channel function and the window function, one per line, in the title font
// on the panel's background.
//
// User-interface thread only, context current for Draw.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "plots/Panel.h"

class CInfoPanel : public CPanel {
public:
    using Lines = std::array<std::string, 4>;

    // Returns (153, 60).
    CSize Layout(std::int32_t x, std::int32_t y) override;
    void Draw() override;

    // The four lines: "NAME VERSION", "Buffer: N Samples", "Channel..." by
    // channel function (nothing after "Channel" for an unknown one) and
    // "Input Fn:" with the window's name (nothing for an unknown one).
    static Lines Text(const std::string& name, const std::string& version, std::int32_t blockSize,
                      std::int32_t channelMode, std::int32_t windowType);
    // Baseline start of line k, 1..4, after the last Layout.
    CPoint GetLinePosition(int k) const { return m_ptLine[static_cast<std::size_t>(k - 1)]; }

private:
    std::array<CPoint, 4> m_ptLine{};
};
