// SPDX-License-Identifier: GPL-3.0-or-later
// The OpenGL view: the window's drawing surface and the program's main loop.
//
// It owns the acquisition pipeline (sample exchange, history buffers, worker
// threads: acquisition/SpectrumPipeline.h), the palette, and one object of
// every plot and panel. A 100 ms timer (kTimerPeriod) drives everything:
// tick 2 fits the main window around a W x P view, tick 3 opens the startup
// preset, tick 5 starts the input thread and tick 6 the analysis and
// screenshot threads; every tick from then on decides whether to redraw.
// It draws only when something the frame shows has changed (a new history
// row, levels, the range, colours, the palette, a command, the window, the
// run-status clock's second while that panel shows) or a screen-capture
// frame is due, and while acquiring no sooner than the measured drawing time
// after the last frame. paintGL is OnDraw: layout if needed, clear, palette
// pixel maps, the 2D projection, the plot of the current type, the volume
// strip and the overlay panels its flags select, timing.
//
// The view never calls its frame: it tells it by signal what changed (the
// title, the command states, the window fit, the status-bar texts), and it
// hears from its document the same way.
//
// OnDestroy is the stop protocol (the pipeline's Stop); only after it may
// the OpenGL context go, which the destructor then releases.
//
// The view is a widget that shows a native OpenGL window (CViewSurface,
// view/ViewSurface.h) through a window container; the surface calls back
// into the view's initializeGL, resizeGL and paintGL and passes on its mouse
// events. The context is Qt's default compatibility profile: the drawing
// uses OpenGL 1.1 calls. Everything here runs on the user-interface thread.
//
// One class, its members defined across files by responsibility:
//   TamselView.cpp    construction, the OpenGL lifecycle (context, size,
//                     paintGL, read-back for screen capture), the timer loop,
//                     the stop protocol and the screenshot thread's body
//   ViewPanels.cpp    the plots and panels: fonts, colours, layout, drawing
//   ViewDocument.cpp  the document and the store: display and palette
//                     settings, the startup preset, the title
//   ViewCommands.cpp  the menu commands and their enabled/checked states
//   ViewDialogs.cpp   the dialogs' glue: acquisition parameters, preferences,
//                     capture settings, plot colours, the help page
//   ViewMouse.cpp     the mouse drags and the status-bar hints
//   ViewInput.cpp     the sound source: dropped files, switching the source,
//                     a source that fails part-way
#pragma once

#include <QImage>
#include <QWidget>

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/BitmapInfoHeader.h"
#include "base/RunState.h"
#include "base/TimeAverage.h"
#include "plots/BarsPlot.h"
#include "plots/HistogramPlot.h"
#include "plots/InfoPanel.h"
#include "plots/MetersPlot.h"
#include "plots/Palette.h"
#include "plots/Panel.h"
#include "plots/RunStatusPanel.h"
#include "plots/ScalePanel.h"
#include "plots/SurfacePlot.h"
#include "plots/VolumePanel.h"
#include "plots/VuMeterPanel.h"
#include "plots/WaterfallPlot.h"
#include "recording/CaptureSession.h"

class CFileDropHandler;
class CSpectrumPipeline;
class CViewSurface;
class CTamselDoc;
class ICaptureBackend;
class IImageClipboard;
class IGlyphRasterizer;
class QTimer;
class QWindow;
class QUrl;

class CTamselView : public QWidget {
    Q_OBJECT

public:
    // Makes a capture backend: for an empty path the one the command line
    // chose (its file, or the sound device) when the window is created;
    // otherwise the file at path (a dropped one).
    using BackendFactory = std::function<std::unique_ptr<ICaptureBackend>(const std::string& path)>;
    // Called at the end of every timer tick (test instrumentation).
    using TickObserver = std::function<void(std::int32_t tick)>;

    // Sizes every buffer from the startup settings, which must be loaded.
    CTamselView(CTamselDoc* doc, QWidget* parent);
    ~CTamselView() override;

