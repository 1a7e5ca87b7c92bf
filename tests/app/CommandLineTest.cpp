// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

using Args = std::vector<std::string>;
using EMode = CCommandLine::EMode;
constexpr EMode kWindow = EMode::Window, kHeadless = EMode::Headless;

// The error, or "" with out filled on success.
std::string Parse(const Args& args, SCommandLine& out, EMode mode) {
    std::string error;
    const bool ok = CCommandLine::Parse(args, out, error, mode);
    EXPECT_EQ(ok, error.empty()) << ::testing::PrintToString(args);
    return error;
}

TEST(CommandLine, AcceptedWordsFillTheirFieldsAndQtsOwnOptionsPassOver) {
    // Input file, device, list devices, help, preset.
    using Fields = std::tuple<std::string, std::string, bool, bool, std::string>;
    const std::pair<Args, Fields> cases[] = {
        {{}, {"", "", false, false, ""}},
        {{"--input", "a b.wav", "p.tpz"}, {"a b.wav", "", false, false, "p.tpz"}},
        {{"-", "--input=a b.wav", "--help"}, {"a b.wav", "", false, true, "-"}},
        {{"--device", "Monitor of Null Output", "-h"},
         {"", "Monitor of Null Output", false, true, ""}},
        {{"--device=hw:1", "--list-devices"}, {"", "hw:1", true, false, ""}},
        // A separate value may start with a dash; the last repeat wins.
        {{"--input", "-odd.wav", "--input", "b.wav"}, {"b.wav", "", false, false, ""}},
        {{"--", "--help"}, {"", "", false, false, "--help"}},
        {{"-platform", "offscreen", "--display=:1", "-reverse", "-style=fusion",
          "--qwindowgeometry", "640x480", "--input", "a.wav", "p.tpz"},
         {"a.wav", "", false, false, "p.tpz"}},
    };
    for (const auto& [args, fields] : cases) {
        SCommandLine out;
        EXPECT_EQ(Parse(args, out, kWindow), "");
        EXPECT_EQ(
            Fields(out.strInputFile, out.strDevice, out.bListDevices, out.bHelp, out.strPreset),
            fields);
    }
}

TEST(CommandLine, MeasurementOptionsNameWindowsAndChannelsInAnyCase) {
    // Window, channel, band given, its low and high, floor, CSV, offline, seconds,
    // block size, latency, band set (in any case too; none unless asked for),
    // the file's own rate and the channels picked by index.
    using Fields =
        std::tuple<std::int32_t, std::int32_t, bool, double, double, double, bool, bool, double,
                   std::int32_t, double, EBandSet, bool, std::int32_t, std::int32_t>;
    const double all = std::numeric_limits<double>::infinity();
    const std::pair<Args, Fields> cases[] = {
        {{},
         {2, CHANNEL_SUM, false, 0.0, all, -90.0, false, false, 0.0, 0, 0.0, EBandSet::None, false,
          -1, -1}},
        {{"--window", "BLACKMAN-harris", "--channel=Difference", "--band", "100:2000.5", "--floor",
          "-60", "--format", "CSV", "--input", "a.wav", "--offline", "--bands", "third-octave"},
         {9, CHANNEL_DIFFERENCE, true, 100.0, 2000.5, -60.0, true, true, 0.0, 0, 0.0,
          EBandSet::ThirdOctave, false, -1, -1}},
        {{"--window=rectangular", "--channel", "left", "--band", ":500", "--format=csv", "--format",
          "text", "--seconds", "2.5", "--block-size=1024", "--latency", "1000", "--input", "a",
          "--bands=OCTAVE"},
         {0, CHANNEL_LEFT, true, 0.0, 500.0, -90.0, false, false, 2.5, 1024, 1000.0,
          EBandSet::Octave, false, -1, -1}},
        {{"--window", "Bartlett-Hann", "--channel", "RIGHT", "--band=300:", "--input", "a.flac",
          "--offline", "--native-rate", "--input-channels", "4,5"},
         {6, CHANNEL_RIGHT, true, 300.0, all, -90.0, false, true, 0.0, 0, 0.0, EBandSet::None, true,
          4, 5}},
        // The same channel twice.
        {{"--input", "a.flac", "--input-channels", "0,0"},
         {2, CHANNEL_SUM, false, 0.0, all, -90.0, false, false, 0.0, 0, 0.0, EBandSet::None, false,
          0, 0}},
    };
    for (const auto& [args, fields] : cases) {
        SCommandLine c;
        EXPECT_EQ(Parse(args, c, kHeadless), "");
        EXPECT_EQ(Fields(c.nWindowType, c.nChannelMode, c.bBandGiven, c.dBandLow, c.dBandHigh,
                         c.dFloorDb, c.bCsv, c.bOffline, c.dSeconds, c.nBlockSize, c.dLatencyHz,
                         c.nBands, c.bNativeRate, c.nInputLeft, c.nInputRight),
                  fields)
            << ::testing::PrintToString(args);
    }
}

