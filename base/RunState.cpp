#include "base/RunState.h"

CRunState g_runState;

namespace {
// Lock numbers of the groups; 0 and 10 guard nothing.
enum Lock : int {
    kInput = 1,
    kAcquire = 2,
    kHistory = 3,
    kSurface = 4,
    kFormat = 5,
    kLevels = 6,
    kRange = 7,
    kStats = 8,
    kScreenshot = 9,
    kCapture = 11,
    kFftTime = 12,
    kDisplay = 13,
    kBack = 14,
    kFore = 15,
};
} // namespace

#define VIREON_LOCK(n) std::lock_guard<std::mutex> guard(m_locks[n])

CRunState::CRunState() = default;

std::int32_t CRunState::GetRenderThreadState() const {
    VIREON_LOCK(kHistory);
    return m_nRenderThreadState;
}
void CRunState::SetRenderThreadState(std::int32_t state) {
    VIREON_LOCK(kHistory);
    m_nRenderThreadState = state;
}
std::int32_t CRunState::GetInputThreadState() const {
    VIREON_LOCK(kInput);
    return m_nInputThreadState;
}
void CRunState::SetInputThreadState(std::int32_t state) {
    VIREON_LOCK(kInput);
    m_nInputThreadState = state;
}
bool CRunState::IsAcquiring() const {
    VIREON_LOCK(kAcquire);
    return m_bAcquiring;
}
void CRunState::SetAcquiring(bool acquiring) {
    VIREON_LOCK(kAcquire);
    m_bAcquiring = acquiring;
}
std::int64_t CRunState::GetRunStart() const {
    VIREON_LOCK(kAcquire);
    return m_tRunStart;
}
void CRunState::SetRunStart(std::int64_t t) {
    VIREON_LOCK(kAcquire);
    m_tRunStart = t;
}

SHistoryGeometry CRunState::GetHistoryGeometry() const {
    VIREON_LOCK(kHistory);
    return {m_nRingRows, m_nHistoryLength, m_nHistoryRow, m_nRowWidth};
}
void CRunState::SetHistoryGeometry(const SHistoryGeometry& g) {
    VIREON_LOCK(kHistory);
    m_nRingRows = g.nRingRows;
    m_nHistoryLength = g.nHistoryLength;
    m_nHistoryRow = g.nHistoryRow;
    m_nRowWidth = g.nRowWidth;
}
std::uint8_t* CRunState::GetWaterfall() const {
    VIREON_LOCK(kHistory);
    return m_pWaterfall;
}
void CRunState::SetWaterfall(std::uint8_t* p) {
    VIREON_LOCK(kHistory);
    m_pWaterfall = p;
}
SLevelHistories CRunState::GetLevelHistories() const {
    VIREON_LOCK(kHistory);
    return m_levelHistories;
}
void CRunState::SetLevelHistories(const SLevelHistories& h) {
    VIREON_LOCK(kHistory);
    m_levelHistories = h;
}

SSurfaceGeometry CRunState::GetSurfaceGeometry() const {
    VIREON_LOCK(kSurface);
    return {m_nSurfaceRows, m_nSurfaceCols, m_nSurfaceRow};
}
void CRunState::SetSurfaceGeometry(const SSurfaceGeometry& g) {
    VIREON_LOCK(kSurface);
    m_nSurfaceRows = g.nRows;
    m_nSurfaceCols = g.nCols;
    m_nSurfaceRow = g.nRow;
}
double* CRunState::GetSurface() const {
    VIREON_LOCK(kSurface);
    return m_pSurface;
}
void CRunState::SetSurface(double* p) {
    VIREON_LOCK(kSurface);
    m_pSurface = p;
}

SCaptureFormat CRunState::GetCaptureFormat() const {
    VIREON_LOCK(kFormat);
    return {m_dSampleRate,  m_nBitsPerSample, m_nChannels,
            m_nFrameStride, m_nChannelMode,   m_nWindowType};
}
void CRunState::SetCaptureFormat(const SCaptureFormat& f) {
    VIREON_LOCK(kFormat);
    m_dSampleRate = f.dSampleRate;
    m_nBitsPerSample = f.nBitsPerSample;
    m_nChannels = f.nChannels;
    m_nFrameStride = f.nFrameStride;
    m_nChannelMode = f.nChannelMode;
    m_nWindowType = f.nWindowType;
}

