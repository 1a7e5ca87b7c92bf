#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Args = std::vector<std::string>;
using EMode = CCommandLine::EMode;

SCommandLine ParseOk(const Args& args, EMode mode = EMode::Window) {
    SCommandLine out;
    std::string error;
    EXPECT_TRUE(CCommandLine::Parse(args, out, error, mode)) << error;
    EXPECT_EQ(error, "");
    return out;
}

std::string ParseError(const Args& args, EMode mode = EMode::Window) {
    SCommandLine out;
    std::string error = "unchanged";
    EXPECT_FALSE(CCommandLine::Parse(args, out, error, mode));
    return error;
}

TEST(CommandLine, NoArgumentsMeansTheDefaultDeviceAndNoPreset) {
    const SCommandLine c = ParseOk({});
    EXPECT_EQ(c.strInputFile, "");
    EXPECT_EQ(c.strDevice, "");
    EXPECT_EQ(c.strPreset, "");
    EXPECT_FALSE(c.bListDevices);
    EXPECT_FALSE(c.bHelp);
}

TEST(CommandLine, OptionsTakeTheirValueSeparateOrAfterAnEqualsSign) {
    for (const Args& args : {Args{"--input", "a b.wav", "p.tpz"}, Args{"--input=a b.wav", "p.tpz"},
                             Args{"p.tpz", "--input", "a b.wav"}}) {
        const SCommandLine c = ParseOk(args);
        EXPECT_EQ(c.strInputFile, "a b.wav");
        EXPECT_EQ(c.strPreset, "p.tpz");
    }
    EXPECT_EQ(ParseOk({"--device", "Monitor of Null Output"}).strDevice, "Monitor of Null Output");
    EXPECT_EQ(ParseOk({"--device=hw:1"}).strDevice, "hw:1");
    // A value may itself start with a dash when given separately.
    EXPECT_EQ(ParseOk({"--input", "-odd.wav"}).strInputFile, "-odd.wav");
    // The last of a repeated option wins.
    EXPECT_EQ(ParseOk({"--input", "a.wav", "--input", "b.wav"}).strInputFile, "b.wav");
}

TEST(CommandLine, FlagsAreRecognisedInBothSpellings) {
    EXPECT_TRUE(ParseOk({"--help"}).bHelp);
    EXPECT_TRUE(ParseOk({"-h"}).bHelp);
    EXPECT_TRUE(ParseOk({"--list-devices"}).bListDevices);
}

TEST(CommandLine, DoubleDashEndsTheOptions) {
    const SCommandLine c = ParseOk({"--", "--help"});
    EXPECT_FALSE(c.bHelp);
    EXPECT_EQ(c.strPreset, "--help");
    EXPECT_EQ(ParseOk({"-"}).strPreset, "-");
}

TEST(CommandLine, MistakesGiveOneLineNamingTheWord) {
    const struct {
        Args args;
        const char* error;
    } cases[] = {
        {{"--inptu", "a.wav"}, "unknown option '--inptu' (see --help)"},
        {{"-x"}, "unknown option '-x' (see --help)"},
        {{"--input"}, "option '--input' needs a WAV file name"},
        {{"--input="}, "option '--input' needs a WAV file name"},
        {{"--input", ""}, "option '--input' needs a WAV file name"},
        {{"--device"}, "option '--device' needs a device name"},
        {{"--help=yes"}, "option '--help' takes no value"},
        {{"--list-devices=1"}, "option '--list-devices' takes no value"},
        {{"a.tpz", "b.tpz"}, "more than one preset file: 'a.tpz' and 'b.tpz'"},
        {{"--input", "a.wav", "--device", "x"},
         "options '--input' and '--device' exclude each other"},
        // The headless tool's options are not the window's.
        {{"--seconds", "5"}, "unknown option '--seconds' (see --help)"},
        {{"--block-size=2048"}, "unknown option '--block-size' (see --help)"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseError(c.args), c.error);
    }
}

TEST(CommandLine, HeadlessOptionsAreCheckedForRange) {
    const SCommandLine c =
        ParseOk({"--seconds", "2.5", "--block-size=32768", "--latency", "1000", "--input", "t.wav"},
                EMode::Headless);
    EXPECT_DOUBLE_EQ(c.dSeconds, 2.5);
    EXPECT_EQ(c.nBlockSize, 32768);
    EXPECT_DOUBLE_EQ(c.dLatencyHz, 1000.0);
    EXPECT_EQ(c.strInputFile, "t.wav");
    for (std::int32_t n = 1024; n <= 32768; n *= 2) {
        EXPECT_EQ(ParseOk({"--block-size", std::to_string(n)}, EMode::Headless).nBlockSize, n);
    }
    for (const char* bad : {"0", "512", "1000", "3072", "65536", "2048x", "", "-2048"}) {
        EXPECT_EQ(ParseError({"--block-size=" + std::string(bad)}, EMode::Headless)
                      .rfind("option '--block-size' needs", 0),
                  0u)
            << bad;
    }
    for (const char* bad : {"0", "-1", "abc", "1e999", "nan", "3s"}) {
        EXPECT_EQ(ParseError({"--seconds", bad}, EMode::Headless),
                  "option '--seconds' needs a positive number, not '" + std::string(bad) + "'");
    }
    for (const char* bad : {"0", "22050", "x"}) {
        EXPECT_EQ(
            ParseError({"--latency", bad}, EMode::Headless).rfind("option '--latency' needs", 0),
            0u)
            << bad;
    }
}

TEST(CommandLine, ArgvFormSkipsTheProgramName) {
    const char* argv[] = {"vireon", "--input", "x.wav"};
    SCommandLine c;
    std::string error;
    ASSERT_TRUE(CCommandLine::Parse(3, argv, c, error));
    EXPECT_EQ(c.strInputFile, "x.wav");
    EXPECT_EQ(c.strPreset, "");
}

TEST(CommandLine, HelpListsEveryOptionOfItsMode) {
    const std::string window = CCommandLine::HelpText("vireon");
    const std::string headless = CCommandLine::HelpText("vireon-headless", EMode::Headless);
    for (const char* option : {"--input FILE", "--device NAME", "--list-devices", "--help"}) {
        EXPECT_NE(window.find(option), std::string::npos) << option;
        EXPECT_NE(headless.find(option), std::string::npos) << option;
    }
    for (const char* option : {"--seconds S", "--block-size N", "--latency HZ"}) {
        EXPECT_EQ(window.find(option), std::string::npos) << option;
        EXPECT_NE(headless.find(option), std::string::npos) << option;
    }
}

} // namespace
