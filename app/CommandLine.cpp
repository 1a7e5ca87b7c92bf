#include "app/CommandLine.h"

#include <charconv>
#include <cmath>

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

} // namespace

bool CCommandLine::Parse(const std::vector<std::string>& args, SCommandLine& out,
                         std::string& error, EMode mode) {
    out = SCommandLine{};
    error.clear();
    const bool headless = mode == EMode::Headless;
    bool optionsEnded = false;

    auto positional = [&](const std::string& word) {
        if (!out.strPreset.empty()) {
            error = "more than one preset file: '" + out.strPreset + "' and '" + word + "'";
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
                    error = "option '" + name + "' needs " + what;
                    return false;
                }
                return true;
            }
            if (i + 1 >= args.size() || args[i + 1].empty()) {
                error = "option '" + name + "' needs " + what;
                return false;
            }
            value = args[++i];
            return true;
        };
        auto noValue = [&] {
            if (hasValue) {
                error = "option '" + name + "' takes no value";
                return false;
            }
            return true;
        };

        if (name == "--help" || name == "-h") {
            if (!noValue()) {
                return false;
            }
            out.bHelp = true;
        } else if (name == "--list-devices") {
            if (!noValue()) {
                return false;
            }
            out.bListDevices = true;
        } else if (name == "--input") {
            if (!takeValue("a WAV file name")) {
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
                error = "option '--seconds' needs a positive number, not '" + value + "'";
                return false;
            }
        } else if (headless && name == "--block-size") {
            if (!takeValue("a block size")) {
                return false;
            }
            std::int32_t n = 0;
            const bool power = ParseInt(value, n) && n >= 1024 && n <= 32768 && (n & (n - 1)) == 0;
            if (!power) {
                error = "option '--block-size' needs a power of two from 1024 to 32768, not '" +
                        value + "'";
                return false;
            }
            out.nBlockSize = n;
        } else if (headless && name == "--latency") {
            if (!takeValue("a tone frequency in Hz")) {
                return false;
            }
            if (!ParseDouble(value, out.dLatencyHz) || out.dLatencyHz <= 0.0 ||
                out.dLatencyHz >= 22050.0) {
                error = "option '--latency' needs a frequency between 0 and 22050 Hz, not '" +
                        value + "'";
                return false;
            }
        } else {
            error = "unknown option '" + name + "' (see --help)";
            return false;
        }
    }
    if (!out.strInputFile.empty() && !out.strDevice.empty()) {
        error = "options '--input' and '--device' exclude each other";
        return false;
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
    std::string text = "Usage: " + program +
                       " [options] [PRESET.tpz]\n"
                       "\n"
                       "Options:\n"
                       "  --input FILE      analyse a WAV file (16-bit PCM, mono or stereo, "
                       "44100 Hz),\n"
                       "                    played in real time and looping, instead of the "
                       "capture device\n"
                       "  --device NAME     capture from the named device (default: the system "
                       "default)\n"
                       "  --list-devices    print the capture devices and exit\n"
                       "  --help, -h        print this text and exit\n";
    if (mode == EMode::Headless) {
        text += "  --seconds S       run for S seconds (default: until interrupted)\n"
                "  --block-size N    block size, a power of two from 1024 to 32768\n"
                "                    (default: the startup settings file's)\n"
                "  --latency HZ      measure the delay from each onset of a tone of HZ\n"
                "                    in the input to the first history row that shows it\n";
    }
    return text;
}
