// SPDX-License-Identifier: GPL-3.0-or-later
// The OpenGL lifecycle (through the surface) and the main loop of
// CTamselView, and what it shares with its document (the display settings,
// the title).
#include "view/TamselView.h"

#include <QApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QTimer>
#include <QVBoxLayout>

#include <GL/gl.h>

#include <bit>
#include <chrono>

#include "acquisition/CaptureDevice.h"
#include "acquisition/SpectrumPipeline.h"
#include "base/DebugLog.h"
#include "base/Messages.h"
#include "base/StartupSettings.h"
#include "base/Tunables.h"
#include "plots/FontList.h"
#include "plots/Projection.h"
#include "presets/TamselDoc.h"
#include "recording/ScreenShotThread.h"
#include "view/FileDropHandler.h"
#include "view/PixelMaps.h"
#include "view/ScreenShot.h"
#include "view/ViewSurface.h"

namespace {

CTamselView::BackendFactory& BackendFactorySlot() {
    static CTamselView::BackendFactory factory;
    return factory;
}

IGlyphRasterizer*& GlyphRasterizerSlot() {
    static IGlyphRasterizer* rasterizer = nullptr;
    return rasterizer;
}

IImageClipboard*& ImageClipboardSlot() {
    static IImageClipboard* clipboard = nullptr;
    return clipboard;
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

CTamselView::CTamselView(CTamselDoc* doc, QWidget* parent)
    : QWidget(parent), m_pDoc(doc), m_nW(g_startupSettings.m_nPlotWidth),
      m_nP(g_startupSettings.m_nPlotHeight), m_nH(g_startupSettings.m_nHistoryLength),
      m_nK(g_startupSettings.m_nSurfaceCols), m_nR(g_startupSettings.m_nSurfaceRows),
      m_nPlotWidth(m_nW), m_nPlotHeight(m_nP), m_nRingRows(2 * m_nH), m_nHistoryLength(m_nH) {
    setObjectName(QStringLiteral("TamselView"));
    setMinimumSize(m_nW, m_nP);
    setFocusPolicy(Qt::StrongFocus);
    m_pSurface = new CViewSurface(this);
    QWidget* container = QWidget::createWindowContainer(m_pSurface, this);
    container->setFocusPolicy(Qt::NoFocus);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(container);
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

    // The pipeline registers its buffers in the store and sets the thread
    // words to -1; nothing runs before tick 5.
    m_pPipeline = MakePipeline();
    m_pDropHandler =
        new CFileDropHandler([this](const QString& path) { OnFileDropped(path); }, this);
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

// The screenshot thread's body: the frames go to the capture session or the
// clipboard.
void CTamselView::RunScreenShotThread() {
    SScreenShotParams params;
    params.pRunState = &g_runState;
    params.isDue = [this] { return m_capture.IsDue(CCaptureSession::kScreen); };
    params.writeAviFrame = [this](const std::uint8_t* dib) { return m_capture.WriteAviFrame(dib); };
    params.writeBmpFrame = [this](const std::uint8_t* dib, const SBmpFileHeader& header) {
        return m_capture.WriteBmpFrame(dib, header);
    };
    params.pClipboard = ImageClipboardSlot();
    ScreenShotThread(params);
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

// ---- window creation, size and drawing ----

void CTamselView::ReportContextFailure() {
    if (m_bContextFailed)
        return;
    m_bContextFailed = true;
    QApplication::beep();
    ReportMessage(MESSAGE_ERROR, "Can't create compatible OpenGL window");
    emit contextFailed();
}

// The surface makes its context when it is first sized and calls this even
// when that failed.
void CTamselView::initializeGL() {
    if (!m_pSurface->context() || !m_pSurface->context()->isValid()) {
        ReportContextFailure();
        return;
    }
    m_bContextReady = true;

    m_pTimer = new QTimer(this);
    m_pTimer->setInterval(kTimerPeriod);
    connect(m_pTimer, &QTimer::timeout, this, &CTamselView::OnTimer);
    m_pTimer->start();

    if (IGlyphRasterizer* rasterizer = GlyphRasterizerSlot())
        for (const SBitmapFont& font : kBitmapFonts)
            if (!BuildFontList(*rasterizer, font.listBase, font.pixelHeight, font.face))
                DebugLog("Font %s %d px not built\r\n", font.face, font.pixelHeight);

    std::unique_ptr<ICaptureBackend> backend = MakeBackend({});
    if (!backend || !InitCapture(g_startupSettings.m_nBlockSize, std::move(backend))) {
        // Shown once the window is up rather than from inside context creation.
        // The reason names the file or device and what is wrong with it.
        const std::string why = GetCaptureError();
        if (!why.empty())
            DebugLog("%s\r\n", why.c_str());
        QTimer::singleShot(0, this, [why] { ReportInputFailure(why); });
    }
}

std::unique_ptr<ICaptureBackend> CTamselView::MakeBackend(const std::string& path) const {
    return BackendFactorySlot() ? BackendFactorySlot()(path) : nullptr;
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

void CTamselView::DrawFrame() {
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
}

void CTamselView::paintGL() {
    if (!m_bContextReady)
        return;
    const auto start = std::chrono::steady_clock::now();
    const std::uint32_t t0 = NowMs();
    // Taken before drawing: a change while the frame is drawn is drawn next.
    m_drawnInputs = FrameInputs();
    m_bFrameWanted = false;
    DrawFrame();

    // Screen capture: a new frame is read only once the screenshot thread
    // has taken the previous one; a forced copy waits for that.
    if ((m_bForceScreenshot || m_capture.IsDue(CCaptureSession::kScreen)) &&
        !g_runState.GetScreenshotReady()) {
        takeScreenShot();
        m_bForceScreenshot = false;
    }

    // The frame is swapped to the screen after this returns; finishing here
    // makes the measured time include the rendering itself.
    glFinish();

    m_nLastDrawMs = static_cast<std::int32_t>(NowMs() - t0);
    m_drawTime.Add(m_nLastDrawMs);
    ++m_nDrawCount;
    m_nDrawTimeUs += std::chrono::duration_cast<std::chrono::microseconds>(
                         std::chrono::steady_clock::now() - start)
                         .count();
    PublishDisplaySettings();
}

void CTamselView::takeScreenShot() {
    if (m_screenDib.size() < sizeof(SBitmapInfoHeader) + m_screenDibHeader.biSizeImage) {
        ReportMessage(MESSAGE_WARNING, "Can't obtain screen bitmap handle");
        return;
    }
    if (ReadFrameIntoDib(m_screenDibHeader, m_screenDib.data()))
        g_runState.SetScreenshotReady(true);
}

bool CTamselView::checkGLError(const char* where) {
    return CheckGLError(where);
}

QImage CTamselView::grabFramebuffer() {
    if (!m_bContextReady)
        return {};
    // The surface's back buffer holds nothing once swapped: draw into it
    // again and read it before the next swap.
    m_pSurface->makeCurrent();
    const qreal ratio = m_pSurface->devicePixelRatio();
    glViewport(0, 0, static_cast<GLsizei>(m_pSurface->width() * ratio),
               static_cast<GLsizei>(m_pSurface->height() * ratio));
    DrawFrame();
    return m_pSurface->grabFramebuffer();
}

QWindow* CTamselView::Surface() const {
    return m_pSurface;
}

void CTamselView::RequestFrame() {
    m_pSurface->update();
}

// ---- the main loop ----

bool CTamselView::RunStatusShown() const {
    return !m_bPlotOnly && (m_nPanelFlags & PANEL_RUNSTATUS) != 0;
}

std::vector<std::uint64_t> CTamselView::FrameInputs() const {
    std::vector<std::uint64_t> in;
    in.reserve(64);
    const auto put = [&in](double value) { in.push_back(std::bit_cast<std::uint64_t>(value)); };
    const SHistoryGeometry history = g_runState.GetHistoryGeometry();
    for (const std::int32_t v : {history.nRingRows, history.nHistoryLength, history.nHistoryRow,
                                 history.nRowWidth, g_runState.GetSurfaceGeometry().nRow})
        put(v);
    const SLevels levels = g_runState.GetLevels();
    const SStereoLevels stereo = g_runState.GetStereoLevels();
    for (const std::int16_t v : {levels.nPeakMin, levels.nPeakMax, levels.nPeakRms, stereo.nLeftMin,
                                 stereo.nLeftMax, stereo.nRightMin, stereo.nRightMax})
        put(v);
    const SDisplayRange range = g_runState.GetDisplayRange();
    const SSpectrumStats stats = g_runState.GetSpectrumStats();
    for (const double v :
         {range.dFreqMin, range.dFreqMax, range.dMagMin, range.dMagMax,
          range.bAutoScale ? 1.0 : 0.0, stats.dMeasuredMagMin, stats.dMeasuredMagMax})
        put(v);
    const SCaptureFormat format = g_runState.GetCaptureFormat();
    for (const double v : {format.dSampleRate, static_cast<double>(format.nChannelMode),
                           static_cast<double>(format.nWindowType)})
        put(v);
    const SDisplayScale scale = g_runState.GetDisplayScale();
    put(scale.bDecibel ? 1.0 : 0.0);
    put(scale.bLogFrequency ? 1.0 : 0.0);
    put(g_runState.GetCaptureFlags());
    put(static_cast<double>(g_runState.GetCaptureElapsed()));
    put(g_runState.IsAcquiring() ? 1.0 : 0.0);
    put(static_cast<double>(g_runState.GetRunStart()));
    for (const SColour& c : {g_runState.GetBackgroundColor(), g_runState.GetForegroundColor()})
        for (const float v : {c.r, c.g, c.b})
            put(v);
    for (const double v :
         {static_cast<double>(m_nPlotType), static_cast<double>(m_nPanelFlags),
          m_bPlotOnly ? 1.0 : 0.0, static_cast<double>(m_palette.m_nPalette),
          static_cast<double>(m_palette.m_nPaletteShift),
          static_cast<double>(m_palette.m_fPaletteScale), m_palette.m_bPaletteInvert ? 1.0 : 0.0,
          m_bLayoutNeeded ? 1.0 : 0.0, static_cast<double>(m_nClientWidth),
          static_cast<double>(m_nClientHeight)})
        put(v);
    for (const double v : g_projection3D.GetRotation())
        put(v);
    for (const double v : g_projection3D.GetTranslation())
        put(v);
    for (const bool v : {m_surfacePlot.GetShowAxes(), m_surfacePlot.GetShowBox(),
                         m_barsPlot.GetShowAxes(), m_barsPlot.GetShowBox()})
        put(v ? 1.0 : 0.0);
    // The run-status panel's clocks show seconds.
    put(RunStatusShown() ? static_cast<double>(std::time(nullptr)) : 0.0);
    return in;
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
        m_pPipeline->OnTick(); // starts nothing once closing
        PublishCapture();
        ReportInputFault();

        const std::uint32_t now = NowMs();
        m_timerInterval.Add(static_cast<std::int32_t>(now - m_dwLastRedraw));
        UpdateStatusHint();
        UpdateTitle();
        const bool shotDue =
            m_capture.IsDue(CCaptureSession::kScreen) && !g_runState.GetScreenshotReady();
        const bool due = m_bFrameWanted || shotDue || FrameInputs() != m_drawnInputs;
        if (due && m_bAcquiring) {
            if (now > m_dwLastRedraw + static_cast<std::uint32_t>(m_drawTime.Average())) {
                m_dwLastRedraw = now;
                RequestFrame();
            }
        } else if (due) {
            RequestFrame();
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

void CTamselView::OnDestroy() {
    if (m_bClosing)
        return;
    m_bClosing = true;
    if (m_pTimer)
        m_pTimer->stop();
    m_pPipeline->Stop();
}

void CTamselView::ReleaseContext() {
    if (!m_bContextReady)
        return;
    m_bContextReady = false;
    // Only now that no thread is left is the context let go: the font lists
    // and the waterfall's image go with it.
    m_pSurface->makeCurrent();
    for (const SBitmapFont& font : kBitmapFonts)
        DeleteFontList(font.listBase);
    m_waterfallPlot.ReleaseGl();
    m_pSurface->doneCurrent();
}
