// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target: any bytes as a preset file. Nothing may read outside the
// input, overflow or crash; a file that is accepted must hold only values the
// program can produce, and must come back unchanged through the writer.
#include <cstdlib>

#include "presets/PresetFile.h"
#include "tests/presets/PresetTestSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::array<std::int16_t, 4> version = {1, 0, 0, 0};
    CRunState store;
    store.SetPresetSettings(presettest::NewSettings());
    CProjection projection2D, projection3D;

    if (LoadPreset(data, size, store, projection2D, projection3D, {}) != EPresetRead::Ok)
        return 0;
    const SPreset loaded = CapturePreset(store, projection2D, projection3D);
    if (!IsValidPreset(loaded))
        std::abort();
    const std::vector<std::uint8_t> file = WritePresetFile(loaded, version);
    SPreset again;
    if (file.size() != kPresetFileSize ||
        ReadPresetFile(file.data(), file.size(), again) != EPresetRead::Ok ||
        WritePresetFile(again, version) != file)
        std::abort();
    return 0;
}
