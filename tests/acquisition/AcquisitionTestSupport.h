// SPDX-License-Identifier: GPL-3.0-or-later
// Shared by the acquisition and capture tests: sample patterns that show
// order and loss, WAV files built from chunks (well-formed and broken ones
// from the same lines), a capture backend the test drives, and the whole
// pipeline as the view runs it.
#pragma once

#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include "acquisition/CaptureDevice.h"
#include "acquisition/SpectrumPipeline.h"
#include "base/Tunables.h"
#include "tests/analysis/AnalysisTestSupport.h"

namespace acqtest {

using namespace vtest;
using Bytes = std::vector<std::uint8_t>;

inline std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteRamp(CCaptureRing& ring, std::int64_t first, std::int64_t frames) {
    ring.Write(IndexRamp(first, frames).data(), static_cast<std::size_t>(frames));
}

// What a reader took from a recording queue, in order: the frames, and
// each loss with the frame it comes before.
struct SRecorded {
    Samples frames;
    std::vector<std::pair<std::size_t, std::uint64_t>> losses; // at frame, frames lost

    // Takes one piece, cut to at most limit frames as the input thread
    // cuts it to a chunk; false when there was nothing.
    bool TakeOne(CRecordingQueue& queue, std::size_t limit = SIZE_MAX) {
        CRecordingQueue::SPiece piece = queue.Peek();
        piece.nFrames = std::min(piece.nFrames, limit);
        if (piece.nFrames == 0 && piece.nLostBefore == 0)
            return false;
        if (piece.nLostBefore > 0)
            losses.emplace_back(frames.size() / 2, piece.nLostBefore);
        frames.insert(frames.end(), piece.pFrames, piece.pFrames + piece.nFrames * 2);
        queue.Consume(piece);
        return true;
    }
    // The source's index ramp from first, rebuilt from what was taken: each
    // loss skips its length. Returns the frames accounted for (taken plus lost).
    std::int64_t ExpectMatchesRamp(std::int64_t first = 0) const {
        std::int64_t at = first;
        std::size_t done = 0;
        for (std::size_t i = 0; i <= losses.size(); ++i) {
            const std::size_t until = i < losses.size() ? losses[i].first : frames.size() / 2;
            const Samples piece(frames.begin() + std::ptrdiff_t(done * 2),
                                frames.begin() + std::ptrdiff_t(until * 2));
            EXPECT_EQ(piece, IndexRamp(at, std::int64_t(until - done))) << "before loss " << i;
            at += std::int64_t(until - done);
            done = until;
            if (i < losses.size())
                at += std::int64_t(losses[i].second);
        }
        return at - first;
    }
};
inline SRecorded TakeRecorded(CCaptureRing& ring) {
    SRecorded taken;
    while (taken.TakeOne(ring.Recording())) {
    }
    return taken;
}

// Plays a file source into a ring of n-frame chunks until it has delivered
// four chunks, with whileRunning called as it plays; then every frame must
// be `once` over and over, in order and without a gap.
inline void ExpectPlaysInALoop(
    ICaptureBackend& source, std::int32_t n, const Samples& once,
    const std::function<void()>& whileRunning = [] {}) {
    auto ring = std::make_shared<CCaptureRing>(n);
    ASSERT_TRUE(source.Create()) << source.Error();
    ASSERT_TRUE(source.CreateBuffer(ring));
    ring->StartRecording(0); // every frame delivered, in order
    ASSERT_TRUE(source.Start());
    whileRunning();
    ASSERT_TRUE(Eventually([&] { return ring->FramesDelivered() >= 4u * n; }, 10s));
    source.Stop();
    const SRecorded recorded = TakeRecorded(*ring);
    EXPECT_TRUE(recorded.losses.empty());
    ASSERT_GE(recorded.frames.size(), 8u * n);
    for (std::size_t i = 0; i < 8u * n; ++i)
        ASSERT_EQ(recorded.frames[i], once[i % once.size()]) << "sample " << i;
}

// --- WAV files ---

inline void Put16(Bytes& b, std::uint32_t v) {
    b.insert(b.end(), {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8)});
}
inline void Put32(Bytes& b, std::uint32_t v) {
    Put16(b, v);
    Put16(b, v >> 16);
}

