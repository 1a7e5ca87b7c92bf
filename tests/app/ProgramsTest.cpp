// SPDX-License-Identifier: GPL-3.0-or-later
// The real programs as a script runs them: exit status, standard output and
// standard error of vireon-headless and of vireon without a display.
#include <sys/wait.h>

#include <cstdio>
#include <sstream>

#include "base/VersionInfo.h"
#include "tests/acquisition/AcquisitionTestSupport.h"
#include "tests/platform/SoundFileSupport.h"

namespace {

struct SResult {
    int status = -1;
    std::string out, err;
};

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
    r.out = acqtest::ReadText(dir.Path() + "/out.txt");
    r.err = acqtest::ReadText(dir.Path() + "/err.txt");
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
    // The decoder's own reasons, each named by its test, reach standard error.
    const std::pair<std::string, std::string> inputs[] = {
        {"missing.wav", "input file \"missing.wav\": can't open the file"},
        {"text.wav", "input file \"text.wav\": not a sound file FFmpeg can read"}};
    for (const auto& [file, message] : inputs) { // in real time and offline
        cases.push_back({{"--input", file}, 1, message});
        cases.push_back({{"--input", file, "--offline"}, 1, message});
    }
    ExpectRefused(dir, VIREON_HEADLESS_EXE, cases);
}

// Offline, the CSV has one row per block at its stream time, at the
// pipeline's rate or the file's own, each holding the tone of the channel
// measured: a WAV, a 48 kHz FLAC and a 5.1 WAV whose channels each carry
// their own tone, measured from the front channels or those picked. A DC
// offset stronger than the tone (0.3 against the tone's bin share of 0.5 / 2)
// is no peak unless the band asked for starts at 0 Hz; there it reads its own
// level. The text output names the block size and the rate.
TEST(VireonHeadless, OfflineCsvHasOneRowPerBlockAtItsStreamTimeHoldingTheChannelsTone) {
    const acqtest::CTempDir dir;
    constexpr double kTone = 1234.5, kOffset = 0.3;
    constexpr std::int64_t kFrames = 5 * kSampleRate + 1000;
    acqtest::Samples offset = acqtest::Tone(kTone, 16384.0, kFrames);
    for (std::int16_t& v : offset)
        v = static_cast<std::int16_t>(v + std::lround(kOffset * 32767.0));
    dir.Write("tone.wav", acqtest::Wav(acqtest::Tone(kTone, 16384.0, kFrames)));
    dir.Write("offset.wav", acqtest::Wav(offset));
    sndtest::SoxTone(dir, "t.flac", "-r 48000 -b 24 -c 2");
    sndtest::SoxTone(dir, "six.wav", "-r 48000 -b 24 -c 6",
                     "synth 4 sine 1000 sine 1500 sine 300 sine 60 sine 2500 sine 3500 vol 0.5");
    constexpr double kSeconds = static_cast<double>(kFrames) / kSampleRate;
    const double bothRms = std::hypot(kOffset, 0.5 / std::sqrt(2.0)),
                 offsetDb = 20.0 * std::log10(kOffset);
    // Unless a row says else: 4 s (the sox files), each tone at half scale.
    const struct {
        std::vector<std::string> args;
        std::int32_t n;
        double hz, rate = 44100.0, seconds = 4.0, rms = 0.5 / std::sqrt(2.0),
                   db = 20.0 * std::log10(0.5);
    } cases[] = {
        {{"--input", "tone.wav"}, 1024, kTone, kSampleRate, kSeconds},
        {{"--input", "tone.wav"}, 32768, kTone, kSampleRate, kSeconds},
        {{"--input", "offset.wav"}, 4096, kTone, kSampleRate, kSeconds, bothRms},
        {{"--input", "offset.wav", "--band", "0:"},
         4096,
         0.0,
         kSampleRate,
         kSeconds,
         bothRms,
         offsetDb},
        {{"--input", "t.flac", "--channel", "left"}, 32768, 1000.0},
        {{"--input", "t.flac", "--native-rate", "--channel", "left"}, 32768, 1000.0, 48000.0},
        {{"--input", "t.flac", "--native-rate", "--channel", "right"}, 32768, 1500.0, 48000.0},
        {{"--input", "six.wav", "--channel", "right"}, 32768, 1500.0},
        {{"--input", "six.wav", "--input-channels", "4,5", "--channel", "left"}, 32768, 2500.0},
        {{"--input", "six.wav", "--input-channels", "3,5", "--channel", "right", "--native-rate"},
         32768,
         3500.0,
         48000.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args) + ", N = " + std::to_string(c.n));
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"--offline", "--block-size", std::to_string(c.n)});
        const SResult text = RunProgram(dir, VIREON_HEADLESS_EXE, args);
        EXPECT_EQ(text.status, 0) << text.err;
        char header[64];
        std::snprintf(header, sizeof header, "N = %d at %g Hz (", c.n, c.rate);
        EXPECT_NE(text.out.find(header), std::string::npos) << text.out;

        args.insert(args.end(), {"--format", "csv"});
        const SResult r = RunProgram(dir, VIREON_HEADLESS_EXE, args);
        EXPECT_EQ(r.status, 0) << r.err;
        std::istringstream lines(r.out);
        std::string line;
        ASSERT_TRUE(std::getline(lines, line));
        EXPECT_EQ(line, "time_s,peak_hz,peak_dbfs,min,max,rms");
        std::int64_t rows = 0;
        for (double t = 0, hz = 0, db = 0, lo = 0, hi = 0, rms = 0; std::getline(lines, line);
             ++rows) {
            char end = 0;
            ASSERT_EQ(std::sscanf(line.c_str(), "%lf,%lf,%lf,%lf,%lf,%lf%c", &t, &hz, &db, &lo, &hi,
                                  &rms, &end),
                      6)
                << line;
            EXPECT_NEAR(t, rows * c.n / c.rate, 1e-6) << line;
            EXPECT_NEAR(hz, c.hz, 0.1 * c.rate / c.n) << line;
            EXPECT_NEAR(db, c.db, 0.5) << line;
            EXPECT_NEAR(rms, c.rms, 1e-3) << line;
        }
        EXPECT_EQ(rows, static_cast<std::int64_t>(c.seconds * c.rate) / c.n);
    }
}