    static void SetBackendFactory(BackendFactory factory);
    // Whether an OpenGL context of the kind the view draws with (legacy
    // calls, so not a core profile) can be created and made current. Qt
    // neither reports a view whose context failed (it silently skips
    // initializeGL) nor survives drawing such a window on some platforms, so
    // the application asks before it shows one.
    static bool CanCreateContext();
    // Rasterises the glyphs of the bitmap fonts when the window is created;
    // must outlive every view. Without one the fonts stay empty.
    static void SetGlyphRasterizer(IGlyphRasterizer* rasterizer);
    // Where Edit > Copy's image goes; must outlive every view. Without one a
    // copy reports "Clipboard Error".
    static void SetImageClipboard(IImageClipboard* clipboard);
    void SetTickObserver(TickObserver observer) { m_tickObserver = std::move(observer); }

    // Help: opens a URL in the user's browser (QDesktopServices by default);
    // returns whether it could. Tests put their own here; an empty one
    // restores the browser.
    using UrlOpener = std::function<bool(const QUrl& url)>;
    static void SetUrlOpener(UrlOpener opener);
    // The help page installed with the program, used when the current
    // directory has none. Defaults to the install location beside the
    // executable (../share/vireon/HTML/TamselHelp.htm); an empty path
    // restores that.
    static void SetInstalledHelpFile(const QString& path);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    // The view's picture: a frame drawn now and read back, W x P or the
    // view's size. Null before the context exists.
    QImage grabFramebuffer();

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
    // Screen capture: Edit > Copy takes the next drawn frame to the
    // clipboard; File > Capture > Settings... sets a capture up (or shows
    // the one set up, read-only).
    void OnEditCopy();
    void OnCaptureSettings();
    // File > Capture > Enable starts or pauses the capture set up; Close
    // ends it (both greyed until a capture is set up).
    void OnCaptureEnable();
    void OnCaptureClose();

    // Plot types, panels, Reset Plot, Help.
    void OnPlotHistogram() { SetPlotType(PLOT_HISTOGRAM); }
    void OnPlotWaterfall() { SetPlotType(PLOT_WATERFALL); }
    void OnPlotSurface() { SetPlotType(PLOT_SURFACE); }
    void OnPlotBars() { SetPlotType(PLOT_BARS); }
    void OnPlotMeters() { SetPlotType(PLOT_METERS); }
    void OnViewProgramInfo() { TogglePanel(PANEL_INFO); }
    void OnViewRunStatus() { TogglePanel(PANEL_RUNSTATUS); }
    void OnViewMagnitudeScale() { TogglePanel(PANEL_SCALE); }
    void OnViewVuMeter() { TogglePanel(PANEL_VUMETER); }
    void OnViewVolume() { TogglePanel(PANEL_VOLUME); }
    void OnViewPlotOnly();
    // View > Decibel Scale and View > Log Frequency Axis: each toggles its
    // option in the store (from the next analysed block on) and tells the
    // frame (displayScaleChanged); neither touches the preset.
    void OnViewDecibelScale();
    void OnViewLogFrequency();
    // Both options at once, as the per-user settings remember them.
    void SetDisplayScale(const SDisplayScale& scale);
    SDisplayScale GetDisplayScale() const { return g_runState.GetDisplayScale(); }
    void OnPlotReset();
    void OnHelpFinder();

