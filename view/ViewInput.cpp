// SPDX-License-Identifier: GPL-3.0-or-later
// The sound source of CTamselView: the pipeline over it, files dropped on
// the window, switching to another source while the window runs, and a
// source that fails part-way.
#include "view/TamselView.h"

#include "acquisition/CaptureDevice.h"
#include "acquisition/SpectrumPipeline.h"
#include "base/DebugLog.h"
#include "base/Messages.h"
#include "base/StartupSettings.h"
#include "presets/TamselDoc.h"

std::unique_ptr<CSpectrumPipeline> CTamselView::MakePipeline() {
    return std::make_unique<CSpectrumPipeline>(
        g_runState, SPipelineSetup{.nBlockSize = g_startupSettings.m_nBlockSize,
                                   .nHistoryLength = m_nH,
                                   .nSurfaceCols = m_nK,
                                   .nSurfaceRows = m_nR,
                                   .pRecorder = &m_capture,
                                   .onRunStart =
                                       [this] {
                                           if (m_pPipeline->CaptureStarted())
                                               FlagRunStarted();
                                           else
                                               ReportRunFailure();
                                       },
                                   .screenshotThread = [this] { RunScreenShotThread(); }});
}

// Whole, however long the file's path: ReportMessage would cut it at 255 characters.
void CTamselView::ReportInputFailure(const std::string& why) {
    const std::string message = "Couldn't initialize sound capture device";
    ShowMessage(MESSAGE_ERROR, why.empty() ? message : message + "\n" + why);
}

void CTamselView::ReportInputFault() {
    const std::string fault = GetCaptureFault();
    if (fault.empty() || fault == m_strReportedFault)
        return;
    m_strReportedFault = fault;
    ShowMessage(MESSAGE_WARNING, "Sound input failed\n" + fault);
}

void CTamselView::OnFileDropped(const QString& path) {
    if (m_bClosing)
        return;
    if (path.endsWith(QStringLiteral(".tpz"), Qt::CaseInsensitive)) {
        if (m_pDoc)
            m_pDoc->OpenDocumentFile(path, window());
        return;
    }
    SwitchInput(path.toStdString());
}

bool CTamselView::SwitchInput(const std::string& path) {
    if (m_bClosing)
        return false;
    // Opened once here so that a file that cannot be played costs nothing:
    // the old source has not been touched yet.
    std::unique_ptr<ICaptureBackend> backend = MakeBackend(path);
    if (!backend || !backend->Create()) {
        const std::string why = backend ? backend->Error() : std::string();
        DebugLog("Input not switched: %s\r\n", why.c_str());
        ReportInputFailure(why);
        return false;
    }
    DebugLog("Input switched to %s\r\n", path.c_str());
    OnCaptureClose(); // the recording's files complete before its source goes
    // The input thread releases the device as it ends; ReleaseCapture covers
    // a pipeline whose input thread never started.
    m_pPipeline->Stop();
    ReleaseCapture();
    m_bAcquiring = false;
    g_runState.SetAcquiring(false);
    m_strReportedFault.clear();
    const bool initialised = InitCapture(g_startupSettings.m_nBlockSize, std::move(backend));
    // New buffers and threads: the next ticks start the run again.
    m_pPipeline = MakePipeline();
    if (!initialised)
        ReportInputFailure(GetCaptureError());
    emit commandStatesChanged();
    return initialised;
}
