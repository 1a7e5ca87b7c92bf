// vireon-headless: the analysis pipeline without a window. Captures from the
// device or a WAV file (--input), runs the input and analysis threads into
// the history buffers exactly as the windowed program does, and prints once
// a second the strongest frequency of the newest waterfall row and the
// newest level. At the end it prints the CPU time the process used. With
// --latency HZ (and --input) it measures, for every onset of a tone of HZ in
// the file, the delay from the onset's arrival in the capture buffer to the
// first history row that shows the tone.
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <thread>
#include <vector>

#include "acquisition/CaptureDevice.h"
#include "acquisition/InputThread.h"
#include "acquisition/WavFile.h"
#include "analysis/HistoryBuffers.h"
#include "analysis/SampleExchange.h"
#include "analysis/WorkerThreads.h"
#include "app/CommandLine.h"
#include "base/DebugLog.h"
#include "base/Messages.h"
#include "base/RunState.h"
#include "base/StartupSettings.h"
#include "platform/PortAudioCapture.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr const char* kProgram = "vireon-headless";
constexpr double kFreqMin = kDefaultDisplayRange.dFreqMin;
constexpr double kFreqMax = kDefaultDisplayRange.dFreqMax;

std::atomic<bool> g_bInterrupted{false};

void OnSignal(int) {
    g_bInterrupted = true;
}

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + t.tv_usec * 1e-6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Centre frequency of a waterfall column.
double ColumnHz(std::int32_t column, std::int32_t width) {
    return kFreqMin + (column + 0.5) * (kFreqMax - kFreqMin) / width;
}

// The column the strongest bin near hz falls into (the mapping's rule).
std::int32_t ToneColumn(double hz, std::int32_t n, std::int32_t width) {
    const double binWidth = 44100.0 / n;
    const double binHz = std::round(hz / binWidth) * binWidth;
    return static_cast<std::int32_t>((binHz - kFreqMin) / (kFreqMax - kFreqMin) * width);
}

// The frames of one pass through the file where a tone starts: the level
// rises above a tenth of the file's peak after at least 0.1 s below it.
std::vector<std::uint64_t> FindOnsets(const std::string& path, std::uint64_t* pFileFrames) {
    CWavFile file;
    std::vector<std::uint64_t> onsets;
    if (!file.Open(path)) {
        return onsets;
    }
    std::vector<std::int16_t> samples(static_cast<std::size_t>(file.FrameCount()) * 2);
    const std::size_t frames = file.ReadStereo(samples.data(), file.FrameCount());
    *pFileFrames = frames;
    int peak = 0;
    for (std::size_t i = 0; i < frames; ++i) {
        peak = std::max(peak, std::abs(static_cast<int>(samples[2 * i])));
    }
    const int threshold = std::max(peak / 10, 1);
    std::size_t quiet = 4410; // the file's start counts as after silence
    for (std::size_t i = 0; i < frames; ++i) {
        if (std::abs(static_cast<int>(samples[2 * i])) >= threshold) {
            if (quiet >= 4410) {
                onsets.push_back(i);
            }
            quiet = 0;
        } else {
            ++quiet;
        }
    }
    return onsets;
}

struct SLatencyProbe {
    std::vector<std::uint64_t> onsets; // frames within one pass of the file
    std::uint64_t fileFrames = 0;
    std::int32_t column = 0;
    std::size_t next = 0; // index into the onset stream (all passes)
    bool armed = false;   // the next onset has arrived in the buffer
    Clock::time_point arrived;
    std::vector<double> delaysMs;

    std::uint64_t NextOnsetFrame() const {
        const std::size_t pass = next / onsets.size();
        return pass * fileFrames + onsets[next % onsets.size()];
    }
};

