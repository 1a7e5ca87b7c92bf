// SPDX-License-Identifier: GPL-3.0-or-later
// The cost of one screen capture at the largest plot size, 960 x 720:
// on the user-interface thread the read-back of the drawn frame into the
// screen DIB (headless EGL context); on the screenshot thread the BMP file
// write and, per offered codec, one frame's encode and write. BM_CapturePace
// runs the real screenshot thread with the slowest codec for ten seconds of
// a one-second interval and counts the frames written against those due.
#include <benchmark/benchmark.h>

#include <GL/gl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "base/RunState.h"
#include "platform/AviFileWriter.h"
#include "platform/EglContext.h"
#include "recording/BmpFile.h"
#include "recording/CaptureSession.h"
#include "recording/ScreenShotThread.h"
#include "view/ScreenShot.h"

namespace fs = std::filesystem;

namespace {

constexpr int kWidth = 960;
constexpr int kHeight = 720;

SBitmapInfoHeader Header() {
    SBitmapInfoHeader header;
    header.biWidth = kWidth;
    header.biHeight = kHeight;
    header.biSizeImage = DibRowBytes(kWidth) * kHeight;
    return header;
}

// A frame that compresses like a plot: a dark background, a waterfall of
// noisy palette rows in the upper part and bars below (seeded).
std::vector<std::uint8_t> PlotLikeDib() {
    const SBitmapInfoHeader header = Header();
    std::vector<std::uint8_t> dib(sizeof header + header.biSizeImage, 0);
    std::memcpy(dib.data(), &header, sizeof header);
    std::mt19937 random(11);
    std::uniform_int_distribution<int> noise(0, 40);
    const std::uint32_t stride = DibRowBytes(kWidth);
    std::vector<int> bars(kWidth);
    for (int& bar : bars)
        bar = noise(random) * 6;
    for (int y = 0; y < kHeight; ++y) {
        std::uint8_t* row = dib.data() + sizeof header + static_cast<std::size_t>(y) * stride;
        for (int x = 0; x < kWidth; ++x) {
            std::uint8_t* p = row + 3 * x;
            if (y > kHeight / 2) {
                const int v = std::min(255, (x * 255 / kWidth + noise(random)));
                p[0] = static_cast<std::uint8_t>(255 - v);
                p[1] = static_cast<std::uint8_t>(v / 2);
                p[2] = static_cast<std::uint8_t>(v);
            } else if (y < bars[static_cast<std::size_t>(x)] / 2) {
                p[1] = 200;
            } else {
                p[1] = 38;
            }
        }
    }
    return dib;
}

fs::path BenchDir() {
    const fs::path dir = fs::temp_directory_path() / "vireon-capture-bench";
    fs::create_directories(dir);
    return dir;
}

void BM_ReadBack(benchmark::State& state) {
    CEglContext context;
    if (!context.Create(kWidth, kHeight) || !context.MakeCurrent()) {
        state.SkipWithError("no headless OpenGL context");
        return;
    }
    glClearColor(0.0f, 0.15f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    const SBitmapInfoHeader header = Header();
    std::vector<std::uint8_t> dib(sizeof header + header.biSizeImage);
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT); // a fresh frame each time, as drawing gives
        ReadFrameIntoDib(header, dib.data());
        benchmark::DoNotOptimize(dib.data());
    }
}
BENCHMARK(BM_ReadBack)->Unit(benchmark::kMillisecond);

void BM_BmpWrite(benchmark::State& state) {
    const std::vector<std::uint8_t> dib = PlotLikeDib();
    const SBmpFileHeader header = MakeBmpFileHeader(static_cast<std::uint32_t>(dib.size()));
    const std::string path = (BenchDir() / "frame.bmp").string();
    for (auto _ : state)
        if (!WriteBmpFile(path, header, dib.data(), dib.size()))
            state.SkipWithError("write failed");
    fs::remove(path);
}
BENCHMARK(BM_BmpWrite)->Unit(benchmark::kMillisecond);