struct SFormat {
    std::uint16_t tag = 1;
    std::uint16_t channels = 2;
    std::uint32_t rate = kSampleRate;
    std::uint16_t bits = 16;
    std::int32_t blockAlign = -1;    // -1: channels x bits / 8
    std::int32_t extensibleTag = -1; // >= 0: WAVE_FORMAT_EXTENSIBLE with that sub-format
};

inline Bytes FmtBody(const SFormat& f) {
    const std::uint32_t align =
        f.blockAlign >= 0 ? static_cast<std::uint32_t>(f.blockAlign) : f.channels * f.bits / 8u;
    Bytes b;
    Put16(b, f.extensibleTag >= 0 ? 0xFFFE : f.tag);
    Put16(b, f.channels);
    Put32(b, f.rate);
    Put32(b, f.rate * align);
    Put16(b, align);
    Put16(b, f.bits);
    if (f.extensibleTag >= 0) {
        for (std::uint32_t v :
             {22u, std::uint32_t{f.bits}, 3u, 0u, static_cast<std::uint32_t>(f.extensibleTag)})
            Put16(b, v); // the channel mask takes two of these
        b.insert(b.end(), {0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71});
    }
    return b;
}

inline Bytes SampleBytes(const Samples& samples) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(samples.data()); // little-endian host
    return Bytes(p, p + 2 * samples.size());
}

struct SChunk {
    std::string id;
    Bytes body;
    std::int64_t declared = -1; // the size the header claims; -1: the body's
};

// form: the RIFF id and the form type, e.g. "RIFXWAVE"; odd bodies are padded.
inline Bytes Riff(const std::vector<SChunk>& chunks, const std::string& form = "RIFFWAVE") {
    Bytes body(form.begin() + 4, form.end());
    for (const SChunk& c : chunks) {
        body.insert(body.end(), c.id.begin(), c.id.end());
        Put32(body, static_cast<std::uint32_t>(c.declared >= 0 ? c.declared : std::ssize(c.body)));
        body.insert(body.end(), c.body.begin(), c.body.end());
        if (c.body.size() % 2 != 0)
            body.push_back(0);
    }
    Bytes b(form.begin(), form.begin() + 4);
    Put32(b, static_cast<std::uint32_t>(body.size()));
    b.insert(b.end(), body.begin(), body.end());
    return b;
}

inline Bytes Wav(const Samples& samples, const SFormat& f = {}) {
    return Riff({{"fmt ", FmtBody(f)}, {"data", SampleBytes(samples)}});
}

// A fresh folder, removed on scope exit.
struct CTempDir {
    CTempDir() { std::filesystem::create_directories(m_path); }
    ~CTempDir() { std::filesystem::remove_all(m_path); }
    CTempDir(const CTempDir&) = delete;
    std::string Path() const { return m_path.string(); }
    // Writes a file into the folder; returns its path.
    std::string Write(const std::string& name, const Bytes& bytes) const {
        const std::string path = Path() + "/" + name;
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::ssize(bytes));
        return path;
    }
    inline static std::atomic<int> s_nCount{0};
    const std::filesystem::path m_path =
        std::filesystem::temp_directory_path() /
        ("vireon-test-" + std::to_string(::getpid()) + "-" + std::to_string(++s_nCount));
};

// --- A capture backend driven by the test ---

// It fails the start-up step it is told to; the test writes frames into the
// device's ring itself, so chunks complete exactly when the test says.
enum class EFailAt { Nothing, Create, Enumerate, Caps, Format, Buffer, Start };

struct SScript { // shared by the test and the backend the device owns
    EFailAt failAt = EFailAt::Nothing;
    std::shared_ptr<CCaptureRing> ring;
    std::atomic<int> starts{0};
    std::atomic<bool> destroyed{false};
    std::string error; // what the backend says went wrong; set before use
};

struct CScriptedBackend : ICaptureBackend {
    explicit CScriptedBackend(std::shared_ptr<SScript> script) : m_script(std::move(script)) {}
    ~CScriptedBackend() override { m_script->destroyed = true; }
    bool Create() override { return Passes(EFailAt::Create); }
    bool Enumerate() override { return Passes(EFailAt::Enumerate); }
    bool QueryCaps() override { return Passes(EFailAt::Caps); }
    bool SupportsFormat() override { return Passes(EFailAt::Format); }
    bool CreateBuffer(std::shared_ptr<CCaptureRing> ring) override {
        m_script->ring = std::move(ring);
        return Passes(EFailAt::Buffer);
    }
    bool Start() override { return ++m_script->starts, Passes(EFailAt::Start); }
    void Stop() override {}
    std::string Name() const override { return "scripted"; }
    std::string Error() const override { return m_script->error; }
    bool Passes(EFailAt step) const { return m_script->failAt != step; }
    std::shared_ptr<SScript> m_script;
};

