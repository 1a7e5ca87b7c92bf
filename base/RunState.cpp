// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/RunState.h"

CRunState g_runState;

CRunState::CRunState() = default;

std::int32_t CRunState::GetRenderThreadState() const {
    return m_analysis.Get().nThreadState;
}
void CRunState::SetRenderThreadState(std::int32_t state) {
    m_analysis.Update([state](SAnalysisRings& a) { a.nThreadState = state; });
}
std::int32_t CRunState::GetInputThreadState() const {
    return m_inputThread.Get();
}
void CRunState::SetInputThreadState(std::int32_t state) {
    m_inputThread.Set(state);
}
bool CRunState::IsAcquiring() const {
    return m_runClock.Get().bAcquiring;
}
void CRunState::SetAcquiring(bool acquiring) {
    m_runClock.Update([acquiring](SRunClock& c) { c.bAcquiring = acquiring; });
}
std::int64_t CRunState::GetRunStart() const {
    return m_runClock.Get().tRunStart;
}
void CRunState::SetRunStart(std::int64_t t) {
    m_runClock.Update([t](SRunClock& c) { c.tRunStart = t; });
}

SHistoryGeometry CRunState::GetHistoryGeometry() const {
    return m_analysis.Get().geometry;
}
void CRunState::SetHistoryGeometry(const SHistoryGeometry& g) {
    m_analysis.Update([&g](SAnalysisRings& a) { a.geometry = g; });
}
std::uint8_t* CRunState::GetWaterfall() const {
    return m_analysis.Get().pWaterfall;
}
void CRunState::SetWaterfall(std::uint8_t* p) {
    m_analysis.Update([p](SAnalysisRings& a) { a.pWaterfall = p; });
}
SLevelHistories CRunState::GetLevelHistories() const {
    return m_analysis.Get().levelHistories;
}
void CRunState::SetLevelHistories(const SLevelHistories& h) {
    m_analysis.Update([&h](SAnalysisRings& a) { a.levelHistories = h; });
}

SSurfaceGeometry CRunState::GetSurfaceGeometry() const {
    return m_surface.Get().geometry;
}
void CRunState::SetSurfaceGeometry(const SSurfaceGeometry& g) {
    m_surface.Update([&g](SSurfaceRing& s) { s.geometry = g; });
}
double* CRunState::GetSurface() const {
    return m_surface.Get().pSurface;
}
void CRunState::SetSurface(double* p) {
    m_surface.Update([p](SSurfaceRing& s) { s.pSurface = p; });
}

SCaptureFormat CRunState::GetCaptureFormat() const {
    return m_format.Get();
}
void CRunState::SetCaptureFormat(const SCaptureFormat& f) {
    m_format.Set(f);
}

SLevels CRunState::GetLevels() const {
    return m_levels.Get().mono;
}
void CRunState::SetLevels(const SLevels& l) {
    m_levels.Update([&l](SBlockLevels& b) { b.mono = l; });
}
SStereoLevels CRunState::GetStereoLevels() const {
    return m_levels.Get().stereo;
}
void CRunState::SetStereoLevels(const SStereoLevels& l) {
    m_levels.Update([&l](SBlockLevels& b) { b.stereo = l; });
}

SDisplayRange CRunState::GetDisplayRange() const {
    return m_range.Get();
}
void CRunState::SetDisplayRange(const SDisplayRange& r) {
    m_range.Set(r);
}

SDisplayScale CRunState::GetDisplayScale() const {
    return m_scale.Get();
}
void CRunState::SetDisplayScale(const SDisplayScale& s) {
    m_scale.Set(s);
}

SSpectrumStats CRunState::GetSpectrumStats() const {
    return m_stats.Get();
}
void CRunState::SetSpectrumStats(const SSpectrumStats& s) {
    m_stats.Set(s);
}

