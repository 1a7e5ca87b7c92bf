// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target: any bytes as lines of the startup settings file. The
// parser must stay inside the given length and keep every index and size a
// table entry.
#include <cstdlib>
#include <memory>
#include <string>

#include "base/StartupSettings.h"

namespace {
template <typename Table> bool IsEntry(const Table& table, std::int32_t index, std::int32_t value) {
    return index >= 0 && index < static_cast<std::int32_t>(table.size()) &&
           table[static_cast<std::size_t>(index)] == value;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CStartupSettings settings(std::string{});
    const char* text = reinterpret_cast<const char*>(data);
    std::size_t start = 0;
    for (std::size_t i = 0; i <= size; ++i) {
        if (i == size || text[i] == '\n') {
            // Exactly the line's bytes, no terminator: the length must bound it.
            const std::string line(text + start, i - start);
            const auto copy = std::make_unique<char[]>(line.size());
            line.copy(copy.get(), line.size());
            settings.ParseLine(copy.get(), static_cast<int>(line.size()));
            start = i + 1;
        }
    }
    using S = CStartupSettings;
    if (!IsEntry(S::kBlockSizes, settings.m_nBufferIndex, settings.m_nBlockSize) ||
        !IsEntry(S::kPlotWidths, settings.m_nSizeIndex, settings.m_nPlotWidth) ||
        !IsEntry(S::kSurfaceCols, settings.m_n3DPlotIndex, settings.m_nSurfaceCols) ||
        !IsEntry(S::kSurfaceRows, settings.m_n3DPlotIndex, settings.m_nSurfaceRows))
        std::abort();
    for (char c : settings.m_strPreset)
        if (static_cast<unsigned char>(c) < 32 || static_cast<unsigned char>(c) > 127)
            std::abort();
    return 0;
}
