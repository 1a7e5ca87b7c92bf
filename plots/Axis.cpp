// SPDX-License-Identifier: GPL-3.0-or-later
#include "plots/Axis.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "analysis/Decibel.h"
#include "plots/Primitives.h"

namespace {

std::string Format(const char* format, double value) {
    char text[64];
    const int n = std::snprintf(text, sizeof text, format, value);
    if (n <= 0)
        return {};
    return std::string(text, std::min<std::size_t>(static_cast<std::size_t>(n), sizeof text - 1));
}

// Pixel length / count in doubles, truncated; no count means no step.
std::int32_t Step(std::int32_t length, std::int32_t count) {
    if (count == 0)
        return 0;
    return static_cast<std::int32_t>(static_cast<double>(length) / static_cast<double>(count));
}

CPoint Add(CPoint a, CPoint b) {
    return {a.x + b.x, a.y + b.y};
}

} // namespace

std::string DbLabel(double magnitude) {
    return Format("%4.1f", LinearToDb(magnitude));
}

std::string PlainLabel(double value) {
    return Format("%4.1f", value);
}

std::string TimeLabel(double seconds) {
    const int minutes = static_cast<int>(seconds * 0.016666666666666666) % 60;
    const int wholeSeconds = static_cast<int>(seconds) % 60;
    const int tenths = static_cast<int>(seconds * 10.0) % 10;
    char text[32];
    std::snprintf(text, sizeof text, "%01d:%02d.%d", minutes, wholeSeconds, tenths);
    return text;
}

std::string EmptyLabel(double) {
    return {};
}

void CAxis::SetTicks(std::int32_t count, std::int32_t majorEvery) {
    m_nTickCount = count;
    m_nMajorEvery = majorEvery;
    UpdateLabelCount();
}

void CAxis::SetLabelDivisor(std::int32_t divisor) {
    m_nLabelDivisor = divisor;
    UpdateLabelCount();
}

void CAxis::UpdateLabelCount() {
    m_nLabelCount = m_nLabelDivisor == 0 ? 0 : m_nTickCount / m_nLabelDivisor;
}

void CAxis::SetRange(double min, double max) {
    m_dMin = min;
    m_dMax = max;
}

void CAxis::SetCustomTicks(const double* values, const double* positions, std::int32_t count) {
    m_pdTickValue = values;
    m_pdTickPos = positions;
    m_nCustomTicks = count;
}

CSize CAxis::SetGeometry(std::int32_t x, std::int32_t y, std::int32_t dx, std::int32_t dy) {
    m_ptOrigin = {x, y};
    m_nCharHeight = m_nLabelFont / 100;
    m_nCharWidth = static_cast<std::int32_t>(m_nTickSide * m_nCharHeight * 0.7142857142857143);
    m_nCentreShift = -(m_nCharHeight / 4);
    if (dx != 0) {
        m_bVertical = false;
        m_rcFrame = {std::min(x, x + dx), y, std::max(x, x + dx), y};
    } else {
        m_bVertical = true;
        m_rcFrame = {x, std::max(y, y + dy), x, std::min(y, y + dy)};
    }
    const CRect& rc = m_rcFrame;
    m_size = {rc.right - rc.left, rc.top - rc.bottom};
    m_ptLineStart = {rc.left, rc.bottom};
    m_ptLineEnd = {rc.right, rc.top};

    if (m_bVertical) {
        m_tickStep = {0, Step(rc.top - rc.bottom, m_nTickCount)};
        m_labelStep = {0, Step(rc.top - rc.bottom, m_nLabelCount)};
        m_nLabelOffX = m_nLabelGap * m_nTickSide;
        m_nLabelOffY = static_cast<std::int32_t>(m_nLabelFont * -0.004);
        m_ptTitle = {x, rc.bottom + (rc.top - rc.bottom) / 2};
    } else {
        m_tickStep = {Step(rc.right - rc.left, m_nTickCount), 0};
        m_labelStep = {Step(rc.right - rc.left, m_nLabelCount), 0};
        m_nLabelOffX = 0;
        m_nLabelOffY = m_nTickSide >= 0 ? m_nLabelGap : -(m_nLabelGap + m_nCharHeight);
        // The middle of the line, also for a negative length.
        m_ptTitle = {rc.left + (rc.right - rc.left) / 2, y};
    }
    MoveTitleAnchor(m_nCentreShift + m_nLabelOffX, m_nCharHeight * m_nTickSide + m_nLabelOffY);
    return m_size;
}

