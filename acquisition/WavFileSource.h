// A capture backend that plays a WAV file instead of a sound device: its own
// thread writes the file's frames into the capture ring in pieces of about
// 10 ms, at the real-time pace of 44100 frames per second (steady-clock
// deadlines, so chunks complete as they would from a device), and starts
// again at the file's beginning when it reaches the end. Lets recordings be
// analysed and the whole pipeline run without a sound card.
//
// The file must be 16-bit PCM, mono or stereo, 44100 Hz (see CWavFile);
// Create fails otherwise, with Error() naming the file and the reason.
//
// Threads: the ICaptureBackend calls come from the capture device's
// functions (serialised there); the pacing thread runs between Start and
// Stop.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "acquisition/CaptureDevice.h"
#include "acquisition/WavFile.h"

class CWavFileSource : public ICaptureBackend {
public:
    explicit CWavFileSource(std::string path);
    ~CWavFileSource() override;

    bool Create() override;
    bool SupportsFormat() override { return true; } // checked by Create
    bool CreateBuffer(std::shared_ptr<CCaptureRing> ring) override;
    bool Start() override;
    void Stop() override;
    std::string Name() const override { return m_strPath; }
    std::string Error() const override { return m_strError; }

    // Frames per piece: 10 ms.
    static constexpr std::int32_t kPieceFrames = 441;

private:
    void Run();

    const std::string m_strPath;
    std::string m_strError;
    CWavFile m_file; // used by the pacing thread only while it runs
    std::shared_ptr<CCaptureRing> m_ring;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_bStop = false; // guarded by m_mutex
};
