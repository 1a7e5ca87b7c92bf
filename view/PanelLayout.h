// SPDX-License-Identifier: GPL-3.0-or-later
// Placement of the current plot and the overlay panels in the view's window
// (OpenGL window coordinates, y upward): the plot at the top, the volume strip
// beside it, the row of overlay panels below it, spread evenly.
//
// Plain functions over the view's state and its panel objects; they draw
// nothing and need no OpenGL context. User-interface thread only (they call
// the panels' Layout).
#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include "plots/Panel.h"
#include "plots/Projection.h"

// Number of overlay panels the row has room for: 0 when plotOnly, otherwise the
// set bits among bits 0..4 of panelFlags (bit 4, which has no panel, counts
// too), less one when PANEL_SCALE is set and the plot type is neither the
// waterfall nor the surface (the scale panel is then not shown).
std::int32_t GetPanelCount(bool plotOnly, std::int32_t panelFlags, std::int32_t plotType);

struct SPanelOrigin {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t spacing = 0; // gap between neighbouring panels
};

// First panel position of a row of count panels across width pixels at height
// y: spacing = width / count - 148 and x = spacing / 2 - 3 (integer division),
// or spacing 0 at x = 0 when count < 1.
SPanelOrigin GetPanelOrigin(std::int32_t width, std::int32_t y, std::int32_t count);

struct SLayoutState {
    std::int32_t nPlotType = PLOT_HISTOGRAM;
    std::int32_t nPanelFlags = kDefaultPanelFlags;
    bool bPlotOnly = false;
    std::int32_t nPlotWidth = 640;     // W
    std::int32_t nPlotHeight = 480;    // P
    std::int32_t nHistoryLength = 360; // H
    std::int32_t nRingRows = 720;      // 2H, from the store's history geometry
    std::int32_t nOffsetX = 0;         // half the client width beyond W
};

// The view's panel objects; a null pointer is a panel not built (yet) and is
// skipped. The volume strip is placed by its own Layout(x, y, width).
struct SLayoutPanels {
    std::array<CPanel*, 5> plots{}; // indexed by plot type
    std::function<void(std::int32_t x, std::int32_t y, std::int32_t width)> layoutVolume;
    CPanel* pInfo = nullptr;
    CPanel* pRunStatus = nullptr;
    CPanel* pScale = nullptr;
    CPanel* pVuMeter = nullptr;
    // Receives the 3D viewport before the surface or bars plot is placed:
    // their Layout reads it from g_projection3D.
    std::function<void(const SViewport& viewport)> setViewport3D;
};

struct SLayoutResult {
    CPoint ptPlot;              // where the plot was placed
    std::int32_t nPanelTop = 0; // T, top of the panel row area
    bool bViewport3D = false;   // the 3D plots' viewport was computed
    SViewport viewport3D;       // for g_projection3D
};

// Places the plot of the current type, the volume strip and the visible
// overlay panels. For the surface and bars plots it also computes the 3D
// viewport, which the caller gives to g_projection3D.
SLayoutResult LayoutPanels(const SLayoutState& state, const SLayoutPanels& panels);
