// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandLine.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <string_view>

#include "analysis/WindowTable.h"
#include "base/VersionInfo.h"

namespace {

bool ParseDouble(const std::string& text, double& out) {
    if (text.empty()) {
        return false;
    }
    try {
        std::size_t used = 0;
        out = std::stod(text, &used);
        return used == text.size() && std::isfinite(out);
    } catch (...) {
        return false;
    }
}

bool ParseInt(const std::string& text, std::int32_t& out) {
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, out);
    return !text.empty() && result.ec == std::errc() && result.ptr == end;
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// Qt's own options as QGuiApplication and QApplication take them, without
// their dash; Qt also accepts them with two dashes.
constexpr std::array<std::string_view, 16> kQtOptionsWithValue = {
    "platform",      "platformpluginpath", "platformtheme", "plugin",
    "qmljsdebugger", "qwindowgeometry",    "geometry",      "qwindowtitle",
    "title",         "qwindowicon",        "icon",          "session",
    "style",         "stylesheet",         "display",       "name"};
constexpr std::array<std::string_view, 6> kQtFlags = {"reverse", "testability", "widgetcount",
                                                      "nograb",  "dograb",      "sync"};

// 0: not Qt's; 1: a Qt option complete in this word; 2: one that takes the
// next word as its value.
int QtOptionWords(const std::string& word) {
    std::string_view name(word);
    name.remove_prefix(name.rfind("--", 0) == 0 ? 2 : 1);
    const auto eq = name.find('=');
    const bool inline_value = eq != std::string_view::npos;
    name = name.substr(0, eq);
    if (std::find(kQtOptionsWithValue.begin(), kQtOptionsWithValue.end(), name) !=
        kQtOptionsWithValue.end())
        return inline_value ? 1 : 2;
    if (!inline_value && std::find(kQtFlags.begin(), kQtFlags.end(), name) != kQtFlags.end())
        return 1;
    return 0;
}

// "LO:HI" in Hz, either side may be empty (0 and all the way up).
bool ParseBand(const std::string& text, double& low, double& high) {
    const auto colon = text.find(':');
    if (colon == std::string::npos)
        return false;
    const std::string lo = text.substr(0, colon);
    const std::string hi = text.substr(colon + 1);
    low = 0.0;
    high = std::numeric_limits<double>::infinity();
    if (!lo.empty() && !ParseDouble(lo, low))
        return false;
    if (!hi.empty() && !ParseDouble(hi, high))
        return false;
    return low >= 0.0 && high > low;
}

// "A,B": two channel indexes from 0.
bool ParseChannelPair(const std::string& text, std::int32_t& a, std::int32_t& b) {
    const auto comma = text.find(',');
    return comma != std::string::npos && ParseInt(text.substr(0, comma), a) &&
           ParseInt(text.substr(comma + 1), b) && a >= 0 && b >= 0;
}

std::string WindowList() {
    std::string list;
    for (int i = 0; i < kWindowCount; ++i)
        list += std::string(i == 0 ? "" : ", ") + g_apszWindowNames[i];
    return list;
}

} // namespace

