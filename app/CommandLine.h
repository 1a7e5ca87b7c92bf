// The program's command-line options, parsed by one small function so that
// the windowed program and the headless tool accept the same words.
//
//   --input FILE      analyse a WAV file (16-bit PCM, mono or stereo,
//                     44100 Hz), played in real time and looping, instead of
//                     the capture device
//   --device NAME     capture from the named device instead of the default
//   --list-devices    print the capture devices and exit
//   --help, -h        print the options and exit
//   PRESET            a preset file (.tpz) to open
//
// The headless tool adds:
//   --seconds S       run for S seconds (default: until interrupted)
//   --block-size N    block size, a power of two 1024..32768 (default: the
//                     startup settings file's)
//   --latency HZ      measure the delay from each onset of a tone of HZ in
//                     the input to the first history row that shows it
//
// "--opt=value" is the same as "--opt value"; "--" ends the options. Qt's
// own options (-platform ...) must be removed before (QApplication does).
// Not thread-safe; parse once on the main thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct SCommandLine {
    std::string strInputFile; // empty: the capture device
    std::string strDevice;    // empty: the system default
    bool bListDevices = false;
    bool bHelp = false;
    std::string strPreset; // empty: none

    // Headless tool only.
    double dSeconds = 0.0;       // 0: until interrupted
    std::int32_t nBlockSize = 0; // 0: from the startup settings
    double dLatencyHz = 0.0;     // 0: no latency measurement
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
    // Usage text for --help, one option per line.
    static std::string HelpText(const std::string& program, EMode mode = EMode::Window);
};
