// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/PortAudioCapture.h"

#include <alsa/asoundlib.h>
#include <dlfcn.h>
#include <portaudio.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <future>
#include <mutex>
#include <thread>

#include "acquisition/DeviceNames.h"
#include "base/DebugLog.h"
#include "base/Tunables.h"
#include "platform/AudioFileDecoder.h"

namespace {

void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}
void QuietJack(const char*) {}

// Without a sound card ALSA and JACK each print dozens of lines while
// PortAudio probes them. VIREON_AUDIO_VERBOSE keeps them for diagnosis.
void QuietenSoundBackEnds() {
    static std::once_flag once;
    std::call_once(once, [] {
        if (std::getenv("VIREON_AUDIO_VERBOSE") != nullptr) {
            return;
        }
        setenv("JACK_NO_START_SERVER", "1", 0);
        snd_lib_error_set_handler(QuietAlsa);
        // libjack comes in with PortAudio; its messages bypass ALSA's
        // handler. Looked up at run time so a PortAudio built without JACK
        // still links.
        using Printer = void (*)(const char*);
        using Setter = void (*)(Printer);
        for (const char* name : {"jack_set_error_function", "jack_set_info_function"}) {
            if (void* symbol = dlsym(RTLD_DEFAULT, name)) {
                reinterpret_cast<Setter>(symbol)(QuietJack);
            }
        }
    });
}

bool InitialisePortAudio(std::string& error) {
    QuietenSoundBackEnds();
    const PaError e = Pa_Initialize();
    if (e != paNoError) {
        error = std::string("PortAudio can't start: ") + Pa_GetErrorText(e);
        return false;
    }
    return true;
}

bool IsInput(int device) {
    const PaDeviceInfo* info = Pa_GetDeviceInfo(device);
    return info != nullptr && info->maxInputChannels > 0;
}

// The input devices, the system default first, with the names they are
// listed and chosen by. PortAudio must be initialised.
struct SInputs {
    std::vector<int> devices;
    std::vector<std::string> names;
};

SInputs ListInputs() {
    SInputs inputs;
    const int fallback = Pa_GetDefaultInputDevice();
    if (fallback != paNoDevice && IsInput(fallback))
        inputs.devices.push_back(fallback);
    const int count = std::max(Pa_GetDeviceCount(), 0);
    for (int i = 0; i < count; ++i) {
        if (i != fallback && IsInput(i))
            inputs.devices.push_back(i);
    }
    std::vector<SDeviceEntry> entries;
    for (const int device : inputs.devices) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(device);
        const PaHostApiInfo* host = Pa_GetHostApiInfo(info->hostApi);
        entries.push_back({info->name, host != nullptr ? host->name : "?"});
    }
    inputs.names = CDeviceNames::Listed(entries);
    return inputs;
}

PaStreamParameters CaptureParameters(int device) {
    PaStreamParameters p{};
    p.device = device;
    p.channelCount = kCaptureChannels;
    p.sampleFormat = paInt16;
    const PaDeviceInfo* info = Pa_GetDeviceInfo(device);
    p.suggestedLatency = info ? info->defaultLowInputLatency : 0.02;
    p.hostApiSpecificStreamInfo = nullptr;
    return p;
}

} // namespace

// Shared with the stream callback and with an abort that may never return,
// so it lives as long as either still needs it.
struct CPortAudioCapture::SStream {
    PaStream* pStream = nullptr;
    std::shared_ptr<CCaptureRing> ring;
    std::atomic<bool> deliver{false};
    std::atomic<std::uint64_t> overflows{0};
    std::uint64_t reportedOverflows = 0; // control thread only
    bool running = false;                // control thread only
    bool wedged = false;                 // control thread only

    static int Callback(const void* input, void*, unsigned long frames,
                        const PaStreamCallbackTimeInfo*, PaStreamCallbackFlags flags, void* user) {
        auto* self = static_cast<SStream*>(user);
        if ((flags & paInputOverflow) != 0) {
            self->overflows.fetch_add(1, std::memory_order_relaxed);
        }
        if (input != nullptr && self->deliver.load(std::memory_order_relaxed)) {
            self->ring->Write(static_cast<const std::int16_t*>(input), frames);
        }
        return paContinue;
    }
};

CPortAudioCapture::CPortAudioCapture(std::string deviceName)
    : m_strRequested(std::move(deviceName)) {}

CPortAudioCapture::~CPortAudioCapture() {
    bool wedged = false;
    if (m_stream && m_stream->pStream) {
        if (m_stream->running) {
            Stop();
        }
        wedged = m_stream->wedged;
        if (!wedged) {
            Pa_CloseStream(m_stream->pStream);
        }
    }
    // A wedged stream still belongs to PortAudio; terminating would wait
    // for it.
    if (m_bInitialised && !wedged) {
        Pa_Terminate();
    }
}