bool CCommandLine::Parse(const std::vector<std::string>& args, SCommandLine& out,
                         std::string& error, EMode mode) {
    out = SCommandLine{};
    error.clear();
    const bool headless = mode == EMode::Headless;
    bool optionsEnded = false;
    bool latencyGiven = false;

    auto positional = [&](const std::string& word) {
        if (!out.strPreset.empty()) {
            error = "more than one file: " + Quote(out.strPreset) + " and " + Quote(word);
            return false;
        }
        out.strPreset = word;
        return true;
    };

    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (optionsEnded || word.empty() || word[0] != '-' || word == "-") {
            if (!positional(word)) {
                return false;
            }
            continue;
        }
        if (word == "--") {
            optionsEnded = true;
            continue;
        }

        std::string name = word;
        std::string value;
        bool hasValue = false;
        if (const auto eq = word.find('='); word.rfind("--", 0) == 0 && eq != std::string::npos) {
            name = word.substr(0, eq);
            value = word.substr(eq + 1);
            hasValue = true;
        }
        auto takeValue = [&](const char* what) {
            if (hasValue) {
                if (value.empty()) {
                    error = "option " + Quote(name) + " needs " + what;
                    return false;
                }
                return true;
            }
            if (i + 1 >= args.size() || args[i + 1].empty()) {
                error = "option " + Quote(name) + " needs " + what;
                return false;
            }
            value = args[++i];
            return true;
        };
        auto noValue = [&] {
            if (hasValue) {
                error = "option " + Quote(name) + " takes no value";
                return false;
            }
            return true;
        };
        auto needs = [&](const std::string& what) {
            error = "option " + Quote(name) + " needs " + what + ", not " + Quote(value);
            return false;
        };

        if (name == "--help" || name == "-h") {
            if (!noValue()) {
                return false;
            }
            out.bHelp = true;
        } else if (name == "--version") {
            if (!noValue()) {
                return false;
            }
            out.bVersion = true;
        } else if (name == "--list-devices") {
            if (!noValue()) {
                return false;
            }
            out.bListDevices = true;
        } else if (name == "--input") {
            if (!takeValue("a sound file name")) {
                return false;
            }
            out.strInputFile = value;
        } else if (name == "--device") {
            if (!takeValue("a device name")) {
                return false;
            }
            out.strDevice = value;
        } else if (headless && name == "--seconds") {
            if (!takeValue("a number of seconds")) {
                return false;
            }
            if (!ParseDouble(value, out.dSeconds) || out.dSeconds <= 0.0) {
                return needs("a positive number");
            }
        } else if (headless && name == "--block-size") {
            if (!takeValue("a block size")) {
                return false;
            }
            std::int32_t n = 0;
            const bool power = ParseInt(value, n) && n >= 1024 && n <= 32768 && (n & (n - 1)) == 0;
            if (!power) {
                return needs("a power of two from 1024 to 32768");
            }
            out.nBlockSize = n;
        } else if (headless && name == "--latency") {
            if (!takeValue("a tone frequency in Hz")) {
                return false;
            }
            if (!ParseDouble(value, out.dLatencyHz) || out.dLatencyHz <= 0.0 ||
                out.dLatencyHz >= 22050.0) {
                return needs("a frequency between 0 and 22050 Hz");
            }
            latencyGiven = true;
        } else if (headless && name == "--offline") {
            if (!noValue()) {
                return false;
            }
            out.bOffline = true;
        } else if (headless && name == "--native-rate") {
            if (!noValue()) {
                return false;
            }
            out.bNativeRate = true;
        } else if (headless && name == "--input-channels") {
            if (!takeValue("two channel indexes A,B")) {
                return false;
            }
            if (!ParseChannelPair(value, out.nInputLeft, out.nInputRight)) {
                return needs("two channel indexes A,B counted from 0");
            }
        } else if (headless && name == "--window") {
            if (!takeValue("a window name")) {
                return false;
            }
            const auto* names = g_apszWindowNames;
            const auto* found = std::find_if(names, names + kWindowCount, [&](const char* w) {
                return SameIgnoringCase(w, value);
            });
            if (found == names + kWindowCount) {
                return needs("one of " + WindowList());
            }
            out.nWindowType = static_cast<std::int32_t>(found - names);
        } else if (headless && name == "--channel") {
            if (!takeValue("a channel")) {
                return false;
            }
            const auto found =
                std::find_if(kChannelWords.begin(), kChannelWords.end(),
                             [&](const char* c) { return SameIgnoringCase(c, value); });
            if (found == kChannelWords.end()) {
                return needs("left, right, sum or difference");
            }
            out.nChannelMode = static_cast<std::int32_t>(found - kChannelWords.begin());
        } else if (headless && name == "--band") {
            if (!takeValue("a band LO:HI in Hz")) {
                return false;
            }
            if (!ParseBand(value, out.dBandLow, out.dBandHigh)) {
                return needs("a band LO:HI in Hz with 0 <= LO < HI");
            }
            out.bBandGiven = true;
        } else if (headless && name == "--bands") {
            if (!takeValue("a band set")) {
                return false;
            }
            if (SameIgnoringCase(value, "third-octave")) {
                out.nBands = EBandSet::ThirdOctave;
            } else if (SameIgnoringCase(value, "octave")) {
                out.nBands = EBandSet::Octave;
            } else {
                return needs("third-octave or octave");
            }
        } else if (headless && name == "--floor") {
            if (!takeValue("a level in dBFS")) {
                return false;
            }
            if (!ParseDouble(value, out.dFloorDb)) {
                return needs("a level in dBFS");
            }
        } else if (headless && name == "--format") {
            if (!takeValue("a format")) {
                return false;
            }
            if (SameIgnoringCase(value, "csv")) {
                out.bCsv = true;
            } else if (SameIgnoringCase(value, "text")) {
                out.bCsv = false;
            } else {
                return needs("text or csv");
            }
        } else if (const int words = headless ? 0 : QtOptionWords(word); words > 0) {
            // Qt's own: it takes it (and its value) from the same arguments.
            i += static_cast<std::size_t>(words - 1);
        } else {
            error = "unknown option " + Quote(name) + " (see --help)";
            return false;
        }
    }
    if (!out.strInputFile.empty() && !out.strDevice.empty()) {
        error = "options '--input' and '--device' exclude each other";
        return false;
    }
    if (out.bOffline && out.strInputFile.empty()) {
        error = "option '--offline' needs '--input FILE'";
        return false;
    }
    if (out.bNativeRate && !out.bOffline) {
        error = "option '--native-rate' needs '--offline'";
        return false;
    }
    if (out.nInputLeft >= 0 && out.strInputFile.empty()) {
        error = "option '--input-channels' needs '--input FILE'";
        return false;
    }
    if (latencyGiven) {
        if (out.strInputFile.empty()) {
            error = "option '--latency' needs '--input FILE'";
        } else if (out.bOffline) {
            error = "options '--latency' and '--offline' exclude each other";
        } else if (out.bCsv) {
            error = "options '--latency' and '--format csv' exclude each other";
        }
        if (!error.empty()) {
            return false;
        }
    }
    return true;
}

