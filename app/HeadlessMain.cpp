// SPDX-License-Identifier: GPL-3.0-or-later
// vireon-headless: the measuring tool without a window. Measures the sound of
// the capture device or a sound file block by block: the strongest tone from
// the transform's own bins (analysis/BlockMeter.h), the block's levels and,
// with --bands, the level of every standard band (analysis/BandMeter.h),
// printed once a second of the stream or as one CSV row per block.
//
// Live (the device, or --input played in real time and looping), the whole
// pipeline runs as in the windowed program: input and analysis threads,
// history buffers. The measurement takes every captured block in order from
// the input thread's recording hand-off, so none is skipped or repeated even
// when the analysis falls behind. With --offline the file is read once
// without pacing, every block of N frames measured exactly once (with
// --native-rate at the file's own rate, as floating point). With
// --latency HZ (and --input) it measures instead, for every onset of a tone
// of HZ in the file, the delay from the onset's arrival in the capture
// buffer to the first history row that shows it.
//
// Exit status: 0 done; 1 the input failed (at once, with its message on
// standard error and nothing on standard output; or, when the file cannot be
// decoded part-way, once the rows before the failure are out); 2 bad options.
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "acquisition/AudioRecorder.h"
#include "acquisition/CaptureDevice.h"
#include "acquisition/SpectrumPipeline.h"
#include "analysis/BandMeter.h"
#include "analysis/BlockMeter.h"
#include "analysis/HistoryBuffers.h"
#include "analysis/WindowTable.h"
#include "app/CommandLine.h"
#include "base/RunState.h"
#include "base/StartupSettings.h"
#include "base/Tunables.h"
#include "platform/AudioFileDecoder.h"
#include "platform/PortAudioCapture.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr const char* kProgram = "vireon-headless";
constexpr double kRate = kSampleRate; // as a double for the arithmetic below
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

// The column the strongest bin near hz falls into (the mapping's rule).
std::int32_t ToneColumn(double hz, std::int32_t n, std::int32_t width) {
    const double binWidth = kRate / n;
    const double binHz = std::round(hz / binWidth) * binWidth;
    return static_cast<std::int32_t>((binHz - kFreqMin) / (kFreqMax - kFreqMin) * width);
}

SDecodeOptions DecodeOptions(const SCommandLine& options) {
    return {.bNativeRate = options.bNativeRate,
            .nLeft = options.nInputLeft,
            .nRight = options.nInputRight};
}