bool CRunState::GetScreenshotReady() const {
    return m_screenshot.Get().bReady;
}
void CRunState::SetScreenshotReady(bool ready) {
    m_screenshot.Update([ready](SScreenshotHandOff& s) { s.bReady = ready; });
}
std::int32_t CRunState::GetScreenshotThreadState() const {
    return m_screenshot.Get().nThreadState;
}
void CRunState::SetScreenshotThreadState(std::int32_t state) {
    m_screenshot.Update([state](SScreenshotHandOff& s) { s.nThreadState = state; });
}
std::int32_t CRunState::GetFftTime() const {
    return m_fftTime.Get();
}
void CRunState::SetFftTime(std::int32_t ms) {
    m_fftTime.Set(ms);
}
std::int32_t CRunState::GetCaptureFlags() const {
    return m_capture.Get().nFlags;
}
void CRunState::SetCaptureFlags(std::int32_t flags) {
    m_capture.Update([flags](SCaptureControl& c) { c.nFlags = flags; });
}
std::int64_t CRunState::GetCaptureElapsed() const {
    return m_capture.Get().nElapsed;
}
void CRunState::SetCaptureElapsed(std::int64_t seconds) {
    m_capture.Update([seconds](SCaptureControl& c) { c.nElapsed = seconds; });
}
bool CRunState::GetClipboardCopy() const {
    return m_capture.Get().bClipboardCopy;
}
void CRunState::SetClipboardCopy(bool copy) {
    m_capture.Update([copy](SCaptureControl& c) { c.bClipboardCopy = copy; });
}
std::int32_t CRunState::GetCaptureType() const {
    return m_capture.Get().nType;
}
void CRunState::SetCaptureType(std::int32_t type) {
    m_capture.Update([type](SCaptureControl& c) { c.nType = type; });
}
std::uint8_t* CRunState::GetScreenDib(std::uint32_t* pSize) const {
    const SCaptureControl c = m_capture.Get();
    if (pSize != nullptr)
        *pSize = c.nScreenDibSize;
    return c.pScreenDib;
}
void CRunState::SetScreenDib(std::uint8_t* p, std::uint32_t size) {
    m_capture.Update([p, size](SCaptureControl& c) {
        c.pScreenDib = p;
        c.nScreenDibSize = size;
    });
}
const SBitmapInfoHeader* CRunState::GetScreenDibHeader() const {
    return m_capture.Get().pScreenDibHeader;
}
void CRunState::SetScreenDibHeader(const SBitmapInfoHeader* p) {
    m_capture.Update([p](SCaptureControl& c) { c.pScreenDibHeader = p; });
}

SDisplaySettings CRunState::GetDisplaySettings() const {
    return m_display.Get().settings;
}
void CRunState::SetDisplaySettings(const SDisplaySettings& s) {
    m_display.Update([&s](SDisplayGroup& d) { d.settings = s; });
}
SPaletteSettings CRunState::GetPaletteSettings() const {
    return m_display.Get().palette;
}
void CRunState::SetPaletteSettings(const SPaletteSettings& s) {
    m_display.Update([&s](SDisplayGroup& d) { d.palette = s; });
}
bool CRunState::GetDisplayChanged() const {
    return m_display.Get().bChanged;
}
void CRunState::SetDisplayChanged(bool changed) {
    m_display.Update([changed](SDisplayGroup& d) { d.bChanged = changed; });
}

SColour CRunState::GetBackgroundColor() const {
    return m_background.Get();
}
void CRunState::SetBackgroundColor(float r, float g, float b) {
    m_background.Set({r, g, b});
}
SColour CRunState::GetForegroundColor() const {
    return m_foreground.Get();
}
void CRunState::SetForegroundColor(float r, float g, float b) {
    m_foreground.Set({r, g, b});
}

SPresetSettings CRunState::GetPresetSettings() const {
    const SCaptureFormat format = m_format.Get();
    const SDisplayRange range = m_range.Get();
    const SDisplayGroup display = m_display.Get();
    const SColour back = m_background.Get();
    const SColour fore = m_foreground.Get();
    return {.nChannelMode = format.nChannelMode,
            .nWindowType = format.nWindowType,
            .dFreqMin = range.dFreqMin,
            .dFreqMax = range.dFreqMax,
            .dFreqSpan = range.dFreqSpan,
            .dMagMin = range.dMagMin,
            .dMagMax = range.dMagMax,
            .bAutoScale = range.bAutoScale,
            .nPlotType = display.settings.nPlotType,
            .nPanelFlags = display.settings.nPanelFlags,
            .nPalette = display.settings.nPalette,
            .nPaletteShift = display.palette.nShift,
            .fPaletteScale = display.palette.fScale,
            .bPaletteInvert = display.palette.bInvert,
            .bPlotOnly = display.settings.bPlotOnly,
            .fBackRed = back.r,
            .fBackBlue = back.b,
            .fBackGreen = back.g,
            .fForeRed = fore.r,
            .fForeBlue = fore.b,
            .fForeGreen = fore.g};
}

void CRunState::SetPresetSettings(const SPresetSettings& s) {
    m_format.Update([&s](SCaptureFormat& f) {
        f.nChannelMode = s.nChannelMode;
        f.nWindowType = s.nWindowType;
    });
    m_range.Set({s.dFreqMin, s.dFreqMax, s.dFreqSpan, s.dMagMin, s.dMagMax, s.bAutoScale});
    m_display.Update([&s](SDisplayGroup& d) {
        d.settings = {s.nPlotType, s.nPanelFlags, s.nPalette, s.bPlotOnly};
        d.palette = {s.nPaletteShift, s.fPaletteScale, s.bPaletteInvert};
    });
    m_background.Set({s.fBackRed, s.fBackGreen, s.fBackBlue});
    m_foreground.Set({s.fForeRed, s.fForeGreen, s.fForeBlue});
}