    // Mouse (client coordinates, y downward). The kind of drag is decided
    // on every move from that move's buttons and keys.
    void OnLButtonDown(Qt::KeyboardModifiers keys, const QPoint& point);
    void OnRButtonDown(const QPoint& point);
    void OnLButtonUp();
    void OnRButtonUp();
    void OnMouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers keys, const QPoint& point);
    // The three status-bar panes (statusTextChanged): what a drag would do,
    // the frequency and magnitude range, RUN or STOP. Switches the 3D
    // plots' guide lines while the user turns or zooms them.
    void UpdateStatusHint();
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

    // ---- the sound source ----
    // A file dropped on the window: a preset (".tpz") opens as File > Open
    // opens it; anything else becomes the sound source (SwitchInput).
    void OnFileDropped(const QString& path);
    // Plays the file at path instead of the source there is: it is opened
    // first, and one that cannot be is reported as the failed capture device
    // is ("Couldn't initialize sound capture device" and the reason) while
    // the old source runs on. Otherwise a recording in progress is closed
    // (as File > Capture > Close does), the run is stopped, the old source
    // released and the new one initialised, and the next ticks start the run
    // again. Returns whether the new source is in place.
    bool SwitchInput(const std::string& path);
    // Installed on the frame, it passes files dropped there to OnFileDropped.
    CFileDropHandler* DropHandler() const { return m_pDropHandler; }

    // The stop protocol; idempotent. Runs before the window goes away.
    void OnDestroy();

    // State, for the frame, the tests and the instrumentation.
    std::int32_t Ticks() const { return m_nTicks; }
    bool IsAcquiring() const { return m_bAcquiring; }
    bool IsClosing() const { return m_bClosing; }
    std::int32_t LastDrawMs() const { return m_nLastDrawMs; }
    std::int32_t AverageDrawMs() const { return m_drawTime.Average(); }
    std::int32_t AverageTimerMs() const { return m_timerInterval.Average(); }
    // Frames drawn (paintGL calls) since the start.
    std::int64_t DrawCount() const { return m_nDrawCount; }
    // Wall time spent inside paintGL since the start, in microseconds.
    std::int64_t DrawTimeUs() const { return m_nDrawTimeUs; }
    const CPalette& Palette() const { return m_palette; }
    CCaptureSession& Capture() { return m_capture; }
    bool IsCaptureConfigured() const { return m_bCaptureConfigured; }
    std::int32_t PlotType() const { return m_nPlotType; }
    std::int32_t PanelFlags() const { return m_nPanelFlags; }
    const CPlot3D& SurfacePlot() const { return m_surfacePlot; }
    const CPlot3D& BarsPlot() const { return m_barsPlot; }
    // The native window the frames are drawn in (it fills the view).
    QWindow* Surface() const;

