// SPDX-License-Identifier: GPL-3.0-or-later
// The input thread: the producer of the acquisition pipeline. It waits for
// the capture device to complete a chunk, locks the most recently completed
// chunk, puts it into the sample exchange for the analysis, hands the
// recorder every captured frame in order while sound recording is on, and
// unlocks. Asked to stop (its control word 0), it stops and releases the
// capture device, puts the empty block that ends the analysis thread, and
// sets its word to -1.
//
// Recording gets every captured frame exactly once and in order, even when
// the analysis falls behind and the "latest chunk" rule skips or repeats
// chunks for it, and even when this thread itself falls behind by up to
// CCaptureRing::kRecordingFrames (4 s): the frames wait in the ring's
// recording queue. Sound lost beyond that is traced with its exact length
// and reported to the recorder (IAudioRecorder::NoteAudioGap).
#pragma once

#include <cstdint>

class CSampleExchange;
class CRunState;
class IAudioRecorder;

// Start parameters, owned by whoever starts the thread and valid for the
// thread's whole life.
struct SInputParams {
    CSampleExchange* pExchange = nullptr;
    CRunState* pRunState = nullptr;
    IAudioRecorder* pRecorder = nullptr; // may be null: no recording
};

// Thread body; returns 0. One instance at a time. Waits for the device in
// slices (kChunkWaitSlice, base/Tunables.h), so a stop request is seen within
// about that time even when no sound arrives (no device, paused, stalled),
// plus the time the analysis takes to accept the current block.
int InputThreadProc(const SInputParams& params);
