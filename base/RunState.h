// The one store through which the user-interface, input, analysis and
// screenshot threads exchange parameters, results and control words.
//
// Every field belongs to one group; each group has its own mutex, taken only
// by that group's accessors and never nested, so the store cannot deadlock and
// a reader never sees half of a group. Every accessor may be called from any
// thread. Buffers whose pointers are carried here are NOT protected by these
// locks: the analysis thread writes history rows while the plots read them
// (see analysis/HistoryBuffers.h for how that access stays well-defined).
#pragma once

#include <array>
#include <cstdint>
#include <mutex>

#include "base/BitmapInfoHeader.h"

// Plot types.
enum : std::int32_t {
    PLOT_HISTOGRAM = 0,
    PLOT_WATERFALL = 1,
    PLOT_SURFACE = 2,
    PLOT_BARS = 3,
    PLOT_METERS = 4,
};

// Overlay panel flags (bit set; the default is 47). Bit 16 has no panel.
enum : std::int32_t {
    PANEL_INFO = 1,
    PANEL_RUNSTATUS = 2,
    PANEL_SCALE = 4,
    PANEL_VUMETER = 8,
    PANEL_VOLUME = 32,
};
inline constexpr std::int32_t kDefaultPanelFlags = 47;

// Thread control words: -1 not running, 1 run, 0 stop requested.
inline constexpr std::int32_t kThreadNotRunning = -1;
inline constexpr std::int32_t kThreadStopRequested = 0;
inline constexpr std::int32_t kThreadRun = 1;

// Capture bits (CCaptureSession and the store's m_nCaptureFlags).
inline constexpr std::int32_t kCaptureScreen = 1;
inline constexpr std::int32_t kCaptureSound = 2;

// Channel functions (m_nChannelMode).
enum : std::int32_t {
    CHANNEL_LEFT = 0,
    CHANNEL_RIGHT = 1,
    CHANNEL_SUM = 2,
    CHANNEL_DIFFERENCE = 3,
};

// Scale from a signed 16-bit sample to about +-1.0 (1 / 32767).
inline constexpr double kSampleScale = 3.051850947599719e-05;

struct SDisplayRange {
    double dFreqMin = 0.0;  // Hz
    double dFreqMax = 0.0;  // Hz
    double dFreqSpan = 0.0; // max - min, kept by the writers
    double dMagMin = 0.0;   // linear magnitude, 1.0 = full scale
    double dMagMax = 0.0;
    bool bAutoScale = false;
};

struct SSpectrumStats {
    double dMeasuredMagMin = 0.0;
    double dMeasuredMagMax = 0.0;
    double dDcMagnitude = 0.0;
    double dBinWidth = 0.0; // Hz per bin
    double dNyquist = 0.0;  // Hz
};

struct SCaptureFormat {
    double dSampleRate = 0.0;
    std::int32_t nBitsPerSample = 0;
    std::int32_t nChannels = 0;
    std::int32_t nFrameStride = 0; // 16-bit samples from one frame to the next
    std::int32_t nChannelMode = 0; // CHANNEL_*
    std::int32_t nWindowType = 0;  // 0..9, see analysis/WindowTable.h
};

// The view's start-up capture format and display range; Reset Plot returns
// the range to these.
inline constexpr SCaptureFormat kDefaultCaptureFormat{44100.0, 16, 2, 2, CHANNEL_SUM, 0};
inline constexpr SDisplayRange kDefaultDisplayRange{1.0, 10000.0, 9999.0, 0.0, 1.0, false};

struct SHistoryGeometry {
    std::int32_t nRingRows = 0;      // 2H
    std::int32_t nHistoryLength = 0; // H
    std::int32_t nHistoryRow = 0;    // row the next block goes to, 0..H-1
    std::int32_t nRowWidth = 0;      // bytes per waterfall row
};

struct SSurfaceGeometry {
    std::int32_t nRows = 0; // R
    std::int32_t nCols = 0; // K
    std::int32_t nRow = 0;  // next row to write = the oldest row
};

struct SLevelHistories {
    double* pMin = nullptr;
    double* pMax = nullptr;
    double* pLeftMin = nullptr;
    double* pLeftMax = nullptr;
    double* pRightMin = nullptr;
    double* pRightMax = nullptr;
};

