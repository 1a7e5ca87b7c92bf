// SPDX-License-Identifier: GPL-3.0-or-later
// The commands of CTamselView and their enabled and checked states.
#include "view/TamselView.h"

#include <ctime>

#include "acquisition/CaptureDevice.h"
#include "base/DebugLog.h"
#include "base/Messages.h"
#include "base/RunState.h"
#include "plots/Projection.h"
#include "resources/Resource.h"

// Capture on, the run flagged and its clock restarted: every resume (the
// pipeline starts capture for the first run at tick 5, then flags it). A
// capture that does not start leaves the program stopped.
void CTamselView::StartRun() {
    if (StartCapture())
        FlagRunStarted();
    else
        ReportRunFailure();
}

void CTamselView::ReportRunFailure() {
    // A device that never initialised was reported at start-up already.
    if (!HasCaptureDevice())
        return;
    const std::string why = GetCaptureError();
    ReportMessage(MESSAGE_WARNING, "Couldn't start sound capture device %s\n%s",
                  GetCaptureDeviceName().c_str(), why.empty() ? "it did not start" : why.c_str());
}

void CTamselView::FlagRunStarted() {
    m_bAcquiring = true;
    g_runState.SetAcquiring(true);
    m_tRunStart = static_cast<std::int64_t>(std::time(nullptr));
    g_runState.SetRunStart(m_tRunStart);
}

void CTamselView::OnFileRun() {
    if (!IsCapturing()) {
        StartRun();
    } else {
        StopCapture();
        m_bAcquiring = false;
        g_runState.SetAcquiring(false);
        RequestFrame();
    }
}

void CTamselView::OnShowTiming() {
    DebugLog("Plot: %d mSec \r\n", m_drawTime.Average());
    DebugLog("FFT: %d mSec \r\n", g_runState.GetFftTime());
    DebugLog("Timer: %d mSec\r\n", m_timerInterval.Average());
}

void CTamselView::OnPaletteGrayscale() {
    m_palette.m_nPalette = CPalette::kGrayscale;
    m_palette.Build(m_palette.m_nPalette);
    MarkModified();
}

void CTamselView::OnPaletteRainbow() {
    m_palette.m_nPalette = CPalette::kRainbow;
    m_palette.Build(m_palette.m_nPalette);
    MarkModified();
}

void CTamselView::OnPaletteInvert() {
    m_palette.m_bPaletteInvert = !m_palette.m_bPaletteInvert;
    m_palette.Build(m_palette.m_nPalette);
    MarkModified();
}

void CTamselView::OnPaletteReset() {
    m_palette.m_nPaletteShift = 0;
    m_palette.m_bPaletteInvert = false;
    m_palette.m_fPaletteScale = 1.0f;
    m_palette.Build(m_palette.m_nPalette);
    MarkModified();
}

void CTamselView::OnEditCopy() {
    g_runState.SetClipboardCopy(true);
    m_bForceScreenshot = true;
    RequestFrame(); // the copy need not wait for the next paced redraw
}

// ---- capture commands ----

// The recording clock, the time limit (an audio-only capture has no frames
// to stop it) and the flags the threads and the run status read.
void CTamselView::PublishCapture() {
    m_capture.CheckTimeLimit();
    g_runState.SetCaptureFlags(m_capture.GetCaptureFlags());
    g_runState.SetCaptureElapsed(m_capture.GetElapsed());
}

void CTamselView::OnCaptureEnable() {
    if (m_capture.GetOpenFlags() != 0)
        m_capture.StartStop(m_capture.GetCaptureFlags() == 0);
    g_runState.SetCaptureFlags(m_capture.GetCaptureFlags());
}

void CTamselView::OnCaptureClose() {
    if (m_bCaptureConfigured) {
        if (m_capture.GetCaptureFlags() != 0)
            m_capture.StartStop(false);
        m_capture.CloseSession();
    }
    m_bCaptureConfigured = false;
    g_runState.SetCaptureFlags(0);
    g_runState.SetCaptureElapsed(0);
}

