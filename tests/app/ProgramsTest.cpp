// The real programs as a script runs them: exit status, standard output and
// standard error of vireon-headless and of vireon without a display.
#include <sys/wait.h>

#include <cstdio>
#include <sstream>

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

// With --bands each CSV row goes on with one column per band, named by its
// nominal centre; at N = 1024 the third octaves up to 160 Hz are narrower
// than a bin and stay empty, and a tone at -6 dBFS reads -6 dB in its band.
// As text, a second line a second lists the bands.
TEST(VireonHeadless, BandsAddAColumnPerBandWithTheToneInItsOwn) {
    const acqtest::CTempDir dir;
    dir.Write("tone.wav", acqtest::Wav(acqtest::Tone(1000.0, 16384.0, 2 * kSampleRate)));
    const SResult r = RunProgram(dir, VIREON_HEADLESS_EXE,
                                 {"--input", "tone.wav", "--offline", "--format", "csv",
                                  "--block-size", "1024", "--bands", "third-octave"});
    EXPECT_EQ(r.status, 0) << r.err;
    std::istringstream lines(r.out);
    std::string header, row;
    ASSERT_TRUE(std::getline(lines, header) && std::getline(lines, row));
    const auto split = [](const std::string& line) {
        std::vector<std::string> fields;
        std::istringstream words(line);
        for (std::string field; std::getline(words, field, ',');)
            fields.push_back(field);
        if (!line.empty() && line.back() == ',')
            fields.emplace_back();
        return fields;
    };
    const std::vector<std::string> names = split(header), values = split(row);
    ASSERT_EQ(names.size(), 6u + 31u);
    ASSERT_EQ(values.size(), names.size());
    EXPECT_EQ(names[6], "b20");
    EXPECT_EQ(names.back(), "b20k");
    for (std::size_t i = 6; i < names.size(); ++i) {
        SCOPED_TRACE(names[i]);
        const bool narrow = i < 6 + 10; // 20 .. 160 Hz
        EXPECT_EQ(values[i].empty(), narrow);
        if (narrow)
            continue;
        const double level = std::stod(values[i]);
        if (names[i] == "b1k") {
            EXPECT_NEAR(level, 20.0 * std::log10(16384.0 / 32767.0), 0.2);
        } else {
            EXPECT_LT(level, -40.0);
        }
    }

    const SResult text = RunProgram(dir, VIREON_HEADLESS_EXE,
                                    {"--input", "tone.wav", "--offline", "--bands", "octave"});
    EXPECT_EQ(text.status, 0) << text.err;
    std::size_t listed = 0;
    for (std::size_t at = 0; (at = text.out.find("bands dBFS: 31.5 ", at)) != std::string::npos;
         ++at)
        ++listed;
    EXPECT_EQ(listed, 2u) << text.out;
}

#ifdef VIREON_EXE
TEST(Vireon, BadOptionsAndInformationNeedNoDisplay) {
    const acqtest::CTempDir dir;
    ExpectRefused(dir, VIREON_EXE,
                  {{{"--bogus"}, 2, "vireon: unknown option '--bogus' (see --help)"},
                   {{"-platform", "offscreen", "--window", "hann"}, 2, "Usage: vireon"},
                   {{"--input"}, 2, "option '--input' needs a WAV file name"}});
    const SResult help = RunProgram(dir, VIREON_EXE, {"-platform", "offscreen", "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: vireon [options]", 0), 0u) << help.out;
}
#endif

} // namespace
