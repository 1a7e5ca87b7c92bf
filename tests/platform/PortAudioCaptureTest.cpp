// SPDX-License-Identifier: GPL-3.0-or-later
// Capture from a real PortAudio device: the virtual device that
// scripts/virtual-capture provides (a private PulseAudio server playing a
// tone). Skipped unless PULSE_SERVER names such a server.
#include "platform/PortAudioCapture.h"

#include <cstdio>

#include "../acquisition/AcquisitionTestSupport.h"

namespace {

using namespace acqtest;

constexpr std::int32_t kN = 2048;
const std::string kScript = VIREON_SOURCE_DIR "/scripts/virtual-capture";

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// A second private server on a tone of its own, for a test that breaks it;
// this process's PulseAudio clients use it while it lives.
class CPrivateServer {
public:
    explicit CPrivateServer(int toneHz) {
        const std::string start =
            "eval \"$(VIREON_TONE_HZ=" + std::to_string(toneHz) + " " + kScript +
            " start)\" && printf '%s\\n' " +
            "\"$VIREON_VIRTUAL_CAPTURE_DIR\" \"$PULSE_SERVER\" \"$PULSE_COOKIE\"";
        std::string server, cookie;
        if (FILE* pipe = popen(start.c_str(), "r")) {
            char line[512];
            for (std::string* to : {&m_strDir, &server, &cookie})
                if (std::fgets(line, sizeof line, pipe) != nullptr)
                    to->assign(line, std::strcspn(line, "\n"));
            pclose(pipe);
        }
        if (IsRunning()) {
            setenv("PULSE_SERVER", server.c_str(), 1);
            setenv("PULSE_COOKIE", cookie.c_str(), 1);
        }
    }
    ~CPrivateServer() {
        setenv("PULSE_SERVER", m_strOldServer.c_str(), 1);
        setenv("PULSE_COOKIE", m_strOldCookie.c_str(), 1);
        if (IsRunning())
            Script("stop");
    }
    CPrivateServer(const CPrivateServer&) = delete;

    bool IsRunning() const { return !m_strDir.empty(); }
    void Script(const std::string& command) const {
        std::system(("VIREON_VIRTUAL_CAPTURE_DIR='" + m_strDir + "' " + kScript + " " + command +
                     " >/dev/null 2>&1")
                        .c_str());
    }

private:
    std::string m_strDir;
    const std::string m_strOldServer = Env("PULSE_SERVER");
    const std::string m_strOldCookie = Env("PULSE_COOKIE");
};

class RealCapture : public ::testing::Test {
protected:
    void SetUp() override {
        if (Env("PULSE_SERVER").empty() || Env("VIREON_CAPTURE_TONE_HZ").empty())
            GTEST_SKIP() << "no virtual capture device (run under scripts/virtual-capture)";
    }
    void TearDown() override { ReleaseCapture(); }
    // Starts the pipeline on the default device; true once blocks arrive.
    static bool StartCapturing(CPipelineHarness& pipeline) {
        return InitCapture(kN, std::make_unique<CPortAudioCapture>()) && pipeline.Start() &&
               pipeline.WaitForBlocks(5);
    }
};

TEST_F(RealCapture, DevicesAreListedAndPickedByName) {
    const std::vector<std::string> names = ListCaptureDevices();
    ASSERT_FALSE(names.empty());
    // What the list prints is what a name picks.
    for (const std::string& name : names) {
        CPortAudioCapture listed(name);
        EXPECT_TRUE(listed.Create()) << listed.Error();
        EXPECT_EQ(listed.Name(), name);
    }
    CPortAudioCapture named("pulse"), unknown("no such device");
    EXPECT_TRUE(named.Create()) << named.Error();
    EXPECT_FALSE(unknown.Create());
    EXPECT_EQ(unknown.Error(), "no capture device named \"no such device\" (see --list-devices)");
}

// The tone of a server of its own shows that the capture reads that device.
// A killed server is gone; a frozen one stays connected but delivers
// nothing, which is what leaves PortAudio unable to stop the stream.
TEST_F(RealCapture, ItsToneIsAnalysedAndABrokenServerIsTracedAndClosedWithinTwoSeconds) {
    for (const char* breakIt : {"kill-server", "freeze-server"}) {
        SCOPED_TRACE(breakIt);
        constexpr int kPrivateTone = 1500;
        CPrivateServer server(kPrivateTone);
        ASSERT_TRUE(server.IsRunning());
        CPipelineHarness pipeline(kN, 360);
        ASSERT_TRUE(StartCapturing(pipeline)) << GetCaptureError();
        ASSERT_EQ(pipeline.PeakColumn(), pipeline.ToneColumn(kPrivateTone)) << "another server";
        for (int max : {1, 3, 5}) // the feeder plays at half of full scale
            EXPECT_NEAR(pipeline.NewestLevel(max), 0.5, 0.02) << max;
        const STraceMark trace;
        server.Script(breakIt);
        EXPECT_TRUE(Eventually([&] { return trace.Count("Sound capture stalled") == 1; }, 3000ms));
        EXPECT_TRUE(pipeline.StopsWithin(2000ms));
        ReleaseCapture();
    }
}

} // namespace