// The frames of one pass through the file where a tone starts: the level
// rises above a tenth of the file's peak after at least 0.1 s below it.
std::vector<std::uint64_t> FindOnsets(const SCommandLine& options, std::uint64_t* pFileFrames) {
    CAudioFileDecoder file(DecodeOptions(options));
    std::vector<std::uint64_t> onsets;
    if (!file.Open(options.strInputFile)) {
        return onsets;
    }
    // As the file source plays it: the same decoding, frame for frame.
    std::vector<std::int16_t> samples;
    std::vector<std::int16_t> piece(2 * static_cast<std::size_t>(kSampleRate));
    while (const std::size_t got = file.ReadStereo(piece.data(), kSampleRate))
        samples.insert(samples.end(), piece.begin(),
                       piece.begin() + static_cast<std::ptrdiff_t>(2 * got));
    const std::size_t frames = samples.size() / 2;
    *pFileFrames = frames;
    int peak = 0;
    for (std::size_t i = 0; i < frames; ++i) {
        peak = std::max(peak, std::abs(static_cast<int>(samples[2 * i])));
    }
    const int threshold = std::max(peak / 10, 1);
    constexpr std::size_t kQuietFrames = kSampleRate / 10;
    std::size_t quiet = kQuietFrames; // the file's start counts as after silence
    for (std::size_t i = 0; i < frames; ++i) {
        if (std::abs(static_cast<int>(samples[2 * i])) >= threshold) {
            if (quiet >= kQuietFrames) {
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

// One line on standard error, prefixed with the program's name.
void Complain(const std::string& message) {
    std::fprintf(stderr, "%s: %s\n", kProgram, message.c_str());
}

double Db(double linear) {
    return 20.0 * std::log10(linear); // -inf for silence, which prints as such
}

// Writes the measurements: a CSV header and one row per block, or in text
// one line for the first block of each second of the stream; with --bands
// the band levels too (a column each, or a second line).
class CReport {
public:
    // rate: the frames per second of the stream measured.
    CReport(bool csv, double rate = kRate) : m_bCsv(csv), m_dRate(rate) {}

    void Begin(const SCommandLine& options, std::int32_t n, const std::string& source) {
        if (options.nBands != EBandSet::None) {
            m_pBands =
                std::make_unique<CBandMeter>(options.nBands, n, m_dRate, options.nWindowType);
            m_levels.resize(m_pBands->Bands().size());
        }
        if (m_bCsv) {
            std::printf("time_s,peak_hz,peak_dbfs,min,max,rms");
            if (m_pBands)
                for (const SBand& band : m_pBands->Bands())
                    std::printf(",b%s", band.strName.c_str());
            std::printf("\n");
            return;
        }
        const double low = options.bBandGiven ? options.dBandLow : m_dRate / n;
        const double high = std::min(options.dBandHigh, m_dRate / 2.0);
        std::printf("%s: N = %d at %g Hz (%.1f ms per block, %.2f Hz per bin), %s window, "
                    "%s channel, peak from %g to %g Hz above %g dBFS, %s\n",
                    kProgram, n, m_dRate, n * 1000.0 / m_dRate, m_dRate / n,
                    g_apszWindowNames[options.nWindowType], kChannelWords[options.nChannelMode],
                    low, high, options.dFloorDb, source.c_str());
    }

    // streamFrame: where the block starts in the stream; magnitudes: its
    // spectrum (CBlockMeter::GetMagnitudes), for the bands.
    void Block(std::uint64_t streamFrame, const SBlockMeasurement& m, const double* magnitudes) {
        ++m_nBlocks;
        const double t = static_cast<double>(streamFrame) / m_dRate;
        if (m_pBands)
            m_pBands->Measure(magnitudes, m_levels.data());
        if (m_bCsv) {
            if (m.peak.bFound)
                std::printf("%.6f,%.3f,%.2f,%.6f,%.6f,%.6f", t, m.peak.dFrequency, m.peak.dLevelDb,
                            m.dMin, m.dMax, m.dRms);
            else
                std::printf("%.6f,,,%.6f,%.6f,%.6f", t, m.dMin, m.dMax, m.dRms);
            // A band not measured at this N is an empty field.
            for (const double level : m_levels)
                std::isnan(level) ? std::printf(",") : std::printf(",%.2f", level);
            std::printf("\n");
            return;
        }
        if (t < m_dNextLine)
            return;
        m_dNextLine = std::floor(t) + 1.0;
        char peak[64];
        if (m.peak.bFound)
            std::snprintf(peak, sizeof peak, "peak %9.2f Hz %6.1f dBFS", m.peak.dFrequency,
                          m.peak.dLevelDb);
        else
            std::snprintf(peak, sizeof peak, "no peak");
        std::printf("%8.2f s  %-30s  min %+.4f  max %+.4f  rms %6.1f dBFS\n", t, peak, m.dMin,
                    m.dMax, Db(m.dRms));
        if (m_pBands) {
            std::printf("%10s  bands dBFS:", "");
            for (std::size_t i = 0; i < m_levels.size(); ++i) {
                const std::string& name = m_pBands->Bands()[i].strName;
                if (std::isnan(m_levels[i]))
                    std::printf(" %s -", name.c_str());
                else
                    std::printf(" %s %.1f", name.c_str(), m_levels[i]);
            }
            std::printf("\n");
        }
    }

    long Blocks() const { return m_nBlocks; }
    bool IsCsv() const { return m_bCsv; }
    double Rate() const { return m_dRate; }

private:
    bool m_bCsv;
    double m_dRate;
    long m_nBlocks = 0;
    double m_dNextLine = 0.0;
    std::unique_ptr<CBandMeter> m_pBands; // with --bands
    std::vector<double> m_levels;         // the last block's, one per band
};

void Configure(CBlockMeter& meter, const SCommandLine& options) {
    meter.SetWindowType(options.nWindowType);
    meter.SetChannelMode(options.nChannelMode);
    if (options.bBandGiven)
        meter.SetBand(options.dBandLow, options.dBandHigh);
    meter.SetFloor(options.dFloorDb);
}

// False, with a complaint, when standard output could not take everything.
bool OutputWritten() {
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        Complain("can't write the output");
        return false;
    }
    return true;
}

int RunOffline(const SCommandLine& options, std::int32_t n) {
    CAudioFileDecoder file(DecodeOptions(options));
    if (!file.Open(options.strInputFile)) {
        Complain(file.Error());
        return 1;
    }
    const auto blockFrames = static_cast<std::size_t>(n);
    std::vector<std::int16_t> block(blockFrames * 2);
    std::vector<float> floats(options.bNativeRate ? blockFrames * 2 : 0);
    auto read = [&] {
        return options.bNativeRate ? file.ReadFloat(floats.data(), blockFrames)
                                   : file.ReadStereo(block.data(), blockFrames);
    };
    // The first block decides, before any output, whether there is one.
    std::size_t got = read();
    if (got < blockFrames) {
        Complain(file.Error().empty()
                     ? "input file \"" + options.strInputFile + "\": shorter than one block (" +
                           std::to_string(got) + " of " + std::to_string(n) + " frames)"
                     : file.Error());
        return 1;
    }

    CBlockMeter meter(n, file.OutputRate());
    Configure(meter, options);
    CReport report(options.bCsv, file.OutputRate());
    report.Begin(options, n, options.strInputFile + " (" + file.Description() + ")");
    const double endFrame = options.dSeconds > 0.0 ? options.dSeconds * report.Rate() : INFINITY;
    // A last piece shorter than a block is not a block.
    for (std::uint64_t position = 0; got == blockFrames && static_cast<double>(position) < endFrame;
         position += blockFrames, got = read()) {
        const SBlockMeasurement measured =
            options.bNativeRate ? meter.Measure(floats.data(), n) : meter.Measure(block.data(), n);
        report.Block(position, measured, meter.GetMagnitudes());
    }
    if (!report.IsCsv())
        std::printf("blocks analysed: %ld (%.2f s of sound)\n", report.Blocks(),
                    static_cast<double>(report.Blocks()) * n / report.Rate());
    if (!OutputWritten())
        return 1;
    if (!file.Error().empty()) {
        Complain(file.Error() + "; " + std::to_string(report.Blocks()) + " blocks measured");
        return 1;
    }
    return 0;
}

// Takes every captured chunk (exactly one block) from the input thread in
// stream order, through the recording hand-off, for the main thread to
// measure. The input thread only copies; the queue is bounded so that a
// stalled main thread costs memory for at most a few seconds of sound.
class CMeasuringTap : public IAudioRecorder {
public:
    struct SBlock {
        std::uint64_t nStreamFrame = 0;
        std::vector<std::int16_t> samples; // interleaved stereo
    };

    std::int32_t GetCaptureFlags() const override { return kCaptureSound; }

    std::int32_t WriteAudio(std::uint32_t bytes, const void* data,
                            std::uint32_t* pWritten) override {
        const auto* samples = static_cast<const std::int16_t*>(data);
        const std::uint64_t frames = bytes / 4;
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_blocks.size() < kMaxQueued)
            m_blocks.push_back({m_nStreamFrame, {samples, samples + 2 * frames}});
        m_nStreamFrame += frames;
        *pWritten = bytes;
        return 0;
    }

    void NoteAudioGap(std::uint64_t frames) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_nStreamFrame += frames;
    }

    std::deque<SBlock> Take() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return std::exchange(m_blocks, {});
    }

private:
    static constexpr std::size_t kMaxQueued = 256;
    std::mutex m_mutex;
    std::deque<SBlock> m_blocks;      // guarded by m_mutex
    std::uint64_t m_nStreamFrame = 0; // guarded by m_mutex
};

