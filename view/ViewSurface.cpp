// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/ViewSurface.h"

#include <QEvent>

#include <algorithm>

#include "view/TamselView.h"

CViewSurface::CViewSurface(CTamselView* view) : m_pView(view) {
    QSurfaceFormat format = QSurfaceFormat::defaultFormat();
    format.setDepthBufferSize(std::max(format.depthBufferSize(), 24));
    setFormat(format);
    setFlag(Qt::WindowDoesNotAcceptFocus);
}

void CViewSurface::initializeGL() {
    m_pView->initializeGL();
}

void CViewSurface::resizeGL(int w, int h) {
    m_pView->resizeGL(w, h);
}

void CViewSurface::paintGL() {
    m_pView->paintGL();
}

void CViewSurface::exposeEvent(QExposeEvent* event) {
    if (!m_pView->m_bContextFailed)
        QOpenGLWindow::exposeEvent(event);
}

bool CViewSurface::event(QEvent* event) {
    if (event->type() == QEvent::UpdateRequest && m_pView->m_bContextFailed)
        return true;
    return QOpenGLWindow::event(event);
}

// The surface covers the whole view from its origin: positions need no
// mapping.
void CViewSurface::mousePressEvent(QMouseEvent* event) {
    m_pView->mousePressEvent(event);
}

void CViewSurface::mouseReleaseEvent(QMouseEvent* event) {
    m_pView->mouseReleaseEvent(event);
}

void CViewSurface::mouseMoveEvent(QMouseEvent* event) {
    m_pView->mouseMoveEvent(event);
}
