// SPDX-License-Identifier: GPL-3.0-or-later
// What the two command-line fuzz targets share: an input's bytes as the
// argument words a shell would hand over, and the checks every parse must
// pass whatever the words were.
//
// An input is the words separated by NUL bytes, as they lie in memory
// behind argv. In the windowed program's target three NULs in a row end the
// words; what follows is the content of the FILE argument.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

#include "analysis/WindowTable.h"
#include "app/CommandLine.h"

namespace fuzzcmd {

inline std::vector<std::string> SplitWords(const std::string& bytes) {
    std::vector<std::string> words;
    if (bytes.empty())
        return words;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= bytes.size(); ++i) {
        if (i == bytes.size() || bytes[i] == '\0') {
            words.emplace_back(bytes, start, i - start);
            start = i + 1;
        }
    }
    return words;
}

inline auto Fields(const SCommandLine& c) {
    return std::tuple(c.strInputFile, c.strDevice, c.bListDevices, c.bHelp, c.bVersion, c.strPreset,
                      c.dSeconds, c.nBlockSize, c.dLatencyHz, c.bOffline, c.bCsv, c.nWindowType,
                      c.nChannelMode, c.bBandGiven, c.dBandLow, c.dBandHigh, c.dFloorDb,
                      c.bNativeRate, c.nInputLeft, c.nInputRight, c.nBands);
}

inline std::string Number(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

// The words that say the same as a parsed command line in the plainest form
// the parser knows: every value after '=', the file after "--".
inline std::vector<std::string> Canonical(const SCommandLine& c, CCommandLine::EMode mode) {
    std::vector<std::string> words;
    if (!c.strInputFile.empty())
        words.push_back("--input=" + c.strInputFile);
    if (!c.strDevice.empty())
        words.push_back("--device=" + c.strDevice);
    if (c.bListDevices)
        words.push_back("--list-devices");
    if (c.bHelp)
        words.push_back("-h");
    if (c.bVersion)
        words.push_back("--version");
    if (mode == CCommandLine::EMode::Headless) {
        if (c.dSeconds > 0.0)
            words.push_back("--seconds=" + Number(c.dSeconds));
        if (c.nBlockSize != 0)
            words.push_back("--block-size=" + std::to_string(c.nBlockSize));
        if (c.dLatencyHz > 0.0)
            words.push_back("--latency=" + Number(c.dLatencyHz));
        if (c.bOffline)
            words.push_back("--offline");
        if (c.bNativeRate)
            words.push_back("--native-rate");
        words.push_back(std::string("--format=") + (c.bCsv ? "csv" : "text"));
        words.push_back(std::string("--window=") + g_apszWindowNames[c.nWindowType]);
        words.push_back(std::string("--channel=") +
                        kChannelWords[static_cast<std::size_t>(c.nChannelMode)]);
        if (c.bBandGiven)
            words.push_back("--band=" + Number(c.dBandLow) + ":" +
                            (std::isinf(c.dBandHigh) ? "" : Number(c.dBandHigh)));
        words.push_back("--floor=" + Number(c.dFloorDb));
        if (c.nInputLeft >= 0)
            words.push_back("--input-channels=" + std::to_string(c.nInputLeft) + "," +
                            std::to_string(c.nInputRight));
        if (c.nBands == EBandSet::Octave)
            words.push_back("--bands=octave");
        else if (c.nBands == EBandSet::ThirdOctave)
            words.push_back("--bands=third-octave");
    }
    if (!c.strPreset.empty()) {
        words.push_back("--");
        words.push_back(c.strPreset);
    }
    return words;
}

// Parses words in mode and checks what the parser promises; aborts on a
// broken promise. Returns whether the words were accepted.
inline bool ParseAndCheck(const std::vector<std::string>& words, CCommandLine::EMode mode,
                          SCommandLine& out) {
    std::string error;
    const bool ok = CCommandLine::Parse(words, out, error, mode);
    // main's form, with a program name in front, reads the same.
    std::vector<const char*> argv = {"program"};
    for (const std::string& word : words)
        argv.push_back(word.c_str());
    SCommandLine fromMain;
    std::string mainError;
    const bool mainOk =
        CCommandLine::Parse(static_cast<int>(argv.size()), argv.data(), fromMain, mainError, mode);
    if (mainOk != ok || mainError != error || (ok && Fields(fromMain) != Fields(out)))
        std::abort();

    if (!ok) {
        // One line that quotes what it is about.
        if (error.empty() || error.find('\n') != std::string::npos ||
            error.find('\'') == std::string::npos)
            std::abort();
        return false;
    }
    if (!error.empty())
        std::abort();

    const bool headless = mode == CCommandLine::EMode::Headless;
    if (!headless) {
        // The measurement fields are the headless tool's alone.
        SCommandLine defaults;
        defaults.strInputFile = out.strInputFile;
        defaults.strDevice = out.strDevice;
        defaults.bListDevices = out.bListDevices;
        defaults.bHelp = out.bHelp;
        defaults.bVersion = out.bVersion;
        defaults.strPreset = out.strPreset;
        if (Fields(defaults) != Fields(out))
            std::abort();
    }
    const std::int32_t n = out.nBlockSize;
    const bool blockOk = n == 0 || (n >= 1024 && n <= 32768 && (n & (n - 1)) == 0);
    const bool valuesOk =
        blockOk && out.nWindowType >= 0 && out.nWindowType < kWindowCount &&
        out.nChannelMode >= 0 &&
        out.nChannelMode < static_cast<std::int32_t>(kChannelWords.size()) && out.dSeconds >= 0.0 &&
        std::isfinite(out.dSeconds) && out.dLatencyHz >= 0.0 && out.dLatencyHz < 22050.0 &&
        std::isfinite(out.dFloorDb) && out.dBandLow >= 0.0 && std::isfinite(out.dBandLow) &&
        out.dBandHigh > out.dBandLow && (out.nInputLeft >= 0) == (out.nInputRight >= 0);
    const bool rulesOk =
        (out.strInputFile.empty() || out.strDevice.empty()) &&
        (!out.bOffline || !out.strInputFile.empty()) && (!out.bNativeRate || out.bOffline) &&
        (out.nInputLeft < 0 || !out.strInputFile.empty()) &&
        (out.dLatencyHz == 0.0 || (!out.strInputFile.empty() && !out.bOffline && !out.bCsv));
    if (!valuesOk || !rulesOk)
        std::abort();

    // What was understood, said plainly, is understood the same again.
    SCommandLine again;
    std::string againError;
    if (!CCommandLine::Parse(Canonical(out, mode), again, againError, mode) ||
        Fields(again) != Fields(out))
        std::abort();
    return true;
}

} // namespace fuzzcmd
