#include "plots/InfoPanel.h"

#include <GL/gl.h>

#include "analysis/WindowTable.h"
#include "base/StartupSettings.h"
#include "base/VersionInfo.h"
#include "plots/Primitives.h"

CSize CInfoPanel::Layout(std::int32_t x, std::int32_t y) {
    m_ptOrigin = {x, y};
    m_rcFrame = {x, y, x + 153, y - 60};
    m_size = {153, 60};
    const std::int32_t spacing = m_nTitleFont / 84;
    for (int k = 1; k <= 4; ++k)
        m_ptLine[static_cast<std::size_t>(k - 1)] = {x + 4, y - k * spacing};
    return m_size;
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
    std::string name = "Vireon";
    std::string legal;
    std::string version = "V1.0";
    if (!g_versionInfo.GetStrings(name, legal, version)) {
        name = "Vireon";
        version = "V1.0";
    }
    const SCaptureFormat format = m_pRunState->GetCaptureFormat();
    const Lines lines = Text(name, version, g_startupSettings.m_nBlockSize, format.nChannelMode,
                             format.nWindowType);

    DrawBackground();
    glColor3f(m_clrFore.r, m_clrFore.g, m_clrFore.b);
    for (std::size_t k = 0; k < lines.size(); ++k)
        DrawText(m_nTitleFont, m_ptLine[k].x, m_ptLine[k].y, lines[k]);
}
