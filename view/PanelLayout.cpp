// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/PanelLayout.h"

#include <bit>

std::int32_t GetPanelCount(bool plotOnly, std::int32_t panelFlags, std::int32_t plotType) {
    if (plotOnly)
        return 0;
    auto count =
        static_cast<std::int32_t>(std::popcount(static_cast<std::uint32_t>(panelFlags) & 31u));
    if ((panelFlags & PANEL_SCALE) != 0 && plotType != PLOT_WATERFALL && plotType != PLOT_SURFACE)
        --count;
    return count;
}

SPanelOrigin GetPanelOrigin(std::int32_t width, std::int32_t y, std::int32_t count) {
    if (count < 1)
        return {0, y, 0};
    const std::int32_t spacing = width / count - 148;
    return {spacing / 2 - 3, y, spacing};
}

SLayoutResult LayoutPanels(const SLayoutState& state, const SLayoutPanels& panels) {
    SLayoutResult result;
    const bool volume = !state.bPlotOnly && (state.nPanelFlags & PANEL_VOLUME) != 0;
    const std::int32_t count = GetPanelCount(state.bPlotOnly, state.nPanelFlags, state.nPlotType);

    std::int32_t x = volume ? 10 : 115;
    std::int32_t y = state.nPlotHeight - 1;
    const std::int32_t lower = state.nPlotHeight - 21;
    std::int32_t top = 0;
    if (count <= 0 && !volume) {
        // Nothing below the plot: it moves down into the empty panel row.
        top = 40;
        y -= 40;
    } else {
        top = state.nPlotHeight - state.nRingRows / 2 - 43;
    }
    result.nPanelTop = top;
    result.ptPlot = {x, y};

    CPanel* plot = nullptr;
    if (state.nPlotType >= 0 && state.nPlotType < static_cast<std::int32_t>(panels.plots.size()))
        plot = panels.plots[static_cast<std::size_t>(state.nPlotType)];

    switch (state.nPlotType) {
    case PLOT_HISTOGRAM:
    case PLOT_WATERFALL:
    case PLOT_METERS: {
        CSize size;
        if (plot != nullptr)
            size = plot->Layout(x, y);
        if (volume && panels.layoutVolume)
            panels.layoutVolume(state.nHistoryLength + 90, y, 120);
        y = y + 6 - size.cy;
        break;
    }
    case PLOT_SURFACE:
    case PLOT_BARS: {
        const std::int32_t right = volume ? state.nHistoryLength + 105 : state.nPlotWidth - 3;
        result.bViewport3D = true;
        result.viewport3D = {state.nOffsetX + 3, top + 3, right - 20, lower - top};
        if (panels.setViewport3D)
            panels.setViewport3D(result.viewport3D);
        if (plot != nullptr)
            plot->Layout(x, y);
        if (volume && panels.layoutVolume)
            panels.layoutVolume(right, y, 120);
        y = top - 15;
        break;
    }
    default:
        break;
    }

    if (state.bPlotOnly)
        return result;
    const SPanelOrigin origin = GetPanelOrigin(state.nPlotWidth, y, count);
    x = origin.x;
    y = origin.y;
    auto place = [&](CPanel* panel, bool shown) {
        if (!shown || panel == nullptr)
            return;
        const CSize size = panel->Layout(x, y);
        x += origin.spacing + size.cx;
    };
    const std::int32_t flags = state.nPanelFlags;
    place(panels.pInfo, (flags & PANEL_INFO) != 0);
    place(panels.pRunStatus, (flags & PANEL_RUNSTATUS) != 0);
    place(panels.pScale, (flags & PANEL_SCALE) != 0 && (state.nPlotType == PLOT_WATERFALL ||
                                                        state.nPlotType == PLOT_SURFACE));
    place(panels.pVuMeter, (flags & PANEL_VUMETER) != 0);
    return result;
}
