// SPDX-License-Identifier: GPL-3.0-or-later
// The one store through which the user-interface, input, analysis and
// screenshot threads exchange parameters, results and control words.
//
// Every field belongs to one group, held as one guarded value (base/Guarded.h)
// with its own mutex. An accessor copies its group (or its part of it) under
// that mutex alone and never takes another, so the store cannot deadlock and
// a reader never sees half of a group. Every accessor may be called from any
// thread; the group list below says which threads do. Buffers whose pointers
// are carried here are NOT protected by these locks: the analysis thread
// writes history rows while the plots read them (see analysis/HistoryBuffers.h
// for how that access stays well-defined).
//
// "User-interface thread" is the view's; in the headless tool, its main
// thread plays that part.
#pragma once

#include <cstdint>

#include "base/BitmapInfoHeader.h"
#include "base/Guarded.h"
#include "base/Tunables.h"

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

// How the display lays out magnitudes and frequencies: options of the user,
// kept per user and never in a preset.
struct SDisplayScale {
    bool bDecibel = false;      // magnitudes mapped through dB, between the range's ends in dB
    bool bLogFrequency = false; // the frequency axis logarithmic (analysis/FrequencyAxis.h)
    bool operator==(const SDisplayScale&) const = default;
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
inline constexpr SCaptureFormat kDefaultCaptureFormat{kSampleRate, 16, 2, 2, CHANNEL_SUM, 0};
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

// Every field a preset saves, in the preset file's order (colours red, blue,
// green), flags as they are.
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

    // Block levels: one group, two accessors.
    SLevels GetLevels() const;
    void SetLevels(const SLevels& l);
    SStereoLevels GetStereoLevels() const;
    void SetStereoLevels(const SStereoLevels& l);

    SDisplayRange GetDisplayRange() const;
    void SetDisplayRange(const SDisplayRange& r);

    SDisplayScale GetDisplayScale() const;
    void SetDisplayScale(const SDisplayScale& s);

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

private:
    // The groups: what each holds, which threads write it, which read it.

    // The input thread's control word. Written by the user-interface thread
    // (CWorkerThreads: run, stop request) and by the input thread (not
    // running, as its last act); read by both.
    CGuarded<std::int32_t> m_inputThread;

    // Whether capture runs, and since when. Written and read by the
    // user-interface thread (view, run-status and meter panels).
    struct SRunClock {
        bool bAcquiring = false;
        std::int64_t tRunStart = 0;
    };
    CGuarded<SRunClock> m_runClock;

    // The analysis thread's control word and the history rings it fills.
    // The rings' geometry and buffers are published by the user-interface
    // thread (CHistoryBuffers) before the workers start; then the analysis
    // thread moves the next row and the user-interface thread (plots, the
    // headless tool's main loop) reads it. The control word is written as the
    // input thread's is.
    struct SAnalysisRings {
        std::int32_t nThreadState = 0;
        SHistoryGeometry geometry;
        std::uint8_t* pWaterfall = nullptr;
        SLevelHistories levelHistories;
    };
    CGuarded<SAnalysisRings> m_analysis;

    // The surface ring: published like the history rings; its next row
    // moved by the analysis thread and read by the 3D plots.
    struct SSurfaceRing {
        SSurfaceGeometry geometry;
        double* pSurface = nullptr;
    };
    CGuarded<SSurfaceRing> m_surface;

    // Written by the user-interface thread (view, document, presets); read by
    // the input thread (the exchange's put, once per block) and the
    // user-interface thread.
    CGuarded<SCaptureFormat> m_format;

    // The last block's levels. Written by the input thread (the exchange's
    // put); read by the user-interface thread (meters).
    struct SBlockLevels {
        SLevels mono;
        SStereoLevels stereo;
    };
    CGuarded<SBlockLevels> m_levels;

    // Written by the user-interface thread; read by the analysis thread (the
    // spectrum mapping) and the user-interface thread.
    CGuarded<SDisplayRange> m_range;

    // Written by the user-interface thread (the view's commands); read, like
    // the range, by the analysis thread before each block and by the
    // user-interface thread (the plots' axes). Not a preset field.
    CGuarded<SDisplayScale> m_scale;

    // Written by the analysis thread (the spectrum mapping); read by the
    // user-interface thread.
    CGuarded<SSpectrumStats> m_stats;

    // The screenshot thread's control word and its frame-ready flag. The
    // user-interface thread raises the flag after reading a frame into the
    // DIB and writes the word (run, stop request); the screenshot thread
    // lowers the flag once the frame is handled and sets the word to not
    // running as its last act. Both read both.
    struct SScreenshotHandOff {
        bool bReady = false;
        std::int32_t nThreadState = 0;
    };
    CGuarded<SScreenshotHandOff> m_screenshot;

    // What is being captured and where the frames lie. Written by the
    // user-interface thread (view, capture settings dialog); the screenshot
    // thread clears the clipboard request once served. Read by the input
    // thread (flags), the screenshot thread (flags, type, clipboard request,
    // DIB) and the user-interface thread (flags, elapsed).
    struct SCaptureControl {
        std::int32_t nFlags = 0;
        std::int64_t nElapsed = 0;
        bool bClipboardCopy = false;
        std::int32_t nType = 0;
        std::uint8_t* pScreenDib = nullptr;
        std::uint32_t nScreenDibSize = 0;
        const SBitmapInfoHeader* pScreenDibHeader = nullptr;
    };
    CGuarded<SCaptureControl> m_capture;

    // Written by the analysis thread (each transform, in ms); read by the
    // user-interface thread.
    CGuarded<std::int32_t> m_fftTime;

    // Plot, panels, palette and the flag that tells the view to apply them.
    // Written and read by the user-interface thread (view, document, presets).
    struct SDisplayGroup {
        SDisplaySettings settings;
        SPaletteSettings palette;
        bool bChanged = false;
    };
    CGuarded<SDisplayGroup> m_display;

    // Plot colours; written and read by the user-interface thread.
    CGuarded<SColour> m_background;
    CGuarded<SColour> m_foreground;
};

// The process-wide store, constructed during static initialisation.
extern CRunState g_runState;