// --- The pipeline as the view runs it ---

// Over the capture device the test initialised: the program's pipeline,
// started by its ticks and stopped by its stop protocol.
class CPipelineHarness {
public:
    static constexpr double kFreqMin = 1.0;
    static constexpr double kFreqMax = 10000.0;

    CPipelineHarness(std::int32_t n, std::int32_t h) : m_nBlockSize(n), m_nHistoryLength(h) {
        m_store.SetCaptureFormat(kDefaultCaptureFormat);
        m_store.SetDisplayRange({kFreqMin, kFreqMax, kFreqMax - kFreqMin, 0.0, 1.0, false});
    }

    // The timer ticks that start the threads: the first the input thread,
    // the second the others, any later one nothing. Without
    // restartCaptureOnStop the stop protocol leaves a paused device paused.
    bool Start(bool restartCaptureOnStop = true, int ticks = 3) {
        m_pipeline = std::make_unique<CSpectrumPipeline>(
            m_store, SPipelineSetup{.nBlockSize = m_nBlockSize,
                                    .nHistoryLength = m_nHistoryLength,
                                    .nSurfaceCols = 30,
                                    .nSurfaceRows = 80,
                                    .bStartPausedCaptureOnStop = restartCaptureOnStop});
        using enum CWorkerThreads::EStarted;
        const CWorkerThreads::EStarted expected[] = {Input, AnalysisAndScreenshot, Nothing};
        for (int tick = 0; tick < ticks; ++tick)
            if (m_pipeline->OnTick() != expected[std::min(tick, 2)])
                return false;
        return true;
    }
    bool WaitForBlocks(int count) {
        return Eventually([&] {
            const int row = m_store.GetHistoryGeometry().nHistoryRow;
            return (m_nHistoryLength - row) % m_nHistoryLength >= count;
        });
    }

    // The column of the newest waterfall row's peak.
    std::ptrdiff_t PeakColumn() {
        const SHistoryGeometry g = m_store.GetHistoryGeometry();
        std::vector<std::uint8_t> row(static_cast<std::size_t>(m_nHistoryLength));
        HistoryLoadBytes(row.data(),
                         m_pipeline->History().Waterfall() + (g.nHistoryRow + 1) * g.nRowWidth,
                         row.size());
        return std::max_element(row.begin(), row.end()) - row.begin();
    }
    // The column of the bin nearest hz, by the rule (f - fmin) / fspan x width.
    std::ptrdiff_t ToneColumn(double hz) const {
        const double binHz =
            std::round(hz * m_nBlockSize / kSampleRate) * kSampleRate / m_nBlockSize;
        return static_cast<std::ptrdiff_t>((binHz - kFreqMin) / (kFreqMax - kFreqMin) *
                                           m_nHistoryLength);
    }
    // Newest value of level history `which` (0 min, 1 max, 2 left min, 3
    // left max, 4 right min, 5 right max), in full-scale units.
    double NewestLevel(int which) {
        const int row = m_store.GetHistoryGeometry().nHistoryRow;
        return HistoryLoadDouble(m_pipeline->History().LevelHistory(which) + row + 1);
    }

    // Runs the view's stop protocol: every thread must have ended within
    // limit, and no tick may start one again.
    bool StopsWithin(std::chrono::milliseconds limit) {
        const auto start = Clock::now();
        m_pipeline->Stop();
        return Clock::now() - start < limit &&
               m_pipeline->OnTick() == CWorkerThreads::EStarted::Nothing &&
               m_store.GetInputThreadState() == kThreadNotRunning &&
               m_store.GetRenderThreadState() == kThreadNotRunning &&
               m_store.GetScreenshotThreadState() == kThreadNotRunning;
    }

    CRunState& Store() { return m_store; }
    CSpectrumPipeline& Pipeline() { return *m_pipeline; }

private:
    std::int32_t m_nBlockSize;
    std::int32_t m_nHistoryLength;
    CRunState m_store;
    std::unique_ptr<CSpectrumPipeline> m_pipeline;
};

} // namespace acqtest
