// SPDX-License-Identifier: GPL-3.0-or-later
// The screenshot thread: polls every kScreenshotPoll for a snapshot the view
// has read into the screen DIB (the store's ready flag) and hands it to the
// clipboard, the video file or the next BMP file, then clears the flag. A
// snapshot that nothing wants is dropped.
//
// It never shows a box or touches the clipboard itself: the clipboard
// copy is posted to the user-interface thread, and a failure is reported
// through ReportMessage, which posts its box without waiting. A failing
// frame write is reported once; the report is armed again by a good write
// or when screen capture stops.
//
// The frame writers run here, on this thread, under no lock that the input
// thread takes. Runs until the store's screenshot word leaves 1; sets it to
// -1 as its last act.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

#include "base/Tunables.h"
#include "recording/BmpFile.h"

class CRunState;
class IImageClipboard;

struct SScreenShotParams {
    CRunState* pRunState = nullptr;
    // The capture session's IsDue(1): a screen frame is due.
    std::function<bool()> isDue;
    // The session's WriteAviFrame / WriteBmpFrame (they schedule the next
    // frame on success).
    std::function<bool(const std::uint8_t* dib)> writeAviFrame;
    std::function<bool(const std::uint8_t* dib, const SBmpFileHeader& header)> writeBmpFrame;
    IImageClipboard* pClipboard = nullptr; // null: a copy reports "Clipboard Error"
    std::chrono::milliseconds poll = kScreenshotPoll;
};

void ScreenShotThread(const SScreenShotParams& params);
