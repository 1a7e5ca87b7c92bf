// SPDX-License-Identifier: GPL-3.0-or-later
// The native OpenGL window the view draws into, shown inside the view by a
// window container. Its frames go to the screen by a buffer swap; a
// QOpenGLWidget's framebuffer is instead composited into the top-level
// window on every frame, which under a software renderer costs more than the
// drawing itself.
//
// It hands its OpenGL lifecycle (initializeGL, resizeGL, paintGL) and the
// mouse events it receives to its view, and never takes the keyboard focus,
// so keys and shortcuts keep going to the main window. Once the view reports
// that the context failed, the surface paints no more (Qt would call OpenGL
// through the failed context). User-interface thread only.
#pragma once

#include <QOpenGLWindow>

class CTamselView;

class CViewSurface : public QOpenGLWindow {
public:
    // Asks for the default surface format with a depth buffer of at least
    // 24 bits (the 3D plots' depth test).
    explicit CViewSurface(CTamselView* view);

protected:
    void initializeGL() override;
    void resizeGL(int w, int h) override;
    void paintGL() override;
    void exposeEvent(QExposeEvent* event) override;
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    CTamselView* m_pView;
};
