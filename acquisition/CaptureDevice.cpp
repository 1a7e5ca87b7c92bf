// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/CaptureDevice.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>

#include "base/DebugLog.h"

namespace {

struct SDeviceState {
    // Serialises the backend calls and the start-up and release sequences.
    std::mutex control;
    std::unique_ptr<ICaptureBackend> backend;
    std::string error;

    // The ring, read by the input thread without taking control (a stop may
    // take its time there).
    mutable std::mutex ringMutex;
    std::shared_ptr<CCaptureRing> ring;
    std::int64_t lockedSequence = -1;

    std::atomic<bool> capturing{false};

    std::mutex stallMutex;
    std::chrono::steady_clock::time_point captureStart;
    bool stallReported = false;

    std::shared_ptr<CCaptureRing> Ring() const {
        std::lock_guard<std::mutex> lock(ringMutex);
        return ring;
    }
};

SDeviceState& Device() {
    static SDeviceState state;
    return state;
}

bool Fail(SDeviceState& d, const char* trace, const char* fallbackReason) {
    DebugLog("%s", trace);
    std::string reason = d.backend ? d.backend->Error() : std::string();
    if (!reason.empty()) {
        DebugLog("%s\r\n", reason.c_str());
    }
    d.error = reason.empty() ? fallbackReason : reason;
    d.backend.reset();
    return false;
}

// Caller holds control.
void StopLocked(SDeviceState& d) {
    if (d.backend && d.capturing.load()) {
        d.backend->Stop();
    }
    d.capturing = false;
}

void NoteStall(SDeviceState& d, const CCaptureRing& ring) {
    if (!d.capturing.load()) {
        return;
    }
    std::lock_guard<std::mutex> lock(d.stallMutex);
    const auto since = std::max(ring.LastWriteTime(), d.captureStart);
    const auto quiet = std::chrono::steady_clock::now() - since;
    if (quiet >= kStallTime && !d.stallReported) {
        d.stallReported = true;
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(quiet).count();
        DebugLog("Sound capture stalled: no data for %lld ms\r\n", static_cast<long long>(ms));
    }
}

void NoteFlowing(SDeviceState& d) {
    std::lock_guard<std::mutex> lock(d.stallMutex);
    if (d.stallReported) {
        d.stallReported = false;
        DebugLog("Sound capture resumed\r\n");
    }
}

} // namespace

bool InitCapture(std::int32_t n, std::unique_ptr<ICaptureBackend> backend) {
    SDeviceState& d = Device();
    std::lock_guard<std::mutex> lock(d.control);
    DebugLog("InitSoundCapture\r\n");
    d.error.clear();
    d.backend = std::move(backend);
    if (!d.backend || !d.backend->Create()) {
        return Fail(d, "Failed to create sound capture device\r\n", "no capture device");
    }
    if (!d.backend->Enumerate()) {
        return Fail(d, "Can't enumerate sound capture\r\n", "the capture devices can't be listed");
    }
    if (!d.backend->QueryCaps()) {
        return Fail(d, "Can't get sound capture caps\r\n", "the device's formats can't be read");
    }
    if (!d.backend->SupportsFormat()) {
        return Fail(d, "Sound Capture Doesn't Support Format!\r\n",
                    "the device can't capture 44100 Hz 16-bit stereo");
    }
    const auto bufferBytes = static_cast<std::int64_t>(n) * 16;
    DebugLog("Capture Buffer %lld\r\n", static_cast<long long>(bufferBytes));
    if (n < 1 || n > 32768) {
        return Fail(d, "Can't create capture buffer\r\n", "the block size is out of range");
    }
    auto ring = std::make_shared<CCaptureRing>(n);
    if (!d.backend->CreateBuffer(ring)) {
        return Fail(d, "Can't create capture buffer\r\n", "the capture stream can't be opened");
    }
    {
        std::lock_guard<std::mutex> ringLock(d.ringMutex);
        d.ring = ring;
        d.lockedSequence = -1;
    }
    d.capturing = false;
    return true;
}

std::string GetCaptureError() {
    SDeviceState& d = Device();
    std::lock_guard<std::mutex> lock(d.control);
    return d.error;
}

std::string GetCaptureFault() {
    SDeviceState& d = Device();
    std::lock_guard<std::mutex> lock(d.control);
    return d.backend ? d.backend->Fault() : std::string();
}

bool HasCaptureDevice() {
    SDeviceState& d = Device();
    std::lock_guard<std::mutex> lock(d.control);
    return d.backend != nullptr;
}

