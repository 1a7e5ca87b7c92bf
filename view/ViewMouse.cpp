// SPDX-License-Identifier: GPL-3.0-or-later
// The mouse drags and the status-bar hints of CTamselView.
#include "view/TamselView.h"

#include <QApplication>
#include <QMouseEvent>

#include "base/RunState.h"
#include "plots/Projection.h"
#include "view/MouseDrag.h"

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

void CTamselView::OnLButtonDown(Qt::KeyboardModifiers keys, const QPoint& point) {
    if (keys & Qt::ControlModifier)
        m_bRotateDrag = true;
    else if (keys & Qt::ShiftModifier)
        m_bZoomDrag = true;
    else
        m_bRangeDrag = true;
    m_ptLast = point;
}

void CTamselView::OnRButtonDown(const QPoint& point) {
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
    emit statusTextChanged(1, QString::fromStdString(FormatRangeHint(
                                  g_runState.GetDisplayRange(), g_runState.GetSpectrumStats())));
    emit statusTextChanged(2, m_bAcquiring ? QStringLiteral("RUN") : QStringLiteral("STOP"));
}