bool CCommandLine::Parse(int argc, const char* const* argv, SCommandLine& out, std::string& error,
                         EMode mode) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        args.emplace_back(argv[i]);
    }
    return Parse(args, out, error, mode);
}

std::string CCommandLine::HelpText(const std::string& program, EMode mode) {
    if (mode == EMode::Window) {
        return "Usage: " + program +
               " [options] [FILE]\n"
               "\n"
               "The real-time audio spectrum analyser. FILE is a preset to open, told by\n"
               "its content, or else sound to analyse as with --input.\n"
               "\n"
               "Options:\n"
               "  --input FILE      analyse a sound file (WAV, FLAC, MP3, Ogg, Opus, any format\n"
               "                    FFmpeg decodes), played in real time and looping, instead\n"
               "                    of the capture device\n"
               "  --device NAME     capture from the named device: a name as --list-devices\n"
               "                    prints it, or a part of one that picks a single device\n"
               "  --list-devices    print the capture devices, the system default first, and "
               "exit\n"
               "  --help, -h        print this text and exit\n"
               "  --version         print the version and exit\n"
               "\n"
               "Qt's own options (-platform NAME, -display DISPLAY, -style NAME, ...) go to Qt.\n"
               "\n"
               "Exit status: 0 closed normally; 1 no capture device to list; 2 bad options.\n";
    }
    return "Usage: " + program +
           " [options]\n"
           "\n"
           "Measures the strongest tone and the level of the sound from the capture device\n"
           "or a sound file, block by block, without a window.\n"
           "\n"
           "Input:\n"
           "  --input FILE      a sound file (WAV, FLAC, MP3, Ogg, Opus, any format FFmpeg\n"
           "                    decodes), played in real time and looping, instead of the\n"
           "                    capture device; converted to 44100 Hz 16-bit stereo\n"
           "  --input-channels A,B\n"
           "                    with --input: the file's channels A and B (from 0) as left\n"
           "                    and right (default: the front left and right; mono: both)\n"
           "  --offline         with --input: read the file once from start to end without\n"
           "                    pacing, measure every block of N frames once, then exit\n"
           "  --native-rate     with --offline: measure at the file's own rate, as floating\n"
           "                    point, neither resampled nor cut to 16 bits\n"
           "  --device NAME     capture from the named device: a name as --list-devices\n"
           "                    prints it, or a part of one that picks a single device\n"
           "  --list-devices    print the capture devices, the system default first, and exit\n"
           "\n"
           "Measurement:\n"
           "  --block-size N    block size, a power of two from 1024 to 32768\n"
           "                    (default: the startup settings file's)\n"
           "  --window NAME     " +
           WindowList() +
           "\n"
           "                    (any case; default Hann)\n"
           "  --channel C       left, right, sum (default) or difference\n"
           "  --band LO:HI      look for the peak from LO to HI Hz, either side may be left\n"
           "                    out (default: from the first bin above 0 Hz up to 22050,\n"
           "                    so a DC offset is no peak; a LO of 0 or none includes 0 Hz)\n"
           "  --floor DB        below DB dBFS there is no peak (default -90)\n"
           "  --bands SET       third-octave or octave: also the level of every standard\n"
           "                    band from 20 Hz to 20 kHz, in dBFS (a full-scale sine in\n"
           "                    its band reads 0); a band narrower than a bin at N is left\n"
           "                    empty\n"
           "\n"
           "Output:\n"
           "  --format text     one line a second of the stream (default), with --bands\n"
           "                    a second line listing the bands\n"
           "  --format csv      a header, then one row per block: time_s (the block's\n"
           "                    start in the stream), peak_hz, peak_dbfs (both empty when\n"
           "                    there is no peak), min, max, rms (full scale 1.0), then\n"
           "                    with --bands one column per band named by its nominal\n"
           "                    centre: b20, b25, ... b1k, ... b20k\n"
           "  --seconds S       stop after S seconds (of the file with --offline)\n"
           "  --latency HZ      with --input: measure the delay from each onset of a tone\n"
           "                    of HZ to the first history row that shows it\n"
           "  --help, -h        print this text and exit\n"
           "  --version         print the version and exit\n"
           "\n"
           "Exit status: 0 done (end of file, --seconds, or interrupted); 1 the input\n"
           "failed (file, device, no device); 2 bad options.\n";
}

std::string CCommandLine::Quote(const std::string& word) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string quoted = "'";
    for (const char c : word) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\n') {
            quoted += "\\n";
        } else if (c == '\t') {
            quoted += "\\t";
        } else if (byte < 0x20 || byte == 0x7f) {
            quoted += "\\x";
            quoted += kHex[byte >> 4];
            quoted += kHex[byte & 15];
        } else {
            quoted += c;
        }
    }
    return quoted + "'";
}

std::string CCommandLine::VersionText() {
    std::string name, legal, version;
    g_versionInfo.GetStrings(name, legal, version);
    return name + " " + version + "\n" + legal +
           "\n"
           "License GPL-3.0-or-later <https://www.gnu.org/licenses/gpl-3.0.html>.\n"
           "This is free software: you are free to change and redistribute it.\n"
           "There is NO WARRANTY, to the extent permitted by law.\n";
}