CPoint CAxis::MapFraction(double fx, double fy) const {
    const CRect& rc = m_rcFrame;
    return {rc.left + static_cast<std::int32_t>((rc.right - rc.left) * fx),
            rc.bottom + static_cast<std::int32_t>((rc.top - rc.bottom) * fy)};
}

SAxisTick CAxis::TickAt(CPoint at, bool major) const {
    const std::int32_t len = major ? m_nMajorLen : m_nMinorLen;
    // Offsets across the line from the tick point for the start and the end.
    std::int32_t from = 0, to = 0;
    if (m_nTickSide < 0)
        from = -len;
    else if (m_nTickSide > 0)
        from = len;
    else {
        from = len / 2;
        to = -(len / 2);
    }
    // A horizontal axis has upright ticks.
    if (!m_bVertical)
        return {{at.x, at.y + from}, {at.x, at.y + to}, major};
    return {{at.x + from, at.y}, {at.x + to, at.y}, major};
}

CPoint CAxis::MarkPoint(const STickMark& mark) const {
    return m_bVertical ? MapFraction(0.0, mark.dPosition) : MapFraction(mark.dPosition, 0.0);
}

std::vector<SAxisTick> CAxis::Ticks() const {
    std::vector<SAxisTick> ticks;
    if (!m_marks.empty()) {
        for (const STickMark& mark : m_marks)
            ticks.push_back(TickAt(MarkPoint(mark), true));
        return ticks;
    }
    if (m_nCustomTicks > 0 && m_pdTickPos != nullptr) {
        for (std::int32_t k = 0; k < m_nCustomTicks; ++k)
            ticks.push_back(TickAt(MapFraction(0.0, m_pdTickPos[k]), true));
        return ticks;
    }
    // A zero would make every tick's index test divide by zero.
    const std::int32_t every = std::max(m_nMajorEvery, 1);
    CPoint at = m_ptLineStart;
    for (std::int32_t i = 0; i <= m_nTickCount; ++i) {
        ticks.push_back(TickAt(at, i % every == 0));
        at = Add(at, m_tickStep);
    }
    return ticks;
}

std::string CAxis::LabelText(double value) const {
    if (m_pfnLabel != nullptr)
        return m_pfnLabel(value);
    return Format(m_strFormat.c_str(), value);
}

CPoint CAxis::LabelOrigin(CPoint at, const std::string& text) const {
    const auto n = static_cast<std::int32_t>(text.size());
    std::int32_t offX = m_nLabelOffX;
    if (!m_bVertical)
        offX = m_nCentreShift * n;
    else if (m_nTickSide < 0)
        offX = m_nLabelGap * m_nTickSide + m_nCharWidth * n;
    return {at.x + offX, at.y + m_nLabelOffY};
}