// Each mistake gives one line naming the word; values out of range say
// what the option needs. Each program refuses the other's options.
TEST(CommandLine, MistakesGiveOneLineNamingTheWord) {
    const std::tuple<EMode, Args, std::string> cases[] = {
        {kWindow, {"--inptu", "a.wav"}, "unknown option '--inptu' (see --help)"},
        {kWindow, {"--input"}, "option '--input' needs a sound file name"},
        {kWindow, {"--input="}, "option '--input' needs a sound file name"},
        {kWindow, {"--help=yes"}, "option '--help' takes no value"},
        {kWindow, {"a.tpz", "b.wav"}, "more than one file: 'a.tpz' and 'b.wav'"},
        // A word's control characters are spelled out: still one line, and
        // nothing reaches the terminal but text.
        {kWindow, {"a\nb.tpz", "\x1b[2J"}, "more than one file: 'a\\nb.tpz' and '\\x1b[2J'"},
        {kHeadless, {"--chan\tnel", "sum"}, "unknown option '--chan\\tnel' (see --help)"},
        {kHeadless, {"--version=2"}, "option '--version' takes no value"},
        {kWindow,
         {"--input", "a", "--device", "x"},
         "options '--input' and '--device' exclude each other"},
        {kHeadless, {"-platform", "offscreen"}, "unknown option '-platform' (see --help)"},
        {kHeadless, {"--offline"}, "option '--offline' needs '--input FILE'"},
        {kHeadless, {"--latency", "1000"}, "option '--latency' needs '--input FILE'"},
        {kHeadless,
         {"--input", "a", "--offline", "--latency", "1000"},
         "options '--latency' and '--offline' exclude each other"},
        {kHeadless,
         {"--input", "a", "--format", "csv", "--latency", "1000"},
         "options '--latency' and '--format csv' exclude each other"},
        {kHeadless,
         {"--input", "a", "--device", "x", "--offline"},
         "options '--input' and '--device' exclude each other"},
        {kHeadless, {"--input", "a", "--native-rate"}, "option '--native-rate' needs '--offline'"},
        {kHeadless, {"--input-channels", "2,3"}, "option '--input-channels' needs '--input FILE'"},
    };
    for (const auto& [mode, args, error] : cases) {
        SCommandLine out;
        EXPECT_EQ(Parse(args, out, mode), error);
    }
    for (const std::string option : {"--seconds", "--window", "--offline", "--format",
                                     "--native-rate", "--input-channels", "--bands"}) {
        SCommandLine out;
        EXPECT_EQ(Parse({option, "x"}, out, kWindow),
                  "unknown option '" + option + "' (see --help)");
    }
    // Values each option refuses, given as OPTION=VALUE.
    const std::pair<std::string, std::vector<std::string>> refused[] = {
        {"--block-size", {"512", "3072", "65536", "2048x"}},
        {"--seconds", {"0", "nan", "1e999"}},
        {"--latency", {"22050"}},
        {"--window", {"hanning", ""}},
        {"--channel", {"mid"}},
        {"--band", {"2000:100", "5", "-1:5", "1:x"}},
        {"--floor", {"low"}},
        {"--format", {"json"}},
        {"--input-channels", {"2", "-1,2", "1,2,3", "a,b"}},
        {"--bands", {"fifth", ""}},
    };
    for (const auto& [option, values] : refused)
        for (const std::string& value : values) {
            SCommandLine out;
            EXPECT_EQ(Parse({option + "=" + value}, out, kHeadless)
                          .rfind("option '" + option + "' needs", 0),
                      0u)
                << option << "=" << value;
        }
}

} // namespace