struct SLevels {
    std::int16_t nPeakMin = 0;
    std::int16_t nPeakMax = 0; // never below 0
    std::int16_t nPeakRms = 0; // nPeakMax * 0.707, truncated
};

struct SStereoLevels {
    std::int16_t nLeftMin = 0;
    std::int16_t nLeftMax = 0;
    std::int16_t nRightMin = 0;
    std::int16_t nRightMax = 0;
};

struct SDisplaySettings {
    std::int32_t nPlotType = 0;
    std::int32_t nPanelFlags = 0;
    std::int32_t nPalette = 0;
    bool bPlotOnly = false;
};

struct SPaletteSettings {
    std::int32_t nShift = 0; // -255..255
    float fScale = 1.0f;     // 0.1..2.0
    bool bInvert = false;
};

struct SColour {
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
};

// Every field a preset saves, as the preset file carries it: colours in the
// store's memory order red, blue, green, flags as they are.
struct SPresetSettings {
    std::int32_t nChannelMode = 0;
    std::int32_t nWindowType = 0;
    double dFreqMin = 0.0;
    double dFreqMax = 0.0;
    double dFreqSpan = 0.0;
    double dMagMin = 0.0;
    double dMagMax = 0.0;
    bool bAutoScale = false;
    std::int32_t nPlotType = 0;
    std::int32_t nPanelFlags = 0;
    std::int32_t nPalette = 0;
    std::int32_t nPaletteShift = 0;
    float fPaletteScale = 1.0f;
    bool bPaletteInvert = false;
    bool bPlotOnly = false;
    float fBackRed = 0.0f;
    float fBackBlue = 0.0f;
    float fBackGreen = 0.0f;
    float fForeRed = 0.0f;
    float fForeBlue = 0.0f;
    float fForeGreen = 0.0f;
};

class CRunState {
public:
    CRunState();
    virtual ~CRunState() = default;
    CRunState(const CRunState&) = delete;
    CRunState& operator=(const CRunState&) = delete;

    // Thread control and run clock.
    std::int32_t GetRenderThreadState() const;
    void SetRenderThreadState(std::int32_t state);
    std::int32_t GetInputThreadState() const;
    void SetInputThreadState(std::int32_t state);
    bool IsAcquiring() const;
    void SetAcquiring(bool acquiring);
    std::int64_t GetRunStart() const; // calendar seconds
    void SetRunStart(std::int64_t t);

    // Waterfall ring and level histories (buffers owned by CHistoryBuffers).
    SHistoryGeometry GetHistoryGeometry() const;
    void SetHistoryGeometry(const SHistoryGeometry& g);
    std::uint8_t* GetWaterfall() const;
    void SetWaterfall(std::uint8_t* p);
    SLevelHistories GetLevelHistories() const;
    void SetLevelHistories(const SLevelHistories& h);

    // Surface ring.
    SSurfaceGeometry GetSurfaceGeometry() const;
    void SetSurfaceGeometry(const SSurfaceGeometry& g);
    double* GetSurface() const;
    void SetSurface(double* p);

    SCaptureFormat GetCaptureFormat() const;
    void SetCaptureFormat(const SCaptureFormat& f);

    // Block levels (lock 6 shared by both groups, separate accessors).
    SLevels GetLevels() const;
    void SetLevels(const SLevels& l);
    SStereoLevels GetStereoLevels() const;
    void SetStereoLevels(const SStereoLevels& l);

    SDisplayRange GetDisplayRange() const;
    void SetDisplayRange(const SDisplayRange& r);

    SSpectrumStats GetSpectrumStats() const;
    void SetSpectrumStats(const SSpectrumStats& s);

    // Screen-capture hand-off.
    bool GetScreenshotReady() const;
    void SetScreenshotReady(bool ready);
    std::int32_t GetScreenshotThreadState() const;
    void SetScreenshotThreadState(std::int32_t state);
    std::int32_t GetFftTime() const; // ms
    void SetFftTime(std::int32_t ms);
    std::int32_t GetCaptureFlags() const;
    void SetCaptureFlags(std::int32_t flags);
    // Seconds the current capture has recorded (pauses left out), published
    // by the view every tick for the run-status panel.
    std::int64_t GetCaptureElapsed() const;
    void SetCaptureElapsed(std::int64_t seconds);
    bool GetClipboardCopy() const;
    void SetClipboardCopy(bool copy);
    std::int32_t GetCaptureType() const;
    void SetCaptureType(std::int32_t type);
    std::uint8_t* GetScreenDib(std::uint32_t* pSize) const;
    void SetScreenDib(std::uint8_t* p, std::uint32_t size);
    const SBitmapInfoHeader* GetScreenDibHeader() const;
    void SetScreenDibHeader(const SBitmapInfoHeader* p);