std::vector<SAxisLabel> CAxis::Labels() const {
    std::vector<SAxisLabel> labels;
    if (!m_marks.empty()) {
        for (const STickMark& mark : m_marks) {
            std::string text = LabelText(mark.dValue);
            const CPoint origin = LabelOrigin(MarkPoint(mark), text);
            labels.push_back({origin, std::move(text)});
        }
        return labels;
    }
    if (m_nCustomTicks > 0 && m_pdTickPos != nullptr && m_pdTickValue != nullptr) {
        for (std::int32_t k = 0; k < m_nCustomTicks; ++k) {
            std::string text = LabelText(m_pdTickValue[k]);
            const CPoint origin = LabelOrigin(MapFraction(0.0, m_pdTickPos[k]), text);
            labels.push_back({origin, std::move(text)});
        }
        return labels;
    }
    const double valueStep = m_nLabelCount == 0 ? 0.0 : (m_dMax - m_dMin) / m_nLabelCount;
    double value = m_dMin;
    CPoint at = m_ptLineStart;
    for (std::int32_t j = 0; j <= m_nLabelCount; ++j) {
        std::string text = LabelText(value);
        const CPoint origin = LabelOrigin(at, text);
        labels.push_back({origin, std::move(text)});
        at = Add(at, m_labelStep);
        value += valueStep;
    }
    return labels;
}

CPoint CAxis::TitleOrigin() const {
    const std::int32_t shift = m_nCentreShift * static_cast<std::int32_t>(m_strTitle.size());
    if (m_bVertical)
        return {m_ptTitle.x, m_ptTitle.y + shift};
    return {m_ptTitle.x + shift, m_ptTitle.y};
}

void CAxis::Draw() {
    SetColour(m_clrFore);
    DrawLine(m_ptLineStart.x, m_ptLineStart.y, m_ptLineEnd.x, m_ptLineEnd.y);
    for (const SAxisTick& tick : Ticks())
        DrawLine(tick.start.x, tick.start.y, tick.end.x, tick.end.y);
    for (const SAxisLabel& label : Labels())
        DrawText(m_nLabelFont, label.origin.x, label.origin.y, label.text);
    const CPoint title = TitleOrigin();
    DrawText(m_nLabelFont, title.x, title.y, m_strTitle);
}

void SetFrequencyRange(CAxis& axis, double minHz, double maxHz) {
    if (maxHz > 1000.0) {
        axis.m_strFormat = "%1.2f";
        axis.SetTitle("Frequency (KHz)");
        axis.SetRange(minHz * 0.001, maxHz * 0.001);
    } else {
        axis.m_strFormat = "%3.1f";
        axis.SetTitle("Frequency (Hz)");
        axis.SetRange(minHz, maxHz);
    }
}

void SetFrequencyAxis(CAxis& axis, const SDisplayRange& range, const SDisplayScale& scale,
                      double binWidth) {
    SetFrequencyRange(axis, range.dFreqMin, range.dFreqMax);
    if (!scale.bLogFrequency) {
        axis.SetTickMarks({});
        return;
    }
    const double length = axis.GetSize().cx;
    const double spacing = 3.0 * (axis.GetLabelFont() / 100);
    std::vector<STickMark> marks = LogFrequencyTicks(
        MakeFrequencyAxis(range, true, binWidth, axis.GetSize().cx), length, spacing);
    // In the unit the label format and the title name.
    const double unit = range.dFreqMax > 1000.0 ? 0.001 : 1.0;
    for (STickMark& mark : marks)
        mark.dValue *= unit;
    axis.SetTickMarks(std::move(marks));
}

void ConfigureFrequencyAxis(CAxis& axis) {
    axis.SetTicks(10, 5);
    axis.m_nTickSide = -1;
    axis.m_nMajorLen = 5;
    axis.m_nMinorLen = 2;
    axis.m_nLabelGap = 7;
    axis.SetLabelDivisor(1);
}

void ConfigureTimeAxis(CAxis& axis) {
    axis.m_nTickSide = -1;
    axis.m_nMajorLen = 4;
    axis.SetLabelDivisor(1);
    // Labels start left of the ticks, a label height above their baseline.
    axis.m_nLabelGap = axis.m_nMajorLen - 12;
    axis.SetTicks(8, 1);
    axis.SetLabelFormatter(TimeLabel);
    axis.SetTitle("Minutes");
}
