// Capture from a real PortAudio device: the virtual device that
// scripts/virtual-capture provides (a private PulseAudio server playing a
// tone). Skipped unless PULSE_SERVER names such a server.
#include "platform/PortAudioCapture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>

#include "../acquisition/PipelineHarness.h"
#include "app/DebugLog.h"

namespace {

using namespace std::chrono_literals;
using pipelinetest::CPipelineHarness;
using pipelinetest::Eventually;

constexpr std::int32_t kN = 2048;
constexpr std::int32_t kH = 360;

const char* Env(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : nullptr;
}

std::string Script() {
    return std::string(VIREON_SOURCE_DIR) + "/scripts/virtual-capture";
}

// Runs a command and returns its standard output.
std::string Run(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
            out += buffer;
        }
        pclose(pipe);
    }
    return out;
}

// A second private server of its own, for a test that kills it. Points this
// process's PulseAudio clients at it while it lives.
class CPrivateServer {
public:
    explicit CPrivateServer(int toneHz) {
        const std::string out =
            Run("VIREON_TONE_HZ=" + std::to_string(toneHz) + " " + Script() + " start");
        std::size_t at = 0;
        while ((at = out.find("export ", at)) != std::string::npos) {
            const std::size_t eq = out.find('=', at);
            const std::size_t end = out.find('\n', eq);
            std::string value = out.substr(eq + 1, end - eq - 1);
            if (value.size() >= 2 && value.front() == '\'') {
                value = value.substr(1, value.size() - 2);
            }
            m_vars[out.substr(at + 7, eq - at - 7)] = value;
            at = end;
        }
        if (!IsRunning()) {
            return;
        }
        for (const char* name : {"PULSE_SERVER", "PULSE_COOKIE"}) {
            if (const char* old = std::getenv(name)) {
                m_saved[name] = old;
            }
            setenv(name, m_vars[name].c_str(), 1);
        }
    }
    ~CPrivateServer() {
        for (const auto& [name, value] : m_saved) {
            setenv(name.c_str(), value.c_str(), 1);
        }
        if (IsRunning()) {
            Run(Prefix() + " stop");
        }
    }
    CPrivateServer(const CPrivateServer&) = delete;
    CPrivateServer& operator=(const CPrivateServer&) = delete;

    bool IsRunning() const { return m_vars.count("VIREON_VIRTUAL_CAPTURE_DIR") != 0; }
    void Kill() { Run(Prefix() + " kill-server"); }
    void Freeze() { Run(Prefix() + " freeze-server"); }

private:
    std::string Prefix() const {
        return "VIREON_VIRTUAL_CAPTURE_DIR='" + m_vars.at("VIREON_VIRTUAL_CAPTURE_DIR") + "' " +
               Script();
    }
    std::map<std::string, std::string> m_vars;
    std::map<std::string, std::string> m_saved;
};

class RealCapture : public ::testing::Test {
protected:
    void SetUp() override {
        if (Env("PULSE_SERVER") == nullptr || Env("VIREON_CAPTURE_TONE_HZ") == nullptr) {
            GTEST_SKIP() << "no virtual capture device (run under scripts/virtual-capture)";
        }
        m_dToneHz = std::atof(Env("VIREON_CAPTURE_TONE_HZ"));
    }
    void TearDown() override {
        m_pipeline.TimedStop();
        ReleaseCapture();
    }
    // Starts the pipeline on the default device and waits for a few blocks.
    void StartOnDefaultDevice() {
        ASSERT_TRUE(InitCapture(kN, std::make_unique<CPortAudioCapture>())) << GetCaptureError();
        ASSERT_TRUE(m_pipeline.Start());
        ASSERT_TRUE(Eventually([&] { return m_pipeline.BlocksAnalysed() >= 5; }));
    }

    double m_dToneHz = 0.0;
    CPipelineHarness m_pipeline{kN, kH};
};

TEST_F(RealCapture, TheToneOfTheVirtualDevicePeaksInItsColumn) {
    StartOnDefaultDevice();
    const std::vector<std::uint8_t> row = m_pipeline.NewestRow();
    EXPECT_EQ(CPipelineHarness::PeakColumn(row), m_pipeline.ToneColumn(m_dToneHz));
    // The feeder plays at half of full scale on both channels.
    for (int which : {1, 3, 5}) {
        EXPECT_NEAR(m_pipeline.NewestLevel(which), 0.5, 0.02) << which;
    }
    EXPECT_LT(m_pipeline.TimedStop(), 1000ms);
    EXPECT_TRUE(m_pipeline.AllEnded());
}

TEST_F(RealCapture, DevicesAreListedAndPickedByName) {
    const std::vector<std::string> names = ListCaptureDevices();
    ASSERT_FALSE(names.empty());
    EXPECT_NE(names.front().find("(default)"), std::string::npos);

    CPortAudioCapture named("pulse");
    EXPECT_TRUE(named.Create()) << named.Error();
    EXPECT_EQ(named.Name(), "pulse");
    CPortAudioCapture unknown("no such device");
    EXPECT_FALSE(unknown.Create());
    EXPECT_EQ(unknown.Error(), "no capture device named \"no such device\" (see --list-devices)");
}

// Captures from a private server on a tone of its own, then lets `stall`
// break it: the stall must be traced and the program still close in 2 s.
void ExpectStallTracedAndCloseWithinTwoSeconds(CPipelineHarness& pipeline,
                                               void (CPrivateServer::*stall)()) {
    constexpr int kPrivateTone = 1500;
    CPrivateServer server(kPrivateTone);
    ASSERT_TRUE(server.IsRunning());
    ASSERT_TRUE(InitCapture(kN, std::make_unique<CPortAudioCapture>())) << GetCaptureError();
    ASSERT_TRUE(pipeline.Start());
    ASSERT_TRUE(Eventually([&] { return pipeline.BlocksAnalysed() >= 5; }));
    ASSERT_EQ(CPipelineHarness::PeakColumn(pipeline.NewestRow()), pipeline.ToneColumn(kPrivateTone))
        << "capturing from the private server";

    const std::size_t since = CTraceLog::Instance().Text().size();
    (server.*stall)();
    EXPECT_TRUE(Eventually(
        [&] {
            return CTraceLog::Instance().Text().find("Sound capture stalled", since) !=
                   std::string::npos;
        },
        3000ms));
    EXPECT_LT(pipeline.TimedStop(), 2000ms);
    EXPECT_TRUE(pipeline.AllEnded());
}

TEST_F(RealCapture, AKilledServerIsTracedAndTheProgramStillClosesWithinTwoSeconds) {
    ExpectStallTracedAndCloseWithinTwoSeconds(m_pipeline, &CPrivateServer::Kill);
}

// A server that stays connected but delivers nothing is what leaves
// PortAudio unable to stop the stream.
TEST_F(RealCapture, AFrozenServerIsTracedAndTheProgramStillClosesWithinTwoSeconds) {
    ExpectStallTracedAndCloseWithinTwoSeconds(m_pipeline, &CPrivateServer::Freeze);
}

} // namespace