SLevels CRunState::GetLevels() const {
    VIREON_LOCK(kLevels);
    return m_levels;
}
void CRunState::SetLevels(const SLevels& l) {
    VIREON_LOCK(kLevels);
    m_levels = l;
}
SStereoLevels CRunState::GetStereoLevels() const {
    VIREON_LOCK(kLevels);
    return m_stereoLevels;
}
void CRunState::SetStereoLevels(const SStereoLevels& l) {
    VIREON_LOCK(kLevels);
    m_stereoLevels = l;
}

SDisplayRange CRunState::GetDisplayRange() const {
    VIREON_LOCK(kRange);
    return m_range;
}
void CRunState::SetDisplayRange(const SDisplayRange& r) {
    VIREON_LOCK(kRange);
    m_range = r;
}

SSpectrumStats CRunState::GetSpectrumStats() const {
    VIREON_LOCK(kStats);
    return m_stats;
}
void CRunState::SetSpectrumStats(const SSpectrumStats& s) {
    VIREON_LOCK(kStats);
    m_stats = s;
}

bool CRunState::GetScreenshotReady() const {
    VIREON_LOCK(kScreenshot);
    return m_bScreenshotReady;
}
void CRunState::SetScreenshotReady(bool ready) {
    VIREON_LOCK(kScreenshot);
    m_bScreenshotReady = ready;
}
std::int32_t CRunState::GetScreenshotThreadState() const {
    VIREON_LOCK(kScreenshot);
    return m_nScreenshotThreadState;
}
void CRunState::SetScreenshotThreadState(std::int32_t state) {
    VIREON_LOCK(kScreenshot);
    m_nScreenshotThreadState = state;
}
std::int32_t CRunState::GetFftTime() const {
    VIREON_LOCK(kFftTime);
    return m_nFftTimeMs;
}
void CRunState::SetFftTime(std::int32_t ms) {
    VIREON_LOCK(kFftTime);
    m_nFftTimeMs = ms;
}
std::int32_t CRunState::GetCaptureFlags() const {
    VIREON_LOCK(kCapture);
    return m_nCaptureFlags;
}
void CRunState::SetCaptureFlags(std::int32_t flags) {
    VIREON_LOCK(kCapture);
    m_nCaptureFlags = flags;
}
std::int64_t CRunState::GetCaptureElapsed() const {
    VIREON_LOCK(kCapture);
    return m_nCaptureElapsed;
}
void CRunState::SetCaptureElapsed(std::int64_t seconds) {
    VIREON_LOCK(kCapture);
    m_nCaptureElapsed = seconds;
}
bool CRunState::GetClipboardCopy() const {
    VIREON_LOCK(kCapture);
    return m_bClipboardCopy;
}
void CRunState::SetClipboardCopy(bool copy) {
    VIREON_LOCK(kCapture);
    m_bClipboardCopy = copy;
}
std::int32_t CRunState::GetCaptureType() const {
    VIREON_LOCK(kCapture);
    return m_nCaptureType;
}
void CRunState::SetCaptureType(std::int32_t type) {
    VIREON_LOCK(kCapture);
    m_nCaptureType = type;
}
std::uint8_t* CRunState::GetScreenDib(std::uint32_t* pSize) const {
    VIREON_LOCK(kCapture);
    if (pSize != nullptr)
        *pSize = m_nScreenDibSize;
    return m_hScreenDib;
}
void CRunState::SetScreenDib(std::uint8_t* p, std::uint32_t size) {
    VIREON_LOCK(kCapture);
    m_hScreenDib = p;
    m_nScreenDibSize = size;
}
const SBitmapInfoHeader* CRunState::GetScreenDibHeader() const {
    VIREON_LOCK(kCapture);
    return m_pScreenDibHeader;
}
void CRunState::SetScreenDibHeader(const SBitmapInfoHeader* p) {
    VIREON_LOCK(kCapture);
    m_pScreenDibHeader = p;
}

