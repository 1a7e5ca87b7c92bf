// SPDX-License-Identifier: GPL-3.0-or-later
// The mouse drags, the cursor readout and the status-bar hints of
// CTamselView.
#include "view/TamselView.h"

#include <QApplication>
#include <QMouseEvent>

#include <algorithm>

#include "base/RunState.h"
#include "base/StartupSettings.h"
#include "plots/Projection.h"
#include "view/MouseDrag.h"
#include "view/ViewSurface.h"

void CTamselView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        OnLButtonDown(event->modifiers(), event->position().toPoint());
    else if (event->button() == Qt::RightButton)
        OnRButtonDown(event->position().toPoint());
}

void CTamselView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        OnLButtonUp();
    else if (event->button() == Qt::RightButton)
        OnRButtonUp();
}

void CTamselView::mouseMoveEvent(QMouseEvent* event) {
    OnMouseMove(event->buttons(), event->modifiers(), event->position().toPoint());
}

// A press hides the readout until the mouse moves again without a button:
// after a drag the pane shows the range it left.
void CTamselView::OnLButtonDown(Qt::KeyboardModifiers keys, const QPoint& point) {
    m_bCursorResting = false;
    UpdateRangePane();
    if (keys & Qt::ControlModifier)
        m_bRotateDrag = true;
    else if (keys & Qt::ShiftModifier)
        m_bZoomDrag = true;
    else
        m_bRangeDrag = true;
    m_ptLast = point;
}

void CTamselView::OnRButtonDown(const QPoint& point) {
    m_bCursorResting = false;
    UpdateRangePane();
    m_bPaletteDrag = true;
    m_ptLast = point;
}

void CTamselView::OnLButtonUp() {
    m_bRotateDrag = m_bZoomDrag = m_bRangeDrag = m_bPaletteDrag = false;
}

void CTamselView::OnRButtonUp() {
    OnLButtonUp();
}

// Nothing here redraws: the change shows at the next paced redraw.
void CTamselView::OnMouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers keys,
                              const QPoint& point) {
    const int dx = point.x() - m_ptLast.x();
    const int dy = point.y() - m_ptLast.y();
    m_bCursorResting = buttons == Qt::NoButton;
    m_ptCursor = point;
    m_bRotateDrag = m_bZoomDrag = m_bRangeDrag = m_bPaletteDrag = false;
    if (buttons & Qt::LeftButton) {
        if (keys & Qt::ControlModifier) {
            if (Is3DPlot()) {
                // One degree a pixel: up and down about x, sideways about y.
                m_dRotation[0] += dy;
                m_dRotation[1] += dx;
                m_bRotateDrag = true;
                g_projection3D.SetRotation(m_dRotation[0], m_dRotation[1], m_dRotation[2]);
                MarkModified();
            }
        } else if (keys & Qt::ShiftModifier) {
            if (Is3DPlot()) {
                m_dTranslation[2] -= dy; // dragging down moves the scene away
                m_bZoomDrag = true;
                g_projection3D.SetTranslation(m_dTranslation[0], m_dTranslation[1],
                                              m_dTranslation[2]);
                MarkModified();
            }
        } else {
            m_bRangeDrag = true;
            const SDisplayRange range = g_runState.GetDisplayRange();
            if (GetDisplayScale().bLogFrequency)
                g_runState.SetDisplayRange(DragLogRange(range, dx, dy, m_nHistoryLength,
                                                        g_runState.GetSpectrumStats().dBinWidth));
            else
                g_runState.SetDisplayRange(DragRange(range, dx, dy));
            MarkModified();
        }
    } else if (buttons & Qt::RightButton) {
        m_bPaletteDrag = true;
        SPaletteSettings palette{m_palette.m_nPaletteShift, m_palette.m_fPaletteScale,
                                 m_palette.m_bPaletteInvert};
        palette = DragPalette(palette, dx, dy);
        m_palette.m_nPaletteShift = palette.nShift;
        m_palette.m_fPaletteScale = palette.fScale;
        m_palette.Build(m_palette.m_nPalette);
        MarkModified(); // publishes the palette to the store
    }
    m_ptLast = point;
    UpdateRangePane();
}

void CTamselView::OnMouseLeave() {
    m_bCursorResting = false;
    UpdateRangePane();
}