    // Display settings and colours (preset).
    SDisplaySettings GetDisplaySettings() const;
    void SetDisplaySettings(const SDisplaySettings& s);
    SPaletteSettings GetPaletteSettings() const;
    void SetPaletteSettings(const SPaletteSettings& s);
    bool GetDisplayChanged() const;
    void SetDisplayChanged(bool changed);
    SColour GetBackgroundColor() const;
    void SetBackgroundColor(float r, float g, float b);
    SColour GetForegroundColor() const;
    void SetForegroundColor(float r, float g, float b);

    // The preset fields, for the preset reader and writer: each group is
    // copied under its own lock, one group after another (never nested), so
    // worker threads reading a group see it whole. Writing leaves the sample
    // layout and the display-changed flag alone.
    SPresetSettings GetPresetSettings() const;
    void SetPresetSettings(const SPresetSettings& s);

    // Preset colour fields lie in memory as red, blue, green; the preset file
    // follows that order. Exposed read-only for tests.
    const float* BackgroundMemory() const { return &m_fBackRed; }

private:
    mutable std::array<std::mutex, 16> m_locks;

    // Lock 3 unless noted.
    std::int32_t m_nRenderThreadState = 0;
    std::int32_t m_nInputThreadState = 0; // lock 1
    bool m_bAcquiring = false;            // lock 2
    std::int64_t m_tRunStart = 0;         // lock 2

    std::int32_t m_nRingRows = 0;
    std::int32_t m_nHistoryLength = 0;
    std::int32_t m_nHistoryRow = 0;
    std::int32_t m_nRowWidth = 0;
    std::uint8_t* m_pWaterfall = nullptr;
    SLevelHistories m_levelHistories;

    // Lock 4.
    std::int32_t m_nSurfaceRows = 0;
    std::int32_t m_nSurfaceCols = 0;
    std::int32_t m_nSurfaceRow = 0;
    double* m_pSurface = nullptr;

    // Lock 5.
    double m_dSampleRate = 0.0;
    std::int32_t m_nBitsPerSample = 0;
    std::int32_t m_nChannels = 0;
    std::int32_t m_nFrameStride = 0;
    std::int32_t m_nChannelMode = 0;
    std::int32_t m_nWindowType = 0;

    // Lock 6.
    SLevels m_levels;
    SStereoLevels m_stereoLevels;

    // Lock 7.
    SDisplayRange m_range;

    // Lock 8.
    SSpectrumStats m_stats;

    // Lock 9.
    bool m_bScreenshotReady = false;
    std::int32_t m_nScreenshotThreadState = 0;
    // Lock 12.
    std::int32_t m_nFftTimeMs = 0;
    // Lock 11.
    std::int32_t m_nCaptureFlags = 0;
    std::int64_t m_nCaptureElapsed = 0;
    bool m_bClipboardCopy = false;
    std::int32_t m_nCaptureType = 0;
    std::uint8_t* m_hScreenDib = nullptr;
    std::uint32_t m_nScreenDibSize = 0;
    const SBitmapInfoHeader* m_pScreenDibHeader = nullptr;

    // Lock 13.
    std::int32_t m_nPlotType = 0;
    std::int32_t m_nPanelFlags = 0;
    std::int32_t m_nPalette = 0;
    std::int32_t m_nPaletteShift = 0;
    float m_fPaletteScale = 1.0f;
    bool m_bPaletteInvert = false;
    bool m_bPlotOnly = false;
    bool m_bDisplayChanged = false;

    // Lock 14, then 15; memory order red, blue, green.
    float m_fBackRed = 0.0f;
    float m_fBackBlue = 0.0f;
    float m_fBackGreen = 0.0f;
    float m_fForeRed = 0.0f;
    float m_fForeBlue = 0.0f;
    float m_fForeGreen = 0.0f;
};

// The process-wide store, constructed during static initialisation.
extern CRunState g_runState;