bool CPortAudioCapture::Create() {
    if (!InitialisePortAudio(m_strError)) {
        return false;
    }
    m_bInitialised = true;
    const SInputs inputs = ListInputs();
    if (inputs.devices.empty()) {
        m_strError = "no capture device found";
        return false;
    }
    std::size_t chosen = 0; // the default comes first
    if (!m_strRequested.empty()) {
        const int match = CDeviceNames::Match(inputs.names, m_strRequested, m_strError);
        if (match < 0)
            return false;
        chosen = static_cast<std::size_t>(match);
    }
    m_nDevice = inputs.devices[chosen];
    m_strName = inputs.names[chosen];
    return true;
}

bool CPortAudioCapture::Enumerate() {
    const int count = Pa_GetDeviceCount();
    if (count < 0) {
        m_strError = std::string("the devices can't be listed: ") + Pa_GetErrorText(count);
        return false;
    }
    return true;
}

bool CPortAudioCapture::QueryCaps() {
    if (Pa_GetDeviceInfo(m_nDevice) == nullptr) {
        m_strError = "the device \"" + m_strName + "\" can't be queried";
        return false;
    }
    return true;
}

bool CPortAudioCapture::SupportsFormat() {
    const PaStreamParameters p = CaptureParameters(m_nDevice);
    if (Pa_IsFormatSupported(&p, nullptr, kSampleRate) != paFormatIsSupported) {
        m_strError = "the device \"" + m_strName + "\" can't capture " +
                     std::to_string(kSampleRate) + " Hz 16-bit stereo";
        return false;
    }
    return true;
}

bool CPortAudioCapture::CreateBuffer(std::shared_ptr<CCaptureRing> ring) {
    m_stream = std::make_shared<SStream>();
    m_stream->ring = std::move(ring);
    const PaStreamParameters p = CaptureParameters(m_nDevice);
    const PaError e =
        Pa_OpenStream(&m_stream->pStream, &p, nullptr, kSampleRate, paFramesPerBufferUnspecified,
                      paNoFlag, &SStream::Callback, m_stream.get());
    if (e != paNoError) {
        m_stream->pStream = nullptr;
        m_strError = "the device \"" + m_strName + "\" can't be opened: " + Pa_GetErrorText(e);
        return false;
    }
    return true;
}

bool CPortAudioCapture::Start() {
    if (!m_stream || !m_stream->pStream) {
        return false;
    }
    if (m_stream->wedged) {
        m_strError = "the device \"" + m_strName + "\" stopped responding";
        return false;
    }
    m_stream->deliver = true;
    const PaError e = Pa_StartStream(m_stream->pStream);
    if (e != paNoError) {
        m_stream->deliver = false;
        m_strError = std::string("the capture stream can't start: ") + Pa_GetErrorText(e);
        return false;
    }
    m_stream->running = true;
    return true;
}

void CPortAudioCapture::Stop() {
    if (!m_stream || !m_stream->pStream || m_stream->wedged || !m_stream->running) {
        return;
    }
    m_stream->deliver = false;
    m_stream->running = false;
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> aborted = done->get_future();
    std::thread aborter([stream = m_stream, done] {
        Pa_AbortStream(stream->pStream);
        done->set_value();
    });
    if (aborted.wait_for(kCaptureStopTimeout) == std::future_status::ready) {
        aborter.join();
    } else {
        // The thread keeps the stream's context alive for as long as
        // PortAudio might still use it.
        aborter.detach();
        m_stream->wedged = true;
        DebugLog("Sound capture device doesn't stop: abandoned\r\n");
    }
    const std::uint64_t overflows = m_stream->overflows.load();
    if (overflows != m_stream->reportedOverflows) {
        DebugLog("Sound capture overflowed %llu times\r\n",
                 static_cast<unsigned long long>(overflows - m_stream->reportedOverflows));
        m_stream->reportedOverflows = overflows;
    }
}

std::vector<std::string> ListCaptureDevices(std::string* error) {
    std::vector<std::string> names;
    std::string reason;
    if (!InitialisePortAudio(reason)) {
        if (error) {
            *error = reason;
        }
        return names;
    }
    names = ListInputs().names;
    Pa_Terminate();
    return names;
}

std::unique_ptr<ICaptureBackend> CreateCaptureBackend(const std::string& inputFile,
                                                      const std::string& deviceName) {
    if (!inputFile.empty()) {
        return CreateDecodedFileSource(inputFile);
    }
    return std::make_unique<CPortAudioCapture>(deviceName);
}