SDisplaySettings CRunState::GetDisplaySettings() const {
    VIREON_LOCK(kDisplay);
    return {m_nPlotType, m_nPanelFlags, m_nPalette, m_bPlotOnly};
}
void CRunState::SetDisplaySettings(const SDisplaySettings& s) {
    VIREON_LOCK(kDisplay);
    m_nPlotType = s.nPlotType;
    m_nPanelFlags = s.nPanelFlags;
    m_nPalette = s.nPalette;
    m_bPlotOnly = s.bPlotOnly;
}
SPaletteSettings CRunState::GetPaletteSettings() const {
    VIREON_LOCK(kDisplay);
    return {m_nPaletteShift, m_fPaletteScale, m_bPaletteInvert};
}
void CRunState::SetPaletteSettings(const SPaletteSettings& s) {
    VIREON_LOCK(kDisplay);
    m_nPaletteShift = s.nShift;
    m_fPaletteScale = s.fScale;
    m_bPaletteInvert = s.bInvert;
}
bool CRunState::GetDisplayChanged() const {
    VIREON_LOCK(kDisplay);
    return m_bDisplayChanged;
}
void CRunState::SetDisplayChanged(bool changed) {
    VIREON_LOCK(kDisplay);
    m_bDisplayChanged = changed;
}

SColour CRunState::GetBackgroundColor() const {
    VIREON_LOCK(kBack);
    return {m_fBackRed, m_fBackGreen, m_fBackBlue};
}
void CRunState::SetBackgroundColor(float r, float g, float b) {
    VIREON_LOCK(kBack);
    m_fBackRed = r;
    m_fBackGreen = g;
    m_fBackBlue = b;
}
SColour CRunState::GetForegroundColor() const {
    VIREON_LOCK(kFore);
    return {m_fForeRed, m_fForeGreen, m_fForeBlue};
}
void CRunState::SetForegroundColor(float r, float g, float b) {
    VIREON_LOCK(kFore);
    m_fForeRed = r;
    m_fForeGreen = g;
    m_fForeBlue = b;
}

SPresetSettings CRunState::GetPresetSettings() const {
    SPresetSettings s;
    {
        VIREON_LOCK(kFormat);
        s.nChannelMode = m_nChannelMode;
        s.nWindowType = m_nWindowType;
    }
    {
        VIREON_LOCK(kRange);
        s.dFreqMin = m_range.dFreqMin;
        s.dFreqMax = m_range.dFreqMax;
        s.dFreqSpan = m_range.dFreqSpan;
        s.dMagMin = m_range.dMagMin;
        s.dMagMax = m_range.dMagMax;
        s.bAutoScale = m_range.bAutoScale;
    }
    {
        VIREON_LOCK(kDisplay);
        s.nPlotType = m_nPlotType;
        s.nPanelFlags = m_nPanelFlags;
        s.nPalette = m_nPalette;
        s.nPaletteShift = m_nPaletteShift;
        s.fPaletteScale = m_fPaletteScale;
        s.bPaletteInvert = m_bPaletteInvert;
        s.bPlotOnly = m_bPlotOnly;
    }
    {
        VIREON_LOCK(kBack);
        s.fBackRed = m_fBackRed;
        s.fBackBlue = m_fBackBlue;
        s.fBackGreen = m_fBackGreen;
    }
    {
        VIREON_LOCK(kFore);
        s.fForeRed = m_fForeRed;
        s.fForeBlue = m_fForeBlue;
        s.fForeGreen = m_fForeGreen;
    }
    return s;
}

void CRunState::SetPresetSettings(const SPresetSettings& s) {
    {
        VIREON_LOCK(kFormat);
        m_nChannelMode = s.nChannelMode;
        m_nWindowType = s.nWindowType;
    }
    {
        VIREON_LOCK(kRange);
        m_range = {s.dFreqMin, s.dFreqMax, s.dFreqSpan, s.dMagMin, s.dMagMax, s.bAutoScale};
    }
    {
        VIREON_LOCK(kDisplay);
        m_nPlotType = s.nPlotType;
        m_nPanelFlags = s.nPanelFlags;
        m_nPalette = s.nPalette;
        m_nPaletteShift = s.nPaletteShift;
        m_fPaletteScale = s.fPaletteScale;
        m_bPaletteInvert = s.bPaletteInvert;
        m_bPlotOnly = s.bPlotOnly;
    }
    {
        VIREON_LOCK(kBack);
        m_fBackRed = s.fBackRed;
        m_fBackBlue = s.fBackBlue;
        m_fBackGreen = s.fBackGreen;
    }
    {
        VIREON_LOCK(kFore);
        m_fForeRed = s.fForeRed;
        m_fForeBlue = s.fForeBlue;
        m_fForeGreen = s.fForeGreen;
    }
}
