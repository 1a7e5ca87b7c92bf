// SPDX-License-Identifier: GPL-3.0-or-later
#include "plots/VolumePanel.h"

#include <GL/gl.h>

#include <algorithm>

#include "analysis/HistoryBuffers.h"
#include "base/StartupSettings.h"
#include "plots/Primitives.h"

CVolumePanel::CVolumePanel() : CCompositePanel({&m_axisTime, &m_axisLevel}) {
    ConfigureTimeAxis(m_axisTime);

    m_axisLevel.SetTicks(2, 1);
    m_axisLevel.m_nTickSide = -1;
    m_axisLevel.m_nMajorLen = 5;
    m_axisLevel.m_nLabelGap = 7;
    m_axisLevel.SetLabelDivisor(1);
    m_axisLevel.SetRange(-1.0, 1.0);
    m_axisLevel.SetTitle("Input (P-P)");
}

CSize CVolumePanel::Layout(std::int32_t x, std::int32_t y, std::int32_t width) {
    const std::int32_t ht = m_nTitleFont / 100;
    const std::int32_t hl = m_nLabelFont / 100;
    const SHistoryGeometry geometry = m_pRunState->GetHistoryGeometry();
    const SCaptureFormat format = m_pRunState->GetCaptureFormat();
    const std::int32_t h = geometry.nRingRows / 2;
    m_nRows = h;

    // The waterfall's time range: the newest row is half a block old.
    if (format.dSampleRate > 0.0) {
        const double t = g_startupSettings.m_nBlockSize / (2.0 * format.dSampleRate);
        m_axisTime.SetRange(t, geometry.nRingRows * t);
    }

    m_rcLevel.left = x + 3 * hl;
    m_rcLevel.right = m_rcLevel.left + width + 1;
    m_rcLevel.top = y - 10;
    m_rcLevel.bottom = y - 12 - h;
    PlacePlotFrame(x, y, x + 3 * hl + width, h);
    m_ptTitle = {m_rcLevel.left + (m_rcLevel.right - m_rcLevel.left) / 2, y - ht};

    m_axisTime.SetGeometry(m_rcLevel.left, m_rcLevel.bottom + 1, 0,
                           (m_rcLevel.top - 1) - (m_rcLevel.bottom + 1));
    m_axisTime.MoveTitleAnchor(-55, 14);
    m_axisLevel.SetGeometry(m_rcLevel.left, m_rcLevel.bottom, m_rcLevel.right - m_rcLevel.left, 0);
    return m_size;
}

std::int32_t CVolumePanel::GetCentreX() const {
    const double half = ((m_rcLevel.right - 1) - (m_rcLevel.left + 1)) * 0.5;
    return static_cast<std::int32_t>(half) + (m_rcLevel.left + 1) + 1;
}

void CVolumePanel::Draw() {
    const SHistoryGeometry geometry = m_pRunState->GetHistoryGeometry();
    const SLevelHistories histories = m_pRunState->GetLevelHistories();
    const double* pMin = m_nChannel == 0   ? histories.pLeftMin
                         : m_nChannel == 1 ? histories.pRightMin
                                           : histories.pMin;
    const double* pMax = m_nChannel == 0   ? histories.pLeftMax
                         : m_nChannel == 1 ? histories.pRightMax
                                           : histories.pMax;
    // Rows r + 1 .. r + H, newest first; the layout's row count must fit the
    // ring (2H + 1 entries) it reads.
    const std::int32_t rows = std::min(m_nRows, geometry.nRingRows / 2);
    const std::int32_t first = geometry.nHistoryRow + 1;
    const bool readable = pMin != nullptr && pMax != nullptr && rows > 0 && first >= 0 &&
                          first + rows <= geometry.nRingRows + 1;
    if (readable) {
        m_min.resize(static_cast<std::size_t>(rows));
        m_max.resize(static_cast<std::size_t>(rows));
        HistoryLoadDoubles(m_min.data(), pMin + first, m_min.size());
        HistoryLoadDoubles(m_max.data(), pMax + first, m_max.size());
    }

    const double half = ((m_rcLevel.right - 1) - (m_rcLevel.left + 1)) * 0.5;
    const double scale = half - 2.0;
    const std::int32_t centre = GetCentreX();
    SetColour(m_clrFore);
    if (readable) {
        // One batch of segments: a glBegin per row costs more than the rows.
        glBegin(GL_LINES);
        for (std::int32_t i = 0; i < rows; ++i) {
            const auto k = static_cast<std::size_t>(i);
            const std::int32_t y = m_rcLevel.bottom + 1 + i;
            glVertex2i(centre + static_cast<std::int32_t>(scale * m_min[k] - 1.0), y);
            glVertex2i(centre + static_cast<std::int32_t>(scale * m_max[k] + 1.0), y);
        }
        glEnd();
    }

    OutlineRect(m_rcLevel.left, m_rcLevel.top, m_rcLevel.right, m_rcLevel.bottom);
    m_axisLevel.Draw();
    m_axisTime.Draw();
    DrawTitle();
}