signals:
    // The main window's title should read this.
    void titleChanged(const QString& title);
    // Check marks and enabled states may have changed.
    void commandStatesChanged();
    // The window should grow by this many pixels so the view is W x P.
    void windowGrowRequested(int dx, int dy);
    // Status-bar pane 0..2 should read this.
    void statusTextChanged(int pane, const QString& text);
    // The window has no usable OpenGL context; the failure has been reported
    // and the program should end.
    void contextFailed();
    // The decibel scale or the log frequency axis was switched by a command.
    void displayScaleChanged(bool decibel, bool logFrequency);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    // The pipeline over the view's buffers and threads, started by the ticks.
    std::unique_ptr<CSpectrumPipeline> MakePipeline();
    std::unique_ptr<ICaptureBackend> MakeBackend(const std::string& path) const;
    static void ReportInputFailure(const std::string& why);
    // Tells the user once of each new fault of the source (a file that
    // cannot be read to its end).
    void ReportInputFault();
    friend class CViewSurface;
    // The surface's OpenGL lifecycle; its context is current in each.
    void initializeGL();
    void resizeGL(int w, int h);
    void paintGL();
    // What paintGL draws: layout if needed, clear, pixel maps, projection,
    // plot and panels.
    void DrawFrame();
    // Asks the surface for a frame as soon as Qt can paint it.
    void RequestFrame();
    // What the frame shows that can change between ticks, as bit patterns;
    // a frame is due when they differ from those of the last one drawn.
    std::vector<std::uint64_t> FrameInputs() const;
    bool RunStatusShown() const;
    void OnTimer();
    void FitMainWindow();
    void OpenStartupPreset();
    void LayoutPanels();
    void SetupPanels();
    void SetPanelColours();
    // The plot of the current type, or null for one not built.
    CPanel* CurrentPlot();
    bool VolumeShown() const;
    void DrawPanels();
    void PublishDisplaySettings();
    void PublishPaletteSettings();
    void ReleaseContext();
    // The run flagged as acquiring and its clock restarted, once capture has
    // been started.
    void FlagRunStarted();
    // Run found that capture would not start: one warning naming the device
    // and why, unless there is no device (the start-up said so).
    void ReportRunFailure();
    void RunScreenShotThread(); // on the screenshot thread
    void PublishCapture();
    // Reads the frame just drawn into the screen DIB and flags it ready for
    // the screenshot thread (inside paintGL).
    void takeScreenShot();
    bool checkGLError(const char* where);
    void ReportContextFailure();
    static std::uint32_t NowMs();
    void SetPlotType(std::int32_t type);
    void TogglePanel(std::int32_t flag);
    bool Is3DPlot() const { return m_nPlotType == PLOT_SURFACE || m_nPlotType == PLOT_BARS; }

    CTamselDoc* m_pDoc;
    QString m_strTitle;
    TickObserver m_tickObserver;

    // The plots and overlay panels, in the order they are constructed.
    CBarsPlot m_barsPlot;
    CScalePanel m_scalePanel;
    CHistogramPlot m_histogramPlot;
    CMetersPlot m_metersPlot;
    CInfoPanel m_infoPanel;
    CRunStatusPanel m_runStatusPanel;
    CWaterfallPlot m_waterfallPlot;
    CSurfacePlot m_surfacePlot;
    CVolumePanel m_volumePanel;
    CVuMeterPanel m_vuMeterPanel;

    CTimeAverage m_drawTime;
    CTimeAverage m_timerInterval;

    // Fixed for the run by the startup settings.
    const std::int32_t m_nW;
    const std::int32_t m_nP;
    const std::int32_t m_nH;
    const std::int32_t m_nK;
    const std::int32_t m_nR;

    SBitmapInfoHeader m_screenDibHeader;
    std::vector<std::uint8_t> m_screenDib;
    CCaptureSession m_capture;
    // Declared after everything its threads use, so it is destroyed first.
    std::unique_ptr<CSpectrumPipeline> m_pPipeline;
    CFileDropHandler* m_pDropHandler = nullptr; // a child
    std::string m_strReportedFault;

    CPalette m_palette;
    std::int32_t m_nPlotType = PLOT_HISTOGRAM;
    std::int32_t m_nPanelFlags = kDefaultPanelFlags;
    bool m_bPlotOnly = false;

    // The panel colours, set once with the panels.
    enum EPanelColour : int {
        COLOUR_PLOT_BACKGROUND,
        COLOUR_PANEL_BACKGROUND, // scale and information panels
        COLOUR_RUNNING,          // run status while acquiring
        COLOUR_STOPPED,          // run status otherwise
        COLOUR_VU_METER_BACKGROUND,
        COLOUR_BORDER,
        COLOUR_PANEL_TEXT,
        COLOUR_SLOTS
    };
    SColour m_colours[COLOUR_SLOTS];
    double m_dRotation[3] = {0, 0, 0};
    double m_dTranslation[3] = {0, 0, 0};

    // Mouse drag: the last position and what the last move did.
    QPoint m_ptLast;
    bool m_bRotateDrag = false;
    bool m_bZoomDrag = false;
    bool m_bRangeDrag = false;
    bool m_bPaletteDrag = false;

    CViewSurface* m_pSurface = nullptr;
    QTimer* m_pTimer = nullptr;
    bool m_bContextReady = false;
    bool m_bContextFailed = false;
    bool m_bLayoutNeeded = true;
    bool m_bForceScreenshot = false;
    // A command changed what the frame shows: draw at the next tick.
    bool m_bFrameWanted = false;
    std::vector<std::uint64_t> m_drawnInputs;
    bool m_bCaptureConfigured = false;
    bool m_bAcquiring = false;
    bool m_bClosing = false;
    std::int32_t m_nTicks = 0;
    std::int64_t m_tRunStart = 0;
    std::int32_t m_nLastDrawMs = 0;
    std::int64_t m_nDrawCount = 0;
    std::int64_t m_nDrawTimeUs = 0;
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