int RunLive(const SCommandLine& options, std::int32_t n) {
    const std::int32_t h = g_startupSettings.m_nHistoryLength;

    CRunState& store = g_runState;
    SCaptureFormat format = kDefaultCaptureFormat;
    format.nChannelMode = options.nChannelMode;
    format.nWindowType = options.nWindowType;
    store.SetCaptureFormat(format);
    store.SetDisplayRange(kDefaultDisplayRange);

    auto backend = options.strInputFile.empty()
                       ? CreateCaptureBackend({}, options.strDevice)
                       : CreateDecodedFileSource(options.strInputFile, DecodeOptions(options));
    if (!InitCapture(n, std::move(backend))) {
        const std::string why = GetCaptureError();
        Complain(why.empty() ? "the sound capture device can't start" : why);
        return 1;
    }

    SLatencyProbe probe;
    const bool measureLatency = options.dLatencyHz > 0.0;
    if (measureLatency) {
        probe.onsets = FindOnsets(options, &probe.fileFrames);
        probe.column = ToneColumn(options.dLatencyHz, n, h);
        if (probe.onsets.empty()) {
            Complain("no tone onset found in the input file");
            ReleaseCapture();
            return 1;
        }
    }

    CMeasuringTap tap;
    CBlockMeter meter(n, kRate);
    Configure(meter, options);
    if (!measureLatency)
        store.SetCaptureFlags(kCaptureSound);

    CSpectrumPipeline pipeline(store, {.nBlockSize = n,
                                       .nHistoryLength = h,
                                       .nSurfaceCols = g_startupSettings.m_nSurfaceCols,
                                       .nSurfaceRows = g_startupSettings.m_nSurfaceRows,
                                       .pRecorder = measureLatency ? nullptr : &tap,
                                       .onRunStart = [&store] {
                                           store.SetAcquiring(true);
                                           store.SetRunStart(
                                               static_cast<std::int64_t>(std::time(nullptr)));
                                       }});

    const double cpuStart = CpuSeconds();
    const Clock::time_point start = Clock::now();
    pipeline.OnTick();
    if (!pipeline.CaptureStarted()) {
        pipeline.Stop();
        Complain("the sound capture can't start");
        return 1;
    }
    pipeline.OnTick();

    CReport report(options.bCsv);
    const std::string source =
        options.strInputFile.empty()
            ? "capture device" + (options.strDevice.empty() ? "" : " \"" + options.strDevice + "\"")
            : options.strInputFile + " (real time, looping)";
    if (!measureLatency)
        report.Begin(options, n, source);
    std::fflush(stdout);

    // An onset's delay is measured to the poll that sees its row.
    constexpr std::chrono::milliseconds kLatencyPoll{1};
    const auto poll = measureLatency ? kLatencyPoll : kTimerPeriod;
    std::int32_t lastRow = store.GetHistoryGeometry().nHistoryRow;
    std::vector<std::uint8_t> row(static_cast<std::size_t>(h));
    std::string fault; // a file that could not be read to its end

    while (!g_bInterrupted) {
        const Clock::time_point now = Clock::now();
        if (options.dSeconds > 0.0 && Seconds(now - start) >= options.dSeconds) {
            break;
        }
        fault = GetCaptureFault();
        if (!fault.empty())
            break;
        for (const CMeasuringTap::SBlock& block : tap.Take()) {
            const SBlockMeasurement measured = meter.Measure(
                block.samples.data(), static_cast<std::int32_t>(block.samples.size() / 2));
            report.Block(block.nStreamFrame, measured, meter.GetMagnitudes());
        }
        std::fflush(stdout);
        const SHistoryGeometry g = store.GetHistoryGeometry();
        const int newBlocks = (lastRow - g.nHistoryRow + h) % h;
        lastRow = g.nHistoryRow;
        if (measureLatency) {
            if (!probe.armed && GetCapturedFrames() > probe.NextOnsetFrame()) {
                probe.armed = true;
                probe.arrived = now;
            }
            if (probe.armed && newBlocks > 0) {
                HistoryLoadBytes(row.data(),
                                 pipeline.History().Waterfall() + (g.nHistoryRow + 1) * g.nRowWidth,
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
        std::this_thread::sleep_for(poll);
    }

    const Clock::time_point stopAt = Clock::now();
    pipeline.Stop();
    const double stopMs = Seconds(Clock::now() - stopAt) * 1000.0;
    const double wall = Seconds(Clock::now() - start);
    const double cpu = CpuSeconds() - cpuStart;
    if (!report.IsCsv()) {
        std::printf("blocks measured: %ld; stop took %.0f ms\n", report.Blocks(), stopMs);
        std::printf("cpu: %.3f s user+system over %.2f s: %.2f%% of one core\n", cpu, wall,
                    100.0 * cpu / wall);
    }
    if (measureLatency && !probe.delaysMs.empty()) {
        const auto [lo, hi] = std::minmax_element(probe.delaysMs.begin(), probe.delaysMs.end());
        double sum = 0.0;
        for (double d : probe.delaysMs) {
            sum += d;
        }
        std::printf("latency over %zu onsets: min %.1f ms, mean %.1f ms, max %.1f ms "
                    "(block %.1f ms)\n",
                    probe.delaysMs.size(), *lo, sum / static_cast<double>(probe.delaysMs.size()),
                    *hi, n * 1000.0 / kRate);
    }
    if (!OutputWritten())
        return 1;
    if (!fault.empty()) {
        Complain(fault);
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    SCommandLine options;
    std::string error;
    const auto mode = CCommandLine::EMode::Headless;
    if (!CCommandLine::Parse(argc, argv, options, error, mode)) {
        Complain(error);
        std::fputs(CCommandLine::HelpText(kProgram, mode).c_str(), stderr);
        return 2;
    }
    if (options.bHelp) {
        std::fputs(CCommandLine::HelpText(kProgram, mode).c_str(), stdout);
        return OutputWritten() ? 0 : 1;
    }
    if (options.bVersion) {
        std::fputs(CCommandLine::VersionText().c_str(), stdout);
        return OutputWritten() ? 0 : 1;
    }
    if (options.bListDevices) {
        const std::vector<std::string> devices = ListCaptureDevices(&error);
        if (!error.empty()) {
            Complain(error);
            return 1;
        }
        if (devices.empty()) {
            Complain("no capture device found");
            return 1;
        }
        for (const std::string& name : devices) {
            std::printf("%s\n", name.c_str());
        }
        return OutputWritten() ? 0 : 1;
    }
    if (!options.strPreset.empty()) {
        Complain("preset \"" + options.strPreset + "\" ignored: there is no display");
    }
    g_startupSettings.LoadForStartup();
    const std::int32_t n = options.nBlockSize ? options.nBlockSize : g_startupSettings.m_nBlockSize;
    if (options.bOffline)
        return RunOffline(options, n);
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    return RunLive(options, n);
}