void AviWrite(benchmark::State& state, const std::string& codec) {
    const std::vector<std::uint8_t> dib = PlotLikeDib();
    const std::string path = (BenchDir() / (codec + ".avi")).string();
    CAviFileWriter writer;
    writer.SetFormat(Header(), 30);
    if (!writer.Create(path) || !writer.MakeCompressedStream({codec})) {
        state.SkipWithError("writer set-up failed");
        return;
    }
    for (auto _ : state)
        if (!writer.WriteFrame(dib.data()))
            state.SkipWithError("write failed");
    state.counters["KiB_per_frame"] =
        benchmark::Counter(static_cast<double>(writer.GetBytesWritten()) / 1024.0 /
                           static_cast<double>(std::max<std::int32_t>(1, writer.GetFrameIndex())));
    writer.Release();
    fs::remove(path);
}

// The real screenshot thread, a display handing it a snapshot every 100 ms,
// the session writing the slowest codec at one frame a second.
void BM_CapturePace(benchmark::State& state, const std::string& codec) {
    const SBitmapInfoHeader header = Header();
    std::vector<std::uint8_t> dib = PlotLikeDib();
    CRunState store;
    store.SetScreenDib(dib.data(), static_cast<std::uint32_t>(dib.size()));
    store.SetCaptureType(kCaptureAvi);
    store.SetCaptureFlags(kCaptureScreen);
    SetCompressionChooser([codec](const std::vector<SCodecChoice>&, SCompressOptions& options) {
        options.codec = codec;
        return true;
    });
    SetVideoWriterFactory([] { return std::make_unique<CAviFileWriter>(); });
    constexpr int kSeconds = 10;
    for (auto _ : state) {
        CCaptureSession session;
        session.SetInterval(1);
        session.SetFileName(CCaptureSession::kScreen, (BenchDir() / "pace.avi").string());
        if (!session.InitScreen(&header, 30, kCaptureAvi) || !session.ChooseCompression() ||
            !session.MakeCompressedStream()) {
            state.SkipWithError("capture set-up failed");
            return;
        }
        session.StartStop(true);
        store.SetScreenshotThreadState(kThreadRun);
        SScreenShotParams params;
        params.pRunState = &store;
        params.isDue = [&session] { return session.IsDue(CCaptureSession::kScreen); };
        std::atomic<int> written{0};
        params.writeAviFrame = [&session, &written](const std::uint8_t* frame) {
            const bool ok = session.WriteAviFrame(frame);
            written += ok;
            return ok;
        };
        std::thread worker([params] { ScreenShotThread(params); });
        const std::time_t firstSecond = std::time(nullptr);
        const auto start = std::chrono::steady_clock::now();
        while (std::chrono::steady_clock::now() - start < std::chrono::seconds(kSeconds)) {
            if (session.IsDue(CCaptureSession::kScreen) && !store.GetScreenshotReady())
                store.SetScreenshotReady(true);
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        store.SetScreenshotThreadState(kThreadStopRequested);
        worker.join();
        // The session's clock counts whole calendar seconds: one frame is
        // due in each second the run touched.
        state.counters["frames_due"] = static_cast<double>(std::time(nullptr) - firstSecond + 1);
        state.counters["frames_written"] = written.load();
        session.CloseSession();
    }
    fs::remove(BenchDir() / "pace.avi");
    SetCompressionChooser(nullptr);
    SetVideoWriterFactory(nullptr);
}

const int kRegistered = [] {
    const std::vector<SCodecChoice> codecs = CAviFileWriter::AvailableCodecs();
    for (const SCodecChoice& choice : codecs)
        benchmark::RegisterBenchmark(("BM_AviWrite/" + choice.codec).c_str(), AviWrite,
                                     choice.codec)
            ->Unit(benchmark::kMillisecond);
    // FFV1 is the slowest of the usual offers; otherwise the last offered.
    std::string slowest = codecs.empty() ? std::string() : codecs.back().codec;
    for (const SCodecChoice& choice : codecs)
        if (choice.codec == "ffv1")
            slowest = choice.codec;
    if (!slowest.empty())
        benchmark::RegisterBenchmark(("BM_CapturePace/" + slowest).c_str(), BM_CapturePace, slowest)
            ->Iterations(1)
            ->Unit(benchmark::kSecond);
    return 0;
}();

} // namespace