void CTamselView::NoteReadoutBasis() {
    SReadoutBasis& basis = m_readoutBasis;
    basis.ePlot = EReadoutPlot::kNone;
    basis.row.clear();
    basis.range = g_runState.GetDisplayRange();
    basis.scale = g_runState.GetDisplayScale();
    basis.stats = g_runState.GetSpectrumStats();
    const double rate = g_runState.GetCaptureFormat().dSampleRate;
    basis.dBlockSeconds = rate > 0.0 ? g_startupSettings.m_nBlockSize / rate : 0.0;
    if (m_nPlotType == PLOT_HISTOGRAM) {
        // Bars stand on the area's bottom from its left edge.
        const CRect& area = m_histogramPlot.GetPlotArea();
        basis.ePlot = EReadoutPlot::kHistogram;
        basis.nLeft = area.left;
        basis.nBottom = area.bottom;
        basis.nColumns = area.right - area.left - 1;
        basis.nRows = area.top - area.bottom - 1;
        basis.nBarColumns = m_histogramPlot.GetBarWidth();
        if (const std::uint8_t* row = m_histogramPlot.GetDrawnRow()) {
            const std::int32_t shown = std::min(m_histogramPlot.GetDrawnRowWidth(),
                                                CHistogramPlot::kBars * basis.nBarColumns);
            basis.row.assign(row, row + std::max(shown, 0));
        }
    } else if (m_nPlotType == PLOT_WATERFALL) {
        // The image starts one pixel inside the frame.
        const CRect& area = m_waterfallPlot.GetPlotArea();
        const CPoint origin = m_waterfallPlot.GetRasterOrigin();
        basis.ePlot = EReadoutPlot::kWaterfall;
        basis.nLeft = origin.x;
        basis.nBottom = origin.y;
        basis.nColumns = area.right - area.left - 1;
        basis.nRows = area.top - area.bottom - 2;
    }
}

void CTamselView::UpdateRangePane() {
    std::optional<SCursorReadout> readout;
    // The surface's pixel rows count up from its bottom.
    if (m_bCursorResting)
        readout =
            ReadCursor(m_readoutBasis, m_ptCursor.x(), m_pSurface->height() - 1 - m_ptCursor.y());
    emit statusTextChanged(
        1, QString::fromStdString(readout ? FormatCursorReadout(*readout)
                                          : FormatRangeHint(g_runState.GetDisplayRange(),
                                                            g_runState.GetSpectrumStats())));
}

void CTamselView::UpdateStatusHint() {
    if (window() == this)
        return; // not inside a main window
    const bool active = QApplication::activeWindow() != nullptr;
    const Qt::KeyboardModifiers keys = QGuiApplication::keyboardModifiers();
    const bool ctrl = active && (keys & Qt::ControlModifier);
    const bool shift = active && (keys & Qt::ShiftModifier);
    const bool plot3D = Is3DPlot();

    const char* hint = nullptr;
    if (m_bRangeDrag)
        hint = "Click+Drag L/R Offsets Frequency,Up/Down Scales Range";
    else if (m_bPaletteDrag)
        hint = "Click+Drag L/R Adjusts Palette Offset, Up/Down Adjusts Scale";
    else if (ctrl)
        hint = plot3D ? "Click+Drag to Rotate View" : " ";
    else if (shift)
        hint = plot3D ? "Click+Drag Up/Down to Zoom In/Out" : " ";
    else if (plot3D)
        hint = "Click+Drag Left Mouse=Range, Shift/Ctrl=View, Right Mouse=Color";
    else
        hint = "Click+Drag Left Mouse to Adjust Range, Right Mouse for Color Palette";
    if (plot3D) {
        const bool guides = ctrl ? m_bRotateDrag : shift ? m_bZoomDrag : false;
        m_surfacePlot.SetGuides(guides);
        m_barsPlot.SetGuides(guides);
    }
    emit statusTextChanged(0, QString::fromLatin1(hint));
    UpdateRangePane();
    emit statusTextChanged(2, m_bFrozen      ? QStringLiteral("FROZEN")
                              : m_bAcquiring ? QStringLiteral("RUN")
                                             : QStringLiteral("STOP"));
}
