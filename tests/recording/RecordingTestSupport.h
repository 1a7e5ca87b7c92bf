// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers shared by the recording tests: files read back, a frame's DIB,
// the messages a test provokes, shell tools run.
#pragma once

#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>
#include <mutex>

#include "../acquisition/AcquisitionTestSupport.h"
#include "acquisition/WavFile.h"
#include "base/BitmapInfoHeader.h"
#include "base/Messages.h"
#include "recording/BmpFile.h"

namespace rectest {

using namespace acqtest;

inline Samples ReadWav(const std::string& path) {
    CWavFile file;
    EXPECT_TRUE(file.Open(path)) << file.Error();
    Samples out(file.FrameCount() * 2);
    out.resize(file.ReadStereo(out.data(), file.FrameCount()) * 2);
    return out;
}

// A bottom-up 24-bit frame's header, rows padded to 4 bytes.
inline SBitmapInfoHeader DibHeader(int width, int height) {
    SBitmapInfoHeader header;
    header.biWidth = width;
    header.biHeight = height;
    header.biSizeImage = DibRowBytes(width) * static_cast<std::uint32_t>(height);
    return header;
}

// The header followed by its rows, all 0.
inline Bytes Dib(const SBitmapInfoHeader& header) {
    Bytes dib(sizeof header + header.biSizeImage, 0);
    std::memcpy(dib.data(), &header, sizeof header);
    return dib;
}

// Collects the message boxes asked for (from any thread) while it lives.
class CMessageLog {
public:
    CMessageLog() : m_previous(SetMessagePresenter(std::make_unique<CSink>(this))) {}
    ~CMessageLog() { SetMessagePresenter(std::move(m_previous)); }
    std::vector<std::string> Texts() {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return m_texts;
    }

private:
    struct CSink : IMessagePresenter {
        explicit CSink(CMessageLog* log) : m_pLog(log) {}
        bool Present(int, const std::string& text) override {
            const std::lock_guard<std::mutex> lock(m_pLog->m_mutex);
            m_pLog->m_texts.push_back(text);
            return true;
        }
        CMessageLog* m_pLog;
    };
    std::mutex m_mutex;
    std::vector<std::string> m_texts;
    std::unique_ptr<IMessagePresenter> m_previous;
};

struct SCommand {
    int status = -1;
    std::string output; // stdout, and stderr when asked for
};

inline SCommand RunCommand(const std::string& command) {
    SCommand result;
    if (std::FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[65536];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
            result.output.append(buffer, n);
        result.status = ::pclose(pipe);
    }
    return result;
}

} // namespace rectest
