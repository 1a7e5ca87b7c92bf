// SPDX-License-Identifier: GPL-3.0-or-later
// A labelled axis: a line with evenly spaced ticks (every n-th one longer),
// labels at evenly spaced values and a title, all in the foreground colour
// with the label font. Owners configure it once (SetTicks, SetLabelDivisor,
// the public lengths and gap), place it from their Layout with SetGeometry
// and may call SetRange on every draw. Layout is the base one: an axis is
// placed only by SetGeometry.
//
// Coordinates are window pixels, origin bottom-left, y upward. Ticks and
// Labels compute exactly what Draw draws without touching OpenGL, so layout
// code and tests can use them. User-interface thread only; Draw needs the
// OpenGL context current.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "plots/AxisTicks.h"
#include "plots/Panel.h"

// Turns an axis value into its label text.
using LabelFormatter = std::string (*)(double value);

// "%4.1f" of the value in decibels (LinearToDb: -100.0 below 0.0001, 0.0
// above 0.9999): a linear magnitude axis labelled in dB.
std::string DbLabel(double magnitude);
// "%4.1f" of the value.
std::string PlainLabel(double value);
// Seconds as "m:ss.t"; minutes wrap at 60 (3725 s reads "2:05.0").
std::string TimeLabel(double seconds);
// No text: an axis that shares another one's labels.
std::string EmptyLabel(double value);

// One tick mark, drawn as a line from start to end.
struct SAxisTick {
    CPoint start;
    CPoint end;
    bool bMajor = false;
    bool operator==(const SAxisTick&) const = default;
};

// One label: the text's raster origin (baseline start) and its text.
struct SAxisLabel {
    CPoint origin;
    std::string text;
    bool operator==(const SAxisLabel&) const = default;
};

class CAxis : public CPanel {
public:
    CAxis() = default;

    // count tick intervals (ticks at 0..count inclusive), tick i major when i
    // is a multiple of majorEvery (values below 1 count as 1).
    void SetTicks(std::int32_t count, std::int32_t majorEvery);
    // Tick intervals per label interval; 0 draws a single label, at the start.
    void SetLabelDivisor(std::int32_t divisor);
    // Values at the start and the end of the axis.
    void SetRange(double min, double max);
    // nullptr formats labels with m_strFormat.
    void SetLabelFormatter(LabelFormatter formatter) { m_pfnLabel = formatter; }
    // count ticks at the given fractions 0..1 of a vertical axis's length,
    // labelled with the given values, replacing the regular ticks (count 0
    // restores them). The arrays are not copied and must outlive the axis.
    void SetCustomTicks(const double* values, const double* positions, std::int32_t count);
    // Major ticks at the marks' positions along the axis (either direction),
    // labelled with their values, replacing the regular and the custom
    // ticks; the axis keeps them. An empty list restores the others.
    void SetTickMarks(std::vector<STickMark> marks) { m_marks = std::move(marks); }

    // Places the axis from (x, y): horizontal with signed length dx, or
    // vertical with signed length dy when dx is 0. Derives the tick and label
    // steps and offsets and the title anchor. Call after SetTicks and
    // SetLabelDivisor. Returns the axis rectangle's width and height.
    CSize SetGeometry(std::int32_t x, std::int32_t y, std::int32_t dx, std::int32_t dy);
    // The point at fractions (fx, fy) of the axis rectangle, each product
    // truncated toward zero.
    CPoint MapFraction(double fx, double fy) const;
    // Moves the title anchor; owners adjust it after SetGeometry.
    void MoveTitleAnchor(std::int32_t dx, std::int32_t dy) {
        m_ptTitle = {m_ptTitle.x + dx, m_ptTitle.y + dy};
    }

    // The line, the ticks, the labels, then the title.
    void Draw() override;

    std::vector<SAxisTick> Ticks() const;
    std::vector<SAxisLabel> Labels() const;
    std::string LabelText(double value) const;
    // Where Draw puts the title's text: centred on the anchor along the axis.
    CPoint TitleOrigin() const;

    CPoint GetLineStart() const { return m_ptLineStart; }
    CPoint GetLineEnd() const { return m_ptLineEnd; }
    double GetMin() const { return m_dMin; }
    double GetMax() const { return m_dMax; }

    // Set by owners directly. SetGeometry derives the label offsets and the
    // title anchor from the side and the gap, so set those first; the tick
    // lengths and the format are read at every draw.
    std::int32_t m_nMinorLen = 5; // pixels
    std::int32_t m_nMajorLen = 5; // pixels
    // -1 ticks and labels toward negative coordinates (below a horizontal
    // axis, left of a vertical one); 0 ticks centred on the line; otherwise
    // toward positive coordinates.
    std::int32_t m_nTickSide = 1;
    std::int32_t m_nLabelGap = 10; // pixels from the line to the labels
    // printf format of a label, given the value as a double, when no
    // formatter is set. Code-supplied only.
    std::string m_strFormat = "%2.1f";

private:
    void UpdateLabelCount();
    SAxisTick TickAt(CPoint at, bool major) const;
    CPoint MarkPoint(const STickMark& mark) const;
    CPoint LabelOrigin(CPoint at, const std::string& text) const;

    CPoint m_ptLineStart;
    CPoint m_ptLineEnd;
    CPoint m_tickStep;
    CPoint m_labelStep;
    std::int32_t m_nLabelOffX = 0;
    std::int32_t m_nLabelOffY = 0;
    double m_dMin = 0.0;
    double m_dMax = 1.0;
    std::int32_t m_nTickCount = 0;
    std::int32_t m_nLabelCount = 0;
    std::int32_t m_nMajorEvery = 1;
    std::int32_t m_nLabelDivisor = 0;
    std::int32_t m_nCharHeight = 0;
    std::int32_t m_nCharWidth = 0;
    std::int32_t m_nCentreShift = 0;
    bool m_bVertical = false;
    LabelFormatter m_pfnLabel = nullptr;
    std::vector<STickMark> m_marks;
    const double* m_pdTickPos = nullptr;
    const double* m_pdTickValue = nullptr;
    std::int32_t m_nCustomTicks = 0;
};

// A frequency axis in Hz up to 1000 Hz ("%3.1f", "Frequency (Hz)"), beyond
// that in kHz ("%1.2f", "Frequency (KHz)", both bounds * 0.001).
void SetFrequencyRange(CAxis& axis, double minHz, double maxHz);
// The same for the range as the display scale shows it: on the log axis
// (binWidth: the analysis' bin spacing, 0 before the first block) with
// ticks at 1, 2 and 5 x 10^k Hz in the same label format, at least three
// label heights apart; otherwise the regular ticks.
void SetFrequencyAxis(CAxis& axis, const SDisplayRange& range, const SDisplayScale& scale,
                      double binWidth);

// The frequency axis below the histogram and the waterfall: ten intervals,
// every fifth tick major, ticks and labels below the line.
void ConfigureFrequencyAxis(CAxis& axis);
// The time axis left of the waterfall and the volume strips: eight
// intervals labelled "m:ss.t", ticks and labels left of the line, "Minutes".
void ConfigureTimeAxis(CAxis& axis);
