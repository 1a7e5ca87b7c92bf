// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/FileArgument.h"

#include <gtest/gtest.h>

#include "app/CommandLine.h"
#include "tests/acquisition/AcquisitionTestSupport.h"
#include "tests/presets/PresetTestSupport.h"

namespace {

using EKind = CFileArgument::EKind;

// The content decides, never the name: a preset under a sound file's name is
// a preset, a WAV file named like a preset is sound, and so is anything
// shorter than the magic number. What cannot be read stays a preset, whose
// open then reports it.
TEST(FileArgument, ThePresetMagicNumberMakesAPresetAndAnythingElseReadableIsSound) {
    const acqtest::CTempDir dir;
    const acqtest::Bytes preset = WritePresetFile({presettest::NewSettings()}, {1, 0, 0, 0});
    const acqtest::Bytes wav = acqtest::Wav(acqtest::Tone(1000.0, 8000.0, 4410));
    std::filesystem::create_directories(dir.Path() + "/folder.tpz");
    const struct {
        std::string name;
        acqtest::Bytes bytes;
        bool write;
        EKind kind;
    } cases[] = {
        {"real.tpz", preset, true, EKind::Preset},
        {"renamed.wav", preset, true, EKind::Preset},
        {"magic only", acqtest::Bytes(preset.begin(), preset.begin() + 4), true, EKind::Preset},
        {"tone.wav", wav, true, EKind::Sound},
        {"tone.tpz", wav, true, EKind::Sound},
        {"short.tpz", acqtest::Bytes(preset.begin(), preset.begin() + 3), true, EKind::Sound},
        {"empty.tpz", {}, true, EKind::Sound},
        {"missing.wav", {}, false, EKind::Preset},
        {"folder.tpz", {}, false, EKind::Preset},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = c.write ? dir.Write(c.name, c.bytes) : dir.Path() + "/" + c.name;
        EXPECT_EQ(CFileArgument::Classify(path), c.kind);
    }
}

// Sound takes the place of --input; it may not join another input or a
// device, while a preset goes with either.
TEST(FileArgument, SoundBecomesTheInputUnlessAnotherInputOrADeviceIsNamed) {
    const acqtest::CTempDir dir;
    const std::string preset =
        dir.Write("p.tpz", WritePresetFile({presettest::NewSettings()}, {1, 0, 0, 0}));
    const std::string sound = dir.Write("s.wav", acqtest::Wav(acqtest::Tone(500.0, 8000.0, 4410)));
    // Given --input, --device and FILE; then the input, preset and device
    // after, or the error.
    const struct {
        std::string input, device, file;
        std::string inputAfter, presetAfter, deviceAfter, error;
    } cases[] = {
        {"", "", "", "", "", "", ""},
        {"", "", preset, "", preset, "", ""},
        {"", "", sound, sound, "", "", ""},
        {sound, "", preset, sound, preset, "", ""},
        {"", "hw:1", preset, "", preset, "hw:1", ""},
        {"other.wav", "", sound, "", "", "",
         "two inputs: '--input other.wav' and the sound file '" + sound + "'"},
        {"", "hw:1", sound, "", "", "",
         "the sound file '" + sound + "' and option '--device' exclude each other"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input + " / " + c.device + " / " + c.file);
        SCommandLine args;
        args.strInputFile = c.input;
        args.strDevice = c.device;
        args.strPreset = c.file;
        std::string error = "stale";
        const bool ok = CFileArgument::Resolve(args, error);
        EXPECT_EQ(error, c.error);
        EXPECT_EQ(ok, c.error.empty());
        if (ok) {
            EXPECT_EQ(args.strInputFile, c.inputAfter);
            EXPECT_EQ(args.strPreset, c.presetAfter);
            EXPECT_EQ(args.strDevice, c.deviceAfter);
        }
    }
}

} // namespace