bool CTamselView::GetCommandState(int commandId, bool& enabled, bool& checked) const {
    enabled = true;
    checked = false;
    switch (commandId) {
    // Plot types, panels, Reset Plot, Help.
    case ID_PLOT_HISTOGRAM:
    case ID_PLOT_WATERFALL:
    case ID_PLOT_SURFACE:
    case ID_PLOT_BARS:
    case ID_PLOT_METERS: {
        static constexpr int kTypes[][2] = {{ID_PLOT_HISTOGRAM, PLOT_HISTOGRAM},
                                            {ID_PLOT_WATERFALL, PLOT_WATERFALL},
                                            {ID_PLOT_SURFACE, PLOT_SURFACE},
                                            {ID_PLOT_BARS, PLOT_BARS},
                                            {ID_PLOT_METERS, PLOT_METERS}};
        for (const auto& [id, type] : kTypes)
            if (id == commandId)
                checked = m_nPlotType == type;
        return true;
    }
    case ID_VIEW_PROGRAM_INFO:
    case ID_VIEW_RUN_STATUS:
    case ID_VIEW_MAGNITUDE_SCALE:
    case ID_VIEW_VU_METER:
    case ID_VIEW_VOLUME: {
        static constexpr int kFlags[][2] = {{ID_VIEW_PROGRAM_INFO, PANEL_INFO},
                                            {ID_VIEW_RUN_STATUS, PANEL_RUNSTATUS},
                                            {ID_VIEW_MAGNITUDE_SCALE, PANEL_SCALE},
                                            {ID_VIEW_VU_METER, PANEL_VUMETER},
                                            {ID_VIEW_VOLUME, PANEL_VOLUME}};
        for (const auto& [id, flag] : kFlags)
            if (id == commandId)
                checked = (m_nPanelFlags & flag) != 0;
        // Hidden panels keep their flags; only the scale needs a plot that
        // shows magnitudes as colours.
        enabled = !m_bPlotOnly;
        if (commandId == ID_VIEW_MAGNITUDE_SCALE)
            enabled = enabled && (m_nPlotType == PLOT_WATERFALL || m_nPlotType == PLOT_SURFACE);
        return true;
    }
    case ID_VIEW_PLOT_ONLY:
        checked = m_bPlotOnly;
        return true;
    case ID_VIEW_DECIBEL_SCALE:
        checked = GetDisplayScale().bDecibel;
        return true;
    case ID_VIEW_LOG_FREQUENCY:
        checked = GetDisplayScale().bLogFrequency;
        return true;
    case ID_PLOT_RESET:
    case ID_HELP_FINDER:
    case ID_CONTEXT_HELP:
        return true;
    case ID_FILE_RUN:
        checked = IsCapturing();
        return true;
    case ID_SHOW_TIMING:
    case ID_PALETTE_RESET:
    case ID_PLOT_BACKGROUND:
    case ID_PLOT_FOREGROUND:
    case ID_EDIT_COPY:
    case ID_CAPTURE_SETTINGS:
        return true;
    case ID_CAPTURE_ENABLE:
        enabled = m_bCaptureConfigured;
        checked = enabled && m_capture.GetCaptureFlags() != 0;
        return true;
    case ID_CAPTURE_CLOSE:
        enabled = m_bCaptureConfigured;
        return true;
    case ID_PALETTE_GRAYSCALE:
        checked = m_palette.m_nPalette == CPalette::kGrayscale;
        return true;
    case ID_PALETTE_RAINBOW:
        checked = m_palette.m_nPalette == CPalette::kRainbow;
        return true;
    case ID_PALETTE_INVERT:
        checked = m_palette.m_bPaletteInvert;
        return true;
    default:
        enabled = false;
        return false;
    }
}

// ---- plot types, panels, Reset Plot, Help ----

void CTamselView::SetPlotType(std::int32_t type) {
    m_nPlotType = type;
    m_bLayoutNeeded = true;
    MarkModified();
}

void CTamselView::TogglePanel(std::int32_t flag) {
    m_nPanelFlags ^= flag;
    m_bLayoutNeeded = true;
    MarkModified();
}

void CTamselView::OnViewPlotOnly() {
    m_bPlotOnly = !m_bPlotOnly;
    m_bLayoutNeeded = true;
    MarkModified();
}

void CTamselView::OnViewDecibelScale() {
    SDisplayScale scale = GetDisplayScale();
    scale.bDecibel = !scale.bDecibel;
    SetDisplayScale(scale);
    emit displayScaleChanged(scale.bDecibel, scale.bLogFrequency);
}

void CTamselView::OnViewLogFrequency() {
    SDisplayScale scale = GetDisplayScale();
    scale.bLogFrequency = !scale.bLogFrequency;
    SetDisplayScale(scale);
    emit displayScaleChanged(scale.bDecibel, scale.bLogFrequency);
}

// Not a preset setting: the document stays as it is. The axes change at
// once, the rows from the next block on.
void CTamselView::SetDisplayScale(const SDisplayScale& scale) {
    g_runState.SetDisplayScale(scale);
    RequestFrame();
}

void CTamselView::OnPlotReset() {
    g_runState.SetDisplayRange(kDefaultDisplayRange);
    m_dRotation[0] = m_dRotation[1] = m_dRotation[2] = 0.0;
    m_dTranslation[0] = m_dTranslation[1] = 0.0;
    m_dTranslation[2] = -1.6 * m_nR;
    g_projection3D.SetRotation(m_dRotation[0], m_dRotation[1], m_dRotation[2]);
    g_projection3D.SetTranslation(m_dTranslation[0], m_dTranslation[1], m_dTranslation[2]);
    m_metersPlot.ResetMaxMarkers();
    // The palette and the colours stay as they are.
    MarkModified();
    RequestFrame();
}
