// SPDX-License-Identifier: GPL-3.0-or-later
// A capture backend that plays a sound file instead of a sound device: its
// own thread writes the reader's frames into the capture ring in pieces of
// about 10 ms, at the real-time pace of kSampleRate frames per second
// (steady-clock deadlines, so chunks complete as they would from a device),
// and starts again at the file's beginning when it reaches the end. The pace
// counts the frames the reader delivers, which are already at kSampleRate
// whatever the file's own rate. Lets recordings be analysed and the whole
// pipeline run without a sound card.
//
// Create opens the file through the reader and fails with the reader's
// reason. A read that fails part-way (a file cut short, a damaged stream) is
// a fault: Fault() says why from then on, the failure is traced once, and the
// sound that could be read goes on looping, so a window keeps running.
//
// Threads: the ICaptureBackend calls come from the capture device's
// functions (serialised there); the pacing thread runs between Start and
// Stop and alone uses the reader meanwhile. Fault may be called from any
// thread.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "acquisition/CaptureDevice.h"
#include "acquisition/SoundReader.h"
#include "base/Mutex.h"

class CFileSource : public ICaptureBackend {
public:
    CFileSource(std::string path, std::unique_ptr<ISoundReader> reader);
    ~CFileSource() override;
    CFileSource(const CFileSource&) = delete;
    CFileSource& operator=(const CFileSource&) = delete;

    bool Create() override;
    bool SupportsFormat() override { return true; } // the reader delivers it
    bool CreateBuffer(std::shared_ptr<CCaptureRing> ring) override;
    bool Start() override;
    void Stop() override;
    std::string Name() const override { return m_strPath; }
    std::string Error() const override { return m_strError; }
    std::string Fault() const override;

    // Frames per piece: 10 ms.
    static constexpr std::int32_t kPieceFrames = 441;

private:
    void Run();
    void NoteFault(const std::string& reason);

    const std::string m_strPath;
    std::string m_strError;
    std::unique_ptr<ISoundReader> m_reader; // the pacing thread's while it runs
    bool m_bOpen = false;
    std::shared_ptr<CCaptureRing> m_ring;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_bStop = false; // guarded by m_mutex
    mutable CMutex m_faultMutex;
    std::string m_strFault VIREON_GUARDED_BY(m_faultMutex);
};
