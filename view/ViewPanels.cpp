// SPDX-License-Identifier: GPL-3.0-or-later
// The plots and overlay panels of CTamselView: fonts, colours, placement and
// drawing order.
#include "view/TamselView.h"

#include <initializer_list>

#include "base/RunState.h"
#include "plots/FontList.h"
#include "plots/Projection.h"
#include "view/PanelLayout.h"

void CTamselView::SetupPanels() {
    m_colours[COLOUR_PLOT_BACKGROUND] = {0.0f, 0.0f, 0.0f};
    m_colours[COLOUR_PANEL_BACKGROUND] = {0.3f, 0.0f, 0.5f};
    m_colours[COLOUR_RUNNING] = {0.1f, 0.5f, 0.0f};
    m_colours[COLOUR_STOPPED] = {0.6f, 0.0f, 0.0f};
    m_colours[COLOUR_VU_METER_BACKGROUND] = {0.3f, 0.0f, 0.5f};
    m_colours[COLOUR_BORDER] = {0.0f, 0.0f, 0.0f};
    m_colours[COLOUR_PANEL_TEXT] = {1.0f, 1.0f, 1.0f};

    // Font list bases, title then label: the plots and the volume strip
    // label with the 12-pixel font, the small panels with the 10-pixel one.
    for (CPanel* plot : std::initializer_list<CPanel*>{&m_metersPlot, &m_histogramPlot,
                                                       &m_waterfallPlot, &m_volumePanel})
        plot->SetFonts(kArial12.listBase, kArial12.listBase);
    for (CPanel* panel :
         std::initializer_list<CPanel*>{&m_barsPlot, &m_surfacePlot, &m_scalePanel, &m_infoPanel,
                                        &m_runStatusPanel, &m_vuMeterPanel})
        panel->SetFonts(kArial12.listBase, kArial10.listBase);
    for (CPanel* panel : std::initializer_list<CPanel*>{
             &m_barsPlot, &m_scalePanel, &m_histogramPlot, &m_metersPlot, &m_infoPanel,
             &m_runStatusPanel, &m_waterfallPlot, &m_surfacePlot, &m_volumePanel, &m_vuMeterPanel})
        panel->SetRunState(&g_runState);
    m_volumePanel.SetChannel(2);
    constexpr SColour kGreen{0.0f, 0.7f, 0.0f}, kYellow{1.0f, 1.0f, 0.0f}, kRed{1.0f, 0.0f, 0.0f};
    m_vuMeterPanel.SetLevelColours(kGreen, kYellow, kRed);
    m_metersPlot.SetLevelColours(kGreen, kYellow, kRed);
}

// Plots take the plot background behind the store's foreground colour,
// panels their own background behind the panel text.
void CTamselView::SetPanelColours() {
    const SColour fore = g_runState.GetForegroundColor();
    const SColour& plotBack = m_colours[COLOUR_PLOT_BACKGROUND];
    const SColour& panelBack = m_colours[COLOUR_PANEL_BACKGROUND];
    const SColour& text = m_colours[COLOUR_PANEL_TEXT];
    const SColour& border = m_colours[COLOUR_BORDER];
    const auto give = [&](CPanel& panel, const SColour& back, const SColour& front) {
        panel.SetColours(back.r, back.g, back.b, front.r, front.g, front.b, border.r, border.g,
                         border.b);
    };
    give(m_barsPlot, plotBack, fore);
    give(m_surfacePlot, plotBack, fore);
    give(m_histogramPlot, plotBack, fore);
    give(m_metersPlot, plotBack, fore);
    give(m_waterfallPlot, plotBack, fore);
    give(m_volumePanel, plotBack, fore);
    give(m_scalePanel, panelBack, text);
    give(m_infoPanel, panelBack, text);
    give(m_vuMeterPanel, m_colours[COLOUR_VU_METER_BACKGROUND], text);
    m_runStatusPanel.SetColours(m_colours[COLOUR_STOPPED], m_colours[COLOUR_RUNNING], text, border);
}

CPanel* CTamselView::CurrentPlot() {
    switch (m_nPlotType) {
    case PLOT_HISTOGRAM:
        return &m_histogramPlot;
    case PLOT_WATERFALL:
        return &m_waterfallPlot;
    case PLOT_SURFACE:
        return &m_surfacePlot;
    case PLOT_BARS:
        return &m_barsPlot;
    case PLOT_METERS:
        return &m_metersPlot;
    default:
        return nullptr;
    }
}

bool CTamselView::VolumeShown() const {
    return !m_bPlotOnly && (m_nPanelFlags & PANEL_VOLUME) != 0;
}

// The plot, the volume strip, then the panels; the scale panel is drawn
// before the information panel although it is placed after the run status.
void CTamselView::DrawPanels() {
    if (CPanel* plot = CurrentPlot())
        plot->Draw();
    if (VolumeShown())
        m_volumePanel.Draw();
    if (m_bPlotOnly)
        return;
    const bool scaleShown = m_nPlotType == PLOT_WATERFALL || m_nPlotType == PLOT_SURFACE;
    if (scaleShown && (m_nPanelFlags & PANEL_SCALE) != 0)
        m_scalePanel.Draw();
    if ((m_nPanelFlags & PANEL_INFO) != 0)
        m_infoPanel.Draw();
    if ((m_nPanelFlags & PANEL_RUNSTATUS) != 0)
        m_runStatusPanel.Draw();
    if ((m_nPanelFlags & PANEL_VUMETER) != 0)
        m_vuMeterPanel.Draw();
}

void CTamselView::LayoutPanels() {
    SLayoutState state;
    state.nPlotType = m_nPlotType;
    state.nPanelFlags = m_nPanelFlags;
    state.bPlotOnly = m_bPlotOnly;
    state.nPlotWidth = m_nPlotWidth;
    state.nPlotHeight = m_nPlotHeight;
    state.nHistoryLength = m_nHistoryLength;
    state.nRingRows = m_nRingRows;
    state.nOffsetX = m_nOffsetX;
    SLayoutPanels panels;
    panels.plots[PLOT_HISTOGRAM] = &m_histogramPlot;
    panels.plots[PLOT_WATERFALL] = &m_waterfallPlot;
    panels.plots[PLOT_SURFACE] = &m_surfacePlot;
    panels.plots[PLOT_BARS] = &m_barsPlot;
    panels.plots[PLOT_METERS] = &m_metersPlot;
    // The 3D plots read their viewport while they are placed.
    panels.setViewport3D = [](const SViewport& v) {
        g_projection3D.SetViewport(v.x, v.y, v.width, v.height);
    };
    panels.layoutVolume = [this](std::int32_t x, std::int32_t y, std::int32_t width) {
        m_volumePanel.Layout(x, y, width);
    };
    panels.pInfo = &m_infoPanel;
    panels.pRunStatus = &m_runStatusPanel;
    panels.pScale = &m_scalePanel;
    panels.pVuMeter = &m_vuMeterPanel;
    ::LayoutPanels(state, panels);
    m_bLayoutNeeded = false;
}

std::int32_t CTamselView::GetPanelCount() const {
    return ::GetPanelCount(m_bPlotOnly, m_nPanelFlags, m_nPlotType);
}

CPoint CTamselView::GetPanelOrigin(std::int32_t width, std::int32_t y,
                                   std::int32_t* spacing) const {
    const SPanelOrigin origin = ::GetPanelOrigin(width, y, GetPanelCount());
    if (spacing)
        *spacing = origin.spacing;
    return {origin.x, origin.y};
}
