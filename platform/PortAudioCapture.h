// SPDX-License-Identifier: GPL-3.0-or-later
// The capture device over PortAudio: opens the default (or a named) input
// device for kSampleRate Hz, 16-bit stereo; its stream callback writes every
// buffer it gets into the capture ring, which signals the chunk events.
//
// Stopping uses Pa_AbortStream, not Pa_StopStream: when the sound server
// dies or stops delivering, PortAudio 19.6 spins and Pa_StopStream never
// returns. The abort runs on a helper thread that Stop waits for at most
// kCaptureStopTimeout; if it does not come back the stream is abandoned (never
// closed, its callback context kept alive) so that no caller ever waits on
// the device forever.
//
// PortAudio's ALSA and JACK back ends print dozens of lines on a machine
// without a sound card; those messages are silenced before PortAudio starts.
//
// Threads: the ICaptureBackend calls come serialised from the capture
// device's functions; ListCaptureDevices from any one thread at a time.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "acquisition/CaptureDevice.h"

class CPortAudioCapture : public ICaptureBackend {
public:
    // deviceName: empty for the system's default input; otherwise a name as
    // ListCaptureDevices prints it, or the part of one that picks a single
    // device (see CDeviceNames::Match). Create fails with "no capture device
    // found" when there is no input device at all.
    explicit CPortAudioCapture(std::string deviceName = {});
    ~CPortAudioCapture() override;
    CPortAudioCapture(const CPortAudioCapture&) = delete;
    CPortAudioCapture& operator=(const CPortAudioCapture&) = delete;

    bool Create() override;
    bool Enumerate() override;
    bool QueryCaps() override;
    bool SupportsFormat() override;
    bool CreateBuffer(std::shared_ptr<CCaptureRing> ring) override;
    bool Start() override;
    void Stop() override;
    std::string Name() const override { return m_strName; }
    std::string Error() const override { return m_strError; }

private:
    struct SStream;
    std::string m_strRequested;
    std::string m_strName;
    std::string m_strError;
    bool m_bInitialised = false;
    int m_nDevice = -1;
    std::shared_ptr<SStream> m_stream;
};

// Names of the input devices PortAudio sees, the system default first, each
// exactly as a device name option accepts it (see acquisition/DeviceNames.h).
// Empty when there is none; error gets a reason when PortAudio cannot start.
std::vector<std::string> ListCaptureDevices(std::string* error = nullptr);

// The backend the options ask for: the decoded file source
// (platform/AudioFileDecoder.h) when inputFile is not empty, otherwise the
// PortAudio device (default or named).
std::unique_ptr<ICaptureBackend> CreateCaptureBackend(const std::string& inputFile,
                                                      const std::string& deviceName);