std::string GetCaptureDeviceName() {
    SDeviceState& d = Device();
    std::lock_guard<std::mutex> lock(d.control);
    return d.backend ? d.backend->Name() : std::string();
}

bool StartCapture() {
    SDeviceState& d = Device();
    std::lock_guard<std::mutex> lock(d.control);
    if (!d.backend) {
        return false;
    }
    if (d.capturing.load()) {
        return true;
    }
    {
        std::lock_guard<std::mutex> stallLock(d.stallMutex);
        d.captureStart = std::chrono::steady_clock::now();
        d.stallReported = false;
    }
    if (!d.backend->Start()) {
        DebugLog("Can't start sound capture write\r\n");
        d.error = d.backend->Error();
        if (!d.error.empty())
            DebugLog("%s\r\n", d.error.c_str());
        return false;
    }
    d.capturing = true;
    return true;
}

bool StopCapture() {
    SDeviceState& d = Device();
    std::lock_guard<std::mutex> lock(d.control);
    StopLocked(d);
    return true;
}

bool IsCapturing() {
    return Device().capturing.load();
}

bool WaitForChunk(std::chrono::milliseconds timeout) {
    SDeviceState& d = Device();
    std::shared_ptr<CCaptureRing> ring = d.Ring();
    if (!ring) {
        std::this_thread::sleep_for(timeout);
        return false;
    }
    if (ring->WaitForChunk(timeout)) {
        NoteFlowing(d);
        return true;
    }
    NoteStall(d, *ring);
    return false;
}

bool LockChunk(void** ppRegion1, std::uint32_t* pBytes1, void** ppRegion2, std::uint32_t* pBytes2) {
    SDeviceState& d = Device();
    const std::shared_ptr<CCaptureRing> ring = d.Ring();
    std::int64_t sequence = -1;
    bool locked = false;
    if (ring) {
        std::array<std::uint32_t, CCaptureRing::kChunkCount> offsets{};
        for (int i = 0; i < CCaptureRing::kChunkCount; ++i)
            offsets[static_cast<std::size_t>(i)] = ring->ChunkOffset(i);
        const int chunk = CCaptureRing::ChunkToLock(ring->ReadPosition(), offsets);
        locked = ring->Lock(ring->ChunkOffset(chunk), ring->ChunkBytes(), ppRegion1, pBytes1,
                            ppRegion2, pBytes2, &sequence);
    }
    if (!locked) {
        DebugLog("Failed to lock sound buffer: %d\r\n", 1);
        return false;
    }
    std::lock_guard<std::mutex> lock(d.ringMutex);
    d.lockedSequence = sequence;
    return true;
}

bool UnlockChunk(void*, std::uint32_t, void*, std::uint32_t) {
    SDeviceState& d = Device();
    std::shared_ptr<CCaptureRing> ring;
    {
        std::lock_guard<std::mutex> lock(d.ringMutex);
        ring = d.ring;
        d.lockedSequence = -1;
    }
    if (ring) {
        ring->Unlock();
    }
    return true;
}

void ReleaseCapture() {
    SDeviceState& d = Device();
    std::lock_guard<std::mutex> lock(d.control);
    StopLocked(d);
    d.backend.reset();
    std::lock_guard<std::mutex> ringLock(d.ringMutex);
    d.ring.reset();
    d.lockedSequence = -1;
}

std::int64_t LockedChunkSequence() {
    SDeviceState& d = Device();
    std::lock_guard<std::mutex> lock(d.ringMutex);
    return d.lockedSequence;
}

void StartRecordingFrom(std::int64_t firstSequence) {
    if (auto ring = Device().Ring()) {
        ring->StartRecording(firstSequence);
    }
}

void StopRecording() {
    if (auto ring = Device().Ring()) {
        ring->StopRecording();
    }
}

CRecordingQueue::SPiece PeekRecorded() {
    CRecordingQueue::SPiece piece;
    if (auto ring = Device().Ring()) {
        piece = ring->Recording().Peek();
        piece.nFrames = std::min(piece.nFrames, static_cast<std::size_t>(ring->FramesPerChunk()));
    }
    return piece;
}

void ConsumeRecorded(const CRecordingQueue::SPiece& piece) {
    if (auto ring = Device().Ring()) {
        ring->Recording().Consume(piece);
    }
}

std::uint64_t GetCapturedFrames() {
    if (auto ring = Device().Ring()) {
        return ring->FramesDelivered();
    }
    return 0;
}
