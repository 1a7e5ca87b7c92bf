// The OpenGL view: the window's drawing surface and the program's main loop.
//
// It owns the history buffers, the sample exchange and the worker threads,
// the palette and (as their issues land) the plots and panels. A 100 ms timer
// drives everything: tick 2 fits the main window around a W x P view, tick 3
// opens the startup preset, tick 5 starts the input thread and tick 6 the
// analysis and screenshot threads; every tick from then on decides whether
// to redraw, paced by the measured drawing time while acquiring and every
// third tick otherwise. paintGL is OnDraw: layout if needed, clear, palette
// pixel maps, the 2D projection, the plot and panels, timing.
//
// The view never calls its frame: it tells it by signal what changed (the
// title, the command states, the window fit, the status-bar texts), and it
// hears from its document the same way.
//
// OnDestroy is the stop protocol (start capture if paused, stop requests,
// polls, joins); only after it may the OpenGL context go, which the
// destructor then releases.
//
// The context is Qt's default compatibility profile: the drawing uses
// OpenGL 1.1 calls. Everything here runs on the user-interface thread.
#pragma once

#include <QOpenGLWidget>

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <vector>

#include "acquisition/InputThread.h"
#include "base/BitmapInfoHeader.h"
#include "base/RunState.h"
#include "base/TimeAverage.h"
#include "plots/Palette.h"
#include "plots/Panel.h"

class CHistoryBuffers;
class CSampleExchange;
class CTamselDoc;
class CWorkerThreads;
class ICaptureBackend;
class IGlyphRasterizer;
class QTimer;

class CTamselView : public QOpenGLWidget {
    Q_OBJECT

public:
    // Makes the capture backend when the window is created (the command
    // line's WAV file, or the sound device).
    using BackendFactory = std::function<std::unique_ptr<ICaptureBackend>()>;
    // Called at the end of every timer tick (test instrumentation).
    using TickObserver = std::function<void(std::int32_t tick)>;

    // Sizes every buffer from the startup settings, which must be loaded.
    CTamselView(CTamselDoc* doc, QWidget* parent);
    ~CTamselView() override;

    static void SetBackendFactory(BackendFactory factory);
    // Rasterises the glyphs of the bitmap fonts when the window is created;
    // must outlive every view. Without one the fonts stay empty.
    static void SetGlyphRasterizer(IGlyphRasterizer* rasterizer);
    void SetTickObserver(TickObserver observer) { m_tickObserver = std::move(observer); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // Commands.
    void StartRun();
    void OnFileRun();
    void OnShowTiming();
    void OnPaletteGrayscale();
    void OnPaletteRainbow();
    void OnPaletteInvert();
    void OnPaletteReset();
    void OnPlotBackground();
    void OnPlotForeground();
    // Enabled state and check mark of a command; false for commands the
    // view does not handle (yet).
    bool GetCommandState(int commandId, bool& enabled, bool& checked) const;

    // The document changed (loaded, reset, reverted).
    void OnUpdate();
    void ApplyDisplaySettings();
    // Publishes the display and palette settings to the store (which presets
    // save), then marks a bound document modified: every change that belongs
    // to a preset goes through here, so Save always writes what is shown.
    void MarkModified();
    void UpdateTitle();
    std::int32_t GetPanelCount() const;
    // First panel position of the row at height y across width, and the spacing.
    CPoint GetPanelOrigin(std::int32_t width, std::int32_t y,
                          std::int32_t* spacing = nullptr) const;

    // ---- acquisition parameters and startup preferences ----
    // The Acquire command: fills the dialog from the store, runs it, and on
    // OK writes the ranges, channel and window back; a minimum not below its
    // maximum is reported and the dialog reopens with the stored values.
    void OnViewAcquire();
    // The Preferences command: on OK with a ticked setting writes
    // "Vireon.ini" and tells the user the settings apply at the next start,
    // or reports that the file could not be written.
    void OnEditPreferences();

    // The stop protocol; idempotent. Runs before the window goes away.
    void OnDestroy();

    // State, for the frame, the tests and the instrumentation.
    std::int32_t Ticks() const { return m_nTicks; }
    bool IsAcquiring() const { return m_bAcquiring; }
    bool IsClosing() const { return m_bClosing; }
    std::int32_t LastDrawMs() const { return m_nLastDrawMs; }
    std::int32_t AverageDrawMs() const { return m_drawTime.Average(); }
    std::int32_t AverageTimerMs() const { return m_timerInterval.Average(); }
    std::int64_t DrawCount() const { return m_nDrawCount; }
    const CPalette& Palette() const { return m_palette; }

signals:
    // The main window's title should read this.
    void titleChanged(const QString& title);
    // Check marks and enabled states may have changed.
    void commandStatesChanged();
    // The window should grow by this many pixels so the view is W x P.
    void windowGrowRequested(int dx, int dy);
    // Status-bar pane 0..2 should read this.
    void statusTextChanged(int pane, const QString& text);

protected:
    void initializeGL() override;
    void resizeGL(int w, int h) override;
    void paintGL() override;

private:
    void OnTimer();
    void FitMainWindow();
    void OpenStartupPreset();
    void LayoutPanels();
    void Redraw();
    void SetPanelColours();
    void PublishDisplaySettings();
    void PublishPaletteSettings();
    void ReleaseContext();
    static std::uint32_t NowMs();

    CTamselDoc* m_pDoc;
    QString m_strTitle;
    TickObserver m_tickObserver;

    CTimeAverage m_drawTime;
    CTimeAverage m_timerInterval;

    // Fixed for the run by the startup settings.
    const std::int32_t m_nW;
    const std::int32_t m_nP;
    const std::int32_t m_nH;
    const std::int32_t m_nK;
    const std::int32_t m_nR;

    std::unique_ptr<CSampleExchange> m_pExchange;
    std::unique_ptr<CHistoryBuffers> m_pHistory;
    SBitmapInfoHeader m_screenDibHeader;
    std::vector<std::uint8_t> m_screenDib;
    SInputParams m_inputParams;
    // Declared after everything the threads use, so it is destroyed first.
    std::unique_ptr<CWorkerThreads> m_pThreads;

    CPalette m_palette;
    std::int32_t m_nPlotType = PLOT_HISTOGRAM;
    std::int32_t m_nPanelFlags = kDefaultPanelFlags;
    bool m_bPlotOnly = false;

    SColour m_colours[7];
    double m_dRotation[3] = {0, 0, 0};
    double m_dTranslation[3] = {0, 0, 0};

    QTimer* m_pTimer = nullptr;
    bool m_bContextReady = false;
    bool m_bLayoutNeeded = true;
    bool m_bForceScreenshot = false;
    bool m_bCaptureConfigured = false;
    bool m_bAcquiring = false;
    bool m_bClosing = false;
    std::int32_t m_nTicks = 0;
    std::int64_t m_tRunStart = 0;
    std::int32_t m_nLastDrawMs = 0;
    std::int64_t m_nDrawCount = 0;
    std::int32_t m_nPlotWidth;
    std::int32_t m_nPlotHeight;
    std::int32_t m_nClientWidth = 0;
    std::int32_t m_nClientHeight = 0;
    std::int32_t m_nOffsetX = 0;
    std::int32_t m_nRingRows;
    std::int32_t m_nHistoryLength;
    // Time of the last paced redraw (monotonic ms; 0 before the first tick).
    std::uint32_t m_dwLastRedraw = 0;
};
