#include "view/TamselView.h"

#include <QApplication>
#include <QColorDialog>
#include <QDesktopServices>
#include <QEvent>
#include <QFileInfo>
#include <QMouseEvent>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QTimer>
#include <QUrl>

#include <GL/gl.h>

#include <chrono>
#include <filesystem>
#include <initializer_list>
#include <thread>

#include "acquisition/CaptureDevice.h"
#include "analysis/Decibel.h"
#include "analysis/HistoryBuffers.h"
#include "analysis/SampleExchange.h"
#include "analysis/WorkerThreads.h"
#include "base/DebugLog.h"
#include "base/Messages.h"
#include "base/StartupSettings.h"
#include "plots/FontList.h"
#include "plots/Projection.h"
#include "presets/AcquireDlg.h"
#include "presets/PrefsDlg.h"
#include "presets/TamselDoc.h"
#include "recording/CaptureSettingsDlg.h"
#include "recording/ScreenShotThread.h"
#include "resources/Resource.h"
#include "view/MouseDrag.h"
#include "view/PanelLayout.h"
#include "view/PixelMaps.h"
#include "view/ScreenShot.h"

namespace {

CTamselView::BackendFactory& BackendFactorySlot() {
    static CTamselView::BackendFactory factory;
    return factory;
}

IGlyphRasterizer*& GlyphRasterizerSlot() {
    static IGlyphRasterizer* rasterizer = nullptr;
    return rasterizer;
}

bool OpenInBrowser(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

CTamselView::UrlOpener& UrlOpenerSlot() {
    static CTamselView::UrlOpener opener = OpenInBrowser;
    return opener;
}

#ifndef VIREON_HELP_FROM_BINDIR
#define VIREON_HELP_FROM_BINDIR "../share/vireon/HTML/TamselHelp.htm"
#endif

QString& InstalledHelpFileSlot() {
    static QString path;
    return path;
}

QString InstalledHelpFile() {
    if (!InstalledHelpFileSlot().isEmpty())
        return InstalledHelpFileSlot();
    return QCoreApplication::applicationDirPath() + QStringLiteral("/" VIREON_HELP_FROM_BINDIR);
}

constexpr int kTimerMs = 100;

// Colour triples C0..C6: plot background, scale/info panel background,
// run-status running and stopped, VU meter background, border, panel text.
constexpr SColour kInitialColours[7] = {
    {0.0f, 0.0f, 0.0f}, {0.3f, 0.0f, 0.5f}, {0.1f, 0.5f, 0.0f}, {0.6f, 0.0f, 0.0f},
    {0.3f, 0.0f, 0.5f}, {0.0f, 0.0f, 0.0f}, {1.0f, 1.0f, 1.0f},
};

struct SFontSpec {
    std::int32_t listBase;
    int pixelHeight;
    const char* face;
};
constexpr SFontSpec kFonts[] = {
    {1000, 10, "Arial"},
    {1200, 12, "Arial"},
    {1400, 14, "Arial"},
    {2400, 24, "Courier Bold Italic"},
};

IImageClipboard*& ImageClipboardSlot() {
    static IImageClipboard* clipboard = nullptr;
    return clipboard;
}

// Colour dialog conversions: 0..1 floats to an 8-bit colour and back.
// The colour dialog works in 8-bit components; after Cancel the initial
// colour comes back, so a stored colour only loses precision below 1/255.
SColour ChooseColour(QWidget* parent, const SColour& current, const QString& title) {
    const auto byte = [](float v) { return static_cast<int>(v * 255.0f) & 0xff; };
    const QColor initial(byte(current.r), byte(current.g), byte(current.b));
    QColor chosen = QColorDialog::getColor(initial, parent, title);
    if (!chosen.isValid())
        chosen = initial;
    constexpr float kByteToFloat = 0.003921568859368563f;
    return {chosen.red() * kByteToFloat, chosen.green() * kByteToFloat,
            chosen.blue() * kByteToFloat};
}

} // namespace

void CTamselView::SetBackendFactory(BackendFactory factory) {
    BackendFactorySlot() = std::move(factory);
}

bool CTamselView::CanCreateContext() {
    QOpenGLContext context;
    context.setFormat(QSurfaceFormat::defaultFormat());
    if (!context.create() || !context.isValid() ||
        context.format().profile() == QSurfaceFormat::CoreProfile)
        return false;
    QOffscreenSurface surface;
    surface.setFormat(context.format());
    surface.create();
    if (!surface.isValid() || !context.makeCurrent(&surface))
        return false;
    context.doneCurrent();
    return true;
}

void CTamselView::SetGlyphRasterizer(IGlyphRasterizer* rasterizer) {
    GlyphRasterizerSlot() = rasterizer;
}

void CTamselView::SetImageClipboard(IImageClipboard* clipboard) {
    ImageClipboardSlot() = clipboard;
}

void CTamselView::SetUrlOpener(UrlOpener opener) {
    UrlOpenerSlot() = opener ? std::move(opener) : OpenInBrowser;
}

void CTamselView::SetInstalledHelpFile(const QString& path) {
    InstalledHelpFileSlot() = path;
}

CTamselView::CTamselView(CTamselDoc* doc, QWidget* parent)
    : QOpenGLWidget(parent), m_pDoc(doc), m_nW(g_startupSettings.m_nPlotWidth),
      m_nP(g_startupSettings.m_nPlotHeight), m_nH(g_startupSettings.m_nHistoryLength),
      m_nK(g_startupSettings.m_nSurfaceCols), m_nR(g_startupSettings.m_nSurfaceRows),
      m_nPlotWidth(m_nW), m_nPlotHeight(m_nP), m_nRingRows(2 * m_nH), m_nHistoryLength(m_nH) {
    setObjectName(QStringLiteral("TamselView"));
    setMinimumSize(m_nW, m_nP);
    setFocusPolicy(Qt::StrongFocus);
    if (m_pDoc) {
        connect(m_pDoc, &CTamselDoc::contentsChanged, this, &CTamselView::OnUpdate);
        // Presets: the title follows the document's path and modified flag;
        // a save writes what the view shows.
        connect(m_pDoc, &CTamselDoc::stateChanged, this, &CTamselView::UpdateTitle);
        connect(m_pDoc, &CTamselDoc::aboutToSave, this, [this] {
            PublishDisplaySettings();
            PublishPaletteSettings();
        });
    }

    m_pExchange =
        std::make_unique<CSampleExchange>(g_startupSettings.m_nBlockSize, kSampleRate, &g_runState);

    // History geometry, surface geometry and buffer pointers in the store.
    m_pHistory = std::make_unique<CHistoryBuffers>(m_nH, m_nK, m_nR);
    m_pHistory->Register(g_runState);
    g_runState.SetCaptureFormat(kDefaultCaptureFormat);
    g_runState.SetDisplayRange(kDefaultDisplayRange);

    // The plot image for screen capture: 24-bit rows padded to 4 bytes.
    m_screenDibHeader.biWidth = m_nW;
    m_screenDibHeader.biHeight = m_nP;
    m_screenDibHeader.biSizeImage = static_cast<std::uint32_t>(((3 * m_nW + 3) & ~3) * m_nP);
    g_runState.SetScreenDibHeader(&m_screenDibHeader);
    g_runState.SetScreenshotReady(false);
    m_screenDib.assign(m_screenDibHeader.biSizeImage + sizeof(SBitmapInfoHeader), 0);
    g_runState.SetScreenDib(m_screenDib.data(), static_cast<std::uint32_t>(m_screenDib.size()));

    m_tRunStart = static_cast<std::int64_t>(std::time(nullptr));
    g_runState.SetRunStart(m_tRunStart);

    m_palette.m_nPalette = CPalette::kGrayscale;
    m_palette.m_nPaletteShift = 0;
    m_palette.m_fPaletteScale = 1.0f;
    m_palette.m_bPaletteInvert = false;
    m_palette.Build(m_palette.m_nPalette);

    for (int i = 0; i < 7; ++i)
        m_colours[i] = kInitialColours[i];

    m_inputParams.pExchange = m_pExchange.get();
    m_inputParams.pRunState = &g_runState;
    m_inputParams.pRecorder = &m_capture;

    SWorkerHooks hooks;
    hooks.beforeInputStart = [this] { StartRun(); };
    hooks.inputThread = [params = m_inputParams] { InputThreadProc(params); };
    hooks.screenshotThread = [this] {
        SScreenShotParams params;
        params.pRunState = &g_runState;
        params.isDue = [this] { return m_capture.IsDue(CCaptureSession::kScreen); };
        params.writeAviFrame = [this](const std::uint8_t* dib) {
            return m_capture.WriteAviFrame(dib);
        };
        params.writeBmpFrame = [this](const std::uint8_t* dib, const SBmpFileHeader& header) {
            return m_capture.WriteBmpFrame(dib, header);
        };
        params.pClipboard = ImageClipboardSlot();
        ScreenShotThread(params);
    };
    hooks.isCapturing = [] { return IsCapturing(); };
    hooks.startCapture = [] { StartCapture(); };
    // Sets the three thread words to -1.
    m_pThreads = std::make_unique<CWorkerThreads>(
        g_runState, m_pHistory->RenderParams(m_pExchange.get(), &g_runState), std::move(hooks));
    m_bAcquiring = false;
    g_runState.SetAcquiring(false);

    m_nPanelFlags = kDefaultPanelFlags;
    m_bPlotOnly = false;
    m_bLayoutNeeded = true;

    g_projection2D.SetKind(0);
    g_projection3D.SetKind(CProjection::kPerspective);
    g_projection3D.SetBounds(-0.45 * m_nK, 0.45 * m_nK, -m_nK / 2.0, m_nK / 2.0, 0.8 * m_nR,
                             8.0 * m_nR);
    m_dTranslation[2] = -1.6 * m_nR;
    g_projection3D.SetRotation(m_dRotation[0], m_dRotation[1], m_dRotation[2]);
    g_projection3D.SetTranslation(m_dTranslation[0], m_dTranslation[1], m_dTranslation[2]);
    g_projection3D.SetRenderMode(CProjection::kRenderDepth);

    // The store starts with the view's settings, so that reading them back
    // (a startup preset that fails to load) before the first draw changes nothing.
    PublishDisplaySettings();
    PublishPaletteSettings();

    g_runState.SetBackgroundColor(0.0f, 0.15f, 0.0f);
    g_runState.SetForegroundColor(1.0f, 1.0f, 1.0f);
    SetupPanels();
    SetPanelColours();
}

CTamselView::~CTamselView() {
    OnDestroy();
    ReleaseContext();
}

QSize CTamselView::sizeHint() const {
    return QSize(m_nW, m_nP);
}
QSize CTamselView::minimumSizeHint() const {
    return QSize(m_nW, m_nP);
}

std::uint32_t CTamselView::NowMs() {
    using namespace std::chrono;
    return static_cast<std::uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void CTamselView::SetupPanels() {
    // Font list bases, title then label: the plots and the volume strip
    // label with the 12-pixel font, the small panels with the 10-pixel one.
    for (CPanel* plot : std::initializer_list<CPanel*>{&m_metersPlot, &m_histogramPlot,
                                                       &m_waterfallPlot, &m_volumePanel})
        plot->SetFonts(1200, 1200);
    for (CPanel* panel :
         std::initializer_list<CPanel*>{&m_barsPlot, &m_surfacePlot, &m_scalePanel, &m_infoPanel,
                                        &m_runStatusPanel, &m_vuMeterPanel})
        panel->SetFonts(1200, 1000);
    for (CPanel* panel : std::initializer_list<CPanel*>{
             &m_barsPlot, &m_scalePanel, &m_histogramPlot, &m_metersPlot, &m_infoPanel,
             &m_runStatusPanel, &m_waterfallPlot, &m_surfacePlot, &m_volumePanel, &m_vuMeterPanel})
        panel->SetRunState(&g_runState);
    m_volumePanel.SetChannel(2);
    constexpr SColour kGreen{0.0f, 0.7f, 0.0f}, kYellow{1.0f, 1.0f, 0.0f}, kRed{1.0f, 0.0f, 0.0f};
    m_vuMeterPanel.SetLevelColours(kGreen, kYellow, kRed);
    m_metersPlot.SetLevelColours(kGreen, kYellow, kRed);
}

// Plots take C0 behind the store's foreground colour, panels their own
// background behind C6; every border is C5.
void CTamselView::SetPanelColours() {
    const SColour fore = g_runState.GetForegroundColor();
    const SColour& border = m_colours[5];
    const auto give = [&](CPanel& panel, const SColour& back, const SColour& front) {
        panel.SetColours(back.r, back.g, back.b, front.r, front.g, front.b, border.r, border.g,
                         border.b);
    };
    give(m_barsPlot, m_colours[0], fore);
    give(m_surfacePlot, m_colours[0], fore);
    give(m_histogramPlot, m_colours[0], fore);
    give(m_metersPlot, m_colours[0], fore);
    give(m_waterfallPlot, m_colours[0], fore);
    give(m_volumePanel, m_colours[0], fore);
    give(m_scalePanel, m_colours[1], m_colours[6]);
    give(m_infoPanel, m_colours[1], m_colours[6]);
    give(m_vuMeterPanel, m_colours[4], m_colours[6]);
    m_runStatusPanel.SetColours(m_colours[3], m_colours[2], m_colours[6], border);
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

// ---- window creation, size and drawing ----

void CTamselView::ReportContextFailure() {
    if (m_bContextFailed)
        return;
    m_bContextFailed = true;
    QApplication::beep();
    ReportMessage(1, "Can't create compatible OpenGL window");
    emit contextFailed();
}

bool CTamselView::event(QEvent* e) {
    const bool handled = QOpenGLWidget::event(e);
    // The base class makes its context on showing; when that fails it skips
    // initializeGL without a word and the window would stay blank.
    if (e->type() == QEvent::Show && !m_bContextReady && !size().isEmpty() &&
        window()->windowHandle() != nullptr)
        ReportContextFailure();
    return handled;
}

void CTamselView::initializeGL() {
    if (!context() || !context()->isValid()) {
        ReportContextFailure();
        return;
    }
    m_bContextReady = true;

    m_pTimer = new QTimer(this);
    m_pTimer->setInterval(kTimerMs);
    connect(m_pTimer, &QTimer::timeout, this, &CTamselView::OnTimer);
    m_pTimer->start();

    if (IGlyphRasterizer* rasterizer = GlyphRasterizerSlot())
        for (const SFontSpec& font : kFonts)
            if (!BuildFontList(*rasterizer, font.listBase, font.pixelHeight, font.face))
                DebugLog("Font %s %d px not built\r\n", font.face, font.pixelHeight);

    std::unique_ptr<ICaptureBackend> backend;
    if (BackendFactorySlot())
        backend = BackendFactorySlot()();
    if (!backend || !InitCapture(g_startupSettings.m_nBlockSize, std::move(backend))) {
        // Shown once the window is up rather than from inside context creation.
        // The reason names the file or device and what is wrong with it.
        const std::string why = GetCaptureError();
        if (!why.empty())
            DebugLog("%s\r\n", why.c_str());
        QTimer::singleShot(0, this, [why] {
            if (why.empty())
                ReportMessage(1, "Couldn't initialize sound capture device");
            else
                ReportMessage(1, "Couldn't initialize sound capture device\n%s", why.c_str());
        });
    }
}

void CTamselView::resizeGL(int w, int h) {
    if (w > 0 && h > 0) {
        m_nOffsetX = w > m_nW ? (w - m_nW) / 2 : 0;
        m_nPlotWidth = m_nW;
        m_nPlotHeight = m_nP;
        g_projection2D.SetViewport(0, 0, m_nW, m_nP);
        g_projection2D.SetBounds(0, m_nW, 0, m_nP, 0, 1);
        m_nClientWidth = w;
        m_nClientHeight = h;
        m_bLayoutNeeded = true;
    }
}

void CTamselView::paintGL() {
    const std::uint32_t t0 = NowMs();
    if (m_bLayoutNeeded)
        LayoutPanels();

    const SColour back = g_runState.GetBackgroundColor();
    glClearColor(back.r, back.g, back.b, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    if (!m_palette.m_bPaletteLoaded) {
        LoadPixelMaps();
        m_palette.m_bPaletteLoaded = true;
    }
    g_projection2D.Apply();

    DrawPanels();

    checkGLError("OnDraw");

    // Screen capture: a new frame is read only once the screenshot thread
    // has taken the previous one; a forced copy waits for that.
    if ((m_bForceScreenshot || m_capture.IsDue(CCaptureSession::kScreen)) &&
        !g_runState.GetScreenshotReady()) {
        takeScreenShot();
        m_bForceScreenshot = false;
    }

    // The frame is composed by Qt after this returns; finishing here makes
    // the measured time include the rendering itself.
    glFinish();

    m_nLastDrawMs = static_cast<std::int32_t>(NowMs() - t0);
    m_drawTime.Add(m_nLastDrawMs);
    ++m_nDrawCount;
    PublishDisplaySettings();
}

void CTamselView::takeScreenShot() {
    if (m_screenDib.size() < sizeof(SBitmapInfoHeader) + m_screenDibHeader.biSizeImage) {
        ReportMessage(2, "Can't obtain screen bitmap handle");
        return;
    }
    if (ReadFrameIntoDib(m_screenDibHeader, m_screenDib.data()))
        g_runState.SetScreenshotReady(true);
}

bool CTamselView::checkGLError(const char* where) {
    return CheckGLError(where);
}

void CTamselView::PublishDisplaySettings() {
    SDisplaySettings settings;
    settings.nPlotType = m_nPlotType;
    settings.nPanelFlags = m_nPanelFlags;
    settings.nPalette = m_palette.m_nPalette;
    settings.bPlotOnly = m_bPlotOnly;
    g_runState.SetDisplaySettings(settings);
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

// ---- the main loop ----

void CTamselView::Redraw() {
    update();
    UpdateStatusHint();
    UpdateTitle();
}

void CTamselView::OnTimer() {
    if (m_dwLastRedraw == 0)
        m_dwLastRedraw = NowMs();
    ++m_nTicks;
    if (m_nTicks < 5) {
        if (m_nTicks == 2)
            FitMainWindow();
        else if (m_nTicks == 3)
            OpenStartupPreset();
    } else {
        const SHistoryGeometry geometry = g_runState.GetHistoryGeometry();
        m_nRingRows = geometry.nRingRows;
        m_nHistoryLength = geometry.nHistoryLength;
        m_pThreads->OnTick(); // starts nothing once closing
        PublishCapture();

        const std::uint32_t now = NowMs();
        m_timerInterval.Add(static_cast<std::int32_t>(now - m_dwLastRedraw));
        if (m_bAcquiring) {
            if (now > m_dwLastRedraw + static_cast<std::uint32_t>(m_drawTime.Average())) {
                m_dwLastRedraw = now;
                Redraw();
            }
        } else if (m_nTicks % 3 == 0) {
            Redraw();
        }
        emit commandStatesChanged();
    }
    if (m_tickObserver)
        m_tickObserver(m_nTicks);
}

void CTamselView::FitMainWindow() {
    const int dx = m_nW - width();
    const int dy = m_nP - height();
    if (dx > 0 || dy > 0)
        emit windowGrowRequested(dx, dy);
}

void CTamselView::OpenStartupPreset() {
    if (g_startupSettings.m_strPreset.empty() || !m_pDoc)
        return;
    const QString path =
        QFileInfo(QString::fromStdString(g_startupSettings.m_strPreset)).absoluteFilePath();
    // A preset that fails to load has been reported and changed nothing: the
    // program runs on with a new, unbound preset.
    if (!m_pDoc->OnOpenDocument(path.toStdString()))
        return;
    m_pDoc->SetPathName(path.toStdString());
    ApplyDisplaySettings();
}

void CTamselView::OnDestroy() {
    if (m_bClosing)
        return;
    m_bClosing = true;
    if (m_pTimer)
        m_pTimer->stop();
    m_pThreads->Stop();
}

void CTamselView::ReleaseContext() {
    if (!m_bContextReady)
        return;
    m_bContextReady = false;
    // Only now that no thread is left is the context let go: the font lists
    // go with it.
    makeCurrent();
    for (const SFontSpec& font : kFonts)
        glDeleteLists(static_cast<GLuint>(font.listBase), 255);
    doneCurrent();
}

// ---- document, title, display settings ----

void CTamselView::OnUpdate() {
    if (g_runState.GetDisplayChanged()) {
        ApplyDisplaySettings();
        g_runState.SetDisplayChanged(false);
    }
}

void CTamselView::ApplyDisplaySettings() {
    const SDisplaySettings display = g_runState.GetDisplaySettings();
    const SPaletteSettings palette = g_runState.GetPaletteSettings();
    m_nPlotType = display.nPlotType;
    m_nPanelFlags = display.nPanelFlags;
    m_palette.m_nPalette = display.nPalette;
    m_bPlotOnly = display.bPlotOnly;
    m_palette.m_nPaletteShift = palette.nShift;
    m_palette.m_fPaletteScale = palette.fScale;
    m_palette.m_bPaletteInvert = palette.bInvert;
    m_palette.Build(m_palette.m_nPalette);
    // A loaded or new preset brings its own camera: the next drag continues
    // from it instead of jumping back to the view's old one.
    const auto& rotation = g_projection3D.GetRotation();
    const auto& translation = g_projection3D.GetTranslation();
    for (int i = 0; i < 3; ++i) {
        m_dRotation[i] = rotation[static_cast<std::size_t>(i)];
        m_dTranslation[i] = translation[static_cast<std::size_t>(i)];
    }
    m_bLayoutNeeded = true;
}

void CTamselView::MarkModified() {
    PublishDisplaySettings();
    PublishPaletteSettings();
    if (m_pDoc && m_pDoc->HasFile())
        m_pDoc->SetModifiedFlag(true);
}

void CTamselView::UpdateTitle() {
    if (!m_pDoc)
        return;
    QString title = QStringLiteral("Vireon");
    if (m_pDoc->HasFile()) {
        QString path = QString::fromStdString(m_pDoc->GetPathName());
        if (const qsizetype at = path.indexOf(QLatin1String(".tpz")); at >= 0)
            path.remove(at, 4);
        title += QStringLiteral(" - ") + path;
        if (m_pDoc->IsModified())
            title += QLatin1Char('*');
    }
    if (m_strTitle != title) {
        m_strTitle = title;
        emit titleChanged(title);
    }
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

// ---- presets: publishing, acquisition parameters, startup preferences ----

void CTamselView::PublishPaletteSettings() {
    SPaletteSettings settings;
    settings.nShift = m_palette.m_nPaletteShift;
    settings.fScale = m_palette.m_fPaletteScale;
    settings.bInvert = m_palette.m_bPaletteInvert;
    g_runState.SetPaletteSettings(settings);
}

void CTamselView::OnViewAcquire() {
    for (;;) {
        CAcquireDlg dialog(this);
        const SCaptureFormat format = g_runState.GetCaptureFormat();
        SDisplayRange range = g_runState.GetDisplayRange();
        dialog.m_nFreqMin = static_cast<std::int32_t>(range.dFreqMin);
        dialog.m_nFreqMax = static_cast<std::int32_t>(range.dFreqMax);
        if (range.bAutoScale) {
            const SSpectrumStats stats = g_runState.GetSpectrumStats();
            dialog.m_fLevelMin = static_cast<float>(LinearToDb(stats.dMeasuredMagMin));
            dialog.m_fLevelMax = static_cast<float>(LinearToDb(stats.dMeasuredMagMax));
        } else {
            dialog.m_fLevelMin = static_cast<float>(LinearToDb(range.dMagMin));
            dialog.m_fLevelMax = static_cast<float>(LinearToDb(range.dMagMax));
        }
        dialog.m_bAuto = range.bAutoScale;
        dialog.m_nChannel = format.nChannelMode;
        dialog.m_nWindow = format.nWindowType;
        if (dialog.exec() != QDialog::Accepted)
            return;
        if (dialog.m_nFreqMin >= dialog.m_nFreqMax || !(dialog.m_fLevelMin < dialog.m_fLevelMax)) {
            ReportMessage(2, "Invalid range specified. Please re-enter\n");
            continue; // refilled from the store: the rejected entries are dropped
        }
        range.dFreqMin = dialog.m_nFreqMin;
        range.dFreqMax = dialog.m_nFreqMax;
        range.dFreqSpan = range.dFreqMax - range.dFreqMin;
        range.dMagMin = DbToLinear(dialog.m_fLevelMin);
        range.dMagMax = DbToLinear(dialog.m_fLevelMax);
        range.bAutoScale = dialog.m_bAuto;
        g_runState.SetDisplayRange(range);
        SCaptureFormat changed = format;
        changed.nChannelMode = dialog.m_nChannel;
        changed.nWindowType = dialog.m_nWindow;
        g_runState.SetCaptureFormat(changed);
        MarkModified();
        return;
    }
}

void CTamselView::OnEditPreferences() {
    CPrefsDlg dialog(this);
    dialog.SetSettings(g_startupSettings);
    if (dialog.exec() != QDialog::Accepted || !dialog.m_bChanged)
        return;
    if (g_startupSettings.Write())
        ReportMessage(4, "Restart program for settings to take effect.");
    else
        ReportMessage(2, "Can't write the startup settings file\n%s",
                      g_startupSettings.GetPath().c_str());
}

// ---- commands ----

// Capture on, the run flagged and its clock restarted: the first run at
// tick 5 and every resume.
void CTamselView::StartRun() {
    StartCapture();
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
        update();
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

void CTamselView::OnPlotBackground() {
    const SColour c =
        ChooseColour(this, g_runState.GetBackgroundColor(), QStringLiteral("Plot Background"));
    g_runState.SetBackgroundColor(c.r, c.g, c.b);
}

void CTamselView::OnPlotForeground() {
    const SColour c =
        ChooseColour(this, g_runState.GetForegroundColor(), QStringLiteral("Plot Foreground"));
    g_runState.SetForegroundColor(c.r, c.g, c.b);
    SetPanelColours();
}

// ---- screen capture commands ----

void CTamselView::OnEditCopy() {
    g_runState.SetClipboardCopy(true);
    m_bForceScreenshot = true;
    update(); // the copy need not wait for the next paced redraw
}

void CTamselView::OnCaptureSettings() {
    m_bCaptureConfigured =
        CCaptureSettingsDlg::RunSetup(this, m_capture, m_bCaptureConfigured, &m_screenDibHeader);
    emit commandStatesChanged();
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
    update();
}

// The page under the current directory first (as the program has always
// looked for it), then the copy installed with the program; without either
// the current directory's address is still offered to the browser.
void CTamselView::OnHelpFinder() {
    std::error_code error;
    const std::filesystem::path cwd = std::filesystem::current_path(error);
    if (error) {
        ReportMessage(2, "Can't find help file path");
        return;
    }
    QString page = QString::fromStdString(cwd.string()) + QStringLiteral("/HTML/TamselHelp.htm");
    if (!QFileInfo::exists(page)) {
        const QFileInfo installed(InstalledHelpFile());
        if (installed.exists())
            page = installed.absoluteFilePath();
    }
    page.replace(QLatin1Char('\\'), QLatin1Char('/'));
    // A file address, encoded: a '#' or '?' in a folder name would otherwise
    // cut the path short.
    if (!UrlOpenerSlot()(QUrl::fromLocalFile(page)))
        ReportMessage(2, "Can't open help file in a browser");
}

// ---- mouse and status hints ----

void CTamselView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        OnLButtonDown(event->modifiers(), event->position().toPoint());
    else if (event->button() == Qt::RightButton)
        OnRButtonDown(event->position().toPoint());
}

void CTamselView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        OnLButtonUp();
    else if (event->button() == Qt::RightButton)
        OnRButtonUp();
}

void CTamselView::mouseMoveEvent(QMouseEvent* event) {
    OnMouseMove(event->buttons(), event->modifiers(), event->position().toPoint());
}

void CTamselView::OnLButtonDown(Qt::KeyboardModifiers keys, const QPoint& point) {
    if (keys & Qt::ControlModifier)
        m_bRotateDrag = true;
    else if (keys & Qt::ShiftModifier)
        m_bZoomDrag = true;
    else
        m_bRangeDrag = true;
    m_ptLast = point;
}

void CTamselView::OnRButtonDown(const QPoint& point) {
    m_bPaletteDrag = true;
    m_ptLast = point;
}

void CTamselView::OnLButtonUp() {
    m_bRotateDrag = m_bZoomDrag = m_bRangeDrag = m_bPaletteDrag = false;
}

void CTamselView::OnRButtonUp() {
    OnLButtonUp();
}

// Nothing here redraws: the change shows at the next paced redraw.
void CTamselView::OnMouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers keys,
                              const QPoint& point) {
    const int dx = point.x() - m_ptLast.x();
    const int dy = point.y() - m_ptLast.y();
    m_bRotateDrag = m_bZoomDrag = m_bRangeDrag = m_bPaletteDrag = false;
    if (buttons & Qt::LeftButton) {
        if (keys & Qt::ControlModifier) {
            if (Is3DPlot()) {
                // One degree a pixel: up and down about x, sideways about y.
                m_dRotation[0] += dy;
                m_dRotation[1] += dx;
                m_bRotateDrag = true;
                g_projection3D.SetRotation(m_dRotation[0], m_dRotation[1], m_dRotation[2]);
                MarkModified();
            }
        } else if (keys & Qt::ShiftModifier) {
            if (Is3DPlot()) {
                m_dTranslation[2] -= dy; // dragging down moves the scene away
                m_bZoomDrag = true;
                g_projection3D.SetTranslation(m_dTranslation[0], m_dTranslation[1],
                                              m_dTranslation[2]);
                MarkModified();
            }
        } else {
            m_bRangeDrag = true;
            g_runState.SetDisplayRange(DragRange(g_runState.GetDisplayRange(), dx, dy));
            MarkModified();
        }
    } else if (buttons & Qt::RightButton) {
        m_bPaletteDrag = true;
        SPaletteSettings palette{m_palette.m_nPaletteShift, m_palette.m_fPaletteScale,
                                 m_palette.m_bPaletteInvert};
        palette = DragPalette(palette, dx, dy);
        m_palette.m_nPaletteShift = palette.nShift;
        m_palette.m_fPaletteScale = palette.fScale;
        m_palette.Build(m_palette.m_nPalette);
        MarkModified(); // publishes the palette to the store
    }
    m_ptLast = point;
}

void CTamselView::UpdateStatusHint() {
    if (window() == this)
        return; // not inside a main window
    const bool active = QApplication::activeWindow() != nullptr;
    const Qt::KeyboardModifiers keys = QGuiApplication::keyboardModifiers();
    const bool ctrl = active && (keys & Qt::ControlModifier);
    const bool shift = active && (keys & Qt::ShiftModifier);
    const bool plot3D = Is3DPlot();

    const char* hint = nullptr;
    if (m_bRangeDrag)
        hint = "Click+Drag L/R Offsets Frequency,Up/Down Scales Range";
    else if (m_bPaletteDrag)
        hint = "Click+Drag L/R Adjusts Palette Offset, Up/Down Adjusts Scale";
    else if (ctrl)
        hint = plot3D ? "Click+Drag to Rotate View" : " ";
    else if (shift)
        hint = plot3D ? "Click+Drag Up/Down to Zoom In/Out" : " ";
    else if (plot3D)
        hint = "Click+Drag Left Mouse=Range, Shift/Ctrl=View, Right Mouse=Color";
    else
        hint = "Click+Drag Left Mouse to Adjust Range, Right Mouse for Color Palette";
    if (plot3D) {
        const bool guides = ctrl ? m_bRotateDrag : shift ? m_bZoomDrag : false;
        m_surfacePlot.SetGuides(guides);
        m_barsPlot.SetGuides(guides);
    }
    emit statusTextChanged(0, QString::fromLatin1(hint));
    emit statusTextChanged(1, QString::fromStdString(FormatRangeHint(
                                  g_runState.GetDisplayRange(), g_runState.GetSpectrumStats())));
    emit statusTextChanged(2, m_bAcquiring ? QStringLiteral("RUN") : QStringLiteral("STOP"));
}
