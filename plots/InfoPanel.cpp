// SPDX-License-Identifier: GPL-3.0-or-later
#include "plots/InfoPanel.h"

#include "analysis/WindowTable.h"
#include "base/StartupSettings.h"
#include "base/VersionInfo.h"

CSize CInfoPanel::Layout(std::int32_t x, std::int32_t y) {
    return LayoutLines(x, y, 153, 4);
}

CInfoPanel::Lines CInfoPanel::Text(const std::string& name, const std::string& version,
                                   std::int32_t blockSize, std::int32_t channelMode,
                                   std::int32_t windowType) {
    static const char* const kChannels[] = {": Left", ": Right", "s: Left + Right",
                                            "s: Left - Right"};
    Lines lines;
    lines[0] = name + " " + version;
    lines[1] = "Buffer: " + std::to_string(blockSize) + " Samples";
    lines[2] = "Channel";
    if (channelMode >= 0 && channelMode < 4)
        lines[2] += kChannels[channelMode];
    lines[3] = "Input Fn:";
    if (windowType >= 0 && windowType < kWindowCount)
        lines[3] += g_apszWindowNames[windowType];
    return lines;
}

void CInfoPanel::Draw() {
    // Without valid version strings these defaults stay.
    std::string name = "Vireon";
    std::string legal;
    std::string version = "V1.0";
    g_versionInfo.GetStrings(name, legal, version);
    const SCaptureFormat format = m_pRunState->GetCaptureFormat();
    const Lines lines = Text(name, version, g_startupSettings.m_nBlockSize, format.nChannelMode,
                             format.nWindowType);

    DrawLines(lines, lines.size());
}
