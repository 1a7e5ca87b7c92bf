// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/FileArgument.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>

#include "app/CommandLine.h"
#include "presets/PresetFile.h"

CFileArgument::EKind CFileArgument::Classify(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return EKind::Preset;
    std::ifstream in(path, std::ios::binary);
    std::array<char, 4> bytes{};
    in.read(bytes.data(), bytes.size());
    if (!in.is_open() || in.bad())
        return EKind::Preset;
    if (in.gcount() < static_cast<std::streamsize>(bytes.size()))
        return EKind::Sound;
    std::uint32_t word = 0;
    for (std::size_t i = bytes.size(); i-- > 0;)
        word = (word << 8) | static_cast<unsigned char>(bytes[i]);
    return word == kPresetMagic ? EKind::Preset : EKind::Sound;
}

bool CFileArgument::Resolve(SCommandLine& args, std::string& error) {
    error.clear();
    if (args.strPreset.empty() || Classify(args.strPreset) == EKind::Preset)
        return true;
    if (!args.strInputFile.empty()) {
        error = "two inputs: " + CCommandLine::Quote("--input " + args.strInputFile) +
                " and the sound file " + CCommandLine::Quote(args.strPreset);
        return false;
    }
    if (!args.strDevice.empty()) {
        error = "the sound file " + CCommandLine::Quote(args.strPreset) +
                " and option '--device' exclude each other";
        return false;
    }
    args.strInputFile = std::move(args.strPreset);
    args.strPreset.clear();
    return true;
}
