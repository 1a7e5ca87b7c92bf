// SPDX-License-Identifier: GPL-3.0-or-later
// The run status panel: "Running" on green or "Stopped" on red, the local
// date and time, the run's elapsed time and, while recording, the recording
// kind and its elapsed time in yellow.
//
// Times are calendar seconds. User-interface thread only, context current
// for Draw.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

#include "plots/TextPanel.h"

class CRunStatusPanel : public CTextPanel {
public:
    // Returns (148, 60).
    CSize Layout(std::int32_t x, std::int32_t y) override;
    // Reads the acquiring flag, the run start, the capture flags and the
    // recording's elapsed seconds from the store.
    void Draw() override;

    using CPanel::SetColours;
    // The background follows the acquiring state, so this panel takes two.
    void SetColours(const SColour& stopped, const SColour& running, const SColour& fore,
                    const SColour& border);

    // The four lines at calendar time now: the status, the local date and
    // time "MM/DD/YYYY: hh:mm:ss", "Run  Time  : hh:mm:ss" (0 unless
    // acquiring; the hours wrap after 23:59:59), and, when captureFlags is
    // not 0, "Capture (S|A|S+A):hh:mm:ss" of the recording's seconds (else
    // empty).
    static Lines Text(bool acquiring, std::time_t now, std::time_t runStart,
                      std::int32_t captureFlags, std::int64_t captureSeconds);

private:
    SColour m_clrStopped;
    SColour m_clrRunning;
};