int Run(const SCommandLine& options) {
    g_startupSettings.LoadForStartup();
    const std::int32_t n = options.nBlockSize ? options.nBlockSize : g_startupSettings.m_nBlockSize;
    const std::int32_t h = g_startupSettings.m_nHistoryLength;
    const std::int32_t k = g_startupSettings.m_nSurfaceCols;
    const std::int32_t r = g_startupSettings.m_nSurfaceRows;

    CRunState& store = g_runState;
    CHistoryBuffers buffers(h, k, r);
    buffers.Register(store);
    store.SetCaptureFormat(kDefaultCaptureFormat);
    store.SetDisplayRange(kDefaultDisplayRange);
    CSampleExchange exchange(n, 44100.0, &store);

    if (!InitCapture(n, CreateCaptureBackend(options.strInputFile, options.strDevice))) {
        ReportMessage(1, "Couldn't initialize sound capture device: %s", GetCaptureError().c_str());
    }

    SLatencyProbe probe;
    const bool measureLatency = options.dLatencyHz > 0.0;
    if (measureLatency) {
        probe.onsets = FindOnsets(options.strInputFile, &probe.fileFrames);
        probe.column = ToneColumn(options.dLatencyHz, n, h);
        if (probe.onsets.empty()) {
            std::fprintf(stderr, "%s: no tone onset found in the input file\n", kProgram);
            ReleaseCapture();
            return 1;
        }
    }

    SWorkerHooks hooks;
    hooks.beforeInputStart = [&store] {
        StartCapture();
        store.SetAcquiring(true);
        store.SetRunStart(static_cast<std::int64_t>(std::time(nullptr)));
    };
    hooks.inputThread = [&] { InputThreadProc({&exchange, &store, nullptr}); };
    hooks.screenshotThread = [&store] {
        while (store.GetScreenshotThreadState() != kThreadStopRequested) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        store.SetScreenshotThreadState(kThreadNotRunning);
    };
    hooks.isCapturing = [] { return IsCapturing(); };
    hooks.startCapture = [] { StartCapture(); };
    CWorkerThreads workers(store, buffers.RenderParams(&exchange, &store), std::move(hooks));

    std::printf("%s: N = %d (%.1f ms per block), %s\n", kProgram, n, n * 1000.0 / 44100.0,
                options.strInputFile.empty() ? "capture device" : options.strInputFile.c_str());
    std::fflush(stdout);

    const double cpuStart = CpuSeconds();
    const Clock::time_point start = Clock::now();
    workers.OnTick();
    workers.OnTick();

    const auto poll = std::chrono::milliseconds(measureLatency ? 1 : 100);
    std::int32_t lastRow = store.GetHistoryGeometry().nHistoryRow;
    int blocksThisSecond = 0;
    long blocksTotal = 0;
    Clock::time_point nextReport = start + std::chrono::seconds(1);
    std::vector<std::uint8_t> row(static_cast<std::size_t>(h));

    while (!g_bInterrupted) {
        const Clock::time_point now = Clock::now();
        if (options.dSeconds > 0.0 && Seconds(now - start) >= options.dSeconds) {
            break;
        }
        const SHistoryGeometry g = store.GetHistoryGeometry();
        const int newBlocks = (lastRow - g.nHistoryRow + h) % h;
        lastRow = g.nHistoryRow;
        blocksThisSecond += newBlocks;
        blocksTotal += newBlocks;
        if (measureLatency) {
            if (!probe.armed && GetCapturedFrames() > probe.NextOnsetFrame()) {
                probe.armed = true;
                probe.arrived = now;
            }
            if (probe.armed && newBlocks > 0) {
                HistoryLoadBytes(row.data(),
                                 buffers.Waterfall() + (g.nHistoryRow + 1) * g.nRowWidth,
                                 row.size());
                const auto peak = std::max_element(row.begin(), row.end()) - row.begin();
                if (row[static_cast<std::size_t>(peak)] > 0 && std::abs(peak - probe.column) <= 1) {
                    const double ms = Seconds(now - probe.arrived) * 1000.0;
                    probe.delaysMs.push_back(ms);
                    std::printf("onset at frame %llu: shown after %.1f ms\n",
                                static_cast<unsigned long long>(probe.NextOnsetFrame()), ms);
                    std::fflush(stdout);
                    probe.armed = false;
                    ++probe.next;
                }
            }
        }
        if (now >= nextReport && !measureLatency) {
            HistoryLoadBytes(row.data(), buffers.Waterfall() + (g.nHistoryRow + 1) * g.nRowWidth,
                             row.size());
            const auto peak = std::max_element(row.begin(), row.end()) - row.begin();
            const double level = HistoryLoadDouble(buffers.LevelHistory(1) + g.nHistoryRow + 1);
            std::printf("%6.1f s  %3d blocks  peak %7.1f Hz (column %3d, index %3d)  "
                        "level %6.1f dBFS\n",
                        Seconds(now - start), blocksThisSecond,
                        ColumnHz(static_cast<std::int32_t>(peak), h), static_cast<int>(peak),
                        row[static_cast<std::size_t>(peak)],
                        level > 0.0 ? 20.0 * std::log10(level) : -100.0);
            std::fflush(stdout);
            blocksThisSecond = 0;
            nextReport += std::chrono::seconds(1);
        }
        std::this_thread::sleep_for(poll);
    }

    const Clock::time_point stopAt = Clock::now();
    workers.Stop();
    const double stopMs = Seconds(Clock::now() - stopAt) * 1000.0;
    const double wall = Seconds(Clock::now() - start);
    const double cpu = CpuSeconds() - cpuStart;
    std::printf("blocks analysed: %ld; stop took %.0f ms\n", blocksTotal, stopMs);
    std::printf("cpu: %.3f s user+system over %.2f s: %.2f%% of one core\n", cpu, wall,
                100.0 * cpu / wall);
    if (measureLatency && !probe.delaysMs.empty()) {
        const auto [lo, hi] = std::minmax_element(probe.delaysMs.begin(), probe.delaysMs.end());
        double sum = 0.0;
        for (double d : probe.delaysMs) {
            sum += d;
        }
        std::printf("latency over %zu onsets: min %.1f ms, mean %.1f ms, max %.1f ms "
                    "(block %.1f ms)\n",
                    probe.delaysMs.size(), *lo, sum / static_cast<double>(probe.delaysMs.size()),
                    *hi, n * 1000.0 / 44100.0);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    SCommandLine options;
    std::string error;
    if (!CCommandLine::Parse(argc, argv, options, error, CCommandLine::EMode::Headless)) {
        std::fprintf(stderr, "%s: %s\n", kProgram, error.c_str());
        return 2;
    }
    if (options.bHelp) {
        std::fputs(CCommandLine::HelpText(kProgram, CCommandLine::EMode::Headless).c_str(), stdout);
        return 0;
    }
    if (options.bListDevices) {
        const std::vector<std::string> devices = ListCaptureDevices(&error);
        if (!error.empty()) {
            std::fprintf(stderr, "%s: %s\n", kProgram, error.c_str());
            return 1;
        }
        if (devices.empty()) {
            std::printf("no capture devices\n");
        }
        for (const std::string& name : devices) {
            std::printf("%s\n", name.c_str());
        }
        return 0;
    }
    if (options.dLatencyHz > 0.0 && options.strInputFile.empty()) {
        std::fprintf(stderr, "%s: --latency needs --input\n", kProgram);
        return 2;
    }
    if (!options.strPreset.empty()) {
        std::fprintf(stderr, "%s: preset \"%s\" ignored: there is no display\n", kProgram,
                     options.strPreset.c_str());
    }
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    return Run(options);
}
