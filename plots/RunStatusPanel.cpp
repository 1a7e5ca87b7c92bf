// SPDX-License-Identifier: GPL-3.0-or-later
#include "plots/RunStatusPanel.h"

#include <GL/gl.h>

#include <cstdio>

#include "plots/Primitives.h"

namespace {

// hh:mm:ss of a span of seconds, the hours wrapping after 23.
std::string Clock(std::int64_t seconds) {
    const auto t = static_cast<std::time_t>(seconds < 0 ? 0 : seconds);
    std::tm parts{};
    gmtime_r(&t, &parts);
    char text[16];
    std::strftime(text, sizeof text, "%H:%M:%S", &parts);
    return text;
}

} // namespace

CSize CRunStatusPanel::Layout(std::int32_t x, std::int32_t y) {
    return LayoutLines(x, y, 148, 5);
}

void CRunStatusPanel::SetColours(const SColour& stopped, const SColour& running,
                                 const SColour& fore, const SColour& border) {
    m_clrStopped = stopped;
    m_clrRunning = running;
    m_clrBack = stopped;
    m_clrFore = fore;
    m_clrBorder = border;
}

CRunStatusPanel::Lines CRunStatusPanel::Text(bool acquiring, std::time_t now, std::time_t runStart,
                                             std::int32_t captureFlags,
                                             std::int64_t captureSeconds) {
    Lines lines;
    lines[0] = acquiring ? "Running" : "Stopped";
    std::tm local{};
    localtime_r(&now, &local);
    char text[64];
    std::snprintf(text, sizeof text, "%02d/%02d/%4d: %02d:%02d:%02d", local.tm_mon + 1,
                  local.tm_mday, local.tm_year + 1900, local.tm_hour, local.tm_min, local.tm_sec);
    lines[1] = text;
    lines[2] = "Run  Time  : " + Clock(acquiring ? now - runStart : 0);
    if (captureFlags != 0) {
        const char* kind = captureFlags == kCaptureScreen  ? "S"
                           : captureFlags == kCaptureSound ? "A"
                                                           : "S+A";
        lines[3] = std::string("Capture (") + kind + "):" + Clock(captureSeconds);
    }
    return lines;
}

void CRunStatusPanel::Draw() {
    const bool acquiring = m_pRunState->IsAcquiring();
    const Lines lines =
        Text(acquiring, std::time(nullptr), static_cast<std::time_t>(m_pRunState->GetRunStart()),
             m_pRunState->GetCaptureFlags(), m_pRunState->GetCaptureElapsed());
    m_clrBack = acquiring ? m_clrRunning : m_clrStopped;

    DrawLines(lines, 3);
    if (!lines[3].empty()) {
        glColor3f(1.0f, 1.0f, 0.0f); // yellow
        DrawText(m_nTitleFont, m_ptLine[3].x, m_ptLine[3].y, lines[3]);
    }
}