// A FLAC cut short: the blocks before the cut are measured and kept, then
// the failure is named with how far the decoding got, and the status is 1,
// offline and in real time alike.
TEST(VireonHeadless, AFileThatFailsPartWayKeepsTheRowsBeforeAndExitsWithOne) {
    const acqtest::CTempDir dir;
    sndtest::SoxTone(dir, "whole.flac", "-r 48000 -b 24 -c 2");
    ASSERT_TRUE(sndtest::Shell(dir, "head -c 150000 whole.flac > cut.flac"));
    const SResult offline =
        RunProgram(dir, VIREON_HEADLESS_EXE,
                   {"--input", "cut.flac", "--offline", "--block-size", "4096", "--format", "csv"});
    EXPECT_EQ(offline.status, 1);
    const std::string failed = "input file \"cut.flac\": decoding failed after ";
    const auto at = offline.err.find(failed);
    ASSERT_NE(at, std::string::npos) << offline.err;
    const double seconds = std::stod(offline.err.substr(at + failed.size()));
    const long rows = std::count(offline.out.begin(), offline.out.end(), '\n') - 1;
    EXPECT_EQ(rows, static_cast<long>(seconds * kSampleRate / 4096)) << offline.out;
    EXPECT_NE(offline.err.find("; " + std::to_string(rows) + " blocks measured"), std::string::npos)
        << offline.err;

    const SResult paced =
        RunProgram(dir, VIREON_HEADLESS_EXE, {"--input", "cut.flac", "--seconds", "15"});
    EXPECT_EQ(paced.status, 1);
    EXPECT_NE(paced.err.find(failed), std::string::npos) << paced.err;
    EXPECT_NE(paced.out.find("peak "), std::string::npos) << "rows before the failure stay";
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
        std::istringstream words(line + ","); // the comma keeps an empty last field
        for (std::string field; std::getline(words, field, ',');)
            fields.push_back(field);
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
                   {{"--input"}, 2, "option '--input' needs a sound file name"},
                   {{"tone.wav", "--device", "x"},
                    2,
                    "vireon: the sound file 'tone.wav' and option '--device' exclude each other"}});
    const SResult help = RunProgram(dir, VIREON_EXE, {"-platform", "offscreen", "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: vireon [options]", 0), 0u) << help.out;
}
#endif

} // namespace
