// The real programs as a script runs them: exit status, standard output and
// standard error of vireon-headless and of vireon without a display.
#include <sys/wait.h>

#include <cstdio>
#include <sstream>

#include "base/VersionInfo.h"
#include "tests/acquisition/AcquisitionTestSupport.h"

namespace {

struct SResult {
    int status = -1;
    std::string out, err;
};

std::string Slurp(const std::string& path) {
    std::stringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

// Runs program with args inside dir, without a display; killed after 20 s.
SResult RunProgram(const acqtest::CTempDir& dir, const std::string& program,
                   const std::vector<std::string>& args) {
    std::string command = "cd '" + dir.Path() + "' && env -u DISPLAY -u WAYLAND_DISPLAY " +
                          "timeout -s KILL 20 '" + program + "'";
    for (const std::string& a : args)
        command += " '" + a + "'";
    command += " >out.txt 2>err.txt";
    SResult r;
    const int status = std::system(command.c_str());
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = Slurp(dir.Path() + "/out.txt");
    r.err = Slurp(dir.Path() + "/err.txt");
    return r;
}

struct SBadCase {
    std::vector<std::string> args;
    int status;
    std::string message; // part of standard error
};

void ExpectRefused(const acqtest::CTempDir& dir, const std::string& program,
                   const std::vector<SBadCase>& cases) {
    for (const SBadCase& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        const SResult r = RunProgram(dir, program, c.args);
        EXPECT_EQ(r.status, c.status);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
}

TEST(VireonHeadless, EveryBadInputEndsItAtOnceWithItsMessageAndNothingOnStandardOutput) {
    const acqtest::CTempDir dir;
    dir.Write("text.wav", acqtest::Bytes(100, 'x'));
    dir.Write("48k.wav", acqtest::Wav(acqtest::Tone(1000.0, 8000.0, 48000), {.rate = 48000}));
    dir.Write("short.wav", acqtest::Wav(acqtest::Tone(1000.0, 8000.0, 1000)));
    const std::string usage = "Usage: vireon-headless";
    std::vector<SBadCase> cases = {
        {{"--offline", "--input", "short.wav", "--block-size", "4096"},
         1,
         "input file \"short.wav\": shorter than one block (1000 of 4096 frames)"},
        {{"--device", "no such device"}, 1, "no capture device"},
        {{"--bogus"}, 2, "vireon-headless: unknown option '--bogus'"},
        {{"--bogus"}, 2, usage},
        {{"--latency", "1000"}, 2, usage}};
    const std::pair<std::string, std::string> inputs[] = {
        {"missing.wav", "input file \"missing.wav\": can't open the file"},
        {".", "input file \".\": is a folder, not a file"},
        {"text.wav", "not a RIFF/WAVE file"},
        {"48k.wav", "48000 Hz (need 44100 Hz)"}};
    for (const auto& [file, message] : inputs) { // in real time and offline
        cases.push_back({{"--input", file}, 1, message});
        cases.push_back({{"--input", file, "--offline"}, 1, message});
    }
    ExpectRefused(dir, VIREON_HEADLESS_EXE, cases);
}

TEST(VireonHeadless, OfflineCsvHasOneRowPerBlockAtItsStreamTimeHoldingTheFilesTone) {
    const acqtest::CTempDir dir;
    constexpr double kTone = 1234.5;
    constexpr std::int64_t kFrames = 5 * kSampleRate + 1000;
    dir.Write("tone.wav", acqtest::Wav(acqtest::Tone(kTone, 16384.0, kFrames)));
    for (const std::int64_t n : {1024, 32768}) {
        SCOPED_TRACE("N = " + std::to_string(n));
        const SResult r = RunProgram(dir, VIREON_HEADLESS_EXE,
                                     {"--input", "tone.wav", "--offline", "--format", "csv",
                                      "--block-size", std::to_string(n)});
        EXPECT_EQ(r.status, 0) << r.err;
        std::istringstream lines(r.out);
        std::string line;
        ASSERT_TRUE(std::getline(lines, line));
        EXPECT_EQ(line, "time_s,peak_hz,peak_dbfs,min,max,rms");
        std::int64_t rows = 0;
        while (std::getline(lines, line)) {
            double t = 0, hz = 0, db = 0, lo = 0, hi = 0, rms = 0;
            char end = 0;
            ASSERT_EQ(std::sscanf(line.c_str(), "%lf,%lf,%lf,%lf,%lf,%lf%c", &t, &hz, &db, &lo, &hi,
                                  &rms, &end),
                      6)
                << line;
            EXPECT_NEAR(t, static_cast<double>(rows * n) / kSampleRate, 1e-6) << line;
            EXPECT_NEAR(hz, kTone, 0.1 * kSampleRate / n) << line;
            EXPECT_NEAR(db, -6.0, 0.5) << line;
            EXPECT_NEAR(rms, 0.5 / std::sqrt(2.0), 1e-3) << line;
            ++rows;
        }
        EXPECT_EQ(rows, kFrames / n);
    }
}

// Both programs print the name, version and legal notice the About box shows.
TEST(Programs, VersionNeedsNoDisplayAndShowsWhatTheAboutBoxShows) {
    const acqtest::CTempDir dir;
    std::string name, legal, version;
    ASSERT_TRUE(g_versionInfo.GetStrings(name, legal, version));
    std::vector<std::string> programs = {VIREON_HEADLESS_EXE};
#ifdef VIREON_EXE
    programs.push_back(VIREON_EXE);
#endif
    for (const std::string& program : programs) {
        SCOPED_TRACE(program);
        const SResult r = RunProgram(dir, program, {"--version"});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out.rfind(name + " " + version + "\n" + legal + "\n", 0), 0u) << r.out;
        EXPECT_EQ(r.err, "");
    }
}

#ifdef VIREON_EXE
// A sound file in FILE's place counts as an input before any window opens.
TEST(Vireon, BadOptionsAndInformationNeedNoDisplay) {
    const acqtest::CTempDir dir;
    dir.Write("tone.wav", acqtest::Wav(acqtest::Tone(1000.0, 8000.0, 4410)));
    ExpectRefused(dir, VIREON_EXE,
                  {{{"--bogus"}, 2, "vireon: unknown option '--bogus' (see --help)"},
                   {{"-platform", "offscreen", "--window", "hann"}, 2, "Usage: vireon"},
                   {{"--input"}, 2, "option '--input' needs a WAV file name"},
                   {{"tone.wav", "--device", "x"},
                    2,
                    "vireon: the sound file 'tone.wav' and option '--device' exclude each other"}});
    const SResult help = RunProgram(dir, VIREON_EXE, {"-platform", "offscreen", "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: vireon [options]", 0), 0u) << help.out;
}
#endif

} // namespace
