// SPDX-License-Identifier: GPL-3.0-or-later
// The programs' command-line options, parsed by one small function so that
// the windowed program and the headless tool accept the same words.
//
//   --input FILE      analyse a sound file (any format FFmpeg decodes),
//                     played in real time and looping, instead of the
//                     capture device
//   --device NAME     capture from the named device instead of the default
//   --list-devices    print the capture devices and exit
//   --help, -h        print the options and exit
//   --version         print the program's version and exit
//   FILE              a preset file (.tpz) to open, or sound to analyse as
//                     with --input (see app/FileArgument.h)
//
// The headless tool adds the measurement options (see HelpText): --offline,
// --seconds, --block-size, --window, --channel, --band, --floor, --format,
// --bands, --latency, --native-rate and --input-channels.
//
// "--opt=value" is the same as "--opt value"; "--" ends the options. In the
// windowed program the options Qt itself takes (-platform NAME, -display
// D, -style S, ... also with two dashes) are skipped here, so the same
// argument list can go to Qt untouched. Not thread-safe; parse once on the
// main thread.
#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "analysis/BandMeter.h"
#include "analysis/BlockMeter.h"
#include "base/RunState.h"

// The words --channel takes, indexed by CHANNEL_*.
inline constexpr std::array<const char*, 4> kChannelWords = {"left", "right", "sum", "difference"};

struct SCommandLine {
    std::string strInputFile; // empty: the capture device
    std::string strDevice;    // empty: the system default
    bool bListDevices = false;
    bool bHelp = false;
    bool bVersion = false;
    std::string strPreset; // the FILE argument as given; empty: none

    // Headless tool only.
    double dSeconds = 0.0;                          // 0: until interrupted (or the file's end)
    std::int32_t nBlockSize = 0;                    // 0: from the startup settings
    double dLatencyHz = 0.0;                        // 0: no latency measurement
    bool bOffline = false;                          // read the input file once, unpaced
    bool bCsv = false;                              // one row per block instead of a line a second
    std::int32_t nWindowType = kDefaultMeterWindow; // index into g_apszWindowNames
    std::int32_t nChannelMode = CHANNEL_SUM;        // CHANNEL_*
    bool bBandGiven = false; // without --band the peak search starts at bin 1
    double dBandLow = 0.0;   // Hz
    double dBandHigh = std::numeric_limits<double>::infinity(); // Hz; beyond Nyquist: all
    double dFloorDb = kDefaultPeakFloorDb;                      // no peak below this many dBFS
    bool bNativeRate = false;         // offline at the file's own rate, as floating point
    std::int32_t nInputLeft = -1;     // the file's channel for the left side; -1: front left
    std::int32_t nInputRight = -1;    // and for the right; -1: front right
    EBandSet nBands = EBandSet::None; // band levels beside the peak
};

class CCommandLine {
public:
    enum class EMode { Window, Headless };

    // args excludes the program name. Returns false with error set to one
    // line naming the offending word; out is then unspecified.
    static bool Parse(const std::vector<std::string>& args, SCommandLine& out, std::string& error,
                      EMode mode = EMode::Window);
    // The same from main's arguments (argv[0] is skipped).
    static bool Parse(int argc, const char* const* argv, SCommandLine& out, std::string& error,
                      EMode mode = EMode::Window);
    // A word as the errors quote it: in single quotes, a control character
    // as \n, \t or \xHH, so that an error stays one line and a word cannot
    // send the terminal anything but text.
    static std::string Quote(const std::string& word);
    // Usage text for --help, one option per line, with the exit statuses.
    static std::string HelpText(const std::string& program, EMode mode = EMode::Window);
    // For --version: the name and version the About box shows, its legal
    // notice and the licence, one per line.
    static std::string VersionText();
};
