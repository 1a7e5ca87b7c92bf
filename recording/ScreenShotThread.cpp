// SPDX-License-Identifier: GPL-3.0-or-later
#include "recording/ScreenShotThread.h"

#include <thread>

#include "base/DebugLog.h"
#include "base/Messages.h"
#include "base/RunState.h"
#include "recording/ImageClipboard.h"
#include "recording/ScreenCaptureFile.h"

namespace {

// One report per failing capture: armed again by a good write or when the
// screen part stops recording.
class CFailureReport {
public:
    void Failed() {
        if (m_bReported)
            return;
        m_bReported = true;
        ReportMessage(MESSAGE_WARNING, "Screen Capture Error");
    }
    void Rearm() { m_bReported = false; }

private:
    bool m_bReported = false;
};

} // namespace

void ScreenShotThread(const SScreenShotParams& params) {
    CRunState& store = *params.pRunState;
    DebugLog("Screenshot thread spawned\r\n");

    std::uint32_t dibSize = 0;
    const std::uint8_t* dib = store.GetScreenDib(&dibSize);
    const SBmpFileHeader fileHeader = MakeBmpFileHeader(dibSize);
    CFailureReport report;

    while (store.GetScreenshotThreadState() > 0) {
        const std::int32_t type = store.GetCaptureType();
        if ((store.GetCaptureFlags() & kCaptureScreen) == 0)
            report.Rearm();
        if (store.GetScreenshotReady()) {
            if (store.GetClipboardCopy()) {
                if (params.pClipboard == nullptr || dib == nullptr ||
                    !params.pClipboard->PostDib(dib, dibSize)) {
                    DebugLog("Couldn't lock global DIB in ScreenShotThread\r\n");
                    ReportMessage(MESSAGE_WARNING, "Clipboard Error");
                }
                store.SetClipboardCopy(false);
            } else if (params.isDue && params.isDue()) {
                bool ok = false;
                if (dib == nullptr) {
                    DebugLog("Couldn't lock bitmap in ScreenShotThread\r\n");
                } else if (type == kCaptureAvi) {
                    ok = params.writeAviFrame && params.writeAviFrame(dib);
                    if (!ok)
                        DebugLog("AVI File write error\r\n");
                } else {
                    ok = params.writeBmpFrame && params.writeBmpFrame(dib, fileHeader);
                    if (!ok)
                        DebugLog("BMP File write error\r\n");
                }
                if (ok)
                    report.Rearm();
                else
                    report.Failed();
            }
            store.SetScreenshotReady(false);
        }
        std::this_thread::sleep_for(params.poll);
    }

    DebugLog("Screenshot thread gone\r\n");
    store.SetScreenshotThreadState(kThreadNotRunning);
}
